#include "format/TSyntaxColourer.h"

#include <gtest/gtest.h>

#include "FormatFixture.h"

namespace tabrix {
namespace {

using namespace test;

// A colour as a short name: K black, B blue, P purple, R red, G green, O orange (comments),
// A amber (line break, INDEX, SIZE, WARD_WRAP), L olive (BREAK), E EDIT, C the CNG_ words,
// Y~ struck-out yellow; any other colour as its hexadecimal value.
std::string ColourName(const TColourSpan& span) {
    if (span.strikeout) return span.colour == TSyntaxColourer::kStruckYellow ? "Y~" : "?~";
    switch (span.colour) {
        case 0x000000:
            return "K";
        case 0xFF0000:
            return "B";
        case 0x800080:
            return "P";
        case 0x0000FF:
            return "R";
        case 0x008000:
            return "G";
        case 0x0080FF:
            return "O";
        case 0x4080FF:
            return "A";
        case 0x008080:
            return "L";
        case 0xFF8000:
            return "E";
        case 0x408020:
            return "C";
        default: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "#%06X", span.colour);
            return hex;
        }
    }
}

class SyntaxColourerTest : public FormatFixture {
protected:
    StringList Lines(const std::vector<std::string>& utf8) {
        StringList lines;
        for (const std::string& line : utf8)
            lines.push_back(Sj(line));
        return lines;
    }

    // The spans as "colour'text'" in order, lines parted by " | ".
    std::string Shape(const StringList& lines, const ColourSpans& spans) {
        std::string shape;
        std::size_t line = 0;
        for (const TColourSpan& span : spans) {
            if (!shape.empty()) shape += span.line != line ? " | " : " ";
            line = span.line;
            std::string text = lines[span.line].substr(span.begin, span.end - span.begin);
            shape += ColourName(span) + "'" + TextCodec::ToUtf8(text) + "'";
        }
        return shape;
    }

    std::string ShapeOf(const std::vector<std::string>& utf8) {
        StringList lines = Lines(utf8);
        return Shape(lines, TSyntaxColourer(library).Colour(lines));
    }
};

