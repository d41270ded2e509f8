// The platform services around the windows: file dialog filters in Qt's form, the message
// boxes' Japanese buttons and answers, the settings and data folders, preview images.
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "platform/AppPaths.h"
#include "platform/QtDialogs.h"
#include "platform/QtText.h"
#include "platform/TImageLoader.h"

namespace tabrix {

class PlatformServicesTest : public QObject {
    Q_OBJECT

private:
    // Clicks the button captioned text of the message box that opens next, after noting the
    // captions of all its buttons.
    void ClickWhenShown(const QString& text, QStringList& captions) {
        QTimer::singleShot(0, this, [text, &captions] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            for (QAbstractButton* button : box->buttons()) {
                captions << button->text();
                if (button->text() == text) button->click();
            }
        });
    }

private slots:
    void FiltersInQtForm_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name shows its pattern")
            << QStringLiteral("ZQLファイル(*.ZQL)|*.ZQL") << QStringLiteral("ZQLファイル(*.ZQL)");
        QTest::newRow("name without pattern")
            << QStringLiteral("テキスト|*.txt") << QStringLiteral("テキスト (*.txt)");
        QTest::newRow("two entries")
            << QStringLiteral("ZQPファイル(*.ZQP)|*.ZQP|全てのファイル|*.*")
            << QStringLiteral("ZQPファイル(*.ZQP);;全てのファイル (*.*)");
        QTest::newRow("several patterns")
            << QStringLiteral("画像|*.bmp;*.jpg") << QStringLiteral("画像 (*.bmp *.jpg)");
        QTest::newRow("name shows other pattern") << QStringLiteral("ZQLファイル(*.ZQL)|*.zql")
                                                  << QStringLiteral("ZQLファイル(*.ZQL) (*.zql)");
        QTest::newRow("pattern without name")
            << QStringLiteral("|*.ZQD") << QStringLiteral("*.ZQD");
        QTest::newRow("trailing bar")
            << QStringLiteral("テキスト|*.txt|") << QStringLiteral("テキスト (*.txt)");
        QTest::newRow("empty") << QString() << QString();
    }
    void FiltersInQtForm() {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(QtDialogs::QtFilter(filter), expected);
    }

    void QuestionsOfferJapaneseButtonsAndReportTheOneClicked_data() {
        QTest::addColumn<int>("kind");  // 0 OK/Cancel, 1 Yes/No, 2 Yes/No/Cancel
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("buttons");
        const QString ok = QStringLiteral("OK"), cancel = QStringLiteral("キャンセル");
        const QString yes = QStringLiteral("はい(&Y)"), no = QStringLiteral("いいえ(&N)");
        QTest::newRow("ok") << 0 << ok << int(IDialogs::Answer::kOk) << QStringList{ok, cancel};
        QTest::newRow("cancel") << 0 << cancel << int(IDialogs::Answer::kCancel)
                                << QStringList{ok, cancel};
        QTest::newRow("no") << 1 << no << int(IDialogs::Answer::kNo) << QStringList{yes, no};
        QTest::newRow("yes of three")
            << 2 << yes << int(IDialogs::Answer::kYes) << QStringList{yes, no, cancel};
        QTest::newRow("cancel of three")
            << 2 << cancel << int(IDialogs::Answer::kCancel) << QStringList{yes, no, cancel};
    }
    void QuestionsOfferJapaneseButtonsAndReportTheOneClicked() {
        QFETCH(int, kind);
        QFETCH(QString, click);
        QFETCH(int, answer);
        QFETCH(QStringList, buttons);
        QtDialogs dialogs;
        QStringList captions;
        ClickWhenShown(click, captions);
        const QString text = QStringLiteral("終了しますか？");
        const IDialogs::Answer got =
            kind == 0   ? dialogs.AskOkCancel(nullptr, text, QStringLiteral("確認"))
            : kind == 1 ? dialogs.AskYesNo(nullptr, text, QStringLiteral("確認"))
                        : dialogs.AskYesNoCancel(nullptr, text, QStringLiteral("終了確認"));
        QCOMPARE(int(got), answer);
        captions.sort();
        buttons.sort();
        QCOMPARE(captions, buttons);
    }

    void ConfigFolderFollowsXdg_data() {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QStringLiteral("/tmp/cfg") << QStringLiteral("/tmp/cfg/tabrix");
        QTest::newRow("unset") << QString() << QStringLiteral("/home/u/.config/tabrix");
        QTest::newRow("relative is ignored")
            << QStringLiteral("cfg") << QStringLiteral("/home/u/.config/tabrix");
    }
    void ConfigFolderFollowsXdg() {
        QFETCH(QString, xdg);
        QFETCH(QString, expected);
        QCOMPARE(AppPaths::ConfigDirFor(xdg, QStringLiteral("/home/u")), expected);
    }
    void ConfigFolderIsCreated() {
        const QString dir = AppPaths::ConfigDir();
        QVERIFY(dir.endsWith(QStringLiteral("/tabrix")));
        QVERIFY(QFileInfo(dir).isDir());
    }

    void DataFolderPrefersInstalledThenBuildTreeThenSource() {
        QTemporaryDir root;
        const QString bin = root.path() + QStringLiteral("/bin");
        const QString installed = root.path() + QStringLiteral("/share/tabrix");
        const QString source = root.path() + QStringLiteral("/src/data");
        QDir().mkpath(bin);
        QCOMPARE(AppPaths::DataDirFor(bin, QString()), installed);  // no templates anywhere
        QDir().mkpath(source + QStringLiteral("/template"));
        QCOMPARE(AppPaths::DataDirFor(bin, source), source);
        QDir().mkpath(bin + QStringLiteral("/data/template"));
        QCOMPARE(AppPaths::DataDirFor(bin, source), bin + QStringLiteral("/data"));
        QDir().mkpath(installed + QStringLiteral("/template"));
        QCOMPARE(AppPaths::DataDirFor(bin, source), installed);
    }
    void ShippedDataIsFound() {
        QVERIFY2(QFileInfo(AppPaths::HelpPage()).isFile(), qPrintable(AppPaths::HelpPage()));
        QVERIFY(QFileInfo(AppPaths::TemplateDir()).isDir());
    }

    void PreviewImagesLoadAsBitmapAndJpeg_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("bmp") << QStringLiteral("preview.bmp") << QByteArray("BMP");
        QTest::newRow("jpeg") << QStringLiteral("preview.JPG") << QByteArray("JPEG");
        QTest::newRow("bitmap named jpg") << QStringLiteral("really-bmp.jpg") << QByteArray("BMP");
    }
    void PreviewImagesLoadAsBitmapAndJpeg() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QTemporaryDir dir;
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        QVERIFY(image.save(dir.filePath(name), format.constData()));
        // The library names the image relative to its own folder, in Windows form.
        const std::string library = QtText::ToNative(dir.filePath(QStringLiteral("a.ZQL")));
        const QImage loaded =
            TImageLoader::LoadForLibrary(QtText::ToCp932(QStringLiteral(".\\") + name), library);
        QCOMPARE(loaded.size(), QSize(40, 30));
        QVERIFY(qAbs(loaded.pixelColor(20, 15).red() - 200) < 8);
    }
    void MissingImageIsNull() {
        QVERIFY(TImageLoader::Load(QStringLiteral("/nonexistent/x.bmp")).isNull());
        QVERIFY(TImageLoader::LoadForLibrary("", "/tmp/a.ZQL").isNull());
    }
    void ImagesFitTheirAreaKeepingProportions() {
        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QCOMPARE(TImageLoader::FitInto(image, QSize(100, 100)).size(), QSize(100, 50));
        QCOMPARE(TImageLoader::FitInto(image, QSize(1000, 1000)).size(), QSize(400, 200));
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::PlatformServicesTest)
#include "PlatformServicesTest.moc"
