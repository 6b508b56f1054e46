// TMDODatabase against the embedded engine: the DPB from Params, the login
// paths, dialect reading, adopted attachments, closing with linked
// transactions and clients, the idle timer and the client library choice.

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

// Built in one go from the whole text: pushing the codes and then inserting
// the tail makes GCC 12 at -O3 report a false out-of-bounds copy.
TMDOParamBlock Block(std::initializer_list<int> codes, const std::string& tail = "") {
    std::string bytes;
    for (int code : codes) bytes += static_cast<char>(code);
    bytes += tail;
    return TMDOParamBlock(bytes.begin(), bytes.end());
}

std::string DPBText(const TMDOParamBlock& block) {
    return std::string(block.begin(), block.end());
}

class DatabaseComponent : public ::testing::Test {
  protected:
    void SetUp() override { CreateDatabaseFile(path); }
    // A database on `path` that logs in from Params without asking.
    std::unique_ptr<TMDODatabase> NewDatabase(const std::string& name) {
        auto database = std::make_unique<TMDODatabase>();
        database->SetDatabaseName(name);
        database->SetParams({"user_name=SYSDBA"});
        database->LoginPrompt = false;
        return database;
    }
    TcTempDir dir;
    const std::string path = dir.File("db.fdb");
};

TEST_F(DatabaseComponent, AttachesWithTheBlockOfItsParams) {
    auto database = NewDatabase(path);
    TcEventLog log;
    database->BeforeConnect = log.Logger("BeforeConnect");
    database->AfterConnect = log.Logger("AfterConnect");
    database->SetParams({"isc_dpb_user_name=SYSDBA", "lc_ctype=UTF8"});
    database->SetConnected(true);
    EXPECT_TRUE(database->Connected());
    EXPECT_FALSE(database->HandleIsShared());
    EXPECT_EQ(DPBText(database->DPB()),
              DPBText(Block({1, 28, 6}, "SYSDBA")) + DPBText(Block({48, 4}, "UTF8")));
    EXPECT_EQ(log.Events, (std::vector<std::string>{"BeforeConnect", "AfterConnect"}));
    EXPECT_EQ(QueryInteger(*database->HandleAddress(),
                           "select cast(mon$character_set_id as integer) from mon$attachments "
                           "where mon$attachment_id = current_connection"),
              4)
        << "the server got the character set of the block (4 = UTF8)";

    // While connected the list and the name stay as they are.
    EXPECT_RAISES(EMDOClientError, database->SetParams({"user_name=X"}),
                  "Cannot perform operation -- DB is currently open");
    EXPECT_EQ(database->Params().size(), 2u);
    EXPECT_RAISES(EMDOClientError, database->SetDatabaseName(path + "x"),
                  "Cannot perform operation -- DB is currently open");
    EXPECT_NO_THROW(database->SetDatabaseName(path)) << "the same name is no change";
    EXPECT_RAISES(EMDOClientError, database->Attach(),
                  "Cannot perform operation -- DB is currently open");
}

