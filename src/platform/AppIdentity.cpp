#include "platform/AppIdentity.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// Resources of a static library are registered by hand, outside any namespace.
static void RegisterIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace tabrix {

QString AppIdentity::Version() {
    return QStringLiteral(TABRIX_VERSION);
}

QIcon AppIdentity::Icon() {
    RegisterIcons();
    QIcon builtIn;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/%1x%1/tabrix.png").arg(size), QSize(size, size));
    builtIn.addFile(QStringLiteral(":/icons/tabrix.svg"));
    return QIcon::fromTheme(QStringLiteral("tabrix"), builtIn);
}

void AppIdentity::Apply(QCoreApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("Tabrix"));
    QCoreApplication::setApplicationVersion(Version());
    if (qobject_cast<QGuiApplication*>(&app)) {
        // No display name: Qt would append it to every caption, and the frame's caption
        // already begins with the program's name.
        QGuiApplication::setDesktopFileName(QStringLiteral("org.tabrix.Tabrix"));
        QGuiApplication::setWindowIcon(Icon());
    }
}

bool AppIdentity::LoadQtTranslations(QCoreApplication& app) {
    // The editor speaks Japanese whatever the desktop's language is, so Qt's texts follow it
    // rather than the system locale.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto* translator = new QTranslator(&app);
    if (!translator->load(japanese, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace tabrix
