#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tabrix {

namespace {

#ifdef TABRIX_SOURCE_DATA_DIR
const QString kSourceDataDir = QStringLiteral(TABRIX_SOURCE_DATA_DIR);
#else
const QString kSourceDataDir;
#endif

bool HoldsTemplates(const QString& dir) {
    return !dir.isEmpty() && QFileInfo(dir + QStringLiteral("/template")).isDir();
}

}  // namespace

QString AppPaths::ConfigDirFor(const QString& xdgConfigHome, const QString& home) {
    const QString base = !xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome)
                             ? xdgConfigHome
                             : home + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/tabrix"));
}

QString AppPaths::DataDirFor(const QString& exeDir, const QString& sourceDataDir) {
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/tabrix"));
    const QString buildTree = QDir::cleanPath(exeDir + QStringLiteral("/data"));
    for (const QString& dir : {installed, buildTree, sourceDataDir})
        if (HoldsTemplates(dir)) return QDir::cleanPath(dir);
    return installed;
}

QString AppPaths::ConfigDir() {
    const QString dir = ConfigDirFor(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
    QDir().mkpath(dir);
    return dir;
}

QString AppPaths::DataDir() {
    // Without an application object there is no executable path; the source tree remains.
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return DataDirFor(exeDir.isEmpty() ? QStringLiteral("/nonexistent") : exeDir, kSourceDataDir);
}

}  // namespace tabrix
