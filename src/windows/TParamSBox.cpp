// Placeholder until the panel lands: no controls.
#include "windows/TParamSBox.h"

#include "model/TElement.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

TParamSBox::TParamSBox(TZQLCtrl& library, IDialogs& dialogs, QWidget* parent)
    : QScrollArea(parent), library_(library), dialogs_(dialogs) {}

TParamSBox::~TParamSBox() = default;

void TParamSBox::Rebuild() {}

void TParamSBox::Show(TElement* element) {
    current_ = element;
    changed_ = false;
}

bool TParamSBox::Apply(TElement* target) {
    if (!target) target = current_;
    if (!changed_ || !target) return false;
    changed_ = false;
    return true;
}

QWidget* TParamSBox::Control(int i) const {
    return i >= 0 && i < controls_.size() ? controls_[i] : nullptr;
}

void TParamSBox::MarkChanged() {
    changed_ = true;
    emit edited();
}

}  // namespace tabrix
