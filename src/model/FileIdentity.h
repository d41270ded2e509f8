// Which file on disk a library path names. Two paths name one file when they lead to the same
// device and inode (through ".", "..", doubled separators or symbolic links alike); paths of
// files that do not exist yet are compared in their normalised absolute form.
#pragma once

#include <string>

namespace tabrix {

class FileIdentity {
public:
    // Paths as the model holds them (CP932, either separator).
    static bool Same(const std::string& a, const std::string& b);

    // The file a symbolic link leads to, as a model path, so that the files named relative to
    // a library opened through a link are found beside the file itself; path unchanged when it
    // is no link, or when the target's name has no CP932 form.
    static std::string FollowLinks(const std::string& path);

    // True when nothing at all, not even a dangling symbolic link, stands at the path.
    static bool Absent(const std::string& path);
};

}  // namespace tabrix
