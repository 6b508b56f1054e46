#include "scripter/catalogue_names.h"

#include <algorithm>
#include <cctype>

#include "mdo/extract/extract_text.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_transaction.h"
#include "mdo/mdo_xsqlvar.h"
#include "scripter/catalogue_query.h"
#include "scripter/scripter_ib.h"

namespace {

// Every relation with its kind (0 table, 1 view) and whether the server made
// it; then every column of every relation, in field-position order; then the
// stored procedures. Names come back padded as CHAR: they are trimmed.
constexpr const char* kRelationNamesQuery =
    "SELECT RDB$RELATION_NAME, CASE WHEN RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END, "
    "COALESCE(RDB$SYSTEM_FLAG, 0) FROM RDB$RELATIONS";
constexpr const char* kColumnNamesQuery =
    "SELECT RDB$RELATION_NAME, RDB$FIELD_NAME FROM RDB$RELATION_FIELDS "
    "ORDER BY RDB$RELATION_NAME, RDB$FIELD_POSITION";
constexpr const char* kProcedureNamesQuery = "SELECT RDB$PROCEDURE_NAME FROM RDB$PROCEDURES";

// Runs the query and hands every row to `read`.
template <class Read>
void ForEachRow(TMDODatabase& database, TMDOTransaction& transaction, const char* query,
                Read read) {
    TMDOSQL sql(&database);
    sql.SetTransaction(&transaction);
    sql.ParamCheck = false;
    sql.SetSQLText(query);
    for (sql.ExecQuery(); !sql.Eof(); sql.Next()) read(sql);
    sql.Close();
}

std::string Trimmed(TMDOSQL& sql, int column) {
    return TrimBlanks(sql.Fields(column).AsString());
}

// Case-insensitive order, then byte order so that the order is total.
void SortUnique(TStringList& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int order = CompareText(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
}

void AddMatches(TStringList& into, const TStringList& names, std::string_view prefix) {
    for (const std::string& name : names)
        if (StartsWithText(name, prefix)) into.push_back(name);
}

bool IsWordCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) != 0 || c == '_' || c == '$' || c == '"' || u >= 0x80;
}

size_t WordStart(std::string_view text, size_t end) {
    while (end > 0 && IsWordCharacter(text[end - 1])) --end;
    return end;
}

}  // namespace

bool TcCatalogueNames::Refresh(TcDBScripter_IB& scripter) {
    commandWords_.clear();
    for (const TcPreparsedStatement* command : scripter.Commands)
        for (const std::string* phrase : {&command->Keyword(), &command->Alias()})
            for (const std::string& word : SplitString(*phrase, " "))
                if (!word.empty()) commandWords_.push_back(word);
    SortUnique(commandWords_);

    const uint64_t version = scripter.CatalogueVersion();
    if (readVersion_ == version) return error_.empty();
    Clear();
    readVersion_ = version;
    if (!scripter.Connected() || scripter.DatabaseHandle() == 0) return true;
    try {
        ReadCatalogue(scripter);
    } catch (const std::exception& error) {
        Clear();
        error_ = error.what();
        return false;
    }
    return true;
}

void TcCatalogueNames::ReadCatalogue(TcDBScripter_IB& scripter) {
    TMDODatabase database;
    database.SetHandle(scripter.DatabaseHandle());
    // Names are quoted only where the connection knows quoted names.
    dialect_ = std::max(
        1, std::min(static_cast<int>(scripter.SQLDialect), database.ReadDatabaseDialect()));
    database.SetSQLDialect(dialect_);
    TMDOTransaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.SetParams({"read", "read_committed", "rec_version", "nowait"});
    transaction.StartTransaction();

    std::map<std::string, bool> system;
    ForEachRow(database, transaction, kRelationNamesQuery, [&](TMDOSQL& sql) {
        const std::string name = Trimmed(sql, 0);
        const bool isSystem = sql.Fields(2).AsInteger() != 0;
        system[name] = isSystem;
        TStringList& list =
            isSystem ? systemRelations_ : (sql.Fields(1).AsInteger() != 0 ? views_ : tables_);
        list.push_back(Spelled(name));
    });
    ForEachRow(database, transaction, kColumnNamesQuery, [&](TMDOSQL& sql) {
        columns_[Trimmed(sql, 0)].push_back(Spelled(Trimmed(sql, 1)));
    });
    ForEachRow(database, transaction, kProcedureNamesQuery,
               [&](TMDOSQL& sql) { procedures_.push_back(Spelled(Trimmed(sql, 0))); });
    transaction.Commit();
    for (TStringList* names : {&tables_, &views_, &procedures_, &systemRelations_})
        SortUnique(*names);
}

void TcCatalogueNames::Clear() {
    tables_.clear();
    views_.clear();
    procedures_.clear();
    systemRelations_.clear();
    columns_.clear();
    error_.clear();
}

std::string TcCatalogueNames::Spelled(std::string_view storedName) const {
    if (dialect_ == 1 || IsPlainIdentifier(storedName)) return std::string(storedName);
    return QuoteIdentifier(dialect_, storedName);
}

TStringList TcCatalogueNames::Complete(std::string_view qualifier, std::string_view prefix) const {
    TStringList matches;
    if (!qualifier.empty()) {
        const auto relation = columns_.find(CatalogueName(qualifier));
        if (relation != columns_.end()) AddMatches(matches, relation->second, prefix);
    } else {
        for (const TStringList* names : {&tables_, &views_, &procedures_, &commandWords_})
            AddMatches(matches, *names, prefix);
        if (prefix.find('$') != std::string_view::npos)
            AddMatches(matches, systemRelations_, prefix);
    }
    SortUnique(matches);
    return matches;
}

TCompletionWord CompletionWordAt(std::string_view text) {
    TCompletionWord word;
    const size_t start = WordStart(text, text.size());
    word.Prefix = std::string(text.substr(start));
    if (start > 0 && text[start - 1] == '.') {
        const size_t qualifierStart = WordStart(text, start - 1);
        word.Qualifier = std::string(text.substr(qualifierStart, start - 1 - qualifierStart));
    }
    return word;
}
