// Placeholder until the paths land.
#include "platform/AppPaths.h"

#include <QDir>

namespace tabrix {

QString AppPaths::ConfigDir() { return QDir::homePath() + QStringLiteral("/.config/tabrix"); }
QString AppPaths::DataDir() { return QStringLiteral("data"); }

}  // namespace tabrix
