#include "dialogs/TOperationForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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

}  // namespace tabrix
