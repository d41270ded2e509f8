#include "format/TFormatEvaluator.h"

#include <charconv>

#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TStringDivision.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

// Literal nodes, values and the wrap switches reach the sink as the event of their own number.
static_assert(int{kEventUnsigned} == kCodeUnsigned && int{kEventSigned} == kCodeSigned &&
              int{kEventText} == kCodeText);
static_assert(int{kEventWordWrap} == kCodeWordWrap && int{kEventNoWrap} == kCodeNoWrap);
static_assert(int{kEventUnsigned} == kValueUnsigned && int{kEventSigned} == kValueSigned &&
              int{kEventText} == kValueText);

SinkEvent EventOf(int kind) {
    return static_cast<SinkEvent>(kind);
}

constexpr unsigned kWantValue = kWantUnsigned | kWantSigned | kWantText;
constexpr unsigned kWantAll = kWantValue | kWantRender;
constexpr unsigned kWantNumber = kWantUnsigned | kWantSigned;

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// True when needle occurs in haystack starting on a character boundary; a double-byte
// character is one character, so a match never starts on its second byte.
bool Contains(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    for (std::size_t pos = 0; pos + needle.size() <= haystack.size();) {
        if (haystack.compare(pos, needle.size(), needle) == 0) return true;
        pos += IsLeadByte(static_cast<unsigned char>(haystack[pos])) ? 2 : 1;
    }
    return false;
}

bool Accepts(unsigned want, int kind) {
    switch (kind) {
        case kValueUnsigned:
            return want & kWantUnsigned;
        case kValueSigned:
            return want & kWantSigned;
        case kValueText:
            return want & kWantText;
        case kValueNone:
            return want & kWantRender;
        default:
            return false;
    }
}

// Sets value when the want set takes its kind.
bool Result(unsigned want, int kind, std::string_view text, std::uint32_t number, TValue& value) {
    if (!Accepts(want, kind)) return false;
    value = TValue{kind, text, number};
    return true;
}

bool UnsignedResult(unsigned want, std::uint32_t number, TValue& value) {
    return Result(want, kValueUnsigned, {}, number, value);
}

// The empty text given for a missing referenced element or group, whatever the want set.
bool EmptyText(TValue& value) {
    value = TValue{kValueText, {}, 0};
    return true;
}

std::string_view TextItem(const TElement& element, std::size_t position, std::size_t i) {
    const TextItems texts = element.Texts(position);
    return i < texts.size() ? std::string_view(texts[i]) : std::string_view();
}

std::uint32_t NumberItem32(const TElement& element, std::size_t position, std::size_t i) {
    const NumberItems numbers = element.Numbers(position);
    return i < numbers.size() ? static_cast<std::uint32_t>(numbers[i]) : 0;
}

// Reference items are followed only where the element really stores references, so a value
// left over from another parameter type is never taken for an address.
const TElement* ElementItem(const TElement& element, std::size_t position, std::size_t i) {
    if (!element.HoldsElementRefs(position)) return nullptr;
    const NumberItems numbers = element.Numbers(position);
    return i < numbers.size() ? TElement::AsElement(numbers[i]) : nullptr;
}

const TGroupSetting* GroupItem(const TElement& element, std::size_t position) {
    if (!element.HoldsGroupRefs(position)) return nullptr;
    const NumberItems numbers = element.Numbers(position);
    return numbers.empty() ? nullptr : TElement::AsGroup(numbers[0]);
}

std::size_t GroupSize(const TGroupSetting* group) {
    return group && group->GroupData() ? group->GroupData()->Size() : 0;
}

// A number written as the text the comparison needs when the left operand is text.
std::string_view NumberAsText(const TValue& value, char (&buffer)[16]) {
    auto [end, error] =
        value.kind == kValueSigned
            ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int32_t>(value.number))
            : std::to_chars(buffer, buffer + sizeof buffer, value.number);
    (void)error;
    return std::string_view(buffer, static_cast<std::size_t>(end - buffer));
}

