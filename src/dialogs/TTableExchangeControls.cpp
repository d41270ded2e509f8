#include "dialogs/TTableExchangeControls.h"

#include <QComboBox>
#include <QFileInfo>

namespace tabrix {

TTableFormat::Kind TTableExchangeControls::KindOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("tsv") || suffix == QLatin1String("txt") ? TTableFormat::kTsv
                                                                            : TTableFormat::kCsv;
}

QComboBox* TTableExchangeControls::MakeFormatBox(TTableFormat::Kind kind, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("FormatCmbBox"));
    box->addItem(QStringLiteral("CSV (カンマ区切り)"), int(TTableFormat::kCsv));
    box->addItem(QStringLiteral("TSV (タブ区切り)"), int(TTableFormat::kTsv));
    box->setCurrentIndex(box->findData(int(kind)));
    return box;
}

QComboBox* TTableExchangeControls::MakeEncodingBox(TTableFormat::Encoding encoding,
                                                   QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("EncodingCmbBox"));
    box->addItem(QStringLiteral("UTF-8"), int(TTableFormat::kUtf8));
    box->addItem(QStringLiteral("Shift-JIS"), int(TTableFormat::kCp932));
    box->setCurrentIndex(box->findData(int(encoding)));
    return box;
}

TTableFormat TTableExchangeControls::FormatOf(const QComboBox& formatBox,
                                              const QComboBox& encodingBox) {
    TTableFormat format;
    format.kind = static_cast<TTableFormat::Kind>(formatBox.currentData().toInt());
    format.encoding = static_cast<TTableFormat::Encoding>(encodingBox.currentData().toInt());
    return format;
}

}  // namespace tabrix
