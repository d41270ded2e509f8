// The editor by keyboard alone: where Tab, Enter, Esc and the arrows take the focus, the
// library's keys in its sub window and batch change-apply window, the frame's standard keys,
// numbers the panel cannot keep as typed, and five books entered without the mouse.
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>

#include "FrameFixture.h"
#include "platform/AppIdentity.h"
#include "platform/THelpBrowser.h"
#include "windows/TMultiApplyForm.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"

namespace tabrix {

using namespace test;

namespace {

// The sample's fields: 0 書名 (one line), 1 著者 (lines), 6 価格, 8 ページ数, 9 章の頁 (lines).
constexpr int kList = -1, kApply = 100, kOutput = 101;

}  // namespace

class TKeyboardTest : public QObject, FrameFixture {
    Q_OBJECT

    // A key as the user presses it: to the widget with the focus, else to the frame.
    void Press(int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : frame_.get(), static_cast<Qt::Key>(key), modifiers);
    }
    TZQLForm* OpenFocused() {
        TZQLForm* form = OpenSample();
        form->SetAutoApply(false);
        QApplication::setActiveWindow(frame_.get());
        [&] { QVERIFY(QTest::qWaitForWindowActive(frame_.get())); }();
        return form;
    }
    QWidget* Place(TZQLForm& form, int place) const {
        if (place == kList) return &form.List();
        if (place == kOutput) return &form.OutputBox();
        if (place == kApply)
            return Child(form, "Panel_BR")
                ->findChild<QToolBar*>()
                ->widgetForAction(form.Action(u"A_Apply"_s));
        return form.Panel().Control(place);
    }

private slots:
    void init() { StartFrame(1100, 700); }
    void cleanup() { CloseFrame(); }

    // From a place, one key, to a place; multi-line fields keep the arrows and never get a tab.
    void keysMoveTheFocus() {
        const struct {
            int from, key;
            Qt::KeyboardModifiers modifiers;
            int to;
        } cases[] = {
            {kList, Qt::Key_Tab, {}, 0},
            {kList, Qt::Key_Return, {}, 0},
            {0, Qt::Key_Tab, {}, 1},
            {1, Qt::Key_Tab, {}, 2},
            {0, Qt::Key_Backtab, {}, kList},
            {kList, Qt::Key_Backtab, {}, kOutput},
            {11, Qt::Key_Tab, {}, kApply},
            {kApply, Qt::Key_Tab, {}, kOutput},
            {kOutput, Qt::Key_Tab, {}, kList},
            {0, Qt::Key_Down, {}, 1},
            {6, Qt::Key_Up, {}, 5},
            {1, Qt::Key_Down, {}, 1},
            {1, Qt::Key_Down, Qt::ControlModifier, 2},
            {9, Qt::Key_Up, Qt::ControlModifier, 8},
            {1, Qt::Key_Escape, {}, kList},
            {7, Qt::Key_Escape, {}, kList},
            {kApply, Qt::Key_Escape, {}, kList},
            {0, Qt::Key_Return, {}, kList},
        };
        TZQLForm* form = OpenFocused();
        QCOMPARE(QApplication::focusWidget(), &form->List());
        for (const auto& c : cases) {
            Place(*form, c.from)->setFocus(Qt::OtherFocusReason);
            Press(c.key, c.modifiers);
            QCOMPARE(QApplication::focusWidget(), Place(*form, c.to));
        }
        QVERIFY(!qobject_cast<QPlainTextEdit*>(form->Panel().Control(1))
                     ->toPlainText()
                     .contains(QLatin1Char('\t')));
        QVERIFY(!form->HasPendingEdit());
    }

