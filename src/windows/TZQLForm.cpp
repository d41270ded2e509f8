#include "windows/TZQLForm.h"

#include "windows/TWindowPlacement.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>

#include "dialogs/TCompareApplyForm.h"
#include "dialogs/TGroupSettingForm.h"
#include "dialogs/TLibrarySettingForm.h"
#include "dialogs/TParamSettingForm.h"
#include "dialogs/TSameDeleteForm.h"
#include "dialogs/TSelectZQPReLoadForm.h"
#include "dialogs/TSortForm.h"
#include "files/TInitializeInfoWriter.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TLibraryCustomise.h"
#include "model/TValueChange.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtFileKind.h"
#include "platform/QtText.h"
#include "platform/TQtPainter.h"
#include "windows/IFrame.h"
#include "windows/TAutoRepeat.h"
#include "windows/TCommandGuard.h"
#include "windows/TElementClipboard.h"
#include "windows/TElementCommands.h"
#include "windows/TElementDelegate.h"
#include "windows/TElementDrag.h"
#include "windows/TElementListModel.h"
#include "windows/TElementListView.h"
#include "windows/TFindController.h"
#include "windows/TLibraryDocument.h"
#include "windows/TMultiApplyForm.h"
#include "windows/TParamSBox.h"
#include "windows/TSubForm.h"
#include "windows/TTableExchange.h"
#include "windows/TTimedBatch.h"

namespace tabrix {

namespace {

const char* const kFollowHints[] = {"追従しない", "右に追従", "左に追従"};

QString FollowHint(std::uint32_t mode) {
    return QStringLiteral("クリックで追従モードを切り替えます。\n現在[") +
           QString::fromUtf8(kFollowHints[mode % 3]) + QStringLiteral("]");
}

// A tool-bar image: one glyph drawn in the middle.
QIcon GlyphIcon(const QString& glyph, const QColor& colour) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font = painter.font();
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// The clipboard command (0 cut, 1 copy, 2 paste) of a text field.
template <int kCommand>
void TextCommand(QWidget& field) {
    if (auto* line = qobject_cast<QLineEdit*>(&field)) {
        if (kCommand == 0) line->cut();
        if (kCommand == 1) line->copy();
        if (kCommand == 2) line->paste();
    } else if (auto* text = qobject_cast<QTextEdit*>(&field)) {
        if (kCommand == 0) text->cut();
        if (kCommand == 1) text->copy();
        if (kCommand == 2) text->paste();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&field)) {
        if (kCommand == 0) plain->cut();
        if (kCommand == 1) plain->copy();
        if (kCommand == 2) plain->paste();
    }
}

}  // namespace

TZQLForm::TZQLForm(IFrame& frame, QWidget* parent)
    : QMainWindow(parent), frame_(frame), document_(std::make_unique<TLibraryDocument>(frame)) {
    document_->SetDialogParent(this);
    document_->SetLayoutStore([this] {
        frame_.LibraryWindowActivated(this);
        StoreLayout();
    });
    model_ = new TElementListModel(*document_, this);
    delegate_ = new TElementDelegate(document_->Library(), this);
    BuildActions();
    BuildCentre();
    BuildClipboardActions();
    BuildToolBar();
    BuildMenus();
    statusBar()->setSizeGripEnabled(false);
    connect(document_.get(), &TLibraryDocument::modifiedChanged, this,
            &TZQLForm::UpdateCaptionFromPath);
    connect(document_.get(), &TLibraryDocument::groupsChanged, this, &TZQLForm::FillGroups);
    connect(document_.get(), &TLibraryDocument::groupsReplaced, this, &TZQLForm::TakeOverGroups);
    connect(document_.get(), &TLibraryDocument::groupDataDeleting, this,
            &TZQLForm::LetGoOfDeletedElement);
    connect(document_.get(), &TLibraryDocument::elementsChanged, this, [this] {
        // Values changed elsewhere show in the panel unless it holds edits of its own.
        if (!HasPendingEdit()) ShowInPanel(panel_->CurrentElement());
        list_->viewport()->update();
    });
    connect(document_.get(), &TLibraryDocument::parametersChanged, this,
            &TZQLForm::TakeOverParamSetting);
    connect(document_.get(), &TLibraryDocument::stepShown, this, &TZQLForm::ShowStep);
    connect(document_.get(), &TLibraryDocument::librarySettingsChanged, this, [this] {
        ApplyLook();
        timedBatch_->Restart();
    });
    document_->SetPendingEdits([this](const TLibraryDocument::ElementTest& affected) {
        const TElement* shown = panel_->CurrentElement();
        return !HasPendingEdit() || !affected(*shown) || PendingChangeQuery();
    });
    QUndoStack& history = document_->History();
    connect(&history, &QUndoStack::indexChanged, this, &TZQLForm::ShowHistory);
    connect(&history, &QUndoStack::cleanChanged, this, &TZQLForm::ShowHistory);
    ShowHistory();
    timedBatch_ =
        std::make_unique<TTimedBatch>(*document_, [this] { return ReadyForTimedBatch(); });
}

TZQLForm::~TZQLForm() {
    timedBatch_.reset();
    // The batch change-apply window works on this library; it cannot outlive it.
    if (multiApply_) multiApply_->CloseNow();
    frame_.LibraryWindowClosed(this);
    // The views read the library while they go; they go before it.
    delete centralWidget();
    delete model_;
    delete delegate_;
    document_.reset();
}

QAction* TZQLForm::MakeAction(const char* name, const QString& text, const QString& hint) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(HintText(hint.isEmpty() ? text : hint));
    action->setStatusTip(action->toolTip());
    // Each library window's keys act in that window only.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    return action;
}

QAction* TZQLForm::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

QString TZQLForm::HintText(const QString& caption) {
    QString hint = caption;
    // "(&I)" marks the access key in a menu; a hint shows no menu.
    static const QRegularExpression accessKey(QStringLiteral("\\(&.\\)"));
    hint.remove(accessKey);
    return hint.remove(QLatin1Char('&'));
}

void TZQLForm::LendKeys(QWidget& window) {
    QList<QKeySequence> own;
    // Actions lent by a library window are not the window's own.
    for (const QAction* action : window.actions())
        if (!qobject_cast<const TZQLForm*>(action->parent())) own << action->shortcuts();
    for (QAction* action : actions()) {
        const QList<QKeySequence> keys = action->shortcuts();
        // A key the window has a command of its own for stays that command's.
        const bool taken = std::any_of(keys.begin(), keys.end(), [&own](const QKeySequence& key) {
            return own.contains(key);
        });
        // The list's own keys (the clipboard's) mean nothing in another window.
        if (keys.isEmpty() || taken || action->shortcutContext() == Qt::WidgetShortcut) continue;
        window.addAction(action);
        FreeSystemMenuKeys(window, keys);
    }
}

