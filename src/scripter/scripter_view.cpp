#include "scripter/scripter_view.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "foundation/errors.h"
#include "foundation/locale_settings.h"
#include "mdo/client_library.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_ib.h"

namespace {

constexpr std::string_view kNullText = "<NULL>";

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

template <typename T>
T ReadLE(const char* data) {
    // The client fills the buffers in the host's order, which is little
    // endian on every platform this program builds for.
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

bool IsNumberType(int type) {
    return type == SQL_DOUBLE || type == SQL_FLOAT || type == SQL_LONG || type == SQL_SHORT ||
           type == SQL_INT64;
}

int CountDigits(uint64_t value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

// Shortest text with at most `precision` significant digits: fixed notation
// while the integer part fits the precision and the value is at least
// 0.00001, else a mantissa, "E", a minus sign for negative exponents only,
// and at least `minExponentDigits` exponent digits.
size_t FormatGeneral(double value, int precision, int minExponentDigits, char separator,
                     char* out) {
    if (std::isnan(value)) return std::strlen(std::strcpy(out, "NAN"));
    if (std::isinf(value)) return std::strlen(std::strcpy(out, value > 0 ? "INF" : "-INF"));
    if (value == 0) {
        out[0] = '0';
        return 1;
    }
    precision = std::clamp(precision, 1, 17);
    minExponentDigits = std::clamp(minExponentDigits, 0, 4);

    char sci[40];
    const auto res =
        std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, precision - 1);
    const char* p = sci;
    const bool negative = *p == '-';
    if (negative) ++p;
    char digits[20];
    int count = 0;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (*p != '.') digits[count++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exponent);
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
        const auto end = std::to_chars(exp, exp + sizeof exp, std::abs(exponent)).ptr;
        for (int i = static_cast<int>(end - exp); i < minExponentDigits; ++i) *o++ = '0';
        for (const char* e = exp; e < end; ++e) *o++ = *e;
    }
    return static_cast<size_t>(o - out);
}

// Exactly `decimals` digits after the separator; the general format with
// `precision` digits once the integer part has more digits than that.
size_t FormatFixedDouble(double value, int precision, int decimals, char separator, char* out,
                         size_t capacity) {
    if (std::isfinite(value) && std::fabs(value) < 1e17) {
        const auto res =
            std::to_chars(out, out + capacity, value, std::chars_format::fixed, decimals);
        if (res.ec == std::errc()) {
            const char* dot = std::find(out, res.ptr, '.');
            const int integerDigits = static_cast<int>(dot - out) - (out[0] == '-' ? 1 : 0);
            if (integerDigits <= precision) {
                if (dot != res.ptr) *const_cast<char*>(dot) = separator;
                return static_cast<size_t>(res.ptr - out);
            }
        }
    }
    return FormatGeneral(value, precision, 0, separator, out);
}

// A scaled integer: exact decimal digits rather than a detour through
// floating point, which cannot hold eighteen digits.
size_t FormatScaled(int64_t value, int decimals, int precision, char separator, char* out,
                    size_t capacity) {
    if (decimals <= 0)
        return static_cast<size_t>(std::to_chars(out, out + capacity, value).ptr - out);
    if (decimals > kMaxExactDecimals) {
        return FormatFixedDouble(static_cast<double>(value) / std::pow(10.0, decimals), precision,
                                 decimals, separator, out, capacity);
    }
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    const uint64_t scale = kPowersOfTen[decimals];
    const uint64_t integerPart = magnitude / scale;
    if (CountDigits(integerPart) > precision) {
        return FormatGeneral(static_cast<double>(value) / static_cast<double>(scale), precision, 0,
                             separator, out);
    }
    char* o = out;
    if (value < 0) *o++ = '-';
    o = std::to_chars(o, out + capacity, integerPart).ptr;
    *o++ = separator;
    uint64_t fraction = magnitude % scale;
    for (int i = decimals - 1; i >= 0; --i) {
        o[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return static_cast<size_t>(o + decimals - out);
}

// ASCII only: pictures are ASCII, and the locale-aware tolower costs a call
// per character of every date cell.
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

char* PutTwoDigits(char* o, int value) {
    value = std::abs(value) % 100;
    *o++ = static_cast<char>('0' + value / 10);
    *o++ = static_cast<char>('0' + value % 10);
    return o;
}

// Formats a decoded date and time with a picture: dd day, mm month (minutes
// right after an hour), yyyy year (yy two digits), hh hour 00-23, nn minute,
// ss second; ":" becomes the locale's time separator, anything else is
// copied. A single letter gives the number without a leading zero.
size_t FormatDateTime(const std::string& picture, const std::tm& t, char* out, size_t capacity) {
    const char timeSeparator = TcLocaleSettings::Current().TimeSeparator;
    char* o = out;
    char* const limit = out + capacity - 8;  // room for the longest single item
    bool afterHour = false;
    const size_t n = picture.size();
    for (size_t i = 0; i < n && o < limit;) {
        const char c = LowerAscii(picture[i]);
        size_t run = 1;
        while (i + run < n && LowerAscii(picture[i + run]) == c) ++run;
        int number = -1;
        switch (c) {
            case 'd':
                number = t.tm_mday;
                break;
            case 'm':
                number = afterHour ? t.tm_min : t.tm_mon + 1;
                afterHour = false;
                break;
            case 'y':
                // Dates go back to year 1, which still takes four digits.
                if (run > 2) o = PutTwoDigits(o, (t.tm_year + 1900) / 100);
                o = PutTwoDigits(o, t.tm_year + 1900);
                afterHour = false;
                i += run;
                continue;
            case 'h':
                number = t.tm_hour;
                afterHour = true;
                break;
            case 'n':
                number = t.tm_min;
                break;
            case 's':
                number = t.tm_sec;
                break;
            default:
                *o++ = c == ':' ? timeSeparator : picture[i];
                ++i;
                continue;
        }
        if (c != 'h' && c != ':' && c != 'm') afterHour = false;
        o = run >= 2 ? PutTwoDigits(o, number) : std::to_chars(o, limit + 8, number).ptr;
        i += run;
    }
    return static_cast<size_t>(o - out);
}

void RequireDecoder(const void* entryPoint) {
    if (!entryPoint) CheckClientLibraryLoaded();
}

}  // namespace

TcDBScripter_IBView::TcDBScripter_IBView(TcDBScripter_IB& scripter) : scripter_(scripter) {}

const TcOutputSQLDA& TcDBScripter_IBView::Buffer() const {
    return *scripter_.OutputSQLDA;
}

void TcDBScripter_IBView::Next() {
    if (!AtEnd()) ++RowIndex_;
}

bool TcDBScripter_IBView::AtEnd() const {
    return RowIndex_ >= Buffer().RowCount();
}

int TcDBScripter_IBView::ColumnCount() const {
    return Buffer().ColumnCount();
}

std::string TcDBScripter_IBView::ColumnName(int column) const {
    if (column < 0 || column >= ColumnCount()) {
        RaiseDeveloperFmt("Column index %d out of range.", column);
    }
    const XSQLVAR& var = Buffer().Column(column);
    const int length = std::clamp<int>(var.aliasname_length, 0, sizeof var.aliasname);
    return std::string(var.aliasname, static_cast<size_t>(length));
}

int TcDBScripter_IBView::FindColumn(std::string_view name) const {
    const int columns = ColumnCount();
    for (int i = 0; i < columns; ++i) {
        if (SameText(ColumnName(i), name)) return i;
    }
    return -1;
}

const char* TcDBScripter_IBView::CurrentRow(int column) const {
    const TcOutputSQLDA& buffer = Buffer();
    if (column < 0 || column >= buffer.ColumnCount()) {
        RaiseDeveloperFmt("Column index %d out of range.", column);
    }
    if (RowIndex_ < 0 || RowIndex_ >= buffer.RowCount()) RaiseDeveloperFmt("No current row.");
    return buffer.Row(RowIndex_) + buffer.ColumnOffset(column);
}

bool TcDBScripter_IBView::IsNull(int column) const {
    return CurrentRow(column)[0] == 1;
}

std::string TcDBScripter_IBView::ValueText(int column) const {
    char scratch[kScratchSize];
    return std::string(CellText(column, CurrentRow(column), scratch));
}

std::string TcDBScripter_IBView::ValueByName(std::string_view name) const {
    const int column = FindColumn(name);
    if (column < 0) RaiseDeveloperFmt("Field %s not found.", std::string(name).c_str());
    return ValueText(column);
}

std::string_view TcDBScripter_IBView::CellText(int column, const char* cell, char* scratch) const {
    if (cell[0] == 1) return {};
    const XSQLVAR& var = Buffer().Column(column);
    const char* data = cell + 1;
    const int length = var.sqllen;
    const int decimals = -var.sqlscale;
    const char separator = TcLocaleSettings::Current().DecimalSeparator;
    switch (var.sqltype & ~1) {
        case SQL_VARYING: {
            const int size = std::clamp<int>(ReadLE<uint16_t>(data), 0, std::max(length, 0));
            return std::string_view(data + 2, static_cast<size_t>(size));
        }
        case SQL_TEXT: {
            const size_t size = static_cast<size_t>(std::max(length, 0));
            const void* zero = std::memchr(data, 0, size);
            return std::string_view(
                data, zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : size);
        }
        case SQL_DOUBLE: {
            if (length < 8) return {};
            const double value = ReadLE<double>(data);
            const size_t n = decimals > 0 ? FormatFixedDouble(value, 15, decimals, separator,
                                                              scratch, kScratchSize)
                                          : FormatGeneral(value, 15, 0, separator, scratch);
            return std::string_view(scratch, n);
        }
        case SQL_FLOAT: {
            double value;
            if (length == 4) {
                value = ReadLE<float>(data);
            } else if (length == 8) {
                value = ReadLE<double>(data);
            } else {
                return {};
            }
            return std::string_view(
                scratch, FormatGeneral(value, length + decimals, decimals, separator, scratch));
        }
        case SQL_LONG:
            return std::string_view(scratch, FormatScaled(ReadLE<int32_t>(data), decimals, 9,
                                                          separator, scratch, kScratchSize));
        case SQL_SHORT:
            if (length < 2) return {};
            return std::string_view(scratch, FormatScaled(ReadLE<int16_t>(data), decimals, 4,
                                                          separator, scratch, kScratchSize));
        case SQL_INT64:
            if (length < 8) return {};
            return std::string_view(scratch, FormatScaled(ReadLE<int64_t>(data), decimals, 9,
                                                          separator, scratch, kScratchSize));
        case SQL_TIMESTAMP: {
            if (length < static_cast<int>(sizeof(ISC_TIMESTAMP))) return {};
            RequireDecoder(reinterpret_cast<const void*>(ClientApi.isc_decode_timestamp));
            const ISC_TIMESTAMP value = ReadLE<ISC_TIMESTAMP>(data);
            std::tm t{};
            ClientApi.isc_decode_timestamp(&value, &t);
            const std::string& picture =
                scripter_.TimeDisplay ? scripter_.DateTimeFormat : scripter_.DateFormat;
            return std::string_view(scratch, FormatDateTime(picture, t, scratch, kScratchSize));
        }
        case SQL_TYPE_TIME: {
            if (length < static_cast<int>(sizeof(ISC_TIME))) return {};
            RequireDecoder(reinterpret_cast<const void*>(ClientApi.isc_decode_sql_time));
            const ISC_TIME value = ReadLE<ISC_TIME>(data);
            std::tm t{};
            ClientApi.isc_decode_sql_time(&value, &t);
            return std::string_view(scratch,
                                    FormatDateTime(scripter_.TimeFormat, t, scratch, kScratchSize));
        }
        case SQL_TYPE_DATE: {
            if (length < static_cast<int>(sizeof(ISC_DATE))) return {};
            RequireDecoder(reinterpret_cast<const void*>(ClientApi.isc_decode_sql_date));
            const ISC_DATE value = ReadLE<ISC_DATE>(data);
            std::tm t{};
            ClientApi.isc_decode_sql_date(&value, &t);
            return std::string_view(scratch,
                                    FormatDateTime(scripter_.DateFormat, t, scratch, kScratchSize));
        }
        case SQL_BLOB:
            return "(blob)";
        case SQL_ARRAY:
            return "(array)";
        default:
            return {};
    }
}

void TcDBScripter_IBView::DescribeType(std::string& name, std::string& type, std::string& domain,
                                       std::string& notNull) const {
    const std::string fieldType = ValueByName("RDB$Field_Type");
    domain = ValueByName("RDB$Field_Source");
    const std::string length = ValueByName("RDB$Field_Length");
    notNull = ValueByName("RDB$Null_Flag") == "1" ? "NN" : "";
    name = ValueByName("RDB$Field_Name");
    const std::string subType = ValueByName("RDB$Field_Sub_Type");
    int scale = 0;
    TryStrToInt(ValueByName("RDB$Field_Scale"), scale);
    const int decimals = -scale;

    int code = -1;
    TryStrToInt(fieldType, code);
    // A scaled integer is a NUMERIC with the precision its storage allows.
    auto scaled = [decimals](const char* plain, int precision) {
        return decimals > 0 ? Format("Numeric(%d,%d)", precision, decimals) : std::string(plain);
    };
    switch (code) {
        case 7:
            type = scaled("Smallint", 4);
            break;
        case 8:
            type = scaled("Integer", 9);
            break;
        case 9:
            type = "Quad";
            break;
        case 10:
            type = "Float";
            break;
        case 11:
            type = "Double float";
            break;
        case 12:
            type = "Date";
            break;
        case 13:
            type = "Time";
            break;
        case 14:
            type = "Char(" + length + ")";
            break;
        case 16:
            type = scaled("Int64", 16);
            break;
        case 27:
            type = scaled("Double", 15);
            break;
        case 35:
            type = "Timestamp";
            break;
        case 37:
            type = "Varchar(" + length + ")";
            break;
        case 40:
            type = "Cstring(" + length + ")";
            break;
        case 261:
            type = subType == "1" ? "Memo" : "Blob";
            break;
        default:
            type = "Unknown";
            break;
    }
}

void TcDBScripter_IBView::ComputeWidths() {
    Widths_.clear();
    LeftAligned_.clear();
    const TcOutputSQLDA& buffer = Buffer();
    if (!buffer.Descriptor()) return;

    const int columns = buffer.ColumnCount();
    const int rows = buffer.RowCount();
    Widths_.resize(static_cast<size_t>(columns));
    LeftAligned_.resize(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        const XSQLVAR& var = buffer.Column(i);
        const int type = var.sqltype & ~1;
        int width = std::max<int>(6, std::clamp<int>(var.aliasname_length, 0, 32));
        LeftAligned_[static_cast<size_t>(i)] = !IsNumberType(type);
        if (rows > 0) {
            // Only VARYING and trimmed TEXT depend on the values; every other
            // type has one data width for all rows.
            const int extra = var.sqlscale < 0 ? 3 : 0;
            const int offset = buffer.ColumnOffset(i) + 1;
            int data = 0;
            switch (type) {
                case SQL_VARYING:
                    for (int r = 0; r < rows; ++r) {
                        const int size = ReadLE<uint16_t>(buffer.Row(r) + offset);
                        data = std::max(data, std::min(size, std::max<int>(var.sqllen, 0)));
                    }
                    break;
                case SQL_TEXT:
                    if (scripter_.TrimCharFields) {
                        const size_t size = static_cast<size_t>(std::max<int>(var.sqllen, 0));
                        for (int r = 0; r < rows; ++r) {
                            const char* text = buffer.Row(r) + offset;
                            const void* zero = std::memchr(text, 0, size);
                            size_t n =
                                zero ? static_cast<size_t>(static_cast<const char*>(zero) - text)
                                     : size;
                            while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
                            data = std::max(data, static_cast<int>(n));
                        }
                    } else {
                        data = var.sqllen;
                    }
                    break;
                case SQL_DOUBLE:
                case SQL_FLOAT:
                    data = 20;
                    break;
                case SQL_LONG:
                    data = 9;
                    break;
                case SQL_SHORT:
                    data = 4;
                    break;
                case SQL_INT64:
                    data = 14;
                    break;
                case SQL_TIMESTAMP:
                    data = static_cast<int>(scripter_.TimeDisplay ? scripter_.DateTimeFormat.size()
                                                                  : scripter_.DateFormat.size());
                    break;
                case SQL_TYPE_TIME:
                    data = static_cast<int>(scripter_.TimeFormat.size());
                    break;
                case SQL_TYPE_DATE:
                    data = static_cast<int>(scripter_.DateFormat.size());
                    break;
                case SQL_BLOB:
                    data = 5;
                    break;
                default:
                    data = var.sqllen;
                    break;
            }
            width = std::max(width, data + extra);
        }
        Widths_[static_cast<size_t>(i)] = width;
    }
    First();
}

std::string TcDBScripter_IBView::HeaderLines() const {
    std::string names;
    std::string underline;
    const int columns = std::min<int>(ColumnCount(), static_cast<int>(Widths_.size()));
    for (int i = 0; i < columns; ++i) {
        const size_t width = static_cast<size_t>(Widths_[static_cast<size_t>(i)]);
        if (i > 0) {
            names += ' ';
            underline += ' ';
        }
        const std::string name = ColumnName(i);
        names +=
            LeftAligned_[static_cast<size_t>(i)] ? PadRight(name, width) : PadLeft(name, width);
        underline.append(width, '=');
    }
    // The padding of a left-aligned last column would be a trailing blank.
    while (!names.empty() && names.back() == ' ') names.pop_back();
    return names + "\r\n" + underline;
}

int TcDBScripter_IBView::LineLength() const {
    int total = 0;
    for (int width : Widths_) total += width + 1;
    return total;
}

void TcDBScripter_IBView::AppendRowLine(std::string& line, int row) const {
    const TcOutputSQLDA& buffer = Buffer();
    const char* rowData = buffer.Row(row);
    const size_t start = line.size();
    line.append(static_cast<size_t>(LineLength()), ' ');
    char* out = line.data() + start;
    char scratch[kScratchSize];
    const int columns = std::min<int>(buffer.ColumnCount(), static_cast<int>(Widths_.size()));
    for (int i = 0; i < columns; ++i) {
        const size_t width = static_cast<size_t>(Widths_[static_cast<size_t>(i)]);
        const char* cell = rowData + buffer.ColumnOffset(i);
        const std::string_view text = cell[0] == 1 ? kNullText : CellText(i, cell, scratch);
        // Pad to the width, add the separating blank, keep width + 1 bytes:
        // a text one longer than the width fills the blank, a longer one is cut.
        const size_t shift = (LeftAligned_[static_cast<size_t>(i)] || text.size() >= width)
                                 ? 0
                                 : width - text.size();
        std::memcpy(out + shift, text.data(), std::min(text.size(), width + 1));
        out += width + 1;
    }
}

std::string TcDBScripter_IBView::RowLine() const {
    if (RowIndex_ < 0 || RowIndex_ >= Buffer().RowCount()) RaiseDeveloperFmt("No current row.");
    std::string line;
    AppendRowLine(line, RowIndex_);
    return line;
}

void TcDBScripter_IBView::BuildOutput(TStringList& lines) {
    First();
    ComputeWidths();
    const bool internal = scripter_.IsInternal();
    if (!internal && scripter_.Echo && !scripter_.CurrentStatement.empty()) {
        AddTextLines(lines, scripter_.CurrentStatement);
    }
    if (!internal && scripter_.PlanMode != TPlanMode::Off && !scripter_.PlanText.empty()) {
        AddTextLines(lines, scripter_.PlanText);
    }
    const int rows = Buffer().RowCount();
    if (rows > 0 && scripter_.ShowRecordHeader) AddTextLines(lines, HeaderLines());
    lines.reserve(lines.size() + static_cast<size_t>(rows) + 16);
    for (; !AtEnd(); Next()) {
        lines.emplace_back();
        AppendRowLine(lines.back(), RowIndex_);
    }
    if (!scripter_.LastMessage.empty()) AddTextLines(lines, scripter_.LastMessage);
    if (!internal && !scripter_.StatisticsText.empty()) {
        AddTextLines(lines, scripter_.StatisticsText);
    }
}
