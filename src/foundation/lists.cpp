#include "foundation/lists.h"

#include <algorithm>

#include "foundation/string_utils.h"

int32_t TcIntegerList::Get(int32_t index) const {
    if (index < 0 || index >= Count()) throw EcList_IndexOutOfBounds();
    return values_[static_cast<size_t>(index)];
}

void TcIntegerList::Put(int32_t index, int32_t value) {
    if (index < 0 || index >= Count()) throw EcList_IndexOutOfBounds();
    values_[static_cast<size_t>(index)] = value;
}

bool TcValueStringlist::TTextLess::operator()(std::string_view a, std::string_view b) const {
    return CompareText(a, b) < 0;
}

const std::vector<TcValueStringlist::TEntries::const_iterator>& TcValueStringlist::Order() const {
    if (orderStale_) {
        // The map holds the entries in order already: one pass, no sorting.
        order_.clear();
        order_.reserve(entries_.size());
        for (auto it = entries_.begin(); it != entries_.end(); ++it) order_.push_back(it);
        orderStale_ = false;
    }
    return order_;
}

const std::string& TcValueStringlist::Name(int32_t i) const {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    return Order()[static_cast<size_t>(i)]->first;
}

const std::string& TcValueStringlist::Value(int32_t i) const {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    return Order()[static_cast<size_t>(i)]->second;
}

int32_t TcValueStringlist::IndexOf(std::string_view name) const {
    const auto found = entries_.find(name);
    if (found == entries_.end()) return -1;
    const auto& order = Order();
    const auto at =
        std::lower_bound(order.begin(), order.end(), name,
                         [](const TEntries::const_iterator& entry, std::string_view key) {
                             return CompareText(entry->first, key) < 0;
                         });
    return static_cast<int32_t>(at - order.begin());
}

void TcValueStringlist::Add(std::string_view name, std::string_view value) {
    if (entries_.try_emplace(std::string(name), value).second) orderStale_ = true;
}

void TcValueStringlist::SetValue(std::string_view name, std::string_view value) {
    const auto found = entries_.find(name);
    if (found != entries_.end())
        found->second = std::string(value);
    else
        Add(name, value);
}

void TcValueStringlist::Delete(int32_t i) {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    Order();
    entries_.erase(order_[static_cast<size_t>(i)]);
    order_.erase(order_.begin() + i);
}

void TcValueStringlist::Clear() {
    entries_.clear();
    order_.clear();
    orderStale_ = false;
}
