#include "model/TValueChange.h"

#include "model/TEditLog.h"

namespace tabrix {

void TValueChange::Apply() const {
    if (Empty()) return;
    TEditLog::NoteValue(*target);
    for (std::size_t param : params)
        target->CopyValueFrom(*values, param);
    if (outputFlag) target->SetOutputFlag(*outputFlag);
}

}  // namespace tabrix
