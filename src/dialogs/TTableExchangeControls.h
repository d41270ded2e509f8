// The controls both table dialogs share: the choice of CSV or TSV and of the encoding, with
// the format a file's extension suggests.
#pragma once

#include <QString>

#include "model/TTableFormat.h"

class QComboBox;
class QWidget;

namespace tabrix {

class TTableExchangeControls {
public:
    // TSV for ".tsv" and ".txt" (what spreadsheets write as tab-separated text), else CSV.
    static TTableFormat::Kind KindOf(const QString& fileName);
    static QComboBox* MakeFormatBox(TTableFormat::Kind kind, QWidget* parent);
    static QComboBox* MakeEncodingBox(TTableFormat::Encoding encoding, QWidget* parent);
    static TTableFormat FormatOf(const QComboBox& formatBox, const QComboBox& encodingBox);
};

}  // namespace tabrix
