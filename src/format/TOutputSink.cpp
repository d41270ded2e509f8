#include "format/TOutputSink.h"

#include <charconv>

namespace tabrix {

int TOutputSink::Send(SinkEvent event, std::string_view text, std::uint32_t number) {
    if (full_) return kReplyStop;
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
            const auto size = static_cast<std::size_t>(end - digits);
            if (!Fits(size, 0)) return kReplyStop;
            text_.append(digits, size);
            break;
        }
        case kEventText:
            if (!Fits(text.size(), 0)) return kReplyStop;
            text_.append(text);
            break;
        case kEventLineBreak:
        case kEventEnd:  // the group's last line, even when empty
            if (!Fits(0, 1)) return kReplyStop;
            EndLine();
            break;
        case kEventBegin:
            text_.resize(LineStart());
            break;
        default:
            break;
    }
    return kReplyContinue;
}

// The file holds the finished lines with a line end between each two of them.
bool TOutputSink::Fits(std::size_t bytes, std::size_t lines) {
    const std::size_t separators = ends_.empty() ? 0 : ends_.size() - 1;
    const std::size_t used = text_.size() + separators * lineEndSize_;
    const std::size_t room = limit_ >= used ? limit_ - used : 0;
    const std::size_t newSeparators = ends_.empty() && lines ? lines - 1 : lines;
    if (bytes <= room && newSeparators * lineEndSize_ <= room - bytes) return true;
    full_ = true;
    return false;
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
    full_ = false;
}

}  // namespace tabrix
