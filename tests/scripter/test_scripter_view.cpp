// The view over buffered rows: display texts per type, widths, header and
// row lines, metadata type names and the composition of a statement's output.
// Rows are built in memory, the client library encoding their dates; Firebird
// 3 booleans also come from the embedded engine.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/errors.h"
#include "foundation/locale_settings.h"
#include "result_builder.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"
#include "scripter_fixture.h"

namespace {

class ScripterViewTest : public ::testing::Test {
  protected:
    void TearDown() override { TcLocaleSettings::Current() = TcLocaleSettings{}; }

    // One column, one row written by `put`; the view on that row.
    std::string Show(const TTestColumn& column, const std::function<void(TcResultBuilder&)>& put) {
        builder.Define({column});
        put(builder);
        builder.Store();
        view.ComputeWidths();
        return view.ValueText(0);
    }

    TcDBScripter_IB scripter;
    TcDBScripter_IBView& view = scripter.View();
    TcResultBuilder builder{*scripter.OutputSQLDA};
};

// ---- Value texts ----------------------------------------------------------

struct TValueCase {
    const char* Name;
    TTestColumn Column;
    std::function<void(TcResultBuilder&)> Put;
    std::string Expected;
};

class ValueTextTest : public ScripterViewTest, public ::testing::WithParamInterface<TValueCase> {};

TEST_P(ValueTextTest, RendersTheRawCell) {
    const TValueCase& c = GetParam();
    EXPECT_EQ(Show(c.Column, c.Put), c.Expected);
}

template <typename T>
std::function<void(TcResultBuilder&)> Raw(T value) {
    return [value](TcResultBuilder& b) { b.Put<T>(0, value); };
}

// Each case is made from whole values by a function rather than braced in
// place: for a half-built braced case GCC 12 at -O3 reports the column's
// alias string as maybe used uninitialised on the exception path (a false
// positive that stops a Release build with warnings as errors).
TValueCase Case(const char* name, TTestColumn column, std::function<void(TcResultBuilder&)> put,
                std::string expected) {
    return TValueCase{name, std::move(column), std::move(put), std::move(expected)};
}

const TValueCase kValueCases[] = {
    Case(
        "VaryingUsesItsLengthPrefix", {SQL_VARYING, 0, 20, "V"},
        [](TcResultBuilder& b) { b.PutVarying(0, "ab c "); }, "ab c "),
    Case(
        "TextKeepsTrailingBlanks", {SQL_TEXT, 0, 10, "C"},
        [](TcResultBuilder& b) { b.PutText(0, "ab"); }, "ab        "),
    Case(
        "TextEndsAtZeroByte", {SQL_TEXT, 0, 6, "C"},
        [](TcResultBuilder& b) { b.PutText(0, std::string("ab\0cd", 5)); }, "ab"),
    Case("SmallintPlain", {SQL_SHORT, 0, 2, "S"}, Raw<int16_t>(-32768), "-32768"),
    Case("SmallintScaled", {SQL_SHORT, -1, 2, "S"}, Raw<int16_t>(-5), "-0.5"),
    Case("IntegerPlain", {SQL_LONG, 0, 4, "I"}, Raw<int32_t>(7), "7"),
    Case("Numeric9_2", {SQL_LONG, -2, 4, "N"}, Raw<int32_t>(123450), "1234.50"),
    Case("Numeric9_2Negative", {SQL_LONG, -2, 4, "N"}, Raw<int32_t>(-5), "-0.05"),
    Case("BigintFull64Bits", {SQL_INT64, 0, 8, "B"}, Raw<int64_t>(INT64_MIN),
         "-9223372036854775808"),
    Case("Numeric18_2NineDigits", {SQL_INT64, -2, 8, "N"}, Raw<int64_t>(12345678912),
         "123456789.12"),
    Case("Numeric18_2TenDigitsStayExact", {SQL_INT64, -2, 8, "N"}, Raw<int64_t>(123456789012),
         "1234567890.12"),
    Case("Numeric18_4Largest", {SQL_INT64, -4, 8, "N"}, Raw<int64_t>(999999999999999999),
         "99999999999999.9999"),
    Case("Numeric18_4Negative", {SQL_INT64, -4, 8, "N"}, Raw<int64_t>(-123456789012345678),
         "-12345678901234.5678"),
    Case("Numeric18_18Smallest", {SQL_INT64, -18, 8, "N"}, Raw<int64_t>(INT64_MIN),
         "-9.223372036854775808"),
    Case("Numeric18_18Tiny", {SQL_INT64, -18, 8, "N"}, Raw<int64_t>(-1), "-0.000000000000000001"),
    Case("Numeric9_9Largest", {SQL_LONG, -9, 4, "N"}, Raw<int32_t>(INT32_MAX), "2.147483647"),
    Case("Numeric4_4Smallest", {SQL_SHORT, -4, 2, "N"}, Raw<int16_t>(INT16_MIN), "-3.2768"),
    Case("Numeric18_4Exact", {SQL_INT64, -4, 8, "N"}, Raw<int64_t>(10001), "1.0001"),
    // The fewest digits that read back as the same double: 0.1 + 0.2 is not 0.3.
    Case("DoubleShortest", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(0.1 + 0.2), "0.30000000000000004"),
    Case("DoubleTenth", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(0.1), "0.1"),
    Case("DoublePi", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(3.141592653589793), "3.141592653589793"),
    Case("DoubleLargest", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(-1.7976931348623157e308),
         "-1.7976931348623157E308"),
    Case("DoubleFifteenDigitInteger", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(123456789012345.0),
         "123456789012345"),
    Case("DoubleHuge", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(-1.5e20), "-1.5E20"),
    Case("DoubleTiny", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(2.5e-6), "2.5E-6"),
    Case("DoubleSmallFixed", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(1.25e-5), "0.0000125"),
    Case("DoubleFixedDecimals", {SQL_DOUBLE, -2, 8, "D"}, Raw<double>(2.5), "2.50"),
    Case("DoubleFixedTooWide", {SQL_DOUBLE, -2, 8, "D"}, Raw<double>(1.5e16), "1.5E16"),
    // The fewest digits that read back as the same float.
    Case("FloatShortest", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(3.14159f), "3.14159"),
    Case("FloatInteger", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(12346.0f), "12346"),
    Case("FloatLargestInteger", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(16777216.0f), "16777216"),
    Case("FloatTenDigitsGoScientific", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(1234567936.0f),
         "1.234568E9"),
    Case("FloatLargest", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(3.4028235e38f), "3.4028235E38"),
    Case("FloatSmallestNormal", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(1.17549435e-38f),
         "1.1754944E-38"),
    Case("FloatTenth", {SQL_FLOAT, 0, 4, "F"}, Raw<float>(0.1f), "0.1"),
    Case("BooleanTrue", {SQL_BOOLEAN + 1, 0, 1, "B"}, Raw<FB_BOOLEAN>(1), "TRUE"),
    Case("BooleanFalse", {SQL_BOOLEAN + 1, 0, 1, "B"}, Raw<FB_BOOLEAN>(0), "FALSE"),
    Case("Blob", {SQL_BLOB + 1, 0, 8, "B"}, Raw<int64_t>(99), "(blob)"),
    Case("Array", {SQL_ARRAY, 0, 8, "A"}, Raw<int64_t>(99), "(array)"),
    Case(
        "NullIsEmpty", {SQL_LONG + 1, 0, 4, "I"},
        [](TcResultBuilder& b) { b.Put<int32_t>(0, 5).PutNull(0); }, ""),
};

INSTANTIATE_TEST_SUITE_P(Types, ValueTextTest, ::testing::ValuesIn(kValueCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ScripterViewTest, NumbersUseTheLocaleDecimalSeparator) {
    TcLocaleSettings::Current().DecimalSeparator = ',';
    EXPECT_EQ(Show({SQL_LONG, -2, 4, "N"}, Raw<int32_t>(123450)), "1234,50");
    EXPECT_EQ(Show({SQL_DOUBLE, 0, 8, "D"}, Raw<double>(-2.5e-7)), "-2,5E-7");
    EXPECT_EQ(Show({SQL_INT64, -2, 8, "N"}, Raw<int64_t>(123456789012)), "1234567890,12");
}

TEST_F(ScripterViewTest, DatesAndTimesAreDecodedAndDropFractions) {
    auto timestamp = [](TcResultBuilder& b) { b.PutTimestamp(0, 2006, 12, 31, 23, 59, 58); };
    EXPECT_EQ(Show({SQL_TIMESTAMP, 0, 8, "TS"}, timestamp), "31-12-2006 23:59");
    scripter.TimeDisplay = false;
    EXPECT_EQ(Show({SQL_TIMESTAMP, 0, 8, "TS"}, timestamp), "31-12-2006");

    auto time = [](TcResultBuilder& b) { b.PutTime(0, 7, 5, 9); };
    EXPECT_EQ(Show({SQL_TYPE_TIME, 0, 4, "T"}, time), "07:05:09");
    EXPECT_EQ(
        Show({SQL_TYPE_DATE, 0, 4, "D"}, [](TcResultBuilder& b) { b.PutDate(0, 1999, 2, 3); }),
        "03-02-1999");

    TcLocaleSettings::Current().TimeSeparator = '.';
    EXPECT_EQ(Show({SQL_TYPE_TIME, 0, 4, "T"}, time), "07.05.09");
    // "mm" after an hour is minutes.
    scripter.TimeFormat = "hh:mm";
    EXPECT_EQ(Show({SQL_TYPE_TIME, 0, 4, "T"}, time), "07.05");
}

TEST_F(ScripterViewTest, PicturesWriteEveryFieldAtItsWidth) {
    const struct {
        const char* Picture;
        int Year;
        const char* Expected;
    } cases[] = {
        {"dd-mm-yyyy hh:nn", 1, "02-03-0001 04:05"},
        {"dd-mm-yyyy", 999, "02-03-0999"},
        {"yy-mm-dd", 2005, "05-03-02"},
        // "mm" that follows a year rather than an hour is the month again.
        {"hh yyyy mm", 2006, "04 2006 03"},
    };
    for (const auto& c : cases) {
        scripter.DateTimeFormat = c.Picture;
        EXPECT_EQ(Show({SQL_TIMESTAMP, 0, 8, "TS"},
                       [&c](TcResultBuilder& b) { b.PutTimestamp(0, c.Year, 3, 2, 4, 5, 6); }),
                  c.Expected)
            << c.Picture << " " << c.Year;
    }
}

// ---- Widths, header and row lines ----------------------------------------

struct TWidthCase {
    const char* Name;
    TTestColumn Column;
    int Width;
    bool Left;
};

class WidthTest : public ScripterViewTest, public ::testing::WithParamInterface<TWidthCase> {};

TEST_P(WidthTest, OneRowSetsWidthAndAlignment) {
    const TWidthCase& c = GetParam();
    builder.Define({c.Column});
    builder.Store();
    view.ComputeWidths();
    ASSERT_EQ(view.Widths().size(), 1u);
    EXPECT_EQ(view.Widths()[0], c.Width);
    EXPECT_EQ(view.LeftAligned()[0], c.Left);
}

INSTANTIATE_TEST_SUITE_P(
    Types, WidthTest,
    ::testing::Values(TWidthCase{"SmallintMinimumSix", {SQL_SHORT, 0, 2, "X"}, 6, false},
                      TWidthCase{"Integer", {SQL_LONG, 0, 4, "ID"}, 9, false},
                      TWidthCase{"Numeric9_2", {SQL_LONG, -2, 4, "N"}, 12, false},
                      TWidthCase{"Numeric18_2", {SQL_INT64, -2, 8, "N"}, 17, false},
                      TWidthCase{"Double", {SQL_DOUBLE, 0, 8, "D"}, 20, false},
                      TWidthCase{"Float", {SQL_FLOAT, 0, 4, "F"}, 20, false},
                      TWidthCase{"Char", {SQL_TEXT, 0, 10, "C"}, 10, true},
                      TWidthCase{"Timestamp", {SQL_TIMESTAMP, 0, 8, "TS"}, 16, true},
                      TWidthCase{"Time", {SQL_TYPE_TIME, 0, 4, "T"}, 8, true},
                      TWidthCase{"Date", {SQL_TYPE_DATE, 0, 4, "D"}, 10, true},
                      TWidthCase{"BlobMinimumSix", {SQL_BLOB, 0, 8, "B"}, 6, true},
                      TWidthCase{"ArrayByLength", {SQL_ARRAY, 0, 8, "A"}, 8, true},
                      TWidthCase{"BooleanAsChar5", {SQL_BOOLEAN + 1, 0, 1, "B"}, 6, true},
                      TWidthCase{"LongAlias", {SQL_SHORT, 0, 2, "QUANTITY_ON_HAND"}, 16, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ScripterViewTest, DataWidthsCountOnlyWhenRowsExist) {
    builder.Define({{SQL_LONG, 0, 4, "ID"}, {SQL_VARYING, 0, 40, "NAME"}});
    view.ComputeWidths();
    EXPECT_EQ(view.Widths(), (std::vector<int>{6, 6}));

    // A VARCHAR is as wide as its longest value.
    builder.Put<int32_t>(0, 1).PutVarying(1, "short").Store();
    builder.Put<int32_t>(0, 2).PutVarying(1, "a longer value").Store();
    view.Next();
    view.ComputeWidths();
    EXPECT_EQ(view.Widths(), (std::vector<int>{9, 14}));
    EXPECT_TRUE(view.IsFirstRow());

    scripter.TimeDisplay = false;
    builder.Define({{SQL_TIMESTAMP, 0, 8, "TS"}});
    builder.PutTimestamp(0, 2006, 12, 31, 23, 59, 0).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.Widths(), (std::vector<int>{10}));
}

TEST_F(ScripterViewTest, IntegerColumnHeaderAndRow) {
    builder.Define({{SQL_LONG, 0, 4, "ID"}});
    builder.Put<int32_t>(0, 7).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.HeaderLines(), "       ID\r\n=========");
    EXPECT_EQ(view.RowLine(), "        7 ");
}

TEST_F(ScripterViewTest, HeaderPadsByAlignmentWithoutTrailingBlank) {
    builder.Define(
        {{SQL_VARYING, 0, 10, "NAME"}, {SQL_LONG, -2, 4, "PRICE"}, {SQL_TEXT, 0, 8, "C"}});
    builder.PutVarying(0, "x").Put<int32_t>(1, 1).PutText(2, "y").Store();
    view.ComputeWidths();
    EXPECT_EQ(view.HeaderLines(),
              "NAME          PRICE C\r\n"
              "====== ============ ========");
}

TEST_F(ScripterViewTest, NullShowsAlignedByColumnKind) {
    builder.Define({{SQL_LONG + 1, 0, 4, "ID"}, {SQL_VARYING + 1, 0, 10, "NAME"}});
    builder.PutNull(0).PutNull(1).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.RowLine(), "   <NULL> <NULL> ");
    EXPECT_TRUE(view.IsNull(0));
}

TEST_F(ScripterViewTest, NumberColumnsWidenToTheirWidestValue) {
    // The least widths stay (INTEGER 9, BIGINT 14, SMALLINT 4, a scale 3
    // more); a value that needs more widens its column instead of being cut.
    const struct {
        short Type;
        short Scale;
        std::vector<int64_t> Values;
        std::vector<const char*> Lines;
    } cases[] = {
        {SQL_LONG, 0, {7, -99999999}, {"        7 ", "-99999999 "}},
        {SQL_LONG,
         0,
         {-2147483648LL, -123456789, 123456789},
         {"-2147483648 ", " -123456789 ", "  123456789 "}},
        {SQL_INT64, 0, {INT64_MIN, 1}, {"-9223372036854775808 ", "                   1 "}},
        {SQL_INT64, 0, {-9999999999999}, {"-9999999999999 "}},
        {SQL_SHORT, 0, {-32768}, {"-32768 "}},
        {SQL_INT64,
         -4,
         {999999999999999999, -123456789012345678, 5},
         {" 99999999999999.9999 ", "-12345678901234.5678 ", "              0.0005 "}},
        {SQL_LONG, -2, {-214748364}, {" -2147483.64 "}},
    };
    for (const auto& c : cases) {
        const short length = c.Type == SQL_SHORT ? 2 : c.Type == SQL_LONG ? 4 : 8;
        builder.Define({{c.Type, c.Scale, length, "ID"}});
        for (const int64_t value : c.Values) {
            if (c.Type == SQL_SHORT) {
                builder.Put<int16_t>(0, static_cast<int16_t>(value));
            } else if (c.Type == SQL_LONG) {
                builder.Put<int32_t>(0, static_cast<int32_t>(value));
            } else {
                builder.Put<int64_t>(0, value);
            }
            builder.Store();
        }
        view.ComputeWidths();
        for (const char* line : c.Lines) {
            EXPECT_EQ(view.RowLine(), line) << c.Type << ' ' << c.Values[0];
            view.Next();
        }
    }
}

TEST_F(ScripterViewTest, DoubleColumnsWidenToTheirWidestValue) {
    builder.Define({{SQL_DOUBLE, 0, 8, "D"}});
    builder.Put<double>(0, -1.23456789012345e-300).Store();
    builder.Put<double>(0, 1).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.RowLine(), "-1.23456789012345E-300 ");
    view.Next();
    EXPECT_EQ(view.RowLine(), "                     1 ");
}

