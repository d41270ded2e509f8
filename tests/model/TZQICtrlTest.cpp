#include "files/TInitializeInfoReader.h"
#include "files/TInitializeInfoWriter.h"
#include "model/TZQICtrl.h"

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "model/TLibraryCustomise.h"
#include "model/TWindowState.h"

namespace tabrix {
namespace {

// The window sections' defaults, as written.
const std::string kDefaultFile = test::ReadFile(test::DataPath("model/default.ZQI"));

class TZQICtrlTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_.File(name); }

    test::TempDir dir_;
    TZQICtrl info_;
};

TEST_F(TZQICtrlTest, WritesHeaderAndDefaultSections) {
    TWindowState::PutLibraryDefaults(info_.Store());
    TWindowState::PutSubDefaults(info_.Store());
    info_.SetPath(File("a.ZQI"));
    ASSERT_EQ(TInitializeInfoWriter(info_).Write(), 0);
    EXPECT_EQ(test::ReadFile(File("a.ZQI")), kDefaultFile);
    info_.SetPath(File("no-such-folder/a.ZQI"));
    EXPECT_NE(TInitializeInfoWriter(info_).Write(), 0);
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
        test::WriteFile(File("a.ZQI"), withKeys(c.count, c.colour));
        TZQICtrl info;
        info.SetPath(File("a.ZQI"));
        ASSERT_EQ(TInitializeInfoReader(info).Read(), 0);
        EXPECT_EQ(TLibraryCustomise::Get(info.Store()), c.read);
        TLibraryCustomise::Put(info.Store(), c.put);
        ASSERT_EQ(TInitializeInfoWriter(info).Write(), 0);
        EXPECT_EQ(test::ReadFile(File("a.ZQI")), withKeys(c.writtenCount, c.writtenColour));
    }
}

}  // namespace
}  // namespace tabrix
