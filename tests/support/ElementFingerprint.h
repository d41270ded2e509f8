// One element as a line for comparing whole models before and after an edit: its identity,
// output flag and values, references by their target's place ("data:index", "out" for a
// target in no list, "-" for none).
#pragma once

#include <ostream>
#include <string>

#include "model/TElement.h"
#include "model/TGroupData.h"

namespace tabrix::test {

inline void WriteFingerprint(std::ostream& out, const TElement& e) {
    auto place = [](NumberItem item) -> std::string {
        if (!item) return "-";
        const TElement* target = TElement::AsElement(item);
        if (!target->Owner()) return "out";
        return target->Owner()->Name() + ":" + std::to_string(target->Index());
    };
    out << static_cast<const void*>(&e) << ' ' << e.Index() << ' ' << int(e.OutputFlag());
    for (std::size_t p = 0; p < e.TextCount(); ++p)
        for (std::string_view text : e.Texts(p))
            out << " t" << p << '=' << text;
    for (std::size_t p = 0; p < e.NumberCount(); ++p)
        for (NumberItem item : e.Numbers(p))
            out << " n" << p << '=' << (e.HoldsElementRefs(p) ? place(item) : std::to_string(item));
}

}  // namespace tabrix::test
