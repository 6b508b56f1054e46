#pragma once
// Raw buffers for parameter blocks, descriptor areas and data buffers, which
// the client API takes as plain memory.

#include <cstddef>

// Resizes `buffer` (malloc'ed, or null) to `newSize` bytes and zeroes the
// bytes from `oldSize` to `newSize` - 1; a size of 0 frees it and leaves null.
// Raises std::bad_alloc when memory runs out, keeping the old block.
void AllocBuffer(void*& buffer, size_t oldSize, size_t newSize);

template <typename T>
void AllocBuffer(T*& buffer, size_t oldSize, size_t newSize) {
    void* raw = buffer;
    AllocBuffer(raw, oldSize, newSize);
    buffer = static_cast<T*>(raw);
}

// Frees a block of AllocBuffer and sets the pointer to null.
template <typename T>
void FreeBuffer(T*& buffer) {
    AllocBuffer(buffer, 0, 0);
}
