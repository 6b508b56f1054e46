#pragma once
// The interactive terminal: line editing and history through libedit, and
// passwords read with echo switched off. A read also ends, as the end of the
// input, when the interrupt descriptor becomes readable (a signal arrived).

#include <locale.h>

#include <functional>
#include <string_view>

#include "cli/cli_session.h"
#include "foundation/string_utils.h"

class TcEditLineTerminal : public ICliTerminal {
  public:
    // `interruptFd`: polled beside standard input; -1 for none.
    // Reads lines in the character set of the environment's locale.
    explicit TcEditLineTerminal(int interruptFd);
    ~TcEditLineTerminal() override;
    TcEditLineTerminal(const TcEditLineTerminal&) = delete;
    TcEditLineTerminal& operator=(const TcEditLineTerminal&) = delete;
    std::optional<std::string> ReadLine(const std::string& prompt) override;
    std::optional<std::string> ReadSecret(const std::string& prompt) override;
    // Adds the statement to the editor's history (unless it repeats the
    // newest entry) and, with a history file, writes the file: the newest
    // kHistoryEntries entries, passwords masked.
    void AddHistory(const std::string& statement, const std::string& terminator) override;
    // Keeps the history in `path` from now on; the entries already there come
    // first, so Up steps back into the previous run.
    void UseHistoryFile(const std::string& path);
    static constexpr size_t kHistoryEntries = 500;

    // Tab: the candidates for the word before the cursor (letters, digits,
    // "_", "$", double quotes and dots: a qualified name is one word), each
    // the whole word it would become. Called while a line is read.
    std::function<TStringList(std::string_view word)> Completer;

  private:
    std::string historyPath_;
    TStringList historyEntries_;
    // The editor's character classes, or none (the process's own).
    locale_t Locale_ = static_cast<locale_t>(0);
};
