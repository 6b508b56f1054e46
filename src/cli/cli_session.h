#pragma once
// One tessel-cli run: wires the engine's events to standard output, standard
// error and (when there is one) the terminal, runs scripts, and ends the run
// by committing or rolling back what is open. The engine is set up as the
// console window sets it up: implicit transactions, a warning after 1000 rows.

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_options.h"
#include "engine/statement_splitter.h"
#include "mdo/login_dialog.h"
#include "scripter/scripter_ib.h"

class TcSignalWatcher;

// The terminal the user answers on. Absent when standard input is no terminal.
class ICliTerminal {
  public:
    virtual ~ICliTerminal() = default;
    // A line typed after the prompt, or nothing at the end of the input.
    virtual std::optional<std::string> ReadLine(const std::string& prompt) = 0;
    // The same, without echoing what is typed.
    virtual std::optional<std::string> ReadSecret(const std::string& prompt) = 0;
    // A statement typed at the prompt, whole (its lines joined by line
    // feeds), for the history; `terminator` splits it for masking.
    virtual void AddHistory(const std::string& /*statement*/, const std::string& /*terminator*/) {}
};

// Exit statuses of tessel-cli.
enum TCliExit { cliOk = 0, cliStatementFailed = 1, cliCannotOpen = 2, cliCheckFailed = 3 };

class TcCliSession : public IOwnerWindow {
  public:
    TcCliSession(TcDBScripter_IB& engine, const TcCliOptions& options, std::ostream& out,
                 std::ostream& err, ICliTerminal* terminal);
    ~TcCliSession() override;

    // Connects to the -d database, if any: cliOk or cliCannotOpen.
    int ConnectFirst();
    // Runs a whole script; the status says how it ended.
    int RunScript(std::string text, const std::string& source);
    // Writes the DDL of the connected database (the DESCRIBE DATABASE text)
    // to the output and nothing else: cliOk, or cliStatementFailed with the
    // error reported.
    int ExtractDatabase();
    // Reads statements at the prompt until the end of the input; errors are
    // reported and the session goes on. SIGINT during a statement stops the
    // statement, not the session; SIGINT while waiting for input, and
    // SIGTERM, end the session.
    int RunInteractive();
    // Commits after success, rolls back after a failure (asking first on a
    // terminal, unless the run was interrupted), then disconnects. False
    // when that failed; the error is reported.
    bool Finish(bool success);
    // Lets a signal end the run: SLEEP wakes up and fails, and no further
    // statement starts once the watcher has received a signal. The watcher
    // must outlive the session.
    void WatchSignals(TcSignalWatcher& watcher);
    // Writes each statement's output out at once instead of when the buffer
    // fills: for output that someone follows live (a terminal or a pipe).
    // Otherwise the output is flushed where a step of the run ends: after a
    // transaction ends, a connection comes or goes, or a command other than
    // a SET runs (ECHO, CHECK, EXECUTE SCRIPT, ...); never inside a result.
    bool FlushEachStatement = false;
    // Why the output cannot be written, empty while it can; set by the
    // owner of the output. A failure ends the run before the next
    // statement and is reported once.
    std::function<std::string()> OutputFailure;
    // Flushes the output; false, with the failure reported, when it cannot
    // be written.
    bool CheckOutput();
    // The banner lines the console shows at start-up.
    void WriteBanner();

    bool AskYesNo(const std::string& caption, const std::string& text) override;

  private:
    void ShowStatement(TObject* sender);
    bool EndsAStep(const std::string& statement) const;
    // The engine command the statement starts with, empty for SQL.
    std::string CommandKeyword(const std::string& statement) const;
    bool OpensAConnection(const std::string& statement) const;
    bool MayEndTheTransaction(const std::string& statement) const;
    void ReportError(const std::exception& error);
    void AddToHistory(const std::string& text);
    // An error of the commit, rollback or disconnect that ends the run.
    void ReportEndOfRun(const char* action, const std::exception& error);
    // "Transaction rolled back." on standard error.
    void SayRolledBack();
    // Rolls back after a signal cancelled the final commit.
    void RollBackInterrupted();
    void AskParameter(const std::string& name, std::string& value);
    void CompleteLogin(std::string& user, std::string& password);
    // The access layer's login dialog on the terminal: the user name (kept
    // when the answer is empty), then the password without echo.
    bool AskLogin(TMDOLoginRequest& request);

    TcDBScripter_IB& engine_;
    const TcCliOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    ICliTerminal* terminal_;
    TcSignalWatcher* watcher_ = nullptr;
    std::function<void(int64_t)> previousSleeper_;
    // The statement the last error is about.
    const std::string& FailedStatement() const;
    std::string lastStatement_;
    bool lastIsEngines_ = false;  // too long to copy: the engine's CurrentStatement
    // The database of the connection before the statement.
    std::string connectedTo_;
    TMDOLoginDialog previousLoginDialog_;
    // The input last run and the number of its last line, for errors at the
    // end of the run.
    std::string lastSource_;
    int32_t lastLine_ = 0;
    bool interactive_ = false;
    bool wasInTransaction_ = false;
    bool wasConnected_ = false;
    bool outputFailureReported_ = false;
};
