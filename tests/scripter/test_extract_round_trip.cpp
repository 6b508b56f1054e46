// Round trips of the whole-database script: a database is built by a script
// run through tessel-cli, its DDL written by tessel-cli -x (the DESCRIBE
// DATABASE text) runs through tessel-cli into an empty database without an
// error, both hold the same objects, and the second database's script is
// the first one's (the file name in the header aside). Firebird's example
// employee database is one source; a schema of our own with data written by
// WriteTableData is the other.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "foundation/locale_settings.h"
#include "foundation/scoped_value.h"
#include "foundation/string_utils.h"
#include "foundation/temp_dir.h"
#include "scripter/ddl_commands.h"
#include "scripter_fixture.h"

#ifdef TESSEL_CLI
namespace {

constexpr const char* kEmployeeScript =
    "/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz";

std::string ReadFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct TcCliRun {
    int Status = -1;
    std::string Out, Err;
};

// tessel-cli with the arguments, in `dir`, its output kept.
TcCliRun Cli(const TcTempDir& dir, const std::string& arguments) {
    const std::string command = "cd '" + dir.Path() + "' && ISC_USER=SYSDBA " + TESSEL_CLI +
                                " -q " + arguments + " >cli.out 2>cli.err";
    const int raw = std::system(command.c_str());
    TcCliRun run;
    run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.Out = ReadFile(dir.File("cli.out"));
    run.Err = ReadFile(dir.File("cli.err"));
    return run;
}

// The script with the file name of its header left out.
std::string WithoutFileName(const std::string& script) {
    const std::string head = "CREATE DATABASE '";
    const size_t start = script.find(head);
    if (start == std::string::npos) return script;
    const size_t end = script.find('\'', start + head.size());
    if (end == std::string::npos) return script;
    return script.substr(0, start) + "CREATE DATABASE" + script.substr(end + 1);
}

// The numbers of user objects of each kind.
constexpr const char* kCountsQuery =
    "SELECT "
    "(SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 AND RDB$VIEW_BLR IS NULL) "
    "TABLES_, "
    "(SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 AND RDB$VIEW_BLR IS NOT NULL) "
    "VIEWS_, "
    "(SELECT COUNT(*) FROM RDB$PROCEDURES) PROCEDURES_, "
    "(SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0) TRIGGERS_, "
    "(SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$SYSTEM_FLAG = 0) INDEXES_, "
    "(SELECT COUNT(*) FROM RDB$EXCEPTIONS) EXCEPTIONS_, "
    "(SELECT COUNT(*) FROM RDB$GENERATORS WHERE RDB$SYSTEM_FLAG = 0) GENERATORS_, "
    "(SELECT COUNT(*) FROM RDB$FIELDS WHERE RDB$SYSTEM_FLAG = 0 AND RDB$FIELD_NAME NOT "
    "STARTING WITH 'RDB$') DOMAINS_, "
    "(SELECT COUNT(*) FROM RDB$USER_PRIVILEGES WHERE RDB$USER <> 'SYSDBA') GRANTS_ "
    "FROM RDB$DATABASE;";

class RoundTrip : public ::testing::Test {
  protected:
    // Runs a script that creates `database` first; asserts a clean run.
    void Build(const std::string& database, const std::string& body) {
        WriteFile(dir.File("build.sql"), "CREATE DATABASE '" + database +
                                             "' USER 'SYSDBA' PASSWORD 'masterkey';\n" + body +
                                             "\nCOMMIT;\n");
        const TcCliRun run = Cli(dir, "build.sql");
        ASSERT_EQ(run.Status, 0) << run.Err;
        ASSERT_EQ(run.Err, "");
    }
    std::string Extract(const std::string& database) {
        const TcCliRun run = Cli(dir, "-x -d '" + database + "'");
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        return run.Out;
    }
    std::string Query(const std::string& database, const std::string& query) {
        WriteFile(dir.File("query.sql"), query);
        const TcCliRun run = Cli(dir, "-d '" + database + "' query.sql");
        EXPECT_EQ(run.Status, 0) << run.Err;
        return run.Out;
    }
    // Source script -> first database -> its script -> second database ->
    // its script; `extra` is appended to the first script's text.
    void Check(const std::string& source, const std::string& extra = "") {
        const std::string first = Extract(source);
        ASSERT_FALSE(first.empty());
        Build(copy, first + extra);
        EXPECT_EQ(Query(copy, kCountsQuery), Query(source, kCountsQuery));
        EXPECT_EQ(WithoutFileName(Extract(copy)), WithoutFileName(first));
    }

