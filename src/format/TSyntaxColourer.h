// Colours format text by what the compiler makes of each piece: statements, references,
// functions, comments and plain text each get their colour, pieces that do not compile (and
// the kinds that have no colour of their own) are struck out in yellow, and every "%" that
// separates pieces is purple. Only the spans are computed here; a rich-text editor applies them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/TCodeData.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TZQLCtrl;

// One run of characters of one line with one colour. begin and end count bytes of the line's
// CP932 text (end is one past the run), or UTF-16 code units after TSyntaxColourer::InUtf16.
struct TColourSpan {
    std::size_t line = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::uint32_t colour = 0;  // red in the lowest byte, then green, then blue
    bool strikeout = false;

    bool operator==(const TColourSpan&) const = default;
};

using ColourSpans = std::vector<TColourSpan>;

class TSyntaxColourer {
public:
    static constexpr std::uint32_t kBlack = 0x000000;
    static constexpr std::uint32_t kSeparatorPurple = 0x800080;  // 128, 0, 128
    static constexpr std::uint32_t kStruckYellow = 0x00FFFF;     // 255, 255, 0

    // Compiles against library: its escape rules, its parameter identifiers and word tables.
    // For a dialog that edits parameters, a transient library carrying the working copy.
    explicit TSyntaxColourer(const TZQLCtrl& library) : library_(library) {}

    // The spans of the format held as lines (an editor's text cut at its line breaks). Every
    // byte of every line lies in exactly one span, in text order; the line breaks themselves
    // are not part of any line and get no span. Spans never divide a character.
    ColourSpans Colour(const StringList& lines) const;

    // The colour of a node as it stands in the compiled list; strikeout is set for the kinds
    // shown struck out.
    static std::uint32_t ColourOfNode(const TCodeData& node, bool& strikeout);

    // The same spans counted in UTF-16 code units of each line's text as the screen shows it,
    // for editors that hold Unicode strings.
    static ColourSpans InUtf16(const StringList& lines, const ColourSpans& byteSpans);
    // The number of UTF-16 code units the CP932 text becomes on screen.
    static std::size_t Utf16Length(std::string_view cp932);

private:
    const TZQLCtrl& library_;
};

}  // namespace tabrix
