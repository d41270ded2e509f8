#include "windows/TSubForm.h"

#include "windows/TWindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLayout>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

#include "dialogs/TSortForm.h"
#include "model/TGroupSetting.h"
#include "model/TWindowState.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "windows/IFrame.h"
#include "windows/TCommandGuard.h"
#include "windows/TElementCommands.h"
#include "windows/TElementDelegate.h"
#include "windows/TElementListModel.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TSubElementListView.h"
#include "windows/TZQLForm.h"

namespace tabrix {

namespace {

QString ModeHint(const char* mode) {
    return QStringLiteral("クリックで転送モードを切り替えます。\n現在[") + QString::fromUtf8(mode) +
           QStringLiteral("]");
}

// A mode button's image: the mode's first character on a coloured square, so that copy and
// move, add and insert tell apart at a glance.
QIcon ModeIcon(const QString& glyph, const QColor& colour) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(colour.darker(150));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 17, 17), 3, 3);
    QFont font = painter.font();
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

}  // namespace

TSubForm::TSubForm(IFrame& frame, QWidget* parent) : QMainWindow(parent), frame_(frame) {
    setWindowTitle(QStringLiteral("サブ"));
    BuildControls();
    // Hints show no access keys; the menu captions keep theirs.
    for (QAction* action : findChildren<QAction*>()) {
        action->setStatusTip(TZQLForm::HintText(action->statusTip()));
        action->setToolTip(TZQLForm::HintText(action->toolTip()));
    }
    statusBar()->setSizeGripEnabled(false);
    resize(140, 300);
    ShowDragMode(TSubWindowState{}.dragMode);
}

TSubForm::~TSubForm() {
    // The list reads the model while it goes; the model goes after it.
    delete centralWidget();
    delete model_;
    delete delegate_;
}

void TSubForm::BuildControls() {
    QToolBar* tools = addToolBar(QStringLiteral("ToolBar"));
    tools->setMovable(false);
    // The four buttons fit the narrow window side by side.
    tools->setIconSize(QSize(16, 16));
    tools->setContentsMargins(0, 0, 0, 0);
    tools->layout()->setSpacing(0);
    auto modeButton = [this, tools](const char* name, const QString& text, QMenu*& menu) {
        auto* button = new QToolButton(tools);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setPopupMode(QToolButton::MenuButtonPopup);
        menu = new QMenu(button);
        button->setMenu(menu);
        tools->addWidget(button);
        return button;
    };
    transferButton_ = modeButton("T_Transfer", QStringLiteral("複写or移動"), transferMenu_);
    placeButton_ = modeButton("T_Place", QStringLiteral("追加or挿入"), placeMenu_);
    connect(transferButton_, &QToolButton::clicked, this, [this] { ToggleDragBit(kDragMove); });
    connect(placeButton_, &QToolButton::clicked, this, [this] { ToggleDragBit(kDragInsert); });

    auto* commands = new TElementCommands(
        *this, frame_.Dialogs(),
        {[this] { return document_; }, [this] { return HasGroup() ? group_ : -1; },
         [this] { return list_->MouseRow(); },
         [this](int& top, int& bottom) { return list_->SelectedRange(top, bottom); },
         [this](int first, int last, int current) { list_->SelectRows(first, last, current); }});
    QAction* add = commands->Add();
    QAction* remove = commands->Delete();
    add->setIcon(ModeIcon(QStringLiteral("+"), QColor(0x30, 0x90, 0x30)));
    remove->setIcon(ModeIcon(QStringLiteral("−"), QColor(0xC0, 0x40, 0x40)));
    tools->addAction(add);
    tools->addAction(remove);

    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(5, 2, 5, 0);
    column->setSpacing(2);
    groupCombo_ = new QComboBox(centre);
    groupCombo_->setObjectName(QStringLiteral("GroupCmbBox"));
    groupCombo_->setMaxVisibleItems(16);
    groupCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    groupCombo_->setMinimumContentsLength(4);
    connect(groupCombo_, &QComboBox::activated, this, &TSubForm::ChangeGroup);
    column->addWidget(groupCombo_);
    list_ = new TSubElementListView(centre);
    list_->setObjectName(QStringLiteral("SubElemDGrid"));
    column->addWidget(list_, 1);
    setCentralWidget(centre);

    connect(list_, &TSubElementListView::rowMoveRequested, this, &TSubForm::MoveRows);
    connect(list_, &TSubElementListView::cellHovered, this, &TSubForm::ShowHoverStatus);
    connect(list_, &TSubElementListView::sortRequested, this, &TSubForm::OpenSort);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        QMenu menu(this);
        for (const char* name : {"A_Add", "A_Insert", "A_Delete"})
            menu.addAction(Action(QString::fromLatin1(name)));
        menu.exec(list_->viewport()->mapToGlobal(position));
    });
}

QAction* TSubForm::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

QString TSubForm::StatusText() const {
    return statusBar()->currentMessage();
}

