// CREATE and DROP DATABASE, the options that travel with the next connect,
// the dialect, CHAR trimming and the client library.

#include <filesystem>

#include "mdo/client_library.h"
#include "scripter/database_commands.h"
#include "scripter_fixture.h"
#include "support/expect_error.h"

namespace {

using Lines = std::vector<std::string>;

class DatabaseCommands : public EmbeddedScripter {
  protected:
    // One value of the current attachment, read by an internal statement.
    std::string Query(const std::string& sql) {
        TcInternalExecution internal(*engine);
        engine->ExecuteStatement(sql);
        engine->View().First();
        return engine->View().ValueText(0);
    }
};

TEST_F(DatabaseCommands, CreateLeavesTheEngineConnectedToTheNewDatabase) {
    EXPECT_TRUE(engine->Connected());
    EXPECT_EQ(engine->UserName, "SYSDBA");
    EXPECT_EQ(engine->Password, "masterkey");
    EXPECT_TRUE(std::filesystem::exists(DatabasePath()));
    EXPECT_FALSE(engine->NoAutoTransaction);
    EXPECT_EQ(Query("select count(*) from rdb$database"), "1");
}

TEST_F(DatabaseCommands, CreateWithRootDirectoryRebuildsTheStatement) {
    std::vector<std::string> sent;
    TcTempDir other;
    engine->ExecuteScript("SET ROOT_DIRECTORY '" + other.Path() + "';");
    const std::string message =
        Message("CREATE DATABASE 'rel.fdb' USER 'SYSDBA' PASSWORD 'pw' PAGE_SIZE 8192;");
    EXPECT_EQ(message, "Database created.");
    EXPECT_TRUE(std::filesystem::exists(other.File("rel.fdb")));
    EXPECT_EQ(engine->ConnectString(), other.File("rel.fdb"));
    EXPECT_EQ(Query("select mon$page_size from mon$database"), "8192");
    EXPECT_EQ(engine->Password, "pw");
}

TEST_F(DatabaseCommands, CreateWithAnAbsolutePathSendsTheStatementUnchanged) {
    const std::string path = folder.File("charset.fdb");
    Message("CREATE DATABASE '" + path +
            "' USER 'SYSDBA' PASSWORD 'pw' DEFAULT CHARACTER SET UTF8;");
    EXPECT_EQ(Query("select trim(rdb$character_set_name) from rdb$database"), "UTF8");
}

TEST_F(DatabaseCommands, CreateFailureLeavesTheEngineDisconnected) {
    EXPECT_THROW(Run("CREATE DATABASE '" + folder.File("no/such/dir/x.fdb") +
                     "' USER 'SYSDBA' PASSWORD 'pw';"),
                 EUser);
    EXPECT_FALSE(engine->Connected());
    EXPECT_FALSE(engine->NoAutoTransaction);
    try {
        Run("CREATE DATABASE 'x.fdb' PASSWORD 'pw';");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Parameter USER not found for CREATE DATABASE.");
    }
}

TEST_F(DatabaseCommands, DropRemovesTheFileAndDisconnects) {
    EXPECT_EQ(Message("DROP DATABASE;"), "Database dropped.");
    EXPECT_FALSE(engine->Connected());
    EXPECT_FALSE(std::filesystem::exists(DatabasePath()));
    EXPECT_EQ(Message("DROP DATABASE;"), "Database dropped.") << "disconnected: nothing happens";
}

TEST_F(DatabaseCommands, RefusedDropWithSuppressErrorKeepsTheServersText) {
    // A second attachment makes the drop fail ("object in use").
    TcDBScripter_IB other;
    other.ExecuteScript("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'x';");
    engine->SuppressError = true;
    const std::string message = Message("DROP DATABASE;");
    EXPECT_NE(message, "Database dropped.");
    EXPECT_NE(message.find("in use"), std::string::npos) << message;
    EXPECT_FALSE(engine->Connected());
    EXPECT_TRUE(std::filesystem::exists(DatabasePath()));
    engine->SuppressError = false;
    Run("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'x';");
    EXPECT_THROW(Run("DROP DATABASE;"), EUser);
}

TEST_F(DatabaseCommands, ForcedWriteTravelsWithOneConnect) {
    EXPECT_EQ(Message("SET FORCED_WRITE OFF;"), "Forced write off.");
    EXPECT_TRUE(engine->ForcedWritePending);
    Run("RECONNECT;");
    EXPECT_FALSE(engine->ForcedWritePending);
    EXPECT_EQ(Query("select mon$forced_writes from mon$database"), "0");
    EXPECT_EQ(Message("SET FORCED_WRITE on;"), "Forced write on.");
    engine->PrepareConnect();
    // The block: version, user, password, then force write 1.
    const std::vector<char>& block = engine->ConnectParams;
    const std::vector<char> tail = {isc_dpb_force_write, 1, 1};
    ASSERT_GE(block.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), block.end() - 3));
    engine->UnprepareConnect();
    engine->PrepareConnect();
    EXPECT_EQ(std::search(engine->ConnectParams.begin(), engine->ConnectParams.end(), tail.begin(),
                          tail.end()),
              engine->ConnectParams.end())
        << "a second connect sends no force-write item";
    engine->UnprepareConnect();
}

