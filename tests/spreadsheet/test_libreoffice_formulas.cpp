// Formulas compiled by our writer, computed by LibreOffice: a workbook with a
// sample of the built-in functions (and whole columns and the intersection
// operator) is written, LibreOffice loads it, recalculates and saves the
// values as CSV, and each value must equal the one worked out by hand.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "foundation/temp_dir.h"
#include "workbook/workbook.h"
#include "workbook_test_support.h"

namespace {

struct FormulaValue {
    const char* Formula;
    // As LibreOffice's CSV shows it: a logical value in a General cell as
    // 1 or 0.
    const char* Value;
};

// The data: A1:A5 = 1..5, B1:B5 = 10..50, C1 "Hello World", C2 "  padded
// text ", F1:F3 empty. One formula per row in column E.
const FormulaValue kFormulas[] = {
    {"ROUND(PI(),5)", "3.14159"},
    {"INT(-2.5)", "-3"},
    {"MOD(17,5)", "2"},
    {"MID(C1,7,5)", "World"},
    {"DATE(2024,2,29)-DATE(2024,1,1)", "59"},
    {"VLOOKUP(3,A1:B5,2,FALSE)", "30"},
    {"COUNTIF(A1:A5,\">2\")", "3"},
    {"SUMPRODUCT(A1:A5,B1:B5)", "550"},
    {"SUMPRODUCT((A1:A5>2)*B1:B5)", "120"},
    {"ROUNDDOWN(3.789,1)", "3.7"},
    {"ISBLANK(F1)", "1"},
    {"SUM(A:A)", "15"},
    {"SUM(A1:B5 A2:A3)", "5"},
    {"INDEX(B1:B5,4)", "40"},
    {"MATCH(30,B1:B5,0)", "3"},
    {"AVERAGE(B1:B5)", "30"},
    {"SQRT(144)", "12"},
    {"POWER(2,10)", "1024"},
    {"UPPER(C1)", "HELLO WORLD"},
    {"LEN(C1)", "11"},
    {"TRIM(C2)", "padded text"},
    {"SUBSTITUTE(C1,\"World\",\"There\")", "Hello There"},
    {"REPT(\"ab\",3)", "ababab"},
    {"FIND(\"o\",C1)", "5"},
    {"YEAR(DATE(2024,3,15))", "2024"},
    {"WEEKDAY(DATE(2024,3,15))", "6"},
    {"IF(A3>2,\"big\",\"small\")", "big"},
    {"AND(A1=1,B1=10)", "1"},
    {"OR(A1=2,B1=20)", "0"},
    {"ROUND(STDEV(A1:A5),4)", "1.5811"},
    {"MEDIAN(B1:B5)", "30"},
    {"SUMIF(A1:A5,\">3\",B1:B5)", "90"},
    {"PRODUCT(A1:A4)", "24"},
    {"FACT(5)", "120"},
    {"ROUNDUP(2.1,0)", "3"},
    {"SIGN(-3)", "-1"},
    {"EXACT(\"a\",\"A\")", "0"},
    {"TEXT(1234.5,\"0.00\")", "1234.50"},
    {"CHOOSE(2,\"x\",\"y\",\"z\")", "y"},
    {"LOG10(1000)", "3"},
    {"ISERROR(1/0)", "1"},
    {"ROWS(A1:B5)*COLUMNS(A1:B5)", "10"},
    {"CODE(\"A\")&CHAR(66)", "65B"},
    {"LARGE(B1:B5,2)+SMALL(B1:B5,2)", "60"},
    {"HOUR(TIME(13,45,0))", "13"},
    {"COUNTBLANK(F1:F3)", "3"},
    {"ROUND(DEGREES(ATAN(1)),0)", "45"},
    {"TRUNC(-2.7)", "-2"},
};

// The fields of a CSV line, without their quotes.
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else
                quoted = !quoted;
        } else if (c == ',' && !quoted)
            fields.emplace_back();
        else if (c != '\r')
            fields.back() += c;
    }
    return fields;
}

TEST(LibreOfficeFormulas, ComputeTheHandWorkedValues) {
    if (!LibreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the formulas are not computed";
    TcTempDir dir;
    TcWorkbook book;
    TcSheet& sheet = book.Sheets()[0];
    for (int row = 0; row < 5; ++row) {
        sheet.WriteNumberCell(0, row, row + 1, 0);
        sheet.WriteNumberCell(1, row, (row + 1) * 10, 0);
    }
    sheet.WriteTextCell(2, 0, "Hello World", 0);
    sheet.WriteTextCell(2, 1, "  padded  text ", 0);
    int row = 0;
    for (const FormulaValue& f : kFormulas) sheet.WriteFormulaCellRaw(4, row++, f.Formula, " ", 0);
    book.Filename = dir.File("formulas.xls");
    book.WriteWorkbook();

    std::ifstream csv(ConvertWithLibreOffice(book.Filename, dir.Path(), "csv"));
    std::vector<std::string> values;
    for (std::string line; std::getline(csv, line);) {
        std::vector<std::string> fields = CsvFields(line);
        values.push_back(fields.size() > 4 ? fields[4] : "");
    }
    ASSERT_GE(values.size(), std::size(kFormulas));
    for (size_t i = 0; i < std::size(kFormulas); ++i)
        EXPECT_EQ(values[i], kFormulas[i].Value) << kFormulas[i].Formula;
}

}  // namespace
