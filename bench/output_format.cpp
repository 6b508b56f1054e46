// Buffering and rendering a large query result: 200,000 rows of an INTEGER,
// a VARCHAR(40), a NUMERIC(18,2), a TIMESTAMP and a CHAR(10). In memory, as a
// fetch would store them, and end to end against an embedded database, where
// fetch + buffer + render is set against the bare fetch of the same rows.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>

#include "foundation/string_utils.h"
#include "foundation/temp_dir.h"
#include "mdo/client_library.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"

namespace {

constexpr int kRows = 200000;

void Describe(XSQLVAR& var, short type, short scale, short length, const char* alias) {
    var.sqltype = type;
    var.sqlscale = scale;
    var.sqllen = length;
    var.aliasname_length = static_cast<short>(std::strlen(alias));
    std::memcpy(var.aliasname, alias, std::strlen(alias));
}

// What DoExecuteSQL does between prepare and the end of the fetch loop,
// with the fetch replaced by writing the next values into the buffers.
void FillResult(TcOutputSQLDA& buffer) {
    buffer.ResetResult();
    XSQLDA* d = buffer.Descriptor();
    d->sqld = 5;
    Describe(d->sqlvar[0], SQL_LONG, 0, 4, "ID");
    Describe(d->sqlvar[1], SQL_VARYING + 1, 0, 40, "NAME");
    Describe(d->sqlvar[2], SQL_INT64 + 1, -2, 8, "AMOUNT");
    Describe(d->sqlvar[3], SQL_TIMESTAMP + 1, 0, 8, "CREATED");
    Describe(d->sqlvar[4], SQL_TEXT + 1, 0, 10, "CODE");
    buffer.AllocateBuffers();

    std::tm t{};
    t.tm_year = 100;
    t.tm_mday = 1;
    ISC_TIMESTAMP first;
    ClientApi.isc_encode_timestamp(&t, &first);
    const char* codes[] = {"A1", "B22", "C333", "D4444"};
    for (int r = 0; r < kRows; ++r) {
        const int32_t id = r + 1;
        std::memcpy(d->sqlvar[0].sqldata, &id, 4);
        const std::string name = "Customer number " + std::to_string(r);
        const uint16_t length = static_cast<uint16_t>(name.size());
        std::memcpy(d->sqlvar[1].sqldata, &length, 2);
        std::memcpy(d->sqlvar[1].sqldata + 2, name.data(), name.size());
        *d->sqlvar[1].sqlind = 0;
        const int64_t amount = static_cast<int64_t>(r) * 125 + 1;
        std::memcpy(d->sqlvar[2].sqldata, &amount, 8);
        *d->sqlvar[2].sqlind = r % 100 == 0 ? -1 : 0;
        ISC_TIMESTAMP stamp = first;
        stamp.timestamp_date += r % 9000;
        stamp.timestamp_time = static_cast<ISC_TIME>(r % 86400) * 10000;
        std::memcpy(d->sqlvar[3].sqldata, &stamp, sizeof stamp);
        *d->sqlvar[3].sqlind = 0;
        std::memset(d->sqlvar[4].sqldata, ' ', 10);
        std::memcpy(d->sqlvar[4].sqldata, codes[r % 4], std::strlen(codes[r % 4]));
        *d->sqlvar[4].sqlind = 0;
        buffer.StoreRow();
    }
}

// Rendering alone: the window's BuildOutput over a buffered result.
void BM_BuildOutput(benchmark::State& state) {
    TcDBScripter_IB scripter;
    FillResult(*scripter.OutputSQLDA);
    scripter.LastMessage = "Returned 200000 records.";
    TcDBScripter_IBView& view = scripter.View();
    TStringList lines;
    for (auto _ : state) {
        lines.clear();
        lines.shrink_to_fit();
        view.BuildOutput(lines);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["line_bytes"] = static_cast<double>(lines[2].size());
}
BENCHMARK(BM_BuildOutput)->Unit(benchmark::kMillisecond);

// Buffering alone: describing, allocating and storing every row, with the
// values written as a fetch would write them.
void BM_StoreRows(benchmark::State& state) {
    TcDBScripter_IB scripter;
    for (auto _ : state) {
        FillResult(*scripter.OutputSQLDA);
        benchmark::DoNotOptimize(scripter.OutputSQLDA->Row(kRows - 1));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["row_bytes"] = scripter.OutputSQLDA->RowSize();
}
BENCHMARK(BM_StoreRows)->Unit(benchmark::kMillisecond);

// ---- End to end, embedded database -----------------------------------------

std::string gDatabase;  // path of the benchmark database, set by main

void Check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] > 0) {
        throw std::runtime_error("client error, SQL code " +
                                 std::to_string(ClientApi.isc_sqlcode(status)));
    }
}

