// tessel-cli's output: when it is written out, what happens when it cannot
// be written, and the commit that ends a run.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/cli_session.h"
#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"

namespace {

// Keeps what had been written at each flush.
class TcFlushRecorder : public std::stringbuf {
  public:
    std::vector<std::string> Flushed;

  protected:
    int sync() override {
        Flushed.push_back(str());
        return 0;
    }
};

std::string LastLineOf(const std::string& text) {
    const size_t end = text.size() > 0 && text.back() == '\n' ? text.size() - 1 : text.size();
    const size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
}

// The flush points of a script run into a file: each ends a step a reader of
// the log wants to see, and none falls inside a statement's rows or after a
// statement whose transaction goes on.
TEST(CliOutput, FlushedWhereAStepEndsNeverInsideAResult) {
    Language = TLanguage::English;
    TcTempDir folder;
    TcDBScripter_IB engine;
    TcCliOptions options;
    TcFlushRecorder recorder;
    std::ostream out(&recorder);
    std::ostringstream err;
    TcCliSession session(engine, options, out, err, nullptr);
    const std::string script = "CREATE DATABASE '" + folder.File("f.fdb") +
                               "' USER 'SYSDBA' PASSWORD 'x';\n"
                               "create table t (a integer);\n"
                               "insert into t values (1);\n"
                               "insert into t values (2);\n"
                               "select a from t;\n"
                               "SET PLAN OFF;\n"
                               "ECHO step;\n"
                               "insert into t values (3);\n"
                               "COMMIT;\n"
                               "insert into t values (4);\n"
                               "ROLLBACK;\n"
                               "SET START_TRANSACTION EXPLICIT;\n"
                               "insert into t values (5);\n"
                               "update t set a = a;\n"
                               "SET START_TRANSACTION IMPLICIT;\n"
                               "delete from t;\n"
                               "DISCONNECT;\n";
    ASSERT_EQ(session.RunScript(script, "f.sql"), cliOk) << err.str();
    std::vector<std::string> lastLines;
    for (const std::string& text : recorder.Flushed) lastLines.push_back(LastLineOf(text));
    EXPECT_EQ(lastLines, (std::vector<std::string>{
                             "Database created.",                     // connected
                             "DDL executed, transaction committed.",  // committed
                             "Done.",                  // before ECHO, a command that is no setting
                             "step",                   // ECHO
                             "1 row(s) inserted.",     // before COMMIT
                             "Transaction commit.",    // COMMIT
                             "Transaction rollback.",  // ROLLBACK
                             "1 row(s) inserted.",     // explicit model: committed with it
                             "4 row(s) updated.",      // likewise
                             "4 row(s) deleted.",      // before DISCONNECT
                             "Done.",                  // DISCONNECT
                         }));
}

// The one value of a query's first row, through an attachment of this process.
std::string QueryValue(const std::string& connect, const std::string& sql) {
    TcDBScripter_IB engine;
    engine.ExecuteScript(connect + sql);
    engine.View().First();
    std::string value = engine.View().ValueText(0);
    engine.Close();
    return value;
}

// Output that cannot be written once went unnoticed: exit 0, no message,
// and the run's work committed.
TEST(CliOutput, WriteFailureIsReportedWithTheReasonAndFailsTheRun) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string connect =
        "CONNECT '" + folder.File("w.fdb") + "' USER 'SYSDBA' PASSWORD 'x';\n";
    std::ofstream(folder.File("make.sql"))
        << "CREATE DATABASE '" << folder.File("w.fdb") << "' USER 'SYSDBA' PASSWORD 'x';\n"
        << "create table t (a integer);\n";
    ASSERT_EQ(RunCli("make.sql", folder.Path()).status, cliOk);
    // Few rows stay in the buffer until the end; many fill it in the middle.
    std::ofstream(folder.File("few.sql"))
        << connect << "insert into t values (1);\nselect first 10 rdb$type from rdb$types;\n";
    std::ofstream(folder.File("many.sql"))
        << connect
        << "insert into t values (1);\n"
           "select first 200000 a.rdb$type from rdb$types a, rdb$types b, rdb$types c;\n"
           "ECHO after;\n";
    // The insert's message is still buffered when the COMMIT comes: it must
    // be found unwritable before the commit, not after.
    std::ofstream(folder.File("commit.sql"))
        << connect << "insert into t values (1);\nCOMMIT;\nECHO after;\n";
    const std::string toFile = "Cannot write the output file /dev/full. No space left on device.\n";
    const std::string toStdout = "Cannot write the standard output. No space left on device.\n";
    struct Case {
        const char* name;
        std::string arguments;
        std::string stdoutTarget;
        std::string err;
    } cases[] = {
        {"10 rows, -o /dev/full", "-o /dev/full few.sql", "cli.out", toFile},
        {"200,000 rows, -o /dev/full", "-o /dev/full many.sql", "cli.out", toFile},
        {"10 rows, standard output /dev/full", "few.sql", "/dev/full", toStdout},
        {"200,000 rows, standard output /dev/full", "many.sql", "/dev/full", toStdout},
        {"COMMIT, -o /dev/full", "-o /dev/full commit.sql", "cli.out", toFile},
        {"COMMIT, standard output /dev/full", "commit.sql", "/dev/full", toStdout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome result = RunCli(c.arguments, folder.Path(), c.stdoutTarget);
        EXPECT_EQ(result.status, cliStatementFailed);
        EXPECT_EQ(result.err, c.err);
    }
    // A failed run commits nothing.
    EXPECT_EQ(QueryValue(connect, "select count(*) from t;"), "0");
}

TEST(CliOutput, OutputFileThatCannotBeCreatedNamesTheReason) {
    TcTempDir folder;
    std::ofstream(folder.File("ok.sql")) << "ECHO fine;\n";
    const Outcome result = RunCli("-o none/x.txt ok.sql", folder.Path());
    EXPECT_EQ(result.status, cliCannotOpen);
    EXPECT_EQ(result.err, "Cannot write the output file none/x.txt. No such file or directory.\n");
}

// An output file naming the database once emptied it before anything failed.
TEST(CliOutput, OutputFileThatIsADatabaseIsRefusedAndLeftWhole) {
    TcTempDir folder;
    std::ofstream(folder.File("make.sql"))
        << "CREATE DATABASE 'victim.fdb' USER 'SYSDBA' PASSWORD 'x';\n";
    std::ofstream(folder.File("ok.sql")) << "ECHO fine;\n";
    ASSERT_EQ(RunCli("make.sql", folder.Path()).status, cliOk);
    std::filesystem::create_symlink("victim.fdb", folder.File("link.fdb"));
    const auto size = std::filesystem::file_size(folder.File("victim.fdb"));
    const std::string isTheDatabase = ". It is the database of -d.\n";
    const std::string holdsOne = ". It holds a Firebird database.\n";
    struct Case {
        std::string arguments;
        std::string err;
    } cases[] = {
        {"-d victim.fdb -o victim.fdb ok.sql",
         "Cannot write the output file victim.fdb" + isTheDatabase},
        {"-d victim.fdb -o link.fdb ok.sql",
         "Cannot write the output file link.fdb" + isTheDatabase},
        {"-o victim.fdb ok.sql", "Cannot write the output file victim.fdb" + holdsOne},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome result = RunCli(c.arguments, folder.Path());
        EXPECT_EQ(result.status, cliCannotOpen);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(std::filesystem::file_size(folder.File("victim.fdb")), size);
    }
}

// A commit that fails at the end of the run (here a database trigger
// refuses it) once left no trace of where it happened.
TEST(CliOutput, FailingFinalCommitNamesTheEndOfTheScript) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string connect =
        "CONNECT '" + folder.File("c.fdb") + "' USER 'SYSDBA' PASSWORD 'x';\n";
    std::ofstream(folder.File("make.sql"))
        << "CREATE DATABASE '" << folder.File("c.fdb") << "' USER 'SYSDBA' PASSWORD 'x';\n"
        << "create table t (a integer);\n"
           "create exception no_commit 'Not now.';\n"
           "SET TERM ^;\n"
           "create trigger refuse on transaction commit as begin\n"
           "  if (exists(select * from t)) then exception no_commit; end^\n";
    ASSERT_EQ(RunCli("make.sql", folder.Path()).status, cliOk);
    std::ofstream(folder.File("commit.sql")) << connect << "insert into t values (1);\n\n";
    const Outcome result = RunCli("commit.sql", folder.Path());
    EXPECT_EQ(result.status, cliStatementFailed);
    EXPECT_EQ(result.out, "Done.\n1 row(s) inserted.\n");
    EXPECT_EQ(result.err.rfind("commit.sql:3: COMMIT at the end of the script\n", 0), 0u)
        << result.err;
    EXPECT_NE(result.err.find("Not now."), std::string::npos) << result.err;
    EXPECT_EQ(QueryValue(connect, "select count(*) from t;"), "0");
}

