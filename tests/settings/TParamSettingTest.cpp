#include "settings/TParamSetting.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "batch/TBatchRunner.h"
#include "format/TFormatCompiler.h"
#include "format/TSyntaxColourer.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix {
namespace {

using test::Sj;

std::string Utf8(const std::string& cp932) {
    return TextCodec::ToUtf8(cp932);
}

// A library with three parameters (名称 string, 価格 price unsigned, 参照
// element reference drawn by 名称), 名称 used twice, and two groups whose
// output is done.
class ParamSettingTest : public ::testing::Test {
protected:
    ParamSettingTest() {
        file = library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        file->Reset("lib.ZQP");
        name = AddParameter("名称", "名称", kTypeString);
        TParameter* price = AddParameter("価格", "price", kTypeUnsigned);
        AddParameter("参照", "参照", kTypeElementRef)->SetDisplayParameter(name);
        file->UsedParameters() = {name, price, name};
        file->DrawFormat() = {Sj("%名称%")};
        file->OutputFormat() = {Sj("%名称%,%price%")};
        file->ImportFormats() = {{"a", "b"}, {"c"}};
        file->SetOutputType(7);
        file->SetRowHeight(30);
        file->SetModified(false);
        for (int i = 0; i < 2; ++i) {
            TGroupSetting* group = library.AddGroupForGroupData(data.AddGroupData());
            group->Set(TGroupSetting::kOutputDone, true);
        }
        TFormatCompiler::CompileAll(library);
    }

    TParameter* AddParameter(const std::string& nameUtf8, const std::string& code,
                             std::uint8_t type) {
        TParameter* parameter = file->AddParameter();
        parameter->SetName(Sj(nameUtf8));
        parameter->SetCode(Sj(code));
        parameter->SetType(type);
        file->CodeMap()[Sj(code)] = parameter;
        return parameter;
    }

    std::string UsedCodes(const TParamSetting& setting) {
        std::string codes;
        for (std::size_t row = 0; row < setting.UsedCount(); ++row)
            codes.append(codes.empty() ? "" : ",").append(Utf8(setting.UsedRow(row)));
        return codes;
    }

