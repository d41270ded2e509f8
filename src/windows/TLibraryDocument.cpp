#include "windows/TLibraryDocument.h"

#include <algorithm>

#include <QStringList>
#include <QWidget>

#include "batch/TBatchRunner.h"
#include "format/TFormatCompiler.h"
#include "model/CoreText.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TLibrarySaver.h"
#include "model/TLoadProblem.h"
#include "model/TTabrixCtrl.h"
#include "model/TWindowState.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "settings/TGroupDataSetting.h"
#include "settings/TParamSetting.h"
#include "windows/IFrame.h"
#include "windows/TBatchRefusals.h"
#include "windows/TDialogSaveQuestions.h"
#include "windows/TOperationProgress.h"
#include "windows/TParamSBox.h"

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

}  // namespace

TLibraryDocument::TLibraryDocument(IFrame& frame, QObject* parent)
    : QObject(parent), frame_(frame), library_(std::make_unique<TZQLCtrl>()) {
    // Registered before anything is read, so that its groups find element data files that
    // other open libraries already hold.
    frame_.Controller().RegisterLibrary(*library_);
    OpenDocuments().push_back(this);
}

TLibraryDocument::~TLibraryDocument() {
    auto& documents = OpenDocuments();
    documents.erase(std::remove(documents.begin(), documents.end(), this), documents.end());
}

bool TLibraryDocument::IsOpen(const TLibraryDocument* document) {
    const auto& documents = OpenDocuments();
    return document && std::find(documents.begin(), documents.end(), document) != documents.end();
}

void TLibraryDocument::NotifyOtherLibraries(const std::vector<const TGroupData*>& changed) {
    for (TLibraryDocument* other : OpenDocuments()) {
        if (other == this) continue;
        bool touched = false;
        for (std::size_t g = 0; g < other->library_->GroupCount(); ++g) {
            const TGroupData* data = other->library_->Group(g)->GroupData();
            if (!data || std::find(changed.begin(), changed.end(), data) == changed.end()) continue;
            emit other->rowsChanged(static_cast<int>(g));
            touched = true;
        }
        if (touched) emit other->modifiedChanged();
    }
}

void TLibraryDocument::Status(const std::string& text) {
    frame_.SetFrameStatus(text);
}

int TLibraryDocument::Open(const std::string& path) {
    const int result = frame_.Controller().OpenLibrary(
        *library_, path, [this](const std::string& message) { Status(message); });
    Status("");
    if (result != kFileOk) return result;
    stamps_.Record(*library_);
    ReportLoadProblems();
    return result;
}

int TLibraryDocument::OpenTemplate(const std::string& templatePath, const std::string& chosenPath) {
    const int result = Open(templatePath);
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
    return kFileOk;
}

void TLibraryDocument::FillNew() {
    frame_.Controller().FillNewLibrary(*library_);
    TMapInitialize& store = library_->InitializeInfo()->Store();
    TWindowState::PutLibraryDefaults(store);
    TWindowState::PutSubDefaults(store);
}

void TLibraryDocument::CompileFormats() {
    Status(CoreText::Get(CoreText::kAnalysingFormats));
    TFormatCompiler::CompileAll(*library_);
    Status("");
}

bool TLibraryDocument::CommitLibrarySetting(const TLibrarySetting& setting,
                                            TLibrarySetting::ReloadAnswer answer) {
    int readResult = kFileOk;
    const bool read = setting.Commit(*library_, answer, readResult);
    if (readResult != kFileOk) {
        const TLoadProblem problem{
            TLoadProblem::kParameterFile, setting.parameterPath, readResult, {}};
        frame_.Dialogs().Message(dialogParent_, QString::fromStdString(problem.Describe()), {},
                                 IDialogs::Icon::kWarning);
    }
    if (read) CompileFormats();
    // The paths may have changed, and with them the caption.
    emit modifiedChanged();
    return read;
}

