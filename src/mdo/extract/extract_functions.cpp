// PSQL functions and packages. Functions come in two passes as procedures
// do: shells with their parameters and an empty body before the views,
// which may call them, and the bodies (ALTER FUNCTION) after them. A
// package's header comes with the shells, its body with the bodies.
#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

// A function with a module is a UDF, one with an engine an external
// routine: neither is a PSQL function. Packaged functions come with their
// package.
#define TESSEL_PSQL_FUNCTION_QUERY(selection)                                                     \
    "SELECT RDB$FUNCTION_NAME, RDB$FUNCTION_SOURCE, RDB$DETERMINISTIC_FLAG, RDB$RETURN_ARGUMENT " \
    "FROM RDB$FUNCTIONS WHERE RDB$MODULE_NAME IS NULL AND RDB$ENGINE_NAME IS NULL AND "           \
    "RDB$PACKAGE_NAME IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0" selection                     \
    " ORDER BY RDB$FUNCTION_NAME"
constexpr const char* kAllFunctionsQuery = TESSEL_PSQL_FUNCTION_QUERY("");
constexpr const char* kFunctionQuery =
    TESSEL_PSQL_FUNCTION_QUERY(" AND RDB$FUNCTION_NAME = :FunctionName");
#undef TESSEL_PSQL_FUNCTION_QUERY
constexpr const char* kArgumentsQuery =
    "SELECT ARG.RDB$ARGUMENT_NAME NAME_, ARG.RDB$ARGUMENT_POSITION POSITION_, "
    "ARG.RDB$FIELD_SOURCE SOURCE_, ARG.RDB$ARGUMENT_MECHANISM MECHANISM_, "
    "ARG.RDB$RELATION_NAME RELATION_, ARG.RDB$FIELD_NAME COLUMN_, ARG.RDB$NULL_FLAG NULL_, "
    "ARG.RDB$COLLATION_ID COLLATION_, ARG.RDB$DEFAULT_SOURCE DEFAULT_, FLD.RDB$FIELD_TYPE, "
    "FLD.RDB$FIELD_SCALE, FLD.RDB$FIELD_SUB_TYPE, FLD.RDB$FIELD_PRECISION, "
    "FLD.RDB$CHARACTER_LENGTH, FLD.RDB$FIELD_LENGTH, FLD.RDB$CHARACTER_SET_ID, "
    "FLD.RDB$COLLATION_ID FROM RDB$FUNCTION_ARGUMENTS ARG JOIN RDB$FIELDS FLD ON "
    "ARG.RDB$FIELD_SOURCE = FLD.RDB$FIELD_NAME WHERE ARG.RDB$FUNCTION_NAME = :FunctionName AND "
    "ARG.RDB$PACKAGE_NAME IS NULL ORDER BY ARG.RDB$ARGUMENT_POSITION";
constexpr const char* kPackagesQuery =
    "SELECT RDB$PACKAGE_NAME, RDB$PACKAGE_HEADER_SOURCE, RDB$PACKAGE_BODY_SOURCE, "
    "RDB$VALID_BODY_FLAG FROM "
    "RDB$PACKAGES WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY RDB$PACKAGE_NAME";

constexpr const char* kBlockTerminator = "^";

}  // namespace

