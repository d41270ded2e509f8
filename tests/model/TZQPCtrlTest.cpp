// Parameter definition files: the exact layout the writer produces, reading it back, tolerance
// of damaged files, path resolution against the owning library and the modified bit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "files/TParameterFileReader.h"
#include "files/TParameterFileWriter.h"
#include "model/TParameter.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;
using test::CrLfLines;
using test::ReadFile;
using test::Sj;
using test::WriteFile;

const std::string kHeader = "Parameter-Info for Tabrix ver 2.0";

class ZqpFileTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_.File(name); }

    // Writes the lines as a file and reads it into the parameter file object.
    int ReadLines(TZQPCtrl& zqp, const std::vector<std::string>& lines) {
        WriteFile(File("in.ZQP"), CrLfLines(lines));
        zqp.SetPath(File("in.ZQP"));
        return TParameterFileReader(zqp).Read();
    }

    test::TempDir dir_;
};

TParameter* AddNamed(TZQPCtrl& zqp, const std::string& name, const std::string& code,
                     std::uint8_t type) {
    auto parameter = std::make_unique<TParameter>();
    parameter->SetName(name);
    parameter->SetCode(code);
    parameter->SetType(type);
    return zqp.AddParameter(std::move(parameter));
}

// The parameters, one per piece: code, type, input box height and the display parameter's
// index; then the used parameters' indexes and the row height. "!" marks a parameter its code
// does not find.
std::string Summary(const TZQPCtrl& zqp) {
    std::string out;
    for (std::size_t i = 0; i < zqp.Size(); ++i) {
        const TParameter& p = *zqp.At(i);
        out.append(p.Code()).append(":").append(std::to_string(p.Type()));
        out.append(":").append(std::to_string(p.InputBoxHeight()));
        if (p.DisplayParameter())
            out.append(">").append(std::to_string(p.DisplayParameter()->Index()));
        if (zqp.FindByCode(p.Code()) != &p) out.append("!");
        out.append(" ");
    }
    out.append("used");
    for (const TParameter* used : zqp.UsedParameters())
        out.append(" ").append(std::to_string(used->Index()));
    return out.append(" row ").append(std::to_string(zqp.RowHeight()));
}

// --- writing --------------------------------------------------------------------------------

// Found by fuzzing: a font name ending in a lone lead byte took the "," after it for its
// second byte, so the size, style and colour shifted by one field at every save.
TEST_F(ZqpFileTest, AFontNameEndingInALoneLeadByteKeepsTheFontFields) {
    TZQPCtrl zqp;
    zqp.Reset(File("font.ZQP"));
    zqp.SetFontName("\x82\x6c\x82\x72 \x83");
    zqp.SetFontSize(9);
    zqp.SetFontStyle(1);
    zqp.SetModified(true);
    ASSERT_EQ(TParameterFileWriter(zqp).Write(), kFileOk);
    TZQPCtrl back;
    back.SetPath(File("font.ZQP"));
    ASSERT_EQ(TParameterFileReader(back).Read(), kFileOk);
    EXPECT_EQ(back.FontName(), "\x82\x6c\x82\x72 ");
    EXPECT_EQ(back.FontSize(), 9);
    EXPECT_EQ(back.FontStyle(), 1);
}

// Every setting and block written in the exact layout, lines that look like tags included,
// read back into the same model and written again to the same bytes.
TEST_F(ZqpFileTest, WritesTheExactLayoutAndReadsItBack) {
    TZQPCtrl zqp;
    zqp.Reset(File("out.ZQP"));
    zqp.SetStatus(zqp.Status() | 0x10);
    zqp.SetOutputType(3);
    zqp.SetFontName("Arial Narrow");
    zqp.SetFontSize(-12);
    zqp.SetFontStyle(5);
    zqp.SetFontColour(0xFFFFFFFF);
    zqp.SetRowHeight(30);
    zqp.DrawFormat() = {"%a%", "[x]", "[/output_format]", ""};
    zqp.OutputFormat() = {"line]with]brackets", "[draw_format]"};
    zqp.ImportFormats() = {{"i1"}, {}, {"[c]"}};
    TParameter* a = AddNamed(zqp, Sj("名前"), Sj("名前"), kTypeListSelection);
    a->DrawFormat() = {"da", "[str]"};
    a->OutputFormat() = {"oa"};
    a->Selection() = {"s1", "", "[/param]"};
    TParameter* b = AddNamed(zqp, "B", "b]x", kTypeElementRef);
    TParameter* c = AddNamed(zqp, "C", "c", kTypeElementRefArray);
    b->SetDisplayParameter(c);  // a parameter later in the file
    c->SetDisplayParameter(c);
    zqp.UsedParameters() = {c, a, b};

    ASSERT_EQ(TParameterFileWriter(zqp).Write(), kFileOk);
    EXPECT_FALSE(zqp.IsModified());
    EXPECT_EQ(zqp.Status(), 0x10u);
    const std::string bytes = ReadFile(File("out.ZQP"));
    EXPECT_EQ(bytes, ReadFile(test::DataPath("model/layout.ZQP")));

    TZQPCtrl back;
    back.SetPath(File("out.ZQP"));
    ASSERT_EQ(TParameterFileReader(back).Read(), kFileOk);
    EXPECT_FALSE(back.IsModified());
    EXPECT_EQ(back.Status(), 0x10u);
    EXPECT_EQ(Summary(back), Summary(zqp));
    EXPECT_EQ(back.At(0)->DisplayParameter(), nullptr);
    EXPECT_EQ(back.At(1)->DisplayParameter(), back.At(2));
    back.SetPath(File("again.ZQP"));
    back.SetModified(true);
    ASSERT_EQ(TParameterFileWriter(back).Write(), kFileOk);
    EXPECT_EQ(ReadFile(File("again.ZQP")), bytes);
}

