#include "workbook/biff8_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "foundation/string_utils.h"
#include "workbook/biff8_records.h"
#include "workbook/number_formats.h"
#include "workbook/shared_strings.h"
#include "workbook/workbook.h"

namespace spreadsheet {

namespace {

constexpr uint16_t kFirstCellXf = 15;  // XFs 0-14 are the built-in style XFs
constexpr size_t kMaxCellText = kMaxCellTextUnits;

// The text as UTF-16, cut to at most maxUnits code units, never inside a
// surrogate pair.
std::u16string CutText(std::string_view text, size_t maxUnits) {
    std::u16string chars = Utf8ToUtf16(text);
    chars.resize(Utf16CutPoint(chars, maxUnits));
    return chars;
}

// Writes a record whose strings may run on into CONTINUE records, splitting
// where the format allows: never inside a string header, and with a fresh
// option byte where characters continue.
class TcContinuedWriter {
  public:
    explicit TcContinuedWriter(TcRecordWriter& records) : records_(records) {}
    void Begin(uint16_t id) { records_.Begin(id); }
    void End() { records_.End(); }
    // A text as an XLUnicodeString, at most 32,767 units. Most cell texts
    // are plain ASCII: those go in the 8-bit form without a UTF-16 copy.
    void CellString(std::string_view text) {
        const bool ascii = text.size() <= kMaxCellText &&
                           std::all_of(text.begin(), text.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii) {
            String(CutText(text, kMaxCellText));
            return;
        }
        if (Room() < 4) NewContinue();
        StringStart = records_.Position();
        StringOffset = 4 + records_.BodySize();
        TcByteWriter& out = records_.Out();
        out.U16(static_cast<uint16_t>(text.size()));
        out.U8(0);
        size_t i = 0;
        while (i < text.size()) {
            size_t end = std::min(text.size(), i + Room());
            if (end == i) {
                NewContinue();
                out.U8(0);
                continue;
            }
            out.Bytes(reinterpret_cast<const uint8_t*>(text.data()) + i, end - i);
            i = end;
        }
    }
    // An XLUnicodeString: 16-bit count, option byte, characters.
    void String(std::u16string_view chars) {
        bool compressed = IsCompressible(chars);
        size_t unit = compressed ? 1 : 2;
        if (Room() < 3 + unit) NewContinue();
        StringStart = records_.Position();
        StringOffset = 4 + records_.BodySize();
        TcByteWriter& out = records_.Out();
        out.U16(static_cast<uint16_t>(chars.size()));
        out.U8(compressed ? 0 : 1);
        size_t i = 0;
        while (i < chars.size()) {
            // What fits this record, keeping a surrogate pair together.
            size_t end = i + Utf16CutPoint(chars.substr(i), Room() / unit);
            if (end == i) {
                NewContinue();
                out.U8(compressed ? 0 : 1);
                continue;
            }
            for (; i < end; ++i) {
                if (compressed)
                    out.U8(static_cast<uint8_t>(chars[i]));
                else
                    out.U16(chars[i]);
            }
        }
    }
    size_t StringStart = 0;   // stream position of the last string's header
    size_t StringOffset = 0;  // its offset from the start of its record

  private:
    size_t Room() const { return kMaxRecordData - records_.BodySize(); }
    void NewContinue() {
        records_.End();
        records_.Begin(rtContinue);
    }
    TcRecordWriter& records_;
};

void ShortString(TcByteWriter& out, std::string_view text, size_t maxChars) {
    std::u16string chars = CutText(text, maxChars);
    bool compressed = IsCompressible(chars);
    out.U8(static_cast<uint8_t>(chars.size()));
    out.U8(compressed ? 0 : 1);
    for (char16_t c : chars) compressed ? out.U8(static_cast<uint8_t>(c)) : out.U16(c);
}

void CheckSheetNames(const TcSheets& sheets) {
    for (int i = 0; i < sheets.Count(); ++i) {
        const std::string& name = sheets[i].Name;
        TcSheets::CheckName(name);
        if (sheets.IndexOfName(name) != i)
            throw EWorkbookError("Sheet name '" + name + "' is used twice.");
    }
}

// The attributes of a cell XF that the model does not hold, as the writer
// sets them for a format of its own: locked, every attribute the XF's own,
// automatic pattern colours. Bytes 0-3 (font and number format) and the
// vertical alignment bits of byte 6 come from the model.
constexpr uint8_t kPlainXf[20] = {0, 0, 0, 0, 0x01, 0, 0, 0, 0,    0xFC,
                                  0, 0, 0, 0, 0,    0, 0, 0, 0xC0, 0x20};

class TcWorkbookWriter {
  public:
    explicit TcWorkbookWriter(const TcWorkbook& workbook) : book_(workbook), records_(stream_) {}

