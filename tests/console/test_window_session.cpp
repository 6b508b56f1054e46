// What the window keeps between runs (settings, the recovery file) and how
// it behaves while a long statement runs.

#include <sys/stat.h>

#include <QFile>

#include <Qsci/qscilexersql.h>

#include "console/settings_file.h"
#include "window_fixture.h"

namespace {

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Counts the paint events that reach a widget.
class TcPaintCounter : public QObject {
  public:
    explicit TcPaintCounter(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
    ~TcPaintCounter() override { widget_.removeEventFilter(this); }
    int Count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Count;
        return false;
    }

  private:
    QWidget& widget_;
};

mode_t FileMode(const QString& path) {
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_mode & 0777;
}

TEST_F(WindowTest, StoreConnectRemembersTheLastConnectAcrossARestart) {
    CreateDatabase();
    ASSERT_TRUE(Execute(QStringLiteral("SET STORE_CONNECT ON;\n") + Connect() +
                        QStringLiteral("\nDISCONNECT;")));
    const QString stored = QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD 'masterkey'")
                               .arg(QString::fromStdString(DatabasePath()));
    EXPECT_EQ(TcSettingsFile().ReadString(QStringLiteral("LastConnectString")), stored);
    EXPECT_EQ(FileMode(SettingsFilePath()), 0600u);

    OpenWindow();
    EXPECT_TRUE(window->StoreConnect);
    EXPECT_EQ(Editor().text(), stored);

    ASSERT_TRUE(Execute(QStringLiteral("SET STORE_CONNECT OFF;")));
    TcSettingsFile settings;
    EXPECT_EQ(settings.ReadString(QStringLiteral("Store_Connect"), QStringLiteral("gone")),
              QStringLiteral("gone"));
    EXPECT_EQ(settings.ReadString(QStringLiteral("LastConnectString"), QStringLiteral("gone")),
              QStringLiteral("gone"));
    OpenWindow();
    EXPECT_FALSE(window->StoreConnect);
    EXPECT_EQ(Editor().text(), QStringLiteral("CONNECT '"));
}

TEST_F(WindowTest, ColorSchemeSwitchesAtOnceAndSurvivesARestart) {
    EXPECT_FALSE(window->ClassicScheme());
    ASSERT_TRUE(Execute(QStringLiteral("SET COLOR_SCHEME classic;")));
    EXPECT_TRUE(window->ClassicScheme());
    EXPECT_EQ(Output().viewport()->palette().color(QPalette::Base), TColorToQColor(clNavy));
    EXPECT_EQ(Editor().lexer()->paper(QsciLexerSQL::Default), TColorToQColor(clNavy));
    EXPECT_EQ(Editor().lexer()->color(QsciLexerSQL::Keyword), TColorToQColor(clWhite));
    EXPECT_EQ(TcSettingsFile().ReadString(QStringLiteral("Color_Scheme")),
              QStringLiteral("Classic"));
    OpenWindow();
    EXPECT_TRUE(window->ClassicScheme());
    ASSERT_TRUE(Execute(QStringLiteral("SET COLOR_SCHEME DEFAULT;")));
    OpenWindow();
    EXPECT_FALSE(window->ClassicScheme());
}

struct SettingsCase {
    const char* Key;
    const char* Value;
    const char* Expected;  // the engine's state it leads to
};

TEST_F(WindowTest, StartUpReadsTheEngineSettings) {
    const SettingsCase cases[] = {
        {"TRANSACTION_MODE", "readonly", "Transaction mode readonly."},
        {"TRANSACTION_MODE", "ReadCommitted", "Transaction mode read committed."},
        {"TRANSACTION_MODE", "other", "Transaction mode snapshot."},
    };
    for (const SettingsCase& c : cases) {
        TcSettingsFile().WriteString(QString::fromLatin1(c.Key), QString::fromLatin1(c.Value));
        OpenWindow();
        EXPECT_EQ(OutputLines().value(1), QString::fromLatin1(c.Expected)) << c.Value;
    }
    TcSettingsFile().WriteString(QStringLiteral("CHARACTER_SET"), QStringLiteral("UTF8"));
    OpenWindow();
    EXPECT_EQ(window->Engine->CharacterSet, "UTF8");
}

TEST_F(WindowTest, AFailingClientLibraryReplayIsShownInRedAndStartUpGoesOn) {
    TcSettingsFile().WriteString(QStringLiteral("CLIENT_LIBRARY"), QStringLiteral("nonsense"));
    OpenWindow();
    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(LineColor(2), clRed);
    EXPECT_EQ(Editor().text(), QStringLiteral("CONNECT '"));
}

TEST_F(WindowTest, ClientLibraryChoiceShowsInItsOwnPanelAndIsReplayedAtStart) {
    EXPECT_FALSE(window->StatusPanels().HasLibraryPanel());
    ASSERT_TRUE(Execute(QStringLiteral("SET CLIENT_LIBRARY FBCLIENT;")));
    EXPECT_TRUE(Panel(TcStatusPanels::Library).startsWith(QStringLiteral("libfbclient")))
        << Panel(TcStatusPanels::Library).toStdString();
    TcSettingsFile().WriteString(QStringLiteral("CLIENT_LIBRARY"), QStringLiteral("FBCLIENT"));
    OpenWindow();
    // The replay's event arrives through the queue, once the window runs.
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return window->StatusPanels().HasLibraryPanel(); }, 10000));
    EXPECT_TRUE(Panel(TcStatusPanels::Library).startsWith(QStringLiteral("libfbclient")));
    EXPECT_EQ(OutputLines().size(), 2) << OutputLines().join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowTest, RecoveryFileOfAKilledRunIsLoadedAtTheNextStart) {
    // What a run killed in the middle leaves: Execute wrote the text first.
    const QString text = QStringLiteral("INSERT INTO t VALUES (1);\nCOMMIT;");
    ASSERT_TRUE(WriteRecoveryFile(text));
    EXPECT_EQ(FileMode(RecoveryFilePath()), 0600u);
    OpenWindow();
    EXPECT_EQ(Editor().text(), text);
    // Safe in the editor: the file is gone until the next Execute.
    EXPECT_FALSE(QFile::exists(RecoveryFilePath()));
}

