#include "workbook/shared_strings.h"

#include <functional>

namespace spreadsheet {

TcSharedStrings::TcSharedStrings(size_t expected) {
    size_t size = 16;
    while (size < expected * 2) size *= 2;
    slots_.resize(size);
    texts_.reserve(expected);
}

uint64_t TcSharedStrings::Hash(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

uint32_t TcSharedStrings::Add(std::string_view text) {
    const uint64_t hash = Hash(text);
    const uint32_t check = static_cast<uint32_t>(hash >> 32);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        TSlot& slot = slots_[i];
        if (slot.Index == kEmpty) {
            slot.Check = check;
            slot.Index = Count();
            texts_.push_back(text);
            if (texts_.size() * 2 > slots_.size()) Grow();
            return static_cast<uint32_t>(texts_.size() - 1);
        }
        if (slot.Check == check && texts_[slot.Index] == text) return slot.Index;
    }
}

void TcSharedStrings::Grow() {
    slots_.assign(slots_.size() * 2, TSlot{});
    const size_t mask = slots_.size() - 1;
    for (uint32_t index = 0; index < Count(); ++index) {
        const uint64_t hash = Hash(texts_[index]);
        size_t i = hash & mask;
        while (slots_[i].Index != kEmpty) i = (i + 1) & mask;
        slots_[i] = TSlot{static_cast<uint32_t>(hash >> 32), index};
    }
}

}  // namespace spreadsheet
