// The catalogue listings (DESCRIBE, SHOW SYSTEM_TABLES, SHOW PROCEDURE,
// SHOW FUNCTION) against the embedded engine: complete messages with their
// widths and trailing blanks, the empty answers, names with quotes, and the
// engine state each command leaves behind.

#include <algorithm>

#include "catalogue_fixture.h"
#include "foundation/errors.h"
#include "foundation/scoped_value.h"
#include "scripter/catalogue_query.h"
#include "scripter/output_sqlda.h"
#include "support/expect_error.h"

namespace {

using Lines = std::vector<std::string>;

struct MessageCase {
    const char* statement;
    std::string message;
};

void ExpectMessages(TcDBScripter_IB& engine, const std::vector<MessageCase>& cases) {
    for (const MessageCase& c : cases) {
        engine.ExecuteStatement(c.statement);
        EXPECT_EQ(engine.LastMessage, c.message) << c.statement;
    }
}

class CatalogueListings : public CatalogueDatabase {};
class EmptyCatalogue : public EmbeddedScripter {};

TEST_F(CatalogueListings, MessagesFollowTheLayouts) {
    const std::string customerHeader =
        "FIELD          DATATYPE        NN DOMAIN        \r\n"
        "============== =============== == ==============\r\n";
    const std::string parameterHeader =
        "TYPE NAME           DATATYPE        \r\n"
        "==== ============== =============== \r\n";
    const std::string argumentHeader =
        "TYPE   DATATYPE        \r\n"
        "====== =============== \r\n";
    ExpectMessages(
        *engine,
        {
            // Names trimmed for the width, shown as the server returns them.
            {"DESCRIBE",
             "RELATIONS\r\n"
             "=================\r\n" +
                 ServerName("COUNTRY") + "\r\n" + ServerName("CUSTOMER") + "\r\n" +
                 ServerName("TOWN") + "\r\n"},
            // Lower case finds the upper-case table; the rows come in name order.
            {"describe customer", customerHeader +
                                      "BIG            Numeric(16,2)      RDB$6           \r\n"
                                      "CODE           Char(3)            RDB$3           \r\n"
                                      "DATA           Blob               RDB$5           \r\n"
                                      "ID             Integer         NN RDB$1           \r\n"
                                      "MEMO           Memo               RDB$4           \r\n"
                                      "NAME           Varchar(40)        RDB$2           \r\n"
                                      "PRICE          Numeric(9,2)       DMONEY          \r\n"},
            // A name longer than the column alias widens the name column and
            // the DOMAIN heading; the domain column keeps its own width.
            {"DESCRIBE Country",
             "FIELD                          DATATYPE        NN DOMAIN                        \r\n"
             "============================== =============== == ==============================\r\n"
             "COUNTRY_NAME                   Varchar(30)     NN RDB$8           \r\n"
             "HEAD_OFFICE_POSTAL_CODE_NUMBER Char(10)           RDB$9           \r\n"
             "ID                             Integer         NN RDB$7           \r\n"},
            {"DESCRIBE nosuch", customerHeader},
            {"SHOW PROCEDURE",
             "PROCEDURE\r\n"
             "==================\r\n" +
                 ServerName("ADD_PRICE") + "\r\n" + ServerName("LIST_NAMES") + "\r\n"},
            {"DESCRIBE PROCEDURE",
             "PROCEDURE\r\n"
             "==================\r\n" +
                 ServerName("ADD_PRICE") + "\r\n" + ServerName("LIST_NAMES") + "\r\n"},
            // Inputs first, each group in parameter order.
            {"show procedure add_price", parameterHeader +
                                             "IN   A              Numeric(9,2)   \r\n"
                                             "IN   B              Numeric(9,2)   \r\n"
                                             "OUT  TOTAL          Numeric(16,2)  \r\n"},
            {"DESCRIBE PROCEDURE List_Names", parameterHeader +
                                                  "IN   FIRST_ID       Integer        \r\n"
                                                  "OUT  NAME           Varchar(40)    \r\n"},
            {"SHOW PROCEDURE nosuch", parameterHeader},
            {"SHOW FUNCTION",
             "FUNCTION\r\n"
             "=================\r\n" +
                 ServerName("SUBSTR") + "\r\n"},
            // The result has the lowest argument position.
            {"show function substr", argumentHeader + "Output Cstring(255)   \r\n"
                                                      "Input  Cstring(255)   \r\n"
                                                      "Input  Smallint       \r\n"
                                                      "Input  Smallint       \r\n"},
            {"DESCRIBE FUNCTION nosuch", argumentHeader},
        });
}

TEST_F(CatalogueListings, SystemTablesFollowTheUsersTrimSetting) {
    // The server's own list, to compare the layout with; which system tables
    // exist depends on the server version.
    engine->ExecuteStatement(
        "SELECT CAST(LIST(TRIM(RDB$RELATION_NAME), ' ') AS VARCHAR(8000)) FROM RDB$RELATIONS "
        "WHERE RDB$SYSTEM_FLAG = 1");
    engine->View().First();
    TStringList names = SplitString(engine->View().ValueText(0), " ");
    std::sort(names.begin(), names.end());
    ASSERT_NE(std::find(names.begin(), names.end(), "RDB$RELATIONS"), names.end());
    size_t longest = 0;
    std::string rows;
    for (const std::string& name : names) {
        longest = std::max(longest, name.size());
        rows += ServerName(name) + "\r\n";
    }

    // Not forced: untrimmed, the column is as wide as its declared bytes.
    EXPECT_EQ(Message("SHOW SYSTEM_TABLES"),
              "RELATIONS\r\n" + std::string(93, '=') + "\r\n" + rows);
    engine->TrimCharFields = true;
    EXPECT_EQ(Message("SHOW SYSTEM_TABLES"),
              "RELATIONS\r\n" + std::string(std::max<size_t>(longest, 17), '=') + "\r\n" + rows);
}

TEST_F(EmptyCatalogue, AnEmptyDatabaseListsNothing) {
    ExpectMessages(*engine, {
                                {"DESCRIBE", "RELATIONS\r\n=================\r\n"},
                                {"SHOW PROCEDURE", "PROCEDURE\r\n==================\r\n"},
                                {"SHOW FUNCTION", "FUNCTION\r\n=================\r\n"},
                            });
}

TEST_F(CatalogueListings, ANameWithAQuoteStaysOneLiteral) {
    Run("CREATE TABLE \"O'BRIEN\" (A DMONEY);");
    const std::string header =
        "FIELD          DATATYPE        NN DOMAIN        \r\n"
        "============== =============== == ==============\r\n";
    ExpectMessages(*engine, {
                                // The object of that exact name.
                                {"DESCRIBE o'brien",
                                 header + "A              Numeric(9,2)       DMONEY          \r\n"},
                                // A quoted condition is part of the name, which matches nothing.
                                {"DESCRIBE x' OR 'A'='A", header},
                                {"SHOW PROCEDURE x' OR 'A'='A",
                                 "TYPE NAME           DATATYPE        \r\n"
                                 "==== ============== =============== \r\n"},
                                {"GET SELECT o'brien", "SELECT A\r\nFROM O'brien\r\nWHERE A = "},
                            });
}

TEST_F(CatalogueListings, OutputShowsTheCommandAndItsAnswerOnly) {
    // The catalogue query is the engine's own: neither echoed nor planned,
    // and its rows are gone when the command is done.
    Run("SET ECHO ON; SET PLAN ON; SET STATISTICS_DISPLAY ON;");
    EXPECT_EQ(
        Run("DESCRIBE PROCEDURE add_price;"),
        (Lines{"DESCRIBE PROCEDURE add_price", "TYPE NAME           DATATYPE        ",
               "==== ============== =============== ", "IN   A              Numeric(9,2)   ",
               "IN   B              Numeric(9,2)   ", "OUT  TOTAL          Numeric(16,2)  "}));
    EXPECT_EQ(engine->CurrentStatement, "DESCRIBE PROCEDURE add_price");
    EXPECT_EQ(engine->PlanText, "");
    EXPECT_EQ(engine->StatisticsText, "");
    EXPECT_EQ(engine->RecordCount, 0);
    EXPECT_EQ(engine->OutputSQLDA->RowCount(), 0);
    EXPECT_EQ(engine->ExecuteInternalCount, 0);
    EXPECT_EQ(engine->PlanMode, TPlanMode::On);
    EXPECT_TRUE(engine->StatisticsDisplay);
}

TEST_F(CatalogueListings, AnOnlyPlanModeStillReadsTheCatalogue) {
    Run("SET PLAN ONLY;");
    EXPECT_EQ(Message("SHOW PROCEDURE list_names"),
              "TYPE NAME           DATATYPE        \r\n"
              "==== ============== =============== \r\n"
              "IN   FIRST_ID       Integer        \r\n"
              "OUT  NAME           Varchar(40)    \r\n");
    EXPECT_EQ(engine->PlanMode, TPlanMode::Only);
}

TEST_F(CatalogueListings, TrimCharFieldsComesBackAfterEveryCommand) {
    const char* statements[] = {"DESCRIBE",        "DESCRIBE customer",   "SHOW SYSTEM_TABLES",
                                "SHOW PROCEDURE",  "SHOW PROCEDURE x",    "SHOW FUNCTION",
                                "SHOW FUNCTION x", "GET SELECT customer", "GET CREATE t FK1 town"};
    for (const bool trim : {false, true}) {
        for (const char* statement : statements) {
            engine->TrimCharFields = trim;
            engine->ExecuteStatement(statement);
            EXPECT_EQ(engine->TrimCharFields, trim) << statement;
            EXPECT_EQ(engine->OutputSQLDA->RowCount(), 0) << statement;
            EXPECT_EQ(engine->ExecuteInternalCount, 0) << statement;
        }
    }
}

// Fails every SQL statement on request, after the transaction has started,
// as a server error of the statement itself would.
class TcFailingScripter : public TcDBScripter_IB {
  public:
    void DoExecuteSQL(const std::string& statement) override {
        if (Fail) throw EUser("The catalogue cannot be read.");
        TcDBScripter_IB::DoExecuteSQL(statement);
    }
    bool Fail = false;
};

TEST_F(CatalogueListings, AFailingQueryLeavesTheCommandWithTheServersErrorAndRestoresAll) {
    engine->Close();
    auto failing = std::make_unique<TcFailingScripter>();
    TcFailingScripter& scripter = *failing;
    engine = std::move(failing);
    engine->ExecuteScript("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'masterkey';");
    scripter.Fail = true;
    // Suppressed SQL errors would leave the command reading no rows.
    engine->SuppressError = true;
    engine->PlanMode = TPlanMode::Only;
    for (const char* statement :
         {"DESCRIBE", "DESCRIBE customer", "SHOW SYSTEM_TABLES", "SHOW PROCEDURE p",
          "SHOW FUNCTION f", "GET UPDATE customer", "GET CREATE t FK2 town"}) {
        EXPECT_RAISES(EUser, engine->ExecuteStatement(statement), "The catalogue cannot be read.")
            << statement;
        EXPECT_FALSE(engine->TrimCharFields) << statement;
        EXPECT_TRUE(engine->SuppressError) << statement;
        EXPECT_EQ(engine->PlanMode, TPlanMode::Only) << statement;
        EXPECT_EQ(engine->ExecuteInternalCount, 0) << statement;
        EXPECT_EQ(engine->CurrentStatement, statement);
    }
    engine->Close();
}

TEST_F(EmptyCatalogue, WithoutAConnectionTheCommandFails) {
    engine->ExecuteScript("DISCONNECT;");
    engine->TrimCharFields = false;
    EXPECT_RAISES_CONTAINING(EUser, engine->ExecuteStatement("DESCRIBE"),
                             "invalid database handle");
    EXPECT_FALSE(engine->TrimCharFields);
    EXPECT_EQ(engine->ExecuteInternalCount, 0);
}

// Each keyword reaches its own command: the longer DESCRIBE keywords stand
// before DESCRIBE, and all of them between the statistics switch and the
// dialect setting.
TEST(CatalogueRegistration, CommandsStandAtTheirPlaces) {
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcDBScripter_IB engine;
    TStringList keywords;
    for (const TcPreparsedStatement* command : engine.Commands)
        keywords.push_back(command->Keyword());
    auto place = [&keywords](const std::string& keyword) {
        return std::find(keywords.begin(), keywords.end(), keyword) - keywords.begin();
    };
    const TStringList order = {"SET STATISTICS_DISPLAY",
                               "DESCRIBE PROCEDURE",
                               "DESCRIBE FUNCTION",
                               "DESCRIBE",
                               "SHOW SYSTEM_TABLES",
                               "GET SELECT",
                               "GET INSERT",
                               "GET UPDATE",
                               "GET CREATE",
                               "SET SQL_DIALECT"};
    for (size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(place(order[i - 1]), place(order[i])) << order[i];

    struct Case {
        const char* statement;
        const char* matched;  // empty: no command
    } cases[] = {
        {"DESCRIBE PROCEDURE p", "DESCRIBE PROCEDURE"},
        {"show procedure", "SHOW PROCEDURE"},
        {"DESCRIBE FUNCTION f", "DESCRIBE FUNCTION"},
        {"SHOW FUNCTION f", "SHOW FUNCTION"},
        {"DESCRIBE t", "DESCRIBE"},
        {"describe", "DESCRIBE"},
        {"SHOW SYSTEM_TABLES", "SHOW SYSTEM_TABLES"},
        {"SHOW SYSTEM_TABLES x", ""},
        {"GET SELECT t", "GET SELECT"},
        {"GET INSERT t", "GET INSERT"},
        {"GET UPDATE t", "GET UPDATE"},
        {"GET CREATE t TYPE CODE FK1 a", "GET CREATE"},
        {"DESCRIBEX", ""},
    };
    for (const Case& c : cases) {
        std::string matched;
        FindCommand(engine.Commands, UpperCase(c.statement), matched);
        EXPECT_EQ(matched, c.matched) << c.statement;
    }
}

TEST(CatalogueRegistration, HelpInBothLanguages) {
    struct Case {
        const char* name;
        const char* syntax;
        const char* english;
        const char* dutch;
    } cases[] = {
        {"SHOW PROCEDURE", "[<procedurename>]",
         "SHOW PROCEDURE shows a list with all stored procedures.\r\n"
         "SHOW PROCEDURE <procedurename> shows the parameters for the stored procedure \r\n"
         "<procedurename>.",
         "SHOW PROCEDURE toont een lijst met alle stored procedures.\r\n"
         "SHOW PROCEDURE <procedurename> toont de parameters van de stored procedure \r\n"
         "<procedurename>."},
        {"DESCRIBE FUNCTION", "[<functionname>]",
         "SHOW FUNCTION shows a list with all functions.\r\n"
         "SHOW FUNCTION <functionname> shows the parameters of the function \r\n"
         "<functionname>",
         "SHOW FUNCTION toont een lijst met alle functies.\r\n"
         "SHOW FUNCTION <functionname> toont de parameters van de functie \r\n"
         "<functionname>"},
        {"DESCRIBE", "[<relationname>]",
         "DESCRIBE shows a list of all tables.\r\n"
         "DESCRIBE <relationname> shows information about the columns of the specified "
         "<relationname>\r\n"
         "The systems tables will not be shown.",
         "DESCRIBE toont een lijst van alle tabellen.\r\n"
         "DESCRIBE <relationname> toont informatie over de kolommen van de tabel relationname\r\n"
         "De systeemtabellen worden niet afgebeeld."},
        {"SHOW SYSTEM_TABLES", "", "Shows a list with all system tables.",
         "Toont een lijst van alle systeemtabellen."},
        {"GET SELECT", "<relationname>",
         "Generates a select statement for the table <relationname>.",
         "Genereert een select statement voor de tabel <relationname>."},
        {"GET INSERT", "<relationname>",
         "Generates an insert statement for the table <relationname>.",
         "Genereert een insert statement voor de tabel <relationname>."},
        {"GET UPDATE", "<relationname>",
         "Generates an update statement for the table <relationname>.",
         "Genereert een update statement voor de tabel <relationname>."},
        {"GET CREATE", "<relationname> [TYPE CODE] [FK1 <relationname>] [FK2 <relationname] ...",
         "Generates a create table statement for the table <relationname>. By default a \r\n"
         "primary key column will be created with the name ID. A generator and trigger \r\n"
         "will be created for this column. If TYPE CODE is specified a table will be \r\n"
         "created with two columns: 'code' and 'name'. The code column is the primary \r\n"
         "key and is of type Char. The name column is the secondary key and is of type \r\n"
         "VarChar. FK1, Fk2 etc can be used to specify a reference to another table. \r\n"
         "Such a reference result in a column with the name of the referenced table. \r\n"
         "The column will have the domain of the primary key of the referenced table and \r\n"
         "a foreign key to the referenced table will be generated.",
         "Genereert een create table statement voor de tabel <relationname>. Standaard \r\n"
         "wordt een primaire sleutel gemaakt met de naam ID. Bij deze sleutel wordt een \r\n"
         "generator en bijbehorende trigger gemaakt. Als TYPE CODE opgegeven wordt een \r\n"
         "tabel gemaakt met twee kolommen: 'code' en 'name'. De code is de primaire \r\n"
         "sleutel en is van het type Char de name is van het type VarChar en is de \r\n"
         "secundaire sleutel. Met FK1, FK2 etc kan een verwijzing opgegeven worden naar \r\n"
         "een andere tabel. Deze verwijzing wordt uitgewerkt door een veld te maken die \r\n"
         "als naam de naam van de tabel heeft en als datatype het domein van de primare \r\n"
         "sleutel van de tabel. Ook wordt een foreign key naar de tabel gemaakt."},
    };
    for (const TLanguage chosen : {TLanguage::English, TLanguage::Dutch}) {
        TcScopedValue<TLanguage> language{Language, chosen};
        TcDBScripter_IB engine;
        for (const Case& c : cases) {
            engine.ExecuteStatement(std::string("HELP ") + c.name);
            EXPECT_EQ(engine.LastMessage, std::string(c.name) + " " + c.syntax + "\r\n" +
                                              (chosen == TLanguage::English ? c.english : c.dutch))
                << c.name;
        }
    }
}

TEST(CatalogueSteps, PrettyName) {
    struct Case {
        const char* name;
        const char* pretty;
    } cases[] = {
        {"CUSTOMER_NAME", "Customer_Name"},
        {"ID", "ID"},
        {"id", "ID"},
        {"ORDERID", "Orderid"},
        {"RDB$FIELD_NAME", "Rdb$Field_Name"},
        {"a__b", "A__B"},
        {"", ""},
        {"IDS", "Ids"},
        {"o'brien", "O'brien"},
    };
    for (const Case& c : cases) EXPECT_EQ(PrettyName(c.name), c.pretty) << c.name;
}

TEST(CatalogueSteps, CatalogueQueryForUpperCasesAndDoublesQuotes) {
    EXPECT_EQ(CatalogueQueryFor("WHERE N = '%s' ORDER BY 1", "o'brien"),
              "WHERE N = 'O''BRIEN' ORDER BY 1");
    EXPECT_EQ(CatalogueQueryFor("'%s'", "a%sb"), "'A%SB'");
}

TEST_F(CatalogueListings, RelationColumnsInFieldPositionOrder) {
    EXPECT_EQ(RelationColumns(*engine, "town"), (TStringList{"TOWN_CODE", "NAME"}));
    EXPECT_EQ(RelationColumns(*engine, "nosuch"), TStringList{});
    EXPECT_EQ(RelationColumns(*engine, ""), TStringList{});
}

}  // namespace
