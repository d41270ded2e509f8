// Paints the element cells of a library window's list: white, framed when selected or current,
// and filled by running the library's common draw format for the element into a draw sink on
// the cell's painter. Only the cells Qt asks for are painted, so a group of a million elements
// costs no more per screen than one of ten.
#pragma once

#include <QFont>
#include <QStyledItemDelegate>

#include "format/TDrawSink.h"

namespace tabrix {

class TZQLCtrl;

class TElementDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // Colours of the sub window's handle columns: the drag handle and the row handle.
    static constexpr unsigned kDragHandleColour = 0x40C070;
    static constexpr unsigned kRowHandleColour = 0xA0C0FF;

    // switches: the sub window ignores the format's wrap switches, so its lines are always cut.
    explicit TElementDelegate(const TZQLCtrl& library, QObject* parent = nullptr,
                              TDrawSink::WrapSwitches switches = TDrawSink::WrapSwitches::kObeyed);

    // The list font from the parameter file: name, size in points, style bits (1 bold,
    // 2 italic, 4 underline, 8 strikeout).
    void SetFont(const QFont& font);
    const QFont& Font() const { return font_; }
    // A font as the parameter file describes it.
    static QFont FontFor(const TZQLCtrl& library);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Cells are edited in the panel, never in place.
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return nullptr;
    }

private:
    void PaintElement(QPainter& painter, const QRect& cell, int group, int row) const;
    void PaintHandle(QPainter& painter, const QRect& cell, bool dragHandle, int row) const;

    const TZQLCtrl& library_;
    QFont font_;
    int lineHeight_ = 12;
    TDrawSink::WrapSwitches switches_;
};

}  // namespace tabrix
