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
};

}  // namespace tabrix
