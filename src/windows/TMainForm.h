// The frame: the multi-document window that holds the library windows, owns the controller of
// every open library, remembers its own layout in Tabrix.ini, and carries the open-library,
// window-arrangement and help commands. The active library window's menus stand in front of
// the frame's own.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <QUndoGroup>
#include "platform/THelpBrowser.h"

#include <memory>

#include "model/TTabrixCtrl.h"
#include "windows/IFrame.h"
#include "windows/TFrameSettings.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMimeData;
class QMenu;

namespace tabrix {

class TSubForm;
class TZQLForm;

class TMainForm : public QMainWindow, public IFrame {
    Q_OBJECT

public:
    // configFolder holds Tabrix.ini.
    TMainForm(IDialogs& dialogs, const QString& configFolder, QWidget* parent = nullptr);
    ~TMainForm() override;

    // IFrame
    TTabrixCtrl& Controller() override { return *controller_; }
    IDialogs& Dialogs() override { return dialogs_; }
    void SetFrameStatus(const std::string& text) override;
    void LibraryWindowActivated(TZQLForm* window) override;
    void LibraryWindowClosed(TZQLForm* window) override;
    TZQLForm* ActiveLibraryWindow() const override { return active_; }
    TSubForm* SubWindow() const override;
    std::string TemplateFolder() override;

    // The shipped template folder (tests point it elsewhere).
    void SetTemplateDir(const QString& folder) { templateDir_ = folder; }

    // Shows the frame in the state Tabrix.ini gave it.
    void ShowAsStored();
    // The open command: the library selection dialog, then OpenSelected.
    void OpenLibraryCommand();
    // Opens what the selection dialog chose: libraryPath (native; empty for an untitled
    // library), or a new library derived from templatePath when derive is set and the template
    // exists. The new window, or none when the library could not be opened.
    TZQLForm* OpenSelected(const QString& libraryPath, bool derive = false,
                           const QString& templatePath = {});
    // A library named outside the selection (the command line, a drop, the recent menu): it
    // must exist; otherwise the user is told and nothing opens.
    TZQLForm* OpenLibrary(const QString& path);
    // The history's first entries, as "最近使ったライブラリ" lists them.
    static constexpr int kRecentCount = 10;
    QStringList RecentLibraries() const;
    QMenu* RecentMenu() const { return recent_; }
    // The .ZQL files a drop carries.
    static QStringList DroppedLibraries(const QMimeData* mime);

    QMdiArea& Area() const { return *area_; }
    QList<TZQLForm*> LibraryWindows() const;
    const QUndoGroup& UndoGroup() const { return undoGroup_; }
    TFrameSettings& Settings() { return settings_; }
    bool AlwaysOnTop() const;
    void ToggleAlwaysOnTop();
    void TileHorizontally();
    void TileVertically();
    void ArrangeIcons();
    // Shows page in the help window (made on first use); a missing page is reported.
    void ShowHelp(const QString& page);
    THelpBrowser* HelpWindow() const { return help_; }

signals:
    // "ヘルプ<HTML>(&C)" (F1) opens page in the help window.
    void helpOpened(const QString& page);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    // "Tabrix - NAME [*]" for the active library, its modified state shown by "*".
    void UpdateCaption();
    QString HistoryFile() const;
    // Puts a library path at the front of histry.log.
    void RememberLibrary(const QString& path);
    void FillRecentMenu();
    void NoteSavedPath(TZQLForm* form);
    void ReportNotFound(const QString& path);
    // Why a library could not be opened, in words: for a file that is no library, the first
    // line it has and the one a library file has.
    static QString OpenFailure(const QString& path, int result);
    void RebuildMenuBar();
    void OnSubWindowActivated(QMdiSubWindow* sub);
    void ApplyStoredLayout();
    void StoreLayout();
    void Tile(bool sideBySide);
    QString UntitledCaption() const;
    // The sub window, made on the first open command; it stays until the last library window
    // or the frame closes.
    void EnsureSubWindow();
    // The sub window follows the active library window.
    void FollowActive();

    IDialogs& dialogs_;
    std::unique_ptr<TTabrixCtrl> controller_;
    TFrameSettings settings_;
    QMdiArea* area_ = nullptr;
    QString configFolder_;
    QList<QMenu*> menus_;
    QMenu* recent_ = nullptr;
    QAction* onTop_ = nullptr;
    QPointer<TZQLForm> keysLentBy_;  // whose keys the sub window has
    // Every library window's history; the active one is the active library's.
    QUndoGroup undoGroup_;
    TZQLForm* active_ = nullptr;
    QPointer<TSubForm> sub_;
    QPointer<THelpBrowser> help_;
    QString templateDir_;
    QString userTemplateDir_;
};

}  // namespace tabrix