template <typename T>
int Order(T left, T right) {
    return left < right ? -1 : (right < left ? 1 : 0);
}

bool HoldsFor(int op, int order, std::uint32_t& result) {
    switch (op) {
        case kOpEqual:
            result = order == 0;
            return true;
        case kOpNotEqual:
            result = order != 0;
            return true;
        case kOpLess:
            result = order < 0;
            return true;
        case kOpLessEqual:
            result = order <= 0;
            return true;
        case kOpGreater:
            result = order > 0;
            return true;
        case kOpGreaterEqual:
            result = order >= 0;
            return true;
        default:
            return false;
    }
}

}  // namespace

TFormatEvaluator::TFormatEvaluator(const TZQLCtrl& library, TFormatSink& sink, int purpose)
    : library_(library), sink_(sink), purpose_(purpose) {
    if (purpose_ == kPurposeDraw) {
        stepBudget_ = kDrawSteps;
        return;
    }
    for (const auto& group : library_.Groups())
        stepBudget_ += kStepsPerElement * GroupSize(group.get());
}

// --- running ------------------------------------------------------------------------------------

int TFormatEvaluator::RunTopLevel(const TElement* element, const CodeList& code) {
    counters_.Clear();
    nesting_ = 0;
    loopIterations_ = 0;
    steps_ = 0;
    limitReached_ = false;
    return Run(element, code, nullptr);
}

int TFormatEvaluator::SendValue(const TValue& value) {
    if (value.kind == kValueText) return sink_.Send(kEventText, value.text, 0);
    return sink_.Send(EventOf(value.kind), {}, value.number);
}

int TFormatEvaluator::Run(const TElement* element, const CodeList& code,
                          const TParameter* current) {
    bool skipping = false;
    const auto n = static_cast<std::int64_t>(code.size());
    for (std::int64_t i = 0; i < n; ++i) {
        const TCodeData& node = code[static_cast<std::size_t>(i)];
        if (++steps_ > stepBudget_) {
            limitReached_ = true;
            return kRunLimitReached;
        }
        int reply = kReplyContinue;
        switch (node.kind) {
            case kCodeUnsigned:
            case kCodeSigned:
            case kCodeText:
                if (!skipping)
                    reply = sink_.Send(EventOf(node.kind), node.text,
                                       static_cast<std::uint32_t>(node.number));
                break;
            case kCodeParameter:
            case kCodeEdit:
            case kCodeChangeGroup:
            case kCodeChangeLibrary:
            case kCodeIndex:
            case kCodeIsOutput: {
                if (skipping) break;
                TValue value;
                if (!Evaluate(element, node, kWantAll, current, value)) return FailedRunResult();
                if (value.kind != kValueNone) reply = SendValue(value);
                break;
            }
            case kCodeLineBreak:
                // A skipped line ends at the next line break, which is itself not sent.
                if (skipping)
                    skipping = false;
                else
                    reply = sink_.Send(kEventLineBreak, {}, 0);
                break;
            case kCodeColor:
                reply = sink_.Send(kEventColor, {}, static_cast<std::uint32_t>(node.number));
                break;
            case kCodeWordWrap:
            case kCodeNoWrap:
                sink_.Send(EventOf(node.kind), {}, 0);
                break;
            case kCodeWhile:
            case kCodeIfExist:
            case kCodeIfEmpty:
            case kCodeIf: {
                const std::size_t operands = node.kind == kCodeIf ? 3 : 1;
                if (node.children.size() < operands || node.unclosed) return kRunMalformedBlock;
                if (skipping) {
                    i = node.number;  // pass over the whole block
                    break;
                }
                int result = StepBlock(element, node, i);
                if (result != kRunCompleted) return result;
                break;
            }
            case kCodeWend:
                if (skipping) break;
                if (++loopIterations_ > kMaxLoopIterations) {
                    limitReached_ = true;
                    return kRunLimitReached;
                }
                i = static_cast<std::int64_t>(node.number) - 1;  // re-test the WHILE next
                break;
            case kCodeBreak:
                if (node.unclosed) return kRunBreakWithoutLoop;
                i = node.number;
                break;
            default:
                break;  // errors, comments, END_IF, NEXT, BACK, TO: nothing
        }
        if (reply == kReplySkipLine) skipping = true;
        if (reply == kReplyStop) return kRunCompleted;
        if (i < -1) return kRunMalformedBlock;  // only a hand-made list can jump there
    }
    return kRunCompleted;
}

