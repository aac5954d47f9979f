#include "base/number_text.h"
#include "sim/simulated_sensor.h"
#include "tests/sim/sensor_client.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qvr::sim {
namespace {

using test::SensorClient;

class SensorLine : public ::testing::Test {
protected:
    void SetUp() override { path_ = sensor_.Start(); }
    SimulatedSensor sensor_;
    std::string path_;
};

TEST_F(SensorLine, AnswersEveryPollSetWithItsKeysInOrder) {
    SensorClient client(path_);
    const char* sets[] = {"M01,M11,C01,C11,C12,", "C32,C50,C51,C52,C53,", "S00,S01,S11,S12,S13,",
                          "C21,C22,C16,C17,M05,", "M07,M00,M00,M00,M00,"};
    for (const char* keys : sets) {
        const auto answer = client.Ask(std::string("RD,") + keys);
        ASSERT_TRUE(answer) << keys;
        EXPECT_EQ(answer->substr(0, 3), "AD,");
        const auto pairs = SensorClient::Pairs(*answer);
        std::vector<TKeyValStr> asked(5);
        ASSERT_EQ(frame::SplitPairs(keys, asked.data(), 5), 5);
        ASSERT_EQ(pairs.size(), 5u) << *answer;
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(pairs[i].Key, asked[i].Key);
            EXPECT_TRUE(ParseNumber(pairs[i].Value)) << *answer; // the filler M00 too
        }
    }
    const auto model = SensorClient::Pairs(*client.Ask("RD,S00,S01,"));
    EXPECT_EQ(model[0].Value, "19.10");
}

TEST_F(SensorLine, AnswersUnknownKeysAndMissingDirectionWithEmptyValues) {
    SensorClient client(path_);
    sensor_.SetModel(19.00);
    const auto pairs = SensorClient::Pairs(*client.Ask("RD,M05,m01,XYZ,M07,E01,"));
    const std::vector<TKeyValStr> expected = {
        {"M05", ""}, {"m01", ""}, {"XYZ", ""}, {"M07", ""}, {"E01", "50.00"}};
    EXPECT_EQ(pairs, expected);
    EXPECT_EQ(*client.Ask("RD,"), "AD,");
}

// Every parameter the program writes, read back as the program reads it:
// fourteen keys fill a read request to the frame limit.
TEST_F(SensorLine, AnswersParameterReadsWithHeldValuesOrEmptyOnRequest) {
    SensorClient client(path_);
    const std::string first = "RD,E01,E02,E03,E04,E12,E13,E16,E17,P01,P02,P03,P04,P05,P06,";
    ASSERT_TRUE(frame::BuildFrame(first));
    ASSERT_TRUE(sensor_.SetParameter("E04", 0.25f));
    ASSERT_TRUE(sensor_.SetParameter("E16", -0.125f));
    ASSERT_TRUE(sensor_.SetParameter("P03", 12.3f));

    const auto read = [&](const std::string& request) {
        const auto answer = client.Ask(request);
        EXPECT_TRUE(answer) << request;
        return answer ? SensorClient::Pairs(*answer) : std::vector<TKeyValStr>{};
    };
    auto pairs = read(first);
    ASSERT_EQ(pairs.size(), 14u);
    for (const auto& p : pairs) {
        const auto value = ParseNumber(p.Value);
        ASSERT_TRUE(value) << p.Key << "=" << p.Value;
        EXPECT_EQ(static_cast<float>(*value), *sensor_.Parameter(p.Key)) << p.Key;
    }
    EXPECT_EQ(pairs[3].Value, "0.2500");
    EXPECT_EQ(pairs[6].Value, "-0.125");
    EXPECT_EQ(pairs[10].Value, "12.30");

    SensorFaults faults;
    faults.emptyParamReads = true;
    sensor_.SetFaults(faults);
    const std::vector<TKeyValStr> empty = {{"P32", ""}, {"P41", ""}};
    EXPECT_EQ(read("RD,P32,P41,"), empty);
    pairs = read("RD,M01,E01,");
    EXPECT_TRUE(ParseNumber(pairs.at(0).Value)); // readings still come
    EXPECT_EQ(pairs.at(1).Value, "");

    faults.emptyParamReads = false;
    faults.emptyReadKeys = {"E04"};
    sensor_.SetFaults(faults);
    const std::vector<TKeyValStr> one = {{"E03", "20.00"}, {"E04", ""}};
    EXPECT_EQ(read("RD,E03,E04,"), one);
    // Writes are still taken and echoed while reads come back empty.
    EXPECT_EQ(*client.Ask("RW,E91=1,P99=8137,E04=0.3000,"), "AW,E91=1,P99=8137,E04=0.3000,");
    EXPECT_EQ(*sensor_.Parameter("E04"), 0.3f);
}

TEST_F(SensorLine, IgnoresBadChecksumsAndOtherKindsButRecordsThem) {
    SensorClient client(path_);
    client.SendRaw("<RD,M01,>EB\r\n"); // checksum off by one
    client.SendRaw("<RD,M01,>ea\r\n"); // lower-case second digit is wrong
    EXPECT_FALSE(client.ReadLine(std::chrono::milliseconds(200)));
    EXPECT_FALSE(client.Ask("AD,M01=1.0,", std::chrono::milliseconds(200))); // not a request
    ASSERT_TRUE(client.Ask("RD,M01,"));

    const auto requests = sensor_.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].payload, "RD,M01,");
    EXPECT_FALSE(requests[0].checksumGood);
    EXPECT_FALSE(requests[1].checksumGood);
    EXPECT_TRUE(requests[2].checksumGood);
    EXPECT_TRUE(requests[3].checksumGood);
    EXPECT_EQ(sensor_.Counters().badChecksums, 2u);
}

