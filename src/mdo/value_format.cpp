#include "mdo/value_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr uint64_t kPowersOfTen[] = {1ULL,
                                     10ULL,
                                     100ULL,
                                     1000ULL,
                                     10000ULL,
                                     100000ULL,
                                     1000000ULL,
                                     10000000ULL,
                                     100000000ULL,
                                     1000000000ULL,
                                     10000000000ULL,
                                     100000000000ULL,
                                     1000000000000ULL,
                                     10000000000000ULL,
                                     100000000000000ULL,
                                     1000000000000000ULL,
                                     10000000000000000ULL,
                                     100000000000000000ULL,
                                     1000000000000000000ULL};
constexpr int kMaxExactDecimals = 18;

constexpr int64_t kTicksPerDay = 86400LL * kFractionsPerSecond;
// Day numbers relative to 1-1-1970 of the server's day 0 (17-11-1858) and
// of the serials' day 0 (30-12-1899).
constexpr int64_t kServerEpoch = -40587;
constexpr int64_t kSerialEpoch = -25569;

int CountDigits(uint64_t value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// ASCII only: pictures are ASCII, and the locale-aware tolower costs a call
// per character of every date cell.
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool IsAsciiLetter(char c) {
    return LowerAscii(c) >= 'a' && LowerAscii(c) <= 'z';
}

// Blanks and control characters off both ends, as a plain trim does.
std::string_view TrimView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

char* PutTwoDigits(char* o, int value) {
    value = std::abs(value) % 100;
    *o++ = static_cast<char>('0' + value / 10);
    *o++ = static_cast<char>('0' + value % 10);
    return o;
}

// Days since 1-1-1970 of a proleptic Gregorian date, and back (H. Hinnant's
// algorithms, exact for every year).
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, TDateTimeFields& value) {
    days += 719468;  // now days since 1-3-0000
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    // Within an era every quantity is small and not negative: unsigned 32-bit
    // arithmetic, which rendering a column of dates feels.
    const uint32_t dayOfEra = static_cast<uint32_t>(days - era * 146097);
    const uint32_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const uint32_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    value.Day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    value.Month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    value.Year = static_cast<int>(yearOfEra + era * 400 + (value.Month <= 2 ? 1 : 0));
}

// A time of day in 1/10000 seconds (below 2^32, as the server's times are).
void SetTimeOfDay(uint32_t ticks, TDateTimeFields& value) {
    value.Hour = static_cast<int>(ticks / (3600U * kFractionsPerSecond));
    value.Minute = static_cast<int>(ticks / (60U * kFractionsPerSecond) % 60);
    value.Second = static_cast<int>(ticks / kFractionsPerSecond % 60);
    value.Fraction = static_cast<int>(ticks % kFractionsPerSecond);
}

int64_t TimeOfDayTicks(const TDateTimeFields& value) {
    return ((static_cast<int64_t>(value.Hour) * 60 + value.Minute) * 60 + value.Second) *
               kFractionsPerSecond +
           value.Fraction;
}

// The parts of a decimal number text: sign, integer and fraction digits and
// the exponent, saturated far beyond any representable value.
struct TDecimalText {
    bool Negative = false;
    std::string_view Integer;
    std::string_view Fraction;
    int Exponent = 0;
};

std::string_view TakeDigits(std::string_view text, size_t& pos) {
    const size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    return text.substr(start, pos - start);
}

bool ScanDecimal(std::string_view text, char separator, TDecimalText& number) {
    text = TrimView(text);
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        number.Negative = text[pos++] == '-';
    number.Integer = TakeDigits(text, pos);
    if (pos < text.size() && text[pos] == separator) {
        ++pos;
        number.Fraction = TakeDigits(text, pos);
    }
    if (number.Integer.empty() && number.Fraction.empty()) return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            negativeExponent = text[pos++] == '-';
        const std::string_view digits = TakeDigits(text, pos);
        if (digits.empty()) return false;
        int exponent = 0;
        for (char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 100000);
        number.Exponent = negativeExponent ? -exponent : exponent;
    }
    return pos == text.size();
}

