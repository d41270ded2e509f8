#include "model/TElement.h"

#include <algorithm>

#include "model/TGroupSetting.h"

namespace tabrix {

namespace {

const TextList kNoTexts;
const NumberList kNoNumbers;

}  // namespace

TElement::~TElement() {
    if (!links_) return;
    // Erase this element from every value that refers to it ...
    for (const TReferrer& r : links_->incoming.Take()) {
        if (r.element != this) r.element->EraseItem(r.param, ItemOf(this));
    }
    // ... and leave the referrer sets of the objects this element refers to.
    for (std::size_t i = 0; i < links_->outgoing.size(); ++i)
        UnlinkOutgoing(i);
}

// --- texts -----------------------------------------------------------------------------------

const TextList& TElement::Texts(std::size_t i) const {
    return i < texts_.size() ? texts_[i] : kNoTexts;
}

void TElement::SetTexts(std::size_t i, TextList items) {
    if (i >= texts_.size()) texts_.resize(i + 1);
    texts_[i] = std::move(items);
}

void TElement::ResizeTexts(std::size_t count) {
    texts_.resize(count);
}

// --- numbers ---------------------------------------------------------------------------------

const NumberList& TElement::Numbers(std::size_t i) const {
    return i < numbers_.size() ? numbers_[i] : kNoNumbers;
}

void TElement::SetNumbers(std::size_t i, const std::vector<std::uint32_t>& values) {
    UnlinkOutgoing(i);
    DropKept(i);
    SetKindAt(i, RefKind::kNone);
    if (i >= numbers_.size()) numbers_.resize(i + 1);
    numbers_[i].assign(values.begin(), values.end());
}

void TElement::SetElementRefs(std::size_t i, const std::vector<TElement*>& targets) {
    NumberList items;
    items.reserve(targets.size());
    for (TElement* target : targets)
        items.push_back(ItemOf(target));
    StoreTargets(i, RefKind::kElement, std::move(items));
}

void TElement::SetGroupRefs(std::size_t i, const std::vector<TGroupSetting*>& targets) {
    NumberList items;
    items.reserve(targets.size());
    for (TGroupSetting* target : targets)
        items.push_back(ItemOf(target));
    StoreTargets(i, RefKind::kGroup, std::move(items));
}

void TElement::StoreTargets(std::size_t i, RefKind kind, NumberList items) {
    UnlinkOutgoing(i);
    DropKept(i);
    if (i >= numbers_.size()) numbers_.resize(i + 1);
    numbers_[i] = std::move(items);
    SetKindAt(i, kind);
    for (NumberItem item : numbers_[i]) {
        if (item == 0) continue;
        if (kind == RefKind::kElement)
            AsElement(item)->Referrers().Add(this, i);
        else
            AsGroup(item)->Referrers().Add(this, i);
    }
}

void TElement::EraseItem(std::size_t i, NumberItem target) {
    if (i >= numbers_.size()) return;
    NumberList& list = numbers_[i];
    if (links_ && !links_->kept.empty()) DropKeptEntriesOf(i, target);
    list.erase(std::remove(list.begin(), list.end(), target), list.end());
}

// A kept list stands for the entries of numbers_[i] in order; when entries go, the items
// that stood for them go too, so the rest still line up.
void TElement::DropKeptEntriesOf(std::size_t i, NumberItem target) {
    for (auto& [param, items] : links_->kept) {
        if (param != i) continue;
        const NumberList& list = numbers_[i];
        std::size_t entry = 0;
        KeptItems remaining;
        for (auto& item : items) {
            bool resolved = !item.has_value();
            if (resolved && entry < list.size() && list[entry++] == target) continue;
            remaining.push_back(std::move(item));
        }
        items = std::move(remaining);
        return;
    }
}

void TElement::KeepReferenceItems(std::size_t i, KeptItems items) {
    DropKept(i);
    EnsureLinks().kept.emplace_back(i, std::move(items));
}

const TElement::KeptItems* TElement::KeptReferenceItems(std::size_t i) const {
    if (!links_) return nullptr;
    for (const auto& [param, items] : links_->kept)
        if (param == i) return &items;
    return nullptr;
}

void TElement::DropKept(std::size_t i) {
    if (!links_ || links_->kept.empty()) return;
    auto& kept = links_->kept;
    kept.erase(std::remove_if(kept.begin(), kept.end(),
                              [i](const auto& entry) { return entry.first == i; }),
               kept.end());
}

void TElement::ResizeNumbers(std::size_t count) {
    for (std::size_t i = count; i < numbers_.size(); ++i) {
        UnlinkOutgoing(i);
        DropKept(i);
        SetKindAt(i, RefKind::kNone);
    }
    numbers_.resize(count);
}

bool TElement::HoldsElementRefs(std::size_t i) const {
    return KindAt(i) == RefKind::kElement;
}
bool TElement::HoldsGroupRefs(std::size_t i) const {
    return KindAt(i) == RefKind::kGroup;
}

void TElement::CopyValuesFrom(const TElement& other) {
    if (&other == this) return;
    texts_ = other.texts_;
    ResizeNumbers(0);
    for (std::size_t i = 0; i < other.numbers_.size(); ++i)
        CopyValueFrom(other, i);
}

void TElement::CopyValueFrom(const TElement& other, std::size_t i) {
    CopyValueFrom(other, i, i);
}

void TElement::CopyValueFrom(const TElement& other, std::size_t from, std::size_t to) {
    if (&other == this) return;
    if (from < other.texts_.size()) SetTexts(to, other.texts_[from]);
    if (from >= other.numbers_.size()) {
        if (to < numbers_.size()) SetNumbers(to, {});
        return;
    }
    RefKind kind = other.KindAt(from);
    if (kind == RefKind::kNone) {
        UnlinkOutgoing(to);
        DropKept(to);
        SetKindAt(to, RefKind::kNone);
        if (to >= numbers_.size()) numbers_.resize(to + 1);
        numbers_[to] = other.numbers_[from];
    } else {
        StoreTargets(to, kind, other.numbers_[from]);
    }
    if (const KeptItems* kept = other.KeptReferenceItems(from)) KeepReferenceItems(to, *kept);
}

void TElement::RearrangeValues(const std::vector<std::optional<std::size_t>>& origins,
                               std::size_t oldCount) {
    // The old values are taken aside first: a value may move onto a position another one
    // still has to leave.
    TElement old;
    old.CopyValuesFrom(*this);
    const std::size_t stored = std::max(texts_.size(), numbers_.size());
    texts_.clear();
    ResizeNumbers(0);
    for (std::size_t to = 0; to < origins.size(); ++to)
        if (origins[to] && *origins[to] < stored) CopyValueFrom(old, *origins[to], to);
    for (std::size_t from = oldCount; from < stored; ++from)
        CopyValueFrom(old, from, origins.size() + (from - oldCount));
}

// --- links -----------------------------------------------------------------------------------

TReferrerSet& TElement::Referrers() {
    return EnsureLinks().incoming;
}

TElement::Links& TElement::EnsureLinks() {
    if (!links_) links_ = std::make_unique<Links>();
    return *links_;
}

TElement::RefKind TElement::KindAt(std::size_t i) const {
    if (!links_ || i >= links_->outgoing.size()) return RefKind::kNone;
    return links_->outgoing[i];
}

void TElement::SetKindAt(std::size_t i, RefKind kind) {
    if (kind == RefKind::kNone && KindAt(i) == RefKind::kNone) return;
    Links& links = EnsureLinks();
    if (i >= links.outgoing.size()) links.outgoing.resize(i + 1, RefKind::kNone);
    links.outgoing[i] = kind;
}

void TElement::UnlinkOutgoing(std::size_t i) {
    RefKind kind = KindAt(i);
    if (kind == RefKind::kNone || i >= numbers_.size()) return;
    for (NumberItem item : numbers_[i]) {
        if (item == 0) continue;
        if (kind == RefKind::kElement) {
            TElement* target = AsElement(item);
            if (target->links_) target->links_->incoming.Remove(this, i);
        } else {
            AsGroup(item)->Referrers().Remove(this, i);
        }
    }
}

}  // namespace tabrix
