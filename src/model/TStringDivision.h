// Shift-JIS aware string cutter used by every reader and writer of library files.
//
// All texts are byte strings in code page 932; positions and lengths are byte counts. Searches
// never match on the trail byte of a double-byte character, can skip escaped characters and
// parenthesised groups, and the cut results can be trimmed and escaped or unescaped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix {

using StringList = std::vector<std::string>;
using EscapeMap = std::map<std::string, std::string>;  // escaped form -> plain form
using BlankSet = std::set<std::string>;

// Flags of the cutting operations; combine freely.
enum DivisionFlags : unsigned {
    kSkipBrackets = 0x01,  // when searching, skip a bracketed group (nesting counted)
    kSkipEscapes = 0x02,   // when searching, skip the escape character and the byte after it
    kTrimFront = 0x04,     // trim blanks at the start of each result
    kTrimBack = 0x08,      // trim blanks at the end of each result
    kUnescape = 0x10,      // escaped form -> plain form on each result
    kEscape = 0x20,        // together with kUnescape: plain form -> escaped form instead
};

// Byte classes returned by CharKind.
enum CharClass : int { kSingleByte = 0, kLeadByte = 1, kTrailByte = 2 };

class TStringDivision {
public:
    static constexpr std::size_t npos = std::string::npos;

    TStringDivision();
    TStringDivision(const TStringDivision&) = default;
    TStringDivision& operator=(const TStringDivision&) = default;
    virtual ~TStringDivision() = default;

    // The escape map libraries use for element texts: "\\", "\||", "\#", "\%", "\,".
    static EscapeMap LibraryEscapeMap();

    // Each argument that is given replaces the current value whole; absent ones keep it.
    void SetSyntax(std::optional<std::string> open, std::optional<std::string> close,
                   std::optional<std::string> escape, std::optional<EscapeMap> escapeMap,
                   std::optional<BlankSet> blanks);

    const std::string& OpenBracket() const { return open_; }
    const std::string& CloseBracket() const { return close_; }
    const std::string& Escape() const { return escape_; }
    const EscapeMap& EscapeMapping() const { return escapeMap_; }
    const BlankSet& Blanks() const { return blanks_; }

    // 0 = Shift-JIS (default), 1 = EUC, anything else = single-byte text.
    void SetCodeMode(std::uint8_t mode) { codeMode_ = mode; }
    std::uint8_t CodeMode() const { return codeMode_; }

    // Off (the default), a byte is classified by the rule library files were written with:
    // the first byte of a text never counts as a lead byte, so a 0x5C after it is a backslash.
    // On, a lead byte at the start pairs with its second byte as it does everywhere else; for
    // texts that no file layout depends on, such as format text being cut.
    void SetLeadAtStart(bool on) { leadAtStart_ = on; }
    bool LeadAtStart() const { return leadAtStart_; }

    // Classifies the byte at pos: kSingleByte, kLeadByte or kTrailByte.
    virtual int CharKind(std::string_view str, std::size_t pos) const;
    // True when pattern's bytes stand at pos and pos is 0 or not a trail byte.
    virtual bool MatchAt(std::string_view str, std::string_view pattern, std::size_t pos) const;

    // First match of pattern in [from, to] (start positions), or npos.
    std::size_t Find(std::string_view str, std::string_view pattern, std::size_t from = 0,
                     std::size_t to = npos, unsigned flags = 0) const;
    // The match nearest the end with a start position in [to, from], or npos; from = npos means
    // the last possible start. Escapes and bracket groups are judged exactly as Find judges them
    // when it walks str from its start, so both searches agree on what is escaped or grouped.
    std::size_t FindLast(std::string_view str, std::string_view pattern, std::size_t from = npos,
                         std::size_t to = 0, unsigned flags = 0) const;

    // The text before the (n+1)-th separator; str keeps the text after it. When the separator
    // is missing, returns the separator itself and leaves str unchanged.
    std::string CutField(std::string& str, std::string_view separator, std::size_t n = 0,
                         unsigned flags = 0) const;
    // CutField, but default when the separator is missing, or the field is empty and
    // allowEmpty is false.
    std::string GetField(std::string& str, std::string_view separator, std::size_t n,
                         std::string_view defaultValue, bool allowEmpty, unsigned flags = 0) const;
    // The text after the (n+1)-th separator counted from the end; str keeps the text before.
    std::string CutFieldFromEnd(std::string& str, std::string_view separator, std::size_t n = 0,
                                unsigned flags = 0) const;

    // The n-th piece of str cut at separator (the text after the last one when there are
    // fewer), normalised with flags.
    std::string GetPiece(std::string_view str, std::string_view separator, std::size_t n,
                         unsigned flags = 0) const;
    std::string GetPieceFromEnd(std::string_view str, std::string_view separator, std::size_t n,
                                unsigned flags = 0) const;
    // The text between the first open and the last close; close itself when either is missing.
    std::string Between(std::string_view str, std::string_view open, std::string_view close,
                        unsigned flags = 0) const;

