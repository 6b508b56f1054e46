// The access layer adopting the scripter's open attachment and transaction
// with SetHandle, as the DDL commands do: statements run inside the
// scripter's transaction, and both handles stay usable afterwards.

#include <gtest/gtest.h>

#include <memory>

#include "embedded_database.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_transaction.h"
#include "scripter_fixture.h"

namespace {

TEST_F(EmbeddedScripter, ComponentsOverTheScriptersHandles) {
    // Implicit model: the transaction stays open between statements.
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    Run("create table t (a integer, b varchar(20))");
    Run("commit");
    Run("insert into t values (1, 'uncommitted')");
    ASSERT_NE(engine->DatabaseHandle(), 0u);
    ASSERT_NE(engine->TransactionHandle(), 0u);
    {
        TMDODatabase database;
        database.SetHandle(engine->DatabaseHandle());
        TMDOTransaction transaction;
        transaction.SetDefaultDatabase(&database);
        transaction.SetHandle(engine->TransactionHandle());
        TMDOSQL sql(&database);
        sql.SetTransaction(&transaction);
        sql.SetSQLText("select b from t where a = :a");
        sql.Params().VarNamed("a").SetAsInteger(1);
        sql.ExecQuery();
        ASSERT_FALSE(sql.Eof());
        EXPECT_EQ(sql.FieldNamed("B").AsString(), "uncommitted")
            << "the scripter's own transaction is the one used";
        sql.Close();
        sql.SetSQLText("insert into t values (2, 'component')");
        sql.ExecQuery();
        // Going away ends neither the adopted transaction nor the attachment.
    }
    EXPECT_NE(engine->TransactionHandle(), 0u);
    EXPECT_EQ(Run("select b from t order by a").size(), 4u) << "header, separator and two rows";
    Run("commit");
    isc_db_handle other = Attach(DatabasePath(), UserParams("SYSDBA"));
    EXPECT_EQ(QueryInteger(other, "select cast(count(*) as integer) from t"), 2)
        << "both rows committed by the scripter";
    Detach(other);
}

}  // namespace
