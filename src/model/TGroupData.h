// One named, ordered list of elements inside an element data file.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/ElementResult.h"

#include "model/TElement.h"
#include "model/TReadLines.h"

namespace tabrix {

class TZQDCtrl;

class TGroupData {
public:
    explicit TGroupData(TZQDCtrl* owner = nullptr) : owner_(owner) {}
    TGroupData(const TGroupData&) = delete;
    TGroupData& operator=(const TGroupData&) = delete;

    TZQDCtrl* Owner() const { return owner_; }
    void SetOwner(TZQDCtrl* owner) { owner_ = owner; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    std::uint32_t Index() const { return index_; }
    void SetIndex(std::uint32_t index) { index_ = index; }

    std::size_t Size() const { return elements_.size(); }
    TElement* At(std::size_t i) const {
        assert(i < elements_.size());
        return elements_[i].get();
    }
    const std::vector<std::unique_ptr<TElement>>& Elements() const { return elements_; }

    // List operations; each renumbers from the first changed position and marks the owning
    // file modified.
    void AddElements(std::size_t n);
    void InsertElements(std::size_t position, std::size_t n);
    // Destroys elements first .. end-1; kNoSuchElements when first is at or beyond the end.
    ElementResult DeleteElements(std::size_t first, std::size_t end);
    // Moves the block first .. last before target (a block moved down ends at target);
    // kNoSuchElements when first is at or beyond the end.
    ElementResult MoveElements(std::size_t first, std::size_t target, std::size_t last);

    // Reading: reserves n empty slots; elements read are placed by index, and FinishRead
    // fills slots that stayed empty with new elements.
    void ReserveSlots(std::size_t n);
    // The index the next element read is given: the slots past the filled ones are empty.
    std::size_t NextReadIndex() const { return filled_; }
    // Makes the slots up to end and counts them filled, before PlaceRead fills them: reading
    // in parts places each element from the thread that made it, in a slot of its own.
    void ExtendReadSlots(std::size_t end);
    // Puts an element read, already given this owner and its index, into its slot.
    void PlaceRead(std::unique_ptr<TElement> element) {
        assert(element->Index() < elements_.size() && !elements_[element->Index()]);
        elements_[element->Index()] = std::move(element);
    }
    void FinishRead();

    // Takes the elements first .. last out of the list without destroying them, so that every
    // reference to them stays; nothing when first is at or beyond the end (last is limited to
    // the end). The taken elements have no owner until InsertTaken puts them somewhere.
    std::vector<std::unique_ptr<TElement>> TakeElements(std::size_t first, std::size_t last);
    // Inserts elements taken from this or another group data before position (appends at or
    // beyond the end); they belong to this group data from now on.
    void InsertTaken(std::size_t position, std::vector<std::unique_ptr<TElement>> taken);
    // Reorders the list so that new position i holds the element from position order[i]
    // (order is a permutation of the positions).
    void Permute(const std::vector<std::uint32_t>& order);
    // Destroys the elements at the given positions (ascending, each below Size()) in one pass.
    void DeleteAt(const std::vector<std::size_t>& positions);

    // While an edit log is recording (TEditLog::Scope), the list operations above are recorded
    // in it, and deleted elements are kept there rather than destroyed. These are the
    // operations the log itself uses to undo and redo, never recorded:
    // takes the elements at the given positions (ascending, each below Size()) out in one pass;
    std::vector<std::unique_ptr<TElement>> TakeAt(const std::vector<std::size_t>& positions);
    // puts elements back so that element k stands at positions[k] (ascending) afterwards;
    void InsertAt(const std::vector<std::size_t>& positions,
                  std::vector<std::unique_ptr<TElement>> elements);
    // and Permute.
    void PermuteUnrecorded(const std::vector<std::uint32_t>& order);

    // The revision of the elements' order and values: see TEditLog.
    std::uint64_t Revision() const { return revision_; }
    void SetRevision(std::uint64_t revision) { revision_ = revision; }

    void Renumber(std::size_t from = 0);
    void MarkModified();

    // The lines the elements were read from, when the reading kept them (see TReadLines).
    const TReadLines* ReadLines() const { return readLines_.get(); }
    TReadLines* MutableReadLines() { return readLines_.get(); }
    void KeepReadLines(std::unique_ptr<TReadLines> lines) { readLines_ = std::move(lines); }

private:
    std::unique_ptr<TElement> NewElement();

    TZQDCtrl* owner_;
    std::vector<std::unique_ptr<TElement>> elements_;
    std::string name_;
    std::uint32_t index_ = 0;
    std::size_t filled_ = 0;  // slots filled while reading
    std::uint64_t revision_ = 0;
    std::unique_ptr<TReadLines> readLines_;
};

}  // namespace tabrix
