// A signal that comes while a commit runs: the script's own COMMIT or the
// commit at the end of the run. The commit is held on the server by a commit
// trigger that waits until the test opens a gate; the signal comes once the
// trigger is known to run. The exit status, standard error and the table
// must then tell the same story: cancelled and rolled back, nothing stored.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"
#include "support/firebird_server.h"

namespace {

// The commit trigger of a transaction that set WAIT notes in `started` (in
// a transaction of its own, so that others see it at once) that it runs,
// then waits until `gate` holds a row; each look is a transaction of its
// own, so it sees the gate opened by another attachment.
const char* const kSchema =
    "create table t (a integer);\n"
    "create table started (a integer);\n"
    "create table gate (a integer);\n"
    "commit;\n"
    "set term ^;\n"
    "create trigger wait_at_commit on transaction commit as\n"
    "declare opened integer = 0;\n"
    "begin\n"
    "  if (rdb$get_context('USER_TRANSACTION', 'WAIT') = '1') then\n"
    "  begin\n"
    "    in autonomous transaction do insert into started values (1);\n"
    "    while (opened = 0) do\n"
    "      in autonomous transaction do select count(*) from gate into :opened;\n"
    "  end\n"
    "end^\n"
    "set term ;^\n";

class CliCommitSignals : public FirebirdServerTest {
  protected:
    void SetUp() override {
        FirebirdServerTest::SetUp();
        Language = TLanguage::English;
        name_ = Server().ConnectName(folder_.File("commit.fdb"));
        login_ = " USER 'SYSDBA' PASSWORD '" + Server().SysdbaPassword() + "'";
        TcDBScripter_IB creator;
        creator.ExecuteScript("CREATE DATABASE '" + name_ + "'" + login_ + ";\n" + kSchema);
        creator.Close();
    }
    // Whatever a test's outcome, the trigger stops waiting: the server is
    // shared with the tests after this one.
    void TearDown() override { Count("insert into gate values (1); commit;"); }

    // A script that connects, stores a row and asks its commit to wait;
    // `ending` follows (an explicit COMMIT, or nothing).
    void WriteScript(const std::string& ending) {
        std::ofstream(folder_.File("commit.sql"))
            << "CONNECT '" << name_ << "'" << login_ << ";\n"
            << "insert into t values (1);\n"
            << "select rdb$set_context('USER_TRANSACTION', 'WAIT', '1') from rdb$database;\n"
            << ending;
    }

    // Runs the statements through isql-fb, a client this program does not
    // share code with, and returns the count the last one selects; -1 when
    // isql failed.
    int Count(const std::string& statements) {
        std::ofstream(folder_.File("check.sql"))
            << "set list on;\nconnect '" << name_ << "' user 'SYSDBA' password '"
            << Server().SysdbaPassword() << "';\n"
            << statements << "\n";
        const std::string command =
            "cd '" + folder_.Path() + "' && isql-fb -q -i check.sql >check.out 2>&1";
        if (std::system(command.c_str()) != 0) return -1;
        const std::string out = ReadFile(folder_.File("check.out"));
        const size_t at = out.rfind("COUNT");
        return at == std::string::npos ? -1 : std::stoi(out.substr(at + 5));
    }

    // Starts the script, waits until its commit trigger runs, then sends the
    // signal; the gate stays shut until the child has ended.
    TcCliChild::TEnd SignalWhileCommitting(int signal, TcCliChild& child) {
        EXPECT_TRUE(WaitUntil([&] { return Count("select count(*) from started;") == 1; }))
            << child.Errors();
        child.Signal(signal);
        return child.Wait();
    }

    TcTempDir folder_;
    std::string name_;
    std::string login_;
};

struct TCommitCase {
    const char* Name;
    std::string Ending;  // what the script ends with
    int Signal;
    std::string Said;  // standard error
};

TEST_F(CliCommitSignals, SignalCancelsTheCommitAndRollsBack) {
    const TCommitCase cases[] = {
        {"explicit COMMIT, SIGINT", "commit;\n", SIGINT,
         "commit.sql:4: commit\nCancelled.\nTransaction rolled back.\n"},
        {"explicit COMMIT, SIGTERM", "commit;\n", SIGTERM,
         "commit.sql:4: commit\nCancelled.\nTransaction rolled back.\n"},
        {"final commit, SIGINT", "", SIGINT,
         "commit.sql:3: COMMIT at the end of the script\nCancelled.\nTransaction rolled back.\n"},
        {"final commit, SIGTERM", "", SIGTERM,
         "commit.sql:3: COMMIT at the end of the script\nCancelled.\nTransaction rolled back.\n"},
    };
    for (const TCommitCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(Count("delete from started; delete from t; commit; select count(*) from t;"), 0);
        WriteScript(c.Ending);
        TcCliChild child({"commit.sql"}, folder_.Path());
        const TcCliChild::TEnd end = SignalWhileCommitting(c.Signal, child);
        ASSERT_TRUE(end.Ended) << "the signal did not end the commit";
        EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
        EXPECT_EQ(end.Status, 128 + c.Signal);
        EXPECT_EQ(child.Errors(), c.Said);
        // Opened only now: a commit still alive on the server, its client
        // gone, would finish and store the row before its attachment ends.
        Count("insert into gate values (1); commit;");
        EXPECT_TRUE(WaitUntil([&] {
            return Count(
                       "select count(*) from mon$attachments "
                       "where mon$remote_process containing 'tessel-cli';") == 0;
        }));
        EXPECT_EQ(Count("select count(*) from t;"), 0);
        Count("delete from gate; commit; select count(*) from gate;");
    }
}

}  // namespace
