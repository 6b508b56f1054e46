// The XLS commands without a database: their registration, the cursor and
// sheet rules, their errors, the cell formats, files created, closed and
// dropped, and the capture of command messages.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/command_framework.h"
#include "spreadsheet/xls_commands.h"
#include "support/expect_error.h"
#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

struct CommandRow {
    const char* Keyword;
    TStringList Syntax;
    const char* SyntaxText;
    const char* English;
    const char* Dutch;
};

const CommandRow kCommands[] = {
    {"XLS CREATE",
     {"$"},
     "'<filename>'",
     "Creates a new Excel file with the filename <filename>.",
     "Maakt een nieuw excel bestand met de naam <filename>."},
    {"XLS OPEN",
     {"$"},
     "'<filename>'",
     "Opens a existing Excel file with the filename <filename>.",
     "Opent een bestaand Excel bestand met de naam <filename>."},
    {"XLS SHEET",
     {"$"},
     "'<sheet name>'",
     "Activates the sheet with name <sheet name>.",
     "Activeert het werkblad met de naam <sheet name>"},
    {"XLS CLOSE", {}, "", "Closes the Excel file.", "Sluit het Excel bestand."},
    {"XLS HEADER",
     {"$"},
     "'<string>'",
     "Writes a header to the Excel file.",
     "Schrijft een kop/titel naar het Excel bestand."},
    {"XLS ECHO",
     {"$"},
     "'<string>'",
     "Writes the <string> to the Excel file.",
     "Schrijft de text <string> naar het Excel bestand."},
    {"XLS CAPTURE",
     {"|ON|OFF"},
     "<ON|OFF>",
     "By default capturing is turned on. When capturing is turned on the result of \r\n"
     "select statements is stored in the Excel file.",
     "Standaard staat CAPTURE aan. Als capturing aan staat wordt het resultaat van \r\n"
     "alle select statements opgeslagen in de Excel file."},
    {"XLS COLUMN",
     {"$"},
     "'<column number>'",
     "Sets the cursor in Excel to the specified <column number>. Column A corresponds to number "
     "1.",
     "Zet de cursor in Excel op het opgegeven <column number>. Kolom A correspondeert met nummer "
     "1."},
    {"XLS ROW",
     {"$"},
     "'<row number>'",
     "Sets the cursor in Excel to the specified <row number>. Row 1 corresponds to number 1.",
     "Zet de cursor in Excel op het opgegeven <row number>. Rij 1 correspondeert met nummer 1."},
    {"XLS MOVE ROW",
     {"$"},
     "'<number>'",
     "Moves the cursor in Excel with <number> rows down. \r\n"
     "When the <number> is negative the cursor moves up.",
     "Verplaatst de cursor in Excel met <number> rijen naar beneden. \r\n"
     " Een negatief <number> verplaatst de cursor omhoog."},
    {"XLS POSITION", {"Column", "Row", "&AddColumn", "&AddRow"}, "", "", ""},
    {"XLS FORMULAPREFIX",
     {"$"},
     "'<prefix>'",
     "Sets the prefix to recognize a formula.",
     "Sets the prefix to recognize a formula."},
};

TEST_F(XlsEngine, TheTwelveCommandsFollowTheInheritedOnesInTheirOrder) {
    TcDBScripter_IB plain;
    const int inherited = plain.Commands.Count;
    plain.Close();
    ASSERT_EQ(engine->Commands.Count, inherited + 12);
    for (int i = 0; i < 12; ++i) {
        const CommandRow& row = kCommands[i];
        SCOPED_TRACE(row.Keyword);
        const TcPreparsedStatement* command = engine->Commands[inherited + i];
        EXPECT_EQ(command->Keyword(), row.Keyword);
        EXPECT_EQ(command->Syntax, row.Syntax);
        EXPECT_EQ(command->SyntaxText, row.SyntaxText);
        EXPECT_EQ(command->HelpText, row.English);
        EXPECT_TRUE(command->Listed);
    }
}

TEST_F(XlsEngine, HelpTextsAreDutchInADutchEngine) {
    TcScopedValue<TLanguage> dutch{Language, TLanguage::Dutch};
    TcDBScripter_IBXLS dutchEngine;
    const int first = dutchEngine.Commands.Count - 12;
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(dutchEngine.Commands[first + i]->HelpText, kCommands[i].Dutch)
            << kCommands[i].Keyword;
    dutchEngine.Close();
}