    TcTempDir dir;
    const std::string original = dir.File("original.fdb");
    const std::string copy = dir.File("copy.fdb");
};

TEST_F(RoundTrip, FirebirdsEmployeeDatabase) {
    // Installed with the examples package by the setup script; never skipped.
    ASSERT_EQ(std::system(
                  (std::string("zcat ") + kEmployeeScript + " >'" + dir.File("employee.sql") + "'")
                      .c_str()),
              0);
    // The script's own CREATE DATABASE names a relative file without a user;
    // Build writes ours in its place.
    const std::string script =
        ReplaceAll(ReadFile(dir.File("employee.sql")), "create database 'employee.fdb';", "");
    Build(original, script);
    Check(original);
}

TEST_F(RoundTrip, ExtractModeWritesNothingForADatabaseItCannotOpen) {
    const TcCliRun run = Cli(dir, "-x -d '" + dir.File("missing.fdb") + "'");
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err, "");
}

// A procedure whose source was taken out of the catalogue (as deployments
// do to hide it) cannot be written back: the script says so in a comment,
// standard error names it, and the run fails rather than hand over a script
// that rebuilds another database.
TEST_F(RoundTrip, WhatCannotBeWrittenFailsTheRunAndIsNamed) {
    Build(original,
          "SET TERM ^;\nCREATE PROCEDURE \"hidden p\" AS BEGIN EXIT; END^\nSET TERM ;^\n"
          "COMMIT;\nUPDATE RDB$PROCEDURES SET RDB$PROCEDURE_SOURCE = NULL;");
    const TcCliRun run = Cli(dir, "-x -d '" + original + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "Not extracted: body of procedure \"hidden p\"\n");
    EXPECT_NE(run.Out.find("/* Not extracted: body of procedure \"hidden p\" */"),
              std::string::npos);
    EXPECT_EQ(run.Out.find("ALTER PROCEDURE"), std::string::npos);
}

TEST_F(RoundTrip, Dialect1NamesUnquoted) {
    WriteFile(dir.File("build.sql"),
              "SET SQL DIALECT 1;\nCREATE DATABASE '" + original +
                  "' USER 'SYSDBA' PASSWORD 'masterkey';\n"
                  // A dialect-1 DATE holds a time too: a TIMESTAMP.
                  "CREATE TABLE lower_t (col NUMERIC(15,2) NOT NULL PRIMARY KEY, d DATE);\n"
                  "CREATE GENERATOR g1;\nCOMMIT;\n");
    const TcCliRun run = Cli(dir, "build.sql");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string script = Extract(original);
    EXPECT_EQ(script.rfind("SET SQL DIALECT 1;\n", 0), 0u) << script;
    EXPECT_NE(
        // The TAB after a column name stays: a file meant to run keeps its text.
        script.find("CREATE TABLE LOWER_T \n(\n  COL\tNUMERIC(15, 2) NOT NULL,\n  D\tTIMESTAMP,\n"
                    " PRIMARY KEY (COL)\n);"),
        std::string::npos)
        << script;
    EXPECT_NE(script.find("CREATE GENERATOR G1;"), std::string::npos) << script;
}

