#include "app/tessel.h"

#include <cstring>

#include "app/run_program.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/string_utils.h"

#ifndef TESSEL_VERSION
#define TESSEL_VERSION "0.1"
#endif

TcTessel::TcTessel() {
    Commands.Add(new TPSExecuteProgram);
}

std::string TcTessel::EndOfRun() {
    return WriteOpenWorkbook();
}

TPSExecuteProgram::TPSExecuteProgram() {
    SetKeyword("EXECUTE PROGRAM");
    Syntax = {"$"};
    SyntaxText = Lang("'<program name>'", "'<programmanaam>'");
    HelpText = Lang("Runs the program <program name> and waits until the program finishes.",
                    "Start het programma <programmanaam> en wacht totdat deze gestopt is.");
}

void TPSExecuteProgram::ExecuteOn(TcTessel& engine, const TStringList& arguments,
                                  const std::string&, std::string&) {
    std::string program = FirstArgumentValue(arguments);
    std::erase_if(program, [](char c) { return c == '\'' || c == '"'; });
    if (engine.BeforeProgram) engine.BeforeProgram();
    // Waiting stopped by the user ends the program and raises
    // EStatementCancelled: the run stops here, as after a cancelled statement.
    const int status = RunProgram(program, "", true, "", engine.KeepWaiting, engine.StopProgramFd,
                                  engine.OnProgramOutput);
    // A program that failed fails the command, as a failing statement does.
    const std::string name = SplitCommandLine(program).front();
    if (status > 0)
        throw EExecuteApplication(Format("%s ended with exit status %d.", name.c_str(), status));
    if (status < 0)
        throw EExecuteApplication(
            Format("%s was ended by signal %d (%s).", name.c_str(), -status, strsignal(-status)));
    // No message: the engine reports "Done." once the program has ended.
}

std::string TesselVersion() {
    return "V" TESSEL_VERSION;
}

namespace {

const char* TransactionModeName(TTransactionMode mode) {
    switch (mode) {
        case TTransactionMode::ReadCommitted:
            return "read committed";
        case TTransactionMode::ReadOnly:
            return "readonly";
        default:
            return "snapshot";
    }
}

// The build date as d-m-yyyy, from the compiler's "Mmm dd yyyy".
std::string BuildDate() {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string date = __DATE__;
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (date.compare(0, 3, months[i]) == 0) month = i + 1;
    return Format("%d-%d-%s", std::stoi(date.substr(4, 2)), month, date.substr(7, 4).c_str());
}

}  // namespace

std::vector<std::string> TesselBannerLines(const TcDBBaseScripter& engine) {
    return {Format("Tessel %s, %s", TesselVersion().c_str(), BuildDate().c_str()),
            Format(Lang("Transaction mode %s.", "Transactie mode %s."),
                   TransactionModeName(engine.TransactionMode))};
}
