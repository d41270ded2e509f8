// Who the editor is to the desktop: its name, version and icon, the desktop entry it belongs
// to, and Qt's own texts (standard dialogs, context menus) in Japanese like the rest of it.
#pragma once

#include <QIcon>
#include <QString>

class QCoreApplication;

namespace tabrix {

class AppIdentity {
public:
    // The one version number of the editor, the command-line tool and the package.
    static QString Version();
    // The icon every window shows (from the icon theme when installed there, else built in).
    static QIcon Icon();
    // Sets the names and, for a GUI application, the window icon.
    static void Apply(QCoreApplication& app);
    // Loads Qt's Japanese translations from Qt's translation folder; false when they are not
    // installed (the texts stay English then).
    static bool LoadQtTranslations(QCoreApplication& app);
};

}  // namespace tabrix
