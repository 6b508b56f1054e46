// What a workbook of another program keeps when a capture writes into it and
// XLS CLOSE writes it back: its date system, the column widths it set, its
// default row height and flags, its document properties. The fixtures were
// made by LibreOffice from the .fods beside them (see fixtures/README.md);
// xlrd and FreeXL read the files written.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "workbook/compound_document.h"
#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ForeignWorkbook : public DatabaseEngine {
  protected:
    // A copy of the fixture in the test's folder.
    std::string Copy(const std::string& fixture) {
        const std::string file = File(fixture);
        std::filesystem::copy_file(FixturePath(fixture), file);
        return file;
    }
    static std::vector<std::string> Field(const TcXlrdDump& dump, const std::string& cell,
                                          size_t count = 2) {
        std::vector<std::string> fields = dump.Cell(cell);
        if (fields.size() > count) fields.resize(count);
        return fields;
    }
};

// The workbook counts dates from 1904: its own dates, the cached result of
// a formula that is a date, and the captured dates all read as they were,
// and a date the 1904 system cannot hold is text, said once.
TEST_F(ForeignWorkbook, TheDateSystemOf1904IsKept) {
    const std::string file = Copy("date1904.xls");
    Run("XLS OPEN '" + file +
        "'; XLS SHEET Captured;"
        "SELECT CAST('2024-02-29' AS DATE) AS D, CAST('1904-01-01 06:00:00' AS TIMESTAMP) AS S "
        "FROM RDB$DATABASE UNION ALL "
        "SELECT CAST('1903-12-31' AS DATE), CAST('1903-12-31 23:59:59' AS TIMESTAMP) "
        "FROM RDB$DATABASE;");
    EXPECT_THAT(Run("XLS CLOSE;"),
                HasSubstr("Dates before 1 January 1904 were written as text (year-month-day): "
                          "the workbook counts dates from 1904."));
    const TcXlrdDump xlrd = ReadWithXlrd(file);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    EXPECT_THAT(xlrd.With("datemode\t"), ElementsAre("datemode\t1"));
    EXPECT_EQ(Field(xlrd, "Dates!A1"), (std::vector<std::string>{"date", "2024-02-29 00:00:00"}));
    // A formula's cached result: readers that do not recalculate show it.
    EXPECT_EQ(Field(xlrd, "Dates!B1"), (std::vector<std::string>{"date", "2024-03-01 00:00:00"}));
    EXPECT_EQ(Field(xlrd, "Dates!C1"), (std::vector<std::string>{"number", "42.0"}));
    EXPECT_EQ(Field(xlrd, "Captured!A2"),
              (std::vector<std::string>{"date", "2024-02-29 00:00:00"}));
    EXPECT_EQ(Field(xlrd, "Captured!B2"),
              (std::vector<std::string>{"date", "1904-01-01 06:00:00"}));
    EXPECT_EQ(Field(xlrd, "Captured!A3"), (std::vector<std::string>{"text", "1903-12-31"}));
    EXPECT_EQ(Field(xlrd, "Captured!B3"),
              (std::vector<std::string>{"text", "1903-12-31 23:59:59"}));

    // A workbook created afresh counts from 1900 again.
    const std::string fresh = File("fresh.xls");
    Run("XLS CREATE '" + fresh + "'; SELECT CAST('2024-02-29' AS DATE) FROM RDB$DATABASE;");
    EXPECT_EQ(Run("XLS CLOSE;"), "Done.");
    const TcXlrdDump again = ReadWithXlrd(fresh);
    EXPECT_THAT(again.With("datemode\t"), ElementsAre("datemode\t0"));
    EXPECT_EQ(Field(again, "Sheet 1!A2"),
              (std::vector<std::string>{"date", "2024-02-29 00:00:00"}));
}

