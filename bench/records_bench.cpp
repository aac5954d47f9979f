// The record reader on exports of very many columns: the time per column
// stays the same from 10,000 to 100,000 columns (linear, not a search per
// column), and a read told to stop returns within a chunk's parsing.
#include "base/text_file.h"
#include "bench/scratch_dir.h"
#include "records/record_reader.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>

namespace {

using namespace qvr;

// An export with `columns` columns and `rows` rows.
std::string WideExport(const Scratch& dir, int columns, int rows) {
    const std::string path = dir.Dir() + "wide" + std::to_string(columns) + ".csv";
    std::string head = ",", row;
    for (int c = 0; c < columns; ++c) {
        head += "ch" + std::to_string(c) + ",";
        row += std::to_string(c % 100) + ".5,";
    }
    std::vector<std::string> lines{head};
    for (int r = 0; r < rows; ++r)
        lines.push_back("2024/05/29 09:05:" + std::string(r < 10 ? "0" : "") + std::to_string(r) +
                        "," + row);
    WriteTextLines(path, lines);
    return path;
}

void BM_ReadWideExport(benchmark::State& state) {
    Scratch dir;
    const int columns = static_cast<int>(state.range(0));
    const std::string path = WideExport(dir, columns, 3);
    std::size_t read = 0;
    for (auto _ : state) {
        const RecordData d = ReadRecordFile(path);
        read = d.Columns.size();
        benchmark::DoNotOptimize(d.Rows());
    }
    if (read != static_cast<std::size_t>(columns)) state.SkipWithError("columns missing");
    state.counters["ns_per_column"] = benchmark::Counter(
        static_cast<double>(columns),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadWideExport)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An export of 180,000 columns told to stop 50 ms into its read: how long
// the reader takes to give up (the window waits this long when closed).
void BM_StopAfterCancel(benchmark::State& state) {
    Scratch dir;
    const std::string big = WideExport(dir, 180000, 40);
    double worstMs = 0, sumMs = 0;
    int n = 0;
    for (auto _ : state) {
        std::atomic<bool> cancel{false};
        RecordReadOptions options;
        options.Cancel = &cancel;
        std::chrono::steady_clock::time_point asked;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            asked = std::chrono::steady_clock::now();
            cancel = true;
        });
        const RecordData d = ReadRecordFiles({big}, options);
        const auto done = std::chrono::steady_clock::now();
        stopper.join();
        const double ms = std::chrono::duration<double, std::milli>(done - asked).count();
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        ++n;
        benchmark::DoNotOptimize(d.Rows());
    }
    state.counters["stop_ms_mean"] = sumMs / n;
    state.counters["stop_ms_worst"] = worstMs;
}
BENCHMARK(BM_StopAfterCancel)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
