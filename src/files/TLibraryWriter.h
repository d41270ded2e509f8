// Writes a library file (.ZQL): its settings, its groups with the records it holds back among
// them at the places they were read from, its free text and its batch lists.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TFileWriter.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TGroupSetting;
class TZQLCtrl;

class TLibraryWriter {
public:
    explicit TLibraryWriter(TZQLCtrl& library) : library_(library) {}

    // Writes the library file when it is modified (kFileOk without writing otherwise); the
    // library stays modified when the file could not be written.
    FileResult Write(const Progress& progress = {}, TFileWriter& writer = TFileWriter::System());

private:
    StringList BuildLines() const;
    void AppendGroupLines(StringList& lines, const TGroupSetting& group, const std::string& zqpPath,
                          const std::vector<std::size_t>& heldNumbers) const;

    TZQLCtrl& library_;
};

}  // namespace tabrix
