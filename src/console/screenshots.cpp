// tessel-screenshots FOLDER: shows the console window offscreen, runs a short
// session against a fresh embedded database in each colour scheme, and saves
// the window as FOLDER/tessel-default.png and FOLDER/tessel-classic.png.
// Settings and state go to a temporary folder, never to the user's own.

#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "console/vardel.h"
#include "mdo/client_library.h"

namespace {

bool RunScript(TfVardel& window, const QString& script) {
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&window, &TfBaseVardel::RunFinished, &loop, [&](bool success) {
        ok = success;
        loop.quit();
    });
    window.Editor->setText(script);
    window.Execute();
    loop.exec();
    return ok;
}

void Settle() {
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tessel-screenshots FOLDER\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(target);
    QTemporaryDir scratch;
    qputenv("TESSEL_CONFIG", QFile::encodeName(scratch.filePath(QStringLiteral("tessel.ini"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(scratch.path()));
    const QString database = scratch.filePath(QStringLiteral("shop.fdb"));

    const QString setup =
        QStringLiteral(
            "CREATE DATABASE '%1' USER 'SYSDBA' PASSWORD 'masterkey';\n"
            "CREATE TABLE customer (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(30), "
            "city VARCHAR(20), balance NUMERIC(12,2), since DATE);\n"
            "INSERT INTO customer VALUES (1, 'Ada Lovelace', 'London', 1250.50, '1843-07-01');\n"
            "INSERT INTO customer VALUES (2, 'Edsger Dijkstra', 'Nuenen', 0, '1972-10-01');\n"
            "INSERT INTO customer VALUES (3, 'Grace Hopper', 'Arlington', -42.75, '1959-05-28');\n"
            "INSERT INTO customer VALUES (4, 'Niklaus Wirth', 'Zurich', NULL, '1970-01-15');\n"
            "COMMIT;\n")
            .arg(database);
    const QString query = QStringLiteral(
        "SET SHOW_RECORD_COUNT ON;\n"
        "SELECT id, name, city, balance, since FROM customer ORDER BY name;\n"
        "SELECT * FROM no_such_table;\n");
    const QString shown = QStringLiteral(
        "/* Customers by name */\n"
        "SELECT c.name, c.city, c.balance\n"
        "  FROM customer c\n"
        " WHERE c.balance > 0 AND c.city IN ('London', 'Zurich')\n"
        " ORDER BY c.name;");

    int status = 0;
    for (const bool classic : {false, true}) {
        TfVardel window;
        window.Dialogs.ShowError = [](const QString&) {};
        window.ApplyColorScheme(classic);
        window.resize(1000, 700);
        window.show();
        if (!classic) RunScript(window, setup);
        RunScript(window,
                  QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD 'masterkey';").arg(database));
        RunScript(window, query);
        window.Editor->setText(shown);
        window.Editor->setCursorPosition(3, 10);
        // The text from its first column, beside the line numbers.
        window.Editor->SendScintilla(QsciScintilla::SCI_SETXOFFSET, 0UL);
        Settle();
        const QString file = target + (classic ? QStringLiteral("/tessel-classic.png")
                                               : QStringLiteral("/tessel-default.png"));
        if (!window.grab().save(file)) status = 1;
        std::printf("%s\n", qPrintable(file));
        RunScript(window, QStringLiteral("COMMIT; DISCONNECT;"));
    }
    FreeClientLibrary();
    return status;
}
