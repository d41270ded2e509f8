// The parameter panel driven through its real controls: loading every type, typing and
// applying with the reading rules, Enter and the arrow keys, reference lists with their texts,
// removals with their questions, row moves, drops of dragged elements, and a panel on an
// element of its own.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include <memory>

#include "PanelLibrary.h"
#include "ScriptedDialogs.h"
#include "TypeText.h"
#include "model/TTabrixCtrl.h"
#include "platform/FontSubstitutes.h"
#include "platform/QtText.h"
#include "windows/IFrame.h"
#include "windows/TElementDrag.h"
#include "windows/TLibraryDocument.h"
#include "windows/TParamSBox.h"
#include "windows/TReferenceList.h"

namespace tabrix {

using test::PanelLibrary;
using test::ScriptedDialogs;
using Kind = ScriptedDialogs::Kind;
using Answer = IDialogs::Answer;

namespace {

QStringList Texts(const TElement& element, int i) {
    QStringList texts;
    for (std::string_view text : element.Texts(i))
        texts << QtText::FromCp932(text);
    return texts;
}

QList<quint32> Numbers(const TElement& element, int i) {
    QList<quint32> numbers;
    for (NumberItem item : element.Numbers(i))
        numbers << static_cast<quint32>(item);
    return numbers;
}

QList<TElement*> Refs(const TElement& element, int i) {
    QList<TElement*> refs;
    for (NumberItem item : element.Numbers(i))
        refs << TElement::AsElement(item);
    return refs;
}

// The library a drag comes from: an open document with five elements 甲 .. 戊 in group 0.
class SourceLibrary : public IFrame {
public:
    SourceLibrary() {
        document_ = std::make_unique<TLibraryDocument>(*this);
        document_->FillNew();
        document_->Library().AddElements(0, 5);
        const char* names[] = {"甲", "乙", "丙", "丁", "戊"};
        for (int i = 0; i < 5; ++i)
            Element(i)->SetTexts(0, {PanelLibrary::Cp932(names[i])});
    }
    TTabrixCtrl& Controller() override { return controller_; }
    IDialogs& Dialogs() override { return dialogs_; }
    void SetFrameStatus(const std::string&) override {}
    void LibraryWindowActivated(TZQLForm*) override {}
    void LibraryWindowClosed(TZQLForm*) override {}
    TZQLForm* ActiveLibraryWindow() const override { return nullptr; }
    TSubForm* SubWindow() const override { return nullptr; }
    std::string TemplateFolder() override { return {}; }

    TLibraryDocument* Document() { return document_.get(); }
    TElement* Element(int i) { return document_->ElementAt(0, static_cast<std::size_t>(i)); }
    void Close() { document_.reset(); }

private:
    TTabrixCtrl controller_;
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<TLibraryDocument> document_;
};

// A drag-enter, a drag-move and a drop at row of the list (-1: below the last row), as the
// window system delivers them to the list's viewport. True when the drag was accepted on
// entering.
bool DragAndDrop(TReferenceList* list, const QMimeData* mime, int row) {
    const QPointF at = row >= 0 ? QPointF(list->RowRect(row).center())
                                : QPointF(40, list->viewport()->height() - 2);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at.toPoint(), actions, mime, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(at.toPoint(), actions, mime, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &move);
    if (enter.isAccepted() != move.isAccepted()) return false;
    QDropEvent drop(at, actions, mime, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &drop);
    return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

QAction* MenuAction(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text) return action;
    return nullptr;
}

}  // namespace

class TParamSBoxTest : public QObject {
    Q_OBJECT

    struct Panel {
        PanelLibrary data;
        ScriptedDialogs dialogs;
        TParamSBox box{data.Library(), dialogs};
        TElement* e(int i) { return data.Element(i); }

        Panel() {
            box.resize(360, 600);
            box.Rebuild();
            QObject::connect(&box, &TParamSBox::applyRequested, &box, [this] { box.Apply(); });
        }
        template <typename W>
        W* Control(int i) {
            return qobject_cast<W*>(box.Control(i));
        }
        TReferenceList* List(int i) { return Control<TReferenceList>(i); }
        void ShowWithRefs(int param, const std::vector<TElement*>& refs) {
            e(0)->SetElementRefs(param, refs);
            box.Show(e(0));
        }
    };

private slots:
    void initTestCase() { FontSubstitutes::Install(); }

