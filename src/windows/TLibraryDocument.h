// One open library as the windows see it. The windows never change the model themselves: every
// change is one method here, which changes the model, runs the "change" batch list where the
// library asks for it, and tells every view through the signals, so that all views of the
// library repaint from the same notifications.
//
// Every change is one step of the library's history (a QUndoStack of TEditCommand): the edit
// is recorded in an edit log while it is made, and can be undone and done again. A step that
// changes group data another open library shows stays in the history where it was made; the
// logs' revisions keep either history from going under the other's later changes.
#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/TElementFinder.h"
#include "format/TOutputGenerator.h"
#include "model/TGroupData.h"
#include "model/TTableFormat.h"
#include "model/TTableProblem.h"
#include "model/TValueChange.h"
#include "model/TZQLCtrl.h"
#include "settings/TLibrarySetting.h"
#include "windows/TEditCommand.h"
#include "windows/TFileStamps.h"

class QUndoStack;
class QWidget;

namespace tabrix {

class IFrame;
class TElement;
class TGroupDataSetting;
class TParamSetting;

class TLibraryDocument : public QObject {
    Q_OBJECT

public:
    // Creates an empty library registered with the frame's controller.
    explicit TLibraryDocument(IFrame& frame, QObject* parent = nullptr);
    ~TLibraryDocument() override;

    // Whether document is alive: a drag carries a document that may close while it runs.
    static bool IsOpen(const TLibraryDocument* document);

    TZQLCtrl& Library() { return *library_; }
    const TZQLCtrl& Library() const { return *library_; }
    IFrame& Frame() { return frame_; }

    // Where the questions appear, and who stores the window layout before the .ZQI is written.
    void SetDialogParent(QWidget* parent) { dialogParent_ = parent; }
    void SetLayoutStore(std::function<void()> store) { layoutStore_ = std::move(store); }

    // --- coming into being --------------------------------------------------------------------
    // Opens the library file at path (a model path); a FileResult. Problems with the files it
    // names are shown in one message.
    FileResult Open(const std::string& path);
    // Opens the template as a new library to be saved at chosenPath (may be empty): every file
    // path but the library's is cleared, so the first save asks for each of them.
    FileResult OpenTemplate(const std::string& templatePath, const std::string& chosenPath);
    // The new-library defaults, with the default window-state sections.
    void FillNew();
    // Compiles every format, with "書式の解析中..." in the frame caption meanwhile.
    void CompileFormats();

    // --- the history --------------------------------------------------------------------------
    // At most this many steps, or this many bytes kept by them; the oldest go first.
    static constexpr int kHistorySteps = 100;
    static constexpr std::size_t kHistoryBytes = std::size_t{256} << 20;
    QUndoStack& History() const { return *history_; }
    // Undoes or does again the step next to the history's index. Refused, with a message, when
    // a later change made in another library stands in the way; false when refused, cancelled
    // at the pending-change question or when there is nothing to do.
    bool Undo();
    bool Redo();
    // The history is being made again (see TrimHistory): its commands do nothing.
    bool Replaying() const { return replaying_; }
    // For TEditCommand: a step is about to be undone (done false) or done again.
    void StepMoving(const TEditCommand& step, bool done);
    // For TEditCommand: a step was undone (done false) or done again.
    void StepMoved(const TEditCommand& step, bool done);
    // The library window's part in every change: a window whose panel holds unapplied edits of
    // an element affected asks its pending-change question; false when the user cancels.
    using ElementTest = std::function<bool(const TElement&)>;
    void SetPendingEdits(std::function<bool(const ElementTest&)> settle) {
        settle_ = std::move(settle);
    }
    // Asks every open library window whose panel holds unapplied edits of an element affected
    // is; false when one is cancelled (nothing may change then).
    static bool SettleEdits(const ElementTest& affected);

