// A small store of named sections holding named text values, written as tagged text lines. It
// keeps the window layouts of a library (.ZQI) and of the frame (Tabrix.ini).
//
// Reading only fills in what the store already holds: callers set every key to its default
// first, so a file can change values but never add sections or keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "model/TMapWord.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TMapInitialize {
public:
    using KeyMap = std::map<TMapWord, std::string>;
    using SectionMap = std::map<TMapWord, KeyMap>;

    static constexpr const char* kDefaultLineSeparator = "\r\n";
    static constexpr std::size_t kAppend = static_cast<std::size_t>(-1);

    // Makes section the one that the set and get operations act on. The section comes into
    // being with the first value set in it.
    void SelectSection(TMapWord section) { currentSection_ = std::move(section); }
    const TMapWord& CurrentSection() const { return currentSection_; }

    // Set a value in the current section, creating the section and the key when missing.
    void SetText(const TMapWord& key, std::string value);
    void SetSigned(const TMapWord& key, std::int32_t value);     // written as "%d"
    void SetUnsigned(const TMapWord& key, std::uint32_t value);  // written as "%u"

    // Values of the current section; defaultValue when the section or the key is missing.
    std::string GetText(const TMapWord& key, std::string_view defaultValue) const;
    // The number forms strtol/strtoul accept with base 0; defaultValue also when characters
    // remain after the number. An empty value reads 0.
    std::int32_t GetSigned(const TMapWord& key, std::int32_t defaultValue) const;
    std::uint32_t GetUnsigned(const TMapWord& key, std::uint32_t defaultValue) const;

    // The same reads in a named section; the current section stays as it is.
    std::string GetTextIn(const TMapWord& section, const TMapWord& key,
                          std::string_view defaultValue) const;
    std::int32_t GetSignedIn(const TMapWord& section, const TMapWord& key,
                             std::int32_t defaultValue) const;
    std::uint32_t GetUnsignedIn(const TMapWord& section, const TMapWord& key,
                                std::uint32_t defaultValue) const;

    // Inserts the lines of every section before lines[position], or appends them when position
    // lies beyond the end.
    void Serialise(StringList& lines, std::size_t position = kAppend) const;

    // Reads lines[first] to lines[last] (last -1: to the end) into the sections and keys the
    // store already holds; everything else is skipped. Returns the index after the last line
    // read.
    long Parse(const StringList& lines, long first = 0, long last = -1);

    const SectionMap& Sections() const { return sections_; }
    void Clear() { sections_.clear(); }
    // The stored text of key in section, or none when the store does not hold it; a value set
    // back with SetKey, none erasing the key, leaves the store as it was.
    std::optional<std::string> KeyText(const TMapWord& section, const TMapWord& key) const;
    void SetKey(const TMapWord& section, const TMapWord& key, std::optional<std::string> text);

    // Joins the lines of a block value.
    const std::string& LineSeparator() const { return lineSeparator_; }
    void SetLineSeparator(std::string separator) { lineSeparator_ = std::move(separator); }

private:
    const std::string* FindValue(const TMapWord& section, const TMapWord& key) const;
    void SerialiseSection(const SectionMap::value_type& section, StringList& out) const;
    void SerialiseKey(const KeyMap::value_type& key, StringList& out) const;
    SectionMap::value_type* SectionOpenedBy(std::string_view line);
    std::size_t ParseKeyLine(const StringList& lines, std::size_t index, std::size_t end,
                             KeyMap& keys) const;
    std::size_t ParseBlock(const StringList& lines, std::size_t open, std::size_t end,
                           const std::string& endTag, std::string& value) const;

    SectionMap sections_;
    TMapWord currentSection_;
    std::string lineSeparator_ = kDefaultLineSeparator;
};

}  // namespace tabrix