// The frame's window around window has a menu of its own (restore, close, ...) whose close
// takes Ctrl+W and Ctrl+F4: a key two commands claim runs neither, so this window's go.
void TZQLForm::FreeSystemMenuKeys(QWidget& window, const QList<QKeySequence>& keys) {
    auto* holder = qobject_cast<QMdiSubWindow*>(window.parentWidget());
    if (!holder || !holder->systemMenu()) return;
    for (QAction* item : holder->systemMenu()->actions()) {
        QList<QKeySequence> kept = item->shortcuts();
        kept.removeIf([&keys](const QKeySequence& key) { return keys.contains(key); });
        if (kept.size() != item->shortcuts().size()) item->setShortcuts(kept);
    }
}

void TZQLForm::TakeBackKeys(QWidget& window) {
    for (QAction* action : actions())
        window.removeAction(action);
}

void TZQLForm::BuildActions() {
    auto bind = [this](QAction* action, void (TZQLForm::*command)(), QKeySequence key = {}) {
        if (!key.isEmpty()) action->setShortcut(key);
        connect(action, &QAction::triggered, this, [this, action, command] {
            TCommandGuard::Run(frame_.Dialogs(), this, action->text(), [&] { (this->*command)(); });
        });
    };
    commands_ = new TElementCommands(
        *this, frame_.Dialogs(),
        {[this] { return document_.get(); }, [this] { return group_; },
         [this] { return list_->MouseRow(); },
         [this](int& top, int& bottom) { return list_->SelectedRange(top, bottom); },
         [this](int first, int last, int current) { list_->SelectRows(first, last, current); }});
    bind(MakeAction("A_Up", QStringLiteral("一つ上の要素を選択(&U)"),
                    QStringLiteral("一つ上の要素を選択(Alt+↑)")),
         &TZQLForm::SelectUp, QKeySequence(Qt::ALT | Qt::Key_Up));
    bind(MakeAction("A_Down", QStringLiteral("一つ下の要素を選択(&D)"),
                    QStringLiteral("一つ下の要素を選択(Alt+↓)")),
         &TZQLForm::SelectDown, QKeySequence(Qt::ALT | Qt::Key_Down));
    bind(MakeAction("A_Left", QStringLiteral("一つ左のグループを選択(&L)"),
                    QStringLiteral("一つ左のグループを選択(Alt+←)")),
         &TZQLForm::LeftGroup, QKeySequence(Qt::ALT | Qt::Key_Left));
    bind(MakeAction("A_Right", QStringLiteral("一つ右のグループを選択(&R)"),
                    QStringLiteral("一つ右のグループを選択(Alt+→)")),
         &TZQLForm::RightGroup, QKeySequence(Qt::ALT | Qt::Key_Right));
    QAction* apply = MakeAction("A_Apply", QStringLiteral("変更適用(&C)"),
                                QStringLiteral("変更適用(Alt+Enter)"));
    apply->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    bind(apply, &TZQLForm::ChangeApply);
    bind(MakeAction("A_Save", QStringLiteral("上書き保存(&S)"),
                    QStringLiteral("上書き保存(Ctrl+S)")),
         &TZQLForm::Save, QKeySequence(Qt::CTRL | Qt::Key_S));
    bind(MakeAction("A_Output", QStringLiteral("出力(&P)"), QStringLiteral("出力(Ctrl+P)")),
         &TZQLForm::Output, QKeySequence(Qt::CTRL | Qt::Key_P));
    bind(MakeAction("A_Import", QStringLiteral("インポート(&I)...")), &TZQLForm::ImportTable);
    bind(MakeAction("A_Export", QStringLiteral("エクスポート(&E)...")), &TZQLForm::ExportTable);
    QAction* close = MakeAction("A_Close", QStringLiteral("閉じる(&X)"));
    close->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)});
    connect(close, &QAction::triggered, this, [this] { Holder()->close(); });
    QAction* autoApply = MakeAction("A_AutoApply", QStringLiteral("自動で更新適用(&A)"),
                                    QStringLiteral("自動で更新適用"));
    autoApply->setIconText(QStringLiteral("自動で更新適用"));
    autoApply->setCheckable(true);
    connect(autoApply, &QAction::toggled, this, [this](bool on) { SetAutoApply(on); });

    bind(MakeAction("A_Undo", QStringLiteral("元に戻す(&U)")), &TZQLForm::Undo,
         QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = MakeAction("A_Redo", QStringLiteral("やり直し(&R)"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    bind(redo, &TZQLForm::Redo);
    bind(MakeAction("A_CompareApply", QStringLiteral("判定適用(&A)...")),
         &TZQLForm::OpenCompareApply);
    bind(MakeAction("A_Sort", QStringLiteral("並び替え(&S)...")), &TZQLForm::OpenSort);
    bind(MakeAction("A_DeleteDuplicates", QStringLiteral("重複削除(&D)...")),
         &TZQLForm::OpenDuplicateDeletion);
    auto* find = new TFindController(*this, frame_.Dialogs());
    const struct {
        const char* name;
        const char* text;
        QKeySequence key;
        std::function<void()> command;
    } finds[] = {
        {"A_Find", "検索(&F)...", QKeySequence(Qt::CTRL | Qt::Key_F),
         [find] { find->Open(false); }},
        {"A_Replace", "置換(&E)...", QKeySequence(Qt::CTRL | Qt::Key_H),
         [find] { find->Open(true); }},
        {"A_FindNext", "次を検索(&N)", QKeySequence(Qt::Key_F3), [find] { find->Step(true); }},
        {"A_FindPrevious", "前を検索(&V)", QKeySequence(Qt::SHIFT | Qt::Key_F3),
         [find] { find->Step(false); }}};
    for (const auto& entry : finds) {
        QAction* action = MakeAction(entry.name, QString::fromUtf8(entry.text));
        action->setShortcut(entry.key);
        connect(action, &QAction::triggered, this, [this, action, command = entry.command] {
            TCommandGuard::Run(frame_.Dialogs(), this, action->text(), command);
        });
    }
    bind(MakeAction("A_ParamSetting", QStringLiteral("パラメータ(&P)...")),
         &TZQLForm::OpenParamSetting);
    bind(MakeAction("A_GroupSetting", QStringLiteral("グループ(&G)...")),
         &TZQLForm::OpenGroupSetting);
    bind(MakeAction("A_LibrarySetting", QStringLiteral("ライブラリ(&L)...")),
         &TZQLForm::OpenLibrarySetting);
    bind(MakeAction("A_MultiApply", QStringLiteral("一括変更適用ウィンドウ(&M)")),
         &TZQLForm::OpenMultiApply);

    followGroup_ = new QActionGroup(this);
    for (std::uint32_t mode = 0; mode < 3; ++mode) {
        QAction* item = followGroup_->addAction(QString::fromUtf8(kFollowHints[mode]));
        item->setObjectName(QStringLiteral("MD_Follow%1").arg(mode));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, mode] { SetFollowMode(mode); });
    }
    dragCopyMove_ = new QActionGroup(this);
    dragAddInsert_ = new QActionGroup(this);
    const struct {
        const char* name;
        const char* text;
        QActionGroup* group;
        std::uint32_t clear, set;
    } drags[] = {{"M_DragCopy", "D＆Dで複写", dragCopyMove_, kDragMove, 0},
                 {"M_DragMove", "D＆Dで移動", dragCopyMove_, 0, kDragMove},
                 {"M_DragAdd", "D＆Dで追加", dragAddInsert_, kDragInsert, 0},
                 {"M_DragInsert", "D＆Dで挿入", dragAddInsert_, 0, kDragInsert}};
    for (const auto& drag : drags) {
        QAction* item = drag.group->addAction(QString::fromUtf8(drag.text));
        item->setObjectName(QString::fromLatin1(drag.name));
        item->setCheckable(true);
        const std::uint32_t clear = drag.clear, set = drag.set;
        connect(item, &QAction::triggered, this,
                [this, clear, set] { SetDragMode((dragMode_ & ~clear) | set); });
    }
}

