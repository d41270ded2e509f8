// The save of a library through scripted questions: which paths are asked for, in which order,
// what the same-name answer fills in, and that a failing file does not stop the others.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "TempDir.h"
#include "files/TLibraryOpener.h"
#include "files/TLibrarySaver.h"
#include "model/FileResult.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

using test::TempDir;

// Answers from a script; a question the script does not expect fails the test.
class ScriptedQuestions : public TSaveQuestions {
public:
    std::deque<std::pair<SavedFile, std::string>> paths;  // "" cancels
    std::deque<bool> sameName;
    std::vector<std::pair<std::string, int>> failures;
    int layoutsStored = 0;

    bool ChoosePath(SavedFile kind, const TGroupSetting*, std::string& path) override {
        if (paths.empty() || paths.front().first != kind) {
            ADD_FAILURE() << "unexpected path question " << static_cast<int>(kind);
            return false;
        }
        path = paths.front().second;
        paths.pop_front();
        return !path.empty();
    }
    bool SameNameForTheOthers() override {
        if (sameName.empty()) {
            ADD_FAILURE() << "unexpected same-name question";
            return false;
        }
        bool yes = sameName.front();
        sameName.pop_front();
        return yes;
    }
    void Failed(SavedFile, const std::string& path, FileResult result) override {
        failures.emplace_back(path, result);
    }
    void StoreLayout() override { ++layoutsStored; }
};

class TLibrarySaverTest : public ::testing::Test {
protected:
    TLibrarySaverTest() { controller_.FillNewLibrary(library_); }
    TempDir dir_;
    TTabrixCtrl controller_;
    TZQLCtrl library_;
    ScriptedQuestions questions_;
};

TEST_F(TLibrarySaverTest, NewLibraryAsksForDataThenLibraryThenNothingMore) {
    questions_.paths = {{SavedFile::kElementData, dir_.File("new.ZQD")},
                        {SavedFile::kLibrary, dir_.File("new.ZQL")}};
    questions_.sameName = {true};
    TSaveReport report = TLibrarySaver(library_, questions_).Save();
    EXPECT_TRUE(questions_.paths.empty() && questions_.sameName.empty());
    EXPECT_EQ(report.written, 4u);
    EXPECT_EQ(report.failed + report.skipped, 0u);
    EXPECT_EQ(questions_.layoutsStored, 1);
    EXPECT_EQ(library_.ParameterFile()->Path(), dir_.File("new.ZQP"));
    EXPECT_EQ(library_.InitializeInfo()->Path(), dir_.File("new.ZQI"));
    // The new library's defaults, its files named relative to itself; it opens again.
    for (const char* name : {"new.ZQD", "new.ZQL", "new.ZQP", "new.ZQI"})
        EXPECT_EQ(test::ReadFile(dir_.File(name)),
                  test::ReadFile(test::DataPath("model/new") / name))
            << name;
    TTabrixCtrl other;
    FileResult result = kFileResultCount;  // not set
    auto reopened = TLibraryOpener(other).OpenNewLibrary(dir_.File("new.ZQL"), result);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->GroupCount(), 1u);
    EXPECT_TRUE(reopened->LoadProblems().empty());
}

TEST_F(TLibrarySaverTest, NoToTheSameNameAsksForEachAndCancelSkipsOnlyThatFile) {
    questions_.paths = {{SavedFile::kElementData, ""},  // cancelled: that file is skipped
                        {SavedFile::kLibrary, dir_.File("a.ZQL")},
                        {SavedFile::kParameter, dir_.File("p.ZQP")},
                        {SavedFile::kInitializeInfo, ""}};
    questions_.sameName = {false};
    TSaveReport report = TLibrarySaver(library_, questions_).Save();
    EXPECT_TRUE(questions_.paths.empty());
    EXPECT_EQ(report.written, 2u);
    EXPECT_EQ(report.skipped, 2u);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("a.ZQD")));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("p.ZQP")));
    EXPECT_TRUE(library_.InitializeInfo()->Path().empty());
}