    // --- element edits ------------------------------------------------------------------------
    // Writes the change gathered by a panel (values and output flag) into its element, of
    // group. False when nothing changed.
    bool ApplyPanel(std::size_t group, TValueChange change);
    bool AddElements(std::size_t group, std::size_t n);
    bool InsertElements(std::size_t group, std::size_t position, std::size_t n);
    // Deletes elements first .. end-1.
    bool DeleteElements(std::size_t group, std::size_t first, std::size_t end);
    // Moves the block first .. last so that a single element, or a block moved up, begins at
    // target, and a block moved down ends at target.
    bool MoveElements(std::size_t group, std::size_t first, std::size_t target, std::size_t last);
    // Drops the elements first..last of group sourceGroup of source (this document or another)
    // into targetGroup before position (at the end when position is at or beyond it). A move
    // takes the elements themselves out of the source group data, so every reference to them
    // stays; a copy makes new elements with all their values and the output flag. False when
    // the groups or the elements do not exist (nothing changes then).
    bool DropElements(TLibraryDocument& source, std::size_t sourceGroup, std::size_t first,
                      std::size_t last, std::size_t targetGroup, std::size_t position, bool move);

    // --- the clipboard -------------------------------------------------------------------------
    // Inserts elements made for group (free-standing, with their values and output flags) before
    // position, at the end when position is at or beyond it; one step. False when the group
    // shows no group data or there is nothing to insert.
    bool PasteElements(std::size_t group, std::size_t position,
                       std::vector<std::unique_ptr<TElement>> elements);
    // Inserts the rows of a table (TTableImport::Insert) before position; one step. On bad
    // input problem says where and nothing changes. The number of elements made, 0 on failure.
    std::size_t PasteTable(std::size_t group, std::size_t position, std::string_view bytes,
                           const TTableFormat& format, TTableProblem& problem);
    // Deletes the elements at rows (ascending, without repeats) of group; one step named as a
    // cut is. False when nothing was deleted.
    bool CutElements(std::size_t group, const std::vector<std::size_t>& rows);

    // The batch change-apply: each change (one per element of group, read from the window's
    // panel by its reading rules) in one step. No "change" batch list runs: the user chose
    // these values for exactly these elements. False without changes.
    bool ApplyToElements(std::size_t group, std::vector<TValueChange> changes);
    // Imports a table into group as one step (see TTableImport): appended, or replacing every
    // element; columns, when given, say what each column is read as. A problem changes
    // nothing; a panel's pending edits of a replaced element are settled first (kNone with
    // nothing imported when the user cancels).
    TTableProblem ImportTable(std::size_t group, std::string_view bytes, const TTableFormat& format,
                              const std::vector<std::optional<std::size_t>>* columns, bool replace,
                              std::size_t& imported);
    // The texts a replace leaves in elements of groups (each element once), written in one
    // step after the caller settled the panels' edits; the "change" batch list runs, as after
    // any edit of values. False without changes.
    struct TextChange {
        std::size_t group = 0;
        TElement* target = nullptr;
        std::vector<TElementFinder::Replacement> values;
    };
    bool ReplaceTexts(const std::vector<TextChange>& changes);
    // Runs the batch list of the trigger; save and output items save and output.
    void RunBatchList(BatchTrigger trigger);

    // --- batch operations -----------------------------------------------------------------------
    // Run the data lines of the operation's dialog once on the library and repaint every group
    // (any group may have changed). A run taking over a second shows its progress.
    void RunSort(const StringList& lines);
    void RunCompareApply(const StringList& lines);
    void RunDuplicateDeletion(const StringList& lines);

    // --- settings -------------------------------------------------------------------------------
    // Commits the library settings dialog's copy as one step; answer is the user's choice for
    // an existing parameter file it names. Reading another parameter file is no step (the
    // file comes from disk, as when a library is opened): no step of the libraries on it
    // goes back beyond it. True when another parameter file was read (and its formats
    // compiled), so the views take over its parameters.
    bool CommitLibrarySetting(const TLibrarySetting& setting, TLibrarySetting::ReloadAnswer answer);

    // Commits the group settings dialog's copy as one step: groups, element data files and
    // group data become the copy's, the formats are compiled again and the library is marked
    // modified. Views of every library whose groups changed with it start again at their
    // first group. Other libraries' histories with steps on group data that leave are
    // forgotten: the step may destroy those group data when it leaves the history.
    void CommitGroupSetting(TGroupDataSetting& setting);
    // Commits the parameter settings dialog's copy when it changed anything, as one step: the
    // parameters replaced, every format compiled again, every group due for output again, in
    // every open library on the same parameter file, each of which is told. True when it
    // committed.
    bool CommitParamSetting(const TParamSetting& setting);

