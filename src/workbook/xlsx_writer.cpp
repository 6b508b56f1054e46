#include "workbook/xlsx_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <map>

#include "workbook/byte_buffer.h"
#include "workbook/number_formats.h"
#include "workbook/workbook.h"
#include "workbook/zip_writer.h"

namespace spreadsheet {

namespace {

// Fast deflate: a sheet of numbers shrinks to a fifth at level 1 and hardly
// further at higher levels, which cost several times the time.
constexpr int kDeflateLevel = 1;
// The sheet XML is handed to the deflater in pieces of about this size.
constexpr size_t kPieceSize = 256 * 1024;

constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The texts of the error values, by the file format's code.
const char* ErrorText(uint8_t code) {
    switch (code) {
        case 0x00:
            return "#NULL!";
        case 0x07:
            return "#DIV/0!";
        case 0x0F:
            return "#VALUE!";
        case 0x17:
            return "#REF!";
        case 0x1D:
            return "#NAME?";
        case 0x24:
            return "#NUM!";
        default:
            return "#N/A";
    }
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$';
}

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// How a text is escaped: the character data of a cell's text (where "_xHHHH_"
// is itself an escape), other character data (formulas), an attribute value.
enum class TEscape { CellText, Data, Attribute };

void AppendEscape(std::string& out, uint32_t code) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += "_x";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
    out += '_';
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The bytes the escaping loop must look at; the others are copied in runs.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> special{};
    for (int c = 0; c < 256; ++c)
        special[static_cast<size_t>(c)] =
            c < 0x20 || c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"' || c == '_';
    return special;
}();

void AppendXml(std::string& out, std::string_view text, TEscape mode) {
    size_t run = 0;
    size_t i = 0;
    const size_t size = text.size();
    while (i < size) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (!kSpecial[c]) {
            ++i;
            continue;
        }
        out.append(text.data() + run, i - run);
        size_t length = 1;
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += mode == TEscape::Attribute ? "&quot;" : "\"";
        } else if (c == '_') {
            // Text that reads as an escape is kept by escaping its "_".
            if (mode == TEscape::CellText && i + 6 < size && text[i + 1] == 'x' &&
                IsHex(text[i + 2]) && IsHex(text[i + 3]) && IsHex(text[i + 4]) &&
                IsHex(text[i + 5]) && text[i + 6] == '_')
                out += "_x005F_";
            else
                out += '_';
        } else if (c == '\t' || c == '\n' || c == '\r') {
            // A reader turns a bare CR (and in attributes a tab or line feed)
            // into something else; a character reference survives.
            if (c == '\r' || mode == TEscape::Attribute)
                out += c == '\t' ? "&#9;" : c == '\n' ? "&#10;" : "&#13;";
            else
                out += static_cast<char>(c);
        } else if (c < 0x20) {
            AppendEscape(out, c);
        } else {
            const uint32_t code = DecodeUtf8At(text, i, length);
            // Code points XML cannot carry in any form but the escape.
            if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
                AppendEscape(out, code);
            else if (length > 1)
                out.append(text.data() + i, length);
            else
                AppendUtf8(out, code);  // a Latin-1 byte
        }
        i += length;
        run = i;
    }
    out.append(text.data() + run, size - run);
}

void AppendNumber(std::string& out, double value) {
    // The shortest text that reads back as the same double.
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<size_t>(result.ptr - text));
}

void AppendInteger(std::string& out, uint64_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<size_t>(result.ptr - text));
}

std::string ColumnName(int column) {
    std::string letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

// A width in characters of the default font (the model's 1/256 units) as
// the format's column width, which counts the cell's padding in too.
double OpenXmlColumnWidth(int width) {
    const double characters = width / 256.0;
    constexpr double kDigitPixels = 7;
    constexpr double kPaddingPixels = 5;
    if (characters <= 0) return 0;
    const double pixels = characters < 1
                              ? std::floor(characters * (kDigitPixels + kPaddingPixels) + 0.5)
                              : std::floor(characters * kDigitPixels + 0.5) + kPaddingPixels;
    return std::floor(pixels / kDigitPixels * 256) / 256;
}

bool HasOuterSpace(std::string_view text) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return !text.empty() && (space(text.front()) || space(text.back()));
}

