// The dialogs of an editor nobody watches (the screenshot mode): a modal box there would wait
// for ever. Messages and questions go to stderr, every question takes its default button (the
// one Enter presses), an input box its default text, and every choice of a file, folder, font
// or colour, like every dialog of the editor's own, is cancelled.
#pragma once

#include <cstdio>

#include "platform/IDialogs.h"

namespace tabrix {

class TConsoleDialogs : public IDialogs {
public:
    explicit TConsoleDialogs(std::FILE* out = stderr) : out_(out) {}

    void Message(QWidget* parent, const QString& text, const QString& caption = {},
                 Icon icon = Icon::kNone) override;
    Answer AskOkCancel(QWidget* parent, const QString& text, const QString& caption,
                       Icon icon = Icon::kQuestion) override;
    Answer AskYesNo(QWidget* parent, const QString& text, const QString& caption) override;
    Answer AskYesNoCancel(QWidget* parent, const QString& text, const QString& caption) override;
    bool InputText(QWidget* parent, const QString& caption, const QString& prompt,
                   QString& value) override;
    bool OpenFile(QWidget* parent, const QString& title, const QString& filter,
                  const QString& defaultSuffix, QString& path) override;
    bool SaveFile(QWidget* parent, const QString& title, const QString& filter,
                  const QString& defaultSuffix, QString& path) override;
    bool ChooseFolder(QWidget* parent, const QString& title, QString& path) override;
    bool ChooseFont(QWidget* parent, QFont& font) override;
    bool ChooseColour(QWidget* parent, QColor& colour) override;
    int Exec(QDialog& dialog) override;

private:
    // One line: "tabrix: caption: text (answer)", line breaks of the text shown as " / ".
    void Print(const QString& caption, const QString& text, const QString& answer) const;

    std::FILE* out_;
};

}  // namespace tabrix