TEST_F(SyntaxColourerTest, NodeKindsGetTheirColours) {
    const struct {
        const char* format;
        const char* shape;
    } cases[] = {
        {"%名称%", "P'%' B'名称' P'%'"},
        {"%名前%", "P'%' K'名前' P'%'"},                     // no such identifier: plain text
        {"%EDIT(+, 名称)%", "P'%' Y~'EDIT(+, 名称)' P'%'"},  // too few arguments
        {"%EDIT(+, 価格, 10)%", "P'%' E'EDIT(+, 価格, 10)' P'%'"},
        {"%TO(UPPER,名称)%", "P'%' Y~'TO(UPPER,名称)' P'%'"},  // compiles, but has no colour
        {"%IF,名称,==,a%x%END_IF%", "P'%' R'IF,名称,==,a' P'%' K'x' P'%' R'END_IF' P'%'"},
        {"%IF_EXIST,名称%%IF_EMPTY,名称%", "P'%' R'IF_EXIST,名称' P'%' P'%' R'IF_EMPTY,名称' P'%'"},
        {"%WHILE,配列%%BREAK%%WEND%",
         "P'%' G'WHILE,配列' P'%' P'%' L'BREAK' P'%' P'%' G'WEND' P'%'"},
        {"%\\n%%INDEX%%WARD_WRAP%", "P'%' A'\\n' P'%' P'%' A'INDEX' P'%' P'%' A'WARD_WRAP' P'%'"},
        {"%NO_WRAP%%NEXT%%BACK%%IS_OUTPUT%",
         "P'%' Y~'NO_WRAP' P'%' P'%' Y~'NEXT' P'%' P'%' Y~'BACK' P'%' P'%' Y~'IS_OUTPUT' P'%'"},
        {"%CNG_GROUP->NAME%%CNG_LIBRARY->FREE_TEXT->1%",
         "P'%' C'CNG_GROUP->NAME' P'%' P'%' C'CNG_LIBRARY->FREE_TEXT->1' P'%'"},
        {"%/*%note%*/%text", "P'%' O'/*' P'%' O'note' P'%' O'*/' P'%' K'text'"},
        // COLOR shows the colour it sets; a blank after the comma sets colour 0.
        {"%COLOR,FF%%COLOR,FF0000%%COLOR, FF%",
         "P'%' R'COLOR,FF' P'%' P'%' B'COLOR,FF0000' P'%' P'%' K'COLOR, FF' P'%'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShapeOf({c.format}), c.shape) << c.format;
}

TEST_F(SyntaxColourerTest, PiecesSeparatorsAndRemainder) {
    const struct {
        std::vector<std::string> lines;
        const char* shape;
    } cases[] = {
        {{"plain"}, "K'plain'"},
        {{"a%b"}, "K'a' P'%' K'b'"},
        {{"%%"}, "P'%' P'%'"},
        {{" %名称% "}, "K' ' P'%' B'名称' P'%' K' '"},
        {{"100\\%"}, "K'100\\%'"},  // an escaped "%" separates nothing
        {{"%EDIT(\\%, 価格, 3)%"}, "P'%' E'EDIT(\\%, 価格, 3)' P'%'"},
        // A line break between two pieces is a piece of its own that produced no node.
        {{"%名称%", "%名称%"}, "P'%' B'名称' P'%' | P'%' B'名称' P'%'"},
        {{"%名称%", "", "", "%価格%"}, "P'%' B'名称' P'%' | P'%' B'価格' P'%'"},
        // A piece reaching over a line break is one piece and one node.
        {{"%IF,名称,", "==,a%x%END_IF%"},
         "P'%' R'IF,名称,' | R'==,a' P'%' K'x' P'%' R'END_IF' P'%'"},
        // Unclosed: the last piece is text; an IF without END_IF is still an IF.
        {{"%名称"}, "P'%' K'名称'"},
        {{"%IF,名称,==,a%x"}, "P'%' R'IF,名称,==,a' P'%' K'x'"},
        // Errors are struck out, and the pieces after them keep their own colours.
        {{"%名称->x%%WEND%%名称%"}, "P'%' Y~'名称->x' P'%' P'%' Y~'WEND' P'%' P'%' B'名称' P'%'"},
        // A backslash ending a line escapes the "%" that begins the next, as when compiled.
        {{"a\\", "%名称%"}, "K'a\\' | K'%名称' P'%'"},
        {{}, ""},
        {{""}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShapeOf(c.lines), c.shape) << c.shape;
}

TEST_F(SyntaxColourerTest, SecondByteBackslashIsNoEscape) {
    // 表, 十 and ソ have 0x5C, the backslash, for their second byte.
    const struct {
        const char* format;
        const char* shape;
    } cases[] = {
        {"表%名称%", "K'表' P'%' B'名称' P'%'"},            // at the start of the text
        {"%表%名称%", "P'%' K'表' P'%' B'名称' P'%'"},      // at the start of a piece
        {"%ab表%名称%", "P'%' K'ab表' P'%' B'名称' P'%'"},  // inside a piece
        {"%十,x%ソ", "P'%' K'十,x' P'%' K'ソ'"},
        {"ソ\\%%名称%", "K'ソ\\%' P'%' B'名称' P'%'"},  // the real backslash still escapes
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShapeOf({c.format}), c.shape) << c.format;
}

TEST_F(SyntaxColourerTest, SpansCoverEveryByteOnceInOrder) {
    const std::vector<std::vector<std::string>> formats = {
        {"価格: %価格%円%\\n%", "", "%/*%x", "y%*/%%WHILE,配列%%配列%,%WEND%end"},
        {"%", "%", "%%%"},
        {"表\\", "%十%"},
    };
    for (const auto& utf8 : formats) {
        StringList lines = Lines(utf8);
        ColourSpans spans = TSyntaxColourer(library).Colour(lines);
        std::vector<std::size_t> next(lines.size(), 0);
        std::size_t lastLine = 0;
        for (const TColourSpan& span : spans) {
            ASSERT_LT(span.line, lines.size());
            EXPECT_GE(span.line, lastLine);
            EXPECT_EQ(span.begin, next[span.line]);
            EXPECT_LT(span.begin, span.end);
            next[span.line] = span.end;
            lastLine = span.line;
        }
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(next[i], lines[i].size()) << "line " << i;
    }
}

TEST_F(SyntaxColourerTest, ColouringAgainAfterACorrectionGivesTheFreshResult) {
    EXPECT_EQ(ShapeOf({"%EDIT(+, 名称)%"}), "P'%' Y~'EDIT(+, 名称)' P'%'");
    EXPECT_EQ(ShapeOf({"%EDIT(+, 名称, 1)%"}), "P'%' E'EDIT(+, 名称, 1)' P'%'");

    // The identifiers known are those of the parameter list at the time of colouring.
    EXPECT_EQ(ShapeOf({"%名前%"}), "P'%' K'名前' P'%'");
    auto added = std::make_unique<TParameter>();
    added->SetCode(Sj("名前"));
    library.ParameterFile()->AddParameter(std::move(added));
    EXPECT_EQ(ShapeOf({"%名前%"}), "P'%' B'名前' P'%'");
}

TEST_F(SyntaxColourerTest, SpansInUtf16CodeUnits) {
    StringList lines = Lines({"表a%名称%", "ｱ%x"});
    ColourSpans utf16 = TSyntaxColourer::InUtf16(lines, TSyntaxColourer(library).Colour(lines));
    const std::vector<std::array<std::size_t, 3>> expected = {
        {0, 0, 2}, {0, 2, 3}, {0, 3, 5}, {0, 5, 6}, {1, 0, 1}, {1, 1, 2}, {1, 2, 3}};
    ASSERT_EQ(utf16.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(utf16[i].line, expected[i][0]) << i;
        EXPECT_EQ(utf16[i].begin, expected[i][1]) << i;
        EXPECT_EQ(utf16[i].end, expected[i][2]) << i;
    }
    EXPECT_EQ(utf16[2].colour, 0xFF0000u);

    EXPECT_EQ(TSyntaxColourer::Utf16Length(Sj("名称abc")), 5u);
    EXPECT_EQ(TSyntaxColourer::Utf16Length("\x81"), 1u);  // a lone lead byte shows as U+FFFD
    // Spans out of range of their line are clamped, never read past the text.
    ColourSpans clamped =
        TSyntaxColourer::InUtf16({"ab"}, {{0, 1, 9, 0, false}, {3, 0, 1, 0, false}});
    ASSERT_EQ(clamped.size(), 1u);
    EXPECT_EQ(clamped[0].begin, 1u);
    EXPECT_EQ(clamped[0].end, 2u);
}

}  // namespace
}  // namespace tabrix
