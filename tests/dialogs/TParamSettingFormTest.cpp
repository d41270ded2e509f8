// The parameter settings dialog on the sample library (twelve parameters, one of each type), its
// real widgets driven through scripted answers: refusals, questions, the defaults an apply
// gives, colouring, and what OK commits into the library window and its files.
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

#include "FrameFixture.h"
#include "batch/TBatchRunner.h"
#include "dialogs/TParamSettingForm.h"
#include "windows/TElementDelegate.h"
#include "windows/TMultiApplyForm.h"

namespace tabrix {

using namespace test;

namespace {

const QString kCaption = u"ParamSettingForm"_s;
const QString kApplyQuestion = u"パラメータに変更が加えられています。適用しますか？"_s;

// NewParamEdit and Enter, as a user adds a parameter.
void AddByEnter(QWidget& form, const QString& name) {
    Child<QLineEdit>(form, "NewParamEdit")->setText(name);
    QTest::keyClick(Child<QLineEdit>(form, "NewParamEdit"), Qt::Key_Return);
}

}  // namespace

class TParamSettingFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(900, 600);
        form_ = OpenSample();
        for (const auto& group : Library().Groups())
            group->Set(TGroupSetting::kOutputDone, true);
    }
    void cleanup() { CloseFrame(); }

    // Visiting every page colours the formats and a drag reorders the used parameters; none
    // of it is a change, so OK commits nothing.
    void okWithoutChangeLeavesTheLibraryUntouched() {
        const TZQPCtrl& file = *Library().ParameterFile();
        const TParameter* first = file.At(0);
        const std::vector<TParameter*> used = file.UsedParameters();
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [](QDialog& dialog) {
            auto* parameters = Child<QTabWidget>(dialog, "PerBasePCtrl");
            auto* overall = Child<QTabWidget>(dialog, "ComPCtrl");
            Child<QListWidget>(dialog, "ParamLBox")->setCurrentRow(1);  // a string array
            for (int page = 0; page < parameters->count(); ++page)
                parameters->setCurrentIndex(page);
            Child<QTabWidget>(dialog, "PageControl")->setCurrentIndex(1);
            for (int page = 0; page < overall->count(); ++page)
                overall->setCurrentIndex(page);
            QCoreApplication::processEvents();  // a first colouring repaints once more, later
            auto* grid = Child<QListWidget>(dialog, "UseParamDGrid");
            QVERIFY(grid->model()->moveRow({}, 0, {}, 3));
            QCOMPARE(grid->item(1)->text().left(2), u"出版"_s);
            QVERIFY(!static_cast<TParamSettingForm&>(dialog).Setting().DialogChanged());
        });
        Action("A_ParamSetting")->trigger();
        QVERIFY(!file.IsModified());
        QCOMPARE(file.At(0), first);
        QVERIFY(file.UsedParameters() == used);
        for (const auto& group : Library().Groups())
            QVERIFY(group->Has(TGroupSetting::kOutputDone));
    }

    // A reserved name refused on adding, a taken code on applying; then the first parameter's
    // name edited and the second one clicked: the answer decides; then the deletion question and
    // the selection rows.
    void refusalsQuestionsAndSelectionRows() {
        for (bool add : {true, false}) {
            TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
            const QString row0 = Child<QListWidget>(form, "ParamLBox")->item(0)->text();
            if (add) {
                dialogs_->Expect(Kind::kMessage, u"その名称は予約語です！"_s);
                AddByEnter(form, u"INDEX"_s);
            } else {
                dialogs_->Expect(Kind::kMessage, u"同名の書式識別子が存在します！"_s);
                Child<QLineEdit>(form, "ParamCodeEdit")->setText(u"頁"_s);
                Click(form, "PerApplyBBtn");
            }
            QCOMPARE(form.Setting().Size(), std::size_t(12));
            QCOMPARE(form.Setting().At(0).Code(), QtText::ToCp932(u"書名"_s));
            QCOMPARE(Child<QListWidget>(form, "ParamLBox")->item(0)->text(), row0);
            QVERIFY(!form.Setting().DialogChanged());
            QCOMPARE(form.Setting().ParameterChanged(), !add);
        }
        const std::tuple<Answer, int, const char*> cases[] = {
            {Answer::kCancel, 0, "書名"}, {Answer::kNo, 1, "書名"}, {Answer::kYes, 1, "題名"}};
        for (const auto& [answer, shown, stored] : cases) {
            TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
            Child<QLineEdit>(form, "ParamNameEdit")->setText(u"題名"_s);
            dialogs_->Expect(Kind::kYesNoCancel, kApplyQuestion, answer);
            Child<QListWidget>(form, "ParamLBox")->setCurrentRow(1);
            QCOMPARE(Child<QListWidget>(form, "ParamLBox")->currentRow(), shown);
            QCOMPARE(form.Setting().Loaded(), std::optional<std::size_t>(shown));
            QCOMPARE(form.Setting().At(0).Name(), QtText::ToCp932(QString::fromUtf8(stored)));
            QCOMPARE(Child<QLineEdit>(form, "ParamNameEdit")->text(),
                     shown == 0 ? u"題名"_s : u"著者"_s);
            QCOMPARE(form.Setting().ParameterChanged(), answer == Answer::kCancel);
            QCOMPARE(form.Setting().DialogChanged(), answer == Answer::kYes);
        }
        // Cancelled deletion keeps the parameter; the selection grid gets "３" (full-width) rows,
        // loses two selected ones, and apply drops the trailing empty rows.
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        dialogs_->Expect(Kind::kOkCancel, u"書名 を削除します。宜しいですか？"_s, Answer::kCancel);
        Click(form, "ParamDelBtn");
        QCOMPARE(form.Setting().Size(), std::size_t(12));
        Child<QListWidget>(form, "ParamLBox")->setCurrentRow(11);  // 分類, a list selection
        auto* grid = Child<QTableWidget>(form, "ParamSelectNumSGrid");
        const int rows = grid->rowCount();
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, "３");
        Child<QAbstractButton>(form, "SelectAddTBtn")->click();
        grid->setItem(rows, 0, new QTableWidgetItem(u"新"_s));
        grid->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 0), true);
        dialogs_->Expect(Kind::kOkCancel, u"選択している行を削除します"_s);
        Child<QAbstractButton>(form, "SelectDelTBtn")->click();
        QCOMPARE(grid->rowCount(), rows + 1);
        QVERIFY(!form.Setting().ParameterChanged() && !form.Setting().DialogChanged());
        Click(form, "PerApplyBBtn");
        const StringList& stored = form.Setting().At(11).Selection();
        QCOMPARE(stored.size(), std::size_t(rows - 1));
        QCOMPARE(QtText::FromCp932(stored.back()), u"新"_s);
    }

    // OK after a new parameter, a move (which names the file it rearranges before OK), row
    // height, font and colour: the library takes them over, every group is output again, the panel
    // and the batch change-apply window show the new parameter, and the saved files hold it all,
    // the element values moved along.
    void commitRebuildsTheWindowAndReachesTheFile() {
        form_->OpenMultiApply();
        QVERIFY(!form_->Panel().findChild<QWidget*>(u"Param12"_s));
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [](QDialog& dialog) {
            AddByEnter(dialog, u"メモ"_s);
            Child<QListWidget>(dialog, "ParamLBox")->setCurrentRow(1);
            Click(dialog, "ParamUpBtn");  // 著者 before 書名: the values follow
            Child<QTabWidget>(dialog, "PageControl")->setCurrentIndex(1);
            Child<QSpinBox>(dialog, "ElemGridHeightUD")->setValue(36);
            Child<QTextEdit>(dialog, "ComDFREdit")->setPlainText(u"★%書名%"_s);
            auto* label = Child<QLabel>(dialog, "ElemGridFontLabel");
            QTest::mouseClick(label, Qt::LeftButton);
            QTest::mouseClick(label, Qt::RightButton);
            QCOMPARE(label->font().pointSize(), 14);
        });
        dialogs_->Expect(Kind::kFont, {}, Answer::kOk, u"Noto Sans CJK JP,14,-1,5,700,0,0,0,0,0"_s);
        dialogs_->Expect(Kind::kColour, {}, Answer::kOk, u"#0000ff"_s);
        // The move rearranges the values of the loaded file, and only those: said before OK.
        dialogs_->Expect(Kind::kOkCancel,
                         u"data/books.ZQD\n同じZQPを使う、いま読み込まれていない"_s);
        Action("A_ParamSetting")->trigger();
        const TZQPCtrl& file = *Library().ParameterFile();
        QCOMPARE(file.Size(), std::size_t(13));
        QCOMPARE(file.UsedParameters().size(), std::size_t(13));
        QCOMPARE(file.RowHeight(), 36u);
        QCOMPARE(file.FontStyle(), 1);
        QCOMPARE(file.FontColour(), 0xFF0000u);
        for (const auto& group : Library().Groups())
            QVERIFY(!group->Has(TGroupSetting::kOutputDone));
        QVERIFY(form_->Panel().findChild<QWidget*>(u"Param12"_s));
        QCOMPARE(form_->List().rowHeight(0), 36);
        QCOMPARE(form_->List().Delegate().Font().pointSize(), 14);
        QVERIFY(form_->MultiApplyWindow() && form_->MultiApplyWindow()->UseBox(12));
        QCOMPARE(QtText::FromCp932(file.DrawCode().at(0).text), u"★"_s);

        Action("A_Save")->trigger();
        const QString saved = FileText(Path(u"books.ZQP"_s));
        QVERIFY(saved.contains(u"[name]メモ\r\n[code]メモ\r\n[type]0"_s));
        QVERIFY(saved.contains(u"[draw_format]\r\n★%書名%\r\n[/draw_format]"_s));
        QVERIFY(saved.contains("[row_height]36"));
        QVERIFY(saved.contains("[draw_font]Noto Sans CJK JP,14,1,16711680"));
        QVERIFY(FileText(Path(u"data/books.ZQD"_s))
                    .contains(u"1||山田 太郎#佐藤 花子,ソ\\フトウェア入門||"_s));
    }

    // A stored compare-apply judged on ページ数: deleting ページ数 warns at OK naming the item
    // (Cancel stays in the dialog, nothing committed); after OK the item names a parameter
    // that is gone, the engine refuses it, and no 価格 of 書籍 is overwritten.
    void deletingAParameterNeverWidensAStoredItem() {
        Library()
            .BatchList(kBatchChange)
            .push_back({{"[SrcGroup]1", "[DstGroup]0", "[JudgeParam]8", "[ApplyParam]6"},
                        2,
                        QtText::ToCp932(u"判定適用"_s)});
        auto prices = [this] {
            std::vector<NumberItem> values;
            for (const auto& element : Library().Group(0)->GroupData()->Elements())
                values.push_back(element->Numbers(6).empty() ? 0 : element->Numbers(6)[0]);
            return values;
        };
        const std::vector<NumberItem> before = prices();
        for (Answer answer : {Answer::kCancel, Answer::kOk}) {
            dialogs_->ExpectDialog(kCaption, u"OK"_s, [](QDialog& dialog) {
                Child<QListWidget>(dialog, "ParamLBox")->setCurrentRow(8);
                Click(dialog, "ParamDelBtn");
            });
            dialogs_->Expect(Kind::kOkCancel, u"ページ数 を削除します"_s);
            dialogs_->Expect(Kind::kOkCancel, u"変更時 2「判定適用」"_s, answer);
            Action("A_ParamSetting")->trigger();
            QCOMPARE(Library().ParameterFile()->Size(),
                     std::size_t(answer == Answer::kOk ? 11 : 12));
        }
        const auto& items = Library().BatchList(kBatchChange);
        QCOMPARE(items[1].dataLines.at(2), std::string("[JudgeParam]-1"));
        QCOMPARE(items[0].dataLines.at(0), std::string("[JudgeParam]0"));
        TBatchRunner(Library()).RunBatchList(kBatchChange, {});
        QVERIFY(prices() == before);
        Action("A_Save")->trigger();
        QVERIFY(FileText(Path(u"books.ZQL"_s)).contains(u"[JudgeParam]-1\r\n[ApplyParam]6"_s));
    }

    // 出版社 (element references) made 符号無し整数: applying says how many elements lose their
    // value, Cancel keeps the type; after OK the values are gone from the model and from the
    // saved file instead of showing as numbers.
    void aTypeChangeClearsWhatTheNewTypeCannotHold() {
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [this](QDialog& dialog) {
            auto& form = static_cast<TParamSettingForm&>(dialog);
            Child<QListWidget>(dialog, "ParamLBox")->setCurrentRow(2);
            auto radios = Child<QWidget>(dialog, "ParamTypeRGroup")->findChildren<QRadioButton*>();
            for (Answer answer : {Answer::kCancel, Answer::kOk}) {
                radios.at(kTypeUnsigned)->setChecked(true);
                dialogs_->Expect(Kind::kOkCancel, u"4 個の要素の値が失われます"_s, answer);
                Click(dialog, "PerApplyBBtn");
                const bool kept = answer == Answer::kCancel;
                QCOMPARE(form.Setting().At(2).Type(), kept ? kTypeElementRef : kTypeUnsigned);
                QCOMPARE(radios.at(kTypeElementRef)->isChecked(), kept);
            }
        });
        Action("A_ParamSetting")->trigger();
        const TGroupData& books = *Library().Group(0)->GroupData();
        for (const auto& element : books.Elements())
            QVERIFY(element->Numbers(2).empty());
        Action("A_Save")->trigger();
        QVERIFY(FileText(Path(u"data/books.ZQD"_s)).contains(u",,1 0#3 0,1,1#0,2400,"_s));
    }

    // The stored ＭＳ ゴシック is not installed: the label shows a substitute, which the font
    // dialog hands back. Confirming it changes nothing; a new size keeps the stored name.
    void theFontDialogKeepsTheStoredFont() {
        const std::string stored = Library().ParameterFile()->FontName();
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [this](QDialog& dialog) {
            auto* label = Child<QLabel>(dialog, "ElemGridFontLabel");
            const QString substitute = QFontInfo(label->font()).family();
            QVERIFY(substitute != QtText::FromCp932(Library().ParameterFile()->FontName()));
            const int size = label->font().pointSize();
            for (int chosen : {size, 14}) {
                dialogs_->Expect(Kind::kFont, {}, Answer::kOk,
                                 QFont(substitute, chosen).toString());
                QTest::mouseClick(label, Qt::LeftButton);
                QCOMPARE(static_cast<TParamSettingForm&>(dialog).Setting().DialogChanged(),
                         chosen != size);
            }
        });
        Action("A_ParamSetting")->trigger();
        QCOMPARE(Library().ParameterFile()->FontName(), stored);
        QCOMPARE(Library().ParameterFile()->FontSize(), 14);
        Action("A_Save")->trigger();
        QVERIFY(FileText(Path(u"books.ZQP"_s)).contains(u"[draw_font]ＭＳ ゴシック,14,"_s));
    }

    // Cancel in the apply question, asked by a click on another row, selects the row being
    // edited again, and ▲ then moves that parameter.
    void cancelSelectsTheEditedRowAgain() {
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        form.show();
        auto* list = Child<QListWidget>(form, "ParamLBox");
        ClickRow(list, 3);
        Child<QLineEdit>(form, "ParamNameEdit")->setText(u"題名"_s);
        dialogs_->Expect(Kind::kYesNoCancel, kApplyQuestion, Answer::kCancel);
        ClickRow(list, 5);
        QCoreApplication::processEvents();
        QCOMPARE(list->currentRow(), 3);
        QCOMPARE(list->selectedItems(), QList<QListWidgetItem*>{list->item(3)});
        const std::string edited = form.Setting().At(3).Name();
        Click(form, "ParamUpBtn");
        QCOMPARE(form.Setting().At(2).Name(), edited);
    }

private:
    TZQLCtrl& Library() { return form_->Document().Library(); }
    QAction* Action(const char* name) { return form_->Action(QString::fromLatin1(name)); }
    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TParamSettingFormTest)
#include "TParamSettingFormTest.moc"
