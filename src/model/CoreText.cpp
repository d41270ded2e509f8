#include "model/CoreText.h"

#include <array>

#include "model/TextCodec.h"

namespace tabrix {

namespace {

constexpr std::array<const char*, CoreText::kCount> kUtf8Texts = {
    "「",
    "」：読み込み開始",
    "」：読み込み中",
    "」：展開中",
    "」：展開中/データ「",
    "」処理中",
    "」：保存準備中",
    "」：保存準備中/データ「",
    "」：保存開始",
    "参照の正規化中",
    "ＭＳ ゴシック",
    "名称",
    "%名称%",
    "データ 1",
    "グループ 1",
    "グループ 1.txt",
    "書式の解析中...",
    "出力先が未定です。出力先を指定してください",
    "Tabrix:グループ「",
    "」を出力中...",
    "」( ",
    " )を出力中...",
    "」の連結処理＜グループ「",
    "」を結合中...＞（ ",
    " ）",
    "グループ「",
    "」",
    "出力ファイル名を指定してください",
};

std::array<std::string, CoreText::kCount> ConvertAll() {
    std::array<std::string, CoreText::kCount> texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = TextCodec::FromUtf8(kUtf8Texts[i]);
    return texts;
}

}  // namespace

const std::string& CoreText::Get(Id id) {
    // Built once, read-only afterwards.
    static const std::array<std::string, kCount> kTexts = ConvertAll();
    return kTexts[id];
}

}  // namespace tabrix
