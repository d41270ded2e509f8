#include "batch/TElementFinder.h"

#include <gtest/gtest.h>

#include "BatchFixture.h"
#include "model/TextCodec.h"

namespace tabrix::test {
namespace {

constexpr std::size_t kChoice = kBatchParamCount;  // a selection parameter beside the fixture's
using Options = TElementFinder::Options;
using Kind = TElementFinder::Problem::Kind;

class TElementFinderTest : public BatchFixture {
protected:
    TElementFinderTest() {
        TParameter* choice = library.ParameterFile()->AddParameter();
        choice->SetType(kTypeListSelection);
        choice->Selection() = {Sj("赤"), Sj(""), Sj("Blue")};
    }

    // One element in group 0 holding a value of each searched kind.
    TElement& AddFull(const std::string& label) {
        TElement& e = Add(0, label, 120);
        e.SetNumbers(kPrice, {static_cast<std::uint32_t>(-35)});
        e.SetTexts(kTags, {Sj("一つ目"), Sj("ﾀﾞﾌﾞﾙ")});
        e.SetNumbers(kValues, {7, 8});
        e.SetNumbers(kChoice, {0});
        e.ResizeNumbers(kChoice + 1);
        return e;
    }

    TElementFinder::Problem Set(const Options& options) { return finder.SetOptions(options); }

