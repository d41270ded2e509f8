#include "model/TEditLog.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

namespace {

thread_local TEditLog* activeLog = nullptr;
std::uint64_t lastRevision = 0;

// What one kept element costs beyond its values.
constexpr std::size_t kElementBytes = sizeof(TElement) + 16;

std::size_t KeptBytes(const TElement& element) {
    return kElementBytes + element.ValueBytes();
}

// The values that refer to the elements given lose those references; each referring element of
// a list is kept first (once), so that putting the references back is putting those values
// back. Elements of no list (the panels' working copies) simply lose theirs.
using KeptValues = std::vector<std::pair<TElement*, std::unique_ptr<TElement>>>;

class ReferenceEraser {
public:
    // touched, when given, gets the group data of the referring values, each once.
    explicit ReferenceEraser(KeptValues& kept, std::vector<TGroupData*>* touched = nullptr)
        : kept_(kept), touched_(touched) {}

    void EraseReferencesTo(TElement& element) {
        if (!element.HasReferrers()) return;
        for (const TReferrer& r : element.Referrers().Take()) {
            if (r.element == &element) continue;
            if (TGroupData* owner = r.element->Owner()) {
                if (IsNew(r.element)) kept_.emplace_back(r.element, r.element->KeptCopy());
                if (touched_ &&
                    std::find(touched_->begin(), touched_->end(), owner) == touched_->end())
                    touched_->push_back(owner);
            }
            r.element->EraseItem(r.param, TElement::ItemOf(&element));
        }
    }

private:
    // A deletion of many elements meets many referrers: past a few, they are looked up in a
    // set rather than by walking what is kept.
    static constexpr std::size_t kWalkedReferrers = 16;

    bool IsNew(const TElement* referrer) {
        if (kept_.size() < kWalkedReferrers)
            return std::none_of(kept_.begin(), kept_.end(),
                                [&](const auto& k) { return k.first == referrer; });
        if (seen_.empty()) {
            seen_.reserve(2 * kept_.size());
            for (const auto& k : kept_)
                seen_.insert(k.first);
        }
        return seen_.insert(referrer).second;
    }

    KeptValues& kept_;
    std::vector<TGroupData*>* touched_;
    std::unordered_set<const TElement*> seen_;
};

// Puts back the values kept by a ReferenceEraser, the last kept first, and forgets them.
void PutBackReferrers(KeptValues& kept) {
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
        it->first->ExchangeValues(*it->second);
    kept.clear();
}

// Elements out of their lists on the way in: registered again, then placed.
void AttachAll(std::vector<std::unique_ptr<TElement>>& elements) {
    for (auto& element : elements)
        element->Attach();
}

}  // namespace

// --- entries -------------------------------------------------------------------------------------

// The old values of elements, each kept once: exchanging puts them in and keeps the others.
class TEditLog::ValueEntry : public Entry {
public:
    void Keep(TElement& element) { kept_.emplace_back(&element, element.KeptCopy()); }
    void Undo() override {
        for (auto it = kept_.rbegin(); it != kept_.rend(); ++it)
            it->first->ExchangeValues(*it->second);
    }
    void Redo() override {
        for (auto& [element, kept] : kept_)
            element->ExchangeValues(*kept);
    }
    std::size_t Bytes() const override {
        std::size_t bytes = 0;
        for (const auto& entry : kept_)
            bytes += KeptBytes(*entry.second);
        return bytes;
    }
    // The elements whose values were changed, in their new values now, with what was kept.
    template <typename Visit>
    void ForEachChanged(Visit visit) const {
        for (const auto& entry : kept_)
            visit(*entry.first, *entry.second);
    }

private:
    KeptValues kept_;
};

