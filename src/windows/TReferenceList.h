// The drawn list of the parameter panel that shows element references: one row for a single
// reference; for a reference array a fixed header row, a 16-pixel fixed column with the row
// numbers, one row per reference, range selection and rows moved by dragging the fixed column.
// It only draws and reports; the panel changes the references. It takes drops of elements
// dragged from the sub window's list and refuses every other drag.
#pragma once

#include <QAbstractScrollArea>
#include <QStringList>
#include <QVector>

#include <optional>

class QMimeData;

namespace tabrix {

class TElement;
struct TElementDrag;

class TReferenceList : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kFixedColumnWidth = 16;

    TReferenceList(bool array, QWidget* parent = nullptr);

    bool IsArray() const { return array_; }
    // The text of every row (rows 1..n); at least one row is always shown.
    void SetRowTexts(const QStringList& texts);
    int RowCount() const { return static_cast<int>(texts_.size()); }
    const QStringList& RowTexts() const { return texts_; }

    // The selected rows top..bottom (rows count from 1; row 0 is the header).
    int SelectionTop() const { return qMin(anchor_, current_); }
    int SelectionBottom() const { return qMax(anchor_, current_); }
    void SelectRows(int top, int bottom);

    // The row at a point of the viewport: 0 for the header, -1 below the last row.
    int RowAt(const QPoint& point) const;
    // The rectangle of a row in viewport coordinates (row 0 is the header).
    QRect RowRect(int row) const;
    int RowHeight() const;

signals:
    // A row was dragged by its fixed cell from row `from` onto row `to`; the selection is
    // as it stood before the drag.
    void rowMoveRequested(int from, int to);
    // A double click on row (1 for the single reference).
    void rowDoubleClicked(int row);
    // The context menu is wanted over row at the global position.
    void contextMenuWanted(int row, const QPoint& globalPos);
    // Elements of the sub window were dropped on row (0 the header, -1 below the last row).
    void elementsDropped(const QVector<TElement*>& elements, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The element drag a mime data object carries, when its library is still open.
    static std::optional<TElementDrag> AcceptedDrag(const QMimeData* mime);
    static QVector<TElement*> DroppedElements(const TElementDrag& drag);
    int HeaderHeight() const { return array_ ? RowHeight() : 0; }
    int FirstVisibleRow() const;
    int ClampRow(int row) const { return qBound(1, row, qMax(1, RowCount())); }
    void UpdateScrollBar();
    void PaintHeader(QPainter& painter);
    void PaintRow(QPainter& painter, int row);

    QStringList texts_{QString()};
    bool array_;
    int anchor_ = 1;
    int current_ = 1;
    int dragFrom_ = 0;  // the row being moved by its fixed cell, 0 when none
    bool selecting_ = false;
};

}  // namespace tabrix
