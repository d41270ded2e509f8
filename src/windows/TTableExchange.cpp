#include "windows/TTableExchange.h"

#include <fstream>
#include <string>

#include "dialogs/TTableExportForm.h"
#include "dialogs/TTableImportForm.h"
#include "model/FileBytes.h"
#include "model/TGroupSetting.h"
#include "model/TTableWriter.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"
#include "windows/TLibraryDocument.h"

namespace tabrix {

namespace {

const QString kFilter = QStringLiteral(
    "CSVファイル(*.csv)|*.csv|TSVファイル(*.tsv;*.txt)|*.tsv;*.txt|すべてのファイル(*.*)|*");

}  // namespace

QString TTableExchange::ProblemMessage(const QString& path, const TTableProblem& problem) {
    QString where = QStringLiteral("「") + path + QStringLiteral("」");
    if (problem.line) where += QStringLiteral(" %1 行目").arg(problem.line);
    if (problem.column) where += QStringLiteral(" %1 列目").arg(problem.column);
    QString text =
        where + QStringLiteral("：") +
        QString::fromStdString(std::string(Describe(problem.kind, ResultLanguage::kJapanese)));
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
    if (FileBytes::Read(QtText::ToNative(path), bytes) == kFileOk) return true;
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
