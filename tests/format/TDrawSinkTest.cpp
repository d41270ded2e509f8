#include <gtest/gtest.h>

#include "FormatFixture.h"
#include "format/TDrawSink.h"

namespace tabrix {
namespace {

using namespace test;

// Every byte is 10 pixels wide; draws and colour changes are recorded in order.
class FakePainter : public TTextPainter {
public:
    int TextWidth(std::string_view text) override { return 10 * static_cast<int>(text.size()); }
    void DrawText(std::string_view text, const TRect& area) override {
        calls.push_back(TextCodec::ToUtf8(std::string(text)) + "@" + std::to_string(area.left) +
                        "," + std::to_string(area.top) + "/c" + std::to_string(colour));
        EXPECT_EQ(area.right, 104);
        EXPECT_EQ(area.bottom, 54);
    }
    void SetTextColour(std::uint32_t c) override { colour = c; }
    std::vector<std::string> calls;
    std::uint32_t colour = 99;
};

constexpr TRect kCell{0, 0, 108, 58};  // text area 4..104 x 4..54, two lines of 20 and a bit

class DrawSinkTest : public FormatFixture {
protected:
    std::vector<std::string> Draw(const std::string& format, TDrawSink::WrapSwitches switches =
                                                                 TDrawSink::WrapSwitches::kObeyed) {
        TDrawSink draw(painter, kCell, -20, switches);
        TFormatEvaluator evaluator(library, draw, kPurposeDraw);
        draw.Send(kEventBegin, {}, 0);
        if (evaluator.RunTopLevel(&A(0), Compile(format)) == kRunLimitReached) draw.MarkCut();
        return painter.calls;
    }
    FakePainter painter;
};

TEST_F(DrawSinkTest, RepliesFollowThePen) {
    TDrawSink draw(painter, kCell, 20);
    EXPECT_EQ(painter.colour, 0u);  // black to begin with
    EXPECT_EQ(draw.Send(kEventText, "abc", 0), kReplyContinue);
    EXPECT_EQ(draw.X(), 34);
    // Crossing the right edge moves to the next line and, without wrapping, skips the line.
    EXPECT_EQ(draw.Send(kEventText, "0123456789", 0), kReplySkipLine);
    EXPECT_EQ(draw.X(), 4);
    EXPECT_EQ(draw.Y(), 24);
    EXPECT_EQ(draw.Send(kEventSigned, {}, static_cast<std::uint32_t>(-5)), kReplyContinue);
    EXPECT_EQ(painter.calls.back(), "-5@4,24/c0");
    EXPECT_EQ(draw.Send(kEventLineBreak, {}, 0), kReplyContinue);
    EXPECT_EQ(draw.Y(), 44);
    // The next line would start below the bottom edge: stop.
    EXPECT_EQ(draw.Send(kEventLineBreak, {}, 0), kReplyStop);
    EXPECT_EQ(draw.Send(kEventNothing, {}, 0), kReplyContinue);
    EXPECT_EQ(draw.Send(kEventEnd, {}, 0), kReplyStop);
}

TEST_F(DrawSinkTest, WrappingContinuesOnTheNextLine) {
    TDrawSink draw(painter, kCell, 20);
    draw.Send(kEventWordWrap, {}, 0);
    EXPECT_EQ(draw.Send(kEventText, "0123456789", 0), kReplyContinue);
    EXPECT_EQ(draw.Send(kEventText, "0123456789", 0), kReplyContinue);
    EXPECT_EQ(draw.Y(), 44);
    EXPECT_EQ(draw.Send(kEventText, "0123456789", 0), kReplyStop);  // past the bottom
    // Begin turns wrapping off again.
    TDrawSink next(painter, kCell, 20);
    next.Send(kEventWordWrap, {}, 0);
    next.Send(kEventBegin, {}, 0);
    EXPECT_FALSE(next.Wraps());
}

TEST_F(DrawSinkTest, LongTextIsCutAndTheLineSkipped) {
    SetName(A(0), "0123456789AB");
    EXPECT_EQ(Draw("%名称%rest%\\n%2行目"),
              (std::vector<std::string>{"0123456789AB@4,4/c0", "2行目@4,24/c0"}));
}

TEST_F(DrawSinkTest, WrappedFormatDrawsTheRestBelow) {
    SetName(A(0), "0123456789AB");
    EXPECT_EQ(Draw("%WARD_WRAP%%名称%rest"),
              (std::vector<std::string>{"0123456789AB@4,4/c0", "rest@4,24/c0"}));
    painter.calls.clear();
    EXPECT_EQ(Draw("%WARD_WRAP%%名称%rest", TDrawSink::WrapSwitches::kIgnored),
              (std::vector<std::string>{"0123456789AB@4,4/c0"}));
}

TEST_F(DrawSinkTest, ColourLastsToTheEndOfTheCell) {
    EXPECT_EQ(Draw("%COLOR,FF%赤%\\n%黒"),
              (std::vector<std::string>{"赤@4,4/c255", "黒@4,24/c255"}));
}

// A cell whose run was cut by its budget keeps what it drew and shows a red mark after it; at
// the right edge the mark takes the line's last place.
TEST_F(DrawSinkTest, ACutCellShowsWhatItDrewAndAMark) {
    A(0).SetNumbers(kCount, {1});
    EXPECT_EQ(Draw("ab%WHILE,個数%%WEND%"), (std::vector<std::string>{"ab@4,4/c0", "…@24,4/c255"}));
    painter.calls.clear();
    EXPECT_EQ(Draw("%WARD_WRAP%0123456789%WHILE,個数%%WEND%"),
              (std::vector<std::string>{"0123456789@4,4/c0", "…@4,24/c255"}));
}

}  // namespace
}  // namespace tabrix
