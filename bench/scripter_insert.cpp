// A script of 20,000 single-row INSERT statements on the embedded engine: the
// scripter must stay within 1.1 times the bare client API doing the same
// statements. Every iteration gets a new empty database (not timed); the
// timed part is attach, the statements in one transaction, commit, detach.

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

#include "foundation/language.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"
#include "scripter_workload.h"

namespace {

const std::vector<std::string>& Statements() {
    static const std::vector<std::string> statements = InsertStatements();
    return statements;
}

// A new database per iteration; the caller stops the clock around Next.
class TcFreshDatabase {
  public:
    const std::string& Next() {
        folder_.reset();
        folder_.emplace("tessel-bench");
        path_ = folder_->File("insert.fdb");
        CreateBenchDatabase(path_);
        return path_;
    }

  private:
    std::optional<TcTempDir> folder_;
    std::string path_;
};

void Finish(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kInsertStatements);
}

// The frame every bare program shares, timed: attach a fresh database, run
// each statement through `perStatement` in one transaction, commit, detach.
template <class PerStatement>
void RunBare(benchmark::State& state, PerStatement perStatement) {
    CheckClientLibraryLoaded();
    TcFreshDatabase fresh;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string& path = fresh.Next();
        state.ResumeTiming();
        isc_db_handle database = AttachBench(path);
        isc_tr_handle transaction = StartBenchTransaction(database);
        ISC_STATUS_ARRAY status = {};
        for (const std::string& statement : Statements())
            perStatement(status, database, transaction, statement);
        ClientApi.isc_commit_transaction(status, &transaction);
        Check(status);
        ClientApi.isc_detach_database(status, &database);
        Check(status);
    }
    Finish(state);
}

// The least a program can do: one execute-immediate call per statement.
void BareExecuteImmediate(benchmark::State& state) {
    RunBare(state, [](ISC_STATUS* status, isc_db_handle& database, isc_tr_handle& transaction,
                      const std::string& statement) {
        ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0, statement.c_str(),
                                             SQL_DIALECT_V6, nullptr);
        Check(status);
    });
}

// A program that handles statements of unknown kind: allocate, prepare,
// execute, drop, as a console must (it needs the statement type).
void BarePrepareExecute(benchmark::State& state) {
    RunBare(state, [](ISC_STATUS* status, isc_db_handle& database, isc_tr_handle& transaction,
                      const std::string& statement) {
        isc_stmt_handle handle = 0;
        ClientApi.isc_dsql_alloc_statement2(status, &database, &handle);
        Check(status);
        ClientApi.isc_dsql_prepare(status, &transaction, &handle, 0, statement.c_str(),
                                   SQL_DIALECT_V6, nullptr);
        Check(status);
        ClientApi.isc_dsql_execute(status, &transaction, &handle, SQL_DIALECT_V6, nullptr);
        Check(status);
        ClientApi.isc_dsql_free_statement(status, &handle, DSQL_drop);
        Check(status);
    });
}

// The scripter's earlier sequence of client calls per statement (alloc,
// prepare, type, describe, execute, row counts, drop), without the scripter:
// kept to show what the present sequence saves.
void BareScripterCalls(benchmark::State& state) {
    static const char kTypeItem[] = {isc_info_sql_stmt_type};
    static const char kRecordsItem[] = {isc_info_sql_records};
    std::unique_ptr<char[]> sqlda(new char[XSQLDA_LENGTH(10)]());
    XSQLDA* out = reinterpret_cast<XSQLDA*>(sqlda.get());
    out->version = SQLDA_VERSION1;
    out->sqln = 10;
    RunBare(state, [out](ISC_STATUS* status, isc_db_handle& database, isc_tr_handle& transaction,
                         const std::string& statement) {
        char reply[512];
        isc_stmt_handle handle = 0;
        ClientApi.isc_dsql_alloc_statement2(status, &database, &handle);
        Check(status);
        ClientApi.isc_dsql_prepare(status, &transaction, &handle, 0, statement.c_str(),
                                   SQL_DIALECT_V6, out);
        Check(status);
        ClientApi.isc_dsql_sql_info(status, &handle, sizeof kTypeItem, kTypeItem, sizeof reply,
                                    reply);
        Check(status);
        ClientApi.isc_dsql_describe(status, &handle, SQLDA_VERSION1, out);
        Check(status);
        ClientApi.isc_dsql_execute2(status, &transaction, &handle, SQL_DIALECT_V6, nullptr,
                                    nullptr);
        Check(status);
        ClientApi.isc_dsql_sql_info(status, &handle, sizeof kRecordsItem, kRecordsItem,
                                    sizeof reply, reply);
        Check(status);
        ClientApi.isc_dsql_free_statement(status, &handle, DSQL_drop);
        Check(status);
    });
}

// The script as tessel-cli runs it: implicit transactions, CONNECT first and
// COMMIT last. With `render`, every statement's output lines are built too,
// as tessel-cli builds them before it prints them. Without `fastInsert`
// every statement is prepared on its own (SET FAST_INSERT OFF).
void RunScripter(benchmark::State& state, bool render, bool fastInsert = true) {
    Language = TLanguage::English;
    TcFreshDatabase fresh;
    size_t lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string& path = fresh.Next();
        const std::string script = InsertScript(path, Statements());
        auto engine = std::make_unique<TcDBScripter_IB>();
        engine->StartTransactionModel = TStartTransactionModel::Implicit;
        engine->FastInsert = fastInsert;
        TStringList output;
        if (render) {
            engine->OnAfterStatement = [&engine, &output, &lines](TObject*, const std::string&,
                                                                  bool& ok) {
                if (!ok) return;
                engine->View().BuildOutput(output);
                lines += output.size();
                output.clear();
            };
        }
        state.ResumeTiming();
        engine->ExecuteScript(script);
        engine->Disconnect();
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
    Finish(state);
    if (render) state.counters["lines"] = static_cast<double>(lines / state.iterations());
}

void BM_BareExecuteImmediate(benchmark::State& state) {
    Guarded(state, [&state] { BareExecuteImmediate(state); });
}
void BM_BarePrepareExecute(benchmark::State& state) {
    Guarded(state, [&state] { BarePrepareExecute(state); });
}
void BM_BareScripterCalls(benchmark::State& state) {
    Guarded(state, [&state] { BareScripterCalls(state); });
}
void BM_ScripterScript(benchmark::State& state) {
    Guarded(state, [&state] { RunScripter(state, false); });
}
void BM_ScripterScriptWithOutput(benchmark::State& state) {
    Guarded(state, [&state] { RunScripter(state, true); });
}
void BM_ScripterScriptFastInsertOff(benchmark::State& state) {
    Guarded(state, [&state] { RunScripter(state, false, false); });
}

#define TESSEL_INSERT_BENCHMARK(name)   \
    BENCHMARK(name)                     \
        ->Iterations(1)                 \
        ->Unit(benchmark::kMillisecond) \
        ->UseRealTime()                 \
        ->MeasureProcessCPUTime()

TESSEL_INSERT_BENCHMARK(BM_BareExecuteImmediate);
TESSEL_INSERT_BENCHMARK(BM_BarePrepareExecute);
TESSEL_INSERT_BENCHMARK(BM_BareScripterCalls);
TESSEL_INSERT_BENCHMARK(BM_ScripterScript);
TESSEL_INSERT_BENCHMARK(BM_ScripterScriptWithOutput);
TESSEL_INSERT_BENCHMARK(BM_ScripterScriptFastInsertOff);

}  // namespace

int main(int argc, char** argv) {
    return RunScripterBenchmarks(argc, argv);
}
