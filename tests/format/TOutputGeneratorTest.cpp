#include <gtest/gtest.h>

#include <filesystem>

#include "FormatFixture.h"
#include "format/TOutputGenerator.h"
#include "model/TGroupSetting.h"

namespace tabrix {
namespace {

using namespace test;

class OutputTest : public FormatFixture {
protected:
    OutputTest() {
        library.SetOutputPath(dir.Path().string());
        library.ParameterFile()->OutputFormat() = {Sj("%名称%,")};
        SetName(A(0), "a0");
        SetName(A(1), "a1");
        SetName(A(2), "a2");
        SetName(B(0), "b0");
        SetName(B(1), "b1");
        groupA->SetOutputPath("a.txt");
        groupB->SetOutputPath("b.txt");
        callbacks.status = [this](const std::string& text) {
            statuses.push_back(TextCodec::ToUtf8(text));
        };
        callbacks.failure = [this](const std::string& path, const std::string& reason) {
            failures.push_back(TextCodec::ToUtf8(path));
            reasons.push_back(reason);
        };
    }
    TOutputReport Output(const TOutputOptions& options = {}) {
        TFormatCompiler::CompileAll(library);
        return TOutputGenerator(library, callbacks).Run(options);
    }
    std::string File(const std::string& name) { return ReadFile(dir.File(name)); }
    bool Exists(const std::string& name) { return std::filesystem::exists(dir.File(name)); }

