// A SELECT of 200,000 rows of five typed columns on the embedded engine: the
// scripter fetching, buffering and rendering every row to a line must stay
// within 1.3 times the bare client API fetching the rows into a buffer, and a
// buffered row may cost at most its raw bytes plus 16. The table is filled
// once; the timed part is attach, the select, commit, detach.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <optional>

#include "foundation/language.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"
#include "scripter_workload.h"

namespace {

// The filled database, shared by all benchmarks and removed at exit.
const std::string& SelectDatabase() {
    static TcTempDir folder("tessel-bench");
    static const std::string path = [] {
        const std::string file = folder.File("select.fdb");
        CreateBenchDatabase(file);
        FillBenchTable(file, kSelectRows);
        return file;
    }();
    return path;
}

// Prepare, describe, execute, fetch: each row's null flags and data are
// copied into one growing buffer, the least a program that keeps a result
// can do.
void BM_BareFetch(benchmark::State& state) {
    Guarded(state, [&state] {
        const std::string& path = SelectDatabase();
        size_t bytes = 0;
        for (auto _ : state) {
            isc_db_handle database = AttachBench(path);
            isc_tr_handle transaction = StartBenchTransaction(database);
            ISC_STATUS_ARRAY status = {};
            isc_stmt_handle statement = 0;
            ClientApi.isc_dsql_alloc_statement2(status, &database, &statement);
            Check(status);
            constexpr int kColumns = 5;
            std::unique_ptr<char[]> sqlda(new char[XSQLDA_LENGTH(kColumns)]());
            XSQLDA* out = reinterpret_cast<XSQLDA*>(sqlda.get());
            out->version = SQLDA_VERSION1;
            out->sqln = kColumns;
            ClientApi.isc_dsql_prepare(status, &transaction, &statement, 0, kSelectText,
                                       SQL_DIALECT_V6, out);
            Check(status);
            // One 8-byte-aligned slot per column, sized as the client describes it.
            size_t lengths[kColumns];
            size_t offsets[kColumns];
            size_t rowBytes = 0, slots = 0;
            for (int i = 0; i < kColumns; ++i) {
                const XSQLVAR& var = out->sqlvar[i];
                lengths[i] =
                    static_cast<size_t>(var.sqllen) + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0);
                offsets[i] = slots;
                slots += (lengths[i] + 7) & ~size_t{7};
                rowBytes += 1 + lengths[i];
            }
            std::unique_ptr<char[]> data(new char[slots]());
            short indicators[kColumns] = {};
            for (int i = 0; i < kColumns; ++i) {
                out->sqlvar[i].sqldata = data.get() + offsets[i];
                out->sqlvar[i].sqlind = &indicators[i];
            }
            ClientApi.isc_dsql_execute(status, &transaction, &statement, SQL_DIALECT_V6, nullptr);
            Check(status);
            // Sized for the known row count: the strictest baseline, no regrowth.
            std::vector<char> rows;
            rows.reserve(static_cast<size_t>(kSelectRows) * rowBytes);
            while (ClientApi.isc_dsql_fetch(status, &statement, SQLDA_VERSION1, out) == 0) {
                const size_t at = rows.size();
                rows.resize(at + rowBytes);
                char* row = rows.data() + at;
                for (int i = 0; i < kColumns; ++i) {
                    *row++ = indicators[i] == -1 ? 1 : 0;
                    std::memcpy(row, out->sqlvar[i].sqldata, lengths[i]);
                    row += lengths[i];
                }
            }
            Check(status);
            bytes = rows.size();
            benchmark::DoNotOptimize(rows.data());
            ClientApi.isc_dsql_free_statement(status, &statement, DSQL_drop);
            Check(status);
            ClientApi.isc_commit_transaction(status, &transaction);
            Check(status);
            ClientApi.isc_detach_database(status, &database);
            Check(status);
        }
        state.SetItemsProcessed(state.iterations() * kSelectRows);
        state.counters["bytes_per_row"] = static_cast<double>(bytes) / kSelectRows;
    });
}

std::string SelectScript() {
    return "CONNECT '" + SelectDatabase() + "' USER 'SYSDBA' PASSWORD 'masterkey';\n" +
           kSelectText + ";\n";
}

