#include "windows/TLibraryDocument.h"

#include <algorithm>

#include <QStringList>
#include <QUndoStack>
#include <QWidget>

#include "batch/TBatchRunner.h"
#include "files/TLibraryOpener.h"
#include "files/TLibrarySaver.h"
#include "format/TFormatCompiler.h"
#include "model/CoreText.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TEditLog.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TLoadProblem.h"
#include "model/TTableImport.h"
#include "model/TTabrixCtrl.h"
#include "model/TWindowState.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "settings/TGroupDataSetting.h"
#include "settings/TGroupSettingSwap.h"
#include "settings/TLibrarySettingSwap.h"
#include "settings/TParamSetting.h"
#include "windows/IFrame.h"
#include "windows/TBatchRefusals.h"
#include "windows/TDialogSaveQuestions.h"
#include "windows/TOperationProgress.h"

namespace tabrix {

namespace {

QString Shown(const std::string& modelPath) {
    return QtText::FromNative(PathName::ToNative(modelPath));
}

}  // namespace

namespace {

// Every open document, so that a change of group data shared between libraries reaches the
// views of all of them.
std::vector<TLibraryDocument*>& OpenDocuments() {
    static std::vector<TLibraryDocument*> documents;
    return documents;
}

const TEditCommand* StepAt(const QUndoStack& history, int index) {
    return index >= 0 && index < history.count()
               ? static_cast<const TEditCommand*>(history.command(index))
               : nullptr;
}

}  // namespace

TLibraryDocument::TLibraryDocument(IFrame& frame, QObject* parent)
    : QObject(parent),
      frame_(frame),
      library_(std::make_unique<TZQLCtrl>()),
      history_(std::make_unique<QUndoStack>()) {
    // Registered before anything is read, so that its groups find element data files that
    // other open libraries already hold.
    frame_.Controller().RegisterLibrary(*library_);
    OpenDocuments().push_back(this);
    history_->setUndoLimit(kHistorySteps);
    connect(history_.get(), &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean && !replaying_) RestoreCleanState();
    });
    connect(this, &TLibraryDocument::groupDataDeleting, this,
            [this](const std::vector<const TGroupData*>& doomed) {
                if (!keepOwnSteps_) ForgetStepsOn(doomed);
            });
}

TLibraryDocument::~TLibraryDocument() {
    // The element data files only this library shows go with it: no other history may keep
    // steps on their elements.
    std::vector<const TGroupData*> doomed;
    for (const auto& group : library_->Groups()) {
        const TGroupData* data = group->GroupData();
        if (!data) continue;
        bool shownElsewhere = false;
        for (TLibraryDocument* other : OpenDocuments())
            if (other != this && other->library_->FindGroupOf(data)) shownElsewhere = true;
        if (!shownElsewhere && data->Owner())
            for (const auto& sibling : data->Owner()->GroupData())
                doomed.push_back(sibling.get());
    }
    replaying_ = true;
    // The windows watching the history are going with this document: nobody is told.
    history_->blockSignals(true);
    history_->clear();
    auto& documents = OpenDocuments();
    documents.erase(std::remove(documents.begin(), documents.end(), this), documents.end());
    for (TLibraryDocument* other : documents)
        other->ForgetStepsOn(doomed);
}

void TLibraryDocument::ForgetStepsOn(const std::vector<const TGroupData*>& doomed) {
    if (doomed.empty()) return;
    for (int i = 0; i < history_->count(); ++i) {
        const TEditLog& log = StepAt(*history_, i)->Log();
        for (const TGroupData* data : doomed) {
            if (!log.DependsOn(data)) continue;
            ForgetHistories([this](const TLibraryDocument& d) { return &d == this; });
            return;
        }
    }
}

bool TLibraryDocument::IsOpen(const TLibraryDocument* document) {
    const auto& documents = OpenDocuments();
    return document && std::find(documents.begin(), documents.end(), document) != documents.end();
}

void TLibraryDocument::Status(const std::string& text) {
    frame_.SetFrameStatus(text);
}

FileResult TLibraryDocument::Open(const std::string& path) {
    const FileResult result =
        TLibraryOpener(frame_.Controller())
            .OpenLibrary(*library_, path, [this](const std::string& message) { Status(message); });
    Status("");
    if (result != kFileOk) return result;
    stamps_.Record(*library_);
    RememberCleanState();
    ReportLoadProblems();
    return result;
}

