#include "dialogs/TLibrarySelectForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/TLibraryPreview.h"
#include "model/PathName.h"
#include "platform/IDialogs.h"
#include "platform/QtFileKind.h"
#include "platform/QtText.h"
#include "platform/TImageLoader.h"

namespace tabrix {

TLibrarySelectForm::TLibrarySelectForm(const QString& configDir, const QString& templateDir,
                                       IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), configDir_(configDir), templateDir_(templateDir), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("ライブラリの選択"));
    BuildWidgets();
    history_.Load(QtText::ToNative(HistoryFile()));
    FillHistoryList();
    FillTemplates();
    resize(600, 400);
}

TLibrarySelectForm::~TLibrarySelectForm() = default;

QString TLibrarySelectForm::HistoryFile() const {
    return configDir_ + QStringLiteral("/histry.log");
}

QString TLibrarySelectForm::LibraryPath() const {
    return fileEdit_->text();
}

bool TLibrarySelectForm::DeriveFromTemplate() const {
    return templateCheck_->isChecked();
}

QString TLibrarySelectForm::TemplatePath() const {
    return templateCombo_->currentData().toString();
}

// --- widgets ----------------------------------------------------------------------------------

void TLibrarySelectForm::BuildWidgets() {
    historyPanel_ = new QWidget(this);
    historyPanel_->setFixedWidth(kPanelWidth);
    historyCaption_ = new QLabel(QStringLiteral("最近使ったライブラリ"));
    panelButton_ = new QToolButton;
    panelButton_->setObjectName(QStringLiteral("PanelShowHideBtn"));
    panelButton_->setText(QStringLiteral("←"));
    panelButton_->setFixedSize(18, 18);
    connect(panelButton_, &QToolButton::clicked, this, &TLibrarySelectForm::ToggleHistoryPanel);
    libraryList_ = new QListWidget;
    libraryList_->setObjectName(QStringLiteral("LibraryLBox"));
    libraryList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(libraryList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        fileEdit_->setText(item->data(Qt::UserRole).toString());
    });
    connect(libraryList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        fileEdit_->setText(item->data(Qt::UserRole).toString());
        AcceptChoice();
    });
    historyMenu_ = new QMenu(this);
    historyMenu_->addAction(QStringLiteral("選択履歴の削除(&D)"), this,
                            &TLibrarySelectForm::DeleteSelectedEntry);
    historyMenu_->addAction(QStringLiteral("履歴のクリア(&C)"), this,
                            &TLibrarySelectForm::ClearHistory);
    connect(libraryList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        historyMenu_->popup(libraryList_->viewport()->mapToGlobal(at));
    });
    // The caption spans the panel; the button stands right of the list, so that it alone
    // remains when the panel is folded.
    auto* listRow = new QHBoxLayout;
    listRow->setContentsMargins(0, 0, 0, 0);
    listRow->setSpacing(2);
    listRow->addWidget(libraryList_, 1);
    listRow->addWidget(panelButton_, 0, Qt::AlignTop);
    auto* panelLayout = new QVBoxLayout(historyPanel_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(historyCaption_);
    panelLayout->addLayout(listRow, 1);

    auto* fileCaption = new QLabel(QStringLiteral("▼ライブラリファイル(") +
                                   QtFileKind::Pattern(FileKind::kLibrary) + QStringLiteral(")："));
    fileEdit_ = new QLineEdit;
    fileEdit_->setObjectName(QStringLiteral("ZQLFileEdit"));
    connect(fileEdit_, &QLineEdit::textChanged, this, &TLibrarySelectForm::ShowPreview);
    auto* browse = new QPushButton(QStringLiteral("参照"));
    browse->setObjectName(QStringLiteral("ZQLFileBrowsBtn"));
    connect(browse, &QPushButton::clicked, this, &TLibrarySelectForm::Browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileEdit_, 1);
    fileRow->addWidget(browse);

    templateCheck_ = new QCheckBox(QStringLiteral("テンプレートから派生させる"));
    templateCheck_->setObjectName(QStringLiteral("TemplateCBox"));
    templateCombo_ = new QComboBox;
    templateCombo_->setObjectName(QStringLiteral("TemplateCmbBox"));
    templateCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    templateCombo_->setMinimumContentsLength(12);
    connect(templateCheck_, &QCheckBox::toggled, this, &TLibrarySelectForm::ShowPreview);
    connect(templateCombo_, &QComboBox::currentIndexChanged, this,
            &TLibrarySelectForm::ShowPreview);
    auto* templateRow = new QHBoxLayout;
    templateRow->addWidget(templateCheck_);
    templateRow->addWidget(templateCombo_, 1);

    previewImage_ = new QLabel;
    previewImage_->setObjectName(QStringLiteral("PreviewImage"));
    previewImage_->setFixedSize(160, 120);
    previewImage_->setAlignment(Qt::AlignCenter);
    previewImage_->setFrameShape(QFrame::StyledPanel);
    previewMemo_ = new QPlainTextEdit;
    previewMemo_->setObjectName(QStringLiteral("PreviewREdit"));
    previewMemo_->setReadOnly(true);
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(previewImage_, 0, Qt::AlignTop);
    previewRow->addWidget(previewMemo_, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKBBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TLibrarySelectForm::AcceptChoice);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("CancelBBtn"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(ok);
    buttonRow->addWidget(cancel);

    auto* right = new QVBoxLayout;
    right->addWidget(fileCaption);
    right->addLayout(fileRow);
    right->addLayout(templateRow);
    right->addLayout(previewRow, 1);
    right->addLayout(buttonRow);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(historyPanel_);
    layout->addLayout(right, 1);
}

void TLibrarySelectForm::FillHistoryList() {
    libraryList_->clear();
    for (const std::string& path : history_.Entries()) {
        auto* item =
            new QListWidgetItem(QtText::FromNative(TLibraryHistory::FileName(path)), libraryList_);
        item->setData(Qt::UserRole, QtText::FromNative(path));
        item->setToolTip(QtText::FromNative(path));
    }
}

// Every library file in the template folders and below them, by its path relative to its
// folder: the shipped templates, then the user's own.
void TLibrarySelectForm::FillTemplates() {
    templateCombo_->clear();
    QStringList folders{templateDir_};
    const QString user = UserTemplateDir(configDir_);
    if (QDir(user).canonicalPath() != QDir(templateDir_).canonicalPath()) folders << user;
    for (const QString& folder : folders) {
        const QDir root(folder);
        QStringList found;
        QDirIterator it(folder, {QtFileKind::Pattern(FileKind::kLibrary)}, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            found << root.relativeFilePath(it.next());
        found.sort();
        for (const QString& relative : found)
            templateCombo_->addItem(relative, root.filePath(relative));
    }
}

// --- commands ---------------------------------------------------------------------------------

void TLibrarySelectForm::Browse() {
    QString path = fileEdit_->text();
    if (dialogs_.OpenFile(this, QStringLiteral("ライブラリファイルを開く"),
                          QtFileKind::OwnFilter(FileKind::kLibrary),
                          QtFileKind::Extension(FileKind::kLibrary), path))
        fileEdit_->setText(path);
}

void TLibrarySelectForm::DeleteSelectedEntry() {
    const int row = libraryList_->currentRow();
    if (row < 0 || !libraryList_->currentItem()->isSelected()) return;
    history_.Remove(static_cast<std::size_t>(row));
    delete libraryList_->takeItem(row);
}

void TLibrarySelectForm::ClearHistory() {
    history_.Clear();
    libraryList_->clear();
}

void TLibrarySelectForm::ToggleHistoryPanel() {
    const bool folding = panelButton_->text() == QStringLiteral("←");
    historyPanel_->setFixedWidth(folding ? kPanelFoldedWidth : kPanelWidth);
    historyCaption_->setVisible(!folding);
    libraryList_->setVisible(!folding);
    panelButton_->setText(folding ? QStringLiteral("→") : QStringLiteral("←"));
}

void TLibrarySelectForm::AcceptChoice() {
    const QString path = fileEdit_->text();
    if (!path.isEmpty()) history_.Add(QtText::ToNative(path));
    accept();
}

void TLibrarySelectForm::done(int result) {
    history_.SaveIfChanged(QtText::ToNative(HistoryFile()));
    QDialog::done(result);
}

// The template's preview while deriving from one, else the preview of the library file named.
void TLibrarySelectForm::ShowPreview() {
    previewImage_->clear();
    previewMemo_->clear();
    const QString nativePath = DeriveFromTemplate() ? TemplatePath() : fileEdit_->text();
    std::string path;
    TLibraryPreview preview;
    if (nativePath.isEmpty() || !PathName::FromNative(QtText::ToNative(nativePath), path) ||
        !preview.Read(path))
        return;
    QStringList memo;
    for (const std::string& line : preview.memo)
        memo << QtText::FromCp932(line);
    previewMemo_->setPlainText(memo.join(QLatin1Char('\n')));
    const QImage image =
        TImageLoader::FitInto(TImageLoader::LoadForLibrary(preview.imagePath, path),
                              previewImage_->contentsRect().size());
    if (!image.isNull()) previewImage_->setPixmap(QPixmap::fromImage(image));
}

}  // namespace tabrix
