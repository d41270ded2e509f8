// Paints one cell of an element grid from the events of a draw run: values are drawn from the
// pen to the right, a line that reaches the right edge is cut (or wrapped after "WARD_WRAP"),
// and the run is stopped once the pen leaves the bottom of the cell.
#pragma once

#include <cstdint>
#include <string_view>

#include "format/TFormatSink.h"
#include "format/TTextPainter.h"

namespace tabrix {

class TDrawSink : public TFormatSink {
public:
    // The sub window ignores the wrap switches, so its lines are always cut.
    enum class WrapSwitches { kObeyed, kIgnored };

    // Prepares the cell: the text rectangle is the cell shrunk by 4 pixels on each side, the
    // pen at its top left, the text colour black.
    TDrawSink(TTextPainter& painter, const TRect& cell, int lineHeight,
              WrapSwitches switches = WrapSwitches::kObeyed);

    int Send(SinkEvent event, std::string_view text, std::uint32_t number) override;
    // Marks a cell whose run was cut short by its budget: a red "…" at the pen, after what
    // was drawn, so that a cut cell is never taken for a whole one.
    void MarkCut();

    const TRect& TextRect() const { return rect_; }
    int X() const { return x_; }
    int Y() const { return y_; }
    bool Wraps() const { return wrap_; }

private:
    static constexpr int kInset = 4;

    int DrawValue(std::string_view text);
    int NextLine();

    TTextPainter& painter_;
    TRect rect_;
    int lineHeight_;
    int x_;
    int y_;
    bool wrap_ = false;
    bool obeyWrapSwitches_;
};

}  // namespace tabrix
