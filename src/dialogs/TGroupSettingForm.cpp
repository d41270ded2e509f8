#include "dialogs/TGroupSettingForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/TSettingGrid.h"
#include "model/PathName.h"
#include "model/TZQLCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtFileKind.h"
#include "platform/QtText.h"
#include "platform/TRichEditColoring.h"

namespace tabrix {

namespace {

const QString kNoGroup = QStringLiteral("＜使用グループ無し＞");
const QString kNoData = QStringLiteral("＜グループデータ無し＞");

QString Shown(const std::string& cp932) {
    return QtText::FromCp932(cp932);
}

// The editors show lines apart; the working copy keeps them joined with CR LF.
QString EditorText(const std::string& joined) {
    QString text = Shown(joined);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string JoinedText(const QTextEdit* editor) {
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QtText::ToCp932(text);
}

QWidget* Column(QWidget* tools, QWidget* grid, QLayout* below = nullptr) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tools);
    layout->addWidget(grid, 1);
    if (below) layout->addLayout(below);
    return column;
}

QWidget* ToolBar() {
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch(1);
    return bar;
}

}  // namespace

TGroupSettingForm::TGroupSettingForm(TZQLCtrl& library, IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), library_(library), dialogs_(dialogs), setting_(library) {
    setWindowTitle(QStringLiteral("グループの設定"));
    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(BuildGroupPage(), QStringLiteral("グループ設定"));
    pages_->addTab(BuildUsePage(), QStringLiteral("使用グループ設定"));

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKBBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TGroupSettingForm::accept);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("CancelBBtn"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);
    Refresh();
    resize(780, 480);
}

TGroupSettingForm::~TGroupSettingForm() = default;

// --- page "グループ設定"
// --------------------------------------------------------------------------

QWidget* TGroupSettingForm::BuildGroupPage() {
    groupGrid_ = new TSettingGrid(QStringLiteral("GroupDGrid"),
                                  {QStringLiteral("グループ名"), QStringLiteral("ZQDファイル名")});
    groupGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    groupGrid_->setColumnWidth(0, 130);
    connect(groupGrid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous) {
                if (row != previous) SelectGroup(row);
            });
    connect(groupGrid_, &TSettingGrid::rowsDropped, this,
            [this](const TSettingGrid* source, const QList<int>& rows, int row) {
                Dropped(groupGrid_, source, rows, row);
            });

    auto* apply = new QPushButton(QStringLiteral("グループの変更適用"));
    apply->setObjectName(QStringLiteral("GroupApplyBBtn"));
    connect(apply, &QPushButton::clicked, this, &TGroupSettingForm::ApplyGroup);
    auto* details = new QTabWidget;
    details->setObjectName(QStringLiteral("GroupPageControl"));
    details->addTab(BuildGroupDetails(), QStringLiteral("基本"));
    details->addTab(BuildFormatPage(headerEdit_, "GroupHeaderREdit"), QStringLiteral("ヘッダ"));
    details->addTab(BuildFormatPage(footerEdit_, "GroupFooterREdit"), QStringLiteral("フッタ"));
    details_ = new QWidget;
    auto* right = new QVBoxLayout(details_);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(details, 1);
    right->addWidget(apply, 0, Qt::AlignRight);

    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(groupGrid_, 1);
    layout->addWidget(details_, 1);
    return page;
}

