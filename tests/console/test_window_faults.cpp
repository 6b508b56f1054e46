// The window as a daily tool: nothing the user typed or ran is lost or
// misnamed, signals end it in order, and what cannot be done says so.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include <sys/stat.h>

#include "console/history_file.h"
#include "console/settings_file.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_view.h"
#include "window_fixture.h"

namespace {

void WriteFile(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class WindowFaults : public WindowTest {
  protected:
    // Connected, with one row inserted in a transaction still open.
    void ConnectWithOpenTransaction() {
        CreateDatabase();
        ASSERT_TRUE(Execute(Connect() + QStringLiteral("\nCREATE TABLE t (a INTEGER);\nCOMMIT;\n"
                                                       "INSERT INTO t VALUES (7);")));
        ASSERT_TRUE(window->Engine->InTransaction());
    }
    // The rows of t, read by an engine of the test's own.
    std::string RowsOfT() {
        TcDBScripter_IB reader;
        reader.ExecuteScript("CONNECT '" + DatabasePath() +
                             "' USER 'SYSDBA' PASSWORD 'masterkey'; SELECT COUNT(*) FROM t;");
        reader.View().First();
        std::string count = reader.View().ValueText(0);
        reader.Close();
        return count;
    }
    // Ends the window as a signal does and waits until it has closed; the
    // status it ended the event loop with.
    int EndBySignal(int status) {
        int exited = 0;
        window->Dialogs.Exit = [&exited](int code) { exited = code; };
        window->EndBySignal(status);
        EXPECT_TRUE(QTest::qWaitFor([&] { return exited != 0; }, 60000));
        return exited;
    }
};

TEST_F(WindowFaults, SignalAfterConnectRollsBackDetachesClosesAndExitsWithoutAsking) {
    ConnectWithOpenTransaction();
    EXPECT_EQ(EndBySignal(143), 143);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Engine->Connected());
    EXPECT_TRUE(Questions.isEmpty()) << Questions.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(RowsOfT(), "0");
}

TEST_F(WindowFaults, SignalDuringAStatementStopsItAndEnds) {
    Editor().setText(QStringLiteral("SLEEP 600;\nECHO not reached;"));
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(window->Running());
    EXPECT_EQ(EndBySignal(130), 130);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(OutputLines().contains(QStringLiteral("not reached")));
    EXPECT_TRUE(Questions.isEmpty() && Errors.isEmpty());
}

TEST_F(WindowFaults, AConnectionEndedByTheServerIsShownAsLost) {
    CreateDatabase();
    ASSERT_TRUE(Execute(Connect()));
    EXPECT_FALSE(Panel(TcStatusPanels::Database).isEmpty());
    TcDBScripter_IB administrator;
    administrator.ExecuteScript("CONNECT '" + DatabasePath() +
                                "' USER 'SYSDBA' PASSWORD 'masterkey'; DELETE FROM "
                                "MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION; "
                                "COMMIT;");
    administrator.Close();
    EXPECT_FALSE(Execute(QStringLiteral("SELECT 1 FROM RDB$DATABASE;")));
    EXPECT_TRUE(window->ConnectionLost());
    EXPECT_EQ(Panel(TcStatusPanels::User), QString());
    EXPECT_EQ(Panel(TcStatusPanels::Database), QStringLiteral("Connection lost"));
    EXPECT_EQ(OutputLines().last(), QStringLiteral("The connection to the database was lost."));
    // Connecting again clears it.
    ASSERT_TRUE(Execute(Connect()));
    EXPECT_FALSE(window->ConnectionLost());
}

TEST_F(WindowFaults, AScriptOnTheCommandLineKeepsARecoveredText) {
    const QString recovered = QStringLiteral("INSERT INTO t VALUES (1);");
    ASSERT_TRUE(WriteRecoveryFile(recovered));
    const std::string script = folder.File("start.sql");
    WriteFile(script, "ECHO started;\n");
    OpenWindow(QString::fromStdString(script));
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO started;\n"));
    const QString note = OutputLines().last();
    const QString prefix = QStringLiteral("The text of an interrupted run was kept in ");
    ASSERT_TRUE(note.startsWith(prefix)) << note.toStdString();
    const QString kept = note.mid(prefix.size()).chopped(1);
    EXPECT_EQ(ReadAll(kept), recovered);
    EXPECT_EQ(QFileInfo(kept).permissions() & 0x0777,
              QFileDevice::ReadUser | QFileDevice::WriteUser);
    // An Execute now overwrites nothing that was kept.
    ASSERT_TRUE(Execute(QStringLiteral("ECHO x;")));
    EXPECT_EQ(ReadAll(kept), recovered);
}

TEST_F(WindowFaults, SettingsThatCannotBeWrittenAreTheCommandsError) {
    // The settings file's folder is a plain file: nothing can be written.
    WriteFile(folder.File("blocked"), "a file");
    TcScopedEnvironment blocked{"TESSEL_CONFIG", folder.File("blocked/tessel.ini")};
    for (const char* command : {"SET COLOR_SCHEME CLASSIC;", "SET STORE_CONNECT ON;"}) {
        Errors.clear();
        const int first = Output().LineCount();
        EXPECT_FALSE(Execute(QString::fromLatin1(command))) << command;
        const QString expected =
            QStringLiteral("Cannot write the settings file %1.")
                .arg(QString::fromStdString(folder.File("blocked/tessel.ini")));
        EXPECT_EQ(Errors, QStringList{expected}) << command;
        EXPECT_FALSE(OutputFrom(first).contains(QStringLiteral("Done."))) << command;
    }
}

TEST_F(WindowFaults, AFileWithANulByteIsRefusedAsNoText) {
    const std::string binary = folder.File("binary.sql");
    WriteFile(binary, QByteArray("SELECT\0garbage", 14));
    const QString expected = QStringLiteral("Cannot read file \"%1\". It is not a text file.")
                                 .arg(QString::fromStdString(binary));
    Editor().setText(QStringLiteral("kept"));
    EXPECT_FALSE(window->LoadScriptFrom(QString::fromStdString(binary)));
    EXPECT_EQ(Editor().text(), QStringLiteral("kept"));
    EXPECT_EQ(Errors, QStringList{expected});
    OpenWindow(QString::fromStdString(binary));
    EXPECT_EQ(Editor().text(), QString());
    EXPECT_EQ(OutputLines().last(), expected);
    EXPECT_EQ(LineColor(Output().LineCount() - 1), clRed);
}

TEST_F(WindowFaults, ADraftSurvivesStepsThroughTheHistory) {
    ASSERT_TRUE(Execute(QStringLiteral("ECHO one;")));
    ASSERT_TRUE(Execute(QStringLiteral("ECHO two;")));
    Type({QStringLiteral("SELECT draft")});
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO two;"));
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO one;"));
    Press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO two;"));
    Press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("SELECT draft"));
    // A failed run's text is in the history already: no draft twice.
    EXPECT_FALSE(Execute(QStringLiteral("nosuchcommand;")));
    Errors.clear();
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("nosuchcommand;"));
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("SELECT draft"));
}

