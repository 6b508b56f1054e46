#include "mdo/mdo_errors.h"

#include <vector>

#include "mdo/client_library.h"
#include "mdo/status_vector.h"

namespace {

// The SQL code the server reports when privileges are missing.
constexpr int32_t kNoPermissionSQLCode = -551;

}  // namespace

TStringList InterpretStatusVector(const ISC_STATUS* status, size_t bufferSize) {
    CheckClientLibraryLoaded();
    TStringList texts;
    std::vector<char> buffer(bufferSize + 1, '\0');
    const ISC_STATUS* cursor = status;
    for (;;) {
        buffer[0] = '\0';
        ISC_LONG length =
            ClientApi.fb_interpret != nullptr
                ? ClientApi.fb_interpret(buffer.data(), static_cast<unsigned int>(bufferSize),
                                         &cursor)
                // isc_interprete only advances the cursor; it never writes the vector.
                : ClientApi.isc_interprete(buffer.data(), const_cast<ISC_STATUS**>(&cursor));
        if (length <= 0) break;
        buffer[bufferSize] = '\0';
        texts.emplace_back(buffer.data());
    }
    return texts;
}

void RaiseDatabaseError() {
    RaiseDatabaseError(ThreadStatusVector());
}

void RaiseDatabaseError(const ISC_STATUS* status) {
    CheckClientLibraryLoaded();
    const auto errorCode = static_cast<int32_t>(status[1]);
    const auto sqlCode = static_cast<int32_t>(ClientApi.isc_sqlcode(status));
    std::string message;
    for (const std::string& text : InterpretStatusVector(status)) {
        if (!message.empty() && message.back() != '\n') message += "\r\n";
        message += text;
    }
    if (!message.empty() && message.back() == '.') message.pop_back();
    if (sqlCode == kNoPermissionSQLCode) {
        throw EMDOFirebirdPermissionError(message, errorCode, sqlCode);
    }
    throw EMDOFirebirdError(message, errorCode, sqlCode);
}
