// Stored procedures, written in two passes: every procedure as an empty
// shell first (so that procedures may call each other in any order), then
// every procedure again with its body as ALTER PROCEDURE.
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
constexpr const char* kParametersQuery =
    "SELECT *  FROM RDB$PROCEDURE_PARAMETERS PRM JOIN RDB$FIELDS FLD ON  PRM.RDB$FIELD_SOURCE = "
    "FLD.RDB$FIELD_NAME WHERE     PRM.RDB$PROCEDURE_NAME = :PROCNAME AND     "
    "PRM.RDB$PARAMETER_TYPE = :Input ORDER BY PRM.RDB$PARAMETER_NUMBER";

// The application's string table entries of the shells.
constexpr const char* kCreateProcedureShell = "CREATE PROCEDURE %s ";  // 65139
constexpr const char* kEmptyBody = "BEGIN EXIT; END %s%s";             // 65140
// The shell of a procedure with output parameters must stay selectable: the
// server checks, when a procedure body selects from another procedure,
// that the other one holds a SUSPEND, and in the second pass that other one
// may still be a shell.
constexpr const char* kSelectableEmptyBody = "BEGIN SUSPEND; END %s%s";

constexpr const char* kBlockTerminator = "^";
constexpr const char* kTerminator = ";";

}  // namespace

void TMDOExtract::WriteProcedures(const std::string& name) {
    WriteProcedurePasses(name, true, true);
}

void TMDOExtract::WriteProcedurePasses(const std::string& name, bool shells, bool bodies) {
    TcCatalogueQuery query(*this, name.empty() ? kAllProceduresQuery : kProcedureQuery);
    if (!name.empty()) query.SetParam("ProcedureName", name);
    bool any = false;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (!any) {
            Lines.emplace_back("COMMIT WORK;");
            Lines.emplace_back("SET AUTODDL OFF;");
            Lines.push_back(Format("SET TERM %s %s", kBlockTerminator, kTerminator));
            Lines.push_back(Format("%s/* Stored procedures */%s", kCrLf, kCrLf));
        }
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
        const std::string procedure = query.Trimmed("RDB$PROCEDURE_NAME");
        Lines.push_back(Format("%sALTER PROCEDURE %s ", kCrLf, Ident(procedure).c_str()));
        WriteProcedureParameters(procedure);
        TStringList body;
        if (!query.IsNull("RDB$PROCEDURE_SOURCE"))
            AppendResplit(body, query.AsString("RDB$PROCEDURE_SOURCE"));
        body.push_back(Format(" %s%s", kBlockTerminator, kCrLf));
        Lines.insert(Lines.end(), body.begin(), body.end());
    }
    if (any) {
        Lines.push_back(Format("SET TERM %s %s", kTerminator, kBlockTerminator));
        Lines.emplace_back("COMMIT WORK;");
        Lines.emplace_back("SET AUTODDL ON;");
    }
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
            std::string line =
                Format("  %s ", Ident(query.AsString("RDB$PARAMETER_NAME")).c_str()) +
                ParameterTypeText(query);
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

std::string TMDOExtract::ParameterTypeText(TcCatalogueQuery& row) {
    const TcTypeFacts facts = TypeFactsOf(row);
    std::string text = TypeNameText(facts, ODSMajor() >= 10 && DBDialect() >= 3);
    if ((facts.Type == 14 || facts.Type == 37) && !row.IsNull("RDB$CHARACTER_LENGTH"))
        text += Format("(%d)", row.AsInteger("RDB$CHARACTER_LENGTH"));
    const bool noCollation = row.IsNull("RDB$COLLATION_ID");
    const bool noCharset = row.IsNull("RDB$CHARACTER_SET_ID");
    if (!(noCollation && noCharset))
        text += CharsetText(noCharset ? 0 : row.AsInteger("RDB$CHARACTER_SET_ID"),
                            noCollation ? 0 : row.AsInteger("RDB$COLLATION_ID"), false);
    return text;
}
