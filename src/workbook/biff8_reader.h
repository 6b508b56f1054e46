#pragma once
// Fills a workbook model from a BIFF8 "Workbook" stream. Reads what the
// model holds (sheets and their visibility, cells of every record form,
// shared strings, formulas with their tokens and cached results, fonts,
// number formats, extended formats, the palette, row heights set by hand or
// fitted, hidden and grouped rows and columns, column widths) and keeps the
// self-contained records of page setup, protection and view as they are; it
// notes in the report every kind of content it skips (pivot tables,
// autofilters, texts formatted in parts, drawings, names, ...). Damaged
// streams raise EWorkbookError.

#include "workbook/byte_buffer.h"

class TcWorkbook;
struct TcReadReport;

namespace spreadsheet {

// `workbook` must be freshly cleared; its sheets and formats are replaced.
void ReadWorkbookStream(const TBytes& stream, TcWorkbook& workbook, TcReadReport& report);

}  // namespace spreadsheet
