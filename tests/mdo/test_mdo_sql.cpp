// TMDOSQL against the embedded engine: prepare, execute, fetch and close;
// named parameters; column names and look-ups; the statement types, plan,
// affected rows, the procedure retry, refused types and the errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component_fixture.h"
#include "mdo/mdo_errors.h"
#include "sql_fixture.h"
#include "support/expect_error.h"

namespace {

class SqlStatement : public SqlComponent {
  protected:
    void SetUp() override {
        SqlComponent::SetUp();
        Exec("create table t (id integer not null primary key, name varchar(20), code char(5))");
        Exec("insert into t values (1, 'one', 'a')");
        Exec("insert into t values (2, 'two', 'bb')");
        Exec("insert into t values (3, 'three', null)");
    }
    // Every row's columns as text, "|" between columns.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        while (!sql.Eof()) {
            std::string row;
            for (int i = 0; i < sql.CurrentRecord().Count(); ++i)
                row += (i > 0 ? "|" : "") + sql.Fields(i).AsString();
            rows.push_back(row);
            sql.Next();
        }
        return rows;
    }
};

TEST_F(SqlStatement, SelectFetchesEveryRowThenEof) {
    Run("select id, name, code from t order by id");
    EXPECT_EQ(sql.StatementType(), SQLSelect);
    EXPECT_TRUE(sql.Open());
    EXPECT_EQ(sql.FetchedCount(), 1) << "the first row comes with the execute";
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|one|a", "2|two|bb", "3|three|"}));
    EXPECT_TRUE(sql.Eof());
    EXPECT_EQ(sql.FetchedCount(), 3);
    EXPECT_EQ(sql.Next(), nullptr);
    sql.Close();
    EXPECT_FALSE(sql.Open());
    EXPECT_TRUE(sql.Prepared()) << "closing keeps the statement prepared";
    EXPECT_RAISES(EMDOClientError, sql.Next(), "MDOSQL Closed");
}

TEST_F(SqlStatement, FetchErrorClosesTheCursorFirst) {
    Run("select 1 / (id - 2) from t order by id");
    ASSERT_FALSE(sql.Eof());
    EXPECT_EQ(sql.Fields(0).AsInteger(), -1);
    EXPECT_THROW(sql.Next(), EMDOFirebirdError) << "the second row divides by zero";
    EXPECT_FALSE(sql.Open());
    EXPECT_TRUE(sql.Prepared());
    sql.ExecQuery();
    EXPECT_EQ(sql.Fields(0).AsInteger(), -1) << "the statement runs again";
}

TEST_F(SqlStatement, SingleRelationNameOfASelect) {
    sql.SetSQLText("select id, name from t");
    EXPECT_EQ(sql.SingleRelationName(), "") << "not prepared";
    sql.Prepare();
    EXPECT_EQ(sql.SingleRelationName(), "T");
    sql.SetSQLText("select t.id, r.rdb$relation_name from t, rdb$relations r");
    sql.Prepare();
    EXPECT_EQ(sql.SingleRelationName(), "");
    sql.SetSQLText("insert into t (id) values (7)");
    sql.Prepare();
    EXPECT_EQ(sql.SingleRelationName(), "");
}

TEST_F(SqlStatement, WithoutGoToFirstRecordTheCursorStartsBeforeTheFirstRow) {
    sql.GoToFirstRecordOnExecute = false;
    Run("select id from t order by id");
    EXPECT_TRUE(sql.Bof());
    EXPECT_EQ(sql.FetchedCount(), 0);
    ASSERT_NE(sql.Next(), nullptr);
    EXPECT_FALSE(sql.Bof());
    EXPECT_EQ(sql.FieldNamed("ID").AsInteger(), 1);
}

TEST_F(SqlStatement, EmptyResultIsEofAtOnce) {
    Run("select id from t where id > 100");
    EXPECT_TRUE(sql.Eof());
    EXPECT_EQ(sql.FetchedCount(), 0);
}

TEST_F(SqlStatement, NamedParameterFoundInAnyCase) {
    sql.SetSQLText("select RDB$RELATION_NAME from RDB$RELATIONS where RDB$RELATION_NAME = :Rel");
    ASSERT_EQ(sql.Params().Count(), 1);
    EXPECT_EQ(sql.Params()[0].Name(), "REL");
    sql.Params().VarNamed("rel").SetAsString("T");
    sql.ExecQuery();
    ASSERT_FALSE(sql.Eof());
    EXPECT_EQ(sql.FieldNamed("rdb$relation_name").AsString(), "T")
        << "CHAR without its trailing blanks, found by a lower-case name";
    EXPECT_RAISES(EMDOClientError, sql.FieldNamed("nope"), "Field \"nope\" not found");
    EXPECT_RAISES(EMDOClientError, sql.Params().VarNamed("other"), "Field \"other\" not found");
}

