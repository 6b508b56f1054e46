// Domains and tables: the CREATE DOMAIN and CREATE TABLE writers with their
// data type renderers.
#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

constexpr const char* kAllDomainsQuery =
    "select * from RDB$FIELDS where RDB$SYSTEM_FLAG <> 1 order BY RDB$FIELD_NAME";
constexpr const char* kTableDomainsQuery =
    "SELECT distinct fld.* FROM RDB$FIELDS FLD JOIN RDB$RELATION_FIELDS RFR ON   "
    "RFR.RDB$FIELD_SOURCE = FLD.RDB$FIELD_NAME WHERE RFR.RDB$RELATION_NAME = :TABLE_NAME ORDER BY "
    "FLD.RDB$FIELD_NAME";
constexpr const char* kDomainQuery =
    "SELECT * FROM RDB$FIELDS FLD WHERE FLD.RDB$FIELD_NAME = :DomainName ORDER BY "
    "FLD.RDB$FIELD_NAME";
constexpr const char* kTableQuery =
    "SELECT * FROM RDB$RELATIONS REL JOIN RDB$RELATION_FIELDS RFR ON   RFR.RDB$RELATION_NAME = "
    "REL.RDB$RELATION_NAME JOIN RDB$FIELDS FLD ON   RFR.RDB$FIELD_SOURCE = FLD.RDB$FIELD_NAME "
    "WHERE REL.RDB$RELATION_NAME = :RelationName ORDER BY RFR.RDB$FIELD_POSITION, "
    "RFR.RDB$FIELD_NAME";
constexpr const char* kKeyConstraintsQuery =
    "SELECT RELC.RDB$CONSTRAINT_NAME, RELC.RDB$CONSTRAINT_TYPE, RELC.RDB$INDEX_NAME, "
    "IDX.RDB$INDEX_TYPE FROM RDB$RELATION_CONSTRAINTS RELC LEFT JOIN RDB$INDICES IDX ON "
    "IDX.RDB$INDEX_NAME = RELC.RDB$INDEX_NAME WHERE   (RELC.RDB$CONSTRAINT_TYPE = 'PRIMARY "
    "KEY' OR   RELC.RDB$CONSTRAINT_TYPE = 'UNIQUE') AND   RELC.RDB$RELATION_NAME = :RELATIONNAME "
    "ORDER BY RELC.RDB$CONSTRAINT_NAME";
constexpr const char* kNotNullQuery =
    "SELECT RCO.RDB$CONSTRAINT_NAME, RDB$CONSTRAINT_TYPE, RDB$RELATION_NAME, RDB$DEFERRABLE, "
    "RDB$INITIALLY_DEFERRED, RDB$INDEX_NAME, RDB$TRIGGER_NAME FROM RDB$RELATION_CONSTRAINTS RCO, "
    "RDB$CHECK_CONSTRAINTS CON WHERE   CON.RDB$TRIGGER_NAME = :FIELDNAME AND   "
    "CON.RDB$CONSTRAINT_NAME = RCO.RDB$CONSTRAINT_NAME AND   RCO.RDB$CONSTRAINT_TYPE = 'NOT NULL' "
    "AND   RCO.RDB$RELATION_NAME = :RELATIONNAME";
constexpr const char* kAllTablesQuery =
    "SELECT * FROM RDB$RELATIONS WHERE   (RDB$SYSTEM_FLAG <> 1 OR RDB$SYSTEM_FLAG IS NULL) AND   "
    "RDB$VIEW_BLR IS NULL ORDER BY RDB$RELATION_NAME";

// Which table's computed column reads which other table: the read table
// must be written first.
constexpr const char* kComputedReadsQuery =
    "SELECT DISTINCT RFR.RDB$RELATION_NAME READER_, DEP.RDB$DEPENDED_ON_NAME READ_ FROM "
    "RDB$DEPENDENCIES DEP JOIN RDB$RELATION_FIELDS RFR ON RFR.RDB$FIELD_SOURCE = "
    "DEP.RDB$DEPENDENT_NAME WHERE DEP.RDB$DEPENDENT_TYPE = 3 AND DEP.RDB$DEPENDED_ON_TYPE = 0 "
    "AND RFR.RDB$RELATION_NAME <> DEP.RDB$DEPENDED_ON_NAME";

bool IsText(int type) {
    return type == 14 || type == 37;
}

std::string BlobText(const TcCatalogueQuery& row) {
    return BlobSubTypeText(row.AsInteger("RDB$FIELD_SUB_TYPE")) +
           Format(" SEGMENT SIZE %d", row.AsInteger("RDB$SEGMENT_LENGTH"));
}

}  // namespace

void TMDOExtract::WriteDomains(const std::string& name, TMDOExtractPart nameKind) {
    const char* sql =
        name.empty() ? kAllDomainsQuery : (nameKind == xpTable ? kTableDomainsQuery : kDomainQuery);
    TcCatalogueQuery query(*this, sql);
    if (!name.empty()) query.SetParam(nameKind == xpTable ? "TABLE_NAME" : "DomainName", name);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        const std::string domain = query.AsString("RDB$FIELD_NAME");
        if (IsGeneratedName(domain) && query.AsInteger("RDB$SYSTEM_FLAG") != 1) continue;
        if (first) Lines.emplace_back("/* Domain definitions */");
        first = false;
        Lines.push_back(Format("CREATE DOMAIN %s AS ", Ident(domain).c_str()) +
                        DomainTypeText(query) + ";");
    }
}

