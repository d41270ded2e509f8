#include "windows/TFindController.h"

#include <QAction>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QStatusBar>

#include <algorithm>

#include "dialogs/TCheckList.h"
#include "dialogs/TFindForm.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TZQLCtrl.h"
#include "platform/IDialogs.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TZQLForm.h"

namespace tabrix {

namespace {

QString NoShiftJis(const std::string& character) {
    return QStringLiteral("「%1」はShift-JISで表せません。").arg(QString::fromStdString(character));
}

QString ProblemText(const TElementFinder::Problem& problem) {
    using Kind = TElementFinder::Problem::Kind;
    switch (problem.kind) {
        case Kind::kEmptyText:
            return QStringLiteral("検索する文字列を入力してください。");
        case Kind::kBadPattern:
            return QStringLiteral("正規表現が正しくありません（%1 文字目）: %2")
                .arg(problem.offset + 1)
                .arg(QString::fromStdString(problem.message));
        case Kind::kNotCp932:
            return NoShiftJis(problem.character);
        case Kind::kNone:
            break;
    }
    return {};
}

// Why a replacement cannot be made, or nothing.
QString Refusal(const TElementFinder::Replaced& replaced) {
    if (!replaced.refused.empty()) return NoShiftJis(replaced.refused);
    if (!replaced.error.empty())
        return QStringLiteral("置換できません: ") + QString::fromStdString(replaced.error);
    return {};
}

// Consecutive rows as one range each: a selection of a million matches stays a handful of
// ranges for the view, not one range per row.
QItemSelection MergedRows(const QAbstractItemModel& model, const std::vector<std::size_t>& rows) {
    QItemSelection selection;
    const int lastColumn = model.columnCount() - 1;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        selection.append(
            QItemSelectionRange(model.index(static_cast<int>(rows[i]), 0),
                                model.index(static_cast<int>(rows[end - 1]), lastColumn)));
        i = end;
    }
    return selection;
}

}  // namespace

TFindController::TFindController(TZQLForm& window, IDialogs& dialogs)
    : QObject(&window), window_(window), dialogs_(dialogs) {
    // Chosen parameters are positions: new parameters make them name others.
    connect(&window_.Document(), &TLibraryDocument::parametersChanged, this, [this] {
        last_.reset();
        if (form_)
            form_->SetParameterNames(TCheckList::ParameterNames(window_.Document().Library()));
    });
}

TFindController::~TFindController() = default;

TFindForm* TFindController::Form() const {
    return form_;
}

void TFindController::Open(bool replace) {
    if (!form_) {
        form_ = new TFindForm(&window_);
        form_->SetParameterNames(TCheckList::ParameterNames(window_.Document().Library()));
        connect(form_, &TFindForm::findRequested, this, &TFindController::Step);
        connect(form_, &TFindForm::selectAllRequested, this, &TFindController::SelectAll);
        connect(form_, &TFindForm::replaceRequested, this, &TFindController::ReplaceCurrent);
        connect(form_, &TFindForm::replaceAllRequested, this, &TFindController::ReplaceAll);
        // The find keys work in the dialog too: F3 searches on without going back to the list.
        for (const char* name : {"A_Find", "A_Replace", "A_FindNext", "A_FindPrevious"})
            form_->addAction(window_.Action(QString::fromLatin1(name)));
    }
    form_->SetReplaceMode(replace);
    form_->show();
    form_->raise();
    form_->activateWindow();
    form_->FocusText();
}

std::optional<TFindController::Search> TFindController::TakeSearch() {
    if (!form_ || !form_->isVisible()) {
        if (!last_) Open(false);
        return last_;
    }
    if (!form_->ParametersChosen()) {
        Say(QStringLiteral("検索するパラメータを選んでください。"));
        return std::nullopt;
    }
    last_ = Search{form_->Options(), form_->AllGroups()};
    return last_;
}

std::unique_ptr<TElementFinder> TFindController::MakeFinder(const Search& search) {
    const TZQPCtrl* parameters = window_.Document().Library().ParameterFile();
    if (!parameters) return nullptr;
    auto finder = std::make_unique<TElementFinder>(*parameters);
    const TElementFinder::Problem problem = finder->SetOptions(search.options);
    if (problem.kind == TElementFinder::Problem::Kind::kNone) return finder;
    Say(ProblemText(problem));
    return nullptr;
}

std::vector<const TGroupData*> TFindController::Scope(const Search& search,
                                                      std::size_t& shownAt) const {
    const TLibraryDocument& document = window_.Document();
    const int shown = window_.CurrentGroup();
    std::vector<const TGroupData*> groups;
    shownAt = 0;
    if (!search.allGroups) {
        if (shown >= 0) groups.push_back(document.DataOf(static_cast<std::size_t>(shown)));
        return groups;
    }
    for (std::size_t g = 0; g < document.Library().GroupCount(); ++g)
        groups.push_back(document.DataOf(g));
    shownAt = static_cast<std::size_t>(std::max(shown, 0));
    return groups;
}

