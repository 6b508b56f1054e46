// XLS OPEN of workbooks: another program's file is reported, captured into
// and written back with everything the report did not name still there and
// the original kept beside it; our own files are opened and written quietly.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/expect_error.h"
#include "workbook/biff8_writer.h"
#include "workbook/compound_document.h"
#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The lines of an xlrd dump that do not name the sheet.
std::vector<std::string> Without(const std::vector<std::string>& lines, const std::string& sheet) {
    std::vector<std::string> kept;
    for (const std::string& line : lines)
        if (line.find("\t" + sheet) == std::string::npos) kept.push_back(line);
    return kept;
}

void WriteBytes(const std::string& file, const TBytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class OpenForeignWorkbook : public DatabaseEngine {
  protected:
    // XLS OPEN, a capture into a sheet of its own, XLS CLOSE.
    void OpenCaptureClose(const std::string& source) {
        const std::string file = File("foreign.xls");
        std::filesystem::copy_file(source, file);
        const std::string opened = Run("XLS OPEN '" + file + "';");
        for (const char* kind : {"names", "drop-down lists", "autofilters", "pivot tables",
                                 "texts formatted in parts"})
            EXPECT_THAT(opened, HasSubstr(kind));
        // Kept, or named by what they hold (the pivot tables' cache).
        for (const char* named : {"Information", "Workbook", "CompObj", "Ole\"", "SX_DB"})
            EXPECT_THAT(opened, Not(HasSubstr(named)));
        EXPECT_THAT(opened, ::testing::StartsWith(file + " holds what cannot be kept"));
        EXPECT_THAT(opened,
                    ::testing::EndsWith("XLS CLOSE keeps the original file beside the new one."));
        EXPECT_EQ(engine->CurrentSheet->Name, "Data");

        Run("XLS SHEET Captured; SELECT 1 AS ONE, 'two' AS TWO FROM RDB$DATABASE;");
        const std::string original = File("foreign (original).xls");
        EXPECT_EQ(Run("XLS CLOSE;"), "The original file was kept as " + original + ".");
        EXPECT_EQ(ReadFileBytes(original), ReadFileBytes(source));

        TcXlrdDump before = ReadWithXlrd(source);
        TcXlrdDump after = ReadWithXlrd(file);
        ASSERT_EQ(after.Status, 0) << ::testing::PrintToString(after.Lines);
        EXPECT_EQ(Without(after.Lines, "Captured"), before.Lines);
        EXPECT_THAT(after.With("sheet\t4\t"),
                    ::testing::ElementsAre("sheet\t4\tCaptured\tvisible"));
        EXPECT_THAT(after.Cell("Captured!B2"),
                    ::testing::ElementsAre("text", "two", "General", "regular", "10"));

        auto originalParts = Substreams(StreamRecords(ReadFileBytes(source)));
        auto writtenParts = Substreams(StreamRecords(ReadFileBytes(file)));
        ASSERT_EQ(writtenParts.size(), originalParts.size() + 1);
        EXPECT_EQ(RecordsOf(writtenParts[0], {0x0092}), RecordsOf(originalParts[0], {0x0092}));
        for (size_t i = 1; i < originalParts.size(); ++i)
            EXPECT_EQ(RecordsOf(writtenParts[i], kSheetRecordsKept),
                      RecordsOf(originalParts[i], kSheetRecordsKept))
                << "sheet substream " << i;

        // The file is ours now: opened and written again, nothing is said or kept.
        EXPECT_EQ(Run("XLS OPEN '" + file + "'; XLS ECHO again; XLS CLOSE;"), "Done.");
        EXPECT_FALSE(std::filesystem::exists(File("foreign (original 2).xls")));
    }
};

TEST_F(OpenForeignWorkbook, CommittedLibreOfficeFixture) {
    OpenCaptureClose(FixturePath("libreoffice.xls"));
}

TEST_F(OpenForeignWorkbook, ConvertedByLibreOfficeNow) {
    if (!LibreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: only the committed fixture "
                        "fixtures/libreoffice.xls is tried";
    TcTempDir converted;
    OpenCaptureClose(ConvertWithLibreOffice(FixturePath("libreoffice.fods"), converted.Path()));
}

TEST_F(XlsEngine, AnotherProgramsFileWithNothingToReportIsStillKept) {
    // A workbook the model holds whole, but not written by us.
    TcWorkbook other;
    other.Sheets()[0].WriteTextCell(0, 0, "theirs", 0);
    TBytes bytes = other.WorkbookBytes();
    const std::string name = kWorkbookWriterName;
    auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, bytes.end());
    std::copy_n("Calc..", 6, at);  // the user name its program recorded
    const std::string file = File("other.xls");
    WriteBytes(file, bytes);

    EXPECT_EQ(Run("XLS OPEN '" + file + "';"),
              file +
                  " was written by another program; XLS CLOSE keeps the original file beside "
                  "the new one.");
    Run("XLS COLUMN 2; XLS ECHO ours;");
    EXPECT_EQ(Run("XLS CLOSE;"),
              "The original file was kept as " + File("other (original).xls") + ".");
    EXPECT_EQ(ReadFileBytes(File("other (original).xls")), bytes);
}

// --- Streams and storages beside the workbook --------------------------------

// A workbook of ours in a compound document with these streams beside it.
void WriteDocument(const std::string& file, const std::vector<spreadsheet::TcNamedStream>& others) {
    TcWorkbook book;
    book.Sheets()[0].WriteTextCell(0, 0, "cell", 0);
    const TBytes bytes = spreadsheet::BuildCompoundDocument(
        "Workbook", spreadsheet::BuildWorkbookStream(book), others);
    WriteBytes(file, bytes);
}

struct DroppedCase {
    const char* Name;
    std::vector<std::string> Streams;  // beside the workbook stream
    std::vector<std::string> Named;    // in the message of XLS OPEN
    friend void PrintTo(const DroppedCase& c, std::ostream* out) { *out << c.Name; }
};

class DroppedStreams : public XlsEngine, public ::testing::WithParamInterface<DroppedCase> {};

// Every stream that is not written back is named, readably; the kept ones
// and those named by what they hold are not; a file with nothing to name
// opens quietly, and XLS CLOSE writes its streams back byte for byte.
TEST_P(DroppedStreams, AreNamedByXlsOpen) {
    const DroppedCase& c = GetParam();
    std::vector<spreadsheet::TcNamedStream> others;
    for (const std::string& name : c.Streams)
        others.push_back(
            {name, TBytes(40 + others.size(), static_cast<uint8_t>(0x2A + others.size()))});
    const std::string file = File("streams.xls");
    WriteDocument(file, others);
    const std::string message = Run("XLS OPEN '" + file + "';");
    if (c.Named.empty()) {
        EXPECT_EQ(message, "Done.");
        Run("XLS ECHO written; XLS CLOSE;");
        const spreadsheet::TcCompoundDocument written(ReadFileBytes(file));
        for (const spreadsheet::TcNamedStream& stream : others) {
            const int found = written.FindInRoot(stream.Name);
            ASSERT_GE(found, 0) << stream.Name;
            EXPECT_EQ(written.ReadStream(found), stream.Bytes) << stream.Name;
        }
        return;
    }
    const std::string start = file +
                              " holds what cannot be kept and is lost when the workbook "
                              "is written: ";
    ASSERT_THAT(message, ::testing::StartsWith(start));
    const std::string end = ". XLS CLOSE keeps the original file beside the new one.";
    ASSERT_THAT(message, ::testing::EndsWith(end));
    std::vector<std::string> named;
    std::string list = message.substr(start.size(), message.size() - start.size() - end.size());
    for (size_t at = 0; at != std::string::npos;) {
        const size_t comma = list.find(", ", at);
        named.push_back(list.substr(at, comma == std::string::npos ? comma : comma - at));
        at = comma == std::string::npos ? comma : comma + 2;
    }
    EXPECT_THAT(named, ::testing::UnorderedElementsAreArray(c.Named)) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DroppedStreams,
    ::testing::Values(
        DroppedCase{
            "OnlyKeptStreams", {"\005SummaryInformation", "\005DocumentSummaryInformation"}, {}},
        DroppedCase{"OleStreamsAreKept", {"\001CompObj", "\001Ole", "\005SummaryInformation"}, {}},
        DroppedCase{"OtherPropertySetsAndOwnStreams",
                    {"\005DocumentSummaryInformation", "\005CustomSet", "Ctls", "Book"},
                    {"the stream \"CustomSet\"", "the stream \"Ctls\"", "the stream \"Book\""}},
        DroppedCase{"ControlCharactersInside",
                    {"\003Link\002Info", "\006"},
                    {"the stream \"Link\\002Info\"", "the stream \"\\006\""}},
        DroppedCase{"NamedByWhatTheyHold",
                    {"ObjectPool", "_VBA_PROJECT_CUR", "\001CompObj", "Ctls"},
                    {"embedded objects", "macros", "the stream \"Ctls\""}}),
    [](const auto& info) { return std::string(info.param.Name); });

// A storage is named as one, with all it holds; the one of a pivot table's
// cache is named by what it holds.
TEST_F(XlsEngine, AStorageBesideTheWorkbookIsNamed) {
    TBytes bytes = ReadFileBytes(FixturePath("libreoffice.xls"));
    // The pivot cache's storage renamed in the directory, to a name of the
    // same length.
    const std::u16string from = u"_SX_DB_CUR", to = u"Custom_Stg";
    const auto utf16 = [](const std::u16string& text) {
        TBytes out;
        for (char16_t c : text) {
            out.push_back(static_cast<uint8_t>(c & 0xFF));
            out.push_back(static_cast<uint8_t>(c >> 8));
        }
        return out;
    };
    const TBytes pattern = utf16(from), replacement = utf16(to);
    const auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ(std::search(at + 1, bytes.end(), pattern.begin(), pattern.end()), bytes.end());
    std::copy(replacement.begin(), replacement.end(), at);
    const std::string file = File("storage.xls");
    WriteBytes(file, bytes);
    const std::string message = Run("XLS OPEN '" + file + "';");
    EXPECT_THAT(message, HasSubstr("the storage \"Custom_Stg\""));
    EXPECT_THAT(message, HasSubstr("pivot tables"));  // its records in the workbook stream
}

TEST_F(XlsEngine, AFileThatCannotBeWrittenKeepsItsOriginalAndNoCopy) {
    const std::string file = File("book.xls");
    std::filesystem::copy_file(FixturePath("libreoffice.xls"), file);
    Run("XLS OPEN '" + file + "'; XLS ECHO new; XLS ECHO " + std::string(30000, 'x') + ";");
    {
        // The copy of the original fits, the larger new workbook does not:
        // the write fails, whoever runs the test.
        TcFileSizeLimit limit(std::filesystem::file_size(file));
        EXPECT_RAISES_CONTAINING(EWorkbookError, engine->ExecuteStatement("XLS CLOSE"),
                                 "Cannot write");
    }
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(FixturePath("libreoffice.xls")));
    EXPECT_FALSE(std::filesystem::exists(File("book (original).xls")));
    EXPECT_TRUE(engine->WorkbookPending());  // still open: nothing is lost yet
    EXPECT_EQ(Run("XLS CLOSE;"),
              "The original file was kept as " + File("book (original).xls") + ".");
}

}  // namespace