// A text cut where the Excel 97 writer cuts it (CutTexts reports the cut).
std::string_view CutText(std::string_view text, std::string& cut) {
    // A UTF-16 unit takes at least one byte of UTF-8.
    if (text.size() <= kMaxCellTextUnits) return text;
    const std::u16string units = Utf8ToUtf16(text);
    if (units.size() <= kMaxCellTextUnits) return text;
    cut =
        Utf16ToUtf8(std::u16string_view(units).substr(0, Utf16CutPoint(units, kMaxCellTextUnits)));
    return cut;
}

// At least the size of a sheet's XML: each byte of a text grows to at most
// seven ("_x0001_"), a cell's markup to less than a hundred.
uint64_t SheetSizeBound(const TcSheet& sheet) {
    uint64_t bound = 4096 + 96 * (sheet.ColumnWidths.size() + sheet.RowHeights.size());
    for (int row = 0; row < sheet.RowCount(); ++row) {
        bound += 96;
        for (const TcCell& cell : sheet.RowCells(row)) {
            bound += 96 + 7 * cell.Text.size();
            if (cell.Formula)
                bound += 96 + 7 * (cell.Formula->Text.size() + cell.Formula->ResultText.size());
        }
    }
    return bound;
}

class TcOpenXmlWriter {
  public:
    TcOpenXmlWriter(const TcWorkbook& book, int fd, bool forceZip64)
        : book_(book), zip_(fd, kDeflateLevel, forceZip64) {
        const TcSheets& sheets = book_.Sheets();
        // A workbook shows at least one sheet: the first is shown when the
        // model has hidden them all.
        for (int i = 0; i < sheets.Count() && active_ < 0; ++i)
            if (sheets[i].Visibility == TSheetVisibility::Visible) active_ = i;
        if (active_ < 0) active_ = 0;
        for (int column = 0; column < kMaxColumns; ++column)
            columnNames_[static_cast<size_t>(column)] = ColumnName(column);
    }

    void Write() {
        zip_.Add("[Content_Types].xml", ContentTypes());
        zip_.Add("_rels/.rels", PackageRelationships());
        zip_.Add("docProps/app.xml", AppProperties());
        zip_.Add("docProps/core.xml", CoreProperties());
        zip_.Add("xl/workbook.xml", WorkbookPart());
        zip_.Add("xl/_rels/workbook.xml.rels", WorkbookRelationships());
        zip_.Add("xl/styles.xml", Styles());
        const TcSheets& sheets = book_.Sheets();
        for (int i = 0; i < sheets.Count(); ++i) WriteSheet(sheets[i], i);
        zip_.Finish();
    }

  private:
    static std::string SheetPart(int index) {
        return "worksheets/sheet" + std::to_string(index + 1) + ".xml";
    }

    std::string ContentTypes() const {
        std::string xml = kXmlHead;
        xml +=
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/docProps/app.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/"
            ">"
            "<Override PartName=\"/docProps/core.xml\" "
            "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" "
            "ContentType=\"application/"
            "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
            "<Override PartName=\"/xl/styles.xml\" "
            "ContentType=\"application/"
            "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
        for (int i = 0; i < book_.Sheets().Count(); ++i)
            xml += "<Override PartName=\"/xl/" + SheetPart(i) +
                   "\" ContentType=\"application/"
                   "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        xml += "</Types>";
        return xml;
    }

    static std::string PackageRelationships() {
        std::string xml = kXmlHead;
        xml +=
            "<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
            "2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
            "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
            "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
            "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
            "2006/relationships/extended-properties\" Target=\"docProps/app.xml\"/>"
            "</Relationships>";
        return xml;
    }

    static std::string AppProperties() {
        std::string xml = kXmlHead;
        xml +=
            "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
            "extended-properties\"><Application>";
        xml += kWorkbookWriterName;
        xml += "</Application></Properties>";
        return xml;
    }

    static std::string CoreProperties() {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
        std::string xml = kXmlHead;
        xml +=
            "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/"
            "metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
            "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
        for (const char* element : {"dcterms:created", "dcterms:modified"}) {
            xml += std::string("<") + element + " xsi:type=\"dcterms:W3CDTF\">" + stamp + "</" +
                   element + ">";
        }
        xml += "</cp:coreProperties>";
        return xml;
    }