    TElementFinder finder{*library.ParameterFile()};
};

TEST_F(TElementFinderTest, MatchesEverySearchedKindWithTheFoldingsAndTheValueRule) {
    TElement& e = AddFull("Tabrix エディタ");
    const struct {
        const char* text;
        unsigned folds;
        bool whole;
        bool regex;
        std::vector<std::size_t> params;
        bool matches;
    } cases[] = {
        {"rix", kFoldNone, false, false, {}, true},
        {"RIX", kFoldNone, false, false, {}, false},
        {"RIX", kFoldCase, false, false, {}, true},
        {"ｒｉｘ", kFoldWidth, false, false, {}, true},  // full width found in half width
        {"えでぃた", kFoldKana, false, false, {}, true},
        {"ＴＡＢＲＩＸ　えでぃた", kFoldAll, true, false, {}, true},
        {"Tabrix", kFoldNone, true, false, {}, false},  // whole value: the label is longer
        {"ダブル", kFoldWidth, true, false, {}, true},  // an array item, voiced mark composed
        {"12", kFoldNone, false, false, {}, true},      // the unsigned 120
        {"-35", kFoldNone, true, false, {}, true},      // signed as signed
        {"4294967261", kFoldNone, false, false, {}, false},
        {"8", kFoldNone, true, false, {kValues}, true},  // an unsigned array item
        {"赤", kFoldNone, true, false, {}, true},        // a selection by its name
        {"赤", kFoldNone, false, false, {kLabel, kTags}, false},
        {"^Tab.*タ$", kFoldNone, false, true, {}, true},
        {"tab", kFoldCase, false, true, {}, true},
        {"tab", kFoldNone, false, true, {}, false},
        {"\\d{3}", kFoldNone, true, true, {}, true},
        {"一つ", kFoldNone, true, true, {}, false},  // anchored to the whole item
    };
    for (const auto& c : cases) {
        Options options{c.text, "", c.params, c.folds, c.whole, c.regex};
        ASSERT_EQ(Set(options).kind, Kind::kNone) << c.text;
        EXPECT_EQ(finder.Matches(e), c.matches) << c.text;
    }
}

TEST_F(TElementFinderTest, MatchesOnlyOnCharacterBoundaries) {
    // ソ is 0x83 0x5C: its second byte is a backslash, and "ポ" ends in the byte of "|".
    Add(0, "ソポ");
    for (const char* text : {"\\", "|"}) {
        ASSERT_EQ(Set({text, "", {}, kFoldNone, false, false}).kind, Kind::kNone);
        EXPECT_EQ(finder.AllMatches(Data(0)), std::vector<std::size_t>{}) << text;
    }
    ASSERT_EQ(Set({"ポ", "", {}, kFoldNone, false, false}).kind, Kind::kNone);
    EXPECT_EQ(finder.AllMatches(Data(0)), std::vector<std::size_t>{0});
    // A search goes on past a place where only part of the needle stands.
    Add(0, "ソポポソ");
    ASSERT_EQ(Set({"ポソ", "", {}, kFoldNone, false, false}).kind, Kind::kNone);
    EXPECT_EQ(finder.AllMatches(Data(0)), std::vector<std::size_t>{1});
}

TEST_F(TElementFinderTest, NextWrapsAcrossTheGroupsBothWays) {
    for (const char* label : {"a1", "b", "a2"})
        Add(0, label);
    Add(1, "b");
    Add(2, "a3");
    ASSERT_EQ(Set({"a", "", {}, kFoldNone, false, false}).kind, Kind::kNone);
    const std::vector<const TGroupData*> all = {&Data(0), &Data(1), &Data(2)};
    const struct {
        std::optional<TElementFinder::Place> from;
        bool forward;
        std::size_t group, element;
        bool wrapped;
    } cases[] = {
        {std::nullopt, true, 0, 0, false}, {std::nullopt, false, 2, 0, false},
        {{{0, 0}}, true, 0, 2, false},     {{{0, 2}}, true, 2, 0, false},
        {{{2, 0}}, true, 0, 0, true},      {{{0, 0}}, false, 2, 0, true},
        {{{1, 0}}, false, 0, 2, false},
    };
    for (const auto& c : cases) {
        const auto found = finder.Next(all, c.from, c.forward);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->place.group, c.group);
        EXPECT_EQ(found->place.element, c.element);
        EXPECT_EQ(found->wrapped, c.wrapped);
    }
    // One group alone: the only match is found again from itself, having wrapped.
    const auto self = finder.Next({&Data(2)}, TElementFinder::Place{0, 0}, true);
    ASSERT_TRUE(self);
    EXPECT_TRUE(self->wrapped);
    ASSERT_EQ(Set({"zzz", "", {}, kFoldNone, false, false}).kind, Kind::kNone);
    EXPECT_FALSE(finder.Next(all, std::nullopt, true));
}

TEST_F(TElementFinderTest, ReplacesEveryMatchOfTheTextValuesOnly) {
    const struct {
        const char* label;
        const char* text;
        const char* replacement;
        unsigned folds;
        bool whole;
        bool regex;
        const char* result;  // null: the label does not change
    } cases[] = {
        {"abcabc", "b", "XY", kFoldNone, false, false, "aXYcaXYc"},
        {"ABCabc", "b", "-", kFoldCase, false, false, "A-Ca-c"},
        {"ｶﾞｲﾄﾞ本", "ガイド", "案内", kFoldWidth, false, false, "案内本"},
        {"ｱﾞ", "ア", "x", kFoldWidth, false, false, nullptr},  // half of a unit folded as one
        {"AbcＡＢＣ", "abc", "z", kFoldAll, false, false, "zz"},
        {"ひらがな", "ガ", "カ", kFoldKana, false, false, "ひらカな"},
        {"abc", "ab", "z", kFoldNone, true, false, nullptr},
        {"abc", "ABC", "z", kFoldCase, true, false, "z"},
        {"年2026月12", "(\\D+)(\\d+)", "$2$1", kFoldNone, false, true, "2026年12月"},
        {"Tabrix", "^t", "t", kFoldCase, false, true, "tabrix"},
        {"ソ表", "表", "", kFoldNone, false, false, "ソ"},
    };
    for (const auto& c : cases) {
        TElement& e = Add(0, c.label, 7);
        e.SetTexts(kTags, {Sj(c.label), Sj("-")});
        ASSERT_EQ(Set({c.text, c.replacement, {}, c.folds, c.whole, c.regex}).kind, Kind::kNone);
        const TElementFinder::Replaced replaced = finder.ReplaceIn(e);
        EXPECT_TRUE(replaced.refused.empty() && replaced.error.empty());
        if (!c.result) {
            EXPECT_TRUE(replaced.values.empty()) << c.label;
            continue;
        }
        ASSERT_EQ(replaced.values.size(), 2u) << c.label;  // the label and the array item
        EXPECT_EQ(replaced.values[0].param, kLabel);
        EXPECT_EQ(TextCodec::ToUtf8(replaced.values[0].texts.at(0)), c.result) << c.label;
        EXPECT_EQ(replaced.values[1].texts, (TextList{Sj(c.result), "-"}));
    }
    // Numbers match but are never replaced.
    ASSERT_EQ(Set({"7", "8", {}, kFoldNone, false, false}).kind, Kind::kNone);
    EXPECT_TRUE(finder.Matches(*Data(0).At(0)));
    EXPECT_TRUE(finder.ReplaceIn(*Data(0).At(0)).values.empty());
}

TEST_F(TElementFinderTest, RefusesWhatCannotBeSearchedOrStored) {
    const struct {
        const char* text;
        const char* replacement;
        bool regex;
        Kind kind;
        const char* character;
        std::size_t offset;
    } cases[] = {
        {"", "", false, Kind::kEmptyText, "", 0},
        {"表(a", "", true, Kind::kBadPattern, "", 3},  // at the end: 3 characters in
        {"a", "x😀y", false, Kind::kNotCp932, "😀", 0},
        {"a", "\xE2\x82\xAC", true, Kind::kNotCp932, "\xE2\x82\xAC", 0},  // the euro sign
        {"한", "", false, Kind::kNotCp932, "한", 0},
    };
    Add(0, "a");
    for (const auto& c : cases) {
        const TElementFinder::Problem problem = Set({c.text, c.replacement, {}, 0, false, c.regex});
        EXPECT_EQ(problem.kind, c.kind) << c.text;
        EXPECT_EQ(problem.character, c.character);
        EXPECT_EQ(problem.offset, c.offset);
        EXPECT_EQ(problem.kind == Kind::kBadPattern, !problem.message.empty());
        EXPECT_FALSE(finder.Matches(*Data(0).At(0)));
    }
}

}  // namespace
}  // namespace tabrix::test
