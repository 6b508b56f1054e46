#include "embedded_database.h"

#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"

TcScopedClientLibrary::TcScopedClientLibrary(const std::string& fileName)
    : FPrevious(ClientLibraryName) {
    FreeClientLibrary();
    ClientLibraryName = fileName;
    CheckClientLibraryLoaded();
}

TcScopedClientLibrary::~TcScopedClientLibrary() {
    FreeClientLibrary();
    ClientLibraryName = FPrevious;
}

std::string UserParams(const std::string& user, const std::string& password) {
    std::string params(1, static_cast<char>(isc_dpb_version1));
    params += static_cast<char>(isc_dpb_user_name);
    params += static_cast<char>(user.size());
    params += user;
    if (!password.empty()) {
        params += static_cast<char>(isc_dpb_password);
        params += static_cast<char>(password.size());
        params += password;
    }
    return params;
}

isc_db_handle Attach(const std::string& name, const std::string& params) {
    CheckClientLibraryLoaded();
    isc_db_handle handle = 0;
    if (ClientApi.isc_attach_database(ThreadStatusVector(), 0, name.c_str(), &handle,
                                      static_cast<short>(params.size()), params.data()) != 0) {
        RaiseDatabaseError();
    }
    return handle;
}

void Detach(isc_db_handle& handle) {
    if (handle != 0) ClientApi.isc_detach_database(ThreadStatusVector(), &handle);
    handle = 0;
}

void ExecuteInTransaction(isc_db_handle& handle, const std::string& sql) {
    static const char kTransactionParams[] = {isc_tpb_version3, isc_tpb_concurrency,
                                              isc_tpb_nowait};
    ISC_STATUS* status = ThreadStatusVector();
    isc_tr_handle transaction = 0;
    TMDOTransactionEntry entry{&handle, static_cast<ISC_LONG>(sizeof kTransactionParams),
                               kTransactionParams};
    if (ClientApi.isc_start_multiple(status, &transaction, 1, &entry) != 0) {
        RaiseDatabaseError();
    }
    if (ClientApi.isc_dsql_execute_immediate(status, &handle, &transaction, 0, sql.c_str(),
                                             SQL_DIALECT_V6, nullptr) != 0) {
        // Keep the statement's error: the rollback overwrites the status vector.
        try {
            RaiseDatabaseError();
        } catch (...) {
            ISC_STATUS_ARRAY ignored;
            ClientApi.isc_rollback_transaction(ignored, &transaction);
            throw;
        }
    }
    if (ClientApi.isc_commit_transaction(status, &transaction) != 0) RaiseDatabaseError();
}

TcEmbeddedDatabase::TcEmbeddedDatabase() : FPath(FDir.File("test.fdb")) {
    CheckClientLibraryLoaded();
    const std::string sql = "CREATE DATABASE '" + FPath + "' USER 'SYSDBA'";
    isc_tr_handle transaction = 0;
    if (ClientApi.isc_dsql_execute_immediate(ThreadStatusVector(), &FHandle, &transaction, 0,
                                             sql.c_str(), SQL_DIALECT_V6, nullptr) != 0) {
        RaiseDatabaseError();
    }
}

TcEmbeddedDatabase::~TcEmbeddedDatabase() {
    Detach(FHandle);
}
