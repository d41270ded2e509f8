// The row selection of an element list, the same for the library window's list and the sub
// window's: the current row, the selected block, and selecting a block with a current row.
#pragma once

class QAbstractItemView;
class QTableView;

namespace tabrix {

class TRowSelection {
public:
    // What both element lists are: blocks of whole rows selected, nothing edited in place, one
    // row a scroll step, no horizontal scrolling or word wrap, the mouse tracked for the status
    // texts, their own context menus, light grid lines.
    static void SetUpList(QTableView& view);
    // The current row, or -1.
    static int CurrentRow(const QAbstractItemView& view);
    // The selected rows top..bottom (the current row when none is selected); of rows selected
    // in several blocks, the block of the current row. False when there is neither.
    static bool SelectedRange(const QAbstractItemView& view, int& top, int& bottom);
    // Selects rows first..last (clamped to the list) and makes current the current row, shown in
    // column currentColumn.
    static void SelectRows(QAbstractItemView& view, int first, int last, int current,
                           int currentColumn);
};

}  // namespace tabrix
