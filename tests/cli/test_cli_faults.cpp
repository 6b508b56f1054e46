// tessel-cli under faults, run as a child process: a server that dies in the
// middle of a fetch, and SIGINT or SIGTERM while a statement waits or runs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/running_statement.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"
#include "support/firebird_server.h"
#include "support/scoped_environment.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The one value of a query's first row, through an attachment of this process.
std::string QueryValue(const std::string& connect, const std::string& sql) {
    TcDBScripter_IB engine;
    engine.ExecuteScript(connect + sql);
    engine.View().First();
    return engine.View().ValueText(0);
}

// The client drops its structures of a dead attachment only when they are
// released; before that its exit-time shutdown crashed on them.
TEST(CliFaults, ServerLostDuringAFetchEndsWithStatus1NotACrash) {
    Language = TLanguage::English;
    TcTempDir folder;
    TcFirebirdServer server;
    const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "'";
    const std::string name = server.ConnectName(folder.File("lost.fdb"));
    {
        // More rows than the client fetches ahead, so the fetch has to go
        // back to the server after the records question.
        TcDBScripter_IB creator;
        creator.ExecuteScript("CREATE DATABASE '" + name + "'" + login +
                              "; create table big (a integer, b varchar(100));"
                              "SET TERM ^;"
                              "execute block as declare i integer = 0; begin"
                              " while (i < 20000) do begin"
                              " insert into big values (:i, 'row ' || :i); i = i + 1; end end^"
                              "SET TERM ;^ COMMIT;");
    }
    WriteFile(folder.File("fetch.sql"),
              "CONNECT '" + name + "'" + login + ";\nselect a, b from big;\n");
    // On a terminal the question after 1000 rows holds the child in the
    // middle of the fetch while the server dies.
    TcCliChild child({"-o", "out.txt", "fetch.sql"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(child.WaitForOutput("Returned 1000 records, continue?")) << child.Output();
    server.Kill();
    child.Type("y\r");
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli hangs";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal << "\n" << child.Errors();
    EXPECT_EQ(end.Status, 1) << child.Errors();
    EXPECT_EQ(child.Errors().rfind("fetch.sql:2: select a, b from big\n", 0), 0u) << child.Errors();
}

// What a script committed before its server died stays; what it had not
// committed is gone.
TEST(CliFaults, ServerKilledInACommittingScriptKeepsExactlyWhatWasCommitted) {
    Language = TLanguage::English;
    TcTempDir folder;
    std::string database = folder.File("commits.fdb");
    {
        TcFirebirdServer server;
        const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "'";
        const std::string name = server.ConnectName(database);
        {
            TcDBScripter_IB creator;
            creator.ExecuteScript("CREATE DATABASE '" + name + "'" + login +
                                  "; create table t (a integer);");
            creator.Close();
        }
        WriteFile(folder.File("commits.sql"),
                  "CONNECT '" + name + "'" + login +
                      ";\ninsert into t values (1);\nCOMMIT;\ninsert into t values (2);\n"
                      "COMMIT;\ninsert into t values (3);\n"
                      "select a.rdb$type from rdb$types a, rdb$types b;\n");
        // The records question holds the child with a transaction open.
        TcCliChild child({"commits.sql"}, folder.Path(), TcCliChild::TInput::Terminal);
        ASSERT_TRUE(child.WaitForOutput("Returned 1000 records, continue?")) << child.Output();
        server.Kill();
        child.Type("y\r");
        const TcCliChild::TEnd end = child.Wait();
        ASSERT_TRUE(end.Ended) << "tessel-cli hangs";
        EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal << "\n" << child.Errors();
        EXPECT_EQ(end.Status, 1) << child.Errors();
    }
    TcFirebirdServer restarted;
    EXPECT_EQ(QueryValue("CONNECT '" + restarted.ConnectName(database) +
                             "' USER 'SYSDBA' PASSWORD '" + restarted.SysdbaPassword() + "';",
                         "select cast(list(a) as varchar(50)) from (select a from t order by a);"),
              "1,2");
}

struct SignalCase {
    const char* name;
    int signal;
    const char* statement;  // holds the child until the signal comes
    // What standard error may say after the statement: a signal that comes
    // before the statement starts stops the run before it.
    std::vector<std::string> errors;
};

void PrintTo(const SignalCase& c, std::ostream* out) {
    *out << c.name;
}

class CliSignals : public ::testing::TestWithParam<SignalCase> {};

// The signal stops the statement, the open transaction is rolled back and
// the attachment closed: another embedded attach opens the database at once
// and sees nothing of the transaction.
TEST_P(CliSignals, EndTheRunCleanlyWithTheShellStatus) {
    Language = TLanguage::English;
    const SignalCase& c = GetParam();
    TcTempDir folder;
    const std::string login = " USER 'SYSDBA' PASSWORD 'x';";
    const std::string database = folder.File("signal.fdb");
    WriteFile(folder.File("wait.sql"), "CREATE DATABASE '" + database + "'" + login +
                                           "\ncreate table t (a integer);\n"
                                           "insert into t values (1);\n"
                                           "ECHO ready;\n" +
                                           c.statement + ";\nECHO never;\n");
    TcCliChild child({"wait.sql"}, folder.Path());
    ASSERT_TRUE(child.WaitForOutput("ready\n")) << child.Output() << child.Errors();
    child.Signal(c.signal);
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 128 + c.signal) << child.Errors();
    EXPECT_EQ(child.Output().find("never"), std::string::npos);
    std::vector<std::string> accepted;
    for (const std::string& error : c.errors)
        accepted.push_back("wait.sql:5: " + std::string(c.statement) + "\n" + error +
                           "\nTransaction rolled back.\n");
    EXPECT_THAT(accepted, ::testing::Contains(child.Errors()));
    EXPECT_EQ(QueryValue("CONNECT '" + database + "'" + login, "select count(*) from t;"), "0");
}

// A cross join of the type catalogue with itself four times counts for
// minutes: long enough that only the signal ends it.
const char* const kLongQuery =
    "select count(*) from rdb$types a, rdb$types b, rdb$types c, rdb$types d";

INSTANTIATE_TEST_SUITE_P(
    EmbeddedDatabase, CliSignals,
    ::testing::Values(
        SignalCase{"SigintDuringSleep", SIGINT, "SLEEP 600", {"Interrupted."}},
        SignalCase{"SigtermDuringSleep", SIGTERM, "SLEEP 600", {"Interrupted."}},
        SignalCase{"SigintDuringQuery", SIGINT, kLongQuery, {"Cancelled.", "Interrupted."}},
        SignalCase{"SigtermDuringQuery", SIGTERM, kLongQuery, {"Cancelled.", "Interrupted."}}),
    [](const ::testing::TestParamInfo<SignalCase>& info) { return info.param.name; });

// At the prompt no statement runs: the signal ends the read, and the
// transaction left open by the statements before is rolled back.
// It once did so silently: the rollback is said on standard error.
TEST(CliSignalsAtThePrompt, SigintOrSigtermWhileWaitingForInputEndsTheRun) {
    Language = TLanguage::English;
    for (const int signal : {SIGINT, SIGTERM}) {
        TcTempDir folder;
        const std::string database = folder.File("prompt.fdb");
        const std::string login = " USER 'SYSDBA' PASSWORD 'x';";
        TcCliChild child({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
        ASSERT_TRUE(child.WaitForOutput("SQL> ")) << child.Output();
        child.Type("CREATE DATABASE '" + database + "'" + login +
                   " create table t (a integer); insert into t values (1); ECHO ready;\r");
        ASSERT_TRUE(child.WaitForOutput("ready\r\nSQL> ")) << child.Output() << child.Errors();
        child.Signal(signal);
        const TcCliChild::TEnd end = child.Wait();
        ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
        EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
        EXPECT_EQ(end.Status, 128 + signal) << child.Errors();
        EXPECT_EQ(child.Errors(), "Transaction rolled back.\n");
        EXPECT_EQ(QueryValue("CONNECT '" + database + "'" + login, "select count(*) from t;"), "0");
    }
}

// Types at the prompt once the line editor reads the terminal. It writes
// its prompt before it takes the terminal over from the terminal's own line
// discipline, which would otherwise echo the text itself and swallow a
// Ctrl-D. Taken over, the terminal no longer echoes by itself.
void TypeAtPrompt(TcCliChild& child, const std::string& text) {
    ASSERT_TRUE(WaitUntil([&] { return !child.TerminalEchoes(); }));
    child.Type(text);
}

// On a server, Ctrl-C in the middle of a long insert-heavy statement once let
// the statement run to its end now and then, and the run went on to commit
// it with everything before it. The signal must stop the statement and
// commit nothing. scripts/stress-cli-interrupt.sh repeats this fifty times.
TEST(CliSignalsRemote, CtrlCDuringALongInsertOnTheServerCommitsNothing) {
    Language = TLanguage::English;
    TcTempDir folder;
    TcFirebirdServer& server = TcFirebirdServer::Shared();
    const std::string name = server.ConnectName(folder.File("insert.fdb"));
    const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "';";
    {
        TcDBScripter_IB creator;
        creator.ExecuteScript("CREATE DATABASE '" + name + "'" + login +
                              " create table t (a integer);");
        creator.Close();
    }
    const std::string block =
        "execute block as declare i integer = 0; begin while (i < 2000000000) do begin"
        " insert into t values (:i); i = i + 1; end end";
    WriteFile(folder.File("insert.sql"), "CONNECT '" + name + "'" + login +
                                             "\ninsert into t values (-1);\nECHO ready;\n"
                                             "SET TERM ^;\n" +
                                             block + "^\nSET TERM ;^\nECHO never;\n");
    TcCliChild child({"insert.sql"}, folder.Path());
    ASSERT_TRUE(child.WaitForOutput("ready\n")) << child.Output() << child.Errors();
    // The signal is sent once the block runs on the server.
    ASSERT_TRUE(WaitForRunningStatement(name, server.SysdbaPassword()));
    child.Signal(SIGINT);
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 130) << child.Errors();
    EXPECT_EQ(child.Output().find("never"), std::string::npos);
    EXPECT_EQ(child.Errors(),
              "insert.sql:5: " + block + "\nCancelled.\nTransaction rolled back.\n");
    EXPECT_EQ(QueryValue("CONNECT '" + name + "'" + login, "select count(*) from t;"), "0");
}

// INSERTs of one shape go to a server as one block: Ctrl-C while the block
// runs stops it, names the run's first statement, and commits nothing.
TEST(CliSignalsRemote, CtrlCDuringABatchOfInsertsCommitsNothing) {
    Language = TLanguage::English;
    TcTempDir folder;
    TcFirebirdServer& server = TcFirebirdServer::Shared();
    const std::string name = server.ConnectName(folder.File("batch.fdb"));
    const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "';";
    {
        // The third row's check runs until something stops it.
        TcDBScripter_IB creator;
        creator.ExecuteScript(
            "CREATE DATABASE '" + name + "'" + login +
            "SET TERM ^ ; create function slow(a integer) returns integer as declare i bigint = 0;"
            " begin if (a = 3) then while (i < 1000000000) do i = i + 1; return 1; end^"
            " SET TERM ; ^ create table t (a integer check (slow(a) = 1)); commit;");
        creator.Close();
    }
    std::string script =
        "CONNECT '" + name + "'" + login + "\ninsert into t values (0);\nECHO ready;\n";
    for (int i = 1; i <= 5; ++i) script += "insert into t values (" + std::to_string(i) + ");\n";
    WriteFile(folder.File("batch.sql"), script + "ECHO never;\n");
    TcCliChild child({"batch.sql"}, folder.Path());
    ASSERT_TRUE(child.WaitForOutput("ready\n")) << child.Output() << child.Errors();
    ASSERT_TRUE(WaitForRunningStatement(name, server.SysdbaPassword(), "EXECUTE BLOCK"));
    child.Signal(SIGINT);
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 130) << child.Errors();
    EXPECT_EQ(child.Output().find("never"), std::string::npos);
    EXPECT_EQ(child.Errors(),
              "batch.sql:4: insert into t values (1)\nCancelled.\nTransaction rolled back.\n");
    EXPECT_EQ(QueryValue("CONNECT '" + name + "'" + login, "select count(*) from t;"), "0");
}

// Ctrl-C during a statement typed at the prompt once left a dead connection
// that every later statement tripped over; now it stops the statement and
// the session goes on with the connection and its open transaction.
TEST(CliPrompt, CtrlCStopsTheStatementAndKeepsTheConnection) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string database = folder.File("prompt.fdb");
    const std::string login = " USER 'SYSDBA' PASSWORD 'x';";
    TcCliChild child({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(child.WaitForOutput("SQL> ")) << child.Output();
    child.Type("CREATE DATABASE '" + database + "'" + login +
               " create table t (a integer); create view big (n) as select a.rdb$type from"
               " rdb$types a, rdb$types b, rdb$types c, rdb$types d; insert into t values (1);"
               " ECHO ready;\r");
    ASSERT_TRUE(child.WaitForOutput("ready\r\nSQL> ")) << child.Output() << child.Errors();
    TypeAtPrompt(child, "select count(*) from big;\r");
    // The editor hands the terminal back when it hands the line on: from
    // then on the signal meets the statement, not the prompt.
    ASSERT_TRUE(WaitUntil([&] { return child.TerminalEchoes(); }));
    child.Signal(SIGINT);
    ASSERT_TRUE(child.WaitForOutput("from big;\r\n", "SQL> ")) << child.Output();
    TypeAtPrompt(child, "select 'row' || count(*) from t;\r");
    ASSERT_TRUE(child.WaitForOutput("row1", "SQL> ")) << child.Output() << child.Errors();
    TypeAtPrompt(child, "\x04");  // the end of the input
    ASSERT_TRUE(child.WaitForOutput("commit before disconnecting? (y/n) ")) << child.Output();
    TypeAtPrompt(child, "n\r");
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 1) << "the cancelled statement failed\n" << child.Errors();
    EXPECT_THAT((std::vector<std::string>{"<input>:1: select count(*) from big\nCancelled.\n",
                                          "<input>:1: select count(*) from big\nInterrupted.\n"}),
                ::testing::Contains(child.Errors()));
    EXPECT_EQ(QueryValue("CONNECT '" + database + "'" + login, "select count(*) from t;"), "0");
}

// A connection lost under the prompt is said plainly and forgotten: no later
// statement meets a dead handle and the end asks about no transaction.
TEST(CliPrompt, LostConnectionIsSaidPlainlyAndForgotten) {
    Language = TLanguage::English;
    TcTempDir folder;
    TcFirebirdServer server;
    const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "'";
    const std::string name = server.ConnectName(folder.File("lost.fdb"));
    {
        TcDBScripter_IB creator;
        creator.ExecuteScript("CREATE DATABASE '" + name + "'" + login +
                              "; create table t (a integer);");
        creator.Close();
    }
    TcCliChild child({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(child.WaitForOutput("SQL> ")) << child.Output();
    child.Type("CONNECT '" + name + "'" + login + "; insert into t values (1); ECHO ready;\r");
    ASSERT_TRUE(child.WaitForOutput("ready\r\nSQL> ")) << child.Output() << child.Errors();
    server.Kill();
    TypeAtPrompt(child, "select count(*) from t;\r");
    ASSERT_TRUE(child.WaitForOutput("from t;\r\n", "SQL> ")) << child.Output();
    TypeAtPrompt(child, "ECHO still here;\r");
    ASSERT_TRUE(child.WaitForOutput("still here\r\nSQL> ")) << child.Output() << child.Errors();
    TypeAtPrompt(child, "\x04");
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 1) << child.Errors();
    EXPECT_EQ(child.Output().find("commit before disconnecting"), std::string::npos)
        << child.Output();
    const std::string errors = child.Errors();
    EXPECT_EQ(errors.rfind("<input>:1: select count(*) from t\n", 0), 0u) << errors;
    EXPECT_NE(errors.find("\nThe connection to the database was lost.\n"), std::string::npos)
        << errors;
    EXPECT_EQ(errors.find("invalid database handle"), std::string::npos) << errors;
}

// Ctrl-C at the Password: question once left the terminal without echo.
TEST(CliPasswordPrompt, CtrlCRestoresTheEchoAndConnectsNothing) {
    Language = TLanguage::English;
    TcScopedEnvironment noPassword("ISC_PASSWORD", std::nullopt);
    TcTempDir folder;
    const std::string database = folder.File("secret.fdb");
    {
        TcDBScripter_IB creator;
        creator.ExecuteScript("CREATE DATABASE '" + database + "' USER 'SYSDBA' PASSWORD 'x';");
        creator.Close();
    }
    WriteFile(folder.File("login.sql"), "CONNECT '" + database + "';\nECHO never;\n");
    TcCliChild child({"-u", "SYSDBA", "login.sql"}, folder.Path(), TcCliChild::TInput::Terminal);
    // The question stands on standard error; the echo goes off after it.
    ASSERT_TRUE(WaitUntil([&] {
        return child.Errors() == "Password: " && !child.TerminalEchoes();
    })) << child.Errors();
    child.Signal(SIGINT);
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 130) << child.Errors();
    EXPECT_TRUE(child.TerminalEchoes());
    EXPECT_EQ(child.Errors(),
              "Password: \nlogin.sql:1: CONNECT '" + database + "'\nInterrupted.\n");
    EXPECT_EQ(child.Output().find("never"), std::string::npos);
}

// A query that returns a thousand rows at once and then counts for minutes:
// the records question after the thousandth row shows that the statement
// runs, and once it is answered the next fetch is the long count.
const char* const kRowsThenLongCount =
    "select first 1000 a.rdb$type from rdb$types a, rdb$types b union all"
    " select count(*) from rdb$types a, rdb$types b, rdb$types c, rdb$types d";

// Answers the records question with yes; the fetch goes on once the line
// editor has handed the terminal back.
void AnswerYesAndLetTheFetchGoOn(TcCliChild& child) {
    ASSERT_TRUE(child.WaitForOutput("Returned 1000 records, continue? (y/n) ")) << child.Output();
    TypeAtPrompt(child, "y\r");
    ASSERT_TRUE(WaitUntil([&] { return child.TerminalEchoes(); }));
}

// Ctrl-C in the middle of a running statement stops it through the cancel
// call: it fails with "Cancelled.", nothing after it runs, and the run ends
// as after any signal, rolling back what the script did.
TEST(CliCancel, CtrlCDuringARunningStatementSaysCancelledAndEndsTheRun) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string database = folder.File("cancel.fdb");
    const std::string login = " USER 'SYSDBA' PASSWORD 'x';";
    WriteFile(folder.File("long.sql"), "CREATE DATABASE '" + database + "'" + login +
                                           "\ncreate table t (a integer);\n"
                                           "insert into t values (1);\n" +
                                           kRowsThenLongCount + ";\nECHO never;\n");
    TcCliChild child({"long.sql"}, folder.Path(), TcCliChild::TInput::Terminal);
    AnswerYesAndLetTheFetchGoOn(child);
    child.Signal(SIGINT);
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 130) << child.Errors();
    EXPECT_EQ(child.Errors(), "long.sql:4: " + std::string(kRowsThenLongCount) +
                                  "\nCancelled.\nTransaction rolled back.\n");
    EXPECT_EQ(child.Output().find("never"), std::string::npos);
    EXPECT_EQ(QueryValue("CONNECT '" + database + "'" + login, "select count(*) from t;"), "0");
}

