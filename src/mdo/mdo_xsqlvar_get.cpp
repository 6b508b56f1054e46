// TMDOXSQLVAR: construction, buffers and the getters.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "mdo/buffers.h"
#include "mdo/mdo_blob_stream.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_xsqlda.h"
#include "mdo/value_format.h"

namespace {

[[noreturn]] void RaiseConversion() {
    RaiseClientError(38);
}

bool IsScaledIntegerType(int type) {
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

bool IsFloatType(int type) {
    return type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_D_FLOAT;
}

bool IsTextType(int type) {
    return type == SQL_TEXT || type == SQL_VARYING;
}

// A whole number that must fit `T`, else error 38.
template <typename T>
T Narrow(int64_t value) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        RaiseConversion();
    return static_cast<T>(value);
}

// A double truncated toward zero, else error 38 outside 64 bits.
int64_t Truncate(double value) {
    if (!std::isfinite(value) || value >= 9223372036854775808.0 || value < -9223372036854775808.0)
        RaiseConversion();
    return static_cast<int64_t>(std::trunc(value));
}

// value * 10^shift in exact integer arithmetic, truncating toward zero for a
// negative shift (one digit at a time: truncations compose); error 38 on
// overflow.
int64_t Shift(int64_t value, int shift) {
    for (; shift < 0 && value != 0; ++shift) value /= 10;
    for (; shift > 0; --shift)
        if (__builtin_mul_overflow(value, int64_t{10}, &value)) RaiseConversion();
    return value;
}

double WholeSeconds(const TDateTimeFields& value) {
    TDateTimeFields whole = value;
    whole.Fraction = 0;
    return DateTimeToSerial(whole);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and buffers

TMDOXSQLVAR::TMDOXSQLVAR(TMDOXSQLDA& area, int index) : area_(area), index_(index) {}

TMDOXSQLVAR::~TMDOXSQLVAR() {
    FreeBuffer(data_);
}

TMDOSQL* TMDOXSQLVAR::SQL() const {
    return area_.SQL();
}

int TMDOXSQLVAR::Dialect() const {
    return area_.Dialect();
}

void TMDOXSQLVAR::Attach(XSQLVAR* var) {
    var_ = var;
    var_->sqldata = data_;
    var_->sqlind = (var_->sqltype & 1) != 0 ? &indicator_ : nullptr;
}

void TMDOXSQLVAR::ResizeData(size_t size) {
    if (size > dataCapacity_) {
        AllocBuffer(data_, dataCapacity_, size);
        dataCapacity_ = size;
    }
    std::memset(data_, 0, size);
    var_->sqldata = data_;
}

void TMDOXSQLVAR::SetNullable(bool nullable) {
    if (nullable) {
        var_->sqltype = static_cast<ISC_SHORT>(var_->sqltype | 1);
        indicator_ = 0;
        var_->sqlind = &indicator_;
    } else {
        var_->sqltype = static_cast<ISC_SHORT>(var_->sqltype & ~1);
        var_->sqlind = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Getters

bool TMDOXSQLVAR::IsNull() const {
    return IsNullable() && var_->sqlind != nullptr && *var_->sqlind == -1;
}

std::string_view TMDOXSQLVAR::TextView(char* scratch) const {
    const int type = SQLType();
    const int length = static_cast<int>(SqlLength(*var_));
    const char* data = var_->sqldata;
    const TcLocaleSettings& locale = TcLocaleSettings::Current();
    const char separator = locale.DecimalSeparator;
    auto picture = [&](std::string_view format, const TDateTimeFields& value, size_t at) {
        return FormatDatePicture(format, value, locale.TimeSeparator, scratch + at,
                                 kValueTextCapacity - at);
    };
    switch (type) {
        case SQL_TEXT: {
            size_t size = static_cast<size_t>(length);
            while (size > 0 && static_cast<unsigned char>(data[size - 1]) <= ' ') --size;
            return std::string_view(data, size);
        }
        case SQL_VARYING: {
            const int size = std::clamp<int>(ReadSqlData<uint16_t>(data), 0, length);
            return std::string_view(data + 2, static_cast<size_t>(size));
        }
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64: {
            const int64_t value = type == SQL_SHORT  ? ReadSqlData<int16_t>(data)
                                  : type == SQL_LONG ? ReadSqlData<int32_t>(data)
                                                     : ReadSqlData<int64_t>(data);
            const int scale = SQLScale();
            if (scale >= 0) {
                const int64_t whole = Shift(value, scale);
                return std::string_view(
                    scratch,
                    static_cast<size_t>(
                        std::to_chars(scratch, scratch + kValueTextCapacity, whole).ptr - scratch));
            }
            if (scale < -4) {
                return std::string_view(scratch, FormatGeneral(ScaledToDouble(value, scale), 15, 0,
                                                               separator, scratch));
            }
            // At most four decimals, exact, without trailing zeros.
            size_t size = FormatScaled(value, -scale, 19, separator, scratch, kValueTextCapacity);
            while (size > 0 && scratch[size - 1] == '0') --size;
            if (size > 0 && scratch[size - 1] == separator) --size;
            return std::string_view(scratch, size);
        }
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return std::string_view(scratch, FormatGeneral(AsDouble(), 15, 0, separator, scratch));
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE: {
            TDateTimeFields value;
            if (!ReadSqlDateTime(type, length, data, value)) RaiseConversion();
            if (type == SQL_TYPE_DATE && Dialect() == 2) return {};
            size_t size = picture(locale.ShortDateFormat, value, 0);
            const bool midnight =
                value.Hour == 0 && value.Minute == 0 && value.Second == 0 && value.Fraction == 0;
            if (type == SQL_TIMESTAMP && !midnight) {
                scratch[size++] = ' ';
                size += picture(locale.LongTimeFormat, value, size);
            }
            return std::string_view(scratch, size);
        }
        case SQL_TYPE_TIME: {
            TDateTimeFields value;
            if (!ReadSqlDateTime(type, length, data, value)) RaiseConversion();
            return std::string_view(scratch, picture(locale.LongTimeFormat, value, 0));
        }
        case SQL_BOOLEAN:
            return BooleanText(data[0] != 0);
        case SQL_ARRAY:
            return "(Array)";
        default:
            RaiseConversion();
    }
}

std::string TMDOXSQLVAR::AsString() const {
    if (IsNull()) return {};
    if (SQLType() == SQL_BLOB) return BlobText();
    char scratch[kValueTextCapacity];
    return std::string(TextView(scratch));
}

std::string TMDOXSQLVAR::BlobText() const {
    TMDOStringStream text;
    SaveToStream(text);
    return text.TakeData();
}

int64_t TMDOXSQLVAR::AsInt64() const {
    if (IsNull()) return 0;
    const int type = SQLType();
    const char* data = var_->sqldata;
    int64_t value = 0;
    if (IsTextType(type)) {
        char scratch[kValueTextCapacity];
        if (!ParseInteger(TextView(scratch), value)) RaiseConversion();
        return value;
    }
    switch (type) {
        case SQL_SHORT:
            return Shift(ReadSqlData<int16_t>(data), SQLScale());
        case SQL_LONG:
            return Shift(ReadSqlData<int32_t>(data), SQLScale());
        case SQL_INT64:
            return Shift(ReadSqlData<int64_t>(data), SQLScale());
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return Truncate(AsDouble());
        case SQL_BOOLEAN:
            return data[0] != 0 ? 1 : 0;
        default:
            RaiseConversion();
    }
}

int32_t TMDOXSQLVAR::AsInteger() const {
    if (IsNull()) return 0;
    const int type = SQLType();
    // A scaled value goes through floating point, truncated toward zero.
    if (IsScaledIntegerType(type) && SQLScale() != 0) return Narrow<int32_t>(Truncate(AsDouble()));
    return Narrow<int32_t>(AsInt64());
}

int16_t TMDOXSQLVAR::AsShort() const {
    return Narrow<int16_t>(AsInteger());
}

double TMDOXSQLVAR::AsDouble() const {
    if (IsNull()) return 0;
    const int type = SQLType();
    const char* data = var_->sqldata;
    if (IsTextType(type)) {
        char scratch[kValueTextCapacity];
        double value = 0;
        if (!ParseFloat(TextView(scratch), TcLocaleSettings::Current().DecimalSeparator, value))
            RaiseConversion();
        return value;
    }
    switch (type) {
        case SQL_SHORT:
            return ScaledToDouble(ReadSqlData<int16_t>(data), SQLScale());
        case SQL_LONG:
            return ScaledToDouble(ReadSqlData<int32_t>(data), SQLScale());
        case SQL_INT64:
            return ScaledToDouble(ReadSqlData<int64_t>(data), SQLScale());
        case SQL_FLOAT:
            return SqlLength(*var_) == 8 ? ReadSqlData<double>(data) : ReadSqlData<float>(data);
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return ReadSqlData<double>(data);
        case SQL_BOOLEAN:
            return data[0] != 0 ? 1 : 0;
        default:
            RaiseConversion();
    }
}

int64_t TMDOXSQLVAR::AsCurrency() const {
    if (IsNull()) return 0;
    const int type = SQLType();
    if (Dialect() < 3) {
        const double value = AsDouble() * 10000.0;
        if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) RaiseConversion();
        return std::llround(value);
    }
    if (IsTextType(type)) {
        char scratch[kValueTextCapacity];
        int64_t value = 0;
        if (!ParseScaled(TextView(scratch), -4, TcLocaleSettings::Current().DecimalSeparator,
                         value))
            RaiseConversion();
        return value;
    }
    if (IsScaledIntegerType(type)) {
        // The exact text of the scaled integer, read at four decimals.
        const int64_t raw = type == SQL_SHORT  ? ReadSqlData<int16_t>(var_->sqldata)
                            : type == SQL_LONG ? ReadSqlData<int32_t>(var_->sqldata)
                                               : ReadSqlData<int64_t>(var_->sqldata);
        char scratch[kValueTextCapacity];
        const char separator = TcLocaleSettings::Current().DecimalSeparator;
        const size_t size =
            FormatScaled(raw, -SQLScale(), 19, separator, scratch, kValueTextCapacity);
        int64_t value = 0;
        if (SQLScale() > 0 || !ParseScaled(std::string_view(scratch, size), -4, separator, value))
            RaiseConversion();
        return value;
    }
    if (IsFloatType(type)) {
        int64_t result = 0;
        if (__builtin_mul_overflow(Truncate(AsDouble()), int64_t{10000}, &result))
            RaiseConversion();
        return result;
    }
    RaiseConversion();
}

double TMDOXSQLVAR::AsDateTime() const {
    if (IsNull()) return 0;
    const int type = SQLType();
    TDateTimeFields value;
    if (IsTextType(type)) {
        char scratch[kValueTextCapacity];
        if (!ParseDate(TextView(scratch), value)) RaiseConversion();
        return DateTimeToSerial(value);
    }
    if (!IsSqlDateTimeType(type) ||
        !ReadSqlDateTime(type, static_cast<int>(SqlLength(*var_)), var_->sqldata, value))
        RaiseConversion();
    return WholeSeconds(value);
}

ISC_QUAD TMDOXSQLVAR::AsQuad() const {
    const int type = SQLType();
    if (type != SQL_BLOB && type != SQL_ARRAY && type != SQL_QUAD) RaiseConversion();
    if (IsNull()) return ISC_QUAD{};
    return ReadSqlData<ISC_QUAD>(var_->sqldata);
}

void* TMDOXSQLVAR::AsPointer() const {
    return IsNull() ? nullptr : var_->sqldata;
}

void TMDOXSQLVAR::SaveToStream(TMDOStream& target) const {
    TMDOBlobStream blob;
    if (SQL() == nullptr) RaiseClientError(24);
    blob.SetDatabase(SQL()->Database());
    blob.SetTransaction(SQL()->Transaction());
    blob.SetMode(bmRead);
    blob.SetBlobID(AsQuad());
    blob.SaveToStream(target);
}