// Cut, copy and paste act on the elements while the list has the focus: their keys are the
// list's alone, so that Ctrl+C in a text field of the panel copies its text. The menu entries
// do what the keys do where the focus is.
void TZQLForm::BuildClipboardActions() {
    clipboard_ = new TElementClipboard(*document_, frame_.Dialogs(), *this, *list_,
                                       [this] { return group_; });
    const struct {
        const char* name;
        const char* text;
        QKeySequence::StandardKey key;
        void (TElementClipboard::*elements)();
        void (*onText)(QWidget&);
    } entries[] = {
        {"A_Cut", "切り取り(&T)", QKeySequence::Cut, &TElementClipboard::Cut, &TextCommand<0>},
        {"A_Copy", "コピー(&C)", QKeySequence::Copy, &TElementClipboard::Copy, &TextCommand<1>},
        {"A_Paste", "貼り付け(&P)", QKeySequence::Paste, &TElementClipboard::Paste,
         &TextCommand<2>}};
    for (const auto& entry : entries) {
        QAction* action = MakeAction(entry.name, QString::fromUtf8(entry.text));
        action->setShortcut(QKeySequence(entry.key));
        action->setShortcutContext(Qt::WidgetShortcut);
        list_->addAction(action);
        const auto elements = entry.elements;
        const auto onText = entry.onText;
        connect(action, &QAction::triggered, this, [this, action, elements, onText] {
            QWidget* focus = QApplication::focusWidget();
            if (focus && focus != list_ && isAncestorOf(focus)) return onText(*focus);
            // A cut or paste moves the rows: the panel's edits are settled first.
            if (elements != &TElementClipboard::Copy && !PendingChangeQuery()) return;
            TElementClipboard* clipboard = clipboard_;
            TCommandGuard::Run(frame_.Dialogs(), this, action->text(),
                               [clipboard, elements] { (clipboard->*elements)(); });
        });
    }
}

void TZQLForm::BuildMenus() {
    auto menu = [this](const QString& title, const QStringList& entries) {
        auto* m = new QMenu(title, this);
        for (const QString& entry : entries) {
            if (entry.isEmpty())
                m->addSeparator();
            else
                m->addAction(Action(entry));
        }
        menus_ << m;
        return m;
    };
    menu(QStringLiteral("ファイル(&F)"),
         {"A_Save", "", "A_Output", "", "A_Import", "A_Export", "", "A_Close"});
    // Duplicate deletion, find and replace are shown: they are complete, whatever older menus
    // did.
    menu(QStringLiteral("編集(&E)"),
         {"A_Undo", "A_Redo", "", "A_Cut", "A_Copy", "A_Paste", "", "A_CompareApply", "A_Sort",
          "A_DeleteDuplicates", "A_Find", "A_Replace", "A_FindNext", "A_FindPrevious"});
    menu(QStringLiteral("設定(&T)"), {"A_ParamSetting", "A_GroupSetting", "A_LibrarySetting"});
    menu(QStringLiteral("ショートカット(&C)"),
         {"A_Up", "A_Down", "A_Left", "A_Right", "A_Apply", "", "A_Add", "A_Delete"});
    QMenu* assist = menu(QStringLiteral("入力補助(&A)"), {"A_AutoApply", "A_MultiApply", ""});
    assist->addActions(dragCopyMove_->actions());
    assist->addSeparator();
    assist->addActions(dragAddInsert_->actions());
    auto* bar = new QMenu(QStringLiteral("|"), this);
    bar->setEnabled(false);
    menus_ << bar;
}

void TZQLForm::BuildToolBar() {
    QToolBar* tools = addToolBar(QStringLiteral("ToolBar"));
    tools->setMovable(false);
    tools->setIconSize(QSize(20, 20));
    groupCombo_ = new QComboBox(tools);
    groupCombo_->setObjectName(QStringLiteral("GroupCmbBox"));
    groupCombo_->setMaxVisibleItems(16);
    groupCombo_->setMinimumContentsLength(10);
    groupCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    groupCombo_->setToolTip(QStringLiteral("編集するグループを選択できます"));
    connect(groupCombo_, &QComboBox::activated, this, &TZQLForm::ChangeGroup);
    tools->addWidget(groupCombo_);
    const struct {
        const char* name;
        const char* glyph;
        unsigned colour;
    } buttons[] = {{"A_Add", "＋", 0x207020}, {"A_Delete", "－", 0xB02020},
                   {"A_Up", "↑", 0x2040A0},   {"A_Down", "↓", 0x2040A0},
                   {"A_Left", "←", 0x2040A0}, {"A_Right", "→", 0x2040A0},
                   {"A_Undo", "↺", 0x505050}, {"A_Redo", "↻", 0x505050}};
    for (const auto& button : buttons) {
        QAction* action = Action(QString::fromLatin1(button.name));
        action->setIcon(GlyphIcon(QString::fromUtf8(button.glyph), QColor::fromRgb(button.colour)));
        tools->addAction(action);
    }
    // Saving has an image every user knows.
    Action(QStringLiteral("A_Save"))->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    tools->addAction(Action(QStringLiteral("A_Save")));
    followButton_ = new QToolButton(tools);
    followButton_->setObjectName(QStringLiteral("T_Follow"));
    followButton_->setText(QStringLiteral("追従モード"));
    followButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    followButton_->setPopupMode(QToolButton::MenuButtonPopup);
    auto* followMenu = new QMenu(followButton_);
    followMenu->addActions(followGroup_->actions());
    followButton_->setMenu(followMenu);
    connect(followButton_, &QToolButton::clicked, this,
            [this] { SetFollowMode((followMode_ + 1) % 3); });
    tools->addWidget(followButton_);
    tools->addAction(Action(QStringLiteral("A_AutoApply")));
    if (auto* autoButton = qobject_cast<QToolButton*>(
            tools->widgetForAction(Action(QStringLiteral("A_AutoApply")))))
        autoButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SetFollowMode(kFollowRight);
    SetDragMode(dragMode_);
}