TEST_F(SqlStatement, ParameterUsedTwiceIsSetOnce) {
    sql.SetSQLText("select id from t where id = :A or id = :A + 1 order by id");
    TMDOXSQLDA& params = sql.Params();
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params[0].Name(), "A");
    EXPECT_EQ(params[1].Name(), "A");
    params.VarNamed("a").SetAsInteger(2);
    EXPECT_TRUE(params[1].Modified);
    sql.ExecQuery();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2", "3"}));
}

TEST_F(SqlStatement, ParametersInsideQuotesAndCommentsAreText) {
    sql.SetSQLText("select ':id' || /* :no */ name from t where id = :id");
    ASSERT_EQ(sql.Params().Count(), 1);
    sql.Params().VarNamed("ID").SetAsInteger(1);
    sql.ExecQuery();
    EXPECT_EQ(sql.Fields(0).AsString(), ":idone");
}

TEST_F(SqlStatement, ColumnNamesFromAliasesWithNumbers) {
    Run("select 1, 2, id as x, id as x, id as x, name, name from t where id = 1");
    std::vector<std::string> names;
    for (int i = 0; i < sql.CurrentRecord().Count(); ++i)
        names.push_back(sql.CurrentRecord()[i].Name());
    // Expressions without an alias: the server calls them CONSTANT; the
    // repeated ones get a running number.
    EXPECT_EQ(names, (std::vector<std::string>{"CONSTANT", "CONSTANT1", "X", "X1", "X2", "NAME",
                                               "NAME1"}));
    EXPECT_EQ(sql.FieldNamed("x2").AsInteger(), 1);
    EXPECT_EQ(sql.IndexOfField("name1"), 6);
    EXPECT_EQ(sql.IndexOfField("name2"), -1);
    EXPECT_RAISES(EMDOClientError, sql.Fields(7), "Field \"7\" not found");
    EXPECT_RAISES(EMDOClientError, sql.Fields(-1), "Field \"-1\" not found");
}

TEST_F(SqlStatement, LongAliasIsCutForItsNumber) {
    const std::string alias(31, 'L');
    Run("select id as " + alias + ", id as " + alias + " from t where id = 1");
    EXPECT_EQ(sql.CurrentRecord()[0].Name(), alias);
    EXPECT_EQ(sql.CurrentRecord()[1].Name(), std::string(30, 'L') + "1");
}

TEST_F(SqlStatement, InsertOpensNoCursorAndCountsRows) {
    Run("insert into t (id, name) select id + 10, name from t");
    EXPECT_EQ(sql.StatementType(), SQLInsert);
    EXPECT_FALSE(sql.Open());
    EXPECT_TRUE(sql.Eof());
    EXPECT_EQ(sql.Next(), nullptr);
    EXPECT_EQ(sql.AffectedRows(), 3);
    EXPECT_EQ(sql.Plan(), "") << "an insert has no plan of its own";
}

TEST_F(SqlStatement, UpdateAndDeleteCountRowsAndHavePlans) {
    Run("update t set name = 'x' where name > 't'");
    EXPECT_EQ(sql.StatementType(), SQLUpdate);
    EXPECT_EQ(sql.AffectedRows(), 2);
    EXPECT_NE(sql.Plan().find("PLAN (T NATURAL)"), std::string::npos) << sql.Plan();
    Run("delete from t where id = 1");
    EXPECT_EQ(sql.StatementType(), SQLDelete);
    EXPECT_EQ(sql.AffectedRows(), 1);
    EXPECT_NE(sql.Plan().find("INDEX"), std::string::npos) << sql.Plan();
    Run("select id from t");
    EXPECT_EQ(sql.AffectedRows(), -1);
    EXPECT_EQ(sql.Plan(), "PLAN (T NATURAL)");
}

struct TypeCase {
    const char* Name;
    const char* Text;
    int Type;
};

const TypeCase kTypes[] = {
    {"Select", "select id from t", SQLSelect},
    {"SelectForUpdate", "select id from t for update", SQLSelectForUpdate},
    {"Insert", "insert into t (id) values (9)", SQLInsert},
    {"Update", "update t set id = id", SQLUpdate},
    {"Delete", "delete from t where id = 0", SQLDelete},
    {"DDL", "create table u (a integer)", SQLDDL},
    {"SetGenerator", "set generator g to 5", SQLSetGenerator},
    {"ExecProcedure", "execute procedure p", SQLExecProcedure},
    {"Commit", "commit", SQLCommit},
    {"Rollback", "rollback", SQLRollback},
};

