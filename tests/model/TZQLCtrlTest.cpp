// Library files with everything they can hold: read, checked, written back byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "TempDir.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

using test::ReadFile;
using test::Sj;
using test::TempDir;
using test::WriteFile;

std::string Join(const std::vector<std::string>& lines) {
    return test::CrLfLines(lines);
}

// A file's text written with LF, as the writers put it: with CR LF.
std::string LfToCrLf(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string ParamBlock(int n, int type, int displayParam = -1,
                       std::vector<std::string> selection = {}) {
    std::vector<std::string> lines = {"[param]", "[name]" + Sj("項目") + std::to_string(n),
                                      "[code]p" + std::to_string(n),
                                      "[type]" + std::to_string(type)};
    if (displayParam >= 0) lines.push_back("[draw_param]" + std::to_string(displayParam));
    for (const char* block : {"draw_format", "output_format"}) {
        lines.push_back(std::string("[") + block + "]");
        if (type == 1) lines.push_back("%p" + std::to_string(n) + "%,");
        lines.push_back(std::string("[/") + block + "]");
    }
    lines.push_back("[str]");
    for (const std::string& s : selection)
        lines.push_back(s);
    lines.push_back("[/str]");
    lines.push_back("[/param]");
    return Join(lines);
}

// Every file of a library with all twelve parameter types, three groups over two element data
// files (one in a subfolder), connect groups, references, free text, batch items and window state,
// in exactly the form the writers produce.
struct SampleLibrary {
    std::string zql, zqp, zqi, mainZqd, moreZqd;

    SampleLibrary() {
        zql = LfToCrLf(
            "Library-File for Tabrix ver 2.0\n[init]\n[status]0\n[zqp_file]lib.ZQP\n"
            "[zqi_file]lib.ZQI\n[output_path]out\n[preview_image]preview.JPG\n[preview_memo]\n" +
            Sj("メモ") + "\n[/preview_memo]\n[cr_word]2\n[/init]\n[use_group]\n[group]\n[name]" +
            Sj("一番") +
            "\n[zqp_file]lib.ZQP\n[zqd_file]main.ZQD\n[gd_index]0\n[status]3\n"
            "[output_path]first.txt\n[connect_group]1\n[header]\n%p0%\n[/header]\n[footer]\n"
            "[/footer]\n[/group]\n[group]\n[name]second\n[zqp_file]lib.ZQP\n"
            "[zqd_file]sub\\more.ZQD\n[gd_index]0\n[status]33\n[output_path]sub\\second.txt\n"
            "[header]\n[/header]\n[footer]\nend\n[footer]\n[/footer]\n[/group]\n[group]\n"
            "[name]third\n[zqp_file]lib.ZQP\n[zqd_file]main.ZQD\n[gd_index]1\n[status]1\n"
            "[output_path]\n[connect_group]0\n[header]\n[/header]\n[footer]\n[/footer]\n"
            "[/group]\n[/use_group]\n[free_text]\nfree [text] line\n\n[/free_text]\n[batch]\n"
            "[open]\n[type]1\n[name]sort\n[data]\n[JudgeParam]0\n[GroupNo]0,2\n[/data]\n[/open]\n"
            "[change]\n[type]2\n[name]\n[data]\n[/data]\n[/change]\n[/batch]");
        zqp = LfToCrLf(
            "Parameter-Info for Tabrix ver 2.0\n[init]\n[status]0\n[output_type]0\n"
            "[draw_font]" +
            Sj("ＭＳ ゴシック") +
            ",9,0,0\n[row_height]24\n[draw_format]\n%p0%\n[/draw_format]\n"
            "[output_format]\n%p0%\\n\n[/output_format]\n[use_parameter]0,1,0\n"
            "[import_format]\n[/import_format]\n[/init]");
        for (int type = 0; type < 12; ++type) {
            zqp +=
                "\r\n" + ParamBlock(type, type, type == 2 || type == 3 ? 0 : -1,
                                    type == 11 || type == 5 ? std::vector<std::string>{"no", "yes"}
                                                            : std::vector<std::string>{});
        }
        zqi = Join({"Initialize-Info for Tabrix ver 2.0", "[SubForm]", "[Bounds]1,2,3,4",
                    "[SelectGroupNo]1", "[WindowState]0", "[/SubForm]", "[ZQLForm]", "[AutoApply]1",
                    "[Bounds]0,0,400,300", "[DragMode]4294967292", "[Panel_BR]170",
                    "[SubFlattery]1", "[WindowState]2", "[/ZQLForm]"});
        const std::string hyou = Sj("表") + "\\";
        const std::string so = Sj("ソ") + "\\";
        mainZqd = LfToCrLf(
            "Element-Data for Tabrix ver 2.0\n[init]\n[status]0\n[size]2\n[/init]\n[elements]\n"
            "[init]\n[name]" +
            Sj("データ 1") + "\n[size]2\n[/init]\n[data]\n1||" + Sj("名前") +
            ",a#b\\,c,,,,,,,,,,||0,0,0 1,0 0##1 2,1,1#0,4294967295,"
            "1#4294967294,7,8#9,2,1\n0||" +
            hyou + "," + so + "#" + hyou +
            ",,,,,,,,,,||0,0,,,0,0,0,0,0,0,,0\n[/data]\n[/elements]\n[elements]\n[init]\n"
            "[name]second data\n[size]2\n[/init]\n[data]\n1||x||\n1||y||0,0,1 0\n[/data]\n"
            "[/elements]");
        moreZqd = Join({"Element-Data for Tabrix ver 2.0", "[init]", "[status]0", "[size]1",
                        "[/init]", "[elements]", "[init]", "[name]more", "[size]1", "[/init]",
                        "[data]", "1||m||", "[/data]", "[/elements]"});
    }

    void WriteTo(const std::filesystem::path& dir) const {
        WriteFile(dir / "lib.ZQL", zql);
        WriteFile(dir / "lib.ZQP", zqp);
        WriteFile(dir / "lib.ZQI", zqi);
        WriteFile(dir / "main.ZQD", mainZqd);
        WriteFile(dir / "sub" / "more.ZQD", moreZqd);
    }
};

class TZQLCtrlTest : public ::testing::Test {
protected:
    TZQLCtrl& Open(const std::filesystem::path& dir) {
        int result = -1;
        library_ = controller_.OpenNewLibrary((dir / "lib.ZQL").string(), result);
        EXPECT_EQ(result, kFileOk);
        return *library_;
    }

    // Writes every file of the library, each marked modified first.
    void WriteAll(TZQLCtrl& lib) {
        for (const auto& group : lib.Groups()) {
            TZQDCtrl* file = group->GroupData()->Owner();
            if (file->IsModified() || !written_.insert(file).second) continue;
            file->SetModified(true);
            EXPECT_EQ(file->Write(lib), kFileOk);
        }
        lib.SetModified(true);
        EXPECT_EQ(lib.Write(), kFileOk);
        lib.ParameterFile()->SetModified(true);
        EXPECT_EQ(lib.ParameterFile()->Write(), kFileOk);
        EXPECT_EQ(lib.InitializeInfo()->Write(), kFileOk);
    }

    TempDir dir_;
    TTabrixCtrl controller_;
    std::unique_ptr<TZQLCtrl> library_;
    std::set<TZQDCtrl*> written_;
};

TEST_F(TZQLCtrlTest, EverythingReadsIntoTheModel) {
    SampleLibrary sample;
    sample.WriteTo(dir_.Path());
    TZQLCtrl& lib = Open(dir_.Path());

    EXPECT_EQ(lib.OutputPath(), dir_.File("out"));
    EXPECT_EQ(lib.LineBreak(), "\n");
    EXPECT_EQ(lib.PreviewImage(), "preview.JPG");
    EXPECT_EQ(lib.PreviewMemo(), StringList{Sj("メモ")});
    EXPECT_EQ(lib.FreeText(), (StringList{"free [text] line", ""}));
    EXPECT_FALSE(lib.IsModified());
    ASSERT_EQ(lib.BatchList(kBatchOpen).size(), 1u);
    EXPECT_EQ(lib.BatchList(kBatchOpen)[0].dataLines,
              (StringList{"[JudgeParam]0", "[GroupNo]0,2"}));
    EXPECT_EQ(lib.BatchList(kBatchOpen)[0].type, 1u);
    EXPECT_EQ(lib.BatchList(kBatchChange).size(), 1u);
    EXPECT_TRUE(lib.BatchList(kBatchClose).empty());

    ASSERT_EQ(lib.GroupCount(), 3u);
    TGroupSetting* first = lib.Group(0);
    TGroupSetting* second = lib.Group(1);
    TGroupSetting* third = lib.Group(2);
    EXPECT_EQ(first->Name(), Sj("一番"));
    EXPECT_EQ(first->ConnectGroup(), second);
    EXPECT_EQ(second->ConnectGroup(), nullptr);
    EXPECT_EQ(third->ConnectGroup(), first);
    EXPECT_EQ(second->Status(), 33);
    EXPECT_EQ(second->Footer(), (StringList{"end", "[footer]"}));
    EXPECT_EQ(second->OutputPath(), "sub\\second.txt");
    EXPECT_EQ(first->GroupData()->Owner(), third->GroupData()->Owner());
    EXPECT_EQ(second->GroupData()->Owner()->Path(), dir_.File("sub\\more.ZQD"));
    EXPECT_EQ(controller_.ElementDataFiles().size(), 2u);

    TElement* e = first->GroupData()->At(0);
    EXPECT_EQ(e->Texts(1), (TextList{"a", "b,c"}));
    EXPECT_EQ(TElement::AsElement(e->Numbers(2).at(0)), second->GroupData()->At(0));
    ASSERT_EQ(e->Numbers(3).size(), 3u);
    EXPECT_EQ(TElement::AsElement(e->Numbers(3)[2]), third->GroupData()->At(1));
    EXPECT_EQ(static_cast<std::int32_t>(e->Numbers(6).at(0)), -1);
    EXPECT_EQ(TElement::AsGroup(e->Numbers(10).at(0)), third);
    TElement* odd = first->GroupData()->At(1);
    EXPECT_EQ(odd->OutputFlag(), 0);
    EXPECT_EQ(odd->Texts(0), TextList{Sj("表")});
    EXPECT_EQ(odd->Texts(1), (TextList{Sj("ソ"), Sj("表")}));

    TZQPCtrl* params = lib.ParameterFile();
    ASSERT_EQ(params->Size(), 12u);
    EXPECT_EQ(params->At(2)->DisplayParameter(), params->At(0));
    EXPECT_EQ(params->UsedParameters().size(), 3u);
    EXPECT_EQ(params->Path(), dir_.File("lib.ZQP"));
    EXPECT_EQ(lib.InitializeInfo()->Path(), dir_.File("lib.ZQI"));
}

TEST_F(TZQLCtrlTest, WritingBackGivesTheSameBytes) {
    SampleLibrary sample;
    sample.WriteTo(dir_.Path());
    WriteAll(Open(dir_.Path()));
    EXPECT_EQ(ReadFile(dir_.Path() / "lib.ZQL"), sample.zql);
    EXPECT_EQ(ReadFile(dir_.Path() / "lib.ZQP"), sample.zqp);
    EXPECT_EQ(ReadFile(dir_.Path() / "lib.ZQI"), sample.zqi);
    EXPECT_EQ(ReadFile(dir_.Path() / "main.ZQD"), sample.mainZqd);
    EXPECT_EQ(ReadFile(dir_.Path() / "sub" / "more.ZQD"), sample.moreZqd);
}

// The timed list's interval: a line beside the lists that a library without it never gains, read
// back as written; a value outside 1..32767 counts as 60.
TEST_F(TZQLCtrlTest, TimedIntervalLineRoundTrips) {
    const struct {
        const char* line;  // after "[batch]", and what is written after setting `set`
        std::uint32_t read, set;
        const char* written;
    } cases[] = {{"", 60, 60, ""},
                 {"", 60, 90, "[time_interval]90\r\n"},
                 {"[time_interval]120\r\n", 120, 120, "[time_interval]120\r\n"},
                 {"[time_interval]0\r\n", 60, 60, "[time_interval]0\r\n"},
                 {"[time_interval]x\r\n", 60, 5, "[time_interval]5\r\n"}};
    SampleLibrary sample;
    sample.WriteTo(dir_.Path());
    const std::size_t at = sample.zql.find("[batch]\r\n") + 9;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile(dir_.Path() / "lib.ZQL", std::string(sample.zql).insert(at, c.line));
        TZQLCtrl& lib = Open(dir_.Path());
        EXPECT_EQ(lib.TimedInterval(), c.read);
        EXPECT_EQ(lib.BatchList(kBatchOpen).size(), 1u);
        lib.SetTimedInterval(c.set);
        lib.SetModified(true);
        ASSERT_EQ(lib.Write(), kFileOk);
        EXPECT_EQ(ReadFile(dir_.Path() / "lib.ZQL"), std::string(sample.zql).insert(at, c.written));
    }
}