void TZQLForm::BuildCentre() {
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    tabs_ = new QTabBar(centre);
    tabs_->setObjectName(QStringLiteral("GroupTabs"));
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    tabs_->setToolTip(QStringLiteral("編集するグループを選択できます"));
    connect(tabs_, &QTabBar::currentChanged, this, &TZQLForm::ChangeGroup);
    column->addWidget(tabs_);

    splitter_ = new QSplitter(Qt::Horizontal, centre);
    splitter_->setChildrenCollapsible(false);
    auto* listArea = new QWidget(splitter_);
    auto* listRow = new QHBoxLayout(listArea);
    listRow->setContentsMargins(0, 0, 0, 0);
    listRow->setSpacing(0);
    list_ = new TElementListView(*model_, *delegate_, listArea);
    list_->setObjectName(QStringLiteral("ElemDGrid"));
    listRow->addWidget(list_, 1);
    auto* pages = new QVBoxLayout();
    pages->setSpacing(0);
    auto pageButton = [listArea, pages](const QString& text, const char* name) {
        auto* button = new QToolButton(listArea);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setFixedWidth(18);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        pages->addWidget(button, 1);
        return button;
    };
    QToolButton* up = pageButton(QStringLiteral("▲"), "PageUpBtn");
    QToolButton* down = pageButton(QStringLiteral("▼"), "PageDownBtn");
    listRow->addLayout(pages);
    pageUp_ = new TAutoRepeat(
        kPageUpMs, [this] { return PageStep(-1); }, this);
    pageDown_ = new TAutoRepeat(
        kPageDownMs, [this] { return PageStep(+1); }, this);
    connect(up, &QToolButton::pressed, pageUp_, &TAutoRepeat::Press);
    connect(up, &QToolButton::released, pageUp_, &TAutoRepeat::Release);
    connect(down, &QToolButton::pressed, pageDown_, &TAutoRepeat::Press);
    connect(down, &QToolButton::released, pageDown_, &TAutoRepeat::Release);

    panelArea_ = new QWidget(splitter_);
    panelArea_->setObjectName(QStringLiteral("Panel_BR"));
    auto* panelColumn = new QVBoxLayout(panelArea_);
    panelColumn->setContentsMargins(0, 0, 0, 0);
    panelColumn->setSpacing(0);
    auto* panelTools = new QToolBar(panelArea_);
    panelTools->addAction(Action(QStringLiteral("A_Apply")));
    if (auto* applyButton = qobject_cast<QToolButton*>(
            panelTools->widgetForAction(Action(QStringLiteral("A_Apply")))))
        applyButton->setText(QStringLiteral("変更適用"));
    outputBox_ = new QCheckBox(QStringLiteral("出力する"), panelTools);
    outputBox_->setObjectName(QStringLiteral("OutputCBox"));
    panelTools->addWidget(outputBox_);
    panelColumn->addWidget(panelTools);
    panel_ = new TParamSBox(document_->Library(), frame_.Dialogs(), panelArea_);
    panel_->setObjectName(QStringLiteral("ParamSBox"));
    panelColumn->addWidget(panel_, 1);
    connect(panel_, &TParamSBox::applyRequested, this, [this] {
        ChangeApply();
        // The next element is one Alt+Down away, as the hands expect after Enter.
        list_->setFocus(Qt::OtherFocusReason);
    });
    connect(panel_, &TParamSBox::noteShown, this,
            [this](const QString& note) { statusBar()->showMessage(note); });

    splitter_->addWidget(listArea);
    splitter_->addWidget(panelArea_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    column->addWidget(splitter_, 1);
    setCentralWidget(centre);

    list_->SetRowChangeFilter([this](int) { return PendingChangeQuery(); });
    // Tab leaves the list for the panel rather than walking its one column.
    list_->setTabKeyNavigation(false);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!resetting_) ShowRow(current.isValid() ? current.row() : -1);
            });
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { resetting_ = true; });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        resetting_ = false;
        FollowPanelElement();
    });
    connect(list_, &TElementListView::rowMoveRequested, this, &TZQLForm::MoveRows);
    list_->SetDropTarget([this](const TElementDrag& drag, int row) { DropElements(drag, row); });
    connect(list_, &TElementListView::cellHovered, this, &TZQLForm::ShowHoverStatus);
    connect(list_, &TElementListView::sortRequested, this, &TZQLForm::OpenSort);
    connect(list_, &QAbstractItemView::doubleClicked, this,
            [this] { commands_->DeleteElements(); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu(this);
        menu.addAction(Action(QStringLiteral("A_Add")));
        menu.addAction(Action(QStringLiteral("A_Insert")));
        menu.addAction(Action(QStringLiteral("A_Delete")));
        menu.exec(list_->viewport()->mapToGlobal(pos));
    });
}

// --- set-up and layout --------------------------------------------------------------------------

// The caption carries Qt's modified marker: the window shows "*" while the library is modified.
void TZQLForm::SetCaption(const QString& caption) {
    caption_ = caption;
    setWindowTitle(caption + QStringLiteral("[*]"));
    setWindowModified(document_->IsModified());
}

void TZQLForm::UpdateCaptionFromPath() {
    const std::string& path = document_->Library().Path();
    SetCaption(path.empty() ? caption_ : QtText::FromNative(PathName::ToNative(path)));
}

void TZQLForm::SetUp() {
    FillGroups();
    panel_->Rebuild();
    const TZQPCtrl* parameters = document_->Library().ParameterFile();
    list_->SetRowHeight(parameters ? static_cast<int>(parameters->RowHeight()) : 24);
    delegate_->SetFont(TElementDelegate::FontFor(document_->Library()));
    group_ = -1;
    ChangeGroup(0);
    ApplyLook();
    timedBatch_->Restart();
}

