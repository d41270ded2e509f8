#include "windows/TTimedBatch.h"

#include <QApplication>

#include "platform/TQtTicker.h"
#include "windows/TLibraryDocument.h"

namespace tabrix {

TTimedBatch::TTimedBatch(TLibraryDocument& document, std::function<bool()> ready)
    : document_(document), ready_(std::move(ready)), ticker_(std::make_unique<TQtTicker>()) {}

TTimedBatch::~TTimedBatch() = default;

void TTimedBatch::SetTicker(std::unique_ptr<ITicker> ticker) {
    ticker_->Stop();
    ticker_ = std::move(ticker);
    Restart();
}

void TTimedBatch::Restart() {
    waiting_ = false;
    const TZQLCtrl& library = document_.Library();
    if (library.BatchList(kBatchTimed).empty()) {
        ticker_->Stop();
        return;
    }
    ticker_->Start(static_cast<int>(library.TimedInterval()) * 1000, [this] { Tick(); });
}

void TTimedBatch::Stop() {
    waiting_ = false;
    ticker_->Stop();
}

bool TTimedBatch::MustWait() const {
    return running_ || QApplication::activeModalWidget() != nullptr || (ready_ && !ready_());
}

void TTimedBatch::Tick() {
    if (MustWait()) {
        if (!waiting_) ticker_->Start(kRetryMs, [this] { Tick(); });
        waiting_ = true;
        return;
    }
    running_ = true;
    document_.RunBatchList(kBatchTimed);
    running_ = false;
    // After a wait the regular interval counts from this run.
    if (waiting_) Restart();
}

}  // namespace tabrix
