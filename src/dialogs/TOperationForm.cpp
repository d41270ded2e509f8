#include "dialogs/TOperationForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/TGroupSetting.h"
#include "model/TZQLCtrl.h"
#include "platform/IDialogs.h"

namespace tabrix {

TOperationForm::TOperationForm(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {}

void TOperationForm::accept() {
    const QString refusal = Refusal();
    if (!refusal.isEmpty()) {
        dialogs_.Message(this, refusal);
        return;
    }
    QDialog::accept();
}

QHBoxLayout* TOperationForm::Buttons() {
    auto* ok = new QPushButton(QStringLiteral("実行"));
    ok->setObjectName(QStringLiteral("OKBBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("閉じる"));
    cancel->setObjectName(QStringLiteral("CancelBBtn"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QVBoxLayout* TOperationForm::Captioned(const QString& caption, QWidget* list) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(caption));
    column->addWidget(list, 1);
    return column;
}

void TOperationForm::KeepGroupNumbers(const TZQLCtrl& library) {
    groupNumbers_.clear();
    for (const auto& group : library.Groups())
        groupNumbers_.push_back(group->Number());
}

std::vector<bool> TOperationForm::ByGroupNumber(const std::vector<bool>& shownTicks) const {
    std::vector<bool> ticks(groupNumbers_.empty() ? 0 : groupNumbers_.back() + 1, false);
    for (std::size_t i = 0; i < shownTicks.size() && i < groupNumbers_.size(); ++i)
        ticks[groupNumbers_[i]] = shownTicks[i];
    return ticks;
}

}  // namespace tabrix