// Every command is the one a statement with its keyword reaches: no earlier
// command that takes arguments begins with its keyword.
TEST_F(XlsEngine, EveryCommandIsReachedByItsKeyword) {
    for (const CommandRow& row : kCommands) {
        std::string matched;
        const std::string statement = std::string(row.Keyword) + (row.Syntax.empty() ? "" : " 1");
        const TcPreparsedStatement* found = FindCommand(engine->Commands, statement, matched);
        ASSERT_NE(found, nullptr) << row.Keyword;
        EXPECT_EQ(found->Keyword(), row.Keyword);
    }
    EXPECT_EQ(Run("HELP XLS MOVE ROW"),
              std::string("XLS MOVE ROW '<number>'\r\n") + kCommands[9].English);
}

// --- Commands that need an open file ---------------------------------------

TEST_F(XlsEngine, CommandsThatNeedAFileSayFileNotOpen) {
    for (const char* statement :
         {"XLS CLOSE", "XLS HEADER title", "XLS ECHO text", "XLS CAPTURE ON", "XLS CAPTURE OFF",
          "XLS COLUMN 2", "XLS ROW 2", "XLS MOVE ROW 1", "XLS POSITION COLUMN 1 ROW 1",
          "XLS SHEET Data"}) {
        EXPECT_RAISES_EXACTLY(EUser, engine->ExecuteStatement(statement), "File not open.")
            << statement;
    }
    // The prefix needs no file.
    engine->ExecuteStatement("XLS FORMULAPREFIX ##");
    EXPECT_EQ(engine->FormulaPrefix, "##");
    EXPECT_EQ(engine->LastMessage, "Done.");
}

TEST_F(XlsEngine, AfterCloseTheSameCommandsSayFileNotOpen) {
    Run("XLS CREATE '" + File("closed.xls") + "'; XLS ECHO x; XLS CLOSE;");
    EXPECT_RAISES_EXACTLY(EUser, engine->ExecuteStatement("XLS ECHO again"), "File not open.");
    EXPECT_FALSE(engine->Capture);
    EXPECT_EQ(engine->CurrentSheet, nullptr);
}

// --- The cursor ------------------------------------------------------------

struct CursorCase {
    const char* Name;
    const char* Script;  // after XLS CREATE
    int Row, Column;     // the cursor afterwards, 0-based
};

