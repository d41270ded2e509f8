#include "windows/TOperationProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "platform/QtText.h"

namespace tabrix {

TOperationProgress::TOperationProgress(QWidget* parent, const QString& operation, int minimumMs)
    : operation_(operation),
      minimumMs_(minimumMs),
      dialog_(std::make_unique<QProgressDialog>(parent)) {
    dialog_->setWindowTitle(operation);
    dialog_->setLabelText(operation);
    // The operations cannot stop half-way: there is nothing to cancel.
    dialog_->setCancelButton(nullptr);
    dialog_->setRange(0, 0);
    dialog_->setMinimumDuration(minimumMs);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    // Nothing else may change the library while the operation runs.
    dialog_->setWindowModality(Qt::ApplicationModal);
    // Stops Qt's own timer, which would show the dialog from any event loop that runs meanwhile
    // (a question the output asks), however short the work itself.
    dialog_->reset();
    dialog_->hide();
    clock_.start();
}

TOperationProgress::~TOperationProgress() = default;

void TOperationProgress::Report(const std::string& message) {
    if (!dialog_->isVisible()) {
        if (clock_.elapsed() < minimumMs_) return;
        dialog_->show();
    }
    dialog_->setLabelText(
        message.empty() ? operation_ : operation_ + QLatin1Char('\n') + QtText::FromCp932(message));
    // Only paints and timers: the user's input waits until the operation is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TOperationProgress::Shown() const {
    return dialog_->isVisible();
}

QString TOperationProgress::Label() const {
    return dialog_->labelText();
}

}  // namespace tabrix
