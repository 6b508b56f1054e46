#pragma once
// General lists: an owning object list with explicit capacity rules, an
// integer list, a sorted case-insensitive name/value list and a lockable list.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/errors.h"

// The root object class: anything a list may own.
class TObject {
  public:
    virtual ~TObject() = default;
};

enum class TDuplicates { Accept = 0, Ignore = 1, Error = 2 };

// An owning list of objects. Every error is raised before the list changes;
// clearing with free and destroying free every item.
template <class T = TObject>
class TcBaseList {
  public:
    static constexpr int32_t MaxCapacity = 0x7FFFFFF;

    TcBaseList() = default;
    TcBaseList(const TcBaseList&) = delete;
    TcBaseList& operator=(const TcBaseList&) = delete;
    virtual ~TcBaseList() { ClearAndFree(); }

    virtual int32_t Add(T* item) = 0;
    // Forgets the items without freeing them.
    virtual void Clear() {
        delete[] items_;
        items_ = nullptr;
        Count = 0;
        Capacity = 0;
    }

    T* Get(int32_t index) const {
        if (index < 0 || index >= Count) throw EcList_IndexOutOfBounds();
        return items_[index];
    }
    T* operator[](int32_t index) const { return Get(index); }
    int32_t IndexOf(const T* item) const {
        for (int32_t i = 0; i < Count; ++i)
            if (items_[i] == item) return i;
        return -1;
    }
    void Insert(int32_t index, T* item) {
        if (index < 0 || index > Count) throw EcList_IndexOutOfBounds();
        if (Count == Capacity) Grow();
        for (int32_t i = Count; i > index; --i) items_[i] = items_[i - 1];
        items_[index] = item;
        ++Count;
    }
    void SetCapacity(int32_t n) {
        if (n < Count || n > MaxCapacity) throw EcList_CapacityError();
        if (n == Capacity) return;
        T** storage = n > 0 ? new T*[static_cast<size_t>(n)] : nullptr;
        for (int32_t i = 0; i < Count; ++i) storage[i] = items_[i];
        delete[] items_;
        items_ = storage;
        Capacity = n;
    }
    void ClearAndFree() {
        for (int32_t i = 0; i < Count; ++i) delete items_[i];
        delete[] items_;
        items_ = nullptr;
        Count = 0;
        Capacity = 0;
    }

    int32_t Delta = 100;
    int32_t Count = 0;
    int32_t Capacity = 0;
    bool FixedDelta = false;
    TDuplicates Duplicates = TDuplicates::Accept;

    T* const* begin() const { return items_; }
    T* const* end() const { return items_ + Count; }

  private:
    void Grow() {
        int32_t next;
        if (Capacity > 63)
            next = FixedDelta ? Capacity + Delta : Capacity + Capacity / 4;
        else
            next = Capacity < 4 ? 4 : Capacity * 2;
        SetCapacity(next);
    }

    T** items_ = nullptr;
};

template <class T = TObject>
class TcList : public TcBaseList<T> {
  public:
    // Returns the count before the call, whatever was done with the item.
    int32_t Add(T* item) override {
        const int32_t before = this->Count;
        if (this->Duplicates != TDuplicates::Accept && this->IndexOf(item) >= 0) {
            if (this->Duplicates == TDuplicates::Error)
                throw EcList_AttemptToInsertDuplicateObject();
            return before;
        }
        this->Insert(this->Count, item);
        return before;
    }
};

class TcIntegerList {
  public:
    int32_t Add(int32_t value) {
        values_.push_back(value);
        return static_cast<int32_t>(values_.size()) - 1;
    }
    int32_t Get(int32_t index) const;
    void Put(int32_t index, int32_t value);
    void Clear() { values_.clear(); }
    int32_t Count() const { return static_cast<int32_t>(values_.size()); }

  private:
    std::vector<int32_t> values_;
};

// Name/value pairs kept sorted by name; names compare without regard to case
// and a name that is present already is not added twice. Adding and finding
// a name take logarithmic time, so a script that sets many parameters stays
// linear; the positions (Name, Value, Delete and the result of IndexOf) are
// worked out again, in one pass, on the first use after names were added.
class TcValueStringlist {
  public:
    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
    const std::string& Name(int32_t i) const;
    const std::string& Value(int32_t i) const;
    // The position of the name, -1 when absent.
    int32_t IndexOf(std::string_view name) const;
    // Ignored when the name is present.
    void Add(std::string_view name, std::string_view value);
    void SetValue(std::string_view name, std::string_view value);
    void Delete(int32_t i);
    void Clear();

  private:
    struct TTextLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using TEntries = std::map<std::string, std::string, TTextLess>;
    // The entries by position; rebuilt when stale.
    const std::vector<TEntries::const_iterator>& Order() const;
    TEntries entries_;
    mutable std::vector<TEntries::const_iterator> order_;
    mutable bool orderStale_ = false;
};

// A list guarded by a lock; Clear frees the items from the last to the first.
template <class T = TObject>
class TcLockList {
  public:
    TcLockList() = default;
    TcLockList(const TcLockList&) = delete;
    TcLockList& operator=(const TcLockList&) = delete;
    ~TcLockList() { Clear(); }

    std::vector<T*>& LockList() {
        mutex_.lock();
        return items_;
    }
    void UnlockList() { mutex_.unlock(); }
    void Add(T* item) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        items_.push_back(item);
    }
    void Clear() {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        while (!items_.empty()) {
            delete items_.back();
            items_.pop_back();
        }
    }

  private:
    std::recursive_mutex mutex_;
    std::vector<T*> items_;
};
