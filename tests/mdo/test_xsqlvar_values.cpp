// The descriptor variables' conversions against the embedded engine: every
// SQL type read through the getters, written through the setters and
// checked by the server, as tables of cases; NULLs; the conversion errors.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include "mdo/mdo_errors.h"
#include "mdo/value_format.h"
#include "sql_fixture.h"
#include "support/expect_error.h"

namespace {

double Serial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    TDateTimeFields fields;
    fields.Year = year;
    fields.Month = month;
    fields.Day = day;
    fields.Hour = hour;
    fields.Minute = minute;
    fields.Second = second;
    return DateTimeToSerial(fields);
}

class Values : public SqlComponent {
  protected:
    // The single value of `expression`, read from the current row.
    TMDOXSQLVAR& Value(const std::string& expression) {
        Run("select " + expression + " from rdb$database");
        return sql.Fields(0);
    }
};

// ---- Getters ----------------------------------------------------------------

struct ReadCase {
    const char* Name;
    const char* Expression;
    int Type;
    const char* Text;
    std::optional<int64_t> Int64;
    std::optional<int32_t> Integer;
    std::optional<double> Double;
    std::optional<double> DateTime;
};

const ReadCase kReads[] = {
    {"Numeric9_2", "cast(12.50 as numeric(9,2))", SQL_LONG, "12.5", 12, 12, 12.5, {}},
    {"Numeric9_2Negative", "cast(-0.05 as numeric(9,2))", SQL_LONG, "-0.05", 0, 0, -0.05, {}},
    {"Numeric4_1Short",
     "cast(-123.4 as numeric(4,1))",
     SQL_SHORT,
     "-123.4",
     -123,
     -123,
     -123.4,
     {}},
    {"Decimal18_4Exact",
     "cast('12345678901234.5678' as decimal(18,4))",
     SQL_INT64,
     "12345678901234.5678",
     12345678901234,
     {},
     12345678901234.5678,
     {}},
    {"Numeric18_2AllDigits",
     "cast('-9999999999999999.99' as numeric(18,2))",
     SQL_INT64,
     "-9999999999999999.99",
     -9999999999999999,
     {},
     -9999999999999999.99,
     {}},
    {"Numeric18_6IsGeneralFloat",
     "cast('123456789012.123456' as numeric(18,6))",
     SQL_INT64,
     "123456789012.123",
     123456789012,
     {},
     123456789012.123456,
     {}},
    {"Numeric18_6Small", "cast(1.5 as numeric(18,6))", SQL_INT64, "1.5", 1, 1, 1.5, {}},
    {"Numeric18_0",
     "cast(999999999999999999 as numeric(18,0))",
     SQL_INT64,
     "999999999999999999",
     999999999999999999,
     {},
     999999999999999999.0,
     {}},
    {"BigintMinimum",
     "cast(-9223372036854775808 as bigint)",
     SQL_INT64,
     "-9223372036854775808",
     std::numeric_limits<int64_t>::min(),
     {},
     -9223372036854775808.0,
     {}},
    {"Integer",
     "cast(2147483647 as integer)",
     SQL_LONG,
     "2147483647",
     2147483647,
     2147483647,
     2147483647.0,
     {}},
    {"Smallint", "cast(-32768 as smallint)", SQL_SHORT, "-32768", -32768, -32768, -32768.0, {}},
    {"Double",
     "cast(3.14159265358979 as double precision)",
     SQL_DOUBLE,
     "3.14159265358979",
     3,
     3,
     3.14159265358979,
     {}},
    {"DoubleTruncatesTowardZero",
     "cast(-2.75 as double precision)",
     SQL_DOUBLE,
     "-2.75",
     -2,
     -2,
     -2.75,
     {}},
    {"Float", "cast(1.5 as float)", SQL_FLOAT, "1.5", 1, 1, 1.5, {}},
    {"CharWithoutTrailingBlanks", "cast('ab' as char(5))", SQL_TEXT, "ab", {}, {}, {}, {}},
    {"CharAsNumber", "cast('42' as char(5))", SQL_TEXT, "42", 42, 42, 42.0, {}},
    {"CharAsDate",
     "cast('31-12-2006' as char(10))",
     SQL_TEXT,
     "31-12-2006",
     {},
     {},
     {},
     Serial(2006, 12, 31)},
    {"VarcharKeepsTrailingBlanks",
     "cast('ab  ' as varchar(10))",
     SQL_VARYING,
     "ab  ",
     {},
     {},
     {},
     {}},
    {"DateBeforeTheSerialEpoch",
     "date '1899-12-29'",
     SQL_TYPE_DATE,
     "29-12-1899",
     {},
     {},
     {},
     -1.0},
    {"FirstDate", "date '0001-01-01'", SQL_TYPE_DATE, "01-01-0001", {}, {}, {}, Serial(1, 1, 1)},
    {"LastDate",
     "date '9999-12-31'",
     SQL_TYPE_DATE,
     "31-12-9999",
     {},
     {},
     {},
     Serial(9999, 12, 31)},
    {"TimestampInThePast",
     "timestamp '1800-06-15 06:00:00'",
     SQL_TIMESTAMP,
     "15-06-1800 06:00:00",
     {},
     {},
     {},
     Serial(1800, 6, 15, 6)},
    {"TimestampAtMidnightHasNoTime",
     "timestamp '2024-02-29 00:00:00'",
     SQL_TIMESTAMP,
     "29-02-2024",
     {},
     {},
     {},
     Serial(2024, 2, 29)},
    {"TimestampDropsFraction",
     "timestamp '9999-12-31 23:59:59.9999'",
     SQL_TIMESTAMP,
     "31-12-9999 23:59:59",
     {},
     {},
     {},
     Serial(9999, 12, 31, 23, 59, 59)},
    {"TimeWithFraction",
     "time '13:45:10.1234'",
     SQL_TYPE_TIME,
     "13:45:10",
     {},
     {},
     {},
     Serial(1899, 12, 30, 13, 45, 10)},
    {"Boolean", "true", SQL_BOOLEAN, "TRUE", 1, 1, 1.0, {}},
    {"TextBlob", "cast('blob text' as blob sub_type text)", SQL_BLOB, "blob text", {}, {}, {}, {}},
    {"EmptyBlob", "cast('' as blob sub_type text)", SQL_BLOB, "", {}, {}, {}, {}},
    {"NullInteger", "cast(null as integer)", SQL_LONG, "", 0, 0, 0.0, 0.0},
    {"NullVarchar", "cast(null as varchar(5))", SQL_VARYING, "", 0, 0, 0.0, 0.0},
    {"NullTimestamp", "cast(null as timestamp)", SQL_TIMESTAMP, "", 0, 0, 0.0, 0.0},
};

