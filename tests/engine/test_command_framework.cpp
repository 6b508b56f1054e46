// Matching statements to commands, parsing their arguments, the HELP listing.

#include <gtest/gtest.h>

#include "engine/base_commands.h"
#include "engine/engine_command.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "recording_scripter.h"
#include "support/expect_error.h"

namespace {

class Framework : public ::testing::Test {
  protected:
    void SetUp() override { engine = std::make_unique<TcRecordingScripter>(); }
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    // "KEYWORD" of the command the statement runs, or "" for SQL.
    std::string Matched(const std::string& statement) {
        std::string matched;
        const std::string normalised = RemoveChars(ReplaceAll(statement, "\n", " "), "\r");
        FindCommand(engine->Commands, UpperCase(normalised), matched);
        return matched;
    }
    TStringList Parse(const std::string& statement) {
        std::string matched;
        TcPreparsedStatement* command =
            FindCommand(engine->Commands, UpperCase(statement), matched);
        EXPECT_NE(command, nullptr) << statement;
        TStringList arguments;
        if (command) ParseArguments(*command, statement, matched, arguments);
        return arguments;
    }
    std::unique_ptr<TcRecordingScripter> engine;
};

TEST_F(Framework, KeywordMatching) {
    struct Case {
        const char* statement;
        const char* keyword;
    } cases[] = {
        {"commit", "COMMIT"},
        {"commit work", "COMMIT WORK"},
        {"commit retain", ""},  // no COMMIT form takes arguments: SQL
        {"SET\nTERM ^", "SET TERM"},
        {"SET\r\nTERM ^", "SET TERM"},
        {"SET  TERM ^", ""},
        {"set parameter_replace on", "SET PARAMETER_REPLACE"},
        {"set parameter x 1", "SET PARAMETER"},
        {"set transaction mode snapshot", "SET TRANSACTION MODE"},
        {"set transaction read committed", ""},
        {"echoes", ""},
        {"ECHO", "ECHO"},
        {"set echo", "SET ECHO"},
        {"select 1 from rdb$database", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Matched(c.statement), c.keyword) << c.statement;
}

TEST_F(Framework, ArgumentsFollowTheSyntaxTokens) {
    struct Case {
        const char* statement;
        TStringList arguments;
    } cases[] = {
        {"set echo on", {"ON|OFF=on"}},
        {"ECHO   hello    world", {"$=hello world"}},
        {"ECHO", {"$="}},
        {"ECHO 'hello  there'", {"$='hello  there'"}},
        {"CONNECT 'my db.fdb' PASSWORD 'p w' USER \"me\"",
         {"$='my db.fdb'", "USER=\"me\"", "PASSWORD='p w'"}},
        {"CONNECT 'emp.fdb' USER", {"$='emp.fdb'"}},
        {"CONNECT 'emp.fdb' role r user u", {"$='emp.fdb'", "USER=u", "ROLE=r"}},
        {"set plan OnLy", {"ON|OFF|ONLY=OnLy"}},
        {"set transaction_mode readcommitted", {"READONLY|READCOMMITTED|SNAPSHOT=readcommitted"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.statement), c.arguments) << c.statement;
}

TEST_F(Framework, ChoiceAndRequiredOptionErrors) {
    struct Case {
        const char* statement;
        const char* message;
    } cases[] = {
        {"SET ECHO", "Parameters should be ON or OFF"},
        {"SET ECHO ON OFF", "Parameters should be ON or OFF"},
        {"SET ECHO maybe", "Parameters should be ON or OFF"},
        {"SET PLAN", "Parameters should be ON, OFF or ONLY"},
    };
    // A syntax error is a plain error, not a user error.
    for (const Case& c : cases)
        EXPECT_RAISES_EXACTLY(Exception, engine->ExecuteStatement(c.statement), c.message)
            << c.statement;
    Language = TLanguage::Dutch;
    EXPECT_RAISES_EXACTLY(Exception, engine->ExecuteStatement("SET ECHO"),
                          "Parameterlijst moest bestaan uit ON of OFF");
}

// A command with a required option, as later engines register them.
class TpsRequired : public TcPreparsedStatement {
  public:
    TpsRequired() {
        SetKeyword("grant it");
        Syntax = {"$", "TO"};
    }
    void Execute(TcDBBaseScripter&, const TStringList& arguments, const std::string&,
                 std::string& message) override {
        message = JoinStrings(arguments, ";", ";");
    }
};

TEST_F(Framework, DispatchSeesTheStatementAsMatchingDoes) {
    engine->ExecuteStatement("s\ret\necho on");
    EXPECT_TRUE(engine->Echo);
    engine->ExecuteStatement("set\techo off");  // a tab is no separator: SQL
    EXPECT_TRUE(engine->Echo);
    EXPECT_EQ(engine->Statements, TStringList{"set\techo off"});
}

TEST_F(Framework, RequiredOptionMissingOrPresent) {
    engine->ExecuteStatement("ECHO before the new command");
    engine->Commands.Add(new TpsRequired);
    EXPECT_EQ(engine->Commands.Get(engine->Commands.Count - 1)->Keyword(), "GRANT IT");
    engine->ExecuteStatement("GRANT IT x to Bob");
    EXPECT_EQ(engine->LastMessage, "$=x;TO=Bob");
    EXPECT_RAISES(Exception, engine->ExecuteStatement("GRANT IT x"),
                  "Parameter TO not found for GRANT IT.");
    EXPECT_TRUE(engine->Statements.empty()) << "a failed command is never sent as SQL";
}

TEST_F(Framework, CommandSeesTheNormalisedStatement) {
    struct TpsSpy : TcPreparsedStatement {
        TpsSpy() {
            SetKeyword("SPY");
            Syntax = {"$"};
        }
        void Execute(TcDBBaseScripter&, const TStringList&, const std::string& statement,
                     std::string& message) override {
            message = statement;
        }
    };
    engine->Commands.Add(new TpsSpy);
    engine->ExecuteStatement("spy\r\nOn\tTwo  Lines");
    EXPECT_EQ(engine->LastMessage, "spy On\tTwo  Lines");
}

// The whole listing, as the syntax lines of the thirty base commands read.
const char* const kEnglishListing =
    "CHECK <statement>\r\n"
    "COMMIT [TRANSACTION]\r\n"
    "COMMIT TRANSACTION [TRANSACTION]\r\n"
    "CONNECT '<databasename>' [USER '<username>'] [PASSWORD '<password>'] [ROLE <role>]\r\n"
    "DISCONNECT \r\n"
    "ECHO <Text>\r\n"
    "EXECUTE SCRIPT '<scriptname>'\r\n"
    "HELP [<command>]\r\n"
    "RECONNECT \r\n"
    "ROLLBACK [TRANSACTION]\r\n"
    "ROLLBACK TRANSACTION [TRANSACTION]\r\n"
    "SET AUTODDL <ON|OFF>\r\n"
    "SET ECHO <ON|OFF>\r\n"
    "SET PARAMETER <name> <value>\r\n"
    "SET PARAMETER_REPLACE <ON|OFF>\r\n"
    "SET PLAN <ON|OFF|ONLY>\r\n"
    "SET ROOT_DIRECTORY '<directory>'\r\n"
    "SET SHOW_RECORD_COUNT <ON|OFF>\r\n"
    "SET SHOW_RECORD_HEADER <ON|OFF>\r\n"
    "SET START_TRANSACTION <IMPLICIT|EXPLICIT>\r\n"
    "SET SUPPRESS_ERROR <ON|OFF>\r\n"
    "SET SUPPRESS_OUTPUT <ON|OFF>\r\n"
    "SET TERM <terminator>\r\n"
    "SET TIME_DISPLAY <ON|OFF>\r\n"
    "SET TRANSACTION MODE <READONLY|READCOMMITTED|SNAPSHOT>\r\n"
    "SET TRANSACTION_MODE <READONLY|READCOMMITTED|SNAPSHOT>\r\n"
    "SET WARN_ON_RECORDS_RETURNED <number|0>\r\n"
    "SLEEP <number>\r\n"
    "START TRANSACTION \r\n";

TEST_F(Framework, HelpListsEveryListedCommandSorted) {
    engine->ExecuteStatement("HELP");
    EXPECT_EQ(engine->LastMessage, kEnglishListing);
}

TEST_F(Framework, DutchListingDiffersOnlyInTheTranslatedSyntaxTexts) {
    Language = TLanguage::Dutch;
    TcRecordingScripter dutch;  // help texts are fixed at construction
    dutch.ExecuteStatement("HELP");
    std::string expected = ReplaceAll(kEnglishListing, "ECHO <Text>", "ECHO <Tekst>");
    expected = ReplaceAll(expected, "<number|0>", "<aantal|0>");
    EXPECT_EQ(dutch.LastMessage, expected);
    dutch.ExecuteStatement("HELP foo");
    EXPECT_EQ(dutch.LastMessage, "foo is een onbekend commando.");
}

TEST_F(Framework, HelpForOneCommand) {
    struct Case {
        const char* statement;
        const char* message;
    } cases[] = {
        {"HELP set term",
         "SET TERM <terminator>\r\nChanges the SQL statement terminator to <terminator>."},
        {"HELP FOO", "FOO is a unknown command."},
        {"HELP commit work", "commit work is a unknown command."},  // not listed
        {"HELP disconnect", "DISCONNECT \r\nDisconnects from the active database."},
        {"HELP set transaction mode",
         "SET TRANSACTION MODE <READONLY|READCOMMITTED|SNAPSHOT>\r\nSets the transaction mode."},
        {"HELP commit transaction",
         "COMMIT TRANSACTION [TRANSACTION]\r\nCommit the changes of the current transaction. "
         "\r\nThe keyword TRANSACTION is optional."},
    };
    for (const Case& c : cases) {
        engine->ExecuteStatement(c.statement);
        EXPECT_EQ(engine->LastMessage, c.message) << c.statement;
    }
}

// The names a later command can never be reached by: an earlier command
// that takes arguments and whose keyword or alias, followed by a blank,
// begins the later one's catches every statement meant for it.
std::vector<std::string> ShadowedNames(const TcPreparsedStatements& commands) {
    std::vector<std::string> shadowed;
    for (int32_t i = 0; i < commands.Count; ++i) {
        const TcPreparsedStatement* earlier = commands.Get(i);
        if (earlier->Syntax.empty()) continue;
        for (int32_t j = i + 1; j < commands.Count; ++j) {
            const TcPreparsedStatement* later = commands.Get(j);
            for (const std::string& prefix : {earlier->Keyword(), earlier->Alias()}) {
                if (prefix.empty()) continue;
                for (const std::string& name : {later->Keyword(), later->Alias()})
                    if (name.rfind(prefix + " ", 0) == 0)
                        shadowed.push_back(name + " after " + prefix);
            }
        }
    }
    return shadowed;
}

TEST_F(Framework, EveryBaseCommandCanBeReached) {
    EXPECT_EQ(ShadowedNames(engine->Commands), std::vector<std::string>{});
}

TEST_F(Framework, TheReachabilityRuleSeesAShadowedCommand) {
    // A command that takes arguments, added after the commands it begins,
    // is fine; added before a longer one it hides that one.
    TcPreparsedStatements commands;
    auto add = [&commands](const char* keyword, TStringList syntax) {
        auto* command = new TpsRequired;
        command->SetKeyword(keyword);
        command->Syntax = std::move(syntax);
        commands.Add(command);
    };
    add("SHOW", {"$"});
    add("SHOW TABLES", {});
    add("SHOWCASE", {"$"});
    EXPECT_EQ(ShadowedNames(commands), std::vector<std::string>{"SHOW TABLES after SHOW"});
}

// A command of an engine family reaches its engine typed, once; registered on
// an engine of another family it is refused as a programming error.
class TcFamilyEngine : public TcRecordingScripter {
  public:
    std::string Family = "family";
};

class TpsFamilyOnly : public TcEngineCommand<TcFamilyEngine> {
  public:
    TpsFamilyOnly() { SetKeyword("FAMILY ONLY"); }

  protected:
    void ExecuteOn(TcFamilyEngine& engine, const TStringList&, const std::string&,
                   std::string& message) override {
        message = engine.Family;
    }
};

TEST(TypedCommands, ReachTheirEngineTypedAndRefuseAnother) {
    TcFamilyEngine family;
    family.Commands.Add(new TpsFamilyOnly);
    family.ExecuteStatement("FAMILY ONLY");
    EXPECT_EQ(family.LastMessage, "family");

    TcRecordingScripter other;
    other.Commands.Add(new TpsFamilyOnly);
    EXPECT_RAISES(EInternal, other.ExecuteStatement("family only"),
                  "Internal error. Location: FAMILY ONLY. Message: The command belongs to another "
                  "engine.");
}

}  // namespace