    void EveryTypeGetsItsControl() {
        Panel p;
        QVERIFY(p.Control<QLineEdit>(0));
        QVERIFY(p.Control<QPlainTextEdit>(1));
        QVERIFY(p.List(2) && !p.List(2)->IsArray());
        QVERIFY(p.List(3) && p.List(3)->IsArray());
        QCOMPARE(p.Control<QCheckBox>(4)->text(), QStringLiteral("在庫"));
        QVERIFY(p.box.Label(4)->isHidden());
        QCOMPARE(p.Control<QListWidget>(5)->count(), 3);
        QVERIFY(p.Control<QLineEdit>(6) && p.Control<QPlainTextEdit>(7));
        QVERIFY(p.Control<QLineEdit>(8) && p.Control<QPlainTextEdit>(9));
        QComboBox* groups = p.Control<QComboBox>(10);
        QCOMPARE(groups->count(), 3);
        QCOMPARE(groups->itemText(0), QStringLiteral("参照しない"));
        QCOMPARE(groups->itemText(2), QStringLiteral("新刊"));
        QCOMPARE(p.Control<QComboBox>(11)->itemText(1), QStringLiteral("技術書"));
        QCOMPARE(p.box.Control(3)->objectName(), QStringLiteral("Param3"));
        auto* multi = p.Control<QPlainTextEdit>(7);
        QCOMPARE(multi->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(multi->font().family(), QStringLiteral("ＭＳ ゴシック"));
    }

    void ShowLoadsEveryType() {
        Panel p;
        TElement& e = *p.e(0);
        e.SetTexts(1, {PanelLibrary::Cp932("夏目"), PanelLibrary::Cp932("森")});
        e.SetElementRefs(2, {p.e(1)});
        e.SetNumbers(4, {1});
        e.SetNumbers(5, {0, 1});
        e.SetNumbers(6, {0xFFFFFFFBu});
        e.SetNumbers(7, {3, 0xFFFFFFFFu});
        e.SetNumbers(8, {4294967295u});
        e.SetGroupRefs(10, {p.data.Library().Group(1)});
        e.SetNumbers(11, {2});
        p.box.Show(&e);
        QCOMPARE(p.Control<QLineEdit>(0)->text(), QStringLiteral("一"));
        QCOMPARE(p.Control<QPlainTextEdit>(1)->toPlainText(), QStringLiteral("夏目\n森"));
        QCOMPARE(p.List(2)->RowTexts(), QStringList{QStringLiteral("二")});
        QVERIFY(p.Control<QCheckBox>(4)->isChecked());
        QCOMPARE(p.Control<QListWidget>(5)->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(p.Control<QListWidget>(5)->item(1)->checkState(), Qt::Checked);
        QCOMPARE(p.Control<QListWidget>(5)->item(2)->checkState(), Qt::Unchecked);
        QCOMPARE(p.Control<QLineEdit>(6)->text(), QStringLiteral("-5"));
        QCOMPARE(p.Control<QPlainTextEdit>(7)->toPlainText(), QStringLiteral("3\n-1"));
        QCOMPARE(p.Control<QLineEdit>(8)->text(), QStringLiteral("4294967295"));
        QCOMPARE(p.Control<QComboBox>(10)->currentIndex(), 2);
        QCOMPARE(p.Control<QComboBox>(11)->currentText(), QStringLiteral("随筆"));
        QVERIFY(!p.box.Changed());
        // Nothing edited: nothing applied.
        QVERIFY(!p.box.Apply());
    }

    // Typed into the real field, then applied by Enter (one-line fields) or by Apply.
    void TypedValuesAreReadByTheRules_data() {
        QTest::addColumn<int>("param");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<quint32>>("numbers");
        const QList<quint32> none;
        QTest::newRow("string") << 0 << QStringList{QStringLiteral("東京タワー")}
                                << QStringList{QStringLiteral("東京タワー")} << none;
        QTest::newRow("empty string") << 0 << QStringList{} << QStringList{QString()} << none;
        QTest::newRow("string array drops three trailing empty lines")
            << 1 << QStringList{QStringLiteral("上"),
                                QString(),
                                QStringLiteral("下"),
                                QString(),
                                QString(),
                                QString()}
            << QStringList{QStringLiteral("上"), QString(), QStringLiteral("下")} << none;
        QTest::newRow("signed hexadecimal")
            << 6 << QStringList{QStringLiteral("0x10")} << QStringList{} << QList<quint32>{16};
        QTest::newRow("signed not wholly a number")
            << 6 << QStringList{QStringLiteral("12a")} << QStringList{} << QList<quint32>{0};
        QTest::newRow("signed negative") << 6 << QStringList{QStringLiteral("-5")} << QStringList{}
                                         << QList<quint32>{0xFFFFFFFBu};
        QTest::newRow("signed array drops trailing zeros")
            << 7 << QStringList{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")}
            << QStringList{} << QList<quint32>{1};
        QTest::newRow("signed array keeps inner zeros")
            << 7 << QStringList{QStringLiteral("0"), QStringLiteral("x"), QStringLiteral("-2")}
            << QStringList{} << QList<quint32>{0, 0, 0xFFFFFFFEu};
        QTest::newRow("unsigned octal")
            << 8 << QStringList{QStringLiteral("010")} << QStringList{} << QList<quint32>{8};
        QTest::newRow("unsigned array") << 9
                                        << QStringList{QStringLiteral("3"), QString(),
                                                       QStringLiteral("0x7"), QStringLiteral("0")}
                                        << QStringList{} << QList<quint32>{3, 0, 7};
    }
    void TypedValuesAreReadByTheRules() {
        QFETCH(int, param);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, texts);
        QFETCH(QList<quint32>, numbers);
        Panel p;
        p.box.show();
        p.box.Show(p.e(2));
        QWidget* control = p.box.Control(param);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->clear();
            test::TypeText(edit, lines.join(QString()));
            QTest::keyClick(edit, Qt::Key_Return);  // Enter applies at once
        } else {
            auto* multi = qobject_cast<QPlainTextEdit*>(control);
            QVERIFY(multi);
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0) QTest::keyClick(multi, Qt::Key_Return);
                test::TypeText(multi, lines[i]);
            }
            QVERIFY(p.box.Apply());
        }
        QVERIFY(!p.box.Changed());
        if (param == 0 || param == 1)
            QCOMPARE(Texts(*p.e(2), param), texts);
        else
            QCOMPARE(Numbers(*p.e(2), param), numbers);
        // The other values of the element are kept.
        QCOMPARE(Texts(*p.e(2), 0).value(0), param == 0 ? texts.value(0) : QStringLiteral("三"));
    }

