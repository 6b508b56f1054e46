#pragma once
// TcDBScripter_IBXLS: the Firebird scripter with spreadsheet output. The XLS
// commands create or open a workbook, move a cell cursor and write titles and
// texts; while capture is on, AfterStatement copies every statement's result
// into the current sheet: a query's rows as typed cells under a header row,
// any other statement's message as text cells. XLS CLOSE writes the file.
//
// A workbook is never lost or damaged without a word: a second XLS CREATE or
// XLS OPEN over a workbook with unwritten cells says so; XLS OPEN names what
// the file holds that cannot be kept, and the first write over a file of
// another program keeps the original beside it; a capture that stops early
// is told at once through OnStatementNote and again by XLS CLOSE; the owner
// writes a workbook still open at the end of a run with WriteOpenWorkbook.
//
// Contract: one thread, as its parent. The engine owns its workbook; the
// destructor frees it without writing.

#include <bitset>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/lists.h"
#include "scripter/scripter_ib.h"
#include "workbook/workbook.h"

class TcDBScripter_IBXLS : public TcDBScripter_IB {
  public:
    // Raises when no client library can be loaded.
    TcDBScripter_IBXLS();
    ~TcDBScripter_IBXLS() override;

    // The inherited operation first (the owner's display), then the capture.
    void AfterStatement(const std::string& statement, bool& ok) override;

    // The engine's own fields, in order.
    std::unique_ptr<TcWorkbook> Workbook;
    // The selected sheet; none means that no file is open.
    TcSheet* CurrentSheet = nullptr;
    bool Capture = false;
    TcIntegerList SheetRows;  // each sheet's saved CursorRow, by sheet index
    int32_t CursorRow = 0;
    TcIntegerList SheetColumns;  // each sheet's saved CursorColumn
    int32_t CursorColumn = 0;
    // One bit per sheet index: the sheet's columns are fitted at XLS CLOSE.
    std::vector<bool> AutoFitSheets;
    bool SheetNamed = false;
    // The capture of the current statement is skipped once.
    bool SkipCapture = false;
    // A captured text value that begins with it is written as a formula.
    std::string FormulaPrefix = "==";

    // The indexes of the nine named cell formats in Workbook, set by
    // DefineCellFormats. Kept per engine: each engine has its own workbook.
    struct TcCellFormatIndexes {
        int Header = 0;
        int Echo = 0;
        int QueryHeader = 0;
        int QueryString = 0;
        int QueryNumeric = 0;
        int QueryDate = 0;
        int QueryDateTime = 0;
        int QueryInt = 0;
        int QueryTime = 0;
    } CellFormats;

    // Stores the cursor of the current sheet and loads the new one's; null
    // closes the file (the workbook stays in memory).
    void SelectSheet(TcSheet* sheet);
    void DefineCellFormats();
    // The first cell format with these attributes (the font name without
    // regard to case), or a new one named `name`. Formats read from a file
    // with borders, fills or other attributes of their own are not reused.
    int FindOrAddCellFormat(const std::string& name, const std::string& fontName,
                            const std::string& numberFormat, TVertAlignment alignment,
                            unsigned fontStyle, double fontSize);
    // Raises the user error "File not open." when no sheet is selected.
    void CheckFileOpen() const;
    int CurrentSheetIndex() const;

    // The workbook state changes of the commands; each answers the message
    // the command leaves (empty for none).
    std::string CreateFile(const std::string& fileName);
    std::string OpenFile(const std::string& fileName);
    void ActivateSheet(const std::string& name);
    std::string CloseFile();
    // Writes a text cell at the cursor and moves it down a row; the sheet's
    // columns are then no longer fitted at close.
    void WriteHeader(const std::string& text);
    void WriteEcho(const std::string& text);
    // A text cell with the "Echo" format anywhere; the cursor stays.
    void WriteEchoAt(int64_t column, int64_t row, const std::string& text);

    // True while a workbook is open and holds cells or sheets not written
    // yet: closing it now would lose them.
    bool WorkbookPending() const;
    // For the owner at the end of a run: a pending workbook is written as
    // XLS CLOSE writes it. Answers the words for the user (empty when
    // nothing was pending); raises EUser naming the file when it cannot be
    // written.
    std::string WriteOpenWorkbook();

  private:
    // How a result column's values become cells: typed numbers, dates
    // (before 1 March 1900 as texts), times, or texts that may be formulas.
    struct TCellKind {
        enum { Number, Date, Time, Text } Kind;
        int Format;
    };
    TCellKind KindOf(int column);
    void CaptureResult();
    void CaptureRows();
    void CaptureCell(int column, int64_t cellColumn, int64_t row);
    // A formula cell as the capture writes it: text is the value after the
    // formula prefix (the rules are in xls_capture.cpp).
    void WriteFormulaCell(int64_t column, int64_t row, const std::string& text);
    // Cell coordinates are handed to the writer as int; a value beyond its
    // range stays beyond the sheet, so that the writer refuses it.
    static int CellIndex(int64_t value);
    void AdvanceRow() { CursorRow = CellIndex(int64_t{CursorRow} + 1); }
    // Marks a column of the current sheet as written by this session.
    void Touch(int64_t column);
    TcSheet& Sheet() const;
    // "The workbook ... was not written" when a pending one is dropped.
    std::string DropPendingWorkbook() const;
    void ResetSession(int sheets, bool fromFile);

    // Cells or sheets changed since the workbook was created, opened or written.
    bool changed_ = false;
    // Per sheet index: the columns this session wrote (only those are
    // fitted), and whether the sheet came from the file (its own default
    // row height stays).
    std::vector<std::bitset<256>> writtenColumns_;
    std::vector<bool> sheetFromFile_;
    // The file opened was written by another program or holds what cannot
    // be kept: its first write keeps the original beside it.
    bool keepOriginal_ = false;
    // Captures that stopped early since the file was created or opened.
    std::vector<std::string> captureNotes_;
    // Adds a note for XLS CLOSE unless it is there already.
    void NoteOnce(const std::string& note);
    std::mt19937 random_;
    // A random number for each captured result, in its formula formats' names.
    std::string formulaTag_;
    std::vector<TCellKind> kinds_;  // of the result being captured
    int currentIndex_ = -1;         // of CurrentSheet
};

// "CUSTOMER_NAME" -> "Customer Name": "_" becomes a blank, letters are
// lower-cased and the first one of each word upper-cased (ASCII only).
std::string PrettyColumnName(const std::string& name);
// Column letters of a 0-based column index: A to Z, AA to ZZ, AAA on.
std::string ColumnLetters(int64_t column);
