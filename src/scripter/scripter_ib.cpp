#include "scripter/scripter_ib.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "foundation/errors.h"
#include "foundation/locale_settings.h"
#include "foundation/scoped_value.h"
#include "mdo/client_library.h"
#include "mdo/info_reply.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_services.h"
#include "mdo/param_blocks.h"
#include "mdo/status_vector.h"
#include "scripter/database_commands.h"
#include "scripter/insert_cache.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_view.h"

namespace {

int64_t TickCount() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Closes the statement's cursor when the statement's work ends, however it
// ends, so the handle can be prepared again. The close's own outcome does not
// matter, so it gets a status vector of its own.
class TcCursorGuard {
  public:
    explicit TcCursorGuard(isc_stmt_handle& handle) : handle_(handle) {}
    ~TcCursorGuard() {
        if (Open && handle_ != 0) {
            ISC_STATUS status[20] = {};
            ClientApi.isc_dsql_free_statement(status, &handle_, DSQL_close);
        }
    }
    TcCursorGuard(const TcCursorGuard&) = delete;
    TcCursorGuard& operator=(const TcCursorGuard&) = delete;
    bool Open = false;

  private:
    isc_stmt_handle& handle_;
};

// The transaction parameter block of a transaction mode, built once.
const TMDOParamBlock& TransactionModeParams(TTransactionMode mode) {
    static const TMDOParamBlock kSnapshot = BuildTPB({"concurrency", "nowait"});
    static const TMDOParamBlock kReadCommitted =
        BuildTPB({"read_committed", "rec_version", "nowait"});
    static const TMDOParamBlock kReadOnly =
        BuildTPB({"read_committed", "read", "rec_version", "nowait"});
    switch (mode) {
        case TTransactionMode::ReadCommitted:
            return kReadCommitted;
        case TTransactionMode::ReadOnly:
            return kReadOnly;
        case TTransactionMode::Snapshot:
            break;
    }
    return kSnapshot;
}

}  // namespace

TcDBScripter_IB::TcDBScripter_IB() {
    CheckClientLibraryLoaded();
    SetDialectFromClientVersion();
    OutputSQLDA = std::make_unique<TcOutputSQLDA>();
    insertCache_ = std::make_unique<TcInsertCache>(*this);
    RegisterDatabaseCommands(Commands);
}

TcDBScripter_IB::~TcDBScripter_IB() {
    // Destruction only releases: the owner closed the engine, with its
    // events, while everything was alive; what is still open now is ended
    // quietly.
    ReleaseAttachment();
    view_.reset();
    OutputSQLDA.reset();
}

void TcDBScripter_IB::SetDialectFromClientVersion() {
    const int version = GetClientVersion();
    SQLDialect = (version >= 6 || version < 3) ? 3 : 1;
}

TcDBScripter_IBView& TcDBScripter_IB::View() {
    if (!view_) view_ = std::make_unique<TcDBScripter_IBView>(*this);
    return *view_;
}

// ---------------------------------------------------------------------------
// Connection and transactions

void TcDBScripter_IB::PrepareConnect() {
    DatabaseHandle_ = 0;
    adoptedConnection_ = false;
    statementHandle_ = 0;
    insertCache_->Forget();
    ConnectParams.clear();
    TcParamBlockWriter block({isc_dpb_version1});
    block.AddString(isc_dpb_user_name, UserName, "user name");
    block.AddString(isc_dpb_password, Password, "password");
    if (!RoleName.empty()) block.AddString(isc_dpb_sql_role_name, RoleName, "role name");
    if (ForcedWritePending) {
        // The request travels with this one connect only.
        block.AddByte(isc_dpb_force_write, ForcedWrite ? 1 : 0);
        ForcedWritePending = false;
    }
    if (!CharacterSet.empty())
        block.AddString(isc_dpb_lc_ctype, CharacterSet, "character set name");
    ConnectParams = block.Take();
    ConnectParamsPrepared = true;
}

void TcDBScripter_IB::UnprepareConnect() {
    // Called after every disconnect and failed connect: whatever is left of
    // the attachment ends here.
    if (!Connected()) ReleaseAttachment();
    // The attachment's statements end with it.
    statementHandle_ = 0;
    ConnectParams.clear();
    ConnectParamsPrepared = false;
}

