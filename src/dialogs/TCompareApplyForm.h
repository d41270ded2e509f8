// The compare-apply dialog: which groups are judge sources and which apply destinations (each
// list row toggles between "除外" and "選択" on a click, its radio group showing the status of
// the selected row), which parameters are judged and which copied, turned into the data lines
// of a compare-apply item. It changes nothing itself.
#pragma once

#include <vector>

#include "dialogs/TOperationForm.h"
#include "model/TZQLCtrl.h"

class QButtonGroup;
class QGroupBox;
class QListWidget;

namespace tabrix {

class TCheckList;

class TCompareApplyForm : public TOperationForm {
    Q_OBJECT

public:
    enum Status { kExclude = 0, kSelect = 1 };

    TCompareApplyForm(const TZQLCtrl& library, IDialogs& dialogs, QWidget* parent = nullptr);

    StringList DataLines() const override;

protected:
    // Refused while a group is selected in both lists, then while a parameter is ticked in
    // both.
    QString Refusal() const override;

private:
    // One group list with its radio group and the status of every group in it.
    struct GroupSide {
        QGroupBox* box = nullptr;
        QListWidget* list = nullptr;
        QButtonGroup* radios = nullptr;
        std::vector<bool> selected;
    };

    QGroupBox* BuildSide(GroupSide& side, const char* boxName, const char* listName,
                         const QString& caption, const QStringList& groups);
    QGroupBox* BuildSentence();
    void SetStatus(GroupSide& side, int row, bool selected);
    void ShowStatus(GroupSide& side);
    static bool Overlap(const std::vector<bool>& a, const std::vector<bool>& b);

    GroupSide sources_;
    GroupSide destinations_;
    TCheckList* judges_;
    TCheckList* applies_;
};

}  // namespace tabrix