class Cursor : public XlsEngine, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(Cursor, MovesAsTheCommandsSay) {
    Run("XLS CREATE '" + File("cursor.xls") + "';" + GetParam().Script);
    EXPECT_EQ(engine->CursorRow, GetParam().Row);
    EXPECT_EQ(engine->CursorColumn, GetParam().Column);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cursor,
    ::testing::Values(
        CursorCase{"StartsTopLeft", "", 0, 0},
        CursorCase{"RowOneIsTheFirstRow", "XLS ROW 7; XLS ROW 1;", 0, 0},
        CursorCase{"ColumnThree", "XLS COLUMN 3;", 0, 2},
        CursorCase{"MoveRowDown", "XLS ROW 3; XLS MOVE ROW 5;", 7, 0},
        CursorCase{"MoveRowUp", "XLS ROW 10; XLS MOVE ROW -4;", 5, 0},
        CursorCase{"MoveRowFarUpStopsOnTheSecondRow", "XLS ROW 40; XLS MOVE ROW -100;", 1, 0},
        CursorCase{"MoveRowToTheTopStopsOnTheSecondRow", "XLS ROW 3; XLS MOVE ROW -2;", 1, 0},
        CursorCase{"EchoMovesDownOneRow", "XLS COLUMN 2; XLS ECHO a; XLS ECHO b;", 2, 1},
        CursorCase{"HeaderMovesDownOneRow", "XLS HEADER Title;", 1, 0},
        CursorCase{"PositionLeavesTheCursor", "XLS ROW 4; XLS POSITION COLUMN 3 ROW 2;", 3, 0},
        CursorCase{"SetMessageMovesDownOneRow", "SET ECHO OFF;", 1, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ErrorCase {
    const char* Statement;
    const char* Message;
};

TEST_F(XlsEngine, CursorArgumentsAreChecked) {
    Run("XLS CREATE '" + File("errors.xls") + "'; XLS ROW 5; XLS COLUMN 2;");
    const ErrorCase user[] = {
        {"XLS COLUMN 0", "Invalid column."},
        {"XLS COLUMN -3", "Invalid column."},
        {"XLS ROW 0", "Invalid row."},
    };
    for (const ErrorCase& c : user)
        EXPECT_RAISES_EXACTLY(EUser, engine->ExecuteStatement(c.Statement), c.Message);
    const ErrorCase conversion[] = {
        {"XLS COLUMN B", "'B' is not a valid integer value"},
        {"XLS ROW '3'", "''3'' is not a valid integer value"},
        {"XLS MOVE ROW down", "'down' is not a valid integer value"},
    };
    for (const ErrorCase& c : conversion)
        EXPECT_RAISES_EXACTLY(Exception, engine->ExecuteStatement(c.Statement), c.Message);
    // Nothing moved.
    EXPECT_EQ(engine->CursorRow, 4);
    EXPECT_EQ(engine->CursorColumn, 1);
}

// --- Texts -----------------------------------------------------------------

TEST_F(XlsEngine, EchoAndHeaderWriteTheirTextsAsParsed) {
    Run("XLS CREATE 'x" + File("quoted.xls") +
        "\"';"
        "XLS HEADER The  title;"
        "XLS ECHO hello world;"
        "XLS ECHO 'hello';");
    EXPECT_EQ(engine->Workbook->Filename, "x" + File("quoted.xls"));
    EXPECT_EQ(TextAt(0, 0, 0), "The title");  // the tokens joined by single blanks
    EXPECT_EQ(FormatNameAt(0, 0, 0), "Header");
    EXPECT_EQ(engine->CurrentSheet->RowHeight(0), 264);
    EXPECT_EQ(TextAt(0, 0, 1), "hello world");
    EXPECT_EQ(FormatNameAt(0, 0, 1), "Echo");
    EXPECT_EQ(TextAt(0, 0, 2), "'hello'");
}

TEST_F(XlsEngine, PositionWritesTheSheetAndTheCell) {
    Run("XLS CREATE '" + File("position.xls") +
        "';"
        "XLS POSITION COLUMN 3 ROW 2;"
        "XLS POSITION COLUMN 1 ROW 1 ADDCOLUMN 26 ADDROW 4;"
        "XLS POSITION ROW 3 COLUMN 2 ADDROW 1;");
    EXPECT_EQ(TextAt(0, 2, 1), "Sheet 1|CSheet 1|1");
    EXPECT_EQ(FormatNameAt(0, 2, 1), "Echo");
    EXPECT_EQ(TextAt(0, 26, 0), "Sheet 1|AASheet 1|4");  // moved by ADDCOLUMN, not by ADDROW
    EXPECT_EQ(TextAt(0, 1, 2), "Sheet 1|BSheet 1|3");
    EXPECT_EQ(engine->CursorRow, 0);
    EXPECT_RAISES_CONTAINING(EWorkbookError,
                             engine->ExecuteStatement("XLS POSITION COLUMN 0 ROW 1"),
                             "outside the sheet");
}

TEST(ColumnLettersAndNames, FollowTheSheetsLetters) {
    const std::pair<int, const char*> letters[] = {{0, "A"},    {2, "C"},    {25, "Z"},
                                                   {26, "AA"},  {51, "AZ"},  {255, "IV"},
                                                   {701, "ZZ"}, {702, "AAA"}};
    for (const auto& [column, text] : letters) EXPECT_EQ(ColumnLetters(column), text) << column;
    const std::pair<const char*, const char*> names[] = {{"CUSTOMER_NAME", "Customer Name"},
                                                         {"ORDER_ID", "Order Id"},
                                                         {"", ""},
                                                         {"total", "Total"},
                                                         {"A__B", "A  B"},
                                                         {"_X", " X"},
                                                         {"2ND_TRY", "2nd Try"},
                                                         {"ÉTÉ_X", "ÉtÉ X"}};
    for (const auto& [name, pretty] : names) EXPECT_EQ(PrettyColumnName(name), pretty) << name;
}

// --- Sheets ----------------------------------------------------------------

TEST_F(XlsEngine, SheetsAreNamedAddedAndSwitchedWithTheirOwnCursors) {
    Run("XLS CREATE '" + File("sheets.xls") + "';");
    EXPECT_EQ(engine->CurrentSheet->Name, "Sheet 1");
    Run("XLS SHEET 'Data'; XLS ECHO a1; XLS COLUMN 2;"
        "XLS SHEET Other; XLS ECHO b1; XLS ECHO b2;"
        "XLS SHEET data; XLS ECHO a2;"
        "XLS SHEET OTHER; XLS ECHO b3;");
    TcSheets& sheets = engine->Workbook->Sheets();
    ASSERT_EQ(sheets.Count(), 2);
    EXPECT_EQ(sheets[0].Name, "Data");  // the first XLS SHEET renames the first sheet
    EXPECT_EQ(sheets[1].Name, "Other");
    EXPECT_EQ(TextAt(0, 0, 0), "a1");
    EXPECT_EQ(TextAt(0, 1, 1), "a2");  // back where it was left: row 2, column B
    EXPECT_EQ(TextAt(1, 0, 0), "b1");
    EXPECT_EQ(TextAt(1, 0, 1), "b2");
    EXPECT_EQ(TextAt(1, 0, 2), "b3");
    EXPECT_EQ(engine->CurrentSheet, &sheets[1]);
    EXPECT_RAISES_CONTAINING(EWorkbookError, engine->ExecuteStatement("XLS SHEET a/b"),
                             "Sheet name 'a/b' is not valid");
    EXPECT_RAISES_CONTAINING(EWorkbookError,
                             engine->ExecuteStatement("XLS SHEET " + std::string(32, 'n')),
                             "is not valid");
    EXPECT_EQ(sheets.Count(), 2);
}

TEST_F(XlsEngine, ASheetAfterCloseOpensTheClosedWorkbookAgain) {
    const std::string file = File("again.xls");
    Run("XLS CREATE '" + file + "'; XLS SHEET First; XLS ECHO one; XLS CLOSE;");
    Run("XLS SHEET Second; XLS ECHO two; XLS CLOSE;");
    TcWorkbook read;
    read.Filename = file;
    read.ReadWorkbook();
    ASSERT_EQ(read.Sheets().Count(), 2);
    EXPECT_EQ(read.Sheets()[0].Cell(0, 0)->Text, "one");
    EXPECT_EQ(read.Sheets()[1].Name, "Second");
    EXPECT_EQ(read.Sheets()[1].Cell(0, 0)->Text, "two");
    TcFreeXL freexl(file);
    ASSERT_EQ(freexl.SheetCount(), 2u);
    EXPECT_EQ(freexl.SheetName(0), "First");
    freexl.Select(1);
    EXPECT_EQ(freexl.Cell(0, 0).Text, "two");
    TcXlrdDump xlrd = ReadWithXlrd(file);
    EXPECT_THAT(xlrd.With("sheet\t"),
                ::testing::ElementsAre("sheet\t0\tFirst\tvisible", "sheet\t1\tSecond\tvisible"));
    EXPECT_THAT(xlrd.Cell("Second!A1"),
                ::testing::ElementsAre("text", "two", "General", "regular", "10"));
}

// --- Formats ---------------------------------------------------------------

TEST_F(XlsEngine, TheNineCellFormatsAreDefinedOnceAndFoundAgain) {
    struct FormatRow {
        int TcDBScripter_IBXLS::TcCellFormatIndexes::*Index;
        const char* Name;
        double Size;
        bool Bold;
        const char* NumberFormat;
    } const rows[] = {
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::Header, "Header", 12, true, ""},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::Echo, "Echo", 10, false, ""},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryHeader, "QueryHeader", 10, true, ""},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryString, "QueryString", 10, false, ""},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryNumeric, "QueryNumeric", 10, false,
         "#,##0.00"},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryDate, "QueryDate", 10, false, "dd/mm/yyyy"},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryDateTime, "QueryDateTime", 10, false,
         "dd/mm/yyyy hh:mm:ss"},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryInt, "QueryInt", 10, false, "0"},
        {&TcDBScripter_IBXLS::TcCellFormatIndexes::QueryTime, "QueryTime", 10, false, "hh:mm:ss"},
    };
    const std::string file = File("formats.xls");
    Run("XLS CREATE '" + file + "'; XLS ECHO x; XLS CLOSE;");
    // "Echo" and "QueryString" ask for the same attributes: one format serves both.
    EXPECT_EQ(engine->CellFormats.Echo, engine->CellFormats.QueryString);
    const TcFormats& formats = engine->Workbook->Formats();
    EXPECT_EQ(formats.Count(), 1 + 8);
    for (const FormatRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TcCellFormat& format = formats[engine->CellFormats.*row.Index];
        const TcFont& font = formats.Fonts(format.FontIndex);
        EXPECT_EQ(font.Name, "Arial");
        EXPECT_EQ(font.Size, row.Size);
        EXPECT_EQ(font.Style, row.Bold ? unsigned(fsBold) : 0u);
        EXPECT_EQ(format.VertAlignment, TVertAlignment::Center);
        EXPECT_EQ(format.NumberFormat, row.NumberFormat);
    }
    // Opened again, the file's own formats are found, none added.
    Run("XLS OPEN '" + file + "';");
    EXPECT_EQ(engine->Workbook->Formats().Count(), 1 + 8);
    EXPECT_EQ(engine->LastMessage, "Done.");
}

