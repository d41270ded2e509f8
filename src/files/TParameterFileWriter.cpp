#include "files/TParameterFileWriter.h"

#include <string>
#include <string_view>

#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/TFileKind.h"
#include "model/TStringDivision.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

const TFileKind& ThisKind() {
    return TFileKind::Of(FileKind::kParameters);
}

std::string Message(const std::string& path, CoreText::Id suffix) {
    return ThisKind().About(path, suffix);
}

std::string Unsigned(std::uint32_t value) {
    return TStringDivision::Format("u", value);
}
std::string Signed(std::int32_t value) {
    return TStringDivision::Format("d", value);
}

std::string UsedIndexes(const std::vector<TParameter*>& used) {
    StringList indexes;
    indexes.reserve(used.size());
    for (const TParameter* parameter : used)
        indexes.push_back(Unsigned(parameter->Index()));
    return TStringDivision::Join(",", indexes);
}

void AppendParameterLines(StringList& lines, const TParameter& parameter) {
    lines.push_back("[param]");
    lines.push_back("[name]" + parameter.Name());
    lines.push_back("[code]" + parameter.Code());
    lines.push_back("[type]" + Unsigned(parameter.Type()));
    if (const TParameter* display = parameter.DisplayParameter())
        lines.push_back("[draw_param]" + Unsigned(display->Index()));
    TStringFiler::WriteBlock(lines, "[draw_format]", parameter.DrawFormat(), "[/draw_format]");
    TStringFiler::WriteBlock(lines, "[output_format]", parameter.OutputFormat(),
                             "[/output_format]");
    TStringFiler::WriteBlock(lines, "[str]", parameter.Selection(), "[/str]");
    lines.push_back("[/param]");
}

StringList BuildFileLines(const TZQPCtrl& file, std::uint32_t savedStatus) {
    StringList lines;
    lines.push_back(ThisKind().HeaderLine());
    lines.push_back("[init]");
    lines.push_back("[status]" + Unsigned(savedStatus));
    lines.push_back("[output_type]" + Unsigned(file.OutputType()));
    const std::string_view fontName = TStringDivision().WholeCharactersBefore(file.FontName(), ',');
    lines.push_back("[draw_font]" + std::string(fontName) + "," + Signed(file.FontSize()) + "," +
                    Signed(file.FontStyle()) + "," + Unsigned(file.FontColour()));
    lines.push_back("[row_height]" + Unsigned(file.RowHeight()));
    TStringFiler::WriteBlock(lines, "[draw_format]", file.DrawFormat(), "[/draw_format]");
    TStringFiler::WriteBlock(lines, "[output_format]", file.OutputFormat(), "[/output_format]");
    if (!file.UsedParameters().empty())
        lines.push_back("[use_parameter]" + UsedIndexes(file.UsedParameters()));
    for (const StringList& format : file.ImportFormats())
        TStringFiler::WriteBlock(lines, "[import_format]", format, "[/import_format]");
    lines.push_back("[/init]");
    for (const auto& parameter : file.Parameters())
        AppendParameterLines(lines, *parameter);
    return lines;
}

}  // namespace

FileResult TParameterFileWriter::Write(const Progress& progress, TFileWriter& writer) const {
    if (!file_.IsModified()) return kFileOk;
    if (file_.IsReadOnly()) return kFileNotRead;
    const std::string& path = file_.Path();
    Report(progress, Message(path, CoreText::kSavePreparing));

    // The file records the status as it is once saved. The bit itself is only cleared when
    // the save succeeds, so a failed save never makes unsaved changes look saved.
    StringList lines = BuildFileLines(file_, file_.Status() & ~TZQPCtrl::kModified);
    Report(progress, Message(path, CoreText::kSaveBegin));
    FileResult result =
        TStringFiler().SaveTagged(lines, path, ThisKind().headerKind, TStringFiler::kCrLf, writer);
    if (result == kFileOk) file_.SetModified(false);
    return result;
}

}  // namespace tabrix
