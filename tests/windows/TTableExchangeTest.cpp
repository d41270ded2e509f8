// A group exchanged with spreadsheets through the library window's ファイル menu: the export
// writes the file the dialogs chose in the format and encoding chosen; the import reads a
// spreadsheet's CSV with the columns read as the user chose, as one step Ctrl+Z takes back;
// bad input is refused with its place and changes nothing; export, import and export again
// give the same bytes.
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoStack>
#include <sstream>

#include "ElementFingerprint.h"
#include "FrameFixture.h"
#include "model/TTableWriter.h"

namespace tabrix {

using namespace test;

namespace {

std::string Fingerprint(const TGroupData& data) {
    std::ostringstream out;
    for (const TElement* element : Elements(data)) {
        WriteFingerprint(out, *element);
        out << '\n';
    }
    return out.str();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void Choose(QDialog& dialog, const char* box, const QString& text) {
    auto* combo = Child<QComboBox>(dialog, box);
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
}

}  // namespace

class TTableExchangeTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(1100, 700);
        form_ = OpenSample();
        QVERIFY(form_);
        QCOMPARE(form_->CurrentGroup(), 0);
    }
    void cleanup() {
        ForgetChanges(form_->Document().Library());
        CloseFrame();
    }

    void exportWritesTheChosenFormAndEncoding() {
        const TZQLCtrl& library = form_->Document().Library();
        const struct {
            const char* file;
            const char* encoding;
            TTableFormat format;
            const char* head;  // the file's first bytes, UTF-8
        } cases[] = {
            {"books.csv", "UTF-8", {TTableFormat::kCsv, TTableFormat::kUtf8}, "出力,書名,著者"},
            {"books.tsv",
             "Shift-JIS",
             {TTableFormat::kTsv, TTableFormat::kCp932},
             "出力\t書名\t著者"},
        };
        for (const auto& c : cases) {
            const QString path = Path(QString::fromLatin1(c.file));
            dialogs_->Expect(Kind::kSave, u"エクスポート"_s, Answer::kOk, path);
            dialogs_->ExpectDialog(u"エクスポート"_s, u"OK"_s, [&](QDialog& dialog) {
                Choose(dialog, "EncodingCmbBox", QString::fromLatin1(c.encoding));
            });
            MenuEntry(*form_, u"エクスポート(&E)..."_s)->trigger();
            const QByteArray written = Bytes(path);
            QCOMPARE(written.toStdString(),
                     TTableWriter::Write(library, *library.Group(0), c.format));
            const QString head = c.format.encoding == TTableFormat::kUtf8
                                     ? QString::fromUtf8(written)
                                     : QtText::FromCp932(written.toStdString());
            QVERIFY2(head.startsWith(QString::fromUtf8(c.head)), qPrintable(head.left(20)));
            QCOMPARE(form_->statusBar()->currentMessage(), u"4 件をエクスポートしました。"_s);
        }
        // A file that cannot be written is named in the message.
        const QString nowhere = Path(u"no/such/folder/x.csv"_s);
        dialogs_->Expect(Kind::kSave, u"エクスポート"_s, Answer::kOk, nowhere);
        dialogs_->ExpectDialog(u"エクスポート"_s, u"OK"_s);
        dialogs_->Expect(Kind::kMessage, nowhere + u"」に書き込めませんでした"_s);
        MenuEntry(*form_, u"エクスポート(&E)..."_s)->trigger();
    }

