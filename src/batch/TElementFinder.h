// Find and replace over the values of elements.
//
// Texts (each item of an array), numbers (as their decimal text, signed types signed) and
// selections (by choice name, or by number when the choice has no name) are searched; booleans
// and references are not. Plain search folds the needle once and every value into a buffer
// kept between elements, then matches on character boundaries of the folded text. A regular
// expression (PCRE2) runs on the UTF-8 form of the value; case folding makes it caseless, and
// width and kana folding do not apply to it (folding a pattern would change its syntax).
//
// Replace changes text parameters only, every match in a value; a plain match on folded text is
// mapped back to the bytes it came from, as width folding makes one byte two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/TextItems.h"

namespace tabrix {

class TElement;
class TGroupData;
class TParameter;
class TZQPCtrl;

class TElementFinder {
public:
    struct Options {
        std::string text;                 // UTF-8, as the user typed it
        std::string replacement;          // UTF-8; for a regular expression $1 etc. name its groups
        std::vector<std::size_t> params;  // empty: every parameter
        unsigned foldFlags = 0;           // FoldFlags
        bool wholeValue = false;
        bool regex = false;
    };

    // Why the options cannot be used.
    struct Problem {
        enum class Kind { kNone, kEmptyText, kBadPattern, kNotCp932 };
        Kind kind = Kind::kNone;
        std::string message;     // PCRE2's message (kBadPattern)
        std::size_t offset = 0;  // the character of the pattern where it failed, from 0
        std::string character;   // UTF-8: the character with no Shift-JIS form (kNotCp932)
    };

    // Where a match stands: an element of one of the groups searched.
    struct Place {
        std::size_t group = 0;
        std::size_t element = 0;
    };
    struct Found {
        Place place;
        bool wrapped = false;  // the search went past the end (or the beginning) to find it
    };

    // The new texts of one text parameter of an element.
    struct Replacement {
        std::size_t param = 0;
        TextList texts;
    };
    struct Replaced {
        std::vector<Replacement> values;
        std::string refused;  // UTF-8: a character a result could not hold in Shift-JIS
        std::string error;    // PCRE2's message when a substitution failed
    };

    explicit TElementFinder(const TZQPCtrl& parameters);
    ~TElementFinder();
    TElementFinder(const TElementFinder&) = delete;
    TElementFinder& operator=(const TElementFinder&) = delete;

    // Takes the options for the searches that follow; anything but kNone leaves the finder
    // matching nothing.
    Problem SetOptions(const Options& options);

    bool Matches(const TElement& element) const;
    // The first match after from (before it when backward) in groups, taken in order and
    // wrapping around; from itself is searched last. None when nothing matches.
    // Without from the search begins at the first element (the last when backward).
    std::optional<Found> Next(const std::vector<const TGroupData*>& groups,
                              std::optional<Place> from, bool forward) const;
    // The positions of every matching element of data, ascending.
    std::vector<std::size_t> AllMatches(const TGroupData& data) const;

    // The text values of element as the replacement leaves them, those that change only.
    Replaced ReplaceIn(const TElement& element) const;

private:
    struct Searched;  // a parameter searched, with its folded choices
    class Regex;

    // folded: the buffer values are folded into (each thread searching has its own).
    bool MatchesText(std::string_view text, std::string& folded) const;
    bool MatchesFolded(std::string_view folded) const;
    bool MatchesParam(const TElement& element, const Searched& searched, std::string& folded) const;
    bool MatchesWith(const TElement& element, std::string& folded) const;
    // Replaces in one text item; false when it does not change (or the result is refused,
    // noted in replaced).
    bool ReplaceText(std::string_view text, std::string& out, Replaced& replaced) const;
    bool ReplacePlain(std::string_view text, std::string& out) const;
    bool ReplaceRegex(std::string_view text, std::string& out, Replaced& replaced) const;

    const TZQPCtrl& parameters_;
    std::vector<Searched> searched_;
    std::unique_ptr<Regex> regex_;
    std::string needle_;            // folded, CP932
    std::size_t anchor_ = 0;        // the byte of the needle searched for first
    std::string replacementCp932_;  // plain replacement
    std::string replacementUtf8_;   // regular-expression replacement
    unsigned foldFlags_ = 0;
    bool wholeValue_ = false;
    bool numbersMayMatch_ = true;
    bool ready_ = false;
    mutable std::string folded_;  // the buffer every value is folded into
    mutable std::string utf8_;    // the buffer of a value's UTF-8 form
};

}  // namespace tabrix
