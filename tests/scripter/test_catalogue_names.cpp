// The names completion offers, read from an embedded database: tables,
// views, procedures and columns spelled as a statement must spell them,
// read once per connection and again after DDL or the end of a transaction
// that ran DDL, without touching the user's transaction or result.

#include <gtest/gtest.h>

#include "catalogue_fixture.h"
#include "scripter/catalogue_names.h"
#include "scripter/output_sqlda.h"

namespace {

using Names = TStringList;

class CatalogueNames : public CatalogueDatabase {
  protected:
    void SetUp() override {
        CatalogueDatabase::SetUp();
        Run("CREATE VIEW CHEAP AS SELECT ID, NAME FROM CUSTOMER WHERE PRICE < 10;"
            "CREATE TABLE \"lower_case\" (\"Mixed\" INTEGER, PLAIN INTEGER, \"with \"\"quote\" "
            "INTEGER);"
            "CREATE TABLE \"Has Blank\" (ID INTEGER);");
    }
    Names Complete(std::string_view qualifier, std::string_view prefix) {
        EXPECT_TRUE(names.Refresh(*engine)) << names.Error();
        return names.Complete(qualifier, prefix);
    }
    TcCatalogueNames names;
};

TEST_F(CatalogueNames, ReadsTablesViewsProceduresAndColumnsSpelledForAStatement) {
    ASSERT_TRUE(names.Refresh(*engine)) << names.Error();
    EXPECT_EQ(names.Tables(),
              (Names{"\"Has Blank\"", "\"lower_case\"", "COUNTRY", "CUSTOMER", "TOWN"}));
    EXPECT_EQ(names.Views(), (Names{"CHEAP"}));
    EXPECT_EQ(names.Procedures(), (Names{"ADD_PRICE", "LIST_NAMES"}));

    struct TCase {
        const char* Name;
        const char* Qualifier;
        const char* Prefix;
        Names Expected;
    };
    const TCase cases[] = {
        {"prefix in any case", "", "cu", {"CUSTOMER"}},
        {"a view and command words", "", "CH", {"CHARACTER_SET", "CHEAP", "CHECK"}},
        {"procedures", "", "LIST_", {"LIST_NAMES"}},
        {"quoted name after its quote", "", "\"low", {"\"lower_case\""}},
        {"quoted name is no plain word", "", "low", {}},
        {"columns of the relation before the dot",
         "customer",
         "",
         {"BIG", "CODE", "DATA", "ID", "MEMO", "NAME", "PRICE"}},
        {"columns by prefix", "CUSTOMER", "n", {"NAME"}},
        {"columns of a view", "CHEAP", "", {"ID", "NAME"}},
        {"quoted relation keeps its case",
         "\"lower_case\"",
         "",
         {"\"Mixed\"", "\"with \"\"quote\"", "PLAIN"}},
        {"quoted relation in another case is another", "\"LOWER_CASE\"", "", {}},
        {"unknown relation", "NOPE", "", {}},
        {"system relations only when asked for", "", "RDB", {}},
        {"system relations with a $",
         "",
         "rdb$relation_",
         {"RDB$RELATION_CONSTRAINTS", "RDB$RELATION_FIELDS"}},
        {"columns of a system relation", "RDB$DATABASE", "RDB$D", {"RDB$DESCRIPTION"}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(names.Complete(c.Qualifier, c.Prefix), c.Expected) << c.Name;
}

TEST_F(CatalogueNames, OffersTheWordsOfTheCommandTable) {
    const Names words = Complete("", "des");
    EXPECT_EQ(words, (Names{"DESCRIBE"}));
    const Names set = Complete("", "AUTOD");
    EXPECT_EQ(set, (Names{"AUTODDL"})) << "the second word of SET AUTODDL";
}

TEST_F(CatalogueNames, LeavesTheUsersTransactionAndResultAlone) {
    engine->StartTransactionModel = TStartTransactionModel::Explicit;
    Run("COMMIT");
    engine->ExecuteStatement("SELECT ID FROM COUNTRY");
    const std::string message = engine->LastMessage;
    const bool inTransaction = engine->InTransaction();
    ASSERT_TRUE(names.Refresh(*engine)) << names.Error();
    EXPECT_EQ(engine->InTransaction(), inTransaction);
    EXPECT_EQ(engine->LastMessage, message);
    EXPECT_EQ(engine->CurrentStatement, "SELECT ID FROM COUNTRY");
    EXPECT_EQ(engine->OutputSQLDA->Descriptor()->sqld, 1) << "the statement's result stays";
}

TEST_F(CatalogueNames, IsReadOncePerConnection) {
    EXPECT_EQ(Complete("", "NEW"), Names{});
    // Another attachment's DDL changes nothing this connection knows of:
    // the names read before stand.
    {
        TcDBScripter_IB other;
        other.ExecuteScript("CONNECT '" + DatabasePath() +
                            "' USER 'SYSDBA' PASSWORD 'masterkey'; CREATE TABLE NEW_ONE (A "
                            "INTEGER); COMMIT;");
        other.Close();
    }
    EXPECT_EQ(Complete("", "NEW"), Names{});
    Run("DISCONNECT; CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'masterkey'");
    EXPECT_EQ(Complete("", "NEW"), Names{"NEW_ONE"}) << "a new connection reads again";
    Run("DISCONNECT");
    EXPECT_EQ(Complete("", "NEW"), Names{}) << "no connection, no names";
    EXPECT_FALSE(Complete("", "CONN").empty()) << "the command words stay";
}

TEST_F(CatalogueNames, DDLAndTheEndOfItsTransactionMakeItStale) {
    EXPECT_EQ(Complete("", "FRESH"), Names{});
    Run("CREATE TABLE FRESH (A INTEGER)");
    EXPECT_EQ(Complete("", "FRESH"), Names{"FRESH"}) << "AUTODDL commits at once";
    EXPECT_EQ(Complete("FRESH", ""), Names{"A"});
    Run("ALTER TABLE FRESH ADD B INTEGER");
    EXPECT_EQ(Complete("FRESH", ""), (Names{"A", "B"}));

    // Without AUTODDL the new name is the user's transaction's alone until
    // it ends; the end reads it again.
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    Run("SET AUTODDL OFF; CREATE TABLE LATER (A INTEGER)");
    ASSERT_TRUE(engine->InTransaction());
    EXPECT_EQ(Complete("", "LATER"), Names{});
    Run("COMMIT");
    EXPECT_EQ(Complete("", "LATER"), Names{"LATER"});
    Run("DROP TABLE LATER");
    Run("ROLLBACK");
    EXPECT_EQ(Complete("", "LATER"), Names{"LATER"}) << "rolled back: still there";
    Run("DROP TABLE LATER; commit work");
    EXPECT_EQ(Complete("", "LATER"), Names{}) << "the server's COMMIT statement ends it too";
}

TEST(CompletionWord, IsTheIdentifierBeforeTheCursorAndItsQualifier) {
    struct TCase {
        const char* Text;
        const char* Qualifier;
        const char* Prefix;
    };
    const TCase cases[] = {
        {"", "", ""},
        {"select * from cus", "", "cus"},
        {"select c.", "c", ""},
        {"select customer.na", "customer", "na"},
        {"select \"lower_case\".\"Mi", "\"lower_case\"", "\"Mi"},
        {"select rdb$relation_", "", "rdb$relation_"},
        {"select (a+b", "", "b"},
        {"x . y", "", "y"},
        {"select .na", "", "na"},
    };
    for (const TCase& c : cases) {
        const TCompletionWord word = CompletionWordAt(c.Text);
        EXPECT_EQ(word.Qualifier, c.Qualifier) << c.Text;
        EXPECT_EQ(word.Prefix, c.Prefix) << c.Text;
    }
}

}  // namespace
