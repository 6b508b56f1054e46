#include "workbook/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "workbook/byte_buffer.h"
#include "workbook/workbook.h"

namespace spreadsheet {

namespace {

// The texts of the error values, by the file format's code.
const char* ErrorText(uint8_t code) {
    switch (code) {
        case 0x00:
            return "#NULL!";
        case 0x07:
            return "#DIV/0!";
        case 0x0F:
            return "#VALUE!";
        case 0x17:
            return "#REF!";
        case 0x1D:
            return "#NAME?";
        case 0x24:
            return "#NUM!";
        default:
            return "#N/A";
    }
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$';
}

// Owns the libxlsxwriter workbook while it is built; closing writes it.
class TcOpenXmlWriter {
  public:
    TcOpenXmlWriter(const TcWorkbook& book, const std::string& path, const std::string& name)
        : book_(book), name_(name) {
        lxw_workbook_options options{};
        // Rows go to the file as they are written: the model already holds
        // every cell, libxlsxwriter need not hold them a second time.
        options.constant_memory = LXW_TRUE;
        options.use_zip64 = LXW_TRUE;
        workbook_ = workbook_new_opt(path.c_str(), &options);
        if (workbook_ == nullptr) Raise(LXW_ERROR_CREATING_XLSX_FILE);
    }
    ~TcOpenXmlWriter() {
        // Not closed: the file is abandoned (its caller removes it), but the
        // library's memory and temporary files are freed by closing.
        if (workbook_ != nullptr) workbook_close(workbook_);
    }
    TcOpenXmlWriter(const TcOpenXmlWriter&) = delete;
    TcOpenXmlWriter& operator=(const TcOpenXmlWriter&) = delete;

    void Write() {
        const TcSheets& sheets = book_.Sheets();
        for (int i = 0; i < sheets.Count(); ++i) WriteSheet(sheets[i]);
        lxw_workbook* workbook = workbook_;
        workbook_ = nullptr;
        errno = 0;
        Check(workbook_close(workbook));
    }

  private:
    [[noreturn]] void Raise(lxw_error error) const {
        std::string reason = lxw_strerror(error);
        // The reason below the library's words, such as a full disk.
        if (errno != 0) reason += " (" + std::string(std::strerror(errno)) + ")";
        throw EWorkbookError("Cannot write '" + name_ + "': " + reason + ".");
    }
    void Check(lxw_error error) const {
        if (error != LXW_NO_ERROR) Raise(error);
    }

    lxw_format* CellFormat(int index) {
        auto found = formats_.find(index);
        if (found != formats_.end()) return found->second;
        const TcFormats& formats = book_.Formats();
        const TcCellFormat& model = formats[index];
        const TcFont& font = formats.Fonts(model.FontIndex);
        lxw_format* format = workbook_add_format(workbook_);
        format_set_font_name(format, font.Name.c_str());
        format_set_font_size(format, font.Size);
        if (font.Style & fsBold) format_set_bold(format);
        if (font.Style & fsItalic) format_set_italic(format);
        if (font.Style & fsStrikeOut) format_set_font_strikeout(format);
        if (font.Underline != 0)
            format_set_underline(format,
                                 font.Underline == 2 ? LXW_UNDERLINE_DOUBLE : LXW_UNDERLINE_SINGLE);
        switch (model.VertAlignment) {
            case TVertAlignment::Top:
                format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
                break;
            case TVertAlignment::Center:
                format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
                break;
            case TVertAlignment::Justify:
                format_set_align(format, LXW_ALIGN_VERTICAL_JUSTIFY);
                break;
            case TVertAlignment::Bottom:
                break;
        }
        if (!model.NumberFormat.empty()) format_set_num_format(format, model.NumberFormat.c_str());
        formats_.emplace(index, format);
        return format;
    }