FileResult TLibraryDocument::OpenTemplate(const std::string& templatePath,
                                          const std::string& chosenPath) {
    const FileResult result = Open(templatePath);
    if (result != kFileOk) return result;
    // The template itself must never be written by this library: every path goes before
    // anything (the open batch list included) could save.
    library_->SetPath(chosenPath);
    if (TZQPCtrl* parameters = library_->ParameterFile()) parameters->SetPath("");
    if (TZQICtrl* info = library_->InitializeInfo()) info->SetPath("");
    for (const auto& group : library_->Groups()) {
        TGroupData* data = group->GroupData();
        if (data && data->Owner()) data->Owner()->SetPath("");
    }
    stamps_.Record(*library_);
    RememberCleanState();
    return kFileOk;
}

void TLibraryDocument::FillNew() {
    frame_.Controller().FillNewLibrary(*library_);
    TMapInitialize& store = library_->InitializeInfo()->Store();
    TWindowState::PutLibraryDefaults(store);
    TWindowState::PutSubDefaults(store);
    RememberCleanState();
}

void TLibraryDocument::CompileFormats() {
    Status(CoreText::Get(CoreText::kAnalysingFormats));
    TFormatCompiler::CompileAll(*library_);
    Status("");
}

bool TLibraryDocument::CommitLibrarySetting(const TLibrarySetting& setting,
                                            TLibrarySetting::ReloadAnswer answer) {
    FileResult readResult = kFileOk;
    bool read = false;
    if (setting.ParameterChangeFor(*library_) == TLibrarySetting::ParameterChange::kAsk &&
        answer == TLibrarySetting::ReloadAnswer::kRead) {
        const bool wasModified = library_->IsModified();
        read = setting.Commit(*library_, answer, readResult);
        // No undo may bring back the saved state's "unmodified", or closing would not ask
        // and the settings would be lost.
        if (!wasModified && library_->IsModified()) history_->resetClean();
    } else {
        TStepView view;
        view.kind = TStepKind::kLibrarySettings;
        Record(QStringLiteral("ライブラリ設定"), view, false, [&] {
            auto swap = std::make_unique<TLibrarySettingSwap>(*library_);
            setting.Commit(*library_, answer, readResult);
            if (!swap->Changed()) return false;
            TEditLog::Active()->Add(std::move(swap));
            return true;
        });
    }
    if (readResult != kFileOk) {
        const TLoadProblem problem{
            TLoadProblem::kParameterFile, setting.parameterPath, readResult, {}};
        frame_.Dialogs().Message(dialogParent_, QString::fromStdString(problem.Describe()), {},
                                 IDialogs::Icon::kWarning);
    }
    if (read) CompileFormats();
    if (read)
        ForgetHistories([file = library_->ParameterFile()](const TLibraryDocument& d) {
            return d.library_->ParameterFile() == file;
        });
    emit librarySettingsChanged();
    // The paths may have changed, and with them the caption.
    emit modifiedChanged();
    return read;
}

void TLibraryDocument::CommitGroupSetting(TGroupDataSetting& setting) {
    const std::vector<const TGroupData*> doomed(setting.DeletedGroupData().begin(),
                                                setting.DeletedGroupData().end());
    AnnounceLeaving(doomed);
    TStepView view;
    view.kind = TStepKind::kGroups;
    Record(QStringLiteral("グループ設定"), view, false, [&] {
        view.groups = setting.Commit(*library_, frame_.Controller()).step;
        return true;
    });
}

bool TLibraryDocument::CommitParamSetting(const TParamSetting& setting) {
    TStepView view;
    view.kind = TStepKind::kParameters;
    return Record(QStringLiteral("パラメータ設定"), view, false,
                  [&] { return setting.CommitIfChanged(*library_); });
}

void TLibraryDocument::ReportLoadProblems() {
    QStringList lines;
    for (const TLoadProblem& problem : library_->LoadProblems())
        lines << QString::fromStdString(problem.Describe());
    if (lines.isEmpty()) return;
    frame_.Dialogs().Message(dialogParent_, lines.join(QLatin1Char('\n')), {},
                             IDialogs::Icon::kWarning);
}

TGroupData* TLibraryDocument::DataOf(std::size_t group) const {
    return group < library_->GroupCount() ? library_->Group(group)->GroupData() : nullptr;
}

std::size_t TLibraryDocument::ElementCount(std::size_t group) const {
    const TGroupData* data = DataOf(group);
    return data ? data->Size() : 0;
}

TElement* TLibraryDocument::ElementAt(std::size_t group, std::size_t index) const {
    if (index >= ElementCount(group)) return nullptr;
    return library_->Group(group)->GroupData()->At(index);
}

// --- the history ---------------------------------------------------------------------------------

bool TLibraryDocument::SettleEdits(const ElementTest& affected) {
    // A copy: a question may let a window close.
    const std::vector<TLibraryDocument*> documents = OpenDocuments();
    for (TLibraryDocument* document : documents)
        if (IsOpen(document) && document->settle_ && !document->settle_(affected)) return false;
    return true;
}

