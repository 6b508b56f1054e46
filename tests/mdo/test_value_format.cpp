// Values as text and back: scaled integers, floating point, the server's
// dates and times, date pictures, and the parsers the descriptor areas use.
// Pure functions, checked case by case; the calendar also against the client
// library's own date functions.

#include "mdo/value_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>

#include "mdo/client_library.h"

namespace {

constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

// Every test leaves the process-wide locale as it found it.
class ValueFormatTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = TcLocaleSettings::Current(); }
    void TearDown() override { TcLocaleSettings::Current() = saved_; }

    static TcLocaleSettings Locale(const char* dateFormat, char timeSeparator = ':',
                                   char decimalSeparator = '.') {
        TcLocaleSettings locale;
        locale.ShortDateFormat = dateFormat;
        locale.TimeSeparator = timeSeparator;
        locale.DecimalSeparator = decimalSeparator;
        return locale;
    }

  private:
    TcLocaleSettings saved_;
};

TDateTimeFields Fields(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                       int fraction = 0) {
    return TDateTimeFields{year, month, day, hour, minute, second, fraction};
}

std::string Describe(const TDateTimeFields& v) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d.%04d", v.Year, v.Month, v.Day, v.Hour,
                  v.Minute, v.Second, v.Fraction);
    return text;
}

// ---- Scaled integers --------------------------------------------------------

TEST_F(ValueFormatTest, ScaledIntegersOfEveryWidth) {
    const struct {
        int64_t Value;
        int Decimals;
        int Precision;
        const char* Expected;
    } cases[] = {
        // SMALLINT
        {-32768, 0, 4, "-32768"},
        {-5, 1, 4, "-0.5"},
        {5, 1, 4, "0.5"},
        {-1, 4, 4, "-0.0001"},
        {32767, 4, 4, "3.2767"},
        {0, 2, 4, "0.00"},
        // INTEGER
        {INT32_MIN, 0, 9, "-2147483648"},
        {INT32_MIN, 2, 9, "-21474836.48"},
        {INT32_MAX, 9, 9, "2.147483647"},
        {-50, 2, 9, "-0.50"},
        // BIGINT: the full 64 bits, exactly
        {kInt64Min, 0, 9, "-9223372036854775808"},
        {kInt64Max, 0, 9, "9223372036854775807"},
        {kInt64Max, 18, 9, "9.223372036854775807"},
        {kInt64Min, 18, 9, "-9.223372036854775808"},
        {-5, 18, 9, "-0.000000000000000005"},
        {12345678912, 2, 9, "123456789.12"},
        // More integer digits than the precision: the general format.
        {123456789012, 2, 9, "1.23456789E9"},
        {kInt64Min, 2, 9, "-9.22337204E16"},
        {123456, 1, 4, "1.235E4"},
        // Negative decimals (a positive scale) leave the integer alone.
        {42, -2, 9, "42"},
        // Beyond eighteen decimals only floating point can place the point.
        {5, 20, 9, "0.00000000000000000005"},
    };
    for (const auto& c : cases) {
        char out[kValueTextCapacity];
        const size_t n = FormatScaled(c.Value, c.Decimals, c.Precision, '.', out, sizeof out);
        EXPECT_EQ(std::string(out, n), c.Expected) << c.Value << " / 10^" << c.Decimals;
    }
}

TEST_F(ValueFormatTest, ScaledIntegersUseTheSeparatorGiven) {
    char out[kValueTextCapacity];
    EXPECT_EQ(std::string(out, FormatScaled(-5, 1, 4, ',', out, sizeof out)), "-0,5");
    EXPECT_EQ(std::string(out, FormatScaled(123456789012, 2, 9, ',', out, sizeof out)),
              "1,23456789E9");
}

TEST_F(ValueFormatTest, ScaledToDoubleDividesByExactPowers) {
    const struct {
        int64_t Value;
        int Scale;
        double Expected;
    } cases[] = {
        {-5, -1, -0.5},
        {123450, -2, 1234.5},
        {kInt64Max, -18, 9.223372036854775807},
        {kInt64Min, 0, -9223372036854775808.0},
        {7, 2, 700},
        {1, -20, 1e-20},
        {-1, -4, -0.0001},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaledToDouble(c.Value, c.Scale), c.Expected) << c.Value << "e" << c.Scale;
    }
}

