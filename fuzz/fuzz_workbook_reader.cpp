// Feeds arbitrary bytes to the workbook reader. A clean EWorkbookError is the
// expected answer to a damaged file; anything else (a crash, a hang, a
// sanitizer report, another exception) is a fault. A file that reads is
// written back, so that whatever the reader accepts the writer can save.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "workbook/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    TcWorkbook book;
    try {
        book.ReadWorkbookFromBytes(bytes);
    } catch (const EWorkbookError&) {
        return 0;
    }
    try {
        book.WorkbookBytes();
    } catch (const EWorkbookError&) {
        // Sheet names the writer refuses (repeated, too long) are a clean refusal.
    }
    return 0;
}
