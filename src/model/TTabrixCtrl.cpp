#include "model/TTabrixCtrl.h"

#include <algorithm>
#include <unordered_set>

#include "model/CoreText.h"
#include "model/FileIdentity.h"
#include "model/FileResult.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

TTabrixCtrl::TTabrixCtrl() = default;

TTabrixCtrl::~TTabrixCtrl() {
    // Libraries normally close before the controller; any still open lose their groups and
    // shared files here rather than keep pointers into destroyed files.
    for (TZQLCtrl* library : libraries_) {
        library->ClearGroups();
        library->SetParameterFile(nullptr);
        library->SetController(nullptr);
    }
    libraries_.clear();
    dataFiles_.clear();
    paramFiles_.clear();
}

void TTabrixCtrl::RegisterLibrary(TZQLCtrl& library) {
    library.SetController(this);
    if (!IsRegistered(library)) libraries_.push_back(&library);
    if (std::unique_ptr<TZQPCtrl> own = library.TakeOwnedParameterFile())
        AddParameterFile(std::move(own));
}

void TTabrixCtrl::UnregisterLibrary(TZQLCtrl& library) {
    libraries_.erase(std::remove(libraries_.begin(), libraries_.end(), &library), libraries_.end());
}

bool TTabrixCtrl::IsRegistered(const TZQLCtrl& library) const {
    return std::find(libraries_.begin(), libraries_.end(), &library) != libraries_.end();
}

TZQDCtrl* TTabrixCtrl::FindElementDataFile(const std::string& path) const {
    if (path.empty()) return nullptr;
    for (const auto& file : dataFiles_) {
        if (file->Path() == path) return file.get();
    }
    // The same file named another way ("./", "//", a link) is still one file: loading it twice
    // would let one copy's save overwrite the other's changes.
    for (const auto& file : dataFiles_) {
        if (FileIdentity::Same(file->Path(), path)) return file.get();
    }
    return nullptr;
}

TZQDCtrl* TTabrixCtrl::FindOrCreateElementDataFile(const std::string& path) {
    if (TZQDCtrl* found = FindElementDataFile(path)) return found;
    return AddElementDataFile(std::make_unique<TZQDCtrl>(path));
}

TZQDCtrl* TTabrixCtrl::AddElementDataFile(std::unique_ptr<TZQDCtrl> file) {
    dataFiles_.push_back(std::move(file));
    return dataFiles_.back().get();
}

TZQPCtrl* TTabrixCtrl::AddParameterFile(std::unique_ptr<TZQPCtrl> file) {
    paramFiles_.push_back(std::move(file));
    return paramFiles_.back().get();
}

bool TTabrixCtrl::HoldsParameterFile(const TZQPCtrl* file) const {
    return std::any_of(paramFiles_.begin(), paramFiles_.end(),
                       [file](const auto& held) { return held.get() == file; });
}

void TTabrixCtrl::ReleaseElementDataFiles(const TZQLCtrl& library) {
    auto fileOf = [](const TGroupSetting& group) -> const TZQDCtrl* {
        return group.GroupData() ? group.GroupData()->Owner() : nullptr;
    };
    std::unordered_set<const TZQDCtrl*> shownHere;
    for (const auto& group : library.Groups())
        shownHere.insert(fileOf(*group));
    std::unordered_set<const TZQDCtrl*> shownElsewhere;
    for (const TZQLCtrl* open : libraries_) {
        if (open == &library) continue;
        for (const auto& group : open->Groups())
            shownElsewhere.insert(fileOf(*group));
    }

    std::vector<std::unique_ptr<TZQDCtrl>> kept;
    std::vector<std::unique_ptr<TZQDCtrl>> released;
    for (auto& file : dataFiles_) {
        bool doomed = shownHere.count(file.get()) != 0 && shownElsewhere.count(file.get()) == 0;
        (doomed ? released : kept).push_back(std::move(file));
    }
    dataFiles_ = std::move(kept);
    // This library's groups must stop showing group data that is about to go away.
    std::unordered_set<const TZQDCtrl*> gone;
    for (const auto& file : released)
        gone.insert(file.get());
    for (const auto& group : library.Groups()) {
        if (gone.count(fileOf(*group)) != 0) group->SetGroupData(nullptr);
    }
}

