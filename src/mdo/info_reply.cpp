#include "mdo/info_reply.h"

#include <algorithm>

#include "mdo/client_library.h"

std::optional<TMDOInfoItem> TcInfoReply::ItemAt(size_t position) const {
    if (position + 3 > size_) return std::nullopt;
    const auto length = static_cast<size_t>(static_cast<unsigned char>(data_[position + 1]) |
                                            (static_cast<unsigned char>(data_[position + 2]) << 8));
    TMDOInfoItem item;
    item.Code = data_[position];
    item.Value = data_ + position + 3;
    item.Length = std::min(length, size_ - position - 3);
    return item;
}

std::optional<TMDOInfoItem> TcInfoReply::First() const {
    return ItemAt(0);
}

std::optional<TMDOInfoItem> TcInfoReply::Find(char code) const {
    size_t position = 0;
    while (position < size_ && data_[position] != isc_info_end) {
        const std::optional<TMDOInfoItem> item = ItemAt(position);
        if (!item) break;
        if (item->Code == code) return item;
        position += 3 + item->Length;
    }
    return std::nullopt;
}

int64_t InfoInteger(const char* value, size_t length) {
    if (value == nullptr || length < 1 || length > 8) return 0;
    uint64_t bits = 0;
    for (size_t i = length; i-- > 0;) bits = (bits << 8) | static_cast<unsigned char>(value[i]);
    // The top byte carries the sign.
    if (length < 8 && (bits >> (8 * length - 1)) != 0) bits |= ~uint64_t{0} << (8 * length);
    return static_cast<int64_t>(bits);
}

ISC_STATUS RequestDatabaseInfo(ISC_STATUS* status, isc_db_handle* database, char item,
                               std::vector<char>& reply) {
    const char items[] = {item};
    return ClientApi.isc_database_info(status, database, 1, items, static_cast<short>(reply.size()),
                                       reply.data());
}
