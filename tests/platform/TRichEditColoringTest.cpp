// The colouring of a format editor: the colours of each piece, and nothing else of the editor
// touched (text, selection, undo history, modified state, change signals).
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QtTest>

#include <memory>

#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/QtText.h"
#include "platform/TRichEditColoring.h"

namespace tabrix {

namespace {

const QColor kPurple(128, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

// The format the colouring gave the character at position of line block, or a default
// format when none covers it.
QTextCharFormat FormatAt(const QTextDocument& document, int block, int position) {
    const QTextBlock line = document.findBlockByNumber(block);
    for (const QTextLayout::FormatRange& range : line.layout()->formats())
        if (position >= range.start && position < range.start + range.length) return range.format;
    return {};
}

}  // namespace

class TRichEditColoringTest : public QObject {
    Q_OBJECT

public:
    TRichEditColoringTest() {
        TZQPCtrl* parameters = library_.AttachParameterFile(std::make_unique<TZQPCtrl>());
        auto name = std::make_unique<TParameter>();
        name->SetCode(QtText::ToCp932(QStringLiteral("名称")));
        parameters->AddParameter(std::move(name));
    }

private slots:
    void ColoursEachPieceByWhatItCompilesTo() {
        QTextEdit editor;
        editor.setPlainText(QStringLiteral("%名称%\n%EDIT(+, 名称)%\n表%名前%\n%IF,名称,==,a%x"));
        TRichEditColoring::Colour(editor, library_);
        const QTextDocument& document = *editor.document();
        QCOMPARE(FormatAt(document, 0, 0).foreground().color(), kPurple);
        QCOMPARE(FormatAt(document, 0, 1).foreground().color(), kBlue);
        QCOMPARE(FormatAt(document, 0, 2).foreground().color(), kBlue);
        QCOMPARE(FormatAt(document, 0, 3).foreground().color(), kPurple);
        QCOMPARE(FormatAt(document, 1, 1).foreground().color(), kYellow);
        QVERIFY(FormatAt(document, 1, 1).fontStrikeOut());
        QVERIFY(!FormatAt(document, 0, 1).fontStrikeOut());
        // Positions count UTF-16 units: 表 is one, and 名前 (no parameter) is black text.
        QCOMPARE(FormatAt(document, 2, 1).foreground().color(), kPurple);
        QCOMPARE(FormatAt(document, 2, 2).foreground().color(), QColor(Qt::black));
        QCOMPARE(FormatAt(document, 3, 1).foreground().color(), kRed);
        QCOMPARE(FormatAt(document, 3, 13).foreground().color(), QColor(Qt::black));
    }

    void LeavesTextSelectionUndoAndChangeStateAlone() {
        QPlainTextEdit editor;
        editor.setPlainText(QStringLiteral("%名称%\n%EDIT(+, 名称)%"));
        QTest::keyClicks(&editor, QStringLiteral("ab"));
        const int undoSteps = editor.document()->availableUndoSteps();
        QVERIFY(undoSteps > 0);
        editor.document()->setModified(false);
        QTextCursor selection = editor.textCursor();
        selection.setPosition(2);
        selection.setPosition(6, QTextCursor::KeepAnchor);
        editor.setTextCursor(selection);
        const QString text = editor.toPlainText();
        QSignalSpy changed(&editor, &QPlainTextEdit::textChanged);
        QSignalSpy modified(editor.document(), &QTextDocument::modificationChanged);

        TRichEditColoring::Colour(editor, library_);
        QCoreApplication::processEvents();  // nothing delayed may follow

        QCOMPARE(editor.toPlainText(), text);
        QCOMPARE(editor.textCursor().anchor(), 2);
        QCOMPARE(editor.textCursor().position(), 6);
        QCOMPARE(editor.document()->availableUndoSteps(), undoSteps);
        QVERIFY(!editor.document()->isModified());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(modified.count(), 0);
        // Undo still undoes the typing, not the colouring.
        editor.undo();
        QVERIFY(!editor.toPlainText().startsWith(QStringLiteral("ab")));
    }

    void ColouringAgainAfterACorrectionGivesTheFreshResult() {
        QTextEdit editor;
        editor.setPlainText(QStringLiteral("%EDIT(+, 名称)%\n%名称%"));
        TRichEditColoring::Colour(editor, library_);
        QVERIFY(FormatAt(*editor.document(), 0, 1).fontStrikeOut());

        // Typing in the first line drops its colours; the second line keeps its own.
        QTextCursor cursor(editor.document()->findBlockByNumber(0));
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.movePosition(QTextCursor::Left);
        cursor.insertText(QStringLiteral(", 1)"));
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 11);
        cursor.deleteChar();  // the first ")"
        QCOMPARE(editor.document()->findBlockByNumber(0).text(),
                 QStringLiteral("%EDIT(+, 名称, 1)%"));
        QVERIFY(!FormatAt(*editor.document(), 0, 1).fontStrikeOut());
        QCOMPARE(FormatAt(*editor.document(), 1, 1).foreground().color(), kBlue);

        TRichEditColoring::Colour(editor, library_);
        QCOMPARE(FormatAt(*editor.document(), 0, 1).foreground().color(), QColor(0, 128, 255));
        QVERIFY(!FormatAt(*editor.document(), 0, 1).fontStrikeOut());
        QCOMPARE(editor.document()->findChildren<QSyntaxHighlighter*>().size(), 1);
    }

private:
    TZQLCtrl library_;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TRichEditColoringTest)
#include "TRichEditColoringTest.moc"
