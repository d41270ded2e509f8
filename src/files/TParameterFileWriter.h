// Writes a parameter definition file (.ZQP): the common settings block, then one block per
// parameter, as tagged text.
#pragma once

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TFileWriter.h"

namespace tabrix {

class TZQPCtrl;

class TParameterFileWriter {
public:
    explicit TParameterFileWriter(TZQPCtrl& file) : file_(file) {}

    // Writes the file to its Path() when it is modified (kFileOk without writing otherwise)
    // and clears the modified bit once written. A file not read when its library was opened
    // gives kFileNotRead and the copy on disk stays.
    FileResult Write(const Progress& progress = {},
                     TFileWriter& writer = TFileWriter::System()) const;

private:
    TZQPCtrl& file_;
};

}  // namespace tabrix
