#include "dialogs/TTableExportForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/TTableExchangeControls.h"

namespace tabrix {

TTableExportForm::TTableExportForm(const QString& fileName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("エクスポート"));
    formatBox_ =
        TTableExchangeControls::MakeFormatBox(TTableExchangeControls::KindOf(fileName), this);
    encodingBox_ = TTableExchangeControls::MakeEncodingBox(TTableFormat::kUtf8, this);
    auto* file = new QLabel(QFileInfo(fileName).fileName(), this);
    file->setObjectName(QStringLiteral("FileLabel"));
    file->setToolTip(fileName);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBBtn"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ファイル:"), file);
    form->addRow(QStringLiteral("形式(&F):"), formatBox_);
    form->addRow(QStringLiteral("文字コード(&C):"), encodingBox_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TTableFormat TTableExportForm::Format() const {
    return TTableExchangeControls::FormatOf(*formatBox_, *encodingBox_);
}

}  // namespace tabrix
