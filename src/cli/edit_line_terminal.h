#pragma once
// The interactive terminal: line editing and history through libedit, and
// passwords read with echo switched off.

#include "cli/cli_session.h"

class TcEditLineTerminal : public ICliTerminal {
  public:
    std::optional<std::string> ReadLine(const std::string& prompt) override;
    std::optional<std::string> ReadSecret(const std::string& prompt) override;
};
