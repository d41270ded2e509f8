#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>

#include "BatchFixture.h"
#include "batch/TElementSorter.h"
#include "batch/TTextRanker.h"

namespace tabrix::test {
namespace {

class SortTest : public BatchFixture {
protected:
    void Sort(const StringList& lines) { runner.RunBatchSetting({lines, 1, ""}); }
};

// Worked by hand through the quicksort: the median of elements 0, 8 and 16 (codes 5, 4, 3)
// is 4; partitioning swaps 0/16, 2/15, 5/13, 8/12, 9/11 and cuts at 11, leaving two short
// ranges; the insertion sort then keeps the partitioned order within each code. Up to sixteen
// elements, equal ones keep their places, descending too.
TEST_F(SortTest, EqualKeysEndInTheOrderTheQuicksortLeavesThem) {
    const struct {
        std::vector<std::uint32_t> codes;
        StringList lines;
        std::vector<std::string> labels;
    } cases[] = {
        {{5, 3, 5, 1, 3, 5, 2, 1, 4, 5, 3, 2, 1, 4, 5, 2, 3},
         {"[JudgeParam]1", "[GroupNo]0"},
         {"e3", "e7", "e12", "e15", "e6", "e11", "e16", "e1", "e4", "e10", "e13", "e8", "e9", "e5",
          "e14", "e2", "e0"}},
        {{2, 1, 2, 3, 1},
         {"[JudgeParam]1", "[GroupNo]0", "[Option]0"},
         {"e3", "e0", "e2", "e1", "e4"}},
    };
    for (const auto& c : cases) {
        Data(0).DeleteElements(0, Data(0).Size());
        for (std::size_t i = 0; i < c.codes.size(); ++i)
            Add(0, std::string("e").append(std::to_string(i)), c.codes[i]);
        Sort(c.lines);
        EXPECT_EQ(Labels(0), c.labels);
        for (std::size_t i = 0; i < Data(0).Size(); ++i)
            EXPECT_EQ(At(0, i).Index(), i);
    }
}

TEST_F(SortTest, MarksTheSortedGroupsAndPassesOverReadOnlyAndMissingOnes) {
    AddCodes(0, {3, 1, 2});
    AddCodes(1, {3, 1, 2});
    ClearMarks();
    Group(1).Set(TGroupSetting::kReadOnly, true);
    Sort({"[JudgeParam]1,99", "[GroupNo]7,1,0"});
    EXPECT_EQ(Codes(0), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_TRUE(Group(0).Has(TGroupSetting::kChanged));
    EXPECT_FALSE(Group(0).Has(TGroupSetting::kOutputDone));
    EXPECT_TRUE(data.IsModified());
    EXPECT_EQ(Codes(1), (std::vector<std::uint32_t>{3, 1, 2}));
    EXPECT_FALSE(Group(1).Has(TGroupSetting::kChanged));
    EXPECT_TRUE(Group(1).Has(TGroupSetting::kOutputDone));
    EXPECT_FALSE(Group(2).Has(TGroupSetting::kChanged));  // not named
}

TEST_F(SortTest, LaterKeysDecideWhenEarlierOnesAreEqual) {
    Add(0, "b", 1);
    Add(0, "a", 2);
    Add(0, "a", 1);
    Sort({"[JudgeParam]0,1", "[GroupNo]0"});
    EXPECT_EQ(Labels(0), (std::vector<std::string>{"a", "a", "b"}));
    EXPECT_EQ(Codes(0), (std::vector<std::uint32_t>{1, 2, 1}));
}

TEST_F(SortTest, TextsCompareAsUnsignedBytesUnlessFolded) {
    for (const char* label : {"ｂ", "ABC", "abd", "ＡＢＣ", "abc", "ab", "あ"})
        Add(0, label);
    Sort({"[JudgeParam]0", "[GroupNo]0"});
    EXPECT_EQ(Labels(0),
              (std::vector<std::string>{"ABC", "ab", "abc", "abd", "ＡＢＣ", "ｂ", "あ"}));

    // All foldings: ABC, abc and ＡＢＣ are one key (ａｂｃ) and keep their order; ｂ is
    // 0x8282 and あ becomes ア, 0x8341.
    Sort({"[JudgeParam]0", "[GroupNo]0", "[Option]1,1,1,1"});
    EXPECT_EQ(Labels(0),
              (std::vector<std::string>{"ab", "ABC", "abc", "ＡＢＣ", "abd", "ｂ", "あ"}));
}

// The elements' labels in the sorter's order, " = " between those it does not tell apart.
std::string Ranking(const TElementSorter& sorter, std::vector<TElement*> elements) {
    std::stable_sort(elements.begin(), elements.end(),
                     [&](TElement* a, TElement* b) { return sorter.SortPrecedes(*a, *b); });
    std::string out;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i) out += sorter.SortPrecedes(*elements[i - 1], *elements[i]) ? " < " : " = ";
        out += TextCodec::ToUtf8(elements[i]->Texts(kLabel)[0]);
    }
    return out;
}

TEST_F(SortTest, FoldingsMakeTextsEqualOnlyOnTheirOwnKey) {
    std::vector<TElement*> texts;
    for (const char* label : {"ABC", "abc", "ＡＢＣ", "あいう", "アイウ", "ｱｲｳ"})
        texts.push_back(&Add(0, label));
    const std::pair<unsigned, const char*> cases[] = {
        {kFoldNone, "ABC < abc < ＡＢＣ < あいう < アイウ < ｱｲｳ"},
        {kFoldCase, "ABC = abc < ＡＢＣ < あいう < アイウ < ｱｲｳ"},
        {kFoldWidth, "ABC = ＡＢＣ < abc < あいう < アイウ = ｱｲｳ"},
        {kFoldKana, "ABC < abc < ＡＢＣ < あいう = アイウ < ｱｲｳ"},
        {kFoldAll, "ABC = abc = ＡＢＣ < あいう = アイウ = ｱｲｳ"},
    };
    for (const auto& [folds, ranking] : cases)
        EXPECT_EQ(Ranking(TElementSorter(true, folds, {{kLabel, kTypeString}}), texts), ranking);
    // Folding affects only the comparison.
    EXPECT_EQ(TextCodec::ToUtf8(texts[5]->Texts(kLabel)[0]), "ｱｲｳ");
}

// Numbers by their type's signedness, no numbers stored reading as 0; single element references
// all alike.
TEST_F(SortTest, NumbersCompareByTheirTypesSignedness) {
    TElement& minus = Add(0, "minus", 0xFFFFFFFFu);
    TElement& plus = Add(0, "plus", 1);
    minus.SetNumbers(kPrice, {0xFFFFFFFFu});
    plus.SetNumbers(kPrice, {1});
    plus.SetElementRefs(kLink, {&minus});
    TElement& none = Add(0, "none");
    none.ResizeNumbers(0);
    const std::vector<TElement*> all = {&minus, &plus, &none};
    EXPECT_EQ(Ranking(TElementSorter(true, kFoldNone, {{kCode, kTypeUnsigned}}), all),
              "none < plus < minus");
    EXPECT_EQ(Ranking(TElementSorter(true, kFoldNone, {{kPrice, kTypeSigned}}), all),
              "minus < none < plus");
    EXPECT_EQ(Ranking(TElementSorter(true, kFoldNone, {{kLink, kTypeElementRef}}), all),
              "minus = plus = none");
}

TEST_F(SortTest, MissingListsComeFirstAscendingAndLastDescending) {
    TElement& missing = Add(0, "missing");
    TElement& empty = Add(0, "empty");
    TElement& one = Add(0, "one");
    TElement& two = Add(0, "two");
    empty.SetTexts(kTags, {});
    one.SetTexts(kTags, {Sj("b")});
    two.SetTexts(kTags, {Sj("a"), Sj("a")});
    ASSERT_LT(missing.TextCount(), static_cast<std::size_t>(kTags) + 1);
    Sort({"[JudgeParam]3", "[GroupNo]0"});
    EXPECT_EQ(Labels(0), (std::vector<std::string>{"missing", "empty", "one", "two"}));
    Sort({"[JudgeParam]3", "[GroupNo]0", "[Option]0"});
    EXPECT_EQ(Labels(0), (std::vector<std::string>{"two", "one", "empty", "missing"}));
}

TEST_F(SortTest, TwoMissingListsStopTheComparison) {
    TElement& a = Add(0, "a");
    TElement& b = Add(0, "b");
    // Neither stores the list; the label key after it is never asked.
    TElementSorter sorter(true, kFoldNone, {{kTags, kTypeStringArray}, {kLabel, kTypeString}});
    EXPECT_FALSE(sorter.SortPrecedes(a, b));
    EXPECT_FALSE(sorter.SortPrecedes(b, a));
    a.SetTexts(kTags, {});
    b.SetTexts(kTags, {});
    EXPECT_TRUE(sorter.SortPrecedes(a, b));  // equal lists: the label decides
}

// Number lists item by item, a shorter list first; reference arrays by their counts alone.
TEST_F(SortTest, NumberListsAndReferenceArrays) {
    TElement& shortList = Add(0, "short");
    TElement& longList = Add(0, "long");
    TElement& other = Add(0, "other");
    shortList.SetNumbers(kValues, {9});
    longList.SetNumbers(kValues, {1, 1});
    other.SetNumbers(kValues, {1, 2});
    shortList.SetElementRefs(kLinks, {&other});
    longList.SetElementRefs(kLinks, {&longList});
    other.SetElementRefs(kLinks, {&other, nullptr});
    const std::vector<TElement*> all = {&other, &longList, &shortList};
    EXPECT_EQ(Ranking(TElementSorter(true, kFoldNone, {{kValues, kTypeUnsignedArray}}), all),
              "short < long < other");
    EXPECT_EQ(Ranking(TElementSorter(true, kFoldNone, {{kLinks, kTypeElementRefArray}}), all),
              "long = short < other");
}

TEST_F(SortTest, GroupReferencesToNoGroupComeFirstInBothDirections) {
    AddCodes(1, {1, 2, 3});
    AddCodes(2, {1});
    Add(0, "none");
    TElement& big = Add(0, "big");
    TElement& small = Add(0, "small");
    big.SetGroupRefs(kOwner, {&Group(1)});
    small.SetGroupRefs(kOwner, {&Group(2)});
    Sort({"[JudgeParam]6", "[GroupNo]0"});
    EXPECT_EQ(Labels(0), (std::vector<std::string>{"none", "small", "big"}));
    Sort({"[JudgeParam]6", "[GroupNo]0", "[Option]0"});
    EXPECT_EQ(Labels(0), (std::vector<std::string>{"none", "big", "small"}));
}

// Large inputs are sorted on two threads: the order, equal keys included, is the one-thread one.
TEST(SortPositionsTest, ConsistentComparisonsSortLargeRandomInput) {
    std::mt19937 random(7);
    const std::size_t parallelSize = TElementSorter::ParallelSortSize();
    for (std::size_t n : {0u, 1u, 16u, 17u, 1000u, 50000u, 200000u}) {
        std::vector<std::uint32_t> keys(n);
        for (auto& key : keys)
            key = random() % 50;
        std::vector<std::uint32_t> order(n);
        std::iota(order.begin(), order.end(), 0u);
        std::vector<std::uint32_t> oneThread = order;
        auto less = [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; };
        TElementSorter::SortPositions(order, less);
        TElementSorter::SetParallelSortSize(SIZE_MAX);
        TElementSorter::SortPositions(oneThread, less);
        TElementSorter::SetParallelSortSize(parallelSize);
        ASSERT_EQ(order, oneThread) << n;
        std::vector<std::uint32_t> seen = order;
        std::sort(seen.begin(), seen.end());
        for (std::uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(seen[i], i);
        EXPECT_TRUE(
            std::is_sorted(order.begin(), order.end(),
                           [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; }));
    }
}

// One string key is sorted through the ranks of its texts. Random texts of bytes that fold,
// zero bytes and lengths across several sixteen-byte chunks, many repeated, some alike far: the
// ranks agree with comparing the texts, and the order is the one of the path that compares texts
// (taken when a second key that never decides is added), equal keys included, on one thread or
// more.
TEST(SortPositionsTest, RankedTextsOrderAsComparedTexts) {
    std::mt19937 random(5);
    const char bytes[] = {'\0', ' ', 'A', 'a', '\x82', '\xA0', '\xB6', '\xDE', '\xFF'};
    std::vector<std::string> pool(400);
    for (std::string& text : pool) {
        text.resize(random() % 41);
        for (char& byte : text)
            byte = bytes[random() % sizeof bytes];
        if (random() % 8 == 0) text.insert(0, 100 + random() % 60, 'x');  // alike for long
    }
    const std::size_t parallelSize = TElementSorter::ParallelSortSize();
    for (std::size_t n : {0u, 1u, 2u, 17u, 3000u, 40000u}) {
        std::vector<std::unique_ptr<TElement>> elements;
        std::vector<std::string_view> texts;
        for (std::size_t i = 0; i < n; ++i) {
            elements.push_back(std::make_unique<TElement>());
            elements.back()->SetTexts(0, {pool[random() % pool.size()]});
            texts.push_back(elements.back()->Texts(0)[0]);
        }
        for (std::size_t threshold : {SIZE_MAX, std::size_t{1000}}) {
            SCOPED_TRACE(testing::Message() << n << " texts, parts from " << threshold);
            const std::vector<std::uint32_t> ranks = TTextRanker::Rank(texts, threshold);
            for (std::size_t k = 0; k + 1 < n; ++k) {
                const std::size_t a = random() % n, b = random() % n;
                ASSERT_EQ(ranks[a] < ranks[b], texts[a] < texts[b]) << a << " " << b;
                ASSERT_EQ(ranks[a] == ranks[b], texts[a] == texts[b]) << a << " " << b;
            }
            TElementSorter::SetParallelSortSize(threshold);
            for (unsigned folds : {unsigned{kFoldNone}, unsigned{kFoldAll}}) {
                for (bool ascending : {true, false}) {
                    TElementSorter ranked(ascending, folds, {{0, kTypeString}});
                    TElementSorter compared(ascending, folds,
                                            {{0, kTypeString}, {1, kTypeElementRef}});
                    ASSERT_EQ(ranked.Order(elements), compared.Order(elements))
                        << folds << " " << ascending;
                }
            }
            TElementSorter::SetParallelSortSize(parallelSize);
        }
    }
}

TEST(SortPositionsTest, ContradictoryComparisonsStayInsideTheRange) {
    // Always true, always false and random verdicts: the scans must not run off either end
    // (the sanitizer build checks every access) and the result stays a permutation.
    std::mt19937 random(11);
    std::vector<std::function<bool(std::uint32_t, std::uint32_t)>> comparisons = {
        [](std::uint32_t, std::uint32_t) { return true; },
        [](std::uint32_t, std::uint32_t) { return false; },
        [&](std::uint32_t, std::uint32_t) { return random() % 2 == 0; },
    };
    for (const auto& precedes : comparisons) {
        std::vector<std::uint32_t> order(3000);
        std::iota(order.begin(), order.end(), 0u);
        TElementSorter::SortPositions(order, precedes);
        std::sort(order.begin(), order.end());
        for (std::uint32_t i = 0; i < order.size(); ++i)
            ASSERT_EQ(order[i], i);
    }
}

}  // namespace
}  // namespace tabrix::test