void TcDBScripter_IB::HoldClientLibrary() {
    if (!libraryUser_) libraryUser_ = std::make_unique<TcClientLibraryUser>();
}

void TcDBScripter_IB::ReleaseAttachment() noexcept {
    SetCancelHandle(0);
    if (libraryUser_ && DatabaseHandle_ != 0) {
        // The outcomes do not matter: the attachment ends either way. Adopted
        // handles belong to whoever handed them over and are left alone.
        ISC_STATUS scratch[20] = {};
        insertCache_->Clear();
        if (statementHandle_ != 0)
            ClientApi.isc_dsql_free_statement(scratch, &statementHandle_, DSQL_drop);
        if (TransactionHandle_ != 0 && !adoptedTransaction_)
            ClientApi.isc_rollback_transaction(scratch, &TransactionHandle_);
        if (!adoptedConnection_) ClientApi.isc_detach_database(scratch, &DatabaseHandle_);
    }
    // A statement and a transaction end with their attachment.
    DatabaseHandle_ = 0;
    TransactionHandle_ = 0;
    statementHandle_ = 0;
    insertCache_->Forget();
    libraryUser_.reset();
}

void TcDBScripter_IB::SetCancelHandle(isc_db_handle handle) noexcept {
    std::lock_guard lock(cancelMutex_);
    cancelHandle_ = handle;
}

void TcDBScripter_IB::CancelRunningStatement() {
    for (;;) {
        {
            std::lock_guard lock(cancelMutex_);
            // Only a running statement is cancelled: between statements
            // there is nothing to stop, and the flag below belongs to one
            // statement.
            if (runningStatements_ == 0) return;
            // Between two of the statement's server calls (the records
            // question open, say) the statement stops before its next call.
            cancelRequested_ = true;
            // While the handle is set the engine holds the library, so the
            // entry point is the loaded library's.
            if (!inServerCall_ || cancelHandle_ == 0 || ClientApi.fb_cancel_operation == nullptr)
                return;
            isc_db_handle handle = cancelHandle_;
            ISC_STATUS status[20] = {};
            ClientApi.fb_cancel_operation(status, &handle, fb_cancel_raise);
            cancelSent_ = true;
            // "Nothing to cancel": the call has not reached the client yet,
            // or has just left it. Tried again until it is inside, or out of
            // the call, where the flag above stops the statement. Any other
            // failure has nobody to report to: the flag stops the statement.
            if (!CheckStatusVector(status, {isc_nothing_to_cancel})) return;
        }
        std::this_thread::yield();
    }
}

void TcDBScripter_IB::EnterServerCall() {
    std::lock_guard lock(cancelMutex_);
    if (cancelRequested_) throw EStatementCancelled();
    inServerCall_ = true;
}

void TcDBScripter_IB::LeaveServerCall() noexcept {
    std::lock_guard lock(cancelMutex_);
    inServerCall_ = false;
}

template <class F>
ISC_STATUS TcDBScripter_IB::CancellableCall(F call) {
    EnterServerCall();
    TcScopeExit leave([this]() noexcept { LeaveServerCall(); });
    return call();
}

void TcDBScripter_IB::BeginCancellable() noexcept {
    std::lock_guard lock(cancelMutex_);
    if (runningStatements_++ == 0) cancelRequested_ = false;
}

void TcDBScripter_IB::EndCancellable() noexcept {
    std::lock_guard lock(cancelMutex_);
    if (--runningStatements_ > 0) return;
    cancelRequested_ = false;
    if (!cancelSent_) return;
    cancelSent_ = false;
    if (cancelHandle_ == 0) return;  // the attachment is gone, and its cancel with it
    // A cancel that the server took after the request's last step would
    // stop the next request that runs long enough: disabling cancellation
    // drops it, and enabling restores it for the next statement.
    isc_db_handle handle = cancelHandle_;
    ISC_STATUS scratch[20] = {};
    ClientApi.fb_cancel_operation(scratch, &handle, fb_cancel_disable);
    ClientApi.fb_cancel_operation(scratch, &handle, fb_cancel_enable);
}

void TcDBScripter_IB::ThrowIfCancelled() const {
    if (cancelRequested_.load()) throw EStatementCancelled();
}

