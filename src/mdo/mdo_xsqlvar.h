#pragma once
// TMDOXSQLVAR: one variable of a descriptor area (a parameter or a column of
// the current row) with typed accessors that convert between the server's
// SQL types and text, integers, fixed and floating point, dates and blobs.
//
// Contract: text goes to and from values through value_format.h with the
// process-wide TcLocaleSettings, so the scripter's view, the spreadsheet
// capture and these accessors agree. A getter of a null value answers the
// empty text or 0. Every setter changes all variables of the area that carry
// the same name (a parameter used twice is set everywhere), clears their null
// flag and sets Modified. Failed or unsupported conversions raise client
// error 38. Data buffers belong to the variable and only grow, so a
// statement prepared again reuses them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mdo/client_entry_points.h"
#include "mdo/sql_column.h"

class TMDOXSQLDA;
class TMDOSQL;
class TMDOStream;

// The kinds of a tagged value that SetAsVariant takes, after the variant
// types of the platform's automation values.
enum class TMDOVariantKind {
    Empty,
    Null,
    Small,
    Integer,
    Byte,
    Single,
    Double,
    Currency,
    Date,
    String,
    Boolean,
    Dispatch,
    Error,
    Variant,
    Unknown,
    ByRef,
    Array,
    Other
};

// A tagged value: Integer for the whole-number kinds and Boolean (non-zero
// is true), Real for Single, Double and Date (a date-time serial), Currency
// in ten-thousandths, Text for String.
struct TMDOVariant {
    TMDOVariantKind Kind = TMDOVariantKind::Empty;
    int64_t Integer = 0;
    double Real = 0;
    int64_t Currency = 0;
    std::string Text;
};

class TMDOXSQLVAR {
  public:
    TMDOXSQLVAR(TMDOXSQLDA& area, int index);
    ~TMDOXSQLVAR();
    TMDOXSQLVAR(const TMDOXSQLVAR&) = delete;
    TMDOXSQLVAR& operator=(const TMDOXSQLVAR&) = delete;

    int Index() const { return index_; }
    // The normalised name (see TMDOXSQLDA::SetVarName).
    const std::string& Name() const { return name_; }
    TMDOXSQLDA& Area() const { return area_; }
    // The owning statement, or null for an area of its own.
    TMDOSQL* SQL() const;
    // The raw descriptor entry, as the server describes it.
    XSQLVAR& Data() const { return *var_; }

    // The type code without the nullable bit.
    int SQLType() const { return var_->sqltype & ~1; }
    int SQLScale() const { return var_->sqlscale; }
    int SQLSubtype() const { return var_->sqlsubtype; }
    int Size() const { return static_cast<int>(SqlLength(*var_)); }

    bool IsNull() const;
    // true makes the variable nullable first; both set Modified.
    void SetIsNull(bool value);
    bool IsNullable() const { return (var_->sqltype & 1) != 0; }
    void SetIsNullable(bool value);
    bool Modified = false;

    std::string AsString() const;
    void SetAsString(std::string_view value);
    int32_t AsInteger() const;
    void SetAsInteger(int32_t value);
    int16_t AsShort() const;
    void SetAsShort(int16_t value);
    int64_t AsInt64() const;
    void SetAsInt64(int64_t value);
    double AsDouble() const;
    void SetAsDouble(double value);
    // Fixed point with four decimals, in ten-thousandths (12.5 is 125000).
    int64_t AsCurrency() const;
    void SetAsCurrency(int64_t tenThousandths);
    // Days since 30-12-1899, the fraction the time of day (see
    // DateTimeToSerial); whole seconds.
    double AsDateTime() const;
    void SetAsDateTime(double value);
    void SetAsDate(double value);
    void SetAsTime(double value);
    // The identifier of a blob, array or quad.
    ISC_QUAD AsQuad() const;
    void SetAsQuad(const ISC_QUAD& value);
    // The data buffer; null for a null value.
    void* AsPointer() const;
    // Copies Size() bytes as SQL_TEXT; null on a nullable variable sets it null.
    void SetAsPointer(const void* value);

    // Null or empty sets null; whole numbers and Booleans (1 or 0) AsInteger,
    // Single and Double AsDouble, Currency AsCurrency, Date AsDateTime,
    // String AsString. Dispatch, Error, Variant, Unknown and ByRef raise
    // client error 5, Array client error 4; other kinds change nothing.
    void SetAsVariant(const TMDOVariant& value);

    // The blob's content into `target`; the content of `source` as a new blob.
    void SaveToStream(TMDOStream& target) const;
    void LoadFromStream(TMDOStream& source);

  private:
    friend class TMDOXSQLDA;
    // Points the variable at its raw entry (after the area grew) and its
    // own buffers.
    void Attach(XSQLVAR* var);
    // Zero-filled data buffer of `size` bytes, kept when large enough.
    void ResizeData(size_t size);
    void SetNullable(bool nullable);
    int Dialect() const;
    // Applies `change` to every variable of the same name: its null flag is
    // cleared first and Modified set after.
    template <class F>
    void ForEachSameNamed(F change);
    // Stores `size` bytes of `value` as type `type`, keeping the nullable
    // bit; `scale` unless keepScale.
    void Store(int type, int scale, bool keepScale, const void* value, size_t size);
    void StoreText(std::string_view value);
    void StoreDateTime(int type, double value);
    // The value as text without a copy where the buffer holds it; `scratch`
    // holds kValueTextCapacity bytes.
    std::string_view TextView(char* scratch) const;
    std::string BlobText() const;

    TMDOXSQLDA& area_;
    int index_;
    std::string name_;
    XSQLVAR* var_ = nullptr;
    char* data_ = nullptr;
    size_t dataCapacity_ = 0;
    short indicator_ = 0;
};
