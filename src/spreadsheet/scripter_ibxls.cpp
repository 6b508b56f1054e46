#include "spreadsheet/scripter_ibxls.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/string_utils.h"
#include "spreadsheet/xls_commands.h"

namespace {

// The nine named cell formats, in their order; all Arial, vertically centred.
struct TcNamedFormat {
    const char* Name;
    double Size;
    bool Bold;
    const char* NumberFormat;
    int TcDBScripter_IBXLS::TcCellFormatIndexes::*Index;
};

using TcIndexes = TcDBScripter_IBXLS::TcCellFormatIndexes;
const TcNamedFormat kNamedFormats[] = {
    {"Header", 12, true, "", &TcIndexes::Header},
    {"Echo", 10, false, "", &TcIndexes::Echo},
    {"QueryHeader", 10, true, "", &TcIndexes::QueryHeader},
    {"QueryString", 10, false, "", &TcIndexes::QueryString},
    {"QueryNumeric", 10, false, "#,##0.00", &TcIndexes::QueryNumeric},
    {"QueryDate", 10, false, "dd/mm/yyyy", &TcIndexes::QueryDate},
    {"QueryDateTime", 10, false, "dd/mm/yyyy hh:mm:ss", &TcIndexes::QueryDateTime},
    {"QueryInt", 10, false, "0", &TcIndexes::QueryInt},
    {"QueryTime", 10, false, "hh:mm:ss", &TcIndexes::QueryTime},
};

// A name for the original of a file about to be written over, that names no
// file yet: "report (original).xls", then "report (original 2).xls" and on.
std::string FreeOriginalName(const std::string& fileName) {
    const std::filesystem::path path(fileName);
    const std::string stem = path.stem().string();
    const std::string extension = path.extension().string();
    for (int n = 1;; ++n) {
        std::string name =
            stem + (n == 1 ? " (original)" : " (original " + std::to_string(n) + ")") + extension;
        std::filesystem::path candidate = path.parent_path() / name;
        std::error_code error;
        if (!std::filesystem::exists(candidate, error) && !error) return candidate.string();
    }
}

}  // namespace

TcDBScripter_IBXLS::TcDBScripter_IBXLS()
    : Workbook(std::make_unique<TcWorkbook>()), random_(std::random_device{}()) {
    // The lists by sheet index always cover the workbook's sheets.
    ResetSession(Workbook->Sheets().Count(), false);
    RegisterXLSCommands(Commands);
}

TcDBScripter_IBXLS::~TcDBScripter_IBXLS() = default;

int TcDBScripter_IBXLS::CellIndex(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, -1, std::numeric_limits<int>::max()));
}

// ---------------------------------------------------------------------------
// Sheets and formats

int TcDBScripter_IBXLS::CurrentSheetIndex() const {
    if (CurrentSheet == nullptr) return -1;
    // Asked for every captured cell: the index SelectSheet found, while it holds.
    const TcSheets& sheets = Workbook->Sheets();
    if (currentIndex_ >= 0 && currentIndex_ < sheets.Count() &&
        &sheets[currentIndex_] == CurrentSheet)
        return currentIndex_;
    return sheets.IndexOf(CurrentSheet);
}

TcSheet& TcDBScripter_IBXLS::Sheet() const {
    CheckFileOpen();
    return *CurrentSheet;
}

void TcDBScripter_IBXLS::CheckFileOpen() const {
    if (CurrentSheet == nullptr) RaiseUser("File not open");
}

void TcDBScripter_IBXLS::SelectSheet(TcSheet* sheet) {
    if (CurrentSheet != nullptr) {
        const int index = CurrentSheetIndex();
        SheetRows.Put(index, CursorRow);
        SheetColumns.Put(index, CursorColumn);
    }
    CurrentSheet = sheet;
    currentIndex_ = sheet ? Workbook->Sheets().IndexOf(sheet) : -1;
    if (CurrentSheet != nullptr) {
        const int index = CurrentSheetIndex();
        CursorRow = SheetRows.Get(index);
        CursorColumn = SheetColumns.Get(index);
    }
}

