#include "mdo/mdo_transaction.h"

#include <algorithm>
#include <vector>

#include "foundation/scoped_value.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_errors.h"
#include "mdo/sql_monitor_hook.h"
#include "mdo/status_vector.h"

namespace {

bool IsHard(TTransactionAction action) {
    return action == TACommit || action == TARollback;
}

// A forced end must not be stopped by a client's notification.
template <class F>
void ForcedStep(bool force, F step) {
    if (!force) {
        step();
        return;
    }
    try {
        step();
    } catch (const std::exception&) {
        // Forced: the end goes on whatever a client met (see above).
    }
}

}  // namespace

TMDOTransaction::TMDOTransaction() {
    CheckClientLibraryLoaded();
}

TMDOTransaction::~TMDOTransaction() {
    idleTimer_.SetInterval(0);
    if (Active()) {
        try {
            EndForClose();
        } catch (const std::exception&) {
            // A retaining DefaultAction that the server refused: a destructor
            // cannot report it, and the hard end that follows it forgets the
            // handle anyway.
        }
    }
    for (TMDOBase* client : clients_.Items()) client->DoTransactionFree();
    for (int i = 0; i < clients_.Size(); ++i) UnlinkClient(i);
    for (int i = 0; i < databases_.Size(); ++i) UnlinkDatabase(i);
}

// ---------------------------------------------------------------------------
// Properties

void TMDOTransaction::SetActive(bool active) {
    if (active && !Active()) StartTransaction();
    if (!active && Active()) Rollback();
}

void TMDOTransaction::SetDefaultAction(TTransactionAction action) {
    if (action == TARollbackRetaining && GetClientVersion() < 6)
        RaiseClientError(3, "isc_rollback_retaining");
    defaultAction_ = action;
}

void TMDOTransaction::SetDefaultDatabase(TMDODatabase* database) {
    if (defaultDatabase_ != nullptr && defaultDatabase_ != database) {
        TMDODatabase* old = defaultDatabase_;
        old->UnlinkTransaction(old->IndexOfTransaction(this));
    }
    if (database != nullptr && database != defaultDatabase_) {
        database->LinkTransaction(this);
        LinkDatabase(database);
        for (TMDOBase* client : clients_.Items())
            if (client->Database() == nullptr) client->SetDatabase(database);
    }
    defaultDatabase_ = database;
}

void TMDOTransaction::SetParams(const TStringList& params) {
    CheckNotInTransaction();
    params_ = params;
    tpbStale_ = true;
}

void TMDOTransaction::SetIdleTimer(int32_t milliseconds) {
    if (milliseconds < 0) RaiseClientError(20);
    idleTimer_.SetInterval(milliseconds);
}

// ---------------------------------------------------------------------------
// Start and end

void TMDOTransaction::StartTransaction() {
    CheckNotInTransaction();
    CheckHasDatabases();
    const std::vector<TMDODatabase*> databases = databases_.Items();
    for (TMDODatabase* database : databases)
        if (!database->Connected()) RaiseClientError(15);
    if (tpbStale_) {
        tpb_ = BuildTPB(params_);
        // Only a block that was built is current (see TMDODatabase::Attach).
        tpbStale_ = false;
    }
    // One entry per database, all sharing the one block.
    std::vector<TMDOTransactionEntry> entries;
    for (TMDODatabase* database : databases)
        entries.push_back(
            {database->HandleAddress(), static_cast<ISC_LONG>(tpb_.size()), tpb_.data()});
    libraryUser_ = std::make_unique<TcClientLibraryUser>();
    const ISC_STATUS result =
        Call(ClientApi.isc_start_multiple(ThreadStatusVector(), &handle_,
                                          static_cast<short>(entries.size()), entries.data()),
             false);
    if (result > 0) {
        ReleaseHandle();
        RaiseDatabaseError();
    }
    handleIsShared_ = false;
    if (OnStartTransaction) OnStartTransaction(*this);
    MonitorHook().TRStart(*this);
}

void TMDOTransaction::Commit() {
    ExplicitEnd(TACommit);
}

void TMDOTransaction::CommitRetaining() {
    ExplicitEnd(TACommitRetaining);
}

void TMDOTransaction::Rollback() {
    ExplicitEnd(TARollback);
}

void TMDOTransaction::RollbackRetaining() {
    ExplicitEnd(TARollbackRetaining);
}

void TMDOTransaction::ExplicitEnd(TTransactionAction action) {
    explicitEnd_ = true;
    TcScopeExit clear([this] { explicitEnd_ = false; });
    EndTransaction(action, false);
}

void TMDOTransaction::EndTransaction(TTransactionAction action, bool force) {
    CheckInTransaction();
    if (IsHard(action))
        EndHard(action, force);
    else
        EndRetaining(action, force);
    switch (action) {
        case TACommit:
            MonitorHook().TRCommit(*this);
            break;
        case TARollback:
            MonitorHook().TRRollback(*this);
            break;
        case TACommitRetaining:
            MonitorHook().TRCommitRetaining(*this);
            break;
        case TARollbackRetaining:
            MonitorHook().TRRollbackRetaining(*this);
            break;
    }
    if (!force && IsHard(action) && OnEndTransaction) OnEndTransaction(*this);
    explicitEnd_ = false;
}

