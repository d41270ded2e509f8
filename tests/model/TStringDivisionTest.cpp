#include "model/TStringDivision.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace tabrix {
namespace {

// Double-byte characters whose second byte is 0x5C, the backslash.
const std::string kHyo = "\x95\x5C";  // 表
const std::string kSo = "\x83\x5C";   // ソ
const std::string kA = "\x88\x9F";    // 亜: both bytes in the lead range

constexpr unsigned kEscapeFlags = kUnescape | kEscape;

std::vector<int> KindsOf(const TStringDivision& division, const std::string& text) {
    std::vector<int> kinds;
    for (std::size_t pos = 0; pos < text.size(); ++pos)
        kinds.push_back(division.CharKind(text, pos));
    return kinds;
}

TStringDivision LibraryDivision() {
    TStringDivision division;
    division.SetSyntax(std::nullopt, std::nullopt, std::nullopt,
                       TStringDivision::LibraryEscapeMap(), std::nullopt);
    return division;
}

// --- classification -------------------------------------------------------------------------

TEST(TStringDivisionCharKind, ClassifiesDoubleByteCharactersAfterSingleBytes) {
    TStringDivision division;
    EXPECT_EQ(KindsOf(division, "ab" + kHyo), (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(KindsOf(division, "xy" + kA + kA), (std::vector<int>{0, 0, 1, 2, 1, 2}));
    // 0xE0-0xEF lead, 0xF0 and 0xA0 do not.
    EXPECT_EQ(KindsOf(division, "xy\xEF\x40"), (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(KindsOf(division, "xy\xF0\x40"), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(KindsOf(division, "xy\xA0\x40"), (std::vector<int>{0, 0, 0, 0}));
}

TEST(TStringDivisionCharKind, KeepsTheStartOfTextRule) {
    TStringDivision division;
    // The walk stops at index 0, so the second byte near the start is classed single.
    EXPECT_EQ(KindsOf(division, kHyo), (std::vector<int>{1, 0}));
    EXPECT_EQ(KindsOf(division, "a" + kHyo), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(KindsOf(division, kHyo + kHyo), (std::vector<int>{1, 0, 1, 2}));
    EXPECT_EQ(KindsOf(division, "x" + kA + kA), (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(KindsOf(division, kA + kHyo), (std::vector<int>{1, 1, 0, 0}));
}

TEST(TStringDivisionCharKind, LeadAtStartPairsEveryByte) {
    // The texts the start-of-text rule misreads, and how each is read with the mode on.
    const struct {
        std::string text;
        std::vector<int> kinds;
    } cases[] = {
        {kHyo, {1, 2}},
        {"a" + kHyo, {0, 1, 2}},
        {kHyo + kHyo, {1, 2, 1, 2}},
        {"x" + kA + kA, {0, 1, 2, 1, 2}},
        {kA + kHyo, {1, 2, 1, 2}},
        {"\\" + kSo + "\\", {0, 1, 2, 0}},
    };
    TStringDivision division;
    division.SetLeadAtStart(true);
    for (const auto& c : cases)
        EXPECT_EQ(KindsOf(division, c.text), c.kinds) << c.text;
    division.SetCodeMode(1);
    EXPECT_EQ(KindsOf(division, "\xA4\xA2\xA4\xA2"), (std::vector<int>{1, 2, 1, 2}));
}

TEST(TStringDivisionEscape, LeadAtStartKeepsTheSecondByteOfTheFirstCharacter) {
    TStringDivision division = LibraryDivision();
    division.SetLeadAtStart(true);
    StringList pieces;
    division.Split(kHyo + "%" + kSo + "\\%x", "%", pieces, kSkipEscapes | kUnescape);
    EXPECT_EQ(pieces, (StringList{kHyo, kSo + "%x"}));
    EXPECT_EQ(division.Normalize(kSo + "\\,", kUnescape), kSo + ",");
    EXPECT_EQ(division.Normalize(kSo + ",", kEscapeFlags), kSo + "\\,");
}

TEST(TStringDivisionCharKind, HalfWidthKatakanaIsSingleByte) {
    TStringDivision division;
    EXPECT_EQ(KindsOf(division, "x\xB1" + kHyo), (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(KindsOf(division, "\xB1\xB1\xB1"), (std::vector<int>{0, 0, 0}));
}

TEST(TStringDivisionCharKind, EucAndSingleByteModes) {
    TStringDivision division;
    division.SetCodeMode(1);
    EXPECT_EQ(KindsOf(division, "xy\xA4\xA2"), (std::vector<int>{0, 0, 1, 2}));
    // In EUC an even distance is always a trail byte, also when the walk reached index 0.
    EXPECT_EQ(KindsOf(division, "x\xA4\xA2"), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(KindsOf(division, "xy" + kHyo), (std::vector<int>{0, 0, 0, 0}));
    division.SetCodeMode(2);
    EXPECT_EQ(KindsOf(division, "xy" + kHyo), (std::vector<int>{0, 0, 0, 0}));
}

TEST(TStringDivisionMatchAt, NeverMatchesOnATrailByte) {
    TStringDivision division;
    EXPECT_FALSE(division.MatchAt("ab" + kHyo, "\\", 3));
    EXPECT_TRUE(division.MatchAt("ab" + kHyo + "\\", "\\", 4));
    EXPECT_TRUE(division.MatchAt(kHyo, "\\", 1));  // classed single at the start
    EXPECT_FALSE(division.MatchAt("abc", "cd", 2));
    EXPECT_FALSE(division.MatchAt("abc", "c", 5));
}

// --- searching ------------------------------------------------------------------------------

TEST(TStringDivisionFind, HonoursRangeAndTrailBytes) {
    TStringDivision division;
    EXPECT_EQ(division.Find("a,b,c", ","), 1u);
    EXPECT_EQ(division.Find("a,b,c", ",", 2), 3u);
    EXPECT_EQ(division.Find("a,b,c", ",", 2, 2), TStringDivision::npos);
    EXPECT_EQ(division.Find("ab", "abc"), TStringDivision::npos);
    EXPECT_EQ(division.Find("ab" + kHyo + "\\", "\\"), 4u);
}

TEST(TStringDivisionFind, SkipsEscapesButNotTrailBackslashes) {
    TStringDivision division;
    EXPECT_EQ(division.Find("a\\,b,c", ","), 2u);
    EXPECT_EQ(division.Find("a\\,b,c", ",", 0, TStringDivision::npos, kSkipEscapes), 4u);
    // An escaped backslash does not escape the comma after it.
    EXPECT_EQ(division.Find("a\\\\,b", ",", 0, TStringDivision::npos, kSkipEscapes), 3u);
    // The 0x5C of 表 is a trail byte here, not an escape, so the comma after it counts.
    EXPECT_EQ(division.Find("ab" + kHyo + ",x", ",", 0, TStringDivision::npos, kSkipEscapes), 4u);
}

TEST(TStringDivisionFind, SkipsNestedBracketGroups) {
    TStringDivision division;
    EXPECT_EQ(division.Find("f(a,(b,c)),d", ",", 0, TStringDivision::npos, kSkipBrackets), 10u);
    EXPECT_EQ(division.Find("(a,b", ",", 0, TStringDivision::npos, kSkipBrackets),
              TStringDivision::npos);
    // Escapes are not skipped inside a group: the escaped ")" still closes it.
    EXPECT_EQ(division.Find("(a\\),b", ",", 0, TStringDivision::npos, kSkipBrackets | kSkipEscapes),
              4u);
}

TEST(TStringDivisionFindLast, AgreesWithFindOnEscapesAndBrackets) {
    TStringDivision division;
    EXPECT_EQ(division.FindLast("a,b,c", ","), 3u);
    EXPECT_EQ(division.FindLast("a,b,c", ",", 2), 1u);
    EXPECT_EQ(division.FindLast("a,b,c", ",", TStringDivision::npos, 4), TStringDivision::npos);
    EXPECT_EQ(division.FindLast("aaa", "aa"), 1u);
    EXPECT_EQ(division.FindLast("a,b\\,c", ",", TStringDivision::npos, 0, kSkipEscapes), 1u);
    EXPECT_EQ(division.FindLast("a\\\\,b", ",", TStringDivision::npos, 0, kSkipEscapes), 3u);
    EXPECT_EQ(division.FindLast("a,(b,c)", ",", TStringDivision::npos, 0, kSkipBrackets), 1u);
}

// --- cutting --------------------------------------------------------------------------------

TEST(TStringDivisionCutField, CutsBeforeTheNthSeparator) {
    TStringDivision division;
    std::string str = "a,b,c";
    EXPECT_EQ(division.CutField(str, ",", 0), "a");
    EXPECT_EQ(str, "b,c");
    str = "a,b,c";
    EXPECT_EQ(division.CutField(str, ",", 1), "a,b");
    EXPECT_EQ(str, "c");
    str = "a,b";
    EXPECT_EQ(division.CutField(str, ",", 1), ",");
    EXPECT_EQ(str, "a,b");
    str = " a , b ";
    EXPECT_EQ(division.CutField(str, ",", 0, kTrimFront | kTrimBack), "a");
    EXPECT_EQ(str, "b");
}

TEST(TStringDivisionCutField, GetFieldFallsBackToTheDefault) {
    TStringDivision division;
    std::string str = "abc";
    EXPECT_EQ(division.GetField(str, ";", 0, "dflt", true), "dflt");
    EXPECT_EQ(str, "abc");
    str = ";x";
    EXPECT_EQ(division.GetField(str, ";", 0, "dflt", false), "dflt");
    str = ";x";
    EXPECT_EQ(division.GetField(str, ";", 0, "dflt", true), "");
    EXPECT_EQ(str, "x");
}

TEST(TStringDivisionCutField, CutsFromTheEnd) {
    TStringDivision division;
    std::string str = "a,b,c";
    EXPECT_EQ(division.CutFieldFromEnd(str, ",", 0), "c");
    EXPECT_EQ(str, "a,b");
    str = "a,b,c";
    EXPECT_EQ(division.CutFieldFromEnd(str, ",", 1), "b,c");
    EXPECT_EQ(str, "a");
    str = "a,b";
    EXPECT_EQ(division.CutFieldFromEnd(str, ",", 1), ",");
    EXPECT_EQ(str, "a,b");
    str = "a::b::c";
    EXPECT_EQ(division.CutFieldFromEnd(str, "::", 1), "b::c");
    EXPECT_EQ(str, "a");
}

TEST(TStringDivisionPieces, CountsFromTheFrontAndFromTheEnd) {
    TStringDivision division;
    const std::vector<std::string> front = {"a", "b", "c", "c"};
    const std::vector<std::string> back = {"c", "b", "a", "a"};
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(division.GetPiece("a, b ,c", ",", n == 3 ? 9 : n, kTrimFront | kTrimBack),
                  front[n]);
        EXPECT_EQ(division.GetPieceFromEnd("a, b ,c", ",", n == 3 ? 9 : n, kTrimFront | kTrimBack),
                  back[n]);
    }
    EXPECT_EQ(division.GetPiece("a\\,b,c", ",", 1, kSkipEscapes), "c");
    EXPECT_EQ(division.GetPieceFromEnd("a,b\\,c", ",", 0, kSkipEscapes), "b\\,c");
}

TEST(TStringDivisionPieces, BetweenTakesFirstOpenAndLastClose) {
    TStringDivision division;
    EXPECT_EQ(division.Between("f( a(b) )x", "(", ")"), " a(b) ");
    EXPECT_EQ(division.Between("f( a(b) )x", "(", ")", kTrimFront | kTrimBack), "a(b)");
    EXPECT_EQ(division.Between("f(a", "(", ")"), ")");
    EXPECT_EQ(division.Between("fa)", "(", ")"), ")");
    EXPECT_EQ(division.Between(")x(", "(", ")"), ")");
    EXPECT_EQ(division.Between("()", "(", ")"), "");
}

TEST(TStringDivisionSplit, KeepsEmptyPiecesAndReplacesTheList) {
    TStringDivision division;
    StringList list = {"old", "items"};
    EXPECT_EQ(division.Split("", ",", list), 1u);
    EXPECT_EQ(list, StringList{""});
    EXPECT_EQ(division.Split("a,,b,", ",", list), 4u);
    EXPECT_EQ(list, (StringList{"a", "", "b", ""}));
    EXPECT_EQ(division.Split("a::b", "::", list), 2u);
    EXPECT_EQ(list, (StringList{"a", "b"}));
    list = {"x,y"};
    EXPECT_EQ(division.Split(list[0], ",", list), 2u);  // the text may live in the list
    EXPECT_EQ(list, (StringList{"x", "y"}));
}

TEST(TStringDivisionSplit, SkipsEscapesAndUnescapesPieces) {
    TStringDivision division = LibraryDivision();
    StringList list;
    EXPECT_EQ(division.Split("a\\,b,c", ",", list, kSkipEscapes), 2u);
    EXPECT_EQ(list, (StringList{"a\\,b", "c"}));
    EXPECT_EQ(division.Split("a\\,b,c", ",", list, kSkipEscapes | kUnescape), 2u);
    EXPECT_EQ(list, (StringList{"a,b", "c"}));
}

TEST(TStringDivisionSplit, SkipsNestedBracketsAndUsesTheWorkList) {
    TStringDivision division;
    EXPECT_EQ(division.Split("f(a,b),g(c,(d,e)),h", ",", kSkipBrackets), 3u);
    EXPECT_EQ(division.WorkList(), (StringList{"f(a,b)", "g(c,(d,e))", "h"}));
    EXPECT_EQ(division.Join("|"), "f(a,b)|g(c,(d,e))|h");
}

TEST(TStringDivisionJoin, PutsSeparatorsOnlyBetweenItems) {
    EXPECT_EQ(TStringDivision::Join(",", {}), "");
    EXPECT_EQ(TStringDivision::Join(",", {"a"}), "a");
    EXPECT_EQ(TStringDivision::Join("\r\n", {"a", "", "b"}), "a\r\n\r\nb");
}

TEST(TStringDivisionTrim, RemovesBlanksAtEitherEnd) {
    TStringDivision division;
    EXPECT_EQ(division.Trim(" \t a b \t", kTrimFront), "a b \t");
    EXPECT_EQ(division.Trim(" \t a b \t", kTrimBack), " \t a b");
    EXPECT_EQ(division.Trim(" \t a b \t", kTrimFront | kTrimBack), "a b");
    EXPECT_EQ(division.Trim("   ", kTrimFront | kTrimBack), "");
    EXPECT_EQ(division.Trim("", kTrimFront), "");
    EXPECT_EQ(division.Normalize("  a  ", kTrimBack), "  a");
}

TEST(TStringDivisionTrim, NeverRemovesTheTrailByteOfACharacter) {
    TStringDivision division;
    division.SetSyntax(std::nullopt, std::nullopt, std::nullopt, std::nullopt, BlankSet{"@"});
    EXPECT_EQ(division.Trim("xy\x81@", kTrimBack), "xy\x81@");  // 0x81 0x40 is one character
    EXPECT_EQ(division.Trim("xy@@", kTrimBack), "xy");
    EXPECT_EQ(division.Trim(" x", kTrimFront), " x");  // the old blanks are gone
}

// --- escapes --------------------------------------------------------------------------------

TEST(TStringDivisionEscape, DefaultMapHandlesBracketsAndBackslash) {
    TStringDivision division;
    EXPECT_EQ(division.Normalize("\\(x\\)\\\\", kUnescape), "(x)\\");
    EXPECT_EQ(division.Normalize("(x)\\", kEscapeFlags), "\\(x\\)\\\\");
    EXPECT_EQ(division.Normalize("\\%", kUnescape), "\\%");  // not in the default map
}

TEST(TStringDivisionEscape, LibraryMapEscapesItsFiveForms) {
    TStringDivision division = LibraryDivision();
    EXPECT_EQ(division.Normalize("a%b#c,d\\e||f|g", kEscapeFlags), "a\\%b\\#c\\,d\\\\e\\||f|g");
    EXPECT_EQ(division.Normalize("a\\%b\\#c\\,d\\\\e\\||f|g", kUnescape), "a%b#c,d\\e||f|g");
    // Other backslash pairs stay as they are, both bytes.
    EXPECT_EQ(division.Normalize("\\a\\|x", kUnescape), "\\a\\|x");
}

TEST(TStringDivisionEscape, EveryByteAndBytePairRoundTrips) {
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

TEST(TStringDivisionEscape, BackslashSecondByteAtTheStartIsEscaped) {
    TStringDivision division = LibraryDivision();
    EXPECT_EQ(division.Normalize(kHyo, kEscapeFlags), kHyo + "\\");
    EXPECT_EQ(division.Normalize(kSo + "a", kEscapeFlags), kSo + "\\a");
    EXPECT_EQ(division.Normalize(kHyo + "\\", kUnescape), kHyo);
    EXPECT_EQ(division.Normalize(kSo + "\\a", kUnescape), kSo + "a");
}

TEST(TStringDivisionEscape, BackslashSecondByteInsideATextIsLeftAlone) {
    TStringDivision division = LibraryDivision();
    EXPECT_EQ(division.Normalize("ab" + kHyo, kEscapeFlags), "ab" + kHyo);
    EXPECT_EQ(division.Normalize("ab" + kHyo + "#", kEscapeFlags), "ab" + kHyo + "\\#");
    EXPECT_EQ(division.Normalize("ab" + kHyo + "#", kUnescape), "ab" + kHyo + "#");
    EXPECT_EQ(division.Normalize("ab" + kSo + "\\", kEscapeFlags), "ab" + kSo + "\\\\");
}

TEST(TStringDivisionEscape, EscapedFormStaysReadableAfterAnEarlierEscape) {
    TStringDivision division = LibraryDivision();
    // The escape before 表 moves it, so its 0x5C lands on a trail position: not escaped.
    EXPECT_EQ(division.Normalize("#" + kHyo, kEscapeFlags), "\\#" + kHyo);
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

// --- wildcards ------------------------------------------------------------------------------

// The pieces joined by "|"; "~" where the case does not look at them.
std::string Joined(const StringList& pieces) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        out += (i ? "|" : "") + pieces[i];
    return out;
}

TEST(TStringDivisionMatch, WildcardsMatchWholeCharacters) {
    const struct {
        std::string pattern, text;
        bool matched;
        std::string patternPieces = "~", textPieces = "~";
    } cases[] = {
        // Literal text matches as a prefix, exactly.
        {"abc", "abc", true},
        {"abd", "abc", false},
        {"abc", "ab", false},
        {"a", "", false},
        {"Abc", "abc", false},
        {"ab", "abc", true, "ab", "ab"},
        // A star takes text up to its anchor, without backtracking; trailing, the rest.
        {"a*c", "abbc", true, "a|*|c", "a|bb|c"},
        {"a*c", "abb", false},
        {"a*cd", "acbcd", false},
        {"ab*", "abxyz", true, "ab|*", "ab|xyz"},
        {"ab**", "ab", true, "ab|**", "ab|"},
        {"*", "", true},
        // "?" takes a whole character; after a star each "?" needs one; a "?" run may meet
        // the end of the text when only stars follow.
        {"a?c", "abc", true},
        {"a?c", "abd", false},
        {"ab?", "ab", false},
        {"?x", kHyo + "x", true, "~", kHyo + "|x"},
        {"*??", "a" + kSo + "b", true, "*??", "a" + kSo + "b"},
        {"*??", "a", false},
        {"x??*", "xy", true, "x|??*", "x|y"},
        // Wildcard bytes inside double-byte characters are ordinary; the anchor after a star
        // is a whole character and never found on a trail byte.
        {"xy\x81*", "xy\x81*", true},
        {"xy\x81*", "xy\x81zzz", false},
        {"xy\x81?", "xy\x81?", true},
        {"xy\x81?", "xy\x81\x41", false},
        {"*\\", "ab" + kHyo + "\\", true, "~", "ab" + kHyo + "|\\"},
        {"*" + kHyo, "ab" + kHyo + "c", true, "~", "ab|" + kHyo},
    };
    for (const auto& c : cases) {
        StringList patternPieces, textPieces;
        EXPECT_EQ(TStringDivision().Match(c.pattern, c.text, &patternPieces, &textPieces),
                  c.matched)
            << c.pattern << " " << c.text;
        if (c.patternPieces != "~") {
            EXPECT_EQ(Joined(patternPieces), c.patternPieces);
        }
        if (c.textPieces != "~") {
            EXPECT_EQ(Joined(textPieces), c.textPieces);
        }
    }
}

// --- numbers --------------------------------------------------------------------------------

TEST(TStringDivisionNumbers, UnsignedParsingWithAutomaticBase) {
    EXPECT_EQ(TStringDivision::ToULong("12x", 7), 7u);
    EXPECT_EQ(TStringDivision::ToULong("", 7), 0u);
    EXPECT_EQ(TStringDivision::ToULong("010", 0), 8u);
    EXPECT_EQ(TStringDivision::ToULong("08", 7), 7u);
    EXPECT_EQ(TStringDivision::ToULong("0x1F", 0), 31u);
    EXPECT_EQ(TStringDivision::ToULong("0X1f", 0), 31u);
    EXPECT_EQ(TStringDivision::ToULong("0x", 7), 7u);
    EXPECT_EQ(TStringDivision::ToULong("0", 7), 0u);
    EXPECT_EQ(TStringDivision::ToULong(" +12", 7), 12u);
    EXPECT_EQ(TStringDivision::ToULong("12 ", 7), 7u);
    EXPECT_EQ(TStringDivision::ToULong(" ", 7), 7u);
    EXPECT_EQ(TStringDivision::ToULong("-", 7), 7u);
}

TEST(TStringDivisionNumbers, UnsignedParsingWrapsAndSaturatesAt32Bits) {
    EXPECT_EQ(TStringDivision::ToULong("-1", 0), 4294967295u);
    EXPECT_EQ(TStringDivision::ToULong("-5", 0), 4294967291u);
    EXPECT_EQ(TStringDivision::ToULong("4294967295", 0), 4294967295u);
    EXPECT_EQ(TStringDivision::ToULong("4294967296", 0), 4294967295u);
    EXPECT_EQ(TStringDivision::ToULong("0x123456789", 0), 4294967295u);
    EXPECT_EQ(TStringDivision::ToULong("-4294967296", 0), 4294967295u);
}

TEST(TStringDivisionNumbers, SignedParsingSaturatesAt32Bits) {
    EXPECT_EQ(TStringDivision::ToLong("-1", 0), -1);
    EXPECT_EQ(TStringDivision::ToLong("-010", 0), -8);
    EXPECT_EQ(TStringDivision::ToLong("0x7fffffff", 0), INT32_MAX);
    EXPECT_EQ(TStringDivision::ToLong("3000000000", 0), INT32_MAX);
    EXPECT_EQ(TStringDivision::ToLong("-2147483648", 0), INT32_MIN);
    EXPECT_EQ(TStringDivision::ToLong("-3000000000", 0), INT32_MIN);
    EXPECT_EQ(TStringDivision::ToLong("abc", -3), -3);
    EXPECT_EQ(TStringDivision::ToLong("", -3), 0);
}

TEST(TStringDivisionNumbers, FormatPrintsAs32BitValues) {
    EXPECT_EQ(TStringDivision::Format("u", 5), "5");
    EXPECT_EQ(TStringDivision::Format("u", -4), "4294967292");
    EXPECT_EQ(TStringDivision::Format("d", -1), "-1");
    EXPECT_EQ(TStringDivision::Format("d", 4294967295LL), "-1");
    EXPECT_EQ(TStringDivision::Format("x", 255), "ff");
    EXPECT_EQ(TStringDivision::Format("08X", 255), "000000FF");
    EXPECT_EQ(TStringDivision::Format("o", 8), "10");
    EXPECT_EQ(TStringDivision::Format("lu", 7), "7");
    EXPECT_EQ(TStringDivision::Format("-4d", 7), "7   ");
}

TEST(TStringDivisionNumbers, FormatRefusesWhatIsNotAnIntegerConversion) {
    EXPECT_EQ(TStringDivision::Format("s", 1), "");
    EXPECT_EQ(TStringDivision::Format("n", 1), "");
    EXPECT_EQ(TStringDivision::Format("", 1), "");
    EXPECT_EQ(TStringDivision::Format("*d", 1), "");
    EXPECT_EQ(TStringDivision::Format("du", 1), "");
    EXPECT_EQ(TStringDivision::Format("300d", 1).size(), 255u);  // the 256-byte buffer
}

// --- syntax ---------------------------------------------------------------------------------

TEST(TStringDivisionSyntax, GivenPartsReplaceAndAbsentPartsStay) {
    TStringDivision division;
    EXPECT_EQ(division.EscapeMapping().size(), 3u);
    division.SetSyntax(std::string("<"), std::nullopt, std::string("^"), EscapeMap{{"^^", "^"}},
                       std::nullopt);
    EXPECT_EQ(division.OpenBracket(), "<");
    EXPECT_EQ(division.CloseBracket(), ")");
    EXPECT_EQ(division.Escape(), "^");
    EXPECT_EQ(division.EscapeMapping(), (EscapeMap{{"^^", "^"}}));
    EXPECT_EQ(division.Blanks(), (BlankSet{" ", "\t"}));
    EXPECT_EQ(
        division.Find("<a,b)^,c,d", ",", 0, TStringDivision::npos, kSkipBrackets | kSkipEscapes),
        8u);
}

}  // namespace
}  // namespace tabrix