TEST_F(TZQLCtrlTest, MovedFolderKeepsRelativePathsWorking) {
    SampleLibrary sample;
    TempDir other;
    std::filesystem::path moved = other.Path() / "moved";
    sample.WriteTo(dir_.Path());
    std::filesystem::copy(dir_.Path(), moved, std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(dir_.Path() / "sub");
    TZQLCtrl& lib = Open(moved);
    ASSERT_EQ(lib.GroupCount(), 3u);
    EXPECT_EQ(lib.Group(1)->GroupData()->At(0)->Texts(0), TextList{"m"});
    EXPECT_EQ(lib.ParameterFile()->Size(), 12u);
    WriteAll(lib);
    EXPECT_EQ(ReadFile(moved / "lib.ZQL"), sample.zql);
}

TEST_F(TZQLCtrlTest, DroppedGroupsShiftLaterNumbers) {
    SampleLibrary sample;
    sample.WriteTo(dir_.Path());
    // The first group names group data 7, which its file does not hold.
    std::string zql = sample.zql;
    zql.replace(zql.find("[gd_index]0"), 11, "[gd_index]7");
    WriteFile(dir_.Path() / "lib.ZQL", zql);
    TZQLCtrl& lib = Open(dir_.Path());
    ASSERT_EQ(lib.GroupCount(), 2u);
    EXPECT_EQ(lib.Group(0)->Name(), "second");
    EXPECT_EQ(lib.Group(1)->Name(), "third");
    EXPECT_EQ(lib.Group(1)->Number(), 1u);
    EXPECT_EQ(lib.Group(1)->ConnectGroup(),
              lib.Group(0));  // "[connect_group]0" of the shorter list
    // Element references read group numbers against the shortened list too: "0 1" of the first
    // element now names element 0 of the group data of "third", and "1 0" of that group data
    // names an element "second" does not have.
    TGroupData* third = lib.Group(1)->GroupData();
    TGroupData* unshown = third->Owner()->At(0);
    EXPECT_EQ(TElement::AsElement(unshown->At(0)->Numbers(2).at(0)), third->At(0));
    EXPECT_TRUE(third->At(1)->Numbers(2).empty());
}

TEST_F(TZQLCtrlTest, SmallCasesOfTheLayout) {
    // No groups, an unknown line break, unknown tags, missing closing tags.
    WriteFile(dir_.Path() / "lib.ZQL",
              Join({"Library-File for Tabrix ver 1.5", "[init]", "[cr_word]5", "[unknown]x",
                    "no tag line", "[/init]", "[use_group]", "[/use_group]", "[free_text]", "a",
                    "[/free_tex]"}));
    TZQLCtrl& lib = Open(dir_.Path());
    EXPECT_EQ(lib.LineBreak(), "\r\n");
    EXPECT_EQ(lib.FreeText(), (StringList{"a", "[/free_tex]"}));
    lib.SetPath(dir_.File("out.ZQL"));
    lib.SetModified(true);
    ASSERT_EQ(lib.Write(), kFileOk);
    std::string bytes = ReadFile(dir_.Path() / "out.ZQL");
    EXPECT_NE(bytes.find("\r\n[use_group]\r\n[/use_group]\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n[zqp_file]\r\n"), std::string::npos);  // never given a path
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "\r\n[/batch]");
}