TEST_F(DatabaseCommands, CharacterSetTakesEffectAtTheNextConnect) {
    const char* attachmentCharset =
        "select trim(c.rdb$character_set_name) from mon$attachments a join rdb$character_sets c "
        "on c.rdb$character_set_id = a.mon$character_set_id where a.mon$attachment_id = "
        "current_connection";
    EXPECT_EQ(Query(attachmentCharset), "NONE");
    EXPECT_EQ(Message("SET NAMES WIN1252;"), "Character set set.");
    EXPECT_EQ(Query(attachmentCharset), "NONE");
    Run("RECONNECT;");
    EXPECT_EQ(Query(attachmentCharset), "WIN1252");
    Language = TLanguage::Dutch;
    EXPECT_EQ(Message("SET CHARACTER_SET UTF8;"), "Character set gezet.");
}

TEST_F(DatabaseCommands, DialectAndTrimCharFields) {
    Run("SET SQL_DIALECT 1;");
    EXPECT_EQ(engine->SQLDialect, 1);
    Run("SET SQL DIALECT 3;");
    EXPECT_EQ(engine->SQLDialect, 3);
    EXPECT_THROW(Run("SET SQL_DIALECT three;"), Exception);
    EXPECT_EQ(engine->SQLDialect, 3);
    // Values past 16 bits once wrapped around to a valid dialect.
    for (const char* value : {"0", "4", "-1", "65537", "65539"}) {
        EXPECT_RAISES(
            EUser, Run(std::string("SET SQL_DIALECT ") + value + ";"),
            std::string(value) + " is not a valid SQL dialect; the dialect is 1, 2 or 3.");
        EXPECT_EQ(engine->SQLDialect, 3);
    }

    Run("create table c (v char(10)); insert into c values ('ab');");
    EXPECT_EQ(Run("select v from c;")[2], "ab         ");
    Run("SET TRIM_CHAR_FIELDS ON;");
    EXPECT_EQ(Run("select v from c;"), (Lines{"V", "======", "ab     "}));
}

TEST_F(DatabaseCommands, MissingClientLibraryFallsBackToTheAutomaticChoice) {
    std::vector<std::string> changes;
    engine->OnClientLibraryChanged = [&](TObject* sender, TClientLibraryChange reason,
                                         const std::string& name) {
        EXPECT_NE(dynamic_cast<TpsSetClientLibrary*>(sender), nullptr);
        EXPECT_EQ(reason, TClientLibraryChange::Chosen);
        changes.push_back(name);
    };
    const std::string loaded = ClientLibraryName;
    ASSERT_FALSE(loaded.empty());
    try {
        Run("SET CLIENT_LIBRARY GDS32;");
        FAIL() << "no error";
    } catch (const EUser& e) {
        EXPECT_STREQ(e.what(), "Unable to load library libgds.so.");
    }
    EXPECT_FALSE(engine->Connected());
    EXPECT_EQ(ClientLibraryName, loaded);
    EXPECT_TRUE(changes.empty());

    // The library already loaded: no disconnect, but the event still fires.
    Run("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'x';");
    Run("SET CLIENT_LIBRARY FBCLIENT;");
    EXPECT_TRUE(engine->Connected());
    EXPECT_EQ(changes, (Lines{"libfbclient.so.2"}));
    Run("SET CLIENT_LIBRARY AUTO;");
    EXPECT_TRUE(engine->Connected()) << "AUTO changes nothing once a library is loaded";
    EXPECT_EQ(engine->SQLDialect, 3);
}

