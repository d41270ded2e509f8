// An element data file (.ZQD): the group data it holds.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TGroupData.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TZQLCtrl;

class TZQDCtrl {
public:
    static constexpr std::uint8_t kModified = 4;

    TZQDCtrl() = default;
    explicit TZQDCtrl(std::string path) : path_(std::move(path)) {}
    TZQDCtrl(const TZQDCtrl&) = delete;
    TZQDCtrl& operator=(const TZQDCtrl&) = delete;

    // Empties the group data list, sets the path, clears the status.
    void Reset(std::string path);
    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    std::uint8_t Status() const { return status_; }
    void SetStatus(std::uint8_t status) { status_ = status; }
    bool IsModified() const { return (status_ & kModified) != 0; }
    void SetModified(bool modified) {
        status_ = modified ? (status_ | kModified) : (status_ & ~kModified);
    }

    // A file that could not be read when a library named it, or that was decoded without the
    // parameter types its values need, is never written in this session: its writer returns
    // kFileNotRead and the copy on disk stays as it is.
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // The library the file was decoded against and its group list then: the group numbers its
    // element references were written with. Another library sharing the file that does not
    // show a referenced group data writes the number that library gives it (or gave it, once
    // it is closed), so saving a shared file from a library that shows part of it loses no
    // reference.
    void SetReadContext(const TZQLCtrl* library, std::vector<const TGroupData*> groups) {
        contextLibrary_ = library;
        readContext_ = std::move(groups);
    }
    // The group number a library other than writer gives data, or -1.
    long ContextNumber(const TZQLCtrl& writer, const TGroupData* data) const;

    std::size_t Size() const { return groupData_.size(); }
    TGroupData* At(std::size_t i) const {
        assert(i < groupData_.size());
        return groupData_[i].get();
    }
    const std::vector<std::unique_ptr<TGroupData>>& GroupData() const { return groupData_; }

    // Appends a group data (a new empty one when none is given) and marks the file modified.
    TGroupData* AddGroupData(std::unique_ptr<TGroupData> data = nullptr);
    // Destroys group data i with its elements; later ones move up.
    void DeleteGroupData(std::size_t i);
    // Takes the group data out of the list without destroying it (null when the file does not
    // hold it); later ones move up. The modified bit is left to the caller, which knows whether
    // the file's list as a whole has changed.
    std::unique_ptr<TGroupData> TakeGroupData(const TGroupData* data);
    void RenumberGroupData(std::size_t from = 0);
    // Replaces the group data by those read from the file, each owned by it and numbered.
    void SetReadGroupData(std::vector<std::unique_ptr<TGroupData>> groupData) {
        groupData_ = std::move(groupData);
    }

private:
    std::vector<std::unique_ptr<TGroupData>> groupData_;
    std::vector<const TGroupData*> readContext_;
    const TZQLCtrl* contextLibrary_ = nullptr;  // compared, used only while registered
    std::string path_;
    std::uint8_t status_ = 0;
    bool readOnly_ = false;
};

}  // namespace tabrix
