// Faults of the writer that other programs found in its files: texts with
// characters beyond U+FFFF, numbers that are no numbers, the width of formula
// columns, and the operand classes of formula tokens (in test_formula_compiler).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/temp_dir.h"
#include "workbook/byte_buffer.h"
#include "workbook/compound_document.h"
#include "workbook/workbook.h"
#include "workbook_test_support.h"

namespace {

const std::string kGrinning = "\xF0\x9F\x98\x80";  // U+1F600, a surrogate pair in UTF-16

// The workbook stream of a written file, and its records.
struct TcStreamRecord {
    uint16_t Id;
    TBytes Body;
};

std::vector<TcStreamRecord> Records(const TcWorkbook& book) {
    TBytes file = book.WorkbookBytes();
    spreadsheet::TcCompoundDocument document(file);
    TBytes stream = document.ReadStream(document.Find("Workbook"));
    std::vector<TcStreamRecord> records;
    size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        uint16_t id = spreadsheet::GetU16(&stream[pos]);
        uint16_t size = spreadsheet::GetU16(&stream[pos + 2]);
        if (pos + 4 + size > stream.size()) break;
        records.push_back({id, TBytes(stream.begin() + pos + 4, stream.begin() + pos + 4 + size)});
        pos += 4 + size;
    }
    return records;
}

bool IsHighSurrogate(uint16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool IsLowSurrogate(uint16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

// Where a 16-bit string runs on from a record into a CONTINUE record, the
// record must not end with the first half of a pair nor the CONTINUE (after
// its option byte) begin with the second half.
std::vector<std::string> SplitPairs(const std::vector<TcStreamRecord>& records) {
    std::vector<std::string> splits;
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].Id != 0x003C) continue;
        const TBytes& before = records[i - 1].Body;
        const TBytes& after = records[i].Body;
        if (after.size() < 3 || !(after[0] & 0x01) || before.size() < 2) continue;
        uint16_t last = spreadsheet::GetU16(&before[before.size() - 2]);
        uint16_t first = spreadsheet::GetU16(&after[1]);
        if (IsHighSurrogate(last) || IsLowSurrogate(first))
            splits.push_back("a pair split before CONTINUE record " + std::to_string(i));
    }
    return splits;
}

struct SurrogateCase {
    const char* Name;
    std::string Text;      // written
    std::string ReadBack;  // what every reader must give
};

// Texts whose pair falls at a record boundary or at the cut at 32,767 units.
std::vector<SurrogateCase> SurrogateCases() {
    // The shared-string table's first record holds 8,224 bytes: 8 of counts,
    // 3 of string header, then 4,106 16-bit characters; unit 4,105 is its last.
    std::string atBoundary = std::string(4105, 'a') + kGrinning + "tail";
    // A CONTINUE record holds its option byte and 4,111 characters.
    std::string secondBoundary = std::string(4106 + 4110, 'b') + kGrinning + "tail";
    std::string atCut = std::string(32766, 'c') + kGrinning + "cut";
    return {
        {"PairAtTheFirstRecordBoundary", atBoundary, atBoundary},
        {"PairAtAContinueBoundary", secondBoundary, secondBoundary},
        {"PairAtTheCut", atCut, std::string(32766, 'c')},
    };
}

class SurrogatePairs : public ::testing::TestWithParam<SurrogateCase> {};

TEST_P(SurrogatePairs, AreNeverSplitNorCut) {
    const SurrogateCase& c = GetParam();
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("pairs.xls");
    book.Sheets()[0].WriteTextCell(0, 0, c.Text, 0);
    book.Sheets()[0].WriteTextCell(0, 1, "after", 0);
    book.WriteWorkbook();

    EXPECT_THAT(SplitPairs(Records(book)), ::testing::IsEmpty());
    TcWorkbook read;
    read.Filename = book.Filename;
    read.ReadWorkbook();
    EXPECT_EQ(TextDifference(read.Sheets()[0].Cell(0, 0)->Text, c.ReadBack), "");
    EXPECT_EQ(read.Sheets()[0].Cell(0, 1)->Text, "after");

    TcXlrdDump xlrd = ReadWithXlrd(book.Filename);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    std::vector<std::string> cell = xlrd.Cell("Sheet1!A1");
    ASSERT_GE(cell.size(), 2u);
    EXPECT_EQ(cell[0], "text");
    EXPECT_EQ(TextDifference(cell[1], c.ReadBack), "");
    EXPECT_EQ(xlrd.Cell("Sheet1!A2")[1], "after");
}

