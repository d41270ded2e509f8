// The fixed row and the fixed column of an element list. The header row is light yellow with
// "ソート" on a raised edge; the handle column is light blue with the row numbers, and dragging
// a row by it reports a row move (from, to) without touching the selection, which decides what
// moves.
#pragma once

#include <QHeaderView>

namespace tabrix {

class TElementHeader : public QHeaderView {
    Q_OBJECT

public:
    static constexpr unsigned kHeaderColour = 0xFFFF80;
    static constexpr unsigned kHandleColour = 0xA0C0FF;
    static constexpr unsigned kCornerColour = 0xFF9040;

    explicit TElementHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

signals:
    // A handle dragged from row from and released over row to (model rows).
    void rowDragged(int from, int to);
    // The mouse is over section (-1: over no section).
    void hovered(int section);
    // The left button went down on section of the header row.
    void sectionPressedAt(int section);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The section under y, the last one below the end, the first above the top.
    int SectionAtClamped(int y) const;

    int dragFrom_ = -1;
};

}  // namespace tabrix
