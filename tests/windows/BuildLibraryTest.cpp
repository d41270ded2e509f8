// A library built from nothing as a user builds it: the frame's open command makes a new
// library, the parameter, group and library settings dialogs shape it, elements are typed into
// the panel, and the save command writes it. tabrix-cli then reads the files back and writes
// the output, so the editor and the headless tool are checked against each other.
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>

#include "CliRun.h"
#include "FrameFixture.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

using namespace Qt::StringLiterals;

using Answer = IDialogs::Answer;
using Kind = test::ScriptedDialogs::Kind;

namespace {

const QString kAuthorsDraw = u"%WHILE,著者%%著者%%IF_EXIST,著者%・%END_IF%%WEND%"_s;
const QString kAuthorsOutput = u"%WHILE,著者%%著者%%IF_EXIST,著者%、%END_IF%%WEND%"_s;

using test::Child;

void Click(QWidget& parent, const char* name) {
    QTest::mouseClick(Child(parent, name), Qt::LeftButton);
}

// Replaces a field's text as a user does: select all, then type.
void Retype(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    test::TypeText(field, text);
}

void ClickCell(QAbstractItemView* grid, int row) {
    const QModelIndex cell = grid->model()->index(row, grid->model()->columnCount() - 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
}

void ShowPage(QTabWidget* pages, int page) {
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(page).center());
}

}  // namespace

class BuildLibraryTest : public QObject, test::FrameFixture {
    Q_OBJECT

private slots:
    void init() { StartFrame(1100, 760); }
    void cleanup() { CloseFrame(); }

    void libraryBuiltThroughTheDialogsReadsBackAndOutputs() {
        test::TempDir dir;
        const QString folder = QString::fromStdString(dir.Path().string());
        dialogs_->ExpectDialog(u"ライブラリの選択"_s, u"OK"_s);
        test::MenuEntry(*frame_, u"ライブラリを開く(&O)..."_s)->trigger();
        TZQLForm* form = frame_->ActiveLibraryWindow();
        QVERIFY(form);

        dialogs_->ExpectDialog(u"ParamSettingForm"_s, u"OK"_s,
                               [this](QDialog& dialog) { DefineParameters(dialog); });
        form->Action(u"A_ParamSetting"_s)->trigger();
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(form->Document().Library().ParameterFile()->Size(), std::size_t(2));

        dialogs_->ExpectDialog(u"グループの設定"_s, u"OK"_s,
                               [this](QDialog& dialog) { ArrangeGroups(dialog); });
        form->Action(u"A_GroupSetting"_s)->trigger();
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(form->Tabs().count(), 2);

        dialogs_->ExpectDialog(u"ライブラリの設定"_s, u"OK"_s, [&](QDialog& dialog) {
            Retype(Child(dialog, "OutputPathEdit"), "out");
        });
        form->Action(u"A_LibrarySetting"_s)->trigger();

        EnterElements(*form, 0,
                      {{"吾輩は猫である", "夏目漱石"}, {"共著の本", "山田太郎\n佐藤花子"}});
        QTest::mouseClick(&form->Tabs(), Qt::LeftButton, {}, form->Tabs().tabRect(1).center());
        EnterElements(*form, 1, {{"未定", ""}});

        const QString zql = folder + "/books.ZQL";
        dialogs_->Expect(Kind::kSave, u"このZQLファイルの保存先"_s, Answer::kOk, zql);
        dialogs_->Expect(Kind::kYesNo, u"ZQP/ZQIファイルも"_s, Answer::kYes);
        form->Action(u"A_Save"_s)->trigger();
        QVERIFY(!form->Document().IsModified());

        const test::Outcome dump = test::RunCli({"dump", zql.toStdString()}, dir);
        QCOMPARE(dump.status, 0);
        for (const char* expected :
             {R"("parameters": [{"index": 0, "name": "書名", "code": "書名", "type": 0)",
              R"({"index": 1, "name": "著者", "code": "著者", "type": 1)",
              R"("used_parameters": [0, 1])",
              R"("name": "書籍", "status": 1, "output_path": "書籍一覧.txt")",
              R"("name": "グループ 2", "status": 0, "output_path": "グループ 2.txt")",
              R"("values": ["吾輩は猫である", ["夏目漱石"]])",
              R"("values": ["共著の本", ["山田太郎", "佐藤花子"]])",
              // A field the user left untouched stays without a value.
              R"("values": ["未定", null])"})
            QVERIFY2(dump.out.find(expected) != std::string::npos, expected);

        // Names typed before the library had a place landed beside it.
        QVERIFY(dump.out.find("\"zqd_file\": \"" + dir.File("books.ZQD")) != std::string::npos);
        const test::Outcome output = test::RunCli({"output", zql.toStdString()}, dir);
        QVERIFY2(output.status == 0, output.err.c_str());
        const std::filesystem::path out = dir.Path() / "out";
        QCOMPARE(QByteArray::fromStdString(test::ReadFile(out / "書籍一覧.txt")),
                 QByteArray::fromStdString(test::Sj("# 書籍\r\n0. 吾輩は猫である / 夏目漱石\r\n"
                                                    "1. 共著の本 / 山田太郎、佐藤花子\r\n")));
        // The second group is not output.
        QCOMPARE(std::distance(std::filesystem::directory_iterator(out),
                               std::filesystem::directory_iterator()),
                 std::ptrdiff_t(1));
    }

private:
    // 名称 of the new library gives way to 書名 (a string) and 著者 (a string array with its
    // own formats); the common formats name both.
    void DefineParameters(QDialog& dialog) {
        auto* list = Child<QListWidget>(dialog, "ParamLBox");
        dialogs_->Expect(Kind::kOkCancel, u"名称 を削除します。宜しいですか？"_s);
        Click(dialog, "ParamDelBtn");
        for (const QString& name : {u"書名"_s, u"著者"_s}) {
            test::TypeText(Child(dialog, "NewParamEdit"), name);
            QTest::keyClick(Child(dialog, "NewParamEdit"), Qt::Key_Return);
        }
        test::ClickRow(list, 1);
        for (QRadioButton* type : Child(dialog, "ParamTypeRGroup")->findChildren<QRadioButton*>())
            if (type->text() == u"文字列配列"_s)  // on its round mark
                QTest::mouseClick(type, Qt::LeftButton, {}, QPoint(8, type->height() / 2));
        auto* pages = Child<QTabWidget>(dialog, "PerBasePCtrl");
        ShowPage(pages, 2);
        test::TypeText(Child(dialog, "PerDFREdit"), kAuthorsDraw);
        ShowPage(pages, 3);
        test::TypeText(Child(dialog, "PerOFREdit"), kAuthorsOutput);
        Click(dialog, "PerApplyBBtn");
        ShowPage(pages, 2);
        QCOMPARE(list->item(1)->text(), u"著者(著者)<文字列配列>"_s);

        ShowPage(Child<QTabWidget>(dialog, "PageControl"), 1);
        auto* overall = Child<QTabWidget>(dialog, "ComPCtrl");
        ShowPage(overall, 1);
        Retype(Child(dialog, "ComDFREdit"), u"%書名%（%著者%）"_s);
        ShowPage(overall, 2);
        Retype(Child(dialog, "ComOFREdit"), u"%INDEX%. %書名% / %著者%%\\n%"_s);
        Click(dialog, "ComOFREditColorBtn");
    }

