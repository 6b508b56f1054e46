#include "cli/edit_line_terminal.h"

#include <editline/readline.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iostream>

#include "app/history_store.h"

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

// libedit edits wide characters and takes what the read function answers as
// one. In a locale of several-byte characters the bytes of one character are
// decoded first; a byte that is no character of the locale stays a byte.
// With `BytesAsCharacters` a byte above 127 is carried as a character of
// the private use area (the editor runs in UTF-8 then, see the constructor):
// printable there, unlike the control characters U+0080 to U+009F.
bool BytesAsCharacters = false;
constexpr int kByteCharacters = 0xF700;

int GetcFunction(FILE* stream) {
    const int fd = fileno(stream);
    if (BytesAsCharacters) {
        const int byte = ReadByte(fd);
        return byte == EOF || byte < 0x80 ? byte : kByteCharacters + byte;
    }
    std::mbstate_t state{};
    for (;;) {
        const int byte = ReadByte(fd);
        if (byte == EOF) return EOF;
        const char c = static_cast<char>(byte);
        wchar_t wide = 0;
        const size_t n = std::mbrtowc(&wide, &c, 1, &state);
        if (n == static_cast<size_t>(-2)) continue;  // more bytes to come
        if (n == static_cast<size_t>(-1)) return byte;
        return static_cast<int>(wide);
    }
}

// The line as bytes again: the UTF-8 of each carried byte's character
// (EF 9E 80 to EF 9F BF) becomes that byte.
std::string CarriedBytes(const std::string& utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = [&](size_t at) { return static_cast<unsigned char>(utf8[at]); };
        if (byte(i) == 0xEF && i + 2 < utf8.size() &&
            (byte(i + 1) == 0x9E || byte(i + 1) == 0x9F)) {
            const int code = 0xF000 | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
            bytes += static_cast<char>(code - kByteCharacters);
            i += 2;
        } else {
            bytes += utf8[i];
        }
    }
    return bytes;
}

// The inverse: each byte above 127 as the UTF-8 of its carried character.
std::string CarryingBytes(const std::string& bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
            continue;
        }
        const int code = kByteCharacters + byte;
        utf8 += static_cast<char>(0xE0 | (code >> 12));
        utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
    return utf8;
}

// The text as the editor holds it, and back.
std::string ToEditor(const std::string& text) {
    return BytesAsCharacters ? CarryingBytes(text) : text;
}
std::string FromEditor(const std::string& text) {
    return BytesAsCharacters ? CarriedBytes(text) : text;
}

// libedit calls plain functions: the one terminal's completer.
const std::function<TStringList(std::string_view)>* ActiveCompleter = nullptr;
TStringList Candidates;
size_t NextCandidate = 0;

char* NextCandidateCopy(const char*, int state) {
    if (state == 0) NextCandidate = 0;
    if (NextCandidate >= Candidates.size()) return nullptr;
    // libedit frees what it is given.
    return strdup(ToEditor(Candidates[NextCandidate++]).c_str());
}

char** CompleteWord(const char* text, int, int) {
    // Names only, never file names.
    rl_attempted_completion_over = 1;
    Candidates.clear();
    if (ActiveCompleter != nullptr && *ActiveCompleter) {
        // The program's own locale while the names are read; the editor's
        // again for what it shows.
        const locale_t editor = uselocale(LC_GLOBAL_LOCALE);
        Candidates = (*ActiveCompleter)(FromEditor(text));
        uselocale(editor);
    }
    if (Candidates.empty()) return nullptr;
    return rl_completion_matches(text, NextCandidateCopy);
}

// Every character that cannot be part of a name, a quoted name or a
// qualified one.
char kWordBreaks[] = " \t\n'`()[]{},;=<>+-*/|!%&^~?@#:\\";

}  // namespace

TcEditLineTerminal::TcEditLineTerminal(int interruptFd) {
    InterruptFd = interruptFd;
    rl_getc_function = GetcFunction;
    rl_attempted_completion_function = CompleteWord;
    rl_basic_word_break_characters = kWordBreaks;
    rl_completer_word_break_characters = kWordBreaks;
    ActiveCompleter = &Completer;
    // Typed text is data: the editor reads characters of the terminal's
    // character set, which the environment's locale names. The locale is the
    // editor's alone (its thread's while it reads a line): the rest of the
    // program keeps the C locale its texts and numbers rely on.
    Locale_ = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    // The C locale knows no byte above 127, and the editor would drop such
    // bytes; they pass unchanged, each carried as a character of its own
    // through an editor running in UTF-8.
    if (Locale_ == static_cast<locale_t>(0) ||
        std::strcmp(nl_langinfo_l(CODESET, Locale_), "ANSI_X3.4-1968") == 0) {
        if (Locale_ != static_cast<locale_t>(0)) freelocale(Locale_);
        Locale_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        BytesAsCharacters = Locale_ != static_cast<locale_t>(0);
    }
    // The editor learns its character set when it starts: it starts here,
    // in its own locale, before the history is filled.
    const locale_t previous =
        Locale_ != static_cast<locale_t>(0) ? uselocale(Locale_) : static_cast<locale_t>(0);
    rl_initialize();
    stifle_history(static_cast<int>(kHistoryEntries));
    if (previous != static_cast<locale_t>(0)) uselocale(previous);
}

TcEditLineTerminal::~TcEditLineTerminal() {
    ActiveCompleter = nullptr;
    if (Locale_ != static_cast<locale_t>(0)) freelocale(Locale_);
}

void TcEditLineTerminal::UseHistoryFile(const std::string& path) {
    historyPath_ = path;
    for (std::string& entry : ReadHistoryFile(path)) {
        add_history(ToEditor(entry).c_str());
        historyEntries_.push_back(std::move(entry));
    }
    if (historyEntries_.size() > kHistoryEntries)
        historyEntries_.erase(historyEntries_.begin(),
                              historyEntries_.end() - static_cast<ptrdiff_t>(kHistoryEntries));
}

void TcEditLineTerminal::AddHistory(const std::string& statement, const std::string& terminator) {
    // A statement run again right away is one step back, not two.
    if (!historyEntries_.empty() && historyEntries_.back() == statement) return;
    add_history(ToEditor(statement).c_str());
    historyEntries_.push_back(statement);
    if (historyEntries_.size() > kHistoryEntries) historyEntries_.erase(historyEntries_.begin());
    if (historyPath_.empty()) return;
    // After each statement, so that a run that is killed keeps its history;
    // a file that cannot be written costs the history, never the statement.
    WriteHistoryFile(historyPath_, historyEntries_, terminator);
}

std::optional<std::string> TcEditLineTerminal::ReadLine(const std::string& prompt) {
    const locale_t previous =
        Locale_ != static_cast<locale_t>(0) ? uselocale(Locale_) : static_cast<locale_t>(0);
    char* line = readline(prompt.c_str());
    if (previous != static_cast<locale_t>(0)) uselocale(previous);
    if (line == nullptr) return std::nullopt;
    std::string text = FromEditor(line);
    std::free(line);
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
