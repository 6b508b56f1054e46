// tessel-cli runs the XLS commands, and a workbook still open when its run
// ends is written and named on standard error, never lost without a word.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "foundation/temp_dir.h"
#include "workbook/workbook.h"

namespace {

using ::testing::HasSubstr;

struct TcCliRun {
    int Status = -1;
    std::string Output;
    std::string Errors;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs tessel-cli on a script in the folder, with standard input from /dev/null.
TcCliRun RunCli(const TcTempDir& folder, const std::string& script) {
    std::ofstream(folder.File("script.sql")) << script;
    const std::string command = "cd '" + folder.Path() +
                                "' && LC_ALL=C '" TESSEL_CLI
                                "' -q script.sql >out.txt 2>err.txt </dev/null";
    const int status = std::system(command.c_str());
    TcCliRun run;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Output = ReadText(folder.File("out.txt"));
    run.Errors = ReadText(folder.File("err.txt"));
    return run;
}

std::string CellText(const std::string& file, int column, int row) {
    TcWorkbook book;
    book.Filename = file;
    book.ReadWorkbook();
    const TcCell* cell = book.Sheets()[0].Cell(column, row);
    return cell ? cell->Text : "<no cell>";
}

TEST(XlsInTesselCli, AWorkbookStillOpenAtTheEndIsWrittenAndNamed) {
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run = RunCli(folder, "XLS CREATE 'end.xls';\nXLS ECHO hello;\nSET ECHO OFF;\n");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "Done.\nDone.\nDone.\n");
    EXPECT_EQ(run.Errors,
              "The workbook end.xls was still open at the end of the run; it has been written.\n");
    EXPECT_EQ(CellText(folder.File("end.xls"), 0, 0), "hello");
    EXPECT_EQ(CellText(folder.File("end.xls"), 0, 1), "Done.");
}

TEST(XlsInTesselCli, AClosedWorkbookIsNotWrittenAgain) {
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run = RunCli(folder, "XLS CREATE 'closed.xls'; XLS ECHO x; XLS CLOSE;");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Errors, "");
    EXPECT_EQ(CellText(folder.File("closed.xls"), 0, 0), "x");
}

TEST(XlsInTesselCli, AFailedRunStillWritesItsWorkbook) {
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run = RunCli(folder,
                          "XLS CREATE 'failed.xls';\nXLS ECHO before;\nXLS COLUMN 0;\n"
                          "XLS ECHO never;\n");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, HasSubstr("script.sql:3: XLS COLUMN 0\nInvalid column.\n"));
    EXPECT_THAT(run.Errors, HasSubstr("The workbook failed.xls was still open at the end of the "
                                      "run; it has been written.\n"));
    EXPECT_EQ(CellText(folder.File("failed.xls"), 0, 0), "before");
}

TEST(XlsInTesselCli, AWorkbookThatCannotBeWrittenFailsTheRun) {
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run = RunCli(folder, "XLS CREATE 'no/such/folder/x.xls'; XLS ECHO x;");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, HasSubstr("The workbook no/such/folder/x.xls was still open at the "
                                      "end of the run and could not be written: Cannot write"));
}

TEST(XlsInTesselCli, CapturesAQueryOfADatabase) {
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run =
        RunCli(folder, "CREATE DATABASE '" + folder.File("cli.fdb") +
                           "' USER 'SYSDBA' PASSWORD 'masterkey';\n"
                           "XLS CREATE 'query.xls';\nXLS SHEET Result;\n"
                           "SELECT 7 AS LUCKY_NUMBER, CAST(12.5 AS NUMERIC(9,2)) AS PRICE "
                           "FROM RDB$DATABASE;\nXLS CLOSE;\n");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    TcWorkbook book;
    book.Filename = folder.File("query.xls");
    book.ReadWorkbook();
    EXPECT_EQ(book.Sheets()[0].Name, "Result");
    EXPECT_EQ(book.Sheets()[0].Cell(0, 0)->Text, "Lucky Number");
    EXPECT_EQ(book.Sheets()[0].Cell(1, 1)->Number, 12.5);
    EXPECT_EQ(book.Formats()[book.Sheets()[0].Cell(1, 1)->FormatIndex].NumberFormat, "#,##0.00");
}

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct StoppedCaptureCase {
    const char* Name;
    const char* Setup;  // after XLS CREATE
    const char* Value;  // the text value the first query returns
    const char* Note;   // what the user reads at once
    friend void PrintTo(const StoppedCaptureCase& c, std::ostream* out) { *out << c.Name; }
};

