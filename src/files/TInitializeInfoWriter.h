// Writes an initialize-info file (.ZQI): the header and the window-state store, as it is.
#pragma once

#include "model/FileResult.h"
#include "model/TFileWriter.h"

namespace tabrix {

class TZQICtrl;

class TInitializeInfoWriter {
public:
    explicit TInitializeInfoWriter(const TZQICtrl& info) : info_(info) {}

    // Writes the header and the serialised store to the file's path. A file that could not be
    // read when the library was opened is never written in this session: kFileNotRead, and
    // the copy on disk stays as it is.
    FileResult Write(TFileWriter& writer = TFileWriter::System()) const;

private:
    const TZQICtrl& info_;
};

}  // namespace tabrix
