#pragma once
// Writes the workbook model as an Office Open XML workbook (.xlsx) with
// libxlsxwriter: the same cells, formats, formulas, column widths and row
// heights as the Excel 97 writer, on sheets of up to 1,048,576 rows.

#include <string>

class TcWorkbook;

namespace spreadsheet {

// Writes `book` to the file at `path`, which the caller has made (see
// ReplaceWorkbookFileWith). Raises EWorkbookError naming `name` when
// libxlsxwriter fails.
void WriteOpenXmlWorkbook(const TcWorkbook& book, const std::string& path, const std::string& name);

// A formula's text as an Office Open XML file holds it: function names,
// cell references and TRUE/FALSE in upper case (the text the console takes
// may be in any case); strings and sheet names as they are.
std::string OpenXmlFormulaText(const std::string& formula);

}  // namespace spreadsheet