TEST_F(DatabaseComponent, RefusedAttachesLeaveItClosed) {
    const struct {
        const char* name;
        std::string databaseName;
        TStringList params;
        std::string message;
    } cases[] = {
        {"no name", "", {"user_name=SYSDBA"}, "Database name is missing"},
        {"unknown DPB name", path, {"user_nam=SYSDBA"}, "DPB Constant (user_nam) is unknown"},
        {"unsupported DPB name",
         path,
         {"page_size=4096"},
         "DPB Constant (isc_dpb_page_size) is unsupported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto database = NewDatabase(c.databaseName);
        database->SetParams(c.params);
        EXPECT_RAISES(EMDOClientError, database->SetConnected(true), c.message);
        // A second attempt must not go out with a block of an earlier list.
        EXPECT_RAISES(EMDOClientError, database->SetConnected(true), c.message);
        EXPECT_FALSE(database->Connected());
    }
    auto missing = NewDatabase(dir.File("missing.fdb"));
    const auto error = CaughtError<EMDOFirebirdError>([&] { missing->SetConnected(true); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->ErrorCode, isc_io_error);
    EXPECT_FALSE(missing->Connected());
    EXPECT_EQ(ClientLibraryUserCount(), 0) << "a failed attach holds no library use";
}

TEST_F(DatabaseComponent, ClosedDatabaseRefusesWhatNeedsAConnection) {
    auto database = NewDatabase(path);
    EXPECT_RAISES(EMDOClientError, database->CheckActive(),
                  "Cannot perform operation -- DB is not open");
    EXPECT_RAISES(EMDOClientError, database->Detach(false),
                  "Cannot perform operation -- DB is not open");
    EXPECT_RAISES(EMDOClientError, database->SetIdleTimer(-1), "Timeout values cannot be negative");
    EXPECT_RAISES(EMDOClientError, database->SetSQLDialect(0), "SQL Dialect Invalid");
    EXPECT_NO_THROW(database->ForceClose());
    EXPECT_NO_THROW(database->SetConnected(false));
}

// ---------------------------------------------------------------------------
// Login

TEST_F(DatabaseComponent, WithoutLoginPromptNoDialogAndTheParamsPassword) {
    int asked = 0;
    TcScopedLoginDialog dialog([&](TMDOLoginRequest&) { return ++asked > 0; });
    auto database = NewDatabase(path);
    database->SetParams({"user_name=SYSDBA", "password=secret"});
    database->SetConnected(true);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(DPBText(database->DPB()),
              DPBText(Block({1, 28, 6}, "SYSDBA")) + DPBText(Block({29, 6}, "secret")));
}

TEST_F(DatabaseComponent, DialogAnswersRewriteTheParams) {
    struct Case {
        const char* name;
        TStringList params;
        std::string typedUser, typedPassword;
        TStringList paramsAfter;
        std::string dpbTail;  // after the version byte
        bool hidden;
    };
    const Case cases[] = {
        {"another password is kept out of Params and sent last",
         {"isc_dpb_user_name=SYSDBA", "isc_dpb_password=old", "lc_ctype=UTF8"},
         "sysdba",
         "typed",
         {"user_name=sysdba", "lc_ctype=UTF8"},
         DPBText(Block({28, 6}, "sysdba")) + DPBText(Block({48, 4}, "UTF8")) +
             DPBText(Block({29, 5}, "typed")),
         true},
        {"the same password stays in Params",
         {"user_name=SYSDBA", "password=old"},
         "SYSDBA",
         "old",
         {"user_name=SYSDBA", "password=old"},
         DPBText(Block({28, 6}, "SYSDBA")) + DPBText(Block({29, 3}, "old")),
         false},
        {"a user name line is added when there was none",
         {},
         "SYSDBA",
         "pw",
         {"user_name=SYSDBA"},
         DPBText(Block({28, 6}, "SYSDBA")) + DPBText(Block({29, 2}, "pw")),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TMDOLoginRequest> shown;
        TcScopedLoginDialog dialog([&](TMDOLoginRequest& request) {
            shown.push_back(request);
            request.UserName = c.typedUser;
            request.Password = c.typedPassword;
            return true;
        });
        auto database = NewDatabase(path);
        database->SetParams(c.params);
        database->LoginPrompt = true;
        database->SetConnected(true);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].Target, path);
        EXPECT_EQ(shown[0].Kind, TMDOLoginRequest::TKind::Database);
        EXPECT_FALSE(shown[0].UserNameReadOnly);
        EXPECT_EQ(database->Params(), c.paramsAfter);
        EXPECT_EQ(DPBText(database->DPB()), "\x01" + c.dpbTail);
        EXPECT_EQ(database->HasHiddenPassword(), c.hidden);
    }
}

TEST_F(DatabaseComponent, CancelledLoginChangesNothing) {
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "dialog cancelled" : "no dialog installed");
        TcScopedLoginDialog dialog(installed
                                       ? TMDOLoginDialog([](TMDOLoginRequest&) { return false; })
                                       : TMDOLoginDialog());
        auto database = NewDatabase(path);
        database->SetParams({"user_name=SYSDBA", "password=pw"});
        database->LoginPrompt = true;
        EXPECT_RAISES(EMDOClientError, database->SetConnected(true),
                      "Operation cancelled at user's request");
        EXPECT_EQ(database->Params(), (TStringList{"user_name=SYSDBA", "password=pw"}));
        EXPECT_FALSE(database->Connected());
    }
}

