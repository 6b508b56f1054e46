#pragma once
// Column values as text and back, one copy of each rule for every reader of
// values: the scripter's result view, the spreadsheet capture and the
// descriptor areas. Numbers (scaled integers exactly, floating point in the
// general and fixed formats), booleans, calendar dates and times (decoded
// from and encoded to the client's DATE, TIME and TIMESTAMP values, written
// with date pictures), and parsers for such texts.
//
// Contract: plain functions without state. Formatters never allocate: they
// write into a buffer the caller provides and answer the length written, so
// that a result of many rows is rendered without a heap call per cell.
// Calendar arithmetic is the proleptic Gregorian calendar of the client
// library's own date functions (isc_decode_sql_date and its kin) and needs no
// loaded client. Separators come as arguments or from the TcLocaleSettings
// given; the parsers default to the process-wide settings.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "foundation/locale_settings.h"
#include "mdo/client_entry_points.h"

// A buffer of this many bytes holds every number text, and the text of any
// date picture of up to 100 characters.
inline constexpr size_t kValueTextCapacity = 256;

// The SQL type code without the nullable bit.
constexpr int SqlBaseType(int sqltype) {
    return sqltype & ~1;
}
// A value of a client data buffer, in the host's byte order as the client
// writes it; `data` need not be aligned.
template <typename T>
T ReadSqlData(const char* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

// SQL_SHORT, SQL_LONG, SQL_INT64 (at any scale), SQL_FLOAT and SQL_DOUBLE.
bool IsSqlNumberType(int type);
// SQL_TIMESTAMP, SQL_TYPE_DATE and SQL_TYPE_TIME.
bool IsSqlDateTimeType(int type);

// ---- Numbers ---------------------------------------------------------------

// Shortest text with at most `precision` significant digits (1 to 17):
// fixed notation while the integer part has at most `precision` digits and
// the magnitude is at least 0.00001, else a mantissa, "E", a minus sign for
// a negative exponent only and at least `minExponentDigits` exponent digits.
// "NAN", "INF" and "-INF" for the values that are no numbers. `out` holds at
// least 32 bytes.
size_t FormatGeneral(double value, int precision, int minExponentDigits, char separator, char* out);
// The fewest significant digits that read back as the same value (of a
// float when `single`, else of a double), laid out as FormatGeneral lays
// out its digits: fixed notation while the integer part has at most
// `precision` digits and the magnitude is at least 0.00001.
size_t FormatShortest(double value, bool single, int precision, int minExponentDigits,
                      char separator, char* out);
// Exactly `decimals` digits after the separator; the general format with
// `precision` digits once the integer part has more digits than that.
size_t FormatFixed(double value, int precision, int decimals, char separator, char* out,
                   size_t capacity);
// A scaled integer, value / 10^decimals, in exact decimal digits (floating
// point cannot hold eighteen of them): the plain integer for decimals <= 0,
// else the integer part, the separator and `decimals` digits. Only once the
// integer part has more digits than `precision` does the value go into the
// general format with that many digits; kExactDigits never does.
size_t FormatScaled(int64_t value, int decimals, int precision, char separator, char* out,
                    size_t capacity);
// Every digit of a 64-bit integer: FormatScaled stays exact.
inline constexpr int kExactDigits = 19;
// The length of FormatScaled's exact text of the value, without writing it.
size_t ScaledTextLength(int64_t value, int decimals);
// value * 10^scale, dividing by a power of ten that is exact as an integer.
double ScaledToDouble(int64_t value, int scale);
// The value of a numeric column from its data buffer: SQL_SHORT, SQL_LONG
// and SQL_INT64 with their scale, SQL_FLOAT and SQL_DOUBLE; `length` is the
// column's sqllen. False for any other type or a length that does not fit.
bool ReadSqlNumber(int type, int scale, int length, const char* data, double& value);

// A whole number: optional blanks, an optional sign, digits, optional blanks.
// False for anything else or a value outside 64 bits.
bool ParseInteger(std::string_view text, int64_t& value);
// A decimal number (optional sign, digits with at most one `separator`, an
// optional exponent "E" with optional sign) as the scaled integer that
// stores it at `scale`: "12.5" at scale -2 is 1250. Digits beyond the scale
// are rounded half away from zero, as the server rounds. False for a
// malformed text or a value outside 64 bits.
bool ParseScaled(std::string_view text, int scale, char separator, int64_t& value);
// The same grammar as a double; false also for a value out of range.
bool ParseFloat(std::string_view text, char separator, double& value);

// ---- Booleans --------------------------------------------------------------

// "TRUE" or "FALSE".
std::string_view BooleanText(bool value);

// ---- Dates and times -------------------------------------------------------

// A calendar date and a time of day. Fraction counts 1/10000 seconds, the
// resolution of the server's times. A time alone has the date 30-12-1899,
// day 0 of the date-time serials.
struct TDateTimeFields {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Fraction = 0;
};

inline constexpr int kFractionsPerSecond = 10000;

bool IsLeapYear(int year);
// Whether the date exists (years 1 to 9999, the server's range).
bool IsValidDate(int year, int month, int day);

// The server's day numbers (days since 17-11-1858) and times of day (1/10000
// seconds since midnight), as the client library's isc_decode_sql_date,
// isc_decode_sql_time and isc_decode_timestamp read them; the fraction of a
// second is kept here.
TDateTimeFields DecodeSqlDate(ISC_DATE value);
TDateTimeFields DecodeSqlTime(ISC_TIME value);
TDateTimeFields DecodeTimestamp(const ISC_TIMESTAMP& value);
ISC_DATE EncodeSqlDate(const TDateTimeFields& value);
ISC_TIME EncodeSqlTime(const TDateTimeFields& value);
ISC_TIMESTAMP EncodeTimestamp(const TDateTimeFields& value);
// The date and time of a SQL_TIMESTAMP, SQL_TYPE_DATE or SQL_TYPE_TIME
// column from its data buffer; false for any other type or a short length.
bool ReadSqlDateTime(int type, int length, const char* data, TDateTimeFields& value);

// Date-time serials: days since 30-12-1899, the fraction being the time of
// day; before that day the serial is negative and its time part counts
// towards the past (-1.25 is 29-12-1899 06:00). Spreadsheets store dates so.
double DateTimeToSerial(const TDateTimeFields& value);
// Rounded to the nearest 1/10000 second.
TDateTimeFields SerialToDateTime(double serial);

// Writes a date and time with a picture: "dd" day, "mm" month (minutes right
// after an hour), "yyyy" year with at least four digits ("yy" two digits),
// "hh" hour 00-23, "nn" minute, "ss" second; a single letter gives the number
// without a leading zero; ":" is `timeSeparator`; every other character is
// copied. Letters are matched without regard to case. The text stops
// before it would overflow the buffer.
size_t FormatDatePicture(std::string_view picture, const TDateTimeFields& value, char timeSeparator,
                         char* out, size_t capacity);

// A date in the order of the locale's ShortDateFormat (day, month and year
// as its letters d, m and y come) with its separator (the first character of
// it that is not a letter), e.g. "31-12-2006". A year of one or two digits
// lies within fifty years of `referenceYear` (0: the current year), as
// "06" is 2006. The other fields are left as they are.
bool ParseDate(std::string_view text, TDateTimeFields& value,
               const TcLocaleSettings& locale = TcLocaleSettings::Current(), int referenceYear = 0);
// A time "h:n", "h:n:s" or "h:n:s.f" with the locale's time and decimal
// separators, 24-hour; fractions beyond 1/10000 seconds are dropped. The
// date fields are left as they are.
bool ParseTime(std::string_view text, TDateTimeFields& value,
               const TcLocaleSettings& locale = TcLocaleSettings::Current());
// A date, a date and a time separated by blanks, or a time alone (on
// 30-12-1899), surrounding blanks ignored. On failure `value` is unchanged.
bool ParseDateTime(std::string_view text, TDateTimeFields& value,
                   const TcLocaleSettings& locale = TcLocaleSettings::Current(),
                   int referenceYear = 0);
