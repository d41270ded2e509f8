// The sub window's element list: the drag handle (column 0, green) from which elements are
// dragged into other windows, the row handle (column 1, light blue, the row numbers) by which
// rows are reordered, and the element column drawn through the draw format. The list shows
// whichever library the sub window follows, so its model can be exchanged.
#pragma once

#include <QPoint>
#include <QTableView>

namespace tabrix {

class TElementDelegate;
class TElementHeader;
class TElementListModel;

class TSubElementListView : public QTableView {
    Q_OBJECT

public:
    static constexpr int kHeaderHeight = 24;
    static constexpr int kHandleWidth = 16;
    static constexpr int kDragColumn = 0;
    static constexpr int kRowColumn = 1;
    static constexpr int kElementColumn = 2;

    explicit TSubElementListView(QWidget* parent = nullptr);

    // Shows model through delegate (both owned elsewhere); none shows nothing.
    void SetModel(TElementListModel* model, TElementDelegate* delegate);
    TElementListModel* ListModel() const { return model_; }
    void SetRowHeight(int height);

    // As the library window's list: the selected rows (the current row alone when nothing is
    // selected), selecting a range, the current row and the row under the mouse.
    bool SelectedRange(int& top, int& bottom) const;
    void SelectRows(int first, int last, int current);
    int CurrentRow() const;
    int MouseRow() const { return mouseRow_; }

signals:
    // A row handle dragged from row from onto row to, with the selection before the drag.
    void rowMoveRequested(int from, int to, int selectionTop, int selectionBottom);
    // The mouse is over a cell: row 0 the header row, rows 1.. the element rows; -1, -1
    // outside the cells.
    void cellHovered(int row, int column);
    // The header cell of the element column was pressed: the sort is asked for.
    void sortRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void StartDrag();
    void UpdateColumnWidths();

    TElementHeader* headerRow_;
    TElementListModel* model_ = nullptr;
    int mouseRow_ = -1;
    int dragStart_ = -1;  // the element row where a drag to other windows may begin
    QPoint pressPosition_;
    int moveFrom_ = -1;  // the row whose handle is being dragged
};

}  // namespace tabrix
