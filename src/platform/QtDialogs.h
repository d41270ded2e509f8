// The dialogs of the running editor: message boxes with the system's texts and buttons, the
// input box, file, folder, font and colour dialogs, all modal over their parent.
#pragma once

#include "platform/IDialogs.h"

namespace tabrix {

class QtDialogs : public IDialogs {
public:
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

    // "name|pattern|name|pattern" as the library files write filters, in Qt's form
    // ("name (pattern);;name (pattern)").
    static QString QtFilter(const QString& filter);
};

}  // namespace tabrix