TEST_F(ScripterViewTest, CharWidthFollowsTrimCharFields) {
    builder.Define({{SQL_TEXT, 0, 10, "C"}});
    builder.PutText(0, "ab").Store();
    view.ComputeWidths();
    EXPECT_EQ(view.Widths()[0], 10);
    EXPECT_EQ(view.RowLine(), "ab         ");

    scripter.TrimCharFields = true;
    view.ComputeWidths();
    EXPECT_EQ(view.Widths()[0], 6);
    EXPECT_EQ(view.RowLine(), "ab     ");
    EXPECT_EQ(view.ValueText(0), "ab        ");

    // The longest trimmed value decides; control characters count as blanks.
    builder.PutText(0, "abcdefgh\t").Store();
    view.ComputeWidths();
    EXPECT_EQ(view.Widths()[0], 8);
}

TEST_F(ScripterViewTest, RowLinesHaveTheSumOfWidthsPlusOne) {
    builder.Define({{SQL_SHORT, 0, 2, "X"},
                    {SQL_LONG, -2, 4, "AMOUNT"},
                    {SQL_TIMESTAMP, 0, 8, "TS"},
                    {SQL_BLOB, 0, 8, "NOTES"},
                    {SQL_VARYING, 0, 30, "NAME"}});
    builder.Put<int16_t>(0, 3)
        .Put<int32_t>(1, 123450)
        .PutTimestamp(2, 2006, 12, 31, 23, 59, 0)
        .Put<int64_t>(3, 1)
        .PutVarying(4, "Jansen");
    builder.Store();
    view.ComputeWidths();
    EXPECT_EQ(view.RowLine(), "     3      1234.50 31-12-2006 23:59 (blob) Jansen ");
}