QWidget* TGroupSettingForm::BuildGroupDetails() {
    auto* page = new QWidget;
    nameEdit_ = new QLineEdit;
    nameEdit_->setObjectName(QStringLiteral("GroupNameEdit"));
    outputBox_ = new QCheckBox(QStringLiteral("出力する　　▼出力ファイル名"));
    outputBox_->setObjectName(QStringLiteral("GroupOutputCBox"));
    fileNameEdit_ = new QLineEdit;
    fileNameEdit_->setObjectName(QStringLiteral("GroupFileNameEdit"));
    connectBox_ = new QCheckBox(QStringLiteral("連結する　　▼連結先グループ"));
    connectBox_->setObjectName(QStringLiteral("GroupConnectCBox"));
    connectCombo_ = new QComboBox;
    connectCombo_->setObjectName(QStringLiteral("GroupConnectCmbBox"));
    mustOutputBox_ = new QCheckBox(QStringLiteral("このグループは必ず出力する"));
    mustOutputBox_->setObjectName(QStringLiteral("MustOutputCBox"));
    // The mark is set elsewhere; the box is never shown but carries it through apply.
    readOnlyBox_ = new QCheckBox(QStringLiteral("変更禁止"), page);
    readOnlyBox_->setObjectName(QStringLiteral("ReadOnlyCBox"));
    readOnlyBox_->hide();

    for (QLineEdit* edit : {nameEdit_, fileNameEdit_})
        connect(edit, &QLineEdit::textChanged, this, &TGroupSettingForm::PageEdited);
    for (QCheckBox* box : {outputBox_, connectBox_, mustOutputBox_})
        connect(box, &QCheckBox::toggled, this, &TGroupSettingForm::PageEdited);
    connect(connectCombo_, &QComboBox::currentIndexChanged, this, &TGroupSettingForm::PageEdited);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("グループ名：")));
    layout->addWidget(nameEdit_);
    layout->addSpacing(8);
    layout->addWidget(outputBox_);
    layout->addWidget(fileNameEdit_);
    layout->addSpacing(8);
    layout->addWidget(connectBox_);
    layout->addWidget(connectCombo_);
    layout->addSpacing(8);
    layout->addWidget(mustOutputBox_);
    layout->addStretch(1);
    return page;
}

QWidget* TGroupSettingForm::BuildFormatPage(QTextEdit*& editor, const char* name) {
    editor = new QTextEdit;
    editor->setObjectName(QString::fromLatin1(name));
    editor->setAcceptRichText(false);
    editor->setLineWrapMode(QTextEdit::NoWrap);
    connect(editor, &QTextEdit::textChanged, this, &TGroupSettingForm::PageEdited);
    auto* colour = new QPushButton(QStringLiteral("< 着色 >"));
    colour->setObjectName(QString::fromLatin1(name) + QStringLiteral("ColorBtn"));
    QTextEdit* target = editor;
    connect(colour, &QPushButton::clicked, this, [this, target] { ColourEditor(*target); });
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(editor, 1);
    layout->addWidget(colour, 0, Qt::AlignRight);
    return page;
}

// --- page "使用グループ設定"
// ----------------------------------------------------------------------

QToolButton* TGroupSettingForm::AddTool(QWidget* bar, const char* name, const QString& text,
                                        const QString& hint, void (TGroupSettingForm::*slot)()) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(hint);
    connect(button, &QToolButton::clicked, this, slot);
    auto* layout = static_cast<QHBoxLayout*>(bar->layout());
    layout->insertWidget(layout->count() - 1, button);
    return button;
}

QWidget* TGroupSettingForm::BuildUsePage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(BuildFileColumn(), 4);
    layout->addWidget(BuildDataColumn(), 3);
    layout->addWidget(BuildGroupColumn(), 5);
    useGrid_->AcceptExportsFrom(dataGrid_);
    fileGrid_->AcceptExportsFrom(dataGrid_);
    for (TSettingGrid* grid : {fileGrid_, dataGrid_, useGrid_}) {
        connect(grid, &TSettingGrid::rowsDropped, this,
                [this, grid](const TSettingGrid* source, const QList<int>& rows, int row) {
                    Dropped(grid, source, rows, row);
                });
    }
    return page;
}

QWidget* TGroupSettingForm::BuildFileColumn() {
    QWidget* tools = ToolBar();
    AddTool(tools, "ZQDAddTBtn", QStringLiteral("読込"),
            QStringLiteral("ZQDファイルから追加読み込み"), &TGroupSettingForm::AddFileFromDisk);
    AddTool(tools, "ZQDNewTBtn", QStringLiteral("新規"), QStringLiteral("空のZQDを作成"),
            &TGroupSettingForm::CreateEmptyFile);
    AddTool(tools, "ZQDExcludeTBtn", QStringLiteral("除外"),
            QStringLiteral("選択しているZQDを除外(実データが無くなるわけではありませんが、"
                           "同時に起動している他ライブラリが使用していないかに注意)"),
            &TGroupSettingForm::ExcludeFile);
    fileGrid_ = new TSettingGrid(QStringLiteral("ZQDDGrid"), {QStringLiteral("ZQDファイル名")});
    fileGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(fileGrid_, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous) {
        if (row != previous) SelectFile(row);
    });

    pathEdit_ = new QLineEdit;
    pathEdit_->setObjectName(QStringLiteral("ZQDPathEdit"));
    pathEdit_->installEventFilter(this);
    auto* browse = new QPushButton(QStringLiteral("参照"));
    browse->setObjectName(QStringLiteral("ZQDPathBtn"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &TGroupSettingForm::BrowsePath);
    auto* below = new QGridLayout;
    below->addWidget(new QLabel(QStringLiteral("ファイルパス：")), 0, 0, 1, 2);
    below->addWidget(pathEdit_, 1, 0);
    below->addWidget(browse, 1, 1);
    return Column(tools, fileGrid_, below);
}

