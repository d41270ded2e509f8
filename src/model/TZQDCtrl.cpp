#include "model/TZQDCtrl.h"

#include <algorithm>

#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

void TZQDCtrl::Reset(std::string path) {
    groupData_.clear();
    path_ = std::move(path);
    status_ = 0;
}

TGroupData* TZQDCtrl::AddGroupData(std::unique_ptr<TGroupData> data) {
    if (!data) data = std::make_unique<TGroupData>();
    data->SetOwner(this);
    data->SetIndex(static_cast<std::uint32_t>(groupData_.size()));
    groupData_.push_back(std::move(data));
    SetModified(true);
    return groupData_.back().get();
}

void TZQDCtrl::DeleteGroupData(std::size_t i) {
    if (i >= groupData_.size()) return;
    groupData_.erase(groupData_.begin() + static_cast<std::ptrdiff_t>(i));
    RenumberGroupData(i);
    SetModified(true);
}

std::unique_ptr<TGroupData> TZQDCtrl::TakeGroupData(const TGroupData* data) {
    auto it = std::find_if(groupData_.begin(), groupData_.end(),
                           [data](const auto& held) { return held.get() == data; });
    if (it == groupData_.end()) return nullptr;
    std::unique_ptr<TGroupData> taken = std::move(*it);
    std::size_t position = static_cast<std::size_t>(it - groupData_.begin());
    groupData_.erase(it);
    RenumberGroupData(position);
    return taken;
}

void TZQDCtrl::RenumberGroupData(std::size_t from) {
    for (std::size_t i = from; i < groupData_.size(); ++i)
        groupData_[i]->SetIndex(static_cast<std::uint32_t>(i));
}

// --- the group numbers of written references --------------------------------------------

long TZQDCtrl::ContextNumber(const TZQLCtrl& writer, const TGroupData* data) const {
    // The library that read the file writes what it shows, and only that.
    if (!contextLibrary_ || contextLibrary_ == &writer) return -1;
    const TTabrixCtrl* controller = writer.Controller();
    if (controller && controller->IsRegistered(*contextLibrary_)) {
        const TGroupSetting* group = contextLibrary_->FindGroupOf(data);
        return group ? static_cast<long>(group->Number()) : -1;
    }
    auto found = std::find(readContext_.begin(), readContext_.end(), data);
    return found == readContext_.end() ? -1 : static_cast<long>(found - readContext_.begin());
}

}  // namespace tabrix
