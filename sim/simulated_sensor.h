#pragma once

#include "sim/frame_receiver.h"
#include "sim/pseudo_terminal.h"
#include "sim/sensor_device.h"
#include "sim/sensor_faults.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qvr::sim {

// How answers leave on the line.
enum class LinePacing {
    Line,    // byte after byte at the baud rate, as a UART sends them
    Burst,   // at the baud rate, handed on every kBurstInterval, as a USB adapter does
    Instant, // each answer in one write
};

// A USB serial adapter passes on what it has received when its latency timer runs out.
inline constexpr std::chrono::milliseconds kBurstInterval{16};

struct SimulatedSensorOptions {
    std::string linkPath; // symbolic link to the slave end; empty for none
    std::uint64_t seed = 1;
    SensorTruth truth;
    SensorConditions conditions;
    LinePacing pacing = LinePacing::Line;
    int baudRate = 38400; // 10 bits a byte: start, 8 data bits, stop
};

// One frame the sensor received.
struct ReceivedRequest {
    std::string payload; // between "<" and ">"
    bool checksumGood;
};

struct SensorCounters {
    std::size_t requests = 0;       // frames received, good or bad
    std::size_t badChecksums = 0;   // of those, with a wrong checksum (never answered)
    std::size_t answersSent = 0;    // answers written to the line, corrupted ones included
    std::size_t answersDropped = 0; // answers withheld by a fault or lost on a full line
    std::size_t answersCorrupted = 0;
    std::size_t hangUps = 0;
};

// The simulated sensor serving a pseudo-terminal from a thread of its own.
// Every method may be called from any thread; none blocks for long.
class SimulatedSensor {
public:
    explicit SimulatedSensor(SimulatedSensorOptions options = {});
    SimulatedSensor(const SimulatedSensor&) = delete;
    SimulatedSensor& operator=(const SimulatedSensor&) = delete;
    ~SimulatedSensor();

    // Opens a fresh pseudo-terminal, points the link at it and starts serving.
    // Returns the slave path. Throws std::system_error or std::runtime_error
    // when the line or the link cannot be set up.
    std::string Start();
    // Stops serving, closes the line (the program sees a hang-up) and removes the link.
    void Stop();
    bool Running() const { return running_; }

    std::string SlavePath() const;
    std::string LinkPath() const { return options_.linkPath; }
    LinePacing Pacing() const { return options_.pacing; }
    int BaudRate() const { return options_.baudRate; }

    // Conditions around the sensor.
    void SetTunnelSpeed(double metresPerSecond);
    void SetAirTemperature(double celsius);
    void SetNoise(double level);
    void SetWindDirection(double degrees);
    void SetModel(double model);
    // Plays M01 as gain × wind + offset; Linear(false) returns to the element's curve.
    void SetLinear(bool on, double gain, double offset);
    SensorConditions Conditions() const;
    void SetConditions(const SensorConditions& conditions);

    // Faults.
    void SetFaults(const SensorFaults& faults);
    SensorFaults Faults() const;
    // Hangs the line up and serves a fresh pseudo-terminal behind the same link.
    // Returns the new slave path once it is served; empty when no new line
    // could be set up (LastError says why; the sensor then stops serving).
    std::string HangUp();
    std::string LastError() const;

    // The stored parameters, as the sensor holds them.
    std::vector<std::pair<std::string, float>> Parameters() const;
    std::optional<float> Parameter(const std::string& key) const;
    // Stores a value as the factory would, without a write session.
    bool SetParameter(const std::string& key, float value);
    bool WriteSessionOpen() const;
    // Back to the factory parameters (and a closed write session).
    void ResetParameters();

    // A reading as the sensor would answer it now.
    SensorReading Measure();

    // What the sensor received, oldest first (the latest 10000).
    std::vector<ReceivedRequest> Requests() const;
    void ClearRequests();
    // Waits until at least `count` requests have been received since start
    // (or the last ClearRequests); false on time-out.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    SensorCounters Counters() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point due; // the answer may start
        std::string bytes;
        std::size_t sent = 0;
        std::optional<Clock::time_point> start; // its first byte went onto the line
    };

    void Serve();
    void Receive(int fd);
    void Answer(const std::string& payload, std::vector<Pending>& out);
    void SendDue(int fd);
    // Bytes of an answer started at `start` that the far end holds at `at`.
    std::size_t Carried(const Pending& p, Clock::time_point at) const;
    // When the front answer has its next byte for the far end.
    Clock::time_point NextDelivery(Pending& p);
    void ReopenLine();
    double Elapsed() const;

    SimulatedSensorOptions options_;
    Clock::time_point started_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    SensorDevice device_;
    SensorFaults faults_;
    Clock::time_point faultsSetAt_;
    std::mt19937_64 faultRng_;
    std::vector<ReceivedRequest> requests_;
    std::size_t requestsSinceClear_ = 0;
    SensorCounters counters_;
    std::string slavePath_;
    bool hangUpRequested_ = false;
    std::size_t lineGeneration_ = 0;
    std::string lastError_;

    // Owned by the serving thread while it runs.
    PseudoTerminal line_;
    FrameReceiver receiver_;
    std::vector<Pending> pending_;
    Clock::time_point lineFree_; // the line has sent the previous answer
    Clock::duration byteTime_;

    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
};

} // namespace qvr::sim
