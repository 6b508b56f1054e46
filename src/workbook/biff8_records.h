#pragma once
// BIFF8 record identifiers and the record writer shared by the writer units.

#include <cstdint>
#include <string_view>

#include "workbook/byte_buffer.h"

namespace spreadsheet {

enum TRecordId : uint16_t {
    rtFormula = 0x0006,
    rtEof = 0x000A,
    rtCalcCount = 0x000C,
    rtCalcMode = 0x000D,
    rtPrecision = 0x000E,
    rtRefMode = 0x000F,
    rtDelta = 0x0010,
    rtIteration = 0x0011,
    rtProtect = 0x0012,
    rtPassword = 0x0013,
    rtExternSheet = 0x0017,
    rtName = 0x0018,
    rtWindowProtect = 0x0019,
    rtNote = 0x001C,
    rtDateMode = 0x0022,
    rtPrintHeaders = 0x002A,
    rtPrintGridlines = 0x002B,
    rtFilePass = 0x002F,
    rtFont = 0x0031,
    rtContinue = 0x003C,
    rtWindow1 = 0x003D,
    rtBackup = 0x0040,
    rtCodePage = 0x0042,
    rtDefColWidth = 0x0055,
    rtColInfo = 0x007D,
    rtWriteAccess = 0x005C,
    rtObj = 0x005D,
    rtSaveRecalc = 0x005F,
    rtGuts = 0x0080,
    rtWsBool = 0x0081,
    rtGridSet = 0x0082,
    rtBoundSheet = 0x0085,
    rtCountry = 0x008C,
    rtHideObj = 0x008D,
    rtFnGroupCount = 0x009C,
    rtMulRk = 0x00BD,
    rtMulBlank = 0x00BE,
    rtMms = 0x00C1,
    rtRString = 0x00D6,
    rtBookBool = 0x00DA,
    rtXf = 0x00E0,
    rtInterfaceHdr = 0x00E1,
    rtInterfaceEnd = 0x00E2,
    rtMergeCells = 0x00E5,
    rtMsoDrawingGroup = 0x00EB,
    rtMsoDrawing = 0x00EC,
    rtSst = 0x00FC,
    rtLabelSst = 0x00FD,
    rtExtSst = 0x00FF,
    rtTabId = 0x013D,
    rtUsesElfs = 0x0160,
    rtDsf = 0x0161,
    rtSupBook = 0x01AE,
    rtProt4Rev = 0x01AF,
    rtCondFmt = 0x01B0,
    rtDval = 0x01B2,
    rtRefreshAll = 0x01B7,
    rtHLink = 0x01B8,
    rtProt4RevPass = 0x01BC,
    rtDimensions = 0x0200,
    rtBlank = 0x0201,
    rtNumber = 0x0203,
    rtLabel = 0x0204,
    rtBoolErr = 0x0205,
    rtString = 0x0207,
    rtRow = 0x0208,
    rtIndex = 0x020B,
    rtArray = 0x0221,
    rtDefaultRowHeight = 0x0225,
    rtTable = 0x0236,
    rtWindow2 = 0x023E,
    rtRk = 0x027E,
    rtStyle = 0x0293,
    rtFormat = 0x041E,
    rtShrFmla = 0x04BC,
    rtBof = 0x0809,
    rtPalette = 0x0092,
    rtPane = 0x0041,
    rtScl = 0x00A0,
    rtSelection = 0x001D,
    rtHeader = 0x0014,
    rtFooter = 0x0015,
    rtHCenter = 0x0083,
    rtVCenter = 0x0084,
    rtLeftMargin = 0x0026,
    rtRightMargin = 0x0027,
    rtTopMargin = 0x0028,
    rtBottomMargin = 0x0029,
    rtSetup = 0x00A1,
    rtHorizontalPageBreaks = 0x001B,
    rtVerticalPageBreaks = 0x001A,
    rtPls = 0x004D,
    rtScenProtect = 0x00DD,
    rtObjProtect = 0x0063,
    rtSheetExt = 0x0862,
    rtFeatHdr = 0x0867,
    rtFeat = 0x0868,
    rtHeaderFooter = 0x089C,
    rtAutoFilterInfo = 0x009D,
    rtAutoFilter = 0x009E,
    rtFilterMode = 0x009B,
    rtSxView = 0x00B0,
    rtSxStreamId = 0x00D5,
    rtDconRef = 0x0051,
    rtDconName = 0x0052,
    rtDconBin = 0x01B5,
};

// Largest record body the format allows; longer data goes on in CONTINUE records.
constexpr size_t kMaxRecordData = 8224;

// Writes records into a stream; the body length is patched when the record ends.
class TcRecordWriter {
  public:
    explicit TcRecordWriter(TBytes& stream) : stream_(stream), out_(stream) {}
    TcByteWriter& Begin(uint16_t id) {
        out_.U16(id);
        start_ = out_.Size();
        out_.U16(0);
        return out_;
    }
    void End() { out_.PatchU16(start_, static_cast<uint16_t>(out_.Size() - start_ - 2)); }
    TcByteWriter& Out() { return out_; }
    size_t Position() const { return stream_.size(); }
    // Bytes written to the open record's body so far.
    size_t BodySize() const { return out_.Size() - start_ - 2; }

  private:
    TBytes& stream_;
    TcByteWriter out_;
    size_t start_ = 0;
};

}  // namespace spreadsheet
