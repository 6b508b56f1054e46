// Stored procedures, written in two passes: every procedure as an empty
// shell first (so that procedures may call each other in any order), then
// every procedure again with its body as ALTER PROCEDURE. The parameter
// renderer is shared with the PSQL functions.
#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

constexpr const char* kAllProceduresQuery =
    "SELECT * FROM RDB$PROCEDURES ORDER BY RDB$PROCEDURE_NAME";
constexpr const char* kProcedureQuery =
    "SELECT * FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = :ProcedureName ORDER BY "
    "RDB$PROCEDURE_NAME";
// The parameter's own columns by the names ParameterText reads, its
// field's type columns by their own.
constexpr const char* kParametersQuery =
    "SELECT PRM.RDB$PARAMETER_NAME NAME_, PRM.RDB$FIELD_SOURCE SOURCE_, "
    "PRM.RDB$PARAMETER_MECHANISM MECHANISM_, PRM.RDB$RELATION_NAME RELATION_, "
    "PRM.RDB$FIELD_NAME COLUMN_, PRM.RDB$NULL_FLAG NULL_, PRM.RDB$COLLATION_ID COLLATION_, "
    "PRM.RDB$DEFAULT_SOURCE DEFAULT_, FLD.RDB$FIELD_TYPE, FLD.RDB$FIELD_SCALE, "
    "FLD.RDB$FIELD_SUB_TYPE, FLD.RDB$FIELD_PRECISION, FLD.RDB$CHARACTER_LENGTH, "
    "FLD.RDB$FIELD_LENGTH, FLD.RDB$CHARACTER_SET_ID, FLD.RDB$COLLATION_ID FROM "
    "RDB$PROCEDURE_PARAMETERS PRM JOIN RDB$FIELDS FLD ON PRM.RDB$FIELD_SOURCE = "
    "FLD.RDB$FIELD_NAME WHERE PRM.RDB$PROCEDURE_NAME = :PROCNAME AND PRM.RDB$PARAMETER_TYPE = "
    ":Input AND PRM.RDB$PACKAGE_NAME IS NULL ORDER BY PRM.RDB$PARAMETER_NUMBER";
// The application's string table entries of the shells.
constexpr const char* kCreateProcedureShell = "CREATE PROCEDURE %s ";  // 65139
constexpr const char* kEmptyBody = "BEGIN EXIT; END %s%s";             // 65140
// The shell of a procedure with output parameters must stay selectable: the
// server checks, when a procedure body selects from another procedure,
// that the other one holds a SUSPEND, and in the second pass that other one
// may still be a shell.
constexpr const char* kSelectableEmptyBody = "BEGIN SUSPEND; END %s%s";

constexpr const char* kBlockTerminator = "^";

}  // namespace

void TMDOExtract::WriteProcedures(const std::string& name) {
    WriteProcedurePasses(name, true, true);
}

void TMDOExtract::OpenBlock(const char* title) {
    Lines.emplace_back("COMMIT WORK;");
    Lines.emplace_back("SET AUTODDL OFF;");
    Lines.push_back(Format("SET TERM %s %s", kBlockTerminator, ";"));
    Lines.push_back(Format("%s/* %s */%s", kCrLf, title, kCrLf));
}

void TMDOExtract::CloseBlock() {
    Lines.push_back(Format("SET TERM %s %s", ";", kBlockTerminator));
    Lines.emplace_back("COMMIT WORK;");
    Lines.emplace_back("SET AUTODDL ON;");
}

