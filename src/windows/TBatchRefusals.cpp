#include "windows/TBatchRefusals.h"

#include "batch/TBatchRunner.h"
#include "platform/IDialogs.h"
#include "platform/QtText.h"

namespace tabrix {

namespace {

QString TypeName(std::uint32_t type) {
    switch (type) {
        case TBatchRunner::kBatchSort:
            return QStringLiteral("並び替え");
        case TBatchRunner::kBatchCompareApply:
            return QStringLiteral("判定適用");
        case TBatchRunner::kBatchDeleteDuplicates:
            return QStringLiteral("重複削除");
        default:
            return QStringLiteral("種類 %1").arg(type);
    }
}

QString Reason(std::uint32_t result) {
    if (result == TBatchRunner::kBatchNoUsableJudge)
        return QStringLiteral(
            "判定パラメータが指定されていないか、ライブラリにないパラメータを指しています");
    if (result == TBatchRunner::kBatchNamesDeleted)
        return QStringLiteral("削除されたパラメータかグループを指しています");
    return QStringLiteral("この設定では実行できません（結果 %1）").arg(result);
}

}  // namespace

std::function<void(const TBatchSetting&, std::uint32_t)> TBatchRefusals::Collector() {
    return [this](const TBatchSetting& item, std::uint32_t result) {
        lines_ << Describe(item, result);
    };
}

void TBatchRefusals::Report(IDialogs& dialogs, QWidget* parent) const {
    if (lines_.isEmpty()) return;
    dialogs.Message(
        parent,
        QStringLiteral("次の一括処理は実行されませんでした：\n") + lines_.join(QLatin1Char('\n')),
        {}, IDialogs::Icon::kWarning);
}

QString TBatchRefusals::Describe(const TBatchSetting& item, std::uint32_t result) {
    return QStringLiteral("「%1」（%2）：%3")
        .arg(QtText::FromCp932(item.name), TypeName(item.type), Reason(result));
}

}  // namespace tabrix
