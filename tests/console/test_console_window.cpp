// The console window driven as a user drives it: keys into the editor, the
// output list and the status bar read back, against an embedded database.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTimer>

#include "console/input_username_password.h"
#include "console/settings_file.h"
#include "window_fixture.h"

namespace {

TEST_F(WindowTest, StartsWithTheBannerAndTheConnectCommand) {
    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Tessel V"))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("Transaction mode snapshot."));
    EXPECT_EQ(Editor().text(), QStringLiteral("CONNECT '"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tessel"));
}

TEST_F(WindowTest, TypedScriptRunsShowsItsOutputAndEmptiesTheEditor) {
    CreateDatabase();
    const int first = Output().LineCount();
    Editor().clear();
    Type({QStringLiteral("create table item (id integer, name varchar(10));"),
          QStringLiteral("insert into item values (1, 'apple');"),
          QStringLiteral("select id, name from item;")});
    // Keywords typed in lower case became capitals while typing.
    EXPECT_TRUE(Editor().text().contains(QStringLiteral("INSERT INTO item VALUES")))
        << Editor().text().toStdString();
    EXPECT_TRUE(RunAndWait([this] { Press(Qt::Key_E, Qt::ControlModifier); }));
    QStringList lines;
    for (const QString& line : OutputFrom(first)) lines.append(line.simplified());
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("DDL executed, transaction committed."));
    EXPECT_EQ(lines[1], QStringLiteral("1 row(s) inserted."));
    EXPECT_EQ(lines[2], QStringLiteral("ID NAME"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^=+ =+$")).match(lines[3]).hasMatch());
    EXPECT_EQ(lines[4], QStringLiteral("1 apple"));
    EXPECT_TRUE(Editor().text().isEmpty());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join(QLatin1Char('|')).toStdString();
    // The first new line is the current one, for reading from the top.
    EXPECT_EQ(Output().ItemIndex(), first);

    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(Editor().text().startsWith(QStringLiteral("create table item (id integer")))
        << Editor().text().toStdString();
    EXPECT_TRUE(Editor().text().endsWith(QStringLiteral("SELECT id, name FROM item;")));
}

struct ActionCase {
    const char* Name;
    const char* Caption;
    const char* Keys;  // in portable text, "; " between two
};

TEST_F(WindowTest, EveryActionHasItsCaptionAndShortcuts) {
    const ActionCase cases[] = {
        {"actExecute", "Execute", "Ctrl+E"},
        {"actExecute2", "Execute", "Ctrl+Return; Ctrl+Enter"},
        {"actCancel", "Cancel", "Esc"},
        {"actExecuteBlock", "Execute <block>", "Ctrl+Shift+E"},
        {"actSelectFromBlock", "SELECT * FROM <block>", "Ctrl+Shift+C"},
        {"actDescribeBlock", "Describe <block>", "Ctrl+Shift+D"},
        {"actForeignKeysOfBlock", "Foreignkeys of <block>", "Ctrl+Shift+F"},
        {"actPrevious", "Previous", "Ctrl+P"},
        {"actNext", "Next", "Ctrl+N"},
        {"actClearInput", "Clear input", "Ctrl+I"},
        {"actClearOutput", "Clear output", "Ctrl+O"},
        {"actConnectString", "Connect string", "Ctrl+L"},
        {"actLiteralCopy", "Delphi copy", "Ctrl+Alt+C"},
        {"actLiteralPaste", "Delphi paste", "Ctrl+Alt+V"},
        {"actLoad", "Load", "Ctrl+Q"},
        {"actSaveScript", "Save script", "Ctrl+S"},
        {"actSaveOutput", "Save output", ""},
        {"actPrintOutput", "Print output", ""},
        {"actHelp", "Help", "F1"},
        {"actFind", "Find in output", "Ctrl+F"},
        {"actFindNext", "Find next", "F3"},
        {"actFindPrevious", "Find previous", "Shift+F3"},
        {"actCopyOutput", "", "Ctrl+C; Ctrl+Ins"},
        {"actPasteInput", "", "Ctrl+V"},
    };
    for (const ActionCase& c : cases) {
        QAction* action = window->findChild<QAction*>(QLatin1String(c.Name));
        ASSERT_NE(action, nullptr) << c.Name;
        EXPECT_EQ(action->text(), QString::fromUtf8(c.Caption)) << c.Name;
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys.append(key.toString(QKeySequence::PortableText));
        EXPECT_EQ(keys.join(QStringLiteral("; ")), QString::fromUtf8(c.Keys)) << c.Name;
    }
}

TEST_F(WindowTest, PopupMenuOffersTheActionsInItsOrder) {
    QMenu menu;
    window->FillPopupMenu(menu);
    QStringList captions;
    for (QAction* action : menu.actions()) captions.append(action->text());
    EXPECT_EQ(captions, QStringList({"Clear input", "Clear output", "Execute", "Next", "Previous",
                                     "Connect string", "Describe <block>", "Execute <block>",
                                     "SELECT * FROM <block>", "Foreign keys of <block>",
                                     "Load script / statement", "Save output", "Help"}));
}

TEST_F(WindowTest, CtrlEnterExecutesToo) {
    Editor().setText(QStringLiteral("ECHO hello;"));
    EXPECT_TRUE(RunAndWait([this] { Press(Qt::Key_Return, Qt::ControlModifier); }));
    EXPECT_EQ(OutputLines().mid(2), QStringList({QStringLiteral("hello")}));
}

TEST_F(WindowTest, FailingStatementShowsInRedAndKeepsTheEditorText) {
    CreateDatabase();
    const QString script = QStringLiteral("ECHO before;\nselect * from nosuchtable;\nECHO after;");
    const int first = Output().LineCount();
    EXPECT_FALSE(Execute(script));
    const QStringList lines = OutputFrom(first);
    ASSERT_GE(lines.size(), 3) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("before"));
    EXPECT_EQ(lines[1], QStringLiteral("select * from nosuchtable"));
    EXPECT_EQ(LineColor(first + 1), clRed);
    // The server's message, in the normal colour, names the table.
    EXPECT_TRUE(lines.mid(2).join(QLatin1Char('|')).contains(QStringLiteral("NOSUCHTABLE")))
        << lines.join(QLatin1Char('|')).toStdString();
    for (int line = first + 2; line < Output().LineCount(); ++line)
        EXPECT_EQ(LineColor(line), clBlack);
    EXPECT_FALSE(lines.contains(QStringLiteral("after")));
    EXPECT_EQ(Editor().text(), script);
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QStringLiteral("NOSUCHTABLE")));
    // The editor can be changed again once the run has ended.
    EXPECT_FALSE(Editor().isReadOnly());
}

TEST_F(WindowTest, WithEchoTheFailingStatementIsNotRepeated) {
    EXPECT_FALSE(Execute(QStringLiteral("SET ECHO ON;\nnosuchcommand;")));
    EXPECT_EQ(OutputLines().filter(QStringLiteral("nosuchcommand")).size(), 1)
        << OutputLines().join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowTest, StatusPanelsFollowCaretUserAndTransaction) {
    Editor().setText(QStringLiteral("one\ntwo\nthree things"));
    Editor().setCursorPosition(2, 6);
    // The editor reports the caret when it next updates its view.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return Panel(TcStatusPanels::Caret) == QStringLiteral("3: 7"); }, 10000))
        << Panel(TcStatusPanels::Caret).toStdString();

    CreateDatabase();
    ASSERT_TRUE(Execute(Connect() + QStringLiteral("\nCREATE TABLE t (a INTEGER);\n"
                                                   "INSERT INTO t VALUES (1);")));
    EXPECT_EQ(Panel(TcStatusPanels::User), QStringLiteral("SYSDBA"));
    EXPECT_EQ(Panel(TcStatusPanels::Database), QString::fromStdString(DatabasePath()));
    EXPECT_EQ(Panel(TcStatusPanels::Transaction), QStringLiteral("TA"));

    ASSERT_TRUE(Execute(QStringLiteral("COMMIT;")));
    EXPECT_EQ(Panel(TcStatusPanels::Transaction), QString());
    ASSERT_TRUE(Execute(QStringLiteral("DISCONNECT;")));
    for (const auto panel :
         {TcStatusPanels::User, TcStatusPanels::Database, TcStatusPanels::Transaction})
        EXPECT_EQ(Panel(panel), QString()) << panel;
}

TEST_F(WindowTest, DisconnectWithAnOpenTransactionAsksAndCommitsOnYes) {
    CreateDatabase();
    ASSERT_TRUE(Execute(Connect() + QStringLiteral("\nCREATE TABLE t (a INTEGER);\n"
                                                   "INSERT INTO t VALUES (7);")));
    DisconnectAnswer = 0x00004000;  // Yes
    ASSERT_TRUE(Execute(QStringLiteral("DISCONNECT;")));
    ASSERT_EQ(Questions.size(), 1);
    EXPECT_EQ(Questions[0], QStringLiteral("Transaction active, commit before disconnecting?"));
    const int first = Output().LineCount();
    ASSERT_TRUE(Execute(Connect() + QStringLiteral("\nSELECT COUNT(*) FROM t;")));
    EXPECT_TRUE(OutputFrom(first).join(QLatin1Char('|')).contains(QStringLiteral(" 1")))
        << OutputFrom(first).join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowTest, ClosingIsRefusedWhenTheTransactionQuestionIsCancelled) {
    CreateDatabase();
    ASSERT_TRUE(Execute(Connect() + QStringLiteral("\nCREATE TABLE t (a INTEGER);\n"
                                                   "INSERT INTO t VALUES (7);")));
    DisconnectAnswer = 0x00400000;  // Cancel
    QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
    window->close();
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Engine->Connected());
    DisconnectAnswer = 0x00010000;  // No: rolled back, and the window closes
    QSignalSpy again(window.get(), &TfBaseVardel::RunFinished);
    window->close();
    ASSERT_TRUE(again.wait(60000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 10000));
    EXPECT_FALSE(window->Engine->Connected());
}

