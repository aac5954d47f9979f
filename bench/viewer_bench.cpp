// The record viewer's hot paths, each against its yardstick in the same run:
// reading and first drawing a day's second file (86,400 rows) against reading
// its lines with std::getline, redrawing a month of second rows at any zoom
// against redrawing a day, and the whole program opening a month, drawing it
// and writing it as a picture against Kst doing the same with the same
// readings (BM_MonthToPngAgainstKst; needs the Debian package kst).
#include "base/text_file.h"
#include "records/record_lines.h"
#include "viewer/viewer_form.h"

#include "ui/plot.h"
#include <QApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace qvr;

TDateTime FirstDay() {
    return EncodeDateTime({2024, 5, 1, 0, 0, 0, 0});
}

// The wind speed of second i of a day.
float Wind(int i) {
    return static_cast<float>(3 + 2 * std::sin(i / 900.0) + (i * 7919 % 100) / 100.0);
}

// Second files for May, written once and kept for the run.
struct Month {
    std::filesystem::path dir;
    QStringList days;
    Month() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qvr-viewer-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        TSampleRec s;
        for (int d = 0; d < 31; ++d) {
            std::vector<std::string> lines{SecondHeaderLine()};
            lines.reserve(86401);
            for (int i = 0; i < 86400; ++i) {
                s.WindSpeed = Wind(i);
                s.AirTemp = static_cast<float>(15 + 5 * std::sin((d * 86400 + i) / 14000.0));
                lines.push_back(SecondDataRow(FirstDay() + d + i / 86400.0, s));
            }
            const std::string path = SecondRecordFileName(dir.string() + "/", FirstDay() + d);
            ForceDirectories(RecordFolder(dir.string() + "/"));
            WriteTextLines(path, lines);
            days.append(QString::fromStdString(path));
        }
    }
    ~Month() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // The month's wind speeds as a plain numeric file (seconds from the
    // first, then the value as the second files write it), for Kst.
    std::string Plain() {
        const std::string path = (dir / "month.txt").string();
        if (std::filesystem::exists(path)) return path;
        std::FILE* f = std::fopen(path.c_str(), "w");
        for (int d = 0; d < 31; ++d)
            for (int i = 0; i < 86400; ++i)
                std::fprintf(f, "%d %1.3f\n", d * 86400 + i, Wind(i));
        std::fclose(f);
        return path;
    }
};

Month& TheMonth() {
    static Month m;
    return m;
}

void WaitLoaded(ViewerForm& v) {
    while (v.Loading()) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::yield();
    }
    QApplication::processEvents();
}

