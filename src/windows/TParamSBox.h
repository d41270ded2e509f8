// The parameter editing panel beside a library window's list: one label and one input control
// per parameter, the control chosen by the parameter's type. It shows the current element's
// values, gathers edits in the library's working element, and writes them into an element when
// the window applies the changes.
#pragma once

#include <QScrollArea>
#include <QVariant>
#include <QVector>

#include <cstdint>
#include <vector>

#include "model/TValueChange.h"

class QLabel;
class QMenu;

namespace tabrix {

class IDialogs;
class TElement;
class TParameter;
class TReferenceList;
class TZQLCtrl;

class TParamSBox : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int kScrollStep = 20;
    static constexpr int kSingleReferenceHeight = 20;

    TParamSBox(TZQLCtrl& library, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TParamSBox() override;

    // Destroys every label and control and makes them again for the library's parameters.
    void Rebuild();
    // Makes element the current element (none clears the panel), copies it into the working
    // element and loads every control from it; clears Changed.
    void Show(TElement* element);
    TElement* CurrentElement() const { return current_; }
    // Whether a control of the current element shows other than it was given: text typed
    // and typed away again is no change.
    bool Changed() const;
    // The current element's new values: the parameters whose controls the user changed, read
    // by the panel's reading rules; every other value stays as it is, byte for byte.
    TValueChange Collect() const;
    // Writes Collect() into the current element and shows it again; false when nothing changed.
    // (The windows hand Collect() to their document instead.)
    bool Apply();
    // The pending-change query's "No": the controls show the current element again.
    void Discard();
    // The element the edits are gathered in: the library's working element unless another
    // one is set (the batch change-apply window edits an element of its own). Not owned; it
    // must outlive the panel or be unset first.
    void SetWorkingElement(TElement* element);
    TElement& WorkingElement() const;
    // Reads the control of parameter param into target by the same rules as Apply; element
    // references, which have no control value to read, are left as they are.
    void ReadInto(int param, TElement& target) const;
    // Moves every label and control right by pixels, leaving room for the caller's widgets
    // in front of them (see Content()).
    void SetIndent(int pixels);
    // The parameter whose control holds the focus (-1: none); gives parameter i's control the
    // focus and scrolls it into sight (false when there is none).
    int FocusedParam() const;
    bool FocusControl(int i);
    // What the reading rules would store for a number field other than what was typed (a
    // value out of range, a text that is not a number): the field's name, the text and the
    // value kept; empty when every line reads as typed.
    QString ReadingNote(int i) const;
    // The notes shown on the fields (red frame and tip), one per parameter; ShowNotes puts
    // notes back after the fields were loaded again.
    QVector<QString> Notes() const { return notes_; }
    QVector<QString> ReadingNotes() const;
    void ShowNotes(const QVector<QString>& notes);
    // The scrolled widget that holds the labels and controls.
    QWidget* Content() const { return content_; }

    // The library window's drag mode (bit 0 move, bit 1 insert), for drops on reference lists.
    void SetDragMode(unsigned mode) { dragMode_ = mode; }
    unsigned DragMode() const { return dragMode_; }

    // The input control of parameter i (its object name is "Param<i>"), for tests.
    QWidget* Control(int i) const;
    QLabel* Label(int i) const;

    // Elements dropped onto the reference list of parameter param, on list row row (0 is the
    // header row): a single reference takes the first element; an empty array takes them all;
    // otherwise they are appended, or in insert mode inserted before the reference of row.
    void DropElements(int param, const QVector<TElement*>& elements, int row);
    // The reference-list commands of the context menu, on the list of parameter param.
    void RemoveSelectedReferences(int param);
    void ClearReferences(int param);
    // Double click on row of the list of parameter param: asks, then removes that reference.
    void RemoveReferenceAt(int param, int row);
    // Moves references of the array list of parameter param as the library window moves rows:
    // row from dragged onto row to, with the list's selection as it stood.
    void MoveReferenceRows(int param, int from, int to);

    // The context menus; their target is the control the menu was last opened on.
    QMenu* ReferenceMenu() const { return referenceMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    int MenuTarget() const { return menuTarget_; }
    void SetMenuTarget(int param) { menuTarget_ = param; }

    // The text shown for a referenced element: its value of the display parameter.
    static QString DisplayText(const TElement* target, const TParameter& display,
                               const TZQLCtrl& library);

signals:
    // Enter in a one-line field: the window runs its change-apply.
    void applyRequested();
    // An edit, check, selection change or drop.
    void edited();
    // A number field's text would not be stored as typed (see ReadingNote).
    void noteShown(const QString& note);
    // The labels and controls have been placed again (after Rebuild and every resize).
    void laidOut();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* MakeControl(const TParameter& parameter, int i);
    QWidget* MakeMultiLineEdit(int i);
    TReferenceList* MakeReferenceList(bool array, int i);
    void BuildMenus();
    void Relayout();
    int ControlHeight(int i, QWidget* control) const;
    bool InStep(int i) const;
    void LoadControl(int i);
    void ReadControl(int i, TElement& into) const;
    void RefreshReferenceList(int i);
    QString ReferenceText(const TParameter& parameter, const TElement* target) const;
    std::vector<TElement*> References(int i) const;
    void StoreReferences(int i, const std::vector<TElement*>& refs);
    const TParameter* Parameter(int i) const;
    TReferenceList* ReferenceList(int i) const;
    void MarkChanged();
    void ShowReading(int i);
    void MarkNote(int i, const QString& note);
    QVariant ControlState(int i) const;
    void RememberShown();
    bool ControlChanged(int i) const;

    TZQLCtrl& library_;
    IDialogs& dialogs_;
    QWidget* content_;
    QMenu* referenceMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    TElement* current_ = nullptr;
    TElement* working_ = nullptr;  // none: the library's working element
    int indent_ = 0;
    QVector<QWidget*> controls_;
    QVector<QLabel*> labels_;
    QVector<std::uint8_t> types_;  // the type each control was made for
    QVector<QString> notes_;       // what each field shows of its reading (see ReadingNote)
    int menuTarget_ = -1;
    QVector<QVariant> shown_;          // each control's state as last loaded
    QVector<bool> referencesChanged_;  // a reference list was edited since
    bool loading_ = false;  // controls are being filled by Show: their signals are no edits
    unsigned dragMode_ = 0;
};

}  // namespace tabrix
