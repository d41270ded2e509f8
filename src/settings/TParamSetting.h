// The working copy the parameter settings dialog edits: a deep copy of a library's parameter
// definitions with every operation of the dialog, so that nothing reaches the library before
// OK and the dialog's rules can be checked without a window. Texts are CP932 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "model/TStringDivision.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

class TZQLCtrl;

// How an operation ended: done, nothing to do, or the refusal the dialog shows (Message()).
enum class ParamSettingResult {
    kDone,
    kNothing,
    kNameEmpty,     // パラメータ名を入力してください！
    kCodeExists,    // 同名の書式識別子が存在します！
    kNameReserved,  // その名称は予約語です！
    kCodeEmpty,     // 書式識別子を入力してください！
    kCodeReserved,  // その書式識別子は予約語です！
};

// What the pages of one parameter show, as the dialog's editors hold it.
struct TParamPage {
    std::string name;
    std::string code;
    std::uint8_t type = kTypeString;
    // Position of the reference display parameter in the list, -1 for none.
    int displayParameter = -1;
    std::int32_t inputBoxHeight = TParameter::kDefaultInputBoxHeight;
    StringList selectionRows;  // column 1 of the selection grid, one entry per row
    std::string drawFormat;    // editor texts: lines joined with CR LF
    std::string outputFormat;
};

// The initial drawing font of the element list.
struct TDrawFont {
    std::string name;
    std::int32_t size = TZQPCtrl::kDefaultFontSize;
    std::int32_t style = 0;  // 1 bold, 2 italic, 4 underline, 8 strikeout
    std::uint32_t colour = 0;

    bool operator==(const TDrawFont&) const = default;
};

class TParamSetting {
public:
    static constexpr std::int32_t kMinInputBoxHeight = 10;
    static constexpr std::int32_t kMaxInputBoxHeight = 400;
    static constexpr std::uint32_t kMinRowHeight = 1;
    static constexpr std::uint32_t kMaxRowHeight = 1000;
    // A grid of this many rows is already far beyond any selection list; an answer asking for
    // more rows than that adds only up to it instead of exhausting memory.
    static constexpr std::size_t kMaxSelectionRows = 10000;

    // The texts of the dialog that its rules decide.
    enum TextId {
        kInvalidRow,       // ＜パラメータ数が不正＞
        kNoUsedParameter,  // ＜使用するパラメータ無し＞
        kDeleteQuestion,   //  を削除します。宜しいですか？ (after the name)
        kApplyQuestion,  // パラメータに変更が加えられています。適用しますか？
        kConfirmCaption,      // 確認
        kAddRowsCaption,      // 追加数の入力
        kAddRowsPrompt,       // 追加したい行数を指定してください
        kDeleteRowsQuestion,  // 選択している行を削除します。宜しいですか？
        kDefaultChoice,       // 選択 1
        kTextCount
    };
    static const std::string& Text(TextId id);
    static const std::string& Message(ParamSettingResult result);
    // Type names in the parameter lists (e.g. 符号無し整数値) and in the radio group "性質".
    static const std::string& TypeName(std::uint8_t type);
    static const std::string& TypeItem(std::uint8_t type);

    // A deep copy of the file's parameters, used parameters, formats, font and row height.
    explicit TParamSetting(const TZQPCtrl& file);
    ~TParamSetting();
    TParamSetting(const TParamSetting&) = delete;
    TParamSetting& operator=(const TParamSetting&) = delete;

    // --- the parameter list --------------------------------------------------------------------
    std::size_t Size() const { return work_.Size(); }
    const TParameter& At(std::size_t i) const { return *work_.At(i); }
    // name(code)<type name>; a row beyond the list reads ＜パラメータ数が不正＞.
    std::string ListRow(std::size_t i) const;
    ParamSettingResult Add(const std::string& name, bool alsoUsed);
    std::string DeleteQuestion(std::size_t i) const;
    bool Delete(std::size_t i);
    bool MoveUp(std::size_t i);
    bool MoveDown(std::size_t i);

    // --- used parameters ----------------------------------------------------------------------
    std::size_t UsedCount() const { return work_.UsedParameters().size(); }
    // name(code)<type name>; ＜使用するパラメータ無し＞ for row 0 of an empty list.
    std::string UsedRow(std::size_t row) const;
    bool Use(std::size_t i);
    bool Unuse(std::size_t row);
    // A drag in the grid from row from onto row to: taken out, then put before the entry that
    // was dropped on. Not counted as a change of the file.
    bool MoveUsed(std::size_t from, std::size_t to);

    // --- the parameter shown in the pages ---------------------------------------------------
    std::optional<std::size_t> Loaded() const;
    // Shows parameter i in the pages; its unapplied edits, if any, are dropped.
    TParamPage Load(std::size_t i);
    // Writes the page into the loaded parameter; the format editors may get their default.
    ParamSettingResult Apply(TParamPage& page);
    // Choosing a reference display parameter takes effect at once (position, -1 for none).
    void ChooseDisplayParameter(int position);
    static bool ShowsDisplayParameter(std::uint8_t type);
    static bool ShowsOwnFormats(std::uint8_t type);

