// The scripter through the private Firebird server: remote names and a
// connection that is lost in the middle of a script.

#include "mdo/client_library.h"
#include "scripter_fixture.h"
#include "support/expect_error.h"
#include "support/firebird_server.h"

namespace {

class RemoteServer : public ::testing::Test {
  protected:
    void SetUp() override { Language = TLanguage::English; }
    TcTempDir folder;
};

TEST_F(RemoteServer, CreateConnectAndQueryThroughHostPortNames) {
    TcFirebirdServer server;
    TcDBScripter_IB engine;
    const std::string name = server.ConnectName(folder.File("remote.fdb"));
    engine.ExecuteScript("CREATE DATABASE '" + name + "' USER 'SYSDBA' PASSWORD '" +
                         server.SysdbaPassword() + "';");
    EXPECT_EQ(engine.ServerName, "localhost/" + std::to_string(server.Port()));
    EXPECT_EQ(engine.ConnectString(), name);
    engine.ExecuteScript("create table t (a integer); insert into t values (5);");
    EXPECT_EQ(engine.LastMessage, "1 row(s) inserted.");
    engine.ExecuteScript("DISCONNECT; CONNECT '" + name + "' USER 'SYSDBA' PASSWORD '" +
                         server.SysdbaPassword() + "'; select a from t;");
    engine.View().First();
    EXPECT_EQ(engine.View().ValueText(0), "5");
    EXPECT_EQ(engine.ExecuteInternalCount, 0);

    // A wrong password is the server's refusal, reported as a user error.
    TcDBScripter_IB refused;
    EXPECT_THROW(refused.ExecuteScript("CONNECT '" + name + "' USER 'SYSDBA' PASSWORD 'wrong';"),
                 EUser);
    EXPECT_FALSE(refused.Connected());
}

TEST_F(RemoteServer, LostConnectionMarksTheEngineDisconnected) {
    auto server = std::make_unique<TcFirebirdServer>();
    TcDBScripter_IB engine;
    engine.StartTransactionModel = TStartTransactionModel::Implicit;
    int afterDisconnect = 0;
    engine.OnAfterDisconnect = [&](TcDBBaseScripter&) { ++afterDisconnect; };
    const std::string name = server->ConnectName(folder.File("lost.fdb"));
    engine.ExecuteScript("CREATE DATABASE '" + name + "' USER 'SYSDBA' PASSWORD '" +
                         server->SysdbaPassword() +
                         "'; create table t (a integer);"
                         "insert into t values (1);");
    ASSERT_TRUE(engine.InTransaction());
    server->Kill();
    try {
        engine.ExecuteScript("select * from t; select 2 from rdb$database;");
        FAIL() << "no error";
    } catch (const EUser& e) {
        EXPECT_NE(std::string(e.what()).find("connection"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(engine.Connected());
    EXPECT_FALSE(engine.InTransaction());
    EXPECT_FALSE(engine.ConnectParamsPrepared);
    EXPECT_EQ(afterDisconnect, 0) << "a lost connection fires no disconnect events";
    // What the client held of the attachment is released, so nothing holds
    // the library any more.
    EXPECT_EQ(engine.DatabaseHandle(), 0u);
    EXPECT_EQ(engine.TransactionHandle(), 0u);
    EXPECT_EQ(engine.ClientLibraryUses(), 0);
    server.reset();

    // The next CONNECT works.
    engine.ExecuteScript("CREATE DATABASE '" + folder.File("local.fdb") +
                         "' USER 'SYSDBA' PASSWORD 'x'; select 1 from rdb$database;");
    EXPECT_TRUE(engine.Connected());
    EXPECT_EQ(engine.RecordCount, 1);
}

// An attachment that the server shuts down (here ended by an administrator
// through the monitoring tables) is gone as surely as a lost one: the engine
// forgets it instead of failing every later statement on it.
TEST_F(RemoteServer, AttachmentShutDownByTheServerIsForgotten) {
    TcFirebirdServer& server = TcFirebirdServer::Shared();
    const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "'";
    const std::string name = server.ConnectName(folder.File("shutdown.fdb"));
    TcDBScripter_IB engine;
    engine.StartTransactionModel = TStartTransactionModel::Implicit;
    engine.ExecuteScript("CREATE DATABASE '" + name + "'" + login +
                         "; create table t (a integer); insert into t values (1);");
    ASSERT_TRUE(engine.InTransaction());
    TcDBScripter_IB administrator;
    administrator.ExecuteScript("CONNECT '" + name + "'" + login +
                                "; delete from mon$attachments"
                                " where mon$attachment_id <> current_connection; COMMIT;");
    EXPECT_RAISES(EUser, engine.ExecuteScript("select count(*) from t;"), "connection shutdown.");
    EXPECT_FALSE(engine.Connected());
    EXPECT_FALSE(engine.InTransaction());
    EXPECT_EQ(engine.DatabaseHandle(), 0u);
    EXPECT_EQ(engine.ClientLibraryUses(), 0);
    administrator.Close();
}

}  // namespace
