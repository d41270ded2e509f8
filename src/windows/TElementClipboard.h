// Cut, copy and paste of the elements of a library window's list.
//
// A copy puts two forms on the clipboard: the rows as a spreadsheet takes them (tab-separated,
// a first row "出力" and the parameter names, the forms of TTableForms) and a private form
// with every element's line exactly as the element data file holds it, the parameters those
// lines are typed by and what names the library they come from. Pasting into the same library
// gives the elements exactly, their references included: the references are taken from copies
// of the elements held in this process, which follow the model as any referring value does (a
// target that goes is erased from them), so that edits made after the copy, the cut's own
// deletion among them, cannot make a reference point at another element. Into another library
// the lines are read as a file's are and their references dropped, with a count. Without the
// private form (text from a spreadsheet), or when the parameters differ from those the lines
// were written for, the text is read as a table.
#pragma once

#include <QByteArray>
#include <QObject>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMimeData;
class QString;
class QWidget;

namespace tabrix {

class IDialogs;
class TElement;
class TElementListView;
class TLibraryDocument;

class TElementClipboard : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kMimeType = "application/x-tabrix-elements";

    // The private form as read back from the clipboard.
    struct Form {
        qint64 process = 0;
        quint64 token = 0;       // one copy's identity, with the elements this process holds
        quint64 document = 0;    // the source library's document, as an address
        qint32 group = -1;       // the source group's number
        std::string parameters;  // the parameter signature (see Signature)
        std::vector<std::string> lines;  // the element lines, CP932
    };

    // window: the parent of the messages; group: the group the list shows (-1: none).
    TElementClipboard(TLibraryDocument& document, IDialogs& dialogs, QWidget& window,
                      TElementListView& list, std::function<int()> group);

    // The selected elements, in the order of the list, onto the clipboard.
    void Copy();
    // Copy, then the elements deleted in one step.
    void Cut();
    // Before the current element, or at the end when no element is current; one step, the
    // pasted rows selected afterwards.
    void Paste();

    // The clipboard's data for elements of document (the window's group number group).
    static std::unique_ptr<QMimeData> MakeMime(TLibraryDocument& document, int group,
                                               const std::vector<const TElement*>& elements);
    static QByteArray WriteForm(const Form& form);
    // The private form in bytes, or none when they hold no well-formed one.
    static std::optional<Form> ReadForm(const QByteArray& bytes);
    // The parameter types and codes of document's library, in order, as one text.
    static std::string Signature(const TLibraryDocument& document);

private:
    std::vector<std::size_t> SelectedRows() const;
    // The row a paste goes before: the current element's, or the end.
    std::size_t PastePosition(std::size_t group) const;
    // Pastes the copies this process holds when form came from this library unchanged in its
    // parameters; false when it did not.
    bool PasteOwn(const Form& form, std::size_t group, std::size_t position);
    // The lines of form as a file of this library would give them, references dropped.
    void PasteLines(const Form& form, std::size_t group, std::size_t position);
    void PasteText(const QString& text, std::size_t group, std::size_t position);
    void SelectPasted(std::size_t position, std::size_t count);

    TLibraryDocument& document_;
    IDialogs& dialogs_;
    QWidget& window_;
    TElementListView& list_;
    std::function<int()> group_;
};

}  // namespace tabrix