// Elements put into a list (added, inserted, copied in). Undone, the log keeps them, and the
// references other values made to them meanwhile are erased, to come back with them.
class TEditLog::InEntry : public Entry {
public:
    InEntry(TGroupData& data, std::size_t first, std::size_t n)
        : data_(data), first_(first), n_(n) {
        for (std::size_t i = first; i < first + n; ++i)
            members_.push_back(data.At(i));
    }
    bool CanUndo(const TEditLog& log) const override { return log.OnlyOwnReferrers(members_); }
    void Undo() override {
        ReferenceEraser eraser(referrers_);
        for (std::size_t i = first_; i < first_ + n_; ++i)
            eraser.EraseReferencesTo(*data_.At(i));
        held_ = data_.TakeElements(first_, first_ + n_ - 1);
        for (auto& element : held_)
            element->Detach();
    }
    void Redo() override {
        AttachAll(held_);
        data_.InsertTaken(first_, std::move(held_));
        held_.clear();
        PutBackReferrers(referrers_);
    }
    std::size_t Bytes() const override {
        std::size_t bytes = 0;
        for (const auto& element : held_)
            bytes += KeptBytes(*element);
        return bytes + n_ * sizeof(void*);
    }

private:
    TGroupData& data_;
    std::size_t first_;
    std::size_t n_;
    std::vector<const TElement*> members_;  // the elements put in, whether in or out now
    std::vector<std::unique_ptr<TElement>> held_;
    KeptValues referrers_;
};

// Elements taken out of a list (deleted): kept while done, put back at their positions.
class TEditLog::OutEntry : public Entry {
public:
    OutEntry(TGroupData& data, std::vector<std::size_t> positions)
        : data_(data), positions_(std::move(positions)) {
        for (std::size_t position : positions_)
            members_.push_back(data.At(position));
    }
    bool CanRedo(const TEditLog& log) const override { return log.OnlyOwnReferrers(members_); }
    void Undo() override {
        AttachAll(held_);
        data_.InsertAt(positions_, std::move(held_));
        held_.clear();
        PutBackReferrers(referrers_);
    }
    void Redo() override { Take(nullptr); }
    // Takes the elements out; touched gets the group data of the values that referred to them.
    void Take(std::vector<TGroupData*>* touched) {
        ReferenceEraser eraser(referrers_, touched);
        for (std::size_t position : positions_)
            eraser.EraseReferencesTo(*data_.At(position));
        held_ = data_.TakeAt(positions_);
        for (auto& element : held_)
            element->Detach();
    }
    std::size_t Bytes() const override {
        std::size_t bytes = positions_.size() * sizeof(std::size_t);
        for (const auto& element : held_)
            bytes += KeptBytes(*element);
        for (const auto& entry : referrers_)
            bytes += KeptBytes(*entry.second);
        return bytes;
    }
    const KeptValues& Referrers() const { return referrers_; }

private:
    TGroupData& data_;
    std::vector<std::size_t> positions_;
    std::vector<const TElement*> members_;  // the elements taken out, whether out or in now
    std::vector<std::unique_ptr<TElement>> held_;
    KeptValues referrers_;
};

// A block moved, within one group data or into another, as the same objects.
class TEditLog::TransferEntry : public Entry {
public:
    TransferEntry(TGroupData& from, std::size_t first, TGroupData& to, std::size_t position,
                  std::size_t n)
        : from_(from), to_(to), first_(first), position_(position), n_(n) {}
    void Undo() override { Move(to_, position_, from_, first_); }
    void Redo() override { Move(from_, first_, to_, position_); }
    std::size_t Bytes() const override { return sizeof(*this); }

private:
    void Move(TGroupData& from, std::size_t first, TGroupData& to, std::size_t position) {
        to.InsertTaken(position, from.TakeElements(first, first + n_ - 1));
    }

    TGroupData& from_;
    TGroupData& to_;
    std::size_t first_;
    std::size_t position_;
    std::size_t n_;
};

// A reordering: new position i holds the element from position order[i].
class TEditLog::PermuteEntry : public Entry {
public:
    PermuteEntry(TGroupData& data, std::vector<std::uint32_t> order)
        : data_(data), order_(std::move(order)) {}
    void Undo() override {
        std::vector<std::uint32_t> inverse(order_.size());
        for (std::size_t i = 0; i < order_.size(); ++i)
            inverse[order_[i]] = static_cast<std::uint32_t>(i);
        data_.PermuteUnrecorded(inverse);
    }
    void Redo() override { data_.PermuteUnrecorded(order_); }
    std::size_t Bytes() const override { return order_.size() * sizeof(std::uint32_t); }

private:
    TGroupData& data_;
    std::vector<std::uint32_t> order_;
};

// --- recording -----------------------------------------------------------------------------------

TEditLog::Scope::Scope(TEditLog& log) : previous_(activeLog) {
    activeLog = &log;
}

TEditLog::Scope::~Scope() {
    activeLog = previous_;
}

TEditLog::TEditLog() = default;

// The entries go last first: each may hold elements the ones before it refer to.
TEditLog::~TEditLog() {
    while (!entries_.empty())
        entries_.pop_back();
}