    void ChoicesAreReadFromTheirControls() {
        Panel p;
        p.box.show();
        p.box.Show(p.e(1));
        QTest::mouseClick(p.Control<QCheckBox>(4), Qt::LeftButton, {},
                          QPoint(8, p.Control<QCheckBox>(4)->height() / 2));
        auto* choices = p.Control<QListWidget>(5);
        choices->item(0)->setCheckState(Qt::Checked);
        choices->item(2)->setCheckState(Qt::Unchecked);
        p.Control<QComboBox>(10)->setCurrentIndex(1);
        p.Control<QComboBox>(11)->setCurrentIndex(2);
        QVERIFY(p.box.Changed());
        QVERIFY(p.box.Apply());
        const TElement& e = *p.e(1);
        QCOMPARE(Numbers(e, 4), QList<quint32>{1});
        QCOMPARE(Numbers(e, 5), QList<quint32>{1});  // false values at the end dropped
        QCOMPARE(TElement::AsGroup(e.Numbers(10).at(0)), p.data.Library().Group(0));
        QCOMPARE(Numbers(e, 11), QList<quint32>{2});

        p.box.Show(p.e(1));
        p.Control<QComboBox>(10)->setCurrentIndex(0);  // "参照しない"
        QVERIFY(p.box.Apply());
        QCOMPARE(p.e(1)->Numbers(10).size(), std::size_t{1});
        QCOMPARE(p.e(1)->Numbers(10).at(0), NumberItem{0});
    }

    void BooleanValuesWithoutAChoiceNameAreKept() {
        Panel p;
        p.e(0)->SetNumbers(5, {0, 0, 0, 1, 1});  // five values, three choice names
        p.box.Show(p.e(0));
        p.Control<QListWidget>(5)->item(0)->setCheckState(Qt::Checked);
        QVERIFY(p.box.Apply());
        QCOMPARE(Numbers(*p.e(0), 5), (QList<quint32>{1, 0, 0, 1, 1}));
    }

