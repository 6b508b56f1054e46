#pragma once
// The workbook's file on disk: which files may be read or written as a
// workbook, and how a workbook replaces one without harming it.
//
// Only regular files are read or written: a device, a pipe or a folder in
// the workbook's place is refused with EWorkbookError. A symbolic link is
// followed to the file it names, which is the one replaced. A file with more
// than one hard link is refused for writing: the new workbook is written
// beside the old one and renamed over it (so that a failure or a crash
// always leaves the old file whole), and a rename gives only one of the
// names the new content.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "workbook/byte_buffer.h"

namespace spreadsheet {

// The largest file read as a workbook: an Excel 97 workbook is far smaller.
inline constexpr uint64_t kMaxWorkbookFileBytes = uint64_t{256} << 20;

// The file a workbook named `name` lives in: the end of its chain of
// symbolic links (`name` itself when it is none).
std::string WorkbookTarget(const std::string& name);

// Raises EWorkbookError when a workbook cannot be written under `name`:
// something other than a regular file (or nothing) stands there, or the
// file has other hard links.
void CheckWritableWorkbook(const std::string& name);

// The bytes of the regular file `name`, refused when it is larger than
// kMaxWorkbookFileBytes.
TBytes ReadWorkbookFile(const std::string& name);

// Writes the parts, one after the other, to a new file beside the target
// of `name` and renames it over the target. The new file takes the old
// one's mode, and its owner and group where the user may give them.
void ReplaceWorkbookFile(const std::string& name, const std::vector<const TBytes*>& parts);

// The same for a writer that writes the new file itself: `write` is given
// the open descriptor and the path of the new file beside the target (a
// writer that opens the path again writes the same file). It answers 0, or
// the errno of its failure; an exception it raises leaves no new file too.
void ReplaceWorkbookFileWith(const std::string& name,
                             const std::function<int(int fd, const std::string& path)>& write);

}  // namespace spreadsheet
