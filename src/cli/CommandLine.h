// The parsed arguments of one tabrix-cli command, as the commands read them: positionals in
// order, the flags given, and every value of each value option (an option given again adds a
// value, as --data does).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tabrix::cli {

struct CommandLine {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::multimap<std::string, std::string> values;

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::string Value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? std::string() : it->second;
    }
    std::vector<std::string> All(const std::string& option) const {
        std::vector<std::string> all;
        for (auto [it, end] = values.equal_range(option); it != end; ++it)
            all.push_back(it->second);
        return all;
    }
};

}  // namespace tabrix::cli
