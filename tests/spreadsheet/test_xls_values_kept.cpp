// Values a workbook cannot hold as they are: dates before 1 March 1900 are
// written as ISO text with their whole value, and XLS CLOSE says so once;
// texts longer than a cell holds are cut, and XLS CLOSE names each cut.
// CHAR values are captured as results show them: without the blanks the
// server pads a UTF-8 value with to four bytes a character.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <freexl.h>

#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

using ::testing::HasSubstr;

const char* const kEarlyDatesNote =
    "Dates before 1 March 1900 were written as text (year-month-day), which spreadsheets do not "
    "read as dates.";

TEST_F(DatabaseEngine, DatesBefore1900KeepTheirWholeValue) {
    Run("CREATE TABLE T (ID INTEGER, D DATE, S TIMESTAMP); COMMIT;"
        "INSERT INTO T VALUES (1, '1900-02-28', '1900-02-28 23:59:59.999');"
        "INSERT INTO T VALUES (2, '0001-01-01', '0001-01-01 00:00:00');"
        "INSERT INTO T VALUES (3, '1899-12-30', '1899-12-30 12:00:01.5');"
        "INSERT INTO T VALUES (4, '1900-03-01', '1900-03-01 00:00:00'); COMMIT;");
    const std::string file = File("early.xls");
    Run("XLS CREATE '" + file + "'; SELECT D, S FROM T ORDER BY ID;");
    EXPECT_EQ(Run("XLS CLOSE;"), kEarlyDatesNote);  // once for six dates

    TcXlrdDump xlrd = ReadWithXlrd(file);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    const std::vector<std::pair<std::string, std::vector<std::string>>> cells = {
        {"A2", {"text", "1900-02-28"}},          {"B2", {"text", "1900-02-28 23:59:59.999"}},
        {"A3", {"text", "0001-01-01"}},          {"B3", {"text", "0001-01-01 00:00:00"}},
        {"A4", {"text", "1899-12-30"}},          {"B4", {"text", "1899-12-30 12:00:01.5"}},
        {"A5", {"date", "1900-03-01 00:00:00"}},
    };
    for (const auto& [cell, expected] : cells) {
        const std::vector<std::string> got = xlrd.Cell("Sheet 1!" + cell);
        ASSERT_GE(got.size(), 2u) << cell;
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 2), expected) << cell;
    }
}

TEST_F(XlsEngine, ATextLongerThanACellHoldsIsReportedAtClose) {
    const std::string file = File("long.xls");
    Run("XLS CREATE '" + file + "'; XLS SHEET First; XLS ECHO short; XLS COLUMN 3; XLS ECHO " +
        std::string(40000, 'x') + "; XLS SHEET Second; XLS ECHO " + std::string(32767, 'y') + ";");
    EXPECT_EQ(Run("XLS CLOSE;"),
              "The text in cell C2 of sheet First was cut to 32767 of its 40000 characters.");
    TcXlrdDump xlrd = ReadWithXlrd(file);
    ASSERT_EQ(xlrd.Status, 0);
    const std::vector<std::string> cut = xlrd.Cell("First!C2");
    ASSERT_GE(cut.size(), 2u);
    EXPECT_EQ(cut[1], std::string(32767, 'x'));
}

// A CHAR(10) in UTF8 comes padded to 40 bytes. Captured, it is its ten
// characters, or without its blanks under SET TRIM_CHAR_FIELDS ON; and the
// column is fitted to that, as wide as a VARCHAR of the same text.
TEST_F(DatabaseEngine, CharValuesArePaddedToTheirLengthInCharactersOrTrimmed) {
    Run("CREATE TABLE CITIES (C CHAR(10) CHARACTER SET UTF8, V VARCHAR(10) CHARACTER SET UTF8);"
        "COMMIT; INSERT INTO CITIES VALUES ('Z\xC3\xBCrich', 'Z\xC3\xBCrich    '); COMMIT;");
    struct Case {
        const char* Setting;
        std::string Expected;
    };
    const Case cases[] = {{"OFF", "Z\xC3\xBCrich    "}, {"ON", "Z\xC3\xBCrich"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Setting);
        const std::string file = File(std::string("char-") + c.Setting + ".xls");
        Run(std::string("SET TRIM_CHAR_FIELDS ") + c.Setting + "; XLS CREATE '" + file +
            "'; SELECT C, V FROM CITIES; XLS CLOSE;");
        TcXlrdDump xlrd = ReadWithXlrd(file);
        ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
        const std::vector<std::string> cell = xlrd.Cell("Sheet 1!A2");
        ASSERT_GE(cell.size(), 2u);
        EXPECT_EQ(cell[1], c.Expected);
        TcFreeXL freexl(file);
        freexl.Select(0);
        const TcFreeXLCell seen = freexl.Cell(1, 0);
        EXPECT_EQ(seen.Type, FREEXL_CELL_SST_TEXT);
        EXPECT_EQ(seen.Text, c.Expected);
        // Fitted like the VARCHAR beside it when that holds the same text.
        const std::vector<std::string> columns = xlrd.With("column\tSheet 1!");
        ASSERT_FALSE(columns.empty());
        if (c.Expected == "Z\xC3\xBCrich    ") {
            EXPECT_THAT(columns[0], HasSubstr("Sheet 1!A:B\t"))
                << ::testing::PrintToString(columns);
        }
    }
}

}  // namespace
