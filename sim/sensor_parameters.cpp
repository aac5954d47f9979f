#include "sim/sensor_parameters.h"

#include "base/number_text.h"

#include <charconv>

namespace qvr::sim {

SensorParameters::SensorParameters() {
    const auto add = [this](std::string key, float factory, int decimals) {
        entries_.push_back({std::move(key), factory, decimals, factory});
    };
    add("E01", 50.0f, 2); // temperature difference at 0 m/s
    add("E02", 5.0f, 2);  // reference wind speed
    add("E03", 20.0f, 2); // temperature difference at the reference speed
    add("E04", 0.2f, 4);  // heater output
    add("E12", 0.0f, 3);  // element temperature 1 correction
    add("E13", 0.0f, 3);  // element temperature 2 correction
    add("E16", 0.0f, 3);  // air temperature 1 correction
    add("E17", 0.0f, 3);  // air temperature 2 correction
    for (int n = 1; n <= 20; ++n) {
        std::string key = n < 10 ? "P0" : "P";
        key += std::to_string(n);
        add(key, 0.0f, 2); // characteristic correction table: odd = point, even = amount
    }
    add("P32", 2.5f, 3); // reference voltage
    add("P41", 9.0f, 3); // air-temperature correction
    add("E91", 0.0f, 0); // write session switch
    add("P99", 0.0f, 0); // write session code
}

void SensorParameters::Reset() {
    for (auto& e : entries_)
        e.value = e.factory;
}

SensorParameters::Entry* SensorParameters::Find(std::string_view key) {
    for (auto& e : entries_)
        if (e.key == key) return &e;
    return nullptr;
}

const SensorParameters::Entry* SensorParameters::Find(std::string_view key) const {
    return const_cast<SensorParameters*>(this)->Find(key);
}

bool SensorParameters::IsKnown(std::string_view key) const {
    return Find(key) != nullptr;
}

std::optional<float> SensorParameters::Value(std::string_view key) const {
    if (const Entry* e = Find(key)) return e->value;
    return std::nullopt;
}

bool SensorParameters::Set(std::string_view key, float value) {
    Entry* e = Find(key);
    if (!e) return false;
    e->value = value;
    return true;
}

bool SensorParameters::SessionOpen() const {
    return *Value("E91") == 1.0f && *Value("P99") == kSessionCode;
}

std::optional<std::string> SensorParameters::Write(std::string_view key,
                                                   std::string_view valueText) {
    Entry* e = Find(key);
    if (!e) return std::nullopt;
    const bool sessionKey = key == "E91" || key == "P99";
    if (sessionKey || SessionOpen()) {
        // A number beyond single precision is refused like any other bad text.
        if (const auto number = ParseFloat(valueText)) e->value = *number;
    }
    return HeldValueText(e->value, e->decimals);
}

std::optional<std::string> SensorParameters::Text(std::string_view key) const {
    if (const Entry* e = Find(key)) return HeldValueText(e->value, e->decimals);
    return std::nullopt;
}

std::vector<std::pair<std::string, float>> SensorParameters::All() const {
    std::vector<std::pair<std::string, float>> all;
    all.reserve(entries_.size());
    for (const auto& e : entries_)
        all.emplace_back(e.key, e.value);
    return all;
}

std::string HeldValueText(float value, int decimals) {
    std::string text = FormatFloat("%1." + std::to_string(decimals) + "f", value);
    const auto back = ParseNumber(text);
    if (back && static_cast<float>(*back) == value) return text;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace qvr::sim