namespace {

TLibraryDocument::ElementTest InGroupData(std::vector<TGroupData*> data) {
    return [data = std::move(data)](const TElement& element) {
        return std::find(data.begin(), data.end(), element.Owner()) != data.end();
    };
}

TLibraryDocument::ElementTest InRows(const TGroupData* data, std::size_t first, std::size_t end) {
    return [=](const TElement& element) {
        return element.Owner() == data && element.Index() >= first && element.Index() < end;
    };
}

}  // namespace

bool TLibraryDocument::Record(const QString& name, const TStepView& view, bool changeList,
                              const std::function<bool()>& work) {
    auto log = std::make_unique<TEditLog>();
    bool changed = false;
    bool listRan = false;
    savedInStep_ = false;
    try {
        TEditLog::Scope scope(*log);
        log->NoteGroupStatus(*library_);
        changed = work();
        // Every file of the group data the step changed has the change to save, whether or not
        // the command marked it: a value applied from the panel marks nothing by itself.
        for (TGroupData* data : log->Changed())
            data->MarkModified();
        listRan = changed && changeList && RunListItems(kBatchChange);
    } catch (const std::bad_alloc&) {
        // What was done is undone: the library stands as it was before the command.
        log->Finish();
        log->Undo();
        NotifyChanged(*log);
        frame_.Dialogs().Message(
            dialogParent_, QStringLiteral("メモリが足りないため、「%1」を中止しました。").arg(name),
            {}, IDialogs::Icon::kError);
        return false;
    }
    log->Finish();
    if (!log->Empty()) Push(name, std::move(log), view);
    if (listRan) emit batchListRan(static_cast<int>(kBatchChange));
    return changed;
}

void TLibraryDocument::Push(const QString& name, std::unique_ptr<TEditLog> log,
                            const TStepView& view) {
    const TEditLog& pushed = *log;
    history_->push(new TEditCommand(*this, name, std::move(log), view));
    NotifyKind(view);
    NotifyChanged(pushed);
    if (savedInStep_) {
        // A batch list saved the step's result: that is the state on disk.
        history_->setClean();
        RememberCleanState();
    }
    TrimHistory();
}

void TLibraryDocument::NotifyChanged(const TEditLog& log) {
    const std::vector<TGroupData*> changed = log.Changed();
    for (TLibraryDocument* document : OpenDocuments()) {
        bool touched = document == this;
        for (std::size_t g = 0; g < document->library_->GroupCount(); ++g) {
            const TGroupData* data = document->library_->Group(g)->GroupData();
            if (std::find(changed.begin(), changed.end(), data) == changed.end()) continue;
            emit document->rowsChanged(static_cast<int>(g));
            touched = true;
        }
        if (touched) emit document->modifiedChanged();
    }
}

// The views let go of the elements of group data about to leave; the histories of the other
// libraries forget their steps on them, this one's keep theirs (they lie under the step that
// takes the group data away, and come back with them).
void TLibraryDocument::AnnounceLeaving(const std::vector<const TGroupData*>& doomed) {
    if (doomed.empty()) return;
    keepOwnSteps_ = true;
    for (TLibraryDocument* document : OpenDocuments())
        emit document->groupDataDeleting(doomed);
    keepOwnSteps_ = false;
}

void TLibraryDocument::StepMoving(const TEditCommand& step, bool done) {
    if (const TGroupSettingSwap* groups = step.View().groups)
        AnnounceLeaving(done ? groups->LeavingOnRedo() : groups->LeavingOnUndo());
}

// The panels are made anew for new parameters before any row of the new values is shown.
void TLibraryDocument::NotifyKind(const TStepView& view) {
    const TStepKind kind = view.kind;
    if (kind == TStepKind::kGroups && view.groups) {
        const std::vector<TZQLCtrl*>& changed = view.groups->Libraries();
        for (TLibraryDocument* document : OpenDocuments()) {
            if (std::find(changed.begin(), changed.end(), document->library_.get()) ==
                changed.end())
                continue;
            // Header and footer formats are compiled with their groups.
            document->CompileFormats();
            emit document->groupsChanged();
            emit document->groupsReplaced();
            emit document->modifiedChanged();
        }
    } else if (kind == TStepKind::kLibrarySettings) {
        emit librarySettingsChanged();
        emit modifiedChanged();
    } else if (kind == TStepKind::kParameters) {
        const TZQPCtrl* file = library_->ParameterFile();
        for (TLibraryDocument* document : OpenDocuments()) {
            if (document->library_->ParameterFile() != file) continue;
            emit document->parametersChanged();
            emit document->modifiedChanged();
        }
    }
}