void TcDBScripter_IB::DoConnect() {
    HoldClientLibrary();
    std::memset(StatusVector, 0, sizeof StatusVector);
    const std::string name = ConnectString();
    ClientApi.isc_attach_database(StatusVector, 0, name.c_str(), &DatabaseHandle_,
                                  static_cast<short>(ConnectParams.size()), ConnectParams.data());
    if (DatabaseHandle_ == 0)
        ReleaseAttachment();  // nothing attached holds the library
    else
        SetCancelHandle(DatabaseHandle_);
    CatalogueChanged();
    CheckStatus();
}

void TcDBScripter_IB::DoDisconnect() {
    // A detach that fails leaves nothing to do on the server: the attachment
    // is gone either way. What the client still holds of it is released.
    SetCancelHandle(0);
    insertCache_->Clear();
    ClientApi.isc_detach_database(StatusVector, &DatabaseHandle_);
    ReleaseAttachment();
    ddlInTransaction_ = false;
    CatalogueChanged();
}

void TcDBScripter_IB::DoStartTransaction() {
    insertCache_->TransactionEnded();  // also after a COMMIT statement of SQL
    const TMDOParamBlock& params = TransactionModeParams(TransactionMode);
    TMDOTransactionEntry entry{&DatabaseHandle_, static_cast<ISC_LONG>(params.size()),
                               params.data()};
    TransactionHandle_ = 0;
    adoptedTransaction_ = false;
    ClientApi.isc_start_multiple(StatusVector, &TransactionHandle_, 1, &entry);
    CheckStatus();
}

void TcDBScripter_IB::DoCommit() {
    insertCache_->TransactionEnded();
    // A commit may run long (triggers on commit, and the locks they wait
    // for): it can be cancelled as a statement can, for as long as it has
    // not committed.
    BeginCancellable();
    TcScopeExit endCancellable([this]() noexcept { EndCancellable(); });
    CancellableCall(
        [&] { return ClientApi.isc_commit_transaction(StatusVector, &TransactionHandle_); });
    // A commit that went through stands, also when a cancel came too late
    // for it: only the server's error fails it (and leaves it open).
    if (StatusVector[0] == 1 && StatusVector[1] > 0) CheckStatus();
    TransactionEnded();
}

void TcDBScripter_IB::DoRollback() {
    insertCache_->TransactionEnded();
    ClientApi.isc_rollback_transaction(StatusVector, &TransactionHandle_);
    TransactionEnded();
    CheckStatus();
}

void TcDBScripter_IB::TransactionEnded() {
    if (!ddlInTransaction_) return;
    ddlInTransaction_ = false;
    CatalogueChanged();
}

void TcDBScripter_IB::AttachConnection(const std::string& name, void* handle) {
    HoldClientLibrary();
    DatabaseHandle_ = static_cast<isc_db_handle>(reinterpret_cast<uintptr_t>(handle));
    SetCancelHandle(DatabaseHandle_);
    statementHandle_ = 0;  // a handle of another attachment would be stale
    insertCache_->Forget();
    adoptedConnection_ = true;
    CatalogueChanged();
    SetConnected(true);
    if (OnConnect) OnConnect(*this, name);
}

bool TcDBScripter_IB::JoinsBatch(const std::string& statement, bool first) {
    // A literal INSERT has colons only inside quotes, where no parameter is
    // asked for; a defined parameter's name would still be replaced there.
    if (ServerName.empty() || NoAutoTransaction || !InTransaction() ||
        (ParameterReplace && Parameters.Count() > 0 && statement.find(':') != std::string::npos))
        return false;
    return insertCache_->JoinsBatch(statement, first);
}

void TcDBScripter_IB::BeginBatch(const std::vector<std::string>& statements) {
    insertCache_->Batch().Begin(statements);
}

void TcDBScripter_IB::UndoBatch(size_t ran) {
    insertCache_->Batch().Undo(ran);
}

void TcDBScripter_IB::EndBatch() noexcept {
    insertCache_->Batch().End();
}

void TcDBScripter_IB::AttachTransaction(void* handle) {
    TransactionHandle_ = static_cast<isc_tr_handle>(reinterpret_cast<uintptr_t>(handle));
    adoptedTransaction_ = true;
}

void TcDBScripter_IB::ClearStatementResult() {
    if (OutputSQLDA) OutputSQLDA->ClearResult();
}

