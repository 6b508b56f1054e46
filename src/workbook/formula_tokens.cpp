#include "workbook/formula_tokens.h"

#include "workbook/byte_buffer.h"

namespace spreadsheet {

bool RemapFormulaTokens(std::vector<uint8_t>& tokens, const std::vector<int>& refToSheet) {
    size_t i = 0;
    const size_t n = tokens.size();
    auto need = [&](size_t bytes) { return i + bytes <= n; };
    while (i < n) {
        uint8_t ptg = tokens[i++];
        size_t size = 0;
        if (ptg >= 0x03 && ptg <= 0x16) {
            size = 0;              // operators, parenthesis, missing argument
        } else if (ptg == 0x17) {  // string
            if (!need(2)) return false;
            size = 2 + tokens[i] * ((tokens[i + 1] & 0x01) ? 2 : 1);
        } else if (ptg == 0x19) {  // attribute
            if (!need(3)) return false;
            size = 3;
            if (tokens[i] & 0x04) size += 2 * (GetU16(&tokens[i + 1]) + 1);  // choose jump table
        } else if (ptg == 0x1C || ptg == 0x1D) {
            size = 1;
        } else if (ptg == 0x1E) {
            size = 2;
        } else if (ptg == 0x1F) {
            size = 8;
        } else if (ptg >= 0x20 && ptg < 0x80) {
            switch (ptg & 0x1F) {
                case 0x01:  // function
                    size = 2;
                    break;
                case 0x02:  // function with an argument count
                    size = 3;
                    break;
                case 0x04:  // reference
                case 0x0A:  // deleted reference
                    size = 4;
                    break;
                case 0x05:  // area
                case 0x0B:  // deleted area
                    size = 8;
                    break;
                case 0x07:  // constant reference subexpressions without extra data
                case 0x08:
                    size = 6;
                    break;
                case 0x09:
                    size = 2;
                    break;
                case 0x1A:  // 3D reference
                case 0x1C:
                case 0x1B:  // 3D area
                case 0x1D: {
                    if (!need(2)) return false;
                    uint16_t ref = GetU16(&tokens[i]);
                    if (ref >= refToSheet.size() || refToSheet[ref] < 0) return false;
                    uint16_t sheet = static_cast<uint16_t>(refToSheet[ref]);
                    tokens[i] = static_cast<uint8_t>(sheet);
                    tokens[i + 1] = static_cast<uint8_t>(sheet >> 8);
                    size = (ptg & 0x1F) == 0x1A || (ptg & 0x1F) == 0x1C ? 6 : 10;
                    break;
                }
                default:  // names, constant arrays, relative references of shared formulas
                    return false;
            }
        } else {
            return false;  // shared or array formula, or an unknown token
        }
        if (!need(size)) return false;
        i += size;
    }
    return n > 0;
}

}  // namespace spreadsheet
