#include "platform/TFocusKeeper.h"

#include <QApplication>

namespace tabrix {

TFocusKeeper::TFocusKeeper() : had_(QApplication::focusWidget()) {}

TFocusKeeper::~TFocusKeeper() {
    if (!had_ || !had_->isVisible() || !had_->isEnabled()) return;
    // In an inactive window this makes it the widget the window gives the focus to when the
    // window system activates it again.
    had_->setFocus(Qt::OtherFocusReason);
}

}  // namespace tabrix
