#include <gtest/gtest.h>

#include "FormatFixture.h"

namespace tabrix {
namespace {

using namespace test;

// A node as "kind#number'text'!(children)": number only when non-zero, text only when
// non-empty, "!" when unclosed.
std::string Shape(const TCodeData& node) {
    std::string shape = std::to_string(node.kind);
    if (node.number != 0) shape.append("#").append(std::to_string(node.number));
    if (!node.text.empty()) shape.append("'").append(TextCodec::ToUtf8(node.text)).append("'");
    if (node.unclosed) shape += "!";
    if (!node.children.empty()) {
        shape += "(";
        for (std::size_t i = 0; i < node.children.size(); ++i)
            shape.append(i ? "," : "").append(Shape(node.children[i]));
        shape += ")";
    }
    return shape;
}

std::string Shape(const CodeList& code) {
    std::string shape;
    for (const TCodeData& node : code)
        shape.append(shape.empty() ? "" : " ").append(Shape(node));
    return shape;
}

class CompilerTest : public test::FormatFixture {
protected:
    std::string ShapeOf(const std::string& utf8) { return Shape(Compile(utf8)); }
};

TEST_F(CompilerTest, CuttingIntoPieces) {
    EXPECT_EQ(ShapeOf("plain"), "4'plain'");
    EXPECT_EQ(ShapeOf("a%b"), "4'a' 4'b'");  // first and last piece only: no code piece
    EXPECT_EQ(ShapeOf("%名称%%名称%"), "5 5");
    EXPECT_EQ(ShapeOf(" %名称% "), "4' ' 5 4' '");
    EXPECT_EQ(ShapeOf("100\\%"), "4'100%'");
    EXPECT_EQ(ShapeOf("100%%"), "4'100'");
    EXPECT_EQ(ShapeOf("%abc%"), "4'abc'");
    // A 0x5C trail byte is no escape: 表 does not hide the separator after it.
    EXPECT_EQ(ShapeOf("ab表%名称%ソ%価格%"), "4'ab表' 5 4'ソ' 5#1");
    EXPECT_EQ(Shape(Compile("")), "");
    CodeList code;
    TFormatCompiler(library).Compile({}, code);
    EXPECT_TRUE(code.empty());
}

TEST_F(CompilerTest, ADoubleByteCharacterStartingTheTextOrAPieceStaysWhole) {
    // Each of these characters has 0x5C, the backslash, for its second byte.
    const struct {
        const char* format;
        const char* shape;
    } cases[] = {
        {"十%\\n%", "4'十' 7"},           // not "\%" escaped, not "\n" printed as text
        {"%十,x%", "4'十,x'"},            // the second unescaping keeps the 0x5C too
        {"%表%", "4'表'"},                // inside the pair of "%", not an escaped "%"
        {"ソ\\%", "4'ソ%'"},              // the backslash after it still escapes
        {"能%名称%予", "4'能' 5 4'予'"},  // a last piece starting with one
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShapeOf(c.format), c.shape) << c.format;
    // The library's own division keeps the rule its element files were written with.
    EXPECT_FALSE(library.Division().LeadAtStart());
}

TEST_F(CompilerTest, LinesAreJoinedWithoutBreaks) {
    CodeList code;
    TFormatCompiler(library).Compile({Sj("%名"), Sj("称%"), Sj("%価格%")}, code);
    EXPECT_EQ(Shape(code), "5 5#1");
}

TEST_F(CompilerTest, MiddleTextIsUnescapedTwice) {
    // Four backslashes in a middle piece reach the text as one; two in an outer piece do.
    EXPECT_EQ(ShapeOf("%a\\\\\\\\b%"), "4'a\\b'");
    EXPECT_EQ(ShapeOf("a\\\\b"), "4'a\\b'");
    EXPECT_EQ(ShapeOf("%x\\\\,y%"), "4'x,y'");
    EXPECT_EQ(ShapeOf("%\\q%"), "4'\\q'");  // unknown pairs stay
}

TEST_F(CompilerTest, References) {
    EXPECT_EQ(ShapeOf("% 名称 %"), "5");
    EXPECT_EQ(ShapeOf("%参照->名称%"), "5#4(5)");
    EXPECT_EQ(ShapeOf("%参照->参照->価格%"), "5#4(5#4(5#1))");
    EXPECT_EQ(ShapeOf("%名称->x%"), "0");
    EXPECT_EQ(ShapeOf("%配列->INDEX%"), "5#3(124)");
    EXPECT_EQ(ShapeOf("%INDEX%%IS_OUTPUT%"), "124 125");
    EXPECT_EQ(ShapeOf("%CNG_GROUP->NAME%"), "120(126)");
    EXPECT_EQ(ShapeOf("%CNG_GROUP->SIZE->whatever%"), "120(123)");
    EXPECT_EQ(ShapeOf("%CNG_GROUP->TITLE%"), "0");
    EXPECT_EQ(ShapeOf("%CNG_GROUP%"), "120");
    EXPECT_EQ(ShapeOf("%CNG_LIBRARY->FREE_TEXT->2%"), "121(122#2)");
    EXPECT_EQ(ShapeOf("%CNG_LIBRARY->FREE_TEXT->0x10%"), "121(122#16)");
    EXPECT_EQ(ShapeOf("%CNG_LIBRARY->FREE_TEXT%"), "0");
    EXPECT_EQ(ShapeOf("%CNG_LIBRARY->FREE_TEXT->two%"), "0");
    EXPECT_EQ(ShapeOf("%CNG_LIBRARY->NAME%"), "0");
}

TEST_F(CompilerTest, ValueWordsHideParameters) {
    Param(kName).SetCode("INDEX");
    library.ParameterFile()->CodeMap()["INDEX"] = &Param(kName);
    Param(kPrice).SetCode("NEXT");
    library.ParameterFile()->CodeMap()["NEXT"] = &Param(kPrice);
    EXPECT_EQ(ShapeOf("%INDEX%%NEXT%"), "124 108");
}

TEST_F(CompilerTest, Functions) {
    EXPECT_EQ(ShapeOf("%EDIT(+, 価格, 10)%"), "119#2(5#1,1#10)");
    EXPECT_EQ(ShapeOf("%EDIT(+, 価格, -0x10)%"), "119#2(5#1,1#-16)");
    EXPECT_EQ(ShapeOf("%EDIT(+, 価格, abc)%"), "0");
    EXPECT_EQ(ShapeOf("%EDIT(+, 価格, 10 )%"), "0");  // a trailing blank is no number
    EXPECT_EQ(ShapeOf("%EDIT(+, 価格)%"), "0");
    EXPECT_EQ(ShapeOf("%EDIT(\\%, 価格, 3)%"), "119#6(5#1,1#3)");
    EXPECT_EQ(ShapeOf("%EDIT(<:, 名称, 山)%"), "119#13(5,4' 山')");
    EXPECT_EQ(ShapeOf("%EDIT(~, 価格)%"), "119#10(5#1)");
    EXPECT_EQ(ShapeOf("%EDIT(SUBSTR, 名称, 1, 2)%"), "119#20(5,4' 1',4' 2')");
    EXPECT_EQ(ShapeOf("%EDIT(SUBSTR, 名称, 1)%"), "0");
    EXPECT_EQ(ShapeOf("%EDIT(REPLACE, 名称, (a,名称, b), x)%"), "119#1(5,4'a',5,4' b')");
    EXPECT_EQ(ShapeOf("%EDIT(REPLACE, 名称, a, x)%"), "0");
    EXPECT_EQ(ShapeOf("%EDIT(+, EDIT(*, 価格, 2), 1)%"), "119#2(119#4(5#1,1#2),1#1)");
    EXPECT_EQ(ShapeOf("%EDIT(POW, 価格, 1)%"), "0");
    EXPECT_EQ(ShapeOf("%TO(UPPER, 12)%"), "129#1(4' 12')");
    EXPECT_EQ(ShapeOf("%TO(NUM_SIGNED, abc)%"), "0");
    EXPECT_EQ(ShapeOf("%TO(NUM_SIGNED,12)%"), "129#7(1#12)");
    EXPECT_EQ(ShapeOf("%TO(NUM_UNSIGNED,12)%"), "129#8(2#12)");
    EXPECT_EQ(ShapeOf("%TO(STRING, 名称)%"), "129#9(5)");
    EXPECT_EQ(ShapeOf("%TO(STRING, abc)%"), "0");
    EXPECT_EQ(ShapeOf("%TO(UPPER)%"), "0");
    EXPECT_EQ(ShapeOf("%TO UPPER, 名称%"), "4'TO UPPER, 名称'");  // no brackets: plain text
    EXPECT_EQ(ShapeOf("%TO(BIG, 名称)%"), "0");
}

TEST_F(CompilerTest, Conditions) {
    EXPECT_EQ(ShapeOf("%IF,名称,==,abc%x%END_IF%"), "114#1(5,3#17,4'abc') 4'x' 115");
    EXPECT_EQ(ShapeOf("%IF, 価格, ~=, 3%%END_IF%"), "0 115");
    EXPECT_EQ(ShapeOf("%IF, 価格, ==%"), "0");
    EXPECT_EQ(ShapeOf("%IF%"), "0");
    EXPECT_EQ(ShapeOf("%IF, abc, ==, 1%"), "0");  // the left operand must be a reference
    EXPECT_EQ(ShapeOf("%IF, 価格, < , 1, ignored%"), "114!(5#1,3#21,4' 1')");
    EXPECT_EQ(ShapeOf("%IF_EMPTY, 名称%(なし)%END_IF%"), "113#1(5) 4'(なし)' 115");
    EXPECT_EQ(ShapeOf("%IF_EXIST%"), "0");  // the word itself is read as the reference
    EXPECT_EQ(ShapeOf("%END_IF%"), "115");
    // A block opened at position 0 and closed at once has number 0, yet is not unclosed.
    EXPECT_EQ(ShapeOf("%IF_EXIST,名称%%END_IF%"), "112(5) 115");
    EXPECT_EQ(ShapeOf("%IF_EXIST,名称%"), "112!(5)");
}

TEST_F(CompilerTest, LoopsAndBreaks) {
    EXPECT_EQ(ShapeOf("%WHILE,配列%%配列%,%WEND%"), "110#3(5#3) 5#3 4',' 111");
    EXPECT_EQ(ShapeOf("%WEND%"), "0");
    EXPECT_EQ(ShapeOf("%BREAK%"), "116!");
    EXPECT_EQ(ShapeOf("%WHILE,配列%%BREAK%%WHILE,参照%%BREAK%%WEND%%BREAK%%WEND%"),
              "110#6(5#3) 116#6 110#4(5#4) 116#4 111#2 116#6 111");
    // Loops and blocks have stacks of their own and may interleave.
    EXPECT_EQ(ShapeOf("%WHILE,配列%%IF_EXIST,名称%%WEND%%END_IF%"), "110#2(5#3) 112#2(5) 111 115");
    EXPECT_EQ(ShapeOf("%WHILE,配列%"), "110!(5#3)");
}

TEST_F(CompilerTest, Statements) {
    EXPECT_EQ(ShapeOf("%COLOR,FF%"), "8#255");
    EXPECT_EQ(ShapeOf("%COLOR,FF0000%"), "8#16711680");
    EXPECT_EQ(ShapeOf("%COLOR, FF%"), "8");
    EXPECT_EQ(ShapeOf("%COLOR,zz%"), "8");
    EXPECT_EQ(ShapeOf("%COLOR,0xFF%"), "8");
    EXPECT_EQ(ShapeOf("%COLOR%"), "8");
    EXPECT_EQ(ShapeOf("%\\n%%NEXT,x%%BACK%%WARD_WRAP%%NO_WRAP%"), "7 108 109 127 128");
    // The word is trimmed, then cut at "->" and not trimmed again.
    EXPECT_EQ(ShapeOf("% WHILE->x, 配列%"), "110!(5#3)");
    EXPECT_EQ(ShapeOf("%WHILE ->x, 配列%"), "4'WHILE ->x, 配列'");
}

TEST_F(CompilerTest, Comments) {
    EXPECT_EQ(ShapeOf("%/*%note%*/%text"), "117 118 118 4'text'");
    EXPECT_EQ(ShapeOf("%/* note%"), "4'/* note'");
    EXPECT_EQ(ShapeOf("%/*%%名称% */ %名称%"), "117 118 118 5");
    // An unterminated comment swallows up to the last piece, which stays text.
    EXPECT_EQ(ShapeOf("%/*%名称%tail"), "117 118 4'tail'");
}

TEST_F(CompilerTest, CompilingTwiceGivesTheSameList) {
    const std::string text = "%WHILE,配列%%配列%%IF,価格,>,0%+%END_IF%%WEND%%/*%c%*/%";
    EXPECT_EQ(Compile(text), Compile(text));
}

TEST_F(CompilerTest, DeepNestingFailsInsteadOfOverflowing) {
    std::string chain = "%";
    for (int i = 0; i < 5000; ++i)
        chain += "参照->";
    chain += "名称%";
    EXPECT_EQ(ShapeOf(chain), "0");
    std::string edits = "%";
    for (int i = 0; i < 5000; ++i)
        edits += "EDIT(+,";
    edits += "価格";
    for (int i = 0; i < 5000; ++i)
        edits += ",1)";
    EXPECT_EQ(ShapeOf(edits + "%"), "0");
}

TEST_F(CompilerTest, CompileAllCoversCompositeParametersAndGroups) {
    library.ParameterFile()->DrawFormat() = {Sj("%名称%")};
    library.ParameterFile()->OutputFormat() = {Sj("%価格%")};
    Param(kArray).OutputFormat() = {Sj("%配列%")};
    Param(kName).OutputFormat() = {Sj("%名称%")};  // plain types have no own formats
    Param(kName).OutputCode().push_back(TCodeData{});
    groupB->Footer() = {Sj("end")};
    TFormatCompiler::CompileAll(library);
    EXPECT_EQ(Shape(library.ParameterFile()->DrawCode()), "5");
    EXPECT_EQ(Shape(library.ParameterFile()->OutputCode()), "5#1");
    EXPECT_EQ(Shape(Param(kArray).OutputCode()), "5#3");
    EXPECT_TRUE(Param(kName).OutputCode().empty());
    EXPECT_EQ(Shape(groupB->FooterCode()), "4'end'");
    EXPECT_TRUE(groupA->HeaderCode().empty());
}

}  // namespace
}  // namespace tabrix
