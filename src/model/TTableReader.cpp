#include "model/TTableReader.h"

#include <csv.h>

#include <cstring>
#include <new>

#include "model/RunInParts.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// No character is a space to be trimmed: a text keeps its blanks.
int NoSpace(unsigned char) {
    return 0;
}

// The first character of utf8 (valid UTF-8) that has no CP932 form.
std::string FirstWithoutCp932Form(std::string_view utf8) {
    std::string ignored;
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length = 1;
        while (at + length < utf8.size() &&
               (static_cast<unsigned char>(utf8[at + length]) & 0xC0) == 0x80)
            ++length;
        if (!TextCodec::FromUtf8(utf8.substr(at, length), ignored))
            return std::string(utf8.substr(at, length));
        at += length;
    }
    return {};
}

// One pass of libcsv over the bytes, fed a line at a time so that every field knows its line.
class Splitter {
public:
    // convert: the bytes are UTF-8 still, and each field is converted to CP932 on its own.
    // linesBefore: the lines of the file before bytes begin.
    Splitter(const TTableFormat& format, bool convert, TTableRows& rows,
             std::size_t linesBefore = 0)
        : rows_(rows), line_(linesBefore), convert_(convert) {
        if (csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
        csv_set_delim(&parser_, static_cast<unsigned char>(format.Delimiter()));
        csv_set_space_func(&parser_, NoSpace);
    }
    ~Splitter() { csv_free(&parser_); }
    Splitter(const Splitter&) = delete;
    Splitter& operator=(const Splitter&) = delete;
    // The rows wanted: reading stops at the first line beyond them.
    void Limit(std::size_t rows) { limit_ = rows; }

    TTableProblem Run(std::string_view bytes) {
        for (std::size_t at = 0; at < bytes.size() && !problem_;) {
            const std::size_t end = LineEnd(bytes, at);
            ++line_;
            const std::string_view piece = bytes.substr(at, end - at);
            const bool parsed = csv_parse(&parser_, piece.data(), piece.size(), OnField, OnRow,
                                          this) == piece.size();
            // A line begins one row at most: once there is a row too many, whatever went
            // wrong went wrong beyond the rows wanted.
            if (rows_.size() > limit_) {
                rows_.Truncate(limit_);
                return {};
            }
            if (!parsed && !problem_) return ParseFailure();
            at = end;
        }
        if (problem_) return problem_;
        // A quoted field still open at the end runs on to the line after the last line break.
        if (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) ++line_;
        if (csv_fini(&parser_, OnField, OnRow, this) != 0 && !problem_) return ParseFailure();
        return problem_;
    }

private:
    static std::size_t LineEnd(std::string_view bytes, std::size_t at) {
        const std::size_t found = TTableReader::FindLineBreak(bytes, at);
        if (found == std::string_view::npos) return bytes.size();
        if (bytes[found] == '\r' && found + 1 < bytes.size() && bytes[found + 1] == '\n')
            return found + 2;
        return found + 1;
    }

    static void OnField(void* data, std::size_t size, void* self) {
        static_cast<Splitter*>(self)->Field(std::string_view(static_cast<char*>(data), size));
    }
    static void OnRow(int, void* self) { static_cast<Splitter*>(self)->open_ = false; }

    void Field(std::string_view text) {
        if (problem_) return;
        if (!open_) {
            rows_.BeginRow(line_ - TTableReader::LineBreaks(text));
            open_ = true;
        }
        if (!convert_) {
            rows_.AddField(text);
            return;
        }
        if (TextCodec::FromUtf8(text, cp932_)) {
            rows_.AddField(cp932_);
            return;
        }
        const std::string shown = TextCodec::ValidUtf8(text);
        const bool valid = shown == text;
        problem_ = {valid ? TTableProblem::kNoCp932Form : TTableProblem::kNotUtf8,
                    line_ - TTableReader::LineBreaks(text), LastRowFields() + 1, shown,
                    valid ? FirstWithoutCp932Form(text) : std::string()};
    }

    TTableProblem ParseFailure() {
        if (csv_error(&parser_) != CSV_EPARSE) throw std::bad_alloc();
        // A row not begun yet is beyond the rows wanted.
        if (!open_ && rows_.size() >= limit_) return {};
        const std::string_view partial(reinterpret_cast<const char*>(parser_.entry_buf),
                                       parser_.entry_pos);
        const std::size_t column = open_ ? LastRowFields() + 1 : 1;
        return {TTableProblem::kBrokenQuote,
                line_ - TTableReader::LineBreaks(partial),
                column,
                convert_ ? TextCodec::ValidUtf8(partial) : TextCodec::ToUtf8(partial),
                {}};
    }

    std::size_t LastRowFields() const { return rows_[rows_.size() - 1].fields.size(); }

    csv_parser parser_{};
    std::string cp932_;  // a field converted
    TTableRows& rows_;
    TTableProblem problem_;
    std::size_t line_ = 0;
    std::size_t limit_ = static_cast<std::size_t>(-1);
    bool open_ = false;  // a row has begun and not ended
    bool convert_;
};

// Where the part after the first begins, for parts parts of bytes: just after a line break
// at or after the part's share, outside quotes (an even number of quotes before it, which in a
// well-formed file means between rows). Empty when no such place divides the bytes.
std::vector<std::size_t> PartStarts(std::string_view bytes, std::size_t parts) {
    std::vector<std::size_t> starts{0};
    std::size_t quotes = 0;
    std::size_t counted = 0;  // quotes are counted up to here
    auto countTo = [&](std::size_t end) {
        for (const char* at = bytes.data() + counted;
             (at = static_cast<const char*>(
                  std::memchr(at, '"', bytes.size() - (at - bytes.data())))) &&
             at < bytes.data() + end;
             ++at)
            ++quotes;
        counted = end;
    };
    for (std::size_t p = 1; p < parts; ++p) {
        std::size_t at = std::max(bytes.size() * p / parts, starts.back());
        for (;;) {
            const std::size_t found = TTableReader::FindLineBreak(bytes, at);
            if (found == std::string_view::npos) return {};
            at = found +
                 (bytes[found] == '\r' && found + 1 < bytes.size() && bytes[found + 1] == '\n' ? 2
                                                                                               : 1);
            countTo(at);
            if (quotes % 2 == 0) break;
        }
        if (at >= bytes.size()) return {};
        starts.push_back(at);
    }
    return starts;
}

// A large file is split into parts between rows, each part converted and split on a thread of
// its own. A part with a problem sends the whole file the one-thread way, which finds and
// reports the file's first problem.
bool ReadInParts(std::string_view bytes, bool utf8, const TTableFormat& format, TTableRows& rows) {
    constexpr std::size_t kBytesForParts = std::size_t{4} << 20;
    const std::size_t parts = PartsFor(bytes.size(), kBytesForParts);
    if (parts < 2) return false;
    const std::vector<std::size_t> starts = PartStarts(bytes, parts);
    if (starts.empty()) return false;
    std::vector<TTableRows> read(starts.size());
    std::vector<std::size_t> linesBefore(starts.size(), 0);
    for (std::size_t p = 1; p < starts.size(); ++p)
        linesBefore[p] = linesBefore[p - 1] + TTableReader::LineBreaks(bytes.substr(
                                                  starts[p - 1], starts[p] - starts[p - 1]));
    std::vector<char> failed(starts.size(), 0);
    RunInParts(starts.size(), [&](std::size_t p) {
        const std::size_t end = p + 1 < starts.size() ? starts[p + 1] : bytes.size();
        std::string_view part = bytes.substr(starts[p], end - starts[p]);
        std::string cp932;
        if (utf8) {
            if (!TextCodec::FromUtf8(part, cp932)) {
                failed[p] = 1;
                return;
            }
            part = cp932;
        }
        failed[p] = Splitter(format, false, read[p], linesBefore[p]).Run(part) ? 1 : 0;
    });
    for (char fail : failed)
        if (fail) return false;
    for (TTableRows& part : read)
        rows.Append(std::move(part));
    return true;
}

}  // namespace