// 1 to `maxDigits` digits at `pos`; false when there are none or too many.
bool TakeNumber(std::string_view text, size_t& pos, int maxDigits, int& value) {
    const std::string_view digits = TakeDigits(text, pos);
    if (digits.empty() || digits.size() > static_cast<size_t>(maxDigits)) return false;
    value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return true;
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace

bool IsSqlNumberType(int type) {
    return type == SQL_DOUBLE || type == SQL_FLOAT || type == SQL_LONG || type == SQL_SHORT ||
           type == SQL_INT64;
}

bool IsSqlDateTimeType(int type) {
    return type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME;
}

// ---- Numbers ---------------------------------------------------------------

namespace {

// Writes the significant digits of a scientific text from to_chars
// ("-d.ddde+xx") in the general layout: fixed notation while the exponent is
// below `precision` and at least -5, else a mantissa and "E".
size_t LayOutGeneral(const char* sci, const char* end, int precision, int minExponentDigits,
                     char separator, char* out) {
    const char* p = sci;
    const bool negative = *p == '-';
    if (negative) ++p;
    char digits[24];
    int count = 0;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.' && count < static_cast<int>(sizeof digits)) digits[count++] = *p;
    }
    int exponent = 0;
    if (p < end) std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    while (count > 1 && digits[count - 1] == '0') --count;

    char* o = out;
    if (negative) *o++ = '-';
    if (exponent < precision && exponent >= -5) {
        if (exponent >= 0) {
            for (int i = 0; i <= exponent; ++i) *o++ = i < count ? digits[i] : '0';
            if (count > exponent + 1) {
                *o++ = separator;
                for (int i = exponent + 1; i < count; ++i) *o++ = digits[i];
            }
        } else {
            *o++ = '0';
            *o++ = separator;
            for (int i = 0; i < -exponent - 1; ++i) *o++ = '0';
            for (int i = 0; i < count; ++i) *o++ = digits[i];
        }
    } else {
        *o++ = digits[0];
        if (count > 1) {
            *o++ = separator;
            for (int i = 1; i < count; ++i) *o++ = digits[i];
        }
        *o++ = 'E';
        if (exponent < 0) *o++ = '-';
        char exp[8];
        const auto expEnd = std::to_chars(exp, exp + sizeof exp, std::abs(exponent)).ptr;
        for (int i = static_cast<int>(expEnd - exp); i < minExponentDigits; ++i) *o++ = '0';
        for (const char* e = exp; e < expEnd; ++e) *o++ = *e;
    }
    return static_cast<size_t>(o - out);
}

// "NAN", "INF", "-INF" or "0" for the values without digits to lay out; 0
// for every other value.
size_t SpecialNumber(double value, char* out) {
    if (std::isnan(value)) return std::strlen(std::strcpy(out, "NAN"));
    if (std::isinf(value)) return std::strlen(std::strcpy(out, value > 0 ? "INF" : "-INF"));
    if (value == 0) {
        out[0] = '0';
        return 1;
    }
    return 0;
}

}  // namespace

size_t FormatGeneral(double value, int precision, int minExponentDigits, char separator,
                     char* out) {
    if (const size_t n = SpecialNumber(value, out)) return n;
    precision = std::clamp(precision, 1, 17);
    char sci[40];
    const auto res =
        std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, precision - 1);
    return LayOutGeneral(sci, res.ptr, precision, std::clamp(minExponentDigits, 0, 4), separator,
                         out);
}

