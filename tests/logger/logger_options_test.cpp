#include "tests/base/temp_dir.h"

#include "base/text_file.h"
#include "core/mqtt_settings.h"
#include "logger/logger_options.h"

#include <fstream>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

TEST(LoggerOptions, FlagsAndTheirMistakes) {
    std::string error;
    auto o = ParseLoggerOptions({"--port", "/dev/ttyUSB0", "--data", "/srv/q", "--seconds",
                                 "--fast", "--mqtt", "mqtt://broker", "--serial", "A12"},
                                error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->Port, "/dev/ttyUSB0");
    EXPECT_EQ(o->DataDir, "/srv/q");
    EXPECT_TRUE(o->Seconds && o->Fast && o->Mqtt.Enabled);
    EXPECT_EQ(o->Mqtt.Url, "mqtt://broker");
    EXPECT_EQ(o->SerialNo, "A12");

    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--port"}, "--port needs a value"},
        {{"--port", ""}, "--port needs a value"},
        {{"--bogus"}, "unknown option \"--bogus\" (--help lists them)"},
        {{"--config", "/no/such/file.ini"}, "no configuration file /no/such/file.ini"},
    };
    for (const auto& [args, message] : bad) {
        error.clear();
        EXPECT_FALSE(ParseLoggerOptions(args, error));
        EXPECT_EQ(error, message);
    }
}

TEST(LoggerOptions, TheConfigurationFileInTheDesktopProgramsForm) {
    TempDir dir;
    std::ofstream(dir.File("logger.ini"), std::ios::binary)
        << "[ComPortM]\r\nPort=/dev/ttyS3\r\n[Record]\r\nSecRec=1\r\n[Collect]\r\nFastMode=0\r\n"
           "[MQTT]\r\nEnabled=1\r\nUrl=mqtts://b.example:8884\r\nUser=qvr\r\nPassword=pw\r\n"
           "CaFile=/etc/qvr/ca.crt\r\nPrefix=site/7\r\nQueueMB=5\r\n[Logger]\r\nSerialNo=Z9\r\n";
    std::string error;
    auto o =
        ParseLoggerOptions({"--config", dir.File("logger.ini"), "--mqtt", "mqtt://other"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_TRUE(o->Seconds);
    EXPECT_FALSE(o->Fast);
    EXPECT_EQ(o->SerialNo, "Z9");
    EXPECT_EQ(o->Mqtt.Url, "mqtt://other") << "the flag wins";
    EXPECT_EQ(o->Mqtt.User, "qvr");
    EXPECT_EQ(o->Mqtt.Password, "pw");
    EXPECT_EQ(o->Mqtt.CaFile, "/etc/qvr/ca.crt");
    EXPECT_EQ(o->Mqtt.QueueMegabytes, 5);
    EXPECT_EQ(MqttPrefix(o->Mqtt, o->SerialNo), "site/7");
}

TEST(MqttSettings, UrlsPrefixesAndTheIniSection) {
    struct Case {
        std::string url;
        std::string host;
        int port;
        bool tls;
        std::string user;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"mqtt://broker", "broker", 1883, false, "", ""},
        {"mqtts://broker.site:8884/", "broker.site", 8884, true, "", ""},
        {"10.0.0.5:1884", "10.0.0.5", 1884, false, "", ""},
        {"mqtt://qvr@broker", "broker", 1883, false, "qvr", ""},
        {"mqtt://qvr:pw@broker", "", 0, false, "",
         "a password in the broker URL is refused: give it as the Password setting"},
        {"http://broker", "", 0, false, "",
         "unknown scheme in \"http://broker\" (mqtt:// or mqtts://)"},
        {"mqtt://broker:0", "", 0, false, "", "bad port \"0\" in \"mqtt://broker:0\""},
        {"mqtt://broker:x1", "", 0, false, "", "bad port \"x1\" in \"mqtt://broker:x1\""},
        {"mqtt://", "", 0, false, "", "no host in \"mqtt://\""},
        {"", "", 0, false, "", "no host in \"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        std::string error;
        const auto e = ParseMqttUrl(c.url, error);
        EXPECT_EQ(error, c.error);
        if (!c.error.empty()) continue;
        ASSERT_TRUE(e);
        EXPECT_EQ(e->Host, c.host);
        EXPECT_EQ(e->Port, c.port);
        EXPECT_EQ(e->Tls, c.tls);
        EXPECT_EQ(e->User, c.user);
    }
    EXPECT_EQ(DefaultMqttPrefix("A12"), "qvr/A12");
    EXPECT_EQ(DefaultMqttPrefix("a/b+#\n"), "qvr/a_b___");
    EXPECT_EQ(DefaultMqttPrefix(""), "qvr/unnamed");
    MqttSettings lab;
    lab.Prefix = "lab/";
    EXPECT_EQ(MqttPrefix(lab, "x"), "lab");

    TempDir dir;
    const std::string ini = dir.File("BaseSetpoint.ini");
    std::ofstream(ini, std::ios::binary) << "[Record]\r\nSecRec=1\r\n";
    MqttSettings s{true, "mqtts://b:8883", "u", "p w", "/ca.crt", "lab/1", 7};
    ASSERT_TRUE(SaveMqttSettings(ini, s));
    EXPECT_EQ(LoadMqttSettings(ini), s);
    EXPECT_NE(ReadFileBytes(ini).find("[Record]\r\nSecRec=1\r\n"), std::string::npos)
        << "the rest is kept";
    EXPECT_EQ(LoadMqttSettings(dir.File("none.ini")), MqttSettings{});
}

} // namespace
} // namespace qvr::test
