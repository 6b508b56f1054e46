// The private server fixture, proven through the binding: a remote attach
// with the fixture's SYSDBA password, and a connection lost when the server
// dies under it.

#include <gtest/gtest.h>

#include "embedded_database.h"
#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"
#include "support/firebird_server.h"

namespace {

class PrivateServer : public FirebirdServerTest {
  protected:
    TcScopedClientLibrary FClient{ClientLibraryFileNames(clFBClient)};
    TcTempDir FDir;
};

TEST_F(PrivateServer, NamesCarryThePort) {
    const std::string port = std::to_string(Server().Port());
    EXPECT_EQ(Server().ConnectName("/x/db.fdb"), "localhost/" + port + ":/x/db.fdb");
    EXPECT_EQ(Server().ServiceManagerName(), "localhost/" + port + ":service_mgr");
}

TEST_F(PrivateServer, SysdbaAttachesThroughTheServer) {
    const std::string path = FDir.File("remote.fdb");
    {
        isc_db_handle db = 0;
        isc_tr_handle tr = 0;
        const std::string create = "CREATE DATABASE '" + Server().ConnectName(path) +
                                   "' USER 'SYSDBA' PASSWORD '" + Server().SysdbaPassword() + "'";
        if (ClientApi.isc_dsql_execute_immediate(ThreadStatusVector(), &db, &tr, 0, create.c_str(),
                                                 SQL_DIALECT_V6, nullptr) != 0) {
            RaiseDatabaseError();
        }
        Detach(db);
    }
    isc_db_handle db =
        Attach(Server().ConnectName(path), UserParams("SYSDBA", Server().SysdbaPassword()));
    EXPECT_NE(db, 0u);
    EXPECT_NO_THROW(ExecuteInTransaction(db, "create table t (a integer)"));
    Detach(db);
}

TEST_F(PrivateServer, WrongPasswordIsRefused) {
    try {
        Attach(Server().ConnectName(FDir.File("any.fdb")), UserParams("SYSDBA", "wrong"));
        FAIL() << "the server accepted a wrong password";
    } catch (const EMDOFirebirdError& e) {
        EXPECT_EQ(e.ErrorCode, isc_login);
        EXPECT_EQ(e.Message(),
                  "Your user name and password are not defined. Ask your database administrator "
                  "to set up a Firebird login");
    }
}

// A server of its own, so that killing it leaves the shared one alone. The
// Firebird 3 client reports a dead server as a network read error on the first
// call (the request still goes out, the answer never comes) and as a write
// error on every later call; neither is isc_lost_db_connection.
TEST(PrivateServerLost, CallsAfterTheServerDiedReportNetworkErrors) {
    TcScopedClientLibrary client(ClientLibraryFileNames(clFBClient));
    TcTempDir dir;
    TcFirebirdServer server;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    const std::string create = "CREATE DATABASE '" + server.ConnectName(dir.File("lost.fdb")) +
                               "' USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "'";
    ASSERT_EQ(ClientApi.isc_dsql_execute_immediate(ThreadStatusVector(), &db, &tr, 0,
                                                   create.c_str(), SQL_DIALECT_V6, nullptr),
              0);

    server.Kill();
    EXPECT_FALSE(server.Running());
    const struct {
        ISC_STATUS code;
        const char* message;
    } expected[] = {
        {isc_net_read_err, "Error reading data from the connection"},
        {isc_net_write_err, "Error writing data to the connection"},
        {isc_net_write_err, "Error writing data to the connection"},
    };
    for (const auto& call : expected) {
        try {
            ExecuteInTransaction(db, "create table t (a integer)");
            ADD_FAILURE() << "a statement ran on a dead server";
        } catch (const EMDOFirebirdError& e) {
            EXPECT_EQ(e.ErrorCode, call.code);
            EXPECT_EQ(e.SQLCode, -902);
            EXPECT_EQ(e.Message(), call.message);
        }
    }
    ISC_STATUS_ARRAY ignored;
    ClientApi.isc_detach_database(ignored, &db);
}

}  // namespace
