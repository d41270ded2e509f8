// The library window driven through the frame, with scripted answers: element commands, row
// moves, the pending-change query, saving, closing, and the frame's own settings file.
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QTabBar>

#include "FrameFixture.h"
#include "windows/TElementCommands.h"
#include "windows/TFrameSettings.h"

namespace tabrix {

using namespace test;

class TZQLFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() { StartFrame(900, 600); }
    void cleanup() { CloseFrame(); }

    // Untitled libraries are numbered on from the greatest number open.
    void untitledLibrariesAreNumberedAndCountsRead() {
        TZQLForm* first = frame_->OpenSelected({});
        TZQLForm* second = frame_->OpenSelected({});
        QCOMPARE(first->Caption(), u"名称未設定 1"_s);
        QCOMPARE(second->Caption(), u"名称未設定 2"_s);
        dialogs_->Expect(Kind::kYesNoCancel, u"ライブラリ「名称未設定 1」が変更されています"_s,
                         Answer::kNo);
        QVERIFY(first->parentWidget()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame_->OpenSelected({})->Caption(), u"名称未設定 3"_s);
        const std::tuple<QStringList, unsigned long> cases[] = {
            {QStringList(), 0},
            {{"名称未設定 2", "名称未設定 7", "a.ZQL"}, 7},
            {{"名称未設定 x"}, 0},
            {{"無題 9"}, 0}};
        for (const auto& [captions, greatest] : cases)
            QCOMPARE(TZQLForm::GreatestUntitledNumber(captions), greatest);
        // Counts typed into the questions accept full-width digits.
        const std::tuple<const char*, long> counts[] = {{"2", 2},    {"３", 3},  {"１２", 12},
                                                        {"1０", 10}, {"abc", 0}, {"3個", 0},
                                                        {"-2", -2},  {"", 0}};
        for (const auto& [typed, count] : counts)
            QCOMPARE(TElementCommands::ParseCount(QString::fromUtf8(typed)), count);
    }

