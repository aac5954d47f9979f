// The simulated sensor's control commands, a script of lines from the
// operator: every line is done or refused with a message, and the sensor's
// conditions stay inside the ranges the commands admit.
#include "fuzz/fuzz_check.h"
#include "sim/control_commands.h"
#include "sim/simulated_sensor.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qvr::sim;
    SimulatedSensor sensor; // not started: "hangup" is refused rather than waited for
    ControlCommands commands(sensor);
    const std::string script(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= script.size()) {
        std::size_t end = script.find('\n', start);
        if (end == std::string::npos) end = script.size();
        const auto result = commands.Execute(std::string_view(script).substr(start, end - start));
        FUZZ_CHECK(result.ok || !result.message.empty(), "a refusal without a message");
        FUZZ_CHECK(std::isfinite(result.sleepSeconds) && result.sleepSeconds >= 0 &&
                       result.sleepSeconds <= 3600,
                   "sleep outside 0 to 3600 s");
        start = end + 1;
    }
    const auto c = sensor.Conditions();
    FUZZ_CHECK(c.tunnelSpeed >= 0 && c.tunnelSpeed <= 60, "tunnel speed out of range");
    FUZZ_CHECK(c.airTemperature >= -40 && c.airTemperature <= 80, "air temperature out of range");
    FUZZ_CHECK(c.noise >= 0 && c.noise <= 100, "noise out of range");
    const auto f = sensor.Faults();
    FUZZ_CHECK(f.dropShare >= 0 && f.dropShare <= 1 && f.corruptShare >= 0 && f.corruptShare <= 1,
               "a share out of range");
    FUZZ_CHECK(f.delayMs >= 0 && f.delayMs <= 60000, "delay out of range");
    for (const auto& [key, value] : sensor.Parameters())
        FUZZ_CHECK(std::isfinite(value), "parameter " + key + " is not finite");
    return 0;
}
