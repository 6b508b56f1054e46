// The extractor's framework: properties, the two entry points and the
// whole-database order, and the renderers every writer shares.
#include "mdo/extract/extract.h"

#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract_text.h"
#include "mdo/identifiers.h"
#include "mdo/mdo_transaction.h"

namespace {

constexpr const char* kCollationQuery =
    "SELECT CST.RDB$CHARACTER_SET_NAME, COL.RDB$COLLATION_NAME, CST.RDB$DEFAULT_COLLATE_NAME "
    "FROM RDB$COLLATIONS COL JOIN RDB$CHARACTER_SETS CST ON   COL.RDB$CHARACTER_SET_ID = "
    "CST.RDB$CHARACTER_SET_ID WHERE   COL.RDB$COLLATION_ID = :COLLATION AND   "
    "CST.RDB$CHARACTER_SET_ID = :CHAR_SET_ID ORDER BY COL.RDB$COLLATION_NAME, "
    "CST.RDB$CHARACTER_SET_NAME";
constexpr const char* kCharsetQuery =
    "SELECT CST.RDB$CHARACTER_SET_NAME FROM RDB$CHARACTER_SETS CST WHERE "
    "CST.RDB$CHARACTER_SET_ID = :CHARSETID ORDER BY CST.RDB$CHARACTER_SET_NAME";
constexpr const char* kDefaultCharsetQuery = "SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE";
constexpr const char* kDimensionsQuery =
    "SELECT * FROM RDB$FIELD_DIMENSIONS FDIM WHERE   FDIM.RDB$FIELD_NAME = :FIELDNAME ORDER BY "
    "FDIM.RDB$DIMENSION";
constexpr const char* kAllSegmentsQuery =
    "SELECT SEG.RDB$INDEX_NAME, SEG.RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS SEG ORDER BY "
    "SEG.RDB$INDEX_NAME, SEG.RDB$FIELD_POSITION";
constexpr const char* kAllNotNullQuery =
    "SELECT RCO.RDB$CONSTRAINT_NAME, RCO.RDB$RELATION_NAME, CON.RDB$TRIGGER_NAME FROM "
    "RDB$RELATION_CONSTRAINTS RCO, RDB$CHECK_CONSTRAINTS CON WHERE CON.RDB$CONSTRAINT_NAME = "
    "RCO.RDB$CONSTRAINT_NAME AND RCO.RDB$CONSTRAINT_TYPE = 'NOT NULL'";
// Every object of which someone but its owner holds a privilege, or under
// whose name a role is granted: the others get no GRANT from any of the
// three privilege queries.
constexpr const char* kPrivilegedObjectsQuery =
    "SELECT DISTINCT PRV.RDB$RELATION_NAME FROM RDB$USER_PRIVILEGES PRV LEFT JOIN RDB$RELATIONS "
    "REL ON REL.RDB$RELATION_NAME = PRV.RDB$RELATION_NAME LEFT JOIN RDB$PROCEDURES PRC ON "
    "PRC.RDB$PROCEDURE_NAME = PRV.RDB$RELATION_NAME WHERE PRV.RDB$PRIVILEGE = 'M' OR "
    "REL.RDB$OWNER_NAME <> PRV.RDB$USER OR PRC.RDB$OWNER_NAME <> PRV.RDB$USER";
constexpr const char* kSegmentsQuery =
    "SELECT * FROM RDB$INDEX_SEGMENTS SEG WHERE SEG.RDB$INDEX_NAME = :INDEXNAME ORDER BY "
    "SEG.RDB$FIELD_POSITION";

// Starts the transaction when it is not active and commits it at the end of
// a normal run; an exception leaves it as it is.
class TcStartedTransaction {
  public:
    explicit TcStartedTransaction(TMDOTransaction* transaction)
        : transaction_(transaction != nullptr && !transaction->Active() ? transaction : nullptr) {
        if (transaction_ != nullptr) transaction_->StartTransaction();
    }
    void Finish() {
        if (transaction_ != nullptr) transaction_->Commit();
        transaction_ = nullptr;
    }

  private:
    TMDOTransaction* transaction_;
};

}  // namespace

void TMDOExtract::SetDatabase(TMDODatabase* database) {
    if (database == link_.Database()) return;
    Forget();
    link_.SetDatabase(database);
    DatabaseInfo.Database = database;
}

void TMDOExtract::SetTransaction(TMDOTransaction* transaction) {
    if (transaction == link_.Transaction()) return;
    link_.SetTransaction(transaction);
    DatabaseInfo.Database = link_.Database();
}

std::string TMDOExtract::Text() const {
    return LinesText(Lines);
}

std::string TMDOExtract::Ident(std::string_view name) const {
    return QuoteIdentifier(Dialect(), name);
}

int TMDOExtract::Dialect() const {
    return Database() != nullptr ? Database()->SQLDialect() : 3;
}

int TMDOExtract::ODSMajor() {
    if (ods_ < 0) ods_ = static_cast<int>(DatabaseInfo.ODSMajorVersion());
    return ods_;
}

