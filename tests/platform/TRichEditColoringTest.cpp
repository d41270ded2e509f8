// The colouring of a format editor touches nothing else of the editor: text, selection, undo
// history, modified state, change signals.
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/QtText.h"
#include "platform/TRichEditColoring.h"

namespace tabrix {

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

private:
    TZQLCtrl library_;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TRichEditColoringTest)
#include "TRichEditColoringTest.moc"
