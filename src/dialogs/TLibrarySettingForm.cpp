#include "dialogs/TLibrarySettingForm.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

#include "dialogs/TCompareApplyForm.h"
#include "dialogs/TSameDeleteForm.h"
#include "dialogs/TSortForm.h"
#include "model/PathName.h"
#include "platform/IDialogs.h"
#include "platform/QtFileKind.h"
#include "platform/QtText.h"
#include "platform/TImageLoader.h"
#include "platform/TQtPainter.h"

namespace tabrix {

namespace {

// The batch pages in their order on the dialog, by the list each one edits.
constexpr BatchTrigger kPageTriggers[] = {kBatchOpen, kBatchClose, kBatchChange, kBatchTimed};
const char* const kPageCaptions[] = {"開始時", "終了時", "変更時", "一定時間毎"};

// The entry list's operations; sort, compare-apply and duplicate deletion are set up in their
// own dialogs. Duplicate deletion is offered too: every list runs it like the others.
struct Entry {
    const char* text;
    TLibrarySetting::BatchEntry entry;
};
constexpr Entry kEntries[] = {
    {"並び替え", TLibrarySetting::BatchEntry::kSort},
    {"判定適用", TLibrarySetting::BatchEntry::kCompareApply},
    {"上書保存", TLibrarySetting::BatchEntry::kSave},
    {"出力", TLibrarySetting::BatchEntry::kOutput},
    {"重複削除", TLibrarySetting::BatchEntry::kDuplicateDeletion},
};

QString Shown(const std::string& cp932) {
    return QtText::FromCp932(cp932);
}

std::string Taken(const QLineEdit* edit) {
    return QtText::ToCp932(edit->text());
}

}  // namespace

TLibrarySettingForm::TLibrarySettingForm(const TZQLCtrl& library, IDialogs& dialogs,
                                         QWidget* parent)
    : QDialog(parent), library_(library), dialogs_(dialogs), setting_(library) {
    setWindowTitle(QStringLiteral("ライブラリの設定"));
    auto* pages = new QTabWidget;
    pages->setObjectName(QStringLiteral("PageControl"));
    pages->addTab(BuildPathPage(), QStringLiteral("基本 1"));
    pages->addTab(BuildDescriptionPage(), QStringLiteral("基本 2"));
    pages->addTab(BuildBatchPage(), QStringLiteral("バッチ処理"));
    pages->addTab(BuildCustomPage(), QStringLiteral("カスタマイズ"));

    templateButton_ = new QPushButton(QStringLiteral("テンプレートとして書き出す"));
    templateButton_->setObjectName(QStringLiteral("OutputTemplateBtn"));
    templateButton_->setEnabled(false);
    connect(templateButton_, &QPushButton::clicked, this, [this] {
        if (templateWriter_) templateWriter_(this);
    });
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKBBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TLibrarySettingForm::accept);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("CancelBBtn"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(templateButton_);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    for (BatchTrigger trigger : kPageTriggers)
        FillGrid(trigger);
    ShowImage();
    resize(520, 380);
}

TLibrarySettingForm::~TLibrarySettingForm() = default;

void TLibrarySettingForm::SetTemplateWriter(std::function<void(QWidget*)> writer) {
    templateWriter_ = std::move(writer);
    templateButton_->setEnabled(static_cast<bool>(templateWriter_));
}

void TLibrarySettingForm::accept() {
    setting_.outputPath = Taken(outputEdit_);
    setting_.parameterPath = Taken(parameterEdit_);
    setting_.initializePath = Taken(initializeEdit_);
    setting_.libraryPath = Taken(libraryEdit_);
    setting_.previewImage = Taken(imageEdit_);
    // The memo's lines are stored apart; the edit's own line ends become CR LF between them.
    QString text = descriptionEdit_->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    setting_.description = QtText::ToCp932(text);
    setting_.timedInterval = static_cast<std::uint32_t>(intervalEdit_->value());
    setting_.look.groupListCount = static_cast<std::uint32_t>(groupCountEdit_->value());
    QDialog::accept();
}

// --- pages ------------------------------------------------------------------------------------

QLineEdit* TLibrarySettingForm::AddPathRow(QWidget* page, int row, const QString& caption,
                                           const char* name, const std::string& path,
                                           void (TLibrarySettingForm::*browse)()) {
    auto* grid = static_cast<QGridLayout*>(page->layout());
    auto* edit = new QLineEdit(Shown(path));
    edit->setObjectName(QString::fromLatin1(name));
    auto* button = new QPushButton(QStringLiteral("参照"));
    button->setObjectName(QString::fromLatin1(name) + QStringLiteral("Btn"));
    connect(button, &QPushButton::clicked, this, browse);
    grid->addWidget(new QLabel(caption), row * 2, 0, 1, 2);
    grid->addWidget(edit, row * 2 + 1, 0);
    grid->addWidget(button, row * 2 + 1, 1);
    return edit;
}

QWidget* TLibrarySettingForm::BuildPathPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    outputEdit_ = AddPathRow(page, 0, QStringLiteral("生成ファイル出力先："), "OutputPathEdit",
                             setting_.outputPath, &TLibrarySettingForm::BrowseOutputFolder);
    parameterEdit_ = AddPathRow(page, 1, QStringLiteral("使用するZQPファイル："), "UseZQPEdit",
                                setting_.parameterPath, &TLibrarySettingForm::BrowseParameterFile);
    initializeEdit_ =
        AddPathRow(page, 2, QStringLiteral("使用するZQIファイル："), "UseZQIEdit",
                   setting_.initializePath, &TLibrarySettingForm::BrowseInitializeFile);
    libraryEdit_ = AddPathRow(page, 3, QStringLiteral("このZQLファイルの保存先："), "ZQLEdit",
                              setting_.libraryPath, &TLibrarySettingForm::BrowseLibraryFile);
    grid->setRowStretch(8, 1);
    return page;
}

