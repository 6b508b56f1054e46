#pragma once
// TcDBScripter_IBView: the one reader of the scripter's buffered rows. It
// turns raw row cells into display texts, computes a width per column over
// all rows, and composes the text lines of a finished statement; the window,
// the catalogue commands and the spreadsheet capture all read through it.
//
// Contract: one thread. The view never owns the rows; it reads the current
// OutputSQLDA of its scripter on every call, so it stays valid across
// statements. The cursor is shared by all readers and every BuildOutput
// recomputes the widths.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_utils.h"
#include "mdo/value_format.h"

class TcDBScripter_IB;
class TcOutputSQLDA;

class TcDBScripter_IBView {
  public:
    explicit TcDBScripter_IBView(TcDBScripter_IB& scripter);

    void First() { RowIndex_ = 0; }
    // Moves only while not at the end.
    void Next();
    bool AtEnd() const;
    bool IsFirstRow() const { return RowIndex_ < 1; }
    int RowIndex() const { return RowIndex_; }

    int ColumnCount() const;
    // The column's alias name.
    std::string ColumnName(int column) const;
    // The column's SQL type code without the nullable bit: one of the client
    // library's SQL_TEXT, SQL_VARYING, SQL_SHORT, SQL_LONG, SQL_INT64,
    // SQL_FLOAT, SQL_DOUBLE, SQL_TIMESTAMP, SQL_TYPE_DATE, SQL_TYPE_TIME,
    // SQL_BOOLEAN, SQL_BLOB, SQL_ARRAY.
    int ColumnType(int column) const;
    // 0, or minus the number of decimals of a scaled number.
    int ColumnScale(int column) const;
    // The blob subtype (1: text) or the character set of a text column.
    int ColumnSubType(int column) const;
    // Numbers: SQL_SHORT, SQL_LONG, SQL_INT64 at any scale, SQL_FLOAT and
    // SQL_DOUBLE. Dates and times: SQL_TIMESTAMP, SQL_TYPE_DATE and
    // SQL_TYPE_TIME. These are the columns NumberValue reads.
    bool IsNumeric(int column) const;
    bool IsDateTime(int column) const;
    // The native value of the column in the current row, for a typed cell
    // where ValueText would round or cut it: a number as a double (a scaled
    // integer divided by its power of ten), a date or time as a date-time
    // serial (days since 30-12-1899, the time of day as the fraction, with
    // its fraction of a second; a TIME gives the fraction alone). 0 for
    // NULL. Raises EDeveloper for a column of another type.
    double NumberValue(int column) const;
    // First column whose alias equals the name ignoring case, or -1.
    int FindColumn(std::string_view name) const;
    // Whether the column is NULL in the current row.
    bool IsNull(int column) const;
    // Display text of the column in the current row; empty for NULL.
    std::string ValueText(int column) const;
    // The value of the column in the current row for a cell of its own (a
    // spreadsheet's): ValueText, but a CHAR value loses its trailing blanks
    // when TrimCharFields is on, as the text output shows it, and is else
    // padded to its declared length in characters only: the server pads a
    // UTF-8 value to its length in bytes, three or four a character, and
    // the blanks beyond its characters are no part of the value.
    std::string CellValueText(int column) const;
    // Raises EDeveloper "Field %s not found." for an unknown name.
    std::string ValueByName(std::string_view name) const;
    // The type name of the current row of a column-metadata query.
    void DescribeType(std::string& name, std::string& type, std::string& domain,
                      std::string& notNull) const;

    // Widths and alignments from all buffered rows; the cursor goes to the
    // first row.
    void ComputeWidths();
    const std::vector<int>& Widths() const { return Widths_; }
    // One flag per column: text columns are left aligned, numbers right.
    const std::vector<bool>& LeftAligned() const { return LeftAligned_; }
    // The column names and their underlines, CR LF between them.
    std::string HeaderLines() const;
    // The current row padded to the widths: exactly sum(width + 1) screen
    // cells (bytes, unless a UTF-8 column holds characters of several bytes).
    std::string RowLine() const;
    // Appends every output line of the finished statement.
    void BuildOutput(TStringList& lines);
    // Hands every output line of the finished statement to `sink`, one at a
    // time, so that a front end writing them out never holds them all: the
    // same lines as BuildOutput. The text passed is valid only during the
    // call.
    void WriteOutput(const std::function<void(std::string_view line)>& sink);

  private:
    const TcOutputSQLDA& Buffer() const;
    // The column's descriptor entry; EDeveloper for an index out of range.
    const XSQLVAR& ColumnVar(int column) const;
    const char* CurrentRow(int column) const;
    // The cell's display text; may point into the row buffer or `scratch`,
    // which must hold kScratchSize bytes.
    std::string_view CellText(int column, const char* cell, char* scratch) const;
    // A cell text as the output shows it: a CHAR value without its trailing
    // blanks and control characters when TrimCharFields is on.
    std::string_view ShownText(int column, std::string_view text) const;
    void AppendRowLine(std::string& line, int row) const;
    // The cells the widest value of the column takes where values decide
    // it: numbers, and UTF-8 text (0 for other columns).
    int ValueWidth(int column, int rows) const;
    // Whether the column names come in UTF-8.
    bool NamesAreUtf8() const;
    int LineLength() const;

    static constexpr size_t kScratchSize = kValueTextCapacity;

    TcDBScripter_IB& scripter_;
    int RowIndex_ = 0;
    std::vector<int> Widths_;
    std::vector<bool> LeftAligned_;
    // Per column: its texts are UTF-8 and laid out by screen cells.
    std::vector<bool> Utf8_;
    bool Utf8Names_ = true;
};
