#include "windows/TElementClipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDataStream>
#include <QGuiApplication>
#include <QIODevice>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPointer>
#include <QRandomGenerator>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <limits>
#include <string_view>

#include "files/TElementDataWriter.h"
#include "files/TElementLineReader.h"
#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TParameter.h"
#include "model/TTableWriter.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"

namespace tabrix {

namespace {

constexpr char kFormName[] = "Tabrix elements";
constexpr quint32 kFormVersion = 1;
constexpr std::size_t kAtEnd = std::numeric_limits<std::size_t>::max();

// The copies of the elements last copied in this process, registered with their targets as any
// referring value is: a target that goes is erased from them, so that they never refer to
// anything that is not there.
struct HeldCopy {
    quint64 token = 0;
    QPointer<TLibraryDocument> document;
    std::vector<std::unique_ptr<TElement>> elements;
};

HeldCopy& Held() {
    static HeldCopy held;
    return held;
}

std::unique_ptr<TElement> CopyOf(const TElement& element) {
    auto copy = std::make_unique<TElement>();
    copy->CopyValuesFrom(element);
    copy->SetOutputFlag(element.OutputFlag());
    return copy;
}

// The reference items of a line that named a target, dropped when the line is pasted into
// another library: a group reference "-1" and an empty item name none.
std::size_t NamedTargets(const TStringDivision& division, std::uint8_t type,
                         std::string_view field) {
    std::vector<std::string_view> items;
    TElementLineReader::CutReferenceItems(division, field, items);
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [&](auto item) {
        return !item.empty() && !(type == kTypeGroupRef && item == "-1");
    }));
}

// Where and why, as the command-line tool says it: line, column and the value.
QString ProblemMessage(const TTableProblem& problem) {
    QString text = QStringLiteral("貼り付けられません：");
    if (problem.line) text += QStringLiteral("%1 行目").arg(problem.line);
    if (problem.column) text += QStringLiteral("、%1 列目").arg(problem.column);
    if (problem.line) text += QStringLiteral("「%1」").arg(QString::fromStdString(problem.value));
    text += QStringLiteral("：") +
            QString::fromStdString(std::string(Describe(problem.kind, ResultLanguage::kJapanese)));
    if (!problem.detail.empty())
        text += QStringLiteral("（%1）").arg(QString::fromStdString(problem.detail));
    return text + QStringLiteral("。\n何も変更していません。");
}

}  // namespace

TElementClipboard::TElementClipboard(TLibraryDocument& document, IDialogs& dialogs, QWidget& window,
                                     TElementListView& list, std::function<int()> group)
    : QObject(&window),
      document_(document),
      dialogs_(dialogs),
      window_(window),
      list_(list),
      group_(std::move(group)) {}

std::string TElementClipboard::Signature(const TLibraryDocument& document) {
    std::string signature;
    if (const TZQPCtrl* parameters = document.Library().ParameterFile())
        for (std::size_t i = 0; i < parameters->Size(); ++i)
            signature +=
                std::to_string(parameters->At(i)->Type()) + ' ' + parameters->At(i)->Code() + '\n';
    return signature;
}

std::unique_ptr<QMimeData> TElementClipboard::MakeMime(
    TLibraryDocument& document, int group, const std::vector<const TElement*>& elements) {
    const TZQLCtrl& library = document.Library();
    const TTableFormat tsv{TTableFormat::kTsv, TTableFormat::kCp932};
    auto mime = std::make_unique<QMimeData>();
    mime->setText(QtText::FromCp932(TTableWriter::WriteElements(library, elements, tsv)));
    Form form;
    form.process = QCoreApplication::applicationPid();
    form.token = QRandomGenerator::global()->generate64();
    form.document = reinterpret_cast<quintptr>(&document);
    form.group = group;
    form.parameters = Signature(document);
    HeldCopy& held = Held();
    held.elements.clear();
    held.token = form.token;
    held.document = &document;
    for (const TElement* element : elements) {
        form.lines.push_back(
            TElementDataWriter(*element->Owner()->Owner(), library).ElementLine(*element));
        held.elements.push_back(CopyOf(*element));
    }
    mime->setData(QString::fromLatin1(kMimeType), WriteForm(form));
    return mime;
}

QByteArray TElementClipboard::WriteForm(const Form& form) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << QByteArray(kFormName) << kFormVersion << form.process << form.token << form.document
        << form.group << QByteArray::fromStdString(form.parameters)
        << static_cast<quint32>(form.lines.size());
    for (const std::string& line : form.lines)
        out << QByteArray::fromStdString(line);
    return bytes;
}

std::optional<TElementClipboard::Form> TElementClipboard::ReadForm(const QByteArray& bytes) {
    if (bytes.isEmpty()) return std::nullopt;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray name, parameters;
    quint32 version = 0, count = 0;
    Form form;
    in >> name >> version >> form.process >> form.token >> form.document >> form.group >>
        parameters >> count;
    if (in.status() != QDataStream::Ok || name != kFormName || version != kFormVersion)
        return std::nullopt;
    form.parameters = parameters.toStdString();
    // Read one by one: a count that lies ends the stream early, not the memory.
    for (quint32 i = 0; i < count; ++i) {
        QByteArray line;
        in >> line;
        if (in.status() != QDataStream::Ok) return std::nullopt;
        form.lines.push_back(line.toStdString());
    }
    if (!in.atEnd()) return std::nullopt;
    return form;
}

