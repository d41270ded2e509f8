// One element: a value per parameter, stored as a list of texts (string types) or a list of
// numbers (every other type). Reference values hold the referenced element or group; the links
// are kept in both directions so that destroying a target erases every reference to it.
//
// All values of an element live in one buffer: the item offsets (8 or 16 bits each unless the
// element is large), the text bytes back to back and the numbers, so an element costs about what
// its line in the file does rather than an allocation per value. Changing a value rebuilds the
// buffer; reading fills it once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ElementMemory.h"
#include "model/NumberItems.h"
#include "model/TReferrerSet.h"
#include "model/TextItems.h"

namespace tabrix {

class TGroupData;
class TGroupSetting;

class TElement {
public:
    // kPending: a reference value just read, its room reserved for the targets resolved once
    // every file is read; it reads as empty until then.
    enum class RefKind : std::uint8_t { kNone, kElement, kGroup, kPending };

    // The values of an element as they are collected, field by field, before they go into the
    // element's buffer in one piece. A reader keeps one and clears it for each element.
    struct Values {
        std::string chars;                      // the text items back to back
        std::vector<std::uint32_t> itemEnds;    // per text item: its end in chars
        std::vector<std::uint32_t> textEnds;    // per text field: its end in itemEnds
        std::vector<NumberItem> numbers;        // the number items of all number fields
        std::vector<std::uint32_t> numberEnds;  // per number field: its end in numbers
        std::vector<RefKind> kinds;             // per number field

        void Clear();
        void EndTextItem() { itemEnds.push_back(static_cast<std::uint32_t>(chars.size())); }
        void EndTextField() { textEnds.push_back(static_cast<std::uint32_t>(itemEnds.size())); }
        void EndNumberField(RefKind kind = RefKind::kNone) {
            numberEnds.push_back(static_cast<std::uint32_t>(numbers.size()));
            kinds.push_back(kind);
        }
        void AddTexts(const TextItems& items);
        void AddNumbers(NumberItems items, RefKind kind);
    };

    TElement() = default;
    ~TElement();
    static void* operator new(std::size_t bytes) { return ElementMemory::Allocate(bytes); }
    static void operator delete(void* element) { ElementMemory::Release(element); }
    TElement(const TElement&) = delete;
    TElement& operator=(const TElement&) = delete;

    // --- texts -------------------------------------------------------------------------------
    std::size_t TextCount() const { return textCount_; }
    // The text items of parameter i; empty when the element stores no entry for it.
    TextItems Texts(std::size_t i) const;
    void SetTexts(std::size_t i, const TextList& items);
    // The same from another value's items (which may be this element's own).
    void SetTextItems(std::size_t i, const TextItems& items);
    void ResizeTexts(std::size_t count);

    // --- numbers ----------------------------------------------------------------------------
    std::size_t NumberCount() const { return numberCount_; }
    // The number items of parameter i; empty when the element stores no entry for it.
    NumberItems Numbers(std::size_t i) const;
    // Plain 32-bit values (every type but the references). Drops any reference links at i.
    void SetNumbers(std::size_t i, const std::vector<std::uint32_t>& values);
    // Element references at i (null entries mean "no element").
    void SetElementRefs(std::size_t i, const std::vector<TElement*>& targets);
    // Group references at i (null entries mean "no group").
    void SetGroupRefs(std::size_t i, const std::vector<TGroupSetting*>& targets);
    // Removes every entry equal to target from the number list at i (the entry is erased, not
    // set to 0). Used when a referenced object goes away.
    void EraseItem(std::size_t i, NumberItem target);
    void ResizeNumbers(std::size_t count);

    // Replaces every value by values, as read from a file: plain numbers, and reference values
    // left pending until they are resolved; the element has no links to drop yet. values may
    // be reused afterwards.
    void AssignRead(const Values& values);

    // Where the text values of an element read in place are written: item k's end, text field
    // i's end (counted in items) and the bytes. Valid until the element's values change.
    class TextRoom {
    public:
        void SetItemEnd(std::size_t k, std::uint32_t end) { SetEnd(itemEnds_, k, end); }
        void SetFieldEnd(std::size_t i, std::uint32_t end) { SetEnd(fieldEnds_, i, end); }
        char* Chars() const { return chars_; }

    private:
        friend class TElement;
        TextRoom(std::byte* fieldEnds, std::byte* itemEnds, char* chars, unsigned width)
            : fieldEnds_(fieldEnds), itemEnds_(itemEnds), chars_(chars), width_(width) {}
        void SetEnd(std::byte* ends, std::size_t k, std::uint32_t end) const;

        std::byte* fieldEnds_;
        std::byte* itemEnds_;
        char* chars_;
        unsigned width_;
    };
    // AssignRead for values whose texts are written afterwards into the room returned, for
    // fields text fields of items items and chars bytes in all: a long line is decoded
    // straight into the buffer rather than through scratch values as large as the buffer.
    // values holds the number values only.
    TextRoom AssignReadAround(const Values& values, std::size_t fields, std::size_t items,
                              std::size_t chars);

