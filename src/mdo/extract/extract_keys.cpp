// Indexes, foreign keys, generators, exceptions, external functions and
// blob filters.
#include <algorithm>

#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

#define TESSEL_INDEX_QUERY(selection)                                                             \
    "SELECT IDX.RDB$RELATION_NAME, IDX.RDB$INDEX_NAME, IDX.RDB$UNIQUE_FLAG,        "              \
    "IDX.RDB$INDEX_TYPE, IDX.RDB$INDEX_INACTIVE, IDX.RDB$EXPRESSION_SOURCE "                      \
    "FROM RDB$INDICES IDX JOIN RDB$RELATIONS RELC ON   IDX.RDB$RELATION_NAME "                    \
    "= RELC.RDB$RELATION_NAME WHERE (RELC.RDB$SYSTEM_FLAG <> 1 OR RELC.RDB$SYSTEM_FLAG IS NULL) " \
    "AND " selection                                                                              \
    "  NOT EXISTS (SELECT * FROM RDB$RELATION_CONSTRAINTS RC     WHERE RC.RDB$INDEX_NAME = "      \
    "IDX.RDB$INDEX_NAME) ORDER BY IDX.RDB$RELATION_NAME, IDX.RDB$INDEX_NAME"
constexpr const char* kAllIndexesQuery = TESSEL_INDEX_QUERY("");
constexpr const char* kTableIndexesQuery =
    TESSEL_INDEX_QUERY("  RELC.RDB$RELATION_NAME = :RelationName AND ");
constexpr const char* kIndexQuery = TESSEL_INDEX_QUERY("  IDX.RDB$INDEX_NAME = :IndexName AND ");
#undef TESSEL_INDEX_QUERY

#define TESSEL_FOREIGN_KEY_QUERY(selection)                                                        \
    "SELECT REFC.RDB$UPDATE_RULE REFC_UPDATE_RULE, REFC.RDB$DELETE_RULE REFC_DELETE_RULE,   "      \
    "RELC1.RDB$RELATION_NAME RELC1_RELATION_NAME, RELC2.RDB$RELATION_NAME RELC2_RELATION_NAME,   " \
    "RELC1.RDB$INDEX_NAME RELC1_INDEX_NAME, RELC1.RDB$CONSTRAINT_NAME RELC1_CONSTRAINT_NAME,   "   \
    "RELC2.RDB$INDEX_NAME RELC2_INDEX_NAME, (SELECT IDX.RDB$INDEX_TYPE FROM RDB$INDICES IDX "      \
    "WHERE IDX.RDB$INDEX_NAME = RELC1.RDB$INDEX_NAME) RELC1_INDEX_TYPE FROM RDB$REF_CONSTRAINTS "  \
    "REFC, "                                                                                       \
    "RDB$RELATION_CONSTRAINTS RELC1,      RDB$RELATION_CONSTRAINTS RELC2 WHERE " selection         \
    "  RELC1.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' AND   REFC.RDB$CONST_NAME_UQ = "                  \
    "RELC2.RDB$CONSTRAINT_NAME AND   REFC.RDB$CONSTRAINT_NAME = RELC1.RDB$CONSTRAINT_NAME AND   "  \
    "(RELC2.RDB$CONSTRAINT_TYPE = 'UNIQUE' OR     RELC2.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY') "     \
    "ORDER BY RELC1.RDB$RELATION_NAME, RELC1.RDB$CONSTRAINT_NAME"
constexpr const char* kAllForeignKeysQuery = TESSEL_FOREIGN_KEY_QUERY("");
constexpr const char* kTableForeignKeysQuery =
    TESSEL_FOREIGN_KEY_QUERY("  RELC1.RDB$RELATION_NAME = :TableName AND ");
constexpr const char* kForeignKeyQuery =
    TESSEL_FOREIGN_KEY_QUERY("  RELC1.RDB$CONSTRAINT_NAME = :ConstraintName AND ");
#undef TESSEL_FOREIGN_KEY_QUERY

// All columns: the start value and increment exist from ODS 12 on.
constexpr const char* kAllGeneratorsQuery =
    "SELECT * FROM RDB$GENERATORS WHERE   (RDB$SYSTEM_FLAG IS NULL OR "
    "RDB$SYSTEM_FLAG <> 1) ORDER BY RDB$GENERATOR_NAME";
constexpr const char* kGeneratorQuery =
    "SELECT * FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = :GeneratorName AND "
    "  (RDB$SYSTEM_FLAG IS NULL OR RDB$SYSTEM_FLAG <> 1) ORDER BY RDB$GENERATOR_NAME";

