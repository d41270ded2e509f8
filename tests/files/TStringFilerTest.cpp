#include "files/TStringFiler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "TempDir.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;

const std::string kKind = "Element-Data for Tabrix";

class TStringFilerTest : public ::testing::Test {
protected:
    ~TStringFilerTest() override {
        std::error_code ignored;  // a test may have taken the write permission away
        fs::permissions(dir_.Path() / "locked", fs::perms::owner_all, fs::perm_options::add,
                        ignored);
    }
    std::string PathOf(const std::string& name) const { return dir_.File(name); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        test::WriteFile(PathOf(name), bytes);
        return PathOf(name);
    }
    static std::string Read(const std::string& path) { return test::ReadFile(path); }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_.Path()), {}));
    }
    StringList LoadAll(const std::string& path, std::size_t chunkSize) {
        StringList lines;
        EXPECT_EQ(filer_.Load(lines, path, chunkSize), kFileOk);
        return lines;
    }

    test::TempDir dir_;
    TStringFiler filer_;
};

// --- reading --------------------------------------------------------------------------------

// Every chunk size reads the same lines: CR LF, LF and CR each end a line (a final one or not),
// every byte but those two is kept, and a CR after a lead byte is its second byte.
TEST_F(TStringFilerTest, AnyChunkSizeReadsTheSameLines) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        if (byte != '\r' && byte != '\n') all += static_cast<char>(byte);
    const struct {
        std::string content;
        StringList lines;
    } cases[] = {
        {"a\r\nb\r\n\r\nc", {"a", "b", "", "c"}},
        {"a\nb\n\nc\n", {"a", "b", "", "c"}},
        {"a\rb\r\rc\r", {"a", "b", "", "c"}},
        {"ab\r\n\x95\x5C\r\x83\x5C\n\r\n\rx\r", {"ab", "\x95\x5C", "\x83\x5C", "", "", "x"}},
        {all + "\r\nend", {all, "end"}},
        {"ab\x81\r\nx", {"ab\x81\r", "x"}},
    };
    for (const auto& c : cases) {
        const std::string path = Write("lines.txt", c.content);
        for (std::size_t chunk = 1; chunk <= 12; ++chunk)
            EXPECT_EQ(LoadAll(path, chunk), c.lines) << "chunk size " << chunk;
        EXPECT_EQ(LoadAll(path, TStringFiler::kLibraryChunkSize), c.lines);
    }
}

