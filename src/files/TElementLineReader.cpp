#include "files/TElementLineReader.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/ParamType.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

constexpr std::string_view kSectionSeparator = "||";

// How a text item of an element line ends.
enum class ItemEnd { kItem, kField, kSection, kLine };

// The bytes the item walk has to look at: the escape byte and the three separators. Every other
// byte only counts for the class of a later one.
constexpr std::array<bool, 256> MakeStopBytes() {
    std::array<bool, 256> stops{};
    stops['\\'] = stops['#'] = stops[','] = stops['|'] = true;
    return stops;
}
constexpr std::array<bool, 256> kStopBytes = MakeStopBytes();

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// Nonzero exactly when some byte of word is zero.
constexpr std::uint64_t HasZeroByte(std::uint64_t word) {
    return (word - kOnes) & ~word & kHighs;
}

std::uint64_t LoadWord(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// True when one of the 8 bytes of word is an escape byte or a separator.
bool HasStopByte(std::uint64_t word) {
    return (HasZeroByte(word ^ (kOnes * '\\')) | HasZeroByte(word ^ (kOnes * '#')) |
            HasZeroByte(word ^ (kOnes * ',')) | HasZeroByte(word ^ (kOnes * '|'))) != 0;
}

bool IsPlainAscii(std::string_view text) {
    std::size_t pos = 0;
    for (; pos + 8 <= text.size(); pos += 8)
        if (LoadWord(text.data() + pos) & kHighs) return false;
    for (; pos < text.size(); ++pos)
        if (static_cast<unsigned char>(text[pos]) >= 0x80) return false;
    return true;
}

// True when text holds c. Lines are short: calling memchr for each costs more than its search.
bool HoldsByte(std::string_view text, char c) {
    const char* data = text.data();
    const std::size_t size = text.size();
    std::size_t pos = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; pos + 16 <= size; pos += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))) return true;
    }
#endif
    for (; pos + 8 <= size; pos += 8)
        if (HasZeroByte(LoadWord(data + pos) ^ (kOnes * static_cast<unsigned char>(c))))
            return true;
    for (; pos < size; ++pos)
        if (data[pos] == c) return true;
    return false;
}

// True when the bytes at at are those of form (escaped forms are a few bytes long).
bool SameBytes(const std::string& form, const char* at) {
    for (std::size_t k = 0; k < form.size(); ++k)
        if (form[k] != at[k]) return false;
    return true;
}

constexpr std::uint64_t kPowersOfTen[9] = {1,      10,      100,      1000,     10000,
                                           100000, 1000000, 10000000, 100000000};

// How many of the 8 bytes of word (the first in its lowest byte) are ASCII digits before the
// first other byte, and in chunk the number they write. Subtracting "0" from every byte leaves a
// digit's value below 10; a borrow or carry only ever runs towards later bytes, so the first
// byte found not to be a digit is the first that is not.
std::size_t LeadingDigits(std::uint64_t word, std::uint32_t& chunk) {
    const std::uint64_t values = word - kOnes * '0';
    const std::uint64_t notDigits = ((values + kOnes * 0x76) | values) & kHighs;
    const std::size_t count =
        notDigits ? static_cast<std::size_t>(__builtin_ctzll(notDigits)) / 8 : 8;
    if (count == 0) return 0;
    // The digits moved to the top bytes, with zeros before them, read as eight digits.
    std::uint64_t v = values << (8 * (8 - count));
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
    chunk = static_cast<std::uint32_t>(v * 10000 + (v >> 32));
    return count;
}

// The lead bytes the item scanner classes by.
bool IsLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}

// Walks one text item of an element line and finds where it ends, classifying bytes relative to
// the item's own start, exactly as the writer did when it escaped the item on its own: the
// first 0x5C trail byte of a text that begins with a double-byte character is a character of
// its own there, so it was escaped, and reading must treat it the same way. Classifying from
// the start of the whole section instead would take that doubled byte for an escape and
// swallow the separator after it. With kCounts, the scanner also counts what the item holds
// (see StopsInside); reading alone does not pay for that.
template <bool kCounts>
class ItemScanner {
public:
    // quietEscapes: the bytes after the escape byte of the escapes that count as quiet.
    ItemScanner(std::string_view item, const std::array<bool, 256>* quietEscapes)
        : item_(item), quietEscapes_(quietEscapes) {}

