// The Output command: writes one text file per group that is due, made of the group's header,
// every element marked for output through the common output format, and the footer, with the
// groups chained to it appended. Questions and status texts go through callbacks, so that the
// editor can answer with dialogs and the command-line tool without asking.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "format/TOutputSink.h"
#include "model/TCodeData.h"

namespace tabrix {

class TFileReplacement;
class TFormatEvaluator;
class TGroupSetting;
class TZQLCtrl;

struct TOutputCallbacks {
    // A status text for the frame (CP932); an empty text restores the title.
    std::function<void(const std::string& text)> status;
    // A message the user must see before being asked for the output folder.
    std::function<void(const std::string& text)> message;
    // Asks for the output folder, starting from folder; false when cancelled.
    std::function<bool(std::string& folder)> chooseFolder;
    // An input box with caption and prompt; text holds the default. False when cancelled.
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& text)>
        input;
    // A file that was refused or could not be written, with the reason (UTF-8).
    std::function<void(const std::string& path, const std::string& reason)> failure;
};

struct TOutputOptions {
    // A group's text that would pass this many bytes is not written: an endless format must
    // end in a message, not in a file that fills the disk or a process that runs out of memory.
    static constexpr std::size_t kDefaultFileSizeLimit = std::size_t{1} << 30;

    // Output every group with the output bit, as if each had always-output.
    bool everyGroup = false;
    // Used instead of the library's output folder when not empty (and not stored).
    std::string folder;
    // Bytes one output file may hold.
    std::size_t fileSizeLimit = DefaultFileSizeLimit();

    // The limit new options start with; the editor's tests lower it.
    static std::size_t& DefaultFileSizeLimit() {
        static std::size_t limit = kDefaultFileSizeLimit;
        return limit;
    }
};

// Where rendering a group's text stopped short, if it did.
struct TOutputCut {
    enum Cause {
        kNone,
        kTooLong,     // the text would pass the file size limit: the run stopped there
        kRunLimited,  // a run met the evaluator's limits: the text lacks the rest of that run
    };
    enum Part { kHeader, kElement, kFooter };

    Cause cause = kNone;
    const TGroupSetting* group = nullptr;  // the group rendered (a chained one, perhaps)
    Part part = kElement;
    std::size_t element = 0;   // its index, for kElement
    std::size_t elements = 0;  // the group's element count

    // Why the group's file is incomplete, naming the group and the element (UTF-8).
    std::string Describe(std::size_t fileSizeLimit) const;
};

struct TOutputReport {
    bool cancelled = false;    // no output folder was given
    std::size_t written = 0;   // files written
    std::size_t failures = 0;  // files refused or not written
};

class TOutputGenerator {
public:
    TOutputGenerator(TZQLCtrl& library, TOutputCallbacks callbacks);

    TOutputReport Run(const TOutputOptions& options = {});
    // Renders the group and the groups chained to it into the sink; where a run was cut, the
    // first place.
    TOutputCut OutputGroup(const TGroupSetting& group, TOutputSink& sink);

    // Groups of this many elements and more are rendered on every core.
    static std::size_t ParallelRenderThreshold();
    static void SetParallelRenderThreshold(std::size_t elements);

private:
    bool ResolveOutputFolder(const TOutputOptions& options, std::string& folder);
    bool EnsureFileName(TGroupSetting& group);
    void OutputDueGroup(TGroupSetting& group, const std::string& folder,
                        const TOutputOptions& options, TOutputSink& sink, TOutputReport& report);
    std::string RefusalOf(const std::string& folder, const std::string& name) const;
    std::vector<std::string> HeldFiles() const;
    bool HoldsFile(const std::string& path) const;
    // A group's file, written while its text is made.
    struct GroupFile;
    // Starts the group's file in its folder; why it cannot be written (UTF-8), or nothing.
    std::string BeginGroupFile(const std::string& folder, const std::string& name,
                               TFileReplacement& file) const;
    void RenderGroup(const TGroupSetting& group, const TGroupSetting& first, bool chained,
                     TOutputSink& sink, TOutputCut& cut);
    // The elements of a group rendered for its file.
    struct ElementRange {
        const TGroupSetting& group;
        const TGroupSetting& first;  // the group whose file it is (group, or chained to it)
        bool chained;
        std::size_t startSize;  // the sink's size after the header
        std::size_t elements;
    };
    void ReportElement(const ElementRange& range, std::size_t i) const;
    bool RenderElementsInParts(const ElementRange& range, TFormatEvaluator& evaluator,
                               TOutputSink& sink, TOutputCut& cut) const;
    bool RenderElements(const ElementRange& range, std::size_t from, std::size_t to,
                        TFormatEvaluator& evaluator, TOutputSink& sink, TOutputCut& cut) const;
    bool RenderTail(const ElementRange& range, std::size_t from, std::size_t to,
                    const TOutputSink& model, TOutputSink& tail,
                    const std::atomic<bool>& abandoned) const;
    const CodeList& OutputFormat() const;
    void Status(const std::string& text) const;
    void Failure(const std::string& path, const std::string& reason) const;

    TZQLCtrl& library_;
    TOutputCallbacks callbacks_;
};

}  // namespace tabrix
