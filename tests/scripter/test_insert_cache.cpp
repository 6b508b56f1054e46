// Prepared INSERT reuse: which statements the literal scanner takes and how it
// types their values, and when the scripter runs a statement from the cache,
// prepares a shape again or leaves the statement to the ordinary road. The
// output of both roads is compared script by script in fast_insert/.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/scoped_value.h"
#include "scripter/insert_cache.h"
#include "scripter/insert_literals.h"
#include "scripter/insert_reading.h"
#include "scripter_fixture.h"
#include "support/expect_error.h"

namespace {

using Lines = std::vector<std::string>;

// The values of a parsed statement, one word each: E:digits/scale, F:double,
// T:text, N.
std::string Describe(const TcInsertShape& shape) {
    std::string text;
    for (size_t i = 0; i < shape.Count; ++i) {
        const TcInsertLiteral& value = shape.Values[i];
        if (!text.empty()) text += " ";
        switch (value.Kind) {
            case TcInsertLiteral::TKind::Exact:
                text += "E:" + std::to_string(value.Exact) + "/" + std::to_string(value.Scale);
                break;
            case TcInsertLiteral::TKind::Float:
                text += "F:" + std::to_string(value.Float);
                break;
            case TcInsertLiteral::TKind::Text:
                text += "T:" + value.Text;
                break;
            case TcInsertLiteral::TKind::Null:
                text += "N";
                break;
        }
    }
    return text;
}

struct TAccepted {
    const char* Statement;
    const char* Key;
    const char* Relation;
    const char* Values;
};

TEST(InsertLiterals, TakesInsertsOfLiteralsWithTheirTypes) {
    const TAccepted cases[] = {
        {"INSERT INTO T VALUES (1, 'a', NULL)", "INSERT INTO T VALUES (?, ?, ?)", "T",
         "E:1/0 T:a N"},
        {"  insert into t (a, \"b c\") values (-12.50, 'it''s')\r\n",
         "  insert into t (a, \"b c\") values (?, ?)", "T", "E:-1250/-2 T:it's"},
        {"INSERT INTO \"Mixed \"\"Q\"\"\"(x)VALUES(- 7)",
         "INSERT INTO \"Mixed \"\"Q\"\"\"(x)VALUES(?)", "Mixed \"Q\"", "E:-7/0"},
        {"INSERT INTO T VALUES (1.5e3, 25E-1, -0.5e0)", "INSERT INTO T VALUES (?, ?, ?)", "T",
         "F:1500.000000 F:2.500000 F:-0.500000"},
        {"INSERT INTO T VALUES ('', 'a;b', 'x\ny', '--', '/*')",
         "INSERT INTO T VALUES (?, ?, ?, ?, ?)", "T", "T: T:a;b T:x\ny T:-- T:/*"},
        {"INSERT INTO T VALUES (999999999999999999, 0.00000000000000001, 007)",
         "INSERT INTO T VALUES (?, ?, ?)", "T", "E:999999999999999999/0 E:1/-17 E:7/0"},
        {"INSERT INTO T$1_X VALUES (null)", "INSERT INTO T$1_X VALUES (?)", "T$1_X", "N"},
    };
    for (const TAccepted& c : cases) {
        TcInsertShape shape;
        ASSERT_TRUE(ParseLiteralInsert(c.Statement, shape)) << c.Statement;
        EXPECT_EQ(shape.Key, c.Key) << c.Statement;
        EXPECT_EQ(shape.Relation, c.Relation) << c.Statement;
        EXPECT_EQ(Describe(shape), c.Values) << c.Statement;
    }
}

TEST(InsertLiterals, RefusesWhatTheServerMightReadOtherwise) {
    for (const char* statement : {
             "INSERT INTO T VALUES (DATE '2024-01-01')",  // typed literal
             "INSERT INTO T VALUES (_UTF8 'x')",          // introducer
             "INSERT INTO T VALUES (1 + 1)",              // expression
             "INSERT INTO T VALUES ('a' || 'b')",         // expression
             "INSERT INTO T VALUES (1) RETURNING ID",     // returns a row
             "INSERT INTO T VALUES (1) -- comment",       // a comment left in
             "INSERT INTO T VALUES (/* c */ 1)",          // a comment left in
             "INSERT INTO T VALUES (X'41')",              // binary string
             "INSERT INTO T VALUES (0x41)",               // hexadecimal number
             "INSERT INTO T VALUES (5.)",                 // no digit after the point
             "INSERT INTO T VALUES (.5)",                 // no digit before it
             "INSERT INTO T VALUES (1234567890123456789)",
             "INSERT INTO T VALUES (99999999999999999999)",    // past 64 bits
             "INSERT INTO T VALUES (0.99999999999999999999)",  // past 18 digits
             "INSERT INTO T VALUES (0.1234567890123456789)",   // past 18 digits
             "INSERT INTO T VALUES (1234567890123456e0)",      // digits past a double's
             "INSERT INTO T VALUES (1e23)",                    // inexact power of ten
             "INSERT INTO T VALUES (2.2250738585072014e-308)",
             "INSERT INTO T VALUES (+5)",    // unary plus
             "INSERT INTO T VALUES (-'5')",  // minus before a string
             "INSERT INTO T VALUES (-NULL)",
             "INSERT INTO T VALUES ('open)",  // unterminated
             "INSERT INTO T VALUES (1",       // unclosed
             "INSERT INTO T VALUES ()",       // nothing
             "INSERT INTO T VALUES (1,)",
             "INSERT INTO T VALUES (1) (2)",
             "INSERT INTO T SELECT 1 FROM RDB$DATABASE",
             "INSERT INTO T DEFAULT VALUES",
             "INSERT INTO S.T VALUES (1)",
             "INSERT INTO T AS X VALUES (1)",
             "INSERT INTO T VALUES (?)",
             "INSERT INTO T VALUES (:p)",
             "INSERT INTO T VALUES (TRUE)",
             "INSERT INTO T VALUES (CURRENT_DATE)",
             "INSERT INTO \"\" VALUES (1)",
             "INSERTINTO T VALUES (1)",
             "INSERT INTO T VALUES(1)x",
             "UPDATE OR INSERT INTO T VALUES (1)",
             "SELECT 1 FROM RDB$DATABASE",
         }) {
        TcInsertShape shape;
        EXPECT_FALSE(ParseLiteralInsert(statement, shape)) << statement;
    }
    TcInsertShape shape;
    const std::string longText = "INSERT INTO T VALUES ('" + std::string(32768, 'x') + "')";
    EXPECT_FALSE(ParseLiteralInsert(longText, shape)) << "longer than a text parameter";
    const std::string longest = "INSERT INTO T VALUES ('" + std::string(32767, 'x') + "')";
    EXPECT_TRUE(ParseLiteralInsert(longest, shape));
}

TEST(InsertLiterals, ReusedShapeHoldsOnlyTheLatestValues) {
    TcInsertShape shape;
    ASSERT_TRUE(ParseLiteralInsert("INSERT INTO T VALUES (1, 'a', 2)", shape));
    ASSERT_TRUE(ParseLiteralInsert("INSERT INTO U VALUES ('b')", shape));
    EXPECT_EQ(shape.Count, 1u);
    EXPECT_EQ(Describe(shape), "T:b");
    EXPECT_EQ(shape.Key, "INSERT INTO U VALUES (?)");
    EXPECT_EQ(shape.Relation, "U");
}

TEST(InsertLiterals, FirstWord) {
    EXPECT_EQ(FirstWord("  \r\n insert into t"), "INSERT");
    EXPECT_EQ(FirstWord("Create_1$ x"), "CREATE_1$");
    EXPECT_EQ(FirstWord("(select 1)"), "");
    EXPECT_EQ(FirstWord(""), "");
}

// The shortest forms only, as the server checks a UTF8 literal.
TEST(InsertReading, WellFormedUtf8) {
    const struct {
        const char* Text;
        bool Valid;
    } cases[] = {
        {"", true},
        {"plain", true},
        {"h\xc3\xa9", true},
        {"\xf0\x9d\x84\x9e", true},
        {"\xe9", false},
        {"a\xc3", false},
        {"\xff\xfe", false},
        {"\xc0\xaf", false},
        {"\xe0\x80\xaf", false},
        {"\xed\xa0\x80", false},
        {"\xf4\x90\x80\x80", false},
        {"\x80", false},
        {"\xef\xbf\xbf", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWellFormedUtf8(c.Text), c.Valid) << c.Text;
}

// Numbers bind only to numeric parameters; text only through character sets
// read here, well-formed and within every set's literal length.
TEST(InsertReading, ValuesBoundOnlyWhereTheServerReadsThemAsTheLiteral) {
    auto literal = [](TcInsertLiteral::TKind kind, std::string text = "") {
        TcInsertLiteral value;
        value.Kind = kind;
        value.Text = std::move(text);
        return value;
    };
    using K = TcInsertLiteral::TKind;
    using C = TConnectionCharset;
    const struct {
        TcInsertLiteral Value;
        short Type;
        C Charset;
        bool Bound;
    } cases[] = {
        {literal(K::Exact), SQL_LONG + 1, C::Utf8, true},
        {literal(K::Float), SQL_DOUBLE, C::Win1252, true},
        {literal(K::Exact), SQL_INT64 + 1, C::Other, true},
        {literal(K::Float), SQL_VARYING + 1, C::Win1252, false},
        {literal(K::Exact), SQL_TEXT + 1, C::Utf8, false},
        {literal(K::Exact), SQL_TYPE_DATE + 1, C::None, false},
        {literal(K::Float), SQL_BLOB + 1, C::None, false},
        {literal(K::Null), SQL_VARYING + 1, C::Other, true},
        {literal(K::Text, "h\xc3\xa9"), SQL_VARYING + 1, C::Utf8, true},
        {literal(K::Text, "\xe9"), SQL_VARYING + 1, C::Utf8, false},
        {literal(K::Text, "\xe9"), SQL_VARYING + 1, C::Win1252, true},
        {literal(K::Text, "\xe9"), SQL_BLOB + 1, C::None, true},
        {literal(K::Text, "x"), SQL_VARYING + 1, C::Other, false},
        {literal(K::Text, std::string(kMaxBoundTextBytes, 'x')), SQL_BLOB + 1, C::Utf8, true},
        {literal(K::Text, std::string(kMaxBoundTextBytes + 1, 'x')), SQL_BLOB + 1, C::None, false},
        {literal(K::Text, "12"), SQL_LONG + 1, C::None, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ReadsAsLiteral(cases[i].Value, cases[i].Type, cases[i].Charset), cases[i].Bound)
            << "case " << i;
}

// Prepared shapes live as long as their transaction: the statements of a
// case run in one, as a data script's do.
class InsertCache : public EmbeddedScripter {
  protected:
    void SetUp() override {
        EmbeddedScripter::SetUp();
        engine->StartTransactionModel = TStartTransactionModel::Implicit;
    }
    const TcInsertCache& Cache() const { return engine->InsertCache(); }
};

TEST_F(InsertCache, StatementsOfOneShapeArePreparedOnce) {
    Run("create table t (a integer, b varchar(10), c numeric(9,2));");
    const Lines output =
        Run("insert into t values (1, 'one', 1.005);\n"
            "insert into t values (2, 'two', -2.5);\n"
            "insert into t values (3, NULL, 3);\n");
    EXPECT_EQ(output, (Lines{"1 row(s) inserted.", "1 row(s) inserted.", "1 row(s) inserted."}));
    EXPECT_EQ(Cache().Prepares(), 1);
    EXPECT_EQ(Cache().Hits(), 3);
    EXPECT_EQ(Run("select a, b, c from t order by a;"),
              (Lines{"        A B                 C",
                     "========= ====== ============", "        1 one            1.01 ",
                     "        2 two           -2.50 ", "        3 <NULL>         3.00 "}));
}

TEST_F(InsertCache, SwitchedOffEveryStatementTakesTheOrdinaryRoad) {
    Run("create table t (a integer);");
    Run("insert into t values (1);");
    ASSERT_EQ(Cache().Size(), 1u);
    Run("SET FAST_INSERT OFF;");
    EXPECT_FALSE(engine->FastInsert);
    Run("insert into t values (2); insert into t values (3);");
    EXPECT_EQ(Cache().Hits(), 1);
    EXPECT_EQ(Cache().Size(), 0u) << "switching off drops the prepared statements";
    Run("SET FAST_INSERT ON;");
    Run("insert into t values (4);");
    EXPECT_EQ(Cache().Hits(), 2);
}

// The same text after DROP and CREATE must be prepared for the new table; a
// prepared statement kept over the drop would also make DROP TABLE refuse
// the table as in use.
TEST_F(InsertCache, MetadataChangesDropThePreparedStatements) {
    Run("create table t (a integer); insert into t values (1);");
    ASSERT_EQ(Cache().Size(), 1u);
    Run("drop table t;");
    EXPECT_EQ(Cache().Size(), 0u);
    Run("create table t (a varchar(5)); insert into t values ('12.50');");
    EXPECT_EQ(Cache().Prepares(), 2);
    EXPECT_EQ(Run("select a from t;")[2], "12.50  ");

    // Without AUTODDL the change is in force only at the commit: until then
    // nothing is prepared.
    Run("SET AUTODDL OFF; START TRANSACTION; alter table t add b integer;");
    Run("insert into t (a) values (1);");
    EXPECT_EQ(Cache().Size(), 0u);
    Run("COMMIT; insert into t values ('2', 3); insert into t values ('4', 5);");
    EXPECT_EQ(Cache().Size(), 1u);
    EXPECT_EQ(Cache().Hits(), 4);
}

TEST_F(InsertCache, SettingsThatChangeTheOutputOrTheReadingKeepTheOrdinaryRoad) {
    Run("create table t (a integer); insert into t values (0);");
    const int64_t hits = Cache().Hits();
    for (const char* setting :
         {"SET PLAN ON;", "SET PLAN ONLY;", "SET STATISTICS_DISPLAY ON;", "SET SQL_DIALECT 1;"}) {
        Run("SET PLAN OFF; SET STATISTICS_DISPLAY OFF; SET SQL_DIALECT 3;");
        Run(setting);
        Run("insert into t values (1);");
        EXPECT_EQ(Cache().Hits(), hits) << setting;
    }
    Run("SET PLAN OFF; SET STATISTICS_DISPLAY OFF; SET SQL_DIALECT 3;");
    Run("insert into t values (2);");
    EXPECT_EQ(Cache().Hits(), hits + 1);
}

TEST_F(InsertCache, AttachmentTerminatorAndCharacterSetChangesDropTheStatements) {
    Run("create table t (a integer); insert into t values (1);");
    ASSERT_EQ(Cache().Size(), 1u);
    Run("SET TERM ^ ;");
    Run("insert into t values (2)^");
    EXPECT_EQ(Cache().Prepares(), 2) << "a new terminator";
    Run("SET TERM ; ^");
    Run("SET NAMES UTF8;");
    Run("insert into t values (3);");
    EXPECT_EQ(Cache().Prepares(), 3) << "another character set";
    Run("COMMIT;");
    Run("DISCONNECT;");
    EXPECT_EQ(Cache().Size(), 0u);
    Run("CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'masterkey';");
    Run("insert into t values (4);");
    EXPECT_EQ(Cache().Prepares(), 4);
    EXPECT_EQ(Run("select count(*) from t;")[2], "             4 ");
}

TEST_F(InsertCache, HoldsABoundedNumberOfShapes) {
    Run("create table t (a integer, b integer);");
    for (size_t i = 0; i < TcInsertCache::kMaxEntries + 4; ++i)
        Run("insert into t (a, b) values (" + std::to_string(i) + "," + std::string(i, ' ') +
            "1);");
    EXPECT_EQ(Cache().Size(), TcInsertCache::kMaxEntries);
    EXPECT_EQ(Run("select count(*) from t;")[2], "            20 ");
}

// A value the server cannot convert fails before the request runs, so the
// trigger has taken no generator value yet: the statement runs again on the
// ordinary road, whose message is about the literal.
TEST_F(InsertCache, ConversionErrorsGetTheLiteralsMessageAlsoUnderATrigger) {
    Run("create sequence g; create table t (id integer, a integer);");
    Run("SET TERM ^ ; create trigger t_bi for t before insert as begin new.id = next value for g; "
        "end^ SET TERM ; ^");
    Run("insert into t values (0, 1);");
    EXPECT_RAISES(EUser, Run("insert into t values (0, 'x');"),
                  "conversion error from string \"x\".");
    Run("insert into t values (0, 2);");
    EXPECT_EQ(Cache().Hits(), 2);
    EXPECT_EQ(Run("select id, a from t order by id;"),
              (Lines{"       ID         A", "========= =========", "        1         1 ",
                     "        2         2 "}))
        << "the failed statement took no value, as on the ordinary road";
}

TEST_F(InsertCache, HelpInBothLanguages) {
    EXPECT_NE(Message("HELP;").find("SET FAST_INSERT <ON|OFF>\r\n"), std::string::npos);
    engine->ExecuteStatement("HELP SET FAST_INSERT");
    EXPECT_EQ(
        engine->LastMessage,
        "SET FAST_INSERT <ON|OFF>\r\n"
        "Set FAST_INSERT to OFF if every INSERT statement with only literal values must be \r\n"
        "prepared on its own. If FAST_INSERT is ON (the default) such a statement reuses the \r\n"
        "prepared statement of an earlier INSERT of the same form, which makes scripts with \r\n"
        "a lot of INSERT statements significantly faster. The output is the same either way.");
    TcScopedValue<TLanguage> language{Language, TLanguage::Dutch};
    TcDBScripter_IB dutch;  // help texts are fixed at construction
    dutch.ExecuteStatement("HELP SET FAST_INSERT");
    EXPECT_EQ(
        dutch.LastMessage,
        "SET FAST_INSERT <ON|OFF>\r\n"
        "Zet FAST_INSERT op OFF als elke INSERT opdracht met alleen letterlijke waarden \r\n"
        "afzonderlijk voorbereid moet worden. Als FAST_INSERT aan staat (de standaard) \r\n"
        "hergebruikt zo'n opdracht de voorbereide opdracht van een eerdere INSERT van \r\n"
        "dezelfde vorm, wat scripts met veel INSERT opdrachten flink versnelt. De uitvoer \r\n"
        "is in beide gevallen gelijk.");
}

}  // namespace