// --- Capture of command messages and column fitting --------------------------

TEST_F(XlsEngine, ACommandsMessageIsCapturedAndXlsCommandsAreNot) {
    Run("XLS CREATE '" + File("messages.xls") +
        "';"
        "SET ECHO OFF;"
        "XLS COLUMN 2;"
        "HELP XLS CLOSE;"
        "XLS CAPTURE OFF;"
        "SET ECHO ON;"
        "XLS CAPTURE ON;"
        "SET ECHO OFF;");
    EXPECT_EQ(TextAt(0, 0, 0), "Done.");
    EXPECT_EQ(FormatNameAt(0, 0, 0), "Echo");
    EXPECT_EQ(TextAt(0, 1, 1), "XLS CLOSE ");  // the message's lines, one a row
    EXPECT_EQ(TextAt(0, 1, 2), "Closes the Excel file.");
    EXPECT_EQ(TextAt(0, 1, 3), "Done.");  // nothing while capture was off
    EXPECT_EQ(engine->CurrentSheet->CellCount(), 4u);
}

TEST_F(XlsEngine, ColumnsOfCapturedSheetsAreFittedAtClose) {
    const std::string file = File("fitted.xls");
    Run("XLS CREATE '" + file +
        "'; XLS SHEET Captured;"
        "HELP XLS CLOSE;"
        "XLS SHEET Echoed; XLS ECHO a text much wider than a column; HELP XLS CLOSE;"
        "XLS SHEET Headed; XLS HEADER Title; HELP XLS CLOSE;"
        "XLS CLOSE;");
    TcWorkbook read;
    read.Filename = file;
    read.ReadWorkbook();
    // "Closes the Excel file." is 22 characters, with one of margin.
    EXPECT_EQ(read.Sheets()[0].ColumnWidths, (std::map<int, int>{{0, 23 * 256}}));
    EXPECT_TRUE(read.Sheets()[1].ColumnWidths.empty());
    EXPECT_TRUE(read.Sheets()[2].ColumnWidths.empty());
    TcXlrdDump xlrd = ReadWithXlrd(file);
    EXPECT_THAT(xlrd.With("column\t"),
                ::testing::ElementsAre("column\tCaptured!A\t" + std::to_string(23 * 256) +
                                       "\tshown\tlevel 0"));
    EXPECT_THAT(xlrd.Cell("Headed!A1"),
                ::testing::ElementsAre("text", "Title", "General", "bold", "12"));
    EXPECT_THAT(xlrd.With("row\tHeaded!1\t"),
                ::testing::ElementsAre("row\tHeaded!1\t264\tcustom\tshown\tlevel 0"));
}

