#include "model/PathName.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace tabrix {
namespace {

using test::Sj;

TEST(PathName, AbsoluteForms) {
    // One backslash at the start is relative.
    for (const char* path : {"C:\\lib\\a.ZQL", "\\\\server\\share\\a.ZQL", "/home/user/a.ZQL"})
        EXPECT_TRUE(PathName::IsAbsolute(path)) << path;
    for (const char* path : {"a.ZQL", "sub\\a.ZQD", "\\lib\\a.ZQL"})
        EXPECT_FALSE(PathName::IsAbsolute(path)) << path;
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
    EXPECT_EQ(PathName::FromNative("/tmp/表/a.ZQL"), "/tmp/" + hyou + "/a.ZQL");
    EXPECT_EQ(PathName::ToNative(PathName::FromNative("/tmp/表/a.ZQL")), "/tmp/表/a.ZQL");
}

// Resolve joins with the folder's own separator (an absolute or empty path stays as it is, a
// library without a folder gives the path); MakeRelative cuts the exact folder only (not the same
// letters in other case, nor a sibling with the same beginning, nor the folder itself, which
// would read back as "not set").
TEST(PathName, ResolveAndMakeRelative) {
    const auto resolve = &PathName::Resolve;
    const auto relative = &PathName::MakeRelative;
    const struct {
        std::string (*op)(std::string_view, std::string_view);
        const char *library, *path, *expected;
    } cases[] = {{resolve, "C:\\lib\\a.ZQL", "a.ZQP", "C:\\lib\\a.ZQP"},
                 {resolve, "/home/u/lib/a.ZQL", "sub\\b.ZQD", "/home/u/lib/sub\\b.ZQD"},
                 {resolve, "/home/u/lib/a.ZQL", "D:\\x.ZQD", "D:\\x.ZQD"},
                 {resolve, "/home/u/lib/a.ZQL", "/abs/x.ZQD", "/abs/x.ZQD"},
                 {resolve, "a.ZQL", "b.ZQD", "b.ZQD"},
                 {resolve, "/home/u/a.ZQL", "", ""},
                 {relative, "C:\\lib\\a.ZQL", "C:\\lib\\sub\\b.ZQD", "sub\\b.ZQD"},
                 {relative, "/home/u/lib/a.ZQL", "/home/u/lib/sub\\b.ZQD", "sub\\b.ZQD"},
                 {relative, "C:\\lib\\a.ZQL", "c:\\LIB\\b.ZQD", "c:\\LIB\\b.ZQD"},
                 {relative, "C:\\lib\\a.ZQL", "C:\\library\\b.ZQD", "C:\\library\\b.ZQD"},
                 {relative, "C:\\lib\\a.ZQL", "C:\\lib\\", "C:\\lib\\"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.op(c.library, c.path), c.expected) << c.library << " " << c.path;
}

}  // namespace
}  // namespace tabrix
