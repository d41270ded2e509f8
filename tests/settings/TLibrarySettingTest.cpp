#include "settings/TLibrarySetting.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "model/FileResult.h"
#include "model/TParameter.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

using test::Sj;
using Setting = TLibrarySetting;

// A registered library at dir/lib.ZQL with a parameter file of one parameter
// 名称 (lib.ZQP), a memo of two lines and one item in the open and the timed
// batch lists, saved (not modified).
class LibrarySettingTest : public ::testing::Test {
protected:
    LibrarySettingTest() {
        controller.RegisterLibrary(library);
        library.SetPath(dir.File("lib.ZQL"));
        params = library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        params->Reset(dir.File("lib.ZQP"));
        TParameter* name = params->AddParameter(nullptr, true);
        name->SetName(Sj("名称"));
        name->SetCode(Sj("名称"));
        params->SetModified(false);
        library.SetInitializeInfo(std::make_unique<TZQICtrl>());
        library.InitializeInfo()->SetPath(dir.File("lib.ZQI"));
        library.SetOutputPath("out");
        library.PreviewMemo() = {"first", "second"};
        library.BatchList(kBatchOpen) = {Setting::PlainItem(Setting::BatchEntry::kSave)};
        library.BatchList(kBatchTimed) = {Setting::PlainItem(Setting::BatchEntry::kOutput)};
        library.SetModified(false);
    }

    test::TempDir dir;
    TTabrixCtrl controller;
    TZQLCtrl library;
    TZQPCtrl* params = nullptr;
};

TEST_F(LibrarySettingTest, EditsCommitPathsMemoAndLists) {
    Setting setting(library);
    EXPECT_EQ(setting.description, "first\r\nsecond");
    EXPECT_EQ(setting.BatchRows(kBatchClose), (std::vector<std::string>{Sj("＜処理未指定＞")}));
    // The placeholder row of an empty page names no item.
    EXPECT_FALSE(setting.RemoveItem(kBatchClose, 0));
    EXPECT_FALSE(setting.MoveItem(kBatchOpen, 0, 1));
    EXPECT_FALSE(setting.RemoveItem(kBatchOpen, 1));
    setting.initializePath = dir.File("moved.ZQI");
    setting.previewImage = "a.jpg";
    setting.description = "one\r\n\r\nthree\r\n";
    ASSERT_TRUE(setting.RemoveItem(kBatchOpen, 0));
    // The library keeps its own values until the commit.
    EXPECT_EQ(library.BatchList(kBatchOpen).size(), 1u);

    FileResult readResult = kFileOk;
    setting.Commit(library, Setting::ReloadAnswer::kKeep, readResult);
    EXPECT_EQ(library.InitializeInfo()->Path(), dir.File("moved.ZQI"));
    EXPECT_EQ(library.PreviewImage(), "a.jpg");
    EXPECT_EQ(library.PreviewMemo(), (StringList{"one", "", "three"}));
    EXPECT_TRUE(library.BatchList(kBatchOpen).empty());
    EXPECT_EQ(library.BatchList(kBatchTimed).size(), 1u);
    EXPECT_TRUE(library.IsModified());  // closing asks before the settings are lost

    library.SetModified(false);
    Setting(library).Commit(library, Setting::ReloadAnswer::kKeep, readResult);
    EXPECT_FALSE(library.IsModified());  // nothing changed, nothing to save
}

}  // namespace
}  // namespace tabrix
