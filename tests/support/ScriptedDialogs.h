// The dialogs of a window test: every question is answered from a script, in order. A question
// the script does not expect is recorded (with its text) and answered with Cancel, so a test
// never blocks on a modal window and fails on anything it did not foresee.
#pragma once

#include <QAbstractButton>
#include <QDebug>
#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>

#include "platform/IDialogs.h"

namespace tabrix::test {

class ScriptedDialogs : public IDialogs {
public:
    enum class Kind {
        kMessage,
        kOkCancel,
        kYesNo,
        kYesNoCancel,
        kInput,
        kOpen,
        kSave,
        kFolder,
        kFont,
        kColour,
        kDialog
    };

    struct Step {
        Kind kind;
        QString expected;  // a part of the text (or title) the question must contain
        Answer answer = Answer::kOk;
        QString value;  // the text typed or the path chosen; empty path cancels
        // kDialog: what the user does in the dialog before value, the text of the button
        // pressed (no button: the dialog is rejected, as by Escape).
        std::function<void(QDialog&)> drive;
    };

    // Queues the next answer.
    ScriptedDialogs& Expect(Kind kind, const QString& expected, Answer answer = Answer::kOk,
                            const QString& value = {}) {
        script_.push_back({kind, expected, answer, value, {}});
        return *this;
    }

    // Queues one of the editor's own dialogs, found by its caption.
    ScriptedDialogs& ExpectDialog(const QString& caption, const QString& button,
                                  std::function<void(QDialog&)> drive = {}) {
        script_.push_back({Kind::kDialog, caption, Answer::kOk, button, std::move(drive)});
        return *this;
    }

    // Everything asked, in order, as "kind: text".
    const QStringList& Asked() const { return asked_; }
    // Questions that were not scripted or did not match; empty when all went as planned.
    const QStringList& Unexpected() const { return unexpected_; }
    bool Done() const { return script_.empty(); }

    void Message(QWidget*, const QString& text, const QString&, Icon) override {
        Take(Kind::kMessage, text);
    }
    Answer AskOkCancel(QWidget*, const QString& text, const QString&, Icon) override {
        const Step* step = Take(Kind::kOkCancel, text);
        return step ? step->answer : Answer::kCancel;
    }
    Answer AskYesNo(QWidget*, const QString& text, const QString&) override {
        const Step* step = Take(Kind::kYesNo, text);
        return step ? step->answer : Answer::kNo;
    }
    Answer AskYesNoCancel(QWidget*, const QString& text, const QString&) override {
        const Step* step = Take(Kind::kYesNoCancel, text);
        return step ? step->answer : Answer::kCancel;
    }
    bool InputText(QWidget*, const QString& caption, const QString& prompt,
                   QString& value) override {
        return Value(Take(Kind::kInput, caption + QLatin1Char(' ') + prompt), value);
    }
    bool OpenFile(QWidget*, const QString& title, const QString&, const QString&,
                  QString& path) override {
        return Value(Take(Kind::kOpen, title), path);
    }
    bool SaveFile(QWidget*, const QString& title, const QString&, const QString&,
                  QString& path) override {
        return Value(Take(Kind::kSave, title), path);
    }
    bool ChooseFolder(QWidget*, const QString& title, QString& path) override {
        return Value(Take(Kind::kFolder, title), path);
    }
    bool ChooseFont(QWidget*, QFont&) override { return Take(Kind::kFont, {}) != nullptr; }
    // The step's value, when given, is the colour chosen (a name QColor reads).
    bool ChooseColour(QWidget*, QColor& colour) override {
        const Step* step = Take(Kind::kColour, {});
        if (step && !step->value.isEmpty()) colour = QColor(step->value);
        return step != nullptr;
    }
    int Exec(QDialog& dialog) override {
        dialog.setResult(QDialog::Rejected);
        const Step* step = Take(Kind::kDialog, dialog.windowTitle());
        if (!step) return QDialog::Rejected;
        // The step is copied: the drive may ask questions of its own, which replace last_.
        const Step taken = *step;
        dialog.show();
        if (taken.drive) taken.drive(dialog);
        QAbstractButton* pressed = nullptr;
        for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
            if (!taken.value.isEmpty() && button->text() == taken.value) pressed = button;
        if (pressed)
            pressed->click();
        else
            dialog.reject();
        dialog.hide();
        return dialog.result();
    }

private:
    const Step* Take(Kind kind, const QString& text) {
        asked_ << QString::number(static_cast<int>(kind)) + QStringLiteral(": ") + text;
        if (script_.empty() || script_.front().kind != kind ||
            !text.contains(script_.front().expected)) {
            unexpected_ << text;
            qWarning() << "unexpected question:" << text;
            return nullptr;
        }
        last_ = script_.front();
        script_.pop_front();
        return &last_;
    }
    static bool Value(const Step* step, QString& value) {
        if (!step || step->answer == Answer::kCancel) return false;
        value = step->value;
        return true;
    }

    std::deque<Step> script_;
    Step last_{};
    QStringList asked_;
    QStringList unexpected_;
};

}  // namespace tabrix::test
