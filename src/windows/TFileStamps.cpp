#include "windows/TFileStamps.h"

#include <set>
#include <system_error>

#include "model/PathName.h"
#include "model/TGroupData.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

bool StampOf(const std::string& modelPath, std::filesystem::file_time_type& stamp) {
    std::error_code error;
    stamp = std::filesystem::last_write_time(PathName::ToNative(modelPath), error);
    return !error;
}

}  // namespace

std::vector<std::string> TFileStamps::FilesOf(const TZQLCtrl& library, bool writtenOnly) {
    std::vector<std::string> files;
    std::set<const TZQDCtrl*> seen;
    for (const auto& group : library.Groups()) {
        const TGroupData* data = group->GroupData();
        const TZQDCtrl* file = data ? data->Owner() : nullptr;
        if (!file || !seen.insert(file).second || file->Path().empty()) continue;
        if (!writtenOnly || file->IsModified()) files.push_back(file->Path());
    }
    if (!library.Path().empty()) files.push_back(library.Path());
    if (library.ParameterFile() && !library.ParameterFile()->Path().empty())
        files.push_back(library.ParameterFile()->Path());
    if (library.InitializeInfo() && !library.InitializeInfo()->Path().empty())
        files.push_back(library.InitializeInfo()->Path());
    return files;
}

void TFileStamps::Record(const TZQLCtrl& library) {
    stamps_.clear();
    for (const std::string& path : FilesOf(library)) {
        std::filesystem::file_time_type stamp;
        if (StampOf(path, stamp)) stamps_[path] = stamp;
    }
}

std::vector<std::string> TFileStamps::ChangedOnDisk(const TZQLCtrl& library) const {
    std::vector<std::string> changed;
    for (const std::string& path : FilesOf(library, true)) {
        auto recorded = stamps_.find(path);
        std::filesystem::file_time_type now;
        if (recorded != stamps_.end() && StampOf(path, now) && now != recorded->second)
            changed.push_back(path);
    }
    return changed;
}

}  // namespace tabrix
