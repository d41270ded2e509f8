#include "format/TOutputGenerator.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "files/TFileReplacement.h"
#include "files/TStringFiler.h"
#include "format/TFormatEvaluator.h"
#include "model/CoreText.h"
#include "model/FileIdentity.h"
#include "model/PathName.h"
#include "model/RunInParts.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
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

namespace {

// Why the write failed, with the system's reason where it gave one (UTF-8).
std::string WriteFailure(FileResult result) {
    return std::string(Describe(result)) +
           (errno ? std::string(": ") + std::strerror(errno) : std::string());
}

}  // namespace

// Starts the group's file, its folder created first; why it cannot be written, or nothing.
std::string TOutputGenerator::BeginGroupFile(const std::string& folder, const std::string& name,
                                             TFileReplacement& file) const {
    // The file name is always appended to the output folder, even when it looks absolute.
    const std::string path = folder + "\\" + name;
    const std::size_t separator = PathName::LastSeparator(name);
    std::string directory =
        separator == std::string::npos ? folder : folder + "\\" + name.substr(0, separator);
    std::error_code error;
    std::filesystem::create_directories(PathName::ToNative(directory), error);
    if (error)
        return "cannot create the folder " + PathName::ToNative(directory) + ": " + error.message();
    errno = 0;
    const FileResult result = TStringFiler().BeginText(file, path);
    return result == kFileOk ? std::string() : WriteFailure(result);
}

// A group's file is written while its text is made: the first piece the sink hands on starts
// it, and the rest of the text ends it. A text that is never ended (cut at the size limit)
// leaves the old file as it was.
struct TOutputGenerator::GroupFile {
    TFileReplacement file;
    bool begun = false;
    std::string failure;  // why it cannot be written (UTF-8), once known

    void Write(const TOutputGenerator& generator, const std::string& folder,
               const std::string& name, std::string_view piece) {
        if (!begun) {
            begun = true;
            failure = generator.BeginGroupFile(folder, name, file);
        }
        if (!failure.empty()) return;
        errno = 0;
        if (const FileResult result = file.Append(piece); result != kFileOk)
            failure = WriteFailure(result);
    }
    bool Finish(const TOutputGenerator& generator, const std::string& folder,
                const std::string& name, std::string_view rest) {
        Write(generator, folder, name, rest);
        if (!failure.empty()) return false;
        errno = 0;
        if (const FileResult result = file.Commit(); result != kFileOk)
            failure = WriteFailure(result);
        return failure.empty();
    }
};

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
        OutputDueGroup(group, folder, options, sink, report);
    }
    Status({});
    return report;
}

// Renders and writes the file of a group that is due; only a file written whole marks the group
// done, so that the next Output tries the others again.
void TOutputGenerator::OutputDueGroup(TGroupSetting& group, const std::string& folder,
                                      const TOutputOptions& options, TOutputSink& sink,
                                      TOutputReport& report) {
    const std::string path = folder + "\\" + group.OutputPath();
    if (const std::string refusal = RefusalOf(folder, group.OutputPath()); !refusal.empty()) {
        ++report.failures;
        Failure(path, refusal);
        return;
    }
    sink.Clear();
    sink.SetLineEnd(library_.LineBreak());
    sink.SetLimit(options.fileSizeLimit);
    GroupFile file;
    sink.HandOnTo(
        [&](std::string_view piece) { file.Write(*this, folder, group.OutputPath(), piece); });
    const TOutputCut cut = OutputGroup(group, sink);
    sink.HandOnTo(nullptr);
    sink.DropUnfinishedLine();
    if (cut.cause != TOutputCut::kNone) {
        ++report.failures;
        Failure(path, cut.Describe(options.fileSizeLimit));
    }
    // A text cut at the size limit is not written at all; one a run limit cut holds what the
    // format made, as it always did.
    if (cut.cause == TOutputCut::kTooLong) return;
    if (sink.LineCount() != 0) {
        if (!file.Finish(*this, folder, group.OutputPath(), sink.FileText())) {
            Failure(path, file.failure);
            if (cut.cause == TOutputCut::kNone) ++report.failures;
            return;
        }
        ++report.written;
    }
    if (cut.cause == TOutputCut::kNone) group.Set(TGroupSetting::kOutputDone, true);
}