QWidget* TLibrarySettingForm::BuildDescriptionPage() {
    auto* page = new QWidget;
    descriptionEdit_ = new QPlainTextEdit;
    descriptionEdit_->setObjectName(QStringLiteral("SampleREdit"));
    QString text = Shown(setting_.description);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    descriptionEdit_->setPlainText(text);

    imageEdit_ = new QLineEdit(Shown(setting_.previewImage));
    imageEdit_->setObjectName(QStringLiteral("SampleImageEdit"));
    auto* browse = new QPushButton(QStringLiteral("参照"));
    browse->setObjectName(QStringLiteral("SampleImageBtn"));
    connect(browse, &QPushButton::clicked, this, &TLibrarySettingForm::BrowseImage);
    image_ = new QLabel;
    image_->setObjectName(QStringLiteral("SampleImage"));
    image_->setFixedSize(160, 120);
    image_->setAlignment(Qt::AlignCenter);
    image_->setFrameShape(QFrame::StyledPanel);

    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(imageEdit_, 1);
    imageRow->addWidget(browse);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("このライブラリの解説：")));
    layout->addWidget(descriptionEdit_, 1);
    layout->addWidget(new QLabel(QStringLiteral("参考画像：")));
    layout->addLayout(imageRow);
    layout->addWidget(image_);
    return page;
}

QWidget* TLibrarySettingForm::BuildBatchPage() {
    auto* page = new QWidget;
    entries_ = new QListWidget;
    entries_->setObjectName(QStringLiteral("BatchLBox"));
    for (const Entry& entry : kEntries)
        new QListWidgetItem(QString::fromUtf8(entry.text), entries_);
    entries_->setFixedWidth(110);

    auto* use = new QPushButton(QStringLiteral("≫"));
    use->setObjectName(QStringLiteral("ParamUseBtn"));
    connect(use, &QPushButton::clicked, this, &TLibrarySettingForm::AddBatchItem);
    auto* notUse = new QPushButton(QStringLiteral("≪"));
    notUse->setObjectName(QStringLiteral("ParamNotUseBtn"));
    connect(notUse, &QPushButton::clicked, this, &TLibrarySettingForm::RemoveBatchItem);
    for (QPushButton* button : {use, notUse})
        button->setFixedWidth(36);
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(use);
    middle->addWidget(notUse);
    middle->addStretch(1);

    batchPages_ = new QTabWidget;
    batchPages_->setObjectName(QStringLiteral("BatchPageControl"));
    for (std::size_t i = 0; i < kBatchTriggerCount; ++i) {
        const BatchTrigger trigger = kPageTriggers[i];
        auto* grid = new QListWidget;
        grid->setObjectName(QStringLiteral("BatchGrid%1").arg(i + 1));
        grid->setDragDropMode(QAbstractItemView::InternalMove);
        grid->setDefaultDropAction(Qt::MoveAction);
        connect(grid->model(), &QAbstractItemModel::rowsMoved, this,
                [this, trigger](const QModelIndex&, int start, int, const QModelIndex&, int row) {
                    GridRowMoved(trigger, start, row > start ? row - 1 : row);
                });
        grids_[trigger] = grid;
        QWidget* tab = grid;
        if (trigger == kBatchTimed) {
            tab = new QWidget;
            intervalEdit_ = new QSpinBox;
            intervalEdit_->setObjectName(QStringLiteral("BatchTimePaseEdit"));
            intervalEdit_->setRange(1, static_cast<int>(TZQLCtrl::kMaxTimedInterval));
            intervalEdit_->setValue(static_cast<int>(setting_.timedInterval));
            auto* row = new QHBoxLayout;
            row->addWidget(new QLabel(QStringLiteral("間隔(秒)：")));
            row->addWidget(intervalEdit_);
            row->addStretch(1);
            auto* layout = new QVBoxLayout(tab);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addLayout(row);
            layout->addWidget(grid, 1);
        }
        batchPages_->addTab(tab, QString::fromUtf8(kPageCaptions[i]));
    }

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(entries_);
    layout->addLayout(middle);
    layout->addWidget(batchPages_, 1);
    return page;
}

