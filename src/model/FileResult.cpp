#include "model/FileResult.h"

#include <iterator>

namespace tabrix {

namespace {

struct ResultText {
    FileResult result;
    std::string_view english;
    std::string_view japanese;
};

constexpr ResultText kTexts[] = {
    {kFileOk, "ok", "正常に終了しました"},
    {kFileCannotOpen, "cannot open the file", "ファイルを開けません"},
    {kFileShortWrite, "the file could not be written completely",
     "ファイルを最後まで書き込めませんでした"},
    {kFileCloseFailed, "the file is empty, or could not be flushed or closed",
     "ファイルが空か、閉じることができませんでした"},
    {kFileWrongHeader, "not a Tabrix file of the expected kind",
     "求める種類の Tabrix のファイルではありません"},
    {kFileNotRead, "not written: the file was not read when the library was opened",
     "ライブラリを開いたときに読み込めなかったファイルなので書き込みませんでした"},
};

// One row per result, in the enum's order: a result added without its text fails to build.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (kTexts[i].result != static_cast<FileResult>(i)) return false;
    return std::size(kTexts) == kFileResultCount;
}
static_assert(InEnumOrder(), "every FileResult needs its row in kTexts, in the enum's order");

}  // namespace

std::string_view Describe(FileResult result, ResultLanguage language) {
    if (result < 0 || result >= kFileResultCount)
        return language == ResultLanguage::kJapanese ? "不明なファイルエラー"
                                                     : "unknown file error";
    const ResultText& text = kTexts[result];
    return language == ResultLanguage::kJapanese ? text.japanese : text.english;
}

}  // namespace tabrix
