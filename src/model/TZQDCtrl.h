// An element data file (.ZQD): the group data it holds, read and written as tagged text.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TElementLineReader.h"
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

    // Reads the file at Path(); the library supplies the escape map, the parameter types and
    // the table that collects unresolved references. Returns a FileResult. Reading replaces the
    // group data, so no group may be showing them (the controller reads files it has just made).
    FileResult Read(TZQLCtrl& library, const Progress& progress = {});
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

    // Element lines of at least this many bytes in all are decoded on several threads.
    static std::size_t ParallelReadThreshold();
    static void SetParallelReadThreshold(std::size_t bytes);

private:
    using LineViews = std::vector<std::string_view>;
    // The element lines first .. end-1 of a [data] section of one group data.
    struct DataBlock {
        TGroupData* data;
        std::size_t first;
        std::size_t end;
    };
    // Reads the structure of an [elements] section; its element lines are left to DecodeBlocks.
    std::unique_ptr<TGroupData> ReadGroupData(const LineViews& lines, std::size_t& i,
                                              const Progress& progress,
                                              std::vector<DataBlock>& blocks);
    // Makes the elements of every block, in order, and appends their reference values to the
    // library's table in the order of the file; a large file is decoded in parts on several
    // threads.
    void DecodeBlocks(TZQLCtrl& library, const LineViews& lines,
                      const std::vector<DataBlock>& blocks);

    std::vector<std::unique_ptr<TGroupData>> groupData_;
    std::vector<const TGroupData*> readContext_;
    const TZQLCtrl* contextLibrary_ = nullptr;  // compared, used only while registered
    std::string path_;
    std::uint8_t status_ = 0;
    bool readOnly_ = false;
};

}  // namespace tabrix