void TZQLForm::ApplyLook() {
    const TZQICtrl* info = document_->Library().InitializeInfo();
    const TLibraryLook look = info ? TLibraryCustomise::Get(info->Store()) : TLibraryLook{};
    groupCombo_->setMaxVisibleItems(static_cast<int>(look.groupListCount));
    QPalette palette;
    if (look.panelColour) {
        const QColor colour = TQtPainter::ToQColor(*look.panelColour);
        palette.setColor(QPalette::Window, colour);
        // The captions stay readable on a dark colour.
        palette.setColor(QPalette::WindowText, colour.lightness() < 128 ? Qt::white : Qt::black);
    }
    panel_->setPalette(palette);
    panel_->viewport()->setAutoFillBackground(look.panelColour.has_value());
}

bool TZQLForm::ReadyForTimedBatch() const {
    return !closeConfirmed_ && !HasPendingEdit();
}

void TZQLForm::FillGroups() {
    const TZQLCtrl& library = document_->Library();
    const QSignalBlocker blockCombo(groupCombo_);
    const QSignalBlocker blockTabs(tabs_);
    groupCombo_->clear();
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    for (const auto& group : library.Groups()) {
        const QString name = QtText::FromCp932(group->Name());
        groupCombo_->addItem(name);
        tabs_->addTab(name);
    }
    // The bar was laid out empty; it takes the height of its tabs now.
    tabs_->setFixedHeight(tabs_->count() > 0 ? tabs_->sizeHint().height() : 0);
    SyncGroupControls(group_);
}

void TZQLForm::SyncGroupControls(int index) {
    const QSignalBlocker blockCombo(groupCombo_);
    const QSignalBlocker blockTabs(tabs_);
    groupCombo_->setCurrentIndex(index < groupCombo_->count() ? index : -1);
    if (index >= 0 && index < tabs_->count()) tabs_->setCurrentIndex(index);
}

QWidget* TZQLForm::Holder() const {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    return sub ? static_cast<QWidget*>(sub) : const_cast<TZQLForm*>(this);
}

void TZQLForm::ApplyLayout() {
    TZQICtrl* info = document_->Library().InitializeInfo();
    if (!info) return;
    const TLibraryWindowState state = TWindowState::ApplyLibrary(info->Store());
    QWidget* holder = Holder();
    normalBounds_ = ClampedInto(
        QRect(state.bounds.left, state.bounds.top, state.bounds.width, state.bounds.height),
        AreaOf(*holder));
    holder->setGeometry(normalBounds_);
    if (state.windowState == kWindowMaximised)
        holder->showMaximized();
    else if (state.windowState == kWindowMinimised)
        holder->showMinimized();
    panelWidth_ = std::max(state.panelWidth, 0);
    const int total = std::max(splitter_->width(), panelWidth_ + 100);
    splitter_->setSizes({total - panelWidth_, panelWidth_});
    SetFollowMode(state.followMode);
    SetAutoApply(state.autoApply);
    SetDragMode(state.dragMode);
}

void TZQLForm::StoreLayout() {
    TZQICtrl* info = document_->Library().InitializeInfo();
    if (!info) return;
    QWidget* holder = Holder();
    TLibraryWindowState state;
    StorePlacement(*holder, normalBounds_, state);
    state.followMode = followMode_;
    state.autoApply = AutoApply();
    state.dragMode = dragMode_;
    state.panelWidth = PanelWidth();
    TWindowState::StoreLibrary(info->Store(), state);
}

int TZQLForm::PanelWidth() const {
    const QList<int> sizes = splitter_->sizes();
    return sizes.size() == 2 && sizes[1] > 0 ? sizes[1] : panelWidth_;
}

void TZQLForm::SetFollowMode(std::uint32_t mode) {
    followMode_ = mode % 3;
    followGroup_->actions()[static_cast<int>(followMode_)]->setChecked(true);
    followButton_->setToolTip(FollowHint(followMode_));
}

void TZQLForm::SetDragMode(std::uint32_t mode) {
    dragMode_ = mode;
    Action(QString::fromLatin1((mode & kDragMove) ? "M_DragMove" : "M_DragCopy"))->setChecked(true);
    Action(QString::fromLatin1((mode & kDragInsert) ? "M_DragInsert" : "M_DragAdd"))
        ->setChecked(true);
    if (panel_) panel_->SetDragMode(mode & (kDragMove | kDragInsert));
    if (TSubForm* sub = FollowingSubWindow()) sub->ShowDragMode(mode);
}

void TZQLForm::SetAutoApply(bool on) {
    QAction* action = Action(QStringLiteral("A_AutoApply"));
    if (action->isChecked() != on) action->setChecked(on);
}

bool TZQLForm::AutoApply() const {
    return Action(QStringLiteral("A_AutoApply"))->isChecked();
}

TMultiApplyForm* TZQLForm::MultiApplyWindow() const {
    return multiApply_.data();
}

void TZQLForm::OpenMultiApply() {
    if (!multiApply_) {
        multiApply_ = TMultiApplyForm::Create(*this);
        LendKeys(*multiApply_);
    }
    multiApply_->BringToFront();
}

void TZQLForm::OpenLibrarySetting() {
    IDialogs& dialogs = frame_.Dialogs();
    TLibrarySettingForm form(document_->Library(), dialogs, this);
    form.SetTemplateWriter([this](QWidget* parent) { WriteTemplate(parent); });
    if (dialogs.Exec(form) != QDialog::Accepted) return;
    const TLibrarySetting& setting = form.Setting();
    auto answer = TLibrarySetting::ReloadAnswer::kKeep;
    if (setting.ParameterChangeFor(document_->Library()) ==
        TLibrarySetting::ParameterChange::kAsk) {
        TSelectZQPReLoadForm question(this);
        const int result = dialogs.Exec(question);
        if (result == TSelectZQPReLoadForm::kRead) answer = TLibrarySetting::ReloadAnswer::kRead;
        if (result == TSelectZQPReLoadForm::kOverwrite)
            answer = TLibrarySetting::ReloadAnswer::kOverwrite;
    }
    if (document_->CommitLibrarySetting(setting, answer)) TakeOverParameters();
}

// --- batch operations ----------------------------------------------------------------------------

bool TZQLForm::PrepareOperation(QDialog& dialog) {
    // The panel's pending edit is settled first: the repaint after the run shows the panel
    // whatever element then stands in its row.
    if (!PendingChangeQuery()) return false;
    return frame_.Dialogs().Exec(dialog) == QDialog::Accepted;
}

void TZQLForm::OpenSort() {
    TSortForm form(document_->Library(), group_, frame_.Dialogs(), this);
    if (!PrepareOperation(form)) return;
    document_->RunSort(form.DataLines());
    frame_.Dialogs().Message(this, QStringLiteral("処理終了です"));
}

void TZQLForm::OpenCompareApply() {
    TCompareApplyForm form(document_->Library(), frame_.Dialogs(), this);
    if (!PrepareOperation(form)) return;
    document_->RunCompareApply(form.DataLines());
    frame_.Dialogs().Message(this, QStringLiteral("処理終了です"));
}

