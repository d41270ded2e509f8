// One step of a library window's history: an edit log (see TEditLog) on Qt's undo stack. The
// edit is done when it is pushed; undo and redo replay the log, and the document that made it
// repaints the views and shows the rows the step touched.
#pragma once

#include <QUndoCommand>

#include <memory>

#include "model/TEditLog.h"

namespace tabrix {

class TGroupSettingSwap;
class TLibraryDocument;

// What a step changed beyond element data, which the views of the library take over anew
// when it is undone or done again.
enum class TStepKind { kElements, kLibrarySettings, kParameters, kGroups };

// The group a step shows when it is undone or done again, and the rows selected then.
struct TStepView {
    int group = -1;  // none: the window stays where it is
    int undoneFirst = -1;
    int undoneLast = -1;
    int doneFirst = -1;
    int doneLast = -1;
    TStepKind kind = TStepKind::kElements;
    const TGroupSettingSwap* groups = nullptr;  // a group settings commit's record (kGroups)
};

class TEditCommand : public QUndoCommand {
public:
    TEditCommand(TLibraryDocument& document, const QString& name, std::unique_ptr<TEditLog> log,
                 const TStepView& view);

    const TEditLog& Log() const { return *log_; }
    const TStepView& View() const { return view_; }
    void SetDoneRows(int first, int last) {
        view_.doneFirst = first;
        view_.doneLast = last;
    }
    // Hands the log over to a command made anew for it (the history is trimmed by making the
    // stack again); this command is empty afterwards.
    std::unique_ptr<TEditLog> TakeLog() { return std::move(log_); }

    void undo() override;
    void redo() override;

private:
    TLibraryDocument& document_;
    std::unique_ptr<TEditLog> log_;
    TStepView view_;
    bool done_ = true;  // pushed after the edit was made: the first redo has nothing to do
};

}  // namespace tabrix
