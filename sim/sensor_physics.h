#pragma once

#include "sim/sensor_parameters.h"

#include <cstdint>
#include <optional>
#include <random>

namespace qvr::sim {

// What the operator sets up around the sensor.
struct SensorConditions {
    double tunnelSpeed = 0.0;     // true wind speed in the tunnel, m/s
    double airTemperature = 20.0; // ambient air, °C; a slow drift is added around it
    double noise = 1.0;           // 0 = none, 1 = normal, larger = worse
    double windDirection = 0.0;   // degrees, reported by the model with wind direction
    double model = 19.10;         // 19.10 reports wind direction, other models do not
    // A sensor played with a known line instead of its element's curve:
    // M01 = gain × wind + offset, the wind carrying the noise as before.
    bool linear = false;
    double gain = 1.0;
    double offset = 0.0; // m/s
};

// The sensor's own hidden properties: what a calibration has to find out.
struct SensorTruth {
    double deltaT0 = 46.0; // element temperature difference at 0 m/s with nominal heater
    double kingK = 0.742;  // King's-law slope: dT(U) = dT0 / (1 + k·U^n)
    // A real element's exponent is not quite the one half the sensor's curve
    // assumes, so a two-point calibration leaves a small bow over the range.
    double kingN = 0.49;
    double nominalHeater = 0.2;                 // heater output (W) at which deltaT0 holds
    double airTempError[2] = {0.28, -0.17};     // instrument errors of AT-1, AT-2, °C
    double elementTempError[2] = {0.45, -0.31}; // instrument errors of WDT-1, WDT-2, °C
    double driftAmplitude = 0.3;                // ambient drift, °C
    double driftPeriod = 1800.0;                // ambient drift period, s
    double version = 2.05;                      // firmware version
};

// One set of readings, all keys taken at the same moment.
struct SensorReading {
    double windSpeed = 0;     // M01, corrected by the table
    double airTemp = 0;       // M11
    double airTempHiRes = 0;  // C11
    double windSpeedRaw = 0;  // C01
    double probeTemp = 0;     // C12
    double tempDiff = 0;      // C32
    double cpuLoad = 0;       // C50
    double supplyVoltage = 0; // C51
    int adCount = 0;          // C52
    double daOutput = 0;      // C53
    double airTemp1 = 0;      // C21
    double airTemp2 = 0;      // C22
    double wdsTemp1 = 0;      // C16
    double wdsTemp2 = 0;      // C17
    double windDir = 0;       // M05
    double vectorX = 0;       // M07
    double modelNo = 0;       // S00
    double version = 0;       // S01
    int systemState = 0;      // S11: 1 while the write session is open
    int hardState = 0;        // S12
    int softState = 0;        // S13: 1 when E01..E03 cannot describe a curve
    bool hasWindDir = false;  // the model reports M05 and M07
};

// Turns the conditions and the stored parameters into readings.
class SensorPhysics {
public:
    static constexpr double kMaxWindSpeed = 60.0;

    explicit SensorPhysics(const SensorTruth& truth = {}, std::uint64_t seed = 1);

    const SensorTruth& Truth() const { return truth_; }

    SensorReading Measure(const SensorConditions& conditions, const SensorParameters& params,
                          double elapsedSeconds);

    // The true element temperature difference at a wind speed and heater output.
    double TrueTempDiff(double windSpeed, double heaterWatt) const;

    // Inverts the King's-law curve through (0, e01) and (e02, e03). Exactly 0
    // at or above e01; nothing when the three values describe no such curve.
    static std::optional<double> WindFromTempDiff(double tempDiff, double e01, double e02,
                                                  double e03);

    // Characteristic correction: points P01, P03 … P19 (m/s, only those above 0
    // count) with amounts P02, P04 … P20, linear between them, starting from
    // no correction at 0 m/s and holding the last amount beyond the last point.
    static double TableCorrection(const SensorParameters& params, double rawSpeed);

private:
    double Gauss(double sigma);

    SensorTruth truth_;
    std::mt19937_64 rng_;
};

} // namespace qvr::sim
