// tessel: the console window. The first parameter names a script whose text
// is loaded into the editor, not run.

#include <QApplication>

#include "app/signal_watcher.h"
#include "console/vardel.h"
#include "foundation/locale_settings.h"
#include "mdo/client_library.h"

int main(int argc, char** argv) {
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
