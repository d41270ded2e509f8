// The data lines each batch type reads, with what they mean: the one table behind the help of
// batch and run, and behind the check of the lines given with --data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::cli {

class BatchDataKeys {
public:
    struct Key {
        const char* tag;      // "[JudgeParam]"
        const char* meaning;  // one line of help
        bool options;         // four values, each 0 or 1, rather than indices
    };
    struct Type {
        std::uint32_t number;
        const char* name;
        std::vector<Key> keys;
        const char* example;  // a whole batch command line of this type
    };

    static const std::vector<Type>& Types();
    static const Type* Find(std::uint32_t number);
    // What is wrong with one --data line for the type (UTF-8), or nothing when it is sound:
    // a line is a known tag of the type followed by values parted by ",".
    static std::optional<std::string> Problem(const Type& type, const std::string& line);
    // The help text listing every type with its keys, meanings and an example.
    static std::string Help();
};

}  // namespace tabrix::cli
