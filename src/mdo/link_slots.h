#pragma once
// A list of links between access-layer components (a database's
// transactions and clients, a transaction's databases and clients). Links
// are not owned. A removed link leaves an empty slot that the next link
// takes, so the indices the other side keeps stay valid.

#include <cstddef>
#include <vector>

template <class T>
class TcLinkSlots {
  public:
    // The first empty slot, or a new one at the end.
    int Link(T* item) {
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i] == nullptr) {
                slots_[i] = item;
                return static_cast<int>(i);
            }
        }
        slots_.push_back(item);
        return static_cast<int>(slots_.size() - 1);
    }
    // Empties the slot and returns what it held; null for a negative index,
    // an index past the end or an empty slot.
    T* Unlink(int index) {
        if (index < 0 || static_cast<size_t>(index) >= slots_.size()) return nullptr;
        T* item = slots_[static_cast<size_t>(index)];
        slots_[static_cast<size_t>(index)] = nullptr;
        return item;
    }
    int IndexOf(const T* item) const {
        if (item == nullptr) return -1;
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i] == item) return static_cast<int>(i);
        return -1;
    }
    // Slots, empty ones included.
    int Size() const { return static_cast<int>(slots_.size()); }
    T* At(int index) const { return slots_[static_cast<size_t>(index)]; }
    // Links, empty slots not counted.
    int Count() const {
        int count = 0;
        for (T* item : slots_)
            if (item != nullptr) ++count;
        return count;
    }
    // A copy of the links, for loops whose steps may unlink.
    std::vector<T*> Items() const {
        std::vector<T*> items;
        for (T* item : slots_)
            if (item != nullptr) items.push_back(item);
        return items;
    }

  private:
    std::vector<T*> slots_;
};