    void WriteSheet(const TcSheet& sheet) {
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook_, sheet.Name.c_str());
        if (worksheet == nullptr)
            throw EWorkbookError("Cannot write '" + name_ + "': the sheet name '" + sheet.Name +
                                 "' is refused.");
        if (sheet.Visibility != TSheetVisibility::Visible) worksheet_hide(worksheet);
        worksheet_set_default_row(worksheet, sheet.DefaultRowHeight / 20.0, LXW_FALSE);
        // Column widths first: in constant-memory mode the rows follow.
        for (const auto& [column, width] : sheet.ColumnWidths)
            Check(worksheet_set_column(worksheet, static_cast<lxw_col_t>(column),
                                       static_cast<lxw_col_t>(column), width / 256.0, nullptr));
        const int lastHeight = sheet.RowHeights.empty() ? -1 : sheet.RowHeights.rbegin()->first;
        const int rows = std::max(sheet.RowCount(), lastHeight + 1);
        for (int row = 0; row < rows; ++row) {
            const auto height = sheet.RowHeights.find(row);
            if (height != sheet.RowHeights.end())
                Check(worksheet_set_row(worksheet, static_cast<lxw_row_t>(row),
                                        height->second / 20.0, nullptr));
            if (row < sheet.RowCount())
                for (const TcCell& cell : sheet.RowCells(row)) WriteCell(worksheet, row, cell);
        }
    }

    void WriteCell(lxw_worksheet* worksheet, int rowIndex, const TcCell& cell) {
        const auto row = static_cast<lxw_row_t>(rowIndex);
        const auto column = static_cast<lxw_col_t>(cell.Column);
        lxw_format* format = CellFormat(cell.FormatIndex);
        switch (cell.Type) {
            case TCellType::Blank:
                Check(worksheet_write_blank(worksheet, row, column, format));
                return;
            case TCellType::Text: {
                // Cut where the Excel 97 writer cuts (CutTexts reports it).
                // A UTF-16 unit takes at least one byte of UTF-8.
                std::string cut;
                if (cell.Text.size() > kMaxCellTextUnits) {
                    const std::u16string units = Utf8ToUtf16(cell.Text);
                    if (units.size() > kMaxCellTextUnits)
                        cut = Utf16ToUtf8(std::u16string_view(units).substr(
                            0, Utf16CutPoint(units, kMaxCellTextUnits)));
                }
                const std::string& text = cut.empty() ? cell.Text : cut;
                if (text.empty())
                    Check(worksheet_write_blank(worksheet, row, column, format));
                else
                    Check(worksheet_write_string(worksheet, row, column, text.c_str(), format));
                return;
            }
            case TCellType::Number:
                Check(worksheet_write_number(worksheet, row, column, cell.Number, format));
                return;
            case TCellType::Boolean:
                Check(worksheet_write_boolean(worksheet, row, column, cell.Number != 0, format));
                return;
            case TCellType::Error: {
                const std::string formula =
                    std::string("=") + ErrorText(static_cast<uint8_t>(cell.Number));
                Check(worksheet_write_formula_str(worksheet, row, column, formula.c_str(), format,
                                                  ErrorText(static_cast<uint8_t>(cell.Number))));
                return;
            }
            case TCellType::Formula:
                WriteFormula(worksheet, row, column, *cell.Formula, format);
                return;
        }
    }

    void WriteFormula(lxw_worksheet* worksheet, lxw_row_t row, lxw_col_t column,
                      const TcFormula& formula, lxw_format* format) {
        const std::string text = OpenXmlFormulaText(formula.Text);
        if (formula.ResultType == TCellType::Number)
            Check(worksheet_write_formula_num(worksheet, row, column, text.c_str(), format,
                                              formula.ResultNumber));
        else
            Check(worksheet_write_formula_str(worksheet, row, column, text.c_str(), format,
                                              formula.ResultText.c_str()));
    }

    const TcWorkbook& book_;
    const std::string& name_;
    lxw_workbook* workbook_ = nullptr;
    std::map<int, lxw_format*> formats_;
};

}  // namespace

std::string OpenXmlFormulaText(const std::string& formula) {
    std::string text;
    text.reserve(formula.size());
    size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (c == '"' || c == '\'') {
            // A string or a quoted sheet name, with its doubled quotes.
            size_t end = i + 1;
            while (end < formula.size()) {
                if (formula[end] == c) {
                    if (end + 1 < formula.size() && formula[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            end = std::min(end + 1, formula.size());
            text.append(formula, i, end - i);
            i = end;
        } else if (IsNameChar(c)) {
            size_t end = i;
            while (end < formula.size() && IsNameChar(formula[end])) ++end;
            std::string word = formula.substr(i, end - i);
            // An unquoted sheet name keeps its case.
            if (end >= formula.size() || formula[end] != '!')
                for (char& ch : word)
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            text += word;
            i = end;
        } else {
            text += c;
            ++i;
        }
    }
    return text;
}

void WriteOpenXmlWorkbook(const TcWorkbook& book, const std::string& path,
                          const std::string& name) {
    TcOpenXmlWriter(book, path, name).Write();
}

}  // namespace spreadsheet
