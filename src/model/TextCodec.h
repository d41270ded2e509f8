// Conversion between CP932 bytes and UTF-8, used only where text meets a terminal, the screen
// or the file system. The model itself never converts its texts.
#pragma once

#include <string>
#include <string_view>

namespace tabrix {

class TextCodec {
public:
    // CP932 -> UTF-8. Bytes that do not form a valid CP932 character become U+FFFD, one per
    // byte that could not be decoded; conversion never fails.
    static std::string ToUtf8(std::string_view cp932);
    // The same, appended to out.
    static void AppendUtf8(std::string_view cp932, std::string& out);
    // Native text (a file name from the system or the command line) fit to print: valid UTF-8
    // stays as it is, every byte that is not part of a valid sequence becomes U+FFFD.
    static std::string ValidUtf8(std::string_view text);

    // UTF-8 -> CP932. Returns false when some character has no CP932 form or the input is not
    // valid UTF-8; such characters are written as "?" and the rest is converted.
    static bool FromUtf8(std::string_view utf8, std::string& cp932);
    static std::string FromUtf8(std::string_view utf8);
};

}  // namespace tabrix
