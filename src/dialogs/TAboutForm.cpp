#include "dialogs/TAboutForm.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/AppIdentity.h"

namespace tabrix {

namespace {

QString AboutText() {
    return QStringLiteral(
               "<h2 style='margin-bottom:0'>Tabrix</h2>"
               "<p>型付きの要素データのライブラリエディタ</p>"
               "<p>バージョン %1<br>ファイルバージョン 2.2<br>Qt %2（実行中）/ %3（ビルド時）</p>"
               "<p>MIT ライセンスで配布されます。<br>"
               "このソフトウェアは無保証で提供されます。</p>")
        .arg(AppIdentity::Version(), QString::fromLatin1(qVersion()),
             QStringLiteral(QT_VERSION_STR));
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("Tabrix について"));

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIdentity::Icon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(AboutText(), this);
    text->setObjectName(QStringLiteral("AboutText"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tabrix
