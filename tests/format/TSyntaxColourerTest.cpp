#include "format/TSyntaxColourer.h"

#include <gtest/gtest.h>

#include <map>

#include "FormatFixture.h"

namespace tabrix {
namespace {

using namespace test;

// A colour as a short name: K black, B blue, P purple, R red, G green, O orange (comments),
// A amber (line break, INDEX, SIZE, WARD_WRAP), L olive (BREAK), E EDIT, C the CNG_ words,
// Y~ struck-out yellow; any other colour as "#" and its decimal value.
std::string ColourName(const TColourSpan& span) {
    if (span.strikeout) return span.colour == TSyntaxColourer::kStruckYellow ? "Y~" : "?~";
    static const std::map<std::uint32_t, std::string> names = {
        {0x000000, "K"}, {0xFF0000, "B"}, {0x800080, "P"}, {0x0000FF, "R"}, {0x008000, "G"},
        {0x0080FF, "O"}, {0x4080FF, "A"}, {0x008080, "L"}, {0xFF8000, "E"}, {0x408020, "C"}};
    auto name = names.find(span.colour);
    return name != names.end() ? name->second
                               : std::string("#").append(std::to_string(span.colour));
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

// The cases of tests/data/format/colour.tsv; a format's lines are parted by "⏎" there.
TEST_F(SyntaxColourerTest, FormatsGetTheirColourSpans) {
    for (const auto& row : ReadTable("format/colour.tsv")) {
        EXPECT_EQ(ShapeOf(SplitAt(row.at(0), "⏎")), row.at(1)) << row[0];
    }
    EXPECT_EQ(ShapeOf({}), "");
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
