#include "sim/simulated_sensor.h"

#include "link/frame_codec.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace qvr::sim {

namespace {

constexpr std::size_t kRequestsKept = 10000;
// With nothing to send the loop still looks at hang-up requests this often.
constexpr std::chrono::milliseconds kIdleWait{100};

std::string FrameAnswer(const std::string& payload, bool corrupt) {
    const std::string text = "<" + payload + ">";
    unsigned sum = frame::Checksum(text);
    if (corrupt) sum = (sum + 1) & 0xFF;
    static const char kHex[] = "0123456789ABCDEF";
    return text + kHex[sum >> 4] + kHex[sum & 0xF] + "\r\n";
}

} // namespace

SimulatedSensor::SimulatedSensor(SimulatedSensorOptions options)
    : options_(std::move(options)), device_(options_.truth, options_.seed),
      faultRng_(options_.seed ^ 0x9E3779B97F4A7C15ull),
      byteTime_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(10.0 / std::max(options_.baudRate, 1)))) {
    device_.Conditions() = options_.conditions;
}

SimulatedSensor::~SimulatedSensor() {
    Stop();
}

std::string SimulatedSensor::Start() {
    if (running_) return SlavePath();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    try {
        line_.Open();
        if (!options_.linkPath.empty()) PointLink(options_.linkPath, line_.SlavePath());
    } catch (...) {
        line_.Close();
        ::close(wakeRead_);
        ::close(wakeWrite_);
        wakeRead_ = wakeWrite_ = -1;
        throw;
    }
    {
        std::lock_guard lock(mutex_);
        slavePath_ = line_.SlavePath();
        hangUpRequested_ = false;
        started_ = Clock::now();
    }
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this] { Serve(); });
    return line_.SlavePath();
}

void SimulatedSensor::Stop() {
    if (!running_) return;
    stop_ = true;
    const char c = 's';
    [[maybe_unused]] auto n = ::write(wakeWrite_, &c, 1);
    thread_.join();
    running_ = false;
    std::string path;
    {
        std::lock_guard lock(mutex_);
        path = slavePath_;
        slavePath_.clear();
        changed_.notify_all();
    }
    if (!options_.linkPath.empty()) RemoveLink(options_.linkPath, path);
    line_.Close();
    pending_.clear();
    lineFree_ = {};
    ::close(wakeRead_);
    ::close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
}

double SimulatedSensor::Elapsed() const {
    return std::chrono::duration<double>(Clock::now() - started_).count();
}

void SimulatedSensor::Serve() {
    while (!stop_) {
        {
            std::unique_lock lock(mutex_);
            if (hangUpRequested_) {
                lock.unlock();
                ReopenLine();
                continue;
            }
        }
        line_.ClearExclusive();
        auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(kIdleWait);
        if (!pending_.empty())
            wait = std::clamp(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  NextDelivery(pending_.front()) - Clock::now()),
                              std::chrono::nanoseconds(0), wait);
        const timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                               static_cast<long>(wait.count() % 1000000000)};
        pollfd fds[2] = {{line_.MasterFd(), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN)
            Receive(line_.MasterFd());
        else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // The slave end is held open here, so this should not happen; if it
            // does, wait on the wake pipe rather than spin on the master.
            pollfd wake{wakeRead_, POLLIN, 0};
            ::poll(&wake, 1, 50);
        }
        SendDue(line_.MasterFd());
    }
}

void SimulatedSensor::ReopenLine() {
    pending_.clear();
    lineFree_ = {};
    receiver_ = FrameReceiver();
    std::string error;
    try {
        line_.Open(); // closes the old line first: the program sees the hang-up
        if (!options_.linkPath.empty()) PointLink(options_.linkPath, line_.SlavePath());
    } catch (const std::exception& e) {
        error = e.what();
    }
    std::lock_guard lock(mutex_);
    lastError_ = error;
    hangUpRequested_ = false;
    slavePath_ = line_.IsOpen() ? line_.SlavePath() : std::string();
    ++counters_.hangUps;
    ++lineGeneration_;
    changed_.notify_all();
    if (!line_.IsOpen()) stop_ = true; // no pseudo-terminal to serve; Stop() still cleans up
}

