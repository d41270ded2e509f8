// The element commands of every window that shows one group of a library, the library window
// and the sub window: add, insert and delete, with their questions, keys and hints, made once,
// so that both windows make the same steps in the document.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QWidget;

namespace tabrix {

class IDialogs;
class TLibraryDocument;

class TElementCommands : public QObject {
    Q_OBJECT

public:
    // More elements than this in one add or insert is refused (a typo, not a wish).
    static constexpr long kMaxCount = 1'000'000;

    // What the window shows and selects, asked when a command runs.
    struct View {
        std::function<TLibraryDocument*()> document;
        std::function<int()> group;     // -1: none
        std::function<int()> mouseRow;  // the row under the mouse, -1: none
        std::function<bool(int& top, int& bottom)> selectedRange;
        std::function<void(int first, int last, int current)> selectRows;
    };

    // Makes the actions A_Add (Alt+Ins), A_Insert and A_Delete (Alt+Del) of window.
    TElementCommands(QWidget& window, IDialogs& dialogs, View view);

    QAction* Add() const { return add_; }
    QAction* Insert() const { return insert_; }
    QAction* Delete() const { return delete_; }

    // The count typed into the add or insert box: full-width digits read as digits, text that
    // is not a number as 0.
    static long ParseCount(const QString& text);
    // The add and insert boxes: false when cancelled or the count is below 1 (or too large).
    static bool AskCount(IDialogs& dialogs, QWidget* parent, const QString& caption,
                         const QString& prompt, long& count);
    // The question before n selected elements are deleted; true for OK.
    static bool ConfirmDelete(IDialogs& dialogs, QWidget* parent, int n);

    void AddElements();
    // Before the row under the mouse, or at the end.
    void InsertElements();
    // The selected rows, after the question; the row after them is selected then.
    void DeleteElements();

private:
    QAction* MakeAction(const char* name, const QString& text, const QString& hint,
                        void (TElementCommands::*command)());
    // The document and group shown, or false when the window shows none.
    bool Shown(TLibraryDocument*& document, std::size_t& group) const;

    QWidget& window_;
    IDialogs& dialogs_;
    View view_;
    QAction* add_;
    QAction* insert_;
    QAction* delete_;
};

}  // namespace tabrix
