// A byte string that stands for an element's values on the judge parameters: two elements
// get the same key exactly when they match on every judge parameter. Lets duplicate
// deletion and compare-apply find matches through a hash table instead of comparing every
// element with every other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix {

class TElement;

class TJudgeKey {
public:
    struct Judge {
        std::uint32_t param;
        std::uint8_t type;
    };

    explicit TJudgeKey(std::vector<Judge> judges) : judges_(std::move(judges)) {}

    // Writes e's key into key (replacing what it held).
    void Build(const TElement& e, std::string& key) const;

    // True when matching on the judges depends on other elements: a group reference compares
    // the sizes of the referenced groups and an element reference array the number of its
    // references, and deleting elements changes both.
    bool DependsOnOtherElements() const;

private:
    std::vector<Judge> judges_;
};

}  // namespace tabrix
