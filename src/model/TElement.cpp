#include "model/TElement.h"

#include <algorithm>
#include <cstring>

#include "model/TGroupSetting.h"

namespace tabrix {

// The buffer, in this order: per number field the end of its items, per text field the end of
// its items, per text item the end of its bytes, per number field what its numbers hold (one
// byte), the text bytes, then, 8-aligned, the numbers. Ends count from the start of their own
// part, so no offset changes when numbers are erased; they take 16 bits each when every one of
// them fits (most elements), 32 bits otherwise.

namespace {

std::size_t AlignTo8(std::size_t n) {
    return (n + 7) & ~std::size_t{7};
}

void CopyBytes(void* to, const void* from, std::size_t size) {
    if (size) std::memcpy(to, from, size);
}

// Scratch values for rebuilding a buffer on a change; the change is done before the next one.
TElement::Values& Scratch() {
    thread_local TElement::Values values;
    values.Clear();
    return values;
}

}  // namespace

// --- values ----------------------------------------------------------------------------------

void TElement::Values::Clear() {
    chars.clear();
    itemEnds.clear();
    textEnds.clear();
    numbers.clear();
    numberEnds.clear();
    kinds.clear();
}

void TElement::Values::AddTexts(const TextItems& items) {
    for (std::string_view item : items) {
        chars.append(item);
        EndTextItem();
    }
    EndTextField();
}

void TElement::Values::AddNumbers(NumberItems items, RefKind kind) {
    numbers.insert(numbers.end(), items.begin(), items.end());
    EndNumberField(kind);
}

// --- the buffer ------------------------------------------------------------------------------

EndList TElement::NumberEnds() const {
    return EndList(buffer_.get(), endWidth_);
}
EndList TElement::TextEnds() const {
    return NumberEnds() + numberCount_;
}
EndList TElement::ItemEnds() const {
    return TextEnds() + textCount_;
}
std::size_t TElement::ItemTotal() const {
    return textCount_ ? TextEnds()[textCount_ - 1] : 0;
}
const TElement::RefKind* TElement::Kinds() const {
    return reinterpret_cast<const RefKind*>(buffer_.get() +
                                            EndWidth() * (numberCount_ + textCount_ + ItemTotal()));
}
const NumberItem* TElement::NumberData() const {
    std::size_t items = ItemTotal();
    std::size_t bytes = items ? ItemEnds()[items - 1] : 0;
    std::size_t at =
        AlignTo8(EndWidth() * (numberCount_ + textCount_ + items) + numberCount_ + bytes);
    return reinterpret_cast<const NumberItem*>(buffer_.get() + at);
}
namespace {

// Writes end as entry k of the ends at, width bytes each.
void WriteEnd(std::byte* at, unsigned width, std::size_t k, std::uint32_t end) {
    if (width == 1) {
        at[k] = static_cast<std::byte>(end);
    } else if (width == 2) {
        auto narrow = static_cast<std::uint16_t>(end);
        std::memcpy(at + 2 * k, &narrow, sizeof narrow);
    } else {
        std::memcpy(at + 4 * k, &end, sizeof end);
    }
}

// Writes ends at to, width bytes each.
void CopyEnds(std::byte* to, const std::vector<std::uint32_t>& ends, unsigned width) {
    if (width == 4) return CopyBytes(to, ends.data(), 4 * ends.size());
    for (std::size_t k = 0; k < ends.size(); ++k)
        WriteEnd(to, width, k, ends[k]);
}

// The fewest bytes that hold every end up to largest.
unsigned EndWidthFor(std::size_t largest) {
    return largest <= 0xFF ? 1 : largest <= 0xFFFF ? 2 : 4;
}

}  // namespace

void TElement::SetNumberEnd(std::size_t i, std::uint32_t end) {
    asRead_ = false;
    WriteEnd(buffer_.get(), endWidth_, i, end);
}

void TElement::TextRoom::SetEnd(std::byte* ends, std::size_t k, std::uint32_t end) const {
    WriteEnd(ends, width_, k, end);
}

TElement::TextRoom TElement::PackAround(const Values& v, std::size_t fields, std::size_t items,
                                        std::size_t chars) {
    asRead_ = false;
    const std::size_t n = v.numberEnds.size(), t = fields;
    textCount_ = static_cast<std::uint32_t>(t);
    numberCount_ = static_cast<std::uint32_t>(n);
    endWidth_ = 1;
    if (n == 0 && t == 0) {
        buffer_.reset();
        return TextRoom(nullptr, nullptr, nullptr, 1);
    }
    // Every end is at most the count of its part's entries.
    const unsigned width = EndWidthFor(std::max({v.numbers.size(), items, chars}));
    const std::size_t kindsAt = width * (n + t + items);
    const std::size_t numbersAt = AlignTo8(kindsAt + n + chars);
    Buffer buffer = NewBuffer(numbersAt + 8 * v.numbers.size());
    std::byte* base = buffer.get();
    CopyEnds(base, v.numberEnds, width);
    CopyBytes(base + kindsAt, v.kinds.data(), n);
    CopyBytes(base + numbersAt, v.numbers.data(), 8 * v.numbers.size());
    buffer_ = std::move(buffer);
    endWidth_ = static_cast<std::uint8_t>(width);
    return TextRoom(base + width * n, base + width * (n + t),
                    reinterpret_cast<char*>(base + kindsAt + n), width);
}

void TElement::Pack(const Values& v) {
    asRead_ = false;
    TextRoom room = PackAround(v, v.textEnds.size(), v.itemEnds.size(), v.chars.size());
    if (!buffer_) return;
    CopyEnds(room.fieldEnds_, v.textEnds, endWidth_);
    CopyEnds(room.itemEnds_, v.itemEnds, endWidth_);
    CopyBytes(room.chars_, v.chars.data(), v.chars.size());
}

template <typename TextsAt, typename NumbersAt>
void TElement::Rebuild(std::size_t textCount, std::size_t numberCount, TextsAt texts,
                       NumbersAt numbers) {
    asRead_ = false;
    Values& v = Scratch();
    for (std::size_t k = 0; k < textCount; ++k)
        texts(k, v);
    for (std::size_t k = 0; k < numberCount; ++k)
        numbers(k, v);
    Pack(v);
}

template <typename Items>
void TElement::ReplaceTexts(std::size_t i, const Items& items) {
    asRead_ = false;
    Rebuild(
        std::max<std::size_t>(textCount_, i + 1), numberCount_,
        [&](std::size_t k, Values& v) {
            if (k != i) return v.AddTexts(Texts(k));
            for (const auto& item : items) {
                v.chars.append(item);
                v.EndTextItem();
            }
            v.EndTextField();
        },
        [&](std::size_t k, Values& v) { v.AddNumbers(Numbers(k), KindAt(k)); });
}

void TElement::ReplaceNumbers(std::size_t i, NumberItems items, RefKind kind) {
    asRead_ = false;
    Rebuild(
        textCount_, std::max<std::size_t>(numberCount_, i + 1),
        [&](std::size_t k, Values& v) { v.AddTexts(Texts(k)); },
        [&](std::size_t k, Values& v) {
            if (k == i)
                v.AddNumbers(items, kind);
            else
                v.AddNumbers(Numbers(k), KindAt(k));
        });
}

void TElement::AssignRead(const Values& values) {
    valuesLeftInLine_ = false;
    Pack(values);
}

TElement::TextRoom TElement::AssignReadAround(const Values& values, std::size_t fields,
                                              std::size_t items, std::size_t chars) {
    valuesLeftInLine_ = false;
    return PackAround(values, fields, items, chars);
}

// --- life ------------------------------------------------------------------------------------

TElement::~TElement() {
    // Erase this element from every value that refers to it ...
    if (links_) {
        for (const TReferrer& r : links_->incoming.Take()) {
            if (r.element != this) r.element->EraseItem(r.param, ItemOf(this));
        }
    }
    // ... and leave the referrer sets of the objects this element refers to. A detached
    // element is in none of them, and its targets may be gone. The kinds are found once: most
    // elements of a large list refer to nothing, and a deletion destroys many at a time.
    if (detached_ || numberCount_ == 0) return;
    const RefKind* kinds = Kinds();
    for (std::size_t i = 0; i < numberCount_; ++i)
        if (kinds[i] == RefKind::kElement || kinds[i] == RefKind::kGroup) UnlinkOutgoing(i);
}

// --- undo ------------------------------------------------------------------------------------

std::size_t TElement::ValueBytes() const {
    if (!buffer_) return 0;
    const std::size_t numbers = numberCount_ ? NumberEnds()[numberCount_ - 1] : 0;
    return static_cast<std::size_t>(reinterpret_cast<const std::byte*>(NumberData()) -
                                    buffer_.get()) +
           sizeof(NumberItem) * numbers;
}

std::unique_ptr<TElement> TElement::KeptCopy() const {
    auto kept = std::make_unique<TElement>();
    kept->detached_ = true;
    kept->textCount_ = textCount_;
    kept->numberCount_ = numberCount_;
    kept->endWidth_ = endWidth_;
    kept->outputFlag_ = outputFlag_;
    kept->valuesLeftInLine_ = valuesLeftInLine_;
    if (const std::size_t bytes = ValueBytes()) {
        kept->buffer_ = NewBuffer(bytes);
        std::memcpy(kept->buffer_.get(), buffer_.get(), bytes);
    }
    if (keepsItems_) {
        kept->EnsureLinks().kept = std::make_unique<Links::Kept>(*links_->kept);
        kept->keepsItems_ = true;
    }
    return kept;
}

void TElement::ExchangeValues(TElement& kept) {
    asRead_ = kept.asRead_ = false;
    for (std::size_t i = 0; i < numberCount_; ++i)
        UnlinkOutgoing(i);
    std::swap(buffer_, kept.buffer_);
    std::swap(textCount_, kept.textCount_);
    std::swap(numberCount_, kept.numberCount_);
    std::swap(endWidth_, kept.endWidth_);
    std::swap(outputFlag_, kept.outputFlag_);
    const bool left = valuesLeftInLine_;  // bit-fields do not swap
    valuesLeftInLine_ = kept.valuesLeftInLine_;
    kept.valuesLeftInLine_ = left;
    if (keepsItems_ || kept.keepsItems_) {
        std::swap(EnsureLinks().kept, kept.EnsureLinks().kept);
        const bool keeps = keepsItems_;
        keepsItems_ = kept.keepsItems_;
        kept.keepsItems_ = keeps;
    }
    for (std::size_t i = 0; i < numberCount_; ++i)
        RegisterTargets(i);
}

void TElement::Detach() {
    if (detached_) return;
    for (std::size_t i = 0; i < numberCount_; ++i)
        UnlinkOutgoing(i);
    detached_ = true;
}

void TElement::Attach() {
    if (!detached_) return;
    detached_ = false;
    for (std::size_t i = 0; i < numberCount_; ++i)
        RegisterTargets(i);
}

// --- texts -----------------------------------------------------------------------------------

TElement::ValueView TElement::View() const {
    // The parts in the order they lie, each found from the one before.
    ValueView view;
    const std::byte* const base = buffer_.get();
    const std::size_t width = endWidth_;
    view.numberEnds_ = EndList(base, width);
    view.textEnds_ = view.numberEnds_ + numberCount_;
    view.itemEnds_ = view.textEnds_ + textCount_;
    const std::size_t items = textCount_ ? view.textEnds_[textCount_ - 1] : 0;
    const std::size_t chars = items ? view.itemEnds_[items - 1] : 0;
    const std::size_t kindsAt = width * (numberCount_ + textCount_ + items);
    view.kinds_ = reinterpret_cast<const RefKind*>(base + kindsAt);
    view.chars_ = reinterpret_cast<const char*>(base + kindsAt + numberCount_);
    view.numbers_ =
        reinterpret_cast<const NumberItem*>(base + AlignTo8(kindsAt + numberCount_ + chars));
    view.textCount_ = textCount_;
    view.numberCount_ = numberCount_;
    return view;
}

TextItems TElement::Texts(std::size_t i) const {
    return View().Texts(i);
}

void TElement::SetTexts(std::size_t i, const TextList& items) {
    asRead_ = false;
    ReplaceTexts(i, items);
}

void TElement::SetTextItems(std::size_t i, const TextItems& items) {
    asRead_ = false;
    ReplaceTexts(i, items);
}

void TElement::ResizeTexts(std::size_t count) {
    asRead_ = false;
    Rebuild(
        count, numberCount_,
        [&](std::size_t k, Values& v) {
            if (k < textCount_)
                v.AddTexts(Texts(k));
            else
                v.EndTextField();
        },
        [&](std::size_t k, Values& v) { v.AddNumbers(Numbers(k), KindAt(k)); });
}

// --- numbers ---------------------------------------------------------------------------------

NumberItems TElement::Numbers(std::size_t i) const {
    return View().Numbers(i);
}

void TElement::SetNumbers(std::size_t i, const std::vector<std::uint32_t>& values) {
    asRead_ = false;
    UnlinkOutgoing(i);
    DropKept(i);
    NumberList items(values.begin(), values.end());
    ReplaceNumbers(i, items, RefKind::kNone);
}

void TElement::SetElementRefs(std::size_t i, const std::vector<TElement*>& targets) {
    asRead_ = false;
    NumberList items;
    items.reserve(targets.size());
    for (TElement* target : targets)
        items.push_back(ItemOf(target));
    StoreTargets(i, RefKind::kElement, items);
}

void TElement::SetGroupRefs(std::size_t i, const std::vector<TGroupSetting*>& targets) {
    asRead_ = false;
    NumberList items;
    items.reserve(targets.size());
    for (TGroupSetting* target : targets)
        items.push_back(ItemOf(target));
    StoreTargets(i, RefKind::kGroup, items);
}

void TElement::StoreTargets(std::size_t i, RefKind kind, NumberItems items) {
    asRead_ = false;
    UnlinkOutgoing(i);
    DropKept(i);
    ReplaceNumbers(i, items, kind);
    RegisterTargets(i);
}

void TElement::RegisterTargets(std::size_t i) {
    const RefKind kind = KindAt(i);
    if (detached_ || (kind != RefKind::kElement && kind != RefKind::kGroup)) return;
    for (NumberItem item : Numbers(i)) {
        if (item == 0) continue;
        if (kind == RefKind::kElement)
            AsElement(item)->Referrers().Add(this, static_cast<std::uint32_t>(i));
        else
            AsGroup(item)->Referrers().Add(this, static_cast<std::uint32_t>(i));
    }
}

// Erased in place: the numbers are the last part of the buffer, so nothing else moves.
void TElement::EraseItem(std::size_t i, NumberItem target) {
    asRead_ = false;
    if (i >= numberCount_) return;
    if (keepsItems_) DropKeptEntriesOf(i, target);
    const EndList ends = NumberEnds();
    NumberItem* numbers = MutableNumbers();
    const std::uint32_t first = i ? ends[i - 1] : 0;
    NumberItem* kept = std::remove(numbers + first, numbers + ends[i], target);
    ShrinkNumbers(i, static_cast<std::size_t>(kept - (numbers + first)));
}

void TElement::ShrinkNumbers(std::size_t i, std::size_t count) {
    asRead_ = false;
    const EndList ends = NumberEnds();
    NumberItem* numbers = MutableNumbers();
    const std::uint32_t first = i ? ends[i - 1] : 0;
    const auto removed = static_cast<std::uint32_t>(ends[i] - first - count);
    if (removed == 0) return;
    std::copy(numbers + ends[i], numbers + ends[numberCount_ - 1], numbers + first + count);
    for (std::size_t k = i; k < numberCount_; ++k)
        SetNumberEnd(k, ends[k] - removed);
}

template <typename TargetAt>
bool TElement::PlaceTargets(std::size_t i, RefKind kind, std::size_t count, TargetAt targetAt) {
    asRead_ = false;
    if (KindAt(i) != RefKind::kPending) return false;
    const EndList ends = NumberEnds();
    const std::uint32_t first = i ? ends[i - 1] : 0;
    if (count > ends[i] - first) return false;
    NumberItem* room = MutableNumbers() + first;
    for (std::size_t k = 0; k < count; ++k)
        room[k] = ItemOf(targetAt(k));
    ShrinkNumbers(i, count);
    MutableKinds()[i] = kind;
    return true;
}

bool TElement::PlaceReadTargets(std::size_t i, RefKind kind, const void* const* targets,
                                std::size_t count) {
    asRead_ = false;
    return PlaceTargets(i, kind, count, [targets](std::size_t k) { return targets[k]; });
}

template <typename Target>
void TElement::StoreReadTargets(std::size_t i, RefKind kind, const std::vector<Target*>& targets) {
    asRead_ = false;
    if (!PlaceTargets(i, kind, targets.size(), [&](std::size_t k) { return targets[k]; })) {
        NumberList items;
        for (Target* target : targets)
            items.push_back(ItemOf(target));
        return StoreTargets(i, kind, items);
    }
    // What RegisterTargets(i) would walk: the targets just stored.
    for (Target* target : targets)
        if (target) target->Referrers().Add(this, static_cast<std::uint32_t>(i));
}

void TElement::StoreReadElementRefs(std::size_t i, const std::vector<TElement*>& targets) {
    asRead_ = false;
    StoreReadTargets(i, RefKind::kElement, targets);
}

void TElement::StoreReadGroupRefs(std::size_t i, const std::vector<TGroupSetting*>& targets) {
    asRead_ = false;
    StoreReadTargets(i, RefKind::kGroup, targets);
}

// A kept list stands for the entries of the number list at i in order; when entries go, the
// items that stood for them go too, so the rest still line up.
void TElement::DropKeptEntriesOf(std::size_t i, NumberItem target) {
    asRead_ = false;
    for (auto& [param, items] : *links_->kept) {
        if (param != i) continue;
        const NumberItems list = Numbers(i);
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
    asRead_ = false;
    DropKept(i);
    Links& links = EnsureLinks();
    if (!links.kept) links.kept = std::make_unique<Links::Kept>();
    links.kept->emplace_back(i, std::move(items));
    keepsItems_ = true;
}

const TElement::KeptItems* TElement::KeptReferenceItems(std::size_t i) const {
    if (!keepsItems_) return nullptr;
    for (const auto& [param, items] : *links_->kept)
        if (param == i) return &items;
    return nullptr;
}

void TElement::DropKept(std::size_t i) {
    asRead_ = false;
    if (!links_ || !links_->kept || links_->kept->empty()) return;
    Links::Kept& kept = *links_->kept;
    kept.erase(std::remove_if(kept.begin(), kept.end(),
                              [i](const auto& entry) { return entry.first == i; }),
               kept.end());
    keepsItems_ = !kept.empty();
}

void TElement::ResizeNumbers(std::size_t count) {
    asRead_ = false;
    for (std::size_t i = count; i < numberCount_; ++i) {
        UnlinkOutgoing(i);
        DropKept(i);
    }
    Rebuild(
        textCount_, count, [&](std::size_t k, Values& v) { v.AddTexts(Texts(k)); },
        [&](std::size_t k, Values& v) {
            if (k < numberCount_)
                v.AddNumbers(Numbers(k), KindAt(k));
            else
                v.EndNumberField();
        });
}

void TElement::CopyValuesFrom(const TElement& other) {
    asRead_ = false;
    if (&other == this) return;
    for (std::size_t i = 0; i < numberCount_; ++i) {
        UnlinkOutgoing(i);
        DropKept(i);
    }
    Rebuild(
        other.textCount_, other.numberCount_,
        [&](std::size_t k, Values& v) { v.AddTexts(other.Texts(k)); },
        [&](std::size_t k, Values& v) { v.AddNumbers(other.Numbers(k), other.KindAt(k)); });
    for (std::size_t i = 0; i < numberCount_; ++i) {
        if (HoldsElementRefs(i) || HoldsGroupRefs(i)) RegisterTargets(i);
        if (const KeptItems* kept = other.KeptReferenceItems(i)) KeepReferenceItems(i, *kept);
    }
}

void TElement::CopyValueFrom(const TElement& other, std::size_t i) {
    asRead_ = false;
    CopyValueFrom(other, i, i);
}

void TElement::CopyValueFrom(const TElement& other, std::size_t from, std::size_t to) {
    asRead_ = false;
    if (&other == this) return;
    if (from < other.textCount_) SetTextItems(to, other.Texts(from));
    if (from >= other.numberCount_) {
        if (to < numberCount_) SetNumbers(to, {});
        return;
    }
    RefKind kind = other.KindAt(from);
    if (kind != RefKind::kElement && kind != RefKind::kGroup) {
        UnlinkOutgoing(to);
        DropKept(to);
        ReplaceNumbers(to, other.Numbers(from), RefKind::kNone);
    } else {
        StoreTargets(to, kind, other.Numbers(from));
    }
    if (const KeptItems* kept = other.KeptReferenceItems(from)) KeepReferenceItems(to, *kept);
}

void TElement::RearrangeValues(const std::vector<std::optional<std::size_t>>& origins,
                               std::size_t oldCount) {
    asRead_ = false;
    // The old values are taken aside first: a value may move onto a position another one
    // still has to leave.
    TElement old;
    old.CopyValuesFrom(*this);
    const std::size_t stored = std::max(textCount_, numberCount_);
    ResizeTexts(0);
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

void TElement::UnlinkOutgoing(std::size_t i) {
    RefKind kind = KindAt(i);
    if (detached_ || (kind != RefKind::kElement && kind != RefKind::kGroup)) return;
    for (NumberItem item : Numbers(i)) {
        if (item == 0) continue;
        if (kind == RefKind::kElement) {
            TElement* target = AsElement(item);
            if (target->links_)
                target->links_->incoming.Remove(this, static_cast<std::uint32_t>(i));
        } else {
            AsGroup(item)->Referrers().Remove(this, static_cast<std::uint32_t>(i));
        }
    }
}

}  // namespace tabrix
