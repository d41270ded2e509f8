// The group settings dialog opened from a library window, its real widgets driven and its
// questions answered from a script: what OK commits and what it does not (browsing, colouring
// and drags alone), the refusals, and the commit reaching every window and the files on disk.
// Drags are synthetic events carrying what the grids put into a real drag.
#include <QMimeData>
#include <QTextBlock>

#include "FrameFixture.h"
#include "dialogs/TGroupSettingForm.h"
#include "dialogs/TSettingGrid.h"
#include "model/TextCodec.h"
#include "windows/TSubForm.h"

namespace tabrix {

using namespace test;

namespace {

const QString kCaption = u"グループの設定"_s;

TSettingGrid* Grid(const QObject& dialog, const char* name) {
    return Child<TSettingGrid>(dialog, name);
}

// Makes row the current row, as a click on it does.
void Pick(TSettingGrid* grid, int row) {
    grid->setCurrentCell(row, grid->columnCount() - 1);
}

void SelectRows(TSettingGrid* grid, int first, int last) {
    grid->clearSelection();
    grid->setRangeSelected({first, 0, last, grid->columnCount() - 1}, true);
}

// A drag begun in column of source's selection, dropped on row of target (-1: below the rows).
void Drag(TSettingGrid* source, int column, TSettingGrid* target, int row) {
    const std::unique_ptr<QMimeData> data(source->DragData(column));
    const QPoint at =
        row < 0
            ? QPoint(4, target->viewport()->height() - 2)
            : target->visualRect(target->model()->index(row, target->columnCount() - 1)).center();
    QVERIFY(data && SendDrag(target->viewport(), at, data.get(), Qt::MoveAction));
    QCoreApplication::processEvents();
}

QStringList Column(const TSettingGrid* grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row)
        texts << grid->item(row, column)->text();
    return texts;
}

QColor ColourAt(const QTextEdit* editor, int line, int position) {
    const QTextBlock block = editor->document()->findBlockByNumber(line);
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (position >= range.start && position < range.start + range.length)
            return range.format.foreground().color();
    return {};
}

// What the dialog's working copy holds, to compare before and after a refused operation.
QString Summary(TGroupSettingForm& form) {
    TGroupDataSetting& setting = form.Setting();
    QStringList parts;
    for (std::size_t f = 0; f < setting.FileCount(); ++f)
        for (const auto& data : setting.File(f).data)
            parts << QString::number(f) + QtText::FromCp932(data->name);
    for (std::size_t g = 0; g < setting.GroupCount(); ++g)
        parts << QtText::FromCp932(setting.Group(g).name);
    parts << QString::number(setting.DialogChanged()) << QString::number(setting.GroupChanged());
    return parts.join(QLatin1Char('|'));
}

}  // namespace