// ---- Floating point ---------------------------------------------------------

TEST_F(ValueFormatTest, GeneralFormat) {
    const struct {
        double Value;
        int Precision;
        int MinExponentDigits;
        const char* Expected;
    } cases[] = {
        {0.1 + 0.2, 15, 0, "0.3"},
        {-1.5e20, 15, 0, "-1.5E20"},
        {2.5e-6, 15, 0, "2.5E-6"},
        {1.25e-5, 15, 0, "0.0000125"},
        {1e-5, 15, 0, "0.00001"},
        {9.99e-6, 15, 0, "9.99E-6"},
        {123456789012345.0, 15, 0, "123456789012345"},
        {1e15, 15, 0, "1E15"},
        {-0.0, 15, 0, "0"},
        {DBL_MAX, 15, 0, "1.79769313486232E308"},
        {DBL_TRUE_MIN, 15, 0, "4.94065645841247E-324"},
        {3.14159f, 4, 0, "3.142"},
        {12346.0f, 4, 0, "1.235E4"},
        {12346.0f, 4, 2, "1.235E04"},
        {1.5e-7, 4, 3, "1.5E-007"},
        {std::nan(""), 15, 0, "NAN"},
        {-HUGE_VAL, 15, 0, "-INF"},
    };
    for (const auto& c : cases) {
        char out[kValueTextCapacity];
        const size_t n = FormatGeneral(c.Value, c.Precision, c.MinExponentDigits, '.', out);
        EXPECT_EQ(std::string(out, n), c.Expected) << c.Value;
    }
}

TEST_F(ValueFormatTest, FixedFormat) {
    const struct {
        double Value;
        int Decimals;
        char Separator;
        const char* Expected;
    } cases[] = {
        {2.5, 2, '.', "2.50"},
        {-2.5, 2, ',', "-2,50"},
        {123.456, 0, '.', "123"},
        {-0.25, 1, '.', "-0.2"},  // the nearest text of -0.25 at one decimal, ties to even
        {999999999999999.0, 2, '.', "999999999999999.00"},
        {1.5e16, 2, '.', "1.5E16"},  // sixteen integer digits exceed the precision
        {std::nan(""), 2, '.', "NAN"},
    };
    for (const auto& c : cases) {
        char out[kValueTextCapacity];
        const size_t n = FormatFixed(c.Value, 15, c.Decimals, c.Separator, out, sizeof out);
        EXPECT_EQ(std::string(out, n), c.Expected) << c.Value;
    }
}

// ---- Reading column buffers -------------------------------------------------

TEST_F(ValueFormatTest, ReadSqlNumberByTypeAndLength) {
    alignas(8) char data[8] = {};
    auto put = [&data](auto value) {
        std::memset(data, 0, sizeof data);
        std::memcpy(data, &value, sizeof value);
    };
    double value = 0;
    put(int16_t{-5});
    EXPECT_TRUE(ReadSqlNumber(SQL_SHORT, -1, 2, data, value));
    EXPECT_EQ(value, -0.5);
    EXPECT_FALSE(ReadSqlNumber(SQL_SHORT, 0, 1, data, value));
    put(int32_t{123450});
    EXPECT_TRUE(ReadSqlNumber(SQL_LONG, -2, 4, data, value));
    EXPECT_EQ(value, 1234.5);
    put(kInt64Min);
    EXPECT_TRUE(ReadSqlNumber(SQL_INT64, 0, 8, data, value));
    EXPECT_EQ(value, -9223372036854775808.0);
    EXPECT_FALSE(ReadSqlNumber(SQL_INT64, 0, 4, data, value));
    put(1.5f);
    EXPECT_TRUE(ReadSqlNumber(SQL_FLOAT, 0, 4, data, value));
    EXPECT_EQ(value, 1.5);
    put(2.25);
    EXPECT_TRUE(ReadSqlNumber(SQL_FLOAT, 0, 8, data, value));
    EXPECT_EQ(value, 2.25);
    // A scaled DOUBLE already holds the value; the scale is for display.
    EXPECT_TRUE(ReadSqlNumber(SQL_DOUBLE, -2, 8, data, value));
    EXPECT_EQ(value, 2.25);
    EXPECT_FALSE(ReadSqlNumber(SQL_TEXT, 0, 8, data, value));
    EXPECT_FALSE(ReadSqlNumber(SQL_BOOLEAN, 0, 1, data, value));
    EXPECT_FALSE(ReadSqlNumber(SQL_TIMESTAMP, 0, 8, data, value));
}

