// Writes a parameter definition file (.ZQP): the library-wide settings and formats, then every
// parameter in its order.
#pragma once

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TFileWriter.h"

namespace tabrix {

class TZQPCtrl;

class TParameterFileWriter {
public:
    explicit TParameterFileWriter(TZQPCtrl& file) : file_(file) {}

    // Writes the file when it is modified (kFileOk without writing otherwise) and clears its
    // modified bit once it is on disk; kFileNotRead for a file that could not be read.
    FileResult Write(const Progress& progress = {},
                     TFileWriter& writer = TFileWriter::System()) const;

private:
    TZQPCtrl& file_;
};

}  // namespace tabrix