    TBytes Build() {
        const TcSheets& sheets = book_.Sheets();
        if (sheets.Count() == 0) throw EWorkbookError("A workbook needs at least one sheet.");
        CheckSheetNames(sheets);
        // The sheet shown when the file opens: the first one that is not hidden.
        for (int i = sheets.Count() - 1; i >= 0; --i)
            if (sheets[i].Visibility == TSheetVisibility::Visible) active_ = i;
        CollectStrings();
        stream_.reserve(EstimateSize());
        std::vector<size_t> sheetOffsets = WriteGlobals();
        for (int i = 0; i < sheets.Count(); ++i) {
            TcByteWriter(stream_).PatchU32(sheetOffsets[i], static_cast<uint32_t>(stream_.size()));
            WriteSheet(sheets[i], i == active_);
        }
        return std::move(stream_);
    }

  private:
    size_t EstimateSize() const {
        size_t cells = 0;
        for (int i = 0; i < book_.Sheets().Count(); ++i) cells += book_.Sheets()[i].CellCount();
        return 4096 + cells * 18 + stringBytes_;
    }

    void CollectStrings() {
        const TcSheets& sheets = book_.Sheets();
        // Counted first, so that the table never grows on the way.
        size_t texts = 0;
        for (int s = 0; s < sheets.Count(); ++s)
            for (int r = 0; r < sheets[s].RowCount(); ++r)
                for (const TcCell& cell : sheets[s].RowCells(r))
                    texts += cell.Type == TCellType::Text && !cell.Text.empty();
        strings_ = TcSharedStrings(texts);
        cellStrings_.reserve(texts);
        for (int s = 0; s < sheets.Count(); ++s) {
            const TcSheet& sheet = sheets[s];
            for (int r = 0; r < sheet.RowCount(); ++r)
                for (const TcCell& cell : sheet.RowCells(r)) {
                    if (cell.Type != TCellType::Text || cell.Text.empty()) continue;
                    ++stringRefs_;
                    const uint32_t before = strings_.Count();
                    cellStrings_.push_back(strings_.Add(cell.Text));
                    if (strings_.Count() != before) stringBytes_ += cell.Text.size() + 3;
                }
        }
    }

    void Simple(uint16_t id, std::initializer_list<uint16_t> values) {
        TcByteWriter& out = records_.Begin(id);
        for (uint16_t v : values) out.U16(v);
        records_.End();
    }

    std::vector<size_t> WriteGlobals() {
        TcByteWriter& out = records_.Out();
        WriteBof(0x0005);
        Simple(rtInterfaceHdr, {0x04B0});
        Simple(rtMms, {0x0000});
        Simple(rtInterfaceEnd, {});
        records_.Begin(rtWriteAccess);
        // The user name, blank-padded to the record's fixed 112 bytes.
        const std::string_view user = kWorkbookWriterName;
        out.U16(static_cast<uint16_t>(user.size()));
        out.U8(0);
        for (char c : user) out.U8(static_cast<uint8_t>(c));
        while (records_.BodySize() < 112) out.U8(' ');
        records_.End();
        Simple(rtCodePage, {0x04B0});
        Simple(rtDsf, {0});
        {
            TcByteWriter& tabs = records_.Begin(rtTabId);
            for (int i = 0; i < book_.Sheets().Count(); ++i) tabs.U16(static_cast<uint16_t>(i + 1));
            records_.End();
        }
        Simple(rtFnGroupCount, {14});
        Simple(rtWindowProtect, {0});
        Simple(rtProtect, {0});
        Simple(rtPassword, {0});
        Simple(rtProt4Rev, {0});
        Simple(rtProt4RevPass, {0});
        Simple(rtWindow1, {0x0168, 0x001E, 0x3A5C, 0x2328, 0x0038, static_cast<uint16_t>(active_),
                           0, 1, 0x0258});
        Simple(rtBackup, {0});
        Simple(rtHideObj, {0});
        Simple(rtDateMode, {static_cast<uint16_t>(book_.Date1904 ? 1 : 0)});
        Simple(rtPrecision, {1});
        Simple(rtRefreshAll, {0});
        Simple(rtBookBool, {0});
        WriteFonts();
        WriteFormatsAndXfs();
        Simple(rtStyle, {0x8000, 0xFF00});  // the built-in Normal style on XF 0
        WritePalette();
        Simple(rtUsesElfs, {0});
        std::vector<size_t> offsets;
        const TcSheets& sheets = book_.Sheets();
        for (int i = 0; i < sheets.Count(); ++i) {
            TcByteWriter& b = records_.Begin(rtBoundSheet);
            offsets.push_back(b.Size());
            b.U32(0);  // the sheet's stream position, patched when known
            b.U8(static_cast<uint8_t>(sheets[i].Visibility));
            b.U8(0);  // worksheet
            ShortString(b, sheets[i].Name, 31);
            records_.End();
        }
        Simple(rtCountry, {1, 1});
        // One internal reference per sheet, so that a 3D reference's REF
        // index is the sheet index.
        Simple(rtSupBook, {static_cast<uint16_t>(sheets.Count()), 0x0401});
        {
            TcByteWriter& x = records_.Begin(rtExternSheet);
            x.U16(static_cast<uint16_t>(sheets.Count()));
            for (int i = 0; i < sheets.Count(); ++i) {
                x.U16(0);
                x.U16(static_cast<uint16_t>(i));
                x.U16(static_cast<uint16_t>(i));
            }
            records_.End();
        }
        WriteSst();
        Simple(rtEof, {});
        return offsets;
    }

