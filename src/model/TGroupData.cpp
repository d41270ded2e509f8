#include "model/TGroupData.h"

#include <algorithm>
#include <cassert>

#include "model/LargePages.h"
#include "model/RunInParts.h"
#include "model/TEditLog.h"
#include "model/TZQDCtrl.h"

namespace tabrix {

std::unique_ptr<TElement> TGroupData::NewElement() {
    auto element = std::make_unique<TElement>();
    element->SetOwner(this);
    return element;
}

void TGroupData::AddElements(std::size_t n) {
    std::size_t first = elements_.size();
    // Grown by half at least: adding one element at a time must not move every pointer of a
    // large group each time.
    if (elements_.capacity() < first + n)
        elements_.reserve(std::max(first + n, elements_.capacity() + elements_.capacity() / 2));
    for (std::size_t k = 0; k < n; ++k)
        elements_.push_back(NewElement());
    Renumber(first);
    MarkModified();
    if (TEditLog* log = TEditLog::Active()) log->Inserted(*this, first, n);
}

void TGroupData::InsertElements(std::size_t position, std::size_t n) {
    position = std::min(position, elements_.size());
    std::vector<std::unique_ptr<TElement>> fresh;
    fresh.reserve(n);
    for (std::size_t k = 0; k < n; ++k)
        fresh.push_back(NewElement());
    elements_.insert(elements_.begin() + static_cast<std::ptrdiff_t>(position),
                     std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    Renumber(position);
    MarkModified();
    if (TEditLog* log = TEditLog::Active()) log->Inserted(*this, position, n);
}

ElementResult TGroupData::DeleteElements(std::size_t first, std::size_t end) {
    if (first >= elements_.size()) return kNoSuchElements;
    end = std::min(end, elements_.size());
    if (TEditLog* log = TEditLog::Active()) {
        std::vector<std::size_t> positions;
        for (std::size_t i = first; i < end; ++i)
            positions.push_back(i);
        log->TakeOut(*this, positions);
        return kElementsChanged;
    }
    if (end > first) {
        elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(first),
                        elements_.begin() + static_cast<std::ptrdiff_t>(end));
    }
    Renumber(first);
    MarkModified();
    return kElementsChanged;
}

ElementResult TGroupData::MoveElements(std::size_t first, std::size_t target, std::size_t last) {
    if (first >= elements_.size()) return kNoSuchElements;
    last = std::clamp(last, first, elements_.size() - 1);
    std::size_t n = last - first + 1;
    if (TEditLog* log = TEditLog::Active()) {
        if (target > first + 1) target -= n - 1;
        log->Transfer(*this, first, last, *this, target);
        return kElementsChanged;
    }
    auto begin = elements_.begin() + static_cast<std::ptrdiff_t>(first);
    std::vector<std::unique_ptr<TElement>> block(std::make_move_iterator(begin),
                                                 std::make_move_iterator(begin + n));
    elements_.erase(begin, begin + static_cast<std::ptrdiff_t>(n));
    if (target > first + 1) target -= n - 1;
    target = std::min(target, elements_.size());
    elements_.insert(elements_.begin() + static_cast<std::ptrdiff_t>(target),
                     std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
    Renumber(std::min(first, target));
    MarkModified();
    return kElementsChanged;
}

void TGroupData::ReserveSlots(std::size_t n) {
    if (n <= elements_.size()) return;
    // The slots of a large group read from a file are filled from start to end at once.
    if (n > elements_.capacity()) {
        elements_.reserve(n);
        AskForLargePages(elements_.data(), n * sizeof elements_[0]);
    }
    elements_.resize(n);
}

void TGroupData::ExtendReadSlots(std::size_t end) {
    ReserveSlots(end);
    filled_ = std::max(filled_, end);
}

void TGroupData::FinishRead() {
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        if (!elements_[i]) {
            elements_[i] = NewElement();
            elements_[i]->SetIndex(static_cast<std::uint32_t>(i));
        }
    }
    filled_ = elements_.size();
}

std::vector<std::unique_ptr<TElement>> TGroupData::TakeElements(std::size_t first,
                                                                std::size_t last) {
    std::vector<std::unique_ptr<TElement>> taken;
    if (first >= elements_.size()) return taken;
    last = std::clamp(last, first, elements_.size() - 1);
    auto begin = elements_.begin() + static_cast<std::ptrdiff_t>(first);
    auto end = elements_.begin() + static_cast<std::ptrdiff_t>(last + 1);
    taken.assign(std::make_move_iterator(begin), std::make_move_iterator(end));
    elements_.erase(begin, end);
    for (auto& element : taken)
        element->SetOwner(nullptr);
    Renumber(first);
    MarkModified();
    return taken;
}

void TGroupData::InsertTaken(std::size_t position, std::vector<std::unique_ptr<TElement>> taken) {
    if (taken.empty()) return;
    position = std::min(position, elements_.size());
    for (auto& element : taken)
        element->SetOwner(this);
    elements_.insert(elements_.begin() + static_cast<std::ptrdiff_t>(position),
                     std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
    Renumber(position);
    MarkModified();
}

namespace {

// Positions a caller names for a pass over the list: strictly ascending and each below end.
// A repeated or unordered position would move one element twice and lose another.
[[maybe_unused]] bool AscendingBelow(const std::vector<std::size_t>& positions, std::size_t end) {
    for (std::size_t k = 0; k < positions.size(); ++k)
        if (positions[k] >= end || (k > 0 && positions[k] <= positions[k - 1])) return false;
    return true;
}

}  // namespace

void TGroupData::Permute(const std::vector<std::uint32_t>& order) {
    PermuteUnrecorded(order);
    if (TEditLog* log = TEditLog::Active()) log->Permuted(*this, order);
}

void TGroupData::PermuteUnrecorded(const std::vector<std::uint32_t>& order) {
    assert(order.size() == elements_.size());
    // Each element is moved once and numbered where it lands; the elements lie anywhere in
    // memory, so a long list is shared among the cores.
    constexpr std::size_t kParallelSize = std::size_t{1} << 16;
    const std::size_t n = order.size();
    const std::size_t parts = PartsFor(n, kParallelSize);
    std::vector<std::unique_ptr<TElement>> ordered(n);
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t i = PartStart(n, parts, p); i < PartStart(n, parts, p + 1); ++i) {
            ordered[i] = std::move(elements_[order[i]]);
            if (ordered[i]) ordered[i]->SetIndex(static_cast<std::uint32_t>(i));
        }
    });
    elements_ = std::move(ordered);
    MarkModified();
}

