// Costs that must grow linearly: splitting and dispatching a script of N
// statements, N SET PARAMETER commands, and the prompt's check of a
// statement pasted line by line. Compare the time per item at the two sizes.

#include <benchmark/benchmark.h>

#include <vector>

#include "engine/base_scripter.h"
#include "engine/statement_splitter.h"
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

// N distinct SET PARAMETER commands: each adds one name to the engine's
// parameter list, so the whole run must stay near linear in N.
void BM_SetParameters(benchmark::State& state) {
    Language = TLanguage::English;
    std::string script;
    for (int64_t i = 0; i < state.range(0); ++i)
        script += "SET PARAMETER p" + std::to_string((i * 7919) % state.range(0)) + " 1;\n";
    for (auto _ : state) {
        TcNullScripter engine;
        engine.ExecuteScript(script);
        benchmark::DoNotOptimize(engine.Parameters.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetParameters)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A statement of N lines pasted at the prompt: after every line the prompt
// asks whether the statement is complete.
void BM_PromptPaste(benchmark::State& state) {
    std::vector<std::string> lines;
    for (int64_t i = 0; i < state.range(0); ++i)
        lines.push_back("  insert into t values (" + std::to_string(i) + ", 'a;b') -- n\n");
    lines.back() += ";\n";
    const std::string terminator = ";";
    for (auto _ : state) {
        TcStatementInput input(terminator);
        for (const std::string& line : lines) {
            input.Append(line);
            if (input.IsComplete()) break;
        }
        benchmark::DoNotOptimize(input.IsComplete());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PromptPaste)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
