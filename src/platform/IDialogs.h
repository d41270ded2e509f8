// Every question and message a window puts to the user, behind one interface: the editor
// injects QtDialogs, tests a script of answers, so no test ever waits on a modal window.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QDialog;
class QWidget;

namespace tabrix {

class IDialogs {
public:
    enum class Answer { kOk, kCancel, kYes, kNo };
    enum class Icon { kNone, kInformation, kQuestion, kWarning, kError };

    virtual ~IDialogs() = default;

    // A plain message with an OK button.
    virtual void Message(QWidget* parent, const QString& text, const QString& caption = {},
                         Icon icon = Icon::kNone) = 0;
    // Questions: the answer is one of the buttons offered.
    virtual Answer AskOkCancel(QWidget* parent, const QString& text, const QString& caption,
                               Icon icon = Icon::kQuestion) = 0;
    virtual Answer AskYesNo(QWidget* parent, const QString& text, const QString& caption) = 0;
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& text, const QString& caption) = 0;
    // A one-line input box; false when cancelled. value holds the default on entry.
    virtual bool InputText(QWidget* parent, const QString& caption, const QString& prompt,
                           QString& value) = 0;
    // File dialogs. filter is written as the library files store it: "name|pattern|name|pattern"
    // (for example "ZQLファイル(*.ZQL)|*.ZQL"). path holds the starting path on entry.
    virtual bool OpenFile(QWidget* parent, const QString& title, const QString& filter,
                          const QString& defaultSuffix, QString& path) = 0;
    virtual bool SaveFile(QWidget* parent, const QString& title, const QString& filter,
                          const QString& defaultSuffix, QString& path) = 0;
    virtual bool ChooseFolder(QWidget* parent, const QString& title, QString& path) = 0;
    virtual bool ChooseFont(QWidget* parent, QFont& font) = 0;
    virtual bool ChooseColour(QWidget* parent, QColor& colour) = 0;
    // Runs one of the editor's own dialogs modally and returns its result (QDialog::Accepted
    // or a value the dialog chose with done()); tests answer it through its real buttons.
    virtual int Exec(QDialog& dialog) = 0;
};

}  // namespace tabrix
