// The extractor's pure text rules: type names by precision and by scale,
// blob sub-types, trigger types, privilege names and grantees, quoting and
// the re-split rule that turns source texts into items.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "mdo/extract/extract_text.h"

namespace {

struct TypeCase {
    const char* name;
    TcTypeFacts facts;
    bool precisionRule;
    const char* expected;
};

class TypeNames : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeNames, FollowTheDataTypeRules) {
    EXPECT_EQ(TypeNameText(GetParam().facts, GetParam().precisionRule), GetParam().expected);
}

// Facts: type, scale, sub-type, has precision, precision.
INSTANTIATE_TEST_SUITE_P(
    Cases, TypeNames,
    ::testing::Values(
        TypeCase{"numeric_by_precision", {8, -2, 1, true, 9}, true, "NUMERIC(9, 2)"},
        TypeCase{"decimal_by_precision", {16, -4, 2, true, 18}, true, "DECIMAL(18, 4)"},
        TypeCase{"smallint_decimal", {7, -1, 2, true, 3}, true, "DECIMAL(3, 1)"},
        TypeCase{"precision_rule_off_uses_scale", {8, -2, 1, true, 9}, false, "NUMERIC(9, 2)"},
        TypeCase{"old_ods_smallint_scale", {7, -2, 0, false, 0}, false, "NUMERIC(4, 2)"},
        TypeCase{"double_with_scale_dialect_1", {27, -2, 0, false, 0}, true, "NUMERIC(15, 2)"},
        TypeCase{"int64_scale_without_precision", {16, -3, 0, false, 0}, true, "BIGINT"},
        TypeCase{"int64_sub_type_0_with_precision", {16, -3, 0, true, 18}, true, "BIGINT"},
        TypeCase{"integer_precision_sub_type_0", {8, 0, 0, true, 9}, true, "INTEGER"},
        TypeCase{"integer_zero_scale_numeric", {8, 0, 1, true, 5}, true, "NUMERIC(5, 0)"},
        TypeCase{"varchar", {37, 0, 0, false, 0}, true, "VARCHAR"},
        TypeCase{"timestamp", {35, 0, 0, false, 0}, true, "TIMESTAMP"},
        TypeCase{"date", {12, 0, 0, false, 0}, true, "DATE"},
        TypeCase{"time", {13, 0, 0, false, 0}, true, "TIME"},
        TypeCase{"blob", {261, 0, 1, false, 0}, true, "BLOB"},
        TypeCase{"cstring", {40, 0, 0, false, 0}, true, "CSTRING"},
        TypeCase{"float_positive_scale_ignored", {10, 2, 0, false, 0}, true, "FLOAT"},
        TypeCase{"boolean", {23, 0, 0, false, 0}, true, "BOOLEAN"},
        TypeCase{"unknown_code_no_name", {24, 0, 0, false, 0}, true, ""},
        TypeCase{"unknown_code_negative_scale", {24, -2, 0, false, 0}, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SQLTypeNames, EveryCodeOfTheTableAndNoOther) {
    const std::pair<int, const char*> table[] = {
        {7, "SMALLINT"},   {8, "INTEGER"},  {9, "QUAD"},
        {10, "FLOAT"},     {14, "CHAR"},    {27, "DOUBLE PRECISION"},
        {37, "VARCHAR"},   {40, "CSTRING"}, {45, "BLOB_ID"},
        {261, "BLOB"},     {13, "TIME"},    {12, "DATE"},
        {35, "TIMESTAMP"}, {16, "BIGINT"},  {23, "BOOLEAN"}};
    for (const auto& [code, name] : table) EXPECT_STREQ(SQLTypeName(code), name) << code;
    for (int code : {0, 1, 11, 17, 24, 262}) EXPECT_EQ(SQLTypeName(code), nullptr) << code;
}

TEST(BlobSubTypes, NamedFromOneToEightElseNumbered) {
    EXPECT_EQ(BlobSubTypeText(1), " SUB_TYPE TEXT");
    EXPECT_EQ(BlobSubTypeText(2), " SUB_TYPE BLR");
    EXPECT_EQ(BlobSubTypeText(8), " SUB_TYPE EXTERNAL_FILE_DESCRIPTION");
    EXPECT_EQ(BlobSubTypeText(0), " SUB_TYPE 0");
    EXPECT_EQ(BlobSubTypeText(9), " SUB_TYPE 9");
    EXPECT_EQ(BlobSubTypeText(-3), " SUB_TYPE -3");
}

struct TriggerCase {
    const char* name;
    int64_t type;
    const char* expected;
    bool onTable;
};

class TriggerTypes : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(TriggerTypes, WrittenByTheirEvents) {
    EXPECT_EQ(TriggerTypeText(GetParam().type), GetParam().expected);
    EXPECT_EQ(IsTableTriggerType(GetParam().type), GetParam().onTable);
}

// The types as Firebird 3 stores them for the statements in the names.
INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerTypes,
    ::testing::Values(
        TriggerCase{"none", 0, "", true}, TriggerCase{"before_insert", 1, "BEFORE INSERT", true},
        TriggerCase{"after_update", 4, "AFTER UPDATE", true},
        TriggerCase{"after_delete", 6, "AFTER DELETE", true},
        TriggerCase{"before_insert_or_update", 17, "BEFORE INSERT OR UPDATE", true},
        TriggerCase{"before_update_or_delete", 27, "BEFORE UPDATE OR DELETE", true},
        TriggerCase{"after_all_three", 114, "AFTER INSERT OR UPDATE OR DELETE", true},
        TriggerCase{"on_connect", 8192, "ON CONNECT", false},
        TriggerCase{"on_disconnect", 8193, "ON DISCONNECT", false},
        TriggerCase{"on_transaction_start", 8194, "ON TRANSACTION START", false},
        TriggerCase{"on_transaction_commit", 8195, "ON TRANSACTION COMMIT", false},
        TriggerCase{"on_transaction_rollback", 8196, "ON TRANSACTION ROLLBACK", false},
        TriggerCase{"database_unknown_event", 8200, "8200", false},
        TriggerCase{"before_create_table", 16386, "BEFORE CREATE TABLE", false},
        TriggerCase{"before_create_table_or_drop_view", 16386 | (int64_t{1} << 21),
                    "BEFORE CREATE TABLE OR DROP VIEW", false},
        TriggerCase{"after_create_package_body", 16385 | (int64_t{1} << 43),
                    "AFTER CREATE PACKAGE BODY", false},
        TriggerCase{"after_any_ddl", 0x7FFFFFFFFFFFDFFF, "AFTER ANY DDL STATEMENT", false},
        TriggerCase{"before_any_ddl", 0x7FFFFFFFFFFFDFFE, "BEFORE ANY DDL STATEMENT", false},
        TriggerCase{"negative", -1, "-1", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Privileges, LettersMapToBitsAndNamesComeInTableOrder) {
    int bits = 0;
    for (const char* letter : {"S", "I", "U", "D", "R"}) bits |= PrivilegeBit(letter);
    EXPECT_EQ(PrivilegeNamesText(bits), "DELETE, INSERT, SELECT, UPDATE, REFERENCES");
    EXPECT_EQ(PrivilegeBit("X"), 0);
    EXPECT_EQ(PrivilegeBit("M"), 1);
    // Bit 1 has no name, and EXECUTE comes second when set.
    EXPECT_EQ(PrivilegeNamesText(1 | 2), "SELECT");
    EXPECT_EQ(PrivilegeNamesText(32 | 16), "DELETE, EXECUTE");
    EXPECT_EQ(PrivilegeNamesText(0), "");
}

TEST(Grantees, QuotedByTypeAndPrefixed) {
    EXPECT_EQ(GranteeText(3, "ALICE", 8), "ALICE");
    EXPECT_EQ(GranteeText(3, "PUBLIC", 8), "PUBLIC");
    EXPECT_EQ(GranteeText(3, "V1", 1), "VIEW \"V1\"");
    EXPECT_EQ(GranteeText(3, "T1", 2), "TRIGGER \"T1\"");
    EXPECT_EQ(GranteeText(3, "P1", 5), "PROCEDURE \"P1\"");
    EXPECT_EQ(GranteeText(3, "R1", 13), "\"R1\"");
    EXPECT_EQ(GranteeText(3, "T", 0), "\"T\"");
    EXPECT_EQ(GranteeText(1, "p1 ", 5), "PROCEDURE P1");
    // A user name the parser would change keeps its spelling in quotes.
    EXPECT_EQ(GranteeText(3, "user x", 8), "\"user x\"");
    EXPECT_EQ(GranteeText(3, "Bob", 8), "\"Bob\"");
    EXPECT_EQ(GranteeText(3, "role \"r\"", 13), "\"role \"\"r\"\"\"");
    EXPECT_EQ(GranteeText(3, "f one", 15), "FUNCTION \"f one\"");
    EXPECT_EQ(GranteeText(3, "PK", 18), "PACKAGE \"PK\"");
}

TEST(ObjectPrivileges, ExecuteOnRoutinesUsageOnSequencesAndExceptions) {
    EXPECT_EQ(ObjectPrivilegeText(15), "EXECUTE ON FUNCTION ");
    EXPECT_EQ(ObjectPrivilegeText(18), "EXECUTE ON PACKAGE ");
    EXPECT_EQ(ObjectPrivilegeText(14), "USAGE ON SEQUENCE ");
    EXPECT_EQ(ObjectPrivilegeText(7), "USAGE ON EXCEPTION ");
    for (int other : {0, 5, 13, 20}) EXPECT_EQ(ObjectPrivilegeText(other), "") << other;
}

struct UsingIndexCase {
    const char* name;
    const char* constraint;
    const char* index;
    bool descending;
    const char* expected;
};

class UsingIndexes : public ::testing::TestWithParam<UsingIndexCase> {};

TEST_P(UsingIndexes, OnlyWhereTheServerWouldNameItOtherwise) {
    const UsingIndexCase& c = GetParam();
    EXPECT_EQ(UsingIndexClause(3, c.constraint, c.index, c.descending), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsingIndexes,
    ::testing::Values(UsingIndexCase{"named_constraint_own_name", "PK_T", "PK_T", false, ""},
                      UsingIndexCase{"generated_constraint_generated_index", "INTEG_4",
                                     "RDB$PRIMARY3", false, ""},
                      UsingIndexCase{"named_constraint_other_index", "pk desc", "ix uq", false,
                                     " USING INDEX \"ix uq\""},
                      UsingIndexCase{"generated_constraint_named_index", "INTEG_9", "IX_OWN", false,
                                     " USING INDEX \"IX_OWN\""},
                      UsingIndexCase{"descending_always_written", "PK_T", "PK_T", true,
                                     " USING DESC INDEX \"PK_T\""},
                      UsingIndexCase{"quotes_doubled", "C", "i \"x\"", true,
                                     " USING DESC INDEX \"i \"\"x\"\"\""}),
    [](const auto& info) { return std::string(info.param.name); });

struct OrderCase {
    const char* name;
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> reads;
    std::vector<std::string> expected;
};

class DependencyOrders : public ::testing::TestWithParam<OrderCase> {};

TEST_P(DependencyOrders, ReadNamesFirstOtherwiseAsGiven) {
    EXPECT_EQ(DependencyOrder(GetParam().names, GetParam().reads), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DependencyOrders,
    ::testing::Values(
        OrderCase{"no_reads_keep_order", {"A", "B", "C"}, {}, {"A", "B", "C"}},
        OrderCase{"reader_after_later_name", {"A", "B", "Z"}, {{"A", "Z"}}, {"Z", "A", "B"}},
        OrderCase{"chain", {"A", "B", "C"}, {{"A", "B"}, {"B", "C"}}, {"C", "B", "A"}},
        OrderCase{"unknown_read_ignored", {"A", "B"}, {{"A", "VIEW_X"}}, {"A", "B"}},
        OrderCase{"cycle_first_met_first", {"A", "B"}, {{"A", "B"}, {"B", "A"}}, {"B", "A"}},
        OrderCase{"already_in_order", {"A", "B"}, {{"B", "A"}}, {"A", "B"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Collations, UserCollationsWrittenWithTheirAttributesAndQuotedWhereNeeded) {
    EXPECT_EQ(CollationDefinitionText(3, "win ci", "WIN1252", "PXW_INTL", 7, ""),
              "CREATE COLLATION \"win ci\" FOR WIN1252 FROM EXTERNAL ('PXW_INTL') PAD SPACE CASE "
              "INSENSITIVE ACCENT INSENSITIVE;");
    EXPECT_EQ(CollationDefinitionText(3, "UNI_NUM", "UTF8", "UNICODE", 2, "NUMERIC-SORT=1"),
              "CREATE COLLATION \"UNI_NUM\" FOR UTF8 FROM EXTERNAL ('UNICODE') CASE INSENSITIVE "
              "'NUMERIC-SORT=1';");
    EXPECT_EQ(CollationDefinitionText(1, "iso_nopad", "ISO8859_1", "ISO8859_1", 0, ""),
              "CREATE COLLATION ISO_NOPAD FOR ISO8859_1 FROM EXTERNAL ('ISO8859_1');");
    EXPECT_EQ(CollationName("UNICODE_CI"), "UNICODE_CI");
    EXPECT_EQ(CollationName("win ci"), "\"win ci\"");
    EXPECT_EQ(CharsetClause("WIN1252", "win ci", "WIN1252", true), " COLLATE \"win ci\"");
}

TEST(Comments, OneStatementPerKindWithItsNameAndLiteral) {
    EXPECT_EQ(CommentText(3, "DATABASE", "", "", "db 'c'"), "COMMENT ON DATABASE IS 'db ''c''';");
    EXPECT_EQ(CommentText(3, "TABLE", "coll tab", "", "t"),
              "COMMENT ON TABLE \"coll tab\" IS 't';");
    EXPECT_EQ(CommentText(3, "COLUMN", "T", "c\"1", "x"),
              "COMMENT ON COLUMN \"T\".\"c\"\"1\" IS 'x';");
    EXPECT_EQ(CommentText(3, "PROCEDURE PARAMETER", "P", "A", "line 1\nline 2"),
              "COMMENT ON PROCEDURE PARAMETER \"P\".\"A\" IS 'line 1\nline 2';");
    EXPECT_EQ(CommentText(1, "SEQUENCE", "g1", "", ""), "COMMENT ON SEQUENCE G1 IS '';");
}

struct IdentifierCase {
    const char* name;
    int dialect;
    const char* stored;
    const char* expected;
    bool plain;
};

class Identifiers : public ::testing::TestWithParam<IdentifierCase> {};

TEST_P(Identifiers, QuotedSoThatTheStatementRuns) {
    EXPECT_EQ(QuoteIdentifier(GetParam().dialect, GetParam().stored), GetParam().expected);
    EXPECT_EQ(IsPlainIdentifier(GetParam().stored), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Identifiers,
    ::testing::Values(IdentifierCase{"upper", 3, "EMPLOYEE", "\"EMPLOYEE\"", true},
                      IdentifierCase{"lower", 3, "lower_tab", "\"lower_tab\"", false},
                      IdentifierCase{"mixed", 3, "mixedCase", "\"mixedCase\"", false},
                      IdentifierCase{"space", 3, "Name Space", "\"Name Space\"", false},
                      IdentifierCase{"embedded_quotes_doubled", 3, "Weird \"Table\"",
                                     "\"Weird \"\"Table\"\"\"", false},
                      IdentifierCase{"only_a_quote", 3, "\"", "\"\"\"\"", false},
                      IdentifierCase{"dollar_and_digits", 3, "RDB$1", "\"RDB$1\"", true},
                      IdentifierCase{"leading_digit", 3, "1A", "\"1A\"", false},
                      IdentifierCase{"dialect_1_upper_cased", 1, "lower_t ", "LOWER_T", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct LengthCase {
    const char* name;
    bool hasCharacterLength;
    int characterLength, byteLength, bytesPerCharacter;
    int expected;
};

class CharacterLengths : public ::testing::TestWithParam<LengthCase> {};

TEST_P(CharacterLengths, CharactersNotBytes) {
    const LengthCase& c = GetParam();
    EXPECT_EQ(
        CharacterLength(c.hasCharacterLength, c.characterLength, c.byteLength, c.bytesPerCharacter),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CharacterLengths,
                         ::testing::Values(LengthCase{"utf8_catalogue_length", true, 10, 40, 4, 10},
                                           LengthCase{"utf8_from_bytes", false, 0, 40, 4, 10},
                                           LengthCase{"single_byte", false, 0, 15, 1, 15},
                                           LengthCase{"unknown_width_is_one", false, 0, 7, 0, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Quoting, LiteralsDoubleQuotesAndComputedSourcesKeepParentheses) {
    EXPECT_EQ(QuotedLiteral("it's"), "'it''s'");
    EXPECT_EQ(QuotedLiteral(""), "''");
    EXPECT_EQ(ComputedByText("  (a + b) "), "(a + b)");
    EXPECT_EQ(ComputedByText("a + b"), "/* a + b */");
    EXPECT_EQ(ParenthesizedText(" (UPPER(x)) "), "(UPPER(x))");
    EXPECT_EQ(ParenthesizedText("a || b"), "(a || b)");
    EXPECT_TRUE(IsGeneratedName("RDB$12"));
    EXPECT_FALSE(IsGeneratedName("RDB$X1"));
    EXPECT_FALSE(IsGeneratedName("RDB$"));
    EXPECT_FALSE(IsGeneratedName("XRDB$1"));
}

TEST(ArrayBounds, DimensionsJoinedWithATrailingBlank) {
    EXPECT_EQ(ArrayBoundsFromPairs({{1, 10}, {0, 4}}), "[1:10, 0:4] ");
    EXPECT_EQ(ArrayBoundsFromPairs({{-2, 5}}), "[-2:5] ");
}

TEST(CharsetClauses, DefaultCollationsAreNotWritten) {
    EXPECT_EQ(CharsetClause("WIN1252", "PXW_INTL", "WIN1252", false),
              " CHARACTER SET WIN1252 COLLATE PXW_INTL");
    EXPECT_EQ(CharsetClause("WIN1252", "PXW_INTL", "WIN1252", true), " COLLATE PXW_INTL");
    EXPECT_EQ(CharsetClause("WIN1252", "WIN1252", "WIN1252", false), " CHARACTER SET WIN1252");
    EXPECT_EQ(CharsetClause("WIN1252", "WIN1252", "WIN1252", true), "");
}

struct ResplitCase {
    const char* name;
    TStringList before;
    std::string text;
    TStringList after;
};

class Resplit : public ::testing::TestWithParam<ResplitCase> {};

TEST_P(Resplit, JoinsAppendsAndSplitsAgain) {
    TStringList items = GetParam().before;
    AppendResplit(items, GetParam().text);
    EXPECT_EQ(items, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Resplit,
    ::testing::Values(ResplitCase{"source_lines_become_items", {"A"}, "b\r\nc", {"A", "b", "c"}},
                      ResplitCase{"lf_only_lines", {"A"}, "b\nc\n", {"A", "b", "c"}},
                      ResplitCase{"lone_cr", {}, "b\rc", {"b", "c"}},
                      ResplitCase{"final_break_no_empty_item", {"A"}, "b\r\n", {"A", "b"}},
                      ResplitCase{
                          "blank_lines_kept", {"A"}, "\r\nb\r\n\r\nc", {"A", "", "b", "", "c"}},
                      ResplitCase{"items_with_breaks_split", {"x\r\ny"}, "", {"x", "y"}},
                      ResplitCase{"empty_item_kept", {"", "A"}, "z", {"", "A", "z"}},
                      ResplitCase{"semicolon_line", {"src"}, ";\r\n", {"src", ";"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConstraintNames, GeneratedNumbersByValueOthersAsText) {
    EXPECT_TRUE(ConstraintNameLess("INTEG_9", "INTEG_10"));
    EXPECT_FALSE(ConstraintNameLess("INTEG_10", "INTEG_9"));
    EXPECT_TRUE(ConstraintNameLess("INTEG_09", "INTEG_10"));
    EXPECT_TRUE(ConstraintNameLess("FK_A", "FK_B"));
    EXPECT_TRUE(ConstraintNameLess("INTEG_99", "PK_X"));
    EXPECT_FALSE(ConstraintNameLess("PK_X", "PK_X"));
    // A strict weak order even where stems and numbers mix.
    EXPECT_TRUE(ConstraintNameLess("A2", "A10"));
    EXPECT_TRUE(ConstraintNameLess("A10", "A1Z"));
    EXPECT_TRUE(ConstraintNameLess("A2", "A1Z"));
}

TEST(Sequences, StartAndIncrementOnlyWhereNotTheDefault) {
    EXPECT_EQ(SequenceClauses(0, 1), "");
    EXPECT_EQ(SequenceClauses(5, 3), " START WITH 5 INCREMENT BY 3");
    EXPECT_EQ(SequenceClauses(-9223372036854775807 - 1, 1), " START WITH -9223372036854775808");
    EXPECT_EQ(SequenceClauses(0, -2), " INCREMENT BY -2");
}

TEST(Unwritten, NamedInACommentThatStaysOne) {
    EXPECT_EQ(UnwrittenComment("package \"PK\""), "/* Not extracted: package \"PK\" */");
    EXPECT_EQ(UnwrittenComment("PSQL function \"a*/b\""),
              "/* Not extracted: PSQL function \"a* /b\" */");
}

TEST(LinesText, EveryItemEndsInCrLf) {
    EXPECT_EQ(LinesText({"a", "", "b\r\nc"}), "a\r\n\r\nb\r\nc\r\n");
    EXPECT_EQ(LinesText({}), "");
}

}  // namespace
