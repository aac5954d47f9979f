#include "sim/sensor_physics.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace qvr::sim {

namespace {

// Noise at level 1.
constexpr double kTempDiffSigma = 0.005; // °C
constexpr double kTurbulence = 0.0006;   // share of the wind speed
constexpr double kTempSigma = 0.01;      // °C
constexpr double kDirectionSigma = 1.0;  // degrees

bool IsWindDirModel(double model) {
    return std::lround(model * 100.0) == 1910;
}

} // namespace

SensorPhysics::SensorPhysics(const SensorTruth& truth, std::uint64_t seed)
    : truth_(truth), rng_(seed) {}

double SensorPhysics::Gauss(double sigma) {
    if (sigma <= 0) return 0.0;
    return std::normal_distribution<double>(0.0, sigma)(rng_);
}

double SensorPhysics::TrueTempDiff(double windSpeed, double heaterWatt) const {
    const double heat =
        truth_.nominalHeater > 0 ? std::max(heaterWatt, 0.0) / truth_.nominalHeater : 0.0;
    return truth_.deltaT0 * heat /
           (1.0 + truth_.kingK * std::pow(std::max(windSpeed, 0.0), truth_.kingN));
}

std::optional<double> SensorPhysics::WindFromTempDiff(double tempDiff, double e01, double e02,
                                                      double e03) {
    if (!(e01 > 0 && e02 > 0 && e03 > 0 && e03 < e01)) return std::nullopt;
    if (tempDiff >= e01) return 0.0;
    if (tempDiff <= 0)
        return kMaxWindSpeed; // an element that is not warmer than the air: off the scale
    const double k = (e01 / e03 - 1.0) / std::sqrt(e02);
    const double root = (e01 / tempDiff - 1.0) / k;
    return std::min(root * root, kMaxWindSpeed);
}

double SensorPhysics::TableCorrection(const SensorParameters& params, double rawSpeed) {
    std::vector<std::pair<double, double>> points{{0.0, 0.0}};
    for (int i = 0; i < 10; ++i) {
        const auto key = [](int n) {
            return (n < 10 ? std::string("P0") : std::string("P")) + std::to_string(n);
        };
        const double at = *params.Value(key(2 * i + 1));
        const double amount = *params.Value(key(2 * i + 2));
        if (at > 0) points.emplace_back(at, amount);
    }
    std::sort(points.begin(), points.end());
    if (rawSpeed >= points.back().first) return points.back().second;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const auto& [x1, y1] = points[i];
        if (rawSpeed <= x1) {
            const auto& [x0, y0] = points[i - 1];
            return x1 > x0 ? y0 + (y1 - y0) * (rawSpeed - x0) / (x1 - x0) : y1;
        }
    }
    return points.back().second;
}

SensorReading SensorPhysics::Measure(const SensorConditions& c, const SensorParameters& params,
                                     double elapsedSeconds) {
    const double noise = std::max(c.noise, 0.0);
    const auto p = [&params](const char* key) { return static_cast<double>(*params.Value(key)); };
    SensorReading r;

    const double wind = std::max(0.0, c.tunnelSpeed * (1.0 + Gauss(kTurbulence * noise)));
    const double drift = truth_.driftPeriod > 0
                             ? truth_.driftAmplitude * std::sin(2.0 * std::numbers::pi *
                                                                elapsedSeconds / truth_.driftPeriod)
                             : 0.0;
    const double air = c.airTemperature + drift;
    const double trueDiff = TrueTempDiff(wind, p("E04"));

    r.tempDiff = trueDiff + Gauss(kTempDiffSigma * noise);
    r.airTemp1 = air + truth_.airTempError[0] + p("E16") + Gauss(kTempSigma * noise);
    r.airTemp2 = air + truth_.airTempError[1] + p("E17") + Gauss(kTempSigma * noise);
    r.wdsTemp1 = air + trueDiff + truth_.elementTempError[0] + p("E12") + Gauss(kTempSigma * noise);
    r.wdsTemp2 = air + trueDiff + truth_.elementTempError[1] + p("E13") + Gauss(kTempSigma * noise);
    r.airTempHiRes = (r.airTemp1 + r.airTemp2) * 0.5;
    r.airTemp = r.airTempHiRes;
    r.probeTemp = (r.wdsTemp1 + r.wdsTemp2) * 0.5;

    const auto raw = WindFromTempDiff(r.tempDiff, p("E01"), p("E02"), p("E03"));
    r.softState = raw ? 0 : 1;
    r.windSpeedRaw = raw.value_or(0.0);
    r.windSpeed = r.windSpeedRaw == 0.0
                      ? 0.0
                      : std::clamp(r.windSpeedRaw + TableCorrection(params, r.windSpeedRaw), 0.0,
                                   kMaxWindSpeed);
    if (c.linear) r.windSpeed = std::clamp(c.gain * wind + c.offset, 0.0, kMaxWindSpeed);

    r.cpuLoad = std::clamp(14.0 + 0.2 * r.windSpeed + Gauss(1.0 * noise), 0.0, 100.0);
    r.supplyVoltage = 12.0 + Gauss(0.02 * noise);
    r.adCount = static_cast<int>(std::lround(1000.0 + Gauss(3.0 * noise)));
    r.daOutput = std::clamp(r.windSpeed * 0.1, 0.0, 5.0); // 0 to 5 V over 0 to 50 m/s

    r.modelNo = c.model;
    r.version = truth_.version;
    r.hasWindDir = IsWindDirModel(c.model);
    if (r.hasWindDir) {
        double dir = std::fmod(c.windDirection + Gauss(kDirectionSigma * noise), 360.0);
        if (dir < 0) dir += 360.0;
        r.windDir = dir;
        r.vectorX = std::cos(dir * std::numbers::pi / 180.0);
    }
    r.systemState = params.SessionOpen() ? 1 : 0;
    return r;
}

} // namespace qvr::sim
