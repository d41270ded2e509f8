// The signal a process gets when a write would pass its file size limit (ulimit -f). By default
// it ends the process at once, losing every unsaved edit; ignored, the write fails with EFBIG
// instead, and the writers report a short write and leave the old file as it was.
#pragma once

namespace tabrix {

class FileSizeSignal {
public:
    // Called once at start by each executable, before anything is written.
    static void Ignore();
};

}  // namespace tabrix
