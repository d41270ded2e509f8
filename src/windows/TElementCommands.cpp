#include "windows/TElementCommands.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#include <algorithm>
#include <string>

#include "platform/IDialogs.h"
#include "windows/TCommandGuard.h"
#include "windows/TLibraryDocument.h"
#include "windows/TZQLForm.h"

namespace tabrix {

TElementCommands::TElementCommands(QWidget& window, IDialogs& dialogs, View view)
    : QObject(&window), window_(window), dialogs_(dialogs), view_(std::move(view)) {
    add_ = MakeAction("A_Add", QStringLiteral("要素の新規追加(&A)"),
                      QStringLiteral("要素の新規追加(ALT+Ins)"), &TElementCommands::AddElements);
    insert_ = MakeAction("A_Insert", QStringLiteral("要素の新規挿入(&I)"), {},
                         &TElementCommands::InsertElements);
    delete_ =
        MakeAction("A_Delete", QStringLiteral("選択要素の削除(&L)"),
                   QStringLiteral("選択要素の削除(ALT+Del)"), &TElementCommands::DeleteElements);
    add_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Insert));
    delete_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Delete));
}

QAction* TElementCommands::MakeAction(const char* name, const QString& text, const QString& hint,
                                      void (TElementCommands::*command)()) {
    // Owned by the window, so that it counts among the window's own commands.
    auto* action = new QAction(text, &window_);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(TZQLForm::HintText(hint.isEmpty() ? text : hint));
    action->setStatusTip(action->toolTip());
    // Each window's keys act in that window only.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window_.addAction(action);
    connect(action, &QAction::triggered, this, [this, action, command] {
        TCommandGuard::Run(dialogs_, &window_, action->text(), [&] { (this->*command)(); });
    });
    return action;
}

long TElementCommands::ParseCount(const QString& text) {
    QString digits = text;
    for (QChar& c : digits) {
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
            c = QChar(u'0' + (c.unicode() - 0xFF10));
    }
    const std::string ascii = digits.toStdString();
    if (ascii.empty()) return 0;
    char* end = nullptr;
    const long value = std::strtol(ascii.c_str(), &end, 10);
    return *end == '\0' ? value : 0;
}

bool TElementCommands::AskCount(IDialogs& dialogs, QWidget* parent, const QString& caption,
                                const QString& prompt, long& count) {
    QString text = QStringLiteral("1");
    if (!dialogs.InputText(parent, caption, prompt, text)) return false;
    count = ParseCount(text);
    if (count < 1) return false;
    if (count > kMaxCount) {
        dialogs.Message(parent, QStringLiteral("一度に作れる要素は %1 個までです。").arg(kMaxCount),
                        {}, IDialogs::Icon::kWarning);
        return false;
    }
    return true;
}

bool TElementCommands::ConfirmDelete(IDialogs& dialogs, QWidget* parent, int n) {
    const QString question = QStringLiteral("【選択している】") + QString::number(n) +
                             QStringLiteral(
                                 " 個の項目を削除します。宜しいですか？\n"
                                 "（※マウスカーソルのある行とは限りません）");
    return dialogs.AskOkCancel(parent, question, QStringLiteral("確認"),
                               IDialogs::Icon::kQuestion) == IDialogs::Answer::kOk;
}

bool TElementCommands::Shown(TLibraryDocument*& document, std::size_t& group) const {
    document = view_.document();
    const int shown = view_.group();
    if (!document || shown < 0 ||
        static_cast<std::size_t>(shown) >= document->Library().GroupCount())
        return false;
    group = static_cast<std::size_t>(shown);
    return true;
}

void TElementCommands::AddElements() {
    TLibraryDocument* document = nullptr;
    std::size_t group = 0;
    long count = 0;
    if (!Shown(document, group) ||
        !AskCount(dialogs_, &window_, QStringLiteral("追加数の入力"),
                  QStringLiteral("追加したい要素数を指定してください"), count))
        return;
    document->AddElements(group, static_cast<std::size_t>(count));
}

void TElementCommands::InsertElements() {
    TLibraryDocument* document = nullptr;
    std::size_t group = 0;
    if (!Shown(document, group)) return;
    const std::size_t elements = document->ElementCount(group);
    const int mouseRow = view_.mouseRow();
    const std::size_t position =
        mouseRow >= 0 && static_cast<std::size_t>(mouseRow) < elements ? mouseRow : elements;
    long count = 0;
    if (!AskCount(dialogs_, &window_, QStringLiteral("挿入数の入力"),
                  QStringLiteral("挿入したい要素数を指定してください"), count))
        return;
    document->InsertElements(group, position, static_cast<std::size_t>(count));
}

void TElementCommands::DeleteElements() {
    TLibraryDocument* document = nullptr;
    std::size_t group = 0;
    int top = 0, bottom = 0;
    if (!Shown(document, group) || document->ElementCount(group) == 0 ||
        !view_.selectedRange(top, bottom))
        return;
    if (!ConfirmDelete(dialogs_, &window_, bottom - top + 1)) return;
    // The panels' unapplied edits of an element deleted are settled by the document first.
    if (!document->DeleteElements(group, static_cast<std::size_t>(top),
                                  static_cast<std::size_t>(bottom) + 1))
        return;
    const int rows = static_cast<int>(document->ElementCount(group));
    const int row = std::min(top, std::max(rows - 1, 0));
    view_.selectRows(row, row, row);
}

}  // namespace tabrix