QWidget* TGroupSettingForm::BuildDataColumn() {
    QWidget* tools = ToolBar();
    AddTool(tools, "GDataAddTBtn", QStringLiteral("追加"),
            QStringLiteral("選択しているZQDに、空のデータを追加"),
            &TGroupSettingForm::AddGroupData);
    AddTool(tools, "GDataDeleteTBtn", QStringLiteral("削除"),
            QStringLiteral("選択データを削除(保存すると、実データも無くなります)"),
            &TGroupSettingForm::DeleteGroupData);
    dataGrid_ = new TSettingGrid(QStringLiteral("GroupDataDGrid"),
                                 {QString(), QString(), QStringLiteral("仮称")});
    dataGrid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dataGrid_->SetHandleColumn(0, QStringLiteral("ここを掴んで、他領域へドラッグドロップできます"));
    dataGrid_->SetHandleColumn(1, QStringLiteral("ここを掴んでのドラッグで、順序入れ替え"));
    dataGrid_->SetColumnDrags({TSettingGrid::DragKind::kExport, TSettingGrid::DragKind::kReorder,
                               TSettingGrid::DragKind::kNone});
    connect(dataGrid_, &QTableWidget::currentCellChanged, this,
            [this](int row) { SelectData(row); });

    dataNameEdit_ = new QLineEdit;
    dataNameEdit_->setObjectName(QStringLiteral("GDataNameEdit"));
    dataNameEdit_->installEventFilter(this);
    auto* below = new QVBoxLayout;
    below->addWidget(new QLabel(QStringLiteral("仮称：")));
    below->addWidget(dataNameEdit_);
    return Column(tools, dataGrid_, below);
}

QWidget* TGroupSettingForm::BuildGroupColumn() {
    QWidget* tools = ToolBar();
    AddTool(tools, "GroupAddTBtn", QStringLiteral("追加"),
            QStringLiteral("末尾のグループを参考に、新規グループを追加"),
            &TGroupSettingForm::AddGroups);
    AddTool(tools, "GroupExcludeTBtn", QStringLiteral("除外"),
            QStringLiteral(
                "選択グループを除外（使用しないだけで、実データが消えるわけではありません）"),
            &TGroupSettingForm::ExcludeGroups);
    useGrid_ = new TSettingGrid(
        QStringLiteral("GroupSettingDrawGrid"),
        {QStringLiteral("グループ名"), QStringLiteral("ZQDファイル名"), QStringLiteral("仮称")});
    useGrid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    useGrid_->setColumnWidth(0, 90);
    useGrid_->setColumnWidth(1, 110);
    return Column(tools, useGrid_);
}

// --- filling ------------------------------------------------------------------------------------

// Paths beside the library are shown as its file writes them.
QString TGroupSettingForm::ShownPath(const std::string& path) const {
    return Shown(PathName::MakeRelative(library_.Path(), path));
}

void TGroupSettingForm::Refresh() {
    if (file_ && *file_ >= setting_.FileCount()) file_.reset();
    FillFiles();
    FillData();
    FillGroupGrids();
    ShowPage();
}

void TGroupSettingForm::FillGroupGrids() {
    QList<QStringList> groups, uses;
    for (std::size_t i = 0; i < setting_.GroupCount(); ++i) {
        const TGroupDataSetting::GroupCopy& group = setting_.Group(i);
        const QString name = Shown(group.name);
        const QString path = ShownPath(setting_.GroupFilePath(i));
        groups << QStringList{name, path};
        uses << QStringList{name, path, group.data ? Shown(group.data->name) : QString()};
    }
    groupGrid_->SetRows(groups, kNoGroup);
    useGrid_->SetRows(uses, kNoGroup);
    const std::optional<std::size_t> loaded = setting_.LoadedGroup();
    groupGrid_->SelectQuietly(loaded ? static_cast<int>(*loaded) : -1);
}

