#include <gtest/gtest.h>

#include "FormatFixture.h"
#include "model/TGroupSetting.h"

namespace tabrix {
namespace {

using namespace test;

class EvaluatorTest : public FormatFixture {
protected:
    Events RunEvents(const std::string& utf8, const TElement* element, int* result = nullptr) {
        sink.events.clear();
        int r = Run(utf8, element);
        if (result) *result = r;
        return sink.events;
    }
    // Runs the rows of tests/data/format/evaluate.tsv with the tag.
    void ExpectRows(const std::string& tag) {
        int rows = 0;
        for (const auto& row : ReadTable("format/evaluate.tsv")) {
            if (row.at(0) != tag) continue;
            ++rows;
            const std::string& name = row.at(1);
            const TElement* element =
                name == "-" ? nullptr : (name[0] == 'A' ? first : second)->At(name[1] - '0');
            int result = -1;
            std::string events;
            for (const std::string& event : RunEvents(row.at(2), element, &result))
                events.append(events.empty() ? "" : "¦").append(event);
            EXPECT_EQ(events, row.at(3)) << row[2];
            EXPECT_EQ(std::to_string(result), row.at(4)) << row[2];
        }
        EXPECT_GT(rows, 0) << tag;
    }
};

// Counts events without keeping them, for runs that produce a great many.
class CountingSink : public TFormatSink {
public:
    int Send(SinkEvent, std::string_view, std::uint32_t) override {
        ++count;
        return kReplyContinue;
    }
    std::size_t count = 0;
};

TEST_F(EvaluatorTest, ValuesWordsAndEdits) {
    SetName(A(0), "abc");
    A(0).SetNumbers(kPrice, {static_cast<std::uint32_t>(-5)});
    A(0).SetNumbers(kCount, {4294967291u});
    A(0).SetNumbers(kFlag, {1});
    library.FreeText() = {Sj("一"), Sj("二")};
    ExpectRows("plain");
    ExpectRows("words");
    A(2).SetOutputFlag(0);
    EXPECT_EQ(RunEvents("%IS_OUTPUT%", &A(2)), (Events{"U:0"}));
    A(0).SetNumbers(kPrice, {static_cast<std::uint32_t>(-6)});
    A(0).SetNumbers(kCount, {0});
    ExpectRows("edit");
    SetName(A(0), "富士山");
    SetName(A(1), "川");
    ExpectRows("contains");
}

TEST_F(EvaluatorTest, ConditionsAndBlocks) {
    SetName(A(0), "abc");
    SetName(A(1), "abd");
    A(0).SetNumbers(kCount, {200});
    A(0).SetNumbers(kPrice, {static_cast<std::uint32_t>(-3)});
    ExpectRows("conditions");
    SetName(A(1), "200");
    A(1).SetNumbers(kCount, {200});
    ExpectRows("text-number");
    A(0).SetTexts(kArray, {"a", "b", "c"});
    Param(kArray).OutputFormat() = {};
    ExpectRows("blocks");
}

TEST_F(EvaluatorTest, ArraysAndReferencesRenderThroughTheirOwnFormats) {
    A(0).SetTexts(kArray, {Sj("甲"), Sj("乙")});
    SetOwnFormat(kArray, "%WHILE,配列%%配列%%配列->INDEX%、%WEND%");
    A(1).SetNumbers(kNumbers, {static_cast<std::uint32_t>(-7), 8});
    SetOwnFormat(kNumbers, "%WHILE,数列%%数列%;%WEND%");
    ExpectRows("arrays");
    SetName(A(1), "target");
    A(1).SetNumbers(kPrice, {42});
    A(0).SetElementRefs(kRef, {&A(1)});
    SetOwnFormat(kRef, "(%名称%)");
    ExpectRows("reference");
    SetName(B(0), "b0");
    SetName(B(1), "b1");
    A(0).SetElementRefs(kRefArray, {&B(0), &B(1)});
    A(1).SetElementRefs(kRefArray, {nullptr, &B(1)});
    SetOwnFormat(kRefArray, "%名称%,");
    ExpectRows("references");
    A(0).SetGroupRefs(kGroupRef, {groupB});
    SetOwnFormat(kGroupRef, "<%名称%>");
    ExpectRows("group");
}

TEST_F(EvaluatorTest, Operator) {
    const int u = kValueUnsigned, s = kValueSigned, t = kValueText;
    const auto minus1 = static_cast<std::uint32_t>(-1);
    const struct {
        int kind;
        std::string left;
        std::uint32_t leftNumber;
        int op;
        std::string right;
        std::uint32_t rightNumber;
        bool ok;
        std::uint32_t result;
    } cases[] = {
        {u, "", 1, kOpShiftRight, "", 33, true, 0},
        {u, "", 5, kOpComplement, "", 0, true, ~5u},
        {u, "", 5, kOpRemainder, "", 0, false, 0},
        {u, "", 5, kOpChain, "", 0, false, 0},
        // Ordering is signed only when the left operand is signed.
        {s, "", minus1, kOpLess, "", 1, true, 1},
        {u, "", minus1, kOpLess, "", 1, true, 0},
        // Texts compare bytes as unsigned values; a match never starts on the second byte of a
        // double-byte character.
        {t, Sj("あ"), 0, kOpGreater, "z", 0, true, 1},
        {t, "ab", 0, kOpLessEqual, "ab", 0, true, 1},
        {t, Sj("表"), 0, kOpContains, "\\", 0, true, 0},
        {t, Sj("ab表"), 0, kOpContains, Sj("表"), 0, true, 1},
        {t, "", 0, kOpContains, "", 0, true, 1},
    };
    for (const auto& c : cases) {
        std::uint32_t r = 0;
        EXPECT_EQ(TFormatEvaluator::Operator(c.kind, c.left, c.leftNumber, c.op, c.right,
                                             c.rightNumber, r),
                  c.ok)
            << c.op;
        EXPECT_EQ(r, c.result) << c.op;
    }
}

TEST_F(EvaluatorTest, SinkRepliesSkipTheLineOrStop) {
    SetName(A(0), "n");
    sink.replies = {kReplySkipLine};
    // Skipping passes over values and whole blocks; COLOR and the wrap switches still go out;
    // the line break that ends the skip is not sent.
    Run("a%名称%%IF_EXIST,名称%b%END_IF%%COLOR,FF%%NO_WRAP%%\\n%c", &A(0));
    EXPECT_EQ(sink.events, (Events{"T:a", "C:255", "N", "T:c"}));
    sink.events.clear();
    sink.replies = {kReplyContinue, kReplyStop};
    EXPECT_EQ(Run("a%名称%b", &A(0)), kRunCompleted);
    EXPECT_EQ(sink.events, (Events{"T:a", "T:n"}));
}

TEST_F(EvaluatorTest, MutualReferencesStopAtTheNestingLimit) {
    SetName(A(0), "a");
    SetName(A(1), "b");
    A(0).SetElementRefs(kRef, {&A(1)});
    A(1).SetElementRefs(kRef, {&A(0)});
    SetOwnFormat(kRef, "%名称%%参照%");
    int result = 0;
    Events events = RunEvents("%参照%", &A(0), &result);
    EXPECT_EQ(result, kRunLimitReached);
    ASSERT_EQ(events.size(), static_cast<std::size_t>(TFormatEvaluator::kMaxFormatNesting));
    EXPECT_EQ(events.front(), "T:b");
    EXPECT_EQ(events[1], "T:a");
}

TEST_F(EvaluatorTest, BranchingReferencesStopWhenTheStepBudgetIsSpent) {
    // A chain of five elements without a cycle, each level running the next 200 times: 200^4
    // runs, none of them deeper than the nesting limit.
    A(0).SetElementRefs(kRef, {&A(1)});
    A(1).SetElementRefs(kRef, {&A(2)});
    A(2).SetElementRefs(kRef, {&B(0)});
    B(0).SetElementRefs(kRef, {&B(1)});
    std::string branching;
    for (int i = 0; i < 200; ++i)
        branching += "%参照%";
    SetOwnFormat(kRef, branching);
    CountingSink counter;
    TFormatEvaluator evaluator(library, counter, kPurposeOutput);
    EXPECT_EQ(evaluator.RunTopLevel(&A(0), Compile("%参照%")), kRunLimitReached);
    EXPECT_GE(evaluator.StepBudget(), TFormatEvaluator::kBaseSteps);
}

TEST_F(EvaluatorTest, EndlessLoopsStopAtTheIterationLimit) {
    A(0).SetNumbers(kCount, {1});
    CountingSink counter;
    TFormatEvaluator evaluator(library, counter, kPurposeOutput);
    EXPECT_EQ(evaluator.RunTopLevel(&A(0), Compile("%WHILE,個数%x%WEND%")), kRunLimitReached);
    EXPECT_EQ(counter.count, TFormatEvaluator::kMaxLoopIterations + 1);
    // A new top-level run starts with a fresh budget.
    counter.count = 0;
    EXPECT_EQ(evaluator.RunTopLevel(&A(0), Compile("%WHILE,個数%%BREAK%%WEND%ok")), kRunCompleted);
    EXPECT_EQ(counter.count, 1u);
}

// A cell is painted on every repaint, so a drawing run has a small budget of its own: an endless
// loop that draws nothing (the sink never stops it) ends within the budget, and sooner when it
// compares long texts, while a cell that draws many items is not cut.
TEST_F(EvaluatorTest, DrawingRunsStopWithinTheirStepBudget) {
    A(0).SetNumbers(kCount, {1});
    std::vector<std::string> items(1000, "i");
    A(0).SetTexts(kArray, StringList(items.begin(), items.end()));
    A(0).SetTexts(kName, {std::string(640'000, 'n')});
    SetOwnFormat(kArray, "%WHILE,配列%%配列%%WEND%");
    struct Case {
        const char* format;
        int result;
        std::size_t maxEvents;
    };
    for (const Case& c : {Case{"%WHILE,個数%%WEND%", kRunLimitReached, 0},
                          Case{"%WHILE,個数%%参照->名称%%WEND%", kRunLimitReached, 20'000},
                          Case{"%WHILE,個数%%IF,名称,==,x%%END_IF%y%WEND%", kRunLimitReached, 3},
                          Case{"%WHILE,個数%%EDIT(<:,名称,x)%%WEND%", kRunLimitReached, 3},
                          Case{"%配列%", kRunCompleted, 1000}}) {
        SCOPED_TRACE(c.format);
        CountingSink counter;
        TFormatEvaluator evaluator(library, counter, kPurposeDraw);
        EXPECT_EQ(evaluator.RunTopLevel(&A(0), Compile(c.format)), c.result);
        EXPECT_LE(evaluator.Steps(),
                  TFormatEvaluator::kDrawSteps + 640'000 / TFormatEvaluator::kBytesPerStep + 1);
        EXPECT_LE(counter.count, c.maxEvents);
    }
    library.ParameterFile()->DrawCode() = Compile("%WHILE,個数%%WEND%");
    CountingSink counter;
    EXPECT_EQ(TFormatEvaluator::DrawElement(library, *groupA, 0, counter, kPurposeDraw),
              kRunLimitReached);
}

TEST_F(EvaluatorTest, DrawElementPicksTheFormatByPurpose) {
    SetName(A(1), "x");
    TFormatCompiler(library).Compile({Sj("d%名称%")}, library.ParameterFile()->DrawCode());
    TFormatCompiler(library).Compile({Sj("o%名称%")}, library.ParameterFile()->OutputCode());
    EXPECT_EQ(TFormatEvaluator::DrawElement(library, *groupA, 1, sink, kPurposeDraw), 0);
    EXPECT_EQ(sink.events, (Events{"B", "T:d", "T:x"}));
    sink.events.clear();
    TFormatEvaluator::DrawElement(library, *groupA, 1, sink, kPurposeOutput);
    EXPECT_EQ(sink.events, (Events{"T:o", "T:x"}));
    sink.events.clear();
    EXPECT_EQ(TFormatEvaluator::DrawElement(library, *groupA, 1, sink, 3), 0);
    EXPECT_TRUE(sink.events.empty());
}

}  // namespace
}  // namespace tabrix
