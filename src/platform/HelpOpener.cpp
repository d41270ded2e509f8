#include "platform/HelpOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "platform/AppPaths.h"

namespace tabrix {

bool HelpOpener::Open() {
    return Open(AppPaths::HelpPage());
}

bool HelpOpener::Open(const QString& page) {
    if (!QFileInfo(page).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

}  // namespace tabrix
