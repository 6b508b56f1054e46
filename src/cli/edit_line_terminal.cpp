#include "cli/edit_line_terminal.h"

#include <editline/readline.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

std::optional<std::string> TcEditLineTerminal::ReadLine(const std::string& prompt) {
    char* line = readline(prompt.c_str());
    if (line == nullptr) return std::nullopt;
    std::string text(line);
    std::free(line);
    if (!text.empty()) add_history(text.c_str());
    return text;
}

std::optional<std::string> TcEditLineTerminal::ReadSecret(const std::string& prompt) {
    std::cerr << prompt << std::flush;
    termios saved{};
    const bool isTerminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string text;
    const bool got = static_cast<bool>(std::getline(std::cin, text));
    if (isTerminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << '\n';
    if (!got) return std::nullopt;
    return text;
}
