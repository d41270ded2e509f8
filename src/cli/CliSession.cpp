#include "cli/CliSession.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "files/TLibraryOpener.h"
#include "files/TLibrarySaver.h"
#include "format/TFormatCompiler.h"
#include "model/CoreText.h"
#include "model/PathName.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::cli {

namespace {

std::string Utf8(const std::string& cp932) {
    return TextCodec::ToUtf8(cp932);
}

// A model path as the message texts show it: the native name the system is given.
std::string Shown(const std::string& modelPath) {
    return PathName::ToNative(modelPath);
}

// True when something, even a dangling link, stands at the native path; writing there would
// replace it or write through it.
bool Occupied(const std::string& nativePath) {
    std::error_code error;
    return std::filesystem::symlink_status(nativePath, error).type() !=
           std::filesystem::file_type::not_found;
}

}  // namespace

bool ModelPathOf(const std::string& nativePath, std::string& modelPath, std::string& error) {
    std::error_code ignored;
    const std::string absolute =
        std::filesystem::absolute(nativePath, ignored).lexically_normal().string();
    const std::string shown = TextCodec::ValidUtf8(nativePath);
    // The model turns every backslash into a folder separator on the way to the system, so
    // such a name would open or write another file than the one given.
    if (absolute.find('\\') != std::string::npos) {
        error = shown + ": the path contains a backslash, which library files take for a " +
                "folder separator";
        return false;
    }
    if (!PathName::FromNative(absolute, modelPath)) {
        error = shown + ": the path has characters with no Shift-JIS (CP932) form, which " +
                "library files cannot hold";
        return false;
    }
    return true;
}

CliSession::CliSession() {
    // A progress line only where someone watches it, redrawn at most ten times a second.
    if (isatty(STDERR_FILENO)) {
        progress_ = [this, last = std::chrono::steady_clock::time_point()](
                        const std::string& message) mutable {
            auto now = std::chrono::steady_clock::now();
            if (!message.empty() && now - last < std::chrono::milliseconds(100)) return;
            last = now;
            std::fprintf(stderr, "\r\033[K%s", Utf8(message).c_str());
            std::fflush(stderr);
            progressShown_ = !message.empty();
        };
    }
}

CliSession::~CliSession() {
    EndProgress();
    library_.reset();  // before the controller it is registered with
}

// std::exit, not _Exit: the session lives on the caller's stack, which exit does not unwind,
// so the library is still never freed; but the handlers registered at exit still run (the
// coverage counters of an instrumented build are written there, and the leak checker of the
// sanitizer build finds the library reachable from this stack).
void CliSession::ExitWithoutTeardown(int status) {
    EndProgress();
    std::fflush(nullptr);
    std::exit(status);
}

void CliSession::Warn(const std::string& text) {
    EndProgress();
    std::fprintf(stderr, "tabrix-cli: warning: %s\n", text.c_str());
}

void CliSession::EndProgress() {
    if (!progressShown_) return;
    std::fprintf(stderr, "\r\033[K");
    progressShown_ = false;
}

bool CliSession::Open(const std::string& nativePath, std::string& error) {
    const std::string shown = TextCodec::ValidUtf8(nativePath);
    if (!std::filesystem::is_regular_file(nativePath)) {
        error = "cannot open " + shown + ": no such file";
        return false;
    }
    std::string path;
    if (!ModelPathOf(nativePath, path, error)) return false;
    FileResult result = kFileOk;
    library_ = TLibraryOpener(controller_).OpenNewLibrary(path, result, progress_);
    EndProgress();
    if (!library_) {
        error = result == kFileWrongHeader
                    ? shown + ": not a library file"
                    : "cannot open " + shown + ": " + std::string(Describe(result));
        return false;
    }
    for (const TLoadProblem& problem : library_->LoadProblems())
        Warn(problem.Describe());
    if (progress_) progress_(CoreText::Get(CoreText::kAnalysingFormats));
    TFormatCompiler::CompileAll(*library_);
    EndProgress();
    return true;
}

bool CliSession::CreateNew(const std::string& nativePath, std::string& error) {
    std::string path;
    if (!ModelPathOf(nativePath, path, error)) return false;
    for (const std::string& file : TTabrixCtrl::NewLibraryFiles(path)) {
        if (Occupied(PathName::ToNative(file))) {
            error = Shown(file) + " already exists; nothing was written";
            return false;
        }
    }
    library_ = std::make_unique<TZQLCtrl>();
    controller_.FillNamedNewLibrary(*library_, path);
    return true;
}

namespace {

// The command-line tool asks nobody: a file without a path is an error, and so is every file
// that was not written.
class ReportingQuestions : public TSaveQuestions {
public:
    explicit ReportingQuestions(std::vector<std::string>& errors) : errors_(errors) {}

    bool ChoosePath(SavedFile kind, const TGroupSetting* group, std::string&) override {
        static const char* const kWhat[] = {"element data file", "library file", "parameter file",
                                            "initialize-info file"};
        std::string what = std::string("the ") + kWhat[static_cast<int>(kind)];
        if (group) what += " of group " + TextCodec::ToUtf8(group->Name());
        errors_.push_back(what + " has no path");
        return false;
    }
    bool SameNameForTheOthers() override { return false; }
    void Failed(SavedFile, const std::string& path, FileResult result) override {
        errors_.push_back(Shown(path) + ": " + std::string(Describe(result)));
    }

private:
    std::vector<std::string>& errors_;
};

}  // namespace

bool CliSession::Save(bool everyFile, std::vector<std::string>& errors) {
    ReportingQuestions questions(errors);
    TSaveReport report = TLibrarySaver(*library_, questions, progress_).Save(everyFile);
    EndProgress();
    return report.failed == 0 && report.skipped == 0;
}

}  // namespace tabrix::cli
