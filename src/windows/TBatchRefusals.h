// The items of one batch-list run that the engine refused, told to the user once the run is
// over: a stored item that would judge by parameters that are gone is skipped so that it
// changes nothing, and the user must learn that it did not run.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include "model/TBatchSetting.h"

class QWidget;

namespace tabrix {

class IDialogs;

class TBatchRefusals {
public:
    // The receiver for TBatchActions::skipped; it must not outlive this object.
    std::function<void(const TBatchSetting& item, std::uint32_t result)> Collector();
    // One message naming every refused item and why; nothing when none was refused.
    void Report(IDialogs& dialogs, QWidget* parent) const;

    // One line: the item's name and type, and the reason for the engine's result.
    static QString Describe(const TBatchSetting& item, std::uint32_t result);

private:
    QStringList lines_;
};

}  // namespace tabrix
