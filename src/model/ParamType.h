// Parameter type codes; each types one value list of every element (texts or numbers).
#pragma once

#include <cstdint>

namespace tabrix {

enum ParamType : std::uint8_t {
    kTypeString = 0,           // 文字列: one text
    kTypeStringArray = 1,      // 文字列配列: any number of texts
    kTypeElementRef = 2,       // 要素参照: one element reference
    kTypeElementRefArray = 3,  // 要素参照配列: any number of element references
    kTypeBool = 4,             // 論理値
    kTypeBoolArray = 5,        // 論理値配列
    kTypeSigned = 6,           // 符号付き整数
    kTypeSignedArray = 7,      // 符号付き整数配列
    kTypeUnsigned = 8,         // 符号無し整数
    kTypeUnsignedArray = 9,    // 符号無し整数配列
    kTypeGroupRef = 10,        // グループ参照: one group reference
    kTypeListSelection = 11,   // 一覧選択: a position in the parameter's selection list
};

inline bool IsTextType(std::uint8_t type) {
    return type == kTypeString || type == kTypeStringArray;
}
inline bool IsElementRefType(std::uint8_t type) {
    return type == kTypeElementRef || type == kTypeElementRefArray;
}
inline bool IsReferenceType(std::uint8_t type) {
    return IsElementRefType(type) || type == kTypeGroupRef;
}

}  // namespace tabrix
