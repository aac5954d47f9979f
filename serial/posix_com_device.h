#pragma once

#include "serial/com_device.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qvr {

// The device path of a port name: a name starting with "/" is a path, "COMn"
// is /dev/ttyS(n-1), any other name is /dev/ followed by the name.
std::string PosixDevicePath(const std::string& port);

// Serial devices through termios. The device is opened non-blocking and
// exclusive; received bytes are moved into a queue of InputSize bytes owned
// by this object (NUL bytes dropped there when DiscardNull is set), so the
// count the event reports is exactly what a read then delivers. Bytes moved
// there after the event counted the queue (during a slow handler, or by a
// read that found more than it was asked for) get an event of their own.
class TPosixComDevice : public TComDevice {
public:
    TPosixComDevice() = default;
    ~TPosixComDevice() override;

    int Open(const std::string& port) override;
    int Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    int SetBuffers(std::int32_t inputSize, std::int32_t outputSize) override;
    int SetLine(const TComLineSettings& settings) override;
    int SetTimeouts(const TComTimeoutSettings& timeouts) override;
    int Purge(int actions) override;

    int StartWrite(TAsync& async) override;
    int StartRead(TAsync& async, std::size_t count) override;
    int Finish(TAsync& async, std::size_t& transferred) override;

    int ClearError(TComErrors& errors, std::uint32_t& inputCount,
                   std::uint32_t& outputCount) override;
    int ModemStatus(TComSignals& lines) override;

    std::unique_ptr<TComEventWaiter> CreateWaiter(TComEvents mask, int& error) override;

    // State shared with the event thread's waiter.
    struct Shared {
        Shared();
        ~Shared();
        std::atomic<std::uint32_t> errors{0}; // TComErrors bits
        std::atomic<bool> txPending{false};   // written bytes not yet reported sent
        std::atomic<bool> hungUp{false};
        // Bytes moved into the input queue that no event has counted yet:
        // they left the device, so its readiness no longer tells of them.
        std::atomic<bool> unannounced{false};
        std::atomic<bool> polling{false}; // the waiter sleeps in poll
        // The event character (evRxFlag) as the line settings give it, and
        // whether NUL bytes are dropped (a dropped NUL raises nothing).
        std::atomic<int> eventChar{0};
        std::atomic<bool> discardNull{false};
        // Bytes the waiter took from the device to look for the event
        // character; they come before anything still in the device. The
        // mutex also spans each read of the device, so that order holds.
        std::mutex takenMutex;
        std::vector<std::uint8_t> taken;
        int kick[2] = {-1, -1}; // wakes the waiter
        void Kick();
        // A write the owner saw leave at once (a pseudo-terminal, an adapter
        // that buffers): when, in steady-clock ticks (0: none), and an alarm
        // (Linux: a timer descriptor, else -1) that wakes the waiter when the
        // hold of the write's end is up. Only used while the waiter holds
        // write ends for their answers (holdsTxEnd).
        std::atomic<std::int64_t> txLeftAt{0};
        std::atomic<bool> holdsTxEnd{false};
        int txAlarm = -1;
        void SetTxAlarm(std::chrono::milliseconds after);
    };

    void RxCounted() override;

private:
    // Moves what the waiter took and what the device holds into the input queue.
    void Drain();
    void Queue(const std::uint8_t* bytes, std::size_t count);
    // Tells the waiter that written bytes are leaving the device.
    void NoteWritten();

    int fd_ = -1;
    std::shared_ptr<Shared> shared_;
    std::vector<std::uint8_t> input_;
    std::size_t inputLimit_ = 1024;
    bool discardNull_ = false;
    TComTimeoutSettings timeouts_;
};

} // namespace qvr
