#pragma once
// The steps the catalogue and generator commands share: a catalogue query run
// as the engine's own statement and read through the view, a name made safe
// for a query literal, a relation's column names, and the pretty spelling of
// a catalogue name.

#include <functional>
#include <string>
#include <string_view>

#include "foundation/string_utils.h"

class TcDBScripter_IB;
class TcDBScripter_IBView;

enum class TTrimCharFields { AsSet, ForcedOn };

// Runs `query` as internal execution through the engine's normal statement
// path (the transaction model applies), hands the buffered rows to `read`
// through the view, and resets the result buffer. The command's own
// statement keeps its per-statement texts (statement, plan, statistics,
// message, record count): the query is never shown. While the query runs,
// TrimCharFields is on when forced, the plan is off (an only-plan mode would
// leave nothing to read) and errors are never suppressed, so a failing query
// leaves the command as the server's EUser. Every setting comes back
// however the query ends.
void RunCatalogueQuery(TcDBScripter_IB& scripter, const std::string& query, TTrimCharFields trim,
                       const std::function<void(TcDBScripter_IBView& view)>& read);

// A name as typed to the name the catalogue stores: in double quotes it is
// kept as written (doubled quotes undone), otherwise it is upper-cased.
std::string CatalogueName(std::string_view name);

// `query` with its one "%s" replaced by the CatalogueName of the name, every
// single quote in it doubled so that the name stays one literal: a quote
// never breaks or changes the query.
std::string CatalogueQueryFor(const char* query, std::string_view name);

// The column names of a relation in field-position order, trimmed; empty for
// an empty name or a relation that does not exist.
TStringList RelationColumns(TcDBScripter_IB& scripter, std::string_view name);

// The name in lower case with its first letter and every letter after "$"
// or "_" in upper case; "id" is "ID". CUSTOMER_NAME gives Customer_Name.
std::string PrettyName(std::string_view name);

// The first `width` characters of a text (all of it when shorter).
std::string CutTo(std::string_view text, int width);
