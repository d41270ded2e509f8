#include "model/PathName.h"

#include "model/TextCodec.h"

namespace tabrix {

namespace {

bool IsSeparatorByte(char c) {
    return c == '\\' || c == '/';
}

// A CP932 lead byte: the byte and the one after it form one character.
bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Calls visit(pos) for every byte that is a character of its own, scanning from the front so
// that the second byte of a double-byte character (0x5C in "表" or "ソ") is never visited,
// wherever the character stands.
template <typename Visit>
void ForEachSingleByte(std::string_view path, Visit visit) {
    for (std::size_t pos = 0; pos < path.size(); ++pos) {
        if (IsLeadByte(static_cast<unsigned char>(path[pos])) && pos + 1 < path.size()) {
            ++pos;
            continue;
        }
        visit(pos);
    }
}

}  // namespace

bool PathName::IsAbsolute(std::string_view path) {
    if (path.find(':') != std::string_view::npos) return true;  // ':' is never a trail byte
    if (path.substr(0, 2) == "\\\\") return true;
    return !path.empty() && path.front() == '/';
}

std::size_t PathName::LastSeparator(std::string_view path) {
    std::size_t last = std::string_view::npos;
    ForEachSingleByte(path, [&](std::size_t pos) {
        if (IsSeparatorByte(path[pos])) last = pos;
    });
    return last;
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
    ForEachSingleByte(path, [&](std::size_t pos) {
        if (posix[pos] == '\\') posix[pos] = '/';
    });
    return TextCodec::ToUtf8(posix);
}

std::string PathName::FromNative(std::string_view nativePath) {
    return TextCodec::FromUtf8(nativePath);
}

bool PathName::FromNative(std::string_view nativePath, std::string& path) {
    // Some characters share one CP932 form with another (the conversion maps both ways only
    // for one of them), so only the trip back proves the name is the same.
    return TextCodec::FromUtf8(nativePath, path) && ToNative(path) == nativePath;
}

}  // namespace tabrix
