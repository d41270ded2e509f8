#include "windows/TElementHeader.h"

#include <QMouseEvent>
#include <QPainter>

#include "windows/TEdgePainter.h"

namespace tabrix {

TElementHeader::TElementHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setMouseTracking(true);
}

void TElementHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    painter->save();
    const bool headerRow = orientation() == Qt::Horizontal;
    const QVariant background =
        model() ? model()->headerData(logicalIndex, orientation(), Qt::BackgroundRole) : QVariant();
    painter->fillRect(rect, background.isValid()
                                ? background.value<QColor>()
                                : QColor::fromRgb(headerRow ? kHeaderColour : kHandleColour));
    if (headerRow) TEdgePainter::Draw(*painter, rect, TEdgePainter::Edge::kRaised);
    painter->setPen(Qt::black);
    painter->setFont(font());
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                : QString();
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
}

int TElementHeader::SectionAtClamped(int y) const {
    const int section = logicalIndexAt(y);
    if (section >= 0) return section;
    if (count() == 0) return -1;
    return y < 0 ? visualIndexAt(0) : count() - 1;
}

void TElementHeader::mousePressEvent(QMouseEvent* event) {
    // The header row opens what its cells offer; the handle column starts row moves.
    if (orientation() == Qt::Vertical && event->button() == Qt::LeftButton) {
        dragFrom_ = logicalIndexAt(event->position().toPoint().y());
        if (dragFrom_ >= 0) setCursor(Qt::SizeVerCursor);
    }
    event->accept();
    if (orientation() == Qt::Horizontal && event->button() == Qt::LeftButton) {
        const int section = logicalIndexAt(event->position().toPoint().x());
        if (section >= 0) emit sectionPressedAt(section);
    }
}

void TElementHeader::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit hovered(logicalIndexAt(orientation() == Qt::Vertical ? pos.y() : pos.x()));
    event->accept();
}

void TElementHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (dragFrom_ < 0 || event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    unsetCursor();
    const int from = dragFrom_;
    dragFrom_ = -1;
    const int to = SectionAtClamped(event->position().toPoint().y());
    if (to >= 0 && to != from) emit rowDragged(from, to);
    event->accept();
}

void TElementHeader::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

}  // namespace tabrix
