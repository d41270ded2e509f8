// The sort dialog: the key parameters, the target groups and the four options of a sort, turned
// into the data lines of a sort item. It changes nothing itself; the caller runs or stores them.
#pragma once

#include "dialogs/TOperationForm.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TCheckList;

class TSortForm : public TOperationForm {
    Q_OBJECT

public:
    // group: the group ticked on opening; -1 ticks none.
    TSortForm(const TZQLCtrl& library, int group, IDialogs& dialogs, QWidget* parent = nullptr);

    StringList DataLines() const override;

protected:
    // Refused while no key parameter is ticked.
    QString Refusal() const override;

private:
    TCheckList* keys_;
    TCheckList* groups_;
    TCheckList* options_;
};

}  // namespace tabrix
