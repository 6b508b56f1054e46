// TMDOXSQLVAR: the setters. Each applies to every variable of the area with
// the same name, so a parameter that occurs twice is set once.

#include <cmath>
#include <cstring>
#include <limits>

#include "mdo/mdo_blob_stream.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_xsqlda.h"
#include "mdo/value_format.h"

namespace {

[[noreturn]] void RaiseConversion() {
    RaiseClientError(38);
}

std::string_view ColumnName(const XSQLVAR& var) {
    return std::string_view(var.sqlname,
                            static_cast<size_t>(std::clamp<int>(var.sqlname_length, 0, 32)));
}

bool IsDatabaseKey(const XSQLVAR& var) {
    const std::string_view name = ColumnName(var);
    return name == "DB_KEY" || name == "RDB$DB_KEY";
}

// A serial as calendar fields to the second; error 38 outside the server's
// years 1 to 9999.
TDateTimeFields SerialFields(double serial) {
    if (!std::isfinite(serial)) RaiseConversion();
    TDateTimeFields fields = SerialToDateTime(serial);
    fields.Fraction = 0;
    if (!IsValidDate(fields.Year, fields.Month, fields.Day)) RaiseConversion();
    return fields;
}

}  // namespace

template <class F>
void TMDOXSQLVAR::ForEachSameNamed(F change) {
    auto apply = [&](TMDOXSQLVAR& var) {
        if (var.IsNullable()) var.indicator_ = 0;
        change(var);
        var.Modified = true;
    };
    if (name_.empty()) {
        apply(*this);
        return;
    }
    for (int i = 0; i < area_.Count(); ++i) {
        TMDOXSQLVAR& var = area_.Vars(i);
        if (var.name_ == name_) apply(var);
    }
}

void TMDOXSQLVAR::Store(int type, int scale, bool keepScale, const void* value, size_t size) {
    if (size > kMaxSqlLength) RaiseConversion();
    ForEachSameNamed([&](TMDOXSQLVAR& var) {
        var.var_->sqltype = static_cast<ISC_SHORT>(type | (var.var_->sqltype & 1));
        if (!keepScale) var.var_->sqlscale = static_cast<ISC_SHORT>(scale);
        SetSqlLength(*var.var_, size);
        var.ResizeData(size);
        std::memcpy(var.data_, value, size);
    });
}

void TMDOXSQLVAR::SetAsShort(int16_t value) {
    Store(SQL_SHORT, 0, false, &value, sizeof value);
}

void TMDOXSQLVAR::SetAsInteger(int32_t value) {
    Store(SQL_LONG, 0, false, &value, sizeof value);
}

void TMDOXSQLVAR::SetAsInt64(int64_t value) {
    Store(SQL_INT64, 0, false, &value, sizeof value);
}

void TMDOXSQLVAR::SetAsDouble(double value) {
    Store(SQL_DOUBLE, 0, false, &value, sizeof value);
}

void TMDOXSQLVAR::SetAsCurrency(int64_t tenThousandths) {
    if (Dialect() < 3) {
        SetAsDouble(ScaledToDouble(tenThousandths, -4));
        return;
    }
    Store(SQL_INT64, -4, false, &tenThousandths, sizeof tenThousandths);
}

void TMDOXSQLVAR::StoreDateTime(int type, double value) {
    const TDateTimeFields fields = SerialFields(value);
    switch (type) {
        case SQL_TYPE_DATE: {
            const ISC_DATE date = EncodeSqlDate(fields);
            Store(SQL_TYPE_DATE, 0, true, &date, sizeof date);
            break;
        }
        case SQL_TYPE_TIME: {
            const ISC_TIME time = EncodeSqlTime(fields);
            Store(SQL_TYPE_TIME, 0, true, &time, sizeof time);
            break;
        }
        default: {
            const ISC_TIMESTAMP stamp = EncodeTimestamp(fields);
            Store(SQL_TIMESTAMP, 0, true, &stamp, sizeof stamp);
            break;
        }
    }
}

void TMDOXSQLVAR::SetAsDateTime(double value) {
    StoreDateTime(SQL_TIMESTAMP, value);
}

void TMDOXSQLVAR::SetAsDate(double value) {
    StoreDateTime(Dialect() < 3 ? SQL_TIMESTAMP : SQL_TYPE_DATE, value);
}

void TMDOXSQLVAR::SetAsTime(double value) {
    StoreDateTime(Dialect() < 3 ? SQL_TIMESTAMP : SQL_TYPE_TIME, value);
}

void TMDOXSQLVAR::SetAsQuad(const ISC_QUAD& value) {
    const int type = SQLType();
    if (type != SQL_BLOB && type != SQL_ARRAY) RaiseConversion();
    Store(type, 0, true, &value, sizeof value);
}