// --- Files: never lost without a word -----------------------------------------

TEST_F(XlsEngine, ASecondCreateOrOpenSaysTheFirstWorkbookWasNotWritten) {
    const std::string existing = File("existing.xls");
    Run("XLS CREATE '" + existing + "'; XLS ECHO on disk; XLS CLOSE;");
    const std::string first = File("first.xls");
    // Nothing was written to the first: nothing is lost, nothing said.
    EXPECT_EQ(Run("XLS CREATE '" + first + "'; XLS CREATE '" + File("empty.xls") + "';"), "Done.");
    Run("XLS CREATE '" + first + "'; XLS ECHO lost;");
    EXPECT_TRUE(engine->WorkbookPending());
    EXPECT_EQ(Run("XLS CREATE '" + File("second.xls") + "';"),
              "The workbook " + first + " was still open; it has not been written.");
    Run("XLS ECHO also lost;");
    EXPECT_EQ(Run("XLS OPEN '" + existing + "';"),
              "The workbook " + File("second.xls") + " was still open; it has not been written.");
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(TextAt(0, 0, 0), "on disk");
}

TEST_F(XlsEngine, AFailedOpenLeavesNoFileOpenAndDoesNotWriteOverIt) {
    const std::string kept = File("kept.xls");
    const std::string text = File("notes.txt");
    std::ofstream(text) << "not a workbook, and it stays so";
    Run("XLS CREATE '" + kept + "'; XLS SHEET Data; XLS ECHO one; XLS CLOSE;");
    EXPECT_RAISES_CONTAINING(EWorkbookError, engine->ExecuteStatement("XLS OPEN '" + text + "'"),
                             "no compound document");
    EXPECT_RAISES_CONTAINING(EWorkbookError,
                             engine->ExecuteStatement("XLS OPEN '" + File("missing.xls") + "'"),
                             "missing.xls");
    EXPECT_RAISES_EXACTLY(EUser, engine->ExecuteStatement("XLS ECHO x"), "File not open.");
    // The workbook closed before is the one XLS SHEET opens again, with its own file.
    Run("XLS SHEET Data; XLS ECHO two; XLS CLOSE;");
    std::ifstream in(text);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "not a workbook, and it stays so");
    TcWorkbook read;
    read.Filename = kept;
    read.ReadWorkbook();
    EXPECT_EQ(read.Sheets()[0].Cell(0, 1)->Text, "two");
}

