// One drag with the mouse, as a user makes it: pressed on the sub window's drag handle, moved,
// and released over the library window's list, through Qt's real drag loop on an X server
// (Xvfb in CI). The loop runs inside QDrag::exec, so the moves and the release that end it are
// sent from a timer while it runs.
#include <QCursor>
#include <QDirIterator>
#include <QDrag>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

#include "SampleCopy.h"
#include "ScriptedDialogs.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TMainForm.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"
#include "windows/TZQLForm.h"

using tabrix::TMainForm;
using tabrix::TSubForm;
using tabrix::TZQLForm;

namespace {

using tabrix::test::CopySample;

}  // namespace

class RealDragTest : public QObject {
    Q_OBJECT

private slots:
    void dragFromTheSubWindowIntoTheLibraryWindow() {
        if (QGuiApplication::platformName() == QStringLiteral("offscreen"))
            QSKIP("a real drag needs a window system (run under xvfb-run)");
        tabrix::test::ScriptedDialogs dialogs;
        QTemporaryDir config, dir;
        TMainForm frame(dialogs, config.path());
        frame.setGeometry(0, 0, 1000, 650);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        TZQLForm* form = frame.OpenSelected(CopySample(dir.path()));
        QVERIFY(form);
        TSubForm* sub = frame.SubWindow();
        form->SetFollowMode(tabrix::kFollowNone);
        form->parentWidget()->setGeometry(0, 0, 560, 420);
        sub->Holder()->setGeometry(580, 0, 220, 320);
        form->SetDragMode(0);  // copy, add
        sub->ChangeGroup(1);   // 新刊: two elements
        sub->List().SelectRows(0, 1, 0);
        QTest::qWait(100);

        tabrix::TSubElementListView& source = sub->List();
        QWidget* sourceViewport = source.viewport();
        const QPoint handle = source.visualRect(source.model()->index(0, 0)).center();
        QWidget* targetViewport = form->List().viewport();
        const QPoint onTarget = form->List().visualRect(form->List().model()->index(1, 0)).center();
        QWindow* window = frame.windowHandle();
        const QPoint targetInWindow = targetViewport->mapTo(&frame, onTarget);

        bool released = false;
        bool insideDragLoop = false;
        // Runs inside the drag loop: the pointer travels to the library window's list and lets go.
        QTimer::singleShot(200, [&] {
            insideDragLoop = source.findChild<QDrag*>() != nullptr;
            for (int step = 1; step <= 4; ++step) {
                const QPoint between = targetInWindow + QPoint(0, 10 * (4 - step));
                QCursor::setPos(window->mapToGlobal(between));
                QTest::mouseMove(window, between);
                QTest::qWait(30);
            }
            QTest::mouseRelease(window, Qt::LeftButton, {}, targetInWindow);
            released = true;
        });
        QCursor::setPos(sourceViewport->mapToGlobal(handle));
        QTest::mousePress(sourceViewport, Qt::LeftButton, {}, handle);
        // The move that starts the drag returns when the drag loop has ended.
        QTest::mouseMove(sourceViewport, handle + QPoint(0, 2 * QApplication::startDragDistance()));
        QTRY_VERIFY_WITH_TIMEOUT(released, 5000);
        QVERIFY(insideDragLoop);
        QTRY_COMPARE_WITH_TIMEOUT(form->Document().ElementCount(0), std::size_t(6), 5000);
        QCOMPARE(sub->Document()->ElementCount(1), std::size_t(2));
        QCOMPARE(form->List().model()->rowCount(), 6);
        QVERIFY2(dialogs.Unexpected().isEmpty(), qPrintable(dialogs.Unexpected().join('|')));
    }
};

QTEST_MAIN(RealDragTest)
#include "RealDragTest.moc"
