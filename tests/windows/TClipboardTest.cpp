// Cut, copy and paste in the library window's list: both forms a copy puts on the clipboard,
// pastes into the same library (references kept) and into another (references dropped and
// counted), a cut and its undo, text from a spreadsheet with and without a header row, bad
// text refused without a change, and text fields that keep their own clipboard keys.
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QUndoStack>
#include <sstream>

#include "ElementFingerprint.h"
#include "FrameFixture.h"
#include "model/TZQLCtrl.h"
#include "windows/TElementClipboard.h"

namespace tabrix {

using namespace test;

namespace {

const QString kTsvHead =
    u"出力\t書名\t著者\t出版社\t関連書\t在庫あり\t形態\t価格\t評価\tページ数\t章の頁\tシリーズ\t分類"_s;

std::string Fingerprint(const TGroupData& data) {
    std::ostringstream out;
    for (std::size_t i = 0; i < data.Size(); ++i) {
        WriteFingerprint(out, *data.At(i));
        out << '\n';
    }
    return out.str();
}

QStringList Titles(const TGroupData& data) {
    QStringList titles;
    for (TElement* element : Elements(data))
        titles << Title(element);
    return titles;
}

// The element lines of the first group data of an element data file, CP932.
std::vector<std::string> SavedLines(const QString& path) {
    std::istringstream in(Bytes(path).toStdString());
    std::vector<std::string> lines;
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "[/data]") break;
        if (data) lines.push_back(line);
        data = data || line == "[data]";
    }
    return lines;
}

void PutText(const QString& text, const QByteArray& privateForm = {}) {
    auto* mime = new QMimeData;
    mime->setText(text);
    if (!privateForm.isEmpty()) mime->setData(TElementClipboard::kMimeType, privateForm);
    QGuiApplication::clipboard()->setMimeData(mime);
}

// A private form of lines typed by other parameters than the sample's.
QByteArray ForeignForm() {
    TElementClipboard::Form form;
    form.parameters = "0 x\n";
    form.lines = {QtText::ToCp932(u"1||偽物||"_s)};
    return TElementClipboard::WriteForm(form);
}

void Key(TZQLForm& form, Qt::Key key) {
    form.List().setFocus();
    QTest::keyClick(&form.List(), key, Qt::ControlModifier);
}

}  // namespace

class TClipboardTest : public QObject, FrameFixture {
    Q_OBJECT