std::vector<std::size_t> TElementClipboard::SelectedRows() const {
    const int group = group_();
    std::vector<std::size_t> rows;
    if (group < 0) return rows;
    for (const QModelIndex& index : list_.selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(index.row()));
    if (rows.empty() && list_.CurrentRow() >= 0)
        rows.push_back(static_cast<std::size_t>(list_.CurrentRow()));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // The row of an empty group holds no element.
    const std::size_t count = document_.ElementCount(static_cast<std::size_t>(group));
    rows.erase(std::remove_if(rows.begin(), rows.end(), [count](auto row) { return row >= count; }),
               rows.end());
    return rows;
}

void TElementClipboard::Copy() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty()) return;
    const auto group = static_cast<std::size_t>(group_());
    std::vector<const TElement*> elements;
    for (std::size_t row : rows)
        elements.push_back(document_.ElementAt(group, row));
    QGuiApplication::clipboard()->setMimeData(
        MakeMime(document_, static_cast<int>(group), elements).release());
}

void TElementClipboard::Cut() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty()) return;
    Copy();
    const auto group = static_cast<std::size_t>(group_());
    if (!document_.CutElements(group, rows)) return;
    const int remaining = static_cast<int>(document_.ElementCount(group));
    const int row = std::min(static_cast<int>(rows.front()), std::max(remaining - 1, 0));
    list_.SelectRows(row, row, row);
}

std::size_t TElementClipboard::PastePosition(std::size_t group) const {
    const int row = list_.CurrentRow();
    return row >= 0 && document_.ElementAt(group, static_cast<std::size_t>(row))
               ? static_cast<std::size_t>(row)
               : kAtEnd;
}

void TElementClipboard::Paste() {
    const int shown = group_();
    if (shown < 0 || !document_.DataOf(static_cast<std::size_t>(shown))) return;
    const auto group = static_cast<std::size_t>(shown);
    const std::size_t position = PastePosition(group);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return;
    const std::optional<Form> form = ReadForm(mime->data(QString::fromLatin1(kMimeType)));
    // Lines typed by other parameters would put values under the wrong ones: the text, whose
    // columns are named, is read then.
    if (form && form->parameters == Signature(document_)) {
        if (!PasteOwn(*form, group, position)) PasteLines(*form, group, position);
        return;
    }
    if (mime->hasText()) PasteText(mime->text(), group, position);
}

bool TElementClipboard::PasteOwn(const Form& form, std::size_t group, std::size_t position) {
    const HeldCopy& held = Held();
    const bool own = form.process == QCoreApplication::applicationPid() &&
                     form.token == held.token && held.document == &document_ &&
                     TLibraryDocument::IsOpen(held.document) &&
                     form.document == reinterpret_cast<quintptr>(&document_) &&
                     held.elements.size() == form.lines.size();
    if (!own) return false;
    std::vector<std::unique_ptr<TElement>> elements;
    for (const auto& element : held.elements)
        elements.push_back(CopyOf(*element));
    const std::size_t count = elements.size();
    if (document_.PasteElements(group, position, std::move(elements)))
        SelectPasted(position, count);
    return true;
}

void TElementClipboard::PasteLines(const Form& form, std::size_t group, std::size_t position) {
    const TZQLCtrl& library = document_.Library();
    TElementLineReader reader(library);
    std::vector<TReadReference> refs;
    std::vector<std::unique_ptr<TElement>> elements;
    for (const std::string& line : form.lines) {
        elements.push_back(std::make_unique<TElement>());
        reader.Decode(*elements.back(), line, refs);
    }
    // Positions in another library name other elements, or none: every reference goes.
    std::size_t dropped = 0;
    const TZQPCtrl* parameters = library.ParameterFile();
    for (const TReadReference& ref : refs) {
        const std::uint8_t type =
            parameters && ref.param < parameters->Size() ? parameters->At(ref.param)->Type() : 0;
        dropped += NamedTargets(library.Division(), type, ref.field);
        ref.element->SetNumbers(ref.param, {});
    }
    const std::size_t count = elements.size();
    if (!document_.PasteElements(group, position, std::move(elements))) return;
    SelectPasted(position, count);
    if (dropped > 0)
        dialogs_.Message(&window_, QStringLiteral("参照 %1 件を外しました。").arg(dropped));
}

void TElementClipboard::PasteText(const QString& text, std::size_t group, std::size_t position) {
    if (text.trimmed().isEmpty()) return;
    const QByteArray bytes = text.toUtf8();
    TTableProblem problem;
    const std::size_t count =
        document_.PasteTable(group, position, std::string_view(bytes.constData(), bytes.size()),
                             {TTableFormat::kTsv, TTableFormat::kUtf8}, problem);
    if (problem) {
        dialogs_.Message(&window_, ProblemMessage(problem), QStringLiteral("貼り付け"),
                         IDialogs::Icon::kWarning);
        return;
    }
    if (count > 0) SelectPasted(position, count);
}

void TElementClipboard::SelectPasted(std::size_t position, std::size_t count) {
    const int group = group_();
    const std::size_t size = document_.ElementCount(static_cast<std::size_t>(std::max(group, 0)));
    const std::size_t first = std::min(position, size - std::min(size, count));
    const int top = static_cast<int>(first);
    list_.SelectRows(top, top + static_cast<int>(count) - 1, top);
}

}  // namespace tabrix
