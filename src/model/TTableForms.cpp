#include "model/TTableForms.h"

#include <charconv>

#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TTableReader.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

using Kind = TTableProblem::Kind;

bool IsArrayType(std::uint8_t type) {
    return type == kTypeStringArray || type == kTypeElementRefArray || type == kTypeBoolArray ||
           type == kTypeSignedArray || type == kTypeUnsignedArray;
}

bool IsSignedType(std::uint8_t type) {
    return type == kTypeSigned || type == kTypeSignedArray;
}

bool IsBoolType(std::uint8_t type) {
    return type == kTypeBool || type == kTypeBoolArray;
}

// The items of an array field, one per line (CR LF, CR or LF).
// Calls take(line) for every line of field (CR LF, CR or LF between them) until it returns
// something other than kNone, which is returned.
template <typename Take>
Kind ForEachLine(std::string_view field, Take take) {
    std::size_t at = 0;
    for (std::size_t found;
         (found = TTableReader::FindLineBreak(field, at)) != std::string_view::npos;) {
        if (const Kind kind = take(field.substr(at, found - at)); kind != Kind::kNone) return kind;
        at = found +
             (field[found] == '\r' && found + 1 < field.size() && field[found + 1] == '\n' ? 2 : 1);
    }
    return take(field.substr(at));
}

// A whole decimal number; kNone, kNotANumber or kNumberOutOfRange.
template <typename Number>
Kind ParseDecimal(std::string_view text, Number& number) {
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) return Kind::kNotANumber;
    }
    if (text.empty()) return Kind::kNotANumber;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc::invalid_argument && text[0] == '-') {
        // A minus sign before an unsigned number: a number, but none the type can hold.
        std::int64_t wide = 0;
        const auto [wideEnd, wideError] =
            std::from_chars(text.data(), text.data() + text.size(), wide);
        return wideEnd == text.data() + text.size() && wideError != std::errc::invalid_argument
                   ? Kind::kNumberOutOfRange
                   : Kind::kNotANumber;
    }
    if (end != text.data() + text.size() || error == std::errc::invalid_argument)
        return Kind::kNotANumber;
    if (error == std::errc::result_out_of_range) return Kind::kNumberOutOfRange;
    return Kind::kNone;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::uint32_t> ParseBool(std::string_view text) {
    auto is = [&](std::string_view word) {
        if (text.size() != word.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i)
            if ((text[i] | 0x20) != word[i]) return false;
        return true;
    };
    if (text == "0" || is("false")) return 0u;
    if (text == "1" || is("true")) return 1u;
    return std::nullopt;
}

void AppendNumber(std::uint64_t item, bool isSigned, std::string& out) {
    const auto value = static_cast<std::uint32_t>(item);
    char digits[16];
    char* end =
        isSigned
            ? std::to_chars(digits, digits + sizeof digits, static_cast<std::int32_t>(value)).ptr
            : std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

}  // namespace

void TTableForms::Value::Clear() {
    given = false;
    texts.clear();
    numbers.clear();
    elements.clear();
    groups.clear();
}

TTableForms::TTableForms(const TZQLCtrl& library) : library_(library) {}

std::size_t TTableForms::ParameterCount() const {
    const TZQPCtrl* parameters = library_.ParameterFile();
    return parameters ? parameters->Size() : 0;
}

std::string TTableForms::Head(std::size_t i) const {
    const TParameter& parameter = *library_.ParameterFile()->At(i);
    if (ColumnOf(parameter.Name()) == i) return parameter.Name();
    return parameter.Code();
}

std::optional<std::size_t> TTableForms::ColumnOf(std::string_view head) const {
    if (head == kOutputHead) return kOutputColumn;
    std::optional<std::size_t> named;
    std::optional<std::size_t> coded;
    std::size_t names = 0;
    for (std::size_t i = 0; i < ParameterCount(); ++i) {
        const TParameter& parameter = *library_.ParameterFile()->At(i);
        if (parameter.Name() == head && names++ == 0) named = i;
        if (!coded && parameter.Code() == head) coded = i;
    }
    return names == 1 ? named : coded;
}

// --- export ------------------------------------------------------------------------------------

void TTableForms::AppendElementRef(std::uint64_t item, std::string& out) const {
    const TElement* target = TElement::AsElement(item);
    if (!target) return;
    // References mostly lead into a few groups: the last one found is asked first.
    if (target->Owner() != lastOwner_) {
        lastOwner_ = target->Owner();
        lastGroup_ = library_.FindGroupOf(lastOwner_);
    }
    const TGroupSetting* group = lastGroup_;
    if (!group) return;
    // Written in place: a million references would make two million short strings.
    char buffer[24];
    char* end = std::to_chars(buffer, buffer + 10, group->Number()).ptr;
    *end++ = ':';
    end = std::to_chars(end, buffer + sizeof buffer, target->Index()).ptr;
    out.append(buffer, end);
}

void TTableForms::AppendChoice(const TParameter& parameter, std::uint32_t position,
                               std::string& out) const {
    const StringList& choices = parameter.Selection();
    // A name read back must give this position: it has to be there, not empty and not shared
    // with an earlier choice.
    if (position < choices.size() && !choices[position].empty()) {
        bool first = true;
        for (std::size_t k = 0; k < position && first; ++k)
            first = choices[k] != choices[position];
        if (first) {
            out += choices[position];
            return;
        }
    }
    out += std::to_string(position);
}

