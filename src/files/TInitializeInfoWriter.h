// Writes a library's initialize-info file (.ZQI): the header line, then the window layout
// store serialised as tagged text.
#pragma once

#include "model/FileResult.h"
#include "model/TFileWriter.h"

namespace tabrix {

class TZQICtrl;

class TInitializeInfoWriter {
public:
    explicit TInitializeInfoWriter(const TZQICtrl& info) : info_(info) {}

    // Writes to the file's Path(). A file that could not be read when the library was opened
    // is never written in this session: kFileNotRead, and the copy on disk stays as it is.
    FileResult Write(TFileWriter& writer = TFileWriter::System()) const;

private:
    const TZQICtrl& info_;
};

}  // namespace tabrix
