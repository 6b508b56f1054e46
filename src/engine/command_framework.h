#pragma once
// The command framework: every built-in command is a TcPreparsedStatement
// with a keyword, syntax tokens that drive argument parsing, and one Execute.
// The registry keeps commands in registration order and the first matching
// keyword wins, so a command whose keyword begins with another's must be
// registered first when both take arguments.

#include <string>
#include <vector>

#include "foundation/lists.h"
#include "foundation/string_utils.h"

class TcDBBaseScripter;

class TcPreparsedStatement : public TObject {
  public:
    TcPreparsedStatement() = default;

    // Arguments arrive as "name=value" entries in the order of the syntax
    // tokens; the statement is normalised (line feeds made spaces, carriage
    // returns removed). Whatever is left in message becomes LastMessage.
    virtual void Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                         const std::string& statement, std::string& message) = 0;

    const std::string& Keyword() const { return Keyword_; }
    void SetKeyword(const std::string& keyword) { Keyword_ = UpperCase(keyword); }
    const std::string& Alias() const { return Alias_; }
    void SetAlias(const std::string& alias) { Alias_ = UpperCase(alias); }

    std::string HelpText;
    std::string SyntaxText;
    TStringList Syntax;
    bool Listed = true;

  private:
    std::string Keyword_;
    std::string Alias_;
};

class TcPreparsedStatements : public TcList<TcPreparsedStatement> {
  public:
    // Whether some keyword or alias begins with this upper-case word; lets a
    // statement that can be no command skip the matching. Commands may be
    // added at any time, so the set is rebuilt when the count changes.
    bool IsFirstWord(const std::string& upperWord) const;

  private:
    mutable std::vector<std::string> firstWords_;  // sorted
    mutable int32_t firstWordsCount_ = -1;
};

// The value of the argument with the given name, or empty when absent.
std::string ArgumentValue(const TStringList& arguments, std::string_view name);
// The value of the first argument (the choice token's entry).
std::string FirstArgumentValue(const TStringList& arguments);
// The error of a required option missing from a command's statement.
[[noreturn]] void RaiseMissingParameter(const std::string& option, const std::string& command);

// The command handling the upper-case statement, and the keyword or alias
// that matched; nullptr when the statement is not a command.
TcPreparsedStatement* FindCommand(const TcPreparsedStatements& commands,
                                  const std::string& upperStatement, std::string& matched);
// Fills arguments from the statement by the command's syntax tokens. Raises a
// plain error when a choice or a required option is missing.
void ParseArguments(const TcPreparsedStatement& command, const std::string& statement,
                    const std::string& matched, TStringList& arguments);
// The HELP listing: every listed command's syntax line, or one command's syntax
// line and help text when a name is given.
std::string HelpListing(const TcPreparsedStatements& commands, const std::string& argument);
// Runs the statement as a command when it is one. Returns whether a command
// ran; message receives what the command left.
bool DispatchCommand(TcDBBaseScripter& engine, const std::string& statement, std::string& message);
