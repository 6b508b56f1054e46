#include "scripter/password_mask.h"

#include <cctype>

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

}  // namespace

std::string HidePasswords(std::string_view text) {
    if (!CarriesAPassword(text)) return std::string(text);
    std::string shown;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            const size_t end = QuotedEnd(text, i);
            shown.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (!KeywordAt(text, i)) {
            shown += c;
            ++i;
            continue;
        }
        size_t value = i + kKeyword.size();
        while (value < text.size() && IsBlank(text[value])) ++value;
        shown.append(text.substr(i, value - i));
        i = value;
        if (i == text.size()) break;
        if (text[i] == '\'' || text[i] == '"') {
            const size_t end = QuotedEnd(text, i);
            shown += text[i];
            shown.append(kHidden);
            // A text left open at the end has no closing quote to keep.
            if (end - i >= 2 && text[end - 1] == text[i]) shown += text[i];
            i = end;
        } else if (text[i] != ';') {
            while (i < text.size() && !IsBlank(text[i]) && text[i] != ';') ++i;
            shown.append(kHidden);
        }
    }
    return shown;
}
