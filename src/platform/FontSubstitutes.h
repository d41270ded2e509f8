// The fonts parameter files name ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", ...) are Windows fonts;
// they are mapped onto an installed Japanese font, so stored fonts draw Japanese, not boxes.
#pragma once

#include <QString>
#include <QStringList>

namespace tabrix {

class FontSubstitutes {
public:
    // Registers the substitutions with Qt; call once after the application object exists.
    static void Install();
    // The installed Japanese font family used for them (for example "Noto Sans CJK JP").
    static QString JapaneseFamily();
    // The installed Japanese fixed-pitch family for "ＭＳ ゴシック" and "MS Gothic"; the
    // proportional family when no fixed-pitch one is installed.
    static QString JapaneseFixedFamily();
    // The Windows font names that are substituted.
    static QStringList WindowsFamilies();
};

}  // namespace tabrix