// Tests a WHILE or an IF-family block; when the test fails, i jumps past the block.
int TFormatEvaluator::StepBlock(const TElement* element, const TCodeData& node, std::int64_t& i) {
    bool holds = false;
    if (node.kind == kCodeIf) {
        if (!Compare(element, node, holds)) return FailedRunResult();
    } else {
        TValue value;
        if (!Evaluate(element, node.children[0], kWantValue, nullptr, value))
            return FailedRunResult();
        bool present = value.kind == kValueText ? !value.text.empty() : value.number != 0;
        holds = node.kind == kCodeIfEmpty ? !present : present;
    }
    if (!holds) i = node.number;
    return kRunCompleted;
}

bool TFormatEvaluator::Compare(const TElement* element, const TCodeData& node, bool& holds) {
    TValue left;
    TValue right;
    if (!Evaluate(element, node.children[0], kWantValue, nullptr, left) ||
        !Evaluate(element, node.children[2], kWantValue, nullptr, right))
        return false;
    const int op = node.children[1].number;
    char buffer[16];
    std::string_view rightText = right.text;
    std::uint32_t rightNumber = right.number;
    if (left.kind == kValueText && right.kind != kValueText) {
        rightText = NumberAsText(right, buffer);
    } else if (left.kind != kValueText && right.kind == kValueText) {
        // A number compared with text (literals such as 200 are parsed as text) compares with
        // the text read as a number of the left operand's signedness, 0 when it is none.
        rightNumber = left.kind == kValueSigned
                          ? static_cast<std::uint32_t>(TStringDivision::ToLong(right.text, 0))
                          : TStringDivision::ToULong(right.text, 0);
    }
    ChargeTextWork(left.text.size() + rightText.size());
    std::uint32_t result = 0;
    if (!Operator(left.kind, left.text, left.number, op, rightText, rightNumber, result))
        return false;
    holds = result != 0;
    return true;
}

// --- expressions ---------------------------------------------------------------------------------

bool TFormatEvaluator::Evaluate(const TElement* element, const TCodeData& node, unsigned want,
                                const TParameter* current, TValue& value) {
    if (!element) {
        if (want & kWantUnsigned) return UnsignedResult(want, 0, value);
        if (want & kWantText) return Result(want, kValueText, {}, 0, value);
        return false;
    }
    switch (node.kind) {
        case kCodeUnsigned:
        case kCodeSigned:
            return Result(want, node.kind, {}, static_cast<std::uint32_t>(node.number), value);
        case kCodeText:
            return Result(want, kValueText, node.text, 0, value);
        case kCodeEdit:
            return EvaluateEdit(element, node, want, value);
        case kCodeChangeGroup:
            return EvaluateChangeGroup(*element, node, want, value);
        case kCodeChangeLibrary:
            return EvaluateChangeLibrary(node, want, value);
        case kCodeIndex:
            return UnsignedResult(want, element->Index(), value);
        case kCodeIsOutput:
            return UnsignedResult(want, element->OutputFlag() != 0, value);
        case kCodeParameter:
            return EvaluateParameter(*element, node, want, current, value);
        default:
            return false;  // TO and every statement kind have no value
    }
}

