// The client message table and its formatter. The numbering is fixed: entries
// for facilities this program does not have keep their place so that every
// number means the same as in other clients of the layer.

#include <array>
#include <cstdio>

#include "mdo/mdo_errors.h"

namespace {

constexpr std::array<const char*, kClientMessageCount> kClientMessages = {
    /* 0 */ "Unknown error",
    /* 1 */
    "Firebird Client library not found in the path. Please install Firebird to use this "
    "functionality",
    /* 2 */
    "Firebird Install DLL ibinstall.dll not found in the path. Please install Firebird 6 to use "
    "this functionality",
    /* 3 */
    "%s is an InterBase 6 function. Please upgrade to InterBase 6 to use this functonality",
    /* 4 */ "Unsupported feature",
    /* 5 */ "Not permitted",
    /* 6 */ "Temporary file access error",
    /* 7 */ "Database connection timed out",
    /* 8 */ "Cannot set database",
    /* 9 */ "Cannot set transaction",
    /* 10 */ "Operation cancelled at user's request",
    /* 11 */ "DPB Constant (isc_dpb_%s) is unsupported",
    /* 12 */ "DPB Constant (%d) is unknown",
    /* 13 */ "TPB Constant (isc_tpb_%s) is unsupported",
    /* 14 */ "TPB Constant (%d) is unknown",
    /* 15 */ "Cannot perform operation -- DB is not open",
    /* 16 */ "Cannot perform operation -- DB is currently open",
    /* 17 */ "Database name is missing",
    /* 18 */ "Transaction is not active",
    /* 19 */ "Transaction is active",
    /* 20 */ "Timeout values cannot be negative",
    /* 21 */ "No databases are listed in transaction component",
    /* 22 */ "Updating wrong database",
    /* 23 */ "Updating wrong transaction. Unique transaction expected in set",
    /* 24 */ "Database not assigned",
    /* 25 */ "Transaction not assigned",
    /* 26 */ "XSQLDA index out of range",
    /* 27 */ "XSQLDA name does not exist (%s)",
    /* 28 */ "End of file",
    /* 29 */ "Beginning of file",
    /* 30 */ "Invalid statement handle",
    /* 31 */ "MDOSQL Open",
    /* 32 */ "MDOSQL Closed",
    /* 33 */ "Dataset open",
    /* 34 */ "Dataset closed",
    /* 35 */ "Unknown SQL Data type (%d)",
    /* 36 */ "Invalid column index (index exceeds permitted range)",
    /* 37 */ "Invalid parameter index (index exceeds permitted range)",
    /* 38 */ "Invalid data conversion",
    /* 39 */ "Column cannot be set to null (%s)",
    /* 40 */ "Blob stream cannot be read",
    /* 41 */ "Blob stream cannot be written",
    /* 42 */ "Empty query",
    /* 43 */ "Cannot \"open\" a non-select statement. Use ExecQuery",
    /* 44 */ "No access to field \"%s\"",
    /* 45 */ "Field \"%s\" is read-only",
    /* 46 */ "Field \"%s\" not found",
    /* 47 */ "Not in edit mode",
    /* 48 */ "Cannot insert into dataset. (No insert query)",
    /* 49 */ "Cannot post. (No update/insert query)",
    /* 50 */ "Cannot update. (No update query)",
    /* 51 */ "Cannot delete from dataset. (No delete query)",
    /* 52 */ "Cannot refresh row. (No refresh query)",
    /* 53 */ "Buffer not set",
    /* 54 */ "Circular references not permitted",
    /* 55 */ "SQL Parse Error:\r\n\r\n%s",
    /* 56 */ "User abort",
    /* 57 */ "Data set is uni-directional",
    /* 58 */ "Cannot create shared resource. (Windows error %d)",
    /* 59 */ "Windows API error. (Windows error %d [$%.8x])",
    /* 60 */ "Column lists do not match",
    /* 61 */ "Column types don't match. (From index: %d; To index: %d)",
    /* 62 */
    "Can't end a shared transaction unless it is forced and equal to the transaction's "
    "TimeoutAction",
    /* 63 */ "Unsupported Field Type",
    /* 64 */ "Circular DataLink Reference",
    /* 65 */ "Empty SQL Statement",
    /* 66 */ "Use Open for a Select Statement",
    /* 67 */ "Required Param value not set",
    /* 68 */ "No Stored Procedure Name assigned",
    /* 69 */ "use ExecProc for Procedure; use TQuery for Select procedures",
    /* 70 */ "Update Failed",
    /* 71 */ "CachedUpdates not enabled",
    /* 72 */ "Request is not live - cannot modify",
    /* 73 */ "No Provider",
    /* 74 */ "No Records Affected",
    /* 75 */ "No Table Name assigned",
    /* 76 */ "Cannot Create Primary Index; are created automatically",
    /* 77 */ "Cannot Drop System Index",
    /* 78 */ "Table Name Mismatch",
    /* 79 */ "Index Field Missing",
    /* 80 */ "Cannot Cancel events while processing",
    /* 81 */ "Invalid Event",
    /* 82 */ "Exceded Maximum Event limits",
    /* 83 */ "No Events Registered",
    /* 84 */ "Invalid Queueing",
    /* 85 */ "Invalid Registration",
    /* 86 */ "Invalid Batch Move",
    /* 87 */ "SQL Dialect Invalid",
    /* 88 */ "SPB Constant Not supported",
    /* 89 */ "SPB Constant Unknown",
    /* 90 */ "Cannot perform operation -- service is not attached",
    /* 91 */ "Cannot perform operation -- service is attached",
    /* 92 */ "Server Name Missing",
    /* 93 */ "Query Parameters missing or incorrect",
    /* 94 */ "Start Parameters missing or incorrect",
    /* 95 */ "Unexpected Output buffer value",
    /* 96 */
    "Generic ServiceStart not applicable: Use Specific Procedures to set configuration params",
    /* 97 */ "SQL Monitor Instance is already present",
    /* 98 */ "Cannot print value",
    /* 99 */ "SEOFReached",
    /* 100 */ "EOF in comment detected",
    /* 101 */ "EOF in string detected",
    /* 102 */ "Parameter name expected",
    /* 103 */ "Successful execution",
    // A wrapper for foreign exceptions; this layer never raises it.
    /* 104 */ "%s",
    /* 105 */ "No Install Options selected",
    /* 106 */ "DestinationDirectory is not set",
    /* 107 */ "SourceDirectory is not set",
    /* 108 */ "Uninstall File Name is not set",
    /* 109 */ "%s component requires Client to function properly",
    /* 110 */ "%s component requires Server to function properly",
    /* 111 */ "Invalid option specified",
    /* 112 */ "Unexpected onError return value",
    /* 113 */ "Unexpected onStatus return value",
    /* 114 */ "DPB Constant (%s) is unknown",
    /* 115 */ "TPB Constant (%s) is unknown",
    /* 116 */ "Generator %s is not defined",
};

std::string TextOf(const TMDOMessageArg* arg) {
    if (arg == nullptr) return std::string();
    if (const auto* text = std::get_if<std::string>(arg)) return *text;
    return std::to_string(std::get<long long>(*arg));
}

long long NumberOf(const TMDOMessageArg* arg) {
    if (arg == nullptr) return 0;
    if (const auto* number = std::get_if<long long>(arg)) return *number;
    int value = 0;
    return TryStrToInt(std::get<std::string>(*arg), value) ? value : 0;
}

// Renders one placeholder; `spec` holds its flags, width and precision, which
// snprintf applies with the argument's real type.
std::string RenderPlaceholder(const std::string& spec, char conversion, const TMDOMessageArg* arg) {
    std::string format = "%" + spec;
    char buffer[512];
    int size = 0;
    if (conversion == 's') {
        const std::string text = TextOf(arg);
        format += 's';
        if (spec.empty()) return text;
        size = std::snprintf(buffer, sizeof buffer, format.c_str(), text.c_str());
    } else if (conversion == 'x' || conversion == 'X') {
        // %x shows the 32-bit pattern of the value, negative numbers included.
        format += conversion;
        size = std::snprintf(buffer, sizeof buffer, format.c_str(),
                             static_cast<unsigned int>(NumberOf(arg)));
    } else {
        format += "lld";
        size = std::snprintf(buffer, sizeof buffer, format.c_str(), NumberOf(arg));
    }
    if (size < 0) return std::string();
    return std::string(buffer, std::min(static_cast<size_t>(size), sizeof buffer - 1));
}

}  // namespace

const char* ClientMessageText(int number) {
    if (number < 0 || number >= kClientMessageCount) return "";
    return kClientMessages[static_cast<size_t>(number)];
}

std::string FormatClientMessage(int number, std::initializer_list<TMDOMessageArg> args) {
    const std::string_view text = ClientMessageText(number);
    std::string result;
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() &&
               std::string_view("-+ #0123456789.").find(text[end]) != std::string_view::npos) {
            ++end;
        }
        if (end >= text.size()) {  // a lone % at the end stays as written
            result += text.substr(i);
            break;
        }
        const char conversion = text[end];
        if (conversion == '%') {
            result += '%';
        } else if (std::string_view("sdixXu").find(conversion) != std::string_view::npos) {
            const TMDOMessageArg* arg = next != args.end() ? next++ : nullptr;
            result +=
                RenderPlaceholder(std::string(text.substr(i + 1, end - i - 1)), conversion, arg);
        } else {
            result += text.substr(i, end - i + 1);
        }
        i = end;
    }
    return result;
}

void RaiseClientErrorArgs(int number, std::initializer_list<TMDOMessageArg> args) {
    throw EMDOClientError(FormatClientMessage(number, args), 0, number);
}
