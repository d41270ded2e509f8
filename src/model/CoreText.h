// The Japanese texts the core writes into libraries, files and progress messages. They are
// written here once, in UTF-8, and handed out as CP932 bytes converted on first use.
#pragma once

#include <string>

namespace tabrix {

class CoreText {
public:
    enum Id {
        kOpenQuote,             // 「
        kReadBegin,             // 」：読み込み開始
        kReading,               // 」：読み込み中
        kExpanding,             // 」：展開中
        kExpandingData,         // 」：展開中/データ「
        kProcessing,            // 」処理中
        kSavePreparing,         // 」：保存準備中
        kSavePreparingData,     // 」：保存準備中/データ「
        kSaveBegin,             // 」：保存開始
        kNormalisingRefs,       // 参照の正規化中
        kDefaultFontName,       // ＭＳ ゴシック
        kDefaultParameter,      // 名称
        kDefaultDrawFormat,     // %名称%
        kDefaultGroupData,      // データ 1
        kDefaultGroup,          // グループ 1
        kDefaultGroupOutput,    // グループ 1.txt
        kAnalysingFormats,      // 書式の解析中...
        kOutputNoDestination,   // 出力先が未定です。出力先を指定してください
        kOutputGroupOpen,       // Tabrix:グループ「
        kOutputGroupBusy,       // 」を出力中...
        kOutputProgressOpen,    // 」(
        kOutputProgressClose,   //  )を出力中...
        kOutputLinking,         // 」の連結処理＜グループ「
        kOutputJoining,         // 」を結合中...＞（
        kOutputJoiningClose,    //  ）
        kGroupCaptionOpen,      // グループ「
        kCloseQuote,            // 」
        kOutputFileNamePrompt,  // 出力ファイル名を指定してください
        kCount
    };

    // The CP932 bytes of the text.
    static const std::string& Get(Id id);
};

}  // namespace tabrix
