#include "scripter/catalogue_commands.h"

#include <algorithm>

#include "foundation/errors.h"
#include "foundation/language.h"
#include "scripter/catalogue_query.h"
#include "scripter/scripter_view.h"

namespace {

// The catalogue queries, exactly as the listings' layouts expect them: the
// column aliases are the names DescribeType reads, and the first column's
// width sets the name column of each layout.
constexpr const char* kRelationsQuery =
    "SELECT RDB$RELATION_NAME FROM RDB$Relations WHERE RDB$System_Flag = 0 "
    "ORDER BY 1 ";
constexpr const char* kSystemTablesQuery =
    "SELECT RDB$RELATION_NAME FROM RDB$Relations WHERE RDB$System_Flag = '1' ORDER BY 1 ";
constexpr const char* kRelationFieldsQuery =
    " SELECT RF.RDB$Field_Name, RDB$Field_Type, RF.RDB$Field_Source, F.RDB$Field_Length, "
    "F.RDB$Field_Scale, RDB$Field_Sub_Type, RF.RDB$Null_Flag  FROM RDB$Relation_fields RF       "
    "JOIN RDB$Fields F ON RF.RDB$Field_Source = F.RDB$Field_Name  WHERE RF.RDB$Relation_Name = "
    "'%s'  ORDER BY 1 ";
constexpr const char* kProceduresQuery =
    "SELECT RDB$Procedure_Name FROM RDB$Procedures ORDER BY RDB$Procedure_Name ";
constexpr const char* kProcedureParametersQuery =
    "SELECT pp.RDB$Parameter_Name RDB$Field_Name, pp.RDB$Parameter_Type, F.RDB$Field_Length, "
    "F.RDB$Field_Scale, F.RDB$Field_Type, F.RDB$Field_Sub_Type, pp.RDB$Field_Source, "
    "F.RDB$Null_Flag FROM RDB$Procedure_Parameters pp, RDB$Fields F WHERE pp.RDB$Field_Source = "
    "f.RDB$Field_Name AND    pp.RDB$Procedure_Name = '%s' ORDER BY RDB$Parameter_Type, "
    "RDB$Parameter_Number ";
constexpr const char* kFunctionsQuery =
    "SELECT RDB$Function_Name FROM RDB$Functions ORDER BY RDB$Function_Name ";
constexpr const char* kFunctionArgumentsQuery =
    "SELECT RDB$Function_Name RDB$Field_Name, RDB$Field_Type, RDB$Field_Length, "
    "RDB$Field_Scale, RDB$Field_Sub_Type, NULL RDB$Field_Source, NULL RDB$Null_Flag FROM    "
    "RDB$Function_Arguments WHERE    RDB$Function_Name = '%s' ORDER BY RDB$ARGUMENT_POSITION";

std::string Rule(int width) {
    return std::string(static_cast<size_t>(std::max(width, 0)), '=');
}

// 0 for a column the result does not have: a query that left no columns
// (an engine that reached no database) underlines nothing.
int Width(const TcDBScripter_IBView& view, size_t column) {
    const std::vector<int>& widths = view.Widths();
    return column < widths.size() ? widths[column] : 0;
}

// A title, its underline as wide as the first column, and every row's first
// column as the server returns it.
std::string NameListing(TcDBScripter_IB& scripter, const char* query, const char* title,
                        TTrimCharFields trim) {
    std::string message;
    RunCatalogueQuery(scripter, query, trim, [&message, title](TcDBScripter_IBView& view) {
        view.ComputeWidths();
        message = std::string(title) + "\r\n" + Rule(Width(view, 0)) + "\r\n";
        for (view.First(); !view.AtEnd(); view.Next()) message += view.ValueText(0) + "\r\n";
    });
    return message;
}

std::string RelationFields(TcDBScripter_IB& scripter, const std::string& relation) {
    std::string message;
    RunCatalogueQuery(
        scripter, CatalogueQueryFor(kRelationFieldsQuery, relation), TTrimCharFields::ForcedOn,
        [&message](TcDBScripter_IBView& view) {
            view.First();
            view.ComputeWidths();
            const int w0 = Width(view, 0), w1 = Width(view, 1), w2 = Width(view, 2);
            message = PadRight("FIELD", static_cast<size_t>(w0) + 1) + PadRight("DATATYPE", 16) +
                      PadRight("NN", 3) + PadRight("DOMAIN", static_cast<size_t>(w0)) + "\r\n";
            message += Rule(w0) + " " + Rule(15) + " " + Rule(2) + " " + Rule(w0) + "\r\n";
            std::string name, type, domain, notNull;
            for (; !view.AtEnd(); view.Next()) {
                view.DescribeType(name, type, domain, notNull);
                message +=
                    Format("%s %-15s %-2s %s\r\n", CutTo(name, w0).c_str(), CutTo(type, w1).c_str(),
                           notNull.c_str(), CutTo(domain, w2).c_str());
            }
        });
    return message;
}

std::string ProcedureParameters(TcDBScripter_IB& scripter, const std::string& procedure) {
    std::string message;
    RunCatalogueQuery(
        scripter, CatalogueQueryFor(kProcedureParametersQuery, procedure),
        TTrimCharFields::ForcedOn, [&message](TcDBScripter_IBView& view) {
            view.ComputeWidths();
            const int w0 = Width(view, 0);
            message = "TYPE " + PadRight("NAME", static_cast<size_t>(w0) + 1) +
                      PadRight("DATATYPE", 16) + "\r\n";
            message += Rule(4) + " " + Rule(w0) + " " + Rule(15) + " \r\n";
            std::string name, type, domain, notNull;
            for (view.First(); !view.AtEnd(); view.Next()) {
                view.DescribeType(name, type, domain, notNull);
                message += view.ValueByName("RDB$Parameter_Type") == "0" ? "IN   " : "OUT  ";
                message += Format("%s %-15s\r\n", CutTo(name, w0).c_str(), type.c_str());
            }
        });
    return message;
}

std::string FunctionArguments(TcDBScripter_IB& scripter, const std::string& function) {
    std::string message;
    RunCatalogueQuery(scripter, CatalogueQueryFor(kFunctionArgumentsQuery, function),
                      TTrimCharFields::ForcedOn, [&message](TcDBScripter_IBView& view) {
                          view.ComputeWidths();
                          message = "TYPE   " + PadRight("DATATYPE", 16) + "\r\n";
                          message += Rule(6) + " " + Rule(15) + " \r\n";
                          std::string name, type, domain, notNull;
                          // The lowest argument position is the result.
                          for (view.First(); !view.AtEnd(); view.Next()) {
                              view.DescribeType(name, type, domain, notNull);
                              message += view.IsFirstRow() ? "Output " : "Input  ";
                              message += Format("%-15s\r\n", type.c_str());
                          }
                      });
    return message;
}

}  // namespace

