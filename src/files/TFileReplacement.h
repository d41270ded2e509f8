// A file replaced by one written in pieces: the pieces go to a temporary file beside the
// target, which is flushed and renamed over the target only once the last piece is written,
// so that the target is always the whole old or the whole new file. The temporary file is
// created without a name where the file system allows it, so a write killed or abandoned part
// way leaves nothing behind.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/FileResult.h"
#include "model/TFileWriter.h"

namespace tabrix {

class TFileReplacement {
public:
    explicit TFileReplacement(TFileWriter& writer = TFileWriter::System()) : writer_(writer) {}
    ~TFileReplacement() { Abandon(); }
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // Starts the file that will replace target (a native path, links resolved), keeping the
    // target's permission bits. kFileCannotOpen where no temporary file can be created.
    FileResult Begin(const std::string& target);
    bool Begun() const { return fd_ >= 0; }
    // Writes the next piece; kFileShortWrite, and every later call refused, where it fails.
    FileResult Append(std::string_view text);
    // Flushes the file and puts it in the target's place. kFileCloseFailed: the flush or the
    // close failed; kFileShortWrite: a write or the rename did. The target is untouched on
    // any failure.
    FileResult Commit();
    // Drops what was written; the target stays as it was.
    void Abandon();

private:
    void StartWriteBack();
    FileResult LinkBesideTarget();
    FileResult CopyToNamedFile();

    TFileWriter& writer_;
    std::string target_;
    std::string tempName_;  // the temporary file's name, once it has one
    int fd_ = -1;
    bool unnamed_ = false;
    FileResult failure_ = kFileOk;
    std::size_t written_ = 0;        // bytes appended
    std::size_t writeBackFrom_ = 0;  // where the disk was not yet asked to write
};

}  // namespace tabrix
