#include "scripter/database_commands.h"

#include "engine/base_commands.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "mdo/client_library.h"
#include "scripter/catalogue_commands.h"
#include "scripter/ddl_commands.h"
#include "scripter/generator_commands.h"
#include "scripter/scripter_ib.h"
#include "scripter/user_commands.h"

namespace {
std::string Unquoted(const TStringList& arguments, std::string_view name) {
    return RemoveChars(ArgumentValue(arguments, name), "'\"");
}

// The text of a CREATE DATABASE statement after its database name.
std::string_view AfterDatabaseName(std::string_view statement) {
    constexpr const char* kBlanks = " \t\r\n";
    size_t at = 0;
    for (int word = 0; word < 2; ++word) {  // CREATE DATABASE
        at = statement.find_first_not_of(kBlanks, at);
        at = statement.find_first_of(kBlanks, at);
    }
    at = statement.find_first_not_of(kBlanks, at);
    if (at == std::string_view::npos) return {};
    const char quote = statement[at];
    const size_t end = quote == '\'' || quote == '"' ? statement.find(quote, at + 1)
                                                     : statement.find_first_of(kBlanks, at) - 1;
    return end >= statement.size() ? std::string_view() : statement.substr(end + 1);
}

}  // namespace

void RegisterDatabaseCommands(TcPreparsedStatements& commands) {
    commands.Add(new TpsCreateDatabase);
    commands.Add(new TpsDropDatabase);
    commands.Add(new TpsForcedWrite);
    commands.Add(new TpsSetNames);
    commands.Add(new TpsShowStats);
    commands.Add(new TpsCreateUser);
    commands.Add(new TpsDropUser);
    commands.Add(new TpsAlterUser);
    commands.Add(new TpsShowProcedure);
    // The DDL description commands each begin with DESCRIBE, so they must
    // come before DESCRIBE.
    RegisterDDLCommands(commands);
    commands.Add(new TpsShowFunction);
    commands.Add(new TpsDescribe);
    commands.Add(new TpsShowSystemTables);
    commands.Add(new TpsGetSelect);
    commands.Add(new TpsGetInsert);
    commands.Add(new TpsGetUpdate);
    commands.Add(new TpsGetCreate);
    commands.Add(new TpsSetSQLDialect);
    commands.Add(new TpsSetTrimCharFields);
    commands.Add(new TpsSetFastInsert);
    commands.Add(new TpsSetClientLibrary);
}

TpsCreateDatabase::TpsCreateDatabase() {
    SetKeyword("CREATE DATABASE");
    Syntax = {"$", "&USER", "&PASSWORD", "&PAGE_SIZE", "&DEFAULT CHARACTER SET"};
    SyntaxText =
        "'<databasename>' USER '<username>' PASSWORD '<password>' [PAGE_SIZE <pagesize>] "
        "[DEFAULT CHARACTER SET <character set>]";
    HelpText = Lang(
        "Creates a database with the filename <databasename>. Logs in as user \r\n"
        "<username> with password <password>. De <pagesize> and <character set> \r\n"
        "are optional. Consult your manual for additional information on \r\n"
        "pagesizes and character sets.",
        "Maakt een database met als bestandsnaam <databasename>. Logt in als gebruiker\r\n"
        "<username> met wachtwoord <password>. De <pagesize> en <character set> \r\n"
        "zijn optioneel. Raadpleeg uw handleiding voor meer informatie over pagesizes and \r\n"
        "character sets.");
}

void TpsCreateDatabase::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                  const std::string& statement, std::string& message) {
    const std::string name = Unquoted(arguments, "$");
    std::string user = Unquoted(arguments, "USER");
    std::string password = Unquoted(arguments, "PASSWORD");
    const bool userGiven = !user.empty();
    const bool passwordGiven = !password.empty();
    // As for CONNECT, a login the statement leaves out comes from the front
    // end (its options, the environment or a question).
    if ((!userGiven || !passwordGiven) && scripter.OnLogin) {
        std::string database = name;
        std::string role;
        scripter.OnLogin(database, user, password, role);
    }
    // Without a login from anywhere the statement is refused as before.
    if (user.empty()) RaiseMissingParameter("USER", "CREATE DATABASE");
    scripter.UserName = user;
    scripter.Password = password;
    scripter.RoleName.clear();
    scripter.ServerName.clear();
    scripter.SetDatabaseName(name);
    // The client library reads these clauses right after the name and makes
    // the new attachment with them: the login, and the character set the
    // statements after this one are to run in.
    std::string clauses;
    if (!userGiven && !user.empty()) clauses += " USER '" + user + "'";
    if (!passwordGiven && !password.empty()) clauses += " PASSWORD '" + password + "'";
    if (!scripter.CharacterSet.empty()) clauses += " SET NAMES '" + scripter.CharacterSet + "'";
    std::string sql = statement;
    // The server must see the path the root directory makes of the name.
    if (scripter.FullDatabasePath() != name || !clauses.empty())
        sql = "CREATE DATABASE '" + scripter.ConnectString() + "'" + clauses +
              std::string(AfterDatabaseName(statement));
    scripter.CreateDatabase(sql);
    message = "Database created.";
}

