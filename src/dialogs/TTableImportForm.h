// The choices of an import once its file was read: CSV or TSV, the encoding (a file beginning
// with a byte-order mark is UTF-8, and the choice is fixed), append or replace, and what each
// column is read as: a parameter, the output flag or nothing, at first what its head names.
// The first rows are shown as the chosen format and encoding read them, read again whenever
// those change.
#pragma once

#include <QDialog>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/TTableFormat.h"
#include "model/TTableForms.h"

class QComboBox;
class QLabel;
class QRadioButton;
class QTableWidget;

namespace tabrix {

class TZQLCtrl;

class TTableImportForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPreviewRows = 20;

    TTableImportForm(const TZQLCtrl& library, const QString& fileName, std::string bytes,
                     QWidget* parent = nullptr);

    TTableFormat Format() const;
    bool Replace() const;
    // Per column of the file: a parameter's position, TTableForms::kOutputColumn, or none.
    std::vector<std::optional<std::size_t>> Columns() const;

private:
    void ReadPreview();
    QComboBox* MakeColumnBox(const std::string& head);
    void ShowRow(int row, std::span<const std::string_view> fields);

    TTableForms forms_;
    std::string bytes_;
    QComboBox* formatBox_;
    QComboBox* encodingBox_;
    QRadioButton* appendButton_;
    QRadioButton* replaceButton_;
    QTableWidget* preview_;
    QLabel* problemLabel_;
    std::vector<QComboBox*> columnBoxes_;
};

}  // namespace tabrix
