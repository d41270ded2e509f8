// Commands that fail never end the editor nor lose its data: an output past its size limit,
// memory that runs out in a command, batch items the engine refuses, and a library without its
// window-state file, on copies of the sample library.
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include "FrameFixture.h"
#include "format/TFormatCompiler.h"
#include "format/TOutputGenerator.h"
#include "model/TZQPCtrl.h"
#include "windows/TCommandGuard.h"

namespace tabrix {

using namespace test;

class TCommandGuardTest : public QObject, FrameFixture {
    Q_OBJECT

    // The sample with an unsaved new element at the end of 書籍 and an output format that
    // writes 10 KB for every turn of a loop that never ends (書名 is never empty).
    TZQLForm* OpenWithEndlessOutput() {
        TZQLForm* form = OpenSample();
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, u"1"_s);
        form->Action(u"A_Add"_s)->trigger();
        TZQLCtrl& library = form->Document().Library();
        library.ParameterFile()->OutputFormat() = {QtText::ToCp932(u"%WHILE,書名%"_s) +
                                                   std::string(10'000, 'x') + "%WEND%"};
        TFormatCompiler::CompileAll(library);
        return form;
    }
    // Nothing was written, 書籍 is still due, and the unsaved edit is still there.
    void CheckNothingLost(TZQLForm* form) {
        TZQLCtrl& library = form->Document().Library();
        QVERIFY(!QFile::exists(Path(u"out/書籍一覧.txt"_s)));
        QVERIFY(!library.Group(0)->Has(TGroupSetting::kOutputDone));
        QCOMPARE(library.Group(0)->GroupData()->Size(), std::size_t{5});
        QVERIFY(form->Document().IsModified());
        ForgetChanges(library);
    }

private slots:
    void init() { StartFrame(900, 600); }
    void cleanup() { CloseFrame(); }

    void outputPastTheSizeLimitIsReportedAndNothingIsLost() {
        TZQLForm* form = OpenWithEndlessOutput();
        const std::size_t before = TOutputOptions::DefaultFileSizeLimit();
        TOutputOptions::DefaultFileSizeLimit() = 100'000;
        dialogs_->Expect(Kind::kMessage,
                         u"element 1 of 5 of group 書籍: the text would pass the limit of 100000 "
                         "bytes per output file; nothing was written"_s);
        form->Action(u"A_Output"_s)->trigger();
        TOutputOptions::DefaultFileSizeLimit() = before;
        QVERIFY(dialogs_->Asked().last().contains(u"新刊"_s));
        CheckNothingLost(form);
    }

    // The output text grows past what the process may take: the command ends with a message,
    // the editor stays, and it runs the next command.
    void runningOutOfMemoryEndsTheCommandNotTheEditor() {
#if defined(__SANITIZE_ADDRESS__) || defined(TABRIX_SANITIZE)
        QSKIP("the sanitizer's allocator reserves more address space than the limit");
#else
        TZQLForm* form = OpenWithEndlessOutput();
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit saved{};
        getrlimit(RLIMIT_AS, &saved);
        const rlimit tight{static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (256u << 20),
                           saved.rlim_max};
        dialogs_->Expect(Kind::kMessage, TCommandGuard::Message(u"出力(&P)"_s));
        setrlimit(RLIMIT_AS, &tight);
        form->Action(u"A_Output"_s)->trigger();
        setrlimit(RLIMIT_AS, &saved);
        QCOMPARE(dialogs_->Asked().last(), u"0: メモリが足りないため、「出力」を中止しました。"_s);
        CheckNothingLost(form);
        TZQLCtrl& library = form->Document().Library();
        library.ParameterFile()->OutputFormat() = {QtText::ToCp932(u"%書名%"_s)};
        TFormatCompiler::CompileAll(library);
        form->Action(u"A_Output"_s)->trigger();
        QVERIFY(QFile::exists(Path(u"out/書籍一覧.txt"_s)));
#endif
    }

    // A change list with two items the engine refuses: one message after the run names both,
    // and neither changed anything.
    void refusedBatchItemsAreNamedOncePerRun() {
        const QString zql = CopySample(dir_->path());
        QByteArray bytes = Bytes(zql);
        const QByteArray refused = QByteArray::fromStdString(
            QtText::ToCp932(u"[change]\r\n[type]5\r\n[name]重複削除\r\n[data]\r\n[TargetGroup]0\r\n"
                            "[/data]\r\n[/change]\r\n[change]\r\n[type]2\r\n[name]判定適用\r\n"
                            "[data]\r\n[SrcGroup]1\r\n[DstGroup]0\r\n[JudgeParam]40\r\n"
                            "[ApplyParam]1\r\n[/data]\r\n[/change]\r\n[change]\r\n[type]1\r\n"
                            "[name]並び替え\r\n[data]\r\n[JudgeParam]-1\r\n[GroupNo]0\r\n"
                            "[/data]\r\n[/change]\r\n"_s));
        bytes.replace("[batch]\r\n", "[batch]\r\n" + refused);
        QFile file(zql);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        TZQLForm* form = frame_->OpenSelected(zql);
        const TGroupData& books = *form->Document().Library().Group(0)->GroupData();
        const std::vector<TElement*> before = Elements(books);
        dialogs_->Expect(Kind::kInput, u"追加数の入力"_s, Answer::kOk, u"1"_s);
        dialogs_->Expect(Kind::kMessage, u"次の一括処理は実行されませんでした"_s);
        form->Action(u"A_Add"_s)->trigger();
        const QString message = dialogs_->Asked().last();
        QVERIFY2(message.contains(u"「重複削除」（重複削除）：判定パラメータ"_s),
                 qPrintable(message));
        QVERIFY2(message.contains(u"「判定適用」（判定適用）：判定パラメータ"_s),
                 qPrintable(message));
        QVERIFY2(message.contains(u"「並び替え」（並び替え）：削除された"_s), qPrintable(message));
        QCOMPARE(books.Size(), before.size() + 1);
        ForgetChanges(form->Document().Library());
    }

    // Without its .ZQI the library opens without a word, and a save creates the file.
    void aMissingWindowStateFileIsCreatedWithoutAWarning() {
        const QString zql = CopySample(dir_->path());
        QVERIFY(QFile::remove(Path(u"books.ZQI"_s)));
        TZQLForm* form = frame_->OpenSelected(zql);
        QVERIFY(dialogs_->Asked().isEmpty());
        form->Action(u"A_Save"_s)->trigger();
        QVERIFY(Bytes(Path(u"books.ZQI"_s)).startsWith("Initialize-Info for Tabrix ver 2.0"));
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TCommandGuardTest)
#include "TCommandGuardTest.moc"
