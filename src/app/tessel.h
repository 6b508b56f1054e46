#pragma once
// TcTessel: the application's engine, the XLS engine with EXECUTE PROGRAM.
// Both front ends run on it: the console window, which registers its window
// commands on it after creating it, and tessel-cli, which does not. Nothing
// here knows a window toolkit.
//
// Contract: one thread at a time, as its parents; the window runs it on a
// worker thread and hands it over only between runs.

#include <functional>
#include <string>
#include <vector>

#include "app/run_program.h"
#include "engine/engine_command.h"
#include "spreadsheet/scripter_ibxls.h"

class TcTessel : public TcDBScripter_IBXLS {
  public:
    // Raises when no client library can be loaded.
    TcTessel();

    // Writes a workbook still open with cells not written yet.
    std::string EndOfRun() override;

    // Called while EXECUTE PROGRAM waits for its program, about every
    // 100 ms; answering false stops the waiting, ends the program and the
    // command fails with EStatementCancelled. Unset: wait until the program
    // ends. May be called from the thread that runs the engine only.
    std::function<bool()> KeepWaiting;
    // A descriptor that becomes readable when the waiting must stop, with
    // the same effect as KeepWaiting answering false; -1 for none.
    int StopProgramFd = -1;
    // Called just before EXECUTE PROGRAM starts its program: output still
    // buffered must stand before the program's own.
    std::function<void()> BeforeProgram;
    // Receives what the program of EXECUTE PROGRAM writes to its standard
    // output and standard error, on the engine's thread, as it arrives (in
    // whole lines, see TProgramOutput). Unset: the program writes to this
    // process's own standard output and standard error (tessel-cli).
    TProgramOutput OnProgramOutput;
};

// "EXECUTE PROGRAM '<program name>'": runs the program and waits for it.
class TPSExecuteProgram : public TcEngineCommand<TcTessel> {
  public:
    TPSExecuteProgram();

  protected:
    void ExecuteOn(TcTessel& engine, const TStringList& arguments, const std::string& statement,
                   std::string& message) override;
};

// The application's version text, "V" and the project version.
std::string TesselVersion();
// The lines both front ends show at start-up: the banner with the version
// and the build date, and the transaction mode.
std::vector<std::string> TesselBannerLines(const TcDBBaseScripter& engine);
