// The calibration the monitor guides an operator through, done by hand over the
// line: average the readings, take the corrections, write them in the
// monitor's groups and formats, and look at the result.

#include "base/number_text.h"
#include "sim/simulated_sensor.h"
#include "tests/sim/sensor_client.h"

#include <gtest/gtest.h>
#include <map>

namespace qvr::sim {
namespace {

using test::SensorClient;

class Calibration : public ::testing::TestWithParam<std::uint64_t> {
protected:
    void SetUp() override { client_ = std::make_unique<SensorClient>(sensor_.Start()); }

    // Averages of the calibration channels over `count` readings.
    std::map<std::string, double> Average(int count) {
        std::map<std::string, double> sums;
        for (int i = 0; i < count; ++i) {
            const auto answer = client_->Ask("RD,M01,C21,C22,C16,C17,C32,");
            EXPECT_TRUE(answer);
            for (const auto& pair : SensorClient::Pairs(answer.value_or("")))
                sums[pair.Key] += ParseNumber(pair.Value).value_or(1e9);
        }
        for (auto& [key, sum] : sums)
            sum /= count;
        return sums;
    }

    std::vector<double> WindReadings(int count) {
        std::vector<double> readings;
        for (int i = 0; i < count; ++i) {
            const auto pairs = SensorClient::Pairs(client_->Ask("RD,M01,").value_or(""));
            readings.push_back(pairs.empty() ? -1.0 : ParseNumber(pairs[0].Value).value_or(-1.0));
        }
        return readings;
    }

    void Write(const std::string& payload) {
        const auto answer = client_->Ask(payload);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->substr(3), payload.substr(3)); // every pair echoed as sent
    }

    // Hundreds of round trips about the model, not the line: written at once.
    SimulatedSensor sensor_{[] {
        auto options = test::Options("", GetParam());
        options.pacing = LinePacing::Instant;
        return options;
    }()};
    std::unique_ptr<SensorClient> client_;
};

TEST_P(Calibration, ReadsZeroInStillAirAndTheReferenceSpeedWithinItsBand) {
    const auto f = [](const char* format, double v) { return FormatFloat(format, v); };
    constexpr double kAdjWS = 5.0;

    // Factory values: wrong in still air and at the reference speed.
    EXPECT_GT(Average(15)["M01"], 0.005);
    sensor_.SetTunnelSpeed(kAdjWS);
    EXPECT_GT(std::abs(Average(15)["M01"] - kAdjWS), 0.5);

    // Still air: both temperature pairs to their means, and the 0 m/s difference.
    sensor_.SetTunnelSpeed(0.0);
    auto still = Average(30);
    const double at = (still["C21"] + still["C22"]) * 0.5;
    const double wdt = (still["C16"] + still["C17"]) * 0.5;
    const float atCorr[2] = {float(at - still["C21"]), float(at - still["C22"])};
    const float wdtCorr[2] = {float(wdt - still["C16"]), float(wdt - still["C17"])};
    const float zeroTempDiff = float(still["C32"]);

    const auto sendAll = [&](float difT0m, float adjDifT) {
        Write("RW,E91=1,P99=8137,E01=" + f("%1.2f", difT0m) + ",E02=" + f("%1.2f", kAdjWS) +
              ",E03=" + f("%1.2f", adjDifT) + ",E04=0.2000,");
        for (int g = 0; g < 5; ++g) {
            std::string payload = "RW,";
            for (int n = 4 * g + 1; n <= 4 * g + 4; ++n)
                payload += (n < 10 ? "P0" : "P") + std::to_string(n) + "=0.00,";
            Write(payload);
        }
        Write("RW,E16=" + f("%1.3f", atCorr[0]) + ",E17=" + f("%1.3f", atCorr[1]) +
              ",E12=" + f("%1.3f", wdtCorr[0]) + ",E13=" + f("%1.3f", wdtCorr[1]) + ",");
        Write("RW,P32=2.500,P41=9.000,");
        Write("RW,E91=0,P99=0,");
    };
    sendAll(zeroTempDiff, 20.0f);

    for (double reading : WindReadings(10))
        EXPECT_EQ(reading, 0.0); // "0.000" exactly, every time
    still = Average(30);
    EXPECT_NEAR(still["C21"], still["C22"], 0.02);
    EXPECT_NEAR(still["C16"], still["C17"], 0.02);

    // Reference speed: the difference there, sent with everything else.
    sensor_.SetTunnelSpeed(kAdjWS);
    const float spanTempDiff = float(Average(30)["C32"]);
    sendAll(zeroTempDiff, spanTempDiff);

    const auto atSpeed = WindReadings(15);
    double avg = 0;
    for (double r : atSpeed)
        avg += r / atSpeed.size();
    const double h = kAdjWS * 0.005 * 0.5;
    EXPECT_GT(avg, kAdjWS - h);
    EXPECT_LT(avg, kAdjWS + h);

    sensor_.SetTunnelSpeed(0.0);
    for (double reading : WindReadings(5))
        EXPECT_EQ(reading, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Calibration, ::testing::Values(1u, 2u, 3u, 4u, 5u));

} // namespace
} // namespace qvr::sim
