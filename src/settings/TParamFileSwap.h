// The undo of a parameter settings commit: the definitions it replaced, kept as the same
// objects, and the stored batch items of the libraries on the file, whose parameter positions
// the commit re-pointed. The element values the commit moved or cleared are kept by the edit
// log itself (every element was noted before it changed).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/TBatchSetting.h"
#include "model/TEditLog.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

class TParamFileSwap : public TEditLog::Entry {
public:
    // Made before the commit changes anything: library is the one whose history keeps the step.
    TParamFileSwap(TZQLCtrl& library, TZQPCtrl& file);
    // Takes the file's definitions out, just before the commit writes its own in.
    void TakeDefinitions() { kept_.ExchangeDefinitions(file_); }
    // The commit is done: the batch items as they stand now, and a fresh revision of the file.
    void Finish();

    bool CanUndo(const TEditLog&) const override { return file_.Revision() == after_; }
    bool CanRedo(const TEditLog&) const override { return file_.Revision() == before_; }
    void Undo() override;
    void Redo() override;
    std::size_t Bytes() const override;

private:
    using BatchLists = std::array<std::vector<TBatchSetting>, kBatchTriggerCount>;
    // One library on the file, named by object and path: a library closed meanwhile is
    // skipped, and another opened at its address is not taken for it.
    struct Items {
        const TZQLCtrl* library;
        std::string path;
        BatchLists lists;
    };

    std::vector<TZQLCtrl*> Users() const;
    std::vector<Items> ItemsOfUsers() const;
    void Exchange();

    TZQLCtrl& library_;
    TZQPCtrl& file_;
    TZQPCtrl kept_;  // the definitions not in the file now
    std::vector<Items> keptItems_;
    std::uint64_t before_;
    std::uint64_t after_ = 0;
};

}  // namespace tabrix
