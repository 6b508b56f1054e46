// The statement generators (GET SELECT, GET INSERT, GET UPDATE, GET CREATE)
// against the embedded engine, and the generated CREATE scripts run through
// tessel-cli into an empty database.

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "catalogue_fixture.h"
#include "foundation/errors.h"
#include "support/expect_error.h"

namespace {

class Generators : public CatalogueDatabase {};

const std::string kCustomerWithCountry =
    "// Customer\r\n"
    "CREATE DOMAIN CustomerID AS Integer;\r\n"
    "\r\n"
    "CREATE TABLE Customer (\r\n"
    "   ID                             CustomerID                          NOT NULL,\r\n"
    "   Country                        CountryID                       NOT NULL,\r\n"
    "   CONSTRAINT PK_Customer PRIMARY KEY (ID),\r\n"
    "   CONSTRAINT FK1_Customer FOREIGN KEY (Country) REFERENCES Country (ID)\r\n"
    ");\r\n"
    "\r\n"
    "CREATE GENERATOR gCustomer;\r\n"
    "SET TERM !!;\r\n"
    "CREATE TRIGGER tgCustomer FOR Customer BEFORE INSERT AS\r\n"
    "   BEGIN IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(gCustomer, 1); END!!\r\n"
    "SET TERM ;!!\r\n"
    "\r\n"
    "GRANT SELECT ON Customer TO Application;\r\n"
    "GRANT ALL ON Customer TO Development;";

TEST_F(Generators, MessagesFollowTheTemplates) {
    struct Case {
        const char* statement;
        std::string message;
    } cases[] = {
        {"GET SELECT customer",
         "SELECT ID, Name, Code, Price, Memo, Data, Big\r\nFROM Customer\r\nWHERE ID = "},
        {"GET INSERT town", "INSERT INTO Town (Town_Code, Name)\r\n   VALUES(:Town_Code, :Name)"},
        {"GET UPDATE town",
         "UPDATE Town SET\r\n"
         "   Town_Code = :Town_Code,\r\n"
         "   Name = :Name\r\n"
         "WHERE Town_Code = :Town_Code"},
        {"GET UPDATE Country",
         "UPDATE Country SET\r\n"
         "   ID = :ID,\r\n"
         "   Country_Name = :Country_Name,\r\n"
         "   Head_Office_Postal_Code_Number = :Head_Office_Postal_Code_Number\r\n"
         "WHERE ID = :ID"},
        // A table that does not exist gives empty column lists, not an error.
        {"GET SELECT nosuch", "SELECT \r\nFROM Nosuch\r\nWHERE "},
        {"GET INSERT nosuch", "INSERT INTO Nosuch ()\r\n   VALUES(:)"},
        {"GET UPDATE nosuch", "UPDATE Nosuch SET\r\n"},
        {"GET CREATE Customer FK1 Country", kCustomerWithCountry},
        // TYPE ID is the default form; the name stays as typed.
        {"GET CREATE t type Id",
         "// t\r\n"
         "CREATE DOMAIN tID AS Integer;\r\n"
         "\r\n"
         "CREATE TABLE t (\r\n"
         "   ID                             tID                          NOT NULL,\r\n"
         "   CONSTRAINT PK_t PRIMARY KEY (ID)\r\n"
         ");\r\n"
         "\r\n"
         "CREATE GENERATOR gt;\r\n"
         "SET TERM !!;\r\n"
         "CREATE TRIGGER tgt FOR t BEFORE INSERT AS\r\n"
         "   BEGIN IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(gt, 1); END!!\r\n"
         "SET TERM ;!!\r\n"
         "\r\n"
         "GRANT SELECT ON t TO Application;\r\n"
         "GRANT ALL ON t TO Development;"},
        // References keep their spelling; the key column is the referenced
        // table's first, pretty-cased, or Unknown for a table that is not there.
        {"GET CREATE Region TYPE code FK1 Country FK2 town FK10 Nosuch",
         "// Region\r\n"
         "CREATE DOMAIN RegionCode AS Char();\r\n"
         "CREATE DOMAIN RegionName AS Varchar();\r\n"
         "\r\n"
         "CREATE TABLE Region (\r\n"
         "   Code                           RegionCode                NOT NULL,\r\n"
         "   Name                           RegionName                NOT NULL,\r\n"
         "   Country                        CountryID                       NOT NULL,\r\n"
         "   town                           townTown_Code                   NOT NULL,\r\n"
         "   Nosuch                         NosuchUnknown                   NOT NULL,\r\n"
         "   CONSTRAINT PK_Region PRIMARY KEY (Code),\r\n"
         "   CONSTRAINT UC1_Region UNIQUE (Name),\r\n"
         "   CONSTRAINT FK1_Region FOREIGN KEY (Country) REFERENCES Country (ID),\r\n"
         "   CONSTRAINT FK2_Region FOREIGN KEY (town) REFERENCES town (Town_Code),\r\n"
         "   CONSTRAINT FK10_Region FOREIGN KEY (Nosuch) REFERENCES Nosuch (Unknown)\r\n"
         ");\r\n"
         "\r\n"
         "GRANT SELECT ON Region TO Application;\r\n"
         "GRANT ALL ON Region TO Development;"},
        // Another kind gives no text, so the statement's message is the default.
        {"GET CREATE t TYPE x FK1 town", "Done."},
    };
    for (const Case& c : cases) {
        engine->ExecuteStatement(c.statement);
        EXPECT_EQ(engine->LastMessage, c.message) << c.statement;
    }
}

TEST_F(Generators, OutputShowsTheGeneratedLines) {
    EXPECT_EQ(Run("GET UPDATE town;"),
              (std::vector<std::string>{"UPDATE Town SET", "   Town_Code = :Town_Code,",
                                        "   Name = :Name", "WHERE Town_Code = :Town_Code"}));
}

#ifdef TESSEL_CLI
// The generated text without its leading comment line.
std::string Runnable(const std::string& generated) {
    EXPECT_EQ(generated.rfind("// ", 0), 0u) << generated;
    return generated.substr(generated.find("\r\n") + 2);
}

TEST_F(Generators, CreateScriptsRunThroughTesselCliIntoAnEmptyDatabase) {
    const std::string country = Message("GET CREATE Country");
    const std::string customer = Message("GET CREATE Customer FK1 Country");
    EXPECT_EQ(customer, kCustomerWithCountry);
    // The code form leaves the lengths of its domains to the user.
    const std::string region = ReplaceAll(
        ReplaceAll(Message("GET CREATE Region TYPE CODE FK1 Country"), "Char()", "Char(4)"),
        "Varchar()", "Varchar(40)");

    TcTempDir target;
    const std::string database = target.File("target.fdb");
    std::ofstream(target.File("create.sql"), std::ios::binary)
        << "CREATE DATABASE '" << database << "' USER 'SYSDBA' PASSWORD 'masterkey';\n"
        << Runnable(country) << "\n"
        << Runnable(customer) << "\n"
        << Runnable(region) << "\n";
    const std::string command =
        "cd '" + target.Path() + "' && " + TESSEL_CLI + " -q create.sql >cli.out 2>cli.err";
    const int raw = std::system(command.c_str());
    std::stringstream errors;
    errors << std::ifstream(target.File("cli.err")).rdbuf();
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << errors.str();
    EXPECT_EQ(errors.str(), "");

    // The tables, keys, generator and trigger are there and work.
    Run("DISCONNECT; CONNECT '" + database + "' USER 'SYSDBA' PASSWORD 'masterkey';");
    EXPECT_EQ(Message("GET SELECT customer"), "SELECT ID, Country\r\nFROM Customer\r\nWHERE ID = ");
    EXPECT_EQ(Message("GET SELECT region"),
              "SELECT Code, Name, Country\r\nFROM Region\r\nWHERE Code = ");
    EXPECT_EQ(Message("INSERT INTO Country (ID) VALUES (NULL);"), "1 row(s) inserted.");
    EXPECT_EQ(Message("INSERT INTO Customer (Country) VALUES (1);"), "1 row(s) inserted.");
    EXPECT_EQ(Message("INSERT INTO Region (Code, Name, Country) VALUES ('N', 'North', 1);"),
              "1 row(s) inserted.");
    EXPECT_RAISES_CONTAINING(EUser, Run("INSERT INTO Customer (Country) VALUES (7);"),
                             "FK1_CUSTOMER");
    EXPECT_RAISES_CONTAINING(EUser,
                             Run("INSERT INTO Region (Code, Name, Country) "
                                 "VALUES ('S', 'North', 1);"),
                             "UC1_REGION");
}
#endif

}  // namespace