TEST_F(ValueFormatTest, ReadSqlDateTimeByTypeAndLength) {
    alignas(8) char data[8] = {};
    const ISC_TIMESTAMP stamp{51544, 45296 * 10000 + 7890};
    std::memcpy(data, &stamp, sizeof stamp);
    TDateTimeFields value;
    ASSERT_TRUE(ReadSqlDateTime(SQL_TIMESTAMP, 8, data, value));
    EXPECT_EQ(Describe(value), "2000-1-1 12:34:56.7890");
    EXPECT_FALSE(ReadSqlDateTime(SQL_TIMESTAMP, 4, data, value));
    ASSERT_TRUE(ReadSqlDateTime(SQL_TYPE_DATE, 4, data, value));
    EXPECT_EQ(Describe(value), "2000-1-1 0:0:0.0000");
    std::memcpy(data, &stamp.timestamp_time, sizeof stamp.timestamp_time);
    ASSERT_TRUE(ReadSqlDateTime(SQL_TYPE_TIME, 4, data, value));
    EXPECT_EQ(Describe(value), "1899-12-30 12:34:56.7890");
    EXPECT_FALSE(ReadSqlDateTime(SQL_LONG, 4, data, value));
}

TEST_F(ValueFormatTest, TypeGroupsAndBooleans) {
    for (int type : {SQL_SHORT, SQL_LONG, SQL_INT64, SQL_FLOAT, SQL_DOUBLE})
        EXPECT_TRUE(IsSqlNumberType(type)) << type;
    for (int type : {SQL_TEXT, SQL_VARYING, SQL_BOOLEAN, SQL_BLOB, SQL_TIMESTAMP, SQL_LONG + 1})
        EXPECT_FALSE(IsSqlNumberType(type)) << type;
    for (int type : {SQL_TIMESTAMP, SQL_TYPE_DATE, SQL_TYPE_TIME})
        EXPECT_TRUE(IsSqlDateTimeType(type)) << type;
    EXPECT_FALSE(IsSqlDateTimeType(SQL_LONG));
    EXPECT_EQ(SqlBaseType(SQL_BOOLEAN + 1), SQL_BOOLEAN);
    EXPECT_EQ(SqlBaseType(SQL_VARYING), SQL_VARYING);
    EXPECT_EQ(BooleanText(true), "TRUE");
    EXPECT_EQ(BooleanText(false), "FALSE");
}

// ---- Parsing numbers --------------------------------------------------------

TEST_F(ValueFormatTest, ParseScaledRoundsHalfAwayFromZero) {
    const struct {
        const char* Text;
        int Scale;
        char Separator;
        bool Ok;
        int64_t Expected;
    } cases[] = {
        {"12.5", -2, '.', true, 1250},
        {"-0.05", -2, '.', true, -5},
        {" +7 ", 0, '.', true, 7},
        {"1.005", -2, '.', true, 101},
        {"-1.005", -2, '.', true, -101},
        {"1.0049", -2, '.', true, 100},
        {"0.004", -2, '.', true, 0},
        {"-0.5", 0, '.', true, -1},
        {"0.15", -1, '.', true, 2},
        {".5", -1, '.', true, 5},
        {"5.", 0, '.', true, 5},
        {"1.23E2", 0, '.', true, 123},
        {"15e-1", -1, '.', true, 15},
        {"12,5", -2, ',', true, 1250},
        {"0.0000e99999", 0, '.', true, 0},
        {"1e-99999", 0, '.', true, 0},
        {"9223372036854775807", 0, '.', true, kInt64Max},
        {"-9223372036854775808", 0, '.', true, kInt64Min},
        {"92233720368547758.07", -2, '.', true, kInt64Max},
        {"-92233720368547758.08", -2, '.', true, kInt64Min},
        {"-9.223372036854775808", -18, '.', true, kInt64Min},
        {"9223372036854775808", 0, '.', false, 0},
        {"92233720368547758.08", -2, '.', false, 0},
        {"9223372036854775807.5", 0, '.', false, 0},  // rounds past the maximum
        {"1e99999", 0, '.', false, 0},
        {"12.5", -2, ',', false, 0},  // not the locale's separator
        {"", 0, '.', false, 0},
        {"-", 0, '.', false, 0},
        {".", 0, '.', false, 0},
        {"1e", 0, '.', false, 0},
        {"1.2.3", 0, '.', false, 0},
        {"1 2", 0, '.', false, 0},
        {"abc", 0, '.', false, 0},
        {"--1", 0, '.', false, 0},
    };
    for (const auto& c : cases) {
        int64_t value = 0;
        EXPECT_EQ(ParseScaled(c.Text, c.Scale, c.Separator, value), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(value, c.Expected) << c.Text;
        }
    }
}

