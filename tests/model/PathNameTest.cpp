#include "model/PathName.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace tabrix {
namespace {

using test::Sj;

TEST(PathName, AbsoluteForms) {
    EXPECT_TRUE(PathName::IsAbsolute("C:\\lib\\a.ZQL"));
    EXPECT_TRUE(PathName::IsAbsolute("\\\\server\\share\\a.ZQL"));
    EXPECT_TRUE(PathName::IsAbsolute("/home/user/a.ZQL"));
    EXPECT_FALSE(PathName::IsAbsolute("a.ZQL"));
    EXPECT_FALSE(PathName::IsAbsolute("sub\\a.ZQD"));
    EXPECT_FALSE(PathName::IsAbsolute("\\lib\\a.ZQL"));  // one backslash: relative
}

TEST(PathName, SecondByteBackslashIsNotASeparator) {
    // "表" and "ソ" end in 0x5C; at the start of a name, inside it and at its end.
    const std::string hyou = Sj("表");
    const std::string so = Sj("ソ");
    EXPECT_EQ(PathName::LastSeparator(hyou), std::string::npos);
    EXPECT_EQ(PathName::FolderOf("C:\\" + hyou + "\\a.ZQL"), "C:\\" + hyou + "\\");
    EXPECT_EQ(PathName::FolderOf("C:\\lib\\" + so), "C:\\lib\\");
    EXPECT_EQ(PathName::FolderOf(so + hyou), "");
    EXPECT_EQ(PathName::ToNative(hyou + "\\" + so + "\\x.txt"), "表/ソ/x.txt");
    EXPECT_EQ(PathName::ToNative("a" + hyou), "a表");
}

TEST(PathName, ResolveJoinsWithTheFoldersOwnSeparator) {
    EXPECT_EQ(PathName::Resolve("C:\\lib\\a.ZQL", "a.ZQP"), "C:\\lib\\a.ZQP");
    EXPECT_EQ(PathName::Resolve("/home/u/lib/a.ZQL", "sub\\b.ZQD"), "/home/u/lib/sub\\b.ZQD");
    EXPECT_EQ(PathName::Resolve("/home/u/lib/a.ZQL", "D:\\x.ZQD"), "D:\\x.ZQD");
    EXPECT_EQ(PathName::Resolve("/home/u/lib/a.ZQL", "/abs/x.ZQD"), "/abs/x.ZQD");
    EXPECT_EQ(PathName::Resolve("a.ZQL", "b.ZQD"), "b.ZQD");  // no folder to join with
    EXPECT_EQ(PathName::Resolve("/home/u/a.ZQL", ""), "");    // empty stays unset
}

TEST(PathName, MakeRelativeCutsTheExactFolder) {
    EXPECT_EQ(PathName::MakeRelative("C:\\lib\\a.ZQL", "C:\\lib\\sub\\b.ZQD"), "sub\\b.ZQD");
    EXPECT_EQ(PathName::MakeRelative("/home/u/lib/a.ZQL", "/home/u/lib/sub\\b.ZQD"), "sub\\b.ZQD");
    // Same letters in other case, and a sibling folder with the same beginning.
    EXPECT_EQ(PathName::MakeRelative("C:\\lib\\a.ZQL", "c:\\LIB\\b.ZQD"), "c:\\LIB\\b.ZQD");
    EXPECT_EQ(PathName::MakeRelative("C:\\lib\\a.ZQL", "C:\\library\\b.ZQD"), "C:\\library\\b.ZQD");
    // The folder itself keeps its full form, so that it never reads back as "not set".
    EXPECT_EQ(PathName::MakeRelative("C:\\lib\\a.ZQL", "C:\\lib\\"), "C:\\lib\\");
}

TEST(PathName, NativeNamesRoundTrip) {
    EXPECT_EQ(PathName::FromNative("/tmp/表/a.ZQL"), "/tmp/" + Sj("表") + "/a.ZQL");
    EXPECT_EQ(PathName::ToNative(PathName::FromNative("/tmp/表/a.ZQL")), "/tmp/表/a.ZQL");
}

}  // namespace
}  // namespace tabrix
