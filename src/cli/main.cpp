// tessel-cli: the Tessel engine in a terminal. Runs a script file, standard
// input, or an interactive prompt, and prints the lines the console's output
// list would show.

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>

#include "app/history_store.h"
#include "app/signal_watcher.h"
#include "app/tessel.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/edit_line_terminal.h"
#include "cli/output_file.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/locale_settings.h"
#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "scripter/catalogue_names.h"

namespace {

// Output to a terminal or a pipe is followed as it comes; a file (or
// /dev/null) is read afterwards, if at all, and is written in large blocks.
bool FollowedLive(const TcCliOptions& options) {
    if (!options.Output.empty()) return false;
    if (isatty(STDOUT_FILENO)) return true;
    struct stat info {};
    return fstat(STDOUT_FILENO, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

// The settings isql takes as options, as if the script began with SET NAMES,
// SET SQL DIALECT and SET TERM.
void ApplySessionOptions(const TcCliOptions& options, TcTessel& engine) {
    if (!options.Charset.empty()) engine.CharacterSet = options.Charset;
    if (options.Dialect != 0) engine.SQLDialect = options.Dialect;
    if (!options.Terminator.empty()) engine.SetTerminator(options.Terminator);
}

// The whole words Tab may make of the word typed: a name, or a relation's
// column after its name and a dot. The prompt waits for input, so the engine
// is idle; a catalogue that cannot be read leaves the command words (the next
// statement reports what is wrong with the connection).
TStringList CompleteWord(TcCatalogueNames& catalogue, TcTessel& engine, std::string_view typed) {
    catalogue.Refresh(engine);
    const TCompletionWord word = CompletionWordAt(typed);
    TStringList words = catalogue.Complete(word.Qualifier, word.Prefix);
    if (!word.Qualifier.empty())
        for (std::string& column : words) column = word.Qualifier + "." + column;
    return words;
}

// One run with one engine; the engine is gone, and with it every handle of
// the client library, when this returns.
int RunEngine(const TcCliOptions& options, std::string text, const std::string& source,
              bool interactive, TcOutputFile& output, TcSignalWatcher& signals) {
    // The application's engine, without the window's commands.
    std::unique_ptr<TcTessel> engine;
    try {
        engine = std::make_unique<TcTessel>();
        ApplySessionOptions(options, *engine);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return cliCannotOpen;
    }
    // A signal stops the statement running on the server.
    signals.SetInterruptHandler([scripter = engine.get()] { scripter->CancelRunningStatement(); });
    struct TcHandlerGuard {
        TcSignalWatcher& Signals;
        ~TcHandlerGuard() { Signals.SetInterruptHandler(nullptr); }
    } handlerGuard{signals};

    TcEditLineTerminal terminal(signals.InterruptFd());
    TcCatalogueNames catalogue;
    if (interactive) {
        terminal.UseHistoryFile(StateFolder() + "/cli_history");
        terminal.Completer = [&catalogue, &engine = *engine](std::string_view word) {
            return CompleteWord(catalogue, engine, word);
        };
    }
    std::ostream out(&output);
    TcCliSession session(*engine, options, out, std::cerr,
                         isatty(STDIN_FILENO) ? &terminal : nullptr);
    session.OutputFailure = [&output] { return output.Failure(); };
    // A signal stops the wait for a program started by EXECUTE PROGRAM, and
    // our output so far stands before the program's.
    engine->StopProgramFd = signals.InterruptFd();
    engine->BeforeProgram = [&output] { output.Flush(); };
    session.WatchSignals(signals);
    session.FlushEachStatement = FollowedLive(options);
    if (interactive && !options.Quiet) session.WriteBanner();
    int status = session.ConnectFirst();
    if (status != cliOk) return status;
    if (options.Extract)
        status = session.ExtractDatabase();
    else
        status =
            interactive ? session.RunInteractive() : session.RunScript(std::move(text), source);
    // Output that was not written makes a failed run: nothing is committed.
    if (!session.CheckOutput() && status == cliOk) status = cliStatementFailed;
    // A workbook still open with cells not written yet is written now, and
    // the user is told so: the run's end must not lose it silently.
    output.Flush();
    try {
        const std::string note = engine->WriteOpenWorkbook();
        if (!note.empty()) std::cerr << ReplaceAll(note, "\r\n", "\n") << '\n';
    } catch (const std::exception& e) {
        std::cerr << ReplaceAll(e.what(), "\r\n", "\n") << '\n';
        if (status == cliOk) status = cliStatementFailed;
    }
    // A signal cancels the final commit too, where the server still can;
    // a rollback and a detach cannot be cancelled.
    if (!session.Finish(status == cliOk) && status == cliOk) status = cliStatementFailed;
    signals.SetInterruptHandler(nullptr);
    // The last write may fail only now, or when the file closes.
    output.Close();
    if (!session.CheckOutput() && status == cliOk) status = cliStatementFailed;
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // A core dump would hold the passwords in memory.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // A closed output pipe is an output error, reported and rolled back.
    std::signal(SIGPIPE, SIG_IGN);
    // First, while this is the only thread: from here on SIGINT and SIGTERM
    // reach the watcher's thread only.
    TcSignalWatcher signals;

    TcCliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, options, error)) {
        std::cerr << error << '\n' << kCliUsage;
        return cliCannotOpen;
    }
    if (options.Help) {
        std::cout << kCliUsage;
        return cliOk;
    }
    if (options.Version) {
        std::cout << "tessel-cli " << TesselVersion() << '\n';
        return cliOk;
    }
    std::ios::sync_with_stdio(false);
    Language = TLanguage::English;
    TcLocaleSettings::ReadFromEnvironment();

    // Read the input first: nothing is connected for input that cannot be used.
    const bool interactive = options.Script.empty() && options.Statement.empty() &&
                             !options.Extract && isatty(STDIN_FILENO);
    std::string text;
    std::string source = options.Script;
    try {
        if (!options.Statement.empty()) {
            text = options.Statement;
            source = "<-c>";
        } else if (!options.Script.empty()) {
            text = ReadScriptFile(options.Script);
        } else if (!interactive && !options.Extract) {
            text = ReadScriptText(STDIN_FILENO, "");
            source = "<stdin>";
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return cliCannotOpen;
    }

    // Opening the output empties it: never a database.
    if (const std::string refused = RefusedOutputFile(options.Output, options.Database);
        !refused.empty()) {
        std::cerr << refused << '\n';
        return cliCannotOpen;
    }
    std::unique_ptr<TcOutputFile> output = options.Output.empty()
                                               ? std::make_unique<TcOutputFile>()
                                               : std::make_unique<TcOutputFile>(options.Output);
    if (const std::string failure = output->Failure(); !failure.empty()) {
        std::cerr << failure << '\n';
        return cliCannotOpen;
    }
    // A killed run leaves at most this much time's output unwritten.
    output->FlushEvery(std::chrono::milliseconds(250));

    int status = RunEngine(options, std::move(text), source, interactive, *output, signals);
    // A run that ended early (no engine, no first connection) may leave
    // output behind; a run that ended normally has closed it already.
    output->Close();
    // Shut the client library down before the process ends, so the embedded
    // engine stops its threads in order instead of in the exit handlers.
    try {
        FreeClientLibrary();
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        if (status == cliOk) status = cliStatementFailed;
    }
    return signals.Received() != 0 ? signals.ExitStatus() : status;
}
