#include "platform/TConsoleDialogs.h"

#include <QDialog>

namespace tabrix {

void TConsoleDialogs::Print(const QString& caption, const QString& text,
                            const QString& answer) const {
    QString line = QStringLiteral("tabrix: ") + (caption.isEmpty() ? QString() : caption + ": ") +
                   QString(text).replace(QLatin1Char('\n'), QStringLiteral(" / "));
    if (!answer.isEmpty()) line += QStringLiteral(" (") + answer + QLatin1Char(')');
    std::fprintf(out_, "%s\n", line.toUtf8().constData());
    std::fflush(out_);
}

void TConsoleDialogs::Message(QWidget*, const QString& text, const QString& caption, Icon) {
    Print(caption, text, {});
}

IDialogs::Answer TConsoleDialogs::AskOkCancel(QWidget*, const QString& text, const QString& caption,
                                              Icon) {
    Print(caption, text, QStringLiteral("OK"));
    return Answer::kOk;
}

IDialogs::Answer TConsoleDialogs::AskYesNo(QWidget*, const QString& text, const QString& caption) {
    Print(caption, text, QStringLiteral("はい"));
    return Answer::kYes;
}

IDialogs::Answer TConsoleDialogs::AskYesNoCancel(QWidget*, const QString& text,
                                                 const QString& caption) {
    Print(caption, text, QStringLiteral("はい"));
    return Answer::kYes;
}

bool TConsoleDialogs::InputText(QWidget*, const QString& caption, const QString& prompt,
                                QString& value) {
    Print(caption, prompt, value);
    return true;
}

bool TConsoleDialogs::OpenFile(QWidget*, const QString& title, const QString&, const QString&,
                               QString&) {
    Print(title, {}, QStringLiteral("キャンセル"));
    return false;
}

bool TConsoleDialogs::SaveFile(QWidget*, const QString& title, const QString&, const QString&,
                               QString&) {
    Print(title, {}, QStringLiteral("キャンセル"));
    return false;
}

bool TConsoleDialogs::ChooseFolder(QWidget*, const QString& title, QString&) {
    Print(title, {}, QStringLiteral("キャンセル"));
    return false;
}

bool TConsoleDialogs::ChooseFont(QWidget*, QFont&) {
    return false;
}

bool TConsoleDialogs::ChooseColour(QWidget*, QColor&) {
    return false;
}

int TConsoleDialogs::Exec(QDialog& dialog) {
    Print(dialog.windowTitle(), {}, QStringLiteral("キャンセル"));
    dialog.setResult(QDialog::Rejected);
    return QDialog::Rejected;
}

}  // namespace tabrix
