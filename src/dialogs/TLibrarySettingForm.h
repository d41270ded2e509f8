// The library settings dialog: where generated files go, the parameter, initialize-info and
// library files the library uses, its description and reference image, and its four batch lists.
// It edits a TLibrarySetting copy only; the library window commits it after OK.
#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "model/TFileKind.h"
#include "model/TZQLCtrl.h"
#include "settings/TLibrarySetting.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace tabrix {

class IDialogs;

class TLibrarySettingForm : public QDialog {
    Q_OBJECT

public:
    TLibrarySettingForm(const TZQLCtrl& library, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TLibrarySettingForm() override;

    // The edited copy; the edits' texts are taken into it when OK is pressed.
    const TLibrarySetting& Setting() const { return setting_; }

    // The batch grid of a trigger (for tests and the drag order).
    QListWidget* BatchGrid(BatchTrigger trigger) const { return grids_[trigger]; }

    // What "テンプレートとして書き出す" does; the button stays disabled without one.
    void SetTemplateWriter(std::function<void(QWidget* parent)> writer);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildPathPage();
    QWidget* BuildDescriptionPage();
    QWidget* BuildBatchPage();
    QWidget* BuildCustomPage();
    QLineEdit* AddPathRow(QWidget* page, int row, const QString& caption, const char* name,
                          const std::string& path, void (TLibrarySettingForm::*browse)());

    void BrowseOutputFolder();
    void BrowseParameterFile();
    void BrowseInitializeFile();
    void BrowseLibraryFile();
    void BrowseImage();
    // The file dialog's answer as the model writes paths, into edit; false when cancelled.
    bool ChooseInto(QLineEdit* edit, bool save, const QString& title, const QString& filter,
                    const QString& suffix);
    bool ChooseInto(QLineEdit* edit, bool save, const QString& title, FileKind kind);
    void ShowImage();
    // The colour label: a click chooses the panel's background colour, which the label shows.
    void ChoosePanelColour();
    void ShowPanelColour();

    BatchTrigger VisibleTrigger() const;
    void AddBatchItem();
    // The sort, compare-apply or duplicate-deletion dialog on the library; false when closed
    // without 実行.
    bool RunOperationDialog(TLibrarySetting::BatchEntry entry, StringList& lines);
    void RemoveBatchItem();
    void FillGrid(BatchTrigger trigger);
    void GridRowMoved(BatchTrigger trigger, int from, int to);

    const TZQLCtrl& library_;
    IDialogs& dialogs_;
    TLibrarySetting setting_;
    QLineEdit* outputEdit_ = nullptr;
    QLineEdit* parameterEdit_ = nullptr;
    QLineEdit* initializeEdit_ = nullptr;
    QLineEdit* libraryEdit_ = nullptr;
    QPlainTextEdit* descriptionEdit_ = nullptr;
    QLineEdit* imageEdit_ = nullptr;
    QLabel* image_ = nullptr;
    QListWidget* entries_ = nullptr;
    QTabWidget* batchPages_ = nullptr;
    QPushButton* templateButton_ = nullptr;
    QSpinBox* intervalEdit_ = nullptr;
    QSpinBox* groupCountEdit_ = nullptr;
    QLabel* colourLabel_ = nullptr;
    std::function<void(QWidget*)> templateWriter_;
    std::array<QListWidget*, kBatchTriggerCount> grids_{};
};

}  // namespace tabrix
