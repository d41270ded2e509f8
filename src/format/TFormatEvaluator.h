// Runs compiled formats for one element and hands what they produce to a sink. One evaluator
// serves one top-level run and every run nested in it (the own formats of composite
// parameters); it holds their shared counters and the limits that keep any format finite.
#pragma once

#include <cstdint>
#include <string_view>

#include "format/TCounterMap.h"
#include "format/TFormatSink.h"
#include "model/TCodeData.h"

namespace tabrix {

class TElement;
class TGroupSetting;
class TParameter;
class TZQLCtrl;

enum RunResult : int {
    kRunCompleted = 0,  // completed, or stopped by the sink
    kRunExpressionFailed = 2,
    kRunMalformedBlock = 3,  // a block without its operand or never closed
    kRunBreakWithoutLoop = 4,
    kRunLimitReached = 5,  // too many loop iterations or own formats nested too deep
};

enum RunPurpose : int { kPurposeDraw = 1, kPurposeOutput = 2 };

// The kinds a caller accepts from an expression.
enum WantBits : unsigned {
    kWantUnsigned = 0x01,
    kWantSigned = 0x02,
    kWantText = 0x04,
    kWantRender = 0x20,  // a composite may render through its own format and yield nothing
};

enum ValueKind : int { kValueUnsigned = 1, kValueSigned = 2, kValueText = 4, kValueNone = 6 };

// An evaluated value. Texts view storage that outlives the run (element values, node texts,
// library settings), so evaluating copies no text.
struct TValue {
    int kind = kValueNone;
    std::string_view text;
    std::uint32_t number = 0;
};

class TFormatEvaluator {
public:
    // Loop iterations (a WEND jumping back) allowed in one top-level run and its nested runs.
    // The fuzz targets run thousands of inputs a second and many top-level runs per input, so
    // their build keeps the same limit smaller.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr std::uint32_t kMaxLoopIterations = 1'000'000;
#else
    static constexpr std::uint32_t kMaxLoopIterations = 10'000;
#endif
    // Own formats running inside one another.
    static constexpr int kMaxFormatNesting = 64;
    // Nodes one top-level run and its nested runs may step through: a fixed amount plus a share
    // for every element the library's groups hold. The loop and nesting limits alone still let
    // a format that references a chain of elements many times over branch into exponentially
    // many runs; this bounds the time any format can take without touching ordinary loops.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr std::uint64_t kBaseSteps = 20'000'000;
#else
    static constexpr std::uint64_t kBaseSteps = 200'000;
#endif
    static constexpr std::uint64_t kStepsPerElement = 64;
    // A drawing run paints one cell, and a screen paints dozens of them on every repaint: its
    // nodes are bounded by this small fixed budget, so that no format can freeze the lists.
    // Ordinary cells need a few hundred; a cut cell shows what it drew and a mark.
    static constexpr std::uint64_t kDrawSteps = 20'000;
    // Comparing or searching texts takes time by their length: every so many bytes count as
    // one step, so that a loop over long texts is bounded like one over short ones.
    static constexpr std::size_t kBytesPerStep = 64;

    TFormatEvaluator(const TZQLCtrl& library, TFormatSink& sink, int purpose);

    // A run with a fresh counter map and fresh limits, as every cell, header, element and
    // footer gets.
    int RunTopLevel(const TElement* element, const CodeList& code);
    // A run sharing this evaluator's counters and limits; current is the parameter whose own
    // format is running, or none.
    int Run(const TElement* element, const CodeList& code, const TParameter* current);
    // Evaluates one expression in the element context.
    bool Evaluate(const TElement* element, const TCodeData& node, unsigned want,
                  const TParameter* current, TValue& value);

    TCounterMap& Counters() {
        return counters_;
    }
    std::uint64_t StepBudget() const {
        return stepBudget_;
    }
    // Nodes stepped through by the last top-level run and its nested runs.
    std::uint64_t Steps() const {
        return steps_;
    }

    // Arithmetic, containment and comparison shared by EDIT and IF. False when the operation
    // has no result (division by zero, an operator without a meaning here).
    static bool Operator(int leftKind, std::string_view leftText, std::uint32_t leftNumber, int op,
                         std::string_view rightText, std::uint32_t rightNumber,
                         std::uint32_t& result);

    // Runs the common draw format (after sending begin) or the common output format for the
    // group's element at index. Other purposes do nothing and return 0. A drawing run cut by
    // its budget returns kRunLimitReached.
    static int DrawElement(const TZQLCtrl& library, const TGroupSetting& group, std::size_t index,
                           TFormatSink& sink, int purpose);

private:
    int FailedRunResult() const {
        return limitReached_ ? kRunLimitReached : kRunExpressionFailed;
    }
    int SendValue(const TValue& value);
    void ChargeTextWork(std::size_t bytes) {
        steps_ += bytes / kBytesPerStep;
    }
    int StepBlock(const TElement* element, const TCodeData& node, std::int64_t& i);
    bool Compare(const TElement* element, const TCodeData& node, bool& holds);

    bool EvaluateEdit(const TElement* element, const TCodeData& node, unsigned want, TValue& value);
    bool EvaluateChangeGroup(const TElement& element, const TCodeData& node, unsigned want,
                             TValue& value);
    bool EvaluateChangeLibrary(const TCodeData& node, unsigned want, TValue& value);
    bool EvaluateParameter(const TElement& element, const TCodeData& node, unsigned want,
                           const TParameter* current, TValue& value);
    bool EvaluateArray(const TElement& element, const TParameter& parameter, std::uint32_t position,
                       const TCodeData* continuation, unsigned want, const TParameter* current,
                       TValue& value);
    bool EvaluateElementRef(const TElement& element, const TParameter& parameter,
                            std::uint32_t position, const TCodeData* continuation, unsigned want,
                            const TParameter* current, TValue& value);
    bool EvaluateElementRefArray(const TElement& element, const TParameter& parameter,
                                 std::uint32_t position, const TCodeData* continuation,
                                 unsigned want, const TParameter* current, TValue& value);
    bool EvaluateGroupRef(const TElement& element, const TParameter& parameter,
                          std::uint32_t position, const TCodeData* continuation, unsigned want,
                          const TParameter* current, TValue& value);
    // After an array, element reference array or group reference: INDEX and SIZE.
    bool EvaluateInArray(const TElement& element, const TParameter& parameter,
                         std::uint32_t position, const TCodeData& node, unsigned want,
                         TValue& value);
    // Runs the parameter's own format for target; false when the nested run did not complete.
    bool RenderOwnFormat(const TElement* target, const TParameter& parameter);

    const TZQLCtrl& library_;
    TFormatSink& sink_;
    TCounterMap counters_;
    int purpose_;
    int nesting_ = 0;
    std::uint32_t loopIterations_ = 0;
    std::uint64_t steps_ = 0;
    std::uint64_t stepBudget_ = kBaseSteps;
    bool limitReached_ = false;
};

}  // namespace tabrix