TEditLog* TEditLog::Active() {
    return activeLog;
}

std::uint64_t TEditLog::NextRevision() {
    return ++lastRevision;
}

TEditLog::Revisions& TEditLog::Track(TGroupData& data) {
    // Most references of a value lead where the one before led.
    if (lastTracked_ < revisions_.size() && revisions_[lastTracked_].data == &data)
        return revisions_[lastTracked_];
    for (std::size_t i = 0; i < revisions_.size(); ++i) {
        if (revisions_[i].data == &data) {
            lastTracked_ = i;
            return revisions_[i];
        }
    }
    lastTracked_ = revisions_.size();
    revisions_.push_back({&data, data.Revision(), data.Revision(), false});
    return revisions_.back();
}

void TEditLog::Touch(TGroupData& data) {
    Track(data).changed = true;
}

void TEditLog::DependOn(TGroupData& data) {
    Track(data);
}

bool TEditLog::OnlyOwnReferrers(const std::vector<const TElement*>& elements) const {
    for (const TElement* element : elements) {
        if (!element->HasReferrers()) continue;
        const bool own =
            const_cast<TElement*>(element)->Referrers().AllOf([this](const TReferrer& r) {
                return !r.element->Owner() || DependsOn(r.element->Owner());
            });
        if (!own) return false;
    }
    return true;
}

void TEditLog::DependOnTargets(const TElement& element) {
    for (std::size_t i = 0; i < element.NumberCount(); ++i) {
        if (!element.HoldsElementRefs(i)) continue;
        for (NumberItem item : element.Numbers(i))
            if (item)
                if (TGroupData* owner = TElement::AsElement(item)->Owner()) DependOn(*owner);
    }
}

// The targets kept refers to were met when it was kept, and a target that moved since went
// where the step moved it, into group data the step changed: only references that differ from
// the kept ones lead anywhere new. Comparing saves visiting every target, which lies anywhere
// in memory, a second time.
void TEditLog::DependOnNewTargets(const TElement& element, const TElement& kept) {
    for (std::size_t i = 0; i < element.NumberCount(); ++i) {
        if (!element.HoldsElementRefs(i)) continue;
        const NumberItems items = element.Numbers(i);
        if (i < kept.NumberCount() && kept.HoldsElementRefs(i) && items == kept.Numbers(i))
            continue;
        for (NumberItem item : items)
            if (item)
                if (TGroupData* owner = TElement::AsElement(item)->Owner()) DependOn(*owner);
    }
}

TEditLog::ValueEntry& TEditLog::Values() {
    if (!values_) {
        auto values = std::make_unique<ValueEntry>();
        values_ = values.get();
        entries_.push_back(std::move(values));
    }
    return *values_;
}

void TEditLog::NoteValue(TElement& element) {
    TEditLog* log = activeLog;
    // Elements of no list (working copies, kept ones) are no part of the model's state.
    // A batch operation writes several values of one element in a row.
    if (!log || !element.Owner() || &element == log->lastNoted_) return;
    log->lastNoted_ = &element;
    if (!log->noted_.insert(&element).second) return;
    log->Touch(*element.Owner());
    log->DependOnTargets(element);
    log->Values().Keep(element);
}

// Every entry but values may change the values of elements already noted (a deletion erases
// references): a value changed after it is kept again, so that undoing it comes first.
void TEditLog::StartEntry(std::unique_ptr<Entry> entry) {
    noted_.clear();
    lastNoted_ = nullptr;
    values_ = nullptr;
    entries_.push_back(std::move(entry));
}

void TEditLog::Inserted(TGroupData& data, std::size_t first, std::size_t n) {
    if (n == 0) return;
    assert(first + n <= data.Size());
    Touch(data);
    for (std::size_t i = first; i < first + n; ++i)
        DependOnTargets(*data.At(i));
    StartEntry(std::make_unique<InEntry>(data, first, n));
}

void TEditLog::TakeOut(TGroupData& data, const std::vector<std::size_t>& positions) {
    if (positions.empty()) return;
    assert(std::is_sorted(positions.begin(), positions.end()) && positions.back() < data.Size());
    Touch(data);
    for (std::size_t position : positions)
        DependOnTargets(*data.At(position));
    auto entry = std::make_unique<OutEntry>(data, positions);
    OutEntry& out = *entry;
    StartEntry(std::move(entry));
    // The referring values it changes are part of the step: their group data change with it,
    // and the values kept may refer elsewhere.
    std::vector<TGroupData*> touched;
    out.Take(&touched);
    for (TGroupData* owner : touched)
        Touch(*owner);
    for (const auto& referrer : out.Referrers())
        DependOnTargets(*referrer.second);
}