    // Position of the "#", "," or "||" that ends the item (or the length of the text), and
    // which of them it is. Each escape passed on the way is told to escapes (pos, length).
    template <typename Escapes>
    std::size_t FindEnd(ItemEnd& end, Escapes& escapes) {
        const std::size_t size = item_.size();
        for (std::size_t pos = NextStop(0); pos < size; pos = NextStop(pos)) {
            int kind = KindAt(pos);
            char c = item_[pos];
            bool single = pos == 0 || kind < kTrailByte;
            if constexpr (kCounts) ++stops_;
            if (c == '\\') {
                sawBackslash_ = true;
                if (kind != kTrailByte) {
                    // An escape: "\||" stands for "||" as a whole, any other for one byte.
                    std::size_t length = BarsAt(pos + 1, 2) ? 3 : 2;
                    escapes.Escape(pos, length);
                    if constexpr (kCounts)
                        if (length == 2 && pos + 1 < size &&
                            (*quietEscapes_)[static_cast<unsigned char>(item_[pos + 1])])
                            ++quiet_;
                    pos = std::min(pos + length, size);
                    continue;
                }
            }
            if (single && c == '#') return end = ItemEnd::kItem, pos;
            if (single && c == ',') return end = ItemEnd::kField, pos;
            if (single && c == '|' && BarsAt(pos + 1, 1)) {
                // "||" is escaped in texts but a lone "|" is not, so a text ending in "|"
                // is written as "|||" before the numbers, which never begin with "|": the
                // section separator is the last two bars of the run.
                std::size_t run = item_.find_first_not_of('|', pos);
                run = (run == std::string_view::npos ? size : run) - pos;
                if (kCounts && run > 2) ++stops_;  // the bars before the separator are the text's
                return end = ItemEnd::kSection, pos + run - 2;
            }
            if (kCounts && !single) ++quiet_;  // a second byte
            ++pos;
        }
        end = ItemEnd::kLine;
        endedAtLine_ = true;
        return size;
    }

    // True when the item up to where FindEnd stopped holds a backslash byte.
    bool SawBackslash() const { return sawBackslash_; }
    // What the item holds of escape and separator bytes, beside the one ending it: quiet
    // ones are second bytes of double-byte characters, and escapes whose plain byte is
    // escaped back the same way wherever it stands.
    using Inside = TElementLineReader::ItemInside;
    Inside StopsInside() const {
        const std::size_t inside = stops_ - (endedAtLine_ ? 0 : 1);
        if (inside == 0) return Inside::kNone;
        return inside == quiet_ ? Inside::kQuiet : Inside::kMore;
    }

private:
    // True when count bars stand at pos.
    bool BarsAt(std::size_t pos, std::size_t count) const {
        if (pos + count > item_.size()) return false;
        for (std::size_t k = 0; k < count; ++k)
            if (item_[pos + k] != '|') return false;
        return true;
    }

    // The first escape byte or separator at or after pos (the size when there is none); other
    // bytes are passed over sixteen or eight at a time.
    std::size_t NextStop(std::size_t pos) const {
        const char* data = item_.data();
        const std::size_t size = item_.size();
#if defined(__SSE2__)
        while (pos + 16 <= size) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
            const __m128i stops =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')),
                                          _mm_cmpeq_epi8(bytes, _mm_set1_epi8('#'))),
                             _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')),
                                          _mm_cmpeq_epi8(bytes, _mm_set1_epi8('|'))));
            if (const int mask = _mm_movemask_epi8(stops))
                return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            pos += 16;
        }