void TcDBScripter_IBXLS::DefineCellFormats() {
    for (const TcNamedFormat& format : kNamedFormats)
        CellFormats.*format.Index =
            FindOrAddCellFormat(format.Name, "Arial", format.NumberFormat, TVertAlignment::Center,
                                format.Bold ? unsigned(fsBold) : 0u, format.Size);
}

int TcDBScripter_IBXLS::FindOrAddCellFormat(const std::string& name, const std::string& fontName,
                                            const std::string& numberFormat,
                                            TVertAlignment alignment, unsigned fontStyle,
                                            double fontSize) {
    TcFormats& formats = Workbook->Formats();
    for (int i = 0; i < formats.Count(); ++i) {
        const TcCellFormat& format = formats[i];
        const TcFont& font = formats.Fonts(format.FontIndex);
        // A colour, an underline or a fill of a format read from a file
        // would show on cells that did not ask for it.
        if (SameText(font.Name, fontName) && font.Size == fontSize && font.Style == fontStyle &&
            font.Color == TcFont{}.Color && font.Underline == 0 &&
            format.VertAlignment == alignment && format.NumberFormat == numberFormat &&
            HasOnlyModelAttributes(format))
            return i;
    }
    TcFont font;
    font.Name = fontName;
    font.Size = fontSize;
    font.Style = fontStyle;
    const int index = formats.Add(name);
    formats[index].FontIndex = formats.AddFont(font);
    formats[index].VertAlignment = alignment;
    formats[index].NumberFormat = numberFormat;
    return index;
}

// ---------------------------------------------------------------------------
// Files

bool TcDBScripter_IBXLS::WorkbookPending() const {
    return CurrentSheet != nullptr && changed_;
}

std::string TcDBScripter_IBXLS::DropPendingWorkbook() const {
    if (!WorkbookPending()) return std::string();
    return Format(Lang("The workbook %s was still open; it has not been written.",
                       "Het werkboek %s was nog open; het is niet geschreven."),
                  Workbook->Filename.c_str());
}

void TcDBScripter_IBXLS::ResetSession(int sheets, bool fromFile) {
    SheetRows.Clear();
    SheetColumns.Clear();
    AutoFitSheets.clear();
    writtenColumns_.assign(static_cast<size_t>(sheets), {});
    sheetFromFile_.assign(static_cast<size_t>(sheets), fromFile);
    for (int i = 0; i < sheets; ++i) {
        SheetRows.Add(0);
        SheetColumns.Add(0);
        AutoFitSheets.push_back(true);
    }
    captureNotes_.clear();
    changed_ = false;
    keepOriginal_ = false;
}

std::string TcDBScripter_IBXLS::CreateFile(const std::string& fileName) {
    // Refused before anything is captured for a file that cannot be written.
    TcWorkbook::CheckWritable(fileName);
    const std::string dropped = DropPendingWorkbook();
    ResetSession(1, false);
    CursorRow = 0;
    CursorColumn = 0;
    CurrentSheet = nullptr;
    SheetNamed = false;
    Capture = true;
    Workbook->Filename = fileName;
    Workbook->ClearWorkbook();
    // "report.xlsx" is written as Office Open XML, any other name as Excel 97.
    Workbook->Version = TcWorkbook::VersionForFile(fileName);
    DefineCellFormats();
    SelectSheet(&Workbook->Sheets()[0]);
    CurrentSheet->Name = "Sheet 1";
    SkipCapture = true;
    return dropped;
}