    // The new library's file gets a name (beside the library, which has no place yet) and a
    // second group; the first group becomes 書籍 with its own output file and a header, the
    // second is not output.
    void ArrangeGroups(QDialog& dialog) {
        auto* groups = Child<QTableWidget>(dialog, "GroupDGrid");
        auto* details = Child<QTabWidget>(dialog, "GroupPageControl");
        auto* pages = Child<QTabWidget>(dialog, "PageControl");
        ShowPage(pages, 1);
        ClickCell(Child<QTableWidget>(dialog, "ZQDDGrid"), 0);
        Retype(Child(dialog, "ZQDPathEdit"), "books.ZQD");
        QTest::keyClick(Child(dialog, "ZQDPathEdit"), Qt::Key_Return);
        dialogs_->Expect(Kind::kInput, u"グループ数"_s, Answer::kOk, u"1"_s);
        Click(dialog, "GroupAddTBtn");

        ShowPage(pages, 0);
        ClickCell(groups, 0);
        Retype(Child(dialog, "GroupNameEdit"), u"書籍"_s);
        Retype(Child(dialog, "GroupFileNameEdit"), u"書籍一覧.txt"_s);
        ShowPage(details, 1);
        test::TypeText(Child(dialog, "GroupHeaderREdit"), u"# %CNG_GROUP->NAME%%\\n%"_s);
        Click(dialog, "GroupHeaderREditColorBtn");
        Click(dialog, "GroupApplyBBtn");
        ClickCell(groups, 1);
        ShowPage(details, 0);
        QTest::mouseClick(Child(dialog, "GroupOutputCBox"), Qt::LeftButton);
        Click(dialog, "GroupApplyBBtn");
    }

    // Adds the elements to the shown group through "＋", then types each one's values into
    // the panel and applies them with "変更適用".
    void EnterElements(TZQLForm& form, int group, const QList<QStringList>& elements) {
        QCOMPARE(form.CurrentGroup(), group);
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk,
                         QString::number(elements.size()));
        QTest::mouseClick(ToolButton(form, "A_Add"), Qt::LeftButton);
        for (int row = 0; row < elements.size(); ++row) {
            ClickCell(&form.List(), row);
            QCOMPARE(form.List().CurrentRow(), row);
            Retype(Child(form.Panel(), "Param0"), elements[row][0]);
            auto* authors = Child<QPlainTextEdit>(form.Panel(), "Param1");
            authors->setFocus();
            const QStringList lines = elements[row][1].split('\n');
            for (int i = 0; i < lines.size(); ++i) {
                if (i > 0) QTest::keyClick(authors, Qt::Key_Return);
                test::TypeText(authors, lines[i]);
            }
            QTest::mouseClick(ToolButton(form, "A_Apply"), Qt::LeftButton);
        }
        QCOMPARE(form.List().model()->rowCount(), int(elements.size()));
    }

    static QToolButton* ToolButton(TZQLForm& form, const char* action) {
        for (auto* button : form.findChildren<QToolButton*>())
            if (button->defaultAction() == form.Action(QString::fromLatin1(action))) return button;
        qFatal("no tool button");
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::BuildLibraryTest)
#include "BuildLibraryTest.moc"
