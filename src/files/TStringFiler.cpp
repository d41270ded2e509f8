#include "files/TStringFiler.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/TBackgroundFlush.h"
#include "files/TFileReplacement.h"
#include "model/FileBytes.h"
#include "model/LargePages.h"
#include "model/MappedBytes.h"
#include "model/PathName.h"
#include "model/RunInParts.h"
#include "model/TFileKind.h"
#include "model/TFileWriter.h"

namespace tabrix {

namespace {

constexpr std::string_view kVersionSeparator = TFileKind::kVersionSeparator;

// --- reading --------------------------------------------------------------------------------

// Cuts the bytes of a file into lines as they arrive chunk by chunk. CR LF, a lone CR and a
// lone LF each end a line; a CR at the end of what has arrived waits for the next chunk, where
// its LF may follow. A byte counts as CR or LF only when CharKind classes it single, judged
// from the start of its line, so the lines do not depend on the chunk size.
class LineSplitter {
public:
    LineSplitter(const TStringDivision& division, StringList& lines)
        : division_(division), lines_(lines) {}

    void Feed(std::string_view bytes) {
        pending_.append(bytes);
        while (scan_ < pending_.size()) {
            char byte = pending_[scan_];
            if ((byte != '\r' && byte != '\n') || !IsSingleByteChar(scan_)) {
                ++scan_;
            } else if (byte == '\n') {
                EndLine(scan_, scan_ + 1);
            } else if (scan_ + 1 == pending_.size()) {
                break;
            } else {
                EndLine(scan_, pending_[scan_ + 1] == '\n' ? scan_ + 2 : scan_ + 1);
            }
        }
        pending_.erase(0, lineStart_);
        scan_ -= lineStart_;
        lineStart_ = 0;
    }

    // The text after the last line end becomes the last line; a CR that was still waiting
    // for its LF ends that line.
    void Finish() {
        if (pending_.empty()) return;
        bool waitingCr = scan_ < pending_.size();
        lines_.push_back(pending_.substr(0, waitingCr ? scan_ : pending_.size()));
        ++added_;
        pending_.clear();
        scan_ = 0;
    }

    std::size_t LinesAdded() const { return added_; }

private:
    bool IsSingleByteChar(std::size_t pos) const {
        std::string_view line = std::string_view(pending_).substr(lineStart_);
        return division_.CharKind(line, pos - lineStart_) == kSingleByte;
    }

    void EndLine(std::size_t end, std::size_t next) {
        lines_.emplace_back(pending_, lineStart_, end - lineStart_);
        ++added_;
        lineStart_ = next;
        scan_ = next;
    }

