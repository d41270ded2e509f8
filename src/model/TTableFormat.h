// How a group is exchanged with a spreadsheet: comma-separated (RFC 4180) or tab-separated
// values, in UTF-8 or CP932. Both kinds quote a field the same way, as spreadsheets do when they
// copy cells holding line breaks.
#pragma once

namespace tabrix {

struct TTableFormat {
    enum Kind { kCsv, kTsv };
    enum Encoding { kUtf8, kCp932 };

    Kind kind = kCsv;
    Encoding encoding = kUtf8;

    char Delimiter() const { return kind == kTsv ? '\t' : ','; }
};

}  // namespace tabrix
