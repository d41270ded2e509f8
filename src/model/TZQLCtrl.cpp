#include "model/TZQLCtrl.h"

#include <algorithm>
#include <cstdint>

#include "model/TEditLog.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

TZQLCtrl::TZQLCtrl() : workingElement_(std::make_unique<TElement>()) {
    division_.SetSyntax(std::nullopt, std::nullopt, std::nullopt,
                        TStringDivision::LibraryEscapeMap(), std::nullopt);
}

TZQLCtrl::~TZQLCtrl() {
    workingElement_.reset();
    if (controller_) {
        controller_->ReleaseParameterFile(*this);
        controller_->ReleaseElementDataFiles(*this);
        controller_->UnregisterLibrary(*this);
    }
    groups_.clear();
    initializeInfo_.reset();
}

TZQPCtrl* TZQLCtrl::AttachParameterFile(std::unique_ptr<TZQPCtrl> file) {
    file->SetOwnerLibrary(this);
    if (controller_) {
        parameterFile_ = controller_->AddParameterFile(std::move(file));
    } else {
        ownParameterFile_ = std::move(file);
        parameterFile_ = ownParameterFile_.get();
    }
    return parameterFile_;
}

void TZQLCtrl::SetInitializeInfo(std::unique_ptr<TZQICtrl> info) {
    initializeInfo_ = std::move(info);
    if (initializeInfo_) initializeInfo_->SetLibrary(this);
}

// --- groups ----------------------------------------------------------------------------------

TGroupSetting* TZQLCtrl::AddGroupForGroupData(TGroupData* data) {
    auto group = std::make_unique<TGroupSetting>();
    group->SetGroupData(data);
    return AppendGroup(std::move(group));
}

TGroupSetting* TZQLCtrl::AppendGroup(std::unique_ptr<TGroupSetting> group) {
    group->SetLibrary(this);
    group->SetParameterFile(parameterFile_);
    group->SetNumber(static_cast<std::uint32_t>(groups_.size()));
    TGroupSetting* added = group.get();
    groups_.push_back(std::move(group));
    if (!heldGroups_.empty()) RenumberGroups();
    if (added->GroupData()) groupMap_[added->GroupData()] = added;
    return added;
}

void TZQLCtrl::DeleteGroup(std::size_t i) {
    TakeGroup(i);
}

std::unique_ptr<TGroupSetting> TZQLCtrl::TakeGroup(std::size_t i) {
    if (i >= groups_.size()) return nullptr;
    TGroupSetting* doomed = groups_[i].get();
    for (const auto& group : groups_) {
        if (group->ConnectGroup() == doomed) group->SetConnectGroup(nullptr);
    }
    std::unique_ptr<TGroupSetting> taken = std::move(groups_[i]);
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(i));
    RenumberGroups();
    RebuildGroupMap();
    return taken;
}

void TZQLCtrl::ClearGroups() {
    groups_.clear();
    groupMap_.clear();
}

std::vector<std::unique_ptr<TGroupSetting>> TZQLCtrl::TakeGroups() {
    groupMap_.clear();
    return std::move(groups_);
}

void TZQLCtrl::ReorderGroups(std::vector<std::unique_ptr<TGroupSetting>> ordered) {
    groups_ = std::move(ordered);
    RenumberGroups();
    RebuildGroupMap();
}

TGroupSetting* TZQLCtrl::FindGroupOf(const TGroupData* data) const {
    auto it = groupMap_.find(data);
    return it == groupMap_.end() ? nullptr : it->second;
}

void TZQLCtrl::RebuildGroupMap() {
    groupMap_.clear();
    // When several groups show one group data, the last of them is the one the map names.
    for (const auto& group : groups_) {
        if (group->GroupData()) groupMap_[group->GroupData()] = group.get();
    }
}

