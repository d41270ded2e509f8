// The list of recently opened libraries behind the library selection dialog, kept in
// histry.log: one native path per line, lines ended by CR LF, most recent first, no path twice
// (compared byte for byte, so paths differing in letter case are two entries). Written only
// when it changed; a missing or unreadable file gives an empty list that counts as changed, so
// the file is made when the dialog closes.
#pragma once

#include <string>
#include <vector>

#include "model/FileResult.h"

namespace tabrix {

class TLibraryHistory {
public:
    // Reads the file at nativePath; clears the changed flag, or sets it when the file cannot
    // be read (the list is then empty).
    void Load(const std::string& nativePath);
    // Writes the list to nativePath when it changed; returns a FileResult (0 when nothing had
    // to be written). The changed flag is cleared once written.
    FileResult SaveIfChanged(const std::string& nativePath);

    const std::vector<std::string>& Entries() const { return entries_; }
    bool Changed() const { return changed_; }

    // Puts path at the front, removing its earlier entry.
    void Add(const std::string& path);
    // Removes entry i; nothing when there is none.
    void Remove(std::size_t i);
    void Clear();

    // The part of a native path after its last "/", as the list shows it.
    static std::string FileName(const std::string& path);

private:
    std::vector<std::string> entries_;
    bool changed_ = false;
};

}  // namespace tabrix
