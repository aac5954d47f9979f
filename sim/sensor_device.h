#pragma once

#include "sim/sensor_parameters.h"
#include "sim/sensor_physics.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace qvr::sim {

// The sensor without its line: takes a request payload, gives the answer payload.
//
// "RD,k1,k2,…" is answered "AD,k1=v1,k2=v2,…" with one set of readings for the
// whole request. Status keys give readings, "M00" gives 0, parameter keys give
// the held value. A key the sensor does not know is answered with an empty
// value ("XYZ="), which keeps the answer in step with the request.
//
// "RW,k1=v1,…" is answered "AW,k1=h1,…": each pair in order with the value the
// sensor holds after the write. Outside the write session writes are not taken
// and the held values come back unchanged. Keys that cannot be written (unknown
// or read-only) come back with an empty value.
//
// Any other payload gets no answer.
class SensorDevice {
public:
    explicit SensorDevice(const SensorTruth& truth = {}, std::uint64_t seed = 1);

    std::optional<std::string> Answer(std::string_view payload, double elapsedSeconds);

    SensorParameters& Parameters() { return params_; }
    const SensorParameters& Parameters() const { return params_; }
    SensorConditions& Conditions() { return conditions_; }
    const SensorConditions& Conditions() const { return conditions_; }
    const SensorTruth& Truth() const { return physics_.Truth(); }

    // A faulty store: writes of these keys are held (and echoed) as the given value text.
    void SetForcedWrites(std::map<std::string, std::string> forced) { forced_ = std::move(forced); }
    // A store that acknowledges writes of these keys and keeps the old values.
    void SetUnstoredWrites(std::set<std::string> keys) { unstored_ = std::move(keys); }
    // A sensor that has lost its parameter store's read-out: reads of every stored
    // parameter (all) or of the given keys are answered with an empty value.
    void SetEmptyReads(bool all, std::set<std::string> keys) {
        emptyAll_ = all;
        emptyKeys_ = std::move(keys);
    }

    // A reading as the sensor would answer it now (for status output and tests).
    SensorReading Measure(double elapsedSeconds);

private:
    std::string ReadValue(std::string_view key, const SensorReading& reading) const;
    std::string WriteValue(std::string_view key, std::string_view value);

    SensorParameters params_;
    SensorConditions conditions_;
    SensorPhysics physics_;
    std::map<std::string, std::string> forced_;
    bool emptyAll_ = false;
    std::set<std::string> emptyKeys_;
    std::set<std::string> unstored_;
};

} // namespace qvr::sim
