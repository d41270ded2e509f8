// Find and replace in a library window: opens its find dialog, moves the current element to the
// next or previous match (in the shown group or across every group), selects every match of the
// shown group, and replaces through the library's document, one undoable step per command.
// The options last used stay for F3 and Shift+F3 while the dialog is closed.
#pragma once

#include <QObject>
#include <QPointer>

#include <optional>
#include <utility>
#include <vector>

#include "batch/TElementFinder.h"

namespace tabrix {

class IDialogs;
class TFindForm;
class TGroupData;
class TZQLForm;

class TFindController : public QObject {
    Q_OBJECT

public:
    TFindController(TZQLForm& window, IDialogs& dialogs);
    ~TFindController() override;

    // Ctrl+F and Ctrl+H: the dialog in find or replace mode, brought to the front.
    void Open(bool replace);
    // 次を検索 and 前を検索, F3 and Shift+F3.
    void Step(bool forward);
    void SelectAll();
    void ReplaceCurrent();
    void ReplaceAll();

    TFindForm* Form() const;

private:
    struct Search {
        TElementFinder::Options options;
        bool allGroups = false;
    };
    // The dialog's options while it is open, else the last ones used; none when there are none
    // yet or the dialog's cannot be used (said in the status).
    std::optional<Search> TakeSearch();
    // A finder ready for search, or none after saying why not.
    std::unique_ptr<TElementFinder> MakeFinder(const Search& search);
    // The groups searched and the position of the shown group among them.
    std::vector<const TGroupData*> Scope(const Search& search, std::size_t& shownAt) const;
    // The group data searched, each once, with the first group showing it.
    std::vector<std::pair<std::size_t, const TGroupData*>> SearchedData(const Search& search) const;
    void Say(const QString& text);
    QWidget* QuestionParent() const;

    TZQLForm& window_;
    IDialogs& dialogs_;
    QPointer<TFindForm> form_;
    std::optional<Search> last_;
};

}  // namespace tabrix
