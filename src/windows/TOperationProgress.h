// The progress of a batch operation or an output: a dialog titled with the operation's name
// that appears only once the work has gone on for kMinimumMs, showing the core's latest progress
// message under the name. Short work shows nothing and lets no events through.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <string>

#include "model/Progress.h"

class QProgressDialog;
class QWidget;

namespace tabrix {

class TOperationProgress {
public:
    static constexpr int kMinimumMs = 1000;

    TOperationProgress(QWidget* parent, const QString& operation, int minimumMs = kMinimumMs);
    ~TOperationProgress();

    // Takes one progress message (CP932).
    void Report(const std::string& message);
    // The callback to hand to the core; valid while this object lives.
    Progress Callback() {
        return [this](const std::string& message) { Report(message); };
    }

    bool Shown() const;
    QString Label() const;

private:
    QString operation_;
    int minimumMs_;
    QElapsedTimer clock_;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace tabrix
