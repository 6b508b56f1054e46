#include "workbook/formula_compiler.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "workbook/byte_buffer.h"
#include "workbook/workbook_errors.h"
#include "workbook/workbook_model.h"

namespace spreadsheet {

namespace {

// Token identifiers of the file format.
enum : uint8_t {
    ptgAdd = 0x03,
    ptgSub = 0x04,
    ptgMul = 0x05,
    ptgDiv = 0x06,
    ptgPower = 0x07,
    ptgConcat = 0x08,
    ptgLT = 0x09,
    ptgLE = 0x0A,
    ptgEQ = 0x0B,
    ptgGE = 0x0C,
    ptgGT = 0x0D,
    ptgNE = 0x0E,
    ptgIsect = 0x0F,
    ptgUplus = 0x12,
    ptgUminus = 0x13,
    ptgPercent = 0x14,
    ptgParen = 0x15,
    ptgMissArg = 0x16,
    ptgStr = 0x17,
    ptgAttr = 0x19,
    ptgErr = 0x1C,
    ptgBool = 0x1D,
    ptgInt = 0x1E,
    ptgNum = 0x1F,
    ptgFunc = 0x21,
    ptgFuncVar = 0x22,
    ptgRef = 0x24,
    ptgArea = 0x25,
    ptgRef3d = 0x3A,
    ptgArea3d = 0x3B,
};

// Operand classes are added to the reference-class token identifier.
constexpr uint8_t kClassReference = 0x00;
constexpr uint8_t kClassValue = 0x20;
constexpr uint8_t kClassArray = 0x40;

// tAttr with the volatile bit: the first token of a formula that calls NOW,
// RAND, OFFSET and the like, so that a reader recalculates it every time.
constexpr uint8_t kAttrVolatile = 0x01;

// The class of an operator's operands: values, or arrays where the context
// asks for an array (SUMPRODUCT((A1:A3>1)*B1:B3) compares every cell).
uint8_t OperandClass(uint8_t cls) {
    return cls == kClassArray ? kClassArray : kClassValue;
}

struct TcCellAddress {
    int Row = 0;
    int Column = 0;
    bool RowRelative = true;
    bool ColumnRelative = true;
};

struct TcErrorLiteral {
    const char* Text;
    uint8_t Code;
};
constexpr TcErrorLiteral kErrors[] = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F},
                                      {"#REF!", 0x17},  {"#NAME?", 0x1D},  {"#NUM!", 0x24},
                                      {"#N/A", 0x2A}};

bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$';
}

// Recursive descent over the text, emitting tokens in reverse Polish order
// as each construct completes.
class TcFormulaParser {
  public:
    TcFormulaParser(std::string_view text, const TSheetLookup& lookup, int maxRows)
        : text_(text), lookup_(lookup), out_(tokens_), maxRows_(maxRows) {}

    std::vector<uint8_t> Compile() {
        SkipBlanks();
        if (Peek() == '=') ++pos_;
        SkipBlanks();
        if (AtEnd()) Fail("the formula is empty");
        Comparison(kClassValue);
        SkipBlanks();
        if (!AtEnd()) Fail(std::string("unexpected '") + Peek() + "'");
        if (volatile_) tokens_.insert(tokens_.begin(), {ptgAttr, kAttrVolatile, 0, 0});
        return std::move(tokens_);
    }

  private:
    // Nesting is bounded so that a hostile text cannot exhaust the stack.
    struct TcDepthGuard {
        explicit TcDepthGuard(TcFormulaParser& p) : parser(p) {
            if (++parser.depth_ > 256) parser.Fail("the formula is nested too deeply");
        }
        ~TcDepthGuard() { --parser.depth_; }
        TcFormulaParser& parser;
    };

    [[noreturn]] void Fail(const std::string& why) const {
        throw EFormulaError("Formula \"" + std::string(text_) +
                            "\" cannot be compiled at position " + std::to_string(pos_ + 1) + ": " +
                            why + ".");
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    void SkipBlanks() {
        while (!AtEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' ||
                            text_[pos_] == '\r'))
            ++pos_;
    }
    bool Accept(std::string_view op) {
        SkipBlanks();
        if (text_.substr(pos_, op.size()) != op) return false;
        pos_ += op.size();
        return true;
    }

