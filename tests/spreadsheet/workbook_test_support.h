#pragma once
// Helpers of the workbook tests: hex dumps, hand-built BIFF8 streams (to
// play the part of files from other programs) and a FreeXL reader wrapper.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using TBytes = std::vector<uint8_t>;

// "1E 01 00" for {0x1E, 0x01, 0x00}.
std::string HexBytes(const TBytes& bytes);
// Upper-case hex with single blanks, for comparing with HexBytes.
std::string NormalizeHex(std::string_view hex);

// Empty when the texts are equal, else where and how they differ (long
// texts are not printed whole).
std::string TextDifference(const std::string& got, const std::string& want);

// Record bodies in little-endian order.
class TcBody {
  public:
    TcBody& U8(uint8_t v);
    TcBody& U16(uint16_t v);
    TcBody& U32(uint32_t v);
    TcBody& F64(double v);
    TcBody& Raw(const TBytes& bytes);
    // Compressed (8-bit) strings with a 16-bit or an 8-bit character count.
    TcBody& Str16(std::string_view latin1);
    TcBody& Str8(std::string_view latin1);
    TBytes Bytes;
};

// A BIFF8 stream built record by record.
class TcBiffBuilder {
  public:
    void Record(uint16_t id, const TcBody& body);
    void Record(uint16_t id, const TBytes& body);
    size_t Position() const { return Stream.size(); }
    void PatchU32(size_t at, uint32_t value);
    TBytes Stream;
};

// A compound document holding `stream` in the mini stream (as Excel does
// with streams under 4,096 bytes), plus empty storages with the given names.
TBytes BuildMiniStreamDocument(const std::string& name, const TBytes& stream,
                               const std::vector<std::string>& storages = {});

// A minimal globals substream with `sheets` worksheets (each with the cells
// that `cells` adds) around hand-written cell records: fonts, XFs 0-15 and a
// cell XF 16 with the custom format 164 "dd/mm/yyyy".
TBytes BuildForeignStream(const std::vector<TBytes>& sheetRecords,
                          const std::vector<std::string>& sst,
                          const std::vector<TBytes>& extraGlobals = {});

struct TcFreeXLCell {
    int Type = 0;  // FREEXL_CELL_*
    double Number = 0;
    std::string Text;
};

// The independent reader: opens a file with FreeXL and reads cells.
class TcFreeXL {
  public:
    explicit TcFreeXL(const std::string& path);
    ~TcFreeXL();
    TcFreeXL(const TcFreeXL&) = delete;
    TcFreeXL& operator=(const TcFreeXL&) = delete;
    unsigned SheetCount();
    std::string SheetName(unsigned index);
    void Select(unsigned index);
    // Rows and columns of the selected sheet.
    std::pair<unsigned, unsigned> Dimensions();
    TcFreeXLCell Cell(unsigned row, unsigned column);

  private:
    const void* handle_ = nullptr;
};

// The second independent reader: xlrd (python3-xlrd) run by the system's
// Python on tests/spreadsheet/xlrd_dump.py, which describes the file one fact
// a line (see the script). Status is the script's exit status; when xlrd
// refuses the file, Lines holds its message.
struct TcXlrdDump {
    int Status = -1;
    std::vector<std::string> Lines;
    // The lines that begin with the prefix ("cell\tData!", "sheet\t").
    std::vector<std::string> With(std::string_view prefix) const;
    // The fields of the one cell line of `address` ("Data!A1"); empty when
    // xlrd shows no such cell.
    std::vector<std::string> Cell(std::string_view address) const;
};
TcXlrdDump ReadWithXlrd(const std::string& path);
// The reader of Office Open XML workbooks: openpyxl (python3-openpyxl) on
// tests/spreadsheet/openpyxl_dump.py, in the same form (see the script).
TcXlrdDump ReadWithOpenpyxl(const std::string& path);
// The third: olefile (python3-olefile) on tests/spreadsheet/properties_dump.py,
// the streams of the file and its document properties, in the same form.
TcXlrdDump ReadPropertiesWithOlefile(const std::string& path);

// The records of a workbook file's "Workbook" stream, as (id, body), and the
// same split into substreams at each BOF (the globals first, then each sheet
// in stream order).
struct TcRecordBody {
    uint16_t Id;
    TBytes Body;
    bool operator==(const TcRecordBody&) const = default;
};
std::vector<TcRecordBody> StreamRecords(const TBytes& file);
std::vector<std::vector<TcRecordBody>> Substreams(const std::vector<TcRecordBody>& records);
// The records of the given ids in one substream, in order, as hex lines.
std::vector<std::string> RecordsOf(const std::vector<TcRecordBody>& substream,
                                   const std::vector<uint16_t>& ids);
TBytes ReadFileBytes(const std::string& path);
// The folder of the committed fixture files.
std::string FixturePath(const std::string& name);

// LibreOffice's converter, for workbooks written by another program: true
// when soffice is on the PATH.
bool LibreOfficeInstalled();
// Converts `source` (for example a .fods) to an Excel 97 file (or the
// format named by its file extension, such as "csv") in `folder` with a
// private LibreOffice profile there; raises when the conversion fails.
std::string ConvertWithLibreOffice(const std::string& source, const std::string& folder,
                                   const std::string& extension = "xls");

// The sheet records the library keeps from another program's file without
// reading them, or writes from what it read: page setup, protection, outline
// gutters, default column width, zoom, panes, tab colour, protection options,
// default row height and its flags.
extern const std::vector<uint16_t> kSheetRecordsKept;

// While it lives, files this process writes are limited to `bytes`
// (RLIMIT_FSIZE), and a write beyond fails with "File too large" instead of
// ending the process: a failing write whoever runs the test.
class TcFileSizeLimit {
  public:
    explicit TcFileSizeLimit(uint64_t bytes);
    ~TcFileSizeLimit();
    TcFileSizeLimit(const TcFileSizeLimit&) = delete;
    TcFileSizeLimit& operator=(const TcFileSizeLimit&) = delete;

  private:
    uint64_t soft_ = 0;
    void (*handler_)(int) = nullptr;
};
