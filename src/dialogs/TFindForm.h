// The find and replace dialog of a library window: modeless, one per window, in find mode
// ("検索") or replace mode ("置換", with the replacement and its buttons). It only gathers the
// options and asks for the commands; the window searches, moves and changes, and tells the
// outcome through the status line.
#pragma once

#include <QDialog>

#include "batch/TElementFinder.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tabrix {

class TCheckList;

class TFindForm : public QDialog {
    Q_OBJECT

public:
    explicit TFindForm(QWidget* parent = nullptr);

    void SetReplaceMode(bool replace);
    bool ReplaceMode() const { return replaceMode_; }
    // The parameters offered for the search, in the library's order; the ticks start again.
    void SetParameterNames(const QStringList& names);

    // The options as the controls stand (the replacement empty in find mode).
    TElementFinder::Options Options() const;
    bool AllGroups() const;
    // False while "すべてのパラメータ" is off and no parameter is ticked: a search over none.
    bool ParametersChosen() const;
    void ShowStatus(const QString& text);
    QString Status() const;
    // The search text field takes the focus, its text selected for typing over.
    void FocusText();

signals:
    void findRequested(bool forward);
    void selectAllRequested();
    void replaceRequested();
    void replaceAllRequested();

private:
    QPushButton* AddButton(const char* name, const QString& text);

    QLineEdit* text_;
    QLabel* replaceLabel_;
    QLineEdit* replacement_;
    QCheckBox* allParams_;
    TCheckList* params_;
    QRadioButton* thisGroup_;
    QRadioButton* allGroups_;
    QCheckBox* foldCase_;
    QCheckBox* foldWidth_;
    QCheckBox* foldKana_;
    QCheckBox* wholeValue_;
    QCheckBox* regex_;
    QPushButton* replace_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
    QLabel* status_;
    QWidget* buttons_;
    bool replaceMode_ = false;
};

}  // namespace tabrix
