// Connection and transaction commands: CONNECT, DISCONNECT, RECONNECT,
// COMMIT, START TRANSACTION, ROLLBACK and their WORK/TRANSACTION variants.

#include "engine/base_commands.h"
#include "engine/base_scripter.h"
#include "foundation/errors.h"
#include "foundation/language.h"

namespace {
constexpr const char* kQuotes = "'\"";
}

TpsConnect::TpsConnect() {
    SetKeyword("CONNECT");
    Syntax = {"$", "&USER", "&PASSWORD", "&ROLE"};
    SyntaxText = "'<databasename>' [USER '<username>'] [PASSWORD '<password>'] [ROLE <role>]";
    HelpText = Lang(
        "Establishes a connection with the database <databasename>, logs in using the \r\n"
        "name <username> and the password <password>. When the username and/or the \r\n"
        "password are missing Tessel will ask for them. If a <role> is specified, the \r\n"
        "connection will be established using the rights for the specified role.",
        "Maakt een verbinding met de database <databasename>, logt in met de naam \r\n"
        "<username> en het wachtwoord <password>. Wanneer de gebruikersnaam en/of het \r\n"
        "wachtwoord ontbreken worden deze door Tessel gevraagd. Als een <role> wordt \r\n"
        "opgegeven, wordt de verbinding gemaakt met de rechten die bij deze rol horen.");
}

void TpsConnect::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                         std::string&) {
    std::string database = RemoveChars(ArgumentValue(arguments, "$"), kQuotes);
    std::string user = RemoveChars(ArgumentValue(arguments, "USER"), kQuotes);
    std::string password = RemoveChars(ArgumentValue(arguments, "PASSWORD"), kQuotes);
    std::string role = RemoveChars(ArgumentValue(arguments, "ROLE"), kQuotes);
    if (engine.OnLogin) engine.OnLogin(database, user, password, role);
    // Checked before anything changes, so the current connection stays open.
    if (user.empty()) RaiseUser("User unknown.");
    if (password.empty()) RaiseUser("Password unknown.");
    engine.SetDatabaseName(database);
    engine.UserName = user;
    engine.Password = password;
    engine.RoleName = role;
    engine.Disconnect();
    engine.Connect();
}

TpsDisConnect::TpsDisConnect() {
    SetKeyword("DISCONNECT");
    HelpText = Lang("Disconnects from the active database.",
                    "Sluit de verbinding met de actieve database.");
}

void TpsDisConnect::Execute(TcDBBaseScripter& engine, const TStringList&, const std::string&,
                            std::string&) {
    engine.Disconnect();
}

TpsReconnect::TpsReconnect() {
    SetKeyword("RECONNECT");
    HelpText = Lang(
        "Executes a COMMIT, disconnects from the database (DISCONNECT)\r\n"
        "and reconnects to the database (CONNECT)",
        "Voert een COMMIT uit, verbreekt de verbinding met de database (DISCONNECT)\r\n"
        "en maakt opnieuw een verbinding met de database (CONNECT)");
}

void TpsReconnect::Execute(TcDBBaseScripter& engine, const TStringList&, const std::string&,
                           std::string&) {
    engine.Commit();
    engine.Disconnect();
    engine.Sleeper(2000);
    engine.Connect();
}

TpsCommit::TpsCommit() {
    SetKeyword("COMMIT");
    SyntaxText = "[TRANSACTION]";
    HelpText = Lang(
        "Commit the changes of the current transaction. \r\nThe keyword TRANSACTION is optional.",
        "Maakt de wijzigingen in de huidige transactie definitief.\r\n"
        "De toevoeging TRANSACTION is optioneel.");
}

void TpsCommit::Execute(TcDBBaseScripter& engine, const TStringList&, const std::string&,
                        std::string& message) {
    engine.Commit();
    message = Lang("Transaction commit.", "Transactie commit.");
}

TpsCommitWork::TpsCommitWork() {
    SetKeyword("COMMIT WORK");
    SyntaxText = "";
    Listed = false;
    HelpText = Lang("Commit the changes of the current transaction. ",
                    "Maakt de wijzigingen in de huidige transactie definitief.");
}

TpsCommitTransaction::TpsCommitTransaction() {
    SetKeyword("COMMIT TRANSACTION");
}

TpsStartTransaction::TpsStartTransaction() {
    SetKeyword("START TRANSACTION");
    HelpText = Lang("Starts a transaction.", "Start een transactie.");
}

void TpsStartTransaction::Execute(TcDBBaseScripter& engine, const TStringList&, const std::string&,
                                  std::string& message) {
    engine.StartTransaction();
    message = Lang("Transaction start.", "Transactie start.");
}

TpsRollback::TpsRollback() {
    SetKeyword("ROLLBACK");
    SyntaxText = "[TRANSACTION]";
    HelpText = Lang(
        "Rollback the pending changes of the current transaction.\r\n"
        "The keyword TRANSACTION is optional.",
        "Maakt de wijzigingen in de huidige transactie ongedaan.\r\n"
        "De toevoeging TRANSACTION is optioneel.");
}

void TpsRollback::Execute(TcDBBaseScripter& engine, const TStringList&, const std::string&,
                          std::string& message) {
    engine.Rollback();
    message = Lang("Transaction rollback.", "Transactie rollback.");
}

TpsRollbackwork::TpsRollbackwork() {
    SetKeyword("ROLLBACK WORK");
    SyntaxText = "";
    Listed = false;
    HelpText = Lang("Rollback the pending changes of the current transaction.",
                    "Maakt de wijzigingen in de huidige transactie ongedaan.");
}

TpsRollbackTransaction::TpsRollbackTransaction() {
    SetKeyword("ROLLBACK TRANSACTION");
}
