// XLS CREATE of a name ending in .xlsx writes an Office Open XML workbook:
// the same commands and cells, checked with openpyxl, and results longer
// than an Excel 97 sheet.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/expect_error.h"
#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* const kTypes =
    "CREATE TABLE T (ID INTEGER NOT NULL, NAME VARCHAR(20), TOTAL NUMERIC(15,2), "
    "RATE DOUBLE PRECISION, ORDERED DATE, AT_TIME TIME, STAMP TIMESTAMP, BIG BIGINT, "
    "NOTE VARCHAR(40), SMALL SMALLINT, RATIO FLOAT, CODE CHAR(3));"
    "INSERT INTO T VALUES (1, 'Gr\xC3\xBC\xC3\x9F"
    "e', 1234.50, 0.25, '2024-02-29', '13:45:30', "
    "'2024-02-29 13:45:30.5', 123456789012, '==SUM(a2:A%row%)*2', -7, 0.5, 'ab');"
    "INSERT INTO T (ID, NOTE) VALUES (2, '==\"ROUND(C2/3,2)\";\"0.00\"');"
    "COMMIT;";

// What openpyxl shows: type, value, number format, weight.
struct ExpectedCell {
    const char* Address;
    std::vector<std::string> Fields;
};

const ExpectedCell kCells[] = {
    {"A1", {"text", "Id", "General", "bold", "10"}},
    {"L1", {"text", "Code", "General", "bold", "10"}},
    {"A2", {"number", "1.0", "0", "regular", "10"}},
    {"B2",
     {"text",
      "Gr\xC3\xBC\xC3\x9F"
      "e",
      "General", "regular", "10"}},
    {"C2", {"number", "1234.5", "#,##0.00", "regular", "10"}},
    {"D2", {"number", "0.25", "General", "regular", "10"}},
    {"E2", {"date", "2024-02-29 00:00:00", "dd/mm/yyyy", "regular", "10"}},
    {"F2", {"time", "13:45:30", "hh:mm:ss", "regular", "10"}},
    {"G2", {"date", "2024-02-29 13:45:30.500000", "dd/mm/yyyy hh:mm:ss", "regular", "10"}},
    {"H2", {"number", "123456789012.0", "0", "regular", "10"}},
    {"I2", {"formula", "SUM(A2:A2)*2", "General", "regular", "10"}},
    {"J2", {"number", "-7.0", "0", "regular", "10"}},
    {"K2", {"number", "0.5", "General", "regular", "10"}},
    {"L2", {"text", "ab ", "General", "regular", "10"}},
    {"B3", {"blank", "", "General", "regular", "10"}},  // NULL
    {"I3", {"formula", "ROUND(C2/3,2)", "0.00", "regular", "10"}},
    {"A5", {"text", "Title", "General", "bold", "12"}},        // XLS HEADER
    {"A6", {"text", "'quoted'", "General", "regular", "10"}},  // XLS ECHO
};

class Xlsx : public DatabaseEngine {
  protected:
    void SetUp() override {
        DatabaseEngine::SetUp();
        Run(kTypes);
        file = File("result.xlsx");
    }
    std::string file;
};

TEST_F(Xlsx, EveryTypeAndFormulaReadsBackInOpenpyxl) {
    Run("XLS CREATE '" + file +
        "'; XLS SHEET 'Data'; SELECT * FROM T ORDER BY ID; XLS ROW 5; XLS HEADER Title; "
        "XLS ECHO 'quoted'; XLS CLOSE;");
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    EXPECT_THAT(dump.With("sheet\t"), ElementsAre("sheet\t0\tData\tvisible"));
    for (const ExpectedCell& cell : kCells)
        EXPECT_EQ(dump.Cell("Data!" + std::string(cell.Address)), cell.Fields) << cell.Address;
    // The header row's height and the fitted columns, as XLS CLOSE set them.
    EXPECT_THAT(dump.With("row\tData!5\t"), ElementsAre("row\tData!5\t13.2"));
    EXPECT_EQ(dump.With("column\tData!").size(), 0u);  // XLS ECHO stops the fitting
}

