#include "base/text_file.h"
#include "bench/scratch_dir.h"
#include "core/app_context.h"
#include "records/record_lines.h"
#include "records/recorder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace qvr;

const TDateTime kStart = EncodeDateTime({2024, 5, 29, 12, 0, 0, 0});

// A second record file of `count` lines, header included, as a day of ticks leaves it.
void PrefillSecondFile(const std::string& dataDir, int count) {
    ForceDirectories(RecordFolder(dataDir));
    TSampleRec sample;
    sample.WindSpeed = 3.25f;
    sample.AirTemp = 21.5f;
    std::vector<std::string> lines{SecondHeaderLine()};
    for (int i = 1; i < count; ++i)
        lines.push_back(SecondDataRow(kStart - 0.5 + i / 86400.0, sample));
    WriteTextLines(SecondRecordFileName(dataDir, kStart), lines);
}

// One SubTimer tick with collection on and SecRec set: a second row every
// tick, a minute row every 60th.
void BM_RecorderTick(benchmark::State& state) {
    Scratch scratch;
    PrefillSecondFile(scratch.Dir(), static_cast<int>(state.range(0)));
    TSampleRec current;
    current.Valid = true;
    current.WindSpeed = 3.25f;
    current.AirTemp = 21.5f;
    TSampleHistory history{};
    TMySts sts;
    sts.SecRec = true;
    TWritePrm prm;
    ManualClock clock(kStart);
    AppContext context{current, history, sts, prm, clock, scratch.Dir()};
    Recorder recorder(context);
    int second = 0;
    for (auto _ : state) {
        recorder.RecordTick();
        second = (second + 1) % 3600; // stay within the same day's files
        clock.Set(kStart + second / 86400.0);
    }
    state.counters["file_lines"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RecorderTick)->Arg(10)->Arg(86400)->Unit(benchmark::kMicrosecond);

// For comparison: what a tick would cost if it read the whole file, added the
// row and wrote the whole file back.
void BM_RewriteWholeSecondFile(benchmark::State& state) {
    Scratch scratch;
    PrefillSecondFile(scratch.Dir(), static_cast<int>(state.range(0)));
    const std::string path = SecondRecordFileName(scratch.Dir(), kStart);
    TSampleRec sample;
    for (auto _ : state) {
        auto lines = ReadTextLines(path);
        lines.push_back(SecondDataRow(kStart, sample));
        WriteTextLines(path, lines);
    }
}
BENCHMARK(BM_RewriteWholeSecondFile)->Arg(10)->Arg(86400)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
