#pragma once
// A bounded history of texts with previous/next navigation, as the statement
// and connect histories of the console use it. Not thread-safe; the window's
// thread owns it.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/lists.h"

enum class THistoryMove { None = 0, Next = 1, Previous = 2 };

class TcHistoryList {
  public:
    TcHistoryList() = default;
    TcHistoryList(const TcHistoryList&) = delete;
    TcHistoryList& operator=(const TcHistoryList&) = delete;
    ~TcHistoryList();

    void Add(const std::string& text, TObject* object);
    void Add(const std::string& text) { Add(text, nullptr); }
    bool CanGoPrevious() const;
    // Leaves text untouched (and object nil) when there is nothing to recall.
    void Previous(std::string& text, TObject*& object);
    void Previous(std::string& text);
    bool CanGoNext() const;
    // Leaves both results untouched when there is nothing to recall.
    void Next(std::string& text, TObject*& object);
    void Next(std::string& text);
    void MoveToEnd() { Index = Count() - 1; }

    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
    const std::string& Strings(int32_t i) const;
    TObject* Objects(int32_t i) const;
    void Clear();

    int32_t Index = -1;
    THistoryMove LastMove = THistoryMove::None;
    bool OwnsObjects = false;
    int32_t MaxCount = 25;
    bool SingleEntryRecall = false;

  private:
    struct Entry {
        std::string text;
        TObject* object;
    };
    void Remove(int32_t i);
    std::vector<Entry> entries_;
};
