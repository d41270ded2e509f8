#include "windows/TParamSBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TStringDivision.h"
#include "model/TValueChange.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "windows/TMultiLineEdit.h"
#include "windows/TReferenceList.h"

namespace tabrix {

namespace {

const char* const kParamProperty = "tabrixParam";

bool IsSignedType(std::uint8_t type) {
    return type == kTypeSigned || type == kTypeSignedArray;
}

QString NumberText(NumberItem item, bool isSigned) {
    const auto bits = static_cast<std::uint32_t>(item);
    return isSigned ? QString::number(static_cast<std::int32_t>(bits)) : QString::number(bits);
}

// A number typed by the user, read with automatic base; text that is not wholly a number is 0.
std::uint32_t ReadNumber(const QString& text, bool isSigned) {
    const std::string cp932 = QtText::ToCp932(text);
    return isSigned ? static_cast<std::uint32_t>(TStringDivision::ToLong(cp932, 0))
                    : TStringDivision::ToULong(cp932, 0);
}

// The lines of a multi-line field, without the empty lines at the end.
QStringList EntryLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

template <typename T>
void DropTrailing(std::vector<T>& values, const T& empty) {
    while (!values.empty() && values.back() == empty)
        values.pop_back();
}

// The library window's row move on a list: the block first..last is taken out and inserted
// before target, so that a block moved down ends at target.
template <typename T>
void MoveBlock(std::vector<T>& items, std::size_t first, std::size_t target, std::size_t last) {
    if (first >= items.size()) return;
    last = std::min(last, items.size() - 1);
    const std::size_t n = last - first + 1;
    std::vector<T> block(items.begin() + first, items.begin() + last + 1);
    items.erase(items.begin() + first, items.begin() + last + 1);
    if (target > first + 1) target -= n - 1;
    target = std::min(target, items.size());
    items.insert(items.begin() + target, block.begin(), block.end());
}

}  // namespace

TParamSBox::TParamSBox(TZQLCtrl& library, IDialogs& dialogs, QWidget* parent)
    : QScrollArea(parent), library_(library), dialogs_(dialogs), content_(new QWidget) {
    setWidget(content_);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(kScrollStep);
    verticalScrollBar()->setTracking(true);
    BuildMenus();
}

TParamSBox::~TParamSBox() = default;

const TParameter* TParamSBox::Parameter(int i) const {
    const TZQPCtrl* file = library_.ParameterFile();
    return file && i >= 0 && static_cast<std::size_t>(i) < file->Size() ? file->At(i) : nullptr;
}

QWidget* TParamSBox::Control(int i) const {
    return i >= 0 && i < controls_.size() ? controls_[i] : nullptr;
}

QLabel* TParamSBox::Label(int i) const {
    return i >= 0 && i < labels_.size() ? labels_[i] : nullptr;
}

TElement& TParamSBox::WorkingElement() const {
    return working_ ? *working_ : library_.WorkingElement();
}

void TParamSBox::SetWorkingElement(TElement* element) {
    working_ = element;
    loading_ = true;
    for (int i = 0; i < controls_.size(); ++i)
        LoadControl(i);
    loading_ = false;
    RememberShown();
}

void TParamSBox::SetIndent(int pixels) {
    indent_ = pixels;
    Relayout();
}

TReferenceList* TParamSBox::ReferenceList(int i) const {
    return qobject_cast<TReferenceList*>(Control(i));
}

// --- building ---------------------------------------------------------------------------------

void TParamSBox::BuildMenus() {
    referenceMenu_ = new QMenu(this);
    referenceMenu_->setObjectName(QStringLiteral("ReferenceMenu"));
    referenceMenu_->addAction(QStringLiteral("選択中の参照を除外(&D)"), this,
                              [this] { RemoveSelectedReferences(menuTarget_); });
    referenceMenu_->addAction(QStringLiteral("参照のクリア(&C)"), this,
                              [this] { ClearReferences(menuTarget_); });
    referenceMenu_->addSeparator();
    // Kept in the menu where users know them; they have no command yet.
    referenceMenu_->addAction(QStringLiteral("別枠表示(W)..."))->setEnabled(false);
    referenceMenu_->addAction(QStringLiteral("並び替え(&S)..."))->setEnabled(false);

    editMenu_ = new QMenu(this);
    editMenu_->setObjectName(QStringLiteral("EditMenu"));
    auto onTarget = [this](void (QPlainTextEdit::*operation)()) {
        return [this, operation] {
            if (auto* edit = qobject_cast<QPlainTextEdit*>(Control(menuTarget_)))
                (edit->*operation)();
        };
    };
    editMenu_->addAction(QStringLiteral("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z), this,
                         onTarget(&QPlainTextEdit::undo));
    editMenu_->addSeparator();
    editMenu_->addAction(QStringLiteral("切り取り(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X), this,
                         onTarget(&QPlainTextEdit::cut));
    editMenu_->addAction(QStringLiteral("コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C), this,
                         onTarget(&QPlainTextEdit::copy));
    editMenu_->addAction(QStringLiteral("貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V), this,
                         onTarget(&QPlainTextEdit::paste));
    editMenu_->addSeparator();
    editMenu_->addAction(QStringLiteral("全て選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A), this,
                         onTarget(&QPlainTextEdit::selectAll));
    // The shortcuts are the fields' own keys; in the menu they are only shown.
    for (QAction* action : editMenu_->actions())
        action->setShortcutContext(Qt::WidgetShortcut);
}

void TParamSBox::Rebuild() {
    // The field being typed in is made again: the focus comes back to it, not to nowhere.
    const int focused = FocusedParam();
    qDeleteAll(controls_);
    qDeleteAll(labels_);
    controls_.clear();
    labels_.clear();
    types_.clear();
    notes_.clear();
    menuTarget_ = -1;
    const TZQPCtrl* file = library_.ParameterFile();
    const std::size_t count = file ? file->Size() : 0;
    for (std::size_t i = 0; i < count; ++i) {
        const TParameter& parameter = *file->At(i);
        auto* label = new QLabel(QtText::FromCp932(parameter.Name()), content_);
        label->setObjectName(QStringLiteral("Label%1").arg(i));
        QWidget* control = MakeControl(parameter, static_cast<int>(i));
        control->setParent(content_);
        control->setObjectName(QStringLiteral("Param%1").arg(i));
        control->setProperty(kParamProperty, static_cast<int>(i));
        control->installEventFilter(this);
        // A boolean shows its name on the check box itself.
        label->setVisible(parameter.Type() != kTypeBool);
        control->show();
        labels_ << label;
        controls_ << control;
        types_ << parameter.Type();
        notes_ << QString();
    }
    Relayout();
    // The controls show the working element until the window shows an element again.
    loading_ = true;
    for (int i = 0; i < controls_.size(); ++i)
        LoadControl(i);
    loading_ = false;
    RememberShown();
    if (focused >= 0 && !controls_.isEmpty())
        FocusControl(std::min(focused, static_cast<int>(controls_.size()) - 1));
}

int TParamSBox::FocusedParam() const {
    // The window's focus child, also while a dialog has the keyboard.
    const QWidget* focus = window()->focusWidget();
    for (int i = 0; i < controls_.size(); ++i)
        if (focus && (focus == controls_[i] || controls_[i]->isAncestorOf(focus))) return i;
    return -1;
}

bool TParamSBox::FocusControl(int i) {
    QWidget* control = Control(i);
    if (!control) return false;
    control->setFocus(Qt::TabFocusReason);
    ensureWidgetVisible(control, 8, 8);
    return true;
}

QWidget* TParamSBox::MakeControl(const TParameter& parameter, int i) {
    switch (parameter.Type()) {
        case kTypeStringArray:
        case kTypeSignedArray:
        case kTypeUnsignedArray:
            return MakeMultiLineEdit(i);
        case kTypeElementRef:
            return MakeReferenceList(false, i);
        case kTypeElementRefArray:
            return MakeReferenceList(true, i);
        case kTypeBool: {
            auto* box = new QCheckBox(QtText::FromCp932(parameter.Name()));
            connect(box, &QCheckBox::toggled, this, [this] { MarkChanged(); });
            return box;
        }
        case kTypeBoolArray: {
            auto* list = new QListWidget;
            for (const std::string& choice : parameter.Selection()) {
                auto* item = new QListWidgetItem(QtText::FromCp932(choice), list);
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
                item->setCheckState(Qt::Unchecked);
            }
            connect(list, &QListWidget::itemChanged, this, [this] { MarkChanged(); });
            return list;
        }
        case kTypeGroupRef:
        case kTypeListSelection: {
            auto* combo = new QComboBox;
            if (parameter.Type() == kTypeGroupRef) {
                combo->addItem(QStringLiteral("参照しない"));
                for (const auto& group : library_.Groups())
                    combo->addItem(QtText::FromCp932(group->Name()));
            } else {
                for (const std::string& choice : parameter.Selection())
                    combo->addItem(QtText::FromCp932(choice));
            }
            connect(combo, &QComboBox::currentIndexChanged, this, [this] { MarkChanged(); });
            return combo;
        }
        default: {  // string, signed and unsigned integer: one line
            auto* edit = new QLineEdit;
            connect(edit, &QLineEdit::textChanged, this, [this, i] {
                MarkChanged();
                ShowReading(i);
            });
            return edit;
        }
    }
}

QWidget* TParamSBox::MakeMultiLineEdit(int i) {
    auto* edit = new TMultiLineEdit;
    QFont font = edit->font();
    font.setFamily(QStringLiteral("ＭＳ ゴシック"));
    edit->setFont(font);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QPlainTextEdit::textChanged, this, [this, i] {
        MarkChanged();
        ShowReading(i);
    });
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit, i](const QPoint& at) {
        SetMenuTarget(i);
        const QList<QAction*> actions = editMenu_->actions();
        const bool hasSelection = edit->textCursor().hasSelection();
        actions[0]->setEnabled(edit->document()->isUndoAvailable());
        actions[2]->setEnabled(hasSelection && !edit->isReadOnly());
        actions[3]->setEnabled(hasSelection);
        actions[4]->setEnabled(edit->canPaste());
        editMenu_->popup(edit->mapToGlobal(at));
    });
    return edit;
}

TReferenceList* TParamSBox::MakeReferenceList(bool array, int i) {
    auto* list = new TReferenceList(array);
    connect(list, &TReferenceList::rowDoubleClicked, this,
            [this, i](int row) { RemoveReferenceAt(i, row); });
    connect(
        list, &TReferenceList::elementsDropped, this,
        [this, i](const QVector<TElement*>& elements, int row) { DropElements(i, elements, row); });
    if (array) {
        connect(list, &TReferenceList::rowMoveRequested, this,
                [this, i](int from, int to) { MoveReferenceRows(i, from, to); });
        connect(list, &TReferenceList::contextMenuWanted, this, [this, i](int, const QPoint& at) {
            SetMenuTarget(i);
            referenceMenu_->popup(at);
        });
    }
    return list;
}

// --- layout -----------------------------------------------------------------------------------

int TParamSBox::ControlHeight(int i, QWidget* control) const {
    const TParameter* parameter = Parameter(i);
    switch (types_[i]) {
        case kTypeElementRef:
            return kSingleReferenceHeight;
        case kTypeStringArray:
        case kTypeElementRefArray:
        case kTypeBoolArray:
        case kTypeSignedArray:
        case kTypeUnsignedArray:
            return std::max(
                parameter ? parameter->InputBoxHeight() : TParameter::kDefaultInputBoxHeight, 20);
        default:
            return control->sizeHint().height();
    }
}

// Labels down the left, each control right of its label and 4 pixels above it, the next label
// 16 pixels below the control; controls reach to 24 pixels short of the panel's right edge.
void TParamSBox::Relayout() {
    int top = 8;
    for (int i = 0; i < controls_.size(); ++i) {
        QLabel* label = labels_[i];
        label->adjustSize();
        label->move(indent_ + 8, top);
        QWidget* control = controls_[i];
        const int left = indent_ + label->width() + 16;
        control->setGeometry(left, top - 4, std::max(width() - left - 24, 20),
                             ControlHeight(i, control));
        top = control->geometry().bottom() + 1 + 16;
    }
    content_->resize(viewport()->width(), top);
    emit laidOut();
}

void TParamSBox::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    Relayout();
}

// --- keys -------------------------------------------------------------------------------------

// One-line fields: Enter applies, Up and Down walk the fields. Fields with lines or rows of
// their own keep Up and Down; Ctrl+Up and Ctrl+Down leave them.
bool TParamSBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->property(kParamProperty).isValid())
        return QScrollArea::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const int i = watched->property(kParamProperty).toInt();
    const bool oneLine = qobject_cast<QLineEdit*>(watched) != nullptr;
    const bool leaving = oneLine || (key->modifiers() & Qt::ControlModifier);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!oneLine) break;
            emit applyRequested();
            return true;
        case Qt::Key_Up:
            if (!leaving) break;
            FocusControl(i - 1);
            return true;
        case Qt::Key_Down:
            if (!leaving) break;
            FocusControl(i + 1);
            return true;
        default:
            break;
    }
    return QScrollArea::eventFilter(watched, event);
}

