#include "dialogs/TParamSettingForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "platform/TRichEditColoring.h"

namespace tabrix {

namespace {

// The pages of one parameter and of the whole file, in their order on the dialog.
enum ParameterPage { kBasic1, kBasic2, kOwnDraw, kOwnOutput };
enum OverallPage { kOverallBasic, kCommonDraw, kCommonOutput, kUsedParameters, kImport };
constexpr int kTypeCount = 12;

QString Shown(const std::string& cp932) {
    return QtText::FromCp932(cp932);
}

QString Shown(TParamSetting::TextId id) {
    return Shown(TParamSetting::Text(id));
}

// Editors hold one line per paragraph; the formats are stored as lines joined with CR LF.
QString EditorTextOf(const std::string& joined) {
    QString text = Shown(joined);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string StoredTextOf(const QTextEdit* editor) {
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QtText::ToCp932(text);
}

QColor ColourOf(std::uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

std::uint32_t ValueOf(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           static_cast<std::uint32_t>(colour.green()) << 8 |
           static_cast<std::uint32_t>(colour.blue()) << 16;
}

QPushButton* Button(const QString& text, const char* name) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TParamSettingForm::TParamSettingForm(const TZQPCtrl& file, IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), setting_(file) {
    setWindowTitle(QStringLiteral("ParamSettingForm"));
    topPages_ = new QTabWidget;
    topPages_->setObjectName(QStringLiteral("PageControl"));
    topPages_->addTab(BuildParameterPages(), QStringLiteral("パラメータ設定"));
    topPages_->addTab(BuildOverallPages(), QStringLiteral("全体設定"));
    connect(topPages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 0)
            ParameterPageShown();
        else
            OverallPageShown();
    });

    auto* ok = Button(QStringLiteral("OK"), "OKBBtn");
    connect(ok, &QPushButton::clicked, this, &TParamSettingForm::accept);
    auto* cancel = Button(QStringLiteral("キャンセル"), "CancelBBtn");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* body = new QHBoxLayout;
    body->addWidget(BuildListColumn());
    body->addWidget(topPages_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    // Open: the copy is shown as it came from the file, and nothing counts as edited yet.
    filling_ = true;
    rowHeightBox_->setValue(static_cast<int>(setting_.RowHeight()));
    comDrawEdit_->setPlainText(EditorTextOf(setting_.CommonDrawText()));
    comOutputEdit_->setPlainText(EditorTextOf(setting_.CommonOutputText()));
    filling_ = false;
    ShowFont();
    FillList();
    FillUsedGrid();
    if (setting_.Size() > 0) {
        const QSignalBlocker block(paramList_);
        paramList_->setCurrentRow(0);
        LoadParameter(0);
    } else {
        ClearPages();
    }
    resize(780, 460);
}

TParamSettingForm::~TParamSettingForm() = default;

QFont TParamSettingForm::ToQFont(const TDrawFont& font) {
    QFont shown;
    if (!font.name.empty()) shown.setFamily(Shown(font.name));
    if (font.size > 0) shown.setPointSize(font.size);
    shown.setBold((font.style & 1) != 0);
    shown.setItalic((font.style & 2) != 0);
    shown.setUnderline((font.style & 4) != 0);
    shown.setStrikeOut((font.style & 8) != 0);
    return shown;
}

TDrawFont TParamSettingForm::FromQFont(const QFont& font, std::uint32_t colour) {
    TDrawFont drawn;
    drawn.name = QtText::ToCp932(font.family());
    drawn.size = font.pointSize() > 0 ? font.pointSize() : TZQPCtrl::kDefaultFontSize;
    drawn.style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
                  (font.strikeOut() ? 8 : 0);
    drawn.colour = colour;
    return drawn;
}

void TParamSettingForm::accept() {
    if (!SettleParameterChanges() || !ConfirmConsequences()) return;
    setting_.StoreOnOk(static_cast<std::uint32_t>(rowHeightBox_->value()),
                       StoredTextOf(comDrawEdit_), StoredTextOf(comOutputEdit_));
    QDialog::accept();
}

bool TParamSettingForm::ConfirmTypeChange(std::uint8_t type) {
    const std::optional<std::size_t> loaded = setting_.Loaded();
    if (!library_ || !loaded || setting_.At(*loaded).Type() == type) return true;
    const std::size_t lost = setting_.ValuesLostByType(*library_, type);
    if (lost == 0 ||
        dialogs_.AskOkCancel(
            this, QStringLiteral("%1 個の要素の値が失われます。宜しいですか？").arg(lost),
            Shown(TParamSetting::kConfirmCaption),
            IDialogs::Icon::kWarning) == IDialogs::Answer::kOk)
        return true;
    // Cancel keeps the old type; the other edits stay on the page, not applied.
    filling_ = true;
    ShowType(setting_.At(*loaded).Type());
    filling_ = false;
    UpdatePageStates();
    return false;
}

bool TParamSettingForm::ConfirmConsequences() {
    if (!library_ || !setting_.DialogChanged()) return true;
    QStringList parts;
    const std::vector<std::string> items = setting_.StoredItemsLosingParameters(*library_);
    if (!items.empty()) {
        QStringList lines;
        for (const std::string& item : items)
            lines << Shown(item);
        parts << QStringLiteral(
                     "削除したパラメータを使う一括処理があります。"
                     "これらは実行されなくなります：\n") +
                     lines.join(QLatin1Char('\n'));
    }
    const std::vector<std::string> files = setting_.FilesRearranged(*library_);
    if (!files.empty()) {
        QStringList lines;
        for (const std::string& path : files)
            lines << (path.empty() ? QStringLiteral("（未保存のZQD）") : Shown(path));
        parts << QStringLiteral("パラメータの並びが変わるため、次のZQDの値を並べ替えます：\n") +
                     lines.join(QLatin1Char('\n')) +
                     QStringLiteral(
                         "\n同じZQPを使う、いま読み込まれていないZQDは並べ替えられ"
                         "ません（値がずれます）。");
    }
    if (parts.isEmpty()) return true;
    const QString text = parts.join(QStringLiteral("\n\n")) + QStringLiteral("\n宜しいですか？");
    return dialogs_.AskOkCancel(this, text, Shown(TParamSetting::kConfirmCaption),
                                IDialogs::Icon::kWarning) == IDialogs::Answer::kOk;
}

bool TParamSettingForm::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the name box adds the parameter instead of pressing OK.
    if (watched == newParamEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AddParameter();
            return true;
        }
    }
    if (watched == fontLabel_ && event->type() == QEvent::MouseButtonRelease) {
        FontLabelClicked(static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- building -----------------------------------------------------------------------------------

QWidget* TParamSettingForm::BuildListColumn() {
    auto* column = new QWidget;
    newParamEdit_ = new QLineEdit;
    newParamEdit_->setObjectName(QStringLiteral("NewParamEdit"));
    newParamEdit_->installEventFilter(this);
    auto* add = Button(QStringLiteral("追加"), "ParamAddBtn");
    connect(add, &QPushButton::clicked, this, &TParamSettingForm::AddParameter);
    auto* up = Button(QStringLiteral("▲"), "ParamUpBtn");
    connect(up, &QPushButton::clicked, this, [this] { MoveParameter(true); });
    auto* down = Button(QStringLiteral("▼"), "ParamDownBtn");
    connect(down, &QPushButton::clicked, this, [this] { MoveParameter(false); });
    auto* remove = Button(QStringLiteral("削除"), "ParamDelBtn");
    connect(remove, &QPushButton::clicked, this, &TParamSettingForm::DeleteParameter);
    makeUsedBox_ = new QCheckBox(QStringLiteral("使用する"));
    makeUsedBox_->setObjectName(QStringLiteral("MakeParamUseCBox"));
    makeUsedBox_->setChecked(true);
    paramList_ = new QListWidget;
    paramList_->setObjectName(QStringLiteral("ParamLBox"));
    connect(paramList_, &QListWidget::currentRowChanged, this,
            &TParamSettingForm::ParameterClicked);
    connect(paramList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = paramList_->row(item);
        // A click that the apply question turned back leaves another row current: no second
        // question for the same click.
        if (row == paramList_->currentRow() && setting_.Loaded() != std::optional<std::size_t>(row))
            ParameterClicked(row);
    });

    auto* addRow = new QHBoxLayout;
    addRow->addWidget(newParamEdit_, 1);
    addRow->addWidget(add);
    auto* moveRow = new QHBoxLayout;
    for (QPushButton* button : {up, down})
        button->setFixedWidth(32);
    moveRow->addWidget(up);
    moveRow->addWidget(down);
    moveRow->addWidget(remove);
    moveRow->addStretch(1);
    moveRow->addWidget(makeUsedBox_);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(addRow);
    layout->addLayout(moveRow);
    layout->addWidget(paramList_, 1);
    column->setFixedWidth(260);
    return column;
}

QWidget* TParamSettingForm::BuildParameterPages() {
    auto* page = new QWidget;
    parameterPages_ = new QTabWidget;
    parameterPages_->setObjectName(QStringLiteral("PerBasePCtrl"));
    parameterPages_->addTab(BuildBasic1Page(), QStringLiteral("基本 1"));
    parameterPages_->addTab(BuildBasic2Page(), QStringLiteral("基本 2"));
    parameterPages_->addTab(BuildFormatPage(perDrawEdit_, "PerDFREdit"),
                            QStringLiteral("描画書式"));
    parameterPages_->addTab(BuildFormatPage(perOutputEdit_, "PerOFREdit"),
                            QStringLiteral("出力書式"));
    connect(parameterPages_, &QTabWidget::currentChanged, this,
            &TParamSettingForm::ParameterPageShown);
    for (QTextEdit* editor : {perDrawEdit_, perOutputEdit_})
        connect(editor, &QTextEdit::textChanged, this, &TParamSettingForm::ParameterEdited);
    applyButton_ = Button(QStringLiteral("パラメータの変更適用"), "PerApplyBBtn");
    connect(applyButton_, &QPushButton::clicked, this, &TParamSettingForm::ApplyParameter);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(parameterPages_, 1);
    layout->addWidget(applyButton_, 0, Qt::AlignRight);
    return page;
}

QWidget* TParamSettingForm::BuildBasic1Page() {
    auto* page = new QWidget;
    nameEdit_ = new QLineEdit;
    nameEdit_->setObjectName(QStringLiteral("ParamNameEdit"));
    codeEdit_ = new QLineEdit;
    codeEdit_->setObjectName(QStringLiteral("ParamCodeEdit"));
    for (QLineEdit* edit : {nameEdit_, codeEdit_})
        connect(edit, &QLineEdit::textChanged, this, &TParamSettingForm::ParameterEdited);

    auto* types = new QGroupBox(QStringLiteral("性質"));
    types->setObjectName(QStringLiteral("ParamTypeRGroup"));
    typeGroup_ = new QButtonGroup(this);
    auto* grid = new QGridLayout(types);
    for (int type = 0; type < kTypeCount; ++type) {
        auto* item =
            new QRadioButton(Shown(TParamSetting::TypeItem(static_cast<std::uint8_t>(type))));
        typeGroup_->addButton(item, type);
        grid->addWidget(item, type % 6, type / 6);
    }
    connect(typeGroup_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (!checked) return;
        ParameterEdited();
        UpdatePageStates();
    });

    auto* layout = new QGridLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("パラメータ名：")), 0, 0);
    layout->addWidget(nameEdit_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("書式指定子：")), 1, 0);
    layout->addWidget(codeEdit_, 1, 1);
    layout->addWidget(types, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    return page;
}

