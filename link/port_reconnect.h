#pragma once

#include <functional>
#include <utility>

namespace qvr {

// Reopens the sensor's port after the line failed under it (a USB adapter
// unplugged or reset, a peer that hung up), so that an unattended recording
// survives a glitch: while the program collects, one attempt every 2 s until
// the port opens or the operator closes it. A port the operator closed stays
// closed. It has no timer of its own: the poll timer calls Tick.
class PortReconnect {
public:
    // 2 s of the poll timer's 250 ms ticks.
    static constexpr int kTicksPerAttempt = 8;

    // reopen: opens the port with its current settings; true when it opened.
    explicit PortReconnect(std::function<bool()> reopen) : reopen_(std::move(reopen)) {}

    // The link closed the port because the line failed.
    void LineFailed() {
        active_ = true;
        ticks_ = 0;
    }
    // The port opened, or the operator closed it: no more attempts.
    void Stop() { active_ = false; }
    bool Active() const { return active_; }

    // One poll tick while collecting; every kTicksPerAttempt-th makes an attempt.
    void Tick() {
        // Opening lets pending events run, a nested tick among them.
        if (!active_ || attempting_ || ++ticks_ < kTicksPerAttempt) return;
        ticks_ = 0;
        attempting_ = true;
        const bool opened = reopen_();
        attempting_ = false;
        if (opened) active_ = false;
    }

private:
    std::function<bool()> reopen_;
    bool active_ = false;
    bool attempting_ = false;
    int ticks_ = 0;
};

} // namespace qvr
