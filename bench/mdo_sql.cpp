// TMDOSQL on the embedded engine. A SELECT of 200,000 rows of five typed
// columns, every column read as text through the descriptor variables, must
// stay within 1.2 times the bare client API fetching the same rows; a 50 MB
// blob written through a parameter and read back must have its content
// copied at most twice on the way (once into the blob stream, once out of
// it; the segments go to and from the client straight from its buffer).
// The timed part of the selects is attach, the select, commit, detach.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "mdo/mdo_blob_stream.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_transaction.h"
#include "scripter_workload.h"

namespace {

constexpr int kColumns = 5;
constexpr int64_t kBlobBytes = 50LL * 1024 * 1024;

const std::string& SelectDatabase() {
    static TcTempDir folder("tessel-bench");
    static const std::string path = [] {
        const std::string file = folder.File("mdo.fdb");
        CreateBenchDatabase(file);
        FillBenchTable(file, kSelectRows);
        return file;
    }();
    return path;
}

// Prepare, describe, execute and fetch every row into the descriptor: the
// least any reader of the rows does.
void BM_BareFetch(benchmark::State& state) {
    Guarded(state, [&state] {
        const std::string& path = SelectDatabase();
        for (auto _ : state) {
            isc_db_handle database = AttachBench(path);
            isc_tr_handle transaction = StartBenchTransaction(database);
            ISC_STATUS_ARRAY status = {};
            isc_stmt_handle statement = 0;
            ClientApi.isc_dsql_alloc_statement2(status, &database, &statement);
            Check(status);
            std::unique_ptr<char[]> sqlda(new char[XSQLDA_LENGTH(kColumns)]());
            XSQLDA* out = reinterpret_cast<XSQLDA*>(sqlda.get());
            out->version = SQLDA_VERSION1;
            out->sqln = kColumns;
            ClientApi.isc_dsql_prepare(status, &transaction, &statement, 0, kSelectText,
                                       SQL_DIALECT_V6, out);
            Check(status);
            std::unique_ptr<char[]> data(new char[kColumns * 64]());
            short indicators[kColumns] = {};
            for (int i = 0; i < kColumns; ++i) {
                out->sqlvar[i].sqldata = data.get() + i * 64;
                out->sqlvar[i].sqlind = &indicators[i];
            }
            ClientApi.isc_dsql_execute(status, &transaction, &statement, SQL_DIALECT_V6, nullptr);
            Check(status);
            int rows = 0;
            while (ClientApi.isc_dsql_fetch(status, &statement, SQLDA_VERSION1, out) == 0) {
                benchmark::DoNotOptimize(data.get());
                ++rows;
            }
            Check(status);
            benchmark::DoNotOptimize(rows);
            ClientApi.isc_dsql_free_statement(status, &statement, DSQL_drop);
            ClientApi.isc_commit_transaction(status, &transaction);
            ClientApi.isc_detach_database(status, &database);
            Check(status);
        }
        state.SetItemsProcessed(state.iterations() * kSelectRows);
    });
}

// An empty table for the blob, created once.
const std::string& BlobDatabase() {
    static TcTempDir folder("tessel-bench");
    static const std::string path = [] {
        const std::string file = folder.File("blob.fdb");
        CreateBenchDatabase(file);
        isc_db_handle database = AttachBench(file);
        isc_tr_handle transaction = StartBenchTransaction(database);
        ISC_STATUS_ARRAY status = {};
        ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0,
                                             "CREATE TABLE B (ID INTEGER, DATA BLOB SUB_TYPE 0)",
                                             SQL_DIALECT_V6, nullptr);
        Check(status);
        ClientApi.isc_commit_transaction(status, &transaction);
        ClientApi.isc_detach_database(status, &database);
        Check(status);
        return file;
    }();
    return path;
}

// A database component attached the way the extractor's callers attach.
struct Components {
    explicit Components(const std::string& path) {
        database.SetDatabaseName(path);
        database.SetParams({"user_name=SYSDBA"});
        database.LoginPrompt = false;
        database.SetConnected(true);
        transaction.SetDefaultDatabase(&database);
    }
    TMDODatabase database;
    TMDOTransaction transaction;
};

// The same rows through TMDOSQL, every column read with AsString.
void BM_MDOSQLFetchAsString(benchmark::State& state) {
    Guarded(state, [&state] {
        const std::string& path = SelectDatabase();
        size_t characters = 0;
        for (auto _ : state) {
            Components c(path);
            TMDOSQL sql(&c.database);
            sql.SetSQLText(kSelectText);
            sql.ExecQuery();
            characters = 0;
            while (!sql.Eof()) {
                for (int i = 0; i < kColumns; ++i) {
                    const std::string text = sql.Fields(i).AsString();
                    characters += text.size();
                    benchmark::DoNotOptimize(text.data());
                }
                sql.Next();
            }
            sql.Close();
            c.transaction.Commit();
            c.database.SetConnected(false);
        }
        state.SetItemsProcessed(state.iterations() * kSelectRows);
        state.counters["text_bytes_per_row"] = static_cast<double>(characters) / kSelectRows;
    });
}

// A source that counts the bytes read out of it and a target that counts
// the bytes written into it: each is one copy of the content.
class CountingSource : public TMDOReadOnlyStream {
  public:
    using TMDOReadOnlyStream::TMDOReadOnlyStream;
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = TMDOReadOnlyStream::Read(buffer, count);
        Copied += n;
        return n;
    }
    int64_t Copied = 0;
};

class CountingTarget : public TMDOStringStream {
  public:
    int64_t Write(const void* buffer, int64_t count) override {
        const int64_t n = TMDOStringStream::Write(buffer, count);
        Copied += n;
        return n;
    }
    int64_t Copied = 0;
};

// 50 MB written as a blob parameter and read back from the column.
void BM_BlobRoundTrip(benchmark::State& state) {
    Guarded(state, [&state] {
        Components c(BlobDatabase());
        std::string content(static_cast<size_t>(kBlobBytes), '\0');
        for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31 % 253);
        double copies = 0;
        for (auto _ : state) {
            CountingSource source(content);
            TMDOSQL insert(&c.database);
            insert.SetSQLText("INSERT INTO B VALUES (1, :DATA)");
            insert.Params().VarNamed("DATA").LoadFromStream(source);
            insert.ExecQuery();

            CountingTarget target;
            TMDOSQL select(&c.database);
            select.SetSQLText("SELECT DATA FROM B");
            select.ExecQuery();
            select.FieldNamed("DATA").SaveToStream(target);
            select.Close();
            if (target.Data() != content) throw std::runtime_error("blob content differs");
            copies = static_cast<double>(source.Copied + target.Copied) /
                     static_cast<double>(kBlobBytes);
            c.transaction.Rollback();
        }
        state.SetBytesProcessed(state.iterations() * kBlobBytes * 2);
        state.counters["content_copies"] = copies;
    });
}

BENCHMARK(BM_BareFetch)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MDOSQLFetchAsString)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BlobRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunScripterBenchmarks(argc, argv);
}