void TMDOExtract::WriteFunctionPasses(const std::string& name, bool shells, bool bodies) {
    if (ODSMajor() < 12) return;
    struct TcFunction {
        std::string Name, Source;
        bool HasSource, Deterministic;
        int ReturnArgument;
    };
    std::vector<TcFunction> functions;
    {
        TcCatalogueQuery query(*this, name.empty() ? kAllFunctionsQuery : kFunctionQuery);
        if (!name.empty()) query.SetParam("FunctionName", name);
        for (query.Open(); !query.Eof(); query.Next())
            functions.push_back({query.Trimmed("RDB$FUNCTION_NAME"),
                                 query.AsString("RDB$FUNCTION_SOURCE"),
                                 !query.IsNull("RDB$FUNCTION_SOURCE"),
                                 !query.IsNull("RDB$DETERMINISTIC_FLAG") &&
                                     query.AsInteger("RDB$DETERMINISTIC_FLAG") == 1,
                                 query.AsInteger("RDB$RETURN_ARGUMENT")});
    }
    if (functions.empty()) return;
    for (int pass = 0; pass < 2; ++pass) {
        if ((pass == 0 && !shells) || (pass == 1 && !bodies)) continue;
        OpenBlock(pass == 0 ? "Stored functions headers" : "Stored functions bodies");
        for (const TcFunction& function : functions) {
            TStringList text;
            text.push_back(Format("%s%s FUNCTION %s", pass == 0 ? "" : kCrLf,
                                  pass == 0 ? "CREATE" : "ALTER", Ident(function.Name).c_str()));
            WriteFunctionSignature(text, function.Name, function.ReturnArgument,
                                   function.Deterministic);
            if (pass == 1 && !function.HasSource) {
                NoteUnwritten("body of function " + Ident(function.Name));
                continue;
            }
            if (pass == 0) {
                text.push_back(Format("BEGIN END %s%s", kBlockTerminator, kCrLf));
            } else {
                AppendResplit(text, function.Source);
                text.push_back(Format(" %s%s", kBlockTerminator, kCrLf));
            }
            Lines.insert(Lines.end(), text.begin(), text.end());
        }
        CloseBlock();
    }
}

void TMDOExtract::WriteFunctionSignature(TStringList& text, const std::string& function,
                                         int returnArgument, bool deterministic) {
    TcCatalogueQuery query(*this, kArgumentsQuery);
    query.SetParam("FunctionName", function);
    std::vector<std::string> arguments;
    std::string returns;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (query.AsInteger("POSITION_") == returnArgument)
            returns = ParameterText(query, false);
        else
            arguments.push_back(ParameterText(query, true));
    }
    if (!arguments.empty()) {
        text.emplace_back("(");
        for (size_t i = 0; i < arguments.size(); ++i)
            text.push_back("  " + arguments[i] + (i + 1 < arguments.size() ? "," : ""));
        text.emplace_back(")");
    }
    text.push_back("RETURNS " + returns + (deterministic ? " DETERMINISTIC" : ""));
    text.emplace_back("AS");
}

void TMDOExtract::WritePackagePasses(bool headers, bool bodies) {
    if (ODSMajor() < 12) return;
    TcCatalogueQuery query(*this, kPackagesQuery);
    for (int pass = 0; pass < 2; ++pass) {
        if ((pass == 0 && !headers) || (pass == 1 && !bodies)) continue;
        const char* column = pass == 0 ? "RDB$PACKAGE_HEADER_SOURCE" : "RDB$PACKAGE_BODY_SOURCE";
        bool any = false;
        for (query.Open(); !query.Eof(); query.Next()) {
            // A header is always kept; a body without its source is named.
            if (query.IsNull(column)) {
                if (pass == 1 && !query.IsNull("RDB$VALID_BODY_FLAG"))
                    NoteUnwritten("body of package " + Ident(query.AsString("RDB$PACKAGE_NAME")));
                continue;
            }
            if (!any) OpenBlock(pass == 0 ? "Package headers" : "Package bodies");
            any = true;
            TStringList text;
            text.push_back(Format("CREATE PACKAGE %s%s AS", pass == 0 ? "" : "BODY ",
                                  Ident(query.AsString("RDB$PACKAGE_NAME")).c_str()));
            AppendResplit(text, query.AsString(column));
            text.push_back(Format("%s%s", kBlockTerminator, kCrLf));
            Lines.insert(Lines.end(), text.begin(), text.end());
        }
        query.Close();
        if (any) CloseBlock();
    }
}
