// TMDOXSQLDA on its own: an area that only grows, names normalised and
// looked up, names from aliases with their numbers and the 31-character
// cut, the single relation name and unknown type codes; and the dialect-1
// conversions against an embedded dialect-1 database.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mdo/mdo_errors.h"
#include "mdo/mdo_xsqlda.h"
#include "mdo/value_format.h"
#include "sql_fixture.h"
#include "support/expect_error.h"

namespace {

// Describes variable `index` as the server would.
void Describe(TMDOXSQLDA& area, int index, short type, const char* alias, const char* relation = "",
              short length = 4) {
    XSQLVAR& var = area.AsXSQLDA()->sqlvar[index];
    var.sqltype = type;
    var.sqllen = length;
    var.aliasname_length = static_cast<short>(std::strlen(alias));
    std::memcpy(var.aliasname, alias, std::strlen(alias));
    var.relname_length = static_cast<short>(std::strlen(relation));
    std::memcpy(var.relname, relation, std::strlen(relation));
}

TEST(XSQLDA, GrowsButNeverShrinks) {
    TMDOXSQLDA area;
    EXPECT_EQ(area.AsXSQLDA(), nullptr);
    area.SetCount(3);
    XSQLDA* raw = area.AsXSQLDA();
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw->version, SQLDA_VERSION1);
    EXPECT_EQ(raw->sqln, 3);
    EXPECT_EQ(raw->sqld, 3);
    TMDOXSQLVAR* second = &area[1];
    area.SetCount(1);
    EXPECT_EQ(area.Allocated(), 3);
    EXPECT_EQ(raw->sqln, 1);
    EXPECT_RAISES(EMDOClientError, area[1], "XSQLDA index out of range");
    EXPECT_RAISES(EMDOClientError, area[-1], "XSQLDA index out of range");
    area.SetCount(2);
    EXPECT_EQ(&area[1], second) << "variables are kept";
    area.SetCount(5);
    EXPECT_EQ(&area[1], second);
    EXPECT_EQ(&area[1].Data(), &area.AsXSQLDA()->sqlvar[1]) << "pointed at the grown area";
}

TEST(XSQLDA, NamesAreNormalisedForLookUp) {
    TMDOXSQLDA area;
    area.SetCount(3);
    area.SetVarName(" rel ", 0);
    area.SetVarName("\"Mixed\"", 1);
    area.SetVarName("x y", 2);
    EXPECT_EQ(area[0].Name(), "REL");
    EXPECT_EQ(area[1].Name(), "Mixed") << "a quoted name keeps its case in dialect 3";
    EXPECT_EQ(area.FindVar("Rel"), &area[0]);
    EXPECT_EQ(area.FindVar("mixed"), nullptr);
    EXPECT_EQ(area.FindVar("\"Mixed\""), &area[1]);
    EXPECT_EQ(area.FindVar("X Y"), &area[2]);
    EXPECT_RAISES(EMDOClientError, area.VarNamed("none"), "Field \"none\" not found");
    area.SetCount(3);
    EXPECT_EQ(area.FindVar("REL"), nullptr) << "a new count forgets the names";
}

TEST(XSQLDA, NamesFromAliases) {
    TMDOXSQLDA area;
    area.SetCount(6);
    const std::string longAlias(31, 'A');
    Describe(area, 0, SQL_LONG, "");
    Describe(area, 1, SQL_LONG, "");
    Describe(area, 2, SQL_LONG, "X");
    Describe(area, 3, SQL_LONG, "X");
    Describe(area, 4, SQL_LONG, longAlias.c_str());
    Describe(area, 5, SQL_LONG, longAlias.c_str());
    area.InitializeVars();
    EXPECT_EQ(area[0].Name(), "F_1");
    EXPECT_EQ(area[1].Name(), "F_2");
    EXPECT_EQ(area[2].Name(), "X");
    EXPECT_EQ(area[3].Name(), "X1");
    EXPECT_EQ(area[4].Name(), longAlias);
    EXPECT_EQ(area[5].Name(), std::string(30, 'A') + "1");
    EXPECT_EQ(area.FindVar("f_2"), &area[1]);
}

TEST(XSQLDA, SingleRelationName) {
    TMDOXSQLDA area;
    area.SetCount(3);
    Describe(area, 0, SQL_LONG, "A", "");
    Describe(area, 1, SQL_LONG, "B", "T");
    Describe(area, 2, SQL_LONG, "C", "T");
    area.InitializeVars();
    EXPECT_EQ(area.SingleRelationName(), "T") << "columns without a relation do not matter";
    area.SetCount(3);
    Describe(area, 2, SQL_LONG, "C", "U");
    area.InitializeVars();
    EXPECT_EQ(area.SingleRelationName(), "");
    area.SetCount(0);
    EXPECT_EQ(area.SingleRelationName(), "");
}

