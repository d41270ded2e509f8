#include "model/TMapInitialize.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "model/TMapWord.h"

namespace tabrix {
namespace {

const TMapWord kSection("[Sec]", "[/Sec]");
const TMapWord kOther("[Other]", "[/Other]");
const TMapWord kValue("[Value]");
const TMapWord kBlock("[text]", "[/text]");

TEST(TMapWordTest, OrdersByteWiseByFirstThenSecondTag) {
    EXPECT_LT(TMapWord("[A]", "z"), TMapWord("[B]", "a"));
    EXPECT_LT(TMapWord("[A]", "a"), TMapWord("[A]", "b"));
    EXPECT_LT(TMapWord("[A]"), TMapWord("[A]", "[/A]"));
    // Bytes of double-byte characters sort after ASCII whatever the signedness of char.
    EXPECT_LT(TMapWord("[Z]"), TMapWord("[\x82\xa0]"));
    EXPECT_FALSE(TMapWord("[A]", "x") < TMapWord("[A]", "x"));
    EXPECT_EQ(TMapWord("[A]", "x"), TMapWord("[A]", "x"));
    EXPECT_FALSE(TMapWord("[A]", "x") == TMapWord("[A]", "y"));
}

// Getting never creates; setting creates or replaces in the selected section only.
TEST(TMapInitializeTest, GetGivesDefaultsAndSetWritesTheCurrentSection) {
    TMapInitialize store;
    store.SelectSection(kSection);
    EXPECT_EQ(store.GetText(kValue, "dflt"), "dflt");
    EXPECT_EQ(store.GetSigned(kValue, -9), -9);
    EXPECT_EQ(store.Sections().size(), 0u) << "selecting alone creates nothing";
    store.SetText(kValue, "one");
    store.SetText(kValue, "two");
    store.SelectSection(kOther);
    EXPECT_EQ(store.GetText(kValue, "dflt"), "dflt");
    store.SetSigned(kValue, -4);
    store.SetUnsigned(TMapWord("[U]"), static_cast<std::uint32_t>(-4));
    EXPECT_EQ(store.GetTextIn(kSection, kValue, ""), "two");
    EXPECT_EQ(store.GetTextIn(kSection, TMapWord("[U]"), "none"), "none");
    EXPECT_EQ(store.GetText(kValue, ""), "-4");
    EXPECT_EQ(store.GetText(TMapWord("[U]"), ""), "4294967292");
    EXPECT_EQ(store.Sections().at(kSection).size(), 1u);
}

TEST(TMapInitializeTest, NumbersReadWithAutomaticBase) {
    TMapInitialize store;
    store.SelectSection(kSection);
    // Characters after the number, or 9 as an octal digit, give the default; empty gives 0.
    const std::pair<const char*, std::int32_t> signedCases[] = {
        {"0x1F", 31}, {"0X10", 16}, {"010", 8},  {"-12", -12},
        {"12x", 77},  {"09", 77},   {"abc", 77}, {"", 0}};
    for (const auto& [text, value] : signedCases) {
        store.SetText(kValue, text);
        EXPECT_EQ(store.GetSigned(kValue, 77), value) << text;
    }
    const std::pair<const char*, std::uint32_t> unsignedCases[] = {
        {"-4", 4294967292u}, {"-1", 4294967295u}, {"4294967292", 4294967292u},
        {"0x10", 16u},       {"1 ", 77u},         {"", 0u}};
    for (const auto& [text, value] : unsignedCases) {
        store.SetText(kValue, text);
        EXPECT_EQ(store.GetUnsigned(kValue, 77), value) << text;
    }
}

class TMapInitializeParseTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_.SelectSection(kSection);
        store_.SetText(kValue, "default");
        store_.SetText(kBlock, "");
        store_.SelectSection(kOther);
        store_.SetText(kValue, "other");
    }

    std::string Value(const TMapWord& section, const TMapWord& key) const {
        return store_.GetTextIn(section, key, "<missing>");
    }

    TMapInitialize store_;
};

// The cases of tests/data/model/initialize-parse.tsv; what is written reads back into the same
// store, over other values.
TEST_F(TMapInitializeParseTest, TableOfCases) {
    const TMapInitialize fresh = store_;
    for (const auto& row : test::ReadTable("model/initialize-parse.tsv")) {
        store_ = fresh;
        EXPECT_EQ(
            store_.Parse(test::SplitAt(row.at(0), "¦"), std::stoi(row.at(1)), std::stoi(row.at(2))),
            std::stoi(row.at(3)))
            << row[0];
        StringList written;
        store_.Serialise(written);
        EXPECT_EQ(written, test::SplitAt(row.at(4), "¦")) << row[0];
        TMapInitialize reread = fresh;
        reread.SelectSection(kSection);
        reread.SetText(kBlock, "changed");
        reread.SetText(kValue, "changed");
        reread.Parse(written);
        EXPECT_EQ(reread.Sections(), store_.Sections()) << row[0];
    }
    EXPECT_EQ(Value(kSection, kValue), "default");  // the last case read nothing
}

}  // namespace
}  // namespace tabrix