void TLibraryDocument::CommitGroupSetting(TGroupDataSetting& setting) {
    const std::vector<const TGroupData*> doomed(setting.DeletedGroupData().begin(),
                                                setting.DeletedGroupData().end());
    if (!doomed.empty()) {
        for (TLibraryDocument* document : OpenDocuments())
            emit document->groupDataDeleting(doomed);
    }
    const TGroupDataSetting::CommitReport report = setting.Commit(*library_, frame_.Controller());
    CompileFormats();
    std::vector<TLibraryDocument*> changed{this};
    for (TLibraryDocument* document : OpenDocuments()) {
        const auto& others = report.otherLibraries;
        if (std::find(others.begin(), others.end(), document->library_.get()) != others.end())
            changed.push_back(document);
    }
    for (TLibraryDocument* document : changed) {
        emit document->groupsChanged();
        emit document->groupsReplaced();
        emit document->modifiedChanged();
    }
}

bool TLibraryDocument::CommitParamSetting(const TParamSetting& setting) {
    const TZQPCtrl* file = library_->ParameterFile();
    if (!setting.CommitIfChanged(*library_)) return false;
    for (TLibraryDocument* document : OpenDocuments()) {
        if (document->library_->ParameterFile() != file) continue;
        emit document->parametersChanged();
        emit document->modifiedChanged();
    }
    return true;
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

bool TLibraryDocument::ApplyPanel(std::size_t group, TElement& element, TParamSBox& panel,
                                  bool output) {
    const bool valuesChanged = panel.Apply(&element);
    if (!valuesChanged && (element.OutputFlag() != 0) == output) return false;
    if (element.Owner()) element.Owner()->MarkModified();
    element.SetOutputFlag(output ? 1 : 0);
    if (group < library_->GroupCount())
        library_->Group(group)->Set(TGroupSetting::kOutputDone, false);
    const int index = static_cast<int>(element.Index());
    if (!library_->BatchList(kBatchChange).empty()) {
        RunBatchList(kBatchChange);
    } else {
        emit elementsChanged(static_cast<int>(group), index, index);
    }
    emit modifiedChanged();
    return true;
}

bool TLibraryDocument::AddElements(std::size_t group, std::size_t n) {
    if (n == 0 || library_->AddElements(group, n) != 0) return false;
    FinishElementEdit(group);
    return true;
}

bool TLibraryDocument::InsertElements(std::size_t group, std::size_t position, std::size_t n) {
    if (n == 0 || library_->InsertElements(group, position, n) != 0) return false;
    FinishElementEdit(group);
    return true;
}

bool TLibraryDocument::DeleteElements(std::size_t group, std::size_t first, std::size_t end) {
    if (first >= end || library_->DeleteElements(group, first, end) != 0) return false;
    FinishElementEdit(group);
    return true;
}

bool TLibraryDocument::MoveElements(std::size_t group, std::size_t first, std::size_t target,
                                    std::size_t last) {
    if (library_->MoveElements(group, first, target, last) != 0) return false;
    FinishElementEdit(group);
    return true;
}

bool TLibraryDocument::DropElements(TLibraryDocument& source, std::size_t sourceGroup,
                                    std::size_t first, std::size_t last, std::size_t targetGroup,
                                    std::size_t position, bool move) {
    TGroupData* from = source.DataOf(sourceGroup);
    TGroupData* to = DataOf(targetGroup);
    if (!from || !to || first > last || last >= from->Size()) return false;
    position = std::min(position, to->Size());
    if (move) {
        const std::size_t n = last - first + 1;
        // Within one group data the drop position counts the rows before the block is taken
        // out; a drop inside the block leaves it where it is.
        if (from == to) {
            if (position > last)
                position -= n;
            else if (position > first)
                position = first;
        }
        to->InsertTaken(position, from->TakeElements(first, last));
        source.Library().Group(sourceGroup)->Set(TGroupSetting::kOutputDone, false);
    } else {
        std::vector<std::unique_ptr<TElement>> copies;
        for (std::size_t i = first; i <= last; ++i) {
            auto copy = std::make_unique<TElement>();
            copy->CopyValuesFrom(*from->At(i));
            copy->SetOutputFlag(from->At(i)->OutputFlag());
            copies.push_back(std::move(copy));
        }
        to->InsertTaken(position, std::move(copies));
    }
    library_->Group(targetGroup)->Set(TGroupSetting::kOutputDone, false);
    // The source rows change first, so that no view is left showing elements it lost.
    if (move && from != to) {
        source.NotifyRows(sourceGroup);
        if (&source != this) emit source.modifiedChanged();
    }
    FinishElementEdit(targetGroup);
    return true;
}

bool TLibraryDocument::ApplyToElements(std::size_t group, std::size_t first, std::size_t last,
                                       const TParamSBox& panel, const std::vector<bool>& use,
                                       std::optional<bool> output) {
    const std::size_t count = ElementCount(group);
    if (first > last || first >= count) return false;
    last = std::min(last, count - 1);
    TGroupSetting& setting = *library_->Group(group);
    setting.GroupData()->MarkModified();
    setting.Set(TGroupSetting::kOutputDone, false);
    for (std::size_t i = 0; i < use.size(); ++i) {
        if (!use[i]) continue;
        for (std::size_t e = first; e <= last; ++e)
            panel.ReadInto(static_cast<int>(i), *ElementAt(group, e));
    }
    if (output) {
        for (std::size_t e = first; e <= last; ++e)
            ElementAt(group, e)->SetOutputFlag(*output ? 1 : 0);
    }
    const TGroupData* data = setting.GroupData();
    for (std::size_t g = 0; g < library_->GroupCount(); ++g) {
        if (library_->Group(g)->GroupData() == data)
            emit elementsChanged(static_cast<int>(g), static_cast<int>(first),
                                 static_cast<int>(last));
    }
    NotifyOtherLibraries({data});
    emit modifiedChanged();
    return true;
}

void TLibraryDocument::FinishElementEdit(std::size_t group) {
    // A change list that sorts or applies may touch any group; then every group is redrawn.
    if (!library_->BatchList(kBatchChange).empty()) {
        RunBatchList(kBatchChange);
    } else {
        NotifyRows(group);
    }
    emit modifiedChanged();
}

void TLibraryDocument::NotifyRows(std::size_t group) {
    const TGroupData* data =
        group < library_->GroupCount() ? library_->Group(group)->GroupData() : nullptr;
    for (std::size_t g = 0; g < library_->GroupCount(); ++g) {
        if (g == group || (data && library_->Group(g)->GroupData() == data))
            emit rowsChanged(static_cast<int>(g));
    }
    if (data) NotifyOtherLibraries({data});
}

void TLibraryDocument::RunBatchList(BatchTrigger trigger) {
    if (library_->BatchList(trigger).empty()) return;
    // A save or output item never runs another list, but a list may not run inside itself.
    if (inBatch_) return;
    inBatch_ = true;
    TBatchActions actions;
    actions.save = [this] { Save(); };
    actions.output = [this] { Output(); };
    TBatchRefusals refusals;
    actions.skipped = refusals.Collector();
    TBatchRunner(*library_).RunBatchList(trigger, actions);
    inBatch_ = false;
    std::vector<const TGroupData*> shown;
    for (std::size_t g = 0; g < library_->GroupCount(); ++g) {
        emit rowsChanged(static_cast<int>(g));
        shown.push_back(library_->Group(g)->GroupData());
    }
    emit modifiedChanged();
    NotifyOtherLibraries(shown);
    emit batchListRan(static_cast<int>(trigger));
    refusals.Report(frame_.Dialogs(), dialogParent_);
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
    TBatchSetting setting;
    setting.type = type;
    setting.dataLines = lines;
    {
        TOperationProgress progress(dialogParent_, name);
        TBatchRunner(*library_, progress.Callback()).RunBatchSetting(setting);
    }
    NotifyAllGroups();
}

void TLibraryDocument::NotifyAllGroups() {
    std::vector<const TGroupData*> shown;
    for (std::size_t g = 0; g < library_->GroupCount(); ++g) {
        emit rowsChanged(static_cast<int>(g));
        shown.push_back(library_->Group(g)->GroupData());
    }
    emit modifiedChanged();
    NotifyOtherLibraries(shown);
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
