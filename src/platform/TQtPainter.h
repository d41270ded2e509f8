// The draw sink's painter over a QPainter: CP932 text measured and drawn in the painter's
// font, clipped to the cell, tabs expanded, cut with an ellipsis when it does not fit.
#pragma once

#include <QPainter>

#include "format/TTextPainter.h"

namespace tabrix {

class TQtPainter : public TTextPainter {
public:
    explicit TQtPainter(QPainter& painter) : painter_(painter) {}

    int TextWidth(std::string_view text) override;
    void DrawText(std::string_view text, const TRect& area) override;
    void SetTextColour(std::uint32_t colour) override;

    // A model colour (red in the lowest byte) as a QColor, and back.
    static QColor ToQColor(std::uint32_t colour);
    static std::uint32_t FromQColor(const QColor& colour);

private:
    QPainter& painter_;
};

}  // namespace tabrix
