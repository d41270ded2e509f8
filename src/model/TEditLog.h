// The record of one edit of the model, so that it can be undone and done again.
//
// While a Scope stands, the list operations of group data (add, insert, delete, move, the
// permutations of a sort) and the value writes that announce themselves (NoteValue) are
// recorded here, in order, as small entries that can each be reversed. Undo reverses them from
// the last to the first, Redo does them again from the first to the last.
//
// Nothing a step needs is ever destroyed while the step can still be undone or redone: a
// deleted element is taken out of its list and kept (the same object, so putting it back makes
// every reference to it come back), a changed element's old values are kept as a detached copy
// (see TElement::KeptCopy), and the references a deletion erases are kept with the values that
// held them.
//
// Undo never goes under a later change made elsewhere: every group data carries a revision;
// the step remembers the revisions it found and left for every group data it changed or whose
// elements its kept values refer to, and runs only while they are still current. Undoing gives
// back the revisions found, so a history undone and done in order stays valid, while a change
// made by another history gives a fresh revision that no step here expects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

namespace tabrix {

class TElement;
class TGroupData;
class TGroupSetting;
class TZQLCtrl;

class TEditLog {
public:
    // One reversible change. Redo does it (again), Undo reverses it; both run only in the
    // order of the log, so each finds the model as the change left it or found it.
    class Entry {
    public:
        virtual ~Entry() = default;
        virtual void Undo() = 0;
        virtual void Redo() = 0;
        // Whether undoing or redoing would go under a change made elsewhere, beyond what the
        // revisions tell (see TEditLog::CanUndo); the log asks before it undoes any entry.
        virtual bool CanUndo(const TEditLog&) const { return true; }
        virtual bool CanRedo(const TEditLog&) const { return true; }
        // The memory the entry keeps, for the history's bound.
        virtual std::size_t Bytes() const = 0;
    };

    // Records the operations of this thread into log while it stands; scopes nest.
    class Scope {
    public:
        explicit Scope(TEditLog& log);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        TEditLog* previous_;
    };

    TEditLog();
    ~TEditLog();
    TEditLog(const TEditLog&) = delete;
    TEditLog& operator=(const TEditLog&) = delete;

    // The log of this thread's current scope, or none.
    static TEditLog* Active();

    // --- what the model announces ----------------------------------------------------------
    // Every value or the output flag of element is about to change (a no-op without a log).
    static void NoteValue(TElement& element);
    // n elements now stand at first..first+n-1 of data, new or put there from outside a list.
    void Inserted(TGroupData& data, std::size_t first, std::size_t n);
    // Takes the elements at positions (ascending, each below the size) out of data: every
    // reference to them is erased, their own references leave their targets, and the log
    // keeps them until it goes.
    void TakeOut(TGroupData& data, const std::vector<std::size_t>& positions);
    // Moves the elements first..last of from before position of to (position counted after
    // the block is taken out, clamped to the end), as the same objects, references and all.
    void Transfer(TGroupData& from, std::size_t first, std::size_t last, TGroupData& to,
                  std::size_t position);
    // data was reordered so that new position i holds the element from position order[i].
    void Permuted(TGroupData& data, std::vector<std::uint32_t> order);
    // The group status of every group of library, before the step changes any (once for each
    // library: a parameter commit changes those of every library on its file).
    void NoteGroupStatus(const TZQLCtrl& library);
    // An entry of a kind the model does not know (a settings commit); it is done already.
    // The caller names the group data it changed with Touch.
    void Add(std::unique_ptr<Entry> entry);
    // data is changed by the step.
    void Touch(TGroupData& data);
    // The step keeps a reference to an element of data: data must not change under it.
    void DependOn(TGroupData& data);

    // --- the step ----------------------------------------------------------------------------
    // Ends the recording: the group data changed get fresh revisions.
    void Finish();
    // Nothing was recorded and no group status changed: no step to keep.
    bool Empty() const;
    // Whether every revision the step depends on is as it left (undo) or found (redo) it.
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    std::size_t Bytes() const;
    // Whether data is among the group data the step changed or depends on.
    bool DependsOn(const TGroupData* data) const;
    // The group data the step changed, in the order first met.
    std::vector<TGroupData*> Changed() const;

    // The next revision: every change made without a log takes one too.
    static std::uint64_t NextRevision();

private:
    struct Revisions {
        TGroupData* data;
        std::uint64_t before;
        std::uint64_t after;
        bool changed;
    };
    struct GroupStatus {
        TGroupSetting* group;
        std::uint8_t before;
        std::uint8_t after;
    };
    class ValueEntry;
    class InEntry;
    class OutEntry;
    class TransferEntry;
    class PermuteEntry;

    Revisions& Track(TGroupData& data);
    // Entries other than values end the run of values noted once.
    void StartEntry(std::unique_ptr<Entry> entry);
    // Whether every value that refers to one of elements belongs to the step's group data or
    // to no list: a reference made elsewhere to an element the step would take out is a later
    // change it may not go under.
    bool OnlyOwnReferrers(const std::vector<const TElement*>& elements) const;
    // The step depends on the group data of every element that element refers to.
    void DependOnTargets(const TElement& element);
    // The same for the values of element that differ from kept, its values when first noted.
    void DependOnNewTargets(const TElement& element, const TElement& kept);
    ValueEntry& Values();

    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<Revisions> revisions_;
    std::vector<GroupStatus> statuses_;
    std::vector<const TZQLCtrl*> statusLibraries_;
    std::unordered_set<const TElement*> noted_;  // elements whose values are kept already
    const TElement* lastNoted_ = nullptr;        // the last of noted_, asked for most
    ValueEntry* values_ = nullptr;               // the last entry, when it keeps values
    std::size_t lastTracked_ = 0;                // the position in revisions_ found last
};

}  // namespace tabrix