TEST_F(WindowTest, ClosingWritesAWorkbookLeftOpenAndSaysSo) {
    const QString workbook = QString::fromStdString(folder.File("left.xls"));
    ASSERT_TRUE(Execute(QStringLiteral("XLS CREATE '%1';\nXLS HEADER 'kept';").arg(workbook)));
    EXPECT_FALSE(QFile::exists(workbook));
    QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
    window->close();
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 10000));
    EXPECT_TRUE(QFile::exists(workbook));
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("left.xls"))) << Messages[0].toStdString();
}

// A capture stopped by a formula that cannot be compiled is told in the
// output list right below the statement's rows, before the next statement's
// output; the run goes on and succeeds, with no box.
TEST_F(WindowTest, AStoppedCaptureIsToldBelowTheStatement) {
    CreateDatabase();
    const int first = Output().LineCount();
    ASSERT_TRUE(Execute(QStringLiteral("XLS CREATE '%1';\n"
                                       "SELECT CAST('==FOO(1)' AS VARCHAR(20)) AS F "
                                       "FROM RDB$DATABASE;\n"
                                       "SELECT 'next' AS N FROM RDB$DATABASE;")
                            .arg(QString::fromStdString(folder.File("stopped.xls")))));
    const QStringList lines = OutputFrom(first);
    const qsizetype row = lines.indexOf(QRegularExpression(QStringLiteral("^==FOO\\(1\\) *$")));
    ASSERT_GE(row, 0) << lines.join(QLatin1Char('\n')).toStdString();
    ASSERT_GE(lines.size(), row + 3) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[row + 1],
              QStringLiteral("The capture stopped at row 2 of sheet Sheet 1: Formula \"FOO(1)\" "
                             "cannot be compiled at position 1: unknown function 'FOO'."));
    EXPECT_EQ(lines[row + 2], QStringLiteral("N"));
    EXPECT_TRUE(Errors.isEmpty());
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(WindowTest, ParameterIsAskedOnTheWindowThreadAndQuotedWhenNotANumber) {
    ParameterAnswer = QStringLiteral("abc");
    ASSERT_TRUE(Execute(QStringLiteral("ECHO :who;")));
    EXPECT_EQ(Questions, QStringList({QStringLiteral("who")}));
    EXPECT_EQ(OutputLines().last(), QStringLiteral("'abc'"));
}

