#include "model/TMapInitialize.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tabrix {

namespace {

// Tags are recognised at the start of a line; whatever follows belongs to the line's value.
bool BeginsWith(std::string_view line, std::string_view tag) {
    return line.starts_with(tag);
}

}  // namespace

void TMapInitialize::SetText(const TMapWord& key, std::string value) {
    sections_[currentSection_][key] = std::move(value);
}

std::optional<std::string> TMapInitialize::KeyText(const TMapWord& section,
                                                   const TMapWord& key) const {
    const std::string* value = FindValue(section, key);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

void TMapInitialize::SetKey(const TMapWord& section, const TMapWord& key,
                            std::optional<std::string> text) {
    if (text) {
        sections_[section][key] = std::move(*text);
        return;
    }
    auto found = sections_.find(section);
    if (found == sections_.end()) return;
    found->second.erase(key);
    if (found->second.empty()) sections_.erase(found);
}

void TMapInitialize::SetSigned(const TMapWord& key, std::int32_t value) {
    SetText(key, TStringDivision::Format("d", value));
}

void TMapInitialize::SetUnsigned(const TMapWord& key, std::uint32_t value) {
    SetText(key, TStringDivision::Format("u", value));
}

std::string TMapInitialize::GetText(const TMapWord& key, std::string_view defaultValue) const {
    return GetTextIn(currentSection_, key, defaultValue);
}

std::int32_t TMapInitialize::GetSigned(const TMapWord& key, std::int32_t defaultValue) const {
    return GetSignedIn(currentSection_, key, defaultValue);
}

std::uint32_t TMapInitialize::GetUnsigned(const TMapWord& key, std::uint32_t defaultValue) const {
    return GetUnsignedIn(currentSection_, key, defaultValue);
}

std::string TMapInitialize::GetTextIn(const TMapWord& section, const TMapWord& key,
                                      std::string_view defaultValue) const {
    const std::string* value = FindValue(section, key);
    return value ? *value : std::string(defaultValue);
}

std::int32_t TMapInitialize::GetSignedIn(const TMapWord& section, const TMapWord& key,
                                         std::int32_t defaultValue) const {
    const std::string* value = FindValue(section, key);
    return value ? TStringDivision::ToLong(*value, defaultValue) : defaultValue;
}

std::uint32_t TMapInitialize::GetUnsignedIn(const TMapWord& section, const TMapWord& key,
                                            std::uint32_t defaultValue) const {
    const std::string* value = FindValue(section, key);
    return value ? TStringDivision::ToULong(*value, defaultValue) : defaultValue;
}

const std::string* TMapInitialize::FindValue(const TMapWord& section, const TMapWord& key) const {
    auto sectionIt = sections_.find(section);
    if (sectionIt == sections_.end()) return nullptr;
    auto keyIt = sectionIt->second.find(key);
    return keyIt == sectionIt->second.end() ? nullptr : &keyIt->second;
}

void TMapInitialize::Serialise(StringList& lines, std::size_t position) const {
    StringList out;
    for (const auto& section : sections_)
        SerialiseSection(section, out);
    auto at = lines.begin() + static_cast<std::ptrdiff_t>(std::min(position, lines.size()));
    lines.insert(at, std::make_move_iterator(out.begin()), std::make_move_iterator(out.end()));
}

void TMapInitialize::SerialiseSection(const SectionMap::value_type& section,
                                      StringList& out) const {
    out.push_back(section.first.First());
    for (const auto& key : section.second)
        SerialiseKey(key, out);
    out.push_back(section.first.Second());
}

void TMapInitialize::SerialiseKey(const KeyMap::value_type& key, StringList& out) const {
    if (!key.first.IsBlock()) {
        out.push_back(key.first.First() + key.second);
        return;
    }
    // A block value is cut back into the lines it was joined from when it was read, so that
    // the line list holds no line-end characters.
    out.push_back(key.first.First());
    StringList valueLines;
    TStringDivision().Split(key.second, lineSeparator_, valueLines);
    out.insert(out.end(), valueLines.begin(), valueLines.end());
    out.push_back(key.first.Second());
}

long TMapInitialize::Parse(const StringList& lines, long first, long last) {
    const std::size_t end = (last < 0 || static_cast<std::size_t>(last) >= lines.size())
                                ? lines.size()
                                : static_cast<std::size_t>(last) + 1;
    std::size_t index = static_cast<std::size_t>(std::max(first, 0L));
    SectionMap::value_type* open = nullptr;
    while (index < end) {
        const std::string& line = lines[index];
        if (open == nullptr) {
            open = SectionOpenedBy(line);
            ++index;
        } else if (BeginsWith(line, open->first.Second())) {
            open = nullptr;
            ++index;
        } else {
            index = ParseKeyLine(lines, index, end, open->second);
        }
    }
    return static_cast<long>(index);
}

// Sections are looked up by their start tag in the map's order; the first one that begins the
// line is opened.
TMapInitialize::SectionMap::value_type* TMapInitialize::SectionOpenedBy(std::string_view line) {
    for (auto& section : sections_) {
        if (BeginsWith(line, section.first.First())) return &section;
    }
    return nullptr;
}

// Fills the first key whose tag begins lines[index]; returns the index of the next line to
// read. A line that no key claims is skipped.
std::size_t TMapInitialize::ParseKeyLine(const StringList& lines, std::size_t index,
                                         std::size_t end, KeyMap& keys) const {
    const std::string& line = lines[index];
    for (auto& [key, value] : keys) {
        if (!BeginsWith(line, key.First())) continue;
        if (key.IsBlock()) return ParseBlock(lines, index, end, key.Second(), value);
        value = line.substr(key.First().size());
        return index + 1;
    }
    return index + 1;
}

// The lines after the opening line up to the line that begins with endTag, joined by the line
// separator. A missing end tag lets the block run to the end of the range.
std::size_t TMapInitialize::ParseBlock(const StringList& lines, std::size_t open, std::size_t end,
                                       const std::string& endTag, std::string& value) const {
    StringList block;
    std::size_t index = open + 1;
    while (index < end && !BeginsWith(lines[index], endTag))
        block.push_back(lines[index++]);
    value = TStringDivision::Join(lineSeparator_, block);
    return index < end ? index + 1 : end;
}

}  // namespace tabrix
