// One drag with the mouse, as a user makes it: pressed on the sub window's drag handle, moved,
// and released over the library window's list, through Qt's real drag loop on an X server
// (Xvfb in CI). The loop runs inside QDrag::exec, so the moves and the release that end it are
// sent from a timer while it runs.
#include <QCursor>
#include <QDrag>
#include <QMdiSubWindow>

#include "FrameFixture.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"

namespace tabrix {

using namespace Qt::StringLiterals;

class RealDragTest : public QObject, test::FrameFixture {
    Q_OBJECT

private slots:
    void dragFromTheSubWindowIntoTheLibraryWindow() {
        if (QGuiApplication::platformName() == u"offscreen"_s)
            QSKIP("a real drag needs a window system (run under xvfb-run)");
        StartFrame(1000, 650);
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        TZQLForm* form = OpenSample();
        TSubForm* sub = frame_->SubWindow();
        form->SetFollowMode(kFollowNone);
        form->parentWidget()->setGeometry(0, 0, 560, 420);
        sub->Holder()->setGeometry(580, 0, 220, 320);
        form->SetDragMode(0);  // copy, add
        sub->ChangeGroup(1);   // 新刊: two elements
        sub->List().SelectRows(0, 1, 0);
        QTest::qWait(100);

        TSubElementListView& source = sub->List();
        QWidget* sourceViewport = source.viewport();
        const QPoint handle = source.visualRect(source.model()->index(0, 0)).center();
        QWidget* targetViewport = form->List().viewport();
        const QPoint onTarget = form->List().visualRect(form->List().model()->index(1, 0)).center();
        QWindow* window = frame_->windowHandle();
        const QPoint targetInWindow = targetViewport->mapTo(frame_.get(), onTarget);

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
        CloseFrame();
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::RealDragTest)
#include "RealDragTest.moc"
