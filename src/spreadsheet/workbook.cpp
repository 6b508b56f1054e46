#include "spreadsheet/workbook.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "spreadsheet/biff8_reader.h"
#include "spreadsheet/biff8_writer.h"
#include "spreadsheet/compound_document.h"

namespace spreadsheet {

void RaiseBadFile(const std::string& detail) {
    throw EWorkbookError("Not a valid Excel 97 workbook: " + detail + ".");
}

}  // namespace spreadsheet

using spreadsheet::TBytes;

TcWorkbook::TcWorkbook() {
    ClearWorkbook();
}

void TcWorkbook::ClearWorkbook() {
    sheets_.Clear();
    formats_.Clear();
    report_ = {};
    sheets_.Add("Sheet1");
}

TcReadReport TcWorkbook::ReadWorkbook() {
    std::ifstream in(Filename, std::ios::binary);
    if (!in) throw EWorkbookError("Cannot open '" + Filename + "': " + std::strerror(errno) + ".");
    TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EWorkbookError("Cannot read '" + Filename + "'.");
    return ReadWorkbookFromBytes(bytes);
}

TcReadReport TcWorkbook::ReadWorkbookFromBytes(const std::vector<uint8_t>& bytes) {
    spreadsheet::TcCompoundDocument document(bytes);
    int index = document.Find("Workbook");
    if (index < 0) {
        if (document.Find("Book") >= 0)
            throw EWorkbookError(
                "Only Excel 97 and later workbooks (BIFF8) can be read; this one is older.");
        spreadsheet::RaiseBadFile("the file holds no Workbook stream");
    }
    TBytes stream = document.ReadStream(index);

    // Read into a scratch workbook so that a failure leaves this one as it was.
    TcWorkbook scratch;
    scratch.sheets_.Clear();
    TcReadReport report;
    spreadsheet::ReadWorkbookStream(stream, scratch, report);
    if (document.Find("_VBA_PROJECT_CUR") >= 0 || document.Find("_VBA_PROJECT") >= 0)
        report.Unsupported.push_back("macros");
    if (document.Find("ObjectPool") >= 0) report.Unsupported.push_back("embedded objects");
    // A pivot table's cache lives in a storage of its own.
    if (document.Find("_SX_DB_CUR") >= 0 &&
        std::find(report.Unsupported.begin(), report.Unsupported.end(), "pivot tables") ==
            report.Unsupported.end())
        report.Unsupported.push_back("pivot tables");

    sheets_.TakeFrom(scratch.sheets_);
    formats_ = std::move(scratch.formats_);
    report_ = report;
    return report;
}

TBytes TcWorkbook::WorkbookBytes() const {
    return spreadsheet::BuildCompoundDocument("Workbook", spreadsheet::BuildWorkbookStream(*this));
}

void TcWorkbook::WriteWorkbook() const {
    const TBytes stream = spreadsheet::BuildWorkbookStream(*this);
    const spreadsheet::TcDocumentFrame frame =
        spreadsheet::CompoundDocumentFrame("Workbook", stream.size());
    // Write beside the target and rename, so that a failed write never
    // leaves a half-written file in place of the old one.
    std::string temporary = Filename + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw EWorkbookError("Cannot write '" + Filename + "': " + std::strerror(errno) + ".");
        for (const TBytes* part : {&frame.Head, &stream, &frame.Tail})
            out.write(reinterpret_cast<const char*>(part->data()),
                      static_cast<std::streamsize>(part->size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw EWorkbookError("Cannot write '" + Filename + "'.");
        }
    }
    if (std::rename(temporary.c_str(), Filename.c_str()) != 0) {
        int error = errno;
        std::remove(temporary.c_str());
        throw EWorkbookError("Cannot write '" + Filename + "': " + std::strerror(error) + ".");
    }
}
