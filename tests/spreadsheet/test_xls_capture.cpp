// The capture of query results from an embedded database into typed cells,
// checked in the engine's workbook and in the written file with our reader,
// FreeXL and xlrd.

#include <freexl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scripter/scripter_view.h"
#include "support/expect_error.h"
#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* const kOrders =
    "CREATE TABLE ORDERS (ORDER_ID INTEGER NOT NULL, CUSTOMER_NAME VARCHAR(40), "
    "TOTAL NUMERIC(15,2), RATE DOUBLE PRECISION, ORDERED DATE, AT_TIME TIME, STAMP TIMESTAMP, "
    "BIG BIGINT, NOTE VARCHAR(60), SMALL_SCALED NUMERIC(4,1));"
    "INSERT INTO ORDERS VALUES (1, 'Anna', 1234.50, 0.25, '2024-02-29', '13:45:30', "
    "'2024-02-29 13:45:30.5', 123456789012, '==SUM(C2:C%row%)', 12.3);"
    "INSERT INTO ORDERS (ORDER_ID) VALUES (2);"
    "INSERT INTO ORDERS VALUES (3, 'Gr\xC3\xBC\xC3\x9F"
    "e \xE2\x82\xAC', -0.5, 1e300, "
    "'1850-06-01', '00:00:01', '1900-01-01 06:00:00', -42, '==\"C%ROW%*%col%\";\"0.000\"', "
    "-0.1);"
    "COMMIT;";

// The query's cells as every reader must see them: column, row (0-based),
// what xlrd shows (type, value, number format, weight).
struct ExpectedCell {
    int Column, Row;
    const char* Type;
    const char* Value;
    const char* NumberFormat;
    const char* Weight;
};

const ExpectedCell kCells[] = {
    {0, 0, "text", "Order Id", "General", "bold"},
    {1, 0, "text", "Customer Name", "General", "bold"},
    {9, 0, "text", "Small Scaled", "General", "bold"},
    {0, 1, "number", "1.0", "0", "regular"},
    {1, 1, "text", "Anna", "General", "regular"},
    {2, 1, "number", "1234.5", "#,##0.00", "regular"},
    {3, 1, "number", "0.25", "General", "regular"},  // a DOUBLE keeps its decimals
    {4, 1, "date", "2024-02-29 00:00:00", "dd/mm/yyyy", "regular"},
    {5, 1, "date", "1899-12-31 13:45:30", "hh:mm:ss", "regular"},
    {6, 1, "date", "2024-02-29 13:45:30", "dd/mm/yyyy hh:mm:ss", "regular"},
    {7, 1, "number", "123456789012.0", "0", "regular"},
    {8, 1, "text", " ", "General", "regular"},  // a formula: its cached placeholder
    {9, 1, "number", "12.3", "#,##0.00", "regular"},
    {0, 2, "number", "2.0", "0", "regular"},
    {1, 2, "blank", "", "General", "regular"},  // NULL
    {2, 2, "blank", "", "General", "regular"},
    {4, 2, "blank", "", "General", "regular"},
    {1, 3, "text",
     "Gr\xC3\xBC\xC3\x9F"
     "e \xE2\x82\xAC",
     "General", "regular"},
    {3, 3, "number", "1e+300", "General", "regular"},
    {4, 3, "text", "1850-06-01", "General", "regular"},  // no spreadsheet date
    {5, 3, "date", "1899-12-31 00:00:01", "hh:mm:ss", "regular"},
    {6, 3, "text", "1900-01-01 06:00:00", "General", "regular"},
    {7, 3, "number", "-42.0", "0", "regular"},
    {8, 3, "text", " ", "0.000", "regular"},
    {9, 3, "number", "-0.1", "#,##0.00", "regular"},
    {0, 5, "text", "Done.", "General", "regular"},  // SET ECHO OFF, after the INSERT's row
};

class Capture : public DatabaseEngine {
  protected:
    void SetUp() override {
        DatabaseEngine::SetUp();
        Run(kOrders);
        file = File("capture.xls");
        Run("XLS CREATE '" + file +
            "';"
            "SELECT * FROM ORDERS ORDER BY ORDER_ID;"
            "INSERT INTO ORDERS (ORDER_ID) VALUES (4);"
            "SET ECHO OFF;");
    }
    std::string file;
};

