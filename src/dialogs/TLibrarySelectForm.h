// The library selection dialog of the open command: the history of recently opened libraries
// (histry.log in the settings folder), browsing for a library file, and the templates of the
// data folder to derive a new library from. The preview shows the chosen library's preview
// image and memo.
#pragma once

#include <QDialog>

namespace tabrix {

class IDialogs;

class TLibrarySelectForm : public QDialog {
    Q_OBJECT

public:
    // configDir holds histry.log; templateDir the template libraries (*.ZQL).
    TLibrarySelectForm(const QString& configDir, const QString& templateDir, IDialogs& dialogs,
                       QWidget* parent = nullptr);
    ~TLibrarySelectForm() override;

    // Results, read after OK: the library file path (native, may be empty), whether to derive
    // from a template, and the chosen template's full path (empty when none).
    QString LibraryPath() const;
    bool DeriveFromTemplate() const;
    QString TemplatePath() const;

private:
    QString configDir_;
    QString templateDir_;
    IDialogs& dialogs_;
};

}  // namespace tabrix
