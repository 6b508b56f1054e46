#pragma once
// The in-memory workbook: fonts, cell formats, sheets and their cells. The
// model knows nothing of the file format; the BIFF8 reader fills it and the
// writer walks it. Rows and columns are 0-based and limited to what an
// Excel 97 sheet holds (65,536 rows, 256 columns). Texts are UTF-8.
// Not thread-safe: one workbook belongs to one thread at a time.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class TcWorkbook;

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;

// Font style bits.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsStrikeOut = 4 };

struct TcFont {
    std::string Name = "Arial";
    double Size = 10;         // points
    unsigned Style = 0;       // TFontStyle bits
    uint16_t Color = 0x7FFF;  // palette index; 0x7FFF is the automatic colour
    uint8_t Underline = 0;
    uint8_t Family = 0;
    uint8_t CharSet = 0;
};

enum class TVertAlignment : uint8_t { Top = 0, Center = 1, Bottom = 2, Justify = 3 };

// A cell format. Formats the writer makes hold only the attributes below;
// one read from a file keeps the rest of it in Extra.
struct TcCellFormat {
    std::string Name;
    int FontIndex = 0;
    TVertAlignment VertAlignment = TVertAlignment::Bottom;
    std::string NumberFormat;  // empty: General
    // The remaining attributes of a format read from a file (borders, fill,
    // horizontal alignment), kept so that writing the file back keeps them.
    std::vector<uint8_t> Extra;
};

enum class TCellType : uint8_t { Blank, Text, Number, Boolean, Error, Formula };

// Error values of error cells (the file format's codes).
constexpr uint8_t kErrorNum = 0x24;  // #NUM!

// The width AutoFitColumn gives a formula whose value is not known yet, in
// characters (a spreadsheet's default column shows about 8.43).
constexpr size_t kTypicalFormulaWidth = 10;

// A formula: its text (empty for formulas read from a file), its compiled
// token bytes, and the cached result Excel shows until it recalculates.
struct TcFormula {
    std::string Text;
    std::vector<uint8_t> Tokens;
    TCellType ResultType = TCellType::Text;  // Text, Number, Boolean or Error
    std::string ResultText;
    double ResultNumber = 0;  // also the Boolean (0/1) and the error code
};

// One cell. Kept small: a sheet of 65,536 rows of five columns holds
// 327,680 of these.
struct TcCell {
    uint16_t Column = 0;
    uint16_t FormatIndex = 0;
    TCellType Type = TCellType::Blank;
    double Number = 0;  // Number; Boolean (0/1); Error (the error code)
    std::string Text;
    std::unique_ptr<TcFormula> Formula;
};

enum class TSheetVisibility : uint8_t { Visible = 0, Hidden = 1, VeryHidden = 2 };

// What a file says of a row beyond a height set by hand (SetRowHeight).
struct TcRowAttributes {
    int AutoHeight = -1;  // the height its program fitted to the contents, or -1
    bool Hidden = false;
    uint8_t OutlineLevel = 0;  // 0 to 7: the depth of the row's group
    bool Collapsed = false;    // the group that ends at the row is folded
    int FormatIndex = -1;      // the row's own cell format, or -1
    bool operator==(const TcRowAttributes&) const = default;
};

struct TcColumnAttributes {
    bool Hidden = false;
    uint8_t OutlineLevel = 0;
    bool Collapsed = false;
    int FormatIndex = -1;  // the column's own cell format, or -1
    bool operator==(const TcColumnAttributes&) const = default;
};

// Records of a file that the model keeps as they were, without reading
// them, so that writing the file back keeps them: each field is a run of
// whole records (header and body), in file order. They hold nothing that
// points elsewhere in the file (no cell format, font or sheet numbers).
struct TcKeptRecords {
    std::vector<uint8_t> PageSetup;   // margins, headers, footers, paper, page breaks
    std::vector<uint8_t> Protection;  // the sheet's protection and its password
    std::vector<uint8_t> View;        // zoom, panes, selection, tab colour, protection options
    // The body of the sheet's WINDOW2 record (gridlines, frozen panes,
    // scroll position); empty for the writer's own.
    std::vector<uint8_t> Window2;
    // The flags of the sheet's DEFAULTROWHEIGHT record (whether the height
    // was set by hand, empty rows hidden, extra space above or below), and
    // its height where the flags say empty rows are hidden; -1 for the
    // writer's own. The height otherwise is DefaultRowHeight.
    int DefaultRowFlags = -1;
    int HiddenRowHeight = 0;
};

class TcSheet {
  public:
    TcSheet(TcWorkbook& owner, std::string name);

    std::string Name;
    TSheetVisibility Visibility = TSheetVisibility::Visible;
    int DefaultRowHeight = 255;  // 1/20 point
    int DefaultColumnWidth = 8;  // characters