TEST_F(DatabaseComponent, OnLoginEditsACopyAndThePasswordIsHidden) {
    auto database = NewDatabase(path);
    database->LoginPrompt = true;
    database->OnLogin = [&](TMDODatabase& sender, TStringList& params) {
        EXPECT_EQ(&sender, database.get());
        params.push_back("isc_dpb_password=fromevent");
        EXPECT_EQ(database->Params().size(), 1u) << "the event edits a copy";
    };
    database->SetConnected(true);
    EXPECT_EQ(database->Params(), (TStringList{"user_name=SYSDBA"}));
    EXPECT_TRUE(database->HasHiddenPassword());
    EXPECT_EQ(DPBText(database->DPB()),
              DPBText(Block({1, 28, 6}, "SYSDBA")) + DPBText(Block({29, 9}, "fromevent")));

    // Without the prompt the hidden password is dropped and the block rebuilt.
    database->SetConnected(false);
    database->LoginPrompt = false;
    database->SetConnected(true);
    EXPECT_FALSE(database->HasHiddenPassword());
    EXPECT_EQ(DPBText(database->DPB()), DPBText(Block({1, 28, 6}, "SYSDBA")));
}

// ---------------------------------------------------------------------------
// Dialect

TEST_F(DatabaseComponent, DialectOneDatabaseLowersTheClientDialectOnce) {
    const std::string oldPath = dir.File("dialect1.fdb");
    CreateDatabaseFile(oldPath, 1);
    auto database = NewDatabase(oldPath);
    int warnings = 0;
    database->OnDialectDowngradeWarning = [&](TMDODatabase&) { ++warnings; };
    EXPECT_EQ(database->SQLDialect(), 3);
    database->SetConnected(true);
    EXPECT_EQ(database->DBSQLDialect(), 1);
    EXPECT_EQ(database->SQLDialect(), 1);
    EXPECT_EQ(warnings, 1);
    EXPECT_RAISES(EMDOClientError, database->SetSQLDialect(2), "SQL Dialect Invalid");
    EXPECT_NO_THROW(database->SetSQLDialect(1));

    database->SetConnected(false);
    EXPECT_EQ(database->DBSQLDialect(), 3) << "a disconnect resets the database's dialect";
    EXPECT_EQ(database->SQLDialect(), 1);

    auto current = NewDatabase(path);
    current->OnDialectDowngradeWarning = [&](TMDODatabase&) { ++warnings; };
    current->SetConnected(true);
    EXPECT_EQ(current->DBSQLDialect(), 3);
    EXPECT_EQ(current->SQLDialect(), 3);
    EXPECT_EQ(warnings, 1);
}

TEST_F(DatabaseComponent, DatabaseInfoReadsTheServersNumbers) {
    const std::string bigPages = dir.File("pages.fdb");
    CreateDatabaseFile(bigPages, 3, "PAGE_SIZE 16384");
    auto database = NewDatabase(bigPages);
    TMDODatabaseInfo info;
    EXPECT_RAISES(EMDOClientError, info.PageSize(), "Database not assigned");
    info.Database = database.get();
    EXPECT_RAISES(EMDOClientError, info.PageSize(), "Cannot perform operation -- DB is not open");
    database->SetConnected(true);
    EXPECT_EQ(info.PageSize(), 16384);
    EXPECT_EQ(info.ODSMajorVersion(), 12) << "the on-disk structure of Firebird 3";
    EXPECT_EQ(info.DBSQLDialect(), 3);
    EXPECT_EQ(info.ReadInfoInteger(isc_info_page_size), 16384);
}

