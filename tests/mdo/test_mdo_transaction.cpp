// TMDOTransaction against the embedded engine: the TPB from Params, starting
// over several databases, the four ends and the forced ones with their
// events, adopted transactions and the idle timer.

#include <gtest/gtest.h>

#include <memory>

#include "component_fixture.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_database_info.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_transaction.h"
#include "mdo/status_vector.h"
#include "support/expect_error.h"

namespace {

using Events = std::vector<std::string>;

const char* const kCountT = "select cast(count(*) as integer) from t";

class TransactionComponent : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateDatabaseFile(path);
        database.SetDatabaseName(path);
        database.SetParams({"user_name=SYSDBA"});
        database.LoginPrompt = false;
        database.SetConnected(true);
        ExecuteInTransaction(*database.HandleAddress(), "create table t (a integer)");
        transaction.SetDefaultDatabase(&database);
    }
    void Insert(TMDOTransaction& into, TMDODatabase& in, int value) {
        ExecuteIn(*in.HandleAddress(), *into.HandleAddress(),
                  "insert into t values (" + std::to_string(value) + ")");
    }
    // Every event of the transaction, logged by name.
    void LogEvents(TcEventLog& log) {
        transaction.BeforeCommit = log.Logger("BeforeCommit");
        transaction.AfterCommit = log.Logger("AfterCommit");
        transaction.BeforeCommitRetaining = log.Logger("BeforeCommitRetaining");
        transaction.AfterCommitRetaining = log.Logger("AfterCommitRetaining");
        transaction.BeforeRollback = log.Logger("BeforeRollback");
        transaction.AfterRollback = log.Logger("AfterRollback");
        transaction.BeforeRollBackRetaining = log.Logger("BeforeRollBackRetaining");
        transaction.AfterRollBackRetaining = log.Logger("AfterRollBackRetaining");
        transaction.OnStartTransaction = log.Logger("OnStartTransaction");
        transaction.OnEndTransaction = log.Logger("OnEndTransaction");
        transaction.OnIdleTimer = log.Logger("OnIdleTimer");
    }
    int Count() { return QueryInteger(*database.HandleAddress(), kCountT); }

    TcTempDir dir;
    const std::string path = dir.File("db.fdb");
    TMDODatabase database;
    TMDOTransaction transaction;
};

TEST_F(TransactionComponent, ParamsBecomeTheBlockOfTheNextStart) {
    EXPECT_TRUE(transaction.Params().empty());
    transaction.StartTransaction();
    EXPECT_TRUE(transaction.TPB().empty()) << "the server's default transaction";
    EXPECT_RAISES(EMDOClientError, transaction.SetParams({"read"}), "Transaction is active");
    transaction.Commit();

    transaction.SetParams({"isc_tpb_concurrency", "", "nowait", "write"});
    transaction.StartTransaction();
    EXPECT_EQ(transaction.TPB(), (TMDOParamBlock{3, 2, 7, 9}));
    transaction.Commit();

    transaction.SetParams({"read_committed", "rec_version", "nowait", "read"});
    transaction.StartTransaction();
    EXPECT_EQ(transaction.TPB(), (TMDOParamBlock{3, 15, 17, 7, 8}));
    const auto error = CaughtError<EMDOFirebirdError>([&] { Insert(transaction, database, 1); });
    ASSERT_TRUE(error) << "a read-only transaction must refuse the insert";
    EXPECT_EQ(error->ErrorCode, isc_read_only_trans);
    transaction.Rollback();
}

TEST_F(TransactionComponent, RefusedStartsLeaveItInactive) {
    transaction.SetParams({"wait_time"});
    EXPECT_RAISES(EMDOClientError, transaction.StartTransaction(),
                  "TPB Constant (wait_time) is unknown");
    EXPECT_RAISES(EMDOClientError, transaction.StartTransaction(),
                  "TPB Constant (wait_time) is unknown")
        << "a second start must not go out with an earlier block";
    EXPECT_FALSE(transaction.Active());
    transaction.SetParams({"verb_time"});
    EXPECT_RAISES(EMDOClientError, transaction.StartTransaction(),
                  "TPB Constant (isc_tpb_verb_time) is unsupported");

    transaction.SetParams({"lock_write=NO_SUCH_TABLE"});
    EXPECT_THROW(transaction.StartTransaction(), EMDOFirebirdError);
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(ClientLibraryUserCount(), 1) << "only the database's";

    TMDOTransaction alone;
    EXPECT_RAISES(EMDOClientError, alone.StartTransaction(),
                  "No databases are listed in transaction component");
    transaction.SetParams({});
    database.SetConnected(false);
    EXPECT_RAISES(EMDOClientError, transaction.StartTransaction(),
                  "Cannot perform operation -- DB is not open");
}

TEST_F(TransactionComponent, CommitOfAnInactiveTransactionStartsOneFirst) {
    TcEventLog log;
    LogEvents(log);
    transaction.Commit();
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(log.Events,
              (Events{"OnStartTransaction", "BeforeCommit", "AfterCommit", "OnEndTransaction"}));
}