std::string TcDBScripter_IBXLS::OpenFile(const std::string& fileName) {
    const std::string dropped = DropPendingWorkbook();
    CursorRow = 0;
    CursorColumn = 0;
    CurrentSheet = nullptr;
    // A failed read leaves the workbook as it was, and its file name and
    // naming state too: a later XLS SHEET and XLS CLOSE must not write it
    // over the file that could not be read, nor open a workbook that was
    // never named.
    const bool previousNamed = SheetNamed;
    SheetNamed = true;
    Capture = true;
    const std::string previousName = Workbook->Filename;
    Workbook->Filename = fileName;
    TcReadReport report;
    try {
        TcWorkbook::CheckWritable(fileName);
        report = Workbook->ReadWorkbook();
    } catch (const EWorkbookError& error) {
        Workbook->Filename = previousName;
        SheetNamed = previousNamed;
        if (dropped.empty()) throw;
        throw EWorkbookError(std::string(error.what()) + "\r\n" + dropped);
    }
    ResetSession(Workbook->Sheets().Count(), true);
    DefineCellFormats();
    SelectSheet(&Workbook->Sheets()[0]);
    SkipCapture = true;

    keepOriginal_ = !report.Empty() || report.WrittenBy != kWorkbookWriterName;
    std::string message = dropped;
    auto add = [&message](const std::string& text) {
        if (!message.empty()) message += "\r\n";
        message += text;
    };
    if (!report.Empty())
        add(Format(Lang("%s holds what cannot be kept and is lost when the workbook is written: "
                        "%s. XLS CLOSE keeps the original file beside the new one.",
                        "%s bevat wat niet bewaard kan worden en verloren gaat als het werkboek "
                        "geschreven wordt: %s. XLS CLOSE bewaart het oorspronkelijke bestand "
                        "naast het nieuwe."),
                   fileName.c_str(), JoinStrings(report.Unsupported, ", ", ", ").c_str()));
    else if (keepOriginal_)
        add(Format(Lang("%s was written by another program; XLS CLOSE keeps the original file "
                        "beside the new one.",
                        "%s is door een ander programma geschreven; XLS CLOSE bewaart het "
                        "oorspronkelijke bestand naast het nieuwe."),
                   fileName.c_str()));
    return message;
}

void TcDBScripter_IBXLS::ActivateSheet(const std::string& name) {
    SkipCapture = true;
    if (!SheetNamed) {
        CheckFileOpen();
        // Refused here rather than when the file is written, where the
        // whole workbook would fail.
        TcSheets::CheckName(name);
        CurrentSheet->Name = name;
        SheetNamed = true;
        changed_ = true;
        return;
    }
    TcSheets& sheets = Workbook->Sheets();
    const int found = sheets.IndexOfName(name);
    if (found >= 0) {
        SelectSheet(&sheets[found]);
        return;
    }
    TcSheets::CheckName(name);
    TcSheet& added = sheets.Add(name);
    SheetRows.Add(0);
    SheetColumns.Add(0);
    AutoFitSheets.push_back(true);
    writtenColumns_.emplace_back();
    sheetFromFile_.push_back(false);
    SelectSheet(&added);
    SheetNamed = true;
    changed_ = true;
}

