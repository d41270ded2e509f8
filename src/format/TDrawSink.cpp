#include "format/TDrawSink.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace tabrix {

TDrawSink::TDrawSink(TTextPainter& painter, const TRect& cell, int lineHeight,
                     WrapSwitches switches)
    : painter_(painter),
      rect_{cell.left + kInset, cell.top + kInset, cell.right - kInset, cell.bottom - kInset},
      lineHeight_(std::abs(lineHeight)),
      x_(rect_.left),
      y_(rect_.top),
      obeyWrapSwitches_(switches == WrapSwitches::kObeyed) {
    painter_.SetTextColour(0);
}

int TDrawSink::Send(SinkEvent event, std::string_view text, std::uint32_t number) {
    char digits[16];
    switch (event) {
        case kEventBegin:
            wrap_ = false;
            return kReplyContinue;
        case kEventUnsigned:
        case kEventSigned:
        case kEventSignedOther: {
            auto [end, error] = event == kEventUnsigned
                                    ? std::to_chars(digits, digits + sizeof digits, number)
                                    : std::to_chars(digits, digits + sizeof digits,
                                                    static_cast<std::int32_t>(number));
            (void)error;
            return DrawValue(std::string_view(digits, static_cast<std::size_t>(end - digits)));
        }
        case kEventText:
            return DrawValue(text);
        case kEventLineBreak:
            return NextLine();
        case kEventColor:
            painter_.SetTextColour(number);
            return kReplyContinue;
        case kEventWordWrap:
            if (obeyWrapSwitches_) wrap_ = true;
            return kReplyContinue;
        case kEventNoWrap:
            if (obeyWrapSwitches_) wrap_ = false;
            return kReplyContinue;
        case kEventNothing:
            return kReplyContinue;
        default:
            return kReplyStop;
    }
}

// A value is never continued on the next line: the one that crosses the right edge ends there
// with an ellipsis, and the rest of the format line is skipped unless wrapping is on.
int TDrawSink::DrawValue(std::string_view text) {
    painter_.DrawText(text, TRect{x_, y_, rect_.right, rect_.bottom});
    x_ += painter_.TextWidth(text);
    if (x_ < rect_.right) return y_ < rect_.bottom ? kReplyContinue : kReplyStop;
    y_ += lineHeight_;
    if (y_ >= rect_.bottom) return kReplyStop;
    x_ = rect_.left;
    return wrap_ ? kReplyContinue : kReplySkipLine;
}

void TDrawSink::MarkCut() {
    static constexpr std::uint32_t kRed = 0x0000FF;
    static constexpr std::string_view kMark = "\x81\x63";  // "…" in CP932
    painter_.SetTextColour(kRed);
    const int width = painter_.TextWidth(kMark);
    // A pen at the right edge leaves no room: the mark then takes the line's last place.
    const int x = std::max(rect_.left, std::min(x_, rect_.right - width));
    painter_.DrawText(kMark, TRect{x, std::min(y_, rect_.bottom), rect_.right, rect_.bottom});
}

int TDrawSink::NextLine() {
    y_ += lineHeight_;
    if (y_ >= rect_.bottom) return kReplyStop;
    x_ = rect_.left;
    return kReplyContinue;
}

}  // namespace tabrix