void TGroupSettingForm::FillFiles() {
    QList<QStringList> rows;
    for (std::size_t i = 0; i < setting_.FileCount(); ++i)
        rows << QStringList{ShownPath(setting_.File(i).path)};
    fileGrid_->SetRows(rows, QString());
    fileGrid_->SelectQuietly(file_ ? static_cast<int>(*file_) : -1);
    pathEdit_->setText(file_ ? Shown(setting_.File(*file_).path) : QString());
}

void TGroupSettingForm::FillData() {
    QList<QStringList> rows;
    if (file_) {
        for (const auto& data : setting_.File(*file_).data)
            rows << QStringList{QString(), QString(), Shown(data->name)};
    }
    dataGrid_->SetRows(rows, kNoData);
    dataNameEdit_->clear();
}

// The controls of the loaded group show the working copy's page (with its unapplied edits).
void TGroupSettingForm::ShowPage() {
    const bool loaded = setting_.LoadedGroup().has_value();
    const TGroupDataSetting::GroupPage page =
        loaded ? setting_.Page() : TGroupDataSetting::GroupPage{};
    loading_ = true;
    nameEdit_->setText(Shown(page.name));
    fileNameEdit_->setText(Shown(page.outputPath));
    outputBox_->setChecked(page.output);
    connectBox_->setChecked(page.connect);
    mustOutputBox_->setChecked(page.alwaysOutput);
    readOnlyBox_->setChecked(page.readOnly);
    connectCombo_->clear();
    for (std::size_t i = 0; loaded && i < setting_.GroupCount(); ++i)
        connectCombo_->addItem(Shown(setting_.Group(i).name));
    connectCombo_->setCurrentIndex(page.connectTarget ? static_cast<int>(*page.connectTarget) : -1);
    // An editor keeps its caret and colours while its text is what it was.
    if (JoinedText(headerEdit_) != page.header) headerEdit_->setPlainText(EditorText(page.header));
    if (JoinedText(footerEdit_) != page.footer) footerEdit_->setPlainText(EditorText(page.footer));
    loading_ = false;
    details_->setEnabled(loaded);
}

TGroupDataSetting::GroupPage TGroupSettingForm::PageFromControls() const {
    TGroupDataSetting::GroupPage page;
    page.name = QtText::ToCp932(nameEdit_->text());
    page.outputPath = QtText::ToCp932(fileNameEdit_->text());
    page.output = outputBox_->isChecked();
    page.connect = connectBox_->isChecked();
    page.alwaysOutput = mustOutputBox_->isChecked();
    page.readOnly = readOnlyBox_->isChecked();
    if (connectCombo_->currentIndex() >= 0)
        page.connectTarget = static_cast<std::size_t>(connectCombo_->currentIndex());
    page.header = JoinedText(headerEdit_);
    page.footer = JoinedText(footerEdit_);
    return page;
}

// --- questions ----------------------------------------------------------------------------------

bool TGroupSettingForm::Confirm(const TSettingQuestion& question) {
    return dialogs_.AskOkCancel(this, Shown(question.text), Shown(question.caption)) ==
           IDialogs::Answer::kOk;
}

TAnswer TGroupSettingForm::AskApply(const TSettingQuestion& question) {
    switch (dialogs_.AskYesNoCancel(this, Shown(question.text), Shown(question.caption))) {
        case IDialogs::Answer::kYes:
            return TAnswer::kYes;
        case IDialogs::Answer::kNo:
            return TAnswer::kNo;
        default:
            return TAnswer::kCancel;
    }
}

void TGroupSettingForm::Run(const std::function<TSettingStep(bool)>& op) {
    TSettingStep step = op(false);
    if (step.kind == TSettingStep::kAsk) {
        if (!Confirm(step.question)) return;
        step = op(true);
    }
    if (step.kind == TSettingStep::kDone) Refresh();
}

std::optional<std::string> TGroupSettingForm::AskCount(const TSettingPrompt& prompt) {
    QString value = Shown(prompt.defaultText);
    if (!dialogs_.InputText(this, Shown(prompt.caption), Shown(prompt.prompt), value))
        return std::nullopt;
    return QtText::ToCp932(value.trimmed());
}

// --- operations, page "グループ設定"
// --------------------------------------------------------------