TEST_F(WindowTest, RecordsQuestionIsAskedOnTheWindowThreadWhileTheScriptWaits) {
    CreateDatabase();
    const int first = Output().LineCount();
    ASSERT_TRUE(
        Execute(Connect() + QStringLiteral("\nSET SHOW_RECORD_COUNT ON;\n"
                                           "SELECT 1 FROM RDB$TYPES A, RDB$TYPES B ROWS 1500;")));
    ASSERT_EQ(Questions.size(), 1);
    EXPECT_TRUE(OutputFrom(first).contains(QStringLiteral("Returned 1500 records.")))
        << OutputFrom(first).join(QLatin1Char('|')).toStdString();
}

TEST_F(WindowTest, ConnectWithoutPasswordShowsTheLoginDialog) {
    CreateDatabase();
    ASSERT_TRUE(Execute(
        QStringLiteral("CONNECT '%1' USER 'SYSDBA';").arg(QString::fromStdString(DatabasePath()))));
    EXPECT_EQ(Questions, QStringList({QStringLiteral("login SYSDBA")}));
    EXPECT_EQ(Panel(TcStatusPanels::User), QStringLiteral("SYSDBA"));
    // The remembered connect command names what the user typed, not the answer.
    ASSERT_TRUE(Execute(QStringLiteral("DISCONNECT;")));
    EXPECT_EQ(window->ConnectHistory.Strings(window->ConnectHistory.Count() - 1),
              "CONNECT '" + DatabasePath() + "' USER 'SYSDBA'");
}

