#pragma once
// Builds a result in a TcOutputSQLDA without a server: columns are described
// by hand the way the client library fills them, raw values are written into
// the column buffers, and StoreRow copies them as a fetch would.

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "mdo/client_library.h"
#include "scripter/output_sqlda.h"

struct TTestColumn {
    short Type;  // SQL type code; add 1 for a nullable column
    short Scale;
    short Length;
    std::string Alias;
};

class TcResultBuilder {
  public:
    explicit TcResultBuilder(TcOutputSQLDA& buffer) : buffer_(buffer) {}

    // Describes the columns and allocates the buffers, as the scripter does
    // between prepare and execute.
    void Define(const std::vector<TTestColumn>& columns) {
        buffer_.ResetResult();
        buffer_.Descriptor()->sqld = static_cast<ISC_SHORT>(columns.size());
        buffer_.EnsureCapacity();
        XSQLDA* descriptor = buffer_.Descriptor();
        descriptor->sqld = static_cast<ISC_SHORT>(columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            XSQLVAR& var = descriptor->sqlvar[i];
            var.sqltype = columns[i].Type;
            var.sqlscale = columns[i].Scale;
            var.sqllen = columns[i].Length;
            var.aliasname_length = static_cast<ISC_SHORT>(columns[i].Alias.size());
            std::memcpy(var.aliasname, columns[i].Alias.data(), columns[i].Alias.size());
        }
        buffer_.AllocateBuffers();
    }

    XSQLVAR& Var(int column) { return buffer_.Descriptor()->sqlvar[column]; }

    template <typename T>
    TcResultBuilder& Put(int column, T value) {
        std::memcpy(Var(column).sqldata, &value, sizeof value);
        return NotNull(column);
    }
    // CHAR: the text padded with blanks to the column length.
    TcResultBuilder& PutText(int column, const std::string& text) {
        XSQLVAR& var = Var(column);
        std::memset(var.sqldata, ' ', static_cast<size_t>(var.sqllen));
        std::memcpy(var.sqldata, text.data(), text.size());
        return NotNull(column);
    }
    // VARCHAR: a 2-byte length, then the characters.
    TcResultBuilder& PutVarying(int column, const std::string& text) {
        const uint16_t length = static_cast<uint16_t>(text.size());
        std::memcpy(Var(column).sqldata, &length, 2);
        std::memcpy(Var(column).sqldata + 2, text.data(), text.size());
        return NotNull(column);
    }
    // Encoded by the client library, with 1234/10000 s of fraction that the
    // display must drop.
    TcResultBuilder& PutTimestamp(int column, int year, int month, int day, int hour, int minute,
                                  int second) {
        std::tm t = MakeTm(year, month, day, hour, minute, second);
        ISC_TIMESTAMP value;
        ClientApi.isc_encode_timestamp(&t, &value);
        value.timestamp_time += 1234;
        return Put(column, value);
    }
    TcResultBuilder& PutTime(int column, int hour, int minute, int second) {
        std::tm t = MakeTm(2000, 1, 1, hour, minute, second);
        ISC_TIME value;
        ClientApi.isc_encode_sql_time(&t, &value);
        return Put(column, value + 1234);
    }
    TcResultBuilder& PutDate(int column, int year, int month, int day) {
        std::tm t = MakeTm(year, month, day, 0, 0, 0);
        ISC_DATE value;
        ClientApi.isc_encode_sql_date(&t, &value);
        return Put(column, value);
    }
    TcResultBuilder& PutNull(int column) {
        *Var(column).sqlind = -1;
        return *this;
    }
    void Store() { buffer_.StoreRow(); }

  private:
    TcResultBuilder& NotNull(int column) {
        if (Var(column).sqlind) *Var(column).sqlind = 0;
        return *this;
    }
    static std::tm MakeTm(int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        return t;
    }

    TcOutputSQLDA& buffer_;
};
