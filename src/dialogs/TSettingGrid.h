// A grid of the group settings dialog: a header row, one row per entry of a working-copy list
// (or one row of placeholder text when the list is empty), and rows dragged either within the
// grid to reorder them or onto another grid of the dialog. The grid moves nothing itself: it
// reports each drop, the dialog changes its working copy and fills the grids again, so what a
// grid shows is always what OK would commit.
#pragma once

#include <QList>
#include <QStringList>
#include <QTableWidget>

class QMimeData;

namespace tabrix {

class TSettingGrid : public QTableWidget {
    Q_OBJECT

public:
    // What a drag begun in a column does.
    enum class DragKind { kNone, kReorder, kExport };

    TSettingGrid(const QString& objectName, const QStringList& headers, QWidget* parent = nullptr);

    // The drag kind of each column (all columns reorder unless told otherwise).
    void SetColumnDrags(const QList<DragKind>& kinds);
    // Exports of source may be dropped here.
    void AcceptExportsFrom(const TSettingGrid* source) { exportSources_ << source; }
    // Shaded narrow columns at the left that carry a hint instead of text.
    void SetHandleColumn(int column, const QString& hint);

    // Fills the rows; with none, one unselectable row reads emptyText (no row when it is empty).
    void SetRows(const QList<QStringList>& rows, const QString& emptyText);
    // The number of entries shown (the placeholder row is none).
    int EntryCount() const { return empty_ ? 0 : rowCount(); }
    // The selected entries, ascending.
    QList<int> SelectedEntries() const;
    // Makes row the current and only selected entry (none: -1) without reporting it.
    void SelectQuietly(int row);

    // The data a drag begun in column carries: the selected entries for an export, the current
    // one for a reorder; null when the column starts no drag or nothing is selected.
    QMimeData* DragData(int column) const;

signals:
    // Entries rows of source were dropped on row (-1 below the last row).
    void rowsDropped(const TSettingGrid* source, const QList<int>& rows, int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Drag {
        const TSettingGrid* source = nullptr;
        DragKind kind = DragKind::kNone;
        QList<int> rows;
    };
    static bool Decode(const QMimeData* data, Drag& drag);
    bool Accepts(const QMimeData* data) const;
    DragKind KindOf(int column) const;

    QList<DragKind> kinds_;
    QList<const TSettingGrid*> exportSources_;
    QList<int> handleColumns_;
    QStringList handleHints_;
    int pressColumn_ = -1;
    bool empty_ = false;
};

}  // namespace tabrix
