#include "logger/sensor_logger.h"

#include "base/text_file.h"
#include "serial/com_text.h"

#include <utility>

namespace qvr {

namespace {

// The system's reason on one line: journald shows one entry per line.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

SensorLogger::SensorLogger(Config config, const Clock& clock, TComHandOver* handOver,
                           std::function<void(const std::string&)> say)
    : config_(std::move(config)), clock_(clock), say_(std::move(say)),
      history_(std::make_unique<TSampleHistory>()), ctx_{sample_, *history_,       sts_,   prm_,
                                                         clock_,  config_.dataDir, nullptr},
      link_(sts_.PortName, config_.dataDir, handOver), exchange_(link_), recorder_(ctx_) {
    ctx_.exchange = &exchange_;
    sts_.SecRec = config_.seconds;
    sts_.FastMode = config_.fast;
    link_.Tag = 0;
    try {
        if (!config_.configFile.empty())
            link_.ComPortM->LoadSettings(stIniFile, config_.configFile);
        else if (FileExists(link_.PortSettingsFile()))
            link_.LoadPortSettings();
    } catch (const std::exception& e) {
        Say("port settings: " + OneLine(e.what()) + "; using the defaults");
    }
    if (!config_.port.empty()) link_.ComPortM->SetPort(config_.port);
    if (!config_.baud.empty()) link_.ComPortM->SetBaudRate(StrToBaudRate(config_.baud));
}

SensorLogger::~SensorLogger() {
    link_.ClosePort();
}

const std::string& SensorLogger::PortName() const {
    return link_.ComPortM->Port();
}

void SensorLogger::Say(const std::string& line) {
    if (say_) say_(line);
}

void SensorLogger::Start() {
    exchange_.Collecting = true;
    if (!link_.OpenPort()) link_.Reconnect.LineFailed();
    ReportState();
}

void SensorLogger::PollTick() {
    link_.Reconnect.Tick();
    if (!link_.PortConnected()) {
        sample_.Valid = false;
        sample_.Sent = 0;
        validity_.Stop();
        ReportState();
        return;
    }
    const TDateTime now = clock_.Now();
    validity_.Collect(PollCycle(counters_, exchange_, sample_, sts_.FastMode), now);
    const bool windDir = IsWindDirModel(sample_.ModelNo);
    sts_.WindDirModel = windDir;
    sample_.Valid = validity_.Valid(clock_.Now(), sts_.FastMode, windDir);
    sample_.Sent = sample_.Valid ? PolledFields(sts_.FastMode, windDir) : 0;
    ReportState();
}

void SensorLogger::RecordTick() {
    recorder_.RecordTick();
    const RecordTrouble& trouble = recorder_.Trouble();
    if (trouble.Failing != lastTrouble_) {
        lastTrouble_ = trouble.Failing;
        Say(trouble.Failing ? "records: row lost: " + OneLine(trouble.Reason)
                            : "records: writing again");
    }
}

void SensorLogger::Finish() {
    if (recorder_.StatCount() > 0) {
        // The statistics hold only valid samples; the row is theirs even when
        // the last tick found the sensor silent.
        const bool valid = sample_.Valid;
        sample_.Valid = true;
        recorder_.WriteMinuteRecord();
        sample_.Valid = valid;
    }
    link_.ClosePort();
}

void SensorLogger::ReportState() {
    std::string port;
    if (link_.PortConnected())
        port = "port " + PortName() + " open";
    else if (link_.Reconnect.Active())
        port = "port " + PortName() +
               " closed: " + OneLine(link_.PortFailure.empty() ? "not opened" : link_.PortFailure) +
               "; trying again every 2 s";
    else
        port = "port " + PortName() + " closed";
    if (port != lastPortState_) {
        lastPortState_ = port;
        Say(port);
    }

    const TDateTime now = clock_.Now();
    const DataStateReport report = validity_.State(now, sts_.FastMode, sts_.WindDirModel);
    std::string data;
    switch (report.State) {
    case DataState::Stopped:
        data = "";
        break;
    case DataState::Connecting:
        data = "waiting for a full reading";
        break;
    case DataState::NoAnswer:
        data = "no answer from the sensor";
        break;
    case DataState::Receiving:
        data = "receiving";
        break;
    }
    if (!data.empty() && data != lastDataState_) Say(data);
    lastDataState_ = data;
}

} // namespace qvr
