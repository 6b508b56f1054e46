#pragma once
// TMDODatabase: one connection to one database, and TMDOBase, the link
// through which a statement or blob stream belongs to a database and a
// transaction.
//
// Contract: every object of the access layer lives on one thread, the one
// that owns it; events fire on it, idle timers tick on it. Components are
// linked, not owned: a database lists its transactions and clients, a
// transaction its databases; destroying either side unlinks it from the
// other. A handle adopted with SetHandle belongs to whoever opened it and is
// never detached here. While a database holds a handle it holds a
// TcClientLibraryUser, so the library cannot be unloaded under it.

#include <functional>
#include <memory>
#include <string>

#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "mdo/link_slots.h"
#include "mdo/mdo_timer.h"
#include "mdo/param_blocks.h"

class TMDODatabase;
class TMDOTransaction;

// The link object of a statement or blob stream (its owner). The operations
// are virtual in this order so that an owner can take part in each; the
// default of the six notifications fires the matching event.
class TMDOBase {
  public:
    using TEvent = std::function<void(TMDOBase&)>;
    explicit TMDOBase(void* owner = nullptr) : Owner(owner) {}
    // Unlinks from the database and the transaction.
    virtual ~TMDOBase();
    TMDOBase(const TMDOBase&) = delete;
    TMDOBase& operator=(const TMDOBase&) = delete;

    virtual void DoAfterDatabaseDisconnect();
    virtual void DoAfterTransactionEnd();
    virtual void DoBeforeDatabaseDisconnect();
    virtual void DoBeforeTransactionEnd();
    // The database goes away: fires its event, then forgets database and
    // transaction.
    virtual void DoDatabaseFree();
    // The transaction goes away: fires its event, then forgets it (without
    // unlinking: the transaction is unlinking everything itself).
    virtual void DoTransactionFree();
    // CheckDatabase, then the database's handle.
    virtual isc_db_handle* DBHandle();
    // CheckTransaction (which starts the transaction when needed), then its handle.
    virtual isc_tr_handle* TRHandle();
    // Unlinks from the old database, links into the new one; with no
    // transaction yet, takes the database's ChooseTransaction.
    virtual void SetDatabase(TMDODatabase* database);
    // Unlinks from the old transaction, links into the new one; with no
    // database yet, takes the transaction's ChooseDatabase.
    virtual void SetTransaction(TMDOTransaction* transaction);
    // Client error 24 without a database, else the database's CheckActive.
    virtual void CheckDatabase();
    // Client error 25 without a transaction, else its CheckInTransaction.
    virtual void CheckTransaction();

    TMDODatabase* Database() const { return database_; }
    TMDOTransaction* Transaction() const { return transaction_; }

    void* const Owner;
    TEvent OnAfterDatabaseDisconnect, OnAfterTransactionEnd, OnBeforeDatabaseDisconnect,
        OnBeforeTransactionEnd, OnDatabaseFree, OnTransactionFree;

  private:
    friend class TMDODatabase;
    friend class TMDOTransaction;
    TMDODatabase* database_ = nullptr;
    int databaseIndex_ = -1;
    TMDOTransaction* transaction_ = nullptr;
    int transactionIndex_ = -1;
};

class TMDODatabase {
  public:
    using TEvent = std::function<void(TMDODatabase&)>;

    // Loads the client library (client error 1 when none can be loaded) and
    // creates the private transaction.
    TMDODatabase();
    // Closes a connection of its own (forced), tells its clients, unlinks
    // everything.
    ~TMDODatabase();
    TMDODatabase(const TMDODatabase&) = delete;
    TMDODatabase& operator=(const TMDODatabase&) = delete;

    // Events.
    TEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
    TEvent OnDialectDowngradeWarning, OnIdleTimer;
    // Asked before the client library is switched; may change the choice or cancel.
    std::function<void(TMDODatabase&, TMDOClientLib& choice, bool& cancel)> OnClientLibChange;
    // Replaces the login dialog: edits a copy of Params, which then replaces them.
    std::function<void(TMDODatabase&, TStringList& params)> OnLogin;

    // Ask for user name and password before attaching.
    bool LoginPrompt = true;

    bool Connected() const { return handle_ != 0; }
    // true attaches (Attach); false detaches, not forced, and resets DBSQLDialect to 3.
    void SetConnected(bool connected);

