#pragma once
// Walking formula token bytes read from a file.

#include <cstdint>
#include <vector>

namespace spreadsheet {

// Makes the tokens fit the writer's link table, where REF index i is sheet i:
// each 3D reference's REF index is replaced by refToSheet[index]. False when
// the tokens hold something that cannot be written back on its own: a shared
// or array formula, a name, a constant array, a link to another file, or an
// unknown or truncated token.
bool RemapFormulaTokens(std::vector<uint8_t>& tokens, const std::vector<int>& refToSheet);

}  // namespace spreadsheet