void TZQLForm::OpenDuplicateDeletion() {
    TSameDeleteForm form(document_->Library(), frame_.Dialogs(), this);
    if (!PrepareOperation(form)) return;
    document_->RunDuplicateDeletion(form.DataLines());
}

// The element shown may be deleted or its group gone after the commit: its unapplied edits are
// settled before the dialog opens, as a save settles them first.
void TZQLForm::OpenGroupSetting() {
    if (!PendingChangeQuery()) return;
    IDialogs& dialogs = frame_.Dialogs();
    TGroupSettingForm form(document_->Library(), dialogs, this);
    if (dialogs.Exec(form) == QDialog::Accepted) document_->CommitGroupSetting(form.Setting());
}

// The group at each position may be another one now: the window starts again at the first.
void TZQLForm::TakeOverGroups() {
    panel_->Rebuild();
    group_ = -1;
    ChangeGroup(0);
    if (TSubForm* sub = FollowingSubWindow()) sub->ChangeGroup(0);
}

// Unapplied edits of an element that is about to be destroyed have nowhere to go.
void TZQLForm::LetGoOfDeletedElement(const std::vector<const TGroupData*>& doomed) {
    const TElement* shown = panel_->CurrentElement();
    if (!shown || std::find(doomed.begin(), doomed.end(), shown->Owner()) == doomed.end()) return;
    ShowInPanel(nullptr);
}

void TZQLForm::OpenParamSetting() {
    const TZQPCtrl* parameters = document_->Library().ParameterFile();
    // The panel is rebuilt after the commit: its unapplied edits are settled first.
    if (!parameters || !PendingChangeQuery()) return;
    IDialogs& dialogs = frame_.Dialogs();
    TParamSettingForm form(*parameters, dialogs, this);
    form.SetLibrary(document_->Library());
    if (dialogs.Exec(form) != QDialog::Accepted) return;
    document_->CommitParamSetting(form.Setting());  // the window follows parametersChanged
}

void TZQLForm::TakeOverParamSetting() {
    TakeOverParameters();
    // The panel shows the current element again, its values now at their new positions.
    ShowInPanel(panel_->CurrentElement());
    if (TSubForm* sub = FollowingSubWindow()) sub->Follow(this);
    // The batch change-apply window has a use box per parameter: it is made again.
    if (multiApply_) {
        multiApply_->CloseNow();
        multiApply_ = TMultiApplyForm::Create(*this);
        LendKeys(*multiApply_);
    }
}

void TZQLForm::WriteTemplate(QWidget* parent) {
    IDialogs& dialogs = frame_.Dialogs();
    const QString caption = QStringLiteral("テンプレートとして書き出す");
    const std::string& current = document_->Library().Path();
    QString name = QtText::FromCp932(current.substr(PathName::LastSeparator(current) + 1));
    const QString suffix = QtFileKind::Suffix(FileKind::kLibrary);
    if (name.endsWith(suffix, Qt::CaseInsensitive)) name.chop(suffix.size());
    if (!dialogs.InputText(parent, caption, QStringLiteral("テンプレート名："), name)) return;
    name = name.trimmed();
    // The name becomes a file in the template folder and nothing else: no folders, no way out.
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\'))) {
        dialogs.Message(parent, QStringLiteral("テンプレート名に使えない文字が含まれています。"),
                        caption, IDialogs::Icon::kWarning);
        return;
    }
    const QString native =
        QtText::FromNative(frame_.TemplateFolder()) + QLatin1Char('/') + name + suffix;
    std::string path;
    if (!PathName::FromNative(QtText::ToNative(native), path)) {
        dialogs.Message(parent, QStringLiteral("テンプレート名に使えない文字が含まれています。"),
                        caption, IDialogs::Icon::kWarning);
        return;
    }
    if (!TLibrarySetting::TemplateFilesPresent(path).empty() &&
        dialogs.AskOkCancel(
            parent,
            QStringLiteral("テンプレート「%1」は既に存在します。上書きしますか？").arg(name),
            caption) != IDialogs::Answer::kOk)
        return;
    if (document_->WriteTemplate(path) != kFileOk)
        dialogs.Message(parent,
                        QStringLiteral("テンプレート「%1」を書き出せませんでした。").arg(name),
                        caption, IDialogs::Icon::kError);
    else
        dialogs.Message(parent, QStringLiteral("テンプレート「%1」を書き出しました。").arg(name),
                        caption, IDialogs::Icon::kInformation);
}

void TZQLForm::TakeOverParameters() {
    panel_->Rebuild();
    const TZQPCtrl* parameters = document_->Library().ParameterFile();
    list_->SetRowHeight(parameters ? static_cast<int>(parameters->RowHeight()) : 24);
    delegate_->SetFont(TElementDelegate::FontFor(document_->Library()));
    list_->viewport()->update();
}

// --- the history --------------------------------------------------------------------------------

void TZQLForm::Undo() {
    document_->Undo();
}

void TZQLForm::Redo() {
    document_->Redo();
}

// The menu entries name the step they would undo or do again.
void TZQLForm::ShowHistory() {
    const QUndoStack& history = document_->History();
    const struct {
        const char* action;
        const char* verb;
        const char* key;
        bool can;
        QString step;
    } entries[] = {{"A_Undo", "元に戻す", "U", history.canUndo(), history.undoText()},
                   {"A_Redo", "やり直し", "R", history.canRedo(), history.redoText()}};
    for (const auto& entry : entries) {
        QAction* action = Action(QString::fromLatin1(entry.action));
        const QString verb = QString::fromUtf8(entry.verb);
        const QString named = entry.can ? verb + QStringLiteral(": ") + entry.step : verb;
        action->setText(named + QStringLiteral("(&") + QLatin1String(entry.key) + QLatin1Char(')'));
        action->setToolTip(HintText(named));
        action->setStatusTip(HintText(named));
        action->setEnabled(entry.can);
    }
}

void TZQLForm::ShowStep(int group, int first, int last) {
    if (group >= 0 && group != group_ &&
        static_cast<std::size_t>(group) < document_->Library().GroupCount())
        ChangeGroup(group);
    const int rows = static_cast<int>(model_->ElementCount());
    if (first < 0 || group != group_ || rows == 0) return;
    first = std::min(first, rows - 1);
    last = std::clamp(last, first, rows - 1);
    list_->SelectRows(first, last, first);
    list_->scrollTo(model_->index(first, 0));
}

// --- selection ----------------------------------------------------------------------------------

TElement* TZQLForm::CurrentElement() const {
    return panel_->CurrentElement();
}

