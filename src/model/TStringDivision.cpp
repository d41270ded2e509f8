#include "model/TStringDivision.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "model/ShortCopy.h"

namespace tabrix {

namespace {

constexpr std::uint8_t kShiftJisMode = 0;
constexpr std::uint8_t kEucMode = 1;

unsigned char ByteAt(std::string_view str, std::size_t pos) {
    return static_cast<unsigned char>(str[pos]);
}

// Shift-JIS lead bytes as the library files have always been classified: 0x81-0x9F and
// 0xE0-0xEF (the user-defined area above 0xEF is not treated as a lead range).
constexpr bool IsShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xEF);
}

constexpr bool IsEucLead(unsigned char byte) {
    return byte >= 0xA1 && byte <= 0xFE;
}

using LeadTable = std::array<bool, 256>;

// The lead bytes as tables, so that classifying walks test a byte with one load.
template <bool (*isLead)(unsigned char)>
constexpr LeadTable MakeLeadTable() {
    LeadTable table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = isLead(static_cast<unsigned char>(byte));
    return table;
}
constexpr LeadTable kShiftJisLeads = MakeLeadTable<IsShiftJisLead>();
constexpr LeadTable kEucLeads = MakeLeadTable<IsEucLead>();

// The lead bytes of a code mode; none for single-byte text.
const LeadTable* LeadsOf(std::uint8_t codeMode) {
    if (codeMode == kShiftJisMode) return &kShiftJisLeads;
    return codeMode == kEucMode ? &kEucLeads : nullptr;
}

bool StandsAt(std::string_view str, std::string_view pattern, std::size_t pos) {
    return pos <= str.size() && str.size() - pos >= pattern.size() &&
           str.compare(pos, pattern.size(), pattern) == 0;
}

// --- wildcard matching --------------------------------------------------------------------

// One run of TStringDivision::Match. The pattern is walked once from the front; a star takes
// the text only up to the first occurrence of the next literal character (no backtracking).
class WildcardMatcher {
public:
    WildcardMatcher(const TStringDivision& division, std::string_view pattern,
                    std::string_view text, StringList* patternPieces, StringList* textPieces)
        : division_(division),
          pattern_(pattern),
          text_(text),
          patternPieces_(patternPieces),
          textPieces_(textPieces) {}

    bool Run() {
        while (patternPos_ < pattern_.size()) {
            Step step = IsWildcardAt(patternPos_, '*')   ? Star()
                        : IsWildcardAt(patternPos_, '?') ? Questions()
                                                         : OrdinaryByte();
            if (step != Step::kGoOn) return step == Step::kMatched;
        }
        return Check();
    }

private:
    enum class Step { kGoOn, kMatched, kFailed };

    // A "*" or "?" byte counts only when it is not the second byte of a double-byte character.
    bool IsWildcardAt(std::size_t pos, char wildcard) const {
        return pattern_[pos] == wildcard && division_.CharKind(pattern_, pos) != kTrailByte;
    }

    std::size_t CharLength(std::string_view str, std::size_t pos) const {
        return division_.CharKind(str, pos) == kLeadByte && pos + 1 < str.size() ? 2 : 1;
    }

    bool OnlyStarsFrom(std::size_t pos) const {
        return pattern_.find_first_not_of('*', pos) == std::string_view::npos;
    }

    void Emit() {
        if (!piece_.empty()) {
            if (patternPieces_) patternPieces_->push_back(piece_);
            if (textPieces_) textPieces_->push_back(textPiece_);
        }
        piece_.clear();
        textPiece_.clear();
    }

    // A literal piece must equal the text it was laid over.
    bool Check() {
        if (!piece_.empty() && piece_ != textPiece_) return false;
        Emit();
        return true;
    }

    // The text ran out: the rest of the pattern may only be stars, matched by empty text.
    Step FinishWithStars() {
        if (!OnlyStarsFrom(patternPos_)) return Step::kFailed;
        piece_ += pattern_.substr(patternPos_);
        patternPos_ = pattern_.size();
        Emit();
        return Step::kMatched;
    }

