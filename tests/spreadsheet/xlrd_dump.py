"""Dumps an Excel 97 workbook as xlrd reads it, one fact a line, so that the
workbook tests can check our files with a reader that shares no code with
ours. Run with the system's Python 3 and its python3-xlrd package.

    xlrd_dump.py FILE

Lines (fields separated by tabs):
    sheet  INDEX  NAME  visible|hidden|very hidden
    cell   SHEET!A1  TYPE  VALUE  NUMBER-FORMAT  BOLD  FONT-SIZE
    row    SHEET!ROW  HEIGHT  custom|auto  hidden|shown  level N [collapsed]
    column SHEET!COLUMNS  WIDTH  hidden|shown  level N   (A, or A:C for a run alike)
    view   SHEET  grid, frozen panes, split, zoom, page breaks, default sizes and the
                  default row's flags (set by hand, hidden, space above, below)
    datemode 0|1                (1: dates count from 1 January 1904)
    colour INDEX  RRGGBB        (only the palette entries the file changed)
TYPE is text, number, date, boolean, error or blank; a date's VALUE is
YYYY-MM-DD HH:MM:SS, a number's the shortest text that reads back as the
same double, an error's its text (#NUM!). Texts have tabs, line feeds and
backslashes escaped. An error of xlrd ends the script with status 1 and its
message on standard error.
"""

import sys

import xlrd

VISIBILITY = {0: "visible", 1: "hidden", 2: "very hidden"}
TYPES = {
    xlrd.XL_CELL_TEXT: "text",
    xlrd.XL_CELL_NUMBER: "number",
    xlrd.XL_CELL_DATE: "date",
    xlrd.XL_CELL_BOOLEAN: "boolean",
    xlrd.XL_CELL_ERROR: "error",
    xlrd.XL_CELL_BLANK: "blank",
}


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def column_letters(index):
    letters = ""
    index += 1
    while index > 0:
        index, rest = divmod(index - 1, 26)
        letters = chr(65 + rest) + letters
    return letters


def cell_value(book, cell):
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return escape(cell.value)
    if cell.ctype == xlrd.XL_CELL_DATE:
        stamp = xlrd.xldate.xldate_as_datetime(cell.value, book.datemode)
        return stamp.strftime("%Y-%m-%d %H:%M:%S")
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return repr(cell.value)
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return "TRUE" if cell.value else "FALSE"
    if cell.ctype == xlrd.XL_CELL_ERROR:
        return xlrd.error_text_from_code.get(cell.value, "#?")
    return ""


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    out = ["datemode\t%d" % book.datemode]
    for index in range(book.nsheets):
        sheet = book.sheet_by_index(index)
        out.append("sheet\t%d\t%s\t%s" % (index, escape(sheet.name),
                                           VISIBILITY.get(sheet.visibility, "?")))
    for index in range(book.nsheets):
        sheet = book.sheet_by_index(index)
        name = escape(sheet.name)
        for row in range(sheet.nrows):
            for column in range(sheet.ncols):
                cell = sheet.cell(row, column)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                xf = book.xf_list[cell.xf_index]
                number_format = book.format_map[xf.format_key].format_str
                font = book.font_list[xf.font_index]
                out.append("cell\t%s!%s%d\t%s\t%s\t%s\t%s\t%g" % (
                    name, column_letters(column), row + 1, TYPES[cell.ctype],
                    cell_value(book, cell), escape(number_format),
                    "bold" if font.weight >= 600 else "regular", font.height / 20.0))
        for row in sorted(sheet.rowinfo_map):
            info = sheet.rowinfo_map[row]
            out.append("row\t%s!%d\t%d\t%s\t%s\tlevel %d%s" % (
                name, row + 1, info.height, "custom" if info.height_mismatch else "auto",
                "hidden" if info.hidden else "shown", info.outline_level,
                " collapsed" if info.outline_group_starts_ends else ""))
        # Columns that look alike are one line: A or A:C.
        runs = []
        for column in sorted(sheet.colinfo_map):
            info = sheet.colinfo_map[column]
            look = (info.width, "hidden" if info.hidden else "shown", info.outline_level)
            if runs and runs[-1][1] == column - 1 and runs[-1][2] == look:
                runs[-1][1] = column
            else:
                runs.append([column, column, look])
        for first, last, (width, shown, level) in runs:
            span = column_letters(first)
            if last != first:
                span += ":" + column_letters(last)
            out.append("column\t%s!%s\t%d\t%s\tlevel %d" % (name, span, width, shown, level))
        out.append("view\t%s\tgrid %d\tfrozen %d\tsplit %d,%d\tzoom %s\tbreaks %s %s\t"
                   "default width %s\tdefault height %s\tdefault row %s" % (
                       name, sheet.show_grid_lines, sheet.panes_are_frozen, sheet.horz_split_pos,
                       sheet.vert_split_pos, sheet.scl_mag_factor, sheet.horizontal_page_breaks,
                       sheet.vertical_page_breaks, sheet.defcolwidth, sheet.default_row_height,
                       "".join(str(int(flag or 0)) for flag in (
                           sheet.default_row_height_mismatch, sheet.default_row_hidden,
                           sheet.default_additional_space_above,
                           sheet.default_additional_space_below))))
    if book.palette_record:
        for offset, rgb in enumerate(book.palette_record):
            out.append("colour\t%d\t%02X%02X%02X" % ((offset + 8,) + tuple(rgb)))
    sys.stdout.write("".join(line + "\n" for line in out))


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as error:  # every failure of the reader is the answer
        sys.stderr.write("xlrd: %s: %s\n" % (type(error).__name__, error))
        sys.exit(1)
