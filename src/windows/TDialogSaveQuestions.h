// The save's questions put to the user: a save dialog for every file without a path, the
// same-name question, and a message for every file that could not be written.
#pragma once

#include <functional>

#include "files/TLibrarySaver.h"

class QWidget;

namespace tabrix {

class IDialogs;

class TDialogSaveQuestions : public TSaveQuestions {
public:
    TDialogSaveQuestions(IDialogs& dialogs, QWidget* parent, std::function<void()> storeLayout)
        : dialogs_(dialogs), parent_(parent), storeLayout_(std::move(storeLayout)) {}

    bool ChoosePath(SavedFile kind, const TGroupSetting* group, std::string& path) override;
    bool SameNameForTheOthers() override;
    void Failed(SavedFile kind, const std::string& path, FileResult result) override;
    void StoreLayout() override {
        if (storeLayout_) storeLayout_();
    }

private:
    IDialogs& dialogs_;
    QWidget* parent_;
    std::function<void()> storeLayout_;
};

}  // namespace tabrix
