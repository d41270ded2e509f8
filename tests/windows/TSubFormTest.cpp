// The sub window and drag and drop: drops of elements dragged from the sub
// window's list into a library window's list (copy and move, add and insert,
// the header row, other groups and other libraries, the block rule), the sub
// window's own commands, its "[SubForm]" layout when the active library window
// changes, and the follow mode. Drags are synthetic events sent to the list,
// carrying what the sub window's list puts into a real drag.
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QSignalSpy>
#include <QToolButton>

#include "FrameFixture.h"
#include "model/TWindowState.h"
#include "model/TZQICtrl.h"
#include "windows/TElementDrag.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"

namespace tabrix {

using namespace test;

namespace {

// The sample's first titles, named by letters: the elements of 書籍 are a b c
// d, of 新刊 x y.
QString Letter(const TElement& element) {
    static const QStringList titles = {"ソフトウェア入門", "表の作り方",     "ねこの随筆",
                                       "Ｃ＋＋の海",       "ばいおりん入門", "ﾊﾟｿｺﾝ読本"};
    static const QString letters = u"abcdxy"_s;
    const QString title =
        element.Texts(0).empty() ? QString() : QtText::FromCp932(element.Texts(0)[0]).remove('\\');
    const qsizetype i = titles.indexOf(title);
    return i < 0 ? u"?"_s : QString(letters[i]);
}

// The letters of a group's elements in order; an element made by a copy in
// upper case.
QString Order(TZQLForm& form, int group, const std::vector<const TElement*>& originals) {
    QString order;
    const TGroupData* data = form.Document().DataOf(static_cast<std::size_t>(group));
    for (std::size_t i = 0; i < data->Size(); ++i) {
        const TElement* e = data->At(i);
        const bool original = std::find(originals.begin(), originals.end(), e) != originals.end();
        order += original ? Letter(*e) : Letter(*e).toUpper();
    }
    return order;
}

std::vector<const TElement*> AllElements(TZQLForm& form) {
    std::vector<const TElement*> all;
    const TZQLCtrl& library = form.Document().Library();
    for (const auto& group : library.Groups())
        for (const auto& element : group->GroupData()->Elements())
            all.push_back(element.get());
    return all;
}

// What the sub window's list carries when a drag begins on row start.
TElementDrag DragFrom(TSubForm& sub, int start) {
    TElementDrag drag;
    drag.document = sub.Document();
    drag.group = sub.Group();
    drag.start = start;
    sub.List().SelectedRange(drag.top, drag.bottom);
    return drag;
}

// Enter, move and drop at position over target; true when the target accepted
// the drop.
bool SendDrag(QWidget* target, const QPoint& position, const QMimeData* mime) {
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(position, actions, mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(position, actions, mime, Qt::LeftButton, Qt::NoModifier);
    move.ignore();
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(position), actions, mime, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// Drops drag on row of form's list (-1: the header row).
bool DropOnRow(TZQLForm& form, const TElementDrag& drag, int row) {
    std::unique_ptr<QMimeData> mime(drag.ToMime());
    TElementListView& list = form.List();
    if (row < 0)
        return SendDrag(list.horizontalHeader(), list.horizontalHeader()->rect().center(),
                        mime.get());
    return SendDrag(list.viewport(), list.visualRect(list.model()->index(row, 0)).center(),
                    mime.get());
}

// A drop: the drag mode (bit 0 move, bit 1 insert), the sub window's group and
// selection, the row where the drag began, the drop row (-1: the header row),
// and the groups' orders after it.
struct Drop {
    const char* name;
    unsigned mode;
    int source, top, bottom, start, row;
    const char *targetOrder, *sourceOrder;
};

int Count(const QByteArray& bytes, const QString& text) {
    return static_cast<int>(bytes.count(QByteArray::fromStdString(QtText::ToCp932(text))));
}

}  // namespace

class TSubFormTest : public QObject, FrameFixture {
    Q_OBJECT

    // A fresh frame for the next case of a table.
    void Restart() {
        CloseFrame();
        StartFrame(1100, 700);
    }

private slots:
    void init() { StartFrame(1100, 700); }
    void cleanup() { CloseFrame(); }

    // Drops into the library window's first group (書籍).
    void drops() {
        const unsigned copy = 0, move = 1, insert = 2;
        const Drop drops[] = {
            {"copy, add", copy, 1, 0, 1, 0, 2, "abcdXY", "xy"},
            {"copy, insert on the first row", copy | insert, 1, 0, 1, 1, 0, "XYabcd", "xy"},
            {"move, insert", move | insert, 1, 0, 1, 0, 2, "abxycd", ""},
            {"move, header row appends", move | insert, 1, 0, 1, 0, -1, "abcdxy", ""},
            {"start outside the block drops that row alone", copy | insert, 1, 0, 0, 1, 0, "Yabcd",
             "xy"},
            {"same group, move down before d", move | insert, 0, 0, 1, 1, 3, "cabd", "cabd"},
            {"same group, move up before a", move | insert, 0, 2, 3, 2, 0, "cdab", "cdab"},
            {"same group, move onto the block", move | insert, 0, 1, 2, 1, 2, "abcd", "abcd"},
            {"same group, move, add", move, 0, 0, 0, 0, 2, "bcda", "bcda"},
            {"same group, copy, insert", copy | insert, 0, 2, 3, 3, 0, "CDabcd", "CDabcd"},
        };
        for (const Drop& drop : drops) {
            Restart();
            const QString targetOrder = drop.targetOrder, sourceOrder = drop.sourceOrder;
            TZQLForm* form = OpenSample();
            TSubForm* sub = frame_->SubWindow();
            const std::vector<const TElement*> originals = AllElements(*form);
            form->ChangeGroup(0);
            form->SetDragMode(drop.mode);
            sub->ChangeGroup(drop.source);
            sub->List().SelectRows(drop.top, drop.bottom, drop.top);
            QVERIFY2(DropOnRow(*form, DragFrom(*sub, drop.start), drop.row), drop.name);
            QCOMPARE(Order(*form, 0, originals), targetOrder);
            QCOMPARE(Order(*form, drop.source, originals), sourceOrder);
            // Both lists show their groups' new row counts (an empty group keeps its
            // one row).
            QCOMPARE(form->List().model()->rowCount(), static_cast<int>(targetOrder.size()));
            QCOMPARE(sub->List().model()->rowCount(), std::max<int>(sourceOrder.size(), 1));
            // Every element, moved or copied, belongs to the group data that holds
            // it.
            for (const auto& group : form->Document().Library().Groups())
                for (const auto& element : group->GroupData()->Elements())
                    QCOMPARE(element->Owner(), group->GroupData());
            QVERIFY(!form->Document().Library().Group(0)->Has(TGroupSetting::kOutputDone));
            QVERIFY(form->Document().IsModified());
        }
    }

    // A move out of another library takes the elements out of that library's
    // file; a copy leaves them there. Both files are checked after saving.
    void dropsFromAnotherLibrary() {
        for (unsigned mode : {0u, 1u}) {
            Restart();
            TZQLForm* target = OpenSample("target");
            TZQLForm* source = OpenSample("src");
            TSubForm* sub = frame_->SubWindow();
            QCOMPARE(sub->Document(), &source->Document());
            TElement* cat = source->Document().ElementAt(0, 2);  // ねこの随筆
            sub->ChangeGroup(0);
            sub->List().SelectRows(2, 2, 2);
            target->ChangeGroup(1);
            target->SetDragMode(mode);
            QVERIFY(DropOnRow(*target, DragFrom(*sub, 2), 0));
            QCOMPARE(target->List().model()->rowCount(), 3);
            QCOMPARE(sub->List().model()->rowCount(), 4 - static_cast<int>(mode));
            // The target library's change list sorts 新刊: the element is somewhere
            // in it.
            const auto& moved = target->Document().DataOf(1)->Elements();
            QCOMPARE(std::any_of(moved.begin(), moved.end(),
                                 [cat](const auto& element) { return element.get() == cat; }),
                     mode == 1);
            QVERIFY(target->Document().Save() && source->Document().Save());
            const QString title = u"ねこの随筆"_s;
            QCOMPARE(Count(Bytes(Path("target/data/books.ZQD")), title), 2);
            QCOMPARE(Count(Bytes(Path("src/data/books.ZQD")), title), 1 - int(mode));
        }
    }

    // Plain text, a library that closed, and a group that does not exist, which
    // is accepted and drops nothing.
    void dragsOfAnythingElseAreRefused() {
        for (const QString what : {"text", "closed", "group"}) {
            Restart();
            TZQLForm* form = OpenSample();
            QMimeData text;
            text.setText(u"ソフトウェア入門"_s);
            TElementDrag drag = DragFrom(*frame_->SubWindow(), 0);
            if (what == "closed") drag.document = reinterpret_cast<TLibraryDocument*>(&text);
            if (what == "group") drag.group = 9;
            std::unique_ptr<QMimeData> mime(what == "text" ? nullptr : drag.ToMime());
            const QPoint centre = form->List().viewport()->rect().center();
            QCOMPARE(SendDrag(form->List().viewport(), centre, mime ? mime.get() : &text),
                     what == "group");
            QCOMPARE(form->Document().ElementCount(0), std::size_t(4));
            QVERIFY(!form->Document().IsModified());
        }
    }

    void modeButtonsFollowTheDragMode() {
        TZQLForm* form = OpenSample();
        TSubForm* sub = frame_->SubWindow();
        const QString hint = u"クリックで転送モードを切り替えます。\n現在["_s;
        QCOMPARE(sub->TransferButton().toolTip(), hint + u"D＆Dで複写]"_s);
        QCOMPARE(sub->PlaceButton().toolTip(), hint + u"D＆Dで追加]"_s);
        sub->TransferButton().click();
        QCOMPARE(form->DragMode() & 3u, 1u);
        QCOMPARE(sub->TransferButton().toolTip(), hint + u"D＆Dで移動]"_s);
        sub->PlaceButton().click();
        QCOMPARE(form->DragMode() & 3u, 3u);
        QVERIFY(form->Action(u"M_DragInsert"_s)->isChecked());
        QCOMPARE(sub->PlaceButton().toolTip(), hint + u"D＆Dで挿入]"_s);
        form->Action(u"M_DragCopy"_s)->trigger();
        QCOMPARE(sub->TransferButton().toolTip(), hint + u"D＆Dで複写]"_s);
    }

    // The sub window's own commands act on its group; a library window showing
    // the same group shows the new row count.
    void subWindowCommandsReachTheLibraryWindow() {
        TZQLForm* form = OpenSample();
        TSubForm* sub = frame_->SubWindow();
        sub->ChangeGroup(0);
        dialogs_->Expect(Kind::kInput, u"追加したい要素数を指定してください"_s, Answer::kOk,
                         u"２"_s);
        sub->Action(u"A_Add"_s)->trigger();
        QCOMPARE(sub->List().model()->rowCount(), 6);
        QCOMPARE(form->List().model()->rowCount(), 6);
        ForgetChanges(form->Document().Library());
    }

    void statusTexts() {
        OpenSample();
        TSubForm* sub = frame_->SubWindow();
        const struct {
            int row, column;
            const char* text;
        } cases[] = {{0, 0, ""},
                     {0, 1, "このグループ全体の処理画面を開きます"},
                     {0, 2, "クリックすると、ソート画面を開きます"},
                     {2, 0, "ここを掴んで、他領域へドラッグドロップできます"},
                     {2, 1, "ここを掴んでのドラッグで、順序入れ替え"},
                     {3, 2, "3 番目の要素です"},
                     {-1, -1, ""}};
        for (const auto& c : cases) {
            emit sub->List().cellHovered(2, 2);
            emit sub->List().cellHovered(c.row, c.column);
            QCOMPARE(sub->StatusText(), QString::fromUtf8(c.text));
        }
    }

    void closingMinimisesWhileALibraryWindowIsActive() {
        TZQLForm* form = OpenSample();
        QPointer<TSubForm> sub = frame_->SubWindow();
        QVERIFY(!sub->Holder()->close());
        QVERIFY(sub->Holder()->isMinimized());
        // The last library window closing takes the sub window with it.
        QVERIFY(form->parentWidget()->close());
        // The library window goes, then the sub window it closed while going.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!sub);
        QVERIFY(!frame_->SubWindow());
    }

    // Two libraries sharing one element data file: an edit through one shows in the other,
    // closing one keeps the file for the other, whose changes are then saved into it.
    void closingOneOfTwoLibrariesKeepsTheSharedFile() {
        TZQLForm* a = OpenSample();
        QVERIFY(QFile::copy(Path("books.ZQL"), Path("other.ZQL")));
        TZQLForm* b = frame_->OpenSelected(Path("other.ZQL"));
        QCOMPARE(a->Document().DataOf(0), b->Document().DataOf(0));
        // An element added through one window shows in the other's list at once.
        QSignalSpy spy(&b->Document(), &TLibraryDocument::rowsChanged);
        QVERIFY(a->Document().AddElements(0, 2) && !spy.isEmpty());
        QCOMPARE(b->List().model()->rowCount(), 6);
        ForgetChanges(a->Document().Library());
        QVERIFY(a->parentWidget()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame_->LibraryWindows().size(), 1);
        QCOMPARE(frame_->SubWindow()->Document(), &b->Document());
        QCOMPARE(b->Document().ElementCount(0), std::size_t(6));
        // A drop in the remaining library lands in the shared file.
        TSubForm* sub = frame_->SubWindow();
        sub->ChangeGroup(1);
        sub->List().SelectRows(0, 1, 0);
        QVERIFY(DropOnRow(*b, DragFrom(*sub, 0), 0));
        QCOMPARE(b->List().model()->rowCount(), 8);
        // Both libraries name one .ZQI, which a's close wrote.
        dialogs_->Expect(Kind::kYesNo, u"読み込んだ後にほかで変更されています"_s, Answer::kYes);
        QVERIFY(b->Document().Save());
        QCOMPARE(Count(Bytes(Path("data/books.ZQD")), u"ばいおりん入門"_s), 2);
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TSubFormTest)
#include "TSubFormTest.moc"
