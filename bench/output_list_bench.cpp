// Output list: adding a million lines without wrapping, and painting or
// scrolling one screen of a long list against a short one. Runs on the
// offscreen platform unless another one is chosen.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <memory>
#include <string>
#include <vector>

#include "console/virtual_listbox.h"

namespace {

constexpr int kMillion = 1000000;

// A row of a typical result: a few fixed-width columns.
std::string ResultLine(int i) {
    char text[96];
    std::snprintf(text, sizeof text, "%10d  CUSTOMER_%-8d  %12.2f  2024-05-%02d 12:34:56", i,
                  i % 9973, i * 1.25, 1 + i % 28);
    return text;
}

const std::vector<std::string>& Utf8Lines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> result;
        result.reserve(kMillion);
        for (int i = 0; i < kMillion; ++i) result.push_back(ResultLine(i));
        return result;
    }();
    return lines;
}

const QStringList& Lines() {
    static const QStringList lines = [] {
        QStringList result;
        result.reserve(kMillion);
        for (const std::string& line : Utf8Lines()) result.append(QString::fromStdString(line));
        return result;
    }();
    return lines;
}

// The console's own set-up: no wrapping, a wide column, several rows selectable.
std::unique_ptr<TmVirtualListbox> ConsoleList() {
    auto list = std::make_unique<TmVirtualListbox>();
    list->SetWrapLines(false);
    list->SetColumns(32768);
    list->SetMultiSelect(true);
    list->resize(900, 600);
    list->show();
    QApplication::processEvents();
    return list;
}

// One AddLines of a million lines that are QStrings already.
void BM_AddLinesOneCall(benchmark::State& state) {
    const QStringList& lines = Lines();
    for (auto _ : state) {
        state.PauseTiming();
        auto list = ConsoleList();
        state.ResumeTiming();
        list->AddLines(lines);
        benchmark::DoNotOptimize(list->RowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_AddLinesOneCall)->Unit(benchmark::kMillisecond)->Iterations(3);

// A million lines converted from the engine's UTF-8 text and added in
// batches of 1000, as statements' output arrives.
void BM_AddLinesFromUtf8InBatches(benchmark::State& state) {
    const std::vector<std::string>& source = Utf8Lines();
    for (auto _ : state) {
        state.PauseTiming();
        auto list = ConsoleList();
        state.ResumeTiming();
        QStringList batch;
        for (int i = 0; i < kMillion; ++i) {
            batch.append(QString::fromStdString(source[static_cast<size_t>(i)]));
            if (batch.size() == 1000) {
                list->AddLines(batch);
                batch.clear();
            }
        }
        benchmark::DoNotOptimize(list->RowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_AddLinesFromUtf8InBatches)->Unit(benchmark::kMillisecond)->Iterations(3);

// A million AddText calls of one line each: the worst case for the per-call work.
void BM_AddTextPerLine(benchmark::State& state) {
    const QStringList& lines = Lines();
    for (auto _ : state) {
        state.PauseTiming();
        auto list = ConsoleList();
        state.ResumeTiming();
        for (const QString& line : lines) list->AddText(line);
        benchmark::DoNotOptimize(list->RowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_AddTextPerLine)->Unit(benchmark::kMillisecond)->Iterations(3);

// Painting one screen at positions spread over the list; the argument is the
// number of lines it holds.
void BM_PaintScreen(benchmark::State& state) {
    auto list = ConsoleList();
    list->AddLines(Lines().mid(0, static_cast<qsizetype>(state.range(0))));
    list->SetItemIndex(static_cast<int>(state.range(0) / 2));
    QImage image(list->viewport()->size(), QImage::Format_RGB32);
    QScrollBar* bar = list->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        bar->setValue(bar->maximum() == 0 ? 0 : (step++ * 7919) % (bar->maximum() + 1));
        list->viewport()->render(&image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintScreen)->Arg(100)->Arg(kMillion)->Unit(benchmark::kMicrosecond);

// A page of scrolling by the user, then painting the new screen.
void BM_ScrollPageAndPaint(benchmark::State& state) {
    auto list = ConsoleList();
    list->AddLines(Lines().mid(0, static_cast<qsizetype>(state.range(0))));
    QImage image(list->viewport()->size(), QImage::Format_RGB32);
    QScrollBar* bar = list->verticalScrollBar();
    bool up = true;
    for (auto _ : state) {
        if (bar->value() == 0) up = false;
        if (bar->value() == bar->maximum()) up = true;
        bar->triggerAction(up ? QAbstractSlider::SliderPageStepSub
                              : QAbstractSlider::SliderPageStepAdd);
        list->viewport()->render(&image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScrollPageAndPaint)->Arg(100)->Arg(kMillion)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