bool TFormatEvaluator::EvaluateEdit(const TElement* element, const TCodeData& node, unsigned want,
                                    TValue& value) {
    const int op = node.number;
    unsigned operandWant = 0;
    switch (op) {
        case kOpAdd:
        case kOpSubtract:
        case kOpMultiply:
        case kOpDivide:
        case kOpRemainder:
        case kOpAnd:
        case kOpOr:
        case kOpXor:
        case kOpShiftLeft:
        case kOpShiftRight:
            operandWant = kWantNumber;
            break;
        case kOpContains:
        case kOpContainedIn:
        case kOpNotContains:
        case kOpNotContainedIn:
            operandWant = kWantText;
            break;
        default:
            return false;  // REPLACE, ~, CHAIN and SUBSTR have no value
    }
    if (!(want & kWantUnsigned) || node.children.size() < 2) return false;
    TValue left;
    TValue right;
    if (!Evaluate(element, node.children[0], operandWant, nullptr, left) ||
        !Evaluate(element, node.children[1], operandWant, nullptr, right))
        return false;
    ChargeTextWork(left.text.size() + right.text.size());
    std::uint32_t result = 0;
    if (!Operator(left.kind, left.text, left.number, op, right.text, right.number, result))
        return false;
    return UnsignedResult(want, result, value);
}

bool TFormatEvaluator::EvaluateChangeGroup(const TElement& element, const TCodeData& node,
                                           unsigned want, TValue& value) {
    if (node.children.empty()) return false;
    const TGroupSetting* group = library_.FindGroupOf(element.Owner());
    if (!group) return false;
    switch (node.children[0].kind) {
        case kCodeSize:
            return UnsignedResult(want, static_cast<std::uint32_t>(GroupSize(group)), value);
        case kCodeName:
            return Result(want, kValueText, group->Name(), 0, value);
        default:
            return false;
    }
}

bool TFormatEvaluator::EvaluateChangeLibrary(const TCodeData& node, unsigned want, TValue& value) {
    if (node.children.empty() || node.children[0].kind != kCodeFreeText) return false;
    const StringList& freeText = library_.FreeText();
    auto index = static_cast<std::uint32_t>(node.children[0].number);
    std::string_view text = index < freeText.size() ? std::string_view(freeText[index]) : "";
    return Result(want, kValueText, text, 0, value);
}

bool TFormatEvaluator::EvaluateParameter(const TElement& element, const TCodeData& node,
                                         unsigned want, const TParameter* current, TValue& value) {
    const TZQPCtrl* parameters = library_.ParameterFile();
    if (!parameters || node.number < 0 ||
        static_cast<std::size_t>(node.number) >= parameters->Size())
        return false;
    const auto position = static_cast<std::uint32_t>(node.number);
    const TParameter& parameter = *parameters->At(position);
    const TCodeData* continuation = node.children.empty() ? nullptr : &node.children[0];
    switch (parameter.Type()) {
        case kTypeString:
            return Result(want, kValueText, TextItem(element, position, 0), 0, value);
        case kTypeBool:
        case kTypeUnsigned:
        case kTypeListSelection:
            return UnsignedResult(want, NumberItem32(element, position, 0), value);
        case kTypeSigned:
            return Result(want, kValueSigned, {}, NumberItem32(element, position, 0), value);
        case kTypeStringArray:
        case kTypeBoolArray:
        case kTypeUnsignedArray:
        case kTypeSignedArray:
            return EvaluateArray(element, parameter, position, continuation, want, current, value);
        case kTypeElementRef:
            return EvaluateElementRef(element, parameter, position, continuation, want, current,
                                      value);
        case kTypeElementRefArray:
            return EvaluateElementRefArray(element, parameter, position, continuation, want,
                                           current, value);
        case kTypeGroupRef:
            return EvaluateGroupRef(element, parameter, position, continuation, want, current,
                                    value);
        default:
            return false;
    }
}