    void WriteBof(uint16_t type) {
        TcByteWriter& out = records_.Begin(rtBof);
        out.U16(0x0600);
        out.U16(type);
        out.U16(0x0DBB);
        out.U16(0x07CC);
        out.U32(0x00000041);
        out.U32(0x00000006);
        records_.End();
    }

    // Model font i is font record i; the format skips font number 4, so the
    // model's fonts from 4 on are numbered one higher in XF records.
    static uint16_t FontNumber(int modelIndex) {
        return static_cast<uint16_t>(modelIndex < 4 ? modelIndex : modelIndex + 1);
    }

    void WriteFont(const TcFont& font) {
        TcByteWriter& out = records_.Begin(rtFont);
        out.U16(static_cast<uint16_t>(std::clamp(std::lround(font.Size * 20), 20L, 8191L)));
        uint16_t flags = 0;
        if (font.Style & fsItalic) flags |= 0x0002;
        if (font.Style & fsStrikeOut) flags |= 0x0008;
        out.U16(flags);
        out.U16(font.Color);
        out.U16((font.Style & fsBold) ? 700 : 400);
        out.U16(0);
        out.U8(font.Underline);
        out.U8(font.Family);
        out.U8(font.CharSet);
        out.U8(0);
        ShortString(out, font.Name.empty() ? "Arial" : font.Name, 31);
        records_.End();
    }

    void WriteFonts() {
        const TcFormats& formats = book_.Formats();
        for (int i = 0; i < formats.FontCount(); ++i) WriteFont(formats.Fonts(i));
        // Readers expect the four fonts before the skipped number.
        for (int i = formats.FontCount(); i < 4; ++i) WriteFont(formats.Font());
    }

    void WriteFormatsAndXfs() {
        const TcFormats& formats = book_.Formats();
        std::unordered_map<std::string, uint16_t> custom;
        std::vector<uint16_t> formatIds(formats.Count());
        for (int i = 0; i < formats.Count(); ++i) {
            const std::string& text = formats[i].NumberFormat;
            int builtin = BuiltinNumberFormatId(text);
            if (builtin >= 0) {
                formatIds[i] = static_cast<uint16_t>(builtin);
                continue;
            }
            auto [it, added] =
                custom.try_emplace(text, static_cast<uint16_t>(kFirstCustomFormat + custom.size()));
            formatIds[i] = it->second;
            if (added) {
                TcContinuedWriter format(records_);
                format.Begin(rtFormat);
                records_.Out().U16(it->second);
                format.String(CutText(text, 255));
                format.End();
            }
        }
        // Style XFs: Normal (0) and the fourteen that Excel expects after it.
        for (int i = 0; i < 15; ++i) {
            TcByteWriter& out = records_.Begin(rtXf);
            out.U16(0);
            out.U16(0);
            out.U16(0xFFF5);
            out.U8(0x20);
            out.U8(0);
            out.U8(0);
            out.U8(i == 0 ? 0x00 : 0xF4);
            out.U32(0);
            out.U32(0);
            out.U16(0x20C0);
            records_.End();
        }
        for (int i = 0; i < formats.Count(); ++i) WriteCellXf(formats[i], formatIds[i]);
    }

