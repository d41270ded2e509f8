// A group exchanged with spreadsheets: export, import into an empty group and export again give
// the same bytes and the same values; a spreadsheet's CSV imports as it should; bad input is
// refused where it is and changes nothing; an import is one step of an edit log.
#include <gtest/gtest.h>

#include <sstream>

#include "ElementFingerprint.h"
#include "FixtureLibrary.h"
#include "TempDir.h"
#include "files/TLibraryOpener.h"
#include "model/TEditLog.h"
#include "model/TTableImport.h"
#include "model/TTableReader.h"
#include "model/TTableRows.h"
#include "model/TTableWriter.h"
#include "model/TTabrixCtrl.h"
#include "model/TextCodec.h"

namespace tabrix {
namespace {

using namespace test;

const TTableFormat kCsv{TTableFormat::kCsv, TTableFormat::kUtf8};
const TTableFormat kTsvCp932{TTableFormat::kTsv, TTableFormat::kCp932};

// The values of a group as the dump shows them: no entry ("null") apart from an empty one,
// references by group number and position.
std::string Values(const TZQLCtrl& library, const TGroupData& data) {
    std::ostringstream out;
    for (const auto& element : data.Elements()) {
        out << int(element->OutputFlag());
        for (std::size_t i = 0; i < library.ParameterFile()->Size(); ++i) {
            const std::uint8_t type = library.ParameterFile()->At(i)->Type();
            out << " |";
            if (IsTextType(type)) {
                if (i >= element->TextCount()) out << "null";
                for (std::string_view text : element->Texts(i))
                    out << '[' << text << ']';
                continue;
            }
            if (i >= element->NumberCount()) out << "null";
            for (NumberItem item : element->Numbers(i)) {
                if (element->HoldsElementRefs(i))
                    out << (item ? std::to_string(
                                       library.FindGroupOf(TElement::AsElement(item)->Owner())
                                           ->Number()) +
                                       ":" + std::to_string(TElement::AsElement(item)->Index())
                                 : "-");
                else if (element->HoldsGroupRefs(i))
                    out << "g" << TElement::AsGroup(item)->Number();
                else
                    out << static_cast<std::uint32_t>(item);
                out << ' ';
            }
        }
        out << '\n';
    }
    return out.str();
}

// Every group of library goes into a new empty group beside it and out again.
void ExpectEveryGroupRoundTrips(TZQLCtrl& library) {
    const std::size_t groups = library.GroupCount();
    for (const TTableFormat& format : {kCsv, kTsvCp932}) {
        for (std::size_t g = 0; g < groups; ++g) {
            SCOPED_TRACE("group " + std::to_string(g) + " format " + std::to_string(format.kind));
            const TGroupSetting& original = *library.Group(g);
            const std::string table = TTableWriter::Write(library, original, format);
            TZQDCtrl& file = *original.GroupData()->Owner();
            TGroupSetting* copy = library.AddGroupForGroupData(file.AddGroupData());
            library.RenumberGroups();
            TTableImport import(library, library.GroupCount() - 1);
            ASSERT_FALSE(import.Run(table, format, false)) << table;
            EXPECT_EQ(import.Imported(), original.GroupData()->Size());
            EXPECT_EQ(TTableWriter::Write(library, *copy, format), table);
            EXPECT_EQ(Values(library, *copy->GroupData()), Values(library, *original.GroupData()));
        }
    }
}

TEST(TTableTest, EveryGroupOfTheSampleAndOfEveryTypeRoundTrips) {
    TempDir dir;
    std::filesystem::copy(DataPath("model/library"), dir.Path(),
                          std::filesystem::copy_options::recursive);
    TTabrixCtrl controller;
    FileResult result = kFileResultCount;  // not set
    std::unique_ptr<TZQLCtrl> sample =
        TLibraryOpener(controller).OpenNewLibrary(dir.File("lib.ZQL"), result);
    ASSERT_EQ(result, kFileOk);
    ExpectEveryGroupRoundTrips(*sample);

    FilledLibrary filled;
    ExpectEveryGroupRoundTrips(filled.library);
}

// The forms written, and the columns headed by name or, for a name another column takes, code.
TEST(TTableTest, ExportWritesTheDocumentedForms) {
    FilledLibrary fixture;
    fixture.Params().At(kCount)->SetName(Sj("出力"));
    fixture.Params().At(kCount)->SetCode("count");
    fixture.first->At(0)->SetTexts(kName, {Sj("a,\"b\"")});
    const std::string csv = TTableWriter::Write(fixture.library, *fixture.groupA, kCsv);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "出力,名称,価格,count,配列,参照,参照配列,グループ,数列,可否,可否配列,個数配列,選択");
    const std::string second = csv.substr(csv.find("\r\n") + 2);
    EXPECT_EQ(
        second.substr(0, second.find("\r\n")),
        "1,\"a,\"\"b\"\"\",150,0,\"一\n二\n\",0:1,\"0:0\n\n0:0\",1,\"-1\n0\n5\n-2147483648\",0,"
        "\"1\n0\n1\",\"0\n4000000000\",赤");
    EXPECT_NE(csv.find(",1:0,\"0:2\n\n0:0\",1,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",緑\r\n"), std::string::npos);
}

// Written as a spreadsheet writes it: a byte-order mark, CR LF, quoted fields with doubled
// quotes and line breaks, columns by code in another order, some missing.
TEST(TTableTest, ASpreadsheetsCsvImportsAsExpected) {
    FilledLibrary fixture;
    const std::string csv =
        "\xEF\xBB\xBF"
        "選択,名称,出力,数列,配列,参照配列,可否\r\n"
        "青,\"Say \"\"hi\"\", ok\",0,\"-1\r\n7\",\"a\r\nb, c\",\"1:0\n\n0:2\","
        "TRUE\r\n"
        "\r\n"
        "2, plain ,,,,,0\r\n";
    TTableImport import(fixture.library, 1);
    ASSERT_FALSE(import.Run(csv, {TTableFormat::kCsv, TTableFormat::kCp932}, true));
    ASSERT_EQ(fixture.second->Size(), 2u);
    const TElement& e = *fixture.second->At(0);
    EXPECT_EQ(e.OutputFlag(), 0);
    EXPECT_EQ(e.Numbers(kChoice)[0], 1u);
    EXPECT_EQ(e.Texts(kName)[0], "Say \"hi\", ok");
    EXPECT_EQ(std::vector<NumberItem>(e.Numbers(kNumbers).begin(), e.Numbers(kNumbers).end()),
              (std::vector<NumberItem>{0xFFFFFFFFu, 7}));
    EXPECT_EQ(e.Texts(kArray).size(), 2u);
    EXPECT_EQ(e.Texts(kArray)[1], "b, c");
    ASSERT_EQ(e.Numbers(kRefArray).size(), 3u);
    EXPECT_EQ(TElement::AsElement(e.Numbers(kRefArray)[0]), &e);  // as the group stands after
    EXPECT_EQ(e.Numbers(kRefArray)[1], 0u);
    EXPECT_EQ(TElement::AsElement(e.Numbers(kRefArray)[2]), fixture.first->At(2));
    EXPECT_EQ(e.Numbers(kFlag)[0], 1u);
    EXPECT_TRUE(e.Numbers(kPrice).empty());
    const TElement& f = *fixture.second->At(1);
    EXPECT_EQ(f.OutputFlag(), 1);
    EXPECT_EQ(f.Numbers(kChoice)[0], 2u);
    EXPECT_EQ(f.Texts(kName)[0], " plain ");
    EXPECT_TRUE(f.Numbers(kRefArray).empty());
}

std::string State(FixtureLibrary& fixture) {
    std::ostringstream out;
    for (TGroupData* data : {fixture.first, fixture.second})
        for (const auto& element : data->Elements()) {
            WriteFingerprint(out, *element);
            out << '\n';
        }
    out << int(fixture.data.Status()) << ' ' << int(fixture.groupA->Status());
    return out.str();
}

TEST(TTableTest, BadInputIsRefusedWhereItIsAndChangesNothing) {
    const struct {
        const char* text;  // UTF-8 unless cp932
        bool cp932;
        TTableProblem::Kind kind;
        std::size_t line, column;
        const char* value;
    } cases[] = {
        {"", false, TTableProblem::kNoHeader, 1, 1, ""},
        {"名称\r\n\"ab\"c\r\n", false, TTableProblem::kBrokenQuote, 2, 1, "ab\""},
        {"名称\r\nab\"c\r\n", false, TTableProblem::kBrokenQuote, 2, 1, "ab"},
        {"名称,価格\r\n1,2\r\n\"x\r\nyz", false, TTableProblem::kBrokenQuote, 3, 1, "x\r\nyz"},
        {"名称\r\n\"x\r\n", false, TTableProblem::kBrokenQuote, 2, 1, "x\r\n"},
        {"名称\r\nok\r\na😀\r\n", false, TTableProblem::kNoCp932Form, 3, 1, "a😀"},
        {"名称\r\na\xFF\r\n", false, TTableProblem::kNotUtf8, 2, 1, "a\xEF\xBF\xBD"},
        {"価格\r\n2147483648\r\n", false, TTableProblem::kNumberOutOfRange, 2, 1, "2147483648"},
        {"個数\r\n-1\r\n", true, TTableProblem::kNumberOutOfRange, 2, 1, "-1"},
        {"名称,個数\r\nx,12a\r\n", false, TTableProblem::kNotANumber, 2, 2, "12a"},
        {"価格\r\n+-5\r\n", false, TTableProblem::kNotANumber, 2, 1, "+-5"},
        {"名称,配列,価格\r\nx,\"1\r\n2\r\n3\",z\r\n", true, TTableProblem::kNotANumber, 4, 3, "z"},
        {"名称,色\r\n", false, TTableProblem::kUnknownColumn, 1, 2, "色"},
        {"名称,名称\r\n", false, TTableProblem::kDuplicateColumn, 1, 2, "名称"},
        {"名称\r\na,b\r\n", false, TTableProblem::kExtraField, 2, 2, "b"},
        {"出力\r\n2\r\n", false, TTableProblem::kNotABoolean, 2, 1, "2"},
        {"可否配列\r\n\"1\n\"\r\n", false, TTableProblem::kNotABoolean, 2, 1, "1\n"},
        {"選択\r\n紫\r\n", false, TTableProblem::kUnknownChoice, 2, 1, "紫"},
        {"参照\r\n1-0\r\n", false, TTableProblem::kBadReference, 2, 1, "1-0"},
        {"参照\r\n0:4\r\n", false, TTableProblem::kNoSuchTarget, 2, 1, "0:4"},
        {"グループ\r\n7\r\n", false, TTableProblem::kNoSuchTarget, 2, 1, "7"},
        {"名称\r\n\"a\nb\"\r\n", false, TTableProblem::kLineBreakInText, 2, 1, "a\nb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FilledLibrary fixture;
        const std::string before = State(fixture);
        TTableImport import(fixture.library, 0);
        const TTableProblem problem = import.Run(
            c.cp932 ? Sj(c.text) : std::string(c.text),
            {TTableFormat::kCsv, c.cp932 ? TTableFormat::kCp932 : TTableFormat::kUtf8}, false);
        EXPECT_EQ(problem.kind, c.kind);
        EXPECT_EQ(problem.line, c.line);
        EXPECT_EQ(problem.column, c.column);
        EXPECT_EQ(problem.value, c.value);
        EXPECT_EQ(State(fixture), before);
    }
}

// Columns read as the user chose rather than as their heads say: one not read at all, one as
// the output flag; two columns for one parameter are refused.
TEST(TTableTest, ChosenColumnsOverrideTheHeads) {
    const std::optional<std::size_t> none;
    const std::optional<std::size_t> name = kName, flag = TTableForms::kOutputColumn;
    FilledLibrary fixture;
    TTableImport import(fixture.library, 1);
    import.SetColumns({name, none, flag});
    ASSERT_FALSE(import.Run("色,名称,x\r\nabc,junk,0\r\n", kCsv, true));
    ASSERT_EQ(fixture.second->Size(), 1u);
    EXPECT_EQ(fixture.second->At(0)->Texts(kName)[0], "abc");
    EXPECT_EQ(fixture.second->At(0)->OutputFlag(), 0);
    import.SetColumns({name, name});
    const TTableProblem problem = import.Run("a,b\r\nx,y\r\n", kCsv, true);
    EXPECT_EQ(problem.kind, TTableProblem::kDuplicateColumn);
    EXPECT_EQ(problem.column, 2u);
    EXPECT_EQ(fixture.second->At(0)->Texts(kName)[0], "abc");
}

// A preview reads the rows asked for and nothing after them: a fault further on is no fault.
TEST(TTableTest, APreviewReadsTheFirstRowsOnly) {
    const std::string table = "\xEF\xBB\xBFh\r\n\"1\r\n2\"\r\n3\r\n\"broken\r\n";
    const struct {
        std::size_t count;
        std::size_t rows;
        TTableProblem::Kind kind;
    } cases[] = {{2, 2, TTableProblem::kNone},
                 {3, 3, TTableProblem::kNone},
                 {4, 3, TTableProblem::kBrokenQuote}};
    for (const auto& c : cases) {
        TTableRows rows;
        EXPECT_EQ(TTableReader::ReadFirst(table, kTsvCp932, c.count, rows).kind, c.kind);
        ASSERT_EQ(rows.size(), c.rows) << c.count;
        EXPECT_EQ(rows[1].fields[0], "1\r\n2");
    }
}

// A table long enough to be read on every core: each reference is registered with its target,
// so the target's deletion clears the references to it and no other.
TEST(TTableTest, ALargeImportRegistersEveryReference) {
    FilledLibrary fixture;
    constexpr std::size_t kRows = 50000;
    auto targetOf = [](std::size_t r) { return r * 7919 % kRows; };
    // Appended, not added to a literal: g++ 12 at -O3 warns (wrongly) about that insert.
    auto name = [](std::size_t r) { return std::string(1, 'n').append(std::to_string(r)); };
    std::string table = "名称,参照,グループ\r\n";
    for (std::size_t r = 0; r < kRows; ++r)
        table +=
            name(r) + ",0:" + std::to_string(targetOf(r)) + "," + std::to_string(r % 2) + "\r\n";
    ASSERT_FALSE(TTableImport(fixture.library, 0).Run(table, kCsv, true));
    // Written in chunks on every core, the table is the one a single pass over the rows gives.
    std::vector<const TElement*> rows;
    for (const auto& element : fixture.first->Elements())
        rows.push_back(element.get());
    EXPECT_EQ(TTableWriter::Write(fixture.library, *fixture.library.Group(0), kCsv),
              TTableWriter::WriteElements(fixture.library, rows, kCsv));
    TGroupSetting& second = *fixture.library.Group(1);
    std::size_t referring = 0;  // values naming the second group, wherever they are
    for (std::size_t g = 0; g < fixture.library.GroupCount(); ++g)
        for (const auto& element : fixture.library.Group(g)->GroupData()->Elements())
            for (std::size_t i = 0; i < element->NumberCount(); ++i)
                if (element->HoldsGroupRefs(i))
                    for (const NumberItem item : element->Numbers(i))
                        referring += TElement::AsGroup(item) == &second;
    EXPECT_GE(referring, kRows / 2);
    EXPECT_EQ(second.Referrers().Size(), referring);
    const std::size_t deleted = 5;
    ASSERT_EQ(fixture.library.DeleteElements(0, deleted, deleted + 1), kElementsChanged);
    ASSERT_EQ(fixture.first->Size(), kRows - 1);
    std::size_t cleared = 0;
    for (std::size_t k = 0; k < kRows - 1; ++k) {
        const std::size_t r = k < deleted ? k : k + 1;
        const TElement& element = *fixture.first->At(k);
        ASSERT_EQ(element.Texts(kName)[0], name(r));
        const NumberItems refs = element.Numbers(kRef);
        if (targetOf(r) == deleted) {
            EXPECT_TRUE(refs.empty() || refs[0] == 0) << r;
            ++cleared;
            continue;
        }
        ASSERT_EQ(refs.size(), 1u) << r;
        EXPECT_EQ(TElement::AsElement(refs[0])->Texts(kName)[0], name(targetOf(r)));
    }
    EXPECT_EQ(cleared, 1u);
}

// Rows are filled before they stand in the group: a bad row far into a large file leaves the
// group and the referrer sets as they were, however the filled rows referred to each other;
// and a reference counts positions as the rows pasted in the middle leave them.
TEST(TTableTest, RowsFilledAsideLandWhereTheyAreCounted) {
    FilledLibrary fixture;
    const std::string before = State(fixture);
    const std::size_t referrers = fixture.library.Group(1)->Referrers().Size();
    constexpr std::size_t kRows = 50000;
    std::string table = "名称,参照,グループ\r\n";
    for (std::size_t r = 0; r < kRows; ++r)
        table.append("n,0:").append(std::to_string(3 + (r * 7919 % kRows))).append(",1\r\n");
    table += "n,0:1,x\r\n";
    const TTableProblem problem = TTableImport(fixture.library, 0).Run(table, kCsv, false);
    EXPECT_EQ(problem.kind, TTableProblem::kBadReference);
    EXPECT_EQ(problem.line, kRows + 2);
    EXPECT_EQ(State(fixture), before);
    EXPECT_EQ(fixture.library.Group(1)->Referrers().Size(), referrers);

    const std::string first(fixture.first->At(0)->Texts(kName)[0]);
    const std::string last(fixture.first->At(2)->Texts(kName)[0]);
    ASSERT_FALSE(
        TTableImport(fixture.library, 0).Insert("名称,参照\nA,0:0\nB,0:1\nC,0:5\n", kCsv, 1));
    ASSERT_EQ(fixture.first->Size(), 6u);
    const std::string named[][2] = {{"A", first}, {"B", "A"}, {"C", last}};
    for (std::size_t k = 0; k < 3; ++k) {
        TElement& row = *fixture.first->At(1 + k);
        EXPECT_EQ(row.Texts(kName)[0], named[k][0]);
        ASSERT_EQ(row.Numbers(kRef).size(), 1u);
        TElement& target = *TElement::AsElement(row.Numbers(kRef)[0]);
        EXPECT_EQ(target.Texts(kName)[0], named[k][1]);
        EXPECT_FALSE(target.Referrers().AllOf([&](const TReferrer& r) {
            return r.element != &row;
        })) << "row "
            << k << " is not registered with its target";
    }
}

// A file of some megabytes is read in parts; rows, fields and lines are those of the whole file
// read in one piece, whatever quoted line breaks stand near the places it is divided at, and a
// problem in a later part is reported where it is.
TEST(TTableTest, ALargeFileReadsAsOnePiece) {
    constexpr std::size_t kRows = 100000;
    std::string file = "名称,配列\r\n";
    std::vector<std::size_t> lineOf(kRows + 1, 1);
    std::size_t line = 2;
    for (std::size_t r = 1; r <= kRows; ++r) {
        lineOf[r] = line;
        file += "行" + std::to_string(r) + ",\"前\"\"\n" + std::string(r % 80, 'x') + "\"" +
                (r % 3 ? "\r\n" : "\n");
        line += 2;
    }
    TTableRows rows;
    ASSERT_FALSE(TTableReader::Read(file, kCsv, rows));
    ASSERT_EQ(rows.size(), kRows + 1);
    for (std::size_t r = 1; r <= kRows; ++r) {
        ASSERT_EQ(rows[r].line, lineOf[r]) << r;
        ASSERT_EQ(rows[r].fields.size(), 2u);
        ASSERT_EQ(TextCodec::ToUtf8(rows[r].fields[0]), "行" + std::to_string(r));
        ASSERT_EQ(TextCodec::ToUtf8(rows[r].fields[1]), "前\"\n" + std::string(r % 80, 'x'));
    }
    const std::size_t bad = kRows - 7;
    const std::string marker = "行" + std::to_string(bad) + ",";
    file.insert(file.find(marker) + marker.size(), "z\"");  // a quote in an unquoted field
    const TTableProblem problem = TTableReader::Read(file, kCsv, rows);
    EXPECT_EQ(problem.kind, TTableProblem::kBrokenQuote);
    EXPECT_EQ(problem.line, lineOf[bad]);
}

// Rows keep their fields whole and in order across the blocks they are stored in: rows whose
// fields stand where a block fills up, fields larger than a block, rows appended from another.
TEST(TTableTest, RowsKeepTheirFieldsAcrossBlocks) {
    auto field = [](std::size_t r, std::size_t k) {
        return std::to_string(r) + "." + std::to_string(k) +
               std::string(r % 1000 == 7 ? 600000 : r % 5, 'x');
    };
    TTableRows rows, more;
    for (std::size_t r = 0; r < 20000; ++r) {
        TTableRows& into = r < 15000 ? rows : more;
        into.BeginRow(r + 1);
        for (std::size_t k = 0; k < 3; ++k)
            into.AddField(field(r, k));
    }
    rows.Append(std::move(more));
    ASSERT_EQ(rows.size(), 20000u);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].line, r + 1);
        ASSERT_EQ(rows[r].fields.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k)
            ASSERT_EQ(rows[r].fields[k], field(r, k)) << r;
    }
}

// Replacing a group is one step: undone, the group and the references into it are back.
TEST(TTableTest, AnImportIsOneStepOfTheEditLog) {
    FilledLibrary fixture;
    const std::string before = State(fixture);
    TEditLog log;
    {
        TEditLog::Scope scope(log);
        log.NoteGroupStatus(fixture.library);
        ASSERT_FALSE(TTableImport(fixture.library, 0).Run("名称,参照\r\nx,0:0\r\n", kCsv, true));
    }
    log.Finish();
    const std::string after = State(fixture);
    ASSERT_EQ(fixture.first->Size(), 1u);
    EXPECT_EQ(TElement::AsElement(fixture.first->At(0)->Numbers(kRef)[0]), fixture.first->At(0));
    ASSERT_TRUE(log.CanUndo());
    log.Undo();
    fixture.data.SetModified(false);
    EXPECT_EQ(State(fixture), before);
    ASSERT_TRUE(log.CanRedo());
    log.Redo();
    fixture.data.SetModified(true);
    EXPECT_EQ(State(fixture), after);
}

}  // namespace
}  // namespace tabrix
