// Find and replace in the library window, driven through its keys and its dialog: the current
// element moves from match to match (wrapping, across groups), every match of a group is
// selected at once, and replacing is one undoable step that reaches the saved file; what the
// library cannot store is refused with nothing changed.
#include <QItemSelectionModel>
#include <QStatusBar>

#include "FrameFixture.h"
#include "dialogs/TCheckList.h"
#include "dialogs/TFindForm.h"

namespace tabrix {

using namespace test;

namespace {

// 書籍: ソフトウェア入門, 表の作り方, ねこの随筆, Ｃ＋＋の海; 新刊: ばいおりん入門, ﾊﾟｿｺﾝ読本.
QStringList Titles(TLibraryDocument& document, std::size_t group) {
    QStringList titles;
    for (TElement* element : Elements(*document.DataOf(group)))
        titles << Title(element);
    return titles;
}

}  // namespace

class TFindTest : public QObject, FrameFixture {
    Q_OBJECT

    TZQLForm* Open() {
        TZQLForm* form = OpenSample();
        form->SetAutoApply(false);
        Activate(frame_.get());
        return form;
    }
    static void Activate(QWidget* window) {
        QApplication::setActiveWindow(window);
        [&] { QVERIFY(QTest::qWaitForWindowActive(window)); }();
    }
    // A key to the window with the focus, as the user presses it.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : QApplication::activeWindow(), key, modifiers);
    }
    static TFindForm* Dialog(TZQLForm& form) { return form.findChild<TFindForm*>(); }
    // Types text over the dialog's search text.
    static void Search(TFindForm& dialog, const QString& text) {
        auto* edit = Child<QLineEdit>(dialog, "FindEdit");
        edit->clear();
        TypeText(edit, text);
    }

private slots:
    void init() { StartFrame(1100, 700); }
    void cleanup() {
        for (TZQLForm* form : frame_->findChildren<TZQLForm*>())
            ForgetChanges(form->Document().Library());
        CloseFrame();
    }