void TZQLForm::ShowRow(int row) {
    TElement* element = model_->ElementAt(row);
    if (element != panel_->CurrentElement()) ShowInPanel(element);
    list_->viewport()->update();
}

void TZQLForm::ShowInPanel(TElement* element) {
    panel_->Show(element);
    const QSignalBlocker block(outputBox_);
    outputShown_ = element && element->OutputFlag() != 0;
    outputBox_->setChecked(outputShown_);
}

bool TZQLForm::HasPendingEdit() const {
    const TElement* element = panel_->CurrentElement();
    return element && (panel_->Changed() || outputBox_->isChecked() != outputShown_);
}

// The panel stays with its element, wherever the rows put it, and shows its values anew when
// it holds no edit of its own; an element that left the shown group gives way to the row's.
void TZQLForm::FollowPanelElement() {
    TElement* shown = panel_->CurrentElement();
    const TGroupData* data = document_->DataOf(static_cast<std::size_t>(std::max(group_, 0)));
    if (!shown || !data || shown->Owner() != data) return SyncPanelToCurrentRow();
    const int row = static_cast<int>(shown->Index());
    if (list_->CurrentRow() != row) {
        resetting_ = true;
        int top = 0, bottom = 0;
        const bool block = list_->SelectedRange(top, bottom) && top <= row && row <= bottom;
        list_->SelectRows(block ? top : row, block ? bottom : row, row);
        resetting_ = false;
    }
    if (!HasPendingEdit()) ShowInPanel(shown);
    list_->viewport()->update();
}

void TZQLForm::SyncPanelToCurrentRow() {
    ShowRow(list_->CurrentRow());
}

bool TZQLForm::PendingChangeQuery() {
    if (!HasPendingEdit()) return true;
    if (AutoApply()) {
        ChangeApply();
        return true;
    }
    switch (frame_.Dialogs().AskYesNoCancel(
        this, QStringLiteral("変更が加えられています。適用しますか？"), QStringLiteral("確認"))) {
        case IDialogs::Answer::kYes:
            ChangeApply();
            return true;
        case IDialogs::Answer::kNo:
            ShowInPanel(panel_->CurrentElement());
            return true;
        default:
            return false;
    }
}

void TZQLForm::ChangeGroup(int index) {
    if (index == group_ && index >= 0) {
        SyncGroupControls(group_);
        return;
    }
    if (group_ >= 0 && !PendingChangeQuery()) {
        SyncGroupControls(group_);
        return;
    }
    group_ = index;
    SyncGroupControls(index);
    model_->SetGroup(static_cast<std::size_t>(std::max(index, 0)));
    if (index >= 0 && static_cast<std::size_t>(index) < document_->Library().GroupCount()) {
        list_->SelectRows(0, 0, 0);
        list_->scrollToTop();
    }
    SyncPanelToCurrentRow();
}

void TZQLForm::LeftGroup() {
    if (group_ >= 1) ChangeGroup(group_ - 1);
}

void TZQLForm::RightGroup() {
    if (static_cast<std::size_t>(group_ + 1) < document_->Library().GroupCount())
        ChangeGroup(group_ + 1);
}

void TZQLForm::SelectUp() {
    const int row = list_->CurrentRow();
    if (!panel_->CurrentElement() || row - 1 < 0) return;
    if (!PendingChangeQuery()) return;
    list_->SelectRows(row - 1, row - 1, row - 1);
}

void TZQLForm::SelectDown() {
    const int row = list_->CurrentRow();
    if (!panel_->CurrentElement() || row + 1 >= static_cast<int>(model_->ElementCount())) return;
    if (!PendingChangeQuery()) return;
    list_->SelectRows(row + 1, row + 1, row + 1);
}

bool TZQLForm::PageStep(int delta) {
    const int before = list_->verticalScrollBar()->value();
    list_->SetTopRow(list_->TopRow() + delta);
    return list_->verticalScrollBar()->value() != before;
}

void TZQLForm::ShowHoverStatus(int row, int column) {
    QString text;
    if (row == 0 && column == 0)
        text = QStringLiteral("このグループ全体の処理画面を開きます");
    else if (row == 0 && column == 1)
        text = QStringLiteral("クリックすると、ソート画面を開きます");
    else if (row > 0 && column == 0)
        text = QStringLiteral("ここを掴んでのドラッグで、順序入れ替え");
    else if (row > 0 && column == 1)
        text = QString::number(row) + QStringLiteral(" 番目の要素です");
    statusBar()->showMessage(text);
}

QString TZQLForm::StatusText() const {
    return statusBar()->currentMessage();
}

// --- element commands ---------------------------------------------------------------------------

void TZQLForm::ChangeApply() {
    TElement* element = panel_->CurrentElement();
    if (!element || group_ < 0) return;
    TValueChange change = panel_->Collect();
    change.outputFlag = outputBox_->isChecked() ? 1 : 0;
    const QVector<QString> notes = panel_->ReadingNotes();
    document_->ApplyPanel(static_cast<std::size_t>(group_), std::move(change));
    // Whatever was written, the panel shows the element as it stands now; a value the
    // reading rules changed stays marked, with what was kept in the status bar.
    ShowInPanel(element);
    panel_->ShowNotes(notes);
    QStringList texts;
    for (const QString& note : notes)
        if (!note.isEmpty()) texts << note;
    if (!texts.isEmpty()) statusBar()->showMessage(texts.join(QStringLiteral("  ")));
}

void TZQLForm::MoveRows(int from, int to, int selectionTop, int selectionBottom) {
    const int elements = static_cast<int>(model_->ElementCount());
    if (group_ < 0 || from < 0 || to < 0 || from >= elements || to >= elements) return;
    const auto group = static_cast<std::size_t>(group_);
    if (selectionTop < 0 || from < selectionTop || from > selectionBottom) {
        document_->MoveElements(group, from, to, from);
        list_->SelectRows(to, to, to);
        SyncPanelToCurrentRow();
        return;
    }
    if (to >= selectionTop && to <= selectionBottom) return;
    const int span = selectionBottom - selectionTop;
    const int current = list_->CurrentRow();
    document_->MoveElements(group, selectionTop, to, selectionBottom);
    const int newTop = to > from ? to - span : to;
    // The current element moved with its block keeps being current.
    const int newCurrent = current >= selectionTop && current <= selectionBottom
                               ? current + (newTop - selectionTop)
                               : newTop;
    list_->SelectRows(newTop, newTop + span, newCurrent);
    SyncPanelToCurrentRow();
}