// The shown groups take the numbers the held records leave free, in the order a save writes
// them: a hidden group moves no other one, so references, connect groups and stored batch
// items keep naming the groups they named when the file was read.
void TZQLCtrl::RenumberGroups() {
    auto held = heldGroups_.begin();
    std::size_t number = 0;
    for (const auto& group : groups_) {
        for (; held != heldGroups_.end() && held->position <= number; ++held)
            ++number;
        group->SetNumber(static_cast<std::uint32_t>(number++));
    }
}

std::vector<std::size_t> TZQLCtrl::HeldNumbers() const {
    std::vector<std::size_t> numbers;
    auto held = heldGroups_.begin();
    std::size_t number = 0;
    for (std::size_t shown = 0; shown < groups_.size(); ++shown, ++number)
        for (; held != heldGroups_.end() && held->position <= number; ++held)
            numbers.push_back(number++);
    for (; held != heldGroups_.end(); ++held)
        numbers.push_back(number++);
    return numbers;
}

std::vector<TGroupSetting*> TZQLCtrl::ByNumber() const {
    std::vector<TGroupSetting*> numbered;
    for (const auto& group : groups_) {
        if (numbered.size() <= group->Number()) numbered.resize(group->Number() + 1, nullptr);
        numbered[group->Number()] = group.get();
    }
    return numbered;
}

TGroupSetting* TZQLCtrl::GroupByNumber(std::size_t number) const {
    // Mostly nothing is held, and the number is the position.
    if (number < groups_.size() && groups_[number]->Number() == number)
        return groups_[number].get();
    for (const auto& group : groups_)
        if (group->Number() == number) return group.get();
    return nullptr;
}

// --- element list operations -----------------------------------------------------------------

namespace {

TGroupData* DataForChange(const std::vector<std::unique_ptr<TGroupSetting>>& groups,
                          std::size_t group) {
    if (group >= groups.size() || !groups[group]->GroupData()) return nullptr;
    groups[group]->Set(TGroupSetting::kOutputDone, false);
    return groups[group]->GroupData();
}

}  // namespace

ElementResult TZQLCtrl::AddElements(std::size_t group, std::size_t n) {
    TGroupData* data = DataForChange(groups_, group);
    if (!data) return kNoSuchElements;
    data->AddElements(n);
    return kElementsChanged;
}

ElementResult TZQLCtrl::InsertElements(std::size_t group, std::size_t position, std::size_t n) {
    TGroupData* data = DataForChange(groups_, group);
    if (!data) return kNoSuchElements;
    data->InsertElements(position, n);
    return kElementsChanged;
}

ElementResult TZQLCtrl::InsertTaken(std::size_t group, std::size_t position,
                                    std::vector<std::unique_ptr<TElement>> elements) {
    TGroupData* data = DataForChange(groups_, group);
    if (!data) return kNoSuchElements;
    position = std::min(position, data->Size());
    const std::size_t n = elements.size();
    data->InsertTaken(position, std::move(elements));
    if (TEditLog* log = TEditLog::Active()) log->Inserted(*data, position, n);
    return kElementsChanged;
}

ElementResult TZQLCtrl::DeleteElements(std::size_t group, std::size_t first, std::size_t end) {
    TGroupData* data = DataForChange(groups_, group);
    return data ? data->DeleteElements(first, end) : kNoSuchElements;
}

ElementResult TZQLCtrl::MoveElements(std::size_t group, std::size_t first, std::size_t target,
                                     std::size_t last) {
    TGroupData* data = DataForChange(groups_, group);
    return data ? data->MoveElements(first, target, last) : kNoSuchElements;
}

std::uint32_t TZQLCtrl::TimedInterval() const {
    return timedInterval_ >= 1 && timedInterval_ <= kMaxTimedInterval ? timedInterval_
                                                                      : kDefaultTimedInterval;
}

void TZQLCtrl::SetTimedInterval(std::uint32_t seconds) {
    if (seconds == TimedInterval()) return;
    timedInterval_ = seconds;
    timedIntervalStored_ = true;
}

}  // namespace tabrix
