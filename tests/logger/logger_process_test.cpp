// qvr-logger as a service runs it: a real process against the simulated
// sensor on a pseudo-terminal and a real mosquitto broker.

#include "tests/base/temp_dir.h"
#include "tests/logger/broker.h"
#include "tests/wait_until.h"

#include "base/date_time.h"
#include "base/number_text.h"
#include "base/text_file.h"
#include "logger/mqtt_messages.h"
#include "sim/simulated_sensor.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <regex>
#include <set>
#include <sys/un.h>

namespace qvr::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
namespace fs = std::filesystem;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The rows of the day's record files in a data folder (UTF-8 text, headers dropped).
std::vector<std::string> Rows(const std::string& dataDir, const std::string& ext) {
    std::vector<std::string> rows;
    std::error_code ec;
    if (!fs::is_directory(dataDir + "Record", ec)) return rows;
    for (const auto& e : fs::directory_iterator(dataDir + "Record"))
        if (e.path().extension() == ext)
            for (const auto& line : ReadTextLines(e.path().string()))
                if (!line.empty() && line[0] >= '0' && line[0] <= '9') rows.push_back(line);
    return rows;
}

// The UTC second a second row's local stamp "yyyy/mm/dd hh:nn.ss" stands for.
std::string RowUtcSecond(const std::string& row) {
    DateTimeParts p;
    p.year = std::stoi(row.substr(0, 4));
    p.month = std::stoi(row.substr(5, 2));
    p.day = std::stoi(row.substr(8, 2));
    p.hour = std::stoi(row.substr(11, 2));
    p.minute = std::stoi(row.substr(14, 2));
    p.second = std::stoi(row.substr(17, 2));
    return IsoUtcText(EncodeDateTime(p)).substr(0, 19);
}

class LoggerRun : public ::testing::Test {
protected:
    TempDir dir{"qvr-logger-test-"};
    std::vector<std::unique_ptr<sim::SimulatedSensor>> sensors;

    // A simulated sensor behind the link `name` in the test folder.
    std::string StartSensor(const std::string& name = "sensor") {
        sim::SimulatedSensorOptions options;
        options.linkPath = dir.File(name);
        options.seed = 3;
        options.conditions.tunnelSpeed = 5.0;
        options.pacing = sim::LinePacing::Burst;
        sensors.push_back(std::make_unique<sim::SimulatedSensor>(options));
        sensors.back()->Start();
        return options.linkPath;
    }
    std::string Data(const std::string& name = "data") {
        const std::string d = dir.File(name) + "/";
        fs::create_directories(d);
        return d;
    }
    void TearDown() override {
        for (auto& s : sensors)
            s->Stop();
    }
};

// The notify socket systemd would give: a datagram socket the test reads.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~NotifySocket() { ::close(fd_); }
    // What arrives within `within`, datagrams joined by newlines.
    std::string Read(std::chrono::milliseconds within) {
        std::string all;
        const auto end = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char buffer[512];
            const auto n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) all += std::string(buffer, static_cast<std::size_t>(n)) + "\n";
        }
        return all;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

