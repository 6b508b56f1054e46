#include "foundation/string_utils.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "foundation/errors.h"

std::string EnsureFullStop(std::string_view text) {
    std::string result(text);
    if (!result.empty() && result.back() != '.') result += '.';
    return result;
}

std::string JoinStrings(const TStringList& items, std::string_view separator,
                        std::string_view lastSeparator) {
    std::string result;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) result += (i == items.size() - 1) ? lastSeparator : separator;
        result += items[i];
    }
    return result;
}

TStringList SplitString(std::string_view text, std::string_view separator) {
    TStringList parts;
    if (separator.empty()) {
        if (!text.empty()) parts.emplace_back(text);
        return parts;
    }
    size_t start = 0;
    for (size_t pos = text.find(separator); pos != std::string_view::npos;
         pos = text.find(separator, start)) {
        parts.emplace_back(text.substr(start, pos - start));
        start = pos + separator.size();
    }
    std::string_view rest = text.substr(start);
    if (!rest.empty() || !parts.empty()) parts.emplace_back(rest);
    return parts;
}

TStringList SplitQuoted(std::string_view text, char separator, std::string_view openingQuotes,
                        std::string_view closingQuotes) {
    TStringList tokens;
    std::string current;
    char closing = 0;  // the closing quote awaited, 0 outside quotes
    for (char c : text) {
        if (closing != 0) {
            if (c == closing) closing = 0;
            current += c;
        } else if (c == separator) {
            if (!current.empty()) tokens.push_back(std::move(current));
            current.clear();
        } else {
            const size_t q = openingQuotes.find(c);
            if (q != std::string_view::npos && q < closingQuotes.size()) closing = closingQuotes[q];
            current += c;
        }
    }
    if (!current.empty()) tokens.push_back(std::move(current));
    return tokens;
}

void AddTextLines(TStringList& list, std::string_view text) {
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            list.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) list.emplace_back(text.substr(start));
}

std::string PadRight(std::string_view text, size_t width, char fill) {
    std::string result(text);
    if (result.size() < width) result.append(width - result.size(), fill);
    return result;
}

std::string PadLeft(std::string_view text, size_t width, char fill) {
    if (text.size() >= width) return std::string(text);
    return std::string(width - text.size(), fill) + std::string(text);
}

std::string RemoveChars(std::string_view text, std::string_view characters) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (characters.find(c) == std::string_view::npos) result += c;
    return result;
}

std::string StripTrailingLineBreaks(std::string_view text) {
    while (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") text.remove_suffix(2);
    return std::string(text);
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

namespace {
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(Upper(a[i]));
        const auto y = static_cast<unsigned char>(Upper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

namespace {
// The part of the text without the line breaks, tabs and spaces around it.
std::string_view WithoutWhitespace(std::string_view text) {
    constexpr std::string_view kWhite = "\t\n\r ";
    const size_t first = text.find_first_not_of(kWhite);
    if (first == std::string_view::npos) return std::string_view();
    const size_t last = text.find_last_not_of(kWhite);
    return text.substr(first, last - first + 1);
}
}  // namespace

std::string TrimWhitespace(std::string_view text) {
    return std::string(WithoutWhitespace(text));
}

void TrimWhitespaceInPlace(std::string& text) {
    const std::string_view kept = WithoutWhitespace(text);
    const size_t first = kept.empty() ? 0 : static_cast<size_t>(kept.data() - text.data());
    text.erase(first + kept.size());
    text.erase(0, first);
}

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
}  // namespace

std::string TrimBlanks(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

std::string TrimLeftBlanks(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    return std::string(text.substr(first));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string result;
    size_t start = 0;
    for (size_t pos = text.find(from); pos != std::string_view::npos;
         pos = text.find(from, start)) {
        result.append(text.substr(start, pos - start));
        result.append(to);
        start = pos + from.size();
    }
    result.append(text.substr(start));
    return result;
}

std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    const std::string upperText = UpperCase(text);
    const std::string upperFrom = UpperCase(from);
    std::string result;
    size_t start = 0;
    for (size_t pos = upperText.find(upperFrom); pos != std::string::npos;
         pos = upperText.find(upperFrom, start)) {
        result.append(text.substr(start, pos - start));
        result.append(to);
        start = pos + from.size();
    }
    result.append(text.substr(start));
    return result;
}

int StrToInt(std::string_view text) {
    int value = 0;
    if (!TryStrToInt(text, value))
        throw Exception(Format("'%s' is not a valid integer value", std::string(text).c_str()));
    return value;
}

bool TryStrToInt(std::string_view text, int& value) {
    const std::string trimmed = TrimBlanks(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    if (digits.empty()) return false;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (ec != std::errc() || end != digits.data() + digits.size()) return false;
    value = parsed;
    return true;
}
