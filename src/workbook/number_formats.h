#pragma once
// Number format texts and the built-in format numbers of the file format.

#include <cstdint>
#include <string>
#include <string_view>

namespace spreadsheet {

// The text of built-in format number id, or empty when the number is not a
// built-in one (or is General, 0).
std::string BuiltinNumberFormat(uint16_t id);
// The built-in number that displays the text the same everywhere, or -1. The
// locale-dependent built-ins (short dates, currencies) are never chosen, so a
// text such as "m/d/yy" is stored as written, not as the reader's locale.
int BuiltinNumberFormatId(std::string_view text);
// True when the format shows a number as a date or a time.
bool IsDateFormat(std::string_view text);
// The format's first section (for positive numbers): the text before the
// first ";" that is not inside quotes or escaped.
std::string_view FirstFormatSection(std::string_view text);

// The first number free for a workbook's own formats.
constexpr uint16_t kFirstCustomFormat = 164;

}  // namespace spreadsheet
