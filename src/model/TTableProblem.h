// Why a table could not be imported, and where: the line (counted from 1, as an editor shows
// the file), the column (from 1) and the field's text. Texts are UTF-8, as a message shows them:
// a field may hold what CP932 cannot.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/FileResult.h"

namespace tabrix {

struct TTableProblem {
    enum Kind {
        kNone,
        kNoHeader,         // the file holds no row at all
        kBrokenQuote,      // a quote inside an unquoted field, text after a closing quote, or
                           // a quoted field that never ends
        kNotUtf8,          // bytes that are not UTF-8 in a UTF-8 file
        kNoCp932Form,      // a character CP932 cannot hold (detail: the character)
        kUnknownColumn,    // a header naming neither "出力" nor a parameter
        kDuplicateColumn,  // a second column for the same parameter
        kExtraField,       // a value in a row beyond the header's columns
        kNotANumber,
        kNumberOutOfRange,  // a number its parameter's type cannot hold
        kNotABoolean,
        kUnknownChoice,    // neither a choice name nor a number
        kBadReference,     // not of the form GROUP:ELEMENT (or GROUP)
        kNoSuchTarget,     // a reference to a group or element that is not there
        kLineBreakInText,  // a single text holding a line break
        kNoElementData,    // the group shows no element data
        kKindCount
    };

    Kind kind = kNone;
    std::size_t line = 0;
    std::size_t column = 0;
    std::string value;
    std::string detail;

    explicit operator bool() const { return kind != kNone; }
};

// What a kind of problem is, in English for the terminal or in Japanese for a window (UTF-8),
// from one table; a value outside the enum reads "bad input".
std::string_view Describe(TTableProblem::Kind kind,
                          ResultLanguage language = ResultLanguage::kEnglish);

}  // namespace tabrix
