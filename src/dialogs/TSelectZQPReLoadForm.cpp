#include "dialogs/TSelectZQPReLoadForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tabrix {

TSelectZQPReLoadForm::TSelectZQPReLoadForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("上書/読み込みの選択"));
    auto* text =
        new QLabel(QStringLiteral("指定のZQPファイルは既に存在します。\n"
                                  "指定したZQPを読み込みますか？\n"
                                  "それとも現在の設定を上書きしますか？"));
    auto* read = new QPushButton(QStringLiteral("読み込む"));
    read->setObjectName(QStringLiteral("ReadBtn"));
    read->setDefault(true);
    connect(read, &QPushButton::clicked, this, [this] { done(kRead); });
    auto* overwrite = new QPushButton(QStringLiteral("上書する"));
    overwrite->setObjectName(QStringLiteral("OverwriteBtn"));
    connect(overwrite, &QPushButton::clicked, this, [this] { done(kOverwrite); });
    auto* keep = new QPushButton(QStringLiteral("変更しない"));
    keep->setObjectName(QStringLiteral("KeepBtn"));
    connect(keep, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(read);
    buttons->addWidget(overwrite);
    buttons->addWidget(keep);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
}

}  // namespace tabrix
