#pragma once
// Test helpers that drive the real client library through the binding: a
// scoped library choice and a database created by the embedded engine in a
// fresh temporary folder. Every failed isc call raises through
// RaiseDatabaseError, so the helpers exercise the error path too.

#include <string>

#include "foundation/temp_dir.h"
#include "mdo/client_library.h"

// Loads `fileName` for the lifetime of the object and restores the previous
// choice afterwards (the previous library is loaded again lazily).
class TcScopedClientLibrary {
  public:
    explicit TcScopedClientLibrary(const std::string& fileName);
    ~TcScopedClientLibrary();
    TcScopedClientLibrary(const TcScopedClientLibrary&) = delete;
    TcScopedClientLibrary& operator=(const TcScopedClientLibrary&) = delete;

  private:
    std::string FPrevious;
};

// The database parameter block for a user name and an optional password.
std::string UserParams(const std::string& user, const std::string& password = "");

// Attaches `name` with the thread's status vector; raises on failure.
isc_db_handle Attach(const std::string& name, const std::string& params);
void Detach(isc_db_handle& handle);
// Runs `sql` in a transaction of its own and commits it; raises on failure.
void ExecuteInTransaction(isc_db_handle& handle, const std::string& sql);

// Creates a database file through the embedded engine with the given SQL
// dialect and CREATE DATABASE options, and detaches at once.
void CreateDatabaseFile(const std::string& path, int dialect = 3, const std::string& options = "");
// The single integer a query answers (its first column, cast to INTEGER by
// the query), in a transaction of its own; raises on failure.
int32_t QueryInteger(isc_db_handle& handle, const std::string& sql);
// Runs `sql` on `transaction` without ending it; raises on failure.
void ExecuteIn(isc_db_handle& handle, isc_tr_handle& transaction, const std::string& sql);
// Starts a snapshot transaction on one database; raises on failure.
isc_tr_handle StartTransactionOn(isc_db_handle& handle);

// An empty database owned by SYSDBA, created through the embedded engine in a
// temporary folder; detached and removed at the end.
class TcEmbeddedDatabase {
  public:
    TcEmbeddedDatabase();
    ~TcEmbeddedDatabase();
    TcEmbeddedDatabase(const TcEmbeddedDatabase&) = delete;
    TcEmbeddedDatabase& operator=(const TcEmbeddedDatabase&) = delete;

    const std::string& Path() const { return FPath; }
    isc_db_handle& Handle() { return FHandle; }

  private:
    TcTempDir FDir;
    std::string FPath;
    isc_db_handle FHandle = 0;
};
