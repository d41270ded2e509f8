// Collects the text of output runs as the bytes of the output file. Text flows across runs: a
// header, an element and the next element share a line unless a format writes a line break.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "format/TFormatSink.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TOutputSink : public TFormatSink {
public:
    // The line end written between two lines (the library's line break); CR LF unless set.
    void SetLineEnd(std::string_view lineEnd) { lineEnd_ = lineEnd; }
    // Without a limit the text may grow until memory runs out; with one, a piece that would
    // make the file (lines and their line ends) pass limit bytes is not taken: the sink is full
    // from then on and stops every run.
    void SetLimit(std::size_t limit) { limit_ = limit; }
    const std::string& LineEnd() const { return lineEnd_; }
    std::size_t Limit() const { return limit_; }
    bool Full() const { return full_; }
    // Room for about bytes of file in all, asked once the size can be foreseen: the text then
    // grows without being moved.
    void Reserve(std::size_t bytes);

    // Hands the file's text on as it becomes final, in pieces of HandOnBytes() and more, each
    // in order: a large file is then written while it is made and never held whole. Clear
    // ends it.
    void HandOnTo(std::function<void(std::string_view)> handOn) { handOn_ = std::move(handOn); }
    static std::size_t HandOnBytes();
    static void SetHandOnBytes(std::size_t bytes);
    std::size_t HandedOn() const { return handedOn_; }

    int Send(SinkEvent event, std::string_view text, std::uint32_t number) override;

    std::size_t LineCount() const { return lines_; }
    // The bytes sent so far, those handed on included.
    std::size_t Size() const { return handedOn_ + text_.size(); }
    // The file: the finished lines joined by the line end. A line followed by a line end loses
    // a lead byte left dangling at its end (it would read back as part of the line end). Once
    // text was handed on, the rest of the file.
    std::string_view FileText() const { return std::string_view(text_).substr(0, finishedEnd_); }
    std::string_view CurrentLine() const {
        return breakOwed_ ? std::string_view() : std::string_view(text_).substr(lineStart_);
    }
    // A run cut short leaves its line unfinished: the file holds the finished lines only, the
    // last of them as it was written.
    void DropUnfinishedLine();
    void Clear();

    // A sink for the text that follows another sink's finished line, rendered apart (on
    // another thread): it starts as if an empty line had just ended in it.
    void StartAsTail();
    // Appends the text of tail, a sink begun by StartAsTail, as if its runs had been sent here.
    // False, and this sink unchanged, where that could give another text: this sink's last
    // line is not finished, a sink is full, or the text could pass the limit.
    bool AppendTail(const TOutputSink& tail);

private:
    // Writes the line end owed to the last finished line, now that something follows it.
    void PayBreak();
    void EndLine();
    // Hands on the first bytes of the text, which nothing sent later can change.
    void HandOn(std::size_t bytes);
    bool JoinHandingOn(const TOutputSink& tail);
    void TakeTailState(const TOutputSink& tail, std::size_t at, std::size_t dropped);
    // False, and the sink full, when adding bytes of text and lines more line ends would pass
    // the limit.
    bool Fits(std::size_t bytes, std::size_t lines);

    TStringDivision division_;
    std::function<void(std::string_view)> handOn_;
    std::size_t handedOn_ = 0;  // bytes of the file handed on, no longer in text_
    std::string lineEnd_ = "\r\n";
    std::string text_;             // the file so far, the current line at its end
    std::size_t lineStart_ = 0;    // where the current line starts (once its line end is paid)
    std::size_t finishedEnd_ = 0;  // the end of the last finished line
    std::size_t lines_ = 0;        // finished lines
    std::size_t trimmed_ = 0;      // dangling lead bytes left out so far
    std::string lastTrimmed_;      // the bytes the last finished line lost to its line end
    bool breakOwed_ = false;       // a line is finished and its line end not yet written
    std::size_t limit_ = SIZE_MAX;
    bool full_ = false;
};

}  // namespace tabrix
