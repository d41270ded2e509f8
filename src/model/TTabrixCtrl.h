// The application controller: knows every open library and every loaded parameter and element
// data file, so that an element data file named by several libraries is loaded once and
// destroyed only when the last library showing its group data lets go of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TWordTables.h"

namespace tabrix {

class TZQDCtrl;
class TZQLCtrl;
class TZQPCtrl;

class TTabrixCtrl {
public:
    TTabrixCtrl();
    ~TTabrixCtrl();
    TTabrixCtrl(const TTabrixCtrl&) = delete;
    TTabrixCtrl& operator=(const TTabrixCtrl&) = delete;

    // Sets the library's controller and adds it to the open libraries; a parameter file the
    // library kept on its own passes to the controller.
    void RegisterLibrary(TZQLCtrl& library);
    void UnregisterLibrary(TZQLCtrl& library);
    bool IsRegistered(const TZQLCtrl& library) const;
    const std::vector<TZQLCtrl*>& Libraries() const { return libraries_; }

    // The loaded element data file whose path equals path byte for byte or names the same file
    // on disk; none for an empty path (files never saved are not shared).
    TZQDCtrl* FindElementDataFile(const std::string& path) const;
    TZQDCtrl* FindOrCreateElementDataFile(const std::string& path);
    TZQDCtrl* AddElementDataFile(std::unique_ptr<TZQDCtrl> file);
    const std::vector<std::unique_ptr<TZQDCtrl>>& ElementDataFiles() const { return dataFiles_; }

    TZQPCtrl* AddParameterFile(std::unique_ptr<TZQPCtrl> file);
    bool HoldsParameterFile(const TZQPCtrl* file) const;
    const std::vector<std::unique_ptr<TZQPCtrl>>& ParameterFiles() const { return paramFiles_; }

    // Destroys every element data file that groups of library show and no group of another
    // open library shows.
    void ReleaseElementDataFiles(const TZQLCtrl& library);
    // Destroys each of the candidate files that no group of any open library shows.
    void ReleaseUnshownElementDataFiles(const std::vector<const TZQDCtrl*>& candidates);
    // The same files handed to the caller rather than destroyed (an undoable step keeps them).
    std::vector<std::unique_ptr<TZQDCtrl>> TakeUnshownElementDataFiles(
        const std::vector<const TZQDCtrl*>& candidates);
    // Hands every element data file to the caller, so that the list can be put together again
    // (in another order, with files taken out or put back) through AddElementDataFile.
    std::vector<std::unique_ptr<TZQDCtrl>> TakeElementDataFiles();
    // Destroys the library's parameter file when no other open library uses it.
    void ReleaseParameterFile(const TZQLCtrl& library);

    // The defaults of a library that has no file yet.
    void FillNewLibrary(TZQLCtrl& library);
    // The files a new library at zqlPath is made of: the library file itself and, beside it
    // under the same name, its parameter, initialize-info and element data files.
    static std::vector<std::string> NewLibraryFiles(const std::string& zqlPath);
    // FillNewLibrary, then names the four files as NewLibraryFiles does and marks them all for
    // the next save.
    void FillNamedNewLibrary(TZQLCtrl& library, const std::string& zqlPath);

    // The format language's word tables, filled with the controller and never changed.
    const TWordTables& WordTables() const { return wordTables_; }

private:
    const TWordTables wordTables_;
    std::vector<std::unique_ptr<TZQDCtrl>> dataFiles_;
    std::vector<std::unique_ptr<TZQPCtrl>> paramFiles_;
    std::vector<TZQLCtrl*> libraries_;
};

}  // namespace tabrix
