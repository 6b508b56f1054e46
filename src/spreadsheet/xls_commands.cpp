#include "spreadsheet/xls_commands.h"

#include <algorithm>
#include <limits>

#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/string_utils.h"

namespace {

// File and sheet names are taken without any quote character, wherever it stands.
std::string Unquoted(const TStringList& arguments) {
    return RemoveChars(ArgumentValue(arguments, "$"), "'\"");
}

// A whole number argument; a text that is none raises the conversion error.
int64_t Number(const TStringList& arguments, std::string_view name) {
    return StrToInt(ArgumentValue(arguments, name));
}

// An optional number: 0 when the option is absent.
int64_t OptionalNumber(const TStringList& arguments, std::string_view name) {
    const std::string value = ArgumentValue(arguments, name);
    return value.empty() ? 0 : StrToInt(value);
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

void RegisterXLSCommands(TcPreparsedStatements& commands) {
    commands.Add(new TpsXLSOpenFile);
    commands.Add(new TpsXLSReadFile);
    commands.Add(new TpsXLSSheet);
    commands.Add(new TpsXLSClose);
    commands.Add(new TpsXLSHeader);
    commands.Add(new TpsXLSEcho);
    commands.Add(new TpsXLSCapture);
    commands.Add(new TpsXLSColumn);
    commands.Add(new TpsXLSRow);
    commands.Add(new TpsXLSMoveRow);
    commands.Add(new TpsXLSEchoPosition);
    commands.Add(new TpsXLSFormulaPrefix);
}

TpsXLSOpenFile::TpsXLSOpenFile() {
    SetKeyword("XLS CREATE");
    Syntax = {"$"};
    SyntaxText = "'<filename>'";
    HelpText = Lang("Creates a new Excel file with the filename <filename>.",
                    "Maakt een nieuw excel bestand met de naam <filename>.");
}

void TpsXLSOpenFile::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                               const std::string&, std::string& message) {
    message = engine.CreateFile(Unquoted(arguments));
}

TpsXLSReadFile::TpsXLSReadFile() {
    SetKeyword("XLS OPEN");
    Syntax = {"$"};
    SyntaxText = "'<filename>'";
    HelpText = Lang("Opens a existing Excel file with the filename <filename>.",
                    "Opent een bestaand Excel bestand met de naam <filename>.");
}

void TpsXLSReadFile::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                               const std::string&, std::string& message) {
    message = engine.OpenFile(Unquoted(arguments));
}

TpsXLSSheet::TpsXLSSheet() {
    SetKeyword("XLS SHEET");
    Syntax = {"$"};
    SyntaxText = "'<sheet name>'";
    HelpText = Lang("Activates the sheet with name <sheet name>.",
                    "Activeert het werkblad met de naam <sheet name>");
}

void TpsXLSSheet::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                            const std::string&, std::string&) {
    engine.ActivateSheet(Unquoted(arguments));
}

TpsXLSClose::TpsXLSClose() {
    SetKeyword("XLS CLOSE");
    HelpText = Lang("Closes the Excel file.", "Sluit het Excel bestand.");
}

void TpsXLSClose::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList&, const std::string&,
                            std::string& message) {
    message = engine.CloseFile();
}

TpsXLSHeader::TpsXLSHeader() {
    SetKeyword("XLS HEADER");
    Syntax = {"$"};
    SyntaxText = "'<string>'";
    HelpText = Lang("Writes a header to the Excel file.",
                    "Schrijft een kop/titel naar het Excel bestand.");
}

void TpsXLSHeader::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                             const std::string&, std::string&) {
    engine.WriteHeader(ArgumentValue(arguments, "$"));
}

TpsXLSEcho::TpsXLSEcho() {
    SetKeyword("XLS ECHO");
    Syntax = {"$"};
    SyntaxText = "'<string>'";
    HelpText = Lang("Writes the <string> to the Excel file.",
                    "Schrijft de text <string> naar het Excel bestand.");
}

void TpsXLSEcho::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                           const std::string&, std::string&) {
    engine.WriteEcho(ArgumentValue(arguments, "$"));
}

TpsXLSCapture::TpsXLSCapture() {
    SetKeyword("XLS CAPTURE");
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang(
        "By default capturing is turned on. When capturing is turned on the result of \r\n"
        "select statements is stored in the Excel file.",
        "Standaard staat CAPTURE aan. Als capturing aan staat wordt het resultaat van \r\n"
        "alle select statements opgeslagen in de Excel file.");
}