    // Stores the resolved targets of a reference value AssignRead left pending, in its room;
    // a value changed since then is set as SetElementRefs, SetGroupRefs would set it.
    void StoreReadElementRefs(std::size_t i, const std::vector<TElement*>& targets);
    void StoreReadGroupRefs(std::size_t i, const std::vector<TGroupSetting*>& targets);
    // The first half of the above, for registering in bulk elsewhere: puts count targets of
    // kind in the room of a pending value without registering this element with them. False,
    // changing nothing, when the value is no longer pending or its room is too small.
    bool PlaceReadTargets(std::size_t i, RefKind kind, const void* const* targets,
                          std::size_t count);

    // Copies all values of other, with its references registered for this element.
    void CopyValuesFrom(const TElement& other);
    // Copies the value of parameter i only.
    void CopyValueFrom(const TElement& other, std::size_t i);
    // Copies other's value at position from into position to.
    void CopyValueFrom(const TElement& other, std::size_t from, std::size_t to);
    // The parameters were moved, deleted or added: the value at new position j is the one
    // that stood at origins[j] (none for a new parameter). Values beyond the oldCount
    // parameters the element was typed by keep their order behind the new parameters.
    // References stay registered with their targets under the new positions.
    void RearrangeValues(const std::vector<std::optional<std::size_t>>& origins,
                         std::size_t oldCount);

    static TElement* AsElement(NumberItem item) { return reinterpret_cast<TElement*>(item); }
    static TGroupSetting* AsGroup(NumberItem item) {
        return reinterpret_cast<TGroupSetting*>(item);
    }
    static NumberItem ItemOf(const void* target) { return reinterpret_cast<NumberItem>(target); }

    // True when the number list at i holds element references, group references.
    bool HoldsElementRefs(std::size_t i) const { return KindAt(i) == RefKind::kElement; }
    bool HoldsGroupRefs(std::size_t i) const { return KindAt(i) == RefKind::kGroup; }

    // --- references that could not be resolved ------------------------------------------------
    // The item texts of a reference list as read from a file, where some items named an element
    // or group this library does not show: such an item is kept as its text (and written back
    // unchanged), a resolved item as nullopt, standing for the next entry of Numbers(i). Any
    // change of the value at i drops what is kept.
    using KeptItems = std::vector<std::optional<std::string>>;
    void KeepReferenceItems(std::size_t i, KeptItems items);
    // The kept items of parameter i, or null when the value holds only resolved references.
    const KeptItems* KeptReferenceItems(std::size_t i) const;

    // --- undo -------------------------------------------------------------------------------
    // A copy of every value and the output flag, kept apart from the model: it is registered
    // with none of its targets, so it may hold targets that leave their lists meanwhile, and
    // nothing ever refers to it. The bytes are this element's own, so putting it back restores
    // the element exactly.
    std::unique_ptr<TElement> KeptCopy() const;
    // Exchanges every value and the output flag with kept (a KeptCopy): this element's
    // references leave their targets and the kept values' references register with theirs.
    void ExchangeValues(TElement& kept);
    // An element taken out of every list and kept for undo: its references leave their targets
    // (which may go while it is out), until Attach registers them again. Whoever takes it out
    // erases the references to it first.
    void Detach();
    void Attach();
    bool IsDetached() const { return detached_; }
    // The bytes this element's values take, for the undo history's bound.
    std::size_t ValueBytes() const;

    // --- identity ---------------------------------------------------------------------------
    std::uint8_t OutputFlag() const { return outputFlag_; }
    void SetOutputFlag(std::uint8_t flag) {
        outputFlag_ = flag;
        asRead_ = false;
    }
    // Marks the element as holding what the line it was just decoded from says, so that the
    // line may be written back as it stands. Every change of a value or of the output flag
    // takes the mark away, even one that sets what was there.
    void MarkAsRead() { asRead_ = true; }
    bool IsAsRead() const { return asRead_; }
    // Marks an element read without its values: a save that changes nothing writes it back
    // from the line it was read from (kept, see TReadLines) and never reads them, so they are
    // not built. Its values read as empty, and it must not be written from them; reading its
    // values in (AssignRead) takes the mark away.
    void MarkValuesLeftInLine() { valuesLeftInLine_ = true; }
    bool ValuesLeftInLine() const { return valuesLeftInLine_; }
    std::uint32_t Index() const { return index_; }
    void SetIndex(std::uint32_t index) { index_ = index; }
    TGroupData* Owner() const { return owner_; }
    void SetOwner(TGroupData* owner) { owner_ = owner; }

    // Asks the cache for the element's values some time before they are read: walking many
    // elements, each one's buffer lies elsewhere in memory.
    void PrefetchValues() const {
        if (const std::byte* at = buffer_.get())
            for (int line = 0; line < 3; ++line)
                __builtin_prefetch(at + 64 * line);
    }

