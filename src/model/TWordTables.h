// The fixed word tables of the format language: each maps an exact, case-sensitive word to a
// code. Statement, value, group and library words give node kinds; EDIT operators, comparisons
// and conversions give the number stored in a node.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabrix {

enum class WordTable {
    kStatement,
    kValue,
    kGroup,
    kLibrary,
    kEditOperator,
    kComparison,
    kConversion,
};

class TWordTables {
public:
    // Fills every table; the object is never changed afterwards.
    TWordTables();

    // The one shared instance, for compiling against a library that has no controller.
    static const TWordTables& Standard();

    std::optional<std::uint32_t> Lookup(WordTable table, std::string_view word) const;
    // True when a format identifier would hide a value word and can never be referenced.
    bool IsReserved(std::string_view identifier) const;

private:
    using Table = std::unordered_map<std::string, std::uint32_t>;
    const Table& TableOf(WordTable table) const;

    Table statements_;
    Table values_;
    Table groupWords_;
    Table libraryWords_;
    Table editOperators_;
    Table comparisons_;
    Table conversions_;
};

}  // namespace tabrix
