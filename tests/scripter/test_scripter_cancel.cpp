// Stopping a running statement from another thread: the statement fails with
// "Cancelled.", the database is as it was before it, and the engine goes on.

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "running_statement.h"
#include "scripter/insert_cache.h"
#include "scripter_fixture.h"
#include "support/expect_error.h"

namespace {

// A cross join of the type catalogue with itself four times: minutes of work,
// so that only a cancel ends it.
const char* const kLongJoin = "rdb$types a, rdb$types b, rdb$types c, rdb$types d";

class Cancel : public EmbeddedScripter {
  protected:
    // Runs the script on a thread of its own, cancels its statement once it
    // runs on the server, and returns the error it ended with ("" for none).
    std::string RunAndCancel(const std::string& script) {
        std::future<std::string> run = std::async(std::launch::async, [this, script] {
            try {
                engine->ExecuteScript(script);
            } catch (const std::exception& error) {
                return std::string(error.what());
            }
            return std::string();
        });
        const bool running = WaitForRunningStatement(DatabasePath());
        engine->CancelRunningStatement();
        const std::string error = run.get();
        EXPECT_TRUE(running) << "the statement never ran";
        return error;
    }
    std::string Value(const std::string& query) {
        engine->ExecuteScript(query);
        engine->View().First();
        return engine->View().ValueText(0);
    }
};

TEST_F(Cancel, LongQueryEndsWithCancelledAndTheEngineGoesOn) {
    Run("create table t (a integer);");
    EXPECT_EQ(RunAndCancel(std::string("select count(*) from ") + kLongJoin + ";"), "Cancelled.");
    EXPECT_EQ(engine->ErrorLine, 1);
    EXPECT_EQ(Value("select count(*) from t;"), "0");
    EXPECT_TRUE(engine->Connected());
}

// A cancelled statement leaves the database as before it, under both
// transaction models: the explicit one rolls its own transaction back, the
// implicit one keeps the transaction with what came before the statement.
struct ModelCase {
    const char* name;
    TStartTransactionModel model;
    bool inTransactionAfter;
};

void PrintTo(const ModelCase& c, std::ostream* out) {
    *out << c.name;
}

class CancelUnderModel : public Cancel, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(CancelUnderModel, CancelledInsertLeavesTheTableAsBefore) {
    Run("create table t (a integer);");
    engine->StartTransactionModel = GetParam().model;
    Run("insert into t values (1);");
    EXPECT_EQ(RunAndCancel(std::string("insert into t select a.rdb$type from ") + kLongJoin + ";"),
              "Cancelled.");
    EXPECT_EQ(engine->InTransaction(), GetParam().inTransactionAfter);
    EXPECT_EQ(Value("select count(*) from t;"), "1");
}

// A prepared INSERT from the cache is as cancellable as any statement: a
// trigger that runs for minutes is stopped, and its row is not in.
TEST_F(Cancel, CachedInsertIsCancelledAndLeavesNothing) {
    Run("create table t (a integer);");
    Run("SET TERM ^ ; create trigger t_bi for t before insert as declare i bigint = 0; begin "
        "if (new.a = 2) then while (i < 2000000000) do i = i + 1; end^ SET TERM ; ^");
    // The console's model: prepared shapes last until the transaction ends.
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    Run("insert into t values (1);");
    const int64_t prepares = engine->InsertCache().Prepares();
    EXPECT_EQ(RunAndCancel("insert into t values (2);"), "Cancelled.");
    EXPECT_EQ(engine->InsertCache().Prepares(), prepares) << "the INSERT came from the cache";
    Run("insert into t values (3); commit;");
    EXPECT_EQ(Value("select count(*) || ':' || sum(a) from t;"), "2:4");
}

// SET SUPPRESS_ERROR turns failures into messages, but a cancel still stops
// the run: the statement after it does not run.
TEST_F(Cancel, SuppressErrorDoesNotSwallowACancel) {
    Run("create table t (a integer); SET SUPPRESS_ERROR ON;");
    EXPECT_EQ(RunAndCancel(std::string("select count(*) from ") + kLongJoin +
                           "; insert into t values (1);"),
              "Cancelled.");
    EXPECT_EQ(Value("select count(*) from t;"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    EmbeddedDatabase, CancelUnderModel,
    ::testing::Values(ModelCase{"Explicit", TStartTransactionModel::Explicit, false},
                      ModelCase{"Implicit", TStartTransactionModel::Implicit, true}),
    [](const ::testing::TestParamInfo<ModelCase>& info) { return info.param.name; });

// Cancels from another thread while the records question holds the fetch:
// the next fetch fails.
class CancellingOwner : public IOwnerWindow {
  public:
    explicit CancellingOwner(TcDBBaseScripter& engine) : engine_(engine) {}
    bool AskYesNo(const std::string&, const std::string&) override {
        std::thread([this] { engine_.CancelRunningStatement(); }).join();
        ++Asked;
        return true;
    }
    int Asked = 0;

  private:
    TcDBBaseScripter& engine_;
};

TEST_F(Cancel, FetchingRowsCanBeCancelled) {
    CancellingOwner owner(*engine);
    engine->OwnerWindow = &owner;
    engine->WarnOnRecordsReturned = 1000;
    EXPECT_RAISES_EXACTLY(EStatementCancelled,
                          engine->ExecuteScript("select a.rdb$type from rdb$types a, rdb$types b;"),
                          "Cancelled.");
    engine->OwnerWindow = nullptr;
    EXPECT_EQ(owner.Asked, 1);
    EXPECT_EQ(Value("select count(*) from rdb$database;"), "1");
}

// With nothing running a cancel does nothing, and leaves nothing behind that
// could stop the next statement: not connected, connected but idle, between
// the statements of a transaction, and after the disconnect.
TEST_F(Cancel, CancelWithNothingRunningIsHarmless) {
    TcDBBaseScripter& base = *engine;
    Run("create table t (a integer); insert into t values (1);");
    base.CancelRunningStatement();
    EXPECT_EQ(Value("select count(*) from t;"), "1");
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    Run("insert into t values (2);");
    ASSERT_TRUE(engine->InTransaction());
    engine->CancelRunningStatement();
    engine->CancelRunningStatement();
    Run("insert into t values (3); COMMIT;");
    EXPECT_EQ(Value("select count(*) from t;"), "3");
    Run("DISCONNECT;");
    engine->CancelRunningStatement();
    Run("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'masterkey';");
    EXPECT_EQ(Value("select count(*) from t;"), "3");
    engine->Close();
    engine->CancelRunningStatement();
}

// Cancels without pause from another thread while the engine connects, runs
// statements, commits and disconnects: every statement either succeeds or
// ends as cancelled, nothing else fails, and once the cancels stop the
// engine runs statements as before. (The sanitizer build checks the memory
// and the lock use of the handle on the way.)
TEST_F(Cancel, CancelAtAnyMomentOnlyEverCancelsAStatement) {
    Run("create table t (a integer);");
    std::atomic<bool> stop{false};
    std::thread canceller([&] {
        while (!stop.load()) {
            engine->CancelRunningStatement();
            std::this_thread::yield();
        }
    });
    const std::string connect =
        "CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'masterkey';";
    std::vector<std::string> failures;
    for (int round = 0; round < 20; ++round) {
        for (const std::string& statement :
             {std::string("DISCONNECT;"), connect, std::string("insert into t values (1);"),
              std::string("select count(*) from rdb$types a, rdb$types b;"),
              std::string("COMMIT;")}) {
            try {
                engine->ExecuteScript(statement);
            } catch (const EStatementCancelled&) {
            } catch (const std::exception& error) {
                failures.push_back(statement + " -> " + error.what());
            }
        }
    }
    stop = true;
    canceller.join();
    EXPECT_THAT(failures, ::testing::IsEmpty());
    EXPECT_EQ(Value("select count(*) from rdb$database;"), "1");
}

}  // namespace
