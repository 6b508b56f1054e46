#pragma once
// Compiles formula text (A1 notation, English function names, an optional
// leading "=") into BIFF8 formula tokens (reverse Polish, the rgce bytes of a
// FORMULA record). What it understands: numbers, strings, TRUE/FALSE, error
// literals, cell and range references (relative, absolute, mixed, on other
// sheets), whole columns and rows (A:A, $B:$C, 1:1), the intersection of two
// references (a blank between them), the arithmetic, comparison and
// concatenation operators with Excel's precedence, unary minus and plus,
// percent, parentheses, and the built-in functions of FormulaFunctions(). Anything else raises
// EFormulaError naming the formula and the 1-based character position where compilation stopped.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace spreadsheet {

// Resolves a sheet name (case-insensitive) to the index of its REF entry in
// the EXTERNSHEET record the writer emits (one per sheet, in sheet order), or
// -1 when there is no such sheet.
using TSheetLookup = std::function<int(std::string_view)>;

// `maxRows` is the sheet's row count, which bounds cell references: an
// Office Open XML sheet's references reach beyond the 65,536 rows the
// tokens can hold (its formulas are written as text).
std::vector<uint8_t> CompileFormula(std::string_view formula, const TSheetLookup& lookup,
                                    int maxRows = 65536);

struct TcFormulaFunction {
    const char* Name;
    uint16_t Index;  // the function's number in the file format
    int MinArgs;
    int MaxArgs;       // MinArgs == MaxArgs: fixed count (tFunc), else tFuncVar
    char ReturnClass;  // 'V' value, 'R' reference or 'A' array
    // The class ('V', 'R' or 'A') of each argument; the last one stands for
    // all the arguments after it.
    const char* ArgClasses;
    bool Volatile;  // recalculated on every change (NOW, RAND, OFFSET, ...)
    char ArgumentClass(int index) const;
};

// The built-in functions of the Excel 97 file format, sorted by name.
const std::vector<TcFormulaFunction>& FormulaFunctions();
// The function of that name (upper case), or null.
const TcFormulaFunction* FindFormulaFunction(std::string_view upperName);

}  // namespace spreadsheet
