#include "sim/simulated_sensor.h"
#include "tests/sim/sensor_client.h"
#include "tests/wait_until.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qvr::sim {
namespace {

using namespace std::chrono_literals;
using test::SensorClient;

class Faults : public ::testing::Test {
protected:
    void SetUp() override { client_ = std::make_unique<SensorClient>(sensor_.Start()); }

    // How many of `count` read requests get a verified answer. Each request is
    // followed until the sensor has answered or withheld it, so that neither a
    // slow sensor nor a late answer is miscounted.
    int Answered(int count) {
        int answered = 0;
        for (int i = 0; i < count; ++i) {
            const auto before = sensor_.Counters();
            client_->Send("RD,M01,");
            const bool handled = qvr::test::WaitUntil([&] {
                const auto now = sensor_.Counters();
                return now.answersSent + now.answersDropped >
                       before.answersSent + before.answersDropped;
            });
            if (!handled) {
                ADD_FAILURE() << "request " << i << " was neither answered nor withheld";
                break;
            }
            if (sensor_.Counters().answersSent == before.answersSent) continue;
            auto line = client_->ReadLine(10s);
            if (line && frame::VerifyFrame(*line)) ++answered;
        }
        return answered;
    }

    void Set(void (*change)(SensorFaults&)) {
        SensorFaults faults;
        change(faults);
        sensor_.SetFaults(faults);
    }

    SimulatedSensor sensor_{test::Options("", 42)};
    std::unique_ptr<SensorClient> client_;
};

TEST_F(Faults, DropWithholdsTheGivenShareOfAnswers) {
    Set([](SensorFaults& f) { f.dropShare = 1.0; });
    EXPECT_EQ(Answered(5), 0);
    Set([](SensorFaults& f) { f.dropShare = 0.5; });
    const int answered = Answered(60);
    EXPECT_GT(answered, 15);
    EXPECT_LT(answered, 45);
    const auto counters = sensor_.Counters();
    EXPECT_EQ(counters.requests, 65u);
    EXPECT_EQ(counters.answersDropped + counters.answersSent, 65u);
    sensor_.SetFaults({});
    EXPECT_EQ(Answered(3), 3);
}

TEST_F(Faults, DropWritesWithholdsTheNextWriteAnswersOnly) {
    Set([](SensorFaults& f) { f.dropWrites = 2; });
    EXPECT_FALSE(client_->Ask("RW,E91=1,", 100ms));
    EXPECT_EQ(Answered(2), 2); // reads are answered meanwhile
    EXPECT_FALSE(client_->Ask("RW,E91=1,", 100ms));
    EXPECT_TRUE(client_->Ask("RW,E91=1,", 1000ms));
    EXPECT_EQ(sensor_.Faults().dropWrites, 0);
    EXPECT_EQ(sensor_.Counters().answersDropped, 2u);
}

TEST_F(Faults, CorruptSendsAnswersWithAWrongChecksum) {
    Set([](SensorFaults& f) { f.corruptShare = 1.0; });
    for (int i = 0; i < 3; ++i) {
        client_->Send("RD,M01,");
        auto line = client_->ReadLine();
        ASSERT_TRUE(line);
        EXPECT_EQ(line->substr(0, 8), "<AD,M01=");
        EXPECT_FALSE(frame::VerifyFrame(*line)) << *line;
    }
    EXPECT_EQ(sensor_.Counters().answersCorrupted, 3u);
}

TEST_F(Faults, DelaySendsAnswersLateButInOrder) {
    Set([](SensorFaults& f) { f.delayMs = 400; });
    client_->Send("RD,M01,");
    client_->Send("RD,C32,");
    EXPECT_FALSE(client_->ReadLine(150ms)); // not there before the program's next tick
    const auto first = client_->ReadLine(2s);
    const auto second = client_->ReadLine(2s);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->substr(0, 8), "<AD,M01=");
    EXPECT_EQ(second->substr(0, 8), "<AD,C32=");
}

