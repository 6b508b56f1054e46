#pragma once
// TcDBScripter_IB: the script engine made concrete for Firebird. It attaches,
// starts transactions and runs statements through the client library's entry
// points with handles and a status vector of its own, buffers every result
// row in OutputSQLDA and leaves the per-statement texts for the view.
//
// Contract: one thread, except CancelRunningStatement, which any thread may
// call. The front end may set OwnerWindow to answer the records-returned
// question; without it the question is never asked.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/base_scripter.h"
#include "mdo/client_entry_points.h"

class TcOutputSQLDA;
class TcDBScripter_IBView;
class TcClientLibraryUser;
class TMDOSecurityService;
class TcInsertCache;

// What the scripter needs of the window that owns it: a modal Yes/No question.
class IOwnerWindow {
  public:
    virtual ~IOwnerWindow() = default;
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
};

class TcDBScripter_IB : public TcDBBaseScripter {
  public:
    // Raises when no client library can be loaded.
    TcDBScripter_IB();
    ~TcDBScripter_IB() override;

    void DoConnect() override;
    void DoDisconnect() override;
    void DoCommit() override;
    void DoStartTransaction() override;
    void DoRollback() override;
    void ClearStatementResult() override;
    void DoExecuteSQL(const std::string& statement) override;
    void AttachConnection(const std::string& name, void* handle) override;
    void AttachTransaction(void* handle) override;
    void PrepareConnect() override;
    void UnprepareConnect() override;
    // Runs of INSERTs sent as one block: only to a server, where each
    // statement would cost a round trip, and inside a transaction that
    // stays open from statement to statement.
    bool JoinsBatch(const std::string& statement, bool first) override;
    void BeginBatch(const std::vector<std::string>& statements) override;
    void UndoBatch(size_t ran) override;
    void EndBatch() noexcept override;

    // Raises EUser with the server's message lines when the status vector
    // holds an error. A lost connection also releases what is left of the
    // attachment in the client and marks the engine disconnected. The
    // server's cancel, or a cancel that came for the running statement,
    // raises EStatementCancelled instead.
    // `truncationNote` is added to a string truncation error.
    void CheckStatus(const std::string& truncationNote = std::string());
    // Asks the server to stop the statement or the commit running on the
    // attachment (fb_cancel_operation, fb_cancel_raise); it then fails with
    // EStatementCancelled, and a commit leaves the transaction open. A
    // commit the cancel came too late for stands. Any thread may call it at any moment; nothing
    // happens while no statement runs or when the client lacks the call.
    void CancelRunningStatement() override;
    // How many client-library users the engine holds: one while it holds an
    // attachment, so SET CLIENT_LIBRARY can tell its own use from others'.
    int ClientLibraryUses() const { return libraryUser_ ? 1 : 0; }
    // One database information item as an integer.
    int64_t GetDatabaseInfo(char item);
    void CreateDatabase(const std::string& statement);
    // Virtual so that a test engine can keep statements away from the disk.
    virtual void ExecuteImmediate(const std::string& statement);
    virtual void DropDatabase();

    // A security service for the server of the last CONNECT or CREATE
    // DATABASE (the local one when it named none), logging in with that
    // command's user name and password and never asking. The caller frees
    // it, which detaches it.
    std::unique_ptr<TMDOSecurityService> CreateSecurityService() const;

    // The output formatter, created on first use.
    TcDBScripter_IBView& View();

    // The open attachment and the active transaction; 0 for none. Only the
    // scripter's own operations change them.
    isc_db_handle DatabaseHandle() const { return DatabaseHandle_; }
    isc_tr_handle TransactionHandle() const { return TransactionHandle_; }
    ISC_STATUS StatusVector[20] = {};
    std::unique_ptr<TcOutputSQLDA> OutputSQLDA;
    IOwnerWindow* OwnerWindow = nullptr;
    bool ForcedWrite = false;
    bool ForcedWritePending = false;
    bool TrimCharFields = false;
    // SET FAST_INSERT: INSERT statements of literals reuse a prepared form.
    bool FastInsert = true;
    std::string CharacterSet;
    int32_t SQLDialect = 3;

