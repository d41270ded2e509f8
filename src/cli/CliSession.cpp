#include "cli/CliSession.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

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

std::string DescribeFileResult(int result) {
    switch (result) {
        case kFileOk:
            return "ok";
        case kFileCannotOpen:
            return "cannot open the file";
        case kFileShortWrite:
            return "the file could not be written completely";
        case kFileCloseFailed:
            return "the file is empty, or could not be flushed or closed";
        case kFileWrongHeader:
            return "not a Tabrix file of the expected kind";
        case kFileNotRead:
            return "not written: the file was not read when the library was opened";
        default:
            return "file error " + std::to_string(result);
    }
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
    int result = kFileOk;
    library_ = controller_.OpenNewLibrary(path, result, progress_);
    EndProgress();
    if (!library_) {
        error = result == kFileWrongHeader
                    ? shown + ": not a library file"
                    : "cannot open " + shown + ": " + DescribeFileResult(result);
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
    std::string base = path;
    std::size_t separator = PathName::LastSeparator(base);
    std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && (separator == std::string::npos || dot > separator))
        base.resize(dot);
    for (const std::string& file : {path, base + ".ZQP", base + ".ZQI", base + ".ZQD"}) {
        if (Occupied(PathName::ToNative(file))) {
            error = Shown(file) + " already exists; nothing was written";
            return false;
        }
    }
    library_ = std::make_unique<TZQLCtrl>();
    controller_.FillNewLibrary(*library_);
    library_->SetPath(path);
    library_->ParameterFile()->SetPath(base + ".ZQP");
    library_->InitializeInfo()->SetPath(base + ".ZQI");
    library_->Group(0)->GroupData()->Owner()->SetPath(base + ".ZQD");
    library_->Group(0)->GroupData()->Owner()->SetModified(true);
    return true;
}

bool CliSession::Save(bool everyFile, std::vector<std::string>& errors) {
    const std::size_t before = errors.size();
    std::set<TZQDCtrl*> dataFiles;
    for (const auto& group : library_->Groups())
        if (group->GroupData() && group->GroupData()->Owner())
            dataFiles.insert(group->GroupData()->Owner());
    auto keptUnread = [&errors](const std::string& path) {
        errors.push_back(PathName::ToNative(path) +
                         ": not written, as it was not read when the library was opened");
    };
    // Every file was asked for, and these could not even be read.
    if (everyFile)
        for (const TLoadProblem& problem : library_->LoadProblems())
            if (problem.kind == TLoadProblem::kElementData) keptUnread(problem.path);
    for (TZQDCtrl* file : dataFiles) {
        if (everyFile) file->SetModified(true);
        if (!file->IsModified()) continue;
        if (file->IsReadOnly()) {
            keptUnread(file->Path());
            continue;
        }
        if (file->Path().empty()) {
            errors.push_back("an element data file has no path");
            continue;
        }
        int result = file->Write(*library_, progress_);
        if (result != kFileOk)
            errors.push_back(Shown(file->Path()) + ": " + DescribeFileResult(result));
    }
    auto write = [&](const std::string& path, const char* what, auto&& writer) {
        if (path.empty()) {
            errors.push_back(std::string("the ") + what + " has no path");
            return;
        }
        int result = writer();
        if (result != kFileOk) errors.push_back(Shown(path) + ": " + DescribeFileResult(result));
    };
    library_->SetModified(true);
    write(library_->Path(), "library file", [&] { return library_->Write(progress_); });
    if (TZQPCtrl* parameters = library_->ParameterFile()) {
        parameters->SetModified(true);
        if (parameters->IsReadOnly())
            keptUnread(parameters->Path());
        else
            write(parameters->Path(), "parameter file",
                  [&] { return parameters->Write(progress_); });
    }
    if (TZQICtrl* info = library_->InitializeInfo()) {
        if (info->IsReadOnly())
            keptUnread(info->Path());
        else
            write(info->Path(), "initialize-info file", [&] { return info->Write(); });
    }
    EndProgress();
    return errors.size() == before;
}

}  // namespace tabrix::cli
