#pragma once
// Whether a literal of a data script, bound as an input value, is read
// exactly as the server reads it in the statement's text. The server checks a
// literal as it parses it (its bytes against the connection's character set,
// its length against the longest literal of that set) and converts it by the
// literal's own type; a bound value skips the first and is converted by the
// client's choice of type. Where the two readings might differ the statement
// runs as written.

#include <cstdint>
#include <string_view>

#include "mdo/client_entry_points.h"
#include "scripter/insert_literals.h"

// Character sets of the attachment whose literals are read here; any other
// leaves text literals to the server.
enum class TConnectionCharset { Other, None, Utf8, Win1252 };

// The attachment's character set from its number in the catalogue.
TConnectionCharset ConnectionCharsetFromId(int64_t id);

// Whether `text` is well-formed UTF-8 as the server takes it: shortest
// forms, no surrogates, nothing beyond U+10FFFF.
bool IsWellFormedUtf8(std::string_view text);

// The longest text literal bound here, in bytes: within the server's
// character limit for a literal in any character set (4 bytes a character
// at most), so that the length never decides.
inline constexpr size_t kMaxBoundTextBytes = 16383;

// Whether `value`, bound to a parameter the server described with the type
// code `describedType`, is read as the literal would be.
bool ReadsAsLiteral(const TcInsertLiteral& value, short describedType, TConnectionCharset charset);

// Where a bound number lives while the statement runs.
union TcLiteralSlot {
    int64_t Exact;
    double Float;
};

// Describes `value` in `var` as the input value that stands for the literal:
// a number in the parser's type, text in the connection's character set,
// NULL as NULL. Text points into `value`, which must outlive the execute;
// false when the text is too long for a column length to say.
bool BindInsertLiteral(const TcInsertLiteral& value, XSQLVAR& var, TcLiteralSlot& slot,
                       short& indicator);
