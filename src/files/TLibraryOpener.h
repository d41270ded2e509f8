// Opening a library as both front ends do it: the library file and the files it names are
// read, their references resolved, and the library registered with the controller, which keeps
// the files it shares with other open libraries.
#pragma once

#include <memory>
#include <string>

#include "model/FileResult.h"
#include "model/Progress.h"

namespace tabrix {

class TTabrixCtrl;
class TZQLCtrl;

class TLibraryOpener {
public:
    explicit TLibraryOpener(TTabrixCtrl& controller) : controller_(controller) {}

    // Opens the library file at path into library. Returns a FileResult; on failure the library
    // keeps what it held.
    FileResult OpenLibrary(TZQLCtrl& library, const std::string& path,
                           const Progress& progress = {});
    // Creates, registers and opens a new library; null with result set on failure.
    std::unique_ptr<TZQLCtrl> OpenNewLibrary(const std::string& path, FileResult& result,
                                             const Progress& progress = {});

private:
    TTabrixCtrl& controller_;
};

}  // namespace tabrix
