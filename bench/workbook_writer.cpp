// Writing a sheet of 65,536 rows of five columns (a whole number, an amount,
// a date, a unique text and a repeated text), as a capture of a large query
// result produces it: filling the model and saving the file.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "workbook/workbook.h"

namespace {

constexpr int kRows = 65536;

void FillWorkbook(TcWorkbook& book) {
    book.ClearWorkbook();
    auto add = [&](const char* name, const char* numberFormat) {
        int index = book.Formats().Add(name);
        book.Formats()[index].NumberFormat = numberFormat;
        book.Formats()[index].VertAlignment = TVertAlignment::Center;
        return index;
    };
    int integer = add("QueryInt", "0");
    int numeric = add("QueryNumeric", "#,##0.00");
    int date = add("QueryDate", "dd/mm/yyyy");
    int text = add("QueryString", "");
    const char* categories[] = {"Hardware", "Software", "Services", "Support"};
    TcSheet& sheet = book.Sheets()[0];
    double firstDay = EncodeDateTime(2000, 1, 1);
    std::string name;
    for (int r = 0; r < kRows; ++r) {
        sheet.WriteNumberCell(0, r, r + 1, integer);
        sheet.WriteNumberCell(1, r, r * 1.25 + 0.01, numeric);
        sheet.WriteNumberCell(2, r, firstDay + r % 9000, date);
        name = "Customer number ";
        name += std::to_string(r);
        sheet.WriteTextCell(3, r, name, text);
        sheet.WriteTextCell(4, r, categories[r % 4], text);
    }
}

void BM_WriteFullSheet(benchmark::State& state) {
    std::string path = "/tmp/tessel-bench-workbook-" + std::to_string(getpid()) + ".xls";
    for (auto _ : state) {
        TcWorkbook book;
        book.Filename = path;
        FillWorkbook(book);
        book.WriteWorkbook();
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) {
        std::fseek(f, 0, SEEK_END);
        state.counters["file_MB"] = static_cast<double>(std::ftell(f)) / (1024 * 1024);
        std::fclose(f);
    }
    std::remove(path.c_str());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_WriteFullSheet)->Unit(benchmark::kMillisecond);

// The same sheet's save alone, the model already filled.
void BM_SaveFilledSheet(benchmark::State& state) {
    TcWorkbook book;
    FillWorkbook(book);
    for (auto _ : state) benchmark::DoNotOptimize(book.WorkbookBytes());
}
BENCHMARK(BM_SaveFilledSheet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