void TLibraryDocument::StepMoved(const TEditCommand& step, bool done) {
    // Values exchanged mark no file: every file of the group data the step changed is
    // modified now, until the history stands at its clean state again.
    for (TGroupData* data : step.Log().Changed())
        data->MarkModified();
    const TStepView& view = step.View();
    NotifyKind(view);
    NotifyChanged(step.Log());
    emit stepShown(view.group, done ? view.doneFirst : view.undoneFirst,
                   done ? view.doneLast : view.undoneLast);
}

bool TLibraryDocument::Undo() {
    return MoveStep(false);
}

bool TLibraryDocument::Redo() {
    return MoveStep(true);
}

// The step next to the history's index, undone or done again when the revisions it left (or
// found) are still current and no panel's unapplied edits of its elements stand in the way.
bool TLibraryDocument::MoveStep(bool forward) {
    const TEditCommand* step = StepAt(*history_, history_->index() - (forward ? 0 : 1));
    if (!step) return false;
    if (!(forward ? step->Log().CanRedo() : step->Log().CanUndo())) {
        frame_.Dialogs().Message(dialogParent_,
                                 QStringLiteral("別のライブラリで変更されたため元に戻せません"), {},
                                 IDialogs::Icon::kWarning);
        return false;
    }
    const int index = history_->index();
    if (!SettleEdits(InGroupData(step->Log().Changed())) || history_->index() != index)
        return false;
    forward ? history_->redo() : history_->undo();
    return true;
}

void TLibraryDocument::TrimHistory() {
    const int count = history_->count();
    std::vector<std::size_t> bytes(static_cast<std::size_t>(count));
    std::size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += bytes[i] = StepAt(*history_, i)->Log().Bytes();
    if (total <= kHistoryBytes) return;
    // The oldest steps go first, then, when the undone ones alone are too many, the newest of
    // those; the step just made always stays.
    const int index = history_->index();
    int bottom = 0, top = count;
    while (total > kHistoryBytes && top - bottom > 1) {
        if (bottom < index - 1)
            total -= bytes[bottom++];
        else if (top > index)
            total -= bytes[--top];
        else
            total -= bytes[bottom++];
    }
    // QUndoStack drops no single command: the stack is made again from the logs kept.
    struct KeptStep {
        QString name;
        std::unique_ptr<TEditLog> log;
        TStepView view;
    };
    std::vector<KeptStep> kept;
    for (int i = bottom; i < top; ++i) {
        auto* step = const_cast<TEditCommand*>(StepAt(*history_, i));
        kept.push_back({step->text(), step->TakeLog(), step->View()});
    }
    const int clean = history_->cleanIndex() - bottom;
    replaying_ = true;
    history_->clear();  // the oldest first: no step kept refers to what they hold
    if (clean == 0) history_->setClean();
    for (KeptStep& step : kept) {
        history_->push(new TEditCommand(*this, step.name, std::move(step.log), step.view));
        if (history_->index() == clean) history_->setClean();
    }
    if (clean < 0 || clean > static_cast<int>(kept.size())) history_->resetClean();
    history_->setIndex(std::max(index - bottom, 0));
    replaying_ = false;
}

void TLibraryDocument::ForgetHistories(const std::function<bool(const TLibraryDocument&)>& which) {
    for (TLibraryDocument* document : OpenDocuments()) {
        if (!which(*document)) continue;
        document->replaying_ = true;
        document->history_->clear();
        document->replaying_ = false;
        document->RememberCleanState();
    }
}

// The element data files of the groups, the parameter file and the library file itself.
void TLibraryDocument::RememberCleanState() {
    cleanBits_.clear();
    cleanBits_.emplace_back(library_.get(), library_->IsModified());
    if (const TZQPCtrl* parameters = library_->ParameterFile())
        cleanBits_.emplace_back(parameters, parameters->IsModified());
    for (const auto& group : library_->Groups())
        if (const TGroupData* data = group->GroupData())
            if (const TZQDCtrl* file = data->Owner())
                cleanBits_.emplace_back(file, file->IsModified());
}

