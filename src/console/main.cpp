// tessel: the console window. The first parameter names a script whose text
// is loaded into the editor, not run.

#include <QApplication>
#include <cstring>
#include <iostream>

#include "app/signal_watcher.h"
#include "app/tessel.h"
#include "console/vardel.h"
#include "foundation/locale_settings.h"
#include "mdo/client_library.h"

namespace {

const char* const kTesselUsage =
    "Usage: tessel [script.sql]\n"
    "Opens the Tessel console window; a script named here is loaded into the\n"
    "editor, not run (Ctrl+E or Ctrl+Enter runs it).\n"
    "  -h, --help    this help\n"
    "  --version     the version\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are taken too.\n"
    "Terminal use and isql-style options: tessel-cli --help.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts: they need no display and open no window.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kTesselUsage;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "tessel " << TesselVersion() << '\n';
            return 0;
        }
    }
    // First, while this is the only thread: SIGINT and SIGTERM reach the
    // watcher only (never the client library's own handlers), and the
    // window ends itself in order when one comes.
    TcSignalWatcher signalWatcher;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tessel"));
    TcLocaleSettings::ReadFromEnvironment();
    const QStringList arguments = QApplication::arguments();
    int status = 0;
    {
        TfVardel window(arguments.size() > 1 ? arguments.at(1) : QString());
        window.WatchSignals(signalWatcher);
        window.show();
        status = QApplication::exec();
    }
    // Shut the client library down before the process ends, so the embedded
    // engine stops its threads in order instead of in the exit handlers.
    try {
        FreeClientLibrary();
    } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): the window is gone;
                                       // nothing is left to show the error in
    }
    return status;
}
