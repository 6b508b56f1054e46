// Workbooks written by our writer, read back by FreeXL (the independent
// check) and by our own reader.

#include <freexl.h>
#include <gtest/gtest.h>

#include "foundation/temp_dir.h"
#include "workbook/formula_compiler.h"
#include "workbook/workbook.h"
#include "workbook_test_support.h"

namespace {

struct FormatRow {
    const char* Name;
    int Size;
    bool Bold;
    const char* NumberFormat;
};

// The formats the XLS commands define, all Arial and vertically centred.
const FormatRow kFormats[] = {
    {"Header", 12, true, ""},
    {"Echo", 10, false, ""},
    {"QueryHeader", 10, true, ""},
    {"QueryString", 10, false, ""},
    {"QueryNumeric", 10, false, "#,##0.00"},
    {"QueryDate", 10, false, "dd/mm/yyyy"},
    {"QueryDateTime", 10, false, "dd/mm/yyyy hh:mm:ss"},
    {"QueryInt", 10, false, "0"},
    {"QueryTime", 10, false, "hh:mm:ss"},
};
enum { kHeader = 1, kEcho, kQueryHeader, kQueryString, kNumeric, kDate, kDateTime, kInt, kTime };

class WrittenWorkbook : public ::testing::Test {
  protected:
    void SetUp() override {
        book.Filename = dir.File("sample.xls");
        book.ClearWorkbook();
        for (const FormatRow& wanted : kFormats) {
            TcFont font;
            font.Name = "Arial";
            font.Size = wanted.Size;
            font.Style = wanted.Bold ? unsigned(fsBold) : 0u;
            int index = book.Formats().Add(wanted.Name);
            book.Formats()[index].FontIndex = book.Formats().AddFont(font);
            book.Formats()[index].VertAlignment = TVertAlignment::Center;
            book.Formats()[index].NumberFormat = wanted.NumberFormat;
        }
        TcSheet& data = book.Sheets()[0];
        data.Name = "Data";
        book.Sheets().Add("Other");
        TcSheet& other = book.Sheets()[1];

        data.WriteTextCell(0, 0, "Orders", kHeader);
        data.SetRowHeight(0, 264);
        const char* headers[] = {"Id", "Name", "Total", "Ordered", "Stamp", "At"};
        for (int c = 0; c < 6; ++c) data.WriteTextCell(c, 1, headers[c], kQueryHeader);
        for (int r = 2; r < 5; ++r) {
            data.WriteNumberCell(0, r, r - 1, kInt);
            data.WriteTextCell(1, r,
                               r == 3 ? "Gr\xC3\xBC\xC3\x9F"
                                        "e \xE2\x82\xAC"
                                      : "Name " + std::to_string(r),
                               kQueryString);
            data.WriteNumberCell(2, r, 1234.5 * r, kNumeric);
            data.WriteNumberCell(3, r, EncodeDateTime(2024, 2, 27 + r), kDate);
            data.WriteNumberCell(4, r, EncodeDateTime(2024, 2, 29, 13, 45, 30), kDateTime);
            data.WriteNumberCell(5, r, 0.5, kTime);
        }
        data.WriteTextCell(1, 5, "", kQueryString);  // a NULL value
        data.WriteFormulaCellRaw(2, 5, "SUM(C3:C5)", " ", kQueryString);
        data.WriteFormulaCellRaw(3, 5, "=Other!A1*2", "42", kNumeric);
        data.WriteTextCell(0, 6, "Done.", kEcho);
        data.AutoFitColumn(1);
        data.DefaultRowHeight = 255;

        other.WriteNumberCell(0, 0, 21, kInt);
        other.WriteTextCell(0, 1, std::string(300, 'x'), kEcho);
        other.SetColumnWidth(3, 20 * 256);
        book.WriteWorkbook();
    }

