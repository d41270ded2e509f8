#include "windows/TElementListView.h"

#include "windows/TRowSelection.h"

#include <QAbstractButton>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "windows/TEdgePainter.h"
#include "windows/TElementDelegate.h"
#include "windows/TElementDrag.h"
#include "windows/TElementHeader.h"
#include "windows/TElementListModel.h"
#include "windows/TLibraryDocument.h"

namespace tabrix {

TElementListView::TElementListView(TElementListModel& model, TElementDelegate& delegate,
                                   QWidget* parent)
    : QTableView(parent),
      model_(model),
      delegate_(delegate),
      headerRow_(new TElementHeader(Qt::Horizontal, this)),
      handleColumn_(new TElementHeader(Qt::Vertical, this)) {
    setHorizontalHeader(headerRow_);
    setVerticalHeader(handleColumn_);
    setModel(&model_);
    setItemDelegate(&delegate_);
    TRowSelection::SetUpList(*this);

    headerRow_->setSectionResizeMode(QHeaderView::Stretch);
    headerRow_->setFixedHeight(kHeaderHeight);
    handleColumn_->setSectionResizeMode(QHeaderView::Fixed);
    handleColumn_->setMinimumSectionSize(1);
    SetRowHeight(24);

    // The corner cell is Qt's own button; it is painted as the orange header cell.
    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->installEventFilter(this);
        corner->setMouseTracking(true);
    }
    connect(handleColumn_, &TElementHeader::rowDragged, this, [this](int from, int to) {
        int top = -1, bottom = -1;
        if (!SelectedRange(top, bottom)) top = bottom = -1;
        emit rowMoveRequested(from, to, top, bottom);
    });
    connect(handleColumn_, &TElementHeader::hovered, this, [this](int section) {
        mouseRow_ = section;
        if (section < 0)
            emit cellHovered(-1, -1);
        else
            emit cellHovered(section + 1, 0);
    });
    connect(headerRow_, &TElementHeader::hovered, this, [this](int section) {
        if (section < 0)
            emit cellHovered(-1, -1);
        else
            emit cellHovered(0, 1);
    });
    connect(headerRow_, &TElementHeader::sectionPressedAt, this, &TElementListView::sortRequested);
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this,
            &TElementListView::RememberSelection);
    connect(&model_, &QAbstractItemModel::modelReset, this, &TElementListView::RestoreSelection);
    UpdateHandleWidth();
}

void TElementListView::SetRowHeight(int height) {
    handleColumn_->setDefaultSectionSize(std::max(height, 1));
}

bool TElementListView::Accepts(int row) {
    return !filter_ || filter_(row);
}

int TElementListView::CurrentRow() const {
    return TRowSelection::CurrentRow(*this);
}

bool TElementListView::SelectedRange(int& top, int& bottom) const {
    return TRowSelection::SelectedRange(*this, top, bottom);
}

void TElementListView::SelectRows(int first, int last, int current) {
    TRowSelection::SelectRows(*this, first, last, current, 0);
}

int TElementListView::TopRow() const {
    return std::max(rowAt(0), 0);
}

void TElementListView::SetTopRow(int row) {
    verticalScrollBar()->setValue(row);
}

QModelIndex TElementListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // One column: Home and End go to the first and the last element, as in any list.
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    if (next.isValid() && next.row() != CurrentRow() && !Accepts(next.row())) return currentIndex();
    return next;
}

void TElementListView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.row() != CurrentRow() && !Accepts(index.row())) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TElementListView::mouseMoveEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    mouseRow_ = index.isValid() ? index.row() : -1;
    if (index.isValid())
        emit cellHovered(index.row() + 1, 1);
    else
        emit cellHovered(-1, -1);
    // Dragging a range moves the current row too: it may be refused like a click.
    if ((event->buttons() & Qt::LeftButton) && index.isValid() && index.row() != CurrentRow() &&
        !Accepts(index.row())) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TElementListView::leaveEvent(QEvent* event) {
    emit cellHovered(-1, -1);
    QTableView::leaveEvent(event);
}

void TElementListView::SetDropTarget(std::function<void(const TElementDrag&, int row)> drop) {
    drop_ = std::move(drop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The header row takes a drop as "append"; the handle column as its row.
    headerRow_->setAcceptDrops(true);
    handleColumn_->setAcceptDrops(true);
    headerRow_->installEventFilter(this);
    handleColumn_->installEventFilter(this);
    if (auto* corner = findChild<QAbstractButton*>()) corner->setAcceptDrops(true);
}

int TElementListView::RowAtViewportY(int y) const {
    const int row = rowAt(y);
    return row >= 0 ? row : model_.rowCount();
}

bool TElementListView::HandleDrag(QEvent* event, int row) {
    auto* drop = static_cast<QDropEvent*>(event);
    const std::optional<TElementDrag> drag = TElementDrag::FromMime(drop->mimeData());
    // A drag whose library closed meanwhile has nothing left to drop.
    if (!drop_ || !drag || !TLibraryDocument::IsOpen(drag->document)) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) drop_(*drag, row);
    return true;
}

void TElementListView::dragEnterEvent(QDragEnterEvent* event) {
    HandleDrag(event, RowAtViewportY(event->position().toPoint().y()));
}

void TElementListView::dragMoveEvent(QDragMoveEvent* event) {
    HandleDrag(event, RowAtViewportY(event->position().toPoint().y()));
}

void TElementListView::dropEvent(QDropEvent* event) {
    HandleDrag(event, RowAtViewportY(event->position().toPoint().y()));
}

bool TElementListView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool dragging =
        type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
    if (dragging && drop_) {
        if (watched == handleColumn_) {
            const int y = static_cast<QDropEvent*>(event)->position().toPoint().y();
            const int row = handleColumn_->logicalIndexAt(y);
            return HandleDrag(event, row >= 0 ? row : model_.rowCount());
        }
        if (watched == headerRow_ || qobject_cast<QAbstractButton*>(watched))
            return HandleDrag(event, -1);
    }
    auto* corner = qobject_cast<QAbstractButton*>(watched);
    if (!corner) return QTableView::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Paint: {
            QPainter painter(corner);
            painter.fillRect(corner->rect(), QColor::fromRgb(TElementHeader::kCornerColour));
            TEdgePainter::Draw(painter, corner->rect(), TEdgePainter::Edge::kRaised);
            return true;
        }
        case QEvent::Enter:
        case QEvent::MouseMove:
            emit cellHovered(0, 0);
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            // Not "select all": this cell will open the processing screen of the whole group.
            return true;
        default:
            return false;
    }
}

void TElementListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
}

void TElementListView::RememberSelection() {
    keptCurrent_ = CurrentRow();
    if (!SelectedRange(keptTop_, keptBottom_)) keptTop_ = keptBottom_ = -1;
}

void TElementListView::RestoreSelection() {
    UpdateHandleWidth();
    if (keptCurrent_ < 0) return;
    SelectRows(keptTop_ < 0 ? keptCurrent_ : keptTop_, keptBottom_ < 0 ? keptCurrent_ : keptBottom_,
               keptCurrent_);
}

void TElementListView::UpdateHandleWidth() {
    // Wide enough for the greatest row number, however long the group.
    const int digits = fontMetrics().horizontalAdvance(QString::number(model_.rowCount()));
    handleColumn_->setFixedWidth(std::max(kHandleWidth, digits + 8));
}

}  // namespace tabrix
