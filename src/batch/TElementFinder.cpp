#include "batch/TElementFinder.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "batch/TBatchData.h"
#include "batch/TTextFolder.h"
#include "model/ParamType.h"
#include "model/RunInParts.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TParameter.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

constexpr std::uint32_t kNoUnit = static_cast<std::uint32_t>(-1);

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t CharLength(std::string_view text, std::size_t at) {
    return IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The bytes the folding treats as one: a character, or a half-width kana with the voiced or
// semi-voiced mark width folding composes it with.
std::size_t UnitLength(std::string_view text, std::size_t at, unsigned flags) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if ((flags & kFoldWidth) && byte >= 0xA1 && byte <= 0xDF && at + 1 < text.size()) {
        const auto mark = static_cast<unsigned char>(text[at + 1]);
        if (mark == 0xDE || mark == 0xDF) return 2;
    }
    return CharLength(text, at);
}

bool IsSearchedType(std::uint8_t type) {
    return IsTextType(type) || type == kTypeSigned || type == kTypeSignedArray ||
           type == kTypeUnsigned || type == kTypeUnsignedArray || type == kTypeListSelection;
}

bool IsSignedType(std::uint8_t type) {
    return type == kTypeSigned || type == kTypeSignedArray;
}

// The byte of needle a search looks for first: the one least likely to stand in a folded text
// by chance. Lead bytes are few and each common (with width folding every ASCII character
// begins with 0x82, katakana with 0x83); second bytes spread over some 190 values.
std::size_t AnchorOf(std::string_view needle) {
    auto commonness = [](unsigned char byte, bool lead) {
        if (byte == 0x82 || byte == 0x83) return 4;
        if (lead) return 3;
        if (byte == 0x81 || (byte >= 0x88 && byte <= 0x9F)) return 2;
        return 1;
    };
    std::size_t anchor = 0;
    int best = 5;
    for (std::size_t at = 0; at < needle.size();) {
        const std::size_t length = CharLength(needle, at);
        for (std::size_t k = 0; k < length; ++k) {
            const int score =
                commonness(static_cast<unsigned char>(needle[at + k]), length == 2 && k == 0);
            if (score < best) {
                best = score;
                anchor = at + k;
            }
        }
        at += length;
    }
    return anchor;
}

// Where needle stands in text from from on, beginning on a character boundary (from is one).
// Candidates are found by the needle's byte at anchor, then compared whole.
std::size_t FindOnBoundary(std::string_view text, std::string_view needle, std::size_t from,
                           std::size_t anchor) {
    if (needle.empty() || needle.size() > text.size() || from > text.size() - needle.size())
        return needle.empty() && from <= text.size() ? from : std::string_view::npos;
    const char* const begin = text.data();
    const char* const last = begin + (text.size() - needle.size());  // the last possible start
    const char wanted = needle[anchor];
    std::size_t boundary = from;
    for (const char* at = begin + from + anchor; at <= last + anchor;) {
        const auto* found = static_cast<const char*>(
            std::memchr(at, wanted, static_cast<std::size_t>(last + anchor - at) + 1));
        if (!found) break;
        const char* start = found - anchor;
        if (std::memcmp(start, needle.data(), needle.size()) == 0) {
            const auto position = static_cast<std::size_t>(start - begin);
            while (boundary < position)
                boundary += CharLength(text, boundary);
            if (boundary == position) return position;
        }
        at = found + 1;
    }
    return std::string_view::npos;
}

// The first character of utf8 with no Shift-JIS form; empty when every one has one.
std::string FirstWithoutCp932(std::string_view utf8) {
    std::string scratch;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        length = std::min(length, utf8.size() - at);
        const std::string_view character = utf8.substr(at, length);
        scratch.clear();
        if (!TextCodec::FromUtf8(character, scratch)) return std::string(character);
        at += length;
    }
    return {};
}

std::string ErrorMessage(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    return length < 0 ? std::string("PCRE2 error ") + std::to_string(code)
                      : std::string(reinterpret_cast<const char*>(buffer),
                                    static_cast<std::size_t>(length));
}

std::size_t CharactersBefore(std::string_view utf8, std::size_t offset) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < offset && i < utf8.size(); ++i)
        count += (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
    return count;
}

