// The sub window: one second element list per frame, showing a group of the active library
// window's library (possibly another group than that window shows). It is where elements are
// dragged from, into the library window's list or onto the panel's reference lists, and it
// carries its own add, insert, delete and row-move commands for the group it shows. It keeps
// its layout in each library's "[SubForm]" section and can stick to the active library window
// (the library window's follow mode).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <cstdint>

class QAction;
class QComboBox;
class QMenu;
class QToolButton;

namespace tabrix {

class IFrame;
class TElementDelegate;
class TElementListModel;
class TLibraryDocument;
class TSubElementListView;
class TZQLForm;

class TSubForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TSubForm(IFrame& frame, QWidget* parent = nullptr);
    ~TSubForm() override;

    // Shows window's library: the layout of the library shown so far is stored into its
    // "[SubForm]" section and the new library's section applied (bounds, state, group); the
    // mode buttons show window's drag mode. Nothing changes but the buttons when the library
    // is already shown.
    void Follow(TZQLForm* window);
    // The library of document is closing: the list lets go of it.
    void Release(const TLibraryDocument* document);
    // The "[SubForm]" section of the shown library, from this window.
    void StoreLayout();
    // The mode buttons' images and hints for the drag mode bits.
    void ShowDragMode(std::uint32_t mode);
    // Where the sub window stands when it follows a library window at window (the library
    // window's bounds in the same coordinates): on the right or the left, at the same top, and
    // as high as the window when it was resized. Other modes leave it at sub.
    static QRect FollowedBounds(const QRect& window, const QRect& sub, std::uint32_t mode,
                                bool resized);
    // Moves this window as FollowedBounds says.
    void FollowWindow(const QRect& window, std::uint32_t mode, bool resized);

    // --- commands on the shown group ------------------------------------------------------------
    void ChangeGroup(int index);
    void MoveRows(int from, int to, int selectionTop, int selectionBottom);
    // The element column's header cell: the sort dialog for the shown group, then the sort;
    // every list showing a sorted group repaints. No message follows.
    void OpenSort();

    // --- state, for the frame, the drop targets and the tests -----------------------------------
    TLibraryDocument* Document() const { return document_; }
    int Group() const { return group_; }
    TSubElementListView& List() const { return *list_; }
    QComboBox& GroupCombo() const { return *groupCombo_; }
    QToolButton& TransferButton() const { return *transferButton_; }
    QToolButton& PlaceButton() const { return *placeButton_; }
    QAction* Action(const QString& name) const;
    QString StatusText() const;
    // The window that holds this one in the frame (itself when it stands alone).
    QWidget* Holder() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Attach(TLibraryDocument* document);
    void ApplyLayout();
    void FillGroups();
    void ShowHoverStatus(int row, int column);
    void ToggleDragBit(std::uint32_t bit);
    bool HasGroup() const;

    IFrame& frame_;
    TLibraryDocument* document_ = nullptr;
    TElementListModel* model_ = nullptr;
    TElementDelegate* delegate_ = nullptr;
    TSubElementListView* list_ = nullptr;
    QComboBox* groupCombo_ = nullptr;
    QToolButton* transferButton_ = nullptr;
    QToolButton* placeButton_ = nullptr;
    QMenu* transferMenu_ = nullptr;
    QMenu* placeMenu_ = nullptr;
    QPointer<QWidget> watchedHolder_;
    int group_ = 0;
    QRect normalBounds_{400, 0, 140, 300};
};

}  // namespace tabrix