    bool TakeTextChar() {
        if (textPos_ >= text_.size()) return false;
        std::size_t length = CharLength(text_, textPos_);
        textPiece_ += text_.substr(textPos_, length);
        textPos_ += length;
        return true;
    }

    Step OrdinaryByte() {
        if (textPos_ >= text_.size()) return Step::kFailed;
        piece_ += pattern_[patternPos_++];
        textPiece_ += text_[textPos_++];
        if (textPos_ < text_.size()) return Step::kGoOn;
        if (!Check()) return Step::kFailed;
        return FinishWithStars();
    }

    Step Star() {
        if (!Check()) return Step::kFailed;
        piece_ = pattern_[patternPos_++];
        std::size_t questions = 0;
        while (patternPos_ < pattern_.size() &&
               (IsWildcardAt(patternPos_, '*') || IsWildcardAt(patternPos_, '?'))) {
            if (pattern_[patternPos_] == '?') ++questions;
            piece_ += pattern_[patternPos_++];
        }
        for (std::size_t i = 0; i < questions; ++i) {
            if (!TakeTextChar()) return Step::kFailed;
        }
        if (patternPos_ >= pattern_.size()) {
            textPiece_ += text_.substr(textPos_);
            textPos_ = text_.size();
            Emit();
            return Step::kGoOn;
        }
        // The anchor stays in the pattern and is matched as ordinary bytes next.
        std::string_view anchor = pattern_.substr(patternPos_, CharLength(pattern_, patternPos_));
        std::size_t found = division_.Find(text_, anchor, textPos_, TStringDivision::npos, 0);
        if (found == TStringDivision::npos) return Step::kFailed;
        textPiece_ += text_.substr(textPos_, found - textPos_);
        textPos_ = found;
        Emit();
        return Step::kGoOn;
    }

    Step Questions() {
        if (!Check()) return Step::kFailed;
        std::size_t count = 0;
        while (patternPos_ < pattern_.size() && IsWildcardAt(patternPos_, '?')) {
            ++count;
            ++patternPos_;
        }
        piece_.assign(count, '?');
        for (std::size_t i = 0; i < count; ++i) {
            if (!TakeTextChar()) return FinishWithStars();
        }
        Emit();
        return Step::kGoOn;
    }

    const TStringDivision& division_;
    std::string_view pattern_;
    std::string_view text_;
    StringList* patternPieces_;
    StringList* textPieces_;
    std::size_t patternPos_ = 0;
    std::size_t textPos_ = 0;
    std::string piece_;      // the current pattern piece
    std::string textPiece_;  // the text laid over it
};

// --- numbers ------------------------------------------------------------------------------

// What strtol/strtoul with base 0 see in a text, with long being 32 bits wide.
struct ParsedNumber {
    bool complete = false;  // the whole text was one number
    bool negative = false;
    bool overflow = false;  // the magnitude does not fit in 32 bits
    std::uint64_t magnitude = 0;
};

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