void TEditLog::Transfer(TGroupData& from, std::size_t first, std::size_t last, TGroupData& to,
                        std::size_t position) {
    if (first >= from.Size()) return;
    last = std::min(last, from.Size() - 1);
    const std::size_t n = last - first + 1;
    Touch(from);
    Touch(to);
    const std::size_t remaining = &from == &to ? from.Size() - n : to.Size();
    auto entry = std::make_unique<TransferEntry>(from, first, to, std::min(position, remaining), n);
    entry->Redo();
    StartEntry(std::move(entry));
}

void TEditLog::Permuted(TGroupData& data, std::vector<std::uint32_t> order) {
    Touch(data);
    StartEntry(std::make_unique<PermuteEntry>(data, std::move(order)));
}

void TEditLog::NoteGroupStatus(const TZQLCtrl& library) {
    if (std::find(statusLibraries_.begin(), statusLibraries_.end(), &library) !=
        statusLibraries_.end())
        return;
    statusLibraries_.push_back(&library);
    for (const auto& group : library.Groups())
        statuses_.push_back({group.get(), group->Status(), group->Status()});
}

void TEditLog::Add(std::unique_ptr<Entry> entry) {
    StartEntry(std::move(entry));
}

// --- the step ------------------------------------------------------------------------------------

void TEditLog::Finish() {
    // The new values are put back by a redo: the step depends on what they refer to as well.
    for (const auto& entry : entries_)
        if (const auto* values = dynamic_cast<const ValueEntry*>(entry.get()))
            values->ForEachChanged([this](const TElement& element, const TElement& kept) {
                DependOnNewTargets(element, kept);
            });
    for (Revisions& r : revisions_) {
        if (r.changed) {
            r.after = NextRevision();
            r.data->SetRevision(r.after);
        } else {
            r.before = r.after = r.data->Revision();
        }
    }
    for (GroupStatus& s : statuses_)
        s.after = s.group->Status();
    noted_.clear();
    lastNoted_ = nullptr;
}

bool TEditLog::Empty() const {
    return entries_.empty() &&
           std::all_of(statuses_.begin(), statuses_.end(),
                       [](const GroupStatus& s) { return s.before == s.after; });
}

bool TEditLog::CanUndo() const {
    return std::all_of(revisions_.begin(), revisions_.end(),
                       [](const Revisions& r) { return r.data->Revision() == r.after; }) &&
           std::all_of(entries_.begin(), entries_.end(),
                       [this](const auto& entry) { return entry->CanUndo(*this); });
}

bool TEditLog::CanRedo() const {
    return std::all_of(revisions_.begin(), revisions_.end(),
                       [](const Revisions& r) { return r.data->Revision() == r.before; }) &&
           std::all_of(entries_.begin(), entries_.end(),
                       [this](const auto& entry) { return entry->CanRedo(*this); });
}

void TEditLog::Undo() {
    assert(CanUndo());
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        (*it)->Undo();
    for (const Revisions& r : revisions_)
        r.data->SetRevision(r.before);
    for (const GroupStatus& s : statuses_)
        s.group->SetStatus(s.before);
}

void TEditLog::Redo() {
    assert(CanRedo());
    for (auto& entry : entries_)
        entry->Redo();
    for (const Revisions& r : revisions_)
        r.data->SetRevision(r.after);
    for (const GroupStatus& s : statuses_)
        s.group->SetStatus(s.after);
}

std::size_t TEditLog::Bytes() const {
    std::size_t bytes = sizeof(*this);
    for (const auto& entry : entries_)
        bytes += entry->Bytes();
    return bytes;
}

bool TEditLog::DependsOn(const TGroupData* data) const {
    return std::any_of(revisions_.begin(), revisions_.end(),
                       [data](const Revisions& r) { return r.data == data; });
}

std::vector<TGroupData*> TEditLog::Changed() const {
    std::vector<TGroupData*> changed;
    for (const Revisions& r : revisions_)
        if (r.changed) changed.push_back(r.data);
    return changed;
}

}  // namespace tabrix