void TcDBScripter_IB::CheckStatus(const std::string& truncationNote) {
    if (!(StatusVector[0] == 1 && StatusVector[1] > 0)) {
        ThrowIfCancelled();
        return;
    }
    // The server's own wording of a cancel ("operation was cancelled") is
    // replaced by the console's.
    if (CheckStatusVector(StatusVector, {isc_cancelled})) throw EStatementCancelled();
    TStringList lines = InterpretStatusVector(StatusVector, 65536);
    if (!truncationNote.empty() && CheckStatusVector(StatusVector, {isc_string_truncation}))
        lines.push_back(truncationNote);
    if (IsLostConnection(StatusVector)) {
        // The server is gone, but the client still holds the attachment, its
        // transaction and its statement: they are released now, or the
        // client trips over them when it shuts down.
        SetConnected(false);
        ReleaseAttachment();
        Disconnect();
    }
    RaiseUser(JoinStrings(lines, "\r\n", "\r\n"));
}

int64_t TcDBScripter_IB::GetDatabaseInfo(char item) {
    std::vector<char> reply(2550);
    RequestDatabaseInfo(StatusVector, &DatabaseHandle_, item, reply);
    CheckStatus();
    // The echoed item is not compared; memory counters can pass 2^31.
    const std::optional<TMDOInfoItem> value = TcInfoReply(reply).First();
    return value ? InfoInteger(*value) : 0;
}

// ---------------------------------------------------------------------------
// Statements

std::string TcDBScripter_IB::GetPlan(isc_stmt_handle& statement) {
    std::vector<char> reply(16384);
    const char items[] = {isc_info_sql_get_plan};
    ClientApi.isc_dsql_sql_info(StatusVector, &statement, sizeof items, items,
                                static_cast<short>(reply.size()), reply.data());
    CheckStatus();
    const std::optional<TMDOInfoItem> item = TcInfoReply(reply).First();
    if (!item || item->Code != isc_info_sql_get_plan || item->Length == 0) return std::string();
    // The server's plan starts with a line feed, which is skipped.
    const std::string plan(item->Value + 1, item->Length - 1);
    return ReplaceAll(plan, "\n", "\r\n");
}

TcDBScripter_IB::TStatementInfo TcDBScripter_IB::GetStatementInfo(isc_stmt_handle& statement,
                                                                  bool withCounts) {
    char reply[512] = {};
    const char items[] = {isc_info_sql_stmt_type, isc_info_sql_records};
    ClientApi.isc_dsql_sql_info(StatusVector, &statement, withCounts ? 2 : 1, items, sizeof reply,
                                reply);
    CheckStatus();
    TStatementInfo info;
    const TcInfoReply answer(reply, sizeof reply);
    if (const auto type = answer.Find(isc_info_sql_stmt_type))
        info.Type = static_cast<int>(InfoInteger(*type));
    const auto counts = withCounts ? answer.Find(isc_info_sql_records) : std::nullopt;
    if (counts) {
        // The counters are clusters of their own inside the item's value.
        const TcInfoReply counters(counts->Value, counts->Length);
        for (const auto& [code, target] : {std::pair{isc_info_req_insert_count, &info.Inserted},
                                           std::pair{isc_info_req_update_count, &info.Updated},
                                           std::pair{isc_info_req_delete_count, &info.Deleted}}) {
            if (const auto value = counters.Find(static_cast<char>(code)))
                *target = static_cast<int32_t>(InfoInteger(*value));
        }
    }
    return info;
}

void TcDBScripter_IB::FetchRows(isc_stmt_handle& statement, bool oneRow, int32_t& records,
                                int64_t& elapsedMs) {
    XSQLDA* descriptor = OutputSQLDA->Descriptor();
    if (descriptor == nullptr || descriptor->sqld == 0) return;
    int64_t start = TickCount();
    while (CancellableCall([&] {
               return ClientApi.isc_dsql_fetch(StatusVector, &statement, SQLDA_VERSION1,
                                               descriptor);
           }) == 0) {
        ++records;
        OutputSQLDA->StoreRow();
        if (WarnOnRecordsReturned > 0 && records == WarnOnRecordsReturned && OwnerWindow) {
            // The time the question is open does not count.
            elapsedMs += TickCount() - start;
            const bool goOn =
                OwnerWindow->AskYesNo("Warning", Format("Returned %d records, continue?", records));
            start = TickCount();
            if (!goOn) break;
        }
        if (oneRow) break;
    }
    elapsedMs += TickCount() - start;
    if (ShowRecordCount)
        LastMessage = records == 1 ? "Returned 1 record." : Format("Returned %d records.", records);
}