size_t FormatShortest(double value, bool single, int precision, int minExponentDigits,
                      char separator, char* out) {
    if (const size_t n = SpecialNumber(value, out)) return n;
    char sci[40];
    const auto res =
        single ? std::to_chars(sci, sci + sizeof sci, static_cast<float>(value),
                               std::chars_format::scientific)
               : std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
    return LayOutGeneral(sci, res.ptr, std::clamp(precision, 1, 17),
                         std::clamp(minExponentDigits, 0, 4), separator, out);
}

size_t FormatFixed(double value, int precision, int decimals, char separator, char* out,
                   size_t capacity) {
    if (std::isfinite(value) && std::fabs(value) < 1e17) {
        const auto res =
            std::to_chars(out, out + capacity, value, std::chars_format::fixed, decimals);
        if (res.ec == std::errc()) {
            char* dot = std::find(out, res.ptr, '.');
            const int integerDigits = static_cast<int>(dot - out) - (out[0] == '-' ? 1 : 0);
            if (integerDigits <= precision) {
                if (dot != res.ptr) *dot = separator;
                return static_cast<size_t>(res.ptr - out);
            }
        }
    }
    return FormatGeneral(value, precision, 0, separator, out);
}

size_t FormatScaled(int64_t value, int decimals, int precision, char separator, char* out,
                    size_t capacity) {
    if (decimals <= 0)
        return static_cast<size_t>(std::to_chars(out, out + capacity, value).ptr - out);
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    // Beyond 10^18 no 64-bit value has an integer part.
    const uint64_t integerPart =
        decimals > kMaxExactDecimals ? 0 : magnitude / kPowersOfTen[decimals];
    if (CountDigits(integerPart) > precision) {
        return FormatGeneral(ScaledToDouble(value, -decimals), precision, 0, separator, out);
    }
    decimals = std::min<int>(decimals, static_cast<int>(capacity) - 22);
    char* o = out;
    if (value < 0) *o++ = '-';
    o = std::to_chars(o, out + capacity, integerPart).ptr;
    *o++ = separator;
    uint64_t fraction =
        decimals > kMaxExactDecimals ? magnitude : magnitude % kPowersOfTen[decimals];
    for (int i = decimals - 1; i >= 0; --i) {
        o[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return static_cast<size_t>(o + decimals - out);
}

size_t ScaledTextLength(int64_t value, int decimals) {
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    const size_t sign = value < 0 ? 1 : 0;
    if (decimals <= 0) return sign + static_cast<size_t>(CountDigits(magnitude));
    const uint64_t integerPart =
        decimals > kMaxExactDecimals ? 0 : magnitude / kPowersOfTen[decimals];
    return sign + static_cast<size_t>(CountDigits(integerPart)) + 1 + static_cast<size_t>(decimals);
}

double ScaledToDouble(int64_t value, int scale) {
    if (scale == 0) return static_cast<double>(value);
    const int shift = std::abs(scale);
    // Powers of ten up to 10^18 are exact doubles, so one rounding only.
    const double factor = shift <= kMaxExactDecimals ? static_cast<double>(kPowersOfTen[shift])
                                                     : std::pow(10.0, shift);
    return scale < 0 ? static_cast<double>(value) / factor : static_cast<double>(value) * factor;
}

bool ReadSqlNumber(int type, int scale, int length, const char* data, double& value) {
    switch (type) {
        case SQL_SHORT:
            if (length < 2) return false;
            value = ScaledToDouble(ReadSqlData<int16_t>(data), scale);
            return true;
        case SQL_LONG:
            // Always four bytes, whatever sqllen says (as the result buffer keeps it).
            value = ScaledToDouble(ReadSqlData<int32_t>(data), scale);
            return true;
        case SQL_INT64:
            if (length < 8) return false;
            value = ScaledToDouble(ReadSqlData<int64_t>(data), scale);
            return true;
        case SQL_FLOAT:
            if (length == 4) {
                value = ReadSqlData<float>(data);
            } else if (length == 8) {
                value = ReadSqlData<double>(data);
            } else {
                return false;
            }
            return true;
        case SQL_DOUBLE:
            // A scaled DOUBLE (a dialect-1 NUMERIC) holds the value itself;
            // its scale only says how many decimals to show.
            if (length < 8) return false;
            value = ReadSqlData<double>(data);
            return true;
        default:
            return false;
    }
}

bool ParseInteger(std::string_view text, int64_t& value) {
    text = TrimView(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::string_view digits = TakeDigits(text, pos);
    if (digits.empty() || pos != text.size()) return false;
    const uint64_t limit = negative ? 0x8000000000000000ULL : 0x7FFFFFFFFFFFFFFFULL;
    uint64_t magnitude = 0;
    for (char c : digits) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParseScaled(std::string_view text, int scale, char separator, int64_t& value) {
    TDecimalText number;
    if (!ScanDecimal(text, separator, number)) return false;
    const size_t integerDigits = number.Integer.size();
    const size_t allDigits = integerDigits + number.Fraction.size();
    auto digitAt = [&](int64_t i) -> uint64_t {
        if (i < 0 || static_cast<size_t>(i) >= allDigits) return 0;
        const size_t at = static_cast<size_t>(i);
        return static_cast<uint64_t>(
            (at < integerDigits ? number.Integer[at] : number.Fraction[at - integerDigits]) - '0');
    };
    bool allZero = true;
    for (size_t i = 0; i < allDigits && allZero; ++i)
        allZero = digitAt(static_cast<int64_t>(i)) == 0;
    if (allZero) {
        value = 0;
        return true;
    }
    // The stored integer is the digits before position `point` of the digit
    // string, the next digit deciding the rounding.
    const int64_t point = static_cast<int64_t>(integerDigits) + number.Exponent - scale;
    const uint64_t limit = number.Negative ? 0x8000000000000000ULL : 0x7FFFFFFFFFFFFFFFULL;
    uint64_t magnitude = 0;
    for (int64_t i = 0; i < point; ++i) {
        const uint64_t digit = digitAt(i);
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    if (point >= 0 && digitAt(point) >= 5) {
        if (magnitude == limit) return false;
        ++magnitude;
    }
    value = number.Negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParseFloat(std::string_view text, char separator, double& value) {
    TDecimalText number;
    if (!ScanDecimal(text, separator, number)) return false;
    std::string plain;
    plain.reserve(number.Integer.size() + number.Fraction.size() + 12);
    plain.append(number.Integer.empty() ? std::string_view("0") : number.Integer);
    plain += '.';
    plain.append(number.Fraction);
    plain += 'e';
    plain += std::to_string(number.Exponent);
    double parsed = 0;
    const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (res.ec != std::errc() || res.ptr != plain.data() + plain.size()) return false;
    value = number.Negative ? -parsed : parsed;
    return true;
}

// ---- Booleans --------------------------------------------------------------

std::string_view BooleanText(bool value) {
    return value ? "TRUE" : "FALSE";
}

// ---- Dates and times -------------------------------------------------------

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool IsValidDate(int year, int month, int day) {
    static constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    return day <= kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

TDateTimeFields DecodeSqlDate(ISC_DATE value) {
    TDateTimeFields fields;
    CivilFromDays(static_cast<int64_t>(value) + kServerEpoch, fields);
    return fields;
}

TDateTimeFields DecodeSqlTime(ISC_TIME value) {
    TDateTimeFields fields;
    SetTimeOfDay(value, fields);
    return fields;
}

TDateTimeFields DecodeTimestamp(const ISC_TIMESTAMP& value) {
    TDateTimeFields fields = DecodeSqlDate(value.timestamp_date);
    SetTimeOfDay(value.timestamp_time, fields);
    return fields;
}

ISC_DATE EncodeSqlDate(const TDateTimeFields& value) {
    return static_cast<ISC_DATE>(DaysFromCivil(value.Year, value.Month, value.Day) - kServerEpoch);
}

ISC_TIME EncodeSqlTime(const TDateTimeFields& value) {
    return static_cast<ISC_TIME>(TimeOfDayTicks(value));
}

ISC_TIMESTAMP EncodeTimestamp(const TDateTimeFields& value) {
    return ISC_TIMESTAMP{EncodeSqlDate(value), EncodeSqlTime(value)};
}

bool ReadSqlDateTime(int type, int length, const char* data, TDateTimeFields& value) {
    switch (type) {
        case SQL_TIMESTAMP:
            if (length < static_cast<int>(sizeof(ISC_TIMESTAMP))) return false;
            value = DecodeTimestamp(ReadSqlData<ISC_TIMESTAMP>(data));
            return true;
        case SQL_TYPE_DATE:
            if (length < static_cast<int>(sizeof(ISC_DATE))) return false;
            value = DecodeSqlDate(ReadSqlData<ISC_DATE>(data));
            return true;
        case SQL_TYPE_TIME:
            if (length < static_cast<int>(sizeof(ISC_TIME))) return false;
            value = DecodeSqlTime(ReadSqlData<ISC_TIME>(data));
            return true;
        default:
            return false;
    }
}

double DateTimeToSerial(const TDateTimeFields& value) {
    const double days =
        static_cast<double>(DaysFromCivil(value.Year, value.Month, value.Day) - kSerialEpoch);
    const double time =
        static_cast<double>(TimeOfDayTicks(value)) / static_cast<double>(kTicksPerDay);
    return days >= 0 ? days + time : days - time;
}

TDateTimeFields SerialToDateTime(double serial) {
    TDateTimeFields fields;
    // Far outside any calendar the server keeps: day 0.
    if (!std::isfinite(serial) || std::fabs(serial) > 1e9) return fields;
    const double whole = std::trunc(serial);
    int64_t days = static_cast<int64_t>(whole);
    int64_t ticks = std::llround(std::fabs(serial - whole) * static_cast<double>(kTicksPerDay));
    if (ticks >= kTicksPerDay) {
        ticks -= kTicksPerDay;
        days += serial < 0 ? -1 : 1;
    }
    CivilFromDays(days + kSerialEpoch, fields);
    SetTimeOfDay(static_cast<uint32_t>(ticks), fields);
    return fields;
}

size_t FormatDatePicture(std::string_view picture, const TDateTimeFields& value, char timeSeparator,
                         char* out, size_t capacity) {
    // Every picture item writes at most 12 bytes (a year of ten digits and
    // its sign); stop before one could overflow the buffer.
    constexpr size_t kItemBytes = 12;
    if (capacity < kItemBytes) return 0;
    char* o = out;
    char* const limit = out + capacity - kItemBytes;
    bool afterHour = false;
    const size_t n = picture.size();
    for (size_t i = 0; i < n && o <= limit;) {
        const char c = LowerAscii(picture[i]);
        size_t run = 1;
        while (i + run < n && LowerAscii(picture[i + run]) == c) ++run;
        int number = -1;
        switch (c) {
            case 'd':
                number = value.Day;
                break;
            case 'm':
                number = afterHour ? value.Minute : value.Month;
                break;
            case 'y':
                if (run > 2) {
                    // At least four digits: years before 1000 keep their
                    // leading zeros, years after 9999 their fifth digit.
                    if (value.Year < 0) *o++ = '-';
                    const unsigned year = static_cast<unsigned>(std::abs(value.Year));
                    for (unsigned p = 1000; p > 1 && year < p; p /= 10) *o++ = '0';
                    o = std::to_chars(o, limit + kItemBytes, year).ptr;
                } else {
                    o = PutTwoDigits(o, value.Year);
                }
                afterHour = false;
                i += run;
                continue;
            case 'h':
                number = value.Hour;
                break;
            case 'n':
                number = value.Minute;
                break;
            case 's':
                number = value.Second;
                break;
            default:
                *o++ = c == ':' ? timeSeparator : picture[i];
                ++i;
                continue;
        }
        afterHour = c == 'h';
        o = run >= 2 ? PutTwoDigits(o, number) : std::to_chars(o, limit + kItemBytes, number).ptr;
        i += run;
    }
    return static_cast<size_t>(o - out);
}

bool ParseDate(std::string_view text, TDateTimeFields& value, const TcLocaleSettings& locale,
               int referenceYear) {
    // The order of day, month and year and the separator, from the locale's
    // short date picture.
    char order[3];
    int found = 0;
    char separator = 0;
    for (char c : locale.ShortDateFormat) {
        const char lower = LowerAscii(c);
        if (lower == 'd' || lower == 'm' || lower == 'y') {
            if (std::find(order, order + found, lower) == order + found && found < 3)
                order[found++] = lower;
        } else if (separator == 0 && !IsAsciiLetter(c)) {
            separator = c;
        }
    }
    if (found != 3 || separator == 0) return false;

    text = TrimView(text);
    int parts[3];
    int yearDigits = 0;
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && (pos >= text.size() || text[pos++] != separator)) return false;
        const size_t start = pos;
        if (!TakeNumber(text, pos, order[i] == 'y' ? 4 : 2, parts[i])) return false;
        if (order[i] == 'y') yearDigits = static_cast<int>(pos - start);
    }
    if (pos != text.size()) return false;

    int year = 0, month = 0, day = 0;
    for (int i = 0; i < 3; ++i) {
        (order[i] == 'd' ? day : order[i] == 'm' ? month : year) = parts[i];
    }
    if (yearDigits <= 2) {
        // Within fifty years of the reference year, as "06" is 2006.
        const int pivot = (referenceYear > 0 ? referenceYear : CurrentYear()) - 50;
        year += pivot / 100 * 100;
        if (year < pivot) year += 100;
    }
    if (!IsValidDate(year, month, day)) return false;
    value.Year = year;
    value.Month = month;
    value.Day = day;
    return true;
}

bool ParseTime(std::string_view text, TDateTimeFields& value, const TcLocaleSettings& locale) {
    text = TrimView(text);
    size_t pos = 0;
    int hour = 0, minute = 0, second = 0, fraction = 0;
    if (!TakeNumber(text, pos, 2, hour)) return false;
    if (pos >= text.size() || text[pos++] != locale.TimeSeparator) return false;
    if (!TakeNumber(text, pos, 2, minute)) return false;
    if (pos < text.size()) {
        if (text[pos++] != locale.TimeSeparator || !TakeNumber(text, pos, 2, second)) return false;
        if (pos < text.size()) {
            if (text[pos++] != locale.DecimalSeparator) return false;
            const std::string_view digits = TakeDigits(text, pos);
            if (digits.empty() || pos != text.size()) return false;
            for (size_t i = 0; i < 4; ++i)
                fraction = fraction * 10 + (i < digits.size() ? digits[i] - '0' : 0);
        }
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    value.Hour = hour;
    value.Minute = minute;
    value.Second = second;
    value.Fraction = fraction;
    return true;
}

bool ParseDateTime(std::string_view text, TDateTimeFields& value, const TcLocaleSettings& locale,
                   int referenceYear) {
    text = TrimView(text);
    TDateTimeFields parsed;
    size_t blank = 0;
    while (blank < text.size() && static_cast<unsigned char>(text[blank]) > ' ') ++blank;
    if (blank < text.size()) {
        if (!ParseDate(text.substr(0, blank), parsed, locale, referenceYear) ||
            !ParseTime(text.substr(blank), parsed, locale)) {
            return false;
        }
    } else if (!ParseDate(text, parsed, locale, referenceYear) &&
               !ParseTime(text, parsed, locale)) {
        return false;
    }
    value = parsed;
    return true;
}
