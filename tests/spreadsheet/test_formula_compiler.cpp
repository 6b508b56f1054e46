// Formula texts against the token bytes the file format defines for them.

#include <gtest/gtest.h>

#include <string>

#include "workbook/formula_compiler.h"
#include "workbook/workbook_errors.h"
#include "workbook_test_support.h"

using spreadsheet::CompileFormula;

namespace {

// Two sheets besides the formula's own: "Sheet2" is REF entry 1, "My Sheet" 2.
int LookupSheet(std::string_view name) {
    if (name == "Sheet1") return 0;
    if (name == "Sheet2" || name == "sheet2") return 1;
    if (name == "My Sheet") return 2;
    return -1;
}

struct TokenCase {
    const char* Name;
    const char* Formula;
    const char* Tokens;  // hex bytes
};

class FormulaTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(FormulaTokens, CompilesToTheFormatsTokens) {
    const TokenCase& c = GetParam();
    EXPECT_EQ(HexBytes(CompileFormula(c.Formula, LookupSheet)), NormalizeHex(c.Tokens))
        << c.Formula;
}

// References: tRefV 44 / tRefR 24 with row, then column with bit 14 (column
// relative) and bit 15 (row relative). Functions: tFuncV 41 (index), tFuncVarV
// 42 (count, index). Constants: tInt 1E, tNum 1F, tStr 17, tBool 1D, tErr 1C.
const TokenCase kTokenCases[] = {
    {"Integer", "1", "1E 01 00"},
    {"LeadingEquals", "=7", "1E 07 00"},
    {"LargestInteger", "65535", "1E FF FF"},
    {"IntegerBeyondRangeIsDouble", "70000", "1F 00 00 00 00 00 17 F1 40"},
    {"Decimal", "1.5", "1F 00 00 00 00 00 00 F8 3F"},
    {"Exponent", "1E3", "1F 00 00 00 00 00 40 8F 40"},
    {"ProductBeforeSum", "1+2*3", "1E 01 00 1E 02 00 1E 03 00 05 03"},
    {"Subtraction", "5-2", "1E 05 00 1E 02 00 04"},
    {"Division", "6/3", "1E 06 00 1E 03 00 06"},
    {"Parentheses", "(1+2)*3", "1E 01 00 1E 02 00 03 15 1E 03 00 05"},
    {"UnaryMinusBeforePower", "-2^2", "1E 02 00 13 1E 02 00 07"},
    {"PowerLeftToRight", "2^3^2", "1E 02 00 1E 03 00 07 1E 02 00 07"},
    {"UnaryPlus", "+A1", "44 00 00 00 C0 12"},
    {"Percent", "50%", "1E 32 00 14"},
    {"ConcatAfterSum", "1&2+3", "1E 01 00 1E 02 00 1E 03 00 03 08"},
    {"ComparisonLast", "1+2=3", "1E 01 00 1E 02 00 03 1E 03 00 0B"},
    {"NotEqual", "1<>2", "1E 01 00 1E 02 00 0E"},
    {"LessThan", "1<2", "1E 01 00 1E 02 00 09"},
    {"LessOrEqual", "1<=2", "1E 01 00 1E 02 00 0A"},
    {"GreaterThan", "1>2", "1E 01 00 1E 02 00 0D"},
    {"GreaterOrEqual", "A1>=B1", "44 00 00 00 C0 44 00 00 01 C0 0C"},
    {"Blanks", " 1 + 2 ", "1E 01 00 1E 02 00 03"},
    {"String", "\"abc\"", "17 03 00 61 62 63"},
    {"StringWithQuote", "\"a\"\"b\"", "17 03 00 61 22 62"},
    {"EmptyString", "\"\"", "17 00 00"},
    {"StringLatin1", "\"\xC3\xA9\"", "17 01 00 E9"},
    {"StringUnicode", "\"\xE2\x82\xAC\"", "17 01 01 AC 20"},
    {"Concatenation", "A1&\"x\"", "44 00 00 00 C0 17 01 00 78 08"},
    {"True", "TRUE", "1D 01"},
    {"FalseLowerCase", "false", "1D 00"},
    {"ErrorNA", "#N/A", "1C 2A"},
    {"ErrorDiv0", "#DIV/0!", "1C 07"},
    {"RelativeCell", "A1", "44 00 00 00 C0"},
    {"AbsoluteCell", "$B$3", "44 02 00 01 00"},
    {"AbsoluteRow", "B$3", "44 02 00 01 40"},
    {"AbsoluteColumn", "$B3", "44 02 00 01 80"},
    {"LastCell", "IV65536", "44 FF FF FF C0"},
    {"LowerCaseCell", "c10", "44 09 00 02 C0"},
    {"Area", "A1:B2", "45 00 00 01 00 00 C0 01 C0"},
    {"MixedArea", "$A1:B$2", "45 00 00 01 00 00 80 01 40"},
    {"OtherSheetCell", "Sheet2!B2", "5A 01 00 01 00 01 C0"},
    {"QuotedSheetArea", "'My Sheet'!A1:B2", "5B 02 00 00 00 01 00 00 C0 01 C0"},
    {"SheetNameCaseInsensitive", "sheet2!$A$1", "5A 01 00 00 00 00 00"},
    {"SumOfArea", "SUM(A1:A3)", "25 00 00 02 00 00 C0 00 C0 42 01 04 00"},
    {"SumOfOtherSheet", "SUM(Sheet2!A1:A2)", "3B 01 00 00 00 01 00 00 C0 00 C0 42 01 04 00"},
    {"SumOfValues", "sum( 1 , 2 )", "1E 01 00 1E 02 00 42 02 04 00"},
    {"Average", "AVERAGE(A1:B1)", "25 00 00 00 00 00 C0 01 C0 42 01 05 00"},
    {"Min", "MIN(A1,B1)", "24 00 00 00 C0 24 00 00 01 C0 42 02 06 00"},
    {"Max", "MAX(A1)", "24 00 00 00 C0 42 01 07 00"},
    {"Count", "COUNT(A1:A2)", "25 00 00 01 00 00 C0 00 C0 42 01 00 00"},
    {"CountA", "COUNTA(A1:A2)", "25 00 00 01 00 00 C0 00 C0 42 01 A9 00"},
    {"IfThreeArguments", "IF(A1>0,\"pos\",\"neg\")",
     "44 00 00 00 C0 1E 00 00 0D 17 03 00 70 6F 73 17 03 00 6E 65 67 42 03 01 00"},
    {"IfTwoArguments", "IF(A1,B1)", "44 00 00 00 C0 24 00 00 01 C0 42 02 01 00"},
    {"IfMissingArgument", "IF(A1,,1)", "44 00 00 00 C0 16 1E 01 00 42 03 01 00"},
    {"And", "AND(A1,B1)", "24 00 00 00 C0 24 00 00 01 C0 42 02 24 00"},
    {"Or", "OR(TRUE,FALSE)", "1D 01 1D 00 42 02 25 00"},
    {"Not", "NOT(TRUE)", "1D 01 41 26 00"},
    {"Round", "ROUND(A1,2)", "44 00 00 00 C0 1E 02 00 41 1B 00"},
    {"AbsOfNegation", "ABS(-A1)", "44 00 00 00 C0 13 41 18 00"},
    {"Concatenate", "CONCATENATE(A1,\"-\",B1)",
     "44 00 00 00 C0 17 01 00 2D 44 00 00 01 C0 42 03 50 01"},
    {"LeftOneArgument", "LEFT(\"abc\")", "17 03 00 61 62 63 42 01 73 00"},
    {"RightTwoArguments", "RIGHT(A1,2)", "44 00 00 00 C0 1E 02 00 42 02 74 00"},
    {"Len", "LEN(A1)", "44 00 00 00 C0 41 20 00"},
    {"Upper", "UPPER(A1)", "44 00 00 00 C0 41 71 00"},
    {"Lower", "LOWER(A1)", "44 00 00 00 C0 41 70 00"},
    // Volatile functions put tAttrVolatile (19 01 00 00) first.
    {"Today", "TODAY()", "19 01 00 00 41 DD 00"},
    {"Now", "NOW( )", "19 01 00 00 41 4A 00"},
    {"NestedFunctions", "ROUND(SUM(A1:A2)/2,0)",
     "25 00 00 01 00 00 C0 00 C0 42 01 04 00 1E 02 00 06 1E 00 00 41 1B 00"},
    // An operator's operands are values even where the argument itself is a
    // reference: only a reference that stands alone takes the argument's class.
    {"ProductInSumArgument", "SUM(E1*2)", "44 00 00 04 C0 1E 02 00 05 42 01 04 00"},
    {"ProductInSumArgumentValueFirst", "SUM(2*E1)", "1E 02 00 44 00 00 04 C0 05 42 01 04 00"},
    {"ParenthesisedReferenceInSum", "SUM((A1:A3))", "25 00 00 02 00 00 C0 00 C0 15 42 01 04 00"},
    {"ParenthesisedProductInSum", "SUM((E1)*2)", "44 00 00 04 C0 15 1E 02 00 05 42 01 04 00"},
    {"ComparisonInAnd", "AND(A1>0)", "44 00 00 00 C0 1E 00 00 0D 42 01 24 00"},
    {"PercentInSum", "SUM(A1%)", "44 00 00 00 C0 14 42 01 04 00"},
    {"ConcatenationInCountA", "COUNTA(A1&B1)", "44 00 00 00 C0 44 00 00 01 C0 08 42 01 A9 00"},
    {"OtherSheetProductInSum", "SUM(Sheet2!A1*2)", "5A 01 00 00 00 00 C0 1E 02 00 05 42 01 04 00"},
    {"AreaPowerInMax", "MAX(A1:A2^2)", "45 00 00 01 00 00 C0 00 C0 1E 02 00 07 42 01 07 00"},
    // The rest of the built-in table: fixed counts (tFuncV 41), variable
    // counts (tFuncVarV 42), argument classes from the table.
    {"Pi", "PI()", "41 13 00"},
    {"Int", "INT(A1)", "44 00 00 00 C0 41 19 00"},
    {"Mod", "MOD(7,3)", "1E 07 00 1E 03 00 41 27 00"},
    {"Mid", "MID(\"abc\",2,1)", "17 03 00 61 62 63 1E 02 00 1E 01 00 41 1F 00"},
    {"Date", "DATE(2024,1,31)", "1E E8 07 1E 01 00 1E 1F 00 41 41 00"},
    {"RoundDown", "ROUNDDOWN(A1,1)", "44 00 00 00 C0 1E 01 00 41 D5 00"},
    {"IsBlank", "ISBLANK(A1)", "44 00 00 00 C0 41 81 00"},
    {"ErrorTypeWithDot", "ERROR.TYPE(#N/A)", "1C 2A 41 05 01"},
    {"Atan", "atan(1)", "1E 01 00 41 12 00"},
    {"VLookupTableIsReference", "VLOOKUP(2,A1:B3,2,FALSE)",
     "1E 02 00 25 00 00 02 00 00 C0 01 C0 1E 02 00 1D 00 42 04 66 00"},
    {"CountIfRangeIsReference", "COUNTIF(A1:A3,\">1\")",
     "25 00 00 02 00 00 C0 00 C0 17 02 00 3E 31 41 5A 01"},
    // Array arguments (tAreaA 65): every cell's value, also under operators.
    {"SumProductArrays", "SUMPRODUCT(A1:A3,B1:B3)",
     "65 00 00 02 00 00 C0 00 C0 65 00 00 02 00 01 C0 01 C0 42 02 E4 00"},
    {"SumProductOfComparison", "SUMPRODUCT((A1:A3>1)*B1:B3)",
     "65 00 00 02 00 00 C0 00 C0 1E 01 00 0D 15 65 00 00 02 00 01 C0 01 C0 05 42 01 E4 00"},
    {"ValueFunctionInArrayContext", "SUMPRODUCT(ABS(A1:A2))",
     "65 00 00 01 00 00 C0 00 C0 61 18 00 42 01 E4 00"},
    // A function returning a reference: reference class (tFuncVarR 22) where
    // a reference is asked, value class elsewhere.
    {"IndexInSum", "SUM(INDEX(A1:B2,1,2))",
     "25 00 00 01 00 00 C0 01 C0 1E 01 00 1E 02 00 22 03 1D 00 42 01 04 00"},
    {"IndexAsValue", "INDEX(A1:B2,1,2)",
     "25 00 00 01 00 00 C0 01 C0 1E 01 00 1E 02 00 42 03 1D 00"},
    {"OffsetIsVolatile", "OFFSET(A1,1,1)",
     "19 01 00 00 24 00 00 00 C0 1E 01 00 1E 01 00 42 03 4E 00"},
    // Whole columns (rows 0-65535, absolute) and whole rows (columns 0-255).
    {"WholeColumn", "SUM(A:A)", "25 00 00 FF FF 00 40 00 40 42 01 04 00"},
    {"WholeColumnsAbsolute", "SUM($B:$C)", "25 00 00 FF FF 01 00 02 00 42 01 04 00"},
    {"WholeRows", "SUM(2:3)", "25 01 00 02 00 00 80 FF 80 42 01 04 00"},
    {"WholeRowAbsoluteAsValue", "$1:$1", "45 00 00 00 00 00 00 FF 00"},
    {"WholeColumnOtherSheet", "SUM(Sheet2!A:A)", "3B 01 00 00 00 FF FF 00 40 00 40 42 01 04 00"},
    {"LastColumn", "COUNT(iv:IV)", "25 00 00 FF FF FF 40 FF 40 42 01 00 00"},
    // Intersection (tIsect 0F): both operands are references.
    {"IntersectionInSum", "SUM(A1:C3 B2:D4)",
     "25 00 00 02 00 00 C0 02 C0 25 01 00 03 00 01 C0 03 C0 0F 42 01 04 00"},
    {"IntersectionAsValue", "A1:C3  B2:B4",
     "25 00 00 02 00 00 C0 02 C0 25 01 00 03 00 01 C0 01 C0 0F"},
    {"IntersectionOfRowAndColumn", "MAX(1:1 A:A)",
     "25 00 00 00 00 00 80 FF 80 25 00 00 FF FF 00 40 00 40 0F 42 01 07 00"},
    {"IntersectionBeforeOperator", "A1:B2 B1:B2+1",
     "25 00 00 01 00 00 C0 01 C0 25 00 00 01 00 01 C0 01 C0 0F 1E 01 00 03"},
    {"BlanksAroundOperatorAreNoIntersection", "A1 + B1", "44 00 00 00 C0 44 00 00 01 C0 03"},
};

INSTANTIATE_TEST_SUITE_P(Table, FormulaTokens, ::testing::ValuesIn(kTokenCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct ErrorCase {
    const char* Name;
    std::string Formula;
    int Position;
    const char* Reason;
};

class FormulaErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(FormulaErrors, NameTheFormulaAndThePlace) {
    const ErrorCase& c = GetParam();
    try {
        CompileFormula(c.Formula, LookupSheet);
        FAIL() << "compiled: " << c.Formula;
    } catch (const EFormulaError& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("\"" + c.Formula + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("position " + std::to_string(c.Position) + ":"), std::string::npos)
            << message;
        EXPECT_NE(message.find(c.Reason), std::string::npos) << message;
    }
}

const ErrorCase kErrorCases[] = {
    {"Empty", "", 1, "empty"},
    {"MissingOperand", "1+", 3, "operand is missing"},
    {"UnclosedCall", "SUM(A1", 7, "')' expected"},
    {"UnclosedParenthesis", "(1+2", 5, "')' expected"},
    {"UnknownFunction", "FOO(1)", 1, "unknown function 'FOO'"},
    {"UnknownSheet", "Nope!A1", 1, "unknown sheet 'Nope'"},
    {"UnknownQuotedSheet", "1+'No Sheet'!A1", 3, "unknown sheet 'No Sheet'"},
    {"HalfRange", "A1:", 4, "second cell of the range"},
    {"UnclosedString", "1&\"abc", 3, "not closed"},
    {"TooFewArguments", "ROUND(1)", 1, "ROUND takes 2 arguments, not 1"},
    {"NoArgumentForAbs", "ABS()", 1, "ABS takes 1 arguments, not 0"},
    {"TooManyForVLookup", "VLOOKUP(1,A1:B2,2,TRUE,1)", 1, "VLOOKUP takes 3 to 4 arguments, not 5"},
    {"TooManyArguments", "IF(1,2,3,4)", 1, "IF takes 2 to 3 arguments, not 4"},
    {"RowBeyondSheet", "A65537", 1, "outside the sheet"},
    {"ColumnBeyondSheet", "IW1", 1, "outside the sheet"},
    {"TwoOperands", "1 2", 3, "unexpected '2'"},
    {"UnknownName", "XYZ", 1, "unknown name 'XYZ'"},
    {"UnknownError", "#FOO", 1, "unknown error value"},
    {"StrayCharacter", "1+?", 3, "unexpected '?'"},
    {"LongString", "\"" + std::string(256, 'x') + "\"", 1, "255 characters"},
    {"DeepNesting", std::string(300, '(') + "1" + std::string(300, ')'), 129, "nested too deeply"},
};

INSTANTIATE_TEST_SUITE_P(Table, FormulaErrors, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