std::string TcDBScripter_IBXLS::CloseFile() {
    CheckFileOpen();
    TcSheets& sheets = Workbook->Sheets();
    for (int i = 0; i < sheets.Count(); ++i) {
        if (!AutoFitSheets[static_cast<size_t>(i)]) continue;
        // Only the columns this session wrote, and of those not the ones
        // whose width the file gave them: those widths are its author's.
        TcSheet& sheet = sheets[i];
        for (int column = 0; column <= 100; ++column)
            if (writtenColumns_[static_cast<size_t>(i)].test(static_cast<size_t>(column)) &&
                sheet.OwnColumnWidths.count(column) == 0)
                sheet.AutoFitColumn(column);
    }
    if (!sheetFromFile_[static_cast<size_t>(CurrentSheetIndex())])
        CurrentSheet->DefaultRowHeight = 255;

    std::string original;
    const std::string& fileName = Workbook->Filename;
    std::error_code error;
    if (keepOriginal_ && std::filesystem::exists(fileName, error)) {
        original = FreeOriginalName(fileName);
        std::filesystem::copy_file(fileName, original, error);
        if (error) {
            std::error_code ignored;
            std::filesystem::remove(original, ignored);  // a part copied is no copy
            RaiseUser(
                Format(Lang("The original file %s cannot be kept as %s: %s",
                            "Het oorspronkelijke bestand %s kan niet bewaard worden als %s: %s"),
                       fileName.c_str(), original.c_str(), error.message().c_str()));
        }
    }
    const std::vector<TcCutText> cut = Workbook->CutTexts();
    try {
        Workbook->WriteWorkbook();
    } catch (...) {
        // The original is still in place; its copy is not needed.
        if (!original.empty()) std::filesystem::remove(original, error);
        throw;
    }
    keepOriginal_ = false;
    changed_ = false;
    SelectSheet(nullptr);
    Capture = false;

    TStringList lines = captureNotes_;
    captureNotes_.clear();
    for (const TcCutText& text : cut)
        lines.push_back(Format(Lang("The text in cell %s%d of sheet %s was cut to %zu of its %zu "
                                    "characters.",
                                    "De tekst in cel %s%d van werkblad %s is ingekort tot %zu van "
                                    "zijn %zu tekens."),
                               ColumnLetters(text.Column).c_str(), text.Row + 1, text.Sheet.c_str(),
                               kMaxCellTextUnits, text.Length));
    if (!original.empty())
        lines.push_back(Format(Lang("The original file was kept as %s.",
                                    "Het oorspronkelijke bestand is bewaard als %s."),
                               original.c_str()));
    return JoinStrings(lines, "\r\n", "\r\n");
}

std::string TcDBScripter_IBXLS::WriteOpenWorkbook() {
    if (!WorkbookPending()) return std::string();
    const std::string fileName = Workbook->Filename;
    std::string notes;
    try {
        notes = CloseFile();
    } catch (const std::exception& failure) {
        RaiseUser(Format(Lang("The workbook %s was still open at the end of the run and could not "
                              "be written: %s",
                              "Het werkboek %s was aan het einde nog open en kon niet geschreven "
                              "worden: %s"),
                         fileName.c_str(), failure.what()));
    }
    std::string text = Format(Lang("The workbook %s was still open at the end of the run; it has "
                                   "been written.",
                                   "Het werkboek %s was aan het einde nog open; het is "
                                   "geschreven."),
                              fileName.c_str());
    if (!notes.empty()) text += "\r\n" + notes;
    return text;
}

// ---------------------------------------------------------------------------
// Cells at the cursor

void TcDBScripter_IBXLS::Touch(int64_t column) {
    changed_ = true;
    if (column >= 0 && column < 256)
        writtenColumns_[static_cast<size_t>(CurrentSheetIndex())].set(static_cast<size_t>(column));
}

void TcDBScripter_IBXLS::WriteHeader(const std::string& text) {
    TcSheet& sheet = Sheet();
    sheet.WriteTextCell(CursorColumn, CursorRow, text, CellFormats.Header);
    Touch(CursorColumn);
    // 22 twentieths of a point for each point of the header font, as a
    // share of the default font: 264 for 12 points.
    const TcFormats& formats = Workbook->Formats();
    const double header = formats.Fonts(formats[CellFormats.Header].FontIndex).Size;
    const double standard = formats.Font().Size;
    sheet.SetRowHeight(CursorRow, static_cast<int>(std::lround(header / standard * 22 * standard)));
    AdvanceRow();
    SkipCapture = true;
    AutoFitSheets[static_cast<size_t>(CurrentSheetIndex())] = false;
}

void TcDBScripter_IBXLS::WriteEcho(const std::string& text) {
    Sheet().WriteTextCell(CursorColumn, CursorRow, text, CellFormats.Echo);
    Touch(CursorColumn);
    AdvanceRow();
    SkipCapture = true;
    AutoFitSheets[static_cast<size_t>(CurrentSheetIndex())] = false;
}

void TcDBScripter_IBXLS::WriteEchoAt(int64_t column, int64_t row, const std::string& text) {
    Sheet().WriteTextCell(CellIndex(column), CellIndex(row), text, CellFormats.Echo);
    Touch(column);
}
