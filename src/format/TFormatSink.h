// Where a running format sends what it produces: values, line breaks and drawing switches go
// in as events, and the sink's reply tells the run whether to go on.
#pragma once

#include <cstdint>
#include <string_view>

namespace tabrix {

enum SinkEvent : int {
    kEventUnsigned = 1,
    kEventSigned = 2,
    kEventSignedOther = 3,  // accepted and printed as signed; runs never send it
    kEventText = 4,
    kEventNothing = 6,
    kEventLineBreak = 7,
    kEventColor = 8,
    kEventBegin = 9,  // sent by the caller before a run
    kEventEnd = 10,   // sent by the output caller after a run
    kEventWordWrap = 127,
    kEventNoWrap = 128,
};

enum SinkReply : int {
    kReplyContinue = 0,
    kReplySkipLine = 1,  // skip the rest of the format line
    kReplyStop = 2,
};

class TFormatSink {
public:
    virtual ~TFormatSink() = default;
    // text is valid only during the call.
    virtual int Send(SinkEvent event, std::string_view text, std::uint32_t number) = 0;
};

}  // namespace tabrix
