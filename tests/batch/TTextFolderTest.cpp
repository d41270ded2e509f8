#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "batch/TTextFolder.h"
#include "model/TextCodec.h"

namespace tabrix {
namespace {

using test::Sj;

std::string Fold(const std::string& utf8, unsigned flags) {
    return TextCodec::ToUtf8(TTextFolder::Fold(Sj(utf8), flags));
}

// The UTF-8 form of one code point.
std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

TEST(TTextFolderTest, WidthFoldingTurnsEveryPrintableAsciiIntoItsFullWidthForm) {
    for (char32_t c = 0x20; c <= 0x7E; ++c) {
        std::string in(1, static_cast<char>(c));
        char32_t full = c == 0x20 ? 0x3000 : c - 0x21 + 0xFF01;
        EXPECT_EQ(TextCodec::ToUtf8(TTextFolder::Fold(in, kFoldWidth)), Utf8(full))
            << "byte " << static_cast<int>(c);
    }
}

TEST(TTextFolderTest, WidthFoldingTurnsHalfWidthKanaIntoFullWidth) {
    EXPECT_EQ(Fold("｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ", kFoldWidth),
              "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテト"
              "ナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜");
}

TEST(TTextFolderTest, WidthFoldingComposesVoicedAndSemiVoicedMarks) {
    EXPECT_EQ(Fold("ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ", kFoldWidth),
              "ガギグゲゴザジズゼゾダヂヅデドバビブベボ");
    EXPECT_EQ(Fold("ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", kFoldWidth), "パピプペポ");
    EXPECT_EQ(Fold("ｳﾞ", kFoldWidth), "ヴ");
    // No composed form: the mark stays a mark of its own.
    EXPECT_EQ(Fold("ｱﾞｶﾟﾞ", kFoldWidth), "ア゛カ゜゛");
    EXPECT_EQ(Fold("ｶﾞ", kFoldKana | kFoldCase), "ｶﾞ");  // width folding is off
}

TEST(TTextFolderTest, KanaFoldingTurnsEveryHiraganaIntoKatakana) {
    for (unsigned code = 0x829F; code <= 0x82F1; ++code) {
        std::string in = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        std::string hiragana = TextCodec::ToUtf8(in);
        ASSERT_EQ(hiragana.size(), 3u);
        char32_t c = (hiragana[0] & 0x0F) << 12 | (hiragana[1] & 0x3F) << 6 | (hiragana[2] & 0x3F);
        EXPECT_EQ(TextCodec::ToUtf8(TTextFolder::Fold(in, kFoldKana)), Utf8(c + 0x60))
            << std::hex << code;
    }
    EXPECT_EQ(Fold("ゝゞ", kFoldKana), "ヽヾ");
    EXPECT_EQ(Fold("カタカナ、漢字ａ", kFoldKana), "カタカナ、漢字ａ");
    EXPECT_EQ(Fold("ひらがな", kFoldWidth | kFoldCase), "ひらがな");
}

TEST(TTextFolderTest, CaseFoldingLowersLatinGreekCyrillicAndRomanNumerals) {
    EXPECT_EQ(Fold("ABCxyZ09", kFoldCase), "abcxyz09");
    EXPECT_EQ(Fold("ＡＢＣＺａ", kFoldCase), "ａｂｃｚａ");
    EXPECT_EQ(Fold("ΑΒΓΩαω", kFoldCase), "αβγωαω");
    EXPECT_EQ(Fold("АБЕЁЖНОПЯ", kFoldCase), "абеёжнопя");
    EXPECT_EQ(Fold("ⅠⅡⅩ", kFoldCase), "ⅰⅱⅹ");
    EXPECT_EQ(Fold("ABC", kFoldWidth | kFoldCase), "ａｂｃ");
    EXPECT_EQ(Fold("ＡＢＣ", kFoldWidth), "ＡＢＣ");
}

TEST(TTextFolderTest, DoubleByteCharactersAreNeverTakenApart) {
    // 表 and ソ end in 0x5C and 能 in 0x5C too; none of them may turn into a full-width
    // backslash, and 0x41 as a trail byte (ア is 0x83 0x41) is no letter A.
    EXPECT_EQ(Fold("表ソ能ア", kFoldAll), "表ソ能ア");
    std::string lone = Sj("あ");
    lone.pop_back();  // a lead byte at the very end is copied
    EXPECT_EQ(TTextFolder::Fold("A" + lone, kFoldCase), "a" + lone);
    EXPECT_EQ(TTextFolder::Fold("", kFoldAll), "");
}

}  // namespace
}  // namespace tabrix
