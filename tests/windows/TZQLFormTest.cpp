// The library window driven through the frame, with scripted answers: element commands, row
// moves, the pending-change query, saving, closing, and how the list is painted.
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include "FrameFixture.h"
#include "SampleCopy.h"
#include "ScriptedDialogs.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "windows/TElementHeader.h"
#include "windows/TElementListModel.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TMainForm.h"
#include "windows/TParamSBox.h"
#include "windows/TZQLForm.h"

using tabrix::IDialogs;
using tabrix::TElement;
using tabrix::TMainForm;
using tabrix::TZQLForm;
using Kind = tabrix::test::ScriptedDialogs::Kind;

namespace {

QString CopySample(const QTemporaryDir& dir) {
    return tabrix::test::CopySample(dir.path());
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<TElement*> Elements(TZQLForm& form) {
    std::vector<TElement*> elements;
    const tabrix::TGroupData* data =
        form.Document().Library().Group(static_cast<std::size_t>(form.CurrentGroup()))->GroupData();
    for (std::size_t i = 0; i < data->Size(); ++i)
        elements.push_back(data->At(i));
    return elements;
}

}  // namespace

class TZQLFormTest : public QObject, tabrix::test::FrameFixture {
    Q_OBJECT

private slots:
    void init() { StartFrame(900, 600); }
    void cleanup() {
        const QStringList unexpected = CloseFrame();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('|')));
    }

    void untitledLibrariesAreNumbered() {
        TZQLForm* first = frame_->OpenSelected({});
        TZQLForm* second = frame_->OpenSelected({});
        QCOMPARE(first->Caption(), QStringLiteral("名称未設定 1"));
        QCOMPARE(second->Caption(), QStringLiteral("名称未設定 2"));
        dialogs_->Expect(Kind::kYesNoCancel,
                         QStringLiteral("ライブラリ「名称未設定 1」が変更されています"),
                         IDialogs::Answer::kNo);
        QVERIFY(first->parentWidget()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame_->OpenSelected({})->Caption(), QStringLiteral("名称未設定 3"));
    }

    void greatestUntitledNumber_data() {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<qulonglong>("greatest");
        QTest::newRow("none") << QStringList{} << qulonglong(0);
        QTest::newRow("one") << QStringList{"名称未設定 1"} << qulonglong(1);
        QTest::newRow("gap") << QStringList{"名称未設定 2", "名称未設定 7", "a.ZQL"}
                             << qulonglong(7);
        QTest::newRow("not a number counts 0") << QStringList{"名称未設定 x"} << qulonglong(0);
        QTest::newRow("other word") << QStringList{"無題 9"} << qulonglong(0);
    }
    void greatestUntitledNumber() {
        QFETCH(QStringList, captions);
        QFETCH(qulonglong, greatest);
        QCOMPARE(qulonglong(TZQLForm::GreatestUntitledNumber(captions)), greatest);
    }

    void countsAcceptFullWidthDigits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<long>("count");
        QTest::newRow("ascii") << "2" << 2L;
        QTest::newRow("full-width three") << "３" << 3L;
        QTest::newRow("full-width twelve") << "１２" << 12L;
        QTest::newRow("mixed") << "1０" << 10L;
        QTest::newRow("letters") << "abc" << 0L;
        QTest::newRow("trailing letters") << "3個" << 0L;
        QTest::newRow("negative") << "-2" << -2L;
        QTest::newRow("empty") << "" << 0L;
    }
    void countsAcceptFullWidthDigits() {
        QFETCH(QString, typed);
        QFETCH(long, count);
        QCOMPARE(TZQLForm::ParseCount(typed), count);
    }

    void addAndDeleteChangeTheRows_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("added");
        QTest::newRow("full-width three") << "３" << 3;
        QTest::newRow("letters add nothing") << "abc" << 0;
        QTest::newRow("below one is refused") << "-1" << 0;
    }
    void addAndDeleteChangeTheRows() {
        QFETCH(QString, typed);
        QFETCH(int, added);
        QTemporaryDir dir;
        TZQLForm* form = frame_->OpenSelected(CopySample(dir));
        QVERIFY(form);
        const int before = form->List().model()->rowCount();
        QCOMPARE(before, 4);
        dialogs_->Expect(Kind::kInput, QStringLiteral("追加したい要素数を指定してください"),
                         IDialogs::Answer::kOk, typed);
        form->Action(QStringLiteral("A_Add"))->trigger();
        QCOMPARE(form->List().model()->rowCount(), before + added);
        QCOMPARE(form->Document().IsModified(), added > 0);

        // Rows 2..3 selected: two are deleted.
        form->List().SelectRows(1, 2, 1);
        dialogs_->Expect(Kind::kOkCancel,
                         QStringLiteral("【選択している】2 個の項目を削除します。"));
        form->Action(QStringLiteral("A_Delete"))->trigger();
        QCOMPARE(form->List().model()->rowCount(), before + added - 2);
        // Cancel deletes nothing.
        dialogs_->Expect(Kind::kOkCancel, QStringLiteral("個の項目を削除します"),
                         IDialogs::Answer::kCancel);
        form->Action(QStringLiteral("A_Delete"))->trigger();
        QCOMPARE(form->List().model()->rowCount(), before + added - 2);
        // Keep the copy from asking at close.
        form->Document().Library().SetModified(false);
        for (const auto& group : form->Document().Library().Groups())
            if (group->GroupData()) group->GroupData()->Owner()->SetModified(false);
    }

    // Two libraries naming one element data file: an element added through one window shows
    // in the other's list at once.
    void sharedElementDataReachesEveryLibrary() {
        QTemporaryDir dir;
        const QString first = CopySample(dir);
        const QString second = dir.filePath(QStringLiteral("other.ZQL"));
        QVERIFY(QFile::copy(first, second));
        TZQLForm* a = frame_->OpenSelected(first);
        TZQLForm* b = frame_->OpenSelected(second);
        QVERIFY(a && b);
        QCOMPARE(b->List().model()->rowCount(), 4);
        QSignalSpy spy(&b->Document(), &tabrix::TLibraryDocument::rowsChanged);
        QVERIFY(a->Document().AddElements(0, 2));
        QVERIFY(!spy.isEmpty());
        QCOMPARE(b->List().model()->rowCount(), 6);
        for (TZQLForm* form : {a, b}) {
            form->Document().Library().SetModified(false);
            for (const auto& group : form->Document().Library().Groups())
                if (group->GroupData()) group->GroupData()->Owner()->SetModified(false);
        }
    }

    void deletingEveryElementLeavesTheEmptyRow() {
        TZQLForm* form = frame_->OpenSelected({});
        dialogs_->Expect(Kind::kInput, QStringLiteral("追加数の入力"), IDialogs::Answer::kOk, "2");
        form->AddElements();
        form->List().SelectRows(0, 1, 0);
        dialogs_->Expect(Kind::kOkCancel, QStringLiteral("2 個の項目"));
        form->DeleteElements();
        QCOMPARE(form->List().model()->rowCount(), 1);
        QCOMPARE(form->List().model()->index(0, 0).data().toString(),
                 QStringLiteral("＜要素無し＞"));
        QCOMPARE(form->CurrentElement(), nullptr);
        form->Document().Library().Group(0)->GroupData()->Owner()->SetModified(false);
    }

    void rowMoves_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("order");  // the elements 0..5 afterwards
        QTest::addColumn<int>("selectionTop");
        QTest::addColumn<int>("selectionBottom");
        // Rows 1..2 (elements b, c) are selected before every drag.
        QTest::newRow("single row outside the selection") << 4 << 0 << "eabcdf" << 0 << 0;
        QTest::newRow("block down") << 1 << 4 << "adebcf" << 3 << 4;
        QTest::newRow("block up") << 2 << 0 << "bcadef" << 0 << 1;
        QTest::newRow("onto the selection: nothing") << 1 << 2 << "abcdef" << 1 << 2;
    }
    void rowMoves() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, order);
        QFETCH(int, selectionTop);
        QFETCH(int, selectionBottom);
        TZQLForm* form = frame_->OpenSelected({});
        dialogs_->Expect(Kind::kInput, QStringLiteral("追加数の入力"), IDialogs::Answer::kOk, "6");
        form->AddElements();
        const std::vector<TElement*> before = Elements(*form);
        form->List().SelectRows(1, 2, 1);
        int top = 0, bottom = 0;
        QVERIFY(form->List().SelectedRange(top, bottom));
        form->MoveRows(from, to, top, bottom);
        const std::vector<TElement*> after = Elements(*form);
        QString got;
        for (TElement* e : after)
            got += QChar(static_cast<char16_t>(
                u'a' + (std::find(before.begin(), before.end(), e) - before.begin())));
        QCOMPARE(got, order);
        QVERIFY(form->List().SelectedRange(top, bottom));
        QCOMPARE(top, selectionTop);
        QCOMPARE(bottom, selectionBottom);
        form->Document().Library().Group(0)->GroupData()->Owner()->SetModified(false);
    }

    void cancelledPendingChangeKeepsGroupAndSelection() {
        QTemporaryDir dir;
        TZQLForm* form = frame_->OpenSelected(CopySample(dir));
        form->List().SelectRows(2, 2, 2);
        TElement* current = form->CurrentElement();
        QVERIFY(current);
        emit form->Panel().edited();
        dialogs_->Expect(Kind::kYesNoCancel,
                         QStringLiteral("変更が加えられています。適用しますか？"),
                         IDialogs::Answer::kCancel);
        form->Tabs().setCurrentIndex(1);
        QCOMPARE(form->CurrentGroup(), 0);
        QCOMPARE(form->Tabs().currentIndex(), 0);
        QCOMPARE(form->GroupCombo().currentIndex(), 0);
        QCOMPARE(form->List().CurrentRow(), 2);
        QCOMPARE(form->CurrentElement(), current);
        // A click on another row is refused the same way.
        dialogs_->Expect(Kind::kYesNoCancel, QStringLiteral("適用しますか"),
                         IDialogs::Answer::kCancel);
        const QRect row0 = form->List().visualRect(form->List().model()->index(0, 0));
        QTest::mouseClick(form->List().viewport(), Qt::LeftButton, {}, row0.center());
        QCOMPARE(form->List().CurrentRow(), 2);
        // "No" drops the edit and the group changes; the tabs and the combo box follow.
        dialogs_->Expect(Kind::kYesNoCancel, QStringLiteral("適用しますか"), IDialogs::Answer::kNo);
        form->GroupCombo().setCurrentIndex(1);
        emit form->GroupCombo().activated(1);
        QCOMPARE(form->CurrentGroup(), 1);
        QCOMPARE(form->Tabs().currentIndex(), 1);
        QCOMPARE(form->List().CurrentRow(), 0);
    }

    void savingANewLibraryAsksForEachPathOnce() {
        QTemporaryDir dir;
        TZQLForm* form = frame_->OpenSelected({});
        dialogs_->Expect(Kind::kInput, QStringLiteral("追加数の入力"), IDialogs::Answer::kOk, "2");
        form->AddElements();
        dialogs_->Expect(Kind::kSave, QStringLiteral("グループ 「グループ 1」が属するZQDの保存先"),
                         IDialogs::Answer::kOk, dir.filePath("data.ZQD"));
        dialogs_->Expect(Kind::kSave, QStringLiteral("このZQLファイルの保存先を指定してください"),
                         IDialogs::Answer::kOk, dir.filePath("new.ZQL"));
        dialogs_->Expect(Kind::kYesNo,
                         QStringLiteral("ZQP/ZQIファイルも、ZQLファイルと同名で保存しますか？"),
                         IDialogs::Answer::kYes);
        form->Action(QStringLiteral("A_Save"))->trigger();
        QVERIFY(dialogs_->Done());
        for (const char* name : {"data.ZQD", "new.ZQL", "new.ZQP", "new.ZQI"})
            QVERIFY2(QFileInfo(dir.filePath(name)).size() > 0, name);
        QVERIFY(Bytes(dir.filePath("new.ZQI")).contains("[ZQLForm]"));
        QCOMPARE(form->Caption(), dir.filePath("new.ZQL"));
        QVERIFY(!form->Document().IsModified());
    }

    void closingWithNoWritesOnlyTheLayout() {
        QTemporaryDir dir;
        const QString zql = CopySample(dir);
        TZQLForm* form = frame_->OpenSelected(zql);
        const QByteArray library = Bytes(zql);
        const QByteArray info = Bytes(dir.filePath("books.ZQI"));
        const QByteArray data = Bytes(dir.filePath("data/books.ZQD"));
        QVERIFY(!data.isEmpty());
        dialogs_->Expect(Kind::kInput, QStringLiteral("追加数の入力"), IDialogs::Answer::kOk, "1");
        form->AddElements();
        dialogs_->Expect(Kind::kYesNoCancel,
                         QStringLiteral("」が変更されています。保存して閉じますか？"),
                         IDialogs::Answer::kCancel);
        QVERIFY(!form->parentWidget()->close());
        dialogs_->Expect(Kind::kYesNoCancel, QStringLiteral("ライブラリ「") + zql,
                         IDialogs::Answer::kNo);
        QVERIFY(form->parentWidget()->close());
        QCOMPARE(Bytes(zql), library);
        QCOMPARE(Bytes(dir.filePath("data/books.ZQD")), data);
        const QByteArray written = Bytes(dir.filePath("books.ZQI"));
        QVERIFY(written != info);
        QVERIFY(written.contains("[ZQLForm]"));
        QVERIFY(written.contains("[Panel_BR]"));
    }

    void documentNotifiesEveryChange() {
        TZQLForm* form = frame_->OpenSelected({});
        tabrix::TLibraryDocument& document = form->Document();
        QSignalSpy rows(&document, &tabrix::TLibraryDocument::rowsChanged);
        QSignalSpy modified(&document, &tabrix::TLibraryDocument::modifiedChanged);
        QVERIFY(document.AddElements(0, 3));
        QCOMPARE(rows.count(), 1);
        QCOMPARE(rows.takeFirst().at(0).toInt(), 0);
        QCOMPARE(modified.count(), 1);
        QVERIFY(document.MoveElements(0, 0, 2, 0));
        QVERIFY(document.DeleteElements(0, 0, 2));
        QCOMPARE(rows.count(), 2);
        QCOMPARE(document.ElementCount(0), std::size_t(1));
        // An edit of a group that does not exist changes and tells nothing.
        QVERIFY(!document.AddElements(5, 1));
        QVERIFY(!document.DeleteElements(0, 3, 4));
        QCOMPARE(rows.count(), 2);
        // Every model of the library follows.
        QCOMPARE(form->List().model()->rowCount(), 1);
        document.Library().Group(0)->GroupData()->Owner()->SetModified(false);
    }

    void listIsPaintedInItsColours() {
        QTemporaryDir dir;
        TZQLForm* form = frame_->OpenSelected(CopySample(dir));
        form->parentWidget()->showMaximized();
        QCoreApplication::processEvents();
        tabrix::TElementListView& list = form->List();
        const QImage image = list.grab().toImage();
        const int handleX = list.verticalHeader()->width() / 2;
        const int headerY = list.horizontalHeader()->height() / 2;
        const int rowY = headerY * 2 + list.rowHeight(0) / 2 + 3;
        auto rgb = [&](int x, int y) {
            return image.pixelColor(x + list.frameWidth(), y + list.frameWidth()).rgb() & 0xFFFFFF;
        };
        QCOMPARE(rgb(3, headerY), tabrix::TElementHeader::kCornerColour);
        QCOMPARE(rgb(handleX + 40, headerY - 5), tabrix::TElementHeader::kHeaderColour);
        QCOMPARE(rgb(2, rowY), tabrix::TElementHeader::kHandleColour);
        QCOMPARE(rgb(list.verticalHeader()->width() + list.viewport()->width() - 30, rowY),
                 0xFFFFFFu);
        QCOMPARE(list.rowHeight(0), 24);
        QCOMPARE(list.horizontalHeader()->height(), 24);
    }

    void hoverStatusTexts() {
        QTemporaryDir dir;
        TZQLForm* form = frame_->OpenSelected(CopySample(dir));
        emit form->List().cellHovered(3, 1);
        QCOMPARE(form->StatusText(), QStringLiteral("3 番目の要素です"));
        emit form->List().cellHovered(2, 0);
        QCOMPARE(form->StatusText(), QStringLiteral("ここを掴んでのドラッグで、順序入れ替え"));
        emit form->List().cellHovered(0, 1);
        QCOMPARE(form->StatusText(), QStringLiteral("クリックすると、ソート画面を開きます"));
        emit form->List().cellHovered(-1, -1);
        QCOMPARE(form->StatusText(), QString());
    }
};

QTEST_MAIN(TZQLFormTest)
#include "TZQLFormTest.moc"
