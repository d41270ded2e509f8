// The batch change-apply window on a copy of the sample library, through the frame: one window
// per library window, its layout, and its button writing the checked parameters and the output
// flag into the selected block, checked in the model and in the saved element data file.

#include "FrameFixture.h"
#include "platform/FontSubstitutes.h"
#include "windows/TMultiApplyForm.h"

namespace tabrix {

using namespace test;

namespace {

// The sample's parameters used here.
constexpr int kTitle = 0;      // 書名, string
constexpr int kPublisher = 2;  // 出版社, element reference
constexpr int kRelated = 3;    // 関連書, element reference array

// The element lines of the first group data of an element data file.
QList<QByteArray> FirstDataLines(const QString& path) {
    const QByteArray bytes = Bytes(path).replace("\r\n", "\n");
    const qsizetype start = bytes.indexOf("[data]\n") + 7;
    return bytes.mid(start, bytes.indexOf("\n[/data]", start) - start).split('\n');
}

void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

}  // namespace

class TMultiApplyFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void initTestCase() { FontSubstitutes::Install(); }
    void init() { StartFrame(900, 600); }
    void cleanup() { CloseFrame(); }

    // Rows 3..4 (elements 2 and 3, ねこの随筆 with output 1 and Ｃ＋＋の海 with output 0) are
    // selected; the library has a "change" list that sorts by title, which must not run.
    void applyWritesIntoTheSelectedBlock() {
        // The parameters in use, the text typed into the title field, whether references are set
        // in the window's panel, the output value applied (-1: its box left unchecked).
        const std::tuple<QList<int>, QString, bool, int> cases[] = {
            {{kTitle}, "", false, -1},  // an empty field in use clears the string
            {{kTitle}, "新題", false, -1},
            {{kPublisher, kRelated}, "", true, -1},  // references change nothing
            {{}, "無視", false, 0},
            {{}, "", false, 1},
            {{}, "無視", true, -1},  // nothing in use only marks the group
        };
        for (const auto& [use, typed, withReferences, output] : cases) {
            CloseFrame();
            init();
            ApplyIntoTheSelectedBlock(use, typed, withReferences, output);
        }
    }

private:
    void ApplyIntoTheSelectedBlock(const QList<int>& use, const QString& typed, bool withReferences,
                                   int output) {
        TZQLForm* form = OpenSample();
        const QString zqd = Path("data/books.ZQD");
        TZQLCtrl& library = form->Document().Library();
        TGroupSetting& group = *library.Group(0);
        const TGroupData& data = *group.GroupData();
        // The lines as this program writes them, before the change.
        group.GroupData()->MarkModified();
        form->Save();
        const QList<QByteArray> before = FirstDataLines(zqd);
        QCOMPARE(before.size(), 4);
        library.BatchList(kBatchChange) = {{{"[JudgeParam]0", "[GroupNo]0"}, 1, "sort"}};
        group.Set(TGroupSetting::kOutputDone, true);
        const std::vector<TElement*> order = Elements(data);
        const auto references = [&order] {
            std::vector<std::vector<NumberItem>> all;
            for (TElement* element : order)
                all.insert(all.end(), {element->Numbers(kPublisher), element->Numbers(kRelated)});
            return all;
        };
        const auto referencesBefore = references();
        form->List().SelectRows(2, 3, 2);
        const QString shownTitle = qobject_cast<QLineEdit*>(form->Panel().Control(kTitle))->text();

        form->Action(u"A_MultiApply"_s)->trigger();
        TMultiApplyForm* window = form->MultiApplyWindow();
        TParamSBox& panel = window->Panel();
        test::TypeText(panel.Control(kTitle), typed);
        if (withReferences) {
            TElement* publisher = library.Group(2)->GroupData()->At(1);
            panel.DropElements(kPublisher, {publisher}, 1);
            panel.DropElements(kRelated, {publisher, order[0]}, 1);
        }
        for (int param : use) {
            ClickBox(window->UseBox(param));
            QVERIFY(window->UseBox(param)->isChecked());
        }
        if (output >= 0) {
            ClickBox(&window->OutputUseBox());
            QVERIFY(window->OutputUseBox().isChecked());
            if (window->OutputBox().isChecked() != (output == 1)) ClickBox(&window->OutputBox());
        }
        QTest::mouseClick(&window->ApplyButton(), Qt::LeftButton);

        QVERIFY(Elements(data) == order);  // no "change" list ran
        QVERIFY(data.Owner()->IsModified() && !group.Has(TGroupSetting::kOutputDone));
        QVERIFY(references() == referencesBefore);
        // The library window's panel shows its element as it stands now.
        QCOMPARE(qobject_cast<QLineEdit*>(form->Panel().Control(kTitle))->text(),
                 use.contains(kTitle) ? typed : shownTitle);

        form->Save();
        QList<QByteArray> expected = before;
        for (int i : {2, 3}) {
            const qsizetype bar = expected[i].indexOf("||");
            const qsizetype comma = expected[i].indexOf(',', bar);
            if (use.contains(kTitle))
                expected[i].replace(bar + 2, comma - bar - 2,
                                    QByteArray::fromStdString(QtText::ToCp932(typed)));
            if (output >= 0) expected[i].replace(0, bar, QByteArray::number(output));
        }
        QCOMPARE(FirstDataLines(zqd), expected);

        // The same list, run, does reorder: it was there and stayed unrun.
        form->Document().RunBatchList(kBatchChange);
        QVERIFY(Elements(data) != order);
        ForgetChanges(library);
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TMultiApplyFormTest)
#include "TMultiApplyFormTest.moc"
