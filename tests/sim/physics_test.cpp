#include "sim/sensor_device.h"
#include "sim/sensor_physics.h"

#include <cmath>
#include <numbers>
#include <gtest/gtest.h>

namespace qvr::sim {
namespace {

TEST(SensorPhysics, InvertsTheCurveThroughItsTwoPoints) {
    struct Case {
        double tempDiff, e01, e02, e03;
        std::optional<double> wind;
    };
    const Case cases[] = {
        {50.0, 50.0, 5.0, 20.0, 0.0},          // at E01: exactly 0
        {55.0, 50.0, 5.0, 20.0, 0.0},          // above E01: exactly 0
        {20.0, 50.0, 5.0, 20.0, 5.0},          // at E03: the reference speed
        {30.0, 46.0, 8.0, 15.0, std::nullopt}, // filled below
        {-1.0, 50.0, 5.0, 20.0, SensorPhysics::kMaxWindSpeed},
        {0.01, 50.0, 5.0, 20.0, SensorPhysics::kMaxWindSpeed},
        {30.0, 20.0, 5.0, 20.0, std::nullopt}, // E03 not below E01: no curve
        {30.0, 50.0, 0.0, 20.0, std::nullopt},
        {30.0, 50.0, 5.0, 0.0, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = SensorPhysics::WindFromTempDiff(c.tempDiff, c.e01, c.e02, c.e03);
        if (c.tempDiff == 30.0 && c.e01 == 46.0) {
            // dT = e01 / (1 + k sqrt(U)) with k from the reference point
            const double k = (46.0 / 15.0 - 1.0) / std::sqrt(8.0);
            ASSERT_TRUE(got);
            EXPECT_NEAR(46.0 / (1.0 + k * std::sqrt(*got)), 30.0, 1e-9);
            continue;
        }
        ASSERT_EQ(got.has_value(), c.wind.has_value()) << c.tempDiff << " " << c.e01;
        if (got) {
            EXPECT_NEAR(*got, *c.wind, 1e-9) << c.tempDiff;
        }
    }
}

TEST(SensorPhysics, CorrectsByTheTableBetweenItsPoints) {
    SensorParameters params;
    EXPECT_EQ(SensorPhysics::TableCorrection(params, 7.0), 0.0); // empty table
    // Points out of order, one unused (point 0).
    params.Set("P01", 10.0f);
    params.Set("P02", 0.5f);
    params.Set("P03", 2.0f);
    params.Set("P04", -0.2f);
    params.Set("P05", 0.0f);
    params.Set("P06", 9.0f);
    struct Case {
        double raw, correction;
    };
    const Case cases[] = {{0.0, 0.0},  {1.0, -0.1}, {2.0, -0.2},
                          {6.0, 0.15}, {10.0, 0.5}, {30.0, 0.5}};
    for (const auto& c : cases)
        EXPECT_NEAR(SensorPhysics::TableCorrection(params, c.raw), c.correction, 1e-6) << c.raw;
}

TEST(SensorPhysics, TheTableMovesM01ButNotC01) {
    SensorDevice device;
    device.Conditions() = {.tunnelSpeed = 8.0, .noise = 0.0};
    const auto before = device.Measure(0);
    device.Parameters().Set("P01", 20.0f);
    device.Parameters().Set("P02", 1.0f); // +0.05 m/s per m/s
    const auto after = device.Measure(0);
    EXPECT_DOUBLE_EQ(after.windSpeedRaw, before.windSpeedRaw);
    EXPECT_NEAR(after.windSpeed - after.windSpeedRaw, after.windSpeedRaw * 0.05, 1e-9);
    EXPECT_NEAR(after.daOutput, after.windSpeed * 0.1, 1e-9);
}

TEST(SensorPhysics, ChannelsCarryTheirErrorsAndTheSensorsCorrections) {
    SensorDevice device;
    device.Conditions() = {.tunnelSpeed = 0.0, .airTemperature = 25.0, .noise = 0.0};
    const SensorTruth& t = device.Truth();
    device.Parameters().Set("E16", 0.5f);
    device.Parameters().Set("E13", -1.0f);
    const auto r = device.Measure(0);
    EXPECT_NEAR(r.airTemp1, 25.0 + t.airTempError[0] + 0.5, 1e-6);
    EXPECT_NEAR(r.airTemp2, 25.0 + t.airTempError[1], 1e-6);
    EXPECT_NEAR(r.wdsTemp1, 25.0 + t.deltaT0 + t.elementTempError[0], 1e-6);
    EXPECT_NEAR(r.wdsTemp2, 25.0 + t.deltaT0 + t.elementTempError[1] - 1.0, 1e-6);
    EXPECT_NEAR(r.tempDiff, t.deltaT0, 1e-5); // the difference channel ignores the corrections
    EXPECT_NEAR(r.airTemp, (r.airTemp1 + r.airTemp2) / 2, 1e-9);
}

TEST(SensorPhysics, ATwoPointCalibrationLeavesASmallBowOverTheRange) {
    SensorDevice device;
    device.Conditions().noise = 0.0;
    const double heater = *device.Parameters().Value("E04");
    const SensorPhysics physics(device.Truth());
    device.Parameters().Set("E01", static_cast<float>(physics.TrueTempDiff(0.0, heater)));
    device.Parameters().Set("E02", 5.0f);
    device.Parameters().Set("E03", static_cast<float>(physics.TrueTempDiff(5.0, heater)));
    // U^0.98 · 5^0.02 for an exponent of 0.49 against the curve's 0.5.
    const std::pair<double, double> readings[] = {{2, 2.0370}, {5, 5.0}, {8, 7.9252},
                                                  {12, 11.7917}};
    for (const auto& [speed, reading] : readings) {
        device.Conditions().tunnelSpeed = speed;
        EXPECT_NEAR(device.Measure(0).windSpeed, reading, 2e-4) << speed;
    }
}

TEST(SensorPhysics, FactoryDefaultsReadWrong) {
    SensorDevice device;
    device.Conditions().noise = 0.0;
    const double still = device.Measure(0).windSpeed;
    EXPECT_GT(still, 0.005); // a visible reading in still air
    device.Conditions().tunnelSpeed = 5.0;
    EXPECT_GT(std::abs(device.Measure(0).windSpeed - 5.0), 0.5);
}

TEST(SensorPhysics, ReportsAParameterSetThatDescribesNoCurve) {
    SensorDevice device;
    device.Conditions() = {.tunnelSpeed = 5.0, .noise = 0.0};
    device.Parameters().Set("E03", 60.0f); // above E01
    const auto r = device.Measure(0);
    EXPECT_EQ(r.windSpeed, 0.0);
    EXPECT_EQ(r.softState, 1);
}

TEST(SensorPhysics, HeaterOutputScalesTheTemperatureDifference) {
    SensorDevice device;
    device.Conditions().noise = 0.0;
    const double nominal = device.Measure(0).tempDiff;
    device.Parameters().Set("E04", 0.1f);
    EXPECT_NEAR(device.Measure(0).tempDiff, nominal / 2, 1e-4);
}

TEST(SensorPhysics, OnlyTheDirectionModelReportsDirection) {
    SensorDevice device;
    device.Conditions() = {.noise = 0.0, .windDirection = 400.0, .model = 19.10};
    const auto r = device.Measure(0);
    EXPECT_TRUE(r.hasWindDir);
    EXPECT_NEAR(r.windDir, 40.0, 1e-9);
    EXPECT_NEAR(r.vectorX, std::cos(40.0 * std::numbers::pi / 180.0), 1e-9);
    device.Conditions().model = 19.11;
    EXPECT_FALSE(device.Measure(0).hasWindDir);
    EXPECT_EQ(*device.Answer("RD,M05,S00,", 0), "AD,M05=,S00=19.11,");
}

TEST(SensorPhysics, TheSameSeedRepeatsTheReadings) {
    SensorDevice a({}, 7), b({}, 7), c({}, 8);
    for (auto* d : {&a, &b, &c})
        d->Conditions().tunnelSpeed = 3.0;
    const auto pa = a.Answer("RD,M01,C32,C21,", 1.0);
    EXPECT_EQ(pa, b.Answer("RD,M01,C32,C21,", 1.0));
    EXPECT_NE(pa, c.Answer("RD,M01,C32,C21,", 1.0));
}

} // namespace
} // namespace qvr::sim