void TcDBScripter_IB::DoExecuteSQL(const std::string& statement) {
    OutputSQLDA->ResetResult();
    // Every server call of the statement, fetches included, may be cancelled;
    // a prepared INSERT's too.
    BeginCancellable();
    TcScopeExit endCancellable([this]() noexcept { EndCancellable(); });
    if (insertCache_->TryExecute(statement)) return;
    static const char kCounters[] = {isc_info_fetches, isc_info_marks, isc_info_reads,
                                     isc_info_writes, isc_info_current_memory};
    int64_t before[5] = {};
    if (StatisticsDisplay)
        for (int i = 0; i < 5; ++i) before[i] = GetDatabaseInfo(kCounters[i]);

    // One statement handle serves every statement of the attachment: it is
    // prepared again each time, which spares an allocate and a drop per
    // statement.
    if (statementHandle_ == 0) {
        ClientApi.isc_dsql_alloc_statement2(StatusVector, &DatabaseHandle_, &statementHandle_);
        CheckStatus();
    }
    isc_stmt_handle& handle = statementHandle_;
    TcCursorGuard cursor(handle);
    CancellableCall([&] {
        return ClientApi.isc_dsql_prepare(
            StatusVector, &TransactionHandle_, &handle, 0, statement.c_str(),
            static_cast<unsigned short>(SQLDialect), OutputSQLDA->Descriptor());
    });
    CheckStatus();
    // The prepare described the columns already unless they did not fit; the
    // count is read before a larger descriptor replaces the one that has it.
    const bool hasColumns = OutputSQLDA->Descriptor()->sqld > 0;
    const bool describeAgain = OutputSQLDA->EnsureCapacity();
    PlanText = PlanMode != TPlanMode::Off ? GetPlan(handle) : std::string();

    int32_t records = 0;
    int64_t elapsed = 0;
    if (PlanMode != TPlanMode::Only) {
        // The type decides how the statement runs; without output columns
        // the row counts are read afterwards.
        TStatementInfo info = GetStatementInfo(handle, false);
        if (describeAgain) {
            ClientApi.isc_dsql_describe(StatusVector, &handle, SQLDA_VERSION1,
                                        OutputSQLDA->Descriptor());
            CheckStatus();
        }
        OutputSQLDA->AllocateBuffers();
        // A procedure's output comes back from the execute call itself, not
        // from a cursor.
        XSQLDA* output = info.Type == isc_info_sql_stmt_exec_procedure && hasColumns
                             ? OutputSQLDA->Descriptor()
                             : nullptr;
        const int64_t start = TickCount();
        CancellableCall([&] {
            return ClientApi.isc_dsql_execute2(StatusVector, &TransactionHandle_, &handle,
                                               static_cast<unsigned short>(SQLDialect), nullptr,
                                               output);
        });
        elapsed = TickCount() - start;
        CheckStatus();
        cursor.Open =
            info.Type == isc_info_sql_stmt_select || info.Type == isc_info_sql_stmt_select_for_upd;
        if (!hasColumns) info = GetStatementInfo(handle, true);
        const int type = info.Type;
        switch (type) {
            case isc_info_sql_stmt_select:
            case isc_info_sql_stmt_select_for_upd:
                FetchRows(handle, false, records, elapsed);
                CheckStatus(OutputSQLDA->NarrowedColumns());
                break;
            case isc_info_sql_stmt_exec_procedure:
                if (output != nullptr) {
                    records = 1;
                    OutputSQLDA->StoreRow();
                    if (ShowRecordCount) LastMessage = "Returned 1 record.";
                }
                break;
            case isc_info_sql_stmt_insert:
                LastMessage = Format("%d row(s) inserted.", info.Inserted);
                break;
            case isc_info_sql_stmt_update:
                LastMessage = Format("%d row(s) updated.", info.Updated);
                break;
            case isc_info_sql_stmt_delete:
                LastMessage = Format("%d row(s) deleted.", info.Deleted);
                break;
            case isc_info_sql_stmt_ddl:
                ddlInTransaction_ = true;
                CatalogueChanged();
                if (AutoDDL) {
                    LastMessage = "DDL executed, transaction committed.";
                    SetKeepTransaction(false);
                }
                break;
            case isc_info_sql_stmt_start_trans:
                LastMessage = "Transaction started.";
                break;
            case isc_info_sql_stmt_commit:
                LastMessage = "Transaction committed.";
                SetInTransaction(false);
                TransactionEnded();
                break;
            case isc_info_sql_stmt_rollback:
                LastMessage = "Transaction rolled back.";
                SetInTransaction(false);
                TransactionEnded();
                break;
            case isc_info_sql_stmt_set_generator:
                LastMessage = "Generator set.";
                break;
            case isc_info_sql_stmt_savepoint:
                LastMessage = "Savepoint set.";
                break;
            default:
                LastMessage = "Statement executed.";
                break;
        }
        if ((type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_exec_procedure) &&
            OutputSQLDA->RowCount() == 0)
            LastMessage = "No records returned.";
    }

    if (StatisticsDisplay) {
        int64_t after[5];
        for (int i = 0; i < 5; ++i) after[i] = GetDatabaseInfo(kCounters[i]);
        std::string seconds = Format("%.2f", static_cast<double>(elapsed) / 1000.0);
        for (char& c : seconds)
            if (c == '.') c = TcLocaleSettings::Current().DecimalSeparator;
        StatisticsText =
            Format("\r\nRecords returned: %d \r\n", records) + "Elapsed time: " + seconds +
            " sec\r\n" +
            Format("Reads from memory buffer: %lld\r\n",
                   static_cast<long long>(after[0] - before[0])) +
            Format("Writes to memory buffer: %lld\r\n",
                   static_cast<long long>(after[1] - before[1])) +
            Format("Page reads: %lld\r\n", static_cast<long long>(after[2] - before[2])) +
            Format("Page writes: %lld\r\n", static_cast<long long>(after[3] - before[3])) +
            Format("Delta Server memory: %lld\r\n", static_cast<long long>(after[4] - before[4]));
    } else {
        StatisticsText.clear();
    }
    RecordCount = records;
}