ParsedNumber ParseNumber(std::string_view str) {
    ParsedNumber number;
    std::size_t pos = 0;
    while (pos < str.size() && IsCSpace(str[pos]))
        ++pos;
    if (pos < str.size() && (str[pos] == '+' || str[pos] == '-')) {
        number.negative = str[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < str.size() && str[pos] == '0') {
        base = 8;  // the leading zero is itself an octal digit
        bool hexPrefix = pos + 2 < str.size() && (str[pos + 1] == 'x' || str[pos + 1] == 'X') &&
                         DigitValue(str[pos + 2]) < 16;
        if (hexPrefix) {
            base = 16;
            pos += 2;
        }
    }
    std::size_t digitsBegin = pos;
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
    for (; pos < str.size() && DigitValue(str[pos]) < base; ++pos) {
        number.magnitude = number.magnitude * base + DigitValue(str[pos]);
        if (number.magnitude > kLimit) {
            number.overflow = true;
            number.magnitude = kLimit + 1;  // keep it bounded; only "too big" matters now
        }
    }
    number.complete = pos > digitsBegin && pos == str.size();
    return number;
}

// Splits a printf conversion such as "u", "08X" or "-5d" into what is passed on (flags,
// width, precision) and the conversion letter; length modifiers are dropped because the
// value is always handed over as a 32-bit int or unsigned int. Returns 0 when spec is not one
// integer conversion.
char SplitConversion(std::string_view spec, std::string& passedOn) {
    std::size_t pos = 0;
    auto skip = [&](std::string_view set) {
        while (pos < spec.size() && set.find(spec[pos]) != std::string_view::npos)
            ++pos;
    };
    skip("-+ #0");
    skip("0123456789");
    if (pos < spec.size() && spec[pos] == '.') {
        ++pos;
        skip("0123456789");
    }
    passedOn.assign(spec.substr(0, pos));
    skip("hljztL");
    if (pos + 1 != spec.size()) return 0;
    char conversion = spec[pos];
    return std::string_view("diuoxX").find(conversion) != std::string_view::npos ? conversion : 0;
}

}  // namespace

// --- syntax ---------------------------------------------------------------------------------

TStringDivision::TStringDivision()
    : escapeMap_{{"\\\\", "\\"}, {"\\(", "("}, {"\\)", ")"}}, blanks_{" ", "\t"} {
    IndexEscapeMap();
}

EscapeMap TStringDivision::LibraryEscapeMap() {
    return {{"\\\\", "\\"}, {"\\||", "||"}, {"\\#", "#"}, {"\\%", "%"}, {"\\,", ","}};
}

void TStringDivision::SetSyntax(std::optional<std::string> open, std::optional<std::string> close,
                                std::optional<std::string> escape,
                                std::optional<EscapeMap> escapeMap,
                                std::optional<BlankSet> blanks) {
    if (open) open_ = std::move(*open);
    if (close) close_ = std::move(*close);
    if (escape) escape_ = std::move(*escape);
    if (escapeMap) {
        escapeMap_ = std::move(*escapeMap);
        IndexEscapeMap();
    }
    if (blanks) blanks_ = std::move(*blanks);
}

void TStringDivision::IndexEscapeMap() {
    escapedStarts_.fill(false);
    plainStarts_.fill(false);
    escapeForms_.clear();
    escapeGrowth_ = 1;
    for (const auto& [escaped, plain] : escapeMap_) {
        if (!escaped.empty()) escapedStarts_[static_cast<unsigned char>(escaped[0])] = true;
        if (plain.empty()) continue;
        plainStarts_[static_cast<unsigned char>(plain[0])] = true;
        escapeForms_.push_back({escaped, plain});
        escapeGrowth_ = std::max(escapeGrowth_, (escaped.size() + plain.size() - 1) / plain.size());
    }
}

// --- classification -------------------------------------------------------------------------

// The walk stops at index 0 even when that byte is a lead byte, and an even distance to index 0
// counts as a single byte. So the second byte of a double-byte character near the start of a
// text can be classed as single; files written by the program rely on exactly this rule. With
// LeadAtStart the walk goes on through index 0 and pairs every byte.
int TStringDivision::CharKind(std::string_view str, std::size_t pos) const {
    if (pos >= str.size()) return kSingleByte;
    return KindAfter(str.substr(0, pos), ByteAt(str, pos));
}