TEST_F(ValueFormatTest, ScaledTextsReadBack) {
    // What FormatScaled writes in fixed form, ParseScaled reads back exactly.
    for (int64_t value : {kInt64Min, kInt64Max, int64_t{-5}, int64_t{0}, int64_t{1234567}}) {
        for (int decimals : {0, 1, 4, 18}) {
            char out[kValueTextCapacity];
            const size_t n = FormatScaled(value, decimals, 19, ',', out, sizeof out);
            int64_t back = 0;
            ASSERT_TRUE(ParseScaled(std::string_view(out, n), -decimals, ',', back))
                << std::string(out, n);
            EXPECT_EQ(back, value) << std::string(out, n);
        }
    }
}

TEST_F(ValueFormatTest, ParseIntegerAndFloat) {
    const struct {
        const char* Text;
        bool Ok;
        int64_t Expected;
    } integers[] = {
        {"42", true, 42},
        {" -42 ", true, -42},
        {"+0", true, 0},
        {"9223372036854775807", true, kInt64Max},
        {"-9223372036854775808", true, kInt64Min},
        {"9223372036854775808", false, 0},
        {"4.2", false, 0},
        {"", false, 0},
        {"1e3", false, 0},
        {"0x10", false, 0},
    };
    for (const auto& c : integers) {
        int64_t value = 0;
        EXPECT_EQ(ParseInteger(c.Text, value), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(value, c.Expected) << c.Text;
        }
    }

    const struct {
        const char* Text;
        char Separator;
        bool Ok;
        double Expected;
    } floats[] = {
        {"2.5", '.', true, 2.5},  {"-1,5E-3", ',', true, -0.0015}, {".5", '.', true, 0.5},
        {"0.1", '.', true, 0.1},  {" 1e308 ", '.', true, 1e308},   {"-0", '.', true, 0},
        {"1e400", '.', false, 0}, {"1.5", ',', false, 0},          {"inf", '.', false, 0},
        {"abc", '.', false, 0},
    };
    for (const auto& c : floats) {
        double value = 0;
        EXPECT_EQ(ParseFloat(c.Text, c.Separator, value), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(value, c.Expected) << c.Text;
        }
    }
}

// ---- Calendar ---------------------------------------------------------------

TEST_F(ValueFormatTest, ServerDayNumbersAndTimes) {
    const struct {
        ISC_DATE Day;
        int Year, Month, Dayof;
    } dates[] = {
        {0, 1858, 11, 17},      {-1, 1858, 11, 16},      {15018, 1899, 12, 30},
        {40587, 1970, 1, 1},    {51544, 2000, 1, 1},     {51603, 2000, 2, 29},
        {-678575, 1, 1, 1},     {-100841, 1582, 10, 14}, {2973483, 9999, 12, 31},
        {2973484, 10000, 1, 1},
    };
    for (const auto& c : dates) {
        const TDateTimeFields value = DecodeSqlDate(c.Day);
        EXPECT_EQ(Describe(value), Describe(Fields(c.Year, c.Month, c.Dayof))) << c.Day;
        EXPECT_EQ(EncodeSqlDate(value), c.Day);
    }

    const struct {
        ISC_TIME Time;
        const char* Expected;
    } times[] = {
        {0, "1899-12-30 0:0:0.0000"},
        {1234, "1899-12-30 0:0:0.1234"},
        {(45296u * 10000u) + 7890u, "1899-12-30 12:34:56.7890"},
        {863999999, "1899-12-30 23:59:59.9999"},
    };
    for (const auto& c : times) {
        const TDateTimeFields value = DecodeSqlTime(c.Time);
        EXPECT_EQ(Describe(value), c.Expected);
        EXPECT_EQ(EncodeSqlTime(value), c.Time);
    }

    const ISC_TIMESTAMP stamp = EncodeTimestamp(Fields(2006, 12, 31, 23, 59, 58, 1));
    EXPECT_EQ(Describe(DecodeTimestamp(stamp)), "2006-12-31 23:59:58.0001");
}