QWidget* TParamSettingForm::BuildBasic2Page() {
    auto* page = new QWidget;
    refCombo_ = new QComboBox;
    refCombo_->setObjectName(QStringLiteral("ParamRefCmbBox"));
    connect(refCombo_, &QComboBox::activated, this, &TParamSettingForm::ChooseDisplayParameter);
    heightBox_ = new QSpinBox;
    heightBox_->setObjectName(QStringLiteral("CompHeightUD"));
    heightBox_->setRange(TParamSetting::kMinInputBoxHeight, TParamSetting::kMaxInputBoxHeight);
    connect(heightBox_, &QSpinBox::valueChanged, this, &TParamSettingForm::ParameterEdited);

    auto* selection = new QGroupBox(QStringLiteral("<論理値配列/一覧選択>用"));
    auto* addRows = new QToolButton;
    addRows->setObjectName(QStringLiteral("SelectAddTBtn"));
    addRows->setText(QStringLiteral("行追加"));
    connect(addRows, &QToolButton::clicked, this, &TParamSettingForm::AddSelectionRows);
    auto* deleteRows = new QToolButton;
    deleteRows->setObjectName(QStringLiteral("SelectDelTBtn"));
    deleteRows->setText(QStringLiteral("行削除"));
    connect(deleteRows, &QToolButton::clicked, this, &TParamSettingForm::DeleteSelectionRows);
    selectionGrid_ = new QTableWidget(1, 1);
    selectionGrid_->setObjectName(QStringLiteral("ParamSelectNumSGrid"));
    selectionGrid_->horizontalHeader()->setStretchLastSection(true);
    selectionGrid_->setHorizontalHeaderLabels({QStringLiteral("選択肢")});
    selectionGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* tools = new QHBoxLayout;
    tools->addWidget(addRows);
    tools->addWidget(deleteRows);
    tools->addStretch(1);
    auto* selectionLayout = new QVBoxLayout(selection);
    selectionLayout->addLayout(tools);
    selectionLayout->addWidget(selectionGrid_, 1);

    auto* layout = new QGridLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("参照の表示するパラメータ：")), 0, 0);
    layout->addWidget(refCombo_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("入力ボックスの縦幅：")), 1, 0);
    layout->addWidget(heightBox_, 1, 1, Qt::AlignLeft);
    layout->addWidget(selection, 2, 0, 1, 2);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);
    return page;
}

