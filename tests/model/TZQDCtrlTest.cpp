// Element data files: the element line encoding, slots, references and list operations,
// through libraries opened and saved the way the editor does it.
#include <filesystem>
#include <functional>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "LibraryFiles.h"
#include "TempDir.h"
#include "files/TElementDataReader.h"
#include "files/TElementDataWriter.h"
#include "files/TLibraryOpener.h"
#include "files/TStringFiler.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

using test::DataFile;
using test::LibraryFile;
using test::ParameterFile;
using test::ReadFile;
using test::Sj;
using test::TempDir;
using test::WriteFile;

class TZQDCtrlTest : public ::testing::Test {
protected:
    std::string Dir(const std::string& name) const { return dir_.File(name); }

    // Writes the three files and opens the library.
    TZQLCtrl& Open(const std::string& zqp, const std::string& zql, const std::string& zqd) {
        WriteFile(dir_.Path() / "lib.ZQP", zqp);
        WriteFile(dir_.Path() / "lib.ZQL", zql);
        WriteFile(dir_.Path() / "data.ZQD", zqd);
        return Reopen();
    }
    TZQLCtrl& Reopen() {
        library_.reset();
        controller_ = std::make_unique<TTabrixCtrl>();
        FileResult result = kFileResultCount;  // not set
        library_ = TLibraryOpener(*controller_).OpenNewLibrary(Dir("lib.ZQL"), result);
        EXPECT_EQ(result, kFileOk);
        return *library_;
    }
    // Marks the element data file modified and writes it; returns the bytes on disk.
    std::string SaveData() {
        TZQDCtrl* file = library_->Group(0)->GroupData()->Owner();
        file->SetModified(true);
        EXPECT_EQ(TElementDataWriter(*file, *library_).Write(), kFileOk);
        return ReadFile(dir_.Path() / "data.ZQD");
    }
    std::string DataLine(std::size_t n) {
        std::string bytes = ReadFile(dir_.Path() / "data.ZQD");
        StringList lines;
        TStringDivision().Split(bytes, "\r\n", lines);
        std::size_t data = std::find(lines.begin(), lines.end(), "[data]") - lines.begin();
        return lines.at(data + 1 + n);
    }

    // A reference value as "group:element" items ("-" for none, "G" and a number for a group).
    std::string Refs(const TElement& e, std::size_t i) const {
        std::string out;
        for (NumberItem item : e.Numbers(i)) {
            out += out.empty() ? "" : ",";
            if (e.HoldsGroupRefs(i)) {
                const TGroupSetting* group = TElement::AsGroup(item);
                out += group ? std::string("G").append(std::to_string(group->Number())) : "-";
            } else if (const TElement* target = TElement::AsElement(item)) {
                out += std::to_string(library_->FindGroupOf(target->Owner())->Number()) + ":" +
                       std::to_string(target->Index());
            } else {
                out += "-";
            }
        }
        return out;
    }

    // Every reference value of group 0's first element, separated by "|".
    std::string AllRefs() const {
        const TElement& e = *library_->Group(0)->GroupData()->At(0);
        std::string out;
        for (std::size_t i = 0; i < e.NumberCount(); ++i)
            out.append(i ? "|" : "").append(Refs(e, i));  // not "+": GCC 12 -O3 -Wrestrict
        return out;
    }

    TempDir dir_;
    std::unique_ptr<TTabrixCtrl> controller_;
    std::unique_ptr<TZQLCtrl> library_;
};

TEST_F(TZQDCtrlTest, EmptySectionsAndTheDocumentedLine) {
    TZQLCtrl& lib = Open(ParameterFile({0, 9, 9}), LibraryFile({0}),
                         DataFile({{"1||||", "1||ABC,,x#y||,5,1#0", "0||a"}}));
    TGroupData* data = lib.Group(0)->GroupData();
    ASSERT_EQ(data->Size(), 3u);
    EXPECT_EQ(data->At(0)->TextCount(), 1u);
    EXPECT_EQ(data->At(0)->Texts(0), TextList{""});
    EXPECT_EQ(data->At(0)->NumberCount(), 0u);
    TElement* full = data->At(1);
    EXPECT_EQ(full->Texts(2), (TextList{"x", "y"}));
    EXPECT_EQ(full->Numbers(0), NumberList{0});  // an empty item reads 0
    EXPECT_EQ(full->Numbers(2), (NumberList{1, 0}));
    // A line with one section separator only: the rest is its text section.
    EXPECT_EQ(data->At(2)->OutputFlag(), 0);
    EXPECT_EQ(data->At(2)->Texts(0), TextList{"a"});
    SaveData();
    EXPECT_EQ(DataLine(0), "1||||");
    EXPECT_EQ(DataLine(1), "1||ABC,,x#y||0,5,1#0");
    EXPECT_EQ(DataLine(2), "0||a||");
    full->ResizeTexts(0);
    full->ResizeNumbers(0);
    full->SetOutputFlag(0);
    SaveData();
    EXPECT_EQ(DataLine(1), "0||||");
}

