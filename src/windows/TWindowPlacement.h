// The placement a window-state section stores for a window in the frame: its state and the
// bounds of its normal (restored) form, which is remembered while the window is maximised or
// minimised.
#pragma once

#include <QRect>

#include <QWidget>
#include <algorithm>

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

// bounds moved (and shrunk where needed) to lie inside area, so that a stored placement from
// a larger screen, or a hand-edited one, still shows the whole window. An empty area (not laid
// out yet) leaves the bounds alone.
inline QRect ClampedInto(QRect bounds, const QRect& area) {
    if (area.isEmpty()) return bounds;
    bounds.setWidth(std::clamp(bounds.width(), 1, area.width()));
    bounds.setHeight(std::clamp(bounds.height(), 1, area.height()));
    bounds.moveLeft(std::clamp(bounds.left(), area.left(), area.right() - bounds.width() + 1));
    bounds.moveTop(std::clamp(bounds.top(), area.top(), area.bottom() - bounds.height() + 1));
    return bounds;
}

// The area a window inside the frame may take: its MDI area's viewport.
inline QRect AreaOf(const QWidget& holder) {
    const QWidget* parent = holder.parentWidget();
    return parent && parent != &holder ? QRect(QPoint(0, 0), parent->size()) : QRect();
}

}  // namespace tabrix