// Only a modified file is written; a failed write keeps the bit for the next save, which
// writes the cleared status and no used parameters for an empty model.
TEST_F(ZqpFileTest, TheModifiedBitDecidesWhatIsWritten) {
    std::vector<std::string> messages;
    auto progress = [&](const std::string& m) { messages.push_back(m); };
    const std::string path = File("keep.ZQP");
    WriteFile(path, "not a parameter file");
    TZQPCtrl zqp;
    zqp.SetPath(path);
    EXPECT_EQ(TParameterFileWriter(zqp).Write(progress), kFileOk);
    EXPECT_EQ(ReadFile(path), "not a parameter file");
    EXPECT_TRUE(messages.empty());
    // After reading the bit is clear too: a later change on disk is not overwritten.
    WriteFile(path, CrLfLines({kHeader, "[param]", "[code]a", "[/param]"}));
    ASSERT_EQ(TParameterFileReader(zqp).Read(), kFileOk);
    WriteFile(path, "changed elsewhere");
    EXPECT_EQ(TParameterFileWriter(zqp).Write(), kFileOk);
    EXPECT_EQ(ReadFile(path), "changed elsewhere");

    zqp.Reset(File("missing-folder/out.ZQP"));
    EXPECT_NE(TParameterFileWriter(zqp).Write(progress), kFileOk);
    EXPECT_TRUE(zqp.IsModified());
    EXPECT_FALSE(fs::exists(dir_.Path() / "missing-folder"));
    EXPECT_EQ(messages.size(), 2u);
    zqp.SetPath(File("empty.ZQP"));
    ASSERT_EQ(TParameterFileWriter(zqp).Write(), kFileOk);
    EXPECT_FALSE(zqp.IsModified());
    EXPECT_EQ(ReadFile(File("empty.ZQP")),
              CrLfLines({kHeader, "[init]", "[status]0", "[output_type]0",
                         "[draw_font]" + Sj("ＭＳ ゴシック") + ",9,0,0", "[row_height]24",
                         "[draw_format]", "[/draw_format]", "[output_format]", "[/output_format]",
                         "[/init]"}));
}

TEST_F(ZqpFileTest, DeletedDisplayParameterIsNotWrittenNorReadBack) {
    TZQPCtrl zqp;
    zqp.Reset(File("out.ZQP"));
    TParameter* a = AddNamed(zqp, "a", "a", kTypeString);
    TParameter* b = AddNamed(zqp, "b", "b", kTypeElementRef);
    b->SetDisplayParameter(a);
    // Delete "a" the way the settings commit does: erase it and renumber the rest.
    zqp.CodeMap().erase("a");
    zqp.MutableParameters().erase(zqp.MutableParameters().begin());
    b->SetIndex(0);
    ASSERT_EQ(b->DisplayParameter(), nullptr);

    ASSERT_EQ(TParameterFileWriter(zqp).Write(), 0);
    std::string bytes = ReadFile(File("out.ZQP"));
    EXPECT_EQ(bytes.find("[draw_param]"), std::string::npos);

    TZQPCtrl back;
    back.SetPath(File("out.ZQP"));
    ASSERT_EQ(TParameterFileReader(back).Read(), 0);
    EXPECT_EQ(Summary(back), "b:2:90 used row 24");
}

// --- reading --------------------------------------------------------------------------------

TEST_F(ZqpFileTest, ReadingReplacesWhatWasHeld) {
    TZQPCtrl zqp;
    AddNamed(zqp, "old", "old", kTypeBool);
    zqp.AddParameter(nullptr, true);
    zqp.DrawFormat() = {"old"};
    zqp.SetRowHeight(99);
    zqp.SetFontSize(30);
    ASSERT_EQ(ReadLines(zqp, {kHeader, "[init]", "[status]5", "[/init]", "[param]", "[code]new",
                              "[/param]"}),
              0);
    EXPECT_EQ(Summary(zqp), "new:0:90 used row 24");
    EXPECT_EQ(zqp.FindByCode("old"), nullptr);
    EXPECT_TRUE(zqp.DrawFormat().empty());
    EXPECT_EQ(zqp.FontSize(), 9);
    EXPECT_EQ(zqp.Status(), 1u);  // the stored status without the modified bit
}