// Values set through the model, the line they are written as, and what reading that line gives
// back (the values set, unless given); a second save writes the same bytes. The later cases
// were found by fuzzing: a text ending in a lone first byte of a double-byte character (what a
// truncated file leaves) glued the separator after it to the character; "||" is escaped in texts
// but a lone "|" is not, so a last text ending in "|" wrote "|||"; and a double-byte character
// whose second byte is 0x5C at the start of an item is written with that byte escaped.
std::vector<std::uint32_t> Counting(std::uint32_t n) {
    std::vector<std::uint32_t> values(n);
    for (std::uint32_t k = 0; k < n; ++k)
        values[k] = k;
    return values;
}

std::string Joined(const std::vector<std::uint32_t>& values) {
    std::string joined;
    for (std::uint32_t value : values)
        joined.append(joined.empty() ? "" : "#").append(std::to_string(value));
    return joined;
}

// Number items are read as the divider reads numbers, however odd their form, and each field
// ends where its last item does.
TEST_F(TZQDCtrlTest, NumberItemsReadAsTheDividerReadsThem) {
    const std::vector<std::string> items = {
        "0", "7", "4294967295", "4294967296", "0777", "007", "0x1F", "-5", "", "1a", "+3", " 4",
        "12345678901", "99999999999999999999999",
        // eight digits at a time, and the bytes after them
        "12345678", "123456789", "3999999999", "00000000", "87654321x", "1234567:9", "8"};
    std::string field;
    for (const std::string& item : items)
        field.append(field.empty() ? "" : "#").append(item);
    TZQLCtrl& lib = Open(ParameterFile({9, 9}), LibraryFile({0}),
                         DataFile({{"1||,||" + field + ",1a#" + field}}));
    const TElement& e = *lib.Group(0)->GroupData()->At(0);
    NumberList expected;
    for (const std::string& item : items)
        expected.push_back(TStringDivision::ToULong(item, 0));
    EXPECT_EQ(e.Numbers(0), expected);
    expected.insert(expected.begin(), TStringDivision::ToULong("1a", 0));
    EXPECT_EQ(e.Numbers(1), expected);
}