TEST_F(Faults, WrongWriteHoldsAndEchoesAnotherValue) {
    Set([](SensorFaults& f) { f.wrongWrites = {{"P02", "0.01"}}; });
    EXPECT_EQ(*client_->Ask("RW,E91=1,P99=8137,"), "AW,E91=1,P99=8137,");
    EXPECT_EQ(*client_->Ask("RW,P01=0.00,P02=0.00,P03=0.00,P04=0.00,"),
              "AW,P01=0.00,P02=0.01,P03=0.00,P04=0.00,");
    EXPECT_EQ(*sensor_.Parameter("P02"), 0.01f);
}

TEST_F(Faults, EchoPairsCutsWriteEchoesButNotReads) {
    Set([](SensorFaults& f) { f.echoPairs = 2; });
    EXPECT_EQ(*client_->Ask("RW,E91=1,P99=8137,E01=48.00,E02=5.00,"), "AW,E91=1,P99=8137,");
    EXPECT_EQ(*sensor_.Parameter("E01"), 48.0f); // stored all the same
    EXPECT_EQ(*client_->Ask("RD,E01,E02,"), "AD,E01=48.00,E02=5.00,");
    Set([](SensorFaults& f) { f.echoPairs = 0; });
    EXPECT_EQ(*client_->Ask("RW,E91=0,P99=0,"), "AW,");
}

TEST_F(Faults, UnstoredWritesAreEchoedAsSentAndNotKept) {
    Set([](SensorFaults& f) { f.unstoredWrites = {"E03"}; });
    ASSERT_TRUE(client_->Ask("RW,E91=1,P99=8137,"));
    EXPECT_EQ(*client_->Ask("RW,E02=6.00,E03=25.12,"), "AW,E02=6.00,E03=25.12,");
    EXPECT_EQ(*sensor_.Parameter("E02"), 6.0f);
    EXPECT_EQ(*sensor_.Parameter("E03"), 20.0f);
}

TEST_F(Faults, SilentAfterAnswersUntilItsTimeThenNothing) {
    Set([](SensorFaults& f) { f.silentAfterMs = 60000; });
    EXPECT_EQ(Answered(2), 2);
    Set([](SensorFaults& f) { f.silentAfterMs = 200; });
    const auto set = std::chrono::steady_clock::now();
    ASSERT_TRUE(
        qvr::test::WaitUntil([&] { return std::chrono::steady_clock::now() - set > 200ms; }));
    EXPECT_EQ(Answered(2), 0);
    sensor_.SetFaults({});
    EXPECT_EQ(Answered(1), 1);
}

TEST_F(Faults, MuteStopsAnsweringUntilLifted) {
    Set([](SensorFaults& f) { f.mute = true; });
    EXPECT_EQ(Answered(3), 0);
    EXPECT_EQ(sensor_.Counters().requests, 3u); // still listening
    sensor_.SetFaults({});
    EXPECT_EQ(Answered(2), 2);
}

TEST(FaultsHangUp, HangsUpTheLineAndServesAFreshOneBehindTheLink) {
    const auto link =
        (std::filesystem::temp_directory_path() / ("qvr-sim-hangup-" + std::to_string(getpid())))
            .string();
    SimulatedSensor sensor(test::Options(link));
    const std::string first = sensor.Start();
    SensorClient old(link);
    ASSERT_TRUE(old.Ask("RD,M01,"));

    const std::string second = sensor.HangUp();
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(sensor.SlavePath(), second);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), second);

    pollfd p{old.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);                      // the program sees the hang-up
    EXPECT_THROW(old.Send("RD,M01,"), std::runtime_error); // a write on the old line fails

    SensorClient reopened(link);
    EXPECT_TRUE(reopened.Ask("RD,M01,"));
    EXPECT_EQ(sensor.Counters().hangUps, 1u);
    sensor.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

} // namespace
} // namespace qvr::sim
