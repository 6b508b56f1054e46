#include "scripter/scripter_view.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "foundation/errors.h"
#include "foundation/locale_settings.h"
#include "foundation/screen_cells.h"
#include "mdo/sql_column.h"
#include "mdo/value_format.h"
#include "scripter/output_sqlda.h"
#include "scripter/password_mask.h"
#include "scripter/scripter_ib.h"

namespace {

constexpr std::string_view kNullText = "<NULL>";

// A FLOAT has at most 9 significant digits; its integer part is written out
// up to that many.
constexpr int kFloatDigits = 9;

// Firebird's character set identifiers of UNICODE_FSS and UTF8.
constexpr int kUnicodeFss = 3;
constexpr int kUtf8 = 4;

bool IsUtf8CharacterSet(int id) {
    return id == kUnicodeFss || id == kUtf8;
}

// Without the trailing blanks and control characters.
std::string_view TrimTrailing(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

// Bytes a character of the set takes at most: the server pads a CHAR value
// of n characters to n times this many bytes.
size_t MaxCharacterBytes(int characterSet) {
    return characterSet == kUtf8 ? 4 : characterSet == kUnicodeFss ? 3 : 1;
}

// Characters of a UTF-8 text: the bytes that begin one.
size_t Utf8Characters(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
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
    const XSQLVAR& var = ColumnVar(column);
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

const XSQLVAR& TcDBScripter_IBView::ColumnVar(int column) const {
    if (column < 0 || column >= ColumnCount()) {
        RaiseDeveloperFmt("Column index %d out of range.", column);
    }
    return Buffer().Column(column);
}

int TcDBScripter_IBView::ColumnType(int column) const {
    return SqlBaseType(ColumnVar(column).sqltype);
}

int TcDBScripter_IBView::ColumnScale(int column) const {
    return ColumnVar(column).sqlscale;
}

int TcDBScripter_IBView::ColumnSubType(int column) const {
    return ColumnVar(column).sqlsubtype;
}

bool TcDBScripter_IBView::IsNumeric(int column) const {
    return IsSqlNumberType(ColumnType(column));
}

bool TcDBScripter_IBView::IsDateTime(int column) const {
    return IsSqlDateTimeType(ColumnType(column));
}

double TcDBScripter_IBView::NumberValue(int column) const {
    const XSQLVAR& var = ColumnVar(column);
    const char* cell = CurrentRow(column);
    const int type = SqlBaseType(var.sqltype);
    if (!IsSqlNumberType(type) && !IsSqlDateTimeType(type)) {
        RaiseDeveloperFmt("Column %d holds no number.", column);
    }
    if (cell[0] == 1) return 0;
    double number = 0;
    TDateTimeFields value;
    if (ReadSqlNumber(type, var.sqlscale, static_cast<int>(SqlLength(var)), cell + 1, number))
        return number;
    // A TIME decodes onto day 0 of the serials, leaving the fraction alone.
    if (ReadSqlDateTime(type, static_cast<int>(SqlLength(var)), cell + 1, value))
        return DateTimeToSerial(value);
    return 0;
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

std::string TcDBScripter_IBView::CellValueText(int column) const {
    char scratch[kScratchSize];
    const char* cell = CurrentRow(column);
    if (cell[0] == 1) return std::string();
    const std::string_view raw = CellText(column, cell, scratch);
    const std::string_view shown = ShownText(column, raw);
    const XSQLVAR& var = Buffer().Column(column);
    const size_t perCharacter = MaxCharacterBytes(var.sqlsubtype & 0xFF);
    if (scripter_.TrimCharFields || SqlBaseType(var.sqltype) != SQL_TEXT || perCharacter == 1)
        return std::string(shown);
    // The value's characters, then blanks up to the declared length: all
    // that follows the text without its trailing blanks is blanks.
    const std::string_view trimmed = TrimTrailing(raw);
    const size_t declared = SqlLength(var) / perCharacter;
    const size_t characters = Utf8Characters(trimmed);
    if (characters >= declared) return std::string(trimmed);
    return std::string(raw.substr(0, std::min(raw.size(), trimmed.size() + declared - characters)));
}

std::string_view TcDBScripter_IBView::ShownText(int column, std::string_view text) const {
    if (scripter_.TrimCharFields && SqlBaseType(Buffer().Column(column).sqltype) == SQL_TEXT)
        return TrimTrailing(text);
    return text;
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
    const int type = SqlBaseType(var.sqltype);
    const int length = static_cast<int>(SqlLength(var));
    const int decimals = -var.sqlscale;
    const TcLocaleSettings& locale = TcLocaleSettings::Current();
    const char separator = locale.DecimalSeparator;
    // NUMERIC and DECIMAL are exact: every digit of the scaled integer.
    auto scaled = [&](int64_t value) {
        return std::string_view(
            scratch, FormatScaled(value, decimals, kExactDigits, separator, scratch, kScratchSize));
    };
    auto picture = [&](const std::string& format) {
        TDateTimeFields value;
        if (!ReadSqlDateTime(type, length, data, value)) return std::string_view();
        return std::string_view(
            scratch, FormatDatePicture(format, value, locale.TimeSeparator, scratch, kScratchSize));
    };
    switch (type) {
        case SQL_VARYING: {
            const int size = std::clamp<int>(ReadSqlData<uint16_t>(data), 0, std::max(length, 0));
            return std::string_view(data + 2, static_cast<size_t>(size));
        }
        case SQL_TEXT: {
            const size_t size = static_cast<size_t>(std::max(length, 0));
            const void* zero = std::memchr(data, 0, size);
            return std::string_view(
                data, zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : size);
        }
        case SQL_DOUBLE: {
            // A scaled DOUBLE is a dialect-1 NUMERIC: its decimals. Else the
            // fewest digits that read back as the very value.
            double value;
            if (!ReadSqlNumber(type, var.sqlscale, length, data, value)) return {};
            const size_t n =
                decimals > 0 ? FormatFixed(value, 15, decimals, separator, scratch, kScratchSize)
                             : FormatShortest(value, false, 15, 0, separator, scratch);
            return std::string_view(scratch, n);
        }
        case SQL_FLOAT: {
            double value;
            if (!ReadSqlNumber(type, var.sqlscale, length, data, value)) return {};
            return std::string_view(scratch, FormatShortest(value, length == 4, kFloatDigits,
                                                            decimals, separator, scratch));
        }
        case SQL_LONG:
            return scaled(ReadSqlData<int32_t>(data));
        case SQL_SHORT:
            if (length < 2) return {};
            return scaled(ReadSqlData<int16_t>(data));
        case SQL_INT64:
            if (length < 8) return {};
            return scaled(ReadSqlData<int64_t>(data));
        case SQL_TIMESTAMP:
            return picture(scripter_.TimeDisplay ? scripter_.DateTimeFormat : scripter_.DateFormat);
        case SQL_TYPE_TIME:
            return picture(scripter_.TimeFormat);
        case SQL_TYPE_DATE:
            return picture(scripter_.DateFormat);
        case SQL_BOOLEAN:
            return BooleanText(data[0] != 0);
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
    // RDB$FIELD_TYPE holds the BLR type codes.
    switch (code) {
        case blr_short:
            type = scaled("Smallint", 4);
            break;
        case blr_long:
            type = scaled("Integer", 9);
            break;
        case blr_quad:
            type = "Quad";
            break;
        case blr_float:
            type = "Float";
            break;
        case blr_d_float:
            type = "Double float";
            break;
        case blr_sql_date:
            type = "Date";
            break;
        case blr_sql_time:
            type = "Time";
            break;
        case blr_text:
            type = "Char(" + length + ")";
            break;
        case blr_int64:
            type = scaled("Int64", 16);
            break;
        case blr_bool:
            type = "Boolean";
            break;
        case blr_double:
            type = scaled("Double", 15);
            break;
        case blr_timestamp:
            type = "Timestamp";
            break;
        case blr_varying:
            type = "Varchar(" + length + ")";
            break;
        case blr_cstring:
            type = "Cstring(" + length + ")";
            break;
        case blr_blob:
            type = subType == "1" ? "Memo" : "Blob";
            break;
        default:
            type = "Unknown";
            break;
    }
}

int TcDBScripter_IBView::ValueWidth(int column, int rows) const {
    const TcOutputSQLDA& buffer = Buffer();
    const XSQLVAR& var = buffer.Column(column);
    const int type = SqlBaseType(var.sqltype);
    const int offset = buffer.ColumnOffset(column);
    const int decimals = -var.sqlscale;
    size_t widest = 0;
    switch (type) {
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64: {
            // The longest text belongs to the largest or the smallest value.
            int64_t largest = 0;
            int64_t smallest = 0;
            for (int r = 0; r < rows; ++r) {
                const char* cell = buffer.Row(r) + offset;
                if (cell[0] == 1) continue;
                const int64_t value = type == SQL_SHORT  ? ReadSqlData<int16_t>(cell + 1)
                                      : type == SQL_LONG ? ReadSqlData<int32_t>(cell + 1)
                                                         : ReadSqlData<int64_t>(cell + 1);
                largest = std::max(largest, value);
                smallest = std::min(smallest, value);
            }
            widest =
                std::max(ScaledTextLength(largest, decimals), ScaledTextLength(smallest, decimals));
            break;
        }
        case SQL_FLOAT:
        case SQL_DOUBLE: {
            char scratch[kScratchSize];
            for (int r = 0; r < rows; ++r) {
                const char* cell = buffer.Row(r) + offset;
                if (cell[0] != 1) widest = std::max(widest, CellText(column, cell, scratch).size());
            }
            break;
        }
        case SQL_VARYING:
        case SQL_TEXT: {
            if (!Utf8_[static_cast<size_t>(column)]) return 0;
            char scratch[kScratchSize];
            for (int r = 0; r < rows; ++r) {
                const char* cell = buffer.Row(r) + offset;
                widest =
                    std::max(widest, Utf8Cells(ShownText(column, CellText(column, cell, scratch))));
            }
            break;
        }
        default:
            break;
    }
    return static_cast<int>(widest);
}

void TcDBScripter_IBView::ComputeWidths() {
    Widths_.clear();
    LeftAligned_.clear();
    Utf8_.clear();
    const TcOutputSQLDA& buffer = Buffer();
    if (!buffer.Descriptor()) return;

    const int columns = buffer.ColumnCount();
    const int rows = buffer.RowCount();
    Widths_.resize(static_cast<size_t>(columns));
    LeftAligned_.resize(static_cast<size_t>(columns));
    Utf8_.resize(static_cast<size_t>(columns));
    Utf8Names_ = NamesAreUtf8();
    for (int i = 0; i < columns; ++i) {
        const XSQLVAR& var = buffer.Column(i);
        const int type = SqlBaseType(var.sqltype);
        const std::string name = ColumnName(i);
        int width = std::max<int>(
            6, Utf8Names_ ? static_cast<int>(Utf8Cells(name)) : static_cast<int>(name.size()));
        LeftAligned_[static_cast<size_t>(i)] = !IsSqlNumberType(type);
        Utf8_[static_cast<size_t>(i)] =
            (type == SQL_TEXT || type == SQL_VARYING) && IsUtf8CharacterSet(var.sqlsubtype & 0xFF);
        if (rows > 0) {
            // Every type has a least data width; values that need more widen
            // the column, so that no value is cut.
            const int extra = var.sqlscale < 0 ? 3 : 0;
            const int offset = buffer.ColumnOffset(i) + 1;
            int data = 0;
            switch (type) {
                case SQL_VARYING:
                    if (Utf8_[static_cast<size_t>(i)]) break;
                    for (int r = 0; r < rows; ++r) {
                        const int size = ReadSqlData<uint16_t>(buffer.Row(r) + offset);
                        data = std::max(data, std::min(size, static_cast<int>(SqlLength(var))));
                    }
                    break;
                case SQL_TEXT:
                    if (Utf8_[static_cast<size_t>(i)]) break;
                    if (scripter_.TrimCharFields) {
                        // NULL cells are measured too, by what their buffer holds.
                        const size_t size = SqlLength(var);
                        for (int r = 0; r < rows; ++r) {
                            const char* text = buffer.Row(r) + offset;
                            const void* zero = std::memchr(text, 0, size);
                            const size_t n =
                                zero ? static_cast<size_t>(static_cast<const char*>(zero) - text)
                                     : size;
                            data = std::max(
                                data,
                                static_cast<int>(ShownText(i, std::string_view(text, n)).size()));
                        }
                    } else {
                        data = static_cast<int>(SqlLength(var));
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
                case SQL_BOOLEAN:
                    // As a CHAR(5) holding TRUE or FALSE: trimmed or not, no
                    // value is wider than 5.
                    data = 5;
                    break;
                default:
                    data = static_cast<int>(SqlLength(var));
                    break;
            }
            width = std::max({width, data + extra, ValueWidth(i, rows)});
        }
        Widths_[static_cast<size_t>(i)] = width;
    }
    First();
}

bool TcDBScripter_IBView::NamesAreUtf8() const {
    // The server sends names in the connection's character set; without one
    // (NONE) they come as stored, in UTF-8.
    const std::string& set = scripter_.CharacterSet;
    return set.empty() || SameText(set, "NONE") || SameText(set, "UTF8") ||
           SameText(set, "UNICODE_FSS");
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
        const size_t cells = Utf8Names_ ? Utf8Cells(name) : name.size();
        const size_t pad = cells < width ? width - cells : 0;
        if (!LeftAligned_[static_cast<size_t>(i)]) names.append(pad, ' ');
        names += name;
        if (LeftAligned_[static_cast<size_t>(i)]) names.append(pad, ' ');
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
    // The line is laid out in cells; a UTF-8 character of several bytes that
    // takes fewer cells lengthens it in bytes. What is not yet written is all
    // blanks, so it grows at its end.
    size_t at = line.size();
    line.append(static_cast<size_t>(LineLength()), ' ');
    char scratch[kScratchSize];
    const int columns = std::min<int>(buffer.ColumnCount(), static_cast<int>(Widths_.size()));
    for (int i = 0; i < columns; ++i) {
        const size_t width = static_cast<size_t>(Widths_[static_cast<size_t>(i)]);
        const char* cell = rowData + buffer.ColumnOffset(i);
        std::string_view text = cell[0] == 1 ? kNullText : CellText(i, cell, scratch);
        // Pad to the width, add the separating blank, keep width + 1 cells:
        // a text one longer than the width fills the blank, a longer one is
        // cut, never inside a character.
        size_t cells = text.size();
        if (Utf8_[static_cast<size_t>(i)] && cell[0] != 1) {
            cells = Utf8Cells(text);
            if (cells > width + 1) text = text.substr(0, Utf8Prefix(text, width + 1, cells));
            line.append(text.size() - cells, ' ');
        } else if (cells > width + 1) {
            text = text.substr(0, width + 1);
            cells = width + 1;
        }
        const size_t shift =
            (LeftAligned_[static_cast<size_t>(i)] || cells >= width) ? 0 : width - cells;
        std::memcpy(line.data() + at + shift, text.data(), text.size());
        at += width + 1 + (text.size() - cells);
    }
}

std::string TcDBScripter_IBView::RowLine() const {
    if (RowIndex_ < 0 || RowIndex_ >= Buffer().RowCount()) RaiseDeveloperFmt("No current row.");
    std::string line;
    AppendRowLine(line, RowIndex_);
    return line;
}

void TcDBScripter_IBView::BuildOutput(TStringList& lines) {
    lines.reserve(lines.size() + static_cast<size_t>(Buffer().RowCount()) + 16);
    WriteOutput([&lines](std::string_view line) { lines.emplace_back(line); });
}

void TcDBScripter_IBView::WriteOutput(const std::function<void(std::string_view line)>& sink) {
    First();
    ComputeWidths();
    // The few lines around the rows are split as every text is.
    TStringList texts;
    const auto text = [&texts, &sink](std::string_view value) {
        texts.clear();
        AddTextLines(texts, value);
        for (const std::string& line : texts) sink(line);
    };
    const bool internal = scripter_.IsInternal();
    if (!internal && scripter_.Echo && !scripter_.CurrentStatement.empty()) {
        text(HidePasswords(scripter_.CurrentStatement));
    }
    if (!internal && scripter_.PlanMode != TPlanMode::Off && !scripter_.PlanText.empty()) {
        text(scripter_.PlanText);
    }
    const int rows = Buffer().RowCount();
    if (rows > 0 && scripter_.ShowRecordHeader) text(HeaderLines());
    // One line buffer for all rows.
    std::string line;
    for (; !AtEnd(); Next()) {
        line.clear();
        AppendRowLine(line, RowIndex_);
        sink(line);
    }
    if (!scripter_.LastMessage.empty()) text(scripter_.LastMessage);
    if (!internal && !scripter_.StatisticsText.empty()) text(scripter_.StatisticsText);
}
