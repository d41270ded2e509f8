#include "model/TZQICtrl.h"

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "model/FileResult.h"
#include "model/TLibraryCustomise.h"
#include "model/TWindowState.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"  // TZQLCtrl's inline members need the complete type

namespace tabrix {
namespace {

// The window sections' defaults, as written.
const std::string kDefaultFile = test::ReadFile(test::DataPath("model/default.ZQI"));

class TZQICtrlTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_.File(name); }
    void WriteBytes(const std::string& name, const std::string& bytes) const {
        test::WriteFile(dir_.Path() / name, bytes);
    }
    int ReadFile(const std::string& name) {
        info_.SetPath(File(name));
        return info_.Read();
    }

    test::TempDir dir_;
    TZQICtrl info_;
};

TEST_F(TZQICtrlTest, WritesHeaderAndDefaultSections) {
    TWindowState::PutLibraryDefaults(info_.Store());
    TWindowState::PutSubDefaults(info_.Store());
    info_.SetPath(File("a.ZQI"));
    ASSERT_EQ(info_.Write(), 0);
    EXPECT_EQ(test::ReadFile(File("a.ZQI")), kDefaultFile);
    info_.SetPath(File("no-such-folder/a.ZQI"));
    EXPECT_NE(info_.Write(), 0);
}

TEST_F(TZQICtrlTest, KeysMissingFromTheFileKeepTheirDefaults) {
    WriteBytes("a.ZQI",
               "Initialize-Info for Tabrix ver 2.0\r\n[ZQLForm]\r\n[Bounds]5,6,700,500\r\n"
               "[DragMode]1\r\n[Panel_BR]200\r\n[SubFlattery]2\r\n[WindowState]2\r\n"
               "[/ZQLForm]\r\n");
    ASSERT_EQ(ReadFile("a.ZQI"), 0);

    TLibraryWindowState library = TWindowState::ApplyLibrary(info_.Store());
    EXPECT_FALSE(library.autoApply);
    EXPECT_EQ(library.bounds, (TWindowBounds{5, 6, 700, 500}));
    EXPECT_EQ(library.dragMode, 1u);
    EXPECT_EQ(library.panelWidth, 200);
    EXPECT_EQ(library.followMode, kFollowLeft);
    EXPECT_EQ(library.windowState, kWindowMaximised);
    EXPECT_EQ(TWindowState::ApplySub(info_.Store()).bounds, (TWindowBounds{400, 0, 140, 300}));
    EXPECT_EQ(info_.Store().Sections().at(TWindowState::LibrarySection()).size(), 6u);
}

TEST_F(TZQICtrlTest, IgnoresUnknownSectionsKeysAndStrayLines) {
    WriteBytes("a.ZQI",
               "Initialize-Info for Tabrix ver 2.0\r\nstray\r\n[MainForm]\r\n[WindowState]2\r\n"
               "[/MainForm]\r\n[SubForm]\r\n[Unknown]7\r\nnoise\r\n[SelectGroupNo]3\r\n"
               "[/SubForm]\r\n[WindowState]1\r\n");
    ASSERT_EQ(ReadFile("a.ZQI"), 0);
    EXPECT_EQ(info_.Store().Sections().size(), 2u);
    TSubWindowState sub = TWindowState::ApplySub(info_.Store());
    EXPECT_EQ(sub.selectedGroup, 3);
    EXPECT_EQ(sub.windowState, kWindowNormal);
    EXPECT_EQ(TWindowState::ApplyLibrary(info_.Store()).windowState, kWindowNormal);
}

// Any version is accepted; a wrong header, an empty or a missing file change nothing.
TEST_F(TZQICtrlTest, HeaderChecksAndLoadErrors) {
    const struct {
        std::string bytes;  // none: no file
        int result;
    } cases[] = {
        {"Initialize-Info for Tabrix ver 9.9\r\n[SubForm]\r\n[SelectGroupNo]4\r\n[/SubForm]",
         kFileOk},
        {"Library-File for Tabrix ver 2.0\r\n[SubForm]\r\n[SelectGroupNo]4\r\n[/SubForm]", 4},
        {"Initialize-Info for Tabrix\r\n", 4},
        {"initialize-info for tabrix ver 2.0\r\n", 4},
        {"", 3},
        {"none", 1},
    };
    for (const auto& c : cases) {
        info_.Store().Clear();
        if (c.bytes != "none") WriteBytes("a.ZQI", c.bytes);
        EXPECT_EQ(ReadFile(c.bytes == "none" ? "missing.ZQI" : "a.ZQI"), c.result) << c.bytes;
        EXPECT_EQ(TWindowState::ApplySub(info_.Store()).selectedGroup, c.result ? 0 : 4);
    }
}

