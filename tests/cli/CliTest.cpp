#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "../support/TempDir.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::Sj;
using test::TempDir;
using test::WriteFile;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs tabrix-cli with the arguments (each quoted for the shell).
Outcome Cli(const std::vector<std::string>& args, const TempDir& dir) {
    std::string command = TABRIX_CLI_PATH;
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    const std::string outPath = dir.File("cli.out");
    const std::string errPath = dir.File("cli.err");
    command += " >'" + outPath + "' 2>'" + errPath + "'";
    Outcome outcome;
    int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = ReadFile(outPath);
    outcome.err = ReadFile(errPath);
    return outcome;
}

// A library written through the core: a string, a signed and an element reference parameter,
// two groups of one element data file.
class CliTest : public ::testing::Test {
protected:
    void WriteLibrary(const std::string& outputFormat, bool withOutputFolder = true) {
        TTabrixCtrl controller;
        TZQLCtrl library;
        controller.FillNewLibrary(library);
        library.SetPath(dir.File("lib.ZQL"));
        library.ParameterFile()->SetPath(dir.File("lib.ZQP"));
        library.InitializeInfo()->SetPath(dir.File("lib.ZQI"));
        TZQDCtrl& data = *library.Group(0)->GroupData()->Owner();
        data.SetPath(dir.File("lib.ZQD"));
        TZQPCtrl& parameters = *library.ParameterFile();
        AddParameter(parameters, "値", kTypeSigned);
        AddParameter(parameters, "参照", kTypeElementRef);
        parameters.OutputFormat() = {Sj(outputFormat)};
        TGroupSetting& first = *library.Group(0);
        first.SetOutputPath("first.txt");
        TGroupData* otherData = data.AddGroupData();
        TGroupSetting& second = *library.AddGroupForGroupData(otherData);
        second.SetName(Sj("二番"));
        second.SetOutputPath("");  // asked for in the editor; skipped here
        first.GroupData()->AddElements(2);
        otherData->AddElements(1);
        first.GroupData()->At(0)->SetTexts(0, {Sj("甲")});
        first.GroupData()->At(0)->SetNumbers(1, {static_cast<std::uint32_t>(-3)});
        first.GroupData()->At(0)->SetElementRefs(2, {otherData->At(0)});
        first.GroupData()->At(1)->SetTexts(0, {Sj("乙")});
        if (withOutputFolder) library.SetOutputPath(dir.File("out"));
        library.BatchList(kBatchChange) = changeList;
        data.SetModified(true);
        library.SetModified(true);
        parameters.SetModified(true);
        ASSERT_EQ(data.Write(library), 0);
        ASSERT_EQ(library.Write(), 0);
        ASSERT_EQ(parameters.Write(), 0);
        ASSERT_EQ(library.InitializeInfo()->Write(), 0);
    }
    static void AddParameter(TZQPCtrl& parameters, const std::string& code, std::uint8_t type) {
        auto parameter = std::make_unique<TParameter>();
        parameter->SetName(Sj(code));
        parameter->SetCode(Sj(code));
        parameter->SetType(type);
        parameters.AddParameter(std::move(parameter), true);
    }
    std::string Lib() const { return dir.File("lib.ZQL"); }

    std::vector<TBatchSetting> changeList;
    TempDir dir;
};

TEST_F(CliTest, UsageErrorsAndHelp) {
    EXPECT_EQ(Cli({}, dir).status, 2);
    EXPECT_EQ(Cli({"frobnicate"}, dir).status, 2);
    Outcome help = Cli({"output", "--help"}, dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("output LIBRARY"), std::string::npos);
    EXPECT_EQ(Cli({"dump"}, dir).status, 2);
    EXPECT_EQ(Cli({"dump", "a", "b"}, dir).status, 2);
    EXPECT_EQ(Cli({"save", "x.ZQL", "--bogus"}, dir).status, 2);
}

TEST_F(CliTest, LibrariesThatCannotBeOpened) {
    Outcome missing = Cli({"dump", dir.File("none.ZQL")}, dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
    WriteFile(dir.File("text.ZQL"), "hello\r\n");
    Outcome wrong = Cli({"dump", dir.File("text.ZQL")}, dir);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("not a library file"), std::string::npos);
}

