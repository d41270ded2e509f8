// Runs a library's timed batch list every interval seconds while its window is open. A run that
// falls due while a modal dialog is open, while another run is still going (its save may be
// asking where to write), or while the window is not ready for one (its panel holds edits not
// yet applied, which a reordering would drop) waits, looking again every second, and then runs
// once; the regular interval then starts again.
#pragma once

#include <functional>
#include <memory>

#include "platform/ITicker.h"

namespace tabrix {

class TLibraryDocument;

class TTimedBatch {
public:
    static constexpr int kRetryMs = 1000;

    // ready tells whether the window can take a run now.
    TTimedBatch(TLibraryDocument& document, std::function<bool()> ready);
    ~TTimedBatch();

    // Replaces the ticker (tests tick by hand) and starts it again.
    void SetTicker(std::unique_ptr<ITicker> ticker);
    // Takes the library's timed list and interval as they are now: ticking while the list has
    // items, stopped while it is empty. Called after opening and after the library settings.
    void Restart();
    void Stop();

private:
    void Tick();
    bool MustWait() const;

    TLibraryDocument& document_;
    std::function<bool()> ready_;
    std::unique_ptr<ITicker> ticker_;
    bool running_ = false;
    bool waiting_ = false;
};

}  // namespace tabrix
