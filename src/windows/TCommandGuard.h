// Runs one command of a window so that memory running out ends the command, not the editor:
// an exception must not pass through Qt's event loop (it would abort the process and lose
// every unsaved edit). The user is told which command stopped; the library keeps its data,
// since every change of it completes or is undone by the document that owns it.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tabrix {

class IDialogs;

class TCommandGuard {
public:
    // Runs command; false, after the message, when memory ran out. caption is the command as
    // the menu shows it ("出力(&P)"); its accelerator is left out of the message.
    static bool Run(IDialogs& dialogs, QWidget* parent, const QString& caption,
                    const std::function<void()>& command);

    // The message for a command that ran out of memory.
    static QString Message(const QString& caption);
};

}  // namespace tabrix