constexpr const char* kAllExceptionsQuery =
    "select * from RDB$EXCEPTIONS ORDER BY RDB$EXCEPTION_NAME";
constexpr const char* kExceptionQuery =
    "select * from RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = :ExceptionName ORDER BY "
    "RDB$EXCEPTION_NAME";

constexpr const char* kAllFiltersQuery = "SELECT * FROM RDB$FILTERS ORDER BY RDB$FUNCTION_NAME";
constexpr const char* kFilterQuery =
    "SELECT * FROM RDB$FILTERS WHERE RDB$FUNCTION_NAME = :FunctionName ORDER BY "
    "RDB$FUNCTION_NAME";

constexpr const char* kAllFunctionsQuery = "SELECT * FROM RDB$FUNCTIONS ORDER BY RDB$FUNCTION_NAME";
// What no writer writes: routines and triggers of an external engine (their
// module is not in the database), by kind and name. System objects are
// left out.
constexpr const char* kUnwrittenQuery =
    "SELECT 'external function' KIND_, RDB$FUNCTION_NAME NAME_ FROM RDB$FUNCTIONS WHERE "
    "RDB$ENGINE_NAME IS NOT NULL AND RDB$PACKAGE_NAME IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) "
    "= 0 UNION ALL SELECT 'external procedure', RDB$PROCEDURE_NAME FROM RDB$PROCEDURES WHERE "
    "RDB$ENGINE_NAME IS NOT NULL AND RDB$PACKAGE_NAME IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) "
    "= 0 UNION ALL SELECT 'external trigger', RDB$TRIGGER_NAME FROM RDB$TRIGGERS WHERE "
    "RDB$ENGINE_NAME IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1, 2";
constexpr const char* kFunctionQuery =
    "SELECT * FROM RDB$FUNCTIONS WHERE RDB$FUNCTION_NAME = :FunctionName ORDER BY "
    "RDB$FUNCTION_NAME";
constexpr const char* kArgumentsQuery =
    "SELECT * FROM RDB$FUNCTION_ARGUMENTS WHERE   :FUNCTION_NAME = RDB$FUNCTION_NAME ORDER BY "
    "RDB$ARGUMENT_POSITION";
constexpr const char* kArgumentCharsetQuery =
    "SELECT * FROM RDB$CHARACTER_SETS WHERE   RDB$CHARACTER_SET_ID = :CHARACTER_SET_ID";

bool IsGeneratorOfSystem(const std::string& name) {
    return name.size() > 4 &&
           (name.compare(0, 4, "RDB$") == 0 || name.compare(0, 4, "SQL$") == 0) && name[4] >= '0' &&
           name[4] <= '9';
}

}  // namespace

void TMDOExtract::WriteIndexes(const std::string& name, TMDOExtractPart nameKind) {
    const bool forTable = nameKind == xpTable;
    TcCatalogueQuery query(
        *this, name.empty() ? kAllIndexesQuery : (forTable ? kTableIndexesQuery : kIndexQuery));
    if (!name.empty()) query.SetParam(forTable ? "RelationName" : "IndexName", name);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (first)
            Lines.push_back(std::string(kCrLf) + "/*  Index definitions for " +
                            (name.empty() ? std::string("all user tables") : name) + " */" + kCrLf);
        first = false;
        const std::string index = query.AsString("RDB$INDEX_NAME");
        const std::string head = Format(
            "CREATE%s%s INDEX %s ON %s", query.AsInteger("RDB$UNIQUE_FLAG") == 1 ? " UNIQUE" : "",
            query.AsInteger("RDB$INDEX_TYPE") == 1 ? " DESCENDING" : "", Ident(index).c_str(),
            Ident(query.AsString("RDB$RELATION_NAME")).c_str());
        if (!query.IsNull("RDB$EXPRESSION_SOURCE"))
            Lines.push_back(head + " COMPUTED BY " +
                            ParenthesizedText(query.AsString("RDB$EXPRESSION_SOURCE")) + ";");
        else
            Lines.push_back(head + "(" + IndexColumnsText(index) + ")" + ";");
        // Made active by CREATE INDEX: the copy is switched off as the
        // source is.
        if (query.AsInteger("RDB$INDEX_INACTIVE") == 1)
            Lines.push_back(Format("ALTER INDEX %s INACTIVE;", Ident(index).c_str()));
    }
}

