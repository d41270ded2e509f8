#include "windows/TEdgePainter.h"

#include <QPainter>

namespace tabrix {

namespace {

constexpr unsigned kLight = 0xE3E3E3;
constexpr unsigned kHighlight = 0xFFFFFF;
constexpr unsigned kShadow = 0xA0A0A0;
constexpr unsigned kDarkShadow = 0x696969;

}  // namespace

void TEdgePainter::Ring(QPainter& painter, const QRect& rect, unsigned topLeft,
                        unsigned bottomRight) {
    if (rect.width() < 2 || rect.height() < 2) return;
    painter.setPen(QColor::fromRgb(topLeft));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(QColor::fromRgb(bottomRight));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void TEdgePainter::Draw(QPainter& painter, const QRect& rect, Edge edge) {
    painter.save();
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    switch (edge) {
        case Edge::kRaised:
            Ring(painter, rect, kLight, kDarkShadow);
            Ring(painter, inner, kHighlight, kShadow);
            break;
        case Edge::kBump:
            Ring(painter, rect, kLight, kDarkShadow);
            Ring(painter, inner, kDarkShadow, kLight);
            break;
        case Edge::kSoftSunken:
            Ring(painter, rect, kShadow, kHighlight);
            Ring(painter, inner, kDarkShadow, kLight);
            break;
        case Edge::kSoftBump:
            Ring(painter, rect, kHighlight, kShadow);
            Ring(painter, inner, kShadow, kHighlight);
            break;
    }
    painter.restore();
}

}  // namespace tabrix