bool TFormatEvaluator::EvaluateArray(const TElement& element, const TParameter& parameter,
                                     std::uint32_t position, const TCodeData* continuation,
                                     unsigned want, const TParameter* current, TValue& value) {
    const bool texts = parameter.Type() == kTypeStringArray;
    const int itemKind = texts                                  ? kValueText
                         : parameter.Type() == kTypeSignedArray ? kValueSigned
                                                                : kValueUnsigned;
    // The items are looked up once; the counter stays valid as no other counter is made here.
    const TextItems textItems = texts ? element.Texts(position) : TextItems();
    const NumberItems numberItems = texts ? NumberItems() : element.Numbers(position);
    const std::size_t count = texts ? textItems.size() : numberItems.size();
    std::uint32_t& counter = counters_.At(&element, position);
    const std::uint32_t c = counter;
    if (continuation)
        return EvaluateInArray(element, parameter, position, *continuation, want, value);

    if (current == &parameter) {
        // Inside its own format a plain reference takes the next item.
        const std::string_view text = texts && c < count ? textItems[c] : std::string_view();
        const std::uint32_t number =
            !texts && c < count ? static_cast<std::uint32_t>(numberItems[c]) : 0;
        if (!Result(want, itemKind, text, number, value)) return false;
        counter = c + 1;
        return true;
    }
    if (want & kWantRender) {
        if (c < count && !RenderOwnFormat(&element, parameter)) return false;
        return Result(want, kValueNone, {}, 0, value);
    }
    // Has the array another item?
    return Result(want, texts ? kValueUnsigned : itemKind, {}, c < count ? 1 : 0, value);
}

bool TFormatEvaluator::EvaluateElementRef(const TElement& element, const TParameter& parameter,
                                          std::uint32_t position, const TCodeData* continuation,
                                          unsigned want, const TParameter* current, TValue& value) {
    counters_.At(&element, position);
    const TElement* target = ElementItem(element, position, 0);
    if (continuation) {
        if (continuation->kind != kCodeParameter) return false;
        if (!target) return EmptyText(value);
        return Evaluate(target, *continuation, want, current, value);
    }
    if (want & kWantRender) {
        if (target && !RenderOwnFormat(target, parameter)) return false;
        return Result(want, kValueNone, {}, 0, value);
    }
    return UnsignedResult(want, target ? 1 : 0, value);
}

bool TFormatEvaluator::EvaluateElementRefArray(const TElement& element, const TParameter& parameter,
                                               std::uint32_t position,
                                               const TCodeData* continuation, unsigned want,
                                               const TParameter* current, TValue& value) {
    const std::uint32_t c = counters_.At(&element, position);
    const TElement* item = ElementItem(element, position, c);
    if (continuation) {
        if (continuation->kind != kCodeParameter)
            return EvaluateInArray(element, parameter, position, *continuation, want, value);
        if (!item) return EmptyText(value);
        return Evaluate(item, *continuation, want, current, value);
    }
    if (want & kWantRender) {
        if (item) {
            counters_.At(&element, position) = c + 1;
            if (!RenderOwnFormat(item, parameter)) return false;
        }
        return Result(want, kValueNone, {}, 0, value);
    }
    return UnsignedResult(want, item ? 1 : 0, value);
}

bool TFormatEvaluator::EvaluateGroupRef(const TElement& element, const TParameter& parameter,
                                        std::uint32_t position, const TCodeData* continuation,
                                        unsigned want, const TParameter* current, TValue& value) {
    const std::uint32_t c = counters_.At(&element, position);
    const TGroupSetting* group = GroupItem(element, position);
    const bool hasNext = c < GroupSize(group);
    if (continuation) {
        if (continuation->kind != kCodeParameter)
            return EvaluateInArray(element, parameter, position, *continuation, want, value);
        if (!hasNext) return EmptyText(value);
        bool ok = Evaluate(group->GroupData()->At(c), *continuation, want, current, value);
        counters_.At(&element, position) = c + 1;
        return ok;
    }
    if (want & kWantRender) {
        if (hasNext) {
            counters_.At(&element, position) = c + 1;
            if (!RenderOwnFormat(group->GroupData()->At(c), parameter)) return false;
        }
        return Result(want, kValueNone, {}, 0, value);
    }
    return UnsignedResult(want, hasNext ? 1 : 0, value);
}