// Doubles the engine computes exactly (IEEE sums, quotients and powers of
// two), each beside the shortest text that reads back as that double (as
// Python prints it): openpyxl must read back every bit.
TEST_F(Xlsx, NumbersKeepEveryBit) {
    const std::pair<const char*, const char*> values[] = {
        {"CAST(0.1 AS DOUBLE PRECISION) + CAST(0.2 AS DOUBLE PRECISION)", "0.30000000000000004"},
        {"1 + POWER(CAST(2 AS DOUBLE PRECISION), -52)", "1.0000000000000002"},
        {"CAST(1 AS DOUBLE PRECISION) / 3", "0.3333333333333333"},
        {"POWER(CAST(2 AS DOUBLE PRECISION), 53) - 1", "9007199254740991.0"},
        {"POWER(CAST(2 AS DOUBLE PRECISION), 1023) * (2 - POWER(CAST(2 AS DOUBLE PRECISION), "
         "-52))",
         "1.7976931348623157e+308"},
        {"-POWER(CAST(2 AS DOUBLE PRECISION), -1022)", "-2.2250738585072014e-308"},
        {"PI()", "3.141592653589793"},
        {"CAST(0.1 AS DOUBLE PRECISION)", "0.1"}};
    std::string select;
    int n = 0;
    for (const auto& [expression, text] : values) {
        if (n > 0) select += " UNION ALL ";
        select +=
            "SELECT " + std::to_string(n) + " AS N, " + expression + " AS X FROM RDB$DATABASE";
        ++n;
    }
    Run("XLS CREATE '" + file + "'; " + select + " ORDER BY 1; XLS CLOSE;");
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    n = 2;
    for (const auto& [expression, text] : values)
        EXPECT_EQ(dump.Cell("Sheet 1!B" + std::to_string(n++))[1], text) << expression;
}

// Markup, quotes, outer blanks, a CR before a line feed and text beyond the
// Basic Multilingual Plane, as openpyxl reads them; control characters and
// text that reads like the format's own escapes do not stop it reading.
const char* const kTexts =
    "CREATE TABLE TX (N INTEGER, S VARCHAR(60) CHARACTER SET UTF8);"
    "INSERT INTO TX VALUES (1, '<a & b> \"quoted\" ''single''');"
    "INSERT INTO TX VALUES (2, '  spaces around  ');"
    "INSERT INTO TX VALUES (3, 'line 1' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'line 2');"
    "INSERT INTO TX VALUES (4, 'Z\xC3\xBCrich \xF0\x9F\x98\x80');"
    "INSERT INTO TX VALUES (5, 'ctl' || ASCII_CHAR(1) || ASCII_CHAR(31) || 'end');"
    "INSERT INTO TX VALUES (6, '_x0041_ stays, _x00 too');"
    "COMMIT;";

TEST_F(Xlsx, TextsReadBackAsTheyWere) {
    Run(kTexts);
    Run("XLS CREATE '" + file + "'; SELECT S FROM TX ORDER BY N; XLS CLOSE;");
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    const std::pair<const char*, const char*> texts[] = {
        {"A2", "<a & b> \"quoted\" 'single'"},
        {"A3", "  spaces around  "},
        {"A4", "line 1\r\\nline 2"},  // the dump shows a line feed as \n
        {"A5", "Z\xC3\xBCrich \xF0\x9F\x98\x80"}};
    for (const auto& [address, text] : texts)
        EXPECT_EQ(dump.Cell(std::string("Sheet 1!") + address)[1], text) << address;
}