TEST_F(CliTest, NewCreatesFourFilesThatOpen) {
    const std::string path = dir.File("fresh.ZQL");
    EXPECT_EQ(Cli({"new", path}, dir).status, 0);
    for (const char* name : {"fresh.ZQL", "fresh.ZQP", "fresh.ZQI", "fresh.ZQD"})
        EXPECT_TRUE(fs::exists(dir.File(name))) << name;
    Outcome dump = Cli({"dump", path}, dir);
    EXPECT_EQ(dump.status, 0);
    EXPECT_NE(dump.out.find("\"zqd_file\": \"" + dir.File("fresh.ZQD") + "\""), std::string::npos);
    EXPECT_NE(dump.out.find("\"code\": \"名称\""), std::string::npos);
    EXPECT_EQ(Cli({"new", path}, dir).status, 2);  // never overwrites
}

TEST_F(CliTest, OutputWritesDueGroupsAndSaveKeepsTheMarks) {
    WriteLibrary("%名称%=%値%;%参照->名称%|");
    Outcome first = Cli({"output", Lib(), "--save"}, dir);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(ReadFile(dir.File("out/first.txt")), Sj("甲=-3;|乙=0;|"));
    // The group without a file name is skipped with a warning.
    EXPECT_NE(first.err.find("二番"), std::string::npos);
    // Saved as done: a second run writes nothing, --all writes again.
    fs::remove(dir.File("out/first.txt"));
    EXPECT_EQ(Cli({"output", Lib()}, dir).status, 0);
    EXPECT_FALSE(fs::exists(dir.File("out/first.txt")));
    EXPECT_EQ(Cli({"output", Lib(), "--all", "--output-dir", dir.File("elsewhere")}, dir).status,
              0);
    EXPECT_TRUE(fs::exists(dir.File("elsewhere/first.txt")));
}

TEST_F(CliTest, OutputNeedsAFolderAndReportsFailures) {
    WriteLibrary("%名称%", false);
    Outcome noFolder = Cli({"output", Lib()}, dir);
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_NE(noFolder.err.find("--output-dir"), std::string::npos);
    WriteFile(dir.File("blocked"), "");
    Outcome failed = Cli({"output", Lib(), "--output-dir", dir.File("blocked")}, dir);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("first.txt"), std::string::npos);
}

TEST_F(CliTest, CheckListsErrorPieces) {
    WriteLibrary("%名称%%EDIT(+, 値)%ok%WEND%");
    Outcome check = Cli({"check", Lib()}, dir);
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out,
              "common output format: piece 4: EDIT(+, 値)\n"
              "common output format: piece 6: WEND\n");
    WriteLibrary("%名称%");
    EXPECT_EQ(Cli({"check", Lib()}, dir).status, 0);
}

TEST_F(CliTest, DumpGivesEveryValueByType) {
    WriteLibrary("%名称%");
    Outcome dump = Cli({"dump", Lib()}, dir);
    ASSERT_EQ(dump.status, 0);
    EXPECT_NE(dump.out.find("\"values\": [\"甲\", -3, {\"group\": 1, \"element\": 0}]"),
              std::string::npos)
        << dump.out;
    // Written lists read back: an unset signed value is a stored empty field (0), an unset
    // reference is an empty list, stored as no value.
    EXPECT_NE(dump.out.find("\"values\": [\"乙\", "), std::string::npos);
    EXPECT_NE(dump.out.find("\"line_break\": \"CRLF\""), std::string::npos);
    EXPECT_NE(dump.out.find("\"connect_group\": null"), std::string::npos);
}

TEST_F(CliTest, SaveRewritesFiles) {
    WriteLibrary("%名称%");
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(dir.File("lib.ZQD"), past);
    fs::last_write_time(dir.File("lib.ZQL"), past);
    EXPECT_EQ(Cli({"save", Lib()}, dir).status, 0);
    EXPECT_EQ(fs::last_write_time(dir.File("lib.ZQD")), past);  // unchanged data stays
    EXPECT_NE(fs::last_write_time(dir.File("lib.ZQL")), past);  // the library is always written
    EXPECT_EQ(Cli({"save", Lib(), "--all"}, dir).status, 0);
    EXPECT_NE(fs::last_write_time(dir.File("lib.ZQD")), past);
    const std::string once = ReadFile(dir.File("lib.ZQD"));
    // A canonical rewrite is stable.
    EXPECT_EQ(Cli({"save", Lib(), "--all"}, dir).status, 0);
    EXPECT_EQ(ReadFile(dir.File("lib.ZQD")), once);
    // A file that cannot be written fails the command.
    fs::remove(dir.File("lib.ZQP"));
    fs::create_directory(dir.File("lib.ZQP"));
    Outcome failed = Cli({"save", Lib()}, dir);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("lib.ZQP"), std::string::npos);
}

