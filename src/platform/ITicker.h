// A repeating tick: the editor's runs on a QTimer, tests tick by hand, so that work done every
// so many seconds is tested without waiting for them.
#pragma once

#include <functional>

namespace tabrix {

class ITicker {
public:
    virtual ~ITicker() = default;
    // Calls tick every intervalMs from now on; a second Start replaces the first.
    virtual void Start(int intervalMs, std::function<void()> tick) = 0;
    virtual void Stop() = 0;
};

}  // namespace tabrix