INSTANTIATE_TEST_SUITE_P(Table, SurrogatePairs, ::testing::ValuesIn(SurrogateCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SurrogatePairs, ShortNamesAreCutBeforeAPair) {
    // A sheet name holds 31 units: 15 pairs and one unit would part the 16th.
    std::u16string name = spreadsheet::Utf8ToUtf16(std::string("a") + kGrinning);
    EXPECT_EQ(spreadsheet::Utf16CutPoint(name, 2), 1u);
    EXPECT_EQ(spreadsheet::Utf16CutPoint(name, 3), 3u);
    EXPECT_EQ(spreadsheet::Utf16CutPoint(name, 1), 1u);
    EXPECT_EQ(spreadsheet::Utf16CutPoint(name, 9), 3u);
}

struct NotANumberCase {
    const char* Name;
    double Value;
};

class NumbersThatAreNoNumbers : public ::testing::TestWithParam<NotANumberCase> {};

TEST_P(NumbersThatAreNoNumbers, BecomeTheErrorNum) {
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("nan.xls");
    TcSheet& sheet = book.Sheets()[0];
    sheet.WriteNumberCell(0, 0, GetParam().Value, 0);
    TcFormula formula;
    formula.Text = "1/0";
    formula.Tokens = {0x1E, 0x01, 0x00, 0x1E, 0x00, 0x00, 0x06};
    formula.ResultType = TCellType::Number;
    formula.ResultNumber = GetParam().Value;
    sheet.WriteFormulaCell(1, 0, std::move(formula), 0);
    ASSERT_EQ(sheet.Cell(0, 0)->Type, TCellType::Error);
    EXPECT_EQ(sheet.Cell(0, 0)->Number, kErrorNum);
    book.WriteWorkbook();

    TcWorkbook read;
    read.Filename = book.Filename;
    read.ReadWorkbook();
    const TcCell* cell = read.Sheets()[0].Cell(0, 0);
    ASSERT_EQ(cell->Type, TCellType::Error);
    EXPECT_EQ(cell->Number, kErrorNum);
    const TcCell* cached = read.Sheets()[0].Cell(1, 0);
    ASSERT_EQ(cached->Type, TCellType::Formula);
    EXPECT_EQ(cached->Formula->ResultType, TCellType::Error);
    EXPECT_EQ(cached->Formula->ResultNumber, kErrorNum);

    TcXlrdDump xlrd = ReadWithXlrd(book.Filename);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    EXPECT_EQ(xlrd.Cell("Sheet1!A1")[0], "error");
    EXPECT_EQ(xlrd.Cell("Sheet1!A1")[1], "#NUM!");
    EXPECT_EQ(xlrd.Cell("Sheet1!B1")[1], "#NUM!");
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumbersThatAreNoNumbers,
    ::testing::Values(NotANumberCase{"NaN", std::numeric_limits<double>::quiet_NaN()},
                      NotANumberCase{"Infinity", std::numeric_limits<double>::infinity()},
                      NotANumberCase{"MinusInfinity", -std::numeric_limits<double>::infinity()}),
    [](const auto& info) { return std::string(info.param.Name); });

struct FormulaWidthCase {
    const char* Name;
    const char* Header;
    const char* NumberFormat;
    const char* Cached;
    int Characters;  // fitted width without the one character of margin
};

class FormulaColumns : public ::testing::TestWithParam<FormulaWidthCase> {};

TEST_P(FormulaColumns, AreFittedToTheirLikelyValues) {
    const FormulaWidthCase& c = GetParam();
    TcWorkbook book;
    TcSheet& sheet = book.Sheets()[0];
    int format = book.Formats().Add("Formula");
    book.Formats()[format].NumberFormat = c.NumberFormat;
    sheet.WriteTextCell(0, 0, c.Header, 0);
    for (int row = 1; row <= 3; ++row)
        sheet.WriteFormulaCellRaw(0, row, "SUM(B1:B" + std::to_string(row) + ")", c.Cached, format);
    sheet.AutoFitColumn(0);
    EXPECT_EQ(sheet.ColumnWidths.at(0), (c.Characters + 1) * 256);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormulaColumns,
    ::testing::Values(
        FormulaWidthCase{"General", "Sum", "", " ", static_cast<int>(kTypicalFormulaWidth)},
        FormulaWidthCase{"NeverNarrowerThanTheHeader", "The total of every month", "", " ", 24},
        FormulaWidthCase{"DateFormat", "D", "dd/mm/yyyy hh:mm:ss", " ", 19},
        FormulaWidthCase{"ShortTimeFormat", "T", "hh:mm", " ", 5},
        FormulaWidthCase{"LongNumberFormat", "N", "#,##0.00 \"EUR\";-#,##0.00", " ", 14},
        FormulaWidthCase{"TextFormat", "X", "@", " ", static_cast<int>(kTypicalFormulaWidth)},
        FormulaWidthCase{"LongCachedText", "Y", "", "a cached text of 30 characters", 30}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
