// One opened library for a command of tabrix-cli: opening with readable errors, compiling its
// formats, a progress line on a terminal, and saving without questions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/Progress.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix::cli {

class CliSession {
public:
    CliSession();
    ~CliSession();

    // Opens the library at a native (UTF-8) path and compiles its formats; on failure error
    // says why in UTF-8.
    bool Open(const std::string& nativePath, std::string& error);
    // Creates a new library with the defaults, its files named after the library file (in
    // memory: Save writes them). Refuses, with error in UTF-8, a path the library cannot hold
    // and a library any of whose four files exists already.
    bool CreateNew(const std::string& nativePath, std::string& error);
    // Writes modified element data files, then the library, parameter and initialize-info
    // files. With everyFile all files are rewritten. Failures are appended to errors (UTF-8).
    bool Save(bool everyFile, std::vector<std::string>& errors);

    TZQLCtrl& Library() { return *library_; }
    const Progress& ProgressLine() const { return progress_; }
    // Clears the progress line, if one is shown.
    void EndProgress();
    // Prints a warning (UTF-8) on stderr.
    void Warn(const std::string& text);
    // Ends the process with status: clears the progress line and flushes every stream, and
    // leaves the library's memory to the system. Every file is closed by then (writers close
    // what they write before they return).
    [[noreturn]] void ExitWithoutTeardown(int status);

private:
    TTabrixCtrl controller_;
    std::unique_ptr<TZQLCtrl> library_;
    Progress progress_;
    bool progressShown_ = false;
};

// The model path of a path given on the command line, made absolute. False, with error in
// UTF-8, when no model path names exactly that file (see PathName::FromNative).
bool ModelPathOf(const std::string& nativePath, std::string& modelPath, std::string& error);

// A file result as words.
std::string DescribeFileResult(int result);

}  // namespace tabrix::cli
