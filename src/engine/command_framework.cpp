#include "engine/command_framework.h"

#include <algorithm>

#include "engine/base_scripter.h"
#include "foundation/errors.h"
#include "foundation/language.h"

std::string ArgumentValue(const TStringList& arguments, std::string_view name) {
    for (const auto& entry : arguments) {
        const size_t eq = entry.find('=');
        if (eq != std::string::npos && std::string_view(entry).substr(0, eq) == name)
            return entry.substr(eq + 1);
    }
    return std::string();
}

void RaiseMissingParameter(const std::string& option, const std::string& command) {
    throw Exception(
        Format(Lang("Parameter %s not found for %s.", "Parameter %s niet gevonden voor %s"),
               option.c_str(), command.c_str()));
}

std::string FirstArgumentValue(const TStringList& arguments) {
    if (arguments.empty()) return std::string();
    const size_t eq = arguments.front().find('=');
    return eq == std::string::npos ? std::string() : arguments.front().substr(eq + 1);
}

namespace {

bool KeywordMatches(const TcPreparsedStatement& command, const std::string& keyword,
                    const std::string& upperStatement) {
    if (keyword.empty() || upperStatement.compare(0, keyword.size(), keyword) != 0) return false;
    if (upperStatement.size() == keyword.size()) return true;
    return !command.Syntax.empty() && upperStatement[keyword.size()] == ' ';
}

}  // namespace

TcPreparsedStatement* FindCommand(const TcPreparsedStatements& commands,
                                  const std::string& upperStatement, std::string& matched) {
    for (TcPreparsedStatement* command : commands) {
        if (KeywordMatches(*command, command->Keyword(), upperStatement)) {
            matched = command->Keyword();
            return command;
        }
        if (KeywordMatches(*command, command->Alias(), upperStatement)) {
            matched = command->Alias();
            return command;
        }
    }
    return nullptr;
}

void ParseArguments(const TcPreparsedStatement& command, const std::string& statement,
                    const std::string& matched, TStringList& arguments) {
    const std::string rest =
        TrimBlanks(std::string_view(statement).substr(std::min(matched.size(), statement.size())));
    TStringList tokens = SplitQuoted(rest, ' ', "'\"", "'\"");
    if (command.Syntax.empty()) {
        arguments = std::move(tokens);
        return;
    }
    const bool onlyToken = command.Syntax.size() == 1;
    // A marker stands for the option name of positional and choice tokens, so
    // that every token is taken out as "name, then value" in one way.
    constexpr const char* kMarker = "\x01";
    for (const std::string& raw : command.Syntax) {
        std::string token = raw;
        bool required = true;
        if (!token.empty() && token[0] == '&') {
            token.erase(0, 1);
            required = false;
        }
        std::string name = token;
        int found = -1;
        if (token == "$") {
            tokens.insert(tokens.begin(), kMarker);
            if (tokens.size() == 1) tokens.emplace_back();
            found = 0;
        } else if (!token.empty() && token[0] == '|') {
            name = token.substr(1);
            const TStringList words = SplitString(name, "|");
            bool ok = tokens.size() == 1 &&
                      std::any_of(words.begin(), words.end(),
                                  [&](const std::string& w) { return SameText(w, tokens[0]); });
            if (!ok)
                throw Exception(
                    Format(Lang("Parameters should be %s", "Parameterlijst moest bestaan uit %s"),
                           JoinStrings(words, ", ", Lang(" or ", " of ")).c_str()));
            tokens.insert(tokens.begin(), kMarker);
            found = 0;
        } else {
            // Options come in name/value pairs; a lone last token is never a name.
            const size_t pairs = (tokens.size() / 2) * 2;
            for (size_t i = 0; i < pairs; i += 2) {
                if (SameText(tokens[i], token)) {
                    found = static_cast<int>(i);
                    break;
                }
            }
            if (found < 0 && required) RaiseMissingParameter(token, matched);
        }
        if (found < 0) continue;
        tokens.erase(tokens.begin() + found);
        std::string value;
        if (onlyToken) {
            value = JoinStrings(TStringList(tokens.begin() + found, tokens.end()), " ", " ");
            tokens.erase(tokens.begin() + found, tokens.end());
        } else if (static_cast<size_t>(found) < tokens.size()) {
            value = tokens[static_cast<size_t>(found)];
            tokens.erase(tokens.begin() + found);
        }
        arguments.push_back(name + "=" + value);
    }
}

std::string HelpListing(const TcPreparsedStatements& commands, const std::string& argument) {
    struct Entry {
        std::string name;
        const TcPreparsedStatement* command;
    };
    std::vector<Entry> entries;
    for (const TcPreparsedStatement* command : commands) {
        entries.push_back({command->Keyword(), command});
        if (!command->Alias().empty()) entries.push_back({command->Alias(), command});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return CompareText(a.name, b.name) < 0;
    });
    std::string text;
    for (const Entry& entry : entries) {
        if (!entry.command->Listed) continue;
        if (argument.empty())
            text += entry.name + " " + entry.command->SyntaxText + "\r\n";
        else if (SameText(entry.name, argument))
            text += entry.name + " " + entry.command->SyntaxText + "\r\n" + entry.command->HelpText;
    }
    if (text.empty())
        text = argument + Lang(" is a unknown command.", " is een onbekend commando.");
    return text;
}

bool TcPreparsedStatements::IsFirstWord(const std::string& upperWord) const {
    if (firstWordsCount_ != Count) {
        firstWords_.clear();
        for (const TcPreparsedStatement* command : *this)
            for (const std::string* keyword : {&command->Keyword(), &command->Alias()})
                if (!keyword->empty())
                    firstWords_.push_back(keyword->substr(0, keyword->find(' ')));
        std::sort(firstWords_.begin(), firstWords_.end());
        firstWordsCount_ = Count;
    }
    return std::binary_search(firstWords_.begin(), firstWords_.end(), upperWord);
}

namespace {

// The statement's first word as matching will see it: carriage returns are
// dropped and a line feed counts as a space.
std::string FirstWord(const std::string& statement) {
    std::string word;
    for (const char c : statement) {
        if (c == ' ' || c == '\n') break;
        if (c != '\r') word += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        if (word.size() > 64) break;  // longer than any keyword's first word
    }
    return word;
}

}  // namespace

bool DispatchCommand(TcDBBaseScripter& engine, const std::string& statement, std::string& message) {
    if (!engine.Commands.IsFirstWord(FirstWord(statement))) return false;
    const std::string normalised = RemoveChars(ReplaceAll(statement, "\n", " "), "\r");
    std::string matched;
    TcPreparsedStatement* command = FindCommand(engine.Commands, UpperCase(normalised), matched);
    if (command == nullptr) return false;
    TStringList arguments;
    ParseArguments(*command, normalised, matched, arguments);
    command->Execute(engine, arguments, normalised, message);
    return true;
}
