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
    void ChosenEntryMovesToTheFrontOnce_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("third to front") << 2 << QByteArray("/l/c.ZQL\r\n/l/a.ZQL\r\n/l/b.ZQL");
        QTest::newRow("first stays") << 0 << QByteArray("/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL");
    }
    void ChosenEntryMovesToTheFrontOnce() {
        QFETCH(int, row);
        QFETCH(QByteArray, expected);
        const QByteArray history("/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL\r\n");
        Dialog d(&history);
        d.Open();
        QCOMPARE(d.List()->count(), 3);
        QCOMPARE(d.List()->item(2)->text(), QStringLiteral("c.ZQL"));
        d.ClickRow(row);
        QCOMPARE(d.Edit()->text(), d.List()->item(row)->data(Qt::UserRole).toString());
        QTest::mouseClick(d.Find<QPushButton>("OKBBtn"), Qt::LeftButton);
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(ReadFile(d.HistoryPath()), expected);
    }

    void DoubleClickActsAsOk() {
        const QByteArray history("/l/a.ZQL\r\n/l/b.ZQL\r\n");
        Dialog d(&history);
        d.Open();
        QListWidget* list = d.List();
        const QPoint at = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(d.form->LibraryPath(), QStringLiteral("/l/b.ZQL"));
        QCOMPARE(ReadFile(d.HistoryPath()), QByteArray("/l/b.ZQL\r\n/l/a.ZQL"));
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

    void CancelAfterDeletingStillWritesTheShortenedHistory() {
        const QByteArray history("/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL\r\n");
        Dialog d(&history);
        d.Open();
        d.ClickRow(1);
        MenuAction(d.form->HistoryMenu(), QStringLiteral("選択履歴の削除(&D)"))->trigger();
        QCOMPARE(d.List()->count(), 2);
        QTest::mouseClick(d.Find<QPushButton>("CancelBBtn"), Qt::LeftButton);
        QCOMPARE(d.form->result(), int(QDialog::Rejected));
        QCOMPARE(ReadFile(d.HistoryPath()), QByteArray("/l/a.ZQL\r\n/l/c.ZQL"));
    }

    void DeletingWithoutASelectionDoesNothing() {
        const QByteArray history("/l/a.ZQL\r\n");
        Dialog d(&history);
        d.Open();
        MenuAction(d.form->HistoryMenu(), QStringLiteral("選択履歴の削除(&D)"))->trigger();
        QCOMPARE(d.List()->count(), 1);
        d.form->reject();
        QCOMPARE(ReadFile(d.HistoryPath()), history);
    }

    void ClearingEmptiesTheFile() {
        const QByteArray history("/l/a.ZQL\r\n/l/b.ZQL\r\n");
        Dialog d(&history);
        d.Open();
        MenuAction(d.form->HistoryMenu(), QStringLiteral("履歴のクリア(&C)"))->trigger();
        QCOMPARE(d.List()->count(), 0);
        d.form->reject();
        QCOMPARE(ReadFile(d.HistoryPath()), QByteArray());
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

    void CaptionsAreTheSystemsOwn() {
        Dialog d;
        d.Open();
        QStringList labels;
        for (QLabel* label : d.form->findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("最近使ったライブラリ")));
        QVERIFY(labels.contains(QStringLiteral("▼ライブラリファイル(*.ZQL)：")));
        QCOMPARE(d.Find<QPushButton>("ZQLFileBrowsBtn")->text(), QStringLiteral("参照"));
        QCOMPARE(d.Find<QCheckBox>("TemplateCBox")->text(),
                 QStringLiteral("テンプレートから派生させる"));
        QCOMPARE(d.Find<QPushButton>("OKBBtn")->text(), QStringLiteral("OK"));
        QCOMPARE(d.Find<QPushButton>("CancelBBtn")->text(), QStringLiteral("キャンセル"));
    }

    // The templates shipped in the data folder, with their descriptions in the preview. Saved
    // as a PNG when TABRIX_SCREENSHOT_DIR is set.
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
        const QString dir = qEnvironmentVariable("TABRIX_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            QVERIFY(d.form->grab().save(dir + QStringLiteral("/library-select.png")));
        }
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TLibrarySelectFormTest)
#include "TLibrarySelectFormTest.moc"
