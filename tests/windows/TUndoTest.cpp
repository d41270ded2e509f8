// Undo and redo through the library window: every kind of edit is one step that Ctrl+Z takes
// back to exactly the model before it and Ctrl+Y brings back to exactly the model after it; the
// saved state is the history's clean state; another library's later change refuses the step.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QUndoStack>
#include <sstream>

#include "ElementFingerprint.h"
#include "FrameFixture.h"
#include "model/TLibraryCustomise.h"
#include "model/TZQICtrl.h"
#include "settings/TGroupDataSetting.h"
#include "settings/TLibrarySetting.h"
#include "settings/TParamSetting.h"
#include "windows/TElementDrag.h"
#include "windows/TMultiApplyForm.h"
#include "windows/TSubForm.h"

namespace tabrix {

using namespace test;

namespace {

// Every element of every group the library shows: identity, output flag, values (references by
// their target's place), and the groups' output status; the parameters in their order, the
// memo, the stored batch items and the look.
std::string Fingerprint(TLibraryDocument& document) {
    std::ostringstream out;
    const TZQLCtrl& library = document.Library();
    for (const auto& parameter : library.ParameterFile()->Parameters())
        out << parameter->Name() << ',';
    for (const std::string& line : library.PreviewMemo())
        out << line << '|';
    for (const TBatchSetting& item : library.BatchList(kBatchClose))
        out << item.name << TStringDivision::Join(";", item.dataLines) << '|';
    const TLibraryLook look = TLibraryCustomise::Get(library.InitializeInfo()->Store());
    out << look.panelColour.value_or(1u << 31) << ' ' << look.groupListCount << '\n';
    for (std::size_t g = 0; g < document.Library().GroupCount(); ++g) {
        out << document.Library().Group(g)->Name() << int(document.Library().Group(g)->Status())
            << '\n';
        TGroupData* data = document.DataOf(g);
        for (std::size_t i = 0; data && i < data->Size(); ++i) {
            WriteFingerprint(out, *data->At(i));
            out << '\n';
        }
    }
    return out.str();
}

void Key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(widget, key, modifiers);
}

// Puts 新刊 out of its title order without a step, so that the sample's "change" list (which
// sorts it) does something.
void Unsort(TZQLForm& form) {
    form.Document().Library().MoveElements(1, 1, 0, 1);
}

}  // namespace

class TUndoTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(1100, 700);
        frame_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
    }
    void cleanup() { CloseFrame(); }

    void everyEditIsOneStepBackAndForth() {
        struct Case {
            const char* step;  // the step's name in the menu
            std::function<void(TZQLForm&)> edit;
        };
        const Case cases[] = {
            {"変更適用",
             [](TZQLForm& form) {
                 form.List().SelectRows(1, 1, 1);
                 QWidget* title = form.Panel().Control(0);
                 title->setFocus();
                 TypeText(title, u"z"_s);
                 form.OutputBox().toggle();
                 QTest::keyClick(title, Qt::Key_Return);
             }},
            {"要素の追加",
             [this](TZQLForm& form) {
                 dialogs_->Expect(Kind::kInput, u"追加数"_s, Answer::kOk, "2");
                 form.Action(u"A_Add"_s)->trigger();
             }},
            {"要素の挿入",
             [this](TZQLForm& form) {
                 form.List().SelectRows(1, 1, 1);
                 dialogs_->Expect(Kind::kInput, u"挿入数"_s, Answer::kOk, "1");
                 form.Action(u"A_Insert"_s)->trigger();
             }},
            {"要素の削除",
             [this](TZQLForm& form) {
                 form.List().SelectRows(0, 1, 0);  // 表の作り方 is referred to by 出版社
                 dialogs_->Expect(Kind::kOkCancel, u"個の項目を削除します"_s);
                 form.Action(u"A_Delete"_s)->trigger();
             }},
            {"要素の移動", [](TZQLForm& form) { form.MoveRows(0, 3, 0, 0); }},
            {"要素の複写",
             [](TZQLForm& form) {
                 TElementDrag drag;
                 drag.document = &form.Document();
                 drag.group = 0, drag.top = 0, drag.bottom = 1;
                 form.DropElements(drag, 3);
             }},
            {"一括変更適用",
             [](TZQLForm& form) {
                 form.List().SelectRows(1, 2, 1);
                 form.OpenMultiApply();
                 TMultiApplyForm& window = *form.MultiApplyWindow();
                 TypeText(window.Panel().Control(0), u"一括"_s);
                 window.UseBox(0)->setChecked(true);
                 window.ApplyButton().click();
                 form.List().setFocus();
             }},
            {"並び替え",
             [](TZQLForm& form) {
                 form.Document().RunSort({"[JudgeParam]0", "[GroupNo]0"});
             }},
            {"判定適用",
             [](TZQLForm& form) {
                 form.Document().RunCompareApply({"[SrcGroup]0,", "[DstGroup]1,", "[JudgeParam]4,",
                                                  "[ApplyParam]6,", "[JudgeCondition]0",
                                                  "[ApplyCondition]0"});
             }},
            {"重複削除",
             [](TZQLForm& form) {
                 form.Document().RunDuplicateDeletion({"[JudgeParam]5", "[TargetGroup]0"});
             }},
            {"ライブラリ設定",
             [](TZQLForm& form) {
                 TLibrarySetting setting(form.Document().Library());
                 setting.description = "memo";
                 setting.look.panelColour = 0x00ff00;
                 setting.AppendItem(
                     kBatchClose, TLibrarySetting::PlainItem(TLibrarySetting::BatchEntry::kOutput));
                 form.Document().CommitLibrarySetting(setting,
                                                      TLibrarySetting::ReloadAnswer::kKeep);
             }},
            {"パラメータ設定",
             [](TZQLForm& form) {
                 // Moves the title behind the author: every element's values move with it.
                 TParamSetting setting(*form.Document().Library().ParameterFile());
                 setting.MoveDown(0);
                 QVERIFY(form.Document().CommitParamSetting(setting));
             }},
            {"グループ設定",
             [](TZQLForm& form) {
                 // The first group data goes, with the elements the second group refers to.
                 TGroupDataSetting setting(form.Document().Library());
                 setting.DeleteGroupData(0, {0}, true);
                 form.Document().CommitGroupSetting(setting);
             }},
            {"開始時の一括処理",
             [](TZQLForm& form) {
                 form.Document().Library().BatchList(kBatchOpen) = {
                     {{"[JudgeParam]6", "[GroupNo]0"}, 1, "sort"}};
                 form.Document().RunBatchList(kBatchOpen);
             }},
        };
        for (const Case& c : cases) {
            CloseFrame();
            init();
            TZQLForm* form = OpenSample();
            Unsort(*form);
            TLibraryDocument& document = form->Document();
            ForgetChanges(document.Library());
            const std::string before = Fingerprint(document);
            c.edit(*form);
            const std::string after = Fingerprint(document);
            QVERIFY2(after != before, c.step);
            QCOMPARE(document.History().count(), 1);
            QCOMPARE(form->Action(u"A_Undo"_s)->text(),
                     u"元に戻す: "_s + QString::fromUtf8(c.step) + u"(&U)"_s);
            QVERIFY(document.IsModified() && form->isWindowModified());

            Key(&form->List(), Qt::Key_Z);
            QVERIFY2(Fingerprint(document) == before, c.step);
            QVERIFY2(!document.IsModified() && !form->isWindowModified(), c.step);
            // The panel shows an element that exists.
            const TElement* shown = form->Panel().CurrentElement();
            QVERIFY(!shown || (shown->Owner() && shown->Owner()->At(shown->Index()) == shown));
            Key(&form->List(), Qt::Key_Y);
            QVERIFY2(Fingerprint(document) == after, c.step);
            Key(&form->List(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(Fingerprint(document) == after, c.step);  // nothing left to do again
            QVERIFY(document.IsModified());
            ForgetChanges(document.Library());
        }
    }

    // The "change" list an edit runs is part of that edit's step.
    void theChangeListJoinsTheEditsStep() {
        TZQLForm* form = OpenSample();
        Unsort(*form);
        const std::string before = Fingerprint(form->Document());
        form->MoveRows(0, 1, 0, 0);
        QCOMPARE(Title(form->Document().ElementAt(1, 0)), u"ばいおりん入門"_s);
        QCOMPARE(form->Document().History().count(), 1);
        form->Action(u"A_Undo"_s)->trigger();
        QVERIFY(Fingerprint(form->Document()) == before);
        ForgetChanges(form->Document().Library());
    }

    // Saved, the library is at its clean state: undoing past it is a change, doing again up to
    // it is none, and the files hold what was saved.
    void theSavedStateIsTheCleanState() {
        TZQLForm* form = OpenSample();
        TLibraryDocument& document = form->Document();
        const QString zqd = Path(u"data/books.ZQD"_s);
        // The sample's own file is not as the program writes it: saved once unchanged first.
        document.DataOf(0)->MarkModified();
        form->Action(u"A_Save"_s)->trigger();
        const QByteArray original = Bytes(zqd);
        form->MoveRows(0, 3, 0, 0);
        form->Action(u"A_Save"_s)->trigger();
        const QByteArray saved = Bytes(zqd);
        QVERIFY(saved != original && !document.IsModified());
        form->Action(u"A_Undo"_s)->trigger();
        QVERIFY(document.IsModified() && form->isWindowModified());
        form->Action(u"A_Save"_s)->trigger();
        QCOMPARE(Bytes(zqd), original);
        form->Action(u"A_Redo"_s)->trigger();
        QVERIFY(document.IsModified());
        form->Action(u"A_Undo"_s)->trigger();
        QVERIFY(!document.IsModified());
        // A settings commit is a step like any other: undone, the library is as saved.
        TLibrarySetting setting(document.Library());
        setting.description = "abc";
        document.CommitLibrarySetting(setting, TLibrarySetting::ReloadAnswer::kKeep);
        QVERIFY(document.IsModified());
        form->MoveRows(0, 3, 0, 0);
        form->Action(u"A_Undo"_s)->trigger();
        QVERIFY(document.IsModified());
        form->Action(u"A_Undo"_s)->trigger();
        QVERIFY(!document.IsModified());
        // At most so many steps are kept.
        for (int i = 0; i <= TLibraryDocument::kHistorySteps; ++i)
            form->MoveRows(0, 3, 0, 0);
        QCOMPARE(document.History().count(), TLibraryDocument::kHistorySteps);
        ForgetChanges(document.Library());
    }

    // Two libraries share the element data file: a step does not go under the other's later
    // change, and goes once that change is undone.
    void anotherLibrarysLaterChangeRefusesTheStep() {
        TZQLForm* first = OpenSample();
        QFile::copy(Path(u"books.ZQL"_s), Path(u"second.ZQL"_s));
        TZQLForm* second = frame_->OpenSelected(Path(u"second.ZQL"_s));
        QVERIFY(second && second->Document().DataOf(0) == first->Document().DataOf(0));
        // The frame's undo group has both histories, the active library's active.
        QCOMPARE(frame_->UndoGroup().stacks().size(), 2);
        QCOMPARE(frame_->UndoGroup().activeStack(),
                 &frame_->ActiveLibraryWindow()->Document().History());
        const std::string before = Fingerprint(first->Document());
        first->MoveRows(0, 3, 0, 0);
        const std::string moved = Fingerprint(first->Document());
        second->MoveRows(0, 2, 0, 0);
        dialogs_->Expect(Kind::kMessage, u"別のライブラリで変更されたため元に戻せません"_s);
        QVERIFY(!first->Document().Undo());
        QCOMPARE(first->Document().History().index(), 1);
        QVERIFY(second->Document().Undo());
        QVERIFY(Fingerprint(first->Document()) == moved);
        QVERIFY(first->Document().Undo());
        QVERIFY(Fingerprint(first->Document()) == before);
        // A parameter commit moves the values of the shared elements: the other's later edit
        // stands in its way as well; undone, the panel shows the parameters put back.
        TParamSetting setting(*first->Document().Library().ParameterFile());
        setting.MoveDown(0);
        QVERIFY(first->Document().CommitParamSetting(setting));
        second->MoveRows(0, 2, 0, 0);
        dialogs_->Expect(Kind::kMessage, u"別のライブラリで変更されたため元に戻せません"_s);
        QVERIFY(!first->Document().Undo());
        QVERIFY(second->Document().Undo() && first->Document().Undo());
        QVERIFY(Fingerprint(first->Document()) == before);
        QVERIFY(first->Panel().findChild<QLabel*>(u"Label0"_s)->text().startsWith(u"書名"_s));
        ForgetChanges(first->Document().Library());
        ForgetChanges(second->Document().Library());
    }

    // In a text field of the panel, Ctrl+Z is the field's own undo.
    void aTextFieldKeepsItsOwnUndo() {
        TZQLForm* form = OpenSample();
        form->MoveRows(0, 3, 0, 0);
        auto* title = qobject_cast<QLineEdit*>(form->Panel().Control(0));
        title->setFocus();
        const QString shown = title->text();
        TypeText(title, u"abc"_s);
        Key(title, Qt::Key_Z);
        QVERIFY(title->text() != shown + u"abc"_s);
        QCOMPARE(form->Document().History().index(), 1);
        ForgetChanges(form->Document().Library());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TUndoTest)
#include "TUndoTest.moc"
