#include "batch/TBatchLines.h"

namespace tabrix {

std::string TBatchLines::Listed(const std::string& tag, const TickList& ticked) {
    std::string line = tag;
    bool first = true;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        if (!ticked[i]) continue;
        if (!first) line += ',';
        line += std::to_string(i);
        first = false;
    }
    return line;
}

std::string TBatchLines::Walked(const std::string& tag, const TickList& ticked) {
    std::string line = tag;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        if (!ticked[i]) continue;
        line += std::to_string(i);
        if (i + 1 < ticked.size()) line += ',';
    }
    return line;
}

StringList TBatchLines::Sort(const TickList& keys, const TickList& groups,
                             const std::array<bool, 4>& options) {
    StringList lines;
    const std::string judge = Listed("[JudgeParam]", keys);
    if (judge.size() > std::string("[JudgeParam]").size()) lines.push_back(judge);
    const std::string target = Listed("[GroupNo]", groups);
    if (target.size() > std::string("[GroupNo]").size()) lines.push_back(target);
    std::string option = "[Option]";
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (i > 0) option += ',';
        option += options[i] ? '1' : '0';
    }
    lines.push_back(option);
    return lines;
}

StringList TBatchLines::CompareApply(const TickList& sources, const TickList& destinations,
                                     const TickList& judges, const TickList& applies) {
    return {Walked("[SrcGroup]", sources),
            Walked("[DstGroup]", destinations),
            Walked("[JudgeParam]", judges),
            Walked("[ApplyParam]", applies),
            "[JudgeCondition]0",
            "[ApplyCondition]0"};
}

StringList TBatchLines::DuplicateDeletion(const TickList& judges, const TickList& targets) {
    return {Walked("[JudgeParam]", judges), Walked("[TargetGroup]", targets)};
}

}  // namespace tabrix