// ---------------------------------------------------------------------------
// Adopted attachments

TEST_F(DatabaseComponent, AdoptedAttachmentIsLeftToItsOwner) {
    TcEmbeddedDatabase owner;
    ExecuteInTransaction(owner.Handle(), "create table t (a integer)");
    {
        TMDODatabase database;
        TcEventLog log;
        database.AfterConnect = log.Logger("AfterConnect");
        database.SetHandle(owner.Handle());
        EXPECT_TRUE(database.Connected());
        EXPECT_TRUE(database.HandleIsShared());
        EXPECT_TRUE(log.Events.empty()) << "adopting is no connect";
        EXPECT_RAISES(EMDOClientError, database.Attach(),
                      "Cannot perform operation -- DB is currently open");

        TMDOTransaction transaction;
        transaction.SetDefaultDatabase(&database);
        transaction.StartTransaction();
        ExecuteIn(owner.Handle(), *transaction.HandleAddress(), "insert into t values (1)");
        transaction.Commit();

        database.SetConnected(false);
        EXPECT_FALSE(database.Connected());
        EXPECT_EQ(database.Handle(), 0u);
        EXPECT_EQ(QueryInteger(owner.Handle(), "select cast(count(*) as integer) from t"), 1)
            << "the owner's attachment still works";

        // Adopted again and destroyed while holding it.
        database.SetHandle(owner.Handle());
    }
    EXPECT_EQ(QueryInteger(owner.Handle(), "select cast(count(*) as integer) from t"), 1);

    // A connection of its own is not replaced by an adopted one.
    auto own = NewDatabase(path);
    own->SetConnected(true);
    EXPECT_RAISES(EMDOClientError, own->SetHandle(owner.Handle()),
                  "Cannot perform operation -- DB is currently open");
}

// ---------------------------------------------------------------------------
// Closing

TEST_F(DatabaseComponent, DetachEndsTransactionsAndTellsClientsInOrder) {
    auto database = NewDatabase(path);
    TcEventLog log;
    database->BeforeDisconnect = log.Logger("BeforeDisconnect");
    database->AfterDisconnect = log.Logger("AfterDisconnect");
    TMDOTransaction transaction;
    transaction.SetDefaultDatabase(database.get());
    transaction.AfterCommit = log.Logger("AfterCommit");
    transaction.OnEndTransaction = log.Logger("OnEndTransaction");
    TMDOBase client;
    client.OnBeforeTransactionEnd = log.Logger("client BeforeTransactionEnd");
    client.OnAfterTransactionEnd = log.Logger("client AfterTransactionEnd");
    client.OnBeforeDatabaseDisconnect = log.Logger("client BeforeDatabaseDisconnect");
    client.OnAfterDatabaseDisconnect = log.Logger("client AfterDatabaseDisconnect");
    client.SetDatabase(database.get());
    EXPECT_EQ(client.Transaction(), &transaction) << "the database's choice";

    database->SetConnected(true);
    transaction.StartTransaction();
    ExecuteIn(*database->HandleAddress(), *transaction.HandleAddress(),
              "create table t (a integer)");
    database->SetConnected(false);
    EXPECT_FALSE(transaction.Active());
    // The transaction ended forced: no events of its own.
    EXPECT_EQ(log.Events, (std::vector<std::string>{
                              "BeforeDisconnect", "client BeforeTransactionEnd",
                              "client AfterTransactionEnd", "client BeforeDatabaseDisconnect",
                              "client AfterDatabaseDisconnect", "AfterDisconnect"}));

    // The default action (commit) kept the table.
    database->SetConnected(true);
    EXPECT_EQ(QueryInteger(*database->HandleAddress(),
                           "select cast(count(*) as integer) from rdb$relations "
                           "where rdb$relation_name = 'T'"),
              1);
    log.Events.clear();
    database->ForceClose();
    EXPECT_EQ(log.Events, (std::vector<std::string>{"client BeforeDatabaseDisconnect",
                                                    "client AfterDatabaseDisconnect"}))
        << "a forced close fires no events of the database";
}

