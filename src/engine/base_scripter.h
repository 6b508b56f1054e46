#pragma once
// TcDBBaseScripter: the database-neutral core of the interpreter. It splits a
// text into statements, removes comments, substitutes named parameters,
// dispatches built-in commands, hands everything else to the abstract SQL
// operation under the per-statement transaction model, and keeps the
// per-statement result fields from which a front end composes output.
//
// Contract: used from one thread, except CancelRunningStatement, which any
// thread may call at any moment. It produces no output lines itself; after
// each statement it fires OnAfterStatement and the owner reads the results.
// The owner calls Close() while it and every part of the engine are alive:
// that rolls back and disconnects with the events. Destruction fires no
// events and calls no virtual operation; a subclass's destructor releases
// what it holds by itself.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/command_framework.h"
#include "foundation/errors.h"
#include "foundation/lists.h"

enum class TPlanMode { Off = 0, On = 1, Only = 2 };
enum class TStartTransactionModel { Explicit = 0, Implicit = 1 };
enum class TTransactionMode { Snapshot = 0, ReadCommitted = 1, ReadOnly = 2 };

class TcStatementSplitter;

// Why OnClientLibraryChanged fires, so that a front end needs no knowledge
// of the command classes to tell a user's choice from anything else.
enum class TClientLibraryChange {
    Chosen,  // SET CLIENT_LIBRARY chose (or confirmed) the library
};

// The error of a statement stopped by CancelRunningStatement. It is a
// failure like any other (the statement's transaction ends as after a
// failure and the run stops), but SuppressError does not turn it into a
// success: the user asked for the run to stop.
class EStatementCancelled : public EUser {
  public:
    EStatementCancelled() : EUser("Cancelled.") {}
};

class TcDBBaseScripter : public TObject {
  public:
    TcDBBaseScripter();
    ~TcDBBaseScripter() override;
    TcDBBaseScripter(const TcDBBaseScripter&) = delete;
    TcDBBaseScripter& operator=(const TcDBBaseScripter&) = delete;

    // Events; each is optional and tested before it is fired.
    std::function<void(TcDBBaseScripter& engine, std::string& statement, bool& handled)>
        OnBeforeStatement;
    std::function<void(TObject* sender, const std::string& statement, bool& ok)> OnAfterStatement;
    // Words for the user about the statement just run that are not its
    // result (a capture into a workbook that stopped). Fired after
    // OnAfterStatement, so that the owner shows them after the statement's
    // output and before the next statement's; the statement's outcome is
    // its own. Shown even while SuppressOutput is on: they tell of a loss.
    std::function<void(TObject* sender, const std::string& text)> OnStatementNote;
    std::function<void(TcDBBaseScripter& engine, const std::string& connectString)> OnConnect;
    std::function<void(TcDBBaseScripter& engine, bool& cancel)> OnBeforeDisconnect;
    std::function<void(TcDBBaseScripter& engine)> OnAfterDisconnect;
    std::function<void(TObject* sender, TClientLibraryChange reason,
                       const std::string& libraryName)>
        OnClientLibraryChanged;
    std::function<void(TcDBBaseScripter& engine, const std::string& name, std::string& value)>
        OnParameterRequest;
    std::function<void(std::string& database, std::string& user, std::string& password,
                       std::string& role)>
        OnLogin;