QWidget* TParamSettingForm::BuildFormatPage(QTextEdit*& editor, const char* name) {
    auto* page = new QWidget;
    editor = new QTextEdit;
    editor->setObjectName(QString::fromLatin1(name));
    editor->setAcceptRichText(false);
    editor->setLineWrapMode(QTextEdit::NoWrap);
    auto* colour = Button(QStringLiteral("< 着色 >"), "ColorBtn");
    colour->setObjectName(QString::fromLatin1(name) + QStringLiteral("ColorBtn"));
    QTextEdit* target = editor;
    connect(colour, &QPushButton::clicked, this, [this, target] { Colour(target); });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(editor, 1);
    layout->addWidget(colour, 0, Qt::AlignLeft);
    return page;
}

QWidget* TParamSettingForm::BuildOverallPages() {
    overallPages_ = new QTabWidget;
    overallPages_->setObjectName(QStringLiteral("ComPCtrl"));
    overallPages_->addTab(BuildOverallBasicPage(), QStringLiteral("基本"));
    overallPages_->addTab(BuildFormatPage(comDrawEdit_, "ComDFREdit"), QStringLiteral("描画書式"));
    overallPages_->addTab(BuildFormatPage(comOutputEdit_, "ComOFREdit"),
                          QStringLiteral("出力書式"));
    overallPages_->addTab(BuildUsedPage(), QStringLiteral("使用パラメータ"));
    overallPages_->addTab(BuildImportPage(), QStringLiteral("インポート書式"));
    connect(overallPages_, &QTabWidget::currentChanged, this, &TParamSettingForm::OverallPageShown);
    for (QTextEdit* editor : {comDrawEdit_, comOutputEdit_})
        connect(editor, &QTextEdit::textChanged, this, &TParamSettingForm::OverallEdited);
    return overallPages_;
}