    TempDir dir;
    TOutputCallbacks callbacks;
    std::vector<std::string> statuses;
    std::vector<std::string> failures;
    std::vector<std::string> reasons;
};

// The sink holds the file itself: lines joined by the line end, a lead byte left dangling
// before a line end dropped, a line a run left unfinished not written.
TEST_F(OutputTest, SinkCollectsTheFile) {
    struct Step {
        SinkEvent event;
        const char* text;
        std::uint32_t number;
    };
    const Step kText{kEventText, "x", 0}, kBreak{kEventLineBreak, "", 0}, kEnd{kEventEnd, "", 0};
    const struct {
        const char* lineEnd;
        std::size_t limit;
        std::vector<Step> steps;
        std::size_t lines;
        std::string file;  // "" with full: nothing may be written
        bool full;
    } cases[] = {
        {"\r\n",
         SIZE_MAX,
         {kText,
          {kEventBegin, "", 0},
          {kEventUnsigned, "", 4294967295u},
          {kEventSigned, "", static_cast<std::uint32_t>(-1)},
          kBreak,
          {kEventColor, "", 5},
          kEnd},
         2,
         "4294967295-1\r\n",
         false},
        {"\r\n",
         SIZE_MAX,
         {{kEventText, "ab\x82", 0}, kBreak, {kEventText, "b\x82", 0}, kEnd},
         2,
         "ab\r\nb\x82",
         false},
        {"\r\n",
         SIZE_MAX,
         {{kEventText, "ab\x82", 0}, kBreak, {kEventText, "cut", 0}},
         1,
         "ab\x82",
         false},
        {"", SIZE_MAX, {{kEventText, "a\x82", 0}, kBreak, kText, kEnd}, 2, "a\x82x", false},
        {"\n", SIZE_MAX, {kText, kBreak, kBreak, kText, kEnd}, 3, "x\n\nx", false},
        {"\r\n", 4, {kText, kBreak, kText, kEnd}, 2, "x\r\nx", false},
        {"\r\n", 3, {kText, kBreak, kText, kEnd}, 1, "", true},
    };
    std::size_t joined = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto begun = [&c](TOutputSink& sink) {
            sink.SetLineEnd(c.lineEnd);
            sink.SetLimit(c.limit);
        };
        auto send = [&c](TOutputSink& sink, std::size_t from, std::size_t to) {
            for (std::size_t k = from; k < to; ++k)
                sink.Send(c.steps[k].event, c.steps[k].text, c.steps[k].number);
        };
        // Every line handed on as soon as it is final, or the text kept whole.
        std::string handed;
        auto handing = [&handed](TOutputSink& sink, bool on) {
            handed.clear();
            if (on) sink.HandOnTo([&handed](std::string_view piece) { handed.append(piece); });
        };
        TOutputSink sink;
        begun(sink);
        send(sink, 0, c.steps.size());
        sink.DropUnfinishedLine();
        EXPECT_EQ(sink.Full(), c.full);
        EXPECT_EQ(sink.LineCount(), c.lines);
        if (!c.full) {
            EXPECT_EQ(sink.FileText(), c.file);
        }
        for (bool handOn : {false, true}) {
            TOutputSink::SetHandOnBytes(1);
            TOutputSink whole;
            begun(whole);
            handing(whole, handOn);
            send(whole, 0, c.steps.size());
            whole.DropUnfinishedLine();
            EXPECT_EQ(whole.Full(), c.full);
            if (!c.full) {
                EXPECT_EQ(handed + std::string(whole.FileText()), c.file) << handOn;
            }
            // The steps from k on sent to a tail sink: joined, it holds what the one sink
            // holds.
            for (std::size_t k = 1; k < c.steps.size(); ++k) {
                if (c.steps[k].event == kEventBegin) break;
                TOutputSink head, tail;
                begun(head);
                handing(head, handOn);
                begun(tail);
                tail.StartAsTail();
                send(head, 0, k);
                send(tail, k, c.steps.size());
                if (!head.AppendTail(tail)) continue;
                ++joined;
                head.DropUnfinishedLine();
                EXPECT_EQ(head.LineCount(), sink.LineCount()) << k;
                EXPECT_EQ(handed + std::string(head.FileText()), sink.FileText()) << k << handOn;
            }
            TOutputSink::SetHandOnBytes(std::size_t{1} << 20);
        }
    }
    EXPECT_GE(joined, 8u);
}

// A large group is rendered in parts on every core: the files and the cuts are those of the
// group rendered in order, wherever the parts meet (within a line or after one) and wherever
// a limit is met.
TEST_F(OutputTest, GroupsRenderedInPartsGiveTheOrderedText) {
    first->AddElements(197);
    for (std::size_t i = 0; i < first->Size(); ++i)
        A(i).SetTexts(kName, {i % 3 == 0   ? std::string("b")
                              : i % 5 == 0 ? std::string("x\x82")
                                           : "n" + std::to_string(i)});
    A(7).SetOutputFlag(0);
    A(151).SetNumbers(kCount, {1});
    groupB->Set(TGroupSetting::kOutput, false);
    struct Case {
        const char* format;
        std::size_t limit;
    };
    const Case cases[] = {
        {"%名称%%\\n%", SIZE_MAX},
        {"%名称%%IF,名称,==,b%%\\n%%END_IF%", SIZE_MAX},
        {"%名称%%IF,名称,!=,b%%\\n%%END_IF%", SIZE_MAX},
        {"%名称%,", SIZE_MAX},
        {"%名称%%WHILE,個数%x%WEND%%\\n%", SIZE_MAX},
        {"%名称%%\\n%", 885},
        {"%名称%%\\n%", 884},
        {"%名称%%\\n%", 600},
    };
    const std::size_t threshold = TOutputGenerator::ParallelRenderThreshold();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format + std::to_string(c.limit));
        library.ParameterFile()->OutputFormat() = {Sj(c.format)};
        TOutputOptions options;
        options.fileSizeLimit = c.limit;
        // In order, in parts, and in parts written line by line as they are made: a text cut
        // at the limit leaves the old file.
        std::vector<std::string> files;
        for (std::size_t pieceBytes : {SIZE_MAX, SIZE_MAX, std::size_t{1}}) {
            TOutputGenerator::SetParallelRenderThreshold(files.empty() ? SIZE_MAX : 8);
            TOutputSink::SetHandOnBytes(pieceBytes);
            reasons.clear();
            WriteFile(dir.File("a.txt"), "old");
            groupA->Set(TGroupSetting::kOutputDone, false);
            Output(options);
            files.push_back(File("a.txt") + (reasons.empty() ? "" : reasons[0]));
        }
        TOutputGenerator::SetParallelRenderThreshold(threshold);
        TOutputSink::SetHandOnBytes(std::size_t{1} << 20);
        EXPECT_GT(files[0].size(), 100u);
        EXPECT_EQ(files[1], files[0]);
        EXPECT_EQ(files[2], files[0]);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }
}