int TMDOExtract::DBDialect() {
    if (dbDialect_ < 0) dbDialect_ = static_cast<int>(DatabaseInfo.DBSQLDialect());
    return dbDialect_;
}

bool TMDOExtract::HasDefaultCharset() {
    if (hasDefaultCharset_ < 0) {
        TcCatalogueQuery query(*this, kDefaultCharsetQuery);
        query.Open();
        const std::string charset = query.Eof() ? "" : query.Trimmed("RDB$CHARACTER_SET_NAME");
        hasDefaultCharset_ = !charset.empty() && charset != "NONE" ? 1 : 0;
    }
    return hasDefaultCharset_ == 1;
}

int64_t TMDOExtract::DatabaseInfoItem(char item) {
    return DatabaseInfo.ReadInfoInteger(item);
}

void TMDOExtract::ExtractByKind(TMDOExtractObject kind, const std::string& name,
                                TMDOExtractParts parts) {
    TcStartedTransaction started(Transaction());
    charsetTexts_.clear();
    collationTexts_.clear();
    Lines.clear();
    Unwritten.clear();
    const TMDOExtractPart tableOr = parts.Has(xpTable) ? xpTable : xpDomain;
    auto kindOr = [&parts](TMDOExtractPart own) { return parts.Has(xpTable) ? xpTable : own; };
    switch (kind) {
        case xoDatabase:
            ExtractWholeDatabase();
            break;
        case xoDomain:
            WriteDomains(name, tableOr);
            break;
        case xoTable:
            if (name.empty()) {
                WriteAllTables();
                break;
            }
            if (parts.Has(xpDomain)) WriteDomains(name, xpTable);
            WriteTable(name);
            if (parts.Has(xpIndex)) WriteIndexes(name, xpTable);
            if (parts.Has(xpForeignKey)) WriteForeignKeys(name, xpTable);
            if (parts.Has(xpCheck)) WriteCheckConstraints(name, xpTable);
            if (parts.Has(xpTrigger)) WriteTriggers(name, xpTable);
            if (parts.Has(xpGrant)) WriteObjectGrants(name, ";");
            if (parts.Has(xpData)) WriteTableData(name);
            break;
        case xoView:
            WriteViews(name);
            break;
        case xoProcedure:
            WriteProcedures(name);
            break;
        case xoFunction:
            WriteExternalFunctions(name);
            WriteFunctionPasses(name, true, true);
            break;
        case xoGenerator:
            WriteGenerators(name);
            break;
        case xoException:
            WriteExceptions(name);
            break;
        case xoBlobFilter:
            WriteBlobFilters(name);
            break;
        case xoRole:
            WriteRoles(name);
            break;
        case xoTrigger:
            WriteTriggers(name, kindOr(xpTrigger));
            break;
        case xoForeignKey:
            WriteForeignKeys(name, kindOr(xpForeignKey));
            break;
        case xoIndex:
            WriteIndexes(name, kindOr(xpIndex));
            break;
        case xoCheck:
            WriteCheckConstraints(name, kindOr(xpCheck));
            break;
        case xoData:
            WriteTableData(name);
            break;
    }
    started.Finish();
}

void TMDOExtract::ExtractWholeDatabase() {
    TMDODatabase* database = Database();
    const bool connected = database != nullptr && !database->Connected();
    if (connected) database->SetConnected(true);
    Lines.push_back(Format("SET SQL DIALECT %d;", Dialect()));
    Lines.emplace_back();
    Unwritten.clear();
    TcStartedTransaction started(Transaction());
    lookups_ = TcLookups();
    lookups_.Active = true;
    struct TcLookupsGuard {
        TcLookups& Lookups;
        ~TcLookupsGuard() { Lookups = TcLookups(); }
    } guard{lookups_};
    WriteDatabaseHeader();
    WriteBlobFilters("");
    WriteExternalFunctions("");
    WriteCollations();
    WriteDomains("", xpDomain);
    WriteAllTables();
    WriteIndexes("", xpIndex);
    WriteForeignKeys("", xpForeignKey);
    WriteGenerators("");
    WriteExceptions("");
    WriteFunctionPasses("", true, false);
    WriteProcedurePasses("", true, false);
    WritePackagePasses(true, false);
    WriteViews("");
    WriteCheckConstraints("", xpCheck);
    WriteFunctionPasses("", false, true);
    WriteProcedurePasses("", false, true);
    WritePackagePasses(false, true);
    WriteTriggers("", xpTrigger);
    WriteGrants();
    WriteComments();
    WriteUnwritten();
    started.Finish();
    if (connected) database->SetConnected(false);
}