// --- show and apply ---------------------------------------------------------------------------

void TParamSBox::Show(TElement* element) {
    current_ = element;
    TElement& working = WorkingElement();
    if (element) {
        working.CopyValuesFrom(*element);
        working.SetOutputFlag(element->OutputFlag());
    } else {
        working.CopyValuesFrom(TElement());
    }
    loading_ = true;
    for (int i = 0; i < controls_.size(); ++i)
        LoadControl(i);
    loading_ = false;
    RememberShown();
    ShowNotes({});
}

// A control whose parameter has gone or changed its type since the last Rebuild is left alone.
bool TParamSBox::InStep(int i) const {
    const TParameter* parameter = Parameter(i);
    return parameter && parameter->Type() == types_.value(i);
}

void TParamSBox::LoadControl(int i) {
    if (!InStep(i)) return;
    const TParameter& parameter = *Parameter(i);
    const TElement& working = WorkingElement();
    const TextItems texts = working.Texts(i);
    const NumberItems numbers = working.Numbers(i);
    QWidget* control = controls_[i];
    switch (parameter.Type()) {
        case kTypeString:
            static_cast<QLineEdit*>(control)->setText(
                texts.empty() ? QString() : QtText::FromCp932(texts.front()));
            break;
        case kTypeSigned:
        case kTypeUnsigned:
            static_cast<QLineEdit*>(control)->setText(
                numbers.empty() ? QString()
                                : NumberText(numbers.front(), IsSignedType(parameter.Type())));
            break;
        case kTypeStringArray:
        case kTypeSignedArray:
        case kTypeUnsignedArray: {
            QStringList lines;
            if (parameter.Type() == kTypeStringArray) {
                for (std::string_view text : texts)
                    lines << QtText::FromCp932(text);
            } else {
                for (NumberItem item : numbers)
                    lines << NumberText(item, IsSignedType(parameter.Type()));
            }
            auto* edit = static_cast<QPlainTextEdit*>(control);
            edit->setPlainText(lines.join(QLatin1Char('\n')));
            edit->document()->clearUndoRedoStacks();
            break;
        }
        case kTypeElementRef:
        case kTypeElementRefArray:
            RefreshReferenceList(i);
            break;
        case kTypeBool:
            static_cast<QCheckBox*>(control)->setChecked(!numbers.empty() && numbers.front());
            break;
        case kTypeBoolArray: {
            auto* list = static_cast<QListWidget*>(control);
            for (int k = 0; k < list->count(); ++k) {
                const bool on = static_cast<std::size_t>(k) < numbers.size() && numbers[k];
                list->item(k)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
            }
            break;
        }
        case kTypeGroupRef: {
            int index = 0;
            if (!numbers.empty())
                for (std::size_t g = 0; g < library_.GroupCount(); ++g)
                    if (TElement::ItemOf(library_.Group(g)) == numbers.front())
                        index = static_cast<int>(g) + 1;
            static_cast<QComboBox*>(control)->setCurrentIndex(index);
            break;
        }
        case kTypeListSelection: {
            auto* combo = static_cast<QComboBox*>(control);
            const int index = numbers.empty() ? -1 : static_cast<int>(numbers.front());
            combo->setCurrentIndex(index < combo->count() ? index : -1);
            break;
        }
        default:
            break;
    }
}

