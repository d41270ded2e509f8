// An element data file (.ZQD): the group data it holds, read and written as tagged text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Progress.h"
#include "model/TFileWriter.h"
#include "model/TGroupData.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TZQLCtrl;

class TZQDCtrl {
public:
    static constexpr std::uint8_t kModified = 4;
    static constexpr const char* kKind = "Element-Data for Tabrix";

    TZQDCtrl() = default;
    explicit TZQDCtrl(std::string path) : path_(std::move(path)) {}
    TZQDCtrl(const TZQDCtrl&) = delete;
    TZQDCtrl& operator=(const TZQDCtrl&) = delete;

    // Reads the file at Path(); the library supplies the escape map, the parameter types and
    // the table that collects unresolved references. Returns a FileResult. Reading replaces the
    // group data, so no group may be showing them (the controller reads files it has just made).
    int Read(TZQLCtrl& library, const Progress& progress = {});
    // Writes the file when it is modified; 0 without writing otherwise.
    int Write(const TZQLCtrl& library, const Progress& progress = {},
              TFileWriter& writer = TFileWriter::System());
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

    std::size_t Size() const { return groupData_.size(); }
    TGroupData* At(std::size_t i) const { return groupData_[i].get(); }
    const std::vector<std::unique_ptr<TGroupData>>& GroupData() const { return groupData_; }

    // Appends a group data (a new empty one when none is given) and marks the file modified.
    TGroupData* AddGroupData(std::unique_ptr<TGroupData> data = nullptr);
    // Destroys group data i with its elements; later ones move up.
    void DeleteGroupData(std::size_t i);
    void RenumberGroupData(std::size_t from = 0);

private:
    std::unique_ptr<TGroupData> ReadGroupData(TZQLCtrl& library, const StringList& lines,
                                              std::size_t& i, const Progress& progress);
    void DecodeElementLine(TZQLCtrl& library, TElement& element, const std::string& line) const;
    std::string EncodeElementLine(const TZQLCtrl& library, const TElement& element) const;

    std::vector<std::unique_ptr<TGroupData>> groupData_;
    std::string path_;
    std::uint8_t status_ = 0;
};

}  // namespace tabrix
