#pragma once
// Writes the workbook model as an Office Open XML workbook (.xlsx): the same
// cells, formats, formulas, column widths and row heights as the Excel 97
// writer, on sheets of up to 1,048,576 rows. The sheets are made and
// deflated as they are written, so a large sheet is never held twice.

#include <string>
#include <string_view>

class TcWorkbook;

namespace spreadsheet {

// Writes `book` to the open regular file `fd` (see ReplaceWorkbookFileWith).
// Answers 0, or the errno of the file's failure. `forceZip64` writes the
// large-archive records of a package past 4 GiB whatever its size (tests).
int WriteOpenXmlWorkbook(const TcWorkbook& book, int fd, bool forceZip64 = false);

// A formula's text as an Office Open XML file holds it: function names,
// cell references and TRUE/FALSE in upper case (the text the console takes
// may be in any case); strings and sheet names as they are.
std::string OpenXmlFormulaText(const std::string& formula);

// Appends a cell's text as the character data of an element: markup and
// line ends escaped for XML, control characters (which XML cannot hold) and
// text that looks like such an escape written as the format's "_xHHHH_"
// escapes, and bytes that are no UTF-8 taken as Latin-1, as the Excel 97
// writer takes them.
void AppendCellText(std::string& out, std::string_view text);

}  // namespace spreadsheet