void TFindController::Step(bool forward) {
    const std::optional<Search> search = TakeSearch();
    // The current element changes: the panel's edits of the one it leaves are settled first.
    if (!search || !window_.PendingChangeQuery()) return;
    const std::unique_ptr<TElementFinder> finder = MakeFinder(*search);
    if (!finder) return;
    std::size_t shownAt = 0;
    const std::vector<const TGroupData*> groups = Scope(*search, shownAt);
    std::optional<TElementFinder::Place> from;
    const int row = window_.List().CurrentRow();
    if (row >= 0 && window_.CurrentGroup() >= 0 &&
        window_.Document().ElementAt(static_cast<std::size_t>(window_.CurrentGroup()),
                                     static_cast<std::size_t>(row)))
        from = TElementFinder::Place{shownAt, static_cast<std::size_t>(row)};
    const std::optional<TElementFinder::Found> found = finder->Next(groups, from, forward);
    if (!found) return Say(QStringLiteral("見つかりません。"));
    const int group =
        search->allGroups ? static_cast<int>(found->place.group) : window_.CurrentGroup();
    if (group != window_.CurrentGroup()) {
        window_.ChangeGroup(group);
        if (group != window_.CurrentGroup()) return;
    }
    const int target = static_cast<int>(found->place.element);
    window_.List().SelectRows(target, target, target);
    if (!found->wrapped) return Say({});
    Say(forward ? QStringLiteral("先頭から検索しました。")
                : QStringLiteral("末尾から検索しました。"));
}

void TFindController::SelectAll() {
    const std::optional<Search> search = TakeSearch();
    if (!search || !window_.PendingChangeQuery()) return;
    const std::unique_ptr<TElementFinder> finder = MakeFinder(*search);
    const int group = window_.CurrentGroup();
    const TGroupData* data =
        group >= 0 ? window_.Document().DataOf(static_cast<std::size_t>(group)) : nullptr;
    if (!finder || !data) return;
    const std::vector<std::size_t> rows = finder->AllMatches(*data);
    if (rows.empty()) return Say(QStringLiteral("見つかりません。"));
    TElementListView& list = window_.List();
    const QAbstractItemModel& model = *list.model();
    const QModelIndex first = model.index(static_cast<int>(rows.front()), 0);
    list.selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    list.selectionModel()->select(MergedRows(model, rows),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list.scrollTo(first);
    Say(QStringLiteral("%1 件選択しました。").arg(rows.size()));
}

void TFindController::ReplaceCurrent() {
    const std::optional<Search> search = TakeSearch();
    if (!search || !window_.PendingChangeQuery()) return;
    const std::unique_ptr<TElementFinder> finder = MakeFinder(*search);
    if (!finder) return;
    const int group = window_.CurrentGroup();
    const int row = window_.List().CurrentRow();
    TElement* element = group >= 0 && row >= 0
                            ? window_.Document().ElementAt(static_cast<std::size_t>(group),
                                                           static_cast<std::size_t>(row))
                            : nullptr;
    if (element && finder->Matches(*element)) {
        TElementFinder::Replaced replaced = finder->ReplaceIn(*element);
        if (const QString refusal = Refusal(replaced); !refusal.isEmpty()) return Say(refusal);
        if (!replaced.values.empty())
            window_.Document().ReplaceTexts(
                {{static_cast<std::size_t>(group), element, std::move(replaced.values)}});
    }
    Step(true);
}

std::vector<std::pair<std::size_t, const TGroupData*>> TFindController::SearchedData(
    const Search& search) const {
    std::size_t shownAt = 0;
    const std::vector<const TGroupData*> scope = Scope(search, shownAt);
    // Each group data once, under the first group showing it: two groups may show the same.
    std::vector<std::pair<std::size_t, const TGroupData*>> searched;
    for (std::size_t i = 0; i < scope.size(); ++i) {
        const bool seen = std::any_of(searched.begin(), searched.end(),
                                      [&](const auto& entry) { return entry.second == scope[i]; });
        const std::size_t group =
            search.allGroups ? i : static_cast<std::size_t>(window_.CurrentGroup());
        if (scope[i] && !seen) searched.emplace_back(group, scope[i]);
    }
    return searched;
}

void TFindController::ReplaceAll() {
    const std::optional<Search> search = TakeSearch();
    const std::unique_ptr<TElementFinder> finder = search ? MakeFinder(*search) : nullptr;
    if (!finder) return;
    const auto searched = SearchedData(*search);
    // Every window with unapplied edits of these elements settles them before the values are
    // read, so that the replacement starts from what the user sees.
    const bool settled = TLibraryDocument::SettleEdits([&](const TElement& element) {
        return std::any_of(searched.begin(), searched.end(),
                           [&](const auto& entry) { return entry.second == element.Owner(); });
    });
    if (!settled) return;
    std::vector<TLibraryDocument::TextChange> changes;
    std::size_t values = 0;
    for (const auto& [group, data] : searched) {
        for (std::size_t index : finder->AllMatches(*data)) {
            TElement* element = data->At(index);
            TElementFinder::Replaced replaced = finder->ReplaceIn(*element);
            if (const QString refusal = Refusal(replaced); !refusal.isEmpty()) return Say(refusal);
            if (replaced.values.empty()) continue;
            values += replaced.values.size();
            changes.push_back({group, element, std::move(replaced.values)});
        }
    }
    if (values == 0) return Say(QStringLiteral("置換する値がありません。"));
    if (dialogs_.AskYesNo(QuestionParent(),
                          QStringLiteral("%1 件を置換します。宜しいですか？").arg(values),
                          QStringLiteral("確認")) != IDialogs::Answer::kYes)
        return;
    window_.Document().ReplaceTexts(changes);
    Say(QStringLiteral("%1 件を置換しました。").arg(values));
}

void TFindController::Say(const QString& text) {
    if (form_) form_->ShowStatus(text);
    window_.statusBar()->showMessage(text);
}

QWidget* TFindController::QuestionParent() const {
    return form_ && form_->isVisible() ? static_cast<QWidget*>(form_) : &window_;
}

}  // namespace tabrix
