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
            current_.append(digits, end);
            break;
        }
        case kEventText:
            current_.append(text);
            break;
        case kEventLineBreak:
            lines_.push_back(std::move(current_));
            current_.clear();
            break;
        case kEventBegin:
            current_.clear();
            break;
        case kEventEnd:  // the group's last line, even when empty
            lines_.push_back(std::move(current_));
            current_.clear();
            break;
        default:
            break;
    }
    return kReplyContinue;
}

void TOutputSink::Clear() {
    current_.clear();
    lines_.clear();
}

}  // namespace tabrix
