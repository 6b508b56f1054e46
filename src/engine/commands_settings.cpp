// SET commands that change engine settings: the ON/OFF switches, SET PLAN,
// SET WARN_ON_RECORDS_RETURNED, SET START_TRANSACTION, SET TRANSACTION_MODE,
// SET ROOT_DIRECTORY and SET TERM.

#include "engine/base_commands.h"
#include "engine/base_scripter.h"
#include "foundation/errors.h"
#include "foundation/language.h"

TcOnOffCommand::TcOnOffCommand(const char* keyword, bool TcDBBaseScripter::*field,
                               const char* englishHelp, const char* dutchHelp)
    : field_(field) {
    SetKeyword(keyword);
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang(englishHelp, dutchHelp);
}

void TcOnOffCommand::Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                             const std::string&, std::string&) {
    engine.*field_ = SameText(FirstArgumentValue(arguments), "ON");
}

TpsSetEcho::TpsSetEcho()
    : TcOnOffCommand("SET ECHO", &TcDBBaseScripter::Echo,
                     "If the ECHO is on, the executed statement will be displayed before the\r\n"
                     "result in the result screen.",
                     "Als ECHO aan staat worden de commando's v\xC3\xB3\xC3\xB3r het resultaat "
                     "afgebeeld in\r\n"
                     "het uitvoervenster.") {}

TpsSetError::TpsSetError()
    : TcOnOffCommand(
          "SET SUPPRESS_ERROR", &TcDBBaseScripter::SuppressError,
          "If SUPPRESS_ERROR is switched on errors while be ignored when executing a \r\n"
          "script. After an error Tessel will continue to execute the next statement. The \r\n"
          "error message will be displayed in the result screen.",
          "Als SUPPRESS_ERROR aan staat wordt er bij een foutmelding gewoon doorgegaan met \r\n"
          "de uitvoering van het volgende commando. De foutmelding wordt wel weergegeven.\r\n"
          "in het resultaatvenster.") {}

TpsTimeDisplay::TpsTimeDisplay()
    : TcOnOffCommand(
          "SET TIME_DISPLAY", &TcDBBaseScripter::TimeDisplay,
          "If the TIME_DISPLAY is on, both the date and the time will be displayed in the\r\n"
          "result screen for datetime fields.",
          "Als TIME_DISPLAY aan staat worden in het resultaatvenster zowel de datum als\r\n"
          "de tijd afgebeeld voor datum velden.") {}

TpsShowRecordCount::TpsShowRecordCount()
    : TcOnOffCommand("SET SHOW_RECORD_COUNT", &TcDBBaseScripter::ShowRecordCount,
                     "If SHOW_RECORD_COUNT is on, at the end of each query the number\r\n"
                     "of returned records will be displayed.",
                     "Als SHOW_RECORD_COUNT aan staat wordt aan het einde van iedere query het\r\n"
                     "aantal resultaat rijen (records) getoond.") {}

TpsSuppressOutput::TpsSuppressOutput()
    : TcOnOffCommand(
          "SET SUPPRESS_OUTPUT", &TcDBBaseScripter::SuppressOutput,
          "If the SUPPRESS_OUTPUT is on, the result of every query in the current "
          "statementblock is suppressed. The SUPPRESS_OUTPUT is automatically disabled for the "
          "next statementblock.",
          "Als SUPPRESS_OUTPUT aan staat wordt het resultaat van de statements in het huidge "
          "statementblok niet getoond. Bij het uitvoeren van het volgende statementblock wordt "
          "SUPPRESS_OUTPUT automatisch weer aangezet.") {}

TpsShowRecordHeader::TpsShowRecordHeader()
    : TcOnOffCommand(
          "SET SHOW_RECORD_HEADER", &TcDBBaseScripter::ShowRecordHeader,
          "If the SHOW_RECORD_HEADER is on, the columnnames and a separatorline will be "
          "displayed\r\n before the result in the result screen.",
          "Als SHOW_RECORD_HEADER aan staat worden de kolomnamen en een scheindingsregel "
          "afgebeeld\r\nv\xC3\xB3\xC3\xB3r het resultaat in het uitvoervenster.") {}

TpsSetParameterReplace::TpsSetParameterReplace()
    : TcOnOffCommand("SET PARAMETER_REPLACE", &TcDBBaseScripter::ParameterReplace,
                     "Enables or disabled the replacement of parameters.",
                     "Zet het vervangen van de parameters aan of uit.") {}

TpsSetAutoDDL::TpsSetAutoDDL()
    : TcOnOffCommand("SET AUTODDL", &TcDBBaseScripter::AutoDDL,
                     "Enables or disabled the autocommit after a DDL statement.",
                     "Zet de automatische commit na een DDL opdracht aan of uit.") {}

TpsShowStats::TpsShowStats()
    : TcOnOffCommand(
          "SET STATISTICS_DISPLAY", &TcDBBaseScripter::StatisticsDisplay,
          "If STATISTICS_DISPLAY is on, after each SQL-statement a statistical summary\r\n"
          "will be displayed.",
          "Als STATISTICS_DISPLAY aan staat worden na elke SQL-commando statistische\r\n"
          "gegevens verstrekt, waaronder de tijdsduur van de verwerking.") {}