std::string ConnectParams() {
    return std::string{isc_dpb_version1, isc_dpb_user_name, 6} + "SYSDBA";
}

isc_tr_handle StartTransaction(ISC_STATUS* status, isc_db_handle& db) {
    static const char kParams[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_nowait};
    isc_tr_handle tr = 0;
    TMDOTransactionEntry entry{&db, static_cast<ISC_LONG>(sizeof kParams), kParams};
    ClientApi.isc_start_multiple(status, &tr, 1, &entry);
    Check(status);
    return tr;
}

void CreateDatabase() {
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    const std::string create = "CREATE DATABASE '" + gDatabase + "' USER 'SYSDBA'";
    ClientApi.isc_dsql_execute_immediate(status, &db, &tr, 0, create.c_str(), SQL_DIALECT_V6,
                                         nullptr);
    Check(status);
    const char* statements[] = {
        "CREATE TABLE T (ID INTEGER NOT NULL, NAME VARCHAR(40), AMOUNT NUMERIC(18,2), "
        "CREATED TIMESTAMP, CODE CHAR(10))",
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 200000) DO BEGIN "
        "INSERT INTO T VALUES (:I + 1, 'Customer number ' || :I, :I * 1.25, "
        "DATEADD(:I SECOND TO TIMESTAMP '2000-01-01 00:00:00'), "
        "SUBSTRING('A1B22C333' FROM MOD(:I, 4) + 1 FOR 3)); I = I + 1; END END"};
    for (const char* sql : statements) {
        tr = StartTransaction(status, db);
        ClientApi.isc_dsql_execute_immediate(status, &db, &tr, 0, sql, SQL_DIALECT_V6, nullptr);
        Check(status);
        ClientApi.isc_commit_transaction(status, &tr);
        Check(status);
    }
    ClientApi.isc_detach_database(status, &db);
}

// The client API alone: prepare, describe, execute and fetch every row into
// the column buffers, keeping nothing.
void BM_FetchBare(benchmark::State& state) {
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    const std::string params = ConnectParams();
    ClientApi.isc_attach_database(status, 0, gDatabase.c_str(), &db,
                                  static_cast<short>(params.size()), params.data());
    Check(status);
    TcOutputSQLDA buffer;
    int rows = 0;
    for (auto _ : state) {
        isc_tr_handle tr = StartTransaction(status, db);
        isc_stmt_handle statement = 0;
        ClientApi.isc_dsql_alloc_statement2(status, &db, &statement);
        Check(status);
        buffer.ResetResult();
        ClientApi.isc_dsql_prepare(status, &tr, &statement, 0, "SELECT * FROM T", SQL_DIALECT_V6,
                                   buffer.Descriptor());
        Check(status);
        ClientApi.isc_dsql_describe(status, &statement, SQLDA_VERSION1, buffer.Descriptor());
        buffer.AllocateBuffers();
        ClientApi.isc_dsql_execute2(status, &tr, &statement, SQL_DIALECT_V6, nullptr, nullptr);
        Check(status);
        rows = 0;
        while (ClientApi.isc_dsql_fetch(status, &statement, SQLDA_VERSION1, buffer.Descriptor()) ==
               0) {
            ++rows;
        }
        ClientApi.isc_dsql_free_statement(status, &statement, DSQL_drop);
        ClientApi.isc_commit_transaction(status, &tr);
        Check(status);
    }
    if (rows != kRows) state.SkipWithError("wrong row count");
    state.SetItemsProcessed(state.iterations() * kRows);
    ClientApi.isc_detach_database(status, &db);
}
BENCHMARK(BM_FetchBare)->Unit(benchmark::kMillisecond);

// The scripter's own road: ExecuteStatement fetches and buffers every row,
// then the window's BuildOutput renders them.
void BM_FetchBufferRender(benchmark::State& state) {
    TcDBScripter_IB scripter;
    scripter.DatabaseName = gDatabase;
    scripter.UserName = "SYSDBA";
    scripter.Connect();
    TStringList lines;
    for (auto _ : state) {
        lines.clear();
        lines.shrink_to_fit();
        scripter.ExecuteStatement("SELECT * FROM T");
        scripter.View().BuildOutput(lines);
        benchmark::DoNotOptimize(lines.data());
    }
    if (scripter.OutputSQLDA->RowCount() != kRows) state.SkipWithError("wrong row count");
    state.SetItemsProcessed(state.iterations() * kRows);
    scripter.Disconnect();
}
BENCHMARK(BM_FetchBufferRender)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CheckClientLibraryLoaded();
    const TcTempDir folder("tessel-bench");
    gDatabase = folder.File("format.fdb");
    int result = 0;
    try {
        CreateDatabase();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        result = 1;
    }
    benchmark::Shutdown();
    return result;
}