TEST_F(Capture, TheCursorEndsAfterTheResultInItsColumn) {
    EXPECT_EQ(engine->CursorRow, 6);  // header, 3 rows, the INSERT's empty row, "Done."
    EXPECT_EQ(engine->CursorColumn, 0);
    Run("XLS COLUMN 3; SELECT ORDER_ID FROM ORDERS WHERE ORDER_ID < 3;");
    EXPECT_EQ(TextAt(0, 2, 6), "Order Id");
    EXPECT_EQ(engine->CurrentSheet->Cell(2, 8)->Number, 2);
    EXPECT_EQ(engine->CursorRow, 9);
    EXPECT_EQ(engine->CursorColumn, 2);
}

TEST_F(Capture, CellsCarryTheNativeValuesAndTheirFormats) {
    const TcSheet& sheet = *engine->CurrentSheet;
    const TcCell* stamp = sheet.Cell(6, 1);
    ASSERT_EQ(stamp->Type, TCellType::Number);
    // Seconds and their fraction, which the console's display text drops.
    EXPECT_NEAR(stamp->Number, EncodeDateTime(2024, 2, 29, 13, 45, 30.5), 1e-9);
    const auto& formats = engine->CellFormats;
    const std::pair<int, int> cellsAndFormats[][2] = {
        {{6, 1}, {formats.QueryDateTime, 0}}, {{2, 1}, {formats.QueryNumeric, 0}},
        {{0, 1}, {formats.QueryInt, 0}},      {{4, 1}, {formats.QueryDate, 0}},
        {{5, 1}, {formats.QueryTime, 0}},     {{0, 0}, {formats.QueryHeader, 0}},
        {{1, 1}, {formats.QueryString, 0}},   {{3, 1}, {formats.QueryString, 0}},
        {{9, 1}, {formats.QueryNumeric, 0}},  {{4, 3}, {formats.QueryString, 0}},
        {{0, 5}, {formats.Echo, 0}},
    };
    for (const auto& [at, format] : cellsAndFormats)
        EXPECT_EQ(sheet.Cell(at.first, at.second)->FormatIndex, format.first)
            << "column " << at.first << " row " << at.second;
    EXPECT_EQ(sheet.Cell(3, 3)->Number, 1e300);
    EXPECT_EQ(sheet.Cell(1, 2)->Type, TCellType::Text);  // NULL: an empty text cell
    EXPECT_EQ(sheet.Cell(1, 2)->Text, "");
    EXPECT_EQ(sheet.RowCells(4).size(), 0u);  // the INSERT wrote nothing

    const TcCell* sum = sheet.Cell(8, 1);
    ASSERT_EQ(sum->Type, TCellType::Formula);
    EXPECT_EQ(sum->Formula->Text, "SUM(C2:C2)");  // %row%: the cell's own row
    EXPECT_EQ(sum->FormatIndex, formats.QueryString);
    const TcCell* quoted = sheet.Cell(8, 3);
    ASSERT_EQ(quoted->Type, TCellType::Formula);
    EXPECT_EQ(quoted->Formula->Text, "C4*9");  // %ROW% and %col% without regard to case
    const TcCellFormat& format = engine->Workbook->Formats()[quoted->FormatIndex];
    EXPECT_EQ(format.NumberFormat, "0.000");
    EXPECT_THAT(format.Name, ::testing::StartsWith("Sheet 1_8_"));
}

