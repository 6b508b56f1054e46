#pragma once
// The statement history between runs: $XDG_STATE_HOME/tessel/history
// (~/.local/state when unset), readable by its owner only, one entry a line
// with backslash, line feed and carriage return written as \\, \n and \r.
// A password typed into an entry is masked as the echo masks it, so it
// never reaches the file.
//
// Contract: window thread.

#include <QString>
#include <string>

class TcHistoryList;

QString HistoryFilePath();
// The entries of the file, oldest first, added to the history (which keeps
// no more than its MaxCount of them).
void LoadHistory(TcHistoryList& history);
// Writes every entry of the history; false when the file cannot be written.
bool SaveHistory(const TcHistoryList& history, const std::string& terminator);
// The entry as the file keeps it: every statement in it (split at the
// terminator) with its password masked; the text unchanged when it holds
// none.
std::string MaskedHistoryEntry(const std::string& text, const std::string& terminator);
