// The forms of element values in a table of one group, shared by export and import:
//
//   texts as they are; array items one per line inside the field; booleans 0 or 1; numbers in
//   decimal, signed types signed; a selection by its choice name, or by its number when it
//   names no choice (or not that one only); an element reference GROUP:ELEMENT and a group
//   reference GROUP, both the numbers the library file and the dump use (from 0). An empty
//   field is no value.
//
// Columns: "出力" (the output flag), then one per parameter headed by its name, or by its code
// when the name would name another column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/TTableProblem.h"

namespace tabrix {

class TElement;
class TGroupData;
class TGroupSetting;
class TParameter;
class TZQLCtrl;

class TTableForms {
public:
    static constexpr std::size_t kOutputColumn = static_cast<std::size_t>(-1);
    static constexpr std::string_view kOutputHead = "\x8F\x6F\x97\xCD";  // 出力 in CP932

    // A value as read from a field, before it is written: references by their place, as the
    // elements they name may be made by the same import.
    struct Value {
        bool given = false;
        std::vector<std::string_view> texts;  // views into the field
        std::vector<std::uint32_t> numbers;
        // Element references: the group data and position, or none (null data).
        std::vector<std::pair<TGroupData*, std::uint32_t>> elements;
        std::vector<TGroupSetting*> groups;

        void Clear();
    };
    // How many elements a group data will hold once the import is done.
    using FinalSize = std::function<std::size_t(const TGroupData&)>;

    explicit TTableForms(const TZQLCtrl& library);

    std::size_t ParameterCount() const;
    // The column head of parameter i (CP932).
    std::string Head(std::size_t i) const;
    // The column a head names: kOutputColumn, or the parameter whose name it is (when only
    // one has that name), or else the parameter whose code it is.
    std::optional<std::size_t> ColumnOf(std::string_view head) const;

    // Appends the form of parameter i's value of element (CP932).
    void AppendValue(const TElement& element, std::size_t i, std::string& out) const;
    // Reads field as parameter i's value; kNone when it is one.
    TTableProblem::Kind ReadValue(std::string_view field, std::size_t i, const FinalSize& sizeOf,
                                  Value& value) const;
    // The output flag a field gives (an empty field gives 1); none when it is no boolean.
    static std::optional<std::uint8_t> ReadFlag(std::string_view field);

private:
    void AppendElementRef(std::uint64_t item, std::string& out) const;
    void AppendChoice(const TParameter& parameter, std::uint32_t position, std::string& out) const;
    TTableProblem::Kind ReadItem(std::string_view item, std::uint8_t type,
                                 const TParameter& parameter, const FinalSize& sizeOf,
                                 Value& value) const;
    TTableProblem::Kind ReadElementRef(std::string_view item, const FinalSize& sizeOf,
                                       Value& value) const;

    const TZQLCtrl& library_;
    mutable const TGroupData* lastOwner_ = nullptr;  // AppendElementRef's last look-up
    mutable const TGroupSetting* lastGroup_ = nullptr;
};

}  // namespace tabrix
