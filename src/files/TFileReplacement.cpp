#include "files/TFileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>

#include "files/TBackgroundFlush.h"

namespace tabrix {

namespace {

// The folder a file lies in, as a path that can be opened.
std::string FolderOf(const std::string& target) {
    std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? "." : target.substr(0, slash + 1);
}

// Tries names NAME.tmp-XXXXXX beside target until attempt does not fail for a name that is
// taken. Returns what the last attempt returned; tempName holds the name only when that was
// not a failure, so a name some other file has is never handed back for removal.
template <typename Attempt>
int TryTempNames(const std::string& target, std::string& tempName, Attempt attempt) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr unsigned kLetterCount = sizeof kLetters - 1;
    auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    seed ^= static_cast<unsigned long long>(::getpid()) << 32;
    for (int round = 0; round < 100; ++round) {
        std::string name = target + ".tmp-";
        unsigned long long bits = seed + 0x9E3779B97F4A7C15ULL * static_cast<unsigned>(round);
        for (int i = 0; i < 6; ++i, bits /= kLetterCount)
            name += kLetters[bits % kLetterCount];
        int result = attempt(name);
        if (result >= 0) tempName = std::move(name);
        if (result >= 0 || errno != EEXIST) return result;
    }
    return -1;
}

void CopyPermissions(const std::string& target, int fd) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) ::fchmod(fd, info.st_mode & 07777);
}

bool WriteAll(TFileWriter& writer, int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = writer.Write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The kernel or the file system has no files without a name; anything else is a real failure
// that the named route would meet as well.
bool UnnamedUnsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Makes the rename itself durable; a failure here no longer endangers either file.
void SyncFolderOf(const std::string& target) {
    int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileResult TFileReplacement::Begin(const std::string& target) {
    Abandon();
    target_ = target;
    failure_ = kFileOk;
    written_ = writeBackFrom_ = 0;
    fd_ = writer_.CreateUnnamed(FolderOf(target));
    unnamed_ = fd_ >= 0;
    if (fd_ < 0) {
        if (!UnnamedUnsupported(errno)) return kFileCannotOpen;
        // No files without a name here: a process killed while writing leaves this one behind.
        fd_ = TryTempNames(target, tempName_,
                           [&](const std::string& name) { return writer_.CreateNew(name); });
        if (fd_ < 0) return kFileCannotOpen;
    }
    CopyPermissions(target, fd_);
    return kFileOk;
}

FileResult TFileReplacement::Append(std::string_view text) {
    if (failure_ != kFileOk) return failure_;
    if (fd_ < 0 || !WriteAll(writer_, fd_, text)) {
        failure_ = kFileShortWrite;
        return failure_;
    }
    written_ += text.size();
    StartWriteBack();
    return failure_;
}

FileResult TFileReplacement::Commit() {
    FileResult result = fd_ < 0 ? kFileShortWrite : failure_;
    if (result == kFileOk && writer_.Sync(fd_) != 0) result = kFileCloseFailed;
    if (result == kFileOk && unnamed_) result = LinkBesideTarget();
    if (result != kFileOk) {
        Abandon();
        return result;
    }
    const int closed = writer_.Close(fd_);
    fd_ = -1;
    if (closed != 0) result = kFileCloseFailed;
    // The file replaced is held open across the rename, so that freeing it is left to its
    // close rather than done by the rename.
    const int replaced = result == kFileOk ? ::open(target_.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (result == kFileOk && writer_.Rename(tempName_, target_) != 0) result = kFileShortWrite;
    TBackgroundFlush::Close(replaced);
    if (result != kFileOk) {
        Abandon();
        return result;
    }
    tempName_.clear();
    SyncFolderOf(target_);
    return kFileOk;
}

void TFileReplacement::Abandon() {
    if (fd_ >= 0) writer_.Close(fd_);
    fd_ = -1;
    if (!tempName_.empty()) ::unlink(tempName_.c_str());
    tempName_.clear();
}

// The disk starts on what was written while later pieces are still being made, so that the
// flush at the commit waits for the last few megabytes only. Only a hint: a failure here is
// met again by the flush.
void TFileReplacement::StartWriteBack() {
    constexpr std::size_t kWriteBackBytes = std::size_t{2} << 20;
    if (written_ - writeBackFrom_ < kWriteBackBytes) return;
    ::sync_file_range(fd_, static_cast<off_t>(writeBackFrom_),
                      static_cast<off_t>(written_ - writeBackFrom_), SYNC_FILE_RANGE_WRITE);
    writeBackFrom_ = written_;
}

// Until the link the file has no name, so a process killed before it leaves nothing behind.
FileResult TFileReplacement::LinkBesideTarget() {
    if (TryTempNames(target_, tempName_,
                     [&](const std::string& name) { return writer_.Link(fd_, name); }) == 0)
        return kFileOk;
    // No /proc and no privilege to link otherwise, for example: the text goes to a named file.
    return CopyToNamedFile();
}

FileResult TFileReplacement::CopyToNamedFile() {
    const int unnamed = fd_;
    fd_ = TryTempNames(target_, tempName_,
                       [&](const std::string& name) { return writer_.CreateNew(name); });
    if (fd_ < 0) {
        writer_.Close(unnamed);
        return kFileCannotOpen;
    }
    CopyPermissions(target_, fd_);
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
    FileResult result = kFileOk;
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(unnamed, piece.get(), kPiece, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) result = kFileShortWrite;
        if (got <= 0) break;
        if (!WriteAll(writer_, fd_, std::string_view(piece.get(), static_cast<std::size_t>(got)))) {
            result = kFileShortWrite;
            break;
        }
        at += got;
    }
    writer_.Close(unnamed);
    if (result == kFileOk && writer_.Sync(fd_) != 0) result = kFileCloseFailed;
    return result;
}

}  // namespace tabrix
