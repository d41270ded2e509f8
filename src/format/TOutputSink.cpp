#include "format/TOutputSink.h"

#include <charconv>

namespace tabrix {

int TOutputSink::Send(SinkEvent event, std::string_view text, std::uint32_t number) {
    char digits[16];
    switch (event) {
        case kEventUnsigned:
        case kEventSigned:
        case kEventSignedOther: {
            auto [end, error] = event == kEventUnsigned
                                    ? std::to_chars(digits, digits + sizeof digits, number)
                                    : std::to_chars(digits, digits + sizeof digits,
                                                    static_cast<std::int32_t>(number));
            (void)error;
            text_.append(digits, end);
            break;
        }
        case kEventText:
            text_.append(text);
            break;
        case kEventLineBreak:
            EndLine();
            break;
        case kEventBegin:
            text_.resize(LineStart());
            break;
        case kEventEnd:  // the group's last line, even when empty
            EndLine();
            break;
        default:
            break;
    }
    return kReplyContinue;
}

StringList TOutputSink::Lines() const {
    StringList lines;
    lines.reserve(LineCount());
    for (std::size_t i = 0; i < LineCount(); ++i)
        lines.emplace_back(Line(i));
    return lines;
}

void TOutputSink::Clear() {
    text_.clear();
    ends_.clear();
}

}  // namespace tabrix
