#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

#include "../support/CliRun.h"
#include "../support/TempDir.h"
#include "model/TZQLCtrl.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;
using test::Outcome;
using test::ReadFile;
using test::RunCli;
using test::Sj;
using test::TempDir;
using test::WriteFile;

const fs::path kSource = TABRIX_SOURCE_DIR;

// The library of tests/data/cli/lib: parameters 名称 (string), 値 (signed) and 参照 (element
// reference); group "グループ 1" (甲: 値 -3, 参照 the element of 二番; then 乙) written to
// first.txt, and 二番 without an output file, over one element data file; output folder "out".
class CliTest : public ::testing::Test {
protected:
    // A fresh copy with the common output format, the output folder (none: "") and the
    // "change" batch list of changeList.
    void WriteLibrary(const std::string& outputFormat, const std::string& folder = "out") {
        fs::copy(test::DataPath("cli/lib"), dir.Path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        Edit("lib.ZQP", "[output_format]\r\n%名称%\r\n",
             "[output_format]\r\n" + outputFormat + "\r\n");
        Edit("lib.ZQL", "[output_path]out\r\n", "[output_path]" + folder + "\r\n");
        std::string items;
        for (const TBatchSetting& item : changeList) {
            items += "[change]\r\n[type]" + std::to_string(item.type) + "\r\n[name]" + item.name +
                     "\r\n[data]\r\n";
            for (const std::string& line : item.dataLines)
                items += line + "\r\n";
            items += "[/data]\r\n[/change]\r\n";
        }
        Edit("lib.ZQL", "[batch]\r\n", "[batch]\r\n" + items);
    }
    // Replaces the first occurrence of from (UTF-8) in the library's file.
    void Edit(const std::string& name, const std::string& from, const std::string& to) {
        std::string bytes = ReadFile(dir.File(name));
        const std::size_t at = bytes.find(Sj(from));
        ASSERT_NE(at, std::string::npos) << from;
        WriteFile(dir.File(name), bytes.replace(at, Sj(from).size(), Sj(to)));
    }
    std::string Lib() const { return dir.File(libraryName); }

    std::vector<TBatchSetting> changeList;  // names in UTF-8
    std::string libraryName = "lib.ZQL";
    TempDir dir;
};

// A file's text in the table: "⏎" ends a line as tables written for spreadsheets do (CR LF).
std::string CrLf(const std::string& text) {
    const std::vector<std::string> parts = test::SplitAt(text, "⏎");
    std::string joined = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i)
        joined += "\r\n" + parts[i];
    return joined;
}

// Checks stdout against a step's expectation; see tests/data/cli/commands.tsv.
void ExpectOut(const std::string& out, const std::string& expected) {
    if (expected.empty() || expected == "-") return;
    if (expected[0] == '=') {
        const std::vector<std::string> parts = test::SplitAt(expected.substr(1), "⏎");
        std::string text = parts[0];
        for (std::size_t i = 1; i < parts.size(); ++i)
            text += "\n" + parts[i];
        EXPECT_EQ(out, text);
    } else if (expected[0] == '!') {
        EXPECT_EQ(out.find(expected.substr(1)), std::string::npos) << out;
    } else if (expected[0] == '@') {
        EXPECT_EQ(out, ReadFile(test::DataPath(expected.substr(1))));
    } else {
        std::size_t at = 0;
        for (const std::string& text : test::SplitAt(expected, "…")) {
            at = out.find(text, at);
            ASSERT_NE(at, std::string::npos) << text << " in order in " << out;
        }
    }
}

