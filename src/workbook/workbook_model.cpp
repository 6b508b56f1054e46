#include "workbook/workbook_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/string_utils.h"
#include "workbook/byte_buffer.h"
#include "workbook/formula_compiler.h"
#include "workbook/number_formats.h"
#include "workbook/workbook.h"

namespace {

void CheckCell(const TcWorkbook& owner, int column, int row) {
    if (column < 0 || column >= kMaxColumns || row < 0 || row >= owner.MaxRows())
        throw EWorkbookError(
            Format("Cell (column %d, row %d) lies outside the sheet.", column, row));
}

}  // namespace

TcSheet::TcSheet(TcWorkbook& owner, std::string name) : Name(std::move(name)), owner_(&owner) {}

TcCell& TcSheet::Place(int column, int row, int formatIndex) {
    CheckCell(*owner_, column, row);
    if (formatIndex < 0 || formatIndex >= owner_->Formats().Count())
        throw EWorkbookError(Format("Cell format %d does not exist.", formatIndex));
    if (static_cast<size_t>(row) >= rows_.size()) rows_.resize(row + 1);
    auto& cells = rows_[row];
    // A new row is most likely as wide as the one filled before it.
    if (cells.empty()) cells.reserve(lastRowWidth_);
    auto it = cells.end();
    if (!cells.empty() && cells.back().Column >= column)
        it = std::lower_bound(cells.begin(), cells.end(), column,
                              [](const TcCell& c, int col) { return c.Column < col; });
    if (it == cells.end() || it->Column != column) {
        it = cells.emplace(it);
        it->Column = static_cast<uint16_t>(column);
        ++cellCount_;
        lastRowWidth_ = cells.size();
    }
    TcCell& cell = *it;
    cell.FormatIndex = static_cast<uint16_t>(formatIndex);
    cell.Text.clear();
    cell.Number = 0;
    cell.Formula.reset();
    return cell;
}

void TcSheet::WriteTextCell(int column, int row, std::string_view text, int formatIndex) {
    TcCell& cell = Place(column, row, formatIndex);
    cell.Type = TCellType::Text;
    cell.Text.assign(text);
}

void TcSheet::WriteNumberCell(int column, int row, double value, int formatIndex) {
    // The file format has no NaN or infinity: readers show the raw bits as
    // some huge number or refuse the file. #NUM! is what a spreadsheet
    // computes for them.
    if (!std::isfinite(value)) {
        WriteErrorCell(column, row, kErrorNum, formatIndex);
        return;
    }
    TcCell& cell = Place(column, row, formatIndex);
    cell.Type = TCellType::Number;
    cell.Number = value;
}

void TcSheet::WriteBlankCell(int column, int row, int formatIndex) {
    Place(column, row, formatIndex).Type = TCellType::Blank;
}

void TcSheet::WriteBooleanCell(int column, int row, bool value, int formatIndex) {
    TcCell& cell = Place(column, row, formatIndex);
    cell.Type = TCellType::Boolean;
    cell.Number = value ? 1 : 0;
}

void TcSheet::WriteErrorCell(int column, int row, uint8_t code, int formatIndex) {
    TcCell& cell = Place(column, row, formatIndex);
    cell.Type = TCellType::Error;
    cell.Number = code;
}

void TcSheet::WriteFormulaCellRaw(int column, int row, std::string_view formula,
                                  std::string_view cachedResult, int formatIndex) {
    CheckCell(*owner_, column, row);
    TcFormula compiled;
    compiled.Text.assign(formula);
    const TcSheets& sheets = owner_->Sheets();
    compiled.Tokens = spreadsheet::CompileFormula(
        formula, [&sheets](std::string_view name) { return sheets.IndexOfName(name); },
        owner_->MaxRows());
    compiled.ResultType = TCellType::Text;
    compiled.ResultText.assign(cachedResult);
    WriteFormulaCell(column, row, std::move(compiled), formatIndex);
}

void TcSheet::WriteFormulaCell(int column, int row, TcFormula formula, int formatIndex) {
    TcCell& cell = Place(column, row, formatIndex);
    cell.Type = TCellType::Formula;
    cell.Formula = std::make_unique<TcFormula>(std::move(formula));
}

