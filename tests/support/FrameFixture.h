// The frame a window test drives: a real TMainForm with scripted dialogs and a settings folder
// of its own, made before each test and checked afterwards for questions nobody expected.
#pragma once

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ScriptedDialogs.h"
#include "windows/TMainForm.h"

namespace tabrix::test {

class FrameFixture {
protected:
    void StartFrame(int width, int height) {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        config_ = std::make_unique<QTemporaryDir>();
        frame_ = std::make_unique<TMainForm>(*dialogs_, config_->path());
        frame_->resize(width, height);
        frame_->show();
    }
    // Destroys the frame; the unexpected questions are returned for the caller to check.
    QStringList CloseFrame() {
        const QStringList unexpected = dialogs_->Unexpected();
        frame_.reset();
        return unexpected;
    }

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<TMainForm> frame_;
};

}  // namespace tabrix::test
