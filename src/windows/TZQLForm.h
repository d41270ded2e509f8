// The window of one open library: the element list of the shown group with the group tabs and
// combo box, the parameter panel beside it, the tool bar, the menus the frame shows in front of
// its own while this window is active, and the element, save, output and close commands.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <cstddef>
#include <memory>
#include <vector>

#include "model/TWindowState.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QKeySequence;
class QLabel;
class QMenu;
class QSplitter;
class QTabBar;
class QToolButton;

namespace tabrix {

class IDialogs;
class IFrame;
class TAutoRepeat;
struct TElementDrag;
class TElement;
class TElementClipboard;
class TElementCommands;
class TElementDelegate;
class TElementListModel;
class TElementListView;
class TGroupData;
class TLibraryDocument;
class TMultiApplyForm;
class TParamSBox;
class TSubForm;
class TTimedBatch;

class TZQLForm : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kPageDownMs = 300;
    static constexpr int kPageUpMs = 200;

    explicit TZQLForm(IFrame& frame, QWidget* parent = nullptr);
    ~TZQLForm() override;

    TLibraryDocument& Document() { return *document_; }
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }

    // After the library is loaded: groups, panel, row height and font; the first group shown.
    void SetUp();
    // The [ZQLForm] section of the library's initialize-info store, to and from this window.
    void ApplyLayout();
    void StoreLayout();
    // The menus the frame shows in front of its own.
    QList<QMenu*> Menus() const { return menus_; }

    // --- commands -------------------------------------------------------------------------------
    bool PendingChangeQuery();
    // The panel or the output box shows other than the panel's element holds.
    bool HasPendingEdit() const;
    // Ctrl+Z and Ctrl+Y (Ctrl+Shift+Z) outside a text field: the library's history.
    void Undo();
    void Redo();
    void ChangeGroup(int index);
    void SelectUp();
    void SelectDown();
    void LeftGroup();
    void RightGroup();
    void ChangeApply();
    void MoveRows(int from, int to, int selectionTop, int selectionBottom);
    // Elements dragged from the sub window dropped on row (-1: the header row; the row count:
    // below the last row), copied or moved, appended or inserted as the drag mode says.
    void DropElements(const TElementDrag& drag, int row);
    void Save();
    void Output();
    // The shown group to and from a CSV or TSV file.
    void ExportTable();
    void ImportTable();
    bool CloseQuery();
    void SetFollowMode(std::uint32_t mode);
    void SetDragMode(std::uint32_t mode);
    void SetAutoApply(bool on);
    // "一括変更適用ウィンドウ(&M)": opens this window's batch change-apply window, or brings
    // the open one to the front.
    void OpenMultiApply();
    // "ライブラリ(&L)...": the library settings dialog, then its commit; when another parameter
    // file was read, the panel, the row height and the list font follow it.
    void OpenLibrarySetting();
    // "並び替え(&S)..." and the element column's header cell, "判定適用(&A)...": the dialog on this
    // library, the operation, both lists repainted and "処理終了です". "重複削除(&D)...": the same
    // without the message.
    void OpenSort();
    void OpenCompareApply();
    void OpenDuplicateDeletion();
    // "グループ(&G)...": the group settings dialog, then its commit.
    void OpenGroupSetting();
    // "パラメータ(&P)...": the parameter settings dialog, then its commit when it changed
    // anything; the lists, the panel and the batch change-apply window follow the new parameters.
    void OpenParamSetting();

    // --- state, for the frame and the tests ---------------------------------------------------
    int CurrentGroup() const { return group_; }
    TElement* CurrentElement() const;
    TElementListView& List() const { return *list_; }
    QComboBox& GroupCombo() const { return *groupCombo_; }
    QTabBar& Tabs() const { return *tabs_; }
    TParamSBox& Panel() const { return *panel_; }
    TMultiApplyForm* MultiApplyWindow() const;
    QCheckBox& OutputBox() const { return *outputBox_; }
    QString StatusText() const;
    std::uint32_t FollowMode() const { return followMode_; }
    std::uint32_t DragMode() const { return dragMode_; }
    bool AutoApply() const;
    int PanelWidth() const;
    // Runs the library's timed batch list while this window is open.
    TTimedBatch& TimedBatch() const { return *timedBatch_; }
    // The action with this object name ("A_Save", "A_Add", ...).
    QAction* Action(const QString& name) const;

    // A caption or hint as the status bar and tool tips show it: without access keys.
    static QString HintText(const QString& caption);
    // This window's keys work in window too (its sub window, its batch change-apply window),
    // except those window has commands of its own for; TakeBackKeys undoes it.
    void LendKeys(QWidget& window);
    void TakeBackKeys(QWidget& window);
    static void FreeSystemMenuKeys(QWidget& window, const QList<QKeySequence>& keys);

    // The largest number N of the captions "名称未設定 N" (0 when there is none).
    static unsigned long GreatestUntitledNumber(const QStringList& captions);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Shift+Tab walk the list, the panel's fields and its buttons, round.
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<QWidget*> FocusChain() const;
    QWidget* ApplyButton() const;
    void BuildActions();
    void BuildClipboardActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildCentre();
    QAction* MakeAction(const char* name, const QString& text, const QString& hint = {});
    void FillGroups();
    void TakeOverParameters();
    void TakeOverGroups();
    void LetGoOfDeletedElement(const std::vector<const TGroupData*>& doomed);
    void TakeOverParamSetting();
    // The "カスタマイズ" values of the library's initialize-info store: the panel's background
    // colour and the number of groups the drop-down lists at once.
    void ApplyLook();
    // A timed run may reorder the shown group: it waits for edits in the panel to be settled.
    bool ReadyForTimedBatch() const;
    // "テンプレートとして書き出す": asks for a name and writes the library as it stands (not
    // the dialog's unconfirmed edits) into the template folder.
    void WriteTemplate(QWidget* parent);
    // Settles the panel's pending edit and runs an operation dialog; true after 実行.
    bool PrepareOperation(QDialog& dialog);
    void SyncGroupControls(int index);
    void ShowRow(int row);
    void SyncPanelToCurrentRow();
    void ShowInPanel(TElement* element);
    void ShowHistory();
    void ShowStep(int group, int first, int last);
    void FollowPanelElement();
    void ShowHoverStatus(int row, int column);
    bool PageStep(int delta);
    // The sub window, when it shows this window's library.
    TSubForm* FollowingSubWindow() const;
    void UpdateCaptionFromPath();
    QWidget* Holder() const;

    IFrame& frame_;
    std::unique_ptr<TLibraryDocument> document_;
    TElementListModel* model_ = nullptr;
    TElementDelegate* delegate_ = nullptr;
    TElementCommands* commands_ = nullptr;
    TElementClipboard* clipboard_ = nullptr;
    TElementListView* list_ = nullptr;
    TParamSBox* panel_ = nullptr;
    QComboBox* groupCombo_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* panelArea_ = nullptr;
    QCheckBox* outputBox_ = nullptr;
    QToolButton* followButton_ = nullptr;
    TAutoRepeat* pageUp_ = nullptr;
    TAutoRepeat* pageDown_ = nullptr;
    QList<QMenu*> menus_;
    QWidget* watchedHolder_ = nullptr;
    QActionGroup* followGroup_ = nullptr;
    QActionGroup* dragCopyMove_ = nullptr;
    QActionGroup* dragAddInsert_ = nullptr;
    QPointer<TMultiApplyForm> multiApply_;  // cleared when the user closes it
    std::unique_ptr<TTimedBatch> timedBatch_;
    int group_ = 0;
    std::uint32_t followMode_ = kFollowRight;
    std::uint32_t dragMode_ = 0xFFFFFFFCu;
    int panelWidth_ = 170;
    QRect normalBounds_{0, 0, 400, 300};
    bool closeConfirmed_ = false;
    bool resetting_ = false;
    QString caption_;
    bool outputShown_ = false;  // the output flag the panel's element had when shown
};

}  // namespace tabrix
