// Reads a library file (.ZQL) into its library and, on the way, the files it names: the
// parameter file, the initialize-info file and, through the controller, the element data files
// its groups show (each loaded once, however many libraries name it). The reference values read
// wait in the reader until ResolveReferences, once every file is loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/TReferenceResolver.h"
#include "files/TUnresolvedReference.h"
#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TGroupSetting;
class TZQDCtrl;
class TZQLCtrl;

class TLibraryReader {
public:
    explicit TLibraryReader(TZQLCtrl& library);

    // Reads the library file at the library's path. On failure the library keeps what it
    // held. A group whose element data cannot be shown is held back, to be written as read.
    FileResult Read(const Progress& progress = {});
    // Turns the reference values collected by Read into element and group references.
    void ResolveReferences() { resolver_.Resolve(); }
    // The reference values read and not yet resolved.
    const std::vector<TUnresolvedReference>& References() const { return resolver_.Table(); }

private:
    struct PendingConnect;
    void ReadInit(const StringList& lines, std::size_t& i, const Progress& progress);
    void ReadGroups(const StringList& lines, std::size_t& i, const Progress& progress);
    std::unique_ptr<TGroupSetting> ReadGroup(const StringList& lines, std::size_t& i,
                                             std::string& zqdPath, std::uint32_t& gdIndex,
                                             std::string& connect);
    bool PlaceReadGroup(std::unique_ptr<TGroupSetting> group, const std::string& zqdPath,
                        std::uint32_t gdIndex, const Progress& progress);
    TZQDCtrl* ReadElementDataFile(const std::string& path, const Progress& progress);
    void ReadParameterFile(const std::string& path, const Progress& progress);
    void ReadInitializeInfo(const std::string& path);
    void ReadBatch(const StringList& lines, std::size_t& i);

    TZQLCtrl& library_;
    TReferenceResolver resolver_;
};

}  // namespace tabrix
