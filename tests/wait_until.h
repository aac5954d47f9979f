#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace qvr::test {

// Waits until `done` holds, checking every millisecond; false when the
// deadline passes first. For waits on another thread or process: the deadline
// is generous because it only costs time when something is wrong.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace qvr::test
