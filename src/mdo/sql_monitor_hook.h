#pragma once
// The SQL trace hook that the access layer's components report to after
// connect, disconnect, transaction start and end, prepare, execute and fetch.
// Nothing in this program monitors SQL, so the installed hook does nothing;
// the interface exists so that components report in one place and a monitor
// can be plugged in without touching them.

class TMDODatabase;
class TMDOTransaction;
class TMDOSQL;

class IIBSQLMonitorHook {
  public:
    virtual ~IIBSQLMonitorHook() = default;
    virtual void DBConnect(TMDODatabase&) {}
    virtual void DBDisconnect(TMDODatabase&) {}
    virtual void TRStart(TMDOTransaction&) {}
    virtual void TRCommit(TMDOTransaction&) {}
    virtual void TRCommitRetaining(TMDOTransaction&) {}
    virtual void TRRollback(TMDOTransaction&) {}
    virtual void TRRollbackRetaining(TMDOTransaction&) {}
    virtual void SQLPrepare(TMDOSQL&) {}
    virtual void SQLExecute(TMDOSQL&) {}
    virtual void SQLFetch(TMDOSQL&) {}
};

// The process-wide hook; never null. Install a monitor on the main thread
// before components are used; the caller keeps ownership.
inline IIBSQLMonitorHook*& MonitorHookSlot() {
    static IIBSQLMonitorHook emptyHook;
    static IIBSQLMonitorHook* hook = &emptyHook;
    return hook;
}
inline IIBSQLMonitorHook& MonitorHook() {
    return *MonitorHookSlot();
}
