#include "files/TElementDataWriter.h"
#include "settings/TGroupDataSetting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "TempDir.h"
#include "model/FileResult.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix {
namespace {

using test::Sj;
using Step = TSettingStep;

// A library of two files: lib.ZQD holds データ 1 (two elements), データ 2, 売上
// and 予備, the first three shown by the groups グループ 1, グループ 2 and
// 売上; two.ZQD holds 在庫, shown by 在庫.
class GroupDataSettingTest : public ::testing::Test {
protected:
    void SetUp() override {
        controller_.FillNamedNewLibrary(library_, dir_.File("lib.ZQL"));
        file_ = library_.Group(0)->GroupData()->Owner();
        AddShownData("データ 2", "グループ 2");
        AddShownData("売上", "売上");
        file_->AddGroupData()->SetName(Sj("予備"));
        library_.Group(0)->GroupData()->AddElements(2);
        second_ = controller_.AddElementDataFile(std::make_unique<TZQDCtrl>(dir_.File("two.ZQD")));
        AddShownData("在庫", "在庫", second_);
        file_->SetModified(false);
        second_->SetModified(false);
        library_.SetModified(false);
    }

    TGroupSetting* AddShownData(const char* dataName, const char* groupName,
                                TZQDCtrl* file = nullptr) {
        TGroupData* data = (file ? file : file_)->AddGroupData();
        data->SetName(Sj(dataName));
        TGroupSetting* group = library_.AddGroupForGroupData(data);
        group->SetName(Sj(groupName));
        return group;
    }