class ReadValues : public Values, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadValues, ThroughTheGetters) {
    const ReadCase& c = GetParam();
    TMDOXSQLVAR& var = Value(c.Expression);
    EXPECT_EQ(var.SQLType(), c.Type);
    EXPECT_EQ(var.AsString(), c.Text);
    if (c.Int64) {
        EXPECT_EQ(var.AsInt64(), *c.Int64);
    }
    if (c.Integer) {
        EXPECT_EQ(var.AsInteger(), *c.Integer);
    }
    if (c.Double) {
        EXPECT_DOUBLE_EQ(var.AsDouble(), *c.Double);
    }
    if (c.DateTime) {
        EXPECT_DOUBLE_EQ(var.AsDateTime(), *c.DateTime);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadValues, ::testing::ValuesIn(kReads),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Values, NullIsNullOnlyWhenIndicated) {
    Run("select cast(null as integer), 1, cast(null as char(3)) from rdb$database");
    EXPECT_TRUE(sql.Fields(0).IsNull());
    EXPECT_FALSE(sql.Fields(1).IsNull());
    EXPECT_TRUE(sql.Fields(2).IsNull());
    EXPECT_EQ(sql.Fields(2).AsPointer(), nullptr);
    EXPECT_NE(sql.Fields(1).AsPointer(), nullptr);
}

TEST_F(Values, VarcharAtItsMaximum) {
    TMDOXSQLVAR& var = Value("cast(rpad('', 32765, 'x') as varchar(32765))");
    EXPECT_EQ(var.Size(), 32765);
    EXPECT_EQ(var.AsString(), std::string(32765, 'x'));
}

TEST_F(Values, CurrencyInTenThousandths) {
    EXPECT_EQ(Value("cast(12.50 as numeric(9,2))").AsCurrency(), 125000);
    EXPECT_EQ(Value("cast(-0.05 as numeric(9,2))").AsCurrency(), -500);
    EXPECT_EQ(Value("cast(1.123456 as numeric(18,6))").AsCurrency(), 11235);
    EXPECT_EQ(Value("cast('7.5' as varchar(5))").AsCurrency(), 75000);
    EXPECT_EQ(Value("cast(-2.75 as double precision)").AsCurrency(), -20000)
        << "floating point truncated to a whole number first";
}

TEST_F(Values, LocaleDecimalSeparatorInTextAndParsing) {
    TcLocaleSettings comma;
    comma.DecimalSeparator = ',';
    TcScopedValue<TcLocaleSettings> scope(TcLocaleSettings::Current(), comma);
    EXPECT_EQ(Value("cast(12.50 as numeric(9,2))").AsString(), "12,5");
    EXPECT_EQ(Value("cast(0.25 as double precision)").AsString(), "0,25");
    EXPECT_DOUBLE_EQ(Value("cast('2,5' as varchar(5))").AsDouble(), 2.5);
}

struct ErrorCase {
    const char* Name;
    const char* Expression;
    std::function<void(const TMDOXSQLVAR&)> Read;
};

const ErrorCase kReadErrors[] = {
    {"IntegerAsDateTime", "1", [](const TMDOXSQLVAR& v) { v.AsDateTime(); }},
    {"TimestampAsInteger", "current_timestamp", [](const TMDOXSQLVAR& v) { v.AsInteger(); }},
    {"DateAsDouble", "current_date", [](const TMDOXSQLVAR& v) { v.AsDouble(); }},
    {"TextNotANumber", "cast('abc' as varchar(5))", [](const TMDOXSQLVAR& v) { v.AsInteger(); }},
    {"TextNotADate", "cast('abc' as varchar(5))", [](const TMDOXSQLVAR& v) { v.AsDateTime(); }},
    {"ShortOutOfRange", "40000", [](const TMDOXSQLVAR& v) { v.AsShort(); }},
    {"IntegerOutOfRange", "cast(3000000000 as bigint)",
     [](const TMDOXSQLVAR& v) { v.AsInteger(); }},
    {"IntegerAsQuad", "1", [](const TMDOXSQLVAR& v) { v.AsQuad(); }},
    {"BlobAsInteger", "cast('1' as blob sub_type text)",
     [](const TMDOXSQLVAR& v) { v.AsInteger(); }},
};

class ReadErrors : public Values, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ReadErrors, InvalidDataConversion) {
    const TMDOXSQLVAR& var = Value(GetParam().Expression);
    EXPECT_RAISES(EMDOClientError, GetParam().Read(var), "Invalid data conversion");
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadErrors, ::testing::ValuesIn(kReadErrors),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Setters ----------------------------------------------------------------

class WriteValues : public Values {
  protected:
    void SetUp() override {
        Values::SetUp();
        Exec(
            "create table v (n92 numeric(9,2), n186 numeric(18,6), d184 decimal(18,4), "
            "i integer, s smallint, b bigint, dbl double precision, c char(5), "
            "vc varchar(10), dt date, tm time, ts timestamp, bl blob sub_type text)");
    }
    // Inserts one row with `column` set through the parameter by `set`.
    void InsertWith(const std::string& column, const std::function<void(TMDOXSQLVAR&)>& set) {
        Exec("delete from v");
        sql.Close();
        sql.SetSQLText("insert into v (" + column + ") values (:value)");
        set(sql.Params().VarNamed("value"));
        sql.ExecQuery();
    }
    // How many rows the server finds with `predicate`.
    int Matching(const std::string& predicate) {
        TMDOSQL count(&database);
        count.SetTransaction(&transaction);
        count.SetSQLText("select count(*) from v where " + predicate);
        count.ExecQuery();
        return count.Fields(0).AsInteger();
    }
};

struct WriteCase {
    const char* Name;
    const char* Column;
    std::function<void(TMDOXSQLVAR&)> Set;
    const char* Predicate;
};

const WriteCase kWrites[] = {
    {"Integer", "i", [](TMDOXSQLVAR& v) { v.SetAsInteger(-7); }, "i = -7"},
    {"Short", "s", [](TMDOXSQLVAR& v) { v.SetAsShort(-32768); }, "s = -32768"},
    {"Int64", "b", [](TMDOXSQLVAR& v) { v.SetAsInt64(9223372036854775807); },
     "b = 9223372036854775807"},
    {"TextToNumeric", "n92", [](TMDOXSQLVAR& v) { v.SetAsString("12.5"); }, "n92 = 12.50"},
    {"DoubleToNumeric", "n92", [](TMDOXSQLVAR& v) { v.SetAsDouble(-12.25); }, "n92 = -12.25"},
    {"CurrencyToNumeric", "n92", [](TMDOXSQLVAR& v) { v.SetAsCurrency(125000); }, "n92 = 12.50"},
    {"TextToDecimal18", "d184", [](TMDOXSQLVAR& v) { v.SetAsString("-12345678901234.5678"); },
     "d184 = -12345678901234.5678"},
    {"Int64ToNumeric18_6", "n186", [](TMDOXSQLVAR& v) { v.SetAsInt64(5); }, "n186 = 5"},
    {"Double", "dbl", [](TMDOXSQLVAR& v) { v.SetAsDouble(0.5); }, "dbl = 0.5"},
    {"CharPadded", "c", [](TMDOXSQLVAR& v) { v.SetAsString("ab"); }, "c = 'ab   '"},
    {"VarcharFull", "vc", [](TMDOXSQLVAR& v) { v.SetAsString("0123456789"); }, "vc = '0123456789'"},
    {"EmptyTextOnText", "vc", [](TMDOXSQLVAR& v) { v.SetAsString(""); }, "vc = ''"},
    {"EmptyTextOnIntegerIsNull", "i", [](TMDOXSQLVAR& v) { v.SetAsString(""); }, "i is null"},
    {"IsNull", "vc", [](TMDOXSQLVAR& v) { v.SetIsNull(true); }, "vc is null"},
    {"DateBeforeEpoch", "dt", [](TMDOXSQLVAR& v) { v.SetAsDate(Serial(1, 1, 1)); },
     "dt = date '0001-01-01'"},
    {"DateFromText", "dt", [](TMDOXSQLVAR& v) { v.SetAsString("31-12-9999"); },
     "dt = date '9999-12-31'"},
    {"TimeDropsMilliseconds", "tm",
     [](TMDOXSQLVAR& v) { v.SetAsTime(Serial(1899, 12, 30, 13, 45, 10) + 0.5 / 86400); },
     "tm = time '13:45:10'"},
    {"TimestampInThePast", "ts", [](TMDOXSQLVAR& v) { v.SetAsDateTime(Serial(1800, 6, 15, 6)); },
     "ts = timestamp '1800-06-15 06:00:00'"},
    {"TimestampFromText", "ts", [](TMDOXSQLVAR& v) { v.SetAsString("15-06-1800 06:00:00"); },
     "ts = timestamp '1800-06-15 06:00:00'"},
    {"BlobFromText", "bl", [](TMDOXSQLVAR& v) { v.SetAsString("some text"); }, "bl = 'some text'"},
    {"EmptyBlob", "bl", [](TMDOXSQLVAR& v) { v.SetAsString(""); }, "char_length(bl) = 0"},
};

class WriteTable : public WriteValues, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteTable, TheServerFindsTheValue) {
    const WriteCase& c = GetParam();
    InsertWith(c.Column, c.Set);
    EXPECT_EQ(Matching(c.Predicate), 1) << c.Predicate;
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteTable, ::testing::ValuesIn(kWrites),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WriteValues, BlobOf40000BytesRoundTrips) {
    std::string content(40000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
    InsertWith("bl", [&](TMDOXSQLVAR& v) { v.SetAsString(content); });
    EXPECT_EQ(Matching("char_length(bl) = 40000"), 1);
    Run("select bl from v");
    EXPECT_EQ(sql.FieldNamed("BL").AsString(), content);
}

struct WriteErrorCase {
    const char* Name;
    const char* Column;
    std::function<void(TMDOXSQLVAR&)> Set;
    const char* Fragment;
};

// Values the server refuses when the statement runs.
const WriteErrorCase kServerRefusals[] = {
    {"ShortOverflow", "s", [](TMDOXSQLVAR& v) { v.SetAsInteger(40000); }, "overflow"},
    {"IntegerOverflow", "i", [](TMDOXSQLVAR& v) { v.SetAsDouble(1e20); }, "overflow"},
    {"VarcharTooLong", "vc", [](TMDOXSQLVAR& v) { v.SetAsString("01234567890"); },
     "string truncation"},
    {"NumericFromWord", "n92", [](TMDOXSQLVAR& v) { v.SetAsString("abc"); },
     "conversion error from string \"abc\""},
};

class ServerRefusals : public WriteValues, public ::testing::WithParamInterface<WriteErrorCase> {};

TEST_P(ServerRefusals, RaiseTheServerError) {
    const WriteErrorCase& c = GetParam();
    EXPECT_RAISES_CONTAINING(EMDOFirebirdError, InsertWith(c.Column, c.Set), c.Fragment);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerRefusals, ::testing::ValuesIn(kServerRefusals),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WriteValues, ClientRefusals) {
    sql.SetSQLText("insert into v (dt, i) values (:d, :i)");
    TMDOXSQLVAR& date = sql.Params().VarNamed("d");
    EXPECT_RAISES(EMDOClientError, date.SetAsDateTime(Serial(10000, 1, 1)),
                  "Invalid data conversion");
    EXPECT_RAISES(EMDOClientError, date.SetAsString("31-02-2020"), "Invalid data conversion");
    EXPECT_RAISES(EMDOClientError, sql.Params().VarNamed("i").SetAsQuad(ISC_QUAD{}),
                  "Invalid data conversion");
    EXPECT_RAISES(EMDOClientError, sql.Params()[2], "XSQLDA index out of range");
}

TEST_F(WriteValues, SettersChangeTheDescriptor) {
    sql.SetSQLText("insert into v (n92) values (:p)");
    TMDOXSQLVAR& p = sql.Params()[0];
    EXPECT_EQ(p.SQLType(), SQL_LONG);
    EXPECT_EQ(p.SQLScale(), -2);
    EXPECT_TRUE(p.IsNullable());
    EXPECT_FALSE(p.Modified);
    p.SetAsCurrency(125000);
    EXPECT_EQ(p.SQLType(), SQL_INT64);
    EXPECT_EQ(p.SQLScale(), -4);
    EXPECT_EQ(p.AsString(), "12.5");
    EXPECT_TRUE(p.Modified);
    p.SetAsString("xyz");
    EXPECT_EQ(p.SQLType(), SQL_TEXT);
    EXPECT_EQ(p.Size(), 3);
    EXPECT_EQ(p.AsString(), "xyz");
    p.SetIsNull(true);
    EXPECT_TRUE(p.IsNull());
    EXPECT_EQ(p.AsString(), "");
    p.SetAsInteger(4);
    EXPECT_FALSE(p.IsNull()) << "a setter clears the null flag";
    p.SetIsNullable(false);
    EXPECT_FALSE(p.IsNullable());
    EXPECT_EQ(p.Data().sqlind, nullptr);
}

}  // namespace
