// Round trip of one 25-byte frame: the port writes it to a pseudo-terminal,
// an echoing far end sends it back, the event thread hands the reception to
// the owner thread and the handler reads it; each as a multiple (x_bare_echo)
// of a bare echo through a pseudo-terminal measured in the same run. And the processor time of an
// open port that has nothing to do.
#include "serial/com_hand_over.h"
#include "serial/com_port.h"
#include "serial/qt_com_hand_over.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const std::string kFrame = "<AD:W=12.34,T1=23.4,>5C\r\n"; // 25 bytes

// A pseudo-terminal whose master echoes every byte on a thread of its own.
class EchoPty {
public:
    EchoPty() {
        char name[128] = {};
        openpty(&master_, &slave_, name, nullptr, nullptr);
        path_ = name;
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
        pipe(stop_);
        thread_ = std::thread([this] { Run(); });
    }
    ~EchoPty() {
        const char b = 1;
        [[maybe_unused]] ssize_t n = write(stop_[1], &b, 1);
        thread_.join();
        close(master_);
        close(slave_);
        close(stop_[0]);
        close(stop_[1]);
    }
    const std::string& Path() const { return path_; }

private:
    void Run() {
        char buf[512];
        for (;;) {
            pollfd fds[2] = {{master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 || fds[1].revents) return;
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n > 0) [[maybe_unused]]
                ssize_t w = write(master_, buf, static_cast<std::size_t>(n));
        }
    }
    int master_ = -1, slave_ = -1, stop_[2] = {-1, -1};
    std::string path_;
    std::thread thread_;
};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

void Report(benchmark::State& state, const std::vector<double>& us) {
    state.counters["median_us"] = Percentile(us, 0.5);
    state.counters["p99_us"] = Percentile(us, 0.99);
}

// The floor of any round trip through a pseudo-terminal: the frame written on
// the raw slave, the same echoing far end, the echo read back with poll; no
// port, no event thread, no hand-over.
std::vector<double> BareEchoRoundTrips(int count) {
    EchoPty pty;
    const int fd = open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    std::vector<double> us;
    char buf[64];
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        [[maybe_unused]] ssize_t w = write(fd, kFrame.data(), kFrame.size());
        std::size_t got = 0;
        while (got < kFrame.size()) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 100);
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    close(fd);
    return us;
}

// Measured once per run, by the first benchmark that needs it.
const std::vector<double>& BareEcho() {
    static const std::vector<double> us = BareEchoRoundTrips(2000);
    return us;
}

// Writes the frame and times its echo, `iterations` times; waitOnce lets the
// owner thread take deliveries its own way.
template <class WaitOnce>
void TimeRoundTrips(benchmark::State& state, const std::string& path, qvr::TComHandOver* handOver,
                    WaitOnce waitOnce) {
    qvr::TComPort port("ComPortM", handOver);
    port.SetPort(path);
    port.SetBaudRate(qvr::br38400);
    port.SetDiscardNull(true);
    port.SetEventChar('\n'); // as the sensor link sets it: a frame's line end
    std::string got;
    port.OnRxChar = [&](qvr::TCustomComPort* sender, int count) {
        std::string s;
        sender->ReadStr(s, count);
        got += s;
    };
    port.Open();
    std::vector<double> us;
    for (auto _ : state) {
        got.clear();
        const auto start = Clock::now();
        port.WriteStr(kFrame);
        while (got.size() < kFrame.size())
            waitOnce();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    port.Close();
    Report(state, us);
    // How many bare echoes one round trip through the port costs, in this run.
    state.counters["x_bare_echo"] = Percentile(us, 0.5) / Percentile(BareEcho(), 0.5);
}

// 2000 bare echoes in one iteration; the round trips below are compared with these.
void BM_BarePtyEcho(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(BareEcho().data());
    Report(state, BareEcho());
}
BENCHMARK(BM_BarePtyEcho)->Iterations(1)->Unit(benchmark::kMillisecond);

// Owner thread without a toolkit: it blocks in the hand-over.
void BM_FrameRoundTrip(benchmark::State& state) {
    EchoPty pty;
    qvr::TComHandOver handOver;
    TimeRoundTrips(state, pty.Path(), &handOver,
                   [&] { handOver.WaitAndProcess(std::chrono::milliseconds(100)); });
}
BENCHMARK(BM_FrameRoundTrip)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// The same through the Qt event loop, as the program runs it.
void BM_FrameRoundTripQt(benchmark::State& state) {
    static int argc = 1;
    static char arg0[] = "serial_bench";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    qvr::InstallQtComSupport();
    EchoPty pty;
    TimeRoundTrips(state, pty.Path(), nullptr,
                   [] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); });
}
BENCHMARK(BM_FrameRoundTripQt)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Processor time of the whole process while an open port waits 10 s for data.
void BM_IdleOpenPortCpu(benchmark::State& state) {
    EchoPty pty;
    qvr::TComHandOver handOver;
    qvr::TComPort port("ComPortM", &handOver);
    port.SetPort(pty.Path());
    port.Open();
    double cpuMs = 0;
    for (auto _ : state) {
        timespec a{}, b{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end)
            handOver.WaitAndProcess(std::chrono::milliseconds(500));
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
        cpuMs = (double(b.tv_sec - a.tv_sec) * 1e3) + double(b.tv_nsec - a.tv_nsec) / 1e6;
    }
    port.Close();
    state.counters["cpu_ms_per_10s"] = cpuMs;
}
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
