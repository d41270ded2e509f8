#include "windows/TAutoRepeat.h"

namespace tabrix {

TAutoRepeat::TAutoRepeat(int intervalMs, std::function<bool()> step, QObject* parent)
    : QObject(parent), intervalMs_(intervalMs), step_(std::move(step)) {
    // "More than" the interval: the next step comes one millisecond after it.
    timer_.setInterval(intervalMs_ + 1);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TAutoRepeat::Step);
}

void TAutoRepeat::Press() {
    timer_.stop();
    if (step_()) timer_.start();
}

void TAutoRepeat::Release() {
    timer_.stop();
}

void TAutoRepeat::Step() {
    if (!step_()) timer_.stop();
}

}  // namespace tabrix
