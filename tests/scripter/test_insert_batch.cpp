// Runs of INSERTs of one shape sent to a server as one EXECUTE BLOCK: only
// to a server, cancellable as a whole, and undone beyond the statements
// reported when the run is stopped between two of them.

#include <gmock/gmock.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "running_statement.h"
#include "scripter/insert_cache.h"
#include "scripter_fixture.h"
#include "support/firebird_server.h"

namespace {

class InsertBatch : public FirebirdServerTest {
  protected:
    void SetUp() override {
        FirebirdServerTest::SetUp();
        Language = TLanguage::English;
        engine.StartTransactionModel = TStartTransactionModel::Implicit;
        engine.ExecuteScript("CREATE DATABASE '" + Name() + "' USER 'SYSDBA' PASSWORD '" +
                             Server().SysdbaPassword() + "';");
    }
    void TearDown() override { engine.Close(); }
    std::string Name() { return Server().ConnectName(folder.File("batch.fdb")); }
    std::string Value(const std::string& query) {
        engine.ExecuteScript(query);
        engine.View().First();
        return engine.View().ValueText(0);
    }
    // INSERT statements of one shape for the keys first..last.
    static std::string Inserts(int first, int last) {
        std::string script;
        for (int i = first; i <= last; ++i)
            script += "insert into t values (" + std::to_string(i) + ", 'n" + std::to_string(i) +
                      "', " + std::to_string(i) + ".25);\n";
        return script;
    }
    TcTempDir folder;
    TcDBScripter_IB engine;
};

TEST_F(InsertBatch, RunsOfOneShapeGoAsBlocksOfAtMostAHundred) {
    engine.ExecuteScript(
        "create table t (id integer not null primary key, name varchar(10), q numeric(9,2));"
        "commit;");
    int reported = 0;
    engine.OnAfterStatement = [&](TObject*, const std::string&, bool&) {
        if (engine.LastMessage == "1 row(s) inserted.") ++reported;
    };
    // The first statement starts the transaction and runs alone; the 249
    // after it go as blocks of 100, 100 and 49.
    engine.ExecuteScript(Inserts(1, 250) + "select count(*) from t;");
    const TcInsertBatch& batch = engine.InsertCache().Batch();
    EXPECT_EQ(batch.Blocks(), 3);
    EXPECT_EQ(batch.Rows(), 249);
    EXPECT_EQ(reported, 250) << "every statement reports its row";
    EXPECT_EQ(Value("select count(*) || ':' || sum(q) from t;"), "250:31437.50");
}

TEST_F(InsertBatch, AFailedBlockRunsItsStatementsOneByOne) {
    engine.ExecuteScript(
        "create table t (id integer not null primary key, name varchar(10), q numeric(9,2));"
        "commit; insert into t values (0, 'z', 0);");
    engine.SuppressError = true;
    std::vector<std::string> messages;
    engine.OnAfterStatement = [&](TObject*, const std::string&, bool&) {
        messages.push_back(engine.LastMessage);
    };
    engine.ExecuteScript(Inserts(1, 2) + Inserts(1, 1) + Inserts(3, 4));
    EXPECT_EQ(engine.InsertCache().Batch().Blocks(), 0);
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[1], "1 row(s) inserted.");
    EXPECT_THAT(messages[2], ::testing::HasSubstr("violation of PRIMARY or UNIQUE KEY"));
    EXPECT_EQ(messages[4], "1 row(s) inserted.");
    EXPECT_EQ(Value("select count(*) || ':' || sum(id) from t;"), "5:10");
}

// A run stopped between two of its statements (the terminal's Ctrl-C is
// noticed there) keeps exactly the statements reported before the stop.
TEST_F(InsertBatch, StopBetweenStatementsKeepsOnlyThoseReported) {
    engine.ExecuteScript(
        "create table t (id integer not null primary key, name varchar(10), q numeric(9,2));"
        "commit; insert into t values (0, 'z', 0);");
    int seen = 0;
    engine.OnBeforeStatement = [&](TcDBBaseScripter&, std::string&, bool&) {
        if (++seen == 4) RaiseUser("Interrupted.");
    };
    EXPECT_THROW(engine.ExecuteScript(Inserts(1, 10)), EUser);
    engine.OnBeforeStatement = nullptr;
    EXPECT_EQ(engine.InsertCache().Batch().Blocks(), 1) << "the run went as one block";
    EXPECT_EQ(engine.ErrorLine, 4);
    EXPECT_TRUE(engine.InTransaction());
    EXPECT_EQ(Value("select count(*) || ':' || sum(id) from t;"), "4:6");
}

// A cancel (Ctrl-C, SIGTERM, the window's Cancel) stops the block while it
// runs: the run ends with "Cancelled." at its first statement, and nothing
// of it is in.
TEST_F(InsertBatch, CancelStopsTheBlockAndLeavesNothingOfIt) {
    engine.ExecuteScript(
        "SET TERM ^ ; create function slow(a integer) returns integer as declare i bigint = 0; "
        "begin if (a = 3) then while (i < 1000000000) do i = i + 1; return 1; end^ SET TERM ; ^"
        "create table t (id integer not null primary key check (slow(id) = 1),"
        " name varchar(10), q numeric(9,2)); commit;"
        "insert into t values (0, 'z', 0);");
    std::future<std::string> run = std::async(std::launch::async, [this] {
        try {
            engine.ExecuteScript(Inserts(1, 5));
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::string();
    });
    bool running = false;
    try {
        running = WaitForRunningStatement(Name(), Server().SysdbaPassword(), "EXECUTE BLOCK");
    } catch (...) {
        engine.CancelRunningStatement();
        throw;
    }
    engine.CancelRunningStatement();
    EXPECT_EQ(run.get(), "Cancelled.");
    EXPECT_TRUE(running) << "the block never ran";
    EXPECT_EQ(engine.ErrorLine, 1);
    EXPECT_TRUE(engine.Connected());
    EXPECT_EQ(Value("select count(*) from t;"), "1");
}

// The embedded engine has no round trips to save: one statement at a time.
TEST(InsertBatchEmbedded, NoBlocksWithoutAServer) {
    Language = TLanguage::English;
    TcTempDir folder;
    TcDBScripter_IB engine;
    engine.StartTransactionModel = TStartTransactionModel::Implicit;
    engine.ExecuteScript("CREATE DATABASE '" + folder.File("local.fdb") +
                         "' USER 'SYSDBA' PASSWORD 'masterkey';"
                         "create table t (id integer); commit;"
                         "insert into t values (1); insert into t values (2);"
                         "insert into t values (3);");
    EXPECT_EQ(engine.InsertCache().Batch().Blocks(), 0);
    EXPECT_EQ(engine.InsertCache().Hits(), 3) << "each statement ran from the cache";
    engine.Close();
}

}  // namespace