void TGroupData::DeleteAt(const std::vector<std::size_t>& positions) {
    if (positions.empty()) return;
    if (TEditLog* log = TEditLog::Active()) return log->TakeOut(*this, positions);
    // Destroying an element erases every reference to it.
    TakeAt(positions);
}

std::vector<std::unique_ptr<TElement>> TGroupData::TakeAt(
    const std::vector<std::size_t>& positions) {
    assert(AscendingBelow(positions, elements_.size()));
    std::vector<std::unique_ptr<TElement>> taken;
    if (positions.empty()) return taken;
    taken.reserve(positions.size());
    // The stretch between two positions moves down in one go: one position near the front of
    // a long list costs what erasing it does.
    auto kept = elements_.begin() + static_cast<std::ptrdiff_t>(positions.front());
    for (std::size_t k = 0; k < positions.size(); ++k) {
        auto at = elements_.begin() + static_cast<std::ptrdiff_t>(positions[k]);
        (*at)->SetOwner(nullptr);
        taken.push_back(std::move(*at));
        auto next = k + 1 < positions.size()
                        ? elements_.begin() + static_cast<std::ptrdiff_t>(positions[k + 1])
                        : elements_.end();
        kept = std::move(at + 1, next, kept);
    }
    elements_.erase(kept, elements_.end());
    Renumber(positions.front());
    MarkModified();
    return taken;
}

void TGroupData::InsertAt(const std::vector<std::size_t>& positions,
                          std::vector<std::unique_ptr<TElement>> elements) {
    assert(positions.size() == elements.size());
    assert(AscendingBelow(positions, elements_.size() + elements.size()));
    if (elements.empty()) return;
    // From the back: each stretch of the list between two positions moves up once, to its
    // place in the longer list, by as many places as elements go in before it.
    const std::size_t size = elements_.size() + elements.size();
    elements_.resize(size);
    const auto begin = elements_.begin();
    for (std::size_t k = elements.size(); k-- > 0;) {
        const std::size_t upper = k + 1 < elements.size() ? positions[k + 1] : size;
        std::move_backward(begin + static_cast<std::ptrdiff_t>(positions[k] - k),
                           begin + static_cast<std::ptrdiff_t>(upper - k - 1),
                           begin + static_cast<std::ptrdiff_t>(upper));
        elements[k]->SetOwner(this);
        elements_[positions[k]] = std::move(elements[k]);
    }
    Renumber(positions.front());
    MarkModified();
}

void TGroupData::Renumber(std::size_t from) {
    for (std::size_t i = from; i < elements_.size(); ++i) {
        if (elements_[i]) elements_[i]->SetIndex(static_cast<std::uint32_t>(i));
    }
}

void TGroupData::MarkModified() {
    if (owner_) owner_->SetModified(true);
}

}  // namespace tabrix