void TMDOExtract::WriteProcedurePasses(const std::string& name, bool shells, bool bodies) {
    TcCatalogueQuery query(*this, name.empty() ? kAllProceduresQuery : kProcedureQuery);
    if (!name.empty()) query.SetParam("ProcedureName", name);
    bool any = false;
    // A packaged procedure is written with its package, one of an external
    // engine is named by WriteUnwritten.
    auto skip = [&] {
        return !query.IsNull("RDB$PACKAGE_NAME") || !query.IsNull("RDB$ENGINE_NAME");
    };
    for (query.Open(); !query.Eof(); query.Next()) {
        if (skip()) continue;
        if (!any) OpenBlock("Stored procedures");
        any = true;
        if (!shells) break;
        const std::string procedure = query.Trimmed("RDB$PROCEDURE_NAME");
        Lines.push_back(Format(kCreateProcedureShell, Ident(procedure).c_str()));
        const bool returnsRows = WriteProcedureParameters(procedure);
        Lines.push_back(
            Format(returnsRows ? kSelectableEmptyBody : kEmptyBody, kBlockTerminator, kCrLf));
    }
    query.Close();
    for (query.Open(); bodies && !query.Eof(); query.Next()) {
        if (skip()) continue;
        const std::string procedure = query.Trimmed("RDB$PROCEDURE_NAME");
        // Without its source the body cannot be written: the shell stays.
        if (query.IsNull("RDB$PROCEDURE_SOURCE")) {
            NoteUnwritten("body of procedure " + Ident(procedure));
            continue;
        }
        Lines.push_back(Format("%sALTER PROCEDURE %s ", kCrLf, Ident(procedure).c_str()));
        WriteProcedureParameters(procedure);
        TStringList body;
        AppendResplit(body, query.AsString("RDB$PROCEDURE_SOURCE"));
        body.push_back(Format(" %s%s", kBlockTerminator, kCrLf));
        Lines.insert(Lines.end(), body.begin(), body.end());
    }
    if (any) CloseBlock();
}

bool TMDOExtract::WriteProcedureParameters(const std::string& procedureName) {
    TcCatalogueQuery query(*this, kParametersQuery);
    bool outputs = false;
    for (int input = 0; input <= 1; ++input) {
        query.SetParam("PROCNAME", procedureName);
        query.SetParam("Input", input);
        query.Open();
        if (!query.Eof()) Lines.push_back(input == 0 ? "(" : std::string("RETURNS") + kCrLf + "(");
        const bool any = !query.Eof();
        while (!query.Eof()) {
            std::string line = "  " + ParameterText(query, true);
            query.Next();
            if (!query.Eof()) line += ",";
            Lines.push_back(std::move(line));
        }
        if (any) Lines.emplace_back(")");
        outputs = any && input == 1;
        query.Close();
    }
    Lines.emplace_back("AS");
    return outputs;
}

std::string TMDOExtract::ParameterText(TcCatalogueQuery& row, bool named) {
    std::string text = named ? Ident(row.AsString("NAME_")) + " " : std::string();
    const std::string source = row.Trimmed("SOURCE_");
    const bool typeOf = !row.IsNull("MECHANISM_") && row.AsInteger("MECHANISM_") == 1;
    const bool ownType = !typeOf && IsGeneratedName(source);
    if (typeOf && !row.IsNull("RELATION_"))
        text += "TYPE OF COLUMN " + Ident(row.Trimmed("RELATION_")) + "." +
                Ident(row.Trimmed("COLUMN_"));
    else if (typeOf)
        text += "TYPE OF " + Ident(source);
    else if (!ownType)
        text += Ident(source);
    else
        text += ParameterTypeText(row);
    if (!row.IsNull("NULL_") && row.AsInteger("NULL_") == 1) text += " NOT NULL";
    // The collation comes after NOT NULL, where the parser takes it: a type
    // of its own carries it in its field, a domain's is written only where
    // the parameter changes it.
    const int fieldCollation =
        row.IsNull("RDB$COLLATION_ID") ? 0 : row.AsInteger("RDB$COLLATION_ID");
    const int charset =
        row.IsNull("RDB$CHARACTER_SET_ID") ? 0 : row.AsInteger("RDB$CHARACTER_SET_ID");
    if (ownType && fieldCollation != 0)
        text += CharsetText(charset, fieldCollation, true);
    else if (!ownType && !row.IsNull("COLLATION_") && row.AsInteger("COLLATION_") != fieldCollation)
        text += CollationText(charset, row.AsInteger("COLLATION_"));
    if (!row.IsNull("DEFAULT_")) text += " " + TrimBlanks(row.AsString("DEFAULT_"));
    return text;
}

std::string TMDOExtract::ParameterTypeText(TcCatalogueQuery& row) {
    const TcTypeFacts facts = TypeFactsOf(row);
    std::string text = TypeNameText(facts, ODSMajor() >= 10 && DBDialect() >= 3);
    if ((facts.Type == 14 || facts.Type == 37) && !row.IsNull("RDB$CHARACTER_LENGTH"))
        text += Format("(%d)", row.AsInteger("RDB$CHARACTER_LENGTH"));
    if (facts.Type == 261 && facts.SubType != 0) text += BlobSubTypeText(facts.SubType);
    return text + TextCharsetText(facts, row);
}