    // The element's values as laid out in its buffer, for walks that read every value in a row
    // (saving, above all): where the parts of the buffer begin is found once, not for every
    // value asked. Valid until the element's values change.
    class ValueView {
    public:
        TextItems Texts(std::size_t i) const {
            if (i >= textCount_) return {};
            const std::uint32_t first = i ? textEnds_[i - 1] : 0;
            const std::uint32_t start = first ? itemEnds_[first - 1] : 0;
            return TextItems(chars_, itemEnds_ + first, textEnds_[i] - first, start);
        }
        NumberItems Numbers(std::size_t i) const {
            if (i >= numberCount_ || kinds_[i] == RefKind::kPending) return {};
            const std::uint32_t first = i ? numberEnds_[i - 1] : 0;
            return NumberItems(numbers_ + first, numberEnds_[i] - first);
        }
        RefKind Kind(std::size_t i) const { return i < numberCount_ ? kinds_[i] : RefKind::kNone; }

    private:
        friend class TElement;
        EndList numberEnds_, textEnds_, itemEnds_;
        const RefKind* kinds_ = nullptr;
        const char* chars_ = nullptr;
        const NumberItem* numbers_ = nullptr;
        std::size_t textCount_ = 0;
        std::size_t numberCount_ = 0;
    };
    ValueView View() const;

    // The values elsewhere that refer to this element.
    TReferrerSet& Referrers();
    // Asks the processor for what Referrers() reads, ahead of registering many references.
    void PrefetchLinks() const { __builtin_prefetch(&links_, 1); }
    bool HasReferrers() const { return links_ && !links_->incoming.Empty(); }

private:
    // Made for an element once something refers to it or it keeps items; small, as many
    // elements of a large library are referred to.
    struct Links {
        using Kept = std::vector<std::pair<std::size_t, KeptItems>>;
        TReferrerSet incoming;       // values that refer to this element
        std::unique_ptr<Kept> kept;  // rare: by parameter position
    };

    // Where the parts of the buffer begin; see Pack.
    EndList NumberEnds() const;
    EndList TextEnds() const;
    EndList ItemEnds() const;
    std::size_t EndWidth() const { return endWidth_; }
    const RefKind* Kinds() const;
    const NumberItem* NumberData() const;
    NumberItem* MutableNumbers() { return const_cast<NumberItem*>(NumberData()); }
    void SetNumberEnd(std::size_t i, std::uint32_t end);
    RefKind* MutableKinds() { return const_cast<RefKind*>(Kinds()); }
    template <typename TargetAt>
    bool PlaceTargets(std::size_t i, RefKind kind, std::size_t count, TargetAt targetAt);
    template <typename Target>
    void StoreReadTargets(std::size_t i, RefKind kind, const std::vector<Target*>& targets);
    // Shortens the number list at i to count entries in place.
    void ShrinkNumbers(std::size_t i, std::size_t count);
    std::size_t ItemTotal() const;

    void Pack(const Values& values);
    // Makes the buffer for the number values of values and room for the texts described.
    TextRoom PackAround(const Values& values, std::size_t fields, std::size_t items,
                        std::size_t chars);
    // Rebuilds the buffer with textCount and numberCount fields, the text field i taken from
    // texts(i, values) and the number field i from numbers(i, values).
    template <typename TextsAt, typename NumbersAt>
    void Rebuild(std::size_t textCount, std::size_t numberCount, TextsAt texts, NumbersAt numbers);
    template <typename Items>
    void ReplaceTexts(std::size_t i, const Items& items);
    void ReplaceNumbers(std::size_t i, NumberItems items, RefKind kind);

    Links& EnsureLinks();
    RefKind KindAt(std::size_t i) const { return i < numberCount_ ? Kinds()[i] : RefKind::kNone; }
    // Unregisters this element from the targets of the references at i.
    void UnlinkOutgoing(std::size_t i);
    void StoreTargets(std::size_t i, RefKind kind, NumberItems items);
    void RegisterTargets(std::size_t i);
    void DropKept(std::size_t i);
    void DropKeptEntriesOf(std::size_t i, NumberItem target);

    using Buffer = std::unique_ptr<std::byte[], ElementMemoryRelease>;
    static Buffer NewBuffer(std::size_t bytes) {
        return Buffer(static_cast<std::byte*>(ElementMemory::Allocate(bytes)));
    }

    Buffer buffer_;
    std::unique_ptr<Links> links_;
    TGroupData* owner_ = nullptr;
    std::uint32_t index_ = 0;
    std::uint32_t textCount_ = 0;
    std::uint32_t numberCount_ = 0;
    std::uint8_t outputFlag_ = 1;
    // The bytes of each end in the buffer: 1, 2 or 4, as few as its largest end needs.
    std::uint8_t endWidth_ = 1;
    // The links hold kept items: asking for them costs no visit to the links, which lie
    // elsewhere in memory, for the many reference values that keep none.
    bool keepsItems_ : 1 = false;
    // Registered with none of its targets: a kept copy, or an element out of its list.
    bool detached_ : 1 = false;
    // See MarkAsRead.
    bool asRead_ : 1 = false;
    // See MarkValuesLeftInLine.
    bool valuesLeftInLine_ : 1 = false;
};

}  // namespace tabrix
