// The record viewer's hot paths, each against its yardstick in the same run:
// reading and first drawing a day's second file (86,400 rows) against reading
// its lines with std::getline, and redrawing a month of second rows at any
// zoom against redrawing a day.
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
#include <thread>

namespace {

using namespace qvr;

TDateTime FirstDay() {
    return EncodeDateTime({2024, 5, 1, 0, 0, 0, 0});
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
                s.WindSpeed =
                    static_cast<float>(3 + 2 * std::sin(i / 900.0) + (i * 7919 % 100) / 100.0);
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

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