void TZQLForm::DropElements(const TElementDrag& drag, int row) {
    // The source library may have closed while the drag ran.
    if (!TLibraryDocument::IsOpen(drag.document) || group_ < 0) return;
    const bool insert = (dragMode_ & kDragInsert) != 0 && row >= 0;
    const std::size_t position =
        insert ? static_cast<std::size_t>(row) : std::numeric_limits<std::size_t>::max();
    document_->DropElements(*drag.document, static_cast<std::size_t>(drag.group),
                            static_cast<std::size_t>(drag.First()),
                            static_cast<std::size_t>(drag.Last()), static_cast<std::size_t>(group_),
                            position, (dragMode_ & kDragMove) != 0);
}

// --- keyboard ------------------------------------------------------------------------------------

// The list, the panel's fields, its apply button and output box, and back to the list.
QList<QWidget*> TZQLForm::FocusChain() const {
    QList<QWidget*> chain{list_};
    for (int i = 0; QWidget* control = panel_->Control(i); ++i)
        if (control->isVisible() && control->isEnabled()) chain << control;
    if (QWidget* apply = ApplyButton()) chain << apply;
    chain << outputBox_;
    return chain;
}

QWidget* TZQLForm::ApplyButton() const {
    return panelArea_->findChild<QToolBar*>()->widgetForAction(Action(QStringLiteral("A_Apply")));
}

bool TZQLForm::focusNextPrevChild(bool next) {
    const QList<QWidget*> chain = FocusChain();
    const QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < chain.size() && at < 0; ++i)
        if (focus == chain[i] || chain[i]->isAncestorOf(focus)) at = i;
    if (at < 0) return QMainWindow::focusNextPrevChild(next);
    const int n = static_cast<int>(chain.size());
    const int to = (at + (next ? 1 : n - 1)) % n;
    QWidget* target = chain[to];
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    if (panel_->isAncestorOf(target)) panel_->ensureWidgetVisible(target, 8, 8);
    return true;
}

void TZQLForm::keyPressEvent(QKeyEvent* event) {
    const QWidget* focus = QApplication::focusWidget();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    // Esc anywhere in the panel goes back to the list, its edits kept for the apply.
    if (plain && event->key() == Qt::Key_Escape && panelArea_->isAncestorOf(focus)) {
        list_->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Enter on the list goes into the element's first field.
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        focus == list_ && panel_->FocusControl(0))
        return;
    QMainWindow::keyPressEvent(event);
}

// --- the sub window ------------------------------------------------------------------------------

TSubForm* TZQLForm::FollowingSubWindow() const {
    TSubForm* sub = frame_.SubWindow();
    return sub && sub->Document() == document_.get() ? sub : nullptr;
}

bool TZQLForm::event(QEvent* event) {
    // Moves and resizes happen to the frame's window around this one: it is watched for the
    // follow mode.
    if (event->type() == QEvent::ParentChange && Holder() != watchedHolder_) {
        if (watchedHolder_) watchedHolder_->removeEventFilter(this);
        watchedHolder_ = Holder() != this ? Holder() : nullptr;
        if (watchedHolder_) watchedHolder_->installEventFilter(this);
        FreeSystemMenuKeys(*this, Action(QStringLiteral("A_Close"))->shortcuts());
    }
    return QMainWindow::event(event);
}

bool TZQLForm::eventFilter(QObject* watched, QEvent* event) {
    const bool resized = event->type() == QEvent::Resize;
    if (watched == watchedHolder_ && (resized || event->type() == QEvent::Move)) {
        // The bounds to store are those of the normal window, whatever state it is in later.
        if (!watchedHolder_->isMinimized() && !watchedHolder_->isMaximized())
            normalBounds_ = watchedHolder_->geometry();
        if (TSubForm* sub = FollowingSubWindow())
            sub->FollowWindow(watchedHolder_->geometry(), followMode_, resized);
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- files and closing ---------------------------------------------------------------------------

void TZQLForm::Save() {
    if (!PendingChangeQuery()) return;
    document_->Save();
}

void TZQLForm::Output() {
    document_->Output();
}

void TZQLForm::ExportTable() {
    if (group_ < 0) return;
    const QString done =
        TTableExchange(*document_, frame_.Dialogs(), this).Export(static_cast<std::size_t>(group_));
    if (!done.isEmpty()) statusBar()->showMessage(done);
}

void TZQLForm::ImportTable() {
    if (group_ < 0) return;
    const QString done =
        TTableExchange(*document_, frame_.Dialogs(), this).Import(static_cast<std::size_t>(group_));
    if (!done.isEmpty()) statusBar()->showMessage(done);
}

bool TZQLForm::CloseQuery() {
    if (closeConfirmed_) return true;
    if (!PendingChangeQuery()) return false;
    // The sub window's layout goes into the .ZQI with this window's, whichever way it is written.
    if (TSubForm* sub = FollowingSubWindow()) sub->StoreLayout();
    document_->RunBatchList(kBatchClose);
    bool saved = false;
    if (document_->IsModified()) {
        const QString question = QStringLiteral("ライブラリ「") + Caption() +
                                 QStringLiteral("」が変更されています。保存して閉じますか？");
        switch (frame_.Dialogs().AskYesNoCancel(this, question, QStringLiteral("終了確認"))) {
            case IDialogs::Answer::kYes:
                // What could not be saved stays open rather than being lost; "No" still closes.
                if (!document_->Save() || document_->IsModified()) {
                    frame_.Dialogs().Message(
                        this,
                        QStringLiteral("ライブラリ「") + Caption() +
                            QStringLiteral(
                                "」は保存されなかったため、閉じずに開いたままにします。"),
                        QStringLiteral("終了確認"), IDialogs::Icon::kWarning);
                    return false;
                }
                saved = true;
                break;
            case IDialogs::Answer::kNo:
                break;
            default:
                return false;
        }
    }
    TZQICtrl* info = document_->Library().InitializeInfo();
    if (!saved && info && !info->Path().empty()) {
        // The layout survives even when the data is not saved.
        StoreLayout();
        TInitializeInfoWriter(*info).Write();
    }
    closeConfirmed_ = true;
    timedBatch_->Stop();
    return true;
}

void TZQLForm::closeEvent(QCloseEvent* event) {
    if (CloseQuery())
        event->accept();
    else
        event->ignore();
}

unsigned long TZQLForm::GreatestUntitledNumber(const QStringList& captions) {
    unsigned long greatest = 0;
    for (const QString& caption : captions) {
        const int blank = caption.indexOf(QLatin1Char(' '));
        if (blank < 0 || caption.left(blank) != QStringLiteral("名称未設定")) continue;
        const std::string number = caption.mid(blank + 1).toStdString();
        char* end = nullptr;
        const unsigned long value = number.empty() ? 0 : std::strtoul(number.c_str(), &end, 10);
        if (!number.empty() && *end == '\0') greatest = std::max(greatest, value);
    }
    return greatest;
}

}  // namespace tabrix