TEST_F(ValueFormatTest, DecodingMatchesTheClientLibrary) {
    CheckClientLibraryLoaded();
    // Every 97th day from year 1 to past year 9999, and times across a day.
    for (ISC_DATE day = -678575; day <= 2973484 + 400; day += 97) {
        std::tm t{};
        ClientApi.isc_decode_sql_date(&day, &t);
        const TDateTimeFields value = DecodeSqlDate(day);
        ASSERT_EQ(Describe(value), Describe(Fields(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday)))
            << "day " << day;
        ISC_DATE encoded = 0;
        ClientApi.isc_encode_sql_date(&t, &encoded);
        ASSERT_EQ(EncodeSqlDate(value), encoded) << "day " << day;
    }
    for (ISC_TIME time = 0; time < 864000000u; time += 3599977u) {
        std::tm t{};
        ClientApi.isc_decode_sql_time(&time, &t);
        const TDateTimeFields value = DecodeSqlTime(time);
        ASSERT_EQ(value.Hour, t.tm_hour) << time;
        ASSERT_EQ(value.Minute, t.tm_min) << time;
        ASSERT_EQ(value.Second, t.tm_sec) << time;
        ISC_TIME encoded = 0;
        ClientApi.isc_encode_sql_time(&t, &encoded);
        ASSERT_EQ(EncodeSqlTime(value) - static_cast<ISC_TIME>(value.Fraction), encoded) << time;
    }
}

TEST_F(ValueFormatTest, ValidDates) {
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_TRUE(IsValidDate(2004, 2, 29));
    EXPECT_FALSE(IsValidDate(2006, 4, 31));
    EXPECT_TRUE(IsValidDate(1, 1, 1));
    EXPECT_TRUE(IsValidDate(9999, 12, 31));
    EXPECT_FALSE(IsValidDate(0, 12, 31));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
    EXPECT_FALSE(IsValidDate(2006, 13, 1));
    EXPECT_FALSE(IsValidDate(2006, 1, 0));
}

TEST_F(ValueFormatTest, DateTimeSerials) {
    const struct {
        TDateTimeFields Value;
        double Serial;
    } cases[] = {
        {Fields(1899, 12, 30), 0},
        {Fields(1899, 12, 30, 18), 0.75},
        {Fields(1899, 12, 29, 6), -1.25},  // the time counts towards the past
        {Fields(1900, 1, 1), 2},
        {Fields(2006, 12, 31, 12), 39082.5},
        {Fields(1, 1, 1), -693593},
        {Fields(9999, 12, 31), 2958465},
        {Fields(2000, 1, 1, 0, 0, 0, 5000), 36526 + 0.5 / 86400},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(DateTimeToSerial(c.Value), c.Serial) << Describe(c.Value);
        EXPECT_EQ(Describe(SerialToDateTime(c.Serial)), Describe(c.Value)) << c.Serial;
    }
    // Rounding up to the next day carries into the date.
    EXPECT_EQ(Describe(SerialToDateTime(1.0 - 1e-12)), "1899-12-31 0:0:0.0000");
    EXPECT_EQ(Describe(SerialToDateTime(-2.0 + 1e-12)), "1899-12-28 0:0:0.0000");
    EXPECT_EQ(Describe(SerialToDateTime(std::nan(""))), "1899-12-30 0:0:0.0000");
}

// ---- Date pictures ----------------------------------------------------------