    void WriteCellXf(const TcCellFormat& format, uint16_t formatId) {
        uint8_t xf[20];
        if (format.Extra.size() == 20)
            std::copy(format.Extra.begin(), format.Extra.end(), xf);
        else
            std::copy(std::begin(kPlainXf), std::end(kPlainXf), xf);
        int font = std::clamp(format.FontIndex, 0, book_.Formats().FontCount() - 1);
        uint16_t ifnt = FontNumber(font);
        xf[0] = static_cast<uint8_t>(ifnt);
        xf[1] = static_cast<uint8_t>(ifnt >> 8);
        xf[2] = static_cast<uint8_t>(formatId);
        xf[3] = static_cast<uint8_t>(formatId >> 8);
        xf[4] &= 0x0B;  // a cell XF whose parent is the Normal style XF
        xf[5] = 0;
        xf[6] = static_cast<uint8_t>((xf[6] & 0x8F) |
                                     (static_cast<uint8_t>(format.VertAlignment) << 4));
        TcByteWriter& out = records_.Begin(rtXf);
        out.Bytes(xf, sizeof xf);
        records_.End();
    }

    void WriteSst() {
        uint32_t unique = strings_.Count();
        size_t perBucket = std::max<size_t>(8, (unique + 127) / 128);
        std::vector<std::pair<uint32_t, uint16_t>> buckets;
        TcContinuedWriter sst(records_);
        sst.Begin(rtSst);
        records_.Out().U32(stringRefs_);
        records_.Out().U32(unique);
        for (uint32_t i = 0; i < unique; ++i) {
            sst.CellString(strings_[i]);
            if (i % perBucket == 0)
                buckets.emplace_back(static_cast<uint32_t>(sst.StringStart),
                                     static_cast<uint16_t>(sst.StringOffset));
        }
        sst.End();
        TcByteWriter& out = records_.Begin(rtExtSst);
        out.U16(static_cast<uint16_t>(perBucket));
        for (const auto& [position, offset] : buckets) {
            out.U32(position);
            out.U16(offset);
            out.U16(0);
        }
        records_.End();
    }

    void WritePalette() {
        const std::vector<uint32_t>& palette = book_.Formats().Palette;
        if (palette.empty()) return;
        TcByteWriter& out = records_.Begin(rtPalette);
        out.U16(static_cast<uint16_t>(std::min<size_t>(palette.size(), 56)));
        for (size_t i = 0; i < palette.size() && i < 56; ++i) out.U32(palette[i]);
        records_.End();
    }

    // GUTS: the room the outline symbols of grouped rows and columns take.
    void WriteGuts(const TcSheet& sheet) {
        int rowLevels = 0, columnLevels = 0;
        for (const auto& [row, attributes] : sheet.RowAttributes)
            rowLevels = std::max<int>(rowLevels, attributes.OutlineLevel);
        for (const auto& [column, attributes] : sheet.ColumnAttributes)
            columnLevels = std::max<int>(columnLevels, attributes.OutlineLevel);
        auto gutter = [](int levels) { return levels > 0 ? 12 * (levels + 1) + 5 : 0; };
        Simple(rtGuts, {static_cast<uint16_t>(gutter(rowLevels)),
                        static_cast<uint16_t>(gutter(columnLevels)),
                        static_cast<uint16_t>(rowLevels > 0 ? rowLevels + 1 : 0),
                        static_cast<uint16_t>(columnLevels > 0 ? columnLevels + 1 : 0)});
    }