const char* const kRichSchema = R"(
CREATE DOMAIN D_MONEY AS NUMERIC(15,2) DEFAULT 0 CHECK (VALUE >= -1000000000);
CREATE DOMAIN D_CODE AS CHAR(4) CHARACTER SET ISO8859_1 COLLATE DE_DE;
CREATE DOMAIN D_FLAGS AS SMALLINT[1:3];
CREATE TABLE "Data Types" (ID INTEGER NOT NULL, S SMALLINT, I INTEGER, B BIGINT,
  N NUMERIC(9,2), N4 NUMERIC(18,4), F FLOAT, DP DOUBLE PRECISION, DA DATE, TI TIME,
  TS TIMESTAMP, VC VARCHAR(40), CH CHAR(5), U VARCHAR(20) CHARACTER SET UTF8, M D_MONEY,
  BL BLOB SUB_TYPE TEXT, CONSTRAINT PK_DATA PRIMARY KEY (ID));
CREATE TABLE PARENT (ID INTEGER NOT NULL PRIMARY KEY, CODE D_CODE NOT NULL UNIQUE,
  NAME VARCHAR(30) CHARACTER SET WIN1252 COLLATE PXW_INTL, FLAGS D_FLAGS,
  TOTAL COMPUTED BY (ID * 2));
CREATE TABLE "child" ("id" INTEGER NOT NULL, PARENT_ID INTEGER CONSTRAINT NN_PARENT NOT NULL,
  CONSTRAINT "pk child" PRIMARY KEY ("id"),
  CONSTRAINT FK_CHILD_PARENT FOREIGN KEY (PARENT_ID) REFERENCES PARENT (ID) ON DELETE CASCADE);
CREATE INDEX IX_PARENT_NAME ON PARENT (NAME);
CREATE DESCENDING INDEX IX_DATA_TS ON "Data Types" (TS);
ALTER TABLE PARENT ADD CONSTRAINT CK_PARENT_ID CHECK (ID > 0);
ALTER TABLE "child" ADD CHECK (PARENT_ID <> 13);
CREATE GENERATOR G_PARENT;
CREATE EXCEPTION E_BAD 'It''s bad';
CREATE VIEW V_PARENT (ID, NAME) AS SELECT ID, NAME FROM PARENT WHERE ID > 1;
SET TERM ^;
CREATE PROCEDURE P_GET (A INTEGER) RETURNS (N VARCHAR(30)) AS
BEGIN
  FOR SELECT NAME FROM PARENT WHERE ID = :A INTO :N DO SUSPEND;
END^
CREATE PROCEDURE P_CALL RETURNS (N VARCHAR(30)) AS
BEGIN
  FOR SELECT N FROM P_GET(1) INTO :N DO SUSPEND;
END^
CREATE PROCEDURE P_EMPTY AS BEGIN EXIT; END^
CREATE TRIGGER TR_PARENT FOR PARENT ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(G_PARENT, 1);
END^
CREATE TRIGGER TR_OFF FOR PARENT INACTIVE AFTER UPDATE POSITION 3 AS BEGIN EXIT; END^
SET TERM ;^
CREATE ROLE R_READ;
GRANT SELECT ON PARENT TO R_READ;
GRANT SELECT ON PARENT TO ALICE WITH GRANT OPTION;
GRANT UPDATE (NAME) ON PARENT TO BOB;
GRANT R_READ TO CAROL WITH ADMIN OPTION;
GRANT EXECUTE ON PROCEDURE P_GET TO PROCEDURE P_CALL;
GRANT SELECT ON PARENT TO PROCEDURE P_GET;
GRANT SELECT ON PARENT TO VIEW V_PARENT;
GRANT INSERT ON "child" TO TRIGGER TR_PARENT;
GRANT EXECUTE ON PROCEDURE P_CALL TO DAVE;
COMMIT;
INSERT INTO "Data Types" VALUES (1, 32767, 2147483647, 9223372036854775807, 9999999.99,
  99999999999999.9999, 1.5, 1.5E300, '9999-12-31', '23:59:59', '9999-12-31 23:59:59',
  'It''s a "quote"', 'abc', 'Grüße €', 1234567.89, 'blob text');