void TcSheet::SetRowHeight(int row, int height) {
    CheckCell(*owner_, 0, row);
    RowHeights[row] = std::clamp(height, 0, 0x7FFF);
}

int TcSheet::RowHeight(int row) const {
    auto it = RowHeights.find(row);
    return it == RowHeights.end() ? DefaultRowHeight : it->second;
}

void TcSheet::SetColumnWidth(int column, int width) {
    CheckCell(*owner_, column, 0);
    ColumnWidths[column] = std::clamp(width, 0, 0xFFFF);
}

namespace {

// Digits of the whole part of a non-negative number; 1 for less than 10.
size_t WholeDigits(double magnitude) {
    size_t digits = 1;
    for (double limit = 10; magnitude >= limit && digits < 309; limit *= 10) ++digits;
    return digits;
}

// The displayed length of a number in a format, in characters.
size_t NumberLength(double number, const TcCellFormat& format) {
    if (spreadsheet::IsDateFormat(format.NumberFormat)) return format.NumberFormat.size();
    if (format.NumberFormat.empty()) {
        char buffer[64];
        int n = std::snprintf(buffer, sizeof buffer, "%.10g", number);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    int decimals = 0;
    size_t dot = format.NumberFormat.find('.');
    if (dot != std::string::npos)
        while (dot + 1 + decimals < format.NumberFormat.size() &&
               format.NumberFormat[dot + 1 + decimals] == '0')
            ++decimals;
    // Fixed notation, counted rather than printed: a sheet of captured
    // numbers is measured at every close.
    const double magnitude = std::fabs(number);
    const double rounded =
        std::round(magnitude * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    const size_t whole = WholeDigits(rounded);
    size_t length = whole + (decimals > 0 ? 1 + static_cast<size_t>(decimals) : 0) +
                    (number < 0 && rounded > 0 ? 1 : 0);
    if (format.NumberFormat.find(',') != std::string::npos) length += (whole - 1) / 3;
    return length;
}

// A formula's value is known only once a spreadsheet computes it; its
// cached text is mostly a placeholder (" "). It is measured by what it will
// likely show: a date or time as its format, a number in a number format
// as wide as the format's own text, anything else at a typical width.
size_t FormulaLength(const TcFormula& formula, const TcCellFormat& format) {
    switch (formula.ResultType) {
        case TCellType::Number:
            return NumberLength(formula.ResultNumber, format);
        case TCellType::Boolean:
            return formula.ResultNumber != 0 ? 4 : 5;
        case TCellType::Error:
            return 7;
        default:
            break;
    }
    const size_t cached = spreadsheet::Utf8Length(TrimBlanks(formula.ResultText));
    const std::string_view picture = spreadsheet::FirstFormatSection(format.NumberFormat);
    size_t likely = kTypicalFormulaWidth;
    if (spreadsheet::IsDateFormat(picture))
        likely = picture.size();
    else if (!picture.empty() && picture != "@")
        likely = std::max(likely, picture.size());
    return std::max(cached, likely);
}

// The displayed length of a cell, in characters, as Excel would show it.
size_t DisplayLength(const TcCell& cell, const TcCellFormat& format) {
    switch (cell.Type) {
        case TCellType::Text:
            return spreadsheet::Utf8Length(cell.Text);
        case TCellType::Boolean:
            return cell.Number != 0 ? 4 : 5;
        case TCellType::Error:
            return 7;
        case TCellType::Formula:
            return cell.Formula ? FormulaLength(*cell.Formula, format) : 0;
        case TCellType::Number:
            return NumberLength(cell.Number, format);
        case TCellType::Blank:
            break;
    }
    return 0;
}

}  // namespace

void TcSheet::AutoFitColumn(int column) {
    CheckCell(*owner_, column, 0);
    const TcFormats& formats = owner_->Formats();
    double defaultSize = formats.Font().Size > 0 ? formats.Font().Size : 10;
    double widest = 0;
    bool any = false;
    for (const auto& cells : rows_) {
        // Rows filled from the left hold the column at its own place.
        auto it = static_cast<size_t>(column) < cells.size() &&
                          cells[static_cast<size_t>(column)].Column == column
                      ? cells.begin() + column
                      : std::lower_bound(cells.begin(), cells.end(), column,
                                         [](const TcCell& c, int col) { return c.Column < col; });
        if (it == cells.end() || it->Column != column) continue;
        const TcCellFormat& format = formats[it->FormatIndex];
        double scale = formats.Fonts(format.FontIndex).Size / defaultSize;
        if (formats.Fonts(format.FontIndex).Style & fsBold) scale *= 1.1;
        widest = std::max(widest, static_cast<double>(DisplayLength(*it, format)) * scale);
        any = true;
    }
    if (!any) return;
    // One character of margin, in 1/256 of a character; Excel caps at 255.
    ColumnWidths[column] = static_cast<int>(std::min(255.0, widest + 1) * 256);
}

const TcCell* TcSheet::Cell(int column, int row) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return nullptr;
    const auto& cells = rows_[row];
    auto it = std::lower_bound(cells.begin(), cells.end(), column,
                               [](const TcCell& c, int col) { return c.Column < col; });
    return it != cells.end() && it->Column == column ? &*it : nullptr;
}

const std::vector<TcCell>& TcSheet::RowCells(int row) const {
    static const std::vector<TcCell> none;
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return none;
    return rows_[row];
}

TcSheet& TcSheets::operator[](int index) {
    if (index < 0 || index >= Count())
        throw EWorkbookError(Format("Sheet index %d does not exist.", index));
    return *sheets_[index];
}

const TcSheet& TcSheets::operator[](int index) const {
    return const_cast<TcSheets&>(*this)[index];
}

int TcSheets::IndexOf(const TcSheet* sheet) const {
    for (int i = 0; i < Count(); ++i)
        if (sheets_[i].get() == sheet) return i;
    return -1;
}

int TcSheets::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(sheets_[i]->Name, name)) return i;
    return -1;
}

