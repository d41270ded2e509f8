#include "settings/TParamFileSwap.h"

#include <algorithm>

#include "format/TFormatCompiler.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

TParamFileSwap::TParamFileSwap(TZQLCtrl& library, TZQPCtrl& file)
    : library_(library), file_(file), before_(file.Revision()) {
    keptItems_ = ItemsOfUsers();
}

// The items kept at the start are those from before; the libraries hold the commit's now.
void TParamFileSwap::Finish() {
    after_ = TEditLog::NextRevision();
    file_.SetRevision(after_);
}

std::vector<TZQLCtrl*> TParamFileSwap::Users() const {
    std::vector<TZQLCtrl*> users{&library_};
    if (TTabrixCtrl* controller = library_.Controller())
        for (TZQLCtrl* other : controller->Libraries())
            if (other != &library_ && other->ParameterFile() == &file_) users.push_back(other);
    return users;
}

std::vector<TParamFileSwap::Items> TParamFileSwap::ItemsOfUsers() const {
    std::vector<Items> items;
    for (const TZQLCtrl* user : Users()) {
        Items& kept = items.emplace_back(Items{user, user->Path(), {}});
        for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
            kept.lists[trigger] = user->BatchList(static_cast<BatchTrigger>(trigger));
    }
    return items;
}

void TParamFileSwap::Exchange() {
    file_.ExchangeDefinitions(kept_);
    const std::vector<TZQLCtrl*> users = Users();
    for (Items& items : keptItems_) {
        auto user = std::find(users.begin(), users.end(), items.library);
        if (user == users.end() || (*user)->Path() != items.path) continue;
        for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
            (*user)->BatchList(static_cast<BatchTrigger>(trigger)).swap(items.lists[trigger]);
    }
    // Formats name parameters: every library on the file reads its formats anew.
    for (TZQLCtrl* user : users)
        TFormatCompiler::CompileAll(*user);
    file_.SetModified(true);
}

void TParamFileSwap::Undo() {
    Exchange();
    file_.SetRevision(before_);
}

void TParamFileSwap::Redo() {
    Exchange();
    file_.SetRevision(after_);
}

std::size_t TParamFileSwap::Bytes() const {
    std::size_t bytes = sizeof(*this) + kept_.Size() * sizeof(TParameter);
    for (const Items& items : keptItems_)
        for (const auto& list : items.lists)
            bytes += list.size() * sizeof(TBatchSetting);
    return bytes;
}

}  // namespace tabrix