INSERT INTO "Data Types" VALUES (2, -32768, -2147483648, -9223372036854775808, -9999999.99,
  -99999999999999.9999, -0.25, -2.5E-300, '0001-01-01', '00:00:00', '0001-01-01 00:00:00',
  'line1' || ASCII_CHAR(10) || 'line2' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'end', NULL,
  'ÆØÅ ñ', -0.05, NULL);
INSERT INTO "Data Types" (ID) VALUES (3);
INSERT INTO PARENT (ID, CODE, NAME) VALUES (1, 'ab', 'Müller');
INSERT INTO PARENT (ID, CODE, NAME) VALUES (2, 'cd', NULL);
INSERT INTO "child" ("id", PARENT_ID) VALUES (7, 1);
)";

// Numbers and times as the server writes them, every digit.
constexpr const char* kDataQuery =
    "SELECT ID, S, I, CAST(B AS VARCHAR(30)) B, CAST(N AS VARCHAR(30)) N, "
    "CAST(N4 AS VARCHAR(30)) N4, CAST(F AS VARCHAR(30)) F, CAST(DP AS VARCHAR(40)) DP, "
    "CAST(DA AS VARCHAR(30)) DA, CAST(TI AS VARCHAR(30)) TI, CAST(TS AS VARCHAR(30)) TS, VC, CH, "
    "U, CAST(M AS VARCHAR(30)) M FROM \"Data Types\" ORDER BY ID;"
    "SELECT ID, CODE, NAME FROM PARENT ORDER BY ID;"
    "SELECT \"id\", PARENT_ID FROM \"child\" ORDER BY 1;";

// The rows of the tables as WriteTableData writes them, read through the
// scripter's own connection as the DESCRIBE commands read.
std::string TableData(const std::string& database, const std::vector<std::string>& tables) {
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcDBScripter_IB engine;
    engine.ExecuteScript("CONNECT '" + database + "' USER 'SYSDBA' PASSWORD 'masterkey';");
    std::string text;
    {
        TcExtractComponents components = CreateExtract(engine);
        for (const std::string& table : tables) {
            components.Extract->ExtractByKind(xoData, table);
            text += components.Extract->Text();
        }
    }
    engine.ExecuteScript("DISCONNECT;");
    engine.Close();
    return text;
}

TEST_F(RoundTrip, RichSchemaWithData) {
    // Dates as the server reads them back, whatever the process was given.
    TcLocaleSettings settings;
    settings.ShortDateFormat = "yyyy-mm-dd";
    settings.LongTimeFormat = "hh:nn:ss";
    TcScopedValue<TcLocaleSettings> locale{TcLocaleSettings::Current(), settings};
    Build(original, kRichSchema);
    const std::string data = TableData(original, {"Data Types", "PARENT", "child"});
    EXPECT_NE(data.find("INSERT INTO \"Data Types\" (\"ID\", \"S\","), std::string::npos) << data;
    // A lower-case column keeps its name, so the row goes back into its table.
    EXPECT_NE(data.find("INSERT INTO \"child\" (\"id\", \"PARENT_ID\") VALUES (7, 1);"),
              std::string::npos)
        << data;
    EXPECT_EQ(data.find("\"BL\""), std::string::npos) << "blobs are left out";
    Check(original, data + "COMMIT;\n");
    EXPECT_EQ(Query(copy, kDataQuery), Query(original, kDataQuery)) << data;
    // The rules write no blobs: the copy's blob column is empty.
    EXPECT_NE(Query(copy, "SELECT COUNT(*) FROM \"Data Types\" WHERE BL IS NULL;").find(" 3"),
              std::string::npos);
}

}  // namespace
#endif
