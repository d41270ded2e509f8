#include "windows/TSubElementListView.h"

#include "windows/TRowSelection.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>

#include "windows/TElementDelegate.h"
#include "windows/TElementDrag.h"
#include "windows/TElementHeader.h"
#include "windows/TElementListModel.h"

namespace tabrix {

TSubElementListView::TSubElementListView(QWidget* parent)
    : QTableView(parent), headerRow_(new TElementHeader(Qt::Horizontal, this)) {
    setHorizontalHeader(headerRow_);
    verticalHeader()->hide();
    TRowSelection::SetUpList(*this);
    setCornerButtonEnabled(false);
    headerRow_->setFixedHeight(kHeaderHeight);
    headerRow_->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    SetRowHeight(24);
    connect(headerRow_, &TElementHeader::hovered, this,
            [this](int section) { emit cellHovered(section < 0 ? -1 : 0, section); });
    connect(headerRow_, &TElementHeader::sectionPressedAt, this, [this](int section) {
        if (section == kElementColumn) emit sortRequested();
    });
}

void TSubElementListView::SetModel(TElementListModel* model, TElementDelegate* delegate) {
    model_ = model;
    setModel(model);
    if (delegate) setItemDelegate(delegate);
    if (!model) return;
    connect(model, &QAbstractItemModel::modelReset, this, &TSubElementListView::UpdateColumnWidths);
    UpdateColumnWidths();
}

void TSubElementListView::UpdateColumnWidths() {
    if (!model_) return;
    headerRow_->setSectionResizeMode(kDragColumn, QHeaderView::Fixed);
    headerRow_->setSectionResizeMode(kRowColumn, QHeaderView::Fixed);
    headerRow_->setSectionResizeMode(kElementColumn, QHeaderView::Stretch);
    headerRow_->resizeSection(kDragColumn, kHandleWidth);
    // The row numbers stay readable however long the group.
    const int digits = fontMetrics().horizontalAdvance(QString::number(model_->rowCount()));
    headerRow_->resizeSection(kRowColumn, std::max(kHandleWidth, digits + 6));
}

void TSubElementListView::SetRowHeight(int height) {
    verticalHeader()->setDefaultSectionSize(std::max(height, 1));
}

int TSubElementListView::CurrentRow() const {
    return TRowSelection::CurrentRow(*this);
}

bool TSubElementListView::SelectedRange(int& top, int& bottom) const {
    return TRowSelection::SelectedRange(*this, top, bottom);
}

void TSubElementListView::SelectRows(int first, int last, int current) {
    TRowSelection::SelectRows(*this, first, last, current, kElementColumn);
}

void TSubElementListView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    dragStart_ = moveFrom_ = -1;
    if (model_ && index.isValid() && event->button() == Qt::LeftButton) {
        // The handles never change the selection: it is what a drag or a row move carries.
        if (index.column() == kDragColumn) {
            if (model_->ElementCount() > 0) {
                dragStart_ = index.row();
                pressPosition_ = event->position().toPoint();
            }
            event->accept();
            return;
        }
        if (index.column() == kRowColumn) {
            moveFrom_ = index.row();
            setCursor(Qt::SizeVerCursor);
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void TSubElementListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    mouseRow_ = index.isValid() ? index.row() : -1;
    if (index.isValid())
        emit cellHovered(index.row() + 1, index.column());
    else
        emit cellHovered(-1, -1);
    if (dragStart_ >= 0 && (event->buttons() & Qt::LeftButton)) {
        if ((position - pressPosition_).manhattanLength() >= QApplication::startDragDistance())
            StartDrag();
        event->accept();
        return;
    }
    if (moveFrom_ >= 0) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TSubElementListView::mouseReleaseEvent(QMouseEvent* event) {
    dragStart_ = -1;
    if (moveFrom_ < 0 || !model_) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    unsetCursor();
    const int from = moveFrom_;
    moveFrom_ = -1;
    const int y = event->position().toPoint().y();
    int to = rowAt(y);
    if (to < 0) to = y < 0 ? std::max(rowAt(0), 0) : model_->rowCount() - 1;
    if (to == from || model_->ElementCount() == 0) {
        // A click on the row handle selects the row as a click on the element does.
        SelectRows(from, from, from);
    } else {
        int top = -1, bottom = -1;
        if (!SelectedRange(top, bottom)) top = bottom = -1;
        emit rowMoveRequested(from, to, top, bottom);
    }
    event->accept();
}

void TSubElementListView::leaveEvent(QEvent* event) {
    emit cellHovered(-1, -1);
    QTableView::leaveEvent(event);
}

void TSubElementListView::StartDrag() {
    TElementDrag carried;
    carried.document = &model_->Document();
    carried.group = static_cast<int>(model_->Group());
    carried.start = dragStart_;
    if (!SelectedRange(carried.top, carried.bottom)) carried.top = carried.bottom = dragStart_;
    dragStart_ = -1;
    auto* drag = new QDrag(this);
    drag->setMimeData(carried.ToMime());
    // The drop target does the copy or the move; the source has nothing left to do.
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

}  // namespace tabrix
