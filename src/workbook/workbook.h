#pragma once
// TcWorkbook: a workbook kept in memory and read from or written to an
// Excel 97 (BIFF8) file, or written to an Office Open XML (.xlsx) file. This
// is the whole public face of the library; the file formats live in the
// biff8_*, compound_document and xlsx_writer units.
//
// ReadWorkbook replaces the workbook's content with the file's and reports
// the kinds of content the model cannot hold (charts, pictures, macros,
// comments, names, ...), so that a caller can warn before writing over the
// file. Errors raise EWorkbookError (EFormulaError for formulas); a failed
// read leaves the workbook as it was.

#include <string>
#include <utility>
#include <vector>

#include "workbook/workbook_errors.h"
#include "workbook/workbook_model.h"

namespace spreadsheet {
struct TcNamedStream;
}

// The file format WriteWorkbook writes: Excel 97 (65,536 rows a sheet) or
// Office Open XML (1,048,576 rows).
enum class TExcelVersion { xvExcel97, xvOpenXml };

// The most rows a sheet of an Office Open XML workbook holds.
inline constexpr int kMaxOpenXmlRows = 1048576;

// What a read found but the model does not keep; each kind once, in the
// order found (for example "charts", "comments", "names").
struct TcReadReport {
    std::vector<std::string> Unsupported;
    // The user name the writing program recorded (this library's writer
    // records "Tessel"); empty when the file names none.
    std::string WrittenBy;
    bool Empty() const { return Unsupported.empty(); }
};

// The most UTF-16 code units a cell's text holds in the file; the writer
// cuts longer texts there.
inline constexpr size_t kMaxCellTextUnits = 32767;

// A text cell longer than the file holds: where, and its length in UTF-16
// code units (characters, for all but the rarest).
struct TcCutText {
    std::string Sheet;
    int Column = 0;
    int Row = 0;
    size_t Length = 0;
};

// The user name this library's writer records in its files.
inline constexpr const char* kWorkbookWriterName = "Tessel";

// True when the format holds no attribute beyond the model's (font, number
// format, vertical alignment): no border, fill, horizontal alignment or
// other attribute that a file gave it. Such a format may be shared by cells
// that ask for those attributes only.
bool HasOnlyModelAttributes(const TcCellFormat& format);

class TcWorkbook {
  public:
    TcWorkbook();
    TcWorkbook(const TcWorkbook&) = delete;
    TcWorkbook& operator=(const TcWorkbook&) = delete;

    std::string Filename;
    TExcelVersion Version = TExcelVersion::xvExcel97;
    // The workbook counts dates from 1 January 1904, as a file read said:
    // its date cells and cached formula results hold serials of that
    // system (see kDate1904Offset), and it is written back so.
    bool Date1904 = false;
    // The streams of the file read that describe the document as a whole,
    // as (stream name, bytes), written back unchanged: its properties (the
    // SummaryInformation and DocumentSummaryInformation streams: title,
    // author, subject, keywords and more) and the OLE streams CompObj (the
    // kind of document) and Ole that Excel and LibreOffice write.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> KeptStreams;

    // A new workbook holding one sheet ("Sheet1"), the default font (Arial
    // 10) and the default cell format.
    void ClearWorkbook();
    // The format a workbook named `fileName` is written in: Office Open XML
    // for a name ending in ".xlsx" (in any case), else Excel 97.
    static TExcelVersion VersionForFile(const std::string& fileName);
    // The rows a sheet holds in Version's format.
    int MaxRows() const { return Version == TExcelVersion::xvOpenXml ? kMaxOpenXmlRows : kMaxRows; }
    // Loads Filename (an Excel 97 workbook; an Office Open XML one is refused
    // with a message that says so). Sets Version to Excel 97.
    TcReadReport ReadWorkbook();
    // Loads a workbook file held in memory (the reader without the disk).
    TcReadReport ReadWorkbookFromBytes(const std::vector<uint8_t>& bytes);
    // Saves to Filename, replacing the file only when the whole workbook is
    // written (see workbook_file.h for the files it refuses).
    void WriteWorkbook() const;
    // The text cells WriteWorkbook will cut, sheet by sheet, row by row.
    std::vector<TcCutText> CutTexts() const;
    // Raises EWorkbookError when a workbook cannot be written under fileName,
    // so that a caller can refuse before it builds one.
    static void CheckWritable(const std::string& fileName);
    // The file's bytes, as WriteWorkbook would write them.
    std::vector<uint8_t> WorkbookBytes() const;

    TcSheets& Sheets() { return sheets_; }
    const TcSheets& Sheets() const { return sheets_; }
    TcFormats& Formats() { return formats_; }
    const TcFormats& Formats() const { return formats_; }
    // The report of the last read (empty after ClearWorkbook).
    const TcReadReport& LastReadReport() const { return report_; }

  private:
    // The streams written beside the workbook stream.
    std::vector<spreadsheet::TcNamedStream> OtherStreams() const;

    TcSheets sheets_{*this};
    TcFormats formats_;
    TcReadReport report_;
};