QWidget* TLibrarySettingForm::BuildCustomPage() {
    auto* page = new QWidget;
    colourLabel_ = new QLabel(QStringLiteral("パラメータボックスの背景色（クリックで変更）"));
    colourLabel_->setObjectName(QStringLiteral("ParamBoxColorLabel"));
    colourLabel_->setFrameShape(QFrame::Box);
    colourLabel_->setMargin(4);
    colourLabel_->setCursor(Qt::PointingHandCursor);
    colourLabel_->installEventFilter(this);
    ShowPanelColour();
    groupCountEdit_ = new QSpinBox;
    groupCountEdit_->setObjectName(QStringLiteral("GroupDropDownEdit"));
    groupCountEdit_->setRange(1, static_cast<int>(TLibraryLook::kMaxGroupListCount));
    groupCountEdit_->setValue(static_cast<int>(setting_.look.groupListCount));
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("グループの一覧表示数：")));
    countRow->addWidget(groupCountEdit_);
    countRow->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(colourLabel_);
    layout->addLayout(countRow);
    layout->addStretch(1);
    return page;
}

bool TLibrarySettingForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == colourLabel_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ChoosePanelColour();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TLibrarySettingForm::ChoosePanelColour() {
    QColor colour = setting_.look.panelColour ? TQtPainter::ToQColor(*setting_.look.panelColour)
                                              : palette().color(QPalette::Window);
    if (!dialogs_.ChooseColour(this, colour) || !colour.isValid()) return;
    setting_.look.panelColour = TQtPainter::FromQColor(colour);
    ShowPanelColour();
}

void TLibrarySettingForm::ShowPanelColour() {
    QPalette shown;
    if (setting_.look.panelColour)
        shown.setColor(QPalette::Window, TQtPainter::ToQColor(*setting_.look.panelColour));
    colourLabel_->setPalette(shown);
    colourLabel_->setAutoFillBackground(setting_.look.panelColour.has_value());
}

// --- browsing ---------------------------------------------------------------------------------

bool TLibrarySettingForm::ChooseInto(QLineEdit* edit, bool save, const QString& title,
                                     const QString& filter, const QString& suffix) {
    QString native = QtText::FromNative(PathName::ToNative(Taken(edit)));
    const bool chosen = save ? dialogs_.SaveFile(this, title, filter, suffix, native)
                             : dialogs_.OpenFile(this, title, filter, suffix, native);
    std::string path;
    if (!chosen || native.isEmpty() || !PathName::FromNative(QtText::ToNative(native), path))
        return false;
    edit->setText(Shown(path));
    return true;
}

bool TLibrarySettingForm::ChooseInto(QLineEdit* edit, bool save, const QString& title,
                                     FileKind kind) {
    return ChooseInto(edit, save, title, QtFileKind::Filter(kind), QtFileKind::Extension(kind));
}

void TLibrarySettingForm::BrowseOutputFolder() {
    QString native = QCoreApplication::applicationDirPath();
    std::string path;
    if (dialogs_.ChooseFolder(this, QStringLiteral("生成ファイル出力先"), native) &&
        !native.isEmpty() && PathName::FromNative(QtText::ToNative(native), path))
        outputEdit_->setText(Shown(path));
}

void TLibrarySettingForm::BrowseParameterFile() {
    ChooseInto(parameterEdit_, false, QStringLiteral("使用するZQPファイル"), FileKind::kParameters);
}