// Whether the decimal text of some number, folded, may hold needle: only when every byte of
// needle is one of those digits and the minus sign fold to. Most needles are words, and the
// numbers need not be written out for them.
bool NumberMayHold(std::string_view needle, unsigned flags) {
    const std::string digits = TTextFolder::Fold("-0123456789", flags);
    return needle.find_first_not_of(digits) == std::string_view::npos;
}

}  // namespace

struct TElementFinder::Searched {
    std::size_t index = 0;
    std::uint8_t type = 0;
    const TParameter* parameter = nullptr;
};

// A compiled pattern with its match data, kept for every value searched.
class TElementFinder::Regex {
public:
    ~Regex() {
        pcre2_match_data_free(matchData_);
        pcre2_code_free(code_);
    }

    Problem Compile(std::string_view pattern, bool caseless, bool whole) {
        std::uint32_t options = PCRE2_UTF | PCRE2_UCP;
        if (caseless) options |= PCRE2_CASELESS;
        if (whole) options |= PCRE2_ANCHORED | PCRE2_ENDANCHORED;
        int error = 0;
        PCRE2_SIZE offset = 0;
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options,
                              &error, &offset, nullptr);
        Problem problem;
        if (!code_) {
            problem.kind = Problem::Kind::kBadPattern;
            problem.message = ErrorMessage(error);
            problem.offset = CharactersBefore(pattern, offset);
            return problem;
        }
        matchData_ = pcre2_match_data_create_from_pattern(code_, nullptr);
        return problem;
    }

    bool Matches(std::string_view utf8) const {
        return pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), 0,
                           PCRE2_NO_UTF_CHECK, matchData_, nullptr) >= 0;
    }

    // Every match of utf8 replaced by replacement into out; the number replaced, or a PCRE2
    // error code below 0.
    int Substitute(std::string_view utf8, std::string_view replacement, std::string& out) const {
        out.resize(std::max<std::size_t>(2 * utf8.size() + replacement.size() + 16, 64));
        for (;;) {
            PCRE2_SIZE length = out.size();
            const int count = pcre2_substitute(
                code_, reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), 0,
                PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_NO_UTF_CHECK,
                matchData_, nullptr, reinterpret_cast<PCRE2_SPTR>(replacement.data()),
                replacement.size(), reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
            if (count == PCRE2_ERROR_NOMEMORY) {
                out.resize(length + 1);
                continue;
            }
            out.resize(count < 0 ? 0 : length);
            return count;
        }
    }

private:
    pcre2_code* code_ = nullptr;
    pcre2_match_data* matchData_ = nullptr;
};

TElementFinder::TElementFinder(const TZQPCtrl& parameters) : parameters_(parameters) {}

TElementFinder::~TElementFinder() = default;

TElementFinder::Problem TElementFinder::SetOptions(const Options& options) {
    ready_ = false;
    regex_.reset();
    searched_.clear();
    foldFlags_ = options.foldFlags & kFoldAll;
    wholeValue_ = options.wholeValue;
    Problem problem;
    if (options.text.empty()) {
        problem.kind = Problem::Kind::kEmptyText;
        return problem;
    }
    // A replacement the library could not store is refused before anything changes.
    problem.character = FirstWithoutCp932(options.replacement);
    if (options.regex) {
        if (problem.character.empty()) {
            auto regex = std::make_unique<Regex>();
            problem = regex->Compile(options.text, (foldFlags_ & kFoldCase) != 0, wholeValue_);
            if (problem.kind == Problem::Kind::kNone) regex_ = std::move(regex);
        }
        replacementUtf8_ = options.replacement;
    } else {
        if (problem.character.empty()) problem.character = FirstWithoutCp932(options.text);
        needle_ = TTextFolder::Fold(TextCodec::FromUtf8(options.text), foldFlags_);
        anchor_ = AnchorOf(needle_);
        replacementCp932_ = TextCodec::FromUtf8(options.replacement);
    }
    numbersMayMatch_ = options.regex || NumberMayHold(needle_, foldFlags_);
    if (!problem.character.empty()) problem.kind = Problem::Kind::kNotCp932;
    if (problem.kind != Problem::Kind::kNone) return problem;

    for (std::size_t i = 0; i < parameters_.Size(); ++i) {
        const bool chosen =
            options.params.empty() ||
            std::find(options.params.begin(), options.params.end(), i) != options.params.end();
        const TParameter* parameter = parameters_.At(i);
        if (chosen && IsSearchedType(parameter->Type()))
            searched_.push_back({i, parameter->Type(), parameter});
    }
    ready_ = true;
    return problem;
}

