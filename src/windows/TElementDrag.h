// What a drag from the sub window's list carries: the source library's document, its group, the
// selected block of elements and the element where the drag began. Drop targets (the library
// window's list, the panel's reference lists) accept only this kind of drag, so drags from
// anywhere else are refused while dragging.
#pragma once

#include <QByteArray>

#include <optional>

class QMimeData;

namespace tabrix {

class TLibraryDocument;

struct TElementDrag {
    static constexpr const char* kMimeType = "application/x-tabrix-sub-elements";

    TLibraryDocument* document = nullptr;  // the source library (drags stay in this process)
    int group = -1;                        // the source group's number
    int top = 0;                           // the selected elements top..bottom (indices)
    int bottom = -1;
    int start = -1;  // the element under the mouse when the drag began

    // The dropped elements first..last: the selected block, or the start element alone when it
    // lies outside the block.
    int First() const { return start >= 0 && (start < top || start > bottom) ? start : top; }
    int Last() const { return start >= 0 && (start < top || start > bottom) ? start : bottom; }
    int Count() const { return Last() - First() + 1; }

    // A new mime data object holding the drag (the caller owns it).
    QMimeData* ToMime() const;
    // The drag a mime data object holds, or none for any other drag.
    static std::optional<TElementDrag> FromMime(const QMimeData* mime);
};

}  // namespace tabrix
