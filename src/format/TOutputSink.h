// Collects the text of output runs as lines. Text flows across runs: a header, an element and
// the next element share a line unless a format writes a line break.
#pragma once

#include <string>

#include "format/TFormatSink.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TOutputSink : public TFormatSink {
public:
    int Send(SinkEvent event, std::string_view text, std::uint32_t number) override;

    const StringList& Lines() const { return lines_; }
    const std::string& CurrentLine() const { return current_; }
    void Clear();

private:
    std::string current_;
    StringList lines_;
};

}  // namespace tabrix