TpsDropDatabase::TpsDropDatabase() {
    SetKeyword("DROP DATABASE");
    HelpText = Lang("Removes the active database.", "Verwijdert de actieve database.");
}

void TpsDropDatabase::ExecuteOn(TcDBScripter_IB& scripter, const TStringList&, const std::string&,
                                std::string& message) {
    const std::string before = scripter.LastMessage;
    scripter.LastMessage.clear();
    scripter.DropDatabase();
    // A suppressed error stays the statement's message.
    if (scripter.LastMessage.empty()) {
        scripter.LastMessage = before;
        message = "Database dropped.";
    }
}

TpsForcedWrite::TpsForcedWrite() {
    SetKeyword("SET FORCED_WRITE");
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang(
        "IF FORCED_WRITE is on every change in the database will be written directly to \r\n"
        "the disk. Switching FORCED_WRITE off will give a significant performance boost \r\n"
        "to SQL-statements or script which are inserting, updating or deleting a lot of \r\n"
        "records. IF FORCED_WRITE is turned off and the computer fails the unwritten \r\n"
        "changes will be lost. After changing the FORCED_WRITE setting you have to \r\n"
        "logoff and on to activate it.",
        "Als FORCED_WRITE aan staat worden alle wijzigingen in de database direct naar \r\n"
        "disk geschreven. Het uitzetten van FORCED_WRITE geeft een flinke versnelling \r\n"
        "aan SQL-opdrachten of scripts die veel records toevoegen, verwijderen of \r\n"
        "wijzigen. Als FORCED_WRITE uit staat en de computer valt uit dan gaan de niet \r\n"
        "weggeschreven wijzigingen verloren. Om een verandering in de FORCED_WRITE \r\n"
        "instelling te activeren, dient opnieuw ingelogd te worden.");
}

void TpsForcedWrite::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                               const std::string&, std::string& message) {
    scripter.ForcedWrite = SameText(FirstArgumentValue(arguments), "ON");
    scripter.ForcedWritePending = true;
    message = scripter.ForcedWrite ? "Forced write on." : "Forced write off.";
}

TpsSetNames::TpsSetNames() {
    SetKeyword("SET CHARACTER_SET");
    SetAlias("SET NAMES");
    Syntax = {"$"};
    SyntaxText = "<character set>";
    HelpText = Lang(
        "Changes the character set to <character set>. After changing this setting \r\n"
        "you have to logoff and on to activate it.",
        "Verandert de character set in <character set>. Om een verandering in deze \r\n"
        "instelling te activeren, dient opnieuw ingelogd te worden.");
}

void TpsSetNames::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                            const std::string&, std::string& message) {
    scripter.CharacterSet = ArgumentValue(arguments, "$");
    message = Lang("Character set set.", "Character set gezet.");
}

TpsSetSQLDialect::TpsSetSQLDialect() {
    SetKeyword("SET SQL_DIALECT");
    SetAlias("SET SQL DIALECT");
    Syntax = {"$"};
    SyntaxText = "<dialect number>";
    HelpText = Lang(
        "Sets the SQL dialect to <dialect number>. Where the <dialect number> is 1, 2 or\r\n"
        "3. After changing this setting you have to logoff and on to activate it.",
        "Zet het SQL dialect op <dialect number>. Waarbij het <dialect number> 1, 2 of 3\r\n"
        "is. Om een verandering van dialect te activeren, dient opnieuw ingelogd te worden.");
}