// A file large enough to be cut on every core is cut into the same lines as one read a chunk at
// a time, however lead bytes and line ends fall around the places where the parts begin, and
// whether the lines are short (the parts' lists are joined in a new one) or long (they join the
// first part's list).
TEST_F(TStringFilerTest, LargeFilesCutInPartsReadTheSameLines) {
    // Most line feeds are the second byte of a character; one that ends a line whatever came
    // before is rare.
    const std::vector<std::vector<std::string>> pieceSets = {
        {"a", "x\x82\n", "\x82\x82", "\r"},
        {"abcdefghijklmnopqrstuvwxyz", "x\x82\n", "\x82\x82", "\x82\r"},
    };
    for (const auto& pieces : pieceSets) {
        std::string content = kKind + " ver 2.0\r\n";
        std::uint32_t seed = 7;
        while (content.size() < (std::size_t{9} << 20)) {  // read in parts, too
            seed = seed * 1103515245u + 12345u;
            const std::uint32_t pick = seed >> 16;
            content += pick % 64 == 0 ? "\r\n" : pieces[pick % pieces.size()];
        }
        const std::string path = Write("large.ZQD", content);
        FileLines file;
        ASSERT_EQ(filer_.LoadTaggedLines(file, path, kKind), kFileOk);
        const StringList expected = LoadAll(path, TStringFiler::kLibraryChunkSize);
        ASSERT_EQ(file.lines.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(file.lines[i], expected[i]) << "line " << i;
    }
}

TEST_F(TStringFilerTest, LinesOfMegabytesCrossManyChunks) {
    // Double-byte characters all the way, so every chunk boundary can cut one in two.
    std::string huge;
    while (huge.size() < (3u << 20))
        huge += "\x82\xa0\x83\x5c";
    std::string path = Write("huge.ZQD", huge + "\r\n" + huge + "\rend");
    EXPECT_EQ(LoadAll(path, (1u << 20) + 1), (StringList{huge, huge, "end"}));
}

TEST_F(TStringFilerTest, OnlyRegularFilesAreRead) {
    // Each is loaded in a child that an alarm ends: a FIFO without a writer would block the
    // open and /dev/zero would be read for ever.
    ASSERT_EQ(::mkfifo(PathOf("fifo.ZQD").c_str(), 0600), 0);
    fs::create_symlink(PathOf("fifo.ZQD"), PathOf("to-fifo.ZQD"));
    fs::create_directory(dir_.Path() / "folder.ZQD");
    for (const std::string& path : {PathOf("fifo.ZQD"), PathOf("to-fifo.ZQD"), PathOf("folder.ZQD"),
                                    std::string("/dev/zero"), std::string("/dev/null")}) {
        EXPECT_EXIT(
            {
                ::alarm(5);
                StringList lines;
                std::_Exit(filer_.Load(lines, path));
            },
            ::testing::ExitedWithCode(kFileCannotOpen), "")
            << path;
    }
}

// From a byte offset up to a byte limit, or from a line number up to a number of lines.
TEST_F(TStringFilerTest, PartsOfAFileByBytesOrByLines) {
    const std::string bytes = Write("bytes.txt", "abc\ndef");
    const std::string history = Write("history.log", "1\r\n2\r\n3\r\n4\r\n5");
    const struct {
        std::string path;
        std::size_t chunk;
        long start, limit;
        bool byLines;
        StringList lines;
    } cases[] = {
        {bytes, 2, 4, -1, false, {"def"}},
        {bytes, 3, 0, 5, false, {"abc", "d"}},
        {bytes, 3, 7, -1, false, {}},
        {bytes, 3, 100, -1, false, {}},
        {history, 3, 1, 2, true, {"2", "3"}},
        {history, 3, 3, -1, true, {"4", "5"}},
        {history, 3, 0, 10, true, {"1", "2", "3", "4", "5"}},
        {history, 3, 0, 0, true, {}},
        {history, 3, 10, 2, true, {}},
    };
    for (const auto& c : cases) {
        StringList lines = {"old"};
        EXPECT_EQ(filer_.Load(lines, c.path, c.chunk, c.start, c.limit, c.byLines), kFileOk);
        lines.erase(lines.begin());
        EXPECT_EQ(lines, c.lines) << c.path << " " << c.start << " " << c.limit;
    }
}

// --- header and tags ------------------------------------------------------------------------

TEST_F(TStringFilerTest, LoadTaggedChecksTheHeader) {
    StringList lines;
    EXPECT_EQ(filer_.LoadTagged(lines, Write("a.ZQD", kKind + " ver 2.0\r\n[init]"), kKind),
              kFileOk);
    EXPECT_EQ(lines, (StringList{kKind + " ver 2.0", "[init]"}));
    EXPECT_EQ(filer_.LoadTagged(lines, Write("b.ZQD", kKind + " ver 9.9"), kKind), kFileOk);
    EXPECT_EQ(lines, StringList{kKind + " ver 9.9"});

    const std::vector<std::string> wrongHeaders = {
        "Element-Data for Tabrix  ver 2.0", "element-data for Tabrix ver 2.0",
        "Element-Data for Tabrix",          "Element-Data for Tabrix ver",
        "Library-File for Tabrix ver 2.0",
    };
    for (const std::string& header : wrongHeaders) {
        lines = {"untouched"};
        EXPECT_EQ(filer_.LoadTagged(lines, Write("c.ZQD", header + "\r\n[init]"), kKind),
                  kFileWrongHeader)
            << header;
        EXPECT_EQ(lines, StringList{"untouched"});
    }
}

// Blocks read back what was written and run to the end when the closing line is missing. Found
// by fuzzing: a format line "[/output_format]" ended its block on reading and the lines after it
// became tags of the section, so such a line is not written.
TEST_F(TStringFilerTest, BlocksRoundTripAndTolerateMissingClose) {
    StringList out;
    TStringFiler::WriteBlock(out, "[draw_format]",
                             {"%a%", "[x]", "", "[/draw_format]", "y", "[/draw_format]\x97"},
                             "[/draw_format]");
    EXPECT_EQ(out, (StringList{"[draw_format]", "%a%", "[x]", "", "y", "[/draw_format]"}));
    out.push_back("[next]");
    StringList block;
    EXPECT_EQ(TStringFiler::ReadBlock(out, 0, "[/draw_format]", block), 5u);
    EXPECT_EQ(block, (StringList{"%a%", "[x]", "", "y"}));

    StringList open = {"[draw_format]", "a", "[/draw_format] "};
    block.clear();
    EXPECT_EQ(TStringFiler::ReadBlock(open, 0, "[/draw_format]", block), 3u);
    EXPECT_EQ(block, (StringList{"a", "[/draw_format] "}));
    EXPECT_EQ(TStringFiler::ReadBlock(open, 7, "[/x]", block), 3u);
}

// --- writing --------------------------------------------------------------------------------

// Lines are separated, not ended, and a longer old content is gone. Found by fuzzing: "\x94"
// before CR LF read back as "\x94\r", one more CR every save; a dangling lead byte is dropped.
TEST_F(TStringFilerTest, SaveSeparatesLinesAndDropsADanglingLeadByte) {
    const std::string path = PathOf("out.ZQD");
    const struct {
        StringList lines;
        std::string separator, bytes;
    } cases[] = {
        {{"a", "b"}, "\r\n", "a\r\nb"},
        {{"a", "b", ""}, "\r\n", "a\r\nb\r\n"},
        {{"x"}, "\n", "x"},
        {{}, "\r\n", ""},
        {{"ab\x81", "\x8f\x6f\x94", "\x81\x81", "c\x81"},
         "\r\n",
         "ab\r\n\x8f\x6f\r\n\x81\x81\r\nc\x81"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(filer_.Save(c.lines, path, c.separator), kFileOk);
        EXPECT_EQ(Read(path), c.bytes);
    }
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
    // What was read saves as it was read.
    StringList again = LoadAll(path, 1 << 20);
    EXPECT_EQ(again, (StringList{"ab", "\x8f\x6f", "\x81\x81", "c\x81"}));
    EXPECT_EQ(filer_.Save(again, path), kFileOk);
    EXPECT_EQ(Read(path), std::end(cases)[-1].bytes);
}

// The old file's kind is read from its first line, of any version, however long. Empty files,
// a byte-order mark and other kinds: the every-kind case of the file writer's tests.
TEST_F(TStringFilerTest, SaveTaggedReplacesOnlyEmptyFilesAndFilesOfItsKind) {
    const std::string header = kKind + " ver 2.0";
    const struct {
        std::string old;
        int result;
    } cases[] = {
        {kKind + " ver 9.9\n", kFileOk},
        {header + std::string(8000, 'x'), kFileOk},  // no line end within what is read
        {"\r\n" + header, kFileWrongHeader},
        {kKind + "\r\n ver 2.0", kFileWrongHeader},
        {std::string(8000, 'x') + header, kFileWrongHeader},
    };
    for (const auto& c : cases) {
        const std::string path = Write("tagged.ZQD", c.old);
        EXPECT_EQ(filer_.SaveTagged({header, "new"}, path, kKind), c.result) << c.old;
        EXPECT_EQ(Read(path), c.result == kFileOk ? header + "\r\nnew" : c.old) << c.old;
        EXPECT_EQ(EntryCount(), 1u);
    }
    EXPECT_EQ(filer_.SaveTagged({header}, PathOf("fresh.ZQD"), kKind), kFileOk);
    EXPECT_EQ(Read(PathOf("fresh.ZQD")), header);
}

// A save through a link replaces the file it leads to and keeps the link; the tagged save
// checks that file's kind.
TEST_F(TStringFilerTest, SavesThroughASymbolicLinkKeepTheLink) {
    const std::string real = Write("real.ZQL", "Library-File for Tabrix ver 2.0");
    const std::string link = PathOf("link.ZQD");
    fs::create_symlink(real, link);
    EXPECT_EQ(filer_.SaveTagged({"x"}, link, kKind), kFileWrongHeader);
    EXPECT_EQ(Read(real), "Library-File for Tabrix ver 2.0");
    EXPECT_EQ(filer_.Save({"new"}, link), kFileOk);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
    ASSERT_EQ(::mkfifo(PathOf("fifo.ZQD").c_str(), 0600), 0);
    EXPECT_EQ(filer_.SaveTagged({"x"}, PathOf("fifo.ZQD"), kKind), kFileCannotOpen);
}

TEST_F(TStringFilerTest, SaveKeepsPermissionBits) {
    std::string path = Write("mode.ZQD", "old");
    ::chmod(path.c_str(), 0640);
    EXPECT_EQ(filer_.Save({"new"}, path), kFileOk);
    EXPECT_EQ(fs::status(path).permissions(), static_cast<fs::perms>(0640));
    EXPECT_EQ(filer_.Save({"new"}, PathOf("fresh.ZQD")), kFileOk);
    const fs::perms fresh = fs::status(PathOf("fresh.ZQD")).permissions();
    EXPECT_EQ(fresh & static_cast<fs::perms>(0711), static_cast<fs::perms>(0600));
}

TEST_F(TStringFilerTest, SaveLeavesWhatItCannotReplaceAlone) {
    fs::create_directory(dir_.Path() / "folder.ZQD");
    EXPECT_EQ(filer_.Save({"x"}, PathOf("folder.ZQD")), kFileCannotOpen);
    EXPECT_TRUE(fs::is_directory(dir_.Path() / "folder.ZQD"));
    EXPECT_EQ(EntryCount(), 1u);
    EXPECT_EQ(filer_.Save({"x"}, PathOf("no/such/folder.ZQD")), kFileCannotOpen);
    EXPECT_EQ(filer_.Save({"x"}, ""), kFileCannotOpen);
    // A read-only file, also for a privileged user, to whom the system would grant the write.
    const std::string readOnly = Write("ro.ZQD", "old");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(filer_.Save({"new"}, readOnly), kFileCannotOpen);
    EXPECT_EQ(filer_.SaveTagged({"new"}, readOnly, kKind), kFileCannotOpen);
    EXPECT_EQ(Read(readOnly), "old");
    EXPECT_EQ(EntryCount(), 2u);
    // A file in a folder that cannot be written (a privileged user writes into any folder).
    const std::string locked = Write("locked/a.ZQD", "old");
    fs::permissions(dir_.Path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() == 0) return;
    EXPECT_EQ(filer_.Save({"new"}, locked), kFileCannotOpen);
    EXPECT_EQ(Read(locked), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path() / "locked"), {}), 1);
}

}  // namespace
}  // namespace tabrix