// A file another library shows and has changed since its own clean state stays modified.
void TLibraryDocument::RestoreCleanState() {
    auto changedElsewhere = [this](const TZQDCtrl* file) {
        for (TLibraryDocument* other : OpenDocuments()) {
            if (other == this || other->history_->isClean()) continue;
            for (const auto& group : other->library_->Groups())
                if (group->GroupData() && group->GroupData()->Owner() == file) return true;
        }
        return false;
    };
    auto cleanBit = [this](const void* file, bool& bit) {
        for (const auto& [kept, modified] : cleanBits_)
            if (kept == file) return bit = modified, true;
        return false;
    };
    bool bit = false;
    if (cleanBit(library_.get(), bit)) library_->SetModified(bit);
    if (TZQPCtrl* parameters = library_->ParameterFile())
        if (cleanBit(parameters, bit)) parameters->SetModified(bit);
    for (const auto& group : library_->Groups()) {
        TGroupData* data = group->GroupData();
        TZQDCtrl* file = data ? data->Owner() : nullptr;
        if (file && cleanBit(file, bit) && !changedElsewhere(file)) file->SetModified(bit);
    }
    emit modifiedChanged();
}

// --- element edits -------------------------------------------------------------------------------

// An answer "Yes" applies a panel, and its change list may reorder the rows: the command goes
// on only when the rows still hold the elements it was given.
bool TLibraryDocument::SettleRows(const TGroupData& data, std::size_t first, std::size_t end) {
    std::vector<const TElement*> rows;
    for (std::size_t i = first; i < end; ++i)
        rows.push_back(data.At(i));
    if (!SettleEdits(InRows(&data, first, end))) return false;
    if (end > data.Size()) return false;
    for (std::size_t i = first; i < end; ++i)
        if (data.At(i) != rows[i - first]) return false;
    return true;
}

bool TLibraryDocument::ApplyPanel(std::size_t group, TValueChange change) {
    if (change.Empty() || group >= library_->GroupCount()) return false;
    const int row = static_cast<int>(change.target->Index());
    return Record(QStringLiteral("変更適用"), {static_cast<int>(group), row, row, row, row}, true,
                  [&] {
                      change.Apply();
                      library_->Group(group)->Set(TGroupSetting::kOutputDone, false);
                      return true;
                  });
}

bool TLibraryDocument::AddElements(std::size_t group, std::size_t n) {
    if (n == 0 || !DataOf(group)) return false;
    const int count = static_cast<int>(ElementCount(group));
    const TStepView view{static_cast<int>(group), std::max(count - 1, 0), std::max(count - 1, 0),
                         count, count + static_cast<int>(n) - 1};
    return Record(QStringLiteral("要素の追加"), view, true,
                  [&] { return library_->AddElements(group, n) == 0; });
}

bool TLibraryDocument::InsertElements(std::size_t group, std::size_t position, std::size_t n) {
    if (n == 0 || !DataOf(group)) return false;
    position = std::min(position, ElementCount(group));
    const int at = static_cast<int>(position);
    const TStepView view{static_cast<int>(group), at, at, at, at + static_cast<int>(n) - 1};
    return Record(QStringLiteral("要素の挿入"), view, true,
                  [&] { return library_->InsertElements(group, position, n) == 0; });
}

bool TLibraryDocument::DeleteElements(std::size_t group, std::size_t first, std::size_t end) {
    const TGroupData* data = DataOf(group);
    end = std::min(end, ElementCount(group));
    if (!data || first >= end) return false;
    if (!SettleRows(*data, first, end)) return false;
    const int top = static_cast<int>(first);
    const int remaining = static_cast<int>(data->Size() - (end - first));
    const int after = std::min(top, std::max(remaining - 1, 0));
    const TStepView view{static_cast<int>(group), top, static_cast<int>(end) - 1, after, after};
    return Record(QStringLiteral("要素の削除"), view, true,
                  [&] { return library_->DeleteElements(group, first, end) == 0; });
}

bool TLibraryDocument::MoveElements(std::size_t group, std::size_t first, std::size_t target,
                                    std::size_t last) {
    TGroupData* data = DataOf(group);
    if (!data || first >= data->Size()) return false;
    last = std::min(last, data->Size() - 1);
    TElement* head = data->At(first);
    TStepView view{static_cast<int>(group), static_cast<int>(first), static_cast<int>(last), -1,
                   -1};
    const bool moved = Record(QStringLiteral("要素の移動"), view, true, [&] {
        return library_->MoveElements(group, first, target, last) == 0;
    });
    if (moved && history_->count() > 0 && !head->IsDetached()) {
        // Where the block went is known only now.
        auto* step = const_cast<TEditCommand*>(StepAt(*history_, history_->index() - 1));
        const int top = static_cast<int>(head->Index());
        step->SetDoneRows(top, top + static_cast<int>(last - first));
    }
    return moved;
}

