// The group settings dialog: the library's groups with their output settings, headers and
// footers (page "グループ設定"), and the element data files, their group data and the groups
// showing them (page "使用グループ設定"). It edits a TGroupDataSetting copy only; every question
// goes through IDialogs, and the library window commits the copy after OK.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "settings/TGroupDataSetting.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QTextEdit;
class QToolButton;

namespace tabrix {

class IDialogs;
class TSettingGrid;
class TZQLCtrl;

class TGroupSettingForm : public QDialog {
    Q_OBJECT

public:
    TGroupSettingForm(TZQLCtrl& library, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TGroupSettingForm() override;

    TGroupDataSetting& Setting() { return setting_; }

    // Closes with Accepted only when the dialog changed something (after the apply question).
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tells which stored batch items the commit leaves without their groups; false when the
    // user stays in the dialog.
    bool ConfirmLostItems();
    QWidget* BuildGroupPage();
    QWidget* BuildGroupDetails();
    QWidget* BuildFormatPage(QTextEdit*& editor, const char* name);
    QWidget* BuildUsePage();
    QWidget* BuildFileColumn();
    QWidget* BuildDataColumn();
    QWidget* BuildGroupColumn();
    QToolButton* AddTool(QWidget* bar, const char* name, const QString& text, const QString& hint,
                         void (TGroupSettingForm::*slot)());

    // --- filling from the working copy --------------------------------------------------------
    void Refresh();
    void FillGroupGrids();
    void FillFiles();
    void FillData();
    void ShowPage();
    TGroupDataSetting::GroupPage PageFromControls() const;
    QString ShownPath(const std::string& path) const;

    // --- operations ---------------------------------------------------------------------------
    // Runs an operation that may ask first: op(false), the question when it asks, op(true).
    void Run(const std::function<TSettingStep(bool confirmed)>& op);
    bool Confirm(const TSettingQuestion& question);
    TAnswer AskApply(const TSettingQuestion& question);
    void SelectGroup(int row);
    void PageEdited();
    void ApplyGroup();
    // "< 着色 >": the colouring is no edit of the group.
    void ColourEditor(QTextEdit& editor);
    void SelectFile(int row);
    void SelectData(int row);
    void AddFileFromDisk();
    void CreateEmptyFile();
    void ExcludeFile();
    void BrowsePath();
    void TakePath();
    void AddGroupData();
    void DeleteGroupData();
    void RenameGroupData();
    void AddGroups();
    void ExcludeGroups();
    void Dropped(const TSettingGrid* target, const TSettingGrid* source, const QList<int>& rows,
                 int row);
    void Reordered(const TSettingGrid* grid, int from, int to);
    // The number typed into the input box of prompt; nullopt when cancelled.
    std::optional<std::string> AskCount(const TSettingPrompt& prompt);

    TZQLCtrl& library_;
    IDialogs& dialogs_;
    TGroupDataSetting setting_;
    std::optional<std::size_t> file_;  // the row chosen in ZQDDGrid
    bool loading_ = false;             // controls being filled: no edit to report

    QTabWidget* pages_ = nullptr;
    TSettingGrid* groupGrid_ = nullptr;  // GroupDGrid
    QWidget* details_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QCheckBox* outputBox_ = nullptr;
    QLineEdit* fileNameEdit_ = nullptr;
    QCheckBox* connectBox_ = nullptr;
    QComboBox* connectCombo_ = nullptr;
    QCheckBox* mustOutputBox_ = nullptr;
    QCheckBox* readOnlyBox_ = nullptr;
    QTextEdit* headerEdit_ = nullptr;
    QTextEdit* footerEdit_ = nullptr;
    TSettingGrid* fileGrid_ = nullptr;   // ZQDDGrid
    TSettingGrid* dataGrid_ = nullptr;   // GroupDataDGrid
    TSettingGrid* useGrid_ = nullptr;    // GroupSettingDrawGrid
    QLineEdit* pathEdit_ = nullptr;      // ZQDPathEdit
    QLineEdit* dataNameEdit_ = nullptr;  // GDataNameEdit
};

}  // namespace tabrix
