// The application controller: shared element data files, new-library defaults, open failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "LibraryFiles.h"
#include "TempDir.h"
#include "batch/TBatchRunner.h"
#include "files/TElementDataWriter.h"
#include "files/TLibraryOpener.h"
#include "files/TLibraryReader.h"
#include "files/TLibraryWriter.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

using test::DataFile;
using test::LibraryFile;
using test::ParameterFile;
using test::Sj;
using test::TempDir;
using test::WriteFile;

class TTabrixCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir_.Path() / "lib.ZQP", ParameterFile({2}));
        WriteFile(dir_.Path() / "data.ZQD", DataFile({{"1||a||", "1||b||0 0"}}));
        WriteFile(dir_.Path() / "a.ZQL", LibraryFile({0}));
        WriteFile(dir_.Path() / "b.ZQL", LibraryFile({0}, dir_.File("data.ZQD")));
    }
    std::unique_ptr<TZQLCtrl> Open(const std::string& name) {
        FileResult result = kFileResultCount;  // not set
        auto lib = TLibraryOpener(controller_).OpenNewLibrary(dir_.File(name), result);
        EXPECT_EQ(result, kFileOk) << name;
        return lib;
    }

    TempDir dir_;
    TTabrixCtrl controller_;
};

TEST_F(TTabrixCtrlTest, LibrariesShareOneElementDataFileUntilTheLastCloses) {
    auto a = Open("a.ZQL");
    auto b = Open("b.ZQL");  // the same file named by its full path
    ASSERT_EQ(controller_.ElementDataFiles().size(), 1u);
    TGroupData* shared = a->Group(0)->GroupData();
    EXPECT_EQ(b->Group(0)->GroupData(), shared);
    EXPECT_EQ(b->AddElements(0, 1), 0);
    EXPECT_EQ(a->Group(0)->GroupData()->Size(), 3u);
    // The file was read once, with the first library's parameters: the reference resolved.
    EXPECT_EQ(TElement::AsElement(shared->At(1)->Numbers(0).at(0)), shared->At(0));
    EXPECT_EQ(controller_.Libraries().size(), 2u);
    EXPECT_EQ(controller_.ParameterFiles().size(), 2u);  // parameter files are per library

    a.reset();
    EXPECT_EQ(controller_.ElementDataFiles().size(), 1u);
    EXPECT_EQ(b->Group(0)->GroupData()->Size(), 3u);
    EXPECT_EQ(controller_.Libraries().size(), 1u);
    EXPECT_EQ(controller_.ParameterFiles().size(), 1u);
    b.reset();
    EXPECT_TRUE(controller_.ElementDataFiles().empty());
    EXPECT_TRUE(controller_.ParameterFiles().empty());
    EXPECT_TRUE(controller_.Libraries().empty());
}

// Every spelling of one file on disk loads one object, so one copy's save cannot overwrite
// the other's changes.
TEST_F(TTabrixCtrlTest, OneFileOnDiskIsOneObject) {
    std::filesystem::create_directory(dir_.Path() / "data");
    std::filesystem::copy_file(dir_.Path() / "data.ZQD", dir_.Path() / "data" / "x.ZQD");
    std::filesystem::create_directory_symlink(dir_.Path() / "data", dir_.Path() / "link");
    // Letter case makes another file, though.
    std::filesystem::copy_file(dir_.Path() / "data.ZQD", dir_.Path() / "data" / "X.ZQD");
    for (const char* other : {"./data/x.ZQD", "data//x.ZQD", "data/../data/x.ZQD", "link/x.ZQD",
                              "data\\x.ZQD", "data/X.ZQD"}) {
        const std::size_t files = other == std::string("data/X.ZQD") ? 2 : 1;
        TTabrixCtrl controller;
        WriteFile(dir_.Path() / "c.ZQL", LibraryFile({0, 0}, "data/x.ZQD", other));
        FileResult result = kFileResultCount;  // not set
        auto c = TLibraryOpener(controller).OpenNewLibrary(dir_.File("c.ZQL"), result);
        ASSERT_TRUE(c) << other;
        ASSERT_EQ(c->GroupCount(), 2u) << other;
        EXPECT_EQ(controller.ElementDataFiles().size(), files) << other;
        EXPECT_EQ(c->Group(0)->GroupData() == c->Group(1)->GroupData(), files == 1) << other;
    }
}

// A library opened through a link finds its files beside the file the link leads to, and
// saving replaces that file while the link stays a link.
TEST_F(TTabrixCtrlTest, LibraryOpenedThroughALink) {
    std::filesystem::create_directory(dir_.Path() / "elsewhere");
    std::filesystem::create_symlink(dir_.Path() / "a.ZQL", dir_.Path() / "elsewhere" / "a.ZQL");
    auto a = Open("elsewhere/a.ZQL");
    ASSERT_EQ(a->GroupCount(), 1u);
    EXPECT_EQ(a->Group(0)->GroupData()->Size(), 2u);
    a->SetModified(true);
    a->SetOutputPath("out");
    ASSERT_EQ(TLibraryWriter(*a).Write(), kFileOk);
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.Path() / "elsewhere" / "a.ZQL"));
    EXPECT_NE(test::ReadFile(dir_.Path() / "a.ZQL").find("[output_path]out"), std::string::npos);
}