TEST_F(LoggerRun, ReportsReadyRecordsReconnectsAfterAHangUpAndWritesTheMinuteOnSigterm) {
    const std::string link = StartSensor();
    const std::string data = Data();
    NotifySocket notify("/tmp/qvr-notify-" + std::to_string(::getpid()));
    LoggerProcess logger(dir.File("logger.log"));
    ASSERT_TRUE(logger.Start({"--port", link, "--data", data, "--seconds"},
                             {"NOTIFY_SOCKET=" + notify.Path(), "WATCHDOG_USEC=2000000"}));
    const std::string notes = notify.Read(3s);
    EXPECT_NE(notes.find("READY=1"), std::string::npos) << notes;
    EXPECT_NE(notes.find("WATCHDOG=1"), std::string::npos) << notes;
    ASSERT_TRUE(logger.WaitLog("receiving")) << logger.Log();
    ASSERT_TRUE(WaitUntil([&] { return Rows(data, ".csv").size() >= 2; }, 15s));

    // The line hangs up: the logger says so, opens the new line and goes on.
    const std::size_t before = Rows(data, ".csv").size();
    ASSERT_FALSE(sensors[0]->HangUp().empty());
    ASSERT_TRUE(logger.WaitLog("trying again every 2 s")) << logger.Log();
    ASSERT_TRUE(WaitUntil([&] { return Count(logger.Log(), "receiving") >= 2; }, 20s))
        << logger.Log();
    ASSERT_TRUE(WaitUntil([&] { return Rows(data, ".csv").size() >= before + 2; }, 15s));

    const std::size_t minuteRows = Rows(data, ".RCD").size();
    EXPECT_EQ(logger.Stop(SIGTERM), 0) << logger.Log();
    const auto rows = Rows(data, ".RCD");
    ASSERT_EQ(rows.size(), minuteRows + 1) << "the minute so far is written on SIGTERM";
    EXPECT_TRUE(
        std::regex_match(rows.back(), std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d,([-0-9.E]+,){6})")))
        << rows.back();
    const std::string log = logger.Log();
    EXPECT_NE(log.find("qvr-logger: stopped"), std::string::npos) << log;
    EXPECT_EQ(Count(log, "\n"), Count(log, "qvr-logger: ")) << "one line per state: " << log;
}

TEST_F(LoggerRun, WithoutAPortOrWithABadOptionItSaysWhatIsMissingAndEnds) {
    const std::string data = Data();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--data", data},
         "qvr-logger: no port: give --port DEV, or [ComPortM] Port in " + data + "Port0.ini\n"},
        {{"--port"}, "qvr-logger: --port needs a value\n"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        LoggerProcess logger(dir.File("np" + std::to_string(i) + ".log"));
        ASSERT_TRUE(logger.Start(cases[i].first));
        EXPECT_EQ(logger.WaitExit(10s), 2);
        EXPECT_NE(logger.Log().find(cases[i].second), std::string::npos) << logger.Log();
    }
}

