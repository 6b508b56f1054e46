#pragma once
// Fills a workbook model from a BIFF8 "Workbook" stream. Reads what the
// model holds (sheets, cells of every record form, shared strings, formulas
// with their tokens and cached results, fonts, number formats, extended
// formats, row heights, column widths) and notes in the report every kind of
// content it skips. Damaged streams raise EWorkbookError.

#include "spreadsheet/byte_buffer.h"

class TcWorkbook;
struct TcReadReport;

namespace spreadsheet {

// `workbook` must be freshly cleared; its sheets and formats are replaced.
void ReadWorkbookStream(const TBytes& stream, TcWorkbook& workbook, TcReadReport& report);

}  // namespace spreadsheet