TEST_F(XlsEngine, AFailedOpenInAFreshEngineLeavesNothingToOpen) {
    EXPECT_RAISES_CONTAINING(EWorkbookError,
                             engine->ExecuteStatement("XLS OPEN '" + File("missing.xls") + "'"),
                             "missing.xls");
    EXPECT_RAISES_EXACTLY(EUser, engine->ExecuteStatement("XLS SHEET Sheet1"), "File not open.");
    EXPECT_RAISES_EXACTLY(EUser, engine->ExecuteStatement("XLS SHEET New"), "File not open.");
    Run("XLS CREATE '" + File("after.xls") + "'; XLS SHEET One; XLS SHEET Two; XLS ECHO x;");
    EXPECT_EQ(TextAt(1, 0, 0), "x");
}

TEST_F(XlsEngine, AFailedOpenOverAPendingWorkbookSaysBoth) {
    Run("XLS CREATE '" + File("pending.xls") + "'; XLS ECHO unwritten;");
    const auto error = CaughtError<EWorkbookError>(
        [&] { engine->ExecuteStatement("XLS OPEN '" + File("missing.xls") + "'"); });
    ASSERT_TRUE(error);
    EXPECT_THAT(error->what(), ::testing::HasSubstr("missing.xls"));
    EXPECT_THAT(error->what(), ::testing::HasSubstr("pending.xls was still open; it has not "
                                                    "been written."));
}

TEST_F(XlsEngine, AnOpenWorkbookIsWrittenAtTheEndOfARunOnlyWhenItHoldsNewCells) {
    EXPECT_EQ(engine->WriteOpenWorkbook(), "");
    const std::string file = File("end.xls");
    Run("XLS CREATE '" + file + "';");
    EXPECT_EQ(engine->WriteOpenWorkbook(), "");  // nothing in it
    EXPECT_FALSE(std::filesystem::exists(file));
    Run("SET ECHO OFF;");
    EXPECT_EQ(engine->WriteOpenWorkbook(), "The workbook " + file +
                                               " was still open at the end of the run; it has been "
                                               "written.");
    TcWorkbook read;
    read.Filename = file;
    read.ReadWorkbook();
    EXPECT_EQ(read.Sheets()[0].Cell(0, 0)->Text, "Done.");
    EXPECT_EQ(engine->WriteOpenWorkbook(), "");  // written: nothing pending

    Run("XLS CREATE '" + File("no/such/folder/x.xls") + "'; SET ECHO OFF;");
    EXPECT_RAISES_CONTAINING(EUser, engine->WriteOpenWorkbook(),
                             "was still open at the end of the run and could not be written: "
                             "Cannot write");
}

}  // namespace
