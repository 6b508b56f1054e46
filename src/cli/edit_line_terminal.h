#pragma once
// The interactive terminal: line editing and history through libedit, and
// passwords read with echo switched off. A read also ends, as the end of the
// input, when the interrupt descriptor becomes readable (a signal arrived).

#include "cli/cli_session.h"

class TcEditLineTerminal : public ICliTerminal {
  public:
    // `interruptFd`: polled beside standard input; -1 for none.
    explicit TcEditLineTerminal(int interruptFd);
    std::optional<std::string> ReadLine(const std::string& prompt) override;
    std::optional<std::string> ReadSecret(const std::string& prompt) override;
};
