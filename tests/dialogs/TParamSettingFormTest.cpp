// The parameter settings dialog on the sample library (twelve parameters, one of each type), its
// real widgets driven through scripted answers: refusals, questions, the defaults an apply
// gives, colouring, and what OK commits into the library window and its files.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextEdit>

#include "FrameFixture.h"
#include "dialogs/TParamSettingForm.h"
#include "windows/TElementDelegate.h"
#include "windows/TMultiApplyForm.h"

namespace tabrix {

using namespace test;

namespace {

const QString kCaption = QStringLiteral("ParamSettingForm");
const QString kApplyQuestion = QStringLiteral("パラメータに変更が加えられています。適用しますか？");

// NewParamEdit and Enter, as a user adds a parameter.
void AddByEnter(QWidget& form, const QString& name) {
    Child<QLineEdit>(form, "NewParamEdit")->setText(name);
    QTest::keyClick(Child<QLineEdit>(form, "NewParamEdit"), Qt::Key_Return);
}

QTextCharFormat FormatAt(const QTextEdit& editor, int position) {
    const QTextBlock line = editor.document()->firstBlock();
    for (const QTextLayout::FormatRange& range : line.layout()->formats())
        if (position >= range.start && position < range.start + range.length) return range.format;
    return {};
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
        dialogs_->ExpectDialog(kCaption, QStringLiteral("OK"), [](QDialog& dialog) {
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
            QCOMPARE(grid->item(1)->text().left(2), QStringLiteral("出版"));
            QVERIFY(!static_cast<TParamSettingForm&>(dialog).Setting().DialogChanged());
        });
        Action("A_ParamSetting")->trigger();
        QVERIFY(!file.IsModified());
        QCOMPARE(file.At(0), first);
        QVERIFY(file.UsedParameters() == used);
        for (const auto& group : Library().Groups())
            QVERIFY(group->Has(TGroupSetting::kOutputDone));
    }

    void refusalsShowTheirTextAndChangeNothing_data() {
        QTest::addColumn<bool>("add");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("add reserved") << true << "INDEX"
                                      << "その名称は予約語です！";
        QTest::newRow("apply taken") << false << "頁"
                                     << "同名の書式識別子が存在します！";
    }
    void refusalsShowTheirTextAndChangeNothing() {
        QFETCH(bool, add);
        QFETCH(QString, text);
        QFETCH(QString, message);
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        const QString row0 = Child<QListWidget>(form, "ParamLBox")->item(0)->text();
        dialogs_->Expect(Kind::kMessage, message);
        if (add) {
            AddByEnter(form, text);
        } else {
            Child<QLineEdit>(form, "ParamCodeEdit")->setText(text);
            Click(form, "PerApplyBBtn");
        }
        QCOMPARE(form.Setting().Size(), std::size_t(12));
        QCOMPARE(form.Setting().At(0).Code(), QtText::ToCp932(QStringLiteral("書名")));
        QCOMPARE(Child<QListWidget>(form, "ParamLBox")->item(0)->text(), row0);
        QVERIFY(!form.Setting().DialogChanged());
        QCOMPARE(form.Setting().ParameterChanged(), !add);
    }

    // Name of the first parameter edited, then the second one clicked: the answer decides.
    void selectingAnotherParameterAsks_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("stored");
        QTest::newRow("cancel stays") << Answer::kCancel << 0 << "書名";
        QTest::newRow("no drops") << Answer::kNo << 1 << "書名";
        QTest::newRow("yes applies") << Answer::kYes << 1 << "題名";
    }
    void selectingAnotherParameterAsks() {
        QFETCH(Answer, answer);
        QFETCH(int, shown);
        QFETCH(QString, stored);
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        Child<QLineEdit>(form, "ParamNameEdit")->setText(QStringLiteral("題名"));
        dialogs_->Expect(Kind::kYesNoCancel, kApplyQuestion, answer);
        Child<QListWidget>(form, "ParamLBox")->setCurrentRow(1);
        QCOMPARE(Child<QListWidget>(form, "ParamLBox")->currentRow(), shown);
        QCOMPARE(form.Setting().Loaded(), std::optional<std::size_t>(shown));
        QCOMPARE(form.Setting().At(0).Name(), QtText::ToCp932(stored));
        QCOMPARE(Child<QLineEdit>(form, "ParamNameEdit")->text(),
                 shown == 0 ? QStringLiteral("題名") : QStringLiteral("著者"));
        QCOMPARE(form.Setting().ParameterChanged(), answer == Answer::kCancel);
        QCOMPARE(form.Setting().DialogChanged(), answer == Answer::kYes);
    }

