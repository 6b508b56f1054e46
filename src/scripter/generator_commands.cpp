#include "scripter/generator_commands.h"

#include "foundation/errors.h"
#include "foundation/language.h"
#include "scripter/catalogue_query.h"

namespace {

// GET CREATE's templates, cut where the reference columns, the comma after
// the key line and the foreign keys go in. "%0:s" stands for the table name
// as typed.
constexpr const char* kIdHead =
    "// %0:s\r\n"
    "CREATE DOMAIN %0:sID AS Integer;\r\n"
    "\r\n"
    "CREATE TABLE %0:s (\r\n"
    "   ID                             %0:sID                          NOT NULL,\r\n";
constexpr const char* kIdKey = "   CONSTRAINT PK_%0:s PRIMARY KEY (ID)";
constexpr const char* kIdTail =
    ");\r\n"
    "\r\n"
    "CREATE GENERATOR g%0:s;\r\n"
    "SET TERM !!;\r\n"
    "CREATE TRIGGER tg%0:s FOR %0:s BEFORE INSERT AS\r\n"
    "   BEGIN IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(g%0:s, 1); END!!\r\n"
    "SET TERM ;!!\r\n"
    "\r\n"
    "GRANT SELECT ON %0:s TO Application;\r\n"
    "GRANT ALL ON %0:s TO Development;";

constexpr const char* kCodeHead =
    "// %0:s\r\n"
    "CREATE DOMAIN %0:sCode AS Char();\r\n"
    "CREATE DOMAIN %0:sName AS Varchar();\r\n"
    "\r\n"
    "CREATE TABLE %0:s (\r\n"
    "   Code                           %0:sCode                NOT NULL,\r\n"
    "   Name                           %0:sName                NOT NULL,\r\n";
constexpr const char* kCodeKey =
    "   CONSTRAINT PK_%0:s PRIMARY KEY (Code),\r\n"
    "   CONSTRAINT UC1_%0:s UNIQUE (Name)";
constexpr const char* kCodeTail =
    ");\r\n"
    "\r\n"
    "GRANT SELECT ON %0:s TO Application;\r\n"
    "GRANT ALL ON %0:s TO Development;";

constexpr int kForeignKeys = 10;

// One pass, so a name that itself holds "%0:s" is not expanded again.
std::string Fill(const char* piece, const std::string& name) {
    return ReplaceAll(piece, "%0:s", name);
}

TStringList PrettyColumns(TcDBScripter_IB& scripter, const std::string& relation) {
    TStringList columns = RelationColumns(scripter, relation);
    for (std::string& column : columns) column = PrettyName(column);
    return columns;
}

bool HasArgument(const TStringList& arguments, const std::string& name) {
    const std::string prefix = name + "=";
    for (const std::string& entry : arguments)
        if (entry.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

}  // namespace

TpsGetSelect::TpsGetSelect() {
    SetKeyword("GET SELECT");
    Syntax = {"$"};
    SyntaxText = "<relationname>";
    HelpText = Lang("Generates a select statement for the table <relationname>.",
                    "Genereert een select statement voor de tabel <relationname>.");
}

void TpsGetSelect::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                             const std::string&, std::string& message) {
    const std::string name = ArgumentValue(arguments, "$");
    const TStringList columns = PrettyColumns(scripter, name);
    message = Format("SELECT %s\r\nFROM %s\r\nWHERE ", JoinStrings(columns, ", ", ", ").c_str(),
                     PrettyName(name).c_str());
    if (!columns.empty()) message += columns[0] + " = ";
}

TpsGetInsert::TpsGetInsert() {
    SetKeyword("GET INSERT");
    Syntax = {"$"};
    SyntaxText = "<relationname>";
    HelpText = Lang("Generates an insert statement for the table <relationname>.",
                    "Genereert een insert statement voor de tabel <relationname>.");
}

void TpsGetInsert::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                             const std::string&, std::string& message) {
    const std::string name = ArgumentValue(arguments, "$");
    const TStringList columns = PrettyColumns(scripter, name);
    message = Format("INSERT INTO %s (%s)\r\n   VALUES(:%s)", PrettyName(name).c_str(),
                     JoinStrings(columns, ", ", ", ").c_str(),
                     JoinStrings(columns, ", :", ", :").c_str());
}