void TMDOExtract::WriteForeignKeys(const std::string& name, TMDOExtractPart nameKind) {
    const bool forTable = nameKind == xpTable;
    TcCatalogueQuery query(*this, name.empty()
                                      ? kAllForeignKeysQuery
                                      : (forTable ? kTableForeignKeysQuery : kForeignKeyQuery));
    if (!name.empty()) query.SetParam(forTable ? "TableName" : "ConstraintName", name);
    // Read first, so that the keys of a table come in the order of their
    // constraint names as ConstraintNameLess has it.
    struct TcForeignKey {
        std::string Relation, Constraint, Index, Referenced, ReferencedIndex;
        bool HasConstraint, Descending;
        std::string Rules[2];
        bool HasRule[2];
    };
    std::vector<TcForeignKey> keys;
    for (query.Open(); !query.Eof(); query.Next()) {
        TcForeignKey key;
        key.Relation = query.AsString("RELC1_RELATION_NAME");
        key.HasConstraint = !query.IsNull("RELC1_CONSTRAINT_NAME");
        key.Constraint = query.Trimmed("RELC1_CONSTRAINT_NAME");
        key.Index = query.AsString("RELC1_INDEX_NAME");
        key.Descending =
            !query.IsNull("RELC1_INDEX_TYPE") && query.AsInteger("RELC1_INDEX_TYPE") == 1;
        key.Referenced = query.Trimmed("RELC2_RELATION_NAME");
        key.ReferencedIndex = query.AsString("RELC2_INDEX_NAME");
        const char* rules[2] = {"REFC_UPDATE_RULE", "REFC_DELETE_RULE"};
        for (int i = 0; i < 2; ++i) {
            key.HasRule[i] = !query.IsNull(rules[i]);
            key.Rules[i] = query.Trimmed(rules[i]);
        }
        keys.push_back(std::move(key));
    }
    query.Close();
    std::stable_sort(keys.begin(), keys.end(), [](const TcForeignKey& a, const TcForeignKey& b) {
        if (a.Relation != b.Relation) return a.Relation < b.Relation;
        return ConstraintNameLess(a.Constraint, b.Constraint);
    });
    for (const TcForeignKey& key : keys) {
        std::string text = Format("ALTER TABLE %s ADD ", Ident(key.Relation).c_str());
        if (key.HasConstraint && !StartsWithText(key.Constraint, "INTEG"))
            text += Format("CONSTRAINT %s ", Ident(key.Constraint).c_str());
        text += Format("FOREIGN KEY (%s) REFERENCES %s ", IndexColumnsText(key.Index).c_str(),
                       Ident(key.Referenced).c_str());
        text += Format("(%s)", IndexColumnsText(key.ReferencedIndex).c_str());
        const char* clauses[2] = {" ON UPDATE %s", " ON DELETE %s"};
        for (int i = 0; i < 2; ++i)
            if (key.HasRule[i] && key.Rules[i] != "RESTRICT")
                text += Format(clauses[i], key.Rules[i].c_str());
        if (key.HasConstraint)
            text += UsingIndexClause(Dialect(), key.Constraint, key.Index, key.Descending);
        Lines.push_back(text + ";");
    }
}

void TMDOExtract::WriteGenerators(const std::string& name) {
    TcCatalogueQuery query(*this, name.empty() ? kAllGeneratorsQuery : kGeneratorQuery);
    if (!name.empty()) query.SetParam("GeneratorName", name);
    Lines.emplace_back();
    for (query.Open(); !query.Eof(); query.Next()) {
        const std::string generator = query.AsString("RDB$GENERATOR_NAME");
        if (IsGeneratorOfSystem(generator)) continue;
        const std::string clauses = ODSMajor() >= 12
                                        ? SequenceClauses(query.AsInt64("RDB$INITIAL_VALUE"),
                                                          query.AsInt64("RDB$GENERATOR_INCREMENT"))
                                        : std::string();
        Lines.push_back(
            Format("CREATE GENERATOR %s%s%s", Ident(generator).c_str(), clauses.c_str(), ";"));
    }
}

void TMDOExtract::WriteExceptions(const std::string& name) {
    TcCatalogueQuery query(*this, name.empty() ? kAllExceptionsQuery : kExceptionQuery);
    if (!name.empty()) query.SetParam("ExceptionName", name);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (first) {
            Lines.emplace_back();
            Lines.emplace_back("/*  Exceptions */");
            Lines.emplace_back();
        }
        first = false;
        Lines.push_back(Format("CREATE EXCEPTION %s %s%s",
                               Ident(query.AsString("RDB$EXCEPTION_NAME")).c_str(),
                               QuotedLiteral(query.AsString("RDB$MESSAGE")).c_str(), ";"));
    }
}

