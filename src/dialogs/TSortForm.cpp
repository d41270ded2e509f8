#include "dialogs/TSortForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "batch/TBatchLines.h"
#include "dialogs/TCheckList.h"

namespace tabrix {

TSortForm::TSortForm(const TZQLCtrl& library, int group, IDialogs& dialogs, QWidget* parent)
    : TOperationForm(dialogs, parent),
      keys_(new TCheckList("JudgeParamCLBox")),
      groups_(new TCheckList("TargetGroupCLBox")),
      options_(new TCheckList("OptionCLBox")) {
    setWindowTitle(QStringLiteral("並び替え"));
    KeepGroupNumbers(library);
    keys_->Fill(TCheckList::ParameterNames(library));
    groups_->Fill(TCheckList::GroupNames(library));
    groups_->SetTicked(group, true);
    options_->Fill({QStringLiteral("昇順で並び替える"),
                    QStringLiteral("アルファベットの大文字小文字を区別しない"),
                    QStringLiteral("半角・全角を区別しない"),
                    QStringLiteral("ひらがな・カタカナを区別しない")});
    for (int i = 0; i < options_->count(); ++i)
        options_->SetTicked(i, true);
    // The four options show whole, without a scroll bar.
    options_->setFixedHeight(options_->sizeHintForRow(0) * 4 + 2 * options_->frameWidth() + 4);

    auto* lists = new QHBoxLayout;
    lists->addLayout(Captioned(QStringLiteral("▼基準にするパラメータ"), keys_));
    lists->addLayout(Captioned(QStringLiteral("▼対象のグループ"), groups_));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(Captioned(QStringLiteral("▼設定"), options_));
    layout->addLayout(Buttons());
    resize(420, 400);
}

StringList TSortForm::DataLines() const {
    const std::vector<bool> options = options_->Ticks();
    return TBatchLines::Sort(keys_->Ticks(), ByGroupNumber(groups_->Ticks()),
                             {options[0], options[1], options[2], options[3]});
}

QString TSortForm::Refusal() const {
    if (!keys_->AnyTicked()) return QStringLiteral("基準にするパラメータがありません！");
    return {};
}

}  // namespace tabrix
