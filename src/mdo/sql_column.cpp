#include "mdo/sql_column.h"

#include <algorithm>
#include <string>

#include "foundation/errors.h"
#include "mdo/value_format.h"

bool SetSqlLength(XSQLVAR& var, size_t bytes) {
    if (bytes > kMaxSqlLength) return false;
    var.sqllen = static_cast<ISC_SHORT>(static_cast<uint16_t>(bytes));
    return true;
}

std::string FitSqlLength(XSQLVAR& var) {
    const size_t length = SqlLength(var);
    if (length <= kMaxSqlLength) return std::string();
    const size_t nameLength = static_cast<size_t>(std::clamp<int>(var.aliasname_length, 0, 32));
    const std::string name(var.aliasname, nameLength);
    const int type = SqlBaseType(var.sqltype);
    if (type != SQL_TEXT && type != SQL_VARYING)
        RaiseUserFmt("Column %s is %zu bytes long; at most %zu bytes can be passed.", name.c_str(),
                     length, kMaxSqlLength);
    // VARCHAR's length prefix counts against the limit too.
    const size_t fitted = type == SQL_VARYING ? kMaxSqlLength - 2 : kMaxSqlLength;
    SetSqlLength(var, fitted);
    return Format("Column %s is %zu bytes long; only values of at most %zu bytes can be fetched.",
                  name.c_str(), length, fitted);
}

bool IsKnownSqlType(int type) {
    switch (type) {
        case SQL_D_FLOAT:
        case SQL_QUAD:
            return true;
        default: {
            XSQLVAR var{};
            var.sqltype = static_cast<ISC_SHORT>(type);
            return SqlBufferBytes(var).has_value();
        }
    }
}

std::optional<size_t> SqlBufferBytes(const XSQLVAR& var) {
    switch (SqlBaseType(var.sqltype)) {
        case SQL_VARYING:
            return SqlLength(var) + 2;
        case SQL_LONG:
            return 4;
        case SQL_BLOB:
        case SQL_ARRAY:
            return 8;
        case SQL_TEXT:
        case SQL_DOUBLE:
        case SQL_FLOAT:
        case SQL_SHORT:
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIME:
        case SQL_TYPE_DATE:
        case SQL_INT64:
        // Firebird 3's BOOLEAN: read as TRUE or FALSE and as 1 or 0.
        case SQL_BOOLEAN:
            return SqlLength(var);
        default:
            return std::nullopt;
    }
}
