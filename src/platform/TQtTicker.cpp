#include "platform/TQtTicker.h"

namespace tabrix {

TQtTicker::TQtTicker() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        // A copy: the tick may start the ticker again, which replaces tick_ while it runs.
        const std::function<void()> tick = tick_;
        if (tick) tick();
    });
}

void TQtTicker::Start(int intervalMs, std::function<void()> tick) {
    tick_ = std::move(tick);
    timer_.start(intervalMs);
}

}  // namespace tabrix
