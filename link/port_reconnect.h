#pragma once

#include <QTimer>
#include <functional>
#include <utility>

namespace qvr {

// Reopens the sensor's port after the line failed under it (a USB adapter
// unplugged or reset, a peer that hung up): one attempt every 2 s until the
// port opens or the operator closes it, so that an unattended recording
// survives a glitch. A port the operator closed stays closed.
class PortReconnect {
public:
    static constexpr int kIntervalMs = 2000;

    // reopen: opens the port with its current settings; true when it opened.
    explicit PortReconnect(std::function<bool()> reopen, int intervalMs = kIntervalMs)
        : reopen_(std::move(reopen)) {
        timer_.setInterval(intervalMs);
        timer_.callOnTimeout([this] { Attempt(); });
    }

    // The link closed the port because the line failed.
    void LineFailed() { timer_.start(); }
    // The port opened, or the operator closed it: no more attempts.
    void Stop() { timer_.stop(); }
    bool Active() const { return timer_.isActive(); }

private:
    void Attempt() {
        // Opening lets pending events run, this timer's among them.
        if (attempting_) return;
        attempting_ = true;
        const bool opened = reopen_();
        attempting_ = false;
        if (opened) Stop();
    }

    std::function<bool()> reopen_;
    QTimer timer_;
    bool attempting_ = false;
};

} // namespace qvr
