#include "model/TParameter.h"

namespace tabrix {

// The token lives exactly as long as this parameter, so a display-parameter link held by
// another parameter expires when this one is destroyed.
TParameter::TParameter() : self_(std::make_shared<TParameter*>(this)) {}

TParameter* TParameter::DisplayParameter() const {
    std::shared_ptr<TParameter*> target = display_.lock();
    return target ? *target : nullptr;
}

void TParameter::SetDisplayParameter(const TParameter* parameter) {
    if (parameter) {
        display_ = parameter->self_;
    } else {
        display_.reset();
    }
}

}  // namespace tabrix