#endif
        while (pos + 8 <= size && !HasStopByte(LoadWord(data + pos)))
            pos += 8;
        while (pos < size && !kStopBytes[static_cast<unsigned char>(data[pos])])
            ++pos;
        return pos;
    }

    // The byte class of the string cutter at pos, from the run of lead-range bytes that ends
    // just before pos. Separators and the escape byte are below the lead range, so the walk
    // back ends at the previous one: each byte is walked over at most once more.
    int KindAt(std::size_t pos) const {
        unsigned char b = static_cast<unsigned char>(item_[pos]);
        if (pos == 0) return IsLead(b) ? kLeadByte : kSingleByte;
        std::size_t leadRun = 0;
        while (leadRun < pos && IsLead(static_cast<unsigned char>(item_[pos - leadRun - 1])))
            ++leadRun;
        std::size_t stop = pos > leadRun ? pos - leadRun - 1 : 0;
        std::size_t d = pos - stop;
        if (d % 2 == 1) return IsLead(b) ? kLeadByte : kSingleByte;
        return stop == 0 ? kSingleByte : kTrailByte;
    }

    std::string_view item_;
    bool sawBackslash_ = false;
    std::size_t stops_ = 0;  // the stop bytes FindEnd looked at, the ending one included
    const std::array<bool, 256>* quietEscapes_;
    std::size_t quiet_ = 0;  // the quiet stops among them
    bool endedAtLine_ = false;
};

// FindEnd's escapes for a walk that only looks for the end.
struct PassEscapes {
    void Escape(std::size_t, std::size_t) {}
};

// FindEnd's escapes for a walk that unescapes the item into sink as it goes: the text between
// escapes as it stands, each escape by its plain form, or as it stands when it has none.
template <typename Sink>
class UnescapeInto {
public:
    using Plains = std::array<const std::string*, 256>;
    UnescapeInto(std::string_view item, Sink& sink, const Plains& plains, const std::string* bars)
        : item_(item), sink_(sink), plains_(plains), bars_(bars) {}

    void Escape(std::size_t pos, std::size_t length) {
        sink_.Append(item_.data() + from_, pos - from_);
        length = std::min(length, item_.size() - pos);  // an escape byte ending the line
        const std::string* plain = length == 3 ? bars_
                                   : length == 2
                                       ? plains_[static_cast<unsigned char>(item_[pos + 1])]
                                       : nullptr;
        if (plain)
            sink_.Append(plain->data(), plain->size());
        else
            sink_.Append(item_.data() + pos, length);
        from_ = pos + length;
    }
    // The text after the last escape, up to the item's end.
    void Finish(std::size_t end) { sink_.Append(item_.data() + from_, end - from_); }

private:
    std::string_view item_;
    Sink& sink_;
    const Plains& plains_;
    const std::string* bars_;
    std::size_t from_ = 0;
};

// Walks the pieces of a number section or field cut at one separator byte, without copying
// them: the pieces the divider's Split would give, as views into the text.
class PlainPieces {
public:
    PlainPieces(const TStringDivision& division, std::string_view text, char separator)
        : division_(division), text_(text), separator_(separator), plain_(IsPlainAscii(text)) {}

    // The next piece; false after the last one.
    bool Next(std::string_view& piece) {
        if (start_ > text_.size()) return false;
        std::size_t cut = Find(start_);
        if (cut == std::string_view::npos) cut = text_.size();
        piece = text_.substr(start_, cut - start_);
        start_ = cut + 1;
        return true;
    }

    // How many pieces there are (one more than separators).
    std::size_t Count() const {
        if (plain_)
            return static_cast<std::size_t>(std::count(text_.begin(), text_.end(), separator_)) + 1;
        std::size_t count = 1;
        for (std::size_t cut = Find(0); cut != std::string_view::npos; cut = Find(cut + 1))
            ++count;
        return count;
    }

private:
    // Without bytes of 0x80 and above no byte can be the second byte of a double-byte
    // character, so a plain byte search cuts exactly where the divider would.
    std::size_t Find(std::size_t from) const {
        if (plain_) {
            if (from >= text_.size()) return std::string_view::npos;
            const void* hit = std::memchr(text_.data() + from, separator_, text_.size() - from);
            return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data())
                       : std::string_view::npos;
        }
        return division_.Find(text_, std::string_view(&separator_, 1), from, TStringDivision::npos,
                              0);
    }

    const TStringDivision& division_;
    std::string_view text_;
    char separator_;
    bool plain_;
    std::size_t start_ = 0;
};