// --- what the user changed -----------------------------------------------------------------

// What a control shows, in a form that compares: a text, a check, an index or a row of checks.
QVariant TParamSBox::ControlState(int i) const {
    QWidget* control = controls_[i];
    if (auto* line = qobject_cast<QLineEdit*>(control)) return line->text();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) return text->toPlainText();
    if (auto* box = qobject_cast<QCheckBox*>(control)) return box->isChecked();
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentIndex();
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        QString checks;
        for (int k = 0; k < list->count(); ++k)
            checks +=
                list->item(k)->checkState() == Qt::Checked ? QLatin1Char('1') : QLatin1Char('0');
        return checks;
    }
    return {};  // reference lists: see referencesChanged_
}

void TParamSBox::RememberShown() {
    shown_.clear();
    for (int i = 0; i < controls_.size(); ++i)
        shown_ << ControlState(i);
    referencesChanged_.fill(false, controls_.size());
}

bool TParamSBox::ControlChanged(int i) const {
    if (!InStep(i) || i >= shown_.size()) return false;
    return referencesChanged_.value(i) || ControlState(i) != shown_[i];
}

bool TParamSBox::Changed() const {
    if (!current_) return false;
    for (int i = 0; i < controls_.size(); ++i)
        if (ControlChanged(i)) return true;
    return false;
}

