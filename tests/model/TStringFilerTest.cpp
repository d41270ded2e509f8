#include "model/TStringFiler.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace tabrix {
namespace {

namespace fs = std::filesystem;

const std::string kKind = "Element-Data for Tabrix";

// Saves 100 bytes with the file size limited to 4 bytes, so the write fails part way. Meant
// for a child process: the limit stays in force.
int SaveUnderSizeLimit(const std::string& path) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4, 4};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    TStringFiler filer;
    return filer.Save({std::string(100, 'x')}, path);
}

class TStringFilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() /
               ("tabrix-filer-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        fs::create_directories(dir_);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir_, ignored);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
        return PathOf(name);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    // The folder cannot be written, unless we are privileged enough to ignore that.
    bool MakeReadOnly(const fs::path& folder) const {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        std::string probe = (folder / "probe").string();
        if (std::ofstream(probe).good()) {
            fs::remove(probe);
            return false;
        }
        return true;
    }

    StringList LoadAll(const std::string& path, std::size_t chunkSize) {
        StringList lines;
        EXPECT_EQ(filer_.Load(lines, path, chunkSize), kFileOk);
        return lines;
    }

    fs::path dir_;
    TStringFiler filer_;
};

// --- reading --------------------------------------------------------------------------------

TEST_F(TStringFilerTest, AllLineEndsReadIntoTheSameLines) {
    const StringList expected = {"a", "b", "", "c"};
    for (std::string end : {"\r\n", "\n", "\r"}) {
        std::string body = "a" + end + "b" + end + end + "c";
        EXPECT_EQ(LoadAll(Write("plain.txt", body), 100), expected) << "no final line end";
        EXPECT_EQ(LoadAll(Write("ended.txt", body + end), 100), expected) << "final line end";
    }
}

TEST_F(TStringFilerTest, ChunkSizeNeverChangesTheLines) {
    const std::string content = "ab\r\n\x95\x5C\r\x83\x5C\n\r\n\rx\r";
    const StringList expected = {"ab", "\x95\x5C", "\x83\x5C", "", "", "x"};
    std::string path = Write("chunks.txt", content);
    for (std::size_t chunk = 1; chunk <= content.size() + 1; ++chunk)
        EXPECT_EQ(LoadAll(path, chunk), expected) << "chunk size " << chunk;
    EXPECT_EQ(LoadAll(path, TStringFiler::kLibraryChunkSize), expected);
}

TEST_F(TStringFilerTest, LinesKeepEveryByte) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        if (byte != '\r' && byte != '\n') all += static_cast<char>(byte);
    std::string path = Write("bytes.txt", all + "\r\nend");
    for (std::size_t chunk : {1u, 7u, 1000u})
        EXPECT_EQ(LoadAll(path, chunk), (StringList{all, "end"})) << "chunk size " << chunk;
}

TEST_F(TStringFilerTest, LinesOfMegabytesCrossManyChunks) {
    // Double-byte characters all the way, so every chunk boundary can cut one in two.
    std::string huge;
    while (huge.size() < (3u << 20))
        huge += "\x82\xa0\x83\x5c";
    std::string path = Write("huge.ZQD", huge + "\r\n" + huge + "\rend");
    EXPECT_EQ(LoadAll(path, (1u << 20) + 1), (StringList{huge, huge, "end"}));
}

TEST_F(TStringFilerTest, CrAfterALeadByteIsPartOfTheLine) {
    // 0x81 makes the CR a trail byte; the LF after it still ends the line.
    std::string path = Write("lead.txt", "ab\x81\r\nx");
    for (std::size_t chunk = 1; chunk <= 7; ++chunk)
        EXPECT_EQ(LoadAll(path, chunk), (StringList{"ab\x81\r", "x"})) << "chunk size " << chunk;
}