// The yardstick: the day's lines read with std::getline.
void BM_GetlineDay(benchmark::State& state) {
    const std::string path = TheMonth().days[0].toStdString();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        std::size_t n = 0;
        while (std::getline(in, line))
            ++n;
        benchmark::DoNotOptimize(n);
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_GetlineDay)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reader alone, and the reader with the drawing structures, on this thread.
void BM_ParseDay(benchmark::State& state) {
    const std::string path = TheMonth().days[0].toStdString();
    std::size_t rows = 0;
    for (auto _ : state) {
        RecordData d = ReadRecordFile(path);
        rows = d.Rows();
        if (state.range(0)) benchmark::DoNotOptimize(RecordView(std::move(d)));
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ParseDay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the operator waits for: the day read on the worker thread, handed over
// and drawn once. The window idles in its event loop meanwhile, as it does for
// the operator: a busy wait here would take a core from the reader.
void BM_ReadAndFirstDrawDay(benchmark::State& state) {
    ViewerForm v;
    v.resize(1000, 620);
    v.show();
    QEventLoop drawn;
    QApplication::processEvents();
    QObject::connect(v.ViewerChart, &QCustomPlot::afterReplot, &drawn, [&] {
        if (!v.Loading()) drawn.quit();
    });
    const QStringList day{TheMonth().days[0]};
    for (auto _ : state) {
        v.Load(day);
        drawn.exec();
        // The drawn buffer onto the window.
        v.ViewerChart->repaint();
    }
    state.counters["rows"] = static_cast<double>(v.View()->Data().Rows());
}
BENCHMARK(BM_ReadAndFirstDrawDay)->Unit(benchmark::kMillisecond)->UseRealTime();

// A redraw after a zoom: a day or the month in memory; in view everything,
// a tenth, or a thousandth of it.
void BM_Redraw(benchmark::State& state) {
    ViewerForm v;
    v.resize(1000, 620);
    v.show();
    const int days = static_cast<int>(state.range(0));
    QStringList files;
    for (int d = 0; d < days; ++d)
        files.append(TheMonth().days[d]);
    const std::size_t heapBefore = mallinfo2().uordblks;
    v.Load(files);
    WaitLoaded(v);
    const double heapMB = static_cast<double>(mallinfo2().uordblks - heapBefore) / 1e6;
    const TDateTime first = v.View()->First(), last = v.View()->Last();
    const double part = 1.0 / static_cast<double>(state.range(1));
    const double width = (last - first) * part;
    int step = 0;
    // The rows' lines for the span, and the drawing: what each part costs.
    double lineNs = 0, drawNs = 0;
    int n = 0;
    for (auto _ : state) {
        // A different span each time, so that nothing is left from the last.
        const TDateTime from =
            first + std::fmod(step++ * 0.37 * width, (last - first) - width + 1e-9);
        const auto t0 = std::chrono::steady_clock::now();
        v.SetSpan(from, from + width);
        const auto t1 = std::chrono::steady_clock::now();
        v.ViewerChart->replot();
        const auto t2 = std::chrono::steady_clock::now();
        lineNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        drawNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        ++n;
    }
    state.counters["line_ms"] = lineNs / n / 1e6;
    state.counters["draw_ms"] = drawNs / n / 1e6;
    state.counters["rows"] = static_cast<double>(v.View()->Data().Rows());
    state.counters["heap_MB"] = heapMB;
    state.counters["view_MB"] = static_cast<double>(v.View()->Bytes()) / 1e6;
}
BENCHMARK(BM_Redraw)
    ->ArgsProduct({{1, 31}, {1, 10, 1000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One run of a program: its wall time and its peak resident memory.
struct RunCost {
    double Seconds = 0;
    double CpuSeconds = 0; // user and system: less swayed by a shared machine
    double PeakMB = 0;
    bool Ok = false;
};

RunCost Run(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    RunCost cost;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        // Quiet: their notes on the offscreen platform are not the figures.
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return cost;
    cost.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    cost.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    cost.PeakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    cost.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return cost;
}

// A month of second rows (31 day files, 2.68 million rows) opened, drawn and
// written as a PNG by the program's viewer ("--view" with QVR_VIEW_SHOT), and
// by Kst from the same readings as a plain numeric file, turn about in the
// same run: each run's figures, and the ratios of the means.
void BM_MonthToPngAgainstKst(benchmark::State& state) {
    Month& month = TheMonth();
    const std::string plain = month.Plain();
    const std::string ourPng = (month.dir / "ours.png").string();
    const std::string kstPng = (month.dir / "kst.png").string();
    std::vector<std::string> ours{QVR_MONITOR_PROGRAM, "--view"};
    for (const QString& day : month.days)
        ours.push_back(day.toStdString());
    const std::vector<std::string> kst{"kst2", plain, "-x", "1", "-y", "2", "--png", kstPng};
    RunCost sumOurs, sumKst;
    int run = 0;
    for (auto _ : state) {
        std::filesystem::remove(ourPng);
        std::filesystem::remove(kstPng);
        const RunCost a = Run(ours, {"QVR_VIEW_SHOT=" + ourPng});
        const RunCost b = Run(kst, {});
        if (!a.Ok || !b.Ok || !std::filesystem::exists(ourPng) ||
            !std::filesystem::exists(kstPng)) {
            state.SkipWithError("a run failed or wrote no picture (is kst installed?)");
            return;
        }
        std::fprintf(stderr,
                     "run %d: ours %.2f s (cpu %.2f s) %.0f MB, Kst %.2f s (cpu %.2f s) %.0f MB\n",
                     ++run, a.Seconds, a.CpuSeconds, a.PeakMB, b.Seconds, b.CpuSeconds, b.PeakMB);
        sumOurs.Seconds += a.Seconds;
        sumOurs.CpuSeconds += a.CpuSeconds;
        sumKst.CpuSeconds += b.CpuSeconds;
        sumOurs.PeakMB = std::max(sumOurs.PeakMB, a.PeakMB);
        sumKst.Seconds += b.Seconds;
        sumKst.PeakMB = std::max(sumKst.PeakMB, b.PeakMB);
    }
    state.counters["ours_s"] = sumOurs.Seconds / run;
    state.counters["kst_s"] = sumKst.Seconds / run;
    state.counters["time_ratio"] = sumOurs.Seconds / sumKst.Seconds;
    state.counters["cpu_ratio"] = sumOurs.CpuSeconds / sumKst.CpuSeconds;
    state.counters["ours_peak_MB"] = sumOurs.PeakMB;
    state.counters["kst_peak_MB"] = sumKst.PeakMB;
    state.counters["memory_ratio"] = sumOurs.PeakMB / sumKst.PeakMB;
}
BENCHMARK(BM_MonthToPngAgainstKst)->Iterations(5)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
