#include "model/PathName.h"

#include "model/TStringDivision.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

bool IsSeparatorByte(char c) { return c == '\\' || c == '/'; }

// True when the byte at pos is a character of its own (not the trail byte of a double-byte
// character), by the same rule the string cutter uses.
bool IsSingleCharAt(std::string_view path, std::size_t pos) {
    static const TStringDivision kDivision;
    return kDivision.CharKind(path, pos) == kSingleByte;
}

}  // namespace

bool PathName::IsAbsolute(std::string_view path) {
    if (path.find(':') != std::string_view::npos) return true;  // ':' is never a trail byte
    if (path.substr(0, 2) == "\\\\") return true;
    return !path.empty() && path.front() == '/';
}

std::size_t PathName::LastSeparator(std::string_view path) {
    for (std::size_t pos = path.size(); pos-- > 0;) {
        if (IsSeparatorByte(path[pos]) && IsSingleCharAt(path, pos)) return pos;
    }
    return std::string_view::npos;
}

std::string PathName::FolderOf(std::string_view filePath) {
    std::size_t sep = LastSeparator(filePath);
    if (sep == std::string_view::npos) return {};
    return std::string(filePath.substr(0, sep + 1));
}

std::string PathName::Resolve(std::string_view basePath, std::string_view path) {
    if (path.empty() || IsAbsolute(path)) return std::string(path);
    std::string folder = FolderOf(basePath);
    if (folder.empty()) return std::string(path);
    return folder + std::string(path);
}

std::string PathName::MakeRelative(std::string_view basePath, std::string_view path) {
    std::string folder = FolderOf(basePath);
    if (!folder.empty() && path.size() > folder.size() && path.substr(0, folder.size()) == folder)
        return std::string(path.substr(folder.size()));
    return std::string(path);
}

std::string PathName::ToNative(std::string_view path) {
    std::string posix(path);
    for (std::size_t pos = 0; pos < posix.size(); ++pos) {
        if (posix[pos] == '\\' && IsSingleCharAt(path, pos)) posix[pos] = '/';
    }
    return TextCodec::ToUtf8(posix);
}

std::string PathName::FromNative(std::string_view nativePath) {
    return TextCodec::FromUtf8(nativePath);
}

}  // namespace tabrix
