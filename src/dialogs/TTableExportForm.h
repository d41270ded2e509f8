// The choices of an export after its file was chosen: comma- or tab-separated values (at first
// what the file's extension says) and the encoding.
#pragma once

#include <QDialog>

#include "model/TTableFormat.h"

class QComboBox;

namespace tabrix {

class TTableExportForm : public QDialog {
    Q_OBJECT

public:
    // fileName: the chosen file, shown so that the user sees what is written.
    explicit TTableExportForm(const QString& fileName, QWidget* parent = nullptr);

    TTableFormat Format() const;

private:
    QComboBox* formatBox_;
    QComboBox* encodingBox_;
};

}  // namespace tabrix