    const TStringDivision& division_;
    StringList& lines_;
    std::string pending_;        // bytes not cut into lines yet, from the start of a line on
    std::size_t lineStart_ = 0;  // start of the current line in pending_
    std::size_t scan_ = 0;       // first byte of pending_ not examined yet
    std::size_t added_ = 0;
};

// Cuts a whole file into lines by LineSplitter's rules, as views into it. Each line end is
// found with memchr and then checked to be a single byte, judged from the start of its line.
void CutLines(const TStringDivision& division, std::string_view bytes,
              std::vector<std::string_view>& lines) {
    const char* base = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t lineStart = 0;
    std::size_t scan = 0;
    while (scan < size) {
        const char* lf = static_cast<const char*>(std::memchr(base + scan, '\n', size - scan));
        const std::size_t lfAt = lf ? static_cast<std::size_t>(lf - base) : size;
        const char* cr = static_cast<const char*>(std::memchr(base + scan, '\r', lfAt - scan));
        const std::size_t end = cr ? static_cast<std::size_t>(cr - base) : lfAt;
        if (end == size) {
            scan = size;
            break;
        }
        std::string_view line = bytes.substr(lineStart, end - lineStart);
        if (division.CharKind(bytes.substr(lineStart), end - lineStart) != kSingleByte) {
            scan = end + 1;
            continue;
        }
        if (bytes[end] == '\r' && end + 1 == size) {
            scan = end;  // a CR at the very end: the last line ends before it
            break;
        }
        lines.push_back(line);
        scan = end + 1;
        if (bytes[end] == '\r' && bytes[end + 1] == '\n') ++scan;
        lineStart = scan;
    }
    if (lineStart < size) lines.push_back(bytes.substr(lineStart, scan - lineStart));
}

// True when line, a file's first line, is the header of kind: the text before " ver " is kind.
bool IsHeaderOf(const TStringDivision& division, std::string line, std::string_view kind) {
    if (division.Find(line, kVersionSeparator) == TStringDivision::npos) return false;
    return division.CutField(line, kVersionSeparator, 0, 0) == kind;
}

// Keeps the lines appended from index first on to those numbered start .. start+limit-1
// (limit -1: all from start on).
void KeepLineRange(StringList& lines, std::size_t first, long start, long limit) {
    std::size_t added = lines.size() - first;
    std::size_t skip = std::min<std::size_t>(static_cast<std::size_t>(std::max(start, 0L)), added);
    lines.erase(lines.begin() + first, lines.begin() + first + skip);
    if (limit >= 0 && lines.size() - first > static_cast<std::size_t>(limit))
        lines.resize(first + static_cast<std::size_t>(limit));
}

// --- writing --------------------------------------------------------------------------------

// A symbolic link is followed, so the file it names is replaced and the link kept.
std::string ResolveLink(const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
    char* resolved = ::realpath(target.c_str(), nullptr);
    if (!resolved) return target;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

// Writing must fail where opening the file for writing would: a folder or a file we may not
// write is left alone rather than replaced by a rename. Nor is anything but a regular file
// (a device or a pipe) swapped for one. A file without any write bit was made read-only on
// purpose; the system lets a privileged user write it all the same (access says yes to
// root), so the mode itself is asked too.
bool CannotReplace(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) return true;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(target.c_str(), W_OK) != 0;
}

// A file may be replaced by a tagged file of kind when it is empty or begins with kind's
// header; anything else (another kind's file, the user's own text) is not ours to replace:
// kFileWrongHeader. Only the start of the file is read, as a header is far shorter than that.
FileResult CheckReplaceable(const TStringDivision& division, const std::string& target,
                            std::string_view kind) {
    constexpr std::size_t kHeaderReadLimit = 4096;
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return errno == ENOENT ? kFileOk : kFileCannotOpen;
    int fd = FileBytes::OpenRegular(target, info);
    if (fd < 0) return kFileCannotOpen;
    std::string start(kHeaderReadLimit, '\0');
    long got = FileBytes::ReadUpTo(fd, start.data(), start.size());
    ::close(fd);
    if (got < 0) return kFileCannotOpen;
    if (got == 0) return kFileOk;
    start.resize(static_cast<std::size_t>(got));
    start.resize(std::min(start.size(), start.find_first_of("\r\n")));
    return IsHeaderOf(division, start, kind) ? kFileOk : kFileWrongHeader;
}

// Writes text as the whole of a file begun for it (begun tells how the start went).
FileResult WriteWhole(TFileReplacement& file, FileResult begun, std::string_view text) {
    if (begun != kFileOk) return begun;
    if (FileResult written = file.Append(text); written != kFileOk) return written;
    return file.Commit();
}

// Where a line begins at or after at, found without cutting the lines before it: after the
// first line feed whose byte before is no lead byte. Such a line feed ends its line whatever
// came before, so CutLines cuts the lines from there on as it cuts them from the start.
std::size_t LineStartFrom(const TStringDivision& division, std::string_view bytes, std::size_t at) {
    while (at < bytes.size()) {
        const void* lf = std::memchr(bytes.data() + at, '\n', bytes.size() - at);
        if (!lf) break;
        const auto x = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data());
        if (x == 0 || division.CharKind(bytes.substr(x - 1, 1), 0) == kSingleByte) return x + 1;
        at = x + 1;
    }
    return bytes.size();
}

// CutLines for a file large enough to be cut on every core: the parts begin where a line
// surely begins, are cut apart and joined in order.
void CutLinesInParts(const TStringDivision& division, std::string_view bytes,
                     std::vector<std::string_view>& lines) {
    const std::size_t parts = PartsFor(bytes.size(), std::size_t{4} << 20);
    std::vector<std::size_t> starts{0};
    for (std::size_t p = 1; p < parts; ++p)
        starts.push_back(LineStartFrom(division, bytes,
                                       std::max(starts.back(), PartStart(bytes.size(), parts, p))));
    starts.push_back(bytes.size());
    // Each list is made with room for lines of 8 bytes on average rather than grown and
    // copied (shorter lines still grow it): room never filled is never given memory, and
    // counting the lines first would read the file once more.
    std::vector<std::vector<std::string_view>> cut(parts);
    RunInParts(parts, [&](std::size_t p) {
        const std::string_view piece = bytes.substr(starts[p], starts[p + 1] - starts[p]);
        cut[p].reserve(piece.size() / 8 + 16);
        AskForLargePages(cut[p].data(), cut[p].capacity() * sizeof(std::string_view));
        CutLines(division, piece, cut[p]);
    });
    std::size_t total = 0;
    for (const auto& part : cut)
        total += part.size();
    // The first list's room, for lines of 8 bytes on average over its part alone, holds the
    // lines of every part as a rule: the others join it there, and only their lines are copied.
    if (total <= cut[0].capacity()) {
        lines = std::move(cut[0]);
    } else {
        lines.reserve(total);
        AskForLargePages(lines.data(), total * sizeof(std::string_view));
        lines.insert(lines.end(), cut[0].begin(), cut[0].end());
    }
    cut[0] = {};
    for (std::size_t p = 1; p < parts; ++p) {
        lines.insert(lines.end(), cut[p].begin(), cut[p].end());
        cut[p] = {};
    }
}

// Reads the first length bytes of the file fd into buffer, a large file in parts on every
// core (the kernel's copy into memory new to the process is most of the read), and sets the
// file position after them. Where the file is shorter now, size ends at the first part found
// short. False when the file cannot be read.
bool ReadStartInParts(int fd, char* buffer, std::size_t length, std::size_t& size) {
    const std::size_t parts = PartsFor(length, std::size_t{8} << 20);
    std::vector<long> got(parts, 0);
    RunInParts(parts, [&](std::size_t p) {
        const std::size_t start = PartStart(length, parts, p);
        const std::size_t want = PartStart(length, parts, p + 1) - start;
        std::size_t total = 0;
        while (total < want) {
            const ssize_t n = ::pread(fd, buffer + start + total, want - total,
                                      static_cast<off_t>(start + total));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                got[p] = -1;
                return;
            }
            if (n == 0) break;
            total += static_cast<std::size_t>(n);
        }
        got[p] = static_cast<long>(total);
    });
    size = 0;
    for (std::size_t p = 0; p < parts; ++p) {
        if (got[p] < 0) return false;
        size += static_cast<std::size_t>(got[p]);
        if (size < PartStart(length, parts, p + 1)) break;
    }
    return ::lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

}  // namespace