TTableProblem TTableReader::Read(std::string_view bytes, const TTableFormat& format,
                                 TTableRows& rows) {
    rows.clear();
    bool utf8 = format.encoding == TTableFormat::kUtf8;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
        utf8 = true;
    }
    if (ReadInParts(bytes, utf8, format, rows)) return {};
    rows.clear();
    if (!utf8) return Splitter(format, false, rows).Run(bytes);
    // The whole file at once when it converts, the usual case: one conversion rather than one
    // per field. Structural characters are ASCII, and no CP932 character holds an ASCII byte
    // below 0x40, so splitting the converted bytes gives the converted fields.
    std::string cp932;
    if (TextCodec::FromUtf8(bytes, cp932)) return Splitter(format, false, rows).Run(cp932);
    return Splitter(format, true, rows).Run(bytes);
}

TTableProblem TTableReader::ReadFirst(std::string_view bytes, const TTableFormat& format,
                                      std::size_t count, TTableRows& rows) {
    rows.clear();
    bool utf8 = format.encoding == TTableFormat::kUtf8;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
        utf8 = true;
    }
    Splitter splitter(format, utf8, rows);
    splitter.Limit(count);
    return splitter.Run(bytes);
}

std::size_t TTableReader::LineOf(const TTableRow& row, std::size_t k) {
    std::size_t line = row.line;
    for (std::size_t i = 0; i < k && i < row.fields.size(); ++i)
        line += LineBreaks(row.fields[i]);
    return line;
}

// Two scans the library does a word at a time are quicker than one that asks, byte by byte,
// whether the byte is one of two.
std::size_t TTableReader::FindLineBreak(std::string_view text, std::size_t from) {
    if (from >= text.size()) return std::string_view::npos;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto* lf = static_cast<const char*>(std::memchr(begin + from, '\n', text.size() - from));
    const char* stop = lf ? lf : end;
    const auto* cr = static_cast<const char*>(
        std::memchr(begin + from, '\r', static_cast<std::size_t>(stop - begin) - from));
    const char* found = cr ? cr : lf;
    return found ? static_cast<std::size_t>(found - begin) : std::string_view::npos;
}

std::size_t TTableReader::LineBreaks(std::string_view text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++breaks;
        } else if (text[i] == '\r') {
            ++breaks;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return breaks;
}

}  // namespace tabrix