bool TLibraryDocument::DropElements(TLibraryDocument& source, std::size_t sourceGroup,
                                    std::size_t first, std::size_t last, std::size_t targetGroup,
                                    std::size_t position, bool move) {
    TGroupData* from = source.DataOf(sourceGroup);
    TGroupData* to = DataOf(targetGroup);
    if (!from || !to || first > last || last >= from->Size()) return false;
    if (move && from != to && !SettleRows(*from, first, last + 1)) return false;
    position = std::min(position, to->Size());
    const std::size_t n = last - first + 1;
    // Within one group data the drop position counts the rows before the block is taken out;
    // a drop inside the block leaves it where it is.
    std::size_t at = position;
    if (move && from == to) {
        if (position > last)
            at -= n;
        else if (position > first)
            at = first;
    }
    const TStepView view{static_cast<int>(targetGroup), static_cast<int>(at), static_cast<int>(at),
                         static_cast<int>(at), static_cast<int>(at + n - 1)};
    const bool dropped =
        Record(move ? QStringLiteral("要素の移動") : QStringLiteral("要素の複写"), view, true, [&] {
            if (move) {
                TEditLog::Active()->Transfer(*from, first, last, *to, at);
                source.Library().Group(sourceGroup)->Set(TGroupSetting::kOutputDone, false);
            } else {
                std::vector<std::unique_ptr<TElement>> copies;
                for (std::size_t i = first; i <= last; ++i) {
                    auto copy = std::make_unique<TElement>();
                    copy->CopyValuesFrom(*from->At(i));
                    copy->SetOutputFlag(from->At(i)->OutputFlag());
                    copies.push_back(std::move(copy));
                }
                library_->InsertTaken(targetGroup, at, std::move(copies));
            }
            library_->Group(targetGroup)->Set(TGroupSetting::kOutputDone, false);
            return true;
        });
    // The source library's group marks are no part of this library's step.
    if (dropped && move && &source != this) emit source.modifiedChanged();
    return dropped;
}

bool TLibraryDocument::PasteElements(std::size_t group, std::size_t position,
                                     std::vector<std::unique_ptr<TElement>> elements) {
    TGroupData* to = DataOf(group);
    if (!to || elements.empty()) return false;
    position = std::min(position, to->Size());
    const std::size_t n = elements.size();
    const int at = static_cast<int>(position);
    const TStepView view{static_cast<int>(group), at, at, at, at + static_cast<int>(n) - 1};
    return Record(QStringLiteral("貼り付け"), view, true, [&] {
        return library_->InsertTaken(group, position, std::move(elements)) == kElementsChanged;
    });
}

std::size_t TLibraryDocument::PasteTable(std::size_t group, std::size_t position,
                                         std::string_view bytes, const TTableFormat& format,
                                         TTableProblem& problem) {
    const TGroupData* to = DataOf(group);
    position = std::min(position, to ? to->Size() : 0);
    TTableImport import(*library_, group);
    const int at = static_cast<int>(position);
    // The rows pasted are known only once the table is read.
    const bool pasted =
        Record(QStringLiteral("貼り付け"), {static_cast<int>(group), at, at, at, at}, true, [&] {
            problem = import.Insert(bytes, format, position);
            return !problem && import.Imported() > 0;
        });
    if (!pasted) return 0;
    const int last = at + static_cast<int>(import.Imported()) - 1;
    auto* step = const_cast<TEditCommand*>(StepAt(*history_, history_->index() - 1));
    if (step) step->SetDoneRows(at, last);
    return import.Imported();
}

bool TLibraryDocument::CutElements(std::size_t group, const std::vector<std::size_t>& rows) {
    const TGroupData* data = DataOf(group);
    if (!data || rows.empty() || rows.back() >= data->Size()) return false;
    if (!SettleRows(*data, rows.front(), rows.back() + 1)) return false;
    const int top = static_cast<int>(rows.front());
    const int remaining = static_cast<int>(data->Size() - rows.size());
    const int after = std::min(top, std::max(remaining - 1, 0));
    const TStepView view{static_cast<int>(group), top, static_cast<int>(rows.back()), after, after};
    return Record(QStringLiteral("切り取り"), view, true, [&] {
        // From the bottom up, so that the rows still to go keep their positions; each run of
        // neighbouring rows goes at once.
        std::size_t end = rows.size();
        while (end > 0) {
            std::size_t begin = end - 1;
            while (begin > 0 && rows[begin - 1] + 1 == rows[begin])
                --begin;
            library_->DeleteElements(group, rows[begin], rows[end - 1] + 1);
            end = begin;
        }
        return true;
    });
}