// The class byte would have standing right after text; only text's bytes and byte itself
// decide it.
int TStringDivision::KindAfter(std::string_view text, unsigned char byte) const {
    const LeadTable* leadTable = LeadsOf(codeMode_);
    if (!leadTable) return kSingleByte;
    auto isLead = [leadTable](unsigned char b) { return (*leadTable)[b]; };
    const std::size_t pos = text.size();
    const int kindIfOdd = isLead(byte) ? kLeadByte : kSingleByte;
    // Only a lead byte right before can pair with byte; most texts end in a single byte.
    if (pos == 0 || !isLead(ByteAt(text, pos - 1))) return kindIfOdd;
    if (leadAtStart_) {
        // An odd run of lead bytes right before byte leaves the last of them unpaired.
        std::size_t leads = 0;
        while (leads < pos && isLead(ByteAt(text, pos - 1 - leads)))
            ++leads;
        return leads % 2 == 1 ? kTrailByte : kindIfOdd;
    }
    std::size_t stop = pos - 1;
    while (stop > 0 && isLead(ByteAt(text, stop)))
        --stop;
    if ((pos - stop) % 2 == 1) return kindIfOdd;
    if (codeMode_ == kEucMode) return kTrailByte;
    return stop == 0 ? kSingleByte : kTrailByte;
}

bool TStringDivision::MatchAt(std::string_view str, std::string_view pattern,
                              std::size_t pos) const {
    if (!StandsAt(str, pattern, pos)) return false;
    return pos == 0 || CharKind(str, pos) != kTrailByte;
}

// --- searching ------------------------------------------------------------------------------

std::size_t TStringDivision::SkipBracketGroup(std::string_view str, std::size_t pos) const {
    std::size_t depth = 1;
    pos += open_.size();
    while (pos < str.size()) {
        // Close is tried first so that a group whose open and close are equal can end.
        if (!close_.empty() && MatchAt(str, close_, pos)) {
            pos += close_.size();
            if (--depth == 0) return pos;
        } else if (MatchAt(str, open_, pos)) {
            pos += open_.size();
            ++depth;
        } else {
            ++pos;
        }
    }
    return npos;
}

std::size_t TStringDivision::Scan(std::string_view str, std::string_view pattern, std::size_t first,
                                  std::size_t last, std::size_t lowest, unsigned flags,
                                  bool wantLast) const {
    if (str.size() < pattern.size()) return npos;
    last = std::min(last, str.size() - pattern.size());
    std::size_t found = npos;
    std::size_t pos = first;
    while (pos <= last) {
        if ((flags & kSkipEscapes) && !escape_.empty() && MatchAt(str, escape_, pos)) {
            pos += escape_.size() + 1;  // the escaped byte is passed over too
            continue;
        }
        if ((flags & kSkipBrackets) && !open_.empty() && MatchAt(str, open_, pos)) {
            pos = SkipBracketGroup(str, pos);
            if (pos == npos) break;  // the rest of the text lies inside an open group
            continue;
        }
        if (!(flags & (kSkipEscapes | kSkipBrackets)) && !pattern.empty()) {
            // Only a position holding the pattern's first byte can match.
            std::size_t next = str.find(pattern[0], std::max(pos, lowest));
            if (next == std::string_view::npos || next > last) break;
            pos = next;
        }
        if (pos >= lowest && MatchAt(str, pattern, pos)) {
            if (!wantLast) return pos;
            found = pos;
        }
        ++pos;
    }
    return found;
}

std::size_t TStringDivision::Find(std::string_view str, std::string_view pattern, std::size_t from,
                                  std::size_t to, unsigned flags) const {
    return Scan(str, pattern, from, to, from, flags, false);
}

std::size_t TStringDivision::FindLast(std::string_view str, std::string_view pattern,
                                      std::size_t from, std::size_t to, unsigned flags) const {
    return Scan(str, pattern, 0, from, to, flags, true);
}

std::size_t TStringDivision::FindNth(std::string_view str, std::string_view separator,
                                     std::size_t n, unsigned flags) const {
    std::size_t match = Find(str, separator, 0, npos, flags);
    for (std::size_t i = 0; i < n && match != npos; ++i)
        match = Find(str, separator, match + separator.size(), npos, flags);
    return match;
}

std::size_t TStringDivision::FindLastEndingBy(std::string_view str, std::string_view separator,
                                              std::size_t end, unsigned flags) const {
    if (end < separator.size()) return npos;
    return FindLast(str, separator, end - separator.size(), 0, flags);
}