// Ctrl-C while the records question is open stops the fetch the same way:
// the statement ends as cancelled, not as a success with the rows so far.
TEST(CliCancel, CtrlCAtTheRecordsQuestionCancelsTheStatement) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string login = " USER 'SYSDBA' PASSWORD 'x';";
    WriteFile(folder.File("rows.sql"), "CREATE DATABASE '" + folder.File("rows.fdb") + "'" + login +
                                           "\n" + kRowsThenLongCount + ";\nECHO never;\n");
    TcCliChild child({"rows.sql"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(child.WaitForOutput("Returned 1000 records, continue? (y/n) ")) << child.Output();
    ASSERT_TRUE(WaitUntil([&] { return !child.TerminalEchoes(); }));
    child.Signal(SIGINT);
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_EQ(end.Status, 130) << child.Errors();
    EXPECT_EQ(child.Errors(), "rows.sql:2: " + std::string(kRowsThenLongCount) +
                                  "\nCancelled.\nTransaction rolled back.\n");
}

// At the prompt Ctrl-C cancels only the running statement: the prompt comes
// back, the connection and the transaction before the statement stay, and
// the end of the session counts the cancelled statement as failed.
TEST(CliCancel, CtrlCAtThePromptCancelsOnlyTheRunningStatement) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string database = folder.File("prompt.fdb");
    const std::string login = " USER 'SYSDBA' PASSWORD 'x';";
    TcCliChild child({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(child.WaitForOutput("SQL> ")) << child.Output();
    child.Type("CREATE DATABASE '" + database + "'" + login +
               " create table t (a integer); insert into t values (1); ECHO ready;\r");
    ASSERT_TRUE(child.WaitForOutput("ready\r\nSQL> ")) << child.Output() << child.Errors();
    TypeAtPrompt(child, std::string(kRowsThenLongCount) + ";\r");
    AnswerYesAndLetTheFetchGoOn(child);
    child.Signal(SIGINT);
    ASSERT_TRUE(child.WaitForOutput("(y/n) ", "SQL> ")) << child.Output() << child.Errors();
    EXPECT_EQ(child.Errors(), "<input>:1: " + std::string(kRowsThenLongCount) + "\nCancelled.\n");
    TypeAtPrompt(child, "select 'row' || count(*) from t;\r");
    ASSERT_TRUE(child.WaitForOutput("row1", "SQL> ")) << child.Output() << child.Errors();
    TypeAtPrompt(child, "\x04");
    ASSERT_TRUE(child.WaitForOutput("commit before disconnecting? (y/n) ")) << child.Output();
    TypeAtPrompt(child, "y\r");
    const TcCliChild::TEnd end = child.Wait();
    ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 1) << "the cancelled statement failed\n" << child.Errors();
    EXPECT_EQ(QueryValue("CONNECT '" + database + "'" + login, "select count(*) from t;"), "1");
}

}  // namespace
