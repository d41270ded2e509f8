// Damaged, shared and hostile libraries: whatever the tool is asked to do with them, no file it
// could not read is replaced, no file of another kind is overwritten, and what was kept comes
// back when the damage is undone. Each case starts from a copy of the sample library.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../support/CliRun.h"
#include "../support/TempDir.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;
using test::Outcome;
using test::ReadFile;
using test::RunCli;
using test::Sj;
using test::TempDir;
using test::WriteFile;

const fs::path kSample = fs::path(TABRIX_SOURCE_DIR) / "examples" / "books";

// Replaces the first occurrence of from in the file (CP932 on both sides).
void Edit(const fs::path& file, const std::string& from, const std::string& to) {
    std::string bytes = ReadFile(file);
    std::size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
    WriteFile(file, bytes);
}

struct Case {
    const char* name;
    std::function<void(const fs::path&)> damage;
    std::vector<std::string> args;  // "LIB" stands for the library file
    int status;
    const char* mentioned;  // a text stderr must hold (a file name), or ""
    // Files (relative to the library folder) whose bytes must be exactly as before the command.
    std::vector<std::string> untouched;
    // Runs after the command: undoes the damage and checks what must have survived.
    std::function<void(const fs::path&)> afterwards;
};

void RenameBack(const fs::path& from, const fs::path& to) {
    ASSERT_FALSE(fs::exists(to)) << "a file was created where the unread one was";
    fs::rename(from, to);
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"MissingElementDataKeepsItsGroups",
         [](const fs::path& lib) { fs::rename(lib / "data/books.ZQD", lib / "away.ZQD"); },
         {"save", "LIB"},
         0,
         "books.ZQD",
         {},
         [](const fs::path& lib) {
             RenameBack(lib / "away.ZQD", lib / "data/books.ZQD");
             EXPECT_EQ(ReadFile(lib / "books.ZQL"), ReadFile(kSample / "books.ZQL"));
         }},
        {"MissingElementDataIsNotCreatedBySaveAll",
         [](const fs::path& lib) { fs::rename(lib / "data/books.ZQD", lib / "away.ZQD"); },
         {"save", "LIB", "--all"},
         1,
         "books.ZQD",
         {"away.ZQD"},
         [](const fs::path& lib) {
             RenameBack(lib / "away.ZQD", lib / "data/books.ZQD");
             EXPECT_EQ(ReadFile(lib / "books.ZQL"), ReadFile(kSample / "books.ZQL"));
         }},
        {"ElementDataThatIsAPipeIsRefusedAtOnce",
         [](const fs::path& lib) {
             fs::remove(lib / "data/books.ZQD");
             ASSERT_EQ(::mkfifo((lib / "data/books.ZQD").c_str(), 0600), 0);
         },
         {"save", "LIB", "--all"},
         1,
         "books.ZQD",
         {},
         [](const fs::path& lib) { EXPECT_TRUE(fs::is_fifo(lib / "data/books.ZQD")); }},
        {"ParameterFileWithByteOrderMarkIsNotReplaced",
         [](const fs::path& lib) {
             WriteFile(lib / "books.ZQP", "\xEF\xBB\xBF" + ReadFile(lib / "books.ZQP"));
         },
         {"save", "LIB", "--all"},
         1,
         "books.ZQP",
         // The element data was decoded without its types: rewriting it would lose references.
         {"books.ZQP", "data/books.ZQD"},
         {}},
        {"ParameterFileThatIsAFolderStaysAFolder",
         [](const fs::path& lib) {
             fs::remove(lib / "books.ZQP");
             fs::create_directory(lib / "books.ZQP");
         },
         {"save", "LIB"},
         1,
         "books.ZQP",
         {"data/books.ZQD"},
         [](const fs::path& lib) { EXPECT_TRUE(fs::is_directory(lib / "books.ZQP")); }},
        {"InitializeInfoNamingTheLibraryFileLeavesItALibrary",
         [](const fs::path& lib) {
             Edit(lib / "books.ZQL", "[zqi_file]books.ZQI", "[zqi_file]books.ZQL");
         },
         {"save", "LIB", "--all"},
         1,
         "books.ZQL",
         {},
         [](const fs::path& lib) {
             EXPECT_EQ(ReadFile(lib / "books.ZQL").rfind("Library-File for Tabrix ver 2.0", 0), 0u);
         }},
        {"ParameterPathNamingAnotherFileLeavesItAlone",
         [](const fs::path& lib) {
             WriteFile(lib / "notes.txt", "my notes\r\n");
             Edit(lib / "books.ZQL", "[zqp_file]books.ZQP", "[zqp_file]notes.txt");
         },
         {"save", "LIB", "--all"},
         1,
         "notes.txt",
         {"notes.txt"},
         {}},
        {"GroupWhoseGroupDataIsMissingIsWrittenBack",
         [](const fs::path& lib) { Edit(lib / "books.ZQL", "[gd_index]1", "[gd_index]7"); },
         {"save", "LIB"},
         0,
         "",
         {"books.ZQL"},
         {}},
        {"OutputOverTheParameterFileIsRefused",
         [](const fs::path& lib) {
             Edit(lib / "books.ZQL", Sj("[output_path]書籍一覧.txt"), "[output_path]books.ZQP");
         },
         {"output", "LIB", "--all", "--output-dir", "."},
         1,
         "books.ZQP",
         {"books.ZQP"},
         [](const fs::path& lib) {
             // The other groups were still written.
             EXPECT_TRUE(fs::exists(lib / "sub" / "新刊.txt"));
         }},
    };
    return cases;
}

class NothingLostTest : public ::testing::TestWithParam<Case> {};

TEST_P(NothingLostTest, DamageCostsNothing) {
    const Case& c = GetParam();
    TempDir dir;
    const fs::path lib = dir.Path() / "lib";
    fs::copy(kSample, lib, fs::copy_options::recursive);
    c.damage(lib);
    std::vector<std::string> before;
    for (const std::string& name : c.untouched)
        before.push_back(ReadFile(lib / name));

    std::vector<std::string> args;
    for (const std::string& arg : c.args)
        args.push_back(arg == "LIB" ? (lib / "books.ZQL").string()
                       : arg == "." ? lib.string()
                                    : arg);
    Outcome outcome = RunCli(args, dir);
    EXPECT_EQ(outcome.status, c.status) << outcome.err;
    EXPECT_NE(outcome.err.find(c.mentioned), std::string::npos) << outcome.err;
    for (std::size_t i = 0; i < c.untouched.size(); ++i)
        EXPECT_EQ(ReadFile(lib / c.untouched[i]), before[i]) << c.untouched[i];
    if (c.afterwards) c.afterwards(lib);
}

INSTANTIATE_TEST_SUITE_P(Libraries, NothingLostTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabrix
