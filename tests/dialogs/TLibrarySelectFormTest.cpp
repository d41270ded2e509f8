// The library selection dialog with its real widgets: the history file's order, deletion and
// clearing and when it is written, browsing, the template list, the folding history panel and
// the preview of the chosen library.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "ScriptedDialogs.h"
#include "TypeText.h"
#include "dialogs/TLibraryHistory.h"
#include "dialogs/TLibrarySelectForm.h"
#include "platform/AppPaths.h"

namespace tabrix {

using test::ScriptedDialogs;
using Kind = ScriptedDialogs::Kind;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const char kHistory[] = "/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL\r\n";

QAction* MenuAction(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text) return action;
    return nullptr;
}

}  // namespace

class TLibrarySelectFormTest : public QObject {
    Q_OBJECT

    struct Dialog {
        QTemporaryDir config;
        QTemporaryDir templates;
        ScriptedDialogs dialogs;
        std::unique_ptr<TLibrarySelectForm> form;

        explicit Dialog(const QByteArray* history = nullptr) {
            if (history) WriteFile(HistoryPath(), *history);
        }
        QString HistoryPath() const { return config.path() + QStringLiteral("/histry.log"); }
        TLibrarySelectForm& Open() {
            form = std::make_unique<TLibrarySelectForm>(config.path(), templates.path(), dialogs);
            form->show();
            return *form;
        }
        template <typename W>
        W* Find(const char* name) {
            return form->findChild<W*>(QString::fromLatin1(name));
        }
        QListWidget* List() { return Find<QListWidget>("LibraryLBox"); }
        QLineEdit* Edit() { return Find<QLineEdit>("ZQLFileEdit"); }
        void ClickRow(int row) {
            QListWidget* list = List();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        }
    };

private slots:
    // OK, or a double click on the entry, moves it to the front of the history file.
    void ChosenEntryMovesToTheFrontOnce_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("third to front")
            << 2 << false << QByteArray("/l/c.ZQL\r\n/l/a.ZQL\r\n/l/b.ZQL");
        QTest::newRow("first stays")
            << 0 << false << QByteArray("/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL");
        QTest::newRow("double click")
            << 1 << true << QByteArray("/l/b.ZQL\r\n/l/a.ZQL\r\n/l/c.ZQL");
    }
    void ChosenEntryMovesToTheFrontOnce() {
        QFETCH(int, row);
        QFETCH(bool, doubleClick);
        QFETCH(QByteArray, expected);
        const QByteArray history(kHistory);
        Dialog d(&history);
        d.Open();
        QCOMPARE(d.List()->item(2)->text(), QStringLiteral("c.ZQL"));
        d.ClickRow(row);
        const QString chosen = d.List()->item(row)->data(Qt::UserRole).toString();
        QCOMPARE(d.Edit()->text(), chosen);
        if (doubleClick)
            QTest::mouseDClick(d.List()->viewport(), Qt::LeftButton, {},
                               d.List()->visualItemRect(d.List()->item(row)).center());
        else
            QTest::mouseClick(d.Find<QPushButton>("OKBBtn"), Qt::LeftButton);
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(d.form->LibraryPath(), chosen);
        QCOMPARE(ReadFile(d.HistoryPath()), expected);
    }

    void PathsDifferingInCaseAreTwoEntries() {
        TLibraryHistory history;
        history.Add("/l/A.ZQL");
        history.Add("/l/a.ZQL");
        history.Add("/l/A.ZQL");
        QCOMPARE(history.Entries(), (std::vector<std::string>{"/l/A.ZQL", "/l/a.ZQL"}));
    }

    void OkWithAnEmptyPathLeavesTheFile() {
        const QByteArray history("/l/a.ZQL\r\n/l/b.ZQL\r\n");
        Dialog d(&history);
        d.Open();
        QTest::mouseClick(d.Find<QPushButton>("OKBBtn"), Qt::LeftButton);
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QVERIFY(d.form->LibraryPath().isEmpty());
        QCOMPARE(ReadFile(d.HistoryPath()), history);  // not even rewritten
    }

    // Deleting and clearing write the history even when the dialog is cancelled; deleting
    // without a selection does nothing.
    void HistoryMenuEditsTheFile_data() {
        QTest::addColumn<int>("row");  // -1: no selection
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("left");
        QTest::addColumn<QByteArray>("written");
        const QString remove = QStringLiteral("選択履歴の削除(&D)");
        QTest::newRow("delete") << 1 << remove << 2 << QByteArray("/l/a.ZQL\r\n/l/c.ZQL");
        QTest::newRow("delete nothing") << -1 << remove << 3 << QByteArray(kHistory);
        QTest::newRow("clear") << -1 << QStringLiteral("履歴のクリア(&C)") << 0 << QByteArray();
    }
    void HistoryMenuEditsTheFile() {
        QFETCH(int, row);
        QFETCH(QString, entry);
        QFETCH(int, left);
        QFETCH(QByteArray, written);
        const QByteArray history(kHistory);
        Dialog d(&history);
        d.Open();
        if (row >= 0) d.ClickRow(row);
        MenuAction(d.form->HistoryMenu(), entry)->trigger();
        QCOMPARE(d.List()->count(), left);
        QTest::mouseClick(d.Find<QPushButton>("CancelBBtn"), Qt::LeftButton);
        QCOMPARE(d.form->result(), int(QDialog::Rejected));
        QCOMPARE(ReadFile(d.HistoryPath()), written);
    }

    void MissingHistoryIsWrittenOnClose() {
        Dialog d;
        d.Open();
        QCOMPARE(d.List()->count(), 0);
        test::TypeText(d.Edit(), QStringLiteral("/l/新しい.ZQL"));
        QTest::mouseClick(d.Find<QPushButton>("OKBBtn"), Qt::LeftButton);
        QCOMPARE(ReadFile(d.HistoryPath()), QStringLiteral("/l/新しい.ZQL").toUtf8());
    }

    void BrowseReplacesThePath() {
        Dialog d;
        d.Open();
        d.Edit()->setText(QStringLiteral("/old.ZQL"));
        d.dialogs.Expect(Kind::kOpen, QStringLiteral("ライブラリファイル"), IDialogs::Answer::kOk,
                         QStringLiteral("/chosen/x.ZQL"));
        d.dialogs.Expect(Kind::kOpen, QStringLiteral("ライブラリファイル"),
                         IDialogs::Answer::kCancel);
        QTest::mouseClick(d.Find<QPushButton>("ZQLFileBrowsBtn"), Qt::LeftButton);
        QCOMPARE(d.Edit()->text(), QStringLiteral("/chosen/x.ZQL"));
        QTest::mouseClick(d.Find<QPushButton>("ZQLFileBrowsBtn"), Qt::LeftButton);
        QCOMPARE(d.Edit()->text(), QStringLiteral("/chosen/x.ZQL"));
        QVERIFY(d.dialogs.Unexpected().isEmpty());
    }

    void TemplatesAreListedRelativeToTheirFolder() {
        Dialog d;
        const QByteArray header("Library-File for Tabrix ver 2.0\r\n");
        WriteFile(d.templates.filePath(QStringLiteral("住所録.ZQL")), header);
        WriteFile(d.templates.filePath(QStringLiteral("仕事/蔵書.ZQL")), header);
        WriteFile(d.templates.filePath(QStringLiteral("蔵書.ZQP")), header);
        d.Open();
        auto* combo = d.Find<QComboBox>("TemplateCmbBox");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items,
                 (QStringList{QStringLiteral("仕事/蔵書.ZQL"), QStringLiteral("住所録.ZQL")}));
        QVERIFY(!d.form->DeriveFromTemplate());
        QTest::mouseClick(d.Find<QCheckBox>("TemplateCBox"), Qt::LeftButton);
        QVERIFY(d.form->DeriveFromTemplate());
        QCOMPARE(d.form->TemplatePath(), d.templates.filePath(QStringLiteral("仕事/蔵書.ZQL")));
    }

    void HistoryPanelFoldsAndReturns() {
        Dialog d;
        d.Open();
        auto* button = d.Find<QToolButton>("PanelShowHideBtn");
        QWidget* panel = d.List()->parentWidget();
        QCOMPARE(button->text(), QStringLiteral("←"));
        QCOMPARE(panel->width(), 140);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("→"));
        QTRY_COMPARE(panel->width(), 20);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("←"));
        QTRY_COMPARE(panel->width(), 140);
    }

    void PreviewShowsTheLibrarysImageAndMemo() {
        Dialog d;
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(image.save(d.templates.filePath(QStringLiteral("見本.jpg")), "JPEG"));
        // CP932 bytes of "見本.jpg" and of the memo "蔵書の管理".
        const QByteArray library =
            "Library-File for Tabrix ver 2.0\r\n[init]\r\n[preview_image]\x8c\xa9\x96\x7b.jpg\r\n"
            "[preview_memo]\r\n\x91\xa0\x8f\x91\x82\xcc\x8a\xc7\x97\x9d\r\n[/preview_memo]\r\n"
            "[/init]\r\n";
        const QString path = d.templates.filePath(QStringLiteral("lib.ZQL"));
        WriteFile(path, library);
        d.Open();
        d.Edit()->setText(path);
        QCOMPARE(d.Find<QPlainTextEdit>("PreviewREdit")->toPlainText(),
                 QStringLiteral("蔵書の管理"));
        const QPixmap shown = d.Find<QLabel>("PreviewImage")->pixmap();
        QVERIFY(!shown.isNull());
        QVERIFY(shown.width() <= 160 && shown.height() <= 120);
        d.Edit()->setText(d.templates.filePath(QStringLiteral("none.ZQL")));
        QVERIFY(d.Find<QPlainTextEdit>("PreviewREdit")->toPlainText().isEmpty());
        QVERIFY(d.Find<QLabel>("PreviewImage")->pixmap().isNull());
    }

    // The templates shipped in the data folder, with their descriptions in the preview.
    void ShippedTemplatesAreOfferedWithTheirPreview() {
        const QByteArray history("/home/u/文書/蔵書目録.ZQL\r\n/home/u/仕事/顧客.ZQL\r\n");
        Dialog d(&history);
        d.form = std::make_unique<TLibrarySelectForm>(d.config.path(), AppPaths::TemplateDir(),
                                                      d.dialogs);
        d.form->show();
        auto* combo = d.Find<QComboBox>("TemplateCmbBox");
        QVERIFY(combo->findText(QStringLiteral("住所録.ZQL")) >= 0);
        const int books = combo->findText(QStringLiteral("蔵書管理.ZQL"));
        QVERIFY(books >= 0);
        QTest::mouseClick(d.Find<QCheckBox>("TemplateCBox"), Qt::LeftButton);
        combo->setCurrentIndex(books);
        QVERIFY(d.Find<QPlainTextEdit>("PreviewREdit")
                    ->toPlainText()
                    .startsWith(QStringLiteral("蔵書管理のテンプレートです。")));
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TLibrarySelectFormTest)
#include "TLibrarySelectFormTest.moc"