    // One COLINFO record for each run of columns that look alike.
    void WriteColumnInfo(const TcSheet& sheet) {
        struct TcRun {
            int First, Last;
            uint16_t Width, Xf, Options;
        };
        std::vector<TcRun> runs;
        std::vector<int> columns;
        for (const auto& [column, width] : sheet.ColumnWidths) columns.push_back(column);
        for (const auto& [column, attributes] : sheet.ColumnAttributes) columns.push_back(column);
        std::sort(columns.begin(), columns.end());
        columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
        for (int column : columns) {
            auto width = sheet.ColumnWidths.find(column);
            auto found = sheet.ColumnAttributes.find(column);
            TcColumnAttributes attributes =
                found == sheet.ColumnAttributes.end() ? TcColumnAttributes{} : found->second;
            TcRun run{
                column, column,
                static_cast<uint16_t>(width != sheet.ColumnWidths.end()
                                          ? width->second
                                          : std::clamp(sheet.DefaultColumnWidth, 0, 255) * 256),
                CellXf(attributes.FormatIndex),
                static_cast<uint16_t>(0x0002 | (attributes.Hidden ? 0x0001 : 0) |
                                      ((attributes.OutlineLevel & 0x07) << 8) |
                                      (attributes.Collapsed ? 0x1000 : 0))};
            if (!runs.empty() && runs.back().Last + 1 == column && runs.back().Width == run.Width &&
                runs.back().Xf == run.Xf && runs.back().Options == run.Options)
                runs.back().Last = column;
            else
                runs.push_back(run);
        }
        for (const TcRun& run : runs)
            Simple(rtColInfo, {static_cast<uint16_t>(run.First), static_cast<uint16_t>(run.Last),
                               run.Width, run.Xf, run.Options, 0});
    }

    // The XF record of a model cell format; the default one for -1.
    uint16_t CellXf(int formatIndex) const {
        return static_cast<uint16_t>(
            kFirstCellXf +
            (formatIndex >= 0 && formatIndex < book_.Formats().Count() ? formatIndex : 0));
    }

    void WriteSheet(const TcSheet& sheet, bool active) {
        WriteBof(0x0010);
        Simple(rtCalcMode, {1});
        Simple(rtCalcCount, {100});
        Simple(rtRefMode, {1});
        Simple(rtIteration, {0});
        {
            TcByteWriter& out = records_.Begin(rtDelta);
            out.F64(0.001);
            records_.End();
        }
        Simple(rtSaveRecalc, {1});
        Simple(rtPrintHeaders, {0});
        Simple(rtPrintGridlines, {0});
        Simple(rtGridSet, {1});
        WriteGuts(sheet);
        WriteDefaultRowHeight(sheet);
        Simple(rtWsBool, {0x04C1});
        // Kept records go where the format orders them.
        records_.Out().Bytes(sheet.Kept.PageSetup);
        records_.Out().Bytes(sheet.Kept.Protection);
        Simple(rtDefColWidth,
               {static_cast<uint16_t>(std::clamp(sheet.DefaultColumnWidth, 0, 255))});
        WriteColumnInfo(sheet);
        WriteDimensions(sheet);
        WriteCells(sheet);
        WriteWindow2(sheet, active);
        records_.Out().Bytes(sheet.Kept.View);
        Simple(rtEof, {});
    }

    // The flags a file gave the default row height, or the writer's own (set
    // by hand); with empty rows hidden, the height of hidden rows.
    void WriteDefaultRowHeight(const TcSheet& sheet) {
        const int flags = sheet.Kept.DefaultRowFlags >= 0 ? sheet.Kept.DefaultRowFlags : 1;
        const int height = (flags & 0x02) ? sheet.Kept.HiddenRowHeight : sheet.DefaultRowHeight;
        Simple(rtDefaultRowHeight,
               {static_cast<uint16_t>(flags),
                static_cast<uint16_t>(std::clamp(height, flags & 0x02 ? 0 : 1, 0x7FFF))});
    }

    // The sheet's window: the one read from a file or the writer's own, with
    // the selected and shown flags of the active sheet only.
    void WriteWindow2(const TcSheet& sheet, bool active) {
        TBytes body = sheet.Kept.Window2;
        if (body.size() < 10) {
            body.clear();
            TcByteWriter defaults(body);
            for (uint16_t v : {0x00B6, 0, 0, 64, 0, 0, 0, 0, 0}) defaults.U16(v);
        }
        uint16_t options =
            static_cast<uint16_t>((GetU16(body.data()) & ~0x0600) | (active ? 0x0600 : 0));
        TcByteWriter(body).PatchU16(0, options);
        TcByteWriter& out = records_.Begin(rtWindow2);
        out.Bytes(body);
        records_.End();
    }

