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

// The cases of tests/data/format/compile.tsv: pieces, escapes, references, functions,
// conditions, loops, statements and comments.
TEST_F(CompilerTest, FormatsCompileToTheirShapes) {
    for (const auto& row : ReadTable("format/compile.tsv"))
        EXPECT_EQ(ShapeOf(row.at(0)), row.at(1)) << row[0];
    EXPECT_EQ(Shape(Compile("")), "");
    CodeList code;
    TFormatCompiler(library).Compile({}, code);
    EXPECT_TRUE(code.empty());
    // The library's own division keeps the rule its element files were written with.
    EXPECT_FALSE(library.Division().LeadAtStart());
    TFormatCompiler(library).Compile({Sj("%名"), Sj("称%"), Sj("%価格%")}, code);
    EXPECT_EQ(Shape(code), "5 5#1");  // lines are joined without breaks
}

TEST_F(CompilerTest, ValueWordsHideParameters) {
    Param(kName).SetCode("INDEX");
    library.ParameterFile()->CodeMap()["INDEX"] = &Param(kName);
    Param(kPrice).SetCode("NEXT");
    library.ParameterFile()->CodeMap()["NEXT"] = &Param(kPrice);
    EXPECT_EQ(ShapeOf("%INDEX%%NEXT%"), "124 108");
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
