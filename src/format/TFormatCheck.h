// Reads a format the way its author would want it proof-read: the pieces that do not compile,
// and the pieces that compile but most likely not as meant - a word between "%" that is plain
// text, a name no parameter has, an IF or WHILE block that is never closed. Reporting only:
// the format compiles exactly as it always does.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/TStringDivision.h"

namespace tabrix {

class TZQLCtrl;

struct TFormatFinding {
    enum Kind { kError, kPlainWord, kUnknownName, kUnclosedBlock };
    Kind kind;
    std::size_t piece;   // 1-based ordinal among the format's pieces
    std::size_t line;    // 1-based line of the format's text
    std::size_t column;  // 1-based, in characters (a double-byte character is one)
    std::string text;    // the piece, the name or the block's statement word (CP932)
};

class TFormatCheck {
public:
    explicit TFormatCheck(const TZQLCtrl& library);

    // The findings of one format, in the order of the text.
    std::vector<TFormatFinding> Check(const StringList& lines) const;

private:
    struct Place {
        std::size_t line;
        std::size_t column;
    };
    Place PlaceOf(const StringList& lines, std::size_t offset) const;

    const TZQLCtrl& library_;
};

}  // namespace tabrix