    void WriteDimensions(const TcSheet& sheet) {
        int firstRow = -1, lastRow = -1, firstCol = 256, lastCol = -1;
        for (int r = 0; r < sheet.RowCount(); ++r) {
            const auto& cells = sheet.RowCells(r);
            if (cells.empty()) continue;
            if (firstRow < 0) firstRow = r;
            lastRow = r;
            firstCol = std::min<int>(firstCol, cells.front().Column);
            lastCol = std::max<int>(lastCol, cells.back().Column);
        }
        TcByteWriter& out = records_.Begin(rtDimensions);
        out.U32(firstRow < 0 ? 0 : firstRow);
        out.U32(firstRow < 0 ? 0 : lastRow + 1);
        out.U16(static_cast<uint16_t>(firstRow < 0 ? 0 : firstCol));
        out.U16(static_cast<uint16_t>(firstRow < 0 ? 0 : lastCol + 1));
        out.U16(0);
        records_.End();
    }

    // Rows go in blocks of 32: the ROW records of the block, then its cells.
    void WriteCells(const TcSheet& sheet) {
        int rowCount = std::max(
            sheet.RowCount(), sheet.RowHeights.empty() ? 0 : sheet.RowHeights.rbegin()->first + 1);
        if (!sheet.RowAttributes.empty())
            rowCount = std::max(rowCount, sheet.RowAttributes.rbegin()->first + 1);
        for (int block = 0; block < rowCount; block += 32) {
            int end = std::min(rowCount, block + 32);
            for (int r = block; r < end; ++r) WriteRow(sheet, r);
            for (int r = block; r < end; ++r)
                for (const TcCell& cell : sheet.RowCells(r)) WriteCell(cell, r);
        }
    }

    void WriteRow(const TcSheet& sheet, int row) {
        const auto& cells = sheet.RowCells(row);
        bool custom = sheet.HasRowHeight(row);
        auto found = sheet.RowAttributes.find(row);
        bool described = found != sheet.RowAttributes.end();
        if (cells.empty() && !custom && !described) return;
        const TcRowAttributes attributes = described ? found->second : TcRowAttributes{};
        int height = custom                       ? sheet.RowHeight(row)
                     : attributes.AutoHeight >= 0 ? attributes.AutoHeight
                                                  : sheet.DefaultRowHeight;
        bool formatted = attributes.FormatIndex >= 0;
        TcByteWriter& out = records_.Begin(rtRow);
        out.U16(static_cast<uint16_t>(row));
        out.U16(cells.empty() ? 0 : cells.front().Column);
        out.U16(cells.empty() ? 0 : static_cast<uint16_t>(cells.back().Column + 1));
        out.U16(static_cast<uint16_t>(std::clamp(height, 0, 0x7FFF)));
        out.U16(0);
        out.U16(0);
        out.U32((static_cast<uint32_t>(formatted ? CellXf(attributes.FormatIndex) : 0x0F) << 16) |
                0x0100u | (attributes.OutlineLevel & 0x07u) | (attributes.Collapsed ? 0x10u : 0u) |
                (attributes.Hidden ? 0x20u : 0u) | (custom ? 0x40u : 0u) |
                (formatted ? 0x80u : 0u));
        records_.End();
    }

    void CellHeader(TcByteWriter& out, const TcCell& cell, int row) {
        out.U16(static_cast<uint16_t>(row));
        out.U16(cell.Column);
        out.U16(static_cast<uint16_t>(kFirstCellXf + cell.FormatIndex));
    }

    // A cell record of at most 8 bytes after the cell's address and format,
    // written whole: cells are most of a sheet's records.
    void SmallCellRecord(uint16_t id, const TcCell& cell, int row, const uint8_t* tail,
                         size_t tailSize) {
        uint8_t record[4 + 6 + 8];
        auto put = [&record](size_t at, uint16_t v) {
            record[at] = static_cast<uint8_t>(v);
            record[at + 1] = static_cast<uint8_t>(v >> 8);
        };
        put(0, id);
        put(2, static_cast<uint16_t>(6 + tailSize));
        put(4, static_cast<uint16_t>(row));
        put(6, cell.Column);
        put(8, static_cast<uint16_t>(kFirstCellXf + cell.FormatIndex));
        std::memcpy(record + 10, tail, tailSize);
        records_.Out().Bytes(record, 10 + tailSize);
    }

