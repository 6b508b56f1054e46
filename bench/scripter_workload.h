#pragma once
// The workloads of the scripter benchmarks and the bare client API calls they
// are measured against. Everything runs on the embedded engine in a fresh
// temporary folder, so a run needs no server and leaves no file behind.
//
// The texts here are the same ones bench/compare_isql.sh writes for isql and
// tessel-cli, so the in-process and end-to-end figures describe one workload.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <exception>
#include <string>

#include <vector>
#include "foundation/temp_dir.h"

#include "mdo/client_library.h"

// Statements of the insert script and rows of the select.
inline constexpr int kInsertStatements = 20000;
inline constexpr int kSelectRows = 200000;

// Five typed columns: integer, varchar, numeric, timestamp, char.
inline constexpr const char* kTableDDL =
    "CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), STAMP TIMESTAMP, "
    "CODE CHAR(10))";
inline constexpr const char* kSelectText = "SELECT ID, NAME, AMOUNT, STAMP, CODE FROM T";

// The INSERT statement for row `row`, without a terminator.
std::string InsertStatement(int row);
// kInsertStatements texts, rows 0 up.
std::vector<std::string> InsertStatements();
// The script tessel-cli would run: CONNECT, the statements, COMMIT.
std::string InsertScript(const std::string& database, const std::vector<std::string>& statements);

// Raises the client's message when the call failed.
void Check(const ISC_STATUS* status);

// Creates the database with table T and detaches; raises on failure.
void CreateBenchDatabase(const std::string& path);
// Fills T with `rows` rows of the same values the insert script writes.
void FillBenchTable(const std::string& path, int rows);

// A snapshot transaction, as the scripter starts one.
isc_db_handle AttachBench(const std::string& path);
isc_tr_handle StartBenchTransaction(isc_db_handle& database);

// Heap bytes in use (malloc arenas and mmapped blocks).
size_t HeapBytesInUse();

// Runs `body`; a failure ends the benchmark with the client's message rather
// than terminating the process and leaving its folder behind.
template <typename Body>
void Guarded(benchmark::State& state, Body body) {
    try {
        body();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// The benchmark main: one iteration of each benchmark per repetition, 7
// repetitions in random interleaving, so that other work on the machine
// drifting over a run falls on all benchmarks alike; command-line flags
// given after the program name override both.
int RunScripterBenchmarks(int argc, char** argv);
