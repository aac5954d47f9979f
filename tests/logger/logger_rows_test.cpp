// The logger's record files against the desktop program's recorder, fed the
// same readings: byte for byte the same rows.

#include "tests/base/temp_dir.h"
#include "tests/local_state.h"
#include "tests/wait_until.h"

#include "base/text_file.h"
#include "logger/sensor_logger.h"
#include "serial/com_hand_over.h"
#include "sim/simulated_sensor.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

using namespace std::chrono_literals;

TEST(LoggerRows, EqualTheDesktopRecordersRowsForTheSameReadings) {
    TempDir dir{"qvr-logger-rows-"};
    sim::SimulatedSensorOptions options;
    options.linkPath = dir.File("sensor");
    options.pacing = sim::LinePacing::Instant;
    options.conditions.tunnelSpeed = 3.0;
    sim::SimulatedSensor sensor(options);
    sensor.Start();

    // Ten seconds before a minute's end, so that the run writes a minute row.
    ManualClock clock;
    clock.Set(DateTimeParts{2026, 12, 11, 10, 59, 50, 0});
    TComHandOver handOver;
    SensorLogger::Config config;
    config.dataDir = dir.File("logger/");
    config.port = options.linkPath;
    config.seconds = true;
    std::filesystem::create_directories(config.dataDir);
    SensorLogger logger(config, clock, &handOver, nullptr);

    // The desktop program's recorder, as its monitor window runs it.
    LocalState desk;
    AppContext ctx = desk.Context(clock);
    desk.sts.SecRec = true;
    Recorder recorder(ctx);

    logger.Start();
    ASSERT_TRUE(logger.PortOpen());
    for (int tick = 0; tick < 4 * 30; ++tick) {
        // A sensor that changes its readings, then falls silent for a while.
        if (tick % 4 == 0) sensor.SetTunnelSpeed(3.0 + 0.37 * (tick / 4 % 7));
        if (tick == 60) {
            sim::SensorFaults mute;
            mute.mute = true;
            sensor.SetFaults(mute);
        }
        if (tick == 80) sensor.SetFaults({});
        logger.PollTick();
        if (tick < 60 || tick >= 80) {
            ASSERT_TRUE(WaitUntil(
                [&] {
                    handOver.WaitAndProcess(5ms);
                    return logger.AnswerWaiting();
                },
                10s))
                << "tick " << tick;
        }
        clock.AdvanceSeconds(0.25);
        if (tick % 4 == 3) {
            logger.RecordTick();
            desk.current = logger.Sample();
            desk.sts.WindDirModel = logger.Status().WindDirModel;
            recorder.RecordTick();
        }
    }

    for (const char* name : {"Record/RT_20261211.RCD", "Record/RT_20261211.csv"}) {
        SCOPED_TRACE(name);
        const std::string mine = ReadFileBytes(config.dataDir + name);
        EXPECT_EQ(mine, ReadFileBytes(desk.dir.File(name)));
        EXPECT_FALSE(mine.empty());
    }
    // Two minutes' rows, and second rows for the seconds the sensor answered.
    EXPECT_EQ(ReadTextLines(config.dataDir + "Record/RT_20261211.RCD").size(), 2u + 1u);
    const auto seconds = ReadTextLines(config.dataDir + "Record/RT_20261211.csv").size();
    EXPECT_GT(seconds, 20u);
    EXPECT_LT(seconds, 30u);
}

} // namespace
} // namespace qvr::test

namespace qvr::test {
namespace {

// A record folder that cannot be written (here a file in its place, as a full
// disk or a lost mount would): one line when rows start to be lost, one when
// they are written again, and the polling goes on in between.
TEST(LoggerRows, ALostRecordFolderIsSaidOnceAndRecordingResumes) {
    TempDir dir{"qvr-logger-rows-"};
    sim::SimulatedSensorOptions options;
    options.linkPath = dir.File("sensor");
    options.pacing = sim::LinePacing::Instant;
    sim::SimulatedSensor sensor(options);
    sensor.Start();
    ManualClock clock;
    clock.Set(DateTimeParts{2026, 12, 11, 10, 0, 20, 0});
    TComHandOver handOver;
    SensorLogger::Config config;
    config.dataDir = dir.Dir();
    config.port = options.linkPath;
    config.seconds = true;
    std::ofstream(dir.File("Record")) << "not a folder";
    std::vector<std::string> said;
    SensorLogger logger(config, clock, &handOver,
                        [&](const std::string& line) { said.push_back(line); });
    logger.Start();
    auto second = [&] {
        for (int i = 0; i < 4; ++i) {
            logger.PollTick();
            ASSERT_TRUE(WaitUntil(
                [&] {
                    handOver.WaitAndProcess(5ms);
                    return logger.AnswerWaiting();
                },
                10s));
            clock.AdvanceSeconds(0.25);
        }
        logger.RecordTick();
    };
    for (int s = 0; s < 5; ++s)
        second();
    std::filesystem::remove(dir.File("Record"));
    for (int s = 0; s < 2; ++s)
        second();
    std::vector<std::string> records;
    for (const auto& line : said)
        if (line.starts_with("records: ")) records.push_back(line);
    ASSERT_EQ(records.size(), 2u) << ::testing::PrintToString(said);
    EXPECT_TRUE(records[0].starts_with("records: row lost: ")) << records[0];
    EXPECT_NE(records[0].find("Record"), std::string::npos) << "names the folder: " << records[0];
    EXPECT_EQ(records[1], "records: writing again");
    EXPECT_EQ(ReadTextLines(dir.File("Record/RT_20261211.csv")).size(), 1u + 2u);
    EXPECT_NE(std::find(said.begin(), said.end(), "receiving"), said.end());
}

} // namespace
} // namespace qvr::test
