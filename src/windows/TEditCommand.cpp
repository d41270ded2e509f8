#include "windows/TEditCommand.h"

#include "windows/TLibraryDocument.h"

namespace tabrix {

TEditCommand::TEditCommand(TLibraryDocument& document, const QString& name,
                           std::unique_ptr<TEditLog> log, const TStepView& view)
    : QUndoCommand(name), document_(document), log_(std::move(log)), view_(view) {}

// While the document makes its stack again, the commands only learn where they stand.
void TEditCommand::undo() {
    if (!log_ || !done_) return;
    done_ = false;
    if (document_.Replaying()) return;
    document_.StepMoving(*this, false);
    log_->Undo();
    document_.StepMoved(*this, false);
}

void TEditCommand::redo() {
    if (!log_ || done_) return;
    done_ = true;
    if (document_.Replaying()) return;
    document_.StepMoving(*this, true);
    log_->Redo();
    document_.StepMoved(*this, true);
}

}  // namespace tabrix