// Cuts the output flag off the line; a line without "||" is all flag.
std::string_view CutFlag(const TStringDivision& division, std::string_view& rest) {
    // The flag is a few ASCII digits: a plain search finds the divider's match when no byte
    // before it could pair with another.
    std::size_t pos = rest.find(kSectionSeparator);
    if (pos == std::string_view::npos || !IsPlainAscii(rest.substr(0, pos)))
        pos = division.Find(rest, kSectionSeparator, 0, TStringDivision::npos, 0);
    if (pos == TStringDivision::npos) {
        std::string_view field = rest;
        rest = {};
        return field;
    }
    std::string_view field = rest.substr(0, pos);
    rest.remove_prefix(pos + kSectionSeparator.size());
    return field;
}

// Where decoded text items go: the reader's scratch values, a count of what they would take,
// or the room in an element's buffer.
class ScratchSink {
public:
    explicit ScratchSink(TElement::Values& values) : values_(values) {}
    void Append(const char* bytes, std::size_t size) { values_.chars.append(bytes, size); }
    void EndItem() { values_.EndTextItem(); }
    void EndField() { values_.EndTextField(); }

private:
    TElement::Values& values_;
};

// For a line checked without building its values: an item's text, held until the item ends
// (the check compares it with the item), and nothing else.
class CheckSink {
public:
    explicit CheckSink(TElement::Values& values) : values_(values) {}
    void Append(const char* bytes, std::size_t size) { values_.chars.append(bytes, size); }
    void EndItem() { values_.chars.clear(); }
    void EndField() {}

private:
    TElement::Values& values_;
};

class CountSink {
public:
    void Append(const char*, std::size_t size) { chars += size; }
    void EndItem() { ++items; }
    void EndField() { ++fields; }

    std::size_t chars = 0;
    std::size_t items = 0;
    std::size_t fields = 0;
};

class RoomSink {
public:
    explicit RoomSink(TElement::TextRoom room) : room_(room) {}
    void Append(const char* bytes, std::size_t size) {
        if (size) std::memcpy(room_.Chars() + chars_, bytes, size);
        chars_ += size;
    }
    void EndItem() { room_.SetItemEnd(items_++, static_cast<std::uint32_t>(chars_)); }
    void EndField() { room_.SetFieldEnd(fields_++, static_cast<std::uint32_t>(items_)); }

private:
    TElement::TextRoom room_;
    std::size_t chars_ = 0;
    std::size_t items_ = 0;
    std::size_t fields_ = 0;
};

// Lines from this size on are decoded twice, once to count and once into the element's own
// buffer, so that no scratch copy as large as the element is made.
constexpr std::size_t kInPlaceLine = 64 * 1024;

}  // namespace

TElementLineReader::TElementLineReader(const TZQLCtrl& library, bool checksWritten,
                                       bool leavesWritten)
    : division_(library.Division()),
      checksWritten_(checksWritten),
      leavesWritten_(checksWritten && leavesWritten) {
    if (const TZQPCtrl* params = library.ParameterFile()) {
        types_.reserve(params->Size());
        for (std::size_t i = 0; i < params->Size(); ++i)
            types_.push_back(params->At(i)->Type());
    }
    for (const auto& entry : division_.EscapeMapping()) {
        if (entry.first.empty()) continue;
        const auto first = static_cast<unsigned char>(entry.first[0]);
        escapesByFirst_[first].push_back(&entry);
        if (soleEscapeStart_ == -1)
            soleEscapeStart_ = first;
        else if (soleEscapeStart_ != first)
            soleEscapeStart_ = -2;
        const char plain = entry.second.empty() ? '\\' : entry.second[0];
        if (!kStopBytes[static_cast<unsigned char>(plain)] &&
            otherPlainStarts_.find(plain) == std::string::npos)
            otherPlainStarts_ += plain;
    }
    unescapesAsIs_ = soleEscapeStart_ == -1 || soleEscapeStart_ == '\\';
    const bool classesAsScanner = ClassesAsScanner(division_);
    scannerClasses_ = checksWritten_ && classesAsScanner;
    if (scannerClasses_) FindQuietEscapes();
    scannerUnescapes_ = classesAsScanner && soleEscapeStart_ == '\\' && FindEscapePlains();
    quietItemsAsWritten_ = scannerClasses_ && unescapesAsIs_;
}

