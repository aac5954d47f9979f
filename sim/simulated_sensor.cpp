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
      faultRng_(options_.seed ^ 0x9E3779B97F4A7C15ull) {
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
        int timeout = 100;
        if (!pending_.empty()) {
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(pending_.front().due - Clock::now());
            timeout = static_cast<int>(std::clamp<long long>(wait.count(), 0, 100));
        }
        pollfd fds[2] = {{line_.MasterFd(), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
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
        const auto at = std::upper_bound(pending_.begin(), pending_.end(), a.due,
                                         [](auto due, const Pending& p) { return due < p.due; });
        pending_.insert(at, std::move(a));
    }
}

// Called with the mutex held.
void SimulatedSensor::Answer(const std::string& payload, std::vector<Pending>& out) {
    device_.SetForcedWrites(faults_.wrongWrites);
    device_.SetEmptyReads(faults_.emptyParamReads, faults_.emptyReadKeys);
    const auto answer = device_.Answer(payload, Elapsed());
    if (!answer) return;
    std::uniform_real_distribution<double> share(0.0, 1.0);
    const bool droppedWrite = faults_.dropWrites > 0 && payload.rfind("RW,", 0) == 0;
    if (droppedWrite) --faults_.dropWrites;
    if (faults_.mute || droppedWrite || share(faultRng_) < faults_.dropShare) {
        ++counters_.answersDropped;
        return;
    }
    const bool corrupt = share(faultRng_) < faults_.corruptShare;
    if (corrupt) ++counters_.answersCorrupted;
    out.push_back({Clock::now() + std::chrono::milliseconds(std::max(faults_.delayMs, 0)),
                   FrameAnswer(*answer, corrupt)});
}

void SimulatedSensor::SendDue(int fd) {
    const auto now = Clock::now();
    std::size_t sent = 0, lost = 0;
    while (!pending_.empty() && pending_.front().due <= now) {
        const std::string& bytes = pending_.front().bytes;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                break; // nobody is reading and the line is full: the answer is lost
            }
            done += static_cast<std::size_t>(n);
        }
        (done == bytes.size() ? sent : lost) += 1;
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