std::string TMDOExtract::DomainTypeText(TcCatalogueQuery& row) {
    const TcTypeFacts facts = TypeFactsOf(row);
    std::string text = TypeNameText(facts, ODSMajor() >= 10 && DBDialect() >= 3);
    if (facts.Type == 261)
        text += BlobText(row);
    else if (IsText(facts.Type) && !row.IsNull("RDB$CHARACTER_LENGTH"))
        text += Format("(%d)", row.AsInteger("RDB$CHARACTER_LENGTH"));
    text += TextCharsetText(facts, row);
    if (!row.IsNull("RDB$DIMENSIONS")) text += ArrayBoundsText(row.AsString("RDB$FIELD_NAME"));
    if (!row.IsNull("RDB$DEFAULT_SOURCE"))
        text += Format("%s%s %s", kCrLf, "\t", row.AsString("RDB$DEFAULT_SOURCE").c_str());
    if (!row.IsNull("RDB$VALIDATION_SOURCE")) {
        const std::string source = row.AsString("RDB$VALIDATION_SOURCE");
        if (StartsWithText(source, "CHECK"))
            text += Format("%s%s %s", kCrLf, "\t", source.c_str());
        else
            text += Format("%s%s /* %s */", kCrLf, "\t", source.c_str());
    }
    if (row.AsInteger("RDB$NULL_FLAG") == 1) text += " NOT NULL";
    if (!row.IsNull("RDB$COLLATION_ID") && row.AsInteger("RDB$COLLATION_ID") != 0)
        text += CharsetText(row.AsInteger("RDB$CHARACTER_SET_ID"),
                            row.AsInteger("RDB$COLLATION_ID"), true);
    return text;
}

void TMDOExtract::WriteTable(const std::string& tableName) {
    TcCatalogueQuery query(*this, kTableQuery);
    query.SetParam("RelationName", tableName);
    query.Open();
    const bool exists = !query.Eof();
    std::string temporary;
    if (exists) {
        const std::string owner = query.AsString("RDB$OWNER_NAME");
        if (!query.IsNull("RDB$OWNER_NAME") && !TrimBlanks(owner).empty())
            Lines.push_back(Format("%s/* Table: %s, Owner: %s */%s", kCrLf, tableName.c_str(),
                                   owner.c_str(), kCrLf));
        // 4 and 5: global temporary tables, their rows kept for the
        // attachment or for the transaction.
        const int relationType = ODSMajor() >= 12 && !query.IsNull("RDB$RELATION_TYPE")
                                     ? query.AsInteger("RDB$RELATION_TYPE")
                                     : 0;
        temporary = relationType == 4   ? " ON COMMIT PRESERVE ROWS"
                    : relationType == 5 ? " ON COMMIT DELETE ROWS"
                                        : "";
        Lines.push_back(Format("CREATE %sTABLE %s ", temporary.empty() ? "" : "GLOBAL TEMPORARY ",
                               Ident(tableName).c_str()));
        if (!query.IsNull("RDB$EXTERNAL_FILE"))
            Lines.push_back(Format("EXTERNAL FILE %s ",
                                   QuotedLiteral(query.AsString("RDB$EXTERNAL_FILE")).c_str()));
        Lines.emplace_back("(");
    }
    while (!query.Eof()) {
        std::string line = ColumnLine(query, tableName);
        query.Next();
        if (!query.Eof()) line += ",";
        Lines.push_back(std::move(line));
    }
    struct TcKey {
        std::string Name, Type, Index;
        bool Descending;
    };
    std::vector<TcKey> constraints;
    {
        TcCatalogueQuery keys(*this, kKeyConstraintsQuery);
        keys.SetParam("RELATIONNAME", tableName);
        for (keys.Open(); !keys.Eof(); keys.Next())
            constraints.push_back(
                {keys.AsString("RDB$CONSTRAINT_NAME"), keys.AsString("RDB$CONSTRAINT_TYPE"),
                 keys.AsString("RDB$INDEX_NAME"),
                 !keys.IsNull("RDB$INDEX_TYPE") && keys.AsInteger("RDB$INDEX_TYPE") == 1});
    }
    std::stable_sort(constraints.begin(), constraints.end(), [](const TcKey& a, const TcKey& b) {
        return ConstraintNameLess(a.Name, b.Name);
    });
    for (const TcKey& key : constraints) {
        if (!Lines.empty()) Lines.back() += ",";
        const std::string prefix =
            StartsWithText(key.Name, "INTEG") ? "" : "CONSTRAINT " + Ident(key.Name);
        const std::string columns = IndexColumnsText(key.Index);
        const std::string with = UsingIndexClause(Dialect(), key.Name, key.Index, key.Descending);
        if (StartsWithText(key.Type, "PRIMARY"))
            Lines.push_back(prefix + Format(" PRIMARY KEY (%s)", columns.c_str()) + with);
        else if (StartsWithText(key.Type, "UNIQUE"))
            Lines.push_back(prefix + Format(" UNIQUE (%s)", columns.c_str()) + with);
    }
    if (exists) Lines.push_back(")" + temporary + ";");
}