// ---- Cursor and lookup ----------------------------------------------------

TEST_F(ScripterViewTest, CursorWalksTheRowsAndStopsAtTheEnd) {
    builder.Define({{SQL_LONG, 0, 4, "N"}});
    for (int32_t i = 1; i <= 2; ++i) builder.Put<int32_t>(0, i).Store();
    view.First();
    EXPECT_TRUE(view.IsFirstRow());
    EXPECT_EQ(view.ValueText(0), "1");
    view.Next();
    EXPECT_FALSE(view.IsFirstRow());
    EXPECT_FALSE(view.AtEnd());
    EXPECT_EQ(view.ValueText(0), "2");
    view.Next();
    view.Next();
    EXPECT_TRUE(view.AtEnd());
    EXPECT_EQ(view.RowIndex(), 2);
    EXPECT_THROW(view.ValueText(0), EDeveloper);
}

TEST_F(ScripterViewTest, ColumnsAreFoundByAliasIgnoringCase) {
    builder.Define(
        {{SQL_LONG, 0, 4, "ID"}, {SQL_VARYING, 0, 10, "Name"}, {SQL_LONG, 0, 4, "NAME"}});
    builder.Put<int32_t>(0, 4).PutVarying(1, "first").Put<int32_t>(2, 5).Store();
    view.First();
    EXPECT_EQ(view.ColumnName(1), "Name");
    EXPECT_EQ(view.FindColumn("name"), 1);
    EXPECT_EQ(view.FindColumn("missing"), -1);
    EXPECT_EQ(view.ValueByName("NAME"), "first");
    try {
        view.ValueByName("Nope");
        FAIL() << "no error";
    } catch (const EDeveloper& e) {
        EXPECT_STREQ(e.what(), "Field Nope not found.");
    }
    scripter.OutputSQLDA->ClearResult();
    EXPECT_EQ(view.FindColumn("ID"), -1);
}

