#pragma once
// Statement histories kept between runs, for both front ends: a file in the
// user's state folder ($XDG_STATE_HOME/tessel, ~/.local/state/tessel when
// unset), one entry a line with backslash, line feed and carriage return
// written as \\, \n and \r. A password typed into an entry is masked as the
// echo masks it, so it never reaches the file; the file is readable by its
// owner only from the moment it exists, and is replaced whole, so a write
// that fails leaves the old one.

#include <string>
#include <string_view>

#include "foundation/string_utils.h"

// $XDG_STATE_HOME/tessel, or ~/.local/state/tessel; XDG_STATE_HOME counts
// only when it is an absolute path.
std::string StateFolder();

// The entry as the file keeps it: every statement in it (split at the
// terminator) with its password masked; the text unchanged when it holds
// none.
std::string MaskedHistoryEntry(const std::string& text, const std::string& terminator);

// The entries of the file, oldest first; none when it cannot be read.
TStringList ReadHistoryFile(const std::string& path);
// Writes the entries, masked, oldest first; an entry longer than
// kMaxHistoryEntryBytes is left out (a pasted script is no entry to keep).
// False when the file cannot be written.
bool WriteHistoryFile(const std::string& path, const TStringList& entries,
                      const std::string& terminator);
constexpr size_t kMaxHistoryEntryBytes = 64 * 1024;

// Writes the file whole through a new file in its folder that replaces it,
// mode 0600 from the start; missing folders are made for the owner only.
bool WriteOwnerOnlyFile(const std::string& path, std::string_view bytes);
