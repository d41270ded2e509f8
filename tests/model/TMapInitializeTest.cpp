#include "model/TMapInitialize.h"

#include <gtest/gtest.h>

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

TEST(TMapInitializeTest, GetGivesDefaultWhenSectionOrKeyIsMissing) {
    TMapInitialize store;
    store.SelectSection(kSection);
    EXPECT_EQ(store.GetText(kValue, "dflt"), "dflt");
    EXPECT_EQ(store.GetSigned(kValue, -9), -9);
    EXPECT_EQ(store.Sections().size(), 0u) << "selecting alone creates nothing";

    store.SetText(TMapWord("[Else]"), "x");
    EXPECT_EQ(store.GetText(kValue, "dflt"), "dflt");
    EXPECT_EQ(store.GetTextIn(kOther, TMapWord("[Else]"), "none"), "none");
    EXPECT_EQ(store.GetTextIn(kSection, TMapWord("[Else]"), "none"), "x");
}

TEST(TMapInitializeTest, SetCreatesAndReplacesInTheCurrentSection) {
    TMapInitialize store;
    store.SelectSection(kSection);
    store.SetText(kValue, "one");
    store.SetText(kValue, "two");
    store.SelectSection(kOther);
    store.SetSigned(kValue, -4);
    store.SetUnsigned(TMapWord("[U]"), static_cast<std::uint32_t>(-4));

    EXPECT_EQ(store.GetTextIn(kSection, kValue, ""), "two");
    EXPECT_EQ(store.GetText(kValue, ""), "-4");
    EXPECT_EQ(store.GetText(TMapWord("[U]"), ""), "4294967292");
    EXPECT_EQ(store.Sections().at(kSection).size(), 1u);
}

TEST(TMapInitializeTest, NumbersReadWithAutomaticBase) {
    TMapInitialize store;
    store.SelectSection(kSection);
    auto signedOf = [&](const char* text) {
        store.SetText(kValue, text);
        return store.GetSigned(kValue, 77);
    };
    auto unsignedOf = [&](const char* text) {
        store.SetText(kValue, text);
        return store.GetUnsigned(kValue, 77);
    };
    EXPECT_EQ(signedOf("0x1F"), 31);
    EXPECT_EQ(signedOf("0X10"), 16);
    EXPECT_EQ(signedOf("010"), 8);
    EXPECT_EQ(signedOf("-12"), -12);
    EXPECT_EQ(signedOf("12x"), 77) << "characters after the number";
    EXPECT_EQ(signedOf("09"), 77) << "9 is no octal digit";
    EXPECT_EQ(signedOf("abc"), 77);
    EXPECT_EQ(signedOf(""), 0) << "an empty value is 0, not the default";
    EXPECT_EQ(unsignedOf("-4"), 4294967292u);
    EXPECT_EQ(unsignedOf("-1"), 4294967295u);
    EXPECT_EQ(unsignedOf("4294967292"), 4294967292u);
    EXPECT_EQ(unsignedOf("0x10"), 16u);
    EXPECT_EQ(unsignedOf("1 "), 77u);
    EXPECT_EQ(unsignedOf(""), 0u);
}

TEST(TMapInitializeTest, SerialisesSectionsAndKeysInMapOrder) {
    TMapInitialize store;
    store.SelectSection(TMapWord("[Zeta]", "[/Zeta]"));
    store.SetText(TMapWord("[b]"), "2");
    store.SetText(TMapWord("[a]"), "1");
    store.SelectSection(TMapWord("[Alpha]", "[/Alpha]"));
    store.SetText(TMapWord("[k]"), "v]w");

    StringList lines;
    store.Serialise(lines);
    EXPECT_EQ(lines,
              (StringList{"[Alpha]", "[k]v]w", "[/Alpha]", "[Zeta]", "[a]1", "[b]2", "[/Zeta]"}));
}