// An escape is quiet when its plain form is one byte that begins no longer plain form, and
// escaping that byte gives the escape back: then, standing where the scanner classed it
// single, the writer escapes it just so.
void TElementLineReader::FindQuietEscapes() {
    const EscapeMap& map = division_.EscapeMapping();
    for (const auto& [escaped, plain] : map) {
        if (escaped.size() != 2 || escaped[0] != '\\' || plain.size() != 1) continue;
        bool beginsLonger = false;
        for (const auto& entry : map)
            beginsLonger |= entry.second.size() > 1 && entry.second[0] == plain[0];
        char back[8];
        if (beginsLonger || division_.EscapedSizeBound(1) > sizeof back) continue;
        const char* end = division_.EscapeInto(back, plain);
        if (std::string_view(back, static_cast<std::size_t>(end - back)) == escaped)
            quietEscapes_[static_cast<unsigned char>(escaped[1])] = true;
    }
}

// The scanner passes over an escape as the divider's unescaping takes it when every escaped
// form is the escape byte and one byte after it (two bytes; the divider takes the first that
// stands there, and there is one per byte), or is "\||", with no "\|" before it in the map to
// take its place. The escape byte doubled must be a form: else the divider would begin again at
// the second byte. Escapes without a form stand as they are, as with the divider.
bool TElementLineReader::FindEscapePlains() {
    bool doubled = false;
    for (const auto& [escaped, plain] : division_.EscapeMapping()) {
        if (escaped.empty()) continue;  // never taken
        if (escaped == "\\||") {
            barsPlain_ = &plain;
        } else if (escaped.size() == 2 && escaped[1] != '|') {
            escapePlains_[static_cast<unsigned char>(escaped[1])] = &plain;
            doubled |= escaped[1] == '\\';
        } else {
            return false;
        }
    }
    return doubled;
}

namespace {

// The flag as the writer writes it: the decimal of a byte, without leading zeros.
bool FlagAsWritten(std::string_view flag) {
    if (flag.empty() || flag.size() > 3 || (flag[0] == '0' && flag.size() > 1)) return false;
    unsigned value = 0;
    for (char c : flag) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 0xFF;
}

}  // namespace

bool TElementLineReader::ClassesAsScanner(const TStringDivision& division) {
    if (division.LeadAtStart()) return false;
    // Two lead bytes from the start leave the byte after them single, as the scanner has it
    // (a division pairing every lead byte, as EUC does, makes it a second byte).
    const char pair[] = {'\x81', '\x81', 'A'};
    if (division.CharKind({pair, 3}, 2) != kSingleByte) return false;
    for (int b = 0; b < 256; ++b) {
        const char probe[] = {'A', 'A', static_cast<char>(b), 'A'};
        const bool lead = division.CharKind({probe, 4}, 3) == kTrailByte;
        if (lead != IsLead(static_cast<unsigned char>(b))) return false;
    }
    return true;
}

void TElementLineReader::CheckItemAsWritten(std::string_view raw, ItemInside inside,
                                            std::size_t mark) {
    if (!asWritten_) return;
    // Without escapes the text is the item as it stands, and escaping it changes nothing but
    // where a plain form begins.
    const bool asIs = unescapesAsIs_ && !otherPlainStartsInLine_;
    if (!(asIs && inside == ItemInside::kNone)) {
        const std::string_view text = std::string_view(values_.chars).substr(mark);
        escaped_.resize(division_.EscapedSizeBound(text.size()));
        const char* end = division_.EscapeInto(escaped_.data(), text);
        if (std::string_view(escaped_.data(), static_cast<std::size_t>(end - escaped_.data())) !=
            raw) {
            asWritten_ = false;
            return;
        }
    }
    // The writer leaves out a lead byte that would pair with the separator after it.
    if (!scannerClasses_ && division_.WholeCharactersBefore(raw, '#').size() != raw.size())
        asWritten_ = false;
}

