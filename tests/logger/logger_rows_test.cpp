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

// The logger in step with a clock the test moves: each poll tick waits for
// the simulated sensor's answer before the clock goes on.
class LoggerRows : public ::testing::Test {
protected:
    TempDir dir{"qvr-logger-rows-"};
    sim::SimulatedSensor sensor{Options(dir.File("sensor"))};
    ManualClock clock;
    TComHandOver handOver;
    SensorLogger::Config config;

    static sim::SimulatedSensorOptions Options(const std::string& link) {
        sim::SimulatedSensorOptions options;
        options.linkPath = link;
        options.pacing = sim::LinePacing::Instant;
        options.conditions.tunnelSpeed = 3.0;
        return options;
    }
    void SetUp() override {
        sensor.Start();
        config.port = sensor.LinkPath();
        config.seconds = true;
    }
    // One poll tick; false when the sensor did not answer it.
    bool Poll(SensorLogger& logger) {
        logger.PollTick();
        const bool answered = WaitUntil(
            [&] {
                handOver.WaitAndProcess(5ms);
                return logger.AnswerWaiting();
            },
            10s);
        clock.AdvanceSeconds(0.25);
        return answered;
    }
};

TEST_F(LoggerRows, EqualTheDesktopRecordersRowsForTheSameReadings) {
    // Ten seconds before a minute's end, so that the run writes a minute row.
    clock.Set(DateTimeParts{2026, 12, 11, 10, 59, 50, 0});
    config.dataDir = dir.File("logger/");
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
        if (tick < 60 || tick >= 80) {
            ASSERT_TRUE(Poll(logger)) << "tick " << tick;
        } else {
            logger.PollTick();
            clock.AdvanceSeconds(0.25);
        }
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

// A record folder that cannot be written (here a file in its place, as a full
// disk or a lost mount would): one line when rows start to be lost, one when
// they are written again, and the polling goes on in between.
TEST_F(LoggerRows, ALostRecordFolderIsSaidOnceAndRecordingResumes) {
    clock.Set(DateTimeParts{2026, 12, 11, 10, 0, 20, 0});
    config.dataDir = dir.Dir();
    std::ofstream(dir.File("Record")) << "not a folder";
    std::vector<std::string> said;
    SensorLogger logger(config, clock, &handOver,
                        [&](const std::string& line) { said.push_back(line); });
    logger.Start();
    auto second = [&] {
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(Poll(logger));
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
