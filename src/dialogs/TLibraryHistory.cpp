#include "dialogs/TLibraryHistory.h"

#include <algorithm>

#include "files/TStringFiler.h"
#include "model/FileResult.h"
#include "model/PathName.h"

namespace tabrix {

namespace {

// The file layer takes model paths (CP932); the settings folder is a native name.
bool ModelPath(const std::string& nativePath, std::string& path) {
    return PathName::FromNative(nativePath, path);
}

}  // namespace

void TLibraryHistory::Load(const std::string& nativePath) {
    entries_.clear();
    StringList lines;
    std::string path;
    TStringFiler filer;
    if (!ModelPath(nativePath, path) || filer.Load(lines, path) != kFileOk) {
        changed_ = true;
        return;
    }
    for (std::string& line : lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && std::find(entries_.begin(), entries_.end(), line) == entries_.end())
            entries_.push_back(std::move(line));
    }
    changed_ = false;
}

FileResult TLibraryHistory::SaveIfChanged(const std::string& nativePath) {
    if (!changed_) return kFileOk;
    std::string path;
    if (!ModelPath(nativePath, path)) return kFileCannotOpen;
    TStringFiler filer;
    const FileResult result = filer.Save(entries_, path);
    if (result == kFileOk) changed_ = false;
    return result;
}

void TLibraryHistory::Add(const std::string& path) {
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
    entries_.insert(entries_.begin(), path);
    changed_ = true;
}

void TLibraryHistory::Remove(std::size_t i) {
    if (i >= entries_.size()) return;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    changed_ = true;
}

void TLibraryHistory::Clear() {
    entries_.clear();
    changed_ = true;
}

std::string TLibraryHistory::FileName(const std::string& path) {
    const std::size_t separator = path.rfind('/');
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace tabrix