TEST_F(CliTest, CommandsOfTheTable) {
    std::map<std::string, std::string> kept;
    unsigned fileSizeBlocks = 0;
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (const auto& row : test::ReadTable("cli/commands.tsv")) {
        auto field = [&](std::size_t i) { return i < row.size() ? row[i] : std::string(); };
        const std::string& step = row[0];
        SCOPED_TRACE(step + " " + field(1));
        const fs::path file = dir.Path() / field(1);
        if (step == "library" || step == "sample") {
            fileSizeBlocks = 0;
            for (const auto& entry : fs::directory_iterator(dir.Path()))
                fs::remove_all(entry.path());
        }
        if (step == "sample") {
            fs::copy(kSource / (row.size() > 1 ? field(1) : "examples/books"), dir.Path(),
                     fs::copy_options::recursive);
            libraryName = row.size() > 2 ? field(2) : "books.ZQL";
        } else if (step == "library") {
            libraryName = "lib.ZQL";
            changeList.clear();
            for (const std::string& item : test::SplitAt(field(3), "¦")) {
                if (item.empty()) continue;
                const std::vector<std::string> parts = test::SplitAt(item, ":");
                changeList.push_back(
                    {parts.size() > 2 ? test::SplitAt(parts[2], ";") : StringList{},
                     static_cast<std::uint32_t>(std::stoul(parts[0])), parts[1]});
            }
            WriteLibrary(field(1), field(2));
        } else if (step == "cli") {
            std::vector<std::string> args;
            for (const std::string& arg : test::SplitAt(field(1), " ")) {
                if (!arg.empty())
                    args.push_back(arg == "LIB"                ? Lib()
                                   : arg == "DIR"              ? dir.Path().string()
                                   : arg.rfind("DIR/", 0) == 0 ? dir.File(arg.substr(4))
                                                               : arg);
            }
            Outcome outcome = RunCli(args, dir, fileSizeBlocks);
            EXPECT_EQ(outcome.status, std::stoi(field(2))) << outcome.err;
            std::string err = field(3);
            for (std::size_t at; (at = err.find("DIR/")) != std::string::npos;)
                err.replace(at, 4, dir.Path().string() + "/");
            ExpectOut(outcome.err, err);
            const std::string folder = dir.Path().string();
            for (std::size_t at; (at = outcome.out.find(folder)) != std::string::npos;)
                outcome.out.replace(at, folder.size(), "DIR");
            ExpectOut(outcome.out, field(4));
        } else if (step == "file" && field(2) == "∅") {
            EXPECT_FALSE(fs::exists(dir.File(field(1))));
        } else if (step == "file") {
            EXPECT_EQ(ReadFile(dir.File(field(1))), Sj(CrLf(field(2))));
        } else if (step == "write") {
            WriteFile(dir.File(field(1)), CrLf(field(2)));
        } else if (step == "remove") {
            fs::remove(file);
        } else if (step == "keep") {
            kept[field(1)] = ReadFile(dir.File(field(1)));
        } else if (step == "kept") {
            EXPECT_EQ(ReadFile(dir.File(field(1))), kept[field(1)]);
        } else if (step == "rename") {
            fs::rename(file, dir.Path() / field(2));
        } else if (step == "fifo") {
            fs::remove(file);
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        } else if (step == "folder") {
            fs::remove(file);
            fs::create_directories(file);
        } else if (step == "copy") {
            fs::create_directories((dir.Path() / field(2)).parent_path());
            fs::copy_file(file, dir.Path() / field(2));
        } else if (step == "age") {
            fs::last_write_time(file, past);
        } else if (step == "aged" || step == "touched") {
            EXPECT_EQ(fs::last_write_time(file) == past, step == "aged");
        } else if (step == "bom") {
            WriteFile(file, "\xEF\xBB\xBF" + ReadFile(file));
        } else if (step == "edit") {
            std::string to = field(3);
            for (std::size_t at; (at = to.find("␀")) != std::string::npos;)
                to.replace(at, std::string("␀").size(), 1, '\0');
            Edit(field(1), CrLf(field(2)), CrLf(to));
        } else if (step == "mode") {
            fs::permissions(file, static_cast<fs::perms>(std::stoi(field(2), nullptr, 8)));
        } else if (step == "fsize") {
            fileSizeBlocks = static_cast<unsigned>(std::stoul(field(1)));
        } else if (step == "same") {
            const std::string other = row.size() > 2 ? field(2) : "examples/books/" + field(1);
            EXPECT_EQ(ReadFile(file), ReadFile(kSource / other));
        } else if (step == "list") {
            std::vector<std::string> names;
            for (const auto& entry : fs::recursive_directory_iterator(file))
                names.push_back(fs::relative(entry.path(), file).string());
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, test::SplitAt(field(2), "¦"));
        } else if (step == "kind") {
            EXPECT_TRUE(fs::is_regular_file(file));
            EXPECT_EQ(ReadFile(file).rfind(field(2), 0), 0u);
        } else if (step == "fifo?") {
            EXPECT_TRUE(fs::is_fifo(file));
        } else if (step == "folder?") {
            EXPECT_TRUE(fs::is_directory(file));
        } else {
            ADD_FAILURE() << "unknown step";
        }
    }
}

