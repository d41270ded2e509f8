// A group settings commit as one step of an edit log: it keeps the state the commit found and
// the state it left (every open library's groups, status and stored batch items, every element
// data file's group data, path and status, the controller's list of files) and swaps between
// them. The element values the commit changed and the elements it took out are recorded in the
// same log as values and deletions; this entry covers only the structure around them.
//
// Nothing the step swaps is destroyed while the entry lives: the groups, group data and files
// that the state shown now does not hold are kept here, and go only with the entry. They are
// then inert: nothing refers to them, and they refer to nothing (the log took their elements
// out, or their values were never resolved).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/TBatchSetting.h"
#include "model/TEditLog.h"
#include "model/TStringDivision.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TGroupData;
class TGroupSetting;
class TTabrixCtrl;
class TZQDCtrl;

class TGroupSettingSwap : public TEditLog::Entry {
public:
    // Records the state before the commit of library: every library open in controller and
    // every element data file it holds.
    TGroupSettingSwap(TZQLCtrl& library, TTabrixCtrl& controller);
    ~TGroupSettingSwap() override;

    // What the commit takes out of the model, kept instead of destroyed.
    void Keep(std::unique_ptr<TGroupSetting> group);
    void Keep(std::unique_ptr<TGroupData> data);
    void Keep(std::unique_ptr<TZQDCtrl> file);
    // The commit is over: records the state after it and names to log the group data whose
    // file, position or name the step changes, and those it creates or deletes.
    void Finish(TEditLog& log);

    bool CanUndo(const TEditLog&) const override;
    bool CanRedo(const TEditLog&) const override;
    void Undo() override;
    void Redo() override;
    std::size_t Bytes() const override;

    // The libraries whose groups the step replaces or whose shown group data it moves: their
    // windows start their views again after an undo or redo, as after the commit.
    const std::vector<TZQLCtrl*>& Libraries() const { return changedLibraries_; }
    // The group data an undo, a redo takes out of the model (out of the files the controller
    // lists): views showing their elements let go of them first, as before the commit.
    std::vector<const TGroupData*> LeavingOnUndo() const { return Leaving(after_, before_); }
    std::vector<const TGroupData*> LeavingOnRedo() const { return Leaving(before_, after_); }

private:
    struct GroupState {
        TGroupSetting* group;
        std::string name;
        std::string outputPath;
        std::uint8_t status;
        TGroupData* data;
        TGroupSetting* connect;
        std::optional<std::size_t> heldConnect;
        StringList header;
        StringList footer;
    };
    using BatchLists = std::array<std::vector<TBatchSetting>, kBatchTriggerCount>;
    struct LibraryState {
        TZQLCtrl* library;
        std::uint8_t status;
        std::vector<GroupState> groups;
        BatchLists batch;
    };
    struct DataState {
        TGroupData* data;
        std::string name;
    };
    struct FileState {
        TZQDCtrl* file;
        bool listed;  // in the controller's list (else kept here)
        std::string path;
        std::uint8_t status;
        std::vector<DataState> data;
    };
    struct State {
        std::vector<LibraryState> libraries;
        std::vector<FileState> files;  // the controller's list in its order, then those kept
    };

    State Record() const;
    static std::vector<const TGroupData*> Leaving(const State& from, const State& to);
    static LibraryState RecordLibrary(TZQLCtrl& library);
    static FileState RecordFile(TZQDCtrl& file, bool listed);
    // Whether the model still has the structure of state: the libraries open, their group
    // lists and the group data lists of the files as state holds them.
    bool Matches(const State& state) const;
    void Apply(const State& state);
    void PlaceGroupData(const State& state);
    void PlaceFiles(const State& state);
    void PlaceGroups(const LibraryState& state);
    static void RestoreGroup(const GroupState& state);
    void TouchMoved(TEditLog& log) const;
    void FindChangedLibraries();

    TZQLCtrl& library_;
    TTabrixCtrl& controller_;
    State before_;
    State after_;
    // Destroyed in this order (last member first): groups refer to group data, group data
    // live in files or on their own; none is referred to by what goes after it.
    std::vector<std::unique_ptr<TZQDCtrl>> files_;
    std::vector<std::unique_ptr<TGroupData>> data_;
    std::vector<std::unique_ptr<TGroupSetting>> groups_;
    std::vector<TZQLCtrl*> changedLibraries_;
};

}  // namespace tabrix
