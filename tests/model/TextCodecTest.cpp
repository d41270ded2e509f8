#include "model/TextCodec.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <map>
#include <random>
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

// iconv alone, the way text was always converted: the converter's answer up to a byte it
// cannot take, then mark (one replacement for a byte it cannot read, "?" for a character with
// no CP932 form, whose sequence is skipped) and go on.
std::string IconvAlone(const char* to, const char* from, std::string_view text, bool& exact) {
    iconv_t cd = iconv_open(to, from);
    std::string out;
    exact = true;
    char* in = const_cast<char*>(text.data());
    std::size_t left = text.size();
    while (left > 0) {
        char buffer[256];
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &left, &dst, &room);
        out.append(buffer, dst);
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        exact = false;
        const auto lead = static_cast<unsigned char>(*in);
        std::size_t skip = 1;
        if (std::string_view(from) == "CP932") {
            out += kReplacement;
        } else {
            out += '?';
            skip = lead >= 0xF0 && lead <= 0xF4   ? 4
                   : lead >= 0xE0                 ? 3
                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                                  : 1;
        }
        skip = std::min(skip, left);
        in += skip;
        left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

// CP932 text is cut into runs at ASCII (a second byte staying with its first) before it meets
// the converter.
std::string Cp932ByIconv(std::string_view text) {
    std::string out;
    bool exact = false;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t start = i;
        while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
            ++i;
        out.append(text.substr(start, i - start));
        start = i;
        while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80) {
            const auto b = static_cast<unsigned char>(text[i]);
            i += (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 1;
        }
        i = std::min(i, text.size());
        out += IconvAlone("UTF-8", "CP932", text.substr(start, i - start), exact);
    }
    return out;
}

std::string Utf8Of(std::uint32_t code) {
    if (code < 0x80) return Bytes({static_cast<int>(code)});
    if (code < 0x800) return Bytes({0xC0 | int(code >> 6), 0x80 | int(code & 0x3F)});
    return Bytes({0xE0 | int(code >> 12), 0x80 | int(code >> 6 & 0x3F), 0x80 | int(code & 0x3F)});
}

// The conversions' tables must give exactly what the converter gives, character by character
// and for any run of bytes, readable or not.
TEST(TextCodec, AgreesWithIconvAlone) {
    for (int lead = 0x80; lead <= 0xFF; ++lead)
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const std::string code = Bytes({lead, trail});
            ASSERT_EQ(TextCodec::ToUtf8(code), Cp932ByIconv(code)) << lead << " " << trail;
        }
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        const std::string utf8 = std::string(1, 'a').append(Utf8Of(code)) + "z";
        bool expectedExact = false;
        const std::string expected = IconvAlone("CP932", "UTF-8", utf8, expectedExact);
        std::string got;
        ASSERT_EQ(TextCodec::FromUtf8(utf8, got), expectedExact) << code;
        ASSERT_EQ(got, expected) << code;
    }
    std::mt19937 random(932);
    const int pool[] = {'a',  '\\', '~',  0x80, 0x81, 0x82, 0x9F, 0xA0, 0xB1, 0xDE, 0xE0, 0xEF,
                        0xF0, 0xFC, 0xFD, 0xFF, 0x40, 0x7F, 0xC3, 0xA9, 0xE3, 0xED, 0xA0, 0x8F};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int k = static_cast<int>(random() % 12); k > 0; --k)
            text.push_back(static_cast<char>(pool[random() % std::size(pool)]));
        ASSERT_EQ(TextCodec::ToUtf8(text), Cp932ByIconv(text)) << round;
        bool expectedExact = false;
        const std::string expected = IconvAlone("CP932", "UTF-8", text, expectedExact);
        std::string got;
        ASSERT_EQ(TextCodec::FromUtf8(text, got), expectedExact) << round;
        ASSERT_EQ(got, expected) << round;
    }
}

}  // namespace
}  // namespace tabrix
