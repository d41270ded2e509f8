// Writes an element data file (.ZQD): its group data in order, each element a line whose
// references are numbered by the groups of the library that writes it. Large files have their
// lines built on several threads.
#pragma once

#include <cstddef>
#include <string>

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TFileWriter.h"

namespace tabrix {

class TElement;
class TZQDCtrl;
class TZQLCtrl;

class TElementDataWriter {
public:
    TElementDataWriter(TZQDCtrl& file, const TZQLCtrl& library) : file_(file), library_(library) {}

    // Writes the file when it is modified (kFileOk without writing otherwise) and clears its
    // modified bit; kFileNotRead for a file that is never written in this session.
    FileResult Write(const Progress& progress = {}, TFileWriter& writer = TFileWriter::System());
    // The line element (of one of the file's group data) is saved as, without its line end,
    // references numbered by the library's groups: what the clipboard carries between
    // libraries.
    std::string ElementLine(const TElement& element) const;

    // Files of at least this many elements have their lines built on several threads.
    static std::size_t ParallelWriteThreshold();
    static void SetParallelWriteThreshold(std::size_t elements);

private:
    TZQDCtrl& file_;
    const TZQLCtrl& library_;
};

}  // namespace tabrix
