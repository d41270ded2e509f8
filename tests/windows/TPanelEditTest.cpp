// The panel's unapplied edits: they stay with their element whatever happens to the rows, a
// command that would destroy the element asks first, the output box counts like a field, and
// applying writes only the controls the user changed.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "FrameFixture.h"

namespace tabrix {

using namespace test;

namespace {

void ClickRow(QAbstractItemView& list, int row) {
    const QModelIndex cell = list.model()->index(row, list.model()->columnCount() - 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(cell).center());
}

}  // namespace

class TPanelEditTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() { StartFrame(1100, 700); }
    void cleanup() { CloseFrame(); }

    // Row 1 holds 表の作り方 with "X" typed into its title; an insertion above it moves it to
    // row 2 and the panel stays with it; deleting it asks, and the answer decides.
    void editsFollowTheirElementAndADeletionAsks() {
        const std::pair<Answer, bool> cases[] = {
            {Answer::kCancel, false},  // nothing deleted, the edit stays
            {Answer::kNo, true},       // the edit is dropped with the element
            {Answer::kYes, true},      // applied, then deleted: undo brings the X back
        };
        for (const auto& [answer, deleted] : cases) {
            CloseFrame();
            init();
            TZQLForm* form = OpenSample();
            form->SetAutoApply(false);
            form->List().SelectRows(1, 1, 1);
            TElement* element = form->CurrentElement();
            auto* title = qobject_cast<QLineEdit*>(form->Panel().Control(0));
            title->setFocus();
            TypeText(title, u"X"_s);
            form->Document().InsertElements(0, 0, 1);
            QCOMPARE(form->Panel().CurrentElement(), element);
            QCOMPARE(title->text(), u"表の作り方X"_s);
            QCOMPARE(form->List().CurrentRow(), 2);

            dialogs_->Expect(Kind::kOkCancel, u"個の項目を削除します"_s);
            dialogs_->Expect(Kind::kYesNoCancel, u"変更が加えられています。適用しますか？"_s,
                             answer);
            form->Action(u"A_Delete"_s)->trigger();
            const TGroupData& data = *form->Document().DataOf(0);
            QCOMPARE(data.Size(), std::size_t(deleted ? 4 : 5));
            if (!deleted) QCOMPARE(title->text(), u"表の作り方X"_s);
            if (answer == Answer::kYes) {
                form->Action(u"A_Undo"_s)->trigger();
                QCOMPARE(Title(data.At(2)), u"表の作り方X"_s);
            }
            ForgetChanges(form->Document().Library());
        }
    }

    // Unticking 出力する is a pending change: another row asks, Yes writes it.
    void theOutputBoxIsPartOfThePendingChange() {
        TZQLForm* form = OpenSample();
        form->SetAutoApply(false);
        form->List().SelectRows(0, 0, 0);
        TElement* element = form->CurrentElement();
        QCOMPARE(int(element->OutputFlag()), 1);
        form->OutputBox().click();
        dialogs_->Expect(Kind::kYesNoCancel, u"変更が加えられています。適用しますか？"_s,
                         Answer::kYes);
        ClickRow(form->List(), 2);
        QCOMPARE(int(element->OutputFlag()), 0);
        QCOMPARE(form->CurrentElement(), form->Document().ElementAt(0, 2));
        ForgetChanges(form->Document().Library());
    }

    // 著者 holds bytes that are not CP932 and characters with two CP932 codes; appending to 書名
    // and pressing Enter leaves them as they were.
    void applyWritesOnlyWhatTheUserChanged() {
        TZQLForm* form = OpenSample();
        TElement* element = form->Document().ElementAt(0, 1);
        const std::string authors[] = {"a\x80", "\xA0", "\xEE\xEF\x87\x90\xED\x40"};
        element->SetTexts(1, TextList(std::begin(authors), std::end(authors)));
        form->List().SelectRows(0, 0, 0);
        form->List().SelectRows(1, 1, 1);
        auto* title = qobject_cast<QLineEdit*>(form->Panel().Control(0));
        title->setFocus();
        title->end(false);
        TypeText(title, u"z"_s);
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(Title(element), u"表の作り方z"_s);
        QCOMPARE(element->Texts(1).ToList(), TextList(std::begin(authors), std::end(authors)));
        ForgetChanges(form->Document().Library());
    }

    // Pasting an empty clipboard into a multi-line field changes nothing and ends nothing.
    void pastingAnEmptyClipboardIsHarmless() {
        TZQLForm* form = OpenSample();
        form->List().SelectRows(0, 0, 0);
        auto* authors = qobject_cast<QPlainTextEdit*>(form->Panel().Control(1));
        QVERIFY(authors);
        const QString shown = authors->toPlainText();
        QGuiApplication::clipboard()->clear();
        authors->setFocus();
        QTest::keyClick(authors, Qt::Key_V, Qt::ControlModifier);
        authors->paste();
        QCOMPARE(authors->toPlainText(), shown);
        QVERIFY(!form->Panel().Changed());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TPanelEditTest)
#include "TPanelEditTest.moc"