    std::string WorkbookPart() const {
        std::string xml = kXmlHead;
        xml += std::string("<workbook xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" +
               kRelationshipNamespace + "\">";
        if (book_.Date1904) xml += "<workbookPr date1904=\"1\"/>";
        xml += "<bookViews><workbookView activeTab=\"" + std::to_string(active_) +
               "\"/></bookViews><sheets>";
        const TcSheets& sheets = book_.Sheets();
        for (int i = 0; i < sheets.Count(); ++i) {
            xml += "<sheet name=\"";
            AppendXml(xml, sheets[i].Name, TEscape::Attribute);
            xml += "\" sheetId=\"" + std::to_string(i + 1) + "\"";
            if (i != active_ && sheets[i].Visibility == TSheetVisibility::Hidden)
                xml += " state=\"hidden\"";
            if (i != active_ && sheets[i].Visibility == TSheetVisibility::VeryHidden)
                xml += " state=\"veryHidden\"";
            xml += " r:id=\"rId" + std::to_string(i + 1) + "\"/>";
        }
        // The cached formula results are placeholders: have them computed.
        xml += "</sheets><calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
        return xml;
    }

    std::string WorkbookRelationships() const {
        std::string xml = kXmlHead;
        xml +=
            "<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        const int count = book_.Sheets().Count();
        for (int i = 0; i < count; ++i)
            xml += "<Relationship Id=\"rId" + std::to_string(i + 1) + "\" Type=\"" +
                   kRelationshipNamespace + "/worksheet\" Target=\"" + SheetPart(i) + "\"/>";
        xml += "<Relationship Id=\"rId" + std::to_string(count + 1) + "\" Type=\"" +
               kRelationshipNamespace + "/styles\" Target=\"styles.xml\"/></Relationships>";
        return xml;
    }

    std::string Styles() const {
        const TcFormats& formats = book_.Formats();
        // Number formats: the built-in ones by number, the others numbered
        // from the first free one on.
        std::map<std::string, int> custom;
        std::vector<int> numberFormat;
        for (int i = 0; i < formats.Count(); ++i) {
            const std::string& text = formats[i].NumberFormat;
            int id = text.empty() ? 0 : BuiltinNumberFormatId(text);
            if (id < 0) {
                auto found = custom.find(text);
                if (found == custom.end())
                    found =
                        custom.emplace(text, kFirstCustomFormat + static_cast<int>(custom.size()))
                            .first;
                id = found->second;
            }
            numberFormat.push_back(id);
        }
        std::string xml = kXmlHead;
        xml += std::string("<styleSheet xmlns=\"") + kMainNamespace + "\">";
        if (!custom.empty()) {
            std::vector<std::pair<int, std::string>> byId;
            for (const auto& [text, id] : custom) byId.emplace_back(id, text);
            std::sort(byId.begin(), byId.end());
            xml += "<numFmts count=\"" + std::to_string(byId.size()) + "\">";
            for (const auto& [id, text] : byId) {
                xml += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"";
                AppendXml(xml, text, TEscape::Attribute);
                xml += "\"/>";
            }
            xml += "</numFmts>";
        }
        xml += "<fonts count=\"" + std::to_string(formats.FontCount()) + "\">";
        for (int i = 0; i < formats.FontCount(); ++i) AppendFont(xml, formats.Fonts(i));
        // The two fills and the border every styles part starts with.
        xml +=
            "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
            "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
            "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
            "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
            "borderId=\"0\"/></cellStyleXfs>";
        // One cell format for each of the model's, in its order: a cell's
        // style number is its format index.
        xml += "<cellXfs count=\"" + std::to_string(formats.Count()) + "\">";
        for (int i = 0; i < formats.Count(); ++i) {
            const TcCellFormat& format = formats[i];
            const int font = std::clamp(format.FontIndex, 0, formats.FontCount() - 1);
            xml += "<xf numFmtId=\"" + std::to_string(numberFormat[static_cast<size_t>(i)]) +
                   "\" fontId=\"" + std::to_string(font) +
                   "\" fillId=\"0\" borderId=\"0\" xfId=\"0\"";
            if (numberFormat[static_cast<size_t>(i)] != 0) xml += " applyNumberFormat=\"1\"";
            if (font != 0) xml += " applyFont=\"1\"";
            const char* vertical = nullptr;
            switch (format.VertAlignment) {
                case TVertAlignment::Top:
                    vertical = "top";
                    break;
                case TVertAlignment::Center:
                    vertical = "center";
                    break;
                case TVertAlignment::Justify:
                    vertical = "justify";
                    break;
                case TVertAlignment::Bottom:
                    break;
            }
            if (vertical != nullptr)
                xml += std::string(" applyAlignment=\"1\"><alignment vertical=\"") + vertical +
                       "\"/></xf>";
            else
                xml += "/>";
        }
        xml +=
            "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
            "builtinId=\"0\"/></cellStyles><dxfs count=\"0\"/></styleSheet>";
        return xml;
    }

    static void AppendFont(std::string& xml, const TcFont& font) {
        xml += "<font>";
        if (font.Style & fsBold) xml += "<b/>";
        if (font.Style & fsItalic) xml += "<i/>";
        if (font.Style & fsStrikeOut) xml += "<strike/>";
        if (font.Underline == 1) xml += "<u/>";
        if (font.Underline == 2) xml += "<u val=\"double\"/>";
        xml += "<sz val=\"";
        AppendNumber(xml, font.Size);
        xml += "\"/>";
        if (font.Color < 64) xml += "<color indexed=\"" + std::to_string(font.Color) + "\"/>";
        xml += "<name val=\"";
        AppendXml(xml, font.Name, TEscape::Attribute);
        xml += "\"/>";
        if (font.Family != 0) xml += "<family val=\"" + std::to_string(font.Family) + "\"/>";
        if (font.CharSet != 0) xml += "<charset val=\"" + std::to_string(font.CharSet) + "\"/>";
        xml += "</font>";
    }

    void WriteSheet(const TcSheet& sheet, int index) {
        zip_.Begin("xl/" + SheetPart(index), SheetSizeBound(sheet));
        std::string& xml = piece_;
        xml.clear();
        xml.reserve(kPieceSize + 65536);
        xml += kXmlHead;
        xml += std::string("<worksheet xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" +
               kRelationshipNamespace + "\">";
        AppendDimension(sheet);
        xml += "<sheetViews><sheetView ";
        if (index == active_) xml += "tabSelected=\"1\" ";
        xml += "workbookViewId=\"0\"/></sheetViews><sheetFormatPr defaultRowHeight=\"";
        AppendNumber(xml, sheet.DefaultRowHeight / 20.0);
        xml += sheet.DefaultRowHeight != 255 ? "\" customHeight=\"1\"/>" : "\"/>";
        if (!sheet.ColumnWidths.empty()) {
            xml += "<cols>";
            for (const auto& [column, width] : sheet.ColumnWidths) {
                xml += "<col min=\"" + std::to_string(column + 1) + "\" max=\"" +
                       std::to_string(column + 1) + "\" width=\"";
                AppendNumber(xml, OpenXmlColumnWidth(width));
                xml += "\" customWidth=\"1\"/>";
            }
            xml += "</cols>";
        }
        xml += "<sheetData>";
        auto height = sheet.RowHeights.begin();
        const int lastHeight = sheet.RowHeights.empty() ? -1 : sheet.RowHeights.rbegin()->first;
        const int rows = std::max(sheet.RowCount(), lastHeight + 1);
        for (int row = 0; row < rows; ++row) {
            while (height != sheet.RowHeights.end() && height->first < row) ++height;
            const bool ownHeight = height != sheet.RowHeights.end() && height->first == row;
            const bool cells = row < sheet.RowCount() && !sheet.RowCells(row).empty();
            if (!cells && !ownHeight) continue;
            xml += "<row r=\"";
            AppendInteger(xml, static_cast<uint64_t>(row) + 1);
            if (ownHeight) {
                xml += "\" ht=\"";
                AppendNumber(xml, height->second / 20.0);
                xml += "\" customHeight=\"1";
            }
            xml += "\">";
            if (cells)
                for (const TcCell& cell : sheet.RowCells(row)) AppendCell(row, cell);
            xml += "</row>";
            if (xml.size() >= kPieceSize) {
                zip_.Write(xml);
                xml.reserve(kPieceSize + 65536);
            }
        }
        xml +=
            "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
            "header=\"0.3\" footer=\"0.3\"/></worksheet>";
        zip_.Write(xml);
        zip_.End();
        xml.clear();
    }

    void AppendDimension(const TcSheet& sheet) {
        int first = -1;
        int last = -1;
        int left = kMaxColumns;
        int right = -1;
        for (int row = 0; row < sheet.RowCount(); ++row) {
            const std::vector<TcCell>& cells = sheet.RowCells(row);
            if (cells.empty()) continue;
            if (first < 0) first = row;
            last = row;
            left = std::min<int>(left, cells.front().Column);
            right = std::max<int>(right, cells.back().Column);
        }
        if (first < 0) return;  // no cell: the element is optional
        std::string& xml = piece_;
        xml += "<dimension ref=\"" + ColumnName(left) + std::to_string(first + 1);
        if (first != last || left != right)
            xml += ":" + ColumnName(right) + std::to_string(last + 1);
        xml += "\"/>";
    }

    void AppendCell(int row, const TcCell& cell) {
        std::string& xml = piece_;
        xml += "<c r=\"";
        xml += columnNames_[cell.Column];
        AppendInteger(xml, static_cast<uint64_t>(row) + 1);
        if (cell.FormatIndex != 0) {
            xml += "\" s=\"";
            AppendInteger(xml, cell.FormatIndex);
        }
        switch (cell.Type) {
            case TCellType::Blank:
                xml += "\"/>";
                return;
            case TCellType::Text: {
                std::string cut;
                const std::string_view text = CutText(cell.Text, cut);
                if (text.empty()) {
                    xml += "\"/>";
                    return;
                }
                xml += HasOuterSpace(text) ? "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                                           : "\" t=\"inlineStr\"><is><t>";
                AppendXml(xml, text, TEscape::CellText);
                xml += "</t></is></c>";
                return;
            }
            case TCellType::Number:
                xml += "\"><v>";
                AppendNumber(xml, cell.Number);
                xml += "</v></c>";
                return;
            case TCellType::Boolean:
                xml += cell.Number != 0 ? "\" t=\"b\"><v>1</v></c>" : "\" t=\"b\"><v>0</v></c>";
                return;
            case TCellType::Error:
                xml += "\" t=\"e\"><v>";
                xml += ErrorText(static_cast<uint8_t>(cell.Number));
                xml += "</v></c>";
                return;
            case TCellType::Formula:
                AppendFormula(*cell.Formula);
                return;
        }
    }

    void AppendFormula(const TcFormula& formula) {
        std::string& xml = piece_;
        switch (formula.ResultType) {
            case TCellType::Number:
                xml += "\">";
                break;
            case TCellType::Boolean:
                xml += "\" t=\"b\">";
                break;
            case TCellType::Error:
                xml += "\" t=\"e\">";
                break;
            default:
                xml += "\" t=\"str\">";
                break;
        }
        // A formula read from a file has tokens only; its value stays.
        if (!formula.Text.empty()) {
            const std::string_view text = formula.Text.front() == '='
                                              ? std::string_view(formula.Text).substr(1)
                                              : std::string_view(formula.Text);
            xml += "<f>";
            AppendXml(xml, OpenXmlFormulaText(std::string(text)), TEscape::Data);
            xml += "</f>";
        }
        xml += "<v>";
        switch (formula.ResultType) {
            case TCellType::Number:
                AppendNumber(xml, formula.ResultNumber);
                break;
            case TCellType::Boolean:
                xml += formula.ResultNumber != 0 ? "1" : "0";
                break;
            case TCellType::Error:
                xml += ErrorText(static_cast<uint8_t>(formula.ResultNumber));
                break;
            default:
                AppendXml(xml, formula.ResultText, TEscape::CellText);
                break;
        }
        xml += "</v></c>";
    }

    const TcWorkbook& book_;
    TcZipWriter zip_;
    int active_ = -1;  // the sheet shown first
    std::array<std::string, kMaxColumns> columnNames_;
    std::string piece_;  // the sheet XML not yet deflated
};

}  // namespace

void AppendCellText(std::string& out, std::string_view text) {
    AppendXml(out, text, TEscape::CellText);
}

std::string OpenXmlFormulaText(const std::string& formula) {
    std::string text;
    text.reserve(formula.size());
    size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (c == '"' || c == '\'') {
            // A string or a quoted sheet name, with its doubled quotes.
            size_t end = i + 1;
            while (end < formula.size()) {
                if (formula[end] == c) {
                    if (end + 1 < formula.size() && formula[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            end = std::min(end + 1, formula.size());
            text.append(formula, i, end - i);
            i = end;
        } else if (IsNameChar(c)) {
            size_t end = i;
            while (end < formula.size() && IsNameChar(formula[end])) ++end;
            std::string word = formula.substr(i, end - i);
            // An unquoted sheet name keeps its case.
            if (end >= formula.size() || formula[end] != '!')
                for (char& ch : word)
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            text += word;
            i = end;
        } else {
            text += c;
            ++i;
        }
    }
    return text;
}

int WriteOpenXmlWorkbook(const TcWorkbook& book, int fd, bool forceZip64) {
    try {
        TcOpenXmlWriter(book, fd, forceZip64).Write();
    } catch (const EZipWrite& failure) {
        return failure.Error;
    }
    return 0;
}

}  // namespace spreadsheet