    // Writers; the format index must name an existing cell format. Column and
    // row outside the sheet raise EWorkbookError.
    void WriteTextCell(int column, int row, std::string_view text, int formatIndex);
    // A NaN or an infinity becomes the error cell #NUM!: the file format
    // holds no such numbers.
    void WriteNumberCell(int column, int row, double value, int formatIndex);
    // Compiles the formula (an optional leading "=") to tokens; EFormulaError
    // when it cannot. The cached result text is stored as given.
    void WriteFormulaCellRaw(int column, int row, std::string_view formula,
                             std::string_view cachedResult, int formatIndex);
    void WriteBlankCell(int column, int row, int formatIndex);
    void WriteBooleanCell(int column, int row, bool value, int formatIndex);
    void WriteErrorCell(int column, int row, uint8_t code, int formatIndex);
    // Stores a formula as it is (read from a file or built by the caller).
    void WriteFormulaCell(int column, int row, TcFormula formula, int formatIndex);

    // Row height in 1/20 point; rows without one use DefaultRowHeight.
    void SetRowHeight(int row, int height);
    int RowHeight(int row) const;
    bool HasRowHeight(int row) const { return RowHeights.count(row) != 0; }
    // Column width in 1/256 of the default font's character width.
    void SetColumnWidth(int column, int width);
    // Sets the width from the widest cell of the column; a column without
    // cells keeps its width. A formula cell counts with the width its value
    // will likely take (see kTypicalFormulaWidth), not its cached text.
    void AutoFitColumn(int column);

    // The cell, or null when there is none.
    const TcCell* Cell(int column, int row) const;
    // Number of rows that may hold cells (last row with a cell + 1).
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The cells of one row, ordered by column.
    const std::vector<TcCell>& RowCells(int row) const;
    size_t CellCount() const { return cellCount_; }

    std::map<int, int> RowHeights;  // set by hand
    std::map<int, int> ColumnWidths;
    // The columns whose width a file gave them (not a width it gives all the
    // columns up to the sheet's last, which stands for the default): a
    // capture keeps these widths and fits only the others.
    std::set<int> OwnColumnWidths;
    std::map<int, TcRowAttributes> RowAttributes;
    std::map<int, TcColumnAttributes> ColumnAttributes;
    TcKeptRecords Kept;

  private:
    friend class TcSheets;
    TcCell& Place(int column, int row, int formatIndex);

    TcWorkbook* owner_;
    std::vector<std::vector<TcCell>> rows_;
    size_t cellCount_ = 0;
    size_t lastRowWidth_ = 0;  // cells in the row that last got a new cell
};

class TcSheets {
  public:
    explicit TcSheets(TcWorkbook& owner) : owner_(owner) {}
    int Count() const { return static_cast<int>(sheets_.size()); }
    TcSheet& operator[](int index);
    const TcSheet& operator[](int index) const;
    // Index of the sheet, or -1 when it is not one of these.
    int IndexOf(const TcSheet* sheet) const;
    // Index of the first sheet with the name (case-insensitive), or -1.
    int IndexOfName(std::string_view name) const;
    TcSheet& Add(std::string name);
    // Raises EWorkbookError unless the name can name a sheet in a file: 1 to
    // 31 characters, none of [ ] : * ? / \.
    static void CheckName(std::string_view name);
    void Clear() { sheets_.clear(); }
    // Moves the other list's sheets here, replacing these.
    void TakeFrom(TcSheets& other);

  private:
    TcWorkbook& owner_;
    std::vector<std::unique_ptr<TcSheet>> sheets_;
};

// The cell formats and the fonts they point at. Font 0 is the workbook's
// default font; format 0 is the default cell format.
class TcFormats {
  public:
    int Count() const { return static_cast<int>(formats_.size()); }
    TcCellFormat& operator[](int index);
    const TcCellFormat& operator[](int index) const;
    // Adds a format (font 0, bottom alignment, General) and returns its index.
    int Add(std::string name);

    int FontCount() const { return static_cast<int>(fonts_.size()); }
    TcFont& Fonts(int index);
    const TcFont& Fonts(int index) const;
    int AddFont(const TcFont& font);
    // The default font.
    TcFont& Font() { return Fonts(0); }
    const TcFont& Font() const { return Fonts(0); }

    // Back to one default font and one default format, and the default palette.
    void Clear();

    // The colours of palette indexes 8 to 63 as a file changed them (each
    // 0x00BBGGRR, as the file stores them); empty for the default palette.
    std::vector<uint32_t> Palette;

  private:
    std::vector<TcCellFormat> formats_;
    std::vector<TcFont> fonts_;
};

// Days from 30 December 1899 to 1 January 1904: a serial of the 1904 date
// system is one of the 1900 system less this.
constexpr double kDate1904Offset = 1462;

// Date-time serial numbers, days since 30 December 1899 (the 1900 date
// system; serials from 1 March 1900 on agree with Excel's).
double EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                      double second = 0);