TEST(TMapInitializeTest, SerialiseInsertsAtPositionOrAppendsBeyondTheEnd) {
    TMapInitialize store;
    store.SelectSection(kSection);
    store.SetText(kValue, "1");

    StringList inserted{"first", "last"};
    store.Serialise(inserted, 1);
    EXPECT_EQ(inserted, (StringList{"first", "[Sec]", "[Value]1", "[/Sec]", "last"}));

    StringList appended{"first", "last"};
    store.Serialise(appended, 99);
    EXPECT_EQ(appended, (StringList{"first", "last", "[Sec]", "[Value]1", "[/Sec]"}));
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

TEST_F(TMapInitializeParseTest, FillsKnownKeysAndIgnoresEverythingElse) {
    StringList lines{"header",           "[Value]outside", "[Unknown]",   "[Value]x",
                     "[/Unknown]",       "[Sec]",          "stray line",  "[NewKey]5",
                     "[Value]from]file", "[/Sec]",         "[Value]after"};
    EXPECT_EQ(store_.Parse(lines, 0, -1), 11);

    EXPECT_EQ(Value(kSection, kValue), "from]file");
    EXPECT_EQ(Value(kSection, TMapWord("[NewKey]")), "<missing>");
    EXPECT_EQ(Value(kOther, kValue), "other");
    EXPECT_EQ(store_.Sections().size(), 2u);
}

TEST_F(TMapInitializeParseTest, TagsAreMatchedAtTheStartOfTheLine) {
    // The rest of a section line is ignored; a key line keeps everything after its tag.
    StringList lines{"[Sec]trailing", "[Value]", "[/Sec]trailing", "[Value]late"};
    store_.Parse(lines);
    EXPECT_EQ(Value(kSection, kValue), "");
}

TEST_F(TMapInitializeParseTest, MissingEndTagKeepsTheSectionOpenToTheEnd) {
    StringList lines{"[Other]", "[Value]a", "[Value]b"};
    EXPECT_EQ(store_.Parse(lines), 3);
    EXPECT_EQ(Value(kOther, kValue), "b");
}

TEST_F(TMapInitializeParseTest, BlockKeyJoinsItsLinesAndRoundTrips) {
    StringList lines{"[Sec]", "[text]ignored", "line one", "[Value]inside the block",
                     "",      "[/text]",       "[Value]v", "[/Sec]"};
    store_.Parse(lines);
    EXPECT_EQ(Value(kSection, kBlock), "line one\r\n[Value]inside the block\r\n");
    EXPECT_EQ(Value(kSection, kValue), "v");

    StringList written;
    store_.Serialise(written);
    EXPECT_EQ(written,
              (StringList{"[Other]", "[Value]other", "[/Other]", "[Sec]", "[Value]v", "[text]",
                          "line one", "[Value]inside the block", "", "[/text]", "[/Sec]"}));
    TMapInitialize reread = store_;
    reread.SelectSection(kSection);
    reread.SetText(kBlock, "changed");
    reread.SetText(kValue, "changed");
    reread.Parse(written);
    EXPECT_EQ(reread.Sections(), store_.Sections());
}

TEST_F(TMapInitializeParseTest, EmptyBlockRoundTrips) {
    StringList written;
    store_.Serialise(written);
    TMapInitialize reread = store_;
    reread.SelectSection(kSection);
    reread.SetText(kBlock, "x");
    reread.Parse(written);
    EXPECT_EQ(written[5], "[text]");
    EXPECT_EQ(written[6], "") << "an empty value is one empty line";
    EXPECT_EQ(written[7], "[/text]");
    EXPECT_EQ(reread.GetTextIn(kSection, kBlock, "<missing>"), "");
}

TEST_F(TMapInitializeParseTest, BlockWithoutEndTagRunsToTheEndOfTheRange) {
    StringList lines{"[Sec]", "[text]", "a", "b", "[/Sec]", "c"};
    EXPECT_EQ(store_.Parse(lines, 0, 3), 4);
    EXPECT_EQ(Value(kSection, kBlock), "a\r\nb");
}

TEST_F(TMapInitializeParseTest, ReadsOnlyTheGivenRange) {
    StringList lines{"[Sec]", "[Value]one", "[Value]two", "[/Sec]"};
    EXPECT_EQ(store_.Parse(lines, 0, 1), 2);
    EXPECT_EQ(Value(kSection, kValue), "one");

    EXPECT_EQ(store_.Parse(lines, 1, -1), 4) << "outside a section nothing is read";
    EXPECT_EQ(Value(kSection, kValue), "one");

    EXPECT_EQ(store_.Parse(lines, 0, 100), 4) << "a last line beyond the end reads to the end";
    EXPECT_EQ(Value(kSection, kValue), "two");

    EXPECT_EQ(store_.Parse(lines, 7, -1), 7) << "a first line beyond the end reads nothing";
}

TEST_F(TMapInitializeParseTest, UsesTheStoresLineSeparator) {
    store_.SetLineSeparator("\n");
    store_.Parse(StringList{"[Sec]", "[text]", "a", "b", "[/text]"});
    EXPECT_EQ(Value(kSection, kBlock), "a\nb");
    StringList written;
    store_.Serialise(written);
    EXPECT_EQ(written, (StringList{"[Other]", "[Value]other", "[/Other]", "[Sec]", "[Value]default",
                                   "[text]", "a", "b", "[/text]", "[/Sec]"}));
}

}  // namespace
}  // namespace tabrix
