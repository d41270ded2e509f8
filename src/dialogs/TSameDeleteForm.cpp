#include "dialogs/TSameDeleteForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "batch/TBatchLines.h"
#include "dialogs/TCheckList.h"

namespace tabrix {

TSameDeleteForm::TSameDeleteForm(const TZQLCtrl& library, IDialogs& dialogs, QWidget* parent)
    : TOperationForm(dialogs, parent),
      judges_(new TCheckList("JudgeParamCLBox")),
      targets_(new TCheckList("TargetGroupCLBox")) {
    setWindowTitle(QStringLiteral("重複削除"));
    KeepGroupNumbers(library);
    judges_->Fill(TCheckList::ParameterNames(library));
    targets_->Fill(TCheckList::GroupNames(library));
    auto* lists = new QHBoxLayout;
    lists->addLayout(Captioned(QStringLiteral("▼基準にするパラメータ"), judges_));
    lists->addLayout(Captioned(QStringLiteral("▼対象にするグループ"), targets_));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(Buttons());
    resize(420, 320);
}

StringList TSameDeleteForm::DataLines() const {
    return TBatchLines::DuplicateDeletion(judges_->Ticks(), ByGroupNumber(targets_->Ticks()));
}

QString TSameDeleteForm::Refusal() const {
    if (!judges_->AnyTicked()) return QStringLiteral("基準にするパラメータがありません！");
    if (!targets_->AnyTicked()) return QStringLiteral("対象にするグループがありません！");
    return {};
}

}  // namespace tabrix
