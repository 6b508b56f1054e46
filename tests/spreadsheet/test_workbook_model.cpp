// The workbook model's operations and its limits.

#include <gtest/gtest.h>

#include "foundation/temp_dir.h"
#include "support/expect_error.h"
#include "workbook/workbook.h"

namespace {

TEST(WorkbookModel, ClearWorkbookLeavesOneSheetAndTheDefaults) {
    TcWorkbook book;
    book.Sheets().Add("Extra");
    book.Formats().Add("Extra");
    book.Formats().AddFont(TcFont{});
    book.ClearWorkbook();
    ASSERT_EQ(book.Sheets().Count(), 1);
    EXPECT_EQ(book.Sheets()[0].Name, "Sheet1");
    EXPECT_EQ(book.Sheets()[0].CellCount(), 0u);
    EXPECT_EQ(book.Formats().Count(), 1);
    EXPECT_EQ(book.Formats().FontCount(), 1);
    EXPECT_EQ(book.Formats().Font().Name, "Arial");
    EXPECT_EQ(book.Formats().Font().Size, 10);
    EXPECT_EQ(book.Version, TExcelVersion::xvExcel97);
}

// The file name decides the format, and the format the sheet's last row.
TEST(WorkbookModel, AnOpenXmlSheetHoldsMoreRows) {
    const std::pair<const char*, TExcelVersion> names[] = {
        {"a.xlsx", TExcelVersion::xvOpenXml},
        {"dir/B.XLSX", TExcelVersion::xvOpenXml},
        {"a.xls", TExcelVersion::xvExcel97},
        {"xlsx", TExcelVersion::xvExcel97},
        {"a.xlsx.xls", TExcelVersion::xvExcel97}};
    for (const auto& [name, version] : names)
        EXPECT_EQ(TcWorkbook::VersionForFile(name), version) << name;
    TcWorkbook book;
    EXPECT_THROW(book.Sheets()[0].WriteNumberCell(0, 65536, 1, 0), EWorkbookError);
    EXPECT_THROW(book.Sheets()[0].WriteFormulaCellRaw(0, 0, "A65537", " ", 0), EFormulaError);
    book.Version = TExcelVersion::xvOpenXml;
    book.Sheets()[0].WriteNumberCell(0, 1048575, 1, 0);
    book.Sheets()[0].WriteFormulaCellRaw(1, 0, "SUM(A65537:A1048576)", " ", 0);
    EXPECT_EQ(book.Sheets()[0].RowCount(), 1048576);
    EXPECT_THROW(book.Sheets()[0].WriteNumberCell(0, 1048576, 1, 0), EWorkbookError);
}

TEST(WorkbookModel, SheetsAreFoundByIndexAndName) {
    TcWorkbook book;
    TcSheet& second = book.Sheets().Add("Orders");
    EXPECT_EQ(book.Sheets().IndexOf(&second), 1);
    EXPECT_EQ(book.Sheets().IndexOf(nullptr), -1);
    EXPECT_EQ(book.Sheets().IndexOfName("ORDERS"), 1);
    EXPECT_EQ(book.Sheets().IndexOfName("Missing"), -1);
    EXPECT_THROW(book.Sheets()[2], EWorkbookError);
    EXPECT_THROW(book.Formats()[1], EWorkbookError);
    EXPECT_THROW(book.Formats().Fonts(1), EWorkbookError);
}

TEST(WorkbookModel, ACellTakesTheKindOfItsLastWrite) {
    TcWorkbook book;
    TcSheet& sheet = book.Sheets()[0];
    sheet.WriteTextCell(3, 2, "text", 0);
    sheet.WriteNumberCell(3, 2, 1.5, 0);
    sheet.WriteNumberCell(1, 2, 2, 0);  // before the existing cell in the row
    ASSERT_EQ(sheet.CellCount(), 2u);
    EXPECT_EQ(sheet.Cell(3, 2)->Type, TCellType::Number);
    EXPECT_EQ(sheet.Cell(3, 2)->Text, "");
    EXPECT_EQ(sheet.RowCells(2).front().Column, 1);
    sheet.WriteFormulaCellRaw(3, 2, "1+1", " ", 0);
    EXPECT_EQ(sheet.Cell(3, 2)->Type, TCellType::Formula);
    EXPECT_EQ(sheet.Cell(3, 2)->Formula->Text, "1+1");
    EXPECT_EQ(sheet.Cell(0, 0), nullptr);
}

struct OutsideCase {
    const char* Name;
    int Column, Row, Format;
};

class CellsOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(CellsOutside, AreRefused) {
    TcWorkbook book;
    const OutsideCase& c = GetParam();
    EXPECT_THROW(book.Sheets()[0].WriteTextCell(c.Column, c.Row, "x", c.Format), EWorkbookError);
    EXPECT_THROW(book.Sheets()[0].WriteNumberCell(c.Column, c.Row, 1, c.Format), EWorkbookError);
    EXPECT_EQ(book.Sheets()[0].CellCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, CellsOutside,
                         ::testing::Values(OutsideCase{"NegativeColumn", -1, 0, 0},
                                           OutsideCase{"ColumnPastIV", 256, 0, 0},
                                           OutsideCase{"NegativeRow", 0, -1, 0},
                                           OutsideCase{"RowPast65536", 0, 65536, 0},
                                           OutsideCase{"UnknownFormat", 0, 0, 1},
                                           OutsideCase{"NegativeFormat", 0, 0, -1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(WorkbookModel, AFormulaThatCannotCompileWritesNoCell) {
    TcWorkbook book;
    EXPECT_THROW(book.Sheets()[0].WriteFormulaCellRaw(0, 0, "SUM(", " ", 0), EFormulaError);
    EXPECT_EQ(book.Sheets()[0].CellCount(), 0u);
    // A sheet named in a formula must exist when the formula is written.
    EXPECT_THROW(book.Sheets()[0].WriteFormulaCellRaw(0, 0, "Later!A1", " ", 0), EFormulaError);
    book.Sheets().Add("Later");
    book.Sheets()[0].WriteFormulaCellRaw(0, 0, "Later!A1", " ", 0);
    EXPECT_EQ(book.Sheets()[0].Cell(0, 0)->Formula->Tokens[1], 1);
}

TEST(WorkbookModel, AutoFitFollowsTheWidestCellAndItsFont) {
    TcWorkbook book;
    TcSheet& sheet = book.Sheets()[0];
    TcFont big;
    big.Size = 20;
    int bigFormat = book.Formats().Add("Big");
    book.Formats()[bigFormat].FontIndex = book.Formats().AddFont(big);
    int money = book.Formats().Add("Money");
    book.Formats()[money].NumberFormat = "#,##0.00";

    sheet.WriteTextCell(0, 0, "abc", 0);
    sheet.WriteTextCell(0, 1, "abcdefghij", 0);
    sheet.AutoFitColumn(0);
    int tenChars = sheet.ColumnWidths.at(0);
    EXPECT_EQ(tenChars, 11 * 256);  // ten characters and one of margin

    sheet.WriteTextCell(1, 0, "abcdefghij", bigFormat);  // twice the default size
    sheet.AutoFitColumn(1);
    EXPECT_EQ(sheet.ColumnWidths.at(1), 21 * 256);

    sheet.WriteNumberCell(2, 0, 1234567.891, money);  // shown as 1,234,567.89
    sheet.AutoFitColumn(2);
    EXPECT_EQ(sheet.ColumnWidths.at(2), 13 * 256);

    sheet.WriteTextCell(3, 0, std::string(1000, 'x'), 0);
    sheet.AutoFitColumn(3);
    EXPECT_EQ(sheet.ColumnWidths.at(3), 255 * 256);  // the format's widest column

    sheet.AutoFitColumn(4);  // no cells: no width
    EXPECT_EQ(sheet.ColumnWidths.count(4), 0u);
}

TEST(WorkbookModel, DateSerialsCountDaysFrom30December1899) {
    struct Case {
        int Year, Month, Day, Hour, Minute;
        double Second, Serial;
    } cases[] = {
        {1899, 12, 30, 0, 0, 0, 0},
        {1900, 3, 1, 0, 0, 0, 61},
        {2024, 2, 29, 0, 0, 0, 45351},
        {2024, 2, 29, 12, 0, 0, 45351.5},
        {1899, 12, 30, 6, 30, 0, 0.2708333333333333},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(EncodeDateTime(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second),
                         c.Serial)
            << c.Year << "-" << c.Month << "-" << c.Day;
}

class BadSheetNames : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BadSheetNames, AreRefusedWhenWriting) {
    TcWorkbook book;
    book.Sheets()[0].Name = GetParam().first;
    book.Sheets().Add(GetParam().second);
    EXPECT_RAISES_CONTAINING(EWorkbookError, book.WorkbookBytes(), "Sheet name");
}

INSTANTIATE_TEST_SUITE_P(Table, BadSheetNames,
                         ::testing::Values(std::make_pair("", "B"),
                                           std::make_pair(std::string(32, 'n'), "B"),
                                           std::make_pair("a/b", "B"), std::make_pair("Why?", "B"),
                                           std::make_pair("Same", "SAME")));

TEST(WorkbookFile, WriteFailureNamesTheFileAndLeavesNoTemporary) {
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("no/such/folder/out.xls");
    EXPECT_RAISES_CONTAINING(EWorkbookError, book.WriteWorkbook(), "out.xls");
}

TEST(WorkbookFile, WritingReplacesTheOldFile) {
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("out.xls");
    book.Sheets()[0].WriteTextCell(0, 0, "first", 0);
    book.WriteWorkbook();
    book.Sheets()[0].WriteTextCell(0, 0, "second", 0);
    book.WriteWorkbook();
    TcWorkbook read;
    read.Filename = book.Filename;
    read.ReadWorkbook();
    EXPECT_EQ(read.Sheets()[0].Cell(0, 0)->Text, "second");
}

}  // namespace
