// The library settings dialog opened from a library window, its real widgets driven through
// scripted answers: what OK, Cancel and the batch pages commit, the question about an existing
// parameter file and its three answers, and the reference image.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "FrameFixture.h"
#include "dialogs/TLibrarySelectForm.h"
#include "dialogs/TLibrarySettingForm.h"
#include "dialogs/TSelectZQPReLoadForm.h"
#include "model/PathName.h"
#include "model/TParameter.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"
#include "platform/AppPaths.h"

namespace tabrix {

using namespace test;

namespace {

const QString kCaption = u"ライブラリの設定"_s;
const QString kReloadCaption = u"上書/読み込みの選択"_s;

QStringList Rows(const QListWidget* grid) {
    QStringList rows;
    for (int i = 0; i < grid->count(); ++i)
        rows << grid->item(i)->text();
    return rows;
}

// Shows the batch page of trigger and appends the entry of row through "≫".
void AddEntry(QDialog& dialog, int page, int row) {
    auto* pages = Child<QTabWidget>(dialog, "BatchPageControl");
    pages->setCurrentIndex(page);
    auto* entries = Child<QListWidget>(dialog, "BatchLBox");
    entries->setCurrentRow(row);
    Child<QPushButton>(dialog, "ParamUseBtn")->click();
}

}  // namespace

class TLibrarySettingFormTest : public QObject, FrameFixture {
    Q_OBJECT

private slots:
    void init() {
        StartFrame(900, 600);
        form_ = OpenSample();
    }
    void cleanup() { CloseFrame(); }

    // The sample's change list holds one sort item; the new items go after it, and the drag
    // puts the last one first.
    void batchItemsAddedAndReorderedCommitInOrder() {
        const std::vector<TBatchSetting> sample = Library().BatchList(kBatchChange);
        QCOMPARE(sample.size(), std::size_t(1));
        const QString sortName = QtText::FromCp932(sample[0].name);
        dialogs_->ExpectDialog(kCaption, u"OK"_s, [&](QDialog& dialog) {
            auto* form = static_cast<TLibrarySettingForm*>(&dialog);
            QListWidget* grid = form->BatchGrid(kBatchChange);
            QCOMPARE(Rows(grid), QStringList{sortName});
            AddEntry(dialog, 2, 3);  // 出力
            AddEntry(dialog, 2, 2);  // 上書保存
            QCOMPARE(Rows(grid), (QStringList{sortName, u"出力"_s, u"上書き保存"_s}));
            // What a drop of the last row above the first does to the grid's model.
            QVERIFY(grid->model()->moveRow({}, 2, {}, 0));
            QCoreApplication::processEvents();
            QCOMPARE(Rows(grid), (QStringList{u"上書き保存"_s, sortName, u"出力"_s}));
            // The placeholder row of an empty page removes nothing.
            Child<QTabWidget>(dialog, "BatchPageControl")->setCurrentIndex(0);
            QListWidget* open = form->BatchGrid(kBatchOpen);
            QCOMPARE(Rows(open), QStringList{u"＜処理未指定＞"_s});
            open->setCurrentRow(0);
            Child<QPushButton>(dialog, "ParamNotUseBtn")->click();
            QCOMPARE(open->count(), 1);
        });
        form_->Action(u"A_LibrarySetting"_s)->trigger();
        const std::vector<TBatchSetting>& change = Library().BatchList(kBatchChange);
        QCOMPARE(change.size(), std::size_t(3));
        QCOMPARE(change[0].type, 3u);
        QVERIFY(change[1] == sample[0]);
        QCOMPARE(change[2].type, 4u);
        QVERIFY(Library().BatchList(kBatchOpen).empty());
        QVERIFY(!form_->Document().IsModified());
    }

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
        QVERIFY(!Library().IsModified());
        QCOMPARE(form_->windowTitle(), chosen);
    }