TValueChange TParamSBox::Collect() const {
    TValueChange change;
    change.target = current_;
    if (!current_) return change;
    change.values = WorkingElement().KeptCopy();
    for (int i = 0; i < controls_.size(); ++i) {
        if (!ControlChanged(i)) continue;
        ReadControl(i, *change.values);
        change.params.push_back(static_cast<std::size_t>(i));
    }
    return change;
}

bool TParamSBox::Apply() {
    const TValueChange change = Collect();
    if (change.Empty()) return false;
    change.Apply();
    Show(current_);
    return true;
}

void TParamSBox::Discard() {
    Show(current_);
}

void TParamSBox::ReadInto(int param, TElement& target) const {
    if (param >= 0 && param < controls_.size()) ReadControl(param, target);
}

// The panel's reading rules; target is the working element, or for the batch change-apply
// each element written.
void TParamSBox::ReadControl(int i, TElement& target) const {
    if (!InStep(i)) return;
    const TParameter& parameter = *Parameter(i);
    QWidget* control = controls_[i];
    const std::uint8_t type = parameter.Type();
    switch (type) {
        case kTypeString:
            target.SetTexts(i, {QtText::ToCp932(static_cast<QLineEdit*>(control)->text())});
            break;
        case kTypeStringArray: {
            TextList entries;
            for (const QString& line :
                 EntryLines(static_cast<QPlainTextEdit*>(control)->toPlainText()))
                entries.push_back(QtText::ToCp932(line));
            target.SetTexts(i, std::move(entries));
            break;
        }
        case kTypeSigned:
        case kTypeUnsigned:
            target.SetNumbers(
                i, {ReadNumber(static_cast<QLineEdit*>(control)->text(), IsSignedType(type))});
            break;
        case kTypeSignedArray:
        case kTypeUnsignedArray: {
            std::vector<std::uint32_t> values;
            for (const QString& line :
                 EntryLines(static_cast<QPlainTextEdit*>(control)->toPlainText()))
                values.push_back(ReadNumber(line, IsSignedType(type)));
            DropTrailing(values, 0u);
            target.SetNumbers(i, values);
            break;
        }
        case kTypeBool:
            target.SetNumbers(i, {static_cast<QCheckBox*>(control)->isChecked() ? 1u : 0u});
            break;
        case kTypeBoolArray: {
            auto* list = static_cast<QListWidget*>(control);
            // Values past the parameter's choice names have no box; they stay as they were.
            std::vector<std::uint32_t> values;
            const NumberItems old = target.Numbers(i);
            const std::size_t count = std::max<std::size_t>(list->count(), old.size());
            for (std::size_t k = 0; k < count; ++k)
                values.push_back(k < static_cast<std::size_t>(list->count())
                                     ? list->item(k)->checkState() == Qt::Checked
                                     : static_cast<std::uint32_t>(old[k]));
            DropTrailing(values, 0u);
            target.SetNumbers(i, values);
            break;
        }
        case kTypeGroupRef: {
            const int index = static_cast<QComboBox*>(control)->currentIndex();
            TGroupSetting* group =
                index >= 1 && static_cast<std::size_t>(index) <= library_.GroupCount()
                    ? library_.Group(index - 1)
                    : nullptr;
            target.SetGroupRefs(i, {group});
            break;
        }
        case kTypeListSelection: {
            // A list without choices selects nothing; the stored position then stays.
            const int index = static_cast<QComboBox*>(control)->currentIndex();
            if (index >= 0) target.SetNumbers(i, {static_cast<std::uint32_t>(index)});
            break;
        }
        default:  // references change the target element directly
            break;
    }
}