// Why the group's file may not be written (UTF-8), or nothing when it may.
std::string TOutputGenerator::RefusalOf(const std::string& folder, const std::string& name) const {
    const std::string path = folder + "\\" + name;
    // The system takes a name only up to its first NUL: another file would be written.
    if (path.find('\0') != std::string::npos)
        return "the output path holds a NUL byte, which no file name can hold";
    // Written literally the file would land outside the output folder.
    if (ClimbsOut(name)) return "the output file name leads out of the output folder (\"..\")";
    // Written, the output would replace a file a library is made of.
    if (HoldsFile(path))
        return "the output file would replace one of the open libraries' own files";
    return {};
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

TOutputCut TOutputGenerator::OutputGroup(const TGroupSetting& group, TOutputSink& sink) {
    TOutputCut cut;
    if (!group.GroupData() || group.GroupData()->Size() == 0) return cut;
    RenderGroup(group, group, false, sink, cut);
    // Follow the connect chain; a loop ends at the first group met twice.
    std::unordered_set<const TGroupSetting*> visited{&group};
    const TGroupSetting* current = &group;
    while (cut.cause != TOutputCut::kTooLong && current->Has(TGroupSetting::kConnect) &&
           current->ConnectGroup()) {
        current = current->ConnectGroup();
        if (!visited.insert(current).second) break;
        if (!current->GroupData() || current->GroupData()->Size() == 0) continue;
        RenderGroup(*current, group, true, sink, cut);
    }
    return cut;
}

namespace {

// Notes the first run that was cut: by the sink's size limit, or by the evaluator's limits.
// True when rendering must stop.
bool NoteCut(int runResult, const TOutputSink& sink, const TGroupSetting& group,
             TOutputCut::Part part, std::size_t element, TOutputCut& cut) {
    const bool tooLong = sink.Full();
    if (!tooLong && runResult != kRunLimitReached) return false;
    if (cut.cause == TOutputCut::kNone || (tooLong && cut.cause != TOutputCut::kTooLong)) {
        cut.cause = tooLong ? TOutputCut::kTooLong : TOutputCut::kRunLimited;
        cut.group = &group;
        cut.part = part;
        cut.element = element;
        cut.elements = group.GroupData()->Size();
    }
    return tooLong;
}

// Groups of fewer elements are rendered on this thread alone: starting threads would cost
// more than they save.
std::atomic<std::size_t> parallelRenderThreshold{std::size_t{1} << 15};

// Elements rendered before the room for a group's text is foreseen.
constexpr std::size_t kForesight = 512;

// The file size foreseen when elements of n, after the header, made the text grow from start
// to size: the rest at the same rate, and an eighth more for elements that are larger.
std::size_t Foreseen(std::size_t size, std::size_t start, std::size_t elements, std::size_t n) {
    const std::size_t rest = (size - start) / elements * (n - elements);
    return size + rest + rest / 8 + 4096;
}

}  // namespace

// One group's text: header with the first element, every element marked for output, footer
// with the last element. A run that ends early contributes what it produced; one cut by a
// limit is noted, and one that filled the sink ends the group's text.
void TOutputGenerator::RenderGroup(const TGroupSetting& group, const TGroupSetting& first,
                                   bool chained, TOutputSink& sink, TOutputCut& cut) {
    const TGroupData& data = *group.GroupData();
    const std::size_t n = data.Size();
    TFormatEvaluator evaluator(library_, sink, kPurposeOutput);

    sink.Send(kEventBegin, {}, 0);
    if (NoteCut(evaluator.RunTopLevel(data.At(0), group.HeaderCode()), sink, group,
                TOutputCut::kHeader, 0, cut))
        return;
    const ElementRange all{group, first, chained, sink.Size(), n};
    if (RenderElementsInParts(all, evaluator, sink, cut)) return;
    if (NoteCut(evaluator.RunTopLevel(data.At(n - 1), group.FooterCode()), sink, group,
                TOutputCut::kFooter, n - 1, cut))
        return;
    sink.Send(kEventEnd, {}, 0);
    NoteCut(kRunCompleted, sink, group, TOutputCut::kFooter, n - 1, cut);
}

// Tells the frame that element i of the range's group is being rendered.
void TOutputGenerator::ReportElement(const ElementRange& range, std::size_t i) const {
    if (!callbacks_.status) return;
    const std::string total = std::to_string(range.elements);
    if (range.chained)
        Status(Text(CoreText::kOutputGroupOpen) + range.first.Name() +
               Text(CoreText::kOutputLinking) + range.group.Name() +
               Text(CoreText::kOutputJoining) + std::to_string(i) + " / " + total +
               Text(CoreText::kOutputJoiningClose));
    else
        Status(Text(CoreText::kOutputGroupOpen) + range.group.Name() +
               Text(CoreText::kOutputProgressOpen) + std::to_string(i) + " / " + total +
               Text(CoreText::kOutputProgressClose));
}

// The elements from..to-1 of the range's group into the sink through the evaluator, telling
// the progress; true when the sink filled and the group's text ends.
bool TOutputGenerator::RenderElements(const ElementRange& range, std::size_t from, std::size_t to,
                                      TFormatEvaluator& evaluator, TOutputSink& sink,
                                      TOutputCut& cut) const {
    const TGroupData& data = *range.group.GroupData();
    const CodeList& format = OutputFormat();
    for (std::size_t i = from; i < to; ++i) {
        // The first elements tell about how large the text grows: room for it all at once
        // spares moving it as it grows.
        if (i == kForesight)
            sink.Reserve(Foreseen(sink.Size(), range.startSize, i, range.elements));
        const TElement* element = data.At(i);
        if (!element->OutputFlag()) continue;
        ReportElement(range, i);
        if (NoteCut(evaluator.RunTopLevel(element, format), sink, range.group, TOutputCut::kElement,
                    i, cut))
            return true;
    }
    return false;
}

// A large group's elements are cut into chunks: this thread renders the first into the sink,
// the others are rendered on every core, each into a sink of its own begun as the text after a
// finished line, and joined here in order. A chunk's text is taken where the text before it
// ends in a finished line and the chunk met no limit: then it is the text the one sink would
// have had. From the first chunk not taken on, the elements are rendered here again.
bool TOutputGenerator::RenderElementsInParts(const ElementRange& range, TFormatEvaluator& evaluator,
                                             TOutputSink& sink, TOutputCut& cut) const {
    const std::size_t n = range.elements;
    const std::size_t parts =
        std::min(PartsFor(n, parallelRenderThreshold.load(std::memory_order_relaxed)), n);
    if (parts == 1) return RenderElements(range, 0, n, evaluator, sink, cut);
    const std::size_t each = ChunkSize(n, 8192);
    const std::size_t chunks = (n + each - 1) / each;
    auto end = [&](std::size_t c) { return std::min(n, (c + 1) * each); };
    struct Tail {
        TOutputSink sink;
        bool whole = false;
    };
    std::atomic<bool> abandoned{false};
    bool filled = false;
    const std::size_t stopped = JoinInOrder<Tail>(
        chunks, parts,
        [&] {
            filled = RenderElements(range, 0, end(0), evaluator, sink, cut);
            return !filled;
        },
        [&](std::size_t c, Tail& tail) {
            tail.whole = RenderTail(range, c * each, end(c), sink, tail.sink, abandoned);
        },
        [&](std::size_t c, Tail& tail) {
            if (!tail.whole || !sink.AppendTail(tail.sink)) {
                abandoned = true;
                return false;
            }
            ReportElement(range, end(c) - 1);
            return true;
        });
    if (filled) return true;
    return RenderElements(range, std::min(n, stopped * each), n, evaluator, sink, cut);
}

// Renders the elements from..to-1 into tail, a sink of their own; false where a run met a
// limit or the sink filled (the elements are then rendered again in order) or where the text
// before was cut short.
bool TOutputGenerator::RenderTail(const ElementRange& range, std::size_t from, std::size_t to,
                                  const TOutputSink& model, TOutputSink& tail,
                                  const std::atomic<bool>& abandoned) const {
    tail.SetLineEnd(model.LineEnd());
    tail.SetLimit(model.Limit());
    tail.StartAsTail();
    TFormatEvaluator evaluator(library_, tail, kPurposeOutput);
    const TGroupData& data = *range.group.GroupData();
    const CodeList& format = OutputFormat();
    for (std::size_t i = from; i < to; ++i) {
        if (i - from == kForesight) tail.Reserve(Foreseen(tail.Size(), 0, i - from, to - from));
        const TElement* element = data.At(i);
        if (!element->OutputFlag()) continue;
        if (evaluator.RunTopLevel(element, format) == kRunLimitReached || tail.Full()) return false;
        if (abandoned.load(std::memory_order_relaxed)) return false;
    }
    return true;
}

const CodeList& TOutputGenerator::OutputFormat() const {
    static const CodeList kNoFormat;
    const TZQPCtrl* parameters = library_.ParameterFile();
    return parameters ? parameters->OutputCode() : kNoFormat;
}

std::size_t TOutputGenerator::ParallelRenderThreshold() {
    return parallelRenderThreshold.load(std::memory_order_relaxed);
}

void TOutputGenerator::SetParallelRenderThreshold(std::size_t elements) {
    parallelRenderThreshold.store(elements, std::memory_order_relaxed);
}

std::string TOutputCut::Describe(std::size_t fileSizeLimit) const {
    const std::string name = group ? TextCodec::ToUtf8(group->Name()) : std::string();
    std::string where;
    if (part == kHeader)
        where = "the header of group " + name;
    else if (part == kFooter)
        where = "the footer of group " + name;
    else
        where = "element " + std::to_string(element + 1) + " of " + std::to_string(elements) +
                " of group " + name;
    if (cause == kTooLong)
        return "output stopped at " + where + ": the text would pass the limit of " +
               std::to_string(fileSizeLimit) + " bytes per output file; nothing was written";
    return "the format stopped at " + where + " when it met a limit (" +
           std::to_string(TFormatEvaluator::kMaxLoopIterations) + " loop turns, " +
           std::to_string(TFormatEvaluator::kMaxFormatNesting) +
           " nested own formats or its step budget); the file holds the text up to there";
}

}  // namespace tabrix
