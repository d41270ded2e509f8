// A library (.ZQL): its groups, the files it names, output settings, free text, preview and
// batch lists. Owns its groups, its initialize-info file and its string division; shares its
// parameter file and element data files with other open libraries through the controller.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/ElementResult.h"
#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TBatchSetting.h"
#include "model/TElement.h"
#include "model/TGroupSetting.h"
#include "model/TLoadProblem.h"
#include "model/TStringDivision.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

class TGroupData;
class TTabrixCtrl;
class TZQDCtrl;
class TZQICtrl;
class TZQPCtrl;

enum BatchTrigger : std::size_t {
    kBatchTimed = 0,
    kBatchOpen = 1,
    kBatchClose = 2,
    kBatchChange = 3,
    kBatchTriggerCount = 4
};

class TZQLCtrl {
public:
    static constexpr std::uint8_t kModified = 4;

    TZQLCtrl();
    ~TZQLCtrl();
    TZQLCtrl(const TZQLCtrl&) = delete;
    TZQLCtrl& operator=(const TZQLCtrl&) = delete;

    // --- files -----------------------------------------------------------------------------
    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    TZQPCtrl* ParameterFile() const { return parameterFile_; }
    // Makes file this library's parameter file (and the library its owner). With a controller
    // the controller keeps the file, so that libraries can share it; without one the library
    // keeps it until it is registered.
    TZQPCtrl* AttachParameterFile(std::unique_ptr<TZQPCtrl> file);
    // Uses a parameter file kept elsewhere (by the controller).
    void SetParameterFile(TZQPCtrl* file) { parameterFile_ = file; }
    // Hands over the parameter file the library keeps while it has no controller.
    std::unique_ptr<TZQPCtrl> TakeOwnedParameterFile() { return std::move(ownParameterFile_); }
    TZQICtrl* InitializeInfo() const { return initializeInfo_.get(); }
    void SetInitializeInfo(std::unique_ptr<TZQICtrl> info);
    TTabrixCtrl* Controller() const { return controller_; }
    void SetController(TTabrixCtrl* controller) { controller_ = controller; }
    const TStringDivision& Division() const { return division_; }

    // --- settings --------------------------------------------------------------------------
    const std::string& OutputPath() const { return outputPath_; }
    void SetOutputPath(std::string path) { outputPath_ = std::move(path); }
    std::uint8_t Status() const { return status_; }
    void SetStatus(std::uint8_t status) { status_ = status; }
    bool IsModified() const { return (status_ & kModified) != 0; }
    void SetModified(bool modified) {
        status_ = modified ? (status_ | kModified) : (status_ & ~kModified);
    }
    const std::string& LineBreak() const { return lineBreak_; }
    void SetLineBreak(std::string lineBreak) { lineBreak_ = std::move(lineBreak); }
    StringList& FreeText() { return freeText_; }
    const StringList& FreeText() const { return freeText_; }
    const std::string& PreviewImage() const { return previewImage_; }
    void SetPreviewImage(std::string path) { previewImage_ = std::move(path); }
    StringList& PreviewMemo() { return previewMemo_; }
    const StringList& PreviewMemo() const { return previewMemo_; }
    std::vector<TBatchSetting>& BatchList(BatchTrigger trigger) { return batchLists_[trigger]; }
    const std::vector<TBatchSetting>& BatchList(BatchTrigger trigger) const {
        return batchLists_[trigger];
    }
    // Seconds between two runs of the timed list while the library's window is open. Kept
    // beside the lists under a line older readers skip; a library that never had another
    // interval writes no such line, so its file stays as it was.
    static constexpr std::uint32_t kDefaultTimedInterval = 60;
    static constexpr std::uint32_t kMaxTimedInterval = 32767;
    // The stored interval; a value outside 1 .. kMaxTimedInterval counts as the default.
    std::uint32_t TimedInterval() const;
    void SetTimedInterval(std::uint32_t seconds);
    // Whether the interval goes into the file (it was read from it, or set), and its value as
    // stored, outside the range or not.
    bool TimedIntervalStored() const { return timedIntervalStored_; }
    std::uint32_t StoredTimedInterval() const { return timedInterval_; }
    // The interval as the file holds it, kept to be written back even when it is the default.
    void SetStoredTimedInterval(std::uint32_t seconds) {
        timedInterval_ = seconds;
        timedIntervalStored_ = true;
    }