    TZQLForm* Open(const QString& folder = {}) {
        TZQLForm* form = OpenSample(folder);
        form->SetAutoApply(false);
        QApplication::setActiveWindow(frame_.get());
        [&] { QVERIFY(QTest::qWaitForWindowActive(frame_.get())); }();
        return form;
    }
    static TGroupData& Books(TZQLForm& form) { return *form.Document().DataOf(0); }
    static void Select(TZQLForm& form, std::initializer_list<int> rows, int current) {
        form.List().SelectRows(current, current, current);
        QItemSelectionModel& selection = *form.List().selectionModel();
        selection.clearSelection();
        for (int row : rows)
            selection.select(form.List().model()->index(row, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void Close(TZQLForm& form) {
        ForgetChanges(form.Document().Library());
        form.parentWidget()->close();
    }

private slots:
    void init() { StartFrame(1100, 700); }
    void cleanup() { CloseFrame(); }

    // Rows 0 and 2, not side by side: the text is the table of those two, the private form
    // their lines as a save writes them.
    void aCopyPutsBothForms() {
        TZQLForm* form = Open();
        Select(*form, {0, 2}, 2);
        Key(*form, Qt::Key_C);
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        const QStringList rows = mime->text().split(u"\r\n"_s);
        QCOMPARE(rows.size(), 4);  // the head, two rows and the empty end
        QCOMPARE(rows[0], kTsvHead);
        QVERIFY2(rows[1].startsWith(u"1\tソフトウェア入門\t\"山田 太郎\n佐藤 花子\"\t2:1\t"_s),
                 qPrintable(rows[1]));
        QVERIFY(rows[2].startsWith(u"1\tねこの随筆\tたなか\t\t\t1\t1\t-1\t"_s));
        const auto lines = TElementClipboard::ReadForm(mime->data(TElementClipboard::kMimeType));
        QVERIFY(lines);
        // The lines as a save writes them.
        Books(*form).MarkModified();
        form->Action(u"A_Save"_s)->trigger();
        const std::vector<std::string> saved = SavedLines(Path(u"data/books.ZQD"_s));
        QCOMPARE(lines->lines, (std::vector<std::string>{saved[0], saved[2]}));
        QCOMPARE(lines->group, 0);
        QCOMPARE(Books(*form).Size(), std::size_t{4});
        Close(*form);
    }

    // Rows 0..1 pasted before row 3, of the same library or of another: the same values, the
    // references kept only in the same library; one step; saved, the lines are the originals'.
    void aPasteKeepsReferencesOnlyInTheSameLibrary() {
        for (const bool same : {true, false}) {
            TZQLForm* source = Open(u"a"_s);
            TZQLForm* target = same ? source : Open(u"b"_s);
            source->List().SelectRows(0, 1, 0);
            Key(*source, Qt::Key_C);
            target->List().SelectRows(3, 3, 3);
            if (!same) dialogs_->Expect(Kind::kMessage, u"参照 5 件を外しました。"_s);
            Key(*target, Qt::Key_V);
            TGroupData& data = Books(*target);
            QCOMPARE(Titles(data),
                     QStringList({u"ソフトウェア入門"_s, u"表の作り方"_s, u"ねこの随筆"_s,
                                  u"ソフトウェア入門"_s, u"表の作り方"_s, u"Ｃ＋＋の海"_s}));
            QCOMPARE(target->List().CurrentRow(), 3);
            QCOMPARE(target->List().selectionModel()->selectedRows().size(), 2);
            const TElement& pasted = *data.At(3);
            const TElement& original = *Books(*source).At(0);
            QCOMPARE(pasted.Numbers(2).size(), same ? std::size_t{1} : std::size_t{0});
            if (same) QCOMPARE(pasted.Numbers(2)[0], original.Numbers(2)[0]);
            QCOMPARE(pasted.Numbers(3).size(), same ? std::size_t{2} : std::size_t{0});
            QCOMPARE(pasted.Numbers(6)[0], original.Numbers(6)[0]);
            QCOMPARE(target->Document().History().undoText(), u"貼り付け"_s);
            if (same) {
                target->Action(u"A_Save"_s)->trigger();
                const auto lines = SavedLines(Path(u"a/data/books.ZQD"_s));
                QCOMPARE(lines.size(), std::size_t{6});
                QCOMPARE(lines[3], lines[0]);
                QCOMPARE(lines[4], lines[1]);
            }
            Key(*target, Qt::Key_Z);
            QCOMPARE(data.Size(), std::size_t{4});
            if (!same) Close(*target);
            Close(*source);
        }
    }

    // Rows 1..2 cut and pasted before row 0; two undos give back the group exactly.
    void aCutIsOneStepAndUndoes() {
        TZQLForm* form = Open();
        const std::string before = Fingerprint(Books(*form));
        form->List().SelectRows(1, 2, 1);
        Key(*form, Qt::Key_X);
        QCOMPARE(Titles(Books(*form)), QStringList({u"ソフトウェア入門"_s, u"Ｃ＋＋の海"_s}));
        QCOMPARE(form->Document().History().undoText(), u"切り取り"_s);
        form->List().SelectRows(0, 0, 0);
        Key(*form, Qt::Key_V);
        QCOMPARE(Titles(Books(*form)), QStringList({u"表の作り方"_s, u"ねこの随筆"_s,
                                                    u"ソフトウェア入門"_s, u"Ｃ＋＋の海"_s}));
        Key(*form, Qt::Key_Z);
        Key(*form, Qt::Key_Z);
        QCOMPARE(Fingerprint(Books(*form)), before);
        Close(*form);
    }

    // Text as a spreadsheet copies it: a header in any order (names or codes), or none (the
    // export order); quoted fields with line breaks; a private form that is not one, or whose
    // lines other parameters typed, is passed over for the text.
    void textPastesAsTableRows() {
        const struct {
            QString text;
            QByteArray privateForm;
            int row;  // the current row; -1: none (appended)
            QStringList titles;
            std::vector<std::uint32_t> prices;
            std::vector<std::uint8_t> flags;
        } cases[] = {
            {u"書名\t著者\t価格\r\n新しい本\t\"著者一\n著者二\"\t1200\r\n"_s,
             {},
             1,
             {u"新しい本"_s},
             {1200},
             {1}},
            {u"0\t古い本\t著者三\n1\t\"次の\"\"本\"\"\"\n"_s,
             "garbage",
             -1,
             {u"古い本"_s, u"次の\"本\""_s},
             {0, 0},
             {0, 1}},
            {u"在庫\t書名\n0\tコード本"_s, {}, 0, {u"コード本"_s}, {0}, {1}},
            {u"書名\n本物"_s, ForeignForm(), 0, {u"本物"_s}, {0}, {1}},
        };
        for (const auto& c : cases) {
            TZQLForm* form = Open();
            if (c.row >= 0)
                form->List().SelectRows(c.row, c.row, c.row);
            else
                form->List().selectionModel()->clear();
            PutText(c.text, c.privateForm);
            Key(*form, Qt::Key_V);
            TGroupData& data = Books(*form);
            QCOMPARE(data.Size(), 4 + static_cast<std::size_t>(c.titles.size()));
            const std::size_t at = c.row >= 0 ? static_cast<std::size_t>(c.row) : 4;
            for (qsizetype k = 0; k < c.titles.size(); ++k) {
                const TElement& pasted = *data.At(at + static_cast<std::size_t>(k));
                QCOMPARE(Title(&pasted), c.titles[k]);
                QCOMPARE(pasted.OutputFlag(), c.flags[static_cast<std::size_t>(k)]);
                const NumberItems price = pasted.Numbers(6);
                QCOMPARE(price.empty() ? 0u : static_cast<std::uint32_t>(price[0]),
                         c.prices[static_cast<std::size_t>(k)]);
            }
            QCOMPARE(form->List().CurrentRow(), static_cast<int>(at));
            if (c.text.contains(u"著者一"_s))
                QCOMPARE(Books(*form).At(1)->Texts(1).size(), std::size_t{2});
            Key(*form, Qt::Key_Z);
            QCOMPARE(data.Size(), std::size_t{4});
            Close(*form);
        }
    }

    // Bad text: a message naming line, column and value; nothing changes, no step.
    void badTextIsRefusedAndChangesNothing() {
        const struct {
            QString text;
            QString message;
        } cases[] = {
            {u"書名\t不明\nx\ty"_s, u"1 行目、2 列目「不明」：どのパラメータも指さない列です"_s},
            {u"書名\t価格\n本\t\"高い\"\n"_s, u"2 行目、2 列目「高い」：数値ではありません"_s},
            {u"書名\n\"閉じない\n"_s, u"2 行目、1 列目"_s},
            {u"1\t本\U0002000B"_s, u"1 行目、2 列目"_s},
            {u"1\t本\t\t\t\t\t\t\t\t\t\t\t\t余り"_s, u"1 行目、14 列目「余り」"_s},
        };
        TZQLForm* form = Open();
        const std::string before = Fingerprint(Books(*form));
        for (const auto& c : cases) {
            PutText(c.text);
            dialogs_->Expect(Kind::kMessage, c.message);
            Key(*form, Qt::Key_V);
            QCOMPARE(Fingerprint(Books(*form)), before);
            QCOMPARE(form->Document().History().count(), 0);
        }
        QVERIFY(dialogs_->Asked().last().contains(u"何も変更していません"_s));
        Close(*form);
    }

    // In a text field of the panel the keys and the menu entries act on its text.
    void aTextFieldKeepsItsClipboard() {
        TZQLForm* form = Open();
        auto* title = qobject_cast<QLineEdit*>(form->Panel().Control(0));
        QVERIFY(title);
        title->setFocus();
        title->selectAll();
        QTest::keyClick(title, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"ソフトウェア入門"_s);
        QVERIFY(
            QGuiApplication::clipboard()->mimeData()->data(TElementClipboard::kMimeType).isEmpty());
        PutText(u"貼る"_s);
        title->setCursorPosition(0);
        QTest::keyClick(title, Qt::Key_V, Qt::ControlModifier);
        form->Action(u"A_Paste"_s)->trigger();
        QCOMPARE(title->text(), u"貼る貼るソフトウェア入門"_s);
        QCOMPARE(Books(*form).Size(), std::size_t{4});
        title->setText(u"ソフトウェア入門"_s);
        Close(*form);
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TClipboardTest)
#include "TClipboardTest.moc"
