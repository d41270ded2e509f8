// One compiled node of a format. A compiled format is a flat list of nodes; expressions keep
// their operands as children, and blocks and loops hold the list positions they jump to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix {

enum CodeKind : std::int32_t {
    kCodeError = 0,
    kCodeUnsigned = 1,
    kCodeSigned = 2,
    kCodeComparison = 3,
    kCodeText = 4,
    kCodeParameter = 5,
    kCodeLineBreak = 7,
    kCodeColor = 8,
    kCodeNext = 108,
    kCodeBack = 109,
    kCodeWhile = 110,
    kCodeWend = 111,
    kCodeIfExist = 112,
    kCodeIfEmpty = 113,
    kCodeIf = 114,
    kCodeEndIf = 115,
    kCodeBreak = 116,
    kCodeCommentStart = 117,
    kCodeCommentBody = 118,
    kCodeEdit = 119,
    kCodeChangeGroup = 120,
    kCodeChangeLibrary = 121,
    kCodeFreeText = 122,
    kCodeSize = 123,
    kCodeIndex = 124,
    kCodeIsOutput = 125,
    kCodeName = 126,
    kCodeWordWrap = 127,
    kCodeNoWrap = 128,
    kCodeTo = 129,
};

// Operator codes held in the number of EDIT and comparison nodes.
enum OperatorCode : std::int32_t {
    kOpReplace = 1,
    kOpAdd = 2,
    kOpSubtract = 3,
    kOpMultiply = 4,
    kOpDivide = 5,
    kOpRemainder = 6,
    kOpAnd = 7,
    kOpOr = 8,
    kOpXor = 9,
    kOpComplement = 10,
    kOpShiftLeft = 11,
    kOpShiftRight = 12,
    kOpContains = 13,        // <:  left contains right
    kOpContainedIn = 14,     // >:  right contains left
    kOpNotContains = 15,     // <!
    kOpNotContainedIn = 16,  // >!
    kOpEqual = 17,
    kOpNotEqual = 18,
    kOpChain = 19,
    kOpSubstring = 20,
    kOpLess = 21,
    kOpLessEqual = 22,
    kOpGreater = 23,
    kOpGreaterEqual = 24,
};

struct TCodeData {
    std::int32_t kind = kCodeError;
    std::int32_t number = 0;
    std::string text;
    std::vector<TCodeData> children;
    // A block or loop whose end was never found, or a BREAK outside any loop. Kept apart from
    // the number so that a block opened at position 0 is not mistaken for an unclosed one.
    bool unclosed = false;

    bool operator==(const TCodeData&) const = default;
};

using CodeList = std::vector<TCodeData>;

}  // namespace tabrix
