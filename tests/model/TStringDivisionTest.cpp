#include "model/TStringDivision.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"

namespace tabrix {
namespace {

using test::Sj;

// Double-byte characters whose second byte is 0x5C, the backslash.
const std::string kHyo = "\x95\x5C";  // 表
const std::string kSo = "\x83\x5C";   // ソ
const std::string kA = "\x88\x9F";    // 亜: both bytes in the lead range

constexpr unsigned kEscapeFlags = kUnescape | kEscape;

TStringDivision LibraryDivision() {
    TStringDivision division;
    division.SetSyntax(std::nullopt, std::nullopt, std::nullopt,
                       TStringDivision::LibraryEscapeMap(), std::nullopt);
    return division;
}

// --- the cases of tests/data/model/division.tsv -------------------------------------------

// A text of the table: UTF-8 turned into CP932, then "\xNN" into the byte NN.
std::string Bytes(const std::string& utf8) {
    std::string sj = Sj(utf8), out;
    for (std::size_t i = 0; i < sj.size(); ++i) {
        if (sj.compare(i, 2, "\\x") == 0 && i + 4 <= sj.size() &&
            std::isxdigit(static_cast<unsigned char>(sj[i + 2]))) {
            out += static_cast<char>(std::stoi(sj.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += sj[i];
        }
    }
    return out;
}

// The items of a list of the table, parted by "¦".
StringList Items(const std::string& utf8) {
    StringList items;
    for (const std::string& item : test::SplitAt(utf8, "¦"))
        items.push_back(Bytes(item));
    return items;
}

unsigned Flags(const std::string& letters) {
    unsigned flags = 0;
    for (char c : letters)
        flags |= c == 'b'   ? kSkipBrackets
                 : c == 'e' ? kSkipEscapes
                 : c == 'f' ? kTrimFront
                 : c == 'k' ? kTrimBack
                 : c == 'u' ? kUnescape
                 : c == 'x' ? kEscapeFlags
                            : 0u;
    return flags;
}

std::size_t Position(const std::string& text) {
    return text == "npos" ? TStringDivision::npos : std::stoul(text);
}

TStringDivision Division(const std::string& name) {
    TStringDivision division =
        name.find("library") != std::string::npos ? LibraryDivision() : TStringDivision();
    division.SetLeadAtStart(name.find("lead") != std::string::npos);
    if (name.find("euc") != std::string::npos) division.SetCodeMode(1);
    if (name == "single") division.SetCodeMode(2);
    if (name == "blanks")
        division.SetSyntax(std::nullopt, std::nullopt, std::nullopt, std::nullopt, BlankSet{"@"});
    return division;
}

// Runs one case: the fields after the division and the operation are its arguments.
StringList RunCase(const std::vector<std::string>& f) {
    const TStringDivision division = Division(f.at(0));
    const std::string& op = f.at(1);
    std::string text = Bytes(f.at(2));
    auto one = [](auto value) { return StringList{std::to_string(value)}; };
    if (op == "kinds") {
        std::string kinds;
        for (std::size_t pos = 0; pos < text.size(); ++pos)
            kinds.append(pos ? " " : "").append(std::to_string(division.CharKind(text, pos)));
        return {kinds};
    }
    if (op == "matchAt") return one(division.MatchAt(text, Bytes(f[3]), Position(f[4])));
    if (op == "find")
        return one(static_cast<long>(
            division.Find(text, Bytes(f[3]), Position(f[4]), Position(f[5]), Flags(f[6]))));
    if (op == "findLast")
        return one(static_cast<long>(
            division.FindLast(text, Bytes(f[3]), Position(f[4]), Position(f[5]), Flags(f[6]))));
    if (op == "cut")
        return {division.CutField(text, Bytes(f[3]), Position(f[4]), Flags(f[5])), text};
    if (op == "cutEnd")
        return {division.CutFieldFromEnd(text, Bytes(f[3]), Position(f[4]), Flags(f[5])), text};
    if (op == "field")
        return {division.GetField(text, Bytes(f[3]), Position(f[4]), Bytes(f[5]), f[6] == "1"),
                text};
    if (op == "piece") return {division.GetPiece(text, Bytes(f[3]), Position(f[4]), Flags(f[5]))};
    if (op == "pieceEnd")
        return {division.GetPieceFromEnd(text, Bytes(f[3]), Position(f[4]), Flags(f[5]))};
    if (op == "between") return {division.Between(text, Bytes(f[3]), Bytes(f[4]), Flags(f[5]))};
    if (op == "normalize") return {division.Normalize(text, Flags(f[3]))};
    if (op == "trim") return {division.Trim(text, Flags(f[3]))};
    if (op == "split") {
        StringList pieces = {"old"};
        division.Split(text, Bytes(f[3]), pieces, Flags(f[4]));
        return pieces;
    }
    if (op == "match") {
        StringList patternPieces, textPieces;
        bool matched = division.Match(text, Bytes(f[3]), &patternPieces, &textPieces);
        return {std::to_string(matched),
                f[5] == "~" ? "~" : TStringDivision::Join("|", patternPieces),
                f[6] == "~" ? "~" : TStringDivision::Join("|", textPieces)};
    }
    if (op == "toULong") return one(TStringDivision::ToULong(text, std::stoul(f[3])));
    if (op == "toLong") return one(TStringDivision::ToLong(text, std::stoi(f[3])));
    if (op == "format") return {TStringDivision::Format(text, std::stoll(f[3]))};
    ADD_FAILURE() << "unknown operation " << op;
    return {};
}

TEST(TStringDivisionTest, TableOfCases) {
    for (const auto& row : test::ReadTable("model/division.tsv")) {
        StringList expected =
            row.back() == "npos" ? StringList{std::to_string(-1L)} : Items(row.back());
        if (row[1] == "match") expected = {row[4], Bytes(row[5]), Bytes(row[6])};
        EXPECT_EQ(RunCase(row), expected) << row[0] << " " << row[1] << " " << row[2];
    }
}

// --- what a table would hide ----------------------------------------------------------------

TEST(TStringDivisionTest, SplitReplacesTheListAndTakesItsTextFromIt) {
    TStringDivision division;
    StringList list = {"x,y"};
    EXPECT_EQ(division.Split(list[0], ",", list), 2u);
    EXPECT_EQ(list, (StringList{"x", "y"}));
    EXPECT_EQ(division.Split("f(a,b),g(c,(d,e)),h", ",", kSkipBrackets), 3u);
    EXPECT_EQ(division.WorkList(), (StringList{"f(a,b)", "g(c,(d,e))", "h"}));
    EXPECT_EQ(division.Join("|"), "f(a,b)|g(c,(d,e))|h");
    EXPECT_EQ(TStringDivision::Join(",", {}), "");
    EXPECT_EQ(TStringDivision::Join("\r\n", {"a", "", "b"}), "a\r\n\r\nb");
    EXPECT_EQ(TStringDivision::Format("300d", 1).size(), 255u);  // the 256-byte buffer
}

TEST(TStringDivisionTest, EveryByteAndBytePairRoundTripsThroughTheEscapes) {
    TStringDivision division = LibraryDivision();
    for (int first = 0; first < 256; ++first) {
        std::string one(1, static_cast<char>(first));
        ASSERT_EQ(division.Normalize(division.Normalize(one, kEscapeFlags), kUnescape), one)
            << "byte " << first;
        for (int second = 0; second < 256; ++second) {
            std::string two = one + static_cast<char>(second);
            ASSERT_EQ(division.Normalize(division.Normalize(two, kEscapeFlags), kUnescape), two)
                << "bytes " << first << " " << second;
        }
    }
}

// Runs of every length between escapes are copied whole, none cut short or run over.
TEST(TStringDivisionTest, RunsOfEveryLengthBetweenEscapes) {
    TStringDivision division = LibraryDivision();
    for (std::size_t n = 0; n <= 40; ++n) {
        std::string run;
        for (std::size_t k = 0; k < n; ++k)
            run += static_cast<char>('a' + k % 26);
        EXPECT_EQ(division.Normalize(run + "#" + run + "," + run, kEscapeFlags),
                  std::string(run).append("\\#").append(run).append("\\,").append(run))
            << n;
    }
}

TEST(TStringDivisionTest, EscapedFormStaysReadableAfterAnEarlierEscape) {
    TStringDivision division = LibraryDivision();
    const std::vector<std::string> texts = {
        "#" + kHyo,      "\\" + kHyo,        "," + kSo + "x",         "||" + kHyo + "%",
        "%" + kA + kHyo, "ab" + kHyo + "\\", "x" + kSo + "||" + kHyo, "\\\\" + kHyo + "\\" + kSo,
    };
    for (const std::string& text : texts) {
        std::string escaped = division.Normalize(text, kEscapeFlags);
        EXPECT_EQ(division.Normalize(escaped, kUnescape), text) << escaped;
        // Escaped items joined by "," split back into the same items.
        StringList items;
        division.Split("x," + escaped + "," + escaped, ",", items, kSkipEscapes | kUnescape);
        EXPECT_EQ(items, (StringList{"x", text, text})) << escaped;
    }
    // Texts whose first characters are classed by the start-of-text rule still come back
    // when unescaped on their own.
    for (const std::string& text : {kSo, kHyo + kHyo + "#", kA + kHyo + ",", "a" + kHyo + "\\"})
        EXPECT_EQ(division.Normalize(division.Normalize(text, kEscapeFlags), kUnescape), text);
}

TEST(TStringDivisionTest, GivenSyntaxPartsReplaceAndAbsentPartsStay) {
    TStringDivision division;
    EXPECT_EQ(division.EscapeMapping().size(), 3u);
    division.SetSyntax(std::string("<"), std::nullopt, std::string("^"), EscapeMap{{"^^", "^"}},
                       std::nullopt);
    EXPECT_EQ(division.EscapeMapping(), (EscapeMap{{"^^", "^"}}));
    EXPECT_EQ(division.Blanks(), (BlankSet{" ", "\t"}));
    EXPECT_EQ(
        division.Find("<a,b)^,c,d", ",", 0, TStringDivision::npos, kSkipBrackets | kSkipEscapes),
        8u);
}

}  // namespace
}  // namespace tabrix