TEST_F(ValueFormatTest, DatePictures) {
    const TDateTimeFields value = Fields(2006, 3, 2, 4, 5, 6, 7000);
    const struct {
        const char* Picture;
        TDateTimeFields Value;
        char TimeSeparator;
        const char* Expected;
    } cases[] = {
        {"dd-mm-yyyy hh:nn", value, ':', "02-03-2006 04:05"},
        {"dd-mm-yyyy", Fields(5, 3, 2), ':', "02-03-0005"},
        {"dd-mm-yyyy", Fields(999, 3, 2), ':', "02-03-0999"},
        {"dd-mm-yyyy", Fields(10000, 3, 2), ':', "02-03-10000"},
        {"DD-MM-YYYY HH:NN:SS", value, ':', "02-03-2006 04:05:06"},
        {"d-m-yy", value, ':', "2-3-06"},
        {"yyyyy", value, ':', "2006"},
        {"y", value, ':', "06"},
        {"hh:nn:ss", value, '.', "04.05.06"},
        {"h:n:s", value, ':', "4:5:6"},
        {"hh:mm", value, ':', "04:05"},            // minutes after an hour
        {"hh yyyy mm", value, ':', "04 2006 03"},  // a month again after a year
        {"mm/dd/yyyy", value, ':', "03/02/2006"},
        {"at hh", value, ':', "at 04"},
        {"", value, ':', ""},
    };
    for (const auto& c : cases) {
        char out[kValueTextCapacity];
        const size_t n = FormatDatePicture(c.Picture, c.Value, c.TimeSeparator, out, sizeof out);
        EXPECT_EQ(std::string(out, n), c.Expected) << c.Picture;
    }
}

TEST_F(ValueFormatTest, DatePictureStopsBeforeTheBufferEnds) {
    const std::string picture = "dd-mm-yyyy dd-mm-yyyy dd-mm-yyyy";
    char out[20];
    std::memset(out, '#', sizeof out);
    const size_t n = FormatDatePicture(picture, Fields(2006, 3, 2), ':', out, sizeof out);
    EXPECT_LE(n, sizeof out);
    EXPECT_GT(n, 0u);
    EXPECT_EQ(std::string(out, n), std::string("02-03-2006 02-03-2006").substr(0, n));
    // The longest picture the buffer is sized for fits whole.
    const std::string longest(100, 'y');
    char big[kValueTextCapacity];
    EXPECT_EQ(FormatDatePicture(longest, Fields(2006, 1, 1), ':', big, sizeof big), 4u);
    const std::string items = std::string(50, 'd') + std::string(50, ' ');
    EXPECT_EQ(FormatDatePicture(items, Fields(2006, 1, 1), ':', big, sizeof big), 52u);
}

// ---- Parsing dates and times ------------------------------------------------

TEST_F(ValueFormatTest, ParseDateInTheLocaleOrder) {
    const struct {
        const char* Format;
        const char* Text;
        bool Ok;
        int Year, Month, Day;
    } cases[] = {
        {"dd-mm-yyyy", "31-12-2006", true, 2006, 12, 31},
        {"dd-mm-yyyy", " 1-2-2006 ", true, 2006, 2, 1},
        {"dd-mm-yyyy", "29-02-2000", true, 2000, 2, 29},
        {"dd-mm-yyyy", "01-01-0001", true, 1, 1, 1},  // four digits: no century window
        {"dd-mm-yyyy", "31-12-9999", true, 9999, 12, 31},
        {"dd-mm-yyyy", "1-2-3", true, 2003, 2, 1},
        {"dd-mm-yyyy", "01-01-99", true, 1999, 1, 1},
        {"dd-mm-yyyy", "01-01-75", true, 1975, 1, 1},
        {"dd-mm-yyyy", "01-01-74", true, 2074, 1, 1},
        {"mm/dd/yy", "12/31/2006", true, 2006, 12, 31},
        {"yyyy.mm.dd", "2006.12.31", true, 2006, 12, 31},
        {"dd-mm-yyyy", "29-02-2001", false, 0, 0, 0},
        {"dd-mm-yyyy", "31-04-2006", false, 0, 0, 0},
        {"dd-mm-yyyy", "00-01-2006", false, 0, 0, 0},
        {"dd-mm-yyyy", "01-13-2006", false, 0, 0, 0},
        {"dd-mm-yyyy", "31/12/2006", false, 0, 0, 0},
        {"dd-mm-yyyy", "31-12", false, 0, 0, 0},
        {"dd-mm-yyyy", "31-12-2006-1", false, 0, 0, 0},
        {"dd-mm-yyyy", "31-12-10000", false, 0, 0, 0},
        {"dd-mm-yyyy", "131-12-2006", false, 0, 0, 0},
        {"dd-mm-yyyy", "31-12-2006 12:00", false, 0, 0, 0},
        {"dd-mm-yyyy", "", false, 0, 0, 0},
        {"dd-mm", "31-12", false, 0, 0, 0},  // a picture without a year orders nothing
    };
    for (const auto& c : cases) {
        TDateTimeFields value = Fields(1, 1, 1, 7, 8, 9, 10);
        EXPECT_EQ(ParseDate(c.Text, value, Locale(c.Format), 2025), c.Ok)
            << c.Format << " " << c.Text;
        if (c.Ok) {
            EXPECT_EQ(Describe(value), Describe(Fields(c.Year, c.Month, c.Day, 7, 8, 9, 10)))
                << c.Format << " " << c.Text;
        }
    }
}

