#include "model/TTableWriter.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "model/RunInParts.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTableForms.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

bool NeedsQuotes(std::string_view field, char delimiter) {
    for (const char c : field)
        if (c == delimiter || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

void AppendQuoted(std::string_view field, std::string& out) {
    out += '"';
    for (char c : field)
        (c == '"' ? out += "\"\"" : out += c);
    out += '"';
}

// One part of a table: rows made in CP932 one at a time and converted as they are made, into a
// result sized from the first rows (grown by doubling, or converted as a whole in a second
// buffer, the table would cost more than writing it).
class RowWriter {
public:
    RowWriter(const TZQLCtrl& library, const TTableFormat& format)
        : forms_(library),
          delimiter_(format.Delimiter()),
          utf8_(format.encoding == TTableFormat::kUtf8) {}

    void Head(std::string& out) {
        row_ = TTableForms::kOutputHead;
        for (std::size_t i = 0; i < forms_.ParameterCount(); ++i) {
            row_ += delimiter_;
            AppendField(forms_.Head(i));
        }
        Put(out);
    }

    void Rows(const TGroupData& data, std::size_t first, std::size_t end, std::string& out) {
        constexpr std::size_t kSampleRows = 1024;
        // An element's values, and the elements its references lead to, lie anywhere in
        // memory: they are asked for some rows before they are written.
        constexpr std::size_t kValuesAhead = 16, kTargetsAhead = 8;
        for (std::size_t k = first; k < end; ++k) {
            if (k + kValuesAhead < end) data.At(k + kValuesAhead)->PrefetchValues();
            if (k + kTargetsAhead < end) PrefetchTargets(*data.At(k + kTargetsAhead));
            Row(*data.At(k), out);
            if (k - first + 1 == kSampleRows && end - first > kSampleRows)
                out.reserve(out.size() / kSampleRows * (end - first) * 9 / 8);
        }
    }

    void Elements(const std::vector<const TElement*>& elements, std::string& out) {
        for (const TElement* element : elements)
            Row(*element, out);
    }

private:
    void PrefetchTargets(const TElement& element) const {
        for (std::size_t i = 0; i < forms_.ParameterCount(); ++i) {
            if (!element.HoldsElementRefs(i)) continue;
            for (const NumberItem item : element.Numbers(i))
                __builtin_prefetch(TElement::AsElement(item));
        }
    }

    void Row(const TElement& element, std::string& out) {
        row_.assign(1, element.OutputFlag() ? '1' : '0');
        for (std::size_t i = 0; i < forms_.ParameterCount(); ++i) {
            row_ += delimiter_;
            const std::size_t start = row_.size();
            forms_.AppendValue(element, i, row_);
            QuoteFrom(start);
        }
        Put(out);
    }

    void AppendField(std::string_view field) {
        const std::size_t start = row_.size();
        row_ += field;
        QuoteFrom(start);
    }

    // Quotes the field written from start on when it needs quotes (few do).
    void QuoteFrom(std::size_t start) {
        if (!NeedsQuotes(std::string_view(row_).substr(start), delimiter_)) return;
        field_.assign(row_, start);
        row_.resize(start);
        AppendQuoted(field_, row_);
    }

    void Put(std::string& out) {
        row_ += "\r\n";
        if (utf8_)
            TextCodec::AppendUtf8(row_, out);
        else
            out += row_;
    }

    const TTableForms forms_;
    const char delimiter_;
    const bool utf8_;
    std::string row_;
    std::string field_;
};

}  // namespace

// A large group is made in chunks of rows on every core and handed on in order while later
// chunks are being made: the same bytes as one thread makes, through a few buffers of a chunk.
bool TTableWriter::WriteTo(const TZQLCtrl& library, const TGroupSetting& group,
                           const TTableFormat& format, const Sink& sink) {
    std::string head;
    RowWriter(library, format).Head(head);
    if (!sink(head)) return false;
    const TGroupData* data = group.GroupData();
    if (!data) return true;
    constexpr std::size_t kRowsForParts = 50000, kChunkRows = 4096;
    const std::size_t size = data->Size();
    const std::size_t chunks = (size + kChunkRows - 1) / kChunkRows;
    const std::size_t parts = PartsFor(size, kRowsForParts);
    return MakeInOrder(
        chunks, parts > 1 ? parts : 0,
        [&](std::size_t c, std::string& out) {
            RowWriter(library, format)
                .Rows(*data, c * kChunkRows, std::min(size, (c + 1) * kChunkRows), out);
        },
        [&](std::string_view bytes) { return sink(bytes); });
}

std::string TTableWriter::Write(const TZQLCtrl& library, const TGroupSetting& group,
                                const TTableFormat& format) {
    std::string out;
    WriteTo(library, group, format, [&out](std::string_view bytes) {
        out += bytes;
        return true;
    });
    return out;
}

std::string TTableWriter::WriteElements(const TZQLCtrl& library,
                                        const std::vector<const TElement*>& elements,
                                        const TTableFormat& format) {
    std::string out;
    RowWriter writer(library, format);
    writer.Head(out);
    writer.Elements(elements, out);
    return out;
}

}  // namespace tabrix