// Two libraries share a file; the second shows only part of its group data. Saving the file
// from either keeps every reference, whichever of them read it.
TEST_F(TTabrixCtrlTest, SharedFileKeepsReferencesItsSaverDoesNotShow) {
    const std::string data = DataFile({{"1||a||1 1#0 0"}, {"1||b||", "1||c||"}});
    WriteFile(dir_.Path() / "data.ZQD", data);
    WriteFile(dir_.Path() / "all.ZQL", LibraryFile({0, 1}));
    WriteFile(dir_.Path() / "part.ZQL", LibraryFile({0}));
    const std::string line = "1||a||1 1#0 0";
    for (bool partFirst : {false, true}) {
        TTabrixCtrl controller;
        FileResult result = kFileResultCount;  // not set
        auto first = TLibraryOpener(controller)
                         .OpenNewLibrary(dir_.File(partFirst ? "part.ZQL" : "all.ZQL"), result);
        auto second = TLibraryOpener(controller)
                          .OpenNewLibrary(dir_.File(partFirst ? "all.ZQL" : "part.ZQL"), result);
        ASSERT_TRUE(first && second);
        TZQLCtrl& part = partFirst ? *first : *second;
        TZQDCtrl& file = *part.Group(0)->GroupData()->Owner();
        file.SetModified(true);
        ASSERT_EQ(TElementDataWriter(file, part).Write(), kFileOk);
        EXPECT_NE(test::ReadFile(dir_.Path() / "data.ZQD").find("\r\n" + line + "\r\n"),
                  std::string::npos)
            << "part first: " << partFirst;
        WriteFile(dir_.Path() / "data.ZQD", data);
    }
}

// A group kept but not shown (its group data is missing) keeps its number: the later groups
// keep theirs, so references, connect groups and stored items into them keep their meaning;
// those into the hidden one are held as read; a save writes every number back as it was.
TEST_F(TTabrixCtrlTest, AHiddenGroupShiftsNoOtherGroup) {
    WriteFile(dir_.Path() / "lib.ZQP", ParameterFile({0, 2, 10}));
    const std::string data = DataFile({{"1||b||,0 2,1", "1||a||,1 2,2"}, {"1||z||", "1||y||"}});
    WriteFile(dir_.Path() / "data.ZQD", data);
    std::string zql = LibraryFile({0, 9, 1});
    zql.insert(zql.find("[/group]"), "[connect_group]2\r\n");
    WriteFile(dir_.Path() / "h.ZQL", zql);
    auto lib = Open("h.ZQL");
    ASSERT_EQ(lib->GroupCount(), 2u);
    TGroupSetting& last = *lib->Group(1);
    EXPECT_EQ(last.Number(), 2u);
    EXPECT_EQ(lib->Group(0)->ConnectGroup(), &last);
    const TGroupData& first = *lib->Group(0)->GroupData();
    EXPECT_EQ(TElement::AsElement(first.At(0)->Numbers(1).at(0)), last.GroupData()->At(0));
    EXPECT_TRUE(first.At(0)->Numbers(2).empty());  // the hidden group: held as read
    EXPECT_EQ(TElement::AsGroup(first.At(1)->Numbers(2).at(0)), &last);

    lib->Group(0)->GroupData()->Owner()->SetModified(true);
    ASSERT_EQ(TElementDataWriter(*lib->Group(0)->GroupData()->Owner(), *lib).Write(), kFileOk);
    const std::string saved = test::ReadFile(dir_.Path() / "data.ZQD");
    EXPECT_NE(saved.find(",0 2,1\r\n1||a||0,1 2,2\r\n"), std::string::npos) << saved;

    TBatchRunner runner(*lib);
    runner.RunBatchSetting({{"[JudgeParam]0", "[GroupNo]1"}, 1, ""});  // the hidden slot
    EXPECT_EQ(last.GroupData()->At(0)->Texts(0).at(0), "z");
    runner.RunBatchSetting({{"[JudgeParam]0", "[GroupNo]2"}, 1, ""});
    EXPECT_EQ(last.GroupData()->At(0)->Texts(0).at(0), "y");
    lib->SetModified(true);
    ASSERT_EQ(TLibraryWriter(*lib).Write(), kFileOk);
    const std::string library = test::ReadFile(dir_.Path() / "h.ZQL");
    EXPECT_LT(library.find("[gd_index]9"), library.find("[gd_index]1"));
    EXPECT_NE(library.find("[connect_group]2"), std::string::npos);
}

TEST_F(TTabrixCtrlTest, OpenReportsNormalisingThenClears) {
    std::vector<std::string> messages;
    FileResult result = kFileResultCount;  // not set
    auto lib = TLibraryOpener(controller_)
                   .OpenNewLibrary(dir_.File("a.ZQL"), result,
                                   [&](const std::string& m) { messages.push_back(m); });
    ASSERT_EQ(result, kFileOk);
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages.front(), Sj("ZQL「") + dir_.File("a.ZQL") + Sj("」：読み込み中"));
    EXPECT_EQ(messages[messages.size() - 2], Sj("参照の正規化中"));
    EXPECT_EQ(messages.back(), "");
}

TEST_F(TTabrixCtrlTest, LibraryWithoutControllerDropsItsGroups) {
    TZQLCtrl lib;
    lib.SetPath(dir_.File("a.ZQL"));
    ASSERT_EQ(TLibraryReader(lib).Read(), kFileOk);
    EXPECT_EQ(lib.GroupCount(), 0u);
    ASSERT_NE(lib.ParameterFile(), nullptr);  // kept by the library itself
    EXPECT_EQ(lib.ParameterFile()->Size(), 1u);
    controller_.RegisterLibrary(lib);
    EXPECT_EQ(controller_.ParameterFiles().size(), 1u);
}

}  // namespace
}  // namespace tabrix