QWidget* TParamSettingForm::BuildOverallBasicPage() {
    auto* page = new QWidget;
    rowHeightBox_ = new QSpinBox;
    rowHeightBox_->setObjectName(QStringLiteral("ElemGridHeightUD"));
    rowHeightBox_->setRange(static_cast<int>(TParamSetting::kMinRowHeight),
                            static_cast<int>(TParamSetting::kMaxRowHeight));
    connect(rowHeightBox_, &QSpinBox::valueChanged, this, &TParamSettingForm::OverallEdited);
    fontLabel_ = new QLabel(QStringLiteral("[ 初期描画フォント（クリックで変更） ]"));
    fontLabel_->setObjectName(QStringLiteral("ElemGridFontLabel"));
    fontLabel_->setCursor(Qt::PointingHandCursor);
    fontLabel_->installEventFilter(this);
    auto* heightRow = new QHBoxLayout;
    heightRow->addWidget(new QLabel(QStringLiteral("グリッドの縦幅：")));
    heightRow->addWidget(rowHeightBox_);
    heightRow->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(heightRow);
    layout->addWidget(fontLabel_);
    layout->addStretch(1);
    return page;
}

QWidget* TParamSettingForm::BuildUsedPage() {
    auto* page = new QWidget;
    auto* use = Button(QStringLiteral("≫"), "ParamUseBtn");
    connect(use, &QPushButton::clicked, this, &TParamSettingForm::UseParameter);
    auto* notUse = Button(QStringLiteral("≪"), "ParamNotUseBtn");
    connect(notUse, &QPushButton::clicked, this, &TParamSettingForm::UnuseParameter);
    for (QPushButton* button : {use, notUse})
        button->setFixedWidth(36);
    usedGrid_ = new QListWidget;
    usedGrid_->setObjectName(QStringLiteral("UseParamDGrid"));
    usedGrid_->setDragDropMode(QAbstractItemView::InternalMove);
    usedGrid_->setDefaultDropAction(Qt::MoveAction);
    connect(usedGrid_->model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int start, int, const QModelIndex&, int row) {
                UsedRowMoved(start, row);
            });
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(use);
    buttons->addWidget(notUse);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(buttons);
    layout->addWidget(usedGrid_, 1);
    return page;
}

