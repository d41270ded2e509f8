// The parameter panel driven through its real controls: loading every type,
// typing and applying with the reading rules, Enter and the arrow keys,
// reference lists with their texts, removals with their questions, row moves,
// drops of dragged elements, and a panel on an element of its own.
#include <QMenu>
#include <QMimeData>

#include "FrameFixture.h"
#include "model/CoreText.h"
#include "model/TParameter.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"
#include "platform/FontSubstitutes.h"
#include "windows/TElementDrag.h"
#include "windows/TReferenceList.h"

namespace tabrix {

using namespace test;

namespace {

// A library for window tests, built through the core: the default parameter 名称 (string) and
// one parameter for each further type, so that parameter i has type code i; two groups, the
// first with four named elements 一, 二, 三, 四.
class PanelLibrary {
public:
    PanelLibrary() {
        controller_.FillNewLibrary(library_);
        TZQPCtrl& file = *library_.ParameterFile();
        const char* names[] = {"名称", "著者", "出版社", "関連", "在庫",     "形態",
                               "価格", "評価", "頁",     "章頁", "シリーズ", "分類"};
        for (int type = 1; type < 12; ++type) {
            auto parameter = std::make_unique<TParameter>();
            parameter->SetName(Cp932(names[type]));
            parameter->SetCode(Cp932(names[type]));
            parameter->SetType(static_cast<std::uint8_t>(type));
            file.AddParameter(std::move(parameter), true);
        }
        file.At(2)->SetDisplayParameter(file.At(0));
        file.At(3)->SetDisplayParameter(file.At(0));
        file.At(5)->Selection() = {Cp932("単行本"), Cp932("文庫"), Cp932("電子版")};
        file.At(11)->Selection() = {Cp932("小説"), Cp932("技術書"), Cp932("随筆")};

        TGroupData* second = library_.Group(0)->GroupData()->Owner()->AddGroupData();
        second->SetName(Cp932("データ 2"));
        library_.AddGroupForGroupData(second)->SetName(Cp932("新刊"));

        library_.AddElements(0, 4);
        const char* elementNames[] = {"一", "二", "三", "四"};
        for (int i = 0; i < 4; ++i)
            Element(i)->SetTexts(0, {Cp932(elementNames[i])});
    }

    static std::string Cp932(const char* utf8) { return TextCodec::FromUtf8(utf8); }

    TZQLCtrl& Library() { return library_; }
    TElement* Element(int i) { return library_.Group(0)->GroupData()->At(i); }

private:
    TTabrixCtrl controller_;
    TZQLCtrl library_;
};

QStringList Texts(const TElement& element, int i) {
    QStringList texts;
    for (std::string_view text : element.Texts(i))
        texts << QtText::FromCp932(text);
    return texts;
}

QList<TElement*> Refs(const TElement& element, int i) {
    QList<TElement*> refs;
    for (NumberItem item : element.Numbers(i))
        refs << TElement::AsElement(item);
    return refs;
}

// A drag dropped at row of the list (-1: below the last row); true when it was taken as a copy.
bool DragAndDrop(TReferenceList* list, const QMimeData* mime, int row) {
    const QPoint at =
        row >= 0 ? list->RowRect(row).center() : QPoint(40, list->viewport()->height() - 2);
    return SendDrag(list->viewport(), at, mime) == Qt::CopyAction;
}

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
    void ShowWithRefs(int param, int count) {
        std::vector<TElement*> refs;
        for (int i = 0; i < count; ++i)
            refs.push_back(e(i));
        e(0)->SetElementRefs(param, refs);
        box.Show(e(0));
    }
    QList<TElement*> Working(int param) { return Refs(data.Library().WorkingElement(), param); }
    void Trigger(QMenu* menu, const QString& text) { MenuEntry(*menu, text)->trigger(); }
};

}  // namespace

class TParamSBoxTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { FontSubstitutes::Install(); }

    // Values shown in their controls and through a display parameter; references without a
    // display parameter say so, and plain numbers (the file was read before its parameters) are
    // never taken for addresses; boolean values beyond the choice names are kept when the
    // choices are applied.
    void ShowAndApplyKeepValuesBeyondTheChoices() {
        Panel p;
        TElement& e = *p.e(0);
        TZQPCtrl& file = *p.data.Library().ParameterFile();
        file.At(3)->SetDisplayParameter(nullptr);
        e.SetTexts(1, {PanelLibrary::Cp932("夏目"), PanelLibrary::Cp932("森")});
        e.SetNumbers(2, {12345});
        e.SetElementRefs(3, {&e});
        e.SetNumbers(5, {0, 0, 0, 1, 1});  // five values, three choice names
        e.SetNumbers(6, {0xFFFFFFFBu});
        e.SetNumbers(8, {4294967295u});
        e.SetGroupRefs(10, {p.data.Library().Group(1)});
        e.SetNumbers(11, {2});
        p.box.Show(&e);
        QCOMPARE(p.Control<QPlainTextEdit>(1)->toPlainText(), u"夏目\n森"_s);
        QCOMPARE(p.Control<QLineEdit>(6)->text(), u"-5"_s);
        QCOMPARE(p.Control<QLineEdit>(8)->text(), u"4294967295"_s);
        QCOMPARE(p.Control<QComboBox>(10)->currentText(), u"新刊"_s);
        QCOMPARE(p.Control<QComboBox>(11)->currentText(), u"随筆"_s);
        QVERIFY(p.Control<QCheckBox>(4) && p.box.Label(4)->isHidden());
        QCOMPARE(p.List(3)->RowTexts(),
                 QStringList{u"ERROR: 参照先の表示項目が指定されていません"_s});
        QCOMPARE(p.List(2)->RowTexts(), QStringList{u"<参照なし>"_s});
        QCOMPARE(TParamSBox::DisplayText(&e, *file.At(6), p.data.Library()), u"-5"_s);
        QCOMPARE(TParamSBox::DisplayText(&e, *file.At(11), p.data.Library()), u"随筆"_s);
        QVERIFY(!p.box.Apply());  // nothing edited: nothing applied
        p.Control<QListWidget>(5)->item(0)->setCheckState(Qt::Checked);
        QVERIFY(p.box.Apply());
        QVERIFY(e.Numbers(5) == (NumberList{1, 0, 0, 1, 1}));
    }

    // Typed into the real field, then applied by Enter (one-line fields) or by
    // Apply.
    void TypedValuesAreReadByTheRules() {
        // The parameter, the lines typed, the texts (string types) or numbers read.
        const std::tuple<int, QStringList, QStringList, NumberList> cases[] = {
            {0, {"東京タワー"}, {"東京タワー"}, {}},
            {0, {}, {""}, {}},
            {1, {"上", "", "下", "", "", ""}, {"上", "", "下"}, {}},  // trailing empty lines go
            {6, {"0x10"}, {}, {16}},
            {6, {"12a"}, {}, {0}},
            {6, {"-5"}, {}, {0xFFFFFFFBu}},
            {7, {"1", "0", "0"}, {}, {1}},  // trailing zeros go
            {7, {"0", "x", "-2"}, {}, {0, 0, 0xFFFFFFFEu}},
            {8, {"010"}, {}, {8}},
            {9, {"3", "", "0x7", "0"}, {}, {3, 0, 7}},
        };
        for (const auto& [param, lines, texts, numbers] : cases) {
            Panel p;
            p.box.show();
            p.box.Show(p.e(2));
            if (auto* edit = p.Control<QLineEdit>(param)) {
                edit->clear();
                TypeText(edit, lines.join(QString()));
                QTest::keyClick(edit, Qt::Key_Return);  // Enter applies at once
            } else {
                auto* multi = p.Control<QPlainTextEdit>(param);
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    if (i > 0) QTest::keyClick(multi, Qt::Key_Return);
                    TypeText(multi, lines[i]);
                }
                QVERIFY(p.box.Apply());
            }
            QVERIFY(!p.box.Changed());
            if (param > 0) QCOMPARE(Texts(*p.e(2), 0).value(0), u"三"_s);
            if (param <= 1) QCOMPARE(Texts(*p.e(2), param), texts);
            if (param > 1) QVERIFY(p.e(2)->Numbers(param) == numbers);
        }
    }

    // A double click removes a row after the question, Cancel keeps it; rows selected with the
    // mouse go through the menu, then the list is cleared; on an empty list the menu and a
    // double click only say there is none.
    void RemovalsAskFirst() {
        Panel p;
        p.box.show();
        p.e(0)->SetElementRefs(2, {p.e(1)});
        p.ShowWithRefs(3, 4);
        const auto doubleClick = [&p](int param, int row, Answer answer) {
            const QString name = param == 3 ? u"関連"_s : u"出版社"_s;
            p.dialogs.Expect(Kind::kOkCancel, name + u" を指定しません。宜しいですか？"_s, answer);
            QTest::mouseDClick(p.List(param)->viewport(), Qt::LeftButton, {},
                               p.List(param)->RowRect(row).center());
        };
        doubleClick(2, 1, Answer::kCancel);
        QVERIFY(p.Working(2).size() == 1 && !p.box.Changed());
        doubleClick(2, 1, Answer::kOk);
        QVERIFY(p.Working(2).isEmpty() && p.box.Changed());
        TReferenceList* list = p.List(3);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(2).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          list->RowRect(3).center());
        QCOMPARE(list->SelectionTop(), 2);
        QCOMPARE(list->SelectionBottom(), 3);
        p.box.SetMenuTarget(3);
        const QString remove = u"選択中の参照を除外(&D)"_s;
        const QString clear = u"参照のクリア(&C)"_s;
        p.dialogs.Expect(Kind::kOkCancel, u"選択している 関連 を除外します。\n宜しいですか？"_s);
        p.Trigger(p.box.ReferenceMenu(), remove);
        QCOMPARE(p.Working(3), (QList<TElement*>{p.e(0), p.e(3)}));
        QCOMPARE(list->RowCount(), 2);
        doubleClick(3, 2, Answer::kOk);
        QCOMPARE(p.Working(3), QList<TElement*>{p.e(0)});
        p.dialogs.Expect(Kind::kOkCancel, u"関連 を指定しません。\n宜しいですか？"_s);
        p.Trigger(p.box.ReferenceMenu(), clear);
        QVERIFY(p.Working(3).isEmpty());
        QCOMPARE(list->RowCount(), 1);
        for (int i = 0; i < 3; ++i)
            p.dialogs.Expect(Kind::kMessage, u"参照先はありません。"_s);
        p.Trigger(p.box.ReferenceMenu(), remove);
        p.Trigger(p.box.ReferenceMenu(), clear);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(1).center());
        QVERIFY2(p.dialogs.Unexpected().isEmpty(), qPrintable(p.dialogs.Unexpected().join('|')));
        QVERIFY(p.dialogs.Done());
        QVERIFY(p.box.Apply());
        QVERIFY(p.e(0)->Numbers(3).empty() && p.e(0)->Numbers(2).empty());
    }

    // The arrow keys move between the parameters; a right click opens the menus on its field.
    void ArrowKeysAndMenusOnTheFields() {
        Panel p;
        p.box.show();
        p.box.Show(p.e(0));
        QApplication::setActiveWindow(&p.box);
        QVERIFY(QTest::qWaitForWindowActive(&p.box));
        const std::tuple<int, Qt::Key, int> cases[] = {
            {0, Qt::Key_Down, 1}, {6, Qt::Key_Up, 5}, {6, Qt::Key_Down, 7}, {0, Qt::Key_Up, 0}};
        for (const auto& [from, key, to] : cases) {
            p.box.Control(from)->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), p.box.Control(from));
            QTest::keyClick(p.box.Control(from), key);
            QCOMPARE(QApplication::focusWidget(), p.box.Control(to));
        }
        QVERIFY(!p.box.Changed());
        const QPoint at = p.List(3)->RowRect(1).center();
        QContextMenuEvent onList(QContextMenuEvent::Mouse, at,
                                 p.List(3)->viewport()->mapToGlobal(at));
        QApplication::sendEvent(p.List(3)->viewport(), &onList);
        QCOMPARE(p.box.MenuTarget(), 3);
        QTRY_VERIFY(p.box.ReferenceMenu()->isVisible());
        p.box.ReferenceMenu()->hide();
        auto* edit = p.Control<QPlainTextEdit>(7);
        TypeText(edit, u"42"_s);
        emit edit->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(p.box.MenuTarget(), 7);
        QTRY_VERIFY(p.box.EditMenu()->isVisible());
        p.box.EditMenu()->hide();
        QStringList captions;
        QAction* cut = nullptr;
        for (QAction* action : p.box.EditMenu()->actions()) {
            if (action->isSeparator()) continue;
            captions << action->text() + QLatin1Char('\t') + action->shortcut().toString();
            if (action->text() == u"切り取り(&T)"_s) cut = action;
        }
        QCOMPARE(captions, (QStringList{u"元に戻す(&U)\tCtrl+Z"_s, u"切り取り(&T)\tCtrl+X"_s,
                                        u"コピー(&C)\tCtrl+C"_s, u"貼り付け(&P)\tCtrl+V"_s,
                                        u"全て選択(&A)\tCtrl+A"_s}));
        QVERIFY(!cut->isEnabled());  // nothing selected when the menu opened
        p.Trigger(p.box.EditMenu(), u"全て選択(&A)"_s);
        QCOMPARE(edit->textCursor().selectedText(), u"42"_s);
        emit edit->customContextMenuRequested(QPoint(5, 5));
        p.box.EditMenu()->hide();
        QVERIFY(cut->isEnabled());
        cut->trigger();
        QVERIFY(edit->toPlainText().isEmpty());
        p.Trigger(p.box.EditMenu(), u"元に戻す(&U)"_s);
        QCOMPARE(edit->toPlainText(), u"42"_s);
    }

    // Real drag events carrying the sub window's drag: the block, or the start
    // element alone when it lies outside the block, lands by the drag mode and
    // the drop row.
    void DraggedElementsLandByModeAndRow() {
        // The parameter and its references e0 .. e(existing-1), the drag mode, the drag's block and
        // start in the source group, the drop row (-1: below the last row), the references after
        // (0.. the panel's elements, 10.. the source's).
        const std::tuple<int, int, unsigned, int, int, int, int, QList<int>> cases[] = {
            {2, 1, 2u, 1, 3, 2, 1, {11}},  // a single reference takes the first
            {3, 0, 2u, 1, 3, 2, 1, {11, 12, 13}},
            {3, 2, 0u, 1, 3, 2, 1, {0, 1, 11, 12, 13}},  // add mode appends
            {3, 2, 1u, 1, 3, 2, 2, {0, 1, 11, 12, 13}},  // move and add appends
            {3, 2, 2u, 1, 3, 2, 2, {0, 11, 12, 13, 1}},  // insert before row 2
            {3, 2, 2u, 1, 3, 2, 0, {0, 1, 11, 12, 13}},  // the header row appends
            {3, 2, 2u, 1, 3, 2, -1, {0, 1, 11, 12, 13}},
            {3, 2, 2u, 1, 2, 4, 1, {14, 0, 1}},  // start outside the block: alone
            {3, 0, 0u, 3, 9, 3, 1, {13, 14}},    // cut at the group's end
        };
        // The library the drags come from: five elements 甲 .. 戊 in its first group.
        ScriptedDialogs dialogs;
        QTemporaryDir config;
        TMainForm frame(dialogs, config.path());
        TLibraryDocument source(frame);
        source.FillNew();
        source.Library().AddElements(0, 5);
        const char* names[] = {"甲", "乙", "丙", "丁", "戊"};
        for (std::size_t i = 0; i < 5; ++i)
            source.ElementAt(0, i)->SetTexts(0, {PanelLibrary::Cp932(names[i])});
        for (const auto& [param, existing, mode, top, bottom, start, row, expected] : cases) {
            Panel p;
            p.box.show();
            p.ShowWithRefs(param, existing);
            p.box.SetDragMode(mode);
            const TElementDrag carried{&source, 0, top, bottom, start};
            const std::unique_ptr<QMimeData> mime(carried.ToMime());
            QVERIFY(DragAndDrop(p.List(param), mime.get(), row));
            QVERIFY(p.box.Changed());
            QList<TElement*> want;
            for (int i : expected)
                want << (i >= 10 ? source.ElementAt(0, std::size_t(i - 10)) : p.e(i));
            QCOMPARE(p.Working(param), want);
            QCOMPARE(p.List(param)->RowCount(), param == 3 ? want.size() : 1);
            QVERIFY(p.box.Apply());
            QCOMPARE(Refs(*p.e(0), param), want);
            QCOMPARE(p.List(param)->RowTexts().value(0), QtText::FromCp932(want[0]->Texts(0)[0]));
        }
    }

    // Dragged by the fixed row-number cell; the selection follows the moved rows.
    void RowMovesReorderReferences() {
        // The selection, the drag from and to a row, the order and the selection afterwards.
        const std::tuple<int, int, int, int, QList<int>, int, int> cases[] = {
            {1, 1, 4, 1, {3, 0, 1, 2}, 1, 1},  // a single row outside the selection
            {4, 4, 1, 3, {1, 2, 0, 3}, 3, 3}, {1, 2, 1, 4, {2, 3, 0, 1}, 3, 4},
            {3, 4, 4, 1, {2, 3, 0, 1}, 1, 2}, {1, 3, 1, 2, {0, 1, 2, 3}, 1, 3},  // onto itself
        };
        for (const auto& [top, bottom, from, to, expected, newTop, newBottom] : cases) {
            Panel p;
            p.box.resize(360, 900);
            p.data.Library().ParameterFile()->At(3)->SetInputBoxHeight(200);
            p.box.Rebuild();
            p.box.show();
            p.ShowWithRefs(3, 4);
            TReferenceList* list = p.List(3);
            list->SelectRows(top, bottom);
            const int x = TReferenceList::kFixedColumnWidth / 2;
            const QPoint start(x, list->RowRect(from).center().y());
            const QPoint end(x, list->RowRect(to).center().y());
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, start);
            QTest::mouseMove(list->viewport(), end);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, end);
            QList<TElement*> want;
            for (int i : expected)
                want << p.e(i);
            QCOMPARE(p.Working(3), want);
            QCOMPARE(list->SelectionTop(), newTop);
            QCOMPARE(list->SelectionBottom(), newBottom);
            QCOMPARE(list->RowTexts().value(0), QtText::FromCp932(want[0]->Texts(0)[0]));
        }
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TParamSBoxTest)
#include "TParamSBoxTest.moc"