TEST_F(LoggerRun, PublishesStatusEverySampleAsRecordedAndTheMinuteToARealBroker) {
    const std::string link = StartSensor();
    const std::string data = Data();
    Broker broker(dir.Dir());
    ASSERT_TRUE(broker.Start()) << FileText(dir.File("broker.log"));
    Subscriber sub(broker.Port(), "qvr/T-01/#");
    ASSERT_TRUE(sub.WaitSubscribed());
    LoggerProcess logger(dir.File("logger.log"));
    ASSERT_TRUE(logger.Start(
        {"--port", link, "--data", data, "--seconds", "--mqtt", broker.Url(), "--serial", "T-01"}));
    ASSERT_TRUE(logger.WaitLog("MQTT: connected to 127.0.0.1:" + std::to_string(broker.Port())))
        << logger.Log();
    ASSERT_TRUE(WaitUntil([&] { return sub.Payloads("qvr/T-01/sample").size() >= 4; }, 20s))
        << logger.Log();
    ASSERT_EQ(logger.Stop(SIGTERM), 0) << logger.Log();
    ASSERT_TRUE(WaitUntil([&] {
        const auto status = sub.Payloads("qvr/T-01/status");
        return !status.empty() && json::parse(status.back())["state"] == "offline";
    })) << "the farewell";

    // The status said who is online before.
    bool online = false;
    for (const auto& s : sub.Payloads("qvr/T-01/status")) {
        const json j = json::parse(s);
        if (j["state"] == "online" && j.contains("model")) {
            online = true;
            EXPECT_EQ(j["serial"], "T-01");
            EXPECT_EQ(j["model"].dump(), "19.1") << "the sensor's digits, not float noise";
            EXPECT_EQ(j["units"]["M01"], "m/s");
        }
    }
    EXPECT_TRUE(online);

    // Every second row has its sample, with the same values; nothing else was sent.
    const auto rows = Rows(data, ".csv");
    std::map<std::string, json> samples;
    for (const auto& s : sub.Payloads("qvr/T-01/sample")) {
        const json j = json::parse(s);
        ASSERT_TRUE(std::regex_match(j["time"].get<std::string>(),
                                     std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
        EXPECT_TRUE(j["valid"].get<bool>());
        EXPECT_TRUE(j.contains("M01") && j.contains("M11") && j.contains("S00"));
        samples[j["time"].get<std::string>().substr(0, 19)] = j;
    }
    ASSERT_EQ(samples.size(), rows.size());
    for (const auto& row : rows) {
        const auto it = samples.find(RowUtcSecond(row));
        ASSERT_NE(it, samples.end()) << row;
        EXPECT_EQ(row.substr(20), FormatFloat("%1.3f,", it->second["M01"].get<double>()) +
                                      FormatFloat("%1.1f,", it->second["M11"].get<double>()));
    }
    // The minute row written on SIGTERM went out too, with its own digits.
    const auto minutes = sub.Payloads("qvr/T-01/minute");
    ASSERT_EQ(minutes.size(), 1u);
    const json minute = json::parse(minutes[0]);
    const std::string row = Rows(data, ".RCD").back();
    EXPECT_EQ(minute["minute"], row.substr(0, 16));
    EXPECT_EQ(minute["average"]["M01"].dump(), row.substr(17, row.find(',', 17) - 17));
    EXPECT_GE(minute["count"].get<int>(), 4);
}

TEST_F(LoggerRun, ABrokerOutageLosesNothingAndKeepsTheOrder) {
    const std::string link = StartSensor();
    const std::string data = Data();
    // The broker keeps the checker's session over its restart.
    Broker broker(dir.Dir(),
                  {"persistence true", "persistence_location " + dir.Dir(), "autosave_interval 1"});
    ASSERT_TRUE(broker.Start());
    auto sub = std::make_unique<Subscriber>(broker.Port(), "qvr/Q/sample", "checker");
    ASSERT_TRUE(sub->WaitSubscribed());
    LoggerProcess logger(dir.File("logger.log"));
    ASSERT_TRUE(logger.Start(
        {"--port", link, "--data", data, "--seconds", "--mqtt", broker.Url(), "--serial", "Q"}));
    ASSERT_TRUE(WaitUntil([&] { return sub->Payloads("qvr/Q/sample").size() >= 2; }, 20s))
        << logger.Log();

    broker.Stop();
    ASSERT_TRUE(logger.WaitLog("lost")) << logger.Log();
    const std::size_t atOutage = Rows(data, ".csv").size();
    ASSERT_TRUE(WaitUntil([&] { return Rows(data, ".csv").size() >= atOutage + 4; }, 20s));
    ASSERT_TRUE(fs::exists(data + "mqtt-queue"));
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(WaitUntil([&] { return Count(logger.Log(), "MQTT: connected") >= 2; }, 20s))
        << logger.Log();
    const std::size_t afterOutage = Rows(data, ".csv").size();
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::set<std::string> got;
            for (const auto& s : sub->Payloads("qvr/Q/sample"))
                got.insert(json::parse(s)["time"].get<std::string>().substr(0, 19));
            return got.size() >= afterOutage;
        },
        20s))
        << logger.Log();
    ASSERT_EQ(logger.Stop(SIGTERM), 0);

    // Every recorded second arrived, first arrivals in order (QoS 1 may repeat one).
    std::vector<std::string> firsts;
    std::set<std::string> seen;
    for (const auto& s : sub->Payloads("qvr/Q/sample")) {
        const std::string t = json::parse(s)["time"].get<std::string>();
        if (seen.insert(t).second) firsts.push_back(t);
    }
    EXPECT_TRUE(std::is_sorted(firsts.begin(), firsts.end()));
    std::set<std::string> seconds;
    for (const auto& t : firsts)
        seconds.insert(t.substr(0, 19));
    for (const auto& row : Rows(data, ".csv"))
        EXPECT_TRUE(seconds.contains(RowUtcSecond(row))) << "missing " << row;
}

