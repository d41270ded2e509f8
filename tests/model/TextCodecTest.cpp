#include "model/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace tabrix {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

TEST(TextCodec, InvalidBytesShowReplacementAndNeverAbort) {
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({'a', 0x80, 'b'})), "a" + kReplacement + "b");
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({0xFF})), kReplacement);
    // A lead byte at the end of the text, and one followed by a byte that cannot follow it.
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({'x', 0x95})), "x" + kReplacement);
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({0x81, 0x20})), kReplacement + " ");
    EXPECT_EQ(TextCodec::ToUtf8(""), "");
}

TEST(TextCodec, UnmappableUtf8IsReported) {
    std::string out;
    EXPECT_FALSE(TextCodec::FromUtf8("a😀b", out));
    EXPECT_EQ(out, "a?b");
    EXPECT_FALSE(TextCodec::FromUtf8("\xC3", out));  // truncated UTF-8
    EXPECT_TRUE(TextCodec::FromUtf8("名称", out));
}

// Every double-byte code of the code page: a character that has one code comes back as exactly
// that code; codes that share their character with another code (the NEC and IBM extension
// rows repeat some characters) come back as one code of the same character.
TEST(TextCodec, WholeCodePageRoundTrips) {
    std::map<std::string, std::vector<std::string>> codesOf;  // UTF-8 text -> CP932 codes
    int valid = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            std::string code = Bytes({lead, trail});
            std::string utf8 = TextCodec::ToUtf8(code);
            if (utf8.find(kReplacement) != std::string::npos) continue;
            ++valid;
            codesOf[utf8].push_back(code);
        }
    }
    // JIS rows, NEC row 13, NEC-selected and IBM extensions and the user-defined area.
    EXPECT_GT(valid, 9000);
    int exact = 0;
    for (const auto& [utf8, codes] : codesOf) {
        std::string back;
        ASSERT_TRUE(TextCodec::FromUtf8(utf8, back)) << utf8;
        if (codes.size() == 1) {
            EXPECT_EQ(back, codes.front()) << utf8;
            ++exact;
        } else {
            EXPECT_NE(std::find(codes.begin(), codes.end(), back), codes.end()) << utf8;
        }
    }
    EXPECT_GT(exact, 8700);  // all but the repeated extension characters
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({0x87, 0x40})), "①");  // NEC row 13
    EXPECT_EQ(TextCodec::FromUtf8("①"), Bytes({0x87, 0x40}));
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({0xFA, 0x5C})), "纊");  // IBM extension
    // A second byte in the ASCII range stays with its first between ASCII runs.
    EXPECT_EQ(TextCodec::ToUtf8(Bytes({'a', 0x83, 0x5C, '\\', 0xB1, 0x81, 0x40, 'z'})),
              "a\xE3\x82\xBD\\\xEF\xBD\xB1\xE3\x80\x80z");  // aソ\ｱ　z
    EXPECT_EQ(TextCodec::FromUtf8("纊"), Bytes({0xFA, 0x5C}));
    for (int b = 0xA1; b <= 0xDF; ++b) {
        std::string code = Bytes({b});
        EXPECT_EQ(TextCodec::FromUtf8(TextCodec::ToUtf8(code)), code);
    }
    for (int b = 0; b < 0x80; ++b) {
        std::string code = Bytes({b});
        EXPECT_EQ(TextCodec::ToUtf8(code), code);
    }
}

}  // namespace
}  // namespace tabrix