// ---- Column types and native values ----------------------------------------

struct TNativeCase {
    const char* Name;
    TTestColumn Column;
    std::function<void(TcResultBuilder&)> Put;
    bool Numeric;
    bool DateTime;
    double Value;
};

class NativeValueTest : public ScripterViewTest,
                        public ::testing::WithParamInterface<TNativeCase> {};

TEST_P(NativeValueTest, ReadsTheCellUnrounded) {
    const TNativeCase& c = GetParam();
    Show(c.Column, c.Put);
    EXPECT_EQ(view.ColumnType(0), SqlBaseType(c.Column.Type));
    EXPECT_EQ(view.ColumnScale(0), c.Column.Scale);
    EXPECT_EQ(view.IsNumeric(0), c.Numeric);
    EXPECT_EQ(view.IsDateTime(0), c.DateTime);
    EXPECT_DOUBLE_EQ(view.NumberValue(0), c.Value);
}

// The builder's times carry 1234/10000 s that the display drops.
constexpr double kBuilderFraction = 1234.0 / 864000000.0;

INSTANTIATE_TEST_SUITE_P(
    Types, NativeValueTest,
    ::testing::Values(
        TNativeCase{
            "ScaledSmallint", {SQL_SHORT + 1, -1, 2, "S"}, Raw<int16_t>(-5), true, false, -0.5},
        TNativeCase{
            "Numeric9_2", {SQL_LONG, -2, 4, "N"}, Raw<int32_t>(123450), true, false, 1234.5},
        // The display goes scientific here and keeps nine digits.
        TNativeCase{"Numeric18_2AllDigits",
                    {SQL_INT64, -2, 8, "N"},
                    Raw<int64_t>(123456789012),
                    true,
                    false,
                    1234567890.12},
        TNativeCase{"BigintMaximum",
                    {SQL_INT64, 0, 8, "B"},
                    Raw<int64_t>(INT64_MAX),
                    true,
                    false,
                    9223372036854775807.0},
        TNativeCase{"Double", {SQL_DOUBLE, 0, 8, "D"}, Raw<double>(0.1), true, false, 0.1},
        TNativeCase{"Float",
                    {SQL_FLOAT, 0, 4, "F"},
                    Raw<float>(3.14159f),
                    true,
                    false,
                    static_cast<double>(3.14159f)},
        TNativeCase{"NullNumber",
                    {SQL_LONG + 1, 0, 4, "I"},
                    [](TcResultBuilder& b) { b.Put<int32_t>(0, 5).PutNull(0); },
                    true,
                    false,
                    0},
        TNativeCase{"TimestampSerial",
                    {SQL_TIMESTAMP + 1, 0, 8, "TS"},
                    [](TcResultBuilder& b) { b.PutTimestamp(0, 2006, 12, 31, 12, 0, 0); },
                    false,
                    true,
                    39082.5 + kBuilderFraction},
        TNativeCase{"DateBeforeDayZero",
                    {SQL_TYPE_DATE, 0, 4, "D"},
                    [](TcResultBuilder& b) { b.PutDate(0, 1899, 12, 29); },
                    false,
                    true,
                    -1},
        TNativeCase{"TimeIsTheFractionOfADay",
                    {SQL_TYPE_TIME, 0, 4, "T"},
                    [](TcResultBuilder& b) { b.PutTime(0, 6, 0, 0); },
                    false,
                    true,
                    0.25 + kBuilderFraction}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ScripterViewTest, NumberValueRefusesTextAndBooleans) {
    for (const TTestColumn& column :
         {TTestColumn{SQL_VARYING, 0, 10, "V"}, TTestColumn{SQL_BOOLEAN, 0, 1, "B"}}) {
        builder.Define({column});
        builder.Store();
        view.First();
        EXPECT_FALSE(view.IsNumeric(0));
        EXPECT_FALSE(view.IsDateTime(0));
        EXPECT_THROW(view.NumberValue(0), EDeveloper) << column.Type;
    }
    EXPECT_THROW(view.ColumnType(1), EDeveloper);
}

// ---- Metadata type names --------------------------------------------------

struct TDescribeCase {
    int FieldType;
    int Length;
    int SubType;
    int Scale;
    const char* Type;
};

TEST_F(ScripterViewTest, DescribeTypeNamesEveryStorageType) {
    builder.Define({{SQL_TEXT, 0, 31, "RDB$FIELD_NAME"},
                    {SQL_TEXT, 0, 31, "RDB$FIELD_SOURCE"},
                    {SQL_SHORT, 0, 2, "RDB$FIELD_TYPE"},
                    {SQL_SHORT, 0, 2, "RDB$FIELD_LENGTH"},
                    {SQL_SHORT + 1, 0, 2, "RDB$NULL_FLAG"},
                    {SQL_SHORT + 1, 0, 2, "RDB$FIELD_SUB_TYPE"},
                    {SQL_SHORT + 1, 0, 2, "RDB$FIELD_SCALE"}});
    const TDescribeCase cases[] = {
        {7, 2, 0, 0, "Smallint"},      {7, 2, 0, -1, "Numeric(4,1)"},
        {8, 4, 0, 0, "Integer"},       {8, 4, 0, -3, "Numeric(9,3)"},
        {9, 8, 0, 0, "Quad"},          {10, 4, 0, 0, "Float"},
        {11, 8, 0, 0, "Double float"}, {12, 4, 0, 0, "Date"},
        {13, 4, 0, 0, "Time"},         {14, 10, 0, 0, "Char(10)"},
        {16, 8, 0, 0, "Int64"},        {16, 8, 1, -2, "Numeric(16,2)"},
        {27, 8, 0, 0, "Double"},       {27, 8, 0, -2, "Numeric(15,2)"},
        {35, 8, 0, 0, "Timestamp"},    {37, 40, 0, 0, "Varchar(40)"},
        {40, 5, 0, 0, "Cstring(5)"},   {261, 8, 1, 0, "Memo"},
        {261, 8, 0, 0, "Blob"},        {23, 1, 0, 0, "Boolean"},
        {45, 1, 0, 0, "Unknown"},
    };
    for (const TDescribeCase& c : cases) {
        builder.PutText(0, "PRICE").PutText(1, "RDB$12");
        builder.Put<int16_t>(2, static_cast<int16_t>(c.FieldType));
        builder.Put<int16_t>(3, static_cast<int16_t>(c.Length));
        builder.Put<int16_t>(4, 1).PutNull(4);
        builder.Put<int16_t>(5, static_cast<int16_t>(c.SubType));
        builder.Put<int16_t>(6, static_cast<int16_t>(c.Scale));
        builder.Store();
    }
    // A NOT NULL column: flag 1.
    builder.Put<int16_t>(2, 8).Put<int16_t>(4, 1).Store();

    std::string name, type, domain, notNull;
    view.First();
    for (const TDescribeCase& c : cases) {
        view.DescribeType(name, type, domain, notNull);
        EXPECT_EQ(type, c.Type) << "field type " << c.FieldType;
        EXPECT_EQ(notNull, "");
        view.Next();
    }
    view.DescribeType(name, type, domain, notNull);
    EXPECT_EQ(notNull, "NN");
    EXPECT_EQ(name, PadRight("PRICE", 31));
    EXPECT_EQ(domain, PadRight("RDB$12", 31));
}

TEST_F(ScripterViewTest, DescribeTypeNeedsEveryMetadataColumn) {
    builder.Define({{SQL_TEXT, 0, 31, "RDB$FIELD_NAME"},
                    {SQL_TEXT, 0, 31, "RDB$FIELD_SOURCE"},
                    {SQL_SHORT, 0, 2, "RDB$FIELD_TYPE"},
                    {SQL_SHORT, 0, 2, "RDB$FIELD_LENGTH"},
                    {SQL_SHORT, 0, 2, "RDB$NULL_FLAG"},
                    {SQL_SHORT, 0, 2, "RDB$FIELD_SUB_TYPE"}});
    builder.Store();
    view.First();
    std::string name, type, domain, notNull;
    try {
        view.DescribeType(name, type, domain, notNull);
        FAIL() << "no error";
    } catch (const EDeveloper& e) {
        EXPECT_STREQ(e.what(), "Field RDB$Field_Scale not found.");
    }
}

// ---- Output composition ---------------------------------------------------

struct TOutputCase {
    const char* Name;
    std::function<void(TcDBScripter_IB&)> Setup;
    bool WithRows;
    TStringList Expected;
};

class BuildOutputTest : public ScripterViewTest,
                        public ::testing::WithParamInterface<TOutputCase> {};

TEST_P(BuildOutputTest, ComposesTheStatementOutput) {
    const TOutputCase& c = GetParam();
    scripter.CurrentStatement = "select id, name\r\nfrom t";
    scripter.PlanText = "PLAN (T NATURAL)";
    scripter.LastMessage = "Returned 2 records.";
    scripter.StatisticsText = "\r\nRecords returned: 2 \r\nElapsed time: 0.01 sec\r\n";
    scripter.Echo = true;
    scripter.PlanMode = TPlanMode::On;
    builder.Define({{SQL_LONG, 0, 4, "ID"}, {SQL_VARYING + 1, 0, 10, "NAME"}});
    if (c.WithRows) {
        builder.Put<int32_t>(0, 1).PutVarying(1, "a\r\nb").Store();
        builder.Put<int32_t>(0, 22).PutNull(1).Store();
    }
    c.Setup(scripter);

    TStringList lines{"kept"};
    view.Next();  // BuildOutput starts from the first row wherever the cursor is
    view.BuildOutput(lines);
    EXPECT_EQ(lines, c.Expected);

    // The streamed lines are the same, one call each; the text passed to the
    // sink need not outlive the call, so it is copied here.
    TStringList streamed{"kept"};
    view.Next();
    view.WriteOutput([&streamed](std::string_view line) { streamed.emplace_back(line); });
    EXPECT_EQ(streamed, c.Expected);
}

const std::string kHeader1 = "       ID NAME";
const std::string kHeader2 = "========= ======";
const std::string kRow1 = "        1 a\r\nb   ";
const std::string kRow2 = "       22 <NULL> ";

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildOutputTest,
    ::testing::Values(TOutputCase{"Everything",
                                  [](TcDBScripter_IB&) {},
                                  true,
                                  {"kept", "select id, name", "from t", "PLAN (T NATURAL)",
                                   kHeader1, kHeader2, kRow1, kRow2, "Returned 2 records.", "",
                                   "Records returned: 2 ", "Elapsed time: 0.01 sec"}},
                      TOutputCase{"NoRowsNoHeader",
                                  [](TcDBScripter_IB& s) {
                                      s.LastMessage = "No records returned.";
                                      s.StatisticsText.clear();
                                      s.Echo = false;
                                      s.PlanMode = TPlanMode::Off;
                                  },
                                  false,
                                  {"kept", "No records returned."}},
                      TOutputCase{
                          "InternalSkipsEchoPlanAndStatistics",
                          [](TcDBScripter_IB& s) { s.ExecuteInternalCount = 1; },
                          true,
                          {"kept", kHeader1, kHeader2, kRow1, kRow2, "Returned 2 records."}},
                      TOutputCase{"NoRecordHeaderNoMessage",
                                  [](TcDBScripter_IB& s) {
                                      s.ShowRecordHeader = false;
                                      s.LastMessage.clear();
                                      s.StatisticsText.clear();
                                      s.PlanMode = TPlanMode::Only;
                                      s.CurrentStatement.clear();
                                  },
                                  true,
                                  {"kept", "PLAN (T NATURAL)", kRow1, kRow2}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Firebird 3 booleans from the embedded engine ----------------------------

class BooleanColumnTest : public EmbeddedScripter {
  protected:
    void SetUp() override {
        EmbeddedScripter::SetUp();
        Run("create table flags (id integer, flag boolean, code char(5));"
            "insert into flags values (1, true, 'TRUE');"
            "insert into flags values (2, false, 'FALSE');"
            "insert into flags values (3, null, null);"
            "commit;");
    }
};

TEST_F(BooleanColumnTest, ShowsAsACharFiveColumnWould) {
    // CODE is the CHAR(5) the boolean columns must look like.
    EXPECT_EQ(Run("select flag, code, flag as is_active_flag from flags order by id;"),
              (std::vector<std::string>{
                  "FLAG   CODE   IS_ACTIVE_FLAG",
                  "====== ====== ==============", "TRUE   TRUE   TRUE           ",
                  "FALSE  FALSE  FALSE          ", "<NULL> <NULL> <NULL>         "}));
    TcDBScripter_IBView& view = engine->View();
    EXPECT_EQ(view.ColumnType(0), SQL_BOOLEAN);
    EXPECT_EQ(view.Widths(), (std::vector<int>{6, 6, 14}));
    EXPECT_EQ(view.LeftAligned(), (std::vector<bool>{true, true, true}));
    view.First();
    EXPECT_EQ(view.ValueText(0), "TRUE");
    view.Next();
    EXPECT_EQ(view.ValueText(0), "FALSE");
    view.Next();
    EXPECT_TRUE(view.IsNull(0));
    EXPECT_EQ(view.ValueText(0), "");
}

TEST_F(BooleanColumnTest, DescribesTheColumnAsBoolean) {
    TcInternalExecution internal(*engine);
    engine->ExecuteStatement(
        "select rf.rdb$field_name, rf.rdb$field_source, f.rdb$field_type, f.rdb$field_length, "
        "rf.rdb$null_flag, f.rdb$field_sub_type, f.rdb$field_scale "
        "from rdb$relation_fields rf join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
        "where rf.rdb$relation_name = 'FLAGS' and rf.rdb$field_name = 'FLAG'");
    TcDBScripter_IBView& view = engine->View();
    view.First();
    ASSERT_FALSE(view.AtEnd());
    std::string name, type, domain, notNull;
    view.DescribeType(name, type, domain, notNull);
    EXPECT_EQ(TrimBlanks(name), "FLAG");
    EXPECT_EQ(type, "Boolean");
    EXPECT_EQ(notNull, "");
}

}  // namespace

// ---- UTF-8 text by screen cells ---------------------------------------------

namespace {

constexpr short kCharsetUtf8 = 4;
constexpr short kCharsetWin1252 = 53;

}  // namespace

TEST_F(ScripterViewTest, Utf8ColumnsAreLaidOutByScreenCells) {
    // VARCHAR(10) in UTF8 (40 bytes): the column is as wide as its widest
    // value on screen, a wide character taking two cells and a combining
    // mark none.
    builder.Define({{SQL_VARYING, 0, 40, "CITY"}, {SQL_LONG, 0, 4, "N"}});
    builder.Var(0).sqlsubtype = kCharsetUtf8;
    const char* cities[] = {"Zürich", "東京", "e\xCC\x81t\xC3\xA9", "Ab"};
    for (const char* city : cities) builder.PutVarying(0, city).Put<int32_t>(1, 1).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.Widths()[0], 6);
    EXPECT_EQ(view.HeaderLines(),
              "CITY           N\r\n"
              "====== =========");
    const char* lines[] = {"Zürich         1 ", "東京           1 ",
                           "e\xCC\x81t\xC3\xA9            1 ", "Ab             1 "};
    for (const char* line : lines) {
        EXPECT_EQ(view.RowLine(), line);
        view.Next();
    }
}

TEST_F(ScripterViewTest, Utf8CharColumnsCountTheirBlanksAsCells) {
    // CHAR(3) in UTF8 holds 12 bytes: three wide characters and three
    // blanks take 9 cells, an ASCII value and its ten blanks 12.
    builder.Define({{SQL_TEXT, 0, 12, "C"}, {SQL_SHORT, 0, 2, "N"}});
    builder.Var(0).sqlsubtype = kCharsetUtf8;
    builder.PutText(0, "東京大").Put<int16_t>(1, 1).Store();
    builder.PutText(0, "ab").Put<int16_t>(1, 2).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.Widths()[0], 12);
    // Cells: the text, padding to 12 and a blank, then the SMALLINT's 6.
    EXPECT_EQ(view.RowLine(), "東京大" + std::string(3 + 3 + 1 + 5, ' ') + "1 ");
    view.Next();
    EXPECT_EQ(view.RowLine(), "ab" + std::string(10 + 1 + 5, ' ') + "2 ");
    scripter.TrimCharFields = true;
    view.ComputeWidths();
    EXPECT_EQ(view.Widths()[0], 6);
    EXPECT_EQ(view.RowLine(), "東京大" + std::string(1 + 5, ' ') + "1 ");
}