class TGroupSettingFormTest : public QObject, public FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(900, 600);
        form_ = OpenSample();
    }
    void cleanup() { CloseFrame(); }

    // Browsing and colouring change nothing OK commits: the library, its files and the
    // output-done marks stay as they were, and the library is not marked modified. A drag
    // that changes the copy is committed like any other change.
    void okAfterBrowsingCommitsNothingButDragsCommit() {
        TZQLCtrl& library = Library();
        TZQDCtrl* file = library.Group(0)->GroupData()->Owner();
        file->AddGroupData()->SetName(TextCodec::FromUtf8("予備"));
        file->SetModified(false);
        library.Group(1)->SetStatus(library.Group(1)->Status() | TGroupSetting::kOutputDone);
        const auto snapshot = [&] {
            QStringList state;
            for (const auto& group : library.Groups())
                state << QtText::FromCp932(group->Name()) << QString::number(group->Status())
                      << QtText::FromCp932(group->GroupData()->Name());
            for (const auto& data : file->GroupData())
                state << QtText::FromCp932(data->Name());
            state << QString::number(form_->Document().IsModified());
            return state;
        };
        const QStringList before = snapshot();
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [](QDialog& dialog) {
            Pick(Grid(dialog, "GroupDGrid"), 0);
            auto* header = Child<QTextEdit>(dialog, "GroupHeaderREdit");
            const QString text = header->toPlainText();
            Click(dialog, "GroupHeaderREditColorBtn");
            // "# %CNG_LIBRARY->..." : the separator purple, the statement as it compiles.
            QCOMPARE(ColourAt(header, 0, 2), QColor(128, 0, 128));
            QCOMPARE(ColourAt(header, 0, 3), QColor(32, 128, 64));
            QCOMPARE(header->toPlainText(), text);
            Pick(Grid(dialog, "GroupDGrid"), 2);
            Pick(Grid(dialog, "ZQDDGrid"), 0);
            QVERIFY(!static_cast<TGroupSettingForm&>(dialog).Setting().DialogChanged());
        });
        form_->Action(u"A_GroupSetting"_s)->trigger();
        QCOMPARE(snapshot(), before);

        dialogs_->ExpectDialog(kCaption, u"OK"_s, [](QDialog& dialog) {
            Pick(Grid(dialog, "ZQDDGrid"), 0);
            TSettingGrid* data = Grid(dialog, "GroupDataDGrid");
            TSettingGrid* uses = Grid(dialog, "GroupSettingDrawGrid");
            SelectRows(data, 2, 3);  // 出版社データ is shown already, 予備 is not
            Drag(data, 0, uses, -1);
            QCOMPARE(Column(uses, 0), (QStringList{"書籍", "新刊", "出版社", "予備"}));
            Pick(data, 3);
            Drag(data, 1, data, 0);
            QCOMPARE(Column(data, 2).first(), u"予備"_s);
        });
        form_->Action(u"A_GroupSetting"_s)->trigger();
        QCOMPARE(ItemTexts(form_->GroupCombo()), (QStringList{"書籍", "新刊", "出版社", "予備"}));
        QCOMPARE(QtText::FromCp932(file->At(0)->Name()), u"予備"_s);
        QVERIFY(form_->Document().IsModified());
    }

    // Every question answered Cancel shows its exact text and leaves the working copy alone.
    void refusalsShowTheirTextAndChangeNothing() {
        using Drive = std::function<void(QDialog&)>;
        const auto refuse = [this](const Drive& prepare, const Drive& trigger, Kind kind,
                                   const QString& text) {
            dialogs_->ExpectDialog(kCaption, u"キャンセル"_s, [&](QDialog& dialog) {
                auto& form = static_cast<TGroupSettingForm&>(dialog);
                prepare(dialog);
                const QString before = Summary(form);
                const std::optional<std::size_t> loaded = form.Setting().LoadedGroup();
                dialogs_->Expect(kind, text, Answer::kCancel);
                trigger(dialog);
                QVERIFY2(dialogs_->Done(), qPrintable(text));
                QCOMPARE(dialogs_->Asked().last(),
                         QString::number(static_cast<int>(kind)) + u": "_s + text);
                QCOMPARE(Summary(form), before);
                QCOMPARE(form.Setting().LoadedGroup(), loaded);
                QVERIFY2(dialog.isVisible(), qPrintable(text));
            });
            form_->Action(u"A_GroupSetting"_s)->trigger();
        };
        refuse([](QDialog& d) { Pick(Grid(d, "ZQDDGrid"), 0); },
               [](QDialog& d) { Click(d, "ZQDExcludeTBtn"); }, Kind::kOkCancel,
               QStringLiteral(
                   "選択しているZQDを除外します。宜しいですか？\n（※実データが無くなるわけで"
                   "はありませんが、\n同時に起動している他ライブラリが使用していないかに注意"
                   "して下さい）"));
        refuse(
            [](QDialog& d) {
                Pick(Grid(d, "ZQDDGrid"), 0);
                SelectRows(Grid(d, "GroupDataDGrid"), 0, 1);
            },
            [](QDialog& d) { Click(d, "GDataDeleteTBtn"); }, Kind::kOkCancel,
            QStringLiteral("選択しているグループを削除します。宜しいですか？\n（※選択グループを参照"
                           "するグループセッティングは削除されます）"));
        refuse([](QDialog& d) { SelectRows(Grid(d, "GroupSettingDrawGrid"), 1, 2); },
               [](QDialog& d) { Click(d, "GroupExcludeTBtn"); }, Kind::kOkCancel,
               u"【選択している】2 個のグループを除外します。宜しいですか？\n（これらのグループの"
               u"要素を指す参照 5 個は、保存すると消去されます）"_s);
        refuse(
            [](QDialog& d) {
                Click(d, "ZQDNewTBtn");
                Pick(Grid(d, "ZQDDGrid"), 0);
                SelectRows(Grid(d, "GroupDataDGrid"), 0, 0);
            },
            [](QDialog& d) { Drag(Grid(d, "GroupDataDGrid"), 0, Grid(d, "ZQDDGrid"), 1); },
            Kind::kOkCancel, u"ドラッグしたグループを\n\nへ移動します。宜しいですか？"_s);
        // Another group picked, or OK, with unapplied edits.
        const QString applyQuestion = u"グループに変更が加えられています。適用しますか？"_s;
        refuse(
            [](QDialog& d) {
                Pick(Grid(d, "GroupDGrid"), 0);
                Child<QLineEdit>(d, "GroupNameEdit")->setText(u"本"_s);
            },
            [](QDialog& d) { Pick(Grid(d, "GroupDGrid"), 1); }, Kind::kYesNoCancel, applyQuestion);
        refuse(
            [](QDialog& d) {
                Pick(Grid(d, "GroupDGrid"), 2);
                Child<QTextEdit>(d, "GroupFooterREdit")->setPlainText(u"x"_s);
            },
            [](QDialog& d) { Click(d, "OKBBtn"); }, Kind::kYesNoCancel, applyQuestion);
        QCOMPARE(Library().GroupCount(), std::size_t(3));
        QVERIFY(!form_->Document().IsModified());
    }

    // Deleting 新刊 takes the groups showing it away in this library, in its sub window, and in
    // a second library that uses the same element data file; the connect target goes with it,
    // and the saved files no longer hold it.
    void deletingGroupDataRemovesItsGroupsEverywhere() {
        QFile::copy(Path(u"books.ZQL"_s), Path(u"second.ZQL"_s));
        TZQLForm* second = frame_->OpenSelected(Path(u"second.ZQL"_s));
        QVERIFY(second);
        QCOMPARE(second->Document().DataOf(1), form_->Document().DataOf(1));
        second->ChangeGroup(1);
        frame_->LibraryWindowActivated(form_);
        TSubForm* sub = frame_->SubWindow();
        QCOMPARE(sub->Document(), &form_->Document());
        sub->ChangeGroup(2);
        form_->ChangeGroup(1);
        // Unapplied edits are settled before the dialog opens; in another window, edits of an
        // element about to be deleted are dropped, neither asked about nor applied.
        for (TZQLForm* window : {form_, second}) {
            window->SetAutoApply(false);
            test::TypeText(window->Panel().Control(0), u"X"_s);
        }
        dialogs_->Expect(Kind::kYesNoCancel, u"変更が加えられています"_s, Answer::kNo);

        dialogs_->ExpectDialog(kCaption, u"OK"_s, [&](QDialog& dialog) {
            Pick(Grid(dialog, "ZQDDGrid"), 0);
            SelectRows(Grid(dialog, "GroupDataDGrid"), 1, 1);
            dialogs_->Expect(Kind::kOkCancel, u"選択しているグループを削除します"_s);
            Click(dialog, "GDataDeleteTBtn");
            QCOMPARE(Column(Grid(dialog, "GroupDGrid"), 0), (QStringList{"書籍", "出版社"}));
            // Both libraries' change lists sort 新刊: the items are named before OK.
            dialogs_->Expect(Kind::kOkCancel, u"並び替え」\nsecond.ZQL: 変更時 1「並び替え」"_s);
        });
        form_->Action(u"A_GroupSetting"_s)->trigger();

        const QStringList left{"書籍", "出版社"};
        for (TZQLForm* window : {form_, second}) {
            QCOMPARE(ItemTexts(window->GroupCombo()), left);
            QCOMPARE(window->CurrentGroup(), 0);
            QCOMPARE(window->List().model()->rowCount(), 4);
            QVERIFY(window->Document().IsModified());
            QVERIFY(!window->Document().Library().Group(0)->ConnectGroup());
        }
        QCOMPARE(ItemTexts(sub->GroupCombo()), left);
        QCOMPARE(sub->Group(), 0);
        QCOMPARE(Library().Group(0)->GroupData()->Owner()->Size(), std::size_t(2));

        // Saved and opened again, 新刊 and its data stay gone.
        form_->Action(u"A_Save"_s)->trigger();
        ForgetChanges(second->Document().Library());
        QVERIFY(second->parentWidget()->close() && form_->parentWidget()->close());
        form_ = frame_->OpenSelected(Path(u"books.ZQL"_s));
        QCOMPARE(ItemTexts(form_->GroupCombo()), left);
        QVERIFY(!FileText(Path(u"data/books.ZQD"_s)).contains(u"新刊データ"_s));
    }

    // A new element data file with two new groups, a renamed group with a header: after OK and
    // the save, the files on disk hold them.
    void newGroupsInANewFileAreSaved() {
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [&](QDialog& dialog) {
            Pick(Grid(dialog, "GroupDGrid"), 1);
            Child<QLineEdit>(dialog, "GroupNameEdit")->setText(u"近刊"_s);
            Child<QTextEdit>(dialog, "GroupHeaderREdit")
                ->setPlainText(u"## %CNG_GROUP->NAME%%\\n%\n\n"_s);
            Click(dialog, "GroupApplyBBtn");
            Click(dialog, "ZQDNewTBtn");
            auto* path = Child<QLineEdit>(dialog, "ZQDPathEdit");
            path->setText(u"added.ZQD"_s);
            QTest::keyClick(path, Qt::Key_Return);
            QVERIFY(dialog.isVisible());
            dialogs_->Expect(Kind::kInput, u"グループ数"_s, Answer::kOk, u"2"_s);
            Click(dialog, "GroupAddTBtn");
        });
        form_->Action(u"A_GroupSetting"_s)->trigger();
        QCOMPARE(ItemTexts(form_->GroupCombo()),
                 (QStringList{"書籍", "近刊", "出版社", "グループ 1", "グループ 2"}));
        QVERIFY(Library().IsModified());
        form_->Action(u"A_Save"_s)->trigger();

        const QString zqd = FileText(Path("added.ZQD"));
        QVERIFY2(zqd.contains("[name]データ 1") && zqd.contains("[name]データ 2"), qPrintable(zqd));
        const QString zql = FileText(Path("books.ZQL"));
        for (const QString& expected :
             {u"[name]近刊\r\n"_s, u"[zqd_file]added.ZQD\r\n"_s,
              QStringLiteral("[name]グループ 2\r\n[zqp_file]books.ZQP\r\n[zqd_file]added.ZQD\r\n"
                             "[gd_index]1\r\n[status]1\r\n[output_path]グループ 2.txt\r\n"),
              u"[header]\r\n## %CNG_GROUP->NAME%%\\n%\r\n[/header]"_s})
            QVERIFY2(zql.contains(expected), qPrintable(expected));
    }

    // The stored sort of 新刊 follows its group when 出版社 is dragged to the top; excluding
    // 新刊 then warns at OK naming the item (Cancel stays), and after OK the item names a
    // group that is gone instead of sorting whatever took its number.
    void storedItemsFollowTheirGroups() {
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [](QDialog& dialog) {
            TSettingGrid* groups = Grid(dialog, "GroupDGrid");
            Pick(groups, 2);
            Drag(groups, 0, groups, 0);
            QCOMPARE(Column(groups, 0), (QStringList{"出版社", "書籍", "新刊"}));
        });
        form_->Action(u"A_GroupSetting"_s)->trigger();
        const auto& sort = Library().BatchList(kBatchChange).at(0).dataLines;
        QCOMPARE(sort.at(1), std::string("[GroupNo]2"));
        for (Answer answer : {Answer::kCancel, Answer::kOk}) {
            dialogs_->ExpectDialog(kCaption, u"OK"_s, [this, answer](QDialog& dialog) {
                SelectRows(Grid(dialog, "GroupSettingDrawGrid"), 2, 2);
                dialogs_->Expect(Kind::kOkCancel, u"個のグループを除外します"_s);
                Click(dialog, "GroupExcludeTBtn");
                dialogs_->Expect(Kind::kOkCancel, u"変更時 1「並び替え」"_s, answer);
            });
            form_->Action(u"A_GroupSetting"_s)->trigger();
            QCOMPARE(Library().GroupCount(), std::size_t(answer == Answer::kOk ? 2 : 3));
        }
        QCOMPARE(sort.at(1), std::string("[GroupNo]-1"));
        form_->Action(u"A_Save"_s)->trigger();
        QVERIFY(FileText(Path("books.ZQL")).contains("[GroupNo]-1\r\n"));
    }

    // Excluding 出版社 says how many references into it a save would erase (the element
    // references of three books of 書籍 and one of 新刊); Cancel keeps it.
    void excludingAReferencedGroupSaysWhatIsErased() {
        TGroupSettingForm form(Library(), *dialogs_);
        SelectRows(Grid(form, "GroupSettingDrawGrid"), 2, 2);
        dialogs_->Expect(Kind::kOkCancel, u"参照 4 個は、保存すると消去されます"_s,
                         Answer::kCancel);
        Click(form, "GroupExcludeTBtn");
        QCOMPARE(form.Setting().GroupCount(), std::size_t(3));
        QVERIFY(!form.Setting().DialogChanged());
    }

    // Cancel in the apply question, asked by a click on another group, selects the group
    // being edited again.
    void cancelSelectsTheEditedGroupAgain() {
        TGroupSettingForm form(Library(), *dialogs_);
        form.show();
        TSettingGrid* grid = Grid(form, "GroupDGrid");
        const auto click = [grid](int row) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(row, 0)).center());
        };
        click(1);
        Child<QLineEdit>(form, "GroupNameEdit")->setText(u"近刊"_s);
        dialogs_->Expect(Kind::kYesNoCancel, u"グループに変更が加えられています"_s,
                         Answer::kCancel);
        click(2);
        QCoreApplication::processEvents();
        QCOMPARE(grid->currentRow(), 1);
        QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(grid->selectionModel()->selectedRows().at(0).row(), 1);
        QCOMPARE(form.Setting().LoadedGroup(), std::optional<std::size_t>(1));
    }

private:
    TZQLCtrl& Library() { return form_->Document().Library(); }
    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TGroupSettingFormTest)
#include "TGroupSettingFormTest.moc"
