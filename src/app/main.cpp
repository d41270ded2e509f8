// tabrix: the editor.
//
//   tabrix [OPTIONS] [LIBRARY.ZQL]            opens the library at start
//   tabrix --screenshot FILE.png [LIBRARY.ZQL]
//       starts without a display, opens the library (first group, first element current),
//       writes a picture of the 1280 x 800 frame, with the sub window following the library
//       window on the right, to FILE.png and exits. Messages go to stderr; every question
//       takes its default.
//   tabrix --help | --version
// Qt's standard options (-style, -platform, ...) are taken as Qt documents them.
#include <QApplication>
#include <QCommandLineParser>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "model/FileSizeSignal.h"
#include "platform/AppIdentity.h"
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
};

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Tabrix: the editor of libraries of typed tabular elements (.ZQL with its .ZQP, .ZQI "
        "and .ZQD files)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("Start without a display, write a picture of the frame "
                                     "to FILE and exit."),
                      QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("library"),
                                 QStringLiteral("The library file to open."),
                                 QStringLiteral("[LIBRARY.ZQL]"));
}

bool Wants(int argc, char** argv, std::initializer_list<const char*> names) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char* name : names)
            if (std::strcmp(argv[i], name) == 0 ||
                (std::strncmp(argv[i], name, std::strlen(name)) == 0 &&
                 argv[i][std::strlen(name)] == '='))
                return true;
    return false;
}

// Help and the version are printed without opening a display, so they work anywhere.
int PrintHelpOrVersion(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tabrix::AppIdentity::Apply(app);
    QCommandLineParser parser;
    DescribeOptions(parser);
    if (Wants(argc, argv, {"--version", "-v"})) parser.showVersion();
    parser.showHelp(0);
}

// The options left once Qt has taken its own; false after a usage error was printed.
bool ParseOptions(const QStringList& arguments, Options& options) {
    QCommandLineParser parser;
    DescribeOptions(parser);
    if (!parser.parse(arguments) || parser.positionalArguments().size() > 1) {
        const QString why = parser.errorText().isEmpty()
                                ? QStringLiteral("more than one library given")
                                : parser.errorText();
        std::fprintf(stderr, "tabrix: %s\n%s", why.toUtf8().constData(),
                     parser.helpText().toUtf8().constData());
        return false;
    }
    options.screenshot = parser.value(QStringLiteral("screenshot"));
    if (!parser.positionalArguments().isEmpty())
        options.library = parser.positionalArguments().front();
    return true;
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
    if (Wants(argc, argv, {"--help", "-h", "-?", "--help-all", "--version", "-v"}))
        return PrintHelpOrVersion(argc, argv);
    // The platform must be chosen before the application exists: a screenshot needs none.
    if (Wants(argc, argv, {"--screenshot"})) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    tabrix::FileSizeSignal::Ignore();

    QApplication app(argc, argv);
    Options options;
    if (!ParseOptions(QCoreApplication::arguments(), options)) return 2;
    tabrix::AppIdentity::Apply(app);
    tabrix::AppIdentity::LoadQtTranslations(app);
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