    TZQDCtrl data;
    TZQLCtrl library;
    TZQPCtrl* file = nullptr;
    TParameter* name = nullptr;
};

TEST_F(ParamSettingTest, AddIsRefusedForEmptyTakenAndReservedNames) {
    const struct {
        const char* name;
        ParamSettingResult result;
        const char* message;
    } cases[] = {
        {"", ParamSettingResult::kNameEmpty, "パラメータ名を入力してください！"},
        {"price", ParamSettingResult::kCodeExists, "同名の書式識別子が存在します！"},
        {"名称", ParamSettingResult::kCodeExists, "同名の書式識別子が存在します！"},
        {"INDEX", ParamSettingResult::kNameReserved, "その名称は予約語です！"},
        {"CNG_GROUP", ParamSettingResult::kNameReserved, "その名称は予約語です！"},
        {"IS_OUTPUT", ParamSettingResult::kNameReserved, "その名称は予約語です！"},
        {"価格", ParamSettingResult::kDone, ""},   // a name, but no parameter's code
        {"Price", ParamSettingResult::kDone, ""},  // codes are compared case-sensitively
        {"NEXT", ParamSettingResult::kDone, ""},   // a statement word is no reserved word
    };
    for (const auto& c : cases) {
        TParamSetting setting(*file);
        EXPECT_EQ(setting.Add(Sj(c.name), true), c.result) << c.name;
        EXPECT_EQ(Utf8(TParamSetting::Message(c.result)), c.message) << c.name;
        const bool added = c.result == ParamSettingResult::kDone;
        EXPECT_EQ(setting.Size(), added ? 4u : 3u) << c.name;
        EXPECT_EQ(setting.UsedCount(), added ? 4u : 3u) << c.name;
        EXPECT_EQ(setting.DialogChanged(), added) << c.name;
        if (added) {
            EXPECT_EQ(setting.At(3).Code(), Sj(c.name));
            EXPECT_EQ(setting.At(3).InputBoxHeight(), 90);
        }
    }
    TParamSetting unused(*file);
    ASSERT_EQ(unused.Add(Sj("x"), false), ParamSettingResult::kDone);
    EXPECT_EQ(unused.UsedCount(), 3u);
    EXPECT_EQ(Utf8(unused.ListRow(1)), "価格(price)<符号無し整数値>");
    EXPECT_EQ(Utf8(unused.ListRow(4)), "＜パラメータ数が不正＞");
}

TEST_F(ParamSettingTest, ApplyChecksTheCodeAndRefusesWithoutChangingAnything) {
    const struct {
        const char* code;
        ParamSettingResult result;
        const char* message;
    } cases[] = {
        {"", ParamSettingResult::kCodeEmpty, "書式識別子を入力してください！"},
        {"名称", ParamSettingResult::kCodeExists, "同名の書式識別子が存在します！"},
        {"CNG_LIBRARY", ParamSettingResult::kCodeReserved, "その書式識別子は予約語です！"},
        {"price", ParamSettingResult::kDone, ""},  // its own code
        {"cost", ParamSettingResult::kDone, ""},
    };
    for (const auto& c : cases) {
        TParamSetting setting(*file);
        TParamPage page = setting.Load(1);
        page.name = Sj("値段");
        page.code = Sj(c.code);
        setting.MarkParameterChanged();
        EXPECT_EQ(setting.Apply(page), c.result) << c.code;
        EXPECT_EQ(Utf8(TParamSetting::Message(c.result)), c.message) << c.code;
        const bool applied = c.result == ParamSettingResult::kDone;
        EXPECT_EQ(Utf8(setting.At(1).Name()), applied ? "値段" : "価格") << c.code;
        EXPECT_EQ(setting.ParameterChanged(), !applied) << c.code;
        EXPECT_EQ(setting.DialogChanged(), applied) << c.code;
    }
    TParamSetting nothingLoaded(*file);
    TParamPage page;
    page.code = "x";
    EXPECT_EQ(nothingLoaded.Apply(page), ParamSettingResult::kNothing);
    EXPECT_FALSE(nothingLoaded.DialogChanged());
}

TEST_F(ParamSettingTest, ApplyGivesTheTypeDependentDefaults) {
    const struct {
        std::uint8_t type;
        std::vector<std::string> rows;
        std::vector<std::string> selection;
        const char* format;
    } cases[] = {
        {kTypeListSelection, {""}, {"選択 1"}, ""},
        {kTypeListSelection, {" ", "", ""}, {"選択 1"}, ""},  // a lone blank entry
        {kTypeBoolArray, {"", "", ""}, {"選択 1"}, ""},
        {kTypeBoolArray, {"", "はい", "", "いいえ", "", ""}, {"", "はい", "", "いいえ"}, ""},
        {kTypeString, {"", " "}, {"", " "}, ""},
        {kTypeString, {""}, {}, ""},
        {kTypeStringArray, {""}, {}, "%新規%"},
        {kTypeSignedArray, {""}, {}, "%新規%"},
        {kTypeUnsignedArray, {""}, {}, "%新規%"},
        {kTypeElementRefArray, {""}, {}, ""},
        {kTypeGroupRef, {""}, {}, ""},
    };
    for (const auto& c : cases) {
        TParamSetting setting(*file);
        ASSERT_EQ(setting.Add(Sj("新規"), false), ParamSettingResult::kDone);
        TParamPage page = setting.Load(3);
        EXPECT_EQ(page.selectionRows, StringList{""});  // one empty row for an empty list
        page.type = c.type;
        page.selectionRows.clear();
        for (const std::string& row : c.rows)
            page.selectionRows.push_back(Sj(row));
        ASSERT_EQ(setting.Apply(page), ParamSettingResult::kDone);
        StringList expected;
        for (const std::string& entry : c.selection)
            expected.push_back(Sj(entry));
        const int type = c.type;
        EXPECT_EQ(setting.At(3).Selection(), expected) << type;
        EXPECT_EQ(Utf8(page.drawFormat), c.format) << type;
        EXPECT_EQ(Utf8(page.outputFormat), c.format) << type;
        StringList format = c.format[0] ? StringList{Sj(c.format)} : StringList{};
        EXPECT_EQ(setting.At(3).DrawFormat(), format) << type;
        EXPECT_EQ(setting.At(3).OutputFormat(), format) << type;
    }
}

TEST_F(ParamSettingTest, ApplyWritesEveryFieldOfThePage) {
    TParamSetting setting(*file);
    TParamPage page = setting.Load(2);
    EXPECT_EQ(page.displayParameter, 0);
    page.displayParameter = 1;
    page.inputBoxHeight = 1000;
    page.drawFormat = "\r\na\r\n\r\nb\r\n\r\n";  // leading and inner empty lines stay
    page.outputFormat = "x";
    ASSERT_EQ(setting.Apply(page), ParamSettingResult::kDone);
    EXPECT_EQ(setting.At(2).DisplayParameter(), &setting.At(1));
    EXPECT_EQ(setting.At(2).InputBoxHeight(), 400);
    EXPECT_EQ(setting.At(2).DrawFormat(), (StringList{"", "a", "", "b"}));
    EXPECT_EQ(setting.At(2).OutputFormat(), StringList{"x"});
    EXPECT_EQ(setting.Load(2).drawFormat, "\r\na\r\n\r\nb");

    // A type without a display parameter drops it: its combo box is empty.
    page.type = kTypeString;
    ASSERT_EQ(setting.Apply(page), ParamSettingResult::kDone);
    EXPECT_EQ(setting.At(2).DisplayParameter(), nullptr);
}

TEST_F(ParamSettingTest, ChoosingADisplayParameterTakesEffectAtOnce) {
    TParamSetting setting(*file);
    setting.ChooseDisplayParameter(1);  // nothing loaded: nothing happens
    EXPECT_FALSE(setting.ParameterChanged());
    setting.Load(2);
    setting.ChooseDisplayParameter(1);
    EXPECT_EQ(setting.At(2).DisplayParameter(), &setting.At(1));
    EXPECT_TRUE(setting.ParameterChanged());
    EXPECT_FALSE(setting.DialogChanged());
    setting.Load(0);  // selecting another parameter drops the edits without applying
    EXPECT_FALSE(setting.ParameterChanged());
    EXPECT_EQ(setting.Loaded(), 0u);
}

TEST_F(ParamSettingTest, UsedParametersAddRemoveAndDrag) {
    TParamSetting setting(*file);
    // A drag alone is no change of the file.
    ASSERT_TRUE(setting.MoveUsed(0, 2));  // dragged down: lands above the drop row
    EXPECT_EQ(UsedCodes(setting),
              "価格(price)<符号無し整数値>,名称(名称)<文字列>,名称(名称)<文字列>");
    ASSERT_TRUE(setting.MoveUsed(2, 0));
    EXPECT_EQ(UsedCodes(setting),
              "名称(名称)<文字列>,価格(price)<符号無し整数値>,名称(名称)<文字列>");
    EXPECT_FALSE(setting.MoveUsed(0, 1));  // lands where it was
    EXPECT_FALSE(setting.MoveUsed(0, 3));
    EXPECT_FALSE(setting.DialogChanged());

    ASSERT_TRUE(setting.Use(1));  // repeats are allowed
    EXPECT_EQ(setting.UsedCount(), 4u);
    EXPECT_TRUE(setting.DialogChanged());
    ASSERT_TRUE(setting.Unuse(0));
    EXPECT_EQ(Utf8(setting.UsedRow(0)), "価格(price)<符号無し整数値>");
    EXPECT_FALSE(setting.Unuse(3));
    EXPECT_FALSE(setting.Delete(5));
    EXPECT_FALSE(setting.Use(3));
}

TEST(ParamSettingGridTest, SelectionRowsAndHeights) {
    const struct {
        const char* answer;
        std::size_t count;
    } answers[] = {{"1", 1},  {"３", 3},  {"１２", 12},       {"1２", 12},
                   {"", 0},   {"abc", 0}, {"-2", 0},          {"+2", 2},
                   {" 2", 0}, {"2.5", 0}, {"99999999999", 0}, {"０", 0}};
    for (const auto& a : answers)
        EXPECT_EQ(TParamSetting::ReadRowCount(Sj(a.answer)), a.count) << a.answer;

    StringList rows = {"a"};
    TParamSetting::AddRows(rows, 2);
    EXPECT_EQ(rows, (StringList{"a", "", ""}));
    TParamSetting::AddRows(rows, 0x7FFFFFFF);  // bounded, not billions of rows
    EXPECT_EQ(rows.size(), TParamSetting::kMaxSelectionRows);

    rows = {"a", "b", "c", "d"};
    TParamSetting::DeleteRows(rows, {1, 3});
    EXPECT_EQ(rows, (StringList{"a", "c"}));
    TParamSetting::DeleteRows(rows, {0, 1});
    EXPECT_EQ(rows, StringList{""});  // one empty row remains

    EXPECT_EQ(TParamSetting::ClampInputBoxHeight(5), 10);
    EXPECT_EQ(TParamSetting::ClampInputBoxHeight(90), 90);
    EXPECT_EQ(TParamSetting::ClampInputBoxHeight(401), 400);

    EXPECT_EQ(TParamSetting::SplitEditorText(""), StringList{});
    EXPECT_EQ(TParamSetting::SplitEditorText("a\nb\r\n"), StringList{"a\nb"});
    EXPECT_EQ(TParamSetting::JoinLines({"a", "", "b"}), "a\r\n\r\nb");
}

// Values are stored by position: moved and deleted parameters take their values
// along, a new one starts empty, a field beyond the parameters stays behind
// them, references stay linked.
TEST_F(ParamSettingTest, CommitCarriesElementValuesToTheirParameters) {
    TGroupData& group = *data.At(0);
    group.AddElements(2);
    TElement& first = *group.At(0);
    TElement& target = *group.At(1);
    first.SetTexts(0, {Sj("名")});
    first.SetNumbers(1, {5});
    first.SetElementRefs(2, {&target, &first});
    first.SetTexts(3, {"extra"});
    data.SetModified(false);

    library.BatchList(kBatchClose) = {
        {{"[JudgeParam]1,2,0", "[ApplyParam]1", "[GroupNo]1"}, 2, "x"}};
    library.SetModified(false);

    TParamSetting setting(*file);
    setting.MoveDown(1);  // 名称, 参照, price
    setting.Delete(2);    // 名称, 参照
    EXPECT_EQ(setting.StoredItemsLosingParameters(library),
              std::vector<std::string>{Sj("終了時 1「x」")});
    ASSERT_EQ(setting.Add(Sj("新"), false), ParamSettingResult::kDone);
    ASSERT_TRUE(setting.CommitIfChanged(library));
    EXPECT_TRUE(data.IsModified());
    EXPECT_TRUE(library.IsModified());  // the stored items name the parameters' new positions
    EXPECT_EQ(library.BatchList(kBatchClose)[0].dataLines,
              (StringList{"[JudgeParam]-1,1,0", "[ApplyParam]-1", "[GroupNo]1"}));
    EXPECT_EQ(TBatchRunner(library).RunBatchSetting(library.BatchList(kBatchClose)[0]),
              TBatchRunner::kBatchNamesDeleted);
    EXPECT_EQ(first.Texts(0), TextList{Sj("名")});
    EXPECT_TRUE(first.HoldsElementRefs(1));
    EXPECT_EQ(first.Numbers(1), (NumberList{TElement::ItemOf(&target), TElement::ItemOf(&first)}));
    EXPECT_TRUE(first.Numbers(2).empty() && first.Texts(2).empty());
    EXPECT_EQ(first.Texts(3), TextList{"extra"});
    EXPECT_EQ(target.Referrers().Size(), 1u);

    group.DeleteElements(1, 2);  // the target goes: its reference goes with it
    EXPECT_EQ(first.Numbers(1), NumberList{TElement::ItemOf(&first)});
}

TEST_F(ParamSettingTest, ParametersKeptInPlaceLeaveTheElementDataAlone) {
    data.At(0)->AddElements(1);
    data.At(0)->At(0)->SetTexts(0, {"a"});
    data.SetModified(false);
    TParamSetting setting(*file);
    ASSERT_EQ(setting.Add(Sj("新"), false), ParamSettingResult::kDone);
    ASSERT_TRUE(setting.CommitIfChanged(library));
    EXPECT_FALSE(data.IsModified());
    EXPECT_EQ(data.At(0)->At(0)->Texts(0), TextList{"a"});
}

// Another open library on the same parameter file: its element data, its
// formats and its output marks follow the commit as well.
TEST(ParamSettingSharedTest, EveryLibraryOnTheFileFollows) {
    TTabrixCtrl controller;
    TZQPCtrl* file = controller.AddParameterFile(std::make_unique<TZQPCtrl>());
    for (const char* code : {"a", "b"})
        file->AddParameter()->SetCode(code);
    TZQDCtrl firstData, secondData;
    TZQLCtrl first, second;
    for (auto [library, data] : {std::pair{&first, &firstData}, std::pair{&second, &secondData}}) {
        library->SetParameterFile(file);
        controller.RegisterLibrary(*library);
        TGroupSetting* group = library->AddGroupForGroupData(data->AddGroupData());
        group->Set(TGroupSetting::kOutputDone, true);
        group->GroupData()->AddElements(1);
        group->GroupData()->At(0)->SetTexts(1, {"b-value"});
    }
    second.Group(0)->Header() = {"%b%"};

    TParamSetting setting(*file);
    setting.MoveUp(1);
    ASSERT_TRUE(setting.CommitIfChanged(first));
    for (TZQLCtrl* library : {&first, &second}) {
        EXPECT_EQ(library->Group(0)->GroupData()->At(0)->Texts(0), TextList{"b-value"});
        EXPECT_FALSE(library->Group(0)->Has(TGroupSetting::kOutputDone));
    }
    EXPECT_TRUE(secondData.IsModified());
    ASSERT_EQ(second.Group(0)->HeaderCode().size(), 1u);
    EXPECT_EQ(second.Group(0)->HeaderCode()[0].number, 0);
}

}  // namespace
}  // namespace tabrix