    // A field made again by a dialog's commit (parameter settings) keeps the focus.
    void theFocusOutlivesARebuildingDialog() {
        TZQLForm* form = OpenFocused();
        form->Panel().Control(6)->setFocus();
        dialogs_->ExpectDialog(u"ParamSettingForm"_s, u"OK"_s, [](QDialog& dialog) {
            Child<QListWidget>(dialog, "ParamLBox")->setCurrentRow(6);
            Child<QLineEdit>(dialog, "ParamNameEdit")->setText(u"値段"_s);
            Click(dialog, "PerApplyBBtn");
        });
        form->Action(u"A_ParamSetting"_s)->trigger();
        QCOMPARE(form->Panel().Label(6)->text(), u"値段"_s);
        QCOMPARE(frame_->focusWidget(), form->Panel().Control(6));
        ForgetChanges(form->Document().Library());
        form->Document().Library().ParameterFile()->SetModified(false);
    }

    // The library's keys in its sub window's list and its batch change-apply window.
    void theLibraryKeysWorkInItsOtherWindows() {
        TZQLForm* form = OpenFocused();
        form->OpenMultiApply();
        QWidget* places[] = {&frame_->SubWindow()->List(),
                             form->MultiApplyWindow()->Panel().Control(0)};
        for (QWidget* place : places) {
            form->Document().AddElements(0, 1);
            place->setFocus();
            QVERIFY(form->Document().IsModified());
            Press(Qt::Key_S, Qt::ControlModifier);
            QVERIFY(!form->Document().IsModified());
        }
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, u"2"_s);
        Press(Qt::Key_Insert, Qt::AltModifier);
        QCOMPARE(form->Document().DataOf(0)->Size(), std::size_t(8));
        ForgetChanges(form->Document().Library());
    }

    // Ctrl+W and Ctrl+F4 close the library window with its question, Ctrl+O opens the
    // selection, F1 the help, Ctrl+Q ends; hints carry no access keys.
    void theFramesStandardKeys() {
        for (const int key : {Qt::Key_W, Qt::Key_F4}) {
            TZQLForm* form = OpenFocused();
            form->Document().AddElements(0, 1);
            dialogs_->Expect(Kind::kYesNoCancel, u"保存して閉じますか"_s, Answer::kCancel);
            Press(key, Qt::ControlModifier);
            QCOMPARE(frame_->LibraryWindows().size(), 1);
            dialogs_->Expect(Kind::kYesNoCancel, u"保存して閉じますか"_s, Answer::kNo);
            Press(key, Qt::ControlModifier);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(frame_->LibraryWindows().isEmpty());
        }
        TZQLForm* form = OpenFocused();
        QCOMPARE(form->Action(u"A_Insert"_s)->statusTip(), u"要素の新規挿入"_s);
        QCOMPARE(frame_->SubWindow()->Action(u"A_Insert"_s)->statusTip(), u"要素の新規挿入"_s);
        QCOMPARE(form->Action(u"A_Save"_s)->toolTip(), u"上書き保存(Ctrl+S)"_s);
        dialogs_->ExpectDialog(u"ライブラリの選択"_s, {});
        Press(Qt::Key_O, Qt::ControlModifier);
        QSignalSpy help(frame_.get(), &TMainForm::helpOpened);
        Press(Qt::Key_F1);
        QCOMPARE(help.size(), 1);
        QVERIFY(help.first().first().toString().endsWith(u"index.htm"_s));
        QVERIFY(frame_->HelpWindow() && frame_->HelpWindow()->isVisible());
        QVERIFY(frame_->HelpWindow()->Browser().toPlainText().contains(u"ライブラリを開く"_s));
        frame_->HelpWindow()->close();
        QString about;
        dialogs_->ExpectDialog(u"Tabrix について"_s, u"OK"_s, [&](QDialog& box) {
            about = box.findChild<QLabel*>(u"AboutText"_s)->text();
        });
        frame_->findChild<QAction*>(u"A_About"_s)->trigger();
        QVERIFY(about.contains(AppIdentity::Version()) &&
                about.contains(QString::fromLatin1(qVersion())));
        Press(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!frame_->isVisible());
    }

    // Numbers the reading rules cannot keep as typed: a red frame, the field's name, the text
    // and the value kept in the status bar; the stored value follows the rules.
    void numbersThatDoNotFitAreShown() {
        const struct {
            int field;
            const char* typed;
            const char* note;  // empty: the field reads as typed
            std::uint32_t stored;
        } cases[] = {
            {8, "191520051937", "ページ数: 「191520051937」は範囲外です。記録される値: 4294967295",
             4294967295u},
            {8, "-1", "ページ数: 「-1」は範囲外です。記録される値: 4294967295", 4294967295u},
            {6, "12a", "価格: 「12a」は数値ではありません。記録される値: 0", 0},
            {6, "-3000000000", "価格: 「-3000000000」は範囲外です。記録される値: -2147483648",
             0x80000000u},
            {6, "0x10", "", 16},
            {9, "3\n99999999999", "章の頁: 「99999999999」は範囲外です。記録される値: 4294967295",
             3},
        };
        TZQLForm* form = OpenFocused();
        for (const auto& c : cases) {
            QWidget* field = form->Panel().Control(c.field);
            field->setFocus();
            Press(Qt::Key_A, Qt::ControlModifier);
            TypeText(field, QString::fromUtf8(c.typed).replace(u'\n', u'\r'));
            const QString note = QString::fromUtf8(c.note);
            QCOMPARE(field->toolTip(), note);
            QCOMPARE(field->styleSheet().contains(u"#d00000"_s), !note.isEmpty());
            form->ChangeApply();
            QCOMPARE(form->Panel().Notes().value(c.field), note);
            if (!note.isEmpty()) QCOMPARE(form->StatusText(), note);
            QCOMPARE(std::uint32_t(form->CurrentElement()->Numbers(c.field)[0]), c.stored);
        }
        ForgetChanges(form->Document().Library());
    }

    // Five books entered with keys only into the sample, saved with Ctrl+S; the frame caption
    // names the library and shows its modified state.
    void fiveBooksByKeyboardAlone() {
        TZQLForm* form = OpenFocused();
        QCOMPARE(frame_->windowTitle(), u"Tabrix - books.ZQL [*]"_s);
        QVERIFY(!frame_->isWindowModified());
        for (int i = 1; i <= 5; ++i) {
            dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, u"1"_s);
            Press(Qt::Key_Insert, Qt::AltModifier);
            Press(Qt::Key_End);
            Press(Qt::Key_Tab);
            TypeText(QApplication::focusWidget(), u"鍵盤の本%1"_s.arg(i));
            Press(Qt::Key_Tab);
            TypeText(QApplication::focusWidget(), u"著者%1"_s.arg(i));
            Press(Qt::Key_Return);
            TypeText(QApplication::focusWidget(), u"共著%1"_s.arg(i));
            for (int field = 1; field < 6; ++field)
                Press(Qt::Key_Tab);
            TypeText(QApplication::focusWidget(), QString::number(1000 + i));
            Press(Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), &form->List());
        }
        QVERIFY(frame_->isWindowModified());
        Press(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!frame_->isWindowModified());
        const QString zqd = FileText(Path(u"data/books.ZQD"_s));
        const TGroupData& data = *form->Document().DataOf(0);
        QCOMPARE(data.Size(), std::size_t(9));
        for (int i = 1; i <= 5; ++i) {
            QVERIFY2(zqd.contains(u"鍵盤の本%1"_s.arg(i)), qPrintable(zqd.right(400)));
            const TElement& element = *data.At(3 + i);
            QCOMPARE(Title(&element), u"鍵盤の本%1"_s.arg(i));
            QCOMPARE(element.Texts(1).size(), std::size_t(2));
            QCOMPARE(QtText::FromCp932(element.Texts(1)[1]), u"共著%1"_s.arg(i));
            QCOMPARE(int(element.Numbers(6)[0]), 1000 + i);
        }
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TKeyboardTest)
#include "TKeyboardTest.moc"
