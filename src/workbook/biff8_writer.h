#pragma once
// Turns a workbook model into the BIFF8 "Workbook" stream: the globals
// (fonts, number formats, extended formats, sheet list, shared strings) and
// one worksheet substream per sheet. Cell texts are cut to the format's
// 32,767 UTF-16 units, and split between records, never inside a surrogate
// pair; whole numbers are written as RK cells, others as NUMBER; formulas
// are marked for recalculation when the file is opened.

#include "workbook/byte_buffer.h"

class TcWorkbook;

namespace spreadsheet {

// Raises EWorkbookError for a workbook the format cannot hold (sheet names
// that are empty, too long, repeated or hold []:*?/\ characters).
TBytes BuildWorkbookStream(const TcWorkbook& workbook);

}  // namespace spreadsheet
