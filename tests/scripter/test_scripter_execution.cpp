// The Firebird scripter against the embedded engine: statement types and
// their messages, the transaction models, plans, statistics, the records
// question and server errors.

#include "mdo/client_library.h"
#include "scripter_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class Execution : public EmbeddedScripter {
  protected:
    void SetUp() override {
        EmbeddedScripter::SetUp();
        Run("create table t (id integer not null primary key, name varchar(20));"
            "create generator g;"
            "SET TERM ^ ;"
            "create procedure nothing as begin end^"
            "create procedure out_param returns (x integer) as begin x = 8; end^"
            "SET TERM ; ^"
            "commit;");
    }
    int64_t Count(const std::string& table) {
        TcInternalExecution internal(*engine);
        engine->ExecuteStatement("select count(*) from " + table);
        engine->View().First();
        return std::stoll(engine->View().ValueText(0));
    }
};

TEST_F(Execution, StatementTypesAndTheirMessages) {
    struct Case {
        const char* statement;
        const char* message;
    } cases[] = {
        {"insert into t values (1, 'a')", "1 row(s) inserted."},
        {"insert into t select id + 10, name from t union all select 20, 'b' from rdb$database "
         "union all select 21, 'c' from rdb$database",
         "3 row(s) inserted."},
        {"update t set name = 'z' where id > 100", "0 row(s) updated."},
        {"update t set name = 'y' where id >= 20", "2 row(s) updated."},
        {"delete from t where id = 21", "1 row(s) deleted."},
        {"select * from t where id = 1", ""},
        {"select * from t where id < 0", "No records returned."},
        {"select * from t where id = 1 for update", ""},
        {"execute procedure nothing", "No records returned."},
        {"execute procedure out_param", ""},
        {"create table u (a integer)", "DDL executed, transaction committed."},
        {"set generator g to 5", "Generator set."},
        {"savepoint s1", "Savepoint set."},
        {"commit retain", "Transaction committed."},
        {"rollback retain", "Transaction rolled back."},
        {"execute block as begin end", "No records returned."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Message(std::string(c.statement) + ";"), c.message) << c.statement;
}

TEST_F(Execution, RecordCountMessages) {
    Run("insert into t values (1, 'a'); insert into t values (2, 'b');");
    engine->ShowRecordCount = true;
    EXPECT_EQ(Message("select * from rdb$database;"), "Returned 1 record.");
    EXPECT_EQ(Message("select * from t;"), "Returned 2 records.");
    EXPECT_EQ(Message("select * from t where id < 0;"), "No records returned.");
    EXPECT_EQ(Message("select * from t for update;"), "Returned 2 records.");
    EXPECT_EQ(Message("select * from t where id < 0 for update;"), "Returned 0 records.");
    EXPECT_EQ(Message("execute procedure out_param;"), "Returned 1 record.");
    EXPECT_EQ(engine->RecordCount, 1);
    engine->ShowRecordCount = false;
    EXPECT_EQ(Message("select * from rdb$database;"), "");
}

TEST_F(Execution, ProcedureOutputIsShownAsOneRow) {
    EXPECT_EQ(Run("execute procedure out_param;"), (Lines{"        X", "=========", "        8 "}));
}

TEST_F(Execution, OutputOfAQuery) {
    Run("insert into t values (7, 'seven'); insert into t values (8, null);");
    engine->Echo = true;
    EXPECT_EQ(Run("select id, name as \"Name\" from t order by id;"),
              (Lines{"select id, name as \"Name\" from t order by id", "       ID Name",
                     "========= ======", "        7 seven  ", "        8 <NULL> "}));
}

struct ModelCase {
    const char* name;
    TStartTransactionModel model;
    bool autoDDL;
    bool tableVisibleToOthersBeforeCommit;
    bool inTransactionAfterDDL;
};

class TransactionModels : public Execution, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(TransactionModels, DDLAndInsertsUnderEachModel) {
    const ModelCase& c = GetParam();
    engine->StartTransactionModel = c.model;
    engine->AutoDDL = c.autoDDL;
    Run("insert into t values (1, 'before');");
    const std::string message = Message("create table v (a integer);");
    EXPECT_EQ(message, c.autoDDL ? "DDL executed, transaction committed." : "");
    EXPECT_EQ(engine->InTransaction(), c.inTransactionAfterDDL);

    // A second attachment sees what has been committed.
    TcDBScripter_IB other;
    other.ExecuteScript("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'x';");
    other.ExecuteStatement("select count(*) from rdb$relations where rdb$relation_name = 'V'");
    other.View().First();
    EXPECT_EQ(other.View().ValueText(0), c.tableVisibleToOthersBeforeCommit ? "1" : "0");
    other.ExecuteStatement("select count(*) from t");
    other.View().First();
    // The insert before the DDL is committed with it (or at once in the explicit model).
    const bool insertCommitted = c.autoDDL || c.model == TStartTransactionModel::Explicit;
    EXPECT_EQ(other.View().ValueText(0), insertCommitted ? "1" : "0");
    Run("commit;");
    other.ExecuteStatement("commit");
    other.ExecuteStatement("select count(*) from rdb$relations where rdb$relation_name = 'V'");
    other.View().First();
    EXPECT_EQ(other.View().ValueText(0), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransactionModels,
    ::testing::Values(
        ModelCase{"implicit_autoddl", TStartTransactionModel::Implicit, true, true, false},
        ModelCase{"implicit_no_autoddl", TStartTransactionModel::Implicit, false, false, true},
        ModelCase{"explicit_autoddl", TStartTransactionModel::Explicit, true, true, false},
        ModelCase{"explicit_no_autoddl", TStartTransactionModel::Explicit, false, true, false}),
    [](const ::testing::TestParamInfo<ModelCase>& info) { return std::string(info.param.name); });

TEST_F(Execution, FailingStatementRollsBackUnderTheExplicitModel) {
    engine->StartTransactionModel = TStartTransactionModel::Explicit;
    engine->SuppressError = true;
    Run("insert into t values (1, 'a'); insert into t values (1, 'duplicate'); insert into t "
        "values (2, 'b');");
    EXPECT_FALSE(engine->InTransaction());
    EXPECT_EQ(Count("t"), 2);
}

// The commit after a DDL statement belongs to the statement: its failure is
// the statement's, suppressed like any other, and the transaction ends as it
// really does (rolled back), so the script goes on with a working one.
TEST_F(Execution, FailingAutomaticCommitIsTheStatementsFailure) {
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    Run("create table dup (a integer); insert into dup values (1); insert into dup values (1);"
        "commit;");
    for (const bool suppress : {true, false}) {
        SCOPED_TRACE(suppress ? "suppressed" : "not suppressed");
        engine->SuppressError = suppress;
        std::string error;
        try {
            Run("create unique index ix on dup (a);");
        } catch (const EUser& e) {
            error = e.what();
        }
        const std::string shown = suppress ? engine->LastMessage : error;
        EXPECT_NE(shown.find("duplicate value"), std::string::npos) << shown;
        EXPECT_EQ(error.empty(), suppress);
        EXPECT_FALSE(engine->InTransaction());
        // The next statement gets a transaction of its own that commits.
        Run("insert into t values (" + std::string(suppress ? "1" : "2") + ", 'after'); commit;");
        EXPECT_FALSE(engine->InTransaction());
    }
    EXPECT_EQ(Count("t"), 2);
    EXPECT_EQ(Count("rdb$indices where rdb$index_name = 'IX'"), 0);
}

// A handle adopted from elsewhere: statements run on that attachment in
// that transaction, never on a statement handle of the engine's own.
TEST_F(Execution, AdoptedAttachmentAndTransactionRunStatements) {
    Run("insert into t values (1, 'own'); commit;");  // the own attachment has a statement
    TcDBScripter_IB other;
    other.SetDatabaseName(DatabasePath());
    other.UserName = "SYSDBA";
    other.Password = "masterkey";
    other.Connect();
    other.StartTransaction();

    isc_db_handle own = engine->DatabaseHandle();
    engine->AttachConnection(
        DatabasePath(), reinterpret_cast<void*>(static_cast<uintptr_t>(other.DatabaseHandle())));
    engine->AttachTransaction(
        reinterpret_cast<void*>(static_cast<uintptr_t>(other.TransactionHandle())));
    engine->NoAutoTransaction = true;  // run in the adopted transaction as it is
    Run("insert into t values (2, 'adopted');");
    engine->NoAutoTransaction = false;
    EXPECT_EQ(engine->LastMessage, "1 row(s) inserted.");

    // The row is in the other engine's uncommitted transaction and nowhere else.
    {
        TcInternalExecution internal(other);
        other.ExecuteStatement("select count(*) from t");
        other.View().First();
        EXPECT_EQ(other.View().ValueText(0), "2");
    }
    other.Rollback();
    ISC_STATUS status[20] = {};
    ClientApi.isc_detach_database(status, &own);
    EXPECT_EQ(status[1], 0);
}

TEST_F(Execution, PlanOnAndOnly) {
    Run("insert into t values (1, 'a');");
    engine->PlanMode = TPlanMode::On;
    Lines lines = Run("select * from t where id = 1;");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "PLAN (T INDEX (RDB$PRIMARY1))");
    EXPECT_EQ(lines.size(), 4u);  // plan, two header lines, one row

    engine->PlanMode = TPlanMode::Only;
    lines = Run("delete from t where id = 1;");
    EXPECT_EQ(lines, (Lines{"PLAN (T INDEX (RDB$PRIMARY1))"}));  // no message either
    engine->PlanMode = TPlanMode::Off;
    EXPECT_EQ(Count("t"), 1) << "a statement under SET PLAN ONLY is never executed";
    EXPECT_EQ(engine->PlanText, "");
}

TEST_F(Execution, StatisticsText) {
    engine->StatisticsDisplay = true;
    Run("create table w (a integer);");
    const std::string& text = engine->StatisticsText;
    EXPECT_EQ(text.rfind("\r\nRecords returned: 0 \r\nElapsed time: ", 0), 0u) << text;
    for (const char* label : {"Reads from memory buffer: ", "Writes to memory buffer: ",
                              "Page reads: ", "Page writes: ", "Delta Server memory: "})
        EXPECT_NE(text.find(std::string("\r\n") + label), std::string::npos) << label;
    const Lines lines = Run("select * from rdb$database;");
    // Header, separator, the row, then an empty line that opens the statistics.
    ASSERT_GE(lines.size(), 11u);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Records returned: 1 ");
    engine->StatisticsDisplay = false;
    Run("select * from rdb$database;");
    EXPECT_EQ(engine->StatisticsText, "");
}

TEST_F(Execution, RecordsQuestionAtTheWarningCount) {
    Run("insert into t select first 5 rdb$relation_id, 'x' from rdb$relations;");
    TcScriptedOwner owner;
    engine->OwnerWindow = &owner;
    engine->ShowRecordCount = true;
    engine->WarnOnRecordsReturned = 2;

    owner.Answer = false;
    EXPECT_EQ(Message("select * from t;"), "Returned 2 records.");
    EXPECT_EQ(owner.Questions, (Lines{"Warning|Returned 2 records, continue?"}));
    EXPECT_EQ(engine->RecordCount, 2);

    owner.Answer = true;
    owner.Questions.clear();
    EXPECT_EQ(Message("select * from t;"), "Returned 5 records.");
    EXPECT_EQ(owner.Questions.size(), 1u);

    for (int warn : {0, -1}) {
        owner.Questions.clear();
        engine->WarnOnRecordsReturned = warn;
        EXPECT_EQ(Message("select * from t;"), "Returned 5 records.");
        EXPECT_TRUE(owner.Questions.empty());
    }
    engine->WarnOnRecordsReturned = 2;
    engine->OwnerWindow = nullptr;
    EXPECT_EQ(Message("select * from t;"), "Returned 5 records.");
}

TEST_F(Execution, ServerErrorsAreUserErrorsWithTheServersLines) {
    try {
        Run("selec 1 from rdb$database;");
        FAIL() << "no error";
    } catch (const EUser& e) {
        EXPECT_STREQ(e.what(),
                     "Dynamic SQL Error\r\nSQL error code = -104\r\nToken unknown - line 1, "
                     "column 1\r\nselec.");
    }
    try {
        Run("insert into t values (1, 'a'); insert into t values (1, 'b');");
        FAIL() << "no error";
    } catch (const EUser& e) {
        EXPECT_EQ(std::string(e.what()).rfind("violation of PRIMARY or UNIQUE KEY constraint", 0),
                  0u)
            << e.what();
    }
}

// A client may report a dead server with a general network error first and
// the lost socket in a later cluster; the engine must still let the
// attachment go.
TEST_F(Execution, LostConnectionBehindAGeneralErrorDisconnects) {
    ASSERT_TRUE(engine->Connected());
    static const char kHost[] = "localhost";
    const ISC_STATUS vector[] = {
        isc_arg_gds, isc_network_error, isc_arg_string, reinterpret_cast<ISC_STATUS>(kHost),
        isc_arg_gds, isc_net_read_err,  isc_arg_end};
    std::copy(std::begin(vector), std::end(vector), engine->StatusVector);
    try {
        engine->CheckStatus();
        FAIL() << "no error";
    } catch (const EUser& e) {
        EXPECT_STREQ(e.what(),
                     "Unable to complete network request to host \"localhost\".\r\n"
                     "Error reading data from the connection.");
    }
    EXPECT_FALSE(engine->Connected());
    EXPECT_EQ(engine->DatabaseHandle(), 0u);
    EXPECT_EQ(engine->ClientLibraryUses(), 0);
}

TEST_F(Execution, BooleanValuesOfFirebird3AreShown) {
    // Boolean results were refused as an unsupported type before they had a
    // place in the result buffer.
    EXPECT_EQ(Run("select true as t, false as f from rdb$database;"),
              (Lines{"T      F", "====== ======", "TRUE   FALSE  "}));
}

TEST_F(Execution, ValuesOfEveryTypeFromTheServer) {
    Run("create table types (s smallint, i integer, b bigint, n92 numeric(9,2), n182 "
        "numeric(18,2), d double precision, f float, dt date, tm time, ts timestamp, c char(4), "
        "v varchar(10), bl blob sub_type text);"
        "insert into types values (-5, 7, 9000000000, 1234.5, 12.25, 2.5, 1.5, '2006-12-31', "
        "'23:59:58', '2006-12-31 23:59:30', 'ab', 'xy', 'text');");
    engine->TimeDisplay = true;
    const Lines lines = Run("select * from types;");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "     S         I              B          N92              N182                    D "
              "                   F DT         TM       TS               C      V      BL");
    EXPECT_EQ(lines[2],
              "    -5         7     9000000000      1234.50             12.25                  2.5 "
              "                 1.5 31-12-2006 23:59:58 31-12-2006 23:59 ab     xy     (blob) ");
}

}  // namespace
