#pragma once
// The shared-string table of a workbook being written: each distinct cell
// text once, numbered in the order first met. A flat open-addressing table
// of hashes and numbers: a sheet of 65,536 rows holds hundreds of thousands
// of texts, and a table of nodes spends its time on cache misses.
//
// The texts are not copied: they must outlive the table.

#include <cstdint>
#include <string_view>
#include <vector>

namespace spreadsheet {

class TcSharedStrings {
  public:
    // Room for about `expected` distinct texts before the table grows.
    explicit TcSharedStrings(size_t expected = 0);
    // The text's number, adding it when it is new.
    uint32_t Add(std::string_view text);
    uint32_t Count() const { return static_cast<uint32_t>(texts_.size()); }
    std::string_view operator[](uint32_t index) const { return texts_[index]; }

  private:
    // The hash's low half picks the slot; its high half is kept to skip
    // most comparisons of texts that only share the slot.
    struct TSlot {
        uint32_t Check = 0;
        uint32_t Index = kEmpty;
    };
    static constexpr uint32_t kEmpty = UINT32_MAX;
    void Grow();
    static uint64_t Hash(std::string_view text);

    std::vector<TSlot> slots_;  // a power of two, at most half full
    std::vector<std::string_view> texts_;
};

}  // namespace spreadsheet