TEST_F(WindowTest, RecoveryFileHoldsTheTextWhileItRunsAndGoesAfterwards) {
    QString seen;
    window->Dialogs.AskParameter = [&seen](const QString&, QString& value) {
        seen = ReadAll(RecoveryFilePath());
        value = QStringLiteral("1");
        return true;
    };
    const QString script = QStringLiteral("ECHO :x;");
    EXPECT_TRUE(Execute(script));
    EXPECT_EQ(seen, script);
    EXPECT_FALSE(QFile::exists(RecoveryFilePath()));
    EXPECT_FALSE(Execute(QStringLiteral("nosuchcommand;")));
    EXPECT_FALSE(QFile::exists(RecoveryFilePath()));
}

// A statement that runs for hours: it inserts one row once it has counted a
// cross join over a table of 2,000 rows, so a cancelled run leaves nothing
// (and nothing to undo).
const QString kLongInsert =
    QStringLiteral("INSERT INTO t SELECT COUNT(*) FROM gen a, gen b, gen c;");

TEST_F(WindowTest, WindowRepaintsWhileAStatementRunsAndCancelEndsIt) {
    CreateDatabase();
    ASSERT_TRUE(Execute(
        Connect() +
        QStringLiteral("\nCREATE TABLE t (a INTEGER);\nCREATE TABLE gen (a INTEGER);\n"
                       "SET TERM ^;\nEXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN "
                       "WHILE (i < 2000) DO BEGIN INSERT INTO gen VALUES (:i); i = i + 1; END "
                       "END^\nSET TERM ;^\nCOMMIT;")));

    // Repaints are counted on the output list. Each round asks for one and
    // waits for it: a window whose thread the statement held could paint
    // only once the statement had ended, so every round must see its paint
    // while the statement still runs.
    TcPaintCounter paints(*Output().viewport());
    QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
    Editor().setText(kLongInsert);
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(window->Running());
    EXPECT_FALSE(window->Action("actExecute")->isEnabled());
    EXPECT_TRUE(window->Action("actCancel")->isEnabled());
    // The statement runs: its echo reached the caption.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->windowTitle().contains(QStringLiteral("INSERT INTO t")); }, 60000));
    for (int round = 0; round < 5; ++round) {
        const int before = paints.Count;
        Output().viewport()->update();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return paints.Count > before || !ended.isEmpty(); }, 60000))
            << "no repaint in round " << round;
        ASSERT_TRUE(ended.isEmpty())
            << "the repaint of round " << round << " came only once the statement had ended";
    }
    // A second Execute while one runs is refused.
    Press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), kLongInsert);

    Press(Qt::Key_Escape);
    ASSERT_TRUE(ended.wait(60000)) << "Cancel did not end the statement";
    EXPECT_FALSE(ended.front().front().toBool());
    EXPECT_EQ(Editor().text(), kLongInsert);
    EXPECT_TRUE(window->Action("actExecute")->isEnabled());
    // The stopped statement in red, then the engine's word for it; no box.
    const QStringList shown = OutputLines();
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown[shown.size() - 2], kLongInsert.chopped(1));
    EXPECT_EQ(LineColor(Output().LineCount() - 2), clRed);
    EXPECT_EQ(shown.last(), QStringLiteral("Cancelled."));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join(QLatin1Char('|')).toStdString();

    // Nothing of the cancelled statement is left.
    const int first = Output().LineCount();
    ASSERT_TRUE(Execute(QStringLiteral("SELECT COUNT(*) AS n FROM t;")));
    QStringList lines;
    for (const QString& line : OutputFrom(first)) lines.append(line.simplified());
    EXPECT_TRUE(lines.contains(QStringLiteral("0"))) << lines.join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowTest, CancelEndsASleep) {
    QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
    Editor().setText(QStringLiteral("SLEEP 600;\nECHO not reached;"));
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->windowTitle().contains(QStringLiteral("SLEEP")); }, 60000));
    Press(Qt::Key_Escape);
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_FALSE(ended.front().front().toBool());
    EXPECT_EQ(OutputLines().last(), QStringLiteral("Cancelled."));
    EXPECT_FALSE(OutputLines().contains(QStringLiteral("not reached")));
}

TEST_F(WindowTest, CancelStopsWaitingForAProgram) {
    // A program that outlives the test, on none of the test's own handles
    // (a test runner waits for every holder of its output pipes).
    const QString program = QString::fromStdString(folder.File("wait.sh"));
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexec sleep 30 </dev/null >/dev/null 2>&1\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
    Editor().setText(QStringLiteral("EXECUTE PROGRAM '%1';\nECHO not reached;").arg(program));
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->windowTitle().contains(QStringLiteral("EXECUTE PROGRAM")); }, 60000));
    Press(Qt::Key_Escape);
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_FALSE(ended.front().front().toBool());
    EXPECT_EQ(OutputLines().last(), QStringLiteral("Cancelled."));
    EXPECT_FALSE(OutputLines().contains(QStringLiteral("not reached")));
}

}  // namespace