TEST_F(WindowFaults, WithDisplayOffTheRedLineNamesTheStatementThatFailed) {
    const int first = Output().LineCount();
    EXPECT_FALSE(Execute(QStringLiteral("SET DISPLAY OFF;\nECHO fine;\nnosuchcommand;")));
    const QStringList shown = OutputFrom(first);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), QStringLiteral("nosuchcommand"));
    EXPECT_EQ(LineColor(first), clRed);
}

// What the window shows of a failing statement: the red line, the message
// in the output and in the box, and the caption while it ran.
TEST_F(WindowFaults, ErrorLinesAndTheCaptionHidePasswords) {
    CreateDatabase();
    QStringList captions;
    QObject::connect(window.get(), &QWidget::windowTitleChanged,
                     [&captions](const QString& title) { captions.append(title); });
    const QString missing = QString::fromStdString(folder.File("none/x.fdb"));
    const struct {
        const char* Name;
        QString Statement;
        QString Shown;
        QString Secret;
    } cases[] = {
        // First, while connected: the server's "Token unknown" quotes an
        // unquoted password back.
        {"server quotes it back", QStringLiteral("create or alter user bob password Sekr3t"),
         QStringLiteral("create or alter user bob password ***"), QStringLiteral("Sekr3t")},
        {"quoted", QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD 'Se''cret1'").arg(missing),
         QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD '***'").arg(missing),
         QStringLiteral("et1")},
        {"bare", QStringLiteral("CONNECT '%1' USER SYSDBA PASSWORD Secret2").arg(missing),
         QStringLiteral("CONNECT '%1' USER SYSDBA PASSWORD ***").arg(missing),
         QStringLiteral("Secret2")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Errors.clear();
        captions.clear();
        const int first = Output().LineCount();
        EXPECT_FALSE(Execute(c.Statement + QLatin1Char(';')));
        const QStringList shown = OutputFrom(first);
        ASSERT_GE(shown.size(), 2);
        EXPECT_EQ(shown.front().toStdString(), c.Shown.toStdString());
        EXPECT_EQ(LineColor(first), clRed);
        ASSERT_EQ(Errors.size(), 1);
        EXPECT_TRUE(captions.contains(QStringLiteral("Tessel - ") + c.Shown))
            << captions.join(QLatin1Char('|')).toStdString();
        const QString all = (shown + Errors + captions).join(QLatin1Char('|'));
        EXPECT_FALSE(all.contains(c.Secret)) << all.toStdString();
    }
    // The server's message itself is still shown, with the word hidden.
    EXPECT_TRUE(OutputLines().join(QLatin1Char('|')).contains(QStringLiteral("Token unknown")));
}

TEST_F(WindowFaults, ClosingWhileAStatementRunsAsksFirstAndCancelKeepsItRunning) {
    Editor().setText(QStringLiteral("SLEEP 600;"));
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(window->Running());
    DisconnectAnswer = QMessageBox::Cancel;
    window->close();
    EXPECT_EQ(Questions.size(), 1);
    QTest::qWait(0);  // nothing on its way may stop it
    EXPECT_TRUE(window->Running());
    EXPECT_TRUE(window->isVisible());
    DisconnectAnswer = QMessageBox::No;
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 60000));
    EXPECT_EQ(Questions.size(), 2);
}