void TGroupSettingForm::SelectGroup(int row) {
    if (row < 0 || row >= groupGrid_->EntryCount()) return;
    const auto chosen = static_cast<std::size_t>(row);
    TSettingStep step = setting_.SelectGroup(chosen);
    if (step.kind == TSettingStep::kAsk) {
        const TAnswer answer = AskApply(step.question);
        if (answer == TAnswer::kCancel) {
            auto reselect = [this] {
                const std::optional<std::size_t> loaded = setting_.LoadedGroup();
                groupGrid_->SelectQuietly(loaded ? static_cast<int>(*loaded) : -1);
            };
            reselect();
            // A mouse press selects its row after announcing it: selected again once it is done.
            QMetaObject::invokeMethod(this, reselect, Qt::QueuedConnection);
            return;
        }
        step = setting_.SelectGroup(chosen, answer);
    }
    if (step.kind == TSettingStep::kDone) Refresh();
}

void TGroupSettingForm::PageEdited() {
    if (!loading_) setting_.EditPage(PageFromControls());
}

void TGroupSettingForm::ApplyGroup() {
    if (setting_.ApplyGroup().kind == TSettingStep::kDone) Refresh();
}

void TGroupSettingForm::ColourEditor(QTextEdit& editor) {
    const bool wasLoading = loading_;
    loading_ = true;
    TRichEditColoring::Colour(editor, library_);
    loading_ = wasLoading;
}

// --- operations, page "使用グループ設定"
// ----------------------------------------------------------

void TGroupSettingForm::SelectFile(int row) {
    if (row < 0 || row >= fileGrid_->EntryCount()) return;
    file_ = static_cast<std::size_t>(row);
    pathEdit_->setText(Shown(setting_.File(*file_).path));
    FillData();
}

void TGroupSettingForm::SelectData(int row) {
    if (!file_ || row < 0 || row >= dataGrid_->EntryCount()) return;
    dataNameEdit_->setText(Shown(setting_.File(*file_).data[static_cast<std::size_t>(row)]->name));
}

void TGroupSettingForm::AddFileFromDisk() {
    QString native = QtText::FromNative(PathName::ToNative(PathName::FolderOf(library_.Path())));
    std::string path;
    if (!dialogs_.OpenFile(this, QStringLiteral("ZQDファイルから追加読み込み"),
                           Shown(TGroupDataSetting::ZqdFilter()),
                           QtFileKind::Extension(FileKind::kElementData), native) ||
        native.isEmpty() || !PathName::FromNative(QtText::ToNative(native), path))
        return;
    if (setting_.AddFileFromDisk(path).kind != TSettingStep::kDone) return;
    file_ = setting_.FileCount() - 1;
    Refresh();
}

void TGroupSettingForm::CreateEmptyFile() {
    setting_.CreateEmptyFile();
    file_ = setting_.FileCount() - 1;
    Refresh();
}

void TGroupSettingForm::ExcludeFile() {
    const std::size_t before = setting_.FileCount();
    Run([this](bool confirmed) { return setting_.ExcludeFile(file_, confirmed); });
    // No other file takes the excluded one's place as the chosen one.
    if (setting_.FileCount() != before) {
        file_.reset();
        Refresh();
    }
}

void TGroupSettingForm::BrowsePath() {
    if (!file_) return;
    QString native = QtText::FromNative(PathName::ToNative(setting_.File(*file_).path));
    std::string path;
    if (dialogs_.SaveFile(this, QStringLiteral("ZQDファイルの保存先"),
                          Shown(TGroupDataSetting::ZqdFilter()),
                          QtFileKind::Extension(FileKind::kElementData), native) &&
        !native.isEmpty() && PathName::FromNative(QtText::ToNative(native), path))
        pathEdit_->setText(Shown(path));
}

// A typed relative path is taken beside the library, as its reader would take it.
void TGroupSettingForm::TakePath() {
    std::string path = QtText::ToCp932(pathEdit_->text().trimmed());
    if (!path.empty() && !library_.Path().empty()) path = PathName::Resolve(library_.Path(), path);
    if (setting_.SetFilePath(file_, path).kind == TSettingStep::kDone) Refresh();
}

void TGroupSettingForm::AddGroupData() {
    if (!file_) return;
    if (std::optional<std::string> count = AskCount(TGroupDataSetting::AddGroupDataPrompt()))
        Run([&](bool) { return setting_.AddGroupData(file_, *count); });
}