void TParamSBox::MarkChanged() {
    if (!loading_) emit edited();
}

// --- values the reading rules change ---------------------------------------------------------

QString TParamSBox::ReadingNote(int i) const {
    if (!InStep(i)) return {};
    const std::uint8_t type = types_[i];
    QStringList texts;
    if (type == kTypeSigned || type == kTypeUnsigned)
        texts << static_cast<QLineEdit*>(controls_[i])->text();
    else if (type == kTypeSignedArray || type == kTypeUnsignedArray)
        texts = EntryLines(static_cast<QPlainTextEdit*>(controls_[i])->toPlainText());
    const bool isSigned = IsSignedType(type);
    for (const QString& text : texts) {
        const std::string cp932 = QtText::ToCp932(text);
        if (cp932.empty()) continue;
        const std::uint32_t kept = ReadNumber(text, isSigned);
        const QString keptText = NumberText(kept, isSigned);
        const QString what = QtText::FromCp932(Parameter(i)->Name()) + QStringLiteral(": 「") +
                             text + QStringLiteral("」は");
        if (!TStringDivision::ReadLong(cp932))
            return what + QStringLiteral("数値ではありません。記録される値: ") + keptText;
        errno = 0;
        const long long typed = std::strtoll(cp932.c_str(), nullptr, 0);
        const long long stored =
            isSigned ? static_cast<std::int32_t>(kept) : static_cast<long long>(kept);
        if (typed != stored || errno == ERANGE)
            return what + QStringLiteral("範囲外です。記録される値: ") + keptText;
    }
    return {};
}

