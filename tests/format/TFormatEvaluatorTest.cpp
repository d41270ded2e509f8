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
    int ResultOf(const std::string& utf8, const TElement* element) {
        sink.events.clear();
        return Run(utf8, element);
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

TEST_F(EvaluatorTest, PlainValues) {
    SetName(A(0), "abc");
    A(0).SetNumbers(kPrice, {static_cast<std::uint32_t>(-5)});
    A(0).SetNumbers(kCount, {4294967291u});
    A(0).SetNumbers(kFlag, {1});
    EXPECT_EQ(RunEvents("[%名称%]%価格%,%個数%,%可否%", &A(0)),
              (Events{"T:[", "T:abc", "T:]", "S:-5", "T:,", "U:4294967291", "T:,", "U:1"}));
    // No stored item: empty text and zero.
    EXPECT_EQ(RunEvents("%名称%%価格%", &A(1)), (Events{"T:", "S:0"}));
    EXPECT_EQ(RunEvents("%INDEX%%IS_OUTPUT%", &A(2)), (Events{"U:2", "U:1"}));
    A(2).SetOutputFlag(0);
    EXPECT_EQ(RunEvents("%IS_OUTPUT%", &A(2)), (Events{"U:0"}));
    // Without an element a reference is unsigned 0.
    EXPECT_EQ(RunEvents("%名称%", nullptr), (Events{"U:0"}));
}

TEST_F(EvaluatorTest, GroupAndLibraryWords) {
    library.FreeText() = {Sj("一"), Sj("二")};
    EXPECT_EQ(RunEvents("%CNG_GROUP->NAME%:%CNG_GROUP->SIZE%", &B(0)),
              (Events{"T:グループB", "T::", "U:2"}));
    EXPECT_EQ(RunEvents("%CNG_LIBRARY->FREE_TEXT->1%|%CNG_LIBRARY->FREE_TEXT->5%", &A(0)),
              (Events{"T:二", "T:|", "T:"}));
    int result = 0;
    EXPECT_EQ(RunEvents("a%CNG_GROUP%b", &A(0), &result), (Events{"T:a"}));
    EXPECT_EQ(result, kRunExpressionFailed);
}

TEST_F(EvaluatorTest, EditArithmetic) {
    A(0).SetNumbers(kPrice, {static_cast<std::uint32_t>(-6)});
    A(0).SetNumbers(kCount, {0});
    EXPECT_EQ(RunEvents("%EDIT(/, 価格, 3)%", &A(0)), (Events{"U:1431655763"}));
    EXPECT_EQ(RunEvents("%EDIT(-, 個数, 1)%", &A(0)), (Events{"U:4294967295"}));
    EXPECT_EQ(RunEvents("%EDIT(+, 価格, 10)%", &A(0)), (Events{"U:4"}));
    EXPECT_EQ(RunEvents("%EDIT(<<, 価格, 33)%", &A(0)), (Events{"U:4294967284"}));
    EXPECT_EQ(RunEvents("%EDIT(\\%, EDIT(+, 個数, 17), 5)%", &A(0)), (Events{"U:2"}));
    int result = 0;
    EXPECT_EQ(RunEvents("x%EDIT(+, 名称, 10)%y", &A(0), &result), (Events{"T:x"}));
    EXPECT_EQ(result, kRunExpressionFailed);
    // Division and remainder by zero fail the run instead of producing a value.
    EXPECT_EQ(RunEvents("x%EDIT(/, 価格, 0)%y", &A(0), &result), (Events{"T:x"}));
    EXPECT_EQ(result, kRunExpressionFailed);
    EXPECT_EQ(ResultOf("%EDIT(\\%, 価格, 個数)%", &A(0)), kRunExpressionFailed);
}

TEST_F(EvaluatorTest, EditContainmentAndFunctionsWithoutValue) {
    SetName(A(0), "富士山");
    SetName(A(1), "川");
    EXPECT_EQ(RunEvents("%EDIT(<:, 名称,山)%%EDIT(<:, 名称, 山)%", &A(0)), (Events{"U:1", "U:0"}));
    EXPECT_EQ(RunEvents("%EDIT(<:, 名称,山)%", &A(1)), (Events{"U:0"}));
    EXPECT_EQ(RunEvents("%EDIT(>:, 名称,大きな川です)%%EDIT(<!, 名称,)%", &A(1)),
              (Events{"U:1", "U:0"}));
    int result = 0;
    EXPECT_EQ(RunEvents("%EDIT(CHAIN,名称,x)%abc", &A(0), &result), (Events{}));
    EXPECT_EQ(result, kRunExpressionFailed);
    EXPECT_EQ(ResultOf("%EDIT(REPLACE,名称,(a),b)%", &A(0)), kRunExpressionFailed);
    EXPECT_EQ(ResultOf("%EDIT(~,価格)%", &A(0)), kRunExpressionFailed);
    // TO is passed over at statement level.
    EXPECT_EQ(RunEvents("%TO(UPPER,名称)%z", &A(0), &result), (Events{"T:z"}));
    EXPECT_EQ(result, kRunCompleted);
}

TEST_F(EvaluatorTest, Operator) {
    std::uint32_t r = 0;
    const auto u = kValueUnsigned;
    const auto s = kValueSigned;
    const auto t = kValueText;
    EXPECT_TRUE(TFormatEvaluator::Operator(u, {}, 1, kOpShiftRight, {}, 33, r));
    EXPECT_EQ(r, 0u);
    EXPECT_TRUE(TFormatEvaluator::Operator(u, {}, 5, kOpComplement, {}, 0, r));
    EXPECT_EQ(r, ~5u);
    EXPECT_FALSE(TFormatEvaluator::Operator(u, {}, 5, kOpRemainder, {}, 0, r));
    EXPECT_FALSE(TFormatEvaluator::Operator(u, {}, 5, kOpChain, {}, 0, r));
    // Ordering is signed only when the left operand is signed.
    EXPECT_TRUE(
        TFormatEvaluator::Operator(s, {}, static_cast<std::uint32_t>(-1), kOpLess, {}, 1, r));
    EXPECT_EQ(r, 1u);
    EXPECT_TRUE(
        TFormatEvaluator::Operator(u, {}, static_cast<std::uint32_t>(-1), kOpLess, {}, 1, r));
    EXPECT_EQ(r, 0u);
    // Texts compare bytes as unsigned values.
    EXPECT_TRUE(TFormatEvaluator::Operator(t, Sj("あ"), 0, kOpGreater, "z", 0, r));
    EXPECT_EQ(r, 1u);
    EXPECT_TRUE(TFormatEvaluator::Operator(t, "ab", 0, kOpLessEqual, "ab", 0, r));
    EXPECT_EQ(r, 1u);
    // A match never starts on the second byte of a double-byte character.
    EXPECT_TRUE(TFormatEvaluator::Operator(t, Sj("表"), 0, kOpContains, "\\", 0, r));
    EXPECT_EQ(r, 0u);
    EXPECT_TRUE(TFormatEvaluator::Operator(t, Sj("ab表"), 0, kOpContains, Sj("表"), 0, r));
    EXPECT_EQ(r, 1u);
    EXPECT_TRUE(TFormatEvaluator::Operator(t, "", 0, kOpContains, "", 0, r));
    EXPECT_EQ(r, 1u);
}

TEST_F(EvaluatorTest, Conditions) {
    SetName(A(0), "abc");
    SetName(A(1), "abd");
    EXPECT_EQ(RunEvents("%IF,名称,==,abc%x%END_IF%.", &A(0)), (Events{"T:x", "T:."}));
    EXPECT_EQ(RunEvents("%IF,名称,==,abc%x%END_IF%.", &A(1)), (Events{"T:."}));
    EXPECT_EQ(RunEvents("%IF,名称,==, abc%x%END_IF%", &A(0)), (Events{}));
    EXPECT_EQ(RunEvents("%IF,名称,<,名称%x%END_IF%%IF,名称,>=,名称%y%END_IF%", &A(0)),
              (Events{"T:y"}));
    EXPECT_EQ(RunEvents("%IF_EMPTY, 名称%(なし)%END_IF%", &A(2)), (Events{"T:(なし)"}));
    EXPECT_EQ(RunEvents("%IF_EXIST, 名称%有%END_IF%", &A(2)), (Events{}));
    // A number against text reads the text as a number of the left operand's kind, 0 if none.
    A(0).SetNumbers(kCount, {200});
    A(0).SetNumbers(kPrice, {static_cast<std::uint32_t>(-3)});
    EXPECT_EQ(RunEvents("%IF,個数,==,200%a%END_IF%%IF,個数,>,0x10%b%END_IF%", &A(0)),
              (Events{"T:a", "T:b"}));
    EXPECT_EQ(RunEvents("%IF,価格,<,-2%c%END_IF%%IF,価格,<,abc%d%END_IF%", &A(0)),
              (Events{"T:c", "T:d"}));
    // Text against a number compares with the number's decimal text.
    SetName(A(0), "200");
    EXPECT_EQ(RunEvents("%IF,名称,==,個数%e%END_IF%", &A(0)), (Events{"T:e"}));
}

TEST_F(EvaluatorTest, MalformedBlocksAndBreaks) {
    A(0).SetTexts(kArray, {"a", "b", "c"});
    EXPECT_EQ(ResultOf("x%WHILE,配列%", &A(0)), kRunMalformedBlock);
    EXPECT_EQ(ResultOf("%IF_EMPTY,名称%", &A(0)), kRunMalformedBlock);
    EXPECT_EQ(ResultOf("%BREAK%", &A(0)), kRunBreakWithoutLoop);
    // BREAK continues after its loop's WEND; the items taken so far stay taken.
    Param(kArray).OutputFormat() = {};
    EXPECT_EQ(RunEvents("%WHILE,配列%[%配列->INDEX%]%BREAK%%WEND%end", &A(0)),
              (Events{"T:[", "U:0", "T:]", "T:end"}));
    // An error node produces nothing and does not end the run.
    EXPECT_EQ(RunEvents("%名称->x%after", &A(0)), (Events{"T:after"}));
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

TEST_F(EvaluatorTest, ArraysIterateThroughTheirOwnFormat) {
    A(0).SetTexts(kArray, {Sj("甲"), Sj("乙")});
    SetOwnFormat(kArray, "%WHILE,配列%%配列%%配列->INDEX%、%WEND%");
    // The second reference finds the counter at the end and produces nothing.
    EXPECT_EQ(RunEvents("<%配列%><%配列%>", &A(0)),
              (Events{"T:<", "T:甲", "U:1", "T:、", "T:乙", "U:2", "T:、", "T:><", "T:>"}));
    // As a condition the array answers whether it has another item.
    EXPECT_EQ(RunEvents("%IF_EXIST,配列%y%END_IF%%IF_EXIST,参照%n%END_IF%", &A(0)),
              (Events{"T:y"}));
    A(1).SetNumbers(kNumbers, {static_cast<std::uint32_t>(-7), 8});
    SetOwnFormat(kNumbers, "%WHILE,数列%%数列%;%WEND%");
    EXPECT_EQ(RunEvents("%数列%", &A(1)), (Events{"S:-7", "T:;", "S:8", "T:;"}));
    // An empty array renders nothing.
    EXPECT_EQ(RunEvents("%配列%.", &A(2)), (Events{"T:."}));
}

TEST_F(EvaluatorTest, ElementReferencesFollowTheirTargets) {
    SetName(A(1), "target");
    A(1).SetNumbers(kPrice, {42});
    A(0).SetElementRefs(kRef, {&A(1)});
    SetOwnFormat(kRef, "(%名称%)");
    EXPECT_EQ(RunEvents("%参照%%参照->価格%", &A(0)), (Events{"T:(", "T:target", "T:)", "S:42"}));
    // No referenced element: the reference renders nothing and a continuation gives empty text.
    EXPECT_EQ(RunEvents("%参照%%参照->価格%|", &A(2)), (Events{"T:", "T:|"}));
    // A continuation of a single reference must be a parameter.
    EXPECT_EQ(ResultOf("%参照->INDEX%", &A(0)), kRunExpressionFailed);
}

TEST_F(EvaluatorTest, ElementReferenceArraysRenderOneItemPerReference) {
    SetName(B(0), "b0");
    SetName(B(1), "b1");
    A(0).SetElementRefs(kRefArray, {&B(0), &B(1)});
    SetOwnFormat(kRefArray, "%名称%,");
    EXPECT_EQ(RunEvents("%WHILE,参照配列%%参照配列%%WEND%", &A(0)),
              (Events{"T:b0", "T:,", "T:b1", "T:,"}));
    // The continuation looks at item c without taking it.
    EXPECT_EQ(RunEvents("%参照配列->名称%%参照配列->名称%%参照配列->INDEX%", &A(0)),
              (Events{"T:b0", "T:b0", "U:0"}));
    // An empty entry ends the iteration.
    A(1).SetElementRefs(kRefArray, {nullptr, &B(1)});
    EXPECT_EQ(RunEvents("%WHILE,参照配列%%参照配列%%WEND%.", &A(1)), (Events{"T:."}));
}

TEST_F(EvaluatorTest, GroupReferencesIterateOverTheGroup) {
    SetName(B(0), "b0");
    SetName(B(1), "b1");
    A(0).SetGroupRefs(kGroupRef, {groupB});
    SetOwnFormat(kGroupRef, "<%名称%>");
    EXPECT_EQ(RunEvents("%WHILE,グループ%%グループ%%WEND%", &A(0)),
              (Events{"T:<", "T:b0", "T:>", "T:<", "T:b1", "T:>"}));
    // Continuations take the next element each time; past the end they give empty text.
    EXPECT_EQ(RunEvents("%グループ->名称%%グループ->名称%%グループ->名称%|", &A(0)),
              (Events{"T:b0", "T:b1", "T:", "T:|"}));
    EXPECT_EQ(RunEvents("%グループ%%グループ->名称%.", &A(1)), (Events{"T:", "T:."}));
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