// --- matching ------------------------------------------------------------------------------------

bool TElementFinder::MatchesFolded(std::string_view folded) const {
    if (wholeValue_) return folded == needle_;
    return FindOnBoundary(folded, needle_, 0, anchor_) != std::string_view::npos;
}

bool TElementFinder::MatchesText(std::string_view text, std::string& folded) const {
    if (regex_) {
        utf8_ = TextCodec::ToUtf8(text);
        return regex_->Matches(utf8_);
    }
    const std::size_t room = TTextFolder::MaxFoldedSize(text.size(), foldFlags_);
    if (folded.size() < room) folded.resize(std::max(2 * room, std::size_t{256}));
    const char* end = TTextFolder::FoldTo(text, foldFlags_, folded.data());
    return MatchesFolded({folded.data(), static_cast<std::size_t>(end - folded.data())});
}

bool TElementFinder::MatchesParam(const TElement& element, const Searched& searched,
                                  std::string& folded) const {
    if (IsTextType(searched.type)) {
        const TextItems texts = element.Texts(searched.index);
        const std::size_t count =
            searched.type == kTypeString ? std::min<std::size_t>(texts.size(), 1) : texts.size();
        for (std::size_t k = 0; k < count; ++k)
            if (MatchesText(texts[k], folded)) return true;
        return false;
    }
    if (!numbersMayMatch_ && searched.type != kTypeListSelection) return false;
    const NumberItems numbers = element.Numbers(searched.index);
    const StringList& choices = searched.parameter->Selection();
    char digits[16];
    for (const NumberItem item : numbers) {
        const auto value = static_cast<std::uint32_t>(item);
        if (searched.type == kTypeListSelection && value < choices.size() &&
            !choices[value].empty()) {
            if (MatchesText(choices[value], folded)) return true;
            continue;
        }
        const auto [end, error] =
            IsSignedType(searched.type)
                ? std::to_chars(digits, digits + sizeof digits, static_cast<std::int32_t>(value))
                : std::to_chars(digits, digits + sizeof digits, value);
        if (error == std::errc() &&
            MatchesText({digits, static_cast<std::size_t>(end - digits)}, folded))
            return true;
    }
    return false;
}

bool TElementFinder::Matches(const TElement& element) const {
    return MatchesWith(element, folded_);
}

bool TElementFinder::MatchesWith(const TElement& element, std::string& folded) const {
    if (!ready_) return false;
    for (const Searched& searched : searched_)
        if (MatchesParam(element, searched, folded)) return true;
    return false;
}

std::optional<TElementFinder::Found> TElementFinder::Next(
    const std::vector<const TGroupData*>& groups, std::optional<Place> from, bool forward) const {
    // The elements of all groups counted as one row; a group's first element stands at its
    // start.
    std::vector<std::size_t> starts;
    std::size_t total = 0;
    for (const TGroupData* data : groups) {
        starts.push_back(total);
        total += data ? data->Size() : 0;
    }
    if (!ready_ || total == 0) return std::nullopt;
    auto at = forward ? std::int64_t{-1} : static_cast<std::int64_t>(total);
    if (from && from->group < groups.size())
        at = static_cast<std::int64_t>(
            starts[from->group] +
            std::min(from->element, (groups[from->group] ? groups[from->group]->Size() : 0)));
    bool wrapped = false;
    for (std::size_t step = 0; step < total; ++step) {
        at += forward ? 1 : -1;
        if (at >= static_cast<std::int64_t>(total) || at < 0) {
            at = at < 0 ? static_cast<std::int64_t>(total) - 1 : 0;
            wrapped = true;
        }
        const auto position = static_cast<std::size_t>(at);
        const std::size_t group = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), position) - starts.begin() - 1);
        const std::size_t element = position - starts[group];
        if (Matches(*groups[group]->At(element))) return Found{{group, element}, wrapped};
    }
    return std::nullopt;
}

