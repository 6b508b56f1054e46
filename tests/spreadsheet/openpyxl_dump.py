"""Dumps an Office Open XML workbook (.xlsx) as openpyxl reads it, one fact
a line, so that the workbook tests can check our .xlsx files with a reader
that shares no code with ours. Run with the system's Python 3 and its
python3-openpyxl package.

    openpyxl_dump.py FILE

Lines (fields separated by tabs):
    sheet  INDEX  NAME  visible|hidden|veryHidden
    size   SHEET  ROWS  COLUMNS   (the last row and column that hold a cell)
    cell   SHEET!A1  TYPE  VALUE  NUMBER-FORMAT  BOLD  FONT-SIZE
    column SHEET!A  WIDTH          (only columns with a width of their own)
    row    SHEET!ROW  HEIGHT       (only rows with a height of their own)
TYPE is text, number, date, time, boolean, error, formula or blank; a date's
VALUE is YYYY-MM-DD HH:MM:SS[.ffffff], a time's HH:MM:SS[.ffffff], a
number's Python's repr of the double, a formula's its text without "=".
Texts have tabs, line feeds and backslashes escaped. An error of openpyxl
ends the script with status 1 and its message on standard error.
"""

import datetime
import sys

import openpyxl


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def describe(cell):
    value = cell.value
    if value is None:
        return "blank", ""
    if cell.data_type == "f":
        return "formula", escape(str(value)[1:])
    if cell.data_type == "e":
        return "error", str(value)
    if isinstance(value, bool):
        return "boolean", "TRUE" if value else "FALSE"
    if isinstance(value, datetime.datetime):
        return "date", value.isoformat(sep=" ")
    if isinstance(value, datetime.time):
        return "time", value.isoformat()
    if isinstance(value, (int, float)):
        return "number", repr(float(value))
    return "text", escape(str(value))


def main(path):
    book = openpyxl.load_workbook(path)
    for index, sheet in enumerate(book.worksheets):
        print("sheet\t%d\t%s\t%s" % (index, sheet.title, sheet.sheet_state))
    for sheet in book.worksheets:
        print("size\t%s\t%d\t%d" % (sheet.title, sheet.max_row, sheet.max_column))
        for (row, column) in sorted(sheet._cells):
            cell = sheet._cells[(row, column)]
            kind, value = describe(cell)
            print("cell\t%s!%s\t%s\t%s\t%s\t%s\t%g" % (
                sheet.title, cell.coordinate, kind, value, cell.number_format,
                "bold" if cell.font.b else "regular", cell.font.sz or 0))
        for letter, dimension in sorted(sheet.column_dimensions.items()):
            if dimension.customWidth:
                print("column\t%s!%s\t%g" % (sheet.title, letter, dimension.width))
        for row, dimension in sorted(sheet.row_dimensions.items()):
            if dimension.customHeight:
                print("row\t%s!%d\t%g" % (sheet.title, row, dimension.ht))


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as error:  # any refusal of openpyxl is the answer
        sys.stderr.write("%s: %s\n" % (type(error).__name__, error))
        sys.exit(1)