TEST(XSQLDA, BuffersForTheDescribedTypes) {
    TMDOXSQLDA area;
    area.SetCount(2);
    Describe(area, 0, SQL_VARYING + 1, "V", "", 10);
    Describe(area, 1, SQL_LONG, "I", "", 4);
    area.InitializeVars();
    EXPECT_NE(area[0].Data().sqldata, nullptr);
    EXPECT_NE(area[0].Data().sqlind, nullptr) << "nullable";
    EXPECT_EQ(area[1].Data().sqlind, nullptr) << "not nullable";
    *area[0].Data().sqlind = -1;
    EXPECT_TRUE(area[0].IsNull());
    EXPECT_EQ(area[0].AsString(), "");
}

TEST(XSQLDA, UnknownTypeCode) {
    TMDOXSQLDA area;
    area.SetCount(1);
    Describe(area, 0, 999, "X");
    EXPECT_RAISES(EMDOClientError, area.InitializeVars(), "Unknown SQL Data type (998)");
}

TEST(XSQLDA, ParameterUsedTwiceIsSetTogether) {
    TMDOXSQLDA area;
    area.SetCount(3);
    area.SetVarName("A", 0);
    area.SetVarName("B", 1);
    area.SetVarName("A", 2);
    for (int i = 0; i < 3; ++i) Describe(area, i, SQL_LONG + 1, "");
    area.InitializeVars();
    area.VarNamed("a").SetAsString("12");
    EXPECT_EQ(area[2].AsString(), "12");
    EXPECT_TRUE(area[2].Modified);
    EXPECT_FALSE(area[1].Modified);
    EXPECT_EQ(area[1].SQLType(), SQL_LONG);
    area[2].SetIsNull(true);
    EXPECT_TRUE(area[0].IsNull());
    area[0].SetAsInt64(-5);
    EXPECT_EQ(area[2].AsInt64(), -5);
    EXPECT_FALSE(area[2].IsNull());
}

TMDOVariant Tagged(TMDOVariantKind kind, int64_t integer = 0, double real = 0, int64_t currency = 0,
                   std::string text = {}) {
    return TMDOVariant{kind, integer, real, currency, std::move(text)};
}

TEST(XSQLDA, TaggedValues) {
    TMDOXSQLDA area;
    area.SetCount(1);
    Describe(area, 0, SQL_VARYING + 1, "P", "", 10);
    area.InitializeVars();
    TMDOXSQLVAR& p = area[0];
    using K = TMDOVariantKind;
    p.SetAsVariant(Tagged(K::Boolean, 7));
    EXPECT_EQ(p.SQLType(), SQL_LONG);
    EXPECT_EQ(p.AsInteger(), 1);
    p.SetAsVariant(Tagged(K::Double, 0, 2.5));
    EXPECT_EQ(p.SQLType(), SQL_DOUBLE);
    p.SetAsVariant(Tagged(K::Currency, 0, 0, 125000));
    EXPECT_EQ(p.AsString(), "12.5");
    p.SetAsVariant(Tagged(K::String, 0, 0, 0, "text"));
    EXPECT_EQ(p.AsString(), "text");
    p.SetAsVariant(Tagged(K::Other));
    EXPECT_EQ(p.AsString(), "text") << "unchanged";
    p.SetAsVariant(Tagged(K::Null));
    EXPECT_TRUE(p.IsNull());
    EXPECT_RAISES(EMDOClientError, p.SetAsVariant(Tagged(K::Dispatch)), "Not permitted");
    EXPECT_RAISES(EMDOClientError, p.SetAsVariant(Tagged(K::Array)), "Unsupported feature");
}

// ---- Dialect 1 -----------------------------------------------------------

class DialectOne : public SqlComponent {
  protected:
    DialectOne() : SqlComponent(1) {}
    TMDOXSQLVAR& Value(const std::string& expression) {
        Run("select " + expression + " from rdb$database");
        return sql.Fields(0);
    }
};

TEST_F(DialectOne, DatesAreTimestampsAndCurrencyIsRounded) {
    ASSERT_EQ(database.SQLDialect(), 1);
    TMDOXSQLVAR& date = Value("cast('2024-02-29' as date)");
    EXPECT_EQ(date.SQLType(), SQL_TIMESTAMP);
    EXPECT_EQ(date.AsString(), "29-02-2024");
    EXPECT_EQ(Value("cast(1.23456 as double precision)").AsCurrency(), 12346);

    sql.Close();
    sql.SetSQLText("select cast(:d as date), cast(:m as double precision) from rdb$database");
    sql.Params().VarNamed("d").SetAsDate(1.0);
    EXPECT_EQ(sql.Params().VarNamed("d").SQLType(), SQL_TIMESTAMP);
    sql.Params().VarNamed("m").SetAsCurrency(125000);
    EXPECT_EQ(sql.Params().VarNamed("m").SQLType(), SQL_DOUBLE);
    sql.ExecQuery();
    EXPECT_EQ(sql.Fields(0).AsString(), "31-12-1899");
    EXPECT_DOUBLE_EQ(sql.Fields(1).AsDouble(), 12.5);
}

}  // namespace