    // Virtual operations, in slot order.
    virtual void DoConnect() {}
    virtual void DoDisconnect() {}
    virtual void DoCommit() = 0;
    virtual void DoStartTransaction() = 0;
    virtual void DoRollback() = 0;
    virtual void ClearStatementResult() {}
    virtual void DoExecuteSQL(const std::string& statement) = 0;
    virtual void AttachConnection(const std::string& name, void* handle);
    virtual void AttachTransaction(void* handle);
    // An override must call the inherited operation first.
    virtual void AfterStatement(const std::string& statement, bool& ok);
    virtual void PrepareConnect() {}
    virtual void UnprepareConnect() {}
    // Splits the text at the terminator and executes every statement. An error
    // that leaves a statement ends the run; the rest is not executed. Taken
    // by value: a caller that moves its text in spares a copy of the script.
    virtual void ExecuteScript(std::string text);
    // Stops the statement running on the server: it fails with
    // EStatementCancelled, as a failing statement does. Safe from any thread
    // (a window's, a signal watcher's) at any moment: with no statement
    // running, while connecting or after a disconnect it does nothing. The
    // base engine has no server to ask.
    virtual void CancelRunningStatement() {}
    // Runs of script statements the engine may send as one request. A run
    // starts with a statement for which JoinsBatch(statement, true) holds
    // and takes each next statement for which JoinsBatch(statement, false)
    // holds; nothing runs while it is gathered. BeginBatch hands the run
    // over; each statement is then executed in turn as usual (events, error
    // lines, suppression): the engine may run them all at the first one's
    // SQL operation and give each its own result after. UndoBatch(ran) comes
    // when the statement after the first `ran` fails: nothing of the run
    // beyond them may stay. EndBatch ends the run. By default no run starts.
    virtual bool JoinsBatch(const std::string&, bool) { return false; }
    virtual void BeginBatch(const std::vector<std::string>&) {}
    virtual void UndoBatch(size_t) {}
    virtual void EndBatch() noexcept {}
    // The end of a front end's run, before it disconnects: writes what is
    // still pending (an open workbook) and returns the words the user is
    // to read about it, empty when there were none. Raises EUser when what
    // is pending cannot be written. The base engine keeps nothing pending.
    virtual std::string EndOfRun() { return std::string(); }

    // Taken by value: a statement moved in is not copied.
    void ExecuteStatement(std::string statement);
    // Rolls back an open transaction and disconnects, firing the disconnect
    // events. For the owner, before it destroys the engine.
    void Close();
    void Connect();
    void Disconnect();
    void StartTransaction();
    void Commit();
    void Rollback();

    void SetTerminator(const std::string& text);
    const std::string& Terminator() const { return Terminator_; }
    void SetDatabaseName(const std::string& name);
    void SetRootDirectory(const std::string& path);
    const std::string& RootDirectory() const { return RootDirectory_; }
    // ServerName + ":" + full path, or the full path for a local database.
    std::string ConnectString() const;
    // The database path with RootDirectory applied where the name is relative.
    std::string FullDatabasePath() const;

    void EnterInternal() { ++ExecuteInternalCount; }
    void LeaveInternal();
    bool IsInternal() const { return ExecuteInternalCount > 0; }

    // Waits the given milliseconds; SLEEP and RECONNECT wait through it so a
    // front end can keep its window alive and tests need not wait.
    std::function<void(int64_t milliseconds)> Sleeper;
    // Reads the file EXECUTE SCRIPT runs; ReadScriptFile unless replaced.
    std::function<std::string(const std::string& fileName)> ScriptFileReader;
    // Scripts running inside other scripts; bounded so that a script that
    // runs itself ends with an error instead of exhausting the stack.
    int32_t ScriptDepth = 0;
    static constexpr int32_t MaxScriptDepth = 64;

    TcPreparsedStatements Commands;
    TcValueStringlist Parameters;

    // Connection settings and state.
    std::string DatabaseName;
    std::string ServerName;
    std::string UserName, Password, RoleName;
    // The connection and transaction state: read by everyone, changed only by
    // the engine's own operations and, through the protected setters, by the
    // engine classes that talk to the server.
    bool Connected() const { return Connected_; }
    bool InTransaction() const { return InTransaction_; }
    // Set before each SQL statement: the transaction must not end after it.
    bool KeepTransaction() const { return KeepTransaction_; }
    bool NoAutoTransaction = false;

    // Settings.
    bool ParameterReplace = true;
    TPlanMode PlanMode = TPlanMode::Off;
    bool SuppressError = false;
    bool Echo = false;
    bool ShowRecordHeader = true;
    int32_t WarnOnRecordsReturned = -1;
    bool TimeDisplay = true;
    bool StatisticsDisplay = false;
    TStartTransactionModel StartTransactionModel = TStartTransactionModel::Explicit;
    TTransactionMode TransactionMode = TTransactionMode::Snapshot;
    bool AutoDDL = true;
    bool ShowRecordCount = false;
    bool SuppressOutput = false;
    std::string DateFormat = "dd-mm-yyyy";
    std::string TimeFormat = "hh:nn:ss";
    std::string DateTimeFormat = "dd-mm-yyyy hh:nn";

