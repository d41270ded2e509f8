#include "model/TGroupSetting.h"

#include "model/TElement.h"

namespace tabrix {

TGroupSetting::~TGroupSetting() {
    // A group reference never outlives its group: erase it from every referring value.
    for (const TReferrer& r : referrers_.Take())
        r.element->EraseItem(r.param, TElement::ItemOf(this));
}

}  // namespace tabrix
