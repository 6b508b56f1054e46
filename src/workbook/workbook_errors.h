#pragma once
// Errors of the workbook library. Every failure of reading, writing or
// formula compilation is one of these, with a message fit to show the user.

#include <string>

#include "foundation/errors.h"

class EWorkbookError : public Exception {
  public:
    using Exception::Exception;
};

// A formula text that cannot be compiled; the message names the formula and
// the place where compilation stopped.
class EFormulaError : public EWorkbookError {
  public:
    using EWorkbookError::EWorkbookError;
};

namespace spreadsheet {
// "Not a valid Excel 97 workbook: <detail>."
[[noreturn]] void RaiseBadFile(const std::string& detail);
}  // namespace spreadsheet
