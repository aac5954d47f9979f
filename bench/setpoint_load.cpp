#include "base/ini_file.h"
#include "base/text_file.h"
#include "bench/scratch_dir.h"
#include "core/setpoint_file.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <string>

// Heap use of the load, counted at the allocator: bytes held at the peak.
namespace {
std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};
} // namespace

[[gnu::noinline]] void* operator new(std::size_t size) {
    void* p = std::malloc(size + sizeof(std::max_align_t));
    if (!p) throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = size;
    const std::size_t now = heapNow += size;
    std::size_t peak = heapPeak;
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + sizeof(std::max_align_t);
}

[[gnu::noinline]] void operator delete(void* p) noexcept {
    if (!p) return;
    void* block = static_cast<char*>(p) - sizeof(std::max_align_t);
    heapNow -= *static_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

using namespace qvr;

enum Shape { kShortLines, kOneLongLine, kBinary, kPlainFile };

// A file of exactly kMaxIniFileBytes: filler of the given shape before a whole
// parameter set (a plain file is the set alone), so every key is looked up
// past all of the filler.
std::string FileOf(Shape shape) {
    TWritePrm prm;
    ResetPrm(prm);
    IniText set;
    {
        Scratch s;
        const std::string path = (s.path / "set.qvr").string();
        SaveSetpointFile(prm, path);
        set = IniText(ReadFileBytes(path));
    }
    if (shape == kPlainFile) return set.Bytes();
    const std::size_t fill = kMaxIniFileBytes - set.Bytes().size();
    std::string filler;
    filler.reserve(fill);
    std::mt19937 random(7);
    while (filler.size() < fill) {
        switch (shape) {
        case kShortLines:
            filler += ";\r\n";
            break;
        case kOneLongLine:
            filler += 'x';
            break;
        default:
            filler += static_cast<char>(random());
            break;
        }
    }
    filler.resize(fill - 2);
    filler += "\r\n";
    return filler + set.Bytes();
}

void LoadLargest(benchmark::State& state) {
    const auto shape = static_cast<Shape>(state.range(0));
    Scratch scratch;
    const std::string path = (scratch.path / "DefaultPrm.qvr").string();
    ReplaceFileBytes(path, FileOf(shape));
    TWritePrm prm;
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t before = heapNow;
        heapPeak = before;
        const SetpointLoad load = LoadChosenSetpointFile(prm, path);
        benchmark::DoNotOptimize(load);
        peak = std::max(peak, heapPeak - before);
        if (!load.Defaulted.empty()) state.SkipWithError("the set was not found whole");
    }
    state.counters["file_bytes"] = double(std::filesystem::file_size(path));
    state.counters["peak_heap_bytes"] = double(peak);
}

BENCHMARK(LoadLargest)
    ->ArgName("shape")
    ->Arg(kShortLines)
    ->Arg(kOneLongLine)
    ->Arg(kBinary)
    ->Arg(kPlainFile)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