bool TLibraryDocument::ApplyToElements(std::size_t group, std::vector<TValueChange> changes) {
    TGroupData* data = DataOf(group);
    if (!data || changes.empty()) return false;
    std::size_t first = data->Size(), last = 0;
    for (const TValueChange& change : changes) {
        if (change.target->Owner() != data) return false;
        first = std::min<std::size_t>(first, change.target->Index());
        last = std::max<std::size_t>(last, change.target->Index());
    }
    if (!SettleRows(*data, first, last + 1)) return false;
    const TStepView view{static_cast<int>(group), static_cast<int>(first), static_cast<int>(last),
                         static_cast<int>(first), static_cast<int>(last)};
    return Record(QStringLiteral("一括変更適用"), view, false, [&] {
        bool changed = false;
        for (const TValueChange& change : changes) {
            changed = changed || !change.Empty();
            change.Apply();
        }
        // The values are the user's even when they equal the old ones: the file is saved.
        TEditLog::Active()->Touch(*data);
        library_->Group(group)->Set(TGroupSetting::kOutputDone, false);
        return true;
    });
}

TTableProblem TLibraryDocument::ImportTable(std::size_t group, std::string_view bytes,
                                            const TTableFormat& format,
                                            const std::vector<std::optional<std::size_t>>* columns,
                                            bool replace, std::size_t& imported) {
    imported = 0;
    TGroupData* data = DataOf(group);
    if (!data) return {TTableProblem::kNoElementData, 0, 0, {}, {}};
    if (replace && !SettleRows(*data, 0, data->Size())) return {};
    TTableImport import(*library_, group);
    if (columns) import.SetColumns(*columns);
    TTableProblem problem;
    const int count = static_cast<int>(data->Size());
    const int first = replace ? 0 : count;
    TStepView view{static_cast<int>(group), 0, std::max(count - 1, 0), first, first};
    const int steps = history_->index();
    Record(QStringLiteral("インポート"), view, true, [&] {
        problem = import.Run(bytes, format, replace);
        if (problem || (import.Imported() == 0 && (!replace || count == 0))) return false;
        library_->Group(group)->Set(TGroupSetting::kOutputDone, false);
        return true;
    });
    imported = problem ? 0 : import.Imported();
    if (imported && history_->index() == steps + 1) {
        // Which rows the import filled is known only now.
        auto* step = const_cast<TEditCommand*>(StepAt(*history_, history_->index() - 1));
        step->SetDoneRows(first, first + static_cast<int>(imported) - 1);
    }
    return problem;
}

bool TLibraryDocument::ReplaceTexts(const std::vector<TextChange>& changes) {
    if (changes.empty()) return false;
    // The step shows the rows of the first group it changed.
    const TextChange& shown = changes.front();
    int first = static_cast<int>(shown.target->Index()), last = first;
    for (const TextChange& change : changes) {
        if (change.group != shown.group) continue;
        first = std::min(first, static_cast<int>(change.target->Index()));
        last = std::max(last, static_cast<int>(change.target->Index()));
    }
    const TStepView view{static_cast<int>(shown.group), first, last, first, last};
    return Record(QStringLiteral("置換"), view, true, [&] {
        for (const TextChange& change : changes) {
            TEditLog::NoteValue(*change.target);
            for (const TElementFinder::Replacement& value : change.values)
                change.target->SetTexts(value.param, value.texts);
            library_->Group(change.group)->Set(TGroupSetting::kOutputDone, false);
        }
        return true;
    });
}

// --- batch lists and operations ------------------------------------------------------------------

bool TLibraryDocument::RunListItems(BatchTrigger trigger) {
    if (library_->BatchList(trigger).empty()) return false;
    // A save or output item never runs another list, but a list may not run inside itself.
    if (inBatch_) return false;
    inBatch_ = true;
    TBatchActions actions;
    actions.save = [this] {
        Save();
        savedInStep_ = true;
    };
    actions.output = [this] { Output(); };
    TBatchRefusals refusals;
    actions.skipped = refusals.Collector();
    TBatchRunner(*library_).RunBatchList(trigger, actions);
    inBatch_ = false;
    refusals.Report(frame_.Dialogs(), dialogParent_);
    return true;
}

namespace {

const char* const kListNames[kBatchTriggerCount] = {"一定時間毎の一括処理", "開始時の一括処理",
                                                    "終了時の一括処理", "変更時の一括処理"};

}  // namespace

void TLibraryDocument::RunBatchList(BatchTrigger trigger) {
    if (trigger >= kBatchTriggerCount || library_->BatchList(trigger).empty() || inBatch_) return;
    std::vector<TGroupData*> shown;
    for (const auto& group : library_->Groups())
        if (group->GroupData()) shown.push_back(group->GroupData());
    if (!SettleEdits(InGroupData(shown))) return;
    Record(QString::fromUtf8(kListNames[trigger]), {}, false, [&] {
        RunListItems(trigger);
        return true;
    });
    emit batchListRan(static_cast<int>(trigger));
}