TpsShowProcedure::TpsShowProcedure() {
    SetKeyword("DESCRIBE PROCEDURE");
    SetAlias("SHOW PROCEDURE");
    Syntax = {"$"};
    SyntaxText = "[<procedurename>]";
    HelpText = Lang(
        "SHOW PROCEDURE shows a list with all stored procedures.\r\n"
        "SHOW PROCEDURE <procedurename> shows the parameters for the stored procedure \r\n"
        "<procedurename>.",
        "SHOW PROCEDURE toont een lijst met alle stored procedures.\r\n"
        "SHOW PROCEDURE <procedurename> toont de parameters van de stored procedure \r\n"
        "<procedurename>.");
}

void TpsShowProcedure::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                 const std::string&, std::string& message) {
    const std::string name = ArgumentValue(arguments, "$");
    message = name.empty()
                  ? NameListing(scripter, kProceduresQuery, "PROCEDURE", TTrimCharFields::ForcedOn)
                  : ProcedureParameters(scripter, name);
}

TpsShowFunction::TpsShowFunction() {
    SetKeyword("DESCRIBE FUNCTION");
    SetAlias("SHOW FUNCTION");
    Syntax = {"$"};
    SyntaxText = "[<functionname>]";
    HelpText = Lang(
        "SHOW FUNCTION shows a list with all functions.\r\n"
        "SHOW FUNCTION <functionname> shows the parameters of the function \r\n"
        "<functionname>",
        "SHOW FUNCTION toont een lijst met alle functies.\r\n"
        "SHOW FUNCTION <functionname> toont de parameters van de functie \r\n"
        "<functionname>");
}

void TpsShowFunction::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                const std::string&, std::string& message) {
    const std::string name = ArgumentValue(arguments, "$");
    message = name.empty()
                  ? NameListing(scripter, kFunctionsQuery, "FUNCTION", TTrimCharFields::ForcedOn)
                  : FunctionArguments(scripter, name);
}

TpsDescribe::TpsDescribe() {
    SetKeyword("DESCRIBE");
    Syntax = {"&$"};
    SyntaxText = "[<relationname>]";
    HelpText = Lang(
        "DESCRIBE shows a list of all tables.\r\n"
        "DESCRIBE <relationname> shows information about the columns of the specified "
        "<relationname>\r\n"
        "The systems tables will not be shown.",
        "DESCRIBE toont een lijst van alle tabellen.\r\n"
        "DESCRIBE <relationname> toont informatie over de kolommen van de tabel relationname\r\n"
        "De systeemtabellen worden niet afgebeeld.");
}

void TpsDescribe::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                            const std::string&, std::string& message) {
    const std::string name = ArgumentValue(arguments, "$");
    message = name.empty()
                  ? NameListing(scripter, kRelationsQuery, "RELATIONS", TTrimCharFields::ForcedOn)
                  : RelationFields(scripter, name);
}

TpsShowSystemTables::TpsShowSystemTables() {
    SetKeyword("SHOW SYSTEM_TABLES");
    HelpText =
        Lang("Shows a list with all system tables.", "Toont een lijst van alle systeemtabellen.");
}

void TpsShowSystemTables::ExecuteOn(TcDBScripter_IB& scripter, const TStringList&,
                                    const std::string&, std::string& message) {
    // The width follows the user's own TrimCharFields.
    message = NameListing(scripter, kSystemTablesQuery, "RELATIONS", TTrimCharFields::AsSet);
}