TEST_F(WindowTest, CtrlJOffersTheSelectSkeleton) {
    Editor().clear();
    Type({QStringLiteral("sel")});
    Press(Qt::Key_J, Qt::ControlModifier);
    ASSERT_TRUE(Editor().isListActive());
    Press(Qt::Key_Return);
    EXPECT_EQ(Editor().text(), QStringLiteral("SELECT \nFROM\nWHERE"));
    int line = -1, index = -1;
    Editor().getCursorPosition(&line, &index);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(index, 7);
}

TEST_F(WindowTest, KeyboardMacroRecordsAndPlaysBack) {
    Editor().clear();
    Editor().setFocus();
    Press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    Type({QStringLiteral("ab")});
    Press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    Press(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("abab"));
}

TEST_F(WindowTest, ShiftEnterDoesNothingInTheEditor) {
    Editor().clear();
    Type({QStringLiteral("a")});
    Press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("a"));
}

TEST_F(WindowTest, ClosingWhileAScriptRunsWaitsForItsEnd) {
    Editor().setText(QStringLiteral("SLEEP 1;"));
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(window->Running());
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 60000));
}

TEST_F(WindowTest, LiteralCopyThenPasteGivesTheLineBack) {
    const QString line = QStringLiteral("where a = 'x'");
    Editor().setText(line);
    Press(Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("'where a = ''x'' '"));
    Editor().clear();
    Press(Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Editor().text(), line);
}

TEST_F(WindowTest, TypingIntoTheOutputListGoesToTheEditor) {
    Editor().clear();
    Output().setFocus();
    QTest::keyClicks(window->Output, QStringLiteral("ab"));
    EXPECT_EQ(Editor().text(), QStringLiteral("ab"));
    EXPECT_TRUE(Editor().hasFocus());
}

