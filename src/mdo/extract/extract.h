#pragma once
// TMDOExtract: reads the catalogue of a connected database (the RDB$ system
// tables) and writes its definitions as DDL script text into `Lines`.
//
// Contract: one owning thread, like every access-layer component. The
// database and the transaction are linked, not owned: when either is freed
// the reference is cleared. Writers only append to `Lines`; ExtractByKind
// empties it first. Catalogue errors reach the caller unchanged, and what was
// appended before stays. Statements are prepared once per extractor and
// query text, and reused for every row that needs them, so the cost of a
// whole-database script grows with the number of objects, not with one
// prepare per column.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/string_utils.h"
#include "mdo/extract/extract_text.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_database_info.h"

class TMDOSQL;
class TMDOTransaction;
class TcCatalogueQuery;

enum TMDOExtractObject {
    xoDatabase = 0,
    xoDomain = 1,
    xoTable = 2,
    xoView = 3,
    xoProcedure = 4,
    xoFunction = 5,
    xoGenerator = 6,
    xoException = 7,
    xoBlobFilter = 8,
    xoRole = 9,
    xoTrigger = 10,
    xoForeignKey = 11,
    xoIndex = 12,
    xoCheck = 13,
    xoData = 14
};

// As one value it says what a writer's name designates; as a set (bit n for
// value n) the extra parts that ExtractByKind writes with a table.
enum TMDOExtractPart {
    xpDomain = 0,
    xpTable = 1,
    xpTrigger = 3,
    xpForeignKey = 4,
    xpIndex = 5,
    xpData = 6,
    xpGrant = 7,
    xpCheck = 8
};

class TMDOExtractParts {
  public:
    TMDOExtractParts() = default;
    TMDOExtractParts(std::initializer_list<TMDOExtractPart> parts) {
        for (TMDOExtractPart part : parts) bits_ |= 1u << part;
    }
    bool Has(TMDOExtractPart part) const { return (bits_ & (1u << part)) != 0; }

  private:
    unsigned bits_ = 0;
};

class TMDOExtract {
  public:
    TMDOExtract();
    // An owner that is a database becomes Database, a transaction Transaction.
    explicit TMDOExtract(TMDODatabase* owner);
    explicit TMDOExtract(TMDOTransaction* owner);
    virtual ~TMDOExtract();
    TMDOExtract(const TMDOExtract&) = delete;
    TMDOExtract& operator=(const TMDOExtract&) = delete;

    TMDODatabase* Database() const { return link_.Database(); }
    // With no transaction yet, the database's default one is taken.
    void SetDatabase(TMDODatabase* database);
    TMDOTransaction* Transaction() const { return link_.Transaction(); }
    // With no database yet, the transaction's default one is taken.
    void SetTransaction(TMDOTransaction* transaction);

    // Bound to Database whenever Database changes.
    TMDODatabaseInfo DatabaseInfo;
    // The output: one text item each, shown followed by CR LF.
    TStringList Lines;
    // Stored only.
    bool ShowSystem = false;
    // After ExtractWholeDatabase: the objects the script leaves out because
    // this extractor cannot write them (routines of an external engine, a
    // routine or trigger whose source is not kept), each also named in a
    // comment of the script. A caller writing a file reports them and fails.
    TStringList Unwritten;

    // Empties Lines and writes the kind asked for (starting and then
    // committing the transaction when it was not active).
    void ExtractByKind(TMDOExtractObject kind, const std::string& name,
                       TMDOExtractParts parts = {});
    // The whole database script, in dependency order.
    void ExtractWholeDatabase();
    // Lines as one text, every item followed by CR LF.
    std::string Text() const;

  protected:
    // The per-kind writers: append to Lines. An empty name means all objects
    // of the kind; names are compared with the catalogue unchanged.
    void WriteDomains(const std::string& name, TMDOExtractPart nameKind);
    void WriteTable(const std::string& tableName);
    void WriteAllTables();
    void WriteProcedures(const std::string& name);
    void WriteTriggers(const std::string& name, TMDOExtractPart nameKind);
    void WriteViews(const std::string& name);
    void WriteCheckConstraints(const std::string& name, TMDOExtractPart nameKind);
    void WriteIndexes(const std::string& name, TMDOExtractPart nameKind);
    void WriteForeignKeys(const std::string& name, TMDOExtractPart nameKind);
    void WriteGenerators(const std::string& name);
    void WriteExceptions(const std::string& name);
    void WriteExternalFunctions(const std::string& name);
    void WriteBlobFilters(const std::string& name);
    void WriteRoles(const std::string& name);
    void WriteGrants();
    void WriteObjectGrants(const std::string& objectName, const std::string& terminator);
    void WriteRoleGrants(const std::string& terminator);
    // EXECUTE on functions and packages, USAGE on sequences and exceptions.
    void WriteRoutineAndUsageGrants(const std::string& terminator);
    void WriteDatabaseHeader();
    void WriteUnwritten();
    // Names `what` in a comment of the script and in Unwritten.
    void NoteUnwritten(const std::string& what);
    // CREATE COLLATION for the collations of the user.
    void WriteCollations();
    // COMMENT ON for every described object, column and parameter.
    void WriteComments();
    void WriteTableData(const std::string& tableName);