// The -o file was once empty after a kill although a COMMIT had succeeded:
// what stood before the commit is on disk once the commit is done.
TEST(CliOutput, KilledRunLeavesTheOutputUpToTheLastCommit) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string database = folder.File("k.fdb");
    std::ofstream(folder.File("kill.sql"))
        << "CREATE DATABASE '" << database << "' USER 'SYSDBA' PASSWORD 'x';\n"
        << "create table t (a integer);\n"
           "insert into t values (1);\n"
           "COMMIT;\n"
           "insert into t values (2);\n"
           "select count(*) from rdb$types a, rdb$types b, rdb$types c, rdb$types d;\n";
    TcCliChild child({"-o", "out.txt", "kill.sql"}, folder.Path());
    // The wait's limit only guards against a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (ReadFile(folder.File("out.txt")).find("Transaction commit.\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    child.Signal(SIGKILL);
    child.Wait();
    EXPECT_EQ(ReadFile(folder.File("out.txt"))
                  .rfind("Database created.\n"
                         "DDL executed, transaction committed.\n"
                         "1 row(s) inserted.\n"
                         "Transaction commit.\n",
                         0),
              0u);
    EXPECT_EQ(QueryValue("CONNECT '" + database + "' USER 'SYSDBA' PASSWORD 'x';",
                         "select count(*) from t;"),
              "1");
    // And a database that a full validation accepts: it reports nothing.
    const std::string validate =
        "gfix -v -full -user SYSDBA -password x '" + database + "' >gfix.out 2>&1";
    const int raw = std::system(("cd '" + folder.Path() + "' && " + validate).c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << ReadFile(folder.File("gfix.out"));
    EXPECT_EQ(ReadFile(folder.File("gfix.out")), "");
}

}  // namespace