TEST_F(TZQLCtrlTest, FailuresLeaveTheLibraryAsItWas) {
    SampleLibrary sample;
    sample.WriteTo(dir_.Path());
    TZQLCtrl& lib = Open(dir_.Path());
    WriteFile(dir_.Path() / "bad.ZQL", "Parameter-Info for Tabrix ver 2.0\r\n[init]");
    EXPECT_EQ(controller_.OpenLibrary(lib, dir_.File("bad.ZQL")), kFileWrongHeader);
    EXPECT_EQ(controller_.OpenLibrary(lib, dir_.File("missing.ZQL")), kFileCannotOpen);
    WriteFile(dir_.Path() / "empty.ZQL", "");
    EXPECT_EQ(controller_.OpenLibrary(lib, dir_.File("empty.ZQL")), kFileCloseFailed);
    EXPECT_EQ(lib.GroupCount(), 3u);
    EXPECT_EQ(lib.Path(), dir_.File("lib.ZQL"));

    lib.SetPath(dir_.File("no-such-folder/lib.ZQL"));
    lib.SetModified(true);
    EXPECT_NE(lib.Write(), kFileOk);
    EXPECT_TRUE(lib.IsModified());
}

TEST_F(TZQLCtrlTest, ReadingAgainReleasesTheOldFiles) {
    SampleLibrary sample;
    sample.WriteTo(dir_.Path());
    TZQLCtrl& lib = Open(dir_.Path());
    ASSERT_EQ(lib.Read(), kFileOk);
    lib.ResolveReferences();
    EXPECT_EQ(controller_.ElementDataFiles().size(), 2u);
    EXPECT_EQ(lib.GroupCount(), 3u);
    // The reread file is a new object with the same contents.
    EXPECT_EQ(lib.Group(0)->GroupData()->At(0)->Texts(0), TextList{Sj("名前")});
}

}  // namespace
}  // namespace tabrix
