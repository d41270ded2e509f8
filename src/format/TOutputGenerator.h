// The Output command: writes one text file per group that is due, made of the group's header,
// every element marked for output through the common output format, and the footer, with the
// groups chained to it appended. Questions and status texts go through callbacks, so that the
// editor can answer with dialogs and the command-line tool without asking.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "format/TOutputSink.h"

namespace tabrix {

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
    // Output every group with the output bit, as if each had always-output.
    bool everyGroup = false;
    // Used instead of the library's output folder when not empty (and not stored).
    std::string folder;
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
    // Renders the group and the groups chained to it into the sink.
    void OutputGroup(const TGroupSetting& group, TOutputSink& sink);

private:
    bool ResolveOutputFolder(const TOutputOptions& options, std::string& folder);
    bool EnsureFileName(TGroupSetting& group);
    // Writes the lines; false (reported) when the name is refused or the file not written.
    std::vector<std::string> HeldFiles() const;
    bool HoldsFile(const std::string& path) const;
    bool WriteGroupFile(const std::string& folder, const std::string& name,
                        const TOutputSink& sink);
    void RenderGroup(const TGroupSetting& group, const TGroupSetting& first, bool chained,
                     TOutputSink& sink);
    void Status(const std::string& text) const;
    void Failure(const std::string& path, const std::string& reason) const;

    TZQLCtrl& library_;
    TOutputCallbacks callbacks_;
};

}  // namespace tabrix