TEST_F(WindowFaults, EscDuringALargeResultAddsNothingMoreAndReleasesTheRows) {
    CreateDatabase();
    ASSERT_TRUE(Execute(Connect()));
    const int first = Output().LineCount();
    // Esc as soon as the first part of the result is shown, while the rest
    // is still on its way: the user has seen enough.
    int atEsc = -1;
    QObject::connect(window.get(), &TfBaseVardel::OutputShown, window.get(), [&] {
        if (atEsc >= 0 || Output().LineCount() < first + 10) return;
        atEsc = Output().LineCount();
        Press(Qt::Key_Escape);
    });
    Editor().setText(QStringLiteral("SELECT a.RDB$TYPE FROM RDB$TYPES a, RDB$TYPES b;"));
    // Whether the engine had finished when Esc came decides only how the
    // run ends, not what is shown.
    RunAndWait([this] { Press(Qt::Key_E, Qt::ControlModifier); });
    ASSERT_GE(atEsc, 0);
    EXPECT_LE(Output().LineCount(), atEsc + 2) << "more of the result came after Esc";
    for (const QString& line : OutputFrom(atEsc))
        EXPECT_TRUE(line == QStringLiteral("Cancelled.") ||
                    line.startsWith(QStringLiteral("SELECT")))
            << line.toStdString();
    EXPECT_EQ(OutputLines().last(), QStringLiteral("Cancelled."));
    EXPECT_EQ(window->Engine->OutputSQLDA->RowCount(), 0);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowFaults, FreshSettingsLeaveTheCaretAfterTheConnectCommand) {
    EXPECT_EQ(Editor().text(), QStringLiteral("CONNECT '"));
    QTest::keyClicks(window->Editor, QStringLiteral("db.fdb"));
    EXPECT_EQ(Editor().text(), QStringLiteral("CONNECT 'db.fdb"));
}

