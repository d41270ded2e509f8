// When a library's batch lists run in the editor: "change" after each element edit of both
// lists (not after the batch change-apply window), "close" before the unsaved-changes question,
// "open" once the window stands, and the timed list by a hand-driven ticker. The lists used sort
// the group 新刊 (x y), which each case first puts out of order (y x).
#include <QSignalSpy>
#include <QSpinBox>

#include "FrameFixture.h"
#include "model/TLibraryCustomise.h"
#include "model/TZQICtrl.h"
#include "platform/ITicker.h"
#include "windows/TElementDrag.h"
#include "windows/TMultiApplyForm.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"
#include "windows/TTimedBatch.h"

namespace tabrix {

using namespace test;

namespace {

// A ticker that ticks only when the test says so, and tells the interval it was started with.
class ManualTicker : public ITicker {
public:
    void Start(int intervalMs, std::function<void()> tick) override {
        intervalMs_ = intervalMs;
        tick_ = std::move(tick);
    }
    void Stop() override { intervalMs_ = 0; }
    // One tick, as the timer would give it after the interval; nothing while stopped.
    void Fire() {
        const std::function<void()> tick = tick_;
        if (intervalMs_ > 0 && tick) tick();
    }
    // 0 while stopped.
    int IntervalMs() const { return intervalMs_; }

private:
    int intervalMs_ = 0;
    std::function<void()> tick_;
};

// Whether 新刊 is in order; Unsort puts it out of order, so that a run of the sort shows.
bool NewSorted(TZQLForm& form) {
    return Title(form.Document().ElementAt(1, 0)) == u"ばいおりん入門"_s;
}
void Unsort(TZQLForm& form) {
    form.Document().Library().MoveElements(1, 1, 0, 1);
}

int Runs(const QSignalSpy& spy, BatchTrigger trigger) {
    return static_cast<int>(std::count_if(spy.begin(), spy.end(), [trigger](const auto& call) {
        return call.at(0).toInt() == static_cast<int>(trigger);
    }));
}

}  // namespace

class TBatchTriggerTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(1100, 700);
        path_ = CopySample(dir_->path());
    }
    void cleanup() { CloseFrame(); }

    // The sample's change list sorts 新刊; each edit of 書籍 runs it once.
    void changeListRunsOnceAfterEachElementEdit() {
        TZQLForm* form = frame_->OpenSelected(path_);
        TSubForm* sub = frame_->SubWindow();
        sub->ChangeGroup(0);
        for (int window = 0; window < 2; ++window) {
            dialogs_->Expect(Kind::kInput, u"追加数"_s, Answer::kOk, "1");
            dialogs_->Expect(Kind::kInput, u"挿入数"_s, Answer::kOk, "1");
            dialogs_->Expect(Kind::kOkCancel, u"個の項目を削除します"_s);
        }
        const std::pair<const char*, std::function<void()>> edits[] = {
            {"add", [&] { form->Action(u"A_Add"_s)->trigger(); }},
            {"insert", [&] { form->Action(u"A_Insert"_s)->trigger(); }},
            {"delete", [&] { form->Action(u"A_Delete"_s)->trigger(); }},
            {"move rows", [&] { form->MoveRows(0, 1, 0, 0); }},
            {"drop",
             [&] {
                 form->DropElements({&form->Document(), 0, 0, 0, 0}, 0);
             }},
            {"apply the panel", [&] { form->OutputBox().toggle(), form->ChangeApply(); }},
            {"sub add", [&] { sub->Action(u"A_Add"_s)->trigger(); }},
            {"sub insert", [&] { sub->Action(u"A_Insert"_s)->trigger(); }},
            // The sub window's own key.
            {"sub delete",
             [&] {
                 sub->List().SelectRows(0, 0, 0);
                 QTest::keyClick(&sub->List(), Qt::Key_Delete, Qt::AltModifier);
             }},
            {"sub move rows", [&] { sub->MoveRows(0, 1, 0, 0); }},
            {"", [&] { form->OpenMultiApply(), form->MultiApplyWindow()->ApplyButton().click(); }},
        };
        QSignalSpy spy(&form->Document(), &TLibraryDocument::batchListRan);
        for (const auto& [name, edit] : edits) {
            Unsort(*form);
            spy.clear();
            edit();
            const bool runs = *name != '\0';  // not the batch change-apply window
            QVERIFY2(Runs(spy, kBatchChange) == int(runs) && NewSorted(*form) == runs, name);
        }
        ForgetChanges(form->Document().Library());
    }

    // The timed list runs at each tick of its interval, waits (looking again every second) while
    // a modal dialog is open or the panel holds unapplied edits, then runs and keeps its
    // interval. The interval and the customise values come from the settings dialog, act in
    // the window and are read again after saving; the open and close lists run there too.
    void timedListAndLookFollowTheSettings() {
        TZQLForm* form = frame_->OpenSelected(path_);
        TZQLCtrl& library = form->Document().Library();
        std::swap(library.BatchList(kBatchTimed), library.BatchList(kBatchChange));
        auto owned = std::make_unique<ManualTicker>();
        ManualTicker& ticker = *owned;
        form->TimedBatch().SetTicker(std::move(owned));
        dialogs_->ExpectDialog("ライブラリの設定", "OK", [this](QDialog& dialog) {
            dialog.findChild<QSpinBox*>("BatchTimePaseEdit")->setValue(7);
            dialog.findChild<QSpinBox*>("GroupDropDownEdit")->setValue(5);
            dialogs_->Expect(Kind::kColour, {}, Answer::kOk, "#203040");
            QTest::mouseClick(dialog.findChild<QWidget*>("ParamBoxColorLabel"), Qt::LeftButton);
        });
        form->OpenLibrarySetting();
        QCOMPARE(ticker.IntervalMs(), 7000);
        QCOMPARE(form->GroupCombo().maxVisibleItems(), 5);
        QCOMPARE(form->Panel().palette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));

        QSignalSpy spy(&form->Document(), &TLibraryDocument::batchListRan);
        for (int run = 1; run <= 2; ++run) {
            Unsort(*form);
            ticker.Fire();
            QVERIFY(Runs(spy, kBatchTimed) == run && NewSorted(*form));
        }
        Unsort(*form);
        QDialog modal;
        modal.setModal(true);
        modal.show();
        ticker.Fire();
        QCOMPARE(ticker.IntervalMs(), TTimedBatch::kRetryMs);
        modal.hide();
        test::TypeText(form->Panel().Control(0), u"x"_s);
        ticker.Fire();
        QVERIFY(Runs(spy, kBatchTimed) == 2 && !NewSorted(*form));
        form->ChangeApply();
        ticker.Fire();
        QVERIFY(Runs(spy, kBatchTimed) == 3 && NewSorted(*form));
        QCOMPARE(ticker.IntervalMs(), 7000);

        // Saved out of order with an open list that sorts: the window of the library opened
        // again shows it sorted.
        library.BatchList(kBatchOpen) = library.BatchList(kBatchTimed);
        Unsort(*form);
        form->Save();
        QVERIFY(form->parentWidget()->close());
        QVERIFY(Bytes(path_).contains("[batch]\r\n[time_interval]7\r\n"));
        form = frame_->OpenSelected(path_);
        QVERIFY(NewSorted(*form));
        QCOMPARE(form->Document().Library().TimedInterval(), 7u);
        const TZQICtrl& info = *form->Document().Library().InitializeInfo();
        QVERIFY(TLibraryCustomise::Get(info.Store()) == (TLibraryLook{0x403020u, 5}));

        // The close list runs before the unsaved-changes question: one that saves leaves
        // nothing to ask about.
        form->Document().Library().BatchList(kBatchClose) = {{{}, 3, "save"}};
        dialogs_->Expect(Kind::kInput, u"追加数"_s, Answer::kOk, "2");
        form->Action(u"A_Add"_s)->trigger();
        QVERIFY(form->Document().IsModified() && form->parentWidget()->close());
        QVERIFY(Bytes(Path("data/books.ZQD")).contains("[size]6"));
    }

private:
    QString path_;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TBatchTriggerTest)
#include "TBatchTriggerTest.moc"
