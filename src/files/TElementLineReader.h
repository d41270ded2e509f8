// Decodes the element lines of an element data file into elements. A reader holds what it
// needs of the library (the divider, the parameter types, the escape forms by first byte) and
// its own scratch values, and changes nothing shared, so that several readers can decode parts
// of one file at the same time.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/TElement.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TZQLCtrl;

// A reference value as read: its field text, cut into items once the file is decoded.
struct TReadReference {
    TElement* element;
    std::uint32_t param;
    std::string_view field;
};

class TElementLineReader {
public:
    // With checksWritten, each line decoded is also checked against what the writer would
    // build from the element it gave (see LastLineAsWritten).
    // With leavesWritten besides, Decode builds no values for a line it finds as written
    // (LastLineLeft): a save that changes nothing writes such lines back as they stand.
    explicit TElementLineReader(const TZQLCtrl& library, bool checksWritten = false,
                                bool leavesWritten = false);

    // Fills element from line. Reference values are left pending, with room for their
    // targets, and their field texts appended to refs.
    void Decode(TElement& element, std::string_view line, std::vector<TReadReference>& refs);

    // True when the reader checks lines and the last line decoded is byte for byte what the
    // writer builds from its element under the library as it is now: a plain output flag, every
    // text item escaped as the writer escapes it, both sections, plain decimal numbers and no
    // reference. False whenever in doubt.
    bool LastLineAsWritten() const { return checksWritten_ && asWritten_; }
    // True when Decode left the element of the last line without its values: the line is as
    // written and the reader leaves such lines (see the constructor).
    bool LastLineLeft() const { return left_; }
    // Builds the values Decode left out of element, from the same line; the checks of the
    // lines to come go on as if it had not been called.
    void Build(TElement& element, std::string_view line);

    // Replaces items by the items of a reference field as read, cut at "#" as the library's
    // divider cuts: views into field.
    static void CutReferenceItems(const TStringDivision& division, std::string_view field,
                                  std::vector<std::string_view>& items);

    // What a text item holds beside its end: no escape or separator byte, only quiet ones
    // (second bytes, and escapes the writer writes back the same), or more.
    enum class ItemInside { kNone, kQuiet, kMore };

    // What TStringDivision::ToULong reads from a number item, plain decimals without it.
    static std::uint32_t ReadNumber(std::string_view item);

private:
    // Decodes a long line's texts straight into the element's buffer, after counting them.
    void DecodeInPlace(TElement& element, std::string_view rest, std::vector<TReadReference>& refs);
    // Decodes the text section at the front of rest into sink; returns where the number
    // section begins (rest.size() when there is none). kChecks: also checks each item against
    // what the writer writes (see LastLineAsWritten).
    template <bool kChecks, typename Sink>
    std::size_t DecodeTexts(std::string_view rest, Sink& sink);
    void DecodeNumbers(TElement& element, std::string_view rest, std::vector<TReadReference>& refs);
    void DecodePlainNumbers(TElement& element, std::string_view rest,
                            std::vector<TReadReference>& refs);
    // Reads the number item at pos of a plain number section, appending it with kKeeps;
    // returns where it ends.
    template <bool kKeeps>
    std::size_t ReadPlainItem(std::string_view rest, std::size_t pos);
    // Whether the line after its flag is as written, found without building its values; false
    // (asWritten_ cleared) as soon as it is not, and the scratch values then hold nothing of use.
    bool CheckedAsWritten(std::string_view rest);
    // DecodePlainNumbers's walk keeping nothing: clears asWritten_ at the first reference value
    // or number not as the writer writes it.
    void CheckPlainNumbers(std::string_view rest);
    void AddPendingReference(TElement& element, std::size_t i, std::string_view field,
                             std::size_t items, std::vector<TReadReference>& refs);
    // Appends item with its escaped forms replaced, as the divider's unescaping does.
    template <typename Sink>
    void AppendUnescaped(std::string_view item, Sink& out);
    std::uint8_t TypeAt(std::size_t i) const { return i < types_.size() ? types_[i] : 0xFF; }
    // Clears asWritten_ unless raw, the item as it stands in the line, is what the writer makes
    // of its text, the chars decoded from mark on.
    void CheckItemAsWritten(std::string_view raw, ItemInside inside, std::size_t mark);
    // True when division classes bytes as the item scanner does.
    static bool ClassesAsScanner(const TStringDivision& division);
    void FindQuietEscapes();
    bool FindEscapePlains();

    const TStringDivision& division_;
    std::vector<std::uint8_t> types_;  // the parameter types, by position
    // The escape map's entries by the first byte of their escaped form, in the map's order.
    std::array<std::vector<const EscapeMap::value_type*>, 256> escapesByFirst_;
    // The one byte every escaped form begins with, so an item without it is copied as it is;
    // -1 when there are no forms, -2 when they begin with different bytes.
    int soleEscapeStart_ = -1;
    // True when an item holding no escape byte is its own text: every escaped form begins
    // with one.
    bool unescapesAsIs_ = true;
    // The bytes plain forms begin with beside the escape byte and separators ("%" in a
    // library), and whether the line being decoded holds one.
    std::string otherPlainStarts_;
    bool otherPlainStartsInLine_ = false;
    // The division classes bytes as the item scanner does (see ClassesAsScanner).
    bool scannerClasses_ = false;
    // By the byte after the escape byte: the escapes an item may hold and still be taken as
    // the writer writes it without escaping its text again (see FindQuietEscapes).
    std::array<bool, 256> quietEscapes_{};
    // Items holding nothing but quiet stops are as the writer writes them, unless the line
    // holds another plain start: CheckItemAsWritten's first test, made without a call.
    bool quietItemsAsWritten_ = false;
    // The item scanner unescapes items as it walks them (see FindEscapePlains), by the plain
    // forms of the two-byte escapes by their second byte and of "\||".
    bool scannerUnescapes_ = false;
    std::array<const std::string*, 256> escapePlains_{};
    const std::string* barsPlain_ = nullptr;
    bool checksWritten_;
    bool asWritten_ = false;
    bool leavesWritten_ = false;
    bool left_ = false;
    static constexpr std::size_t kLinesNotAsWrittenBeforeGivingUp = 256;
    std::size_t linesNotAsWritten_ = 0;  // in a row, up to the last line
    std::string escaped_;                // scratch for CheckItemAsWritten
    TElement::Values values_;            // reused: one allocation per element, not per value
};

}  // namespace tabrix
