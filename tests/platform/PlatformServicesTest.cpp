// The platform services around the windows: CP932 meeting Qt, file dialog
// filters in Qt's form, the message boxes' Japanese buttons and answers, the
// settings and data folders, preview images, and the colouring of a format
// editor.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/AppPaths.h"
#include "platform/QtDialogs.h"
#include "platform/QtText.h"
#include "platform/TRichEditColoring.h"

namespace tabrix {

using namespace Qt::StringLiterals;

class PlatformServicesTest : public QObject {
    Q_OBJECT

private slots:
    // Round trips, and exact conversions that refuse what CP932 cannot hold.
    void Cp932RoundTrips() {
        for (const QString& text : {u"abc"_s, u"十表ソ能予"_s, u"ﾊﾟｿｺﾝ"_s, u"ＭＳ ゴシック"_s}) {
            std::string cp932;
            QVERIFY(QtText::ToCp932Exact(text, cp932));
            QCOMPARE(QtText::FromCp932(cp932), text);
            QCOMPARE(QtText::ToCp932(text), cp932);
        }
        std::string cp932;
        QVERIFY(!QtText::ToCp932Exact(u"café"_s, cp932));
        QVERIFY(!QtText::ToCp932Exact(QString::fromUtf8("\xF0\x9F\x98\x80"), cp932));
    }

    void FiltersInQtForm() {
        const std::tuple<const char*, const char*> cases[] = {
            {"ZQLファイル(*.ZQL)|*.ZQL", "ZQLファイル(*.ZQL)"},  // the name shows its pattern
            {"テキスト|*.txt", "テキスト (*.txt)"},
            {"ZQPファイル(*.ZQP)|*.ZQP|全てのファイル|*.*",
             "ZQPファイル(*.ZQP);;全てのファイル (*.*)"},
            {"画像|*.bmp;*.jpg", "画像 (*.bmp *.jpg)"},
            {"ZQLファイル(*.ZQL)|*.zql", "ZQLファイル(*.ZQL) (*.zql)"},
            {"|*.ZQD", "*.ZQD"},
            {"テキスト|*.txt|", "テキスト (*.txt)"},
            {"", ""},
        };
        for (const auto& [filter, expected] : cases)
            QCOMPARE(QtDialogs::QtFilter(QString::fromUtf8(filter)), QString::fromUtf8(expected));
    }

    void QuestionsOfferJapaneseButtonsAndReportTheOneClicked() {
        const QString ok = u"OK"_s, cancel = u"キャンセル"_s;
        const QString yes = u"はい(&Y)"_s, no = u"いいえ(&N)"_s;
        // The kind (0 OK/Cancel, 1 Yes/No, 2 Yes/No/Cancel), the button clicked, the answer, the
        // captions of all buttons in sorted order.
        const std::tuple<int, QString, IDialogs::Answer, QStringList> cases[] = {
            {0, ok, IDialogs::Answer::kOk, {ok, cancel}},
            {0, cancel, IDialogs::Answer::kCancel, {ok, cancel}},
            {1, no, IDialogs::Answer::kNo, {no, yes}},
            {2, yes, IDialogs::Answer::kYes, {no, yes, cancel}},
            {2, cancel, IDialogs::Answer::kCancel, {no, yes, cancel}}};
        for (const auto& [kind, click, answer, buttons] : cases) {
            QtDialogs dialogs;
            QStringList captions;
            // The box opens next: its buttons are noted and the one captioned click is clicked.
            QTimer::singleShot(0, this, [clicked = click, &captions] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>()) {
                    captions << button->text();
                    if (button->text() == clicked) button->click();
                }
            });
            const QString text = u"終了しますか？"_s;
            const IDialogs::Answer got = kind == 0 ? dialogs.AskOkCancel(nullptr, text, u"確認"_s)
                                         : kind == 1
                                             ? dialogs.AskYesNo(nullptr, text, u"確認"_s)
                                             : dialogs.AskYesNoCancel(nullptr, text, u"終了確認"_s);
            QCOMPARE(got, answer);
            captions.sort();
            QCOMPARE(captions, buttons);
        }
    }

    // The settings folder: XDG_CONFIG_HOME when set and absolute, else ~/.config. The data
    // folder: installed, else beside the binary in the build tree, else the source tree's.
    void FoldersFollowTheirRules() {
        const QString home = u"/home/u/.config/tabrix"_s;
        QCOMPARE(AppPaths::ConfigDirFor("/tmp/cfg", "/home/u"), u"/tmp/cfg/tabrix"_s);
        QCOMPARE(AppPaths::ConfigDirFor(QString(), "/home/u"), home);
        QCOMPARE(AppPaths::ConfigDirFor("cfg", "/home/u"), home);
        QVERIFY(AppPaths::ConfigDir().endsWith(u"/tabrix"_s) &&
                QDir(AppPaths::ConfigDir()).exists());
        QTemporaryDir root;
        const QString bin = root.filePath(u"bin"_s), source = root.filePath(u"src/data"_s);
        const QString installed = root.filePath(u"share/tabrix"_s);
        // A folder made before the look-up (with those of the rows above), the folder found.
        const std::tuple<QString, QString> cases[] = {{bin, installed},  // no templates anywhere
                                                      {source + u"/template"_s, source},
                                                      {bin + u"/data/template"_s, bin + u"/data"_s},
                                                      {installed + u"/template"_s, installed}};
        for (const auto& [made, found] : cases) {
            QDir().mkpath(made);
            QCOMPARE(AppPaths::DataDirFor(bin, made == bin ? QString() : source), found);
        }
    }

    // Colouring touches nothing else of the editor: text, selection, undo
    // history, modified state, change signals.
    void ColouringLeavesTextSelectionUndoAndChangeStateAlone() {
        TZQLCtrl library;
        library.AttachParameterFile(std::make_unique<TZQPCtrl>())
            ->AddParameter()
            ->SetCode(QtText::ToCp932(u"名称"_s));
        QPlainTextEdit editor;
        editor.setPlainText(u"%名称%\n%EDIT(+, 名称)%"_s);
        QTest::keyClicks(&editor, u"ab"_s);
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

        TRichEditColoring::Colour(editor, library);
        QCoreApplication::processEvents();  // nothing delayed may follow

        QCOMPARE(editor.toPlainText(), text);
        QVERIFY(editor.textCursor().anchor() == 2 && editor.textCursor().position() == 6);
        QCOMPARE(editor.document()->availableUndoSteps(), undoSteps);
        QVERIFY(!editor.document()->isModified() && changed.isEmpty() && modified.isEmpty());
        // Undo still undoes the typing, not the colouring.
        editor.undo();
        QVERIFY(!editor.toPlainText().startsWith(u"ab"_s));
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::PlatformServicesTest)
#include "PlatformServicesTest.moc"
