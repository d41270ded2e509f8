// The parameter editing panel beside a library window's list: one label and one input control
// per parameter, the control chosen by the parameter's type. It shows the current element's
// values, gathers edits in the library's working element, and writes them into an element when
// the window applies the changes.
#pragma once

#include <QScrollArea>
#include <QVector>

namespace tabrix {

class IDialogs;
class TElement;
class TZQLCtrl;

class TParamSBox : public QScrollArea {
    Q_OBJECT

public:
    TParamSBox(TZQLCtrl& library, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TParamSBox() override;

    // Destroys every label and control and makes them again for the library's parameters.
    void Rebuild();
    // Makes element the current element (none clears the panel), copies it into the working
    // element and loads every control from it; clears Changed.
    void Show(TElement* element);
    TElement* CurrentElement() const { return current_; }
    // Reads every control into the working element and copies it into target (the current
    // element when none). False, and nothing written, when nothing changed or there is no
    // target.
    bool Apply(TElement* target = nullptr);
    bool Changed() const { return changed_; }
    // The pending-change query's "No": the edits are dropped.
    void ClearChanged() { changed_ = false; }
    // The library window's drag mode (bit 0 move, bit 1 insert), for drops on reference lists.
    void SetDragMode(unsigned mode) { dragMode_ = mode; }

    // The input control of parameter i (its object name is "Param<i>"), for tests.
    QWidget* Control(int i) const;

signals:
    // Enter in a one-line field: the window runs its change-apply.
    void applyRequested();
    // An edit, check, selection change or drop.
    void edited();

private:
    void MarkChanged();

    TZQLCtrl& library_;
    IDialogs& dialogs_;
    TElement* current_ = nullptr;
    QVector<QWidget*> controls_;
    QVector<QWidget*> labels_;
    bool changed_ = false;
    unsigned dragMode_ = 0;
};

}  // namespace tabrix