    test::TempDir dir_;
    TTabrixCtrl controller_;
    TZQLCtrl library_;
    TZQDCtrl* file_ = nullptr;
    TZQDCtrl* second_ = nullptr;
};

// --- naming rules
// ----------------------------------------------------------------------------

TEST_F(GroupDataSettingTest, AddGroupsMakesDataAndNumberedGroups) {
    library_.Group(2)->SetName(Sj("グループ 5"));
    TGroupDataSetting setting(library_);
    EXPECT_EQ(Step::kNothing, setting.AddGroups(std::nullopt, "2").kind);
    for (const char* answer : {"0", "x", "-1", "", "0x2", "99999999"})
        EXPECT_EQ(Step::kNothing, setting.AddGroups(0, answer).kind) << answer;
    EXPECT_FALSE(setting.DialogChanged());
    ASSERT_EQ(Step::kDone, setting.AddGroups(0, "2").kind);
    ASSERT_EQ(6u, setting.GroupCount());
    EXPECT_EQ(Sj("グループ 6"), setting.Group(4).name);
    EXPECT_EQ(Sj("グループ 7.txt"), setting.Group(5).outputPath);
    EXPECT_EQ(Sj("データ 4"), setting.Group(5).data->name);
    EXPECT_EQ(6u, setting.File(0).data.size());
    EXPECT_TRUE(setting.File(0).changed);
    EXPECT_EQ(Sj("選択中のZQDに追加したいデータ数を指定してください"),
              TGroupDataSetting::AddGroupDataPrompt().prompt);
    EXPECT_EQ(Sj("ZQDファイル(*.ZQD)|*.ZQD|全てのファイルを表示|*.*"),
              TGroupDataSetting::ZqdFilter());
}

// --- questions
// ---------------------------------------------------------------------------------

TEST_F(GroupDataSettingTest, UnappliedEditsAskBeforeAnotherGroupLoadsOrOk) {
    TGroupDataSetting setting(library_);
    EXPECT_EQ(Step::kNothing, setting.EditPage({}).kind);  // no group loaded
    EXPECT_FALSE(setting.GroupChanged());
    ASSERT_EQ(Step::kDone, setting.SelectGroup(0).kind);
    auto page = setting.Page();
    page.name = Sj("新しい名前");
    setting.EditPage(page);

    Step ask = setting.SelectGroup(1);
    ASSERT_EQ(Step::kAsk, ask.kind);
    EXPECT_EQ(Sj("グループに変更が加えられています。適用しますか？"), ask.question.text);
    EXPECT_EQ(TSettingQuestion::kYesNoCancel, ask.question.buttons);
    EXPECT_EQ(Step::kNothing, setting.SelectGroup(1, TAnswer::kCancel).kind);
    EXPECT_EQ(0u, setting.LoadedGroup());
    EXPECT_EQ(Sj("新しい名前"), setting.Page().name);
    // The loaded row again and the header row ask nothing.
    EXPECT_EQ(Step::kNothing, setting.SelectGroup(0).kind);
    EXPECT_EQ(Step::kNothing, setting.SelectGroup(std::nullopt).kind);
    EXPECT_TRUE(setting.GroupChanged());

    EXPECT_EQ(Step::kDone, setting.SelectGroup(1, TAnswer::kNo).kind);
    EXPECT_EQ(Sj("グループ 1"), setting.Group(0).name);
    EXPECT_FALSE(setting.DialogChanged());

    setting.EditPage(page);
    EXPECT_EQ(Step::kDone, setting.SelectGroup(2, TAnswer::kYes).kind);
    EXPECT_EQ(Sj("新しい名前"), setting.Group(1).name);
    EXPECT_TRUE(setting.DialogChanged());
    EXPECT_FALSE(setting.GroupChanged());

    // OK asks the same: Cancel stays, No commits nothing, Yes applies the edits.
    for (TAnswer answer : {TAnswer::kCancel, TAnswer::kNo, TAnswer::kYes}) {
        TGroupDataSetting ok(library_);
        ok.SelectGroup(2);
        auto edited = ok.Page();
        edited.output = false;
        ok.EditPage(edited);
        EXPECT_EQ(Step::kAsk, ok.Ok().kind);
        EXPECT_EQ(answer == TAnswer::kCancel ? Step::kNothing : Step::kDone, ok.Ok(answer).kind);
        EXPECT_EQ(answer == TAnswer::kYes, ok.WantsCommit());
        EXPECT_EQ(answer == TAnswer::kYes, !(ok.Group(2).status & TGroupSetting::kOutput));
    }
    EXPECT_EQ(Step::kDone, setting.Ok().kind);  // nothing left unapplied
}

// --- flags
// -----------------------------------------------------------------------------------

// Every operation that changes the copy, drags included, is committed by OK.
TEST_F(GroupDataSettingTest, EveryChangeOfTheCopySetsTheDialogFlag) {
    struct Case {
        const char* what;
        std::function<Step(TGroupDataSetting&)> run;
        bool setsFlag;
    } cases[] = {
        {"move group", [](auto& s) { return s.MoveGroup(0, 2); }, true},
        {"move data in file", [](auto& s) { return s.MoveGroupData(0, 0, 2); }, true},
        {"move file", [](auto& s) { return s.MoveFile(0, 1); }, true},
        {"move data to file", [](auto& s) { return s.MoveGroupDataToFile(0, {1}, 1, true); }, true},
        {"data to group list", [](auto& s) { return s.CreateGroupsFromData(0, {3}); }, true},
        {"rename data", [](auto& s) { return s.RenameGroupData(0, 1, "x"); }, true},
        {"file path", [](auto& s) { return s.SetFilePath(0, "y.ZQD"); }, true},
        {"exclude groups", [](auto& s) { return s.ExcludeGroups({1}, true); }, true},
        {"exclude file", [](auto& s) { return s.ExcludeFile(1, true); }, true},
        {"delete data", [](auto& s) { return s.DeleteGroupData(0, {3}, true); }, true},
        {"add data", [](auto& s) { return s.AddGroupData(0, "1"); }, true},
        {"add groups", [](auto& s) { return s.AddGroups(0, "1"); }, true},
        {"empty file", [](auto& s) { return s.CreateEmptyFile(); }, true},
    };
    for (const Case& c : cases) {
        TGroupDataSetting setting(library_);
        EXPECT_EQ(Step::kDone, c.run(setting).kind) << c.what;
        EXPECT_EQ(c.setsFlag, setting.DialogChanged()) << c.what;
    }
}

// --- commit
// ------------------------------------------------------------------------------------

// The commit reorders and moves the very groups, data and elements the windows and references
// point at, re-points connect targets, and another library showing moved data follows it.
TEST_F(GroupDataSettingTest, CommitKeepsIdentitiesAndOtherLibrariesFollow) {
    TZQLCtrl other;
    controller_.RegisterLibrary(other);
    TGroupSetting* reserve = other.AddGroupForGroupData(file_->At(3));  // 予備
    TGroupSetting* second = other.AddGroupForGroupData(file_->At(1));   // データ 2
    TGroupSetting* first = library_.Group(0);
    TGroupSetting* sales = library_.Group(2);
    TGroupData* data = first->GroupData();
    TElement* element = data->At(0);
    element->SetElementRefs(0, {data->At(1)});
    element->SetGroupRefs(1, {sales});
    first->SetConnectGroup(sales);
    library_.Group(1)->SetConnectGroup(first);

    TGroupDataSetting setting(library_);
    setting.MoveGroup(2, 0);                       // 売上 first
    setting.MoveGroup(1, 3);                       // グループ 1 last
    setting.MoveGroupDataToFile(0, {1}, 1, true);  // データ 2 to two.ZQD
    const auto report = setting.Commit(library_, controller_);

    EXPECT_TRUE(sales == library_.Group(0) && first == library_.Group(3));
    EXPECT_EQ(3u, first->Number());
    EXPECT_TRUE(sales == first->ConnectGroup() && first == library_.Group(1)->ConnectGroup());
    EXPECT_TRUE(data == first->GroupData() && element == data->At(0));
    EXPECT_EQ(NumberList{TElement::ItemOf(data->At(1))}, element->Numbers(0));
    EXPECT_EQ(NumberList{TElement::ItemOf(sales)}, element->Numbers(1));
    TGroupData* moved = second->GroupData();
    EXPECT_TRUE(second_ == moved->Owner() && moved == library_.Group(1)->GroupData());
    EXPECT_EQ(1u, moved->Index());
    EXPECT_EQ(2u, reserve->GroupData()->Index());
    EXPECT_EQ(std::vector<TZQLCtrl*>{&other}, report.otherLibraries);
    EXPECT_TRUE(other.IsModified() && file_->IsModified() && second_->IsModified());
    controller_.UnregisterLibrary(other);
    other.SetController(nullptr);
}

TEST_F(GroupDataSettingTest, AFileReadFromDiskWaitsForTheCommit) {
    second_->SetModified(true);
    ASSERT_EQ(kFileOk, TElementDataWriter(*second_, library_).Write());
    std::filesystem::copy_file(dir_.File("two.ZQD"), dir_.File("three.ZQD"));
    {
        TGroupDataSetting setting(library_);
        EXPECT_EQ(Step::kNothing, setting.AddFileFromDisk(dir_.File("none.ZQD")).kind);
        EXPECT_EQ(Step::kNothing, setting.AddFileFromDisk(dir_.File("two.ZQD")).kind);
        ASSERT_EQ(Step::kDone, setting.AddFileFromDisk(dir_.File("three.ZQD")).kind);
        EXPECT_EQ(Sj("在庫"), setting.File(2).data[0]->name);
    }  // cancelled
    EXPECT_EQ(2u, controller_.ElementDataFiles().size());

    TGroupDataSetting setting(library_);
    setting.AddFileFromDisk(dir_.File("three.ZQD"));
    setting.CreateGroupsFromData(2, {0});
    setting.Commit(library_, controller_);
    ASSERT_EQ(3u, controller_.ElementDataFiles().size());
    TZQDCtrl* read = library_.Group(4)->GroupData()->Owner();
    EXPECT_EQ(read, controller_.FindElementDataFile(dir_.File("three.ZQD")));
    EXPECT_FALSE(read->IsModified());
}

}  // namespace
}  // namespace tabrix