std::size_t TStringDivision::FindNthFromEnd(std::string_view str, std::string_view separator,
                                            std::size_t n, unsigned flags) const {
    std::size_t match = FindLastEndingBy(str, separator, str.size(), flags);
    for (std::size_t i = 0; i < n && match != npos; ++i)
        match = FindLastEndingBy(str, separator, match, flags);
    return match;
}

// --- cutting --------------------------------------------------------------------------------

std::string TStringDivision::CutField(std::string& str, std::string_view separator, std::size_t n,
                                      unsigned flags) const {
    std::size_t match = FindNth(str, separator, n, flags);
    if (match == npos) return std::string(separator);
    std::string field = str.substr(0, match);
    str.erase(0, match + separator.size());
    str = Normalize(str, flags);
    return Normalize(field, flags);
}

std::string TStringDivision::GetField(std::string& str, std::string_view separator, std::size_t n,
                                      std::string_view defaultValue, bool allowEmpty,
                                      unsigned flags) const {
    std::string field = CutField(str, separator, n, flags);
    if (field == separator || (field.empty() && !allowEmpty)) return std::string(defaultValue);
    return field;
}

std::string TStringDivision::CutFieldFromEnd(std::string& str, std::string_view separator,
                                             std::size_t n, unsigned flags) const {
    std::size_t match = FindNthFromEnd(str, separator, n, flags);
    if (match == npos) return std::string(separator);
    std::string field = str.substr(match + separator.size());
    str.erase(match);
    str = Normalize(str, flags);
    return Normalize(field, flags);
}

std::string TStringDivision::GetPiece(std::string_view str, std::string_view separator,
                                      std::size_t n, unsigned flags) const {
    if (separator.empty()) return Normalize(str, flags);
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t match = Find(str, separator, start, npos, flags);
        if (match == npos) return Normalize(str.substr(start), flags);
        start = match + separator.size();
    }
    std::size_t end = std::min(Find(str, separator, start, npos, flags), str.size());
    return Normalize(str.substr(start, end - start), flags);
}

std::string TStringDivision::GetPieceFromEnd(std::string_view str, std::string_view separator,
                                             std::size_t n, unsigned flags) const {
    if (separator.empty()) return Normalize(str, flags);
    std::size_t end = str.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t match = FindLastEndingBy(str, separator, end, flags);
        if (match == npos) return Normalize(str.substr(0, end), flags);
        end = match;
    }
    std::size_t match = FindLastEndingBy(str, separator, end, flags);
    std::size_t start = match == npos ? 0 : match + separator.size();
    return Normalize(str.substr(start, end - start), flags);
}

std::string TStringDivision::Between(std::string_view str, std::string_view open,
                                     std::string_view close, unsigned flags) const {
    std::size_t openPos = Find(str, open, 0, npos, flags);
    if (openPos == npos) return std::string(close);
    std::size_t inner = openPos + open.size();
    // The close must lie behind the open; ")x(" has nothing between its brackets.
    std::size_t closePos = FindLast(str, close, npos, inner, flags);
    if (closePos == npos) return std::string(close);
    return Normalize(str.substr(inner, closePos - inner), flags);
}

std::size_t TStringDivision::Split(std::string_view str, std::string_view separator,
                                   StringList& list, unsigned flags) const {
    // Built aside first: str may be a view into one of the list's own items.
    StringList pieces;
    std::size_t start = 0;
    while (!separator.empty()) {
        std::size_t match = Find(str, separator, start, npos, flags);
        if (match == npos) break;
        pieces.push_back(Normalize(str.substr(start, match - start), flags));
        start = match + separator.size();
    }
    pieces.push_back(Normalize(str.substr(start), flags));
    list = std::move(pieces);
    return list.size();
}

std::size_t TStringDivision::Split(std::string_view str, std::string_view separator,
                                   unsigned flags) {
    return Split(str, separator, workList_, flags);
}