// A library derived from a template has its own path but none for its other files yet: the
// paths chosen for them in this save are in the library file it leaves.
TEST_F(TLibrarySaverTest, PathsChosenAfterTheLibraryFileReachIt) {
    library_.SetPath(dir_.File("derived.ZQL"));
    questions_.paths = {{SavedFile::kElementData, dir_.File("derived.ZQD")},
                        {SavedFile::kParameter, dir_.File("derived.ZQP")},
                        {SavedFile::kInitializeInfo, dir_.File("derived.ZQI")}};
    TSaveReport report = TLibrarySaver(library_, questions_).Save();
    EXPECT_EQ(report.written, 4u);
    EXPECT_EQ(report.failed, 0u);
    TTabrixCtrl other;
    FileResult result = kFileResultCount;  // not set
    auto reopened = TLibraryOpener(other).OpenNewLibrary(dir_.File("derived.ZQL"), result);
    ASSERT_TRUE(reopened);
    ASSERT_TRUE(reopened->ParameterFile() && reopened->InitializeInfo());
    EXPECT_EQ(reopened->ParameterFile()->Path(), dir_.File("derived.ZQP"));
    EXPECT_EQ(reopened->InitializeInfo()->Path(), dir_.File("derived.ZQI"));
    EXPECT_TRUE(reopened->LoadProblems().empty());
}

TEST_F(TLibrarySaverTest, AFailingFileIsReportedAndTheOthersAreWritten) {
    std::filesystem::create_directory(dir_.File("x.ZQP"));  // cannot be replaced
    library_.Group(0)->GroupData()->Owner()->SetPath(dir_.File("x.ZQD"));
    library_.SetPath(dir_.File("x.ZQL"));
    library_.ParameterFile()->SetPath(dir_.File("x.ZQP"));
    library_.InitializeInfo()->SetPath(dir_.File("x.ZQI"));
    library_.Group(0)->GroupData()->Owner()->SetModified(true);
    TSaveReport report = TLibrarySaver(library_, questions_).Save();
    ASSERT_EQ(questions_.failures.size(), 1u);
    EXPECT_EQ(questions_.failures[0].first, dir_.File("x.ZQP"));
    EXPECT_EQ(report.written, 3u);
    EXPECT_TRUE(library_.ParameterFile()->IsModified());
}

// Paths typed relative before the library had a place (in the settings dialogs of a new
// library) name places beside the library file once it has one; until then nothing is
// written, rather than into whatever folder the program runs in.
TEST_F(TLibrarySaverTest, RelativePathsWaitForTheLibraryFile) {
    TZQDCtrl* data = library_.Group(0)->GroupData()->Owner();
    data->SetPath("saver-test.ZQD");
    data->SetModified(true);
    library_.ParameterFile()->SetPath("saver-test.ZQP");
    library_.SetOutputPath("out");
    questions_.paths = {{SavedFile::kLibrary, ""}, {SavedFile::kInitializeInfo, ""}};
    TSaveReport report = TLibrarySaver(library_, questions_).Save();
    EXPECT_EQ(report.written, 0u);
    EXPECT_EQ(report.skipped, 4u);
    for (const char* name : {"saver-test.ZQD", "saver-test.ZQP"})
        EXPECT_FALSE(std::filesystem::exists(name)) << name;

    questions_.paths = {{SavedFile::kLibrary, dir_.File("new.ZQL")}};
    questions_.sameName = {true};
    report = TLibrarySaver(library_, questions_).Save();
    EXPECT_TRUE(questions_.paths.empty());
    EXPECT_EQ(report.written, 4u);
    for (const char* name : {"saver-test.ZQD", "saver-test.ZQP", "new.ZQI"})
        EXPECT_TRUE(std::filesystem::exists(dir_.File(name))) << name;
    EXPECT_EQ(library_.OutputPath(), dir_.File("out"));
    TTabrixCtrl other;
    FileResult result = kFileResultCount;  // not set
    auto reopened = TLibraryOpener(other).OpenNewLibrary(dir_.File("new.ZQL"), result);
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(reopened->LoadProblems().empty());
    EXPECT_EQ(reopened->ParameterFile()->Path(), dir_.File("saver-test.ZQP"));
}

}  // namespace
}  // namespace tabrix