void TGroupSettingForm::DeleteGroupData() {
    const QList<int> selected = dataGrid_->SelectedEntries();
    const std::vector<std::size_t> rows(selected.begin(), selected.end());
    Run([&](bool confirmed) { return setting_.DeleteGroupData(file_, rows, confirmed); });
}

void TGroupSettingForm::RenameGroupData() {
    const int row = dataGrid_->currentRow();
    if (row < 0 || row >= dataGrid_->EntryCount()) return;
    const std::string name = QtText::ToCp932(dataNameEdit_->text());
    Run([&](bool) { return setting_.RenameGroupData(file_, static_cast<std::size_t>(row), name); });
}

void TGroupSettingForm::AddGroups() {
    if (!file_) return;
    if (std::optional<std::string> count = AskCount(TGroupDataSetting::AddGroupsPrompt()))
        Run([&](bool) { return setting_.AddGroups(file_, *count); });
}

void TGroupSettingForm::ExcludeGroups() {
    const QList<int> selected = useGrid_->SelectedEntries();
    const std::vector<std::size_t> rows(selected.begin(), selected.end());
    Run([&](bool confirmed) { return setting_.ExcludeGroups(rows, confirmed); });
}

void TGroupSettingForm::Dropped(const TSettingGrid* target, const TSettingGrid* source,
                                const QList<int>& rows, int row) {
    if (rows.isEmpty()) return;
    if (source == target) {
        Reordered(target, rows.front(), row < 0 ? target->EntryCount() - 1 : row);
        return;
    }
    if (source != dataGrid_ || !file_) return;
    const std::vector<std::size_t> dragged(rows.begin(), rows.end());
    const std::size_t file = *file_;
    if (target == fileGrid_ && row >= 0) {
        Run([&](bool confirmed) {
            return setting_.MoveGroupDataToFile(file, dragged, static_cast<std::size_t>(row),
                                                confirmed);
        });
    } else if (target == useGrid_) {
        Run([&](bool) { return setting_.CreateGroupsFromData(file, dragged); });
    }
}

void TGroupSettingForm::Reordered(const TSettingGrid* grid, int from, int to) {
    if (from < 0 || to < 0) return;
    const auto f = static_cast<std::size_t>(from), t = static_cast<std::size_t>(to);
    if (grid == groupGrid_ || grid == useGrid_) {
        Run([&](bool) { return setting_.MoveGroup(f, t); });
    } else if (grid == dataGrid_ && file_) {
        Run([&](bool) { return setting_.MoveGroupData(*file_, f, t); });
    } else if (grid == fileGrid_) {
        // The chosen file stays chosen where it went.
        const std::optional<std::size_t> chosen = file_;
        if (setting_.MoveFile(f, t).kind != TSettingStep::kDone) return;
        if (chosen == f)
            file_ = t;
        else if (chosen && f < *chosen && *chosen <= t)
            file_ = *chosen - 1;
        else if (chosen && t <= *chosen && *chosen < f)
            file_ = *chosen + 1;
        Refresh();
    }
}

// --- keys and OK --------------------------------------------------------------------------------

// Enter in the path and name edits takes their text; it does not press OK.
bool TGroupSettingForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == pathEdit_ || watched == dataNameEdit_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == pathEdit_)
                TakePath();
            else
                RenameGroupData();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TGroupSettingForm::ConfirmLostItems() {
    const std::vector<std::string> items = setting_.StoredItemsLosingGroups();
    if (items.empty()) return true;
    QStringList lines;
    for (const std::string& item : items)
        lines << Shown(item);
    const QString text =
        QStringLiteral(
            "除外・削除するグループを使う一括処理があります。これらは実行されなくなります：\n") +
        lines.join(QLatin1Char('\n')) + QStringLiteral("\n宜しいですか？");
    return dialogs_.AskOkCancel(this, text, QStringLiteral("確認"), IDialogs::Icon::kWarning) ==
           IDialogs::Answer::kOk;
}

void TGroupSettingForm::accept() {
    TSettingStep step = setting_.Ok();
    if (step.kind == TSettingStep::kAsk) {
        const TAnswer answer = AskApply(step.question);
        if (answer == TAnswer::kCancel) return;
        setting_.Ok(answer);
    }
    if (setting_.WantsCommit() && !ConfirmLostItems()) return;
    // Browsing alone changes nothing worth committing.
    if (setting_.WantsCommit())
        QDialog::accept();
    else
        QDialog::reject();
}

}  // namespace tabrix
