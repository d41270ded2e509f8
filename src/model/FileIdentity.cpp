#include "model/FileIdentity.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "model/PathName.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

// The absolute form of a path that may not exist, with the existing part's links resolved.
std::string Normalised(const std::string& nativePath) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::weakly_canonical(nativePath, error);
    if (error) path = std::filesystem::absolute(nativePath, error).lexically_normal();
    return path.string();
}

}  // namespace

bool FileIdentity::Same(const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (a.empty() || b.empty()) return false;
    const std::string nativeA = PathName::ToNative(a);
    const std::string nativeB = PathName::ToNative(b);
    struct stat infoA {};
    struct stat infoB {};
    bool existsA = ::stat(nativeA.c_str(), &infoA) == 0;
    bool existsB = ::stat(nativeB.c_str(), &infoB) == 0;
    if (existsA && existsB) return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
    if (existsA != existsB) return false;
    return Normalised(nativeA) == Normalised(nativeB);
}

std::string FileIdentity::FollowLinks(const std::string& path) {
    const std::string native = PathName::ToNative(path);
    struct stat info {};
    if (native.empty() || ::lstat(native.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(native, error);
    if (error) return path;
    std::string modelPath;
    if (!TextCodec::FromUtf8(target.string(), modelPath)) return path;
    return modelPath;
}

bool FileIdentity::Absent(const std::string& path) {
    struct stat info {};
    return ::lstat(PathName::ToNative(path).c_str(), &info) != 0 && errno == ENOENT;
}

}  // namespace tabrix
