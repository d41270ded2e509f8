// Writes one group as a table: a header row ("出力" and the column heads of TTableForms), then
// one row per element, rows ended by CR LF; a field holding the delimiter, a quote or a line
// break is quoted, its quotes doubled (RFC 4180; the same for tab-separated values).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/TTableFormat.h"

namespace tabrix {

class TElement;
class TGroupSetting;
class TZQLCtrl;

class TTableWriter {
public:
    // The file's bytes in the format's encoding (UTF-8 without a byte-order mark).
    static std::string Write(const TZQLCtrl& library, const TGroupSetting& group,
                             const TTableFormat& format);
    // The same bytes handed to sink piece by piece, in order, rather than gathered into one
    // string; false as soon as sink returns false.
    using Sink = std::function<bool(std::string_view bytes)>;
    static bool WriteTo(const TZQLCtrl& library, const TGroupSetting& group,
                        const TTableFormat& format, const Sink& sink);
    // The same table of the elements given, in their order (the rows a user copies).
    static std::string WriteElements(const TZQLCtrl& library,
                                     const std::vector<const TElement*>& elements,
                                     const TTableFormat& format);
};

}  // namespace tabrix