FileResult TStringFiler::Load(StringList& lines, const std::string& path, std::size_t chunkSize,
                              long start, long limit, bool lineMode) {
    struct stat info {};
    int fd = FileBytes::OpenRegular(PathName::ToNative(path), info);
    if (fd < 0) return kFileCannotOpen;
    auto size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));

    std::size_t byteBudget = SIZE_MAX;  // bytes still to read
    if (!lineMode) {
        if (start > 0) {
            bool beyondEnd = size <= static_cast<std::size_t>(start);
            if (beyondEnd || ::lseek(fd, start, SEEK_SET) < 0)
                return ::close(fd) == 0 ? kFileOk : kFileCloseFailed;
            size -= static_cast<std::size_t>(start);
        }
        if (limit >= 0) byteBudget = static_cast<std::size_t>(limit);
    }

    // One buffer for the whole call, no larger than the file needs.
    if (chunkSize == 0) chunkSize = kLibraryChunkSize;
    std::size_t bufferSize = std::clamp<std::size_t>(std::min(size, byteBudget), 1, chunkSize);
    std::vector<char> buffer(bufferSize + 1);

    const std::size_t firstNew = lines.size();
    LineSplitter splitter(*this, lines);
    bool enoughLines = false;
    while (byteBudget > 0 && !enoughLines) {
        std::size_t want = std::min(bufferSize, byteBudget);
        long got = FileBytes::ReadUpTo(fd, buffer.data(), want);
        if (got < 0) {
            ::close(fd);
            lines.resize(firstNew);
            return kFileCannotOpen;  // a file that cannot be read is not reported as loaded
        }
        splitter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        byteBudget -= static_cast<std::size_t>(got);
        enoughLines = lineMode && limit >= 0 &&
                      splitter.LinesAdded() >= static_cast<std::size_t>(std::max(start, 0L)) +
                                                   static_cast<std::size_t>(limit);
        if (static_cast<std::size_t>(got) < want) break;
    }
    buffer.clear();
    buffer.shrink_to_fit();
    bool closed = ::close(fd) == 0;
    splitter.Finish();
    if (lineMode) KeepLineRange(lines, firstNew, start, limit);
    return closed ? kFileOk : kFileCloseFailed;
}

// Joins the lines as Save writes them. A line that ends in the first byte of a double-byte
// character (left by a truncated file) would have its line end read back as that character's
// second byte, so the line would grow by a CR with every save; such a dangling byte is left
// out, so that what is written reads back as the lines written.
std::string TStringFiler::JoinForReading(const StringList& lines, std::string_view lineEnd) const {
    return JoinForReading(
        lines.size(), [&lines](std::size_t i) -> std::string_view { return lines[i]; }, lineEnd);
}

FileResult TStringFiler::Save(const StringList& lines, const std::string& path,
                              std::string_view lineEnd, TFileWriter& writer) {
    return SaveText(JoinForReading(lines, lineEnd), path, writer);
}

FileResult TStringFiler::SaveText(std::string_view text, const std::string& path,
                                  TFileWriter& writer) {
    TFileReplacement file(writer);
    return WriteWhole(file, BeginText(file, path), text);
}

FileResult TStringFiler::BeginText(TFileReplacement& file, const std::string& path) const {
    if (path.empty()) return kFileCannotOpen;
    const std::string target = ResolveLink(PathName::ToNative(path));
    if (CannotReplace(target)) return kFileCannotOpen;
    return file.Begin(target);
}