// How import formats are to be edited is open: the page is there, the file's import formats
// pass through the dialog unchanged, and its buttons stay disabled rather than do nothing.
QWidget* TParamSettingForm::BuildImportPage() {
    auto* page = new QWidget;
    auto* tabs = new QTabBar;
    tabs->addTab(QStringLiteral("1"));
    auto* editor = new QTextEdit;
    editor->setObjectName(QStringLiteral("ComIFREdit"));
    editor->setAcceptRichText(false);
    auto* add = Button(QStringLiteral("追加"), "ImportAddBtn");
    auto* remove = Button(QStringLiteral("削除"), "ImportDelBtn");
    for (QPushButton* button : {add, remove})
        button->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(tabs, 1);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(buttons);
    layout->addWidget(editor, 1);
    return page;
}

// --- the parameter list -------------------------------------------------------------------------

void TParamSettingForm::FillList() {
    const QSignalBlocker block(paramList_);
    const int current = paramList_->currentRow();
    paramList_->clear();
    for (std::size_t i = 0; i < setting_.Size(); ++i)
        paramList_->addItem(Shown(setting_.ListRow(i)));
    paramList_->setCurrentRow(std::min(current, paramList_->count() - 1));
    // The reference display parameter is chosen by position: the names follow the list.
    const QSignalBlocker blockCombo(refCombo_);
    refCombo_->clear();
    for (std::size_t i = 0; i < setting_.Size(); ++i)
        refCombo_->addItem(Shown(setting_.At(i).Name()));
}

void TParamSettingForm::AddParameter() {
    const ParamSettingResult result =
        setting_.Add(QtText::ToCp932(newParamEdit_->text()), makeUsedBox_->isChecked());
    if (result != ParamSettingResult::kDone) {
        dialogs_.Message(this, Shown(TParamSetting::Message(result)));
        return;
    }
    newParamEdit_->clear();
    FillList();
    FillUsedGrid();
    UpdatePageStates();
}

