// Hot paths of the live display: one poll tick, one history step, one chart
// rebuild with a full window of points.
#include "app/main_form.h"
#include "base/number_text.h"
#include "core/poll_cycle.h"
#include "link/comm_ctrl_form.h"
#include "link/frame_codec.h"

#include "ui/log_view.h"
#include "ui/plot.h"
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <memory>

namespace {

using namespace qvr;

struct Fixture {
    TSampleRec current;
    TSampleHistory history{};
    TMySts sts;
    TWritePrm prm;
    ManualClock clock{EncodeDateTime({2024, 5, 29, 12, 0, 0, 0})};
    std::string dir = std::filesystem::temp_directory_path().string() + "/";
    AppContext ctx{current, history, sts, prm, clock, dir};
};

void BM_DecodeAnswer(benchmark::State& state) {
    TKeyValList answer{};
    answer[0] = {"M01", "1.234"};
    answer[1] = {"M11", "25.25"};
    answer[2] = {"C01", "1.301"};
    answer[3] = {"C11", "25.213"};
    answer[4] = {"C12", "25.5"};
    TSampleRec sample;
    for (auto _ : state) {
        DecodeAnswer(answer, sample);
        benchmark::DoNotOptimize(sample);
    }
}
BENCHMARK(BM_DecodeAnswer);

// Decode the previous answer and build and frame the next request.
void BM_PollCycle(benchmark::State& state) {
    Fixture f;
    TMainForm form(f.ctx);
    form.MainTimer->stop();
    TKeyValList answer{};
    answer[0] = {"C32", "16.235"};
    answer[1] = {"C50", "15.1"};
    answer[2] = {"C51", "12.01"};
    answer[3] = {"C52", "1001"};
    answer[4] = {"C53", "0.961"};
    for (auto _ : state) {
        // Sending clears the answer, so each tick gets a fresh one to decode.
        form.AnswerPairs = answer;
        form.AnswerReceived = true;
        form.PollCycle();
    }
}
BENCHMARK(BM_PollCycle);

void BM_HistoryStep(benchmark::State& state) {
    TSampleHistory history{};
    TSampleRec sample;
    double t = 45000;
    for (auto _ : state) {
        HistoryStep(history, sample, t);
        t += 1.0 / 86400;
        benchmark::DoNotOptimize(history);
    }
}
BENCHMARK(BM_HistoryStep);

// RedrawChart with a full window: 599 points normally, 239 in fast mode;
// the second argument puts one reading of kSpikes into the window, whose cost
// must stay that of ordinary wind however large it is.
constexpr float kSpikes[] = {0.0f, 60.0f, 1e4f, 1e6f, 1e9f, -1e9f, 3.4e38f};

void BM_RedrawChart(benchmark::State& state) {
    Fixture f;
    f.sts.FastMode = state.range(0) != 0;
    TMainForm form(f.ctx);
    form.MainTimer->stop();
    form.resize(602, 506);
    form.show();
    const double step = f.sts.FastMode ? 0.25 / 86400 : 1.0 / 86400;
    for (int i = 0; i < 1024; ++i) {
        f.history[i].Valid = true;
        f.history[i].Time = f.clock.Now() - i * step;
        f.history[i].WindSpeed = static_cast<float>(2.0 + (i % 17) * 0.1);
    }
    const float spike = kSpikes[state.range(1)];
    if (spike != 0.0f) f.history[100].WindSpeed = spike;
    for (auto _ : state) {
        form.RedrawChart();
        // The one repaint it causes, painted for real.
        form.RTCWindSpeed->replot();
        benchmark::DoNotOptimize(form.grab());
    }
    state.counters["points"] = static_cast<double>(form.Series1->data()->size());
    state.SetLabel(spike == 0.0f ? "ordinary wind"
                                 : "one reading " + GeneralNumberText(static_cast<double>(spike)));
}
BENCHMARK(BM_RedrawChart)
    ->ArgsProduct({{0, 1}, {0}})
    ->ArgsProduct({{0}, {1, 2, 3, 4, 5, 6}})
    ->Unit(benchmark::kMicrosecond);

// The chart's share of a monitoring second: the time window moves on, the
// line is rebuilt and the queued replot is painted as the event loop does it.
void BM_ChartSecond(benchmark::State& state) {
    Fixture f;
    TMainForm form(f.ctx);
    form.MainTimer->stop();
    form.resize(602, 506);
    form.show();
    for (int i = 0; i < 1024; ++i) {
        f.history[i].Valid = true;
        f.history[i].Time = f.clock.Now() - i / 86400.0;
        f.history[i].WindSpeed = static_cast<float>(2.0 + (i % 17) * 0.1);
    }
    QApplication::processEvents();
    for (auto _ : state) {
        f.clock.AdvanceSeconds(1);
        form.RedrawChart();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ChartSecond)->Unit(benchmark::kMicrosecond);

// The link window's receive log at its cap: the heap a full log takes, and the
// cost of one more good frame (check, log line, the oldest line dropped, repaint).
void BM_ReceiveLogAtCap(benchmark::State& state) {
    TMySts sts;
    const std::string dir = std::filesystem::temp_directory_path().string() + "/";
    const std::size_t heapBefore = mallinfo2().uordblks;
    SensorLink sensor(sts.PortName, dir);
    auto link = std::make_unique<TCommCtrlForm>(sensor);
    link->CBReciveLog->setChecked(true);
    link->show();
    const std::string answer =
        *frame::BuildFrame("AD,M01=12.345,M11=25.25,C01=1.301,C11=25.213,C12=25.50,");
    for (int i = 0; i < TCommCtrlForm::kMaxLogLines; ++i)
        sensor.FeedReceived(answer);
    QApplication::processEvents();
    const double heapMB = (mallinfo2().uordblks - heapBefore) / 1e6;
    for (auto _ : state) {
        sensor.FeedReceived(answer);
        QApplication::processEvents();
    }
    state.counters["lines"] = link->MRecive->lineCount();
    state.counters["heap_MB"] = heapMB;
    state.counters["bytes_per_line"] = heapMB * 1e6 / TCommCtrlForm::kMaxLogLines;
}
BENCHMARK(BM_ReceiveLogAtCap)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