TEST_F(ValueFormatTest, ParseTimeWithTheLocaleSeparators) {
    const struct {
        const char* Text;
        char TimeSeparator;
        char DecimalSeparator;
        bool Ok;
        const char* Expected;
    } cases[] = {
        {"23:59", ':', '.', true, "1-1-1 23:59:0.0000"},
        {"7:05:09", ':', '.', true, "1-1-1 7:5:9.0000"},
        {"7:05:09,5", ':', ',', true, "1-1-1 7:5:9.5000"},
        {"23:59:58.12345", ':', '.', true, "1-1-1 23:59:58.1234"},
        {"12.30.15", '.', ',', true, "1-1-1 12:30:15.0000"},
        {"12.30.15.25", '.', '.', true, "1-1-1 12:30:15.2500"},
        {"24:00", ':', '.', false, ""},
        {"12:60", ':', '.', false, ""},
        {"12:00:60", ':', '.', false, ""},
        {"12", ':', '.', false, ""},
        {"12:", ':', '.', false, ""},
        {"12:00:", ':', '.', false, ""},
        {"12:00:00.", ':', '.', false, ""},
        {"12.30", ':', '.', false, ""},
        {"123:00", ':', '.', false, ""},
    };
    for (const auto& c : cases) {
        TDateTimeFields value = Fields(1, 1, 1);
        EXPECT_EQ(
            ParseTime(c.Text, value, Locale("dd-mm-yyyy", c.TimeSeparator, c.DecimalSeparator)),
            c.Ok)
            << c.Text;
        if (c.Ok) {
            EXPECT_EQ(Describe(value), c.Expected) << c.Text;
        }
    }
}

TEST_F(ValueFormatTest, ParseDateTimeTakesADateATimeOrBoth) {
    const struct {
        const char* Text;
        bool Ok;
        const char* Expected;
    } cases[] = {
        {"31-12-2006 23:59:58", true, "2006-12-31 23:59:58.0000"},
        {"  31-12-2006   7:05  ", true, "2006-12-31 7:5:0.0000"},
        {"31-12-2006", true, "2006-12-31 0:0:0.0000"},
        {"23:59", true, "1899-12-30 23:59:0.0000"},
        {"31-12-2006 25:00", false, ""},
        {"31-13-2006 12:00", false, ""},
        {"31-12-2006 12:00 x", false, ""},
        {"garbage", false, ""},
        {"", false, ""},
    };
    const TDateTimeFields untouched = Fields(1, 2, 3, 4, 5, 6, 7);
    for (const auto& c : cases) {
        TDateTimeFields value = untouched;
        EXPECT_EQ(ParseDateTime(c.Text, value, Locale("dd-mm-yyyy"), 2025), c.Ok) << c.Text;
        EXPECT_EQ(Describe(value), c.Ok ? c.Expected : Describe(untouched)) << c.Text;
    }
}

TEST_F(ValueFormatTest, ParsersReadTheProcessLocaleByDefault) {
    TcLocaleSettings::Current() = Locale("yyyy/mm/dd", '.', ',');
    TDateTimeFields value;
    ASSERT_TRUE(ParseDateTime("2006/12/31 23.59.58,5", value));
    EXPECT_EQ(Describe(value), "2006-12-31 23:59:58.5000");
    EXPECT_FALSE(ParseDateTime("31-12-2006", value));
}

}  // namespace