void TParamSettingForm::DeleteParameter() {
    const int row = paramList_->currentRow();
    if (row < 0 || !paramList_->item(row)->isSelected()) return;
    const auto i = static_cast<std::size_t>(row);
    if (dialogs_.AskOkCancel(this, Shown(setting_.DeleteQuestion(i)),
                             Shown(TParamSetting::kConfirmCaption)) != IDialogs::Answer::kOk)
        return;
    setting_.Delete(i);
    FillList();
    FillUsedGrid();
    // The pages do not go on showing a parameter that is gone.
    if (!setting_.Loaded()) {
        const QSignalBlocker block(paramList_);
        paramList_->setCurrentRow(-1);
        ClearPages();
    }
    UpdatePageStates();
}

void TParamSettingForm::MoveParameter(bool up) {
    const int row = paramList_->currentRow();
    if (row < 0 || !paramList_->item(row)->isSelected()) return;
    const auto i = static_cast<std::size_t>(row);
    if (!(up ? setting_.MoveUp(i) : setting_.MoveDown(i))) return;
    FillList();  // the selected row stays where it was
    UpdatePageStates();
}

void TParamSettingForm::ParameterClicked(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= setting_.Size()) return;
    if (!SettleParameterChanges()) {
        ReselectLoaded();
        // A mouse press selects its row after announcing it: selected again once it is done.
        QMetaObject::invokeMethod(
            this, [this] { ReselectLoaded(); }, Qt::QueuedConnection);
        return;
    }
    LoadParameter(row);
}

void TParamSettingForm::ReselectLoaded() {
    const QSignalBlocker block(paramList_);
    const std::optional<std::size_t> loaded = setting_.Loaded();
    paramList_->clearSelection();
    paramList_->setCurrentRow(loaded ? static_cast<int>(*loaded) : -1);
}

bool TParamSettingForm::SettleParameterChanges() {
    if (!setting_.ParameterChanged()) return true;
    switch (dialogs_.AskYesNoCancel(this, Shown(TParamSetting::kApplyQuestion),
                                    Shown(TParamSetting::kConfirmCaption))) {
        case IDialogs::Answer::kYes:
            // A refused apply keeps the user on the parameter, its edits intact.
            return ApplyShownParameter();
        case IDialogs::Answer::kNo:
            return true;
        default:
            return false;
    }
}

void TParamSettingForm::LoadParameter(int row) {
    const TParamPage page = setting_.Load(static_cast<std::size_t>(row));
    filling_ = true;
    parameterPages_->setEnabled(true);
    applyButton_->setEnabled(true);
    nameEdit_->setText(Shown(page.name));
    codeEdit_->setText(Shown(page.code));
    heightBox_->setValue(page.inputBoxHeight);
    ShowType(page.type);
    perDrawEdit_->setPlainText(EditorTextOf(page.drawFormat));
    perOutputEdit_->setPlainText(EditorTextOf(page.outputFormat));
    FillSelectionGrid(page.selectionRows);
    filling_ = false;
    UpdatePageStates();
}

void TParamSettingForm::ClearPages() {
    filling_ = true;
    nameEdit_->clear();
    codeEdit_->clear();
    perDrawEdit_->clear();
    perOutputEdit_->clear();
    FillSelectionGrid({});
    filling_ = false;
    parameterPages_->setEnabled(false);
    applyButton_->setEnabled(false);
}

void TParamSettingForm::ApplyParameter() {
    ApplyShownParameter();
}

bool TParamSettingForm::ApplyShownParameter() {
    TParamPage page = PageFromControls();
    if (!ConfirmTypeChange(page.type)) return false;
    const ParamSettingResult result = setting_.Apply(page);
    if (result == ParamSettingResult::kNothing) return true;
    if (result != ParamSettingResult::kDone) {
        dialogs_.Message(this, Shown(TParamSetting::Message(result)));
        return false;
    }
    // The editors show what was stored: a default format, the default choice.
    filling_ = true;
    if (perDrawEdit_->toPlainText().isEmpty())
        perDrawEdit_->setPlainText(EditorTextOf(page.drawFormat));
    if (perOutputEdit_->toPlainText().isEmpty())
        perOutputEdit_->setPlainText(EditorTextOf(page.outputFormat));
    StringList rows = setting_.At(*setting_.Loaded()).Selection();
    if (rows.empty()) rows.emplace_back();
    FillSelectionGrid(rows);
    filling_ = false;
    FillList();
    FillUsedGrid();
    UpdatePageStates();
    return true;
}

