#pragma once
// Replies of the client's information calls (isc_database_info,
// isc_dsql_sql_info and the like), read in one place. A reply is a run of
// clusters, each an item byte, a 2-byte little-endian length n and n value
// bytes, ended by isc_info_end. Values that are integers are little-endian
// of their stated length.
//
// The reader never reads past the buffer it is given: a cluster whose stated
// length runs past the end is cut at the end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "mdo/client_entry_points.h"

struct TMDOInfoItem {
    char Code = 0;
    const char* Value = nullptr;
    size_t Length = 0;
};

class TcInfoReply {
  public:
    TcInfoReply(const char* data, size_t size) : data_(data), size_(size) {}
    explicit TcInfoReply(const std::vector<char>& reply)
        : TcInfoReply(reply.data(), reply.size()) {}

    // The first cluster, whatever its code: a one-item request's answer, or
    // the code that says the item is unknown or the buffer too small.
    std::optional<TMDOInfoItem> First() const;
    // The first cluster with `code` before the end marker.
    std::optional<TMDOInfoItem> Find(char code) const;

  private:
    std::optional<TMDOInfoItem> ItemAt(size_t position) const;
    const char* data_;
    size_t size_;
};

// A little-endian signed integer of 1 to 8 bytes; 0 for any other length.
int64_t InfoInteger(const char* value, size_t length);
inline int64_t InfoInteger(const TMDOInfoItem& item) {
    return InfoInteger(item.Value, item.Length);
}

// Sends one database-information request for the single `item` on
// `database`, the reply going into `reply` (its size is the buffer the
// server may fill). Returns the call's result: 0 on success, else the error
// left in `status`.
ISC_STATUS RequestDatabaseInfo(ISC_STATUS* status, isc_db_handle* database, char item,
                               std::vector<char>& reply);
