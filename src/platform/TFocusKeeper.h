// Keeps the keyboard where it was across a modal window: the widget that had the focus before
// the window opened has it again once the window is gone (when it still exists and can take
// it), whatever the window system made of the activation in between.
#pragma once

#include <QPointer>
#include <QWidget>

namespace tabrix {

class TFocusKeeper {
public:
    TFocusKeeper();
    ~TFocusKeeper();
    TFocusKeeper(const TFocusKeeper&) = delete;
    TFocusKeeper& operator=(const TFocusKeeper&) = delete;

private:
    QPointer<QWidget> had_;
};

}  // namespace tabrix