TParamPage TParamSettingForm::PageFromControls() const {
    TParamPage page;
    page.name = QtText::ToCp932(nameEdit_->text());
    page.code = QtText::ToCp932(codeEdit_->text());
    page.type = ShownType();
    page.displayParameter = refCombo_->isEnabled() ? refCombo_->currentIndex() : -1;
    page.inputBoxHeight = heightBox_->value();
    page.selectionRows = SelectionRows();
    page.drawFormat = StoredTextOf(perDrawEdit_);
    page.outputFormat = StoredTextOf(perOutputEdit_);
    return page;
}

// --- pages --------------------------------------------------------------------------------------

void TParamSettingForm::UpdatePageStates() {
    const std::optional<std::size_t> loaded = setting_.Loaded();
    const std::uint8_t type = ShownType();
    const bool references = loaded && TParamSetting::ShowsDisplayParameter(type);
    {
        const QSignalBlocker block(refCombo_);
        const TParameter* display = references ? setting_.At(*loaded).DisplayParameter() : nullptr;
        refCombo_->setCurrentIndex(display ? static_cast<int>(display->Index()) : -1);
        refCombo_->setEnabled(references);
    }
    const bool ownFormats = TParamSetting::ShowsOwnFormats(type);
    parameterPages_->setTabEnabled(kOwnDraw, ownFormats);
    parameterPages_->setTabEnabled(kOwnOutput, ownFormats);
    ParameterPageShown();
}

void TParamSettingForm::ParameterPageShown() {
    const int page = parameterPages_->currentIndex();
    if (!parameterPages_->isEnabled() || !parameterPages_->isTabEnabled(page)) return;
    if (page == kOwnDraw) Colour(perDrawEdit_);
    if (page == kOwnOutput) Colour(perOutputEdit_);
}

void TParamSettingForm::OverallPageShown() {
    const int page = overallPages_->currentIndex();
    if (page == kCommonDraw) Colour(comDrawEdit_);
    if (page == kCommonOutput) Colour(comOutputEdit_);
}

void TParamSettingForm::Colour(QTextEdit* editor) {
    // Colouring is no edit: neither flag may change on its account.
    const bool filling = filling_;
    filling_ = true;
    TRichEditColoring::Colour(*editor, setting_.ColouringLibrary());
    filling_ = filling;
}

void TParamSettingForm::ChooseDisplayParameter(int index) {
    setting_.ChooseDisplayParameter(index);
}

void TParamSettingForm::AddSelectionRows() {
    QString answer = QStringLiteral("1");
    if (!dialogs_.InputText(this, Shown(TParamSetting::kAddRowsCaption),
                            Shown(TParamSetting::kAddRowsPrompt), answer))
        return;
    const std::size_t n = TParamSetting::ReadRowCount(QtText::ToCp932(answer));
    if (n == 0) return;
    StringList rows = SelectionRows();
    rows.resize(static_cast<std::size_t>(selectionGrid_->rowCount()));
    TParamSetting::AddRows(rows, n);
    FillSelectionGrid(rows);
}

void TParamSettingForm::DeleteSelectionRows() {
    std::vector<std::size_t> selected;
    for (const QModelIndex& index : selectionGrid_->selectionModel()->selectedRows())
        selected.push_back(static_cast<std::size_t>(index.row()));
    if (selected.empty() && selectionGrid_->currentRow() >= 0)
        selected.push_back(static_cast<std::size_t>(selectionGrid_->currentRow()));
    if (selected.empty()) return;
    if (dialogs_.AskOkCancel(this, Shown(TParamSetting::kDeleteRowsQuestion),
                             Shown(TParamSetting::kConfirmCaption)) != IDialogs::Answer::kOk)
        return;
    StringList rows = SelectionRows();
    rows.resize(static_cast<std::size_t>(selectionGrid_->rowCount()));
    TParamSetting::DeleteRows(rows, selected);
    FillSelectionGrid(rows);
}