// openpyxl shows the format's escapes as they stand; LibreOffice reads them.
TEST_F(Xlsx, ControlCharactersAndEscapeLookalikesAsLibreOfficeReadsThem) {
    if (!LibreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the escapes are not read back";
    Run(kTexts);
    Run("XLS CREATE '" + file + "'; SELECT S FROM TX WHERE N IN (5, 6) ORDER BY N; XLS CLOSE;");
    std::ifstream csv(ConvertWithLibreOffice(file, folder.Path(), "csv"), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) lines.push_back(line);
    EXPECT_THAT(lines, ElementsAre("S",
                                   "ctl\x01\x1F"
                                   "end",
                                   "\"_x0041_ stays, _x00 too\""));
}

TEST_F(Xlsx, ColumnsAreFittedAsInExcel97) {
    Run("XLS CREATE '" + file + "'; SELECT NAME, STAMP FROM T WHERE ID = 1; XLS CLOSE;");
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    EXPECT_EQ(dump.With("column\tSheet 1!A\t").size(), 1u);
    EXPECT_EQ(dump.With("column\tSheet 1!B\t").size(), 1u);
}

// 70,000 rows: more than an Excel 97 sheet holds (65,536), which stops the
// capture of an .xls there, are all kept in an .xlsx.
const char* const kManyRows =
    "WITH RECURSIVE D(N) AS (SELECT 0 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM D WHERE "
    "N < 9) SELECT A.N * 10000 + B.N * 1000 + C.N * 100 + E.N * 10 + F.N + 1 AS N FROM D A, D "
    "B, D C, D E, D F WHERE A.N < 7 ORDER BY 1;";

TEST_F(Xlsx, HoldsMoreRowsThanAnExcel97Sheet) {
    Run("XLS CREATE '" + file + "';");
    Run(kManyRows);
    EXPECT_EQ(engine->CursorRow, 70001);
    Run("XLS CLOSE;");
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    EXPECT_THAT(dump.With("size\t"), ElementsAre("size\tSheet 1\t70001\t1"));
    EXPECT_EQ(dump.Cell("Sheet 1!A70001")[1], "70000.0");
    EXPECT_EQ(dump.Cell("Sheet 1!A65537")[1], "65536.0");

    // The same result stops at the end of an Excel 97 sheet.
    Run("XLS CREATE '" + File("result.xls") + "';");
    Run(kManyRows);
    EXPECT_EQ(engine->CursorRow, 65536);
    EXPECT_THAT(Run("XLS CLOSE;"), HasSubstr("Maximum number of rows exceeded"));
}

TEST_F(Xlsx, FormulasReachTheRowsOfTheLargerSheet) {
    Run("INSERT INTO T (ID, NOTE) VALUES (3, '==SUM(A1:A1048576)+A100000'); COMMIT;");
    Run("XLS CREATE '" + file + "'; SELECT NOTE FROM T WHERE ID = 3; XLS CLOSE;");
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    EXPECT_EQ(dump.Cell("Sheet 1!A2")[1], "SUM(A1:A1048576)+A100000");
}

// The formula is refused as it is in an .xls: the capture stops there.
TEST_F(Xlsx, AnUnknownFunctionStopsTheCapture) {
    Run("INSERT INTO T (ID, NOTE) VALUES (3, '==NOSUCH(1)'); COMMIT;");
    Run("XLS CREATE '" + file + "'; SELECT NOTE FROM T WHERE ID = 3;");
    EXPECT_THAT(Run("XLS CLOSE;"), HasSubstr("unknown function 'NOSUCH'"));
}

TEST_F(Xlsx, OpenIsRefusedWithAClearMessage) {
    Run("XLS CREATE '" + file + "'; XLS ECHO x; XLS CLOSE;");
    EXPECT_RAISES_CONTAINING(Exception, Run("XLS OPEN '" + file + "'"),
                             "is an Office Open XML workbook (.xlsx), which cannot be opened");
    // By its content too, under another name.
    const std::string renamed = File("renamed.xls");
    ASSERT_EQ(std::rename(file.c_str(), renamed.c_str()), 0);
    EXPECT_RAISES_CONTAINING(Exception, Run("XLS OPEN '" + renamed + "'"),
                             "is an Office Open XML workbook (.xlsx), which cannot be opened");
}

// The file rules of the Excel 97 writer hold: the mode of the file written
// over is kept, a symbolic link is followed to its target, and a folder is
// refused before anything is captured.
TEST_F(Xlsx, WritesAsSafelyAsExcel97) {
    { std::ofstream(file) << "old"; }
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    const std::string link = File("link.xlsx");
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    Run("XLS CREATE '" + link + "'; XLS ECHO x; XLS CLOSE;");
    struct stat status {};
    ASSERT_EQ(::lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadWithOpenpyxl(file).Cell("Sheet 1!A1")[1], "x");
    const std::string folder = File("folder.xlsx");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_RAISES_CONTAINING(Exception, Run("XLS CREATE '" + folder + "'"), "is a directory");
}

}  // namespace

namespace {

// A full disk (here: a file size limit) fails XLS CLOSE with its reason and
// leaves the old workbook whole, with no temporary file beside it.
TEST_F(Xlsx, AFailedWriteNamesItsReasonAndKeepsTheOldFile) {
    Run("XLS CREATE '" + file + "'; XLS ECHO old; XLS CLOSE;");
    const TBytes before = ReadFileBytes(file);
    Run("XLS CREATE '" + file + "';");
    Run(kManyRows);
    {
        TcFileSizeLimit limit(before.size() + 4096);
        EXPECT_RAISES_CONTAINING(Exception, Run("XLS CLOSE;"),
                                 "Cannot write '" + file + "': File too large.");
    }
    EXPECT_EQ(ReadFileBytes(file), before);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("result.xlsx", "test.fdb"));
    Run("XLS CLOSE;");
    EXPECT_EQ(ReadWithOpenpyxl(file).Cell("Sheet 1!A70001")[1], "70000.0");
}

}  // namespace