    TcTempDir dir;
    TcWorkbook book;
};

TEST_F(WrittenWorkbook, FreeXLReadsSheetsTypesAndValues) {
    TcFreeXL xl(book.Filename);
    ASSERT_EQ(xl.SheetCount(), 2u);
    EXPECT_EQ(xl.SheetName(0), "Data");
    EXPECT_EQ(xl.SheetName(1), "Other");

    xl.Select(0);
    auto [rows, columns] = xl.Dimensions();
    EXPECT_EQ(rows, 7u);
    EXPECT_EQ(columns, 6u);

    struct Expected {
        unsigned Row, Column;
        int Type;
        std::string Text;
        double Number;
    };
    const Expected cells[] = {
        {0, 0, FREEXL_CELL_SST_TEXT, "Orders", 0},
        {1, 3, FREEXL_CELL_SST_TEXT, "Ordered", 0},
        {2, 0, FREEXL_CELL_INT, "", 1},
        {2, 1, FREEXL_CELL_SST_TEXT, "Name 2", 0},
        {3, 1, FREEXL_CELL_SST_TEXT,
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC",
         0},
        {3, 2, FREEXL_CELL_DOUBLE, "", 3703.5},
        {2, 3, FREEXL_CELL_DATE, "2024-02-29", 0},
        {4, 3, FREEXL_CELL_DATE, "2024-03-02", 0},
        {2, 4, FREEXL_CELL_DATETIME, "2024-02-29 13:45:30", 0},
        {2, 5, FREEXL_CELL_TIME, "12:00:00", 0},
        {5, 1, FREEXL_CELL_NULL, "", 0},
        {6, 0, FREEXL_CELL_SST_TEXT, "Done.", 0},
    };
    for (const Expected& e : cells) {
        SCOPED_TRACE(::testing::Message() << "row " << e.Row << " column " << e.Column);
        TcFreeXLCell cell = xl.Cell(e.Row, e.Column);
        EXPECT_EQ(cell.Type, e.Type);
        EXPECT_EQ(cell.Text, e.Text);
        EXPECT_DOUBLE_EQ(cell.Number, e.Number);
    }

    xl.Select(1);
    EXPECT_EQ(xl.Cell(0, 0).Number, 21);
    EXPECT_EQ(xl.Cell(1, 0).Text, std::string(300, 'x'));
}

TEST_F(WrittenWorkbook, OwnReaderRestoresCellsFormatsAndLayout) {
    TcWorkbook read;
    read.Filename = book.Filename;
    TcReadReport report = read.ReadWorkbook();
    EXPECT_TRUE(report.Empty());
    ASSERT_EQ(read.Sheets().Count(), 2);
    const TcSheet& data = read.Sheets()[0];
    EXPECT_EQ(data.Name, "Data");
    EXPECT_EQ(read.Sheets()[1].Name, "Other");

    // Every cell comes back with its type, value and the attributes of its format.
    const TcSheet& original = book.Sheets()[0];
    for (int r = 0; r < original.RowCount(); ++r) {
        for (const TcCell& expected : original.RowCells(r)) {
            SCOPED_TRACE(::testing::Message() << "row " << r << " column " << expected.Column);
            const TcCell* cell = data.Cell(expected.Column, r);
            ASSERT_NE(cell, nullptr);
            TCellType type = expected.Type == TCellType::Text && expected.Text.empty()
                                 ? TCellType::Blank
                                 : expected.Type;
            EXPECT_EQ(cell->Type, type);
            EXPECT_EQ(cell->Text, expected.Text);
            EXPECT_EQ(cell->Number, expected.Number);
            const TcCellFormat& want = book.Formats()[expected.FormatIndex];
            const TcCellFormat& got = read.Formats()[cell->FormatIndex];
            EXPECT_EQ(got.NumberFormat, want.NumberFormat);
            EXPECT_EQ(got.VertAlignment, want.VertAlignment);
            const TcFont& wantFont = book.Formats().Fonts(want.FontIndex);
            const TcFont& gotFont = read.Formats().Fonts(got.FontIndex);
            EXPECT_EQ(gotFont.Name, wantFont.Name);
            EXPECT_EQ(gotFont.Size, wantFont.Size);
            EXPECT_EQ(gotFont.Style, wantFont.Style);
        }
    }

    // Formula cells carry their tokens and the cached result as written.
    const TcCell* sum = data.Cell(2, 5);
    ASSERT_NE(sum, nullptr);
    ASSERT_EQ(sum->Type, TCellType::Formula);
    EXPECT_EQ(HexBytes(sum->Formula->Tokens),
              HexBytes(book.Sheets()[0].Cell(2, 5)->Formula->Tokens));
    EXPECT_EQ(HexBytes(sum->Formula->Tokens), "25 02 00 04 00 02 C0 02 C0 42 01 04 00");
    EXPECT_EQ(sum->Formula->ResultType, TCellType::Text);
    EXPECT_EQ(sum->Formula->ResultText, " ");
    const TcCell* cross = data.Cell(3, 5);
    ASSERT_EQ(cross->Type, TCellType::Formula);
    EXPECT_EQ(HexBytes(cross->Formula->Tokens), "5A 01 00 00 00 00 C0 1E 02 00 05");
    EXPECT_EQ(cross->Formula->ResultText, "42");

    EXPECT_EQ(data.RowHeight(0), 264);
    EXPECT_FALSE(data.HasRowHeight(1));
    EXPECT_EQ(data.DefaultRowHeight, 255);
    EXPECT_EQ(data.ColumnWidths, original.ColumnWidths);
    EXPECT_EQ(read.Sheets()[1].ColumnWidths.at(3), 20 * 256);
    EXPECT_EQ(read.Sheets()[1].Cell(0, 1)->Text, std::string(300, 'x'));
    EXPECT_EQ(read.Formats().Font().Name, "Arial");
    EXPECT_EQ(read.Formats().Font().Size, 10);
}

TEST_F(WrittenWorkbook, ReadAndWrittenAgainGivesTheSameFile) {
    TcWorkbook read;
    read.Filename = book.Filename;
    read.ReadWorkbook();
    TcWorkbook again;
    again.ReadWorkbookFromBytes(read.WorkbookBytes());
    EXPECT_EQ(read.WorkbookBytes(), again.WorkbookBytes());
    EXPECT_EQ(again.Sheets()[0].Cell(1, 3)->Text,
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC");
}

// Shared strings beyond one record's 8,224 bytes go on in CONTINUE records,
// splitting the table between strings and inside long ones, in both the
// 8-bit and the 16-bit character forms.
TEST(SharedStrings, ContinueRecordsCarryLongTables) {
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("strings.xls");
    TcSheet& sheet = book.Sheets()[0];
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) texts.push_back("text number " + std::to_string(i));
    texts.push_back(std::string(8000, 'a'));  // a string split between two records
    std::string wide;
    for (int i = 0; i < 3000; ++i) wide += (i % 2) ? "\xE2\x82\xAC" : "b";  // 16-bit characters
    texts.push_back(wide);
    for (size_t i = 0; i < texts.size(); ++i)
        sheet.WriteTextCell(static_cast<int>(i % 3), static_cast<int>(i / 3), texts[i], 0);
    sheet.WriteTextCell(3, 0, texts[5], 0);  // a repeated string is stored once
    book.WriteWorkbook();

    TcFreeXL xl(book.Filename);
    xl.Select(0);
    for (size_t i = 0; i < texts.size(); i += 97)
        EXPECT_EQ(xl.Cell(static_cast<unsigned>(i / 3), static_cast<unsigned>(i % 3)).Text,
                  texts[i]);
    EXPECT_EQ(TextDifference(xl.Cell(1000, 0).Text, texts[3000]), "");
    EXPECT_EQ(TextDifference(xl.Cell(1000, 1).Text, wide), "");

    // FreeXL 1.0.6 misreads strings that span three records or more; our
    // own reader is the check for those.
    sheet.WriteTextCell(0, 2000, std::string(20000, 'c'), 0);
    sheet.WriteTextCell(1, 2000, wide + wide + wide, 0);
    book.WriteWorkbook();
    TcWorkbook read;
    read.Filename = book.Filename;
    read.ReadWorkbook();
    EXPECT_EQ(TextDifference(read.Sheets()[0].Cell(0, 2000)->Text, std::string(20000, 'c')), "");
    EXPECT_EQ(TextDifference(read.Sheets()[0].Cell(1, 2000)->Text, wide + wide + wide), "");
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(TextDifference(
                      read.Sheets()[0].Cell(static_cast<int>(i % 3), static_cast<int>(i / 3))->Text,
                      texts[i]),
                  "")
            << i;
    EXPECT_EQ(read.Sheets()[0].Cell(3, 0)->Text, texts[5]);
}

TEST(LargeWorkbook, ManyRowsNeedAnExtendedSectorTable) {
    // Over 7 MB of records: more sector-table sectors than the header lists.
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("large.xls");
    TcSheet& sheet = book.Sheets()[0];
    for (int r = 0; r < 65536; ++r)
        for (int c = 0; c < 7; ++c) sheet.WriteNumberCell(c, r, r * 10 + c, 0);
    book.WriteWorkbook();

    TcFreeXL xl(book.Filename);
    xl.Select(0);
    EXPECT_EQ(xl.Dimensions().first, 65536u);
    EXPECT_EQ(xl.Cell(65535, 6).Number, 655356);
    TcWorkbook read;
    read.Filename = book.Filename;
    read.ReadWorkbook();
    EXPECT_EQ(read.Sheets()[0].Cell(6, 65535)->Number, 655356);
    EXPECT_EQ(read.Sheets()[0].CellCount(), 65536u * 7);
}

}  // namespace
