// The reader on files it did not write: every cell record form, the parts of
// a workbook the model cannot hold, and damaged files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/temp_dir.h"
#include "support/expect_error.h"
#include "workbook/compound_document.h"
#include "workbook/workbook.h"
#include "workbook_test_support.h"

namespace {

TBytes Record(uint16_t id, const TcBody& body) {
    TcBiffBuilder b;
    b.Record(id, body);
    return b.Stream;
}

TBytes Concat(std::initializer_list<TBytes> parts) {
    TBytes out;
    for (const TBytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The first sheet as another program would write it.
TBytes ForeignSheet() {
    const TBytes chart =
        Concat({Record(0x0809, TcBody().U16(0x0600).U16(0x0020).U32(0).U32(0).U32(0)),
                Record(0x000A, TcBody())});
    return Concat({
        Record(0x0225, TcBody().U16(0).U16(300)),                                // DEFAULTROWHEIGHT
        Record(0x007D, TcBody().U16(2).U16(3).U16(5000).U16(15).U16(2).U16(0)),  // COLINFO C:D
        Record(0x0208, TcBody().U16(0).U16(0).U16(3).U16(400).U16(0).U16(0).U32(0x000F0140)),
        Record(0x0208, TcBody().U16(1).U16(0).U16(3).U16(255).U16(0).U16(0).U32(0x000F0100)),
        Record(0x027E, TcBody().U16(0).U16(0).U16(15).U32((42u << 2) | 2)),   // RK integer
        Record(0x027E, TcBody().U16(0).U16(1).U16(15).U32((123u << 2) | 3)),  // RK integer / 100
        Record(0x027E, TcBody().U16(0).U16(2).U16(15).U32(0x3FE00000)),       // RK double 0.5
        Record(0x00BD, TcBody()
                           .U16(1)
                           .U16(0)
                           .U16(16)
                           .U32((45351u << 2) | 2)
                           .U16(17)
                           .U32((7u << 2) | 2)
                           .U16(1)),
        Record(0x0204, TcBody().U16(2).U16(0).U16(15).Str16("inline")),  // LABEL
        Record(0x00FD, TcBody().U16(2).U16(1).U16(15).U32(1)),           // LABELSST
        Record(0x0205, TcBody().U16(3).U16(0).U16(15).U8(1).U8(0)),      // TRUE
        Record(0x0205, TcBody().U16(3).U16(1).U16(15).U8(0x07).U8(1)),   // #DIV/0!
        Record(0x00BE, TcBody().U16(4).U16(0).U16(16).U16(17).U16(1)),   // MULBLANK
        Record(0x0203, TcBody().U16(5).U16(0).U16(17).F64(1234.5)),      // NUMBER
        // FORMULA ="hel"&"lo" with its text result in a STRING record.
        Record(0x0006,
               TcBody().U16(6).U16(0).U16(15).U16(0).U32(0).U16(0xFFFF).U16(0).U32(0).U16(13).Raw(
                   {0x17, 3, 0, 'h', 'e', 'l', 0x17, 2, 0, 'l', 'o', 0x08, 0x15})),
        Record(0x0207, TcBody().Str16("hello")),
        // FORMULA =Data2!A1 through REF entry 0 (the second sheet), cached 2.5.
        Record(0x0006, TcBody().U16(6).U16(1).U16(15).F64(2.5).U16(0).U32(0).U16(7).Raw(
                           {0x5A, 0, 0, 0, 0, 0, 0xC0})),
        // FORMULA that is part of a shared formula: only its value can stay.
        Record(0x0006,
               TcBody().U16(6).U16(2).U16(15).F64(3).U16(8).U32(0).U16(5).Raw({0x01, 6, 0, 2, 0})),
        // FORMULA with a boolean result.
        Record(0x0006, TcBody()
                           .U16(6)
                           .U16(3)
                           .U16(15)
                           .U16(1)
                           .U16(1)
                           .U16(0)
                           .U16(0xFFFF)
                           .U16(0)
                           .U32(0)
                           .U16(2)
                           .Raw({0x1D, 1})),
        Record(0x001C, TcBody().U16(0).U16(0).U16(0).U16(1).Str16("me")),      // NOTE
        Record(0x005D, TcBody().U16(0x15).U16(0x12).U16(0x08).U16(1).U16(0)),  // OBJ picture
        Record(0x00E5, TcBody().U16(1).U16(7).U16(7).U16(0).U16(1)),           // MERGECELLS
        chart,
    });
}

TBytes ForeignGlobals() {
    return Concat({
        Record(0x01AE, TcBody().U16(2).U16(0x0401)),  // SUPBOOK internal
        Record(0x0017, TcBody().U16(2).U16(0).U16(1).U16(1).U16(0).U16(0).U16(0)),  // EXTERNSHEET
        Record(
            0x0018,
            TcBody().U16(0).U8(0).U8(1).U16(0).U16(0).U16(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8('X')),
    });
}

class ForeignWorkbook : public ::testing::Test {
  protected:
    void SetUp() override {
        TBytes stream = BuildForeignStream(
            {ForeignSheet(), Record(0x027E, TcBody().U16(0).U16(0).U16(15).U32((5u << 2) | 2))},
            {"first", "second"}, {ForeignGlobals()});
        ASSERT_LT(stream.size(), 4096u);  // small streams live in the mini stream
        report = book.ReadWorkbookFromBytes(
            BuildMiniStreamDocument("Workbook", stream, {"_VBA_PROJECT_CUR"}));
    }
    const TcCell& CellAt(int column, int row) {
        const TcCell* cell = book.Sheets()[0].Cell(column, row);
        if (!cell) throw std::runtime_error("no cell");
        return *cell;
    }
    const TcCellFormat& FormatOf(int column, int row) {
        return book.Formats()[CellAt(column, row).FormatIndex];
    }
    TcWorkbook book;
    TcReadReport report;
};

TEST_F(ForeignWorkbook, ReadsEveryCellRecordForm) {
    ASSERT_EQ(book.Sheets().Count(), 2);
    EXPECT_EQ(book.Sheets()[0].Name, "Data1");
    EXPECT_EQ(book.Sheets()[1].Name, "Data2");

    struct Expected {
        const char* Name;
        int Column, Row;
        TCellType Type;
        double Number;
        const char* Text;
    };
    const Expected cells[] = {
        {"RkInteger", 0, 0, TCellType::Number, 42, ""},
        {"RkHundredths", 1, 0, TCellType::Number, 1.23, ""},
        {"RkDouble", 2, 0, TCellType::Number, 0.5, ""},
        {"MulRkFirst", 0, 1, TCellType::Number, 45351, ""},
        {"MulRkSecond", 1, 1, TCellType::Number, 7, ""},
        {"Label", 0, 2, TCellType::Text, 0, "inline"},
        {"SharedString", 1, 2, TCellType::Text, 0, "second"},
        {"Boolean", 0, 3, TCellType::Boolean, 1, ""},
        {"Error", 1, 3, TCellType::Error, 7, ""},
        {"MulBlankFirst", 0, 4, TCellType::Blank, 0, ""},
        {"MulBlankSecond", 1, 4, TCellType::Blank, 0, ""},
        {"Number", 0, 5, TCellType::Number, 1234.5, ""},
        {"SharedFormulaKeepsItsValue", 2, 6, TCellType::Number, 3, ""},
    };
    for (const Expected& e : cells) {
        SCOPED_TRACE(e.Name);
        const TcCell& cell = CellAt(e.Column, e.Row);
        EXPECT_EQ(cell.Type, e.Type);
        EXPECT_DOUBLE_EQ(cell.Number, e.Number);
        EXPECT_EQ(cell.Text, e.Text);
    }
    EXPECT_EQ(book.Sheets()[1].Cell(0, 0)->Number, 5);
}

TEST_F(ForeignWorkbook, KeepsFormulaTokensAndCachedResults) {
    const TcCell& text = CellAt(0, 6);
    ASSERT_EQ(text.Type, TCellType::Formula);
    EXPECT_EQ(HexBytes(text.Formula->Tokens), "17 03 00 68 65 6C 17 02 00 6C 6F 08 15");
    EXPECT_EQ(text.Formula->ResultType, TCellType::Text);
    EXPECT_EQ(text.Formula->ResultText, "hello");

    // REF entry 0 names the second sheet; the writer's REF entries are sheet indexes.
    const TcCell& cross = CellAt(1, 6);
    ASSERT_EQ(cross.Type, TCellType::Formula);
    EXPECT_EQ(HexBytes(cross.Formula->Tokens), "5A 01 00 00 00 00 C0");
    EXPECT_EQ(cross.Formula->ResultType, TCellType::Number);
    EXPECT_EQ(cross.Formula->ResultNumber, 2.5);

    const TcCell& boolean = CellAt(3, 6);
    ASSERT_EQ(boolean.Type, TCellType::Formula);
    EXPECT_EQ(boolean.Formula->ResultType, TCellType::Boolean);
    EXPECT_EQ(boolean.Formula->ResultNumber, 1);
}

TEST_F(ForeignWorkbook, ReadsFontsFormatsAndLayout) {
    EXPECT_EQ(book.Formats().Font().Name, "Arial");
    const TcCellFormat& date = FormatOf(0, 1);
    EXPECT_EQ(date.NumberFormat, "dd/mm/yyyy");
    EXPECT_EQ(date.VertAlignment, TVertAlignment::Top);
    const TcFont& times = book.Formats().Fonts(date.FontIndex);
    EXPECT_EQ(times.Name, "Times");
    EXPECT_EQ(times.Size, 12);
    EXPECT_EQ(times.Style, unsigned(fsBold | fsItalic));
    const TcCellFormat& builtin = FormatOf(0, 5);
    EXPECT_EQ(builtin.NumberFormat, "#,##0.00");
    EXPECT_EQ(builtin.VertAlignment, TVertAlignment::Center);
    EXPECT_EQ(book.Formats().Fonts(builtin.FontIndex).Style, 0u);  // font number 5 is record 4
    EXPECT_EQ(FormatOf(0, 0).NumberFormat, "");

    const TcSheet& sheet = book.Sheets()[0];
    EXPECT_EQ(sheet.DefaultRowHeight, 300);
    EXPECT_EQ(sheet.RowHeight(0), 400);
    EXPECT_FALSE(sheet.HasRowHeight(1));
    EXPECT_EQ(sheet.ColumnWidths, (std::map<int, int>{{2, 5000}, {3, 5000}}));
}

TEST_F(ForeignWorkbook, ReportsWhatTheModelCannotHold) {
    for (const char* kind : {"names", "comments", "pictures", "merged cells", "charts", "macros",
                             "formulas that cannot be kept (shared, array, names or links)"})
        EXPECT_NE(std::find(report.Unsupported.begin(), report.Unsupported.end(), kind),
                  report.Unsupported.end())
            << kind;
    EXPECT_EQ(book.LastReadReport().Unsupported, report.Unsupported);
}

TEST_F(ForeignWorkbook, WrittenBackKeepsWhatItHolds) {
    TcWorkbook again;
    TcReadReport second = again.ReadWorkbookFromBytes(book.WorkbookBytes());
    EXPECT_TRUE(second.Empty());
    EXPECT_EQ(HexBytes(again.Sheets()[0].Cell(1, 6)->Formula->Tokens), "5A 01 00 00 00 00 C0");
    EXPECT_EQ(again.Sheets()[0].Cell(1, 2)->Text, "second");
    EXPECT_EQ(again.Formats()[again.Sheets()[0].Cell(0, 1)->FormatIndex].NumberFormat,
              "dd/mm/yyyy");
    EXPECT_DOUBLE_EQ(again.Sheets()[0].Cell(1, 0)->Number, 1.23);
}

// --- Damaged files -------------------------------------------------------

// A small workbook as the writer lays it out: header, 8 stream sectors, the
// directory (sector 8), the sector table (sector 9).
TBytes ValidFile() {
    TcWorkbook book;
    book.Sheets()[0].WriteTextCell(0, 0, "x", 0);
    return book.WorkbookBytes();
}
constexpr size_t kDirectory = 512 + 8 * 512;
constexpr size_t kFat = 512 + 9 * 512;

void Put32(TBytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Stream offset of the first record with the id (inside the file's first sector run).
size_t FindRecord(const TBytes& file, uint16_t id) {
    size_t pos = 512;
    while (pos + 4 <= file.size()) {
        uint16_t rid = static_cast<uint16_t>(file[pos] | (file[pos + 1] << 8));
        if (rid == id) return pos;
        pos += 4 + (file[pos + 2] | (file[pos + 3] << 8));
    }
    throw std::runtime_error("record not found");
}

struct BadFileCase {
    const char* Name;
    TBytes (*Make)();
    const char* Message;
};

const BadFileCase kBadFiles[] = {
    {"Empty", [] { return TBytes{}; }, "no compound document"},
    {"PlainText", [] { return TBytes(600, 'a'); }, "no compound document"},
    {"TruncatedHeader",
     [] {
         TBytes f = ValidFile();
         f.resize(300);
         return f;
     },
     "no compound document"},
    {"BadSectorSize",
     [] {
         TBytes f = ValidFile();
         f[30] = 10;
         return f;
     },
     "unsupported sector size"},
    {"OversizedFatCount",
     [] {
         TBytes f = ValidFile();
         Put32(f, 44, 0x00FFFFFF);
         return f;
     },
     "counts exceed the file size"},
    {"CyclicStreamChain",
     [] {
         TBytes f = ValidFile();
         Put32(f, kFat + 4 * 3, 1);
         return f;
     },
     "cycle"},
    {"CyclicDirectoryChain",
     [] {
         TBytes f = ValidFile();
         Put32(f, kFat + 4 * 8, 8);
         return f;
     },
     "cycle"},
    {"ChainLeavesFile",
     [] {
         TBytes f = ValidFile();
         Put32(f, kFat, 0x00FFFFF0);
         return f;
     },
     "leaves the file"},
    {"DirectoryOutsideFile",
     [] {
         TBytes f = ValidFile();
         Put32(f, 48, 4000);
         return f;
     },
     "leaves the file"},
    {"TruncatedFile",
     [] {
         TBytes f = ValidFile();
         f.resize(kDirectory + 100);
         return f;
     },
     "outside the file"},
    {"NoWorkbookStream",
     [] {
         TBytes f = ValidFile();
         f[kDirectory + 128] = 'X';
         return f;
     },
     "no Workbook stream"},
    {"StreamLargerThanFile",
     [] {
         TBytes f = ValidFile();
         Put32(f, kDirectory + 128 + 120, 0x7FFFFFFF);
         return f;
     },
     "larger than the file"},
    {"OlderBiffVersion",
     [] {
         TBytes f = ValidFile();
         f[512 + 5] = 0x05;
         return f;
     },
     "this one is older"},
    {"NoBofRecord",
     [] {
         TBytes f = ValidFile();
         f[512] = 0x99;
         return f;
     },
     "does not begin with a BOF"},
    {"RecordPastTheEnd",
     [] {
         TBytes f = ValidFile();
         size_t at = FindRecord(f, 0x0031);
         f[at + 2] = 0xFF;
         f[at + 3] = 0xFF;
         return f;
     },
     "runs past the end"},
    {"MissingSharedString",
     [] {
         TBytes f = ValidFile();
         size_t at = FindRecord(f, 0x00FD);
         Put32(f, at + 10, 999);
         return f;
     },
     "missing shared string"},
    {"Encrypted",
     [] {
         TBytes f = ValidFile();
         size_t at = FindRecord(f, 0x0042);
         f[at] = 0x2F;
         f[at + 1] = 0;
         return f;
     },
     "encrypted"},
    {"SheetsOverlap",
     [] {
         TcWorkbook book;
         book.Sheets().Add("Second");
         TBytes f = book.WorkbookBytes();
         size_t first = FindRecord(f, 0x0085);
         size_t second = first + 4 + (f[first + 2] | (f[first + 3] << 8));
         std::copy(f.begin() + first + 4, f.begin() + first + 8, f.begin() + second + 4);
         return f;
     },
     "overlap"},
    {"SheetOutsideStream",
     [] {
         TBytes f = ValidFile();
         size_t at = FindRecord(f, 0x0085);
         Put32(f, at + 4, 0x00FFFFFF);
         return f;
     },
     "outside the stream"},
};

class BadFiles : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFiles, RaiseAClearErrorAndKeepTheWorkbook) {
    TcWorkbook book;
    book.Sheets()[0].Name = "Kept";
    EXPECT_RAISES_CONTAINING(EWorkbookError, book.ReadWorkbookFromBytes(GetParam().Make()),
                             GetParam().Message);
    ASSERT_EQ(book.Sheets().Count(), 1);
    EXPECT_EQ(book.Sheets()[0].Name, "Kept");
}

INSTANTIATE_TEST_SUITE_P(Table, BadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(BadFiles, ClaimedCountsBeyondTheDataAreNotTrusted) {
    // A string table that claims four billion strings but holds one.
    TBytes stream =
        BuildForeignStream({Record(0x00FD, TcBody().U16(0).U16(0).U16(15).U32(0))}, {"only"});
    size_t pos = 0;
    while (stream[pos] != 0xFC || stream[pos + 1] != 0x00)
        pos += 4 + (stream[pos + 2] | (stream[pos + 3] << 8));
    Put32(stream, pos + 8, 0xFFFFFFFF);
    TcWorkbook book;
    book.ReadWorkbookFromBytes(spreadsheet::BuildCompoundDocument("Workbook", stream));
    EXPECT_EQ(book.Sheets()[0].Cell(0, 0)->Text, "only");
}

TEST(BadFiles, MissingFileNamesTheFile) {
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = dir.File("missing.xls");
    EXPECT_RAISES_CONTAINING(EWorkbookError, book.ReadWorkbook(), "missing.xls");
}

TEST(CompoundDocument, StreamsOfEverySizeComeBackWhole) {
    for (size_t size :
         {size_t(0), size_t(100), size_t(4096), size_t(4097), size_t(9 * 1024 * 1024)}) {
        SCOPED_TRACE(size);
        TBytes stream(size);
        for (size_t i = 0; i < size; ++i) stream[i] = static_cast<uint8_t>(i * 7 + i / 251);
        TBytes file = spreadsheet::BuildCompoundDocument("Workbook", stream);
        spreadsheet::TcCompoundDocument document(file);
        int index = document.Find("workbook");
        ASSERT_GE(index, 0);
        TBytes back = document.ReadStream(index);
        ASSERT_GE(back.size(), size);
        back.resize(size);  // short streams are padded to the mini-stream cutoff
        EXPECT_TRUE(back == stream);
    }
}

}  // namespace

namespace {

// A sheet's view as another program left it: frozen panes (WINDOW2 and PANE)
// and a zoom (SCL), hidden rows and columns, a hidden sheet, a palette.
TEST(ForeignView, IsWrittenBackAsItWas) {
    const TBytes sheet = Concat({
        Record(0x007D, TcBody().U16(1).U16(2).U16(3000).U16(15).U16(0x0001).U16(0)),  // B:C hidden
        Record(0x0208, TcBody().U16(3).U16(0).U16(1).U16(255).U16(0).U16(0).U32(0x000F0120)),
        Record(0x027E, TcBody().U16(3).U16(0).U16(15).U32((9u << 2) | 2)),
        Record(0x023E, TcBody().U16(0x06BE).U16(0).U16(0).U32(0x40).U16(0).U16(0).U32(0)),
        Record(0x00A0, TcBody().U16(3).U16(2)),                            // zoom 150 %
        Record(0x0041, TcBody().U16(1).U16(2).U16(2).U16(1).U8(0).U8(0)),  // frozen at B3
    });
    TcBody palette;
    palette.U16(56);
    for (uint32_t i = 0; i < 56; ++i) palette.U32(0x00102030u + i);
    TBytes stream = BuildForeignStream({sheet, sheet}, {}, {Record(0x0092, palette)});
    // The second sheet is hidden: its BOUNDSHEET's visibility byte.
    size_t bound = 0;
    for (int seen = 0;; bound += 4 + (stream[bound + 2] | (stream[bound + 3] << 8)))
        if (stream[bound] == 0x85 && stream[bound + 1] == 0x00 && ++seen == 2) break;
    stream[bound + 4 + 4] = 1;
    TcWorkbook book;
    TcReadReport report =
        book.ReadWorkbookFromBytes(spreadsheet::BuildCompoundDocument("Workbook", stream));
    EXPECT_TRUE(report.Empty()) << ::testing::PrintToString(report.Unsupported);
    ASSERT_EQ(book.Sheets()[1].Visibility, TSheetVisibility::Hidden);

    TcTempDir dir;
    book.Filename = dir.File("view.xls");
    book.WriteWorkbook();
    TcXlrdDump xlrd = ReadWithXlrd(book.Filename);
    ASSERT_EQ(xlrd.Status, 0) << ::testing::PrintToString(xlrd.Lines);
    EXPECT_EQ(xlrd.With("sheet\t"),
              (std::vector<std::string>{"sheet\t0\tData1\tvisible", "sheet\t1\tData2\thidden"}));
    // xlrd gives the rows above the split first, then the columns left of it.
    EXPECT_THAT(xlrd.With("view\tData1\t").at(0),
                ::testing::StartsWith("view\tData1\tgrid 1\tfrozen 1\tsplit 2,1\tzoom 150\t"));
    EXPECT_EQ(xlrd.With("row\tData1!4\t"),
              std::vector<std::string>{"row\tData1!4\t255\tauto\thidden\tlevel 0"});
    EXPECT_EQ(xlrd.With("column\tData1!"),
              std::vector<std::string>{"column\tData1!B:C\t3000\thidden\tlevel 0"});
    EXPECT_EQ(xlrd.With("colour\t8\t"), std::vector<std::string>{"colour\t8\t302010"});
}

}  // namespace