std::string TStringDivision::Join(std::string_view separator, const StringList& list) {
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0) joined += separator;
        joined += list[i];
    }
    return joined;
}

// --- normalising ----------------------------------------------------------------------------

std::string_view TStringDivision::CutDanglingLeadBytes(std::string_view text, char next) const {
    const auto byte = static_cast<unsigned char>(next);
    while (!text.empty() && KindAfter(text, byte) == kTrailByte)
        text.remove_suffix(1);
    return text;
}

std::string TStringDivision::Normalize(std::string_view str, unsigned flags) const {
    if (!(flags & (kTrimFront | kTrimBack))) {
        if (flags & kUnescape) return ApplyEscapeMap(str, (flags & kEscape) != 0);
        return std::string(str);
    }
    std::string result = Trim(str, flags);
    if (flags & kUnescape) result = ApplyEscapeMap(result, (flags & kEscape) != 0);
    return result;
}

std::string TStringDivision::Trim(std::string_view str, unsigned flags) const {
    auto blankAtFront = [&](std::string_view text) -> std::size_t {
        for (const std::string& blank : blanks_)
            if (!blank.empty() && MatchAt(text, blank, 0)) return blank.size();
        return 0;
    };
    auto blankAtBack = [&](std::string_view text) -> std::size_t {
        for (const std::string& blank : blanks_) {
            if (blank.empty() || blank.size() > text.size()) continue;
            if (MatchAt(text, blank, text.size() - blank.size())) return blank.size();
        }
        return 0;
    };
    if (flags & kTrimFront) {
        while (std::size_t length = blankAtFront(str))
            str.remove_prefix(length);
    }
    if (flags & kTrimBack) {
        while (std::size_t length = blankAtBack(str))
            str.remove_suffix(length);
    }
    return std::string(str);
}

const EscapeMap::value_type* TStringDivision::EscapedFormAt(std::string_view str,
                                                            std::size_t pos) const {
    if (!escapedStarts_[static_cast<unsigned char>(str[pos])]) return nullptr;
    for (const auto& entry : escapeMap_)
        if (!entry.first.empty() && MatchAt(str, entry.first, pos)) return &entry;
    return nullptr;
}

// The first form whose plain text stands at pos, in map order.
const TStringDivision::EscapeForm* TStringDivision::PlainFormAt(std::string_view str,
                                                                std::size_t pos) const {
    for (const EscapeForm& form : escapeForms_) {
        if (form.plain[0] == str[pos] && StandsAt(str, form.plain, pos)) return &form;
    }
    return nullptr;
}

std::string TStringDivision::ApplyEscapeMap(std::string_view str, bool addEscapes) const {
    std::string result;
    AppendEscapeMapped(result, str, addEscapes);
    return result;
}

void TStringDivision::AppendEscapeMapped(std::string& out, std::string_view str,
                                         bool addEscapes) const {
    const std::size_t start = out.size();
    if (addEscapes) {
        out.resize(start + EscapedSizeBound(str.size()));
        out.resize(static_cast<std::size_t>(EscapeInto(out.data() + start, str) - out.data()));
        return;
    }
    out.reserve(start + str.size());
    // Bytes no form begins with are copied in runs; only the others try the map.
    std::size_t pos = 0;
    while (pos < str.size()) {
        std::size_t run = pos;
        while (run < str.size() && !escapedStarts_[static_cast<unsigned char>(str[run])])
            ++run;
        out.append(str.data() + pos, run - pos);
        pos = run;
        if (pos == str.size()) break;
        const EscapeMap::value_type* entry = EscapedFormAt(str, pos);
        if (!entry) {
            out.push_back(str[pos++]);
        } else {
            out += entry->second;
            pos += entry->first.size();
        }
    }
}

