#pragma once
// TcCatalogueNames: the names both front ends offer to complete a word: the
// tables, views and stored procedures of the connected database, the columns
// of each relation, and the words of the console's own commands.
//
// The catalogue is read once per connection and again only after it may have
// changed (the scripter's CatalogueVersion: an attach, a DDL statement, the
// end of a transaction that ran DDL). It is read in a read-only transaction
// of its own on the scripter's attachment, so the user's transaction, the
// result buffer and the statement texts stay exactly as they were; DDL not
// yet committed shows once its transaction ends.
//
// Contract: Refresh on the thread that runs the scripter, while no statement
// runs; the object itself belongs to its owner's thread.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/string_utils.h"

class TcDBScripter_IB;

class TcCatalogueNames {
  public:
    // Reads the command words of the scripter's command table, and the
    // catalogue when it changed since the last read. Without a connection
    // only the command words remain. False when the catalogue could not be
    // read: the command words remain, Error says why, and it is not read
    // again before the next change (a completion must not retry a broken
    // connection at every key).
    bool Refresh(TcDBScripter_IB& scripter);

    // The names that complete `prefix`, compared without regard to case,
    // spelled as a statement must spell them (in double quotes unless the
    // name is a plain upper-case identifier), sorted, each once. With a
    // qualifier (the word before a dot, as typed: CUSTOMER, customer or
    // "lower_case"): the columns of that relation. Without one: tables,
    // views, procedures and command words; system relations only once the
    // prefix holds a "$", so that they stay out of the way until asked for.
    TStringList Complete(std::string_view qualifier, std::string_view prefix) const;

    // The names of the last read, spelled for a statement (tests, listings).
    const TStringList& Tables() const { return tables_; }
    const TStringList& Views() const { return views_; }
    const TStringList& Procedures() const { return procedures_; }
    const TStringList& CommandWords() const { return commandWords_; }
    // Why the last read of the catalogue failed; empty after success.
    const std::string& Error() const { return error_; }

  private:
    void ReadCatalogue(TcDBScripter_IB& scripter);
    void Clear();
    std::string Spelled(std::string_view storedName) const;

    TStringList tables_, views_, procedures_, systemRelations_, commandWords_;
    // The spelled columns of each relation, by its stored name.
    std::map<std::string, TStringList> columns_;
    std::optional<uint64_t> readVersion_;
    int dialect_ = 3;
    std::string error_;
};

// The word being completed at the end of `text` and the qualifier before its
// dot, for a front end that has the text before the cursor: the word is the
// run of identifier characters (letters, digits, "_", "$", and a leading
// double quote with what follows it), the qualifier the word before a "."
// that stands right before it, else empty.
struct TCompletionWord {
    std::string Qualifier;
    std::string Prefix;
};
TCompletionWord CompletionWordAt(std::string_view text);