// The scripter set up as tessel-cli sets it up.
std::unique_ptr<TcDBScripter_IB> NewEngine() {
    Language = TLanguage::English;
    auto engine = std::make_unique<TcDBScripter_IB>();
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    return engine;
}

// What tessel-cli does at the end of a script that succeeded.
void FinishEngine(TcDBScripter_IB& engine) {
    if (engine.InTransaction()) engine.Commit();
    engine.Disconnect();
}

// Fetch and buffer only: where the time goes between the two halves.
void BM_ScripterFetch(benchmark::State& state) {
    Guarded(state, [&state] {
        const std::string script = SelectScript();
        for (auto _ : state) {
            auto engine = NewEngine();
            engine->ExecuteScript(script);
            FinishEngine(*engine);
        }
        state.SetItemsProcessed(state.iterations() * kSelectRows);
    });
}

// Fetch, buffer and render every row to a line, as tessel-cli does after the
// statement, before it writes the lines out.
void BM_ScripterFetchRender(benchmark::State& state) {
    Guarded(state, [&state] {
        const std::string script = SelectScript();
        size_t lines = 0;
        for (auto _ : state) {
            auto engine = NewEngine();
            TStringList output;
            TcDBScripter_IB* raw = engine.get();
            engine->OnAfterStatement = [raw, &output](TObject*, const std::string&, bool& ok) {
                if (ok) raw->View().BuildOutput(output);
            };
            engine->ExecuteScript(script);
            FinishEngine(*engine);
            lines = output.size();
            benchmark::DoNotOptimize(output.data());
        }
        state.SetItemsProcessed(state.iterations() * kSelectRows);
        state.counters["lines"] = static_cast<double>(lines);
    });
}

// Rendering alone, from rows already buffered.
void BM_ScripterRender(benchmark::State& state) {
    Guarded(state, [&state] {
        auto engine = NewEngine();
        engine->ExecuteScript(SelectScript());
        size_t lines = 0;
        for (auto _ : state) {
            TStringList output;
            engine->View().BuildOutput(output);
            lines = output.size();
            benchmark::DoNotOptimize(output.data());
        }
        FinishEngine(*engine);
        state.SetItemsProcessed(state.iterations() * kSelectRows);
        state.counters["lines"] = static_cast<double>(lines);
    });
}

// The memory target, measured once: the heap the buffered result gives back
// when it is cleared, against the rows' raw bytes (each column's data as the
// client delivers it into the descriptor: sqllen, plus 2 for a varchar).
void BM_ScripterBufferMemory(benchmark::State& state) {
    Guarded(state, [&state] {
        double rows = 0, raw = 0, stored = 0, cost = 0;
        for (auto _ : state) {
            auto engine = NewEngine();
            engine->ExecuteScript(SelectScript());
            const TcOutputSQLDA& buffer = *engine->OutputSQLDA;
            rows = buffer.RowCount();
            raw = 0;
            for (int i = 0; i < buffer.ColumnCount(); ++i) raw += buffer.GetFieldLength(i);
            stored = buffer.RowSize();
            const size_t before = HeapBytesInUse();
            engine->ClearStatementResult();
            cost = static_cast<double>(before - HeapBytesInUse());
            FinishEngine(*engine);
        }
        state.counters["rows"] = rows;
        state.counters["raw_bytes_per_row"] = raw;
        state.counters["row_size"] = stored;
        state.counters["heap_bytes_per_row"] = cost / rows;
        state.counters["overhead_per_row"] = cost / rows - raw;
    });
}

#define TESSEL_SELECT_BENCHMARK(name)   \
    BENCHMARK(name)                     \
        ->Iterations(1)                 \
        ->Unit(benchmark::kMillisecond) \
        ->UseRealTime()                 \
        ->MeasureProcessCPUTime()

TESSEL_SELECT_BENCHMARK(BM_BareFetch);
TESSEL_SELECT_BENCHMARK(BM_ScripterFetch);
TESSEL_SELECT_BENCHMARK(BM_ScripterFetchRender);
TESSEL_SELECT_BENCHMARK(BM_ScripterRender);
BENCHMARK(BM_ScripterBufferMemory)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunScripterBenchmarks(argc, argv);
}
