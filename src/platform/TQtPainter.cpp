#include "platform/TQtPainter.h"

#include <QFontMetrics>

#include "platform/QtText.h"

namespace tabrix {

namespace {

// The text as drawn: a tab stands for four blanks, the same when measuring and drawing.
QString Shown(std::string_view text) {
    QString shown = QtText::FromCp932(text);
    shown.replace(QLatin1Char('\t'), QStringLiteral("    "));
    return shown;
}

}  // namespace

int TQtPainter::TextWidth(std::string_view text) {
    if (text.empty()) return 0;
    return QFontMetrics(painter_.font()).horizontalAdvance(Shown(text));
}

void TQtPainter::DrawText(std::string_view text, const TRect& area) {
    if (text.empty() || area.right <= area.left || area.bottom <= area.top) return;
    const QRect rect(area.left, area.top, area.right - area.left, area.bottom - area.top);
    QString shown = Shown(text);
    const QFontMetrics metrics(painter_.font());
    if (metrics.horizontalAdvance(shown) > rect.width())
        shown = metrics.elidedText(shown, Qt::ElideRight, rect.width());
    painter_.save();
    painter_.setClipRect(rect, Qt::IntersectClip);
    painter_.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter_.restore();
}

void TQtPainter::SetTextColour(std::uint32_t colour) {
    painter_.setPen(ToQColor(colour));
}

QColor TQtPainter::ToQColor(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

std::uint32_t TQtPainter::FromQColor(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

}  // namespace tabrix