// Every row of the grid, empty ones included; Apply drops the trailing empty ones.
StringList TParamSettingForm::SelectionRows() const {
    StringList rows;
    for (int row = 0; row < selectionGrid_->rowCount(); ++row) {
        const QTableWidgetItem* item = selectionGrid_->item(row, 0);
        rows.push_back(item ? QtText::ToCp932(item->text()) : std::string());
    }
    return rows;
}

void TParamSettingForm::FillSelectionGrid(const StringList& rows) {
    selectionGrid_->clearContents();
    selectionGrid_->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
    for (std::size_t row = 0; row < rows.size(); ++row)
        selectionGrid_->setItem(static_cast<int>(row), 0, new QTableWidgetItem(Shown(rows[row])));
}

// --- overall settings ---------------------------------------------------------------------------

void TParamSettingForm::FillUsedGrid() {
    usedGrid_->clear();
    const std::size_t rows = std::max<std::size_t>(1, setting_.UsedCount());
    for (std::size_t row = 0; row < rows; ++row) {
        auto* item = new QListWidgetItem(Shown(setting_.UsedRow(row)), usedGrid_);
        item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
    }
    // The "＜使用するパラメータ無し＞" row stands for no entry: nothing to drag.
    if (setting_.UsedCount() == 0)
        usedGrid_->item(0)->setFlags(usedGrid_->item(0)->flags() & ~Qt::ItemIsDragEnabled);
}

void TParamSettingForm::UseParameter() {
    const int row = paramList_->currentRow();
    if (row < 0 || !setting_.Use(static_cast<std::size_t>(row))) return;
    FillUsedGrid();
}

void TParamSettingForm::UnuseParameter() {
    const int row = usedGrid_->currentRow();
    if (row < 0 || !setting_.Unuse(static_cast<std::size_t>(row))) return;
    FillUsedGrid();
}

void TParamSettingForm::UsedRowMoved(int from, int to) {
    // Qt reports the row the entry was put before, as the drop row of a remove-then-insert.
    setting_.MoveUsed(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    // Drawn again from the list, so what the grid shows is what will be committed.
    QMetaObject::invokeMethod(
        this, [this] { FillUsedGrid(); }, Qt::QueuedConnection);
}

void TParamSettingForm::FontLabelClicked(Qt::MouseButton button) {
    TDrawFont font = setting_.Font();
    if (button == Qt::LeftButton) {
        const QFont shown = fontLabel_->font();
        QFont chosen = shown;
        if (!dialogs_.ChooseFont(this, chosen)) return;
        const std::string storedName = font.name;
        font = FromQFont(chosen, font.colour);
        // A font the screen lacks is shown in a substitute, which the font dialog hands back
        // as the choice: the stored name stays unless the user picked another family.
        if (chosen.family() == shown.family() || chosen.family() == QFontInfo(shown).family())
            font.name = storedName;
        if (font == setting_.Font()) return;
    } else {
        QColor colour = ColourOf(font.colour);
        if (!dialogs_.ChooseColour(this, colour)) return;
        font.colour = ValueOf(colour);
    }
    setting_.SetFont(font);
    ShowFont();
}

void TParamSettingForm::ShowFont() {
    const TDrawFont font = setting_.Font();
    fontLabel_->setFont(ToQFont(font));
    QPalette palette = fontLabel_->palette();
    palette.setColor(QPalette::WindowText, ColourOf(font.colour));
    fontLabel_->setPalette(palette);
}

// --- change flags -------------------------------------------------------------------------------

std::uint8_t TParamSettingForm::ShownType() const {
    const int type = typeGroup_->checkedId();
    return static_cast<std::uint8_t>(type < 0 ? int(kTypeString) : type);
}

void TParamSettingForm::ShowType(std::uint8_t type) {
    if (QAbstractButton* item = typeGroup_->button(type)) item->setChecked(true);
}

void TParamSettingForm::ParameterEdited() {
    if (!filling_ && setting_.Loaded()) setting_.MarkParameterChanged();
}

void TParamSettingForm::OverallEdited() {
    if (!filling_) setting_.MarkDialogChanged();
}

}  // namespace tabrix