// A large group is searched in parts on every core, each with a folding buffer of its own, the
// parts' matches joined in order. A regular expression keeps to one thread: its match data is
// the pattern's one.
std::vector<std::size_t> TElementFinder::AllMatches(const TGroupData& data) const {
    constexpr std::size_t kElementsForParts = 50000;
    const std::size_t size = data.Size();
    const std::size_t parts = regex_ ? 1 : PartsFor(size, kElementsForParts);
    std::vector<std::vector<std::size_t>> found(parts);
    RunInParts(parts, [&](std::size_t p) {
        std::string folded;
        constexpr std::size_t kAhead = 8;
        const std::size_t end = size * (p + 1) / parts;
        for (std::size_t i = size * p / parts; i < end; ++i) {
            // Each element's values lie elsewhere in memory: ask for them ahead of the match.
            if (i + kAhead < end) data.At(i + kAhead)->PrefetchValues();
            if (MatchesWith(*data.At(i), p == 0 ? folded_ : folded)) found[p].push_back(i);
        }
    });
    for (std::size_t p = 1; p < parts; ++p)
        found[0].insert(found[0].end(), found[p].begin(), found[p].end());
    return std::move(found[0]);
}

// --- replacing -----------------------------------------------------------------------------------

bool TElementFinder::ReplacePlain(std::string_view text, std::string& out) const {
    // The text folded unit by unit, with the original offset of every unit's start, so a match
    // on the folded text names the bytes it came from.
    std::string folded;
    folded.resize(TTextFolder::MaxFoldedSize(text.size(), foldFlags_));
    std::vector<std::uint32_t> origin(folded.size() + 1, kNoUnit);
    char* end = folded.data();
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = UnitLength(text, at, foldFlags_);
        origin[static_cast<std::size_t>(end - folded.data())] = static_cast<std::uint32_t>(at);
        end = TTextFolder::FoldTo(text.substr(at, length), foldFlags_, end);
        at += length;
    }
    const auto foldedSize = static_cast<std::size_t>(end - folded.data());
    origin[foldedSize] = static_cast<std::uint32_t>(text.size());
    folded.resize(foldedSize);

    if (wholeValue_) {
        if (folded != needle_) return false;
        out = replacementCp932_;
        return true;
    }
    out.clear();
    std::size_t copied = 0;  // in text
    bool changed = false;
    for (std::size_t at = FindOnBoundary(folded, needle_, 0, anchor_); at != std::string::npos;) {
        const std::size_t after = at + needle_.size();
        if (origin[at] == kNoUnit || origin[after] == kNoUnit) {
            // The match begins or ends inside a composed unit: not a match of those bytes.
            at = FindOnBoundary(folded, needle_, at + CharLength(folded, at), anchor_);
            continue;
        }
        out.append(text.substr(copied, origin[at] - copied));
        out += replacementCp932_;
        copied = origin[after];
        changed = true;
        at = after < folded.size() ? FindOnBoundary(folded, needle_, after, anchor_)
                                   : std::string::npos;
    }
    out.append(text.substr(copied));
    return changed;
}

bool TElementFinder::ReplaceRegex(std::string_view text, std::string& out,
                                  Replaced& replaced) const {
    const std::string utf8 = TextCodec::ToUtf8(text);
    std::string result;
    const int count = regex_->Substitute(utf8, replacementUtf8_, result);
    if (count < 0) {
        replaced.error = ErrorMessage(count);
        return false;
    }
    if (count == 0 || result == utf8) return false;
    if (!TextCodec::FromUtf8(result, out)) {
        replaced.refused = FirstWithoutCp932(result);
        return false;
    }
    return out != text;
}

bool TElementFinder::ReplaceText(std::string_view text, std::string& out,
                                 Replaced& replaced) const {
    return regex_ ? ReplaceRegex(text, out, replaced) : ReplacePlain(text, out);
}

TElementFinder::Replaced TElementFinder::ReplaceIn(const TElement& element) const {
    Replaced replaced;
    if (!ready_) return replaced;
    std::string out;
    for (const Searched& searched : searched_) {
        if (!IsTextType(searched.type)) continue;
        const TextItems texts = element.Texts(searched.index);
        const std::size_t count =
            searched.type == kTypeString ? std::min<std::size_t>(texts.size(), 1) : texts.size();
        std::optional<TextList> changed;
        for (std::size_t k = 0; k < count; ++k) {
            if (!ReplaceText(texts[k], out, replaced)) continue;
            if (!changed) changed = texts.ToList();
            (*changed)[k] = out;
        }
        if (!replaced.refused.empty() || !replaced.error.empty()) {
            replaced.values.clear();
            return replaced;
        }
        if (changed) replaced.values.push_back({searched.index, std::move(*changed)});
    }
    return replaced;
}

}  // namespace tabrix