std::string TMDOExtract::ColumnLine(TcCatalogueQuery& row, const std::string& relationName) {
    const std::string column = row.AsString("RDB$FIELD_NAME");
    std::string line = "  " + Ident(column) + "\t";
    if (!row.IsNull("RDB$COMPUTED_BLR")) {
        line += " COMPUTED BY ";
        if (!row.IsNull("RDB$COMPUTED_SOURCE"))
            line += ComputedByText(row.AsString("RDB$COMPUTED_SOURCE"));
        return line;
    }
    const std::string domain = row.AsString("RDB$FIELD_NAME1");
    const int type = row.AsInteger("RDB$FIELD_TYPE");
    bool wroteCharset = false;
    if (IsGeneratedName(domain) || row.AsInteger("RDB$SYSTEM_FLAG") == 1) {
        line += ColumnTypeText(row, wroteCharset);
    } else {
        line += Ident(domain);
        // The column's own collation where it differs from the domain's,
        // named also when it is the character set's default.
        const int domainCollation =
            row.IsNull("RDB$COLLATION_ID1") ? 0 : row.AsInteger("RDB$COLLATION_ID1");
        if (IsText(type) && !row.IsNull("RDB$COLLATION_ID") &&
            row.AsInteger("RDB$COLLATION_ID") != domainCollation)
            line += CollationText(row.AsInteger("RDB$CHARACTER_SET_ID"),
                                  row.AsInteger("RDB$COLLATION_ID"));
    }
    if (ODSMajor() >= 12 && !row.IsNull("RDB$IDENTITY_TYPE"))
        line += " GENERATED BY DEFAULT AS IDENTITY";
    if (!row.IsNull("RDB$DEFAULT_SOURCE")) line += " " + row.AsString("RDB$DEFAULT_SOURCE");
    if (row.AsInteger("RDB$NULL_FLAG") == 1) {
        std::vector<std::string> names;
        if (lookups_.Active) {
            names = NotNullConstraints(relationName, column);
        } else {
            TcCatalogueQuery constraints(*this, kNotNullQuery);
            constraints.SetParam("FIELDNAME", column);
            constraints.SetParam("RELATIONNAME", relationName);
            for (constraints.Open(); !constraints.Eof(); constraints.Next())
                names.push_back(constraints.AsString("RDB$CONSTRAINT_NAME"));
        }
        for (const std::string& name : names)
            if (!StartsWithText(name, "INTEG"))
                line += Format(" CONSTRAINT %s", Ident(name).c_str());
        line += " NOT NULL";
    }
    if (wroteCharset) {
        int collation = 0;
        if (!row.IsNull("RDB$COLLATION_ID1"))
            collation = row.AsInteger("RDB$COLLATION_ID1");
        else if (!row.IsNull("RDB$COLLATION_ID"))
            collation = row.AsInteger("RDB$COLLATION_ID");
        if (collation != 0)
            line += CharsetText(row.AsInteger("RDB$CHARACTER_SET_ID"), collation, true);
    }
    return line;
}

std::string TMDOExtract::ColumnTypeText(TcCatalogueQuery& row, bool& wroteCharset) {
    // A table row holds the domain's type columns, which are what the
    // domain lookup of the column would read: no lookup is needed.
    const TcTypeFacts facts = TypeFactsOf(row);
    std::string text = TypeNameText(facts, ODSMajor() >= 10);
    if (IsText(facts.Type))
        text += Format("(%d)", row.IsNull("RDB$CHARACTER_LENGTH")
                                   ? row.AsInteger("RDB$FIELD_LENGTH")
                                   : row.AsInteger("RDB$CHARACTER_LENGTH"));
    if (!row.IsNull("RDB$DIMENSIONS")) text += ArrayBoundsText(row.AsString("RDB$FIELD_NAME1"));
    if (facts.Type == 261) text += BlobText(row);
    const std::string clause = TextCharsetText(facts, row);
    wroteCharset = !clause.empty() && !row.IsNull("RDB$CHARACTER_SET_ID") &&
                   row.AsInteger("RDB$CHARACTER_SET_ID") != 0;
    return text + clause;
}

void TMDOExtract::WriteAllTables() {
    std::vector<std::string> tables;
    {
        TcCatalogueQuery query(*this, kAllTablesQuery);
        for (query.Open(); !query.Eof(); query.Next())
            tables.push_back(query.AsString("RDB$RELATION_NAME"));
    }
    std::vector<std::pair<std::string, std::string>> reads;
    {
        TcCatalogueQuery query(*this, kComputedReadsQuery);
        for (query.Open(); !query.Eof(); query.Next())
            reads.emplace_back(query.AsString("READER_"), query.AsString("READ_"));
    }
    for (const std::string& table : DependencyOrder(tables, reads)) WriteTable(table);
}
