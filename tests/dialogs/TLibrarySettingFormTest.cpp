// The library settings dialog opened from a library window, its real widgets driven through
// scripted answers: what OK and Cancel commit, the question about an existing
// parameter file and its three answers, and the reference image.

#include "FrameFixture.h"
#include "LibraryFiles.h"
#include "dialogs/TLibrarySelectForm.h"
#include "dialogs/TLibrarySettingForm.h"
#include "files/TParameterFileReader.h"
#include "model/PathName.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"
#include "platform/AppPaths.h"

namespace tabrix {

using namespace test;

namespace {

const QString kCaption = u"ライブラリの設定"_s;

}  // namespace

class TLibrarySettingFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(900, 600);
        form_ = OpenSample();
    }
    void cleanup() { CloseFrame(); }

    // OK commits the paths edited and browsed; the dialog shows the reference image.
    void editsAndBrowsingCommitThePaths() {
        const QString chosen = Path(u"moved.ZQL"_s);
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [&](QDialog& dialog) {
            dialogs_->Expect(Kind::kSave, u"ZQL"_s, Answer::kOk, chosen);
            Child<QPushButton>(dialog, "ZQLEditBtn")->click();
            // A cancelled chooser leaves the edit as it was.
            dialogs_->Expect(Kind::kSave, u"ZQI"_s, Answer::kCancel);
            Child<QPushButton>(dialog, "UseZQIEditBtn")->click();
            Child<QLineEdit>(dialog, "OutputPathEdit")->setText(u"gen"_s);
            Child<QPlainTextEdit>(dialog, "SampleREdit")->setPlainText(u"一行目\n二行目"_s);
        });
        const std::string info = Library().InitializeInfo()->Path();
        form_->Action(u"A_LibrarySetting"_s)->trigger();
        std::string expected;
        QVERIFY(PathName::FromNative(QtText::ToNative(chosen), expected));
        QCOMPARE(Library().Path(), expected);
        QCOMPARE(Library().InitializeInfo()->Path(), info);
        std::string gen;
        QVERIFY(PathName::FromNative(QtText::ToNative(Path(u"gen"_s)), gen));
        QCOMPARE(Library().OutputPath(), gen);
        QCOMPARE(Library().PreviewMemo(),
                 (StringList{TextCodec::FromUtf8("一行目"), TextCodec::FromUtf8("二行目")}));
        // Settings are unsaved work: closing now asks.
        QVERIFY(Library().IsModified());
        dialogs_->Expect(Kind::kYesNoCancel, u"保存して閉じますか"_s, Answer::kCancel);
        QVERIFY(!form_->parentWidget()->close());
        QCOMPARE(form_->Caption(), chosen);
        // The reference image is shown by its upper-cased extension.
        const std::tuple<const char*, const char*, bool> cases[] = {
            {"a.jpg", "JPG", true}, {"b.BMP", "BMP", true}, {"c.png", "PNG", false}};
        for (const auto& [name, format, shown] : cases) {
            QImage picture(40, 30, QImage::Format_RGB32);
            picture.fill(Qt::red);
            QVERIFY(picture.save(Path(name), format));
            Library().SetPreviewImage(name);
            TLibrarySettingForm form(Library(), *dialogs_);
            form.show();
            const QPixmap pixmap = form.findChild<QLabel*>(u"SampleImage"_s)->pixmap();
            QCOMPARE(!pixmap.isNull(), shown);
        }
    }

    // The three answers and the closed question, each on a fresh copy of the sample.
    void existingParameterFileByAnswer() {
        const std::tuple<const char*, bool, bool> cases[] = {{"読み込む", true, true},
                                                             {"上書する", false, true},
                                                             {"変更しない", false, false},
                                                             {"", false, false}};
        for (const auto& [button, read, pathTaken] : cases) {
            CloseFrame();
            init();
            const QString otherNative = Path(u"other.ZQP"_s);
            std::string other;
            QVERIFY(PathName::FromNative(QtText::ToNative(otherNative), other));
            WriteFile(other, ParameterFile({0}));
            TZQPCtrl* before = Library().ParameterFile();
            const std::string beforePath = before->Path();
            const std::size_t beforeSize = before->Size();
            QVERIFY(beforeSize > 1);

            dialogs_->ExpectDialog(kCaption, u"OK"_s, [&](QDialog& dialog) {
                Child<QLineEdit>(dialog, "UseZQPEdit")->setText(otherNative);
            });
            dialogs_->ExpectDialog(u"上書/読み込みの選択"_s, QString::fromUtf8(button),
                                   [](QDialog& dialog) {
                                       QVERIFY(dialog.findChild<QLabel*>()->text().contains(
                                           u"指定のZQPファイルは既に存在します。"_s));
                                   });
            form_->Action(u"A_LibrarySetting"_s)->trigger();

            TZQPCtrl* now = Library().ParameterFile();
            QCOMPARE(now->Path(), pathTaken ? other : beforePath);
            QCOMPARE(now->Size(), read ? std::size_t(1) : beforeSize);
            QCOMPARE(now == before, !read);
            // The panel follows the parameters read: one control left.
            QVERIFY(form_->Panel().Control(0));
            QCOMPARE(form_->Panel().Control(1) == nullptr, read);
            QCOMPARE(Library().IsModified(), pathTaken);  // the library file names the ZQP

            // The save writes the definitions where the library now names them.
            form_->Save();
            TZQPCtrl written;
            written.SetPath(other);
            QCOMPARE(TParameterFileReader(written).Read(), 0);
            QCOMPARE(written.Size(), pathTaken && !read ? beforeSize : std::size_t(1));
        }
    }

    // The shipped template folder when it can be written, else the user's; the selection
    // dialog lists the template from either.
    void templateWrittenAndListed() {
        for (bool shippedExists : {true, false}) {
            QTemporaryDir shipped;
            const QString shippedDir = shippedExists ? shipped.path() : shipped.filePath("none");
            frame_->SetTemplateDir(shippedDir);
            const QString folder = shippedExists
                                       ? shippedDir
                                       : TLibrarySelectForm::UserTemplateDir(AppPaths::ConfigDir());
            const QString zql = folder + u"/私の型.ZQL"_s;
            QFile::remove(zql);
            const std::string path = Library().ParameterFile()->Path();
            dialogs_->ExpectDialog(kCaption, u"キャンセル"_s, [&](QDialog& dialog) {
                dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"私の型"_s);
                dialogs_->Expect(Kind::kMessage, u"書き出しました"_s);
                Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
                // A name that leaves the folder is refused and writes nothing.
                dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"../外"_s);
                dialogs_->Expect(Kind::kMessage,
                                 u"テンプレート名に使えない文字が含まれています。"_s);
                Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
                // An existing template is replaced only after OK.
                dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"私の型"_s);
                dialogs_->Expect(Kind::kOkCancel, u"既に存在します"_s, Answer::kCancel);
                Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
            });
            form_->Action(u"A_LibrarySetting"_s)->trigger();
            QCOMPARE(Library().ParameterFile()->Path(), path);
            QVERIFY(!Library().IsModified());
            QVERIFY(QFileInfo::exists(zql) && QFileInfo::exists(folder + u"/私の型.ZQP"_s));
            QVERIFY(!QFileInfo::exists(QFileInfo(folder).path() + u"/外.ZQL"_s));

            TLibrarySelectForm select(AppPaths::ConfigDir(), shippedDir, *dialogs_);
            auto* templates = select.findChild<QComboBox*>(u"TemplateCmbBox"_s);
            const int row = templates->findText(u"私の型.ZQL"_s);
            QVERIFY(row >= 0);
            templates->setCurrentIndex(row);
            QCOMPARE(QFileInfo(select.TemplatePath()).canonicalFilePath(),
                     QFileInfo(zql).canonicalFilePath());
            QFile::remove(zql);
            QFile::remove(folder + u"/私の型.ZQP"_s);
        }
    }

    // A parameter file of the template's name is not replaced unasked either.
    void templateExportAsksBeforeReplacingItsParameterFile() {
        QTemporaryDir shipped;
        frame_->SetTemplateDir(shipped.path());
        const QString zqp = shipped.filePath(u"型.ZQP"_s);
        QFile file(zqp);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
        file.close();
        dialogs_->ExpectDialog(kCaption, u"キャンセル"_s, [this](QDialog& dialog) {
            dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"型"_s);
            dialogs_->Expect(Kind::kOkCancel, u"既に存在します"_s, Answer::kCancel);
            Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
        });
        form_->Action(u"A_LibrarySetting"_s)->trigger();
        QCOMPARE(FileText(zqp), u"keep"_s);
        QVERIFY(!QFileInfo::exists(shipped.filePath(u"型.ZQL"_s)));
    }

private:
    TZQLCtrl& Library() { return form_->Document().Library(); }

    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TLibrarySettingFormTest)
#include "TLibrarySettingFormTest.moc"