    // Replaces list with the pieces of str; returns their count. An empty str gives one piece.
    std::size_t Split(std::string_view str, std::string_view separator, StringList& list,
                      unsigned flags = 0) const;
    // Splits into the work list.
    std::size_t Split(std::string_view str, std::string_view separator, unsigned flags = 0);
    static std::string Join(std::string_view separator, const StringList& list);
    std::string Join(std::string_view separator) const { return Join(separator, workList_); }
    StringList& WorkList() { return workList_; }

    std::string Normalize(std::string_view str, unsigned flags) const;
    // Normalize(str, kUnescape) or, with addEscapes, Normalize(str, kUnescape | kEscape),
    // appended to out; bytes are classified from where str's result begins in out.
    void AppendEscapeMapped(std::string& out, std::string_view str, bool addEscapes) const;
    // The most bytes escaping a text of size bytes can produce.
    std::size_t EscapedSizeBound(std::size_t size) const { return size * escapeGrowth_; }
    // Normalize(str, kUnescape | kEscape) written to out, which has room for
    // EscapedSizeBound(str.size()) bytes; returns the end of what was written. Bytes are
    // classified from out on, where the unescaping walk will classify them.
    char* EscapeInto(char* out, std::string_view str) const;
    // text without the trailing bytes that would make next, written right after it, a second
    // byte of a double-byte character (a lone lead byte left by a truncated file), so that a
    // reader splitting at next finds it where the writer put it.
    std::string_view WholeCharactersBefore(std::string_view text, char next) const {
        // No code mode has a lead byte below 0x81, and most texts end in a single byte.
        if (text.empty() || static_cast<unsigned char>(text.back()) < 0x81) return text;
        return CutDanglingLeadBytes(text, next);
    }
    std::string Trim(std::string_view str, unsigned flags) const;

    // Wildcard match with "*" and "?"; optionally returns the pattern pieces and the text each
    // one matched.
    bool Match(std::string_view pattern, std::string_view text, StringList* patternPieces = nullptr,
               StringList* textPieces = nullptr) const;

    // Automatic base (0x hex, leading 0 octal, else decimal), optional sign; the whole text must
    // be a number or defaultValue is returned. An empty text gives 0.
    static std::int32_t ToLong(std::string_view str, std::int32_t defaultValue);
    // ToLong's reading, or none when the text is not a number.
    static std::optional<std::int32_t> ReadLong(std::string_view str);
    static std::uint32_t ToULong(std::string_view str, std::uint32_t defaultValue);
    // printf with "%" + spec, e.g. Format("u", 5), Format("d", -1).
    static std::string Format(std::string_view spec, std::int64_t value);

private:
    // Walks the start positions first..last as Find does. Returns the first match at or above
    // lowest, or with wantLast the last such match.
    std::size_t Scan(std::string_view str, std::string_view pattern, std::size_t first,
                     std::size_t last, std::size_t lowest, unsigned flags, bool wantLast) const;
    // Position of the (n+1)-th separator from the front or from the end, or npos.
    std::size_t FindNth(std::string_view str, std::string_view separator, std::size_t n,
                        unsigned flags) const;
    std::size_t FindNthFromEnd(std::string_view str, std::string_view separator, std::size_t n,
                               unsigned flags) const;
    // The last separator that ends at or before end, or npos.
    std::size_t FindLastEndingBy(std::string_view str, std::string_view separator, std::size_t end,
                                 unsigned flags) const;
    std::size_t SkipBracketGroup(std::string_view str, std::size_t pos) const;

    std::string ApplyEscapeMap(std::string_view str, bool addEscapes) const;
    const EscapeMap::value_type* EscapedFormAt(std::string_view str, std::size_t pos) const;
    // An entry of the escape map, kept in the map's order for escaping.
    struct EscapeForm {
        std::string escaped;
        std::string plain;
    };
    const EscapeForm* PlainFormAt(std::string_view str, std::size_t pos) const;

    // Marks the bytes the escaped and the plain forms of the escape map begin with, so that
    // escaping and unescaping pass over every other byte without trying the map.
    void IndexEscapeMap();
    int KindAfter(std::string_view text, unsigned char byte) const;
    std::string_view CutDanglingLeadBytes(std::string_view text, char next) const;

    std::string open_ = "(";
    std::string close_ = ")";
    std::string escape_ = "\\";
    EscapeMap escapeMap_;
    std::array<bool, 256> escapedStarts_{};
    std::array<bool, 256> plainStarts_{};
    std::vector<EscapeForm> escapeForms_;  // the map's entries with a plain form, in its order
    std::size_t escapeGrowth_ = 1;         // the largest escaped size per plain byte, rounded up
    BlankSet blanks_;
    StringList workList_;
    std::uint8_t codeMode_ = 0;
    bool leadAtStart_ = false;
};

}  // namespace tabrix