TEST_F(SensorLine, CollectsFramesSplitAcrossWritesAndAfterLineNoise) {
    SensorClient client(path_);
    const std::string frame = *frame::BuildFrame("RD,M01,C32,");
    client.SendRaw("garbage>x" + frame.substr(0, 5));
    usleep(20000);
    client.SendRaw(frame.substr(5));
    const auto line = client.ReadLine();
    ASSERT_TRUE(line);
    std::string text = *line;
    ASSERT_TRUE(frame::VerifyFrame(text));
    EXPECT_EQ(SensorClient::Pairs(text.substr(1, text.size() - 2)).size(), 2u);
}

TEST_F(SensorLine, AnswersTwoFramesSentInOneWrite) {
    SensorClient client(path_);
    client.SendRaw(*frame::BuildFrame("RD,M01,") + *frame::BuildFrame("RD,C32,"));
    const auto first = client.ReadLine();
    const auto second = client.ReadLine();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->substr(0, 8), "<AD,M01=");
    EXPECT_EQ(second->substr(0, 8), "<AD,C32=");
}

TEST_F(SensorLine, ServesTheProgramAcrossDisconnectsAndReconnects) {
    for (std::size_t round = 0; round < 3; ++round) {
        SensorClient client(path_);
        EXPECT_TRUE(client.Ask("RD,M01,")) << "round " << round;
        // A request whose answer is never read, then the line is closed once
        // the answer has gone out.
        client.Send("RD,C32,");
        for (int i = 0; i < 500 && sensor_.Counters().answersSent < 2 * (round + 1); ++i)
            usleep(10000);
        EXPECT_EQ(sensor_.Counters().answersSent, 2 * (round + 1));
    }
    // With nobody on the line the sensor waits instead of spinning.
    timespec before{}, after{};
    usleep(50000);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    usleep(300000);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpu = (after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) * 1e-9;
    EXPECT_LT(cpu, 0.1);

    SensorClient client(path_);
    const auto answer = client.Ask("RD,S00,");
    ASSERT_TRUE(answer); // no stale answer from an earlier connection in front of it
    EXPECT_EQ(answer->substr(0, 7), "AD,S00=");
}

TEST(SensorPacing, AnswersTakeTheLinesTimeUnlessWrittenAtOnce) {
    struct Case {
        LinePacing pacing;
        int baudRate;
    };
    const Case cases[] = {{LinePacing::Line, 38400},
                          {LinePacing::Line, 9600},
                          {LinePacing::Burst, 9600},
                          {LinePacing::Instant, 9600}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.pacing) << " at " << c.baudRate);
        SimulatedSensorOptions options = test::Options("");
        options.pacing = c.pacing;
        options.baudRate = c.baudRate;
        SimulatedSensor sensor(options);
        SensorClient client(sensor.Start());
        // Twice: the second answer follows the first on the line.
        const auto asked = std::chrono::steady_clock::now();
        client.Send("RD,M01,M11,C01,C11,C12,");
        client.Send("RD,C32,C50,C51,C52,C53,");
        std::size_t bytes = 0;
        for (int i = 0; i < 2; ++i) {
            auto line = client.ReadLine();
            ASSERT_TRUE(line);
            bytes += line->size() + 2;
            EXPECT_TRUE(frame::VerifyFrame(*line)) << *line;
        }
        const auto took = std::chrono::steady_clock::now() - asked;
        // 10 bits a byte: no line carries an answer faster.
        const auto lineTime = std::chrono::duration<double>(10.0 * double(bytes) / c.baudRate);
        if (c.pacing != LinePacing::Instant) {
            EXPECT_GE(took, lineTime);
        }
    }
}

TEST_F(SensorLine, LiftsAnExclusiveModeLeftBehindByAClosedProgram) {
    // A program that opened the line exclusively and closed it must not lock
    // out its next start (only root could open the line again otherwise).
    {
        SensorClient program(path_);
        ASSERT_EQ(ioctl(program.Fd(), TIOCEXCL), 0);
        EXPECT_TRUE(program.Ask("RD,M01,"));
    }
    SensorClient next(path_); // root may open it anyway; look at the mode itself
    int exclusive = 1;
    for (int i = 0; i < 100 && exclusive; ++i) {
        ASSERT_EQ(ioctl(next.Fd(), TIOCGEXCL, &exclusive), 0);
        if (exclusive) usleep(10000);
    }
    EXPECT_EQ(exclusive, 0);
    EXPECT_TRUE(next.Ask("RD,M01,"));
}

TEST(SensorLink, PointsTheLinkAtTheLineAndRemovesItOnStop) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("qvr-sim-link-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto link = (dir / "sensor").string();
    {
        SimulatedSensor sensor(test::Options(link));
        const std::string slave = sensor.Start();
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), slave);
        SensorClient client(link);
        EXPECT_TRUE(client.Ask("RD,M01,"));
        sensor.Stop();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    // Restarting over a stale link from an earlier run replaces it.
    std::filesystem::create_symlink("/dev/null", link);
    {
        SimulatedSensor sensor(test::Options(link));
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), sensor.Start());
    }
    // A regular file at the link path is never replaced.
    { std::ofstream(link) << "keep me"; }
    SimulatedSensor sensor(test::Options(link));
    EXPECT_THROW(sensor.Start(), std::runtime_error);
    EXPECT_FALSE(sensor.Running());
    std::ifstream in(link);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace qvr::sim