QVector<QString> TParamSBox::ReadingNotes() const {
    QVector<QString> notes;
    for (int i = 0; i < controls_.size(); ++i)
        notes << ReadingNote(i);
    return notes;
}

void TParamSBox::ShowReading(int i) {
    if (loading_ || i >= notes_.size()) return;
    const QString note = ReadingNote(i);
    if (note == notes_[i]) return;
    MarkNote(i, note);
    if (!note.isEmpty()) emit noteShown(note);
}

void TParamSBox::MarkNote(int i, const QString& note) {
    notes_[i] = note;
    QWidget* control = controls_[i];
    control->setStyleSheet(note.isEmpty()
                               ? QString()
                               : QStringLiteral("%1 { border: 2px solid #d00000; }")
                                     .arg(QString::fromLatin1(control->metaObject()->className())));
    control->setToolTip(note);
}

void TParamSBox::ShowNotes(const QVector<QString>& notes) {
    for (int i = 0; i < notes_.size(); ++i)
        MarkNote(i, notes.value(i));
}

// --- references -------------------------------------------------------------------------------

std::vector<TElement*> TParamSBox::References(int i) const {
    std::vector<TElement*> refs;
    // Numbers read as plain values (a file read before its parameters, a type changed since)
    // are no addresses: such a value shows as no reference.
    const TElement& working = WorkingElement();
    if (!working.HoldsElementRefs(static_cast<std::size_t>(i))) return refs;
    for (NumberItem item : working.Numbers(i))
        refs.push_back(TElement::AsElement(item));
    return refs;
}