bool TFormatEvaluator::EvaluateInArray(const TElement& element, const TParameter& parameter,
                                       std::uint32_t position, const TCodeData& node, unsigned want,
                                       TValue& value) {
    switch (node.kind) {
        case kCodeIndex:
            return UnsignedResult(want, counters_.Find(&element, position).value_or(0), value);
        case kCodeSize: {
            std::size_t count = parameter.Type() == kTypeStringArray
                                    ? element.Texts(position).size()
                                    : element.Numbers(position).size();
            return UnsignedResult(want, static_cast<std::uint32_t>(count), value);
        }
        default:
            return false;
    }
}

bool TFormatEvaluator::RenderOwnFormat(const TElement* target, const TParameter& parameter) {
    if (nesting_ >= kMaxFormatNesting) {
        limitReached_ = true;
        return false;
    }
    const CodeList& code = purpose_ == kPurposeDraw ? parameter.DrawCode() : parameter.OutputCode();
    ++nesting_;
    int result = Run(target, code, &parameter);
    --nesting_;
    return result == kRunCompleted;
}

// --- operators -----------------------------------------------------------------------------------

bool TFormatEvaluator::Operator(int leftKind, std::string_view leftText, std::uint32_t leftNumber,
                                int op, std::string_view rightText, std::uint32_t rightNumber,
                                std::uint32_t& result) {
    const std::uint32_t l = leftNumber;
    const std::uint32_t r = rightNumber;
    switch (op) {
        case kOpAdd:
            result = l + r;
            return true;
        case kOpSubtract:
            result = l - r;
            return true;
        case kOpMultiply:
            result = l * r;
            return true;
        case kOpDivide:
            if (r == 0) return false;
            result = l / r;
            return true;
        case kOpRemainder:
            if (r == 0) return false;
            result = l % r;
            return true;
        case kOpAnd:
            result = l & r;
            return true;
        case kOpOr:
            result = l | r;
            return true;
        case kOpXor:
            result = l ^ r;
            return true;
        case kOpComplement:
            result = ~l;
            return true;
        case kOpShiftLeft:
            result = l << (r % 32);
            return true;
        case kOpShiftRight:
            result = l >> (r % 32);
            return true;
        case kOpContains:
            result = Contains(leftText, rightText);
            return true;
        case kOpContainedIn:
            result = Contains(rightText, leftText);
            return true;
        case kOpNotContains:
            result = !Contains(leftText, rightText);
            return true;
        case kOpNotContainedIn:
            result = !Contains(rightText, leftText);
            return true;
        default:
            break;
    }
    int order;
    if (leftKind == kValueText)
        order = leftText.compare(rightText) < 0 ? -1 : (leftText == rightText ? 0 : 1);
    else if (leftKind == kValueSigned || leftKind == kEventSignedOther)
        order = Order(static_cast<std::int32_t>(l), static_cast<std::int32_t>(r));
    else
        order = Order(l, r);
    return HoldsFor(op, order, result);
}

// --- the grid's entry ----------------------------------------------------------------------------

int TFormatEvaluator::DrawElement(const TZQLCtrl& library, const TGroupSetting& group,
                                  std::size_t index, TFormatSink& sink, int purpose) {
    const TZQPCtrl* parameters = library.ParameterFile();
    if ((purpose != kPurposeDraw && purpose != kPurposeOutput) || !parameters) return kRunCompleted;
    const TGroupData* data = group.GroupData();
    const TElement* element = data && index < data->Size() ? data->At(index) : nullptr;
    TFormatEvaluator evaluator(library, sink, purpose);
    if (purpose == kPurposeDraw) {
        sink.Send(kEventBegin, {}, 0);
        return evaluator.RunTopLevel(element, parameters->DrawCode());
    }
    return evaluator.RunTopLevel(element, parameters->OutputCode());
}

}  // namespace tabrix