TEST_F(WindowFaults, ForeignKeysOfASelectionWithAQuoteRunNothingElse) {
    CreateDatabase();
    ASSERT_TRUE(Execute(Connect() + QStringLiteral("\nCREATE TABLE x (a INTEGER);\nCOMMIT;")));
    Editor().setText(QStringLiteral("T'; drop table x; --"));
    Editor().selectAll();
    EXPECT_TRUE(RunAndWait([this] { Press(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier); }));
    ASSERT_TRUE(Execute(QStringLiteral("COMMIT;\nSELECT COUNT(*) FROM x;")))
        << Errors.join(QLatin1Char('|')).toStdString();
}

}  // namespace

namespace {

mode_t FileMode(const QString& path) {
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_mode & 0777;
}

TEST_F(WindowTest, HistoryOfThePreviousRunComesBackWithItsPasswordsMasked) {
    const QString failing =
        QStringLiteral("ECHO a;\nCONNECT '/nonexistent/x.fdb' USER 'SYSDBA' PASSWORD 'secret';");
    ASSERT_TRUE(Execute(QStringLiteral("ECHO one;\nECHO two;")));
    EXPECT_FALSE(Execute(failing));
    Errors.clear();
    ASSERT_TRUE(Execute(QStringLiteral("ECHO three;")));
    OpenWindow();
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO three;"));
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(
        Editor().text(),
        QStringLiteral("ECHO a;\nCONNECT '/nonexistent/x.fdb' USER 'SYSDBA' PASSWORD '***';"));
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO one;\nECHO two;"));
    EXPECT_EQ(FileMode(HistoryFilePath()), 0600u);
    QFile file(HistoryFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("secret"));
}

TEST(MaskedHistoryEntry, MasksEveryStatementAndLeavesOtherTextAlone) {
    const struct {
        const char* Text;
        const char* Kept;
    } cases[] = {
        {"select 1 from t; -- note\nselect 2;", "select 1 from t; -- note\nselect 2;"},
        {"select 1;\nCREATE USER u PASSWORD 'p'", "select 1;\nCREATE USER u PASSWORD '***'"},
        {"CONNECT 'db' PASSWORD x; select ';password x'",
         "CONNECT 'db' PASSWORD ***;\nselect ';password x'"},
    };
    for (const auto& c : cases) EXPECT_EQ(MaskedHistoryEntry(c.Text, ";"), c.Kept) << c.Text;
}

}  // namespace

namespace {

TEST_F(WindowTest, EditMenuWorksOnTheEditorAndTheEditorNumbersItsLines) {
    EXPECT_TRUE(Editor().marginLineNumbers(0));
    EXPECT_GT(Editor().marginWidth(0), 0);
    Editor().clear();
    Type({QStringLiteral("abc")});
    const auto trigger = [this](const char* name) {
        QAction* action = window->Action(name);
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
    };
    trigger("actUndo");
    EXPECT_NE(Editor().text(), QStringLiteral("abc"));
    trigger("actRedo");
    EXPECT_EQ(Editor().text(), QStringLiteral("abc"));
    trigger("actSelectAll");
    trigger("actCut");
    EXPECT_EQ(Editor().text(), QString());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abc"));
    trigger("actPaste");
    trigger("actPaste");
    EXPECT_EQ(Editor().text(), QStringLiteral("abcabc"));
    trigger("actSelectAll");
    trigger("actCopy");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abcabc"));
}

TEST_F(WindowTest, SaveScriptWritesTheEditorTextForLoadToReadBack) {
    const QString script = QString::fromStdString(folder.File("saved.sql"));
    Editor().setText(QStringLiteral("ECHO saved;\nECHO twice;"));
    ASSERT_TRUE(window->SaveScriptTo(script));
    Editor().clear();
    ASSERT_TRUE(window->LoadScriptFrom(script));
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO saved;\nECHO twice;"));
    EXPECT_FALSE(window->SaveScriptTo(QString::fromStdString(folder.File("no/such/dir/x.sql"))));
    EXPECT_EQ(Errors.size(), 1);
}

}  // namespace