void SimulatedSensor::Receive(int fd) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    std::vector<Pending> answers;
    {
        std::lock_guard lock(mutex_);
        for (auto& frame : receiver_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            std::string payload =
                frame.text.size() >= 2 ? frame.text.substr(1, frame.text.size() - 2) : frame.text;
            ++counters_.requests;
            if (!frame.good) ++counters_.badChecksums;
            if (requests_.size() == kRequestsKept)
                requests_.erase(requests_.begin(), requests_.begin() + kRequestsKept / 10);
            requests_.push_back({payload, frame.good});
            ++requestsSinceClear_;
            if (frame.good) Answer(payload, answers);
        }
        changed_.notify_all();
    }
    for (auto& a : answers) {
        // An answer partly on the line goes on; the others in the order they are due.
        auto from = pending_.begin();
        if (from != pending_.end() && from->sent > 0) ++from;
        const auto at = std::upper_bound(from, pending_.end(), a.due,
                                         [](auto due, const Pending& p) { return due < p.due; });
        if (at != pending_.end()) at->start.reset(); // it starts after the new one now
        pending_.insert(at, std::move(a));
    }
}

// Called with the mutex held.
void SimulatedSensor::Answer(const std::string& payload, std::vector<Pending>& out) {
    device_.SetForcedWrites(faults_.wrongWrites);
    device_.SetEmptyReads(faults_.emptyParamReads, faults_.emptyReadKeys);
    device_.SetUnstoredWrites(faults_.unstoredWrites);
    auto answer = device_.Answer(payload, Elapsed());
    if (!answer) return;
    const bool write = payload.rfind("RW,", 0) == 0;
    if (write && faults_.echoPairs >= 0) {
        std::size_t end = 2; // the comma after "AW"
        for (int n = 0; n < faults_.echoPairs && end != std::string::npos; ++n)
            end = answer->find(',', end + 1);
        if (end != std::string::npos) answer->resize(end + 1);
    }
    std::uniform_real_distribution<double> share(0.0, 1.0);
    const bool droppedWrite = faults_.dropWrites > 0 && write;
    if (droppedWrite) --faults_.dropWrites;
    const bool fallenSilent =
        faults_.silentAfterMs >= 0 &&
        Clock::now() - faultsSetAt_ >= std::chrono::milliseconds(faults_.silentAfterMs);
    if (faults_.mute || fallenSilent || droppedWrite || share(faultRng_) < faults_.dropShare) {
        ++counters_.answersDropped;
        return;
    }
    const bool corrupt = share(faultRng_) < faults_.corruptShare;
    if (corrupt) ++counters_.answersCorrupted;
    Pending p;
    p.due = Clock::now() + std::chrono::milliseconds(std::max(faults_.delayMs, 0));
    p.bytes = FrameAnswer(*answer, corrupt);
    out.push_back(std::move(p));
}

std::size_t SimulatedSensor::Carried(const Pending& p, Clock::time_point at) const {
    if (options_.pacing == LinePacing::Instant || !p.start) return p.bytes.size();
    if (options_.pacing == LinePacing::Burst)
        at = started_ + (at - started_) / kBurstInterval * kBurstInterval;
    if (at <= *p.start) return 0;
    return std::min<std::size_t>(p.bytes.size(),
                                 static_cast<std::size_t>((at - *p.start) / byteTime_));
}

SimulatedSensor::Clock::time_point SimulatedSensor::NextDelivery(Pending& p) {
    if (options_.pacing == LinePacing::Instant) return p.due;
    // The line sends one answer after the other.
    if (!p.start) p.start = std::max(p.due, lineFree_);
    const Clock::time_point onLine = *p.start + static_cast<Clock::rep>(p.sent + 1) * byteTime_;
    if (options_.pacing == LinePacing::Line) return onLine;
    const auto ticks = (onLine - started_ + kBurstInterval - Clock::duration(1)) / kBurstInterval;
    return started_ + ticks * kBurstInterval;
}