TEST_F(OutputTest, TextFlowsAcrossRunsAndHeadersUseTheEndElements) {
    groupA->Header() = {Sj("[%名称%]")};
    groupA->Footer() = {Sj("%\\n%(%名称%)")};
    A(0).SetOutputFlag(0);  // not output, but still the header's element
    TOutputReport report = Output();
    EXPECT_EQ(report.written, 2u);
    EXPECT_EQ(File("a.txt"), "[a0]a1,a2,\r\n(a2)");
    EXPECT_EQ(File("b.txt"), "b0,b1,");
    EXPECT_TRUE(groupA->Has(TGroupSetting::kOutputDone));
    EXPECT_EQ(statuses.front(), "Tabrix:グループ「グループA」を出力中...");
    EXPECT_EQ(statuses[1], "Tabrix:グループ「グループA」( 1 / 3 )を出力中...");
    EXPECT_EQ(statuses.back(), "");
}

TEST_F(OutputTest, OnlyDueGroupsAreWritten) {
    groupA->Set(TGroupSetting::kOutputDone, true);
    groupB->Set(TGroupSetting::kOutput, false);
    EXPECT_EQ(Output().written, 0u);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Tabrix:グループ「グループA」を出力中...", ""}));
    groupA->Set(TGroupSetting::kAlwaysOutput, true);
    EXPECT_EQ(Output().written, 1u);
    groupA->Set(TGroupSetting::kAlwaysOutput, false);
    TOutputOptions every;
    every.everyGroup = true;
    EXPECT_EQ(Output(every).written, 1u);  // B still lacks the output bit
}

TEST_F(OutputTest, ConnectChainsAppendAndStopAtLoops) {
    library.SetLineBreak("\n");
    library.ParameterFile()->OutputFormat() = {Sj("%名称%%\\n%")};
    groupA->Set(TGroupSetting::kConnect, true);
    groupA->SetConnectGroup(groupB);
    groupB->Set(TGroupSetting::kConnect, true);
    groupB->SetConnectGroup(groupA);
    Output();
    // Each group ends with its last, empty line; between groups that gives an empty line.
    EXPECT_EQ(File("a.txt"), "a0\na1\na2\n\nb0\nb1\n");
    EXPECT_EQ(File("b.txt"), "b0\nb1\n\na0\na1\na2\n");
    EXPECT_NE(std::find(statuses.begin(), statuses.end(),
                        "Tabrix:グループ「グループA」の連結処理＜グループ「グループB」を結合中..."
                        "＞（ 1 / 2 ）"),
              statuses.end());
}

TEST_F(OutputTest, FoldersAreCreatedAndNamesStayInside) {
    groupA->SetOutputPath(Sj("sub\\表\\out.txt"));
    groupB->SetOutputPath("/abs.txt");
    EXPECT_EQ(Output().written, 2u);
    EXPECT_EQ(ReadFile((dir.Path() / "sub" / "表" / "out.txt").string()), "a0,a1,a2,");
    EXPECT_TRUE(Exists("abs.txt"));
}

// Names that would write another file than the one named: leading out of the output folder,
// or cut short by the system at a NUL byte.
TEST_F(OutputTest, HostileNamesAreRefused) {
    const std::pair<std::string, std::filesystem::path> cases[] = {
        {"sub\\..\\..\\escape.txt", dir.Path().parent_path() / "escape.txt"},
        {std::string("a\0.txt", 6), dir.Path() / "a"},
    };
    for (const auto& [name, wrongFile] : cases) {
        SCOPED_TRACE(name);
        failures.clear();
        groupA->SetOutputPath(name);
        groupA->Set(TGroupSetting::kOutputDone, false);
        TOutputReport report = Output();
        EXPECT_EQ(report.failures, 1u);
        EXPECT_EQ(failures.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(wrongFile));
        EXPECT_FALSE(groupA->Has(TGroupSetting::kOutputDone));
        EXPECT_TRUE(groupB->Has(TGroupSetting::kOutputDone));
    }
}

