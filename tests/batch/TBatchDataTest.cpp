#include <gtest/gtest.h>

#include "batch/TBatchData.h"

namespace tabrix {
namespace {

// What was read: each list that is not empty as "tag=values", then "asc" or "desc" and the
// foldings: c case, k kana, w width.
std::string Summary(const TBatchData& data) {
    std::string out;
    const std::pair<const char*, const IndexList*> lists[] = {
        {"judge", &data.judgeParams}, {"groups", &data.groups},     {"src", &data.sourceGroups},
        {"dst", &data.destGroups},    {"apply", &data.applyParams}, {"target", &data.targetGroups}};
    for (const auto& [tag, list] : lists) {
        if (list->empty()) continue;
        out.append(tag).append("=");
        for (std::size_t i = 0; i < list->size(); ++i)
            out.append(i ? "," : "").append(std::to_string((*list)[i]));
        out += " ";
    }
    out += data.ascending ? "asc" : "desc";
    if (data.foldFlags & kFoldCase) out += " c";
    if (data.foldFlags & kFoldKana) out += " k";
    if (data.foldFlags & kFoldWidth) out += " w";
    return out;
}

TEST(TBatchDataTest, LinesAsTheDialogsWriteThemAndOddOnes) {
    const struct {
        StringList lines;
        std::string read;
    } cases[] = {
        {{"[JudgeParam]0,3", "[GroupNo]1", "[Option]1,1,0,1"}, "judge=0,3 groups=1 asc c k"},
        // The option line is padded with 0 and read by exact values: only "0" turns ascending
        // off and only "1" turns a folding on.
        {{}, "asc"},
        {{"[Option]1"}, "asc"},
        {{"[Option]0,1,1,1"}, "desc c k w"},
        {{"[Option]00,2,01,1"}, "asc k"},
        {{"[Option]"}, "desc"},
        // Values are read as strtoul with automatic base; an empty piece is skipped.
        {{"[GroupNo]0x10,010,7,abc,5x,,12,"}, "groups=16,8,7,0,0,12 asc"},
        // Trailing commas, repeated tags and unknown lines.
        {{"[SrcGroup]0,1,", "[DstGroup]2", "[JudgeParam]", "[ApplyParam]4,", "[JudgeCondition]0",
          "[ApplyCondition]0", "[SrcGroup]5", "GroupNo 3", "[Other]1", "[TargetGroup]0,"},
         "src=0,1,5 dst=2 apply=4 target=0 asc"},
        // The tag ends at the first bracket: "[GroupNo ]" is another tag; text after the value
        // list is part of a value.
        {{"[GroupNo ]1", "[GroupNo]2]3"}, "groups=0 asc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Summary(TBatchData::Parse(c.lines)), c.read) << c.read;
}

}  // namespace
}  // namespace tabrix
