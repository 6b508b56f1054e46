#pragma once
// TcOutputSQLDA: the scripter's result buffer. It owns the output descriptor
// the client library describes into and fetches into, and keeps a raw copy of
// every fetched row so that formatting can wait until the whole result is in.
//
// Row layout: for each column in descriptor order one null byte (1 when the
// column has an indicator holding -1) and then exactly GetFieldLength bytes of
// the column's data buffer, copied also for NULL values. Rows have one fixed
// size, so they are kept back to back in large blocks rather than one heap
// block each: a buffered result costs its raw bytes and almost nothing more.
//
// Contract: one thread. Row pointers stay valid until the next ResetResult,
// ClearResult or AllocateBuffers; StoreRow may move the rows of a small result.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mdo/client_entry_points.h"

class TcOutputSQLDA {
  public:
    TcOutputSQLDA() = default;
    ~TcOutputSQLDA();
    TcOutputSQLDA(const TcOutputSQLDA&) = delete;
    TcOutputSQLDA& operator=(const TcOutputSQLDA&) = delete;

    // Frees everything, then allocates a fresh descriptor for 10 columns.
    void ResetResult();
    // Frees rows, column buffers and the descriptor; none is left.
    void ClearResult();
    // After prepare: when the statement has more columns than the descriptor
    // holds, replaces it by one for all of them and answers true, so that the
    // caller describes the statement again.
    bool EnsureCapacity();
    // After describe: a data buffer per column, a null indicator per nullable
    // column, and RowSize. Drops buffered rows. Raises EInternal for a type
    // it cannot buffer, and an error naming a column longer than the client
    // library passes, before anything is allocated.
    void AllocateBuffers();
    // Appends a copy of the current fetch.
    void StoreRow();
    // Bytes a column takes in a row buffer (its null byte not counted).
    int GetFieldLength(int column) const;

    XSQLDA* Descriptor() const { return descriptor_; }
    // Lines naming the text columns AllocateBuffers narrowed to what the
    // client passes, for a truncation error of their values; empty if none.
    const std::string& NarrowedColumns() const { return narrowedColumns_; }
    // Columns of the statement: sqld, bounded by the columns allocated.
    int ColumnCount() const;
    const XSQLVAR& Column(int column) const { return descriptor_->sqlvar[column]; }
    int RowSize() const { return rowSize_; }
    int RowCount() const { return rowCount_; }
    // The raw buffer of a row, 0 <= row < RowCount().
    const char* Row(int row) const {
        return blocks_[static_cast<size_t>(row) >> blockShift_].get() +
               static_cast<size_t>(row & blockMask_) * static_cast<size_t>(rowSize_);
    }
    // Offset of a column's null byte within a row; its data follows it.
    int ColumnOffset(int column) const { return layout_[static_cast<size_t>(column)].Offset; }

  private:
    struct TColumnLayout {
        const char* Data;
        const short* Indicator;  // null when the column is not nullable
        int Length;
        int Offset;
    };

    void AllocateDescriptor(int columns);
    void FreeRows();
    char* NewRowSlot();

    XSQLDA* descriptor_ = nullptr;
    // One zero-filled block for all column data, each column 8-byte aligned
    // because the client stores integers and doubles there.
    std::unique_ptr<char[]> columnData_;
    std::unique_ptr<short[]> indicators_;
    std::vector<TColumnLayout> layout_;
    int rowSize_ = 0;
    std::string narrowedColumns_;

    std::vector<std::unique_ptr<char[]>> blocks_;
    int blockShift_ = 0;      // rows per full block = 1 << blockShift_
    int blockMask_ = 0;       // (1 << blockShift_) - 1
    int firstBlockRows_ = 0;  // rows the first block has room for while it grows
    int rowCount_ = 0;
};