    // Each step from where the previous one left the current element.
    void findMovesTheCurrentElementAndWraps() {
        TZQLForm* form = Open();
        // F3 before any search opens the dialog.
        Press(Qt::Key_F3);
        TFindForm* dialog = Dialog(*form);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), u"検索"_s);
        QVERIFY(!Child(*dialog, "ReplaceBBtn")->isVisible());
        const struct {
            const char* text;   // typed over the search text; none: kept
            const char* press;  // a button of the dialog, or "F3" / "Shift+F3" with it closed
            bool allGroups, regex;
            int group, row;
            const char* status;
        } steps[] = {
            {"入門", "FindNextBBtn", false, false, 0, 0, "先頭から検索しました。"},
            {nullptr, "FindNextBBtn", true, false, 1, 0, ""},
            {nullptr, "FindNextBBtn", true, false, 0, 0, "先頭から検索しました。"},
            {nullptr, "FindPrevBBtn", true, false, 1, 0, "末尾から検索しました。"},
            {"の", "FindNextBBtn", true, false, 0, 1, "先頭から検索しました。"},
            {nullptr, "F3", true, false, 0, 2, ""},
            {nullptr, "Shift+F3", true, false, 0, 1, ""},
            {"ﾖﾐ", "FindNextBBtn", true, false, 0, 1, "見つかりません。"},
            {"(入門", "FindNextBBtn", true, true, 0, 1, "正規表現が正しくありません"},
            {"入門|随筆", "FindNextBBtn", false, true, 0, 2, ""},
        };
        for (const auto& step : steps) {
            const QByteArray label = QByteArray(step.text ? step.text : "-") + ' ' + step.press;
            const bool closed = QByteArray(step.press).contains("F3");
            if (closed && dialog->isVisible()) {
                QTest::keyClick(Child(*dialog, "FindEdit"), Qt::Key_Escape);
                QVERIFY(!dialog->isVisible());
                Activate(frame_.get());
                form->List().setFocus();
            }
            if (!closed) {
                if (!dialog->isVisible()) form->Action(u"A_Find"_s)->trigger();
                if (step.text) Search(*dialog, QString::fromUtf8(step.text));
                Child<QAbstractButton>(*dialog, step.allGroups ? "AllGroupsRBtn" : "ThisGroupRBtn")
                    ->click();
                Child<QCheckBox>(*dialog, "RegexCBox")->setChecked(step.regex);
                Click(*dialog, step.press);
            } else {
                Press(Qt::Key_F3, QByteArray(step.press).startsWith("Shift") ? Qt::ShiftModifier
                                                                             : Qt::NoModifier);
            }
            QVERIFY2(form->CurrentGroup() == step.group, label);
            QVERIFY2(form->List().CurrentRow() == step.row, label);
            QVERIFY2(form->CurrentElement() == form->Document().ElementAt(step.group, step.row),
                     label);
            const QString said = form->statusBar()->currentMessage();
            QVERIFY2(
                *step.status ? said.startsWith(QString::fromUtf8(step.status)) : said.isEmpty(),
                label);
            if (dialog->isVisible())
                QCOMPARE(dialog->Status(), form->statusBar()->currentMessage());
        }
    }

    // The matches of the shown group become the selection, merged into ranges of rows.
    void selectAllSelectsEveryMatch() {
        const struct {
            const char* text;
            bool titlesOnly, regex;
            QList<int> rows;
            int ranges;
            const char* status;
        } cases[] = {
            {"ﾖﾐ", false, false, {0}, 1, "見つかりません。"},  // the selection stays
            {"の", false, false, {1, 2, 3}, 1, "3 件選択しました。"},
            {"入門|随筆", true, true, {0, 2}, 2, "2 件選択しました。"},
        };
        TZQLForm* form = Open();
        Press(Qt::Key_F, Qt::ControlModifier);
        TFindForm* dialog = Dialog(*form);
        QVERIFY(dialog && dialog->isVisible());
        for (const auto& c : cases) {
            Search(*dialog, QString::fromUtf8(c.text));
            Child<QCheckBox>(*dialog, "RegexCBox")->setChecked(c.regex);
            Child<QCheckBox>(*dialog, "AllParamCBox")->setChecked(!c.titlesOnly);
            auto* params = Child<TCheckList>(*dialog, "ParamCLBox");
            if (c.titlesOnly && params->Ticks()[0] == false) ClickRow(params, 0);
            Click(*dialog, "SelectAllBBtn");
            QList<int> selected;
            for (const QModelIndex& index : form->List().selectionModel()->selectedRows())
                selected << index.row();
            std::sort(selected.begin(), selected.end());
            QCOMPARE(selected, c.rows);
            QCOMPARE(form->List().selectionModel()->selection().size(), c.ranges);
            QCOMPARE(form->List().CurrentRow(), c.rows.front());
            QCOMPARE(dialog->Status(), QString::fromUtf8(c.status));
        }
        // A command on the selection (rows 0 and 2 now) takes the current row's block, never
        // the row between that nobody selected.
        dialogs_->Expect(Kind::kOkCancel, u"】1 個の項目を削除します"_s);
        form->Action(u"A_Delete"_s)->trigger();
        QCOMPARE(Titles(form->Document(), 0),
                 (QStringList{u"表の作り方"_s, u"ねこの随筆"_s, u"Ｃ＋＋の海"_s}));
    }

    // 置換 replaces in the current element when it matches and goes on; すべて置換 asks with the
    // number of values, changes every group as one step that Ctrl+Z takes back, and the file
    // saved holds the new texts.
    void replaceIsOneUndoableStepThatIsSaved() {
        TZQLForm* form = Open();
        TLibraryDocument& document = form->Document();
        const QStringList books = Titles(document, 0), newBooks = Titles(document, 1);
        Press(Qt::Key_H, Qt::ControlModifier);
        TFindForm* dialog = Dialog(*form);
        QCOMPARE(dialog->windowTitle(), u"置換"_s);
        Search(*dialog, u"の"_s);
        TypeText(Child(*dialog, "ReplaceEdit"), u"ノ"_s);
        Click(*dialog, "ReplaceBBtn");  // row 0 does not match: nothing replaced, on to row 1
        QCOMPARE(Titles(document, 0), books);
        QCOMPARE(form->List().CurrentRow(), 1);
        Click(*dialog, "ReplaceBBtn");
        QCOMPARE(Titles(document, 0)[1], u"表ノ作り方"_s);
        QCOMPARE(form->List().CurrentRow(), 2);
        Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Titles(document, 0), books);

        Activate(dialog);
        Search(*dialog, u"入門"_s);
        auto* replacement = Child<QLineEdit>(*dialog, "ReplaceEdit");
        replacement->clear();
        TypeText(replacement, u"にゅうもん"_s);
        Click(*dialog, "AllGroupsRBtn");
        dialogs_->Expect(Kind::kYesNo, u"2 件を置換します。宜しいですか？"_s, Answer::kNo);
        Click(*dialog, "ReplaceAllBBtn");
        QCOMPARE(Titles(document, 0), books);
        dialogs_->Expect(Kind::kYesNo, u"2 件を置換します。宜しいですか？"_s, Answer::kYes);
        Click(*dialog, "ReplaceAllBBtn");
        QCOMPARE(dialog->Status(), u"2 件を置換しました。"_s);
        QCOMPARE(Titles(document, 0)[0], u"ソフトウェアにゅうもん"_s);
        QVERIFY(Titles(document, 1).contains(u"ばいおりんにゅうもん"_s));
        Activate(frame_.get());
        form->List().setFocus();
        Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Titles(document, 0), books);
        QCOMPARE(Titles(document, 1), newBooks);
        Press(Qt::Key_Y, Qt::ControlModifier);
        form->Action(u"A_Save"_s)->trigger();
        QVERIFY(!document.IsModified());
        const QString saved = FileText(Path(u"data/books.ZQD"_s));
        QVERIFY(saved.contains(u"ばいおりんにゅうもん"_s));
        QVERIFY(!saved.contains(u"入門"_s));
    }

    // A replacement the library could not store is refused naming the character; nothing is
    // asked or changed.
    void replacementWithoutShiftJisIsRefused() {
        const struct {
            const char* text;
            const char* replacement;
            bool regex;
            const char* refused;
        } cases[] = {{"入門", "입문", false, "입"}, {"(入)門", "$1😀", true, "😀"}};
        TZQLForm* form = Open();
        TLibraryDocument& document = form->Document();
        const QStringList books = Titles(document, 0);
        Press(Qt::Key_H, Qt::ControlModifier);
        TFindForm* dialog = Dialog(*form);
        for (const auto& c : cases) {
            Search(*dialog, QString::fromUtf8(c.text));
            auto* replacement = Child<QLineEdit>(*dialog, "ReplaceEdit");
            replacement->setText(QString::fromUtf8(c.replacement));
            Child<QCheckBox>(*dialog, "RegexCBox")->setChecked(c.regex);
            for (const char* button : {"ReplaceAllBBtn", "ReplaceBBtn"}) {
                Click(*dialog, button);
                QCOMPARE(Titles(document, 0), books);
                QCOMPARE(dialog->Status(),
                         u"「%1」はShift-JISで表せません。"_s.arg(QString::fromUtf8(c.refused)));
            }
        }
        QVERIFY(!document.IsModified());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TFindTest)
#include "TFindTest.moc"
