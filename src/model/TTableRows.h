// The rows of a table as it was read: each row the line it begins on and its fields, views of
// bytes kept here. Fields are stored end to end in large blocks that never move, so a million
// rows cost a few allocations rather than one for every field.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tabrix {

struct TTableRow {
    std::size_t line = 0;  // where the row begins
    std::span<const std::string_view> fields;
};

class TTableRows {
public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const TTableRow& operator[](std::size_t r) const { return rows_[r]; }
    std::vector<TTableRow>::const_iterator begin() const { return rows_.begin(); }
    std::vector<TTableRow>::const_iterator end() const { return rows_.end(); }

    void clear();
    // Keeps the first count rows.
    void Truncate(std::size_t count);
    // A row of no fields before the others.
    void InsertEmptyFirst();

    // Building, as a reader meets them: a row begins, then its fields follow one by one.
    void BeginRow(std::size_t line);
    // Adds a copy of bytes as the last row's next field.
    void AddField(std::string_view bytes);
    // The rows of other after these; other is left empty.
    void Append(TTableRows&& other);

private:
    char* Room(std::size_t bytes);
    std::string_view* FieldRoom();

    std::vector<TTableRow> rows_;
    std::vector<std::unique_ptr<char[]>> textBlocks_;
    std::vector<std::unique_ptr<std::string_view[]>> fieldBlocks_;
    char* text_ = nullptr;  // the free end of the last text block
    std::size_t textLeft_ = 0;
    std::string_view* fields_ = nullptr;  // the free end of the last field block
    std::size_t fieldsLeft_ = 0;
};

}  // namespace tabrix
