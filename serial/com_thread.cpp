#include "serial/com_thread.h"

#include "serial/com_hand_over.h"
#include "serial/custom_com_port.h"

namespace qvr {

TComThread::TComThread(TCustomComPort& port, std::unique_ptr<TComEventWaiter> waiter,
                       TComHandOver& handOver, TThreadPriority /*priority*/)
    : port_(port), waiter_(std::move(waiter)), handOver_(handOver) {
    // The standard thread offers no priorities; every event thread runs at the
    // normal one, which is what the program asks for.
    thread_ = std::thread([this] { Execute(); });
}

TComThread::~TComThread() {
    Stop();
    Join();
}

void TComThread::Stop() {
    stopped_.store(true, std::memory_order_release);
    waiter_->Stop();
    std::this_thread::yield();
}

void TComThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void TComThread::Execute() {
    TComEvents events;
    while (!stopped_.load(std::memory_order_acquire) && waiter_->Wait(events)) {
        if (!events.Empty() && !stopped_.load(std::memory_order_acquire)) DispatchComMsg(events);
    }
    finished_.store(true, std::memory_order_release);
    handOver_.Notify();
}

void TComThread::DispatchComMsg(TComEvents events) {
    handOver_.Call([this, events] { port_.DoEvents(events); });
}

} // namespace qvr