class StatementTypes : public SqlStatement, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(StatementTypes, ReportedAfterPrepare) {
    Exec("create generator g");
    Exec("create procedure p as begin end");
    sql.SetSQLText(GetParam().Text);
    EXPECT_EQ(sql.StatementType(), SQLUnknown);
    sql.Prepare();
    EXPECT_EQ(sql.StatementType(), GetParam().Type);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatementTypes, ::testing::ValuesIn(kTypes),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SqlStatement, StartTransactionIsRefusedAndReleased) {
    sql.SetSQLText("set transaction");
    EXPECT_RAISES(EMDOClientError, sql.Prepare(), "Not permitted");
    EXPECT_FALSE(sql.Prepared());
    EXPECT_EQ(sql.Handle(), 0u);
}

TEST_F(SqlStatement, ServerErrorWhilePreparingReleasesTheHandle) {
    sql.SetSQLText("select nothing from nowhere");
    const auto error = CaughtError<EMDOFirebirdError>([&] { sql.Prepare(); });
    ASSERT_TRUE(error);
    EXPECT_NE(std::string(error->what()).find("NOWHERE"), std::string::npos) << error->what();
    EXPECT_FALSE(sql.Prepared());
    EXPECT_EQ(sql.Handle(), 0u);
}

TEST_F(SqlStatement, ClientErrorsOfPrepareAndExecute) {
    TMDOSQL lone;
    lone.SetSQLText("select 1 from rdb$database");
    EXPECT_RAISES(EMDOClientError, lone.Prepare(), "Database not assigned");
    lone.SetDatabase(&database);
    lone.SetTransaction(nullptr);
    EXPECT_RAISES(EMDOClientError, lone.Prepare(), "Transaction not assigned");

    sql.SetSQLText("");
    EXPECT_RAISES(EMDOClientError, sql.Prepare(), "Empty query");
    sql.SetSQLText("select 'open from t");
    EXPECT_RAISES(EMDOClientError, sql.Prepare(), "SQL Parse Error:\r\n\r\nEOF in string detected");

    Run("select id from t");
    EXPECT_RAISES(EMDOClientError, sql.ExecQuery(), "MDOSQL Open");
    EXPECT_RAISES(EMDOClientError, sql.Prepare(), "MDOSQL Open");
}

TEST_F(SqlStatement, ChangingTheTextReleasesButKeepsTheCursorFlag) {
    TcEventLog log;
    Run("select id from t");
    sql.OnSQLChanging = [&log](TMDOSQL& changing) {
        // Fired before the release and before the text changes.
        log.Events.push_back(std::string("OnSQLChanging") +
                             (changing.Prepared() ? " prepared" : " released") + " " +
                             changing.SQL().front());
    };
    sql.SetSQLText("select id from t");
    EXPECT_TRUE(log.Events.empty()) << "the same text changes nothing";
    sql.SetSQLText("select name from t");
    EXPECT_EQ(log.Events, (std::vector<std::string>{"OnSQLChanging prepared select id from t"}));
    EXPECT_FALSE(sql.Prepared());
    EXPECT_TRUE(sql.Open());
    EXPECT_RAISES(EMDOClientError, sql.ExecQuery(), "MDOSQL Open");
    sql.Close();
    sql.ExecQuery();
    EXPECT_EQ(sql.Fields(0).Name(), "NAME");
}

TEST_F(SqlStatement, HardEndOfTheTransactionClosesTheCursor) {
    Run("select id from t");
    transaction.CommitRetaining();
    EXPECT_TRUE(sql.Open()) << "a retaining end keeps cursors";
    transaction.Commit();
    EXPECT_FALSE(sql.Open());
    EXPECT_TRUE(sql.Prepared());
}

TEST_F(SqlStatement, DisconnectReleasesTheStatement) {
    Run("select id from t");
    database.SetConnected(false);
    EXPECT_FALSE(sql.Open());
    EXPECT_FALSE(sql.Prepared());
    EXPECT_EQ(sql.Handle(), 0u);
    EXPECT_RAISES(EMDOClientError, sql.ExecQuery(), "Cannot perform operation -- DB is not open");
}

TEST_F(SqlStatement, ReleaseKeepsTheAreasAllocated) {
    Run("select id, name, code from t");
    sql.Close();
    sql.ReleaseHandle();
    EXPECT_EQ(sql.CurrentRecord().Count(), 0);
    EXPECT_EQ(sql.CurrentRecord().Allocated(), 3);
    Run("select id from t");
    EXPECT_EQ(sql.CurrentRecord().Count(), 1);
    EXPECT_EQ(sql.CurrentRecord().Allocated(), 3);
}

}  // namespace
