// The element list of a library window: the header row, the handle column and one drawn row
// per element of the shown group, all rows as high as the parameter file says. The selection is
// one range of rows; moving the current row can be refused (the pending-change query), and a
// row dragged by its handle is reported for the window to move.
#pragma once

#include <QTableView>

#include <functional>

namespace tabrix {

struct TElementDrag;
class TElementDelegate;
class TElementHeader;
class TElementListModel;

class TElementListView : public QTableView {
    Q_OBJECT

public:
    static constexpr int kHeaderHeight = 24;
    static constexpr int kHandleWidth = 16;

    TElementListView(TElementListModel& model, TElementDelegate& delegate,
                     QWidget* parent = nullptr);

    TElementListModel& ListModel() const { return model_; }
    TElementDelegate& Delegate() const { return delegate_; }

    void SetRowHeight(int height);
    // Asked before the current row moves to row; false keeps it where it is.
    void SetRowChangeFilter(std::function<bool(int row)> filter) { filter_ = std::move(filter); }

    // The selected rows top..bottom (the current row alone when nothing is selected); false
    // when there is no current row either.
    bool SelectedRange(int& top, int& bottom) const;
    // Selects rows first..last and makes current the current row, without asking the filter.
    void SelectRows(int first, int last, int current);
    int CurrentRow() const;
    // The model row under the mouse at its last move over the list (-1: none).
    int MouseRow() const { return mouseRow_; }
    // The row at the top of the visible part.
    int TopRow() const;
    void SetTopRow(int row);

    // Makes the list a drop target for elements dragged from the sub window (no other drag is
    // accepted). drop gets the model row under the mouse, -1 for the header row, the row count
    // below the last row.
    void SetDropTarget(std::function<void(const TElementDrag&, int row)> drop);

signals:
    // A handle dragged from row from onto row to, with the selection before the drag.
    void rowMoveRequested(int from, int to, int selectionTop, int selectionBottom);
    // The mouse moved over a cell: row 0 is the header row, rows 1.. the element rows;
    // column 0 the handle column. -1, -1 outside the cells.
    void cellHovered(int row, int column);
    // The header cell of the element column was pressed: the sort is asked for.
    void sortRequested();

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool Accepts(int row);
    // Accepts or refuses a drag over the list; on a drop, hands it to the drop target.
    bool HandleDrag(QEvent* event, int row);
    int RowAtViewportY(int y) const;
    void RememberSelection();
    void RestoreSelection();
    void UpdateHandleWidth();

    TElementListModel& model_;
    TElementDelegate& delegate_;
    TElementHeader* headerRow_;
    TElementHeader* handleColumn_;
    std::function<bool(int)> filter_;
    std::function<void(const TElementDrag&, int)> drop_;
    int mouseRow_ = -1;
    int keptCurrent_ = -1;
    int keptTop_ = -1;
    int keptBottom_ = -1;
};

}  // namespace tabrix
