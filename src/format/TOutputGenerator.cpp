#include "format/TOutputGenerator.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "format/TFormatEvaluator.h"
#include "model/CoreText.h"
#include "model/FileIdentity.h"
#include "model/PathName.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TStringFiler.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

// True when a component of the name is "..", which would lead out of the output folder.
bool ClimbsOut(std::string_view name) {
    while (!name.empty()) {
        std::size_t separator = PathName::LastSeparator(name);
        std::string_view component =
            separator == std::string_view::npos ? name : name.substr(separator + 1);
        if (component == "..") return true;
        if (separator == std::string_view::npos) break;
        name = name.substr(0, separator);
    }
    return false;
}

std::string SaveFailureReason(int result) {
    switch (result) {
        case kFileCannotOpen:
            return "cannot create the file";
        case kFileShortWrite:
            return "the file could not be written completely";
        case kFileCloseFailed:
            return "the file could not be flushed or closed";
        default:
            return "the file could not be written";
    }
}

const std::string& Text(CoreText::Id id) {
    return CoreText::Get(id);
}

}  // namespace

TOutputGenerator::TOutputGenerator(TZQLCtrl& library, TOutputCallbacks callbacks)
    : library_(library), callbacks_(std::move(callbacks)) {}

void TOutputGenerator::Status(const std::string& text) const {
    if (callbacks_.status) callbacks_.status(text);
}

void TOutputGenerator::Failure(const std::string& path, const std::string& reason) const {
    if (callbacks_.failure) callbacks_.failure(path, reason);
}

TOutputReport TOutputGenerator::Run(const TOutputOptions& options) {
    TOutputReport report;
    std::string folder;
    if (!ResolveOutputFolder(options, folder)) {
        report.cancelled = true;
        return report;
    }
    TOutputSink sink;
    for (const auto& owned : library_.Groups()) {
        TGroupSetting& group = *owned;
        if (!group.Has(TGroupSetting::kOutput)) continue;
        Status(Text(CoreText::kOutputGroupOpen) + group.Name() + Text(CoreText::kOutputGroupBusy));
        bool due = !group.Has(TGroupSetting::kOutputDone) ||
                   group.Has(TGroupSetting::kAlwaysOutput) || options.everyGroup;
        if (!due || !EnsureFileName(group)) continue;
        if (ClimbsOut(group.OutputPath())) {
            // Written literally the file would land outside the output folder.
            ++report.failures;
            Failure(folder + "\\" + group.OutputPath(),
                    "the output file name leads out of the output folder (\"..\")");
            continue;
        }
        if (HoldsFile(folder + "\\" + group.OutputPath())) {
            // Written, the output would replace a file a library is made of.
            ++report.failures;
            Failure(folder + "\\" + group.OutputPath(),
                    "the output file would replace one of the open libraries' own files");
            continue;
        }
        sink.Clear();
        OutputGroup(group, sink);
        if (sink.LineCount() != 0) {
            if (!WriteGroupFile(folder, group.OutputPath(), sink)) {
                ++report.failures;
                continue;  // not marked done, so the next Output tries again
            }
            ++report.written;
        }
        group.Set(TGroupSetting::kOutputDone, true);
    }
    Status({});
    return report;
}

// The files of this library and of every library open beside it: library, parameter,
// initialize-info and element data files.
std::vector<std::string> TOutputGenerator::HeldFiles() const {
    std::vector<std::string> held;
    auto addLibrary = [&held](const TZQLCtrl& library) {
        held.push_back(library.Path());
        if (library.ParameterFile()) held.push_back(library.ParameterFile()->Path());
        if (library.InitializeInfo()) held.push_back(library.InitializeInfo()->Path());
        for (const auto& group : library.Groups())
            if (group->GroupData() && group->GroupData()->Owner())
                held.push_back(group->GroupData()->Owner()->Path());
    };
    addLibrary(library_);
    if (const TTabrixCtrl* controller = library_.Controller()) {
        for (const TZQLCtrl* open : controller->Libraries())
            if (open != &library_) addLibrary(*open);
        for (const auto& file : controller->ElementDataFiles())
            held.push_back(file->Path());
    }
    return held;
}

bool TOutputGenerator::HoldsFile(const std::string& path) const {
    for (const std::string& held : HeldFiles())
        if (!held.empty() && FileIdentity::Same(held, path)) return true;
    return false;
}

