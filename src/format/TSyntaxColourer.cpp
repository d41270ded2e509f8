#include "format/TSyntaxColourer.h"

#include <algorithm>
#include <string>

#include "format/TFormatCompiler.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

constexpr std::uint32_t Rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return red | (green << 8) | (blue << 16);
}

// Cuts ranges of the joined text (the lines with nothing between them, as the compiler reads
// them) into spans of single lines. Ranges must come in text order.
class SpanWriter {
public:
    explicit SpanWriter(const StringList& lines) : lines_(lines) {}

    void Add(std::size_t begin, std::size_t end, std::uint32_t colour, bool strikeout) {
        while (begin < end) {
            SkipLinesBefore(begin);
            if (line_ >= lines_.size()) return;
            const std::size_t lineEnd = lineStart_ + lines_[line_].size();
            const std::size_t stop = std::min(end, lineEnd);
            spans_.push_back({line_, begin - lineStart_, stop - lineStart_, colour, strikeout});
            begin = stop;
        }
    }

    ColourSpans Take() { return std::move(spans_); }

private:
    // Moves to the line holding the byte at position; empty lines hold none.
    void SkipLinesBefore(std::size_t position) {
        while (line_ < lines_.size() && position >= lineStart_ + lines_[line_].size()) {
            lineStart_ += lines_[line_].size();
            ++line_;
        }
    }

    const StringList& lines_;
    std::size_t line_ = 0;
    std::size_t lineStart_ = 0;
    ColourSpans spans_;
};

}  // namespace

ColourSpans TSyntaxColourer::Colour(const StringList& lines) const {
    TFormatCompiler compiler(library_);
    CodeList code;
    compiler.Compile(lines, code);
    // The pieces are found in the joined text, exactly where the compiler finds them, so that
    // an escape or a double-byte character reaching across a line break is judged the same.
    const std::vector<std::size_t> separators = compiler.SeparatorPositions(lines);
    std::size_t length = 0;
    for (const std::string& line : lines)
        length += line.size();

    SpanWriter writer(lines);
    std::size_t node = 0;
    // A piece that is empty once the line breaks are left out produced no node; every other
    // piece produced exactly the next one.
    auto colourPiece = [&](std::size_t begin, std::size_t end) {
        if (begin == end) return;
        bool strikeout = false;
        // More pieces than nodes cannot happen; the surplus would be shown as plain text.
        std::uint32_t colour = node < code.size() ? ColourOfNode(code[node], strikeout) : kBlack;
        ++node;
        writer.Add(begin, end, colour, strikeout);
    };
    std::size_t start = 0;
    for (std::size_t separator : separators) {
        colourPiece(start, separator);
        writer.Add(separator, separator + 1, kSeparatorPurple, false);
        start = separator + 1;
    }
    colourPiece(start, length);
    return writer.Take();
}

std::uint32_t TSyntaxColourer::ColourOfNode(const TCodeData& node, bool& strikeout) {
    strikeout = false;
    switch (node.kind) {
        case kCodeText:
            return kBlack;
        case kCodeParameter:
            return Rgb(0, 0, 255);
        case kCodeLineBreak:
        case kCodeSize:
        case kCodeIndex:
        case kCodeWordWrap:
            return Rgb(255, 128, 64);
        case kCodeColor:
            return static_cast<std::uint32_t>(node.number);
        case kCodeWhile:
        case kCodeWend:
            return Rgb(0, 128, 0);
        case kCodeIfExist:
        case kCodeIfEmpty:
        case kCodeIf:
        case kCodeEndIf:
            return Rgb(255, 0, 0);
        case kCodeBreak:
            return Rgb(128, 128, 0);
        case kCodeCommentStart:
        case kCodeCommentBody:
            return Rgb(255, 128, 0);
        case kCodeEdit:
            return Rgb(0, 128, 255);
        case kCodeChangeGroup:
        case kCodeChangeLibrary:
            return Rgb(32, 128, 64);
        default:
            // Errors, and the kinds with no colour of their own (NEXT, BACK, IS_OUTPUT, TO,
            // NO_WRAP, ...), stand out as struck out.
            strikeout = true;
            return kStruckYellow;
    }
}

std::size_t TSyntaxColourer::Utf16Length(std::string_view cp932) {
    std::size_t units = 0;
    for (unsigned char byte : TextCodec::ToUtf8(cp932)) {
        if ((byte & 0xC0) == 0x80) continue;  // continuation of a sequence
        units += byte >= 0xF0 ? 2 : 1;        // beyond the basic plane: a surrogate pair
    }
    return units;
}

ColourSpans TSyntaxColourer::InUtf16(const StringList& lines, const ColourSpans& byteSpans) {
    ColourSpans spans;
    spans.reserve(byteSpans.size());
    // Spans usually follow each other; the position reached is reused instead of decoding the
    // line from its start again.
    std::size_t knownLine = 0;
    std::size_t knownByte = 0;
    std::size_t knownUnit = 0;
    for (const TColourSpan& span : byteSpans) {
        if (span.line >= lines.size()) continue;
        const std::string& text = lines[span.line];
        const std::size_t begin = std::min(span.begin, text.size());
        const std::size_t end = std::clamp(span.end, begin, text.size());
        if (span.line != knownLine || begin != knownByte) {
            knownUnit = Utf16Length(std::string_view(text).substr(0, begin));
        }
        TColourSpan converted = span;
        converted.begin = knownUnit;
        converted.end = knownUnit + Utf16Length(std::string_view(text).substr(begin, end - begin));
        spans.push_back(converted);
        knownLine = span.line;
        knownByte = end;
        knownUnit = converted.end;
    }
    return spans;
}

}  // namespace tabrix