TEST_F(Capture, TheWrittenFileReadsTheSameInEveryReader) {
    Run("XLS CLOSE;");
    TcXlrdDump xlrd = ReadWithXlrd(file);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    EXPECT_THAT(xlrd.With("sheet\t"), ElementsAre("sheet\t0\tSheet 1\tvisible"));
    TcFreeXL freexl(file);
    freexl.Select(0);
    TcWorkbook own;
    own.Filename = file;
    own.ReadWorkbook();
    for (const ExpectedCell& c : kCells) {
        const std::string address = ColumnLetters(c.Column) + std::to_string(c.Row + 1);
        SCOPED_TRACE(address);
        EXPECT_THAT(xlrd.Cell("Sheet 1!" + address),
                    ElementsAre(c.Type, c.Value, c.NumberFormat, c.Weight, "10"));
        const TcCell* cell = own.Sheets()[0].Cell(c.Column, c.Row);
        ASSERT_NE(cell, nullptr);
        const TcCell* mine = engine->Workbook->Sheets()[0].Cell(c.Column, c.Row);
        if (mine->Type == TCellType::Formula) {
            EXPECT_EQ(cell->Type, TCellType::Formula);
            EXPECT_EQ(cell->Formula->Tokens, mine->Formula->Tokens);
            continue;  // FreeXL reads no formula cells
        }
        EXPECT_EQ(cell->Number, mine->Number);
        EXPECT_EQ(cell->Text, mine->Text);
        TcFreeXLCell seen =
            freexl.Cell(static_cast<unsigned>(c.Row), static_cast<unsigned>(c.Column));
        const std::string type = c.Type;
        if (type == "text") {
            EXPECT_EQ(seen.Type, FREEXL_CELL_SST_TEXT);
            EXPECT_EQ(seen.Text, c.Value);
        } else if (type == "number") {
            EXPECT_TRUE(seen.Type == FREEXL_CELL_INT || seen.Type == FREEXL_CELL_DOUBLE);
            EXPECT_EQ(seen.Number, mine->Number);
        } else if (type == "date") {
            EXPECT_TRUE(seen.Type == FREEXL_CELL_DATE || seen.Type == FREEXL_CELL_DATETIME ||
                        seen.Type == FREEXL_CELL_TIME)
                << seen.Type;
        } else {
            EXPECT_EQ(seen.Type, FREEXL_CELL_NULL);
        }
    }
    EXPECT_EQ(freexl.Cell(1, 6).Text, "2024-02-29 13:45:30");
    EXPECT_EQ(freexl.Cell(1, 4).Text, "2024-02-29");
    EXPECT_EQ(freexl.Cell(1, 5).Text, "13:45:30");
}

TEST_F(Capture, TimestampsKeepTheirTimeWhateverTheDisplayShows) {
    Run("SET TIME_DISPLAY OFF; SELECT STAMP FROM ORDERS WHERE ORDER_ID = 1;");
    engine->View().First();
    EXPECT_EQ(engine->View().ValueText(0), "29-02-2024");
    // Row 6 holds the SET command's "Done.", row 7 the header.
    const TcCell* stamp = engine->CurrentSheet->Cell(0, 8);
    ASSERT_NE(stamp, nullptr);
    EXPECT_NEAR(stamp->Number, EncodeDateTime(2024, 2, 29, 13, 45, 30.5), 1e-9);
}

TEST_F(Capture, AFailingStatementKeepsItsOwnError) {
    EXPECT_RAISES_CONTAINING(EUser, engine->ExecuteStatement("SELECT * FROM NO_SUCH_TABLE"),
                             "NO_SUCH_TABLE");
    // The failed prepare left an empty result: one row down, no cells.
    EXPECT_EQ(engine->CursorRow, 7);
    EXPECT_EQ(engine->CurrentSheet->RowCells(6).size(), 0u);
}

// --- The row limit -----------------------------------------------------------

struct LimitCase {
    const char* Name;
    int Rows;            // rows the query returns
    int LastRowWritten;  // 0-based
    bool Stopped;        // XLS CLOSE reports the stop
};

class RowLimit : public DatabaseEngine, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(RowLimit, EndsTheCaptureAtTheSheetsLastRow) {
    const LimitCase& c = GetParam();
    // The header on row index 65529, data from 65530.
    Run("XLS CREATE '" + File("limit.xls") +
        "'; XLS ROW 65530;"
        "SELECT FIRST " +
        std::to_string(c.Rows) + " RDB$TYPE FROM RDB$TYPES;");
    EXPECT_EQ(engine->LastMessage, "");  // the statement is executed as ever
    const TcSheet& sheet = *engine->CurrentSheet;
    EXPECT_EQ(sheet.RowCount(), c.LastRowWritten + 1);
    EXPECT_NE(sheet.Cell(0, c.LastRowWritten), nullptr);
    const std::string message = Run("XLS CLOSE;");
    if (c.Stopped)
        EXPECT_EQ(message,
                  "The capture stopped at row 65537 of sheet Sheet 1: Maximum number of rows "
                  "exceeded.");
    else
        EXPECT_EQ(message, "Done.");
}

