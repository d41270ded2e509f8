#include "windows/TElementListModel.h"

#include <QColor>

#include "windows/TLibraryDocument.h"

namespace tabrix {

TElementListModel::TElementListModel(TLibraryDocument& document, QObject* parent, int handleColumns)
    : QAbstractTableModel(parent), document_(document), handleColumns_(handleColumns) {
    connect(&document_, &TLibraryDocument::rowsChanged, this, &TElementListModel::OnRowsChanged);
    connect(&document_, &TLibraryDocument::elementsChanged, this,
            &TElementListModel::OnElementsChanged);
    connect(&document_, &TLibraryDocument::groupsChanged, this,
            &TElementListModel::OnGroupsChanged);
}

void TElementListModel::SetGroup(std::size_t group) {
    beginResetModel();
    group_ = group;
    endResetModel();
}

std::size_t TElementListModel::ElementCount() const {
    return document_.ElementCount(group_);
}

TElement* TElementListModel::ElementAt(int row) const {
    return row < 0 ? nullptr : document_.ElementAt(group_, static_cast<std::size_t>(row));
}

int TElementListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const std::size_t n = ElementCount();
    return n == 0 ? 1 : static_cast<int>(n);
}

int TElementListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : handleColumns_ + 1;
}

QVariant TElementListModel::data(const QModelIndex& index, int role) const {
    // Element cells have no text of their own: the delegate draws them through the format.
    if (role == Qt::DisplayRole && index.isValid() && index.column() == handleColumns_ &&
        ElementCount() == 0)
        return QStringLiteral("＜要素無し＞");
    return {};
}

QVariant TElementListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::BackgroundRole && section < handleColumns_)
        return QColor::fromRgb(section + 1 == handleColumns_ ? kGroupHeaderColour
                                                             : kDragHeaderColour);
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section == handleColumns_ ? QStringLiteral("ソート") : QString();
    return QString::number(section + 1);
}

void TElementListModel::OnRowsChanged(int group) {
    if (group < 0 || static_cast<std::size_t>(group) != group_) return;
    beginResetModel();
    endResetModel();
}

void TElementListModel::OnElementsChanged(int group, int first, int last) {
    if (group < 0 || static_cast<std::size_t>(group) != group_) return;
    emit dataChanged(index(first, 0), index(last, handleColumns_));
}

void TElementListModel::OnGroupsChanged() {
    beginResetModel();
    endResetModel();
}

}  // namespace tabrix