QWidget* TSubForm::Holder() const {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    return sub ? static_cast<QWidget*>(sub) : const_cast<TSubForm*>(this);
}

bool TSubForm::HasGroup() const {
    return document_ && group_ >= 0 &&
           static_cast<std::size_t>(group_) < document_->Library().GroupCount();
}

// --- following the active library ------------------------------------------------------------

void TSubForm::Follow(TZQLForm* window) {
    if (!window) return;
    TLibraryDocument* document = &window->Document();
    if (document != document_) {
        if (document_) StoreLayout();
        Attach(document);
        ApplyLayout();
    }
    ShowDragMode(window->DragMode());
    // The library window's own radio items are what the mode buttons switch.
    transferMenu_->clear();
    placeMenu_->clear();
    for (const char* name : {"M_DragCopy", "M_DragMove"})
        transferMenu_->addAction(window->Action(QString::fromLatin1(name)));
    for (const char* name : {"M_DragAdd", "M_DragInsert"})
        placeMenu_->addAction(window->Action(QString::fromLatin1(name)));
    const TZQPCtrl* parameters = document_->Library().ParameterFile();
    list_->SetRowHeight(parameters ? static_cast<int>(parameters->RowHeight()) : 24);
    delegate_->SetFont(window->List().Delegate().Font());
    list_->viewport()->update();
}

void TSubForm::Attach(TLibraryDocument* document) {
    if (document_) disconnect(document_, nullptr, this, nullptr);
    list_->SetModel(nullptr, nullptr);
    delete model_;
    delete delegate_;
    model_ = nullptr;
    delegate_ = nullptr;
    document_ = document;
    if (document_) {
        model_ = new TElementListModel(*document_, this, TSubElementListView::kElementColumn);
        delegate_ =
            new TElementDelegate(document_->Library(), this, TDrawSink::WrapSwitches::kIgnored);
        list_->SetModel(model_, delegate_);
        connect(document_, &TLibraryDocument::groupsChanged, this, &TSubForm::FillGroups);
    }
    FillGroups();
}

void TSubForm::Release(const TLibraryDocument* document) {
    if (!document || document != document_) return;
    Attach(nullptr);
    transferMenu_->clear();
    placeMenu_->clear();
}

void TSubForm::FillGroups() {
    const QSignalBlocker block(groupCombo_);
    groupCombo_->clear();
    if (!document_) return;
    for (const auto& group : document_->Library().Groups())
        groupCombo_->addItem(QtText::FromCp932(group->Name()));
    groupCombo_->setCurrentIndex(group_ < groupCombo_->count() ? group_ : -1);
}

void TSubForm::ApplyLayout() {
    TZQICtrl* info = document_ ? document_->Library().InitializeInfo() : nullptr;
    const TSubWindowState state = info ? TWindowState::ApplySub(info->Store()) : TSubWindowState{};
    QWidget* holder = Holder();
    normalBounds_ = ClampedInto(
        QRect(state.bounds.left, state.bounds.top, state.bounds.width, state.bounds.height),
        AreaOf(*holder));
    if (holder->isMinimized() || holder->isMaximized()) holder->showNormal();
    holder->setGeometry(normalBounds_);
    if (state.windowState == kWindowMaximised)
        holder->showMaximized();
    else if (state.windowState == kWindowMinimised)
        holder->showMinimized();
    ChangeGroup(state.selectedGroup);
}

void TSubForm::StoreLayout() {
    TZQICtrl* info = document_ ? document_->Library().InitializeInfo() : nullptr;
    if (!info) return;
    QWidget* holder = Holder();
    TSubWindowState state;
    StorePlacement(*holder, normalBounds_, state);
    state.selectedGroup = group_;
    TWindowState::StoreSub(info->Store(), state);
}

void TSubForm::ShowDragMode(std::uint32_t mode) {
    const bool move = (mode & kDragMove) != 0;
    const bool insert = (mode & kDragInsert) != 0;
    transferButton_->setIcon(move ? ModeIcon(QStringLiteral("移"), QColor(0xD0, 0x60, 0x20))
                                  : ModeIcon(QStringLiteral("複"), QColor(0x20, 0x70, 0xC0)));
    transferButton_->setToolTip(ModeHint(move ? "D＆Dで移動" : "D＆Dで複写"));
    transferButton_->setStatusTip(transferButton_->toolTip());
    placeButton_->setIcon(insert ? ModeIcon(QStringLiteral("挿"), QColor(0x90, 0x40, 0xB0))
                                 : ModeIcon(QStringLiteral("追"), QColor(0x30, 0x90, 0x30)));
    placeButton_->setToolTip(ModeHint(insert ? "D＆Dで挿入" : "D＆Dで追加"));
    placeButton_->setStatusTip(placeButton_->toolTip());
}