FileResult TStringFiler::SaveTagged(const StringList& lines, const std::string& path,
                                    std::string_view kind, std::string_view lineEnd,
                                    TFileWriter& writer) {
    return SaveTaggedText(JoinForReading(lines, lineEnd), path, kind, writer);
}

FileResult TStringFiler::SaveTaggedText(std::string_view text, const std::string& path,
                                        std::string_view kind, TFileWriter& writer) {
    TFileReplacement file(writer);
    return WriteWhole(file, BeginTaggedText(file, path, kind), text);
}

FileResult TStringFiler::BeginTaggedText(TFileReplacement& file, const std::string& path,
                                         std::string_view kind) const {
    if (path.empty()) return kFileCannotOpen;
    const std::string target = ResolveLink(PathName::ToNative(path));
    if (CannotReplace(target)) return kFileCannotOpen;
    if (FileResult refused = CheckReplaceable(*this, target, kind); refused != kFileOk)
        return refused;
    return file.Begin(target);
}

FileResult TStringFiler::LoadTagged(StringList& lines, const std::string& path,
                                    std::string_view kind) {
    StringList loaded;
    FileResult result = Load(loaded, path, kLibraryChunkSize, 0, -1, false);
    if (result != kFileOk) return result;
    if (loaded.empty()) return kFileCloseFailed;
    if (!IsHeaderOf(*this, loaded.front(), kind)) return kFileWrongHeader;
    lines = std::move(loaded);
    return kFileOk;
}

FileResult TStringFiler::LoadTaggedLines(FileLines& file, const std::string& path,
                                         std::string_view kind) {
    struct stat info {};
    int fd = FileBytes::OpenRegular(PathName::ToNative(path), info);
    if (fd < 0) return kFileCannotOpen;
    TBackgroundFlush::StartFor(fd);
    if (std::shared_ptr<const char[]> mapped =
            MappedBytes::Map(fd, static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)))) {
        ::close(fd);
        return CutTaggedLines(file, std::move(mapped), static_cast<std::size_t>(info.st_size),
                              kind);
    }
    // The size is only a first guess: a file that grows meanwhile is read to its end.
    std::size_t capacity = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (!file.bytesKeptWhole) AskForLargePages(bytes.get(), capacity);
    std::size_t size = 0;
    if (!ReadStartInParts(fd, bytes.get(), capacity - 1, size)) {
        ::close(fd);
        return kFileCannotOpen;
    }
    while (true) {
        long got = FileBytes::ReadUpTo(fd, bytes.get() + size, capacity - size);
        if (got < 0) {
            ::close(fd);
            return kFileCannotOpen;
        }
        size += static_cast<std::size_t>(got);
        if (size < capacity) break;
        auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
        if (!file.bytesKeptWhole) AskForLargePages(larger.get(), capacity * 2);
        std::memcpy(larger.get(), bytes.get(), size);
        bytes = std::move(larger);
        capacity *= 2;
    }
    if (::close(fd) != 0) return kFileCloseFailed;
    return CutTaggedLines(file, std::move(bytes), size, kind);
}

FileResult TStringFiler::CutTaggedLines(FileLines& file, std::shared_ptr<const char[]> bytes,
                                        std::size_t size, std::string_view kind) const {
    std::vector<std::string_view> lines;
    CutLinesInParts(*this, std::string_view(bytes.get(), size), lines);
    if (lines.empty()) return kFileCloseFailed;
    if (!IsHeaderOf(*this, std::string(lines.front()), kind)) return kFileWrongHeader;
    file.bytes = std::move(bytes);
    file.lines = std::move(lines);
    return kFileOk;
}

std::string TStringFiler::CutTag(std::string& line) const {
    return GetField(line, "]", 0, "", true, 0);
}

std::size_t TStringFiler::ReadBlock(const StringList& lines, std::size_t open,
                                    std::string_view closeTag, StringList& out) {
    if (open >= lines.size()) return lines.size();
    std::size_t i = open + 1;
    for (; i < lines.size() && lines[i] != closeTag; ++i)
        out.push_back(lines[i]);
    return i;
}

void TStringFiler::WriteBlock(StringList& out, std::string_view openTag, const StringList& block,
                              std::string_view closeTag) {
    out.emplace_back(openTag);
    // A line equal to the closing tag would end the block early when read back, and the
    // lines after it would be read as tags of the enclosing section; it cannot be stored. A
    // lone lead byte after the tag counts for nothing, as Save leaves it out.
    const TStringDivision division;
    for (const std::string& line : block)
        if (division.WholeCharactersBefore(line, '\r') != closeTag) out.push_back(line);
    out.emplace_back(closeTag);
}

}  // namespace tabrix
