// The capture: after each statement, while capture is on, its result goes
// into the current sheet at the cursor.
//
// Typed cells take the column's native value from the view (NumberValue),
// not its display text read back: the display text rounds a FLOAT to four
// digits and a DOUBLE to fifteen, shows a large NUMERIC(18,2) in scientific
// notation, drops the seconds of a timestamp (and with TIME DISPLAY off its
// whole time), and follows date pictures that SET commands may make
// unreadable to a date parser. The cell holds the value; its format shows it.

#include <algorithm>
#include <cstdio>

#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/string_utils.h"
#include "mdo/value_format.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_view.h"
#include "spreadsheet/scripter_ibxls.h"

namespace {

// 1 March 1900: from this day on every spreadsheet reads date serials alike.
constexpr double kFirstSharedSerial = 61;

// A date-time serial as ISO text: the date, and with `withTime` the time
// to the second and the fraction of a second when there is one.
std::string IsoDateText(double serial, bool withTime) {
    const TDateTimeFields value = SerialToDateTime(serial);
    char text[48];
    if (!withTime) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", value.Year, value.Month, value.Day);
        return text;
    }
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", value.Year, value.Month,
                  value.Day, value.Hour, value.Minute, value.Second);
    std::string result = text;
    if (value.Fraction != 0) {
        std::snprintf(text, sizeof text, ".%04d", value.Fraction);
        std::string fraction = text;
        while (fraction.back() == '0') fraction.pop_back();
        result += fraction;
    }
    return result;
}

}  // namespace

void TcDBScripter_IBXLS::NoteOnce(const std::string& note) {
    if (std::find(captureNotes_.begin(), captureNotes_.end(), note) == captureNotes_.end())
        captureNotes_.push_back(note);
}