    // Per-statement results, reset when each statement starts.
    std::string CurrentStatement;
    std::string PlanText;
    std::string LastMessage;
    std::string StatisticsText;
    int32_t RecordCount = 0;

    int32_t ExecuteInternalCount = 0;
    int32_t CheckFailures = 0;

    // The name of the text ExecuteScript runs (a file name, or empty), for
    // error reports; EXECUTE SCRIPT sets it for the script it runs.
    std::string ScriptSource;
    // Where the statement that ended the last run starts: its script and its
    // line (from 1); 0 when the run did not fail in a script statement.
    std::string ErrorSource;
    int32_t ErrorLine = 0;

  protected:
    void SetConnected(bool connected) { Connected_ = connected; }
    void SetInTransaction(bool active) { InTransaction_ = active; }
    void SetKeepTransaction(bool keep) { KeepTransaction_ = keep; }
    friend class TcStatementTransaction;
    void BeginStatementTransaction();
    void EndStatementTransaction(bool success);

  private:
    struct TcRunStatement {
        std::string Text;
        size_t Offset = 0;
    };
    // Runs the gathered statements and empties the run.
    void RunGathered(const TcStatementSplitter& splitter, std::vector<TcRunStatement>& run);
    // Runs a statement of a script; on an error the line is the one its
    // first character stands on, counted when needed.
    void RunScriptStatement(std::string& statement, const std::function<int32_t()>& line);
    void ScanParameters(const std::string& statement);
    std::string SubstituteParameters(const std::string& statement) const;

    bool Connected_ = false;
    bool InTransaction_ = false;
    bool KeepTransaction_ = false;
    std::string Terminator_;
    std::string RootDirectory_;
};

// Enters internal execution for its lifetime: no events, no echo.
class TcInternalExecution {
  public:
    explicit TcInternalExecution(TcDBBaseScripter& engine) : engine_(engine) {
        engine_.EnterInternal();
    }
    ~TcInternalExecution() { engine_.LeaveInternal(); }
    TcInternalExecution(const TcInternalExecution&) = delete;
    TcInternalExecution& operator=(const TcInternalExecution&) = delete;

  private:
    TcDBBaseScripter& engine_;
};

// The transaction around one SQL statement, begun by the constructor under
// the engine's transaction model. Commit ends it after success; a failing
// commit is the statement's failure, so the transaction is then rolled back
// and the commit's error raised. Rollback, or leaving the scope without
// Commit, ends it after a failure; the statement's own error is the one that
// counts, so a rollback that fails as well is not reported over it (the
// engine still marks the transaction active when the rollback failed).
class TcStatementTransaction {
  public:
    explicit TcStatementTransaction(TcDBBaseScripter& engine);
    ~TcStatementTransaction();
    TcStatementTransaction(const TcStatementTransaction&) = delete;
    TcStatementTransaction& operator=(const TcStatementTransaction&) = delete;
    void Commit();
    void Rollback() noexcept;

  private:
    TcDBBaseScripter& engine_;
    bool ended_ = false;
};

// True when a database or file name carries its own location: an absolute
// path, or a one-letter drive followed by ":\" or ":/".
bool HasDrivePart(const std::string& name);

// The largest script read: 1 GiB.
constexpr uint64_t kMaxScriptBytes = uint64_t(1) << 30;
// Reads a script file as text, line breaks kept, a leading UTF-8 byte-order
// mark left out. Raises a plain error naming the file when it cannot be
// opened or read, is a directory, holds NUL bytes (not a text file; seen in
// the block read that holds the first) or is larger than kMaxScriptBytes.
std::string ReadScriptFile(const std::string& fileName);
// The same for a descriptor open for reading, read to its end; an empty
// name stands for standard input in the errors.
std::string ReadScriptText(int fd, const std::string& fileName);
