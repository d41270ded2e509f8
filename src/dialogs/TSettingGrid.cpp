#include "dialogs/TSettingGrid.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIODevice>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>

namespace tabrix {

namespace {

// Only the dialog's own grids read this; the source is compared, never followed.
const QString kMimeType = QStringLiteral("application/x-tabrix-setting-rows");

constexpr int kHandleWidth = 18;

}  // namespace

TSettingGrid::TSettingGrid(const QString& objectName, const QStringList& headers, QWidget* parent)
    : QTableWidget(0, static_cast<int>(headers.size()), parent) {
    setObjectName(objectName);
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    for (int i = 0; i < headers.size(); ++i)
        kinds_ << DragKind::kReorder;
}

void TSettingGrid::SetColumnDrags(const QList<DragKind>& kinds) {
    kinds_ = kinds;
}

void TSettingGrid::SetHandleColumn(int column, const QString& hint) {
    handleColumns_ << column;
    handleHints_ << hint;
    horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
    setColumnWidth(column, kHandleWidth);
    if (QTableWidgetItem* header = horizontalHeaderItem(column)) header->setToolTip(hint);
}

TSettingGrid::DragKind TSettingGrid::KindOf(int column) const {
    return column >= 0 && column < kinds_.size() ? kinds_[column] : DragKind::kNone;
}

void TSettingGrid::SetRows(const QList<QStringList>& rows, const QString& emptyText) {
    const QSignalBlocker block(this);
    clearSpans();
    empty_ = rows.isEmpty();
    setRowCount(empty_ && !emptyText.isEmpty() ? 1 : static_cast<int>(rows.size()));
    if (empty_ && rowCount() > 0) {
        // The placeholder fills the row; it is no entry and cannot be chosen or dragged.
        for (int column = 0; column < columnCount(); ++column)
            setItem(0, column, new QTableWidgetItem);
        item(0, 0)->setText(emptyText);
        for (int column = 0; column < columnCount(); ++column)
            item(0, column)->setFlags(Qt::ItemIsEnabled);
        if (columnCount() > 1) setSpan(0, 0, 1, columnCount());
        return;
    }
    const QBrush shade = palette().button();
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            auto* cell = new QTableWidgetItem(rows[row].value(column));
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
            const qsizetype handle = handleColumns_.indexOf(column);
            if (handle >= 0) {
                cell->setBackground(shade);
                cell->setToolTip(handleHints_[handle]);
            }
            setItem(row, column, cell);
        }
    }
}

QList<int> TSettingGrid::SelectedEntries() const {
    QList<int> rows;
    if (empty_) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TSettingGrid::SelectQuietly(int row) {
    const QSignalBlocker block(this);
    clearSelection();
    if (row < 0 || row >= EntryCount()) {
        setCurrentIndex({});
        return;
    }
    setCurrentCell(row, std::max(columnCount() - 1, 0));
    selectRow(row);
}

QMimeData* TSettingGrid::DragData(int column) const {
    const DragKind kind = KindOf(column);
    QList<int> rows;
    if (kind == DragKind::kExport) rows = SelectedEntries();
    if (kind == DragKind::kReorder && currentRow() >= 0 && currentRow() < EntryCount())
        rows << currentRow();
    if (rows.isEmpty()) return nullptr;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quintptr(this) << static_cast<int>(kind) << rows;
    auto* data = new QMimeData;
    data->setData(kMimeType, bytes);
    return data;
}

bool TSettingGrid::Decode(const QMimeData* data, Drag& drag) {
    if (!data || !data->hasFormat(kMimeType)) return false;
    QDataStream in(data->data(kMimeType));
    quintptr source = 0;
    int kind = 0;
    in >> source >> kind >> drag.rows;
    drag.source = reinterpret_cast<const TSettingGrid*>(source);
    drag.kind = static_cast<DragKind>(kind);
    return in.status() == QDataStream::Ok;
}

bool TSettingGrid::Accepts(const QMimeData* data) const {
    Drag drag;
    if (!Decode(data, drag)) return false;
    if (drag.kind == DragKind::kReorder) return drag.source == this;
    return drag.kind == DragKind::kExport && exportSources_.contains(drag.source);
}

void TSettingGrid::mousePressEvent(QMouseEvent* event) {
    pressColumn_ = columnAt(event->position().toPoint().x());
    QTableWidget::mousePressEvent(event);
}

void TSettingGrid::startDrag(Qt::DropActions) {
    QMimeData* data = DragData(pressColumn_);
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
}

void TSettingGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSettingGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSettingGrid::dropEvent(QDropEvent* event) {
    Drag drag;
    if (!Accepts(event->mimeData()) || !Decode(event->mimeData(), drag)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const int row = rowAt(event->position().toPoint().y());
    // The rows are changed by the dialog after the drag has ended, not under the drag's feet.
    const TSettingGrid* source = drag.source;
    const QList<int> rows = drag.rows;
    const int target = row < EntryCount() ? row : -1;
    QMetaObject::invokeMethod(
        this, [this, source, rows, target] { emit rowsDropped(source, rows, target); },
        Qt::QueuedConnection);
}

}  // namespace tabrix
