// Collects the text of output runs as lines. Text flows across runs: a header, an element and
// the next element share a line unless a format writes a line break.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/TFormatSink.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TOutputSink : public TFormatSink {
public:
    // Without a limit the text may grow until memory runs out; with one, a piece that would
    // make the joined file (lines and their line ends) pass limit bytes is not taken: the sink
    // is full from then on and stops every run.
    void SetLimit(std::size_t limit, std::size_t lineEndSize) {
        limit_ = limit;
        lineEndSize_ = lineEndSize;
    }
    bool Full() const { return full_; }

    int Send(SinkEvent event, std::string_view text, std::uint32_t number) override;

    // The finished lines. All text lies back to back in one buffer with the line ends beside
    // it, so a group of a million lines costs no allocation per line.
    std::size_t LineCount() const { return ends_.size(); }
    std::string_view Line(std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(start, ends_[i] - start);
    }
    StringList Lines() const;
    std::string_view CurrentLine() const { return std::string_view(text_).substr(LineStart()); }
    void Clear();

private:
    std::size_t LineStart() const { return ends_.empty() ? 0 : ends_.back(); }
    void EndLine() { ends_.push_back(text_.size()); }
    // False, and the sink full, when adding bytes of text and lines more line ends would pass
    // the limit.
    bool Fits(std::size_t bytes, std::size_t lines);

    std::string text_;
    std::vector<std::size_t> ends_;
    std::size_t limit_ = SIZE_MAX;
    std::size_t lineEndSize_ = 0;
    bool full_ = false;
};

}  // namespace tabrix
