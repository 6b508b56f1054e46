#pragma once
// The rules of one described column, result or parameter alike: which type
// codes exist, how many bytes its value takes in a buffer, and how its byte
// length is read and written. Every descriptor of the program (the scripter's
// result buffer, the access layer's areas, the fast INSERT path) asks here,
// so a new type or a changed size is one edit.
//
// `sqllen` sits in a signed 16-bit field but is an unsigned byte count: a
// VARCHAR result of two concatenated VARCHAR(20000) columns is described
// with 40,000, which reads as a negative number when taken as signed. The
// client library's own descriptor path takes the field as signed, though,
// and copies past any buffer for such a column: FitSqlLength narrows a
// longer text column before its buffers are made.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "mdo/client_entry_points.h"

// The longest column the client library's descriptor passes.
constexpr size_t kMaxSqlLength = INT16_MAX;

// The column's byte length, whatever the sign of the field.
inline size_t SqlLength(const XSQLVAR& var) {
    return static_cast<uint16_t>(var.sqllen);
}

// Stores a byte length; false, and the field unchanged, when it does not fit.
bool SetSqlLength(XSQLVAR& var, size_t bytes);

// Fits a described column to what the client library's descriptor passes.
// A longer CHAR or VARCHAR (the concatenation of two long columns, a long
// literal) is narrowed to the most that passes, so that the server converts
// each value: one that fits reads whole, a longer one fails with the server's
// truncation error. Answers the line that names such a column for that error,
// empty when nothing was narrowed; any other column that long is refused.
std::string FitSqlLength(XSQLVAR& var);

// Whether a type code (nullable bit masked) is one the client library knows.
bool IsKnownSqlType(int type);

// Bytes a value of the column takes in a data buffer: VARYING its length
// plus the 2-byte prefix, INTEGER 4, BLOB and ARRAY their 8-byte id, the
// other buffered types their length. None for a type the result buffers do
// not hold (D_FLOAT, QUAD, any unknown code).
std::optional<size_t> SqlBufferBytes(const XSQLVAR& var);