    // Operand classes. Each level passes the class its context asks for
    // (a function's argument class, or value) down to its first operand; the
    // other operands of an operator are always values. The first operand
    // learns only afterwards whether an operator follows, so the levels
    // answer the position of a reference token that took the passed class
    // and stands alone so far (kNoLoneReference otherwise), and an operator
    // turns that token into an operand (value or array class): SUM(E1*2)
    // multiplies the value of E1, as SUM(2*E1) does, where SUM(E1) passes
    // the reference.
    static constexpr long kNoLoneReference = -1;
    void SetClass(long lone, uint8_t cls) {
        uint8_t& ptg = tokens_[static_cast<size_t>(lone)];
        ptg = static_cast<uint8_t>((ptg & 0x9F) | (0x20 + cls));
    }
    void MakeOperand(long lone, uint8_t cls) {
        if (lone != kNoLoneReference) SetClass(lone, OperandClass(cls));
    }

    // Lowest precedence: comparison, then &, + -, * /, ^, unary, %.
    long Comparison(uint8_t cls) {
        TcDepthGuard guard(*this);
        long lone = Concatenation(cls);
        for (;;) {
            uint8_t op;
            if (Accept("<>"))
                op = ptgNE;
            else if (Accept("<="))
                op = ptgLE;
            else if (Accept(">="))
                op = ptgGE;
            else if (Accept("<"))
                op = ptgLT;
            else if (Accept(">"))
                op = ptgGT;
            else if (Accept("="))
                op = ptgEQ;
            else
                return lone;
            MakeOperand(lone, cls);
            lone = kNoLoneReference;
            Concatenation(OperandClass(cls));
            out_.U8(op);
        }
    }
    long Concatenation(uint8_t cls) {
        long lone = Additive(cls);
        while (Accept("&")) {
            MakeOperand(lone, cls);
            lone = kNoLoneReference;
            Additive(OperandClass(cls));
            out_.U8(ptgConcat);
        }
        return lone;
    }
    long Additive(uint8_t cls) {
        long lone = Multiplicative(cls);
        for (;;) {
            uint8_t op;
            if (Accept("+"))
                op = ptgAdd;
            else if (Accept("-"))
                op = ptgSub;
            else
                return lone;
            MakeOperand(lone, cls);
            lone = kNoLoneReference;
            Multiplicative(OperandClass(cls));
            out_.U8(op);
        }
    }
    long Multiplicative(uint8_t cls) {
        long lone = Power(cls);
        for (;;) {
            uint8_t op;
            if (Accept("*"))
                op = ptgMul;
            else if (Accept("/"))
                op = ptgDiv;
            else
                return lone;
            MakeOperand(lone, cls);
            lone = kNoLoneReference;
            Power(OperandClass(cls));
            out_.U8(op);
        }
    }
    long Power(uint8_t cls) {
        long lone = Unary(cls);
        while (Accept("^")) {
            MakeOperand(lone, cls);
            lone = kNoLoneReference;
            Unary(OperandClass(cls));
            out_.U8(ptgPower);
        }
        return lone;
    }
    // Unary minus binds tighter than ^ in Excel: -2^2 is 4.
    long Unary(uint8_t cls) {
        TcDepthGuard guard(*this);
        if (Accept("-")) {
            Unary(OperandClass(cls));
            out_.U8(ptgUminus);
            return kNoLoneReference;
        }
        if (Accept("+")) {
            Unary(OperandClass(cls));
            out_.U8(ptgUplus);
            return kNoLoneReference;
        }
        long lone = Primary(cls);
        while (Accept("%")) {
            MakeOperand(lone, cls);
            lone = kNoLoneReference;
            out_.U8(ptgPercent);
        }
        return lone;
    }