void TSubForm::ToggleDragBit(std::uint32_t bit) {
    TZQLForm* window = frame_.ActiveLibraryWindow();
    if (!window) return;
    // Through the window's radio items, which set its drag mode and these buttons.
    const bool set = (window->DragMode() & bit) != 0;
    const char* item = bit == kDragMove ? (set ? "M_DragCopy" : "M_DragMove")
                                        : (set ? "M_DragAdd" : "M_DragInsert");
    window->Action(QString::fromLatin1(item))->trigger();
}

QRect TSubForm::FollowedBounds(const QRect& window, const QRect& sub, std::uint32_t mode,
                               bool resized) {
    if (mode != kFollowRight && mode != kFollowLeft) return sub;
    const int left =
        mode == kFollowRight ? window.left() + window.width() : window.left() - sub.width();
    return QRect(left, window.top(), sub.width(), resized ? window.height() : sub.height());
}

void TSubForm::FollowWindow(const QRect& window, std::uint32_t mode, bool resized) {
    QWidget* holder = Holder();
    // A minimised or maximised sub window stays as the user left it.
    if (holder->isMinimized() || holder->isMaximized()) return;
    // Beside a maximised, cascaded or tiled window there may be no room: it stays in the area.
    const QRect bounds =
        ClampedInto(FollowedBounds(window, holder->geometry(), mode, resized), AreaOf(*holder));
    if (bounds != holder->geometry()) holder->setGeometry(bounds);
}

// --- the shown group ---------------------------------------------------------------------------

void TSubForm::ChangeGroup(int index) {
    group_ = index;
    {
        const QSignalBlocker block(groupCombo_);
        groupCombo_->setCurrentIndex(index < groupCombo_->count() ? index : -1);
    }
    if (!model_) return;
    model_->SetGroup(index >= 0 ? static_cast<std::size_t>(index)
                                : std::numeric_limits<std::size_t>::max());
    if (HasGroup()) {
        list_->SelectRows(0, 0, 0);
        list_->scrollToTop();
    }
    list_->viewport()->update();
}

void TSubForm::ShowHoverStatus(int row, int column) {
    QString text;
    if (row == 0 && column == TSubElementListView::kRowColumn)
        text = QStringLiteral("このグループ全体の処理画面を開きます");
    else if (row == 0 && column == TSubElementListView::kElementColumn)
        text = QStringLiteral("クリックすると、ソート画面を開きます");
    else if (row > 0 && column == TSubElementListView::kDragColumn)
        text = QStringLiteral("ここを掴んで、他領域へドラッグドロップできます");
    else if (row > 0 && column == TSubElementListView::kRowColumn)
        text = QStringLiteral("ここを掴んでのドラッグで、順序入れ替え");
    else if (row > 0 && column == TSubElementListView::kElementColumn)
        text = QString::number(row) + QStringLiteral(" 番目の要素です");
    statusBar()->showMessage(text);
}

// --- element commands ----------------------------------------------------------------------------

void TSubForm::MoveRows(int from, int to, int selectionTop, int selectionBottom) {
    if (!HasGroup()) return;
    const int elements = static_cast<int>(model_->ElementCount());
    if (from < 0 || to < 0 || from >= elements || to >= elements) return;
    const auto group = static_cast<std::size_t>(group_);
    if (selectionTop < 0 || from < selectionTop || from > selectionBottom) {
        document_->MoveElements(group, from, to, from);
        list_->SelectRows(to, to, to);
        return;
    }
    if (to >= selectionTop && to <= selectionBottom) return;
    const int span = selectionBottom - selectionTop;
    document_->MoveElements(group, selectionTop, to, selectionBottom);
    const int newTop = to > from ? to - span : to;
    list_->SelectRows(newTop, newTop + span, newTop);
}

void TSubForm::OpenSort() {
    if (!HasGroup()) return;
    // The library window's pending edit is settled first, as its own sort does.
    TZQLForm* window = frame_.ActiveLibraryWindow();
    if (window && &window->Document() == document_ && !window->PendingChangeQuery()) return;
    TSortForm form(document_->Library(), group_, frame_.Dialogs(), this);
    if (frame_.Dialogs().Exec(form) != QDialog::Accepted) return;
    document_->RunSort(form.DataLines());
}

// --- window events ---------------------------------------------------------------------------

void TSubForm::closeEvent(QCloseEvent* event) {
    // While a library window is active the sub window belongs to it: closing only puts it away.
    if (frame_.ActiveLibraryWindow()) {
        event->ignore();
        Holder()->showMinimized();
        return;
    }
    event->accept();
}

bool TSubForm::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange && Holder() != watchedHolder_) {
        if (watchedHolder_) watchedHolder_->removeEventFilter(this);
        watchedHolder_ = Holder();
        if (watchedHolder_ != this) watchedHolder_->installEventFilter(this);
    }
    return QMainWindow::event(event);
}

bool TSubForm::eventFilter(QObject* watched, QEvent* event) {
    // The bounds to store are those of the normal window, whatever state it is in later.
    if (watched == watchedHolder_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        QWidget* holder = Holder();
        if (!holder->isMinimized() && !holder->isMaximized()) normalBounds_ = holder->geometry();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tabrix