    // Writes the library as it stands, with its parameter file, as a template at path (a model
    // path); the library keeps its own paths and state.
    FileResult WriteTemplate(const std::string& path) {
        return TLibrarySetting::WriteTemplate(*library_, path);
    }

    // --- files --------------------------------------------------------------------------------
    // The whole save with its questions. False when the user declined to replace files that
    // changed on disk since they were read (nothing is written then).
    bool Save();
    // Writes the output files; every refused or failed file is listed in one message.
    TOutputReport Output();
    // The library, its parameter file or an element data file of its groups is modified.
    bool IsModified() const;

    // The number of elements of group (0 when it shows no group data).
    std::size_t ElementCount(std::size_t group) const;
    TElement* ElementAt(std::size_t group, std::size_t index) const;
    // The group data group shows, or none.
    TGroupData* DataOf(std::size_t group) const;

signals:
    // Values of elements first..last of group changed (the rows stay).
    void elementsChanged(int group, int first, int last);
    // Elements of group were added, removed or reordered.
    void rowsChanged(int group);
    // Groups were added, removed, renamed or reordered.
    void groupsChanged();
    // The modified state or the file paths may have changed.
    void modifiedChanged();
    // The groups were replaced as a whole (after groupsChanged): the views start again.
    void groupsReplaced();
    // These group data are about to be destroyed with their elements: a view showing one of
    // those elements lets go of it now.
    void groupDataDeleting(const std::vector<const TGroupData*>& doomed);
    // The parameter definitions were replaced (here or in another library on the same file):
    // the panel, the lists' row height and font follow.
    void parametersChanged();
    // The batch list of trigger (a BatchTrigger) has run, after its own notifications.
    void batchListRan(int trigger);
    // The library settings changed (a commit, or its undo): the window takes over its look
    // and the timed list's interval.
    void librarySettingsChanged();
    // A step was undone or done again: the window shows group (-1: where it is) and selects
    // rows first..last (none when first is -1).
    void stepShown(int group, int first, int last);

private:
    // Records work (which returns whether it changed anything) as one step named name, runs the
    // change batch list inside it when changeList, and tells every view. Memory running out on
    // the way undoes what was done and says so. False when nothing changed.
    bool Record(const QString& name, const TStepView& view, bool changeList,
                const std::function<bool()>& work);
    void Push(const QString& name, std::unique_ptr<TEditLog> log, const TStepView& view);
    bool MoveStep(bool forward);
    // The views of every library showing a group data the log changed repaint.
    void NotifyChanged(const TEditLog& log);
    // The views take over what a step changed beyond element data.
    void NotifyKind(const TStepView& view);
    // Tells every view that these group data are about to leave (see CommitGroupSetting).
    void AnnounceLeaving(const std::vector<const TGroupData*>& doomed);
    // Drops the oldest steps while the history keeps more than kHistoryBytes.
    void TrimHistory();
    // Changes made outside the history (settings commits): no step may go under them.
    static void ForgetHistories(const std::function<bool(const TLibraryDocument&)>& which);
    // The modified bits of the files as they stood when the history was last clean, put back
    // when it is clean again.
    void RememberCleanState();
    void RestoreCleanState();
    // Runs the trigger's list inside the step being made; false when there was none to run.
    bool RunListItems(BatchTrigger trigger);
    bool SettleRows(const TGroupData& data, std::size_t first, std::size_t end);
    // These group data are going: a history with steps on them is forgotten.
    void ForgetStepsOn(const std::vector<const TGroupData*>& doomed);
    void RunOperation(std::uint32_t type, const StringList& lines, const QString& name);
    bool ConfirmReplacingChangedFiles();
    void ReportLoadProblems();
    void Status(const std::string& text);

    IFrame& frame_;
    std::unique_ptr<TZQLCtrl> library_;
    // After the library: its steps go first, while the elements they keep can still find theirs.
    std::unique_ptr<QUndoStack> history_;
    TFileStamps stamps_;
    QWidget* dialogParent_ = nullptr;
    std::function<void()> layoutStore_;
    std::function<bool(const ElementTest&)> settle_;
    std::vector<std::pair<const void*, bool>> cleanBits_;  // file, its modified bit then
    bool inBatch_ = false;
    bool replaying_ = false;
    bool keepOwnSteps_ = false;  // group data leave by a step of this history
    bool savedInStep_ = false;   // a batch list saved while the step was made
};

}  // namespace tabrix