char* TStringDivision::EscapeInto(char* out, std::string_view str) const {
    char* const begin = out;
    const LeadTable* leads = LeadsOf(codeMode_);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(str.data());
    const std::size_t size = str.size();
    std::size_t pos = 0;
    while (pos < size) {
        // Bytes no plain form begins with are copied in runs, four tested at a time.
        std::size_t run = pos;
        while (size - run >= 4 && !(plainStarts_[bytes[run]] | plainStarts_[bytes[run + 1]] |
                                    plainStarts_[bytes[run + 2]] | plainStarts_[bytes[run + 3]]))
            run += 4;
        while (run < size && !plainStarts_[bytes[run]])
            ++run;
        CopyShort(out, str.data() + pos, run - pos);
        out += run - pos;
        pos = run;
        if (pos == size) break;
        // The byte is classified where it lands in the escaped text, which is where the
        // unescaping walk will classify it. Classifying it in the plain text instead would let
        // an escape added earlier shift a double-byte character so that its 0x5C second byte
        // is escaped here but read back as a trail byte ("#表" would gain a backslash on every
        // save). Only a byte right after a lead byte can be a second byte, so only then is
        // the walk back taken.
        const std::string_view escaped(begin, static_cast<std::size_t>(out - begin));
        const bool trail = leads && out > begin && (*leads)[static_cast<unsigned char>(out[-1])] &&
                           KindAfter(escaped, bytes[pos]) == kTrailByte;
        if (const EscapeForm* form = trail ? nullptr : PlainFormAt(str, pos)) {
            CopyShort(out, form->escaped.data(), form->escaped.size());
            out += form->escaped.size();
            pos += form->plain.size();
        } else {
            *out++ = str[pos++];
        }
    }
    return out;
}

// --- wildcards and numbers ------------------------------------------------------------------

bool TStringDivision::Match(std::string_view pattern, std::string_view text,
                            StringList* patternPieces, StringList* textPieces) const {
    return WildcardMatcher(*this, pattern, text, patternPieces, textPieces).Run();
}

// Behaves like strtol with base 0 where long has 32 bits: out-of-range values saturate.
std::int32_t TStringDivision::ToLong(std::string_view str, std::int32_t defaultValue) {
    return ReadLong(str).value_or(defaultValue);
}

std::optional<std::int32_t> TStringDivision::ReadLong(std::string_view str) {
    if (str.empty()) return 0;
    ParsedNumber number = ParseNumber(str);
    if (!number.complete) return std::nullopt;
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
    if (number.negative) {
        if (number.overflow || number.magnitude > kMaxPositive + 1)
            return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(number.magnitude));
    }
    if (number.overflow || number.magnitude > kMaxPositive)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(number.magnitude);
}

// Behaves like strtoul with base 0 where long has 32 bits: a negative value wraps around
// ("-1" gives 4294967295) and a magnitude beyond 32 bits saturates.
std::uint32_t TStringDivision::ToULong(std::string_view str, std::uint32_t defaultValue) {
    if (str.empty()) return 0;
    ParsedNumber number = ParseNumber(str);
    if (!number.complete) return defaultValue;
    if (number.overflow) return std::numeric_limits<std::uint32_t>::max();
    auto value = static_cast<std::uint32_t>(number.magnitude);
    return number.negative ? static_cast<std::uint32_t>(0u - value) : value;
}

std::string TStringDivision::Format(std::string_view spec, std::int64_t value) {
    std::string passedOn;
    char conversion = SplitConversion(spec, passedOn);
    if (conversion == 0) return {};
    // Built front to back: inserting "%" before the flags made g++ 12 at -O3 see an
    // overlapping copy (-Wrestrict) inside std::string.
    std::string format = "%";
    format += passedOn;
    format += conversion;
    char buffer[256];
    int written = 0;
    if (conversion == 'd' || conversion == 'i') {
        written = std::snprintf(buffer, sizeof buffer, format.c_str(),
                                static_cast<int>(static_cast<std::int32_t>(value)));
    } else {
        written = std::snprintf(buffer, sizeof buffer, format.c_str(),
                                static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    }
    if (written < 0) return {};
    return std::string(buffer, std::min<std::size_t>(written, sizeof buffer - 1));
}

}  // namespace tabrix
