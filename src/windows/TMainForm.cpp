#include "windows/TMainForm.h"
#include "windows/TWindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include <algorithm>

#include "dialogs/TAboutForm.h"
#include "dialogs/TLibraryHistory.h"
#include "dialogs/TLibrarySelectForm.h"
#include "files/TStringFiler.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TBatchSetting.h"
#include "model/TFileKind.h"
#include "model/TZQLCtrl.h"
#include "platform/AppPaths.h"
#include "platform/IDialogs.h"
#include "platform/QtFileKind.h"
#include "platform/QtText.h"
#include "platform/THelpBrowser.h"
#include "windows/TCommandGuard.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TSubForm.h"
#include "windows/TZQLForm.h"

namespace tabrix {

namespace {

// The library path a window was opened with or last saved under, as the history has it.
const char* const kRecordedPath = "tabrixRecordedPath";

}  // namespace

TMainForm::TMainForm(IDialogs& dialogs, const QString& configFolder, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      controller_(std::make_unique<TTabrixCtrl>()),
      settings_(configFolder),
      configFolder_(configFolder),
      templateDir_(AppPaths::TemplateDir()),
      userTemplateDir_(TLibrarySelectForm::UserTemplateDir(AppPaths::ConfigDir())) {
    setWindowTitle(QStringLiteral("Tabrix"));
    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("ClientArea"));
    area_->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(area_);
    area_->viewport()->installEventFilter(this);
    // Library files dropped from a file manager open here.
    setAcceptDrops(true);
    connect(area_, &QMdiArea::subWindowActivated, this, &TMainForm::OnSubWindowActivated);
    BuildMenus();
    FillRecentMenu();
    RebuildMenuBar();
    ApplyStoredLayout();
}

TMainForm::~TMainForm() {
    // The library windows hold libraries registered with the controller: they go first. The
    // area is forgotten before it goes: its viewport's last events still reach the filter,
    // and windows going with it must leave the sub window alone.
    QMdiArea* area = area_;
    area_ = nullptr;
    area->viewport()->removeEventFilter(this);
    delete area;
}

void TMainForm::BuildMenus() {
    auto* general = new QMenu(QStringLiteral("総合処理(&A)"), this);
    QAction* open = general->addAction(QStringLiteral("ライブラリを開く(&O)..."));
    open->setObjectName(QStringLiteral("A_Open"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, [this, open] {
        TCommandGuard::Run(dialogs_, this, open->text(), [this] { OpenLibraryCommand(); });
    });
    recent_ = general->addMenu(QStringLiteral("最近使ったライブラリ"));
    recent_->setObjectName(QStringLiteral("M_Recent"));
    connect(general, &QMenu::aboutToShow, this, &TMainForm::FillRecentMenu);
    general->addSeparator();
    QAction* quit = general->addAction(QStringLiteral("終了(&X)"));
    quit->setObjectName(QStringLiteral("A_Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    auto* window = new QMenu(QStringLiteral("ウィンドウ(&W)"), this);
    onTop_ = window->addAction(QStringLiteral("常に最上位(&T)"));
    onTop_->setCheckable(true);
    // The check mark is inverted by the toggle itself, not by the click.
    connect(onTop_, &QAction::triggered, this, [this] {
        onTop_->setChecked(!onTop_->isChecked());
        ToggleAlwaysOnTop();
    });
    window->addSeparator();
    connect(window->addAction(QStringLiteral("横に並べて表示(&H)")), &QAction::triggered, this,
            &TMainForm::TileHorizontally);
    connect(window->addAction(QStringLiteral("縦に並べて表示(&V)")), &QAction::triggered, this,
            &TMainForm::TileVertically);
    window->addSeparator();
    connect(window->addAction(QStringLiteral("重ねて表示(&C)")), &QAction::triggered, area_,
            &QMdiArea::cascadeSubWindows);
    connect(window->addAction(QStringLiteral("アイコンの整列(&A)")), &QAction::triggered, this,
            &TMainForm::ArrangeIcons);

    auto* help = new QMenu(QStringLiteral("ヘルプ(&H)"), this);
    QAction* helpPage = help->addAction(QStringLiteral("ヘルプ<HTML>(&C)"));
    helpPage->setObjectName(QStringLiteral("A_Help"));
    helpPage->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpPage, &QAction::triggered, this, [this] { emit helpOpened(AppPaths::HelpPage()); });
    connect(this, &TMainForm::helpOpened, this, &TMainForm::ShowHelp);
    QAction* helpInBrowser = help->addAction(QStringLiteral("ヘルプをブラウザで開く(&B)"));
    helpInBrowser->setObjectName(QStringLiteral("A_HelpInBrowser"));
    connect(helpInBrowser, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl::fromLocalFile(AppPaths::HelpPage())); });
    help->addSeparator();
    help->addAction(QStringLiteral("ファイルバージョン： 2.2"))->setEnabled(false);
    QAction* about = help->addAction(QStringLiteral("Tabrix について(&A)..."));
    about->setObjectName(QStringLiteral("A_About"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [this] {
        TAboutForm form(this);
        dialogs_.Exec(form);
    });
    menus_ = {general, window, help};
}

void TMainForm::ShowHelp(const QString& page) {
    if (!help_) help_ = new THelpBrowser(this);
    if (!help_->ShowPage(page))
        dialogs_.Message(this, QStringLiteral("ヘルプ「%1」が見つかりません。").arg(page), {},
                         IDialogs::Icon::kWarning);
}

void TMainForm::RebuildMenuBar() {
    // The frame's undo group follows the active library: its stack is the one Ctrl+Z acts on.
    undoGroup_.setActiveStack(active_ ? &active_->Document().History() : nullptr);
    QMenuBar* bar = menuBar();
    bar->clear();
    if (active_) {
        for (QMenu* menu : active_->Menus())
            bar->addMenu(menu);
    }
    for (QMenu* menu : menus_)
        bar->addMenu(menu);
    UpdateCaption();
}

void TMainForm::UpdateCaption() {
    if (!active_) {
        setWindowTitle(QStringLiteral("Tabrix"));
        setWindowModified(false);
        return;
    }
    const QString caption = active_->Caption();
    setWindowTitle(QStringLiteral("Tabrix - ") +
                   caption.mid(caption.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral(" [*]"));
    setWindowModified(active_->Document().IsModified());
}

void TMainForm::OnSubWindowActivated(QMdiSubWindow* sub) {
    auto* form = sub ? qobject_cast<TZQLForm*>(sub->widget()) : nullptr;
    if (form)
        active_ = form;
    else if (!sub)
        active_ = nullptr;
    RebuildMenuBar();
    FollowActive();
}

void TMainForm::LibraryWindowActivated(TZQLForm* window) {
    if (active_ == window) return;
    active_ = window;
    RebuildMenuBar();
    FollowActive();
}

void TMainForm::LibraryWindowClosed(TZQLForm* window) {
    // The sub window lets go of the closing library before anything else can draw it.
    if (sub_) sub_->Release(&window->Document());
    undoGroup_.removeStack(&window->Document().History());
    if (active_ == window) {
        active_ = nullptr;
        RebuildMenuBar();
    }
    if (!area_ || !sub_) return;
    // The window's own holder may be in its destructor already: only the others are asked.
    const QWidget* holder = window->parentWidget();
    const QList<QMdiSubWindow*> subs = area_->subWindowList();
    const bool last = std::none_of(subs.begin(), subs.end(), [holder](QMdiSubWindow* sub) {
        return sub != holder && qobject_cast<TZQLForm*>(sub->widget());
    });
    if (last) sub_->Holder()->close();
}

TSubForm* TMainForm::SubWindow() const {
    return sub_.data();
}

void TMainForm::EnsureSubWindow() {
    if (sub_) return;
    sub_ = new TSubForm(*this);
    sub_->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* holder = area_->addSubWindow(sub_);
    holder->setAttribute(Qt::WA_DeleteOnClose);
    holder->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

void TMainForm::FollowActive() {
    if (!sub_ || !active_) return;
    sub_->Follow(active_);
    // The active library's keys act while its sub window has the focus.
    if (keysLentBy_ && keysLentBy_ != active_) keysLentBy_->TakeBackKeys(*sub_);
    active_->LendKeys(*sub_);
    keysLentBy_ = active_;
    if (sub_->Holder()->isHidden()) sub_->Holder()->show();
}

void TMainForm::SetFrameStatus(const std::string& text) {
    if (text.empty())
        UpdateCaption();
    else
        setWindowTitle(QtText::FromCp932(text));
    // The caption is painted before the long work goes on; what the user does meanwhile waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QList<TZQLForm*> TMainForm::LibraryWindows() const {
    QList<TZQLForm*> windows;
    if (!area_) return windows;
    for (QMdiSubWindow* sub : area_->subWindowList())
        if (auto* form = qobject_cast<TZQLForm*>(sub->widget())) windows << form;
    return windows;
}

QString TMainForm::UntitledCaption() const {
    QStringList captions;
    for (TZQLForm* form : LibraryWindows())
        captions << form->Caption();
    return QStringLiteral("名称未設定 ") +
           QString::number(TZQLForm::GreatestUntitledNumber(captions) + 1);
}

std::string TMainForm::TemplateFolder() {
    const QFileInfo shipped(templateDir_);
    if (shipped.isDir() && shipped.isWritable()) return QtText::ToNative(templateDir_);
    QDir().mkpath(userTemplateDir_);
    return QtText::ToNative(userTemplateDir_);
}

void TMainForm::OpenLibraryCommand() {
    TLibrarySelectForm select(configFolder_, templateDir_, dialogs_, this);
    // Through the dialogs service like every other modal window, so a test can answer it.
    const bool accepted = dialogs_.Exec(select) == QDialog::Accepted;
    FillRecentMenu();  // the dialog may have changed the history
    if (accepted)
        OpenSelected(select.LibraryPath(), select.DeriveFromTemplate(), select.TemplatePath());
}

// --- recent libraries ----------------------------------------------------------------------------

QString TMainForm::HistoryFile() const {
    return configFolder_ + QStringLiteral("/histry.log");
}

void TMainForm::RememberLibrary(const QString& path) {
    if (path.isEmpty()) return;
    TLibraryHistory history;
    const std::string file = QtText::ToNative(HistoryFile());
    history.Load(file);
    history.Add(QtText::ToNative(QFileInfo(path).absoluteFilePath()));
    history.SaveIfChanged(file);
    FillRecentMenu();
}

QStringList TMainForm::RecentLibraries() const {
    TLibraryHistory history;
    history.Load(QtText::ToNative(HistoryFile()));
    QStringList paths;
    for (const std::string& entry : history.Entries()) {
        if (paths.size() == kRecentCount) break;
        paths << QtText::FromNative(entry);
    }
    return paths;
}

void TMainForm::FillRecentMenu() {
    recent_->clear();
    const QStringList paths = RecentLibraries();
    for (int i = 0; i < paths.size(); ++i) {
        // 1 to 9, then 1&0: every entry has its access key.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QString shown = paths[i];
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString path = paths[i];
        QAction* entry = recent_->addAction(number + QLatin1Char(' ') + shown);
        connect(entry, &QAction::triggered, this, [this, path] {
            TCommandGuard::Run(dialogs_, this, QStringLiteral("最近使ったライブラリ"),
                               [this, &path] { OpenLibrary(path); });
        });
    }
    recent_->setEnabled(!paths.isEmpty());
}

// A library saved under a path it did not have when opened goes to the history.
void TMainForm::NoteSavedPath(TZQLForm* form) {
    const TLibraryDocument& document = form->Document();
    const QString path = QtText::FromNative(PathName::ToNative(document.Library().Path()));
    if (path.isEmpty() || document.IsModified() || form->property(kRecordedPath).toString() == path)
        return;
    form->setProperty(kRecordedPath, path);
    RememberLibrary(path);
}

// --- opening ---------------------------------------------------------------------------------

TZQLForm* TMainForm::OpenLibrary(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        ReportNotFound(path);
        return nullptr;
    }
    return OpenSelected(path);
}

void TMainForm::ReportNotFound(const QString& path) {
    dialogs_.Message(this,
                     QStringLiteral("ライブラリ「") + path + QStringLiteral("」が見つかりません"),
                     {}, IDialogs::Icon::kError);
}

QString TMainForm::OpenFailure(const QString& path, FileResult result) {
    const QString named = QStringLiteral("ライブラリ「") + path + QStringLiteral("」");
    switch (result) {
        case kFileCannotOpen:
            return named + QStringLiteral("を読み込めません。");
        case kFileCloseFailed:
            return named + QStringLiteral("は空のファイルです。");
        case kFileWrongHeader: {
            QFile file(path);
            QByteArray first = file.open(QIODevice::ReadOnly) ? file.readLine(200) : QByteArray();
            while (first.endsWith('\n') || first.endsWith('\r'))
                first.chop(1);
            return named + QStringLiteral("はライブラリファイルではありません。\n先頭行：「") +
                   QtText::FromCp932(first.toStdString()) +
                   QStringLiteral("」\nライブラリファイルの先頭行：「") +
                   QtText::FromCp932(TFileKind::Of(FileKind::kLibrary).HeaderLine()) +
                   QStringLiteral("」");
        }
        default:
            return named + QStringLiteral("を開けませんでした（%1）")
                               .arg(QString::fromUtf8(Describe(result, ResultLanguage::kJapanese)));
    }
}

// --- dropped files ------------------------------------------------------------------------------

QStringList TMainForm::DroppedLibraries(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QtFileKind::Suffix(FileKind::kLibrary), Qt::CaseInsensitive))
            paths << url.toLocalFile();
    return paths;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedLibraries(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedLibraries(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedLibraries(event->mimeData());
    if (paths.isEmpty()) return event->ignore();
    event->acceptProposedAction();
    for (const QString& path : paths)
        TCommandGuard::Run(dialogs_, this, QStringLiteral("ライブラリを開く(&O)..."),
                           [this, &path] { OpenLibrary(path); });
}

TZQLForm* TMainForm::OpenSelected(const QString& libraryPath, bool derive,
                                  const QString& templatePath) {
    std::string path;
    const std::string native = QtText::ToNative(libraryPath);
    if (!libraryPath.isEmpty() &&
        (native.find('\\') != std::string::npos || !PathName::FromNative(native, path))) {
        dialogs_.Message(
            this, QStringLiteral("このファイル名はライブラリに記録できません：\n") + libraryPath,
            {}, IDialogs::Icon::kError);
        return nullptr;
    }
    // A new library may be given a path that does not exist yet, but not in a folder that
    // does not exist: nothing could ever be saved there.
    if (!libraryPath.isEmpty() && !QFileInfo::exists(libraryPath) &&
        !QFileInfo(libraryPath).absoluteDir().exists()) {
        ReportNotFound(libraryPath);
        return nullptr;
    }
    EnsureSubWindow();
    auto* form = new TZQLForm(*this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = area_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    form->SetCaption(libraryPath.isEmpty() ? UntitledCaption() : libraryPath);
    undoGroup_.addStack(&form->Document().History());
    if (!active_) active_ = form;
    TLibraryDocument& document = form->Document();
    document.Library().SetPath(path);

    std::string templateModel;
    const bool fromTemplate = derive && !templatePath.isEmpty() &&
                              QFileInfo(templatePath).isFile() &&
                              PathName::FromNative(QtText::ToNative(templatePath), templateModel);
    const bool fromFile =
        !fromTemplate && !libraryPath.isEmpty() && QFileInfo(libraryPath).isFile();
    FileResult result = kFileOk;
    if (fromTemplate) {
        result = document.OpenTemplate(templateModel, path);
    } else if (fromFile) {
        result = document.Open(path);
    } else {
        document.FillNew();
    }
    if (result != kFileOk) {
        dialogs_.Message(this, OpenFailure(fromTemplate ? templatePath : libraryPath, result), {},
                         IDialogs::Icon::kError);
        if (active_ == form) active_ = nullptr;
        form->Document().Library().SetPath("");
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        delete sub;
        return nullptr;
    }
    form->SetUp();
    document.CompileFormats();
    form->ApplyLayout();
    sub->show();
    area_->setActiveSubWindow(sub);
    // The keyboard starts in the new library's list.
    form->List().setFocus(Qt::OtherFocusReason);
    form->setProperty(kRecordedPath, libraryPath);
    RememberLibrary(libraryPath);
    connect(&document, &TLibraryDocument::modifiedChanged, this, [this, form] {
        NoteSavedPath(form);
        if (form == active_) UpdateCaption();
    });
    // The sub window may have been pointed at the library while it was still empty: it lets go
    // and follows the active window again, which applies the loaded library's [SubForm].
    if (sub_) sub_->Release(&document);
    FollowActive();
    // The open list runs once the window stands as the user sees it: an output item needs the
    // compiled formats, and a save item stores the layout the window has taken.
    if (fromTemplate || fromFile) document.RunBatchList(kBatchOpen);
    return form;
}

// --- layout and arrangement ----------------------------------------------------------------------

void TMainForm::ApplyStoredLayout() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    settings_.Load(screen ? screen->size() : QSize(1024, 768));
    // Bounds stored on a larger screen, or edited by hand, would put the frame out of sight.
    setGeometry(screen ? ClampedInto(settings_.Bounds(), screen->availableGeometry())
                       : settings_.Bounds());
    // The check mark starts opposite to the wish; the toggle then turns both to the wish.
    onTop_->setChecked(!settings_.AlwaysOnTop());
    ToggleAlwaysOnTop();
}

void TMainForm::ShowAsStored() {
    switch (settings_.WindowState()) {
        case 2:
            showMaximized();
            break;
        case 1:
            showMinimized();
            break;
        default:
            show();
            break;
    }
}

bool TMainForm::AlwaysOnTop() const {
    return onTop_->isChecked();
}

void TMainForm::ToggleAlwaysOnTop() {
    const bool wasVisible = isVisible();
    const QRect bounds = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, !onTop_->isChecked());
    onTop_->setChecked(!onTop_->isChecked());
    // Changing the flags hides a shown window; it comes back where it was.
    if (wasVisible) {
        setGeometry(bounds);
        show();
    }
}

void TMainForm::StoreLayout() {
    const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    settings_.SetWindowState(state);
    settings_.SetBounds(state == 0 ? geometry() : normalGeometry());
    settings_.SetAlwaysOnTop(onTop_->isChecked());
    settings_.Save();
}

void TMainForm::Tile(bool sideBySide) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : area_->subWindowList())
        if (!sub->isMinimized() && sub->isVisible()) windows << sub;
    if (windows.isEmpty()) return;
    const QRect space = area_->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        windows[i]->showNormal();
        if (sideBySide) {
            const int w = space.width() / n;
            windows[i]->setGeometry(i * w, 0, w, space.height());
        } else {
            const int h = space.height() / n;
            windows[i]->setGeometry(0, i * h, space.width(), h);
        }
    }
}

void TMainForm::TileHorizontally() {
    Tile(true);
}

void TMainForm::TileVertically() {
    Tile(false);
}

void TMainForm::ArrangeIcons() {
    int x = 0;
    const int bottom = area_->viewport()->height();
    for (QMdiSubWindow* sub : area_->subWindowList()) {
        if (!sub->isMinimized()) continue;
        sub->move(x, bottom - sub->height());
        x += sub->width();
    }
}

// --- closing
// --------------------------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event) {
    for (QMdiSubWindow* sub : area_->subWindowList()) {
        if (!qobject_cast<TZQLForm*>(sub->widget())) continue;
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    // Every library window has agreed to close: the sub window goes for good, not minimised.
    active_ = nullptr;
    if (sub_) sub_->Holder()->close();
    StoreLayout();
    event->accept();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (area_ && watched == area_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        OpenLibraryCommand();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tabrix
