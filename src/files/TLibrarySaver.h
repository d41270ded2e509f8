// The save of a library as both front ends do it: the element data files its groups show, then
// the library file, the parameter file and the initialize-info file, asking for every path that
// is still empty. Questions and failures go through TSaveQuestions, which the editor answers
// with dialogs and the command-line tool without asking anyone.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "model/FileResult.h"
#include "model/Progress.h"

namespace tabrix {

class TGroupSetting;
class TZQDCtrl;
class TZQLCtrl;

enum class SavedFile { kElementData, kLibrary, kParameter, kInitializeInfo };

class TSaveQuestions {
public:
    virtual ~TSaveQuestions() = default;
    // A path for a file that has none (for element data: the file of group's group data);
    // false when the user cancels, which skips that file.
    virtual bool ChoosePath(SavedFile kind, const TGroupSetting* group, std::string& path) = 0;
    // Asked once a new library file path is chosen: give the parameter and initialize-info
    // files the library's name too (when they have no path)?
    virtual bool SameNameForTheOthers() = 0;
    // A file was not written: result is its FileResult (kFileNotRead for a file that could not
    // be read when the library was opened). The other files are still written.
    virtual void Failed(SavedFile kind, const std::string& path, FileResult result) = 0;
    // Just before the initialize-info file is written: the windows store their layout.
    virtual void StoreLayout() {}
};

struct TSaveReport {
    std::size_t written = 0;
    std::size_t failed = 0;   // not written: refused, failed, or not read when opened
    std::size_t skipped = 0;  // no path, and none was given
};

class TLibrarySaver {
public:
    TLibrarySaver(TZQLCtrl& library, TSaveQuestions& questions, Progress progress = {});

    // everyFile: rewrite every element data file, modified or not.
    TSaveReport Save(bool everyFile = false);

private:
    void SaveElementData(bool everyFile);
    // Element data files named relative to a library that had no place yet: written once the
    // library file has one, beside it.
    void SaveWaitingElementData();
    void SaveLibraryFile();
    // A relative path while the library has no place: it names no place yet, so the file
    // waits (or is skipped) rather than land in whatever folder the program runs in.
    bool Unplaced(const std::string& path) const;
    // Relative paths given before the library had a place name places beside it.
    void AnchorRelativePaths();
    void SaveParameterFile();
    void SaveInitializeInfo();
    // The parameter and window-state file paths the library file names.
    std::pair<std::string, std::string> NamedSiblings() const;
    bool EnsurePath(SavedFile kind, const TGroupSetting* group, std::string& path);
    void Count(SavedFile kind, const std::string& path, FileResult result);

    TZQLCtrl& library_;
    TSaveQuestions& questions_;
    Progress progress_;
    TSaveReport report_;
    std::vector<TZQDCtrl*> waiting_;
};

}  // namespace tabrix
