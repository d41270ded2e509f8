// The editor's screenshot mode, run as scripts/run.sh runs it: without a display, so that no
// message box may wait for an answer, and under a file size limit, which must fail the write
// rather than kill the editor.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "FrameFixture.h"

namespace tabrix {

using namespace test;

class ScreenshotTest : public QObject {
    Q_OBJECT

    struct Run {
        bool finished = false;
        QProcess::ExitStatus status = QProcess::CrashExit;
        int code = -1;
        QString err;
    };

    // Runs the editor through the shell, after shellSetup (a ulimit, say); a process that has
    // not ended after a minute waits on something and is killed.
    static Run Screenshot(const QString& png, const QString& library, const QString& shellSetup) {
        QProcess process;
        process.setProgram(QStringLiteral("/bin/sh"));
        process.setArguments(
            {QStringLiteral("-c"),
             shellSetup + QStringLiteral(" exec \"$0\" --screenshot \"$1\" \"$2\""),
             QStringLiteral(TABRIX_APP_PATH), png, library});
        process.setStandardInputFile(QProcess::nullDevice());
        process.start();
        Run run;
        run.finished = process.waitForFinished(60'000);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.status = process.exitStatus();
        run.code = process.exitCode();
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private slots:
    // A library whose element data is missing: the warning goes to stderr and the picture is
    // written.
    void loadProblemsGoToStderr() {
        QTemporaryDir dir;
        const QString library = CopySample(dir.path());
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("data/books.ZQD"))));
        const Run run = Screenshot(dir.filePath(QStringLiteral("shot.png")), library, {});
        QVERIFY2(run.finished, "the editor waited on a dialog");
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.contains(QStringLiteral("books.ZQD")), qPrintable(run.err));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("shot.png"))).size() > 0);
    }

    // The picture passes a limit of 512 bytes: the editor reports it and fails.
    void aFileSizeLimitFailsTheWrite() {
        QTemporaryDir dir;
        const QString library = CopySample(dir.path());
        const Run run = Screenshot(dir.filePath(QStringLiteral("shot.png")), library,
                                   QStringLiteral("ulimit -f 1;"));
        QVERIFY(run.finished);
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("cannot write")), qPrintable(run.err));
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::ScreenshotTest)
#include "ScreenshotTest.moc"