    // The shared renderers.
    std::string CharsetText(int charsetId, int collationId, bool collateOnly);
    std::string ArrayBoundsText(const std::string& fieldName);
    std::string IndexColumnsText(const std::string& indexName);

  private:
    friend class TcCatalogueQuery;

    // The shells, the bodies (ALTER PROCEDURE) or both, in one SET TERM
    // block: the whole-database script writes the shells before the views,
    // which may select from a procedure, and the bodies after them.
    void WriteProcedurePasses(const std::string& name, bool shells, bool bodies);
    // PSQL functions the same way: shells (CREATE FUNCTION with an empty
    // body), bodies (ALTER FUNCTION) or both.
    void WriteFunctionPasses(const std::string& name, bool shells, bool bodies);
    // The argument list, RETURNS and AS of a PSQL function.
    void WriteFunctionSignature(TStringList& text, const std::string& function, int returnArgument,
                                bool deterministic);
    // Package headers, bodies or both, from their stored source.
    void WritePackagePasses(bool headers, bool bodies);
    // The COMMIT, SET AUTODDL and SET TERM lines around a block of PSQL.
    void OpenBlock(const char* title);
    void CloseBlock();
    // A procedure or function parameter from a row of the parameter
    // queries: TYPE OF, domain or own type, NOT NULL, collation, default.
    std::string ParameterText(TcCatalogueQuery& row, bool named);
    // True when the procedure has output parameters.
    bool WriteProcedureParameters(const std::string& procedureName);
    std::string ColumnLine(TcCatalogueQuery& row, const std::string& relationName);
    std::string ColumnTypeText(TcCatalogueQuery& row, bool& wroteCharset);
    std::string DomainTypeText(TcCatalogueQuery& row);
    std::string ParameterTypeText(TcCatalogueQuery& row);
    std::string ArgumentTypeText(TcCatalogueQuery& row);
    // The character set clause of a text or text blob type: the set's name,
    // or NONE where the database's default would otherwise take its place.
    std::string TextCharsetText(const TcTypeFacts& facts, TcCatalogueQuery& row);
    // " COLLATE " and the collation's name, also for a character set's
    // default collation (over a domain with a collation of its own).
    std::string CollationText(int charsetId, int collationId);
    int WriteTablePrivileges(const std::string& objectName, const std::string& terminator);
    int WriteProcedurePrivileges(const std::string& objectName, const std::string& terminator);
    int WriteNamedRoleGrants(const std::string& objectName, const std::string& terminator);
    int64_t DatabaseInfoItem(char item);

    // FormatIdentifier with the database's SQL dialect.
    std::string Ident(std::string_view name) const;
    int Dialect() const;
    // Read once per database: the structure does not change on an attachment.
    int ODSMajor();
    int DBDialect();
    // True when the database has a default character set other than NONE:
    // then a NONE column must say so, or the copy takes the default.
    bool HasDefaultCharset();
    void Forget();

    // A prepared statement for `sql`, taken from the idle ones or made anew;
    // TcCatalogueQuery gives it back when it is done.
    std::unique_ptr<TMDOSQL> TakeStatement(const std::string& sql);
    void ReturnStatement(const std::string& sql, std::unique_ptr<TMDOSQL> statement);

    // Lookup tables read once per whole-database script, where one query
    // for all rows gives the texts the per-row queries would: index
    // columns, named NOT NULL constraints, and the objects that have any
    // privilege of someone other than their owner. Empty (and unused)
    // outside ExtractWholeDatabase, whose writers run in one transaction.
    struct TcLookups {
        bool Active = false;
        bool IndexesRead = false, NotNullRead = false, GranteesRead = false;
        std::map<std::string, std::string> IndexColumns;
        std::map<std::pair<std::string, std::string>, std::vector<std::string>> NotNull;
        std::set<std::string> WithPrivileges;
    };
    const std::vector<std::string>& NotNullConstraints(const std::string& relation,
                                                       const std::string& column);
    bool MayHavePrivileges(const std::string& objectName);

    TcLookups lookups_;
    TMDOBase link_{this};
    std::map<std::string, std::vector<std::unique_ptr<TMDOSQL>>> idle_;
    // CharsetText answers by its arguments, read once per extractor.
    std::map<std::tuple<int, int, bool>, std::string> charsetTexts_;
    std::map<std::pair<int, int>, std::string> collationTexts_;
    int ods_ = -1;
    int dbDialect_ = -1;
    int hasDefaultCharset_ = -1;
};
