// A ticker that ticks only when the test says so, and tells the interval it was started with.
#pragma once

#include "platform/ITicker.h"

namespace tabrix::test {

class ManualTicker : public ITicker {
public:
    void Start(int intervalMs, std::function<void()> tick) override {
        intervalMs_ = intervalMs;
        tick_ = std::move(tick);
    }
    void Stop() override { intervalMs_ = 0; }
    // One tick, as the timer would give it after the interval; nothing while stopped.
    void Fire() {
        const std::function<void()> tick = tick_;
        if (intervalMs_ > 0 && tick) tick();
    }
    // 0 while stopped.
    int IntervalMs() const { return intervalMs_; }

private:
    int intervalMs_ = 0;
    std::function<void()> tick_;
};

}  // namespace tabrix::test
