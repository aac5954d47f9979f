// qvr-logger: polls and records a QVR anemometer without a window, and
// optionally publishes every reading to an MQTT broker.

#include "base/clock.h"
#include "base/data_folder.h"
#include "base/executable_dir.h"
#include "base/ini_file.h"
#include "core/shared_state.h"
#include "logger/logger_options.h"
#include "logger/sensor_logger.h"
#include "serial/com_hand_over.h"

#ifdef QVR_LOGGER_MQTT
#include "logger/mqtt_messages.h"
#include "logger/mqtt_publisher.h"
#endif
#ifdef QVR_LOGGER_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace qvr;
using SteadyClock = std::chrono::steady_clock;

std::atomic<bool> stopRequested{false};

extern "C" void OnStopSignal(int) {
    stopRequested = true;
}

// One line per change of state on standard error, which journald keeps.
void Say(const std::string& line) {
    std::fprintf(stderr, "qvr-logger: %s\n", line.c_str());
    std::fflush(stderr);
}

void Notify([[maybe_unused]] const char* state) {
#ifdef QVR_LOGGER_SYSTEMD
    sd_notify(0, state);
#endif
}

// Half the watchdog time systemd asks for, or none.
std::chrono::microseconds WatchdogInterval() {
#ifdef QVR_LOGGER_SYSTEMD
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) return std::chrono::microseconds(usec / 2);
#endif
    return std::chrono::microseconds(0);
}

int Run(const LoggerOptions& options) {
    const DataFolder data = ChooseDataFolder(options.DataDir, ExecutableDir(), PerUserDataFolder());
    std::string error;
    if (!MakeDataFolder(data.path, error)) {
        Say("cannot make the data folder " + data.path + ": " + error);
        return 1;
    }
    Say(std::string("version ") + AppVersion + ", data folder " + data.path);

    TComHandOver& handOver = TComHandOver::Default();
    SensorLogger::Config config;
    config.dataDir = data.path;
    config.configFile = options.ConfigFile;
    config.port = options.Port;
    config.baud = options.Baud;
    config.seconds = options.Seconds;
    config.fast = options.Fast;
    // Without a port named somewhere the link's built-in default would be
    // tried for ever: say what is missing instead.
    const std::string portFile =
        options.ConfigFile.empty() ? data.path + "Port0.ini" : options.ConfigFile;
    if (options.Port.empty() && IniFile(portFile).ReadString("ComPortM", "Port", "").empty()) {
        Say("no port: give --port DEV, or [ComPortM] Port in " + portFile);
        return 2;
    }
    SensorLogger logger(config, SystemClock::Instance(), &handOver, Say);

#ifdef QVR_LOGGER_MQTT
    std::unique_ptr<MqttPublisher> publisher;
    if (options.Mqtt.Enabled) {
        std::string serial = options.SerialNo;
        publisher = std::make_unique<MqttPublisher>(options.Mqtt, MqttPrefix(options.Mqtt, serial),
                                                    data.path + "mqtt-queue", Say);
        if (!publisher->Start(error)) {
            Say(error);
            publisher.reset();
        } else {
            Say("publishing under " + publisher->Prefix() + "/");
            const bool fast = options.Fast;
            logger.Records().OnSample = [&publisher, &logger, serial,
                                         fast](TDateTime time, const TSampleRec& sample) {
                publisher->SetStatus(StatusOnlineMessage(sample, serial));
                publisher->Publish("sample", SampleMessage(time, sample, fast));
                (void)logger;
            };
            logger.Records().OnMinuteRow = [&publisher](TDateTime time, const std::string& row,
                                                        std::int32_t count) {
                publisher->Publish("minute", MinuteMessage(time, row, count));
            };
            publisher->SetStatus(StatusOnlineMessage(TSampleRec{}, serial));
        }
    }
#else
    if (options.Mqtt.Enabled) Say("MQTT: this build cannot publish; recording only");
#endif

    logger.Start();
    Notify("READY=1");
    const auto watchdog = WatchdogInterval();

    constexpr auto kPoll = std::chrono::milliseconds(250);
    // The record tick goes with every fourth poll tick: one wake-up for both.
    constexpr int kPollsPerRecord = 4;
    int polls = 0;
    auto nextPoll = SteadyClock::now() + kPoll;
    auto nextWatchdog = SteadyClock::now();
    while (!stopRequested) {
        auto now = SteadyClock::now();
        if (now >= nextPoll) {
            logger.PollTick();
            nextPoll += kPoll;
            if (nextPoll < now) nextPoll = now + kPoll; // after a stall, no burst of ticks
            if (++polls % kPollsPerRecord == 0) logger.RecordTick();
        }
        if (watchdog.count() > 0 && now >= nextWatchdog) {
            Notify("WATCHDOG=1");
            nextWatchdog = now + watchdog;
        }
        now = SteadyClock::now();
        const auto until = nextPoll;
        const auto wait = until > now
                              ? std::chrono::duration_cast<std::chrono::milliseconds>(until - now)
                              : std::chrono::milliseconds(0);
        handOver.WaitAndProcess(std::min(wait + std::chrono::milliseconds(1), kPoll));
    }

    Notify("STOPPING=1");
    Say("stopping");
    logger.Finish();
#ifdef QVR_LOGGER_MQTT
    if (publisher) publisher->Stop(std::chrono::milliseconds(400));
#endif
    Say("stopped");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ParseLoggerOptions(args, error);
    if (!options) {
        Say(error);
        return 2;
    }
    if (options->Help) {
        std::cout << LoggerUsage();
        return 0;
    }
    if (options->Version) {
        std::cout << "qvr-logger " << AppVersion << "\n";
        return 0;
    }
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    try {
        return Run(*options);
    } catch (const std::exception& e) {
        Say(std::string("stopped by an error: ") + e.what());
        return 1;
    }
}