TEST_F(TZQDCtrlTest, ValuesAreWrittenEscapedAndReadBack) {
    const std::string hyou = Sj("表"), so = Sj("ソ");
    const struct {
        std::initializer_list<int> types;
        std::vector<TextList> texts;
        std::vector<std::vector<std::uint32_t>> numbers;
        std::string line;
        std::vector<TextList> back;
    } cases[] = {
        {{1, 9, 9},
         {{"ABC"}, {}, {"x", "y"}},
         {{}, {5}, {1, 0}},
         "1||ABC,,x#y||,5,1#0",
         {{"ABC"}, {""}, {"x", "y"}}},
        {{1, 0},
         {{"a,b", "c#d", "100%", "x||y", "back\\slash", "\\", "", "#,||%"}, {"\\,"}},
         {},
         "1||a\\,b#c\\#d#100\\%#x\\||y#back\\\\slash#\\\\##\\#\\,\\||\\%,\\\\\\,||",
         {}},
        {{1, 0},
         {{"a\x82", "\\\x82", "\x82\xa0\x82"}, {"b\\\x95"}},
         {},
         "1||a\x82#\\\\#\x82\xa0,b\\\\||",
         {{"a\x82", "\\", "\x82\xa0"}, {"b\\"}}},
        {{1, 8, 0},
         {{"a|", "|"}, {}, {"b|"}},
         {{}, {7}},
         "1||a|#|,,b|||,7",
         {{"a|", "|"}, {""}, {"b|"}}},
        {{0, 1, 1, 0, 8},
         {{hyou}, {so + "x", hyou}, {"a", so, hyou + so, ""}, {so}},
         {{0}, {0}, {0}, {0}, {7}},
         "1||" + hyou + "\\," + so + "\\x#" + hyou + "\\,a#" + so + "\\#" + hyou + "\\" + so +
             "#," + so + "\\||0,0,0,0,7",
         {}},
        // Item ends take one byte while every end is below 256, then two.
        {{1, 1},
         {{std::string(254, 'a')}, {"b"}},
         {},
         std::string("1||").append(254, 'a').append(",b||"),
         {}},
        {{1, 1},
         {{std::string(255, 'a')}, {"b"}},
         {},
         std::string("1||").append(255, 'a').append(",b||"),
         {}},
        {{9}, {}, {Counting(256)}, std::string("1||||").append(Joined(Counting(256))), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TZQLCtrl& lib = Open(ParameterFile(c.types), LibraryFile({0}), DataFile({{"1||||"}}));
        TElement* e = lib.Group(0)->GroupData()->At(0);
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            e->SetTexts(i, c.texts[i]);
        for (std::size_t i = 0; i < c.numbers.size(); ++i)
            e->SetNumbers(i, c.numbers[i]);
        const std::string saved = SaveData();
        EXPECT_EQ(DataLine(0), c.line);
        TElement* back = Reopen().Group(0)->GroupData()->At(0);
        const std::vector<TextList>& texts = c.back.empty() ? c.texts : c.back;
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(back->Texts(i), texts[i]) << i;
        for (std::size_t i = 0; i < c.numbers.size(); ++i) {
            if (!c.numbers[i].empty()) {
                EXPECT_EQ(back->Numbers(i), NumberList(c.numbers[i].begin(), c.numbers[i].end()));
            }
        }
        // What was read saves as it was written, or once changed, the same from then on.
        const std::string again = SaveData();
        if (c.back.empty()) {
            EXPECT_EQ(again, saved);
        }
        Reopen();
        EXPECT_EQ(SaveData(), again);
    }
}

TEST_F(TZQDCtrlTest, ElementReferencesByIndexAndGroupNumber) {
    // Group 0 shows d0, group 1 shows d2, group 2 shows d1. d1 element 0 refers to d2 element 1
    // (group 1) and, in an array, to d0 element 0 and nothing and d2 element 0; "-1" is no group.
    TZQLCtrl& lib = Open(ParameterFile({2, 3, 10}), LibraryFile({0, 2, 1}),
                         DataFile({{"1||||"}, {"1||||1 1,0 0##0 1,2"}, {"1||||", "1||||,,-1"}}));
    TElement* e = lib.Group(2)->GroupData()->At(0);
    EXPECT_EQ(Refs(*e, 0) + " " + Refs(*e, 1) + " " + Refs(*e, 2), "1:1 0:0,-,1:0 G2");
    EXPECT_EQ(Refs(*lib.Group(1)->GroupData()->At(1), 2), "");
    // A stored null group reference is written "-1"; an empty list is an empty field.
    lib.Group(1)->GroupData()->At(1)->SetGroupRefs(2, {nullptr});
    // Reordering the groups rewrites the group numbers.
    std::vector<std::unique_ptr<TGroupSetting>> order;
    auto& groups = const_cast<std::vector<std::unique_ptr<TGroupSetting>>&>(lib.Groups());
    order.push_back(std::move(groups[2]));
    order.push_back(std::move(groups[0]));
    order.push_back(std::move(groups[1]));
    lib.ReorderGroups(std::move(order));
    std::string bytes = SaveData();
    EXPECT_NE(bytes.find("[data]\r\n1||||\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\r\n1||||1 2,0 1##0 2,0\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\r\n1||||,,-1\r\n"), std::string::npos);
}

// Lines read and saved: what the references show, the line written and what shows once it is
// read back. Found by fuzzing: an empty group entry before a real one was written "-1", which
// reads back as none and shifted the list. Element 9 and group 5 do not exist, group 7 is out of
// range and a trailing empty item is dropped: what cannot resolve is not shown but written back
// as read, until a new value replaces it. A reference into group data no group shows (group 1
// deleted) is written empty.
TEST_F(TZQDCtrlTest, ReferencesAsReadSavedAndReadBack) {
    const std::string bad = "1||||9 0,0 5#0 0#,7,";
    const struct {
        std::initializer_list<int> types, groups;
        std::string line;
        char change;  // '-': none, 'e': empty the second value, 'g': delete group 1
        std::string shown, written, back;
    } cases[] = {
        {{10}, {0}, "1||||#0", '-', "-,G0", "1||||#0", "-,G0"},
        {{2, 3, 10, 10}, {0}, bad, '-', "|0:0||", bad, "|0:0||"},
        {{2, 3, 10, 10}, {0}, bad, 'e', "|0:0||", "1||||9 0,,7,", "|||"},
        {{2}, {0, 1}, "1||||1 1", 'g', "1:1", "1||||", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line + c.change);
        Open(ParameterFile(c.types), LibraryFile(c.groups),
             DataFile({{c.line}, {"1||||", "1||||"}}));
        EXPECT_EQ(AllRefs(), c.shown);
        if (c.change == 'e') library_->Group(0)->GroupData()->At(0)->SetElementRefs(1, {});
        if (c.change == 'g') library_->DeleteGroup(1);
        SaveData();
        EXPECT_EQ(DataLine(0), c.written);
        Reopen();
        EXPECT_EQ(AllRefs(), c.back);
    }
}

// A header alone holds no group data: the group naming it is dropped.
TEST_F(TZQDCtrlTest, AHeaderAloneHoldsNoGroupData) {
    TZQLCtrl& lib = Open(ParameterFile({0}), LibraryFile({0}), "Element-Data for Tabrix ver 9.9");
    EXPECT_EQ(lib.GroupCount(), 0u);
    EXPECT_EQ(controller_->ElementDataFiles().size(), 1u);
}

TEST_F(TZQDCtrlTest, DestroyingATargetErasesTheReference) {
    TZQLCtrl& lib = Open(ParameterFile({3, 10}), LibraryFile({0, 0}),
                         DataFile({{"1||||1 0#2 0#1 0,1", "1||||", "1||||"}}));
    TGroupData* data = lib.Group(0)->GroupData();
    TElement* e = data->At(0);
    EXPECT_EQ(Refs(*e, 0) + " " + Refs(*e, 1), "1:1,1:2,1:1 G1");  // the group shown last
    EXPECT_EQ(lib.DeleteElements(0, 1, 2), 0);                     // element 1, referred to twice
    lib.DeleteGroup(1);
    EXPECT_EQ(Refs(*e, 0) + " " + Refs(*e, 1), "0:1 ");
    // The referring element itself going away leaves no dangling link behind.
    EXPECT_EQ(lib.DeleteElements(0, 0, 1), 0);
    EXPECT_EQ(lib.DeleteElements(0, 0, 1), 0);
    EXPECT_EQ(data->Size(), 0u);
}

TEST_F(TZQDCtrlTest, DeclaredSizesFillWithEmptyObjectsButNeverHugeAllocations) {
    // Three group data declared; the first says 4 elements and has one line, the second says
    // 4294967295 and has one line, the third is missing.
    std::string zqd = DataFile({{"1||x"}, {"1||y"}});
    zqd.replace(zqd.find("[size]2"), 7, "[size]3");
    zqd.replace(zqd.find("[size]1"), 7, "[size]4");
    zqd.replace(zqd.find("[size]1"), 7, "[size]4294967295");
    TZQLCtrl& lib = Open(ParameterFile({0}), LibraryFile({0, 1, 2}), zqd);
    ASSERT_EQ(lib.GroupCount(), 3u);
    TGroupData* a = lib.Group(0)->GroupData();
    EXPECT_EQ(a->Size(), 4u);
    EXPECT_EQ(a->At(0)->Texts(0), TextList{"x"});
    EXPECT_EQ(a->At(3)->Index(), 3u);
    EXPECT_EQ(a->At(3)->Owner(), a);
    TGroupData* b = lib.Group(1)->GroupData();
    EXPECT_LE(b->Size(), 10u);  // bounded by the lines left, not the declared count
    EXPECT_EQ(b->At(0)->Texts(0), TextList{"y"});
    EXPECT_EQ(lib.Group(2)->GroupData()->Size(), 0u);  // the third declared slot
}

TEST_F(TZQDCtrlTest, ListOperationsRenumberAndMarkModified) {
    TZQLCtrl& lib =
        Open(ParameterFile({0}), LibraryFile({0}), DataFile({{"1||a", "1||b", "1||c", "1||d"}}));
    TGroupData* data = lib.Group(0)->GroupData();
    TZQDCtrl* file = data->Owner();
    auto names = [&] {
        std::string s;
        for (std::size_t i = 0; i < data->Size(); ++i) {
            EXPECT_EQ(data->At(i)->Index(), i);
            s += data->At(i)->Texts(0).empty() ? "-" : data->At(i)->Texts(0)[0];
        }
        return s;
    };
    EXPECT_FALSE(file->IsModified());
    lib.Group(0)->Set(TGroupSetting::kOutputDone, true);
    // Move (first, target, last), insert (position, count), delete (first, end), add (group,
    // count);
    // a range that names no element and a group that does not exist fail with 1.
    const struct {
        char op;
        std::size_t a, b, c;
        int result;
        const char* names;
    } steps[] = {{'m', 0, 3, 1, 0, "cdab"},   {'m', 2, 0, 3, 0, "abcd"},
                 {'i', 1, 2, 0, 0, "a--bcd"}, {'i', 99, 1, 0, 0, "a--bcd-"},
                 {'d', 1, 3, 0, 0, "abcd-"},  {'d', 3, 100, 0, 0, "abc"},
                 {'d', 3, 4, 0, 1, "abc"},    {'m', 3, 0, 3, 1, "abc"},
                 {'a', 0, 2, 0, 0, "abc--"},  {'a', 5, 1, 0, 1, "abc--"}};
    for (const auto& step : steps) {
        const int result = step.op == 'm'   ? lib.MoveElements(0, step.a, step.b, step.c)
                           : step.op == 'i' ? lib.InsertElements(0, step.a, step.b)
                           : step.op == 'd' ? lib.DeleteElements(0, step.a, step.b)
                                            : lib.AddElements(step.a, step.b);
        EXPECT_EQ(result, step.result) << step.op << step.a;
        EXPECT_EQ(names(), step.names) << step.op << step.a;
    }
    EXPECT_TRUE(file->IsModified());
    EXPECT_FALSE(lib.Group(0)->Has(TGroupSetting::kOutputDone));
    EXPECT_EQ(data->At(4)->OutputFlag(), 1);

    // A list long enough to be permuted on every core: each element lands once, numbered.
    data->AddElements(100000 - data->Size());
    std::vector<const TElement*> before(data->Size());
    std::vector<std::uint32_t> order(data->Size());
    for (std::uint32_t k = 0; k < order.size(); ++k) {
        before[k] = data->At(k);
        order[k] = static_cast<std::uint32_t>((k * 7919ull + 13) % order.size());
    }
    data->Permute(order);
    for (std::size_t k = 0; k < order.size(); ++k) {
        ASSERT_EQ(data->At(k), before[order[k]]) << k;
        ASSERT_EQ(data->At(k)->Index(), k);
    }
}

// Elements taken out of one file's group data and inserted into another's are the same objects:
// references to them and from them stay, both files are marked modified and written so.
TEST_F(TZQDCtrlTest, TakenElementsKeepTheirReferencesInAnotherFile) {
    const std::string zql = LibraryFile({0, 0}, "data.ZQD", "other.ZQD");
    WriteFile(dir_.Path() / "other.ZQD", DataFile({{"1||x||,0 0", "1||y||"}}));
    TZQLCtrl& lib = Open(ParameterFile({0, 3}), zql, DataFile({{"1||a||,1 1", "1||b||"}}));
    TGroupData* source = lib.Group(0)->GroupData();
    TGroupData* target = lib.Group(1)->GroupData();
    TElement* a = source->At(0);
    TElement* x = target->At(0);
    ASSERT_EQ(TElement::AsElement(x->Numbers(1).at(0)), a);

    EXPECT_TRUE(source->TakeElements(5, 6).empty());
    EXPECT_FALSE(source->Owner()->IsModified());
    std::vector<std::unique_ptr<TElement>> taken = source->TakeElements(0, 0);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0]->Owner(), nullptr);
    EXPECT_EQ(source->Size(), 1u);
    EXPECT_EQ(source->At(0)->Index(), 0u);
    target->InsertTaken(1, std::move(taken));
    ASSERT_EQ(target->Size(), 3u);
    EXPECT_EQ(target->At(1), a);
    EXPECT_EQ(a->Owner(), target);
    EXPECT_EQ(a->Index(), 1u);
    EXPECT_EQ(target->At(2)->Index(), 2u);
    EXPECT_TRUE(source->Owner()->IsModified());
    EXPECT_TRUE(target->Owner()->IsModified());
    EXPECT_EQ(TElement::AsElement(x->Numbers(1).at(0)), a);
    EXPECT_EQ(TElement::AsElement(a->Numbers(1).at(0)), target->At(2));

    // The moved element still is a known referrer: destroying its target erases the link.
    EXPECT_EQ(lib.DeleteElements(1, 2, 3), 0);
    EXPECT_TRUE(a->Numbers(1).empty());
    ASSERT_EQ(TElementDataWriter(*target->Owner(), lib).Write(), kFileOk);
    ASSERT_EQ(TElementDataWriter(*source->Owner(), lib).Write(), kFileOk);
    const std::string other = ReadFile(dir_.Path() / "other.ZQD");
    EXPECT_NE(other.find("1||x||0,1 1\r\n1||a||0,\r\n"), std::string::npos) << other;
    EXPECT_NE(ReadFile(dir_.Path() / "data.ZQD").find("[data]\r\n1||b||\r\n[/data]"),
              std::string::npos);
}

