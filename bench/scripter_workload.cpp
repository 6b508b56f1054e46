#include "scripter_workload.h"

#include <malloc.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "mdo/mdo_errors.h"

std::string InsertStatement(int row) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (%d, 'Name %d', %d.%02d, "
                  "'2024-01-%02d %02d:%02d:%02d', 'C%05d')",
                  row, row, row / 100, row % 100, 1 + row / 86400, row / 3600 % 24, row / 60 % 60,
                  row % 60, row % 100000);
    return text;
}

std::vector<std::string> InsertStatements() {
    std::vector<std::string> statements;
    statements.reserve(kInsertStatements);
    for (int row = 0; row < kInsertStatements; ++row) statements.push_back(InsertStatement(row));
    return statements;
}

std::string InsertScript(const std::string& database, const std::vector<std::string>& statements) {
    // The embedded engine ignores the password, but CONNECT insists on one.
    std::string script = "CONNECT '" + database + "' USER 'SYSDBA' PASSWORD 'masterkey';\n";
    for (const std::string& statement : statements) {
        script += statement;
        script += ";\n";
    }
    script += "COMMIT;\n";
    return script;
}

void Check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0) RaiseDatabaseError(status);
}

isc_db_handle AttachBench(const std::string& path) {
    static const char kParams[] = {
        isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A'};
    ISC_STATUS_ARRAY status = {};
    isc_db_handle database = 0;
    ClientApi.isc_attach_database(status, 0, path.c_str(), &database, sizeof kParams, kParams);
    Check(status);
    return database;
}

isc_tr_handle StartBenchTransaction(isc_db_handle& database) {
    static const char kSnapshot[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_nowait};
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle transaction = 0;
    TMDOTransactionEntry entry{&database, sizeof kSnapshot, kSnapshot};
    ClientApi.isc_start_multiple(status, &transaction, 1, &entry);
    Check(status);
    return transaction;
}

namespace {

void ExecuteCommitted(isc_db_handle& database, const std::string& sql) {
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle transaction = StartBenchTransaction(database);
    ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0, sql.c_str(),
                                         SQL_DIALECT_V6, nullptr);
    Check(status);
    ClientApi.isc_commit_transaction(status, &transaction);
    Check(status);
}

}  // namespace

void CreateBenchDatabase(const std::string& path) {
    CheckClientLibraryLoaded();
    ISC_STATUS_ARRAY status = {};
    isc_db_handle database = 0;
    isc_tr_handle transaction = 0;
    const std::string create = "CREATE DATABASE '" + path + "' USER 'SYSDBA'";
    ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0, create.c_str(),
                                         SQL_DIALECT_V6, nullptr);
    Check(status);
    ExecuteCommitted(database, kTableDDL);
    ClientApi.isc_detach_database(status, &database);
    Check(status);
}

void FillBenchTable(const std::string& path, int rows) {
    // One request on the server side: filling 200,000 rows statement by
    // statement would take longer than the benchmark itself.
    const std::string block =
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(rows) +
        ") DO BEGIN INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (:I, 'Name ' || :I, "
        "CAST(:I AS NUMERIC(15,2)) / 100, DATEADD(:I SECOND TO TIMESTAMP '2024-01-01 00:00:00'), "
        "'C' || LPAD(MOD(:I, 100000), 5, '0')); I = I + 1; END END";
    isc_db_handle database = AttachBench(path);
    ExecuteCommitted(database, block);
    ISC_STATUS_ARRAY status = {};
    ClientApi.isc_detach_database(status, &database);
    Check(status);
}

size_t HeapBytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

int RunScripterBenchmarks(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=7";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args(argv, argv + argc);
    // Later flags win, so the caller's own come after these defaults.
    args.insert(args.begin() + 1, {repetitions, interleaving});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
