#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace qvr {

// Synchronous hand-over of calls from event threads to the thread that owns
// the ports (the user-interface thread). An event thread's Call blocks until
// the owner has run the call. The owner runs queued calls when it is woken
// (SetWakeUp) and while it waits in ServeUntil, so a port's Close can wait for
// its event thread without the two threads locking each other.
class TComHandOver {
public:
    TComHandOver() = default;
    virtual ~TComHandOver() = default;
    TComHandOver(const TComHandOver&) = delete;
    TComHandOver& operator=(const TComHandOver&) = delete;

    // The process-wide hand-over that ports use unless given another.
    static TComHandOver& Default();

    // Called on an event thread whenever a call is queued; it should make the
    // owner thread call ProcessPending soon (a toolkit posts itself a message).
    void SetWakeUp(std::function<void()> wakeUp);

    // Event thread: runs fn on the owner thread and returns once it has run.
    void Call(const std::function<void()>& fn);

    // Owner thread: runs every queued call; returns how many ran.
    int ProcessPending();
    // Owner thread: waits up to timeout for a call and runs what is queued;
    // for owners without a message loop of their own.
    int WaitAndProcess(std::chrono::milliseconds timeout);
    // Owner thread: serves queued calls until done() holds. done is checked
    // again after each Notify.
    void ServeUntil(const std::function<bool()>& done);
    // Any thread: something ServeUntil waits for may have changed.
    void Notify();
    // Owner thread: a handed-over call is running now. A modal loop started
    // from inside one holds its event thread, and so its line, until it ends.
    bool Running() const { return running_ > 0; }

private:
    struct Item {
        const std::function<void()>* fn;
        bool done = false;
    };
    int RunQueued(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item*> queue_;
    std::function<void()> wakeUp_;
    unsigned notifications_ = 0;
    int running_ = 0; // owner thread only
};

} // namespace qvr
