// The placement a window-state section stores for a window in the frame: its state and the
// bounds of its normal (restored) form, which is remembered while the window is maximised or
// minimised.
#pragma once

#include <QRect>
#include <QWidget>

#include "model/TWindowState.h"

namespace tabrix {

// Fills state.windowState and state.bounds from holder; normalBounds is updated while the window
// is normal and used otherwise.
template <typename State>
void StorePlacement(const QWidget& holder, QRect& normalBounds, State& state) {
    state.windowState = holder.isMaximized()   ? kWindowMaximised
                        : holder.isMinimized() ? kWindowMinimised
                                               : kWindowNormal;
    if (state.windowState == kWindowNormal) normalBounds = holder.geometry();
    state.bounds = {normalBounds.left(), normalBounds.top(), normalBounds.width(),
                    normalBounds.height()};
}

}  // namespace tabrix
