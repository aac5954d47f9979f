#include "sim/control_commands.h"
#include "sim/simulated_sensor.h"

#include <gtest/gtest.h>

namespace qvr::sim {
namespace {

class ControlCommandsTest : public ::testing::Test {
protected:
    SimulatedSensor sensor_;
    ControlCommands commands_{sensor_};
};

TEST_F(ControlCommandsTest, SetsConditionsAndFaults) {
    for (const char* line : {"speed 5.5", "temp -3.25", "noise 0", "dir 270", "model 19.00",
                             "drop 30%", "corrupt 0.25", "delay 120", "dropwrites 3", "mute on",
                             "wrong E01 44.5", "wrong P02 0.01", "wrong P02 off", "params-empty on",
                             "params-empty E04 P20", "  # comment", ""}) {
        const auto result = commands_.Execute(line);
        EXPECT_TRUE(result.ok) << line << ": " << result.message;
        EXPECT_FALSE(result.quit);
    }
    const auto c = sensor_.Conditions();
    EXPECT_EQ(c.tunnelSpeed, 5.5);
    EXPECT_EQ(c.airTemperature, -3.25);
    EXPECT_EQ(c.noise, 0.0);
    EXPECT_EQ(c.windDirection, 270.0);
    EXPECT_EQ(c.model, 19.00);
    SensorFaults expected;
    expected.dropShare = 0.3;
    expected.corruptShare = 0.25;
    expected.delayMs = 120;
    expected.dropWrites = 3;
    expected.mute = true;
    expected.wrongWrites = {{"E01", "44.5"}};
    expected.emptyReadKeys = {"E04", "P20"};
    EXPECT_EQ(sensor_.Faults(), expected);
    EXPECT_TRUE(commands_.Execute("params-empty on").ok);
    EXPECT_TRUE(sensor_.Faults().emptyParamReads);
    EXPECT_TRUE(sensor_.Faults().emptyReadKeys.empty());
    EXPECT_TRUE(commands_.Execute("params-empty off").ok);
    EXPECT_FALSE(sensor_.Faults().emptyParamReads);

    EXPECT_TRUE(commands_.Execute("clear").ok);
    EXPECT_EQ(sensor_.Faults(), SensorFaults{});
}

// A sensor played with a known line: M01 is gain × wind + offset, with the
// noise of the wind as before, so a verification can find the line again.
TEST_F(ControlCommandsTest, GainAndOffsetPlayAKnownLine) {
    EXPECT_FALSE(sensor_.Conditions().linear);
    for (const char* line : {"noise 0", "speed 8", "offset 0.05", "gain 1.02"})
        EXPECT_TRUE(commands_.Execute(line).ok) << line;
    auto c = sensor_.Conditions();
    EXPECT_TRUE(c.linear);
    EXPECT_EQ(c.gain, 1.02);
    EXPECT_EQ(c.offset, 0.05);
    EXPECT_NEAR(sensor_.Measure().windSpeed, 1.02 * 8 + 0.05, 1e-9);
    EXPECT_NE(commands_.Execute("status").message.find("M01 = 1.0200 x wind + 0.050 m/s"),
              std::string::npos);
    for (const char* line :
         {"gain", "gain 0.4", "gain 2.1", "gain x", "offset 5.5", "offset", "gain 1 2"}) {
        const auto result = commands_.Execute(line);
        EXPECT_FALSE(result.ok) << line;
        EXPECT_FALSE(result.message.empty()) << line;
    }
    EXPECT_EQ(sensor_.Conditions().gain, 1.02);
    EXPECT_TRUE(commands_.Execute("gain off").ok);
    c = sensor_.Conditions();
    EXPECT_FALSE(c.linear);
    EXPECT_EQ(c.offset, 0.0);
    // An offset alone keeps a gain of 1.
    EXPECT_TRUE(commands_.Execute("offset -0.2").ok);
    EXPECT_NEAR(sensor_.Measure().windSpeed, 8 - 0.2, 1e-9);
}

TEST_F(ControlCommandsTest, SetsAndLiftsTheWriteFaults) {
    for (const char* line : {"echo-pairs 3", "unstored E03 P01", "silent-after 5000"})
        EXPECT_TRUE(commands_.Execute(line).ok) << line;
    SensorFaults expected;
    expected.echoPairs = 3;
    expected.unstoredWrites = {"E03", "P01"};
    expected.silentAfterMs = 5000;
    EXPECT_EQ(sensor_.Faults(), expected);
    for (const char* line : {"echo-pairs all", "unstored off", "silent-after off"})
        EXPECT_TRUE(commands_.Execute(line).ok) << line;
    EXPECT_EQ(sensor_.Faults(), SensorFaults{});

    for (const char* line : {"echo-pairs x", "echo-pairs 2.5", "echo-pairs 21", "silent-after -1",
                             "silent-after", "unstored M01", "unstored"}) {
        const auto result = commands_.Execute(line);
        EXPECT_FALSE(result.ok) << line;
        EXPECT_FALSE(result.message.empty()) << line;
    }
    EXPECT_EQ(sensor_.Faults(), SensorFaults{});
}

TEST_F(ControlCommandsTest, RefusesBadLinesWithAMessageAndChangesNothing) {
    for (const char* line : {"speed",        "speed fast",       "speed -1",
                             "speed 61",     "temp 100",         "noise -0.5",
                             "drop 1.5",     "drop 150%",        "corrupt x",
                             "delay -5",     "dropwrites 1.5",   "mute maybe",
                             "wrong M01 3",  "wrong E01 abc",    "wrong E01",
                             "params-empty", "params-empty M01", "params-empty E04 XYZ",
                             "set XYZ 1",    "set E01",          "sleep -1",
                             "frobnicate",   "speed 1 2"}) {
        const auto result = commands_.Execute(line);
        EXPECT_FALSE(result.ok) << line;
        EXPECT_FALSE(result.message.empty()) << line;
    }
    EXPECT_EQ(sensor_.Conditions().tunnelSpeed, 0.0);
    EXPECT_EQ(sensor_.Conditions().airTemperature, 20.0);
    EXPECT_EQ(sensor_.Faults(), SensorFaults{});
    EXPECT_EQ(*sensor_.Parameter("E01"), 50.0f);
}

TEST_F(ControlCommandsTest, PrintsParametersSetsThemAndQuits) {
    EXPECT_TRUE(commands_.Execute("set E01 46.5").ok);
    const auto params = commands_.Execute("params");
    EXPECT_NE(params.message.find("E01 = 46.5\n"), std::string::npos) << params.message;
    EXPECT_NE(params.message.find("E04 = 0.200000002980232\n"), std::string::npos);
    EXPECT_NE(params.message.find("write session closed"), std::string::npos);
    EXPECT_TRUE(commands_.Execute("factory").ok);
    EXPECT_EQ(*sensor_.Parameter("E01"), 50.0f);

    sensor_.Start();
    const auto status = commands_.Execute("status");
    EXPECT_NE(status.message.find(sensor_.SlavePath()), std::string::npos) << status.message;
    const auto hangup = commands_.Execute("hangup");
    EXPECT_TRUE(hangup.ok);
    EXPECT_NE(hangup.message.find(sensor_.SlavePath()), std::string::npos);

    EXPECT_EQ(commands_.Execute("sleep 0.5").sleepSeconds, 0.5);
    EXPECT_TRUE(commands_.Execute("quit").quit);
    EXPECT_NE(commands_.Execute("help").message.find("hangup"), std::string::npos);
}

} // namespace
} // namespace qvr::sim