void TElementLineReader::CutReferenceItems(const TStringDivision& division, std::string_view field,
                                           std::vector<std::string_view>& items) {
    PlainPieces pieces(division, field, '#');
    items.clear();
    std::string_view item;
    while (pieces.Next(item))
        items.push_back(item);
}

void TElementLineReader::Decode(TElement& element, std::string_view line,
                                std::vector<TReadReference>& refs) {
    values_.Clear();
    left_ = false;
    const bool lastAsWritten = asWritten_;
    if (checksWritten_) {
        // Lines not as the writer writes them one after another (references, another
        // writer's forms) tell that checking the rest of the file would keep nothing.
        linesNotAsWritten_ = asWritten_ ? 0 : linesNotAsWritten_ + 1;
        if (linesNotAsWritten_ > kLinesNotAsWrittenBeforeGivingUp) checksWritten_ = false;
    }
    std::string_view rest = line;
    std::string_view flag = CutFlag(division_, rest);
    // Nearly every flag is one digit, which reads as itself in every base.
    element.SetOutputFlag(flag.size() == 1 && flag[0] >= '0' && flag[0] <= '9'
                              ? static_cast<std::uint8_t>(flag[0] - '0')
                              : static_cast<std::uint8_t>(TStringDivision::ToULong(flag, 0)));
    asWritten_ = checksWritten_ && FlagAsWritten(flag);
    otherPlainStartsInLine_ = false;
    if (asWritten_)
        for (char c : otherPlainStarts_)  // one search per byte: find_first_of is one per byte
            otherPlainStartsInLine_ |= HoldsByte(rest, c);
    if (rest.size() >= kInPlaceLine) {
        asWritten_ = false;  // its texts are not kept in the scratch values to compare
        return DecodeInPlace(element, rest, refs);
    }
    // After a line as written, the next is checked first without building its values: it is
    // as written too as a rule, and left then. The lines after one that is not are decoded
    // once, with the checks.
    if (leavesWritten_ && asWritten_ && lastAsWritten) {
        left_ = CheckedAsWritten(rest);
        if (left_) return;
        values_.Clear();
    }
    ScratchSink sink(values_);
    rest.remove_prefix(asWritten_ ? DecodeTexts<true>(rest, sink) : DecodeTexts<false>(rest, sink));
    if (!rest.empty()) DecodeNumbers(element, rest, refs);
    left_ = leavesWritten_ && LastLineAsWritten();
    if (!left_) element.AssignRead(values_);
}

bool TElementLineReader::CheckedAsWritten(std::string_view rest) {
    CheckSink sink(values_);
    const std::size_t numbers = DecodeTexts<true>(rest, sink);
    if (asWritten_ && numbers < rest.size()) {
        const std::string_view section = rest.substr(numbers);
        if (IsPlainAscii(section))
            CheckPlainNumbers(section);
        else
            asWritten_ = false;
    }
    return asWritten_;
}

void TElementLineReader::CheckPlainNumbers(std::string_view rest) {
    const char* data = rest.data();
    const std::size_t size = rest.size();
    std::size_t pos = 0;
    for (std::size_t i = 0;; ++i) {
        if (IsReferenceType(TypeAt(i))) {
            asWritten_ = false;
            return;
        }
        for (;;) {
            pos = ReadPlainItem<false>(rest, pos);
            if (!asWritten_) return;
            if (pos == size || data[pos] == ',') break;
            ++pos;  // past the "#"
        }
        if (pos == size) return;
        ++pos;
    }
}

void TElementLineReader::Build(TElement& element, std::string_view line) {
    const bool checks = checksWritten_, asWritten = asWritten_, left = left_;
    checksWritten_ = false;            // nor is the count of lines not as written touched
    std::vector<TReadReference> none;  // a line as written holds no reference value
    Decode(element, line, none);
    checksWritten_ = checks;
    asWritten_ = asWritten;
    left_ = left;
}