void TParamSBox::StoreReferences(int i, const std::vector<TElement*>& refs) {
    WorkingElement().SetElementRefs(i, refs);
    RefreshReferenceList(i);
    if (i < referencesChanged_.size()) referencesChanged_[i] = true;
    MarkChanged();
}

QString TParamSBox::DisplayText(const TElement* target, const TParameter& display,
                                const TZQLCtrl& library) {
    const std::size_t i = display.Index();
    QStringList parts;
    switch (display.Type()) {
        case kTypeString:
        case kTypeStringArray:
            for (std::string_view text : target->Texts(i))
                parts << QtText::FromCp932(text);
            break;
        case kTypeGroupRef:
            for (NumberItem item : target->Numbers(i))
                for (const auto& group : library.Groups())
                    if (TElement::ItemOf(group.get()) == item)
                        parts << QtText::FromCp932(group->Name());
            break;
        case kTypeListSelection:
            for (NumberItem item : target->Numbers(i))
                parts << (item < display.Selection().size()
                              ? QtText::FromCp932(display.Selection()[item])
                              : QString::number(item));
            break;
        case kTypeElementRef:
        case kTypeElementRefArray:
            break;  // a reference of a reference has no text of its own
        default:
            for (NumberItem item : target->Numbers(i))
                parts << NumberText(item, IsSignedType(display.Type()));
            break;
    }
    return parts.join(QStringLiteral(", "));
}

QString TParamSBox::ReferenceText(const TParameter& parameter, const TElement* target) const {
    const TParameter* display = parameter.DisplayParameter();
    if (!display) return QStringLiteral("ERROR: 参照先の表示項目が指定されていません");
    if (!target) return QStringLiteral("<参照なし>");
    return DisplayText(target, *display, library_);
}

void TParamSBox::RefreshReferenceList(int i) {
    TReferenceList* list = ReferenceList(i);
    if (!list || !InStep(i)) return;
    const TParameter& parameter = *Parameter(i);
    QStringList texts;
    for (TElement* target : References(i))
        texts << ReferenceText(parameter, target);
    if (!list->IsArray()) texts = QStringList{texts.value(0, ReferenceText(parameter, nullptr))};
    if (texts.isEmpty()) texts << ReferenceText(parameter, nullptr);
    list->SetRowTexts(texts);
}

