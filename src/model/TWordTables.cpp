#include "model/TWordTables.h"

namespace tabrix {

TWordTables::TWordTables()
    : statements_{{"NEXT", 108},      {"BACK", 109},     {"WHILE", 110}, {"WEND", 111},
                  {"IF_EXIST", 112},  {"IF_EMPTY", 113}, {"IF", 114},    {"END_IF", 115},
                  {"BREAK", 116},     {"/*", 117},       {"\\n", 7},     {"COLOR", 8},
                  {"WARD_WRAP", 127}, {"NO_WRAP", 128}},
      values_{{"CNG_GROUP", 120}, {"CNG_LIBRARY", 121}, {"INDEX", 124}, {"IS_OUTPUT", 125}},
      groupWords_{{"SIZE", 123}, {"NAME", 126}},
      libraryWords_{{"FREE_TEXT", 122}},
      editOperators_{{"REPLACE", 1}, {"+", 2},      {"-", 3},      {"*", 4},   {"/", 5},
                     {"%", 6},       {"&", 7},      {"|", 8},      {"^", 9},   {"~", 10},
                     {"<<", 11},     {">>", 12},    {"<:", 13},    {">:", 14}, {"<!", 15},
                     {">!", 16},     {"CHAIN", 19}, {"SUBSTR", 20}},
      comparisons_{{"==", 17}, {"!=", 18}, {"<", 21}, {"<=", 22}, {">", 23}, {">=", 24}},
      conversions_{{"UPPER", 1},      {"LOWER", 2},        {"1BYTE", 3},
                   {"2BYTE", 4},      {"HIRAGANA", 5},     {"KATAKANA", 6},
                   {"NUM_SIGNED", 7}, {"NUM_UNSIGNED", 8}, {"STRING", 9}} {}

const TWordTables& TWordTables::Standard() {
    static const TWordTables tables;
    return tables;
}

const TWordTables::Table& TWordTables::TableOf(WordTable table) const {
    switch (table) {
        case WordTable::kStatement:
            return statements_;
        case WordTable::kValue:
            return values_;
        case WordTable::kGroup:
            return groupWords_;
        case WordTable::kLibrary:
            return libraryWords_;
        case WordTable::kEditOperator:
            return editOperators_;
        case WordTable::kComparison:
            return comparisons_;
        case WordTable::kConversion:
            return conversions_;
    }
    return statements_;
}

std::optional<std::uint32_t> TWordTables::Lookup(WordTable table, std::string_view word) const {
    const Table& words = TableOf(table);
    auto it = words.find(std::string(word));
    if (it == words.end()) return std::nullopt;
    return it->second;
}

bool TWordTables::IsReserved(std::string_view identifier) const {
    return Lookup(WordTable::kValue, identifier).has_value();
}

}  // namespace tabrix