// A setting that cannot work gives one line; the records go on regardless.
TEST_F(LoggerRun, ABadUrlAWrongPasswordAndARefusingBrokerEachGiveOneLineAndRecordingGoesOn) {
    Broker guarded(dir.Dir(), {"allow_anonymous false", "password_file " + dir.File("passwords")});
    ASSERT_EQ(
        std::system(("mosquitto_passwd -c -b " + dir.File("passwords") + " qvr right-one").c_str()),
        0);
    ASSERT_TRUE(guarded.Start()) << FileText(dir.File("broker.log"));
    std::ofstream(dir.File("wrong.ini")) << "[MQTT]\r\nEnabled=1\r\nUrl=" << guarded.Url()
                                         << "\r\nUser=qvr\r\nPassword=s3cret-wrong\r\n";
    const int closed = FreeLoopbackPort();
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{"--mqtt", "mqtt://127.0.0.1:99999"},
         "qvr-logger: MQTT: bad port \"99999\" in \"mqtt://127.0.0.1:99999\"; not publishing\n"},
        {{"--mqtt", "mqtt://127.0.0.1:" + std::to_string(closed)},
         "qvr-logger: MQTT: cannot connect to 127.0.0.1:" + std::to_string(closed) +
             ": Connection refused; trying again every 2 s\n"},
        {{"--config", dir.File("wrong.ini")},
         "qvr-logger: MQTT: 127.0.0.1:" + std::to_string(guarded.Port()) +
             " refused the connection: Connection Refused: not authorised.; trying again every 2 "
             "s\n"},
    };
    std::vector<std::unique_ptr<LoggerProcess>> loggers;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string link = StartSensor("sensor" + std::to_string(i));
        folders.push_back(Data("data" + std::to_string(i)));
        auto args = cases[i].args;
        for (const std::string& a : {std::string("--port"), link, std::string("--data"),
                                     folders.back(), std::string("--seconds")})
            args.push_back(a);
        loggers.push_back(
            std::make_unique<LoggerProcess>(dir.File("logger" + std::to_string(i) + ".log")));
        ASSERT_TRUE(loggers.back()->Start(args));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].line);
        ASSERT_TRUE(loggers[i]->WaitLog(cases[i].line)) << loggers[i]->Log();
        // Past two more attempts, still recording, still the one line.
        const std::size_t rows = Rows(folders[i], ".csv").size();
        ASSERT_TRUE(WaitUntil([&] { return Rows(folders[i], ".csv").size() >= rows + 5; }, 20s));
        EXPECT_EQ(loggers[i]->Stop(SIGTERM), 0);
        const std::string log = loggers[i]->Log();
        EXPECT_EQ(Count(log, cases[i].line), 1u) << log;
        EXPECT_EQ(log.find("s3cret"), std::string::npos) << "the password is never logged";
    }
}

TEST_F(LoggerRun, PublishesOverTlsWithASelfMadeCaAndRefusesAStrangerCertificate) {
    const std::string d = dir.Dir();
    const std::string make =
        "cd '" + d +
        "' && "
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 -subj "
        "/CN=qvr-test-ca && "
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.crt -days 2 -subj "
        "/CN=other-ca && "
        "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "
        "/CN=127.0.0.1 && "
        "printf 'subjectAltName=IP:127.0.0.1\\n' > san.ext && "
        "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt "
        "-days 2 -extfile san.ext";
    ASSERT_EQ(std::system(("( " + make + " ) >openssl.log 2>&1").c_str()), 0)
        << FileText(d + "openssl.log");
    Broker broker(d, {"cafile " + d + "ca.crt", "certfile " + d + "server.crt",
                      "keyfile " + d + "server.key"});
    ASSERT_TRUE(broker.Start()) << FileText(d + "broker.log");
    Subscriber sub(broker.Port(), "#", {}, d + "ca.crt");
    ASSERT_TRUE(sub.WaitSubscribed());

    const std::string url = "mqtts://127.0.0.1:" + std::to_string(broker.Port());
    std::ofstream(d + "good.ini") << "[MQTT]\r\nEnabled=1\r\nUrl=" << url << "\r\nCaFile=" << d
                                  << "ca.crt\r\nPrefix=site/a\r\n";
    std::ofstream(d + "stranger.ini") << "[MQTT]\r\nEnabled=1\r\nUrl=" << url << "\r\nCaFile=" << d
                                      << "other.crt\r\nPrefix=site/b\r\n";
    LoggerProcess good(d + "good.log"), stranger(d + "stranger.log");
    ASSERT_TRUE(good.Start(
        {"--port", StartSensor("s1"), "--data", Data("d1"), "--config", d + "good.ini"}));
    ASSERT_TRUE(stranger.Start(
        {"--port", StartSensor("s2"), "--data", Data("d2"), "--config", d + "stranger.ini"}));
    ASSERT_TRUE(good.WaitLog("(TLS)")) << good.Log();
    ASSERT_TRUE(WaitUntil([&] { return sub.Payloads("site/a/sample").size() >= 2; }, 20s))
        << good.Log();
    ASSERT_TRUE(stranger.WaitLog("MQTT: cannot connect to 127.0.0.1:")) << stranger.Log();
    EXPECT_EQ(good.Stop(SIGTERM), 0);
    EXPECT_EQ(stranger.Stop(SIGTERM), 0);
    EXPECT_TRUE(sub.Payloads("site/b/sample").empty());
}

} // namespace
} // namespace qvr::test
