#include "settings/TLibrarySettingSwap.h"

#include <utility>

#include "model/TLibraryCustomise.h"
#include "model/TWindowState.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

TLibrarySettingSwap::Stored::Stored(const TZQLCtrl& library)
    : outputPath(library.OutputPath()),
      path(library.Path()),
      previewImage(library.PreviewImage()),
      initializePath(library.InitializeInfo() ? library.InitializeInfo()->Path() : ""),
      parameterPath(library.ParameterFile() ? library.ParameterFile()->Path() : ""),
      memo(library.PreviewMemo()),
      timedInterval(library.TimedInterval()) {
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        batch[trigger] = library.BatchList(static_cast<BatchTrigger>(trigger));
}

void TLibrarySettingSwap::Stored::Apply(TZQLCtrl& library) const {
    library.SetOutputPath(outputPath);
    library.SetPath(path);
    library.SetPreviewImage(previewImage);
    if (library.InitializeInfo()) library.InitializeInfo()->SetPath(initializePath);
    if (library.ParameterFile()) library.ParameterFile()->SetPath(parameterPath);
    library.PreviewMemo() = memo;
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        library.BatchList(static_cast<BatchTrigger>(trigger)) = batch[trigger];
    library.SetTimedInterval(timedInterval);
}

TLibrarySettingSwap::TLibrarySettingSwap(TZQLCtrl& library)
    : library_(library), kept_(library), keptLook_(LookOf(library)) {}

bool TLibrarySettingSwap::Changed() const {
    return !(Stored(library_) == kept_) || LookOf(library_) != keptLook_;
}

TLibrarySettingSwap::LookKeys TLibrarySettingSwap::LookOf(const TZQLCtrl& library) {
    const TZQICtrl* info = library.InitializeInfo();
    if (!info) return {};
    const TMapWord section = TWindowState::LibrarySection();
    return {info->Store().KeyText(section, TLibraryCustomise::PanelColourKey()),
            info->Store().KeyText(section, TLibraryCustomise::GroupListCountKey())};
}

void TLibrarySettingSwap::PutLook(TZQLCtrl& library, const LookKeys& keys) {
    TZQICtrl* info = library.InitializeInfo();
    if (!info) return;
    const TMapWord section = TWindowState::LibrarySection();
    info->Store().SetKey(section, TLibraryCustomise::PanelColourKey(), keys[0]);
    info->Store().SetKey(section, TLibraryCustomise::GroupListCountKey(), keys[1]);
}

void TLibrarySettingSwap::Exchange() {
    Stored now(library_);
    LookKeys look = LookOf(library_);
    kept_.Apply(library_);
    PutLook(library_, keptLook_);
    kept_ = std::move(now);
    keptLook_ = std::move(look);
    library_.SetModified(true);
}

std::size_t TLibrarySettingSwap::Bytes() const {
    std::size_t bytes = sizeof(*this);
    for (const std::string& line : kept_.memo)
        bytes += line.size();
    for (const auto& list : kept_.batch)
        for (const TBatchSetting& item : list)
            for (const std::string& line : item.dataLines)
                bytes += line.size() + sizeof(TBatchSetting);
    return bytes;
}

}  // namespace tabrix
