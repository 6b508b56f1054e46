#pragma once
// The access layer's exceptions and the helpers that raise them. A failed isc
// call becomes EMDOFirebirdError (or the permission variant); an error the
// layer detects itself becomes EMDOClientError with a number from the client
// message table.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

#include "foundation/errors.h"
#include "foundation/string_utils.h"
#include "mdo/client_entry_points.h"

class EMDOError : public Exception {
  public:
    EMDOError(const std::string& message, int32_t errorCode, int32_t sqlCode)
        : Exception(message), ErrorCode(errorCode), SQLCode(sqlCode) {}
    // First error code of the status vector; 0 for client errors.
    int32_t ErrorCode;
    // The server's SQL code, or the client error number.
    int32_t SQLCode;
};
class EMDOFirebirdError : public EMDOError {
  public:
    using EMDOError::EMDOError;
};
// The server refused for lack of privileges (SQL code -551).
class EMDOFirebirdPermissionError : public EMDOError {
  public:
    using EMDOError::EMDOError;
};
class EMDOClientError : public EMDOError {
  public:
    using EMDOError::EMDOError;
};

// Number of entries of the client message table (0 to 116).
inline constexpr int kClientMessageCount = 117;
// The unformatted text of client message `number`; empty outside the table.
const char* ClientMessageText(int number);

// One argument of a client message: a number for %d and %x, a text for %s.
using TMDOMessageArg = std::variant<long long, std::string>;
// Client message `number` with its printf-like placeholders (%s, %d, %x, with
// flags, width and precision) filled from `args` in order. A missing argument
// renders as 0 or an empty text; an argument of the wrong kind is converted.
std::string FormatClientMessage(int number, std::initializer_list<TMDOMessageArg> args = {});

[[noreturn]] void RaiseClientErrorArgs(int number, std::initializer_list<TMDOMessageArg> args);
// RaiseClientError(46, name): EMDOClientError with the formatted message,
// `SQLCode` = number and `ErrorCode` = 0.
template <typename... A>
[[noreturn]] void RaiseClientError(int number, const A&... args) {
    RaiseClientErrorArgs(number, {TMDOMessageArg(args)...});
}

// The texts of a status vector's error clusters, one per interpreter call, as
// the loaded client renders them (fb_interpret when exported, bounded by
// `bufferSize`, else isc_interprete).
TStringList InterpretStatusVector(const ISC_STATUS* status, size_t bufferSize = 20480);

// Raises the server error held in the calling thread's status vector: the
// texts joined by CR LF (no break after a text that ends in a line feed),
// without a final full stop; EMDOFirebirdPermissionError for SQL code -551.
// Call it on the thread that made the failing call, before its next isc call.
[[noreturn]] void RaiseDatabaseError();
// The same for a status vector of the caller's own.
[[noreturn]] void RaiseDatabaseError(const ISC_STATUS* status);