void TElementLineReader::DecodeInPlace(TElement& element, std::string_view rest,
                                       std::vector<TReadReference>& refs) {
    CountSink count;
    std::string_view numbers = rest.substr(DecodeTexts<false>(rest, count));
    if (!numbers.empty()) DecodeNumbers(element, numbers, refs);
    RoomSink sink(element.AssignReadAround(values_, count.fields, count.items, count.chars));
    DecodeTexts<false>(rest, sink);
}

// Fields separated by ",", items by "#", each item unescaped.
template <bool kChecks, typename Sink>
std::size_t TElementLineReader::DecodeTexts(std::string_view rest, Sink& sink) {
    std::size_t pos = 0;
    while (true) {
        std::string_view item = rest.substr(pos);
        ItemEnd how;
        ItemScanner<kChecks> scanner(item, &quietEscapes_);
        const std::size_t mark = kChecks ? values_.chars.size() : 0;
        std::size_t end;
        if (scannerUnescapes_) {
            UnescapeInto<Sink> escapes(item, sink, escapePlains_, barsPlain_);
            end = scanner.FindEnd(how, escapes);
            escapes.Finish(end);
        } else {
            PassEscapes escapes;
            end = scanner.FindEnd(how, escapes);
            // The library's escaped forms all begin with a backslash: an item without one is
            // copied as it stands.
            if (soleEscapeStart_ == '\\' && !scanner.SawBackslash())
                sink.Append(item.data(), end);
            else
                AppendUnescaped(item.substr(0, end), sink);
        }
        if (kChecks && asWritten_) {
            const ItemInside inside = scanner.StopsInside();
            // With the scanner's classes, the writer classes every byte of the item as the
            // scanner did: the separator after it pairs with no lead byte, and 0x5C second
            // bytes are copied both ways. Only escapes, bars and second-byte separators
            // inside need the writer's walk.
            if (!quietItemsAsWritten_ || otherPlainStartsInLine_ || inside == ItemInside::kMore)
                CheckItemAsWritten(item.substr(0, end), inside, mark);
        }
        sink.EndItem();
        pos += end;
        if (how == ItemEnd::kItem) {
            ++pos;
            continue;
        }
        sink.EndField();
        if (how == ItemEnd::kField) {
            ++pos;
            continue;
        }
        // The writer always ends the texts with the section separator.
        if (kChecks && how != ItemEnd::kSection) asWritten_ = false;
        return how == ItemEnd::kSection ? pos + kSectionSeparator.size() : rest.size();
    }
}

void TElementLineReader::DecodeNumbers(TElement& element, std::string_view rest,
                                       std::vector<TReadReference>& refs) {
    if (IsPlainAscii(rest)) return DecodePlainNumbers(element, rest, refs);
    asWritten_ = false;
    PlainPieces fields(division_, rest, ',');
    std::string_view field;
    for (std::size_t i = 0; fields.Next(field); ++i) {
        PlainPieces pieces(division_, field, '#');
        std::string_view item;
        if (IsReferenceType(TypeAt(i))) {
            AddPendingReference(element, i, field, pieces.Count(), refs);
            continue;
        }
        while (pieces.Next(item))
            values_.numbers.push_back(ReadNumber(item));
        values_.EndNumberField();
    }
}

// The same cut in one walk over the bytes: without bytes of 0x80 and above every "," and "#"
// is a separator, as PlainPieces finds them.
void TElementLineReader::DecodePlainNumbers(TElement& element, std::string_view rest,
                                            std::vector<TReadReference>& refs) {
    const char* data = rest.data();
    const std::size_t size = rest.size();
    std::size_t pos = 0;
    for (std::size_t i = 0;; ++i) {
        const std::size_t start = pos;
        if (IsReferenceType(TypeAt(i))) {
            asWritten_ = false;  // written from the targets, once they are resolved
            std::size_t items = 1;
            for (; pos < size && data[pos] != ','; ++pos)
                items += data[pos] == '#';
            AddPendingReference(element, i, rest.substr(start, pos - start), items, refs);
        } else {
            for (;;) {
                pos = ReadPlainItem<true>(rest, pos);
                if (pos == size || data[pos] == ',') break;
                ++pos;  // past the "#"
            }
            values_.EndNumberField();
        }
        if (pos == size) return;
        ++pos;
    }
}

