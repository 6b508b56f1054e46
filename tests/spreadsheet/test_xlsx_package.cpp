// The Office Open XML package: its zip records past 4 GiB and the escapes
// a cell's text needs in XML.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "foundation/temp_dir.h"
#include "workbook/workbook.h"
#include "workbook/workbook_file.h"
#include "workbook/xlsx_writer.h"
#include "workbook_test_support.h"

namespace {

// The large-archive records (Zip64) are written only past 4 GiB; forced on a
// small workbook, openpyxl (through Python's zipfile, which checks every
// member's CRC) must still read every cell.
TEST(XlsxPackage, LargeArchiveRecordsReadBack) {
    TcTempDir folder("tessel-xlsx");
    TcWorkbook book;
    book.Version = TExcelVersion::xvOpenXml;
    TcSheet& sheet = book.Sheets()[0];
    sheet.Name = "Data";
    for (int row = 0; row < 2000; ++row) {
        sheet.WriteNumberCell(0, row, row * 0.5, 0);
        sheet.WriteTextCell(1, row, "row " + std::to_string(row), 0);
    }
    book.Sheets().Add("Second").WriteTextCell(2, 3, "last", 0);
    const std::string file = folder.File("large.xlsx");
    spreadsheet::ReplaceWorkbookFileWith(file, [&book](int fd, const std::string&) {
        return spreadsheet::WriteOpenXmlWorkbook(book, fd, true);
    });
    const TBytes bytes = ReadFileBytes(file);
    const std::string zip64End = "PK\x06\x06";
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), zip64End.begin(), zip64End.end()),
              bytes.end());
    TcXlrdDump dump = ReadWithOpenpyxl(file);
    ASSERT_EQ(dump.Status, 0) << ::testing::PrintToString(dump.Lines);
    EXPECT_EQ(dump.Cell("Data!A2000")[1], "999.5");
    EXPECT_EQ(dump.Cell("Data!B1")[1], "row 0");
    EXPECT_EQ(dump.Cell("Second!C4")[1], "last");
}

// XML holds no control character but tab, line feed and CR (the last only
// as a reference, which a reader does not turn into a line feed); the format
// writes the others as _xHHHH_, and so must escape text that looks like that.
// Bytes that are no UTF-8 are Latin-1, as in the Excel 97 writer.
TEST(XlsxPackage, CellTextEscapes) {
    const std::pair<std::string, std::string> cases[] = {
        {"a<b&c>d\"e'", "a&lt;b&amp;c&gt;d\"e'"},
        {"tab\tline\nend", "tab\tline\nend"},
        {"cr\r", "cr&#13;"},
        {std::string("nul\0x", 5), "nul_x0000_x"},
        {"\x01\x1F", "_x0001__x001F_"},
        {"_x0041_", "_x005F_x0041_"},
        {"_x00E9_x", "_x005F_x00E9_x"},
        {"_x004_ _xGGGG_ _x", "_x004_ _xGGGG_ _x"},
        {"Z\xC3\xBCrich \xF0\x9F\x98\x80", "Z\xC3\xBCrich \xF0\x9F\x98\x80"},
        {"Z\xFCrich", "Z\xC3\xBCrich"},                // a stray Latin-1 byte
        {"\xE0\x80\xAF", "\xC3\xA0\xC2\x80\xC2\xAF"},  // an overlong form: three bytes
        {"\xEF\xBF\xBE", "_xFFFE_"},                   // no character at all
        {"\xED\xA0\x80", "_xD800_"},                   // half a surrogate pair
    };
    for (const auto& [text, xml] : cases) {
        std::string out;
        spreadsheet::AppendCellText(out, text);
        EXPECT_EQ(out, xml) << HexBytes(TBytes(text.begin(), text.end()));
    }
}

}  // namespace
