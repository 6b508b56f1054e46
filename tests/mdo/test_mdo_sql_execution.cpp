// TMDOSQL execution paths beyond a plain select: the procedure call with its
// second try, automatic commits, and what the statement reports to the trace
// hook, in order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mdo/mdo_errors.h"
#include "mdo/sql_monitor_hook.h"
#include "sql_fixture.h"
#include "support/expect_error.h"

namespace {

class SqlExecution : public SqlComponent {
  protected:
    void SetUp() override {
        SqlComponent::SetUp();
        Exec("create exception first_try 'first try fails'");
        Exec("create generator g");
        // Fails on its first call only: the second try of the same call
        // succeeds and shows which call it was.
        Exec(
            "create procedure once returns (r integer) as begin r = gen_id(g, 1); "
            "if (r = 1) then exception first_try; end");
        Exec(
            "create procedure always returns (r integer) as begin r = gen_id(g, 1); "
            "exception first_try; end");
        Exec("create procedure twice (a integer) returns (r integer) as begin r = a * 2; end");
        Exec("create table t (a integer)");
    }
    int64_t Generator() {
        TMDOSQL value(&database);
        value.SetSQLText("select gen_id(g, 0) from rdb$database");
        value.ExecQuery();
        return value.Fields(0).AsInt64();
    }
};

TEST_F(SqlExecution, ProcedureResultWithoutCursor) {
    sql.SetSQLText("execute procedure twice :a");
    sql.Params().VarNamed("A").SetAsInteger(21);
    sql.ExecQuery();
    EXPECT_EQ(sql.StatementType(), SQLExecProcedure);
    EXPECT_FALSE(sql.Open());
    EXPECT_EQ(sql.FieldNamed("R").AsInteger(), 42);
}

TEST_F(SqlExecution, FailedProcedureCallIsTriedOnceMore) {
    Run("execute procedure once");
    EXPECT_EQ(sql.FieldNamed("R").AsInteger(), 2) << "the second call's result";
    EXPECT_EQ(Generator(), 2);
}

TEST_F(SqlExecution, SecondFailureIsRaised) {
    sql.SetSQLText("execute procedure always");
    EXPECT_RAISES_CONTAINING(EMDOFirebirdError, sql.ExecQuery(), "first try fails");
    EXPECT_EQ(Generator(), 2) << "called twice";
}

TEST_F(SqlExecution, AutoCommitCommitsRetainingAfterChanges) {
    transaction.AutoCommit = true;
    Run("insert into t values (1)");
    EXPECT_TRUE(transaction.Active()) << "committed retaining";
    isc_db_handle other = Attach(path, UserParams("SYSDBA"));
    EXPECT_EQ(QueryInteger(other, "select cast(count(*) as integer) from t"), 1)
        << "visible elsewhere";
    Run("select a from t");
    Run("insert into t values (2)");
    EXPECT_EQ(QueryInteger(other, "select cast(count(*) as integer) from t"), 2);
    Detach(other);
}

TEST_F(SqlExecution, WithoutAutoCommitChangesStayInTheTransaction) {
    Run("insert into t values (1)");
    isc_db_handle other = Attach(path, UserParams("SYSDBA"));
    EXPECT_EQ(QueryInteger(other, "select cast(count(*) as integer) from t"), 0);
    transaction.Commit();
    EXPECT_EQ(QueryInteger(other, "select cast(count(*) as integer) from t"), 1);
    Detach(other);
}

// The statement's reports to the trace hook, by name.
class RecordingMonitor : public IIBSQLMonitorHook {
  public:
    RecordingMonitor() : scope_(MonitorHookSlot(), this) {}
    void SQLPrepare(TMDOSQL&) override { Events.push_back("prepare"); }
    void SQLExecute(TMDOSQL&) override { Events.push_back("execute"); }
    void SQLFetch(TMDOSQL&) override { Events.push_back("fetch"); }
    std::vector<std::string> Events;

  private:
    TcScopedValue<IIBSQLMonitorHook*> scope_;
};

TEST_F(SqlExecution, TraceHookHearsPrepareFetchAndExecuteInOrder) {
    Exec("insert into t values (1)");
    Exec("insert into t values (2)");
    RecordingMonitor monitor;
    Run("select a from t");
    while (sql.Next() != nullptr) {
    }
    // The first row is fetched inside the execute, before it is reported;
    // the end of the data is no fetch.
    EXPECT_EQ(monitor.Events, (std::vector<std::string>{"prepare", "fetch", "execute", "fetch"}));
    monitor.Events.clear();
    sql.Close();
    sql.ExecQuery();
    EXPECT_EQ(monitor.Events, (std::vector<std::string>{"fetch", "execute"})) << "prepared once";
}

TEST_F(SqlExecution, PositionalMarkersNeedAutoNames) {
    sql.SetSQLText("select a from t where a = ?");
    EXPECT_RAISES(EMDOClientError, sql.Prepare(),
                  "SQL Parse Error:\r\n\r\nParameter name expected");
    sql.AutoNameParams = true;
    sql.Prepare();
    EXPECT_EQ(sql.Params()[0].Name(), "MDOPARAM0");
    sql.ParamCheck = false;
    sql.SetSQLText("select ':x' from t where a = ?");
    EXPECT_EQ(sql.Params().Count(), 0) << "sent unchanged, nothing described";
    EXPECT_EQ(sql.ProcessedSQL(), "select ':x' from t where a = ?\r\n");
}

}  // namespace
