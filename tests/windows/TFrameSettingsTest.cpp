// Tabrix.ini: the defaults from the screen size, the values read back, and only 1 meaning on top.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ScriptedDialogs.h"
#include "windows/TFrameSettings.h"
#include "windows/TMainForm.h"

namespace tabrix {

class TFrameSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void valuesFromTheFile_data() {
        QTest::addColumn<QByteArray>("file");  // empty: no file at all
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("onTop");
        const QRect centred(212, 184, 600, 400);  // on a 1024 x 768 screen
        QTest::newRow("no file") << QByteArray() << centred << 0 << false;
        QTest::newRow("all keys") << QByteArray(
                                         "[MainForm]\r\n[WindowState]2\r\n[Bounds]10,20,700,500\r\n"
                                         "[AlwaysOnTop]1\r\n[/MainForm]\r\n")
                                  << QRect(10, 20, 700, 500) << 2 << true;
        QTest::newRow("on top only for 1")
            << QByteArray("[MainForm]\r\n[AlwaysOnTop]2\r\n[/MainForm]\r\n") << centred << 0
            << false;
        QTest::newRow("malformed fields read 0")
            << QByteArray("[MainForm]\r\n[Bounds]0x10,abc,010,\r\n[/MainForm]\r\n")
            << QRect(16, 0, 8, 0) << 0 << false;
    }
    void valuesFromTheFile() {
        QFETCH(QByteArray, file);
        QFETCH(QRect, bounds);
        QFETCH(int, state);
        QFETCH(bool, onTop);
        QTemporaryDir dir;
        QFile ini(dir.filePath("Tabrix.ini"));
        if (!file.isEmpty()) QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(file) > 0);
        ini.close();
        TFrameSettings settings(dir.path());
        settings.Load(QSize(1024, 768));
        QCOMPARE(settings.Bounds(), bounds);
        QCOMPARE(settings.WindowState(), state);
        QCOMPARE(settings.AlwaysOnTop(), onTop);
    }

    void frameWritesItsLayoutOnClose() {
        QTemporaryDir dir;
        test::ScriptedDialogs dialogs;
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
        QFile file(dir.filePath("Tabrix.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().startsWith("[MainForm]\r\n"));
        TMainForm again(dialogs, dir.path());
        QVERIFY(again.AlwaysOnTop());
        QVERIFY(dialogs.Unexpected().isEmpty());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TFrameSettingsTest)
#include "TFrameSettingsTest.moc"
