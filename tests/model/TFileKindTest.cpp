#include "model/TFileKind.h"

#include <gtest/gtest.h>

namespace tabrix {
namespace {

TEST(TFileKind, SiblingPathReplacesTheExtensionOfTheFileName) {
    const TFileKind& parameters = TFileKind::Of(FileKind::kParameters);
    const struct {
        const char* library;
        const char* sibling;
    } kCases[] = {
        {"/a/b.ZQL", "/a/b.ZQP"},
        {"/a/b.lib.zql", "/a/b.lib.ZQP"},
        {"/a.d/b", "/a.d/b.ZQP"},  // a dot in a folder name is no extension
        {"b", "b.ZQP"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(parameters.SiblingPath(c.library), c.sibling) << c.library;
}

TEST(TFileKind, SameNameReplacesTheLastThreeCharacters) {
    EXPECT_EQ(TFileKind::Of(FileKind::kParameters).SameName("/a/b.ZQL"), "/a/b.ZQP");
    EXPECT_EQ(TFileKind::Of(FileKind::kInitializeInfo).SameName("/a/b.zql"), "/a/b.ZQI");
}

TEST(TFileKind, HeaderAndFilterOfEachKind) {
    const struct {
        FileKind kind;
        const char* header;
        const char* filter;
    } kCases[] = {
        {FileKind::kLibrary, "Library-File for Tabrix ver 2.0",
         "ZQLファイル(*.ZQL)|*.ZQL|全てのファイルを表示|*.*"},
        {FileKind::kParameters, "Parameter-Info for Tabrix ver 2.0",
         "ZQPファイル(*.ZQP)|*.ZQP|全てのファイルを表示|*.*"},
        {FileKind::kInitializeInfo, "Initialize-Info for Tabrix ver 2.0",
         "ZQIファイル(*.ZQI)|*.ZQI|全てのファイルを表示|*.*"},
        {FileKind::kElementData, "Element-Data for Tabrix ver 2.0",
         "ZQDファイル(*.ZQD)|*.ZQD|全てのファイルを表示|*.*"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(TFileKind::Of(c.kind).HeaderLine(), c.header);
        EXPECT_EQ(TFileKind::Of(c.kind).Filter(), c.filter);
    }
    EXPECT_EQ(TFileKind::Of(FileKind::kLibrary).OwnFilter(), "ZQLファイル(*.ZQL)|*.ZQL");
}

}  // namespace
}  // namespace tabrix
