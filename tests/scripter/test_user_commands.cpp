// CREATE USER, DROP USER and ALTER USER through the service manager of the
// private server: the login of the last CREATE DATABASE or CONNECT reaches
// the server of that database.

#include <algorithm>

#include "foundation/scoped_value.h"
#include "mdo/client_library.h"
#include "mdo/mdo_errors.h"
#include "scripter_fixture.h"
#include "support/expect_error.h"
#include "support/firebird_server.h"

namespace {

class UserCommands : public FirebirdServerTest {
  protected:
    void SetUp() override {
        FirebirdServerTest::SetUp();
        remote = Server().ConnectName(folder.File("users.fdb"));
        engine.ExecuteScript("CREATE DATABASE '" + remote + "' USER 'SYSDBA' PASSWORD '" +
                             Server().SysdbaPassword() + "';");
    }
    // Whether a CONNECT as `user` with `password` succeeds.
    bool LogsIn(const std::string& user, const std::string& password) {
        TcDBScripter_IB other;
        try {
            other.ExecuteScript("CONNECT '" + remote + "' USER '" + user + "' PASSWORD '" +
                                password + "';");
        } catch (const EUser& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Your user name and password are not defined", 0),
                      0u)
                << e.what();
            return false;
        }
        EXPECT_TRUE(other.Connected());
        other.Close();
        return true;
    }
    std::string Message(const std::string& script) {
        engine.ExecuteScript(script);
        return engine.LastMessage;
    }

    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcTempDir folder;
    std::string remote;
    TcDBScripter_IB engine;
};

TEST_F(UserCommands, CreateAlterAndDropAUser) {
    EXPECT_EQ(Message("CREATE USER 'tessel_bob' PASSWORD 'one';"), "Done.");
    EXPECT_TRUE(LogsIn("tessel_bob", "one"));

    EXPECT_EQ(Message("ALTER USER tessel_bob PASSWORD \"two\";"), "Done.");
    EXPECT_TRUE(LogsIn("tessel_bob", "two"));
    EXPECT_FALSE(LogsIn("tessel_bob", "one"));

    EXPECT_EQ(Message("DROP USER 'tessel_bob';"), "Done.");
    EXPECT_FALSE(LogsIn("tessel_bob", "two"));
    EXPECT_EQ(ClientLibraryUserCount(), 1) << "only the engine's attachment; services are gone";
}

TEST_F(UserCommands, NoOpenConnectionIsNeeded) {
    engine.ExecuteScript("DISCONNECT;");
    ASSERT_FALSE(engine.Connected());
    EXPECT_EQ(Message("CREATE USER 'tessel_carol' PASSWORD 'pw';"), "Done.");
    EXPECT_TRUE(LogsIn("tessel_carol", "pw"));
    EXPECT_EQ(Message("DROP USER 'tessel_carol';"), "Done.");
}

TEST_F(UserCommands, UnknownUserWithAndWithoutSuppressError) {
    const std::string reason = "The user name specified was not found in the security database";
    EXPECT_RAISES(EMDOFirebirdError, engine.ExecuteScript("DROP USER 'tessel_nobody';"), reason);
    engine.ExecuteScript("SET SUPPRESS_ERROR ON;");
    EXPECT_EQ(Message("DROP USER 'tessel_nobody';"), reason) << "the error is the message";
    EXPECT_EQ(Message("DROP USER 'tessel_nobody'; select 1 from rdb$database;"), "")
        << "the script went on";
    EXPECT_EQ(engine.RecordCount, 1);
}

TEST_F(UserCommands, NameWithABlankIsClientError94) {
    for (const char* password : {"x", "another one"}) {
        const auto error = CaughtError<EMDOClientError>([&] {
            engine.ExecuteScript(std::string("CREATE USER 'new user' PASSWORD '") + password +
                                 "';");
        });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->SQLCode, 94);
        EXPECT_EQ(error->Message(), "Start Parameters missing or incorrect");
    }
}

TEST_F(UserCommands, WrongLoginOfTheLastConnectIsRefused) {
    engine.Password = "wrong";
    const auto error = CaughtError<EMDOFirebirdError>(
        [&] { engine.ExecuteScript("CREATE USER 'tessel_dave' PASSWORD 'pw';"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->ErrorCode, isc_login);
    EXPECT_EQ(error->Message().find("wrong"), std::string::npos) << "no password in the message";
}

// A port that refuses connections. (A killed server's port could be taken
// by another test's server before the commands run.)
TEST(UserCommandsWithoutServer, ClearMessageAndNoWait) {
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    const TcRefusingPort port;
    TcDBScripter_IB engine;
    engine.ServerName = "localhost/" + std::to_string(port.Port());
    engine.UserName = "SYSDBA";
    engine.Password = "masterkey";
    for (const char* command :
         {"CREATE USER 'tessel_erin' PASSWORD 'pw';", "ALTER USER 'tessel_erin' PASSWORD 'pw';",
          "DROP USER 'tessel_erin';"}) {
        const auto error = CaughtError<EMDOFirebirdError>([&] { engine.ExecuteScript(command); });
        ASSERT_TRUE(error) << command;
        EXPECT_EQ(error->ErrorCode, isc_network_error) << command;
        EXPECT_EQ(
            error->Message().rfind("Unable to complete network request to host \"localhost\"", 0),
            0u)
            << error->Message();
    }
    EXPECT_EQ(ClientLibraryUserCount(), 0);
}

TEST(UserCommandRegistration, AtTheirPlaceWithHelpInBothLanguages) {
    const struct {
        const char* keyword;
        const char* syntax;
        const char* english;
        const char* dutch;
    } commands[] = {
        {"CREATE USER", "'<username>' PASSWORD '<password>'",
         "Creates a user with the name <username> and the password <password>.",
         "Maakt een gebruiker met de naam <username> en het wachtwoord <password>."},
        {"DROP USER", "'<username>'", "Removes the user with name <username>.",
         "Verwijdert de gebruiker met de naam <username>."},
        {"ALTER USER", "'<username>' PASSWORD '<new password>'",
         "Changes the password of the user <username> in <new password>.",
         "Wijzigt het wachtwoord van de gebruiker met de naam <username> in <new password>."},
    };
    for (const TLanguage language : {TLanguage::English, TLanguage::Dutch}) {
        TcScopedValue<TLanguage> scope{Language, language};
        TcDBScripter_IB engine;
        std::vector<std::string> keywords;
        for (int32_t i = 0; i < engine.Commands.Count; ++i)
            keywords.push_back(engine.Commands[i]->Keyword());
        const auto at = [&](const std::string& keyword) {
            return std::find(keywords.begin(), keywords.end(), keyword) - keywords.begin();
        };
        const auto statistics = at("SET STATISTICS_DISPLAY");
        EXPECT_EQ(at("CREATE USER"), statistics + 1);
        EXPECT_EQ(at("DROP USER"), statistics + 2);
        EXPECT_EQ(at("ALTER USER"), statistics + 3);
        EXPECT_LT(at("ALTER USER"), at("SET SQL_DIALECT"));
        for (const auto& c : commands) {
            const TcPreparsedStatement* command =
                engine.Commands[static_cast<int32_t>(at(c.keyword))];
            EXPECT_EQ(command->SyntaxText, c.syntax);
            EXPECT_EQ(command->HelpText, language == TLanguage::English ? c.english : c.dutch);
        }
    }
}

}  // namespace