// Reads the number item at pos of a plain number section, up to the next "#", "," or the end,
// and returns where it ends. The digits are summed as the walk passes them: a plain decimal,
// ReadNumber's common case, is not walked twice.
template <bool kKeeps>
inline std::size_t TElementLineReader::ReadPlainItem(std::string_view rest, std::size_t pos) {
    const char* data = rest.data();
    const std::size_t size = rest.size();
    const std::size_t start = pos;
    std::uint64_t value = 0;  // meaningless beyond ten digits, where it is not used
    // Eight bytes at a time while they are all digits, then byte by byte.
    for (std::size_t digits = 8; digits == 8 && pos + 8 <= size; pos += digits) {
        std::uint32_t chunk = 0;
        digits = LeadingDigits(LoadWord(data + pos), chunk);
        value = value * kPowersOfTen[digits] + chunk;
    }
    for (; pos < size && data[pos] >= '0' && data[pos] <= '9'; ++pos)
        value = value * 10 + static_cast<std::uint64_t>(data[pos] - '0');
    const std::size_t digitsEnd = pos;
    while (pos < size && data[pos] != '#' && data[pos] != ',')
        ++pos;
    const std::size_t length = pos - start;
    const bool plain = digitsEnd == pos && length >= 1 && length <= 10 &&
                       (data[start] != '0' || length == 1) && value <= 0xFFFFFFFFu;
    if (!plain) asWritten_ = false;
    if constexpr (kKeeps)
        values_.numbers.push_back(plain ? value : ReadNumber(rest.substr(start, length)));
    return pos;
}

// Room for the targets, resolved once every file is read; the value reads as empty until then.
void TElementLineReader::AddPendingReference(TElement& element, std::size_t i,
                                             std::string_view field, std::size_t items,
                                             std::vector<TReadReference>& refs) {
    values_.numbers.resize(values_.numbers.size() + items);
    values_.EndNumberField(TElement::RefKind::kPending);
    refs.push_back({&element, static_cast<std::uint32_t>(i), field});
}

// What TStringDivision::ToULong gives, with plain decimals (digits only, no leading zero, so
// not octal) that fit in 32 bits read here directly.
std::uint32_t TElementLineReader::ReadNumber(std::string_view item) {
    if (item.size() == 1 && item[0] == '0') return 0;
    if (item.empty() || item.size() > 10 || item[0] < '1' || item[0] > '9')
        return TStringDivision::ToULong(item, 0);
    std::uint64_t value = 0;
    for (char c : item) {
        if (c < '0' || c > '9') return TStringDivision::ToULong(item, 0);
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return TStringDivision::ToULong(item, 0);  // saturates there
    return static_cast<std::uint32_t>(value);
}

// The divider takes, at each byte an escaped form begins with, the first form of its map that
// stands there unless the position is the second byte of a double-byte character; the forms are
// looked up here by that byte, in the map's order, and the position classed once.
template <typename Sink>
void TElementLineReader::AppendUnescaped(std::string_view item, Sink& out) {
    const std::size_t size = item.size();
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t run = pos;
        if (soleEscapeStart_ >= 0) {
            const char start = static_cast<char>(soleEscapeStart_);
            while (run < size && item[run] != start)
                ++run;
        } else {
            while (run < size && escapesByFirst_[static_cast<unsigned char>(item[run])].empty())
                ++run;
        }
        out.Append(item.data() + pos, run - pos);
        pos = run;
        if (pos == size) break;
        const EscapeMap::value_type* found = nullptr;
        for (const EscapeMap::value_type* entry :
             escapesByFirst_[static_cast<unsigned char>(item[pos])]) {
            const std::string& form = entry->first;
            if (size - pos >= form.size() && SameBytes(form, item.data() + pos)) {
                found = entry;
                break;
            }
        }
        if (found && pos != 0 && division_.CharKind(item, pos) == kTrailByte) found = nullptr;
        if (!found) {
            out.Append(item.data() + pos++, 1);
        } else {
            out.Append(found->second.data(), found->second.size());
            pos += found->first.size();
        }
    }
}

}  // namespace tabrix