    // Rows 1..2 (elements b, c) of a new library are selected before every drag of six elements
    // a..f; then all are deleted, which leaves the empty row, and the library is saved.
    void rowMovesAndDeletion() {
        TZQLForm* form = frame_->OpenSelected({});
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, "6");
        form->Action(u"A_Add"_s)->trigger();
        const TGroupData& data = *form->Document().DataOf(0);
        // The drag from and to a row, the order and the selected rows afterwards.
        const std::tuple<int, int, const char*, int, int> cases[] = {
            {4, 0, "eabcdf", 0, 0},  // a single row outside the selection
            {1, 4, "adebcf", 3, 4},
            {2, 0, "bcadef", 0, 1},
            {1, 2, "abcdef", 1, 2}};  // onto the selection: nothing
        for (const auto& [from, to, order, newTop, newBottom] : cases) {
            const std::vector<TElement*> before = Elements(data);
            form->List().SelectRows(1, 2, 1);
            int top = 0, bottom = 0;
            QVERIFY(form->List().SelectedRange(top, bottom));
            form->MoveRows(from, to, top, bottom);
            QString got;
            for (TElement* e : Elements(data))
                got += QChar(static_cast<char16_t>(
                    u'a' + (std::find(before.begin(), before.end(), e) - before.begin())));
            QCOMPARE(got, QString::fromLatin1(order));
            QVERIFY(form->List().SelectedRange(top, bottom));
            QCOMPARE(std::pair(top, bottom), std::pair(newTop, newBottom));
        }
        form->List().SelectRows(0, 5, 0);
        dialogs_->Expect(Kind::kOkCancel, u"6 個の項目"_s);
        form->Action(u"A_Delete"_s)->trigger();
        QCOMPARE(form->List().model()->rowCount(), 1);
        QCOMPARE(form->List().model()->index(0, 0).data().toString(), u"＜要素無し＞"_s);
        QCOMPARE(form->CurrentElement(), nullptr);
        // An edit of a group or rows that do not exist changes nothing.
        QVERIFY(!form->Document().AddElements(5, 1) && !form->Document().DeleteElements(0, 3, 4));
        // Saved, the new library asks for each path once.
        dialogs_->Expect(Kind::kSave, u"グループ 「グループ 1」が属するZQDの保存先"_s, Answer::kOk,
                         Path("data.ZQD"));
        dialogs_->Expect(Kind::kSave, u"このZQLファイルの保存先を指定してください"_s, Answer::kOk,
                         Path("new.ZQL"));
        dialogs_->Expect(Kind::kYesNo, u"ZQP/ZQIファイルも、ZQLファイルと同名で保存しますか？"_s,
                         Answer::kYes);
        form->Action(u"A_Save"_s)->trigger();
        for (const char* name : {"data.ZQD", "new.ZQL", "new.ZQP", "new.ZQI"})
            QVERIFY2(QFileInfo(Path(name)).size() > 0, name);
        QCOMPARE(form->Caption(), Path("new.ZQL"));
        QVERIFY(!form->Document().IsModified());
    }

    // A close whose save is cancelled keeps the window and says so, for the window's own close
    // and for 終了 alike.
    void aCloseThatDoesNotSaveSaysSo() {
        for (const bool quit : {false, true}) {
            TZQLForm* form = frame_->OpenSelected({});
            dialogs_->Expect(Kind::kYesNoCancel, u"が変更されています"_s, Answer::kYes);
            dialogs_->Expect(Kind::kSave, u"ZQDの保存先"_s, Answer::kCancel);
            dialogs_->Expect(Kind::kSave, u"このZQLファイルの保存先"_s, Answer::kCancel);
            dialogs_->Expect(Kind::kSave, u"ZQPファイルの保存先"_s, Answer::kCancel);
            dialogs_->Expect(Kind::kSave, u"ZQIファイルの保存先"_s, Answer::kCancel);
            dialogs_->Expect(Kind::kMessage, u"保存されなかったため、閉じずに開いたままにします"_s);
            QVERIFY(!(quit ? frame_->close() : form->parentWidget()->close()));
            QVERIFY(frame_->LibraryWindows().contains(form));
            ForgetChanges(form->Document().Library());
        }
    }

    // A pending change: Cancel keeps the group and the selection, No drops the edit. Then a
    // close answered No writes nothing but the layout.
    void pendingChangesAndClosing() {
        TZQLForm* form = OpenSample();
        const QString zql = Path("books.ZQL");
        const QByteArray library = Bytes(zql), info = Bytes(Path("books.ZQI"));
        const QByteArray data = Bytes(Path("data/books.ZQD"));
        form->List().SelectRows(2, 2, 2);
        TElement* current = form->CurrentElement();
        QVERIFY(current);
        test::TypeText(form->Panel().Control(0), u"X"_s);
        dialogs_->Expect(Kind::kYesNoCancel, u"変更が加えられています。適用しますか？"_s,
                         Answer::kCancel);
        form->Tabs().setCurrentIndex(1);
        QCOMPARE(form->CurrentGroup(), 0);
        QCOMPARE(form->Tabs().currentIndex(), 0);
        QCOMPARE(form->GroupCombo().currentIndex(), 0);
        QCOMPARE(form->CurrentElement(), current);
        // A click on another row is refused the same way.
        dialogs_->Expect(Kind::kYesNoCancel, u"適用しますか"_s, Answer::kCancel);
        const QRect row0 = form->List().visualRect(form->List().model()->index(0, 0));
        QTest::mouseClick(form->List().viewport(), Qt::LeftButton, {}, row0.center());
        QCOMPARE(form->List().CurrentRow(), 2);
        // "No" drops the edit and the group changes; the tabs follow.
        dialogs_->Expect(Kind::kYesNoCancel, u"適用しますか"_s, Answer::kNo);
        form->GroupCombo().setCurrentIndex(1);
        emit form->GroupCombo().activated(1);
        QCOMPARE(form->CurrentGroup(), 1);
        QCOMPARE(form->Tabs().currentIndex(), 1);
        QCOMPARE(form->List().CurrentRow(), 0);
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, "1");
        form->Action(u"A_Add"_s)->trigger();
        dialogs_->Expect(Kind::kYesNoCancel, u"」が変更されています。保存して閉じますか？"_s,
                         Answer::kCancel);
        QVERIFY(!form->parentWidget()->close());
        dialogs_->Expect(Kind::kYesNoCancel, u"ライブラリ「"_s + zql, Answer::kNo);
        QVERIFY(form->parentWidget()->close());
        QCOMPARE(Bytes(zql), library);
        QCOMPARE(Bytes(Path("data/books.ZQD")), data);
        const QByteArray written = Bytes(Path("books.ZQI"));
        QVERIFY(written != info);
        QVERIFY(written.contains("[ZQLForm]") && written.contains("[Panel_BR]"));
    }

    // A value applied from the panel is saved even where no list item runs on the change (the
    // sample's sort would mark the file itself): the element data written holds it.
    void aValueAppliedFromThePanelIsSaved() {
        TZQLForm* form = OpenSample();
        form->Document().Library().BatchList(kBatchChange).clear();
        form->List().SelectRows(2, 2, 2);  // a name without an escaped byte
        test::TypeText(form->Panel().Control(0), u"X"_s);
        form->Action(u"A_Apply"_s)->trigger();
        const std::string name(form->CurrentElement()->Texts(0)[0]);
        QVERIFY(name.find('X') != std::string::npos);
        form->Action(u"A_Save"_s)->trigger();
        QVERIFY(Bytes(Path("data/books.ZQD")).toStdString().find(name) != std::string::npos);
        QVERIFY(!form->Document().IsModified());
    }

    // Libraries opened (command line, recent menu, drop) or saved under a new path go to the
    // history, which the recent menu lists numbered; the caption follows the active library;
    // a path that is gone or a file that is no library opens nothing and says why.
    void recentLibrariesDropsAndRefusedPaths() {
        const QString books = CopySample(dir_->path());
        QVERIFY(frame_->OpenLibrary(books));
        QCOMPARE(frame_->RecentLibraries(), QStringList{books});
        TZQLForm* untitled = frame_->OpenSelected({});
        QCOMPARE(frame_->windowTitle(), u"Tabrix - 名称未設定 1 [*]"_s);
        const QString saved = Path(u"new.ZQL"_s);
        dialogs_->Expect(Kind::kSave, u"が属するZQDの保存先"_s, Answer::kOk, Path(u"new.ZQD"_s));
        dialogs_->Expect(Kind::kSave, u"このZQLファイルの保存先"_s, Answer::kOk, saved);
        dialogs_->Expect(Kind::kYesNo, u"ZQP/ZQIファイルも"_s, Answer::kYes);
        untitled->Save();
        QCOMPARE(frame_->RecentLibraries(), (QStringList{saved, books}));
        QCOMPARE(frame_->windowTitle(), u"Tabrix - new.ZQL [*]"_s);
        const QList<QAction*> entries = frame_->RecentMenu()->actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[1]->text(), u"&2 "_s + books);
        entries[1]->trigger();
        QCOMPARE(frame_->RecentLibraries().first(), books);
        QCOMPARE(frame_->LibraryWindows().size(), 3);

        QFile::copy(books, Path(u"dropped.zql"_s));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Path(u"notes.txt"_s))});
        QCOMPARE(SendDrag(frame_->Area().viewport(), {20, 20}, &mime), Qt::IgnoreAction);
        mime.setUrls({QUrl::fromLocalFile(Path(u"notes.txt"_s)),
                      QUrl::fromLocalFile(Path(u"dropped.zql"_s))});
        // Onto a library window's list, which takes only elements: the frame opens the file.
        QVERIFY(SendDrag(untitled->List().viewport(), {20, 20}, &mime) != Qt::IgnoreAction);
        QCOMPARE(frame_->LibraryWindows().size(), 4);
        QCOMPARE(frame_->RecentLibraries().first(), Path(u"dropped.zql"_s));

        QFile header(Path(u"other.ZQL"_s));
        QVERIFY(header.open(QIODevice::WriteOnly));
        header.write("Parameter-Info for Tabrix ver 2.0\r\n[init]\r\n");
        header.close();
        const std::tuple<QString, bool, QString> refused[] = {
            {Path(u"gone.ZQL"_s), true, u"ライブラリ「%1」が見つかりません"_s},
            {Path(u"gone/x.ZQL"_s), false, u"ライブラリ「%1」が見つかりません"_s},
            {Path(u"other.ZQL"_s), true,
             u"先頭行：「Parameter-Info for Tabrix ver 2.0」\nライブラリファイルの先頭行：「Library-File for Tabrix"_s},
        };
        for (const auto& [path, named, message] : refused) {
            dialogs_->Expect(Kind::kMessage,
                             message.contains(u"%1"_s) ? message.arg(path) : message);
            QVERIFY(!(named ? frame_->OpenLibrary(path) : frame_->OpenSelected(path)));
        }
        QCOMPARE(frame_->LibraryWindows().size(), 4);
    }

    // Tabrix.ini: the frame writes its layout on close and reads it back.
    void frameSettingsAreWrittenOnClose() {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        {
            TMainForm frame(dialogs, dir.path());
            QVERIFY(!frame.AlwaysOnTop());
            frame.ToggleAlwaysOnTop();
            QVERIFY(frame.AlwaysOnTop());
            frame.show();
            frame.setGeometry(30, 40, 640, 480);
            QVERIFY(frame.close());
        }
        TFrameSettings settings(dir.path());
        settings.Load(QSize(1024, 768));
        QCOMPARE(settings.Bounds().size(), QSize(640, 480));
        QVERIFY(settings.AlwaysOnTop());
        QVERIFY(Bytes(dir.filePath("Tabrix.ini")).startsWith("[MainForm]\r\n"));
        TMainForm again(dialogs, dir.path());
        QVERIFY(again.AlwaysOnTop() && dialogs.Unexpected().isEmpty());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TZQLFormTest)
#include "TZQLFormTest.moc"
