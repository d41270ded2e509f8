// The library selection dialog of the open command: the history of recently opened libraries
// (histry.log in the settings folder), browsing for a library file, and the templates of the
// data folder to derive a new library from. The preview shows the chosen library's preview
// image and memo.
#pragma once

#include <QDialog>

#include "dialogs/TLibraryHistory.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tabrix {

class IDialogs;

class TLibrarySelectForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPanelWidth = 140;
    static constexpr int kPanelFoldedWidth = 20;

    // configDir holds histry.log and the user's own templates (UserTemplateDir); templateDir
    // the shipped template libraries (*.ZQL). Both are listed.
    TLibrarySelectForm(const QString& configDir, const QString& templateDir, IDialogs& dialogs,
                       QWidget* parent = nullptr);
    ~TLibrarySelectForm() override;

    // Results, read after OK: the library file path (native, may be empty), whether to derive
    // from a template, and the chosen template's full path (empty when none).
    QString LibraryPath() const;
    bool DeriveFromTemplate() const;
    QString TemplatePath() const;

    // The history as it stands, for tests.
    const TLibraryHistory& History() const { return history_; }
    QMenu* HistoryMenu() const { return historyMenu_; }
    QString HistoryFile() const;
    static QString UserTemplateDir(const QString& configDir) {
        return configDir + QStringLiteral("/template");
    }

    // Closing in any way writes the history when it changed.
    void done(int result) override;

private:
    void BuildWidgets();
    void FillHistoryList();
    void FillTemplates();
    void Browse();
    void DeleteSelectedEntry();
    void ClearHistory();
    void ToggleHistoryPanel();
    void AcceptChoice();
    void ShowPreview();

    QString configDir_;
    QString templateDir_;
    IDialogs& dialogs_;
    TLibraryHistory history_;
    QWidget* historyPanel_ = nullptr;
    QLabel* historyCaption_ = nullptr;
    QListWidget* libraryList_ = nullptr;
    QToolButton* panelButton_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QCheckBox* templateCheck_ = nullptr;
    QComboBox* templateCombo_ = nullptr;
    QLabel* previewImage_ = nullptr;
    QPlainTextEdit* previewMemo_ = nullptr;
    QMenu* historyMenu_ = nullptr;
};

}  // namespace tabrix
