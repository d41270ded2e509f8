// The working copy behind the group settings dialog: the element data files a library uses,
// their group data and the library's groups with their output settings, copied when the dialog
// opens and edited there without touching the library. Only Commit changes the library; a
// dialog closed without it leaves everything as it was.
//
// The dialog asks every question itself: an operation that needs an answer returns a step of
// kind kAsk carrying the question, and the dialog calls it again with the answer given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/TUnresolvedReference.h"
#include "model/TStringDivision.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TGroupData;
class TGroupSetting;
class TGroupSettingSwap;
class TTabrixCtrl;
class TZQDCtrl;
class TZQLCtrl;

// A question the dialog shows before an operation goes on.
struct TSettingQuestion {
    enum Buttons { kOkCancel, kYesNoCancel };
    std::string caption;
    std::string text;
    Buttons buttons = kOkCancel;
};

// A number the dialog asks for in an input box.
struct TSettingPrompt {
    std::string caption;
    std::string prompt;
    std::string defaultText;
};

// The answer an operation was called with.
enum class TAnswer { kNotAsked, kYes, kNo, kCancel };

// What an operation did.
struct TSettingStep {
    enum Kind {
        kDone,     // the working copy changed
        kNothing,  // nothing to do (no selection, cancelled, nothing readable)
        kAsk,      // ask the question, then call again with the answer
    };
    Kind kind = kNothing;
    TSettingQuestion question;
};

class TGroupDataSetting {
public:
    struct DataCopy {
        std::string name;              // 仮称
        TGroupData* source = nullptr;  // null for group data made in the dialog
    };
    struct FileCopy {
        std::string path;
        bool changed = false;
        std::vector<std::unique_ptr<DataCopy>> data;
        TZQDCtrl* source = nullptr;  // null for a file made in the dialog
    };
    struct GroupCopy {
        std::string name;
        std::string outputPath;
        std::uint8_t status = 1;
        DataCopy* data = nullptr;
        GroupCopy* connect = nullptr;
        StringList header;
        StringList footer;
        TGroupSetting* source = nullptr;  // null for a group made in the dialog
    };

    // What the pages "基本", "ヘッダ" and "フッタ" show for the loaded group.
    struct GroupPage {
        std::string name;
        std::string outputPath;
        bool output = false;
        bool connect = false;
        bool alwaysOutput = false;
        bool readOnly = false;
        std::optional<std::size_t> connectTarget;  // a position in the group list
        std::string header;                        // lines joined with CR LF
        std::string footer;
        bool operator==(const GroupPage&) const = default;
    };

    // What a commit did beyond this library: other open libraries whose groups had to follow
    // (a group data they showed was deleted, moved or renumbered). Their windows need refilling.
    struct CommitReport {
        std::vector<TZQLCtrl*> otherLibraries;
        // The step recorded under an edit log (owned by the log), or none.
        const TGroupSettingSwap* step = nullptr;
    };

    // Copies the library's groups and the element data files that hold the group data they
    // show, in the order the groups first name them.
    explicit TGroupDataSetting(TZQLCtrl& library);
    ~TGroupDataSetting();
    TGroupDataSetting(const TGroupDataSetting&) = delete;
    TGroupDataSetting& operator=(const TGroupDataSetting&) = delete;

    // --- state -------------------------------------------------------------------------------
    std::size_t FileCount() const { return files_.size(); }
    const FileCopy& File(std::size_t i) const { return *files_[i]; }
    std::size_t GroupCount() const { return groups_.size(); }
    const GroupCopy& Group(std::size_t i) const { return *groups_[i]; }
    // The path of the file holding the group's data ("ZQDファイル名").
    std::string GroupFilePath(std::size_t group) const;
    // The file that holds the data, or npos.
    std::size_t FileOf(const DataCopy* data) const;
    bool GroupChanged() const { return groupChanged_; }
    // The library's group data deleted in operation 9: a commit destroys them with their
    // elements, so views showing one of those elements must let go of it first.
    const std::vector<TGroupData*>& DeletedGroupData() const { return deleted_; }
    bool DialogChanged() const { return dialogChanged_; }

    // --- page "グループ設定" ------------------------------------------------------------------
    // Operation 1: row is a group position, or nullopt for the header row (which loads nothing).
    // With unapplied edits of another group, asks first; kCancel keeps the loaded group.
    TSettingStep SelectGroup(std::optional<std::size_t> row, TAnswer answer = TAnswer::kNotAsked);
    std::optional<std::size_t> LoadedGroup() const;
    const GroupPage& Page() const { return page_; }
    // Operation 3: any edit on the pages of the loaded group (none without one).
    TSettingStep EditPage(const GroupPage& page);
    // Operation 2: the loaded group takes the page's values. Nothing is validated.
    TSettingStep ApplyGroup();

    // --- page "使用グループ設定" --------------------------------------------------------------
    static TSettingPrompt AddGroupDataPrompt();
    static TSettingPrompt AddGroupsPrompt();
    static std::string ZqdFilter();  // the filter of operation 4's open dialog

