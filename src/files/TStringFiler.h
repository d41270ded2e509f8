// Reads a whole file into lines and writes lines to a file, plus the pieces every tagged file
// reader shares: the header check, cutting the tag off a line and reading a multi-line block.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/TFileReplacement.h"
#include "model/FileResult.h"
#include "model/TFileWriter.h"
#include "model/TStringDivision.h"

namespace tabrix {

// A whole file read at once: its bytes, and its lines as views into them.
struct FileLines {
    std::shared_ptr<const char[]> bytes;
    std::vector<std::string_view> lines;
    // Set before the load when bytes are kept whole after the lines are used, rather than given
    // back as they are: a file that is read rather than mapped is then read into small pages.
    // A large page costs several times the small pages of its bytes where the kernel has to
    // find it afresh, and one held for the whole command cannot be passed on to what is made
    // from the lines.
    bool bytesKeptWhole = false;
};

class TStringFiler : public TStringDivision {
public:
    static constexpr std::size_t kLibraryChunkSize = 16777215;
    static constexpr const char* kCrLf = "\r\n";

    // Appends the lines of the file at path (a CP932 path, converted for the operating system)
    // to lines. Byte mode (lineMode false): start is a byte offset, limit -1 reads to the end.
    // Line mode: skips start lines and keeps at most limit lines. Returns a FileResult; a file
    // that cannot be opened or read gives kFileCannotOpen, a zero-byte file kFileOk and no line.
    // Only regular files are read: a folder, FIFO, device or socket gives kFileCannotOpen
    // before anything could wait or read without end.
    FileResult Load(StringList& lines, const std::string& path,
                    std::size_t chunkSize = kLibraryChunkSize, long start = 0, long limit = -1,
                    bool lineMode = false);

    // Writes the lines joined by lineEnd (no line end after the last line). The file is replaced
    // atomically: a temporary file in the same folder is written, flushed and renamed over the
    // target, keeping the target's permission bits; on failure the old file stays intact. The
    // temporary file is created without a name where the file system allows it, so a save
    // killed part way leaves no file behind.
    // kFileCannotOpen: the temporary file cannot be created, or the target is a folder, not a
    // regular file, or a file we may not write; kFileShortWrite: the write or the rename failed;
    // kFileCloseFailed: flushing or closing failed. The calls go through writer.
    FileResult Save(const StringList& lines, const std::string& path,
                    std::string_view lineEnd = kCrLf, TFileWriter& writer = TFileWriter::System());

    // Save for a tagged file of kind (see LoadTagged): an existing file is replaced only when
    // it is empty or its first line is kind's header, so that a save never writes over a file
    // of another kind or one that is no library file at all. Otherwise kFileWrongHeader, and
    // nothing is written; an existing file that cannot be read gives kFileCannotOpen.
    FileResult SaveTagged(const StringList& lines, const std::string& path, std::string_view kind,
                          std::string_view lineEnd = kCrLf,
                          TFileWriter& writer = TFileWriter::System());

    // SaveTagged for a text already joined as JoinForReading joins lines.
    FileResult SaveTaggedText(std::string_view text, const std::string& path, std::string_view kind,
                              TFileWriter& writer = TFileWriter::System());
    // SaveTaggedText for a text written in pieces: starts file as the replacement of the file
    // at path, refused as SaveTaggedText refuses it; the caller appends and commits.
    FileResult BeginTaggedText(TFileReplacement& file, const std::string& path,
                               std::string_view kind) const;

    // The bytes Save writes for lines: joined by lineEnd, except that a line ending in a
    // dangling lead byte loses that byte when a line end follows (it would read back as part
    // of the line).
    std::string JoinForReading(const StringList& lines, std::string_view lineEnd) const;
    // The same for count lines that lineAt(i) gives as views.
    template <typename LineAt>
    std::string JoinForReading(std::size_t count, LineAt lineAt, std::string_view lineEnd) const {
        std::size_t total = 0;
        for (std::size_t i = 0; i < count; ++i)
            total += lineAt(i).size() + lineEnd.size();
        std::string joined;
        joined.reserve(total);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view line = lineAt(i);
            if (i + 1 == count || lineEnd.empty()) {
                joined.append(line);
                continue;
            }
            // The reader ends the line only where it classes the line end's first byte single.
            joined.append(WholeCharactersBefore(line, lineEnd.front()));
            joined.append(lineEnd);
        }
        return joined;
    }

    // Save for a text already joined as JoinForReading joins lines.
    FileResult SaveText(std::string_view text, const std::string& path,
                        TFileWriter& writer = TFileWriter::System());
    // SaveText for a text written in pieces as it is made: starts file as the replacement of
    // the file at path, refused as SaveText refuses it; the caller appends and commits.
    FileResult BeginText(TFileReplacement& file, const std::string& path) const;

    // Loads a library file and checks its header: kind is the text before " ver ", for example
    // "Element-Data for Tabrix". On success lines is replaced by the file's lines, the header
    // line first; on failure it is left unchanged. Load's code is returned unchanged; 3 for a
    // file without lines, 4 for a wrong header.
    FileResult LoadTagged(StringList& lines, const std::string& path, std::string_view kind);

    // LoadTagged for large files: the file is read in one piece and its lines are views into
    // it, cut exactly as Load cuts them, so no line is copied. The bytes are the file's own
    // pages where it can be mapped (see MappedBytes): whoever reads them checks they are still
    // intact once done.
    FileResult LoadTaggedLines(FileLines& file, const std::string& path, std::string_view kind);

    // Cuts the tag off a tag line: returns the text up to the first "]" (for example "[size")
    // and leaves the value in line. A line without "]" gives "" and stays unchanged.
    std::string CutTag(std::string& line) const;

    // Reads the block lines that follow the opening line at index open, up to the first line
    // equal to closeTag, appending them to out. Returns the index of the closing line, or
    // lines.size() when the block runs to the end of the file.
    static std::size_t ReadBlock(const StringList& lines, std::size_t open,
                                 std::string_view closeTag, StringList& out);
    // Appends openTag, the block lines and closeTag; block lines equal to closeTag are left
    // out, as they would end the block when read.
    static void WriteBlock(StringList& out, std::string_view openTag, const StringList& block,
                           std::string_view closeTag);

private:
    // The lines of size bytes, the header checked, into file.
    FileResult CutTaggedLines(FileLines& file, std::shared_ptr<const char[]> bytes,
                              std::size_t size, std::string_view kind) const;
};

}  // namespace tabrix