// A reader that stops early (`tessel-cli big.sql | head -2`) once killed the
// run by SIGPIPE: no word, status 141.
TEST(CliOutput, ClosedOutputPipeIsAnOutputErrorAndCommitsNothing) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string connect =
        "CONNECT '" + folder.File("p.fdb") + "' USER 'SYSDBA' PASSWORD 'x';\n";
    std::ofstream(folder.File("make.sql"))
        << "CREATE DATABASE '" << folder.File("p.fdb") << "' USER 'SYSDBA' PASSWORD 'x';\n"
        << "create table t (a integer);\n";
    ASSERT_EQ(RunCli("make.sql", folder.Path()).status, cliOk);
    std::ofstream(folder.File("big.sql"))
        << connect
        << "insert into t values (1);\n"
           "select first 200000 a.rdb$type from rdb$types a, rdb$types b, rdb$types c;\n";
    const std::string command = "cd '" + folder.Path() + "' && { " + TESSEL_CLI +
                                " big.sql 2>cli.err; echo $? >status; } | head -2 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(folder.File("status")), std::to_string(cliStatementFailed) + "\n");
    EXPECT_NE(ReadFile(folder.File("cli.err")).find("Broken pipe"), std::string::npos)
        << ReadFile(folder.File("cli.err"));
    EXPECT_EQ(QueryValue(connect, "select count(*) from t;"), "0");
}

// CREATE DATABASE without USER and PASSWORD takes the login of -u and -p or
// ISC_USER and ISC_PASSWORD, as CONNECT does.
TEST(CliOutput, CreateDatabaseTakesTheLoginOfTheOptionsAndTheEnvironment) {
    Language = TLanguage::English;
    TcTempDir folder;
    struct Case {
        const char* name;
        bool environment;
        const char* options;
    } cases[] = {{"options", false, "-u SYSDBA -p x"}, {"environment", true, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsetenv("ISC_USER");
        unsetenv("ISC_PASSWORD");
        if (c.environment) {
            setenv("ISC_USER", "SYSDBA", 1);
            setenv("ISC_PASSWORD", "x", 1);
        }
        const std::string database = folder.File(std::string(c.name) + ".fdb");
        std::ofstream(folder.File("create.sql")) << "CREATE DATABASE '" << database << "';\n"
                                                 << "select current_user from rdb$database;\n";
        const Outcome result =
            RunCli(std::string(c.options) + " create.sql", folder.Path(), "cli.out");
        unsetenv("ISC_USER");
        unsetenv("ISC_PASSWORD");
        EXPECT_EQ(result.status, cliOk) << result.err;
        EXPECT_NE(result.out.find("SYSDBA"), std::string::npos) << result.out;
    }
}