bool TOutputGenerator::ResolveOutputFolder(const TOutputOptions& options, std::string& folder) {
    if (!options.folder.empty()) {
        folder = options.folder;
        return true;
    }
    if (!library_.OutputPath().empty()) {
        folder = library_.OutputPath();
        return true;
    }
    if (callbacks_.message) callbacks_.message(Text(CoreText::kOutputNoDestination));
    std::string chosen = PathName::FolderOf(library_.Path());
    if (!callbacks_.chooseFolder || !callbacks_.chooseFolder(chosen) || chosen.empty())
        return false;
    if (chosen.size() > 1 && (chosen.back() == '\\' || chosen.back() == '/') &&
        PathName::LastSeparator(chosen) == chosen.size() - 1)
        chosen.pop_back();
    library_.SetOutputPath(chosen);
    folder = chosen;
    return true;
}

bool TOutputGenerator::EnsureFileName(TGroupSetting& group) {
    if (!group.OutputPath().empty()) return true;
    std::string name = group.Name() + ".txt";
    const std::string caption =
        Text(CoreText::kGroupCaptionOpen) + group.Name() + Text(CoreText::kCloseQuote);
    if (!callbacks_.input ||
        !callbacks_.input(caption, Text(CoreText::kOutputFileNamePrompt), name) || name.empty())
        return false;
    group.SetOutputPath(name);
    return true;
}

bool TOutputGenerator::WriteGroupFile(const std::string& folder, const std::string& name,
                                      const TOutputSink& sink) {
    // The file name is always appended to the output folder, even when it looks absolute.
    const std::string path = folder + "\\" + name;
    std::size_t separator = PathName::LastSeparator(name);
    std::string directory =
        separator == std::string::npos ? folder : folder + "\\" + name.substr(0, separator);
    std::error_code error;
    std::filesystem::create_directories(PathName::ToNative(directory), error);
    if (error) {
        Failure(path, "cannot create the folder " + PathName::ToNative(directory) + ": " +
                          error.message());
        return false;
    }
    TStringFiler filer;
    errno = 0;
    const std::string text = filer.JoinForReading(
        sink.LineCount(), [&sink](std::size_t i) { return sink.Line(i); }, library_.LineBreak());
    FileResult result = filer.SaveText(text, path);
    if (result != kFileOk) {
        Failure(path, SaveFailureReason(result) +
                          (errno ? std::string(": ") + std::strerror(errno) : std::string()));
        return false;
    }
    return true;
}

void TOutputGenerator::OutputGroup(const TGroupSetting& group, TOutputSink& sink) {
    if (!group.GroupData() || group.GroupData()->Size() == 0) return;
    RenderGroup(group, group, false, sink);
    // Follow the connect chain; a loop ends at the first group met twice.
    std::unordered_set<const TGroupSetting*> visited{&group};
    const TGroupSetting* current = &group;
    while (current->Has(TGroupSetting::kConnect) && current->ConnectGroup()) {
        current = current->ConnectGroup();
        if (!visited.insert(current).second) break;
        if (!current->GroupData() || current->GroupData()->Size() == 0) continue;
        RenderGroup(*current, group, true, sink);
    }
}

// One group's text: header with the first element, every element marked for output, footer
// with the last element. Run results are not consulted: a run that ends early contributes what
// it produced.
void TOutputGenerator::RenderGroup(const TGroupSetting& group, const TGroupSetting& first,
                                   bool chained, TOutputSink& sink) {
    const TGroupData& data = *group.GroupData();
    const std::size_t n = data.Size();
    TFormatEvaluator evaluator(library_, sink, kPurposeOutput);
    static const CodeList kNoFormat;
    const TZQPCtrl* parameters = library_.ParameterFile();
    const CodeList& format = parameters ? parameters->OutputCode() : kNoFormat;
    const std::string total = std::to_string(n);

    sink.Send(kEventBegin, {}, 0);
    evaluator.RunTopLevel(data.At(0), group.HeaderCode());
    for (std::size_t i = 0; i < n; ++i) {
        const TElement* element = data.At(i);
        if (!element->OutputFlag()) continue;
        if (callbacks_.status) {
            if (chained)
                Status(Text(CoreText::kOutputGroupOpen) + first.Name() +
                       Text(CoreText::kOutputLinking) + group.Name() +
                       Text(CoreText::kOutputJoining) + std::to_string(i) + " / " + total +
                       Text(CoreText::kOutputJoiningClose));
            else
                Status(Text(CoreText::kOutputGroupOpen) + group.Name() +
                       Text(CoreText::kOutputProgressOpen) + std::to_string(i) + " / " + total +
                       Text(CoreText::kOutputProgressClose));
        }
        evaluator.RunTopLevel(element, format);
    }
    evaluator.RunTopLevel(data.At(n - 1), group.FooterCode());
    sink.Send(kEventEnd, {}, 0);
}

}  // namespace tabrix
