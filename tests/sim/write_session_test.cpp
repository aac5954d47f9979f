#include "base/number_text.h"
#include "sim/simulated_sensor.h"
#include "tests/sim/sensor_client.h"

#include <gtest/gtest.h>

namespace qvr::sim {
namespace {

using test::SensorClient;

const std::string kOpen = "RW,E91=1,P99=8137,";
const std::string kClose = "RW,E91=0,P99=0,";

class WriteSession : public ::testing::Test {
protected:
    void SetUp() override { client_ = std::make_unique<SensorClient>(sensor_.Start()); }
    std::string Write(const std::string& payload) { return client_->Ask(payload).value_or("none"); }

    SimulatedSensor sensor_;
    std::unique_ptr<SensorClient> client_;
};

TEST_F(WriteSession, OutsideTheSessionEchoesTheUnchangedValues) {
    EXPECT_EQ(Write("RW,E01=45.00,P03=1.50,"), "AW,E01=50.00,P03=0.00,");
    EXPECT_EQ(*sensor_.Parameter("E01"), 50.0f);
    // A wrong code does not open it either.
    EXPECT_EQ(Write("RW,E91=1,P99=1234,E01=45.00,"), "AW,E91=1,P99=1234,E01=50.00,");
    EXPECT_FALSE(sensor_.WriteSessionOpen());
}

TEST_F(WriteSession, TheGroupsOfAWriteAreStoredAndEchoedInOrder) {
    // Group-1 opens the session in its own first two pairs.
    EXPECT_EQ(Write("RW,E91=1,P99=8137,E01=46.25,E02=5.00,E03=17.31,E04=0.2000,"),
              "AW,E91=1,P99=8137,E01=46.25,E02=5.00,E03=17.31,E04=0.2000,");
    EXPECT_TRUE(sensor_.WriteSessionOpen());
    EXPECT_EQ(Write("RW,P01=1.00,P02=-0.05,P03=2.00,P04=0.10,"),
              "AW,P01=1.00,P02=-0.05,P03=2.00,P04=0.10,");
    EXPECT_EQ(Write("RW,E16=-0.225,E17=0.225,E12=-0.380,E13=0.380,"),
              "AW,E16=-0.225,E17=0.225,E12=-0.380,E13=0.380,");
    EXPECT_EQ(Write("RW,P32=2.500,P41=9.000,"), "AW,P32=2.500,P41=9.000,");
    EXPECT_EQ(Write(kClose), "AW,E91=0,P99=0,");
    EXPECT_FALSE(sensor_.WriteSessionOpen());

    EXPECT_EQ(*sensor_.Parameter("E01"), 46.25f);
    EXPECT_EQ(*sensor_.Parameter("E03"), 17.31f);
    EXPECT_EQ(*sensor_.Parameter("P02"), -0.05f);
    EXPECT_EQ(*sensor_.Parameter("E12"), -0.38f);
    // Closed again: later writes are refused.
    EXPECT_EQ(Write("RW,E01=40.00,"), "AW,E01=46.25,");
}

TEST_F(WriteSession, EchoesValuesNumericallyEqualToWhatWasSent) {
    ASSERT_EQ(Write(kOpen), "AW,E91=1,P99=8137,");
    struct Case {
        const char* key;
        const char* sent;
    };
    const Case cases[] = {
        {"E01", "45.5"},    {"E01", "12.345"}, {"E04", "0.1"},    {"E16", "1e-3"},
        {"P05", "3.14159"}, {"P32", "2500"},   {"E02", "  7.25"}, {"P41", "-0.000001"},
    };
    for (const auto& c : cases) {
        const auto pairs =
            SensorClient::Pairs(Write(std::string("RW,") + c.key + "=" + c.sent + ","));
        ASSERT_EQ(pairs.size(), 1u) << c.key << "=" << c.sent;
        EXPECT_EQ(pairs[0].Key, c.key);
        const auto echoed = ParseNumber(pairs[0].Value);
        ASSERT_TRUE(echoed) << pairs[0].Value;
        EXPECT_EQ(static_cast<float>(*echoed), static_cast<float>(*ParseNumber(c.sent)))
            << c.key << "=" << c.sent << " came back as " << pairs[0].Value;
    }
}

TEST_F(WriteSession, RefusesValuesItCannotHoldAndKeysItCannotStore) {
    ASSERT_EQ(Write(kOpen), "AW,E91=1,P99=8137,");
    EXPECT_EQ(Write("RW,E01=abc,E02=,E03=1e60,E04,"),
              "AW,E01=50.00,E02=5.00,E03=20.00,E04=0.2000,");
    EXPECT_EQ(Write("RW,M01=3.0,XYZ=1,E01=44.00,"), "AW,M01=,XYZ=,E01=44.00,");
    EXPECT_EQ(*sensor_.Parameter("E01"), 44.0f);
}

} // namespace
} // namespace qvr::sim
