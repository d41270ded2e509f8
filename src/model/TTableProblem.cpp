#include "model/TTableProblem.h"

#include <iterator>

namespace tabrix {

namespace {

using Kind = TTableProblem::Kind;

struct ProblemText {
    Kind kind;
    std::string_view english;
    std::string_view japanese;
};

constexpr ProblemText kTexts[] = {
    {Kind::kNone, "no problem", "問題はありません"},
    {Kind::kNoHeader, "the file holds no header row", "読み込む行がありません"},
    {Kind::kBrokenQuote, "a broken quote", "引用符が正しく閉じていません"},
    {Kind::kNotUtf8, "bytes that are not UTF-8", "UTF-8 ではないバイトがあります"},
    {Kind::kNoCp932Form, "a character without a Shift-JIS (CP932) form",
     "Shift-JIS（CP932）で表せない文字があります"},
    {Kind::kUnknownColumn, "a column that names no parameter", "どのパラメータも指さない列です"},
    {Kind::kDuplicateColumn, "a second column for the same parameter",
     "同じパラメータの列が二つあります"},
    {Kind::kExtraField, "a value beyond the header's columns", "見出しの列より後ろに値があります"},
    {Kind::kNotANumber, "not a number", "数値ではありません"},
    {Kind::kNumberOutOfRange, "a number its parameter cannot hold",
     "パラメータの型に収まらない数値です"},
    {Kind::kNotABoolean, "not 0 or 1", "0 か 1 ではありません"},
    {Kind::kUnknownChoice, "neither a choice nor a number", "選択肢の名前でも番号でもありません"},
    {Kind::kBadReference, "not a reference (GROUP:ELEMENT, or GROUP for a group)",
     "参照（グループ:要素、グループ参照はグループ）の形ではありません"},
    {Kind::kNoSuchTarget, "a reference to a group or element that is not there",
     "存在しないグループか要素への参照です"},
    {Kind::kLineBreakInText, "a line break in a single text", "一つだけの文字列に改行があります"},
    {Kind::kNoElementData, "the group shows no element data", "グループに要素データがありません"},
};

// One row per kind, in the enum's order: a kind added without its text fails to build.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (kTexts[i].kind != static_cast<Kind>(i)) return false;
    return std::size(kTexts) == Kind::kKindCount;
}
static_assert(InEnumOrder(), "every kind of table problem needs its row in kTexts, in order");

}  // namespace

std::string_view Describe(TTableProblem::Kind kind, ResultLanguage language) {
    const bool japanese = language == ResultLanguage::kJapanese;
    if (kind < 0 || kind >= Kind::kKindCount) return japanese ? "読めない値です" : "bad input";
    return japanese ? kTexts[kind].japanese : kTexts[kind].english;
}

}  // namespace tabrix
