#pragma once

#include "serial/com_hand_over.h"
#include "serial/com_port.h"
#include "tests/serial/pty_pair.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qvr::test {

// A port configured as the program's own, on a pseudo-terminal, with the
// test thread as its owner thread.
class PortFixture : public ::testing::Test {
protected:
    PortFixture() : port(std::make_unique<TComPort>("ComPortM", &handOver)) {
        port->SetPort(pty.Path());
        port->SetBaudRate(br38400);
        port->SetDiscardNull(true);
        port->Buffer().SetInputSize(2048);
    }

    // Serves hand-overs until done() holds or the time is up.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            handOver.WaitAndProcess(std::chrono::milliseconds(10));
        }
        return true;
    }
    // Serves hand-overs for a while, for checking that nothing more arrives.
    int PumpFor(std::chrono::milliseconds span) {
        int ran = 0;
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end)
            ran += handOver.WaitAndProcess(std::chrono::milliseconds(10));
        return ran;
    }
    // Waits until the event thread is blocked handing over a batch.
    void WaitForPendingHandOver() {
        // The hand-over is taken only by the owner thread, so a batch that
        // arrives stays queued; give the thread time to queue it (a write's
        // end is held a while for an answer first).
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }

    PtyPair pty;
    TComHandOver handOver;
    std::unique_ptr<TComPort> port;
};

// Records every link signal as "name:on/off".
struct LinkRecorder {
    TComLink link;
    std::vector<std::string> log;
    LinkRecorder() {
        const char* names[] = {"Conn", "CTS", "DSR",     "RLSD",  "Ring",
                               "Rx",   "Tx",  "TxEmpty", "RxFlag"};
        for (int e : {leConn, leCTS, leDSR, leRLSD, leRx, leTx})
            link.SetSignal(TComLinkEvent(e),
                           [this, n = std::string(names[e])](TCustomComPort*, bool on) {
                               log.push_back(n + (on ? ":on" : ":off"));
                           });
        for (int e : {leRing, leTxEmpty, leRxFlag})
            link.SetNotify(TComLinkEvent(e), [this, n = std::string(names[e])](TCustomComPort*) {
                log.push_back(n);
            });
    }
    bool Has(const std::string& entry) const {
        for (const auto& s : log)
            if (s == entry) return true;
        return false;
    }
};

} // namespace qvr::test
