#include "files/TLibrarySaver.h"

#include <set>

#include "files/TElementDataWriter.h"
#include "files/TInitializeInfoWriter.h"
#include "files/TLibraryWriter.h"
#include "files/TParameterFileWriter.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

TLibrarySaver::TLibrarySaver(TZQLCtrl& library, TSaveQuestions& questions, Progress progress)
    : library_(library), questions_(questions), progress_(std::move(progress)) {}

TSaveReport TLibrarySaver::Save(bool everyFile) {
    report_ = {};
    waiting_.clear();
    SaveElementData(everyFile);
    // The library file goes before the other two are asked for, so that paths chosen for
    // them reach the library file at the next save.
    SaveLibraryFile();
    const std::pair<std::string, std::string> named = NamedSiblings();
    SaveWaitingElementData();
    SaveParameterFile();
    SaveInitializeInfo();
    // A path chosen just now for the parameter or window-state file would reach the library
    // file only at the next save: a library closed before that (a new one, or one derived from
    // a template) would open without its parameters. The library file is written once more.
    if (NamedSiblings() != named && !library_.Path().empty()) {
        library_.SetModified(true);
        const FileResult result = TLibraryWriter(library_).Write(progress_);
        if (result != kFileOk) Count(SavedFile::kLibrary, library_.Path(), result);
    }
    Report(progress_, "");
    return report_;
}

std::pair<std::string, std::string> TLibrarySaver::NamedSiblings() const {
    const TZQPCtrl* parameters = library_.ParameterFile();
    const TZQICtrl* info = library_.InitializeInfo();
    return {parameters ? parameters->Path() : std::string(), info ? info->Path() : std::string()};
}

bool TLibrarySaver::EnsurePath(SavedFile kind, const TGroupSetting* group, std::string& path) {
    if (!path.empty()) return true;
    std::string chosen;
    if (!questions_.ChoosePath(kind, group, chosen) || chosen.empty()) {
        ++report_.skipped;
        return false;
    }
    path = std::move(chosen);
    return true;
}

void TLibrarySaver::Count(SavedFile kind, const std::string& path, FileResult result) {
    if (result == kFileOk) {
        ++report_.written;
        return;
    }
    ++report_.failed;
    questions_.Failed(kind, path, result);
}

void TLibrarySaver::SaveElementData(bool everyFile) {
    std::set<TZQDCtrl*> done;
    // Every file was asked for, and these could not even be read: say so.
    if (everyFile)
        for (const TLoadProblem& problem : library_.LoadProblems())
            if (problem.kind == TLoadProblem::kElementData)
                Count(SavedFile::kElementData, problem.path, kFileNotRead);
    for (const auto& group : library_.Groups()) {
        TGroupData* data = group->GroupData();
        TZQDCtrl* file = data ? data->Owner() : nullptr;
        if (!file || !done.insert(file).second) continue;
        std::string path = file->Path();
        if (!EnsurePath(SavedFile::kElementData, group.get(), path)) continue;
        if (path != file->Path() || everyFile) {
            file->SetPath(path);
            file->SetModified(true);
        }
        // Relative to a library without a place, the path would name a file in whatever
        // folder the program runs in, where the library would never find it again.
        if (Unplaced(file->Path())) {
            waiting_.push_back(file);
            continue;
        }
        if (!file->IsModified()) continue;
        Count(SavedFile::kElementData, file->Path(),
              TElementDataWriter(*file, library_).Write(progress_));
    }
}

bool TLibrarySaver::Unplaced(const std::string& path) const {
    return library_.Path().empty() && !path.empty() && !PathName::IsAbsolute(path);
}

void TLibrarySaver::SaveWaitingElementData() {
    for (TZQDCtrl* file : waiting_) {
        if (library_.Path().empty()) {
            ++report_.skipped;
        } else if (file->IsModified()) {
            Count(SavedFile::kElementData, file->Path(),
                  TElementDataWriter(*file, library_).Write(progress_));
        }
    }
}

void TLibrarySaver::AnchorRelativePaths() {
    const std::string& base = library_.Path();
    const auto anchor = [&](const std::string& path) {
        return path.empty() || PathName::IsAbsolute(path) ? path : PathName::Resolve(base, path);
    };
    library_.SetOutputPath(anchor(library_.OutputPath()));
    for (const auto& group : library_.Groups()) {
        TGroupData* data = group->GroupData();
        if (data && data->Owner()) data->Owner()->SetPath(anchor(data->Owner()->Path()));
    }
    if (TZQPCtrl* parameters = library_.ParameterFile())
        parameters->SetPath(anchor(parameters->Path()));
    if (TZQICtrl* info = library_.InitializeInfo()) info->SetPath(anchor(info->Path()));
}

void TLibrarySaver::SaveLibraryFile() {
    std::string path = library_.Path();
    if (path.empty() && EnsurePath(SavedFile::kLibrary, nullptr, path)) {
        library_.SetPath(path);
        AnchorRelativePaths();
        if (questions_.SameNameForTheOthers()) {
            TZQPCtrl* parameters = library_.ParameterFile();
            if (parameters && parameters->Path().empty())
                parameters->SetPath(TFileKind::Of(FileKind::kParameters).SameName(path));
            TZQICtrl* info = library_.InitializeInfo();
            if (info && info->Path().empty())
                info->SetPath(TFileKind::Of(FileKind::kInitializeInfo).SameName(path));
        }
    }
    library_.SetModified(true);
    if (!library_.Path().empty())
        Count(SavedFile::kLibrary, library_.Path(), TLibraryWriter(library_).Write(progress_));
}

void TLibrarySaver::SaveParameterFile() {
    TZQPCtrl* parameters = library_.ParameterFile();
    if (!parameters) return;
    std::string path = parameters->Path();
    if (EnsurePath(SavedFile::kParameter, nullptr, path)) parameters->SetPath(path);
    parameters->SetModified(true);
    if (Unplaced(parameters->Path()))
        ++report_.skipped;
    else if (!parameters->Path().empty())
        Count(SavedFile::kParameter, parameters->Path(),
              TParameterFileWriter(*parameters).Write(progress_));
}

void TLibrarySaver::SaveInitializeInfo() {
    TZQICtrl* info = library_.InitializeInfo();
    if (!info) return;
    std::string path = info->Path();
    if (EnsurePath(SavedFile::kInitializeInfo, nullptr, path)) info->SetPath(path);
    questions_.StoreLayout();
    if (Unplaced(info->Path()))
        ++report_.skipped;
    else if (!info->Path().empty())
        Count(SavedFile::kInitializeInfo, info->Path(), TInitializeInfoWriter(*info).Write());
}

}  // namespace tabrix
