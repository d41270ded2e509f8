#include "cli/BatchDataKeys.h"

namespace tabrix::cli {

namespace {

// Values are 0-based positions written in decimal; the readers skip empty pieces, which the
// operation dialogs leave after a list whose last item is not ticked.
std::optional<std::string> IndexProblem(const std::string& values) {
    std::size_t start = 0;
    while (start <= values.size()) {
        std::size_t comma = values.find(',', start);
        if (comma == std::string::npos) comma = values.size();
        const std::string piece = values.substr(start, comma - start);
        if (piece.find_first_not_of("0123456789") != std::string::npos || piece.size() > 9)
            return "\"" + piece + "\" is no index (a whole number from 0)";
        start = comma + 1;
    }
    return std::nullopt;
}

std::optional<std::string> OptionProblem(const std::string& values) {
    std::size_t count = 0;
    for (std::size_t start = 0; start <= values.size();) {
        std::size_t comma = values.find(',', start);
        if (comma == std::string::npos) comma = values.size();
        const std::string piece = values.substr(start, comma - start);
        start = comma + 1;
        if (piece.empty()) continue;
        if (piece != "0" && piece != "1") return "\"" + piece + "\" is neither 0 nor 1";
        ++count;
    }
    if (count > 4) return std::string("more than four values");
    return std::nullopt;
}

}  // namespace

const std::vector<BatchDataKeys::Type>& BatchDataKeys::Types() {
    static const std::vector<Type> types = {
        {1,
         "sort",
         {{"[JudgeParam]", "the key parameters, by position, in the order they decide", false},
          {"[GroupNo]", "the groups to sort, by position", false},
          {"[Option]",
           "four 0 or 1: ascending, ignore case, ignore half/full width,\n"
           "                    ignore hiragana/katakana (default 1,0,0,0)",
           true}},
         "--type 1 --data [JudgeParam]0,3 --data [GroupNo]1 --data [Option]1,1,0,1"},
        {2,
         "compare-apply",
         {{"[SrcGroup]", "the groups values are copied from, by position", false},
          {"[DstGroup]", "the groups values are copied to, by position", false},
          {"[JudgeParam]", "the parameters whose values must match, by position", false},
          {"[ApplyParam]", "the parameters copied on a match, by position", false},
          {"[JudgeCondition]", "stored by the editor, always 0; not used", false},
          {"[ApplyCondition]", "stored by the editor, always 0; not used", false}},
         "--type 2 --data [SrcGroup]0 --data [DstGroup]1 --data [JudgeParam]0 --data "
         "[ApplyParam]2"},
        {5,
         "duplicate deletion",
         {{"[JudgeParam]", "the parameters whose values make two elements the same", false},
          {"[TargetGroup]", "the groups to delete duplicates from, by position", false}},
         "--type 5 --data [JudgeParam]0 --data [TargetGroup]0,2"},
    };
    return types;
}

const BatchDataKeys::Type* BatchDataKeys::Find(std::uint32_t number) {
    for (const Type& type : Types())
        if (type.number == number) return &type;
    return nullptr;
}

std::optional<std::string> BatchDataKeys::Problem(const Type& type, const std::string& line) {
    const std::size_t close = line.find(']');
    if (line.empty() || line[0] != '[' || close == std::string::npos)
        return std::string("no key: a data line is [KEY] and its values");
    const std::string tag = line.substr(0, close + 1);
    for (const Key& key : type.keys) {
        if (tag != key.tag) continue;
        const std::string values = line.substr(close + 1);
        if (values.empty()) return std::nullopt;
        std::optional<std::string> problem =
            key.options ? OptionProblem(values) : IndexProblem(values);
        if (problem) return tag + ": " + *problem;
        return std::nullopt;
    }
    return "unknown key " + tag + " for type " + std::to_string(type.number) + " (" + type.name +
           ")";
}

std::string BatchDataKeys::Help() {
    std::string text =
        "Data lines (--data LINE, once per line): a key in square brackets, then values parted "
        "by \",\".\nPositions count from 0 in the library's parameter and group lists.\n";
    for (const Type& type : Types()) {
        text += "\nType " + std::to_string(type.number) + " (" + type.name + "):\n";
        for (const Key& key : type.keys)
            text += "  " + std::string(key.tag) +
                    std::string(18 - std::string(key.tag).size(), ' ') + key.meaning + "\n";
        text += "  example: " + std::string(type.example) + "\n";
    }
    return text;
}

}  // namespace tabrix::cli
