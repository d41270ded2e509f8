#include <gtest/gtest.h>

#include "batch/TBatchData.h"

namespace tabrix {
namespace {

TEST(TBatchDataTest, SortLinesAsTheDialogWritesThem) {
    TBatchData data = TBatchData::Parse({"[JudgeParam]0,3", "[GroupNo]1", "[Option]1,1,0,1"});
    EXPECT_EQ(data.judgeParams, (IndexList{0, 3}));
    EXPECT_EQ(data.groups, (IndexList{1}));
    EXPECT_TRUE(data.ascending);
    EXPECT_EQ(data.foldFlags, static_cast<unsigned>(kFoldCase | kFoldKana));
}

TEST(TBatchDataTest, OptionLineIsPaddedAndReadByExactValues) {
    TBatchData none = TBatchData::Parse({});
    EXPECT_TRUE(none.ascending);
    EXPECT_EQ(none.foldFlags, static_cast<unsigned>(kFoldNone));

    TBatchData shortLine = TBatchData::Parse({"[Option]1"});
    EXPECT_TRUE(shortLine.ascending);
    EXPECT_EQ(shortLine.foldFlags, static_cast<unsigned>(kFoldNone));

    TBatchData descending = TBatchData::Parse({"[Option]0,1,1,1"});
    EXPECT_FALSE(descending.ascending);
    EXPECT_EQ(descending.foldFlags, static_cast<unsigned>(kFoldAll));

    // Only "0" turns ascending off and only "1" turns a folding on.
    TBatchData odd = TBatchData::Parse({"[Option]00,2,01,1"});
    EXPECT_TRUE(odd.ascending);
    EXPECT_EQ(odd.foldFlags, static_cast<unsigned>(kFoldKana));

    TBatchData empty = TBatchData::Parse({"[Option]"});
    EXPECT_FALSE(empty.ascending);  // padded to 0,0,0,0
}

TEST(TBatchDataTest, ValuesAreReadAsStrtoulWithAutomaticBase) {
    TBatchData data = TBatchData::Parse({"[GroupNo]0x10,010,7,abc,5x,,12,"});
    EXPECT_EQ(data.groups, (IndexList{16, 8, 7, 0, 0, 12}));
}

TEST(TBatchDataTest, TrailingCommasRepeatedTagsAndUnknownLines) {
    TBatchData data = TBatchData::Parse(
        {"[SrcGroup]0,1,", "[DstGroup]2", "[JudgeParam]", "[ApplyParam]4,", "[JudgeCondition]0",
         "[ApplyCondition]0", "[SrcGroup]5", "GroupNo 3", "[Other]1", "[TargetGroup]0,"});
    EXPECT_EQ(data.sourceGroups, (IndexList{0, 1, 5}));
    EXPECT_EQ(data.destGroups, (IndexList{2}));
    EXPECT_TRUE(data.judgeParams.empty());
    EXPECT_EQ(data.applyParams, (IndexList{4}));
    EXPECT_EQ(data.targetGroups, (IndexList{0}));
    EXPECT_TRUE(data.groups.empty());
}

TEST(TBatchDataTest, TagEndsAtTheFirstBracket) {
    // The tag with a blank is another tag; text after the value list is part of a value.
    TBatchData data = TBatchData::Parse({"[GroupNo ]1", "[GroupNo]2]3"});
    EXPECT_EQ(data.groups, (IndexList{0}));
}

}  // namespace
}  // namespace tabrix