void TParamSBox::DropElements(int param, const QVector<TElement*>& elements, int row) {
    TReferenceList* list = ReferenceList(param);
    if (!list || !InStep(param) || elements.isEmpty()) return;
    std::vector<TElement*> refs = References(param);
    if (!list->IsArray()) {
        refs = {elements.front()};
    } else if (refs.empty()) {
        refs.assign(elements.begin(), elements.end());
    } else {
        const bool insert = (dragMode_ & 2) != 0 && row >= 1;
        const std::size_t at =
            insert ? std::min<std::size_t>(static_cast<std::size_t>(row) - 1, refs.size())
                   : refs.size();
        refs.insert(refs.begin() + at, elements.begin(), elements.end());
    }
    StoreReferences(param, refs);
}

void TParamSBox::RemoveReferenceAt(int param, int row) {
    TReferenceList* list = ReferenceList(param);
    if (!list || !InStep(param)) return;
    std::vector<TElement*> refs = References(param);
    const std::size_t entry = list->IsArray() ? static_cast<std::size_t>(std::max(row, 1) - 1) : 0;
    if (entry >= refs.size() || !refs[entry]) {
        dialogs_.Message(this, QStringLiteral("参照先はありません。"));
        return;
    }
    const QString name = QtText::FromCp932(Parameter(param)->Name());
    if (dialogs_.AskOkCancel(this, name + QStringLiteral(" を指定しません。宜しいですか？"),
                             QStringLiteral("確認")) != IDialogs::Answer::kOk)
        return;
    if (list->IsArray())
        refs.erase(refs.begin() + entry);
    else
        refs.clear();
    StoreReferences(param, refs);
}

void TParamSBox::RemoveSelectedReferences(int param) {
    TReferenceList* list = ReferenceList(param);
    if (!list || !InStep(param)) return;
    std::vector<TElement*> refs = References(param);
    if (refs.empty()) {
        dialogs_.Message(this, QStringLiteral("参照先はありません。"));
        return;
    }
    const QString name = QtText::FromCp932(Parameter(param)->Name());
    if (dialogs_.AskOkCancel(this,
                             QStringLiteral("選択している ") + name +
                                 QStringLiteral(" を除外します。\n宜しいですか？"),
                             QStringLiteral("確認")) != IDialogs::Answer::kOk)
        return;
    const auto first = std::min<std::size_t>(list->SelectionTop() - 1, refs.size());
    const auto end = std::min<std::size_t>(list->SelectionBottom(), refs.size());
    refs.erase(refs.begin() + first, refs.begin() + end);
    StoreReferences(param, refs);
    list->SelectRows(list->SelectionTop(), list->SelectionTop());
}

void TParamSBox::ClearReferences(int param) {
    if (!ReferenceList(param) || !InStep(param)) return;
    if (References(param).empty()) {
        dialogs_.Message(this, QStringLiteral("参照先はありません。"));
        return;
    }
    const QString name = QtText::FromCp932(Parameter(param)->Name());
    if (dialogs_.AskOkCancel(this, name + QStringLiteral(" を指定しません。\n宜しいですか？"),
                             QStringLiteral("確認")) != IDialogs::Answer::kOk)
        return;
    StoreReferences(param, {});
    ReferenceList(param)->SelectRows(1, 1);
}

void TParamSBox::MoveReferenceRows(int param, int from, int to) {
    TReferenceList* list = ReferenceList(param);
    if (!list || !InStep(param) || !list->IsArray()) return;
    std::vector<TElement*> refs = References(param);
    const int count = static_cast<int>(refs.size());
    if (from < 1 || from > count || to < 1 || from == to) return;
    to = std::min(to, count);
    const int top = list->SelectionTop(), bottom = list->SelectionBottom();
    if (from < top || from > bottom) {
        MoveBlock(refs, from - 1, to - 1, from - 1);
        StoreReferences(param, refs);
        list->SelectRows(to, to);
        return;
    }
    if (to >= top && to <= bottom) return;
    MoveBlock(refs, top - 1, to - 1, std::min(bottom, count) - 1);
    StoreReferences(param, refs);
    const int span = std::min(bottom, count) - top;
    if (to > from)
        list->SelectRows(to - span, to);
    else
        list->SelectRows(to, to + span);
}

}  // namespace tabrix
