// Library files read and written: the timed list's interval, dropped groups, small layouts and
// failures, on copies of tests/data/model/library (the CLI's command table dumps every value
// read from it and checks that a save of everything writes it back byte for byte).
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
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

namespace fs = std::filesystem;
using namespace test;

std::string Sample(const std::string& name) {
    return ReadFile(DataPath("model/library") / name);
}

class TZQLCtrlTest : public ::testing::Test {
protected:
    TZQLCtrlTest() {
        fs::copy(DataPath("model/library"), dir_.Path(), fs::copy_options::recursive);
    }

    TZQLCtrl& Open() {
        FileResult result = kFileResultCount;  // not set
        library_ = TLibraryOpener(controller_).OpenNewLibrary(dir_.File("lib.ZQL"), result);
        EXPECT_EQ(result, kFileOk);
        return *library_;
    }

    TempDir dir_;
    TTabrixCtrl controller_;
    std::unique_ptr<TZQLCtrl> library_;
};

// The timed list's interval: a line beside the lists that a library without it never gains, read
// back as written; a value outside 1..32767 counts as 60.
TEST_F(TZQLCtrlTest, TimedIntervalLineRoundTrips) {
    const struct {
        const char* line;  // after "[batch]", and what is written after setting `set`
        std::uint32_t read, set;
        const char* written;
    } cases[] = {{"", 60, 60, ""},
                 {"", 60, 90, "[time_interval]90\r\n"},
                 {"[time_interval]120\r\n", 120, 120, "[time_interval]120\r\n"},
                 {"[time_interval]0\r\n", 60, 60, "[time_interval]0\r\n"},
                 {"[time_interval]x\r\n", 60, 5, "[time_interval]5\r\n"}};
    const std::string zql = Sample("lib.ZQL");
    const std::size_t at = zql.find("[batch]\r\n") + 9;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile(dir_.Path() / "lib.ZQL", std::string(zql).insert(at, c.line));
        TZQLCtrl& lib = Open();
        EXPECT_EQ(lib.TimedInterval(), c.read);
        EXPECT_EQ(lib.BatchList(kBatchOpen).size(), 1u);
        lib.SetTimedInterval(c.set);
        lib.SetModified(true);
        ASSERT_EQ(TLibraryWriter(lib).Write(), kFileOk);
        EXPECT_EQ(ReadFile(dir_.Path() / "lib.ZQL"), std::string(zql).insert(at, c.written));
    }
}

TEST_F(TZQLCtrlTest, AHeldGroupKeepsItsNumberAndShiftsNoOther) {
    // The first group names group data 7, which its file does not hold: not shown, but held
    // with its number, so the other groups keep theirs.
    std::string zql = Sample("lib.ZQL");
    zql.replace(zql.find("[gd_index]0"), 11, "[gd_index]7");
    WriteFile(dir_.Path() / "lib.ZQL", zql);
    TZQLCtrl& lib = Open();
    ASSERT_EQ(lib.GroupCount(), 2u);
    EXPECT_EQ(lib.Group(0)->Name(), "second");
    EXPECT_EQ(lib.Group(0)->Number(), 1u);
    EXPECT_EQ(lib.Group(1)->Number(), 2u);
    EXPECT_EQ(lib.Group(1)->ConnectGroup(), nullptr);  // "[connect_group]0": the held one
    // "0 1" of the unshown group data's first element still names element 0 of "second";
    // "1 0" of third's second element names the held group: kept as read, not resolved.
    TGroupData* third = lib.Group(1)->GroupData();
    TGroupData* unshown = third->Owner()->At(0);
    EXPECT_EQ(TElement::AsElement(unshown->At(0)->Numbers(2).at(0)),
              lib.Group(0)->GroupData()->At(0));
    EXPECT_TRUE(third->At(1)->Numbers(2).empty());
}

TEST_F(TZQLCtrlTest, SmallCasesOfTheLayout) {
    // No groups, an unknown line break, unknown tags, missing closing tags.
    WriteFile(dir_.Path() / "lib.ZQL",
              CrLfLines({"Library-File for Tabrix ver 1.5", "[init]", "[cr_word]5", "[unknown]x",
                         "no tag line", "[/init]", "[use_group]", "[/use_group]", "[free_text]",
                         "a", "[/free_tex]"}));
    TZQLCtrl& lib = Open();
    EXPECT_EQ(lib.LineBreak(), "\r\n");
    EXPECT_EQ(lib.FreeText(), (StringList{"a", "[/free_tex]"}));
    lib.SetModified(true);
    ASSERT_EQ(TLibraryWriter(lib).Write(), kFileOk);
    std::string bytes = ReadFile(dir_.Path() / "lib.ZQL");
    EXPECT_NE(bytes.find("\r\n[use_group]\r\n[/use_group]\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n[zqp_file]\r\n"), std::string::npos);  // never given a path
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "\r\n[/batch]");
}

TEST_F(TZQLCtrlTest, FailuresLeaveTheLibraryAsItWas) {
    TZQLCtrl& lib = Open();
    WriteFile(dir_.Path() / "bad.ZQL", "Parameter-Info for Tabrix ver 2.0\r\n[init]");
    WriteFile(dir_.Path() / "empty.ZQL", "");
    EXPECT_EQ(TLibraryOpener(controller_).OpenLibrary(lib, dir_.File("bad.ZQL")), kFileWrongHeader);
    EXPECT_EQ(TLibraryOpener(controller_).OpenLibrary(lib, dir_.File("missing.ZQL")),
              kFileCannotOpen);
    EXPECT_EQ(TLibraryOpener(controller_).OpenLibrary(lib, dir_.File("empty.ZQL")),
              kFileCloseFailed);
    EXPECT_EQ(lib.GroupCount(), 3u);
    EXPECT_EQ(lib.Path(), dir_.File("lib.ZQL"));

    lib.SetPath(dir_.File("no-such-folder/lib.ZQL"));
    lib.SetModified(true);
    EXPECT_NE(TLibraryWriter(lib).Write(), kFileOk);
    EXPECT_TRUE(lib.IsModified());
}

TEST_F(TZQLCtrlTest, ReadingAgainReleasesTheOldFiles) {
    TZQLCtrl& lib = Open();
    TLibraryReader reader(lib);
    ASSERT_EQ(reader.Read(), kFileOk);
    reader.ResolveReferences();
    EXPECT_EQ(controller_.ElementDataFiles().size(), 2u);
    EXPECT_EQ(lib.GroupCount(), 3u);
    EXPECT_EQ(lib.Group(0)->GroupData()->At(0)->Texts(0), TextList{Sj("名前")});
}

}  // namespace
}  // namespace tabrix
