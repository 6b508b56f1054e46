#pragma once
// The interactive terminal: line editing and history through libedit, and
// passwords read with echo switched off. A read also ends, as the end of the
// input, when the interrupt descriptor becomes readable (a signal arrived).

#include <locale.h>

#include "cli/cli_session.h"

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

  private:
    // The editor's character classes, or none (the process's own).
    locale_t Locale_ = static_cast<locale_t>(0);
};
