#include "model/TextCodec.h"

#include "model/Cp932Tables.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tabrix {

namespace {

constexpr const char* kCp932 = "CP932";
constexpr const char* kUtf8 = "UTF-8";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One iconv conversion descriptor for the length of a call.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // Converts as much of [in, in+inLeft) as possible, appending to out. Returns 0 when all
    // was converted, otherwise the errno that stopped it (EILSEQ or EINVAL).
    int convert(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return errno;
        }
        return 0;
    }

private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence starting with lead byte b, or 1 for a stray byte.
std::size_t Utf8SequenceLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return 3;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    return 1;
}

// Appends text converted by handle, one U+FFFD for every byte that cannot be read.
void ConvertRun(IconvHandle& handle, std::string_view text, std::string& out) {
    const char* in = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        if (handle.convert(in, left, out) == 0) break;
        // An invalid or truncated sequence: show one replacement character for its first byte
        // and go on with the next byte.
        out.append(kReplacement);
        ++in;
        --left;
        handle.reset();
    }
}

// Converts text in the encoding from into UTF-8, one U+FFFD for every byte that cannot be read.
std::string DecodeToUtf8(const char* from, std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    IconvHandle handle(kUtf8, from);
    if (!handle.valid()) {
        // Without the converter keep ASCII and mark everything else unreadable.
        for (unsigned char c : text) {
            if (c < 0x80)
                out.push_back(static_cast<char>(c));
            else
                out.append(kReplacement);
        }
        return out;
    }
    ConvertRun(handle, text, out);
    return out;
}

bool IsCp932Lead(unsigned char b) {
    return Cp932Tables::IsLeadByte(b);
}

// Writes the run into out from the tables, character by character as iconv reads it, through a
// buffer on the stack: a string's append per character costs more than the look-up. Returns
// where the tables could not go on (the run's size when they went to its end).
std::size_t DecodeFromTables(std::string_view run, std::string& out) {
    constexpr std::size_t kChunk = 256;  // bytes of the run; at most three output bytes each
    char buffer[3 * kChunk + 3];
    std::size_t j = 0;
    while (j < run.size()) {
        char* put = buffer;
        const std::size_t stop = std::min(run.size(), j + kChunk);
        while (j < stop) {
            const auto byte = static_cast<unsigned char>(run[j]);
            if (byte < 0x80) {  // a second byte left alone by an unreadable first
                *put++ = static_cast<char>(byte);
                ++j;
                continue;
            }
            const bool lead = IsCp932Lead(byte);
            if (lead && j + 1 == run.size()) {  // a first byte without its second
                put = std::copy(kReplacement.begin(), kReplacement.end(), put);
                ++j;
                continue;
            }
            const Cp932Tables::Utf8Form& form =
                Cp932Tables::Decode(byte, lead ? static_cast<unsigned char>(run[j + 1]) : 0);
            if (form.size == Cp932Tables::kAskIconv) {
                out.append(buffer, put);
                return j;
            }
            if (form.size == Cp932Tables::kUnreadable) {
                put = std::copy(kReplacement.begin(), kReplacement.end(), put);
                ++j;
                continue;
            }
            std::memcpy(put, form.bytes, sizeof form.bytes);
            put += form.size;
            j += lead ? 2 : 1;
        }
        out.append(buffer, put);
    }
    return j;
}

// One run of bytes the converter would have been given; what the tables cannot say goes to
// iconv with the rest of the run.
void DecodeRun(std::string_view run, std::string& out) {
    std::size_t j = DecodeFromTables(run, out);
    if (j == run.size()) return;
    IconvHandle handle(kUtf8, kCp932);
    if (handle.valid()) {
        ConvertRun(handle, run.substr(j), out);
        return;
    }
    for (; j < run.size(); ++j) {  // no converter: only ASCII can be read
        if (static_cast<unsigned char>(run[j]) < 0x80)
            out.push_back(run[j]);
        else
            out.append(kReplacement);
    }
}

