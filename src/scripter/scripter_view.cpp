#include "scripter/scripter_view.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "foundation/errors.h"
#include "foundation/locale_settings.h"
#include "mdo/value_format.h"
#include "scripter/output_sqlda.h"
#include "scripter/password_mask.h"
#include "scripter/scripter_ib.h"

namespace {

constexpr std::string_view kNullText = "<NULL>";

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
    if (ReadSqlNumber(type, var.sqlscale, var.sqllen, cell + 1, number)) return number;
    // A TIME decodes onto day 0 of the serials, leaving the fraction alone.
    if (ReadSqlDateTime(type, var.sqllen, cell + 1, value)) return DateTimeToSerial(value);
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
    const int length = var.sqllen;
    const int decimals = -var.sqlscale;
    const TcLocaleSettings& locale = TcLocaleSettings::Current();
    const char separator = locale.DecimalSeparator;
    // Integers are formatted from their exact value; the precision is the
    // digits before the decimal point that the display keeps in fixed form.
    auto scaled = [&](int64_t value, int precision) {
        return std::string_view(
            scratch, FormatScaled(value, decimals, precision, separator, scratch, kScratchSize));
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
            double value;
            if (!ReadSqlNumber(type, var.sqlscale, length, data, value)) return {};
            const size_t n =
                decimals > 0 ? FormatFixed(value, 15, decimals, separator, scratch, kScratchSize)
                             : FormatGeneral(value, 15, 0, separator, scratch);
            return std::string_view(scratch, n);
        }
        case SQL_FLOAT: {
            double value;
            if (!ReadSqlNumber(type, var.sqlscale, length, data, value)) return {};
            return std::string_view(
                scratch, FormatGeneral(value, length + decimals, decimals, separator, scratch));
        }
        case SQL_LONG:
            return scaled(ReadSqlData<int32_t>(data), 9);
        case SQL_SHORT:
            if (length < 2) return {};
            return scaled(ReadSqlData<int16_t>(data), 4);
        case SQL_INT64:
            if (length < 8) return {};
            return scaled(ReadSqlData<int64_t>(data), 9);
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
        const int type = SqlBaseType(var.sqltype);
        int width = std::max<int>(6, std::clamp<int>(var.aliasname_length, 0, 32));
        LeftAligned_[static_cast<size_t>(i)] = !IsSqlNumberType(type);
        if (rows > 0) {
            // Only VARYING and trimmed TEXT depend on the values; every other
            // type has one data width for all rows.
            const int extra = var.sqlscale < 0 ? 3 : 0;
            const int offset = buffer.ColumnOffset(i) + 1;
            int data = 0;
            switch (type) {
                case SQL_VARYING:
                    for (int r = 0; r < rows; ++r) {
                        const int size = ReadSqlData<uint16_t>(buffer.Row(r) + offset);
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
                case SQL_BOOLEAN:
                    // As a CHAR(5) holding TRUE or FALSE: trimmed or not, no
                    // value is wider than 5.
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
