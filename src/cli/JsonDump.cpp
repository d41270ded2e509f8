#include "cli/JsonDump.h"

#include <cstdio>

#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::cli {

namespace {

// A JSON string of CP932 text (converted to UTF-8).
std::string Quote(std::string_view cp932) {
    const std::string text = TextCodec::ToUtf8(cp932);
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

template <typename Items, typename Write>
std::string Array(const Items& items, Write write) {
    std::string out = "[";
    bool first = true;
    for (const auto& item : items) {
        if (!first) out += ", ";
        first = false;
        out += write(item);
    }
    return out + "]";
}

std::string LineBreakName(const std::string& lineBreak) {
    if (lineBreak == "\r") return "\"CR\"";
    if (lineBreak == "\n") return "\"LF\"";
    return "\"CRLF\"";
}

class ValueWriter {
public:
    explicit ValueWriter(const TZQLCtrl& library) : library_(library) {}

    std::string Value(const TElement& element, std::size_t i, std::uint8_t type) const {
        if (IsTextType(type)) {
            if (i >= element.TextCount()) return "null";
            const TextItems texts = element.Texts(i);
            if (type == kTypeStringArray) return Array(texts, Quote);
            return texts.empty() ? "null" : Quote(texts[0]);
        }
        if (i >= element.NumberCount()) return "null";
        const NumberItems numbers = element.Numbers(i);
        switch (type) {
            case kTypeElementRef:
                return numbers.empty() ? "null" : ElementRef(element, i, numbers[0]);
            case kTypeElementRefArray:
                return Array(numbers,
                             [&](NumberItem item) { return ElementRef(element, i, item); });
            case kTypeGroupRef:
                return numbers.empty() ? "null" : GroupRef(element, i, numbers[0]);
            case kTypeBoolArray:
                return Array(numbers, Bool);
            case kTypeSignedArray:
                return Array(numbers, Signed);
            case kTypeUnsignedArray:
                return Array(numbers, Unsigned);
            case kTypeBool:
                return numbers.empty() ? "null" : Bool(numbers[0]);
            case kTypeSigned:
                return numbers.empty() ? "null" : Signed(numbers[0]);
            default:
                return numbers.empty() ? "null" : Unsigned(numbers[0]);
        }
    }

private:
    static std::string Bool(NumberItem item) { return item ? "true" : "false"; }
    static std::string Signed(NumberItem item) {
        return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(item)));
    }
    static std::string Unsigned(NumberItem item) {
        return std::to_string(static_cast<std::uint32_t>(item));
    }

    std::string ElementRef(const TElement& element, std::size_t i, NumberItem item) const {
        const TElement* target = element.HoldsElementRefs(i) ? TElement::AsElement(item) : nullptr;
        if (!target) return "null";
        const TGroupSetting* group = library_.FindGroupOf(target->Owner());
        return "{\"group\": " + (group ? std::to_string(group->Number()) : std::string("null")) +
               ", \"element\": " + std::to_string(target->Index()) + "}";
    }
    std::string GroupRef(const TElement& element, std::size_t i, NumberItem item) const {
        const TGroupSetting* group = element.HoldsGroupRefs(i) ? TElement::AsGroup(item) : nullptr;
        return group ? std::to_string(group->Number()) : "null";
    }

    const TZQLCtrl& library_;
};

std::string Parameters(const TZQPCtrl& parameters) {
    return Array(parameters.Parameters(), [](const std::unique_ptr<TParameter>& p) {
        const TParameter* display = p->DisplayParameter();
        return "{\"index\": " + std::to_string(p->Index()) + ", \"name\": " + Quote(p->Name()) +
               ", \"code\": " + Quote(p->Code()) + ", \"type\": " + std::to_string(p->Type()) +
               ", \"display_parameter\": " +
               (display ? std::to_string(display->Index()) : std::string("null")) +
               ", \"selection\": " + Array(p->Selection(), Quote) + "}";
    });
}

std::string Elements(const TZQLCtrl& library, const TGroupData& data) {
    const TZQPCtrl* parameters = library.ParameterFile();
    ValueWriter writer(library);
    std::string out = "[";
    for (std::size_t e = 0; e < data.Size(); ++e) {
        const TElement& element = *data.At(e);
        out += e ? ",\n        " : "\n        ";
        out += "{\"output\": " + std::to_string(element.OutputFlag()) + ", \"values\": [";
        for (std::size_t i = 0; parameters && i < parameters->Size(); ++i)
            out += (i ? ", " : "") + writer.Value(element, i, parameters->At(i)->Type());
        out += "]}";
    }
    return out + (data.Size() ? "\n      ]" : "]");
}

std::string Groups(const TZQLCtrl& library) {
    std::string out = "[";
    bool first = true;
    for (const auto& group : library.Groups()) {
        const TGroupData* data = group->GroupData();
        out += first ? "\n    " : ",\n    ";
        first = false;
        out += "{\"number\": " + std::to_string(group->Number()) +
               ", \"name\": " + Quote(group->Name()) +
               ", \"status\": " + std::to_string(group->Status()) +
               ", \"output_path\": " + Quote(group->OutputPath()) + ", \"zqd_file\": " +
               (data && data->Owner() ? Quote(data->Owner()->Path()) : std::string("null")) +
               ", \"gd_index\": " + (data ? std::to_string(data->Index()) : std::string("null")) +
               ", \"connect_group\": " +
               (group->ConnectGroup() ? std::to_string(group->ConnectGroup()->Number())
                                      : std::string("null")) +
               ",\n      \"elements\": " + (data ? Elements(library, *data) : std::string("[]")) +
               "}";
    }
    return out + (first ? "]" : "\n  ]");
}

}  // namespace

std::string DumpLibrary(const TZQLCtrl& library) {
    const TZQPCtrl* parameters = library.ParameterFile();
    std::string out = "{\n  \"library\": {\"path\": " + Quote(library.Path()) +
                      ", \"output_path\": " + Quote(library.OutputPath()) +
                      ", \"line_break\": " + LineBreakName(library.LineBreak()) +
                      ", \"free_text\": " + Array(library.FreeText(), Quote) + "},\n";
    out +=
        "  \"parameters\": " + (parameters ? Parameters(*parameters) : std::string("[]")) + ",\n";
    out += "  \"used_parameters\": " +
           (parameters ? Array(parameters->UsedParameters(),
                               [](const TParameter* p) { return std::to_string(p->Index()); })
                       : std::string("[]")) +
           ",\n";
    out += "  \"groups\": " + Groups(library) + "\n}\n";
    return out;
}

}  // namespace tabrix::cli
