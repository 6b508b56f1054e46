#include "scripter/password_mask.h"

#include <cctype>
#include <vector>

#include "foundation/string_utils.h"

namespace {

constexpr std::string_view kKeyword = "PASSWORD";
constexpr std::string_view kHidden = "***";

bool IsWordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The end of the value that starts at `start`, read as the commands read
// their arguments (ParseArguments: SplitQuoted on blanks, line breaks made
// blanks): up to a blank or line break outside quotes, where a quote opens
// a text that runs to the next quote of its kind. So 'a'b, ''a'' and
// 'a'"b" are one value each, all of which the command takes. A ";" outside
// quotes ends it too: the terminator is no part of it.
size_t ValueEnd(std::string_view text, size_t start) {
    char closing = 0;
    size_t i = start;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (closing != 0) {
            if (c == closing) closing = 0;
        } else if (c == '\'' || c == '"') {
            closing = c;
        } else if (c == ' ' || c == '\n' || c == ';' ||
                   (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            break;
        }
    }
    return i;
}

// The end of the quoted text opened at `open`: after its closing quote (a
// doubled quote is part of the text), or the end of the text.
size_t QuotedEnd(std::string_view text, size_t open) {
    const char quote = text[open];
    size_t i = open + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return text.size();
}

// Statements that carry a password: the console's CONNECT, CREATE DATABASE,
// CREATE USER and ALTER USER, and the server's user statements. In any other
// statement PASSWORD is a name (a column, say), and what follows it stays.
constexpr std::string_view kPasswordStatements[] = {
    "CONNECT",    "CREATE DATABASE",      "CREATE SCHEMA",      "CREATE USER",
    "ALTER USER", "CREATE OR ALTER USER", "ALTER CURRENT USER",
};

bool CarriesAPassword(std::string_view text) {
    // Blanks between the words count as one.
    std::string words;
    for (char c : text.substr(0, 64)) {
        if (IsBlank(c)) {
            if (!words.empty() && words.back() != ' ') words += ' ';
        } else {
            words += c;
        }
    }
    for (std::string_view start : kPasswordStatements)
        if (StartsWithText(words, start) &&
            (words.size() == start.size() || !IsWordCharacter(words[start.size()])))
            return true;
    return false;
}

bool KeywordAt(std::string_view text, size_t i) {
    if (i > 0 && (IsWordCharacter(text[i - 1]) || text[i - 1] == '.')) return false;
    if (text.size() - i < kKeyword.size()) return false;
    if (!SameText(text.substr(i, kKeyword.size()), kKeyword)) return false;
    const size_t after = i + kKeyword.size();
    return after == text.size() || !IsWordCharacter(text[after]);
}

// Walks a statement that carries a password: `keep` receives every piece
// shown as it stands, `value` every password value, in order.
template <class Keep, class Value>
void WalkPasswords(std::string_view text, Keep keep, Value value) {
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            const size_t end = QuotedEnd(text, i);
            keep(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (!KeywordAt(text, i)) {
            keep(text.substr(i, 1));
            ++i;
            continue;
        }
        size_t start = i + kKeyword.size();
        while (start < text.size() && IsBlank(text[start])) ++start;
        keep(text.substr(i, start - i));
        i = ValueEnd(text, start);
        if (i > start) value(text.substr(start, i - start));
    }
}

bool IsWordAt(std::string_view text, size_t at, size_t length) {
    return (at == 0 || !IsWordCharacter(text[at - 1])) &&
           (at + length == text.size() || !IsWordCharacter(text[at + length]));
}

}  // namespace

std::string HidePasswords(std::string_view text) {
    if (!CarriesAPassword(text)) return std::string(text);
    std::string shown;
    WalkPasswords(
        text, [&](std::string_view piece) { shown.append(piece); },
        [&](std::string_view taken) {
            // A value that is one quoted text keeps its quotes (the closing
            // one only when there is one); any other shape, such as 'a'b or
            // ''a'', is hidden whole.
            const char first = taken.front();
            if ((first == '\'' || first == '"') && QuotedEnd(taken, 0) == taken.size()) {
                shown += first;
                shown.append(kHidden);
                if (taken.size() >= 2 && taken.back() == first) shown += first;
            } else {
                shown.append(kHidden);
            }
        });
    return shown;
}

std::string HidePasswordWords(std::string_view message, std::string_view statement) {
    std::string shown(message);
    if (!CarriesAPassword(statement)) return shown;
    // The words a server may quote back: the value without its quotes, and
    // each piece of it between quotes.
    std::vector<std::string> words;
    WalkPasswords(
        statement, [](std::string_view) {},
        [&](std::string_view taken) {
            words.push_back(RemoveChars(taken, "'\""));
            std::string piece;
            for (const char c : taken) {
                if (c != '\'' && c != '"') {
                    piece += c;
                } else if (!piece.empty()) {
                    words.push_back(std::move(piece));
                    piece.clear();
                }
            }
            if (!piece.empty()) words.push_back(std::move(piece));
        });
    for (const std::string& word : words) {
        if (word.empty()) continue;
        for (size_t at = shown.find(word); at != std::string::npos; at = shown.find(word, at + 1)) {
            if (!IsWordAt(shown, at, word.size())) continue;
            shown.replace(at, word.size(), kHidden);
        }
    }
    return shown;
}
