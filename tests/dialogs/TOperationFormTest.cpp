// The sort, compare-apply and duplicate-deletion dialogs on the sample library (groups 書籍,
// 新刊, 出版社; twelve parameters): the data lines their ticks give, their refusals, what their
// callers run and show, the batch items made through them, and the progress display.
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <functional>

#include "FrameFixture.h"
#include "TempDir.h"
#include "dialogs/TCheckList.h"
#include "dialogs/TCompareApplyForm.h"
#include "dialogs/TSortForm.h"
#include "windows/TElementListModel.h"
#include "windows/TOperationProgress.h"
#include "windows/TSubElementListView.h"
#include "windows/TSubForm.h"

namespace tabrix {

using namespace test;
using Drive = std::function<void(QDialog&)>;

namespace {

const QString kDone = u"処理終了です"_s;
const QString kNoKey = u"基準にするパラメータがありません！"_s;

void Tick(QDialog& dialog, const char* list, std::initializer_list<int> rows, bool on = true) {
    auto* checks = Child<TCheckList>(dialog, list);
    for (int row : rows)
        checks->SetTicked(row, on);
}

// A click on a row of a compare-apply group list, as the user makes it.
void ClickRow(QDialog& dialog, const char* list, int row) {
    auto* rows = dialog.findChild<QListWidget*>(QString::fromLatin1(list));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                      rows->visualItemRect(rows->item(row)).center());
}

// The titles (書名) of the rows a list shows.
QStringList Titles(const TElementListModel& model) {
    QStringList titles;
    for (std::size_t row = 0; row < model.ElementCount(); ++row) {
        const TElement* e = model.ElementAt(static_cast<int>(row));
        titles << (e->Texts(0).empty() ? QString() : QtText::FromCp932(e->Texts(0)[0]));
    }
    return titles;
}

const QString kA = u"ソフトウェア入門"_s, kB = u"表の作り方"_s, kC = u"ねこの随筆"_s,
              kD = u"Ｃ＋＋の海"_s;

}  // namespace

class TOperationFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(1100, 700);
        form_ = OpenSample();
    }
    void cleanup() { CloseFrame(); }

    void dataLinesAsTheDialogsWriteThem() {
        const TZQLCtrl& library = form_->Document().Library();
        struct Case {
            const char* name;
            std::function<TOperationForm*()> make;
            Drive drive;
            StringList lines;
        };
        const Case cases[] = {
            {"sort without a group",
             [&] { return new TSortForm(library, -1, *dialogs_); },
             [](QDialog& d) {
                 Tick(d, "JudgeParamCLBox", {2});
                 Tick(d, "OptionCLBox", {0, 2}, false);
             },
             {"[JudgeParam]2", "[Option]0,1,0,1"}},
            {"compare-apply: trailing comma unless the last item",
             [&] { return new TCompareApplyForm(library, *dialogs_); },
             [](QDialog& d) {
                 for (int row : {0, 1, 2, 2})
                     ClickRow(d, "SrcLBox", row);
                 ClickRow(d, "DstLBox", 2);
                 Tick(d, "JudgeParamCLBox", {0});
                 Tick(d, "ApplyParamCLBox", {11});
             },
             {"[SrcGroup]0,1,", "[DstGroup]2", "[JudgeParam]0,", "[ApplyParam]11",
              "[JudgeCondition]0", "[ApplyCondition]0"}},
            {"compare-apply: radio items set the selected row",
             [&] { return new TCompareApplyForm(library, *dialogs_); },
             [](QDialog& d) {
                 ClickRow(d, "DstLBox", 0);
                 auto radios = d.findChild<QWidget*>(u"DstGroupStatusRGroup"_s)
                                   ->findChildren<QRadioButton*>();
                 QVERIFY(radios[1]->isChecked());  // 選択 shows the toggled status
                 radios[0]->click();
             },
             {"[SrcGroup]", "[DstGroup]", "[JudgeParam]", "[ApplyParam]", "[JudgeCondition]0",
              "[ApplyCondition]0"}},
        };
        for (const Case& c : cases) {
            std::unique_ptr<TOperationForm> dialog(c.make());
            dialog->show();
            c.drive(*dialog);
            QVERIFY2(dialog->DataLines() == c.lines, c.name);
        }
    }

    // Each refusal keeps the dialog open; closing it then changes nothing.
    void refusalsInTheirOrder() {
        struct Case {
            const char* action;
            QString caption;
            QStringList messages;
            Drive drive;
        };
        const Case cases[] = {
            {"A_Sort",
             u"並び替え"_s,
             {kNoKey},
             [](QDialog& d) {
                 Tick(d, "TargetGroupCLBox", {1, 2});
                 Click(d, "OKBBtn");
             }},
            {"A_DeleteDuplicates",
             u"重複削除"_s,
             {kNoKey, u"対象にするグループがありません！"_s},
             [](QDialog& d) {
                 Tick(d, "TargetGroupCLBox", {0});
                 Click(d, "OKBBtn");
                 Tick(d, "TargetGroupCLBox", {0}, false);
                 Tick(d, "JudgeParamCLBox", {0});
                 Click(d, "OKBBtn");
             }},
            {"A_CompareApply",
             u"判定適用"_s,
             {u"判定元と適用先の両方に指定されているグループがあります！"_s,
              u"判定元と判定先の両方に指定されているパラメータがあります！"_s},
             [](QDialog& d) {
                 ClickRow(d, "SrcLBox", 0);
                 ClickRow(d, "DstLBox", 0);
                 Tick(d, "JudgeParamCLBox", {4});
                 Tick(d, "ApplyParamCLBox", {4});
                 Click(d, "OKBBtn");
                 ClickRow(d, "DstLBox", 0);
                 Click(d, "OKBBtn");
             }},
        };
        const QStringList before = Titles(form_->List().ListModel());
        for (const Case& c : cases) {
            dialogs_->ExpectDialog(c.caption, u"閉じる"_s, [&](QDialog& dialog) {
                for (const QString& message : c.messages)
                    dialogs_->Expect(Kind::kMessage, message);
                c.drive(dialog);
                QVERIFY(dialog.isVisible());
                QVERIFY(dialogs_->Done());
            });
            form_->Action(QString::fromLatin1(c.action))->trigger();
            QVERIFY(dialogs_->Done());
        }
        QCOMPARE(Titles(form_->List().ListModel()), before);
        QVERIFY(!form_->Document().IsModified());
    }

    // Menu and header cell of the library window: sorted, both lists repainted, the message;
    // the sub window's header cell: its own group, no message.
    void sortCallersRepaintBothLists() {
        TSubForm* sub = frame_->SubWindow();
        sub->ChangeGroup(0);
        dialogs_->ExpectDialog(u"並び替え"_s, u"実行"_s, [](QDialog& d) {
            QCOMPARE(d.findChild<TCheckList*>(u"TargetGroupCLBox"_s)->Ticks(),
                     (std::vector<bool>{true, false, false}));
            Tick(d, "JudgeParamCLBox", {0});
            Tick(d, "OptionCLBox", {1, 2, 3}, false);
        });
        dialogs_->Expect(Kind::kMessage, kDone);
        form_->Action(u"A_Sort"_s)->trigger();
        QCOMPARE(Titles(form_->List().ListModel()), (QStringList{kD, kC, kA, kB}));
        QCOMPARE(Titles(*sub->List().ListModel()), (QStringList{kD, kC, kA, kB}));
        QVERIFY(form_->Document().IsModified());

        // Kana folding puts ねこ (as ネコ) after ソ.
        dialogs_->ExpectDialog(u"並び替え"_s, u"実行"_s,
                               [](QDialog& d) { Tick(d, "JudgeParamCLBox", {0}); });
        dialogs_->Expect(Kind::kMessage, kDone);
        QHeaderView* header = form_->List().horizontalHeader();
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(Titles(form_->List().ListModel()), (QStringList{kD, kA, kC, kB}));

        dialogs_->ExpectDialog(u"並び替え"_s, u"実行"_s, [](QDialog& d) {
            Tick(d, "JudgeParamCLBox", {0});
            Tick(d, "OptionCLBox", {0}, false);
        });
        QHeaderView* subHeader = sub->List().horizontalHeader();
        const int x = subHeader->sectionViewportPosition(TSubElementListView::kElementColumn) + 5;
        QTest::mousePress(subHeader->viewport(), Qt::LeftButton, {}, QPoint(x, 10));
        QCOMPARE(Titles(*sub->List().ListModel()), (QStringList{kB, kC, kA, kD}));
        QCOMPARE(Titles(form_->List().ListModel()), (QStringList{kB, kC, kA, kD}));
        QVERIFY(!dialogs_->Asked().last().contains(kDone));
    }

    void compareApplyAndDuplicateDeletionFromTheMenu() {
        // No judge: every 新刊 element takes the price of the last 書籍 element.
        dialogs_->ExpectDialog(u"判定適用"_s, u"実行"_s, [](QDialog& d) {
            ClickRow(d, "SrcLBox", 0);
            ClickRow(d, "DstLBox", 1);
            Tick(d, "ApplyParamCLBox", {6});
        });
        dialogs_->Expect(Kind::kMessage, kDone);
        form_->Action(u"A_CompareApply"_s)->trigger();
        for (std::size_t i = 0; i < 2; ++i)
            QCOMPARE(form_->Document().ElementAt(1, i)->Numbers(6).front(), NumberItem(5200));

        // 分類 is 1, 1, 2, 1 in 書籍: the first of each value stays; the list follows at once.
        form_->List().SelectRows(3, 3, 3);
        QVERIFY(form_->Action(u"A_DeleteDuplicates"_s)->isVisible());
        dialogs_->ExpectDialog(u"重複削除"_s, u"実行"_s, [](QDialog& d) {
            Tick(d, "JudgeParamCLBox", {11});
            Tick(d, "TargetGroupCLBox", {0});
        });
        form_->Action(u"A_DeleteDuplicates"_s)->trigger();
        QCOMPARE(Titles(form_->List().ListModel()), (QStringList{kA, kC}));
        QCOMPARE(form_->CurrentElement(), form_->Document().ElementAt(0, 1));
    }

    // Items made through the dialogs on a batch page, a cancelled one adding nothing, and the
    // library file written with them.
    void batchItemsMadeThroughTheDialogsAreSaved() {
        auto add = [](QDialog& settings, int entry) {
            auto* entries = settings.findChild<QListWidget*>(u"BatchLBox"_s);
            entries->setCurrentRow(entry);
            settings.findChild<QPushButton*>(u"ParamUseBtn"_s)->click();
        };
        dialogs_->ExpectDialog(u"ライブラリの設定"_s, u"OK"_s, [&](QDialog& settings) {
            dialogs_->ExpectDialog(u"並び替え"_s, u"閉じる"_s);
            dialogs_->ExpectDialog(u"並び替え"_s, u"実行"_s, [](QDialog& d) {
                QVERIFY(!d.findChild<TCheckList*>(u"TargetGroupCLBox"_s)->AnyTicked());
                Tick(d, "JudgeParamCLBox", {0});
            });
            dialogs_->ExpectDialog(u"判定適用"_s, u"実行"_s,
                                   [](QDialog& d) { ClickRow(d, "SrcLBox", 2); });
            dialogs_->ExpectDialog(u"重複削除"_s, u"実行"_s, [](QDialog& d) {
                Tick(d, "JudgeParamCLBox", {11});
                Tick(d, "TargetGroupCLBox", {0, 1});
            });
            for (int entry : {0, 0, 1, 4})
                add(settings, entry);
        });
        form_->Action(u"A_LibrarySetting"_s)->trigger();
        const std::vector<TBatchSetting> expected = {
            {{"[JudgeParam]0", "[Option]1,1,1,1"}, 1, Sj("並び替え")},
            {{"[SrcGroup]2", "[DstGroup]", "[JudgeParam]", "[ApplyParam]", "[JudgeCondition]0",
              "[ApplyCondition]0"},
             2,
             Sj("判定適用")},
            {{"[JudgeParam]11", "[TargetGroup]0,1,"}, 5, Sj("重複削除")},
        };
        QVERIFY(form_->Document().Library().BatchList(kBatchOpen) == expected);

        // Written with the library file as they were made.
        form_->Save();
        const QByteArray written = Bytes(Path("books.ZQL"));
        for (const TBatchSetting& item : expected) {
            QVERIFY(written.contains(QByteArray::fromStdString("[name]" + item.name)));
            for (const std::string& line : item.dataLines)
                QVERIFY(written.contains(QByteArray::fromStdString(line + "\r\n")));
        }
    }

    void progressShowsOnlyAfterItsDelay() {
        for (int delay : {0, TOperationProgress::kMinimumMs}) {
            TOperationProgress progress(form_, u"並び替え"_s, delay);
            progress.Report(QtText::ToCp932(u"グループ「書籍」"_s));
            QCOMPARE(progress.Shown(), delay == 0);
            if (delay == 0) QCOMPARE(progress.Label(), u"並び替え\nグループ「書籍」"_s);
        }
    }

private:
    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TOperationFormTest)
#include "TOperationFormTest.moc"
