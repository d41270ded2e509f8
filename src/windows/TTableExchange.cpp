#include "windows/TTableExchange.h"

#include <fstream>
#include <iterator>
#include <string>

#include "dialogs/TTableExportForm.h"
#include "dialogs/TTableImportForm.h"
#include "model/TGroupSetting.h"
#include "model/TTableWriter.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "windows/TLibraryDocument.h"

namespace tabrix {

namespace {

const QString kFilter = QStringLiteral(
    "CSVファイル(*.csv)|*.csv|TSVファイル(*.tsv;*.txt)|*.tsv;*.txt|すべてのファイル(*.*)|*");

QString ProblemText(TTableProblem::Kind kind) {
    switch (kind) {
        case TTableProblem::kNoHeader:
            return QStringLiteral("見出しの行がありません");
        case TTableProblem::kBrokenQuote:
            return QStringLiteral("引用符が正しく閉じていません");
        case TTableProblem::kNotUtf8:
            return QStringLiteral("UTF-8 ではない文字があります");
        case TTableProblem::kNoCp932Form:
            return QStringLiteral("Shift-JIS にない文字があります");
        case TTableProblem::kUnknownColumn:
            return QStringLiteral("パラメータ名ではない列見出しです");
        case TTableProblem::kDuplicateColumn:
            return QStringLiteral("同じパラメータの列が二つあります");
        case TTableProblem::kExtraField:
            return QStringLiteral("見出しの無い列に値があります");
        case TTableProblem::kNotANumber:
            return QStringLiteral("数値ではありません");
        case TTableProblem::kNumberOutOfRange:
            return QStringLiteral("パラメータの型に収まらない数値です");
        case TTableProblem::kNotABoolean:
            return QStringLiteral("0 か 1 ではありません");
        case TTableProblem::kUnknownChoice:
            return QStringLiteral("選択肢にも番号にもなりません");
        case TTableProblem::kBadReference:
            return QStringLiteral("参照の形 (グループ:要素、またはグループ) ではありません");
        case TTableProblem::kNoSuchTarget:
            return QStringLiteral("無いグループか要素への参照です");
        case TTableProblem::kLineBreakInText:
            return QStringLiteral("一つの文字列に改行があります");
        case TTableProblem::kNoElementData:
            return QStringLiteral("グループに要素データがありません");
        case TTableProblem::kNone:
            break;
    }
    return QStringLiteral("読み込めません");
}

}  // namespace

QString TTableExchange::ProblemMessage(const QString& path, const TTableProblem& problem) {
    QString where = QStringLiteral("「") + path + QStringLiteral("」");
    if (problem.line) where += QStringLiteral(" %1 行目").arg(problem.line);
    if (problem.column) where += QStringLiteral(" %1 列目").arg(problem.column);
    QString text = where + QStringLiteral("：") + ProblemText(problem.kind);
    if (problem.line)
        text +=
            QStringLiteral("：「") + QString::fromStdString(problem.value) + QStringLiteral("」");
    if (!problem.detail.empty())
        text += QStringLiteral(" (") + QString::fromStdString(problem.detail) + QStringLiteral(")");
    return text + QStringLiteral("\n何も変更していません。");
}

QString TTableExchange::Export(std::size_t group) {
    if (group >= document_.Library().GroupCount() || !document_.DataOf(group)) return {};
    QString path;
    if (!dialogs_.SaveFile(parent_, QStringLiteral("エクスポート先のファイル"), kFilter,
                           QStringLiteral("csv"), path) ||
        path.isEmpty())
        return {};
    TTableExportForm form(path, parent_);
    if (dialogs_.Exec(form) != QDialog::Accepted) return {};
    const std::string bytes =
        TTableWriter::Write(document_.Library(), *document_.Library().Group(group), form.Format());
    std::ofstream file(QtText::ToNative(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        dialogs_.Message(parent_,
                         QStringLiteral("「") + path + QStringLiteral("」に書き込めませんでした。"),
                         {}, IDialogs::Icon::kError);
        return {};
    }
    return QStringLiteral("%1 件をエクスポートしました。").arg(document_.ElementCount(group));
}

bool TTableExchange::ReadFile(const QString& path, std::string& bytes) {
    std::ifstream file(QtText::ToNative(path), std::ios::binary);
    if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.is_open() && !file.bad()) return true;
    dialogs_.Message(parent_,
                     QStringLiteral("「") + path + QStringLiteral("」を読み込めませんでした。"), {},
                     IDialogs::Icon::kError);
    return false;
}

QString TTableExchange::Import(std::size_t group) {
    if (group >= document_.Library().GroupCount() || !document_.DataOf(group)) return {};
    QString path;
    if (!dialogs_.OpenFile(parent_, QStringLiteral("インポートするファイル"), kFilter,
                           QStringLiteral("csv"), path) ||
        path.isEmpty())
        return {};
    std::string bytes;
    if (!ReadFile(path, bytes)) return {};
    TTableImportForm form(document_.Library(), path, bytes, parent_);
    if (dialogs_.Exec(form) != QDialog::Accepted) return {};
    const std::vector<std::optional<std::size_t>> columns = form.Columns();
    std::size_t imported = 0;
    const TTableProblem problem =
        document_.ImportTable(group, bytes, form.Format(), &columns, form.Replace(), imported);
    if (problem) {
        dialogs_.Message(parent_, ProblemMessage(path, problem), {}, IDialogs::Icon::kWarning);
        return {};
    }
    return QStringLiteral("%1 件をインポートしました。").arg(imported);
}

}  // namespace tabrix