    // The three answers and the closed question, each on a fresh copy of the sample.
    void existingParameterFileByAnswer() {
        const struct {
            const char* button;
            bool read, pathTaken;
        } cases[] = {{"読み込む", true, true},
                     {"上書する", false, true},
                     {"変更しない", false, false},
                     {"", false, false}};
        for (const auto& c : cases) {
            CloseFrame();
            init();
            ExistingParameterFile(QString::fromUtf8(c.button), c.read, c.pathTaken);
        }
    }

    void referenceImageByUpperCasedExtension() {
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

    // The shipped template folder when it can be written, else the user's; the selection
    // dialog lists the template from either.
    void templateWrittenAndListed() {
        for (bool shippedExists : {true, false})
            TemplateWrittenAndListed(shippedExists);
    }

private:
    TZQLCtrl& Library() { return form_->Document().Library(); }
    void TemplateWrittenAndListed(bool shippedExists) {
        QTemporaryDir shipped;
        const QString shippedDir = shippedExists ? shipped.path() : shipped.filePath("none");
        frame_->SetTemplateDir(shippedDir);
        const QString folder =
            shippedExists ? shippedDir : TLibrarySelectForm::UserTemplateDir(AppPaths::ConfigDir());
        const QString zql = folder + u"/私の型.ZQL"_s;
        QFile::remove(zql);
        const std::string path = Library().ParameterFile()->Path();
        dialogs_->ExpectDialog(kCaption, u"キャンセル"_s, [&](QDialog& dialog) {
            dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"私の型"_s);
            dialogs_->Expect(Kind::kMessage, u"書き出しました"_s);
            Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
            // A name that leaves the folder is refused and writes nothing.
            dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"../外"_s);
            dialogs_->Expect(Kind::kMessage, u"テンプレート名に使えない文字が含まれています。"_s);
            Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
            // An existing template is replaced only after OK.
            dialogs_->Expect(Kind::kInput, u"テンプレート名"_s, Answer::kOk, u"私の型"_s);
            dialogs_->Expect(Kind::kOkCancel, u"既に存在します"_s, Answer::kCancel);
            Child<QPushButton>(dialog, "OutputTemplateBtn")->click();
        });
        form_->Action(u"A_LibrarySetting"_s)->trigger();
        QCOMPARE(Library().ParameterFile()->Path(), path);
        QVERIFY(!Library().IsModified());
        QVERIFY(QFileInfo::exists(zql));
        QVERIFY(QFileInfo::exists(folder + u"/私の型.ZQP"_s));
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

    void ExistingParameterFile(const QString& button, bool read, bool pathTaken) {
        const QString otherNative = Path(u"other.ZQP"_s);
        std::string other;
        QVERIFY(PathName::FromNative(QtText::ToNative(otherNative), other));
        {
            TZQPCtrl file;
            file.Reset(other);
            TParameter* only = file.AddParameter(nullptr, true);
            only->SetName("only");
            only->SetCode("only");
            QCOMPARE(file.Write(), 0);
        }
        TZQPCtrl* before = Library().ParameterFile();
        const std::string beforePath = before->Path();
        const std::size_t beforeSize = before->Size();
        QVERIFY(beforeSize > 1);

        dialogs_->ExpectDialog(kCaption, u"OK"_s, [&](QDialog& dialog) {
            Child<QLineEdit>(dialog, "UseZQPEdit")->setText(otherNative);
        });
        dialogs_->ExpectDialog(kReloadCaption, button, [](QDialog& dialog) {
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
        QVERIFY(!Library().IsModified());

        // The save writes the definitions where the library now names them.
        form_->Save();
        TZQPCtrl written;
        written.SetPath(other);
        QCOMPARE(written.Read(), 0);
        QCOMPARE(written.Size(), pathTaken && !read ? beforeSize : std::size_t(1));
    }

    TZQLForm* form_ = nullptr;
};

}  // namespace tabrix

QTEST_MAIN(tabrix::TLibrarySettingFormTest)
#include "TLibrarySettingFormTest.moc"
