// The sub window and drag and drop: drops of elements dragged from the sub window's list into a
// library window's list (copy and move, add and insert, the header row, other groups and other
// libraries, the block rule), the sub window's own commands, status texts and closing. Drags are
// synthetic events sent to the list, carrying what the sub window's list puts into a real drag.
#include <QHeaderView>
#include <QMimeData>
#include <QSignalSpy>
#include <QToolButton>

#include <QMdiSubWindow>
#include "FrameFixture.h"
#include "model/TZQICtrl.h"
#include "windows/TElementDrag.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"
#include "windows/TWindowPlacement.h"

namespace tabrix {

using namespace test;

namespace {

// The letters of a group's elements in order, named by their titles: the elements of 書籍 are
// a b c d, of 新刊 x y.
QString Order(TZQLForm& form, int group) {
    static const QStringList titles = {"ソフトウェア入門", "表の作り方",     "ねこの随筆",
                                       "Ｃ＋＋の海",       "ばいおりん入門", "ﾊﾟｿｺﾝ読本"};
    QString order;
    for (const auto& e : form.Document().DataOf(static_cast<std::size_t>(group))->Elements())
        order += u"?abcdxy"_s[titles.indexOf(Title(e.get())) + 1];
    return order;
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

// Drops drag on row of form's list (-1: the header row).
bool DropOnRow(TZQLForm& form, const TElementDrag& drag, int row) {
    const std::unique_ptr<QMimeData> mime(drag.ToMime());
    TElementListView& list = form.List();
    QWidget* target = row < 0 ? list.horizontalHeader() : list.viewport();
    const QRect rect = row < 0 ? target->rect() : list.visualRect(list.model()->index(row, 0));
    return SendDrag(target, rect.center(), mime.get()) != Qt::IgnoreAction;
}

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
    // Placements stored far out of the frame come back inside it; a maximised window stores its
    // normal bounds; the sub window following a window on the left stays inside the area.
    void placementsStayInsideTheFrame() {
        TZQLForm* form = OpenSample();
        TMapInitialize& store = form->Document().Library().InitializeInfo()->Store();
        TLibraryWindowState state;
        state.bounds = {-500, 30000, 20000, 20000};
        state.followMode = kFollowLeft;
        TWindowState::StoreLibrary(store, state);
        form->ApplyLayout();
        QWidget* holder = form->parentWidget();
        const QRect area(QPoint(0, 0), holder->parentWidget()->size());
        QVERIFY(area.contains(holder->geometry()));
        holder->setGeometry(20, 30, 400, 300);
        static_cast<QMdiSubWindow*>(holder)->showMaximized();
        TSubForm* sub = frame_->SubWindow();
        QVERIFY(area.contains(sub->parentWidget()->geometry()));
        form->StoreLayout();
        const TLibraryWindowState stored = TWindowState::ApplyLibrary(store);
        QCOMPARE(stored.windowState, std::uint32_t(kWindowMaximised));
        QCOMPARE(stored.bounds, (TWindowBounds{20, 30, 400, 300}));
        // Clamping keeps what fits and moves what does not.
        const std::pair<QRect, QRect> cases[] = {{{10, 10, 50, 50}, {10, 10, 50, 50}},
                                                 {{-40, 0, 40, 30}, {0, 0, 40, 30}},
                                                 {{90, 90, 50, 50}, {50, 50, 50, 50}},
                                                 {{0, 0, 9999, 9999}, {0, 0, 100, 100}}};
        for (const auto& [bounds, clamped] : cases)
            QCOMPARE(ClampedInto(bounds, QRect(0, 0, 100, 100)), clamped);
    }

    void drops() {
        const unsigned copy = 0, move = 1, insert = 2;
        // A name, the drag mode (bit 0 move, bit 1 insert), the sub window's group and selection,
        // the row where the drag began, the drop row (-1: the header row), the groups' orders
        // after.
        const std::tuple<const char*, unsigned, int, int, int, int, int, QString, QString> all[] = {
            {"copy, add", copy, 1, 0, 1, 0, 2, "abcdxy", "xy"},
            {"copy, insert on the first row", copy | insert, 1, 0, 1, 1, 0, "xyabcd", "xy"},
            {"move, insert", move | insert, 1, 0, 1, 0, 2, "abxycd", ""},
            {"move, header row appends", move | insert, 1, 0, 1, 0, -1, "abcdxy", ""},
            {"start outside the block drops that row alone", copy | insert, 1, 0, 0, 1, 0, "yabcd",
             "xy"},
            {"same group, move down before d", move | insert, 0, 0, 1, 1, 3, "cabd", "cabd"},
            {"same group, move up before a", move | insert, 0, 2, 3, 2, 0, "cdab", "cdab"},
            {"same group, move onto the block", move | insert, 0, 1, 2, 1, 2, "abcd", "abcd"},
            {"same group, move, add", move, 0, 0, 0, 0, 2, "bcda", "bcda"},
            {"same group, copy, insert", copy | insert, 0, 2, 3, 3, 0, "cdabcd", "cdabcd"},
        };
        for (const auto& [name, mode, source, top, bottom, start, row, targetOrder, sourceOrder] :
             all) {
            Restart();
            TZQLForm* form = OpenSample();
            TSubForm* sub = frame_->SubWindow();
            form->ChangeGroup(0);
            form->SetDragMode(mode);
            sub->ChangeGroup(source);
            sub->List().SelectRows(top, bottom, top);
            QVERIFY2(DropOnRow(*form, DragFrom(*sub, start), row), name);
            QCOMPARE(Order(*form, 0), targetOrder);
            QCOMPARE(Order(*form, source), sourceOrder);
            // Both lists show their groups' new row counts (an empty group keeps its
            // one row).
            QCOMPARE(form->List().model()->rowCount(), static_cast<int>(targetOrder.size()));
            QCOMPARE(sub->List().model()->rowCount(), std::max<int>(sourceOrder.size(), 1));
            // Every element, moved or copied, is held once, by the group data it belongs to.
            std::set<const TElement*> held;
            for (const auto& group : form->Document().Library().Groups())
                for (const auto& element : group->GroupData()->Elements())
                    QVERIFY(element->Owner() == group->GroupData() &&
                            held.insert(element.get()).second);
            QVERIFY(form->Document().IsModified());
            QVERIFY(!form->Document().Library().Group(0)->Has(TGroupSetting::kOutputDone));
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
            QCOMPARE(SendDrag(form->List().viewport(), centre, mime ? mime.get() : &text) !=
                         Qt::IgnoreAction,
                     what == "group");
            QCOMPARE(form->Document().ElementCount(0), std::size_t(4));
            QVERIFY(!form->Document().IsModified());
        }
    }

    // The mode buttons follow and set the drag mode; the texts of the cells under the mouse in
    // the sub window (first) and in the library window's list; closing the sub window
    // minimises it while a library window is open.
    void buttonsStatusTextsAndClosing() {
        TZQLForm* form = OpenSample();
        QPointer<TSubForm> sub = frame_->SubWindow();
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
        // In the sub window or the library window's list, the cell hovered, the text shown.
        const std::tuple<bool, int, int, const char*> cases[] = {
            {true, 0, 0, ""},
            {true, 0, 1, "このグループ全体の処理画面を開きます"},
            {true, 0, 2, "クリックすると、ソート画面を開きます"},
            {true, 2, 0, "ここを掴んで、他領域へドラッグドロップできます"},
            {true, 2, 1, "ここを掴んでのドラッグで、順序入れ替え"},
            {true, 3, 2, "3 番目の要素です"},
            {true, -1, -1, ""},
            {false, 3, 1, "3 番目の要素です"},
            {false, 2, 0, "ここを掴んでのドラッグで、順序入れ替え"},
            {false, 0, 1, "クリックすると、ソート画面を開きます"},
            {false, -1, -1, ""}};
        for (const auto& [inSub, row, column, text] : cases) {
            if (inSub) emit sub->List().cellHovered(2, 2);
            emit(inSub ? sub->List().cellHovered(row, column)
                       : form->List().cellHovered(row, column));
            QCOMPARE(inSub ? sub->StatusText() : form->StatusText(), QString::fromUtf8(text));
        }
        QVERIFY(!sub->Holder()->close() && sub->Holder()->isMinimized());
        // The last library window closing takes the sub window with it.
        QVERIFY(form->parentWidget()->close());
        // The library window goes, then the sub window it closed while going.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!sub && !frame_->SubWindow());
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