class StoppedCapture : public ::testing::TestWithParam<StoppedCaptureCase> {};

// A formula that cannot be compiled stops the capture: the user reads why
// right below the statement's output, before the next statement's, and
// again at XLS CLOSE; the statement and the run succeed all the same.
TEST_P(StoppedCapture, IsToldRightAfterTheStatement) {
    const StoppedCaptureCase& c = GetParam();
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run = RunCli(folder, "CREATE DATABASE '" + folder.File("cli.fdb") +
                                      "' USER 'SYSDBA' PASSWORD 'masterkey';\n"
                                      "XLS CREATE 'stopped.xls';\n" +
                                      c.Setup + "SELECT CAST('" + c.Value +
                                      "' AS VARCHAR(20)) AS F FROM RDB$DATABASE;\n"
                                      "SELECT 'next' AS N FROM RDB$DATABASE;\nXLS CLOSE;\n");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Errors, "");
    const std::vector<std::string> lines = Lines(run.Output);
    const auto row = std::find_if(lines.begin(), lines.end(), [&c](const std::string& line) {
        return line.starts_with(c.Value);
    });
    ASSERT_NE(row, lines.end()) << run.Output;
    ASSERT_GE(lines.end() - row, 4) << run.Output;
    EXPECT_EQ(row[1], c.Note) << run.Output;
    EXPECT_EQ(row[2], "N") << run.Output;
    // XLS CLOSE names it again with what else the file lacks.
    EXPECT_EQ(lines.back(), c.Note) << run.Output;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), c.Note), 2) << run.Output;
    // The header stays; the next statement's capture goes on where this
    // one stopped.
    EXPECT_EQ(CellText(folder.File("stopped.xls"), 0, 0), "F");
    EXPECT_EQ(CellText(folder.File("stopped.xls"), 0, 1), "N");
    EXPECT_EQ(CellText(folder.File("stopped.xls"), 0, 2), "next");
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoppedCapture,
    ::testing::Values(
        StoppedCaptureCase{"UnknownFunction", "", "==FOO(1)",
                           "The capture stopped at row 2 of sheet Sheet 1: Formula \"FOO(1)\" "
                           "cannot be compiled at position 1: unknown function 'FOO'."},
        StoppedCaptureCase{"SyntaxError", "", "==SUM(",
                           "The capture stopped at row 2 of sheet Sheet 1: Formula \"SUM(\" "
                           "cannot be compiled at position 5: an operand is missing."},
        StoppedCaptureCase{"OwnPrefix", "XLS FORMULAPREFIX #;\n", "#1+",
                           "The capture stopped at row 2 of sheet Sheet 1: Formula \"1+\" "
                           "cannot be compiled at position 3: an operand is missing."}),
    [](const auto& info) { return std::string(info.param.Name); });

// With the statements' output suppressed the note is still shown: it tells
// of a loss, and the report of XLS CLOSE is suppressed as well.
TEST(XlsInTesselCli, AStoppedCaptureIsToldWhileOutputIsSuppressed) {
    TcTempDir folder("tessel-xls-cli");
    TcCliRun run = RunCli(folder, "CREATE DATABASE '" + folder.File("cli.fdb") +
                                      "' USER 'SYSDBA' PASSWORD 'masterkey';\n"
                                      "XLS CREATE 'quiet.xls';\nSET SUPPRESS_OUTPUT ON;\n"
                                      "SELECT CAST('==FOO(1)' AS VARCHAR(20)) AS F "
                                      "FROM RDB$DATABASE;\nXLS CLOSE;\n");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    // Row 1 holds the Done. of the SET command, captured as ever.
    EXPECT_EQ(run.Output,
              "Database created.\nDone.\nThe capture stopped at row 3 of sheet Sheet 1: Formula "
              "\"FOO(1)\" cannot be compiled at position 1: unknown function 'FOO'.\n");
}

}  // namespace
