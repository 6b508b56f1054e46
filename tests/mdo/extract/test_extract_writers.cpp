// Each writer of the extractor against a schema built for its rules, as a
// table of cases: the schema's statements, the writer called, and the items
// the rules give.

#include <gtest/gtest.h>

#include <functional>

#include "extract_fixture.h"
#include "mdo/sql_monitor_hook.h"

namespace {

using TWrite = std::function<void(TcTestExtract&)>;

struct WriterCase {
    const char* name;
    int dialect;
    std::vector<std::string> schema;
    TWrite write;
    TStringList expected;
};

class Writers : public ::testing::TestWithParam<WriterCase> {};

TEST_P(Writers, AppendTheItemsOfTheRules) {
    ExtractDatabase db(GetParam().dialect);
    db.Exec(GetParam().schema);
    EXPECT_EQ(db.Items(GetParam().write), GetParam().expected);
}

const std::string kCrLf = "\r\n";

// A table with every column rule: quoted names, own types with character
// set and collation, a domain with a collation of its own, a computed
// column, a default, named and generated NOT NULL and key constraints.
const std::vector<std::string> kMixedTable = {
    "CREATE DOMAIN D_NAME AS VARCHAR(20) CHARACTER SET WIN1252",
    "CREATE TABLE \"Mixed\" (ID INTEGER NOT NULL, "
    "\"lower col\" VARCHAR(5) CHARACTER SET ISO8859_1 DEFAULT 'x' NOT NULL COLLATE DE_DE, "
    "C CHAR(3) CHARACTER SET WIN1252, D D_NAME COLLATE PXW_INTL, "
    "N INTEGER CONSTRAINT NN_N NOT NULL, TOTAL COMPUTED BY (ID * 2), "
    "CONSTRAINT PK_MIXED PRIMARY KEY (ID), CONSTRAINT UQ_C UNIQUE (C))"};

const std::vector<std::string> kTypesTable = {
    "CREATE TABLE TYPES (S SMALLINT, I INTEGER, B BIGINT, N NUMERIC(9,2), DE DECIMAL(18,4), "
    "F FLOAT, DP DOUBLE PRECISION, DA DATE, TI TIME, TS TIMESTAMP, CU CHAR(10) CHARACTER SET "
    "UTF8, V VARCHAR(7), BT BLOB SUB_TYPE TEXT SEGMENT SIZE 80, B0 BLOB SUB_TYPE 0 SEGMENT SIZE "
    "80, BN BLOB SUB_TYPE -3 SEGMENT SIZE 80, A1 INTEGER[1:5], A2 CHAR(2)[1:10, 0:4])"};

const std::vector<std::string> kKeys = {
    "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, C VARCHAR(10), CODE CHAR(2) NOT NULL "
    "UNIQUE)",
    "CREATE TABLE CHILD (ID INTEGER, PID INTEGER, CODE CHAR(2))",
    "ALTER TABLE CHILD ADD CONSTRAINT FK_C FOREIGN KEY (PID) REFERENCES \"T\" (ID) ON UPDATE "
    "CASCADE",
    "ALTER TABLE CHILD ADD FOREIGN KEY (CODE) REFERENCES \"T\" (CODE) ON DELETE SET NULL",
    "CREATE UNIQUE DESCENDING INDEX IX1 ON T (C, ID)",
    "CREATE INDEX IX2 ON CHILD (ID)",
    "ALTER TABLE T ADD CONSTRAINT CK_T CHECK (ID > 0)",
    "ALTER TABLE CHILD ADD CHECK (ID <> 7)"};

const std::vector<std::string> kProcedures = {
    "CREATE PROCEDURE P_NONE AS BEGIN EXIT; END",
    "CREATE PROCEDURE P_IO (A INTEGER, B VARCHAR(10)) RETURNS (R NUMERIC(9,2)) AS BEGIN R = A; "
    "SUSPEND; END"};

const std::vector<std::string> kTriggers = {
    "CREATE TABLE T (ID INTEGER)",
    "CREATE TRIGGER TR1 FOR T ACTIVE BEFORE INSERT POSITION 5 AS BEGIN END",
    "CREATE TRIGGER TR2 FOR T INACTIVE AFTER UPDATE POSITION 0 AS\nBEGIN\n  /* x */\nEND",
    "CREATE TRIGGER TR3 FOR T ACTIVE BEFORE INSERT OR UPDATE POSITION 1 AS BEGIN END"};

const std::vector<std::string> kGrants = {"CREATE TABLE T (ID INTEGER, C VARCHAR(5))",
                                          "CREATE PROCEDURE P AS BEGIN EXIT; END",
                                          "CREATE ROLE R1",
                                          "GRANT SELECT, INSERT ON T TO ALICE",
                                          "GRANT UPDATE (C) ON T TO BOB WITH GRANT OPTION",
                                          "GRANT SELECT ON T TO PROCEDURE P",
                                          "GRANT ALL ON T TO R1",
                                          "GRANT R1 TO CAROL WITH ADMIN OPTION",
                                          "GRANT EXECUTE ON PROCEDURE P TO DAVE WITH GRANT OPTION",
                                          "GRANT EXECUTE ON PROCEDURE P TO ERIN",
                                          "CREATE VIEW V AS SELECT ID FROM T",
                                          "CREATE TRIGGER TRG FOR T AFTER INSERT AS BEGIN END",
                                          "GRANT SELECT ON T TO VIEW V",
                                          "GRANT INSERT ON T TO TRIGGER TRG"};

INSTANTIATE_TEST_SUITE_P(
    Domains, Writers,
    ::testing::Values(
        WriterCase{"numeric_default_check_not_null",
                   3,
                   {"CREATE DOMAIN D_NUM AS NUMERIC(9,2) DEFAULT 0 CHECK (VALUE >= 0) NOT NULL"},
                   [](TcTestExtract& x) { x.WriteDomains("D_NUM", xpDomain); },
                   {"/* Domain definitions */", "CREATE DOMAIN \"D_NUM\" AS NUMERIC(9, 2)" + kCrLf +
                                                    "\t DEFAULT 0" + kCrLf +
                                                    "\t CHECK (VALUE >= 0) NOT NULL;"}},
        WriterCase{
            "char_in_utf8_by_character_length",
            3,
            {"CREATE DOMAIN D_U AS CHAR(10) CHARACTER SET UTF8"},
            [](TcTestExtract& x) { x.WriteDomains("D_U", xpDomain); },
            {"/* Domain definitions */", "CREATE DOMAIN \"D_U\" AS CHAR(10) CHARACTER SET UTF8;"}},
        WriterCase{
            "collation_last",
            3,
            {"CREATE DOMAIN D_C AS VARCHAR(10) CHARACTER SET ISO8859_1 NOT NULL COLLATE DE_DE"},
            [](TcTestExtract& x) { x.WriteDomains("D_C", xpDomain); },
            {"/* Domain definitions */",
             "CREATE DOMAIN \"D_C\" AS VARCHAR(10) CHARACTER SET ISO8859_1 NOT NULL COLLATE "
             "DE_DE;"}},
        WriterCase{"blob_and_array",
                   3,
                   {"CREATE DOMAIN D_B AS BLOB SUB_TYPE 0 SEGMENT SIZE 80",
                    "CREATE DOMAIN D_A AS INTEGER[1:5]"},
                   [](TcTestExtract& x) { x.WriteDomains("", xpDomain); },
                   {"/* Domain definitions */", "CREATE DOMAIN \"D_A\" AS INTEGER[1:5] ;",
                    "CREATE DOMAIN \"D_B\" AS BLOB SUB_TYPE 0 SEGMENT SIZE 80;"}},
        WriterCase{"dialect_1_by_scale",
                   1,
                   {"CREATE DOMAIN D_N AS NUMERIC(15,2)", "CREATE DOMAIN D_I AS NUMERIC(9,2)"},
                   [](TcTestExtract& x) { x.WriteDomains("", xpDomain); },
                   {"/* Domain definitions */", "CREATE DOMAIN D_I AS NUMERIC(9, 2);",
                    "CREATE DOMAIN D_N AS NUMERIC(15, 2);"}},
        WriterCase{"domains_of_a_table_skip_implicit_ones",
                   3,
                   kMixedTable,
                   [](TcTestExtract& x) { x.WriteDomains("Mixed", xpTable); },
                   {"/* Domain definitions */",
                    "CREATE DOMAIN \"D_NAME\" AS VARCHAR(20) CHARACTER SET WIN1252;"}},
        WriterCase{"unknown_domain_nothing",
                   3,
                   {},
                   [](TcTestExtract& x) { x.WriteDomains("NOPE", xpDomain); },
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Tables, Writers,
    ::testing::Values(
        WriterCase{
            "every_column_rule",
            3,
            kMixedTable,
            [](TcTestExtract& x) { x.WriteTable("Mixed"); },
            {kCrLf + "/* Table: Mixed, Owner: SYSDBA */" + kCrLf, "CREATE TABLE \"Mixed\" ", "(",
             "  \"ID\"\tINTEGER NOT NULL,",
             "  \"lower col\"\tVARCHAR(5) CHARACTER SET ISO8859_1 DEFAULT 'x' NOT NULL "
             "COLLATE DE_DE,",
             "  \"C\"\tCHAR(3) CHARACTER SET WIN1252,", "  \"D\"\t\"D_NAME\" COLLATE PXW_INTL,",
             "  \"N\"\tINTEGER CONSTRAINT \"NN_N\" NOT NULL,",
             "  \"TOTAL\"\t COMPUTED BY (ID * 2),", "CONSTRAINT \"PK_MIXED\" PRIMARY KEY (\"ID\"),",
             "CONSTRAINT \"UQ_C\" UNIQUE (\"C\")", ");"}},
        WriterCase{"every_type_rule",
                   3,
                   kTypesTable,
                   [](TcTestExtract& x) { x.WriteTable("TYPES"); },
                   {kCrLf + "/* Table: TYPES, Owner: SYSDBA */" + kCrLf,
                    "CREATE TABLE \"TYPES\" ",
                    "(",
                    "  \"S\"\tSMALLINT,",
                    "  \"I\"\tINTEGER,",
                    "  \"B\"\tBIGINT,",
                    "  \"N\"\tNUMERIC(9, 2),",
                    "  \"DE\"\tDECIMAL(18, 4),",
                    "  \"F\"\tFLOAT,",
                    "  \"DP\"\tDOUBLE PRECISION,",
                    "  \"DA\"\tDATE,",
                    "  \"TI\"\tTIME,",
                    "  \"TS\"\tTIMESTAMP,",
                    "  \"CU\"\tCHAR(10) CHARACTER SET UTF8,",
                    "  \"V\"\tVARCHAR(7),",
                    "  \"BT\"\tBLOB SUB_TYPE TEXT SEGMENT SIZE 80,",
                    "  \"B0\"\tBLOB SUB_TYPE 0 SEGMENT SIZE 80,",
                    "  \"BN\"\tBLOB SUB_TYPE -3 SEGMENT SIZE 80,",
                    "  \"A1\"\tINTEGER[1:5] ,",
                    "  \"A2\"\tCHAR(2)[1:10, 0:4] ",
                    ");"}},
        WriterCase{"generated_key_name_unwritten",
                   3,
                   {"CREATE TABLE K (ID INTEGER NOT NULL PRIMARY KEY)"},
                   [](TcTestExtract& x) { x.WriteTable("K"); },
                   {kCrLf + "/* Table: K, Owner: SYSDBA */" + kCrLf, "CREATE TABLE \"K\" ", "(",
                    "  \"ID\"\tINTEGER NOT NULL,", " PRIMARY KEY (\"ID\")", ");"}},
        WriterCase{"dialect_1_unquoted_upper_case",
                   1,
                   {"CREATE TABLE t1 (col NUMERIC(15,2), d DATE)"},
                   [](TcTestExtract& x) { x.WriteTable("T1"); },
                   {kCrLf + "/* Table: T1, Owner: SYSDBA */" + kCrLf, "CREATE TABLE T1 ", "(",
                    "  COL\tNUMERIC(15, 2),", "  D\tTIMESTAMP", ");"}},
        WriterCase{
            "missing_table_nothing", 3, {}, [](TcTestExtract& x) { x.WriteTable("NOPE"); }, {}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    KeysAndIndexes, Writers,
    ::testing::Values(
        WriterCase{"indexes_of_a_table_not_those_of_keys",
                   3,
                   kKeys,
                   [](TcTestExtract& x) { x.WriteIndexes("T", xpTable); },
                   {kCrLf + "/*  Index definitions for T */" + kCrLf,
                    "CREATE UNIQUE DESCENDING INDEX \"IX1\" ON \"T\"(\"C\", \"ID\");"}},
        WriterCase{"all_indexes",
                   3,
                   kKeys,
                   [](TcTestExtract& x) { x.WriteIndexes("", xpIndex); },
                   {kCrLf + "/*  Index definitions for all user tables */" + kCrLf,
                    "CREATE INDEX \"IX2\" ON \"CHILD\"(\"ID\");",
                    "CREATE UNIQUE DESCENDING INDEX \"IX1\" ON \"T\"(\"C\", \"ID\");"}},
        WriterCase{"no_index_no_header",
                   3,
                   {"CREATE TABLE K (ID INTEGER NOT NULL PRIMARY KEY)"},
                   [](TcTestExtract& x) { x.WriteIndexes("", xpIndex); },
                   {}},
        WriterCase{
            "foreign_keys_rules_and_names",
            3,
            kKeys,
            [](TcTestExtract& x) { x.WriteForeignKeys("CHILD", xpTable); },
            {"ALTER TABLE \"CHILD\" ADD CONSTRAINT \"FK_C\" FOREIGN KEY (\"PID\") "
             "REFERENCES \"T\" (\"ID\") ON UPDATE CASCADE;",
             "ALTER TABLE \"CHILD\" ADD FOREIGN KEY (\"CODE\") REFERENCES \"T\" (\"CODE\") ON "
             "DELETE SET NULL;"}},
        WriterCase{"one_foreign_key_by_name",
                   3,
                   kKeys,
                   [](TcTestExtract& x) { x.WriteForeignKeys("FK_C", xpForeignKey); },
                   {"ALTER TABLE \"CHILD\" ADD CONSTRAINT \"FK_C\" FOREIGN KEY (\"PID\") "
                    "REFERENCES \"T\" (\"ID\") ON UPDATE CASCADE;"}},
        WriterCase{"check_constraints_named_and_generated",
                   3,
                   kKeys,
                   [](TcTestExtract& x) { x.WriteCheckConstraints("", xpCheck); },
                   {"ALTER TABLE \"T\" ADD", "\tCONSTRAINT \"CK_T\" ", "CHECK (ID > 0);" + kCrLf,
                    "ALTER TABLE \"CHILD\" ADD", "CHECK (ID <> 7);" + kCrLf}},
        WriterCase{"check_constraints_of_a_table",
                   3,
                   kKeys,
                   [](TcTestExtract& x) { x.WriteCheckConstraints("CHILD", xpTable); },
                   {"ALTER TABLE \"CHILD\" ADD", "CHECK (ID <> 7);" + kCrLf}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Sources, Writers,
    ::testing::Values(
        WriterCase{"procedures_in_two_passes",
                   3,
                   kProcedures,
                   [](TcTestExtract& x) { x.WriteProcedures(""); },
                   {"COMMIT WORK;",
                    "SET AUTODDL OFF;",
                    "SET TERM ^ ;",
                    kCrLf + "/* Stored procedures */" + kCrLf,
                    "CREATE PROCEDURE \"P_IO\" ",
                    "(",
                    "  \"A\" INTEGER,",
                    "  \"B\" VARCHAR(10)",
                    ")",
                    "RETURNS" + kCrLf + "(",
                    "  \"R\" NUMERIC(9, 2)",
                    ")",
                    "AS",
                    "BEGIN SUSPEND; END ^" + kCrLf,
                    "CREATE PROCEDURE \"P_NONE\" ",
                    "AS",
                    "BEGIN EXIT; END ^" + kCrLf,
                    kCrLf + "ALTER PROCEDURE \"P_IO\" ",
                    "(",
                    "  \"A\" INTEGER,",
                    "  \"B\" VARCHAR(10)",
                    ")",
                    "RETURNS" + kCrLf + "(",
                    "  \"R\" NUMERIC(9, 2)",
                    ")",
                    "AS",
                    "BEGIN R = A; SUSPEND; END",
                    " ^" + kCrLf,
                    kCrLf + "ALTER PROCEDURE \"P_NONE\" ",
                    "AS",
                    "BEGIN EXIT; END",
                    " ^" + kCrLf,
                    "SET TERM ; ^",
                    "COMMIT WORK;",
                    "SET AUTODDL ON;"}},
        WriterCase{
            "no_procedures_nothing", 3, {}, [](TcTestExtract& x) { x.WriteProcedures(""); }, {}},
        WriterCase{
            "triggers_by_table_type_position",
            3,
            kTriggers,
            [](TcTestExtract& x) { x.WriteTriggers("T", xpTable); },
            {"SET TERM ^ ;" + kCrLf,
             kCrLf + "/* Triggers only will work for SQL triggers */" + kCrLf,
             "CREATE TRIGGER \"TR1\" FOR \"T\" ", "ACTIVE BEFORE INSERT POSITION 5", "AS BEGIN END",
             " ^" + kCrLf, "CREATE TRIGGER \"TR2\" FOR \"T\" ", "INACTIVE AFTER UPDATE POSITION 0",
             "AS", "BEGIN", "  /* x */", "END", " ^" + kCrLf, "CREATE TRIGGER \"TR3\" FOR \"T\" ",
             "ACTIVE BEFORE INSERT OR UPDATE POSITION 1", "AS BEGIN END", " ^" + kCrLf,
             "COMMIT WORK ^", "SET TERM ;^"}},
        WriterCase{"one_trigger_by_name",
                   3,
                   kTriggers,
                   [](TcTestExtract& x) { x.WriteTriggers("TR1", xpTrigger); },
                   {"SET TERM ^ ;" + kCrLf,
                    kCrLf + "/* Triggers only will work for SQL triggers */" + kCrLf,
                    "CREATE TRIGGER \"TR1\" FOR \"T\" ", "ACTIVE BEFORE INSERT POSITION 5",
                    "AS BEGIN END", " ^" + kCrLf, "COMMIT WORK ^", "SET TERM ;^"}},
        WriterCase{"view_columns_and_source",
                   3,
                   {"CREATE TABLE T (ID INTEGER, C VARCHAR(5))",
                    "CREATE VIEW V (A, \"b\") AS SELECT ID, C FROM T"},
                   [](TcTestExtract& x) { x.WriteViews(""); },
                   {"", "/* View: V, Owner: SYSDBA */", "", "CREATE VIEW \"V\" (", "  \"A\", ",
                    "  \"b\"", ") AS", "SELECT ID, C FROM T", ";"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The parameter items of the procedure of "parameters_as_declared", as its
// shell and its body both write them.
const TStringList kDeclaredParameters = {
    "(",
    "  \"A\" TYPE OF \"D_I\",",
    "  \"B\" TYPE OF COLUMN \"T\".\"C\",",
    "  \"D\" \"D_I\",",
    "  \"E\" BLOB SUB_TYPE TEXT CHARACTER SET WIN1252,",
    "  \"F\" VARCHAR(5) CHARACTER SET ISO8859_1 NOT NULL COLLATE DE_DE = 'q',",
    "  \"G\" INTEGER DEFAULT 7",
    ")",
    "AS",
};

TStringList Joined(std::initializer_list<TStringList> parts) {
    TStringList all;
    for (const TStringList& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Declared, Writers,
    ::testing::Values(
        // Parameters as declared: TYPE OF a domain and of a column, a
        // domain, an own type with NOT NULL, collation and default, a text
        // blob with its character set.
        WriterCase{"parameters_as_declared",
                   3,
                   {"CREATE DOMAIN D_I AS INTEGER", "CREATE TABLE T (C VARCHAR(4))",
                    "CREATE PROCEDURE P (A TYPE OF D_I, B TYPE OF COLUMN T.C, D D_I, "
                    "E BLOB SUB_TYPE TEXT CHARACTER SET WIN1252, F VARCHAR(5) CHARACTER SET "
                    "ISO8859_1 NOT NULL COLLATE DE_DE = 'q', G INTEGER DEFAULT 7) AS BEGIN "
                    "EXIT; END"},
                   [](TcTestExtract& x) { x.WriteProcedures("P"); },
                   Joined({{"COMMIT WORK;", "SET AUTODDL OFF;", "SET TERM ^ ;",
                            kCrLf + "/* Stored procedures */" + kCrLf, "CREATE PROCEDURE \"P\" "},
                           kDeclaredParameters,
                           {"BEGIN EXIT; END ^" + kCrLf, kCrLf + "ALTER PROCEDURE \"P\" "},
                           kDeclaredParameters,
                           {"BEGIN EXIT; END", " ^" + kCrLf, "SET TERM ; ^", "COMMIT WORK;",
                            "SET AUTODDL ON;"}})},
        // The column's collation is written where it differs from its
        // domain's, the character set's default one too; named USING
        // indexes and a descending key index are kept.
        WriterCase{"collation_over_domain_and_using_indexes",
                   3,
                   {"CREATE DOMAIN D_C AS VARCHAR(10) CHARACTER SET ISO8859_1 COLLATE DE_DE",
                    "CREATE TABLE T (A D_C, B D_C COLLATE ISO8859_1, C D_C COLLATE FR_FR, "
                    "K INTEGER NOT NULL, U INTEGER NOT NULL, "
                    "CONSTRAINT PK_T PRIMARY KEY (K) USING DESC INDEX PK_T, "
                    "CONSTRAINT UQ_T UNIQUE (U) USING INDEX IX_U)"},
                   [](TcTestExtract& x) { x.WriteTable("T"); },
                   {kCrLf + "/* Table: T, Owner: SYSDBA */" + kCrLf, "CREATE TABLE \"T\" ", "(",
                    "  \"A\"\t\"D_C\",", "  \"B\"\t\"D_C\" COLLATE ISO8859_1,",
                    "  \"C\"\t\"D_C\" COLLATE FR_FR,", "  \"K\"\tINTEGER NOT NULL,",
                    "  \"U\"\tINTEGER NOT NULL,",
                    "CONSTRAINT \"PK_T\" PRIMARY KEY (\"K\") USING DESC INDEX \"PK_T\",",
                    "CONSTRAINT \"UQ_T\" UNIQUE (\"U\") USING INDEX \"IX_U\"", ");"}},
        WriterCase{"foreign_key_using_index",
                   3,
                   {"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)",
                    "CREATE TABLE C (P INTEGER, CONSTRAINT FK_C FOREIGN KEY (P) REFERENCES T "
                    "(ID) ON DELETE CASCADE USING DESC INDEX IX_FK)"},
                   [](TcTestExtract& x) { x.WriteForeignKeys("C", xpTable); },
                   {"ALTER TABLE \"C\" ADD CONSTRAINT \"FK_C\" FOREIGN KEY (\"P\") REFERENCES "
                    "\"T\" (\"ID\") ON DELETE CASCADE USING DESC INDEX \"IX_FK\";"}},
        WriterCase{
            "grants_on_routines_sequences_exceptions",
            3,
            {"CREATE FUNCTION F RETURNS INTEGER AS BEGIN RETURN 1; END",
             "CREATE PACKAGE PK AS BEGIN FUNCTION PF RETURNS INTEGER; END", "CREATE SEQUENCE S",
             "CREATE EXCEPTION E 'x'", "CREATE ROLE R1", "GRANT EXECUTE ON FUNCTION F TO ALICE",
             "GRANT EXECUTE ON PACKAGE PK TO ALICE WITH GRANT OPTION",
             "GRANT USAGE ON SEQUENCE S TO FUNCTION F", "GRANT USAGE ON EXCEPTION E TO ROLE R1"},
            [](TcTestExtract& x) { x.WriteRoutineAndUsageGrants(";"); },
            {"GRANT EXECUTE ON PACKAGE \"PK\" TO ALICE WITH GRANT OPTION;",
             "GRANT EXECUTE ON FUNCTION \"F\" TO ALICE;",
             "GRANT USAGE ON SEQUENCE \"S\" TO FUNCTION \"F\";",
             "GRANT USAGE ON EXCEPTION \"E\" TO \"R1\";"}},
        WriterCase{"descriptions_of_every_kind",
                   3,
                   {"CREATE DOMAIN D AS INTEGER",
                    "CREATE TABLE T (C INTEGER)",
                    "CREATE VIEW V AS SELECT C FROM T",
                    "CREATE PROCEDURE P (A INTEGER) AS BEGIN EXIT; END",
                    "CREATE FUNCTION F (B INTEGER) RETURNS INTEGER AS BEGIN RETURN B; END",
                    "CREATE TRIGGER TR FOR T BEFORE INSERT AS BEGIN END",
                    "CREATE EXCEPTION E 'x'",
                    "CREATE SEQUENCE S",
                    "CREATE INDEX IX ON T (C)",
                    "CREATE ROLE R1",
                    "CREATE PACKAGE PK AS BEGIN END",
                    "COMMENT ON DATABASE IS 'd'",
                    "COMMENT ON DOMAIN D IS 'it''s'",
                    "COMMENT ON TABLE T IS 't'",
                    "COMMENT ON COLUMN T.C IS 'c'",
                    "COMMENT ON VIEW V IS 'v'",
                    "COMMENT ON PROCEDURE P IS 'p'",
                    "COMMENT ON PROCEDURE PARAMETER P.A IS 'pa'",
                    "COMMENT ON FUNCTION F IS 'f'",
                    "COMMENT ON FUNCTION PARAMETER F.B IS 'fb'",
                    "COMMENT ON TRIGGER TR IS 'tr'",
                    "COMMENT ON EXCEPTION E IS 'e'",
                    "COMMENT ON SEQUENCE S IS 's'",
                    "COMMENT ON INDEX IX IS 'ix'",
                    "COMMENT ON ROLE R1 IS 'r'",
                    "COMMENT ON PACKAGE PK IS 'pk'"},
                   [](TcTestExtract& x) { x.WriteComments(); },
                   {"", "/* Comments for database objects. */", "COMMENT ON DATABASE IS 'd';",
                    "COMMENT ON DOMAIN \"D\" IS 'it''s';", "COMMENT ON TABLE \"T\" IS 't';",
                    "COMMENT ON VIEW \"V\" IS 'v';", "COMMENT ON COLUMN \"T\".\"C\" IS 'c';",
                    "COMMENT ON PROCEDURE \"P\" IS 'p';",
                    "COMMENT ON PROCEDURE PARAMETER \"P\".\"A\" IS 'pa';",
                    "COMMENT ON TRIGGER \"TR\" IS 'tr';", "COMMENT ON FUNCTION \"F\" IS 'f';",
                    "COMMENT ON FUNCTION PARAMETER \"F\".\"B\" IS 'fb';",
                    "COMMENT ON EXCEPTION \"E\" IS 'e';", "COMMENT ON SEQUENCE \"S\" IS 's';",
                    "COMMENT ON INDEX \"IX\" IS 'ix';", "COMMENT ON ROLE \"R1\" IS 'r';",
                    "COMMENT ON PACKAGE \"PK\" IS 'pk';"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Others, Writers,
    ::testing::Values(
        WriterCase{"generators_always_an_empty_line",
                   3,
                   {"CREATE GENERATOR G1", "CREATE SEQUENCE \"g2\""},
                   [](TcTestExtract& x) { x.WriteGenerators(""); },
                   {"", "CREATE GENERATOR \"G1\";", "CREATE GENERATOR \"g2\";"}},
        WriterCase{"no_generator_still_the_empty_line",
                   3,
                   {},
                   [](TcTestExtract& x) { x.WriteGenerators("NOPE"); },
                   {""}},
        WriterCase{"exception_quote_doubled",
                   3,
                   {"CREATE EXCEPTION E1 'It''s wrong'"},
                   [](TcTestExtract& x) { x.WriteExceptions(""); },
                   {"", "/*  Exceptions */", "", "CREATE EXCEPTION \"E1\" 'It''s wrong';"}},
        WriterCase{"roles_comment_per_owner",
                   3,
                   {"CREATE ROLE R1", "CREATE ROLE R2"},
                   [](TcTestExtract& x) { x.WriteRoles("R1"); },
                   {"", "/* Grant Roles for this database */", "", "",
                    "/* Role: \"R1\", Owner: SYSDBA */", "", "CREATE ROLE \"R1\";"}},
        WriterCase{
            "table_grants_grouped",
            3,
            kGrants,
            [](TcTestExtract& x) { x.WriteObjectGrants("T", ";"); },
            {"GRANT INSERT, SELECT ON \"T\" TO ALICE;",
             "GRANT UPDATE (\"C\") ON \"T\" TO BOB WITH GRANT OPTION;",
             "GRANT SELECT ON \"T\" TO PROCEDURE \"P\";",
             "GRANT DELETE, INSERT, SELECT, UPDATE, REFERENCES ON \"T\" TO \"R1\";",
             "GRANT INSERT ON \"T\" TO TRIGGER \"TRG\";", "GRANT SELECT ON \"T\" TO VIEW \"V\";"}},
        WriterCase{"procedure_grants",
                   3,
                   kGrants,
                   [](TcTestExtract& x) { x.WriteObjectGrants("P", ";"); },
                   {"GRANT EXECUTE ON PROCEDURE \"P\" TO DAVE WITH GRANT OPTION;",
                    "GRANT EXECUTE ON PROCEDURE \"P\" TO ERIN;"}},
        WriterCase{"role_memberships",
                   3,
                   kGrants,
                   [](TcTestExtract& x) { x.WriteRoleGrants(";"); },
                   {"GRANT \"R1\" TO CAROL WITH ADMIN OPTION;" + kCrLf}},
        WriterCase{"column_privilege_joins_the_table_group_before_the_first_grant",
                   3,
                   {"CREATE TABLE T (ID INTEGER, C VARCHAR(5))", "GRANT SELECT ON T TO ALICE",
                    "GRANT UPDATE (C) ON T TO ALICE"},
                   [](TcTestExtract& x) { x.WriteObjectGrants("T", ";"); },
                   {"GRANT SELECT, UPDATE (\"C\") ON \"T\" TO ALICE;"}},
        WriterCase{
            "external_functions",
            3,
            {"DECLARE EXTERNAL FUNCTION F_ABS DOUBLE PRECISION RETURNS DOUBLE PRECISION BY "
             "VALUE ENTRY_POINT 'IB_UDF_abs' MODULE_NAME 'ib_udf'",
             "DECLARE EXTERNAL FUNCTION F_LOW CSTRING(80), INTEGER RETURNS CSTRING(80) "
             "FREE_IT ENTRY_POINT 'low' MODULE_NAME 'm'"},
            [](TcTestExtract& x) { x.WriteExternalFunctions(""); },
            {kCrLf + "/*  External Function declarations */" + kCrLf,
             "DECLARE EXTERNAL FUNCTION \"F_ABS\"", "DOUBLE PRECISION",
             "RETURNS DOUBLE PRECISION BY VALUE ",
             "ENTRY_POINT 'IB_UDF_abs' MODULE_NAME 'ib_udf';" + kCrLf + kCrLf,
             "DECLARE EXTERNAL FUNCTION \"F_LOW\"", "CSTRING(80) CHARACTER SET NONE, INTEGER",
             "RETURNS CSTRING(80) CHARACTER SET NONE FREE_IT",
             "ENTRY_POINT 'low' MODULE_NAME 'm';" + kCrLf + kCrLf}},
        WriterCase{"blob_filters",
                   3,
                   {"DECLARE FILTER F_X INPUT_TYPE 1 OUTPUT_TYPE -4 ENTRY_POINT 'e' MODULE_NAME "
                    "'m'"},
                   [](TcTestExtract& x) { x.WriteBlobFilters(""); },
                   {"", "/*  BLOB Filter declarations */", "",
                    "DECLARE FILTER F_X INPUT_TYPE 1 OUTPUT_TYPE -4",
                    "\tENTRY_POINT 'e' MODULE_NAME 'm';", ""}},
        WriterCase{"no_grants_for_the_owner_alone",
                   3,
                   {"CREATE TABLE T (ID INTEGER)"},
                   [](TcTestExtract& x) { x.WriteObjectGrants("T", ";"); },
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Extract, HeaderNamesFileAndPageSize) {
    ExtractDatabase db;
    const TStringList items = db.Items([](TcTestExtract& x) { x.WriteDatabaseHeader(); });
    EXPECT_EQ(items, (TStringList{"/* CREATE DATABASE '" + db.path + "' PAGE_SIZE 4096" + kCrLf,
                                  " DEFAULT CHARACTER SET NONE */"}));
}

TEST(Extract, ExtractByKindEmptiesLinesAndWritersAppend) {
    ExtractDatabase db;
    db.Exec({"CREATE EXCEPTION E1 'x'"});
    db.extract.Lines = {"old"};
    db.extract.ExtractByKind(xoException, "E1");
    EXPECT_EQ(db.extract.Lines,
              (TStringList{"", "/*  Exceptions */", "", "CREATE EXCEPTION \"E1\" 'x';"}));
    EXPECT_FALSE(db.transaction.Active()) << "the transaction it started is committed";
    db.extract.WriteExceptions("E1");
    EXPECT_EQ(db.extract.Lines.size(), 8u);
}

TEST(Extract, TableWithItsParts) {
    ExtractDatabase db;
    db.Exec(kKeys);
    db.extract.ExtractByKind(xoTable, "CHILD", {xpIndex, xpForeignKey, xpCheck});
    const TStringList& lines = db.extract.Lines;
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[1], "CREATE TABLE \"CHILD\" ");
    EXPECT_EQ(lines.back(), "CHECK (ID <> 7);" + kCrLf);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "CREATE INDEX \"IX2\" ON \"CHILD\"(\"ID\");"),
              lines.end());
}

TEST(Extract, WholeDatabaseInItsOrder) {
    ExtractDatabase db;
    db.Exec(kKeys);
    db.Exec({"CREATE GENERATOR G1", "CREATE EXCEPTION E1 'x'", "CREATE DOMAIN D1 AS INTEGER",
             "CREATE VIEW V AS SELECT ID FROM T"});
    db.Exec(kProcedures);
    db.extract.ExtractByKind(xoDatabase, "");
    const TStringList& lines = db.extract.Lines;
    auto at = [&lines](const std::string& item) {
        return std::find(lines.begin(), lines.end(), item) - lines.begin();
    };
    ASSERT_EQ(lines[0], "SET SQL DIALECT 3;");
    EXPECT_EQ(lines[1], "");
    const std::vector<std::string> order = {
        " DEFAULT CHARACTER SET NONE */", "CREATE DOMAIN \"D1\" AS INTEGER;",
        "CREATE TABLE \"CHILD\" ", "CREATE TABLE \"T\" ",
        "CREATE INDEX \"IX2\" ON \"CHILD\"(\"ID\");",
        "ALTER TABLE \"CHILD\" ADD CONSTRAINT \"FK_C\" FOREIGN "
        "KEY (\"PID\") REFERENCES \"T\" (\"ID\") "
        "ON UPDATE CASCADE;",
        "CREATE GENERATOR \"G1\";", "CREATE EXCEPTION \"E1\" 'x';",
        // Shells before the views, which may select from a
        // procedure; the bodies after them.
        "CREATE PROCEDURE \"P_IO\" ", "CREATE VIEW \"V\" (", "\tCONSTRAINT \"CK_T\" ",
        "\r\nALTER PROCEDURE \"P_IO\" ", "/* Grant permissions for this database */"};
    for (size_t i = 0; i < order.size(); ++i) {
        ASSERT_LT(at(order[i]), static_cast<long>(lines.size())) << order[i];
        if (i > 0) {
            EXPECT_LT(at(order[i - 1]), at(order[i])) << order[i];
        }
    }
}

// A PSQL function is no UDF: written as CREATE FUNCTION with an empty body
// before the views and ALTER FUNCTION with its body after them, never as
// DECLARE EXTERNAL FUNCTION; a package's header comes with the shells, its
// body with the bodies. Nothing is left out.
TEST(Extract, FunctionsAndPackagesInTwoPasses) {
    ExtractDatabase db;
    db.Exec(
        {"CREATE FUNCTION \"f one\" (A INTEGER, B VARCHAR(3) = 'z') RETURNS INTEGER "
         "DETERMINISTIC AS BEGIN RETURN A; END",
         "CREATE PACKAGE PK AS BEGIN FUNCTION PF RETURNS INTEGER; END",
         "CREATE PACKAGE BODY PK AS BEGIN FUNCTION PF RETURNS INTEGER AS BEGIN RETURN 1; END "
         "END",
         "CREATE VIEW V AS SELECT \"f one\"(1) F, PK.PF() G FROM RDB$DATABASE"});
    db.extract.ExtractByKind(xoDatabase, "");
    const TStringList& lines = db.extract.Lines;
    EXPECT_TRUE(db.extract.Unwritten.empty());
    auto at = [&lines](const std::string& item) {
        return std::find(lines.begin(), lines.end(), item) - lines.begin();
    };
    const std::vector<std::string> order = {
        "CREATE FUNCTION \"f one\"",     "  \"A\" INTEGER,",         "  \"B\" VARCHAR(3) = 'z'",
        "RETURNS INTEGER DETERMINISTIC", "BEGIN END ^\r\n",          "CREATE PACKAGE \"PK\" AS",
        "CREATE VIEW \"V\" (",           "ALTER FUNCTION \"f one\"", "BEGIN RETURN A; END",
        "CREATE PACKAGE BODY \"PK\" AS"};
    for (size_t i = 0; i < order.size(); ++i) {
        ASSERT_LT(at(order[i]), static_cast<long>(lines.size())) << order[i];
        if (i > 0) {
            EXPECT_LT(at(order[i - 1]), at(order[i])) << order[i];
        }
    }
    // Not even the heading of the UDFs.
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("External Function"), std::string::npos) << line;
}

// The whole-database script reads some lookups once for all rows; what it
// writes must be what the writers write with their per-row queries.
TEST(Extract, WholeDatabaseWritesWhatTheWritersWrite) {
    ExtractDatabase db;
    db.Exec(kMixedTable);
    db.Exec(kKeys);
    db.Exec({"GRANT SELECT, INSERT ON T TO ALICE", "GRANT UPDATE (C) ON T TO BOB WITH GRANT OPTION",
             "CREATE ROLE R1", "GRANT ALL ON T TO R1", "GRANT R1 TO CAROL WITH ADMIN OPTION"});
    const TStringList table = db.Items([](TcTestExtract& x) { x.WriteTable("Mixed"); });
    const TStringList grants = db.Items([](TcTestExtract& x) { x.WriteObjectGrants("T", ";"); });
    const TStringList keys =
        db.Items([](TcTestExtract& x) { x.WriteForeignKeys("CHILD", xpTable); });
    db.extract.ExtractByKind(xoDatabase, "");
    const TStringList& lines = db.extract.Lines;
    for (const TStringList* part : {&table, &grants, &keys}) {
        ASSERT_FALSE(part->empty());
        EXPECT_NE(std::search(lines.begin(), lines.end(), part->begin(), part->end()), lines.end())
            << part->front();
    }
}

TEST(Extract, CharsetTextRules) {
    ExtractDatabase db;
    // WIN1252 is 53; its collation PXW_INTL has id 1, the default has 0.
    db.Exec({"CREATE DOMAIN D_C AS VARCHAR(1) CHARACTER SET WIN1252 COLLATE PXW_INTL"});
    EXPECT_EQ(db.extract.CharsetText(53, 0, false), " CHARACTER SET WIN1252");
    EXPECT_EQ(db.extract.CharsetText(53, 1, false), " CHARACTER SET WIN1252 COLLATE PXW_INTL");
    EXPECT_EQ(db.extract.CharsetText(53, 1, true), " COLLATE PXW_INTL");
    EXPECT_EQ(db.extract.CharsetText(0, 0, false), "");
    // Ids the catalogue does not hold give no clause.
    EXPECT_EQ(db.extract.CharsetText(53, 250, false), "");
}

// Counts the statements the components prepare.
class TcPrepareCounter : public IIBSQLMonitorHook {
  public:
    TcPrepareCounter() : previous_(MonitorHookSlot()) { MonitorHookSlot() = this; }
    ~TcPrepareCounter() override { MonitorHookSlot() = previous_; }
    TcPrepareCounter(const TcPrepareCounter&) = delete;
    TcPrepareCounter& operator=(const TcPrepareCounter&) = delete;
    void SQLPrepare(TMDOSQL&) override { ++Prepares; }
    int Prepares = 0;

  private:
    IIBSQLMonitorHook* previous_;
};

// The statements prepared for a whole-database script of one table with
// `columns` NOT NULL text columns in a character set, with a collation.
int PreparesForColumns(int columns) {
    ExtractDatabase db;
    std::string table = "CREATE TABLE WIDE (";
    for (int i = 0; i < columns; ++i)
        table += (i > 0 ? ", C" : "C") + std::to_string(i) +
                 " VARCHAR(5) CHARACTER SET WIN1252 NOT NULL COLLATE PXW_INTL";
    db.Exec({table + ")"});
    TcPrepareCounter counter;
    db.extract.ExtractByKind(xoDatabase, "");
    return counter.Prepares;
}

TEST(Extract, PreparesDoNotGrowWithTheColumns) {
    EXPECT_EQ(PreparesForColumns(2), PreparesForColumns(40));
}

TEST(Extract, DatabaseFreedClearsTheReference) {
    auto database = std::make_unique<TMDODatabase>();
    TcTestExtract extract(database.get());
    EXPECT_EQ(extract.Database(), database.get());
    database.reset();
    EXPECT_EQ(extract.Database(), nullptr);
}

}  // namespace
