#pragma once
// The window's statement history between runs: $XDG_STATE_HOME/tessel/history
// in the format of app/history_store.h (passwords masked, owner only).
//
// Contract: window thread.

#include <QString>
#include <string>

#include "app/history_store.h"

class TcHistoryList;

QString HistoryFilePath();
// The entries of the file, oldest first, added to the history (which keeps
// no more than its MaxCount of them).
void LoadHistory(TcHistoryList& history);
// Writes every entry of the history; false when the file cannot be written.
bool SaveHistory(const TcHistoryList& history, const std::string& terminator);
