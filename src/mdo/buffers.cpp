#include "mdo/buffers.h"

#include <cstdlib>
#include <cstring>
#include <new>

void AllocBuffer(void*& buffer, size_t oldSize, size_t newSize) {
    if (newSize == 0) {
        std::free(buffer);
        buffer = nullptr;
        return;
    }
    void* resized = std::realloc(buffer, newSize);
    if (resized == nullptr) throw std::bad_alloc();
    buffer = resized;
    if (newSize > oldSize) {
        std::memset(static_cast<char*>(buffer) + oldSize, 0, newSize - oldSize);
    }
}
