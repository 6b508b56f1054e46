#include "workbook/biff8_reader.h"

#include <algorithm>
#include <map>
#include <optional>

#include "foundation/string_utils.h"
#include "workbook/biff8_records.h"
#include "workbook/formula_tokens.h"
#include "workbook/number_formats.h"
#include "workbook/workbook.h"

namespace spreadsheet {

namespace {

struct TcRecord {
    uint16_t Id = 0;
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    size_t Offset = 0;  // stream position of the record header
};

// Walks the records of the stream one by one.
class TcRecordCursor {
  public:
    explicit TcRecordCursor(const TBytes& stream) : stream_(stream) {}
    void Seek(size_t position) { pos_ = position; }
    size_t Position() const { return pos_; }
    // The next record, or none at the end of the stream.
    std::optional<TcRecord> Next() {
        if (pos_ + 4 > stream_.size()) return std::nullopt;
        TcRecord r;
        r.Offset = pos_;
        r.Id = GetU16(&stream_[pos_]);
        r.Size = GetU16(&stream_[pos_ + 2]);
        if (pos_ + 4 + r.Size > stream_.size())
            RaiseBadFile("a record runs past the end of the stream");
        r.Data = stream_.data() + pos_ + 4;
        pos_ += 4 + r.Size;
        return r;
    }
    // The CONTINUE records that follow, without consuming anything else.
    std::vector<TcRecord> Continues() {
        std::vector<TcRecord> out;
        while (pos_ + 4 <= stream_.size() && GetU16(&stream_[pos_]) == rtContinue)
            out.push_back(*Next());
        return out;
    }

  private:
    const TBytes& stream_;
    size_t pos_ = 0;
};

// Reads across a record and its CONTINUE records. Characters of a string
// that continue in the next record restart with an option byte there.
class TcContinuedReader {
  public:
    explicit TcContinuedReader(std::vector<TcRecord> parts) : parts_(std::move(parts)) {}
    bool AtEnd() {
        while (part_ < parts_.size() && pos_ >= parts_[part_].Size) NextPart();
        return part_ >= parts_.size();
    }
    uint8_t U8() {
        if (AtEnd()) RaiseBadFile("a string table ends early");
        return parts_[part_].Data[pos_++];
    }
    uint16_t U16() {
        uint16_t lo = U8();
        return static_cast<uint16_t>(lo | (U8() << 8));
    }
    uint32_t U32() {
        uint32_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }
    void Skip(size_t count) {
        while (count > 0) {
            if (AtEnd()) RaiseBadFile("a string table ends early");
            size_t step = std::min(count, parts_[part_].Size - pos_);
            pos_ += step;
            count -= step;
        }
    }
    // An XLUnicodeString (16-bit count) or its 8-bit-count form. `runs`,
    // when given, receives the number of formatting runs the string carries.
    std::string String(bool shortCount, size_t* formattingRuns = nullptr) {
        size_t count = shortCount ? U8() : U16();
        uint8_t flags = U8();
        bool wide = flags & 0x01;
        size_t runs = (flags & 0x08) ? U16() : 0;
        if (formattingRuns) *formattingRuns = runs;
        uint32_t extra = (flags & 0x04) ? U32() : 0;
        std::u16string chars;
        chars.reserve(std::min<size_t>(count, 8224));
        while (chars.size() < count) {
            if (pos_ >= Current().Size) {
                NextPart();
                if (part_ >= parts_.size()) RaiseBadFile("a string ends early");
                wide = U8() & 0x01;
                continue;
            }
            if (wide) {
                if (pos_ + 2 > Current().Size) RaiseBadFile("a character is split between records");
                chars.push_back(static_cast<char16_t>(GetU16(Current().Data + pos_)));
                pos_ += 2;
            } else {
                chars.push_back(Current().Data[pos_++]);
            }
        }
        Skip(runs * 4 + extra);
        return Utf16ToUtf8(chars);
    }