void TLibraryDocument::RunSort(const StringList& lines) {
    RunOperation(TBatchRunner::kBatchSort, lines, QStringLiteral("並び替え"));
}

void TLibraryDocument::RunCompareApply(const StringList& lines) {
    RunOperation(TBatchRunner::kBatchCompareApply, lines, QStringLiteral("判定適用"));
}

void TLibraryDocument::RunDuplicateDeletion(const StringList& lines) {
    RunOperation(TBatchRunner::kBatchDeleteDuplicates, lines, QStringLiteral("重複削除"));
}

void TLibraryDocument::RunOperation(std::uint32_t type, const StringList& lines,
                                    const QString& name) {
    std::vector<TGroupData*> shown;
    for (const auto& group : library_->Groups())
        if (group->GroupData()) shown.push_back(group->GroupData());
    if (!SettleEdits(InGroupData(shown))) return;
    TBatchSetting setting;
    setting.type = type;
    setting.dataLines = lines;
    Record(name, {}, false, [&] {
        TOperationProgress progress(dialogParent_, name);
        TBatchRunner(*library_, progress.Callback()).RunBatchSetting(setting);
        return true;
    });
}

bool TLibraryDocument::IsModified() const {
    if (library_->IsModified()) return true;
    if (library_->ParameterFile() && library_->ParameterFile()->IsModified()) return true;
    for (const auto& group : library_->Groups()) {
        const TGroupData* data = group->GroupData();
        if (data && data->Owner() && data->Owner()->IsModified()) return true;
    }
    return false;
}

bool TLibraryDocument::ConfirmReplacingChangedFiles() {
    const std::vector<std::string> changed = stamps_.ChangedOnDisk(*library_);
    if (changed.empty()) return true;
    QStringList names;
    for (const std::string& path : changed)
        names << Shown(path);
    const QString text =
        QStringLiteral("次のファイルは読み込んだ後にほかで変更されています。上書きしますか？\n") +
        names.join(QLatin1Char('\n'));
    return frame_.Dialogs().AskYesNo(dialogParent_, text, QStringLiteral("確認")) ==
           IDialogs::Answer::kYes;
}

bool TLibraryDocument::Save() {
    if (!ConfirmReplacingChangedFiles()) return false;
    TDialogSaveQuestions questions(frame_.Dialogs(), dialogParent_, layoutStore_);
    TLibrarySaver(*library_, questions, [this](const std::string& message) {
        Status(message);
    }).Save();
    Status("");
    stamps_.Record(*library_);
    // The saved state is the history's clean state: undoing back to it leaves nothing to save.
    replaying_ = true;
    history_->setClean();
    replaying_ = false;
    RememberCleanState();
    emit modifiedChanged();
    return true;
}

TOutputReport TLibraryDocument::Output() {
    IDialogs& dialogs = frame_.Dialogs();
    QStringList failures;
    TOutputCallbacks callbacks;
    // The frame caption keeps its texts; a long output shows them in a progress dialog too.
    auto progress = std::make_unique<TOperationProgress>(dialogParent_, QStringLiteral("出力"));
    callbacks.status = [this, shown = progress.get()](const std::string& text) {
        Status(text);
        if (!text.empty()) shown->Report(text);
    };
    callbacks.message = [&](const std::string& text) {
        dialogs.Message(dialogParent_, QtText::FromCp932(text));
    };
    callbacks.chooseFolder = [&](std::string& folder) {
        QString chosen = Shown(folder);
        if (!dialogs.ChooseFolder(dialogParent_, QStringLiteral("出力先フォルダの選択"), chosen))
            return false;
        const std::string native = QtText::ToNative(chosen);
        return native.find('\\') == std::string::npos && PathName::FromNative(native, folder);
    };
    callbacks.input = [&](const std::string& caption, const std::string& prompt,
                          std::string& text) {
        QString value = QtText::FromCp932(text);
        if (!dialogs.InputText(dialogParent_, QtText::FromCp932(caption), QtText::FromCp932(prompt),
                               value))
            return false;
        text = QtText::ToCp932(value);
        return true;
    };
    callbacks.failure = [&](const std::string& path, const std::string& reason) {
        failures << Shown(path) + QStringLiteral(": ") + QString::fromStdString(reason);
    };
    const TOutputReport report = TOutputGenerator(*library_, callbacks).Run();
    progress.reset();
    Status("");
    if (!failures.isEmpty()) {
        dialogs.Message(dialogParent_,
                        QStringLiteral("次のファイルは出力できませんでした：\n") +
                            failures.join(QLatin1Char('\n')),
                        {}, IDialogs::Icon::kError);
    }
    emit modifiedChanged();
    return report;
}

}  // namespace tabrix
