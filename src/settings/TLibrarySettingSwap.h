// The undo of a library settings commit: what the library file stores of the settings (paths,
// preview, memo, batch lists, the timed interval) and the look keys of its initialize-info
// store, as they stood before and after. Undo and redo exchange the two.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/TBatchSetting.h"
#include "model/TEditLog.h"
#include "model/TStringDivision.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TLibrarySettingSwap : public TEditLog::Entry {
public:
    // What the library file stores of the settings the dialog edits.
    struct Stored {
        std::string outputPath, path, previewImage, initializePath, parameterPath;
        StringList memo;
        std::array<std::vector<TBatchSetting>, kBatchTriggerCount> batch;
        std::uint32_t timedInterval = 0;

        explicit Stored(const TZQLCtrl& library);
        void Apply(TZQLCtrl& library) const;
        bool operator==(const Stored&) const = default;
    };

    // Made before the commit: the settings as they stand.
    explicit TLibrarySettingSwap(TZQLCtrl& library);
    // Whether the commit changed anything the step would put back.
    bool Changed() const;

    void Undo() override { Exchange(); }
    void Redo() override { Exchange(); }
    std::size_t Bytes() const override;

private:
    // The look as its two keys stand in the store, each absent or its stored text.
    using LookKeys = std::array<std::optional<std::string>, 2>;
    static LookKeys LookOf(const TZQLCtrl& library);
    static void PutLook(TZQLCtrl& library, const LookKeys& keys);
    void Exchange();

    TZQLCtrl& library_;
    Stored kept_;  // the settings not in the library now
    LookKeys keptLook_;
};

}  // namespace tabrix
