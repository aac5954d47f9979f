#pragma once

#include "serial/com_device.h"
#include "serial/com_types.h"

#include <atomic>
#include <memory>
#include <thread>

namespace qvr {

class TComHandOver;
class TCustomComPort;

// The event thread of one open port: waits for line events and hands each
// batch to the owner thread, blocking until the port's handlers have run.
class TComThread {
public:
    TComThread(TCustomComPort& port, std::unique_ptr<TComEventWaiter> waiter,
               TComHandOver& handOver, TThreadPriority priority);
    // The thread must have ended (Stop, then wait for Finished).
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    // Any thread: ends the wait; the body leaves after the delivery in progress.
    void Stop();
    // True once the body has left; the hand-over is notified then.
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    void Join();

private:
    void Execute();
    void DispatchComMsg(TComEvents events);

    TCustomComPort& port_;
    std::unique_ptr<TComEventWaiter> waiter_;
    TComHandOver& handOver_;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

} // namespace qvr
