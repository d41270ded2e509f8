// The parameter settings dialog: the library's parameters with their names, codes, types,
// options and own formats, and the file-wide settings (row height, drawing font, common formats,
// used parameters). It edits a TParamSetting copy only; the library window commits it after OK.
#pragma once

#include <QDialog>

#include <cstdint>

#include "model/TZQPCtrl.h"
#include "settings/TParamSetting.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QCheckBox;
class QTabWidget;
class QTableWidget;
class QTextEdit;

namespace tabrix {

class IDialogs;
class TZQLCtrl;

class TParamSettingForm : public QDialog {
    Q_OBJECT

public:
    // Works on a copy of file, the parameter definitions of the library in the window.
    TParamSettingForm(const TZQPCtrl& file, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TParamSettingForm() override;

    // The edited copy; the overall settings are taken into it when OK is pressed.
    TParamSetting& Setting() { return setting_; }
    const TParamSetting& Setting() const { return setting_; }

    // The font the label shows and the elements will be drawn in, and back.
    static QFont ToQFont(const TDrawFont& font);
    static TDrawFont FromQFont(const QFont& font, std::uint32_t colour);

    // The library in the window: what OK would do to its stored batch items and its
    // element data is told before the dialog closes.
    void SetLibrary(const TZQLCtrl& library) { library_ = &library; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildListColumn();
    QWidget* BuildParameterPages();
    QWidget* BuildBasic1Page();
    QWidget* BuildBasic2Page();
    QWidget* BuildOverallPages();
    QWidget* BuildOverallBasicPage();
    QWidget* BuildUsedPage();
    QWidget* BuildImportPage();
    // A format editor with its "< 着色 >" button below it.
    QWidget* BuildFormatPage(QTextEdit*& editor, const char* name);

    // --- the parameter list
    void FillList();
    void AddParameter();
    void DeleteParameter();
    void MoveParameter(bool up);
    void ParameterClicked(int row);
    // Asks about unapplied edits of the shown parameter; false when the user stays on it.
    bool SettleParameterChanges();
    // The row of the parameter shown in the pages becomes the current and selected one, so
    // that ▲, ▼ and 削除 act on it.
    void ReselectLoaded();
    // Tells what the commit would cost beyond the definitions; false when the user stays.
    bool ConfirmConsequences();
    // A type whose values the elements' stored values are not asks first how many elements
    // lose theirs; false, with the old type shown again, when the user keeps it.
    bool ConfirmTypeChange(std::uint8_t type);
    void LoadParameter(int row);
    void ClearPages();
    void ApplyParameter();
    bool ApplyShownParameter();
    TParamPage PageFromControls() const;

    // --- pages
    void UpdatePageStates();
    void ParameterPageShown();
    void OverallPageShown();
    void Colour(QTextEdit* editor);
    void ChooseDisplayParameter(int index);
    void AddSelectionRows();
    void DeleteSelectionRows();
    StringList SelectionRows() const;
    void FillSelectionGrid(const StringList& rows);

    // --- overall settings
    void FillUsedGrid();
    void UseParameter();
    void UnuseParameter();
    void UsedRowMoved(int from, int to);
    void FontLabelClicked(Qt::MouseButton button);
    void ShowFont();

    std::uint8_t ShownType() const;
    void ShowType(std::uint8_t type);
    void ParameterEdited();
    void OverallEdited();

    IDialogs& dialogs_;
    TParamSetting setting_;
    const TZQLCtrl* library_ = nullptr;
    QLineEdit* newParamEdit_ = nullptr;
    QCheckBox* makeUsedBox_ = nullptr;
    QListWidget* paramList_ = nullptr;
    QTabWidget* topPages_ = nullptr;
    QTabWidget* parameterPages_ = nullptr;
    QTabWidget* overallPages_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* codeEdit_ = nullptr;
    QButtonGroup* typeGroup_ = nullptr;
    QComboBox* refCombo_ = nullptr;
    QSpinBox* heightBox_ = nullptr;
    QTableWidget* selectionGrid_ = nullptr;
    QTextEdit* perDrawEdit_ = nullptr;
    QTextEdit* perOutputEdit_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QSpinBox* rowHeightBox_ = nullptr;
    QLabel* fontLabel_ = nullptr;
    QTextEdit* comDrawEdit_ = nullptr;
    QTextEdit* comOutputEdit_ = nullptr;
    QListWidget* usedGrid_ = nullptr;
    // Controls filled by the dialog itself: their change signals are not the user's edits.
    bool filling_ = false;
};

}  // namespace tabrix