void TMDOTransaction::EndHard(TTransactionAction action, bool force) {
    if (handleIsShared_ && action != defaultAction_ && !force) RaiseClientError(62);
    for (TMDOBase* client : clients_.Items())
        ForcedStep(force, [&] { client->DoBeforeTransactionEnd(); });
    if (handle_ == 0) return;
    ISC_STATUS result = 0;
    // The error of a refused end, kept from the after-event's own calls.
    ISC_STATUS_ARRAY refusal = {};
    if (handleIsShared_) {
        // Adopted: the transaction is its owner's to end.
        handle_ = 0;
        handleIsShared_ = false;
    } else {
        const bool commit = action == TACommit;
        const TEvent& before = commit ? BeforeCommit : BeforeRollback;
        const TEvent& after = commit ? AfterCommit : AfterRollback;
        if (!force && before) before(*this);
        result = Call(commit ? ClientApi.isc_commit_transaction(ThreadStatusVector(), &handle_)
                             : ClientApi.isc_rollback_transaction(ThreadStatusVector(), &handle_),
                      false);
        if (result > 0) std::copy_n(ThreadStatusVector(), ISC_STATUS_LENGTH, refusal);
        if (!force && after) after(*this);
    }
    if (force) {
        if (result > 0)
            Call(ClientApi.isc_rollback_transaction(ThreadStatusVector(), &handle_), false);
        handle_ = 0;
    } else if (result > 0) {
        RaiseDatabaseError(refusal);
    }
    ReleaseHandle();
    for (TMDOBase* client : clients_.Items())
        ForcedStep(force, [&] { client->DoAfterTransactionEnd(); });
}

void TMDOTransaction::EndRetaining(TTransactionAction action, bool force) {
    const bool commit = action == TACommitRetaining;
    const TEvent& before = commit ? BeforeCommitRetaining : BeforeRollBackRetaining;
    const TEvent& after = commit ? AfterCommitRetaining : AfterRollBackRetaining;
    if (!force && before) before(*this);
    Call(commit ? ClientApi.isc_commit_retaining(ThreadStatusVector(), &handle_)
                : ClientApi.isc_rollback_retaining(ThreadStatusVector(), &handle_),
         true);
    if (!force && after) after(*this);
}

void TMDOTransaction::EndForClose() {
    if (!Active()) return;
    EndTransaction(defaultAction_, true);
    if (Active() && !IsHard(defaultAction_))
        EndTransaction(defaultAction_ == TACommitRetaining ? TACommit : TARollback, true);
}

void TMDOTransaction::ReleaseHandle() {
    if (handle_ != 0) return;
    handleIsShared_ = false;
    libraryUser_.reset();
}

void TMDOTransaction::CheckInTransaction() {
    if (!Active()) StartTransaction();
    if (handle_ == 0) RaiseClientError(18);
}

void TMDOTransaction::CheckNotInTransaction() const {
    if (handle_ != 0) RaiseClientError(19);
}

void TMDOTransaction::CheckHasDatabases() const {
    if (databases_.Count() == 0) RaiseClientError(21);
}

void TMDOTransaction::SetHandle(isc_tr_handle handle) {
    if (handleIsShared_)
        EndTransaction(defaultAction_, true);
    else
        CheckNotInTransaction();
    if (handle != 0 && !libraryUser_) libraryUser_ = std::make_unique<TcClientLibraryUser>();
    handle_ = handle;
    handleIsShared_ = handle != 0;
    ReleaseHandle();
}

ISC_STATUS TMDOTransaction::Call(ISC_STATUS result, bool raiseOnError) {
    idleFlag_ = false;
    // Every fetch comes through here: walk the slots without copying them.
    for (int i = 0; i < databases_.Size(); ++i)
        if (TMDODatabase* database = databases_.At(i)) database->idleFlag_ = false;
    if (raiseOnError && result > 0) RaiseDatabaseError();
    return result;
}

void TMDOTransaction::IdleTick() {
    if (!Active()) return;
    if (!idleFlag_) {
        idleFlag_ = true;
        return;
    }
    EndTransaction(defaultAction_, true);
    if (OnIdleTimer) OnIdleTimer(*this);
}

// ---------------------------------------------------------------------------
// Links

int TMDOTransaction::LinkDatabase(TMDODatabase* database) {
    const int index = databases_.IndexOf(database);
    return index >= 0 ? index : databases_.Link(database);
}

void TMDOTransaction::UnlinkDatabase(int index) {
    TMDODatabase* database = databases_.Unlink(index);
    if (database == nullptr) return;
    database->UnlinkTransaction(database->IndexOfTransaction(this));
    if (defaultDatabase_ == database) defaultDatabase_ = nullptr;
}

int TMDOTransaction::IndexOfDatabase(const TMDODatabase* database) const {
    return databases_.IndexOf(database);
}

TMDODatabase* TMDOTransaction::ChooseDatabase() const {
    if (defaultDatabase_ != nullptr) return defaultDatabase_;
    for (TMDODatabase* database : databases_.Items())
        if (database->DefaultTransaction() == this) return database;
    return nullptr;
}

int TMDOTransaction::LinkClient(TMDOBase* client) {
    return clients_.Link(client);
}

void TMDOTransaction::UnlinkClient(int index) {
    TMDOBase* client = clients_.Unlink(index);
    if (client == nullptr) return;
    client->transaction_ = nullptr;
    client->transactionIndex_ = -1;
}