std::string PrettyColumnName(const std::string& name) {
    std::string pretty = name;
    bool wordStart = true;
    for (char& c : pretty) {
        if (c == '_') c = ' ';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (wordStart && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        wordStart = c == ' ';
    }
    return pretty;
}

std::string ColumnLetters(int64_t column) {
    std::string letters;
    for (int64_t n = column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

void TcDBScripter_IBXLS::AfterStatement(const std::string& statement, bool& ok) {
    // The owner's display comes first; its error still reaches the engine,
    // but the capture does not depend on it.
    std::exception_ptr displayError;
    try {
        TcDBScripter_IB::AfterStatement(statement, ok);
    } catch (...) {
        displayError = std::current_exception();
    }
    if (SkipCapture) {
        SkipCapture = false;
    } else if (Capture && CurrentSheet != nullptr) {
        try {
            CaptureResult();
        } catch (const std::exception& error) {
            // A capture that fails stops there: the cells written so far
            // stay and the statement keeps its own outcome. The failure is
            // no failure of the statement: the user is told at once, after
            // the statement's output, and XLS CLOSE names it again with
            // whatever else the file written lacks.
            const std::string note =
                Format(Lang("The capture stopped at row %d of sheet %s: %s",
                            "Het vastleggen stopte bij rij %d van werkblad %s: %s"),
                       CursorRow + 1, CurrentSheet ? CurrentSheet->Name.c_str() : "", error.what());
            captureNotes_.push_back(note);
            if (OnStatementNote) {
                try {
                    OnStatementNote(this, note);
                } catch (...) {
                    if (!displayError) displayError = std::current_exception();
                }
            }
        }
    }
    if (displayError) std::rethrow_exception(displayError);
}

void TcDBScripter_IBXLS::CaptureResult() {
    // Every SQL statement leaves a result descriptor; a command leaves none.
    if (OutputSQLDA && OutputSQLDA->Descriptor() != nullptr) {
        CaptureRows();
        return;
    }
    TStringList lines;
    AddTextLines(lines, LastMessage);
    for (const std::string& line : lines) {
        Touch(CursorColumn);
        CurrentSheet->WriteTextCell(CellIndex(CursorColumn), CellIndex(CursorRow), line,
                                    CellFormats.Echo);
        AdvanceRow();
    }
}

void TcDBScripter_IBXLS::CaptureRows() {
    TcDBScripter_IBView& view = View();
    // Names the formats of this result's formula cells.
    formulaTag_ = std::to_string(std::uniform_int_distribution<int32_t>(0, 2147483646)(random_));
    view.First();
    const int columns = view.ColumnCount();
    // How each column's values become cells, decided once for the result.
    kinds_.clear();
    for (int i = 0; i < columns; ++i) kinds_.push_back(KindOf(i));
    for (int i = 0; i < columns; ++i) {
        Touch(int64_t{CursorColumn} + i);
        CurrentSheet->WriteTextCell(CellIndex(int64_t{CursorColumn} + i), CellIndex(CursorRow),
                                    PrettyColumnName(view.ColumnName(i)), CellFormats.QueryHeader);
    }
    AdvanceRow();
    while (!view.AtEnd()) {
        for (int i = 0; i < columns; ++i) CaptureCell(i, int64_t{CursorColumn} + i, CursorRow);
        AdvanceRow();
        view.Next();
        // The sheet ends after its last row (65,536 rows in Excel 97,
        // 1,048,576 in Office Open XML); a result that ends there has lost
        // nothing.
        if (CursorRow >= Workbook->MaxRows() && !view.AtEnd())
            RaiseUser("Maximum number of rows exceeded");
    }
}

TcDBScripter_IBXLS::TCellKind TcDBScripter_IBXLS::KindOf(int column) {
    TcDBScripter_IBView& view = View();
    const int type = view.ColumnType(column);
    if (view.IsNumeric(column)) {
        // A floating-point number keeps its decimals: the whole-number
        // format would show 0.25 as 0.
        if (view.ColumnScale(column) != 0) return {TCellKind::Number, CellFormats.QueryNumeric};
        if (type == SQL_FLOAT || type == SQL_DOUBLE)
            return {TCellKind::Number, CellFormats.QueryString};
        return {TCellKind::Number, CellFormats.QueryInt};
    }
    if (type == SQL_TIMESTAMP) return {TCellKind::Date, CellFormats.QueryDateTime};
    if (type == SQL_TYPE_DATE) return {TCellKind::Date, CellFormats.QueryDate};
    if (type == SQL_TYPE_TIME) return {TCellKind::Time, CellFormats.QueryTime};
    return {TCellKind::Text, CellFormats.QueryString};
}

void TcDBScripter_IBXLS::CaptureCell(int i, int64_t cellColumn, int64_t row) {
    TcDBScripter_IBView& view = View();
    TcSheet& sheet = *CurrentSheet;
    const int column = CellIndex(cellColumn);
    const int rowIndex = CellIndex(row);
    const TCellKind kind = kinds_[static_cast<size_t>(i)];
    Touch(cellColumn);
    if (view.IsNull(i)) {
        sheet.WriteTextCell(column, rowIndex, "", CellFormats.QueryString);
        return;
    }
    switch (kind.Kind) {
        case TCellKind::Number:
        case TCellKind::Time:
            sheet.WriteNumberCell(column, rowIndex, view.NumberValue(i), kind.Format);
            return;
        case TCellKind::Date: {
            const double serial = view.NumberValue(i);
            // Before 1 March 1900 (serial 61) spreadsheets disagree: Excel
            // counts a 29 February 1900 and so shows every earlier date a
            // day off, and before 1900 none shows a date at all. A workbook
            // of the 1904 date system holds no date before 1 January 1904.
            // Such a date is written as ISO text with its whole value (the
            // console's text drops the seconds), and XLS CLOSE says so.
            const bool date1904 = Workbook->Date1904;
            if (serial < (date1904 ? kDate1904Offset : kFirstSharedSerial)) {
                sheet.WriteTextCell(column, rowIndex,
                                    IsoDateText(serial, kind.Format != CellFormats.QueryDate),
                                    CellFormats.QueryString);
                NoteOnce(date1904
                             ? Lang("Dates before 1 January 1904 were written as text "
                                    "(year-month-day): the workbook counts dates from 1904.",
                                    "Datums voor 1 januari 1904 zijn als tekst (jaar-maand-dag) "
                                    "geschreven: het werkboek telt datums vanaf 1904.")
                             : Lang("Dates before 1 March 1900 were written as text "
                                    "(year-month-day), which spreadsheets do not read as dates.",
                                    "Datums voor 1 maart 1900 zijn als tekst (jaar-maand-dag) "
                                    "geschreven, die spreadsheets niet als datum lezen."));
            } else {
                sheet.WriteNumberCell(column, rowIndex,
                                      date1904 ? serial - kDate1904Offset : serial, kind.Format);
            }
            return;
        }
        case TCellKind::Text:
            break;
    }
    const std::string text = view.CellValueText(i);
    if (!text.empty() && text.compare(0, FormulaPrefix.size(), FormulaPrefix) == 0) {
        WriteFormulaCell(cellColumn, row, text.substr(FormulaPrefix.size()));
        return;
    }
    sheet.WriteTextCell(column, rowIndex, text, CellFormats.QueryString);
}

// A formula in double quotes carries a number format: "formula" gets the
// text format "@", and "formula";"format" (one separator character between
// the quoted parts) gets that format. %row% and %col% become the cell's own
// 1-based row and column numbers.
void TcDBScripter_IBXLS::WriteFormulaCell(int64_t column, int64_t row, const std::string& text) {
    TcSheet& sheet = *CurrentSheet;
    std::string formula = text;
    int format = CellFormats.QueryString;
    if (!text.empty() && text[0] == '"') {
        const int64_t length = static_cast<int64_t>(text.size());
        int64_t quote = 0;  // 1-based position of the quote before the number format
        for (int64_t pos = length - 2; pos >= 1; --pos)
            if (text[static_cast<size_t>(pos - 1)] == '"') {
                quote = pos;
                break;
            }
        std::string numberFormat;
        if (quote <= 1) {
            formula = length >= 2 ? text.substr(1, static_cast<size_t>(length - 2)) : "";
            numberFormat = "@";
        } else {
            formula = text.substr(1, static_cast<size_t>(std::max<int64_t>(quote - 4, 0)));
            numberFormat =
                text.substr(static_cast<size_t>(quote),
                            static_cast<size_t>(std::max<int64_t>(length - quote - 1, 0)));
        }
        format = FindOrAddCellFormat(Format("%s_%lld_%s", sheet.Name.c_str(),
                                            static_cast<long long>(column), formulaTag_.c_str()),
                                     "Arial", numberFormat, TVertAlignment::Center, 0, 10);
    }
    formula = ReplaceAllText(formula, "%row%", std::to_string(row + 1));
    formula = ReplaceAllText(formula, "%col%", std::to_string(column + 1));
    Touch(column);
    sheet.WriteFormulaCellRaw(CellIndex(column), CellIndex(row), formula, " ", format);
}
