#include "platform/FontSubstitutes.h"

#include <QFont>
#include <QFontDatabase>

namespace tabrix {

namespace {

// The first of candidates that is installed and writes Japanese; else any installed family
// that writes Japanese; else empty.
QString FirstInstalled(const QStringList& candidates) {
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& candidate : candidates)
        if (japanese.contains(candidate, Qt::CaseInsensitive)) return candidate;
    return japanese.isEmpty() ? QString() : japanese.constFirst();
}

// Fonts that Windows draws with fixed pitch; the rest ("Ｐ", "UI") are proportional.
bool IsFixedPitchName(const QString& family) {
    return family == QStringLiteral("ＭＳ ゴシック") || family == QStringLiteral("MS Gothic") ||
           family == QStringLiteral("ＭＳ 明朝") || family == QStringLiteral("MS Mincho");
}

}  // namespace

QStringList FontSubstitutes::WindowsFamilies() {
    return {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("ＭＳ Ｐゴシック"),
            QStringLiteral("MS Gothic"),     QStringLiteral("MS PGothic"),
            QStringLiteral("ＭＳ 明朝"),     QStringLiteral("ＭＳ Ｐ明朝"),
            QStringLiteral("MS Mincho"),     QStringLiteral("MS PMincho"),
            QStringLiteral("MS UI Gothic"),  QStringLiteral("メイリオ"),
            QStringLiteral("Meiryo")};
}

QString FontSubstitutes::JapaneseFamily() {
    return FirstInstalled({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"),
                           QStringLiteral("IPAexGothic"), QStringLiteral("IPAPGothic"),
                           QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("VL Gothic"),
                           QStringLiteral("TakaoGothic")});
}

QString FontSubstitutes::JapaneseFixedFamily() {
    const QString fixed =
        FirstInstalled({QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("IPAGothic"),
                        QStringLiteral("TakaoGothic")});
    return fixed.isEmpty() ? JapaneseFamily() : fixed;
}

void FontSubstitutes::Install() {
    const QString proportional = JapaneseFamily();
    if (proportional.isEmpty()) return;  // no Japanese font installed: nothing better to offer
    const QString fixed = JapaneseFixedFamily();
    for (const QString& family : WindowsFamilies()) {
        const QString first = IsFixedPitchName(family) ? fixed : proportional;
        // The other family stays as a second choice, for characters the first one lacks.
        QFont::insertSubstitutions(family, {first, first == fixed ? proportional : fixed});
    }
}

}  // namespace tabrix