// A text cut by the evaluator's limits is written as made; one that would pass the file size
// limit is not written at all. Both name the group and element and leave the group due.
TEST_F(OutputTest, CutTextsAreReportedAndLeaveTheGroupDue) {
    struct Case {
        const char* format;
        std::size_t limit;
        const char* fileStart;  // nullptr: no file
        const char* reason;
    };
    const Case cases[] = {
        {"%名称%%WHILE,名称%x%WEND%", TOutputOptions::kDefaultFileSizeLimit, "a0xxx",
         "element 1 of 3 of group グループA when it met a limit"},
        {"%名称%%WHILE,名称%x%WEND%", 100, nullptr,
         "element 1 of 3 of group グループA: the text would pass the limit of 100 bytes"},
        {"%名称%%\\n%", 9, nullptr, "element 3 of 3 of group グループA: the text would pass"},
        {"%名称%%\\n%", 12, "a0\r\na1\r\na2", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format + std::to_string(c.limit));
        reasons.clear();
        std::filesystem::remove(dir.File("a.txt"));
        groupA->Set(TGroupSetting::kOutputDone, false);
        groupB->Set(TGroupSetting::kOutput, false);
        library.ParameterFile()->OutputFormat() = {Sj(c.format)};
        TOutputOptions options;
        options.fileSizeLimit = c.limit;
        const TOutputReport report = Output(options);
        EXPECT_EQ(Exists("a.txt"), c.fileStart != nullptr);
        if (c.fileStart) {
            EXPECT_EQ(File("a.txt").rfind(c.fileStart, 0), 0u);
        }
        EXPECT_EQ(report.failures, c.reason ? 1u : 0u);
        EXPECT_EQ(groupA->Has(TGroupSetting::kOutputDone), c.reason == nullptr);
        if (c.reason) {
            ASSERT_EQ(reasons.size(), 1u);
            EXPECT_NE(reasons[0].find(c.reason), std::string::npos) << reasons[0];
        }
    }
}

TEST_F(OutputTest, WriteFailuresAreReportedAndLeaveTheGroupDue) {
    WriteFile(dir.File("blocker"), "x");
    groupA->SetOutputPath("blocker\\a.txt");               // its folder is a file
    std::filesystem::create_directory(dir.File("b.txt"));  // the target is a folder
    TOutputReport report = Output();
    EXPECT_EQ(report.failures, 2u);
    EXPECT_EQ(report.written, 0u);
    EXPECT_FALSE(groupA->Has(TGroupSetting::kOutputDone));
    EXPECT_FALSE(groupB->Has(TGroupSetting::kOutputDone));
}

TEST_F(OutputTest, EmptyGroupsWriteNothingButAreDone) {
    WriteFile(dir.File("b.txt"), "old");
    library.DeleteElements(1, 0, 2);
    Output();
    EXPECT_EQ(File("b.txt"), "old");
    EXPECT_TRUE(groupB->Has(TGroupSetting::kOutputDone));
}

TEST_F(OutputTest, QuestionsForFolderAndFileName) {
    library.SetOutputPath("");
    std::vector<std::string> messages;
    callbacks.message = [&](const std::string& text) {
        messages.push_back(TextCodec::ToUtf8(text));
    };
    callbacks.chooseFolder = [](std::string&) { return false; };
    EXPECT_TRUE(Output().cancelled);
    EXPECT_EQ(messages, (std::vector<std::string>{"出力先が未定です。出力先を指定してください"}));

    callbacks.chooseFolder = [&](std::string& folder) {
        folder = dir.Path().string() + "/";
        return true;
    };
    groupA->SetOutputPath("");
    groupB->SetOutputPath("");
    std::vector<std::string> asked;
    callbacks.input = [&](const std::string& caption, const std::string& prompt,
                          std::string& text) {
        asked.push_back(TextCodec::ToUtf8(caption) + "|" + TextCodec::ToUtf8(prompt) + "|" +
                        TextCodec::ToUtf8(text));
        return caption == Sj("グループ「グループA」");  // B is cancelled
    };
    TOutputReport report = Output();
    EXPECT_FALSE(report.cancelled);
    EXPECT_EQ(library.OutputPath(), dir.Path().string());  // one trailing separator removed
    EXPECT_EQ(asked.front(),
              "グループ「グループA」|出力ファイル名を指定してください|グループA.txt");
    EXPECT_EQ(ReadFile((dir.Path() / "グループA.txt").string()), "a0,a1,a2,");
    EXPECT_TRUE(groupB->OutputPath().empty());
    EXPECT_FALSE(groupB->Has(TGroupSetting::kOutputDone));
}

TEST_F(OutputTest, OverrideFolderIsNotStored) {
    TempDir other;
    TOutputOptions options;
    options.folder = other.Path().string();
    Output(options);
    EXPECT_TRUE(std::filesystem::exists(other.Path() / "a.txt"));
    EXPECT_EQ(library.OutputPath(), dir.Path().string());
}

}  // namespace
}  // namespace tabrix
