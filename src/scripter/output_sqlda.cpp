#include "scripter/output_sqlda.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

#include "foundation/errors.h"
#include "mdo/sql_column.h"
#include "mdo/value_format.h"

namespace {

constexpr int kResetColumns = 10;
// A full row block holds this many bytes or one row, whichever is larger;
// big enough that per-block costs vanish, small enough to waste little.
constexpr size_t kBlockBytes = 256 * 1024;
// The first block starts at this many rows and doubles until it is full, so
// a one-row result does not take a whole block.
constexpr int kFirstBlockRows = 16;

size_t AlignUp(size_t value) {
    return (value + 7) & ~static_cast<size_t>(7);
}

}  // namespace

TcOutputSQLDA::~TcOutputSQLDA() {
    ClearResult();
}

void TcOutputSQLDA::AllocateDescriptor(int columns) {
    void* memory = std::calloc(1, XSQLDA_LENGTH(columns));
    if (!memory) throw std::bad_alloc();
    descriptor_ = static_cast<XSQLDA*>(memory);
    descriptor_->version = SQLDA_VERSION1;
    descriptor_->sqln = static_cast<ISC_SHORT>(columns);
}

void TcOutputSQLDA::FreeRows() {
    blocks_.clear();
    rowCount_ = 0;
    firstBlockRows_ = 0;
}

void TcOutputSQLDA::ClearResult() {
    FreeRows();
    narrowedColumns_.clear();
    layout_.clear();
    columnData_.reset();
    indicators_.reset();
    rowSize_ = 0;
    std::free(descriptor_);
    descriptor_ = nullptr;
}

void TcOutputSQLDA::ResetResult() {
    ClearResult();
    AllocateDescriptor(kResetColumns);
}

bool TcOutputSQLDA::EnsureCapacity() {
    if (!descriptor_ || descriptor_->sqld <= descriptor_->sqln) return false;
    const int columns = descriptor_->sqld;
    ClearResult();
    AllocateDescriptor(columns);
    return true;
}

int TcOutputSQLDA::ColumnCount() const {
    if (!descriptor_) return 0;
    return std::max(0, std::min<int>(descriptor_->sqld, descriptor_->sqln));
}

int TcOutputSQLDA::GetFieldLength(int column) const {
    const std::optional<size_t> bytes = SqlBufferBytes(descriptor_->sqlvar[column]);
    if (!bytes) RaiseInternal("TcOutputSQLDA.GetFieldLength", "Datatype not supported");
    return static_cast<int>(*bytes);
}

void TcOutputSQLDA::AllocateBuffers() {
    FreeRows();
    layout_.clear();
    columnData_.reset();
    indicators_.reset();
    rowSize_ = 0;
    if (!descriptor_) return;

    // Every length first: an unsupported type must fail before any buffer
    // is handed to the client.
    const int columns = ColumnCount();
    std::vector<int> lengths(static_cast<size_t>(columns));
    size_t dataBytes = 0;
    int nullable = 0;
    narrowedColumns_.clear();
    for (int i = 0; i < columns; ++i) {
        const std::string narrowed = FitSqlLength(descriptor_->sqlvar[i]);
        if (!narrowed.empty())
            narrowedColumns_ += (narrowedColumns_.empty() ? "" : "\r\n") + narrowed;
        lengths[static_cast<size_t>(i)] = GetFieldLength(i);
        dataBytes += AlignUp(static_cast<size_t>(lengths[static_cast<size_t>(i)]));
        if (descriptor_->sqlvar[i].sqltype & 1) ++nullable;
    }

    columnData_ = std::make_unique<char[]>(std::max<size_t>(dataBytes, 1));
    if (nullable > 0) indicators_ = std::make_unique<short[]>(static_cast<size_t>(nullable));
    layout_.reserve(static_cast<size_t>(columns));
    size_t dataOffset = 0;
    int indicator = 0;
    for (int i = 0; i < columns; ++i) {
        XSQLVAR& var = descriptor_->sqlvar[i];
        const int length = lengths[static_cast<size_t>(i)];
        var.sqldata = reinterpret_cast<ISC_SCHAR*>(columnData_.get() + dataOffset);
        var.sqlind = (var.sqltype & 1) ? &indicators_[static_cast<size_t>(indicator++)] : nullptr;
        layout_.push_back({columnData_.get() + dataOffset, var.sqlind, length, rowSize_});
        dataOffset += AlignUp(static_cast<size_t>(length));
        rowSize_ += length + 1;
    }

    // Full blocks hold a power of two of rows so that Row() needs no division.
    blockShift_ = 0;
    const size_t rowBytes = static_cast<size_t>(std::max(rowSize_, 1));
    while ((rowBytes << (blockShift_ + 1)) <= kBlockBytes && blockShift_ < 24) ++blockShift_;
    blockMask_ = (1 << blockShift_) - 1;
}

char* TcOutputSQLDA::NewRowSlot() {
    const int fullRows = blockMask_ + 1;
    const size_t rowBytes = static_cast<size_t>(rowSize_);
    if (rowCount_ < fullRows) {
        // Still in the first block: grow it by doubling until it is full.
        if (rowCount_ == firstBlockRows_) {
            const int rows = std::min(fullRows, std::max(kFirstBlockRows, firstBlockRows_ * 2));
            auto grown =
                std::make_unique_for_overwrite<char[]>(static_cast<size_t>(rows) * rowBytes);
            if (!blocks_.empty()) {
                std::memcpy(grown.get(), blocks_[0].get(),
                            static_cast<size_t>(rowCount_) * rowBytes);
                blocks_[0] = std::move(grown);
            } else {
                blocks_.push_back(std::move(grown));
            }
            firstBlockRows_ = rows;
        }
        return blocks_[0].get() + static_cast<size_t>(rowCount_) * rowBytes;
    }
    const int inBlock = rowCount_ & blockMask_;
    if (inBlock == 0) {
        blocks_.push_back(
            std::make_unique_for_overwrite<char[]>(static_cast<size_t>(fullRows) * rowBytes));
    }
    return blocks_.back().get() + static_cast<size_t>(inBlock) * rowBytes;
}

void TcOutputSQLDA::StoreRow() {
    char* out = NewRowSlot();
    for (const TColumnLayout& column : layout_) {
        *out++ = (column.Indicator && *column.Indicator == -1) ? 1 : 0;
        std::memcpy(out, column.Data, static_cast<size_t>(column.Length));
        out += column.Length;
    }
    ++rowCount_;
}