// Unloading the library under another engine's attachment would send that
// engine into unmapped code: the switch is refused before anything changes.
TEST_F(DatabaseCommands, ClientLibrarySwitchRefusedWhileAnotherEngineIsAttached) {
    const std::string loaded = ClientLibraryName;
    TcDBScripter_IB other;
    int changes = 0;
    other.OnClientLibraryChanged = [&](TObject*, TClientLibraryChange, const std::string&) {
        ++changes;
    };
    EXPECT_EQ(engine->ClientLibraryUses(), 1);
    EXPECT_EQ(other.ClientLibraryUses(), 0) << "an engine without an attachment holds nothing";
    const std::string refusal =
        "Cannot unload the client library " + loaded + ": 1 other connection(s) still use it.";
    try {
        other.ExecuteScript("SET CLIENT_LIBRARY GDS32;");
        FAIL() << "switched under an attached engine";
    } catch (const EUser& e) {
        EXPECT_EQ(e.what(), refusal);
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(ClientLibraryName, loaded);
    EXPECT_EQ(Run("select 7 from rdb$database;").back(), "        7 ") << "the attachment works";

    // Both attached: the engine's own attachment does not count, the other's does.
    other.ExecuteScript("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'x';");
    try {
        Run("SET CLIENT_LIBRARY GDS32;");
        FAIL() << "switched under an attached engine";
    } catch (const EUser& e) {
        EXPECT_EQ(e.what(), refusal);
    }
    EXPECT_TRUE(engine->Connected()) << "a refused switch disconnects nothing";

    // Once the other engine has let go, the switch goes ahead.
    other.ExecuteScript("DISCONNECT;");
    EXPECT_EQ(other.ClientLibraryUses(), 0);
    EXPECT_THROW(Run("SET CLIENT_LIBRARY GDS32;"), EUser);  // no libgds.so here
    EXPECT_FALSE(engine->Connected());
    EXPECT_EQ(engine->ClientLibraryUses(), 0);
    EXPECT_EQ(ClientLibraryUserCount(), 0);
    Run("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'x';");
    EXPECT_EQ(Run("select 8 from rdb$database;").back(), "        8 ");
}

TEST_F(DatabaseCommands, ConnectToAMissingDatabase) {
    engine->SuppressError = true;
    const std::string message =
        Message("CONNECT '" + folder.File("missing.fdb") + "' USER 'SYSDBA' PASSWORD 'x';");
    EXPECT_FALSE(engine->Connected());
    EXPECT_EQ(message.rfind("I/O error during \"open\" operation for file", 0), 0u) << message;
    EXPECT_FALSE(engine->ConnectParamsPrepared);
    EXPECT_EQ(engine->ClientLibraryUses(), 0) << "a failed attach holds no library";
}

TEST_F(DatabaseCommands, HelpListsTheFirebirdCommands) {
    const std::string listing = Message("HELP;");
    for (const char* line :
         {"CREATE DATABASE '<databasename>' USER '<username>' PASSWORD '<password>' [PAGE_SIZE "
          "<pagesize>] [DEFAULT CHARACTER SET <character set>]\r\n",
          "DROP DATABASE \r\n", "SET CHARACTER_SET <character set>\r\n",
          "SET NAMES <character set>\r\n", "SET CLIENT_LIBRARY <AUTO|GDS32|FBCLIENT|FBEMBED>\r\n",
          "SET FORCED_WRITE <ON|OFF>\r\n", "SET SQL DIALECT <dialect number>\r\n",
          "SET SQL_DIALECT <dialect number>\r\n", "SET STATISTICS_DISPLAY <ON|OFF>\r\n",
          "SET TRIM_CHAR_FIELDS <ON|OFF>\r\n"})
        EXPECT_NE(listing.find(line), std::string::npos) << line;
}

}  // namespace
