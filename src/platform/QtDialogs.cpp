#include "platform/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <initializer_list>
#include <utility>

namespace tabrix {

namespace {

// The buttons carry the system's own Japanese texts, whatever language Qt runs in.
QString ButtonText(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return QStringLiteral("OK");
        case QMessageBox::Cancel:
            return QStringLiteral("キャンセル");
        case QMessageBox::Yes:
            return QStringLiteral("はい(&Y)");
        case QMessageBox::No:
            return QStringLiteral("いいえ(&N)");
        default:
            return {};
    }
}

QMessageBox::Icon BoxIcon(IDialogs::Icon icon) {
    switch (icon) {
        case IDialogs::Icon::kInformation:
            return QMessageBox::Information;
        case IDialogs::Icon::kQuestion:
            return QMessageBox::Question;
        case IDialogs::Icon::kWarning:
            return QMessageBox::Warning;
        case IDialogs::Icon::kError:
            return QMessageBox::Critical;
        case IDialogs::Icon::kNone:
            break;
    }
    return QMessageBox::NoIcon;
}

IDialogs::Answer AnswerOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return IDialogs::Answer::kOk;
        case QMessageBox::Yes:
            return IDialogs::Answer::kYes;
        case QMessageBox::No:
            return IDialogs::Answer::kNo;
        default:
            return IDialogs::Answer::kCancel;
    }
}

// A modal box with the given buttons; closing it with Escape or the window's close button
// counts as the escape button (Cancel, or the only button).
QMessageBox::StandardButton RunBox(QWidget* parent, const QString& text, const QString& caption,
                                   IDialogs::Icon icon,
                                   std::initializer_list<QMessageBox::StandardButton> buttons,
                                   QMessageBox::StandardButton escape) {
    QMessageBox box(BoxIcon(icon), caption.isEmpty() ? QStringLiteral("Tabrix") : caption, text,
                    QMessageBox::NoButton, parent);
    for (QMessageBox::StandardButton button : buttons)
        box.addButton(button)->setText(ButtonText(button));
    box.setDefaultButton(*buttons.begin());
    box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? box.standardButton(clicked) : escape;
}

// Appends suffix to a chosen file name that has no suffix of its own.
QString WithSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || suffix.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    return path + QLatin1Char('.') + suffix;
}

}  // namespace

void QtDialogs::Message(QWidget* parent, const QString& text, const QString& caption, Icon icon) {
    RunBox(parent, text, caption, icon, {QMessageBox::Ok}, QMessageBox::Ok);
}

IDialogs::Answer QtDialogs::AskOkCancel(QWidget* parent, const QString& text,
                                        const QString& caption, Icon icon) {
    return AnswerOf(RunBox(parent, text, caption, icon, {QMessageBox::Ok, QMessageBox::Cancel},
                           QMessageBox::Cancel));
}

IDialogs::Answer QtDialogs::AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    return AnswerOf(RunBox(parent, text, caption, Icon::kQuestion,
                           {QMessageBox::Yes, QMessageBox::No}, QMessageBox::No));
}

IDialogs::Answer QtDialogs::AskYesNoCancel(QWidget* parent, const QString& text,
                                           const QString& caption) {
    return AnswerOf(RunBox(parent, text, caption, Icon::kQuestion,
                           {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel},
                           QMessageBox::Cancel));
}

bool QtDialogs::InputText(QWidget* parent, const QString& caption, const QString& prompt,
                          QString& value) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setOkButtonText(ButtonText(QMessageBox::Ok));
    dialog.setCancelButtonText(ButtonText(QMessageBox::Cancel));
    if (dialog.exec() != QDialog::Accepted) return false;
    value = dialog.textValue();
    return true;
}

bool QtDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter,
                         const QString& defaultSuffix, QString& path) {
    QFileDialog dialog(parent, title, path, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().constFirst();
    return true;
}

bool QtDialogs::SaveFile(QWidget* parent, const QString& title, const QString& filter,
                         const QString& defaultSuffix, QString& path) {
    QFileDialog dialog(parent, title, path, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    // Qt's dialog asks before replacing an existing file (the overwrite prompt).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = WithSuffix(dialog.selectedFiles().constFirst(), defaultSuffix);
    return true;
}

bool QtDialogs::ChooseFolder(QWidget* parent, const QString& title, QString& path) {
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, path);
    if (chosen.isEmpty()) return false;
    path = chosen;
    return true;
}

bool QtDialogs::ChooseFont(QWidget* parent, QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok) font = chosen;
    return ok;
}

bool QtDialogs::ChooseColour(QWidget* parent, QColor& colour) {
    const QColor chosen = QColorDialog::getColor(colour, parent);
    if (!chosen.isValid()) return false;
    colour = chosen;
    return true;
}

QString QtDialogs::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (name.isEmpty() && pattern.isEmpty()) continue;
        // Qt reads the patterns from the last parentheses of an entry; a name that already
        // shows them ("ZQLファイル(*.ZQL)") is enough, others get the pattern appended.
        const QString patterns = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (pattern.isEmpty() || name.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            entries << (name.isEmpty() ? patterns : name);
        else
            entries << (name.isEmpty() ? patterns
                                       : name + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

// A window manager need not give the focus back to the window under a modal dialog once it
// closes (openbox leaves none active after a dialog that asked a question of its own): the
// window and the widget that had the focus get it back here.
int QtDialogs::Exec(QDialog& dialog) {
    const QPointer<QWidget> window = QApplication::activeWindow();
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const int result = dialog.exec();
    if (window && window->isVisible()) {
        window->activateWindow();
        if (focus && focus->isVisible() && focus->window() == window) focus->setFocus();
    }
    return result;
}

}  // namespace tabrix
