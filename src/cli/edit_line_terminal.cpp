#include "cli/edit_line_terminal.h"

#include <editline/readline.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

// libedit reads through a plain function, so the descriptor is process-wide;
// there is one terminal.
int InterruptFd = -1;

// The next byte of `fd`, or EOF at the end of the input or once the
// interrupt descriptor is readable.
int ReadByte(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {InterruptFd, POLLIN, 0}};
    const nfds_t count = InterruptFd >= 0 ? 2 : 1;
    for (;;) {
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            return EOF;
        }
        if (count == 2 && fds[1].revents != 0) return EOF;
        if (fds[0].revents == 0) continue;
        unsigned char byte = 0;
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && errno == EINTR) continue;
        return EOF;
    }
}

int GetcFunction(FILE* stream) {
    return ReadByte(fileno(stream));
}

}  // namespace

TcEditLineTerminal::TcEditLineTerminal(int interruptFd) {
    InterruptFd = interruptFd;
    rl_getc_function = GetcFunction;
}

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
    int byte = EOF;
    while ((byte = ReadByte(STDIN_FILENO)) != EOF && byte != '\n') text += static_cast<char>(byte);
    if (isTerminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << '\n';
    if (byte == EOF && text.empty()) return std::nullopt;
    return text;
}
