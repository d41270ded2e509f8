// The duplicate-deletion dialog: the judge parameters and the target groups, turned into the
// data lines of a duplicate-deletion item. It changes nothing itself.
#pragma once

#include "dialogs/TOperationForm.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TCheckList;

class TSameDeleteForm : public TOperationForm {
    Q_OBJECT

public:
    TSameDeleteForm(const TZQLCtrl& library, IDialogs& dialogs, QWidget* parent = nullptr);

    StringList DataLines() const override;

protected:
    // Refused without a judge parameter, then without a target group.
    QString Refusal() const override;

private:
    TCheckList* judges_;
    TCheckList* targets_;
};

}  // namespace tabrix
