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

TEST_F(LibrarySettingTest, EditsCommitPathsMemoAndListsInOrder) {
    Setting setting(library);
    EXPECT_EQ(setting.description, "first\r\nsecond");
    EXPECT_EQ(setting.BatchRows(kBatchClose), (std::vector<std::string>{Sj("＜処理未指定＞")}));
    // The placeholder row of an empty page names no item.
    EXPECT_FALSE(setting.RemoveItem(kBatchClose, 0));
    EXPECT_FALSE(setting.MoveItem(kBatchOpen, 0, 1));
    EXPECT_FALSE(setting.RemoveItem(kBatchOpen, 1));
    setting.outputPath = "gen";
    setting.libraryPath = dir.File("moved.ZQL");
    setting.initializePath = dir.File("moved.ZQI");
    setting.previewImage = "a.jpg";
    setting.description = "one\r\n\r\nthree\r\n";
    setting.timedInterval = 90;
    setting.look = {0x123456u, 8};
    setting.AppendItem(kBatchChange, Setting::PlainItem(Setting::BatchEntry::kOutput));
    setting.AppendItem(kBatchChange, Setting::PlainItem(Setting::BatchEntry::kSave));
    ASSERT_TRUE(setting.MoveItem(kBatchChange, 1, 0));
    ASSERT_TRUE(setting.RemoveItem(kBatchOpen, 0));
    // The library keeps its own values until the commit.
    EXPECT_EQ(library.BatchList(kBatchChange).size(), 0u);

    int readResult = 0;
    setting.Commit(library, Setting::ReloadAnswer::kKeep, readResult);
    EXPECT_EQ(library.OutputPath(), dir.File("gen"));
    EXPECT_EQ(library.Path(), dir.File("moved.ZQL"));
    EXPECT_EQ(library.InitializeInfo()->Path(), dir.File("moved.ZQI"));
    EXPECT_EQ(library.PreviewImage(), "a.jpg");
    EXPECT_EQ(library.PreviewMemo(), (StringList{"one", "", "three"}));
    const auto& change = library.BatchList(kBatchChange);
    ASSERT_EQ(change.size(), 2u);
    EXPECT_EQ(change[0].type, 3u);
    EXPECT_EQ(change[0].name, Sj("上書き保存"));
    EXPECT_EQ(change[1].type, 4u);
    EXPECT_EQ(change[1].name, Sj("出力"));
    EXPECT_TRUE(library.BatchList(kBatchOpen).empty());
    EXPECT_EQ(library.BatchList(kBatchTimed).size(), 1u);
    EXPECT_EQ(library.TimedInterval(), 90u);
    EXPECT_EQ(TLibraryCustomise::Get(library.InitializeInfo()->Store()), setting.look);
    EXPECT_FALSE(library.IsModified());
}

}  // namespace
}  // namespace tabrix