TEST_F(CliTest, BatchRunsOneOperationAndSavesOnRequest) {
    WriteLibrary("%名称%,");
    const std::string before = ReadFile(dir.File("lib.ZQD"));
    const std::vector<std::string> sortByValueDescending = {
        "batch",         Lib(),    "--type",     "1",      "--data",
        "[JudgeParam]1", "--data", "[GroupNo]0", "--data", "[Option]0"};
    EXPECT_EQ(Cli(sortByValueDescending, dir).status, 0);
    EXPECT_EQ(ReadFile(dir.File("lib.ZQD")), before);  // not saved without --save

    std::vector<std::string> andSave = sortByValueDescending;
    andSave.push_back("--save");
    EXPECT_EQ(Cli(andSave, dir).status, 0);
    Outcome dump = Cli({"dump", Lib()}, dir);
    const std::size_t second = dump.out.find("\"乙\"");
    const std::size_t first = dump.out.find("\"甲\"");
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(second, first);                                                  // 0 before -3
    EXPECT_NE(dump.out.find("\"status\": 5"), std::string::npos) << dump.out;  // output, changed

    // Duplicate deletion on the reference parameter, whose values always match.
    EXPECT_EQ(Cli({"batch", Lib(), "--type", "5", "--data", "[JudgeParam]2", "--data",
                   "[TargetGroup]0", "--save"},
                  dir)
                  .status,
              0);
    dump = Cli({"dump", Lib()}, dir);
    EXPECT_EQ(dump.out.find("\"甲\""), std::string::npos);

    EXPECT_EQ(Cli({"batch", Lib()}, dir).status, 2);
    EXPECT_EQ(Cli({"batch", Lib(), "--type", "sort"}, dir).status, 2);
    EXPECT_EQ(Cli({"batch", Lib(), "--type", "9"}, dir).status, 0);  // does nothing
}

TEST_F(CliTest, RunExecutesABatchListInItsOrder) {
    // Output first, so the file shows the order before the sort; then sort and save.
    changeList = {{{}, 4, Sj("出力")},
                  {{"[JudgeParam]1", "[GroupNo]0", "[Option]0"}, 1, Sj("並び替え")},
                  {{}, 3, Sj("上書き保存")}};
    WriteLibrary("%名称%,");
    Outcome run = Cli({"run", Lib(), "change"}, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir.File("out/first.txt")), Sj("甲,乙,"));
    Outcome output = Cli({"output", Lib(), "--all", "--output-dir", dir.File("again")}, dir);
    EXPECT_EQ(output.status, 0);
    EXPECT_EQ(ReadFile(dir.File("again/first.txt")), Sj("乙,甲,"));

    EXPECT_EQ(Cli({"run", Lib(), "open"}, dir).status, 0);  // an empty list
    EXPECT_EQ(Cli({"run", Lib(), "sometimes"}, dir).status, 2);
    EXPECT_EQ(Cli({"run", Lib()}, dir).status, 2);
}

TEST_F(CliTest, RunFailsWhenAnOutputItemCannotWrite) {
    changeList = {{{}, 4, Sj("出力")}};
    WriteLibrary("%名称%", false);
    Outcome run = Cli({"run", Lib(), "change"}, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no output folder"), std::string::npos);
    EXPECT_EQ(Cli({"run", Lib(), "change", "--output-dir", dir.File("o")}, dir).status, 0);
    EXPECT_TRUE(fs::exists(dir.File("o/first.txt")));
}

TEST(ExampleTest, SampleLibraryProducesTheExpectedFiles) {
    TempDir dir;
    const fs::path examples = fs::path(TABRIX_SOURCE_DIR) / "examples" / "books";
    Outcome outcome =
        Cli({"output", (examples / "books.ZQL").string(), "--all", "--output-dir", dir.File("out")},
            dir);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    std::size_t compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(examples / "expected")) {
        if (!entry.is_regular_file()) continue;
        fs::path relative = fs::relative(entry.path(), examples / "expected");
        EXPECT_EQ(ReadFile((dir.Path() / "out" / relative).string()),
                  ReadFile(entry.path().string()))
            << relative;
        ++compared;
    }
    EXPECT_EQ(compared, 2u);
}

}  // namespace
}  // namespace tabrix