    long Primary(uint8_t cls) {
        SkipBlanks();
        if (AtEnd()) Fail("an operand is missing");
        char c = Peek();
        if (c == '(') {
            ++pos_;
            // A reference in parentheses still stands alone: SUM((A1:A3)).
            long lone = Comparison(cls);
            if (!Accept(")")) Fail("')' expected");
            out_.U8(ptgParen);
            return lone;
        }
        if (c == '"') {
            StringLiteral();
        } else if (c == '#') {
            ErrorLiteral();
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && std::isdigit(static_cast<unsigned char>(Peek(1))))) {
            // 1:3 is a whole-rows reference, not a number.
            const long rows = TryReference(cls, -1);
            if (rows != kNoLoneReference) return Intersections(rows, cls);
            NumberLiteral();
        } else if (c == '\'') {
            return Intersections(QualifiedReference(cls), cls);
        } else if (IsIdentChar(c)) {
            return Intersections(Word(cls), cls);
        } else {
            Fail(std::string("unexpected '") + c + "'");
        }
        return kNoLoneReference;
    }

    // "A1:C3 B2:D4": a blank between two references is their intersection,
    // which binds tighter than any other operator. Its operands are
    // references whatever the context asks; `lone` is the first one.
    long Intersections(long lone, uint8_t cls) {
        if (lone == kNoLoneReference) return lone;
        bool any = false;
        for (;;) {
            const size_t save = pos_;
            SkipBlanks();
            if (pos_ == save || AtEnd()) {
                pos_ = save;
                break;
            }
            const long next = TryReferenceOperand();
            if (next == kNoLoneReference) {
                pos_ = save;
                break;
            }
            SetClass(lone, kClassReference);
            out_.U8(ptgIsect);
            any = true;
        }
        (void)cls;
        return any ? kNoLoneReference : lone;
    }

    // A reference (of the reference class) at the position, on this sheet or
    // another; kNoLoneReference with the position kept when there is none.
    long TryReferenceOperand() {
        const size_t save = pos_;
        const char c = Peek();
        if (c == '\'') return QualifiedReference(kClassReference);
        if (!IsIdentChar(c) && !std::isdigit(static_cast<unsigned char>(c)))
            return kNoLoneReference;
        size_t end = pos_;
        while (end < text_.size() && IsIdentChar(text_[end])) ++end;
        if (end < text_.size() && text_[end] == '!') {
            std::string name(text_.substr(pos_, end - pos_));
            pos_ = end + 1;
            return SheetReference(kClassReference, name, save);
        }
        const long token = TryReference(kClassReference, -1);
        if (token == kNoLoneReference) pos_ = save;
        return token;
    }

    void NumberLiteral() {
        size_t start = pos_;
        while (std::isdigit(static_cast<unsigned char>(Peek()))) ++pos_;
        if (Peek() == '.') {
            ++pos_;
            while (std::isdigit(static_cast<unsigned char>(Peek()))) ++pos_;
        }
        if ((Peek() == 'E' || Peek() == 'e') &&
            (std::isdigit(static_cast<unsigned char>(Peek(1))) ||
             ((Peek(1) == '+' || Peek(1) == '-') &&
              std::isdigit(static_cast<unsigned char>(Peek(2)))))) {
            pos_ += 2;
            while (std::isdigit(static_cast<unsigned char>(Peek()))) ++pos_;
        }
        std::string digits(text_.substr(start, pos_ - start));
        double value = std::strtod(digits.c_str(), nullptr);
        if (!std::isfinite(value)) {
            pos_ = start;
            Fail("the number is too large");
        }
        bool isInt = digits.find_first_of(".eE") == std::string::npos && value <= 65535;
        if (isInt) {
            out_.U8(ptgInt);
            out_.U16(static_cast<uint16_t>(value));
        } else {
            out_.U8(ptgNum);
            out_.F64(value);
        }
    }

    void StringLiteral() {
        size_t start = pos_;
        ++pos_;
        std::string value;
        for (;;) {
            if (AtEnd()) {
                pos_ = start;
                Fail("the string is not closed");
            }
            char c = text_[pos_++];
            if (c == '"') {
                if (Peek() != '"') break;
                ++pos_;
            }
            value.push_back(c);
        }
        std::u16string chars = Utf8ToUtf16(value);
        if (chars.size() > 255) {
            pos_ = start;
            Fail("a string in a formula is limited to 255 characters");
        }
        out_.U8(ptgStr);
        out_.U8(static_cast<uint8_t>(chars.size()));
        if (IsCompressible(chars)) {
            out_.U8(0);
            for (char16_t ch : chars) out_.U8(static_cast<uint8_t>(ch));
        } else {
            out_.U8(1);
            for (char16_t ch : chars) out_.U16(ch);
        }
    }

    void ErrorLiteral() {
        for (const auto& e : kErrors) {
            std::string_view name(e.Text);
            if (text_.size() - pos_ >= name.size()) {
                std::string word(text_.substr(pos_, name.size()));
                for (char& ch : word)
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
                if (word == name) {
                    pos_ += name.size();
                    out_.U8(ptgErr);
                    out_.U8(e.Code);
                    return;
                }
            }
        }
        Fail("unknown error value");
    }

    // 'Sheet name'!A1 or 'Sheet name'!A1:B2.
    long QualifiedReference(uint8_t cls) {
        size_t start = pos_;
        ++pos_;
        std::string name;
        for (;;) {
            if (AtEnd()) {
                pos_ = start;
                Fail("the sheet name is not closed");
            }
            char c = text_[pos_++];
            if (c == '\'') {
                if (Peek() != '\'') break;
                ++pos_;
            }
            name.push_back(c);
        }
        if (Peek() != '!') Fail("'!' expected after the sheet name");
        ++pos_;
        return SheetReference(cls, name, start);
    }

    long SheetReference(uint8_t cls, const std::string& name, size_t nameStart) {
        int sheet = lookup_ ? lookup_(name) : -1;
        if (sheet < 0) {
            pos_ = nameStart;
            Fail("unknown sheet '" + name + "'");
        }
        long token = TryReference(cls, sheet);
        if (token == kNoLoneReference) Fail("a cell reference is expected");
        return token;
    }

    // A name: a function call, TRUE/FALSE, a sheet prefix or a reference.
    long Word(uint8_t cls) {
        size_t start = pos_;
        size_t end = pos_;
        while (end < text_.size() && IsIdentChar(text_[end])) ++end;
        std::string word(text_.substr(start, end - start));
        std::string upper = word;
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        size_t after = end;
        while (after < text_.size() && text_[after] == ' ') ++after;
        if (after < text_.size() && text_[after] == '(' && word.find('$') == std::string::npos) {
            pos_ = after + 1;
            FunctionCall(upper, start, cls);
            return kNoLoneReference;
        }
        if (end < text_.size() && text_[end] == '!') {
            pos_ = end + 1;
            return SheetReference(cls, word, start);
        }
        long token = TryReference(cls, -1);
        if (token != kNoLoneReference) return token;
        if (upper == "TRUE" || upper == "FALSE") {
            pos_ = end;
            out_.U8(ptgBool);
            out_.U8(upper == "TRUE" ? 1 : 0);
            return kNoLoneReference;
        }
        Fail("unknown name '" + word + "'");
    }

    // Reads a cell address at the current position; false (position kept)
    // when the text there is not one.
    bool ParseAddress(TcCellAddress& address) {
        size_t p = pos_;
        address.ColumnRelative = true;
        if (p < text_.size() && text_[p] == '$') {
            address.ColumnRelative = false;
            ++p;
        }
        int column = 0;
        size_t letters = 0;
        while (p < text_.size() && std::isalpha(static_cast<unsigned char>(text_[p])) &&
               letters < 4) {
            column = column * 26 + (std::toupper(static_cast<unsigned char>(text_[p])) - 'A' + 1);
            ++p;
            ++letters;
        }
        if (letters == 0 || letters > 3) return false;
        address.RowRelative = true;
        if (p < text_.size() && text_[p] == '$') {
            address.RowRelative = false;
            ++p;
        }
        long row = 0;
        size_t digits = 0;
        while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p])) &&
               digits < 7) {
            row = row * 10 + (text_[p] - '0');
            ++p;
            ++digits;
        }
        if (digits == 0) return false;
        // A longer name such as A1B or a function name like LOG10( is no address.
        if (p < text_.size() && (IsIdentChar(text_[p]) || text_[p] == '(')) return false;
        if (column > kMaxColumns || row < 1 || row > maxRows_) {
            Fail("the cell reference is outside the sheet");
        }
        address.Column = column - 1;
        address.Row = static_cast<int>(row - 1);
        pos_ = p;
        return true;
    }

    // One part of a whole-column or whole-row reference: column letters
    // (digits = false) or a row number, with an optional "$". Answers the
    // 0-based index, or -1 (position kept) when the text is no such part.
    int ParseLine(size_t& p, bool digits, bool& relative) const {
        relative = true;
        if (p < text_.size() && text_[p] == '$') {
            relative = false;
            ++p;
        }
        long value = 0;
        size_t count = 0;
        while (p < text_.size() && count < 7 &&
               (digits ? std::isdigit(static_cast<unsigned char>(text_[p])) != 0
                       : std::isalpha(static_cast<unsigned char>(text_[p])) != 0)) {
            value = digits ? value * 10 + (text_[p] - '0')
                           : value * 26 +
                                 (std::toupper(static_cast<unsigned char>(text_[p])) - 'A' + 1);
            ++p;
            ++count;
        }
        if (count == 0 || (!digits && count > 3)) return -1;
        return static_cast<int>(value - 1);
    }

    // A:C, $B:$B (whole columns) or 1:3, $2:$2 (whole rows): an area over
    // every row (every column) of the sheet. The lines that run the whole
    // sheet are absolute, as the sheet has no others to move to.
    bool ParseWholeLines(TcCellAddress& first, TcCellAddress& last) {
        for (const bool rows : {false, true}) {
            size_t p = pos_;
            bool firstRelative = true;
            bool lastRelative = true;
            const int from = ParseLine(p, rows, firstRelative);
            if (from < 0 || p >= text_.size() || text_[p] != ':') continue;
            ++p;
            const int to = ParseLine(p, rows, lastRelative);
            if (from < 0 || to < 0) continue;
            if (p < text_.size() && (IsIdentChar(text_[p]) || text_[p] == '(')) continue;
            if (rows ? (from >= maxRows_ || to >= maxRows_)
                     : (from >= kMaxColumns || to >= kMaxColumns))
                Fail("the reference is outside the sheet");
            // The line the text names, and the other direction, which runs
            // the whole sheet.
            int TcCellAddress::*line = rows ? &TcCellAddress::Row : &TcCellAddress::Column;
            bool TcCellAddress::*lineRelative =
                rows ? &TcCellAddress::RowRelative : &TcCellAddress::ColumnRelative;
            bool TcCellAddress::*acrossRelative =
                rows ? &TcCellAddress::ColumnRelative : &TcCellAddress::RowRelative;
            first = TcCellAddress{};
            last = TcCellAddress{};
            first.*line = from;
            last.*line = to;
            first.*lineRelative = firstRelative;
            last.*lineRelative = lastRelative;
            first.*acrossRelative = last.*acrossRelative = false;
            (rows ? last.Column : last.Row) = rows ? kMaxColumns - 1 : kMaxRows - 1;
            pos_ = p;
            return true;
        }
        return false;
    }

    void EmitColumn(const TcCellAddress& a) {
        uint16_t v = static_cast<uint16_t>(a.Column);
        if (a.ColumnRelative) v |= 0x4000;
        if (a.RowRelative) v |= 0x8000;
        out_.U16(v);
    }

    // A cell or an area; sheet is the REF index of a 3D reference, or -1.
    // Answers the position of the token, or kNoLoneReference (position kept)
    // when the text there is no reference.
    long TryReference(uint8_t cls, int sheet) {
        SkipBlanks();
        TcCellAddress first;
        TcCellAddress last;
        bool area = false;
        if (!ParseAddress(first)) {
            if (!ParseWholeLines(first, last)) return kNoLoneReference;
            area = true;
        } else if (Peek() == ':') {
            ++pos_;
            if (!ParseAddress(last)) Fail("the second cell of the range is missing");
            area = true;
        }
        const long token = static_cast<long>(tokens_.size());
        if (area) {
            out_.U8(static_cast<uint8_t>((sheet >= 0 ? ptgArea3d : ptgArea) + cls));
            if (sheet >= 0) out_.U16(static_cast<uint16_t>(sheet));
            out_.U16(static_cast<uint16_t>(first.Row));
            out_.U16(static_cast<uint16_t>(last.Row));
            EmitColumn(first);
            EmitColumn(last);
        } else {
            out_.U8(static_cast<uint8_t>((sheet >= 0 ? ptgRef3d : ptgRef) + cls));
            if (sheet >= 0) out_.U16(static_cast<uint16_t>(sheet));
            out_.U16(static_cast<uint16_t>(first.Row));
            EmitColumn(first);
        }
        return token;
    }

    // The function token takes the class its context asks for where the
    // function can answer it: an array in an array context, a reference
    // where a reference is asked of a function that returns one (INDEX,
    // OFFSET); a value everywhere else. In an array context the value
    // arguments become arrays too, so that ABS in SUMPRODUCT(ABS(A1:A3))
    // takes every cell.
    void FunctionCall(const std::string& name, size_t nameStart, uint8_t context) {
        const TcFormulaFunction* function = FindFormulaFunction(name);
        if (!function) {
            pos_ = nameStart;
            Fail("unknown function '" + name + "'");
        }
        uint8_t cls = kClassValue;
        if (context == kClassArray)
            cls = kClassArray;
        else if (context == kClassReference && function->ReturnClass == 'R')
            cls = kClassReference;
        if (function->Volatile) volatile_ = true;
        int count = 0;
        SkipBlanks();
        if (Peek() == ')') {
            ++pos_;
        } else {
            for (;;) {
                const char argument = function->ArgumentClass(count);
                uint8_t argumentClass = argument == 'R'   ? kClassReference
                                        : argument == 'A' ? kClassArray
                                                          : kClassValue;
                if (cls == kClassArray && argumentClass == kClassValue) argumentClass = kClassArray;
                SkipBlanks();
                if (Peek() == ',' || Peek() == ')')
                    out_.U8(ptgMissArg);
                else
                    Comparison(argumentClass);
                ++count;
                if (Accept(",")) continue;
                if (Accept(")")) break;
                Fail("',' or ')' expected");
            }
        }
        if (count < function->MinArgs || count > function->MaxArgs) {
            pos_ = nameStart;
            Fail(std::string(function->Name) + " takes " +
                 (function->MinArgs == function->MaxArgs
                      ? std::to_string(function->MinArgs)
                      : std::to_string(function->MinArgs) + " to " +
                            std::to_string(function->MaxArgs)) +
                 " arguments, not " + std::to_string(count));
        }
        if (function->MinArgs == function->MaxArgs) {
            out_.U8(static_cast<uint8_t>(ptgFunc + cls));
        } else {
            out_.U8(static_cast<uint8_t>(ptgFuncVar + cls));
            out_.U8(static_cast<uint8_t>(count));
        }
        out_.U16(function->Index);
    }

    std::string_view text_;
    const TSheetLookup& lookup_;
    std::vector<uint8_t> tokens_;
    TcByteWriter out_;
    size_t pos_ = 0;
    int depth_ = 0;
    bool volatile_ = false;
    int maxRows_;
};

}  // namespace

std::vector<uint8_t> CompileFormula(std::string_view formula, const TSheetLookup& lookup,
                                    int maxRows) {
    return TcFormulaParser(formula, lookup, maxRows).Compile();
}

}  // namespace spreadsheet
