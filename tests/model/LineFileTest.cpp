// Loading and saving line files: line ends, chunk boundaries, headers, atomic replacement.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "TempDir.h"
#include "model/TStringFiler.h"

namespace tabrix {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

StringList LoadWith(const std::string& path, std::size_t chunk, int* result = nullptr) {
    TStringFiler filer;
    StringList lines;
    int code = filer.Load(lines, path, chunk);
    if (result) *result = code;
    return lines;
}

TEST(LineFile, EveryLineEndReadsTheSameAtEveryChunkSize) {
    TempDir dir;
    const StringList expected = {"first", "", "second \xE3\x81", "last"};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        std::string bytes = TStringFiler::Join(end, expected);
        WriteFile(dir.Path() / "f.txt", bytes);
        for (std::size_t chunk = 1; chunk <= bytes.size() + 1; ++chunk) {
            EXPECT_EQ(LoadWith(dir.File("f.txt"), chunk), expected)
                << "chunk " << chunk << " end " << static_cast<int>(end[std::strlen(end) - 1]);
        }
    }
    // A CR that ends one chunk meets its LF at the start of the next.
    WriteFile(dir.Path() / "g.txt", "ab\r\ncd\r\n");
    EXPECT_EQ(LoadWith(dir.File("g.txt"), 3), (StringList{"ab", "cd"}));
    EXPECT_EQ(LoadWith(dir.File("g.txt"), 16777215), (StringList{"ab", "cd"}));
    // CR CR LF is an empty line between.
    WriteFile(dir.Path() / "h.txt", "a\r\r\nb");
    EXPECT_EQ(LoadWith(dir.File("h.txt"), 2), (StringList{"a", "", "b"}));
}

TEST(LineFile, LoadKeepsEveryByteAndReportsOpenFailures) {
    TempDir dir;
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') all.push_back(static_cast<char>(b));
    }
    WriteFile(dir.Path() / "bytes", all);
    EXPECT_EQ(LoadWith(dir.File("bytes"), 7), StringList{all});
    int result = -1;
    EXPECT_TRUE(LoadWith(dir.File("none"), 10, &result).empty());
    EXPECT_EQ(result, kFileCannotOpen);
    WriteFile(dir.Path() / "empty", "");
    EXPECT_TRUE(LoadWith(dir.File("empty"), 10, &result).empty());
    EXPECT_EQ(result, kFileOk);
}

TEST(LineFile, LineModeSkipsAndLimits) {
    TempDir dir;
    WriteFile(dir.Path() / "h.log", "a\r\nb\r\nc\r\nd");
    TStringFiler filer;
    StringList lines = {"kept"};
    EXPECT_EQ(filer.Load(lines, dir.File("h.log"), 4, 1, 2, true), kFileOk);
    EXPECT_EQ(lines, (StringList{"kept", "b", "c"}));
}

TEST(LineFile, HeaderCheck) {
    TempDir dir;
    TStringFiler filer;
    StringList lines;
    auto check = [&](const std::string& bytes) {
        WriteFile(dir.Path() / "x.ZQD", bytes);
        lines.clear();
        return filer.LoadTagged(lines, dir.File("x.ZQD"), "Element-Data for Tabrix");
    };
    EXPECT_EQ(check("Element-Data for Tabrix ver 9.9"), kFileOk);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(check("Element-Data for Tabrix  ver 2.0"), kFileWrongHeader);
    EXPECT_EQ(check("element-data for tabrix ver 2.0"), kFileWrongHeader);
    EXPECT_EQ(check("Element-Data for Tabrix"), kFileWrongHeader);
    EXPECT_EQ(check(""), kFileCloseFailed);
    EXPECT_EQ(TStringFiler::HeaderLine("Element-Data for Tabrix"),
              "Element-Data for Tabrix ver 2.0");
}

TEST(LineFile, TagsAndBlocks) {
    TStringFiler filer;
    std::string line = "[size]12";
    EXPECT_EQ(filer.CutTag(line), "[size");
    EXPECT_EQ(line, "12");
    line = "[name]a]b";
    EXPECT_EQ(filer.CutTag(line), "[name");
    EXPECT_EQ(line, "a]b");
    line = "no tag";
    EXPECT_EQ(filer.CutTag(line), "");
    EXPECT_EQ(line, "no tag");

    StringList lines = {"[draw_format]x", "[a]", "[/draw_format] ", "", "[/draw_format]", "after"};
    StringList block;
    EXPECT_EQ(TStringFiler::ReadBlock(lines, 0, "[/draw_format]", block), 4u);
    EXPECT_EQ(block, (StringList{"[a]", "[/draw_format] ", ""}));
    block.clear();
    EXPECT_EQ(TStringFiler::ReadBlock(lines, 4, "[/never]", block), lines.size());
    EXPECT_EQ(block, StringList{"after"});
}

TEST(LineFile, SaveJoinsWithoutTrailingLineEndAndReplacesAtomically) {
    TempDir dir;
    TStringFiler filer;
    const std::string path = dir.File("out.ZQL");
    EXPECT_EQ(filer.Save({"a", "", "b"}, path), kFileOk);
    EXPECT_EQ(ReadFile(path), "a\r\n\r\nb");
    EXPECT_EQ(filer.Save({}, path, "\n"), kFileOk);
    EXPECT_EQ(ReadFile(path), "");

    ::chmod(path.c_str(), 0640);
    EXPECT_EQ(filer.Save({"new"}, path), kFileOk);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // No temporary file is left beside the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);

    // A folder in the target's place, or a missing folder: nothing is replaced.
    std::filesystem::create_directory(dir.Path() / "folder.ZQD");
    EXPECT_NE(filer.Save({"x"}, dir.File("folder.ZQD")), kFileOk);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.ZQD"));
    EXPECT_EQ(filer.Save({"x"}, dir.File("missing/out.ZQL")), kFileCannotOpen);
    EXPECT_EQ(ReadFile(path), "new");
}

}  // namespace
}  // namespace tabrix
