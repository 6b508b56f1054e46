#include "foundation/history_list.h"

#include <algorithm>

TcHistoryList::~TcHistoryList() {
    Clear();
}

void TcHistoryList::Clear() {
    while (!entries_.empty()) Remove(Count() - 1);
    Index = -1;
    LastMove = THistoryMove::None;
}

const std::string& TcHistoryList::Strings(int32_t i) const {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    return entries_[static_cast<size_t>(i)].text;
}

TObject* TcHistoryList::Objects(int32_t i) const {
    if (i < 0 || i >= Count()) throw EcList_IndexOutOfBounds();
    return entries_[static_cast<size_t>(i)].object;
}

void TcHistoryList::Remove(int32_t i) {
    if (OwnsObjects) delete entries_[static_cast<size_t>(i)].object;
    entries_.erase(entries_.begin() + i);
}

void TcHistoryList::Add(const std::string& text, TObject* object) {
    // A recalled entry that is added again moves to the end instead of doubling.
    if (Index >= 0 && Index < Count() - 1 && entries_[static_cast<size_t>(Index) + 1].text == text)
        Remove(Index + 1);
    entries_.push_back({text, object});
    Index = Count() - 1;
    LastMove = THistoryMove::None;
    while (Count() > std::max(MaxCount, 0)) Remove(0);
    if (Index >= Count()) Index = Count() - 1;
}

bool TcHistoryList::CanGoPrevious() const {
    return Index > -1 && (SingleEntryRecall ? Count() > 0 : Count() > 1);
}

void TcHistoryList::Previous(std::string& text, TObject*& object) {
    if (!CanGoPrevious()) {
        object = nullptr;
        return;
    }
    if ((!SingleEntryRecall && LastMove == THistoryMove::None) || LastMove == THistoryMove::Next)
        --Index;
    // The first step back may land before the first entry only in theory;
    // guard it so a caller never reads outside the list.
    if (Index < 0) {
        object = nullptr;
        Index = -1;
        return;
    }
    text = entries_[static_cast<size_t>(Index)].text;
    object = entries_[static_cast<size_t>(Index)].object;
    --Index;
    LastMove = THistoryMove::Previous;
}

void TcHistoryList::Previous(std::string& text) {
    TObject* object = nullptr;
    Previous(text, object);
}

bool TcHistoryList::CanGoNext() const {
    return Count() > 1 && Index < Count() - 1;
}

void TcHistoryList::Next(std::string& text, TObject*& object) {
    if (!CanGoNext()) return;
    Index += (LastMove == THistoryMove::Previous) ? 2 : 1;
    if (Index > Count() - 1) Index = Count() - 1;
    text = entries_[static_cast<size_t>(Index)].text;
    object = entries_[static_cast<size_t>(Index)].object;
    LastMove = THistoryMove::Next;
}

void TcHistoryList::Next(std::string& text) {
    TObject* object = nullptr;
    Next(text, object);
}
