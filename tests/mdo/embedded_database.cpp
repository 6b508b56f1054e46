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

void CreateDatabaseFile(const std::string& path, int dialect, const std::string& options) {
    CheckClientLibraryLoaded();
    const std::string sql = "CREATE DATABASE '" + path + "' USER 'SYSDBA' " + options;
    isc_db_handle handle = 0;
    isc_tr_handle transaction = 0;
    if (ClientApi.isc_dsql_execute_immediate(ThreadStatusVector(), &handle, &transaction, 0,
                                             sql.c_str(), static_cast<unsigned short>(dialect),
                                             nullptr) != 0) {
        RaiseDatabaseError();
    }
    Detach(handle);
}

isc_tr_handle StartTransactionOn(isc_db_handle& handle) {
    static const char kTransactionParams[] = {isc_tpb_version3, isc_tpb_concurrency,
                                              isc_tpb_nowait};
    isc_tr_handle transaction = 0;
    TMDOTransactionEntry entry{&handle, static_cast<ISC_LONG>(sizeof kTransactionParams),
                               kTransactionParams};
    if (ClientApi.isc_start_multiple(ThreadStatusVector(), &transaction, 1, &entry) != 0)
        RaiseDatabaseError();
    return transaction;
}

void ExecuteIn(isc_db_handle& handle, isc_tr_handle& transaction, const std::string& sql) {
    if (ClientApi.isc_dsql_execute_immediate(ThreadStatusVector(), &handle, &transaction, 0,
                                             sql.c_str(), SQL_DIALECT_V6, nullptr) != 0) {
        RaiseDatabaseError();
    }
}

int32_t QueryInteger(isc_db_handle& handle, const std::string& sql) {
    ISC_STATUS* status = ThreadStatusVector();
    isc_tr_handle transaction = StartTransactionOn(handle);
    isc_stmt_handle statement = 0;
    XSQLDA descriptor{};
    descriptor.version = SQLDA_VERSION1;
    descriptor.sqln = 1;
    int32_t value = 0;
    short null = 0;
    bool ok = ClientApi.isc_dsql_alloc_statement2(status, &handle, &statement) == 0 &&
              ClientApi.isc_dsql_prepare(status, &transaction, &statement, 0, sql.c_str(),
                                         SQL_DIALECT_V6, &descriptor) == 0;
    if (ok) {
        descriptor.sqlvar[0].sqltype = SQL_LONG + 1;
        descriptor.sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
        descriptor.sqlvar[0].sqlind = &null;
        ok = ClientApi.isc_dsql_execute(status, &transaction, &statement, SQL_DIALECT_V6,
                                        nullptr) == 0 &&
             ClientApi.isc_dsql_fetch(status, &statement, SQLDA_VERSION1, &descriptor) == 0;
    }
    if (!ok) {
        // Keep the statement's error: the clean-up overwrites the status vector.
        try {
            RaiseDatabaseError();
        } catch (...) {
            ISC_STATUS_ARRAY ignored;
            if (statement != 0) ClientApi.isc_dsql_free_statement(ignored, &statement, DSQL_drop);
            ClientApi.isc_rollback_transaction(ignored, &transaction);
            throw;
        }
    }
    ISC_STATUS_ARRAY ignored;
    ClientApi.isc_dsql_free_statement(ignored, &statement, DSQL_drop);
    ClientApi.isc_commit_transaction(ignored, &transaction);
    return value;
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