void TpsSetSQLDialect::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                 const std::string&, std::string&) {
    const std::string value = ArgumentValue(arguments, "$");
    const int dialect = StrToInt(value);
    // The dialect travels to the server as a 16-bit number: a larger value
    // would wrap around to another dialect instead of failing.
    if (dialect < 1 || dialect > 3)
        RaiseUser(Format(Lang("%s is not a valid SQL dialect; the dialect is 1, 2 or 3.",
                              "%s is geen geldig SQL dialect; het dialect is 1, 2 of 3."),
                         value.c_str()));
    scripter.SQLDialect = dialect;
}

TpsSetTrimCharFields::TpsSetTrimCharFields() {
    SetKeyword("SET TRIM_CHAR_FIELDS");
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang(
        "Set TRIM_CHAR_FIELDS to ON if the trailing spaces of Char fields must be removed "
        "before the field is shown.",
        "Zet TRIM_CHAR_FIELDS op ON als toegevoegde spaties bij Char velden verwijderd moeten "
        "worden voordat het veld getoond wordt.");
}

void TpsSetTrimCharFields::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                     const std::string&, std::string&) {
    scripter.TrimCharFields = SameText(FirstArgumentValue(arguments), "ON");
}

TpsSetFastInsert::TpsSetFastInsert() {
    SetKeyword("SET FAST_INSERT");
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang(
        "Set FAST_INSERT to OFF if every INSERT statement with only literal values must be \r\n"
        "prepared on its own. If FAST_INSERT is ON (the default) such a statement reuses the \r\n"
        "prepared statement of an earlier INSERT of the same form, which makes scripts with \r\n"
        "a lot of INSERT statements significantly faster. The output is the same either way.",
        "Zet FAST_INSERT op OFF als elke INSERT opdracht met alleen letterlijke waarden \r\n"
        "afzonderlijk voorbereid moet worden. Als FAST_INSERT aan staat (de standaard) \r\n"
        "hergebruikt zo'n opdracht de voorbereide opdracht van een eerdere INSERT van \r\n"
        "dezelfde vorm, wat scripts met veel INSERT opdrachten flink versnelt. De uitvoer \r\n"
        "is in beide gevallen gelijk.");
}

void TpsSetFastInsert::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                 const std::string&, std::string&) {
    scripter.FastInsert = SameText(FirstArgumentValue(arguments), "ON");
}

TpsSetClientLibrary::TpsSetClientLibrary() {
    SetKeyword("SET CLIENT_LIBRARY");
    Syntax = {"|AUTO|FBCLIENT|GDS32|FBEMBED"};
    SyntaxText = "<AUTO|GDS32|FBCLIENT|FBEMBED>";
    HelpText = Lang("Set CLIENT_LIBRARY to the desired Firebird/InterBase DLL.",
                    "Zet CLIENT_LIBRARY naar de gewenste Firebird/Interbase DLL.");
}

void TpsSetClientLibrary::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                    const std::string&, std::string&) {
    const std::string value = FirstArgumentValue(arguments);
    TMDOClientLib choice = clAutoDetect;
    if (SameText(value, "FBCLIENT"))
        choice = clFBClient;
    else if (SameText(value, "GDS32"))
        choice = clGDS32;
    else if (SameText(value, "FBEMBED"))
        choice = clFBEmbed;
    const std::string chosen = ClientLibraryFileNames(choice);
    if ((ClientLibraryName.empty() || !chosen.empty()) && chosen != ClientLibraryName) {
        // Another engine or component still holding handles refuses the
        // switch before anything changes: unloading would pull the code from
        // under them.
        CheckClientLibraryUnused(scripter.ClientLibraryUses());
        if (scripter.Connected()) scripter.Disconnect();
        FreeClientLibrary();
        ClientLibraryName = chosen;
        try {
            CheckClientLibraryLoaded();
        } catch (const std::exception&) {
            const std::string text = Lang("Unable to load library ", "Kan library ") + chosen +
                                     Lang(".", " niet laden.");
            // Go on with whatever library the automatic choice finds.
            ClientLibraryName.clear();
            CheckClientLibraryLoaded();
            throw EUser(text);
        }
    }
    scripter.SetDialectFromClientVersion();
    if (scripter.OnClientLibraryChanged)
        scripter.OnClientLibraryChanged(this, TClientLibraryChange::Chosen, ClientLibraryName);
}