    // A new parameter (added by Enter) made a string array: apply fills its empty format
    // editors with its own reference and redraws its row.
    void applyGivesTheTypeDefaults() {
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        AddByEnter(form, QStringLiteral("新規"));
        QCOMPARE(Child<QLineEdit>(form, "NewParamEdit")->text(), QString());
        Child<QListWidget>(form, "ParamLBox")->setCurrentRow(12);
        Child<QWidget>(form, "ParamTypeRGroup")->findChildren<QRadioButton*>().at(1)->click();
        Click(form, "PerApplyBBtn");
        QCOMPARE(form.Setting().At(12).OutputFormat(),
                 StringList{QtText::ToCp932(QStringLiteral("%新規%"))});
        QCOMPARE(Child<QTextEdit>(form, "PerDFREdit")->toPlainText(), QStringLiteral("%新規%"));
        QCOMPARE(Child<QListWidget>(form, "ParamLBox")->item(12)->text(),
                 QStringLiteral("新規(新規)<文字列配列>"));
        QVERIFY(!form.Setting().ParameterChanged() && form.Setting().DialogChanged());
    }

    // Cancelled deletion keeps the parameter; the selection grid gets "３" (full-width) rows,
    // loses two selected ones, and apply drops the trailing empty rows.
    void deletionCancelledAndSelectionRows() {
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        dialogs_->Expect(Kind::kOkCancel, QStringLiteral("書名 を削除します。宜しいですか？"),
                         Answer::kCancel);
        Click(form, "ParamDelBtn");
        QCOMPARE(form.Setting().Size(), std::size_t(12));
        Child<QListWidget>(form, "ParamLBox")->setCurrentRow(11);  // 分類, a list selection
        auto* grid = Child<QTableWidget>(form, "ParamSelectNumSGrid");
        const int rows = grid->rowCount();
        dialogs_->Expect(Kind::kInput, QStringLiteral("追加数の入力"), Answer::kOk, "３");
        Child<QAbstractButton>(form, "SelectAddTBtn")->click();
        grid->setItem(rows, 0, new QTableWidgetItem(QStringLiteral("新")));
        grid->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 0), true);
        dialogs_->Expect(Kind::kOkCancel, QStringLiteral("選択している行を削除します"));
        Child<QAbstractButton>(form, "SelectDelTBtn")->click();
        QCOMPARE(grid->rowCount(), rows + 1);
        QVERIFY(!form.Setting().ParameterChanged() && !form.Setting().DialogChanged());
        Click(form, "PerApplyBBtn");
        const StringList& stored = form.Setting().At(11).Selection();
        QCOMPARE(stored.size(), std::size_t(rows - 1));
        QCOMPARE(QtText::FromCp932(stored.back()), QStringLiteral("新"));
    }

    // A parameter added in the dialog is known to the colouring at once; a piece struck out
    // before the correction is coloured as a function after it. Colouring is no edit.
    void colouringTwiceAfterACorrection() {
        TParamSettingForm form(*Library().ParameterFile(), *dialogs_);
        AddByEnter(form, QStringLiteral("新規"));
        form.show();
        Child<QTabWidget>(form, "PageControl")->setCurrentIndex(1);
        auto* editor = Child<QTextEdit>(form, "ComDFREdit");
        editor->setPlainText(QStringLiteral("%新規%%EDIT(+, 新規)%"));
        Child<QTabWidget>(form, "ComPCtrl")->setCurrentIndex(1);  // the page change colours
        QCOMPARE(FormatAt(*editor, 0).foreground().color(), QColor(128, 0, 128));
        QCOMPARE(FormatAt(*editor, 1).foreground().color(), QColor(0, 0, 255));
        QCOMPARE(FormatAt(*editor, 6).foreground().color(), QColor(255, 255, 0));
        QVERIFY(FormatAt(*editor, 6).fontStrikeOut());
        QTextCursor cursor(editor->document());
        cursor.setPosition(13);  // after "+,"
        cursor.insertText(QStringLiteral("1,"));
        const QString text = editor->toPlainText();
        Click(form, "ComDFREditColorBtn");
        QCOMPARE(editor->toPlainText(), text);
        QCOMPARE(FormatAt(*editor, 6).foreground().color(), QColor(0, 128, 255));
        QVERIFY(!FormatAt(*editor, 6).fontStrikeOut());
    }

    // OK after a new parameter, a move, row height, font and colour: the library takes them
    // over, every group is output again, the panel and the batch change-apply window show the
    // new parameter, and the saved files hold it all, the element values moved along.
    void commitRebuildsTheWindowAndReachesTheFile() {
        form_->OpenMultiApply();
        QVERIFY(!form_->Panel().findChild<QWidget*>(QStringLiteral("Param12")));
        dialogs_->ExpectDialog(kCaption, QStringLiteral("OK"), [](QDialog& dialog) {
            AddByEnter(dialog, QStringLiteral("メモ"));
            Child<QListWidget>(dialog, "ParamLBox")->setCurrentRow(1);
            Click(dialog, "ParamUpBtn");  // 著者 before 書名: the values follow
            Child<QTabWidget>(dialog, "PageControl")->setCurrentIndex(1);
            Child<QSpinBox>(dialog, "ElemGridHeightUD")->setValue(36);
            Child<QTextEdit>(dialog, "ComDFREdit")->setPlainText(QStringLiteral("★%書名%"));
            auto* label = Child<QLabel>(dialog, "ElemGridFontLabel");
            QTest::mouseClick(label, Qt::LeftButton);
            QTest::mouseClick(label, Qt::RightButton);
            QCOMPARE(label->font().pointSize(), 14);
        });
        dialogs_->Expect(Kind::kFont, {}, Answer::kOk,
                         QStringLiteral("Noto Sans CJK JP,14,-1,5,700,0,0,0,0,0"));
        dialogs_->Expect(Kind::kColour, {}, Answer::kOk, QStringLiteral("#0000ff"));
        Action("A_ParamSetting")->trigger();
        const TZQPCtrl& file = *Library().ParameterFile();
        QCOMPARE(file.Size(), std::size_t(13));
        QCOMPARE(file.UsedParameters().size(), std::size_t(13));
        QCOMPARE(file.RowHeight(), 36u);
        QCOMPARE(file.FontStyle(), 1);
        QCOMPARE(file.FontColour(), 0xFF0000u);
        for (const auto& group : Library().Groups())
            QVERIFY(!group->Has(TGroupSetting::kOutputDone));
        QVERIFY(form_->Panel().findChild<QWidget*>(QStringLiteral("Param12")));
        QCOMPARE(form_->List().rowHeight(0), 36);
        QCOMPARE(form_->List().Delegate().Font().pointSize(), 14);
        QVERIFY(form_->MultiApplyWindow());
        QVERIFY(form_->MultiApplyWindow()->UseBox(12));
        QCOMPARE(QtText::FromCp932(file.DrawCode().at(0).text), QStringLiteral("★"));

        Action("A_Save")->trigger();
        const QString saved = FileText(Path(QStringLiteral("books.ZQP")));
        QVERIFY(saved.contains(QStringLiteral("[name]メモ\r\n[code]メモ\r\n[type]0")));
        QVERIFY(saved.contains(QStringLiteral("[draw_format]\r\n★%書名%\r\n[/draw_format]")));
        QVERIFY(saved.contains("[row_height]36"));
        QVERIFY(saved.contains("[draw_font]Noto Sans CJK JP,14,1,16711680"));
        QVERIFY(FileText(Path(QStringLiteral("data/books.ZQD")))
                    .contains(QStringLiteral("1||山田 太郎#佐藤 花子,ソ\\フトウェア入門||")));
    }

private:
    TZQLCtrl& Library() { return form_->Document().Library(); }
    QAction* Action(const char* name) { return form_->Action(QString::fromLatin1(name)); }
    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TParamSettingFormTest)
#include "TParamSettingFormTest.moc"
