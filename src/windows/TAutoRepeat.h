// The hold-to-repeat of the page buttons: one step at the press, then one more each time more
// than the interval has passed while the button stays down, until it is released or the step
// reports that it is at the end.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace tabrix {

class TAutoRepeat : public QObject {
    Q_OBJECT

public:
    // step returns false when there is nothing more to do (the list is at its end).
    TAutoRepeat(int intervalMs, std::function<bool()> step, QObject* parent = nullptr);

    void Press();
    void Release();
    bool Repeating() const { return timer_.isActive(); }
    int IntervalMs() const { return intervalMs_; }

private:
    void Step();

    int intervalMs_;
    std::function<bool()> step_;
    QTimer timer_;
};

}  // namespace tabrix
