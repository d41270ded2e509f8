#include "format/TOutputSink.h"

#include <algorithm>
#include <atomic>
#include <charconv>

#include "model/LargePages.h"

namespace tabrix {

namespace {

// A megabyte a piece: few enough writes, and a text that stays small.
std::atomic<std::size_t> handOnBytes{std::size_t{1} << 20};

}  // namespace

std::size_t TOutputSink::HandOnBytes() {
    return handOnBytes.load(std::memory_order_relaxed);
}

void TOutputSink::SetHandOnBytes(std::size_t bytes) {
    handOnBytes.store(bytes, std::memory_order_relaxed);
}

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
            PayBreak();
            text_.append(digits, size);
            break;
        }
        case kEventText:
            if (!Fits(text.size(), 0)) return kReplyStop;
            PayBreak();
            text_.append(text);
            break;
        case kEventLineBreak:
        case kEventEnd:  // the group's last line, even when empty
            if (!Fits(0, 1)) return kReplyStop;
            PayBreak();
            EndLine();
            break;
        case kEventBegin:
            if (!breakOwed_) text_.resize(lineStart_);
            break;
        default:
            break;
    }
    return kReplyContinue;
}

// The line just finished may still lose a dangling lead byte when a line end is paid after it;
// the lines before it are final.
void TOutputSink::EndLine() {
    finishedEnd_ = text_.size();
    ++lines_;
    breakOwed_ = true;
    if (handOn_ && lineStart_ >= HandOnBytes()) HandOn(lineStart_);
}

void TOutputSink::HandOn(std::size_t bytes) {
    if (bytes == 0) return;
    handOn_(std::string_view(text_).substr(0, bytes));
    text_.erase(0, bytes);
    lineStart_ -= bytes;
    finishedEnd_ -= bytes;
    handedOn_ += bytes;
}

// The reader ends a line only where it classes the line end's first byte single.
void TOutputSink::PayBreak() {
    if (!breakOwed_) return;
    breakOwed_ = false;
    if (!lineEnd_.empty()) {
        const std::string_view line = std::string_view(text_).substr(lineStart_);
        const std::size_t whole = division_.WholeCharactersBefore(line, lineEnd_.front()).size();
        lastTrimmed_.assign(line.substr(whole));
        trimmed_ += lastTrimmed_.size();
        text_.resize(lineStart_ + whole);
        finishedEnd_ = text_.size();
        text_.append(lineEnd_);
    }
    lineStart_ = text_.size();
}

void TOutputSink::DropUnfinishedLine() {
    if (breakOwed_ || lines_ == 0) return;
    text_.resize(finishedEnd_);
    text_.append(lastTrimmed_);
    trimmed_ -= lastTrimmed_.size();
    lastTrimmed_.clear();
    finishedEnd_ = lineStart_ = text_.size();
    breakOwed_ = true;
}

// The file holds the finished lines with a line end between each two of them, each line whole
// (the bytes a line end made it lose count, as they did before it was known one follows).
bool TOutputSink::Fits(std::size_t bytes, std::size_t lines) {
    const std::size_t paidBreak = !breakOwed_ && lines_ ? lineEnd_.size() : 0;
    const std::size_t used = Size() + trimmed_ - paidBreak;
    const std::size_t room = limit_ >= used ? limit_ - used : 0;
    const std::size_t newSeparators = lines_ == 0 && lines ? lines - 1 : lines;
    if (bytes <= room && newSeparators * lineEnd_.size() <= room - bytes) return true;
    full_ = true;
    return false;
}

void TOutputSink::Reserve(std::size_t bytes) {
    if (handOn_) bytes = std::min(bytes, 2 * HandOnBytes());  // the text never grows much more
    if (bytes <= text_.capacity()) return;
    text_.reserve(bytes);
    AskForLargePages(text_.data(), text_.capacity());
}

void TOutputSink::Clear() {
    handOn_ = nullptr;
    handedOn_ = 0;
    text_.clear();
    lineStart_ = finishedEnd_ = lines_ = trimmed_ = 0;
    lastTrimmed_.clear();
    breakOwed_ = full_ = false;
}

void TOutputSink::StartAsTail() {
    Clear();
    lines_ = 1;
    breakOwed_ = true;
}

// The tail paid the break of its empty first line with its first piece: paying this sink's
// break instead, here, leaves both texts where the one sink sent everything would have had
// them. The tail's text, its line end aside, then follows; its places move by base.
bool TOutputSink::AppendTail(const TOutputSink& tail) {
    if (full_ || tail.full_ || !breakOwed_ || tail.lineEnd_ != lineEnd_) return false;
    if (tail.breakOwed_ && tail.lines_ == 1) return true;  // nothing was sent to it
    // Every piece the tail took would have fitted here (a bound, not the exact measure: a text
    // this close to the limit is rendered again by the one sink).
    const std::size_t bound =
        Size() + trimmed_ + tail.text_.size() + tail.trimmed_ + 2 * lineEnd_.size();
    if (bound > limit_) return false;
    if (handOn_) return JoinHandingOn(tail);
    PayBreak();
    const std::size_t base = text_.size() - lineEnd_.size();
    text_.append(tail.text_, lineEnd_.size());
    TakeTailState(tail, base, 0);
    return true;
}

// The state of this sink once the tail's text follows: the tail's first dropped bytes are not
// here, and its text now begins at at.
void TOutputSink::TakeTailState(const TOutputSink& tail, std::size_t at, std::size_t dropped) {
    lineStart_ = at + tail.lineStart_ - dropped;
    finishedEnd_ = at + tail.finishedEnd_ - dropped;
    lines_ += tail.lines_ - 1;
    trimmed_ += tail.trimmed_;
    // The tail's own breaks paid after its first: the last of them trimmed last.
    const std::size_t tailBreaksPaid = tail.lines_ - (tail.breakOwed_ ? 1 : 0);
    if (tailBreaksPaid > 1) lastTrimmed_ = tail.lastTrimmed_;
    breakOwed_ = tail.breakOwed_;
}

// AppendTail for a sink that hands its text on: the joined text up to the start of the tail's
// last line is final, so it is handed on where it lies, in this sink and in the tail, and only
// the rest is copied. The tail's text begins with the line end paid here.
bool TOutputSink::JoinHandingOn(const TOutputSink& tail) {
    PayBreak();
    HandOn(text_.size() - lineEnd_.size());
    const std::size_t final = std::min(tail.lineStart_, tail.finishedEnd_);
    if (final > 0) handOn_(std::string_view(tail.text_).substr(0, final));
    handedOn_ += final;
    text_.assign(tail.text_, final);
    TakeTailState(tail, 0, final);
    return true;
}

}  // namespace tabrix