TEST_F(DatabaseComponent, RetainingDefaultActionDoesNotKeepTheAttachmentOpen) {
    auto database = NewDatabase(path);
    TMDOTransaction transaction;
    transaction.SetDefaultDatabase(database.get());
    transaction.SetDefaultAction(TACommitRetaining);
    database->SetConnected(true);
    transaction.StartTransaction();
    ExecuteIn(*database->HandleAddress(), *transaction.HandleAddress(),
              "create table t (a integer)");
    EXPECT_NO_THROW(database->SetConnected(false));
    EXPECT_FALSE(database->Connected());
    EXPECT_FALSE(transaction.Active());
    database->SetConnected(true);
    EXPECT_EQ(QueryInteger(*database->HandleAddress(),
                           "select cast(count(*) as integer) from rdb$relations "
                           "where rdb$relation_name = 'T'"),
              1);
}

TEST_F(DatabaseComponent, AutoCommitTransactionStartsWithTheConnection) {
    auto database = NewDatabase(path);
    TMDOTransaction transaction;
    transaction.AutoCommit = true;
    database->SetDefaultTransaction(&transaction);
    EXPECT_EQ(transaction.ChooseDatabase(), database.get());
    database->SetConnected(true);
    EXPECT_TRUE(transaction.Active());
}

// ---------------------------------------------------------------------------
// Links

TEST_F(DatabaseComponent, LinksReuseEmptySlotsAndComeApartOnDestruction) {
    auto database = NewDatabase(path);
    auto first = std::make_unique<TMDOBase>();
    auto second = std::make_unique<TMDOBase>();
    TMDOBase third;
    first->SetDatabase(database.get());
    second->SetDatabase(database.get());
    third.SetDatabase(database.get());
    EXPECT_EQ(database->ClientCount(), 3);
    second.reset();
    EXPECT_EQ(database->ClientCount(), 2);
    TMDOBase fourth;
    EXPECT_EQ(database->LinkClient(&fourth), 1) << "the freed slot is taken";
    database->UnlinkClient(1);

    auto transaction = std::make_unique<TMDOTransaction>();
    EXPECT_EQ(database->TransactionCount(), 1) << "the private transaction";
    EXPECT_EQ(database->ChooseTransaction(), nullptr) << "never the private transaction";
    transaction->SetDefaultDatabase(database.get());
    EXPECT_EQ(database->ChooseTransaction(), transaction.get());
    EXPECT_EQ(database->LinkTransaction(transaction.get()), -1) << "already linked";
    database->SetDefaultTransaction(transaction.get());
    third.SetTransaction(transaction.get());
    bool freed = false;
    third.OnTransactionFree = [&](TMDOBase&) { freed = true; };
    transaction.reset();
    EXPECT_TRUE(freed);
    EXPECT_EQ(third.Transaction(), nullptr);
    EXPECT_EQ(database->DefaultTransaction(), nullptr);
    EXPECT_EQ(database->TransactionCount(), 1);

    int databaseFree = 0;
    first->OnDatabaseFree = [&](TMDOBase&) { ++databaseFree; };
    third.OnDatabaseFree = [&](TMDOBase&) { ++databaseFree; };
    database.reset();
    EXPECT_EQ(databaseFree, 2);
    EXPECT_EQ(first->Database(), nullptr);
    EXPECT_EQ(third.Database(), nullptr);
    EXPECT_RAISES(EMDOClientError, third.DBHandle(), "Database not assigned");
    EXPECT_RAISES(EMDOClientError, third.TRHandle(), "Transaction not assigned");
}

