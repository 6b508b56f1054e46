// Scripting commands: EXECUTE SCRIPT, HELP, ECHO, SLEEP, SET PARAMETER and
// CHECK; and the registration of all base commands in matching order.

#include "engine/base_commands.h"
#include "engine/base_scripter.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"

TpsScript::TpsScript() {
    SetKeyword("EXECUTE SCRIPT");
    Syntax = {"$"};
    SyntaxText = "'<scriptname>'";
    HelpText = Lang("Executes the script <scriptname>.", "Voert het script <scriptname> uit.");
}

void TpsScript::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                        std::string& message) {
    std::string fileName = RemoveChars(ArgumentValue(arguments, "$"), "'\"");
    if (!HasDrivePart(fileName)) fileName = engine.RootDirectory() + fileName;
    if (engine.ScriptDepth >= TcDBBaseScripter::MaxScriptDepth)
        RaiseUserFmt("Scripts are nested more than %d levels deep at %s",
                     TcDBBaseScripter::MaxScriptDepth, fileName.c_str());
    const std::string text = engine.ScriptFileReader(fileName);
    // Nested inside the current statement: its settings stay in effect and an
    // error in it ends the outer run as well.
    TcScopedValue<std::string> source(engine.ScriptSource, fileName);
    TcScopedValue<int32_t> depth(engine.ScriptDepth, engine.ScriptDepth + 1);
    engine.ExecuteScript(text);
    message = "Script executed.";
}

TpsHelp::TpsHelp() {
    SetKeyword("HELP");
    Syntax = {"$"};
    SyntaxText = "[<command>]";
    HelpText = Lang(
        "HELP shows a list of all the commands.\r\n"
        "HELP <command> shows a brief explaination of a <command>.",
        "HELP toont een lijst met alle Tessel commando's.\r\n"
        "HELP <commando> geeft een korte uitleg over <command>.");
}

void TpsHelp::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                      std::string& message) {
    message = HelpListing(engine.Commands, ArgumentValue(arguments, "$"));
}

TpsEcho::TpsEcho() {
    SetKeyword("ECHO");
    Syntax = {"$"};
    SyntaxText = Lang("<Text>", "<Tekst>");
    HelpText = Lang("Displayes the text <text> to the output screen.",
                    "Beeld de tekst <text> af op het uitvoer scherm.");
}

void TpsEcho::Execute(TcDBBaseScripter&, const TStringList& arguments, const std::string&,
                      std::string& message) {
    message = ArgumentValue(arguments, "$");
}

TpsSleep::TpsSleep() {
    SetKeyword("SLEEP");
    Syntax = {"$"};
    SyntaxText = "<number>";
    HelpText = Lang("Waits <number> of seconds before continuing.",
                    "Wacht <number> seconden voordat er verder gegaan wordt.");
}

void TpsSleep::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                       std::string&) {
    const int seconds = StrToInt(ArgumentValue(arguments, "$"));
    if (seconds > 0) engine.Sleeper(int64_t{seconds} * 1000);
}

TpsSetParameter::TpsSetParameter() {
    SetKeyword("SET PARAMETER");
    Syntax = {"$"};
    SyntaxText = "<name> <value>";
    HelpText = Lang("Sets parameter <name> to <value>.", "Zet de parameter <name> naar <value>.");
}

void TpsSetParameter::Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                              const std::string&, std::string&) {
    TStringList parts = SplitString(ArgumentValue(arguments, "$"), " ");
    if (parts.empty()) throw Exception("List index out of bounds (0)");
    const std::string name = parts.front();
    parts.erase(parts.begin());
    const std::string value = JoinStrings(parts, " ", " ");
    if (!value.empty()) {
        engine.Parameters.SetValue(name, value);
    } else {
        const int32_t index = engine.Parameters.IndexOf(name);
        if (index >= 0) engine.Parameters.Delete(index);
    }
}

TpsCheck::TpsCheck() {
    SetKeyword("CHECK");
    Syntax = {"$"};
    SyntaxText = "<statement>";
    HelpText = Lang(
        "Executes the statement and checks if any records were retourned.\r\n"
        "Execute 'ABORTIFCHECKFAILDED' to see if any checks failed.",
        "Voert het statement uit en controleert of er records geretourneerd worden.\r\n"
        "Voer 'ABORTIFCHECKFAILDED' uit om te controleren of een van de checks een resultaat "
        "gaf.");
}

void TpsCheck::Execute(TcDBBaseScripter& engine, const TStringList& arguments, const std::string&,
                       std::string&) {
    {
        // The rows found stand without a header; the statement runs without
        // events, and its result is gone when the check is done.
        TcScopedValue<bool> header(engine.ShowRecordHeader, false);
        TcInternalExecution internal(engine);
        TcScopeExit clearResult([&engine] { engine.ClearStatementResult(); });
        engine.ExecuteStatement(ArgumentValue(arguments, "$"));
        engine.LastMessage.clear();
        if (engine.RecordCount > 0) {
            ++engine.CheckFailures;
            // Lets the owner show the rows the check found.
            if (engine.OnAfterStatement) {
                bool ok = true;
                engine.OnAfterStatement(this, std::string(), ok);
            }
        }
    }
    if (engine.CheckFailures > 0) RaiseUser("Check failed.");
}

void RegisterBaseCommands(TcPreparsedStatements& commands) {
    commands.Add(new TpsConnect);
    commands.Add(new TpsDisConnect);
    commands.Add(new TpsSetTerm);
    commands.Add(new TpsCommit);
    commands.Add(new TpsCommitWork);
    commands.Add(new TpsCommitTransaction);
    commands.Add(new TpsStartTransaction);
    commands.Add(new TpsRollback);
    commands.Add(new TpsRollbackwork);
    commands.Add(new TpsRollbackTransaction);
    commands.Add(new TpsSetPlan);
    commands.Add(new TpsSetWaronOnRecordsReturned);
    commands.Add(new TpsScript);
    commands.Add(new TpsSetEcho);
    commands.Add(new TpsSetError);
    commands.Add(new TpsHelp);
    commands.Add(new TpsTimeDisplay);
    commands.Add(new TpsShowRecordCount);
    commands.Add(new TpsSuppressOutput);
    commands.Add(new TpsSetStartTransaction);
    commands.Add(new TpsSetTransactionMode);
    commands.Add(new TpsSetRootDir);
    commands.Add(new TpsReconnect);
    commands.Add(new TpsEcho);
    commands.Add(new TpsShowRecordHeader);
    commands.Add(new TpsSleep);
    commands.Add(new TpsSetParameter);
    commands.Add(new TpsSetParameterReplace);
    commands.Add(new TpsSetAutoDDL);
    commands.Add(new TpsCheck);
}
