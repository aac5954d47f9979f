#include "serial/com_hand_over.h"

namespace qvr {

TComHandOver& TComHandOver::Default() {
    static TComHandOver instance;
    return instance;
}

void TComHandOver::SetWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(mutex_);
    wakeUp_ = std::move(wakeUp);
}

void TComHandOver::Call(const std::function<void()>& fn) {
    Item item{&fn};
    std::function<void()> wakeUp;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(&item);
        wakeUp = wakeUp_;
    }
    changed_.notify_all();
    if (wakeUp) wakeUp();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return item.done; });
}

int TComHandOver::RunQueued(std::unique_lock<std::mutex>& lock) {
    int ran = 0;
    while (!queue_.empty()) {
        Item* item = queue_.front();
        queue_.pop_front();
        lock.unlock();
        ++running_;
        try {
            (*item->fn)();
        } catch (...) {
            // The event thread must be released whatever the call did.
        }
        --running_;
        lock.lock();
        item->done = true;
        ++ran;
        // Woken with the lock free, the caller need not wake a second time
        // to wait for it.
        lock.unlock();
        changed_.notify_all();
        lock.lock();
    }
    return ran;
}

int TComHandOver::ProcessPending() {
    std::unique_lock lock(mutex_);
    return RunQueued(lock);
}

int TComHandOver::WaitAndProcess(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
    return RunQueued(lock);
}

void TComHandOver::ServeUntil(const std::function<bool()>& done) {
    std::unique_lock lock(mutex_);
    for (;;) {
        RunQueued(lock);
        const unsigned seen = notifications_;
        lock.unlock();
        if (done()) return;
        lock.lock();
        changed_.wait(lock, [&] { return !queue_.empty() || notifications_ != seen; });
    }
}

void TComHandOver::Notify() {
    {
        std::lock_guard lock(mutex_);
        ++notifications_;
    }
    changed_.notify_all();
}

} // namespace qvr