    // --- groups ----------------------------------------------------------------------------
    std::size_t GroupCount() const { return groups_.size(); }
    TGroupSetting* Group(std::size_t i) const {
        assert(i < groups_.size());
        return groups_[i].get();
    }
    const std::vector<std::unique_ptr<TGroupSetting>>& Groups() const { return groups_; }
    // Creates a group (status 1) for the group data, appends it and enters it in the map.
    TGroupSetting* AddGroupForGroupData(TGroupData* data);
    // Appends a group read or built elsewhere.
    TGroupSetting* AppendGroup(std::unique_ptr<TGroupSetting> group);
    // Destroys group i; later groups move up and connect groups naming it are cleared.
    void DeleteGroup(std::size_t i);
    // The same, handing the group to the caller (null when i names none): an undoable step
    // keeps it.
    std::unique_ptr<TGroupSetting> TakeGroup(std::size_t i);
    // Destroys every group.
    void ClearGroups();
    // Hands every group to the caller (the list and the map are left empty), so that a new
    // list can be built from the same objects.
    std::vector<std::unique_ptr<TGroupSetting>> TakeGroups();
    // Reorders the groups to the given order (a permutation of the current groups).
    void ReorderGroups(std::vector<std::unique_ptr<TGroupSetting>> ordered);
    // The group of this library that shows the group data, or none.
    TGroupSetting* FindGroupOf(const TGroupData* data) const;
    void RebuildGroupMap();
    // Gives each group its number: its place among the file's group records, held ones
    // counted (see HeldGroups).
    void RenumberGroups();
    // The group of that number, or none (a held record's number, or beyond the groups).
    TGroupSetting* GroupByNumber(std::size_t number) const;
    // Per number, the group of that number (none for the numbers of held records).
    std::vector<TGroupSetting*> ByNumber() const;
    // The numbers of the held records, in their order, as a save writes them among the groups.
    std::vector<std::size_t> HeldNumbers() const;

    // Element list operations by group number: kNoSuchElements when the number names no
    // group; otherwise the group's output-done bit is cleared and the operation's result is
    // returned.
    ElementResult AddElements(std::size_t group, std::size_t n);
    ElementResult InsertElements(std::size_t group, std::size_t position, std::size_t n);
    // Puts elements made outside any list before position (at the end beyond it).
    ElementResult InsertTaken(std::size_t group, std::size_t position,
                              std::vector<std::unique_ptr<TElement>> elements);
    ElementResult DeleteElements(std::size_t group, std::size_t first, std::size_t end);
    ElementResult MoveElements(std::size_t group, std::size_t first, std::size_t target,
                               std::size_t last);

    // --- what could not be read --------------------------------------------------------------
    // The problems met by the last read of the file, in the order met.
    const std::vector<TLoadProblem>& LoadProblems() const { return problems_; }
    void AddLoadProblem(TLoadProblem problem) { problems_.push_back(std::move(problem)); }
    void ClearLoadProblems() { problems_.clear(); }
    // A group record that could not be shown (its element data file or its group data could
    // not be read): its lines as read, "[group]" to "[/group]", and its position among the
    // file's group records. Written back unchanged, so nothing is lost when the file returns.
    struct HeldGroup {
        std::size_t position;
        StringList lines;
    };
    const std::vector<HeldGroup>& HeldGroups() const { return heldGroups_; }
    void AddHeldGroup(HeldGroup held) { heldGroups_.push_back(std::move(held)); }
    void ClearHeldGroups() { heldGroups_.clear(); }

    // The working copy element the parameter panel edits.
    TElement& WorkingElement() { return *workingElement_; }

private:
    TStringDivision division_;
    std::unique_ptr<TElement> workingElement_;
    std::unique_ptr<TZQPCtrl> ownParameterFile_;
    std::unique_ptr<TZQICtrl> initializeInfo_;
    std::vector<std::unique_ptr<TGroupSetting>> groups_;
    std::unordered_map<const TGroupData*, TGroupSetting*> groupMap_;
    std::vector<TLoadProblem> problems_;
    std::vector<HeldGroup> heldGroups_;
    std::array<std::vector<TBatchSetting>, kBatchTriggerCount> batchLists_;
    std::uint32_t timedInterval_ = kDefaultTimedInterval;
    bool timedIntervalStored_ = false;  // read from the file, or set: written back
    std::string path_;
    std::string outputPath_;
    std::string lineBreak_ = "\r\n";
    std::string previewImage_;
    StringList previewMemo_;
    StringList freeText_;
    TZQPCtrl* parameterFile_ = nullptr;
    TTabrixCtrl* controller_ = nullptr;
    std::uint8_t status_ = 0;
};

}  // namespace tabrix
