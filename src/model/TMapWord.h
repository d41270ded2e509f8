// The name of a section or a key in the section store: a pair of tags. A section is named by its
// start and end tag ("[ZQLForm]", "[/ZQLForm]"), a one-line key by its tag alone ("[Bounds]",
// ""), a block key by the tags around its lines.
#pragma once

#include <string>

namespace tabrix {

class TMapWord {
public:
    TMapWord() = default;
    explicit TMapWord(std::string first, std::string second = {});

    const std::string& First() const { return first_; }
    const std::string& Second() const { return second_; }

    // A key with an end tag holds a multi-line value between its two tags.
    bool IsBlock() const { return !second_.empty(); }

    // Byte-wise order of the first tag, then of the second: the order sections and keys are
    // written in.
    bool operator<(const TMapWord& other) const;
    bool operator==(const TMapWord& other) const;

private:
    std::string first_;
    std::string second_;
};

}  // namespace tabrix
