#include "workbook/workbook.h"

#include <algorithm>
#include <iterator>

#include "foundation/string_utils.h"
#include "workbook/biff8_reader.h"
#include "workbook/biff8_writer.h"
#include "workbook/byte_buffer.h"
#include "workbook/compound_document.h"
#include "workbook/workbook_file.h"
#include "workbook/xlsx_writer.h"

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
    Date1904 = false;
    KeptStreams.clear();
    sheets_.Add("Sheet1");
}

TExcelVersion TcWorkbook::VersionForFile(const std::string& fileName) {
    const std::string extension = ".xlsx";
    if (fileName.size() < extension.size()) return TExcelVersion::xvExcel97;
    for (size_t i = 0; i < extension.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(
                fileName[fileName.size() - extension.size() + i])) != extension[i])
            return TExcelVersion::xvExcel97;
    return TExcelVersion::xvOpenXml;
}

namespace {

// A directory name as the user reads it: the control characters that mark
// the streams of the system (\001CompObj, the \005 property sets) are left
// out in front, and any other shows as a backslash and its octal code.
std::string ReadableEntryName(const std::string& name) {
    size_t start = 0;
    while (start < name.size() && static_cast<unsigned char>(name[start]) < 0x20) ++start;
    if (start == name.size()) start = 0;  // nothing else to show
    std::string shown;
    for (size_t i = start; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c != 0x7F) {
            shown += name[i];
            continue;
        }
        static const char kDigits[] = "01234567";
        shown += {'\\', kDigits[c >> 6], kDigits[(c >> 3) & 7], kDigits[c & 7]};
    }
    return shown;
}

// Every stream and storage of the root that is not written back, by name:
// all but the kept ones and those the report names by what they hold
// (macros, embedded objects, pivot tables).
void NameDroppedEntries(const spreadsheet::TcCompoundDocument& document,
                        const std::vector<int>& kept, TcReadReport& report) {
    static const char* const kNamedByContent[] = {"_VBA_PROJECT_CUR", "_VBA_PROJECT", "ObjectPool",
                                                  "_SX_DB_CUR"};
    for (const int id : document.RootEntries()) {
        if (std::find(kept.begin(), kept.end(), id) != kept.end()) continue;
        const auto& entry = document.Entries()[static_cast<size_t>(id)];
        if (std::any_of(std::begin(kNamedByContent), std::end(kNamedByContent),
                        [&entry](const char* name) { return SameText(entry.Name, name); }))
            continue;
        std::string loss = (entry.Type == 1 ? "the storage \"" : "the stream \"") +
                           ReadableEntryName(entry.Name) + "\"";
        if (std::find(report.Unsupported.begin(), report.Unsupported.end(), loss) ==
            report.Unsupported.end())
            report.Unsupported.push_back(std::move(loss));
    }
}

[[noreturn]] void RefuseOpenXml(const std::string& fileName) {
    throw EWorkbookError(fileName +
                         " is an Office Open XML workbook (.xlsx), which cannot be opened; only "
                         "Excel 97 workbooks (.xls) are read. Save it as an Excel 97 workbook "
                         "first, or write a new .xlsx with XLS CREATE.");
}

}  // namespace

TcReadReport TcWorkbook::ReadWorkbook() {
    if (VersionForFile(Filename) == TExcelVersion::xvOpenXml) RefuseOpenXml(Filename);
    return ReadWorkbookFromBytes(spreadsheet::ReadWorkbookFile(Filename));
}

TcReadReport TcWorkbook::ReadWorkbookFromBytes(const std::vector<uint8_t>& bytes) {
    // A zip archive: an Office Open XML workbook under another name.
    static const uint8_t kZip[] = {'P', 'K', 3, 4};
    if (bytes.size() >= 4 && std::equal(kZip, kZip + 4, bytes.begin()))
        RefuseOpenXml(Filename.empty() ? std::string("The file") : Filename);
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

    std::vector<std::pair<std::string, TBytes>> streams;
    std::vector<int> kept{index};
    for (const char* name :
         {"\005SummaryInformation", "\005DocumentSummaryInformation", "\001CompObj", "\001Ole"}) {
        const int found = document.FindInRoot(name);
        if (found >= 0) streams.emplace_back(name, document.ReadStream(found));
        kept.push_back(found);
    }
    NameDroppedEntries(document, kept, report);

    sheets_.TakeFrom(scratch.sheets_);
    formats_ = std::move(scratch.formats_);
    Date1904 = scratch.Date1904;
    KeptStreams = std::move(streams);
    report_ = report;
    Version = TExcelVersion::xvExcel97;
    return report;
}

std::vector<spreadsheet::TcNamedStream> TcWorkbook::OtherStreams() const {
    std::vector<spreadsheet::TcNamedStream> streams;
    for (const auto& [name, bytes] : KeptStreams) streams.push_back({name, bytes});
    return streams;
}

TBytes TcWorkbook::WorkbookBytes() const {
    return spreadsheet::BuildCompoundDocument("Workbook", spreadsheet::BuildWorkbookStream(*this),
                                              OtherStreams());
}

std::vector<TcCutText> TcWorkbook::CutTexts() const {
    std::vector<TcCutText> cut;
    for (int i = 0; i < sheets_.Count(); ++i) {
        const TcSheet& sheet = sheets_[i];
        for (int row = 0; row < sheet.RowCount(); ++row)
            for (const TcCell& cell : sheet.RowCells(row)) {
                // A UTF-16 unit takes at least one byte of UTF-8.
                if (cell.Type != TCellType::Text || cell.Text.size() <= kMaxCellTextUnits) continue;
                const size_t units = spreadsheet::Utf8ToUtf16(cell.Text).size();
                if (units > kMaxCellTextUnits) cut.push_back({sheet.Name, cell.Column, row, units});
            }
    }
    return cut;
}

void TcWorkbook::CheckWritable(const std::string& fileName) {
    spreadsheet::CheckWritableWorkbook(fileName);
}

void TcWorkbook::WriteWorkbook() const {
    if (Version == TExcelVersion::xvOpenXml) {
        spreadsheet::ReplaceWorkbookFileWith(Filename, [this](int fd, const std::string&) {
            return spreadsheet::WriteOpenXmlWorkbook(*this, fd);
        });
        return;
    }
    const TBytes stream = spreadsheet::BuildWorkbookStream(*this);
    const spreadsheet::TcDocumentFrame frame =
        spreadsheet::CompoundDocumentFrame("Workbook", stream.size(), OtherStreams());
    spreadsheet::ReplaceWorkbookFile(Filename, {&frame.Head, &stream, &frame.Tail});
}
