// Placeholder until the substitutions land.
#include "platform/FontSubstitutes.h"

namespace tabrix {

void FontSubstitutes::Install() {}
QString FontSubstitutes::JapaneseFamily() { return QStringLiteral("Noto Sans CJK JP"); }

}  // namespace tabrix
