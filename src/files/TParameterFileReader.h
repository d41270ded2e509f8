// Reads a parameter definition file (.ZQP) into its data: the library-wide settings and
// formats, the import formats, the used-parameter list and every parameter.
#pragma once

#include "model/FileResult.h"
#include "model/Progress.h"

namespace tabrix {

class TZQPCtrl;

class TParameterFileReader {
public:
    explicit TParameterFileReader(TZQPCtrl& file) : file_(file) {}

    // Reads the file at its path; a relative path is first resolved against the owner
    // library's folder and stored back. On success the file holds what was read and is not
    // modified; on failure it keeps what it held.
    FileResult Read(const Progress& progress = {});

private:
    TZQPCtrl& file_;
};

}  // namespace tabrix
