#include "format/TCounterMap.h"

namespace tabrix {

std::optional<std::size_t> TCounterMap::IndexOf(const TElement* element,
                                                std::uint32_t position) const {
    if (entries_.size() <= kLinearLimit) {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].element == element && entries_[i].position == position) return i;
        return std::nullopt;
    }
    auto it = index_.find({element, position});
    if (it == index_.end()) return std::nullopt;
    return it->second;
}

std::uint32_t& TCounterMap::AtIndexed(const TElement* element, std::uint32_t position) {
    if (auto i = IndexOf(element, position)) return entries_[*i].counter;
    return Add(element, position);
}

std::uint32_t& TCounterMap::Add(const TElement* element, std::uint32_t position) {
    entries_.push_back({element, position, 0});
    if (entries_.size() == kLinearLimit + 1) {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            index_.emplace(std::make_pair(entries_[i].element, entries_[i].position), i);
    } else if (entries_.size() > kLinearLimit + 1) {
        index_.emplace(std::make_pair(element, position), entries_.size() - 1);
    }
    return entries_.back().counter;
}

std::optional<std::uint32_t> TCounterMap::Find(const TElement* element,
                                               std::uint32_t position) const {
    if (auto i = IndexOf(element, position)) return entries_[*i].counter;
    return std::nullopt;
}

void TCounterMap::Clear() {
    entries_.clear();
    index_.clear();
}

}  // namespace tabrix
