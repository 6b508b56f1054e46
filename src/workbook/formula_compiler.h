#pragma once
// Compiles formula text (A1 notation, English function names, an optional
// leading "=") into BIFF8 formula tokens (reverse Polish, the rgce bytes of a
// FORMULA record). What it understands: numbers, strings, TRUE/FALSE, error
// literals, cell and range references (relative, absolute, mixed, on other
// sheets), the arithmetic, comparison and concatenation operators with Excel's
// precedence, unary minus and plus, percent, parentheses, and the functions of
// FormulaFunctions(). Anything else raises EFormulaError naming the formula
// and the 1-based character position where compilation stopped.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace spreadsheet {

// Resolves a sheet name (case-insensitive) to the index of its REF entry in
// the EXTERNSHEET record the writer emits (one per sheet, in sheet order), or
// -1 when there is no such sheet.
using TSheetLookup = std::function<int(std::string_view)>;

std::vector<uint8_t> CompileFormula(std::string_view formula, const TSheetLookup& lookup);

struct TcFormulaFunction {
    const char* Name;
    uint16_t Index;  // the function's number in the file format
    int MinArgs;
    int MaxArgs;         // MinArgs == MaxArgs: fixed count (tFunc), else tFuncVar
    char ArgClass;       // 'R' reference or 'V' value, for every argument
    char FirstArgClass;  // class of the first argument
};

// The supported functions.
const std::vector<TcFormulaFunction>& FormulaFunctions();

}  // namespace spreadsheet
