// What the draw sink needs from a window to paint a cell: measuring and drawing text and
// setting the text colour. The editor supplies one over its painter; tests record the calls.
#pragma once

#include <cstdint>
#include <string_view>

namespace tabrix {

struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class TTextPainter {
public:
    virtual ~TTextPainter() = default;
    // The full width of text on one line, tabs expanded.
    virtual int TextWidth(std::string_view text) = 0;
    // Draws text on one line from the top left of area, clipped to area, tabs expanded, ending
    // in an ellipsis when it does not fit.
    virtual void DrawText(std::string_view text, const TRect& area) = 0;
    // Colour with red in the lowest byte, then green, then blue.
    virtual void SetTextColour(std::uint32_t colour) = 0;
};

}  // namespace tabrix
