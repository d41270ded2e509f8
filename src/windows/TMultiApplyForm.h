// The batch change-apply window of a library window: a parameter panel of its own, on an
// element of its own, with a "use" box in front of every parameter. Its button writes the
// parameters in use, and the output flag when chosen, into every element selected in the
// library window's list. At most one per library window, which owns it and closes it with
// itself.
#pragma once

#include <QVector>
#include <QWidget>

#include <memory>

class QCheckBox;
class QPushButton;

namespace tabrix {

class TElement;
class TParamSBox;
class TZQLForm;

class TMultiApplyForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 240;
    static constexpr int kDesignHeight = 320;
    static constexpr int kUseBoxLeft = 4;
    static constexpr int kUseBoxWidth = 17;
    static constexpr int kIndent = 16;  // room for the use boxes in front of the panel

    // Makes the window of window and shows it centred on the frame (a child window of the
    // frame when window is one, else a window of its own).
    static TMultiApplyForm* Create(TZQLForm& window);
    ~TMultiApplyForm() override;

    // The frame child that holds this window, or the window itself.
    QWidget* Holder() const;
    void BringToFront();
    // Closes at once, without waiting for the event loop: the library goes with its window.
    void CloseNow();

    // "一括変更適用": the checked parameters and the output flag into the selected elements.
    void ApplyToSelection();

    TParamSBox& Panel() const { return *panel_; }
    TElement& OwnElement() const { return *own_; }
    QCheckBox* UseBox(int param) const { return useBoxes_.value(param); }
    QCheckBox& OutputUseBox() const { return *outputUse_; }
    QCheckBox& OutputBox() const { return *output_; }
    QPushButton& ApplyButton() const { return *apply_; }

private:
    explicit TMultiApplyForm(TZQLForm& window, QWidget* parent = nullptr);
    QWidget* BuildUpperArea();
    void BuildUseBoxes();
    void PlaceUseBoxes();

    TZQLForm& window_;
    std::unique_ptr<TElement> own_;
    TParamSBox* panel_ = nullptr;
    QPushButton* apply_ = nullptr;
    QCheckBox* outputUse_ = nullptr;
    QCheckBox* output_ = nullptr;
    QVector<QCheckBox*> useBoxes_;
};

}  // namespace tabrix