    void ApplyCopiesTheOutputFlagAndWritesIntoAnyTarget() {
        Panel p;
        p.e(0)->SetOutputFlag(0);
        p.box.Show(p.e(0));
        p.Control<QLineEdit>(0)->setText(QStringLiteral("写し"));
        QVERIFY(p.box.Apply(p.e(3)));
        QCOMPARE(p.e(3)->OutputFlag(), std::uint8_t{0});
        QCOMPARE(Texts(*p.e(3), 0), QStringList{QStringLiteral("写し")});
        QCOMPARE(Texts(*p.e(0), 0), QStringList{QStringLiteral("一")});
        p.box.Show(nullptr);
        p.Control<QLineEdit>(0)->setText(QStringLiteral("x"));
        QVERIFY(!p.box.Apply());  // no current element, no target
    }

    void ArrowKeysMoveBetweenParameters_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("down from the string") << 0 << int(Qt::Key_Down) << 1;
        QTest::newRow("up from the signed") << 6 << int(Qt::Key_Up) << 5;
        QTest::newRow("down from the signed") << 6 << int(Qt::Key_Down) << 7;
        QTest::newRow("up from the first stays") << 0 << int(Qt::Key_Up) << 0;
        QTest::newRow("down from the unsigned") << 8 << int(Qt::Key_Down) << 9;
    }
    void ArrowKeysMoveBetweenParameters() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        Panel p;
        p.box.show();
        QApplication::setActiveWindow(&p.box);
        QVERIFY(QTest::qWaitForWindowActive(&p.box));
        p.box.Control(from)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), p.box.Control(from));
        QTest::keyClick(p.box.Control(from), Qt::Key(key));
        QCOMPARE(QApplication::focusWidget(), p.box.Control(to));
        QVERIFY(!p.box.Changed());
    }

    void EditsAreReported() {
        Panel p;
        p.box.Show(p.e(0));
        QSignalSpy edited(&p.box, &TParamSBox::edited);
        test::TypeText(p.Control<QPlainTextEdit>(9), QStringLiteral("5"));
        QCOMPARE(edited.count(), 1);
        QVERIFY(p.box.Changed());
        p.box.ClearChanged();
        QVERIFY(!p.box.Apply());
    }

    void LayoutFollowsLabelsAndWidth() {
        Panel p;
        p.box.show();
        QCOMPARE(p.box.Label(0)->pos(), QPoint(8, 8));
        for (int i = 0; i < 12; ++i) {
            const QLabel* label = p.box.Label(i);
            const QRect control = p.box.Control(i)->geometry();
            QCOMPARE(control.left(), label->width() + 16);
            QCOMPARE(control.top(), label->y() - 4);
            QCOMPARE(control.right() + 1, p.box.width() - 24);
            if (i > 0) QCOMPARE(label->y(), p.box.Control(i - 1)->geometry().bottom() + 1 + 16);
        }
        QCOMPARE(p.box.Control(2)->height(), 20);
        QCOMPARE(p.box.Control(3)->height(), 90);
        QCOMPARE(p.box.Control(7)->height(), 90);
        p.box.resize(500, 400);
        QCOMPARE(p.box.Control(0)->geometry().right() + 1, 500 - 24);
        QCOMPARE(p.box.verticalScrollBar()->singleStep(), 20);
    }

    void ReferenceTexts_data() {
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("refs");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty array") << true << 0 << QStringList{QStringLiteral("<参照なし>")};
        QTest::newRow("two") << true << 2
                             << QStringList{QStringLiteral("一"), QStringLiteral("二")};
        QTest::newRow("no display parameter")
            << false << 1
            << QStringList{QStringLiteral("ERROR: 参照先の表示項目が指定されていません")};
    }
    void ReferenceTexts() {
        QFETCH(bool, display);
        QFETCH(int, refs);
        QFETCH(QStringList, rows);
        Panel p;
        if (!display) p.data.Library().ParameterFile()->At(3)->SetDisplayParameter(nullptr);
        std::vector<TElement*> targets;
        for (int i = 0; i < refs; ++i)
            targets.push_back(p.e(i));
        p.ShowWithRefs(3, targets);
        QCOMPARE(p.List(3)->RowTexts(), rows);
    }

    void NumbersAndChoicesShowThroughTheDisplayParameter() {
        Panel p;
        TZQPCtrl& file = *p.data.Library().ParameterFile();
        p.e(1)->SetNumbers(6, {0xFFFFFFFEu});
        p.e(1)->SetNumbers(11, {1});
        QCOMPARE(TParamSBox::DisplayText(p.e(1), *file.At(6), p.data.Library()),
                 QStringLiteral("-2"));
        QCOMPARE(TParamSBox::DisplayText(p.e(1), *file.At(11), p.data.Library()),
                 QStringLiteral("技術書"));
    }

    void DoubleClickRemovesAfterTheQuestion_data() {
        QTest::addColumn<int>("param");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");  // references left
        QTest::newRow("array ok") << 3 << 2 << int(Answer::kOk) << 2;
        QTest::newRow("array cancel") << 3 << 2 << int(Answer::kCancel) << 3;
        QTest::newRow("single ok") << 2 << 1 << int(Answer::kOk) << 0;
    }
    void DoubleClickRemovesAfterTheQuestion() {
        QFETCH(int, param);
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(int, left);
        Panel p;
        p.box.show();
        p.ShowWithRefs(param, param == 3 ? std::vector<TElement*>{p.e(1), p.e(2), p.e(3)}
                                         : std::vector<TElement*>{p.e(1)});
        const QString name = param == 3 ? QStringLiteral("関連") : QStringLiteral("出版社");
        p.dialogs.Expect(Kind::kOkCancel, name + QStringLiteral(" を指定しません。宜しいですか？"),
                         Answer(answer));
        TReferenceList* list = p.List(param);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(row).center());
        QVERIFY2(p.dialogs.Unexpected().isEmpty(), qPrintable(p.dialogs.Unexpected().join('|')));
        QVERIFY(p.dialogs.Done());
        QCOMPARE(Refs(p.data.Library().WorkingElement(), param).size(), left);
        QCOMPARE(p.box.Changed(), answer == int(Answer::kOk));
        if (param == 3 && answer == int(Answer::kOk)) {
            QVERIFY(p.box.Apply());
            QCOMPARE(Refs(*p.e(0), 3), (QList<TElement*>{p.e(1), p.e(3)}));
        }
    }

    void EmptyReferencesOnlySayThereIsNone() {
        Panel p;
        p.box.show();
        p.box.Show(p.e(0));
        p.dialogs.Expect(Kind::kMessage, QStringLiteral("参照先はありません。"))
            .Expect(Kind::kMessage, QStringLiteral("参照先はありません。"))
            .Expect(Kind::kMessage, QStringLiteral("参照先はありません。"));
        QTest::mouseDClick(p.List(2)->viewport(), Qt::LeftButton, {},
                           p.List(2)->RowRect(1).center());
        p.box.SetMenuTarget(3);
        MenuAction(p.box.ReferenceMenu(), QStringLiteral("選択中の参照を除外(&D)"))->trigger();
        MenuAction(p.box.ReferenceMenu(), QStringLiteral("参照のクリア(&C)"))->trigger();
        QVERIFY(p.dialogs.Unexpected().isEmpty());
        QVERIFY(p.dialogs.Done());
        QVERIFY(!p.box.Changed());
    }

    void MenuRemovesTheSelectedRowsOrClears() {
        Panel p;
        p.box.show();
        p.ShowWithRefs(3, {p.e(0), p.e(1), p.e(2), p.e(3)});
        // Rows 2 to 3 selected with the mouse, then the menu opened on the list.
        TReferenceList* list = p.List(3);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(2).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          list->RowRect(3).center());
        QCOMPARE(list->SelectionTop(), 2);
        QCOMPARE(list->SelectionBottom(), 3);
        p.box.SetMenuTarget(3);
        p.dialogs.Expect(Kind::kOkCancel,
                         QStringLiteral("選択している 関連 を除外します。\n宜しいですか？"));
        MenuAction(p.box.ReferenceMenu(), QStringLiteral("選択中の参照を除外(&D)"))->trigger();
        QCOMPARE(Refs(p.data.Library().WorkingElement(), 3), (QList<TElement*>{p.e(0), p.e(3)}));
        QCOMPARE(list->RowCount(), 2);
        p.dialogs.Expect(Kind::kOkCancel, QStringLiteral("関連 を指定しません。\n宜しいですか？"));
        MenuAction(p.box.ReferenceMenu(), QStringLiteral("参照のクリア(&C)"))->trigger();
        QVERIFY(Refs(p.data.Library().WorkingElement(), 3).isEmpty());
        QCOMPARE(list->RowCount(), 1);
        QVERIFY(p.dialogs.Unexpected().isEmpty());
        QVERIFY(p.box.Apply());
        QVERIFY(p.e(0)->Numbers(3).empty());
        QVERIFY(!MenuAction(p.box.ReferenceMenu(), QStringLiteral("別枠表示(W)..."))->isEnabled());
        QVERIFY(!MenuAction(p.box.ReferenceMenu(), QStringLiteral("並び替え(&S)..."))->isEnabled());
    }

    void RightClickOpensTheMenusOnTheirField() {
        Panel p;
        p.box.show();
        p.box.Show(p.e(0));
        const QPoint at = p.List(3)->RowRect(1).center();
        QContextMenuEvent onList(QContextMenuEvent::Mouse, at,
                                 p.List(3)->viewport()->mapToGlobal(at));
        QApplication::sendEvent(p.List(3)->viewport(), &onList);
        QCOMPARE(p.box.MenuTarget(), 3);
        QTRY_VERIFY(p.box.ReferenceMenu()->isVisible());
        p.box.ReferenceMenu()->hide();
        auto* edit = p.Control<QPlainTextEdit>(7);
        test::TypeText(edit, QStringLiteral("42"));
        emit edit->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(p.box.MenuTarget(), 7);
        QTRY_VERIFY(p.box.EditMenu()->isVisible());
        p.box.EditMenu()->hide();
        QStringList captions;
        for (QAction* action : p.box.EditMenu()->actions())
            if (!action->isSeparator())
                captions << action->text() + QLatin1Char('\t') + action->shortcut().toString();
        QCOMPARE(captions,
                 (QStringList{
                     QStringLiteral("元に戻す(&U)\tCtrl+Z"), QStringLiteral("切り取り(&T)\tCtrl+X"),
                     QStringLiteral("コピー(&C)\tCtrl+C"), QStringLiteral("貼り付け(&P)\tCtrl+V"),
                     QStringLiteral("全て選択(&A)\tCtrl+A")}));
        QAction* cut = MenuAction(p.box.EditMenu(), QStringLiteral("切り取り(&T)"));
        QVERIFY(!cut->isEnabled());  // nothing selected when the menu opened
        MenuAction(p.box.EditMenu(), QStringLiteral("全て選択(&A)"))->trigger();
        QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("42"));
        emit edit->customContextMenuRequested(QPoint(5, 5));
        p.box.EditMenu()->hide();
        QVERIFY(cut->isEnabled());
        cut->trigger();
        QVERIFY(edit->toPlainText().isEmpty());
        MenuAction(p.box.EditMenu(), QStringLiteral("元に戻す(&U)"))->trigger();
        QCOMPARE(edit->toPlainText(), QStringLiteral("42"));
    }

    // A reference parameter whose value was read as plain numbers (the file was read before
    // its parameters) shows no reference; the numbers are never taken for addresses.
    void PlainNumbersInAReferenceShowNoReference() {
        Panel p;
        p.e(0)->SetNumbers(2, {12345});
        p.e(0)->SetNumbers(3, {1, 2});
        p.box.Show(p.e(0));
        QCOMPARE(p.List(2)->RowTexts(), QStringList{QStringLiteral("<参照なし>")});
        QCOMPARE(p.List(3)->RowCount(), 1);
    }

    // Real drag events carrying the sub window's drag: the block, or the start element alone
    // when it lies outside the block, lands by the drag mode and the drop row.
    void DraggedElementsLandByModeAndRow_data() {
        QTest::addColumn<int>("param");
        QTest::addColumn<int>("existing");  // references e0 .. e(existing-1) of the panel
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<QList<int>>("drag");  // top, bottom, start in the source group
        QTest::addColumn<int>("row");          // -1: below the last row
        // The references afterwards: 0.. the panel's elements, 10.. the source's.
        QTest::addColumn<QList<int>>("expected");
        const QList<int> block{1, 3, 2};
        QTest::newRow("single takes the first") << 2 << 1 << 2u << block << 1 << QList<int>{11};
        QTest::newRow("empty array takes the block")
            << 3 << 0 << 2u << block << 1 << QList<int>{11, 12, 13};
        QTest::newRow("add mode appends")
            << 3 << 2 << 0u << block << 1 << QList<int>{0, 1, 11, 12, 13};
        QTest::newRow("move and add appends")
            << 3 << 2 << 1u << block << 2 << QList<int>{0, 1, 11, 12, 13};
        QTest::newRow("insert before row 2")
            << 3 << 2 << 2u << block << 2 << QList<int>{0, 11, 12, 13, 1};
        QTest::newRow("insert on the header row appends")
            << 3 << 2 << 2u << block << 0 << QList<int>{0, 1, 11, 12, 13};
        QTest::newRow("insert below the last row appends")
            << 3 << 2 << 2u << block << -1 << QList<int>{0, 1, 11, 12, 13};
        QTest::newRow("start outside the block drops it alone")
            << 3 << 2 << 2u << QList<int>{1, 2, 4} << 1 << QList<int>{14, 0, 1};
        QTest::newRow("block reaching past the group's end is cut")
            << 3 << 0 << 0u << QList<int>{3, 9, 3} << 1 << QList<int>{13, 14};
    }
    void DraggedElementsLandByModeAndRow() {
        QFETCH(int, param);
        QFETCH(int, existing);
        QFETCH(unsigned, mode);
        QFETCH(QList<int>, drag);
        QFETCH(int, row);
        QFETCH(QList<int>, expected);
        SourceLibrary source;
        Panel p;
        p.box.show();
        std::vector<TElement*> refs;
        for (int i = 0; i < existing; ++i)
            refs.push_back(p.e(i));
        p.ShowWithRefs(param, refs);
        p.box.SetDragMode(mode);
        const TElementDrag carried{source.Document(), 0, drag[0], drag[1], drag[2]};
        const std::unique_ptr<QMimeData> mime(carried.ToMime());
        QVERIFY(DragAndDrop(p.List(param), mime.get(), row));
        QVERIFY(p.box.Changed());
        QList<TElement*> want;
        for (int i : expected)
            want << (i >= 10 ? source.Element(i - 10) : p.e(i));
        QCOMPARE(Refs(p.data.Library().WorkingElement(), param), want);
        QCOMPARE(p.List(param)->RowCount(), param == 3 ? want.size() : 1);
        QVERIFY(p.box.Apply());
        QCOMPARE(Refs(*p.e(0), param), want);
        QCOMPARE(p.List(param)->RowTexts().value(0), QtText::FromCp932(want[0]->Texts(0)[0]));
    }

    void OtherDragsAreRefused_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("text") << 0;
        QTest::newRow("a list's own rows") << 1;
        QTest::newRow("from a library closed meanwhile") << 2;
    }
    void OtherDragsAreRefused() {
        QFETCH(int, kind);
        SourceLibrary source;
        Panel p;
        p.box.show();
        p.ShowWithRefs(3, {p.e(0)});
        std::unique_ptr<QMimeData> mime;
        if (kind == 2) {
            mime.reset(TElementDrag{source.Document(), 0, 0, 1, 0}.ToMime());
            source.Close();
        } else {
            mime = std::make_unique<QMimeData>();
            if (kind == 0) mime->setText(QStringLiteral("一"));
            if (kind == 1)
                mime->setData(QStringLiteral("application/x-qabstractitemmodeldatalist"), "x");
        }
        for (int param : {2, 3}) {
            TReferenceList* list = p.List(param);
            const QPoint at = list->RowRect(1).center();
            QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
            QApplication::sendEvent(list->viewport(), &enter);
            QVERIFY(!enter.isAccepted());
            QVERIFY(!DragAndDrop(list, mime.get(), 1));
        }
        QVERIFY(!p.box.Changed());
        QCOMPARE(Refs(p.data.Library().WorkingElement(), 3), QList<TElement*>{p.e(0)});
    }

    // A panel given an element of its own edits and reads only that element: the library's
    // working copy and current element stay as they were.
    void OwnWorkingElementKeepsTheLibrarysCopy() {
        Panel p;
        p.box.show();
        p.box.Show(p.e(0));
        TElement own;
        own.SetTexts(0, {PanelLibrary::Cp932("自前")});
        p.box.SetWorkingElement(&own);
        QCOMPARE(p.Control<QLineEdit>(0)->text(), QStringLiteral("自前"));
        p.box.DropElements(3, {p.e(2)}, 1);
        p.Control<QLineEdit>(0)->setText(QStringLiteral("改"));
        TElement target;
        for (int param : {0, 3})
            p.box.ReadInto(param, target);
        QCOMPARE(Texts(target, 0), QStringList{QStringLiteral("改")});
        QVERIFY(target.Numbers(3).empty());  // references are never read from a control
        QCOMPARE(Refs(own, 3), QList<TElement*>{p.e(2)});
        QCOMPARE(Texts(p.data.Library().WorkingElement(), 0), QStringList{QStringLiteral("一")});
        QVERIFY(p.data.Library().WorkingElement().Numbers(3).empty());
        p.box.SetWorkingElement(nullptr);
        QCOMPARE(p.Control<QLineEdit>(0)->text(), QStringLiteral("一"));
        QCOMPARE(Texts(*p.e(0), 0), QStringList{QStringLiteral("一")});
    }

    void RowMovesReorderReferences_data() {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<int>("newTop");
        QTest::addColumn<int>("newBottom");
        QTest::newRow("single row up, outside the selection")
            << 1 << 1 << 4 << 1 << QList<int>{3, 0, 1, 2} << 1 << 1;
        QTest::newRow("single row down") << 4 << 4 << 1 << 3 << QList<int>{1, 2, 0, 3} << 3 << 3;
        QTest::newRow("block down") << 1 << 2 << 1 << 4 << QList<int>{2, 3, 0, 1} << 3 << 4;
        QTest::newRow("block up") << 3 << 4 << 4 << 1 << QList<int>{2, 3, 0, 1} << 1 << 2;
        QTest::newRow("into its own block") << 1 << 3 << 1 << 2 << QList<int>{0, 1, 2, 3} << 1 << 3;
    }
    void RowMovesReorderReferences() {
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, expected);
        QFETCH(int, newTop);
        QFETCH(int, newBottom);
        Panel p;
        p.box.resize(360, 900);
        p.data.Library().ParameterFile()->At(3)->SetInputBoxHeight(200);
        p.box.Rebuild();
        p.box.show();
        p.ShowWithRefs(3, {p.e(0), p.e(1), p.e(2), p.e(3)});
        TReferenceList* list = p.List(3);
        list->SelectRows(top, bottom);
        // Dragged by the fixed row-number cell.
        const QPoint start(TReferenceList::kFixedColumnWidth / 2, list->RowRect(from).center().y());
        const QPoint end(TReferenceList::kFixedColumnWidth / 2, list->RowRect(to).center().y());
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, start);
        QTest::mouseMove(list->viewport(), end);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, end);
        QList<TElement*> want;
        for (int i : expected)
            want << p.e(i);
        QCOMPARE(Refs(p.data.Library().WorkingElement(), 3), want);
        QCOMPARE(list->SelectionTop(), newTop);
        QCOMPARE(list->SelectionBottom(), newBottom);
        QCOMPARE(list->RowTexts().value(0), QtText::FromCp932(want[0]->Texts(0)[0]));
    }

    void DestroyedReferenceTargetsLeaveTheWorkingElement() {
        Panel p;
        p.ShowWithRefs(3, {p.e(1), p.e(2)});
        p.data.Library().DeleteElements(0, 2, 3);  // 三 goes away
        QCOMPARE(Refs(p.data.Library().WorkingElement(), 3).size(), 1);
    }

    // The panel with every type, as the user sees it: nothing reaches past the panel, labels
    // never run into their controls. Saved as a PNG when TABRIX_SCREENSHOT_DIR is set.
    void PanelWithEveryTypeFitsItsWidth() {
        Panel p;
        p.e(0)->SetTexts(1, {PanelLibrary::Cp932("夏目漱石"), PanelLibrary::Cp932("森鴎外")});
        p.e(0)->SetElementRefs(2, {p.e(1)});
        p.e(0)->SetElementRefs(3, {p.e(1), p.e(2), p.e(3)});
        p.e(0)->SetNumbers(4, {1});
        p.e(0)->SetNumbers(5, {1, 0, 1});
        p.e(0)->SetNumbers(6, {1200});
        p.e(0)->SetNumbers(7, {5, 4});
        p.e(0)->SetNumbers(8, {320});
        p.e(0)->SetNumbers(9, {12, 40, 88});
        p.e(0)->SetGroupRefs(10, {p.data.Library().Group(1)});
        p.e(0)->SetNumbers(11, {1});
        p.box.resize(320, 1100);
        p.box.show();
        p.box.Show(p.e(0));
        for (int i = 0; i < 12; ++i) {
            const QRect control = p.box.Control(i)->geometry();
            QVERIFY(control.right() < p.box.viewport()->width());
            if (!p.box.Label(i)->isHidden())
                QVERIFY(p.box.Label(i)->geometry().right() < control.left());
        }
        const QString dir = qEnvironmentVariable("TABRIX_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            QVERIFY(p.box.grab().save(dir + QStringLiteral("/param-panel.png")));
        }
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TParamSBoxTest)
#include "TParamSBoxTest.moc"