TEST_F(TransactionComponent, EachEndWithItsEventsAndClientNotes) {
    struct Case {
        const char* name;
        void (TMDOTransaction::*end)();
        bool activeAfter;
        int rowsAfter;
        Events events;
    };
    const Case cases[] = {
        {"commit",
         &TMDOTransaction::Commit,
         false,
         1,
         {"client BeforeTransactionEnd", "BeforeCommit", "AfterCommit",
          "client AfterTransactionEnd", "OnEndTransaction"}},
        {"rollback",
         &TMDOTransaction::Rollback,
         false,
         0,
         {"client BeforeTransactionEnd", "BeforeRollback", "AfterRollback",
          "client AfterTransactionEnd", "OnEndTransaction"}},
        // The retaining forms keep the transaction and its clients' cursors.
        {"commit retaining",
         &TMDOTransaction::CommitRetaining,
         true,
         1,
         {"BeforeCommitRetaining", "AfterCommitRetaining"}},
        {"rollback retaining",
         &TMDOTransaction::RollbackRetaining,
         true,
         0,
         {"BeforeRollBackRetaining", "AfterRollBackRetaining"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TcEventLog log;
        LogEvents(log);
        TMDOBase client;
        client.SetTransaction(&transaction);
        EXPECT_EQ(client.Database(), &database) << "the transaction's choice";
        client.OnBeforeTransactionEnd = log.Logger("client BeforeTransactionEnd");
        client.OnAfterTransactionEnd = log.Logger("client AfterTransactionEnd");
        transaction.StartTransaction();
        Insert(transaction, database, 1);
        log.Events.clear();
        bool explicitEnd = false;
        transaction.AfterCommit = [&](TMDOTransaction& t) {
            log.Events.push_back("AfterCommit");
            explicitEnd = t.InExplicitEnd();
        };
        (transaction.*c.end)();
        EXPECT_EQ(transaction.Active(), c.activeAfter);
        EXPECT_EQ(log.Events, c.events);
        if (c.end == &TMDOTransaction::Commit) {
            EXPECT_TRUE(explicitEnd);
        }
        EXPECT_FALSE(transaction.InExplicitEnd());
        if (transaction.Active()) transaction.Rollback();
        EXPECT_EQ(Count(), c.rowsAfter);
        ExecuteInTransaction(*database.HandleAddress(), "delete from t");
    }
}

TEST_F(TransactionComponent, OneTransactionOverTwoDatabasesCommitsOnBoth) {
    const std::string otherPath = dir.File("other.fdb");
    CreateDatabaseFile(otherPath);
    TMDODatabase other;
    other.SetDatabaseName(otherPath);
    other.SetParams({"user_name=SYSDBA"});
    other.LoginPrompt = false;
    other.SetConnected(true);
    ExecuteInTransaction(*other.HandleAddress(), "create table t (a integer)");
    other.SetDefaultTransaction(&transaction);
    EXPECT_EQ(transaction.DatabaseCount(), 2);

    TcCountingMonitor monitor;
    transaction.StartTransaction();
    EXPECT_EQ(monitor.Starts, 1) << "one start for both databases";
    Insert(transaction, database, 1);
    Insert(transaction, other, 2);
    transaction.Commit();
    EXPECT_EQ(monitor.Commits, 1);
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(QueryInteger(*other.HandleAddress(), "select cast(sum(a) as integer) from t"), 2);

    // A rollback undoes the work on both.
    transaction.StartTransaction();
    Insert(transaction, database, 3);
    Insert(transaction, other, 4);
    transaction.Rollback();
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(QueryInteger(*other.HandleAddress(), "select cast(sum(a) as integer) from t"), 2);
}

TEST_F(TransactionComponent, AdoptedTransactionIsLeftToItsOwner) {
    isc_tr_handle owned = StartTransactionOn(*database.HandleAddress());
    {
        TMDOTransaction adopter;
        adopter.SetDefaultDatabase(&database);
        TcEventLog log;
        adopter.OnStartTransaction = log.Logger("OnStartTransaction");
        adopter.SetHandle(owned);
        EXPECT_TRUE(adopter.Active());
        EXPECT_TRUE(adopter.HandleIsShared());
        EXPECT_TRUE(log.Events.empty());
        EXPECT_RAISES(EMDOClientError, adopter.Rollback(),
                      "Can't end a shared transaction unless it is forced and equal to the "
                      "transaction's TimeoutAction");
        EXPECT_TRUE(adopter.Active());
        adopter.Commit();  // the default action: only forgets it
        EXPECT_FALSE(adopter.Active());
        ExecuteIn(*database.HandleAddress(), owned, "insert into t values (1)");

        // Adopted again and destroyed while holding it.
        adopter.SetHandle(owned);
    }
    ExecuteIn(*database.HandleAddress(), owned, "insert into t values (2)");
    ASSERT_EQ(ClientApi.isc_commit_transaction(ThreadStatusVector(), &owned), 0);
    EXPECT_EQ(Count(), 2) << "the owner committed both rows";

    transaction.StartTransaction();
    isc_tr_handle other = StartTransactionOn(*database.HandleAddress());
    EXPECT_RAISES(EMDOClientError, transaction.SetHandle(other), "Transaction is active");
    ClientApi.isc_rollback_transaction(ThreadStatusVector(), &other);
}

// A database trigger refuses the commit of any transaction that asks for it,
// so that a commit fails on the server.
class RefusedCommit : public TransactionComponent {
  protected:
    void SetUp() override {
        TransactionComponent::SetUp();
        isc_db_handle& handle = *database.HandleAddress();
        ExecuteInTransaction(handle, "create exception no_commit 'commit refused'");
        ExecuteInTransaction(handle,
                             "create trigger refuse on transaction commit as begin "
                             "if (rdb$get_context('USER_TRANSACTION', 'REFUSE') = '1') then "
                             "exception no_commit; end");
    }
    void StartRefusing() {
        transaction.StartTransaction();
        Insert(transaction, database, 1);
        ExecuteIn(*database.HandleAddress(), *transaction.HandleAddress(),
                  "execute block as declare x integer; begin "
                  "x = rdb$set_context('USER_TRANSACTION', 'REFUSE', '1'); end");
    }
};

TEST_F(RefusedCommit, RefusedCommitKeepsItActiveAndReportsTheServersError) {
    TcEventLog log;
    LogEvents(log);
    // The after-event asks the server something: the commit's error must survive it.
    TMDODatabaseInfo info;
    info.Database = &database;
    transaction.AfterCommit = [&](TMDOTransaction&) {
        log.Events.push_back("AfterCommit");
        info.PageSize();
    };
    StartRefusing();
    log.Events.clear();
    const auto error = CaughtError<EMDOFirebirdError>([&] { transaction.Commit(); });
    ASSERT_TRUE(error);
    EXPECT_NE(error->Message().find("commit refused"), std::string::npos) << error->Message();
    EXPECT_EQ(error->ErrorCode, isc_except);
    EXPECT_EQ(log.Events, (Events{"BeforeCommit", "AfterCommit"}));
    EXPECT_TRUE(transaction.Active());

    // Forced, the end never raises: a rollback follows and the handle goes.
    log.Events.clear();
    EXPECT_NO_THROW(transaction.EndTransaction(TACommit, true));
    EXPECT_FALSE(transaction.Active());
    EXPECT_TRUE(log.Events.empty()) << "a forced end fires no events";
    EXPECT_EQ(Count(), 0) << "the refused work was rolled back";
}

TEST(TransactionDefaultAction, RollbackRetainingNeedsAVersion6Client) {
    TcScopedClientLibrary library(FAKE_CLIENT_V5);
    TMDOTransaction old;
    EXPECT_RAISES(EMDOClientError, old.SetDefaultAction(TARollbackRetaining),
                  "isc_rollback_retaining is an InterBase 6 function. Please upgrade to "
                  "InterBase 6 to use this functonality");
    EXPECT_EQ(old.DefaultAction(), TACommit);
    EXPECT_NO_THROW(old.SetDefaultAction(TACommitRetaining));
}

TEST_F(TransactionComponent, IdleTimerEndsWithTheDefaultAction) {
    TcManualTimerHost clock;
    TcEventLog log;
    LogEvents(log);
    EXPECT_RAISES(EMDOClientError, transaction.SetIdleTimer(-5),
                  "Timeout values cannot be negative");
    transaction.SetIdleTimer(500);
    clock.Advance(2000);
    EXPECT_TRUE(log.Events.empty()) << "an inactive transaction is left alone";

    transaction.StartTransaction();
    Insert(transaction, database, 1);
    log.Events.clear();
    clock.Advance(500);
    EXPECT_TRUE(transaction.Active());
    // Activity is a call through the component; the raw insert is none.
    Insert(transaction, database, 2);
    transaction.CommitRetaining();
    clock.Advance(500);
    EXPECT_TRUE(transaction.Active());
    log.Events.clear();
    clock.Advance(499);
    EXPECT_TRUE(transaction.Active());
    clock.Advance(1);
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(clock.Now(), 3500) << "the second tick after the last call";
    EXPECT_EQ(log.Events, (Events{"OnIdleTimer"})) << "a forced commit, then the idle event";
    EXPECT_EQ(Count(), 2) << "committed by the default action";

    // A retaining default action keeps the transaction open.
    transaction.SetDefaultAction(TACommitRetaining);
    transaction.StartTransaction();
    clock.Advance(1000);
    EXPECT_TRUE(transaction.Active());
    transaction.SetIdleTimer(0);
    EXPECT_EQ(clock.Running(), 0u);
}

TEST_F(TransactionComponent, ActivePropertyStartsAndRollsBack) {
    transaction.SetActive(true);
    EXPECT_TRUE(transaction.Active());
    Insert(transaction, database, 1);
    transaction.SetActive(false);
    EXPECT_FALSE(transaction.Active());
    EXPECT_EQ(Count(), 0);
    EXPECT_NO_THROW(transaction.CheckNotInTransaction());
    transaction.CheckInTransaction();
    EXPECT_TRUE(transaction.Active()) << "a check that needs a transaction starts one";
    EXPECT_RAISES(EMDOClientError, transaction.CheckNotInTransaction(), "Transaction is active");
}

}  // namespace
