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
    ptgUplus = 0x12,
    ptgUminus = 0x13,
    ptgPercent = 0x14,
    ptgParen = 0x15,
    ptgMissArg = 0x16,
    ptgStr = 0x17,
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
    TcFormulaParser(std::string_view text, const TSheetLookup& lookup)
        : text_(text), lookup_(lookup), out_(tokens_) {}

    std::vector<uint8_t> Compile() {
        SkipBlanks();
        if (Peek() == '=') ++pos_;
        SkipBlanks();
        if (AtEnd()) Fail("the formula is empty");
        Comparison(kClassValue);
        SkipBlanks();
        if (!AtEnd()) Fail(std::string("unexpected '") + Peek() + "'");
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
    // turns that token into a value-class one: SUM(E1*2) multiplies the
    // value of E1, as SUM(2*E1) does, where SUM(E1) passes the reference.
    static constexpr long kNoLoneReference = -1;
    void MakeValueOperand(long lone) {
        if (lone == kNoLoneReference) return;
        uint8_t& ptg = tokens_[static_cast<size_t>(lone)];
        ptg = static_cast<uint8_t>((ptg & 0x9F) | (0x20 + kClassValue));
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
            MakeValueOperand(lone);
            lone = kNoLoneReference;
            Concatenation(kClassValue);
            out_.U8(op);
        }
    }
    long Concatenation(uint8_t cls) {
        long lone = Additive(cls);
        while (Accept("&")) {
            MakeValueOperand(lone);
            lone = kNoLoneReference;
            Additive(kClassValue);
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
            MakeValueOperand(lone);
            lone = kNoLoneReference;
            Multiplicative(kClassValue);
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
            MakeValueOperand(lone);
            lone = kNoLoneReference;
            Power(kClassValue);
            out_.U8(op);
        }
    }
    long Power(uint8_t cls) {
        long lone = Unary(cls);
        while (Accept("^")) {
            MakeValueOperand(lone);
            lone = kNoLoneReference;
            Unary(kClassValue);
            out_.U8(ptgPower);
        }
        return lone;
    }
    // Unary minus binds tighter than ^ in Excel: -2^2 is 4.
    long Unary(uint8_t cls) {
        TcDepthGuard guard(*this);
        if (Accept("-")) {
            Unary(kClassValue);
            out_.U8(ptgUminus);
            return kNoLoneReference;
        }
        if (Accept("+")) {
            Unary(kClassValue);
            out_.U8(ptgUplus);
            return kNoLoneReference;
        }
        long lone = Primary(cls);
        while (Accept("%")) {
            MakeValueOperand(lone);
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
            NumberLiteral();
        } else if (c == '\'') {
            return QualifiedReference(cls);
        } else if (IsIdentChar(c)) {
            return Word(cls);
        } else {
            Fail(std::string("unexpected '") + c + "'");
        }
        return kNoLoneReference;
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
            FunctionCall(upper, start);
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
        if (column > kMaxColumns || row < 1 || row > kMaxRows) {
            Fail("the cell reference is outside the sheet");
        }
        address.Column = column - 1;
        address.Row = static_cast<int>(row - 1);
        pos_ = p;
        return true;
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
        if (!ParseAddress(first)) return kNoLoneReference;
        const long token = static_cast<long>(tokens_.size());
        TcCellAddress last;
        bool area = false;
        if (Peek() == ':') {
            ++pos_;
            if (!ParseAddress(last)) Fail("the second cell of the range is missing");
            area = true;
        }
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

    void FunctionCall(const std::string& name, size_t nameStart) {
        const TcFormulaFunction* function = nullptr;
        for (const auto& f : FormulaFunctions())
            if (name == f.Name) function = &f;
        if (!function) {
            pos_ = nameStart;
            Fail("unknown function '" + name + "'");
        }
        int count = 0;
        SkipBlanks();
        if (Peek() == ')') {
            ++pos_;
        } else {
            for (;;) {
                uint8_t cls = (count == 0 ? function->FirstArgClass : function->ArgClass) == 'R'
                                  ? kClassReference
                                  : kClassValue;
                SkipBlanks();
                if (Peek() == ',' || Peek() == ')')
                    out_.U8(ptgMissArg);
                else
                    Comparison(cls);
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
        // Functions return values: their tokens carry the value class.
        if (function->MinArgs == function->MaxArgs) {
            out_.U8(ptgFunc + kClassValue);
        } else {
            out_.U8(ptgFuncVar + kClassValue);
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
};

}  // namespace

const std::vector<TcFormulaFunction>& FormulaFunctions() {
    static const std::vector<TcFormulaFunction> functions = {
        {"COUNT", 0, 1, 30, 'R', 'R'},  {"IF", 1, 2, 3, 'R', 'V'},
        {"SUM", 4, 1, 30, 'R', 'R'},    {"AVERAGE", 5, 1, 30, 'R', 'R'},
        {"MIN", 6, 1, 30, 'R', 'R'},    {"MAX", 7, 1, 30, 'R', 'R'},
        {"ABS", 24, 1, 1, 'V', 'V'},    {"ROUND", 27, 2, 2, 'V', 'V'},
        {"LEN", 32, 1, 1, 'V', 'V'},    {"AND", 36, 1, 30, 'R', 'R'},
        {"OR", 37, 1, 30, 'R', 'R'},    {"NOT", 38, 1, 1, 'V', 'V'},
        {"NOW", 74, 0, 0, 'V', 'V'},    {"LOWER", 112, 1, 1, 'V', 'V'},
        {"UPPER", 113, 1, 1, 'V', 'V'}, {"LEFT", 115, 1, 2, 'V', 'V'},
        {"RIGHT", 116, 1, 2, 'V', 'V'}, {"COUNTA", 169, 1, 30, 'R', 'R'},
        {"TODAY", 221, 0, 0, 'V', 'V'}, {"CONCATENATE", 336, 1, 30, 'V', 'V'},
    };
    return functions;
}

std::vector<uint8_t> CompileFormula(std::string_view formula, const TSheetLookup& lookup) {
    return TcFormulaParser(formula, lookup).Compile();
}

}  // namespace spreadsheet
