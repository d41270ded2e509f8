// The library selection dialog with its real widgets: the history file's order, deletion and
// clearing and when it is written, browsing, the template list, the folding history panel and
// the preview of the chosen library.
#include <QMenu>
#include <QToolButton>

#include "FrameFixture.h"
#include "TempDir.h"
#include "dialogs/TLibrarySelectForm.h"
#include "platform/AppPaths.h"

namespace tabrix {

using namespace test;

const char kHistory[] = "/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL\r\n";

class TLibrarySelectFormTest : public QObject {
    Q_OBJECT

    struct Dialog {
        QTemporaryDir config;
        QTemporaryDir templates;
        ScriptedDialogs dialogs;
        std::unique_ptr<TLibrarySelectForm> form;

        explicit Dialog(const char* history = nullptr) {
            if (history) WriteFile(HistoryPath().toStdString(), history);
        }
        QString HistoryPath() const { return config.path() + u"/histry.log"_s; }
        void Open() {
            form = std::make_unique<TLibrarySelectForm>(config.path(), templates.path(), dialogs);
            form->show();
        }
        template <typename W>
        W* Find(const char* name) {
            return Child<W>(*form, name);
        }
        QListWidget* List() { return Find<QListWidget>("LibraryLBox"); }
        QLineEdit* Edit() { return Find<QLineEdit>("ZQLFileEdit"); }
    };

private slots:
    // OK, or a double click on the entry, moves it to the front of the history file.
    void ChosenEntryMovesToTheFrontOnce() {
        const std::tuple<int, bool, QByteArray> cases[] = {
            {2, false, "/l/c.ZQL\r\n/l/a.ZQL\r\n/l/b.ZQL"},
            {0, false, "/l/a.ZQL\r\n/l/b.ZQL\r\n/l/c.ZQL"},
            {1, true, "/l/b.ZQL\r\n/l/a.ZQL\r\n/l/c.ZQL"}};
        for (const auto& [row, doubleClick, expected] : cases) {
            Dialog d(kHistory);
            d.Open();
            QCOMPARE(d.List()->item(2)->text(), u"c.ZQL"_s);
            ClickRow(d.List(), row);
            const QString chosen = d.List()->item(row)->data(Qt::UserRole).toString();
            QCOMPARE(d.Edit()->text(), chosen);
            if (doubleClick)
                QTest::mouseDClick(d.List()->viewport(), Qt::LeftButton, {},
                                   d.List()->visualItemRect(d.List()->item(row)).center());
            else
                QTest::mouseClick(d.Find<QPushButton>("OKBBtn"), Qt::LeftButton);
            QCOMPARE(d.form->result(), int(QDialog::Accepted));
            QCOMPARE(d.form->LibraryPath(), chosen);
            QCOMPARE(Bytes(d.HistoryPath()), expected);
        }
    }

    // Deleting and clearing write the history even when the dialog is cancelled; deleting
    // without a selection does nothing.
    void HistoryMenuEditsTheFile() {
        const QString remove = u"選択履歴の削除(&D)"_s;
        // The row selected (-1: none), the menu entry, the rows left and the file written.
        const std::tuple<int, QString, int, QByteArray> cases[] = {
            {1, remove, 2, "/l/a.ZQL\r\n/l/c.ZQL"},
            {-1, remove, 3, kHistory},
            {-1, u"履歴のクリア(&C)"_s, 0, ""}};
        for (const auto& [row, entry, left, written] : cases) {
            Dialog d(kHistory);
            d.Open();
            if (row >= 0) ClickRow(d.List(), row);
            MenuEntry(*d.form->HistoryMenu(), entry)->trigger();
            QCOMPARE(d.List()->count(), left);
            QTest::mouseClick(d.Find<QPushButton>("CancelBBtn"), Qt::LeftButton);
            QCOMPARE(d.form->result(), int(QDialog::Rejected));
            QCOMPARE(Bytes(d.HistoryPath()), written);
        }
    }

    // Browsing replaces the path (a cancelled chooser keeps it); templates are listed relative
    // to their folder; the history panel folds and comes back.
    void BrowsingTemplatesAndThePanel() {
        Dialog d;
        for (const QString& name : {u"住所録.ZQL"_s, u"仕事/蔵書.ZQL"_s, u"蔵書.ZQP"_s})
            WriteFile(d.templates.filePath(name).toStdString(),
                      "Library-File for Tabrix ver 2.0\r\n");
        d.Open();
        d.dialogs.Expect(Kind::kOpen, u"ライブラリファイル"_s, Answer::kOk, u"/chosen/x.ZQL"_s);
        d.dialogs.Expect(Kind::kOpen, u"ライブラリファイル"_s, Answer::kCancel);
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(d.Find<QPushButton>("ZQLFileBrowsBtn"), Qt::LeftButton);
            QCOMPARE(d.Edit()->text(), u"/chosen/x.ZQL"_s);
        }
        QVERIFY(d.dialogs.Unexpected().isEmpty() && d.dialogs.Done());
        QCOMPARE(ItemTexts(*d.Find<QComboBox>("TemplateCmbBox")),
                 (QStringList{u"仕事/蔵書.ZQL"_s, u"住所録.ZQL"_s}));
        QVERIFY(!d.form->DeriveFromTemplate());
        QTest::mouseClick(d.Find<QCheckBox>("TemplateCBox"), Qt::LeftButton);
        QVERIFY(d.form->DeriveFromTemplate());
        QCOMPARE(d.form->TemplatePath(), d.templates.filePath(u"仕事/蔵書.ZQL"_s));
        auto* button = d.Find<QToolButton>("PanelShowHideBtn");
        for (const auto& [text, width] : {std::pair{u"→"_s, 20}, std::pair{u"←"_s, 140}}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(button->text(), text);
            QTRY_COMPARE(d.List()->parentWidget()->width(), width);
        }
    }

    void PreviewShowsTheLibrarysImageAndMemo() {
        Dialog d;
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(image.save(d.templates.filePath(u"見本.jpg"_s), "JPEG"));
        // CP932 bytes of "見本.jpg" and of the memo "蔵書の管理".
        const QByteArray library =
            "Library-File for Tabrix ver 2.0\r\n[init]\r\n[preview_image]\x8c\xa9\x96\x7b.jpg\r\n"
            "[preview_memo]\r\n\x91\xa0\x8f\x91\x82\xcc\x8a\xc7\x97\x9d\r\n[/preview_memo]\r\n"
            "[/init]\r\n";
        const QString path = d.templates.filePath(u"lib.ZQL"_s);
        WriteFile(path.toStdString(), library.toStdString());
        d.Open();
        d.Edit()->setText(path);
        QCOMPARE(d.Find<QPlainTextEdit>("PreviewREdit")->toPlainText(), u"蔵書の管理"_s);
        const QPixmap shown = d.Find<QLabel>("PreviewImage")->pixmap();
        QVERIFY(!shown.isNull() && shown.width() <= 160 && shown.height() <= 120);
        d.Edit()->setText(d.templates.filePath(u"none.ZQL"_s));
        QVERIFY(d.Find<QPlainTextEdit>("PreviewREdit")->toPlainText().isEmpty() &&
                d.Find<QLabel>("PreviewImage")->pixmap().isNull());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TLibrarySelectFormTest)
#include "TLibrarySelectFormTest.moc"
