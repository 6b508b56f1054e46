#pragma once
// TMDOTransaction: one server transaction over one or more databases,
// started on all of them with one isc_start_multiple and ended in one of four
// ways (commit, rollback, or their retaining forms, which keep the
// transaction and its cursors open).
//
// Contract: as TMDODatabase (one owning thread; links, not ownership). A
// transaction handle adopted with SetHandle belongs to whoever started it:
// a hard end only forgets it. While a transaction holds a handle it holds a
// TcClientLibraryUser.

#include <functional>
#include <memory>

#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "mdo/link_slots.h"
#include "mdo/mdo_timer.h"
#include "mdo/param_blocks.h"

class TMDODatabase;
class TMDOBase;

enum TTransactionAction {
    TARollback = 0,
    TACommit = 1,
    TARollbackRetaining = 2,
    TACommitRetaining = 3
};

class TMDOTransaction {
  public:
    using TEvent = std::function<void(TMDOTransaction&)>;

    // Loads the client library (client error 1 when none can be loaded).
    TMDOTransaction();
    // Ends an active transaction with DefaultAction, forced; tells its
    // clients; unlinks everything.
    ~TMDOTransaction();
    TMDOTransaction(const TMDOTransaction&) = delete;
    TMDOTransaction& operator=(const TMDOTransaction&) = delete;

    // Events of the non-forced ends, and of the start and the idle end.
    TEvent BeforeCommit, AfterCommit, BeforeCommitRetaining, AfterCommitRetaining;
    TEvent BeforeRollback, AfterRollback, BeforeRollBackRetaining, AfterRollBackRetaining;
    TEvent OnStartTransaction, OnEndTransaction, OnIdleTimer;

    // Start when a linked database connects; commit retaining after every
    // statement that is not a select (the statement component does that).
    bool AutoCommit = false;

    bool Active() const { return handle_ != 0; }
    // true starts when inactive; false rolls back when active.
    void SetActive(bool active);

    TTransactionAction DefaultAction() const { return defaultAction_; }
    // Client error 3 for TARollbackRetaining with a version-5 client.
    void SetDefaultAction(TTransactionAction action);

    TMDODatabase* DefaultDatabase() const { return defaultDatabase_; }
    // Links the database both ways; clients without a database take it.
    void SetDefaultDatabase(TMDODatabase* database);

    const TStringList& Params() const { return params_; }
    // Client error 19 while active; any change makes the TPB stale.
    void SetParams(const TStringList& params);

    int32_t IdleTimer() const { return idleTimer_.Interval(); }
    // Milliseconds; client error 20 when negative; 0 stops.
    void SetIdleTimer(int32_t milliseconds);

    // Starts on every linked database at once.
    void StartTransaction();
    void Commit();
    void CommitRetaining();
    void Rollback();
    void RollbackRetaining();
    // Ends the transaction (starting one first when none is active). Not
    // forced: events fire and a refused hard end leaves it active. Forced:
    // no events, a refused commit is followed by a rollback, the handle is
    // dropped and nothing escapes from a hard end.
    void EndTransaction(TTransactionAction action, bool force);
    // Ends the transaction because its database closes or it goes away:
    // DefaultAction, forced, and after a retaining DefaultAction the hard
    // end of the same kind, so that no transaction stays open on an
    // attachment that is closing.
    void EndForClose();
    // Starts when inactive; client error 18 if still without a handle.
    void CheckInTransaction();
    // Client error 19 when active.
    void CheckNotInTransaction() const;
    // Client error 21 without linked databases.
    void CheckHasDatabases() const;

    // Adopts a transaction started elsewhere. A previously adopted handle is
    // ended first with DefaultAction, forced (for a hard action: forgotten);
    // an own active transaction must be ended before (client error 19).
    void SetHandle(isc_tr_handle handle);
    isc_tr_handle Handle() const { return handle_; }
    isc_tr_handle* HandleAddress() { return &handle_; }
    bool HandleIsShared() const { return handleIsShared_; }

    // Marks activity on the transaction and its databases, then as the
    // database's Call.
    ISC_STATUS Call(ISC_STATUS result, bool raiseOnError);

    // The index the database has (already had) among the links.
    int LinkDatabase(TMDODatabase* database);
    void UnlinkDatabase(int index);
    int IndexOfDatabase(const TMDODatabase* database) const;
    int DatabaseCount() const { return databases_.Count(); }
    // DefaultDatabase, else the first linked database defaulted to this
    // transaction, else null.
    TMDODatabase* ChooseDatabase() const;
    int LinkClient(TMDOBase* client);
    void UnlinkClient(int index);

    // The TPB of the last start: rebuilt only after Params changed.
    const TMDOParamBlock& TPB() const { return tpb_; }
    // Whether an explicit end (Commit, Rollback and their retaining forms)
    // is running.
    bool InExplicitEnd() const { return explicitEnd_; }

  private:
    void IdleTick();
    void ExplicitEnd(TTransactionAction action);
    void EndHard(TTransactionAction action, bool force);
    void EndRetaining(TTransactionAction action, bool force);
    void ReleaseHandle();

    TStringList params_;
    bool tpbStale_ = true;
    TMDOParamBlock tpb_;
    bool idleFlag_ = false;
    bool explicitEnd_ = false;
    isc_tr_handle handle_ = 0;
    bool handleIsShared_ = false;
    TTransactionAction defaultAction_ = TACommit;
    TMDODatabase* defaultDatabase_ = nullptr;
    TcLinkSlots<TMDODatabase> databases_;
    TcLinkSlots<TMDOBase> clients_;
    std::unique_ptr<TcClientLibraryUser> libraryUser_;
    TMDOTimer idleTimer_{[this] { IdleTick(); }};
};