    // The connect parameter block; present only between PrepareConnect and
    // UnprepareConnect.
    std::vector<char> ConnectParams;
    bool ConnectParamsPrepared = false;

    // Sets SQLDialect from the loaded client's version: 1 for a version 3 to
    // 5 client, 3 otherwise.
    void SetDialectFromClientVersion();

    // The prepared INSERT statements of the attachment.
    const TcInsertCache& InsertCache() const { return *insertCache_; }

    // Moves whenever the names the catalogue holds may have changed: an
    // attach or a detach, a DDL statement, and the end of a transaction that
    // ran DDL (its names reach other transactions only then). A reader of
    // the catalogue reads again once it has moved. Any thread may read it.
    uint64_t CatalogueVersion() const { return catalogueVersion_.load(); }

  private:
    friend class TcInsertCache;
    friend class TcInsertBatch;
    void CatalogueChanged() { catalogueVersion_.fetch_add(1); }
    // A transaction ended: its DDL, if it ran any, is now everyone's.
    void TransactionEnded();
    std::string GetPlan(isc_stmt_handle& statement);
    struct TStatementInfo {
        int Type = -1;
        int32_t Inserted = 0, Updated = 0, Deleted = 0;
    };
    // The statement type and, when asked, the affected-row counters, in one
    // information request.
    TStatementInfo GetStatementInfo(isc_stmt_handle& statement, bool withCounts);
    // Fetches into OutputSQLDA; adds the fetch time to elapsedMs.
    void FetchRows(isc_stmt_handle& statement, bool oneRow, int32_t& records, int64_t& elapsedMs);

    // Keeps the client library loaded from just before an attach until the
    // attachment's handles are gone.
    void HoldClientLibrary();
    // Ends the attachment's life in the client: an attachment that was never
    // detached (a failed detach, a lost connection) gets its statement
    // dropped, its transaction rolled back and is detached, each with a
    // scratch status vector, so the client frees what it holds for them;
    // then every handle is zero and the library is let go.
    void ReleaseAttachment() noexcept;

    isc_db_handle DatabaseHandle_ = 0;
    isc_tr_handle TransactionHandle_ = 0;
    std::unique_ptr<TcDBScripter_IBView> view_;
    // The attachment's statement handle, allocated on first use.
    isc_stmt_handle statementHandle_ = 0;
    std::unique_ptr<TcInsertCache> insertCache_;
    std::unique_ptr<TcClientLibraryUser> libraryUser_;
    // What a cancel from another thread works with, under cancelMutex_: the
    // attachment (0 while none can be cancelled), whether a statement runs
    // on it, and whether a cancel was sent to the server for it. The lock
    // keeps a cancel from meeting a handle that is being detached.
    void SetCancelHandle(isc_db_handle handle) noexcept;
    // Marks the statement's server calls as cancellable; the end drops a
    // cancel that no request consumed, so it cannot fail the next call.
    void BeginCancellable() noexcept;
    void EndCancellable() noexcept;
    // Raises EStatementCancelled once a cancel came for the running statement.
    void ThrowIfCancelled() const;
    // Runs one server call of the statement that a cancel may stop: none
    // starts once a cancel came, and a cancel that comes while it runs
    // reaches the server.
    template <class F>
    ISC_STATUS CancellableCall(F call);
    void EnterServerCall();
    void LeaveServerCall() noexcept;
    std::mutex cancelMutex_;
    isc_db_handle cancelHandle_ = 0;
    int runningStatements_ = 0;
    bool cancelSent_ = false;
    bool inServerCall_ = false;
    // Set under the lock, read by the statement's thread between its calls.
    std::atomic<bool> cancelRequested_{false};
    // Handles handed over by AttachConnection and AttachTransaction: never
    // ended by this engine.
    bool adoptedConnection_ = false;
    bool adoptedTransaction_ = false;
    std::atomic<uint64_t> catalogueVersion_{0};
    // The transaction in hand ran DDL.
    bool ddlInTransaction_ = false;
};
