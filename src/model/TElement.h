// One element: a value per parameter, stored as a list of texts (string types) or a list of
// numbers (every other type). Reference values hold the referenced element or group; the links
// are kept in both directions so that destroying a target erases every reference to it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/TReferrerSet.h"

namespace tabrix {

class TGroupData;
class TGroupSetting;

// A number item: a 32-bit value for plain types, the address of the target for references
// (0 for none).
using NumberItem = std::uint64_t;
using TextList = std::vector<std::string>;
using NumberList = std::vector<NumberItem>;

class TElement {
public:
    TElement() = default;
    ~TElement();
    TElement(const TElement&) = delete;
    TElement& operator=(const TElement&) = delete;

    // --- texts -------------------------------------------------------------------------------
    std::size_t TextCount() const { return texts_.size(); }
    // The text items of parameter i; empty when the element stores no entry for it.
    const TextList& Texts(std::size_t i) const;
    void SetTexts(std::size_t i, TextList items);
    void ResizeTexts(std::size_t count);

    // --- numbers ----------------------------------------------------------------------------
    std::size_t NumberCount() const { return numbers_.size(); }
    // The number items of parameter i; empty when the element stores no entry for it.
    const NumberList& Numbers(std::size_t i) const;
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
    bool HoldsElementRefs(std::size_t i) const;
    bool HoldsGroupRefs(std::size_t i) const;

    // --- references that could not be resolved ------------------------------------------------
    // The item texts of a reference list as read from a file, where some items named an element
    // or group this library does not show: such an item is kept as its text (and written back
    // unchanged), a resolved item as nullopt, standing for the next entry of Numbers(i). Any
    // change of the value at i drops what is kept.
    using KeptItems = std::vector<std::optional<std::string>>;
    void KeepReferenceItems(std::size_t i, KeptItems items);
    // The kept items of parameter i, or null when the value holds only resolved references.
    const KeptItems* KeptReferenceItems(std::size_t i) const;

    // --- identity ---------------------------------------------------------------------------
    std::uint8_t OutputFlag() const { return outputFlag_; }
    void SetOutputFlag(std::uint8_t flag) { outputFlag_ = flag; }
    std::uint32_t Index() const { return index_; }
    void SetIndex(std::uint32_t index) { index_ = index; }
    TGroupData* Owner() const { return owner_; }
    void SetOwner(TGroupData* owner) { owner_ = owner; }

    // The values elsewhere that refer to this element.
    TReferrerSet& Referrers();
    bool HasReferrers() const { return links_ && !links_->incoming.Empty(); }

private:
    enum class RefKind : std::uint8_t { kNone, kElement, kGroup };

    struct Links {
        TReferrerSet incoming;          // values that refer to this element
        std::vector<RefKind> outgoing;  // per parameter position: what its numbers hold
        std::vector<std::pair<std::size_t, KeptItems>> kept;  // rare: by parameter position
    };

    Links& EnsureLinks();
    RefKind KindAt(std::size_t i) const;
    void SetKindAt(std::size_t i, RefKind kind);
    // Unregisters this element from the targets of the references at i.
    void UnlinkOutgoing(std::size_t i);
    void StoreTargets(std::size_t i, RefKind kind, NumberList items);
    void DropKept(std::size_t i);
    void DropKeptEntriesOf(std::size_t i, NumberItem target);

    std::vector<TextList> texts_;
    std::vector<NumberList> numbers_;
    std::unique_ptr<Links> links_;
    TGroupData* owner_ = nullptr;
    std::uint32_t index_ = 0;
    std::uint8_t outputFlag_ = 1;
};

}  // namespace tabrix
