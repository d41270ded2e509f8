#include "windows/TDialogSaveQuestions.h"

#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TGroupSetting.h"
#include "platform/IDialogs.h"
#include "platform/QtFileKind.h"
#include "platform/QtText.h"

namespace tabrix {

namespace {

struct SavedFileTexts {
    FileKind kind;
    const char* title;  // the element data title is built around the group's name
    const char* failure;
};

const SavedFileTexts& Texts(SavedFile saved) {
    static const SavedFileTexts kTexts[] = {
        {FileKind::kElementData, "", "ZQD保存中にエラーが発生しました"},
        {FileKind::kLibrary, "このZQLファイルの保存先を指定してください",
         "ZQL保存中にエラーが発生しました"},
        {FileKind::kParameters, "このライブラリで使うZQPファイルの保存先を指定してください",
         "ZQP保存中にエラーが発生しました"},
        {FileKind::kInitializeInfo, "このライブラリで使うZQIファイルの保存先を指定してください",
         "ZQI保存中にエラーが発生しました"},
    };
    return kTexts[static_cast<int>(saved)];
}

}  // namespace

bool TDialogSaveQuestions::ChoosePath(SavedFile kind, const TGroupSetting* group,
                                      std::string& path) {
    const SavedFileTexts& texts = Texts(kind);
    QString title = QString::fromUtf8(texts.title);
    if (kind == SavedFile::kElementData) {
        title = QStringLiteral("グループ 「") + QtText::FromCp932(group ? group->Name() : "") +
                QStringLiteral("」が属するZQDの保存先を指定してください");
    }
    QString chosen;
    if (!dialogs_.SaveFile(parent_, title, QtFileKind::Filter(texts.kind),
                           QtFileKind::Extension(texts.kind), chosen) ||
        chosen.isEmpty())
        return false;
    // Library files hold CP932 names, and a backslash would be read back as a separator:
    // a name that cannot be stored exactly is refused rather than saved under another name.
    const std::string native = QtText::ToNative(chosen);
    if (native.find('\\') != std::string::npos || !PathName::FromNative(native, path)) {
        dialogs_.Message(parent_,
                         QStringLiteral("このファイル名はライブラリに記録できないため、"
                                        "保存しませんでした：\n") +
                             chosen,
                         {}, IDialogs::Icon::kWarning);
        return false;
    }
    return true;
}

bool TDialogSaveQuestions::SameNameForTheOthers() {
    return dialogs_.AskYesNo(parent_,
                             QStringLiteral("ZQP/ZQIファイルも、ZQLファイルと同名で保存しますか？"),
                             QStringLiteral("一括保存の確認")) == IDialogs::Answer::kYes;
}

void TDialogSaveQuestions::Failed(SavedFile kind, const std::string& path, FileResult result) {
    QString text = QString::fromUtf8(Texts(kind).failure);
    if (result == kFileNotRead) {
        text = QStringLiteral("「") + QtText::FromNative(PathName::ToNative(path)) +
               QStringLiteral(
                   "」は開いたときに読み込めなかったため、保存しませんでした。"
                   "ディスク上のファイルはそのままです。");
    }
    dialogs_.Message(parent_, text, {}, IDialogs::Icon::kError);
}

}  // namespace tabrix
