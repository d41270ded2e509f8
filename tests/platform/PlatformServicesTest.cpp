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
    void FiltersInQtForm() {
        const struct {
            const char *filter, *expected;
        } cases[] = {
            {"ZQLファイル(*.ZQL)|*.ZQL", "ZQLファイル(*.ZQL)"},  // the name shows its pattern
            {"テキスト|*.txt", "テキスト (*.txt)"},
            {"ZQPファイル(*.ZQP)|*.ZQP|全てのファイル|*.*",
             "ZQPファイル(*.ZQP);;全てのファイル (*.*)"},
            {"画像|*.bmp;*.jpg", "画像 (*.bmp *.jpg)"},
            {"ZQLファイル(*.ZQL)|*.zql", "ZQLファイル(*.ZQL) (*.zql)"},
            {"|*.ZQD", "*.ZQD"},
            {"テキスト|*.txt|", "テキスト (*.txt)"},
            {"", ""},
        };
        for (const auto& c : cases)
            QCOMPARE(QtDialogs::QtFilter(QString::fromUtf8(c.filter)),
                     QString::fromUtf8(c.expected));
    }

    void QuestionsOfferJapaneseButtonsAndReportTheOneClicked() {
        const QString ok = QStringLiteral("OK"), cancel = QStringLiteral("キャンセル");
        const QString yes = QStringLiteral("はい(&Y)"), no = QStringLiteral("いいえ(&N)");
        const struct {
            int kind;  // 0 OK/Cancel, 1 Yes/No, 2 Yes/No/Cancel
            QString click;
            IDialogs::Answer answer;
            QStringList buttons;
        } cases[] = {{0, ok, IDialogs::Answer::kOk, {ok, cancel}},
                     {0, cancel, IDialogs::Answer::kCancel, {ok, cancel}},
                     {1, no, IDialogs::Answer::kNo, {yes, no}},
                     {2, yes, IDialogs::Answer::kYes, {yes, no, cancel}},
                     {2, cancel, IDialogs::Answer::kCancel, {yes, no, cancel}}};
        for (const auto& c : cases) {
            QtDialogs dialogs;
            QStringList captions;
            ClickWhenShown(c.click, captions);
            const QString text = QStringLiteral("終了しますか？");
            const IDialogs::Answer got =
                c.kind == 0   ? dialogs.AskOkCancel(nullptr, text, QStringLiteral("確認"))
                : c.kind == 1 ? dialogs.AskYesNo(nullptr, text, QStringLiteral("確認"))
                              : dialogs.AskYesNoCancel(nullptr, text, QStringLiteral("終了確認"));
            QCOMPARE(got, c.answer);
            QStringList buttons = c.buttons;
            captions.sort();
            buttons.sort();
            QCOMPARE(captions, buttons);
        }
    }

    // XDG_CONFIG_HOME when set and absolute, else ~/.config.
    void ConfigFolderFollowsXdg() {
        const QString home = QStringLiteral("/home/u/.config/tabrix");
        QCOMPARE(AppPaths::ConfigDirFor("/tmp/cfg", "/home/u"), QStringLiteral("/tmp/cfg/tabrix"));
        QCOMPARE(AppPaths::ConfigDirFor(QString(), "/home/u"), home);
        QCOMPARE(AppPaths::ConfigDirFor("cfg", "/home/u"), home);
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
};

}  // namespace tabrix

QTEST_MAIN(tabrix::PlatformServicesTest)
#include "PlatformServicesTest.moc"
