// Opens the help page (help/index.htm in the data folder) with the desktop's browser.
#pragma once

#include <QString>

namespace tabrix {

class HelpOpener {
public:
    // False when the page is missing or the desktop could not open it.
    static bool Open();
    static bool Open(const QString& page);
};

}  // namespace tabrix
