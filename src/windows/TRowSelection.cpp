#include "windows/TRowSelection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace tabrix {

void TRowSelection::SetUpList(QTableView& view) {
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ContiguousSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setWordWrap(false);
    view.setMouseTracking(true);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    view.setStyleSheet(QStringLiteral("QTableView { gridline-color: #c0c0c0; }"));
}

int TRowSelection::CurrentRow(const QAbstractItemView& view) {
    const QModelIndex current = view.currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool TRowSelection::SelectedRange(const QAbstractItemView& view, int& top, int& bottom) {
    const QItemSelectionModel* selection = view.selectionModel();
    const QModelIndexList rows = selection ? selection->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) {
        top = bottom = CurrentRow(view);
        return top >= 0;
    }
    top = bottom = rows.first().row();
    for (const QModelIndex& index : rows) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
    }
    if (bottom - top + 1 == static_cast<int>(rows.size())) return true;
    // Rows selected apart (every match of a search): the commands act on one block, the one
    // holding the current row, never on the rows between the blocks nobody selected.
    const int current = CurrentRow(view);
    const int anchor = selection->isRowSelected(current) ? current : top;
    top = bottom = anchor;
    while (top > 0 && selection->isRowSelected(top - 1))
        --top;
    while (selection->isRowSelected(bottom + 1))
        ++bottom;
    return true;
}

void TRowSelection::SelectRows(QAbstractItemView& view, int first, int last, int current,
                               int currentColumn) {
    const QAbstractItemModel* model = view.model();
    const int rows = model ? model->rowCount() : 0;
    if (rows == 0) return;
    first = std::clamp(first, 0, rows - 1);
    last = std::clamp(last, 0, rows - 1);
    current = std::clamp(current, 0, rows - 1);
    const QItemSelection selection(model->index(std::min(first, last), 0),
                                   model->index(std::max(first, last), currentColumn));
    view.selectionModel()->setCurrentIndex(model->index(current, currentColumn),
                                           QItemSelectionModel::NoUpdate);
    view.selectionModel()->select(selection,
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.scrollTo(model->index(current, currentColumn));
}

}  // namespace tabrix