    // --- the selection grid ---------------------------------------------------------------------
    // The answer to 追加数の入力: full-width digits read as digits, 0 when it is no number.
    static std::size_t ReadRowCount(std::string_view answer);
    static void AddRows(StringList& rows, std::size_t n);
    static void DeleteRows(StringList& rows, const std::vector<std::size_t>& selected);
    static std::int32_t ClampInputBoxHeight(std::int64_t height);

    // --- overall settings
    // -------------------------------------------------------------------------
    std::uint32_t RowHeight() const { return work_.RowHeight(); }
    TDrawFont Font() const;
    // The font dialog confirmed: the label's font changes, and so does the file.
    void SetFont(const TDrawFont& font);
    std::string CommonDrawText() const { return JoinLines(work_.DrawFormat()); }
    std::string CommonOutputText() const { return JoinLines(work_.OutputFormat()); }
    const std::vector<StringList>& ImportFormats() const { return work_.ImportFormats(); }
    // What OK takes from the controls into the copy.
    void StoreOnOk(std::uint32_t rowHeight, const std::string& drawText,
                   const std::string& outputText);

    // --- change flags ---------------------------------------------------------------------------
    // The loaded parameter has edits not applied yet.
    bool ParameterChanged() const { return parameterChanged_; }
    void MarkParameterChanged() { parameterChanged_ = true; }
    // The copy differs from the file; only then is it committed.
    bool DialogChanged() const { return dialogChanged_; }
    void MarkDialogChanged() { dialogChanged_ = true; }

    // A library carrying the copy's parameters, for colouring formats that are not applied yet.
    const TZQLCtrl& ColouringLibrary() const { return *colouringLibrary_; }

    // --- commit
    // ----------------------------------------------------------------------------------- Replaces
    // the file's parameters by copies of this one's and takes over the used parameters, formats,
    // import formats, font and row height; marks the file modified. The file's compiled formats are
    // stale until they are compiled again.
    void Commit(TZQPCtrl& file) const;
    // After OK: nothing when the dialog changed nothing; else Commit, move the element values
    // of the element data files and the parameter positions of the stored batch items to
    // their parameters' new positions, compile every format and clear each group's
    // output-done mark; all of that in library and in every other open library that uses the
    // same parameter file. True when it committed.
    bool CommitIfChanged(TZQLCtrl& library) const;
    // For each parameter of the copy, its position in the file the copy was made from; none
    // for a parameter added in the dialog.
    std::vector<std::optional<std::size_t>> Origins() const;
    // The positions, in the file the copy was made from, of the parameters deleted since.
    std::set<std::size_t> DeletedPositions() const;
    // The stored batch items of library, and of the other open libraries on the same file,
    // that name a deleted parameter: the commit leaves them naming it, so they are refused
    // from then on, and the user is told which before OK.
    std::vector<std::string> StoredItemsLosingParameters(const TZQLCtrl& library) const;
    // Whether values stored for a parameter of type from mean nothing to type to: texts,
    // plain numbers, element references and group references are kept apart, and a value
    // read as another kind would show memory addresses or point at nothing.
    // The element data files whose values the commit moves to their parameters' new places
    // (paths of files holding elements; empty when the parameters keep their places). Files
    // that use the same parameter
    // file but are not loaded now keep their columns where they are, so the user is told
    // which files were rearranged before OK.
    std::vector<std::string> FilesRearranged(const TZQLCtrl& library) const;
    static bool TypeLosesValues(std::uint8_t from, std::uint8_t to);
    // How many elements (of every open library on this file) hold a value that giving the
    // loaded parameter the type would clear at the commit; 0 when nothing would be lost.
    std::size_t ValuesLostByType(const TZQLCtrl& library, std::uint8_t type) const;

    // Editor text and line lists: split at CR LF with trailing empty lines dropped; joined
    // with CR LF.
    static StringList SplitEditorText(std::string_view text);
    static std::string JoinLines(const StringList& lines);

private:
    TParameter* LoadedParameter() const { return loaded_; }
    std::string RowText(const TParameter& parameter) const;
    bool CodeTaken(const std::string& code, const TParameter* except) const;
    void Renumber();
    void StoreSelection(TParameter& parameter, const StringList& rows) const;
    void FillDefaultFormats(TParamPage& page) const;
    // After the values moved: the values of parameters whose type no longer holds them go.
    void ClearValuesOfChangedTypes(const std::vector<TZQLCtrl*>& libraries) const;

    TZQPCtrl work_;
    // Each copied parameter's position in the file, for carrying the element values along.
    std::map<const TParameter*, std::size_t> origins_;
    std::size_t originalCount_ = 0;
    std::vector<std::uint8_t> originalTypes_;  // by position in the file
    std::unique_ptr<TZQLCtrl> colouringLibrary_;
    TParameter* loaded_ = nullptr;
    bool parameterChanged_ = false;
    bool dialogChanged_ = false;
};

}  // namespace tabrix
