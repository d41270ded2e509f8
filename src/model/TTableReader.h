// Splits a CSV or TSV file into rows of CP932 fields with libcsv (quotes, doubled quotes, line
// breaks inside quoted fields, CR LF, CR or LF between rows; blank lines are skipped). A file
// beginning with a byte-order mark is read as UTF-8 whatever the format says. Spaces are part
// of a field, as RFC 4180 has it.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/TTableFormat.h"
#include "model/TTableProblem.h"
#include "model/TTableRows.h"

namespace tabrix {

class TTableReader {
public:
    // The rows of bytes; on a problem (a broken quote, bytes that are not UTF-8, a character
    // without a CP932 form) rows holds what came before it.
    static TTableProblem Read(std::string_view bytes, const TTableFormat& format, TTableRows& rows);
    // The first count rows only, for a preview: what comes after them is not read (nor
    // checked), so a large file shows at once.
    static TTableProblem ReadFirst(std::string_view bytes, const TTableFormat& format,
                                   std::size_t count, TTableRows& rows);
    // The line field k of row begins on: fields before it may hold line breaks.
    static std::size_t LineOf(const TTableRow& row, std::size_t k);
    // The line breaks in text (CR LF counted once).
    static std::size_t LineBreaks(std::string_view text);
    // Where the first CR or LF of text from from on stands; npos when there is none.
    static std::size_t FindLineBreak(std::string_view text, std::size_t from = 0);
};

}  // namespace tabrix