void TTableForms::AppendValue(const TElement& element, std::size_t i, std::string& out) const {
    const TParameter& parameter = *library_.ParameterFile()->At(i);
    const std::uint8_t type = parameter.Type();
    if (IsTextType(type)) {
        const TextItems texts = element.Texts(i);
        for (std::size_t k = 0; k < texts.size() && (k == 0 || type == kTypeStringArray); ++k)
            (k ? out += '\n' : out) += texts[k];
        return;
    }
    const NumberItems numbers = element.Numbers(i);
    const bool elementRefs = element.HoldsElementRefs(i);
    const bool groupRefs = element.HoldsGroupRefs(i);
    for (std::size_t k = 0; k < numbers.size() && (k == 0 || IsArrayType(type)); ++k) {
        if (k) out += '\n';
        if (IsElementRefType(type)) {
            if (elementRefs) AppendElementRef(numbers[k], out);
        } else if (type == kTypeGroupRef) {
            if (groupRefs && numbers[k])
                out += std::to_string(TElement::AsGroup(numbers[k])->Number());
        } else if (IsBoolType(type)) {
            out += numbers[k] ? '1' : '0';
        } else if (type == kTypeListSelection) {
            AppendChoice(parameter, static_cast<std::uint32_t>(numbers[k]), out);
        } else {
            AppendNumber(numbers[k], IsSignedType(type), out);
        }
    }
}

// --- import ------------------------------------------------------------------------------------

std::optional<std::uint8_t> TTableForms::ReadFlag(std::string_view field) {
    if (field.empty()) return 1;
    if (const auto flag = ParseBool(field)) return static_cast<std::uint8_t>(*flag);
    return std::nullopt;
}

TTableProblem::Kind TTableForms::ReadElementRef(std::string_view item, const FinalSize& sizeOf,
                                                Value& value) const {
    if (item.empty()) {
        value.elements.emplace_back(nullptr, 0);
        return Kind::kNone;
    }
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos || !IsDigits(item.substr(0, colon)) ||
        !IsDigits(item.substr(colon + 1)))
        return Kind::kBadReference;
    std::uint32_t number = 0;
    std::uint32_t position = 0;
    if (ParseDecimal(item.substr(0, colon), number) != Kind::kNone ||
        ParseDecimal(item.substr(colon + 1), position) != Kind::kNone)
        return Kind::kNoSuchTarget;
    const TGroupSetting* group = library_.GroupByNumber(number);
    if (!group || !group->GroupData() || position >= sizeOf(*group->GroupData()))
        return Kind::kNoSuchTarget;
    value.elements.emplace_back(group->GroupData(), position);
    return Kind::kNone;
}

TTableProblem::Kind TTableForms::ReadItem(std::string_view item, std::uint8_t type,
                                          const TParameter& parameter, const FinalSize& sizeOf,
                                          Value& value) const {
    if (IsElementRefType(type)) return ReadElementRef(item, sizeOf, value);
    if (type == kTypeGroupRef) {
        if (!IsDigits(item)) return Kind::kBadReference;
        std::uint32_t number = 0;
        TGroupSetting* group =
            ParseDecimal(item, number) == Kind::kNone ? library_.GroupByNumber(number) : nullptr;
        if (!group) return Kind::kNoSuchTarget;
        value.groups.push_back(group);
        return Kind::kNone;
    }
    if (IsBoolType(type)) {
        const auto flag = ParseBool(item);
        if (!flag) return Kind::kNotABoolean;
        value.numbers.push_back(*flag);
        return Kind::kNone;
    }
    if (type == kTypeListSelection) {
        const StringList& choices = parameter.Selection();
        for (std::size_t k = 0; k < choices.size(); ++k) {
            if (choices[k] == item) {
                value.numbers.push_back(static_cast<std::uint32_t>(k));
                return Kind::kNone;
            }
        }
        if (!IsDigits(item)) return Kind::kUnknownChoice;
        value.numbers.push_back(0);
        return ParseDecimal(item, value.numbers.back());
    }
    if (IsSignedType(type)) {
        std::int32_t number = 0;
        const Kind kind = ParseDecimal(item, number);
        value.numbers.push_back(static_cast<std::uint32_t>(number));
        return kind;
    }
    std::uint32_t number = 0;
    const Kind kind = ParseDecimal(item, number);
    value.numbers.push_back(number);
    return kind;
}

TTableProblem::Kind TTableForms::ReadValue(std::string_view field, std::size_t i,
                                           const FinalSize& sizeOf, Value& value) const {
    value.Clear();
    const TParameter& parameter = *library_.ParameterFile()->At(i);
    const std::uint8_t type = parameter.Type();
    if (type == kTypeString) {
        if (TTableReader::FindLineBreak(field) != std::string_view::npos)
            return Kind::kLineBreakInText;
        value.given = true;
        value.texts.push_back(field);
        return Kind::kNone;
    }
    if (field.empty()) return Kind::kNone;
    value.given = true;
    if (type == kTypeStringArray) {
        return ForEachLine(field, [&value](std::string_view line) {
            value.texts.push_back(line);
            return Kind::kNone;
        });
    }
    if (!IsArrayType(type)) {
        if (TTableReader::FindLineBreak(field) != std::string_view::npos)
            return IsElementRefType(type) || type == kTypeGroupRef ? Kind::kBadReference
                                                                   : Kind::kNotANumber;
        return ReadItem(field, type, parameter, sizeOf, value);
    }
    return ForEachLine(field, [&](std::string_view item) {
        return ReadItem(item, type, parameter, sizeOf, value);
    });
}

}  // namespace tabrix