void SimulatedSensor::SendDue(int fd) {
    std::size_t sent = 0, lost = 0;
    while (!pending_.empty()) {
        const auto now = Clock::now();
        Pending& p = pending_.front();
        if (NextDelivery(p) > now) break;
        const std::size_t carried = Carried(p, now);
        bool failed = false;
        while (p.sent < carried) {
            const ssize_t n = ::write(fd, p.bytes.data() + p.sent, carried - p.sent);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                failed = true; // nobody is reading and the line is full: the rest is lost
                break;
            }
            p.sent += static_cast<std::size_t>(n);
        }
        if (!failed && p.sent < p.bytes.size()) break; // the rest is still on its way
        if (p.start) lineFree_ = *p.start + static_cast<Clock::rep>(p.bytes.size()) * byteTime_;
        (failed ? lost : sent) += 1;
        pending_.erase(pending_.begin());
    }
    if (sent || lost) {
        std::lock_guard lock(mutex_);
        counters_.answersSent += sent;
        counters_.answersDropped += lost;
    }
}

std::string SimulatedSensor::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

std::string SimulatedSensor::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

void SimulatedSensor::SetTunnelSpeed(double v) {
    std::lock_guard lock(mutex_);
    device_.Conditions().tunnelSpeed = std::max(v, 0.0);
}

void SimulatedSensor::SetAirTemperature(double celsius) {
    std::lock_guard lock(mutex_);
    device_.Conditions().airTemperature = celsius;
}

void SimulatedSensor::SetNoise(double level) {
    std::lock_guard lock(mutex_);
    device_.Conditions().noise = std::max(level, 0.0);
}

void SimulatedSensor::SetWindDirection(double degrees) {
    std::lock_guard lock(mutex_);
    device_.Conditions().windDirection = degrees;
}

void SimulatedSensor::SetModel(double model) {
    std::lock_guard lock(mutex_);
    device_.Conditions().model = model;
}

void SimulatedSensor::SetLinear(bool on, double gain, double offset) {
    std::lock_guard lock(mutex_);
    auto& c = device_.Conditions();
    c.linear = on;
    c.gain = on ? gain : 1.0;
    c.offset = on ? offset : 0.0;
}

SensorConditions SimulatedSensor::Conditions() const {
    std::lock_guard lock(mutex_);
    return device_.Conditions();
}

void SimulatedSensor::SetConditions(const SensorConditions& conditions) {
    std::lock_guard lock(mutex_);
    device_.Conditions() = conditions;
}

void SimulatedSensor::SetFaults(const SensorFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
    faultsSetAt_ = Clock::now();
}

SensorFaults SimulatedSensor::Faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

std::string SimulatedSensor::HangUp() {
    std::unique_lock lock(mutex_);
    if (!running_ || stop_) return std::string();
    const std::size_t generation = lineGeneration_;
    hangUpRequested_ = true;
    const char c = 'h';
    [[maybe_unused]] auto n = ::write(wakeWrite_, &c, 1);
    changed_.wait(lock, [&] { return lineGeneration_ != generation || !running_ || stop_; });
    return lineGeneration_ != generation ? slavePath_ : std::string();
}

std::vector<std::pair<std::string, float>> SimulatedSensor::Parameters() const {
    std::lock_guard lock(mutex_);
    return device_.Parameters().All();
}

std::optional<float> SimulatedSensor::Parameter(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return device_.Parameters().Value(key);
}

bool SimulatedSensor::SetParameter(const std::string& key, float value) {
    std::lock_guard lock(mutex_);
    return device_.Parameters().Set(key, value);
}

void SimulatedSensor::ResetParameters() {
    std::lock_guard lock(mutex_);
    device_.Parameters().Reset();
}

bool SimulatedSensor::WriteSessionOpen() const {
    std::lock_guard lock(mutex_);
    return device_.Parameters().SessionOpen();
}

SensorReading SimulatedSensor::Measure() {
    std::lock_guard lock(mutex_);
    return device_.Measure(Elapsed());
}

std::vector<ReceivedRequest> SimulatedSensor::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void SimulatedSensor::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
    requestsSinceClear_ = 0;
}

bool SimulatedSensor::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requestsSinceClear_ >= count; });
}

SensorCounters SimulatedSensor::Counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

} // namespace qvr::sim
