#include "batch/TTextFolder.h"

#include <array>
#include <cstdint>

namespace tabrix {

namespace {

using Code = std::uint16_t;  // a double-byte character, lead byte high

// Full-width forms of the half-width ASCII characters 0x20 .. 0x7E.
constexpr Code kFullWidthAscii[95] = {
    0x8140, 0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56,  // space ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 0 .. 7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @ A .. G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // H .. O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // P .. W
    0x8277, 0x8278, 0x8279, 0x816D, 0x815F, 0x816E, 0x814F, 0x8151,  // X Y Z [ \ ] ^ _
    0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // ` a .. g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // h .. o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // p .. w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,          // x y z { | } ~
};

// Full-width forms of the half-width katakana and marks 0xA1 .. 0xDF.
constexpr Code kFullWidthKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // 。「」、・ヲァィ
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // ゥェォャュョッー
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // アイウエオカキク
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // ケコサシスセソタ
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // チツテトナニヌネ
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // ノハヒフヘホマミ
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // ムメモヤユヨラリ
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // ルレロワン゛゜
};

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsHalfWidthKana(unsigned char byte) {
    return byte >= 0xA1 && byte <= 0xDF;
}

// The half-width kana that take a voiced mark: カ行, サ行, タ行 and ハ行 (the voiced form is
// the next code of the full-width form), and ウ (whose voiced form ヴ stands elsewhere).
Code VoicedForm(unsigned char kana) {
    if (kana == 0xB3) return 0x8394;  // ｳﾞ -> ヴ
    if ((kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE))
        return kFullWidthKana[kana - 0xA1] + 1;  // ｶﾞ -> ガ, ﾊﾞ -> バ
    return 0;
}

Code SemiVoicedForm(unsigned char kana) {
    if (kana >= 0xCA && kana <= 0xCE) return kFullWidthKana[kana - 0xA1] + 2;  // ﾊﾟ -> パ
    return 0;
}

// ぁ .. み stand at 0x829F .. 0x82DD, ァ .. ミ at 0x8340 .. 0x837E; from む on the katakana
// skip 0x837F. ゝゞ become ヽヾ.
Code ToKatakana(Code code) {
    if (code >= 0x829F && code <= 0x82DD) return code - 0x829F + 0x8340;
    if (code >= 0x82DE && code <= 0x82F1) return code - 0x82DE + 0x8380;
    if (code == 0x8154 || code == 0x8155) return code - 2;
    return code;
}

Code ToLowerCase(Code code) {
    if (code >= 0x8260 && code <= 0x8279) return code + 0x21;  // Ａ .. Ｚ
    if (code >= 0x839F && code <= 0x83B6) return code + 0x20;  // Α .. Ω
    if (code >= 0x8440 && code <= 0x8460) {                    // А .. Я; а .. я skip 0x847F
        Code offset = code - 0x8440;
        return offset < 15 ? 0x8470 + offset : 0x8471 + offset;
    }
    if (code >= 0x8754 && code <= 0x875D) return code - 0x8754 + 0xFA40;  // Ⅰ .. Ⅹ
    return code;
}

char* PutCode(Code code, char* out) {
    out[0] = static_cast<char>(code >> 8);
    out[1] = static_cast<char>(code & 0xFF);
    return out + 2;
}

// Kanji and everything after the Roman numerals (0x875D) fold to themselves; most texts are
// mostly such characters, so they leave at the first test.
inline Code FoldDoubleByte(Code code, unsigned flags) {
    if (code > 0x875D) return code;
    if (flags & kFoldKana) code = ToKatakana(code);
    if (flags & kFoldCase) code = ToLowerCase(code);
    return code;
}

// The double-byte codes below 0x875E folded, looked up rather than tested range by range: one
// table for each way of folding kana and case.
constexpr Code kFirstTabled = 0x8100;
constexpr Code kLastTabled = 0x875D;

struct DoubleByteTable {
    Code folded[kLastTabled - kFirstTabled + 1];
};

const DoubleByteTable& TableFor(unsigned flags) {
    static const auto tables = [] {
        std::array<DoubleByteTable, 4> made{};
        for (unsigned k = 0; k < made.size(); ++k) {
            const unsigned way =
                (k & 1 ? unsigned{kFoldKana} : 0u) | (k & 2 ? unsigned{kFoldCase} : 0u);
            for (unsigned code = kFirstTabled; code <= kLastTabled; ++code)
                made[k].folded[code - kFirstTabled] = FoldDoubleByte(static_cast<Code>(code), way);
        }
        return made;
    }();
    return tables[(flags & kFoldKana ? 1 : 0) | (flags & kFoldCase ? 2 : 0)];
}

}  // namespace

void TTextFolder::FoldInto(std::string_view text, unsigned flags, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + MaxFoldedSize(text.size(), flags));
    char* end = FoldTo(text, flags, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

char* TTextFolder::FoldTo(std::string_view text, unsigned flags, char* out) {
    const bool width = (flags & kFoldWidth) != 0;
    const DoubleByteTable& table = TableFor(flags);
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(byte) && i + 1 < text.size()) {
            auto code = static_cast<Code>(byte << 8 | static_cast<unsigned char>(text[++i]));
            if (code <= kLastTabled) code = table.folded[code - kFirstTabled];
            out = PutCode(code, out);
        } else if (byte >= 0x20 && byte <= 0x7E && width) {
            Code code = kFullWidthAscii[byte - 0x20];
            if (code <= kLastTabled) code = table.folded[code - kFirstTabled];
            out = PutCode(code, out);
        } else if (byte >= 'A' && byte <= 'Z' && (flags & kFoldCase)) {
            *out++ = static_cast<char>(byte + ('a' - 'A'));
        } else if (IsHalfWidthKana(byte) && width) {
            Code composed = 0;
            if (i + 1 < text.size()) {
                auto mark = static_cast<unsigned char>(text[i + 1]);
                if (mark == kVoicedMark) composed = VoicedForm(byte);
                if (mark == kSemiVoicedMark) composed = SemiVoicedForm(byte);
            }
            if (composed != 0) ++i;
            out = PutCode(composed != 0 ? composed : kFullWidthKana[byte - 0xA1], out);
        } else {
            *out++ = static_cast<char>(byte);
        }
    }
    return out;
}

std::string TTextFolder::Fold(std::string_view text, unsigned flags) {
    std::string out;
    FoldInto(text, flags, out);
    return out;
}

}  // namespace tabrix