    const std::string& DatabaseName() const { return databaseName_; }
    // Client error 16 when connected and the name differs.
    void SetDatabaseName(const std::string& name);
    const TStringList& Params() const { return params_; }
    // Client error 16 when connected; any change makes the DPB stale.
    void SetParams(const TStringList& params);

    int DBSQLDialect() const { return dbSQLDialect_; }
    int SQLDialect() const { return sqlDialect_; }
    // Client error 87 below 1, or above DBSQLDialect while connected.
    void SetSQLDialect(int dialect);

    TMDOTransaction* DefaultTransaction() const { return defaultTransaction_; }
    void SetDefaultTransaction(TMDOTransaction* transaction);
    // The transaction the database made for itself, defaulted to it.
    TMDOTransaction& PrivateTransaction() { return *privateTransaction_; }

    int32_t IdleTimer() const { return idleTimer_.Interval(); }
    // Milliseconds; client error 20 when negative; 0 stops.
    void SetIdleTimer(int32_t milliseconds);

    TMDOClientLib ClientLib() const { return clientLib_; }
    // Switches the client library (closing this connection) unless the
    // loaded one already fits the choice; OnClientLibChange may cancel.
    void SetClientLib(TMDOClientLib choice);

    // Login, DPB and attach; the database's dialect is read after it.
    void Attach();
    // Ends linked transactions (forced) and tells the clients, then detaches
    // a handle of its own. Not forced: events fire, errors propagate and a
    // refused detach leaves the database connected. Forced: no events, no
    // error escapes.
    void Detach(bool force);
    // Detach(true) when connected.
    void ForceClose();
    // Client error 15 when not connected.
    void CheckActive() const;
    // Client error 16 when connected.
    void CheckInactive() const;
    // Client error 17 for an empty DatabaseName.
    void CheckDatabaseName() const;

    // Adopts an attachment opened elsewhere: no attach, login or events; a
    // shared handle is forgotten, never detached, when the database closes.
    // A previously adopted handle is let go first; a handle of its own must
    // be closed before (client error 16).
    void SetHandle(isc_db_handle handle);
    isc_db_handle Handle() const { return handle_; }
    isc_db_handle* HandleAddress() { return &handle_; }
    bool HandleIsShared() const { return handleIsShared_; }

    // Every client call's result goes through here: it marks activity for
    // the idle timer and, asked to, raises the server error of a failed call.
    ISC_STATUS Call(ISC_STATUS result, bool raiseOnError);

    // The dialect of the attached database, one information request.
    int ReadDatabaseDialect();

    // -1 when already linked, else the slot it took.
    int LinkTransaction(TMDOTransaction* transaction);
    void UnlinkTransaction(int index);
    int IndexOfTransaction(const TMDOTransaction* transaction) const;
    int TransactionCount() const { return transactions_.Count(); }
    // DefaultTransaction, else the first linked transaction defaulted to this
    // database (not the private one), else null.
    TMDOTransaction* ChooseTransaction() const;
    int LinkClient(TMDOBase* client);
    void UnlinkClient(int index);
    int ClientCount() const { return clients_.Count(); }

    // The DPB of the last attach: rebuilt only after Params changed.
    const TMDOParamBlock& DPB() const { return dpb_; }
    // Whether a password is kept out of Params for the next attach.
    bool HasHiddenPassword() const { return !hiddenPassword_.empty(); }

  private:
    friend class TMDOTransaction;
    // Shows the login (OnLogin or the dialog); false when cancelled.
    bool Login();
    void HidePassword();
    void IdleTick();
    // Forgets the handle and lets the library go.
    void ReleaseHandle();

    std::string databaseName_;
    TStringList params_;
    bool dpbStale_ = true;
    bool idleFlag_ = false;
    TMDOParamBlock dpb_;
    isc_db_handle handle_ = 0;
    bool handleIsShared_ = false;
    std::string hiddenPassword_;
    int dbSQLDialect_ = 3;
    int sqlDialect_ = 3;
    TMDOClientLib clientLib_ = clAutoDetect;
    TMDOTransaction* defaultTransaction_ = nullptr;
    TcLinkSlots<TMDOBase> clients_;
    TcLinkSlots<TMDOTransaction> transactions_;
    std::unique_ptr<TMDOTransaction> privateTransaction_;
    std::unique_ptr<TcClientLibraryUser> libraryUser_;
    TMDOTimer idleTimer_{[this] { IdleTick(); }};
};
