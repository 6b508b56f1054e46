// The bare client programs the end-to-end comparisons measure tessel-cli
// against, on the embedded engine, doing no more than the work needs:
//
//   bench_bare_client insert SCRIPT
//       reads the insert script file, attaches to the database its CONNECT
//       line names and runs every other line but the closing COMMIT with one
//       isc_dsql_execute_immediate call, in one transaction; commits,
//       detaches.
//   bench_bare_client select DATABASE
//       prepares, executes and fetches the benchmark SELECT, keeping nothing.
//
// bench/compare_isql.sh runs them beside tessel-cli and isql.

#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "scripter_workload.h"

namespace {

void RunInserts(const char* scriptName) {
    std::ifstream file(scriptName);
    std::string line;
    if (!std::getline(file, line)) throw std::runtime_error("empty script");
    const size_t open = line.find('\'');
    const size_t close = line.find('\'', open + 1);
    if (open == std::string::npos || close == std::string::npos)
        throw std::runtime_error("no CONNECT line");
    isc_db_handle database = AttachBench(line.substr(open + 1, close - open - 1));
    isc_tr_handle transaction = StartBenchTransaction(database);
    ISC_STATUS_ARRAY status = {};
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == ';') line.pop_back();
        if (line.empty() || line == "COMMIT") continue;
        ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0, line.c_str(),
                                             SQL_DIALECT_V6, nullptr);
        Check(status);
    }
    ClientApi.isc_commit_transaction(status, &transaction);
    Check(status);
    ClientApi.isc_detach_database(status, &database);
    Check(status);
}

void RunSelect(const char* path) {
    isc_db_handle database = AttachBench(path);
    isc_tr_handle transaction = StartBenchTransaction(database);
    ISC_STATUS_ARRAY status = {};
    isc_stmt_handle statement = 0;
    ClientApi.isc_dsql_alloc_statement2(status, &database, &statement);
    Check(status);
    std::unique_ptr<char[]> sqlda(new char[XSQLDA_LENGTH(5)]());
    XSQLDA* out = reinterpret_cast<XSQLDA*>(sqlda.get());
    out->version = SQLDA_VERSION1;
    out->sqln = 5;
    ClientApi.isc_dsql_prepare(status, &transaction, &statement, 0, kSelectText, SQL_DIALECT_V6,
                               out);
    Check(status);
    // One buffer for a row: the client writes every row over the last.
    std::unique_ptr<char[]> row(new char[1024]);
    short nulls[5] = {};
    size_t offset = 0;
    for (int i = 0; i < out->sqld; ++i) {
        XSQLVAR& var = out->sqlvar[i];
        var.sqldata = row.get() + offset;
        var.sqlind = &nulls[i];
        offset += (var.sqllen + 2 + 7) & ~size_t{7};
    }
    ClientApi.isc_dsql_execute(status, &transaction, &statement, SQL_DIALECT_V6, nullptr);
    Check(status);
    long rows = 0;
    while (ClientApi.isc_dsql_fetch(status, &statement, SQLDA_VERSION1, out) == 0) ++rows;
    if (status[1] != 0 && status[1] != 100) Check(status);
    ClientApi.isc_dsql_free_statement(status, &statement, DSQL_drop);
    ClientApi.isc_commit_transaction(status, &transaction);
    Check(status);
    ClientApi.isc_detach_database(status, &database);
    Check(status);
    if (rows == 0) throw std::runtime_error("no rows fetched");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "insert" && mode != "select") {
        std::cerr << "usage: bench_bare_client insert SCRIPT | select DATABASE\n";
        return 2;
    }
    try {
        CheckClientLibraryLoaded();
        if (mode == "insert")
            RunInserts(argv[2]);
        else
            RunSelect(argv[2]);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
