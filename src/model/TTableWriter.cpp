#include "model/TTableWriter.h"

#include <string_view>

#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTableForms.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

void AppendField(std::string_view field, char delimiter, std::string& out) {
    const char special[] = {delimiter, '"', '\r', '\n', '\0'};
    if (field.find_first_of(special) == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field)
        (c == '"' ? out += "\"\"" : out += c);
    out += '"';
}

}  // namespace

std::string TTableWriter::Write(const TZQLCtrl& library, const TGroupSetting& group,
                                const TTableFormat& format) {
    const TTableForms forms(library);
    const char delimiter = format.Delimiter();
    std::string out(TTableForms::kOutputHead);
    for (std::size_t i = 0; i < forms.ParameterCount(); ++i) {
        out += delimiter;
        AppendField(forms.Head(i), delimiter, out);
    }
    out += "\r\n";
    std::string field;
    if (const TGroupData* data = group.GroupData()) {
        for (const auto& element : data->Elements()) {
            out += element->OutputFlag() ? '1' : '0';
            for (std::size_t i = 0; i < forms.ParameterCount(); ++i) {
                out += delimiter;
                field.clear();
                forms.AppendValue(*element, i, field);
                AppendField(field, delimiter, out);
            }
            out += "\r\n";
        }
    }
    return format.encoding == TTableFormat::kUtf8 ? TextCodec::ToUtf8(out) : out;
}

std::string TTableWriter::WriteElements(const TZQLCtrl& library,
                                        const std::vector<const TElement*>& elements,
                                        const TTableFormat& format) {
    const TTableForms forms(library);
    const char delimiter = format.Delimiter();
    std::string out(TTableForms::kOutputHead);
    for (std::size_t i = 0; i < forms.ParameterCount(); ++i) {
        out += delimiter;
        AppendField(forms.Head(i), delimiter, out);
    }
    out += "\r\n";
    std::string field;
    for (const TElement* element : elements) {
        out += element->OutputFlag() ? '1' : '0';
        for (std::size_t i = 0; i < forms.ParameterCount(); ++i) {
            out += delimiter;
            field.clear();
            forms.AppendValue(*element, i, field);
            AppendField(field, delimiter, out);
        }
        out += "\r\n";
    }
    return format.encoding == TTableFormat::kUtf8 ? TextCodec::ToUtf8(out) : out;
}

}  // namespace tabrix