TEST_F(ScripterViewTest, CellValuesOfCharArePaddedToTheirLengthInCharacters) {
    // CHAR(10) in UTF8 comes padded to 40 bytes ("Zürich" and 33 blanks),
    // CHAR(4) in UNICODE_FSS to 12; a cell of its own holds the declared
    // characters, or no trailing blank at all with TrimCharFields on. A
    // single-byte set's blanks are all part of the value; the text output
    // (ValueText) keeps every byte.
    constexpr short kCharsetUnicodeFss = 3;
    builder.Define({{SQL_TEXT, 0, 40, "U"},
                    {SQL_TEXT, 0, 12, "F"},
                    {SQL_TEXT, 0, 4, "W"},
                    {SQL_VARYING, 0, 40, "V"}});
    builder.Var(0).sqlsubtype = kCharsetUtf8;
    builder.Var(1).sqlsubtype = kCharsetUnicodeFss;
    builder.Var(2).sqlsubtype = kCharsetWin1252;
    builder.Var(3).sqlsubtype = kCharsetUtf8;
    builder.PutText(0, "Zürich").PutText(1, "é").PutText(2, "a").PutVarying(3, "x  ").Store();
    builder.PutText(0, "東京大学東京大学東京").PutText(1, "éééé").PutText(2, "abcd");
    builder.PutVarying(3, "").Store();
    struct Case {
        bool Trim;
        int Row;
        std::vector<std::string> Values;
    };
    const Case cases[] = {
        {false, 0, {"Zürich    ", "é   ", "a   ", "x  "}},
        {false, 1, {"東京大学東京大学東京", "éééé", "abcd", ""}},
        {true, 0, {"Zürich", "é", "a", "x  "}},
        {true, 1, {"東京大学東京大学東京", "éééé", "abcd", ""}},
    };
    for (const Case& c : cases) {
        scripter.TrimCharFields = c.Trim;
        view.First();
        if (c.Row == 1) view.Next();
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(view.CellValueText(column), c.Values[static_cast<size_t>(column)])
                << "trim " << c.Trim << ", row " << c.Row << ", column " << column;
    }
    view.First();
    EXPECT_EQ(view.ValueText(0), "Zürich" + std::string(33, ' '));
}

