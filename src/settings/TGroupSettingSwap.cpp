#include "settings/TGroupSettingSwap.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"

namespace tabrix {

namespace {

// Takes the object at target out of pool (null when the pool does not hold it).
template <typename T>
std::unique_ptr<T> TakeFrom(std::vector<std::unique_ptr<T>>& pool, const T* target) {
    auto it = std::find_if(pool.begin(), pool.end(),
                           [target](const auto& held) { return held.get() == target; });
    if (it == pool.end()) return nullptr;
    std::unique_ptr<T> taken = std::move(*it);
    pool.erase(it);
    return taken;
}

template <typename T>
void MoveAll(std::vector<std::unique_ptr<T>>& from, std::vector<std::unique_ptr<T>>& to) {
    for (auto& held : from)
        to.push_back(std::move(held));
    from.clear();
}

std::size_t LinesBytes(const StringList& lines) {
    std::size_t bytes = 0;
    for (const std::string& line : lines)
        bytes += sizeof(std::string) + line.size();
    return bytes;
}

}  // namespace

TGroupSettingSwap::TGroupSettingSwap(TZQLCtrl& library, TTabrixCtrl& controller)
    : library_(library), controller_(controller) {
    before_ = Record();  // in the body: Record reads the members declared after before_
}

// Members go last first: the groups, then the group data kept on their own, then the files.
TGroupSettingSwap::~TGroupSettingSwap() = default;

void TGroupSettingSwap::Keep(std::unique_ptr<TGroupSetting> group) {
    if (group) groups_.push_back(std::move(group));
}

void TGroupSettingSwap::Keep(std::unique_ptr<TGroupData> data) {
    if (!data) return;
    // Its file may go while it is kept: a kept group data belongs to none.
    data->SetOwner(nullptr);
    data_.push_back(std::move(data));
}

void TGroupSettingSwap::Keep(std::unique_ptr<TZQDCtrl> file) {
    if (file) files_.push_back(std::move(file));
}

void TGroupSettingSwap::Finish(TEditLog& log) {
    after_ = Record();
    TouchMoved(log);
    FindChangedLibraries();
}

// --- recording -----------------------------------------------------------------------------------

TGroupSettingSwap::State TGroupSettingSwap::Record() const {
    State state;
    for (TZQLCtrl* open : controller_.Libraries())
        state.libraries.push_back(RecordLibrary(*open));
    if (!controller_.IsRegistered(library_)) state.libraries.push_back(RecordLibrary(library_));
    for (const auto& file : controller_.ElementDataFiles())
        state.files.push_back(RecordFile(*file, true));
    for (const auto& file : files_)
        state.files.push_back(RecordFile(*file, false));
    return state;
}

TGroupSettingSwap::LibraryState TGroupSettingSwap::RecordLibrary(TZQLCtrl& library) {
    LibraryState state{&library, library.Status(), {}, {}};
    for (const auto& group : library.Groups())
        state.groups.push_back({group.get(), group->Name(), group->OutputPath(), group->Status(),
                                group->GroupData(), group->ConnectGroup(), group->HeldConnect(),
                                group->Header(), group->Footer()});
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        state.batch[trigger] = library.BatchList(static_cast<BatchTrigger>(trigger));
    return state;
}

TGroupSettingSwap::FileState TGroupSettingSwap::RecordFile(TZQDCtrl& file, bool listed) {
    FileState state{&file, listed, file.Path(), file.Status(), {}};
    for (const auto& data : file.GroupData())
        state.data.push_back({data.get(), data->Name()});
    return state;
}

// Where each group data stands: a later step of another history on one whose place changed
// must not go under this one, nor this one under it.
void TGroupSettingSwap::TouchMoved(TEditLog& log) const {
    using Place = std::tuple<const TZQDCtrl*, bool, std::size_t, std::string>;
    auto places = [](const State& state) {
        std::map<TGroupData*, Place> placed;
        for (const FileState& file : state.files)
            for (std::size_t i = 0; i < file.data.size(); ++i)
                placed[file.data[i].data] = {file.file, file.listed, i, file.data[i].name};
        return placed;
    };
    const auto before = places(before_);
    const auto after = places(after_);
    for (const auto& [data, place] : before) {
        auto now = after.find(data);
        if (now == after.end() || now->second != place) log.Touch(*data);
    }
    for (const auto& entry : after)
        if (!before.count(entry.first)) log.Touch(*entry.first);
    for (const auto& data : data_)
        log.Touch(*data);
}

void TGroupSettingSwap::FindChangedLibraries() {
    auto shown = [](const LibraryState& state) {
        std::vector<std::pair<const TGroupSetting*, const TGroupData*>> list;
        for (const GroupState& group : state.groups)
            list.emplace_back(group.group, group.data);
        return list;
    };
    using Place = std::pair<const TZQDCtrl*, std::size_t>;
    auto placeOf = [](const State& state, const TGroupData* data) -> Place {
        for (const FileState& file : state.files)
            for (std::size_t i = 0; i < file.data.size(); ++i)
                if (file.data[i].data == data) return {file.file, i};
        return {nullptr, 0};
    };
    for (std::size_t l = 0; l < after_.libraries.size(); ++l) {
        const LibraryState& before = before_.libraries[l];
        const LibraryState& after = after_.libraries[l];
        bool changed = after.library == &library_ || shown(before) != shown(after);
        // A library names the group data it shows by file and position.
        for (const GroupState& group : after.groups)
            changed = changed || placeOf(before_, group.data) != placeOf(after_, group.data);
        if (changed) changedLibraries_.push_back(after.library);
    }
}

std::vector<const TGroupData*> TGroupSettingSwap::Leaving(const State& from, const State& to) {
    std::unordered_set<const TGroupData*> staying;
    for (const FileState& file : to.files)
        for (const DataState& data : file.data)
            if (file.listed) staying.insert(data.data);
    std::vector<const TGroupData*> leaving;
    for (const FileState& file : from.files)
        for (const DataState& data : file.data)
            if (file.listed && !staying.count(data.data)) leaving.push_back(data.data);
    return leaving;
}

// --- swapping ------------------------------------------------------------------------------------

bool TGroupSettingSwap::Matches(const State& state) const {
    for (const LibraryState& library : state.libraries) {
        if (library.library != &library_ && !controller_.IsRegistered(*library.library))
            return false;
        const auto& groups = library.library->Groups();
        if (groups.size() != library.groups.size()) return false;
        for (std::size_t i = 0; i < groups.size(); ++i)
            if (groups[i].get() != library.groups[i].group) return false;
    }
    const auto& listed = controller_.ElementDataFiles();
    for (const FileState& file : state.files) {
        if (file.listed && std::none_of(listed.begin(), listed.end(),
                                        [&](const auto& held) { return held.get() == file.file; }))
            return false;
        const auto& data = file.file->GroupData();
        if (data.size() != file.data.size()) return false;
        for (std::size_t i = 0; i < data.size(); ++i)
            if (data[i].get() != file.data[i].data) return false;
    }
    return true;
}

bool TGroupSettingSwap::CanUndo(const TEditLog&) const {
    return Matches(after_);
}

bool TGroupSettingSwap::CanRedo(const TEditLog&) const {
    return Matches(before_);
}

void TGroupSettingSwap::Undo() {
    Apply(before_);
}

void TGroupSettingSwap::Redo() {
    Apply(after_);
}

void TGroupSettingSwap::Apply(const State& state) {
    PlaceGroupData(state);
    PlaceFiles(state);
    for (const LibraryState& library : state.libraries)
        PlaceGroups(library);
}

// Every group data of a file either state names leaves it and goes where state has it; the
// rest are kept here.
void TGroupSettingSwap::PlaceGroupData(const State& state) {
    std::vector<std::unique_ptr<TGroupData>> pool;
    MoveAll(data_, pool);
    std::unordered_set<TZQDCtrl*> emptied;
    for (const State* either : {&before_, &after_}) {
        for (const FileState& file : either->files) {
            if (!emptied.insert(file.file).second) continue;
            while (file.file->Size() > 0)
                pool.push_back(file.file->TakeGroupData(file.file->At(0)));
        }
    }
    for (const FileState& file : state.files) {
        for (const DataState& data : file.data) {
            std::unique_ptr<TGroupData> placed = TakeFrom(pool, data.data);
            placed->SetName(data.name);
            file.file->AddGroupData(std::move(placed));
        }
        file.file->SetPath(file.path);
        file.file->SetStatus(file.status);
    }
    for (auto& data : pool)
        Keep(std::move(data));
}

// The controller's list as state has it; files opened since by other libraries stay behind.
void TGroupSettingSwap::PlaceFiles(const State& state) {
    std::vector<std::unique_ptr<TZQDCtrl>> pool = controller_.TakeElementDataFiles();
    std::vector<const TZQDCtrl*> others;
    std::unordered_set<const TZQDCtrl*> named;
    for (const State* either : {&before_, &after_})
        for (const FileState& file : either->files)
            named.insert(file.file);
    for (const auto& file : pool)
        if (!named.count(file.get())) others.push_back(file.get());
    MoveAll(files_, pool);
    for (const FileState& file : state.files)
        if (file.listed) controller_.AddElementDataFile(TakeFrom(pool, file.file));
    for (const TZQDCtrl* file : others)
        controller_.AddElementDataFile(TakeFrom(pool, file));
    files_ = std::move(pool);
}

void TGroupSettingSwap::PlaceGroups(const LibraryState& state) {
    TZQLCtrl& library = *state.library;
    std::vector<std::unique_ptr<TGroupSetting>> pool = library.TakeGroups();
    MoveAll(groups_, pool);
    std::vector<std::unique_ptr<TGroupSetting>> ordered;
    for (const GroupState& group : state.groups) {
        RestoreGroup(group);
        ordered.push_back(TakeFrom(pool, group.group));
    }
    library.ReorderGroups(std::move(ordered));
    groups_ = std::move(pool);
    library.SetStatus(state.status);
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        library.BatchList(static_cast<BatchTrigger>(trigger)) = state.batch[trigger];
}

void TGroupSettingSwap::RestoreGroup(const GroupState& state) {
    TGroupSetting& group = *state.group;
    group.SetName(state.name);
    group.SetOutputPath(state.outputPath);
    group.SetStatus(state.status);
    group.SetGroupData(state.data);
    group.SetConnectGroup(state.connect);
    if (state.heldConnect) group.SetHeldConnect(*state.heldConnect);
    group.Header() = state.header;
    group.Footer() = state.footer;
}

std::size_t TGroupSettingSwap::Bytes() const {
    std::size_t bytes = sizeof(*this);
    for (const State* state : {&before_, &after_}) {
        for (const LibraryState& library : state->libraries) {
            for (const GroupState& group : library.groups)
                bytes += sizeof(group) + group.name.size() + group.outputPath.size() +
                         LinesBytes(group.header) + LinesBytes(group.footer);
            for (const auto& list : library.batch)
                for (const TBatchSetting& item : list)
                    bytes += sizeof(item) + item.name.size() + LinesBytes(item.dataLines);
        }
        for (const FileState& file : state->files)
            bytes += sizeof(file) + file.path.size() + file.data.size() * sizeof(DataState);
    }
    return bytes;
}

}  // namespace tabrix