std::string TMDOExtract::CharsetText(int charsetId, int collationId, bool collateOnly) {
    const auto key = std::make_tuple(charsetId, collationId, collateOnly);
    if (auto found = charsetTexts_.find(key); found != charsetTexts_.end()) return found->second;
    TcStartedTransaction started(Transaction());
    std::string text;
    if (collationId != 0) {
        TcCatalogueQuery query(*this, kCollationQuery);
        query.SetParam("COLLATION", collationId);
        query.SetParam("CHAR_SET_ID", charsetId);
        query.Open();
        // Ids the catalogue does not hold give no clause.
        if (!query.Eof())
            text = CharsetClause(query.Trimmed("RDB$CHARACTER_SET_NAME"),
                                 query.Trimmed("RDB$COLLATION_NAME"),
                                 query.Trimmed("RDB$DEFAULT_COLLATE_NAME"), collateOnly);
    } else if (charsetId != 0) {
        TcCatalogueQuery query(*this, kCharsetQuery);
        query.SetParam("CHARSETID", charsetId);
        query.Open();
        if (!query.Eof()) text = " CHARACTER SET " + query.Trimmed("RDB$CHARACTER_SET_NAME");
    }
    started.Finish();
    charsetTexts_.emplace(key, text);
    return text;
}

std::string TMDOExtract::CollationText(int charsetId, int collationId) {
    const auto key = std::make_pair(charsetId, collationId);
    if (auto found = collationTexts_.find(key); found != collationTexts_.end())
        return found->second;
    TcCatalogueQuery query(*this, kCollationQuery);
    query.SetParam("COLLATION", collationId);
    query.SetParam("CHAR_SET_ID", charsetId);
    query.Open();
    const std::string text = query.Eof()
                                 ? std::string()
                                 : " COLLATE " + CollationName(query.Trimmed("RDB$COLLATION_NAME"));
    collationTexts_.emplace(key, text);
    return text;
}

std::string TMDOExtract::TextCharsetText(const TcTypeFacts& facts, TcCatalogueQuery& row) {
    const bool text = facts.Type == 14 || facts.Type == 37 || facts.Type == 40 ||
                      (facts.Type == 261 && facts.SubType == 1);
    if (!text) return "";
    const int charset =
        row.IsNull("RDB$CHARACTER_SET_ID") ? 0 : row.AsInteger("RDB$CHARACTER_SET_ID");
    if (charset != 0) return CharsetText(charset, 0, false);
    return HasDefaultCharset() ? " CHARACTER SET NONE" : "";
}

std::string TMDOExtract::ArrayBoundsText(const std::string& fieldName) {
    TcCatalogueQuery query(*this, kDimensionsQuery);
    query.SetParam("FIELDNAME", fieldName);
    std::vector<std::pair<int, int>> bounds;
    for (query.Open(); !query.Eof(); query.Next())
        bounds.emplace_back(query.AsInteger("RDB$LOWER_BOUND"), query.AsInteger("RDB$UPPER_BOUND"));
    return ArrayBoundsFromPairs(bounds);
}

std::string TMDOExtract::IndexColumnsText(const std::string& indexName) {
    if (lookups_.Active) {
        if (!lookups_.IndexesRead) {
            TcCatalogueQuery all(*this, kAllSegmentsQuery);
            for (all.Open(); !all.Eof(); all.Next()) {
                std::string& text = lookups_.IndexColumns[all.AsString("RDB$INDEX_NAME")];
                if (!text.empty()) text += ", ";
                text += Ident(all.AsString("RDB$FIELD_NAME"));
            }
            lookups_.IndexesRead = true;
        }
        const auto found = lookups_.IndexColumns.find(indexName);
        return found != lookups_.IndexColumns.end() ? found->second : std::string();
    }
    TcCatalogueQuery query(*this, kSegmentsQuery);
    query.SetParam("INDEXNAME", indexName);
    std::string text;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (!text.empty()) text += ", ";
        text += Ident(query.AsString("RDB$FIELD_NAME"));
    }
    return text;
}

const std::vector<std::string>& TMDOExtract::NotNullConstraints(const std::string& relation,
                                                                const std::string& column) {
    if (!lookups_.NotNullRead) {
        TcCatalogueQuery all(*this, kAllNotNullQuery);
        for (all.Open(); !all.Eof(); all.Next())
            lookups_.NotNull[{all.AsString("RDB$RELATION_NAME"), all.AsString("RDB$TRIGGER_NAME")}]
                .push_back(all.AsString("RDB$CONSTRAINT_NAME"));
        lookups_.NotNullRead = true;
    }
    static const std::vector<std::string> none;
    const auto found = lookups_.NotNull.find({relation, column});
    return found != lookups_.NotNull.end() ? found->second : none;
}

bool TMDOExtract::MayHavePrivileges(const std::string& objectName) {
    if (!lookups_.Active) return true;
    if (!lookups_.GranteesRead) {
        TcCatalogueQuery all(*this, kPrivilegedObjectsQuery);
        for (all.Open(); !all.Eof(); all.Next())
            lookups_.WithPrivileges.insert(all.Trimmed("RDB$RELATION_NAME"));
        lookups_.GranteesRead = true;
    }
    return lookups_.WithPrivileges.count(objectName) > 0;
}