TEST_F(WindowTest, CopyOutputTakesTheSelectedLinesWhileTheListHasTheFocus) {
    ASSERT_TRUE(Execute(QStringLiteral("ECHO first;\nECHO second;")));
    Output().SetItemIndex(2);
    Output().setFocus();
    QTest::keyClick(window->Output, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first"));
    QGuiApplication::clipboard()->setText(QStringLiteral("ECHO pasted;"));
    QTest::keyClick(window->Output, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO pasted;"));
}

TEST_F(WindowTest, SaveOutputWritesEveryLineAndLoadReadsAScript) {
    ASSERT_TRUE(Execute(QStringLiteral("ECHO first;\nECHO second;")));
    const QString saved = QString::fromStdString(folder.File("out.txt"));
    ASSERT_TRUE(window->SaveOutputTo(saved));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), OutputLines().join(QLatin1Char('\n')) + "\n");
    file.close();
    ASSERT_TRUE(window->LoadScriptFrom(saved));
    EXPECT_EQ(Editor().text(), OutputLines().join(QLatin1Char('\n')) + "\n");
    EXPECT_FALSE(window->LoadScriptFrom(QString::fromStdString(folder.File("none.sql"))));
    EXPECT_EQ(Errors.size(), 1);
}

TEST_F(WindowTest, BlockCommandsActOnTheSelection) {
    CreateDatabase();
    ASSERT_TRUE(Execute(Connect()));
    const QString text = QStringLiteral("ECHO one;\nRDB$DATABASE");
    Editor().setText(text);
    Editor().setSelection(0, 0, 0, 9);
    int first = Output().LineCount();
    EXPECT_TRUE(RunAndWait([this] { Press(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier); }));
    EXPECT_EQ(OutputFrom(first), QStringList({QStringLiteral("one")}));
    // Not the user's Execute: no history, the editor as it was.
    EXPECT_EQ(Editor().text(), text);
    EXPECT_EQ(window->StatementHistory.Count(), 2);

    Editor().setSelection(1, 0, 1, 12);
    first = Output().LineCount();
    EXPECT_TRUE(RunAndWait([this] { Press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); }));
    const QString shown = OutputFrom(first).join(QLatin1Char('|'));
    EXPECT_TRUE(shown.contains(QStringLiteral("RDB$RELATION_ID"))) << shown.toStdString();
    EXPECT_EQ(Editor().text(), text);
    EXPECT_FALSE(window->Engine->TrimCharFields);

    // Errors of a block command reach the error box only.
    Editor().setText(QStringLiteral("NO_SUCH_TABLE"));
    Editor().selectAll();
    first = Output().LineCount();
    EXPECT_FALSE(RunAndWait([this] { Press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); }));
    EXPECT_EQ(Output().LineCount(), first);
    EXPECT_EQ(Errors.size(), 1);
}

TEST(InputUsernamePassword, AsksForWhatIsMissingAndHidesThePassword) {
    for (const bool userKnown : {false, true}) {
        QString user = userKnown ? QStringLiteral("SYSDBA") : QString();
        QString password;
        // Answered once the dialog shows: the field that has the focus first
        // is the one that is missing.
        QTimer::singleShot(0, [userKnown] {
            auto* dialog =
                qobject_cast<TfInputUsernamePassword*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Username/password"));
            EXPECT_EQ(dialog->ePassword->echoMode(), QLineEdit::Password);
            QLineEdit* focused = userKnown ? dialog->ePassword : dialog->eUsername;
            EXPECT_TRUE(QTest::qWaitFor([focused] { return focused->hasFocus(); }, 10000));
            if (!userKnown) dialog->eUsername->setText(QStringLiteral("ME"));
            dialog->ePassword->setText(QStringLiteral("secret"));
            QTest::keyClick(dialog->ePassword, Qt::Key_Return);
        });
        TfInputUsernamePassword::Ask(nullptr, user, password);
        EXPECT_EQ(user, userKnown ? QStringLiteral("SYSDBA") : QStringLiteral("ME"));
        EXPECT_EQ(password, QStringLiteral("secret"));
    }
}

TEST_F(WindowTest, PrintWithNothingSelectedSaysSo) {
    Output().ClearSelection();
    window->Action("actPrintOutput")->trigger();
    EXPECT_EQ(Messages, QStringList({QStringLiteral("No lines selected for printing.")}));
}

