// The ticker of the running editor: a QTimer on the user-interface thread, so that a tick runs
// between events like any other command.
#pragma once

#include <QTimer>

#include "platform/ITicker.h"

namespace tabrix {

class TQtTicker : public ITicker {
public:
    TQtTicker();
    void Start(int intervalMs, std::function<void()> tick) override;
    void Stop() override { timer_.stop(); }

private:
    QTimer timer_;
    std::function<void()> tick_;
};

}  // namespace tabrix