    void WriteCell(const TcCell& cell, int row) {
        uint8_t tail[8];
        switch (cell.Type) {
            case TCellType::Text:
                if (!cell.Text.empty()) {
                    // Cells come in the order CollectStrings met them.
                    const uint32_t index = cellStrings_[nextCellString_++];
                    for (int i = 0; i < 4; ++i) tail[i] = static_cast<uint8_t>(index >> (8 * i));
                    SmallCellRecord(rtLabelSst, cell, row, tail, 4);
                    return;
                }
                [[fallthrough]];
            case TCellType::Blank:
                SmallCellRecord(rtBlank, cell, row, tail, 0);
                return;
            case TCellType::Number: {
                // Whole numbers fit the shorter RK form, as Excel writes them.
                double v = cell.Number;
                if (v == std::floor(v) && v >= -536870912.0 && v <= 536870911.0 &&
                    !(v == 0 && std::signbit(v))) {
                    const uint32_t rk =
                        (static_cast<uint32_t>(static_cast<int32_t>(v)) << 2) | 0x02;
                    for (int i = 0; i < 4; ++i) tail[i] = static_cast<uint8_t>(rk >> (8 * i));
                    SmallCellRecord(rtRk, cell, row, tail, 4);
                    return;
                }
                uint64_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                for (int i = 0; i < 8; ++i) tail[i] = static_cast<uint8_t>(bits >> (8 * i));
                SmallCellRecord(rtNumber, cell, row, tail, 8);
                return;
            }
            case TCellType::Boolean:
            case TCellType::Error: {
                TcByteWriter& out = records_.Begin(rtBoolErr);
                CellHeader(out, cell, row);
                out.U8(static_cast<uint8_t>(cell.Number));
                out.U8(cell.Type == TCellType::Error ? 1 : 0);
                records_.End();
                return;
            }
            case TCellType::Formula:
                WriteFormula(cell, row);
                return;
        }
    }

    void WriteFormula(const TcCell& cell, int row) {
        const TcFormula& f = *cell.Formula;
        if (f.Tokens.size() > kMaxRecordData - 22)
            throw EWorkbookError("The formula \"" + f.Text + "\" is too long.");
        TcByteWriter& out = records_.Begin(rtFormula);
        CellHeader(out, cell, row);
        bool stringResult = false;
        // A cached NaN or infinity would be read as a text result or a huge
        // number; it is the error #NUM! to a spreadsheet.
        const bool numberError =
            f.ResultType == TCellType::Number && !std::isfinite(f.ResultNumber);
        switch (numberError ? TCellType::Error : f.ResultType) {
            case TCellType::Number:
                out.F64(f.ResultNumber);
                break;
            case TCellType::Boolean:
            case TCellType::Error:
                out.U16(f.ResultType == TCellType::Boolean ? 1 : 2);
                out.U8(numberError ? kErrorNum : static_cast<uint8_t>(f.ResultNumber));
                out.U8(0);
                out.U16(0);
                out.U16(0xFFFF);
                break;
            default:
                stringResult = !f.ResultText.empty();
                out.U16(stringResult ? 0 : 3);  // 3: an empty text, no STRING record
                out.U16(0);
                out.U16(0);
                out.U16(0xFFFF);
                break;
        }
        out.U16(0x0001);  // always recalculate: the cached result is only a placeholder
        out.U32(0);
        out.U16(static_cast<uint16_t>(f.Tokens.size()));
        out.Bytes(f.Tokens);
        records_.End();
        if (stringResult) {
            TcContinuedWriter text(records_);
            text.Begin(rtString);
            text.CellString(f.ResultText);
            text.End();
        }
    }

    const TcWorkbook& book_;
    int active_ = 0;
    TBytes stream_;
    TcRecordWriter records_;
    TcSharedStrings strings_;
    // The string number of each non-empty text cell, in writing order.
    std::vector<uint32_t> cellStrings_;
    size_t nextCellString_ = 0;
    uint32_t stringRefs_ = 0;
    size_t stringBytes_ = 0;
};

}  // namespace

TBytes BuildWorkbookStream(const TcWorkbook& workbook) {
    return TcWorkbookWriter(workbook).Build();
}

}  // namespace spreadsheet

bool HasOnlyModelAttributes(const TcCellFormat& format) {
    if (format.Extra.empty()) return true;
    if (format.Extra.size() != 20) return false;
    for (size_t i = 4; i < 20; ++i) {
        uint8_t mask = i == 6 ? 0x8F : 0xFF;  // the vertical alignment is the model's
        if (i == 4) mask = 0x0B;              // the parent style bits are the writer's
        if ((format.Extra[i] & mask) != (spreadsheet::kPlainXf[i] & mask)) return false;
    }
    return true;
}