void TcSheets::CheckName(std::string_view name) {
    size_t length = spreadsheet::Utf8ToUtf16(name).size();
    if (length == 0 || length > 31 || name.find_first_of("[]:*?/\\") != std::string_view::npos)
        throw EWorkbookError("Sheet name '" + std::string(name) +
                             "' is not valid: it needs 1 to 31 characters and none of "
                             "[ ] : * ? / \\.");
}

TcSheet& TcSheets::Add(std::string name) {
    sheets_.push_back(std::make_unique<TcSheet>(owner_, std::move(name)));
    return *sheets_.back();
}

void TcSheets::TakeFrom(TcSheets& other) {
    sheets_ = std::move(other.sheets_);
    other.sheets_.clear();
    for (auto& sheet : sheets_) sheet->owner_ = &owner_;
}

TcCellFormat& TcFormats::operator[](int index) {
    if (index < 0 || index >= Count())
        throw EWorkbookError(Format("Cell format %d does not exist.", index));
    return formats_[index];
}

const TcCellFormat& TcFormats::operator[](int index) const {
    return const_cast<TcFormats&>(*this)[index];
}

int TcFormats::Add(std::string name) {
    if (formats_.size() >= 4000) throw EWorkbookError("Too many cell formats.");
    TcCellFormat format;
    format.Name = std::move(name);
    formats_.push_back(std::move(format));
    return Count() - 1;
}

TcFont& TcFormats::Fonts(int index) {
    if (index < 0 || index >= FontCount())
        throw EWorkbookError(Format("Font %d does not exist.", index));
    return fonts_[index];
}

const TcFont& TcFormats::Fonts(int index) const {
    return const_cast<TcFormats&>(*this).Fonts(index);
}

int TcFormats::AddFont(const TcFont& font) {
    // The file format numbers fonts in 16 bits and skips number 4.
    if (fonts_.size() >= 32000) throw EWorkbookError("Too many fonts.");
    fonts_.push_back(font);
    return FontCount() - 1;
}

void TcFormats::Clear() {
    fonts_.assign(1, TcFont{});
    formats_.clear();
    Palette.clear();
    Add("Normal");
}

static int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, double second) {
    // Days between 1970-01-01 and the base date 1899-12-30.
    const int64_t base = DaysFromCivil(1899, 12, 30);
    double days = static_cast<double>(DaysFromCivil(year, month, day) - base);
    return days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}
