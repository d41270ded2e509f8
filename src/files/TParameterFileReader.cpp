#include "files/TParameterFileReader.h"

#include <string>

#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/PathName.h"
#include "model/TFileKind.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

const TFileKind& ThisKind() {
    return TFileKind::Of(FileKind::kParameters);
}

constexpr std::size_t kDrawFontFields = 4;

std::string Message(const std::string& path, CoreText::Id suffix) {
    return ThisKind().About(path, suffix);
}

// Fills a TZQPCtrl from the lines of a parameter definition file. Display parameters and the
// used-parameter list name parameters by position, so they are only resolved once every
// parameter has been read.
class DefinitionFiller {
public:
    DefinitionFiller(TZQPCtrl& file, const StringList& lines) : file_(file), lines_(lines) {}

    void Run() {
        for (std::size_t i = 1; i < lines_.size(); ++i) {
            std::string value = lines_[i];
            std::string tag = filer_.CutTag(value);
            if (tag == "[param") {
                i = ReadParameter(i);
            } else if (tag == "[init") {
                i = ReadInit(i);
            }
        }
        ResolveDisplayParameters();
        ResolveUsedParameters();
    }

private:
    struct PendingDisplay {
        TParameter* parameter;
        std::uint32_t index;
    };

    // Reads from the opening line at open up to "[/param" or the end of the lines and appends
    // the parameter; returns the index of the closing line (or lines.size()).
    std::size_t ReadParameter(std::size_t open) {
        auto parameter = std::make_unique<TParameter>();
        std::size_t i = open + 1;
        for (; i < lines_.size(); ++i) {
            std::string value = lines_[i];
            std::string tag = filer_.CutTag(value);
            if (tag == "[/param") break;
            i = ReadParameterTag(*parameter, tag, std::move(value), i);
        }
        file_.AddParameter(std::move(parameter));
        return i;
    }

    // Returns the index of the last line the tag used (a block's closing line).
    std::size_t ReadParameterTag(TParameter& parameter, const std::string& tag, std::string value,
                                 std::size_t i) {
        if (tag == "[name") {
            parameter.SetName(std::move(value));
        } else if (tag == "[code") {
            parameter.SetCode(std::move(value));
        } else if (tag == "[type") {
            parameter.SetType(static_cast<std::uint8_t>(TStringDivision::ToULong(value, 0)));
        } else if (tag == "[draw_param") {
            pendingDisplays_.push_back({&parameter, TStringDivision::ToULong(value, 0)});
        } else if (tag == "[draw_format") {
            return TStringFiler::ReadBlock(lines_, i, "[/draw_format]", parameter.DrawFormat());
        } else if (tag == "[output_format") {
            return TStringFiler::ReadBlock(lines_, i, "[/output_format]", parameter.OutputFormat());
        } else if (tag == "[str") {
            return TStringFiler::ReadBlock(lines_, i, "[/str]", parameter.Selection());
        }
        return i;
    }

    // Reads the settings section from the opening line at open up to "[/init" or the end of
    // the lines; returns the index of the closing line (or lines.size()).
    std::size_t ReadInit(std::size_t open) {
        std::size_t i = open + 1;
        for (; i < lines_.size(); ++i) {
            std::string value = lines_[i];
            std::string tag = filer_.CutTag(value);
            if (tag == "[/init") break;
            i = ReadInitTag(tag, std::move(value), i);
        }
        return i;
    }

    std::size_t ReadInitTag(const std::string& tag, std::string value, std::size_t i) {
        if (tag == "[status") {
            file_.SetStatus(TStringDivision::ToULong(value, 0));
        } else if (tag == "[output_type") {
            file_.SetOutputType(TStringDivision::ToULong(value, 0));
        } else if (tag == "[row_height") {
            file_.SetRowHeight(TStringDivision::ToULong(value, 0));
        } else if (tag == "[draw_font") {
            ReadDrawFont(value);
        } else if (tag == "[use_parameter") {
            usedText_ = std::move(value);
        } else if (tag == "[draw_format") {
            return TStringFiler::ReadBlock(lines_, i, "[/draw_format]", file_.DrawFormat());
        } else if (tag == "[output_format") {
            return TStringFiler::ReadBlock(lines_, i, "[/output_format]", file_.OutputFormat());
        } else if (tag == "[import_format") {
            StringList format;
            i = TStringFiler::ReadBlock(lines_, i, "[/import_format]", format);
            file_.ImportFormats().push_back(std::move(format));
        }
        return i;
    }

    // "name,size,style,colour"; missing fields are empty texts and so read as 0, while a field
    // that is not a number falls back to the default.
    void ReadDrawFont(const std::string& value) {
        StringList fields;
        filer_.Split(value, ",", fields, 0);
        if (fields.size() < kDrawFontFields) fields.resize(kDrawFontFields);
        file_.SetFontName(fields[0].empty() ? CoreText::Get(CoreText::kDefaultFontName)
                                            : fields[0]);
        file_.SetFontSize(TStringDivision::ToLong(fields[1], TZQPCtrl::kDefaultFontSize));
        file_.SetFontStyle(TStringDivision::ToLong(fields[2], 0));
        file_.SetFontColour(TStringDivision::ToULong(fields[3], 0));
    }

    // An index that names no parameter leaves the display parameter unset.
    void ResolveDisplayParameters() {
        for (const PendingDisplay& pending : pendingDisplays_) {
            if (pending.index < file_.Size())
                pending.parameter->SetDisplayParameter(file_.At(pending.index));
        }
    }

    // Indexes that name no parameter are skipped; repeats are kept. A file without used
    // parameters has no "[use_parameter]" line at all, and an empty value means the same.
    void ResolveUsedParameters() {
        if (usedText_.empty()) return;
        StringList pieces;
        filer_.Split(usedText_, ",", pieces, 0);
        for (const std::string& piece : pieces) {
            std::uint32_t index = TStringDivision::ToULong(piece, 0);
            if (index < file_.Size()) file_.UsedParameters().push_back(file_.At(index));
        }
    }

    TStringFiler filer_;
    TZQPCtrl& file_;
    const StringList& lines_;
    std::vector<PendingDisplay> pendingDisplays_;
    std::string usedText_;
};

}  // namespace

FileResult TParameterFileReader::Read(const Progress& progress) {
    // A relative path names a file beside the library; absolute paths come back unchanged.
    if (const TZQLCtrl* owner = file_.OwnerLibrary())
        file_.SetPath(PathName::Resolve(owner->Path(), file_.Path()));
    const std::string path = file_.Path();

    Report(progress, Message(path, CoreText::kReadBegin));
    TStringFiler filer;
    StringList lines;
    FileResult result = filer.LoadTagged(lines, path, ThisKind().headerKind);
    if (result != kFileOk) return result;

    Report(progress, Message(path, CoreText::kExpanding));
    file_.Reset(path);
    DefinitionFiller(file_, lines).Run();
    file_.SetModified(false);
    return kFileOk;
}

}  // namespace tabrix
