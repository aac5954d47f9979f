#include "sim/sensor_device.h"

#include "base/number_text.h"

#include <vector>

namespace qvr::sim {

namespace {

std::vector<std::string_view> Items(std::string_view list) {
    std::vector<std::string_view> items;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const auto item = list.substr(0, comma);
        if (!item.empty()) items.push_back(item);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return items;
}

std::string Fixed(double value, int decimals) {
    return FormatFloat("%1." + std::to_string(decimals) + "f", value);
}

} // namespace

SensorDevice::SensorDevice(const SensorTruth& truth, std::uint64_t seed) : physics_(truth, seed) {}

SensorReading SensorDevice::Measure(double elapsedSeconds) {
    return physics_.Measure(conditions_, params_, elapsedSeconds);
}

std::string SensorDevice::ReadValue(std::string_view key, const SensorReading& r) const {
    struct Status {
        const char* key;
        double value;
        int decimals;
    };
    const Status table[] = {
        {"M01", r.windSpeed, 3},
        {"M11", r.airTemp, 2},
        {"C01", r.windSpeedRaw, 3},
        {"C11", r.airTempHiRes, 4},
        {"C12", r.probeTemp, 3},
        {"C32", r.tempDiff, 3},
        {"C50", r.cpuLoad, 1},
        {"C51", r.supplyVoltage, 2},
        {"C52", double(r.adCount), 0},
        {"C53", r.daOutput, 3},
        {"S00", r.modelNo, 2},
        {"S01", r.version, 2},
        {"S11", double(r.systemState), 0},
        {"S12", double(r.hardState), 0},
        {"S13", double(r.softState), 0},
        {"C21", r.airTemp1, 3},
        {"C22", r.airTemp2, 3},
        {"C16", r.wdsTemp1, 3},
        {"C17", r.wdsTemp2, 3},
        {"M00", 0.0, 0},
    };
    for (const auto& s : table)
        if (key == s.key) return Fixed(s.value, s.decimals);
    if (r.hasWindDir) {
        if (key == "M05") return Fixed(r.windDir, 1);
        if (key == "M07") return Fixed(r.vectorX, 3);
    }
    if (emptyAll_ || emptyKeys_.count(std::string(key))) return std::string();
    return params_.Text(key).value_or(std::string());
}

std::string SensorDevice::WriteValue(std::string_view key, std::string_view value) {
    if (unstored_.count(std::string(key)) && params_.IsKnown(key)) return std::string(value);
    const auto forced = forced_.find(std::string(key));
    if (forced != forced_.end() && params_.IsKnown(key)) {
        if (params_.SessionOpen() || key == "E91" || key == "P99")
            params_.Write(key, forced->second);
        return forced->second;
    }
    return params_.Write(key, value).value_or(std::string());
}

std::optional<std::string> SensorDevice::Answer(std::string_view payload, double elapsedSeconds) {
    const auto kind = payload.substr(0, 2);
    if ((kind != "RD" && kind != "RW") || (payload.size() > 2 && payload[2] != ','))
        return std::nullopt;
    const auto items = Items(payload.size() > 3 ? payload.substr(3) : std::string_view());

    std::string answer = kind == "RD" ? "AD," : "AW,";
    if (kind == "RD") {
        const SensorReading reading = Measure(elapsedSeconds);
        for (const auto key : items) {
            answer.append(key).append("=").append(ReadValue(key, reading)).append(",");
        }
    } else {
        for (const auto item : items) {
            const auto eq = item.find('=');
            const auto key = item.substr(0, eq);
            const auto value =
                eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1);
            answer.append(key).append("=").append(WriteValue(key, value)).append(",");
        }
    }
    return answer;
}

} // namespace qvr::sim