void TMDOExtract::WriteBlobFilters(const std::string& name) {
    TcCatalogueQuery query(*this, name.empty() ? kAllFiltersQuery : kFilterQuery);
    if (!name.empty()) query.SetParam("FunctionName", name);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (first) {
            Lines.emplace_back();
            Lines.emplace_back("/*  BLOB Filter declarations */");
            Lines.emplace_back();
        }
        first = false;
        Lines.push_back(Format("DECLARE FILTER %s INPUT_TYPE %d OUTPUT_TYPE %d",
                               query.AsString("RDB$FUNCTION_NAME").c_str(),
                               query.AsInteger("RDB$INPUT_SUB_TYPE"),
                               query.AsInteger("RDB$OUTPUT_SUB_TYPE")));
        Lines.push_back(Format("%sENTRY_POINT '%s' MODULE_NAME '%s'%s", "\t",
                               query.AsString("RDB$ENTRYPOINT").c_str(),
                               query.AsString("RDB$MODULE_NAME").c_str(), ";"));
        Lines.emplace_back();
    }
}

void TMDOExtract::WriteExternalFunctions(const std::string& name) {
    TcCatalogueQuery query(*this, name.empty() ? kAllFunctionsQuery : kFunctionQuery);
    if (!name.empty()) query.SetParam("FunctionName", name);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        const std::string function = query.AsString("RDB$FUNCTION_NAME");
        // A function without a module is no UDF: no heading for it either.
        if (query.IsNull("RDB$MODULE_NAME") ||
            (ODSMajor() >= 12 && !query.IsNull("RDB$PACKAGE_NAME")))
            continue;
        if (first)
            Lines.push_back(Format("%s/*  External Function declarations */%s", kCrLf, kCrLf));
        first = false;
        Lines.push_back(Format("DECLARE EXTERNAL FUNCTION %s", Ident(function).c_str()));
        const int returnArgument = query.AsInteger("RDB$RETURN_ARGUMENT");
        std::string arguments, returns;
        TcCatalogueQuery argument(*this, kArgumentsQuery);
        argument.SetParam("FUNCTION_NAME", function);
        for (argument.Open(); !argument.Eof(); argument.Next()) {
            const std::string type = ArgumentTypeText(argument);
            if (returnArgument == argument.AsInteger("RDB$ARGUMENT_POSITION")) {
                const int mechanism = argument.AsInteger("RDB$MECHANISM");
                returns = "RETURNS " + type;
                if (mechanism == 0)
                    returns += " BY VALUE ";
                else if (mechanism < 0)
                    returns += " FREE_IT";
            } else {
                if (!arguments.empty()) arguments += ", ";
                arguments += type;
            }
        }
        Lines.push_back(arguments);
        Lines.push_back(returns);
        Lines.push_back(Format("ENTRY_POINT '%s' MODULE_NAME '%s'%s%s%s",
                               query.AsString("RDB$ENTRYPOINT").c_str(),
                               query.AsString("RDB$MODULE_NAME").c_str(), ";", kCrLf, kCrLf));
    }
}

std::string TMDOExtract::ArgumentTypeText(TcCatalogueQuery& row) {
    const int type = row.AsInteger("RDB$FIELD_TYPE");
    const char* known = SQLTypeName(type);
    // A code missing from the type table gives no name, as in the other
    // renderers.
    const std::string name = known != nullptr ? known : "";
    if (type == 14 || type == 37 || type == 40) {
        TcCatalogueQuery charset(*this, kArgumentCharsetQuery);
        charset.SetParam("CHARACTER_SET_ID", row.AsString("RDB$CHARACTER_SET_ID"));
        charset.Open();
        const int length = row.AsInteger("RDB$FIELD_LENGTH");
        if (charset.Eof()) return Format("%s(%d)", name.c_str(), length);
        return Format("%s(%d) CHARACTER SET %s", name.c_str(),
                      length / std::max(1, charset.AsInteger("RDB$BYTES_PER_CHARACTER")),
                      charset.AsString("RDB$CHARACTER_SET_NAME").c_str());
    }
    // The precision lookup reads the argument's own row again: the row at
    // hand is that row, so its columns are read directly.
    const TcTypeFacts facts = TypeFactsOf(row);
    return TypeNameText(facts, ODSMajor() >= 10);
}

void TMDOExtract::NoteUnwritten(const std::string& what) {
    Unwritten.push_back(what);
    Lines.push_back(UnwrittenComment(what));
}

void TMDOExtract::WriteUnwritten() {
    if (ODSMajor() < 12) return;
    TcCatalogueQuery query(*this, kUnwrittenQuery);
    for (query.Open(); !query.Eof(); query.Next()) {
        NoteUnwritten(query.Trimmed("KIND_") + " " + Ident(query.AsString("NAME_")));
    }
}
