// The batch change-apply window on a copy of the sample library, through the frame: one window
// per library window, its layout, and its button writing the checked parameters and the output
// flag into the selected block, checked in the model and in the saved element data file.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include "FrameFixture.h"
#include "TypeText.h"
#include "platform/FontSubstitutes.h"
#include "windows/TMultiApplyForm.h"

namespace tabrix {

using namespace test;

namespace {

// The sample's parameters used here.
constexpr int kTitle = 0;      // 書名, string
constexpr int kPublisher = 2;  // 出版社, element reference
constexpr int kRelated = 3;    // 関連書, element reference array

// The element lines of the first group data of an element data file.
QList<QByteArray> FirstDataLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QList<QByteArray> lines = file.readAll().split('\n');
    QList<QByteArray> data;
    bool inData = false;
    for (QByteArray line : lines) {
        if (line.endsWith('\r')) line.chop(1);
        if (line == "[/data]" && inData) break;
        if (inData) data << line;
        if (line == "[data]") inData = true;
    }
    return data;
}

std::vector<TElement*> Elements(const TGroupData& data) {
    std::vector<TElement*> elements;
    for (std::size_t i = 0; i < data.Size(); ++i)
        elements.push_back(data.At(i));
    return elements;
}

void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

}  // namespace

class TMultiApplyFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void initTestCase() { FontSubstitutes::Install(); }
    void init() { StartFrame(900, 600); }
    void cleanup() { CloseFrame(); }

    void oneWindowPerLibraryWindowClosedWithIt() {
        TZQLForm* first = OpenSample();
        TZQLForm* second = frame_->OpenSelected({});
        QVERIFY(first && second);
        QAction* entry = first->Action(QStringLiteral("A_MultiApply"));
        QVERIFY(entry->isEnabled());
        QVERIFY(first->Menus().value(4)->actions().contains(entry));

        entry->trigger();
        QPointer<TMultiApplyForm> window = first->MultiApplyWindow();
        QVERIFY(window);
        frame_->Area().setActiveSubWindow(frame_->Area().subWindowList().first());
        entry->trigger();
        QCOMPARE(first->MultiApplyWindow(), window.data());
        QCOMPARE(frame_->findChildren<TMultiApplyForm*>().size(), 1);
        QCOMPARE(frame_->Area().activeSubWindow(), window->Holder());
        // Two library windows, the sub window and one batch change-apply window.
        QCOMPARE(frame_->Area().subWindowList().size(), frame_->SubWindow() ? 4 : 3);

        second->OpenMultiApply();
        QPointer<TMultiApplyForm> other = second->MultiApplyWindow();
        QVERIFY(other && other != window);

        // Closing a library window closes its own batch change-apply window only.
        QVERIFY(first->parentWidget()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        QVERIFY(!other.isNull());
        // Closed by the user, it is forgotten; the entry makes a new one.
        QVERIFY(other->Holder()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(other.isNull());
        QCOMPARE(second->MultiApplyWindow(), nullptr);
        second->OpenMultiApply();
        QVERIFY(second->MultiApplyWindow());
        ForgetChanges(second->Document().Library());
    }

    void layoutPutsAUseBoxBeforeEveryParameter() {
        TZQLForm* form = OpenSample();
        form->OpenMultiApply();
        TMultiApplyForm* window = form->MultiApplyWindow();
        QWidget* holder = window->Holder();
        const QSize room = frame_->Area().viewport()->size();
        QVERIFY(qAbs(holder->geometry().center().x() - room.width() / 2) <= 1);
        QVERIFY(qAbs(holder->geometry().center().y() - room.height() / 2) <= 1);
        QVERIFY(window->ApplyButton().width() > window->width() - 20);
        QVERIFY(!window->OutputUseBox().isChecked());
        QVERIFY(window->OutputBox().isChecked());
        QVERIFY(window->OutputUseBox().geometry().right() < window->OutputBox().x());
        TParamSBox& panel = window->Panel();
        int parameters = 0;
        for (; panel.Control(parameters); ++parameters) {
            QCheckBox* use = window->UseBox(parameters);
            QVERIFY(use && !use->isChecked());
            QCOMPARE(use->y(), panel.Control(parameters)->y());
            QCOMPARE(panel.Label(parameters)->x(), 8 + TMultiApplyForm::kIndent);
            QVERIFY(use->geometry().right() < panel.Control(parameters)->x());
        }
        QCOMPARE(parameters, 12);
        QCOMPARE(window->UseBox(parameters), nullptr);
        // Wider, the controls follow; the use boxes stay level with them.
        holder->resize(420, 500);
        QCoreApplication::processEvents();
        QCOMPARE(panel.Control(0)->geometry().right() + 1, panel.width() - 24);
        QCOMPARE(window->UseBox(5)->y(), panel.Control(5)->y());
        // Its panel starts on an element of its own, not on the library's current element.
        QVERIFY(form->CurrentElement());
        QCOMPARE(qobject_cast<QLineEdit*>(panel.Control(kTitle))->text(), QString());
        QCOMPARE(&panel.WorkingElement(), &window->OwnElement());
    }

    // Rows 3..4 (elements 2 and 3, ねこの随筆 with output 1 and Ｃ＋＋の海 with output 0) are
    // selected; the library has a "change" list that sorts by title, which must not run.
    void applyWritesIntoTheSelectedBlock_data() {
        QTest::addColumn<QList<int>>("use");
        QTest::addColumn<QString>("typed");        // into the title field
        QTest::addColumn<bool>("withReferences");  // references set in the window's panel
        QTest::addColumn<int>("output");           // -1: its box unchecked; else the value
        QTest::addColumn<bool>("titleChanges");
        QTest::addColumn<int>("flag");  // -1: unchanged
        QTest::newRow("a string in use with an empty field clears it")
            << QList<int>{kTitle} << QString() << false << -1 << true << -1;
        QTest::newRow("a typed string")
            << QList<int>{kTitle} << QStringLiteral("新題") << false << -1 << true << -1;
        QTest::newRow("element references in use change nothing")
            << QList<int>{kPublisher, kRelated} << QString() << true << -1 << false << -1;
        QTest::newRow("output flag off")
            << QList<int>{} << QStringLiteral("無視") << false << 0 << false << 0;
        QTest::newRow("output flag on") << QList<int>{} << QString() << false << 1 << false << 1;
        QTest::newRow("nothing in use only marks the group")
            << QList<int>{} << QStringLiteral("無視") << true << -1 << false << -1;
    }
    void applyWritesIntoTheSelectedBlock() {
        QFETCH(QList<int>, use);
        QFETCH(QString, typed);
        QFETCH(bool, withReferences);
        QFETCH(int, output);
        QFETCH(bool, titleChanges);
        QFETCH(int, flag);
        TZQLForm* form = OpenSample();
        const QString zqd = Path("data/books.ZQD");
        TZQLCtrl& library = form->Document().Library();
        TGroupSetting& group = *library.Group(0);
        const TGroupData& data = *group.GroupData();
        // The lines as this program writes them, before the change.
        group.GroupData()->MarkModified();
        form->Save();
        const QList<QByteArray> before = FirstDataLines(zqd);
        QCOMPARE(before.size(), 4);
        library.BatchList(kBatchChange) = {{{"[JudgeParam]0", "[GroupNo]0"}, 1, "sort"}};
        group.Set(TGroupSetting::kOutputDone, true);
        const std::vector<TElement*> order = Elements(data);
        std::vector<std::vector<NumberItem>> references;
        for (TElement* element : order)
            for (int param : {kPublisher, kRelated})
                references.push_back(element->Numbers(param));
        form->List().SelectRows(2, 3, 2);
        const QString shownTitle = qobject_cast<QLineEdit*>(form->Panel().Control(kTitle))->text();

        form->Action(QStringLiteral("A_MultiApply"))->trigger();
        TMultiApplyForm* window = form->MultiApplyWindow();
        TParamSBox& panel = window->Panel();
        test::TypeText(panel.Control(kTitle), typed);
        if (withReferences) {
            TElement* publisher = library.Group(2)->GroupData()->At(1);
            panel.DropElements(kPublisher, {publisher}, 1);
            panel.DropElements(kRelated, {publisher, order[0]}, 1);
        }
        for (int param : use) {
            ClickBox(window->UseBox(param));
            QVERIFY(window->UseBox(param)->isChecked());
        }
        if (output >= 0) {
            ClickBox(&window->OutputUseBox());
            QVERIFY(window->OutputUseBox().isChecked());
            if (window->OutputBox().isChecked() != (output == 1)) ClickBox(&window->OutputBox());
        }
        QTest::mouseClick(&window->ApplyButton(), Qt::LeftButton);

        QVERIFY(Elements(data) == order);  // no "change" list ran
        QVERIFY(data.Owner()->IsModified());
        QVERIFY(!group.Has(TGroupSetting::kOutputDone));
        for (std::size_t i = 0; i < order.size(); ++i) {
            for (std::size_t k = 0; k < 2; ++k)
                QCOMPARE(order[i]->Numbers(k == 0 ? kPublisher : kRelated), references[i * 2 + k]);
        }
        // The library window's panel still shows what it showed.
        QCOMPARE(qobject_cast<QLineEdit*>(form->Panel().Control(kTitle))->text(), shownTitle);

        form->Save();
        const QList<QByteArray> after = FirstDataLines(zqd);
        QCOMPARE(after.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QByteArray expected = before[i];
            if (i >= 2) {
                const qsizetype bar = expected.indexOf("||");
                const qsizetype comma = expected.indexOf(',', bar);
                const QByteArray flagText =
                    flag < 0 ? expected.left(bar) : QByteArray::number(flag);
                const QByteArray title = titleChanges
                                             ? QByteArray::fromStdString(QtText::ToCp932(typed))
                                             : expected.mid(bar + 2, comma - bar - 2);
                expected = flagText + "||" + title + expected.mid(comma);
            }
            QCOMPARE(after[i], expected);
        }

        // The same list, run, does reorder: it was there and stayed unrun.
        form->Document().RunBatchList(kBatchChange);
        QVERIFY(Elements(data) != order);
        ForgetChanges(library);
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TMultiApplyFormTest)
#include "TMultiApplyFormTest.moc"