// A relative path is taken in the library's folder, joined with that folder's own separator,
// and kept when read again; absolute paths and paths without a library are used as given.
TEST_F(TZQICtrlTest, PathsResolveAgainstTheLibraryFolder) {
    WriteBytes("lib.ZQI", kDefaultFile);
    const struct {
        std::string library;  // empty: no library
        std::string path;
        std::string resolved;
        int result;
    } cases[] = {
        {File("lib.ZQL"), "lib.ZQI", File("lib.ZQI"), kFileOk},
        {"D:\\libs\\lib.ZQL", "sub\\lib.ZQI", "D:\\libs\\sub\\lib.ZQI", kFileCannotOpen},
        {"D:\\libs\\lib.ZQL", "\\\\server\\share\\x.ZQI", "\\\\server\\share\\x.ZQI",
         kFileCannotOpen},
        {"D:\\libs\\lib.ZQL", "E:x.ZQI", "E:x.ZQI", kFileCannotOpen},
        {"", "surely-not-here.ZQI", "surely-not-here.ZQI", kFileCannotOpen},
    };
    for (const auto& c : cases) {
        TZQLCtrl library;
        library.SetPath(c.library);
        TZQICtrl info;
        if (!c.library.empty()) info.SetLibrary(&library);
        info.SetPath(c.path);
        EXPECT_EQ(info.Read(), c.result) << c.path;
        EXPECT_EQ(info.Path(), c.resolved);
        info.Read();
        EXPECT_EQ(info.Path(), c.resolved) << "reading again keeps the resolved path";
    }
}

// The look of the library window: keys of [ZQLForm] that a file without them never gains, read
// where present (out-of-range values give the defaults) and written back as they were.
TEST_F(TZQICtrlTest, LookKeysRoundTripAndAreOnlyAddedWhenChanged) {
    const TLibraryLook plain;
    const struct {
        const char *count, *colour;  // "[GroupDropDownCount]", "[ParamBoxColor]"; none: absent
        TLibraryLook read, put;
        const char *writtenCount, *writtenColour;
    } cases[] = {{nullptr, nullptr, plain, plain, nullptr, nullptr},
                 {nullptr, nullptr, plain, {0x102030u, 5}, "5", "1056816"},
                 {"30", "16711680", {0xFF0000u, 30}, {0xFF0000u, 30}, "30", "16711680"},
                 {"51", "16777216", plain, plain, "51", "16777216"},
                 {"0", nullptr, plain, {std::nullopt, 50}, "50", nullptr}};
    // Keys are written in byte order: the count before "[Panel_BR]", the colour after it.
    auto withKeys = [](const char* count, const char* colour) {
        std::string bytes = kDefaultFile;
        if (colour)
            bytes.insert(bytes.find("[SubFlattery]1\r\n[WindowState]0\r\n[/ZQLForm]"),
                         std::string("[ParamBoxColor]") + colour + "\r\n");
        if (count)
            bytes.insert(bytes.find("[Panel_BR]"),
                         std::string("[GroupDropDownCount]") + count + "\r\n");
        return bytes;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(withKeys(c.count, c.colour));
        WriteBytes("a.ZQI", withKeys(c.count, c.colour));
        TZQICtrl info;
        info.SetPath(File("a.ZQI"));
        ASSERT_EQ(info.Read(), 0);
        EXPECT_EQ(TLibraryCustomise::Get(info.Store()), c.read);
        TLibraryCustomise::Put(info.Store(), c.put);
        ASSERT_EQ(info.Write(), 0);
        EXPECT_EQ(test::ReadFile(File("a.ZQI")), withKeys(c.writtenCount, c.writtenColour));
    }
}

}  // namespace
}  // namespace tabrix