void TpsXLSCapture::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                              const std::string&, std::string&) {
    engine.CheckFileOpen();
    engine.Capture = SameText(FirstArgumentValue(arguments), "ON");
    engine.SkipCapture = engine.Capture;
}

TpsXLSColumn::TpsXLSColumn() {
    SetKeyword("XLS COLUMN");
    Syntax = {"$"};
    SyntaxText = "'<column number>'";
    HelpText = Lang(
        "Sets the cursor in Excel to the specified <column number>. Column A corresponds to "
        "number 1.",
        "Zet de cursor in Excel op het opgegeven <column number>. Kolom A correspondeert met "
        "nummer 1.");
}

void TpsXLSColumn::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                             const std::string&, std::string&) {
    engine.CheckFileOpen();
    const int64_t column = Number(arguments, "$");
    if (column < 1) RaiseUser("Invalid column.");
    engine.CursorColumn = ClampToInt32(column - 1);
    engine.SkipCapture = engine.Capture;
}

TpsXLSRow::TpsXLSRow() {
    SetKeyword("XLS ROW");
    Syntax = {"$"};
    SyntaxText = "'<row number>'";
    HelpText = Lang(
        "Sets the cursor in Excel to the specified <row number>. Row 1 corresponds to number 1.",
        "Zet de cursor in Excel op het opgegeven <row number>. Rij 1 correspondeert met nummer "
        "1.");
}

void TpsXLSRow::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                          const std::string&, std::string&) {
    engine.CheckFileOpen();
    const int64_t row = Number(arguments, "$");
    if (row < 1) RaiseUser("Invalid row.");
    engine.CursorRow = ClampToInt32(row - 1);
    engine.SkipCapture = engine.Capture;
}

TpsXLSMoveRow::TpsXLSMoveRow() {
    SetKeyword("XLS MOVE ROW");
    Syntax = {"$"};
    SyntaxText = "'<number>'";
    HelpText = Lang(
        "Moves the cursor in Excel with <number> rows down. \r\n"
        "When the <number> is negative the cursor moves up.",
        "Verplaatst de cursor in Excel met <number> rijen naar beneden. \r\n"
        " Een negatief <number> verplaatst de cursor omhoog.");
}

void TpsXLSMoveRow::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                              const std::string&, std::string&) {
    engine.CheckFileOpen();
    const int64_t row = int64_t{engine.CursorRow} + Number(arguments, "$");
    // Moving up past the top stops on the second row, not the first.
    engine.CursorRow = row > 0 ? ClampToInt32(row) : 1;
    engine.SkipCapture = engine.Capture;
}

TpsXLSEchoPosition::TpsXLSEchoPosition() {
    SetKeyword("XLS POSITION");
    Syntax = {"Column", "Row", "&AddColumn", "&AddRow"};
}

// Writes "<sheet>|<column letters><sheet>|<row index>" into the cell named by
// COLUMN and ROW (1-based), the column moved by ADDCOLUMN; the text's row
// number is the 0-based row moved by ADDROW. The cursor stays.
void TpsXLSEchoPosition::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                                   const std::string&, std::string&) {
    engine.CheckFileOpen();
    const int64_t column = Number(arguments, "Column");
    const int64_t row = Number(arguments, "Row");
    const int64_t addColumn = OptionalNumber(arguments, "AddColumn");
    const int64_t addRow = OptionalNumber(arguments, "AddRow");
    const int64_t k = column - 1 + addColumn;
    const std::string& sheet = engine.CurrentSheet->Name;
    const std::string text =
        sheet + "|" + ColumnLetters(k) + sheet + "|" + std::to_string(row - 1 + addRow);
    engine.WriteEchoAt(k, row - 1, text);
    engine.SkipCapture = engine.Capture;
}

TpsXLSFormulaPrefix::TpsXLSFormulaPrefix() {
    SetKeyword("XLS FORMULAPREFIX");
    Syntax = {"$"};
    SyntaxText = "'<prefix>'";
    HelpText = "Sets the prefix to recognize a formula.";
}

void TpsXLSFormulaPrefix::ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,
                                    const std::string&, std::string&) {
    engine.FormulaPrefix = ArgumentValue(arguments, "$");
    engine.SkipCapture = engine.Capture;
}
