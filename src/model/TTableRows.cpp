#include "model/TTableRows.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <iterator>

namespace tabrix {

namespace {

constexpr std::size_t kTextBlock = std::size_t{1} << 20;
constexpr std::size_t kFieldBlock = std::size_t{1} << 14;

}  // namespace

void TTableRows::clear() {
    *this = TTableRows();
}

void TTableRows::Truncate(std::size_t count) {
    if (count < rows_.size()) rows_.resize(count);
}

void TTableRows::InsertEmptyFirst() {
    rows_.insert(rows_.begin(), TTableRow{});
}

void TTableRows::BeginRow(std::size_t line) {
    rows_.push_back({line, {}});
}

// A block of its own for a field larger than a quarter block; otherwise the rest of the last
// block, or a new one.
char* TTableRows::Room(std::size_t bytes) {
    if (bytes > kTextBlock / 4) {
        textBlocks_.push_back(std::make_unique_for_overwrite<char[]>(bytes));
        return textBlocks_.back().get();
    }
    if (bytes > textLeft_) {
        textBlocks_.push_back(std::make_unique_for_overwrite<char[]>(kTextBlock));
        text_ = textBlocks_.back().get();
        textLeft_ = kTextBlock;
    }
    char* room = text_;
    text_ += bytes;
    textLeft_ -= bytes;
    return room;
}

// A row's fields stand together: when the last block is full, the row's fields so far move to
// a new one.
std::string_view* TTableRows::FieldRoom() {
    assert(!rows_.empty());
    TTableRow& row = rows_.back();
    if (fieldsLeft_ == 0) {
        const std::size_t size = std::max(kFieldBlock, 2 * (row.fields.size() + 1));
        fieldBlocks_.push_back(std::make_unique<std::string_view[]>(size));
        std::string_view* block = fieldBlocks_.back().get();
        std::copy(row.fields.begin(), row.fields.end(), block);
        row.fields = {block, row.fields.size()};
        fields_ = block + row.fields.size();
        fieldsLeft_ = size - row.fields.size();
    }
    --fieldsLeft_;
    return fields_++;
}

void TTableRows::AddField(std::string_view bytes) {
    std::string_view* field = FieldRoom();
    TTableRow& row = rows_.back();
    char* room = bytes.empty() ? nullptr : Room(bytes.size());
    if (room) std::memcpy(room, bytes.data(), bytes.size());
    *field = std::string_view(room ? room : "", bytes.size());
    row.fields = {row.fields.empty() ? field : row.fields.data(), row.fields.size() + 1};
}

void TTableRows::Append(TTableRows&& other) {
    if (rows_.empty()) {
        *this = std::move(other);
        return;
    }
    rows_.insert(rows_.end(), other.rows_.begin(), other.rows_.end());
    std::move(other.textBlocks_.begin(), other.textBlocks_.end(), std::back_inserter(textBlocks_));
    std::move(other.fieldBlocks_.begin(), other.fieldBlocks_.end(),
              std::back_inserter(fieldBlocks_));
    // Building goes on in blocks of its own.
    text_ = nullptr;
    textLeft_ = 0;
    fields_ = nullptr;
    fieldsLeft_ = 0;
    other.clear();
}

}  // namespace tabrix
