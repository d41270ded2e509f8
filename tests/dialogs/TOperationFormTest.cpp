// The sort, compare-apply and duplicate-deletion dialogs on the sample library (groups 書籍,
// 新刊, 出版社; twelve parameters): the data lines their ticks give, their refusals, what their
// callers run and show, the batch items made through them, and the progress display.
#include <QHeaderView>
#include <QRadioButton>

#include "FrameFixture.h"
#include "TempDir.h"
#include "dialogs/TCheckList.h"
#include "dialogs/TCompareApplyForm.h"
#include "dialogs/TLibrarySettingForm.h"
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
    test::ClickRow(Child<QListWidget>(dialog, list), row);
}

// The titles (書名) of the rows a list shows.
QStringList Titles(const TElementListModel& model) {
    QStringList titles;
    for (std::size_t row = 0; row < model.ElementCount(); ++row) {
        titles << Title(model.ElementAt(static_cast<int>(row)));
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

    // Each refusal keeps the dialog open; closing it then changes nothing.
    void refusalsInTheirOrder() {
        const QStringList before = Titles(form_->List().ListModel());
        const auto refuse = [this](const char* action, const QString& caption,
                                   const QStringList& messages, const Drive& drive) {
            dialogs_->ExpectDialog(caption, u"閉じる"_s, [&](QDialog& dialog) {
                for (const QString& message : messages)
                    dialogs_->Expect(Kind::kMessage, message);
                drive(dialog);
                QVERIFY(dialog.isVisible() && dialogs_->Done());
            });
            form_->Action(QString::fromLatin1(action))->trigger();
            QVERIFY(dialogs_->Done());
        };
        refuse("A_Sort", u"並び替え"_s, {kNoKey}, [](QDialog& d) {
            Tick(d, "TargetGroupCLBox", {1, 2});
            Click(d, "OKBBtn");
        });
        refuse("A_DeleteDuplicates", u"重複削除"_s, {kNoKey, u"対象にするグループがありません！"_s},
               [](QDialog& d) {
                   Tick(d, "TargetGroupCLBox", {0});
                   Click(d, "OKBBtn");
                   Tick(d, "TargetGroupCLBox", {0}, false);
                   Tick(d, "JudgeParamCLBox", {0});
                   Click(d, "OKBBtn");
               });
        refuse("A_CompareApply", u"判定適用"_s,
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
               });
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
        // The progress display shows only after its delay.
        for (int delay : {0, TOperationProgress::kMinimumMs}) {
            TOperationProgress progress(form_, u"並び替え"_s, delay);
            progress.Report(QtText::ToCp932(u"グループ「書籍」"_s));
            QCOMPARE(progress.Shown(), delay == 0);
            if (delay == 0) QCOMPARE(progress.Label(), u"並び替え\nグループ「書籍」"_s);
        }
    }

    // The batch pages of the library settings: the change page's two new plain items go after
    // the sample's sort and a drop puts the last one first; the open page's placeholder row
    // removes nothing, and items made through the dialogs (a cancelled one adds nothing) land
    // there. OK commits both without marking the library; the save writes them.
    void batchItemsMadeOnTheSettingsPagesAreSaved() {
        const std::vector<TBatchSetting> sample =
            form_->Document().Library().BatchList(kBatchChange);
        const QString sort = QtText::FromCp932(sample.at(0).name);
        dialogs_->ExpectDialog(u"ライブラリの設定"_s, u"OK"_s, [&](QDialog& settings) {
            auto* pages = Child<QTabWidget>(settings, "BatchPageControl");
            const auto add = [&](int entry) {
                Child<QListWidget>(settings, "BatchLBox")->setCurrentRow(entry);
                Click(settings, "ParamUseBtn");
            };
            pages->setCurrentIndex(2);
            QListWidget* change =
                static_cast<TLibrarySettingForm&>(settings).BatchGrid(kBatchChange);
            add(3);
            add(2);
            QCOMPARE(ItemTexts(*change), (QStringList{sort, u"出力"_s, u"上書き保存"_s}));
            // What a drop of the last row above the first does to the grid's model.
            QVERIFY(change->model()->moveRow({}, 2, {}, 0));
            QCoreApplication::processEvents();
            QCOMPARE(ItemTexts(*change), (QStringList{u"上書き保存"_s, sort, u"出力"_s}));
            pages->setCurrentIndex(0);
            QListWidget* open = static_cast<TLibrarySettingForm&>(settings).BatchGrid(kBatchOpen);
            QCOMPARE(ItemTexts(*open), QStringList{u"＜処理未指定＞"_s});
            open->setCurrentRow(0);
            Click(settings, "ParamNotUseBtn");
            QCOMPARE(open->count(), 1);
            dialogs_->ExpectDialog(u"並び替え"_s, u"閉じる"_s);
            dialogs_->ExpectDialog(u"並び替え"_s, u"実行"_s, [](QDialog& d) {
                QVERIFY(!d.findChild<TCheckList*>(u"TargetGroupCLBox"_s)->AnyTicked());
                Tick(d, "JudgeParamCLBox", {2});
                Tick(d, "OptionCLBox", {0, 2}, false);
            });
            // Lists keep a trailing comma unless they hold one item; a radio item sets the
            // status of the selected row.
            dialogs_->ExpectDialog(u"判定適用"_s, u"実行"_s, [](QDialog& d) {
                for (int row : {0, 1, 2, 2})
                    ClickRow(d, "SrcLBox", row);
                ClickRow(d, "DstLBox", 0);
                auto radios = Child(d, "DstGroupStatusRGroup")->findChildren<QRadioButton*>();
                QVERIFY(radios[1]->isChecked());  // 選択 shows the toggled status
                radios[0]->click();
                ClickRow(d, "DstLBox", 2);
                Tick(d, "JudgeParamCLBox", {0});
                Tick(d, "ApplyParamCLBox", {11});
            });
            dialogs_->ExpectDialog(u"重複削除"_s, u"実行"_s, [](QDialog& d) {
                Tick(d, "JudgeParamCLBox", {11});
                Tick(d, "TargetGroupCLBox", {0, 1});
            });
            for (int entry : {0, 0, 1, 4})
                add(entry);
        });
        form_->Action(u"A_LibrarySetting"_s)->trigger();
        const std::vector<TBatchSetting> expected = {
            {{"[JudgeParam]2", "[Option]0,1,0,1"}, 1, Sj("並び替え")},
            {{"[SrcGroup]0,1,", "[DstGroup]2", "[JudgeParam]0,", "[ApplyParam]11",
              "[JudgeCondition]0", "[ApplyCondition]0"},
             2,
             Sj("判定適用")},
            {{"[JudgeParam]11", "[TargetGroup]0,1,"}, 5, Sj("重複削除")},
        };
        const TZQLCtrl& library = form_->Document().Library();
        QVERIFY(library.BatchList(kBatchOpen) == expected);
        const std::vector<TBatchSetting>& change = library.BatchList(kBatchChange);
        QVERIFY(change.size() == 3 && change[0].type == 3 && change[2].type == 4);
        QVERIFY(change[1] == sample[0] && form_->Document().IsModified());

        // Written with the library file as they were made.
        form_->Save();
        const QByteArray written = Bytes(Path("books.ZQL"));
        for (const TBatchSetting& item : expected) {
            QVERIFY(written.contains(QByteArray::fromStdString("[name]" + item.name)));
            for (const std::string& line : item.dataLines)
                QVERIFY(written.contains(QByteArray::fromStdString(line + "\r\n")));
        }
    }

private:
    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TOperationFormTest)
#include "TOperationFormTest.moc"
