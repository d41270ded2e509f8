// What iconv makes of every CP932 character and of every character of the Basic Multilingual
// Plane, asked once and kept. iconv takes several times as long a byte as a table look-up, and
// libraries are mostly double-byte text: export, import and the terminal go through these
// tables, and iconv only sees what the tables cannot say.
//
// A part of a table (the characters of one lead byte, or 256 code points) is made the first
// time it is needed, by iconv itself, so the tables hold exactly what iconv answers. Parts are
// made by whichever thread asks first; the others see the finished part or make their own copy.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tabrix {

class Cp932Tables {
public:
    // The UTF-8 form of one CP932 character: size 1..3 bytes; kUnreadable when iconv cannot
    // read it (it stops at the first byte); kAskIconv when iconv answers anything else.
    struct Utf8Form {
        std::uint8_t size = 0;
        char bytes[3] = {};
    };
    static constexpr std::uint8_t kUnreadable = 0;
    static constexpr std::uint8_t kAskIconv = 0xFF;

    // byte: a lead byte (0x81..0x9F, 0xE0..0xFC) with trail, or a single byte 0x80..0xFF
    // other than a lead byte (trail ignored).
    static const Utf8Form& Decode(unsigned char byte, unsigned char trail) {
        return DecodePartOf(byte)[IsLeadByte(byte) ? trail : byte];
    }
    static bool IsLeadByte(unsigned char byte) {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }

    // The CP932 form of the code point (below 0x10000, no surrogate): a single byte (below
    // 0x100) or a lead byte and a trail (high byte first). kNoForm when there is none (iconv
    // stops at its first byte), kAskIconvCode when iconv answers anything else.
    static constexpr std::uint16_t kNoForm = 0xFFFF;
    static constexpr std::uint16_t kAskIconvCode = 0xFFFE;
    static std::uint16_t Encode(std::uint32_t codePoint) {
        return EncodePartOf(codePoint >> 8)[codePoint & 0xFF];
    }

private:
    using DecodePart = std::array<Utf8Form, 256>;
    using EncodePart = std::array<std::uint16_t, 256>;

    static const DecodePart& DecodePartOf(unsigned char byte) {
        const std::size_t index = IsLeadByte(byte) ? byte - 0x80 : 0;
        const DecodePart* part = decodeParts_[index].load(std::memory_order_acquire);
        return part ? *part : *MakeDecodePart(byte);
    }
    static const EncodePart& EncodePartOf(std::uint32_t high) {
        const EncodePart* part = encodeParts_[high].load(std::memory_order_acquire);
        return part ? *part : *MakeEncodePart(high);
    }
    static DecodePart* MakeDecodePart(unsigned char byte);
    static EncodePart* MakeEncodePart(std::uint32_t high);

    // Index: the byte (lead bytes and single bytes alike) less 0x80; the single bytes share
    // one part, at index 0 (0x80 is no lead byte).
    static std::array<std::atomic<DecodePart*>, 128> decodeParts_;
    static std::array<std::atomic<EncodePart*>, 256> encodeParts_;
};

}  // namespace tabrix