// Reads the well-formed two- or three-byte UTF-8 sequence at utf8[at] (its code point in code)
// and returns its length; 0 for anything else.
std::size_t DecodeBmp(std::string_view utf8, std::size_t at, std::uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[at + k]); };
    const std::size_t left = utf8.size() - at;
    const unsigned char lead = byte(0);
    auto continues = [&](std::size_t k) { return (byte(k) & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && continues(1)) {
        code = (lead & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && continues(1) && continues(2)) {
        code = (lead & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)) return 0;
        return 3;
    }
    return 0;
}

// The converter alone over utf8: a character it cannot convert becomes "?" and the bytes of its
// sequence are skipped. False when that happened.
bool ConvertWithIconv(std::string_view utf8, std::string& cp932) {
    IconvHandle handle(kCp932, kUtf8);
    bool exact = true;
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    while (left > 0) {
        if (handle.valid() && handle.convert(in, left, cp932) == 0) break;
        std::size_t skip = handle.valid() ? Utf8SequenceLength(static_cast<unsigned char>(*in)) : 1;
        if (!handle.valid() && static_cast<unsigned char>(*in) < 0x80) {
            cp932.push_back(*in);
        } else {
            cp932.push_back('?');
            exact = false;
        }
        if (skip > left) skip = left;
        in += skip;
        left -= skip;
        if (handle.valid()) handle.reset();
    }
    return exact;
}

}  // namespace

// A table or a dump is mostly ASCII, which CP932 shares with UTF-8; the other characters come
// from the tables, which hold iconv's own answers. The text is taken in the runs the converter
// was always given (a second byte stays with its first), so that a byte that cannot be read
// ends the same way as with iconv alone.
void TextCodec::AppendUtf8(std::string_view cp932, std::string& out) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(cp932[i]); };
    std::size_t i = 0;
    while (i < cp932.size()) {
        std::size_t start = i;
        while (i < cp932.size() && byteAt(i) < 0x80)
            ++i;
        out.append(cp932.data() + start, i - start);
        start = i;
        while (i < cp932.size() && byteAt(i) >= 0x80)
            i += IsCp932Lead(byteAt(i)) ? 2 : 1;
        i = std::min(i, cp932.size());
        if (i > start) DecodeRun(cp932.substr(start, i - start), out);
    }
}

std::string TextCodec::ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    AppendUtf8(cp932, out);
    return out;
}

std::string TextCodec::ValidUtf8(std::string_view text) {
    return DecodeToUtf8(kUtf8, text);
}

// Every character the tables know is converted from them; from the first one they do not know
// (a character beyond the Basic Multilingual Plane, bytes that are not UTF-8) iconv converts the
// rest, as it always converted the whole.
// No CP932 form is longer than the UTF-8 sequence it comes from, so the result is written
// into room of the input's size and cut to what was written.
bool TextCodec::FromUtf8(std::string_view utf8, std::string& cp932) {
    cp932.resize(utf8.size());
    char* const begin = cp932.data();
    char* out = begin;
    bool exact = true;
    std::size_t at = 0;
    while (at < utf8.size()) {
        while (at < utf8.size() && static_cast<unsigned char>(utf8[at]) < 0x80)
            *out++ = utf8[at++];
        if (at == utf8.size()) break;
        std::uint32_t code = 0;
        const std::size_t length = DecodeBmp(utf8, at, code);
        const std::uint16_t form = length ? Cp932Tables::Encode(code) : Cp932Tables::kAskIconvCode;
        if (form == Cp932Tables::kAskIconvCode) {
            cp932.resize(static_cast<std::size_t>(out - begin));
            return ConvertWithIconv(utf8.substr(at), cp932) && exact;
        }
        if (form == Cp932Tables::kNoForm) {
            *out++ = '?';
            exact = false;
        } else if (form < 0x100) {
            *out++ = static_cast<char>(form);
        } else {
            *out++ = static_cast<char>(form >> 8);
            *out++ = static_cast<char>(form & 0xFF);
        }
        at += length;
    }
    cp932.resize(static_cast<std::size_t>(out - begin));
    return exact;
}

std::string TextCodec::FromUtf8(std::string_view utf8) {
    std::string out;
    FromUtf8(utf8, out);
    return out;
}

}  // namespace tabrix