TEST_F(TZQDCtrlTest, ProgressMessagesWhileReadingAndWriting) {
    TZQLCtrl& lib = Open(ParameterFile({0}), LibraryFile({0}), DataFile({{"1||a"}}));
    // A second object for the same file: reading replaces its group data, which the library's
    // groups must not be showing.
    auto file = std::make_unique<TZQDCtrl>(lib.Group(0)->GroupData()->Owner()->Path());
    std::vector<std::string> messages;
    Progress progress = [&](const std::string& m) { messages.push_back(m); };
    const std::string p = Sj("ZQD「") + file->Path() + Sj("」：");
    std::vector<TUnresolvedReference> references;
    ASSERT_EQ(TElementDataReader(*file, lib, references).Read(progress), kFileOk);
    file->SetModified(true);
    ASSERT_EQ(TElementDataWriter(*file, lib).Write(progress), kFileOk);
    std::vector<std::string> expected;
    for (const char* step : {"読み込み開始", "展開中", "展開中/データ「d0」処理中", "保存準備中",
                             "保存準備中/データ「d0」処理中", "保存開始"})
        expected.push_back(p + Sj(step));
    EXPECT_EQ(messages, expected);
}

// A file decoded in parts on several threads gives what one thread gives: elements in order,
// references across the parts and groups, kept items, escapes and odd lines alike; a long line
// decoded in place reads back as it was written. Written in parts (cut where an empty group
// data stands between two others, and inside them on more cores), the bytes are the same.
TEST_F(TZQDCtrlTest, DecodingInPartsBuildsWhatOneThreadBuilds) {
    const std::vector<std::string> kinds = {
        "1||a#b\\#c,x\\\\y||,{0} 0#0 1,1,3#4",
        "0||\\",
        "1||x|||7",
        "garbage",
        "",
        "1||" + Sj("表") + "\\#z#" + Sj("能") + "||,9 9#{0} 1#,5",
        "1||||,,-1",
        "2||,||0x1F#0777#-5#4294967296,{0} 1",
    };
    // A line long enough to be decoded straight into its element's buffer, with 32-bit ends.
    std::string longLine = "1||";
    while (longLine.size() < 150'000)
        longLine += "a\\#" + Sj("あ") + "\\\\#";
    longLine += "," + Sj("あ") + "||5,3 0";
    std::string zqd =
        test::CrLfLines({"Element-Data for Tabrix ver 2.0", "[init]", "[size]3", "[/init]"});
    const int sizes[] = {252, 0, 250};  // on more cores a chunk of lines ends at 252
    for (int data = 0; data < 3; ++data) {
        zqd +=
            "\r\n" + test::CrLfLines({"[elements]", "[init]", "[name]d" + std::to_string(data),
                                      "[size]" + std::to_string(sizes[data]), "[/init]", "[data]"});
        for (int k = 0; k < sizes[data]; ++k) {
            std::string line = kinds[(k + data) % kinds.size()];
            std::size_t at = line.find("{0}");
            if (at != std::string::npos) line.replace(at, 3, std::to_string((k * 7) % 401));
            zqd += "\r\n" + line;
        }
        if (data == 2) zqd += "\r\n" + longLine;
        zqd += "\r\n" + test::CrLfLines({"[/data]", "[/elements]"});
    }
    const std::size_t readThreshold = TElementDataReader::ParallelReadThreshold();
    const std::size_t writeThreshold = TElementDataWriter::ParallelWriteThreshold();
    constexpr std::size_t kNever = std::size_t{1} << 40;
    const struct {
        std::size_t readBytes, writeElements;
    } thresholds[] = {{kNever, kNever}, {0, kNever}, {4000, kNever}, {kNever, 0}, {0, 0}};
    std::string oneThread;
    for (const auto& t : thresholds) {
        TElementDataReader::SetParallelReadThreshold(t.readBytes);
        TElementDataWriter::SetParallelWriteThreshold(t.writeElements);
        TZQLCtrl& lib = Open(ParameterFile({1, 3, 10, 9}), LibraryFile({0, 2}), zqd);
        const std::string saved = SaveData();
        TElementDataReader::SetParallelReadThreshold(readThreshold);
        TElementDataWriter::SetParallelWriteThreshold(writeThreshold);
        ASSERT_EQ(lib.GroupCount(), 2u);
        EXPECT_EQ(lib.Group(1)->GroupData()->Size(), 251u);
        if (oneThread.empty()) oneThread = saved;
        EXPECT_EQ(saved, oneThread) << "thresholds " << t.readBytes << " " << t.writeElements;
    }
    EXPECT_NE(oneThread.find("\r\n1||a#b\\#c,x\\\\y||0,0 0#0 1,1,3#4\r\n"), std::string::npos);
    EXPECT_NE(oneThread.find("\r\n" + longLine + "\r\n"), std::string::npos);
}

// Opened with the lines read kept, a library saves the lines that are as the writer writes
// them back as read, and builds the others: the bytes are those of a save that keeps nothing.
// Each line here is the second of a run of two, its group data's.
TEST_F(TZQDCtrlTest, LinesKeptFromReadingAreTheOnesTheWriterWrites) {
    const std::string so = Sj("ソ"), hyou = Sj("表"), rest = Sj("ース");
    const struct {
        std::string line;
        bool kept;
    } cases[] = {
        {"1||abc||1,2", true},
        {"1||a#||1#2,3", true},
        {"1||a||", true},
        {"1||a\\#b,x\\,y\\\\z,\\%||1", true},  // escapes as the writer writes them
        {"1||a|b,c|||1", true},                // lone bars, and one before the numbers
        {"1||a\\||b||1", true},
        {"1||xy" + hyou + "z||1", true},           // a 0x5C second byte
        {"1||" + so + "\\" + rest + "||1", true},  // escaped where the item begins
        {"1||" + so + rest + "||1", false},
        {"1||abc", false},  // no number section: the writer adds one
        {"01||a||1", false},
        {"256||a||1", false},
        {"1||a||007", false},
        {"1||a||0x1F", false},
        {"1||a||4294967296", false},
        {"1||a||-1", false},
        {"1||a||1,,2", false},   // an empty item reads 0
        {"1||a\\qb||1", false},  // no escape: the backslash is escaped on writing
        {"1||a%b||1", false},
        {"1||a\\|||1", false},
        {"1||a||1||2", false},
    };
    // After a line as written, so that a reader leaving the lines kept checks it first without
    // building its values.
    for (const auto& c : cases) {
        std::string saved[3];
        for (int way : {0, 1, 2}) {
            TElementDataReader::SetKeepsLinesRead(way > 0);
            TElementDataReader::SetLeavesValuesInKeptLines(way == 2);
            TZQLCtrl& lib =
                Open(ParameterFile({0, 9, 9}), LibraryFile({0}), DataFile({{"1||a||1", c.line}}));
            TElementDataReader::SetKeepsLinesRead(false);
            TElementDataReader::SetLeavesValuesInKeptLines(false);
            const TGroupData& data = *lib.Group(0)->GroupData();
            const bool kept =
                data.ReadLines() && !data.ReadLines()->LinesFor(0, 2, data.Elements()).empty();
            EXPECT_EQ(kept, way > 0 && c.kept) << c.line;
            EXPECT_EQ(data.At(1)->ValuesLeftInLine(), way == 2 && c.kept) << c.line;
            saved[way] = SaveData();
        }
        EXPECT_EQ(saved[1], saved[0]) << c.line;
        EXPECT_EQ(saved[2], saved[0]) << c.line;
    }
}

// Whatever changes after the reading, in the elements, their order, the parameter types lines
// are built with or the file read (cut short by another program), the save writes what a save
// that kept nothing writes; runs left as read are kept.
TEST_F(TZQDCtrlTest, ChangesAfterReadingAreSavedNotTheLinesRead) {
    std::vector<std::string> lines;
    for (int k = 0; k < 300; ++k)
        lines.push_back("1||n" + std::to_string(k) + "\\#,x||" + std::to_string(k) + ",7");
    std::string zqd = DataFile({{}});
    const std::string data = "[data]";
    std::string body;
    for (const std::string& line : lines)
        body += "\r\n" + line;
    zqd.insert(zqd.find(data) + data.size(), body);
    using Edit = std::function<void(TZQLCtrl&)>;
    auto at = [](TZQLCtrl& lib, std::size_t k) { return lib.Group(0)->GroupData()->At(k); };
    const Edit edits[] = {
        [](TZQLCtrl&) {},
        [&](TZQLCtrl& lib) { at(lib, 5)->SetTexts(0, {"changed"}); },
        [&](TZQLCtrl& lib) {
            at(lib, 70)->SetNumbers(1, {8, 9});
        },
        [&](TZQLCtrl& lib) { at(lib, 299)->SetOutputFlag(0); },
        [&](TZQLCtrl& lib) { at(lib, 130)->SetTexts(1, {"x"}); },  // the same values again
        [&](TZQLCtrl& lib) { at(lib, 7)->CopyValueFrom(*at(lib, 8), 0); },
        [&](TZQLCtrl& lib) { at(lib, 9)->ResizeTexts(1); },
        [&](TZQLCtrl& lib) { at(lib, 12)->ResizeNumbers(1); },
        [&](TZQLCtrl& lib) { at(lib, 11)->ExchangeValues(*at(lib, 10)->KeptCopy()); },
        [](TZQLCtrl& lib) { lib.MoveElements(0, 20, 21, 40); },
        [](TZQLCtrl& lib) {
            std::vector<std::uint32_t> order(300);
            for (std::uint32_t k = 0; k < 300; ++k)
                order[k] = 299 - k;
            lib.Group(0)->GroupData()->Permute(order);
        },
        [](TZQLCtrl& lib) { lib.Group(0)->GroupData()->DeleteElements(3, 4); },
        [](TZQLCtrl& lib) { lib.Group(0)->GroupData()->InsertElements(64, 1); },
        [](TZQLCtrl& lib) { lib.Group(0)->GroupData()->AddElements(1); },
        [](TZQLCtrl& lib) { lib.ParameterFile()->At(1)->SetType(kTypeElementRefArray); },
        [this](TZQLCtrl&) { std::filesystem::resize_file(dir_.Path() / "data.ZQD", 0); },
    };
    // Kept lines go into the text on one thread, and are written from where they were read
    // between the chunks built on several.
    const std::size_t writeThreshold = TElementDataWriter::ParallelWriteThreshold();
    for (std::size_t e = 0; e < std::size(edits); ++e) {
        std::string saved[3];
        for (int way : {0, 1, 2}) {
            TElementDataReader::SetKeepsLinesRead(way > 0);
            TZQLCtrl& lib = Open(ParameterFile({0, 9, 9}), LibraryFile({0}), zqd);
            TElementDataReader::SetKeepsLinesRead(false);
            const TGroupData& data = *lib.Group(0)->GroupData();
            if (way > 0 && e == 0) {
                ASSERT_TRUE(data.ReadLines());
                EXPECT_FALSE(data.ReadLines()->LinesFor(256, 300, data.Elements()).empty());
            }
            edits[e](lib);
            if (way == 2) TElementDataWriter::SetParallelWriteThreshold(0);
            saved[way] = SaveData();
            TElementDataWriter::SetParallelWriteThreshold(writeThreshold);
        }
        EXPECT_EQ(saved[1], saved[0]) << "edit " << e;
        EXPECT_EQ(saved[2], saved[0]) << "edit " << e;
    }
}

// Opened for a save that changes nothing, a library leaves the elements of the runs it keeps
// without values and builds all others, the lines of a run read before the line that broke it
// included, on one thread and on several; the save writes what a save that keeps nothing
// writes. Once the lines kept are lost, such a save fails rather than write empty elements.
TEST_F(TZQDCtrlTest, OnlyTheElementsOfRunsKeptAreLeftWithoutValues) {
    const std::set<int> notAsWritten = {5, 70, 127, 200};  // runs 0, 1 and 3 are not kept
    std::string body;
    for (int k = 0; k < 300; ++k)
        body += "\r\n1||n" + std::to_string(k) + "\\#,x||" + std::to_string(k) +
                (notAsWritten.count(k) ? ",07" : ",7");
    std::string zqd = DataFile({{}});
    zqd.insert(zqd.find("[data]") + 6, body);
    Open(ParameterFile({0, 9, 9}), LibraryFile({0}), zqd);
    const std::string plain = SaveData();
    const std::size_t threshold = TElementDataReader::ParallelReadThreshold();
    for (const std::size_t readBytes : {std::size_t{1} << 40, std::size_t{0}}) {
        for (const bool cut : {false, true}) {
            TElementDataReader::SetParallelReadThreshold(readBytes);
            TElementDataReader::SetKeepsLinesRead(true);
            TElementDataReader::SetLeavesValuesInKeptLines(true);
            TZQLCtrl& lib = Open(ParameterFile({0, 9, 9}), LibraryFile({0}), zqd);
            TElementDataReader::SetKeepsLinesRead(false);
            TElementDataReader::SetLeavesValuesInKeptLines(false);
            TElementDataReader::SetParallelReadThreshold(threshold);
            TGroupData& data = *lib.Group(0)->GroupData();
            for (int k = 0; k < 300; ++k) {
                const bool left = k / 64 == 2 || k / 64 == 4;
                ASSERT_EQ(data.At(k)->ValuesLeftInLine(), left) << k;
                if (!left) {
                    ASSERT_EQ(data.At(k)->Texts(0).at(0), "n" + std::to_string(k) + "#");
                }
            }
            if (!cut) {
                EXPECT_EQ(SaveData(), plain);
                continue;
            }
            std::filesystem::resize_file(dir_.Path() / "data.ZQD", 0);
            data.Owner()->SetModified(true);
            EXPECT_EQ(TElementDataWriter(*data.Owner(), lib).Write(), kFileCannotOpen);
            EXPECT_TRUE(data.Owner()->IsModified());
            EXPECT_EQ(ReadFile(dir_.Path() / "data.ZQD"), "");
        }
    }
}

// A large file gives the memory of the lines decoded back as it goes: every element keeps what
// its line held, and the reference values near the end are still read from their lines after
// that.
TEST_F(TZQDCtrlTest, LinesGivenBackWhileDecodingKeepTheReferencesAfterThem) {
    constexpr int kLines = 240'000;
    std::string zqd =
        test::CrLfLines({"Element-Data for Tabrix ver 2.0", "[init]", "[size]1", "[/init]",
                         "[elements]", "[init]", "[name]d", "[/init]", "[data]"});
    for (int k = 0; k < kLines; ++k) {
        zqd.append("\r\n1||")
            .append(40, static_cast<char>('a' + k % 26))
            .append(std::to_string(k))
            .append("||");
        if (k == kLines / 2 || k == kLines - 1)
            zqd.append(",").append(std::to_string(k - 5)).append(" 0");
    }
    zqd += "\r\n" + test::CrLfLines({"[/data]", "[/elements]"});
    const std::size_t threshold = TElementDataReader::ParallelReadThreshold();
    std::string oneThread;
    for (std::size_t readBytes : {std::size_t{1} << 40, std::size_t{0}}) {
        TElementDataReader::SetParallelReadThreshold(readBytes);
        TZQLCtrl& lib = Open(ParameterFile({1, 3}), LibraryFile({0}), zqd);
        TElementDataReader::SetParallelReadThreshold(threshold);
        const TGroupData& data = *lib.Group(0)->GroupData();
        ASSERT_EQ(data.Size(), std::size_t{kLines});
        EXPECT_EQ(Refs(*data.At(kLines - 1), 1),
                  std::string("0:").append(std::to_string(kLines - 6)));
        EXPECT_EQ(Refs(*data.At(kLines / 2), 1),
                  std::string("0:").append(std::to_string(kLines / 2 - 5)));
        for (int k = 0; k < kLines; ++k)
            ASSERT_EQ(data.At(k)->Texts(0)[0], std::string(40, 'a' + k % 26) + std::to_string(k));
        const std::string saved = SaveData();
        if (oneThread.empty()) oneThread = saved;
        EXPECT_TRUE(saved == oneThread);
    }
}

// The referrer set against std::set over random adds and removes, past the size where it turns
// from an array into a hash table and back down through deletions that shift entries.
TEST(ReferrerSetTest, AgreesWithAnOrderedSet) {
    std::vector<TElement> elements(64);
    TReferrerSet set;
    set.Reserve(5);  // a small reservation of no power of two grows like any small array
    std::set<std::pair<TElement*, std::uint32_t>> model;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        TElement* element = &elements[random() % elements.size()];
        auto param = static_cast<std::uint32_t>(random() % 3);
        if (random() % 3 == 0) {
            set.Remove(element, param);
            model.erase({element, param});
        } else {
            set.Add(element, param);
            model.insert({element, param});
        }
        ASSERT_EQ(set.Size(), model.size()) << "step " << step;
    }
    std::set<std::pair<TElement*, std::uint32_t>> taken;
    for (const TReferrer& r : set.Take())
        taken.insert({r.element, r.param});
    EXPECT_EQ(taken, model);
    EXPECT_TRUE(set.Empty());
}

}  // namespace
}  // namespace tabrix
