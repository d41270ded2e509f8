#include "model/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
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
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace

// A table or a dump is mostly ASCII, which CP932 shares with UTF-8: only the runs of other
// characters go through the converter, which takes several times as long a byte.
std::string TextCodec::ToUtf8(std::string_view cp932) {
    IconvHandle handle(kUtf8, kCp932);
    if (!handle.valid()) return DecodeToUtf8(kCp932, cp932);
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(cp932[i]); };
    std::size_t i = 0;
    while (i < cp932.size()) {
        std::size_t start = i;
        while (i < cp932.size() && byteAt(i) < 0x80)
            ++i;
        out.append(cp932.data() + start, i - start);
        start = i;
        // A second byte may lie in the ASCII range: it stays with its first.
        while (i < cp932.size() && byteAt(i) >= 0x80)
            i += IsCp932Lead(byteAt(i)) ? 2 : 1;
        i = std::min(i, cp932.size());
        if (i > start) ConvertRun(handle, cp932.substr(start, i - start), out);
    }
    return out;
}

std::string TextCodec::ValidUtf8(std::string_view text) {
    return DecodeToUtf8(kUtf8, text);
}

bool TextCodec::FromUtf8(std::string_view utf8, std::string& cp932) {
    cp932.clear();
    cp932.reserve(utf8.size());
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

std::string TextCodec::FromUtf8(std::string_view utf8) {
    std::string out;
    FromUtf8(utf8, out);
    return out;
}

}  // namespace tabrix
