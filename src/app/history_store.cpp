#include "app/history_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "engine/statement_splitter.h"
#include "scripter/password_mask.h"

namespace {

std::string Escaped(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

std::string Unescaped(const std::string& line) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            text += line[i];
            continue;
        }
        const char next = line[++i];
        text += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return text;
}

// Every missing folder of the path, for the owner only.
bool MakeFolders(const std::string& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/tessel";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/state/tessel";
}

std::string MaskedHistoryEntry(const std::string& text, const std::string& terminator) {
    TcStatementSplitter splitter(text, terminator);
    std::string masked;
    bool changed = false;
    const auto add = [&](const std::string& statement, const char* end) {
        const std::string plain = TrimBlanks(statement);
        if (plain.empty()) return;
        const std::string hidden = HidePasswords(plain);
        changed = changed || hidden != plain;
        masked += hidden + end;
    };
    std::string statement;
    size_t offset = 0;
    while (splitter.Next(statement, offset)) add(statement, (terminator + "\n").c_str());
    add(splitter.Rest(offset), "");
    // Only an entry that carried a password loses its layout and comments.
    return changed ? TrimBlanks(masked) : text;
}

TStringList ReadHistoryFile(const std::string& path) {
    TStringList entries;
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line))
        if (!line.empty()) entries.push_back(Unescaped(line));
    return entries;
}

bool WriteHistoryFile(const std::string& path, const TStringList& entries,
                      const std::string& terminator) {
    std::string bytes;
    for (const std::string& entry : entries) {
        if (entry.size() > kMaxHistoryEntryBytes) continue;
        bytes += Escaped(MaskedHistoryEntry(entry, terminator));
        bytes += '\n';
    }
    return WriteOwnerOnlyFile(path, bytes);
}

bool WriteOwnerOnlyFile(const std::string& path, std::string_view bytes) {
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    std::string temporary = path + ".XXXXXX";
    // mkstemp creates the file with mode 0600: nobody else can read it.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes);
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}