  private:
    const TcRecord& Current() {
        if (part_ >= parts_.size()) RaiseBadFile("a string ends early");
        return parts_[part_];
    }
    void NextPart() {
        ++part_;
        pos_ = 0;
    }
    std::vector<TcRecord> parts_;
    size_t part_ = 0;
    size_t pos_ = 0;
};

std::string RecordString(const TcRecord& record, size_t offset, bool shortCount) {
    if (offset > record.Size) RaiseBadFile("a string lies outside its record");
    TcRecord tail = record;
    tail.Data += offset;
    tail.Size -= offset;
    return TcContinuedReader({tail}).String(shortCount);
}

double RkValue(uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint8_t bytes[8] = {0, 0, 0, 0};
        uint32_t high = rk & 0xFFFFFFFC;
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(high >> (8 * i));
        value = GetF64(bytes);
    }
    return (rk & 0x01) ? value / 100 : value;
}

struct TcBoundSheet {
    uint32_t Position;
    uint8_t Visibility;
    uint8_t Type;
    std::string Name;
};

struct TcXti {
    uint16_t SupBook, First, Last;
};

class TcWorkbookReader {
  public:
    TcWorkbookReader(const TBytes& stream, TcWorkbook& book, TcReadReport& report)
        : stream_(stream), book_(book), report_(report), cursor_(stream) {}

