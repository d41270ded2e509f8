#include "windows/TReferenceList.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include "windows/TElementDrag.h"
#include "windows/TLibraryDocument.h"

namespace tabrix {

TReferenceList::TReferenceList(bool array, QWidget* parent)
    : QAbstractScrollArea(parent), array_(array) {
    setFrameShape(QFrame::StyledPanel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(array ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    verticalScrollBar()->setSingleStep(1);
}

int TReferenceList::RowHeight() const {
    return fontMetrics().height() + 6;
}

void TReferenceList::SetRowTexts(const QStringList& texts) {
    texts_ = texts.isEmpty() ? QStringList{QString()} : texts;
    anchor_ = ClampRow(anchor_);
    current_ = ClampRow(current_);
    UpdateScrollBar();
    viewport()->update();
}

void TReferenceList::SelectRows(int top, int bottom) {
    anchor_ = ClampRow(top);
    current_ = ClampRow(bottom);
    viewport()->update();
}

int TReferenceList::FirstVisibleRow() const {
    return 1 + verticalScrollBar()->value();
}

QRect TReferenceList::RowRect(int row) const {
    const int width = viewport()->width();
    if (row == 0) return QRect(0, 0, width, HeaderHeight());
    const int top = HeaderHeight() + (row - FirstVisibleRow()) * RowHeight();
    return QRect(0, top, width, RowHeight());
}

int TReferenceList::RowAt(const QPoint& point) const {
    if (point.y() < HeaderHeight()) return 0;
    const int row = FirstVisibleRow() + (point.y() - HeaderHeight()) / RowHeight();
    return row <= RowCount() ? row : -1;
}

void TReferenceList::UpdateScrollBar() {
    const int visible = qMax(1, (viewport()->height() - HeaderHeight()) / RowHeight());
    verticalScrollBar()->setRange(0, qMax(0, RowCount() - visible));
    verticalScrollBar()->setPageStep(visible);
}

void TReferenceList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

void TReferenceList::PaintHeader(QPainter& painter) {
    // The fixed header row and the corner above the number column, raised like buttons.
    QStyleOptionHeader option;
    option.initFrom(this);
    option.state |= QStyle::State_Raised;
    option.rect = QRect(0, 0, kFixedColumnWidth, HeaderHeight());
    style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    option.rect =
        QRect(kFixedColumnWidth, 0, viewport()->width() - kFixedColumnWidth, HeaderHeight());
    style()->drawControl(QStyle::CE_Header, &option, &painter, this);
}

void TReferenceList::PaintRow(QPainter& painter, int row) {
    const QRect rect = RowRect(row);
    QRect cell = rect;
    if (array_) {
        const QRect fixed(rect.left(), rect.top(), kFixedColumnWidth, rect.height());
        painter.fillRect(fixed, palette().button());
        painter.setPen(palette().mid().color());
        painter.drawRect(fixed.adjusted(0, 0, -1, -1));
        painter.setPen(palette().buttonText().color());
        painter.drawText(fixed, Qt::AlignCenter, QString::number(row));
        cell.setLeft(kFixedColumnWidth);
    }
    const bool selected = array_ ? row >= SelectionTop() && row <= SelectionBottom() : hasFocus();
    painter.fillRect(cell, selected ? palette().highlight() : palette().base());
    painter.setPen(palette().mid().color());
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    painter.setPen(selected ? palette().highlightedText().color() : palette().text().color());
    // The text stands 2 pixels below the top of its cell.
    const QRect textRect = cell.adjusted(3, 2, -2, 0);
    painter.drawText(
        textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
        fontMetrics().elidedText(texts_.value(row - 1), Qt::ElideRight, textRect.width()));
}

void TReferenceList::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    for (int row = FirstVisibleRow(); row <= RowCount(); ++row) {
        if (RowRect(row).top() > viewport()->height()) break;
        PaintRow(painter, row);
    }
    if (array_) PaintHeader(painter);
}

void TReferenceList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    const int row = RowAt(event->position().toPoint());
    if (row < 1 || !array_) return;
    if (event->position().x() < kFixedColumnWidth) {
        dragFrom_ = row;  // the selection stays as it is until the move
        return;
    }
    if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = row;
    current_ = row;
    selecting_ = true;
    viewport()->update();
}

void TReferenceList::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_) return QAbstractScrollArea::mouseMoveEvent(event);
    const int row = RowAt(event->position().toPoint());
    if (row >= 1 && row != current_) {
        current_ = row;
        viewport()->update();
    }
}

void TReferenceList::mouseReleaseEvent(QMouseEvent* event) {
    selecting_ = false;
    const int from = dragFrom_;
    dragFrom_ = 0;
    if (from < 1 || event->button() != Qt::LeftButton) return;
    int to = RowAt(event->position().toPoint());
    if (to == 0) to = 1;
    if (to < 0) to = RowCount();
    if (to != from) emit rowMoveRequested(from, to);
}

void TReferenceList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int row = RowAt(event->position().toPoint());
    if (row >= 1) emit rowDoubleClicked(row);
}

void TReferenceList::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuWanted(RowAt(event->pos()), event->globalPos());
}

namespace {

// A reference only points at the dropped elements: the drop is always a copy, so the source
// never takes its elements away afterwards.
void AcceptAsCopy(QDropEvent* event) {
    if (event->possibleActions() & Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

}  // namespace

// --- drops
// ----------------------------------------------------------------------------------------

std::optional<TElementDrag> TReferenceList::AcceptedDrag(const QMimeData* mime) {
    std::optional<TElementDrag> drag = TElementDrag::FromMime(mime);
    // The drag names its library by address; a library closed meanwhile is gone with it.
    if (!drag || !TLibraryDocument::IsOpen(drag->document)) return std::nullopt;
    return drag;
}

QVector<TElement*> TReferenceList::DroppedElements(const TElementDrag& drag) {
    QVector<TElement*> elements;
    for (int i = drag.First(); i <= drag.Last(); ++i) {
        TElement* element = drag.document->ElementAt(static_cast<std::size_t>(drag.group),
                                                     static_cast<std::size_t>(i));
        if (!element) break;  // the source group has fewer elements than the drag says
        elements << element;
    }
    return elements;
}

void TReferenceList::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptedDrag(event->mimeData()))
        AcceptAsCopy(event);
    else
        event->ignore();
}

void TReferenceList::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptedDrag(event->mimeData()))
        AcceptAsCopy(event);
    else
        event->ignore();
}

void TReferenceList::dropEvent(QDropEvent* event) {
    const std::optional<TElementDrag> drag = AcceptedDrag(event->mimeData());
    const QVector<TElement*> elements = drag ? DroppedElements(*drag) : QVector<TElement*>();
    if (elements.isEmpty()) {
        event->ignore();
        return;
    }
    AcceptAsCopy(event);
    emit elementsDropped(elements, RowAt(event->position().toPoint()));
}

}  // namespace tabrix
