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

const std::string& TcValueStringlist::Name(int32_t i) const {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    return entries_[static_cast<size_t>(i)].first;
}

const std::string& TcValueStringlist::Value(int32_t i) const {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    return entries_[static_cast<size_t>(i)].second;
}

size_t TcValueStringlist::LowerBound(std::string_view name) const {
    const auto it = std::lower_bound(
        entries_.begin(), entries_.end(), name,
        [](const auto& entry, std::string_view key) { return CompareText(entry.first, key) < 0; });
    return static_cast<size_t>(it - entries_.begin());
}

int32_t TcValueStringlist::IndexOf(std::string_view name) const {
    const size_t pos = LowerBound(name);
    if (pos < entries_.size() && CompareText(entries_[pos].first, name) == 0)
        return static_cast<int32_t>(pos);
    return -1;
}

int32_t TcValueStringlist::Add(std::string_view name, std::string_view value) {
    const size_t pos = LowerBound(name);
    if (pos < entries_.size() && CompareText(entries_[pos].first, name) == 0)
        return static_cast<int32_t>(pos);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos),
                    {std::string(name), std::string(value)});
    return static_cast<int32_t>(pos);
}

void TcValueStringlist::SetValue(std::string_view name, std::string_view value) {
    const int32_t i = IndexOf(name);
    if (i >= 0)
        entries_[static_cast<size_t>(i)].second = std::string(value);
    else
        Add(name, value);
}

void TcValueStringlist::Delete(int32_t i) {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    entries_.erase(entries_.begin() + i);
}