    // 4: reads the file at path as an element data file (or takes the loaded one of that path).
    TSettingStep AddFileFromDisk(const std::string& path);
    // 5: a new entry without path and group data, marked changed.
    TSettingStep CreateEmptyFile();
    // 6: removes the entry; the groups showing its group data go with it.
    TSettingStep ExcludeFile(std::optional<std::size_t> file, bool confirmed = false);
    // 7
    TSettingStep SetFilePath(std::optional<std::size_t> file, const std::string& path);
    // 8: answer is the text typed into the input box.
    TSettingStep AddGroupData(std::optional<std::size_t> file, const std::string& answer);
    // 9: rows of the file's group data; the groups showing them are removed too.
    TSettingStep DeleteGroupData(std::optional<std::size_t> file,
                                 const std::vector<std::size_t>& rows, bool confirmed = false);
    // 10
    TSettingStep RenameGroupData(std::optional<std::size_t> file, std::optional<std::size_t> row,
                                 const std::string& name);
    // 11 (a drag): the rows leave file and are appended to target.
    TSettingStep MoveGroupDataToFile(std::size_t file, const std::vector<std::size_t>& rows,
                                     std::size_t target, bool confirmed = false);
    // 12 (a drag): a group for each of the rows that no group shows yet.
    TSettingStep CreateGroupsFromData(std::size_t file, const std::vector<std::size_t>& rows);
    // 13
    TSettingStep AddGroups(std::optional<std::size_t> file, const std::string& answer);
    // 14
    TSettingStep ExcludeGroups(const std::vector<std::size_t>& rows, bool confirmed = false);
    // 15 (drags within a grid). Every drag that changes the copy sets the dialog-changed
    // flag, so that OK commits what the user saw.
    TSettingStep MoveGroup(std::size_t from, std::size_t to);
    TSettingStep MoveGroupData(std::size_t file, std::size_t from, std::size_t to);
    TSettingStep MoveFile(std::size_t from, std::size_t to);

    // --- OK ------------------------------------------------------------------------------------
    // kAsk while the loaded group has unapplied edits; kNothing when answered kCancel (the
    // dialog stays open); kDone when the dialog closes. WantsCommit tells whether it closes with
    // the OK result.
    TSettingStep Ok(TAnswer answer = TAnswer::kNotAsked);
    bool WantsCommit() const { return dialogChanged_; }
    // The stored batch items (of this library, and of other open libraries that lose groups
    // with deleted group data) naming a group the commit removes: they are refused from then
    // on, and the user is told which before OK.
    std::vector<std::string> StoredItemsLosingGroups() const;

    // Makes the library's groups, element data files and group data those of the working copy
    // and marks the library modified. library is the one the copy was made from. The caller
    // compiles the formats and refills its windows (and those of the libraries reported).
    // While an edit log records (TEditLog::Scope), the commit is recorded in it as one step
    // (a TGroupSettingSwap first, then the values and elements it changed): nothing it takes
    // out of the model is destroyed before the log.
    CommitReport Commit(TZQLCtrl& library, TTabrixCtrl& controller);

    // The naming rules, exposed for their own tests.
    static std::vector<std::string> NextDataNames(const FileCopy& file, std::size_t n);
    static std::uint32_t HighestGroupNumber(const std::vector<std::string>& groupNames);

private:
    GroupCopy* NewGroup(DataCopy* data, std::string name);
    // The references into the groups leaving (group references to them, element references
    // to the elements of group data no remaining group shows): a save can write only what the
    // library shows, so these are erased. Told before the user confirms.
    std::size_t ReferencesLostWith(const std::vector<const GroupCopy*>& leaving) const;
    std::string LostReferencesNote(const std::vector<const GroupCopy*>& leaving) const;
    std::vector<std::string> GroupNames() const;
    void RemoveGroups(const std::vector<const GroupCopy*>& doomed);
    void RemoveGroupsShowing(const std::vector<const DataCopy*>& data);
    FileCopy* FileAt(std::optional<std::size_t> file) const;
    void LoadPage();
    void ForgetLoadedIfGone();
    static TSettingQuestion ApplyQuestion();
    bool HoldsFile(const std::string& path, const TZQDCtrl* file) const;

    // The commit, step by step (in TGroupDataSetting.cpp's order).
    struct CommitState;
    void PlaceFiles(CommitState& state, TTabrixCtrl& controller);
    void PlaceGroupData(CommitState& state);
    void PlaceGroups(CommitState& state, TZQLCtrl& library);
    void ResolveReadReferences(CommitState& state, TZQLCtrl& library);
    void DestroyDeleted(CommitState& state, TZQLCtrl& library, TTabrixCtrl& controller);
    void MarkChangedFiles(CommitState& state, TZQLCtrl& library, TTabrixCtrl& controller);
    void ReleaseFiles(CommitState& state, TTabrixCtrl& controller);
    static void Discard(CommitState& state, std::unique_ptr<TGroupSetting> group);
    static void TakeOutElements(TGroupData& data);

    TZQLCtrl& library_;
    std::vector<std::unique_ptr<FileCopy>> files_;
    std::vector<std::unique_ptr<GroupCopy>> groups_;
    std::vector<TZQDCtrl*> originalFiles_;
    std::vector<TGroupData*> deleted_;                  // source group data deleted in operation 9
    std::vector<std::unique_ptr<TZQDCtrl>> readFiles_;  // files read in operation 4
    std::vector<TUnresolvedReference> pendingRefs_;     // references of the files read
    GroupCopy* loaded_ = nullptr;
    GroupPage page_;
    bool groupChanged_ = false;
    bool dialogChanged_ = false;
};

}  // namespace tabrix
