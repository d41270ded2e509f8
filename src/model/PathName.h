// Paths as the library files store them: CP932 strings in Windows form ("\" separators, drive
// names) or in POSIX form. The separator search respects double-byte characters, so the 0x5C
// trail byte of a character such as "表" or "ソ" is never taken for a separator.
#pragma once

#include <string>
#include <string_view>

namespace tabrix {

class PathName {
public:
    // Absolute: contains ":", begins with two backslashes, or begins with "/".
    static bool IsAbsolute(std::string_view path);

    // Position of the last "\" or "/" that is a separator, or npos.
    static std::size_t LastSeparator(std::string_view path);

    // The folder of a file path including its last separator ("C:\lib\a.ZQL" -> "C:\lib\");
    // empty when the path has no separator.
    static std::string FolderOf(std::string_view filePath);

    // Resolves path against the folder of basePath: an absolute or empty path, or a base
    // without a folder, is returned unchanged; otherwise folder + path, joined with the
    // folder's own separator.
    static std::string Resolve(std::string_view basePath, std::string_view path);

    // The form written to a file: when path begins with the folder of basePath (including its
    // separator, compared byte for byte), the folder is cut off; otherwise path is unchanged.
    static std::string MakeRelative(std::string_view basePath, std::string_view path);

    // The name for operating-system calls: every separator "\" becomes "/", then CP932 is
    // converted to UTF-8.
    static std::string ToNative(std::string_view path);
    // A native (UTF-8) name as the model holds it (CP932, "/" kept). Characters without a
    // CP932 form become "?": use it only for names known to have one.
    static std::string FromNative(std::string_view nativePath);
    // The model path that names exactly nativePath, so that ToNative gives nativePath back.
    // False when there is none: a character without a CP932 form, bytes that are not UTF-8,
    // or a "\" (which ToNative turns into a separator).
    static bool FromNative(std::string_view nativePath, std::string& path);
};

}  // namespace tabrix
