#include "scripter/insert_reading.h"

#include "mdo/client_entry_points.h"
#include "mdo/sql_column.h"

namespace {

// The character set number that stands for the attachment's own: a string
// literal is in the connection's character set, and so is its value.
constexpr short kConnectionCharacterSet = 127;

// Numbers go only into numeric parameters: into text the server would turn
// the bound value into text of the parameter's length, where the literal is
// checked against the column as written.
bool IsNumericType(short type) {
    switch (type & ~1) {
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return true;
        default:
            return false;
    }
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

TConnectionCharset ConnectionCharsetFromId(int64_t id) {
    switch (id) {
        case 0:
            return TConnectionCharset::None;
        case 4:
            return TConnectionCharset::Utf8;
        case 53:
            return TConnectionCharset::Win1252;
        default:
            return TConnectionCharset::Other;
    }
}

bool IsWellFormedUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        size_t length = 0;
        uint32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (static_cast<size_t>(end - p) < length) return false;
        for (size_t i = 1; i < length; ++i) {
            if (!IsContinuation(p[i])) return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        p += length;
    }
    return true;
}

bool ReadsAsLiteral(const TcInsertLiteral& value, short describedType, TConnectionCharset charset) {
    switch (value.Kind) {
        case TcInsertLiteral::TKind::Null:
            return true;
        case TcInsertLiteral::TKind::Exact:
        case TcInsertLiteral::TKind::Float:
            return IsNumericType(describedType);
        case TcInsertLiteral::TKind::Text:
            if (value.Text.size() > kMaxBoundTextBytes) return false;
            switch (charset) {
                case TConnectionCharset::None:
                case TConnectionCharset::Win1252:
                    return true;
                case TConnectionCharset::Utf8:
                    return IsWellFormedUtf8(value.Text);
                case TConnectionCharset::Other:
                    return false;
            }
    }
    return false;
}

bool BindInsertLiteral(const TcInsertLiteral& value, XSQLVAR& var, TcLiteralSlot& slot,
                       short& indicator) {
    var.sqlscale = 0;
    var.sqlsubtype = 0;
    var.sqlind = &indicator;
    indicator = 0;
    switch (value.Kind) {
        case TcInsertLiteral::TKind::Exact:
            slot.Exact = value.Exact;
            var.sqltype = SQL_INT64 + 1;
            var.sqlscale = value.Scale;
            var.sqllen = sizeof(int64_t);
            var.sqldata = reinterpret_cast<char*>(&slot.Exact);
            return true;
        case TcInsertLiteral::TKind::Float:
            slot.Float = value.Float;
            var.sqltype = SQL_DOUBLE + 1;
            var.sqllen = sizeof(double);
            var.sqldata = reinterpret_cast<char*>(&slot.Float);
            return true;
        case TcInsertLiteral::TKind::Text:
            var.sqltype = SQL_TEXT + 1;
            var.sqlsubtype = kConnectionCharacterSet;
            // A literal longer than a column length can say is left to the
            // ordinary road and the server's own words.
            if (!SetSqlLength(var, value.Text.size())) return false;
            var.sqldata = const_cast<char*>(value.Text.data());
            return true;
        case TcInsertLiteral::TKind::Null:
            var.sqltype = SQL_TEXT + 1;
            var.sqllen = 0;
            var.sqldata = reinterpret_cast<char*>(&slot.Exact);
            indicator = -1;
            return true;
    }
    return false;
}