TpsSetPlan::TpsSetPlan() {
    SetKeyword("SET PLAN");
    Syntax = {"|ON|OFF|ONLY"};
    SyntaxText = "<ON|OFF|ONLY>";
    HelpText = Lang(
        "If SET PLAN is on, Tessel will show the indixes used to execute the query. If SET "
        "PLAN is set to ONLY, the query is not executed.",
        "Als SET PLAN aan staat wordt weer gegeven welke indexen gebruikt\r\n"
        "worden voor de uitvoering van een query. Als SET PLAN op ONLY staat, dan wordt de "
        "query niet uitgevoerd.");
}

void TpsSetPlan::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                         std::string&) {
    const std::string value = FirstArgumentValue(arguments);
    if (SameText(value, "ON"))
        engine.PlanMode = TPlanMode::On;
    else if (SameText(value, "ONLY"))
        engine.PlanMode = TPlanMode::Only;
    else
        engine.PlanMode = TPlanMode::Off;
}

TpsSetWaronOnRecordsReturned::TpsSetWaronOnRecordsReturned() {
    SetKeyword("SET WARN_ON_RECORDS_RETURNED");
    Syntax = {"$"};
    SyntaxText = Lang("<number|0>", "<aantal|0>");
    HelpText = Lang(
        "Setting the WARN_ON_RECORDS_RETURNED will give you a warning after the <number> "
        "records have been fetched.\r\nUse 0 to disable the warning. By default the <number> "
        "is 1000.",
        "De optie WARN_ON_RECORDS_RETURNED geeft aan na hoeveel resultaat records Tessel\r\n"
        "een waarschuwing moet geven. Door deze waarschuwing is het mogelijk om een uit\r\n"
        "de hand gelopen query tijdig te stoppen. Door de optie op 0 records te\r\n"
        "zetten, wordt de waarschuwing uitgeschakeld.");
}

void TpsSetWaronOnRecordsReturned::Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                                           const std::string&, std::string&) {
    int value = -1;
    if (!TryStrToInt(ArgumentValue(arguments, "$"), value)) value = -1;
    engine.WarnOnRecordsReturned = value;
}

TpsSetStartTransaction::TpsSetStartTransaction() {
    SetKeyword("SET START_TRANSACTION");
    Syntax = {"|IMPLICIT|EXPLICIT"};
    SyntaxText = "<IMPLICIT|EXPLICIT>";
    HelpText = Lang("Switches between the implicit and explicit transaction model.",
                    "Wisselt tussen het impliciete en expliciete transactie model.");
}

void TpsSetStartTransaction::Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                                     const std::string&, std::string&) {
    engine.StartTransactionModel = SameText(FirstArgumentValue(arguments), "IMPLICIT")
                                       ? TStartTransactionModel::Implicit
                                       : TStartTransactionModel::Explicit;
}

TpsSetTransactionMode::TpsSetTransactionMode() {
    SetKeyword("SET TRANSACTION_MODE");
    SetAlias("SET TRANSACTION MODE");
    Syntax = {"|READONLY|READCOMMITTED|SNAPSHOT"};
    SyntaxText = "<READONLY|READCOMMITTED|SNAPSHOT>";
    HelpText = Lang("Sets the transaction mode.", "Stelt het type transactie in.");
}

void TpsSetTransactionMode::Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                                    const std::string&, std::string& message) {
    const std::string value = FirstArgumentValue(arguments);
    const char* name;
    if (SameText(value, "READCOMMITTED")) {
        engine.TransactionMode = TTransactionMode::ReadCommitted;
        name = "read committed";
    } else if (SameText(value, "SNAPSHOT")) {
        engine.TransactionMode = TTransactionMode::Snapshot;
        name = "snapshot";
    } else {
        engine.TransactionMode = TTransactionMode::ReadOnly;
        name = "readonly";
    }
    message =
        Format(Lang("New transaction will be %s.", "De volgende transaction zal %s zijn."), name);
}

TpsSetRootDir::TpsSetRootDir() {
    SetKeyword("SET ROOT_DIRECTORY");
    Syntax = {"$"};
    SyntaxText = "'<directory>'";
    HelpText = Lang(
        "Sets the base directory for the databases to <directory>. After setting the base\r\n"
        "directory you can omit the directory when using other commands such as CONNECT.",
        "Stelt de basis directory voor databases en scripts in op <directory>. Door het \r\n"
        "instellen van een basis directory is het mogelijk om bij andere commando's het \r\n"
        "pad naar de databasefile weg te laten.");
}

void TpsSetRootDir::Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                            const std::string&, std::string&) {
    engine.SetRootDirectory(RemoveChars(ArgumentValue(arguments, "$"), "'\""));
}

TpsSetTerm::TpsSetTerm() {
    SetKeyword("SET TERM");
    Syntax = {"$"};
    SyntaxText = "<terminator>";
    HelpText =
        Lang("Changes the SQL statement terminator to <terminator>.",
             "Het standaard teken om een SQL-commando af te sluiten is de puntkomma. Dit is \r\n"
             "echter ook het teken om binnen de definitie van een trigger of stored procedure \r\n"
             "een commando af te sluiten. Daarom wordt het afsluitteken voor SQL-opdrachten \r\n"
             "(de terminator) tijdens de definitie van een trigger of stored procedure \r\n"
             "tijdelijk veranderd naar een ander teken, bijvoorbeeld het | teken.");
}

void TpsSetTerm::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                         std::string&) {
    engine.SetTerminator(TrimLeftBlanks(ArgumentValue(arguments, "$")));
}