// The widths the workbook gave columns A and B stay when a capture writes
// into them; column C, which has only the width LibreOffice gives every
// column to the sheet's end, is fitted to the captured text. The default
// row height keeps its flags (not set by hand), as the file had them.
TEST_F(ForeignWorkbook, ColumnWidthsAndTheDefaultRowItSetAreKept) {
    const std::string file = Copy("foreign.xls");
    const TcXlrdDump before = ReadWithXlrd(file);
    ASSERT_EQ(before.Status, 0);
    const std::string wide = std::string(60, 'w');
    Run("XLS OPEN '" + file + "'; XLS ROW 3; SELECT '" + wide + "' AS A, '" + wide + "' AS B, '" +
        wide + "' AS C FROM RDB$DATABASE;");
    Run("XLS CLOSE;");
    const TcXlrdDump after = ReadWithXlrd(file);
    ASSERT_EQ(after.Status, 0) << ::testing::PrintToString(after.Lines);
    EXPECT_EQ(Field(after, "Data!C4"), (std::vector<std::string>{"text", wide}));
    const std::vector<std::string> columns = after.With("column\tData!");
    ASSERT_GE(columns.size(), 3u) << ::testing::PrintToString(columns);
    const std::vector<std::string> widths = before.With("column\tData!");
    ASSERT_EQ(widths.size(), 3u) << ::testing::PrintToString(widths);
    EXPECT_EQ(columns[0], widths[0]);  // A, 4 cm
    EXPECT_EQ(columns[1], widths[1]);  // B, 0.8 cm
    EXPECT_THAT(columns[2], ::testing::StartsWith("column\tData!C\t"));
    EXPECT_NE(columns[2], "column\tData!C\t2953\tshown\tlevel 0");  // fitted, not the default
    EXPECT_EQ(after.With("view\tData"), before.With("view\tData"));
    EXPECT_THAT(after.With("view\tData"), ElementsAre(HasSubstr("default row 0000")));
}

// Title, author, subject, keywords and comments stay, as olefile reads
// them, and so do the bytes of both property streams and of the OLE streams.
TEST_F(ForeignWorkbook, DocumentPropertiesAreKept) {
    const std::string file = Copy("foreign.xls");
    const TcXlrdDump before = ReadPropertiesWithOlefile(file);
    ASSERT_EQ(before.Status, 0) << ::testing::PrintToString(before.Lines);
    EXPECT_THAT(before.Lines, ::testing::Contains("property\ttitle\tQuarterly figures"));
    Run("XLS OPEN '" + file + "'; XLS SHEET Captured; SELECT 1 AS N FROM RDB$DATABASE;");
    Run("XLS CLOSE;");
    const TcXlrdDump after = ReadPropertiesWithOlefile(file);
    ASSERT_EQ(after.Status, 0) << ::testing::PrintToString(after.Lines);
    EXPECT_EQ(after.With("property\t"), before.With("property\t"));
    EXPECT_THAT(after.With("stream\t"),
                ElementsAre("stream\t\001CompObj", "stream\t\001Ole",
                            "stream\t\005DocumentSummaryInformation",
                            "stream\t\005SummaryInformation", "stream\tWorkbook"));
    const TBytes originalBytes = ReadFileBytes(FixturePath("foreign.xls"));
    const TBytes writtenBytes = ReadFileBytes(file);
    const spreadsheet::TcCompoundDocument original(originalBytes), written(writtenBytes);
    for (const char* name :
         {"\005SummaryInformation", "\005DocumentSummaryInformation", "\001CompObj", "\001Ole"}) {
        ASSERT_GE(written.FindInRoot(name), 0) << name + 1;
        EXPECT_EQ(written.ReadStream(written.FindInRoot(name)),
                  original.ReadStream(original.FindInRoot(name)))
            << name + 1;
    }
    const TcXlrdDump xlrd = ReadWithXlrd(file);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    EXPECT_EQ(Field(xlrd, "Captured!A2"), (std::vector<std::string>{"number", "1.0"}));
    // Written again, they are still there: the file is ours now.
    Run("XLS OPEN '" + file + "'; XLS ECHO again; XLS CLOSE;");
    EXPECT_EQ(ReadPropertiesWithOlefile(file).Lines, after.Lines);
}

}  // namespace