void TTabrixCtrl::ReleaseUnshownElementDataFiles(const std::vector<const TZQDCtrl*>& candidates) {
    TakeUnshownElementDataFiles(candidates);
}

std::vector<std::unique_ptr<TZQDCtrl>> TTabrixCtrl::TakeUnshownElementDataFiles(
    const std::vector<const TZQDCtrl*>& candidates) {
    std::unordered_set<const TZQDCtrl*> shown;
    for (const TZQLCtrl* open : libraries_) {
        for (const auto& group : open->Groups())
            if (group->GroupData()) shown.insert(group->GroupData()->Owner());
    }
    std::unordered_set<const TZQDCtrl*> doomed;
    for (const TZQDCtrl* file : candidates)
        if (shown.count(file) == 0) doomed.insert(file);
    std::vector<std::unique_ptr<TZQDCtrl>> kept;
    std::vector<std::unique_ptr<TZQDCtrl>> taken;
    for (auto& file : dataFiles_)
        (doomed.count(file.get()) ? taken : kept).push_back(std::move(file));
    dataFiles_ = std::move(kept);
    return taken;
}

std::vector<std::unique_ptr<TZQDCtrl>> TTabrixCtrl::TakeElementDataFiles() {
    return std::move(dataFiles_);
}

void TTabrixCtrl::ReleaseParameterFile(const TZQLCtrl& library) {
    TZQPCtrl* file = library.ParameterFile();
    if (!file) return;
    bool usedElsewhere = std::any_of(
        libraries_.begin(), libraries_.end(),
        [&](const TZQLCtrl* open) { return open != &library && open->ParameterFile() == file; });
    if (usedElsewhere) return;
    paramFiles_.erase(std::remove_if(paramFiles_.begin(), paramFiles_.end(),
                                     [file](const auto& held) { return held.get() == file; }),
                      paramFiles_.end());
}

void TTabrixCtrl::FillNewLibrary(TZQLCtrl& library) {
    TZQDCtrl* data = AddElementDataFile(std::make_unique<TZQDCtrl>());
    RegisterLibrary(library);

    auto params = std::make_unique<TZQPCtrl>();
    params->Reset("");
    TZQPCtrl* file = library.AttachParameterFile(std::move(params));
    library.SetInitializeInfo(std::make_unique<TZQICtrl>());

    auto name = std::make_unique<TParameter>();
    name->SetName(CoreText::Get(CoreText::kDefaultParameter));
    name->SetCode(CoreText::Get(CoreText::kDefaultParameter));
    name->SetType(kTypeString);
    file->AddParameter(std::move(name), true);

    TGroupData* groupData = data->AddGroupData();
    groupData->SetName(CoreText::Get(CoreText::kDefaultGroupData));
    TGroupSetting* group = library.AddGroupForGroupData(groupData);
    group->SetName(CoreText::Get(CoreText::kDefaultGroup));
    group->SetOutputPath(CoreText::Get(CoreText::kDefaultGroupOutput));
    group->SetStatus(TGroupSetting::kOutput);
    data->SetModified(false);

    file->ImportFormats().emplace_back();
    file->DrawFormat() = {CoreText::Get(CoreText::kDefaultDrawFormat)};
    file->OutputFormat() = {CoreText::Get(CoreText::kDefaultDrawFormat)};
}

std::vector<std::string> TTabrixCtrl::NewLibraryFiles(const std::string& zqlPath) {
    return {zqlPath, TFileKind::Of(FileKind::kParameters).SiblingPath(zqlPath),
            TFileKind::Of(FileKind::kInitializeInfo).SiblingPath(zqlPath),
            TFileKind::Of(FileKind::kElementData).SiblingPath(zqlPath)};
}

void TTabrixCtrl::FillNamedNewLibrary(TZQLCtrl& library, const std::string& zqlPath) {
    FillNewLibrary(library);
    const std::vector<std::string> files = NewLibraryFiles(zqlPath);
    library.SetPath(files[0]);
    library.ParameterFile()->SetPath(files[1]);
    library.InitializeInfo()->SetPath(files[2]);
    TZQDCtrl* data = library.Group(0)->GroupData()->Owner();
    data->SetPath(files[3]);
    data->SetModified(true);
}

}  // namespace tabrix