void TMDOXSQLVAR::SetAsPointer(const void* value) {
    if (value == nullptr && IsNullable()) {
        SetIsNull(true);
        return;
    }
    if (value == nullptr) RaiseConversion();
    const size_t size = SqlLength(*var_);
    // The source may be this variable's own buffer, which Store rewrites.
    const std::string copy(static_cast<const char*>(value), size);
    Store(SQL_TEXT, 0, true, copy.data(), size);
}

void TMDOXSQLVAR::StoreText(std::string_view value) {
    if (value.size() > kMaxSqlLength) RaiseConversion();
    ForEachSameNamed([&](TMDOXSQLVAR& var) {
        if (IsDatabaseKey(*var.var_)) {
            // A database key is passed as its raw bytes, in its own buffer;
            // a shorter text leaves the rest zero.
            const size_t size = SqlLength(*var.var_);
            const size_t copied = std::min(size, value.size());
            std::memset(var.data_, 0, size);
            std::memcpy(var.data_, value.data(), copied);
            return;
        }
        var.var_->sqltype = static_cast<ISC_SHORT>(SQL_TEXT | (var.var_->sqltype & 1));
        SetSqlLength(*var.var_, value.size());
        var.ResizeData(value.size() + 1);
        std::memcpy(var.data_, value.data(), value.size());
    });
}

void TMDOXSQLVAR::SetAsString(std::string_view value) {
    const int type = SQLType();
    if (type == SQL_TEXT || type == SQL_VARYING) {
        StoreText(value);
        return;
    }
    if (type == SQL_BLOB) {
        TMDOReadOnlyStream source(value);
        LoadFromStream(source);
        return;
    }
    if (value.empty()) {
        SetIsNull(true);
        return;
    }
    if (IsSqlDateTimeType(type)) {
        TDateTimeFields fields;
        if (!ParseDateTime(value, fields)) RaiseConversion();
        SetAsDateTime(DateTimeToSerial(fields));
        return;
    }
    // The server converts the text to the parameter's type.
    StoreText(value);
}

void TMDOXSQLVAR::SetAsVariant(const TMDOVariant& value) {
    using K = TMDOVariantKind;
    switch (value.Kind) {
        case K::Empty:
        case K::Null:
            SetIsNull(true);
            break;
        case K::Small:
        case K::Integer:
        case K::Byte:
            SetAsInteger(static_cast<int32_t>(value.Integer));
            break;
        case K::Boolean:
            SetAsInteger(value.Integer != 0 ? 1 : 0);
            break;
        case K::Single:
        case K::Double:
            SetAsDouble(value.Real);
            break;
        case K::Currency:
            SetAsCurrency(value.Currency);
            break;
        case K::Date:
            SetAsDateTime(value.Real);
            break;
        case K::String:
            SetAsString(value.Text);
            break;
        case K::Dispatch:
        case K::Error:
        case K::Variant:
        case K::Unknown:
        case K::ByRef:
            RaiseClientError(5);
        case K::Array:
            RaiseClientError(4);
        case K::Other:
            break;
    }
}

void TMDOXSQLVAR::LoadFromStream(TMDOStream& source) {
    if (SQL() == nullptr) RaiseClientError(24);
    TMDOBlobStream blob;
    blob.SetDatabase(SQL()->Database());
    blob.SetTransaction(SQL()->Transaction());
    blob.SetMode(bmWrite);
    source.Seek(0, soFromBeginning);
    blob.LoadFromStream(source);
    blob.Flush();
    SetAsQuad(blob.BlobID());
}

void TMDOXSQLVAR::SetIsNull(bool value) {
    if (value) {
        if (!IsNullable()) SetIsNullable(true);
        for (int i = 0; i < (name_.empty() ? 1 : area_.Count()); ++i) {
            TMDOXSQLVAR& var = name_.empty() ? *this : area_.Vars(i);
            if (&var != this && var.name_ != name_) continue;
            if (!var.IsNullable()) var.SetNullable(true);
            var.indicator_ = -1;
            var.Modified = true;
        }
        return;
    }
    if (!IsNullable()) {
        Modified = true;
        return;
    }
    for (int i = 0; i < (name_.empty() ? 1 : area_.Count()); ++i) {
        TMDOXSQLVAR& var = name_.empty() ? *this : area_.Vars(i);
        if (&var != this && var.name_ != name_) continue;
        if (var.IsNullable()) var.indicator_ = 0;
        var.Modified = true;
    }
}

void TMDOXSQLVAR::SetIsNullable(bool value) {
    for (int i = 0; i < (name_.empty() ? 1 : area_.Count()); ++i) {
        TMDOXSQLVAR& var = name_.empty() ? *this : area_.Vars(i);
        if (&var != this && var.name_ != name_) continue;
        if (var.IsNullable() != value) var.SetNullable(value);
    }
}