// ---------------------------------------------------------------------------
// Idle timer

TEST_F(DatabaseComponent, IdleTimerClosesAtTheSecondTickWithoutACall) {
    TcManualTimerHost clock;
    auto database = NewDatabase(path);
    int idleEvents = 0;
    int disconnects = 0;
    database->OnIdleTimer = [&](TMDODatabase&) { ++idleEvents; };
    database->AfterDisconnect = [&](TMDODatabase&) { ++disconnects; };
    database->SetConnected(true);
    database->SetIdleTimer(1000);
    EXPECT_EQ(database->IdleTimer(), 1000);

    clock.Advance(1000);  // first tick: marks the period idle
    EXPECT_TRUE(database->Connected());
    // A call in the second period keeps the connection.
    TMDODatabaseInfo info;
    info.Database = database.get();
    info.PageSize();
    clock.Advance(1000);
    EXPECT_TRUE(database->Connected());
    clock.Advance(999);
    EXPECT_TRUE(database->Connected());
    clock.Advance(1);  // the second tick after the last call
    EXPECT_FALSE(database->Connected());
    EXPECT_EQ(clock.Now(), 3000);
    EXPECT_EQ(idleEvents, 1);
    EXPECT_EQ(disconnects, 0) << "the idle close is forced";
    clock.Advance(5000);
    EXPECT_EQ(idleEvents, 1);

    database->SetIdleTimer(0);
    EXPECT_EQ(clock.Running(), 0u);
}

// ---------------------------------------------------------------------------
// Client library

TEST(DatabaseClientLib, ChoiceThatTheLoadedLibraryFitsKeepsIt) {
    TcScopedClientLibrary library(ClientLibraryFileNames(clFBClient));
    TMDODatabase database;
    int asked = 0;
    database.OnClientLibChange = [&](TMDODatabase&, TMDOClientLib&, bool&) { ++asked; };
    database.SetClientLib(clFBClient);
    database.SetClientLib(clAutoDetect);
    EXPECT_EQ(database.ClientLib(), clAutoDetect);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(ClientLibraryName, ClientLibraryFileNames(clFBClient));
    EXPECT_TRUE(IsClientLibraryLoaded());

    // Cancelled: the choice is stored, the library stays.
    database.OnClientLibChange = [&](TMDODatabase&, TMDOClientLib& choice, bool& cancel) {
        ++asked;
        EXPECT_EQ(choice, clGDS32);
        cancel = true;
    };
    database.SetClientLib(clGDS32);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(database.ClientLib(), clGDS32);
    EXPECT_EQ(ClientLibraryName, ClientLibraryFileNames(clFBClient));
}

TEST(DatabaseClientLib, SwitchingClosesTheConnectionAndLoadsTheChoice) {
    TcScopedClientLibrary library(ClientLibraryFileNames(clFBClient));
    TcTempDir dir;
    CreateDatabaseFile(dir.File("db.fdb"));
    TMDODatabase database;
    database.SetDatabaseName(dir.File("db.fdb"));
    database.SetParams({"user_name=SYSDBA"});
    database.LoginPrompt = false;
    database.SetConnected(true);
    // The handler turns the request for a missing library into a reload of the client.
    database.OnClientLibChange = [](TMDODatabase&, TMDOClientLib& choice, bool&) {
        choice = clFBClient;
    };
    database.SetClientLib(clGDS32);
    EXPECT_FALSE(database.Connected());
    EXPECT_EQ(database.ClientLib(), clFBClient);
    EXPECT_TRUE(IsClientLibraryLoaded());
    database.SetConnected(true);
    EXPECT_TRUE(database.Connected()) << "the reloaded library works";
    database.SetConnected(false);

    database.OnClientLibChange = nullptr;
    EXPECT_RAISES(EMDOClientError, database.SetClientLib(clGDS32),
                  "Firebird Client library not found in the path. Please install Firebird to "
                  "use this functionality");
}

}  // namespace