    void aSpreadsheetsCsvImportsAsChosenAndUndoes() {
        TLibraryDocument& document = form_->Document();
        const TGroupData& data = *document.DataOf(0);
        const std::string before = Fingerprint(data);
        const QString path = Path(u"sheet.csv"_s);
        WriteFile(
            path,
            QByteArray("\xEF\xBB\xBF") +
                u"書名,著者,価格\r\n\"A, \"\"B\"\"\",\"甲\r\n乙\",1200\r\nC,丙,999\r\n"_s.toUtf8());
        dialogs_->Expect(Kind::kOpen, u"インポート"_s, Answer::kOk, path);
        dialogs_->ExpectDialog(u"インポート"_s, u"OK"_s, [](QDialog& dialog) {
            // The byte-order mark fixes the encoding; the preview shows the rows as read.
            auto* encoding = Child<QComboBox>(dialog, "EncodingCmbBox");
            QVERIFY(!encoding->isEnabled());
            QCOMPARE(encoding->currentText(), u"UTF-8"_s);
            auto* preview = Child<QTableWidget>(dialog, "PreviewGrid");
            QCOMPARE(preview->rowCount(), 3);
            QCOMPARE(preview->item(1, 0)->text(), u"A, \"B\""_s);
            QCOMPARE(preview->item(1, 1)->text(), u"甲\r\n乙"_s);
            QCOMPARE(Child<QComboBox>(dialog, "ColumnCmbBox2")->currentText(), u"価格"_s);
            Choose(dialog, "ColumnCmbBox2", u"(読み込まない)"_s);
        });
        MenuEntry(*form_, u"インポート(&I)..."_s)->trigger();
        QCOMPARE(data.Size(), std::size_t{6});
        const TElement& a = *data.At(4);
        QCOMPARE(Title(&a), u"A, \"B\""_s);
        QCOMPARE(a.Texts(1).size(), std::size_t{2});
        QCOMPARE(QtText::FromCp932(a.Texts(1)[1]), u"乙"_s);
        QCOMPARE(Title(data.At(5)), u"C"_s);
        for (std::size_t i = 4; i < 6; ++i)  // the price column was not read
            QVERIFY(data.At(i)->Numbers(6).empty());
        QCOMPARE(form_->statusBar()->currentMessage(), u"2 件をインポートしました。"_s);
        QCOMPARE(document.History().count(), 1);
        QTest::keyClick(&form_->List(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Fingerprint(data), before);
    }

    void replaceAndBadInput() {
        const struct {
            const char* text;
            bool replace;
            std::size_t size;     // the group's elements afterwards
            const char* refusal;  // a part of the message, or none
            const char* note;     // what the dialog says of the file
        } cases[] = {
            {"書名\r\nX\r\n", true, 1, nullptr, ""},
            {"書名,色\r\nX,y\r\n", true, 1, nullptr, "2 列目「色」はパラメータ名ではない"},
            {"書名,価格\r\nX,abc\r\n", false, 4, " 2 行目 2 列目：数値ではありません：「abc」", ""},
            {"書名\r\n\"X\r\n", true, 4, " 2 行目 1 列目：引用符が正しく閉じていません",
             "2 行目 1 列目を読めません"},
        };
        for (const auto& c : cases) {
            CloseFrame();
            init();
            TLibraryDocument& document = form_->Document();
            const std::string before = Fingerprint(*document.DataOf(0));
            const QString path = Path(u"in.csv"_s);
            WriteFile(path, QByteArray(c.text));
            dialogs_->Expect(Kind::kOpen, u"インポート"_s, Answer::kOk, path);
            dialogs_->ExpectDialog(u"インポート"_s, u"OK"_s, [&](QDialog& dialog) {
                if (c.replace) Child<QRadioButton>(dialog, "ReplaceRBtn")->click();
                const QString note = Child<QLabel>(dialog, "ProblemLabel")->text();
                QVERIFY2(note.contains(QString::fromUtf8(c.note)), qPrintable(note));
                QCOMPARE(note.isEmpty(), !*c.note);
            });
            if (c.refusal) dialogs_->Expect(Kind::kMessage, QString::fromUtf8(c.refusal));
            MenuEntry(*form_, u"インポート(&I)..."_s)->trigger();
            QCOMPARE(document.DataOf(0)->Size(), c.size);
            QCOMPARE(document.History().count(), c.refusal ? 0 : 1);
            if (c.refusal) QCOMPARE(Fingerprint(*document.DataOf(0)), before);
            if (!c.refusal) QCOMPARE(Title(document.DataOf(0)->At(0)), u"X"_s);
            ForgetChanges(document.Library());
        }
    }

    // Replacing every element is importing into an emptied group.
    void exportImportExportGivesTheSameBytes() {
        const QString first = Path(u"first.csv"_s), second = Path(u"second.csv"_s);
        auto exportTo = [this](const QString& path) {
            dialogs_->Expect(Kind::kSave, u"エクスポート"_s, Answer::kOk, path);
            dialogs_->ExpectDialog(u"エクスポート"_s, u"OK"_s);
            MenuEntry(*form_, u"エクスポート(&E)..."_s)->trigger();
        };
        exportTo(first);
        dialogs_->Expect(Kind::kOpen, u"インポート"_s, Answer::kOk, first);
        dialogs_->ExpectDialog(u"インポート"_s, u"OK"_s, [](QDialog& dialog) {
            Child<QRadioButton>(dialog, "ReplaceRBtn")->click();
        });
        MenuEntry(*form_, u"インポート(&I)..."_s)->trigger();
        QCOMPARE(form_->Document().History().count(), 1);
        exportTo(second);
        QVERIFY(!Bytes(first).isEmpty());
        QCOMPARE(Bytes(second), Bytes(first));
    }

private:
    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TTableExchangeTest)
#include "TTableExchangeTest.moc"
