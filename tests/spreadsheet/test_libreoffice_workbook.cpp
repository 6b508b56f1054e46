// Workbooks that LibreOffice wrote, read by our reader and written back by
// our writer: what the reader reports is all that is lost. The committed
// fixture (fixtures/libreoffice.xls, converted from fixtures/libreoffice.fods)
// is always checked; with LibreOffice installed the source is converted
// afresh as well, so that a newer LibreOffice is tried too.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/temp_dir.h"
#include "workbook/workbook.h"
#include "workbook_test_support.h"

namespace {

using ::testing::UnorderedElementsAreArray;

// What the fixture holds that the model cannot: an autofilter (with its
// hidden name and its drop-down buttons), a pivot table, a text with a bold
// word in it. The two OLE streams LibreOffice writes beside the workbook
// (CompObj and Ole) are kept.
const std::vector<std::string> kFixtureReport = {
    "names",
    "drop-down lists",
    "autofilters",
    "pivot tables",
    "texts formatted in parts (a cell's text in more than one font)",
};

// The streams olefile finds in the fixture and not in the file written: the
// pivot table's cache.
const std::vector<std::string> kStreamsDropped = {"stream\t_SX_DB_CUR/0001"};

// The file, read and written back: everything xlrd sees is the same, and so
// is every record kept; the report names what is lost.
void CheckRoundTrip(const std::string& original) {
    TcTempDir dir;
    TcWorkbook book;
    book.Filename = original;
    TcReadReport report = book.ReadWorkbook();
    EXPECT_THAT(report.Unsupported, UnorderedElementsAreArray(kFixtureReport));
    EXPECT_NE(report.WrittenBy, kWorkbookWriterName);
    book.Filename = dir.File("written.xls");
    book.WriteWorkbook();

    TcXlrdDump before = ReadWithXlrd(original);
    TcXlrdDump after = ReadWithXlrd(book.Filename);
    ASSERT_EQ(before.Status, 0) << ::testing::PrintToString(before.Lines);
    ASSERT_EQ(after.Status, 0) << ::testing::PrintToString(after.Lines);
    EXPECT_EQ(after.Lines, before.Lines);

    const TcXlrdDump streamsBefore = ReadPropertiesWithOlefile(original);
    const TcXlrdDump streamsAfter = ReadPropertiesWithOlefile(book.Filename);
    ASSERT_EQ(streamsAfter.Status, 0) << ::testing::PrintToString(streamsAfter.Lines);
    std::vector<std::string> dropped;
    for (const std::string& stream : streamsBefore.With("stream\t"))
        if (!::testing::Value(streamsAfter.With("stream\t"), ::testing::Contains(stream)))
            dropped.push_back(stream);
    EXPECT_THAT(dropped, UnorderedElementsAreArray(kStreamsDropped));

    auto originalParts = Substreams(StreamRecords(ReadFileBytes(original)));
    auto writtenParts = Substreams(StreamRecords(ReadFileBytes(book.Filename)));
    ASSERT_EQ(writtenParts.size(), originalParts.size());
    EXPECT_EQ(RecordsOf(writtenParts[0], {0x0092}), RecordsOf(originalParts[0], {0x0092}))
        << "palette";
    for (size_t i = 1; i < originalParts.size(); ++i) {
        SCOPED_TRACE("sheet substream " + std::to_string(i));
        EXPECT_EQ(RecordsOf(writtenParts[i], kSheetRecordsKept),
                  RecordsOf(originalParts[i], kSheetRecordsKept));
        EXPECT_EQ(RecordsOf(writtenParts[i], {0x023E}), RecordsOf(originalParts[i], {0x023E}))
            << "window";
    }
    // Written again, nothing more is reported: the file is ours now.
    TcWorkbook again;
    again.Filename = book.Filename;
    TcReadReport second = again.ReadWorkbook();
    EXPECT_TRUE(second.Empty()) << ::testing::PrintToString(second.Unsupported);
    EXPECT_EQ(second.WrittenBy, kWorkbookWriterName);
}

TEST(LibreOfficeWorkbook, CommittedFixtureKeepsAllButWhatIsReported) {
    CheckRoundTrip(FixturePath("libreoffice.xls"));
}

TEST(LibreOfficeWorkbook, ConvertedNowKeepsAllButWhatIsReported) {
    if (!LibreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: only the committed fixture "
                        "fixtures/libreoffice.xls is checked";
    TcTempDir dir;
    CheckRoundTrip(ConvertWithLibreOffice(FixturePath("libreoffice.fods"), dir.Path()));
}

// What the model holds of the fixture, read by our own reader.
TEST(LibreOfficeWorkbook, ModelHoldsVisibilityHeightsOutlinesAndPalette) {
    TcWorkbook book;
    book.Filename = FixturePath("libreoffice.xls");
    book.ReadWorkbook();
    ASSERT_EQ(book.Sheets().Count(), 4);
    EXPECT_EQ(book.Sheets()[1].Visibility, TSheetVisibility::Hidden);
    const TcSheet& data = book.Sheets()[0];
    EXPECT_EQ(data.RowHeight(1), 850);  // set by hand
    ASSERT_EQ(data.RowAttributes.count(2), 1u);
    EXPECT_TRUE(data.RowAttributes.at(2).Hidden);
    ASSERT_EQ(data.RowAttributes.count(3), 1u);
    EXPECT_EQ(data.RowAttributes.at(3).AutoHeight, 489);  // fitted to a 20-point text
    EXPECT_EQ(data.RowAttributes.at(3).OutlineLevel, 1);
    ASSERT_EQ(data.ColumnAttributes.count(3), 1u);
    EXPECT_TRUE(data.ColumnAttributes.at(3).Hidden);
    EXPECT_EQ(book.Formats().Palette.size(), 56u);
    EXPECT_FALSE(data.Kept.PageSetup.empty());
    EXPECT_TRUE(data.Kept.Protection.empty());
    EXPECT_FALSE(book.Sheets()[2].Kept.Protection.empty());
}

}  // namespace