TEST_F(ScripterViewTest, SingleByteTextKeepsItsByteLayout) {
    // WIN1252 "Zürich" (ü is one byte 0xFC) and the same bytes without a
    // character set: one cell a byte, as always.
    for (const short charset : {kCharsetWin1252, short{0}}) {
        builder.Define({{SQL_VARYING, 0, 10, "CITY"}, {SQL_TEXT, 0, 4, "C"}});
        builder.Var(0).sqlsubtype = charset;
        builder.Var(1).sqlsubtype = charset;
        builder.PutVarying(0, "Z\xFCrich!").PutText(1, "\xE6\x9D\xB1").Store();
        view.ComputeWidths();
        EXPECT_EQ(view.Widths()[0], 7);
        EXPECT_EQ(view.RowLine(), "Z\xFCrich! \xE6\x9D\xB1    ");
    }
}

TEST_F(ScripterViewTest, Utf8NamesAlignTheirHeader) {
    builder.Define({{SQL_VARYING, 0, 40, "Größe東京"}, {SQL_LONG, 0, 4, "Zähler"}});
    builder.Var(0).sqlsubtype = kCharsetUtf8;
    builder.PutVarying(0, "x").Put<int32_t>(1, 1).Store();
    view.ComputeWidths();
    EXPECT_EQ(view.HeaderLines(),
              "Größe東京    Zähler\r\n"
              "========= =========");
    EXPECT_EQ(view.RowLine(), "x                 1 ");
}
