#include "dialogs/TTableImportForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/TTableExchangeControls.h"
#include "model/TTableReader.h"
#include "platform/QtText.h"

namespace tabrix {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Item data of a column box: what the column is read as.
constexpr int kNotRead = -2;
constexpr int kOutputFlag = -1;

}  // namespace

TTableImportForm::TTableImportForm(const TZQLCtrl& library, const QString& fileName,
                                   std::string bytes, QWidget* parent)
    : QDialog(parent), forms_(library), bytes_(std::move(bytes)) {
    setWindowTitle(QStringLiteral("インポート"));
    const bool marked = std::string_view(bytes_).substr(0, kByteOrderMark.size()) == kByteOrderMark;
    formatBox_ =
        TTableExchangeControls::MakeFormatBox(TTableExchangeControls::KindOf(fileName), this);
    // A byte-order mark says UTF-8 whatever is chosen: the choice shows it and stays.
    encodingBox_ = TTableExchangeControls::MakeEncodingBox(TTableFormat::kUtf8, this);
    encodingBox_->setEnabled(!marked);
    appendButton_ = new QRadioButton(QStringLiteral("追加(&A)"), this);
    appendButton_->setObjectName(QStringLiteral("AppendRBtn"));
    appendButton_->setChecked(true);
    replaceButton_ = new QRadioButton(QStringLiteral("置換(&R)"), this);
    replaceButton_->setObjectName(QStringLiteral("ReplaceRBtn"));
    replaceButton_->setToolTip(QStringLiteral("グループの要素をすべて読み込んだ行に置き換えます"));
    auto* file = new QLabel(QFileInfo(fileName).fileName(), this);
    file->setToolTip(fileName);

    preview_ = new QTableWidget(this);
    preview_->setObjectName(QStringLiteral("PreviewGrid"));
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setMinimumSize(560, 300);
    problemLabel_ = new QLabel(this);
    problemLabel_->setObjectName(QStringLiteral("ProblemLabel"));
    problemLabel_->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBBtn"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* mode = new QHBoxLayout;
    mode->addWidget(appendButton_);
    mode->addWidget(replaceButton_);
    mode->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ファイル:"), file);
    form->addRow(QStringLiteral("形式(&F):"), formatBox_);
    form->addRow(QStringLiteral("文字コード(&C):"), encodingBox_);
    form->addRow(QStringLiteral("読み込み方:"), mode);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(
        QStringLiteral("先頭の行と各列の読み込み先 (最初の %1 行)").arg(kPreviewRows), this));
    layout->addWidget(preview_, 1);
    layout->addWidget(problemLabel_);
    layout->addWidget(buttons);

    connect(formatBox_, &QComboBox::currentIndexChanged, this, &TTableImportForm::ReadPreview);
    connect(encodingBox_, &QComboBox::currentIndexChanged, this, &TTableImportForm::ReadPreview);
    ReadPreview();
}

TTableFormat TTableImportForm::Format() const {
    return TTableExchangeControls::FormatOf(*formatBox_, *encodingBox_);
}

bool TTableImportForm::Replace() const {
    return replaceButton_->isChecked();
}

std::vector<std::optional<std::size_t>> TTableImportForm::Columns() const {
    std::vector<std::optional<std::size_t>> columns;
    for (const QComboBox* box : columnBoxes_) {
        const int chosen = box->currentData().toInt();
        if (chosen == kNotRead)
            columns.emplace_back();
        else if (chosen == kOutputFlag)
            columns.emplace_back(TTableForms::kOutputColumn);
        else
            columns.emplace_back(static_cast<std::size_t>(chosen));
    }
    return columns;
}

// Row 0 holds the column boxes; the header row is the table's heading, and the rows after it
// follow from row 1.
void TTableImportForm::ReadPreview() {
    TTableRows rows;
    const TTableProblem problem = TTableReader::ReadFirst(bytes_, Format(), kPreviewRows + 1, rows);
    problemLabel_->setText(problem ? QStringLiteral("%1 行目 %2 列目を読めません：「%3」")
                                         .arg(problem.line)
                                         .arg(problem.column)
                                         .arg(QString::fromStdString(problem.value))
                                   : QString());
    std::size_t columns = 0;
    for (const TTableRow& row : rows)
        columns = std::max(columns, row.fields.size());
    preview_->clear();
    columnBoxes_.clear();
    preview_->setColumnCount(static_cast<int>(columns));
    preview_->setRowCount(rows.empty() ? 1 : static_cast<int>(rows.size()));
    const std::span<const std::string_view> heads =
        rows.empty() ? std::span<const std::string_view>() : rows[0].fields;
    QStringList labels;
    for (std::size_t k = 0; k < columns; ++k) {
        const std::string head(k < heads.size() ? heads[k] : std::string_view());
        labels << QtText::FromCp932(head);
        columnBoxes_.push_back(MakeColumnBox(head));
        columnBoxes_.back()->setObjectName(QStringLiteral("ColumnCmbBox%1").arg(k));
        preview_->setCellWidget(0, static_cast<int>(k), columnBoxes_.back());
    }
    preview_->setHorizontalHeaderLabels(labels);
    // A head naming nothing is not read unless the user says otherwise; said here, before
    // anything is imported, as the command line refuses such a file.
    for (std::size_t k = 0; k < heads.size() && !problem; ++k)
        if (!forms_.ColumnOf(heads[k]))
            problemLabel_->setText(
                problemLabel_->text() +
                QStringLiteral("%1 列目「%2」はパラメータ名ではないため、読み込みません。\n")
                    .arg(k + 1)
                    .arg(QtText::FromCp932(heads[k])));
    QStringList rowLabels{QStringLiteral("読込先")};
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ShowRow(static_cast<int>(r), rows[r].fields);
        rowLabels << QString::number(rows[r].line);
    }
    preview_->setVerticalHeaderLabels(rowLabels);
    preview_->resizeColumnsToContents();
    preview_->resizeRowsToContents();
}

QComboBox* TTableImportForm::MakeColumnBox(const std::string& head) {
    auto* box = new QComboBox(preview_);
    box->addItem(QStringLiteral("(読み込まない)"), kNotRead);
    box->addItem(QtText::FromCp932(TTableForms::kOutputHead), kOutputFlag);
    for (std::size_t i = 0; i < forms_.ParameterCount(); ++i)
        box->addItem(QtText::FromCp932(forms_.Head(i)), static_cast<int>(i));
    const std::optional<std::size_t> named = forms_.ColumnOf(head);
    const int chosen = !named                                 ? kNotRead
                       : *named == TTableForms::kOutputColumn ? kOutputFlag
                                                              : static_cast<int>(*named);
    box->setCurrentIndex(box->findData(chosen));
    return box;
}

void TTableImportForm::ShowRow(int row, std::span<const std::string_view> fields) {
    for (std::size_t k = 0; k < fields.size(); ++k) {
        auto* item = new QTableWidgetItem(QtText::FromCp932(fields[k]));
        item->setToolTip(item->text());
        preview_->setItem(row, static_cast<int>(k), item);
    }
}

}  // namespace tabrix
