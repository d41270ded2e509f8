#include "model/Cp932Tables.h"

#include <iconv.h>

#include <memory>

namespace tabrix {

std::array<std::atomic<Cp932Tables::DecodePart*>, 128> Cp932Tables::decodeParts_{};
std::array<std::atomic<Cp932Tables::EncodePart*>, 256> Cp932Tables::encodeParts_{};

namespace {

// Converts one character with a fresh state: the output, and whether iconv took every byte.
struct Answer {
    bool whole = false;    // every input byte converted, no error
    bool nothing = false;  // stopped at the first byte, nothing written
    std::size_t size = 0;
    char bytes[8] = {};
};

Answer Ask(iconv_t cd, const char* input, std::size_t length) {
    Answer answer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input);
    std::size_t inLeft = length;
    char* out = answer.bytes;
    std::size_t outLeft = sizeof answer.bytes;
    const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    answer.size = sizeof answer.bytes - outLeft;
    answer.whole = rc != static_cast<std::size_t>(-1) && inLeft == 0;
    answer.nothing = !answer.whole && inLeft == length && answer.size == 0;
    return answer;
}

// Parts live as long as the program; one that lost the race to another thread goes at once.
template <typename Part>
Part* Publish(std::atomic<Part*>& slot, std::unique_ptr<Part> made) {
    Part* expected = nullptr;
    if (slot.compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
        return made.release();
    return expected;
}

struct Converter {
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd);
    }
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd;
};

}  // namespace

Cp932Tables::DecodePart* Cp932Tables::MakeDecodePart(unsigned char byte) {
    auto part = std::make_unique<DecodePart>();
    Converter converter("UTF-8", "CP932");
    const bool lead = IsLeadByte(byte);
    for (unsigned second = 0; second < 256; ++second) {
        Utf8Form& form = (*part)[second];
        form.size = kAskIconv;
        if (!converter.valid() || (!lead && second < 0x80)) continue;
        const char input[2] = {static_cast<char>(lead ? byte : second), static_cast<char>(second)};
        const Answer answer = Ask(converter.cd, input, lead ? 2 : 1);
        if (answer.whole && answer.size >= 1 && answer.size <= 3) {
            form.size = static_cast<std::uint8_t>(answer.size);
            for (std::size_t k = 0; k < answer.size; ++k)
                form.bytes[k] = answer.bytes[k];
        } else if (answer.nothing) {
            form.size = kUnreadable;
        }
    }
    return Publish(decodeParts_[lead ? byte - 0x80 : 0], std::move(part));
}

Cp932Tables::EncodePart* Cp932Tables::MakeEncodePart(std::uint32_t high) {
    auto part = std::make_unique<EncodePart>();
    part->fill(kAskIconvCode);
    Converter converter("CP932", "UTF-8");
    for (std::uint32_t low = 0; low < 256 && converter.valid(); ++low) {
        const std::uint32_t code = high << 8 | low;
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        char utf8[3];
        std::size_t length = 0;
        if (code < 0x80) {
            utf8[length++] = static_cast<char>(code);
        } else if (code < 0x800) {
            utf8[length++] = static_cast<char>(0xC0 | code >> 6);
            utf8[length++] = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8[length++] = static_cast<char>(0xE0 | code >> 12);
            utf8[length++] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8[length++] = static_cast<char>(0x80 | (code & 0x3F));
        }
        const Answer answer = Ask(converter.cd, utf8, length);
        if (answer.nothing) (*part)[low] = kNoForm;
        if (!answer.whole) continue;
        const auto first = static_cast<unsigned char>(answer.bytes[0]);
        if (answer.size == 1)
            (*part)[low] = first;
        else if (answer.size == 2 && IsLeadByte(first))
            (*part)[low] = static_cast<std::uint16_t>(first << 8 |
                                                      static_cast<unsigned char>(answer.bytes[1]));
    }
    return Publish(encodeParts_[high], std::move(part));
}

}  // namespace tabrix