TEST_F(WindowTest, HelpRunsInternallyAndShowsTheListing) {
    const int first = Output().LineCount();
    EXPECT_TRUE(RunAndWait([this] { Press(Qt::Key_F1); }));
    const QString listing = OutputFrom(first).join(QLatin1Char('\n'));
    for (const char* command :
         {"EXECUTE PROGRAM", "SET COLOR_SCHEME", "SET STORE_CONNECT", "SET DISPLAY", "XLS CLOSE"})
        EXPECT_TRUE(listing.contains(QLatin1String(command))) << command;
    // Not the user's run: the editor keeps its text.
    EXPECT_EQ(Editor().text(), QStringLiteral("CONNECT '"));
}

TEST_F(WindowTest, SetDisplayOffShowsNothingUntilOn) {
    const int first = Output().LineCount();
    ASSERT_TRUE(
        Execute(QStringLiteral("SET DISPLAY OFF;\nECHO hidden;\nSET DISPLAY ON;\n"
                               "ECHO shown;")));
    EXPECT_EQ(OutputFrom(first), QStringList({QStringLiteral("Done."), QStringLiteral("shown")}));
}

TEST_F(WindowTest, ExecuteProgramOfAMissingProgramFailsWithTheSystemsMessage) {
    const int first = Output().LineCount();
    EXPECT_FALSE(Execute(QStringLiteral("EXECUTE PROGRAM nosuchprogram;")));
    EXPECT_EQ(OutputFrom(first),
              QStringList({QStringLiteral("EXECUTE PROGRAM nosuchprogram"),
                           QStringLiteral("nosuchprogram: No such file or directory")}));
    EXPECT_EQ(LineColor(first), clRed);
    EXPECT_EQ(Errors, QStringList({QStringLiteral("nosuchprogram: No such file or directory")}));
}

// The program writes a line and goes on only once the output list shows
// it; it gives up, saying so, after a while.
TEST_F(WindowTest, ExecuteProgramShowsWhatTheProgramWritesAsItArrives) {
    const QString mark = QString::fromStdString(folder.File("seen"));
    const QString program = QString::fromStdString(folder.File("talk.sh"));
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\necho first\necho 'to error' >&2\n"
                              "for i in $(seq 3000); do [ -e %1 ] && break; sleep 0.01; done\n"
                              "[ -e %1 ] && echo second || echo 'not seen'\n")
                   .arg(mark)
                   .toUtf8());
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const int first = Output().LineCount();
    QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
    Editor().setText(QStringLiteral("EXECUTE PROGRAM '%1';").arg(program));
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return OutputLines().contains(QStringLiteral("first")) || !ended.isEmpty(); },
        120000));
    ASSERT_TRUE(ended.isEmpty()) << "shown only once the program had ended";
    QFile(mark).open(QIODevice::WriteOnly);
    ASSERT_TRUE(ended.wait(120000));
    EXPECT_TRUE(ended.front().front().toBool());
    EXPECT_EQ(OutputFrom(first), QStringList({QStringLiteral("first"), QStringLiteral("to error"),
                                              QStringLiteral("second"), QStringLiteral("Done.")}));

    // DISPLAY OFF keeps it out of the output list as everything else.
    const int hidden = Output().LineCount();
    ASSERT_TRUE(
        Execute(QStringLiteral("SET DISPLAY OFF;\nEXECUTE PROGRAM 'echo hidden';\n"
                               "SET DISPLAY ON;")));
    EXPECT_EQ(OutputFrom(hidden), QStringList({QStringLiteral("Done.")}));
}

TEST_F(WindowTest, ScriptNamedOnTheCommandLineIsLoadedNotRun) {
    const QString script = QString::fromStdString(folder.File("start.sql"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ECHO from the command line;\n");
    file.close();
    OpenWindow(script);
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO from the command line;\n"));
    EXPECT_EQ(OutputLines().size(), 2);
    OpenWindow(QString::fromStdString(folder.File("missing.sql")));
    EXPECT_EQ(Editor().text(), QString());
    EXPECT_EQ(OutputLines().size(), 2);
}

}  // namespace