TEST_F(TStringFilerTest, EmptyMissingAndFolderFiles) {
    StringList lines = {"kept"};
    EXPECT_EQ(filer_.Load(lines, Write("empty.txt", "")), kFileOk);
    EXPECT_EQ(lines, StringList{"kept"});
    EXPECT_EQ(filer_.Load(lines, PathOf("missing.txt")), kFileCannotOpen);
    EXPECT_EQ(filer_.Load(lines, dir_.string()), kFileCannotOpen);
    EXPECT_EQ(lines, StringList{"kept"});
    EXPECT_EQ(filer_.Load(lines, Write("one.txt", "x")), kFileOk);
    EXPECT_EQ(lines, (StringList{"kept", "x"}));  // appended
}

TEST_F(TStringFilerTest, OnlyRegularFilesAreRead) {
    // Each is loaded in a child that an alarm ends: a FIFO without a writer would block the
    // open and /dev/zero would be read for ever.
    ASSERT_EQ(::mkfifo(PathOf("fifo.ZQD").c_str(), 0600), 0);
    fs::create_symlink(PathOf("fifo.ZQD"), PathOf("to-fifo.ZQD"));
    fs::create_directory(dir_ / "folder.ZQD");
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

TEST_F(TStringFilerTest, ByteModeStartsAndStopsAtByteOffsets) {
    std::string path = Write("bytes.txt", "abc\ndef");
    StringList lines;
    EXPECT_EQ(filer_.Load(lines, path, 2, 4, -1, false), kFileOk);
    EXPECT_EQ(lines, StringList{"def"});
    lines.clear();
    EXPECT_EQ(filer_.Load(lines, path, 3, 0, 5, false), kFileOk);
    EXPECT_EQ(lines, (StringList{"abc", "d"}));
    lines.clear();
    EXPECT_EQ(filer_.Load(lines, path, 3, 7, -1, false), kFileOk);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(filer_.Load(lines, path, 3, 100, -1, false), kFileOk);
    EXPECT_TRUE(lines.empty());
}

TEST_F(TStringFilerTest, LineModeSkipsAndLimitsLines) {
    std::string path = Write("history.log", "1\r\n2\r\n3\r\n4\r\n5");
    auto load = [&](long start, long limit) {
        StringList lines = {"old"};
        EXPECT_EQ(filer_.Load(lines, path, 3, start, limit, true), kFileOk);
        lines.erase(lines.begin());
        return lines;
    };
    EXPECT_EQ(load(1, 2), (StringList{"2", "3"}));
    EXPECT_EQ(load(3, -1), (StringList{"4", "5"}));
    EXPECT_EQ(load(0, 10), (StringList{"1", "2", "3", "4", "5"}));
    EXPECT_TRUE(load(0, 0).empty());
    EXPECT_TRUE(load(10, 2).empty());
}

TEST_F(TStringFilerTest, PathsMayUseBackslashesAndDoubleByteNames) {
    std::string windowsPath = dir_.string() + "\\\x95\x5C.ZQD";  // 表.ZQD
    EXPECT_EQ(filer_.Save({"x", "y"}, windowsPath), kFileOk);
    EXPECT_EQ(Read((dir_ / "\xE8\xA1\xA8.ZQD").string()), "x\r\ny");  // UTF-8 name
    StringList lines;
    EXPECT_EQ(filer_.Load(lines, windowsPath), kFileOk);
    EXPECT_EQ(lines, (StringList{"x", "y"}));
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

TEST_F(TStringFilerTest, LoadTaggedPassesLoadFailuresOn) {
    StringList lines;
    EXPECT_EQ(filer_.LoadTagged(lines, Write("empty.ZQD", ""), kKind), kFileCloseFailed);
    EXPECT_EQ(filer_.LoadTagged(lines, PathOf("missing.ZQD"), kKind), kFileCannotOpen);
    EXPECT_EQ(TStringFiler::HeaderLine(kKind), kKind + " ver 2.0");
}

TEST_F(TStringFilerTest, CutTagLeavesTheValue) {
    std::string line = "[size]12";
    EXPECT_EQ(filer_.CutTag(line), "[size");
    EXPECT_EQ(line, "12");
    line = "[name]a]b";
    EXPECT_EQ(filer_.CutTag(line), "[name");
    EXPECT_EQ(line, "a]b");
    line = "[init]";
    EXPECT_EQ(filer_.CutTag(line), "[init");
    EXPECT_EQ(line, "");
    line = "no tag here";
    EXPECT_EQ(filer_.CutTag(line), "");
    EXPECT_EQ(line, "no tag here");
}

TEST_F(TStringFilerTest, BlocksRoundTripAndTolerateMissingClose) {
    StringList out;
    TStringFiler::WriteBlock(out, "[draw_format]", {"%a%", "[x]", ""}, "[/draw_format]");
    EXPECT_EQ(out, (StringList{"[draw_format]", "%a%", "[x]", "", "[/draw_format]"}));
    out.push_back("[next]");
    StringList block;
    EXPECT_EQ(TStringFiler::ReadBlock(out, 0, "[/draw_format]", block), 4u);
    EXPECT_EQ(block, (StringList{"%a%", "[x]", ""}));

    StringList open = {"[draw_format]", "a", "[/draw_format] "};
    block.clear();
    EXPECT_EQ(TStringFiler::ReadBlock(open, 0, "[/draw_format]", block), 3u);
    EXPECT_EQ(block, (StringList{"a", "[/draw_format] "}));
    EXPECT_EQ(TStringFiler::ReadBlock(open, 7, "[/x]", block), 3u);
}

// --- writing --------------------------------------------------------------------------------

TEST_F(TStringFilerTest, ABlockLineEqualToTheClosingTagIsNotWritten) {
    // Found by fuzzing: a format line "[/output_format]" ended its block on reading and the
    // lines after it became tags of the section.
    StringList out;
    TStringFiler::WriteBlock(out, "[output_format]",
                             {"a", "[/output_format]", "[type]5", "[/output_format]\x97"},
                             "[/output_format]");
    EXPECT_EQ(out, (StringList{"[output_format]", "a", "[type]5", "[/output_format]"}));
    StringList block;
    EXPECT_EQ(TStringFiler::ReadBlock(out, 0, "[/output_format]", block), 3u);
    EXPECT_EQ(block, (StringList{"a", "[type]5"}));
}

TEST_F(TStringFilerTest, SaveSeparatesLinesWithoutAFinalLineEnd) {
    std::string path = PathOf("out.ZQD");
    EXPECT_EQ(filer_.Save({"a", "b"}, path), kFileOk);
    EXPECT_EQ(Read(path), "a\r\nb");
    EXPECT_EQ(filer_.Save({"a", "b", ""}, path), kFileOk);
    EXPECT_EQ(Read(path), "a\r\nb\r\n");
    EXPECT_EQ(filer_.Save({"x"}, path, "\n"), kFileOk);
    EXPECT_EQ(Read(path), "x");  // the longer old content is gone
    EXPECT_EQ(filer_.Save({}, path), kFileOk);
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
}

TEST_F(TStringFilerTest, ADanglingLeadByteBeforeALineEndIsNotWritten) {
    // Found by fuzzing: "\x94" before CR LF read back as "\x94\r", one more CR every save.
    std::string path = PathOf("lead.ZQD");
    const StringList lines{"ab\x81", "\x8f\x6f\x94", "\x81\x81", "c\x81"};
    EXPECT_EQ(filer_.Save(lines, path), kFileOk);
    EXPECT_EQ(Read(path), "ab\r\n\x8f\x6f\r\n\x81\x81\r\nc\x81");
    StringList again = LoadAll(path, 1 << 20);
    EXPECT_EQ(again, (StringList{"ab", "\x8f\x6f", "\x81\x81", "c\x81"}));
    EXPECT_EQ(filer_.Save(again, path), kFileOk);
    EXPECT_EQ(LoadAll(path, 1 << 20), again);
}

TEST_F(TStringFilerTest, SaveTaggedReplacesOnlyEmptyFilesAndFilesOfItsKind) {
    const std::string header = kKind + " ver 2.0";
    const struct {
        std::string old;
        int result;
    } cases[] = {
        {"", kFileOk},
        {header + "\r\n[init]", kFileOk},
        {kKind + " ver 9.9\n", kFileOk},
        {header + std::string(8000, 'x'), kFileOk},   // no line end within what is read
        {"\xEF\xBB\xBF" + header, kFileWrongHeader},  // a byte-order mark first
        {"Library-File for Tabrix ver 2.0\r\n" + header, kFileWrongHeader},
        {"\r\n" + header, kFileWrongHeader},
        {kKind + "\r\n ver 2.0", kFileWrongHeader},
        {"notes the user keeps", kFileWrongHeader},
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

TEST_F(TStringFilerTest, SaveTaggedChecksTheFileALinkNames) {
    const std::string real = Write("real.ZQL", "Library-File for Tabrix ver 2.0");
    const std::string link = PathOf("link.ZQD");
    fs::create_symlink(real, link);
    EXPECT_EQ(filer_.SaveTagged({"x"}, link, kKind), kFileWrongHeader);
    EXPECT_EQ(Read(real), "Library-File for Tabrix ver 2.0");
    EXPECT_TRUE(fs::is_symlink(link));
    ASSERT_EQ(::mkfifo(PathOf("fifo.ZQD").c_str(), 0600), 0);
    EXPECT_EQ(filer_.SaveTagged({"x"}, PathOf("fifo.ZQD"), kKind), kFileCannotOpen);
}

TEST_F(TStringFilerTest, SaveKeepsPermissionBits) {
    std::string path = Write("mode.ZQD", "old");
    ::chmod(path.c_str(), 0640);
    EXPECT_EQ(filer_.Save({"new"}, path), kFileOk);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Read(path), "new");

    std::string fresh = PathOf("fresh.ZQD");
    EXPECT_EQ(filer_.Save({"new"}, fresh), kFileOk);
    ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0600, 0600u);
    EXPECT_EQ(info.st_mode & 0111, 0u);
}

TEST_F(TStringFilerTest, SaveThroughASymbolicLinkKeepsTheLink) {
    std::string real = Write("real.ZQD", "old");
    std::string link = PathOf("link.ZQD");
    fs::create_symlink(real, link);
    EXPECT_EQ(filer_.Save({"new"}, link), kFileOk);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
}

TEST_F(TStringFilerTest, SaveLeavesAFolderTargetAlone) {
    fs::create_directory(dir_ / "folder.ZQD");
    EXPECT_EQ(filer_.Save({"x"}, PathOf("folder.ZQD")), kFileCannotOpen);
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.ZQD"));
    EXPECT_EQ(EntryCount(), 1u);
    EXPECT_EQ(filer_.Save({"x"}, PathOf("no/such/folder.ZQD")), kFileCannotOpen);
    EXPECT_EQ(filer_.Save({"x"}, ""), kFileCannotOpen);
}

TEST_F(TStringFilerTest, SaveKeepsTheOldFileWhenTheFolderIsNotWritable) {
    fs::create_directory(dir_ / "locked");
    std::string path = (dir_ / "locked" / "a.ZQD").string();
    std::ofstream(path, std::ios::binary) << "old";
    if (!MakeReadOnly(dir_ / "locked")) GTEST_SKIP() << "privileged user writes anyway";
    EXPECT_EQ(filer_.Save({"new"}, path), kFileCannotOpen);
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "locked"), {}), 1);
}

TEST_F(TStringFilerTest, SaveRefusesAReadOnlyFile) {
    std::string path = Write("ro.ZQD", "old");
    ::chmod(path.c_str(), 0444);
    if (::access(path.c_str(), W_OK) == 0) GTEST_SKIP() << "privileged user writes anyway";
    EXPECT_EQ(filer_.Save({"new"}, path), kFileCannotOpen);
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(TStringFilerTest, ShortWriteKeepsTheOldFile) {
    std::string path = Write("big.ZQD", "old");
    EXPECT_EXIT(std::_Exit(SaveUnderSizeLimit(path)), ::testing::ExitedWithCode(kFileShortWrite),
                "");
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(EntryCount(), 1u);
}

}  // namespace
}  // namespace tabrix
