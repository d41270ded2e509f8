// The working copy behind the library settings dialog: the library's paths, its description and
// preview image, and its four batch lists, copied when the dialog opens. Only Commit changes the
// library, so a dialog closed without it leaves everything as it was.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/TBatchSetting.h"
#include "model/TLibraryCustomise.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TLibrarySetting {
public:
    // How the preview picture is decoded, chosen by the upper-cased extension only.
    enum class ImageKind { kNone, kBitmap, kJpeg };
    // What changing the parameter file's path means for the commit.
    enum class ParameterChange {
        kUnchanged,  // the same path: nothing to do
        kNewPath,    // no such file: the current definitions are written there next time
        kAsk,        // the file exists: read it, overwrite it, or leave everything
    };
    // The answer to "上書/読み込みの選択".
    enum class ReloadAnswer { kRead, kOverwrite, kKeep };
    // The batch operations the entry list offers, in its order.
    enum class BatchEntry { kSort, kCompareApply, kSave, kOutput, kDuplicateDeletion };

    explicit TLibrarySetting(const TZQLCtrl& library);

    std::string outputPath;
    std::string parameterPath;
    std::string initializePath;
    std::string libraryPath;
    std::string previewImage;
    std::string description;      // the description lines joined by CR LF
    std::uint32_t timedInterval;  // seconds between runs of the timed list ("間隔(秒)：")
    TLibraryLook look;            // the "カスタマイズ" page

    static ImageKind ImageKindOf(const std::string& path);

    // --- batch lists ---------------------------------------------------------------------------
    const std::vector<TBatchSetting>& Batch(BatchTrigger trigger) const { return batch_[trigger]; }
    // The rows of a batch grid: the items' names, or one "＜処理未指定＞" row for an empty list.
    std::vector<std::string> BatchRows(BatchTrigger trigger) const;
    // The item an entry makes without a dialog of its own (上書保存, 出力).
    static TBatchSetting PlainItem(BatchEntry entry);
    // The item an entry makes through its dialog (並び替え, 判定適用, 重複削除), carrying the
    // dialog's data lines.
    static TBatchSetting OperationItem(BatchEntry entry, StringList lines);
    void AppendItem(BatchTrigger trigger, TBatchSetting item);
    // False when row names no item.
    bool RemoveItem(BatchTrigger trigger, std::size_t row);
    // Moves the item at from to the place to (both rows of items); false when either is out.
    bool MoveItem(BatchTrigger trigger, std::size_t from, std::size_t to);

    // --- commit --------------------------------------------------------------------------------
    ParameterChange ParameterChangeFor(const TZQLCtrl& library) const;
    // Applies the copy to the library: paths, then the parameter file by answer (used only
    // when ParameterChangeFor says kAsk), the description, the batch lists with the timed
    // list's interval, and the look into the initialize-info store. The library is marked
    // modified when anything its file stores changed, so closing asks to save. Returns whether
    // a new parameter file was read; readResult gets the reader's FileResult (0 when none was
    // read). A failed read keeps the current parameter file.
    bool Commit(TZQLCtrl& library, ReloadAnswer answer, FileResult& readResult) const;

    // Writes library as a template at zqlPath with its parameter file beside it (same name,
    // .ZQP), naming no initialize-info file so that a library made from it starts with the
    // default layout. The library itself keeps its paths and modified state. A FileResult.
    static FileResult WriteTemplate(TZQLCtrl& library, const std::string& zqlPath);
    // The files a template written at zqlPath would replace (its library file, the parameter
    // file beside it), each when anything, a dangling link too, stands there.
    static std::vector<std::string> TemplateFilesPresent(const std::string& zqlPath);

    static std::string JoinLines(const StringList& lines);
    static StringList SplitLines(const std::string& text);

private:
    bool CommitSettings(TZQLCtrl& library, ReloadAnswer answer, FileResult& readResult) const;
    bool ReadParameterFile(TZQLCtrl& library, FileResult& readResult) const;
    // A path as the library's readers take it: relative to the library file's folder.
    std::string Resolved(const std::string& path) const;

    std::array<std::vector<TBatchSetting>, kBatchTriggerCount> batch_;
    std::string originalDescription_;
};

}  // namespace tabrix
