#include "cli/password_mask.h"

#include <string_view>

#include "foundation/string_utils.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

// The commands that read their PASSWORD option without quotes as well.
bool TakesUnquotedPassword(std::string_view statement) {
    size_t start = 0;
    while (start < statement.size() && IsBlank(statement[start])) ++start;
    statement.remove_prefix(start);
    return StartsWithText(statement, "CONNECT ") || StartsWithText(statement, "CREATE DATABASE ");
}

// The end of the quoted text that starts at `open`; a doubled quote stands
// for one inside it. The end of the statement when it is never closed.
size_t QuoteEnd(const std::string& text, size_t open) {
    const char quote = text[open];
    size_t pos = open + 1;
    while (pos < text.size()) {
        if (text[pos] == quote) {
            if (pos + 1 < text.size() && text[pos + 1] == quote) {
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        ++pos;
    }
    return text.size();
}

}  // namespace

std::string MaskPasswords(const std::string& statement) {
    constexpr std::string_view kKeyword = "PASSWORD";
    // Most statements name no password: they are returned as they are.
    if (UpperCase(statement).find(kKeyword) == std::string::npos) return statement;
    const bool unquoted = TakesUnquotedPassword(statement);
    std::string result;
    result.reserve(statement.size());
    size_t pos = 0;
    while (pos < statement.size()) {
        const char c = statement[pos];
        if (c == '\'' || c == '"') {
            const size_t end = QuoteEnd(statement, pos);
            result.append(statement, pos, end - pos);
            pos = end;
            continue;
        }
        const bool keyword =
            (pos == 0 || !IsWordChar(statement[pos - 1])) &&
            SameText(std::string_view(statement).substr(pos, kKeyword.size()), kKeyword) &&
            (pos + kKeyword.size() == statement.size() ||
             !IsWordChar(statement[pos + kKeyword.size()]));
        if (!keyword) {
            result += c;
            ++pos;
            continue;
        }
        size_t value = pos + kKeyword.size();
        while (value < statement.size() && IsBlank(statement[value])) ++value;
        result.append(statement, pos, value - pos);
        pos = value;
        if (pos >= statement.size()) break;
        if (statement[pos] == '\'' || statement[pos] == '"') {
            const char quote = statement[pos];
            result += quote;
            result += "***";
            result += quote;
            pos = QuoteEnd(statement, pos);
        } else if (unquoted) {
            size_t end = pos;
            while (end < statement.size() && !IsBlank(statement[end])) ++end;
            result += "***";
            pos = end;
        }
    }
    return result;
}