TpsGetUpdate::TpsGetUpdate() {
    SetKeyword("GET UPDATE");
    Syntax = {"$"};
    SyntaxText = "<relationname>";
    HelpText = Lang("Generates an update statement for the table <relationname>.",
                    "Genereert een update statement voor de tabel <relationname>.");
}

void TpsGetUpdate::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                             const std::string&, std::string& message) {
    const std::string name = ArgumentValue(arguments, "$");
    const TStringList columns = PrettyColumns(scripter, name);
    message = Format("UPDATE %s SET\r\n", PrettyName(name).c_str());
    for (size_t i = 0; i < columns.size(); ++i) {
        message += Format("   %s = :%s", columns[i].c_str(), columns[i].c_str());
        if (i + 1 < columns.size()) message += ",";
        message += "\r\n";
    }
    if (!columns.empty())
        message += Format("WHERE %s = :%s", columns[0].c_str(), columns[0].c_str());
}

TpsGetCreate::TpsGetCreate() {
    SetKeyword("GET CREATE");
    Syntax = {"$", "&TYPE"};
    for (int i = 1; i <= kForeignKeys; ++i) Syntax.push_back(Format("&FK%d", i));
    SyntaxText = "<relationname> [TYPE CODE] [FK1 <relationname>] [FK2 <relationname] ...";
    HelpText = Lang(
        "Generates a create table statement for the table <relationname>. By default a \r\n"
        "primary key column will be created with the name ID. A generator and trigger \r\n"
        "will be created for this column. If TYPE CODE is specified a table will be \r\n"
        "created with two columns: 'code' and 'name'. The code column is the primary \r\n"
        "key and is of type Char. The name column is the secondary key and is of type \r\n"
        "VarChar. FK1, Fk2 etc can be used to specify a reference to another table. \r\n"
        "Such a reference result in a column with the name of the referenced table. \r\n"
        "The column will have the domain of the primary key of the referenced table and \r\n"
        "a foreign key to the referenced table will be generated.",
        "Genereert een create table statement voor de tabel <relationname>. Standaard \r\n"
        "wordt een primaire sleutel gemaakt met de naam ID. Bij deze sleutel wordt een \r\n"
        "generator en bijbehorende trigger gemaakt. Als TYPE CODE opgegeven wordt een \r\n"
        "tabel gemaakt met twee kolommen: 'code' en 'name'. De code is de primaire \r\n"
        "sleutel en is van het type Char de name is van het type VarChar en is de \r\n"
        "secundaire sleutel. Met FK1, FK2 etc kan een verwijzing opgegeven worden naar \r\n"
        "een andere tabel. Deze verwijzing wordt uitgewerkt door een veld te maken die \r\n"
        "als naam de naam van de tabel heeft en als datatype het domein van de primare \r\n"
        "sleutel van de tabel. Ook wordt een foreign key naar de tabel gemaakt.");
}

void TpsGetCreate::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                             const std::string&, std::string& message) {
    // The name goes into the script as typed: the user chooses its spelling.
    const std::string name = ArgumentValue(arguments, "$");
    bool codeForm = false;
    if (HasArgument(arguments, "TYPE")) {
        const std::string kind = UpperCase(ArgumentValue(arguments, "TYPE"));
        if (kind == "CODE")
            codeForm = true;
        else if (kind != "ID")
            return;  // an unknown kind gives no text at all
    }

    std::string constraints, references;
    for (int i = 1; i <= kForeignKeys; ++i) {
        const std::string option = Format("FK%d", i);
        if (!HasArgument(arguments, option)) continue;
        const std::string referenced = ArgumentValue(arguments, option);
        TStringList columns = RelationColumns(scripter, referenced);
        if (columns.empty()) columns.push_back("Unknown");
        const std::string key = PrettyName(columns[0]);
        if (!constraints.empty()) constraints += ",\r\n";
        constraints += Format("   CONSTRAINT FK%d_%s FOREIGN KEY (%s) REFERENCES %s (%s)", i,
                              name.c_str(), referenced.c_str(), referenced.c_str(), key.c_str());
        references +=
            Format("   %-31s%-31s NOT NULL,\r\n", referenced.c_str(), (referenced + key).c_str());
    }
    std::string comma;
    if (!constraints.empty()) {
        constraints += "\r\n";
        comma = ",";
    }

    message = Fill(codeForm ? kCodeHead : kIdHead, name) + references +
              Fill(codeForm ? kCodeKey : kIdKey, name) + comma + "\r\n" + constraints +
              Fill(codeForm ? kCodeTail : kIdTail, name);
}
