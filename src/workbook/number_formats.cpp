#include "workbook/number_formats.h"

#include <cctype>

namespace spreadsheet {

namespace {

struct TcBuiltin {
    uint16_t Id;
    const char* Text;
    bool SameEverywhere;  // false: the display depends on the reader's locale
};

constexpr TcBuiltin kBuiltins[] = {
    {1, "0", true},
    {2, "0.00", true},
    {3, "#,##0", true},
    {4, "#,##0.00", true},
    {9, "0%", true},
    {10, "0.00%", true},
    {11, "0.00E+00", true},
    {12, "# ?/?", true},
    {13, "# ?\?/??", true},  // "?\?" keeps the text clear of a trigraph
    {14, "m/d/yy", false},
    {15, "d-mmm-yy", false},
    {16, "d-mmm", false},
    {17, "mmm-yy", false},
    {18, "h:mm AM/PM", true},
    {19, "h:mm:ss AM/PM", true},
    {20, "h:mm", true},
    {21, "h:mm:ss", true},
    {22, "m/d/yy h:mm", false},
    {37, "#,##0 ;(#,##0)", true},
    {38, "#,##0 ;[Red](#,##0)", true},
    {39, "#,##0.00;(#,##0.00)", true},
    {40, "#,##0.00;[Red](#,##0.00)", true},
    {45, "mm:ss", true},
    {46, "[h]:mm:ss", true},
    {47, "mm:ss.0", true},
    {48, "##0.0E+0", true},
    {49, "@", true},
};

}  // namespace

std::string BuiltinNumberFormat(uint16_t id) {
    for (const auto& b : kBuiltins)
        if (b.Id == id) return b.Text;
    return {};
}

int BuiltinNumberFormatId(std::string_view text) {
    if (text.empty() || text == "General") return 0;
    for (const auto& b : kBuiltins)
        if (b.SameEverywhere && text == b.Text) return b.Id;
    return -1;
}

std::string_view FirstFormatSection(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ';') return text.substr(0, i);
        if (text[i] == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') ++i;
        } else if (text[i] == '\\') {
            ++i;
        }
    }
    return text;
}

bool IsDateFormat(std::string_view text) {
    // Only the first section (positive numbers) decides.
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ';') return false;
        if (c == '"') {  // literal text
            ++i;
            while (i < text.size() && text[i] != '"') ++i;
        } else if (c == '\\' || c == '_' || c == '*') {  // escaped or padding character
            ++i;
        } else if (c == '[') {  // colour or condition; [h], [mm], [ss] are elapsed time
            size_t end = text.find(']', i);
            if (end == std::string_view::npos) return false;
            std::string_view inner = text.substr(i + 1, end - i - 1);
            if (!inner.empty() &&
                (inner[0] == 'h' || inner[0] == 'H' || inner[0] == 'm' || inner[0] == 'M' ||
                 inner[0] == 's' || inner[0] == 'S') &&
                inner.find_first_not_of(inner[0]) == std::string_view::npos)
                return true;
            i = end;
        } else {
            switch (std::tolower(static_cast<unsigned char>(c))) {
                case 'd':
                case 'm':
                case 'y':
                case 'h':
                case 's':
                    return true;
                default:
                    break;
            }
        }
    }
    return false;
}

}  // namespace spreadsheet