TEST_F(ZqpFileTest, ToleratesUnknownTagsBadNumbersAndMissingClosings) {
    TZQPCtrl zqp;
    zqp.SetPath(test::DataPath("model/damaged.ZQP").string());
    ASSERT_EQ(TParameterFileReader(zqp).Read(), kFileOk);
    EXPECT_EQ(zqp.OutputType(), 0u);
    EXPECT_EQ(zqp.RowHeight(), 0u);
    EXPECT_EQ(zqp.Status(), 0x10u);
    EXPECT_EQ(zqp.DrawFormat(), StringList{"[init]"});
    ASSERT_EQ(zqp.Size(), 2u);
    EXPECT_EQ(zqp.At(0)->Name(), "first");
    EXPECT_EQ(zqp.At(0)->Type(), 0x0B);  // low 8 bits
    // "[draw_param]zz" reads as 0: the parameter is its own display parameter.
    EXPECT_EQ(zqp.At(0)->DisplayParameter(), zqp.At(0));
    EXPECT_EQ(zqp.At(1)->Name(), "second");
    EXPECT_EQ(zqp.At(1)->Type(), 0xFF);
    EXPECT_EQ(zqp.At(1)->Selection(), (StringList{"a", "[/str] trailing"}));
    // The block runs to the end of the file, taking the would-be closing line with it.
    EXPECT_EQ(zqp.At(1)->OutputFormat(), (StringList{"never closed", "[/param]"}));
}

// The cases of tests/data/model/zqp-reading.tsv.
TEST_F(ZqpFileTest, ReadingCases) {
    for (const auto& row : test::ReadTable("model/zqp-reading.tsv")) {
        std::vector<std::string> lines = test::SplitAt(row.at(0), "¦");
        lines.insert(lines.begin(), kHeader);
        TZQPCtrl zqp;
        ASSERT_EQ(ReadLines(zqp, lines), kFileOk) << row[0];
        const std::string font =
            TextCodec::ToUtf8(zqp.FontName()) + "," + std::to_string(zqp.FontSize()) + "," +
            std::to_string(zqp.FontStyle()) + "," + std::to_string(zqp.FontColour());
        EXPECT_EQ(Summary(zqp) + " font " + font, row.at(1)) << row[0];
    }
}

// A missing file, an empty one and one of another kind fail and leave the model alone; any
// version is accepted, and a header alone is an empty file.
TEST_F(ZqpFileTest, ResultCodesLeaveTheModelAlone) {
    TZQPCtrl zqp;
    AddNamed(zqp, "kept", "kept", kTypeString);
    zqp.SetRowHeight(50);
    const std::pair<const char*, int> cases[] = {
        {nullptr, kFileCannotOpen},
        {"", kFileCloseFailed},
        {"Element-Data for Tabrix ver 2.0\r\n[param]\r\n[/param]", kFileWrongHeader},
    };
    for (const auto& [bytes, result] : cases) {
        if (bytes) WriteFile(File("in.ZQP"), bytes);
        zqp.SetPath(File(bytes ? "in.ZQP" : "absent.ZQP"));
        EXPECT_EQ(TParameterFileReader(zqp).Read(), result) << (bytes ? bytes : "absent");
    }
    EXPECT_EQ(Summary(zqp), "kept:0:90 used row 50");
    ASSERT_EQ(ReadLines(zqp, {"Parameter-Info for Tabrix ver 9.9"}), kFileOk);
    EXPECT_EQ(Summary(zqp), "used row 24");
    EXPECT_EQ(zqp.Status(), 0u);
}

// Reading reports its start and the unpacking, writing its preparation and start; a file that
// cannot be read reports only the start.
TEST_F(ZqpFileTest, ReportsProgressInOrder) {
    std::vector<std::string> messages;
    auto progress = [&](const std::string& m) { messages.push_back(m); };
    TZQPCtrl zqp;
    ASSERT_EQ(ReadLines(zqp, {kHeader, "[param]", "[/param]"}), kFileOk);
    const std::string prefix = "ZQP" + Sj("「") + File("in.ZQP") + Sj("」：");
    ASSERT_EQ(TParameterFileReader(zqp).Read(progress), kFileOk);
    zqp.SetModified(true);
    ASSERT_EQ(TParameterFileWriter(zqp).Write(progress), kFileOk);
    WriteFile(File("in.ZQP"), "Element-Data for Tabrix ver 2.0");
    EXPECT_EQ(TParameterFileReader(zqp).Read(progress), kFileWrongHeader);
    std::vector<std::string> expected;
    for (const char* step : {"読み込み開始", "展開中", "保存準備中", "保存開始", "読み込み開始"})
        expected.push_back(prefix + Sj(step));
    EXPECT_EQ(messages, expected);
}

// --- path resolution ------------------------------------------------------------------------

}  // namespace
}  // namespace tabrix