void TLibrarySettingForm::BrowseInitializeFile() {
    ChooseInto(initializeEdit_, true, QStringLiteral("使用するZQIファイル"),
               FileKind::kInitializeInfo);
}

void TLibrarySettingForm::BrowseLibraryFile() {
    ChooseInto(libraryEdit_, true, QStringLiteral("このZQLファイルの保存先"), FileKind::kLibrary);
}

void TLibrarySettingForm::BrowseImage() {
    if (ChooseInto(imageEdit_, false, QStringLiteral("参考画像"),
                   QStringLiteral("BMP/JPGファイル(*.BMP, *.JPG)|*.BMP;*.JPG"),
                   QStringLiteral("BMP")))
        ShowImage();
}

// The picture is decoded as the upper-cased extension says, whatever the file holds.
void TLibrarySettingForm::ShowImage() {
    image_->clear();
    const std::string path = Taken(imageEdit_);
    const TLibrarySetting::ImageKind kind = TLibrarySetting::ImageKindOf(path);
    if (kind == TLibrarySetting::ImageKind::kNone) return;
    const QImage picture(TImageLoader::NativePath(path, Taken(libraryEdit_)),
                         kind == TLibrarySetting::ImageKind::kJpeg ? "JPG" : "BMP");
    const QImage fitted = TImageLoader::FitInto(picture, image_->contentsRect().size());
    if (!fitted.isNull()) image_->setPixmap(QPixmap::fromImage(fitted));
}

// --- batch lists --------------------------------------------------------------------------------

BatchTrigger TLibrarySettingForm::VisibleTrigger() const {
    return kPageTriggers[std::max(0, batchPages_->currentIndex())];
}

void TLibrarySettingForm::AddBatchItem() {
    const int row = entries_->currentRow();
    if (row < 0 || !entries_->item(row)->isSelected()) return;
    const BatchTrigger trigger = VisibleTrigger();
    const TLibrarySetting::BatchEntry entry = kEntries[row].entry;
    if (entry == TLibrarySetting::BatchEntry::kSave ||
        entry == TLibrarySetting::BatchEntry::kOutput) {
        setting_.AppendItem(trigger, TLibrarySetting::PlainItem(entry));
    } else {
        StringList lines;
        if (!RunOperationDialog(entry, lines)) return;
        setting_.AppendItem(trigger, TLibrarySetting::OperationItem(entry, std::move(lines)));
    }
    FillGrid(trigger);
}

bool TLibrarySettingForm::RunOperationDialog(TLibrarySetting::BatchEntry entry, StringList& lines) {
    std::unique_ptr<TOperationForm> form;
    // A stored sort names its groups itself: none is ticked to begin with.
    if (entry == TLibrarySetting::BatchEntry::kSort)
        form = std::make_unique<TSortForm>(library_, -1, dialogs_, this);
    else if (entry == TLibrarySetting::BatchEntry::kCompareApply)
        form = std::make_unique<TCompareApplyForm>(library_, dialogs_, this);
    else
        form = std::make_unique<TSameDeleteForm>(library_, dialogs_, this);
    if (dialogs_.Exec(*form) != QDialog::Accepted) return false;
    lines = form->DataLines();
    return true;
}

void TLibrarySettingForm::RemoveBatchItem() {
    const BatchTrigger trigger = VisibleTrigger();
    const int row = grids_[trigger]->currentRow();
    if (row < 0 || !setting_.RemoveItem(trigger, static_cast<std::size_t>(row))) return;
    FillGrid(trigger);
}

void TLibrarySettingForm::FillGrid(BatchTrigger trigger) {
    QListWidget* grid = grids_[trigger];
    grid->clear();
    for (const std::string& name : setting_.BatchRows(trigger)) {
        auto* item = new QListWidgetItem(Shown(name), grid);
        item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
    }
    // The "＜処理未指定＞" row stands for no item: nothing to drag.
    if (setting_.Batch(trigger).empty())
        grid->item(0)->setFlags(grid->item(0)->flags() & ~Qt::ItemIsDragEnabled);
}

void TLibrarySettingForm::GridRowMoved(BatchTrigger trigger, int from, int to) {
    setting_.MoveItem(trigger, static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    // The grid is drawn again from the list, so what it shows is what will be committed.
    QMetaObject::invokeMethod(
        this, [this, trigger] { FillGrid(trigger); }, Qt::QueuedConnection);
}

}  // namespace tabrix