INSTANTIATE_TEST_SUITE_P(Table, RowLimit,
                         ::testing::Values(LimitCase{"BeyondTheLastRow", 10, 65535, true},
                                           LimitCase{"EndingOnTheLastRow", 6, 65535, false},
                                           LimitCase{"EndingBefore", 3, 65532, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DatabaseEngine, ACaptureBelowTheSheetStopsAtOnceAndIsReported) {
    Run("XLS CREATE '" + File("below.xls") +
        "'; XLS ROW 65536; XLS ECHO last;"
        "SELECT 1 AS ONE FROM RDB$DATABASE;");
    EXPECT_EQ(engine->CurrentSheet->Cell(0, 65535)->Text, "last");
    EXPECT_THAT(Run("XLS CLOSE;"),
                HasSubstr("The capture stopped at row 65537 of sheet Sheet 1: Cell (column 0, "
                          "row 65536) lies outside the sheet."));
}

// --- Formula prefixes --------------------------------------------------------

struct FormulaCase {
    const char* Name;
    const char* Setup;         // before the query
    const char* Value;         // the text the query returns, on row index 1, column index 0
    const char* Formula;       // the formula cell's text, or "" for a text cell
    const char* NumberFormat;  // of the cell's format
};

class FormulaPrefix : public DatabaseEngine, public ::testing::WithParamInterface<FormulaCase> {};

TEST_P(FormulaPrefix, TurnsTextValuesIntoFormulas) {
    const FormulaCase& c = GetParam();
    Run(std::string("XLS CREATE '") + File("prefix.xls") + "';" + c.Setup + "SELECT CAST('" +
        c.Value + "' AS VARCHAR(80)) AS V FROM RDB$DATABASE;");
    const TcCell* cell = engine->CurrentSheet->Cell(0, 1);
    ASSERT_NE(cell, nullptr);
    if (std::string(c.Formula).empty()) {
        EXPECT_EQ(cell->Type, TCellType::Text);
        EXPECT_EQ(cell->Text, c.Value);
    } else {
        ASSERT_EQ(cell->Type, TCellType::Formula);
        EXPECT_EQ(cell->Formula->Text, c.Formula);
        EXPECT_EQ(cell->Formula->ResultText, " ");
    }
    EXPECT_EQ(engine->Workbook->Formats()[cell->FormatIndex].NumberFormat, c.NumberFormat);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormulaPrefix,
    ::testing::Values(
        FormulaCase{"DefaultPrefix", "", "==SUM(A1:A%row%)", "SUM(A1:A2)", ""},
        FormulaCase{"ColumnNumber", "", "==A%Row%*%COL%", "A2*1", ""},
        FormulaCase{"QuotedTakesTheTextFormat", "", "==\"LEN(B%row%)\"", "LEN(B2)", "@"},
        FormulaCase{"QuotedWithANumberFormat", "", "==\"A1/3\";\"#,##0.0000\"", "A1/3",
                    "#,##0.0000"},
        FormulaCase{"NoPrefixNoFormula", "", "=SUM(A1)", "", ""},
        FormulaCase{"OwnPrefix", "XLS FORMULAPREFIX #;", "#1+1", "1+1", ""},
        FormulaCase{"OwnPrefixLeavesTheDefault", "XLS FORMULAPREFIX #;", "==1+1", "", ""},
        FormulaCase{"EmptyPrefixMakesEveryTextAFormula", "XLS FORMULAPREFIX;", "2*3", "2*3", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DatabaseEngine, AFormulaThatCannotCompileStopsTheCaptureThere) {
    Run("XLS CREATE '" + File("bad.xls") +
        "';"
        "SELECT V FROM (SELECT 1 AS N, CAST('first' AS VARCHAR(20)) AS V FROM RDB$DATABASE "
        "UNION ALL SELECT 2, '==SUM(' FROM RDB$DATABASE "
        "UNION ALL SELECT 3, 'third' FROM RDB$DATABASE) ORDER BY N;");
    EXPECT_EQ(TextAt(0, 0, 1), "first");
    EXPECT_EQ(engine->CurrentSheet->Cell(0, 2), nullptr);
    EXPECT_EQ(engine->CurrentSheet->Cell(0, 3), nullptr);
    EXPECT_THAT(Run("XLS CLOSE;"), HasSubstr("The capture stopped at row 3 of sheet Sheet 1: "
                                             "Formula \"SUM(\" cannot be compiled"));
}

}  // namespace
