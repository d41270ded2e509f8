// Where the editor keeps its settings and finds its shipped data. Settings (Tabrix.ini,
// histry.log) live in $XDG_CONFIG_HOME/tabrix (default ~/.config/tabrix); the template and
// help folders in the data folder: <prefix>/share/tabrix when installed, the "data" folder
// beside the executable in the build tree.
#pragma once

#include <QString>

namespace tabrix {

class AppPaths {
public:
    // The settings folder, created when missing.
    static QString ConfigDir();
    static QString DataDir();
    static QString TemplateDir() { return DataDir() + QStringLiteral("/template"); }
    static QString HelpPage() { return DataDir() + QStringLiteral("/help/index.htm"); }

    // The rules behind ConfigDir and DataDir, with their inputs given (for tests).
    // xdgConfigHome empty or relative means "not set" (the XDG rule), so home/.config is used.
    static QString ConfigDirFor(const QString& xdgConfigHome, const QString& home);
    // The first folder that holds a "template" folder: exeDir/../share/tabrix (installed),
    // exeDir/data (build tree), then sourceDataDir (the source tree's data folder; may be
    // empty). When none holds one, the installed location.
    static QString DataDirFor(const QString& exeDir, const QString& sourceDataDir);
};

}  // namespace tabrix
