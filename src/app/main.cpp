// tabrix: the editor.
//
//   tabrix [LIBRARY.ZQL]                      opens the library at start
//   tabrix --screenshot FILE.png [LIBRARY.ZQL]
//       starts without a display, opens the library (first group, first element current),
//       writes a picture of the 1280 x 800 frame, with the sub window following the library
//       window on the right, to FILE.png and exits. Messages go to stderr; every question
//       takes its default.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/FileSizeSignal.h"
#include "platform/AppPaths.h"
#include "platform/FontSubstitutes.h"
#include "platform/QtDialogs.h"
#include "platform/TConsoleDialogs.h"
#include "windows/TMainForm.h"
#include "windows/TZQLForm.h"

namespace {

struct Options {
    QString screenshot;
    QString library;
    bool ok = true;
};

// Read from the raw arguments: the platform must be chosen before QApplication exists.
Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0) {
            if (i + 1 >= argc) {
                options.ok = false;
                break;
            }
            options.screenshot = QString::fromLocal8Bit(argv[++i]);
        } else if (options.library.isEmpty() && argv[i][0] != '-') {
            options.library = QString::fromLocal8Bit(argv[i]);
        } else {
            options.ok = false;
        }
    }
    return options;
}

int WriteScreenshot(tabrix::TMainForm& frame, const QString& file) {
    frame.showNormal();
    frame.setGeometry(0, 0, 1280, 800);
    frame.resize(1280, 800);
    QApplication::processEvents();
    if (tabrix::TZQLForm* form = frame.ActiveLibraryWindow()) {
        // The library window takes most of the frame and the sub window follows it on the
        // right, as a user works with the two lists side by side.
        form->SetFollowMode(tabrix::kFollowRight);
        if (QMdiSubWindow* sub = frame.Area().activeSubWindow()) {
            sub->showNormal();
            const QSize area = frame.Area().viewport()->size();
            sub->setGeometry(0, 0, area.width() - 260, area.height());
        }
    }
    QApplication::processEvents();
    if (!frame.grab().save(file, "PNG")) {
        std::fprintf(stderr, "tabrix: cannot write %s\n", file.toLocal8Bit().constData());
        return 1;
    }
    std::fprintf(stdout, "%s\n", file.toLocal8Bit().constData());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    if (!options.ok) {
        std::fprintf(stderr,
                     "usage: tabrix [LIBRARY.ZQL]\n"
                     "       tabrix --screenshot FILE.png [LIBRARY.ZQL]\n");
        return 2;
    }
    if (!options.screenshot.isEmpty()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    tabrix::FileSizeSignal::Ignore();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabrix"));
    tabrix::FontSubstitutes::Install();

    // Without a display nobody could answer a modal box: messages go to stderr instead and
    // every question takes its default.
    tabrix::QtDialogs shownDialogs;
    tabrix::TConsoleDialogs consoleDialogs;
    tabrix::IDialogs& dialogs = options.screenshot.isEmpty()
                                    ? static_cast<tabrix::IDialogs&>(shownDialogs)
                                    : consoleDialogs;
    tabrix::TMainForm frame(dialogs, tabrix::AppPaths::ConfigDir());
    if (options.screenshot.isEmpty())
        frame.ShowAsStored();
    else
        frame.show();
    if (!options.library.isEmpty()) frame.OpenLibrary(options.library);
    if (!options.screenshot.isEmpty()) return WriteScreenshot(frame, options.screenshot);
    return app.exec();
}