// The manual page is written by hand: every option a command's help lists is named there
// (as troff writes it, "\-\-name"), and so is every command the tool's help lists.
TEST_F(CliTest, TheManualPageNamesEveryCommandAndOption) {
    const std::string manual = ReadFile(kSource / "doc/tabrix-cli.1");
    auto options = [](const std::string& help) {
        std::set<std::string> names;
        for (std::size_t at = 0; (at = help.find("\n  --", at)) != std::string::npos;) {
            at += 3;
            names.insert(help.substr(at, help.find_first_of(" =\n", at) - at));
        }
        return names;
    };
    const std::string tool = RunCli({"--help"}, dir).out;
    const std::size_t list = tool.find("Subcommands:\n");
    ASSERT_NE(list, std::string::npos) << tool;
    std::size_t commands = 0, checked = 0;
    for (std::size_t at = tool.find("\n  ", list); at != std::string::npos;
         at = tool.find("\n  ", at + 1), ++commands) {
        const std::string command = tool.substr(at + 3, tool.find(' ', at + 3) - at - 3);
        SCOPED_TRACE(command);
        EXPECT_NE(manual.find(".BI \"" + command + " "), std::string::npos);
        const std::set<std::string> names = options(RunCli({command, "--help"}, dir).out);
        for (const std::string& name : names) {
            if (name == "--help") continue;
            std::string troff;
            for (char c : name)
                troff += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(manual.find(troff), std::string::npos) << troff;
            ++checked;
        }
    }
    EXPECT_EQ(commands, 9u);
    EXPECT_GE(checked, 21u);  // the options of all nine commands
}

// A line of millions of separators asks for more memory than the command may take.
TEST_F(CliTest, RunningOutOfMemoryIsAFailureWithAMessage) {
#if defined(__SANITIZE_ADDRESS__) || defined(TABRIX_SANITIZE)
    GTEST_SKIP() << "the sanitizer's allocator reserves more address space than the limit";
#else
    WriteLibrary("%名称%");
    std::string zqd = ReadFile(dir.File("lib.ZQD"));
    const std::string data = "[data]\r\n";
    const std::size_t line = zqd.find(data) + data.size();
    zqd.insert(line, "1||" + std::string(40'000'000, '#') + "\r\n");
    WriteFile(dir.File("lib.ZQD"), zqd);

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const rlimit limit{128u << 20, 128u << 20};
        setrlimit(RLIMIT_AS, &limit);
        const int err = open(dir.File("cli.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, STDERR_FILENO);
        const std::string library = Lib();
        execl(TABRIX_CLI_PATH, TABRIX_CLI_PATH, "check", library.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int raw = 0;
    ASSERT_EQ(waitpid(child, &raw, 0), child);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_NE(ReadFile(dir.File("cli.err")).find("tabrix-cli: out of memory"), std::string::npos);
#endif
}

}  // namespace
}  // namespace tabrix
