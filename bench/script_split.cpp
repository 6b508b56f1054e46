// Splitting and dispatching a script of N statements must grow linearly in
// N: compare the time per statement at 10,000 and 100,000 statements.

#include <benchmark/benchmark.h>

#include "engine/base_scripter.h"
#include "foundation/language.h"

namespace {

// A scripter that does nothing with SQL, so only the engine is measured.
class TcNullScripter : public TcDBBaseScripter {
  public:
    void DoCommit() override {}
    void DoStartTransaction() override {}
    void DoRollback() override {}
    void DoExecuteSQL(const std::string&) override {}
};

std::string MakeScript(int64_t statements) {
    std::string text;
    for (int64_t i = 0; i < statements; ++i) {
        if (i % 10 == 0) text += "-- row " + std::to_string(i) + "\n";
        if (i % 100 == 0) text += "SET ECHO OFF;\n";
        text += "insert into t (id, name) values (" + std::to_string(i) + ", 'name; " +
                std::to_string(i) + "');\n";
    }
    return text;
}

void BM_ExecuteScript(benchmark::State& state) {
    Language = TLanguage::English;
    const std::string script = MakeScript(state.range(0));
    TcNullScripter engine;
    for (auto _ : state) engine.ExecuteScript(script);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size()));
}
BENCHMARK(BM_ExecuteScript)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