// ---------------------------------------------------------------------------
// Databases and users

std::unique_ptr<TMDOSecurityService> TcDBScripter_IB::CreateSecurityService() const {
    auto service = std::make_unique<TMDOSecurityService>();
    if (!ServerName.empty()) {
        service->SetServerName(ServerName);
        service->SetProtocol(TProtocol::TCP);
    } else {
        service->SetProtocol(TProtocol::Local);
    }
    service->SetParams({"user_name=" + UserName, "password=" + Password});
    service->LoginPrompt = false;
    return service;
}

void TcDBScripter_IB::ExecuteImmediate(const std::string& statement) {
    insertCache_->Clear();
    BeginStatementTransaction();
    try {
        BeginCancellable();
        TcScopeExit endCancellable([this]() noexcept { EndCancellable(); });
        CancellableCall([&] {
            return ClientApi.isc_dsql_execute_immediate(
                StatusVector, &DatabaseHandle_, &TransactionHandle_, 0, statement.c_str(),
                static_cast<unsigned short>(SQLDialect), nullptr);
        });
        CheckStatus();
    } catch (...) {
        EndStatementTransaction(true);
        throw;
    }
    EndStatementTransaction(true);
}

void TcDBScripter_IB::CreateDatabase(const std::string& statement) {
    Disconnect();
    const bool previous = NoAutoTransaction;
    NoAutoTransaction = true;
    try {
        PrepareConnect();
        const std::string connectString = ConnectString();
        DatabaseHandle_ = 0;
        TransactionHandle_ = 0;
        adoptedTransaction_ = false;
        HoldClientLibrary();
        ExecuteImmediate(statement);
        SetCancelHandle(DatabaseHandle_);
        CatalogueChanged();
        SetConnected(true);
        NoAutoTransaction = previous;
        if (OnConnect) OnConnect(*this, connectString);
    } catch (...) {
        NoAutoTransaction = previous;
        UnprepareConnect();
        throw;
    }
}

void TcDBScripter_IB::DropDatabase() {
    if (!Connected()) return;
    Rollback();
    try {
        ClientApi.isc_drop_database(StatusVector, &DatabaseHandle_);
        CheckStatus();
    } catch (const std::exception& error) {
        if (!SuppressError) throw;
        LastMessage = error.what();
    }
    Disconnect();
}