    void Read() {
        auto bof = cursor_.Next();
        if (!bof || bof->Id != rtBof || bof->Size < 4)
            RaiseBadFile("the workbook stream does not begin with a BOF record");
        uint16_t version = GetU16(bof->Data);
        if (version != 0x0600)
            throw EWorkbookError(
                "Only Excel 97 and later workbooks (BIFF8) can be read; this one is older.");
        if (GetU16(bof->Data + 2) != 0x0005) RaiseBadFile("the first substream is not the globals");
        ReadGlobals();
        BuildFormats();
        std::vector<int> sheetIndex(bound_.size(), -1);
        for (size_t i = 0; i < bound_.size(); ++i) {
            if (bound_[i].Type == 0) {
                sheetIndex[i] = book_.Sheets().Count();
                TcSheet& sheet = book_.Sheets().Add(bound_[i].Name);
                if (bound_[i].Visibility <= 2)
                    sheet.Visibility = static_cast<TSheetVisibility>(bound_[i].Visibility);
            } else {
                Note(bound_[i].Type == 2 ? "chart sheets" : "macro sheets");
            }
        }
        // REF entries of 3D references become sheet indexes, as the writer numbers them.
        for (const TcXti& x : xti_) {
            bool internal = x.SupBook < supBookInternal_.size() && supBookInternal_[x.SupBook];
            refToSheet_.push_back(internal && x.First == x.Last && x.First < sheetIndex.size()
                                      ? sheetIndex[x.First]
                                      : -1);
        }
        // Sheets are read in stream order and may not overlap, so that every
        // byte is read once however many sheets a damaged file lists.
        std::vector<size_t> order;
        for (size_t i = 0; i < bound_.size(); ++i)
            if (sheetIndex[i] >= 0) order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return bound_[a].Position < bound_[b].Position;
        });
        size_t end = cursor_.Position();
        for (size_t i : order) {
            if (bound_[i].Position < end) RaiseBadFile("two sheets overlap in the stream");
            ReadSheet(bound_[i], book_.Sheets()[sheetIndex[i]]);
            end = cursor_.Position();
        }
        if (book_.Sheets().Count() == 0) book_.Sheets().Add("Sheet1");
    }

  private:
    void Note(const std::string& kind) {
        auto& list = report_.Unsupported;
        if (std::find(list.begin(), list.end(), kind) == list.end()) list.push_back(kind);
    }
    void NoteFormattedText() {
        Note("texts formatted in parts (a cell's text in more than one font)");
    }

    void ReadGlobals() {
        while (auto r = cursor_.Next()) {
            TcByteReader in(r->Data, r->Size, "record");
            switch (r->Id) {
                case rtEof:
                    return;
                case rtFilePass:
                    throw EWorkbookError("The workbook is encrypted; it cannot be read.");
                case rtDateMode:
                    book_.Date1904 = in.U16() != 0;
                    break;
                case rtWriteAccess:
                    report_.WrittenBy = TrimBlanks(RecordString(*r, 0, false));
                    break;
                case rtPalette: {
                    uint16_t count = in.U16();
                    std::vector<uint32_t> palette;
                    for (uint16_t i = 0; i < count && in.Remaining() >= 4; ++i)
                        palette.push_back(in.U32());
                    book_.Formats().Palette = std::move(palette);
                    break;
                }
                case rtProtect:
                case rtWindowProtect:
                    if (r->Size >= 2 && in.U16() != 0) Note("workbook protection");
                    break;
                case rtSxStreamId:
                case rtDconRef:
                case rtDconName:
                case rtDconBin:
                    Note("pivot tables");
                    break;
                case rtFont: {
                    TcFont font;
                    font.Size = in.U16() / 20.0;
                    uint16_t flags = in.U16();
                    font.Color = in.U16();
                    uint16_t weight = in.U16();
                    in.U16();
                    font.Underline = in.U8();
                    font.Family = in.U8();
                    font.CharSet = in.U8();
                    in.U8();
                    font.Style = (weight >= 600 ? unsigned(fsBold) : 0u) |
                                 ((flags & 0x02) ? unsigned(fsItalic) : 0u) |
                                 ((flags & 0x08) ? unsigned(fsStrikeOut) : 0u);
                    font.Name = RecordString(*r, 14, true);
                    fonts_.push_back(std::move(font));
                    break;
                }
                case rtFormat: {
                    uint16_t id = in.U16();
                    std::vector<TcRecord> parts{*r};
                    parts[0].Data += 2;
                    parts[0].Size -= 2;
                    auto more = cursor_.Continues();
                    parts.insert(parts.end(), more.begin(), more.end());
                    numberFormats_[id] = TcContinuedReader(parts).String(false);
                    break;
                }
                case rtXf:
                    if (r->Size < 20) RaiseBadFile("an XF record is too short");
                    xfs_.emplace_back(r->Data, r->Data + 20);
                    break;
                case rtBoundSheet: {
                    TcBoundSheet sheet;
                    sheet.Position = in.U32();
                    sheet.Visibility = in.U8() & 0x03;
                    sheet.Type = in.U8();
                    sheet.Name = RecordString(*r, 6, true);
                    bound_.push_back(std::move(sheet));
                    break;
                }
                case rtSst:
                    ReadSst(*r);
                    break;
                case rtSupBook:
                    supBookInternal_.push_back(r->Size == 4 && GetU16(r->Data + 2) == 0x0401);
                    if (!supBookInternal_.back()) Note("links to other workbooks");
                    break;
                case rtExternSheet: {
                    uint16_t count = in.U16();
                    for (uint16_t i = 0; i < count; ++i) {
                        TcXti x;
                        x.SupBook = in.U16();
                        x.First = in.U16();
                        x.Last = in.U16();
                        xti_.push_back(x);
                    }
                    break;
                }
                case rtName:
                    Note("names");
                    break;
                default:
                    break;
            }
        }
        RaiseBadFile("the globals substream has no EOF record");
    }

    void ReadSst(const TcRecord& record) {
        std::vector<TcRecord> parts{record};
        auto more = cursor_.Continues();
        parts.insert(parts.end(), more.begin(), more.end());
        TcContinuedReader in(parts);
        in.U32();
        uint32_t unique = in.U32();
        // The count is only a claim: strings are read while data lasts.
        for (uint32_t i = 0; i < unique && !in.AtEnd(); ++i) {
            size_t runs = 0;
            strings_.push_back(in.String(false, &runs));
            if (runs > 0) NoteFormattedText();
        }
    }

    void BuildFormats() {
        TcFormats& formats = book_.Formats();
        if (!fonts_.empty()) {
            formats.Font() = fonts_[0];
            for (size_t i = 1; i < fonts_.size(); ++i) formats.AddFont(fonts_[i]);
        }
        // The default cell format of the model is the file's first cell XF.
        bool first = true;
        for (size_t i = 0; i < xfs_.size(); ++i) {
            const auto& xf = xfs_[i];
            if (xf[4] & 0x04) continue;  // a style XF
            int index = first ? 0 : formats.Add("");
            first = false;
            TcCellFormat& format = formats[index];
            format.Name = "XF" + std::to_string(i);
            uint16_t ifnt = GetU16(&xf[0]);
            int font = ifnt < 4 ? ifnt : ifnt - 1;
            format.FontIndex = font < formats.FontCount() ? font : 0;
            uint16_t ifmt = GetU16(&xf[2]);
            auto it = numberFormats_.find(ifmt);
            format.NumberFormat =
                it != numberFormats_.end() ? it->second : BuiltinNumberFormat(ifmt);
            if (format.NumberFormat == "General") format.NumberFormat.clear();
            uint8_t vertical = (xf[6] >> 4) & 0x07;
            format.VertAlignment =
                vertical <= 3 ? static_cast<TVertAlignment>(vertical) : TVertAlignment::Bottom;
            format.Extra = xf;
            xfToFormat_[static_cast<uint16_t>(i)] = index;
        }
    }

    int FormatOf(uint16_t ixfe) const {
        auto it = xfToFormat_.find(ixfe);
        return it == xfToFormat_.end() ? 0 : it->second;
    }

    // Date serials stay in the file's date system, which the workbook keeps.
    void Number(TcSheet& sheet, int column, int row, double value, uint16_t ixfe) {
        sheet.WriteNumberCell(column, row, value, FormatOf(ixfe));
    }

    static bool InSheet(int column) { return column < kMaxColumns; }

    void ReadSheet(const TcBoundSheet& bound, TcSheet& sheet) {
        if (bound.Position >= stream_.size()) RaiseBadFile("a sheet lies outside the stream");
        cursor_.Seek(bound.Position);
        auto bof = cursor_.Next();
        if (!bof || bof->Id != rtBof || bof->Size < 4)
            RaiseBadFile("a sheet does not begin with BOF");
        while (auto r = cursor_.Next()) {
            TcByteReader in(r->Data, r->Size, "record");
            switch (r->Id) {
                case rtEof:
                    return;
                case rtBof:  // an embedded chart's substream
                    Note("charts");
                    SkipSubstream();
                    break;
                case rtDefaultRowHeight: {
                    uint16_t flags = in.U16();
                    uint16_t height = in.U16();
                    sheet.Kept.DefaultRowFlags = flags;
                    // With empty rows hidden, the height is that of hidden rows.
                    if (flags & 0x02)
                        sheet.Kept.HiddenRowHeight = height;
                    else
                        sheet.DefaultRowHeight = height;
                    break;
                }
                case rtDefColWidth:
                    sheet.DefaultColumnWidth = in.U16();
                    break;
                case rtColInfo:
                    ReadColumnInfo(in, sheet);
                    break;
                case rtRow:
                    ReadRow(in, sheet);
                    break;
                case rtHeader:
                case rtFooter:
                case rtHCenter:
                case rtVCenter:
                case rtLeftMargin:
                case rtRightMargin:
                case rtTopMargin:
                case rtBottomMargin:
                case rtSetup:
                case rtHorizontalPageBreaks:
                case rtVerticalPageBreaks:
                case rtPls:
                case rtHeaderFooter:
                    Keep(*r, sheet.Kept.PageSetup);
                    break;
                case rtProtect:
                case rtScenProtect:
                case rtObjProtect:
                case rtPassword:
                    Keep(*r, sheet.Kept.Protection);
                    break;
                case rtWindow2:
                    sheet.Kept.Window2.assign(r->Data, r->Data + r->Size);
                    break;
                case rtScl:
                case rtPane:
                case rtSelection:
                case rtSheetExt:
                case rtFeatHdr:
                case rtFeat:
                    Keep(*r, sheet.Kept.View);
                    break;
                case rtAutoFilterInfo:
                case rtAutoFilter:
                case rtFilterMode:
                    Note("autofilters");
                    break;
                case rtSxView:
                    Note("pivot tables");
                    break;
                case rtNumber: {
                    uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
                    double v = in.F64();
                    if (InSheet(col)) Number(sheet, col, row, v, xf);
                    break;
                }
                case rtRk: {
                    uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
                    uint32_t rk = in.U32();
                    if (InSheet(col)) Number(sheet, col, row, RkValue(rk), xf);
                    break;
                }
                case rtMulRk: {
                    uint16_t row = in.U16(), col = in.U16();
                    while (in.Remaining() >= 8 && InSheet(col)) {
                        uint16_t xf = in.U16();
                        Number(sheet, col++, row, RkValue(in.U32()), xf);
                    }
                    break;
                }
                case rtBlank: {
                    uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
                    if (InSheet(col)) sheet.WriteBlankCell(col, row, FormatOf(xf));
                    break;
                }
                case rtMulBlank: {
                    uint16_t row = in.U16(), col = in.U16();
                    while (in.Remaining() >= 4 && InSheet(col))
                        sheet.WriteBlankCell(col++, row, FormatOf(in.U16()));
                    break;
                }
                case rtLabelSst: {
                    uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
                    uint32_t index = in.U32();
                    if (index >= strings_.size())
                        RaiseBadFile("a cell names a missing shared string");
                    if (InSheet(col)) sheet.WriteTextCell(col, row, strings_[index], FormatOf(xf));
                    break;
                }
                case rtLabel:
                case rtRString: {
                    if (r->Id == rtRString) NoteFormattedText();
                    uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
                    std::string text = RecordString(*r, 6, false);
                    if (InSheet(col)) sheet.WriteTextCell(col, row, text, FormatOf(xf));
                    break;
                }
                case rtBoolErr: {
                    uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
                    uint8_t value = in.U8(), isError = in.U8();
                    if (!InSheet(col)) break;
                    if (isError)
                        sheet.WriteErrorCell(col, row, value, FormatOf(xf));
                    else
                        sheet.WriteBooleanCell(col, row, value != 0, FormatOf(xf));
                    break;
                }
                case rtFormula:
                    ReadFormula(*r, sheet);
                    break;
                case rtNote:
                    Note("comments");
                    break;
                case rtObj:
                    NoteObject(*r);
                    break;
                case rtMergeCells:
                    Note("merged cells");
                    break;
                case rtHLink:
                    Note("hyperlinks");
                    break;
                case rtCondFmt:
                    Note("conditional formats");
                    break;
                case rtDval:
                    Note("data validation");
                    break;
                default:
                    break;
            }
        }
        RaiseBadFile("a sheet has no EOF record");
    }

    // A record, and the CONTINUE records that follow it, copied whole.
    void Keep(const TcRecord& record, std::vector<uint8_t>& kept) {
        std::vector<TcRecord> parts{record};
        auto more = cursor_.Continues();
        parts.insert(parts.end(), more.begin(), more.end());
        for (const TcRecord& part : parts) {
            const uint8_t* begin = stream_.data() + part.Offset;
            kept.insert(kept.end(), begin, begin + 4 + part.Size);
        }
    }

    void ReadRow(TcByteReader& in, TcSheet& sheet) {
        uint16_t row = in.U16();
        in.Skip(4);
        uint16_t height = in.U16() & 0x7FFF;
        in.Skip(4);
        uint32_t flags = in.U32();
        TcRowAttributes attributes;
        if (flags & 0x40)
            sheet.SetRowHeight(row, height);
        else if (height != sheet.DefaultRowHeight)
            attributes.AutoHeight = height;
        attributes.OutlineLevel = static_cast<uint8_t>(flags & 0x07);
        attributes.Collapsed = flags & 0x10;
        attributes.Hidden = flags & 0x20;
        if (flags & 0x80)
            attributes.FormatIndex = FormatOf(static_cast<uint16_t>((flags >> 16) & 0x0FFF));
        if (!(attributes == TcRowAttributes{})) sheet.RowAttributes[row] = attributes;
    }

    void ReadColumnInfo(TcByteReader& in, TcSheet& sheet) {
        uint16_t first = in.U16(), last = in.U16(), width = in.U16(), xf = in.U16();
        uint16_t options = in.U16();
        TcColumnAttributes attributes;
        attributes.Hidden = options & 0x0001;
        attributes.OutlineLevel = static_cast<uint8_t>((options >> 8) & 0x07);
        attributes.Collapsed = options & 0x1000;
        int format = FormatOf(xf);
        if (format != 0) attributes.FormatIndex = format;
        // A width the file gave the columns up to the sheet's last stands
        // for its default; widths this library wrote are its own fits.
        const bool own = (last < kMaxColumns - 1 || (options & 0x0002)) &&
                         report_.WrittenBy != kWorkbookWriterName;
        for (int c = first; c <= std::min<int>(last, kMaxColumns - 1); ++c) {
            sheet.SetColumnWidth(c, width);
            if (own) sheet.OwnColumnWidths.insert(c);
            if (!(attributes == TcColumnAttributes{})) sheet.ColumnAttributes[c] = attributes;
        }
    }

    // Skips to the EOF that closes a nested substream.
    void SkipSubstream() {
        int depth = 1;
        while (auto r = cursor_.Next()) {
            if (r->Id == rtBof) ++depth;
            if (r->Id == rtEof && --depth == 0) return;
        }
        RaiseBadFile("a chart has no EOF record");
    }

    void NoteObject(const TcRecord& r) {
        // The first sub-record (ftCmo) names the object type.
        if (r.Size < 6 || GetU16(r.Data) != 0x0015) {
            Note("drawing objects");
            return;
        }
        switch (GetU16(r.Data + 4)) {
            case 0x05:
                Note("charts");
                break;
            case 0x08:
                Note("pictures");
                break;
            case 0x19:
                Note("comments");
                break;
            case 0x14:  // also the buttons of an autofilter
                Note("drop-down lists");
                break;
            default:
                Note("drawing objects");
                break;
        }
    }

    void ReadFormula(const TcRecord& r, TcSheet& sheet) {
        TcByteReader in(r.Data, r.Size, "FORMULA record");
        uint16_t row = in.U16(), col = in.U16(), xf = in.U16();
        const uint8_t* value = in.Take(8);
        in.U16();
        in.U32();
        uint16_t size = in.U16();
        const uint8_t* tokens = in.Take(size);
        TcFormula f;
        if (GetU16(value + 6) != 0xFFFF) {
            f.ResultType = TCellType::Number;
            f.ResultNumber = GetF64(value);
        } else if (value[0] == 1 || value[0] == 2) {
            f.ResultType = value[0] == 1 ? TCellType::Boolean : TCellType::Error;
            f.ResultNumber = value[2];
        } else {
            f.ResultType = TCellType::Text;
            if (value[0] == 0) {
                // The text follows in a STRING record (after any SHRFMLA/ARRAY).
                size_t back = cursor_.Position();
                auto next = cursor_.Next();
                if (next && (next->Id == rtShrFmla || next->Id == rtArray || next->Id == rtTable))
                    next = cursor_.Next();
                if (next && next->Id == rtString) {
                    std::vector<TcRecord> parts{*next};
                    auto more = cursor_.Continues();
                    parts.insert(parts.end(), more.begin(), more.end());
                    f.ResultText = TcContinuedReader(parts).String(false);
                } else {
                    cursor_.Seek(back);
                }
            }
        }
        if (!InSheet(col)) return;
        f.Tokens.assign(tokens, tokens + size);
        if (!RemapFormulaTokens(f.Tokens, refToSheet_)) {
            // Shared and array formulas, names and links to other files stay
            // behind: the cell keeps its last value.
            Note("formulas that cannot be kept (shared, array, names or links)");
            int format = FormatOf(xf);
            switch (f.ResultType) {
                case TCellType::Number:
                    Number(sheet, col, row, f.ResultNumber, xf);
                    break;
                case TCellType::Boolean:
                    sheet.WriteBooleanCell(col, row, f.ResultNumber != 0, format);
                    break;
                case TCellType::Error:
                    sheet.WriteErrorCell(col, row, static_cast<uint8_t>(f.ResultNumber), format);
                    break;
                default:
                    sheet.WriteTextCell(col, row, f.ResultText, format);
                    break;
            }
            return;
        }
        sheet.WriteFormulaCell(col, row, std::move(f), FormatOf(xf));
    }

    const TBytes& stream_;
    TcWorkbook& book_;
    TcReadReport& report_;
    TcRecordCursor cursor_;
    std::vector<TcFont> fonts_;
    std::map<uint16_t, std::string> numberFormats_;
    std::vector<std::vector<uint8_t>> xfs_;
    std::map<uint16_t, int> xfToFormat_;
    std::vector<TcBoundSheet> bound_;
    std::vector<std::string> strings_;
    std::vector<bool> supBookInternal_;
    std::vector<TcXti> xti_;
    std::vector<int> refToSheet_;
};

}  // namespace

void ReadWorkbookStream(const TBytes& stream, TcWorkbook& workbook, TcReadReport& report) {
    TcWorkbookReader(stream, workbook, report).Read();
}

}  // namespace spreadsheet
