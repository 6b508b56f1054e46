// The DDL description commands: their place in the command order, help
// texts in both languages, text treatments and not-found errors.

#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/scoped_value.h"
#include "mdo/mdo_errors.h"
#include "scripter/ddl_commands.h"
#include "scripter_fixture.h"
#include "support/expect_error.h"

namespace {

const char* const kOrder[] = {
    "DESCRIBE DATABASE",  "DESCRIBE COMPLETE PROCEDURE", "DESCRIBE TRIGGER FOR",
    "DESCRIBE TRIGGER",   "DESCRIBE GENERATOR",          "DESCRIBE DOMAIN",
    "DESCRIBE EXCEPTION", "DESCRIBE INDEX FOR",          "DESCRIBE INDEX"};

TEST(DDLCommands, RegisteredInOrderBeforeDescribe) {
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcDBScripter_IB engine;
    std::vector<std::string> keywords;
    for (int i = 0; i < engine.Commands.Count; ++i)
        keywords.push_back(engine.Commands[i]->Keyword());
    auto at = [&keywords](const std::string& keyword) {
        return std::find(keywords.begin(), keywords.end(), keyword) - keywords.begin();
    };
    for (size_t i = 0; i < std::size(kOrder); ++i) {
        ASSERT_LT(at(kOrder[i]), static_cast<long>(keywords.size())) << kOrder[i];
        if (i > 0) {
            EXPECT_EQ(at(kOrder[i - 1]) + 1, at(kOrder[i])) << kOrder[i];
        }
    }
    EXPECT_LT(at("DESCRIBE INDEX"), at("DESCRIBE"));
}

struct HelpCase {
    const char* keyword;
    const char* syntax;
    const char* english;
    const char* dutch;
};

class DDLHelp : public ::testing::TestWithParam<HelpCase> {};

std::pair<std::string, std::string> HelpOf(const std::string& keyword, TLanguage language) {
    TcScopedValue<TLanguage> scoped{Language, language};
    TcPreparsedStatements commands;
    RegisterDDLCommands(commands);
    for (int i = 0; i < commands.Count; ++i)
        if (commands[i]->Keyword() == keyword)
            return {commands[i]->SyntaxText, commands[i]->HelpText};
    return {"", "(missing)"};
}

TEST_P(DDLHelp, TextsInBothLanguages) {
    const auto english = HelpOf(GetParam().keyword, TLanguage::English);
    const auto dutch = HelpOf(GetParam().keyword, TLanguage::Dutch);
    EXPECT_EQ(english.first, GetParam().syntax);
    EXPECT_EQ(english.second, GetParam().english);
    EXPECT_EQ(dutch.second, GetParam().dutch);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DDLHelp,
    ::testing::Values(
        HelpCase{"DESCRIBE DATABASE", "",
                 "DESCRIBE DATABASE shows the complete database \r\n<procedurename>.",
                 "DESCRIBE DATABASE toont de volledige database\r\n<procedurename>."},
        HelpCase{"DESCRIBE COMPLETE PROCEDURE", "<procedurename>",
                 "DESCRIBE COMPLETE PROCEDURE <procedurename> shows the complete stored procedure "
                 "\r\n<procedurename>.",
                 "DESCRIBE COMPLETE PROCEDURE <procedurename> toont de volledige stored procedure "
                 "\r\n<procedurename>."},
        HelpCase{"DESCRIBE TRIGGER FOR", "<relationname>",
                 "DESCRIBE TRIGGER FOR <relation> shows all triggers for the relation "
                 "\r\n<relationname>.",
                 "DESCRIBE TRIGGER FOR <relation> toont alle triggers voor de tabel "
                 "\r\n<relationname>."},
        HelpCase{"DESCRIBE TRIGGER", "[<triggername>]",
                 "DESCRIBE TRIGGER shows informatio about all triggers\r\nDESCRIBE TRIGGER "
                 "<triggername> shows information about the trigger <triggername>.\r\n",
                 "DESCRIBE TRIGGER toont informatie over alle triggers.\r\nDESCRIBE TRIGGER "
                 "<triggername> toont informatie over de trigger <triggername>.\r\n"},
        HelpCase{"DESCRIBE GENERATOR", "[<generatorname>]",
                 "DESCRIBE GENERATOR shows a list of all generators.\r\nDESCRIBE GENERATOR "
                 "<generatorname> shows information about the generator <generatorname].",
                 "DESCRIBE GENERATOR toont een lijst van alle generators\r\nDESCRIBE GENERATOR "
                 "<generatorname> toont informatie over de generator <generatorname>."},
        HelpCase{"DESCRIBE DOMAIN", "[<domainname>]",
                 "DESCRIBE DOMAIN shows information about all domains.\r\nDESCRIBE DOMAIN "
                 "<domainname> shows information about the domain <domainname>.",
                 "DESCRIBE DOMAIN toont informatie over alle domainen.\r\nDESCRIBE DOMAIN "
                 "<domainname> toont informatie over het domain <domainname>."},
        HelpCase{"DESCRIBE EXCEPTION", "[<exceptionname>]",
                 "DESCRIBE EXCEPTION show information about all exceptions.\r\nDESCRIBE "
                 "EXCEPTION <exceptionname> shows information about the exception "
                 "<exceptionname>.",
                 "DESCRIBE EXCEPTION toont informatie over alle exceptions.\r\nDESCRIBE "
                 "EXCEPTION <exceptionname> toont informatie over de exception <exceptionname>."},
        HelpCase{"DESCRIBE INDEX FOR", "<relationname>",
                 "DESCRIBE INDEX FOR <relationname> shows all indices for relation "
                 "<relationname>.",
                 "DESCRIBE INDEX FOR <relationname> toont alle indexen van de tabel "
                 "<relationname>."},
        HelpCase{"DESCRIBE INDEX", "<indexname>",
                 "DESCRIBE INDEX shows information about all indices.\r\nDESCRIBE INDEX "
                 "<indexname> shows information about the index <indexname>.",
                 "DESCRIBE INDEX toont informatie over alle indexen.\r\nDESCRIBE INDEX "
                 "<indexname> toont informatie over de index <indexname>."}),
    [](const auto& info) { return ReplaceAll(info.param.keyword, " ", "_"); });

class DDL : public EmbeddedScripter {
  protected:
    void SetUp() override {
        EmbeddedScripter::SetUp();
        Run("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, C VARCHAR(5));"
            "CREATE TABLE EMPTY_T (ID INTEGER);"
            "CREATE INDEX IX_C ON T (C);"
            "CREATE GENERATOR G1;"
            "SET GENERATOR G1 TO 42;"
            "CREATE GENERATOR \"g \"\"q\"\"\";"
            "SET GENERATOR \"g \"\"q\"\"\" TO 7;"
            "CREATE TABLE \"lower_tab\" (\"id\" INTEGER);"
            "CREATE INDEX \"ix lower\" ON \"lower_tab\" (\"id\");"
            "CREATE DOMAIN D1 AS INTEGER DEFAULT 5 CHECK (VALUE > 0);"
            "CREATE EXCEPTION E1 'no';"
            "SET TERM ^;"
            "CREATE TRIGGER TR1 FOR T BEFORE INSERT AS BEGIN END^"
            "CREATE PROCEDURE P1 AS BEGIN EXIT; END^"
            "SET TERM ;^"
            "COMMIT;");
    }
};

struct NotFoundCase {
    const char* statement;
    const char* error;
};

class DDLNotFound : public DDL, public ::testing::WithParamInterface<NotFoundCase> {};

TEST_P(DDLNotFound, NamedObjectMissing) {
    EXPECT_RAISES(EUser, Run(GetParam().statement), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DDLNotFound,
    ::testing::Values(NotFoundCase{"DESCRIBE TRIGGER nope", "Trigger NOPE not found."},
                      NotFoundCase{"DESCRIBE GENERATOR nope", "Generator NOPE not found."},
                      NotFoundCase{"DESCRIBE DOMAIN nope", "Domain NOPE not found."},
                      NotFoundCase{"DESCRIBE EXCEPTION nope", "Exception NOPE not found."},
                      NotFoundCase{"DESCRIBE INDEX nope", "Index NOPE not found."},
                      NotFoundCase{"DESCRIBE INDEX FOR nope", "Relation NOPE not found."}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(DDL, TriggerByNameAndForATable) {
    const std::string trigger = Message("describe trigger tr1");
    EXPECT_EQ(trigger,
              "SET TERM ^ ;\r\n\r\n\r\n/* Triggers only will work for SQL triggers */\r\n\r\n"
              "CREATE TRIGGER \"TR1\" FOR \"T\" \r\nACTIVE BEFORE INSERT POSITION 0\r\n"
              "AS BEGIN END\r\n ^\r\n\r\nCOMMIT WORK ^\r\nSET TERM ;^\r\n");
    EXPECT_EQ(Message("DESCRIBE TRIGGER FOR t"), trigger);
    // A table without triggers leaves no text: the engine's own message.
    EXPECT_EQ(Message("DESCRIBE TRIGGER FOR EMPTY_T"), "Done.");
}

TEST_F(DDL, GeneratorWithItsValueOnlyByName) {
    EXPECT_EQ(Message("DESCRIBE GENERATOR g1"),
              "CREATE GENERATOR \"G1\";\r\nCurrent generator value: 42\r\n");
    EXPECT_EQ(Message("DESCRIBE GENERATOR"),
              "CREATE GENERATOR \"G1\";\r\nCREATE GENERATOR \"g \"\"q\"\"\";");
}

TEST_F(DDL, GeneratorNameNeverBecomesSQL) {
    // Built into the value query, this name would add 1000 to G1.
    EXPECT_RAISES(EUser, Run("DESCRIBE GENERATOR g1, 1000) + GEN_ID(g1;"),
                  "Generator G1, 1000) + GEN_ID(G1 not found.");
    Run("COMMIT;");
    EXPECT_EQ(Message("DESCRIBE GENERATOR g1"),
              "CREATE GENERATOR \"G1\";\r\nCurrent generator value: 42\r\n");
}

TEST_F(DDL, QuotedNamesReachTheirObjects) {
    EXPECT_EQ(Message("DESCRIBE GENERATOR \"g \"\"q\"\"\""),
              "CREATE GENERATOR \"g \"\"q\"\"\";\r\nCurrent generator value: 7\r\n");
    EXPECT_EQ(Message("DESCRIBE INDEX FOR \"lower_tab\""),
              "/*  Index definitions for lower_tab */\r\n\r\nCREATE INDEX \"ix lower\" ON "
              "\"lower_tab\"(\"id\");");
    EXPECT_EQ(Message("DESCRIBE INDEX \"ix lower\""),
              "/*  Index definitions for ix lower */\r\n\r\nCREATE INDEX \"ix lower\" ON "
              "\"lower_tab\"(\"id\");");
    EXPECT_NE(Message("DESCRIBE \"lower_tab\"").find("id"), std::string::npos);
    // A table without indexes of its own is not missing.
    EXPECT_EQ(Message("DESCRIBE INDEX FOR empty_t"), "Done.");
}

TEST_F(DDL, DomainTrimmedWithTabsAsThreeBlanks) {
    EXPECT_EQ(Message("DESCRIBE DOMAIN d1"),
              "/* Domain definitions */\r\nCREATE DOMAIN \"D1\" AS INTEGER\r\n    DEFAULT 5\r\n"
              "    CHECK (VALUE > 0);");
}

TEST_F(DDL, ExceptionIndexAndProcedure) {
    EXPECT_EQ(Message("DESCRIBE EXCEPTION e1"),
              "/*  Exceptions */\r\n\r\nCREATE EXCEPTION \"E1\" 'no';");
    EXPECT_EQ(Message("DESCRIBE INDEX ix_c"),
              "/*  Index definitions for IX_C */\r\n\r\nCREATE INDEX \"IX_C\" ON \"T\"(\"C\");");
    EXPECT_EQ(Message("DESCRIBE INDEX FOR t"),
              "/*  Index definitions for T */\r\n\r\nCREATE INDEX \"IX_C\" ON \"T\"(\"C\");");
    const std::string procedure = Message("DESCRIBE COMPLETE PROCEDURE p1");
    EXPECT_EQ(procedure.rfind("COMMIT WORK;\r\nSET AUTODDL OFF;\r\nSET TERM ^ ;\r\n", 0), 0u)
        << procedure;
    EXPECT_NE(procedure.find("\r\nALTER PROCEDURE \"P1\" \r\nAS\r\nBEGIN EXIT; END\r\n ^\r\n"),
              std::string::npos)
        << procedure;
}

TEST_F(DDL, DatabaseTabsAsOneBlankAndTheConnectionKept) {
    const std::string text = Message("DESCRIBE DATABASE");
    EXPECT_EQ(
        text.rfind("SET SQL DIALECT 3;\r\n\r\n/* CREATE DATABASE '" + DatabasePath() + "'", 0), 0u)
        << text;
    EXPECT_EQ(text.find('\t'), std::string::npos);
    EXPECT_NE(text.find("  \"ID\" INTEGER NOT NULL,\r\n"), std::string::npos) << text;
    // The scripter's attachment is still there and usable.
    EXPECT_EQ(Message("INSERT INTO T (ID) VALUES (1);"), "1 row(s) inserted.");
}

TEST_F(DDL, SharedTransactionIsNeitherCommittedNorEnded) {
    // The console's model: a transaction stays open after a statement.
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    Run("INSERT INTO T (ID) VALUES (5);");
    ASSERT_TRUE(engine->InTransaction());
    EXPECT_NE(Message("DESCRIBE DATABASE").find("CREATE TABLE \"T\""), std::string::npos);
    EXPECT_TRUE(engine->InTransaction());
    Run("ROLLBACK;");
    EXPECT_EQ(Message("SELECT ID FROM T;"), "No records returned.")
        << "the insert was not committed";
}

TEST_F(DDL, WithoutAConnectionTheAccessLayersErrorUnchanged) {
    Run("DISCONNECT;");
    EXPECT_RAISES_CONTAINING(EMDOError, Run("DESCRIBE DATABASE"), "DB is not open");
}

}  // namespace
