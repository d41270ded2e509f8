// The rows of an element list: the elements of one group of a library, read straight from the
// model (nothing is copied), or one row for a group without elements. The element cells are
// painted by TElementDelegate through the library's draw format; the model only counts rows.
#pragma once

#include <QAbstractTableModel>

#include <cstddef>

namespace tabrix {

class TElement;
class TLibraryDocument;

class TElementListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Header colours of the handle columns: the one next to the elements opens the processing
    // of the whole group (orange, as the library window's corner cell), the drag handle's is
    // plain.
    static constexpr unsigned kGroupHeaderColour = 0xFF9040;
    static constexpr unsigned kDragHeaderColour = 0xD4D0C8;

    // handleColumns: columns before the element column (the sub window's list has two: the
    // drag handle and the row handle); the library window's list has none, its handle column
    // is the vertical header.
    explicit TElementListModel(TLibraryDocument& document, QObject* parent = nullptr,
                               int handleColumns = 0);

    // The group shown; an index naming no group shows the empty row.
    void SetGroup(std::size_t group);
    std::size_t Group() const { return group_; }
    // Elements of the group (0 for an empty group, which still shows one row).
    std::size_t ElementCount() const;
    // The element of row, or none (the empty row).
    TElement* ElementAt(int row) const;
    TLibraryDocument& Document() const { return document_; }
    int ElementColumn() const { return handleColumns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void OnRowsChanged(int group);
    void OnElementsChanged(int group, int first, int last);
    void OnGroupsChanged();

    TLibraryDocument& document_;
    std::size_t group_ = 0;
    int handleColumns_ = 0;
};

}  // namespace tabrix
