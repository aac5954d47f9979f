#pragma once

#include "base/clock.h"
#include "core/app_context.h"
#include "core/exchange.h"
#include "core/poll_cycle.h"
#include "core/sample_validity.h"
#include "core/shared_state.h"
#include "link/sensor_link.h"
#include "records/recorder.h"

#include <functional>
#include <memory>
#include <string>

namespace qvr {

// What the logger polls and records: the desktop program's poll cycle,
// validity and recorder on a port of its own, without a window. The owner
// calls PollTick every 250 ms and RecordTick every second on one thread, the
// one that serves the port's hand-over. Each change of state is told once, as
// one line, through `say`.
class SensorLogger {
public:
    struct Config {
        std::string dataDir;    // with a trailing separator; Record/ goes in it
        std::string configFile; // port settings in the "Port0.ini" form; empty: dataDir's Port0.ini
        std::string port;       // overrides the settings' port when not empty
        std::string baud;       // overrides the settings' rate when not empty
        bool seconds = false;
        bool fast = false;
    };

    SensorLogger(Config config, const Clock& clock, TComHandOver* handOver,
                 std::function<void(const std::string&)> say);
    ~SensorLogger();

    // Opens the port; a port that does not open is tried again every 2 s.
    void Start();
    void PollTick();
    void RecordTick();
    // The current minute's row when it holds samples, then the port closed.
    void Finish();

    Recorder& Records() { return recorder_; }
    const TSampleRec& Sample() const { return sample_; }
    const TMySts& Status() const { return sts_; }
    const std::string& PortName() const;
    bool PortOpen() const { return link_.PortConnected(); }
    // An answer to the last request is in, waiting for the next poll tick.
    bool AnswerWaiting() const { return exchange_.AnswerReceived; }

private:
    void Say(const std::string& line);
    void ReportState();

    Config config_;
    const Clock& clock_;
    std::function<void(const std::string&)> say_;
    TSampleRec sample_;
    std::unique_ptr<TSampleHistory> history_;
    TMySts sts_;
    TWritePrm prm_;
    AppContext ctx_;
    SensorLink link_;
    Exchange exchange_;
    PollCounters counters_;
    SampleValidity validity_;
    Recorder recorder_;
    std::string lastPortState_;
    std::string lastDataState_;
    bool lastTrouble_ = false;
};

} // namespace qvr
